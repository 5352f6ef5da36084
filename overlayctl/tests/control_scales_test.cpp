// Scales of the control: saved states and stepping back through them, the
// sliders after automatic scaling, scrolling requests and the kept height
// of a scale across a scroll.
#include <filesystem>
#include <functional>

#include "fixtures/msfixtures.h"
#include "overlayctl/tests/control_fixture.h"
#include "specialctl/gain_slider.h"
#include "win/win_commctrl.h"
#include "win/win_paths.h"

namespace {

// The time range the owner reads back with WM_USER+27 (wParam 0).
struct Request {
  LRESULT set;
  double start, end, mode;
};

class ScalesTest : public OPlotTest {
 protected:
  static Request Pending(HWND w) {
    double r[3] = {};
    const LRESULT set = SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(r));
    return {set, r[0], r[1], r[2]};
  }
  // Whether a time range of exactly start..end is pending for the owner.
  static testing::AssertionResult Requested(HWND w, double start, double end) {
    const Request p = Pending(w);
    if (p.set != 1) return testing::AssertionFailure() << "no range pending (" << p.set << ")";
    if (p.start != start || p.end != end)
      return testing::AssertionFailure() << "pending " << p.start << ".." << p.end << ", not " << start << ".." << end;
    return testing::AssertionSuccess();
  }
  // The scale a slot's slider stands for; 0 when it has no range.
  static LRESULT SliderScale(HWND w, int slot, double r[2]) {
    return SendMessageA(GetDlgItem(w, OPLOT_ID_SLIDER0 + slot), VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(r));
  }
  // A toolbar command or a click on one of the two window buttons.
  static void Press(HWND w, int id) { SendMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  static void Scroll(HWND w, UINT code, UINT thumb = 0) {
    SendMessageA(w, WM_HSCROLL, MAKEWPARAM(code, thumb), reinterpret_cast<LPARAM>(GetDlgItem(w, OPLOT_ID_HSCROLL)));
  }
  static void SetScales(HWND w, int16_t plot, double low1, double high1, double low2 = 0, double high2 = 0) {
    STRUCT_OPLOT_SET_SCALES r{};
    r.plot = plot;
    r.low1 = low1;
    r.high1 = high1;
    r.low2 = low2;
    r.high2 = high2;
    SendMessageA(w, OPM_SETPLOTSCALES, 0, reinterpret_cast<LPARAM>(&r));
  }
};

// The overlay shows another range, as the owner would refill it.
void View(SVW_OVERLAY* o, double start, double end) {
  o->tail.viewStart = start;
  o->tail.viewEnd = end;
}

TEST_F(ScalesTest, SavedStatesRingOfFiveAndPreviousScalingWalksBack) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  c->m_historyCount = c->m_historyNext = c->m_historyCurrent = 0;
  // Seven saved states, state k showing k..k+1 minutes with a scale high of 1000 k.
  for (int k = 1; k <= 7; ++k) {
    View(o, k, k + 1);
    o->tail.scales.plotHigh[0] = 1000.0 * k;
    c->SaveCurrent();
  }
  EXPECT_EQ(c->m_historyCount, 5);
  // Saving again with the same range keeps one entry and refreshes its scales.
  o->tail.scales.plotHigh[0] = 7777;
  c->SaveCurrent();
  EXPECT_EQ(c->m_historyCount, 5);
  const double refreshed = c->m_history[c->m_historyCurrent].scales.plotHigh[0];
  EXPECT_EQ(refreshed, 7777);

  // From the newest: the sixth, fifth, fourth and third, then the seventh again.
  for (int expect : {6, 5, 4, 3, 7}) {
    Press(w, OPLOT_CMD_PREVIOUS_SCALES);
    ASSERT_TRUE(Requested(w, expect, expect + 1));
    const double high = o->tail.scales.plotHigh[0];
    EXPECT_EQ(high, expect == 7 ? 7777 : 1000.0 * expect);
  }
}

TEST_F(ScalesTest, PreviousScalingNeedsTwoSavedStates) {
  auto [w, c, o] = ShowPlots(1, nullptr, false);
  c->m_historyCount = c->m_historyNext = c->m_historyCurrent = 0;
  c->SaveCurrent();
  c->m_zoomPending = 0;
  Press(w, OPLOT_CMD_PREVIOUS_SCALES);
  EXPECT_EQ(Pending(w).set, 0);
}

TEST_F(ScalesTest, SlidersStandForTheAutomaticScaleAfterVerticalFullScale) {
  auto [w, c, o] = ShowPlots(3);
  o->tail.scales.plotLow[1] = 123;  // a hand-set scale, replaced by full scale
  o->tail.scales.plotHigh[1] = 456;
  Press(w, OPLOT_CMD_VERTICAL_FULL_SCALE);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_slidersShown);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    double low = 0, high = 0;
    c->AutoScaleSepVert(static_cast<short>(i), &low, &high);
    const double setLow = o->tail.scales.plotLow[i], setHigh = o->tail.scales.plotHigh[i];
    EXPECT_DOUBLE_EQ(setLow, low);
    EXPECT_DOUBLE_EQ(setHigh, high);
    // The slider was given the scale and the data extent; its position answers the scale.
    double r[2] = {};
    ASSERT_EQ(SliderScale(w, i, r), 1);
    // Within the slider's resolution: its track has 32,000 steps over a gain scale.
    EXPECT_NEAR(r[1], high, (high - low) * 2e-3);
    EXPECT_NEAR(r[0], low, (high - low) * 5e-3);
  }
}

TEST_F(ScalesTest, ScrollingToTheEndKeepsTheWindowWidthAndEndsAtTheDataEnd) {
  double fs = 0, fe = 0, view = 0;
  auto [w, c, o] = ShowPlots(2, [&](SVW_OVERLAY* ov) {
    fs = ov->tail.homeStart;
    fe = ov->tail.homeEnd;
    view = (fe - fs) / 4;
    View(ov, fs + view, fs + 2 * view);
  });
  ASSERT_TRUE(c->m_scrollShown);
  // After the paint the bar stands for the shown window.
  EXPECT_NEAR(c->m_hScrollPos, 10000.0 / 3, 1.0);
  Notices().clear();
  Scroll(w, SB_RIGHT);
  Scroll(w, SB_ENDSCROLL);
  Request p = Pending(w);
  ASSERT_EQ(p.set, 1);
  EXPECT_DOUBLE_EQ(p.end, fe);
  EXPECT_NEAR(p.end - p.start, view, 1e-9);
  win::script::PumpUntilIdle();
  ASSERT_FALSE(Notices().empty());
  EXPECT_EQ(Notices().back().code, 2);

  // The right-hand button widens the window to the right, at most to the data end.
  c->m_zoomPending = 0;
  View(o, fe - 1.5 * view, fe - 0.5 * view);
  Press(w, OPLOT_ID_SCROLL_DOWN);
  p = Pending(w);
  ASSERT_EQ(p.set, 1);
  EXPECT_DOUBLE_EQ(p.start, fe - 1.5 * view);
  EXPECT_DOUBLE_EQ(p.end, fe);
}

TEST_F(ScalesTest, AScaleBelowTheDataKeepsItsHeightAcrossAScroll) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  o->tail.minInView[0] = 2500;
  o->tail.scales.plotLow[0] = 1000;   // below the data: kept
  o->tail.scales.plotHigh[0] = 9000;
  o->tail.minInView[1] = 2500;
  o->tail.scales.plotLow[1] = 2500;   // on the data minimum: autoscaled anew
  o->tail.scales.plotHigh[1] = 7000;
  c->Set95ScaleParams();
  EXPECT_TRUE(c->m_keepPlot[0]);
  EXPECT_FALSE(c->m_keepPlot[1]);
  o->tail.minInView[0] = 4000;  // the new range's data
  c->Use95ScaleParams();
  const double low = o->tail.scales.plotLow[0], high = o->tail.scales.plotHigh[0];
  EXPECT_DOUBLE_EQ(high - 4000, 6500);               // the height over the old minimum
  EXPECT_DOUBLE_EQ(low, 4000 - 0.05 * 6500);          // 5 % of it below the new minimum
  const double untouched = o->tail.scales.plotHigh[1];
  EXPECT_EQ(untouched, 7000);
}

TEST_F(ScalesTest, SetPlotScalesTakesAPairOrAutoscalesAnEqualOne) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  SetScales(w, 1, -10, 500);
  double low = o->tail.scales.plotLow[1], high = o->tail.scales.plotHigh[1];
  EXPECT_EQ(low, -10);
  EXPECT_EQ(high, 500);
  SetScales(w, 1, 3, 3);
  double autoLow = 0, autoHigh = 0;
  OPLOT_AutoScaleSepVert(o, 1, &autoLow, &autoHigh);
  low = o->tail.scales.plotLow[1];
  high = o->tail.scales.plotHigh[1];
  EXPECT_EQ(low, autoLow);
  EXPECT_EQ(high, autoHigh);
}

TEST_F(ScalesTest, DualScaleGroupsByUnitWithCountsOnTheLeft) {
  auto [w, c, o] = ShowPlots(
      4,
      [](SVW_OVERLAY* ov) {
        std::strcpy(ov->slots[0].units, "mV");
        std::strcpy(ov->slots[1].units, "mV");
        std::strcpy(ov->slots[2].units, "Counts");
        std::strcpy(ov->slots[3].units, "Counts");
        ov->head.displayMode = OVERLAY_MODE_TWO_SCALES;
      },
      false);
  c->UpdateLeftRightIndexes();
  EXPECT_EQ(o->tail.scales.leftAxisPlot, 2);   // the counts plot, whatever its slot
  EXPECT_EQ(o->tail.scales.rightAxisPlot, 0);
  // Full scale of both: the left pair spans the counts plots only.
  c->SetVerticalFullScale(1, 1);
  double low = 0, high = 0;
  OPLOT_AutoScaleOneOfTwoVerts(o, 2, &low, &high);
  const double left = o->tail.scales.commonHigh;
  EXPECT_EQ(left, high);
  // One unit only: no right plot.
  std::strcpy(o->slots[0].units, "Counts");
  std::strcpy(o->slots[1].units, "Counts");
  c->UpdateLeftRightIndexes();
  EXPECT_EQ(o->tail.scales.leftAxisPlot, 0);
  EXPECT_EQ(o->tail.scales.rightAxisPlot, 20);
}

// The host's two full ranges: the segment window (WM_USER+99) and the
// limited range (WM_USER+533). Each asks for its range unless it is shown,
// switches the other off, and steers full scale and the scroll bar.
TEST_F(ScalesTest, HostFullRangesRequestTheirRangeAndSteerFullScaleAndScrolling) {
  auto [w, c, o] = ShowPlots(2);
  const double fs = o->tail.homeStart, fe = o->tail.homeEnd;
  struct Case {
    UINT message;
    double start, end;    // the range handed over
    bool notified;        // code 1 posted (the range is not the one shown)
    double fullStart, fullEnd;  // what Full Scale then asks for (0, 0: all data)
    bool windowBoundsScroll;    // the scroll bar spans the handed range
  } cases[] = {
      {OPM_LIMITEDDBLCLKFULLTIMERANGE, 3.0, 7.0, true, 3.0, 7.0, false},
      {OPM_SPECIALDBLCLKFULLTIMERANGE, 2.5, 9.0, true, 2.5, 9.0, true},
      {OPM_LIMITEDDBLCLKFULLTIMERANGE, fs, fe, false, fs, fe, false},  // shown already
      {OPM_SPECIALDBLCLKFULLTIMERANGE, 4.0, 8.0, true, 4.0, 8.0, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.start);
    View(o, fs, fe);
    c->m_zoomPending = 0;
    win::script::PumpUntilIdle();
    Notices().clear();
    double range[2] = {k.start, k.end};
    EXPECT_EQ(SendMessageA(w, k.message, 1, reinterpret_cast<LPARAM>(range)), 0);
    win::script::PumpUntilIdle();
    const bool limited = k.message == OPM_LIMITEDDBLCLKFULLTIMERANGE;
    EXPECT_EQ(c->m_limitedRangeOn, limited ? 1 : 0);
    EXPECT_EQ(c->m_ownFullRange, limited ? 0 : 1);  // the other range is off and zeroed
    EXPECT_EQ(limited ? c->m_ownFullEnd : c->m_limitedEnd, 0.0);
    Request p = Pending(w);
    EXPECT_EQ(p.set, k.notified ? 1 : 0);
    ASSERT_EQ(Notices().size(), k.notified ? 1u : 0u);
    if (k.notified) {
      EXPECT_EQ(Notices()[0].code, 1);
      EXPECT_EQ(p.start, k.start);
      EXPECT_EQ(p.end, k.end);
    }
    // Full Scale returns to the handed range and clears the vertical scales.
    c->m_zoomPending = 0;
    o->tail.scales.commonHigh = 99;
    Press(w, OPLOT_CMD_FULL_SCALE);
    ASSERT_TRUE(Requested(w, k.fullStart, k.fullEnd));
    const double cleared = o->tail.scales.commonHigh;
    EXPECT_EQ(cleared, 0.0);
    // Horizontal full scale asks the same and keeps the vertical scales.
    c->m_zoomPending = 0;
    o->tail.scales.commonHigh = 99;
    Press(w, OPLOT_CMD_HORIZONTAL_FULL_SCALE);
    p = Pending(w);
    ASSERT_EQ(p.set, 1);
    EXPECT_EQ(p.start, k.fullStart);
    const double kept = o->tail.scales.commonHigh;
    EXPECT_EQ(kept, 99.0);
    // The scroll bar: a view one minute wide at 5 minutes.
    double sfs = 0, sfe = 0;
    c->ScrollFullRange(&sfs, &sfe);
    EXPECT_EQ(sfs, k.windowBoundsScroll ? k.start : fs);
    EXPECT_EQ(sfe, k.windowBoundsScroll ? k.end : fe);
    View(o, 5.0, 6.0);
    c->SizeControls();
    c->SetHorzBar();
    EXPECT_EQ(c->m_hScrollPos, static_cast<int16_t>((5.0 - sfs) * 10000 / ((sfe - sfs) - 1.0)));
  }
  // Without a range both are switched off; full scale asks for all data again.
  SendMessageA(w, OPM_SPECIALDBLCLKFULLTIMERANGE, 0, 0);
  EXPECT_EQ(c->m_ownFullRange, 0);
  EXPECT_EQ(c->m_ownFullStart, 0.0);
  double range[2] = {3, 4};
  SendMessageA(w, OPM_LIMITEDDBLCLKFULLTIMERANGE, 1, reinterpret_cast<LPARAM>(range));
  SendMessageA(w, OPM_LIMITEDDBLCLKFULLTIMERANGE, 0, reinterpret_cast<LPARAM>(range));
  EXPECT_EQ(c->m_limitedRangeOn, 0);
  c->m_zoomPending = 0;
  Press(w, OPLOT_CMD_FULL_SCALE);
  ASSERT_TRUE(Requested(w, 0.0, 0.0));
}

// The limited range does not bound the scroll buttons: the right-hand one
// still widens to the data end, past the limited range.
TEST_F(ScalesTest, LimitedRangeLeavesTheScrollButtonsOnTheData) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) { View(ov, 4.0, 5.0); }, false);
  double range[2] = {4.0, 5.0};
  SendMessageA(w, OPM_LIMITEDDBLCLKFULLTIMERANGE, 1, reinterpret_cast<LPARAM>(range));
  ASSERT_TRUE(c->m_scrollShown);
  c->m_zoomPending = 0;
  Press(w, OPLOT_ID_SCROLL_DOWN);
  ASSERT_TRUE(Requested(w, 4.0, 6.0));
}

// Automatic scales per mode, and the slider each leaves standing for the scale.
TEST_F(ScalesTest, AutoscaleRulesAndTheSliderAfterVerticalFullScale) {
  auto [w, c, o] = ShowPlots(3, [](SVW_OVERLAY* ov) { std::strcpy(ov->slots[1].units, "mV"); }, false);
  double mn[3], mx[3];  // the overlay's packed arrays, copied out
  for (int i = 0; i < 3; ++i) mn[i] = o->tail.minInView[i], mx[i] = o->tail.maxInView[i];
  auto margin = [](double lo, double hi, double least) { return std::max((hi - lo) / 20, least); };
  struct Case {
    int16_t mode;
    double low, high;  // the expected left or common pair
  } cases[] = {
      {OVERLAY_MODE_OVERLAID, std::min({mn[0], mn[1], mn[2]}), std::max({mx[0], mx[1], mx[2]})},
      // Dual scale: slots 0 and 2 count ions on the left, slot 1 is on the right.
      {OVERLAY_MODE_TWO_SCALES, std::min(mn[0], mn[2]), std::max(mx[0], mx[2])},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    o->head.displayMode = k.mode;
    Press(w, OPLOT_CMD_VERTICAL_FULL_SCALE);
    const OVERLAY_SCALE_BLOCK& s = o->tail.scales;
    const double m = margin(k.low, k.high, 2.5);
    EXPECT_DOUBLE_EQ(s.commonLow, k.low - m);
    EXPECT_DOUBLE_EQ(s.commonHigh, k.high + m);
    c->SetVertBars();
    double r[2] = {};
    ASSERT_EQ(SliderScale(w, 0, r), 1);
    EXPECT_NEAR(r[1], k.high + m, (k.high - k.low) * 2e-3);
  }
  // Only the left scale is rescaled by Vertical Full Scale in the dual mode.
  const double rightHigh = o->tail.scales.rightHigh;
  EXPECT_EQ(rightHigh, 0.0);
  c->SetVerticalFullScale(0, 1);
  const double right = o->tail.scales.rightHigh;
  EXPECT_DOUBLE_EQ(right, mx[1] + margin(mn[1], mx[1], 2.5));

  // Plot kinds 4 to 17 leave the shared slider without a range.
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  o->slots[0].plotKind = 9;
  c->SetVertBars();
  double r[2] = {};
  EXPECT_EQ(SliderScale(w, 0, r), 0);
  DestroyWindow(w);
}

TEST_F(ScalesTest, MarginsOfFlatAndTinyPlotsAndTheDualGroupOfAPlot) {
  auto [w, c, o] = ShowPlots(3, nullptr, false);
  struct Case {
    bool ms;
    double mn, mx;
    double low, high;
  } cases[] = {
      {true, 500, 500, 497.5, 502.5},              // flat MS plot: +-2.5
      {false, 3e-7, 3e-7, 2.5e-7, 3.5e-7},         // flat detector plot: +-5e-8
      {false, 1e-7, 2e-7, 0.5e-7, 2.5e-7},         // tiny span: the least margin
      {true, 0, 1000, -50, 1050},                  // a twentieth of the span
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mn);
    o->slots[1].workFile->centroid = k.ms ? 1 : 0;
    o->tail.minInView[1] = k.mn;
    o->tail.maxInView[1] = k.mx;
    double low = 0, high = 0;
    c->AutoScaleSepVert(1, &low, &high);
    EXPECT_NEAR(low, k.low, 1e-15 + 1e-12 * std::fabs(k.low));
    EXPECT_NEAR(high, k.high, 1e-15 + 1e-12 * std::fabs(k.high));
  }
  // A slot without a work file leaves the outputs as they were.
  double low = 7, high = 8;
  c->AutoScaleSepVert(5, &low, &high);
  EXPECT_EQ(low, 7);
  EXPECT_EQ(high, 8);
  c->AutoScaleOneOfTwoVerts(5, &low, &high);
  EXPECT_EQ(low, -2.5);
  EXPECT_EQ(high, 2.5);
  // The dual group of slot 1 takes in later plots of its unit only, and only those in use.
  o->slots[1].workFile->centroid = 1;
  o->tail.minInView[1] = 100;
  o->tail.maxInView[1] = 200;
  o->tail.minInView[2] = 50;
  o->tail.maxInView[2] = 900;
  o->tail.minInView[0] = -1e6;  // before slot 1: not in its group
  c->AutoScaleOneOfTwoVerts(1, &low, &high);
  EXPECT_DOUBLE_EQ(low, 50 - 42.5);
  EXPECT_DOUBLE_EQ(high, 900 + 42.5);
  o->tail.inView[2] = 0;
  c->AutoScaleOneOfTwoVerts(1, &low, &high);
  EXPECT_DOUBLE_EQ(low, 95);
  EXPECT_DOUBLE_EQ(high, 205);
  // Overlaid detector plots spanning 1e-7 together: the least margin of the
  // first plot in use, 5e-8, not 2.5.
  o->tail.inView[2] = 1;
  for (int i = 0; i < 3; ++i) {
    o->slots[i].workFile->centroid = 0;
    o->tail.minInView[i] = 1e-7 + i * 2e-8;
    o->tail.maxInView[i] = 1.6e-7 + i * 2e-8;
  }
  c->AutoScaleOneVert(&low, &high);
  EXPECT_NEAR(low, 1e-7 - 5e-8, 1e-20);
  EXPECT_NEAR(high, 2e-7 + 5e-8, 1e-20);
  DestroyWindow(w);
}

// The owner's answer to a scroll keeps a scale's height on the new data floor.
TEST_F(ScalesTest, ScrollAnsweredByTheOwnerKeepsTheStackedScaleHeight) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) { View(ov, 4.0, 5.0); });
  ASSERT_TRUE(c->m_scrollShown);
  o->tail.scales.plotLow[0] = 0;  // below the data: kept across the scroll
  o->tail.scales.plotHigh[0] = 9000;
  const double oldFloor = o->tail.minInView[0];
  Press(w, OPLOT_ID_SCROLL_DOWN);
  Request p = Pending(w);
  ASSERT_EQ(p.set, 1);
  // The owner reads the new range and answers with wParam 1.
  View(o, p.start, p.end);
  o->tail.minInView[0] = oldFloor + 700;
  SendMessageA(w, OPM_NEWTIMERANGE, 1, reinterpret_cast<LPARAM>(o));
  const double height = 9000 - oldFloor;
  const double low = o->tail.scales.plotLow[0], high = o->tail.scales.plotHigh[0];
  EXPECT_DOUBLE_EQ(high, oldFloor + 700 + height);
  EXPECT_DOUBLE_EQ(low, oldFloor + 700 - 0.05 * height);
  EXPECT_EQ(Pending(w).set, 0);
  DestroyWindow(w);
}

// The left-hand button is marked against the segment window's start while
// the window is on; the limited range switches the window off, so the
// button is marked against the data's start again.
TEST_F(ScalesTest, LimitedRangeMarksTheButtonsAgainstTheDataAgain) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  double range[2] = {3.0, 8.0};
  SendMessageA(w, OPM_SPECIALDBLCLKFULLTIMERANGE, 1, reinterpret_cast<LPARAM>(range));
  View(o, 3.0, 8.0);  // the owner answered with the window
  EXPECT_FALSE(ButtonMarked(w, OPLOT_ID_SCROLL_UP));
  SendMessageA(w, OPM_LIMITEDDBLCLKFULLTIMERANGE, 1, reinterpret_cast<LPARAM>(range));
  EXPECT_TRUE(ButtonMarked(w, OPLOT_ID_SCROLL_UP));
  EXPECT_TRUE(ButtonMarked(w, OPLOT_ID_SCROLL_DOWN));
  (void)c;
  DestroyWindow(w);
}

// The scroll bar moves only while the data are wider than the view.
TEST_F(ScalesTest, ScrollBarKeepsItsPositionWithoutSlack) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) { View(ov, 4.0, 5.0); });
  ASSERT_TRUE(c->m_scrollShown);
  const double fs = o->tail.homeStart, fe = o->tail.homeEnd;
  struct Case {
    double start, end;
    int pos, page, line;  // -1: unchanged
  } cases[] = {
      {fs + 0.5 * (fe - fs - 2), fs + 0.5 * (fe - fs - 2) + 2, 5000, static_cast<int>(1.0 * 10000 / (fe - fs - 2)),
       static_cast<int>(0.2 * 10000 / (fe - fs - 2))},
      {fs, fe, -1, -1, -1},              // the whole data: no slack
      {fs - 1, fe + 1, -1, -1, -1},      // wider than the data: negative slack
      {NAN, fe, -1, -1, -1},             // a damaged range: no slack either
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.start);
    c->m_hScrollPos = 1234;
    c->m_hScrollPage = 55;
    c->m_hScrollLine = 66;
    View(o, k.start, k.end);
    c->SetHorzBar();
    EXPECT_EQ(c->m_hScrollPos, k.pos < 0 ? 1234 : k.pos);
    EXPECT_EQ(c->m_hScrollPage, k.page < 0 ? 55 : k.page);
    EXPECT_EQ(c->m_hScrollLine, k.line < 0 ? 66 : k.line);
  }
  DestroyWindow(w);
}

// While a plot is maximized only its own scale is cleared; the others wait
// for the restore.
TEST_F(ScalesTest, ClearingScalesOfAMaximizedPlotSparesTheOthers) {
  auto [w, c, o] = ShowPlots(3, nullptr, false);
  for (bool command : {false, true}) {
    SCOPED_TRACE(command);
    // As maximizing leaves it: one plot on, the others' flags saved away.
    o->head.maximised = 1;
    o->head.maximisedSlot = 1;
    o->head.shown[0] = o->head.shown[2] = 0;
    for (int i = 0; i < 3; ++i) {
      o->tail.scales.plotLow[i] = -1;
      o->tail.scales.plotHigh[i] = 123;
    }
    if (command)
      Press(w, OPLOT_CMD_FULL_SCALE);  // cleared, rebuilt on the owner's answer
    else
      c->ClearVerticalScales();  // cleared only: whoever clears rescales
    const double kept0 = o->tail.scales.plotHigh[0], kept2 = o->tail.scales.plotHigh[2];
    const double own = o->tail.scales.plotHigh[1];
    EXPECT_EQ(kept0, 123);
    EXPECT_EQ(kept2, 123);
    EXPECT_EQ(own, 0.0);
  }
  o->head.maximised = 0;
  DestroyWindow(w);
}

// Clearing the scales only zeroes them, so that the owner's answer to a
// new time range scales the whole range anew rather than keeping a zoom.
TEST_F(ScalesTest, ClearingTheScalesZeroesEveryPairAndScalesNothing) {
  for (int16_t mode : {int16_t(OVERLAY_MODE_STACKED), int16_t(OVERLAY_MODE_OVERLAID), int16_t(OVERLAY_MODE_TWO_SCALES)}) {
    SCOPED_TRACE(mode);
    auto [w, c, o] = ShowPlots(3, [&](SVW_OVERLAY* ov) { ov->head.displayMode = mode; }, false);
    SetScales(w, 0, 100, 200, 300, 400);  // a zoom
    c->ClearVerticalScales();
    const OVERLAY_SCALE_BLOCK& s = o->tail.scales;
    const double pairs[] = {s.commonLow, s.commonHigh, s.rightLow, s.rightHigh, s.plotLow[0], s.plotHigh[0],
                            s.plotLow[1], s.plotHigh[2]};
    for (double v : pairs) EXPECT_EQ(v, 0.0);
    // A new time range then takes the whole range of the data.
    SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
    double low = 0, high = 0;
    c->AutoScaleSepVert(0, &low, &high);
    const double scaled = mode == OVERLAY_MODE_STACKED ? double{s.plotHigh[0]} : double{s.commonHigh};
    EXPECT_GE(scaled, mode == OVERLAY_MODE_TWO_SCALES ? 0.0 : high);
    EXPECT_NE(scaled, 200.0);
    DestroyWindow(w);
  }
}

// Moving a slider's thumb sets the scale it stands for: the shared pair
// from slider 0 outside the stacked mode, else the plot's own pair.
TEST_F(ScalesTest, MovingASliderSetsItsScale) {
  struct Case {
    int16_t mode;
    int slot;
  } cases[] = {{OVERLAY_MODE_STACKED, 1}, {OVERLAY_MODE_STACKED, 0}, {OVERLAY_MODE_OVERLAID, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode * 10 + k.slot);
    auto [w, c, o] = ShowPlots(2, [&](SVW_OVERLAY* ov) { ov->head.displayMode = k.mode; });
    ASSERT_TRUE(c->m_slidersShown);
    CCtlVScroll* s = c->m_pSliders[k.slot];
    ASSERT_TRUE(s->m_active);
    const int pos = s->m_pSlider->GetPos() + 3000;  // a higher gain: a lower top
    s->m_pSlider->SetPos(pos);
    s->SendMessage(WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos), reinterpret_cast<LPARAM>(s->m_pSlider->m_hWnd));
    double expect[2] = {};
    ASSERT_EQ(s->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(expect)), 1);
    win::script::PumpUntilIdle();  // the slider's notification reaches the control
    const OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
    const double low = k.mode == OVERLAY_MODE_STACKED ? sc.plotLow[k.slot] : sc.commonLow;
    const double high = k.mode == OVERLAY_MODE_STACKED ? sc.plotHigh[k.slot] : sc.commonHigh;
    EXPECT_EQ(low, expect[0]);
    EXPECT_EQ(high, expect[1]);
    const double other = sc.plotHigh[1 - k.slot];
    if (k.mode == OVERLAY_MODE_STACKED) {
      EXPECT_NE(other, high);
    }
    DestroyWindow(w);
  }
}

// Scroll codes move the stored position; thumb position and end scroll
// apply it as a requested window of the same width, clamped to the data.
TEST_F(ScalesTest, ScrollCodesMoveThePositionAndApplyIt) {
  double fs = 0, fe = 0, view = 0;
  auto [w, c, o] = ShowPlots(2, [&](SVW_OVERLAY* ov) {
    fs = ov->tail.homeStart;
    fe = ov->tail.homeEnd;
    view = (fe - fs) / 5;
    View(ov, fs + 2 * view, fs + 3 * view);
  });
  ASSERT_TRUE(c->m_scrollShown);
  const int p0 = c->m_hScrollPos, page = c->m_hScrollPage, line = c->m_hScrollLine;
  EXPECT_EQ(p0, 5000);
  EXPECT_EQ(page, static_cast<int>((view / 2) * 10000 / (4 * view)));
  EXPECT_EQ(line, static_cast<int>((view / 10) * 10000 / (4 * view)));
  struct Case {
    UINT code;
    UINT thumb;
    int pos;  // stored position after the code
  } cases[] = {
      {SB_LINELEFT, 0, p0 - line}, {SB_LINERIGHT, 0, p0 + line}, {SB_PAGELEFT, 0, p0 - page},
      {SB_PAGERIGHT, 0, p0 + page}, {SB_LEFT, 0, 0},             {SB_RIGHT, 0, 10000},
      {SB_THUMBTRACK, 9000, p0},    {SB_THUMBPOSITION, 2500, 2500}, {SB_THUMBPOSITION, 12000, 10000},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.code);
    c->m_hScrollPos = static_cast<int16_t>(p0);
    c->m_zoomPending = 0;
    Scroll(w, k.code, k.thumb);
    EXPECT_EQ(c->m_hScrollPos, k.pos);
    if (k.code != SB_THUMBPOSITION) {
      EXPECT_EQ(c->m_zoomPending, 0);  // nothing asked before the scroll ends
      Scroll(w, SB_ENDSCROLL);
    }
    const Request p = Pending(w);
    const bool moved = k.pos != p0;
    ASSERT_EQ(p.set, moved ? 1 : 0);
    if (moved) {
      EXPECT_NEAR(p.start, fs + 4 * view * k.pos / 10000, 1e-9);
      EXPECT_NEAR(p.end - p.start, view, 1e-9);
    }
  }
  DestroyWindow(w);
}

TEST_F(ScalesTest, SetPlotScalesInTheDualModeSetsOrAutoscalesEachSide) {
  auto [w, c, o] = ShowPlots(
      3,
      [](SVW_OVERLAY* ov) {
        std::strcpy(ov->slots[1].units, "mV");
        ov->head.displayMode = OVERLAY_MODE_TWO_SCALES;
      },
      false);
  struct Case {
    double low1, high1, low2, high2;
  } cases[] = {{-1, 10, -2, 20}, {5, 5, -2, 20}, {-1, 10, 3, 3}, {0, 0, 0, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.low1 * 100 + k.low2);
    SetScales(w, 2, k.low1, k.high1, k.low2, k.high2);
    const OVERLAY_SCALE_BLOCK s = o->tail.scales;  // a copy: the packed doubles are read by value
    ASSERT_EQ(s.leftAxisPlot, 0);
    ASSERT_EQ(s.rightAxisPlot, 1);
    double low = k.low1, high = k.high1;
    if (k.low1 == k.high1) c->AutoScaleOneOfTwoVerts(0, &low, &high);
    EXPECT_EQ(double{s.commonLow}, low);
    EXPECT_EQ(double{s.commonHigh}, high);
    low = k.low2;
    high = k.high2;
    if (k.low2 == k.high2) c->AutoScaleOneOfTwoVerts(1, &low, &high);
    EXPECT_EQ(double{s.rightLow}, low);
    EXPECT_EQ(double{s.rightHigh}, high);
  }
  DestroyWindow(w);
}

// Stepping back: the owner's answer keeps the restored scales and only
// refreshes the current saved state.
TEST_F(ScalesTest, PreviousScalesSurviveTheOwnersAnswer) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  const double fs = o->tail.homeStart, fe = o->tail.homeEnd;
  // A hand-set scale on the whole range, then a zoom the owner answered.
  o->tail.scales.plotLow[0] = 100;
  o->tail.scales.plotHigh[0] = 4321;
  c->SaveCurrent();
  View(o, fs + 1, fs + 2);
  o->tail.scales.plotHigh[0] = 999;
  SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  const int16_t count = c->m_historyCount;
  Press(w, OPLOT_CMD_PREVIOUS_SCALES);
  const Request p = Pending(w);
  ASSERT_EQ(p.set, 1);
  EXPECT_EQ(p.start, fs);
  EXPECT_EQ(p.end, fe);
  View(o, p.start, p.end);
  SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  const double low = o->tail.scales.plotLow[0], high = o->tail.scales.plotHigh[0];
  EXPECT_EQ(low, 100);
  EXPECT_EQ(high, 4321);
  EXPECT_EQ(c->m_historyCount, count);
  DestroyWindow(w);
}

// A control that made its own overlay answers its scroll requests itself:
// the new window is read and the scale keeps its height on the new floor;
// the parent hears nothing.
TEST_F(ScalesTest, AControlMadeOverlayAnswersItsOwnScroll) {
  const std::string path = "C:\\Data\\scroll.kms";
  msfix::RunPlan plan;
  plan.seed = 29;
  plan.scans = 400;
  std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path)).parent_path());
  ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path), plan, nullptr));
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.useFirstFreeSlot = 1;
  std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
  r.plotKind = DATA_TYPE_TIC;
  ASSERT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 1);
  double zoom[2] = {4.0, 6.0};
  ASSERT_EQ(SendMessageA(w, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(zoom)), 1);
  win::script::PumpUntilIdle();
  SVW_OVERLAY* o = c->m_pOverlay;
  ASSERT_TRUE(c->m_scrollShown);
  const double floor = o->tail.minInView[0];
  o->tail.scales.plotLow[0] = floor - 500;  // below the data: kept
  o->tail.scales.plotHigh[0] = floor + 1e5;
  Notices().clear();
  Press(w, OPLOT_ID_SCROLL_DOWN);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(Notices().empty());
  const double start = o->tail.viewStart, end = o->tail.viewEnd;
  EXPECT_NEAR(start, 4.0, 1e-9);
  EXPECT_NEAR(end, 8.0, 1e-9);
  const double newFloor = o->tail.minInView[0];
  const double low = o->tail.scales.plotLow[0], high = o->tail.scales.plotHigh[0];
  EXPECT_DOUBLE_EQ(high, newFloor + 1e5);
  EXPECT_DOUBLE_EQ(low, newFloor - 0.05 * 1e5);
  DestroyWindow(w);
}

// In the dual mode with one unit the right side has no plot (index 20): a
// scroll keeps no height for it, so its unset scale stays unset and is
// autoscaled once a plot of a second unit comes in.
TEST_F(ScalesTest, DualScaleWithoutARightPlotKeepsNoRightHeightAcrossAScroll) {
  auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) {
    ov->head.displayMode = OVERLAY_MODE_TWO_SCALES;
    View(ov, 4.0, 5.0);
  });
  ASSERT_TRUE(c->m_scrollShown);
  ASSERT_EQ(o->tail.scales.rightAxisPlot, 20);
  const double unsetLow = o->tail.scales.rightLow, unsetHigh = o->tail.scales.rightHigh;
  ASSERT_EQ(unsetLow, 0.0);
  ASSERT_EQ(unsetHigh, 0.0);
  o->tail.scales.commonLow = 0;  // the left scale below the data: kept
  o->tail.scales.commonHigh = 9e4;
  Press(w, OPLOT_ID_SCROLL_DOWN);
  const Request p = Pending(w);
  ASSERT_EQ(p.set, 1);
  EXPECT_EQ(c->m_keepShared, 1);
  EXPECT_EQ(c->m_keepRight, 0);
  View(o, p.start, p.end);
  SendMessageA(w, OPM_NEWTIMERANGE, 1, reinterpret_cast<LPARAM>(o));
  const double rightLow = o->tail.scales.rightLow, rightHigh = o->tail.scales.rightHigh;
  EXPECT_EQ(rightLow, 0.0);
  EXPECT_EQ(rightHigh, 0.0);
  const double leftHigh = o->tail.scales.commonHigh;
  EXPECT_EQ(leftHigh, 9e4);  // the height over the same floor
  const double min0 = o->tail.minInView[0], min1 = o->tail.minInView[1];
  const double floor = min0 < min1 ? min0 : min1;
  const double leftLow = o->tail.scales.commonLow;
  EXPECT_DOUBLE_EQ(leftLow, floor - 0.05 * (9e4 - floor));

  // A second unit comes in: the right scale is built for it.
  std::strcpy(o->slots[1].units, "mV");
  SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  ASSERT_EQ(o->tail.scales.rightAxisPlot, 1);
  double low = 0, high = 0;
  c->AutoScaleOneOfTwoVerts(1, &low, &high);
  const double builtLow = o->tail.scales.rightLow, builtHigh = o->tail.scales.rightHigh;
  EXPECT_EQ(builtLow, low);
  EXPECT_EQ(builtHigh, high);
  DestroyWindow(w);
}

// Damaged scale records: a plot outside the slots, values that are no
// numbers, an equal pair for a dual side without a plot. The scales stay
// as they were and nothing outside the overlay is written.
TEST_F(ScalesTest, SetPlotScalesLeavesTheScalesOnADamagedRecord) {
  struct Case {
    int16_t mode;
    int16_t plot;
    double low1, high1, low2, high2;
    const char* what;
  } cases[] = {
      {OVERLAY_MODE_STACKED, -1, 0, 10, 0, 0, "plot below the slots"},
      {OVERLAY_MODE_STACKED, 20, 0, 10, 0, 0, "plot 20"},
      {OVERLAY_MODE_STACKED, 32767, 5, 5, 0, 0, "autoscale of a plot far outside"},
      {OVERLAY_MODE_NORMALISED, -3, 5, 5, 0, 0, "normalised autoscale outside the slots"},
      {OVERLAY_MODE_STACKED, 1, NAN, 10, 0, 0, "low no number"},
      {OVERLAY_MODE_STACKED, 1, 0, INFINITY, 0, 0, "infinite high"},
      {OVERLAY_MODE_OVERLAID, 0, NAN, NAN, 0, 0, "a pair of no numbers: unequal, yet no scale"},
      {OVERLAY_MODE_OVERLAID, 0, -INFINITY, INFINITY, 0, 0, "an infinite pair"},
      {OVERLAY_MODE_TWO_SCALES, 0, NAN, 1, 7, 7, "equal right pair without a right plot"},
      {OVERLAY_MODE_TWO_SCALES, 0, NAN, 1, NAN, 3, "right pair no number"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto [w, c, o] = ShowPlots(2, [&](SVW_OVERLAY* ov) { ov->head.displayMode = k.mode; }, false);
    OVERLAY_SCALE_BLOCK before = o->tail.scales;
    SetScales(w, k.plot, k.low1, k.high1, k.low2, k.high2);
    EXPECT_EQ(std::memcmp(&before, &o->tail.scales, sizeof before), 0);
    EXPECT_EQ(SendMessageA(w, OPM_SETPLOTSCALES, 0, 0), 0);  // no record
    EXPECT_EQ(std::memcmp(&before, &o->tail.scales, sizeof before), 0);
    (void)c;
    DestroyWindow(w);
  }
}

// Scroll requests on a damaged overlay never hand the owner a time range
// that is no number: the scroll bar's own codes ask for nothing then, the
// window buttons at most for finite bounds.
TEST_F(ScalesTest, ScrollingADamagedOverlayNeverAsksForARangeOfNoNumber) {
  struct Case {
    double homeStart, homeEnd, viewStart, viewEnd;
    const char* what;
  } cases[] = {
      {-INFINITY, INFINITY, 4, 5, "infinite full range"},
      {NAN, 10, 4, 5, "full start no number"},
      {2, 10, NAN, 5, "shown start no number"},
      {2, 10, 4, NAN, "shown end no number"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) { View(ov, 4.0, 5.0); });
    ASSERT_TRUE(c->m_scrollShown);
    o->tail.homeStart = k.homeStart;
    o->tail.homeEnd = k.homeEnd;
    View(o, k.viewStart, k.viewEnd);
    c->SetHorzBar();
    EXPECT_GE(c->m_hScrollPos, 0);
    EXPECT_LE(c->m_hScrollPos, 10000);
    win::script::PumpUntilIdle();
    Notices().clear();
    c->m_zoomPending = 0;
    for (UINT code : {UINT(SB_LINERIGHT), UINT(SB_PAGELEFT), UINT(SB_RIGHT)}) {
      Scroll(w, code);
      Scroll(w, SB_ENDSCROLL);
    }
    Scroll(w, SB_THUMBPOSITION, 7000);
    EXPECT_EQ(Pending(w).set, 0);
    win::script::PumpUntilIdle();
    EXPECT_TRUE(Notices().empty());
    for (int button : {OPLOT_ID_SCROLL_DOWN, OPLOT_ID_SCROLL_UP}) {
      c->m_zoomPending = 0;
      Press(w, button);
      const Request p = Pending(w);
      if (p.set) {
        EXPECT_TRUE(std::isfinite(p.start)) << button;
        EXPECT_TRUE(std::isfinite(p.end)) << button;
      }
    }
    DestroyWindow(w);
  }
}

// Without data every scale command does nothing, and a slider without a
// range leaves its scale as it was.
TEST_F(ScalesTest, ScaleCommandsWithoutDataOrWithoutASliderRangeDoNothing) {
  auto [w, c, o] = ShowPlots(2);
  // A slider whose plot has no data in view has no range: its movement sets nothing.
  const OVERLAY_SCALE_BLOCK before = o->tail.scales;
  for (int slot : {5, 19})
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(OPLOT_ID_SLIDER0 + slot, 1),
                 reinterpret_cast<LPARAM>(GetDlgItem(w, OPLOT_ID_SLIDER0 + slot)));
  // Slider 0 notifying another code is no movement.
  c->m_pSliders[0]->m_pSlider->SetPos(100);
  c->m_pSliders[0]->m_gain = 1e7;
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(OPLOT_ID_SLIDER0, 2), 0);
  EXPECT_EQ(std::memcmp(&before, &o->tail.scales, sizeof before), 0);

  SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
  win::script::PumpUntilIdle();
  Notices().clear();
  c->m_zoomPending = 0;
  for (int id : {OPLOT_ID_SCROLL_DOWN, OPLOT_ID_SCROLL_UP, OPLOT_CMD_FULL_SCALE, OPLOT_CMD_VERTICAL_FULL_SCALE,
                 OPLOT_CMD_HORIZONTAL_FULL_SCALE, OPLOT_CMD_PREVIOUS_SCALES, OPLOT_ID_SLIDER0})
    Press(w, id);
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(OPLOT_ID_SLIDER0, 1), 0);
  Scroll(w, SB_THUMBPOSITION, 3000);
  SetScales(w, 0, 1, 2);
  EXPECT_EQ(Pending(w).set, 0);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(Notices().empty());
  EXPECT_EQ(std::memcmp(&before, &o->tail.scales, sizeof before), 0);
  DestroyWindow(w);
}


// An overlay whose flags disagree with its contents: a slot switched on
// and in view without a file or points, axis plots outside the slots, a
// display mode the control does not know. Scales, sliders, the scroll bar,
// label areas and conversions run over it without reading outside it.
TEST_F(ScalesTest, InconsistentOverlayFlagsAreSurvived) {
  for (int16_t mode : {int16_t(0), int16_t(1), int16_t(2), int16_t(3), int16_t(7), int16_t(-1)}) {
    SCOPED_TRACE(mode);
    auto [w, c, o] = ShowPlots(3, [&](SVW_OVERLAY* ov) {
      ov->head.displayMode = mode;
      ov->head.shown[5] = 1;
      ++ov->head.shownCount;
      ov->tail.inView[5] = 1;
      ov->tail.attached[5] = 1;
      ov->tail.minInView[5] = -1e300;
      ov->tail.maxInView[5] = NAN;
      ov->tail.scales.leftAxisPlot = 25;
      ov->tail.scales.rightAxisPlot = -4;
      std::strcpy(ov->slots[1].units, "mV");
    });
    AddTestLabel(c, LABEL_TYPE_AREA, 0);
    AddTestLabel(c, LABEL_TYPE_TOKEN, 5);
    InvalidateRect(w, nullptr, FALSE);
    win::script::PumpUntilIdle();
    for (int id : {OPLOT_CMD_VERTICAL_FULL_SCALE, OPLOT_ID_SCROLL_DOWN, OPLOT_ID_SCROLL_UP, OPLOT_CMD_PREVIOUS_SCALES})
      Press(w, id);
    Scroll(w, SB_PAGERIGHT);
    Scroll(w, SB_ENDSCROLL);
    SetScales(w, 5, 3, 3, 4, 4);
    SetScales(w, 5, 1, 9, 2, 8);
    c->Set95ScaleParams();
    c->Use95ScaleParams();
    c->InitUnsetVerticalScales();
    c->SetVertBars();
    c->SetHorzBar();
    if (c->m_bSizesValid) {
      STRUCT_OVER_SIZES sz = c->m_Sizes;
      c->InitLabelAreas(0, c->m_plotLeft, static_cast<short>(c->m_plotTop + c->m_plotHeight),
                        static_cast<short>(c->m_plotLeft + c->m_plotWidth), c->m_plotTop, &sz);
      for (int y = c->m_plotTop; y < c->m_plotTop + c->m_plotHeight; y += 7) {
        short slot = -1;
        double v = 0;
        if (c->GetValueFromYPixel(static_cast<short>(y), &slot, &v, 1)) {
          EXPECT_TRUE(OverlaySlotIndex(slot));
        }
      }
    }
    InvalidateRect(w, nullptr, FALSE);
    win::script::PumpUntilIdle();
    EXPECT_GE(c->m_labelAreaCount, 0);
    EXPECT_LE(c->m_labelAreaCount, OPLOT_LABEL_AREAS);
    DestroyWindow(w);
  }
}


// Every time-range request reaches the owner once, as WM_COMMAND with the
// control's id, the code (2 after scrolling and the window buttons, 1 after
// the full-scale and previous-scale commands) and the control's window.
TEST_F(ScalesTest, TimeRangeRequestsNotifyTheOwnerWithIdCodeAndWindow) {
  struct Case {
    const char* what;
    std::function<void(HWND)> gesture;
    int code;
  } cases[] = {
      {"scroll to the right", [](HWND w) { Scroll(w, SB_PAGERIGHT); Scroll(w, SB_ENDSCROLL); }, 2},
      {"thumb position", [](HWND w) { Scroll(w, SB_THUMBPOSITION, 100); }, 2},
      {"right-hand button", [](HWND w) { Press(w, OPLOT_ID_SCROLL_DOWN); }, 2},
      {"left-hand button", [](HWND w) { Press(w, OPLOT_ID_SCROLL_UP); }, 2},
      {"full scale", [](HWND w) { Press(w, OPLOT_CMD_FULL_SCALE); }, 1},
      {"horizontal full scale", [](HWND w) { Press(w, OPLOT_CMD_HORIZONTAL_FULL_SCALE); }, 1},
      {"previous scales", [](HWND w) { Press(w, OPLOT_CMD_PREVIOUS_SCALES); }, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) { View(ov, 5.0, 6.0); });
    ASSERT_TRUE(c->m_scrollShown);
    View(o, 4.0, 5.0);  // a second saved state for stepping back
    c->SaveCurrent();
    Notices().clear();
    k.gesture(w);
    win::script::PumpUntilIdle();
    EXPECT_EQ(Pending(w).set, 1);
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].id, 7);
    EXPECT_EQ(Notices()[0].code, k.code);
    EXPECT_EQ(Notices()[0].from, w);
    DestroyWindow(w);
  }
}


// Kept heights serve the one answer to the scroll that kept them: a later
// answer with wParam 1, to full scale or with the same range again, does
// not put an old height back over the scale the control has then.
TEST_F(ScalesTest, KeptHeightsServeOnlyTheAnswerToTheirScroll) {
  enum Next { kFullScale, kSameRangeAgain };
  for (Next next : {kFullScale, kSameRangeAgain}) {
    SCOPED_TRACE(next);
    auto [w, c, o] = ShowPlots(2, [](SVW_OVERLAY* ov) { View(ov, 4.0, 5.0); });
    ASSERT_TRUE(c->m_scrollShown);
    o->tail.scales.plotLow[0] = 0;  // below the data: kept across the scroll
    o->tail.scales.plotHigh[0] = 9000;
    Press(w, OPLOT_ID_SCROLL_DOWN);
    Request p = Pending(w);
    ASSERT_EQ(p.set, 1);
    View(o, p.start, p.end);
    SendMessageA(w, OPM_NEWTIMERANGE, 1, reinterpret_cast<LPARAM>(o));
    const double floor = o->tail.minInView[0];
    const double applied = o->tail.scales.plotHigh[0];
    ASSERT_DOUBLE_EQ(applied, 9000);  // the same data: the same height over the same floor
    double low = 0, high = 0;
    if (next == kFullScale) {
      Press(w, OPLOT_CMD_FULL_SCALE);
      p = Pending(w);
      ASSERT_EQ(p.set, 1);
      SendMessageA(w, OPM_NEWTIMERANGE, 1, reinterpret_cast<LPARAM>(o));
      c->AutoScaleSepVert(0, &low, &high);  // full scale, not the kept height
    } else {
      o->tail.scales.plotLow[0] = low = floor - 10;  // the user's scale since
      o->tail.scales.plotHigh[0] = high = floor + 20;
      SendMessageA(w, OPM_NEWTIMERANGE, 1, reinterpret_cast<LPARAM>(o));
    }
    const double nowLow = o->tail.scales.plotLow[0], nowHigh = o->tail.scales.plotHigh[0];
    EXPECT_EQ(nowLow, low);
    EXPECT_EQ(nowHigh, high);
    DestroyWindow(w);
  }
}

}  // namespace
