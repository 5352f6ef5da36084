// Bitmaps handed to the clipboard.
#include "ulbrec32/clipboard_bitmap.h"

#include <gtest/gtest.h>

#include "win/win_clipboard.h"
#include "win/win_gdi.h"
#include "win/win_user.h"

namespace {

HWND Window(const char* title) {
  static ATOM atom = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ClipboardBitmapTestWindow";
    return RegisterClassA(&wc);
  }();
  (void)atom;
  return CreateWindowExA(0, "ClipboardBitmapTestWindow", title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                         nullptr, nullptr, nullptr);
}

TEST(ClipboardBitmap, TheClipboardTakesTheBitmapOrLeavesItToTheCaller) {
  HWND owner = Window("owner"), other = Window("other");
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 30, 20);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_FALSE(PutBitmapOnClipboard(owner, nullptr));

  // Another window holds the clipboard open: refused, the bitmap stays the caller's.
  ASSERT_TRUE(OpenClipboard(other));
  EXPECT_FALSE(PutBitmapOnClipboard(owner, bitmap));
  CloseClipboard();
  BITMAP info{};
  EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));

  ASSERT_TRUE(PutBitmapOnClipboard(owner, bitmap));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(GetClipboardData(CF_BITMAP), bitmap);
  EXPECT_EQ(CountClipboardFormats(), 1);
  EmptyClipboard();  // the clipboard frees what it holds
  CloseClipboard();
  EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), 0);
  DeleteDC(dc);
  DestroyWindow(owner);
  DestroyWindow(other);
}

}  // namespace
