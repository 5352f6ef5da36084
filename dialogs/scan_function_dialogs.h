#pragma once
// The scan-function dialogs: choosing scan functions of a data file from a
// plain list, and choosing merged channels, all channels or selected scan
// functions in a list of the file's segments and channels.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "common/mass_lists.h"
#include "common/segment_plots.h"
#include "common/work_file.h"

#define SCAN_FUN_ARRAY_DIALOG_ID 317
#define IDC_SFA_LIST 3171
#define IDC_SFA_UNSELECT 3172
#define SELECT_SCAN_FUNS_DIALOG_ID 318
#define IDC_SSF_MERGED 3181
#define IDC_SSF_ALL 3182
#define IDC_SSF_SELECTED 3183
#define IDC_SSF_FILE 3184
#define IDC_SSF_CHOICE 3185
#define IDC_SSF_LIST 3186
#define IDC_SSF_UNSELECT 3187
#define IDC_SSF_PRINT 3188
#define VIEW_SCAN_FUNS_DIALOG_ID 322
#define SCAN_FUN_DATA_TYPE 301

// 1 with a new array in *out (the caller frees it with FreeBlock) when at
// least one scan function was chosen; 0 and no array otherwise.
KELT_API int32_t Dlg_EditScanFunArray(STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_ARRAY* current,
                                      int16_t oneSegment, int16_t segment, STRUCT_SCAN_FUN_ARRAY** out);
// 1 with a new plot selection in *out (the caller frees it with
// KELT_PS_Free), 0 and none otherwise.
KELT_API int32_t Dlg_SelectScanFuns(STRUCT_WORK_FILE* workFile, const STRUCT_PS* current, STRUCT_PS** out);
// The same list to look at and print; nothing can be chosen.
KELT_API void Dlg_ViewScanFuns(STRUCT_WORK_FILE* workFile);

namespace kelt::dlg {
// The printed lines of a file's scan functions: segment lines, then each
// channel's number and description with its long description wrapped at
// 60 characters.
KELT_CLASS std::vector<std::string> ScanFunctionPrintLines(STRUCT_WORK_FILE* workFile);
}  // namespace kelt::dlg
