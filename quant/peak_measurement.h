#pragma once
// Measurements of one compound's integration: whether its channels exist,
// which of the engine's peaks is the compound's and where its points lie,
// the qualifier-ion ratio test, the quick integration of an ion over the
// compound's peak, and the signal-to-noise ratio.
#include <cstdint>

#include "holbrin/dh_engine.h"
#include "quant/compound_method.h"
#include "quant/morvex_export.h"
#include "quant/results_records.h"

struct STRUCT_WORK_FILE;

// Results of MORVEX_IsValidChannels.
#define CHANNELS_NONE 0
#define CHANNELS_SOME 1
#define CHANNELS_ALL 2

// Whether the listed channels exist in the segment holding time (every
// segment for a negative time); lists of other kinds answer CHANNELS_ALL.
MORVEX_API int16_t MORVEX_IsValidChannels(const STRUCT_CHAN_LIST* list, const char* dataFile, double time);

// Takes the compound's peak from the engine's results of workingFile: the
// last usable peak carrying the compound's name, measured at its time into
// the step (time, area, height, boundary points; inside a group-peaks
// window the grouped peak's boundary is also its integration limits). The
// peak record goes to
// peak. Sets flag Y when there is none. Mode 2 measures nothing. Nonzero
// when the peak was found and measured.
MORVEX_API BOOL MORVEX_GetCmpdIntegrationResults(HDHTABLE results, const char* workingFile, STRUCT_DH_RESULT* peak,
                                                 STRUCT_RESULT_STEP* step, uint16_t moduleId, uint16_t moduleAddress,
                                                 const char* tag, const STRUCT_DH_COMPOUND* compound,
                                                 const STRUCT_DH_GLOBAL_PARAMS* global,
                                                 STRUCT_QUALIFIER_RECORD* qualifiers, int16_t mode);

// Copies a reference-spectrum record (the 1,370 bytes a compound record
// stores at 3365) keeping, of its first 16 ions, those at or above the
// smaller of their largest intensity and limit. The given record's own
// count is first cut to 16. Always 1.
MORVEX_API BOOL GetFilteredRefSpect(void* refSpectrum1370, uint32_t limit, uint8_t* out1370);

// The quick integration of an ion's chromatogram over the step's peak
// (integration limits 204/212, baseline search 188/196) between the window
// limits; the slot gets the time, area, baseline and limit points. Returns
// the area (counts x seconds), 0 when nothing could be integrated.
MORVEX_API double IntegrateIonOverStep(const char* dataFile, const STRUCT_MASS_LIST& masses, const CMPD_WINDOW_LIMITS& limits,
                            const STRUCT_RESULT_STEP& step, STRUCT_QUALIFIER_ION* slot);
// The compound's own quantitation ion integrated that way; returns the area.
MORVEX_API double MORVEX_IntegrateQualifierQuanIonPts(const char* dataFile, const STRUCT_DH_COMPOUND* compound,
                                                      const CMPD_WINDOW_LIMITS* limits,
                                                      const STRUCT_RESULT_STEP* step, STRUCT_QUALIFIER_ION* slot);

// The ratio test of qualifier i (entry i of the compound): stores the limits
// and the ratio in the step and returns whether it passes (earlier ones
// must have passed too). relativeTolerance: tolerances are tenths of a
// percent of the expected ratio. With renew set, a passing qualifier's
// expected ratio becomes the one measured.
MORVEX_API bool QualifierRatioTest(STRUCT_RESULT_STEP* step, int i, double qualifierArea, DH_QUALIFIER* entry,
                        bool relativeTolerance, bool earlierPassed, bool renew);

// Height over noise of the step's peak; the noise of the compound's ion
// trace (RMS, or peak to peak when peakToPeak) counts at least 1.0. The
// step's baseline at the apex is set. Returns the ratio, or -1 when no
// noise could be computed.
MORVEX_API double MeasureSignalToNoise(STRUCT_WORK_FILE* workFile, const STRUCT_DH_COMPOUND& compound, STRUCT_RESULT_STEP* step,
                            bool peakToPeak);
