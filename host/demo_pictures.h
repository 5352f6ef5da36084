#pragma once
// Pictures the demos save of their windows.
#include <cstdio>

#include "win/win_paths.h"
#include "win/win_script.h"

namespace demo {

// The window saved as a PNG at a workstation path, after the pending
// messages are handled when `settle`; prints where it went, or why not.
inline bool SavePicture(HWND window, const char* path, bool settle = true) {
  if (settle) win::script::PumpUntilIdle();
  if (!win::script::SaveWindowPng(window, path)) {
    std::fprintf(stderr, "kelt_host: cannot save %s\n", path);
    return false;
  }
  std::printf("  %s (%s)\n", path, win::paths::ToHost(path).c_str());
  return true;
}

}  // namespace demo
