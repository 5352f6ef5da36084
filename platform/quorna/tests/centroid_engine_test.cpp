// Profile smoothing and centroiding, checked against hand-worked numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "fixtures/msfixtures.h"
#include "quorna/quorna.h"

namespace {

const void* const kNoHead = nullptr;  // the spectrum form of CentroidSpec

struct Pt {
  double mass;
  uint32_t intensity;
};

std::vector<uint8_t> Buffer(const std::vector<Pt>& pts) {
  std::vector<uint8_t> b(4 + 13 * pts.size());
  uint32_t n = static_cast<uint32_t>(pts.size());
  std::memcpy(b.data(), &n, 4);
  for (size_t i = 0; i < pts.size(); ++i) {
    b[4 + 13 * i] = 0;
    std::memcpy(&b[5 + 13 * i], &pts[i].mass, 8);
    std::memcpy(&b[13 + 13 * i], &pts[i].intensity, 4);
  }
  return b;
}

std::vector<Pt> Points(const std::vector<uint8_t>& b) {
  uint32_t n;
  std::memcpy(&n, b.data(), 4);
  std::vector<Pt> out(n);
  for (uint32_t i = 0; i < n; ++i) {
    std::memcpy(&out[i].mass, &b[5 + 13 * i], 8);
    std::memcpy(&out[i].intensity, &b[13 + 13 * i], 4);
  }
  return out;
}

MS_CENTROID_ENGINE_PARAMS Params(uint16_t smooth, uint16_t search, uint16_t centroid, uint16_t threshold) {
  MS_CENTROID_ENGINE_PARAMS p{};
  p.smoothPoints = smooth;
  p.searchPoints = search;
  p.centroidPoints = centroid;
  p.thresholdCount = threshold;
  return p;
}

TEST(CentroidEngine, RefusesUseBeforeInit) {
  CMS_CentroidEngine e;
  auto b = Buffer({{100, 5}});
  auto p = Params(1, 3, 0, 1);
  EXPECT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_ERR_NOT_INITIALISED);
  ASSERT_EQ(e.Init(), MS_OK);
  EXPECT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), nullptr), MS_ERR_ARGUMENT);
}

// An asymmetric peak. Its mass is the centre of the area between the
// profile (straight between points) and the line at a quarter of its
// height, 25 counts: from 50.1125, where 20..60 crosses 25, to 50.4375,
// where 40..0 does. Over it the profile stands 0..35, 35..75, 75..15 and
// 15..0 above the line: areas 49/32 + 11/2 + 9/2 + 9/32 = 189/16, first
// moments 76.82409 + 276.40833 + 226.525 + 14.17852 = 380119/640: mass
// 380119/7560 = 50.28029. Intensity: every count of the peak, 220.
TEST(CentroidEngine, WeightsMassByIntensityAndSumsThePeak) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  auto b = Buffer({{50.0, 0}, {50.1, 20}, {50.2, 60}, {50.3, 100}, {50.4, 40}, {50.5, 0}});
  auto p = Params(1, 3, 0, 10);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0].mass, 380119.0 / 7560.0, 1e-9);
  EXPECT_EQ(out[0].intensity, 220u);
}

// Two peaks split at the minimum between them (index 4 goes to the first):
// peak 1 = points 0..4: 10+100+10+5 = 125, its part above a quarter of
// its height symmetric about 2 (1.167..2.833): at 2.0 (the 5 beyond its
// flank does not pull it); peak 2 = points 5..8: 10+80+10 = 100 at 6.0.
TEST(CentroidEngine, SplitsNeighbouringPeaksAtTheMinimum) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  auto b = Buffer({{0, 0}, {1, 10}, {2, 100}, {3, 10}, {4, 5}, {5, 10}, {6, 80}, {7, 10}, {8, 0}});
  auto p = Params(1, 3, 0, 20);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(out[0].mass, 2.0, 1e-12);
  EXPECT_EQ(out[0].intensity, 125u);
  EXPECT_NEAR(out[1].mass, 6.0, 1e-12);
  EXPECT_EQ(out[1].intensity, 100u);
}

TEST(CentroidEngine, ThresholdDropsNoiseAndCentroidPointsLimitTheSum) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  // A small bump (height 8) below the threshold of 10 disappears.
  auto b = Buffer({{0, 0}, {1, 8}, {2, 0}, {3, 1}, {4, 30}, {5, 60}, {6, 30}, {7, 1}, {8, 0}});
  auto p = Params(1, 3, 3, 10);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].intensity, 120u);  // 3 centroid points: 30+60+30
  EXPECT_NEAR(out[0].mass, 5.0, 1e-12);
}

// A three-point moving average of 0,0,30,0,0 is 0,10,10,10,0 (windows
// shrink at the ends).
TEST(CentroidEngine, SmoothsWithAMovingAverage) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  auto b = Buffer({{1, 0}, {2, 0}, {3, 30}, {4, 0}, {5, 0}});
  auto p = Params(3, 3, 0, 0);
  ASSERT_EQ(e.SmoothProfileSpec(nullptr, b.data(), nullptr, nullptr, &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 5u);
  uint32_t want[] = {0, 10, 10, 10, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i].intensity, want[i]) << i;
  // With no smoothing width the search points give the window.
  auto b2 = Buffer({{1, 0}, {2, 0}, {3, 30}, {4, 0}, {5, 0}});
  auto p2 = Params(0, 5, 0, 0);
  ASSERT_EQ(e.SmoothProfileSpec(nullptr, b2.data(), nullptr, nullptr, &p2), MS_OK);
  EXPECT_EQ(Points(b2)[2].intensity, 6u);
}

TEST(CentroidEngine, RecordFormUpdatesTheScanHeader) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  auto b = Buffer({{0, 0}, {1, 10}, {2, 100}, {3, 10}, {4, 5}, {5, 10}, {6, 80}, {7, 10}, {8, 0}});
  MS_SCAN_RECORD rec{};
  auto p = Params(1, 3, 0, 20);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, &rec, b.data(), &p), MS_OK);
  EXPECT_EQ(+rec.header.pointCount, 2u);
  EXPECT_EQ(+rec.header.totalIon, 225u);
  EXPECT_EQ(+rec.header.basePeakIntensity, 125u);
  EXPECT_NEAR(+rec.header.basePeakMass, 2.0, 1e-12);
  EXPECT_NEAR(+rec.header.highestMass, 6.0, 1e-12);
}

TEST(CentroidEngine, GappedProfileKeepsRunsApart) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  // Two runs far apart; each holds one peak.
  auto b = Buffer({{10.0, 0}, {10.1, 50}, {10.2, 0}, {20.0, 0}, {20.1, 70}, {20.2, 0}});
  auto p = Params(1, 3, 0, 5);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(out[0].mass, 10.1, 1e-12);
  EXPECT_NEAR(out[1].mass, 20.1, 1e-12);
  // An empty profile stays empty.
  auto empty = Buffer({});
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, empty.data(), &p), MS_OK);
  EXPECT_TRUE(Points(empty).empty());
}

// A clipped peak: the plateau's middle is the apex, and the peak runs from
// minimum to minimum on both sides. A Gaussian of height 20,000 at 100.0000
// sampled every 0.02 from 99.0 and clipped at 10,000 comes back at 100.0000
// with every count of the points.
TEST(CentroidEngine, PlateauApexIsItsMiddleAndThePeakRunsToItsMinima) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  std::vector<Pt> pts;
  uint64_t total = 0;
  for (int k = 0; k <= 100; ++k) {
    const double m = 99.0 + 0.02 * k;
    const double y = std::min(10000.0, std::round(20000.0 * std::exp(-0.5 * std::pow((m - 100.0) / 0.1, 2))));
    pts.push_back({m, static_cast<uint32_t>(y)});
    total += static_cast<uint64_t>(y);
  }
  for (uint16_t smooth : {1, 3, 5}) {
    SCOPED_TRACE(smooth);
    auto b = Buffer(pts);
    auto p = Params(smooth, 3, 0, 0);
    ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
    auto out = Points(b);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0].mass, 100.0, 1e-6);
    EXPECT_EQ(out[0].intensity, total);
  }
  // A level top of three points, and one of two. The first is symmetric:
  // at 4. The second (points 9..13) stands above a quarter of its height
  // (15) from its first point, 9, to 12.25, where 20..0 crosses 15: above
  // the line it stands 15..45, 45..45, 45..5 and 5..0 over 9-10, 10-11,
  // 11-12 and 12-12.25, areas 30 + 45 + 25 + 5/8 = 805/8, moments 287.5 +
  // 472.5 + 284.16667 + 7.55208 = 33655/32.
  auto b = Buffer({{1, 0}, {2, 10}, {3, 50}, {4, 50}, {5, 50}, {6, 10}, {7, 0}, {8, 0}, {9, 30}, {10, 60}, {11, 60}, {12, 20}, {13, 0}});
  auto p = Params(1, 3, 0, 5);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(out[0].mass, 4.0, 1e-12);
  EXPECT_EQ(out[0].intensity, 170u);
  EXPECT_NEAR(out[1].mass, (33655.0 / 32) / (805.0 / 8), 1e-12);
  EXPECT_EQ(out[1].intensity, 170u);
}

// Centroids of realistic profile scans against the ions they were made
// from: every ion of 1% of the base peak or more is found, no centroid of
// 1% or more is where no ion is, and at 10 or more points per peak the
// masses of isolated ions are within 2 mDa (median) and 10 mDa (95th
// percentile). Spectra are those whose base peak holds 20,000 counts or
// more, where 1% of it stands out of the points' noise.
struct PickResult {
  int ions = 0, found = 0, falseCentroids = 0, spectra = 0;
  std::vector<double> errors;  // isolated ions, Da
  std::vector<double> clippedIons, clippedErrors;
};

// zeroSuppressed: only the points above zero are stored, as many
// instruments do.
PickResult PickRun(const msfix::RunPlan& plan, const MS_CENTROID_ENGINE_PARAMS& params, bool zeroSuppressed) {
  PickResult r;
  std::vector<msfix::ScanData> scans;
  msfix::MakeRun(plan, nullptr, &scans);
  CMS_CentroidEngine e;
  e.Init();
  const double width = plan.profileWidth;
  for (const auto& sc : scans) {
    // Ions within a peak width of each other are one peak.
    struct Cluster {
      double low, high, mass, counts;
      int members;
    };
    std::vector<Cluster> clusters;
    for (const auto& [m, v] : sc.ions) {
      if (!clusters.empty() && m - clusters.back().high < width) {
        Cluster& c = clusters.back();
        c.high = m;
        c.mass = (c.mass * c.counts + m * v) / (c.counts + v);
        c.counts += v;
        ++c.members;
      } else {
        clusters.push_back({m, m, m, v, 1});
      }
    }
    double base = 0;
    for (const auto& c : clusters) base = std::max(base, c.counts);
    if (base < 20000) continue;
    ++r.spectra;
    std::vector<uint8_t> buf(4 + 13 * sc.peaks.size());
    uint32_t n = 0;
    for (size_t k = 0; k < sc.peaks.size(); ++k) {
      if (zeroSuppressed && sc.peaks[k].second == 0) continue;
      buf[4 + 13 * n] = k < sc.flags.size() ? sc.flags[k] : 0;
      std::memcpy(&buf[5 + 13 * n], &sc.peaks[k].first, 8);
      std::memcpy(&buf[13 + 13 * n], &sc.peaks[k].second, 4);
      ++n;
    }
    std::memcpy(buf.data(), &n, 4);
    // Clipped isolated ions (no other ion of 1% of theirs within two
    // widths): their masses on their own.
    for (const auto& [m, v] : sc.ions) {
      bool clipped = false;
      for (size_t k = 0; k < sc.flags.size(); ++k)
        if (sc.flags[k] && std::fabs(sc.peaks[k].first - m) < width / 2) clipped = true;
      for (const auto& [om, ov] : sc.ions)
        if (om != m && std::fabs(om - m) < 2 * width && ov > 0.01 * v) clipped = false;
      if (clipped) r.clippedIons.push_back(m);
    }
    MS_CENTROID_ENGINE_PARAMS p = params;
    if (e.CentroidSpec(nullptr, nullptr, kNoHead, buf.data(), &p) != MS_OK) continue;
    const std::vector<Pt> found = Points(buf);
    uint32_t measuredBase = 0;
    for (const Pt& c : found) measuredBase = std::max(measuredBase, c.intensity);
    for (size_t i = 0; i < clusters.size(); ++i) {
      const Cluster& c = clusters[i];
      if (c.counts < 0.01 * base) continue;
      ++r.ions;
      double best = 1e9;
      for (const Pt& f : found)
        if (f.mass >= c.low - width / 2 && f.mass <= c.high + width / 2) best = std::min(best, std::fabs(f.mass - c.mass));
      if (best < 1e9) ++r.found;
      // Isolated: one ion, no other ion of 1% of its size within two widths.
      bool isolated = c.members == 1;
      for (const auto& [m, v] : sc.ions)
        if (m != c.low && std::fabs(m - c.mass) < 2 * width && v > 0.01 * c.counts) isolated = false;
      if (isolated && best < 1e9) r.errors.push_back(best);
    }
    for (double m : r.clippedIons) {
      double best = 1e9;
      for (const Pt& f : found) best = std::min(best, std::fabs(f.mass - m));
      r.clippedErrors.push_back(best);
    }
    r.clippedIons.clear();
    for (const Pt& f : found) {
      if (f.intensity < 0.01 * measuredBase) continue;
      bool near = false;
      for (const auto& c : clusters)
        if (f.mass >= c.low - width / 2 && f.mass <= c.high + width / 2) near = true;
      if (!near) ++r.falseCentroids;
    }
  }
  return r;
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

TEST(CentroidEngine, RealisticSpectraGiveTheirIons) {
  struct Case {
    double step, width;
    uint32_t peaksPerScan, saturation;
    double baselineNoise = 2;
  } cases[] = {
      // Peaks 0.3 wide at half height; step = 2.548 x 0.3 / points per peak.
      {0.191, 0.3, 0, 0},     // 4 points per peak
      {0.1274, 0.3, 0, 0},    // 6
      {0.0764, 0.3, 0, 0},    // 10
      {0.0764, 0.3, 150, 0},  // 10, chemical noise
      {0.0382, 0.3, 0, 0},    // 20
      {0.0637, 0.3, 0, 30000},// 12, clipped tops
      {0.02548, 0.3, 0, 0},   // 30
      {0.0764, 0.3, 0, 0, 0}, // 10, a baseline without noise
      {0.191, 0.3, 0, 0, 0},  // 4, a baseline without noise
  };
  MS_CENTROID_ENGINE_PARAMS params{};
  params.smoothPoints = 3;
  params.searchPoints = 3;
  for (bool suppressed : {false, true}) {
    for (const Case& c : cases) {
      msfix::RunPlan plan;
      plan.seed = 7;
      plan.scans = 120;
      plan.compounds = 12;
      plan.profile = true;
      plan.profileStep = c.step;
      plan.profileWidth = c.width;
      plan.peaksPerScan = c.peaksPerScan;
      plan.saturation = c.saturation;
      plan.profileNoise = c.baselineNoise;
      plan.segments = {{1.0, 1, ""}};
      const double ppp = msfix::ProfilePointsPerPeak(plan);
      SCOPED_TRACE(::testing::Message() << ppp << " points per peak, chemical noise " << c.peaksPerScan
                                        << ", clipped at " << c.saturation << ", baseline noise " << c.baselineNoise << (suppressed ? ", zeros left out" : ""));
      const PickResult r = PickRun(plan, params, suppressed);
      ASSERT_GE(r.spectra, 10);
      EXPECT_EQ(r.found, r.ions);
      EXPECT_EQ(r.falseCentroids, 0);
      if (ppp >= 10) {
        ASSERT_GE(r.errors.size(), 50u);
        EXPECT_LT(Quantile(r.errors, 0.5), 0.002);
        EXPECT_LT(Quantile(r.errors, 0.95), 0.010);
      }
      if (c.saturation) {
        ASSERT_GE(r.clippedErrors.size(), 5u);
        EXPECT_LT(Quantile(r.clippedErrors, 1.0), 0.005);
      }
      std::printf("%5.1f points per peak%s: %d spectra, %d of %d ions found, %d false; error median %.2f mDa, "
                  "95%% %.2f mDa over %zu ions; clipped ions %zu, worst %.2f mDa\n",
                  ppp, suppressed ? " (zeros left out)" : "", r.spectra, r.found, r.ions, r.falseCentroids,
                  1000 * Quantile(r.errors, 0.5), 1000 * Quantile(r.errors, 0.95), r.errors.size(),
                  r.clippedErrors.size(), 1000 * Quantile(r.clippedErrors, 1.0));
    }
  }
}

}  // namespace
