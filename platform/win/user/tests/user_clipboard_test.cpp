// The clipboard: text, bitmaps, metafiles, registered and delayed formats.
#include <gtest/gtest.h>

#include <cstring>

#include "win/win_clipboard.h"
#include "win/win_gdi.h"
#include "win/win_metafile.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

int g_renders = 0;
int g_destroys = 0;

LRESULT CALLBACK OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_RENDERFORMAT) {
    ++g_renders;
    HGLOBAL text = GlobalAlloc(GHND, 6);
    std::memcpy(GlobalLock(text), "late!", 6);
    GlobalUnlock(text);
    SetClipboardData(static_cast<UINT>(w), text);
    return 0;
  }
  if (m == WM_DESTROYCLIPBOARD) {
    ++g_destroys;
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

HGLOBAL Text(const char* s) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, std::strlen(s) + 1);
  std::memcpy(GlobalLock(h), s, std::strlen(s) + 1);
  GlobalUnlock(h);
  return h;
}

}  // namespace

TEST(UserClipboard, TextBitmapMetafileAndDelayedFormats) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.lpszClassName = "TestClipOwner";
  RegisterClassA(&wc);
  HWND a = CreateWindowExA(0, "TestClipOwner", "a", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND b = CreateWindowExA(0, "TestClipOwner", "b", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  g_renders = g_destroys = 0;

  EXPECT_EQ(SetClipboardData(CF_TEXT, Text("x")), nullptr);  // not open: the caller keeps (and here loses) nothing
  ASSERT_TRUE(OpenClipboard(a));
  EXPECT_FALSE(OpenClipboard(b));  // one opener at a time
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(GetClipboardOwner(), a);
  HGLOBAL text = Text("Scan 1204, RT 12.345");
  EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
  HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bmp), bmp);
  HDC mdc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  Rectangle(mdc, 0, 0, 10, 10);
  HENHMETAFILE emf = CloseEnhMetaFile(mdc);
  EXPECT_EQ(SetClipboardData(CF_ENHMETAFILE, emf), emf);
  UINT custom = RegisterClipboardFormatA("Kelt Spectrum");
  EXPECT_GE(custom, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormatA("kelt spectrum"), custom);
  EXPECT_EQ(SetClipboardData(custom, nullptr), nullptr);  // rendered when asked
  EXPECT_EQ(SetClipboardData(0x7777, text), nullptr);     // no such format
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());

  EXPECT_EQ(CountClipboardFormats(), 4);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);  // closed
  ASSERT_TRUE(OpenClipboard(b));
  HGLOBAL got = GetClipboardData(CF_TEXT);
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(got)), "Scan 1204, RT 12.345");
  GlobalUnlock(got);
  EXPECT_EQ(GetClipboardData(CF_BITMAP), bmp);
  EXPECT_EQ(GetClipboardData(CF_ENHMETAFILE), emf);
  HGLOBAL late = GetClipboardData(custom);
  ASSERT_NE(late, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(late)), "late!");
  GlobalUnlock(late);
  EXPECT_EQ(g_renders, 1);
  EXPECT_EQ(EnumClipboardFormats(0), static_cast<UINT>(CF_TEXT));
  EXPECT_EQ(EnumClipboardFormats(CF_TEXT), static_cast<UINT>(CF_BITMAP));
  // Emptying frees every format's data and tells the old owner.
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(g_destroys, 1);
  EXPECT_EQ(GlobalSize(text), 0u);  // freed
  EXPECT_EQ(GetObjectType(bmp), 0u);
  EXPECT_EQ(CountClipboardFormats(), 0);
  EXPECT_EQ(GetClipboardOwner(), b);
  EXPECT_TRUE(CloseClipboard());
  DestroyWindow(a);
  DestroyWindow(b);
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  UnregisterClassA("TestClipOwner", nullptr);
}

