#pragma once
// The "Report Status" window of a long report, the report cancel flag its
// Cancel sets, and the print abort code of reports-file printing.
#include <atomic>
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "win/win_types.h"

#define REPORT_STATUS_DIALOG 254
#define REPORT_STATUS_PROGRESS 4830
#define REPORT_STATUS_STEP (WM_USER + 20)
#define REPORT_STATUS_HELP_MENU 602
#define REPORT_STATUS_HELP_COMMAND 609

// Set by the status window's Cancel, cleared by every new report.
extern "C" KELT_CLASS int16_t g_bCancelReport;
// Cleared when a print starts; a spooler code -1..-5 after an abort. Set
// on the user-interface thread and read and cleared by a print worker.
extern "C" KELT_CLASS std::atomic<int32_t> g_nPrintAbortCode;

// The print abort procedure: codes -1..-5 are kept and stop the print (0);
// any other code goes on (1) and changes nothing.
KELT_API BOOL KELT_AbortPrintReportsStatus(HDC dc, int code);

class KELT_CLASS CReportStatusDlg : public CDialog {
 public:
  // Creates the modeless window (visible at once); null when it cannot be made.
  static CReportStatusDlg* Open(int32_t count);
  int32_t m_Count;

 protected:
  explicit CReportStatusDlg(int32_t count);
  void PostNcDestroy() override;
  BOOL OnInitDialog() override;
  void OnCancel() override;
  LRESULT OnStep(WPARAM, LPARAM);
  LRESULT OnContextMenu(WPARAM, LPARAM);
  void OnHelpCommand();
  DECLARE_MESSAGE_MAP()

 private:
  POINT m_MenuPoint{0, 0};
};
