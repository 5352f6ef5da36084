#pragma once
// The report of one result of a quantitated data file: a target compound,
// the ion ratios of a target compound, or an unidentified peak, written
// into a reports file.
#include <cstdint>

#include "common/kelt_export.h"

struct STRUCT_REPORT_PREFS;
struct STRUCT_WORK_FILE;
struct STRUCT_SCAN_FUN_INFO;

// Arguments: the report-method source (method file and section name, handed
// to the report-format reader; when it cannot be read the default format
// is used), the data file, the step index, the reports file (in/out: an
// empty name receives the temporary file made), the report preferences, a
// name shown in place of the data file's path or null, and two values
// passed to the page maker. Nonzero when pages were written.
KELT_API int32_t RPTS_MakeTargetCompoundReport(const char* methodSource, const char* sectionName,
                                               const char* dataFile, int16_t index, char* reportsFile,
                                               STRUCT_REPORT_PREFS* prefs, const char* titleName, uint16_t value8,
                                               uint16_t value9);
KELT_API int32_t RPTS_MakeIonRatioCompoundReport(const char* methodSource, const char* sectionName,
                                                 const char* dataFile, int16_t index, char* reportsFile,
                                                 STRUCT_REPORT_PREFS* prefs, const char* titleName, uint16_t value8,
                                                 uint16_t value9);
KELT_API int32_t RPTS_MakeUnidentifiedCompoundReport(const char* methodSource, const char* sectionName,
                                                     const char* dataFile, int16_t index, char* reportsFile,
                                                     STRUCT_REPORT_PREFS* prefs, const char* titleName,
                                                     uint16_t value8, uint16_t value9);

// The page makers of one result: (step, report-format block, report
// settings, work file, scan-function information and count, step index,
// reports file, preferences, date and time, 1, title name or null, two
// values, out page count). Nonzero when pages were written.
KELT_CLASS int32_t RPTS_TargetCompoundPages(const void* step, const void* formatBlock, const void* settings,
                                            STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunctions,
                                            uint16_t scanFunctionCount, int16_t index, char* reportsFile,
                                            STRUCT_REPORT_PREFS* prefs, int32_t dateTime, int16_t one,
                                            const char* titleName, uint16_t value8, uint16_t value9,
                                            uint16_t* pages);
KELT_CLASS int32_t RPTS_IonRatioCompoundPages(const void* step, const void* formatBlock, const void* settings,
                                              STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunctions,
                                              uint16_t scanFunctionCount, int16_t index, char* reportsFile,
                                              STRUCT_REPORT_PREFS* prefs, int32_t dateTime, int16_t one,
                                              const char* titleName, uint16_t value8, uint16_t value9);
KELT_CLASS int32_t RPTS_UnidentifiedCompoundPages(const void* step, const void* formatBlock, const void* settings,
                                                  STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunctions,
                                                  uint16_t scanFunctionCount, int16_t index, char* reportsFile,
                                                  STRUCT_REPORT_PREFS* prefs, int32_t dateTime, int16_t one,
                                                  const char* titleName, uint16_t value8, uint16_t value9,
                                                  uint16_t* pages);
