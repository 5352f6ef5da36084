#pragma once
// Printing a whole reports file at once: a small "Printing Now" dialog runs
// the print on one worker thread while the reports-file status window
// shows the pages and offers Cancel. The dialog ends by itself when the
// worker is done; it cannot be closed before (the worker uses its job).
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "dialogs/dialog_frame.h"
#include "win/win_types.h"

class CPrintReportsStatusDlg;

#define PRINT_REPORTS_NOW_DIALOG 255
#define PSDM_STARTPRINT (WM_USER + 44)
#define PSDM_PRINTDONE (WM_USER + 45)
#define PRINT_REPORTS_NOW_TIMER 234

// Filled completely before the worker starts; the worker reads it and
// writes only its result, before it signals done. In memory only.
struct STRUCT_PRINT_REPORTS_JOB {
  STRUCT_REPORT_PREFS* prefs;
  char path[260];
  int32_t firstPage;
  int32_t lastPage;
  int32_t pageCount;
  int16_t temporary;
  int16_t deleteAfter;
  HANDLE doneEvent;
  CPrintReportsStatusDlg* status;
  HWND statusWindow;
  HCURSOR savedCursor;
  int32_t result;  // the print's: 1 printed to the end, 0 failed or cancelled
};

KELT_API DWORD CALLBACK PrintReportsThreadProc(void* job);

namespace kelt::dlg {

class KELT_CLASS CPrintReportsStatusDlg : public CDialog {
 public:
  explicit CPrintReportsStatusDlg(CWnd* parent = nullptr);
  ~CPrintReportsStatusDlg() override;

  // Set by the owner before the dialog runs.
  STRUCT_REPORT_PREFS* m_pPrefs;
  char m_FilePath[260];
  int32_t m_FirstPage = 0;
  int32_t m_LastPage = 0;
  int16_t m_Temporary = 0;
  int32_t m_PageCount = 0;
  int16_t m_DeleteAfter = 0;

  // The print's outcome once the dialog has ended (-1 before).
  int32_t m_PrintResult = -1;
  bool Prepare();
  bool Printing() const { return m_Worker != nullptr; }
  STRUCT_PRINT_REPORTS_JOB* Job() const { return m_pJob; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void StartPrint();
  void Tick();
  void PrintDone();
  void Release();
  STRUCT_PRINT_REPORTS_JOB* m_pJob = nullptr;
  HANDLE m_DoneEvent = nullptr;
  HANDLE m_AbortEvent = nullptr;
  HANDLE m_Worker = nullptr;
  bool m_Done = false;
  bool m_Started = false;
  DialogHelp m_help{136};
};

}  // namespace kelt::dlg
