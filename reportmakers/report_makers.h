#pragma once
// The exported report makers of one data file's quantitation results: the
// sample report, and the checks that tell whether a file holds results of
// the kinds a report format asks for. Each maker returns nonzero when at
// least one page was stored.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

class CReportOutput;
struct STRUCT_REPORT_PREFS;
struct STRUCT_WORK_FILE;

// The ten arguments of the makers: the file holding the report format and
// its full section name, the data file, the reports file (made when
// absent), the report preferences, two unused values, the data file's
// display name (or null) and its version number and count.
KELT_API int32_t RPTS_MakeSampleReport(const char* formatFile, const char* formatSection, const char* dataFile,
                                       char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t unused6,
                                       int32_t unused7, const char* displayName, int16_t versionNumber,
                                       int16_t versionCount);

// The page-header lines of a report: the subtitle (when given and not
// empty) on header line 0, the title after it with the page number.
KELT_API void RPTS_SetReportTitle(CReportOutput* out, const char* subtitle, const char* title, int16_t column);
KELT_API void RPTS_WriteSampleReportNoResults(CReportOutput* out, STRUCT_WORK_FILE* workFile, int16_t resultsPresent,
                                              void* format, int16_t left, int16_t right);
KELT_API void RPTS_WriteSampleReportBody(CReportOutput* out, STRUCT_WORK_FILE* workFile, void* format, int16_t left,
                                         int16_t right, int16_t wide);

// The calibration block ("Cal. Block Report") and calibration curve
// ("Cal. Curves Report") pages of the data file's method, drawn by the
// data-handling library and copied into the reports file. reportsFile is a
// buffer of at least 260 characters: when it holds an empty string a new
// temporary reports file is made and its path written there (and emptied
// again when nothing could be stored). The fifth argument is not used; the
// sixth goes to the page drawing unchanged.
KELT_API int32_t RPTS_MakeCalBlockReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                          char* reportsFile, int32_t unused);
KELT_API int32_t RPTS_Ex_MakeCalBlockReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                             char* reportsFile, int32_t unused, int32_t pass);
KELT_API int32_t RPTS_MakeCalCurveReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                          char* reportsFile, int32_t unused);
KELT_API int32_t RPTS_Ex_MakeCalCurveReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                             char* reportsFile, int32_t unused, int32_t pass);

// Nonzero when the data file holds results of the kinds the format's
// compound definition selects (any group, the compound group, the
// unidentified group as asked); with showMessage a modal message says so
// when it does not.
KELT_API int16_t RPTS_CheckForResultsForCompoundReports(const char* formatFile, const char* dataFile,
                                                        const char* formatSection, int16_t any, int16_t compounds,
                                                        int16_t unidentified, int16_t showMessage);

namespace kelt::reports {
// The sample report written as a text file of separated columns instead of
// pages (the separator "," "\t" or " "; null or empty: the locale's list
// separator). 1 when it was written to the end.
KELT_CLASS int32_t MakeSampleReportText(const char* formatFile, const char* formatSection, const char* dataFile,
                                        const char* textFile, const char* separator, const char* displayName,
                                        int16_t versionNumber, int16_t versionCount);
}  // namespace kelt::reports
