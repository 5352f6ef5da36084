// Grid helpers: the class registered while in use, texts by column id.
#include <cstdio>

#include "lumak32.h"
#include "win/win_user.h"

namespace {
int g_users = 0;
}

BOOL BeginGridUse() {
  ++g_users;
  return RegisterGridClass();
}

void EndGridUse() {
  // The class stays registered: windows made from it may outlive a user.
  if (g_users > 0) --g_users;
}

int32_t SetGridCellTextById(HWND grid, int32_t columnId, int32_t row, const char* text) {
  const int32_t col = int32_t(SendMessageA(grid, SSM_GETCOLFROMID, 0, columnId));
  if (col <= 0) return SS_ERR_CELL;
  return SetGridCellText(grid, col, row, text) ? 0 : SS_ERR_CELL;
}

void ReportGridError(int32_t code) {
  char text[64];
  std::snprintf(text, sizeof text, "Grid error %d.", code);
  MessageBoxA(nullptr, text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}
