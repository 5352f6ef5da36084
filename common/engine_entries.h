#pragma once
// The types of the quantitation engine's exports that the display library
// calls by name. The engine declares its functions with these same types
// (and checks it at compile time), so a caller can never reach one through
// a pointer whose parameters differ: such a call is undefined.
#include <cstdint>

#include "orvik32/orvik32.h"
#include "win/win_types.h"

// The engine's records; their layouts belong to the engine.
struct STRUCT_RESULTS_HEADER;
struct STRUCT_RESULT_STEP;
struct STRUCT_QUALIFIER_RECORD;

namespace kelt::engine {

using OpenTolResultsReadOnlyFn = HSECTION (*)(const char* dataFile, char* reserved);
using ReadTolResultsFn = BOOL (*)(HSECTION section, STRUCT_RESULTS_HEADER* header);
using ReadTolResultStepFn = BOOL (*)(HSECTION section, uint16_t index, STRUCT_RESULT_STEP* step, int16_t reserved);
using OpenQualifierDataReadOnlyFn = HSECTION (*)(const char* dataFile);
// The processed chromatogram of a data file written to a file (its path
// comes back in outPath).
using GetProcessedChromatogramFileExFn = BOOL (*)(HWND window, const char* workingFile, const char* dataFile,
                                                  int32_t ignored, int32_t a, int32_t b, int16_t c,
                                                  const char* methodFile, const void* runRecord, char* outPath,
                                                  STRUCT_RESULT_STEP* step, int16_t extract);
using GetMatchingQualifierRecordFn = BOOL (*)(HSECTION section, int32_t compoundNumber,
                                              STRUCT_QUALIFIER_RECORD* record);

}  // namespace kelt::engine
