#pragma once
// Report texts of the codes of quantitation results and methods. "step"
// is a result step of the quantitation engine, "table" the data file's
// global data-handling table, "compound" a method compound record (the
// owners' record sizes). Output buffers hold at least 256 bytes.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

// Constant, x, x2 and x3 terms of the calibration equation; 0 when all
// four coefficients are 0. The second argument is not read.
KELT_API BOOL KELT_GetCalibEquation(const void* compound, int16_t unused, char* constant, char* x, char* x2,
                                    char* x3);
// Styles: 1 codes joined by ",", 2 short names, 3 long names, 4 code:long name.
KELT_API char* KELT_GetPeakTypeString(int16_t flags, int16_t style, char* buffer);
// The text lives until this thread's next call.
KELT_API const char* KELT_GetSearchTypeString(const void* step, const void* table, int16_t longText);
KELT_API char* KELT_GetLibraryNameString(const void* table, int16_t library, char* buffer, int16_t maxWidth);
KELT_API char* KELT_GetMatchTypeString(const void* step, const void* table, char* buffer, int16_t longText);
KELT_API char* KELT_GetErrorStringFromRecord(const void* step, char* buffer);
KELT_API char* KELT_GetRFUsedString(const void* table, const void* step, int16_t shortText, char* buffer);
KELT_API char* KELT_GetCalculationTypeString(const void* compound, char* buffer);
