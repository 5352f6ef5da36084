// The segment information bar, its drawing and its popup.
#include "overlayctl/segment_info_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/data_points.h"
#include "common/display_helpers.h"
#include "common/library_classes.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "plotengine/plot_layout.h"
#include "pomsel/pomsel.h"
#include "ulbrec32/number_text.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"
#include "win/win_user.h"

namespace {

// Keeps a hover tick from running inside another; shared by every bar.
int16_t g_hoverTickRunning = 0;

int SegmentCountOf(const STRUCT_WORK_FILE* wf) {
  return wf && wf->segmentBlocks ? static_cast<int>(wf->msInfo.segmentCount) : 0;
}

bool SameTextNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// The file's run, from the work file.
void RunTimes(const STRUCT_WORK_FILE* wf, double* start, double* end) {
  *start = wf->startTime;
  *end = wf->endTime;
}

}  // namespace

// ---- Drawing ----------------------------------------------------------------------------

bool CSegInfoDrawer::RunOverlaps() const {
  if (!m_workFile) return false;
  double s = 0, e = 0;
  RunTimes(m_workFile, &s, &e);
  return s + m_timeOffset < m_endTime && e + m_timeOffset > m_startTime;
}

int32_t CSegInfoDrawer::X(double time) const {
  // An empty range puts every time at the left edge.
  const double span = m_endTime - m_startTime;
  if (!(span > 0)) return m_x1;
  const double scale = (m_x2 - m_x1) / span;
  const double x = m_x1 + (time - m_startTime) * scale;
  return static_cast<int32_t>(std::clamp(x, -1e9, 1e9));
}

int32_t CSegInfoDrawer::TextWidth(const char* text) const {
  SIZE size{};
  KELT_GetTextSize(m_dc, text, &size);
  return size.cx;
}

void CSegInfoDrawer::Text(int32_t x, int32_t y, const char* text, COLORREF color) const {
  HDC dc = m_dc->GetSafeHdc();
  SetTextColor(dc, color);
  TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
}

void CSegInfoDrawer::Draw() {
  if (!m_dc || !m_dc->GetSafeHdc()) return;
  m_midY = m_y1 - ((m_y1 - m_y2) >> 1);
  HDC dc = m_dc->GetSafeHdc();
  HPEN pen = CreatePen(PS_SOLID, 0, m_frameColor);
  HGDIOBJ old = pen ? SelectObject(dc, pen) : nullptr;
  DrawSegments();
  DrawScanAxis();
  if (old) SelectObject(dc, old);
  if (pen) DeleteObject(pen);
}

void CSegInfoDrawer::DrawSegments() {
  HDC dc = m_dc->GetSafeHdc();
  const bool print = m_mode != 0;
  if (!print) {
    SetBkMode(dc, TRANSPARENT);
  } else {
    SetTextColor(dc, m_frameColor);
    const POINT frame[5] = {{m_x1, m_y1}, {m_x1, m_y2}, {m_x2, m_y2}, {m_x2, m_y1}, {m_x1, m_y1}};
    Polyline(dc, frame, 5);
  }
  if (!RunOverlaps()) return;
  double runStart = 0, runEnd = 0;
  RunTimes(m_workFile, &runStart, &runEnd);
  HBRUSH plotBrush = CreateSolidBrush(m_plotColor), backBrush = CreateSolidBrush(m_backColor);
  auto block = [&](int32_t left, int32_t right, bool plotFilled) {
    const RECT r{left, std::min(m_y2, m_midY), right, std::max(m_y2, m_midY)};
    if (print) {
      const POINT p[5] = {{left, m_y2}, {right, m_y2}, {right, m_midY}, {left, m_midY}, {left, m_y2}};
      Polyline(dc, p, 5);
    } else if (plotFilled) {
      FillRect(dc, &r, plotBrush);
    } else {
      FillRect(dc, &r, backBrush);
      const POINT p[5] = {{left, m_y2}, {right, m_y2}, {right, m_midY}, {left, m_midY}, {left, m_y2}};
      Polyline(dc, p, 5);
    }
  };
  auto edge = [&](int32_t x) {
    MoveToEx(dc, x, m_midY, nullptr);
    LineTo(dc, x, m_y2);
  };
  const int32_t labelY = print ? m_y2 + m_charHeight / 4 : m_y2;
  if (!m_segInfo || m_segCount <= 0) {
    // The whole run as one block "1".
    const int32_t left = runStart + m_timeOffset > m_startTime ? X(runStart + m_timeOffset) : m_x1 + 1;
    const int32_t right = runEnd + m_timeOffset < m_endTime ? X(runEnd + m_timeOffset) : m_x2;
    block(left, right, true);
    if (!print) {
      edge(left);
      edge(right);
    }
    Text(left + ((right - left - m_charWidth) >> 1), print ? m_y2 - m_charHeight / 4 : m_y2, "1",
         print ? m_frameColor : m_backColor);
    m_firstVisible = m_lastVisible = 0;
  } else {
    for (int i = 0; i < m_segCount; ++i) m_segInfo[i].left = m_segInfo[i].right = -1;
    int first = 0;
    while (first < m_segCount - 1 && !(m_segInfo[first].lastTime + m_timeOffset > m_startTime)) ++first;
    int last = first;
    while (last < m_segCount - 1) {
      if (m_endTime <= m_segInfo[last].firstTime + m_timeOffset) {
        if (last > first) --last;
        break;
      }
      if (m_endTime <= m_segInfo[last].lastTime + m_timeOffset) break;
      ++last;
    }
    m_firstVisible = static_cast<int16_t>(first);
    m_lastVisible = static_cast<int16_t>(last);
    for (int i = first; i <= last; ++i) {
      STRUCT_SEG_DRAW_INFO& e = m_segInfo[i];
      const double s = e.firstTime + m_timeOffset, t = e.lastTime + m_timeOffset;
      const int32_t left = s < m_startTime ? m_x1 + 1 : X(s);
      const int32_t right = t >= m_endTime ? m_x2 - 1 : X(t);
      e.left = static_cast<int16_t>(std::clamp(left, -32768, 32767));
      e.right = static_cast<int16_t>(std::clamp(right, -32768, 32767));
      // Colour by the segment's own number, so scrolling keeps it.
      const bool plotFilled = i % 2 == 0;
      block(left, right, plotFilled);
      // The label: the segment's line shortened at its commas, then shorter forms.
      const int32_t room = right - left;
      std::string label = e.text[0] ? std::string(e.text, strnlen(e.text, sizeof e.text)) : "Segment " + std::to_string(i + 1) + " ";
      while (TextWidth(label.c_str()) >= room) {
        const size_t comma = label.find_last_of(',');
        if (comma == std::string::npos || comma < 1) break;
        label.resize(comma);
      }
      if (TextWidth(label.c_str()) >= room) label = "Seg " + std::to_string(i + 1);
      if (TextWidth(label.c_str()) >= room) label = std::to_string(i + 1);
      const int32_t width = TextWidth(label.c_str());
      if (width < room) {
        const COLORREF color = print ? m_frameColor : plotFilled ? m_backColor : m_plotColor;
        Text(left + ((room - width) >> 1), labelY, label.c_str(), color);
      }
      if (!print && i == first) edge(left);
      if (!print && i == last) edge(right);
    }
  }
  DeleteObject(plotBrush);
  DeleteObject(backBrush);
}

void CSegInfoDrawer::DrawScanAxis() {
  if (!RunOverlaps()) return;
  HDC dc = m_dc->GetSafeHdc();
  double runStart = 0, runEnd = 0;
  RunTimes(m_workFile, &runStart, &runEnd);
  const double ta = std::max(runStart + m_timeOffset, m_startTime), tb = std::min(runEnd + m_timeOffset, m_endTime);
  const int32_t xa = X(ta), xb = X(tb);
  SetTextColor(dc, m_frameColor);
  SetBkMode(dc, TRANSPARENT);
  const int32_t half = m_charWidth / 2, tick = m_charHeight / 2;
  const int32_t labelY = m_midY + m_charHeight / 5;
  const bool print = m_mode != 0;
  MoveToEx(dc, xa, m_midY, nullptr);
  LineTo(dc, xb, m_midY);
  MoveToEx(dc, xa, m_midY, nullptr);
  LineTo(dc, xa, m_midY + tick);
  MoveToEx(dc, xb, m_midY, nullptr);
  LineTo(dc, xb, m_midY + tick);

  int drawnLabels = 0;
  int32_t firstLabelX = 0, lastLabelRight = 0;
  char format[16] = {};
  double step = 0, first = 0;
  if (xb - xa > 4 && Ulbrec32_GetAxisSteps(ta, tb, format, &step, &first) && step > 0) {
    // The spacing the widest label needs.
    size_t widest = 0;
    for (double v = first; v <= tb && widest < 64; v += step) {
      char text[64];
      std::snprintf(text, sizeof text, format, v);
      widest = std::max(widest, static_cast<size_t>(Ulbrec32_TrimNumberText(text)) + 1);
    }
    const int32_t spacing = static_cast<int32_t>(widest) * TextWidth("M");
    const double span = m_endTime - m_startTime;
    const double scale = span > 0 ? (m_x2 - m_x1) / span : 0.0;
    for (int k = 0; k < 40 && scale * step < spacing; ++k) step *= 2;
    first = std::ceil(ta / step - 1e-9) * step;
    int32_t previousLeft = -1000000;
    for (double v = first; v <= tb; v += step) {
      uint32_t point = 0;
      double pointTime = 0;
      if (!GetPointFromATime(m_workFile, v - m_timeOffset, &point, &pointTime, 0)) continue;
      const double shown = pointTime + m_timeOffset;
      if (shown < ta || shown > tb) continue;
      const int32_t x = X(shown);
      MoveToEx(dc, x, m_midY, nullptr);
      LineTo(dc, x, m_midY + tick);
      char text[32];
      std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(m_workFile->msInfo.firstScan + point));
      const int32_t w = TextWidth(text);
      const int32_t left = std::max(x - w / 2, xa);
      if (left >= previousLeft + half && left + w <= xb) {
        TextOutA(dc, left, labelY, text, static_cast<int>(std::strlen(text)));
        if (drawnLabels == 0) firstLabelX = left;
        previousLeft = left + w;
        lastLabelRight = left + w;
        ++drawnLabels;
      }
    }
  }
  const char* caption = "Scans";
  const int32_t cw = TextWidth(caption);
  if (!print) {
    TextOutA(dc, xb + half, labelY, caption, 5);
    TextOutA(dc, xa - half - cw, labelY, caption, 5);
  } else if (drawnLabels > 1 && lastLabelRight + half <= xb - (cw + half)) {
    TextOutA(dc, xb - (cw + half), labelY, caption, 5);
  } else if (drawnLabels > 0 && xa + half + cw < firstLabelX - half) {
    TextOutA(dc, xa + half, labelY, caption, 5);
  } else {
    TextOutA(dc, std::max(xa - (cw + half), half), labelY, caption, 5);
  }
}

KELT_API void OPLOT_DrawSegmentInfo(CDC* dc, const STRUCT_SEGINFO_DRAW* r) {
  if (!dc || !r) return;
  CSegInfoDrawer d;
  d.m_dc = dc;
  d.m_mode = r->mode;
  d.m_x1 = r->x1;
  d.m_y1 = r->y1;
  d.m_x2 = r->x2;
  d.m_y2 = r->y2;
  d.m_charWidth = r->charWidth;
  d.m_charHeight = r->charHeight;
  d.m_frameColor = r->frameColor;
  d.m_backColor = r->backColor;
  d.m_plotColor = r->plotColor;
  d.m_startTime = r->startTime;
  d.m_endTime = r->endTime;
  d.m_timeOffset = r->timeOffset;
  d.m_workFile = r->workFile;
  d.m_segInfo = r->segInfo;
  d.m_segCount = r->segInfo ? r->segCount : 0;
  d.Draw();
}

// ---- The bar ------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CCtlSegInfo, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONDOWN()
ON_WM_TIMER()
ON_WM_SETCURSOR()
ON_MESSAGE(SIM_SETCHROPREFS, OnSetChroPrefs)
ON_MESSAGE(SIM_SHOWSEGMENTINFO, OnShowSegmentInfo)
ON_MESSAGE(SIM_NOSHOWSEGMENTINFO, OnNoShowSegmentInfo)
ON_MESSAGE(SIM_GETSEGMENTNO, OnGetSegmentNo)
ON_MESSAGE(SIM_PRINTSEGINFO, OnPrintSegInfo)
ON_MESSAGE(SIM_SETMETAPLOTCOLORS, OnSetMetaPlotColors)
ON_MESSAGE(SIM_SHOWINFOWINDOW, OnShowInfoWindow)
ON_MESSAGE(SIM_CLOSEINFOWINDOW, OnCloseInfoWindow)
END_MESSAGE_MAP()

CCtlSegInfo::CCtlSegInfo() = default;

CCtlSegInfo::~CCtlSegInfo() {
  if (segInfo) FreeBlock(segInfo);
  segInfo = nullptr;
}

KELT_API CCtlSegInfo* CreateSegmentInfoControl(CWnd* parent, int16_t id, int16_t left, int16_t top, int16_t right,
                                               int16_t bottom, const STRUCT_CHRO_PREFS* prefs) {
  auto* bar = new (std::nothrow) CCtlSegInfo;
  if (!bar) return nullptr;
  if (!bar->Create(nullptr, nullptr, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CRect(left, top, right, bottom),
                   parent, static_cast<UINT>(id))) {
    delete bar;
    return nullptr;
  }
  bar->SendMessage(SIM_SETCHROPREFS, 0, reinterpret_cast<LPARAM>(prefs));
  bar->ShowWindow(SW_SHOW);
  return bar;
}

COLORREF CCtlSegInfo::Background() const { return prefs.colors.colors[CHRO_COLOR_BACKGROUND]; }

int CCtlSegInfo::OnCreate(CREATESTRUCTA*) {
  if (Default() == -1) return -1;
  KELT_GetCurrDefChroPrefs(&prefs);
  STRUCT_REPORT_PREFS report{};
  KELT_GetCurrDefReportPrefs(&report);
  static_assert(sizeof printColors == sizeof report.chroColors.colors);
  std::memcpy(printColors, report.chroColors.colors, sizeof printColors);
  workFile = nullptr;
  popup = nullptr;
  hoverEnabled = 1;
  drawn = clickPending = popupSegment = usePrintColors = 0;
  segInfo = nullptr;
  segCount = 0;
  return 0;
}

void CCtlSegInfo::OnDestroy() {
  ClearSegInfoWnd();
  if (segInfo) FreeBlock(segInfo);
  segInfo = nullptr;
  segCount = 0;
  Default();
}

void CCtlSegInfo::OnSize(UINT, int cx, int cy) {
  Default();
  clientWidth = cx;
  clientHeight = cy;
}

BOOL CCtlSegInfo::OnEraseBkgnd(CDC*) { return TRUE; }

BOOL CCtlSegInfo::OnSetCursor(CWnd*, UINT, UINT) {
  HCURSOR cursor = drawn ? LoadCursorA(GetModuleHandleA(nullptr), "LOGFILE_CURSOR") : nullptr;
  SetCursor(cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW));
  return TRUE;
}

LRESULT CCtlSegInfo::OnSetChroPrefs(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  std::memcpy(&prefs, reinterpret_cast<const void*>(lParam), sizeof prefs);
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSegInfo::OnShowSegmentInfo(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  STRUCT_SEGINFO_SHOW r;
  std::memcpy(&r, reinterpret_cast<const void*>(lParam), sizeof r);
  workFile = r.workFile;
  plotIndex = r.plotIndex;
  fromTime = r.startTime;
  toTime = r.endTime;
  timeOffset = r.timeOffset;
  plotLeft = r.plotLeft;
  plotGeom2 = r.plotGeom2;
  plotWidth = r.plotWidth;
  // Made again for another file, and for a file without segment texts.
  if (segInfo && (!workFile || !SameTextNoCase(workFile->filePath, segInfoPath) || workFile->live)) {
    FreeBlock(segInfo);
    segInfo = nullptr;
    segCount = 0;
  }
  if (!segInfo && workFile) {
    int16_t count = 0;
    segInfo = MakeSegmentDrawInfoStruct(workFile, &count, 1);
    if (segInfo) {
      segCount = count;
      std::snprintf(segInfoPath, sizeof segInfoPath, "%s", workFile->filePath);
    } else {
      segCount = 0;
    }
  }
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSegInfo::OnNoShowSegmentInfo(WPARAM, LPARAM) {
  workFile = nullptr;
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSegInfo::OnGetSegmentNo(WPARAM, LPARAM lParam) {
  if (!clickPending || !lParam) return 0;
  const uint32_t value = (static_cast<uint32_t>(static_cast<uint16_t>(segCount)) << 16) |
                         static_cast<uint16_t>(clickedSegment);
  std::memcpy(reinterpret_cast<void*>(lParam), &value, sizeof value);
  clickPending = 0;
  return 1;
}

LRESULT CCtlSegInfo::OnPrintSegInfo(WPARAM, LPARAM lParam) {
  if (!lParam || !workFile || !segInfo) return 0;
  STRUCT_SEGINFO_PRINT r;
  std::memcpy(&r, reinterpret_cast<const void*>(lParam), sizeof r);
  if (!r.dc) return 0;
  CSegInfoDrawer d;
  d.m_dc = r.dc;
  d.m_mode = 1;
  d.m_x1 = r.x1;
  d.m_y1 = r.y1;
  d.m_x2 = r.x2;
  d.m_y2 = r.y2;
  d.m_charWidth = r.charWidth;
  d.m_charHeight = r.charHeight;
  const COLORREF* colors = usePrintColors ? printColors : prefs.colors.colors;
  d.m_frameColor = colors[1];
  d.m_backColor = d.m_plotColor = colors[0];
  d.m_workFile = workFile;
  d.m_segInfo = segInfo;
  d.m_segCount = segCount;
  d.m_startTime = fromTime;
  d.m_endTime = toTime;
  d.m_timeOffset = timeOffset;
  d.Draw();
  return 0;
}

LRESULT CCtlSegInfo::OnSetMetaPlotColors(WPARAM wParam, LPARAM lParam) {
  if (wParam && lParam) {
    std::memcpy(printColors, reinterpret_cast<const void*>(lParam), sizeof printColors);
    usePrintColors = 1;
  } else {
    usePrintColors = 0;
  }
  return 0;
}

void CCtlSegInfo::OnPaint() {
  PAINTSTRUCT ps;
  HDC paint = ::BeginPaint(m_hWnd, &ps);
  if (!paint) return;
  drawn = 0;
  const COLORREF back = Background();
  RECT client{0, 0, clientWidth, clientHeight};
  const int n = SegmentCountOf(workFile);
  bool outside = !workFile || !segInfo || segCount <= 0;
  if (!outside) {
    const int lastIndex = std::min<int>(segCount, n > 0 ? n : segCount) - 1;
    outside = toTime < segInfo[0].firstTime + timeOffset || segInfo[std::max(lastIndex, 0)].lastTime + timeOffset < fromTime;
  }
  if (clientWidth <= 0 || clientHeight <= 0) {
    ::EndPaint(m_hWnd, &ps);
    return;
  }
  if (outside) {
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(paint, &client, brush);
    DeleteObject(brush);
    ::EndPaint(m_hWnd, &ps);
    return;
  }
  // Drawn off screen and copied in one transfer.
  HDC mem = CreateCompatibleDC(paint);
  HBITMAP bitmap = mem ? CreateCompatibleBitmap(paint, clientWidth, clientHeight) : nullptr;
  if (!mem || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    if (mem) DeleteDC(mem);
    ::EndPaint(m_hWnd, &ps);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
  HBRUSH brush = CreateSolidBrush(back);
  FillRect(mem, &client, brush);
  DeleteObject(brush);
  double runStart = workFile->startTime, runEnd = workFile->endTime;
  if (runStart + timeOffset < toTime && runEnd + timeOffset > fromTime) {
    SetTextColor(mem, prefs.colors.colors[CHRO_COLOR_AXES]);
    SetBkColor(mem, back);
    HFONT font = CreateFontIndirectA(&prefs.ctrlFont);
    HGDIOBJ oldFont = font ? SelectObject(mem, font) : nullptr;
    SIZE m{};
    GetTextExtentPoint32A(mem, "M", 1, &m);
    charWidth = static_cast<int16_t>(m.cx);
    charHeight = static_cast<int16_t>(m.cy);
    CDC* dc = CDC::FromHandle(mem);
    CSegInfoDrawer d;
    d.m_dc = dc;
    d.m_mode = 0;
    d.m_x1 = plotLeft;
    d.m_y1 = clientHeight - 1;
    d.m_x2 = plotLeft + plotWidth;
    d.m_y2 = 0;
    d.m_charWidth = charWidth;
    d.m_charHeight = charHeight;
    d.m_frameColor = prefs.colors.colors[CHRO_COLOR_AXES];
    d.m_backColor = back;
    d.m_plotColor = prefs.colors.colors[CHRO_COLOR_PLOT0 + std::clamp<int>(plotIndex, 0, 19)];
    d.m_workFile = workFile;
    d.m_segInfo = segInfo;
    d.m_segCount = segCount;
    d.m_startTime = fromTime;
    d.m_endTime = toTime;
    d.m_timeOffset = timeOffset;
    d.Draw();
    midY = d.m_midY;
    firstVisible = d.m_firstVisible;
    lastVisible = d.m_lastVisible;
    drawn = 1;
    if (oldFont) SelectObject(mem, oldFont);
    if (font) DeleteObject(font);
  }
  BitBlt(paint, 0, 0, clientWidth, clientHeight, mem, 0, 0, SRCCOPY);
  SelectObject(mem, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ::EndPaint(m_hWnd, &ps);
}

int CCtlSegInfo::SegmentAt(int x, int y) const {
  if (!drawn || !segInfo || !hoverEnabled || !workFile || workFile->live || y > midY) return -1;
  if (firstVisible < 0 || lastVisible >= segCount || firstVisible > lastVisible) return -1;
  if (x < segInfo[firstVisible].left || x > segInfo[lastVisible].right) return -1;
  for (int i = firstVisible; i <= lastVisible; ++i)
    if (segInfo[i].left >= 0 && x >= segInfo[i].left && x <= segInfo[i].right) return i;
  return -1;
}

void CCtlSegInfo::OnMouseMove(UINT, CPoint point) {
  const int segment = SegmentAt(point.x, point.y);
  if (segment < 0) {
    ClearSegInfoWnd();
    return;
  }
  if (popup && segment == popupSegment) return;
  ClearSegInfoWnd();
  hoverX = point.x;
  hoverY = point.y;
  hoverSegment = static_cast<int16_t>(segment);
  hoverPending = 1;
  SetTimer(SEGINFO_HOVER_TIMER, SEGINFO_HOVER_DELAY);
}

void CCtlSegInfo::OnTimer(UINT_PTR id) {
  if (id != SEGINFO_HOVER_TIMER) {
    KillTimer(id);
    return;
  }
  if (g_hoverTickRunning) return;
  g_hoverTickRunning = 1;
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(m_hWnd, &p);
  if (popup) {
    const bool inside = segInfo && popupSegment >= 0 && popupSegment < segCount &&
                        p.x >= segInfo[popupSegment].left && p.x <= segInfo[popupSegment].right && p.y >= 0 &&
                        p.y <= midY;
    if (!inside) {
      ClearSegInfoWnd();
      KillTimer(id);
    }
  } else {
    // Stopped before the popup is asked for: opening it starts the poll anew.
    KillTimer(id);
    if (hoverPending) {
      hoverPending = 0;
      if (std::abs(p.x - hoverX) <= SEGINFO_HOVER_SLACK && std::abs(p.y - hoverY) <= SEGINFO_HOVER_SLACK)
        PostMessage(SIM_SHOWINFOWINDOW, 0, 0);
    }
  }
  g_hoverTickRunning = 0;
}

void CCtlSegInfo::OnLButtonDown(UINT, CPoint point) {
  if (!drawn || !workFile || workFile->live) return;
  ClearSegInfoWnd();
  int segment = 0;
  if (segInfo) {
    segment = -1;
    if (firstVisible >= 0 && lastVisible < segCount && point.x >= segInfo[firstVisible].left &&
        point.x <= segInfo[lastVisible].right)
      for (int i = firstVisible; i <= lastVisible && segment < 0; ++i)
        if (segInfo[i].left >= 0 && point.x >= segInfo[i].left && point.x <= segInfo[i].right) segment = i;
    if (segment < 0) return;
  }
  clickedSegment = static_cast<int16_t>(segment);
  clickPending = 1;
  if (HWND parent = ::GetParent(m_hWnd))
    ::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), 1),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CCtlSegInfo::OnShowInfoWindow(WPARAM, LPARAM) {
  CreateSegInfoWnd();
  return 0;
}

LRESULT CCtlSegInfo::OnCloseInfoWindow(WPARAM, LPARAM) {
  ClearSegInfoWnd();
  return 0;
}

void CCtlSegInfo::ClearSegInfoWnd() {
  if (popup && ::IsWindow(popup)) ::DestroyWindow(popup);
  popup = nullptr;
  KillTimer(SEGINFO_HOVER_TIMER);
  hoverPending = 0;
}

void CCtlSegInfo::CreateSegInfoWnd() {
  if (popup && ::IsWindow(popup)) ::DestroyWindow(popup);
  popup = nullptr;
  hoverPending = 0;
  if (!segInfo || hoverSegment < 0 || hoverSegment >= segCount || !workFile) return;
  RECT bar{};
  ::GetWindowRect(m_hWnd, &bar);
  POINT at{hoverX, 0};
  ::ClientToScreen(m_hWnd, &at);
  HWND w = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_STATICEDGE, "KELT_SegInfo", "", WS_POPUP, at.x,
                             bar.top - 24, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (!w) return;
  auto* record = static_cast<STRUCT_SEG_INFO_WND*>(AllocBlock(sizeof(STRUCT_SEG_INFO_WND)));
  if (!record) {
    ::DestroyWindow(w);
    return;
  }
  record->prefs = prefs;
  record->bar = m_hWnd;
  const STRUCT_SEG_DRAW_INFO& e = segInfo[hoverSegment];
  if (e.text[0]) {
    std::snprintf(record->lines[0], SEGINFO_LINE_SIZE, "%.*s", static_cast<int>(strnlen(e.text, sizeof e.text)),
                  e.text);
    record->lineCount = 1;
  }
  // The acquisition description is written for profile data files.
  if (workFile->profile) AddVerboseLines(record, hoverSegment);
  if (record->lineCount > 1 && record->lineCount + 2 <= SEGINFO_POPUP_LINES) {
    std::snprintf(record->lines[record->lineCount++], SEGINFO_LINE_SIZE, "  ");
    std::snprintf(record->lines[record->lineCount++], SEGINFO_LINE_SIZE, "Click on window to close it.");
  }
  if (record->lineCount < 1) {
    FreeBlock(record);
    ::DestroyWindow(w);
    return;
  }
  ::SetWindowLongPtrA(w, 0, reinterpret_cast<LONG_PTR>(record));
  ::SendMessageA(w, SIW_SIZETOFIT, 0, 0);
  ::ShowWindow(w, SW_SHOWNOACTIVATE);
  popup = w;
  popupSegment = hoverSegment;
  SetTimer(SEGINFO_HOVER_TIMER, SEGINFO_POPUP_POLL);
}

void CCtlSegInfo::AddVerboseLines(STRUCT_SEG_INFO_WND* record, int segment) const {
  char dir[MAX_PATH] = {}, name[MAX_PATH] = {};
  if (!GetTempPathA(sizeof dir, dir) || !GetTempFileNameA(dir, "AAA", 0, name)) return;
  FILE* f = win::crt::OpenStream(name, "w+t");
  if (!f) {
    DeleteFileA(name);
    return;
  }
  Pomsel_WriteSegmentText(f, workFile->filePath, workFile->module, workFile->fileType,
                          static_cast<int16_t>(segment + 1));
  if (std::ftell(f) > 0) {
    std::rewind(f);
    std::string line;
    auto flush = [&] {
      if (!line.empty() && record->lineCount < SEGINFO_VERBOSE_LINES)
        std::snprintf(record->lines[record->lineCount++], SEGINFO_LINE_SIZE, "%.99s", line.c_str());
      line.clear();
    };
    int c = 0, previous = 0;
    while ((c = std::fgetc(f)) != EOF) {
      if (c == '\n') {
        if (previous != '\r') flush();
      } else if (c == '\r') {
        flush();
      } else if (c == '\t') {
        line += "    ";
      } else if (static_cast<unsigned char>(c) >= 32) {
        line += static_cast<char>(c);
      }
      previous = c;
    }
    flush();
  }
  std::fclose(f);
  DeleteFileA(name);
}

// ---- The popup ------------------------------------------------------------------------------

namespace {

STRUCT_SEG_INFO_WND* PopupRecord(HWND w) { return reinterpret_cast<STRUCT_SEG_INFO_WND*>(::GetWindowLongPtrA(w, 0)); }

HFONT PopupFont(const STRUCT_SEG_INFO_WND* r) {
  LOGFONTA font = r->prefs.ctrlFont;
  font.lfHeight = std::abs(font.lfHeight) + 4;
  return CreateFontIndirectA(&font);
}

LRESULT CALLBACK SegInfoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  STRUCT_SEG_INFO_WND* r = PopupRecord(hwnd);
  switch (message) {
    case SIW_SIZETOFIT: {
      if (!r || r->lineCount < 1) return 0;
      int longest = 0;
      for (int i = 1; i < r->lineCount; ++i)
        if (strnlen(r->lines[i], SEGINFO_LINE_SIZE) > strnlen(r->lines[longest], SEGINFO_LINE_SIZE)) longest = i;
      HDC dc = GetDC(hwnd);
      HFONT font = PopupFont(r);
      HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
      SIZE size{};
      GetTextExtentPoint32A(dc, r->lines[longest], static_cast<int>(strnlen(r->lines[longest], SEGINFO_LINE_SIZE)),
                            &size);
      TEXTMETRICA tm{};
      GetTextMetricsA(dc, &tm);
      if (old) SelectObject(dc, old);
      if (font) DeleteObject(font);
      ReleaseDC(hwnd, dc);
      const int width = size.cx + 8, height = r->lineCount * tm.tmHeight + 4;
      RECT at{};
      GetWindowRect(hwnd, &at);
      const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
      const int x = std::max(0, std::min<int>(at.left, screenW - width));
      const int y = std::max(0, std::min<int>(at.top, screenH - height));
      SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (dc && r) {
        RECT client{};
        GetClientRect(hwnd, &client);
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        FillRect(dc, &client, black);
        DeleteObject(black);
        HFONT font = PopupFont(r);
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        for (int i = 0; i < r->lineCount; ++i)
          TextOutA(dc, 2, 2 + i * tm.tmHeight, r->lines[i], static_cast<int>(strnlen(r->lines[i], SEGINFO_LINE_SIZE)));
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FrameRect(dc, &client, white);
        DeleteObject(white);
        if (old) SelectObject(dc, old);
        if (font) DeleteObject(font);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (r && r->bar) PostMessageA(r->bar, SIM_CLOSEINFOWINDOW, 0, 0);
      return 0;
    case WM_DESTROY:
      if (r) FreeBlock(r);
      SetWindowLongPtrA(hwnd, 0, 0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

ATOM RegisterSegInfoWnd() {
  return kelt::lib::RegisterLibraryClass("KELT_SegInfo", SegInfoProc, CS_GLOBALCLASS | CS_SAVEBITS,
                                         static_cast<int>(sizeof(void*)));
}
BOOL UnregisterSegInfoWnd() { return kelt::lib::UnregisterLibraryClass("KELT_SegInfo"); }
