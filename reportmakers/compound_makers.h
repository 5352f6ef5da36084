#pragma once
// The compound report makers: one report per result step of a data file
// (target compounds, internal standards, unidentified peaks), each step's
// pages made by the page maker of its kind. The makers take the ten
// arguments of the sample report and return nonzero when a page was stored.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;
struct STRUCT_SCAN_FUN_INFO;
struct STRUCT_WORK_FILE;

KELT_API int32_t RPTS_MakeCompoundReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                          char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t unused6,
                                          int32_t unused7, const char* displayName, int16_t versionNumber,
                                          int16_t versionCount);
KELT_API int32_t RPTS_MakeTargetCompoundReports(const char* formatFile, const char* formatSection,
                                                const char* dataFile, char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                int32_t unused6, int32_t unused7, const char* displayName,
                                                int16_t versionNumber, int16_t versionCount);
KELT_API int32_t RPTS_MakeUnknownCompoundReports(const char* formatFile, const char* formatSection,
                                                 const char* dataFile, char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                 int32_t unused6, int32_t unused7, const char* displayName,
                                                 int16_t versionNumber, int16_t versionCount);
KELT_API int32_t RPTS_MakeISCompoundReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                            char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t unused6,
                                            int32_t unused7, const char* displayName, int16_t versionNumber,
                                            int16_t versionCount);

namespace kelt::reports {

// What a page maker of one result step is given.
struct CompoundPageRequest {
  const void* step;            // the 1,375-byte result step
  const void* definition;      // the compound report definition
  const void* general;         // the format's general part
  STRUCT_WORK_FILE* workFile;
  STRUCT_SCAN_FUN_INFO* scanFunInfo;
  int16_t scanFunCount;
  uint16_t stepIndex;
  char* reportsFile;
  STRUCT_REPORT_PREFS* prefs;
  uint32_t dateTime;           // when the maker began
  uint16_t firstPage;          // number of its first page
  const char* displayName;
  int16_t versionNumber, versionCount;
};
// Nonzero when the step's pages were stored; *pages the number made (the
// ion-ratio page is always one).
using CompoundPageMaker = int (*)(const CompoundPageRequest& request, uint16_t* pages);
struct CompoundPageMakers {
  CompoundPageMaker target = nullptr;
  CompoundPageMaker ionRatio = nullptr;
  CompoundPageMaker unidentified = nullptr;
};
// The page makers the compound makers call; a kind without one makes no
// page for its steps (the walk goes on with the next step).
KELT_CLASS void SetCompoundPageMakers(const CompoundPageMakers& makers);
KELT_CLASS CompoundPageMakers GetCompoundPageMakers();

}  // namespace kelt::reports
