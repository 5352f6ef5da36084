// Editing the integration events with the mouse: hit tests, drags of
// valleys, peak starts and ends and time events, the context menu and its
// commands. Nothing is written to the data file here.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/library_classes.h"
#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "plotengine/peak_event_drawing.h"
#include "plotengine/plot_coordinates.h"
#include "specialctl/event_edit_control.h"
#include "win/win_resources.h"

namespace {

// Add items: text and the new event's value (-1: its end time).
struct AddItem {
  const char* text;
  int32_t value;
};
constexpr AddItem kAddItems[OPLOT_TIME_EVENT_TYPE_COUNT] = {
    {"WI: Add Width", 4},
    {"II: Add Integration Inhibit", -1},
    {"SR: Add Solvent Reject", -1},
    {"GR: Add Group Peak", -1},
    {"VB: Add Valley Baseline", -1},
    {"FP: Add Forced Peak", -1},
    {"SP: Add Split Peak", 0},
    {"HF: Add Horizontal Forwards", -1},
    {"HB: Add Horizontal Backwards", -1},
    {"HM: Add Horizontal Minimum", -1},
    {"SN: Add Signal to Noise Ratio", 5},
    {"TP: Add Tangent Percent", 10},
    {"PR: Add Peak Reject", 1000},
};

bool HasEnd(int16_t code) {
  return code >= 0 && code < OPLOT_TIME_EVENT_TYPE_COUNT && OPLOT_TIME_EVENT_TYPES[code].range != 0;
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; }

// A copy of a common block grown by one element; the old block is freed.
template <class T>
T* GrowByOne(T* block, int count) {
  auto* grown = static_cast<T*>(AllocBlock(static_cast<uint32_t>(sizeof(T) * (count + 1))));
  if (!grown) return nullptr;
  if (block && count > 0) std::memcpy(static_cast<void*>(grown), block, sizeof(T) * count);
  if (block) FreeBlock(block);
  return grown;
}

void SetNamedCursor(const char* name) {
  const HMODULE module = kelt::lib::ModuleHandle();
  HCURSOR cursor = LoadCursorA(module, name);
  if (!cursor) {
    win::resources::AddCursor(module, name);
    cursor = LoadCursorA(module, name);
  }
  SetCursor(cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW));
}

// An event that the data file or an edit put away from where integration put it.
bool Displaced(const STRUCT_OPLOT_PEAK_EVENT& e) {
  if (e.moved) return true;
  if (e.originalRawTime == 0 && e.originalValue == 0.0f) return false;
  return e.originalRawTime != e.rawTime || e.originalValue != e.value;
}

}  // namespace

// ---- Geometry ---------------------------------------------------------------------------------------

bool CCtlOPlot2::CanEdit() const {
  return m_hasData && m_pOverlay && m_bSizesValid && m_editMode != 0 && SlotEvents(m_editSlot) &&
         m_clickDragMode != 4 && GetKeyState('I') >= 0;
}

bool CCtlOPlot2::ChromatogramRect(RECT* r) const {
  int32_t l = 0, b = 0, rt = 0, t = 0;
  if (!m_pOverlay || !m_bSizesValid ||
      !OPLOT_GetWinChromatogramArea(m_pOverlay, &m_Sizes, m_editSlot, m_plotLeft, m_plotTop, &l, &b, &rt, &t))
    return false;
  *r = {l, t, rt, b};
  return true;
}

bool CCtlOPlot2::PeakStripRect(RECT* r) const {
  const STRUCT_OPLOT_DRAW_EVENTS* e = SlotEvents(m_editSlot);
  int32_t l = 0, b = 0, rt = 0, t = 0;
  if (!e || !m_pOverlay || !m_bSizesValid || !e->showPeakStrip ||
      !OPLOT_GetWinPeakEventsArea(&m_Sizes, m_pOverlay->head.displayMode, m_plotLeft, m_plotTop, e->showPeakStrip,
                                  e->showTimeStrip, &l, &b, &rt, &t))
    return false;
  *r = {l, t, rt, b};
  return true;
}

bool CCtlOPlot2::TimeStripRect(RECT* r) const {
  const STRUCT_OPLOT_DRAW_EVENTS* e = SlotEvents(m_editSlot);
  int32_t l = 0, b = 0, rt = 0, t = 0;
  if (!e || !m_pOverlay || !m_bSizesValid || !e->showTimeStrip ||
      !OPLOT_GetWinTimeEventsArea(&m_Sizes, m_pOverlay->head.displayMode, m_pOverlay, m_editSlot, m_plotLeft,
                                  m_plotTop, e->showPeakStrip, e->showTimeStrip, &l, &b, &rt, &t))
    return false;
  *r = {l, t, rt, b};
  return true;
}

bool CCtlOPlot2::TimeAtX(int x, double* t) const {
  if (!m_pOverlay || !m_bSizesValid || !(m_Sizes.xFactor > 0) || !std::isfinite(m_Sizes.xFactor)) return false;
  const int left = m_plotLeft + m_Sizes.params.left + m_Sizes.leftScaleWidth;
  *t = (x - left) / m_Sizes.xFactor + m_pOverlay->tail.viewStart;
  return std::isfinite(*t);
}

int CCtlOPlot2::ValleyInStripAt(int x) const {
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!r || !r->valleys) return -1;
  for (int v = 0; v < r->valleyCount; ++v) {
    const STRUCT_OPLOT_VALLEY& val = r->valleys[v];
    if (val.event < 0 || val.event >= r->eventCount || r->events[val.event].hidden) continue;
    int32_t vx = 0;
    if (!OPLOT_GetXPixelFromTime(val.time, m_pOverlay, &m_Sizes, 0, &vx)) continue;
    if (std::abs(x - (vx + m_plotLeft)) <= m_hitX) return v;
  }
  return -1;
}

int CCtlOPlot2::ValleyInPlotAt(int x, int y) const {
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!r || !r->valleys) return -1;
  const int px = x - m_plotLeft, py = y - m_plotTop;
  for (int v = 0; v < r->valleyCount; ++v) {
    const STRUCT_OPLOT_EVENT_HANDLE& h = r->valleys[v].handle;
    if (h.drawn && std::abs(px - h.x) <= m_hitX && std::abs(py - h.y) <= m_hitY) return v;
  }
  return -1;
}

int CCtlOPlot2::BaselineMarkAt(int x, int y, bool* end) const {
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!r || !r->baselines) return -1;
  const int px = x - m_plotLeft, py = y - m_plotTop;
  for (int b = 0; b < r->baselineCount; ++b) {
    const STRUCT_OPLOT_BASELINE& bl = r->baselines[b];
    if (bl.startHandle.drawn && std::abs(px - bl.startHandle.x) <= m_hitX && std::abs(py - bl.startHandle.y) <= m_hitY) {
      *end = false;
      return b;
    }
    if (bl.endHandle.drawn && std::abs(px - bl.endHandle.x) <= m_hitX && std::abs(py - bl.endHandle.y) <= m_hitY) {
      *end = true;
      return b;
    }
  }
  return -1;
}

int CCtlOPlot2::TimeEventAt(int x, int y, int* part) const {
  for (int i = 0; m_timeEvents && i < m_timeEventCount; ++i) {
    const STRUCT_OPLOT_TIME_EVENT& e = m_timeEvents[i];
    if (e.hidden) continue;
    if (e.startMark.drawn && std::abs(x - e.startMark.x) <= m_hitX && y >= e.startMark.y &&
        y <= e.startMark.y + 2 * m_hitY) {
      *part = 0;
      return i;
    }
    if (e.endMark.drawn && std::abs(x - e.endMark.x) <= m_hitX && y >= e.endMark.y - 2 * m_hitY &&
        y <= e.endMark.y) {
      *part = 1;
      return i;
    }
    if (e.rangeMark.drawn && x >= e.rangeMark.x1 && x <= e.rangeMark.x2 && std::abs(y - e.rangeMark.y) <= m_hitY) {
      *part = 2;
      return i;
    }
  }
  return -1;
}

int CCtlOPlot2::ApexAt(int x, int y) const {
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!r || !r->peaks) return -1;
  const int px = x - m_plotLeft, py = y - m_plotTop;
  for (int k = 0; k < r->peakCount; ++k) {
    const STRUCT_OPLOT_PEAK_MARK& p = r->peaks[k];
    if (p.drawn && std::abs(px - p.x) <= m_hitX && std::abs(py - p.y) <= 2 * m_hitY) return k;
  }
  return -1;
}

// ---- Drags ---------------------------------------------------------------------------------------------

void CCtlOPlot2::OnLButtonDown(UINT flags, CPoint point) {
  if (!CanEdit() || m_dragging) {
    CCtlOPlot1::OnLButtonDown(flags, point);
    return;
  }
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  m_drag = Op2Drag::None;
  m_dragIndex = -1;
  RECT strip{};
  if ((m_editMode == 1 || m_editMode == 2) && r->hasEvents && PeakStripRect(&strip) && point.y >= strip.top &&
      point.y <= strip.bottom) {
    const int v = ValleyInStripAt(point.x);
    if (v >= 0) StartDrag(Op2Drag::Valley, static_cast<int16_t>(v), point);
    return;
  }
  if (m_editMode >= 2 && TimeStripRect(&strip) && Inside(strip, point.x, point.y)) {
    int part = 0;
    const int i = TimeEventAt(point.x, point.y, &part);
    if (i >= 0)
      StartDrag(part == 0 ? Op2Drag::TimeStart : part == 1 ? Op2Drag::TimeEnd : Op2Drag::TimeLine,
                static_cast<int16_t>(i), point);
    return;
  }
  if (m_editMode <= 3 && r->hasEvents) {
    bool end = false;
    const int b = BaselineMarkAt(point.x, point.y, &end);
    if (b >= 0) {
      StartDrag(end ? Op2Drag::PeakEnd : Op2Drag::PeakStart, static_cast<int16_t>(b), point);
      return;
    }
    const int v = ValleyInPlotAt(point.x, point.y);
    if (v >= 0) {
      StartDrag(Op2Drag::Valley, static_cast<int16_t>(v), point);
      return;
    }
  }
  CCtlOPlot1::OnLButtonDown(flags, point);
}

void CCtlOPlot2::StartDrag(Op2Drag kind, int16_t index, CPoint point) {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  m_dragging = 1;
  m_drag = kind;
  m_dragIndex = index;
  m_dragX = point.x;
  m_dragY = point.y;
  DestroyPopups();
  if (kind == Op2Drag::PeakStart || kind == Op2Drag::PeakEnd || kind == Op2Drag::Valley)
    OPLOT_SetTimeRangeForPoints(r->events, r->eventCount, r->baselines, r->baselineCount, r->valleys, r->valleyCount,
                                m_pOverlay->slots[m_editSlot].trace);
  SetCapture();
  if (m_popupsEnabled) OpenMovingPopup(point);
}

void CCtlOPlot2::DragTo(CPoint point) {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  RECT area{};
  if (!r || !ChromatogramRect(&area) || point.x == m_dragX) return;
  const int x = std::clamp<int>(point.x, area.left, area.right);
  double t = 0;
  if (!TimeAtX(x, &t)) return;
  auto valueAt = [&](double time, double* v) {
    double at = 0;
    return OPLOT_GetInterpolatedValueFromTime(m_pOverlay, m_editSlot, time, &at, v) != 0;
  };
  double v = 0;
  switch (m_drag) {
    case Op2Drag::Valley: {
      if (m_dragIndex < 0 || m_dragIndex >= r->valleyCount) return;
      STRUCT_OPLOT_VALLEY& val = r->valleys[m_dragIndex];
      const double low = val.handle.minTime, high = val.handle.maxTime;
      t = std::clamp(t, low, std::max(low, high));
      if (!valueAt(t, &v)) return;
      val.time = t;
      val.value = v;
      val.handle.moved = 1;
      break;
    }
    case Op2Drag::PeakStart:
    case Op2Drag::PeakEnd: {
      if (m_dragIndex < 0 || m_dragIndex >= r->baselineCount) return;
      STRUCT_OPLOT_BASELINE& bl = r->baselines[m_dragIndex];
      STRUCT_OPLOT_EVENT_HANDLE& h = m_drag == Op2Drag::PeakStart ? bl.startHandle : bl.endHandle;
      const double low = h.minTime, high = h.maxTime;
      t = std::clamp(t, low, std::max(low, high));
      if (!valueAt(t, &v)) return;
      (m_drag == Op2Drag::PeakStart ? bl.startTime : bl.endTime) = t;
      (m_drag == Op2Drag::PeakStart ? bl.startValue : bl.endValue) = v;
      h.moved = 1;
      break;
    }
    default: {
      RECT strip{};
      if (m_dragIndex < 0 || m_dragIndex >= m_timeEventCount || !TimeStripRect(&strip)) return;
      STRUCT_OPLOT_TIME_EVENT& e = m_timeEvents[m_dragIndex];
      if (e.type < 0 || e.type >= OPLOT_TIME_EVENT_TYPE_COUNT) return;
      const int margin = std::max<int>(1, m_charWidth / 2);
      if (!(point.x > strip.left + margin && point.x < strip.right - margin)) return;
      TimeEventMoved(e) = 1;
      if (m_drag == Op2Drag::TimeStart) {
        e.time = TimeEventUnits(t);
      } else if (m_drag == Op2Drag::TimeEnd) {
        if (HasEnd(e.type)) e.endTime = TimeEventUnits(t);
      } else {
        double before = 0;
        if (!TimeAtX(std::clamp<int>(m_dragX, area.left, area.right), &before)) return;
        const int32_t d = static_cast<int32_t>(std::lround((before - t) * 10000.0));
        e.time -= d;
        if (HasEnd(e.type)) e.endTime -= d;
      }
      break;
    }
  }
  m_dragX = point.x;
  m_dragY = point.y;
  RefreshMovingPopup();
  RepaintIfAllowed2();
}

void CCtlOPlot2::FinishDrag() {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  m_dragging = 0;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  if (m_movingPopup) ::DestroyWindow(m_movingPopup);
  m_movingPopup = nullptr;
  const Op2Drag kind = m_drag;
  m_drag = Op2Drag::None;
  if (kind == Op2Drag::TimeStart || kind == Op2Drag::TimeEnd || kind == Op2Drag::TimeLine) {
    if (m_dragIndex >= 0 && m_dragIndex < m_timeEventCount) {
      STRUCT_OPLOT_TIME_EVENT& e = m_timeEvents[m_dragIndex];
      if (HasEnd(e.type) && e.endTime < e.time) {
        const int32_t start = e.endTime;
        e.endTime = e.time;
        e.time = start;
      }
    }
    Notify(OP2N_TIMEEVENTSCHANGED);
    TE_StartWaitingMode();
  } else if (r && kind != Op2Drag::None) {
    int16_t event = -1;
    double t = 0, v = 0;
    if (kind == Op2Drag::Valley && m_dragIndex >= 0 && m_dragIndex < r->valleyCount) {
      event = r->valleys[m_dragIndex].event;
      t = r->valleys[m_dragIndex].time;
      v = r->valleys[m_dragIndex].value;
    } else if (m_dragIndex >= 0 && m_dragIndex < r->baselineCount) {
      const STRUCT_OPLOT_BASELINE& bl = r->baselines[m_dragIndex];
      event = kind == Op2Drag::PeakStart ? bl.startEvent : bl.endEvent;
      t = kind == Op2Drag::PeakStart ? bl.startTime : bl.endTime;
      v = kind == Op2Drag::PeakStart ? bl.startValue : bl.endValue;
    }
    if (event >= 0 && event < r->eventCount) {
      STRUCT_OPLOT_PEAK_EVENT& e = r->events[event];
      e.time = t;
      e.value = static_cast<float>(v);
      e.rawTime = DHMinutesToRaw(t);
      e.moved = 1;
      Notify(OP2N_PEAKEVENTSCHANGED);
    }
  }
  RepaintIfAllowed2();
}

void CCtlOPlot2::OnMouseMove(UINT flags, CPoint point) {
  if (m_dragging) {
    if (!(flags & MK_LBUTTON)) {
      if (m_hasData && m_editMode != 0) FinishDrag();
      return;
    }
    DragTo(point);
    return;
  }
  if (m_tracking && m_eventPopup) {
    ::DestroyWindow(m_eventPopup);
    m_eventPopup = nullptr;
  }
  if (m_editMode != 0 && !m_tracking && CanEdit()) {
    ShowHover(point);
    if (m_eventPopup) return;
  }
  CCtlOPlot1::OnMouseMove(flags, point);
}

void CCtlOPlot2::OnLButtonUp(UINT flags, CPoint point) {
  if (!(m_hasData && m_editMode != 0 && m_dragging)) {
    CCtlOPlot1::OnLButtonUp(flags, point);
    return;
  }
  DragTo(point);
  FinishDrag();
}

void CCtlOPlot2::OnLButtonDblClk(UINT flags, CPoint point) {
  RECT strip{};
  if ((PeakStripRect(&strip) && point.y >= strip.top) || (TimeStripRect(&strip) && point.y >= strip.top)) return;
  CCtlOPlot::OnLButtonDblClk(flags, point);
}

BOOL CCtlOPlot2::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (CanEdit()) {
    if (m_dragging) {
      SetNamedCursor("HOLD_CURSOR");
      return TRUE;
    }
    POINT p{};
    ::GetCursorPos(&p);
    ::ScreenToClient(m_hWnd, &p);
    if (m_eventPopup && m_popupIsInformation) {
      SetNamedCursor("INFO_CURSOR");
      return TRUE;
    }
    RECT strip{};
    const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
    if ((m_editMode == 1 || m_editMode == 2) && PeakStripRect(&strip) && Inside(strip, p.x, p.y) &&
        ValleyInStripAt(p.x) >= 0) {
      SetNamedCursor("BOTTOM");
      return TRUE;
    }
    if (m_editMode >= 2 && TimeStripRect(&strip) && Inside(strip, p.x, p.y)) {
      int part = 0;
      if (TimeEventAt(p.x, p.y, &part) >= 0)
        SetNamedCursor(part == 2 ? "MOVE_CURSOR" : "BOTTOM");
      else
        ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
      return TRUE;
    }
    bool end = false;
    if (m_editMode <= 3 && r->hasEvents &&
        (BaselineMarkAt(p.x, p.y, &end) >= 0 || ValleyInPlotAt(p.x, p.y) >= 0)) {
      SetNamedCursor("MOVE_CURSOR");
      return TRUE;
    }
  }
  return CCtlOPlot1::OnSetCursor(wnd, hitTest, message);
}

// ---- Context menu ----------------------------------------------------------------------------------

void CCtlOPlot2::OnRButtonDown(UINT flags, CPoint point) {
  delete m_pEventMenu;
  m_pEventMenu = nullptr;
  m_menuX = m_menuY = -1;
  m_menuValleyEvent = m_menuTimeEvent = m_menuRestoreBaseline = m_menuRestoreValley = -1;
  m_menuPeak = -1;
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!(m_hasData && m_pOverlay && m_bSizesValid && m_editMode >= 1 && m_editMode <= 4 && r)) {
    CCtlOPlot::OnRButtonDown(flags, point);
    return;
  }
  auto menu = std::make_unique<CMenu>();
  if (!menu->CreatePopupMenu()) return;
  bool built = false;
  RECT area{};
  if (m_editMode <= 3 && ChromatogramRect(&area) && Inside(area, point.x, point.y)) {
    // 1. Restoring a moved start, end or valley.
    const int px = point.x - m_plotLeft, py = point.y - m_plotTop;
    for (int b = 0; r->baselines && b < r->baselineCount && !built; ++b) {
      const STRUCT_OPLOT_BASELINE& bl = r->baselines[b];
      for (int end = 0; end < 2 && !built; ++end) {
        const STRUCT_OPLOT_EVENT_HANDLE& h = end ? bl.endHandle : bl.startHandle;
        const int16_t ev = end ? bl.endEvent : bl.startEvent;
        if (!h.drawn || std::abs(px - h.x) > m_hitX || std::abs(py - h.y) > m_hitY) continue;
        if (!(h.moved || (ev >= 0 && ev < r->eventCount && Displaced(r->events[ev])))) continue;
        m_menuRestoreBaseline = static_cast<int16_t>(b);
        m_menuRestoreEnd = static_cast<int16_t>(end);
        menu->AppendMenu(MF_STRING, OP2_CMD_RESTORE, end ? "Restore End Event" : "Restore Start Event");
        built = true;
      }
    }
    for (int v = 0; r->valleys && v < r->valleyCount && !built; ++v) {
      const STRUCT_OPLOT_VALLEY& val = r->valleys[v];
      if (!val.handle.drawn || std::abs(px - val.handle.x) > m_hitX || std::abs(py - val.handle.y) > m_hitY) continue;
      if (!(val.handle.moved || (val.event >= 0 && val.event < r->eventCount && Displaced(r->events[val.event]))))
        continue;
      m_menuRestoreValley = static_cast<int16_t>(v);
      menu->AppendMenu(MF_STRING, OP2_CMD_RESTORE, "Restore Valley");
      built = true;
    }
    // 2 and 3. The peak used for quantitation; the host's peak mark names the method's peak.
    const int apex = built ? -1 : ApexAt(point.x, point.y);
    if (apex >= 0) {
      const bool methodPeak = m_peakMarkValid && m_peakMark.mode == 0 && m_peakMark.foundIndex == apex;
      const double apexTime = r->peaks[apex].apexTime;
      const bool manualHere = m_manualPeak && std::fabs(apexTime - m_manualPeakTime) < 0.1;
      if (!m_peakSelectionOn && m_manualPeak && methodPeak) {
        if (manualHere) menu->AppendMenu(MF_STRING, OP2_CMD_RESTORE_METHOD, "Restore Method Integration.");
        built = true;
      } else if (m_peakSelectionOn) {
        const float threshold = m_peakSelection.selector ? m_peakSelection.thresholdA : m_peakSelection.thresholdB;
        if (methodPeak || r->peaks[apex].apexValue >= threshold) {
          m_menuPeak = static_cast<int16_t>(apex);
          if (methodPeak) {
            if (manualHere)
              menu->AppendMenu(MF_STRING, OP2_CMD_RESTORE_METHOD, "Restore Method Integration.");
            else if (m_peakSelected || m_peakRejected)
              menu->AppendMenu(MF_STRING, OP2_CMD_USE_ORIGINAL_PEAK, "Use Original Peak for Quantitation.");
            else
              menu->AppendMenu(MF_STRING, OP2_CMD_REJECT_PEAK, "Reject Peak for Quantitation");
          } else if (m_peakSelected && m_selectedPeak == apex) {
            menu->AppendMenu(MF_STRING, OP2_CMD_USE_ORIGINAL_PEAK, "Use Original Peak for Quantitation.");
          } else {
            menu->AppendMenu(MF_STRING, OP2_CMD_SELECT_PEAK, "Select Peak for Quantitation.");
          }
          built = true;
        }
      }
    }
  }
  if (!built) {
    // 4. Editing.
    RECT strip{};
    if ((m_editMode == 1 || m_editMode == 2) && PeakStripRect(&strip) && Inside(strip, point.x, point.y)) {
      menu->AppendMenu(MF_STRING, OP2_CMD_ADD_VALLEY, "Add Valley");
      const int v = r->hasEvents ? ValleyInStripAt(point.x) : -1;
      if (v >= 0) {
        m_menuValleyEvent = r->valleys[v].event;
        menu->AppendMenu(MF_STRING, OP2_CMD_DELETE_VALLEY, "Delete Valley");
      }
      built = true;
    } else if (m_editMode >= 2 && m_timeEventFile[0] && TimeStripRect(&strip) && Inside(strip, point.x, point.y)) {
      int part = 0;
      const int i = TimeEventAt(point.x, point.y, &part);
      if (i >= 0) {
        m_menuTimeEvent = static_cast<int16_t>(i);
        menu->AppendMenu(MF_STRING, OP2_CMD_EDIT_TIME_EVENT, "Edit Time Event");
        menu->AppendMenu(MF_STRING, OP2_CMD_DELETE_TIME_EVENT, "Delete Time Event");
      } else {
        for (int k = 0; k < OPLOT_TIME_EVENT_TYPE_COUNT; ++k)
          menu->AppendMenu(MF_STRING, OP2_CMD_ADD_TIME_EVENT0 + k, kAddItems[k].text);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, OP2_CMD_EDIT_TIME_EVENT, "Edit Time Events");
      }
      built = true;
    }
    if (built) {
      m_menuX = point.x;
      m_menuY = point.y;
    }
  }
  if (!built) {
    CCtlOPlot::OnRButtonDown(flags, point);
    return;
  }
  m_pEventMenu = menu.release();
  POINT screen{point.x, point.y};
  ::ClientToScreen(m_hWnd, &screen);
  m_pEventMenu->TrackPopupMenu(TPM_RIGHTBUTTON, screen.x, screen.y, this);
}

BOOL CCtlOPlot2::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (lParam != 0 || HIWORD(wParam) != 0 || id < OP2_CMD_ADD_VALLEY || id > OP2_CMD_RESTORE_METHOD)
    return CCtlOPlot1::OnCommand(wParam, lParam);
  if (!m_pOverlay) return TRUE;
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  switch (id) {
    case OP2_CMD_ADD_VALLEY:
      AddValley();
      break;
    case OP2_CMD_DELETE_VALLEY:
      DeleteValley();
      break;
    case OP2_CMD_EDIT_TIME_EVENT:
      Notify(OP2N_EDITTIMEEVENTS);
      break;
    case OP2_CMD_DELETE_TIME_EVENT:
      DeleteTimeEvent();
      break;
    case OP2_CMD_RESTORE:
      RestoreEvent();
      break;
    case OP2_CMD_SELECT_PEAK:
      if (r && m_menuPeak >= 0 && m_menuPeak < r->peakCount) {
        m_peakSelected = 1;
        m_selectedPeak = m_menuPeak;
        m_selectedPeakTime = r->peaks[m_menuPeak].apexTime;
        m_peakRejected = 0;
        Notify(OP2N_SELECTPEAK);
      }
      break;
    case OP2_CMD_USE_ORIGINAL_PEAK:
      m_peakSelected = 0;
      m_peakRejected = 0;
      Notify(OP2N_USEORIGINALPEAK);
      break;
    case OP2_CMD_REJECT_PEAK:
      m_peakRejected = 1;
      m_peakSelected = 0;
      Notify(OP2N_REJECTPEAK);
      break;
    case OP2_CMD_RESTORE_METHOD:
      // Back to the method's own integration: neither another peak nor a rejection.
      m_peakRejected = 0;
      m_peakSelected = 0;
      Notify(OP2N_RESTOREMETHODINTEGRATION);
      break;
    default:
      AddTimeEvent(static_cast<int16_t>(id - OP2_CMD_ADD_TIME_EVENT0));
      break;
  }
  RepaintIfAllowed2();
  return TRUE;
}

// ---- Commands ---------------------------------------------------------------------------------------

void CCtlOPlot2::AddValley() {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  double t = 0, at = 0, value = 0;
  if (!r || !m_pOverlay->slots[m_editSlot].trace || !TimeAtX(m_menuX, &t)) return;
  int b = -1;
  for (int k = 0; r->baselines && k < r->baselineCount && b < 0; ++k)
    if (r->baselines[k].startTime <= t && t <= r->baselines[k].endTime) b = k;
  if (b < 0 || r->eventCount >= INT16_MAX - 1 || r->valleyCount >= INT16_MAX - 1) return;
  if (!OPLOT_GetInterpolatedValueFromTime(m_pOverlay, m_editSlot, t, &at, &value)) return;
  auto* events = GrowByOne(r->events, r->eventCount);
  if (!events) return;
  r->events = events;
  STRUCT_OPLOT_PEAK_EVENT& e = r->events[r->eventCount];
  e = {};
  e.rawTime = e.readRawTime = DHMinutesToRaw(t);
  e.value = e.readValue = static_cast<float>(value);
  e.code = OP2_EVENT_VALLEY;
  e.time = t;
  e.controlFlag = 1;
  const int16_t event = r->eventCount++;
  auto* valleys = GrowByOne(r->valleys, r->valleyCount);
  if (!valleys) return;
  r->valleys = valleys;
  const STRUCT_OPLOT_BASELINE& bl = r->baselines[b];
  STRUCT_OPLOT_VALLEY& v = r->valleys[r->valleyCount++];
  v = {};
  v.time = t;
  v.value = value;
  v.event = event;
  v.baseline = static_cast<int16_t>(b);
  v.spanStartEvent = bl.altStartEvent != -1 ? bl.altStartEvent : bl.startEvent;
  v.spanEndEvent = bl.altEndEvent != -1 ? bl.altEndEvent : bl.endEvent;
  r->hasEvents = 1;
  Notify(OP2N_PEAKEVENTSCHANGED);
}

void CCtlOPlot2::DeleteValley() {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  const int16_t event = m_menuValleyEvent;
  if (!r || event < 0 || event >= r->eventCount) return;
  r->events[event].hidden = 1;
  int merged = -1;
  for (int b = 0; r->baselines && b < r->baselineCount && merged < 0; ++b)
    if (r->baselines[b].endEvent == event) merged = b;
  // A valley ending the last peak leaves that peak in place: nothing follows to merge with.
  if (merged >= 0 && merged + 1 < r->baselineCount) {
    STRUCT_OPLOT_BASELINE& bl = r->baselines[merged];
    const STRUCT_OPLOT_BASELINE& next = r->baselines[merged + 1];
    bl.endEvent = next.endEvent;
    bl.altEndEvent = next.altEndEvent;
    bl.endTime = next.endTime;
    bl.endValue = next.endValue;
    bl.endHandle = next.endHandle;
    for (int k = merged + 1; k + 1 < r->baselineCount; ++k) r->baselines[k] = r->baselines[k + 1];
    --r->baselineCount;
    // Every valley follows its peak's new number; none is dropped.
    for (int v = 0; r->valleys && v < r->valleyCount; ++v) {
      STRUCT_OPLOT_VALLEY& val = r->valleys[v];
      if (val.baseline > merged) --val.baseline;
      if (val.baseline >= 0 && val.baseline < r->baselineCount) {
        const STRUCT_OPLOT_BASELINE& owner = r->baselines[val.baseline];
        val.spanStartEvent = owner.altStartEvent != -1 ? owner.altStartEvent : owner.startEvent;
        val.spanEndEvent = owner.altEndEvent != -1 ? owner.altEndEvent : owner.endEvent;
      }
    }
  }
  Notify(OP2N_PEAKEVENTSCHANGED);
}

void CCtlOPlot2::AddTimeEvent(int16_t code) {
  if (code < 0 || code >= OPLOT_TIME_EVENT_TYPE_COUNT || !m_timeEventFile[0] || m_timeEventCount >= INT16_MAX - 1)
    return;
  double t = 0;
  if (!TimeAtX(m_menuX, &t)) return;
  double end = t + 0.15;
  const STRUCT_WORK_FILE* wf = m_pOverlay->slots[m_editSlot].workFile;
  if (wf && end >= wf->endTime) {
    end = wf->endTime - 0.01;
    // An event clicked in the file's last moments keeps a start before its end.
    if (HasEnd(code) && t >= end) t = end - 0.01;
  }
  if (t < 0) return;
  auto* events = GrowByOne(m_timeEvents, m_timeEventCount);
  if (!events) return;
  m_timeEvents = events;
  STRUCT_OPLOT_TIME_EVENT& e = m_timeEvents[m_timeEventCount++];
  e = {};
  e.time = TimeEventUnits(t);
  e.type = code;
  e.endTime = kAddItems[code].value == -1 ? TimeEventUnits(end) : kAddItems[code].value;
  TimeEventNew(e) = 1;
  Notify(OP2N_TIMEEVENTSCHANGED);
  TE_StartWaitingMode();
}

void CCtlOPlot2::DeleteTimeEvent() {
  if (m_menuTimeEvent < 0 || m_menuTimeEvent >= m_timeEventCount) return;
  TimeEventDeleted(m_timeEvents[m_menuTimeEvent]) = 1;
  Notify(OP2N_TIMEEVENTSCHANGED);
  TE_StartWaitingMode();
}

void CCtlOPlot2::RestoreEvent() {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_editSlot);
  if (!r) return;
  int16_t event = -1;
  if (m_menuRestoreBaseline >= 0 && m_menuRestoreBaseline < r->baselineCount) {
    const STRUCT_OPLOT_BASELINE& bl = r->baselines[m_menuRestoreBaseline];
    event = m_menuRestoreEnd ? bl.endEvent : bl.startEvent;
  } else if (m_menuRestoreValley >= 0 && m_menuRestoreValley < r->valleyCount) {
    event = r->valleys[m_menuRestoreValley].event;
  }
  if (event < 0 || event >= r->eventCount) return;
  STRUCT_OPLOT_PEAK_EVENT& e = r->events[event];
  if (e.originalRawTime == 0 && e.originalValue == 0.0f) {
    e.rawTime = e.readRawTime;
    e.value = e.readValue;
  } else {
    e.rawTime = e.originalRawTime;
    e.value = e.originalValue;
  }
  e.time = DHRawToMinutes(e.rawTime);
  e.moved = 1;
  if (m_menuRestoreBaseline >= 0 && m_menuRestoreBaseline < r->baselineCount) {
    STRUCT_OPLOT_BASELINE& bl = r->baselines[m_menuRestoreBaseline];
    if (m_menuRestoreEnd) {
      bl.endTime = e.time;
      bl.endValue = e.value;
      bl.endHandle.moved = 1;
    } else {
      bl.startTime = e.time;
      bl.startValue = e.value;
      bl.startHandle.moved = 1;
    }
  } else {
    STRUCT_OPLOT_VALLEY& v = r->valleys[m_menuRestoreValley];
    v.time = e.time;
    v.value = e.value;
    v.handle.moved = 0;
  }
  Notify(OP2N_PEAKEVENTSCHANGED);
}
