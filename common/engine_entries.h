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
struct STRUCT_TIC_HIT;
struct STRUCT_ACTIVE_IS_TABLE;
struct STRUCT_WORK_FILE;

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
using BuildActiveISTableFn = int32_t (*)(HSECTION results, const STRUCT_RESULTS_HEADER* header, const char* dataFile,
                                         STRUCT_WORK_FILE* workFile, const char* methodFile, const void* options,
                                         STRUCT_ACTIVE_IS_TABLE* table);
using FindNearestISFn = int32_t (*)(float time, const STRUCT_ACTIVE_IS_TABLE* table);
using OpenTICDataReadOnlyFn = HSECTION (*)(const char* dataFile);
using GetTICHitRecordFn = STRUCT_TIC_HIT* (*)(HSECTION section, int16_t peak, int16_t hit);
using FreeTICHitRecordFn = void (*)(STRUCT_TIC_HIT* block);

// The engine's table of active internal standards as the report code reads
// it: a count, then 35-byte entries whose i16 at 30 is the standard's step.
inline constexpr int kActiveISEntries = 50;
inline constexpr int kActiveISEntrySize = 35;
inline constexpr int kActiveISStepOffset = 30;
inline constexpr int kActiveISTableSize = 4 + kActiveISEntries * kActiveISEntrySize;

}  // namespace kelt::engine
