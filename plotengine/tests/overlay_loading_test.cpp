// Reloads for a new window, shown points, autoscale and values at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "plot_fixture.h"
#include "plotengine/plot_layout.h"
#include "plotengine/tests/synthetic_overlay.h"

namespace {

using LoadingTest = PlotRootTest;

void ExpectStrictlyRising(const std::vector<double>& t) {
  for (size_t i = 1; i < t.size(); ++i) ASSERT_LT(t[i - 1], t[i]) << "at " << i;
}

TEST_F(LoadingTest, ZoomInsideAFullyKeptTraceReadsNothing) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  STRUCT_NE_DATA_POINTS* before = o->slots[0].trace;
  const uint32_t count = before->pointCount;
  for (int form = 0; form < 2; ++form) {
    if (form == 0)
      OPLOT_UpdateOverlayPlots(o.get(), 5.0, 6.0);
    else
      OPLOT_NewUpdateOverlayPlots(o.get(), 5.0, 6.0);
    EXPECT_EQ(+o->slots[0].trace, before);
    EXPECT_EQ(+o->slots[0].trace->pointCount, count);
    EXPECT_DOUBLE_EQ(+o->tail.viewStart, 5.0);
    EXPECT_DOUBLE_EQ(+o->tail.viewEnd, 6.0);
    // First shown point is the last one before the window start; last shown the last before its end.
    const STRUCT_NE_POINT_BLOCK* b = before->points;
    const int32_t first = o->tail.firstShownIndex[0], last = o->tail.lastShownIndex[0];
    EXPECT_LT(+NePointAt(b, first)->time, 5.0);
    EXPECT_GE(+NePointAt(b, first + 1)->time, 5.0);
    EXPECT_LT(+NePointAt(b, last)->time, 6.0);
    EXPECT_GE(+NePointAt(b, last + 1)->time, 6.0);
    double lo = 1e300, hi = -1e300;
    for (int32_t k = first; k <= last; ++k) {
      lo = std::min(lo, NePointValue(b, k));
      hi = std::max(hi, NePointValue(b, k));
    }
    EXPECT_DOUBLE_EQ(+o->tail.minInView[0], lo);
    EXPECT_DOUBLE_EQ(+o->tail.maxInView[0], hi);
  }
}

TEST_F(LoadingTest, PanRightJoinsAPieceWithHalfAMinuteMargin) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath, 3.0, 6.0), 1);
  const double firstBefore = NePointAt(o->slots[0].trace->points, 0)->time;
  STRUCT_NE_DATA_POINTS* record = o->slots[0].trace;
  OPLOT_NewUpdateOverlayPlots(o.get(), 4.0, 7.0);
  ASSERT_EQ(+o->slots[0].trace, record);  // extended in place
  const auto times = TraceTimes(record);
  ExpectStrictlyRising(times);
  EXPECT_DOUBLE_EQ(times.front(), firstBefore);
  // The piece ends at the last scan at or before 7.5 minutes.
  STRUCT_NE_DATA_POINTS* direct = MakeDataPointsStruct(o->slots[0].workFile, 3.0, 7.5, 40000, 0, 0, nullptr, nullptr);
  ASSERT_TRUE(direct);
  EXPECT_EQ(TraceTimes(direct), times);
  EXPECT_DOUBLE_EQ(+record->endTime, times.back());
  for (uint32_t i = 0; i < direct->pointCount; ++i)
    EXPECT_DOUBLE_EQ(NePointValue(record->points, i), NePointValue(direct->points, i));
  EXPECT_EQ(+record->points->lastScan, +direct->points->lastScan);
  EXPECT_EQ(+record->lastPoint, +direct->lastPoint);
  FreeDataPointsStruct(direct);
  // Panning left too: the earlier piece goes in front.
  OPLOT_NewUpdateOverlayPlots(o.get(), 2.2, 5.0);
  const auto wider = TraceTimes(o->slots[0].trace);
  ExpectStrictlyRising(wider);
  EXPECT_LT(wider.front(), 2.2);
  EXPECT_EQ(+o->tail.inViewCount, 1);
}

// In a segment of two scan functions a point adds up a cycle's two scans,
// and a window's edge may fall between them. However the trace is panned,
// it holds what one read of its span gives: no cycle's scans counted twice
// or only in part inside it (its last point may end with the last window).
TEST_F(LoadingTest, PannedTraceOfCyclesHoldsWhatOneReadOfItsSpanGives) {
  WriteMsRun();
  struct Case {
    double start, end;
    std::vector<std::pair<double, double>> pans;
  } cases[] = {
      {8.013, 9.021, {{8.51, 9.64}, {7.53, 9.0}, {7.1, 8.2}}},
      {9.52, 10.01, {{8.987, 9.6}, {9.9, 10.7}}},
      {6.2, 7.31, {{6.9, 8.05}, {5.2, 6.5}}},  // across the change of segment
  };
  for (const Case& c : cases) {
    auto o = NewOverlay();
    ASSERT_EQ(AddTic(o.get(), 0, kMsPath, c.start, c.end), 1);
    for (const auto& [a, b] : c.pans) {
      OPLOT_NewUpdateOverlayPlots(o.get(), a, b);
      const STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
      const auto times = TraceTimes(dp);
      ASSERT_GE(times.size(), 2u);
      STRUCT_NE_DATA_POINTS* one =
          MakeDataPointsStruct(o->slots[0].workFile, times.front(), times.back(), 40000, 0, 0, nullptr, nullptr);
      ASSERT_TRUE(one);
      const auto oneTimes = TraceTimes(one);
      ASSERT_EQ(oneTimes, times) << c.start << " pan " << a << "-" << b;
      for (uint32_t i = 0; i + 1 < one->pointCount; ++i)
        ASSERT_EQ(NePointValue(dp->points, i), NePointValue(one->points, i))
            << c.start << " pan " << a << "-" << b << " at " << times[i];
      EXPECT_EQ(+dp->points->firstScan, +one->points->firstScan);
      EXPECT_EQ(+dp->points->lastScan, +one->points->lastScan);
      EXPECT_EQ(+dp->firstPoint, +one->firstPoint);
      EXPECT_EQ(+dp->lastPoint, +one->lastPoint);
      EXPECT_EQ(GetBlockSize(dp->points), GetBlockSize(one->points));
      FreeDataPointsStruct(one);
    }
  }
}

TEST_F(LoadingTest, PanOnADetectorTraceKeepsItWithinTheLimit) {
  WriteDetector();
  auto o = NewOverlay();
  ASSERT_EQ(AddDetector(o.get(), 0, kDetPath, 2.0, 4.0), 1);
  OPLOT_NewUpdateOverlayPlots(o.get(), 3.0, 5.0);
  const auto times = TraceTimes(o->slots[0].trace);
  ExpectStrictlyRising(times);
  EXPECT_LE(times.front(), 3.0);
  EXPECT_GE(times.back(), 5.0);
  EXPECT_LE(+o->slots[0].trace->pointCount, uint32_t{OVERLAY_MAX_POINTS});
}

TEST_F(LoadingTest, WindowMissingAFileTakesItOutOfView) {
  WriteMsRun();
  WriteDetector();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddDetector(o.get(), 1, kDetPath), 1);
  OPLOT_NewUpdateOverlayPlots(o.get(), 0.6, 1.5);  // before the MS run starts
  EXPECT_EQ(+o->tail.inView[0], 0);
  EXPECT_EQ(+o->tail.attached[0], 1);
  EXPECT_EQ(+o->tail.inView[1], 1);
  OPLOT_UpdateOverlayPlots(o.get(), 11.0, 11.5);  // after the detector run ends
  EXPECT_EQ(+o->tail.inView[1], 0);
  EXPECT_EQ(+o->tail.attached[1], 1);
  EXPECT_EQ(+o->tail.inView[0], 1);
  EXPECT_EQ(+o->tail.inViewCount, 1);
}

TEST_F(LoadingTest, SlotWhoseFileDisappearsIsDetached) {
  WriteDetector();
  WriteMsRun("C:\\Data\\other.kms");
  auto o = NewOverlay();
  ASSERT_EQ(AddDetector(o.get(), 0, kDetPath, 3.0, 4.0), 1);
  ASSERT_EQ(AddTic(o.get(), 1, "C:\\Data\\other.kms", 3.0, 4.0), 1);
  std::filesystem::remove(Host("c/Data/det.dat"));
  // Far from the kept trace: it must be read anew, and cannot be.
  OPLOT_NewUpdateOverlayPlots(o.get(), 9.0, 10.0);
  EXPECT_EQ(+o->slots[0].workFile, nullptr);
  EXPECT_EQ(+o->slots[0].filePresent, 0);
  EXPECT_EQ(+o->tail.attached[0], 0);
  EXPECT_EQ(+o->head.shown[0], 0);
  EXPECT_EQ(+o->tail.attachedCount, 1);
  EXPECT_EQ(+o->head.shownCount, 1);
  EXPECT_EQ(+o->tail.inView[1], 1);
  EXPECT_EQ(AddTic(o.get(), 0, "C:\\Data\\other.kms"), 1);  // the slot is free again
}

TEST_F(LoadingTest, LiveRunWrittenInTwoStepsIsExtendedToItsNewEnd) {
  msfix::RunPlan plan;
  plan.live = true;
  plan.scans = 301;
  plan.endTime = 7.0;
  plan.segments = {{1.0, 1, ""}};
  ASSERT_TRUE(msfix::WriteMsDataFile(kLivePath, plan, nullptr));
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kLivePath), 1);
  STRUCT_WORK_FILE* wf = o->slots[0].workFile;
  ASSERT_EQ(+wf->live, 1);
  EXPECT_EQ(+o->slots[0].trace->pointCount, 301u);
  // The acquisition goes on: same scan rate, now to 12 minutes.
  plan.scans = 601;
  plan.endTime = 12.0;
  ASSERT_TRUE(msfix::WriteMsDataFile(kLivePath, plan, nullptr));
  STRUCT_WORK_FILE* grown = MakeWorkFileStruct(kLivePath, 0);
  ASSERT_TRUE(grown);
  wf->endTime = grown->endTime;  // the host follows the run's end
  FreeWorkFileStruct(grown);
  OPLOT_NewUpdateOverlayPlots(o.get(), 2.0, 12.0);
  const auto times = TraceTimes(o->slots[0].trace);
  ExpectStrictlyRising(times);
  EXPECT_EQ(times.size(), 601u);
  EXPECT_NEAR(times.back(), 12.0, 1e-6);
  EXPECT_EQ(+o->slots[0].trace->wholeFile, 0);  // a live file is never whole
}

TEST_F(LoadingTest, ExactlyFortyThousandPointsAreKeptOnlyForTheSameWindow) {
  msfix::DetectorPlan plan;
  plan.points = 60000;
  ASSERT_TRUE(msfix::WriteDetectorFile(kDetPath, plan, nullptr));
  auto o = NewOverlay();
  ASSERT_EQ(AddDetector(o.get(), 0, kDetPath, 1.0, 9.0), 1);
  STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
  ASSERT_EQ(+dp->pointCount, uint32_t{OVERLAY_MAX_POINTS});
  ASSERT_GT(+dp->step, 1.0);
  const double s = dp->startTime, e = dp->endTime;
  OPLOT_UpdateOverlayPlots(o.get(), s, e);
  EXPECT_EQ(+o->slots[0].trace, dp);  // same window: kept
  OPLOT_NewUpdateOverlayPlots(o.get(), s, e);
  EXPECT_EQ(+o->slots[0].trace, dp);
  OPLOT_UpdateOverlayPlots(o.get(), s + 1.0, e - 1.0);  // a zoom reads anew
  EXPECT_NE(+o->slots[0].trace, dp);
  EXPECT_EQ(+o->tail.inView[0], 1);
}

// ---- Vertical ranges ---------------------------------------------------------------

struct RangeCase {
  bool ms;
  double expectLow, expectHigh;
};

TEST_F(LoadingTest, FlatTraceGetsTheFloorMargin) {
  WriteMsRun();
  WriteDetector();
  for (const RangeCase& c : {RangeCase{true, 97.5, 102.5}, RangeCase{false, 100 - 5e-8, 100 + 5e-8}}) {
    auto o = NewOverlay();
    o->head.displayMode = OVERLAY_MODE_OVERLAID;
    ASSERT_EQ(c.ms ? AddTic(o.get(), 0, kMsPath) : AddDetector(o.get(), 0, kDetPath), 1);
    o->tail.minInView[0] = o->tail.maxInView[0] = 100.0;
    OPLOT_SetVerticalFullScale(o.get(), 1, 1);
    EXPECT_DOUBLE_EQ(+o->tail.scales.commonLow, c.expectLow);
    EXPECT_DOUBLE_EQ(+o->tail.scales.commonHigh, c.expectHigh);
  }
}

TEST_F(LoadingTest, MarginIsOneTwentiethAndOffsetsShiftTheRange) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath), 1);
  o->tail.minInView[0] = 1000;
  o->tail.maxInView[0] = 3000;
  o->tail.minInView[1] = 500;
  o->tail.maxInView[1] = 2000;
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);  // mode 0
  EXPECT_DOUBLE_EQ(+o->tail.scales.plotLow[0], 900);
  EXPECT_DOUBLE_EQ(+o->tail.scales.plotHigh[0], 3100);
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  o->tail.verticalOffsetsOn = 1;
  o->tail.verticalOffsets[1] = -1000;
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  EXPECT_DOUBLE_EQ(+o->tail.scales.commonLow, -500 - 175);
  EXPECT_DOUBLE_EQ(+o->tail.scales.commonHigh, 3000 + 175);
  o->head.displayMode = OVERLAY_MODE_NORMALISED;
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  EXPECT_DOUBLE_EQ(+o->tail.scales.commonLow, -5.0);
  EXPECT_DOUBLE_EQ(+o->tail.scales.commonHigh, 105.0);
  EXPECT_DOUBLE_EQ(+o->tail.scales.plotLow[1], -500 - 75);
}

TEST_F(LoadingTest, NoSlotInViewGivesTheDefaultRange) {
  auto o = NewOverlay();
  double lo = 0, hi = 0;
  OPLOT_AutoScaleOneVert(o.get(), &lo, &hi);
  EXPECT_DOUBLE_EQ(lo, -2.5);
  EXPECT_DOUBLE_EQ(hi, 7.5);
}

TEST_F(LoadingTest, TwoScalesTakeOnlyLaterSlotsOfTheSameUnits) {
  WriteMsRun();
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_TWO_SCALES;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);                       // same units, before: not taken in
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath), 1);                       // the left-axis plot
  ASSERT_EQ(AddTic(o.get(), 2, kMsPath), 1);                       // same units, after: taken in
  ASSERT_EQ(AddTic(o.get(), 3, kMsPath, 0, 0, "counts"), 1);       // other units (case): the right scale
  const double mins[] = {0, 1000, 2000, 10}, maxs[] = {100000, 2000, 4000, 20};
  for (int i = 0; i < 4; ++i) {
    o->tail.minInView[i] = mins[i];
    o->tail.maxInView[i] = maxs[i];
  }
  o->tail.scales.leftAxisPlot = 1;
  o->tail.scales.rightAxisPlot = 3;
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  EXPECT_DOUBLE_EQ(+o->tail.scales.commonLow, 1000 - 150);
  EXPECT_DOUBLE_EQ(+o->tail.scales.commonHigh, 4000 + 150);
  EXPECT_DOUBLE_EQ(+o->tail.scales.rightLow, 10 - 2.5);
  EXPECT_DOUBLE_EQ(+o->tail.scales.rightHigh, 20 + 2.5);

  // Range and factor of a slot follow one units rule.
  STRUCT_OPLOT_PLOT_PARAMS params{};
  OPLOT_InitPlotParams(&params, 0, 0, 400, 600, 0, 8, 16);
  STRUCT_OVER_SIZES sizes{};
  OPLOT_CalculateSizes(o.get(), &params, &sizes, 0, -1, -1);
  for (int16_t slot : {int16_t{2}, int16_t{3}}) {
    double lo = 0, hi = 0, f = 0;
    ASSERT_EQ(OPLOT_GetVerticalScaleValues(o.get(), &sizes, slot, 0, &lo, &hi), 1);
    ASSERT_EQ(OPLOT_GetYMult(o.get(), &sizes, slot, &f), 1);
    EXPECT_NEAR(f * (hi - lo), +sizes.overlaidPlotHeight, 1e-9) << slot;
  }
}

TEST_F(LoadingTest, NormalisedFlatSlotHasAZeroRange) {
  WriteMsRun();
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_NORMALISED;
  const double t = msTruth_.scanTimes[50];
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath, t, t), 1);  // one point
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  double lo = 0, hi = 0;
  ASSERT_EQ(OPLOT_GetMinAndMaxForNorm(o.get(), 0, 0, &lo, &hi), 1);
  EXPECT_DOUBLE_EQ(hi - lo, 5.0);  // the floor margin on both sides
  STRUCT_OPLOT_PLOT_PARAMS params{};
  OPLOT_InitPlotParams(&params, 0, 0, 400, 600, 0, 8, 16);
  STRUCT_OVER_SIZES sizes{};
  OPLOT_CalculateSizes(o.get(), &params, &sizes, 0, -1, -1);
  EXPECT_TRUE(std::isfinite(+sizes.plotYFactors[0]));
}

// Times within 1e-8 of a point are that point's time: the point itself is
// returned, never the next one or a value interpolated towards it.
TEST_F(LoadingTest, ValuesAtATimeTakeNearlyEqualTimesAsEqual) {
  auto o = NewOverlay();
  SyntheticTrace tr;
  tr.times = {1.0, 2.0, 3.0, 4.0};
  tr.values = {10.0, 20.0, 40.0, 80.0};
  FillSyntheticSlot(o.get(), 0, tr, 0, 100);
  struct Case {
    double time, expectTime, expectValue;
  } cases[] = {
      {2.0 + 5e-9, 2.0, 20.0},  // just past a point
      {2.0 - 5e-9, 2.0, 20.0},  // just before it
      {4.0 + 5e-9, 4.0, 80.0},  // just past the last shown point: still in view
      {2.5, 2.5, 30.0},         // between points: interpolated
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.time);
    double t = 0, v = 0;
    ASSERT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, k.time, &t, &v), 1);
    EXPECT_DOUBLE_EQ(t, k.expectTime);
    EXPECT_DOUBLE_EQ(v, k.expectValue);
  }
  double t = 0, v = 0;
  EXPECT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, 4.0 + 1e-6, &t, &v), 0);
}

// The shown points run from the last point before the window's start to
// the last before its end, walking from the front: a point out of time
// order ends the walk as it is met, and the extremes are those of the
// points walked, whatever lies behind.
TEST_F(LoadingTest, ShownPointsAreWalkedFromTheFront) {
  struct Case {
    std::vector<double> times;
    double start, end;
    int32_t first, last;
    double low, high;
  } cases[] = {
      {{1, 2, 3, 4, 5, 6}, 2.5, 4.5, 1, 3, 1, 9},
      {{1, 2, 5, 3, 4, 6}, 2.5, 4.5, 1, 1, 1, 1},    // 5 ends the walk: 3 and 4 are not shown
      {{1, 3, 2, 4, 5, 6}, 2.5, 4.5, 0, 3, 1, 9},    // 3 ends the walk to the start
      {{1, 2, 3}, 1.5, 10.0, 0, 2, 1, 9},            // past the last point: all to the last
      {{3, 4, 5, 6}, 1.0, 4.5, 0, 1, 1, 5},          // nothing before the start
      {{1, 2, 3, 4, 5, 6}, 4.5, 3.5, 3, 3, 2, 2},    // turned round: the first shown point alone
  };
  const std::vector<double> values = {5, 1, 9, 2, 7, 3};
  for (const Case& c : cases) {
    auto o = NewOverlay();
    SyntheticTrace tr;
    tr.times = c.times;
    tr.values.assign(values.begin(), values.begin() + static_cast<long>(c.times.size()));
    FillSyntheticSlot(o.get(), 0, tr, 0.0, 10.0);
    OPLOT_SetOverlayData(o.get(), c.start, c.end);
    const std::string at = std::to_string(c.start) + "-" + std::to_string(c.end) + " of " +
                           std::to_string(c.times.size()) + " points, third at " + std::to_string(c.times[2]);
    EXPECT_EQ(+o->tail.inView[0], 1) << at;
    EXPECT_EQ(+o->tail.firstShownIndex[0], c.first) << at;
    EXPECT_EQ(+o->tail.lastShownIndex[0], c.last) << at;
    EXPECT_DOUBLE_EQ(+o->tail.firstShownTime[0], c.times[c.first]) << at;
    EXPECT_DOUBLE_EQ(+o->tail.lastShownTime[0], c.times[c.last]) << at;
    EXPECT_DOUBLE_EQ(+o->tail.minInView[0], c.low) << at;
    EXPECT_DOUBLE_EQ(+o->tail.maxInView[0], c.high) << at;
  }
}

TEST_F(LoadingTest, ValuesAtATime) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  OPLOT_SetOverlayData(o.get(), 4.0, 8.0);
  const STRUCT_NE_POINT_BLOCK* b = o->slots[0].trace->points;
  const int32_t k = o->tail.firstShownIndex[0] + 10;
  const double t0 = NePointAt(b, k)->time, t1 = NePointAt(b, k + 1)->time;
  const double v0 = NePointValue(b, k), v1 = NePointValue(b, k + 1);
  double t = 0, v = 0;
  ASSERT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, 0.25 * t0 + 0.75 * t1, &t, &v), 1);
  EXPECT_DOUBLE_EQ(t, 0.25 * t0 + 0.75 * t1);
  EXPECT_NEAR(v, 0.25 * v0 + 0.75 * v1, 1e-6 * std::max(1.0, std::fabs(v1)));
  ASSERT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, t1, &t, &v), 1);
  EXPECT_DOUBLE_EQ(t, t1);
  EXPECT_DOUBLE_EQ(v, v1);
  EXPECT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, 9.0, &t, &v), 0);  // after the shown points
  // Group start: a point just after the time snaps back to the point before.
  ASSERT_EQ(OPLOT_GetPlotDataAndTimeFromGroupStart(o.get(), 0, t0 + 0.00005, &t, &v), 1);
  EXPECT_DOUBLE_EQ(t, t0);
  ASSERT_EQ(OPLOT_GetPlotDataAndTimeFromGroupStart(o.get(), 0, t0 + 0.5 * (t1 - t0), &t, &v), 1);
  EXPECT_DOUBLE_EQ(t, t1);
  o->head.shown[0] = 0;
  EXPECT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 0, t1, &t, &v), 0);
}

}  // namespace

namespace {

TEST_F(LoadingTest, ExtensionPastTheLimitReadsTheWindowAnew) {
  msfix::DetectorPlan plan;
  plan.points = 60000;  // 6,000 points a minute
  ASSERT_TRUE(msfix::WriteDetectorFile(kDetPath, plan, nullptr));
  auto o = NewOverlay();
  ASSERT_EQ(AddDetector(o.get(), 0, kDetPath, 1.0, 6.0), 1);
  ASSERT_DOUBLE_EQ(+o->slots[0].trace->step, 1.0);
  // Joining 2.5 more minutes would make 45,000 points.
  OPLOT_NewUpdateOverlayPlots(o.get(), 2.0, 8.0);
  const STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
  EXPECT_LE(+dp->pointCount, uint32_t{OVERLAY_MAX_POINTS});
  EXPECT_GT(+dp->step, 1.0);
  const auto times = TraceTimes(dp);
  EXPECT_LE(times.front(), 2.0);
  EXPECT_GE(times.back(), 8.0);
}

TEST_F(LoadingTest, ExtendedTraceDropsItsStaleProcessedCopy) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath, 3.0, 6.0), 1);
  STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
  const uint32_t n = dp->pointCount;
  dp->filtered = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + n * NE_POINT_SIZE));
  std::memcpy(dp->filtered, dp->points, NE_POINT_BLOCK_HEAD + n * NE_POINT_SIZE);
  dp->filteredCount = n;
  OPLOT_NewUpdateOverlayPlots(o.get(), 3.5, 5.5);  // inside: kept with its copy
  EXPECT_NE(+dp->filtered, nullptr);
  OPLOT_NewUpdateOverlayPlots(o.get(), 4.0, 7.0);  // extended: the copy no longer matches
  EXPECT_EQ(+o->slots[0].trace, dp);
  EXPECT_EQ(+dp->filtered, nullptr);
  EXPECT_EQ(+dp->filteredCount, 0u);
  EXPECT_GT(+dp->pointCount, n);
}

}  // namespace
