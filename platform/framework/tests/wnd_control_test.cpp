// A sample control on the framework's window class: message map, mouse
// capture and drag, a timer on the virtual clock, subclassing, self-deletion
// after WM_NCDESTROY and PreTranslateMessage.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/framework_wnd.h"
#include "win/win_script.h"

namespace {

int g_deleted = 0;

class CDragControl : public CWnd {
  DECLARE_DYNAMIC(CDragControl)
 public:
  std::vector<POINT> path;
  bool dragging = false;
  int ticks = 0;
  int keys = 0;
  int custom = 0;
  bool lostCapture = false;
  ~CDragControl() override { ++g_deleted; }
  void PostNcDestroy() override { delete this; }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN && msg->wParam == 'Z') {
      ++keys;
      return TRUE;  // eaten before translation
    }
    return FALSE;
  }

 protected:
  void OnLButtonDown(UINT, POINT pt) {
    SetCapture();
    dragging = true;
    path.push_back(pt);
  }
  void OnMouseMove(UINT flags, POINT pt) {
    if (dragging && (flags & MK_LBUTTON)) path.push_back(pt);
  }
  void OnLButtonUp(UINT, POINT pt) {
    if (!dragging) return;
    path.push_back(pt);
    dragging = false;
    ReleaseCapture();
  }
  void OnCaptureChanged(CWnd*) { lostCapture = true; }
  void OnTimer(UINT_PTR id) {
    if (id == 23) ++ticks;
  }
  LRESULT OnCustom(WPARAM w, LPARAM) {
    custom += static_cast<int>(w);
    return custom;
  }
  DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNAMIC(CDragControl, CWnd)

BEGIN_MESSAGE_MAP(CDragControl, CWnd)
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_CAPTURECHANGED()
ON_WM_TIMER()
ON_MESSAGE(WM_USER + 84, OnCustom)
END_MESSAGE_MAP()

class WndControl : public ::testing::Test {
 protected:
  void SetUp() override {
    g_deleted = 0;
    win::script::ResetLogs();
    host = CreateWindowExA(0, "#32770", "Host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                           nullptr);
  }
  void TearDown() override {
    if (IsWindow(host)) DestroyWindow(host);
    win::script::PumpUntilIdle();  // temporary objects go when the loop idles
  }
  HWND host = nullptr;
};

TEST_F(WndControl, DragWithCaptureAndTimer) {
  auto* c = new CDragControl;
  RECT r{10, 10, 210, 110};
  ASSERT_TRUE(c->Create(nullptr, "drag", WS_VISIBLE, r, CWnd::FromHandle(host), 100));
  EXPECT_TRUE(c->IsKindOf(RUNTIME_CLASS(CWnd)));
  EXPECT_STREQ(c->GetRuntimeClass()->m_lpszClassName, "CDragControl");
  EXPECT_EQ(CWnd::FromHandlePermanent(c->m_hWnd), c);

  win::script::Drag(c->m_hWnd, POINT{5, 5}, POINT{300, 150}, 3);  // ends outside: capture keeps it
  ASSERT_EQ(c->path.size(), 5u);
  EXPECT_EQ(c->path.front().x, 5);
  EXPECT_EQ(c->path.back().x, 300);
  EXPECT_EQ(c->path.back().y, 150);
  EXPECT_TRUE(c->lostCapture);
  EXPECT_EQ(GetCapture(), nullptr);

  c->SetTimer(23, 1000);
  win::script::AdvanceClock(999);
  EXPECT_EQ(c->ticks, 0);
  win::script::AdvanceClock(1);
  EXPECT_EQ(c->ticks, 1);

  EXPECT_EQ(c->SendMessage(WM_USER + 84, 5), 5);
  SetFocus(c->m_hWnd);
  win::script::PressKey('Z');
  EXPECT_EQ(c->keys, 1);

  HWND h = c->m_hWnd;
  DestroyWindow(host);  // the child goes with its parent and deletes itself
  EXPECT_EQ(g_deleted, 1);
  EXPECT_FALSE(IsWindow(h));
  win::script::AdvanceClock(5000);  // its timer went with it
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1) return 7;
  return DefWindowProcA(h, m, w, l);
}

TEST_F(WndControl, SubclassAndUnsubclassAnExistingWindow) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = "TestPlain";
  RegisterClassA(&wc);
  HWND h = CreateWindowExA(0, "TestPlain", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, host, nullptr, nullptr, nullptr);
  CDragControl* c = new CDragControl;
  ASSERT_TRUE(c->SubclassWindow(h));
  EXPECT_EQ(SendMessageA(h, WM_USER + 84, 2, 0), 2);  // the map first
  EXPECT_EQ(SendMessageA(h, WM_USER + 1, 0, 0), 7);   // then the old procedure
  EXPECT_EQ(c->UnsubclassWindow(), h);
  EXPECT_EQ(SendMessageA(h, WM_USER + 84, 2, 0), 0);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  CWnd* temp = CWnd::FromHandle(h);
  EXPECT_EQ(temp->m_hWnd, h);
  delete c;  // not attached any more: deleting does not destroy
  EXPECT_TRUE(IsWindow(h));
  DestroyWindow(host);
  UnregisterClassA("TestPlain", nullptr);
}

TEST_F(WndControl, DeletingAnAttachedObjectDestroysItsWindow) {
  CWnd w;
  RECT r{0, 0, 10, 10};
  ASSERT_TRUE(w.Create(nullptr, "", WS_VISIBLE, r, CWnd::FromHandle(host), 1));
  HWND h = w.m_hWnd;
  CWnd other;
  EXPECT_FALSE(other.Attach(h));  // one object a window
  w.DestroyWindow();
  EXPECT_EQ(w.m_hWnd, nullptr);
  EXPECT_FALSE(IsWindow(h));
}

}  // namespace
