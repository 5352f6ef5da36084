// Formatted text with the original runtime's exponents and 32-bit long.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "win/win_crt.h"

namespace {

using win::crt::FormatString;

TEST(CrtFormatTest, ExponentsHaveThreeDigits) {
  struct Case {
    const char* fmt;
    double value;
    const char* want;
  } cases[] = {
      {"%e", 1500.0, "1.500000e+003"},
      {"%.3e", 1e6, "1.000e+006"},
      {"%.3e", 1234567.0, "1.235e+006"},
      {"%.3e", 0.0, "0.000e+000"},
      {"%.3e", -2.5e-7, "-2.500e-007"},
      {"%E", 1500.0, "1.500000E+003"},
      {"%.2E", 1e-300, "1.00E-300"},
      {"%e", 1e100, "1.000000e+100"},
      {"%g", 1e-5, "1e-005"},
      {"%g", 100000.0, "100000"},
      {"%g", 1e6, "1e+006"},
      {"%G", 1e20, "1E+020"},
      {"%.3g", 1234567.0, "1.23e+006"},
      {"%.3g", 999.0, "999"},
      {"%g", 1e100, "1e+100"},
      {"%#.3g", 1e6, "1.00e+006"},
      {"%+.2e", 1500.0, "+1.50e+003"},
      {"% .1e", 1500.0, " 1.5e+003"},
      // Width counts the widened exponent.
      {"%12.3e", 1e6, "  1.000e+006"},
      {"%-12.3e|", 1e6, "1.000e+006  |"},
      {"%012.3e", -1e6, "-01.000e+006"},
      {"%10g", 1e-5, "    1e-005"},
      {"%5.1e", 1e6, "1.0e+006"},
      // Fixed notation is as before.
      {"%.3f", 2.5, "2.500"},
      {"%8.2f", -3.14159, "   -3.14"},
      {"%f", 1e6, "1000000.000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatString(c.fmt, c.value), c.want) << c.fmt;
  EXPECT_EQ(FormatString("%*.*e", 12, 2, 1e6), "   1.00e+006");
  EXPECT_EQ(FormatString("%-*e|", 14, 1.0), "1.000000e+000 |");
  EXPECT_EQ(FormatString("%Le", 1500.0L), "1.500000e+003");
  EXPECT_EQ(FormatString("%e", HUGE_VAL), "inf");
}

TEST(CrtFormatTest, LongIsThirtyTwoBits) {
  int32_t small = INT32_MIN;
  uint32_t big = 4000000000u;
  EXPECT_EQ(FormatString("%ld", small), "-2147483648");
  EXPECT_EQ(FormatString("%8ld|", int32_t{42}), "      42|");
  EXPECT_EQ(FormatString("%lu", big), "4000000000");
  EXPECT_EQ(FormatString("%lx %lX", uint32_t{0xBEEF}, uint32_t{0xBEEF}), "beef BEEF");
  EXPECT_EQ(FormatString("%ld %d %ld", int32_t{1}, 2, int32_t{-3}), "1 2 -3");
  EXPECT_EQ(FormatString("%I64d", int64_t{-9000000000}), "-9000000000");
  EXPECT_EQ(FormatString("%lld", 9000000000LL), "9000000000");
  EXPECT_EQ(FormatString("%I64u", uint64_t{18000000000000000000u}), "18000000000000000000");
  EXPECT_EQ(FormatString("%hu", 70000), "4464");
  EXPECT_EQ(FormatString("%08x", 0x1234u), "00001234");
  EXPECT_EQ(FormatString("%2d%%", 5), " 5%");
}

TEST(CrtFormatTest, TextsAndOddities) {
  EXPECT_EQ(FormatString("%-20.20s|", "abc"), "abc                 |");
  EXPECT_EQ(FormatString("%10.10s|", "abcdefghijklmnop"), "abcdefghij|");
  EXPECT_EQ(FormatString("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(FormatString("%S|%ls", u"M\u00E4rz", u"\u20AC"), "M\xE4rz|\x80");
  EXPECT_EQ(FormatString("%c%c", 'o', 'k'), "ok");
  EXPECT_EQ(FormatString("%p", static_cast<void*>(nullptr)), "0000000000000000");
  EXPECT_EQ(FormatString("100%"), "100%");  // a lone "%" at the end stays
  EXPECT_EQ(FormatString("%y"), "%y");      // unknown conversions are copied
  int count = 0;
  EXPECT_EQ(FormatString("abc%n!", &count), "abc!");
  EXPECT_EQ(count, 3);
}

TEST(CrtFormatTest, BoundedForms) {
  char buf[8];
  std::memset(buf, 'X', sizeof buf);
  EXPECT_EQ(win::crt::Format(buf, sizeof buf, "%.3e", 1e6), 10);  // length of the whole text
  EXPECT_STREQ(buf, "1.000e+");
  EXPECT_EQ(win::crt::Format(nullptr, 0, "%d", 12345), 5);

  // The runtime's own: -1 when cut, no NUL at an exact fit.
  std::memset(buf, 'X', sizeof buf);
  EXPECT_EQ(_snprintf(buf, 4, "%d", 123456), -1);
  EXPECT_EQ(std::string(buf, 5), "1234X");
  std::memset(buf, 'X', sizeof buf);
  EXPECT_EQ(_snprintf(buf, 3, "%d", 123), 3);
  EXPECT_EQ(std::string(buf, 4), "123X");
  EXPECT_EQ(_snprintf(buf, sizeof buf, "%g", 1e-5), 6);
  EXPECT_STREQ(buf, "1e-005");
}

}  // namespace
