// Centroids of real-shaped profile scans pinned per case: how many
// centroids each set of scans gives and a digest of their masses and
// counts, as the engine gave them before its baseline estimates were made
// incremental. Scans of fixture runs (4 to 30 points per peak, chemical
// noise, clipped tops, zeros left out) and scans on a time-of-flight mass
// axis whose step grows with the mass and wobbles, with stretches left out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fixtures/msfixtures.h"
#include "fixtures/random.h"
#include "quorna/quorna.h"

namespace {

struct Pt {
  double mass;
  uint32_t intensity;
};

std::vector<uint8_t> Exchange(const std::vector<Pt>& pts) {
  std::vector<uint8_t> b(4 + 13 * pts.size());
  const uint32_t n = static_cast<uint32_t>(pts.size());
  std::memcpy(b.data(), &n, 4);
  for (size_t i = 0; i < pts.size(); ++i) {
    std::memcpy(&b[5 + 13 * i], &pts[i].mass, 8);
    std::memcpy(&b[13 + 13 * i], &pts[i].intensity, 4);
  }
  return b;
}

struct Outcome {
  uint64_t centroids = 0;
  uint64_t digest = 0xCBF29CE484222325ull;
};

void Centroid(const std::vector<Pt>& pts, uint16_t smooth, Outcome& out) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  std::vector<uint8_t> b = Exchange(pts);
  MS_CENTROID_ENGINE_PARAMS params{};
  params.smoothPoints = smooth;
  params.searchPoints = 3;
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, static_cast<const void*>(nullptr), b.data(), &params), MS_OK);
  uint32_t n;
  std::memcpy(&n, b.data(), 4);
  out.centroids += n;
  for (size_t i = 0; i < 13 * size_t{n}; ++i) out.digest = (out.digest ^ b[4 + i]) * 0x100000001B3ull;
}

// Scans of a fixture run.
std::vector<std::vector<Pt>> RunScans(double pointsPerPeak, uint32_t chemical, uint32_t saturation, bool suppressed) {
  msfix::RunPlan plan;
  plan.seed = 23;
  plan.scans = 60;
  plan.compounds = 12;
  plan.profile = true;
  plan.profileWidth = 0.3;
  plan.profileStep = 2.548 * 0.3 / pointsPerPeak;
  plan.peaksPerScan = chemical;
  plan.saturation = saturation;
  plan.segments = {{1.0, 1, ""}};
  std::vector<msfix::ScanData> scans;
  msfix::MakeRun(plan, nullptr, &scans);
  std::vector<std::vector<Pt>> out;
  for (size_t s = 0; s < scans.size(); s += 3) {
    std::vector<Pt> pts;
    for (auto& [m, v] : scans[s].peaks)
      if (!suppressed || v != 0) pts.push_back({m, v});
    out.push_back(std::move(pts));
  }
  return out;
}

// Scans on a time-of-flight axis: mass = (a + b t)^2 with a wobble of the
// sampling, ions of width growing with the mass, noise of the detector and
// of the ions, whole stretches now and then left out.
std::vector<std::vector<Pt>> FlightScans(uint64_t seed, bool gaps) {
  std::vector<std::vector<Pt>> out;
  msfix::Random rng(seed);
  for (int s = 0; s < 12; ++s) {
    const double a = std::sqrt(rng.Uniform(30, 50)), b = rng.Uniform(2.0e-4, 6.0e-4);
    const size_t n = 20000 + rng.Below(20000);
    std::vector<std::pair<double, double>> ions;
    const size_t count = 20 + rng.Below(120);
    const double top = (a + b * static_cast<double>(n)) * (a + b * static_cast<double>(n));
    for (size_t i = 0; i < count; ++i)
      ions.push_back({rng.Uniform(a * a, top), std::exp(rng.Uniform(std::log(30.0), std::log(3e6)))});
    const double base = rng.Uniform(0, 200), noise = rng.Uniform(0.5, 12);
    std::vector<Pt> pts;
    size_t skipTo = 0;
    for (size_t i = 0; i < n; ++i) {
      const double t = static_cast<double>(i) + 0.15 * std::sin(static_cast<double>(i) / 37.0);
      const double m = (a + b * t) * (a + b * t);
      if (gaps && i >= skipTo && rng.Below(4000) == 0) skipTo = i + 5 + rng.Below(300);
      if (i < skipTo) continue;
      double v = base;
      for (auto& [at, height] : ions) {
        const double sigma = 0.0008 * at;
        const double z = (m - at) / sigma;
        if (std::fabs(z) < 8) v += height * std::exp(-0.5 * z * z);
      }
      v += std::sqrt(noise * noise + v) * rng.Normal();
      pts.push_back({m, static_cast<uint32_t>(std::lround(std::max(0.0, v)))});
    }
    out.push_back(std::move(pts));
  }
  return out;
}

TEST(CentroidRealShape, CountsAndMassesStayAsBefore) {
  struct Case {
    const char* name;
    std::vector<std::vector<Pt>> scans;
    uint16_t smooth;
    uint64_t centroids, digest;
  } cases[] = {
      {"4 points per peak", RunScans(4, 0, 0, false), 3, 1902, 0xb35c9a1964686d1bull},
      {"10 points per peak, chemical noise", RunScans(10, 150, 0, false), 3, 1966, 0x7a4a4211562baa42ull},
      {"12 points per peak, clipped tops", RunScans(12, 0, 30000, false), 3, 1806, 0x972c086e504e3c6bull},
      {"30 points per peak, zeros left out", RunScans(30, 0, 0, true), 5, 3663, 0xeae620bc00c4ad8aull},
      {"time of flight", FlightScans(5, false), 3, 871, 0x1432dc1ff0e06ba5ull},
      {"time of flight, stretches left out", FlightScans(6, true), 1, 802, 0xc58e933f2af40d62ull},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o;
    for (const auto& pts : c.scans) Centroid(pts, c.smooth, o);
    EXPECT_EQ(o.centroids, c.centroids);
    EXPECT_EQ(o.digest, c.digest) << std::hex << o.digest;
  }
}

}  // namespace
