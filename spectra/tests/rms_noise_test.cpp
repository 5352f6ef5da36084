// RMS noise against independent least squares and RMS, on hand-made traces
// of known noise and on generated runs.
#include "spectra/rms_noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "noise_fixture.h"
#include "spectra/pp_noise.h"

namespace {

using noisetest::FitRms;
using noisetest::HandTrace;
using noisetest::Near;
using noisetest::Rms;

// 400 points, off-grid times around 0.01 min apart, a drifting baseline
// with Gaussian noise of sigma 5.
struct DriftingTrace {
  std::vector<double> t, v;
  DriftingTrace() {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> jitter(-0.002, 0.002);
    std::normal_distribution<double> noise(0.0, 5.0);
    for (int i = 0; i < 400; ++i) {
      t.push_back(3.0 + 0.01 * i + jitter(rng));
      v.push_back(1000 + 37.0 * t.back() + noise(rng));
    }
  }
};

TEST(RmsRangeForms, AgreeWithIndependentSums) {
  DriftingTrace d;
  HandTrace trace(nullptr, d.t, d.v, false);
  std::vector<double> smooth(d.v);
  for (size_t i = 1; i + 1 < smooth.size(); ++i) smooth[i] = (d.v[i - 1] + d.v[i] + d.v[i + 1]) / 3;
  trace.SetFiltered(d.t, smooth);
  const struct {
    double from, to;
    int16_t fit;
    uint16_t filtered;
  } cases[] = {{3.5, 4.5, 0, 0}, {3.5, 4.5, 1, 0}, {0.0, 99.0, 1, 0}, {5.0, 6.2, 0, 1}, {5.0, 6.2, 1, 1}};
  for (const auto& c : cases) {
    const std::vector<double>& v = c.filtered ? smooth : d.v;
    size_t first = 0, n = 0;
    for (size_t i = 0; i < d.t.size(); ++i)
      if (d.t[i] >= c.from && d.t[i] <= c.to && n++ == 0) first = i;
    double rms = 0, pp = 0, t1 = 0, t2 = 0;
    uint32_t count = 0;
    ASSERT_TRUE(KELT_CalRMSNoise(0, c.from, c.to, &trace.dp, c.filtered, c.fit, &rms, &count, &t1, &t2));
    EXPECT_EQ(count, n);
    EXPECT_EQ(t1, d.t[first]);
    EXPECT_EQ(t2, d.t[first + n - 1]);
    EXPECT_TRUE(Near(rms, c.fit ? FitRms(d.t, v, first, n) : Rms(v, first, n))) << c.from << " fit " << c.fit;

    ASSERT_TRUE(KELT_CalPPNoise(0, c.from, c.to, &trace.dp, c.filtered, c.fit, &pp, &count, &t1, &t2));
    long double b = 0, a = 0;
    noisetest::Line(d.t, v, first, n, &b, &a);
    double lo = 1e300, hi = -1e300;
    for (size_t k = first; k < first + n; ++k) {
      const double x = c.fit ? static_cast<double>(std::fabs(v[k] - b * d.t[k] - a)) : v[k];
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
    EXPECT_TRUE(Near(pp, hi - lo, 1e-8)) << c.from << " fit " << c.fit;
  }
  // The residuals about the line carry the noise that was put in.
  double rms = 0, t1, t2;
  uint32_t count;
  ASSERT_TRUE(KELT_CalRMSNoise(0, 0, 99, &trace.dp, 0, 1, &rms, &count, &t1, &t2));
  EXPECT_NEAR(rms, 5.0, 0.5);
}

TEST(RmsRangeForms, OnePointFailsAndReportsItsCount) {
  DriftingTrace d;
  HandTrace trace(nullptr, d.t, d.v, false);
  double rms = -1, t1 = -1, t2 = -1;
  uint32_t count = 99;
  EXPECT_FALSE(KELT_CalRMSNoise(0, d.t[10], d.t[10], &trace.dp, 0, 0, &rms, &count, &t1, &t2));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(rms, -1);
  count = 99;
  EXPECT_FALSE(KELT_CalPPNoise(0, 50.0, 60.0, &trace.dp, 0, 0, &rms, &count, &t1, &t2));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(KELT_CalRMSNoise(0, 0, 99, nullptr, 0, 0, &rms, &count, &t1, &t2));
}

TEST(FitLine, RecoversALineAndRefusesDegenerateWindows) {
  std::vector<double> t = {4.01, 4.013, 4.0205, 4.031, 4.0333}, v;
  for (double x : t) v.push_back(3.5 * x - 2.0);
  HandTrace trace(nullptr, t, v, false);
  double slope = 0, intercept = 0;
  ASSERT_TRUE(KELT_FindFitLine(&trace.dp, 0, 0, 5, &slope, &intercept));
  EXPECT_NEAR(slope, 3.5, 1e-7);
  EXPECT_NEAR(intercept, -2.0, 1e-6);
  // One point (a noise window of 1) or points at one time give no line: a
  // failure, not a NaN noise reported as success.
  slope = intercept = 42;
  EXPECT_FALSE(KELT_FindFitLine(&trace.dp, 0, 2, 1, &slope, &intercept));
  EXPECT_EQ(slope, 42);
  double rms = 0, t1, t2;
  uint32_t count;
  std::vector<double> same = {5.0, 5.0, 5.0};
  HandTrace flat(nullptr, same, {1, 2, 3}, false);
  EXPECT_FALSE(KELT_FindFitLine(&flat.dp, 0, 0, 3, &slope, &intercept));
  EXPECT_FALSE(KELT_CalRMSNoise(0, 0, 10, &flat.dp, 0, 1, &rms, &count, &t1, &t2));
  // Windows reaching past the points are refused.
  EXPECT_FALSE(KELT_FindFitLine(&trace.dp, 0, 3, 3, &slope, &intercept));
  EXPECT_FALSE(KELT_FindFitLine(&trace.dp, 0, 0, 0, &slope, &intercept));
}

// The display measurement worked out again: the smallest-RMS window on each
// side within W points, floors and rounding of segmented integer data, the
// boxes and the baseline.
struct Expected {
  bool left = false, right = false;
  size_t leftStart = 0, rightStart = 0;
  double leftRms = 0, rightRms = 0, noise = 0, baseline = 0;
  size_t peak = 0;
};
Expected Work(const std::vector<double>& t, const std::vector<double>& v, double at, int w, int n, bool fit,
              bool segmentedIntegers) {
  Expected e;
  const long count = static_cast<long>(t.size());
  long i = count - 1;
  for (long j = 0; j < count; ++j) {
    if (t[j] < at) continue;
    i = (j == 0 || t[j] - at < at - t[j - 1]) ? j : j - 1;
    break;
  }
  e.peak = static_cast<size_t>(i);
  auto measure = [&](long s) { return fit ? FitRms(t, v, s, n) : Rms(v, s, n); };
  auto best = [&](long from, long to, bool* found, size_t* start, double* rms) {
    for (long s = from; s <= to; ++s) {
      const double r = measure(s);
      if (!*found || r < *rms) *found = true, *start = static_cast<size_t>(s), *rms = r;
    }
    if (*found && segmentedIntegers && *rms < 1.0) *rms = 1.0;
  };
  const long lf = std::max(0L, i - w);
  if (i - lf >= n) best(lf, std::max(i - n, lf), &e.left, &e.leftStart, &e.leftRms);
  if (count - (i + 1) >= n)
    best(i + 1, std::max(std::min(count, i + 1 + w) - n, i + 1), &e.right, &e.rightStart, &e.rightRms);
  e.noise = e.left && e.right ? (e.leftRms + e.rightRms) / 2 : e.left ? e.leftRms : e.rightRms;
  if (segmentedIntegers) e.noise = std::floor(e.noise + 0.5);
  auto middle = [&](size_t s, double* mt, double* mv) {
    const double lo = *std::min_element(v.begin() + s, v.begin() + s + n);
    const double hi = *std::max_element(v.begin() + s, v.begin() + s + n);
    *mt = (t[s + n - 1] - t[s]) / 2 + t[s];
    *mv = (hi - lo) / 2 + lo;
  };
  double lt = 0, lv = 0, rt = 0, rv = 0;
  if (e.left) middle(e.leftStart, &lt, &lv);
  if (e.right) middle(e.rightStart, &rt, &rv);
  e.baseline = e.left && e.right ? lv + (rv - lv) * (t[e.peak] - lt) / (rt - lt) : e.left ? lv : rv;
  return e;
}

class RmsDisplayTest : public noisetest::NoiseTest {};

// One segment scanned at 5 scans a second: W = 100 / 2 * 5 = 250 points.
TEST_F(RmsDisplayTest, AroundACompoundAgreesWithTheWorkedMeasurement) {
  MakeRun(3000, {{1.0, 1, ""}});
  auto whole = WholeTrace();
  ASSERT_TRUE(whole);
  std::vector<double> t, v;
  noisetest::Unpack(whole.get(), &t, &v);
  int measured = 0;
  for (int16_t fit : {0, 1}) {
    for (const auto& compound : truth_.compounds) {
      const double at = compound.retentionTime;
      if (at < 3.0 || at > 11.0) continue;
      ++measured;
      const Expected e = Work(t, v, at, 250, 10, fit != 0, true);
      STRUCT_RMS_NOISE r;
      ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), whole.get(), at, DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr,
                                                fit, 0, 0, nullptr, nullptr, 0, &r));
      ASSERT_TRUE(e.left && e.right);
      EXPECT_EQ(+r.peakTime, t[e.peak]);
      EXPECT_EQ(+r.leftWindow, static_cast<int32_t>(e.leftStart));
      EXPECT_EQ(+r.rightWindow, static_cast<int32_t>(e.rightStart));
      EXPECT_TRUE(Near(+r.leftNoise, e.leftRms));
      EXPECT_TRUE(Near(+r.rightNoise, e.rightRms));
      EXPECT_EQ(+r.noise, e.noise);
      EXPECT_TRUE(Near(+r.baseline, e.baseline));
      EXPECT_EQ(+r.noiseFound, 1);
      EXPECT_EQ(+r.baselineFound, 1u);

      // Read afresh, the same points are measured.
      STRUCT_RMS_NOISE fresh;
      ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr,
                                                fit, 0, 0, nullptr, nullptr, 0, &fresh));
      EXPECT_EQ(+fresh.peakTime, +r.peakTime);
      EXPECT_EQ(+fresh.leftBoxFirstTime, +r.leftBoxFirstTime);
      EXPECT_EQ(+fresh.rightBoxFirstTime, +r.rightBoxFirstTime);
      EXPECT_TRUE(Near(+fresh.leftNoise, +r.leftNoise));
      EXPECT_TRUE(Near(+fresh.baseline, +r.baseline));

      // The quantitation engine's call gives the same noise.
      double noise = -1;
      STRUCT_MASS_LIST ric{};
      ASSERT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, at, DATA_TYPE_TIC, &ric, nullptr, nullptr, fit, 0, 0,
                                               nullptr, nullptr, 0, &noise));
      EXPECT_EQ(noise, e.noise);
    }
  }
  EXPECT_GE(measured, 10);
}

TEST_F(RmsDisplayTest, FlatIntegerBaselineCountsAsOne) {
  MakeRun(1200, {{1.0, 1, ""}});
  std::vector<double> t(truth_.scanTimes), v(t.size(), 5000.0);
  HandTrace flat(wf_.get(), t, v, true);
  flat.dp.startTime = wf_->startTime;
  flat.dp.endTime = wf_->endTime;
  STRUCT_RMS_NOISE r;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), &flat.dp, 7.0, DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr, 0, 0,
                                            0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.leftNoise, 1.0);
  EXPECT_EQ(+r.rightNoise, 1.0);
  EXPECT_EQ(+r.noise, 1.0);
  EXPECT_EQ(+r.baseline, 5000.0);
}

// 1,200 scans over ten minutes: 2 scans a second, so W = 50 * 2 = 100.
TEST_F(RmsDisplayTest, HalfWidthFollowsTheScanRate) {
  MakeRun(1200, {{1.0, 1, ""}});
  const std::vector<double>& t = truth_.scanTimes;
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0.0, 20.0);
  std::vector<double> v;
  for (size_t k = 0; k < t.size(); ++k) v.push_back(3000 + noise(rng));
  const size_t i = 600;
  // Quiet stretches just inside the half-width and, quieter still or earlier, just outside.
  for (size_t k = 0; k < 10; ++k) {
    v[i - 100 + k] = 2000;                  // first left window
    v[i - 111 + k] = 2000;                  // starts one point too far left
    v[i + 91 + k] = 2000 + 0.01 * (k % 2);  // last right window
    v[i + 92 + 10 + k] = 2000;              // beyond the last right start
  }
  HandTrace trace(wf_.get(), t, v, false);
  trace.dp.startTime = wf_->startTime;
  trace.dp.endTime = wf_->endTime;
  STRUCT_RMS_NOISE r;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), &trace.dp, t[i], DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr, 0,
                                            0, 0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.leftWindow, static_cast<int32_t>(i - 100));
  EXPECT_EQ(+r.rightWindow, static_cast<int32_t>(i + 91));
  EXPECT_EQ(+r.leftNoise, 0.0);  // double values: no floor
}

TEST_F(RmsDisplayTest, PeakPointTiesAndTheEndOfTheTrace) {
  MakeRun(1200, {{1.0, 1, ""}});
  std::vector<double> t, v;
  std::mt19937 rng(5);
  std::normal_distribution<double> noise(0.0, 10.0);
  for (int k = 0; k < 200; ++k) {
    t.push_back(5.0 + 0.01 * k);
    v.push_back(1000 + noise(rng));
  }
  HandTrace trace(wf_.get(), t, v, false);
  trace.dp.startTime = wf_->startTime;
  trace.dp.endTime = wf_->endTime;
  STRUCT_RMS_NOISE r;
  const double halfway = (t[100] + t[101]) / 2;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), &trace.dp, halfway, DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr,
                                            0, 0, 0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.peakTime, t[100]);

  // After the last point: the last point is the peak, nothing lies right of it.
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), &trace.dp, 7.5, DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr, 0,
                                            0, 0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.peakTime, t.back());
  EXPECT_EQ(+r.rightWindow, -1);
  EXPECT_EQ(+r.rightBoxFound, 0);
  EXPECT_EQ(+r.noise, std::floor(+r.leftNoise + 0.5));
  EXPECT_EQ(+r.baseline, +r.leftBoxMiddleValue);
  const Expected e = Work(t, v, 7.5, 100, 10, false, false);
  EXPECT_EQ(+r.leftWindow, static_cast<int32_t>(e.leftStart));
  EXPECT_TRUE(Near(+r.leftNoise, e.leftRms));
}

TEST_F(RmsDisplayTest, MsFileFormsAverageOverSegments) {
  MakeRun(3000, {{1.0, 1, ""}, {1.0, 2, ""}, {1.0, 1, ""}});
  double noise = -1;
  // The older form in range mode 2: the mean of the whole-segment measurements.
  ASSERT_TRUE(KELT_CalRMSNoiseForMSFile(wf_.get(), 5.0, DATA_TYPE_TIC, nullptr, nullptr, 0, 2, &noise));
  double sum = 0;
  for (int s = 0; s < 3; ++s) {
    const MS_SEGMENT_BLOCK& b = wf_->segmentBlocks[s];
    STRUCT_RMS_NOISE r;
    ASSERT_TRUE(KELT_CalRMSNoiseForDisplay(wf_.get(), (b.endTime - b.startTime) / 2 + b.startTime, DATA_TYPE_TIC,
                                           nullptr, nullptr, 0, 0, 1, 0, nullptr, &r));
    sum += +r.noise;
  }
  EXPECT_TRUE(Near(noise, sum / 3));
  EXPECT_GT(noise, 0);
  // The newer form: one group of all three segments, measured at its middle.
  ASSERT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, 5.0, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 2, 0,
                                           nullptr, nullptr, 0, &noise));
  STRUCT_RMS_NOISE r;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(
      wf_.get(), nullptr,
      (wf_->segmentBlocks[2].endTime - wf_->segmentBlocks[0].startTime) / 2 + wf_->segmentBlocks[0].startTime,
      DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr, 0, 0, 0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(noise, +r.noise);

  // Unusable segments: nothing to average, a noise of 0.
  for (int s = 0; s < 3; ++s) wf_->segmentBlocks[s].functionCount = 0;
  noise = -1;
  EXPECT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, 5.0, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 2, 0,
                                           nullptr, nullptr, 0, &noise));
  EXPECT_EQ(noise, 0.0);
  EXPECT_TRUE(KELT_CalRMSNoiseForMSFile(wf_.get(), 5.0, DATA_TYPE_TIC, nullptr, nullptr, 0, 2, &noise));
  EXPECT_EQ(noise, 0.0);
  EXPECT_FALSE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, 5.0, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 0, 0,
                                            nullptr, nullptr, 0, &noise));
}

TEST_F(RmsDisplayTest, OlderFormsMeasureTheTraceTheyRead) {
  MakeRun(3000, {{1.0, 1, ""}});
  auto whole = WholeTrace();
  std::vector<double> t, v;
  noisetest::Unpack(whole.get(), &t, &v);
  const double at = truth_.compounds[3].retentionTime;
  // Around the scan of the time: W + N = 60 scans each side (and W + 8 = 58
  // the old way), the windows within W = 50 points.
  size_t s = 0;
  for (size_t k = 0; k < t.size(); ++k)
    if (std::fabs(t[k] - at) < std::fabs(t[s] - at)) s = k;
  std::vector<double> tt(t.begin() + (s - 60), t.begin() + (s + 61)), vv(v.begin() + (s - 60), v.begin() + (s + 61));
  const Expected e = Work(tt, vv, at, 50, 10, false, true);
  STRUCT_RMS_NOISE r;
  ASSERT_TRUE(KELT_CalRMSNoiseForDisplay(wf_.get(), at, DATA_TYPE_TIC, nullptr, nullptr, 0, 0, 0, 0, nullptr, &r));
  EXPECT_EQ(+r.leftBoxFirstTime, tt[e.leftStart]);
  EXPECT_EQ(+r.rightBoxFirstTime, tt[e.rightStart]);
  EXPECT_TRUE(Near(+r.leftNoise, e.leftRms));
  EXPECT_EQ(+r.noise, e.noise);

  std::vector<double> to(t.begin() + (s - 58), t.begin() + (s + 59)), vo(v.begin() + (s - 58), v.begin() + (s + 59));
  size_t best = 0;
  for (size_t k = 1; k + 5 <= vo.size(); ++k)
    if (Rms(vo, k, 5) < Rms(vo, best, 5)) best = k;
  ASSERT_TRUE(
      KELT_OldWay_CalRMSNoiseForDisplay(wf_.get(), at, DATA_TYPE_TIC, nullptr, nullptr, 0, 0, 0, 0, nullptr, &r));
  EXPECT_EQ(+r.leftBoxFirstTime, to[best]);
  EXPECT_TRUE(Near(+r.leftNoise, std::max(1.0, Rms(vo, best, 5))));
  EXPECT_EQ(+r.noise, std::floor(std::max(1.0, Rms(vo, best, 5)) + 0.5));
  EXPECT_EQ(+r.rightWindow, -1);
}

TEST_F(RmsDisplayTest, FilesWithoutSegmentsSearchFourHundredPoints) {
  std::vector<double> t, v;
  noisetest::WorkFilePtr det = noisetest::DetectorRun(&t, &v);
  ASSERT_TRUE(det);
  const size_t i = 1000;
  for (size_t k = 0; k < 10; ++k) v[i - 400 + k] = v[i - 411 + k] = 0.125;
  HandTrace trace(det.get(), t, v, false);
  trace.dp.dataType = DATA_TYPE_DETECTOR;
  STRUCT_RMS_NOISE r;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(det.get(), &trace.dp, t[i], DATA_TYPE_DETECTOR, nullptr, nullptr, 0,
                                            nullptr, 0, 2, 0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.leftWindow, static_cast<int32_t>(i - 400));  // every mode is mode 0
  const Expected e = Work(t, v, t[i], 400, 10, false, false);
  EXPECT_TRUE(Near(+r.noise, e.noise));
  EXPECT_TRUE(Near(+r.baseline, e.baseline));
  double noise = 0;
  EXPECT_FALSE(KELT_NewCalRMSNoiseForMSFile(det.get(), nullptr, t[i], DATA_TYPE_DETECTOR, nullptr, nullptr, nullptr, 0,
                                            0, 0, nullptr, nullptr, 0, &noise));
}

}  // namespace

namespace {

// Three segments (one, two and one scan functions, 5 scans a second in the
// first); a time ten scans before the first segment ends leaves no room on
// the right, so a scan-function measurement crosses into the second segment.
class CrossingTest : public noisetest::NoiseTest {
 protected:
  void SetUp() override {
    NoiseTest::SetUp();
    MakeRun(3000, {{1.0, 1, ""}, {1.0, 2, ""}, {1.0, 1, ""}});
    info_ = PD_GetScanFunInfoForDataFile(wf_.get(), &infoCount_, 0);
    ASSERT_NE(info_, nullptr);
    array_ = SCAN_FUN_GetAllScanFunsForSegment(wf_.get(), 0, info_, infoCount_);
    ASSERT_NE(array_, nullptr);
    const MS_SEGMENT_BLOCK& b = wf_->segmentBlocks[0];
    time_ = truth_.scanTimes[b.lastScan - wf_->msInfo.firstScan - 10];
  }
  void TearDown() override {
    FreeBlock(array_);
    FreeBlock(info_);
    NoiseTest::TearDown();
  }
  STRUCT_SCAN_FUN_INFO* info_ = nullptr;
  int16_t infoCount_ = 0;
  STRUCT_SCAN_FUN_ARRAY* array_ = nullptr;
  double time_ = 0;
};

TEST_F(CrossingTest, ScanFunctionTraceCrossesIntoTheNextSegment) {
  const uint16_t n = static_cast<uint16_t>(infoCount_);
  STRUCT_RMS_NOISE fresh, shown;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), nullptr, time_, DATA_TYPE_SCAN_FUN_PLOT, nullptr, nullptr, 0,
                                            array_, 0, 0, 0, nullptr, info_, n, &fresh));
  // The whole scan-function trace shown: the same 250 points each side.
  noisetest::PointsPtr whole(SCAN_FUN_FastReadTimeRange(wf_->startTime, wf_->endTime, info_, infoCount_, wf_.get(),
                                                        array_, nullptr, 0, nullptr));
  ASSERT_TRUE(whole);
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), whole.get(), time_, DATA_TYPE_SCAN_FUN_PLOT, nullptr, nullptr, 0,
                                            array_, 0, 0, 0, nullptr, info_, n, &shown));
  EXPECT_EQ(+fresh.peakTime, +shown.peakTime);
  EXPECT_EQ(+fresh.leftBoxFirstTime, +shown.leftBoxFirstTime);
  EXPECT_EQ(+fresh.rightBoxFirstTime, +shown.rightBoxFirstTime);
  EXPECT_TRUE(Near(+fresh.rightNoise, +shown.rightNoise));
  EXPECT_EQ(+fresh.noise, +shown.noise);
  std::vector<double> t, v;
  noisetest::Unpack(whole.get(), &t, &v);
  const Expected e = Work(t, v, time_, 250, 10, false, true);
  EXPECT_EQ(+shown.noise, e.noise);
  EXPECT_GT(t[e.peak + 250], +wf_->segmentBlocks[0].endTime);

  // Crossing needs the scan-function information; the engine form finds it itself.
  EXPECT_FALSE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), nullptr, time_, DATA_TYPE_SCAN_FUN_PLOT, nullptr, nullptr, 0,
                                             array_, 0, 0, 0, nullptr, nullptr, 0, &fresh));
  double noise = -1;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, time_, DATA_TYPE_TIC, nullptr, nullptr, array_, 0, 0, 0,
                                           nullptr, nullptr, 0, &noise));
  EXPECT_EQ(noise, e.noise);
}

}  // namespace

namespace {

class FilterTest : public noisetest::NoiseTest {};

// A moving mean over 2 points each side (the filter words of the chromatogram
// preferences) quietens the measured noise; a filter flag without the words
// filters nothing.
TEST_F(FilterTest, EngineFormsFilterOnlyWithTheirWords) {
  MakeRun(3000, {{1.0, 1, ""}});
  uint8_t words[12] = {};
  const int16_t half = 2;
  const uint16_t kind = 1;
  std::memcpy(words + 8, &half, 2);
  std::memcpy(words + 10, &kind, 2);
  const double at = truth_.compounds[4].retentionTime;
  double plain = 0, flagOnly = 0, filtered = 0;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 0, 0,
                                           nullptr, nullptr, 0, &plain));
  ASSERT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 0, 1,
                                           nullptr, nullptr, 0, &flagOnly));
  ASSERT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 0, 1,
                                           words, nullptr, 0, &filtered));
  EXPECT_EQ(flagOnly, plain);
  EXPECT_LT(filtered, plain);
  ASSERT_TRUE(KELT_NewCalPPNoiseForMSFile(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 0, 0,
                                          nullptr, nullptr, 0, &plain));
  ASSERT_TRUE(KELT_NewCalPPNoiseForMSFile(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 0, 1,
                                          words, nullptr, 0, &filtered));
  EXPECT_LT(filtered, plain);
  ASSERT_TRUE(KELT_Ex_CalRMSNoiseForMSFile(wf_.get(), at, DATA_TYPE_TIC, nullptr, nullptr, 0, 0, 1, words, &filtered));
  ASSERT_TRUE(KELT_CalRMSNoiseForMSFile(wf_.get(), at, DATA_TYPE_TIC, nullptr, nullptr, 0, 0, &plain));
  EXPECT_LT(filtered, plain);
}

// The display forms measure a shown trace's filtered copy when it has one.
TEST_F(FilterTest, ShownTraceIsMeasuredThroughItsFilteredCopy) {
  MakeRun(1200, {{1.0, 1, ""}});
  const std::vector<double>& t = truth_.scanTimes;
  std::mt19937 rng(9);
  std::normal_distribution<double> noise(0.0, 30.0);
  std::vector<double> raw, smooth;
  for (size_t k = 0; k < t.size(); ++k) {
    raw.push_back(5000 + noise(rng));
    smooth.push_back(5000 + noise(rng) / 10);
  }
  HandTrace trace(wf_.get(), t, raw, false);
  trace.SetFiltered(t, smooth);
  trace.dp.startTime = wf_->startTime;
  trace.dp.endTime = wf_->endTime;
  STRUCT_RMS_NOISE r;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), &trace.dp, t[600], DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr,
                                            0, 0, 0, nullptr, nullptr, 0, &r));
  const Expected e = Work(t, smooth, t[600], 100, 10, false, false);
  EXPECT_TRUE(Near(+r.leftNoise, e.leftRms));
  EXPECT_TRUE(Near(+r.rightNoise, e.rightRms));
}

}  // namespace

namespace {

// Range mode 1: the windows may lie anywhere in the segment of the time.
TEST_F(RmsDisplayTest, SegmentModeSearchesTheWholeSegment) {
  MakeRun(3000, {{1.0, 1, ""}, {1.0, 2, ""}, {1.0, 1, ""}});
  const MS_SEGMENT_BLOCK& b = wf_->segmentBlocks[1];
  noisetest::PointsPtr segment(
      KELT_ReadTraceFromMSData(wf_.get(), b.firstScan, b.lastScan, DATA_TYPE_TIC, nullptr, nullptr));
  ASSERT_TRUE(segment);
  std::vector<double> t, v;
  noisetest::Unpack(segment.get(), &t, &v);
  const double at = t[t.size() / 3];
  const Expected e = Work(t, v, at, 1 << 30, 10, false, true);
  STRUCT_RMS_NOISE r;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, 0, nullptr, 0, 1,
                                            0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.leftBoxFirstTime, t[e.leftStart]);
  EXPECT_EQ(+r.rightBoxFirstTime, t[e.rightStart]);
  EXPECT_TRUE(Near(+r.leftNoise, e.leftRms));
  EXPECT_TRUE(Near(+r.rightNoise, e.rightRms));
  EXPECT_EQ(+r.noise, e.noise);
  EXPECT_TRUE(Near(+r.baseline, e.baseline));
  ASSERT_TRUE(KELT_CalRMSNoiseForDisplay(wf_.get(), at, DATA_TYPE_TIC, nullptr, nullptr, 0, 0, 1, 0, nullptr, &r));
  EXPECT_EQ(+r.noise, e.noise);
}

}  // namespace
