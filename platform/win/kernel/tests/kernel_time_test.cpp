// FILETIME and SYSTEMTIME conversions, local time, clocks.
#include <stdlib.h>
#include <time.h>

#include <cstring>
#include <string>

#include "kernel_test_root.h"

namespace {

uint64_t Value(const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; }
FILETIME Make(uint64_t v) { return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)}; }

TEST(KernelTimeTest, SystemTimeAndFileTimeTable) {
  struct Case {
    SYSTEMTIME st;  // year, month, day of week, day, hour, minute, second, ms
    uint64_t ticks;
  } cases[] = {
      {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ULL},
      {{2000, 2, 2, 29, 12, 30, 15, 250}, 125963010152500000ULL},
      {{2038, 1, 2, 19, 3, 14, 8, 0}, 137919572480000000ULL},
      {{1999, 12, 5, 31, 23, 59, 59, 999}, 125911583999990000ULL},
  };
  for (const auto& c : cases) {
    FILETIME ft{};
    ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft)) << c.st.wYear;
    EXPECT_EQ(Value(ft), c.ticks) << c.st.wYear;
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(std::memcmp(&back, &c.st, sizeof back), 0) << c.st.wYear << " weekday " << back.wDayOfWeek;
  }
  const SYSTEMTIME bad[] = {
      {1600, 12, 0, 31, 0, 0, 0, 0}, {2001, 2, 0, 29, 0, 0, 0, 0}, {2001, 13, 0, 1, 0, 0, 0, 0},
      {2001, 1, 0, 1, 24, 0, 0, 0},  {2001, 1, 0, 1, 0, 60, 0, 0}, {2001, 1, 0, 1, 0, 0, 0, 1000},
  };
  for (const auto& s : bad) {
    FILETIME ft{};
    EXPECT_FALSE(SystemTimeToFileTime(&s, &ft)) << s.wYear << "-" << s.wMonth << "-" << s.wDay;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  FILETIME tooLate = Make(0x8000000000000000ULL);
  SYSTEMTIME st{};
  EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &st));
}

TEST(KernelTimeTest, CompareFileTimeIsUnsigned64Bit) {
  FILETIME a = Make(0x00000001FFFFFFFFULL), b = Make(0x0000000200000000ULL);
  EXPECT_EQ(CompareFileTime(&a, &b), -1);
  EXPECT_EQ(CompareFileTime(&b, &a), 1);
  EXPECT_EQ(CompareFileTime(&a, &a), 0);
}

// Times a damaged record can hold: refused, never overflowed.
TEST(KernelTimeTest, TimesBeyondTheRangeAreRefusedByTheLocalConversions) {
  for (uint64_t raw : {0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL, 0x80F1F6E1A2B3C4D5ULL, 0x7FFFFFFFFFFFFFFFULL}) {
    FILETIME t = Make(raw), out{};
    SetLastError(0);
    EXPECT_FALSE(FileTimeToLocalFileTime(&t, &out)) << std::hex << raw;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(LocalFileTimeToFileTime(&t, &out)) << std::hex << raw;
  }
  FILETIME ok = Make(0x01D0000000000000ULL), out{};
  EXPECT_TRUE(FileTimeToLocalFileTime(&ok, &out));
}

TEST(KernelTimeTest, LocalFileTimeFollowsTheZoneAtThatMoment) {
  const char* old = getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  SYSTEMTIME winter{2021, 1, 0, 15, 12, 0, 0, 0}, summer{2021, 7, 0, 15, 12, 0, 0, 0};
  FILETIME w{}, s{}, lw{}, ls{}, back{};
  SystemTimeToFileTime(&winter, &w);
  SystemTimeToFileTime(&summer, &s);
  ASSERT_TRUE(FileTimeToLocalFileTime(&w, &lw));
  ASSERT_TRUE(FileTimeToLocalFileTime(&s, &ls));
  EXPECT_EQ(Value(lw) - Value(w), 3600ULL * 10000000ULL);
  EXPECT_EQ(Value(ls) - Value(s), 7200ULL * 10000000ULL);
  ASSERT_TRUE(LocalFileTimeToFileTime(&ls, &back));
  EXPECT_EQ(Value(back), Value(s));
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(KernelTimeTest, ClocksAgree) {
  SYSTEMTIME sys{}, local{};
  GetSystemTime(&sys);
  GetLocalTime(&local);
  FILETIME now{}, fromSys{};
  GetSystemTimeAsFileTime(&now);
  ASSERT_TRUE(SystemTimeToFileTime(&sys, &fromSys));
  EXPECT_LT(Value(now) - Value(fromSys), 10ULL * 10000000ULL);
  EXPECT_GE(sys.wYear, 2020);
  const DWORD t0 = GetTickCount();
  Sleep(20);
  EXPECT_GE(GetTickCount() - t0, 20u);
}

}  // namespace
