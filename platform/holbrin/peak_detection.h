#pragma once
// Peak detection and integration of one chromatographic trace.
//
// Method, in order:
//  1. Noise: sigma from the lower tercile of the absolute second-difference
//     residual y[i] - (y[i-1] + y[i+1]) / 2 (divided by 0.4307 x sqrt(1.5));
//     drift cancels, and peaks may cover up to two thirds of the points.
//     Values smoothed before: measured on the values before the smoothing
//     and carried through its weights (or, without those values, across
//     the filter's width). The noise of the smoothed trace and of its slope
//     follow from it through the weights of steps 2 and 3.
//  2. Smoothing for detection only: quadratic Savitzky-Golay, half width
//     about half the peak width in points (the width in force at each point,
//     width time events included). Areas and heights use the signal itself.
//  3. Slope: the central difference of the smoothed trace; its noise
//     sigma_d is measured like the signal's; for values smoothed before, it
//     is taken no larger than what the noise of the values before the
//     smoothing makes of it (correlated over many points, the slope's noise
//     is measured poorly on a short trace). A peak starts where two
//     consecutive slopes exceed k x sigma_d (k = 15 / slope sensitivity,
//     1..15), its apex is where the slope turns negative, it ends where the
//     slope stays above -k x sigma_d; a rise before that end makes a valley
//     (drop to valley) and the peaks share one baseline (a cluster).
//  4. Baseline and boundaries of each cluster: a line fitted by least
//     squares to the signal on both sides (three peak widths a side, at
//     least 20 points, starting half a width out, never past a neighbour;
//     points beyond three robust sigmas dropped and the line fitted again).
//     From the outer apexes the boundaries walk out until the smoothed
//     signal is within twice the smoothed trace's noise about that line,
//     then a quarter of a peak width further for the tail under the band (never
//     more than one width beyond where the slope scan ended the peak). The
//     line is fitted again outside the new boundaries and the walk repeated,
//     up to three times, until the boundaries hold. Without room for a
//     window outside the scan's boundaries, the first walk starts from the
//     line through the signal at them.
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
  // Values smoothed before they came here: the filter's weights (odd count,
  // centre in the middle) and, when known, the values before it (as many).
  // The noise is then measured on those and carried through the weights;
  // without them, across the filter's width.
  std::vector<double> inputKernel;
  const std::vector<double>* unfiltered = nullptr;
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

// Weights of the smoothing over 2h + 1 points: kind 1 a moving mean, kind 2
// quadratic Savitzky-Golay; {1} for anything else.
std::vector<double> SmoothingWeights(int kind, int h);

// times ascending (minutes), values the signal. Fewer than five points, or
// non-finite values, give no peaks and an error.
DetectionResult DetectPeaks(const std::vector<double>& times, const std::vector<double>& values,
                            const DetectionParams& params, std::vector<TimeEvent> events);

}  // namespace holbrin
