// The event window (black on white) and the moving window (white on
// black): one text block each, drawn line under line in the block's font.
#include "specialctl/information_windows.h"

#include <cstring>

#include "common/library_classes.h"
#include "orvik32/orvik32.h"
#include "win/win_gdi.h"
#include "win/win_user.h"

namespace {

constexpr UINT kStyle = CS_GLOBALCLASS | CS_SAVEBITS;

STRUCT_INFO_TEXT* Block(HWND hwnd) { return reinterpret_cast<STRUCT_INFO_TEXT*>(GetWindowLongPtrA(hwnd, 0)); }

void FreeText(HWND hwnd) {
  if (STRUCT_INFO_TEXT* b = Block(hwnd)) FreeBlock(b);
  SetWindowLongPtrA(hwnd, 0, 0);
}

size_t LineLength(const char* line) { return strnlen(line, INFO_LINE_SIZE); }

void Paint(HWND hwnd, bool white) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH)));
  const STRUCT_INFO_TEXT* b = Block(hwnd);
  if (b) {
    HFONT font = CreateFontIndirectA(&b->prefs.ctrlFont);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetTextColor(dc, white ? RGB(0, 0, 0) : RGB(255, 255, 255));
    SetBkColor(dc, white ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SIZE first{};
    const int n = b->lineCount < INFO_LINES ? b->lineCount : INFO_LINES;
    if (n > 0) GetTextExtentPoint32A(dc, b->lines[0], static_cast<int>(LineLength(b->lines[0])), &first);
    for (int i = 0; i < n; ++i)
      TextOutA(dc, 2, 2 + i * first.cy, b->lines[i], static_cast<int>(LineLength(b->lines[i])));
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
  }
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(white ? BLACK_PEN : WHITE_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, client.left, client.top, client.right, client.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  EndPaint(hwnd, &ps);
}

// Width of the longest line + 8, lines × line height + 4, kept on the screen.
void SizeToText(HWND hwnd) {
  const STRUCT_INFO_TEXT* b = Block(hwnd);
  if (!b) return;
  HDC dc = GetDC(hwnd);
  if (!dc) return;
  HFONT font = CreateFontIndirectA(&b->prefs.ctrlFont);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const int n = b->lineCount < INFO_LINES ? b->lineCount : INFO_LINES;
  int widest = 0, height = 0;
  for (int i = 0; i < n; ++i) {
    SIZE s{};
    GetTextExtentPoint32A(dc, b->lines[i], static_cast<int>(LineLength(b->lines[i])), &s);
    if (s.cx > widest) widest = s.cx;
    if (i == 0) height = s.cy;
  }
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
  ReleaseDC(hwnd, dc);
  RECT r{};
  GetWindowRect(hwnd, &r);
  const int w = widest + 8, h = n * height + 4;
  int x = r.left, y = r.top;
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (x + w > sw) x = sw - w;
  if (y + h > sh) y = sh - h;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  MoveWindow(hwnd, x, y, w, h, TRUE);
}

}  // namespace

LRESULT CALLBACK EventInfoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(hwnd, true);
      return 0;
    case INFO_SETTEXT:
      SizeToText(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_DESTROY:
      FreeText(hwnd);
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MovingInfoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(hwnd, false);
      return 0;
    case INFO_SETTEXT:
      FreeText(hwnd);
      SetWindowLongPtrA(hwnd, 0, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_DESTROY:
      FreeText(hwnd);
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

const STRUCT_INFO_TEXT* GetInfoWindowText(HWND hwnd) { return hwnd && IsWindow(hwnd) ? Block(hwnd) : nullptr; }

ATOM RegisterEventInfoWnd() {
  return kelt::lib::RegisterLibraryClass("KELT_EventInfo", EventInfoWndProc, kStyle, sizeof(void*));
}
BOOL UnregisterEventInfoWnd() { return kelt::lib::UnregisterLibraryClass("KELT_EventInfo"); }
ATOM RegisterMovingInfoWnd() {
  return kelt::lib::RegisterLibraryClass("KELT_MoveInfo", MovingInfoWndProc, kStyle, sizeof(void*));
}
BOOL UnregisterMovingInfoWnd() { return kelt::lib::UnregisterLibraryClass("KELT_MoveInfo"); }
