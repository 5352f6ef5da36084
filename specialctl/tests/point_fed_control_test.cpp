// The point-fed control driven by a host's messages: slots opened by title,
// a noisy acquisition fed point by point and in batches, the filtered trace
// and the apex label after every point, growth of the point blocks, the
// display toggles and the bad input a host may send.
#include "specialctl/point_fed_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "specialctl/point_smoothing.h"
#include "specialctl/tests/host_window.h"
#include "testing/golden_window.h"
#include "win/win_script.h"

namespace {

class PointFedControlTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    host = std::make_unique<HostWindow>();
    w = CreateWindowExA(0, "KELT_OP4", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 400, host->hwnd,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(7)), nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    c = static_cast<CCtlOPlot4*>(static_cast<CCtlOPlot*>(GetPropA(w, "X")));
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->m_pOverlay, nullptr);
  }
  void TearDown() override {
    if (IsWindow(w)) DestroyWindow(w);
    host.reset();
    win::script::PumpUntilIdle();
    KeltRootTest::TearDown();
  }
  void NewPlots(double start, double end, const char* axis = "Time") {
    STRUCT_OP4_NEW_PLOTS r{};
    r.startTime = start;
    r.endTime = end;
    std::snprintf(r.axisText, sizeof r.axisText, "%s", axis);
    SendMessageA(w, OP4M_NEWPLOTS, 0, reinterpret_cast<LPARAM>(&r));
  }
  void Title(int slot, const char* title) { SendMessageA(w, OP4M_NEWTITLE, WPARAM(slot), LPARAM(title)); }
  LRESULT Point(int slot, double x, double y, WPARAM mode = 0, int16_t unit = 0) {
    STRUCT_OP4_POINT p{int16_t(slot), unit, x, y};
    return SendMessageA(w, OP4M_NEWRAWPOINT, mode, reinterpret_cast<LPARAM>(&p));
  }
  // Whether the window has something to repaint, after clearing it.
  bool RepaintAsked() {
    RECT r{};
    const bool asked = GetUpdateRect(w, &r, FALSE) != 0;
    ValidateRect(w, nullptr);
    return asked;
  }
  STRUCT_NE_DATA_POINTS* Trace(int slot) const { return c->m_pOverlay->slots[slot].trace; }
  int Labels(int slot, int type = MAXIMUM_LABEL_KIND) const {
    int n = 0;
    for (short i = 0; i < c->m_pLabels->Capacity(); ++i) {
      const CLabelInfo* l = c->m_pLabels->Label(i);
      if (l && l->m_plot == slot && l->m_type == type) ++n;
    }
    return n;
  }
  const CLabelInfo* MaxLabel(int slot) const {
    for (short i = 0; i < c->m_pLabels->Capacity(); ++i) {
      const CLabelInfo* l = c->m_pLabels->Label(i);
      if (l && l->m_plot == slot && l->m_type == MAXIMUM_LABEL_KIND) return l;
    }
    return nullptr;
  }
  void FilteringOn(int16_t width) {
    c->m_filtering[0] = 2;
    c->m_filtering[2] = width;
    c->UpdateAfterPreferenceChange(0, 1);
  }

  std::unique_ptr<HostWindow> host;
  HWND w = nullptr;
  CCtlOPlot4* c = nullptr;
};

// A run as a detector delivers it: jittered times, a drifting baseline,
// a broad and a narrow peak, noise.
std::vector<std::pair<double, double>> Acquisition(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 120.0);
  std::uniform_real_distribution<double> jitter(-0.2, 0.2);
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < n; ++i) {
    const double t = 2.0 + (i + jitter(rng)) * 0.02;
    const double y = 900 + 35 * t + 4.0e4 * std::exp(-0.5 * std::pow((t - 2.9) / 0.25, 2)) +
                     2.5e4 * std::exp(-0.5 * std::pow((t - 3.6) / 0.04, 2)) + noise(rng);
    points.push_back({t, y});
  }
  return points;
}

TEST_F(PointFedControlTest, PointsAreSmoothedAndTheFilteredApexIsLabelled) {
  FilteringOn(2);
  NewPlots(2.0, 4.0, "Time (min)");
  Title(0, "Detector A");
  EXPECT_STREQ(+c->m_pOverlay->slots[0].title, "Detector A");
  EXPECT_STREQ(+c->m_pOverlay->head.timeUnit, "Time (min)");
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 1);
  EXPECT_EQ(+c->m_pOverlay->tail.attachedCount, 1);
  EXPECT_EQ(+c->m_pOverlay->head.displayMode, OVERLAY_MODE_OVERLAID);
  EXPECT_EQ(c->RawCapacity(0), 2000u);

  const auto run = Acquisition(120, 3);
  for (size_t i = 0; i < run.size(); ++i) {
    Point(0, run[i].first, run[i].second);
    if (i == 3) {
      // Up to four points nothing is smoothed and nothing labelled.
      EXPECT_EQ(+Trace(0)->filteredCount, 0u);
      EXPECT_EQ(Labels(0), 0);
    }
  }
  STRUCT_NE_DATA_POINTS* dp = Trace(0);
  ASSERT_EQ(+dp->pointCount, run.size());
  ASSERT_EQ(+dp->filteredCount, run.size());
  EXPECT_EQ(+c->m_pOverlay->tail.inViewCount, 1);
  EXPECT_EQ(+c->m_pOverlay->tail.lastShownIndex[0], int32_t(run.size() - 1));
  EXPECT_EQ(c->m_hasData, 1);

  // The filtered trace is the smoothing of the raw points with the width in force.
  std::vector<uint8_t> expected(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * run.size());
  auto* e = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(expected.data());
  SmoothPlotPoints(dp->points, e, dp->pointCount, 2, SMOOTH_KERNEL_GAUSSIAN);
  uint32_t top = 0;
  for (uint32_t i = 0; i < dp->pointCount; ++i) {
    EXPECT_EQ(+NePointAt(+dp->filtered, i)->value.d, +NePointAt(e, i)->value.d) << i;
    if (NePointAt(e, i)->value.d > NePointAt(e, top)->value.d) top = i;
  }
  // The label sits at the parabola apex of the five filtered points around the maximum.
  double x[5], y[5];
  for (int k = 0; k < 5; ++k) {
    x[k] = NePointAt(e, top - 2 + k)->time;
    y[k] = NePointAt(e, top - 2 + k)->value.d;
  }
  const double apex = FitParabolaApex5(x, y);
  ASSERT_EQ(Labels(0), 1);
  const CLabelInfo* label = MaxLabel(0);
  char text[32];
  std::snprintf(text, sizeof text, " %.2lf", apex);
  ASSERT_NE(label->m_text, nullptr);
  EXPECT_EQ(std::string(label->m_text->text, size_t(label->m_text->length)), text);
  EXPECT_DOUBLE_EQ(label->m_labelX, apex);
  EXPECT_DOUBLE_EQ(label->m_labelY, +NePointAt(e, top)->value.d);
  EXPECT_NEAR(apex, 2.9, 0.1);

  // A wider filter smooths the same points anew.
  FilteringOn(5);
  SmoothPlotPoints(dp->points, e, dp->pointCount, 5, SMOOTH_KERNEL_GAUSSIAN);
  EXPECT_EQ(+NePointAt(+dp->filtered, 60)->value.d, +NePointAt(e, 60)->value.d);
  // Filtering off removes the label.
  c->m_filtering[0] = 0;
  c->UpdateAfterPreferenceChange(0, 1);
  EXPECT_EQ(Labels(0), 0);
}

TEST_F(PointFedControlTest, DuplicatesAreIgnoredLatePointsSortedAndBlocksGrow) {
  NewPlots(0, 10);
  Title(1, "slot 1");
  Point(1, 1.0, 10);
  Point(1, 2.0, 20);
  Point(1, 2.0, 99);  // same time: ignored
  Point(1, 1.5, 15);  // late: sorted in
  STRUCT_NE_DATA_POINTS* dp = Trace(1);
  ASSERT_EQ(+dp->pointCount, 3u);
  EXPECT_EQ(+NePointAt(+dp->points, 1)->time, 1.5);
  EXPECT_EQ(+NePointAt(+dp->points, 2)->value.d, 20.0);
  EXPECT_EQ(c->m_latestTime[1], 2.0);

  // A batch out of order, with a time already present and one repeated,
  // is put in order and each time kept once (the earlier point wins).
  std::vector<STRUCT_OP4_POINT> mixed = {{1, 0, 2.5, 25}, {1, 0, 1.5, 99}, {1, 0, 0.5, 5}, {1, 0, 2.5, 26}};
  SendMessageA(w, OP4M_NEWRAWPOINTS, mixed.size(), reinterpret_cast<LPARAM>(mixed.data()));
  dp = Trace(1);
  ASSERT_EQ(+dp->pointCount, 5u);
  const double times[] = {0.5, 1.0, 1.5, 2.0, 2.5};
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(+NePointAt(dp->points, i)->time, times[i]);
  EXPECT_EQ(+NePointAt(dp->points, 2)->value.d, 15.0);
  EXPECT_EQ(+NePointAt(dp->points, 4)->value.d, 25.0);
  SendMessageA(w, OP4M_CLEARPLOT, 1, 0);
  Title(1, "slot 1");
  Point(1, 1.0, 10);
  Point(1, 1.5, 15);
  Point(1, 2.0, 20);

  // A batch fills the block; the next single point grows both blocks by 2,000.
  std::vector<STRUCT_OP4_POINT> batch;
  for (int i = 0; i < 1997; ++i) batch.push_back({1, 0, 3.0 + i * 0.003, 100.0 + (i % 17)});
  SendMessageA(w, OP4M_NEWRAWPOINTS, batch.size(), reinterpret_cast<LPARAM>(batch.data()));
  ASSERT_EQ(+Trace(1)->pointCount, 2000u);
  EXPECT_EQ(c->RawCapacity(1), 2000u);
  Point(1, 9.5, 50);
  dp = Trace(1);
  ASSERT_EQ(+dp->pointCount, 2001u);
  EXPECT_EQ(c->RawCapacity(1), 4000u);
  EXPECT_EQ(c->FilteredCapacity(1), 4000u);
  EXPECT_EQ(+NePointAt(+dp->points, 2000)->time, 9.5);
  EXPECT_EQ(+NePointAt(+dp->points, 3)->time, 3.0);
  EXPECT_EQ(+dp->filteredCount, 2001u);
}

TEST_F(PointFedControlTest, RepaintsOnlyWhenAPointIsWorthIt) {
  NewPlots(0, 10);
  Title(0, "A");
  win::script::PumpUntilIdle();
  RepaintAsked();
  Point(0, 1.0, 5);
  EXPECT_FALSE(RepaintAsked()) << "first point";
  Point(0, 1.1, 6);
  EXPECT_TRUE(RepaintAsked());
  for (int i = 2; i < 30; ++i) {
    Point(0, 1.0 + i * 0.1, 5 + i, 1);
    EXPECT_FALSE(RepaintAsked()) << "wParam nonzero never repaints";
  }
}

TEST_F(PointFedControlTest, LabelsNeedTwoFilteredPointsOnEachSideOfTheMaximum) {
  FilteringOn(1);
  NewPlots(0, 10);
  Title(0, "A");
  // Falling values: the maximum is the first point.
  for (int i = 0; i < 12; ++i) Point(0, i * 0.5, 1000.0 - i * 50);
  EXPECT_EQ(+Trace(0)->filteredCount, 12u);
  EXPECT_EQ(Labels(0), 0);
  // A saturated detector: a flat top of equal values. The apex label stays
  // on the plateau with a finite time.
  NewPlots(0, 10);
  Title(0, "A");
  for (int i = 0; i < 60; ++i) {
    const double t = i * 0.1;
    Point(0, t, std::min(5.0e4, 2.0e5 * std::exp(-0.5 * std::pow((t - 3.0) / 0.8, 2))));
  }
  ASSERT_EQ(Labels(0), 1);
  const CLabelInfo* label = MaxLabel(0);
  EXPECT_TRUE(std::isfinite(label->m_labelX));
  EXPECT_GE(label->m_labelX, 1.5);
  EXPECT_LE(label->m_labelX, 4.5);
  ASSERT_NE(label->m_text, nullptr);
  EXPECT_EQ(std::string(label->m_text->text).find("nan"), std::string::npos);
  // Sub-level set: raw points are stored but neither smoothed nor labelled.
  SendMessageA(w, OP4M_SETSUBLEVEL, 1, 0);
  NewPlots(0, 10);
  Title(0, "A");
  for (int i = 0; i < 20; ++i) Point(0, i * 0.1, 10 + (i == 10 ? 50 : 0));
  EXPECT_EQ(+Trace(0)->pointCount, 20u);
  EXPECT_EQ(+Trace(0)->filteredCount, 0u);
  EXPECT_EQ(Labels(0), 0);
}

TEST_F(PointFedControlTest, BadInputChangesNothing) {
  NewPlots(0, 10);
  Title(0, "A");
  // Slots outside 0..19, a missing record, points for slots never opened.
  for (int slot : {-1, 20, 25, 32767}) {
    EXPECT_EQ(Point(slot, 1, 1), 0);
    Title(slot, "x");
  }
  EXPECT_EQ(SendMessageA(w, OP4M_NEWRAWPOINT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(w, OP4M_NEWTITLE, 3, 0), 0);
  Point(5, 1, 1);
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 1);
  // Points without a finite time or value are refused.
  Point(0, NAN, 1);
  Point(0, 1, INFINITY);
  EXPECT_EQ(+Trace(0)->pointCount, 0u);
  // A title longer than the slot's room is cut, not overrun.
  const std::string longTitle(5000, 'T');
  Title(2, longTitle.c_str());
  EXPECT_EQ(std::strlen(+c->m_pOverlay->slots[2].title), size_t(OVERLAY_TITLE_SIZE - 1));
  // A slot opened a second time starts afresh (the old blocks are freed).
  Point(2, 1, 1);
  Point(2, 2, 2);
  Title(2, "again");
  EXPECT_EQ(+Trace(2)->pointCount, 0u);
  EXPECT_STREQ(+c->m_pOverlay->slots[2].title, "again");
  EXPECT_EQ(+c->m_pOverlay->head.shownCount, 2);
  // A batch too large for a block is refused before any record is read.
  STRUCT_OP4_POINT one{0, 0, 1.0, 1.0};
  SendMessageA(w, OP4M_NEWRAWPOINTS, 0x7FFFFFFF, reinterpret_cast<LPARAM>(&one));
  EXPECT_EQ(+Trace(0)->pointCount, 0u);
  // A range before any slot has points does nothing.
  NewPlots(0, 10);
  Title(0, "A");
  const double range[2] = {3, 4};
  SendMessageA(w, OP4M_NEWRANGE, 0, reinterpret_cast<LPARAM>(range));
  EXPECT_EQ(+c->m_pOverlay->tail.viewStart, 0.0);
  EXPECT_EQ(+c->m_pOverlay->tail.viewEnd, 10.0);
}

TEST_F(PointFedControlTest, ClearPlotRangeUnitsAndDisplayToggles) {
  NewPlots(0, 10);
  Title(0, "A");
  Title(1, "B");
  for (int i = 0; i < 20; ++i) {
    Point(0, 1 + i * 0.2, 100 + i, 0, i == 19 ? 1 : 0);
    Point(1, 1 + i * 0.2, 300 - i);
  }
  EXPECT_STREQ(+c->m_pOverlay->head.timeUnit, "m/z");
  const double range[2] = {2, 3};
  SendMessageA(w, OP4M_NEWRANGE, 0, reinterpret_cast<LPARAM>(range));
  EXPECT_EQ(c->m_startTime, 2.0);
  EXPECT_EQ(c->m_endTime, 3.0);
  EXPECT_EQ(+Trace(1)->endTime, 3.0);

  struct Toggle {
    int command;
    int16_t before, after;
  } toggles[] = {{OP4_CMD_STACKED, OVERLAY_MODE_OVERLAID, OVERLAY_MODE_STACKED},
                 {OP4_CMD_STACKED, OVERLAY_MODE_STACKED, OVERLAY_MODE_OVERLAID},
                 {OP4_CMD_NORMALIZED, OVERLAY_MODE_STACKED, OVERLAY_MODE_NORMALISED},
                 {OP4_CMD_NORMALIZED, OVERLAY_MODE_NORMALISED, OVERLAY_MODE_OVERLAID},
                 {OPLOT_CMD_FULL_SCALE, OVERLAY_MODE_NORMALISED, OVERLAY_MODE_OVERLAID}};
  for (const Toggle& t : toggles) {
    c->m_pOverlay->head.displayMode = t.before;
    SendMessageA(w, WM_COMMAND, WPARAM(t.command), 0);
    EXPECT_EQ(+c->m_pOverlay->head.displayMode, t.after) << t.command;
  }

  SendMessageA(w, OP4M_CLEARPLOT, 1, 0);
  EXPECT_EQ(+Trace(1), nullptr);
  EXPECT_EQ(c->RawCapacity(1), 0u);
  // The slot's flags stay as they were.
  EXPECT_EQ(+c->m_pOverlay->head.shown[1], 1);
  // Points for the emptied slot find no record.
  EXPECT_EQ(Point(1, 5, 5), 0);
  SendMessageA(w, OP4M_SETSUBLEVEL, 3, 0);
  EXPECT_EQ(c->m_subKind, 3);
}

// Two plots fed a peak each on a drifting baseline with a fixed ripple of
// noise, stacked and scaled to their data: the raw points dotted, the
// filtered traces solid, each apex labelled.
TEST_F(PointFedControlTest, StackedPlotsAsStored) {
  MoveWindow(host->hwnd, 0, 0, 700, 480, TRUE);
  MoveWindow(w, 0, 0, 640, 400, TRUE);
  FilteringOn(1);
  NewPlots(0, 8, "min");
  Title(0, "Front detector");
  Title(1, "Back detector");
  for (int i = 0; i < 320; ++i) {
    const double t = i * 0.025;
    const double ripple = 90 * std::sin(i * 2.3) + 55 * std::sin(i * 0.71 + 1.0);
    Point(0, t, 1500 + 60 * t + 2.4e4 * std::exp(-0.5 * std::pow((t - 2.7) / 0.18, 2)) + ripple);
    Point(1, t + 0.0125, 400 + 9.0e3 * std::exp(-0.5 * std::pow((t - 5.6) / 0.35, 2)) + ripple / 3);
  }
  SendMessageA(w, WM_COMMAND, OP4_CMD_STACKED, 0);
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_VERTICAL_FULL_SCALE, 0);
  win::script::PumpUntilIdle();
  ASSERT_EQ(Labels(0), 1);
  ASSERT_EQ(Labels(1), 1);
  EXPECT_NEAR(MaxLabel(0)->m_labelX, 2.7, 0.05);
  EXPECT_NEAR(MaxLabel(1)->m_labelX, 5.6, 0.05);
  testing_support::ExpectWindowAsStored(w, SPECIALCTL_GOLDEN_DIR, "point-fed-stacked.png");
}

}  // namespace
