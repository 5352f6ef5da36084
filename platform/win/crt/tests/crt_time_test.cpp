// 32-bit calendar time in the process's time zone.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <climits>
#include <cstring>
#include <string>

#include "win/win_crt.h"

namespace {

class CrtTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    hadTz_ = tz != nullptr;
    if (tz) oldTz_ = tz;
  }
  void TearDown() override {
    if (hadTz_) setenv("TZ", oldTz_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  static void UseZone(const char* tz) { setenv("TZ", tz, 1); }
  bool hadTz_ = false;
  std::string oldTz_;
};

constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST_F(CrtTimeTest, LocalTimeOfKnownInstants) {
  struct Case {
    const char* tz;
    time32_t t;
    int year, mon, mday, hour, min, sec, wday, yday, isdst;
  } cases[] = {
      {"UTC0", 0, 70, 0, 1, 0, 0, 0, 4, 0, 0},
      {"UTC0", INT32_MAX, 138, 0, 19, 3, 14, 7, 2, 18, 0},
      {kNewYork, 1000000000, 101, 8, 8, 21, 46, 40, 6, 250, 1},
      {kNewYork, 1704067200, 123, 11, 31, 19, 0, 0, 0, 364, 0},  // 2024-01-01 00:00 UTC
      {kBerlin, 1711846800, 124, 2, 31, 3, 0, 0, 0, 90, 1},      // just after the spring change
      {kBerlin, 1711846799, 124, 2, 31, 1, 59, 59, 0, 90, 0},    // just before it
  };
  for (const auto& c : cases) {
    UseZone(c.tz);
    std::tm tm{};
    ASSERT_TRUE(win::crt::LocalTime32(c.t, &tm)) << c.t;
    EXPECT_EQ(tm.tm_year, c.year) << c.t;
    EXPECT_EQ(tm.tm_mon, c.mon) << c.t;
    EXPECT_EQ(tm.tm_mday, c.mday) << c.t;
    EXPECT_EQ(tm.tm_hour, c.hour) << c.t;
    EXPECT_EQ(tm.tm_min, c.min) << c.t;
    EXPECT_EQ(tm.tm_sec, c.sec) << c.t;
    EXPECT_EQ(tm.tm_wday, c.wday) << c.t;
    EXPECT_EQ(tm.tm_yday, c.yday) << c.t;
    EXPECT_EQ(tm.tm_isdst, c.isdst) << c.t;
    // And back.
    std::tm again = tm;
    EXPECT_EQ(win::crt::MkTime32(&again), c.t);
  }
}

TEST_F(CrtTimeTest, RefusesTimesBefore1970) {
  UseZone("UTC0");
  std::tm tm{};
  EXPECT_FALSE(win::crt::LocalTime32(-1, &tm));
  time32_t neg = -86400;
  EXPECT_EQ(_localtime32(&neg), nullptr);
  EXPECT_EQ(_localtime32(nullptr), nullptr);
  EXPECT_FALSE(win::crt::GmTime32(-5, &tm));
}

TEST_F(CrtTimeTest, MkTimeNormalisesAndKeepsToTheRange) {
  UseZone(kNewYork);
  std::tm tm{};
  tm.tm_year = 123;  // 2023
  tm.tm_mon = 12;    // month 13 -> January 2024
  tm.tm_mday = 32;   // -> 1 February
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  time32_t t = win::crt::MkTime32(&tm);
  EXPECT_EQ(t, 1706806800);  // 2024-02-01 12:00 EST
  EXPECT_EQ(tm.tm_year, 124);
  EXPECT_EQ(tm.tm_mon, 1);
  EXPECT_EQ(tm.tm_mday, 1);
  EXPECT_EQ(tm.tm_wday, 4);

  std::tm late{};
  late.tm_year = 139;  // 2039: past the 32-bit range
  late.tm_mday = 1;
  late.tm_isdst = -1;
  EXPECT_EQ(win::crt::MkTime32(&late), -1);
  std::tm early{};
  early.tm_year = 69;
  early.tm_mday = 1;
  early.tm_isdst = -1;
  EXPECT_EQ(_mktime32(&early), -1);
}

TEST_F(CrtTimeTest, RuntimeNames) {
  UseZone("UTC0");
  time32_t t = 86400 * 365;
  struct tm* lt = _localtime32(&t);
  ASSERT_NE(lt, nullptr);
  EXPECT_EQ(lt->tm_year, 71);
  struct tm* gt = _gmtime32(&t);
  ASSERT_NE(gt, nullptr);
  EXPECT_EQ(gt->tm_yday, 0);
  time32_t now = 0;
  EXPECT_EQ(_time32(&now), now);
  EXPECT_GT(now, 1600000000);
}

}  // namespace
