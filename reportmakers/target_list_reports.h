#pragma once
// Target-list search reports: the matches of one spectrum against the
// spectra of list files (long form with a plot per match, short form as a
// table) and the matches of a chromatogram's peaks. The hosts run the
// searches; each maker answers nonzero when a page was stored.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "reportmakers/library_search_records.h"
#include "reportpages/report_output.h"

// Matches are chosen by match number, first and last counted from 1.
KELT_API int32_t RPTS_MakeLongTargetListSearchASpectrum(char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                         STRUCT_TLS_SEARCH* search, int16_t first, int16_t last);
KELT_API int32_t RPTS_MakeShortTargetListSearchASpectrum(char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                          STRUCT_TLS_SEARCH* search, int16_t first, int16_t last);
KELT_API int32_t RPTS_MakeTargetListSearchChromatogram(char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                        STRUCT_TLS_CHRO_SEARCH* search);
// Parameter blocks; both return Ok (the chromatogram block 0 when its data
// file cannot be opened, writing nothing).
KELT_API BOOL RPTS_WriteTLSSearchParameters(CReportOutput* out, const STRUCT_TLS_SEARCH* search, int16_t column);
KELT_API BOOL RPTS_WriteTLSChromatogramParameters(CReportOutput* out, const STRUCT_TLS_CHRO_SEARCH* search,
                                                  int16_t column);

namespace kelt::reports {
// A cell of the short table: the text cut to width characters, "..."
// replacing what lies beyond when it is longer (unless dots is false).
KELT_CLASS std::string FitCell(const std::string& text, size_t width, bool dots = true);
// The file cell: the file's name cut so that name and extension fit.
KELT_CLASS std::string FileCell(const std::string& path, size_t width);
}  // namespace kelt::reports
