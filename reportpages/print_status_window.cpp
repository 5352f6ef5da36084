// The print status window and its two entry points.
#include "reportpages/print_status_window.h"

#include <cstdio>
#include <new>

#include "common/library_state.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/dialog_help.h"
#include "win/win_commctrl.h"
#include "win/win_kernel.h"
#include "win/win_threads.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr uint32_t kHelpContext = 135;

void EnsureTemplate() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, PRINT_STATUS_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Print Report";
  t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 150;
  t.cy = 60;
  t.items = {
      {IDC_PRINT_STATUS_TEXT, "Static", "", SS_LEFT | WS_VISIBLE, 0, 8, 8, 134, 8},
      {IDC_PRINT_STATUS_PROGRESS, "msctls_progress32", "", WS_BORDER | WS_VISIBLE, 0, 8, 20, 134, 14},
      {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 50, 40, 50, 14},
  };
  AddDialog(module, PRINT_STATUS_DIALOG, t);
}

}  // namespace

CPrintReportsStatusDlg::CPrintReportsStatusDlg(CWnd* parent, int16_t printFile, int32_t pages, HANDLE abortEvent)
    : CDialog(PRINT_STATUS_DIALOG, parent), m_PrintFile(printFile), m_Pages(pages), m_AbortEvent(abortEvent) {}

BOOL CPrintReportsStatusDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(m_PrintFile ? "Print File" : "Print Report");
  char text[64];
  std::snprintf(text, sizeof text, "%ld pages", long(m_Pages));
  SetDlgItemText(IDC_PRINT_STATUS_TEXT, text);
  const int32_t top = m_Pages > PRINT_STATUS_MAX_RANGE ? PRINT_STATUS_MAX_RANGE : (m_Pages < 0 ? 0 : m_Pages);
  SendDlgItemMessage(IDC_PRINT_STATUS_PROGRESS, PBM_SETRANGE32, 0, top);
  SendDlgItemMessage(IDC_PRINT_STATUS_PROGRESS, PBM_SETSTEP, 1, 0);
  // Without an abort event there is nothing a Cancel could stop.
  if (!m_AbortEvent)
    if (CWnd* cancel = GetDlgItem(IDCANCEL)) cancel->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOMOVE);
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
  return TRUE;
}

LRESULT CPrintReportsStatusDlg::OnProgress(WPARAM done, LPARAM all) {
  char text[64];
  std::snprintf(text, sizeof text, "%ld of %ld pages", long(int32_t(done)), long(int32_t(all)));
  SetDlgItemText(IDC_PRINT_STATUS_TEXT, text);
  // The bar stops at its end (a step past it would wrap to the start);
  // the text goes on counting.
  const LRESULT pos = SendDlgItemMessage(IDC_PRINT_STATUS_PROGRESS, PBM_GETPOS, 0, 0);
  const LRESULT top = SendDlgItemMessage(IDC_PRINT_STATUS_PROGRESS, PBM_GETRANGE, FALSE, 0);
  if (pos < top) SendDlgItemMessage(IDC_PRINT_STATUS_PROGRESS, PBM_STEPIT, 0, 0);
  return 0;
}

// The window stays until its owner closes it; the owner sees the event.
void CPrintReportsStatusDlg::OnCancel() {
  if (!m_AbortEvent) return;
  SetEvent(m_AbortEvent);
  if (CWnd* button = GetDlgItem(IDCANCEL)) button->EnableWindow(FALSE);
}

LRESULT CPrintReportsStatusDlg::OnContextMenu(WPARAM, LPARAM l) {
  kelt::pages::TrackWhatsThisMenu(this, l, &m_MenuPoint);
  return 0;
}
void CPrintReportsStatusDlg::OnWhatsThis() { kelt::pages::WhatsThisHelp(this, m_MenuPoint, kHelpContext); }

BEGIN_MESSAGE_MAP(CPrintReportsStatusDlg, CDialog)
ON_MESSAGE(PRINT_STATUS_PROGRESS_MESSAGE, OnProgress)
ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
ON_COMMAND(609, OnWhatsThis)
END_MESSAGE_MAP()

CPrintReportsStatusDlg* Dlg_OpenPrintReportsStatus(CWnd* parent, int16_t printFile, int32_t pages,
                                                   HANDLE abortEvent, HWND* window) {
  if (window) *window = nullptr;
  try {
    EnsureTemplate();
    auto* dlg = new (std::nothrow) CPrintReportsStatusDlg(parent, printFile, pages, abortEvent);
    if (!dlg) return nullptr;
    if (!dlg->Create(PRINT_STATUS_DIALOG, parent)) {
      delete dlg;
      return nullptr;
    }
    if (window) *window = dlg->m_hWnd;
    return dlg;
  } catch (...) {
    return nullptr;
  }
}

BOOL Dlg_ClosePrintReportsStatus(CPrintReportsStatusDlg* dialog) {
  if (!dialog) return FALSE;
  BOOL result = FALSE;
  if (dialog->m_hWnd && ::IsWindow(dialog->m_hWnd)) result = dialog->DestroyWindow();
  delete dialog;
  return result;
}
