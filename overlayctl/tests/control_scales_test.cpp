// Scales of the control: saved states and stepping back through them, the
// sliders after automatic scaling, scrolling requests and the kept height
// of a scale across a scroll.
#include "overlayctl/tests/control_fixture.h"
#include "specialctl/gain_slider.h"

namespace {

using ScalesTest = OPlotTest;

// The overlay shows another range, as the owner would refill it.
void View(SVW_OVERLAY* o, double start, double end) {
  o->tail.viewStart = start;
  o->tail.viewEnd = end;
}

TEST_F(ScalesTest, SavedStatesRingOfFiveAndPreviousScalingWalksBack) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(2);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
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
    SendMessageA(w, WM_COMMAND, OPLOT_CMD_PREVIOUS_SCALES, 0);
    double pending[3] = {};
    ASSERT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending)), 1);
    EXPECT_EQ(pending[0], expect);
    EXPECT_EQ(pending[1], expect + 1);
    const double high = o->tail.scales.plotHigh[0];
    EXPECT_EQ(high, expect == 7 ? 7777 : 1000.0 * expect);
  }
}

TEST_F(ScalesTest, PreviousScalingNeedsTwoSavedStates) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(1);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  c->m_historyCount = c->m_historyNext = c->m_historyCurrent = 0;
  c->SaveCurrent();
  c->m_zoomPending = 0;
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_PREVIOUS_SCALES, 0);
  double pending[3] = {};
  EXPECT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending)), 0);
}

TEST_F(ScalesTest, SlidersStandForTheAutomaticScaleAfterVerticalFullScale) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(3);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  o->tail.scales.plotLow[1] = 123;  // a hand-set scale, replaced by full scale
  o->tail.scales.plotHigh[1] = 456;
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_VERTICAL_FULL_SCALE, 0);
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
    ASSERT_EQ(SendMessageA(GetDlgItem(w, OPLOT_ID_SLIDER0 + i), VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(r)), 1);
    // Within the slider's resolution: its track has 32,000 steps over a gain scale.
    EXPECT_NEAR(r[1], high, (high - low) * 2e-3);
    EXPECT_NEAR(r[0], low, (high - low) * 5e-3);
  }
}

TEST_F(ScalesTest, ScrollingToTheEndKeepsTheWindowWidthAndEndsAtTheDataEnd) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(2);
  const double fs = o->tail.homeStart, fe = o->tail.homeEnd, view = (fe - fs) / 4;
  View(o, fs + view, fs + 2 * view);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_scrollShown);
  // After the paint the bar stands for the shown window.
  EXPECT_NEAR(c->m_hScrollPos, 10000.0 / 3, 1.0);
  HWND bar = GetDlgItem(w, OPLOT_ID_HSCROLL);
  Notices().clear();
  SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), reinterpret_cast<LPARAM>(bar));
  SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar));
  double pending[3] = {};
  ASSERT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending)), 1);
  EXPECT_DOUBLE_EQ(pending[1], fe);
  EXPECT_NEAR(pending[1] - pending[0], view, 1e-9);
  win::script::PumpUntilIdle();
  ASSERT_FALSE(Notices().empty());
  EXPECT_EQ(Notices().back().code, 2);

  // The right-hand button widens the window to the right, at most to the data end.
  c->m_zoomPending = 0;
  View(o, fe - 1.5 * view, fe - 0.5 * view);
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(OPLOT_ID_SCROLL_DOWN, BN_CLICKED), 0);
  ASSERT_EQ(SendMessageA(w, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending)), 1);
  EXPECT_DOUBLE_EQ(pending[0], fe - 1.5 * view);
  EXPECT_DOUBLE_EQ(pending[1], fe);
}

TEST_F(ScalesTest, AScaleBelowTheDataKeepsItsHeightAcrossAScroll) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(2);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
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
  HWND w = MakeControl();
  SVW_OVERLAY* o = MakeOverlay(2);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  STRUCT_OPLOT_SET_SCALES r{};
  r.plot = 1;
  r.low1 = -10;
  r.high1 = 500;
  SendMessageA(w, OPM_SETPLOTSCALES, 0, reinterpret_cast<LPARAM>(&r));
  double low = o->tail.scales.plotLow[1], high = o->tail.scales.plotHigh[1];
  EXPECT_EQ(low, -10);
  EXPECT_EQ(high, 500);
  r.low1 = r.high1 = 3;
  SendMessageA(w, OPM_SETPLOTSCALES, 0, reinterpret_cast<LPARAM>(&r));
  double autoLow = 0, autoHigh = 0;
  OPLOT_AutoScaleSepVert(o, 1, &autoLow, &autoHigh);
  low = o->tail.scales.plotLow[1];
  high = o->tail.scales.plotHigh[1];
  EXPECT_EQ(low, autoLow);
  EXPECT_EQ(high, autoHigh);
}

}  // namespace

namespace {

TEST_F(ScalesTest, DualScaleGroupsByUnitWithCountsOnTheLeft) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(4);
  std::strcpy(o->slots[0].units, "mV");
  std::strcpy(o->slots[1].units, "mV");
  std::strcpy(o->slots[2].units, "Counts");
  std::strcpy(o->slots[3].units, "Counts");
  o->head.displayMode = OVERLAY_MODE_TWO_SCALES;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
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

}  // namespace
