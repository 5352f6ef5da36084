#pragma once
// Drawing shared by the standard controls and window frames: colours from
// the parent (WM_CTLCOLOR*), fonts, check marks, arrows and scroll bars.
#include "user_internal.h"
#include "win_gdi.h"

namespace win::user {

// The control's font, or the default GUI font when it has none.
HFONT FontOrDefault(HFONT font);
// Asks the parent for the control's colours (msg: WM_CTLCOLOR*), set on dc;
// the system's choice when the parent gives no brush.
HBRUSH ControlColors(HWND control, HDC dc, UINT msg);
void FillSys(HDC dc, const RECT& r, int color);
enum class Arrow { Up, Down, Left, Right };
void DrawArrow(HDC dc, const RECT& box, Arrow dir, COLORREF color);
void DrawScrollBar(HDC dc, const RECT& r, const ScrollState& s, bool vertical);

// Paints a control: BeginPaint, the font selected, then the painter, then EndPaint.
template <typename F>
void PaintControl(HWND hwnd, HFONT font, F&& painter) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, FontOrDefault(font));
  RECT c;
  GetClientRect(hwnd, &c);
  painter(dc, c);
  if (IsWindow(hwnd)) SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

}  // namespace win::user
