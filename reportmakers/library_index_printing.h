#pragma once
// Indexes of spectrum libraries printed straight to the workstation's
// printer, page by page in device pixels: one row per entry with its
// number, molecular weight, CAS number, formula and name under a page
// heading. A spooler or read error ends the job with AbortDoc.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "fandor/library_search.h"
#include "win/win_gdi.h"

// Entries first..last of a list file, numbered from 1.
KELT_API void PrintListFileIndex(const char* path, int32_t first, int32_t last, STRUCT_REPORT_PREFS* prefs);
// Entries first..last of the library numbered from 1 among the definitions'.
KELT_API void PrintNistLibraryIndex(const STRUCT_NIST_DEFS* defs, int16_t library, int32_t first, int32_t last,
                                    STRUCT_REPORT_PREFS* prefs);
// The spooler's abort procedure: 0 (stop) for the codes -1 to -5, else 1.
KELT_API BOOL AbortPrintingReports6(HDC dc, int code);
