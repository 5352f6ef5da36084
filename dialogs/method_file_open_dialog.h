#pragma once
// The method-file open dialog: the platform's open dialog with a child
// template that previews one part of the chosen method file (the MS
// data-handling, reports or acquisition method, or the calibration log)
// for every module it holds, or for one asked module. Only a previewed
// method file can be returned.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/section_stems.h"
#include "win/win_commdlg.h"

#define SEL_METHOD_FILE_TEMPLATE 285
#define SEL_METHOD_FILE_FILTER_STRING 509
#define IDC_SMF_MODULE_LINE 3403
#define IDC_SMF_ADDRESS_LINE 3404
#define IDC_SMF_GROUP 3400
#define IDC_SMF_FILE 3402
#define IDC_SMF_DATA_HANDLING 3405
#define IDC_SMF_REPORTS 3406
#define IDC_SMF_ACQUISITION 3407
#define IDC_SMF_CALIBRATION 3408
#define IDC_SMF_SELECT 3409
#define IDC_SMF_RECENT 3410
#define IDC_SMF_LIST 3411
#define IDC_SMF_CANCEL_PLACE 3003
#define IDC_SMF_RECENT_FIRST 200
#define SMF_RECENT_MOST 23

// One call's state; in memory only (it holds pointers).
struct STRUCT_SEL_METHOD_FILE {
  HWND owner;
  char path[260];
  uint16_t moduleId;
  uint16_t moduleAddress;
  int16_t titleIndex;
  int32_t accepted;
  char previewedPath[260];
  STRUCT_SECTION_ARRAY* sections;
  HWND commonDialog;
  HWND hookDialog;
  WNDPROC previousProc;
  HMENU recentMenu;
  HFONT listFont;
  int16_t shownPart;
  int16_t previewValid;
  int16_t busy;
  int16_t nameBoxFocused;
  int16_t accepting;
};

// 1 when a method file was accepted (path, 260 bytes, then holds it),
// else 0 with path unchanged. moduleId and moduleAddress both 0: any
// module; titleIndex 0..2 picks the title and the part shown first.
KELT_API int16_t Dlg_SelectMethodFile(HWND owner, uint16_t moduleId, uint16_t moduleAddress, int16_t titleIndex,
                                      char* path, const char* initialFolder);
KELT_API UINT_PTR CALLBACK SelectMethodFileHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam);
KELT_API LRESULT CALLBACK SelectMethodFileParentProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
