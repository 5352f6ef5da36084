// The integration-event editing control: window class, the host's
// messages, loading a slot's peak events and the method's time events,
// painting and printing them with the quantitation marks.
#include "specialctl/event_edit_control.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "common/data_points.h"
#include "common/library_classes.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "overlayctl/plot_control_window.h"
#include "plotengine/event_marks.h"
#include "plotengine/peak_event_drawing.h"
#include "plotengine/plot_coordinates.h"
#include "win/win_crt.h"

namespace {

constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
// Extra lines the base keeps under the time axis for each edit mode's strips.
constexpr int16_t kStripLines[5] = {0, 2, 4, 3, 3};

bool ValidSlot(WPARAM slot) { return slot < OPLOT_SLOTS; }

}  // namespace

// ---- Window class ---------------------------------------------------------------------------------

ATOM CCtlOPlot2::Register() { return kelt::lib::RegisterLibraryClass(kClassName, CtlOP2WndProc, kClassStyle); }
BOOL CCtlOPlot2::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }

LRESULT CALLBACK CtlOP2WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return kelt::overlay::ControlWindowProc<CCtlOPlot2>(hwnd, message, wParam, lParam);
}

CCtlOPlot2* CreateOPlot2Control(CWnd* parent, short id, short left, short top, short right, short bottom) {
  return kelt::overlay::CreateControl<CCtlOPlot2>(parent, id, left, top, right, bottom);
}

CCtlOPlot2::CCtlOPlot2() {
  m_teFeatureOn = 1;
  m_tileTextsClearApexMarks = 1;
}

CCtlOPlot2::~CCtlOPlot2() {
  for (short i = 0; i < OPLOT_SLOTS; ++i) FreeSlotEvents(i);
  FreeTimeEvents();
  delete m_pEventMenu;
  m_pEventMenu = nullptr;
}

BEGIN_MESSAGE_MAP(CCtlOPlot2, CCtlOPlot1)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_RBUTTONDOWN()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_SETCURSOR()
ON_MESSAGE(OP2M_SETPEAKMARK, OnSetPeakMark)
ON_MESSAGE(OP2M_CLEARPEAKMARK, OnClearPeakMark)
ON_MESSAGE(OP2M_PRINT, OnPrint2)
ON_MESSAGE(OP2M_CLEAREVENTS, OnClearEvents)
ON_MESSAGE(OP2M_LOADPEAKEVENTS, OnLoadPeakEvents)
ON_MESSAGE(OP2M_HIDEPEAKEVENTS, OnHidePeakEvents)
ON_MESSAGE(OP2M_GETAPEXLIST, OnGetApexList)
ON_MESSAGE(OP2M_SETEDITMODE, OnSetEditMode)
ON_MESSAGE(OP2M_SAVEPEAKEVENTS, OnSavePeakEvents)
ON_MESSAGE(OP2M_SETDRAWOPTION, OnSetDrawOption)
ON_MESSAGE(OP2M_LOADTIMEEVENTS, OnLoadTimeEvents)
ON_MESSAGE(OP2M_CLEARTIMEEVENTS, OnClearTimeEvents)
ON_MESSAGE(OP2M_GETMENUTIMEEVENT, OnGetMenuTimeEvent)
ON_MESSAGE(OP2M_SAVETIMEEVENTS, OnSaveTimeEvents)
ON_MESSAGE(OP2M_ADDQUANTMARK, OnAddQuantMark)
ON_MESSAGE(OP2M_CLEARQUANTMARKS, OnClearQuantMarks)
ON_MESSAGE(OP2M_ENABLEPEAKSELECTION, OnEnablePeakSelection)
ON_MESSAGE(OP2M_DISABLEPEAKSELECTION, OnDisablePeakSelection)
ON_MESSAGE(OP2M_GETSELECTEDPEAKTIME, OnGetSelectedPeakTime)
ON_MESSAGE(OP2M_SETSEARCHWINDOWS, OnSetSearchWindows)
ON_MESSAGE(OP2M_ENABLEINFOPOPUPS, OnEnableInfoPopups)
ON_MESSAGE(OP2M_CLEARMANUALPEAK, OnClearManualPeak)
ON_MESSAGE(OP2M_SETMANUALPEAK, OnSetManualPeak)
END_MESSAGE_MAP()

int CCtlOPlot2::OnCreate(CREATESTRUCTA* cs) {
  const int r = CCtlOPlot1::OnCreate(cs);
  m_controlKind = 2;
  return r;
}

void CCtlOPlot2::OnDestroy() {
  DestroyPopups();
  for (short i = 0; i < OPLOT_SLOTS; ++i) FreeSlotEvents(i);
  FreeTimeEvents();
  CCtlOPlot::OnDestroy();
}

// ---- Shared helpers ----------------------------------------------------------------------------------

STRUCT_OPLOT_DRAW_EVENTS* CCtlOPlot2::SlotEvents(short slot) const {
  return slot >= 0 && slot < OPLOT_SLOTS ? m_slotEvents[slot] : nullptr;
}

void CCtlOPlot2::FreeSlotEvents(short slot) {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(slot);
  if (!r) return;
  if (slot == m_editSlot) m_dragging = 0;
  OPLOT_FreeDrawEvents(r);
  FreeBlock(r);
  m_slotEvents[slot] = nullptr;
}

void CCtlOPlot2::FreeTimeEvents() {
  if (m_timeEvents) FreeBlock(m_timeEvents);
  m_timeEvents = nullptr;
  m_timeEventCount = 0;
}

void CCtlOPlot2::ReloadTimeEvents() {
  FreeTimeEvents();
  if (!m_timeEventFile[0]) return;
  STRUCT_OPLOT_TIME_EVENT* events = nullptr;
  const int16_t n = OPLOT_ReadTimeEvents(m_timeEventFile, m_timeEventSection, &events);
  if (n > 0 && events) {
    m_timeEvents = events;
    m_timeEventCount = n;
  } else if (events) {
    FreeBlock(events);
  }
}

void CCtlOPlot2::Notify(uint16_t code) {
  HWND parent = ::GetParent(m_hWnd);
  if (!parent) return;
  const WPARAM w = MAKELONG(static_cast<WORD>(::GetDlgCtrlID(m_hWnd)), code);
  if (code == OP2N_TIMEEVENTSRESTORED)
    ::SendMessageA(parent, WM_COMMAND, w, reinterpret_cast<LPARAM>(m_hWnd));
  else
    ::PostMessageA(parent, WM_COMMAND, w, reinterpret_cast<LPARAM>(m_hWnd));
}

void CCtlOPlot2::RepaintIfAllowed2() {
  if (!m_noRepaint && m_hWnd) Invalidate(FALSE);
}

// ---- Host messages ------------------------------------------------------------------------------------

LRESULT CCtlOPlot2::OnSetPeakMark(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  std::memcpy(&m_peakMark, reinterpret_cast<const void*>(lParam), sizeof m_peakMark);
  m_peakMarkValid = 0;
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(m_peakMark.slot);
  if (!m_pOverlay || !r) return 0;
  if (m_peakMark.mode != 0) {
    m_peakMark.foundTime = m_peakMark.time;
    m_peakMarkValid = 1;
  } else {
    double t = 0;
    uint32_t raw = 0, scan = 0;
    if (!OPLOT_GetPeakInfo(m_peakMark.time, m_pOverlay, r, &t, &raw, &scan)) return 0;
    m_peakMark.foundTime = t;
    m_peakMark.foundIndex = -1;
    for (int16_t k = 0; k < r->peakCount; ++k)
      if (r->peaks[k].apexRawTime == raw) m_peakMark.foundIndex = k;
    m_peakMark.foundInfo = static_cast<int32_t>(scan);
    m_peakMarkValid = 1;
  }
  RepaintIfAllowed2();
  return 1;
}

LRESULT CCtlOPlot2::OnClearPeakMark(WPARAM, LPARAM) {
  m_peakMarkValid = 0;
  RepaintIfAllowed2();
  return 0;
}

LRESULT CCtlOPlot2::OnClearEvents(WPARAM, LPARAM) {
  for (short i = 0; i < OPLOT_SLOTS; ++i) FreeSlotEvents(i);
  FreeTimeEvents();
  m_peakMarkValid = 0;
  m_dragging = 0;
  m_drag = Op2Drag::None;
  m_timeEventFile[0] = 0;
  m_manualPeak = 0;
  RepaintIfAllowed2();
  return 0;
}

LRESULT CCtlOPlot2::OnLoadPeakEvents(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  STRUCT_OP2_READ_REQUEST request;
  std::memcpy(&request, reinterpret_cast<const void*>(lParam), sizeof request);
  const short slot = request.slot;
  if (slot < 0 || slot >= OPLOT_SLOTS) return 0;
  // The host's path need not end inside its field.
  char path[sizeof request.path + 1] = {};
  std::memcpy(path, request.path, sizeof request.path);
  FreeSlotEvents(slot);
  m_manualPeak = 0;
  auto* r = static_cast<STRUCT_OPLOT_DRAW_EVENTS*>(AllocBlock(sizeof(STRUCT_OPLOT_DRAW_EVENTS)));
  if (!r) return 0;
  if (!OPLOT_ReadDrawEvents(path, slot, r)) {
    OPLOT_FreeDrawEvents(r);
    FreeBlock(r);
    return 0;
  }
  r->hasEvents = 1;
  m_slotEvents[slot] = r;
  DetectManualPeak(slot);
  RepaintIfAllowed2();
  return 1;
}

void CCtlOPlot2::DetectManualPeak(short slot) {
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(slot);
  if (!r || !r->events) return;
  int start = -1, end = -1, apex = -1;
  for (int i = 0; i < r->eventCount && start < 0; ++i)
    if (r->events[i].code == OP2_EVENT_MANUAL_START) start = i;
  for (int i = start + 1; start >= 0 && i < r->eventCount && end < 0; ++i)
    if (r->events[i].code == OP2_EVENT_MANUAL_END) end = i;
  for (int i = start + 1; end >= 0 && i < end && apex < 0; ++i)
    if (r->events[i].code == OP2_EVENT_MANUAL_APEX) apex = i;
  if (apex < 0) return;
  m_manualPeak = 1;
  m_manualPeakTime = r->events[apex].time;
  m_manualPeakValue = r->events[apex].value;
}

LRESULT CCtlOPlot2::OnHidePeakEvents(WPARAM wParam, LPARAM) {
  TE_CancelWaitingMode();
  if (!ValidSlot(wParam)) return 0;
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(static_cast<short>(wParam));
  if (!r) return 0;
  r->hasEvents = 0;
  RepaintIfAllowed2();
  return 1;
}

LRESULT CCtlOPlot2::OnGetApexList(WPARAM wParam, LPARAM lParam) {
  if (!ValidSlot(wParam) || !lParam) return 0;
  const STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(static_cast<short>(wParam));
  auto* out = reinterpret_cast<STRUCT_OP2_APEX_LIST*>(lParam);
  if (!r || !r->peaks || r->peakCount <= 0) return 0;
  out->count = r->peakCount;
  out->list = r->peaks;
  return 1;
}

LRESULT CCtlOPlot2::OnSetEditMode(WPARAM wParam, LPARAM lParam) {
  if (!ValidSlot(wParam) || lParam < 0 || lParam > 4) return 0;
  DestroyPopups();
  m_dragging = 0;
  m_drag = Op2Drag::None;
  m_editSlot = static_cast<int16_t>(wParam);
  m_editMode = static_cast<int16_t>(lParam);
  m_eventStripLines = kStripLines[m_editMode];
  RepaintIfAllowed2();
  return 1;
}

LRESULT CCtlOPlot2::OnSavePeakEvents(WPARAM wParam, LPARAM) {
  if (!ValidSlot(wParam)) return 0;
  return SavePeakEvents(static_cast<short>(wParam));
}

LRESULT CCtlOPlot2::OnSetDrawOption(WPARAM wParam, LPARAM lParam) {
  if (!ValidSlot(wParam)) return 0;
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(static_cast<short>(wParam));
  if (!r) return 0;
  r->showAreaLabels = static_cast<int16_t>(lParam);
  RepaintIfAllowed2();
  return 1;
}

LRESULT CCtlOPlot2::OnLoadTimeEvents(WPARAM wParam, LPARAM lParam) {
  TE_CancelWaitingMode();
  const char* section = reinterpret_cast<const char*>(wParam);
  const char* path = reinterpret_cast<const char*>(lParam);
  // Names that do not fit the fields are refused, not cut.
  if (!section || !path || std::strlen(section) >= sizeof m_timeEventSection ||
      std::strlen(path) >= sizeof m_timeEventFile)
    return 0;
  FreeTimeEvents();
  std::strcpy(m_timeEventSection, section);
  std::strcpy(m_timeEventFile, path);
  ReloadTimeEvents();
  RepaintIfAllowed2();
  return m_timeEventCount;
}

LRESULT CCtlOPlot2::OnClearTimeEvents(WPARAM, LPARAM) {
  FreeTimeEvents();
  m_timeEventSection[0] = 0;
  m_timeEventFile[0] = 0;
  RepaintIfAllowed2();
  return 0;
}

LRESULT CCtlOPlot2::OnGetMenuTimeEvent(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  *reinterpret_cast<int16_t*>(lParam) = m_menuTimeEvent;
  return m_menuTimeEvent >= 0 && m_menuTimeEvent < m_timeEventCount ? 1 : 0;
}

LRESULT CCtlOPlot2::OnSaveTimeEvents(WPARAM, LPARAM) { return SaveTimeEvents(); }

LRESULT CCtlOPlot2::OnAddQuantMark(WPARAM wParam, LPARAM lParam) {
  // A fifth mark has no place: refused.
  if (!lParam || !ValidSlot(wParam) || m_quantMarkCount >= OP2_QUANT_MARKS) return 0;
  const auto* q = reinterpret_cast<const STRUCT_OP2_QUANT_MARK_REQUEST*>(lParam);
  STRUCT_OP2_QUANT_MARK& m = m_quantMarks[m_quantMarkCount++];
  m = {};
  m.kind = q->byPoint ? 1 : 2;
  m.point = q->byPoint ? q->point : 0;
  m.time = q->byPoint ? 0 : q->time;
  std::memcpy(m.label, q->label, sizeof m.label);
  m.label[sizeof m.label - 1] = 0;
  m.slot = static_cast<int16_t>(wParam);
  RepaintIfAllowed2();
  return 1;
}

LRESULT CCtlOPlot2::OnClearQuantMarks(WPARAM, LPARAM) {
  m_quantMarkCount = 0;
  RepaintIfAllowed2();
  return 0;
}

LRESULT CCtlOPlot2::OnEnablePeakSelection(WPARAM, LPARAM lParam) {
  m_peakSelected = 0;
  m_peakRejected = 0;
  if (!lParam) {
    m_peakSelectionOn = 0;
  } else {
    std::memcpy(&m_peakSelection, reinterpret_cast<const void*>(lParam), sizeof m_peakSelection);
    m_peakSelectionOn = 1;
  }
  RepaintIfAllowed2();
  return 0;
}

LRESULT CCtlOPlot2::OnDisablePeakSelection(WPARAM, LPARAM) {
  m_peakSelectionOn = 0;
  m_peakSelected = 0;
  m_peakRejected = 0;
  RepaintIfAllowed2();
  return 0;
}

LRESULT CCtlOPlot2::OnGetSelectedPeakTime(WPARAM, LPARAM lParam) {
  if (!m_peakSelected || !lParam) return 0;
  *reinterpret_cast<double*>(lParam) = m_selectedPeakTime;
  return 1;
}

LRESULT CCtlOPlot2::OnSetSearchWindows(WPARAM, LPARAM lParam) {
  if (!lParam) {
    m_searchWindowsOn = 0;
  } else {
    std::memcpy(&m_searchWindows, reinterpret_cast<const void*>(lParam), sizeof m_searchWindows);
    m_searchWindowsOn = 1;
  }
  RepaintIfAllowed2();
  return 0;
}

LRESULT CCtlOPlot2::OnEnableInfoPopups(WPARAM wParam, LPARAM) {
  m_popupsEnabled = static_cast<int16_t>(wParam);
  if (!m_popupsEnabled) DestroyPopups();
  return 0;
}

LRESULT CCtlOPlot2::OnClearManualPeak(WPARAM, LPARAM) {
  m_manualPeak = 0;
  return 0;
}

LRESULT CCtlOPlot2::OnSetManualPeak(WPARAM, LPARAM lParam) {
  if (!lParam) {
    m_manualPeak = 0;
    return 0;
  }
  const auto* p = reinterpret_cast<const STRUCT_OP2_MANUAL_PEAK*>(lParam);
  m_manualPeak = 1;
  m_manualPeakTime = p->time;
  m_manualPeakValue = p->value;
  return 0;
}

// ---- Painting and printing --------------------------------------------------------------------------

void CCtlOPlot2::DrawSlotEvents(HDC dc, const STRUCT_OVER_SIZES* sizes, int16_t xOffset, int16_t yOffset, bool print,
                                bool selection) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!dc || !o || !sizes) return;
  for (short slot = 0; slot < OPLOT_SLOTS; ++slot) {
    STRUCT_OPLOT_DRAW_EVENTS* r = m_slotEvents[slot];
    if (!r || !r->hasEvents) continue;
    r->highlightEnabled = 0;
    r->highlightIndex = -1;
    r->callerValue = -1.0;
    r->groupValid = 0;
    if (m_peakMarkValid && m_peakMark.slot == slot) {
      if (m_peakMark.mode == 0) {
        r->highlightEnabled = 1;
        r->highlightIndex = static_cast<int16_t>(m_peakMark.foundIndex);
        r->callerValue = m_peakMark.foundTime;
      } else {
        r->groupValid = 1;
        r->focusTime = m_peakMark.time;
        r->groupStart = m_peakMark.rangeStart;
        r->groupEnd = m_peakMark.rangeEnd;
      }
    }
    const bool choose = selection && m_peakSelectionOn;
    r->markEnabled = choose ? 1 : 0;
    r->markMode = m_peakSelection.selector;
    r->markThresholdA = m_peakSelection.thresholdA;
    r->markThresholdB = m_peakSelection.thresholdB;
    r->selectedApexValid = 0;
    r->fillSelectedMark = 0;
    if (choose && m_peakSelected && m_selectedPeak >= 0 && m_selectedPeak < r->peakCount && r->peaks) {
      r->selectedApexValid = 1;
      r->selectedApexRaw = r->peaks[m_selectedPeak].apexRawTime;
      r->fillSelectedMark = 1;
    }
    // The strips lie under the shared time axis: only the edited slot's are drawn.
    const bool edited = slot == m_editSlot;
    r->showPeakStrip = edited && (m_editMode == 1 || m_editMode == 2) ? 1 : 0;
    r->showTimeStrip = edited && m_editMode >= 2 ? 1 : 0;
    OPLOT_DrawAllPeakEvents(dc, o, sizes, xOffset, yOffset, &m_prefs.ctrlFont, r, edited ? m_timeEvents : nullptr,
                            edited ? m_timeEventCount : 0, -1);
  }
  if (m_searchWindowsOn)
    OPLOT_DrawSearchAndIntegrationWindows(dc, o, sizes, m_searchWindows.slot, m_searchWindows.time,
                                          m_searchWindows.searchWindow, m_searchWindows.integrationWindow,
                                          &m_prefs.ctrlFont);
  DrawQuantMarks(dc, sizes, print);
}

void CCtlOPlot2::DrawQuantMarks(HDC dc, const STRUCT_OVER_SIZES* sizes, bool print) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  const double rs = o->tail.viewStart, re = o->tail.viewEnd;
  double drawnTimes[OP2_QUANT_MARKS] = {};
  int16_t drawnSlots[OP2_QUANT_MARKS] = {};
  int drawn = 0;
  const int tickHalf = (sizes->charWidth >> 2) * 3;
  for (int k = 0; k < m_quantMarkCount; ++k) {
    const STRUCT_OP2_QUANT_MARK& m = m_quantMarks[k];
    if (m.slot < 0 || m.slot >= OPLOT_SLOTS) continue;
    int32_t l = 0, b = 0, r = 0, t = 0;
    if (!OPLOT_GetChromatogramArea(o, sizes, m.slot, &l, &b, &r, &t)) continue;
    double time = m.time;
    if (m.kind == 1) {
      STRUCT_WORK_FILE* wf = o->slots[m.slot].workFile;
      if (m.point <= 0 || !wf) continue;
      const int64_t index = int64_t(m.point) - int64_t(wf->msInfo.firstScan);
      if (index < 0 || !GetTimeOfPoint(wf, static_cast<uint32_t>(index), &time)) continue;
    }
    if (!(time > rs && time < re)) continue;
    double at = 0, value = 0;
    int32_t x = 0, y = 0;
    if (!OPLOT_GetInterpolatedValueFromTime(o, m.slot, time, &at, &value) ||
        !OPLOT_GetXPixelFromTime(time, o, sizes, 0, &x) || !OPLOT_GetYPixelFromValue(value, m.slot, o, sizes, 0, &y))
      continue;
    int half = (b - t) / 8;
    for (int j = 0; j < drawn; ++j)
      if (drawnSlots[j] == m.slot && std::fabs(drawnTimes[j] - time) <= 0.001) half = (b - t) / 16;
    drawnTimes[drawn] = time;
    drawnSlots[drawn++] = m.slot;
    const int width = print ? 2 * m_thickPenWidth : 2;
    HPEN pen = CreatePen(PS_SOLID, width, sizes->params.colors[CHRO_COLOR_PLOT0 + m.slot]);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x, y + half, nullptr);
    LineTo(dc, x, y - half);
    MoveToEx(dc, x - tickHalf, y + half, nullptr);
    LineTo(dc, x + tickHalf, y + half);
    MoveToEx(dc, x - tickHalf, y - half, nullptr);
    LineTo(dc, x + tickHalf, y - half);
    SelectObject(dc, old);
    DeleteObject(pen);
    if (m.label[0]) {
      HFONT font = print ? nullptr : CreateFontIndirectA(&m_prefs.ctrlFont);
      HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
      const UINT align = SetTextAlign(dc, TA_CENTER | TA_TOP);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, sizes->params.colors[CHRO_COLOR_AXES]);
      TextOutA(dc, x, y + half, m.label, static_cast<int>(std::strlen(m.label)));
      SetTextAlign(dc, align);
      if (oldFont) SelectObject(dc, oldFont);
      if (font) DeleteObject(font);
    }
  }
}

void CCtlOPlot2::OnPaint() {
  // The spectrum markers are drawn over the events, not under them.
  int16_t kept[OPLOT_SPT_WINDOWS][OPLOT_SPT_PLACES];
  for (int w = 0; w < OPLOT_SPT_WINDOWS; ++w)
    for (int s = 0; s < OPLOT_SPT_PLACES; ++s) {
      kept[w][s] = m_SptMarkers[w][s].set;
      m_SptMarkers[w][s].set = 0;
    }
  auto restore = [&] {
    for (int w = 0; w < OPLOT_SPT_WINDOWS; ++w)
      for (int s = 0; s < OPLOT_SPT_PLACES; ++s) m_SptMarkers[w][s].set = kept[w][s];
  };
  if (!StartPaintOP()) {
    restore();
    return;
  }
  PaintOP1();
  restore();
  if (m_pMemDC && m_pOverlay && m_bSizesValid) {
    DrawMarkers(m_pMemDC, 0, &m_Sizes, 0, m_plotHeight, static_cast<short>(m_Sizes.params.top), m_charWidth,
                m_charHeight);
    DrawSlotEvents(m_pMemDC->GetSafeHdc(), &m_Sizes, m_plotLeft, m_plotTop, false, true);
  }
  m_hitX = static_cast<int16_t>(std::max(2, kelt::events::MarkHalfWidth(&m_Sizes)));
  m_hitY = static_cast<int16_t>(std::max(2, kelt::events::MarkHalfHeight(&m_Sizes)));
  EndPaintOP();
}

LRESULT CCtlOPlot2::OnPrint2(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  auto* record = reinterpret_cast<STRUCT_OPLOT_PRINT_PLOT*>(lParam);
  PrintOpen();
  CCtlOPlot::PrintAdd(record);
  PrintAdd(record);
  if (record->drawn && m_pOverlay && record->dc && record->dc->GetSafeHdc())
    DrawSlotEvents(record->dc->GetSafeHdc(), &record->sizes, 0, 0, true, false);
  PrintClose(record);
  // The drawing left the page's positions in the records: the screen's come back before the next click.
  if (m_hWnd && !m_noRepaint) {
    Invalidate(FALSE);
    ::UpdateWindow(m_hWnd);
  }
  return 1;
}
