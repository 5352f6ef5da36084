// Layout: sliders by plot type, the bottom row and its dropping order,
// sizes too small for the parts.
#include "overlayctl/tests/control_fixture.h"

namespace {

class LayoutTest : public OPlotTest {
 protected:
  void Open(int cx, int cy, int plots, int16_t type) {
    w_ = MakeControl(7, cx, cy);
    c_ = Control(w_);
    o_ = MakeOverlay(plots);
    o_->head.displayMode = type;
    SendMessageA(w_, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o_));
    vw_ = GetSystemMetrics(SM_CXVSCROLL);
  }
  void Zoom() {
    o_->tail.viewStart = 4.0;
    o_->tail.viewEnd = 7.0;
    c_->SizeControls();
  }
  int Width(int id) const {
    RECT r = ChildRect(w_, id);
    return r.right - r.left;
  }
  HWND w_ = nullptr;
  CCtlOPlot* c_ = nullptr;
  SVW_OVERLAY* o_ = nullptr;
  int vw_ = 0;
};

TEST_F(LayoutTest, StackedSlidersLineUpDownwardsAndTheRestAreEmpty) {
  Open(600, 400, 3, OVERLAY_MODE_STACKED);
  ASSERT_EQ(c_->m_slidersShown, 1);
  const int x = c_->m_plotLeft + c_->m_plotWidth + 4;
  int y = c_->m_plotTop - 4;
  for (int s = 0; s < 3; ++s) {
    RECT r = ChildRect(w_, 40 + s);
    EXPECT_EQ(r.left, x) << s;
    EXPECT_EQ(r.top, y) << s;
    EXPECT_EQ(r.right - r.left, c_->m_sliderWidth);
    EXPECT_GT(r.bottom - r.top, 20) << s;
    y = r.bottom;
  }
  EXPECT_GE(y, c_->m_plotTop + c_->m_plotHeight);
  for (int s = 3; s < 20; ++s) EXPECT_TRUE(IsEmpty(ChildRect(w_, 40 + s))) << s;
  // Unzoomed: no bottom row.
  EXPECT_EQ(c_->m_scrollShown, 0);
  EXPECT_TRUE(IsEmpty(ChildRect(w_, 22)));
  EXPECT_TRUE(IsEmpty(ChildRect(w_, 112)));
  DestroyWindow(w_);
}

TEST_F(LayoutTest, OtherTypesGiveSliderZeroTheWholeHeight) {
  Open(600, 400, 3, OVERLAY_MODE_OVERLAID);
  RECT r = ChildRect(w_, 40);
  EXPECT_EQ(r.bottom - r.top, c_->m_plotHeight + 8 + (c_->m_segmentsShown ? c_->m_segmentBarHeight : 0));
  for (int s = 1; s < 20; ++s) EXPECT_TRUE(IsEmpty(ChildRect(w_, 40 + s))) << s;
  o_->head.displayMode = OVERLAY_MODE_NORMALISED;  // no sliders at all
  c_->SizeControls();
  for (int s = 0; s < 20; ++s) EXPECT_TRUE(IsEmpty(ChildRect(w_, 40 + s))) << s;
  DestroyWindow(w_);
}

TEST_F(LayoutTest, ZoomingInShowsTheScrollBarBetweenItsButtons) {
  Open(600, 400, 2, OVERLAY_MODE_STACKED);
  const int before = c_->m_plotHeight;
  Zoom();
  ASSERT_EQ(c_->m_scrollShown, 1);
  EXPECT_EQ(c_->m_plotHeight, before - GetSystemMetrics(SM_CYHSCROLL));
  const int W = 600 - c_->m_sliderWidth;  // the whole row is the scroll part
  RECT b21 = ChildRect(w_, 21), bar = ChildRect(w_, 22), b20 = ChildRect(w_, 20);
  EXPECT_EQ(b21.left, 0);
  EXPECT_EQ(b21.right, vw_);
  EXPECT_EQ(bar.left, vw_);
  EXPECT_EQ(bar.right, W - vw_);
  EXPECT_EQ(b20.left, W - vw_);
  EXPECT_EQ(b20.right, W);
  EXPECT_EQ(bar.top, c_->m_plotTop + c_->m_plotHeight + 4 + (c_->m_segmentsShown ? c_->m_segmentBarHeight : 0));
  EXPECT_EQ(bar.bottom - bar.top, GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_TRUE(IsEmpty(ChildRect(w_, 112)));
  DestroyWindow(w_);
}

TEST_F(LayoutTest, BottomRowDropsDataReviewThenEditIonsThenScroll) {
  Open(600, 400, 1, OVERLAY_MODE_STACKED);
  // Stand-ins for the navigation and edit-ions controls of the host features.
  for (int id : {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111})
    CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, w_,
                    reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  c_->m_editIonsOn = 1;
  c_->m_navEnabled = 1;
  const int slider = c_->m_sliderWidth;
  struct Case {
    int cx;
    bool nav, ions, scroll;
  } cases[] = {
      {28 * vw_ + slider + 10, true, true, true},   // all fit
      {20 * vw_ + slider, false, true, true},       // data review goes first
      {9 * vw_ + slider, false, false, true},       // then edit ions
  };
  for (const Case& k : cases) {
    MoveWindow(w_, 0, 0, k.cx, 400, FALSE);
    const int W = k.cx - (c_->m_slidersShown ? slider : 0);
    EXPECT_EQ(!IsEmpty(ChildRect(w_, 103)), k.nav) << k.cx;
    EXPECT_EQ(!IsEmpty(ChildRect(w_, 100)), k.ions) << k.cx;
    const int scrollPart = Width(112);  // unzoomed: the range text holds the scroll part
    EXPECT_EQ(scrollPart > 0, k.scroll) << k.cx;
    if (k.nav) {
      // The rest goes to edit ions and scroll, half each.
      const int R = W - 28 * vw_;
      EXPECT_EQ(Width(100) + Width(101), 6 * vw_ + R / 2) << k.cx;
      EXPECT_EQ(scrollPart, 6 * vw_ + R - R / 2) << k.cx;
      EXPECT_EQ(ChildRect(w_, 103).left, scrollPart);
      EXPECT_EQ(Width(110), 16 * vw_ - 12 * vw_);
    } else if (k.ions) {
      const int R = W - 12 * vw_;
      EXPECT_EQ(scrollPart, 6 * vw_ + R - R / 2) << k.cx;
      EXPECT_EQ(ChildRect(w_, 100).left, scrollPart);
      EXPECT_EQ(Width(100), 3 * vw_);
    } else {
      EXPECT_EQ(scrollPart, W) << k.cx;
    }
  }
  DestroyWindow(w_);
}

TEST_F(LayoutTest, TooSmallOrEmptySizes) {
  Open(600, 400, 2, OVERLAY_MODE_STACKED);
  Zoom();
  const RECT slider0 = ChildRect(w_, 40), bar = ChildRect(w_, 22);
  // A size of 0 keeps every child where it was.
  SendMessageA(w_, WM_SIZE, 0, MAKELPARAM(0, 400));
  const RECT slider0After = ChildRect(w_, 40), barAfter = ChildRect(w_, 22);
  EXPECT_EQ(std::memcmp(&slider0, &slider0After, sizeof slider0), 0);
  EXPECT_EQ(std::memcmp(&bar, &barAfter, sizeof bar), 0);
  // Narrower than 14 characters: no sliders, no bottom row.
  MoveWindow(w_, 0, 0, 14 * c_->m_charWidth - 1, 400, FALSE);
  for (int s = 0; s < 20; ++s) EXPECT_TRUE(IsEmpty(ChildRect(w_, 40 + s))) << s;
  EXPECT_TRUE(IsEmpty(ChildRect(w_, 22)));
  EXPECT_TRUE(IsEmpty(ChildRect(w_, 112)));
  EXPECT_EQ(c_->m_slidersShown, 0);
  DestroyWindow(w_);
}

}  // namespace

namespace {

// The segment bar under the plots: its height is counted in the sliders and
// pushes the bottom row down; it goes when the plots get too low for it.
TEST_F(LayoutTest, SegmentBarHeightIsCountedWhileItIsShown) {
  Open(600, 400, 1, OVERLAY_MODE_OVERLAID);
  SendMessageA(w_, OPM_SHOWSEGMENTS, 1, 0);
  Zoom();
  const int h = GetSystemMetrics(SM_CYHSCROLL);
  struct Case {
    int cy;
    bool segments;
  } cases[] = {
      {400, true},
      {3 * c_->m_segmentBarHeight + 8 + h, true},  // plots exactly three bars high
      {3 * c_->m_segmentBarHeight + 8 + h - 1, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.cy);
    MoveWindow(w_, 0, 0, 600, k.cy, FALSE);
    ASSERT_EQ(c_->m_segmentsShown, k.segments ? 1 : 0);
    EXPECT_EQ(SendMessageA(w_, OPM_ISSHOWINGSEGMENTS, 0, 0), k.segments ? 1 : 0);
    const int seg = k.segments ? c_->m_segmentBarHeight : 0;
    const RECT bar = ChildRect(w_, OPLOT_ID_SEGMENTS);
    if (k.segments) {
      EXPECT_EQ(bar.left, c_->m_plotLeft);
      EXPECT_EQ(bar.top, c_->m_plotTop + c_->m_plotHeight);
      EXPECT_EQ(bar.right - bar.left, c_->m_plotWidth);
      EXPECT_EQ(bar.bottom - bar.top, seg);
    } else {
      EXPECT_TRUE(IsEmpty(bar));
    }
    // Margins of 4 above and below the plots; the bar and the row fill the rest.
    EXPECT_EQ(c_->m_plotTop + c_->m_plotHeight + seg + 4 + h, k.cy);
    const RECT row = ChildRect(w_, OPLOT_ID_HSCROLL);
    EXPECT_EQ(row.top, c_->m_plotTop + c_->m_plotHeight + 4 + seg);
    const RECT slider = ChildRect(w_, OPLOT_ID_SLIDER0);
    EXPECT_EQ(slider.top, c_->m_plotTop - 4);
    EXPECT_EQ(slider.bottom - slider.top, c_->m_plotHeight + 8 + h + seg);
  }
  // Lower than the title and one plot: too small for sliders and row alike.
  MoveWindow(w_, 0, 0, 600, 2 * c_->m_charHeight, FALSE);
  EXPECT_EQ(c_->m_slidersShown, 0);
  EXPECT_EQ(c_->m_scrollShown, 0);
  EXPECT_EQ(c_->m_segmentsShown, 0);
  EXPECT_TRUE(IsEmpty(ChildRect(w_, OPLOT_ID_HSCROLL)));
  DestroyWindow(w_);
}

}  // namespace

namespace {

// A maximized plot of the stacked type gets the one full-height slider.
TEST_F(LayoutTest, MaximizedStackedPlotTakesTheWholeSliderHeight) {
  Open(600, 400, 3, OVERLAY_MODE_STACKED);
  o_->head.maximised = 1;
  o_->head.maximisedSlot = 2;
  c_->SizeControls();
  ASSERT_EQ(c_->m_slidersShown, 1);
  const RECT r = ChildRect(w_, OPLOT_ID_SLIDER0 + 2);
  EXPECT_EQ(r.top, c_->m_plotTop - 4);
  EXPECT_EQ(r.bottom - r.top, c_->m_plotHeight + 8 + (c_->m_segmentsShown ? c_->m_segmentBarHeight : 0));
  for (int s : {0, 1, 3}) EXPECT_TRUE(IsEmpty(ChildRect(w_, OPLOT_ID_SLIDER0 + s))) << s;
  o_->head.maximised = 0;
  DestroyWindow(w_);
}

}  // namespace
