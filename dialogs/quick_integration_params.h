#pragma once
// The peak-detection parameters of the quick integration window and of the
// integration-parameters dialog: the 24-byte record kept per detector in
// "tolview3.ini", its defaults, and the small conversions both dialogs and
// the integration run share.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"

#pragma pack(push, 1)
struct STRUCT_QUICK_INT_PARAMS {
  uint16_t peakWidthTenths;  // seconds x 10, 5..2560
  uint16_t slopeSensitivity; // 1..256
  uint16_t tangentPercent;   // 0..100
  uint8_t pad6[2];
  double peakSizeReject;     // counts, 0..2,000,000,000
  int16_t lockPeakWidth;
  int16_t showAreaLabels;
  int16_t useLocal;          // 1 "Local", 0 "Data File"
  uint8_t pad22[2];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_QUICK_INT_PARAMS) == 24);
static_assert(offsetof(STRUCT_QUICK_INT_PARAMS, peakSizeReject) == 8);
static_assert(offsetof(STRUCT_QUICK_INT_PARAMS, lockPeakWidth) == 16);
static_assert(offsetof(STRUCT_QUICK_INT_PARAMS, useLocal) == 20);

#define QUICK_INT_PARAMS_SECTION "QuickIntParamsHeader"
#define EDIT_INT_PARAMS_SECTION "EditIntParamsHeader"
#define INT_PARAMS_KEY "Params"

namespace kelt::quickint {

// Peak width, slope, tangent, reject and lock for a detector (module 61
// integrates wider, larger peaks).
KELT_CLASS void SetDefaultParams(uint16_t moduleId, uint16_t* widthTenths, uint16_t* slope, uint16_t* tangent,
                                 double* reject, int16_t* lock);
// The stored record of a detector under section stem + module id; false
// (record untouched) when none is stored or it cannot be used. A record
// whose values lie outside what the fields accept is refused too: the
// engine would take them as they stand.
KELT_CLASS bool ReadParams(const char* sectionStem, uint16_t moduleId, STRUCT_QUICK_INT_PARAMS* record);
KELT_CLASS bool WriteParams(const char* sectionStem, uint16_t moduleId, const STRUCT_QUICK_INT_PARAMS& record);
// Whether every value lies in the range its field accepts.
KELT_CLASS bool ParamsInRange(const STRUCT_QUICK_INT_PARAMS& record);
// Tenths of a second from seconds as typed (4.04 -> 40).
KELT_CLASS uint16_t TenthsFromSeconds(double seconds);
// The value of a lock-peak-width time event: the width in half-seconds
// moved to a power of two from 1 to 512 (the upper one from the midpoint).
KELT_CLASS int32_t LockEventValue(uint16_t widthTenths);
// Signal-to-noise of a peak of height over noise (noise under 1 counts
// 1) and its text ("%ld", or "%.3g" from a million).
KELT_CLASS double SignalToNoise(double height, double noise);
KELT_CLASS void SignalToNoiseText(double sn, char* text, size_t size);

}  // namespace kelt::quickint
