// UTF-16 to and from Windows-1252 and UTF-8.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win/win_kernel.h"
#include "win/win_locale.h"

namespace {

TEST(LocaleCodepageTest, EveryAnsiByteRoundTrips) {
  char bytes[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
  char16_t wide[256];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes, 256, wide, 256), 256);
  char back[256];
  BOOL used = TRUE;
  ASSERT_EQ(WideCharToMultiByte(1252, 0, wide, 256, back, 256, nullptr, &used), 256);
  EXPECT_EQ(std::memcmp(bytes, back, 256), 0);
  EXPECT_FALSE(used);
}

TEST(LocaleCodepageTest, TheHighBlockMapsAsWindows1252) {
  struct Case {
    unsigned char byte;
    char16_t wide;
  } cases[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x85, 0x2026}, {0x8A, 0x0160}, {0x8D, 0x008D},
               {0x91, 0x2018}, {0x96, 0x2013}, {0x99, 0x2122}, {0x9F, 0x0178}, {0xA0, 0x00A0},
               {0xB5, 0x00B5}, {0xE4, 0x00E4}, {0xFF, 0x00FF}, {0x41, 0x0041}};
  for (const auto& c : cases) {
    char b = static_cast<char>(c.byte);
    char16_t w = 0;
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, &b, 1, &w, 1), 1);
    EXPECT_EQ(w, c.wide) << std::hex << int(c.byte);
    char out = 0;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, &c.wide, 1, &out, 1, nullptr, nullptr), 1);
    EXPECT_EQ(static_cast<unsigned char>(out), c.byte);
  }
}

TEST(LocaleCodepageTest, UnmappableCharactersBecomeTheDefault) {
  const char16_t text[] = u"A\u0100B\u4E2D\U0001F600C";  // A, A-macron, B, a CJK sign, an emoji (pair), C
  char out[16];
  BOOL used = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, &used);
  ASSERT_EQ(n, 7);  // the pair counts once; the NUL is included
  EXPECT_STREQ(out, "A?B??C");
  EXPECT_TRUE(used);
  n = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, "#", &used);
  EXPECT_STREQ(out, "A#B##C");
  // A lone surrogate is unmappable as well.
  const char16_t lone[] = {u'x', 0xD800, u'y'};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, lone, 3, out, sizeof out, nullptr, &used), 3);
  EXPECT_EQ(std::string(out, 3), "x?y");
  // Latin-1 lacks the euro sign that 1252 has.
  const char16_t euro[] = {0x20AC};
  EXPECT_EQ(WideCharToMultiByte(28591, 0, euro, 1, out, 1, nullptr, &used), 1);
  EXPECT_EQ(out[0], '?');
}

TEST(LocaleCodepageTest, SizeRules) {
  const char16_t text[] = u"M\u00E4rz";
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr), 5);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 4, nullptr, 0, nullptr, nullptr), 4);
  char out[8];
  std::memset(out, 'X', sizeof out);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 4, out, 4, nullptr, nullptr), 4);
  EXPECT_EQ(out[4], 'X');  // no NUL added to a counted text
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "M\xE4rz", -1, nullptr, 0), 5);
  char16_t wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "M\xE4rz", -1, wide, 8), 5);
  EXPECT_EQ(std::u16string(wide), u"M\u00E4rz");
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "M\xE4rz", -1, wide, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  struct Bad {
    UINT cp;
    const char16_t* in;
    int len;
    char* out;
    int size;
  } bad[] = {{CP_ACP, nullptr, 3, out, 8}, {CP_ACP, text, 0, out, 8}, {CP_ACP, text, -2, out, 8},
             {CP_ACP, text, 3, nullptr, 8}, {CP_ACP, text, 3, out, -1}, {932, text, 3, out, 8}};
  for (const auto& b : bad) {
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(b.cp, 0, b.in, b.len, b.out, b.size, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST(LocaleCodepageTest, Utf8BothWays) {
  const char16_t text[] = u"A\u00C4\u20AC\U0001F600";
  char out[16];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
  ASSERT_EQ(n, 11);
  EXPECT_STREQ(out, "A\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80");
  char16_t back[8];
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, out, -1, back, 8), 6);
  EXPECT_EQ(std::u16string(back), text);

  // Ill-formed input: each bad sequence becomes U+FFFD, or the call fails.
  const char bad[] = "a\xC3" "b\xED\xA0\x80" "c\xF8";
  char16_t wide[16];
  n = MultiByteToWideChar(CP_UTF8, 0, bad, -1, wide, 16);
  EXPECT_EQ(std::u16string(wide, static_cast<size_t>(n)), std::u16string(u"a\uFFFDb\uFFFD\uFFFD\uFFFDc\uFFFD", 9));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, -1, wide, 16), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

  // UTF-8 has no default character.
  BOOL used;
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 16), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

}  // namespace
