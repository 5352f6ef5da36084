// The fixed m/z range dialog.
#include "dialogs/fixed_range_dialog.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "common/library_state.h"
#include "dialogs/edit_field_checks.h"
#include "orvik32/orvik32_dialogs.h"
#include "spectra/library_entry_texts.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr double kLowest = 10.0, kHighest = 8000.0;

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, FIXED_RANGE_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Edit Fixed Range";
  t.cx = 190;
  t.cy = 66;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD edit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  t.items = {
      {-1, "Button", "m/z", WS_VISIBLE | BS_GROUPBOX, 0, 6, 4, 118, 56},
      {-1, "Static", "Low Ion:", WS_VISIBLE | SS_LEFT, 0, 12, 20, 40, 10},
      {IDC_FR_LOW, "Edit", "", edit, 0, 56, 18, 60, 12},
      {-1, "Static", "High Ion:", WS_VISIBLE | SS_LEFT, 0, 12, 38, 40, 10},
      {IDC_FR_HIGH, "Edit", "", edit, 0, 56, 36, 60, 12},
      {IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 130, 6, 54, 14},
      {IDCANCEL, "Button", "Cancel", push, 0, 130, 24, 54, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 130, 42, 54, 14},
  };
  AddDialog(module, FIXED_RANGE_DIALOG_ID, t);
}

}  // namespace

CFixedRangeDlg::CFixedRangeDlg(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b) : m_a(a), m_b(b) {}

bool CFixedRangeDlg::Prepare(CWnd* parent) {
  AddTemplate();
  return kelt::dlg::InitModalFromLibrary(this, FIXED_RANGE_DIALOG_ID, parent);
}

BOOL CFixedRangeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // The format of the spectrum with more decimals.
  char fa[16] = {}, fb[16] = {};
  const int da = m_a ? KELT_GetMassDecimalsAndFormat(m_a, fa) : -1;
  const int db = m_b ? KELT_GetMassDecimalsAndFormat(m_b, fb) : -1;
  if (da >= 0 || db >= 0) std::snprintf(m_format, sizeof m_format, "%s", da >= db ? fa : fb);
  if (!m_format[0]) std::strcpy(m_format, "%f");
  SendDlgItemMessage(IDC_FR_LOW, EM_LIMITTEXT, 10, 0);
  SendDlgItemMessage(IDC_FR_HIGH, EM_LIMITTEXT, 10, 0);
  char text[64];
  std::snprintf(text, sizeof text, m_format, m_low);
  SetDlgItemText(IDC_FR_LOW, text);
  std::snprintf(text, sizeof text, m_format, m_high);
  SetDlgItemText(IDC_FR_HIGH, text);
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
  return TRUE;
}

void CFixedRangeDlg::OnOK() {
  HandleKillEditDouble(this, IDC_FR_LOW, "Low Ion", m_format, kLowest, kHighest, &m_low);
  HandleKillEditDouble(this, IDC_FR_HIGH, "High Ion", m_format, kLowest, kHighest, &m_high);
  if (m_high < m_low) std::swap(m_low, m_high);
  CDialog::OnOK();
}

BOOL CFixedRangeDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == EN_KILLFOCUS) {
    if (LOWORD(wParam) == IDC_FR_LOW) HandleKillEditDouble(this, IDC_FR_LOW, "Low Ion", m_format, kLowest, kHighest, &m_low);
    if (LOWORD(wParam) == IDC_FR_HIGH)
      HandleKillEditDouble(this, IDC_FR_HIGH, "High Ion", m_format, kLowest, kHighest, &m_high);
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

LRESULT CFixedRangeDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}
