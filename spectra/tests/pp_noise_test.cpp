// Peak-to-peak noise and signal against the five-point rule worked out
// independently, on hand-made traces and generated runs.
#include "spectra/pp_noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "noise_fixture.h"
#include "spectra/segment_checks.h"

namespace {

using noisetest::HandTrace;

struct Worked {
  double noise, tail;
  size_t centre;
};

// With distinct values: of the m/2 stretches with the lowest middles, the one
// whose range is the (h/2)-th smallest (the first when h/2 is 0).
Worked BySorting(const std::vector<double>& v) {
  struct S {
    double range, middle;
    size_t centre;
  };
  std::vector<S> s;
  for (size_t k = 0; k + 5 <= v.size(); ++k) {
    const double lo = *std::min_element(v.begin() + k, v.begin() + k + 5);
    const double hi = *std::max_element(v.begin() + k, v.begin() + k + 5);
    s.push_back({hi - lo == 0 ? 1.0 : hi - lo, (hi + lo) / 2, k + 2});
  }
  std::sort(s.begin(), s.end(), [](const S& a, const S& b) { return a.middle < b.middle; });
  const size_t h = s.size() / 2;
  if (h == 0) return {s[0].range, s[0].middle, s[0].centre};
  std::vector<S> low(s.begin(), s.begin() + h);
  std::sort(low.begin(), low.end(), [](const S& a, const S& b) { return a.range < b.range; });
  const S& c = low[h / 2 >= 1 ? h / 2 - 1 : 0];
  return {c.range, c.middle, c.centre};
}

// The same rule step by step, ties and all: selection with whole swaps.
Worked BySelection(const std::vector<double>& v) {
  std::vector<std::tuple<double, double, size_t>> s;  // range, middle, centre
  for (size_t k = 0; k + 5 <= v.size(); ++k) {
    double lo = v[k], hi = v[k];
    for (size_t j = k; j < k + 5; ++j) lo = std::min(lo, v[j]), hi = std::max(hi, v[j]);
    s.emplace_back(hi == lo ? 1.0 : hi - lo, (hi + lo) / 2, k + 2);
  }
  const size_t m = s.size(), h = m / 2;
  for (size_t i = 0; i < h; ++i) {
    size_t b = i;
    for (size_t j = i + 1; j < m; ++j)
      if (std::get<1>(s[j]) < std::get<1>(s[b])) b = j;
    std::swap(s[i], s[b]);
  }
  for (size_t i = 0; i < h / 2; ++i) {
    size_t b = i;
    for (size_t j = i + 1; j < h; ++j)
      if (std::get<0>(s[j]) < std::get<0>(s[b])) b = j;
    std::swap(s[i], s[b]);
  }
  const auto& c = s[h / 2 >= 1 ? h / 2 - 1 : 0];
  return {std::get<0>(c), std::get<1>(c), std::get<2>(c)};
}

class PPNoiseTest : public noisetest::NoiseTest {
 protected:
  // A trace over the whole run (so that it serves as the displayed trace).
  void Cover(HandTrace* t) {
    t->dp.startTime = wf_->startTime;
    t->dp.endTime = wf_->endTime;
  }
};

TEST_F(PPNoiseTest, QuietestStretchAgreesWithTheWorkedRule) {
  MakeRun(1200, {{1.0, 1, ""}});  // 2 scans a second: B = 100 points
  const std::vector<double>& t = truth_.scanTimes;
  std::mt19937 rng(11);
  std::normal_distribution<double> noise(0.0, 25.0);
  std::vector<double> v;
  for (double x : t) v.push_back(4000 + 300 * std::exp(-(x - 7.0) * (x - 7.0) / 0.002) + 50 * x + noise(rng));
  HandTrace trace(wf_.get(), t, v, false);
  Cover(&trace);
  const size_t i = static_cast<size_t>(
      std::min_element(t.begin(), t.end(), [](double a, double b) { return std::fabs(a - 7.0) < std::fabs(b - 7.0); }) -
      t.begin());
  STRUCT_PP_NOISE r;
  ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, t[i], DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                        nullptr, nullptr, 0, &r));
  std::vector<double> shown(v.begin() + (i - 100), v.begin() + (i + 101));
  Worked w = BySorting(shown);
  EXPECT_EQ(+r.found, 1);
  EXPECT_EQ(+r.signal, v[i]);
  EXPECT_EQ(+r.peakTime, t[i]);
  EXPECT_EQ(+r.noise, w.noise);
  EXPECT_EQ(+r.tail, w.tail);
  EXPECT_EQ(+r.stretchCentre, static_cast<int16_t>(w.centre));
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(+r.stretchTimes[k], t[i - 100 + w.centre - 2 + k]);
    EXPECT_EQ(+r.stretchValues[k], v[i - 100 + w.centre - 2 + k]);
  }
  // The plain form keeps 50 points each side.
  double signal = 0, pp = 0, tail = 0, times[5], values[5];
  uint32_t centre = 0;
  ASSERT_TRUE(KELT_GetSignalAndNoiseAndTail(wf_.get(), &trace.dp, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, nullptr,
                                            t[i], &signal, &pp, &tail, &centre, times, values));
  w = BySorting(std::vector<double>(v.begin() + (i - 50), v.begin() + (i + 51)));
  EXPECT_EQ(signal, v[i]);
  EXPECT_EQ(pp, w.noise);
  EXPECT_EQ(tail, w.tail);
  EXPECT_EQ(centre, w.centre);
  EXPECT_EQ(times[2], t[i - 50 + w.centre]);
  EXPECT_EQ(values[4], v[i - 50 + w.centre + 2]);
}

// Few distinct values: ties everywhere, settled as the selection settles them.
TEST_F(PPNoiseTest, TiesAreSettledLikeTheSelection) {
  MakeRun(1200, {{1.0, 1, ""}});
  const std::vector<double>& t = truth_.scanTimes;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> level(0, 3);
    std::vector<double> v;
    for (size_t k = 0; k < t.size(); ++k) v.push_back(100 + level(rng) + (k % 7 == 0 ? level(rng) : 0));
    HandTrace trace(wf_.get(), t, v, true);
    Cover(&trace);
    const size_t i = 300 + 20 * seed;
    STRUCT_PP_NOISE r;
    ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, t[i], DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                          nullptr, nullptr, 0, &r));
    Worked w = BySelection(std::vector<double>(v.begin() + (i - 100), v.begin() + (i + 101)));
    EXPECT_EQ(+r.noise, w.noise) << seed;
    EXPECT_EQ(+r.tail, w.tail) << seed;
    EXPECT_EQ(+r.stretchCentre, static_cast<int16_t>(w.centre)) << seed;
    double signal, pp, tail;
    uint32_t centre;
    ASSERT_TRUE(KELT_GetSignalAndNoiseAndTail(wf_.get(), &trace.dp, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                              nullptr, t[i], &signal, &pp, &tail, &centre, nullptr, nullptr));
    w = BySelection(std::vector<double>(v.begin() + (i - 50), v.begin() + (i + 51)));
    EXPECT_EQ(pp, w.noise) << seed;
    EXPECT_EQ(tail, w.tail) << seed;
    EXPECT_EQ(centre, w.centre) << seed;
  }
}

// From many ties to none: whether a tie decides the stretch or not, the
// result is the one the step-by-step selection gives.
TEST_F(PPNoiseTest, SomeTiesOrNoneAgreeWithTheSelection) {
  MakeRun(1200, {{1.0, 1, ""}});
  const std::vector<double>& t = truth_.scanTimes;
  for (const int levels : {6, 15, 40, 200, 100000}) {
    for (uint32_t seed = 1; seed <= 8; ++seed) {
      std::mt19937 rng(seed * 131 + uint32_t(levels));
      std::uniform_int_distribution<int> level(0, levels);
      std::vector<double> v;
      // A drifting baseline with spikes, the values whole counts as a detector gives them.
      for (size_t k = 0; k < t.size(); ++k) v.push_back(double(800 + int(k / 9) + level(rng) + (k % 23 == 0 ? 5 * levels : 0)));
      HandTrace trace(wf_.get(), t, v, true);
      Cover(&trace);
      const size_t i = 250 + 25 * seed;
      STRUCT_PP_NOISE r;
      ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, t[i], DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                            nullptr, nullptr, 0, &r));
      const Worked w = BySelection(std::vector<double>(v.begin() + (i - 100), v.begin() + (i + 101)));
      EXPECT_EQ(+r.noise, w.noise) << levels << " " << seed;
      EXPECT_EQ(+r.tail, w.tail) << levels << " " << seed;
      EXPECT_EQ(+r.stretchCentre, static_cast<int16_t>(w.centre)) << levels << " " << seed;
    }
  }
}

TEST_F(PPNoiseTest, FlatStretchesCountAsOne) {
  MakeRun(1200, {{1.0, 1, ""}});
  std::vector<double> v(truth_.scanTimes.size(), 2500.0);
  HandTrace trace(wf_.get(), truth_.scanTimes, v, true);
  Cover(&trace);
  STRUCT_PP_NOISE r;
  ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, 6.0, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, nullptr,
                                        nullptr, 0, &r));
  EXPECT_EQ(+r.noise, 1.0);
  EXPECT_EQ(+r.tail, 2500.0);
  EXPECT_EQ(+r.signal, 2500.0);
}

TEST_F(PPNoiseTest, PeakPointRules) {
  MakeRun(1200, {{1.0, 1, ""}});
  std::vector<double> t, v;
  for (int k = 0; k < 300; ++k) {
    t.push_back(4.0 + 0.01 * k);
    v.push_back(1000 + k);
  }
  HandTrace trace(wf_.get(), t, v, false);
  Cover(&trace);
  const double halfway = (t[150] + t[151]) / 2;
  STRUCT_PP_NOISE r;
  ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, halfway, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                        nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.peakTime, t[151]);  // the display form takes the later point
  double signal = 0, pp, tail;
  uint32_t centre;
  ASSERT_TRUE(KELT_GetSignalAndNoiseAndTail(wf_.get(), &trace.dp, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, nullptr,
                                            halfway, &signal, &pp, &tail, &centre, nullptr, nullptr));
  EXPECT_EQ(signal, v[150]);  // the plain form the earlier one

  EXPECT_FALSE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, t.back() + 0.5, DATA_TYPE_TIC, nullptr, nullptr, nullptr,
                                         0, nullptr, nullptr, 0, &r));
  EXPECT_EQ(+r.found, 0);
  EXPECT_FALSE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, t[0], DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                         nullptr, nullptr, 0, &r));
  EXPECT_FALSE(KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, 3.0, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                         nullptr, nullptr, 0, &r));
}

TEST_F(PPNoiseTest, FivePointsAreTooFewSixAreEnough) {
  MakeRun(1200, {{1.0, 1, ""}});
  for (size_t points : {5u, 6u}) {
    std::vector<double> t, v;
    for (size_t k = 0; k < points; ++k) {
      t.push_back(6.0 + 0.01 * k);
      v.push_back(100.0 + static_cast<double>(k % 3));
    }
    HandTrace trace(wf_.get(), t, v, false);
    Cover(&trace);
    STRUCT_PP_NOISE r;
    const BOOL shown = KELT_CalPPNoiseForDisplay(wf_.get(), &trace.dp, t[2], DATA_TYPE_TIC, nullptr, nullptr, nullptr,
                                                 0, nullptr, nullptr, 0, &r);
    double signal = 0, pp = 0, tail = 0;
    uint32_t centre = 0;
    const BOOL plain = KELT_GetSignalAndNoiseAndTail(wf_.get(), &trace.dp, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0,
                                                     nullptr, t[2], &signal, &pp, &tail, &centre, nullptr, nullptr);
    EXPECT_EQ(shown, points == 6 ? 1 : 0) << points;
    EXPECT_EQ(plain, points == 6 ? 1 : 0) << points;
    if (points == 6) {
      EXPECT_EQ(pp, 2.0);
      EXPECT_EQ(+r.noise, 2.0);
    }
  }
}

TEST_F(PPNoiseTest, RunsAgreeWithTheWorkedRuleAndTheEngineCall) {
  MakeRun(3000, {{1.0, 1, ""}});  // 5 scans a second: B = 250
  noisetest::PointsPtr whole = WholeTrace();
  ASSERT_TRUE(whole);
  std::vector<double> t, v;
  noisetest::Unpack(whole.get(), &t, &v);
  int measured = 0;
  for (const auto& compound : truth_.compounds) {
    const double at = compound.retentionTime;
    if (at < 3.5 || at > 10.5) continue;
    ++measured;
    size_t j = 0;
    while (t[j] <= at) ++j;
    const size_t i = t[j] - at <= at - t[j - 1] ? j : j - 1;
    const Worked w = BySelection(std::vector<double>(v.begin() + (i - 250), v.begin() + (i + 251)));
    STRUCT_PP_NOISE r;
    ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), nullptr, at, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, nullptr,
                                          nullptr, 0, &r));
    EXPECT_EQ(+r.peakTime, t[i]);
    EXPECT_EQ(+r.signal, v[i]);
    EXPECT_EQ(+r.noise, w.noise);
    EXPECT_EQ(+r.tail, w.tail);
    EXPECT_EQ(+r.stretchCentre, static_cast<int16_t>(w.centre));
    double noise = -1;
    STRUCT_MASS_LIST ric{};
    ASSERT_TRUE(KELT_NewCalPPNoiseForMSFile(wf_.get(), nullptr, at, DATA_TYPE_TIC, &ric, nullptr, nullptr, 0, 0, 0,
                                            nullptr, nullptr, 0, &noise));
    EXPECT_EQ(noise, w.noise);

    // The older engine form: 50 scans each side of the nearest scan.
    size_t s = 0;
    for (size_t k = 0; k < t.size(); ++k)
      if (std::fabs(t[k] - at) < std::fabs(t[s] - at)) s = k;
    std::vector<double> near(v.begin() + (s - 50), v.begin() + (s + 51));
    ASSERT_TRUE(KELT_CalPPNoiseForMSFile(wf_.get(), at, DATA_TYPE_TIC, &ric, nullptr, 0, 0, 0, nullptr, &noise));
    EXPECT_EQ(noise, BySelection(near).noise);
  }
  EXPECT_GE(measured, 5);
}

TEST_F(PPNoiseTest, RangeModeTwoAveragesAndUnusableSegmentsGiveZero) {
  MakeRun(3000, {{1.0, 1, ""}, {1.0, 2, ""}});
  double noise = -1;
  ASSERT_TRUE(KELT_CalPPNoiseForMSFile(wf_.get(), 5.0, DATA_TYPE_TIC, nullptr, nullptr, 0, 2, 0, nullptr, &noise));
  double sum = 0;
  for (int s = 0; s < 2; ++s) {
    const MS_SEGMENT_BLOCK& b = wf_->segmentBlocks[s];
    double signal, pp, tail;
    uint32_t centre;
    ASSERT_TRUE(KELT_GetSignalAndNoiseAndTail(wf_.get(), nullptr, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, nullptr,
                                              (b.endTime - b.startTime) / 2 + b.startTime, &signal, &pp, &tail, &centre,
                                              nullptr, nullptr));
    sum += pp;
  }
  EXPECT_EQ(noise, sum / 2);
  ASSERT_TRUE(KELT_NewCalPPNoiseForMSFile(wf_.get(), nullptr, 5.0, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 2, 0,
                                          nullptr, nullptr, 0, &noise));
  EXPECT_GT(noise, 0);

  for (int s = 0; s < 2; ++s) wf_->segmentBlocks[s].functionCount = 0;
  noise = -1;
  EXPECT_TRUE(KELT_CalPPNoiseForMSFile(wf_.get(), 5.0, DATA_TYPE_TIC, nullptr, nullptr, 0, 2, 0, nullptr, &noise));
  EXPECT_EQ(noise, 0.0);
  noise = -1;
  EXPECT_TRUE(KELT_NewCalPPNoiseForMSFile(wf_.get(), nullptr, 5.0, DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, 2, 0,
                                          nullptr, nullptr, 0, &noise));
  EXPECT_EQ(noise, 0.0);
  EXPECT_FALSE(KELT_CalPPNoiseForMSFile(wf_.get(), 5.0, DATA_TYPE_TIC, nullptr, nullptr, 0, 0, 0, nullptr, &noise));
}

}  // namespace

namespace {

// A time just inside the second segment (two scan functions, 2.5 cycles a
// second: B = 125): the walk leftwards steps back into the first segment.
TEST_F(PPNoiseTest, WalkStepsBackIntoThePreviousSegment) {
  MakeRun(3000, {{1.0, 1, ""}, {1.0, 2, ""}, {1.0, 1, ""}});
  noisetest::PointsPtr whole = WholeTrace();
  ASSERT_TRUE(whole);
  std::vector<double> t, v;
  noisetest::Unpack(whole.get(), &t, &v);
  const size_t i = wf_->segmentBlocks[1].firstScan - wf_->msInfo.firstScan + 6;
  STRUCT_PP_NOISE r;
  ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), nullptr, t[i], DATA_TYPE_TIC, nullptr, nullptr, nullptr, 0, nullptr,
                                        nullptr, 0, &r));
  const Worked w = BySelection(std::vector<double>(v.begin() + (i - 125), v.begin() + (i + 126)));
  EXPECT_EQ(+r.peakTime, t[i]);
  EXPECT_EQ(+r.noise, w.noise);
  EXPECT_EQ(+r.tail, w.tail);
  EXPECT_EQ(+r.stretchCentre, static_cast<int16_t>(w.centre));
  EXPECT_EQ(+r.stretchTimes[0], t[i - 125 + w.centre - 2]);
}

}  // namespace

namespace {

// A detector file has no segments: 50 points each side of the time's point.
TEST_F(PPNoiseTest, DetectorTracesAroundTheTimesPoint) {
  std::vector<double> t, v;
  noisetest::WorkFilePtr det = noisetest::DetectorRun(&t, &v);
  ASSERT_TRUE(det);
  for (size_t i : {400u, 1234u}) {
    const Worked w = BySelection(std::vector<double>(v.begin() + (i - 50), v.begin() + (i + 51)));
    STRUCT_PP_NOISE r;
    ASSERT_TRUE(KELT_CalPPNoiseForDisplay(det.get(), nullptr, t[i], DATA_TYPE_DETECTOR, nullptr, nullptr, nullptr, 0,
                                          nullptr, nullptr, 0, &r));
    EXPECT_EQ(+r.signal, v[i]);
    EXPECT_EQ(+r.noise, w.noise);
    EXPECT_EQ(+r.tail, w.tail);
    double signal, pp, tail;
    uint32_t centre;
    ASSERT_TRUE(KELT_GetSignalAndNoiseAndTail(det.get(), nullptr, DATA_TYPE_DETECTOR, nullptr, nullptr, nullptr, 0,
                                              nullptr, t[i], &signal, &pp, &tail, &centre, nullptr, nullptr));
    EXPECT_EQ(signal, v[i]);
    EXPECT_EQ(pp, w.noise);
    EXPECT_EQ(tail, w.tail);
    EXPECT_EQ(centre, w.centre);
  }
  double noise = 0;
  EXPECT_FALSE(
      KELT_CalPPNoiseForMSFile(det.get(), t[400], DATA_TYPE_DETECTOR, nullptr, nullptr, 0, 0, 0, nullptr, &noise));
}

// Groups of neighbouring segments that scan the listed channel, each measured at its middle.
TEST_F(PPNoiseTest, RangeModeTwoGroupsSegmentsScanningTheChannel) {
  MakeRun(4000, {{1.0, 1, ""}, {1.0, 2, ""}, {1.0, 2, ""}, {1.0, 1, ""}});
  STRUCT_CHAN_LIST second{};
  second.kind = CHAN_LIST_LISTED;
  second.count = 1;
  second.entries[0].low = second.entries[0].high = 1;
  const MS_SEGMENT_BLOCK &b1 = wf_->segmentBlocks[1], &b2 = wf_->segmentBlocks[2];
  const double inside = (b1.endTime - b1.startTime) / 2 + b1.startTime;
  // Two equal segments: the middle falls between them and moves to the nearer edge.
  const double between = (b2.endTime - b1.startTime) / 2 + b1.startTime;
  ASSERT_GT(between, +b1.endTime);
  ASSERT_LT(between, +b2.startTime);
  const double middle = TOL_GetSegmentTime(wf_.get(), between);
  double noise = -1;
  ASSERT_TRUE(KELT_NewCalPPNoiseForMSFile(wf_.get(), nullptr, inside, DATA_TYPE_TIC, nullptr, &second, nullptr, 0, 2, 0,
                                          nullptr, nullptr, 0, &noise));
  STRUCT_PP_NOISE r;
  ASSERT_TRUE(KELT_CalPPNoiseForDisplay(wf_.get(), nullptr, middle, DATA_TYPE_TIC, &second, nullptr, nullptr, 0,
                                        nullptr, nullptr, 0, &r));
  EXPECT_EQ(noise, +r.noise);
  ASSERT_TRUE(KELT_NewCalRMSNoiseForMSFile(wf_.get(), nullptr, inside, DATA_TYPE_TIC, nullptr, &second, nullptr, 0, 2,
                                           0, nullptr, nullptr, 0, &noise));
  STRUCT_RMS_NOISE rr;
  ASSERT_TRUE(KELT_NewCalRMSNoiseForDisplay(wf_.get(), nullptr, middle, DATA_TYPE_TIC, nullptr, &second, 0, nullptr, 0,
                                            0, 0, nullptr, nullptr, 0, &rr));
  EXPECT_EQ(noise, +rr.noise);
}

}  // namespace
