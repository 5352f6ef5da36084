#pragma once
// Where a data file keeps its MS report format, and which steps of its
// results are target compounds and which unidentified peaks.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

// The full name of the data file's "MSReportFormat2" section into name (at
// least 32 bytes, emptied first); 0 when the data file cannot be opened.
KELT_API BOOL KELT_GetMSReportsMethodSectionFromKMSFile(const char* dataFile, char* name);

// Whether index is a target-compound step (0 <= index < targets), an
// unidentified-peak step (targets <= index < targets + peaks), and whether
// the results hold any step. False when the results cannot be read.
KELT_CLASS bool RPTS_IsTargetStepIndex(const char* dataFile, int16_t index);
KELT_CLASS bool RPTS_IsUnidentifiedStepIndex(const char* dataFile, int16_t index);
KELT_CLASS bool RPTS_HaveAnySteps(const char* dataFile);
