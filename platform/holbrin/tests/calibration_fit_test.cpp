#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "holbrin/dh_engine.h"

namespace {

void ExpectRelative(double actual, double expected, double tolerance) {
  if (expected == 0)
    EXPECT_NEAR(actual, 0.0, tolerance);
  else
    EXPECT_NEAR(actual / expected, 1.0, tolerance) << actual << " vs " << expected;
}

struct ExactCase {
  const char* name;
  int16_t curve, origin, weighting;
  double c[4];  // the curve the responses are made from
};

TEST(CalibrationFit, ExactDataComeBackToRounding) {
  const std::vector<double> amounts = {0.5, 1, 2.5, 5, 10, 25, 50, 100};
  const ExactCase cases[] = {
      {"linear", DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, DH_WEIGHT_NONE, {2.5, 3.75, 0, 0}},
      {"linear 1/x", DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, DH_WEIGHT_INVERSE_X, {-1.25, 0.0375, 0, 0}},
      {"linear 1/x2", DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, DH_WEIGHT_INVERSE_X2, {1234.5, 98.76, 0, 0}},
      {"linear forced", DH_CURVE_LINEAR, DH_ORIGIN_FORCE, DH_WEIGHT_NONE, {0, 4.2, 0, 0}},
      {"linear origin included", DH_CURVE_LINEAR, DH_ORIGIN_INCLUDE, DH_WEIGHT_INVERSE_X, {0, 0.123, 0, 0}},
      {"quadratic", DH_CURVE_QUADRATIC, DH_ORIGIN_IGNORE, DH_WEIGHT_NONE, {1.2, 0.8, 0.015, 0}},
      {"quadratic forced 1/x2", DH_CURVE_QUADRATIC, DH_ORIGIN_FORCE, DH_WEIGHT_INVERSE_X2, {0, 7.5, -0.02, 0}},
      {"cubic", DH_CURVE_CUBIC, DH_ORIGIN_IGNORE, DH_WEIGHT_INVERSE_X, {3, 2, -0.01, 0.0003}},
      {"average response factor", DH_CURVE_AVERAGE_RF, DH_ORIGIN_IGNORE, DH_WEIGHT_NONE, {0, 6.02e4, 0, 0}},
      {"average response factor 1/x2", DH_CURVE_AVERAGE_RF, DH_ORIGIN_FORCE, DH_WEIGHT_INVERSE_X2, {0, 0.61, 0, 0}},
  };
  for (const ExactCase& k : cases) {
    SCOPED_TRACE(k.name);
    std::vector<double> y;
    for (double x : amounts) y.push_back(k.c[0] + x * (k.c[1] + x * (k.c[2] + x * k.c[3])));
    double c[4] = {9, 9, 9, 9};
    ASSERT_TRUE(FitCalibrationCurve(amounts.data(), y.data(), int32_t(amounts.size()), k.curve, k.origin,
                                    k.weighting, c));
    // Terms too small to matter against the responses are held to the
    // response scale rather than to themselves.
    for (int t = 0; t < 4; ++t) {
      if (k.c[t] == 0)
        EXPECT_NEAR(c[t] * std::pow(100.0, t), 0.0, 1e-9 * y.back());
      else
        ExpectRelative(c[t], k.c[t], 1e-9);
    }
  }
}

// Weighted straight line on scattered points against the closed form
// b = Sw(x - xm)(y - ym) / Sw(x - xm)^2, a = ym - b xm (weighted means).
TEST(CalibrationFit, WeightedLineMatchesClosedForm) {
  const std::vector<double> x = {1, 2, 4, 8, 16}, y = {2.3, 3.9, 9.1, 15.2, 33.9};
  for (int16_t weighting : {DH_WEIGHT_NONE, DH_WEIGHT_INVERSE_X, DH_WEIGHT_INVERSE_X2}) {
    SCOPED_TRACE(weighting);
    double sw = 0, sx = 0, sy = 0;
    auto w = [&](double v) { return weighting == 0 ? 1.0 : weighting == 1 ? 1 / v : 1 / (v * v); };
    for (size_t i = 0; i < x.size(); ++i) sw += w(x[i]), sx += w(x[i]) * x[i], sy += w(x[i]) * y[i];
    const double xm = sx / sw, ym = sy / sw;
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < x.size(); ++i)
      sxy += w(x[i]) * (x[i] - xm) * (y[i] - ym), sxx += w(x[i]) * (x[i] - xm) * (x[i] - xm);
    const double b = sxy / sxx, a = ym - b * xm;
    double c[4];
    ASSERT_TRUE(FitCalibrationCurve(x.data(), y.data(), 5, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, weighting, c));
    ExpectRelative(c[0], a, 1e-12);
    ExpectRelative(c[1], b, 1e-12);
    // Through the origin: b = Swxy / Swxx.
    double sxy0 = 0, sxx0 = 0;
    for (size_t i = 0; i < x.size(); ++i) sxy0 += w(x[i]) * x[i] * y[i], sxx0 += w(x[i]) * x[i] * x[i];
    ASSERT_TRUE(FitCalibrationCurve(x.data(), y.data(), 5, DH_CURVE_LINEAR, DH_ORIGIN_FORCE, weighting, c));
    EXPECT_EQ(c[0], 0.0);
    ExpectRelative(c[1], sxy0 / sxx0, 1e-12);
  }
}

TEST(CalibrationFit, RefusesCurvesThePointsCannotFix) {
  const double x[] = {1, 1, 1, 2}, y[] = {1, 2, 3, 4}, bad[] = {1, NAN, 2, 3};
  double c[4] = {7, 7, 7, 7};
  EXPECT_FALSE(FitCalibrationCurve(x, y, 3, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, 0, c));  // one amount
  EXPECT_FALSE(FitCalibrationCurve(x, y, 1, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, 0, c));
  EXPECT_FALSE(FitCalibrationCurve(x, y, 4, DH_CURVE_QUADRATIC, DH_ORIGIN_IGNORE, 0, c));  // two amounts
  EXPECT_FALSE(FitCalibrationCurve(x, bad, 4, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, 0, c));
  EXPECT_FALSE(FitCalibrationCurve(x, y, 4, 9, DH_ORIGIN_IGNORE, 0, c));
  EXPECT_FALSE(FitCalibrationCurve(x, y, 4, DH_CURVE_LINEAR, 5, 0, c));
  EXPECT_FALSE(FitCalibrationCurve(x, y, 4, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, 7, c));
  const double blank[] = {0, 1, 2}, r[] = {0, 1, 2};
  EXPECT_FALSE(FitCalibrationCurve(blank, r, 3, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, DH_WEIGHT_INVERSE_X, c));
  EXPECT_FALSE(FitCalibrationCurve(blank, r, 3, DH_CURVE_AVERAGE_RF, DH_ORIGIN_IGNORE, 0, c));
  EXPECT_FALSE(FitCalibrationCurve(nullptr, r, 3, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, 0, c));
  for (double v : c) EXPECT_EQ(v, 7.0);
  // The one-amount set still gives a line through the origin.
  EXPECT_TRUE(FitCalibrationCurve(x, y, 3, DH_CURVE_LINEAR, DH_ORIGIN_FORCE, 0, c));
  EXPECT_DOUBLE_EQ(c[1], 2.0);
}

STRUCT_DH_COMPOUND CompoundWithLevels(double intercept, double slope) {
  STRUCT_DH_COMPOUND r;
  std::memset(&r, 0, sizeof r);
  const float amounts[] = {1, 5, 10, 50, 100};
  for (int l = 0; l < 5; ++l) {
    r.levels[l].amount = amounts[l];
    r.levels[l].count = 2;
    r.levels[l].responses[0] = float(intercept + slope * amounts[l]);
    r.levels[l].responses[1] = float(intercept + slope * amounts[l]);
  }
  return r;
}

TEST(CalibrationFit, CompoundRecordGetsItsCoefficientsAndRange) {
  STRUCT_DH_COMPOUND r = CompoundWithLevels(12.0, 250.0);
  std::vector<double> work(100, -1.0);
  ASSERT_TRUE(FitCalibration(&r, nullptr, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, DH_WEIGHT_INVERSE_X, work.data()));
  EXPECT_NEAR(r.coefficients[0], 12.0, 1e-3);
  EXPECT_NEAR(r.coefficients[1], 250.0, 1e-4);
  EXPECT_EQ(r.coefficients[2], 0.0f);
  EXPECT_EQ(r.calibrationValues[0], 1.0f);
  EXPECT_EQ(r.calibrationValues[1], 100.0f);
  EXPECT_NEAR(work[10 * 4 + 1], 12.0 + 250.0 * 100, 1e-2);  // fitted response of a used point
  EXPECT_EQ(work[10 * 4 + 2], -1.0);                          // no third replicate
  EXPECT_EQ(work[10 * 7], -1.0);                              // no eighth level

  // A masked outlier leaves the fit alone.
  r.levels[2].responses[0] = 1e6f;
  work.assign(100, -1.0);
  work[20] = 0.0;
  ASSERT_TRUE(FitCalibration(&r, nullptr, DH_CURVE_LINEAR, DH_ORIGIN_IGNORE, DH_WEIGHT_NONE, work.data()));
  EXPECT_NEAR(r.coefficients[1], 250.0, 1e-3);
  EXPECT_EQ(work[20], 0.0);

  // A compound without levels keeps its record.
  STRUCT_DH_COMPOUND empty;
  std::memset(&empty, 0, sizeof empty);
  empty.coefficients[1] = 3.0f;
  EXPECT_FALSE(FitCalibration(&empty, nullptr, DH_CURVE_LINEAR, DH_ORIGIN_FORCE, DH_WEIGHT_NONE, nullptr));
  EXPECT_EQ(empty.coefficients[1], 3.0f);
  EXPECT_FALSE(FitCalibration(nullptr, nullptr, 0, 0, 0, nullptr));
}

TEST(CalibrationFit, BlockInitialisers) {
  DH_QUANT_BLOCK block;
  std::memset(&block, 0x5A, sizeof block);
  ASSERT_TRUE(InitDHQuantBlock(&block));
  STRUCT_DH_GLOBAL_PARAMS defaults;
  InitGlobalParams(&defaults);
  EXPECT_EQ(std::memcmp(&block, &defaults.quant, sizeof block), 0);
  DH_FACTOR_BLOCK factors;
  std::memset(&factors, 0, sizeof factors);
  ASSERT_TRUE(InitDHFactorBlock(&factors));
  EXPECT_EQ(factors.count, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(float(factors.factors[i]), 1.0f);
  EXPECT_FALSE(InitDHQuantBlock(nullptr));
  EXPECT_FALSE(InitDHFactorBlock(nullptr));
}

}  // namespace
