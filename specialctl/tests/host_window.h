#pragma once
// A top-level host window for control tests: it records every WM_COMMAND
// its children post or send (id, code, window).
#include <vector>

#include "win/win_user.h"

struct HostCommand {
  int id;
  int code;
  HWND from;
};

class HostWindow {
 public:
  HostWindow() {
    static ATOM atom = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &HostWindow::Proc;
      wc.lpszClassName = "GainSliderTestHost";
      return RegisterClassA(&wc);
    }();
    (void)atom;
    hwnd = CreateWindowExA(0, "GainSliderTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                           nullptr, nullptr, nullptr, nullptr);
    Commands().clear();
  }
  ~HostWindow() {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  static std::vector<HostCommand>& Commands() {
    static std::vector<HostCommand> commands;
    return commands;
  }
  HWND hwnd = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_COMMAND) {
      Commands().push_back({LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l)});
      return 0;
    }
    return DefWindowProcA(h, msg, w, l);
  }
};
