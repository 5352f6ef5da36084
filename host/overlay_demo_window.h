#pragma once
// A plain top-level window filled by an overlay plot control, as the
// overlay demos show the control.
#include <cstdint>

#include "overlayctl/overlay_plot_control.h"
#include "win/win_user.h"

namespace overlay_demo {

// The window, with the control (id 7) filling its client area in *control
// (null when it could not be made). Other plot controls name their window
// class, id and the window's own class and procedure.
inline HWND MakeWindow(const char* title, int width, int height, HWND* control, const char* controlClass = "KELT_OP",
                       int id = 7, const char* windowClass = "KeltHostOverlayWindow",
                       WNDPROC procedure = DefWindowProcA) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = procedure;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
  wc.lpszClassName = windowClass;
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width, height,
                                nullptr, nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(window, &client);
  *control = CreateWindowExA(0, controlClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom, window,
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  return window;
}

inline CCtlOPlot* ControlOf(HWND control) {
  return control ? static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName)) : nullptr;
}

}  // namespace overlay_demo
