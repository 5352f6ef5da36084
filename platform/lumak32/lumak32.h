#pragma once
// Helpers of the workstation around the spreadsheet grid (SS32D25): the
// grid is usable between BeginGridUse and EndGridUse; cell texts are set by
// column id; grid errors are told to the user.
#include <cstdint>

#include "ss32d25/ss32d25.h"
#include "win/win_types.h"

#define LUMAK_API extern "C" __attribute__((visibility("default")))

// Nonzero when the grid's window class can be used.
LUMAK_API BOOL BeginGridUse();
LUMAK_API void EndGridUse();
// 0, or an error number: SS_ERR_CELL for a column id or row the grid does not have.
LUMAK_API int32_t SetGridCellTextById(HWND grid, int32_t columnId, int32_t row, const char* text);
// A message box "Grid error <number>." (exclamation).
LUMAK_API void ReportGridError(int32_t code);
