#pragma once
// Shared by the fuzz targets that drive a plot control through its host
// messages: reading records off the input, the host window the control
// lives in, and the end of one input (a paint, then the control destroyed).
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "overlayctl/overlay_plot_control.h"
#include "win/win_user.h"
#include "win/win_script.h"

namespace fuzz {

// Reads up to n bytes of the input into out (zero-filled); advances.
inline void Take(const uint8_t*& data, size_t& size, void* out, size_t n) {
  std::memset(out, 0, n);
  const size_t k = std::min(n, size);
  std::memcpy(out, data, k);
  data += k;
  size -= k;
}

// A visible top-level window of its own class, made once per class name.
inline HWND MakeHostWindow(const char* className, int width, int height) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  return CreateWindowExA(0, className, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                         nullptr, nullptr);
}

// A child control of the window class under host, and the control object
// behind it (null when none was made).
template <class Control>
Control* MakeChildControl(HWND host, const char* windowClass, int width, int height, HWND* window) {
  *window = CreateWindowExA(0, windowClass, "", WS_CHILD | WS_VISIBLE, 0, 0, width, height, host, nullptr, nullptr,
                            nullptr);
  return *window ? static_cast<Control*>(static_cast<CCtlOPlot*>(GetPropA(*window, CCtlOPlot::kPropertyName))) : nullptr;
}

// The control painted once more, then destroyed, with the queue emptied.
inline void PaintAndDestroy(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  win::script::PumpUntilIdle();
  DestroyWindow(window);
  win::script::PumpUntilIdle();
}

}  // namespace fuzz
