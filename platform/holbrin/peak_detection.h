#pragma once
// Peak detection and integration of one chromatographic trace.
//
// Method, in order:
//  1. Noise: sigma from the lower tercile of the absolute second-difference
//     residual y[i] - (y[i-1] + y[i+1]) / 2 (divided by 0.4307 x sqrt(1.5));
//     drift cancels, and peaks may cover up to two thirds of the points.
//  2. Smoothing for detection only: quadratic Savitzky-Golay, half width
//     about half the peak width in points (the width in force at each point,
//     width time events included). Areas and heights use the signal itself.
//  3. Slope: the central difference of the smoothed trace; its noise
//     sigma_d is measured like the signal's. A peak starts where two
//     consecutive slopes exceed k x sigma_d (k = 15 / slope sensitivity,
//     1..15), its apex is where the slope turns negative, it ends where the
//     slope stays above -k x sigma_d; a rise before that end makes a valley
//     (drop to valley) and the peaks share one baseline (a cluster).
//  4. Boundaries move outward to the lowest smoothed point within two peak
//     widths (never past a neighbour). Baseline values are the mean of the
//     signal over points just outside each boundary, which the choice of the
//     boundary did not see, so noise does not bias them downward.
//  5. A valley lying more than 3 sigma below the cluster's baseline splits
//     the cluster (the baseline may not cross the signal). A first or last
//     peak of a cluster smaller than the tangent percentage of its
//     neighbour is skimmed by a tangent from the valley to its far end.
//  6. Areas: trapezoids of signal minus baseline between the boundaries,
//     in counts x seconds; height and apex time from the parabola through
//     the smoothed apex and its neighbours.
//  7. Peaks below the peak-size reject (area) or below the signal-to-noise
//     minimum are dropped; time events apply as documented at TimeEvent.
#include <cstdint>
#include <vector>

namespace holbrin {

struct DetectionParams {
  double peakWidthSeconds = 3.0;  // expected width at half height
  int slopeSensitivity = 5;
  double tangentPercent = 10.0;
  double peakReject = 0.0;        // smallest area kept, counts x seconds
  double minSignalToNoise = 3.0;  // smallest height / noise kept
};

// Timed commands, minutes. Range kinds use end; point kinds value.
//  0 width (value half-seconds, from time on)     1 inhibit integration
//  2 solvent reject (peaks with apex inside dropped) 3 group peaks (one peak)
//  4 valley baseline (baseline to every valley)   5 forced peak (start..end)
//  6 split peak (drop line at time)               7 horizontal forward
//  8 horizontal backward                          9 horizontal minimum
// 10 signal-to-noise minimum (value)             11 tangent percentage (value)
// 12 peak reject (value, area)
struct TimeEvent {
  double time;
  int type;
  double end;    // range kinds
  double value;  // point kinds
};

enum BaselineKind { kBaselineNormal = 0, kBaselineValley = 1, kBaselineTangent = 2, kBaselineHorizontal = 3,
                    kBaselineForced = 4 };

struct DetectedPeak {
  int start = 0, apex = 0, end = 0;     // point indexes
  double startTime = 0, apexTime = 0, endTime = 0;
  double area = 0;                      // counts x seconds
  double height = 0;                    // above the baseline
  double apexValue = 0;                 // signal at the apex
  double baselineAtApex = 0;
  double halfWidth = 0;                 // width at half height, minutes
  double signalToNoise = 0;
  // The baseline under this peak: line from (t0, b0) to (t1, b1).
  double baseStartTime = 0, baseStartValue = 0, baseEndTime = 0, baseEndValue = 0;
  double startValue = 0, endValue = 0;  // signal at the boundaries
  int baselineKind = kBaselineNormal;
  bool valleyStart = false, valleyEnd = false;  // boundary shared with a neighbour
  int segment = 0;                      // baseline segment (peaks sharing one baseline)
  int candidates = 0;
  bool forced = false;                  // placed by a forced-peak event
};

struct DetectionResult {
  std::vector<DetectedPeak> peaks;      // ascending apex time
  double noise = 0;                     // sigma of the signal
  std::vector<uint16_t> errors;         // peak-search message numbers
};

// times ascending (minutes), values the signal. Fewer than five points, or
// non-finite values, give no peaks and an error.
DetectionResult DetectPeaks(const std::vector<double>& times, const std::vector<double>& values,
                            const DetectionParams& params, std::vector<TimeEvent> events);

}  // namespace holbrin
