#pragma once
// The other peaks of a run: the whole chromatogram integrated with the
// method's global parameters, one "Unknown" step per peak, and a library
// search per unknown peak whose hits become TIC records.
#include <cstdint>

#include "fandor/library_search.h"
#include "holbrin/dh_records.h"
#include "orvik32/orvik32.h"
#include "quant/morvex_export.h"
#include "quant/results_records.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

// Most hits kept per peak.
#define UNKNOWN_PEAK_MAX_HITS 3

// Method global-record offsets of the library-search settings.
#define GLOBAL_LIBRARY_PATH 1408
#define GLOBAL_LIBRARY_COUNT 1668
#define GLOBAL_LIBRARY_ACTIVE 1670
#define GLOBAL_LIBRARY_LIST 1672
#define GLOBAL_LIBRARY_FLAGS 5849
#define GLOBAL_LIBRARY_OPTIONS 5866
#define NIST_DEFS_MAX_LIBRARIES 17

// Copies the method's search settings into the definitions; the library
// list goes into the block defs->libraryList already points to
// (FANDOR_LIBRARY_LIST_SIZE bytes). Per-library bytes stop at 17 libraries.
MORVEX_API void MORVEX_CopyMethSrchParamsToNISTDefs(STRUCT_NIST_DEFS* defs, const STRUCT_DH_GLOBAL_PARAMS* global);

// Integrates the whole run and appends one step (kind 4, "No Search") per
// peak to the open results, counting them in the header (not written).
// runFile, when given, is the extracted chromatogram file to integrate.
// 1 when the chromatogram was processed (also without peaks).
MORVEX_API BOOL ProcessFullChromatogram(HWND window, const char* methodFile, const char* dataFile,
                                        const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_RESULTS_HEADER* header,
                                        HSECTION results, int16_t miniRun);

// Searches the spectrum at each unknown step of the data file's results in
// the method's libraries, names the step after its first hit and stores
// the hits (at most three a peak) as the data file's "MSTICs:h4". The
// results and TIC sections reach the data file together. 1 when the
// results could be opened.
MORVEX_API BOOL SearchUnknownPeaks(HWND window, const char* dataFile, STRUCT_WORK_FILE* workFile,
                                   const STRUCT_DH_GLOBAL_PARAMS* global);
