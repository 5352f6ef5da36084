// Profile smoothing and centroiding, checked against hand-worked numbers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

// An asymmetric peak: mass = (50.1*20 + 50.2*60 + 50.3*100 + 50.4*40) / 220
// = 11060 / 220, intensity = 220.
TEST(CentroidEngine, WeightsMassByIntensityAndSumsThePeak) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  auto b = Buffer({{50.0, 0}, {50.1, 20}, {50.2, 60}, {50.3, 100}, {50.4, 40}, {50.5, 0}});
  auto p = Params(1, 3, 0, 10);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0].mass, 11060.0 / 220.0, 1e-9);
  EXPECT_EQ(out[0].intensity, 220u);
}

// Two peaks split at the minimum between them (index 4 goes to the first):
// peak 1 = points 0..4: 10+100+10+5 = 125 at (1*10+2*100+3*10+4*5)/125 = 2.08;
// peak 2 = points 5..8: 10+80+10 = 100 at (5*10+6*80+7*10)/100 = 6.0.
TEST(CentroidEngine, SplitsNeighbouringPeaksAtTheMinimum) {
  CMS_CentroidEngine e;
  ASSERT_EQ(e.Init(), MS_OK);
  auto b = Buffer({{0, 0}, {1, 10}, {2, 100}, {3, 10}, {4, 5}, {5, 10}, {6, 80}, {7, 10}, {8, 0}});
  auto p = Params(1, 3, 0, 20);
  ASSERT_EQ(e.CentroidSpec(nullptr, nullptr, kNoHead, b.data(), &p), MS_OK);
  auto out = Points(b);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(out[0].mass, 2.08, 1e-12);
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
  EXPECT_NEAR(+rec.header.basePeakMass, 2.08, 1e-12);
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

}  // namespace
