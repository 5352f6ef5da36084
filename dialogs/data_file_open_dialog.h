#pragma once
// The data-file open dialog: the platform's open dialog with a child
// template that previews the selected MS data file (a summary and a
// chromatogram in a "KELT_OP1" plot control) and refuses files of the
// wrong kind. Only a previewed file can be returned.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/mass_lists.h"
#include "common/work_file.h"
#include "win/win_commdlg.h"

#define SEL_DATA_FILE_TEMPLATE 282
#define SEL_DATA_FILE_FILTER_STRING 511
#define IDC_SDF_INFO_GROUP 3500
#define IDC_SDF_FILE 3501
#define IDC_SDF_SAMPLE 3503
#define IDC_SDF_INJECT_DATE 3505
#define IDC_SDF_RUN_TIME 3507
#define IDC_SDF_SCAN_RANGE 3509
#define IDC_SDF_OPERATOR 3511
#define IDC_SDF_NOTES 3513
#define IDC_SDF_MAX_RIC 3515
#define IDC_SDF_ID_MISS_FAIL 3517
#define IDC_SDF_TIC_UNKN_DUP 3519
#define IDC_SDF_DATA_TYPE 3521
#define IDC_SDF_SHOW_PLOT 3450
#define IDC_SDF_KEEP_RANGE 3451
#define IDC_SDF_PLOT_TYPE_TEXT 3452
#define IDC_SDF_PLOT_SCANS_TEXT 3453
#define IDC_SDF_PLOT_TYPE 3454
#define IDC_SDF_PLOT_SCANS 3455
#define IDC_SDF_PLOT 3456
#define IDC_SDF_RECENT 3457
#define IDC_SDF_OPEN 3458
#define IDC_SDF_PLOT_GROUP 3459
#define IDC_SDF_BOTTOM_LINE 3460
#define IDC_SDF_CANCEL_PLACE 3003
#define IDC_SDF_RECENT_FIRST 200  // menu entries 200 + N
#define SDF_RECENT_MOST 23        // entries beyond this have no command id and are not offered

#define OFDM_LAYOUT (WM_USER + 444)
#define OFDM_REFRESH (WM_USER + 555)
#define OFDM_SELCHANGE (WM_USER + 777)

// One call's state; in memory only (it holds pointers).
struct STRUCT_SEL_DATA_FILE {
  HWND owner;
  char path[260];
  int16_t centroidOnly;
  int16_t profileOnly;
  int16_t resultsRequired;
  int16_t sdsOnly;
  int32_t accepted;
  char previewedPath[260];
  STRUCT_WORK_FILE* workFile;
  STRUCT_PS* plotSelection;
  uint16_t showPlot;
  uint16_t keepTimeRange;
  double keptStart, keptEnd;
  HWND commonDialog;
  HWND hookDialog;
  WNDPROC previousProc;
  OPENFILENAMEA* request;
  HMENU recentMenu;
  int16_t previewValid;
  int16_t busy;
  int16_t nameBoxFocused;
  int16_t accepting;
  char refusedPath[260];  // the last file refused with a message: not asked about again while it stays named
};

// 1 when a file was accepted (path then holds it), else 0 and path unchanged.
// Exported undecorated: the stdcall decoration ("@28") has no form in ELF
// symbol names.
KELT_API int16_t Dlg_SelectDataFile(HWND owner, char* path, const char* initialFolder, int16_t centroidOnly,
                                    int16_t profileOnly, int16_t resultsRequired, int16_t sdsOnly);
KELT_API int16_t Dlg_SelectKMSFile(HWND owner, char* path, const char* initialFolder, int16_t centroidOnly,
                                   int16_t profileOnly, int16_t resultsRequired);
KELT_API UINT_PTR CALLBACK SelectDataFileHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam);
KELT_API LRESULT CALLBACK SelectDataFileParentProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

namespace kelt::dlg {
// The six result counts of a data file's current results header
// (identified, missing, failed, TIC, duplicate, unknown); false when the
// file has no current results.
KELT_CLASS bool ReadResultCounts(const char* path, int counts[6]);
}  // namespace kelt::dlg
