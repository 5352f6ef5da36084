#pragma once
// Smoothing and peak finding of profile scans (used by CMS_CentroidEngine).
#include <vector>

#include "quorna/peaks.h"

namespace quorna {

struct CentroidSettings {
  unsigned smoothPoints = 1;    // odd moving-average width
  unsigned searchPoints = 3;    // an apex is the largest value over this many points
  unsigned centroidPoints = 0;  // most points summed around an apex; 0: to the minima
  double threshold = 0;         // smoothed height a peak must exceed; 0: from the baseline's noise
};

// Level and spread (standard deviation) of a profile's baseline, from the
// points left when everything standing out of it is taken away.
struct BaselineNoise {
  double level = 0;
  double spread = 0;
};

CentroidSettings SettingsFrom(const MS_CENTROID_ENGINE_PARAMS& params);
// zeros: points left out of the profile as zero.
BaselineNoise EstimateBaseline(const std::vector<double>& smoothed, double zeros = 0);
std::vector<double> SmoothProfile(const std::vector<Peak>& points, unsigned window);
std::vector<Peak> CentroidProfile(const std::vector<Peak>& points, const CentroidSettings& settings);

}  // namespace quorna
