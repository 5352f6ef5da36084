// Timed status messages: a pop-up "Static" window closed by its own timer.
#include <cstring>
#include <string>

#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_gdi.h"
#include "win/win_user.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

void CALLBACK CloseMessage(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(hwnd, id);
  DestroyWindow(hwnd);
}

}  // namespace

HWND ShowTimedMessage(HWND window, const char* text, uint32_t ms) {
  HWND over = window ? window : GetActiveWindow();
  const std::string shown = text ? std::string(text, strnlen(text, 1024)) : std::string();
  RECT r{0, 0, 0, 0};
  if (over) GetWindowRect(over, &r);
  SIZE extent{0, 0};
  if (HDC dc = CreateICA("DISPLAY", nullptr, nullptr, nullptr)) {
    GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
    DeleteDC(dc);
  }
  const int width = extent.cx + 20, height = extent.cy * 2 + 4;
  HWND popup = CreateWindowExA(0, "Static", shown.c_str(), WS_POPUP | WS_BORDER | WS_VISIBLE | SS_CENTER,
                               r.left + ((r.right - r.left) - width) / 2, r.top + ((r.bottom - r.top) - height) / 2,
                               width, height, over, nullptr, nullptr, nullptr);
  if (popup && !SetTimer(popup, kTimerId, ms ? ms : 2000, CloseMessage)) DestroyWindow(popup);
  return over;
}

BOOL IsTrueTypeAvailable() { return TRUE; }
