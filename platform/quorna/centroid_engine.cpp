// Profile-to-centroid conversion of scans.
#include <algorithm>
#include <cmath>
#include <vector>

#include "quorna/centroiding.h"
#include "quorna/peaks.h"
#include "quorna/quorna.h"

namespace quorna {

namespace {

// Runs of points without a gap. A step above 1.5 times the step before it
// means points were left out (a zero-suppressed profile drops even a
// single point between two peaks); the step may change slowly along the
// scan, so each step is judged against the last regular one.
// `missing` (when given) receives how many points the gaps stand for.
std::vector<std::pair<size_t, size_t>> ContinuousRuns(const std::vector<Peak>& pts, double* missing = nullptr) {
  std::vector<std::pair<size_t, size_t>> runs;
  if (pts.empty()) return runs;
  // The first regular step: the median of the first few.
  double typical = 0;
  if (pts.size() > 1) {
    double first[9];
    const size_t k = std::min<size_t>(9, pts.size() - 1);
    for (size_t i = 0; i < k; ++i) {
      // Insertion into the sorted head.
      const double step = pts[i + 1].mass - pts[i].mass;
      size_t j = i;
      for (; j > 0 && first[j - 1] > step; --j) first[j] = first[j - 1];
      first[j] = step;
    }
    typical = first[k / 2];
  }
  size_t start = 0;
  for (size_t i = 1; i < pts.size(); ++i) {
    const double step = pts[i].mass - pts[i - 1].mass;
    if (step > 1.5 * typical) {
      runs.emplace_back(start, i);
      start = i;
      if (missing && typical > 0) *missing += std::min(std::round(step / typical) - 1.0, 1e9);
    } else if (step > 0) {
      typical = step;
    }
  }
  runs.emplace_back(start, pts.size());
  return runs;
}

}  // namespace

namespace {

// Moving average over `window` points that shrinks symmetrically at the
// edges of each run.
std::vector<double> SmoothRuns(const std::vector<Peak>& pts, const std::vector<std::pair<size_t, size_t>>& runs,
                               unsigned window) {
  std::vector<double> out(pts.size());
  if (window <= 1) {
    for (size_t i = 0; i < pts.size(); ++i) out[i] = pts[i].intensity;
    return out;
  }
  const size_t half = window / 2;
  std::vector<double> prefix(pts.size() + 1);
  prefix[0] = 0;
  for (size_t i = 0; i < pts.size(); ++i) prefix[i + 1] = prefix[i] + pts[i].intensity;
  for (auto [b, e] : runs) {
    for (size_t i = b; i < e; ++i) {
      const size_t h = std::min<size_t>({half, i - b, e - 1 - i});
      out[i] = (prefix[i + h + 1] - prefix[i - h]) / static_cast<double>(2 * h + 1);
    }
  }
  return out;
}

}  // namespace

std::vector<double> SmoothProfile(const std::vector<Peak>& pts, unsigned window) {
  return SmoothRuns(pts, ContinuousRuns(pts), window);
}

CentroidSettings SettingsFrom(const MS_CENTROID_ENGINE_PARAMS& p) {
  CentroidSettings s;
  unsigned smooth = p.smoothPointsUsed ? p.smoothPointsUsed : p.smoothPoints;
  if (smooth < 1) smooth = 1;
  if (smooth % 2 == 0) ++smooth;
  s.smoothPoints = std::min(smooth, 101u);
  unsigned search = p.searchPointsUsed ? p.searchPointsUsed : p.searchPoints;
  s.searchPoints = std::clamp(search ? search : 3u, 1u, 101u);
  s.centroidPoints = std::min<unsigned>(p.centroidPointsUsed ? p.centroidPointsUsed : p.centroidPoints, 1001u);
  s.threshold = p.thresholdCount;
  return s;
}

BaselineNoise EstimateBaseline(const std::vector<double>& smoothed, double zeros) {
  // Start from the lower half of the points, then take every point up to
  // mean + 3 sd of the set so far, until the set stays the same. Peaks,
  // even when they cover much of the scan, stay out; the baseline's noise,
  // also where it is clipped at zero, comes in whole. Points a
  // zero-suppressed profile left out count as zeros.
  BaselineNoise b;
  if (smoothed.empty()) return b;
  // A sample of some hundreds of points tells the baseline as well as all.
  const size_t stride = std::max<size_t>(1, smoothed.size() / 400);
  std::vector<double> v;
  v.reserve(smoothed.size() / stride + 1);
  for (size_t i = 0; i < smoothed.size(); i += stride) v.push_back(smoothed[i]);
  zeros /= static_cast<double>(stride);
  size_t n;
  const double all = static_cast<double>(v.size()) + zeros;
  if (zeros >= all / 2) {
    // Most of the scan was left out as zero: start from the zeros.
    n = static_cast<size_t>(std::partition(v.begin(), v.end(), [](double x) { return x <= 0; }) - v.begin());
  } else {
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>((all / 2 - zeros));
    std::nth_element(v.begin(), mid, v.end());
    n = static_cast<size_t>(mid - v.begin()) + 1;
  }
  for (int round = 0; round < 30; ++round) {
    double sum = 0, sq = 0;
    for (size_t i = 0; i < n; ++i) sum += v[i], sq += v[i] * v[i];
    const double count = static_cast<double>(n) + zeros;
    b.level = sum / count;
    b.spread = std::sqrt(std::max(0.0, sq / count - b.level * b.level));
    const double cut = b.level + 3.0 * b.spread;
    const size_t kept = static_cast<size_t>(
        std::partition(v.begin(), v.end(), [cut](double x) { return x <= cut; }) - v.begin());
    if (kept == n || (kept == 0 && zeros == 0)) break;
    n = kept;
  }
  return b;
}

namespace {

// A peak of the smoothed profile: from its left minimum to its right
// minimum, with the apex between.
struct Span {
  size_t left, apex, right;
};

// Peaks between neighbouring minima of one run of points. A plateau of
// equal values counts as one extreme; a plateau's apex is its middle. A
// valley that the lower of its two apexes rises above by less than
// `depth(lower apex)` is no valley (noise on a peak's top or flank), nor is
// one between apexes closer than half the search window: the two peaks are
// one, with the higher apex. Only tops above `floor` join.
template <typename Depth>
void FindSpans(const std::vector<double>& sm, size_t b, size_t e, size_t half, double floor, Depth depth,
               std::vector<Span>& out) {
  const size_t first = out.size();
  size_t left = b;
  while (left < e) {
    // Climb to the next top plateau [p, q]; a level stretch that rises again
    // is only a step on the way up.
    size_t p = left, q = left;
    for (;;) {
      while (p + 1 < e && sm[p + 1] > sm[p]) ++p;
      q = p;
      while (q + 1 < e && sm[q + 1] == sm[p]) ++q;
      if (q + 1 < e && sm[q + 1] > sm[q]) {
        p = q;
        continue;
      }
      break;
    }
    // Down to the next minimum, over level stretches that fall again; a
    // level bottom is left to neither peak.
    size_t r = q;
    for (;;) {
      while (r + 1 < e && sm[r + 1] < sm[r]) ++r;
      size_t t = r;
      while (t + 1 < e && sm[t + 1] == sm[r]) ++t;
      if (t + 1 < e && sm[t + 1] < sm[t]) {
        r = t;
        continue;
      }
      break;
    }
    Span span{left, p + (q - p) / 2, r};
    while (out.size() > first) {
      const Span& prev = out.back();
      const double lower = std::min(sm[prev.apex], sm[span.apex]);
      // Bumps of the baseline stay apart: joined to a peak they would
      // stretch it over the noise beside it.
      if (lower <= floor) break;
      const bool close = span.apex - prev.apex <= half;
      if (!close && lower - sm[prev.right] >= depth(lower)) break;
      span = Span{prev.left, sm[span.apex] > sm[prev.apex] ? span.apex : prev.apex, span.right};
      out.pop_back();
    }
    out.push_back(span);
    // The next peak begins after this minimum (the minimum itself stays
    // with the peak on its left).
    size_t next = r;
    while (next + 1 < e && sm[next + 1] == sm[r]) ++next;
    left = next + 1;
  }
}

}  // namespace

std::vector<Peak> CentroidProfile(const std::vector<Peak>& pts, const CentroidSettings& s) {
  std::vector<Peak> peaks;
  if (pts.empty()) return peaks;
  double leftOut = 0;
  const auto runs = ContinuousRuns(pts, &leftOut);
  std::vector<double> sm = SmoothRuns(pts, runs, s.smoothPoints);
  double threshold = s.threshold;
  // A caller's threshold stands for its own idea of the noise; without one,
  // the baseline's level and spread give the threshold, the depth a valley
  // needs, and the level each point's weight is taken from.
  double level = 0, spread = 0;
  if (threshold <= 0) {
    const BaselineNoise noise = EstimateBaseline(sm, leftOut);
    level = noise.level;
    spread = noise.spread;
    threshold = level + 6.0 * spread;
    if (!(threshold > level)) threshold = level + 0.5;
  }
  const double noiseDepth = 3.0 * spread;
  auto depth = [&](double lowerApex) { return std::max(0.25 * (lowerApex - level), noiseDepth); };
  std::vector<Span> spans;
  const size_t half = s.searchPoints / 2;
  for (auto [b, e] : runs) FindSpans(sm, b, e, half, threshold, depth, spans);
  peaks.reserve(spans.size());
  for (const Span& sp : spans) {
    if (sm[sp.apex] <= threshold) continue;
    size_t left = sp.left, right = sp.right;
    if (s.centroidPoints > 0) {
      const size_t c = s.centroidPoints / 2;
      left = std::max(left, sp.apex >= c ? sp.apex - c : 0);
      right = std::min(right, sp.apex + c);
    }
    // Intensities add whole; the mass weighs each point above the baseline.
    double sumI = 0, sumW = 0, sumMW = 0;
    uint8_t flag = 0;
    for (size_t j = left; j <= right; ++j) {
      const double y = pts[j].intensity;
      const double w = y > level ? y - level : 0.0;
      sumI += y;
      sumW += w;
      sumMW += pts[j].mass * w;
      flag |= pts[j].flag;
    }
    Peak p;
    p.mass = sumW > 0 ? sumMW / sumW : pts[sp.apex].mass;
    p.intensity = static_cast<uint32_t>(std::min(sumI, 4294967295.0));
    p.flag = flag;
    if (p.intensity > 0) peaks.push_back(p);
  }
  return peaks;
}

}  // namespace quorna

using quorna::Peak;

CMS_CentroidEngine::CMS_CentroidEngine() = default;
CMS_CentroidEngine::~CMS_CentroidEngine() = default;

MSRetCode CMS_CentroidEngine::Init() {
  initialised_ = true;
  return MS_OK;
}

namespace {

// Centroids an exchange buffer in place; the count can only shrink.
MSRetCode CentroidBuffer(void* buffer, const MS_CENTROID_ENGINE_PARAMS* params, std::vector<Peak>* result) {
  if (!buffer || !params) return MS_ERR_ARGUMENT;
  try {
    std::vector<Peak> pts;
    if (!quorna::ReadExchange(buffer, MS_MAX_SCAN_POINTS * 4u, pts)) return MS_ERR_TOO_MANY_POINTS;
    std::vector<Peak> peaks = quorna::CentroidProfile(pts, quorna::SettingsFrom(*params));
    quorna::WriteExchange(buffer, peaks);
    if (result) *result = std::move(peaks);
  } catch (...) {
    return MS_ERR_MEMORY;
  }
  return MS_OK;
}

}  // namespace

MSRetCode CMS_CentroidEngine::CentroidSpec(const void*, const void*, MS_SCAN_RECORD* record, void* peakBuffer,
                                           const MS_CENTROID_ENGINE_PARAMS* params) {
  if (!initialised_) return MS_ERR_NOT_INITIALISED;
  if (!record) return MS_ERR_ARGUMENT;
  std::vector<Peak> peaks;
  MSRetCode rc = CentroidBuffer(peakBuffer, params, &peaks);
  if (rc != MS_OK) return rc;
  quorna::SummariseInto(peaks, record->header);
  return MS_OK;
}

MSRetCode CMS_CentroidEngine::CentroidSpec(const void*, const void*, const void*, void* pointBlock,
                                           const MS_CENTROID_ENGINE_PARAMS* params) {
  if (!initialised_) return MS_ERR_NOT_INITIALISED;
  return CentroidBuffer(pointBlock, params, nullptr);
}

MSRetCode CMS_CentroidEngine::SmoothProfileSpec(const void*, void* pointBlock, const void*, const void*,
                                                const MS_CENTROID_ENGINE_PARAMS* params) {
  if (!initialised_) return MS_ERR_NOT_INITIALISED;
  if (!pointBlock || !params) return MS_ERR_ARGUMENT;
  // Smoothing for display takes the search points when no smoothing width is set.
  quorna::CentroidSettings s = quorna::SettingsFrom(*params);
  unsigned window = s.smoothPoints;
  if (window <= 1 && !params->smoothPointsUsed && params->searchPoints > 1) window = s.searchPoints | 1u;
  try {
    std::vector<Peak> pts;
    if (!quorna::ReadExchange(pointBlock, MS_MAX_SCAN_POINTS * 4u, pts)) return MS_ERR_TOO_MANY_POINTS;
    std::vector<double> sm = quorna::SmoothProfile(pts, window);
    for (size_t i = 0; i < pts.size(); ++i) pts[i].intensity = static_cast<uint32_t>(std::lround(sm[i]));
    quorna::WriteExchange(pointBlock, pts);
  } catch (...) {
    return MS_ERR_MEMORY;
  }
  return MS_OK;
}
