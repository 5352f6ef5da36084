// The texts of the information windows the editing control shows: the
// events under the resting mouse, and the position of the event dragged.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "orvik32/orvik32.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/scales.h"
#include "specialctl/event_edit_control.h"
#include "specialctl/information_windows.h"

namespace {

struct FlagText {
  uint32_t flag;
  const char* text;
};

constexpr FlagText kCodes[] = {
    {0x2, "BSTR"},        {0x4, "MAPX"},       {0x8, "TAPX"},       {0x10, "VEND"},       {0x20, "TEND"},
    {0x40, "EBTG"},       {0x80, "BEND"},      {0x100, "SLVL"},     {0x400, "SLBS"},      {0x1000, "TPND"},
    {0x2000, "SEND"},     {0x4000, "XAPX"},    {0x20000, "XSBEND"}, {0x80000, "XSMEND"},  {0x400000, "XSLVL"},
    {0x800000, "FAPX"},   {0x8000, "MBSTR"},   {0x10000, "MBEND"},  {0x1000000, "SMAPX"}, {0x2000000, "STAPX"},
    {0x4000000, "SPPT"},  {0x8000000, "HBASE"}, {0x10000000, "FBSTR"}, {0x20000000, "FBEND"},
};

constexpr FlagText kTypes[] = {
    {0x4, "Main Apex"},         {0x800000, "Main Apex"},     {0x1000000, "Main Apex"},    {0x8, "Tangent Apex"},
    {0x2000000, "Tangent Apex"}, {0x2, "Peak Start"},        {0x10000000, "Peak Start"},  {0x80, "Peak End"},
    {0x20000000, "Peak End"},   {0x10, "Valley Point"},     {0x4000000, "Valley Point"}, {0x40, "Peak End"},
    {0x20, "Peak End"},         {0x1000, "Tangent Pk. End"}, {0x2000, "Shoulder End"},   {0x100, "Valley Point"},
    {0x400, "Peak End"},        {0x8000000, "Horz. Baseline"}, {0x8000, "Peak Start"},   {0x10000, "Peak End"},
};

const char* Find(const FlagText* table, size_t n, uint32_t flags) {
  for (size_t i = 0; i < n; ++i)
    if (table[i].flag == flags) return table[i].text;
  return "";
}

// "label: value unit", the value scaled to the plot's unit; whole numbers when the unit was left alone.
void ValueLine(char* line, const char* label, double value, const char* units) {
  double v = value;
  char unit[SCALE_TEXT_SIZE] = {};
  std::snprintf(unit, sizeof unit, "%s", units ? units : "");
  KELT_AdjustUnitValues(&v, 1, unit);
  if (v == value)
    std::snprintf(line, INFO_LINE_SIZE, "%s%.0f %s", label, v, unit);
  else
    std::snprintf(line, INFO_LINE_SIZE, "%s%.3f %s", label, v, unit);
}

// The value lines of a time event's kind.
int ValueLines(const STRUCT_OPLOT_TIME_EVENT& e, const STRUCT_OPLOT_TIME_EVENT_TYPE& type, int kind,
               char lines[][INFO_LINE_SIZE], int n) {
  static const char* const kUnits[OPLOT_TIME_EVENT_TYPE_COUNT] = {"sec", "min", "min", "min",  "min", "min", "",
                                                                 "min", "min", "min", "",    "%",   "count"};
  const char* unit = kUnits[type.code];
  switch (kind) {
    case 2:
    case 3:
      std::snprintf(lines[n++], INFO_LINE_SIZE, "Value: %d %s", e.endTime, unit);
      break;
    case 4: {
      const double half = e.endTime / 2.0;
      if (half < 1.0)
        std::snprintf(lines[n++], INFO_LINE_SIZE, "Value: %.1f %s", half, unit);
      else
        std::snprintf(lines[n++], INFO_LINE_SIZE, "Value: %d %s", static_cast<int>(half), unit);
      break;
    }
    default:
      break;
  }
  return n;
}

// Value kinds by code: 0 none, 1 end time, 2 percentage, 3 number, 4 doubled seconds.
constexpr int kValueKinds[OPLOT_TIME_EVENT_TYPE_COUNT] = {4, 1, 1, 1, 1, 1, 0, 1, 1, 1, 3, 2, 3};

STRUCT_INFO_TEXT* NewText(const STRUCT_CHRO_PREFS& prefs) {
  auto* b = static_cast<STRUCT_INFO_TEXT*>(AllocBlock(sizeof(STRUCT_INFO_TEXT)));
  if (b) b->prefs = prefs;
  return b;
}

}  // namespace

int CCtlOPlot2::BuildPeakEventLines(const int16_t* events, int count, char lines[][INFO_LINE_SIZE]) const {
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!r || !m_pOverlay) return 0;
  const char* units = m_pOverlay->slots[m_editSlot].units;
  int n = 0;
  for (int k = 0; k < count && n + 4 <= INFO_LINES; ++k) {
    if (events[k] < 0 || events[k] >= r->eventCount) continue;
    const STRUCT_OPLOT_PEAK_EVENT& e = r->events[events[k]];
    std::snprintf(lines[n++], INFO_LINE_SIZE, "Time: %.3f min", e.time);
    ValueLine(lines[n++], "Ampli: ", e.value, units);
    std::snprintf(lines[n++], INFO_LINE_SIZE, "Type: %s", Find(kTypes, std::size(kTypes), e.code));
    std::snprintf(lines[n++], INFO_LINE_SIZE, "Code: %s", Find(kCodes, std::size(kCodes), e.code));
  }
  return n;
}

int CCtlOPlot2::BuildTimeEventLines(const STRUCT_OPLOT_TIME_EVENT& e, int dragPart, char lines[][INFO_LINE_SIZE]) const {
  if (e.type < 0 || e.type >= OPLOT_TIME_EVENT_TYPE_COUNT) return 0;
  const STRUCT_OPLOT_TIME_EVENT_TYPE& type = OPLOT_TIME_EVENT_TYPES[e.type];
  const int kind = kValueKinds[e.type];
  int n = 0;
  // dragPart: -1 hovering, 0 start, 1 end, 2 line.
  if (dragPart < 0)
    std::snprintf(lines[n++], INFO_LINE_SIZE, "Time: %.3f min", e.time / 10000.0);
  else if (dragPart == 1)
    std::snprintf(lines[n++], INFO_LINE_SIZE, "  Time: %.3f min", e.time / 10000.0);
  else
    std::snprintf(lines[n++], INFO_LINE_SIZE, "  x= %.3f min", e.time / 10000.0);
  std::snprintf(lines[n++], INFO_LINE_SIZE, "%s", type.description);
  if (kind == 1) {
    if (dragPart == 1 || dragPart == 2)
      std::snprintf(lines[n++], INFO_LINE_SIZE, "  x= %.3f min", e.endTime / 10000.0);
    else
      std::snprintf(lines[n++], INFO_LINE_SIZE, "End Time: %.3f min", e.endTime / 10000.0);
  } else {
    n = ValueLines(e, type, kind, lines, n);
  }
  return n;
}

void CCtlOPlot2::DestroyPopups() {
  if (m_eventPopup && ::IsWindow(m_eventPopup)) ::DestroyWindow(m_eventPopup);
  if (m_movingPopup && ::IsWindow(m_movingPopup)) ::DestroyWindow(m_movingPopup);
  m_eventPopup = m_movingPopup = nullptr;
  m_popupIsInformation = 0;
}

void CCtlOPlot2::ShowHover(CPoint point) {
  POINT screen{point.x, point.y};
  ::ClientToScreen(m_hWnd, &screen);
  if (m_eventPopup) {
    if (std::abs(screen.x - m_popupAnchor.x) <= m_hitX && std::abs(screen.y - m_popupAnchor.y) <= m_hitY) return;
    ::DestroyWindow(m_eventPopup);
    m_eventPopup = nullptr;
    m_popupIsInformation = 0;
  }
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!r || !m_pOverlay) return;
  STRUCT_INFO_TEXT text{};
  bool information = true;
  RECT strip{}, area{};
  if (m_editMode >= 2 && TimeStripRect(&strip) && point.x >= strip.left && point.x <= strip.right &&
      point.y >= strip.top && point.y <= strip.bottom) {
    int part = 0;
    const int i = TimeEventAt(point.x, point.y, &part);
    if (i < 0) return;
    text.lineCount = static_cast<uint16_t>(BuildTimeEventLines(m_timeEvents[i], -1, text.lines));
  } else if (ChromatogramRect(&area) || PeakStripRect(&strip)) {
    int16_t found[4];
    int count = 0;
    const int px = point.x - m_plotLeft, py = point.y - m_plotTop;
    const double rs = m_pOverlay->tail.viewStart, re = m_pOverlay->tail.viewEnd;
    const bool inPlot = ChromatogramRect(&area) && point.x >= area.left && point.x <= area.right &&
                        point.y >= area.top && point.y <= area.bottom;
    for (int i = 0; inPlot && r->events && i < r->eventCount && count < 4; ++i) {
      const STRUCT_OPLOT_PEAK_EVENT& e = r->events[i];
      if (e.hidden || !(e.time > rs && e.time < re)) continue;
      int32_t x = 0, y = 0;
      if (!OPLOT_GetXPixelFromTime(e.time, m_pOverlay, &m_Sizes, 0, &x) ||
          !OPLOT_GetYPixelFromValue(e.value, m_editSlot, m_pOverlay, &m_Sizes, 0, &y))
        continue;
      if (std::abs(px - x) <= m_hitX && std::abs(py - y) <= m_hitY) found[count++] = static_cast<int16_t>(i);
    }
    if (PeakStripRect(&strip) && point.y >= strip.top && point.y <= strip.bottom) {
      for (int i = 0; r->events && i < r->eventCount && count < 4; ++i) {
        const STRUCT_OPLOT_PEAK_EVENT& e = r->events[i];
        int32_t x = 0;
        if (e.hidden || e.code != OP2_EVENT_VALLEY || !OPLOT_GetXPixelFromTime(e.time, m_pOverlay, &m_Sizes, 0, &x))
          continue;
        if (std::abs(point.x - (x + m_plotLeft)) <= m_hitX) found[count++] = static_cast<int16_t>(i);
      }
    }
    if (count == 0) return;
    for (int k = 0; k < count; ++k) {
      for (int b = 0; r->baselines && b < r->baselineCount; ++b)
        if (r->baselines[b].startEvent == found[k] || r->baselines[b].endEvent == found[k]) information = false;
      for (int v = 0; r->valleys && v < r->valleyCount; ++v)
        if (r->valleys[v].event == found[k]) information = false;
    }
    text.lineCount = static_cast<uint16_t>(BuildPeakEventLines(found, count, text.lines));
  } else {
    return;
  }
  if (text.lineCount == 0) return;
  m_popupAnchor = screen;
  m_popupIsInformation = information ? 1 : 0;
  if (!m_popupsEnabled) return;
  STRUCT_INFO_TEXT* block = NewText(m_prefs);
  if (!block) return;
  std::memcpy(block->lines, text.lines, sizeof block->lines);
  block->lineCount = text.lineCount;
  m_eventPopup = ::CreateWindowExA(WS_EX_STATICEDGE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "KELT_EventInfo", "",
                                   WS_POPUP, screen.x + 6, screen.y + 6, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!m_eventPopup) {
    FreeBlock(block);
    return;
  }
  ::SetWindowLongPtrA(m_eventPopup, 0, reinterpret_cast<LONG_PTR>(block));
  ::SendMessageA(m_eventPopup, INFO_SETTEXT, 0, 0);
  ::ShowWindow(m_eventPopup, SW_SHOWNOACTIVATE);
}

void CCtlOPlot2::OpenMovingPopup(CPoint point) {
  RECT area{};
  if (!ChromatogramRect(&area)) return;
  int w = 100, h = 100;
  if (HDC dc = ::GetDC(m_hWnd)) {
    HFONT font = CreateFontIndirectA(&m_prefs.ctrlFont);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE s{};
    GetTextExtentPoint32A(dc, "MMMMMMMMMMMMMM", 14, &s);
    w = s.cx;
    h = 4 * s.cy + 4;
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
    ::ReleaseDC(m_hWnd, dc);
  }
  const bool leftHalf = point.x - area.left <= (area.right + 1 - area.left) / 2;
  POINT at{leftHalf ? area.right - w : area.left, area.bottom - h};
  ::ClientToScreen(m_hWnd, &at);
  m_movingPopup = ::CreateWindowExA(WS_EX_STATICEDGE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "KELT_MoveInfo", "",
                                    WS_POPUP, at.x, at.y, w, h, nullptr, nullptr, nullptr, nullptr);
  if (!m_movingPopup) return;
  ::ShowWindow(m_movingPopup, SW_SHOWNOACTIVATE);
  RefreshMovingPopup();
}

void CCtlOPlot2::RefreshMovingPopup() {
  if (!m_movingPopup) return;
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  STRUCT_INFO_TEXT* block = NewText(m_prefs);
  if (!block || !r) {
    if (block) FreeBlock(block);
    return;
  }
  int n = 0;
  auto eventLines = [&](int16_t event, double t, double v) {
    std::snprintf(block->lines[n++], INFO_LINE_SIZE, "  x= %.3f min", t);
    ValueLine(block->lines[n++], "  y= ", v, m_pOverlay->slots[m_editSlot].units);
    const uint32_t code = event >= 0 && event < r->eventCount ? r->events[event].code : 0;
    std::snprintf(block->lines[n++], INFO_LINE_SIZE, "Type: %s", Find(kTypes, std::size(kTypes), code));
    std::snprintf(block->lines[n++], INFO_LINE_SIZE, "Code: %s", Find(kCodes, std::size(kCodes), code));
  };
  if (m_drag == Op2Drag::Valley && m_dragIndex >= 0 && m_dragIndex < r->valleyCount) {
    const STRUCT_OPLOT_VALLEY& v = r->valleys[m_dragIndex];
    eventLines(v.event, v.time, v.value);
  } else if ((m_drag == Op2Drag::PeakStart || m_drag == Op2Drag::PeakEnd) && m_dragIndex >= 0 &&
             m_dragIndex < r->baselineCount) {
    const STRUCT_OPLOT_BASELINE& b = r->baselines[m_dragIndex];
    if (m_drag == Op2Drag::PeakStart)
      eventLines(b.startEvent, b.startTime, b.startValue);
    else
      eventLines(b.endEvent, b.endTime, b.endValue);
  } else if (m_dragIndex >= 0 && m_dragIndex < m_timeEventCount) {
    const int part = m_drag == Op2Drag::TimeStart ? 0 : m_drag == Op2Drag::TimeEnd ? 1 : 2;
    n = BuildTimeEventLines(m_timeEvents[m_dragIndex], part, block->lines);
  }
  block->lineCount = static_cast<uint16_t>(n);
  ::SendMessageA(m_movingPopup, INFO_SETTEXT, 0, reinterpret_cast<LPARAM>(block));
}
