// Bitmaps handed to the clipboard.
#include "ulbrec32/clipboard_bitmap.h"

#include "win/win_clipboard.h"
#include "win/win_gdi.h"
#include "win/win_user.h"

BOOL PutBitmapOnClipboard(HWND owner, HBITMAP bitmap) {
  if (!bitmap) return FALSE;
  BITMAP info{};
  if (GetObjectA(bitmap, sizeof info, &info) != sizeof info || info.bmWidth <= 0 || info.bmHeight <= 0) return FALSE;
  if (!OpenClipboard(owner)) return FALSE;
  const bool done = EmptyClipboard() && SetClipboardData(CF_BITMAP, bitmap) != nullptr;
  CloseClipboard();
  return done ? TRUE : FALSE;
}
