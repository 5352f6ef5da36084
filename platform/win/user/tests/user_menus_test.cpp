// Menus: items and states, menu bars from resources, tracked pop-ups
// answered by script.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr UINT kExportText = 600, kExportPicture = 601, kAppend = 602, kGreyed = 603, kChecked = 604;
std::vector<UINT> g_commands;
std::vector<std::string> g_events;
BOOL g_tracked = -1;

LRESULT CALLBACK MenuOwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_CONTEXTMENU: {
      HMENU menu = CreatePopupMenu();
      HMENU exportMenu = CreatePopupMenu();
      AppendMenuA(exportMenu, MF_STRING, kExportText, "As &Text");
      AppendMenuA(exportMenu, MF_STRING, kExportPicture, "As &Picture");
      AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(exportMenu), "&Export");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING, kAppend, "&Append");
      AppendMenuA(menu, MF_STRING, kGreyed, "Greyed later");
      AppendMenuA(menu, MF_STRING | MF_CHECKED, kChecked, "Checked");
      g_tracked = TrackPopupMenu(menu, TPM_RIGHTBUTTON, GET_X_LPARAM(l), GET_Y_LPARAM(l), 0, h, nullptr);
      DestroyMenu(menu);
      return 0;
    }
    case WM_INITMENUPOPUP:
      g_events.push_back("init " + std::to_string(GetMenuItemCount(reinterpret_cast<HMENU>(w))));
      EnableMenuItem(reinterpret_cast<HMENU>(w), kGreyed, MF_BYCOMMAND | MF_GRAYED);
      return 0;
    case WM_INITMENU: g_events.push_back("initmenu"); return 0;
    case WM_COMMAND: g_commands.push_back(LOWORD(w)); return 0;
    default: return DefWindowProcA(h, m, w, l);
  }
}

class UserMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    g_commands.clear();
    g_events.clear();
    g_tracked = -1;
    win::script::ResetLogs();
    WNDCLASSA wc{};
    wc.lpfnWndProc = MenuOwnerProc;
    wc.lpszClassName = "TestMenuOwner";
    RegisterClassA(&wc);
    hwnd = CreateWindowExA(0, "TestMenuOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                           nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    UnregisterClassA("TestMenuOwner", nullptr);
    win::resources::RemoveModule(Module());
  }
  static HMODULE Module() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7A000000)); }
  HWND hwnd = nullptr;
};

}  // namespace

TEST_F(UserMenus, ContextMenuChosenByScriptPostsTheCommandAndLogsWhatWasOffered) {
  win::script::ChooseNextMenuText("as picture");
  win::script::Click(hwnd, 40, 30, win::script::Button::Right);
  EXPECT_EQ(g_tracked, TRUE);
  ASSERT_EQ(g_commands.size(), 1u);
  EXPECT_EQ(g_commands[0], kExportPicture);
  // The menu and then the pop-up on the way to the item were prepared.
  std::vector<std::string> want{"init 5", "init 2"};
  EXPECT_EQ(g_events, want);
  auto log = win::script::MenuLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].owner, hwnd);
  EXPECT_EQ(log[0].chosen, kExportPicture);
  EXPECT_TRUE(log[0].flags & TPM_RIGHTBUTTON);
  ASSERT_EQ(log[0].items.size(), 7u);
  EXPECT_EQ(log[0].items[0].text, "Export");
  EXPECT_TRUE(log[0].items[0].popup);
  EXPECT_EQ(log[0].items[1].text, "As Text");
  EXPECT_EQ(log[0].items[1].depth, 1);
  EXPECT_TRUE(log[0].items[3].separator);
  EXPECT_FALSE(log[0].items[5].enabled);  // greyed by the owner while preparing
  EXPECT_TRUE(log[0].items[6].checked);
}

TEST_F(UserMenus, DisabledMissingOrUnansweredChoicesChooseNothing) {
  struct Case {
    const char* name;
    std::function<void()> queue;
  };
  std::vector<Case> cases = {
      {"greyed", [] { win::script::ChooseNextMenuItem(kGreyed); }},
      {"pop-up", [] { win::script::ChooseNextMenuText("Export"); }},
      {"missing", [] { win::script::ChooseNextMenuItem(999); }},
      {"dismissed", [] { win::script::DismissNextMenu(); }},
      {"no answer", [] {}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_commands.clear();
    win::script::ResetLogs();
    c.queue();
    win::script::Click(hwnd, 10, 10, win::script::Button::Right);
    EXPECT_EQ(g_tracked, FALSE);
    EXPECT_TRUE(g_commands.empty());
    ASSERT_EQ(win::script::MenuLog().size(), 1u);
    EXPECT_EQ(win::script::MenuLog()[0].chosen, 0u);
  }
}

TEST_F(UserMenus, ATrackedMenuShowsOverItsOwnerWhileOpenAndLeavesNothingBehind) {
  win::script::PumpUntilIdle();
  const COLORREF white = RGB(255, 255, 255), face = GetSysColor(COLOR_MENU), lit = GetSysColor(COLOR_HIGHLIGHT);
  ASSERT_EQ(win::script::WindowPixel(hwnd, 60, 60), white);
  // What the window shows while the menu is open, found by scanning it.
  struct Seen {
    int menuRight = -1;  // right end of the highlighted first row (the Export item), above its text
    int rowHeight = 0;
    bool subItemLit = false, text = false, grey = false;
  } seen;
  win::script::WhileNextMenuShown([&] {
    // The menu's corner stands at the click (its frame 3 pixels wide); its
    // first item leads to the chosen command, so it is highlighted.
    for (int x = 45; x < 290 && win::script::WindowPixel(hwnd, x, 34) == lit; ++x) seen.menuRight = x;
    for (int y = 33; y < 100 && win::script::WindowPixel(hwnd, 50, y) == lit; ++y) ++seen.rowHeight;
    // The pop-up opens beside it with its second item, the choice, highlighted.
    const int secondRow = 33 + seen.rowHeight * 3 / 2;
    for (int x = seen.menuRight + 8; x < seen.menuRight + 40; ++x)
      seen.subItemLit = seen.subItemLit || win::script::WindowPixel(hwnd, x, secondRow) == lit;
    // Item texts in black, the greyed item's in grey, on the menu's face.
    for (int y = 33 + seen.rowHeight; y < 33 + 6 * seen.rowHeight; ++y)
      for (int x = 45; x < seen.menuRight; ++x) {
        const COLORREF c = win::script::WindowPixel(hwnd, x, y);
        seen.text = seen.text || c == RGB(0, 0, 0);
        seen.grey = seen.grey || c == GetSysColor(COLOR_GRAYTEXT);
      }
    EXPECT_EQ(win::script::WindowPixel(hwnd, 50, 33 + 2 * seen.rowHeight), face);
  });
  win::script::ChooseNextMenuText("as picture");
  win::script::Click(hwnd, 40, 30, win::script::Button::Right);
  ASSERT_EQ(g_commands.size(), 1u);
  EXPECT_GT(seen.menuRight, 100);
  EXPECT_GE(seen.rowHeight, 15);
  EXPECT_TRUE(seen.subItemLit);
  EXPECT_TRUE(seen.text);
  EXPECT_TRUE(seen.grey);
  // Closed: what lay beneath is back.
  for (int y = 30; y < 150; y += 7)
    for (int x = 40; x < 290; x += 11) ASSERT_EQ(win::script::WindowPixel(hwnd, x, y), white) << x << "," << y;
}

TEST_F(UserMenus, ReturnCommandGivesTheIdWithoutPosting) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 41, "One");
  AppendMenuA(menu, MF_STRING, 42, "Two");
  win::script::ChooseNextMenuItem(42);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, 0, 0, 0, hwnd, nullptr), 42);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(g_commands.empty());
  EXPECT_TRUE(g_events.empty());
  EXPECT_FALSE(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr));  // no owner
  DestroyMenu(menu);
  EXPECT_FALSE(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, hwnd, nullptr));
}

TEST_F(UserMenus, ItemStatesAndPositions) {
  HMENU menu = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 10, "Ten");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  AppendMenuA(sub, MF_STRING, 20, "Twenty");
  InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, 5, "Five");
  InsertMenuA(menu, 20, MF_BYCOMMAND | MF_STRING, 15, "Fifteen");  // before 20, inside the pop-up
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  EXPECT_EQ(GetMenuItemCount(sub), 2);
  EXPECT_EQ(GetMenuItemID(menu, 0), 5u);
  EXPECT_EQ(GetMenuItemID(menu, 2), static_cast<UINT>(-1));  // a pop-up
  EXPECT_EQ(GetMenuItemID(menu, 3), static_cast<UINT>(-1));
  EXPECT_EQ(GetSubMenu(menu, 2), sub);
  EXPECT_EQ(GetSubMenu(menu, 0), nullptr);
  EXPECT_EQ(CheckMenuItem(menu, 20, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 20, MF_BYCOMMAND | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 77, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_EQ(EnableMenuItem(menu, 1, MF_BYPOSITION | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(menu, 10, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(EnableMenuItem(menu, 9, MF_BYPOSITION), -1);
  char text[16];
  EXPECT_EQ(GetMenuStringA(menu, 15, text, sizeof text, MF_BYCOMMAND), 7);
  EXPECT_STREQ(text, "Fifteen");
  EXPECT_TRUE(DeleteMenu(menu, 2, MF_BYPOSITION));  // destroys the pop-up too
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_TRUE(DestroyMenu(menu));
  EXPECT_FALSE(DestroyMenu(menu));
  EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 1, "x"));
}

TEST_F(UserMenus, MenuBarFromResourcePicksCommandsAndGoesWithItsWindow) {
  win::resources::MenuTemplate t;
  win::resources::MenuItemTemplate file{0, "&File", 0, {}};
  file.items = {{100, "&Open", 0, {}}, {0, "", MF_SEPARATOR, {}}, {101, "E&xit", MF_GRAYED, {}}};
  t.items = {file};
  win::resources::AddMenu(Module(), 600, t);
  HMENU bar = LoadMenuA(reinterpret_cast<HINSTANCE>(Module()), MAKEINTRESOURCEA(600));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(LoadMenuA(reinterpret_cast<HINSTANCE>(Module()), MAKEINTRESOURCEA(601)), nullptr);
  HMENU file0 = GetSubMenu(bar, 0);
  ASSERT_NE(file0, nullptr);
  EXPECT_EQ(GetMenuItemCount(file0), 3);
  RECT before{}, after{};
  GetClientRect(hwnd, &before);
  EXPECT_TRUE(SetMenu(hwnd, bar));
  EXPECT_EQ(GetMenu(hwnd), bar);
  EXPECT_TRUE(DrawMenuBar(hwnd));
  GetClientRect(hwnd, &after);
  EXPECT_EQ(after.bottom, before.bottom - GetSystemMetrics(SM_CYMENU));  // the bar takes its row
  win::script::PumpUntilIdle();
  EXPECT_TRUE(win::script::PickMenuCommand(hwnd, 100));
  EXPECT_FALSE(win::script::PickMenuCommand(hwnd, 101));  // greyed
  EXPECT_FALSE(win::script::PickMenuCommand(hwnd, 555));
  std::vector<UINT> want{100};
  EXPECT_EQ(g_commands, want);
  // The system menu's Minimize can be greyed as any item.
  HMENU sys = GetSystemMenu(hwnd, FALSE);
  EXPECT_EQ(EnableMenuItem(sys, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  DestroyWindow(hwnd);
  EXPECT_FALSE(IsMenu(bar));
  EXPECT_FALSE(IsMenu(file0));
  EXPECT_FALSE(IsMenu(sys));
}
