// The Report Status window: a progress bar and a Cancel button that stops
// the report through the library-wide cancel flag.
#include "reportpages/report_status_dialog.h"

#include <new>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "framework/framework_menu.h"
#include "win/win_commctrl.h"
#include "win/win_resources.h"
#include "win/win_user.h"

int16_t g_bCancelReport = 0;
std::atomic<int32_t> g_nPrintAbortCode{0};

BOOL KELT_AbortPrintReportsStatus(HDC, int code) {
  if (code >= -5 && code <= -1) {
    g_nPrintAbortCode = code;
    return FALSE;
  }
  return TRUE;
}

namespace {

void EnsureResources() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (!FindDialog(module, REPORT_STATUS_DIALOG)) {
    DialogTemplate t;
    t.caption = "Report Status";
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.cx = 150;
    t.cy = 48;
    t.items = {
        {REPORT_STATUS_PROGRESS, "msctls_progress32", "", WS_BORDER | WS_VISIBLE, 0, 8, 8, 134, 14},
        {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 50, 26, 50, 14},
    };
    AddDialog(module, REPORT_STATUS_DIALOG, t);
  }
  if (!FindMenu(module, REPORT_STATUS_HELP_MENU)) {
    MenuTemplate m;
    m.items = {{0, "Help", 0, {{REPORT_STATUS_HELP_COMMAND, "&What's This?", 0, {}}}}};
    AddMenu(module, REPORT_STATUS_HELP_MENU, m);
  }
}

}  // namespace

CReportStatusDlg::CReportStatusDlg(int32_t count) : CDialog(REPORT_STATUS_DIALOG), m_Count(count) {}

CReportStatusDlg* CReportStatusDlg::Open(int32_t count) {
  EnsureResources();
  auto* dlg = new (std::nothrow) CReportStatusDlg(count);
  if (!dlg) return nullptr;
  if (!dlg->Create(REPORT_STATUS_DIALOG, nullptr)) {
    delete dlg;
    return nullptr;
  }
  return dlg;
}

void CReportStatusDlg::PostNcDestroy() { delete this; }

// The Cancel button stays in view: it is how the user stops a report.
BOOL CReportStatusDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const int32_t top = m_Count > 32767 ? 32767 : (m_Count < 0 ? 0 : m_Count);
  SendDlgItemMessage(REPORT_STATUS_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, top));
  SendDlgItemMessage(REPORT_STATUS_PROGRESS, PBM_SETSTEP, 1, 0);
  return TRUE;
}

void CReportStatusDlg::OnCancel() {
  g_bCancelReport = 1;
  if (CWnd* button = GetDlgItem(IDCANCEL)) button->EnableWindow(FALSE);
}

LRESULT CReportStatusDlg::OnStep(WPARAM, LPARAM) {
  SendDlgItemMessage(REPORT_STATUS_PROGRESS, PBM_STEPIT, 0, 0);
  return 0;
}

LRESULT CReportStatusDlg::OnContextMenu(WPARAM, LPARAM lParam) {
  POINT screen{short(LOWORD(lParam)), short(HIWORD(lParam))};
  POINT client = screen;
  ::ScreenToClient(m_hWnd, &client);
  HWND child = ::ChildWindowFromPoint(m_hWnd, client);
  if (child && child != m_hWnd && !::IsWindowVisible(child)) return 0;
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  if (client.x < rc.left || client.y < rc.top || client.x >= rc.right || client.y >= rc.bottom) return 0;
  m_MenuPoint = screen;
  CMenu menu;
  if (!menu.LoadMenu(REPORT_STATUS_HELP_MENU)) return 0;
  if (CMenu* popup = menu.GetSubMenu(0)) popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, this);
  return 0;
}

void CReportStatusDlg::OnHelpCommand() {
  POINT client = m_MenuPoint;
  ::ScreenToClient(m_hWnd, &client);
  HWND child = ::ChildWindowFromPoint(m_hWnd, client);
  if (child && child != m_hWnd) KELT_ShowHelpTopic(uint32_t(::GetDlgCtrlID(child)), 8);
  else KELT_ShowHelpTopic(137, 1);
}

BEGIN_MESSAGE_MAP(CReportStatusDlg, CDialog)
ON_MESSAGE(REPORT_STATUS_STEP, OnStep)
ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
ON_COMMAND(REPORT_STATUS_HELP_COMMAND, OnHelpCommand)
END_MESSAGE_MAP()
