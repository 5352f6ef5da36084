// The filtering parameters dialog with its live preview.
#include "dialogs/filtering_params_dialog.h"

#include <cstring>
#include <string>

#include "common/library_state.h"
#include "dialogs/edit_field_checks.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

// Smoothing points by value.
const char* const kPoints[5] = {"3", "5", "7", "9", "11"};

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, FILTERING_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Edit Filtering Parameters";
  t.cx = 230;
  t.cy = 150;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD radio = WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
  t.items = {
      {-1, "Button", "Plot", WS_VISIBLE | BS_GROUPBOX, 0, 6, 4, 160, 48},
      {FP_RAW_ONLY, "Button", "&Raw Data Only", radio | WS_GROUP, 0, 12, 15, 140, 10},
      {FP_FILTERED_ONLY, "Button", "&Filtered Data Only", radio, 0, 12, 27, 140, 10},
      {FP_OVERLAID, "Button", "Filtered &and Raw Data Overlaid", radio, 0, 12, 39, 140, 10},
      {-1, "Button", "Smoothing", WS_VISIBLE | BS_GROUPBOX, 0, 6, 56, 160, 44},
      {FP_SMOOTH, "Button", "&Smooth Data", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | WS_GROUP, 0, 12, 67, 60, 10},
      {-1, "Static", "Points:", WS_VISIBLE | SS_LEFT, 0, 84, 68, 26, 9},
      {FP_POINTS, "ComboBox", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 112, 66, 44, 70},
      {FP_MEAN, "Button", "&Mean", radio | WS_GROUP, 0, 12, 83, 50, 10},
      {FP_SAVITSKY_GOLAY, "Button", "Savitsky &Golay", radio, 0, 70, 83, 80, 10},
      {-1, "Button", "Spikes", WS_VISIBLE | BS_GROUPBOX, 0, 6, 104, 160, 40},
      {FP_SPIKES, "Button", "Remove Spi&kes", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | WS_GROUP, 0, 12, 115, 80,
       10},
      {-1, "Static", "Spike Threshold Factor:", WS_VISIBLE | SS_LEFT, 0, 12, 129, 84, 9},
      {FP_THRESHOLD, "Edit", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 100, 127, 40, 12},
      {IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON | WS_GROUP, 0, 174, 8, 50, 14},
      {IDCANCEL, "Button", "Cancel", push, 0, 174, 26, 50, 14},
  };
  AddDialog(module, FILTERING_DIALOG_ID, t);
}

}  // namespace

const char* KELT_CheckTransientFilter(const int16_t* f) {
  if (!f) return "No filter was given.";
  if (f[0] < 0 || f[0] > 2) return "The plot must be 0, 1 or 2.";
  if (f[1] < 0 || f[1] > 1) return "The smoothing switch must be 0 or 1.";
  if (f[3] < 0 || f[3] > 1) return "The smoothing method must be 0 or 1.";
  // Savitsky-Golay smooths over 5 points at least.
  if (f[2] < (f[3] == 1 ? 2 : 1) || f[2] > 5)
    return f[3] == 1 ? "The smoothing points must lie from 2 to 5." : "The smoothing points must lie from 1 to 5.";
  if (f[4] < 0 || f[4] > 1) return "The spike switch must be 0 or 1.";
  if (f[5] < 2 || f[5] > 20) return "The spike threshold must lie from 2 to 20.";
  return nullptr;
}

CFilteringParamsDlg::CFilteringParamsDlg(int16_t* filter, CWnd* control) : m_filter(filter), m_control(control) {
  if (filter) std::memcpy(m_working, filter, sizeof m_working);
}

INT_PTR CFilteringParamsDlg::DoModal() {
  if (!m_filter) return IDCANCEL;
  AddTemplate();
  if (!kelt::dlg::InitModalFromLibrary(this, FILTERING_DIALOG_ID, m_control)) return IDCANCEL;
  return CDialog::DoModal() == IDOK ? IDOK : IDCANCEL;
}

BOOL CFilteringParamsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  std::memcpy(m_working, m_filter, sizeof m_working);
  SendDlgItemMessage(FP_THRESHOLD, EM_LIMITTEXT, 6, 0);
  Show();
  PositionDialog(m_hWnd, m_control ? m_control->GetSafeHwnd() : nullptr);
  return TRUE;
}

void CFilteringParamsDlg::Show() {
  int16_t* w = m_working;
  auto enable = [&](int id, bool on) { ::EnableWindow(::GetDlgItem(m_hWnd, id), on ? TRUE : FALSE); };
  const bool any = w[1] || w[4];
  if (!any) w[0] = 0;  // nothing filtered: only the raw data to plot
  enable(FP_FILTERED_ONLY, any);
  enable(FP_OVERLAID, any);
  CheckDlgButton(FP_SMOOTH, w[1] ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(FP_SPIKES, w[4] ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemText(FP_THRESHOLD, std::to_string(w[5]).c_str());
  enable(FP_THRESHOLD, w[4] != 0);
  HWND list = ::GetDlgItem(m_hWnd, FP_POINTS);
  ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
  const int first = w[3] == 1 ? 1 : 0;  // Savitsky-Golay from 5 points
  for (int i = first; i < 5; ++i) ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kPoints[i]));
  ::SendMessageA(list, CB_SETCURSEL, w[2] - 1 - first, 0);
  enable(FP_POINTS, w[1] != 0);
  enable(FP_MEAN, w[1] != 0);
  enable(FP_SAVITSKY_GOLAY, w[1] != 0);
  CheckDlgButton(FP_MEAN, w[3] == 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(FP_SAVITSKY_GOLAY, w[3] == 1 ? BST_CHECKED : BST_UNCHECKED);
  for (int i = 0; i < 3; ++i) CheckDlgButton(FP_RAW_ONLY + i, w[0] == i ? BST_CHECKED : BST_UNCHECKED);
}

void CFilteringParamsDlg::Changed() {
  Show();
  if (m_control && m_control->GetSafeHwnd())
    ::SendMessageA(m_control->GetSafeHwnd(), FP_PREVIEW_MESSAGE, 0, reinterpret_cast<LPARAM>(m_working));
}

BOOL CFilteringParamsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  int16_t* w = m_working;
  if (code == BN_CLICKED) {
    switch (id) {
      case FP_RAW_ONLY:
      case FP_FILTERED_ONLY:
      case FP_OVERLAID:
        w[0] = static_cast<int16_t>(id - FP_RAW_ONLY);
        Changed();
        return TRUE;
      case FP_SMOOTH:
      case FP_SPIKES: {
        const int16_t on = IsDlgButtonChecked(id) == BST_CHECKED ? 1 : 0;
        w[id == FP_SMOOTH ? 1 : 4] = on;
        if (on && w[0] == 0) w[0] = 1;  // something to see at once
        Changed();
        return TRUE;
      }
      case FP_MEAN:
        w[3] = 0;
        Changed();
        return TRUE;
      case FP_SAVITSKY_GOLAY:
        w[3] = 1;
        if (w[2] == 1) w[2] = 2;
        Changed();
        return TRUE;
      default:
        break;
    }
  }
  if (id == FP_POINTS && code == CBN_SELCHANGE) {
    const int sel = static_cast<int>(SendDlgItemMessage(FP_POINTS, CB_GETCURSEL, 0, 0));
    if (sel >= 0) {
      w[2] = static_cast<int16_t>(sel + 1 + (w[3] == 1 ? 1 : 0));
      Changed();
    }
    return TRUE;
  }
  if (id == FP_THRESHOLD && code == EN_KILLFOCUS) {
    if (HandleKillEditShort(this, FP_THRESHOLD, "Spike Threshold", 2, 20, &w[5])) Changed();
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CFilteringParamsDlg::OnOK() {
  // Enter closes only from OK; in the threshold field it does nothing.
  CWnd* focus = CWnd::GetFocus();
  HWND f = focus ? focus->GetSafeHwnd() : nullptr;
  if (f && ::GetDlgCtrlID(f) != IDOK) return;
  std::memcpy(m_filter, m_working, sizeof m_working);
  CDialog::OnOK();
}
