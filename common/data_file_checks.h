#pragma once
// Checks of segment, channel and mass-list choices against a data file.
#include <cstdint>

#include "common/kelt_export.h"
#include "quorna/ms_lists.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

// The work file has a detector channel table and 0 <= index < its count.
KELT_API BOOL KELT_IsChannelIndexValid(const STRUCT_WORK_FILE* workFile, int16_t index);
// Merged and ignored lists are valid; a listed one with 1 to 10 entries when
// the first channel of one entry is below the file's (or the segment's)
// scan-function count.
KELT_API BOOL KELT_IsChanListValidForScanFun(const STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* list);
KELT_API BOOL KELT_IsChanListValidInSegment(const STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* list,
                                            int16_t segment);
// Whether a mass list of that kind can make a trace of that data type.
KELT_API BOOL KELT_IsMassListValidForDataType(const STRUCT_WORK_FILE* workFile, int16_t dataType,
                                              const STRUCT_MASS_LIST* list);
