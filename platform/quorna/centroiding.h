#pragma once
// Smoothing and peak finding of profile scans (used by CMS_CentroidEngine).
#include <vector>

#include "quorna/peaks.h"

namespace quorna {

struct CentroidSettings {
  unsigned smoothPoints = 1;    // odd moving-average width
  unsigned searchPoints = 3;    // an apex is the largest value over this many points
  unsigned centroidPoints = 0;  // most points summed around an apex; 0: to the minima
  double threshold = 0;         // smoothed height a peak must exceed; 0: automatic
};

CentroidSettings SettingsFrom(const MS_CENTROID_ENGINE_PARAMS& params);
std::vector<double> SmoothProfile(const std::vector<Peak>& points, unsigned window);
std::vector<Peak> CentroidProfile(const std::vector<Peak>& points, const CentroidSettings& settings);

}  // namespace quorna
