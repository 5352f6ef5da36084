// The "Ctl_Page" control driven through its messages and the mouse.
#include <gtest/gtest.h>

#include <string>

#include "common/library_state.h"
#include "reportpages/view_page_control.h"
#include "testing/golden_window.h"
#include "viewer_fixture.h"
#include "win/win_stdio.h"

namespace {

class ViewPageControl : public ViewerRootTest {
 protected:
  void SetUp() override {
    ViewerRootTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ViewPageHost";
    RegisterClassA(&wc);
    parent_ = CreateWindowExA(0, "ViewPageHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 600, 700, nullptr, nullptr,
                              nullptr, nullptr);
    CMPage* page = MPM_InitMetaPageMaker(&prefs_, 80, 60, 0);
    ASSERT_NE(page, nullptr);
    MPM_StartNewPage(page, 0);
    HDC dc = MPM_GetMetaFileDC(page);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 0, 0, 16383, 16000);  // the upper left quarter
    int16_t w = 0, h = 0;
    MPM_SelectFixedFont(page, &w, &h);
    MPM_CLTextOut(page, 50, 40, "Text on the page");
    content_ = MPM_EndPage(page);
    MPM_FreeMetaPageMaker(page);
    ASSERT_NE(content_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(parent_)) DestroyWindow(parent_);
    GlobalFree(content_);
    ViewerRootTest::TearDown();
  }
  HWND Make() {
    HWND c = KELTCreateViewPageCtrl(parent_);
    MoveWindow(c, 0, 0, 400, 500, TRUE);
    ShowWindow(c, SW_SHOW);
    return c;
  }
  LRESULT SetPage(HWND c, int32_t width, int32_t columns, int32_t lines, RECT view) {
    VPC_SET_PAGE_RECORD r{content_, width, 32767, columns, lines, view.left, view.top, view.right, view.bottom};
    const LRESULT result = SendMessageA(c, VPC_SET_PAGE, 0, LPARAM(&r));
    win::script::PumpUntilIdle();
    return result;
  }
  VPC_STATE State(HWND c) {
    VPC_STATE s{};
    EXPECT_TRUE(VPC_GetState(c, &s));
    return s;
  }
  HWND parent_ = nullptr;
  HGLOBAL content_ = nullptr;
};

}  // namespace

TEST_F(ViewPageControl, TakesPagesAndRefusesGridsWithoutSize) {
  HWND c = Make();
  VPC_STATE s = State(c);
  EXPECT_EQ(s.display, 1);
  EXPECT_EQ(s.wholePage, 1);
  EXPECT_EQ(s.cursorShown, 1);
  EXPECT_EQ(SetPage(c, 0, 80, 60, {0, 0, 80, 60}), 1);
  s = State(c);
  EXPECT_EQ(s.logicalWidth, 32767);
  EXPECT_EQ(s.viewWidth, 80);
  EXPECT_EQ(s.drawn.left, 2);
  EXPECT_EQ(s.drawn.right, 398);
  // The black quarter is drawn top left, the frame round the client.
  EXPECT_EQ(win::script::WindowPixel(c, 40, 40), RGB(0, 0, 0));
  EXPECT_EQ(win::script::WindowPixel(c, 300, 300), RGB(255, 255, 255));
  EXPECT_EQ(win::script::WindowPixel(c, 0, 100), RGB(128, 128, 128));
  EXPECT_EQ(win::script::WindowPixel(c, 1, 100), RGB(64, 64, 64));
  // Grids or views without size would divide by zero: refused, nothing drawn.
  struct Case {
    int32_t columns, lines;
    RECT view;
  } bad[] = {{0, 60, {0, 0, 80, 60}}, {80, 0, {0, 0, 80, 60}}, {80, 60, {10, 0, 10, 60}}, {80, 60, {0, 5, 80, 5}}};
  for (const Case& b : bad) {
    EXPECT_EQ(SetPage(c, 0, b.columns, b.lines, b.view), 0);
    EXPECT_EQ(State(c).content, nullptr);
    EXPECT_EQ(State(c).drawn.right, 0);
  }
  SendMessageA(c, VPC_SET_MODE, 3, 0);
  EXPECT_EQ(State(c).mode, 3);
  SendMessageA(c, VPC_SET_DISPLAY, 0, 0);
  EXPECT_EQ(State(c).display, 0);
  EXPECT_EQ(SendMessageA(c, WM_USER + 99, 0, 0), 0);
  DestroyWindow(c);
}

TEST_F(ViewPageControl, ZoomRectangleAlwaysFitsThePageView) {
  // Settings of a zoomed control whose rectangle has no size.
  VPC_PARAMS p{70, 0, 0, 0, 0};
  ASSERT_TRUE(WritePrivateProfileStructA("VPCParams", "Params", &p, sizeof p, kelt::lib::PreferencesIniPath()));
  HWND c = Make();
  EXPECT_EQ(SetPage(c, 0, 80, 60, {0, 0, 40, 60}), 1);
  VPC_STATE s = State(c);
  EXPECT_EQ(s.wholePage, 0);
  EXPECT_EQ(s.zoomWidth, 40);  // 50 would reach past the 40 columns of the view
  EXPECT_EQ(s.zoomLeft, 0);
  EXPECT_EQ(s.zoomHeight, 10);
  int lo = -1, hi = -1;
  GetScrollRange(c, SB_HORZ, &lo, &hi);
  EXPECT_EQ(hi, 0);
  GetScrollRange(c, SB_VERT, &lo, &hi);
  EXPECT_EQ(hi, 50);
  SendMessageA(c, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(State(c).zoomTop, 10);
  SendMessageA(c, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(State(c).zoomTop, 50);
  SendMessageA(c, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(State(c).zoomTop, 50);
  SendMessageA(c, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), 0);
  EXPECT_EQ(State(c).zoomTop, 7);
  DestroyWindow(c);
  // The rectangle is kept for the next control.
  VPC_PARAMS saved{};
  ASSERT_TRUE(GetPrivateProfileStructA("VPCParams", "Params", &saved, sizeof saved, kelt::lib::PreferencesIniPath()));
  EXPECT_EQ(saved.zoomWidth, 40);
  EXPECT_EQ(saved.zoomTop, 7);
  EXPECT_EQ(saved.wholePage, 0);
}

TEST_F(ViewPageControl, DragZoomsClicksBeepAndDoubleClickReturns) {
  HWND c = Make();
  ASSERT_EQ(SetPage(c, 0, 80, 60, {0, 0, 80, 60}), 1);
  win::script::MouseMove(c, 100, 100);
  EXPECT_EQ(win::script::CurrentCursorName(), "ZOOM_CURSOR");
  const size_t beeps = win::script::BeepLog().size();
  win::script::Drag(c, {100, 100}, {110, 110});
  EXPECT_EQ(State(c).wholePage, 1);
  // A double click is a click (its band too small: a beep) and the double click.
  win::script::DoubleClick(c, 200, 200);
  EXPECT_EQ(win::script::BeepLog().size(), beeps + 3);
  EXPECT_EQ(State(c).wholePage, 1);

  // A quarter of the drawn page, from its left edge.
  win::script::Drag(c, {2, 2}, {200, 250});
  VPC_STATE s = State(c);
  EXPECT_EQ(s.wholePage, 0);
  EXPECT_EQ(s.cursorShown, 1);
  EXPECT_EQ(s.zoomLeft, 0);
  EXPECT_NEAR(s.zoomWidth, 40, 2);
  EXPECT_GE(s.zoomHeight, 3);
  RECT client{};
  GetClientRect(c, &client);
  EXPECT_LT(client.right, 400);  // the scroll bars took their room
  // Zoomed on the black quarter.
  EXPECT_EQ(win::script::WindowPixel(c, 100, 100), RGB(0, 0, 0));
  SendMessageA(c, WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(State(c).zoomLeft, 1);
  win::script::DoubleClick(c, 100, 100);
  EXPECT_EQ(State(c).wholePage, 1);
  GetClientRect(c, &client);
  EXPECT_EQ(client.right, 400);
  SendMessageA(c, WM_HSCROLL, SB_LINEDOWN, 0);  // no panning of the whole page
  EXPECT_EQ(State(c).zoomLeft, 1);
  SendMessageA(c, VPC_DROP_PAGE, 0, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(State(c).drawn.right, 0);
  EXPECT_FALSE(VPC_GetState(parent_, nullptr));
  DestroyWindow(c);
}

TEST_F(ViewPageControl, ZoomedPicture) {
  HWND c = Make();
  ASSERT_EQ(SetPage(c, 0, 80, 60, {0, 0, 80, 60}), 1);
  win::script::Drag(c, {150, 250}, {390, 400});
  win::script::PumpUntilIdle();
  EXPECT_EQ(State(c).wholePage, 0);
  testing_support::ExpectWindowAsStored(c, REPORTPAGES_GOLDEN_DIR, "view-page-zoomed.png");
  DestroyWindow(c);
}

