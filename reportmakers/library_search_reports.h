#pragma once
// Library-search reports: the hit list, the best N hits with plots, one hit
// against its target, the top-ten table and the search of every spectrum
// of a list file. The hosts run the searches and hand their records in;
// each maker writes its pages into the reports file (a new temporary one
// when the name is empty) and answers nonzero when a page was stored.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "reportmakers/library_search_records.h"

KELT_API int32_t RPTS_MakeHitListReport(char* reportsFile, int16_t showStatus, STRUCT_REPORT_PREFS* prefs,
                                        STRUCT_NIST_SEARCH* search);
KELT_API int32_t RPTS_MakeBestHitListReport(char* reportsFile, int16_t showStatus, int16_t compact,
                                            STRUCT_REPORT_PREFS* prefs, STRUCT_NIST_SEARCH* search, int16_t best,
                                            int32_t unused);
KELT_API int32_t RPTS_MakeMatchHitReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_NIST_SEARCH* search,
                                         int32_t hit, int32_t unused);
KELT_API int32_t RPTS_MakeNISTSearchTopTenReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                 STRUCT_NIST_SEARCH* search);
KELT_API int32_t RPTS_MakeMSPHitListReport(char* reportsFile, int16_t showStatus, STRUCT_REPORT_PREFS* prefs,
                                           STRUCT_MSP_SEARCH* search, int32_t unused);
