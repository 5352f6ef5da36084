// Profile-to-centroid conversion of scans.
#include <algorithm>
#include <cmath>
#include <vector>

#include "quorna/centroiding.h"
#include "quorna/peaks.h"
#include "quorna/quorna.h"

namespace quorna {

namespace {

// Runs of points without a gap: a step above 2.5 times the median step
// means the profile left out a stretch of baseline.
std::vector<std::pair<size_t, size_t>> ContinuousRuns(const std::vector<Peak>& pts) {
  std::vector<std::pair<size_t, size_t>> runs;
  if (pts.empty()) return runs;
  std::vector<double> steps;
  for (size_t i = 1; i < pts.size(); ++i) steps.push_back(pts[i].mass - pts[i - 1].mass);
  double limit = 0;
  if (!steps.empty()) {
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    limit = 2.5 * steps[steps.size() / 2];
  }
  size_t start = 0;
  for (size_t i = 1; i < pts.size(); ++i) {
    if (pts[i].mass - pts[i - 1].mass > limit) {
      runs.emplace_back(start, i);
      start = i;
    }
  }
  runs.emplace_back(start, pts.size());
  return runs;
}

}  // namespace

std::vector<double> SmoothProfile(const std::vector<Peak>& pts, unsigned window) {
  std::vector<double> out(pts.size());
  unsigned half = window / 2;
  for (auto [b, e] : ContinuousRuns(pts)) {
    // Running sum over a window that shrinks symmetrically at run edges.
    std::vector<double> prefix(e - b + 1, 0.0);
    for (size_t i = b; i < e; ++i) prefix[i - b + 1] = prefix[i - b] + pts[i].intensity;
    for (size_t i = b; i < e; ++i) {
      size_t h = std::min<size_t>({half, i - b, e - 1 - i});
      size_t lo = i - h - b, hi = i + h + 1 - b;
      out[i] = (prefix[hi] - prefix[lo]) / static_cast<double>(hi - lo);
    }
  }
  return out;
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

std::vector<Peak> CentroidProfile(const std::vector<Peak>& pts, const CentroidSettings& s) {
  std::vector<Peak> peaks;
  if (pts.empty()) return peaks;
  std::vector<double> sm = SmoothProfile(pts, s.smoothPoints);
  double threshold = s.threshold;
  if (threshold <= 0) {
    std::vector<double> nz;
    for (double v : sm)
      if (v > 0) nz.push_back(v);
    if (!nz.empty()) {
      std::nth_element(nz.begin(), nz.begin() + nz.size() / 2, nz.end());
      threshold = 3.0 * nz[nz.size() / 2];
    }
  }
  const size_t half = s.searchPoints / 2;
  for (auto [b, e] : ContinuousRuns(pts)) {
    size_t taken = b;  // first point not yet given to a peak
    for (size_t i = b; i < e; ++i) {
      if (sm[i] <= threshold) continue;
      // The apex is the largest smoothed value within the search window; on
      // a plateau its first point.
      size_t lo = i >= b + half ? i - half : b, hi = std::min(e - 1, i + half);
      bool apex = true;
      for (size_t j = lo; j <= hi && apex; ++j) {
        if (j < i && sm[j] >= sm[i]) apex = false;
        if (j > i && sm[j] > sm[i]) apex = false;
      }
      if (!apex) continue;
      // Down both flanks to the neighbouring minima.
      size_t left = i, right = i;
      while (left > taken && sm[left - 1] < sm[left]) --left;
      while (right + 1 < e && sm[right + 1] < sm[right]) ++right;
      if (s.centroidPoints > 0) {
        size_t c = s.centroidPoints / 2;
        left = std::max(left, i >= c ? i - c : 0);
        right = std::min(right, i + c);
      }
      double sumI = 0, sumMI = 0;
      uint8_t flag = 0;
      for (size_t j = left; j <= right; ++j) {
        sumI += pts[j].intensity;
        sumMI += pts[j].mass * pts[j].intensity;
        flag |= pts[j].flag;
      }
      Peak p;
      p.mass = sumI > 0 ? sumMI / sumI : pts[i].mass;
      p.intensity = static_cast<uint32_t>(std::min(sumI, 4294967295.0));
      p.flag = flag;
      if (p.intensity > 0) peaks.push_back(p);
      taken = right + 1;
      i = right;
    }
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
