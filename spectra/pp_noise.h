#pragma once
// Signal, peak-to-peak noise and tail around a retention time: the signal is
// the trace value at the peak point, the noise the spread of the quietest
// five-point stretch of the nearby baseline and the tail its middle level.
#include <cstddef>
#include <cstdint>

#include "spectra/rms_noise.h"

#pragma pack(push, 1)
// Result of the display form; the caller owns it, the callee zeroes it.
struct STRUCT_PP_NOISE {
  double peakTime;
  double signal;  // value of the peak point
  double tail;    // middle level of the chosen stretch
  int16_t found;
  double noise;           // its spread (a flat stretch counts 1.0)
  int16_t stretchCentre;  // index of its centre among the examined values
  double stretchTimes[5];
  double stretchValues[5];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_PP_NOISE) == 116);
static_assert(offsetof(STRUCT_PP_NOISE, found) == 24);
static_assert(offsetof(STRUCT_PP_NOISE, stretchCentre) == 34);
static_assert(offsetof(STRUCT_PP_NOISE, stretchTimes) == 36);
static_assert(offsetof(STRUCT_PP_NOISE, stretchValues) == 76);

// Around a time, within 50 points (rate-scaled for segmented files) each side.
KELT_API BOOL KELT_CalPPNoiseForDisplay(STRUCT_WORK_FILE* workFile, const STRUCT_NE_DATA_POINTS* displayed, double time,
                                        uint16_t dataType, const STRUCT_CHAN_LIST* chanList,
                                        const STRUCT_MASS_LIST* selection, const STRUCT_SCAN_FUN_ARRAY* array,
                                        uint16_t filter, const STRUCT_CHRO_PREFS* prefs,
                                        const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount, STRUCT_PP_NOISE* result);
// Over at most 101 values around the time; times and values (5 each) may be null.
KELT_API BOOL KELT_GetSignalAndNoiseAndTail(STRUCT_WORK_FILE* workFile, const STRUCT_NE_DATA_POINTS* displayed,
                                            int16_t dataType, const STRUCT_CHAN_LIST* chanList,
                                            const STRUCT_MASS_LIST* selection, const STRUCT_SCAN_FUN_ARRAY* array,
                                            uint16_t filter, const STRUCT_CHRO_PREFS* prefs, double time,
                                            double* signal, double* noise, double* tail, uint32_t* stretchCentre,
                                            double* stretchTimes, double* stretchValues);
// Segmented MS data files only; rangeMode 2 averages over the usable segments.
KELT_API BOOL KELT_CalPPNoiseForMSFile(STRUCT_WORK_FILE* workFile, double time, uint16_t dataType,
                                       const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                       uint32_t unused, int16_t rangeMode, uint16_t filter,
                                       const void* filterParameters, double* noise);
KELT_API BOOL KELT_NewCalPPNoiseForMSFile(STRUCT_WORK_FILE* workFile, const STRUCT_NE_DATA_POINTS* displayed,
                                          double time, uint16_t dataType, const STRUCT_MASS_LIST* selection,
                                          const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_ARRAY* array,
                                          int16_t unused, int16_t rangeMode, uint16_t filter,
                                          const void* filterParameters, const STRUCT_SCAN_FUN_INFO* info,
                                          int16_t infoCount, double* noise);
