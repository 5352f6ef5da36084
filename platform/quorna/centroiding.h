#pragma once
// Smoothing and peak finding of profile scans (used by CMS_CentroidEngine).
//
// A profile is a list of points (mass, counts) in ascending mass. A step
// more than 1.5 times the step before it is a gap: points were left out
// there, and they count as zero.
#include <cstddef>
#include <vector>

#include "quorna/peaks.h"

namespace quorna {

struct CentroidSettings {
  unsigned smoothPoints = 1;    // odd moving-average width, points
  unsigned searchPoints = 3;    // apexes within half this many points of each other are one peak
  unsigned centroidPoints = 0;  // most points summed around an apex; 0: the whole peak, minimum to minimum
  // Smoothed counts a peak's apex must exceed. 0: automatic, the local
  // baseline plus kThresholdNoise times the local noise of the smoothed
  // profile.
  double threshold = 0;
};

// Automatic threshold: the apex must stand this many noise sd (of the
// smoothed profile) above the local baseline.
constexpr double kThresholdNoise = 6.0;

// Baseline and noise along a profile, for each point.
struct LocalBaseline {
  // Counts under each point: the lower envelope of the smoothed profile
  // (its minimum, then maximum, over `window` points, averaged over as
  // many), with points left out in gaps taken as zero. It follows sloping
  // and raised baselines and passes under every peak narrower than the
  // window; within half a window of the ends it goes on straight from
  // further in. Where the noise's centre lies above the envelope, the
  // baseline is that centre.
  std::vector<double> level;
  // Sd (counts) of one unsmoothed point's noise near each point, from the
  // spread of the points away from peaks. Where noise is clipped at zero,
  // the spread is that of the normal distribution whose part above zero the
  // points show; 0 where the points away from peaks are all zero.
  std::vector<double> noise;
  double peakWidth = 1;  // points: typical width at half height of the strongest peaks
  // Points: five typical peak widths, and at least 15 points and 5 mass
  // units at the typical step.
  size_t window = 0;
};

CentroidSettings SettingsFrom(const MS_CENTROID_ENGINE_PARAMS& params);
QUORNA_VIS std::vector<double> SmoothProfile(const std::vector<Peak>& points, unsigned window);
// smoothed: SmoothProfile(points, smoothPoints).
QUORNA_VIS LocalBaseline EstimateLocalBaseline(const std::vector<Peak>& points, const std::vector<double>& smoothed,
                                               unsigned smoothPoints);
// Centroids: one per peak, holding the counts of the peak's points above
// the local baseline, at the centre of the peak's part above a quarter of
// its height over the local baseline (an eighth when the typical peak is 4
// points wide or more at half height): the centre of the area between the
// points, taken as straight between them, and that line.
std::vector<Peak> CentroidProfile(const std::vector<Peak>& points, const CentroidSettings& settings);

}  // namespace quorna
