// The toolbar with a mapped bitmap, separators, wrapping and a drop-down
// button; tooltips relayed from mouse moves; image lists.
#include <cstring>

#include "controls_test_support.h"
#include "win/win_gdi.h"
#include "win/win_resources.h"

namespace {

constexpr int kOpen = 2701, kScale = 2702, kMode = 2718, kCheck = 2709;

HMODULE Module() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7C000000)); }

// A strip of three 16x16 images: red, green, blue squares on light grey
// with a black outline (grey and black are mapped to the system colours).
void AddStrip() {
  win::resources::BitmapResource bmp;
  bmp.width = 48;
  bmp.height = 16;
  const COLORREF inks[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 48; ++x) {
      int k = x / 16, lx = x % 16;
      bool edge = lx == 2 || lx == 13 || y == 2 || y == 13;
      bool inside = lx > 2 && lx < 13 && y > 2 && y < 13;
      bmp.pixels.push_back(edge && lx >= 2 && lx <= 13 && y >= 2 && y <= 13 ? RGB(0, 0, 0)
                           : inside ? inks[k]
                                    : RGB(192, 192, 192));
    }
  win::resources::AddBitmap(Module(), 686, bmp);
}

class ToolbarTest : public ControlParentTest {
 protected:
  void TearDown() override {
    win::resources::RemoveModule(Module());
    ControlParentTest::TearDown();
  }
  HWND MakeToolbar(DWORD style) {
    AddStrip();
    HWND tb = Child(TOOLBARCLASSNAMEA, style | CCS_TOP, 0, 0, 0, 0, 80);
    SendMessageA(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(tb, TB_SETANCHORHIGHLIGHT, TRUE, 0);
    SendMessageA(tb, TB_SETBITMAPSIZE, 0, MAKELONG(16, 16));
    SendMessageA(tb, TB_SETBUTTONSIZE, 0, MAKELONG(24, 22));
    HBITMAP strip = CreateMappedBitmap(reinterpret_cast<HINSTANCE>(Module()), 686, 0, nullptr, 0);
    EXPECT_NE(strip, nullptr);
    TBADDBITMAP ab{nullptr, reinterpret_cast<UINT_PTR>(strip)};
    EXPECT_EQ(SendMessageA(tb, TB_ADDBITMAP, 3, reinterpret_cast<LPARAM>(&ab)), 0);
    // 20 bytes an entry, as callers allocate them.
    std::vector<unsigned char> raw(5 * 20, 0);
    TBBUTTON* b = reinterpret_cast<TBBUTTON*>(raw.data());
    b[0] = TBBUTTON{0, kOpen, TBSTATE_ENABLED | TBSTATE_WRAP, TBSTYLE_BUTTON, {0, 0}, 0, 0};
    b[1] = TBBUTTON{0, 0, TBSTATE_WRAP, TBSTYLE_SEP, {0, 0}, 0, 0};
    b[2] = TBBUTTON{1, kScale, TBSTATE_ENABLED | TBSTATE_WRAP, TBSTYLE_BUTTON, {0, 0}, 0, 0};
    b[3] = TBBUTTON{2, kMode, TBSTATE_ENABLED | TBSTATE_WRAP, TBSTYLE_DROPDOWN, {0, 0}, 0, 0};
    b[4] = TBBUTTON{0, kCheck, TBSTATE_ENABLED, TBSTYLE_CHECK, {0, 0}, 0, 0};
    for (int i = 0; i < 5; ++i) b[i].fsState &= static_cast<BYTE>(~TBSTATE_WRAP);  // one row here
    EXPECT_TRUE(SendMessageA(tb, TB_ADDBUTTONSA, 5, reinterpret_cast<LPARAM>(raw.data())));
    SendMessageA(tb, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageA(tb, TB_AUTOSIZE, 0, 0);
    DeleteObject(strip);
    return tb;
  }
};

}  // namespace

TEST_F(ToolbarTest, ButtonsCommandsDropDownAndStates) {
  HWND tb = MakeToolbar(TBSTYLE_FLAT);
  EXPECT_EQ(SendMessageA(tb, TB_BUTTONCOUNT, 0, 0), 5);
  SIZE max{};
  EXPECT_TRUE(SendMessageA(tb, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&max)));
  EXPECT_EQ(max.cx, 24 + 8 + 24 + (24 + 14) + 24);  // the drop-down button carries its arrow
  EXPECT_EQ(max.cy, 2 + 22);
  RECT wr{};
  GetWindowRect(tb, &wr);
  RECT pc{};
  GetClientRect(parent, &pc);
  EXPECT_EQ(wr.right - wr.left, pc.right);  // autosized to the parent's width

  RECT r{};
  ASSERT_TRUE(SendMessageA(tb, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)));
  win::script::Click(tb, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  auto commands = Seen(WM_COMMAND, BN_CLICKED);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, kScale);

  // The arrow of the drop-down button asks for its menu instead.
  seen.clear();
  int dropped = 0;
  onNotify = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code == TBN_DROPDOWN) {
      dropped = reinterpret_cast<NMTOOLBARA*>(hdr)->iItem;
      return TBDDRET_NODEFAULT;
    }
    return 0;
  };
  ASSERT_TRUE(SendMessageA(tb, TB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r)));
  win::script::Click(tb, r.right - 5, (r.top + r.bottom) / 2);
  EXPECT_EQ(dropped, kMode);
  EXPECT_TRUE(Seen(WM_COMMAND, BN_CLICKED).empty());
  win::script::Click(tb, r.left + 5, (r.top + r.bottom) / 2);
  EXPECT_EQ(Seen(WM_COMMAND, BN_CLICKED).size(), 1u);  // the face is a plain button

  // Disabled buttons do nothing; check buttons toggle.
  seen.clear();
  EXPECT_TRUE(SendMessageA(tb, TB_ENABLEBUTTON, kOpen, MAKELONG(FALSE, 0)));
  EXPECT_FALSE(SendMessageA(tb, TB_ISBUTTONENABLED, kOpen, 0));
  ASSERT_TRUE(SendMessageA(tb, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
  win::script::Click(tb, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_TRUE(seen.empty());
  ASSERT_TRUE(SendMessageA(tb, TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r)));
  win::script::Click(tb, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_TRUE(SendMessageA(tb, TB_ISBUTTONCHECKED, kCheck, 0));
  EXPECT_TRUE(SendMessageA(tb, TB_CHECKBUTTON, kCheck, MAKELONG(FALSE, 0)));
  EXPECT_FALSE(SendMessageA(tb, TB_ISBUTTONCHECKED, kCheck, 0));
  EXPECT_FALSE(SendMessageA(tb, TB_ENABLEBUTTON, 9999, MAKELONG(TRUE, 0)));
  EXPECT_EQ(SendMessageA(tb, TB_GETSTATE, 9999, 0), -1);

  // The mapped bitmap's grey became the face colour; the red square shows.
  win::script::PumpUntilIdle();
  ASSERT_TRUE(SendMessageA(tb, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)));  // image 1: green
  int ix = r.left + (24 - 16) / 2, iy = r.top + (22 - 16) / 2;
  EXPECT_EQ(win::script::WindowPixel(tb, ix + 8, iy + 8), RGB(0, 255, 0));
  EXPECT_EQ(win::script::WindowPixel(tb, ix + 2, iy + 8), GetSysColor(COLOR_BTNTEXT));
  EXPECT_EQ(win::script::WindowPixel(tb, ix + 0, iy + 0), GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(win::script::SaveWindowPng(tb, "C:\\TEMP\\toolbar.png"));

  // Reading, deleting and inserting a button.
  TBBUTTON got{};
  EXPECT_TRUE(SendMessageA(tb, TB_GETBUTTON, 3, reinterpret_cast<LPARAM>(&got)));
  EXPECT_EQ(got.idCommand, kMode);
  EXPECT_TRUE(SendMessageA(tb, TB_DELETEBUTTON, 3, 0));
  EXPECT_EQ(SendMessageA(tb, TB_COMMANDTOINDEX, kMode, 0), -1);
  EXPECT_TRUE(SendMessageA(tb, TB_INSERTBUTTONA, 3, reinterpret_cast<LPARAM>(&got)));
  EXPECT_EQ(SendMessageA(tb, TB_COMMANDTOINDEX, kMode, 0), 3);
  EXPECT_FALSE(SendMessageA(tb, TB_DELETEBUTTON, 7, 0));
  EXPECT_FALSE(SendMessageA(tb, TB_GETBUTTON, 7, reinterpret_cast<LPARAM>(&got)));
}

TEST_F(ToolbarTest, WrapStatesMakeRowsAndWrapableBarsWrapToTheirParent) {
  HWND tb = MakeToolbar(0);
  EXPECT_TRUE(SendMessageA(tb, TB_SETSTATE, kScale, TBSTATE_ENABLED | TBSTATE_WRAP));
  SIZE max{};
  SendMessageA(tb, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&max));
  EXPECT_EQ(max.cy, 2 + 22 + 22);
  EXPECT_EQ(SendMessageA(tb, TB_GETROWS, 0, 0), 2);
  DestroyWindow(tb);

  MoveWindow(parent, 0, 0, 80, 200, TRUE);
  HWND wrap = MakeToolbar(TBSTYLE_WRAPABLE);
  RECT pc{};
  GetClientRect(parent, &pc);
  SendMessageA(wrap, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&max));
  EXPECT_LE(max.cx, pc.right);
  EXPECT_GE(SendMessageA(wrap, TB_GETROWS, 0, 0), 2);
}

TEST_F(ToolbarTest, ToolTipsShowAfterTheDelayAndAskForCallbackTexts) {
  HWND tb = MakeToolbar(TBSTYLE_TOOLTIPS);
  HWND tips = reinterpret_cast<HWND>(SendMessageA(tb, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 4);  // not the separator
  onNotify = [](NMHDR* hdr) -> LRESULT {
    if (hdr->code == TTN_GETDISPINFOA) {
      auto* di = reinterpret_cast<NMTTDISPINFOA*>(hdr);
      std::snprintf(di->szText, sizeof di->szText, "Button %d", static_cast<int>(hdr->idFrom));
    }
    return 0;
  };
  RECT r{};
  SendMessageA(tb, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  win::script::MouseMove(tb, r.left + 3, r.top + 3);
  EXPECT_FALSE(IsWindowVisible(tips));
  win::script::AdvanceClock(600);
  EXPECT_TRUE(IsWindowVisible(tips));
  EXPECT_EQ(win::script::Text(tips), "Button 2702");
  EXPECT_EQ(Seen(WM_NOTIFY, TTN_GETDISPINFOA).size(), 1u);
  win::script::MouseDown(tb, r.left + 3, r.top + 3);  // a click pops the tip
  EXPECT_FALSE(IsWindowVisible(tips));
  win::script::MouseUp(tb, r.left + 3, r.top + 3);
  // A deactivated control shows nothing.
  SendMessageA(tips, TTM_ACTIVATE, FALSE, 0);
  SendMessageA(tb, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  win::script::MouseMove(tb, r.left + 3, r.top + 3);
  win::script::AdvanceClock(600);
  EXPECT_FALSE(IsWindowVisible(tips));
  DestroyWindow(tb);
  EXPECT_FALSE(IsWindow(tips));
}

TEST_F(ToolbarTest, ToolTipToolsAddDeleteAndStaticTexts) {
  HWND owner = Child("Static", SS_NOTIFY, 10, 100, 100, 40, 90);
  HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                              0, 0, parent, nullptr, nullptr, nullptr);
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = owner;
  ti.uId = 1;
  ti.rect = RECT{0, 0, 50, 40};
  char text[] = "Full Scale (Horizontal and Vertical)";
  ti.lpszText = text;
  EXPECT_TRUE(SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
  ti.uId = 2;
  ti.rect = RECT{50, 0, 100, 40};
  char second[] = "Previous Scaling";
  ti.lpszText = second;
  EXPECT_TRUE(SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 2);
  // Relayed moves over the second tool show its text.
  MSG m{owner, WM_MOUSEMOVE, 0, MAKELPARAM(70, 10), 0, {}};
  SendMessageA(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  win::script::AdvanceClock(600);
  EXPECT_TRUE(IsWindowVisible(tips));
  EXPECT_EQ(win::script::Text(tips), "Previous Scaling");
  // Deleting the shown tool hides it; deleting a missing one is harmless.
  EXPECT_EQ(SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti)), 0);
  EXPECT_FALSE(IsWindowVisible(tips));
  EXPECT_EQ(SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti)), 0);
  EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
  TOOLINFOA bad{};
  bad.cbSize = 4;
  EXPECT_FALSE(SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&bad)));
  EXPECT_FALSE(SendMessageA(tips, TTM_ADDTOOLA, 0, 0));
  DestroyWindow(tips);
}

TEST(ImageLists, StripsMasksAndBadHandles) {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
  ASSERT_NE(list, nullptr);
  std::vector<BYTE> bits(32 * 16 * 4, 0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      BYTE* p = &bits[(static_cast<size_t>(y) * 32 + static_cast<size_t>(x)) * 4];
      bool magenta = x % 16 < 4;
      p[0] = magenta ? 255 : 0;
      p[1] = 0;
      p[2] = 255;
    }
  HBITMAP bmp = CreateBitmap(32, 16, 1, 32, bits.data());
  EXPECT_EQ(ImageList_AddMasked(list, bmp, RGB(255, 0, 255)), 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateBitmap(20, 20, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, target);
  RECT all{0, 0, 20, 20};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_TRUE(ImageList_Draw(list, 1, dc, 2, 2, ILD_TRANSPARENT));
  EXPECT_EQ(GetPixel(dc, 2 + 1, 2 + 1), RGB(255, 255, 255));  // masked out
  EXPECT_EQ(GetPixel(dc, 2 + 8, 2 + 8), RGB(255, 0, 0));
  EXPECT_FALSE(ImageList_Draw(list, 2, dc, 0, 0, ILD_NORMAL));
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);
  EXPECT_TRUE(ImageList_Remove(list, 0));
  EXPECT_EQ(ImageList_GetImageCount(list), 1);
  DeleteObject(bmp);
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));
  EXPECT_EQ(ImageList_Add(list, nullptr, nullptr), -1);
  EXPECT_EQ(CreateMappedBitmap(nullptr, 12345, 0, nullptr, 0), nullptr);
}
