// The "Page Setup" dialog and its entry point.
#include "reportpages/page_margins_dialog.h"

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/dialog_help.h"
#include "win/win_commctrl.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr uint32_t kHelpContext = 132;
constexpr int kSpins[4] = {IDC_MARGIN_LEFT_SPIN, IDC_MARGIN_RIGHT_SPIN, IDC_MARGIN_TOP_SPIN, IDC_MARGIN_BOTTOM_SPIN};

void EnsureTemplate() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, PAGE_MARGINS_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Page Setup";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 144;
  t.cy = 82;
  const DWORD edit = ES_NUMBER | WS_BORDER | WS_TABSTOP | WS_VISIBLE;
  const DWORD spin = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_WRAP | WS_VISIBLE;
  t.items = {
      {4888, "Button", "Margins (% of page)", BS_GROUPBOX | WS_VISIBLE, 0, 7, 5, 130, 50},
      {4889, "Static", "Left", SS_LEFT | WS_VISIBLE, 0, 14, 20, 20, 8},
      {IDC_MARGIN_LEFT, "Edit", "", edit, 0, 36, 18, 28, 12},
      {IDC_MARGIN_LEFT_SPIN, UPDOWN_CLASSA, "", spin, 0, 64, 18, 10, 12},
      {4890, "Static", "Right", SS_LEFT | WS_VISIBLE, 0, 74, 20, 22, 8},
      {IDC_MARGIN_RIGHT, "Edit", "", edit, 0, 98, 18, 28, 12},
      {IDC_MARGIN_RIGHT_SPIN, UPDOWN_CLASSA, "", spin, 0, 126, 18, 10, 12},
      {4891, "Static", "Top", SS_LEFT | WS_VISIBLE, 0, 14, 37, 20, 8},
      {IDC_MARGIN_TOP, "Edit", "", edit, 0, 36, 35, 28, 12},
      {IDC_MARGIN_TOP_SPIN, UPDOWN_CLASSA, "", spin, 0, 64, 35, 10, 12},
      {4892, "Static", "Bottom", SS_LEFT | WS_VISIBLE, 0, 74, 37, 22, 8},
      {IDC_MARGIN_BOTTOM, "Edit", "", edit, 0, 98, 35, 28, 12},
      {IDC_MARGIN_BOTTOM_SPIN, UPDOWN_CLASSA, "", spin, 0, 126, 35, 10, 12},
      {3000, "Button", "&Help", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 7, 62, 40, 14},
      {IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 52, 62, 40, 14},
      {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 97, 62, 40, 14},
  };
  AddDialog(module, PAGE_MARGINS_DIALOG, t);
}

}  // namespace

CPageMarginsDlg::CPageMarginsDlg(CWnd* parent) : CDialog(PAGE_MARGINS_DIALOG, parent) { EnsureTemplate(); }

BOOL CPageMarginsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const uint16_t values[4] = {m_Left, m_Right, m_Top, m_Bottom};
  for (int i = 0; i < 4; ++i) {
    SendDlgItemMessage(kSpins[i], UDM_SETRANGE, 0, MAKELPARAM(PAGE_MARGIN_MAX, 0));
    SendDlgItemMessage(kSpins[i], UDM_SETPOS, 0, MAKELPARAM(values[i], 0));
  }
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
  return TRUE;
}

void CPageMarginsDlg::OnOK() {
  uint16_t* values[4] = {&m_Left, &m_Right, &m_Top, &m_Bottom};
  for (int i = 0; i < 4; ++i) *values[i] = uint16_t(LOWORD(SendDlgItemMessage(kSpins[i], UDM_GETPOS, 0, 0)));
  CDialog::OnOK();
}

void CPageMarginsDlg::OnHelp() { KELT_ShowHelpTopic(kHelpContext, 1); }
LRESULT CPageMarginsDlg::OnContextMenu(WPARAM, LPARAM l) {
  kelt::pages::TrackWhatsThisMenu(this, l, &m_MenuPoint);
  return 0;
}
void CPageMarginsDlg::OnWhatsThis() { kelt::pages::WhatsThisHelp(this, m_MenuPoint, kHelpContext); }

BEGIN_MESSAGE_MAP(CPageMarginsDlg, CDialog)
ON_COMMAND(3000, OnHelp)
ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
ON_COMMAND(609, OnWhatsThis)
END_MESSAGE_MAP()

int Dlg_EditPageMargins(uint16_t* left, uint16_t* right, uint16_t* top, uint16_t* bottom) {
  if (!left || !right || !top || !bottom) return 0;
  try {
    CPageMarginsDlg dlg;
    dlg.m_Left = *left;
    dlg.m_Right = *right;
    dlg.m_Top = *top;
    dlg.m_Bottom = *bottom;
    if (dlg.DoModal() != IDOK) return 0;
    *left = dlg.m_Left;
    *right = dlg.m_Right;
    *top = dlg.m_Top;
    *bottom = dlg.m_Bottom;
    return 1;
  } catch (...) {
    return 0;
  }
}
