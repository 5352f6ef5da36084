// The modal integration-parameters dialog.
#include "dialogs/integration_params_dialog.h"

#include <cstdio>

#include "common/library_state.h"
#include "dialogs/edit_field_checks.h"
#include "dialogs/quick_integration_params.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, INTEGRATION_PARAMS_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Edit Integration Parameters";
  t.cx = 262;
  t.cy = 120;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD edit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  const DWORD label = WS_VISIBLE | SS_LEFT;
  t.items = {
      {-1, "Button", "Integration Method", WS_VISIBLE | BS_GROUPBOX, 0, 6, 4, 250, 70},
      {-1, "Static", "Peak Width (sec):", label, 0, 12, 18, 86, 9},
      {IP_WIDTH, "Edit", "", edit, 0, 100, 16, 44, 12},
      {-1, "Static", "0.5 to 256.0 seconds; default 4.0", label, 0, 150, 18, 100, 9},
      {-1, "Static", "Slope Sensitivity (SN):", label, 0, 12, 32, 86, 9},
      {IP_SLOPE, "Edit", "", edit, 0, 100, 30, 44, 12},
      {-1, "Static", "1 to 256; default 20", label, 0, 150, 32, 100, 9},
      {-1, "Static", "Tangent %:", label, 0, 12, 46, 86, 9},
      {IP_TANGENT, "Edit", "", edit, 0, 100, 44, 44, 12},
      {-1, "Static", "0 to 100; default 10", label, 0, 150, 46, 100, 9},
      {-1, "Static", "Peak Size Reject (counts):", label, 0, 12, 60, 86, 9},
      {IP_REJECT, "Edit", "", edit, 0, 100, 58, 44, 12},
      {-1, "Static", "0 to 2,000,000,000; default 2,000", label, 0, 150, 60, 100, 9},
      {IP_LOCK, "Button", "&Lock Peak Width", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 12, 80, 90, 10},
      {IP_SAVE, "Button", "&Save Method", push, 0, 6, 98, 46, 14},
      {IP_LOAD, "Button", "&Load Method", push, 0, 56, 98, 46, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 106, 98, 46, 14},
      {IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 156, 98, 46, 14},
      {IDCANCEL, "Button", "Cancel", push, 0, 206, 98, 46, 14},
  };
  AddDialog(module, INTEGRATION_PARAMS_DIALOG_ID, t);
}

bool IsField(int id) { return id == IP_WIDTH || id == IP_SLOPE || id == IP_TANGENT || id == IP_REJECT; }

}  // namespace

CIntegrationParamsDlg::CIntegrationParamsDlg(const STRUCT_WORK_FILE* workFile, CWnd* parent)
    : m_pWorkFile(workFile) {
  (void)parent;
}

bool CIntegrationParamsDlg::Prepare(CWnd* parent) {
  AddTemplate();
  return kelt::dlg::InitModalFromLibrary(this, INTEGRATION_PARAMS_DIALOG_ID, parent);
}

void CIntegrationParamsDlg::LoadStored() {
  const uint16_t id = m_pWorkFile ? m_pWorkFile->fileType : 0;
  kelt::quickint::SetDefaultParams(id, &m_widthTenths, &m_slope, &m_tangent, &m_reject, &m_lock);
  STRUCT_QUICK_INT_PARAMS r{};
  if (kelt::quickint::ReadParams(EDIT_INT_PARAMS_SECTION, id, &r)) {
    m_widthTenths = r.peakWidthTenths;
    m_slope = r.slopeSensitivity;
    m_tangent = r.tangentPercent;
    m_reject = r.peakSizeReject;
    m_lock = r.lockPeakWidth;
  }
}

bool CIntegrationParamsDlg::SaveStored() const {
  if (!m_pWorkFile) return false;
  STRUCT_QUICK_INT_PARAMS r{};
  r.peakWidthTenths = m_widthTenths;
  r.slopeSensitivity = m_slope;
  r.tangentPercent = m_tangent;
  r.peakSizeReject = m_reject;
  r.lockPeakWidth = m_lock;
  return kelt::quickint::WriteParams(EDIT_INT_PARAMS_SECTION, m_pWorkFile->fileType, r);
}

void CIntegrationParamsDlg::Fill() {
  char text[40];
  std::snprintf(text, sizeof text, "%.1f", m_widthTenths / 10.0);
  SetDlgItemText(IP_WIDTH, text);
  std::snprintf(text, sizeof text, "%d", m_slope);
  SetDlgItemText(IP_SLOPE, text);
  std::snprintf(text, sizeof text, "%d", m_tangent);
  SetDlgItemText(IP_TANGENT, text);
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(m_reject));
  SetDlgItemText(IP_REJECT, text);
  CheckDlgButton(IP_LOCK, m_lock ? BST_CHECKED : BST_UNCHECKED);
}

BOOL CIntegrationParamsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_pWorkFile) {
    EndDialog(0);
    return TRUE;
  }
  LoadStored();
  SendDlgItemMessage(IP_WIDTH, EM_LIMITTEXT, 6, 0);
  SendDlgItemMessage(IP_SLOPE, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessage(IP_TANGENT, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessage(IP_REJECT, EM_LIMITTEXT, 11, 0);
  Fill();
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
  return TRUE;
}

void CIntegrationParamsDlg::KillField(int id) {
  if (id == IP_WIDTH) {
    double seconds = m_widthTenths / 10.0;
    if (HandleKillEditDouble(this, IP_WIDTH, "Peak Width (seconds)", "%.1f", 0.5, 256.0, &seconds))
      m_widthTenths = kelt::quickint::TenthsFromSeconds(seconds);
  } else if (id == IP_SLOPE || id == IP_TANGENT) {
    uint16_t& field = id == IP_SLOPE ? m_slope : m_tangent;
    int16_t v = static_cast<int16_t>(field);
    if (HandleKillEditShort(this, static_cast<uint16_t>(id), id == IP_SLOPE ? "Slope Sensitivity (SN)" : "Tangent %",
                            id == IP_SLOPE ? 1 : 0, id == IP_SLOPE ? 256 : 100, &v))
      field = static_cast<uint16_t>(v);
  } else if (id == IP_REJECT) {
    uint32_t v = static_cast<uint32_t>(m_reject);
    if (HandleKillEditDWORD(this, IP_REJECT, "Peak Size Reject (counts)", 0, 2000000000u, &v)) m_reject = v;
  }
}

void CIntegrationParamsDlg::OnOK() {
  // Enter ends the dialog only from OK; elsewhere it moves on.
  CWnd* focus = CWnd::GetFocus();
  HWND f = focus ? focus->GetSafeHwnd() : nullptr;
  if (f && ::GetDlgCtrlID(f) != IDOK) {
    HWND next = ::GetNextDlgTabItem(m_hWnd, f, FALSE);
    if (next) {
      ::SetFocus(next);
      if (IsField(::GetDlgCtrlID(next))) ::SendMessageA(next, EM_SETSEL, 0, -1);
    }
    return;
  }
  for (int id : {IP_WIDTH, IP_SLOPE, IP_TANGENT, IP_REJECT}) KillField(id);
  CDialog::OnOK();
}

BOOL CIntegrationParamsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (HIWORD(wParam) == EN_KILLFOCUS && IsField(id)) {
    KillField(id);
    return TRUE;
  }
  if (HIWORD(wParam) == BN_CLICKED) {
    if (id == IP_LOCK) {
      m_lock = IsDlgButtonChecked(IP_LOCK) == BST_CHECKED ? 1 : 0;
      return TRUE;
    }
    if (id == IP_SAVE) {
      SaveStored();
      return TRUE;
    }
    if (id == IP_LOAD) {
      LoadStored();
      Fill();
      return TRUE;
    }
  }
  return CDialog::OnCommand(wParam, lParam);
}

LRESULT CIntegrationParamsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

int32_t Dlg_EditIntegrationParams(const STRUCT_WORK_FILE* workFile, uint16_t* widthTenths, uint16_t* slope,
                                  uint16_t* tangent, double* reject, int16_t* lock) {
  if (!workFile) return 0;
  CIntegrationParamsDlg dlg(workFile);
  if (!dlg.Prepare(nullptr) || dlg.DoModal() != IDOK) return 0;
  if (widthTenths) *widthTenths = dlg.m_widthTenths;
  if (slope) *slope = dlg.m_slope;
  if (tangent) *tangent = dlg.m_tangent;
  if (reject) *reject = dlg.m_reject;
  if (lock) *lock = dlg.m_lock;
  return 1;
}
