#pragma once
// One compound of a quantitated data file, for a host that shows it: its
// text (data-file information, results and the criteria or qualifier
// tables the report format picks) as one page handed back, or as a page of
// a reports file under which the host's spectrum and integration-event
// controls draw themselves.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;

// The page's enhanced-metafile bits (the caller frees them), or null. On
// success: lines used min(current line + 2, 72), 72 lines, 80 columns. A
// text longer than the page is cut at its end.
KELT_API HGLOBAL RPTS_MakeUNIDTextOnlyPage(const char* dataFile, STRUCT_REPORT_PREFS* prefs, int16_t index,
                                           int16_t* linesUsed, int16_t* linesPerPage, int16_t* columns,
                                           const char* displayName, int16_t versionNumber, int16_t versionCount);
KELT_API HGLOBAL RPTS_MakeTargetTextOnlyPage(const char* dataFile, STRUCT_REPORT_PREFS* prefs, int16_t index,
                                             int16_t* linesUsed, int16_t* linesPerPage, int16_t* columns,
                                             const char* displayName, int16_t versionNumber, int16_t versionCount);
// Index -1: the header line and the controls' pictures only. Nonzero when a
// page was stored.
KELT_API int32_t RPTS_MakeUNIDReportFromControls(char* reportsFile, STRUCT_REPORT_PREFS* prefs, const char* dataFile,
                                                 int16_t index, HWND eventControl, HWND spectrumControl,
                                                 const char* displayName, int16_t versionNumber,
                                                 int16_t versionCount);
KELT_API int32_t RPTS_MakeTargetReportFromControls(char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                   const char* dataFile, int16_t index, HWND eventControl,
                                                   HWND spectrumControl, const char* displayName,
                                                   int16_t versionNumber, int16_t versionCount);
