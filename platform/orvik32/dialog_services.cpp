// Dialog placement and help requests.
#include <mutex>

#include "orvik32/orvik32_dialogs.h"
#include "win/win_user.h"

namespace {
std::mutex g_helpMutex;
orvik::HelpRequest g_lastHelp;
}  // namespace

BOOL PositionDialog(HWND dialog, HWND parent) {
  RECT d{};
  if (!dialog || !GetWindowRect(dialog, &d)) return FALSE;
  RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (parent) GetWindowRect(parent, &over);
  const int width = d.right - d.left, height = d.bottom - d.top;
  int x = over.left + ((over.right - over.left) - width) / 2;
  int y = over.top + ((over.bottom - over.top) - height) / 2;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (x + width > screenWidth) x = screenWidth - width;
  if (y + height > screenHeight) y = screenHeight - height;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  return SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ShowHelp(HWND owner, const char* helpFile, uint32_t context, uint32_t command) {
  {
    std::lock_guard<std::mutex> lock(g_helpMutex);
    g_lastHelp.owner = owner;
    g_lastHelp.helpFile = helpFile ? helpFile : "";
    g_lastHelp.context = context;
    g_lastHelp.command = command;
    ++g_lastHelp.count;
  }
  return helpFile && *helpFile && FileExists(helpFile);
}

namespace orvik {
HelpRequest LastHelpRequest() {
  std::lock_guard<std::mutex> lock(g_helpMutex);
  return g_lastHelp;
}
}  // namespace orvik
