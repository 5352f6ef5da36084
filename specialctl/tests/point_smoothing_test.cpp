// The smoothing of point lists and the five-point apex fit, checked against
// numbers computed independently with numpy (see make_smoothing_reference.py)
// on noisy peaks, and their edge behaviour.
#include "specialctl/point_smoothing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

struct SmoothingCase {
  const char* name;
  uint32_t count;
  int32_t width;
  const double* times;
  const double* values;
  const double* smoothed;
};
struct ApexCase {
  double times[5];
  double values[5];
  double apex;
};

#include "specialctl/tests/smoothing_reference.inc"

// A point block of the given points (room for a few more).
std::vector<uint8_t> Block(const std::vector<double>& t, const std::vector<double>& v) {
  std::vector<uint8_t> bytes(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * (t.size() + 2), 0);
  auto* b = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(bytes.data());
  b->isDouble = 1;
  for (size_t i = 0; i < t.size(); ++i) {
    NePointAt(b, uint32_t(i))->time = t[i];
    NePointAt(b, uint32_t(i))->value.d = v[i];
  }
  return bytes;
}
STRUCT_NE_POINT_BLOCK* B(std::vector<uint8_t>& bytes) {
  return reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(bytes.data());
}

TEST(PointSmoothing, NoisyPeaksMatchAnIndependentComputation) {
  for (const SmoothingCase& c : kSmoothingCases) {
    SCOPED_TRACE(c.name);
    std::vector<double> t(c.times, c.times + c.count), v(c.values, c.values + c.count);
    auto src = Block(t, v);
    auto dst = Block(std::vector<double>(c.count, -1.0), std::vector<double>(c.count, -1.0));
    SmoothPlotPoints(B(src), B(dst), c.count, c.width, SMOOTH_KERNEL_GAUSSIAN);
    double peak = 0;
    for (uint32_t i = 0; i < c.count; ++i) peak = std::max(peak, std::fabs(c.smoothed[i]));
    for (uint32_t i = 0; i < c.count; ++i) {
      // Every destination point keeps its source time exactly.
      EXPECT_EQ(+NePointAt(B(dst), i)->time, c.times[i]) << i;
      EXPECT_NEAR(+NePointAt(B(dst), i)->value.d, c.smoothed[i], peak * 1e-11) << i;
    }
    // The source is left alone, and so are both heads.
    EXPECT_EQ(+NePointAt(B(src), c.count / 2)->value.d, c.values[c.count / 2]);
    EXPECT_EQ(B(dst)->isDouble, 1u);
    EXPECT_EQ(B(dst)->firstScan, 0u);
  }
}

TEST(PointSmoothing, ShortListsAndFlatValues) {
  // Four points: nothing is written.
  auto src = Block({1, 2, 3, 4}, {5, 9, 7, 1});
  auto dst = Block({-1, -1, -1, -1}, {-2, -2, -2, -2});
  SmoothPlotPoints(B(src), B(dst), 4, 2, SMOOTH_KERNEL_GAUSSIAN);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(+NePointAt(B(dst), i)->value.d, -2.0);

  // Constant values stay constant for every width, edge windows included.
  for (int32_t width : {1, 2, 5, 16, 40, 32767}) {
    SCOPED_TRACE(width);
    std::vector<double> t, v;
    for (int i = 0; i < 23; ++i) {
      t.push_back(3.0 + 0.017 * i + (i % 3) * 0.002);
      v.push_back(1234.5);
    }
    auto s = Block(t, v), d = Block(t, v);
    SmoothPlotPoints(B(s), B(d), 23, width, SMOOTH_KERNEL_GAUSSIAN);
    for (uint32_t i = 0; i < 23; ++i) EXPECT_NEAR(+NePointAt(B(d), i)->value.d, 1234.5, 1e-9);
  }

  // Five evenly spaced points with width 2: the 15-point grid (step 2) and
  // a kernel of exp(-4.5), 1, exp(-4.5). The resampled tent is
  // max(0, 1 - |t - 14| / 7) on the grid.
  auto tent = Block({0, 7, 14, 21, 28}, {0, 0, 1, 0, 0});
  auto out = Block({0, 0, 0, 0, 0}, {-1, -1, -1, -1, -1});
  SmoothPlotPoints(B(tent), B(out), 5, 2, SMOOTH_KERNEL_GAUSSIAN);
  const double e = std::exp(-4.5), n = 1 + 2 * e;
  EXPECT_NEAR(+NePointAt(B(out), 2)->value.d, (1 + 2 * e * 5 / 7.0) / n, 1e-15);
  // t = 7 lies halfway between grid times 6 and 8.
  const double b3 = (e / 7.0) / n, b4 = (1 / 7.0 + 3 * e / 7.0) / n;
  EXPECT_NEAR(+NePointAt(B(out), 1)->value.d, (b3 + b4) / 2, 1e-15);
  // The first grid point's window is clipped and renormalised.
  EXPECT_NEAR(+NePointAt(B(out), 0)->value.d, 0.0, 1e-15);
}

TEST(PointSmoothing, FallingOrRepeatedTimesGiveFiniteValues) {
  const std::vector<std::vector<double>> times = {
      {5, 4, 3, 2, 1, 0}, {1, 1, 1, 1, 1, 1}, {0, 1, 1, 2, 2, 3}, {0, 2, 1, 3, 2.5, 4}};
  for (const auto& t : times) {
    auto s = Block(t, {1, 8, 3, 9, 4, 2});
    auto d = Block(t, {0, 0, 0, 0, 0, 0});
    SmoothPlotPoints(B(s), B(d), 6, 2, SMOOTH_KERNEL_GAUSSIAN);
    for (uint32_t i = 0; i < 6; ++i) EXPECT_TRUE(std::isfinite(+NePointAt(B(d), i)->value.d)) << i;
  }
}

TEST(ParabolaApex, MatchesLeastSquaresFitsOfNoisyPeaks) {
  for (const ApexCase& c : kApexCases) {
    double t[5], v[5];
    std::copy(c.times, c.times + 5, t);
    std::copy(c.values, c.values + 5, v);
    EXPECT_NEAR(FitParabolaApex5(t, v), c.apex, 1e-9);
  }
  double t[5] = {0, 1, 2, 3, 4}, v[5] = {1, 4, 5, 4, 1};
  EXPECT_DOUBLE_EQ(FitParabolaApex5(t, v), 2.0);
  // The arrays come back centred.
  EXPECT_DOUBLE_EQ(t[0], -2.0);
  EXPECT_DOUBLE_EQ(v[2], 5.0 - 3.0);
  double lt[5] = {0, 1, 2, 3, 4}, lv[5] = {1, 2, 3, 4, 5};
  EXPECT_FALSE(std::isfinite(FitParabolaApex5(lt, lv)));
  double st[5] = {2, 2, 2, 2, 2}, sv[5] = {1, 2, 3, 2, 1};
  EXPECT_FALSE(std::isfinite(FitParabolaApex5(st, sv)));
}

TEST(PointTimes, OrderPointsForTheQuicksort) {
  auto b = Block({3.5, 1.25, 9.0, 1.25, 0.5}, {1, 2, 3, 4, 5});
  EXPECT_EQ(ComparePointTimes(+NePointAt(B(b), 0), +NePointAt(B(b), 1)), 1);
  EXPECT_EQ(ComparePointTimes(+NePointAt(B(b), 1), +NePointAt(B(b), 0)), -1);
  EXPECT_EQ(ComparePointTimes(+NePointAt(B(b), 1), +NePointAt(B(b), 3)), 0);
  std::qsort(NePointAt(B(b), 0), 5, NE_POINT_SIZE, ComparePointTimes);
  const double expected[] = {0.5, 1.25, 1.25, 3.5, 9.0};
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(+NePointAt(B(b), i)->time, expected[i]);
  EXPECT_EQ(+NePointAt(B(b), 4)->value.d, 3.0);
}

}  // namespace
