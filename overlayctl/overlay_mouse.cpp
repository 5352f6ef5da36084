// Mouse and keyboard input of the overlay plot control: press, drag and
// release with a rubber band (a rectangle, or a line for the actions that
// measure along the time axis), the click and drag actions chosen by the
// two modes and by keys held for one gesture, the plot buttons, Escape,
// and the notifications that hand the results on.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/display_helpers.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "common/work_file.h"
#include "orvik32/orvik32_controls.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectra/segment_checks.h"
#include "win/win_clipboard.h"

namespace {

// The line tracker's state: one band in the whole process (the mouse is
// captured while it runs).
struct LineTracker {
  bool tracking = false;
  HWND window = nullptr;
  POINT anchor{}, last{};
  HDC dc = nullptr;
  HGDIOBJ oldBrush = nullptr;
};
LineTracker g_line;

void InvertLine(HDC dc, POINT a, POINT b) {
  const int old = SetROP2(dc, R2_NOT);
  MoveToEx(dc, a.x, a.y, nullptr);
  LineTo(dc, b.x, b.y);
  SetROP2(dc, old);
}

bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_LBUTTONDBLCLK ||
         m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK;
}
bool IsButtonUp(UINT m) { return m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_MBUTTONUP; }

// A rubber line from the press point: 3 when it starts, 1 while it runs,
// 2 with the normalised rectangle of its two ends when it ends.
int16_t TrackRubberLine(HWND window, UINT message, int32_t x, int32_t y, RECT* rect) {
  LineTracker& t = g_line;
  if (message == WM_MOUSEMOVE && t.tracking && t.window == window) {
    InvertLine(t.dc, t.anchor, t.last);
    t.last = {x, y};
    InvertLine(t.dc, t.anchor, t.last);
    return 1;
  }
  if (IsButtonDown(message)) {
    if (t.tracking) return 1;
    HDC dc = GetDC(window);
    if (!dc) return 0;
    t.tracking = true;
    t.window = window;
    SetCapture(window);
    t.dc = dc;
    t.oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    t.anchor = t.last = {x, y};
    return 3;
  }
  if (IsButtonUp(message) && t.tracking && t.window == window) {
    t.tracking = false;
    InvertLine(t.dc, t.anchor, t.last);
    SelectObject(t.dc, t.oldBrush);
    ReleaseDC(window, t.dc);
    t.dc = nullptr;
    RECT client{};
    GetClientRect(window, &client);
    if (x < client.left) x = client.left + 1;
    if (x > client.right) x = client.right - 1;
    if (y < client.top) y = client.top + 1;
    if (y > client.bottom) y = client.bottom - 1;
    if (rect)
      *rect = {std::min<LONG>(t.anchor.x, x), std::min<LONG>(t.anchor.y, y), std::max<LONG>(t.anchor.x, x),
               std::max<LONG>(t.anchor.y, y)};
    if (GetCapture() == window) ReleaseCapture();
    t.window = nullptr;
    return 2;
  }
  return t.tracking ? 1 : 0;
}

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

// Whether exactly one of the keys is held; its index when so.
int OneKeyHeld(const int* keys, int count) {
  int found = -1;
  for (int i = 0; i < count; ++i) {
    if (!KeyHeld(keys[i])) continue;
    if (found >= 0) return -1;
    found = i;
  }
  return found;
}

bool LinearityFeature() { return kelt::lib::Settings().canShowHalfHeights == 1; }

// MS data counts in whole ions: a zoom flatter than 5 counts is refused.
double MinimumSpan(const STRUCT_WORK_FILE* wf) {
  return wf && (wf->directHeader || wf->centroid || wf->profile) ? 5.0 : 1e-7;
}

}  // namespace

// ---- Which action applies ----------------------------------------------------------

void CCtlOPlot::GetClickDragStatus(short* zoom, short* move, short* average, short* noise, short* integrate,
                                   short* clipboard, short* lineResult, short* timeRange, short* linearity) {
  short f[9] = {};  // zoom, move, average, noise, integrate, clipboard, line result, time range, linearity
  enum { kZoom, kMove, kAverage, kNoise, kIntegrate, kClipboard, kLine, kTimeRange, kLinearity };
  const int layout = m_toolbarLayout;
  const bool linear = LinearityFeature();
  if (layout == 1 || layout == 3 || layout == 4) {
    static const int kByMode[] = {kZoom, kAverage, kNoise, kMove, kIntegrate, kClipboard, kTimeRange, kLinearity};
    const int mode = m_clickDragMode;
    if (mode >= 0 && mode <= 6)
      f[kByMode[mode]] = 1;
    else if (mode == 7 && linear)
      f[kLinearity] = 1;
    static const int kKeys[] = {'Z', 'M', 'W', 'N', 'I', 'B', 'R', 'X'};
    static const int kByKey[] = {kZoom, kMove, kAverage, kNoise, kIntegrate, kClipboard, kTimeRange, kLinearity};
    const int held = OneKeyHeld(kKeys, linear ? 8 : 7);
    if (held >= 0) {
      std::fill(std::begin(f), std::end(f), 0);
      f[kByKey[held]] = 1;
    }
    if (!(layout == 1 || layout == 4) || (m_pOverlay && m_pOverlay->head.displayMode == OVERLAY_MODE_NORMALISED))
      f[kMove] = 0;
  } else if (layout == 2 || layout == 5) {
    if (m_clickDragMode == OPLOT_DRAG_ZOOM) f[kZoom] = 1;
    if (m_clickDragMode == OPLOT_DRAG_INTEGRATE) f[kIntegrate] = 1;
    static const int kKeys[] = {'Z', 'I'};
    const int held = OneKeyHeld(kKeys, 2);
    if (held >= 0) {
      std::fill(std::begin(f), std::end(f), 0);
      f[held == 0 ? kZoom : kIntegrate] = 1;
    }
  } else {
    f[kZoom] = 1;
  }
  f[kLine] = f[kAverage] || f[kNoise] || f[kIntegrate] || f[kTimeRange] || f[kLinearity];
  short* out[] = {zoom, move, average, noise, integrate, clipboard, lineResult, timeRange, linearity};
  for (int i = 0; i < 9; ++i)
    if (out[i]) *out[i] = f[i];
}

void CCtlOPlot::GetSingleClickStatus(short* display, short* selectionType, short* librarySearch,
                                     short* targetListSearch, short* exportSpectrum) {
  short selection = m_selectionType;
  if (KeyHeld('A')) selection = 1;
  if (KeyHeld('T')) selection = 0;
  short f[4] = {1, 0, 0, 0};  // display, library search, target-list search, export
  if (m_toolbarLayout == 1 || m_toolbarLayout == 4) {
    if (m_singleClickMode != OPLOT_CLICK_DISPLAY) {
      f[0] = 0;
      if (m_singleClickMode >= OPLOT_CLICK_LIBRARY_SEARCH && m_singleClickMode <= OPLOT_CLICK_EXPORT)
        f[m_singleClickMode] = 1;
    }
    static const int kKeys[] = {'S', 'L', 'J', 'E'};
    const int held = OneKeyHeld(kKeys, 4);
    if (held >= 0) {
      std::fill(std::begin(f), std::end(f), 0);
      f[held] = 1;
    }
  }
  if (display) *display = f[0];
  if (selectionType) *selectionType = selection;
  if (librarySearch) *librarySearch = f[1];
  if (targetListSearch) *targetListSearch = f[2];
  if (exportSpectrum) *exportSpectrum = f[3];
}

// ---- Geometry -------------------------------------------------------------------------

CCtlOPlot::PlotArea CCtlOPlot::GetPlotArea() const {
  PlotArea a{};
  a.left = m_plotLeft + m_Sizes.params.left + m_Sizes.leftScaleWidth;
  a.right = a.left + m_Sizes.plotWidth - 1;
  a.top = m_plotTop + m_Sizes.params.top;
  a.bottom = m_plotTop + m_plotHeight - m_Sizes.timeScaleHeight - 1;
  return a;
}

int CCtlOPlot::StackedBandAt(int y, int* top, int* height) const {
  int t = GetPlotArea().top;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (!m_Sizes.plotShown[i]) continue;
    const int h = m_Sizes.plotHeights[i];
    if (y >= t && y < t + h) {
      if (top) *top = t;
      if (height) *height = h;
      return i;
    }
    t += h;
  }
  return -1;
}

// ---- The gesture -----------------------------------------------------------------------

void CCtlOPlot::HandleMouse(unsigned int message, short xIn, short yIn, short apply) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_bSizesValid) return;
  int x = std::clamp<int>(xIn, 0, std::max(0, m_cx - 1));
  int y = std::clamp<int>(yIn, 0, std::max(0, m_cy - 1));
  const PlotArea a = GetPlotArea();
  const int mode = o->head.displayMode;
  const bool stacked = mode == OVERLAY_MODE_STACKED;
  short zoom = 0, move = 0, average = 0, noise = 0, integrate = 0, clipboard = 0, line = 0, range = 0, linear = 0;
  GetClickDragStatus(&zoom, &move, &average, &noise, &integrate, &clipboard, &line, &range, &linear);

  if (!m_tracking) {
    // The corners beside the time scale take no press.
    if (x < a.left && y > a.bottom) return;
    if (mode == OVERLAY_MODE_TWO_SCALES && x > a.right && y > a.bottom) return;
    if (stacked && y <= a.bottom) {
      const int slot = StackedBandAt(y, nullptr, nullptr);
      if (slot >= 0 && !m_Sizes.plotInView[slot]) return;
    }
  } else if (!clipboard) {
    if (m_pressX < a.left) {
      x = std::clamp(x, a.left - m_Sizes.leftScaleWidth, a.left - 1);
    } else if (m_pressX > a.right) {
      x = std::max(x, a.right + 1);
    } else {
      x = std::clamp(x, a.left, a.right);
    }
    if (m_pressY > a.bottom) {
      y = std::max(y, a.bottom + 1);
      x = std::clamp(x, a.left, a.right);
    } else if (stacked) {
      int top = 0, h = 0;
      if (StackedBandAt(m_pressY, &top, &h) >= 0)
        y = std::clamp(y, top, top + h - 1);
      else
        y = std::clamp(y, a.top, a.bottom);
    } else {
      y = std::clamp(y, a.top, a.bottom);
    }
  }

  if (!m_tracking && message != WM_MOUSEMOVE)
    m_lineBand =
        (integrate || noise || range) && x >= a.left && x <= a.right && y >= a.top && y <= a.bottom ? 1 : 0;
  RECT band{};
  const int code = m_lineBand ? TrackRubberLine(m_hWnd, message, x, y, &band)
                              : TrackRubberRect(m_hWnd, message, x, y, &band);
  if (code == 3) {
    m_lineResultSet = 0;
    m_pressX = static_cast<int16_t>(x);
    m_pressY = static_cast<int16_t>(y);
    m_tracking = 1;
    ShowCursor(FALSE);
    return;
  }
  if (code != 2) return;
  m_tracking = 0;
  ShowCursor(TRUE);
  if (!apply) {
    if (m_lineBand) RepaintUnlessSuspended();
    return;
  }
  m_band = band;
  m_pressAtLeft = m_pressX == band.left ? 1 : 0;
  m_pressAtBottom = m_pressY == band.bottom ? 1 : 0;
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const int width = m_Sizes.plotWidth;

  // A click: a press and release within 4 pixels both ways.
  if (band.right - band.left < 5 && band.bottom - band.top < 5 && m_pressY >= a.top && m_pressY <= a.bottom &&
      m_controlKind != 4) {
    short display = 0, selection = 0, library = 0, target = 0, exportSpt = 0;
    GetSingleClickStatus(&display, &selection, &library, &target, &exportSpt);
    if (!(display || library || target || exportSpt)) return;
    if (m_pressX < a.left || m_pressX > a.right || width <= 0) return;
    ClearClickMarker();
    int slot = GetActivePlotIndex();
    if (stacked) slot = StackedBandAt(m_pressY, nullptr, nullptr);
    if (!OverlaySlotIndex(slot)) return;
    double time = t0 + (m_pressX - a.left) * (t1 - t0) / width;
    if (o->tail.timeOffsetsOn) time -= o->tail.timeOffsets[slot];
    // A time in no segment of an MS file, or in one the trace has no data in, has no spectrum.
    const STRUCT_WORK_FILE* wf = o->slots[slot].workFile;
    if (kelt::seg::IsSegmented(wf) && kelt::seg::Count(wf) > 0 &&
        !KELT_CheckPlotInSegmentByTime(o->slots[slot].trace, time)) {
      MessageBeep(0);
      return;
    }
    const unsigned add = stacked ? static_cast<unsigned>(slot) : 0u;
    if (display) {
      m_timeClickPending = 1;
      m_timeClick = time;
      const short route = !m_pDataReview && m_controlKind != 3 ? OPLOT_ROUTE_PARENT : OPLOT_ROUTE_DEFAULT;
      PostNotification(static_cast<unsigned short>((selection ? 320 : 100) + add), route);
      return;
    }
    m_rightClickPending = 1;
    m_rightClickX = m_pressX;
    m_rightClickY = m_pressY;
    m_rightClickSlot = static_cast<int16_t>(slot);
    m_rightClickTime = time;
    m_rightClickValue = 0.0;
    const unsigned base = library ? (selection ? 340 : 180) : target ? (selection ? 360 : 200) : (selection ? 400 : 260);
    PostNotification(static_cast<unsigned short>(base + slot), OPLOT_ROUTE_PARENT);
    return;
  }

  if (clipboard) {
    const int w = band.right + 1 - band.left, h = band.bottom + 1 - band.top;
    bool done = false;
    if (w >= 24 && h >= 24) {
      HDC screen = ::GetDC(m_hWnd);
      HDC mem = screen ? CreateCompatibleDC(screen) : nullptr;
      HBITMAP bitmap = mem ? CreateCompatibleBitmap(screen, w, h) : nullptr;
      if (bitmap) {
        HGDIOBJ old = SelectObject(mem, bitmap);
        done = StretchBlt(mem, 0, 0, w, h, screen, band.left, band.top, w, h, SRCCOPY) != 0;
        SelectObject(mem, old);
        // The clipboard takes the bitmap when it holds it.
        if (done && OpenClipboard(m_hWnd)) {
          EmptyClipboard();
          done = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
          CloseClipboard();
        } else {
          done = false;
        }
        if (!done) DeleteObject(bitmap);
      }
      if (mem) DeleteDC(mem);
      if (screen) ::ReleaseDC(m_hWnd, screen);
    }
    KELT_ShowDoneStatus(done ? 1 : 0);
    return;
  }

  // Any other drag: the band inside the plot area, relative to its top left.
  int bandSlot = GetActivePlotIndex();
  int top = a.top, height = stacked ? 0 : m_Sizes.overlaidPlotHeight;
  if (stacked) bandSlot = StackedBandAt(std::clamp<int>(m_pressY, a.top, a.bottom), &top, &height);
  if (height <= 0) height = a.bottom - a.top;
  const int x1 = std::clamp<int>(band.left, a.left, a.right) - a.left;
  const int x2 = std::clamp<int>(band.right, a.left, a.right) - a.left;
  const int y1 = std::clamp<int>(band.top - top, 0, height);
  const int y2 = std::clamp<int>(band.bottom - top, 0, height);
  if ((y1 == y2 && (y1 == 0 || y1 == height)) || (x1 == x2 && (x1 == 0 || x1 == width - 1))) line = 0;

  bool scalesChanged = false;
  double lower = -1.0, upper = -1.0;
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  if ((y2 - y1 >= 5 || line) && height > 0) {
    auto valuesOf = [&](double low, double high) {
      lower = low + (height - y2) * (high - low) / height;
      upper = low + (height - y1) * (high - low) / height;
    };
    // One side of the scales: the pair, the plot whose data kind sets the least span.
    auto zoomSide = [&](double low, double high, int plot, double* outLow, double* outHigh) {
      valuesOf(low, high);
      if (line || !zoom) return;
      const STRUCT_WORK_FILE* wf = OverlaySlotIndex(plot) ? o->slots[plot].workFile : nullptr;
      if (upper - lower < MinimumSpan(wf)) return;
      double nl = lower, nh = upper;
      if (mode == OVERLAY_MODE_NORMALISED && OverlaySlotIndex(plot)) {
        double mn = 0, mx = 0;
        if (!OPLOT_GetMinAndMaxForNorm(o, static_cast<int16_t>(plot), 0, &mn, &mx)) return;
        nl = (lower + 5.0) * (mx - mn) / 110.0 + mn;
        nh = (upper + 5.0) * (mx - mn) / 110.0 + mn;
        s.plotLow[plot] = nl;
        s.plotHigh[plot] = nh;
      } else {
        *outLow = nl;
        *outHigh = nh;
      }
      scalesChanged = true;
    };
    if (stacked) {
      if (OverlaySlotIndex(bandSlot) && m_pressX <= a.right) {
        double l = s.plotLow[bandSlot], h = s.plotHigh[bandSlot];
        zoomSide(l, h, bandSlot, &l, &h);
        s.plotLow[bandSlot] = l;
        s.plotHigh[bandSlot] = h;
      }
    } else {
      double l = s.commonLow, h = s.commonHigh;
      double leftLower = -1.0, leftUpper = -1.0;
      if (m_pressX <= a.right) {
        const int plot = mode == OVERLAY_MODE_TWO_SCALES ? s.leftAxisPlot : bandSlot;
        zoomSide(l, h, mode == OVERLAY_MODE_NORMALISED ? bandSlot : plot, &l, &h);
        s.commonLow = l;
        s.commonHigh = h;
        leftLower = lower;
        leftUpper = upper;
      }
      if (mode == OVERLAY_MODE_TWO_SCALES && m_pressX >= a.left && !line) {
        double rl = s.rightLow, rh = s.rightHigh;
        zoomSide(rl, rh, s.rightAxisPlot, &rl, &rh);
        s.rightLow = rl;
        s.rightHigh = rh;
      }
      // A line result reads its values on the left pair.
      if (leftLower != -1.0 || leftUpper != -1.0) {
        lower = leftLower;
        upper = leftUpper;
      }
    }
  }

  if ((x2 - x1 >= 5 || (line && x1 != x2)) && width > 0) {
    const double perPixel = (t1 - t0) / width;
    const double start = t0 - 1e-10 + x1 * perPixel;
    const double end = t0 + 1e-10 + (x2 + 1) * perPixel;
    if (line) {
      m_lineResultSet = 1;
      m_lineStart = start;
      m_lineEnd = end;
      m_lineSlot = static_cast<int16_t>(bandSlot);
      m_lineStartValue = lower;
      m_lineEndValue = upper;
      PostNotification(6, OPLOT_ROUTE_DEFAULT);
    } else if (zoom && end - start >= 0.0005) {
      m_zoomPending = 1;
      m_zoomStart = start;
      m_zoomEnd = end;
      m_zoomPlot = static_cast<int16_t>(mode);
      PostNotification(1, OPLOT_ROUTE_DEFAULT);
    }
  }
  if (scalesChanged) {
    SaveCurrent();
    RepaintUnlessSuspended();
  }
}

void CCtlOPlot::DisplayTimeRange() {
  char text[200];
  std::snprintf(text, sizeof text, "Start Time:  %.3f minutes\n\nEnd Time:  %.3f minutes\n\nWidth:  %.1f seconds",
                m_lineStart, m_lineEnd, (m_lineEnd - m_lineStart) * 60.0);
  ::MessageBoxA(m_hWnd, text, "Time Range", MB_OK | MB_ICONINFORMATION);
  RepaintUnlessSuspended();
}

// ---- Window messages --------------------------------------------------------------------

void CCtlOPlot::OnLButtonDown(UINT, CPoint point) {
  SetFocus();
  const int x = point.x, y = point.y;
  if (!m_bSizesValid || !m_pOverlay) return;
  const SVW_OVERLAY* o = m_pOverlay;
  // The plot buttons: delete at the plot area's right edge, maximize beside it.
  auto inButton = [&](int16_t column, const int16_t* shown, int* slot) {
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      if (!shown[i] || m_Sizes.buttonY[i] == 0) continue;
      const int x0 = m_plotLeft + column, y0 = m_plotTop + m_Sizes.buttonY[i];
      if (x >= x0 && x <= x0 + m_Sizes.charWidth && y >= y0 && y <= y0 + m_Sizes.charHeight - 2) {
        *slot = i;
        return true;
      }
    }
    return false;
  };
  int slot = -1;
  if (inButton(m_Sizes.deleteButtonX, m_Sizes.deleteButtonShown, &slot)) {
    if (KELT_GetIsQUIB5()) {
      CancelMaximizePlot();
      PostNotification(static_cast<unsigned short>(140 + slot), OPLOT_ROUTE_PARENT);
    } else {
      PostNotification(static_cast<unsigned short>(140 + slot), OPLOT_ROUTE_BOTH);
    }
    return;
  }
  if (inButton(m_Sizes.maximiseButtonX, m_Sizes.maximiseButtonShown, &slot)) {
    PostNotification(static_cast<unsigned short>((o->head.maximised ? 300 : 280) + slot), OPLOT_ROUTE_DEFAULT);
    return;
  }
  if (o->head.displayMode != OVERLAY_MODE_NORMALISED && m_pLabels) {
    short onBox = 0;
    if (m_pLabels->CanUseLBDown(point, &onBox)) {
      RepaintUnlessSuspended();
      return;
    }
  }
  short move = 0;
  GetClickDragStatus(nullptr, &move, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (move) {
    // The drag moves the plot under the press; a press that converts to no time or value moves nothing.
    StartMovingPlotLine(point);
    return;
  }
  HandleMouse(WM_LBUTTONDOWN, static_cast<short>(x), static_cast<short>(y), 1);
}

void CCtlOPlot::OnMouseMove(UINT flags, CPoint point) {
  if (m_tracking) {
    HandleMouse(WM_MOUSEMOVE, static_cast<short>(point.x), static_cast<short>(point.y), 1);
    return;
  }
  if (m_pLabels && m_pLabels->CanUseMouseMove(flags, point)) RepaintUnlessSuspended();
}

void CCtlOPlot::OnLButtonUp(UINT, CPoint point) {
  if (m_moving.moving) {
    KeepMovedPlotLine();
    return;
  }
  if (m_tracking) {
    HandleMouse(WM_LBUTTONUP, static_cast<short>(point.x), static_cast<short>(point.y), 1);
    return;
  }
  if (m_pLabels && m_pLabels->CanUseLBUp(point)) RepaintUnlessSuspended();
}

void CCtlOPlot::OnChar(UINT character, UINT, UINT) {
  if (character == 27 && (m_moving.moving || m_moving.drawn)) {
    CancelMovingPlotLine();
    return;
  }
  if (character == 27 && m_tracking) {
    OnEscapeTracking(0, 0);
    return;
  }
  Default();
}

LRESULT CCtlOPlot::OnEscapeTracking(WPARAM, LPARAM) {
  // A plot being moved goes back, and an offset not yet fetched is dropped.
  if (m_moving.moving || m_moving.drawn) CancelMovingPlotLine();
  if (!m_tracking) return 0;
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(m_hWnd, &p);
  HandleMouse(WM_LBUTTONUP, static_cast<short>(p.x), static_cast<short>(p.y), 0);
  // A band whose tracker is gone ends all the same.
  if (m_tracking) {
    m_tracking = 0;
    ShowCursor(TRUE);
    if (GetCapture() == this) ReleaseCapture();
  }
  return 1;
}

void CCtlOPlot::SetClickDragMode(short mode) {
  if (mode == OPLOT_DRAG_MOVE) {
    // Moving keeps a band in progress; a drawn moving copy goes.
    CancelMovingPlotLine();
  } else {
    if (m_moving.moving || m_moving.drawn || m_offsetPending) CancelMovingPlotLine();
    if (m_tracking) OnEscapeTracking(0, 0);
  }
  m_clickDragMode = mode;
  UpdateToolTips();
}

LRESULT CCtlOPlot::OnClickDragZoomPlotMode(WPARAM, LPARAM) {
  SetClickDragMode(OPLOT_DRAG_ZOOM);
  return 0;
}
LRESULT CCtlOPlot::OnClickDragAverageSpectrumMode(WPARAM, LPARAM) {
  SetClickDragMode(OPLOT_DRAG_AVERAGE);
  return 0;
}
LRESULT CCtlOPlot::OnClickDragSignal2NoiseMode(WPARAM, LPARAM) {
  SetClickDragMode(OPLOT_DRAG_NOISE);
  return 0;
}
LRESULT CCtlOPlot::OnClickDragOffsetPlotMode(WPARAM, LPARAM) {
  SetClickDragMode(OPLOT_DRAG_MOVE);
  return 0;
}
LRESULT CCtlOPlot::OnClickDragIntegratePlot(WPARAM, LPARAM) {
  SetClickDragMode(OPLOT_DRAG_INTEGRATE);
  return 0;
}
