#pragma once
// The print status window of a reports-file print: "%ld of %ld pages" and
// a progress bar that the printing sends WM_USER+20 to, with a Cancel
// that signals the owner's abort event.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "win/win_types.h"

#define PRINT_STATUS_DIALOG 253
#define IDC_PRINT_STATUS_TEXT 4850
#define IDC_PRINT_STATUS_PROGRESS 4851
#define PRINT_STATUS_PROGRESS_MESSAGE (WM_USER + 20)
#define PRINT_STATUS_MAX_RANGE 30000

class KELT_CLASS CPrintReportsStatusDlg : public CDialog {
 public:
  CPrintReportsStatusDlg(CWnd* parent, int16_t printFile, int32_t pages, HANDLE abortEvent);
  int16_t m_PrintFile;
  int32_t m_Pages;
  HANDLE m_AbortEvent;

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnOK() override {}
  LRESULT OnProgress(WPARAM, LPARAM);
  LRESULT OnContextMenu(WPARAM, LPARAM);
  void OnWhatsThis();
  DECLARE_MESSAGE_MAP()

 private:
  POINT m_MenuPoint{0, 0};
};

// The window is made at once (modeless); its handle goes to window out.
// Null (window out 0) when it cannot be made.
KELT_API CPrintReportsStatusDlg* Dlg_OpenPrintReportsStatus(CWnd* parent, int16_t printFile, int32_t pages,
                                                            HANDLE abortEvent, HWND* window);
// Destroys the window when it still exists (that call's result, else 0)
// and frees the object.
KELT_API BOOL Dlg_ClosePrintReportsStatus(CPrintReportsStatusDlg* dialog);
