#pragma once
// The "MS Data File Information" block of the sample and compound reports:
// a grid of up to 12 lines of up to three cells, each cell an item code
// (1-34) of the report definition, written as its label, ":" and value.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "win/win_types.h"

class CReportOutput;
struct STRUCT_WORK_FILE;

// definition: the sample or compound report definition (its grid at byte
// 101); general: the format's general part. 1 when written, 0 when the
// output has failed or the grid holds no item. A text file takes wide as 1.
KELT_API BOOL RPTS_WriteDataFileInfo(CReportOutput* out, STRUCT_WORK_FILE* workFile, const void* definition,
                                     const void* general, int16_t left, int16_t right, int16_t wide);

// Texts of the results header's codes.
KELT_API void RPTS_FmtCalcType(int16_t type, char* text);
KELT_API void RPTS_FmtMeasurementType(int16_t value, char* text);
KELT_API void RPTS_FmtSampleType(int16_t value, char* text);

namespace kelt::reports {
// The label of an item code ("Sample ID" ...), null outside 1-34.
KELT_CLASS const char* InfoItemLabel(int code);
// Codes 1-34 that print something (not the blank cells 25 and 26).
inline bool IsInfoItem(int code) { return code >= 1 && code <= 34 && code != 25 && code != 26; }
}  // namespace kelt::reports
