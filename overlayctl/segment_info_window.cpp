// The segment information window's class.
#include "overlayctl/segment_info_window.h"

#include "common/library_classes.h"
#include "win/win_gdi.h"
#include "win/win_user.h"

namespace {

// Until the bar shows its segments it keeps a plain face, so that nothing
// the overlay control drew before under its band stays visible.
LRESULT CALLBACK SegInfoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(hwnd, &ps)) {
      RECT r{};
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      EndPaint(hwnd, &ps);
    }
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

ATOM RegisterSegInfoWnd() { return kelt::lib::RegisterLibraryClass("KELT_SegInfo", SegInfoProc); }
BOOL UnregisterSegInfoWnd() { return kelt::lib::UnregisterLibraryClass("KELT_SegInfo"); }
