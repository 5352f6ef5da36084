#pragma once
// A parent window for common-control tests that records the WM_NOTIFY,
// WM_COMMAND and scroll messages its controls send.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/workstation_root.h"
#include "win/win_commctrl.h"
#include "win/win_script.h"
#include "win/win_user.h"

struct SeenMessage {
  UINT msg = 0;
  UINT code = 0;  // notification code, command code or scroll code
  int id = 0;
  WPARAM wParam = 0;
};

class ControlParentTest : public WorkstationRootTest {
 protected:
  static ControlParentTest*& Current() {
    static ControlParentTest* current = nullptr;
    return current;
  }
  static LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    ControlParentTest* t = Current();
    if (t) {
      if (t->onMessage && m != WM_NOTIFY) {
        LRESULT r = 0;
        if (t->onMessage(h, m, w, l, &r)) return r;
      }
      if (m == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(l);
        t->seen.push_back(SeenMessage{m, hdr->code, static_cast<int>(hdr->idFrom), w});
        if (t->onNotify) return t->onNotify(hdr);
        return 0;
      }
      if (m == WM_COMMAND) {
        t->seen.push_back(SeenMessage{m, HIWORD(w), LOWORD(w), w});
        return 0;
      }
      if (m == WM_HSCROLL || m == WM_VSCROLL) {
        t->seen.push_back(SeenMessage{m, LOWORD(w), 0, w});
        return 0;
      }
    }
    return DefWindowProcA(h, m, w, l);
  }
  void SetUp() override {
    WorkstationRootTest::SetUp();
    Current() = this;
    win::script::ResetLogs();
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = "TestControlParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    parent = CreateWindowExA(0, "TestControlParent", "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420, 320,
                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override {
    if (IsWindow(parent)) DestroyWindow(parent);
    UnregisterClassA("TestControlParent", nullptr);
    Current() = nullptr;
    WorkstationRootTest::TearDown();
  }
  HWND Child(const char* cls, DWORD style, int x, int y, int w, int h, int id, const char* text = nullptr) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  std::vector<SeenMessage> Seen(UINT msg, UINT code) const {
    std::vector<SeenMessage> out;
    for (auto& s : seen)
      if (s.msg == msg && s.code == code) out.push_back(s);
    return out;
  }

  HWND parent = nullptr;
  std::vector<SeenMessage> seen;
  std::function<LRESULT(NMHDR*)> onNotify;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> onMessage;
};
