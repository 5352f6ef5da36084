// Spike removal and smoothing of an MS trace's intensities, and its processing
// against a background window for display.
//
// Spikes: a point i whose intensity is above spikeFactor/10 times the mean
// of its two neighbours becomes that mean. Smoothing over 2h+1 points: a
// moving mean (the window shrinks at the ends), or the quadratic
// Savitzky-Golay weights c_j = (3(3h^2+3h-1) - 15 j^2) / ((2h-1)(2h+1)(2h+3))
// with the mean used at the ends. Results are rounded and kept at or above 0.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "holbrin.h"
#include "holbrin/peak_detection.h"

namespace {
constexpr uint32_t kHead = 12, kPoint = 20, kValueAt = 12;
constexpr int32_t kMaxHalfWidth = 50;
}  // namespace

HOLBRIN_API BOOL FilterMSTrace(void** filtered, const void* pointBlock, const DH_FILTER_REQUEST* request,
                               uint32_t pointCount) {
  if (!filtered) return FALSE;
  *filtered = nullptr;
  if (!pointBlock || !request || pointCount == 0 || pointCount > 50000000u) return FALSE;
  const auto* in = static_cast<const uint8_t*>(pointBlock);
  uint32_t isDouble;
  std::memcpy(&isDouble, in + 8, 4);
  if (isDouble == 1) return FALSE;
  const int32_t h = request->smoothingHalfWidth;
  if (request->smoothingKind > 2 || (request->smoothingKind && (h < 1 || h > kMaxHalfWidth)))
    return FALSE;

  const size_t n = pointCount;
  std::vector<double> v(n);
  for (size_t i = 0; i < n; ++i) {
    uint64_t raw;
    std::memcpy(&raw, in + kHead + i * kPoint + kValueAt, 8);
    v[i] = double(raw);
  }
  if (request->spikeFilter && request->spikeFactor > 0) {
    const double factor = request->spikeFactor / 10.0;
    std::vector<double> w = v;
    for (size_t i = 1; i + 1 < n; ++i) {
      double mean = (v[i - 1] + v[i + 1]) / 2.0;
      if (v[i] > factor * mean) w[i] = mean;
    }
    v.swap(w);
  }
  if (request->smoothingKind) {
    std::vector<double> out(n);
    const std::vector<double> all = holbrin::SmoothingWeights(2, h);
    const std::vector<double> weight(all.begin() + h, all.end());
    for (size_t i = 0; i < n; ++i) {
      const bool whole = i >= size_t(h) && i + size_t(h) < n;
      if (request->smoothingKind == 2 && whole) {
        double sum = 0;
        for (int32_t j = -h; j <= h; ++j) sum += weight[size_t(std::abs(j))] * v[i + j];
        out[i] = sum;
      } else {
        size_t from = i >= size_t(h) ? i - size_t(h) : 0, to = std::min(n - 1, i + size_t(h));
        double sum = 0;
        for (size_t k = from; k <= to; ++k) sum += v[k];
        out[i] = sum / double(to - from + 1);
      }
    }
    v.swap(out);
  }
  auto* block = static_cast<uint8_t*>(AllocBlock(uint32_t(kHead + n * kPoint)));
  if (!block) return FALSE;
  std::memcpy(block, in, kHead + n * kPoint);
  for (size_t i = 0; i < n; ++i) {
    double r = std::floor(v[i] + 0.5);
    uint64_t value = r <= 0.0 ? 0 : r >= 1.8e19 ? UINT64_MAX : uint64_t(r);
    std::memcpy(block + kHead + i * kPoint + kValueAt, &value, 8);
  }
  *filtered = block;
  return TRUE;
}

HOLBRIN_API BOOL ProcessMSTrace(void** processed, const void* pointBlock, uint32_t pointCount, uint32_t setting1,
                                uint32_t setting2) {
  if (!processed) return FALSE;
  *processed = nullptr;
  if (!pointBlock || pointCount == 0 || pointCount > 50000000u || (setting1 == 0 && setting2 == 0)) return FALSE;
  const auto* in = static_cast<const uint8_t*>(pointBlock);
  uint32_t isDouble;
  std::memcpy(&isDouble, in + 8, 4);
  auto valueAt = [&](size_t i) {
    const uint8_t* at = in + kHead + i * kPoint + kValueAt;
    if (isDouble == 1) {
      double d;
      std::memcpy(&d, at, 8);
      return d;
    }
    int64_t v;
    std::memcpy(&v, at, 8);
    return double(v);
  };
  const double from = std::min(setting1, setting2) / 1000.0, to = std::max(setting1, setting2) / 1000.0;
  double sum = 0;
  size_t inside = 0;
  for (size_t i = 0; i < pointCount; ++i) {
    double t;
    std::memcpy(&t, in + kHead + i * kPoint, 8);
    const double v = valueAt(i);
    if (t >= from && t <= to && std::isfinite(v)) sum += v, ++inside;
  }
  if (!inside) return FALSE;
  const double level = sum / double(inside);
  auto* block = static_cast<uint8_t*>(AllocBlock(uint32_t(kHead + size_t{pointCount} * kPoint)));
  if (!block) return FALSE;
  std::memcpy(block, in, kHead + size_t{pointCount} * kPoint);
  const uint32_t doubles = 1;
  std::memcpy(block + 8, &doubles, 4);
  for (size_t i = 0; i < pointCount; ++i) {
    const double v = valueAt(i) - level;
    std::memcpy(block + kHead + i * kPoint + kValueAt, &v, 8);
  }
  *processed = block;
  return TRUE;
}
