#pragma once
// The range dialog: first and last entry (1-based) of a file's entries.
#include <cstdint>

#include "common/kelt_export.h"

#define ENTRY_RANGE_DIALOG 357
#define IDC_ENTRY_RANGE_FROM 3571
#define IDC_ENTRY_RANGE_TO 3572
#define IDC_ENTRY_RANGE_TEXT 3573

// Offers entries 1..count starting with first..last; on OK writes the
// chosen range (1 <= from <= to <= count) and returns nonzero, else 0.
KELT_API int Dlg_SelectFileEntryIndexRangeEx(const char* title, const char* path, int32_t count, int32_t* firstOut,
                                             int32_t* lastOut, int16_t option, int32_t first, int32_t last);
