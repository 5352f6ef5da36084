#pragma once
// The report viewer: the pages of one reports file shown one at a time,
// moving between pages and reports, page lists, deleting pages, reports or
// the file, copying them into other reports files, exporting a page, how
// pages are shown (colour, orientation, margins) and printing the page,
// the report or a range of pages (more than one page on a worker thread
// under the print status window).
#include <atomic>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_dialog.h"
#include "framework/framework_menu.h"
#include "reportpages/reports_file.h"
#include "win/win_types.h"

class CWrapViewRptsToolBar;
class CToolBar;
class CPrintReportsStatusDlg;

#define VIEW_REPORTS_DIALOG 250
#define VIEW_REPORTS_MENU 600
#define VIEW_REPORTS_MENU_SHORT 601
#define IDC_VIEW_PAGE 4860
#define VIEWER_PRINT_TIMER 234
#define VIEWER_PRINT_DONE (WM_USER + 44)

// Commands of the viewer's menu and toolbar.
#define ID_VR_PRINTER_SETUP 610
#define ID_VR_PAGE_SETUP 611
#define ID_VR_EXIT 612
#define ID_VR_COLOR 613
#define ID_VR_MONOCHROME 614
#define ID_VR_PORTRAIT 615
#define ID_VR_LANDSCAPE 616
#define ID_VR_EXPORT_FILE 617
#define ID_VR_DELETE_PAGE 618
#define ID_VR_PREVIOUS 619
#define ID_VR_NEXT 620
#define ID_VR_PRINT_PAGE 621
#define ID_VR_PRINT_REPORT 622
#define ID_VR_PRINT_ALL 623
#define ID_VR_LOAD_FILE 624
#define ID_VR_SAVE_AS 625
#define ID_VR_DELETE_REPORT 626
#define ID_VR_DELETE_FILE 627
#define ID_VR_COPY_PAGE 628
#define ID_VR_COPY_REPORT 629
#define ID_VR_COPY_FILE 630
#define ID_VR_VIEW_ALL 631
#define ID_VR_CLIP_BITMAP 632
#define ID_VR_CLIP_PICTURE 633
#define ID_VR_CLIP_TEXT 634
#define ID_VR_CLIP_ALL 635
#define ID_VR_PREVIEW 636
#define ID_VR_BEST 637
#define ID_VR_VIEW_FIRST 638
#define ID_VR_HELP 3000

// Filled before a worker starts, read by it only (the result excepted,
// which the worker writes before it signals done). In memory only.
struct ViewerPrintJob {
  char path[260];
  int32_t pageCount;
  int32_t firstPage, lastPage;
  STRUCT_REPORT_PREFS* prefs;
  HANDLE doneEvent;
  CPrintReportsStatusDlg* status;
  HWND statusWindow;
  HCURSOR savedCursor;
  int32_t result;
};

class KELT_CLASS CViewReportsDlg : public CDialog {
 public:
  CViewReportsDlg();
  ~CViewReportsDlg() override;

  // Set by the creator before the dialog runs.
  char m_FilePath[260];
  uint16_t m_Temporary = 0;
  STRUCT_REPORT_PREFS* m_pPrefs = nullptr;
  uint16_t m_UsesDefaults = 1;
  STRUCT_SPOOLER* m_pSpooler = nullptr;
  uint16_t m_MenuVariant = 0;
  uint16_t m_RememberedWindow = 0;

  int32_t m_CurrentPage = 0;
  int32_t m_PageCount = 0;
  uint16_t m_StoredOrientation = 0;
  uint16_t m_Portrait = 1;
  POINT m_ContextPoint{0, 0};
  CMenu* m_pMenu = nullptr;
  CWrapViewRptsToolBar* m_pToolFrame = nullptr;
  CToolBar* m_pToolBar = nullptr;
  CRptsFileHandler* m_pFile = nullptr;
  void* m_PageBuffer = nullptr;
  void* m_PageBits = nullptr;
  uint32_t m_PageSize = 0;
  RptsPageRecord m_PageRecord{};
  char m_DisplayName[257];
  ViewerPrintJob* m_pJob = nullptr;
  HANDLE m_DoneEvent = nullptr, m_AbortEvent = nullptr;
  // The running print's worker, 0 when none: one print at a time.
  HANDLE m_Worker = nullptr;
  int32_t m_LastPrintResult = -1;  // of the last threaded print, -1 before any

  // The report holding the current page (0-based, inclusive).
  bool ReportRange(int32_t* first, int32_t* last);
  void LoadFile(int mode, int32_t index);
  void ShowCurrentPage();
  HWND PageControl() const;
  bool Printing() const { return m_Worker != nullptr; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  bool Command(UINT id);
  void CleanUp();
  void ReleaseShownPage();
  void NoFileState();
  void NoPagesState();
  void EnableItem(UINT id, bool on);
  void CheckItem(UINT id, bool on);
  void SetOrientationChecks();
  void ResolveOrientation();
  void SetCaption(bool missing);
  void SpoolerSuffix(char* text, size_t size);
  void WriteDefaultsWhenFlagged();
  STRUCT_REPORT_PREFS* PrintPrefs();
  void Layout(int cx, int cy);
  void Place();
  void OnTimerTick();
  void OnPrintDone();
  void WaitForWorker();
  void StartThreadedPrint(int32_t first, int32_t last, int32_t statusCount, int16_t printFile);
  void PrintPage();
  void DeletePage();
  void DeleteReport();
  void DeleteFileCommand();
  void SaveAs();
  void CopyFileCommand();
  void CopyPage();
  void CopyReport();
  void ExportToFile();
  void LoadFileCommand();
  void Orientation(uint16_t preference);
  bool DeleteShownFile();
  int m_MinWidth = 0, m_MinHeight = 0;
};

// The viewer on a reports file. temporary: the file is deleted when the
// viewer closes or loads another file. prefs (copied) may be null for the
// library's defaults. The viewer always shows; the special form also keeps
// the window's place and size for the next viewer. Dlg_ViewReports, which
// shows or prints as the preferences say, lives with the report dialogs.
KELT_API int Dlg_ViewReportsAlways(const char* path, int16_t temporary, const STRUCT_REPORT_PREFS* prefs,
                                   int16_t menuVariant);
KELT_API int Dlg_ViewReportsAlwaysSpecial(const char* path, int16_t temporary, const STRUCT_REPORT_PREFS* prefs,
                                          int16_t menuVariant);

// Releases every page of a page buffer (freeing what it holds), then
// every slot.
KELT_API void RPTS_MarkAllBufferPages(void* pageBuffer);

#include "dialogs/report_entry_points.h"
