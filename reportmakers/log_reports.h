#pragma once
// Log reports of an MS data file: the MS log report (file header, an
// optional chromatogram with its segment bar, the acquisition segments and
// the MS log sections) and two reports of selected parts of the data
// file's log text. The caller owns the open work file. Each answers
// nonzero when a page was stored.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"

struct STRUCT_WORK_FILE;
struct SVW_OVERLAY;

KELT_API int32_t RPTS_MakeMSLogReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_WORK_FILE* workFile,
                                      SVW_OVERLAY* overlay, int16_t chromatogramValue, int16_t userLog,
                                      int16_t fileNames, int16_t setPoints, int16_t gc, int16_t segmentMode,
                                      int16_t segmentIndex, int16_t tune, int16_t ipm, int16_t revisionLog);
KELT_API int32_t RPTS_MakeLogReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_WORK_FILE* workFile);
// The same without the error log, in narrower lines.
KELT_API int32_t RPTS_MakeDorlLogReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_WORK_FILE* workFile);
