#pragma once
// Spectra of a compound report: the background-correction times of a
// target compound found from its ion and total traces, the sample spectrum
// of a result step (plain, background-corrected, or with its background
// spectrum beside it), the method's reference spectrum, and their titles.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/work_file.h"
#include "holbrin/dh_records.h"
#include "spectra/spectrum_record.h"

struct STRUCT_SCAN_FUN_INFO;
struct SVW_OVERLAY;

// Results of TOL_GetTargetBCSptTimesEx.
#define BC_TIMES_FOUND 0
#define BC_TIMES_NO_DATA 3   // no data file, another file, or fewer than 10 points
#define BC_TIMES_NOT_FOUND 5

// Spectrum modes.
#define CMPD_SPT_PLAIN 0
#define CMPD_SPT_CORRECTED 1
#define CMPD_SPT_WITH_BACKGROUND (-1)

// Finds two background times around the compound's apex: the lowest points
// of 5 x ion + (total - d) before and after it within the compound's window.
// Both outputs are 0.0 unless the result is BC_TIMES_FOUND. A mass window of
// the compound's quantitation list that is not positive is set to 0.5.
KELT_API int32_t TOL_GetTargetBCSptTimesEx(const char* dataFile, STRUCT_WORK_FILE* workFile,
                                           const STRUCT_SCAN_FUN_INFO* scanFunInfo, uint16_t scanFunCount,
                                           STRUCT_DH_COMPOUND* compound, double* start, double* end);
KELT_API int32_t TOL_GetTargetBCSptTimes(const char* dataFile, STRUCT_DH_COMPOUND* compound, double* start,
                                         double* end);
// The sample spectrum of a result step's scan (the step is the engine's
// 1,375-byte result step) (or of a time); 0 when none
// can be made. The caller frees it with PlusSpt_Free.
KELT_API STRUCT_SPT_PLUS* TOL_MakeSptFromTolQuanRecord(STRUCT_WORK_FILE* workFile, const void* step,
                                                       STRUCT_DH_COMPOUND* compound, int16_t mode);
KELT_API STRUCT_SPT_PLUS* TOL_MakeSptFromTimeAndTolQuanRecord(STRUCT_WORK_FILE* workFile, double time,
                                                              const void* step,
                                                              STRUCT_DH_COMPOUND* compound, int16_t mode);
// The method's stored reference spectrum of the compound, scaled to 999 and
// cut at the compound's threshold; 0 when it has none.
KELT_API STRUCT_SPT_PLUS* KELT_MakeSptFromPeakMatrixRecord(const STRUCT_DH_COMPOUND* compound);

void RPTS_TitleSampleSpectrum(STRUCT_WORK_FILE* workFile, STRUCT_SPT_PLUS* spt, STRUCT_TOL_SPT* tol,
                              int16_t corrected);
void RPTS_TitleRefSpectrum(STRUCT_SPT_PLUS* spt, const void* step);

// Offsets of the processing settings in the block a caller passes to
// RPTS_ReprocessPlotTrace (a compound record's block at 1,875, or the global
// table's at 702): two u32 words, both 0 meaning no processing.
#define PLOT_PROCESSING_SETTING1 300
#define PLOT_PROCESSING_SETTING2 306
// Replaces the processed points of the overlay's plot in slot with those
// the data-handling library's trace processing makes from its raw points
// and the two settings, and sets the plot's intensity range to the
// processed points it shows. 1 when it did; 0 when the settings ask for no
// processing, the slot has no trace or the processing gives nothing.
// Visible beyond the library for the quantitation engine's report graphics.
KELT_API int32_t RPTS_ReprocessPlotTrace(SVW_OVERLAY* overlay, int16_t slot, const void* processing);
