// The "Make Centroid Spectrum" window of the spectrum control.
#include "spectrumctl/make_centroid_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "common/display_helpers.h"
#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "reportpages/file_selection.h"
#include "spectra/profile_to_centroid.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr int kEntrySize = 52;

void EnsureTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, MAKE_CENTROID_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Make Centroid Spectrum";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
  t.cx = 188;
  t.cy = 190;
  const DWORD label = WS_VISIBLE | SS_LEFT, edit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  const DWORD list = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, check = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
  t.items = {
      {MCD_GROUP, "Button", "", WS_VISIBLE | BS_GROUPBOX, 0, 6, 4, 176, 122},
      {MCD_CHARGE_LABEL, "Static", "Charge State:", label, 0, 12, 16, 90, 8},
      {MCD_CHARGE, "ComboBox", "", list, 0, 106, 14, 40, 80},
      {MCD_NORMALIZE, "Button", "Normalize", check, 0, 12, 30, 90, 10},
      {MCD_THRESHOLD_LABEL, "Static", "Count Threshold:", label, 0, 12, 46, 90, 8},
      {MCD_THRESHOLD, "Edit", "", edit, 0, 106, 44, 40, 12},
      {MCD_SMOOTH_LABEL, "Static", "Smoothing Points:", label, 0, 12, 62, 90, 8},
      {MCD_SMOOTH, "ComboBox", "", list, 0, 106, 60, 40, 80},
      {MCD_SEARCH_LABEL, "Static", "Search Points:", label, 0, 12, 78, 90, 8},
      {MCD_SEARCH, "Edit", "", edit, 0, 106, 76, 40, 12},
      {MCD_CENTROID_LABEL, "Static", "Centroid Points:", label, 0, 12, 94, 90, 8},
      {MCD_CENTROID, "Edit", "", edit, 0, 106, 92, 40, 12},
      {MCD_FORCED_APEX, "Button", "&Forced Apex", check, 0, 12, 110, 60, 10},
      {MCD_FORCED_PERCENT_LABEL, "Static", "Forced Apex Threshold %:", label, 0, 74, 111, 84, 8},
      {MCD_FORCED_PERCENT, "Edit", "", edit, 0, 158, 109, 20, 12},
      {MCD_MAKE_SPECTRUM, "Button", "Make Spectrum", push, 0, 6, 134, 176, 14},
      {MCD_MAKE_FILE, "Button", "Make Centroid Data File", push, 0, 6, 152, 176, 14},
      {MCD_RESET, "Button", "Reset", push, 0, 6, 172, 54, 14},
      {MCD_HELP, "Button", "Help", push, 0, 67, 172, 54, 14},
      {IDCANCEL, "Button", "Exit", push, 0, 128, 172, 54, 14},
  };
  AddDialog(module, MAKE_CENTROID_DIALOG, t);
}

void SetNumber(CWnd* dlg, int id, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  dlg->SetDlgItemText(id, text);
}

}  // namespace

uint16_t& CentroidNormalizeFlag() {
  static uint16_t flag = 1;
  return flag;
}

CMakeCentroidDlg::CMakeCentroidDlg(CWnd* control, const STRUCT_CCSPT_CENTROID_SETUP* setup)
    : CDialog(MAKE_CENTROID_DIALOG, nullptr), m_control(control), m_controlWnd(control ? control->m_hWnd : nullptr) {
  m_setup = static_cast<STRUCT_CCSPT_CENTROID_SETUP*>(AllocBlock(sizeof(STRUCT_CCSPT_CENTROID_SETUP)));
  if (m_setup && setup) std::memcpy(m_setup, setup, sizeof *m_setup);
  if (m_setup) m_work = m_setup->params;
}

CMakeCentroidDlg::~CMakeCentroidDlg() {
  FreeBlock(m_smoothList);
  FreeBlock(m_setup);
}

BOOL CMakeCentroidDlg::Create() {
  if (!m_setup) return FALSE;
  EnsureTemplate();
  return CDialog::Create(MAKE_CENTROID_DIALOG, m_control);
}

const char* CMakeCentroidDlg::Caption() const { return m_caption; }

int CMakeCentroidDlg::SmoothingChoices(int maximum, uint16_t* values, int capacity) {
  int n = 0;
  if (capacity > 0) values[n++] = 3;
  for (int v = 5; v <= maximum && n < capacity; v += 2) values[n++] = static_cast<uint16_t>(v);
  return n;
}

void CMakeCentroidDlg::ComputeLimits() {
  MS_CENTROID_ENGINE_PARAMS& e = m_work.engine;
  if (!GetCentroidParamLimits(m_setup->dataKind, m_setup->peakWidth, m_setup->pointSpacing, e.chargeState,
                              &m_limits))
    m_limits = MS_CENTROID_LIMITS{1, 3, 1, 1, 1};
  auto clampTo = [](uint16_t& v, uint16_t high) {
    if (v > high) v = high;
  };
  clampTo(e.searchPoints, m_limits.maxSearchPoints);
  clampTo(e.centroidPoints, m_limits.maxCentroidPoints);
  clampTo(e.smoothPoints, m_limits.maxSmoothPoints);
  clampTo(e.chargeState, m_limits.maxChargeState);
}

void CMakeCentroidDlg::FillControls() {
  const MS_CENTROID_ENGINE_PARAMS& e = m_work.engine;
  const struct {
    int id, limit, value;
  } edits[] = {{MCD_THRESHOLD, 5, e.thresholdCount},
               {MCD_SEARCH, 3, e.searchPoints},
               {MCD_CENTROID, 2, e.centroidPoints},
               {MCD_FORCED_PERCENT, 2, e.forcedApexPercent}};
  for (const auto& f : edits) {
    SendDlgItemMessage(f.id, EM_LIMITTEXT, f.limit, 0);
    SetNumber(this, f.id, f.value);
  }
  CheckDlgButton(MCD_FORCED_APEX, e.forcedApex ? BST_CHECKED : BST_UNCHECKED);
  if (CWnd* w = GetDlgItem(MCD_FORCED_PERCENT)) w->EnableWindow(e.forcedApex ? TRUE : FALSE);

  FreeBlock(m_smoothList);
  m_smoothList = nullptr;
  m_smoothCount = 0;
  uint16_t values[64];
  const int n = SmoothingChoices(m_limits.maxSmoothPoints, values, 64);
  m_smoothList = static_cast<uint8_t*>(AllocBlock(static_cast<uint32_t>(n * kEntrySize)));
  SendDlgItemMessage(MCD_SMOOTH, CB_RESETCONTENT, 0, 0);
  int selected = 0;
  for (int i = 0; m_smoothList && i < n; ++i) {
    uint8_t* entry = m_smoothList + i * kEntrySize;
    std::memcpy(entry, &values[i], 2);
    std::snprintf(reinterpret_cast<char*>(entry + 2), kEntrySize - 2, "%d", values[i]);
    SendDlgItemMessage(MCD_SMOOTH, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry + 2));
    if (values[i] == e.smoothPoints) selected = i;
  }
  if (m_smoothList) m_smoothCount = static_cast<uint16_t>(n);
  SendDlgItemMessage(MCD_SMOOTH, CB_SETCURSEL, selected, 0);

  SendDlgItemMessage(MCD_CHARGE, CB_RESETCONTENT, 0, 0);
  for (int z = 1; z <= m_limits.maxChargeState; ++z) {
    char text[8];
    std::snprintf(text, sizeof text, "%d", z);
    SendDlgItemMessage(MCD_CHARGE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendDlgItemMessage(MCD_CHARGE, CB_SETCURSEL, e.chargeState ? e.chargeState - 1 : 0, 0);

  if (CWnd* normalize = GetDlgItem(MCD_NORMALIZE)) {
    if (kelt::lib::Settings().canShowHalfHeights)
      CheckDlgButton(MCD_NORMALIZE, CentroidNormalizeFlag() ? BST_CHECKED : BST_UNCHECKED);
    else
      normalize->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Invalidate(TRUE);
}

void CMakeCentroidDlg::Place() {
  if (!m_controlWnd) return;
  RECT c{}, me{};
  ::GetWindowRect(m_controlWnd, &c);
  ::GetWindowRect(m_hWnd, &me);
  const int w = me.right - me.left, h = me.bottom - me.top;
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const int controlW = c.right - c.left;
  int x = c.left > screenW / 2 - controlW / 2 ? c.left - w : c.right;
  if (x + w > screenW - 2) x = screenW - 2 - w;
  if (x < 2) x = 2;
  int y = c.top + m_setup->verticalOffset;
  int bottomLimit = screenH - 2 * caption - 2;
  if (m_setup->index == 0) bottomLimit -= 2 * caption;
  if (y + h > bottomLimit) y = bottomLimit - h;
  if (y < c.top - 1) y = c.top - 1;
  SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CMakeCentroidDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ComputeLimits();
  FillControls();
  char label[13] = {};
  std::memcpy(label, m_setup->label, strnlen(m_setup->label, sizeof m_setup->label - 1));
  std::snprintf(m_caption, sizeof m_caption, "Make Centroid Spectrum %s%s", label, m_setup->index ? " B" : " A");
  SetWindowText(m_caption);
  SetDlgItemText(MCD_MAKE_SPECTRUM, m_caption);
  Place();
  ShowWindow(SW_SHOW);
  return TRUE;
}

// Enter changes nothing in this window.
void CMakeCentroidDlg::OnOK() {}

void CMakeCentroidDlg::OnCancel() { DestroyWindow(); }

void CMakeCentroidDlg::PostNcDestroy() { delete this; }

void CMakeCentroidDlg::ReadShort(int id, int low, int high, const char* name, uint16_t* value) {
  char text[32] = {};
  GetDlgItemText(id, text, sizeof text);
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  const bool number = end != text && *end == 0;
  if (number && v >= low && v <= high) {
    *value = static_cast<uint16_t>(v);
    return;
  }
  char message[160];
  std::snprintf(message, sizeof message, "%s must be a number from %d to %d.", name, low, high);
  ::MessageBoxA(m_hWnd, message, Caption(), MB_OK | MB_ICONINFORMATION);
  // The nearest allowed value replaces a wrong one; no number keeps the old.
  if (number) *value = static_cast<uint16_t>(v < low ? low : high);
  SetNumber(this, id, *value);
}

void CMakeCentroidDlg::CommitFields() {
  MS_CENTROID_ENGINE_PARAMS& e = m_work.engine;
  ReadShort(MCD_THRESHOLD, 0, 32000, "Threshold Count", &e.thresholdCount);
  ReadShort(MCD_SEARCH, 1, m_limits.maxSearchPoints, "Search Points", &e.searchPoints);
  ReadShort(MCD_CENTROID, 1, m_limits.maxCentroidPoints, "Centroid Points", &e.centroidPoints);
  ReadShort(MCD_FORCED_PERCENT, 0, 99, "Forced Apex Threshold Points", &e.forcedApexPercent);
}

bool CMakeCentroidDlg::Consistent() {
  if (m_work.engine.centroidPoints <= m_work.engine.searchPoints) return true;
  ::MessageBoxA(m_hWnd,
                "The number of search points must be greater\nor equal to the number of centroid points.",
                Caption(), MB_OK | MB_ICONINFORMATION);
  return false;
}

void CMakeCentroidDlg::Convert() {
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const int32_t done = KELT_ConvertProfileToCentroidDataFile(m_setup->dataFile, m_output, &m_work,
                                                            m_setup->conversionMode, m_setup->peakWidth,
                                                            m_setup->requestWord, m_setup->requestValue);
  SetCursor(old);
  KELT_ShowDoneStatus(done ? 1 : 0);
}

BOOL CMakeCentroidDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  MS_CENTROID_ENGINE_PARAMS& e = m_work.engine;
  switch (id) {
    case MCD_CHARGE:
      if (code == CBN_SELCHANGE) {
        const LRESULT i = SendDlgItemMessage(MCD_CHARGE, CB_GETCURSEL, 0, 0);
        if (i >= 0 && i + 1 <= m_limits.maxChargeState) {
          e.chargeState = static_cast<uint16_t>(i + 1);
          ComputeLimits();
          e.searchPoints = m_limits.suggestedSearchPoints;
          FillControls();
        }
      }
      return TRUE;
    case MCD_SMOOTH:
      if (code == CBN_SELCHANGE) {
        const LRESULT i = SendDlgItemMessage(MCD_SMOOTH, CB_GETCURSEL, 0, 0);
        if (i >= 0 && i < m_smoothCount) std::memcpy(&e.smoothPoints, m_smoothList + i * kEntrySize, 2);
      }
      return TRUE;
    case MCD_THRESHOLD:
      if (code == EN_KILLFOCUS) ReadShort(id, 0, 32000, "Threshold Count", &e.thresholdCount);
      return TRUE;
    case MCD_SEARCH:
      if (code == EN_KILLFOCUS) ReadShort(id, 1, m_limits.maxSearchPoints, "Search Points", &e.searchPoints);
      return TRUE;
    case MCD_CENTROID:
      if (code == EN_KILLFOCUS) ReadShort(id, 1, m_limits.maxCentroidPoints, "Centroid Points", &e.centroidPoints);
      return TRUE;
    case MCD_FORCED_PERCENT:
      if (code == EN_KILLFOCUS) ReadShort(id, 0, 99, "Forced Apex Threshold Points", &e.forcedApexPercent);
      return TRUE;
    case MCD_FORCED_APEX:
      e.forcedApex = IsDlgButtonChecked(MCD_FORCED_APEX) ? 1 : 0;
      if (CWnd* w = GetDlgItem(MCD_FORCED_PERCENT)) w->EnableWindow(e.forcedApex ? TRUE : FALSE);
      return TRUE;
    case MCD_NORMALIZE:
      CentroidNormalizeFlag() = IsDlgButtonChecked(MCD_NORMALIZE) ? 1 : 0;
      return TRUE;
    case MCD_MAKE_SPECTRUM: {
      // A value typed but not yet left counts.
      CommitFields();
      if (!Consistent() || !m_controlWnd || !::IsWindow(m_controlWnd)) return TRUE;
      STRUCT_CCSPT_CENTROID_REQUEST request{};
      request.params = m_work;
      ::SendMessageA(m_controlWnd, SPTM_MAKECENTROIDSPECTRUM, m_setup->index ? 1 : 0, reinterpret_cast<LPARAM>(&request));
      return TRUE;
    }
    case MCD_MAKE_FILE:
      CommitFields();
      if (!Consistent()) return TRUE;
      std::memcpy(m_output, m_setup->dataFile, sizeof m_output);
      m_output[sizeof m_output - 1] = 0;
      if (Dlg_SelectSaveAsFileExEx(m_hWnd, 14, m_output, 1, 0, "-CENTROID", 0))
        ::SetTimer(m_hWnd, MCD_TIMER_CONVERT, 250, nullptr);
      else
        m_output[0] = 0;
      return TRUE;
    case MCD_RESET:
      m_work = m_setup->params;
      ComputeLimits();
      FillControls();
      return TRUE;
    case IDCANCEL: OnCancel(); return TRUE;
    case IDOK: return TRUE;
    case MCD_HELP: return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
  }
}

LRESULT CMakeCentroidDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == MCD_NEWSETUP) {
    const auto* next = reinterpret_cast<const STRUCT_CCSPT_CENTROID_SETUP*>(lParam);
    if (next && next->dataFile[0] && next->dataKind && m_setup &&
        (_stricmp(next->dataFile, m_setup->dataFile) != 0 || next->identity != m_setup->identity)) {
      std::memcpy(m_setup, next, sizeof *m_setup);
      m_setup->dataFile[sizeof m_setup->dataFile - 1] = 0;
      m_work = m_setup->params;
      m_limits = MS_CENTROID_LIMITS{};
      ComputeLimits();
      FillControls();
    }
    return 0;
  }
  if (msg == WM_TIMER) {
    ::KillTimer(m_hWnd, wParam);
    if (wParam == MCD_TIMER_CONVERT) Convert();
    return 0;
  }
  if (msg == WM_DESTROY) {
    // However the window goes (Exit, the close box, its owner going), the
    // control forgets it.
    if (m_controlWnd && ::IsWindow(m_controlWnd))
      ::SendMessageA(m_controlWnd, SPTM_CLOSEDCENTROIDDIALOG, m_setup && m_setup->index ? 1 : 0, 0);
    m_controlWnd = nullptr;
  }
  if (msg == WM_CLOSE) {
    OnCancel();
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

CMakeCentroidDlg* OpenMakeCentroidDialog(CWnd* control, const STRUCT_CCSPT_CENTROID_SETUP* setup) {
  if (!setup) return nullptr;
  auto* dlg = new (std::nothrow) CMakeCentroidDlg(control, setup);
  if (!dlg) return nullptr;
  if (!dlg->Create()) {
    delete dlg;
    return nullptr;
  }
  return dlg;
}

namespace {

// The median spacing of consecutive profile points, in m/z; 0 when unknown.
double MedianSpacing(const STRUCT_TOL_SPT* tol) {
  if (!tol || tol->pairCount < 2) return 0;
  std::vector<double> steps;
  steps.reserve(tol->pairCount - 1);
  for (uint32_t i = 1; i < tol->pairCount; ++i) {
    const double d = tol->pairs[i].mass - tol->pairs[i - 1].mass;
    if (d > 0 && std::isfinite(d)) steps.push_back(d);
  }
  if (steps.empty()) return 0;
  std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
  return steps[steps.size() / 2];
}

}  // namespace

bool OpenCentroidDialogOf(CCtlSpt* control, short slot) {
  if (!control || slot < 0 || slot > 1 || control->m_pCentroidDlg[slot]) return false;
  const STRUCT_SPT_PLUS* shown = control->m_display[slot];
  if (!shown || shown->kind != SPT_KIND_TOL || !shown->tolSpt || !shown->tolSpt->profile) return false;
  const STRUCT_TOL_SPT* tol = shown->tolSpt;
  auto* setup = static_cast<STRUCT_CCSPT_CENTROID_SETUP*>(AllocBlock(sizeof(STRUCT_CCSPT_CENTROID_SETUP)));
  if (!setup) return false;
  std::memcpy(setup->dataFile, tol->dataFilePath, strnlen(tol->dataFilePath, sizeof setup->dataFile - 1));
  setup->dataKind = 1;
  setup->identity = static_cast<uint16_t>(tol->header.scanNumber);
  MS_CENTROID_ENGINE_PARAMS& e = setup->params.engine;
  const STRUCT_SPTS_PROFILE& p = control->m_prefs.profile;
  e.chargeState = static_cast<uint16_t>(p.chargeState > 0 ? p.chargeState : 1);
  e.smoothPoints = 3;
  e.searchPoints = static_cast<uint16_t>(p.searchPoints > 0 ? p.searchPoints : 3);
  e.centroidPoints = e.searchPoints;
  e.forcedApexPercent = 10;
  setup->pointSpacing = MedianSpacing(tol);
  // A peak of the fixture runs and of a typical quadrupole: 0.6 m/z at half height.
  setup->peakWidth = setup->pointSpacing > 0 ? 0.6 : 0;
  // The acquisition's own peak width and smoothing, when the data file keeps them.
  DF_CENTROID_PARAMS stored{};
  const uint16_t segment = tol->header.segment ? tol->header.segment : 1;
  if (tol->dataFilePath[0] && ReadCentroidParams(tol->dataFilePath, segment, 0, &stored)) {
    if (std::isfinite(stored.peakWidth) && stored.peakWidth > 0 && stored.peakWidth < 100 && setup->pointSpacing > 0)
      setup->peakWidth = stored.peakWidth;
    if (stored.smoothingPoints >= 3 && stored.smoothingPoints % 2 == 1 && stored.smoothingPoints < 100)
      e.smoothPoints = stored.smoothingPoints;
  }
  setup->index = static_cast<uint16_t>(slot);
  setup->verticalOffset = control->m_plotTop + 4 + (slot ? control->m_paneHeight[0] : 0);
  std::memcpy(setup->label, control->m_name, strnlen(control->m_name, sizeof control->m_name));
  CMakeCentroidDlg* dlg = OpenMakeCentroidDialog(control, setup);
  FreeBlock(setup);
  if (!dlg) return false;
  control->m_pCentroidDlg[slot] = dlg;
  return true;
}
