#pragma once
// Unknown-peak filters and the compaction of the result sections. Filters
// only mark steps (kind + RESULT_KIND_REMOVED); compaction rebuilds the
// sections without them in a temporary file and copies the complete new
// section over the data file's.
#include <cstdint>

#include "holbrin/dh_records.h"
#include "orvik32/orvik32.h"
#include "quant/internal_standards.h"
#include "quant/morvex_export.h"
#include "quant/results_records.h"

// Unknown-peak filter kinds (global 1030).
#define UNKNOWN_FILTER_PERCENT 1
#define UNKNOWN_FILTER_NEAREST_IS 2
#define UNKNOWN_FILTER_LARGEST_N 3

// Each filter returns how many steps it marked (and wrote). removeIdentified:
// duplicate (kind 5) steps go too; byStandards: the unknown peaks are
// quantitated by internal standards, so a peak flagged as a standard's stays
// while other unknown peaks remain.
MORVEX_API int32_t FilterUnknownsByPercent(HSECTION results, STRUCT_RESULTS_HEADER* header, int16_t tenthsPercent,
                                           BOOL removeIdentified, BOOL byStandards);
MORVEX_API int32_t FilterUnknownsByNearestIS(HSECTION results, STRUCT_RESULTS_HEADER* header, int16_t thousandths,
                                             const STRUCT_ACTIVE_IS_TABLE* table, BOOL removeIdentified,
                                             BOOL byStandards);
MORVEX_API int32_t FilterUnknownsByLargestN(HSECTION results, STRUCT_RESULTS_HEADER* header, int16_t n,
                                            BOOL removeIdentified, BOOL byStandards);
MORVEX_API int32_t FilterIdentifiedUnknowns(HSECTION results, STRUCT_RESULTS_HEADER* header, BOOL removeIdentified,
                                            BOOL byStandards);
// Chooses the filter by global 1030; the number of steps marked.
MORVEX_API int32_t ApplyUnknownPeakFilter(HSECTION results, STRUCT_RESULTS_HEADER* header,
                                          const STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_ACTIVE_IS_TABLE* table);

// Rebuilds the results of resultsFile without the marked steps into the data
// file's "MSResults:h4", linking each kept peak to its TIC record; the first
// compoundSteps steps are the compound steps. With a table of count above 0
// the table is rebuilt for the new step indexes. 1 on success.
MORVEX_API BOOL CompactResults(const char* dataFile, const char* resultsFile, int32_t compoundSteps,
                               STRUCT_ACTIVE_IS_TABLE* table);
// Keeps the entries whose compound still has its peak; new peak indexes.
MORVEX_API void RebuildActiveISTable(HSECTION results, const STRUCT_RESULTS_HEADER* header,
                                     STRUCT_ACTIVE_IS_TABLE* table);
// The qualifier records of the kept compound steps (n expected). 0, and the
// data file's section left alone, when it does not hold n records.
MORVEX_API BOOL CompactQualifiers(const char* dataFile, const char* resultsFile, int32_t n);
MORVEX_API BOOL CompactTICPeaks(const char* dataFile, const char* resultsFile, int32_t compoundSteps);
// Qualifiers, then TIC records, then results; stops at the first failure.
MORVEX_API BOOL CompactAllSections(const char* dataFile, const char* resultsFile, int32_t n);

// A new temporary sectioned file (unique name with the prefix) into
// path260; 0 on failure (nothing left behind).
MORVEX_API BOOL MakeTempSectionFile(const char* prefix, char* path260);
