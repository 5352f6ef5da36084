#pragma once
// Reference peaks and processed files: the compounds' expected times
// corrected along the straight lines through the found reference peaks,
// and temporary sectioned files holding the extract of a data file with
// the engine's results, for hosts that show one compound or a chromatogram
// as the engine integrated it. The caller deletes the files.
#include <cstdint>
#include <type_traits>

#include "common/engine_entries.h"

#include "holbrin/dh_engine.h"
#include "quant/compound_method.h"
#include "quant/morvex_export.h"
#include "quant/results_records.h"
#include "win/win_types.h"

#pragma pack(push, 1)
// Expected and found time of a compound, minutes.
struct REF_TIME_ENTRY {
  float expected;
  float found;
};
#pragma pack(pop)
static_assert(sizeof(REF_TIME_ENTRY) == 8);

// Integrates the method's reference compounds (flag bit 0, a time set) and
// moves every compound of the open table to its corrected time. times
// receives (count + 1) entries, entry n for the compound at table position
// n (1-based); refs the 1-based positions of the references found (entry 0
// empty) and refCount their number; both blocks are the caller's to free
// (FreeBlock). Nonzero when there are references, one at least was found
// and every record was written; failed is then set to 0 (1 when not so),
// and left alone without references.
MORVEX_API BOOL MORVEX_CheckForRefPks(HDHTABLE compounds, int32_t count, REF_TIME_ENTRY** times, uint16_t** refs,
                                      int16_t* refCount, const char* dataFile, const char* sourceFile, int32_t second,
                                      int16_t value, const STRUCT_DH_GLOBAL_PARAMS* global, uint16_t moduleId,
                                      uint16_t moduleAddress, const char* tag, int16_t* failed);

// A processed compound file ("RUN" prefix) for the compound over its window
// limits; its path goes to outPath (260 bytes). The compound's time becomes
// the window centre. The engine's result (nonzero: integrated).
MORVEX_API BOOL MORVEX_GetIntegratedCmpdFile(const char* dataFile, const char* second, int32_t third, int16_t value,
                                             const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_DH_COMPOUND* compound,
                                             const CMPD_WINDOW_LIMITS* limits, char* outPath, int16_t flag);
MORVEX_API BOOL MORVEX_GetIntegratedCmpdFileEx(const char* dataFile, const char* sourceFile, const char* second,
                                               int32_t third, int16_t value, const STRUCT_DH_GLOBAL_PARAMS* global,
                                               STRUCT_DH_COMPOUND* compound, const CMPD_WINDOW_LIMITS* limits,
                                               char* outPath, int16_t flag);
// As above after correcting the compound's time by the method's reference
// peaks (those of the data file's copy of the method); 1 when made.
MORVEX_API BOOL GetProcessedCompoundFile(const char* dataFile, const char* second, int32_t third, int16_t value,
                                         const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_DH_COMPOUND* compound,
                                         char* outPath, int16_t flag);
MORVEX_API BOOL GetProcessedCompoundFileEx(const char* dataFile, const char* sourceFile, const char* second,
                                           int32_t third, int16_t value, const STRUCT_DH_GLOBAL_PARAMS* global,
                                           STRUCT_DH_COMPOUND* compound, char* outPath, int16_t flag);

// A processed chromatogram file ("FUL" prefix, or outPath itself when it
// names a method-type sectioned file): the whole run (merged channels), or
// with the interactive form one segment (0-based, -1 the whole run) with
// the method's channels. Without extract the working file is integrated in
// place and its path returned. The engine's result.
MORVEX_API BOOL GetProcessedChromatogramFile(HWND window, const char* workingFile, const char* dataFile, int32_t a,
                                             int32_t b, int16_t c, const char* methodFile, const void* runRecord,
                                             char* outPath, STRUCT_RESULT_STEP* step, int16_t extract);
MORVEX_API BOOL GetProcessedChromatogramFileEx(HWND window, const char* workingFile, const char* dataFile,
                                               int32_t ignored, int32_t a, int32_t b, int16_t c, const char* methodFile,
                                               const void* runRecord, char* outPath, STRUCT_RESULT_STEP* step,
                                               int16_t extract);
static_assert(std::is_same_v<decltype(&GetProcessedChromatogramFileEx),
                             kelt::engine::GetProcessedChromatogramFileExFn>);
MORVEX_API BOOL GetProcessedChromatogramFileInteractiveEx(HWND window, const char* workingFile, const char* dataFile,
                                                          int32_t ignored, int32_t a, int32_t b, int16_t c,
                                                          const char* methodFile, const void* runRecord,
                                                          char* outPath, STRUCT_RESULT_STEP* step, int16_t extract,
                                                          int16_t segment);

// GetProcessedChromatogramFileEx's file of the whole run for a caller that
// reads only the engine's results from it and then deletes it: where the
// extract would copy the run's stored data unchanged, the file holds the
// engine's results alone (the engine read the data from the run itself).
// Given memory, where the run reads in place as its extract would show it,
// nothing is written: outPath names an empty file and the results are kept
// in memory under that name until EndDHWorkingInMemory(*memory).
BOOL GetFullChromatogramResultsFile(HWND window, const char* dataFile, const char* methodFile, char* outPath,
                                    void** memory = nullptr);

// The first compound with flag bit 9 (in table order) that is found: its
// expected and found times (minutes). Nonzero when one was found.
MORVEX_API BOOL FindMarkerCompound(HDHTABLE compounds, int32_t count, float* expected, float* found,
                                   const char* dataFile, const char* second, int32_t third, int16_t value,
                                   const STRUCT_DH_GLOBAL_PARAMS* global, uint16_t moduleId, uint16_t moduleAddress,
                                   const char* tag);
// The default run record of processed files: 26 bytes and more as the
// engine takes them (kind word at 24).
void InitDefaultRunRecord(uint8_t* record, size_t size);
