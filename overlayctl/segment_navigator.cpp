// Data-review navigation of the overlay plot control: the strip that steps
// the segments of the active plot's file, the review's files or its plot
// descriptors, and the segment navigator behind segment mode.
#include "overlayctl/segment_navigator.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/data_file_utils.h"
#include "common/work_file.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectra/segment_checks.h"
#include "win/win_user.h"

// ---- The navigator --------------------------------------------------------------------------

const STRUCT_WORK_FILE* CSegmentNavigator::TakingPart(const SVW_OVERLAY* o, short plot) {
  if (!o || !OverlaySlotIndex(plot) || !o->slots[plot].trace) return nullptr;
  const STRUCT_WORK_FILE* wf = o->slots[plot].workFile;
  return IsMSKind(wf) ? wf : nullptr;
}

bool CSegmentNavigator::HasScansAndData(const SVW_OVERLAY* o, short plot, int segment) {
  const STRUCT_WORK_FILE* wf = TakingPart(o, plot);
  if (!wf || segment < 0 || segment >= kelt::seg::Count(wf)) return false;
  const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[segment];
  return kelt::seg::SecondDataCount(b) >= 0 && kelt::seg::HasData(b) &&
         KELT_CheckPlotInSegment(o->slots[plot].trace, static_cast<int16_t>(segment));
}

int CSegmentNavigator::FirstWithData(const SVW_OVERLAY* o, short plot) {
  const STRUCT_WORK_FILE* wf = TakingPart(o, plot);
  for (int s = 0; wf && s < kelt::seg::Count(wf); ++s)
    if (HasScansAndData(o, plot, s)) return s;
  return -1;
}

void CSegmentNavigator::Reset() {
  active = 1;
  current = count = 0;
  plot = -1;
  serial = 0;
  windowFrom = windowEnd = 0;
}

void CSegmentNavigator::CountSegments(const SVW_OVERLAY* o, short p) {
  count = 0;
  if (!active) return;
  if (const STRUCT_WORK_FILE* wf = TakingPart(o, p)) count = static_cast<int16_t>(kelt::seg::Count(wf));
}

void CSegmentNavigator::SegmentWindow(const SVW_OVERLAY* o, short p) {
  windowFrom = windowEnd = 0;
  const STRUCT_WORK_FILE* wf = TakingPart(o, p);
  if (!active || !count || !wf || current < 1 || current > kelt::seg::Count(wf)) return;
  const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[current - 1];
  windowFrom = b.startTime + 0.000001;
  windowEnd = b.endTime - 0.000001;
}

void CSegmentNavigator::Apply(const SVW_OVERLAY* o, short p, bool force) {
  SegmentWindow(o, p);
  CCtlOPlot* c = owner;
  if (windowFrom == 0 && windowEnd == 0) {
    c->m_ownFullRange = 0;
    c->m_ownFullStart = c->m_ownFullEnd = 0;
    return;
  }
  if (!force && o && o->tail.viewStart >= windowFrom && o->tail.viewEnd <= windowEnd) {
    c->m_ownFullRange = 1;
    c->m_ownFullStart = windowFrom;
    c->m_ownFullEnd = windowEnd;
    return;
  }
  double window[2] = {windowFrom, windowEnd};
  c->SendMessage(OPM_SPECIALDBLCLKFULLTIMERANGE, 1, reinterpret_cast<LPARAM>(window));
}

void CSegmentNavigator::GoToSegment(const SVW_OVERLAY* o, short p, short wanted, int16_t* cur, int16_t* cnt) {
  *cur = *cnt = 1;
  if (!o) return;
  CountSegments(o, p);
  if (!count) return;
  current = wanted < 1 ? 1 : std::min<short>(wanted, count);
  plot = p;
  serial = TakingPart(o, p)->serialNumber;
  *cur = current;
  *cnt = count;
  Apply(o, p, true);
}

void CSegmentNavigator::ChooseForPlot(const SVW_OVERLAY* o, short p, double time, short timePlot,
                                      uint16_t timeSerial, int16_t* cur, int16_t* cnt) {
  *cur = *cnt = 1;
  const STRUCT_WORK_FILE* wf = TakingPart(o, p);
  if (!wf) return;
  CountSegments(o, p);
  if (!count) return;
  int chosen = 0;
  if (keptSegment && !timeSerial && keptPlot == p && keptSerial == wf->serialNumber && keptSegment <= count) {
    chosen = keptSegment;
  } else if (timeSerial && timePlot == p && timeSerial == wf->serialNumber) {
    for (int s = 0; s < count && !chosen; ++s) {
      const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
      if (b.startTime <= time && time < b.endTime && HasScansAndData(o, p, s)) chosen = s + 1;
    }
  }
  if (!chosen) chosen = FirstWithData(o, p) + 1;
  if (!chosen) chosen = 1;
  current = static_cast<int16_t>(std::clamp<int>(chosen, 1, count));
  plot = p;
  serial = wf->serialNumber;
  *cur = current;
  *cnt = count;
  Apply(o, p, true);
}

void CSegmentNavigator::KeepSegmentWithData(const SVW_OVERLAY* o, short p, int16_t* cur, int16_t* cnt) {
  const STRUCT_WORK_FILE* wf = TakingPart(o, p);
  if (!wf) return;
  const int segments = kelt::seg::Count(wf);
  if (current >= 1 && current <= segments && count == segments && plot == p &&
      HasScansAndData(o, p, current - 1))
    return;
  const int first = FirstWithData(o, p);
  if (first < 0) return;
  const bool changed = current != first + 1;
  current = static_cast<int16_t>(first + 1);
  count = static_cast<int16_t>(segments);
  plot = p;
  serial = wf->serialNumber;
  *cur = current;
  *cnt = count;
  Apply(o, p, changed);
}

void CSegmentNavigator::SetActivePlot(const SVW_OVERLAY* o, short p, int16_t* cur, int16_t* cnt) {
  const STRUCT_WORK_FILE* wf = TakingPart(o, p);
  if (!wf || (p == plot && wf->serialNumber == serial)) return;
  CountSegments(o, p);
  if (!count) return;
  const int before = current;
  int chosen = current >= 1 && current <= count && HasScansAndData(o, p, current - 1) ? current : 0;
  if (!chosen) chosen = FirstWithData(o, p) + 1;
  if (!chosen) chosen = 1;
  current = static_cast<int16_t>(std::clamp<int>(chosen, 1, count));
  plot = p;
  serial = wf->serialNumber;
  *cur = current;
  *cnt = count;
  Apply(o, p, current != before);
}

void CSegmentNavigator::ForceSegmentWithData(const SVW_OVERLAY* o, short p, int16_t* cur, int16_t* cnt) {
  const STRUCT_WORK_FILE* wf = TakingPart(o, p);
  if (!wf) return;
  const int first = FirstWithData(o, p);
  if (first < 0) return;
  current = static_cast<int16_t>(first + 1);
  count = static_cast<int16_t>(kelt::seg::Count(wf));
  plot = p;
  serial = wf->serialNumber;
  *cur = current;
  *cnt = count;
  Apply(o, p, true);
}

void CSegmentNavigator::SwitchOff(short p, uint16_t s) {
  keptPlot = p;
  keptSegment = current;
  keptSerial = s;
  active = 0;
  current = count = 0;
  plot = -1;
  serial = 0;
  windowFrom = windowEnd = 0;
  owner->SendMessage(OPM_SPECIALDBLCLKFULLTIMERANGE, 0, 0);
}

// ---- The strip's children -------------------------------------------------------------------

namespace {

constexpr char kOldProc[] = "KeltNavOldProc";
constexpr char kPartner[] = "KeltNavPartner";

int HelpTopic(int id) {
  switch (id) {
    case OPLOT_ID_NAV_SEGMENT_MODE: return 6971;
    case OPLOT_ID_NAV_SEGMENTS: return 6973;
    case OPLOT_ID_NAV_FILES: return 6974;
    case OPLOT_ID_NAV_PDS: return 6975;
    case OPLOT_ID_NAV_FIRST: return 6976;
    case OPLOT_ID_NAV_PREVIOUS: return 6977;
    case OPLOT_ID_NAV_NEXT: return 6979;
    case OPLOT_ID_NAV_LAST: return 6980;
    default: return 0;
  }
}

LRESULT CALLBACK NavChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto old = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOldProc));
  if (message == WM_RBUTTONDOWN) {
    if (const int topic = HelpTopic(GetDlgCtrlID(hwnd))) KELT_ShowHelpTopic(static_cast<uint32_t>(topic), 8);
  } else if (message == WM_KEYUP && wParam == VK_RETURN) {
    if (HWND partner = static_cast<HWND>(GetPropA(hwnd, kPartner)))
      SendMessageA(partner, OPM_NOTIFYEDITKEYENTER, 0, 0);
  } else if (message == WM_NCDESTROY) {
    RemovePropA(hwnd, kOldProc);
    RemovePropA(hwnd, kPartner);
    if (old) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  }
  return old ? CallWindowProcA(old, hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeNavChild(HWND parent, const char* cls, const char* text, DWORD style, int id) {
  HWND h = CreateWindowExA(0, cls, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  if (!h) return nullptr;
  const LONG_PTR old = SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NavChildProc));
  SetPropA(h, kOldProc, reinterpret_cast<HANDLE>(old));
  ShowWindow(h, SW_SHOW);
  return h;
}

constexpr int kStripIds[] = {OPLOT_ID_NAV_INDEX, OPLOT_ID_NAV_SEGMENT_MODE, OPLOT_ID_NAV_MODE,
                             OPLOT_ID_NAV_FIRST, OPLOT_ID_NAV_PREVIOUS,     OPLOT_ID_NAV_NEXT,
                             OPLOT_ID_NAV_LAST,  OPLOT_ID_NAV_SEGMENTS,     OPLOT_ID_NAV_FILES,
                             OPLOT_ID_NAV_PDS};

}  // namespace

HWND OPLOT_MakeIndexEdit(HWND parent, int id, DWORD style, HWND partner) {
  HWND h = MakeNavChild(parent, WC_EDITA, "", style, id);
  if (h) SetPropA(h, kPartner, partner);
  return h;
}

// ---- The control's side -----------------------------------------------------------------------

HWND CCtlOPlot::NavChild(int id) const { return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr; }

CSegmentNavigator* CCtlOPlot::Navigator() const { return static_cast<CSegmentNavigator*>(m_pSegmentNavigator); }

void CCtlOPlot::DestroyNavigationStrip() {
  for (int id : kStripIds)
    if (HWND h = NavChild(id)) ::DestroyWindow(h);
}

void CCtlOPlot::FreeNavigation() {
  DestroyNavigationStrip();
  delete Navigator();
  m_pSegmentNavigator = nullptr;
  m_navEnabled = 0;
}

bool CCtlOPlot::CreateNavigationStrip() {
  const DWORD button = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | BS_PUSHBUTTON;
  struct Child {
    const char* cls;
    const char* text;
    DWORD style;
    int id;
  } const children[] = {{WC_EDITA, "1", WS_BORDER | ES_AUTOHSCROLL, OPLOT_ID_NAV_INDEX},
                        {WC_BUTTONA, "S", BS_AUTOCHECKBOX | WS_CLIPSIBLINGS, OPLOT_ID_NAV_SEGMENT_MODE},
                        {WC_STATICA, "OFF", SS_CENTER, OPLOT_ID_NAV_MODE},
                        {WC_BUTTONA, "1", button, OPLOT_ID_NAV_FIRST},
                        {WC_BUTTONA, "<", button, OPLOT_ID_NAV_PREVIOUS},
                        {WC_BUTTONA, ">", button, OPLOT_ID_NAV_NEXT},
                        {WC_BUTTONA, "1", button, OPLOT_ID_NAV_LAST},
                        {WC_BUTTONA, "s", button, OPLOT_ID_NAV_SEGMENTS},
                        {WC_BUTTONA, "f", button, OPLOT_ID_NAV_FILES},
                        {WC_BUTTONA, "p", button, OPLOT_ID_NAV_PDS}};
  for (const Child& k : children) {
    HWND h = MakeNavChild(m_hWnd, k.cls, k.text, k.style, k.id);
    if (!h) {
      DestroyNavigationStrip();
      return false;
    }
    if (k.id == OPLOT_ID_NAV_INDEX) {
      SetPropA(h, kPartner, m_hWnd);
      ::SendMessageA(h, EM_LIMITTEXT, 10, 0);
    }
  }
  return true;
}

void CCtlOPlot::UpdateNavigationButtons() {
  if (!m_navEnabled) return;
  static const char* const kModes[] = {"OFF", "Segment", "File", "PD"};
  const int kind = m_scrollKind >= 0 && m_scrollKind <= 3 ? m_scrollKind : 0;
  auto text = [&](int id, const char* t) {
    if (HWND h = NavChild(id)) ::SetWindowTextA(h, t);
  };
  auto enable = [&](int id, bool on) {
    if (HWND h = NavChild(id)) ::EnableWindow(h, on ? TRUE : FALSE);
  };
  auto number = [](int v) {
    char t[16];
    std::snprintf(t, sizeof t, "%d", v);
    return std::string(t);
  };
  text(OPLOT_ID_NAV_MODE, kModes[kind]);
  std::string first = "1", last = "1", index = "1";
  bool back = false, forward = false;
  if (kind == 1) {
    last = number(m_navSegCount);
    index = number(m_navSegCurrent);
    back = m_navSegCurrent > 1;
    forward = m_navSegCurrent < m_navSegCount;
  } else if (kind == 2) {
    first = number(m_filesFirstLabel);
    last = number(m_filesLastLabel);
    index = number(m_filesCurrent);
    back = m_filesCurrent > m_filesMin;
    forward = m_filesCurrent < m_filesMax;
  } else if (kind == 3) {
    first = number(m_pdsFirstLabel);
    last = number(m_pdsLastLabel);
    index = number(m_pdsCurrent);
    back = m_pdsCurrent > m_pdsMin;
    forward = m_pdsCurrent < m_pdsMax;
  }
  text(OPLOT_ID_NAV_FIRST, first.c_str());
  text(OPLOT_ID_NAV_LAST, last.c_str());
  enable(OPLOT_ID_NAV_FIRST, back);
  enable(OPLOT_ID_NAV_PREVIOUS, back);
  enable(OPLOT_ID_NAV_LAST, forward);
  enable(OPLOT_ID_NAV_NEXT, forward);
  if (HWND edit = NavChild(OPLOT_ID_NAV_INDEX)) {
    ::SetWindowTextA(edit, index.c_str());
    ::SendMessageA(edit, EM_SETSEL, index.size(), index.size());
    ::EnableWindow(edit, kind != 0);
  }
  text(OPLOT_ID_NAV_SEGMENTS, kind == 1 ? "S" : "s");
  text(OPLOT_ID_NAV_FILES, kind == 2 ? "F" : "f");
  text(OPLOT_ID_NAV_PDS, kind == 3 ? "P" : "p");
  enable(OPLOT_ID_NAV_SEGMENTS, m_segmentMode != 0);
  enable(OPLOT_ID_NAV_FILES, m_filesEnabled != 0);
  enable(OPLOT_ID_NAV_PDS, m_pdsEnabled != 0);
}

void CCtlOPlot::ApplySegmentChange() {
  m_historyCount = m_historyNext = m_historyCurrent = 0;
  SVW_OVERLAY* o = m_pOverlay;
  if (o && m_ownFullStart != 0 && m_ownFullEnd != 0) UpdateOverlayPlotData(m_ownFullStart, m_ownFullEnd, o->head.displayMode);
  ClearVerticalScales();
  SetVerticalFullScale(1, 1);
}

void CCtlOPlot::KeepNavigatorSegment() {
  CSegmentNavigator* nav = Navigator();
  const short active = GetActivePlotIndex();
  if (!nav || !nav->active || !m_segmentMode || active < 0) return;
  const int16_t before = m_navSegCurrent;
  nav->KeepSegmentWithData(m_pOverlay, active, &m_navSegCurrent, &m_navSegCount);
  if (m_navSegCurrent != before) UpdateNavigationButtons();
}

void CCtlOPlot::GoToNavigatorSegment(short wanted) {
  CSegmentNavigator* nav = Navigator();
  const short active = GetActivePlotIndex();
  if (!nav || active < 0) return;
  nav->GoToSegment(m_pOverlay, active, wanted, &m_navSegCurrent, &m_navSegCount);
  ApplySegmentChange();
}

void CCtlOPlot::OnSegmentModeBox() {
  HWND box = NavChild(OPLOT_ID_NAV_SEGMENT_MODE);
  m_segmentMode = box && ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  const short active = GetActivePlotIndex();
  if (!m_segmentMode) {
    if (CSegmentNavigator* nav = Navigator()) {
      const SVW_OVERLAY* o = m_pOverlay;
      uint16_t serial = 0;
      if (o && OverlaySlotIndex(active) && o->head.shown[active] && o->tail.inView[active] && o->slots[active].workFile)
        serial = o->slots[active].workFile->serialNumber;
      nav->SwitchOff(active, serial);
      m_lastSptTime = 0;
      m_lastSptPlot = 0;
      m_lastSptSerial = 0;
      m_navSegCount = m_navSegCurrent = 1;
      m_segModeRequested = 0;
      m_historyCount = m_historyNext = m_historyCurrent = 0;
      OnTTFullScale(false);
      PostNotification(41, OPLOT_ROUTE_DEFAULT);
      PostNotification(32, OPLOT_ROUTE_DEFAULT);
    }
  } else {
    if (!m_pSegmentNavigator) m_pSegmentNavigator = new (std::nothrow) CSegmentNavigator(this);
    CSegmentNavigator* nav = Navigator();
    if (!nav) {
      if (box) ::SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
      m_segmentMode = 0;
      m_navSegCount = m_navSegCurrent = 1;
      m_segModeRequested = 0;
    } else {
      if (!nav->active) nav->Reset();
      nav->ChooseForPlot(m_pOverlay, active, m_lastSptTime, m_lastSptPlot, m_lastSptSerial, &m_navSegCurrent,
                         &m_navSegCount);
      m_scrollKind = 1;
      m_segModeRequested = 1;
      ApplySegmentChange();
      PostNotification(31, OPLOT_ROUTE_DEFAULT);
    }
  }
  UpdateNavigationButtons();
}

void CCtlOPlot::EnableSegmentMode() {
  OnSegmentModeBox();
  if (!m_segmentMode && m_scrollKind == 1) {
    if (m_filesEnabled && m_preferFiles)
      m_scrollKind = 2;
    else if (!m_pdsEnabled || m_preferFiles)
      m_scrollKind = 0;
    else
      m_scrollKind = 3;
  }
  UpdateNavigationButtons();
}

LRESULT CCtlOPlot::OnQuibEnableFeature(WPARAM wParam, LPARAM lParam) {
  const int16_t segments = static_cast<int16_t>(wParam) ? 1 : 0;
  auto check = [&](bool on) {
    if (HWND box = NavChild(OPLOT_ID_NAV_SEGMENT_MODE)) ::SendMessageA(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  if (m_navEnabled) {
    m_segModeRequested = segments;
    m_preferFiles = static_cast<int16_t>(lParam) ? 1 : 0;
    check(segments);
    EnableSegmentMode();
    return 0;
  }
  m_navEnabled = 1;
  if (!CreateNavigationStrip()) {
    m_navEnabled = 0;
    return 0;
  }
  m_segModeRequested = segments;
  m_preferFiles = static_cast<int16_t>(lParam) ? 1 : 0;
  m_filesEnabled = m_pdsEnabled = 0;
  if (!segments) {
    m_scrollKind = 0;
    m_segmentMode = 0;
  } else {
    m_scrollKind = 1;
    m_segmentMode = 1;
    m_navSegCount = m_navSegCurrent = 1;
    check(true);
    EnableSegmentMode();
  }
  UpdateNavigationButtons();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

namespace {
// The five values of a stepping record: first label, last label, current, min, max.
bool ReadFive(LPARAM lParam, int16_t* v) {
  if (!lParam) return false;
  std::memcpy(v, reinterpret_cast<const void*>(lParam), 5 * sizeof(int16_t));
  return true;
}
}  // namespace

LRESULT CCtlOPlot::OnQuibEnableFilesScroll(WPARAM wParam, LPARAM lParam) {
  int16_t v[5] = {};
  if (wParam && ReadFive(lParam, v)) {
    m_filesEnabled = 1;
    m_filesFirstLabel = v[0], m_filesLastLabel = v[1], m_filesCurrent = v[2], m_filesMin = v[3], m_filesMax = v[4];
  } else {
    m_filesEnabled = 0;
    m_filesFirstLabel = m_filesLastLabel = m_filesCurrent = m_filesMin = m_filesMax = 0;
  }
  UpdateNavigationButtons();
  return 0;
}

LRESULT CCtlOPlot::OnQuibEnablePDsScroll(WPARAM wParam, LPARAM lParam) {
  int16_t v[5] = {};
  if (wParam && ReadFive(lParam, v)) {
    m_pdsEnabled = 1;
    m_pdsFirstLabel = v[0], m_pdsLastLabel = v[1], m_pdsCurrent = v[2], m_pdsMin = v[3], m_pdsMax = v[4];
  } else {
    m_pdsEnabled = 0;
    m_pdsFirstLabel = m_pdsLastLabel = m_pdsCurrent = m_pdsMin = m_pdsMax = 0;
  }
  UpdateNavigationButtons();
  return 0;
}

LRESULT CCtlOPlot::OnQUIB_GetNewFilesIndex(WPARAM, LPARAM) {
  if (!m_navEnabled || !m_filesEnabled || !m_filesChanged) return -1;
  m_filesChanged = 0;
  return m_newFilesIndex;
}

LRESULT CCtlOPlot::OnQUIB_GetNewPDsIndex(WPARAM, LPARAM) {
  if (!m_navEnabled || !m_pdsEnabled || !m_pdsChanged) return -1;
  m_pdsChanged = 0;
  return m_newPDsIndex;
}

LRESULT CCtlOPlot::OnSetQuib5PressTree(WPARAM wParam, LPARAM) {
  m_treePressed = static_cast<int16_t>(wParam) ? 1 : 0;
  UpdateToolBar();
  return 0;
}

LRESULT CCtlOPlot::OnSetHighlightRange(WPARAM wParam, LPARAM lParam) {
  if (wParam && lParam) {
    std::memcpy(&m_highlight, reinterpret_cast<const void*>(lParam), sizeof m_highlight);
    m_highlightOn = 1;
  } else {
    m_highlight = {};
    m_highlightOn = 0;
  }
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnForceSegmentWithData(WPARAM, LPARAM) {
  CSegmentNavigator* nav = Navigator();
  const short active = GetActivePlotIndex();
  if (!m_segmentMode || !m_segModeRequested || !nav || active < 0) return 0;
  nav->ForceSegmentWithData(m_pOverlay, active, &m_navSegCurrent, &m_navSegCount);
  ApplySegmentChange();
  UpdateNavigationButtons();
  return 0;
}

LRESULT CCtlOPlot::OnShowQualPlots(WPARAM wParam, LPARAM) {
  m_showQualPlots = static_cast<int16_t>(wParam) ? 1 : 0;
  UpdateToolBar();
  return 0;
}

LRESULT CCtlOPlot::OnShowTICPlot(WPARAM wParam, LPARAM) {
  m_showTICPlot = static_cast<int16_t>(wParam) ? 1 : 0;
  UpdateToolBar();
  return 0;
}

namespace {
// Reads the box as "%u" does (leading blanks, a sign, trailing text ignored)
// but refuses a number that does not fit 32 bits: "4294967297" must beep,
// not wrap round to segment 1.
bool ReadTypedIndex(const char* text, unsigned* out) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p < '0' || *p > '9') return false;
  uint64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value > UINT32_MAX) return false;
  }
  // A negative number is never an index; "%u" would have turned it into a
  // large one, which is out of range all the same.
  if (negative && value != 0) return false;
  *out = static_cast<unsigned>(value);
  return true;
}
}  // namespace

LRESULT CCtlOPlot::OnNotifyEditKeyEnter(WPARAM, LPARAM) {
  HWND edit = NavChild(OPLOT_ID_NAV_INDEX);
  HWND focus = ::GetFocus();
  // The ions box takes its text with the host features.
  if (HWND ions = NavChild(OPLOT_ID_EDIT_IONS); ions && focus == ions) {
    EI_TakeTypedIons();
    return 0;
  }
  if (focus && focus != edit) return 0;
  char text[103] = {};
  unsigned value = 0;
  const bool number = edit && ::GetWindowTextA(edit, text, sizeof text) > 0 && ReadTypedIndex(text, &value);
  auto focusBox = [&] {
    if (HWND box = NavChild(OPLOT_ID_NAV_SEGMENT_MODE)) ::SetFocus(box);
  };
  if (number && m_pOverlay && m_navEnabled) {
    const short active = GetActivePlotIndex();
    if (m_scrollKind == 1 && value >= 1 && value <= static_cast<unsigned>(m_navSegCount) && Navigator() &&
        active >= 0) {
      GoToNavigatorSegment(static_cast<short>(value));
      UpdateNavigationButtons();
      focusBox();
      return 0;
    }
    if (m_scrollKind == 2 && static_cast<int>(value) >= m_filesMin && static_cast<int>(value) <= m_filesMax) {
      m_filesCurrent = static_cast<int16_t>(value);
      m_newFilesIndex = m_filesCurrent;
      m_filesChanged = 1;
      PostNotification(15, OPLOT_ROUTE_PARENT);
      UpdateNavigationButtons();
      focusBox();
      return 0;
    }
    if (m_scrollKind == 3 && static_cast<int>(value) >= m_pdsMin && static_cast<int>(value) <= m_pdsMax) {
      m_pdsCurrent = static_cast<int16_t>(value);
      m_newPDsIndex = m_pdsCurrent;
      m_pdsChanged = 1;
      PostNotification(16, OPLOT_ROUTE_PARENT);
      UpdateNavigationButtons();
      focusBox();
      return 0;
    }
  }
  ::MessageBeep(0);
  return 0;
}

bool CCtlOPlot::OnNavigationCommand(UINT id) {
  switch (id) {
    case OPLOT_CMD_TREE:
      m_treePressed = m_treePressed ? 0 : 1;
      PostNotification(m_treePressed ? 21 : 22, OPLOT_ROUTE_DEFAULT);
      return true;
    case OPLOT_CMD_ROTATE:
      PostNotification(25, OPLOT_ROUTE_DEFAULT);
      return true;
    case OPLOT_CMD_QUAL_PLOTS:
      m_showQualPlots = m_showQualPlots ? 0 : 1;
      PostNotification(m_showQualPlots ? 36 : 37, OPLOT_ROUTE_DEFAULT);
      UpdateToolBar();
      return true;
    case OPLOT_CMD_TIC_PLOT:
      m_showTICPlot = m_showTICPlot ? 0 : 1;
      PostNotification(m_showTICPlot ? 38 : 39, OPLOT_ROUTE_DEFAULT);
      UpdateToolBar();
      return true;
    case OPLOT_CMD_PRINT_REQUEST:
      PostNotification(33, OPLOT_ROUTE_DEFAULT);
      return true;
    default:
      break;
  }
  if (id < OPLOT_ID_NAV_FIRST || id > OPLOT_ID_NAV_SEGMENT_MODE || id == OPLOT_ID_NAV_MODE || !m_navEnabled)
    return false;
  const short active = GetActivePlotIndex();
  switch (id) {
    case OPLOT_ID_NAV_SEGMENT_MODE:
      OnSegmentModeBox();
      return true;
    case OPLOT_ID_NAV_SEGMENTS:
      m_scrollKind = m_segmentMode ? 1 : 0;
      m_segModeRequested = 1;
      break;
    case OPLOT_ID_NAV_FILES:
      if (!m_pOverlay) return true;
      m_scrollKind = m_filesEnabled && !m_pOverlay->head.maximised ? 2 : 0;
      m_preferFiles = 1;
      if (m_scrollKind == 2) PostNotification(26, OPLOT_ROUTE_DEFAULT);
      break;
    case OPLOT_ID_NAV_PDS:
      if (!m_pOverlay) return true;
      m_scrollKind = m_pdsEnabled && !m_pOverlay->head.maximised ? 3 : 0;
      m_preferFiles = 0;
      if (m_scrollKind == 3) PostNotification(27, OPLOT_ROUTE_DEFAULT);
      break;
    default: {
      // First, previous, next, last.
      const int step = static_cast<int>(id) - OPLOT_ID_NAV_FIRST;
      if (m_scrollKind == 1) {
        if (Navigator() && active >= 0) {
          const short wanted[] = {1, static_cast<short>(m_navSegCurrent - 1), static_cast<short>(m_navSegCurrent + 1),
                                  m_navSegCount};
          GoToNavigatorSegment(wanted[step]);
        }
      } else if (m_scrollKind == 2 || m_scrollKind == 3) {
        const bool files = m_scrollKind == 2;
        if (step == 0 || step == 3) {
          int16_t& current = files ? m_filesCurrent : m_pdsCurrent;
          current = step == 0 ? (files ? m_filesMin : m_pdsMin) : (files ? m_filesMax : m_pdsMax);
          (files ? m_newFilesIndex : m_newPDsIndex) = current;
          (files ? m_filesChanged : m_pdsChanged) = 1;
          PostNotification(files ? 15 : 16, OPLOT_ROUTE_PARENT);
        } else {
          // The program moves and answers with its stepping record.
          PostNotification(static_cast<unsigned short>((files ? 17 : 19) + (step == 2 ? 1 : 0)), OPLOT_ROUTE_PARENT);
        }
      }
      break;
    }
  }
  UpdateNavigationButtons();
  return true;
}
