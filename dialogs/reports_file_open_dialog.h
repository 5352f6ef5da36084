#pragma once
// The reports-file open dialog: the platform's open dialog with a child
// template that previews the chosen reports file (pages, reports, dates)
// and lists its reports (first page, date, title); the page of the report
// chosen in the list is returned beside the file.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_commdlg.h"

class CRptsFileHandler;
struct RptsPageRecord;

#define SEL_REPORTS_FILE_TEMPLATE 281
#define SEL_REPORTS_FILE_FILTER_STRING 508
#define IDC_SRF_GROUP 3200
#define IDC_SRF_FILE 3202
#define IDC_SRF_PAGES 3204
#define IDC_SRF_REPORTS 3206
#define IDC_SRF_FIRST_DATE 3208
#define IDC_SRF_LAST_DATE 3210
#define IDC_SRF_PAGE_GROUP 3211
#define IDC_SRF_PAGE 3213
#define IDC_SRF_DATE 3215
#define IDC_SRF_TITLE 3217
#define IDC_SRF_RECENT 3218
#define IDC_SRF_LIST 3219
#define IDC_SRF_SELECT 3220
#define IDC_SRF_CANCEL_PLACE 3003
#define IDC_SRF_RECENT_FIRST 200
#define SRF_READ_CHUNK 100  // page records read at a time

// One call's state; in memory only (it holds pointers).
struct STRUCT_SEL_REPORTS_FILE {
  HWND owner;
  char path[260];
  int32_t accepted;
  char previewedPath[260];
  HWND commonDialog;
  HWND hookDialog;
  WNDPROC previousProc;
  HMENU recentMenu;
  HFONT listFont;
  int16_t previewValid;
  int16_t busy;
  int16_t nameBoxFocused;
  int16_t accepting;
  CRptsFileHandler* reportsFile;
  int32_t selectedRow;
  int32_t selectedPage;
  int32_t rowCount;
  int32_t* rowTable;  // first page index of each report
  char rowText[100];
  RptsPageRecord* rowRecord;
};

// 1 when a reports file was accepted: path (260 bytes) holds it and *page,
// when given, the first page (from 0) of the report chosen in the list.
KELT_API int16_t Dlg_SelectReportsFile(HWND owner, char* path, const char* initialFolder, int32_t* page);
KELT_API UINT_PTR CALLBACK SelectReportsFileHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam);
KELT_API LRESULT CALLBACK SelectReportsFileParentProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

namespace kelt::dlg {
// The first page of each report: a page starts a report when its time
// differs from the page before it (0 before the first page). Reads the
// records in chunks of SRF_READ_CHUNK; false when a chunk cannot be read.
KELT_CLASS bool FindReportStarts(CRptsFileHandler* file, int32_t pageCount, int32_t* rows, int32_t* rowCount);
}  // namespace kelt::dlg
