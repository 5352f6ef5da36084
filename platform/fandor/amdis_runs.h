#pragma once
// The deconvolution and analysis runs of a data file: checks that the file
// suits them, and the runs, which write the component file (".ELU") and
// the identification file (".FIN") beside the data file.
//
// Deconvolution: every nominal-mass ion trace of the run is freed of its
// slow background (a running lower quartile), its noise measured (from the
// spread of point-to-point differences) and smoothed; each maximum at least
// AMDIS_MIN_SIGNAL_TO_NOISE times the noise is an ion apex. Apexes of one
// time (within one and a half cycles of the strongest) form a component
// when at least AMDIS_MIN_IONS ions share it; its model ion is the ion of
// best signal-to-noise, its spectrum the ions' apex heights.
// Analysis: as deconvolution, then each component's spectrum is searched in
// the library; components whose best hit reaches AMDIS_MIN_MATCH are written
// as identified.
//
// workFile is a path or any record whose first field is the path; the
// texts are AMDIS_TEXT_SIZE bytes each.
#include <cstdint>

#include "fandor.h"

#define AMDIS_TEXT_SIZE 260
#define AMDIS_DECONVOLUTION_RECORD_SIZE 260
#define AMDIS_ANALYSIS_RECORD_SIZE 520
#define AMDIS_MIN_SIGNAL_TO_NOISE 10.0
#define AMDIS_MIN_IONS 3
#define AMDIS_MIN_MATCH 600

#pragma pack(push, 1)
// What a host hands to the analysis: the deconvolution's part (reserved,
// any content), then the library to search (empty: the workstation's
// first library).
struct AMDIS_ANALYSIS_RECORD {
  char deconvolution[AMDIS_DECONVOLUTION_RECORD_SIZE];
  char libraryPath[AMDIS_TEXT_SIZE];
};
#pragma pack(pop)
static_assert(sizeof(AMDIS_ANALYSIS_RECORD) == AMDIS_ANALYSIS_RECORD_SIZE);

// TRUE when the data file holds finished MS scans enough for a
// deconvolution; otherwise FALSE and why in reason.
FANDOR_API BOOL CheckAMDISDeconvolution(const void* workFile, char* reason);
// As the deconvolution check over the time range, and a library to search
// must open. reason: why not; library: the library that will be searched;
// result: the identification file that will be written.
FANDOR_API BOOL CheckAMDISAnalysis(const void* workFile, double startTime, double endTime, char* reason,
                                   char* library, char* result);
// Runs the deconvolution (record: AMDIS_DECONVOLUTION_RECORD_SIZE bytes,
// may be 0) over the scans of the channel list (a STRUCT_CHAN_LIST; 0 or a
// list not of the listed kind: every scan). Writes the ".ELU" file whole;
// the number of components, -1 on failure (the earlier file kept).
FANDOR_API int32_t DoAMDISDeconvolutionForFile(const void* workFile, const void* record, const void* channels,
                                              int32_t flags);
// Deconvolution and search (record: an AMDIS_ANALYSIS_RECORD, may be 0).
// Writes the ".ELU" and ".FIN" files whole; the number identified, -1 on
// failure.
FANDOR_API int32_t DoAMDISAnalysisForFile(const void* workFile, const void* record, const void* channels,
                                         int32_t flags);
