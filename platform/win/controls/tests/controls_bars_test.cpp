// Track bar, up-down with a buddy, status bar, progress bar.
#include "controls_test_support.h"

namespace {
class BarsTest : public ControlParentTest {};
}  // namespace

TEST_F(BarsTest, TrackBarMovesByKeysPagesAndDragAndTellsItsParent) {
  HWND track = Child(TRACKBAR_CLASSA, TBS_AUTOTICKS, 10, 10, 216, 30, 3);
  SendMessageA(track, TBM_SETRANGE, TRUE, MAKELPARAM(164, 564));
  SendMessageA(track, TBM_SETPAGESIZE, 0, 40);
  SendMessageA(track, TBM_SETPOS, TRUE, 9999);  // clamped
  EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 564);
  SendMessageA(track, TBM_SETPOS, TRUE, 364);
  SetFocus(track);
  win::script::PressKey(VK_RIGHT);
  EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 365);
  win::script::PressKey(VK_PRIOR);
  EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 325);
  win::script::PressKey(VK_END);
  EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 564);
  auto lines = Seen(WM_HSCROLL, TB_LINEDOWN);
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_EQ(Seen(WM_HSCROLL, TB_PAGEUP).size(), 1u);
  EXPECT_EQ(Seen(WM_HSCROLL, TB_BOTTOM).size(), 1u);
  EXPECT_EQ(Seen(WM_HSCROLL, TB_ENDTRACK).size(), 3u);
  // Drag the thumb to the middle of the channel.
  seen.clear();
  RECT thumb{};
  SendMessageA(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  POINT from{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
  win::script::Drag(track, from, POINT{108, from.y});
  EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 364);  // 8 + 100 of 200 pixels
  EXPECT_FALSE(Seen(WM_HSCROLL, TB_THUMBTRACK).empty());
  auto done = Seen(WM_HSCROLL, TB_THUMBPOSITION);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(HIWORD(done[0].wParam), 364);
}

TEST_F(BarsTest, UpDownWithBuddyStepsWrapsAndCanBeRefused) {
  HWND edit = Child("Edit", WS_BORDER, 10, 10, 60, 20, 20);
  HWND spin = Child(UPDOWN_CLASSA, UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_WRAP, 0, 0,
                    16, 20, 21);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0)), edit);
  RECT er{}, sr{};
  GetWindowRect(edit, &er);
  GetWindowRect(spin, &sr);
  EXPECT_EQ(er.right, sr.left);  // the spin sits at the buddy's right edge, inside its old width
  EXPECT_EQ(sr.right - er.left, 60);
  SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(45, 0));
  SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(44, 0));
  EXPECT_EQ(win::script::Text(edit), "44");
  win::script::Click(spin, 8, 4);  // up arrow
  EXPECT_EQ(win::script::Text(edit), "45");
  win::script::Click(spin, 8, 4);  // wraps
  EXPECT_EQ(win::script::Text(edit), "0");
  SetFocus(edit);
  win::script::PressKey(VK_DOWN);  // the buddy's arrow keys step too; wraps to the top
  EXPECT_EQ(win::script::Text(edit), "45");
  EXPECT_EQ(Seen(WM_NOTIFY, UDN_DELTAPOS).size(), 3u);
  // A typed value is read back; a non-number reports an error.
  SetWindowTextA(edit, "12");
  EXPECT_EQ(SendMessageA(spin, UDM_GETPOS, 0, 0), MAKELONG(12, 0));
  SetWindowTextA(edit, "abc");
  EXPECT_EQ(HIWORD(SendMessageA(spin, UDM_GETPOS, 0, 0)), 1);
  SetWindowTextA(edit, "20");
  onNotify = [](NMHDR* hdr) -> LRESULT { return hdr->code == UDN_DELTAPOS ? TRUE : 0; };
  win::script::Click(spin, 8, 16);
  EXPECT_EQ(win::script::Text(edit), "20");  // refused
  onNotify = nullptr;
  DestroyWindow(spin);
  SetFocus(edit);
  win::script::PressKey(VK_DOWN);  // the buddy outlives its spin
  EXPECT_EQ(win::script::Text(edit), "20");
}

TEST_F(BarsTest, StatusBarPartsTextsAndGrip) {
  HWND status = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, "Ready", parent, 30);
  ASSERT_NE(status, nullptr);
  RECT pc{}, sr{};
  GetClientRect(parent, &pc);
  GetWindowRect(status, &sr);
  POINT tl{sr.left, sr.top};
  ScreenToClient(parent, &tl);
  EXPECT_EQ(tl.y + (sr.bottom - sr.top), pc.bottom);  // docked at the bottom
  int parts[] = {100, 200, -1};
  EXPECT_TRUE(SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts)));
  EXPECT_TRUE(SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Scan 12")));
  EXPECT_FALSE(SendMessageA(status, SB_SETTEXTA, 3, reinterpret_cast<LPARAM>("x")));
  char buf[32];
  EXPECT_EQ(LOWORD(SendMessageA(status, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(buf))), 7);
  EXPECT_STREQ(buf, "Scan 12");
  EXPECT_EQ(LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, 0, 0)), 5);  // "Ready"
  EXPECT_EQ(SendMessageA(status, SB_GETPARTS, 0, 0), 3);
  EXPECT_FALSE(SendMessageA(status, SB_SETPARTS, 0, reinterpret_cast<LPARAM>(parts)));
  // The parent grows; its WM_SIZE passed on re-docks the bar.
  MoveWindow(parent, 0, 0, 500, 400, TRUE);
  SendMessageA(status, WM_SIZE, 0, 0);
  GetClientRect(parent, &pc);
  GetWindowRect(status, &sr);
  EXPECT_EQ(sr.right - sr.left, pc.right);
  POINT grip{sr.right - 3, sr.bottom - 3};
  EXPECT_EQ(SendMessageA(status, WM_NCHITTEST, 0, MAKELPARAM(grip.x, grip.y)), 17);
}

TEST_F(BarsTest, ProgressBarRangeStepAndWrap) {
  HWND bar = Child(PROGRESS_CLASSA, 0, 10, 10, 200, 18, 40);
  SendMessageA(bar, PBM_SETRANGE32, 0, 50);
  SendMessageA(bar, PBM_SETSTEP, 20, 0);
  EXPECT_EQ(SendMessageA(bar, PBM_STEPIT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(bar, PBM_STEPIT, 0, 0), 20);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 40);
  SendMessageA(bar, PBM_STEPIT, 0, 0);  // past the end: wraps
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 500, 0), 10);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 50);
  PBRANGE range{};
  SendMessageA(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 50);
}
