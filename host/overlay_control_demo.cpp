// The host places an overlay plot control in a window of its own, has it
// display data files, keeps its picture beside the first file, resizes it
// and destroys it, reporting what the control laid out and posted at each
// step.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "overlayctl/overlay_plot_control.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

std::vector<std::string> g_notices;

// What the control's notices to its host mean.
const char* NoticeText(unsigned code) {
  switch (code) {
    case 1: return "show the new time range it asks for (full scale or earlier scales)";
    case 2: return "show the new time range it asks for (scrolled)";
    case 8: return "a spectrum was made from a plot";
    case 11: return "a plot was maximised";
    case 12: return "the maximised plot was restored";
    default: return "a notice for the host";
  }
}

LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (control %u, code %u)", NoticeText(HIWORD(w)), LOWORD(w), HIWORD(w));
    g_notices.emplace_back(text);
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

// The control's picture goes beside the first file, under its name up to
// the first dot: "water.kms" gives "water.overlay.png".
std::string PicturePath(const std::string& first) {
  const size_t slash = first.find_last_of("\\/");
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = first.find('.', name);
  return (dot == std::string::npos ? first : first.substr(0, dot)) + ".overlay.png";
}

void ShowChild(HWND control, int id, const char* name) {
  HWND c = GetDlgItem(control, id);
  RECT r{};
  if (c) GetWindowRect(c, &r);
  POINT a{r.left, r.top}, b{r.right, r.bottom};
  ScreenToClient(control, &a);
  ScreenToClient(control, &b);
  std::printf("    %-12s (%d) %4ld,%4ld - %4ld,%4ld%s\n", name, id, static_cast<long>(a.x), static_cast<long>(a.y),
              static_cast<long>(b.x), static_cast<long>(b.y), b.x <= a.x || b.y <= a.y ? "  (hidden)" : "");
}

void ShowLayout(HWND control, const char* when) {
  std::printf("  %s:\n", when);
  ShowChild(control, 40, "slider 0");
  ShowChild(control, 41, "slider 1");
  ShowChild(control, 70, "segment bar");
  ShowChild(control, 22, "scroll bar");
  ShowChild(control, 112, "range text");
}

}  // namespace

// Displays each data file of paths in a "KELT_OP" control; 0 on success.
int OverlayControlDemo(const std::vector<std::string>& paths) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = HostProc;
  wc.lpszClassName = "KeltHostOverlayWindow";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, wc.lpszClassName, "kelt_host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 820, 620,
                              nullptr, nullptr, nullptr, nullptr);
  HWND control = CreateWindowExA(0, "KELT_OP", "", WS_CHILD | WS_VISIBLE, 10, 10, 800, 600, host,
                                 reinterpret_cast<HMENU>(intptr_t{7}), nullptr, nullptr);
  if (!control) {
    std::fprintf(stderr, "kelt_host: the overlay plot control could not be created\n");
    DestroyWindow(host);
    return 1;
  }
  std::printf("overlay plot control %p in host %p\n", static_cast<void*>(control), static_cast<void*>(host));
  int shown = 0;
  for (const std::string& path : paths) {
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.useFirstFreeSlot = 1;
    std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
    const LRESULT slot = SendMessageA(control, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
    if (slot) {
      std::printf("  %s -> slot %d\n", path.c_str(), static_cast<int>(slot - 1));
      ++shown;
    } else {
      const std::string why = host::WhyRefused(path);
      std::printf("  %s -> refused: %s\n", path.c_str(), why.c_str());
      std::fprintf(stderr, "kelt_host: %s refused: %s\n", path.c_str(), why.c_str());
    }
  }
  win::script::PumpUntilIdle();  // the range is told once the plots are drawn
  double range[3] = {};
  if (SendMessageA(control, OPM_GETTIMERANGE, 1, reinterpret_cast<LPARAM>(range)))
    std::printf("  shown %.4f to %.4f min, plot type %.0f\n", range[0], range[1], range[2]);
  ShowLayout(control, "800 x 600");
  // With nothing shown there is nothing to picture.
  const std::string picture = PicturePath(paths.front());
  bool pictured = true;
  if (shown) {
    pictured = win::script::SaveWindowPng(control, picture.c_str());
    if (pictured)
      std::printf("  picture of the control: %s (%s)\n", picture.c_str(), win::paths::ToHost(picture).c_str());
    else
      std::fprintf(stderr, "kelt_host: cannot write the picture %s: %s\n", picture.c_str(),
                   host::WhyNotWritten(picture).c_str());
  }
  double zoom[2] = {range[0] + (range[1] - range[0]) / 4, range[0] + (range[1] - range[0]) / 2};
  SendMessageA(control, OPM_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(zoom));
  ShowLayout(control, "zoomed");
  MoveWindow(control, 10, 10, 60, 600, TRUE);
  ShowLayout(control, "60 x 600");
  win::script::PumpUntilIdle();
  for (const std::string& n : g_notices) std::printf("  the control told its host: %s\n", n.c_str());
  DestroyWindow(control);
  DestroyWindow(host);
  std::printf("  destroyed\n");
  return shown == static_cast<int>(paths.size()) && pictured ? 0 : 1;
}
