// The centroid engine's output pinned bit for bit: digests of centroids,
// baselines and noise over many messy profiles (sloping and raised
// baselines, noise clipped at zero, zero-suppressed gaps, saturated and
// broad peaks, damaged masses) under several settings. Any change of a
// result, however small, changes a digest; a change meant to alter the
// results must say so and pin the new digests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fixtures/random.h"
#include "quorna/centroiding.h"
#include "quorna/quorna.h"

namespace {

struct Pt {
  double mass;
  uint32_t intensity;
  uint8_t flag;
};

class Digest {
 public:
  void Add(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < n; ++i) h_ = (h_ ^ b[i]) * 0x100000001B3ull;
  }
  void Add(double v) { Add(&v, sizeof v); }
  void Add(uint64_t v) { Add(&v, sizeof v); }
  uint64_t value() const { return h_; }

 private:
  uint64_t h_ = 0xCBF29CE484222325ull;
};

// One profile of case `k`: its shape drawn from the case number.
std::vector<Pt> Profile(uint64_t k) {
  msfix::Random rng(1000 + k);
  const double step = rng.Uniform(0.004, 0.12), low = rng.Uniform(35, 60);
  const size_t n = 200 + rng.Below(k % 5 == 0 ? 30000 : 6000);
  const double base0 = k % 3 == 0 ? 0 : rng.Uniform(0, 400), base1 = rng.Uniform(0, 600);
  const double noise = k % 4 == 0 ? rng.Uniform(0.5, 3) : rng.Uniform(3, 40);
  const double wave = k % 2 ? rng.Uniform(0, 80) : 0;
  struct G {
    double at, height, sigma;
  };
  std::vector<G> peaks;
  const size_t count = rng.Below(60) + (k % 7 == 0 ? 0 : 3);
  const double high = low + step * static_cast<double>(n);
  for (size_t i = 0; i < count; ++i) {
    const double width = step * rng.Uniform(1.0, k % 6 == 1 ? 40.0 : 8.0);
    peaks.push_back({rng.Uniform(low, high), std::exp(rng.Uniform(std::log(20.0), std::log(2e6))), width});
  }
  const bool suppress = k % 3 == 1;
  std::vector<Pt> pts;
  for (size_t i = 0; i < n; ++i) {
    const double m = low + step * static_cast<double>(i) * (1 + 1e-4 * std::sin(static_cast<double>(i) / 900)) +
                     rng.Uniform(-0.02, 0.02) * step;
    double v = base0 + (base1 - base0) * static_cast<double>(i) / static_cast<double>(n) + wave * std::sin(m / 5);
    for (const G& g : peaks) {
      const double z = (m - g.at) / g.sigma;
      if (std::fabs(z) < 10) v += g.height * std::exp(-0.5 * z * z);
    }
    v += std::sqrt(noise * noise + std::max(v, 0.0)) * rng.Normal();
    uint8_t flag = 0;
    if (v > 4e6) v = 4e6, flag = 1;  // saturated
    const uint32_t c = static_cast<uint32_t>(std::lround(std::max(0.0, v)));
    if (suppress && c == 0) continue;
    pts.push_back({m, c, flag});
  }
  // Whole stretches left out, and now and then a damaged mass.
  if (k % 8 == 5 && pts.size() > 400) pts.erase(pts.begin() + 100, pts.begin() + 180);
  if (k % 11 == 3 && pts.size() > 10) pts[pts.size() / 2].mass = pts[pts.size() / 2 - 1].mass;
  return pts;
}

std::vector<uint8_t> Exchange(const std::vector<Pt>& pts) {
  std::vector<uint8_t> b(4 + 13 * pts.size());
  const uint32_t n = static_cast<uint32_t>(pts.size());
  std::memcpy(b.data(), &n, 4);
  for (size_t i = 0; i < pts.size(); ++i) {
    b[4 + 13 * i] = pts[i].flag;
    std::memcpy(&b[5 + 13 * i], &pts[i].mass, 8);
    std::memcpy(&b[13 + 13 * i], &pts[i].intensity, 4);
  }
  return b;
}

struct Settings {
  uint16_t smooth, search, centroid;
  uint16_t threshold;
};

TEST(CentroidDigest, EngineResultsStayBitForBit) {
  const Settings settings[] = {{3, 3, 0, 0}, {1, 3, 0, 0}, {7, 9, 0, 0}, {5, 5, 7, 0}, {3, 3, 0, 150}};
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  Digest centroids, baselines;
  uint64_t peaksFound = 0;
  for (uint64_t k = 0; k < 48; ++k) {
    const std::vector<Pt> pts = Profile(k);
    for (const Settings& s : settings) {
      std::vector<uint8_t> b = Exchange(pts);
      MS_CENTROID_ENGINE_PARAMS params{};
      params.smoothPoints = s.smooth;
      params.searchPoints = s.search;
      params.centroidPoints = s.centroid;
      params.thresholdCount = s.threshold;
      ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, static_cast<const void*>(nullptr), b.data(), &params), MS_OK);
      uint32_t n;
      std::memcpy(&n, b.data(), 4);
      peaksFound += n;
      centroids.Add(b.data(), 4 + 13 * size_t{n});
    }
    std::vector<quorna::Peak> qp;
    for (const Pt& p : pts) qp.push_back({p.mass, p.intensity, p.flag});
    for (unsigned smooth : {1u, 3u, 9u}) {
      const std::vector<double> sm = quorna::SmoothProfile(qp, smooth);
      const quorna::LocalBaseline lb = quorna::EstimateLocalBaseline(qp, sm, smooth);
      for (double v : sm) baselines.Add(v);
      for (double v : lb.level) baselines.Add(v);
      for (double v : lb.noise) baselines.Add(v);
      baselines.Add(lb.peakWidth);
      baselines.Add(uint64_t{lb.window});
    }
  }
  EXPECT_GT(peaksFound, 1000u);
  EXPECT_EQ(centroids.value(), 0xafba4d11f9b0c324ull) << std::hex << centroids.value();
  EXPECT_EQ(baselines.value(), 0xa761ba49d079ef42ull) << std::hex << baselines.value();
}

}  // namespace
