// Windows, messages, destruction order, timers, focus and capture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win/win_kernel.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

std::vector<std::string> g_log;

std::string Name(HWND h) {
  char buf[64];
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

LRESULT CALLBACK LoggingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_DESTROY: g_log.push_back("destroy " + Name(h)); break;
    case WM_NCDESTROY: g_log.push_back("ncdestroy " + Name(h)); break;
    case WM_TIMER: g_log.push_back("timer " + std::to_string(w)); return 0;
    case WM_USER + 1: return SendMessageA(h, WM_USER + 2, w + 1, 0) + 1;
    case WM_USER + 2: return static_cast<LRESULT>(w * 10);
    case WM_CAPTURECHANGED: g_log.push_back("capture lost " + Name(h)); break;
    default: break;
  }
  return DefWindowProcA(h, m, w, l);
}

class UserWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    win::script::ResetLogs();
    WNDCLASSA wc{};
    wc.lpfnWndProc = LoggingProc;
    wc.lpszClassName = "TestLogging";
    wc.cbWndExtra = 8;
    RegisterClassA(&wc);
  }
  void TearDown() override {
    for (HWND h : created)
      if (IsWindow(h)) DestroyWindow(h);
    UnregisterClassA("TestLogging", nullptr);
  }
  HWND Top(const char* name) {
    HWND h = CreateWindowExA(0, "TestLogging", name, WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr, nullptr,
                             nullptr);
    created.push_back(h);
    return h;
  }
  HWND Child(HWND parent, const char* name, int id) {
    return CreateWindowExA(0, "TestLogging", name, WS_CHILD | WS_VISIBLE, 5, 5, 50, 50, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  std::vector<HWND> created;
};

TEST_F(UserWindows, DestroyOrderIsParentFirstThenNcDestroyChildrenFirst) {
  HWND p = Top("P");
  HWND a = Child(p, "A", 1);
  Child(a, "A1", 3);
  Child(p, "B", 2);
  ASSERT_TRUE(DestroyWindow(p));
  std::vector<std::string> want = {"destroy P",    "destroy A",    "destroy A1", "destroy B",
                                   "ncdestroy A1", "ncdestroy A", "ncdestroy B", "ncdestroy P"};
  EXPECT_EQ(g_log, want);
  EXPECT_FALSE(IsWindow(p));
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(UserWindows, MessagesToDestroyedWindowsFailQuietly) {
  HWND p = Top("P");
  DestroyWindow(p);
  EXPECT_EQ(SendMessageA(p, WM_USER + 2, 4, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(PostMessageA(p, WM_USER, 0, 0));
  EXPECT_FALSE(DestroyWindow(p));
  EXPECT_FALSE(SetWindowTextA(p, "x"));
  EXPECT_EQ(GetDlgItem(p, 1), nullptr);
  EXPECT_EQ(SetTimer(p, 1, 100, nullptr), 0u);
  RECT r;
  EXPECT_FALSE(GetWindowRect(p, &r));
}

TEST_F(UserWindows, SendIsSynchronousAndReentrant) {
  HWND p = Top("P");
  EXPECT_EQ(SendMessageA(p, WM_USER + 1, 4, 0), 51);
}

TEST_F(UserWindows, PostedMessagesWaitForThePump) {
  HWND p = Top("P");
  PostMessageA(p, WM_TIMER, 7, 0);
  EXPECT_TRUE(g_log.empty());
  win::script::PumpUntilIdle();
  ASSERT_EQ(g_log.size(), 1u);
  EXPECT_EQ(g_log[0], "timer 7");
}

TEST_F(UserWindows, RegisteredMessagesAreStable) {
  UINT a = RegisterWindowMessageA("NotifyWhenChangedMsg");
  UINT b = RegisterWindowMessageA("WS_LOGINCHANGE");
  EXPECT_GE(a, 0xC000u);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterWindowMessageA("notifywhenchangedmsg"), a);
}

TEST_F(UserWindows, TimersFireOnTheVirtualClock) {
  HWND p = Top("P");
  ASSERT_NE(SetTimer(p, 40, 500, nullptr), 0u);
  win::script::AdvanceClock(499);
  EXPECT_TRUE(g_log.empty());
  win::script::AdvanceClock(1);
  EXPECT_EQ(g_log, std::vector<std::string>{"timer 40"});
  win::script::AdvanceClock(1000);
  EXPECT_EQ(g_log.size(), 3u);
  EXPECT_TRUE(KillTimer(p, 40));
  win::script::AdvanceClock(5000);
  EXPECT_EQ(g_log.size(), 3u);
  EXPECT_FALSE(KillTimer(p, 40));
}

TEST_F(UserWindows, WindowDataPropertiesAndText) {
  HWND p = Top("P");
  EXPECT_EQ(SetWindowLongA(p, 4, 1234), 0);
  EXPECT_EQ(GetWindowLongA(p, 4), 1234);
  EXPECT_EQ(GetWindowLongA(p, 8), 0);  // past the extra bytes
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  SetWindowLongPtrA(p, GWLP_USERDATA, 99);
  EXPECT_EQ(GetWindowLongPtrA(p, GWLP_USERDATA), 99);
  int x = 5;
  EXPECT_TRUE(SetPropA(p, "MyProp", &x));
  EXPECT_EQ(GetPropA(p, "myprop"), &x);
  EXPECT_EQ(RemovePropA(p, "MyProp"), &x);
  EXPECT_EQ(GetPropA(p, "MyProp"), nullptr);
  SetWindowTextA(p, "Hello");
  char buf[4];
  EXPECT_EQ(GetWindowTextA(p, buf, sizeof buf), 3);
  EXPECT_STREQ(buf, "Hel");
  EXPECT_EQ(GetWindowTextLengthA(p), 5);
}

TEST_F(UserWindows, GeometryAndHitTesting) {
  HWND p = CreateWindowExA(0, "TestLogging", "P", WS_POPUP | WS_BORDER, 100, 50, 202, 102, nullptr, nullptr,
                           nullptr, nullptr);
  created.push_back(p);
  RECT c;
  GetClientRect(p, &c);
  EXPECT_EQ(c.right, 200);
  EXPECT_EQ(c.bottom, 100);
  HWND a = Child(p, "A", 7);
  POINT pt{0, 0};
  ClientToScreen(a, &pt);
  EXPECT_EQ(pt.x, 106);
  EXPECT_EQ(pt.y, 56);
  EXPECT_EQ(ChildWindowFromPoint(p, POINT{10, 10}), a);
  EXPECT_EQ(ChildWindowFromPoint(p, POINT{150, 80}), p);
  EXPECT_EQ(ChildWindowFromPoint(p, POINT{500, 80}), nullptr);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(ChildWindowFromPoint(p, POINT{10, 10}), a);  // hidden children are still found
  EXPECT_EQ(GetDlgCtrlID(a), 7);
  EXPECT_EQ(GetDlgItem(p, 7), a);
  EXPECT_EQ(GetParent(a), p);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
}

TEST_F(UserWindows, CaptureAndFocusNotify) {
  HWND p = Top("P");
  HWND a = Child(p, "A", 1);
  HWND b = Child(p, "B", 2);
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  SetCapture(b);
  EXPECT_EQ(g_log, std::vector<std::string>{"capture lost A"});
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  SetFocus(a);
  EXPECT_EQ(GetFocus(), a);
  EXPECT_EQ(GetActiveWindow(), p);
  DestroyWindow(a);
  EXPECT_NE(GetFocus(), a);
}

// A child that destroys its parent while the parent is being destroyed, and
// sends to windows already gone.
LRESULT CALLBACK ReentrantProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_DESTROY) {
    HWND parent = GetParent(h);
    DestroyWindow(parent);  // already on its way: harmless
    DestroyWindow(h);
    SendMessageA(parent, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
  }
  if (m == WM_NCDESTROY) {
    SendMessageA(h, WM_USER, 0, 0);
  }
  return DefWindowProcA(h, m, w, l);
}

TEST_F(UserWindows, ReentrantDestructionIsHarmless) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ReentrantProc;
  wc.lpszClassName = "TestReentrant";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND p = Top("P");
  HWND c = CreateWindowExA(0, "TestReentrant", "C", WS_CHILD, 0, 0, 10, 10, p, nullptr, nullptr, nullptr);
  ASSERT_TRUE(IsWindow(c));
  EXPECT_TRUE(DestroyWindow(p));
  EXPECT_FALSE(IsWindow(c));
  EXPECT_FALSE(IsWindow(p));
  EXPECT_TRUE(UnregisterClassA("TestReentrant", nullptr));
}

TEST_F(UserWindows, ClassesWithWindowsCannotBeUnregistered) {
  HWND p = Top("P");
  EXPECT_FALSE(UnregisterClassA("TestLogging", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  DestroyWindow(p);
  WNDCLASSA wc{};
  wc.lpfnWndProc = LoggingProc;
  wc.lpszClassName = "TestLogging";
  EXPECT_EQ(RegisterClassA(&wc), 0);  // still registered
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

}  // namespace
