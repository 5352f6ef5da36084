// The gain slider: decade factor, logarithmic position, read-back and the
// notification of a movement.
#include "specialctl/gain_slider.h"

#include <gtest/gtest.h>

#include <cmath>

#include "specialctl/tests/host_window.h"
#include "win/win_commctrl.h"
#include "win/win_script.h"

namespace {

class GainSliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    slider = new CCtlVScroll;
    ASSERT_TRUE(slider->Create(nullptr, nullptr, WS_CHILD, CRect(0, 0, 0, 0), CWnd::FromHandle(host.hwnd), 41));
    slider->MoveWindow(10, 10, 20, 200, FALSE);
  }
  void TearDown() override {
    slider->DestroyWindow();
    delete slider;
  }
  LRESULT SetRange(double bottom, double top, double lo, double hi) {
    STRUCT_VSCROLL_RANGE r{bottom, top, lo, hi};
    return slider->SendMessage(VSM_SETRANGEPOSITION, 0, reinterpret_cast<LPARAM>(&r));
  }
  int TrackPos() const { return slider->m_pSlider->GetPos(); }
  // Moves the thumb as the track bar does and reports it to the slider.
  void MoveThumb(int pos) {
    slider->m_pSlider->SetPos(pos);
    slider->SendMessage(WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos),
                        reinterpret_cast<LPARAM>(slider->m_pSlider->m_hWnd));
  }
  HostWindow host;
  CCtlVScroll* slider = nullptr;
};

TEST_F(GainSliderTest, CreationHostsAVerticalTrackBarFillingTheClientArea) {
  ASSERT_NE(slider->m_pSlider, nullptr);
  EXPECT_EQ(GetDlgCtrlID(slider->m_pSlider->m_hWnd), VSCROLL_TRACKBAR_ID);
  EXPECT_TRUE(slider->m_pSlider->GetStyle() & TBS_VERT);
  EXPECT_EQ(slider->m_pSlider->GetRangeMin(), 0);
  EXPECT_EQ(slider->m_pSlider->GetRangeMax(), VSCROLL_MAX_POSITION);
  const CRect rc = slider->m_pSlider->GetClientRect();
  EXPECT_EQ(rc.Width(), 20);
  EXPECT_EQ(rc.Height(), 200);
  EXPECT_EQ(slider->m_active, 0);
}

TEST_F(GainSliderTest, RangeSetsTheLogarithmicPositionAndReadsBack) {
  struct Case {
    double bottom, top, lo, hi;
    double factor;
    int pos;
  } cases[] = {
      {0, 1000, 0, 1000, 100.0, 16000},              // t 2,000 -> 200,000
      {0, 0.5, 0, 0.5, 100000.0, 14394},              // t raised to 1.0 first
      {0, 5e7, 0, 5e7, 0.1, 25061},                  // t 1e8 shrinks to 1e7
      {100, 600, 100, 1000, 100.0, 14394},           // base is the data minimum
  };
  for (const Case& c : cases) {
    SetRange(c.bottom, c.top, c.lo, c.hi);
    double f = 0, base = 0;
    slider->DecadeFactor(&f, &base);
    EXPECT_DOUBLE_EQ(f, c.factor) << c.top;
    EXPECT_EQ(slider->m_active, 1);
    EXPECT_EQ(TrackPos(), c.pos) << c.top;
    double out[2] = {};
    ASSERT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(out)), 1);
    EXPECT_NEAR(out[1], c.top, 1e-9 * c.top);
    EXPECT_DOUBLE_EQ(out[0], c.bottom);
  }
}

TEST_F(GainSliderTest, ShownBottomBelowTheDataReadsBackATwentiethBelowTheMinimum) {
  SetRange(-50, 1000, 0, 1000);
  double out[2] = {};
  ASSERT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(out)), 1);
  EXPECT_DOUBLE_EQ(out[1], 1000.0);
  EXPECT_DOUBLE_EQ(out[0], -50.0);  // 0 - (1000 - 0) / 20
}

TEST_F(GainSliderTest, NegativeGainParksTheThumbAndEmptyRangeDeactivates) {
  SetRange(500, 100, 200, 1000);  // top below the base
  EXPECT_EQ(slider->m_active, 0);
  EXPECT_EQ(TrackPos(), 16000);
  double out[2] = {7, 7};
  EXPECT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(out)), 0);
  EXPECT_EQ(out[0], 7);

  SetRange(0, 1000, 0, 1000);
  EXPECT_EQ(slider->m_active, 1);
  SetRange(0, 1000, 5, 5);  // minimum not below maximum
  EXPECT_EQ(slider->m_active, 0);
  EXPECT_EQ(slider->m_pSlider->GetRangeMin(), 1);
  EXPECT_EQ(slider->m_pSlider->GetRangeMax(), 1);
  EXPECT_EQ(TrackPos(), 1);

  SetRange(0, 1000, 0, 1000);
  slider->SendMessage(VSM_NORANGE);
  EXPECT_EQ(slider->m_active, 0);
  EXPECT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(out)), 0);
}

// A range that holds no finite scale leaves the slider without a range: it
// answers no position, so its owner keeps the scale it had.
TEST_F(GainSliderTest, NonFiniteRangeNeitherHangsNorActivates) {
  struct Case {
    double bottom, top, lo, hi;
    const char* what;
  } cases[] = {
      {0, 1000, 0, INFINITY, "infinite data maximum"},
      {0, 1000, -INFINITY, 1000, "infinite data minimum"},
      {0, 1000, NAN, 1000, "data minimum not a number"},
      {0, NAN, 0, 1000, "shown top not a number"},
      {0, INFINITY, 0, 1000, "infinite shown top"},
      {NAN, 1000, 0, 1000, "shown bottom not a number"},
      {0, 1e308, 0, 1000, "a top whose gain overflows"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    SetRange(0, 1000, 0, 1000);
    ASSERT_EQ(slider->m_active, 1);
    SetRange(k.bottom, k.top, k.lo, k.hi);
    EXPECT_EQ(slider->m_active, 0);
    double out[2] = {7, 8};
    EXPECT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(out)), 0);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 8);
    // Moving the thumb now tells nobody.
    HostWindow::Commands().clear();
    MoveThumb(20000);
    win::script::PumpUntilIdle();
    EXPECT_TRUE(HostWindow::Commands().empty());
  }
  // A null record changes nothing.
  SetRange(0, 1000, 0, 1000);
  EXPECT_EQ(slider->SendMessage(VSM_SETRANGEPOSITION, 0, 0), 0);
  EXPECT_EQ(slider->m_active, 1);
  EXPECT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, 0), 0);
}

TEST_F(GainSliderTest, MovingTheThumbSetsTheGainAndNotifiesTheParent) {
  SetRange(0, 1000, 0, 1000);
  HostWindow::Commands().clear();
  struct Case {
    int pos;
    double gain;
  } cases[] = {{0, 100.0}, {32000, 1e8}, {16000, 1e5}};
  for (const Case& c : cases) {
    MoveThumb(c.pos);
    EXPECT_NEAR(slider->m_gain, c.gain, c.gain * 1e-12);
  }
  win::script::PumpUntilIdle();
  ASSERT_EQ(HostWindow::Commands().size(), 3u);
  for (const HostCommand& cmd : HostWindow::Commands()) {
    EXPECT_EQ(cmd.id, 41);
    EXPECT_EQ(cmd.code, 1);
    EXPECT_EQ(cmd.from, slider->m_hWnd);
  }
  double out[2] = {};
  ASSERT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(out)), 1);
  EXPECT_NEAR(out[1], 1000.0, 1e-9);

  // An inactive slider's movements change nothing and notify nobody.
  slider->SendMessage(VSM_NORANGE);
  HostWindow::Commands().clear();
  const double before = slider->m_gain;
  MoveThumb(1);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(HostWindow::Commands().empty());
  EXPECT_EQ(slider->m_gain, before);
}

TEST_F(GainSliderTest, KeyboardOnTheTrackBarNotifiesThroughTheSlider) {
  SetRange(0, 1000, 0, 1000);
  HostWindow::Commands().clear();
  ::SetFocus(slider->m_pSlider->m_hWnd);
  win::script::PressKey(VK_DOWN);
  win::script::PumpUntilIdle();
  ASSERT_FALSE(HostWindow::Commands().empty());
  EXPECT_EQ(HostWindow::Commands().back().id, 41);
  EXPECT_EQ(slider->m_position, TrackPos());
  EXPECT_NE(TrackPos(), 16000);
}

}  // namespace

namespace {

// The decade loops stop exactly at their bounds: t - minimum reaching
// 100,000 stops the raising, t at 10,000,000 is not lowered.
TEST_F(GainSliderTest, DecadeFactorAtTheBoundsOfItsLoops) {
  struct Case {
    double lo, hi;
    double factor;
  } cases[] = {
      {0, 50000, 1.0},            // t = 100,000: not raised
      {0, 49999, 10.0},           // just below: one decade
      {0, 5e6, 1.0},              // t = 10,000,000: not lowered
      {0, 5e6 + 1, 0.1},          // just above: one decade down
      {-1e5, -50000, 1.0},        // t below 1 is raised to 1; 1 + 100,000 is enough
      {1e9, 1e9 + 10, 1e-3},      // raised once (t - minimum is 20), then lowered four times
  };
  for (const Case& k : cases) {
    slider->m_range = STRUCT_VSCROLL_RANGE{k.lo, k.hi, k.lo, k.hi};
    double f = 0, base = 0;
    slider->DecadeFactor(&f, &base);
    EXPECT_DOUBLE_EQ(f, k.factor) << k.lo << ".." << k.hi;
    EXPECT_EQ(base, k.lo);
  }
}

// Positions are truncated toward zero and clamped to the track.
TEST_F(GainSliderTest, PositionIsTruncatedAndClamped) {
  struct Case {
    double top;
    int pos;
  } cases[] = {
      {1000, 16000},   // gain 100,000: exactly half way
      {999, 15997},    // 15,997.68 is truncated, not rounded
      {1.0, 0},        // gain 100: the bottom of the track
      {0.5, 0},        // gain below 100: clamped to 0
      {0.0, 0},        // gain 0 (top on the base): still active, at the bottom
      {1e6 + 1, 32000},  // gain above 100,000,000: clamped to the top
  };
  for (const Case& k : cases) {
    SetRange(0, k.top, 0, 1000);  // factor 100
    EXPECT_EQ(slider->m_active, 1) << k.top;
    EXPECT_EQ(TrackPos(), k.pos) << k.top;
    EXPECT_EQ(slider->m_position, k.pos) << k.top;
    double out[2] = {};
    ASSERT_EQ(slider->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(out)), 1);
    // Read back from the stored gain, not from the truncated position.
    EXPECT_NEAR(out[1], k.top, 1e-9 * (1 + k.top));
  }
}

}  // namespace
