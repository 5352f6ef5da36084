#pragma once
// The event and moving information windows ("KELT_EventInfo",
// "KELT_MoveInfo"): small borderless pop-ups that show a text block next to
// the mouse while integration events are looked at or dragged.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "win/win_types.h"

#define INFO_LINES 16
#define INFO_LINE_SIZE 30
// Sizes an event window to its text; the moving window takes a new block in lParam.
#define INFO_SETTEXT (WM_USER + 44)

#pragma pack(push, 1)
// A window's whole state (common block, owned by the window once handed over).
struct STRUCT_INFO_TEXT {
  uint16_t lineCount;
  char lines[INFO_LINES][INFO_LINE_SIZE];
  STRUCT_CHRO_PREFS prefs;  // its control font is the window's font
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_INFO_TEXT) == 1442);

// RegisterClass's result (0 on failure).
KELT_API ATOM RegisterEventInfoWnd();
KELT_API BOOL UnregisterEventInfoWnd();
KELT_API ATOM RegisterMovingInfoWnd();
KELT_API BOOL UnregisterMovingInfoWnd();
LRESULT CALLBACK EventInfoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MovingInfoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The block a window holds, or 0.
KELT_API const STRUCT_INFO_TEXT* GetInfoWindowText(HWND hwnd);
