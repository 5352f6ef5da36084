// The runtime's and the kernel's string helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "win/win_crt.h"

namespace {

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(CrtStringTest, CaseInsensitiveCompares) {
  struct Case {
    const char* a;
    const char* b;
    int want;
  } cases[] = {
      {"No Search", "NO SEARCH", 0}, {"abc", "abd", -1}, {"ABD", "abc", 1},
      {"abc", "ab", 1},              {"", "", 0},        {"a_", "AZ", -1},  // '_' sorts below 'z', as lower case
      {"\xC4", "\xE4", -1},          // only A-Z fold
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sign(_stricmp(c.a, c.b)), c.want) << c.a << " vs " << c.b;
  }
  EXPECT_EQ(_strnicmp("Counts", "COUNTER", 5), 0);
  EXPECT_GT(_strnicmp("Counts", "COUNTER", 6), 0);
  EXPECT_EQ(_strnicmp("x", "y", 0), 0);
}

TEST(CrtStringTest, CaseChangesInPlace) {
  char s[] = "Path\\To\\File.ini \xE4";
  EXPECT_EQ(_strupr(s), s);
  EXPECT_STREQ(s, "PATH\\TO\\FILE.INI \xE4");
  EXPECT_STREQ(_strlwr(s), "path\\to\\file.ini \xE4");
  EXPECT_EQ(_strupr(nullptr), nullptr);
}

TEST(CrtStringTest, IntegersToText) {
  char buf[72];
  struct Case {
    int value;
    int radix;
    const char* want;
  } cases[] = {{0, 10, "0"},      {-123, 10, "-123"},   {255, 16, "ff"},         {-1, 16, "ffffffff"},
               {5, 2, "101"},     {35, 36, "z"},        {INT32_MIN, 10, "-2147483648"}};
  for (const auto& c : cases) EXPECT_STREQ(_itoa(c.value, buf, c.radix), c.want) << c.value;
  EXPECT_STREQ(_ltoa(-42, buf, 10), "-42");
  EXPECT_STREQ(_ultoa(4000000000u, buf, 10), "4000000000");
  EXPECT_STREQ(_i64toa(-9000000000LL, buf, 10), "-9000000000");
  EXPECT_STREQ(_ui64toa(0xFFFFFFFFFFFFFFFFull, buf, 16), "ffffffffffffffff");
  EXPECT_STREQ(_itoa(10, buf, 1), "");  // no such radix
}

TEST(CrtStringTest, KernelStringCalls) {
  EXPECT_EQ(lstrlenA("abc"), 3);
  EXPECT_EQ(lstrlenA(nullptr), 0);
  char dst[6];
  std::memset(dst, 'X', sizeof dst);
  EXPECT_EQ(lstrcpynA(dst, "abcdefgh", 4), dst);
  EXPECT_STREQ(dst, "abc");
  EXPECT_STREQ(lstrcpynA(dst, "ab", 6), "ab");
  EXPECT_EQ(lstrcpynA(nullptr, "ab", 6), nullptr);
  EXPECT_EQ(lstrcmpiA("Hello", "hELLO"), 0);
  EXPECT_EQ(lstrcmpA("same", "same"), 0);
  EXPECT_EQ(lstrcmpA(nullptr, "a"), -1);
  EXPECT_EQ(lstrcmpA(nullptr, nullptr), 0);
}

TEST(CrtStringTest, WordSortOrder) {
  // Sorted as the user's locale sorts words.
  const std::vector<std::string> sorted = {
      " x", "!x", "1", "10", "2", "a", "A", "\xE4", "ab", "a-b", "Ab", "b", "B", "coop", "co-op", "Coop", "z",
  };
  for (size_t i = 0; i + 1 < sorted.size(); ++i) {
    EXPECT_EQ(lstrcmpA(sorted[i].c_str(), sorted[i + 1].c_str()), -1) << sorted[i] << " < " << sorted[i + 1];
    EXPECT_EQ(lstrcmpA(sorted[i + 1].c_str(), sorted[i].c_str()), 1) << sorted[i + 1] << " > " << sorted[i];
  }
  // Ignoring case, only case differences tie.
  EXPECT_EQ(lstrcmpiA("ab", "AB"), 0);
  EXPECT_EQ(lstrcmpiA("a", "\xE4"), -1);
  EXPECT_EQ(lstrcmpiA("b", "A"), 1);
}

}  // namespace
