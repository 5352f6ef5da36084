#pragma once
// Background ranges as the reference-spectra code edits them: the names it
// knows the range calls by, and the scan counts of one range.
#include "jessul32/jessul32.h"

// An empty correction of the data file, or 0 (as NewBackCorr).
JESSUL_API STRUCT_FILE_BC* NewFileBC(const void* workFile);
// As AddBackCorrRange.
JESSUL_API STRUCT_FILE_BC* AddBCRange(STRUCT_FILE_BC* correction, uint32_t firstScan, double fromTime,
                                      uint32_t endScan, double toTime);
// As DeleteBackCorrRange.
JESSUL_API int32_t DeleteBCRange(STRUCT_FILE_BC* correction, uint32_t firstScan);
// Sets the scan counts of the range that begins at firstScan: scans averaged
// for merged or listed channels (cycles) and for ignored-channel lists.
// Nonzero when there is such a range.
JESSUL_API int32_t SetBackCorrRangeCounts(STRUCT_FILE_BC* correction, uint32_t firstScan, uint16_t listedCount,
                                          uint16_t ignoredCount);
