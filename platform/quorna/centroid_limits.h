#pragma once
// Limits of the centroid parameters for a kind of profile data.
#include <cstdint>

#include "quorna/quorna.h"

#pragma pack(push, 1)
// Upper bounds of the centroid parameters for a kind of data, and the
// search points suggested.
struct MS_CENTROID_LIMITS {
  uint16_t maxChargeState;
  uint16_t maxSmoothPoints;
  uint16_t maxSearchPoints;
  uint16_t maxCentroidPoints;
  uint16_t suggestedSearchPoints;
};
#pragma pack(pop)

// dataKind 0 is no data (0 returned, limits zeroed); peakWidth and step in
// m/z (either not positive: a typical peak of 15 points). 1 on success.
QUORNA_API int32_t GetCentroidParamLimits(uint16_t dataKind, double peakWidth, double step, uint16_t chargeState,
                                          MS_CENTROID_LIMITS* limits);
