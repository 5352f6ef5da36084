#pragma once
// Background spectra of a data file: averages of scan ranges, the
// background that a correction record assigns to a scan, background
// subtraction and interpolation in time, and the correction record stored
// in the data file ("BackgroundCorr").
//
// Spectra travel as exchange buffers (quorna.h) in blocks of the common
// allocator; FreeSpectrumBuffer frees them. Peaks of two spectra are the
// same peak when their masses lie within half a mass step of the scan
// function's mass decimals (centroid data) or within 0.0001 (profile data).
#include <cstdint>

#include "jessul32/jessul32.h"
#include "quorna/quorna.h"

#define BACKCORR_SECTION "BackgroundCorr"

// [200] Accepts 0.
JESSUL_API void FreeSpectrumBuffer(void* buffer);
// Average of the scans first, first + step ... up to last, read with the
// channel list (stored scans added per cycle for merged and listed lists).
// buffer, a block of the common allocator, receives the exchange buffer;
// its block size is its room (an average may hold more peaks than one
// scan, since the scans' masses need not meet); header
// the header of the middle scan with the average's time (the middle scan's,
// or the mean of the two middle ones), total ion and base peak. The times
// of the first and last scan read go to firstTime and lastTime. Nonzero on
// success.
JESSUL_API int32_t AverageScans(HMSDATA handle, const STRUCT_CHAN_LIST* channels, MS_SCAN_HEADER* header,
                                void* buffer, uint32_t first, uint32_t last, uint16_t step, double* firstTime,
                                double* lastTime, const void* workFile);
// The background spectrum the correction assigns to a scan: the average of
// the background range of the scan's segment, or, with two or more ranges,
// the two neighbouring ranges interpolated to the scan's time. 0 when the
// segment has no range or a read fails.
JESSUL_API void* MakeBackgroundSpectrum(HMSDATA handle, const STRUCT_CHAN_LIST* channels, uint32_t scan,
                                        const STRUCT_FILE_BC* correction, const void* workFile);
// The correction stored in the data file, or 0 when it has none (or a
// damaged one). workFile: a path or a record whose first field is the path.
JESSUL_API STRUCT_FILE_BC* BuildBackCorrFromRefSpts(const void* workFile);
// Stores the correction in the data file; nonzero on success.
JESSUL_API int32_t SaveBackCorr(const void* workFile, const STRUCT_FILE_BC* correction);
// spectrum - background at equal masses, floored at 0; for centroid data
// peaks that reach 0 are dropped. A new buffer, or 0.
JESSUL_API void* SubtractBackground(const void* spectrum, const void* background, const void* infoBlock,
                                    const void* segmentBlock, const void* record);
// The background at time t from the spectra at t1 and t2 (linear in time
// at equal masses, a mass missing from one spectrum counting 0 there),
// floored at 0, zero peaks dropped. A new buffer, or 0.
JESSUL_API void* InterpolateBackgroundSpectrum(const void* first, const void* second, double t1, double t,
                                               double t2, const void* infoBlock, const void* segmentBlock,
                                               const MS_SCAN_HEADER* header);
