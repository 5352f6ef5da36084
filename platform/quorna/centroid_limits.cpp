// Limits of the centroid parameters for a kind of profile data.
#include <algorithm>
#include <cmath>

#include "quorna/centroid_limits.h"

namespace {
// Odd, and not below low.
int OddAtLeast(int v, int low) {
  if (v < low) v = low;
  return v % 2 ? v : v + 1;
}
}  // namespace

// peakWidth: the acquisition's peak width at half height (m/z); step: the
// spacing of profile points (m/z). Their ratio is the number of points a
// singly charged peak spans; a peak of charge z is z times narrower. The
// smoothing window may cover a whole peak, the search window two peaks,
// the centroid window one peak; the suggested search covers half a peak.
int32_t GetCentroidParamLimits(uint16_t dataKind, double peakWidth, double step, uint16_t chargeState,
                               MS_CENTROID_LIMITS* limits) {
  if (!limits) return 0;
  *limits = MS_CENTROID_LIMITS{};
  if (!dataKind) return 0;
  limits->maxChargeState = dataKind >= 2 ? 8 : 4;
  const int z = std::clamp<int>(chargeState ? chargeState : 1, 1, limits->maxChargeState);
  double points = 15.0;
  if (std::isfinite(peakWidth) && std::isfinite(step) && peakWidth > 0 && step > 0) points = peakWidth / step / z;
  const int p = static_cast<int>(std::clamp(std::lround(std::min(points, 1000.0)), 1L, 99L));
  limits->maxSmoothPoints = static_cast<uint16_t>(std::min(OddAtLeast(p, 3), 25));
  limits->maxSearchPoints = static_cast<uint16_t>(std::clamp(2 * p, 3, 99));
  limits->maxCentroidPoints = static_cast<uint16_t>(std::clamp(p, 1, 99));
  limits->suggestedSearchPoints =
      static_cast<uint16_t>(std::min<int>(OddAtLeast((p + 1) / 2, 1), limits->maxSearchPoints));
  return 1;
}
