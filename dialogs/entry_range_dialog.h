#pragma once
// The entry-range dialog: a first and last entry (1-based) of a library,
// list or reports file.
#include <cstdint>

#include "common/kelt_export.h"

#define ENTRY_RANGE_DIALOG 357
#define IDC_ENTRY_RANGE_FROM 3571
#define IDC_ENTRY_RANGE_TO 3572
#define IDC_ENTRY_RANGE_TEXT 3573
#define IDC_ENTRY_RANGE_FILE 3574
// "OK"; the button labelled "Cancel" carries IDOK.
#define IDC_ENTRY_RANGE_OK 3575

// Offers entries 1..count, starting with 1..count; title and path may be
// null. fixFirst non-zero keeps the first index as it starts. On OK writes
// first and last as typed (each within 1..count, the first not turned
// round after the last) and returns 1; 0 on Cancel or without outputs.
KELT_API int Dlg_SelectFileEntryIndexRange(const char* title, const char* path, int32_t count, int32_t* firstOut,
                                           int32_t* lastOut, int16_t fixFirst);
// The same, starting with first..last.
KELT_API int Dlg_SelectFileEntryIndexRangeEx(const char* title, const char* path, int32_t count, int32_t* firstOut,
                                             int32_t* lastOut, int16_t fixFirst, int32_t first, int32_t last);
