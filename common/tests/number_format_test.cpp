// Numbers and dates in the user's locale: en-US and de-DE.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "common/number_format.h"
#include "common/preference_records.h"
#include "common/tests/startup_root_fixture.h"

namespace {

class NumberFormatTest : public StartupRootTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    StartupRootTest::SetUp();
    Attach(GetParam());
    saved_ = kelt::prefs::DefaultGlobalPrefs();
    SetExponents(0, 2);
  }
  void TearDown() override {
    kelt::prefs::DefaultGlobalPrefs() = saved_;
    StartupRootTest::TearDown();
  }
  static void SetExponents(int16_t on, int16_t index) {
    kelt::prefs::DefaultGlobalPrefs().misc.scientificNotation = on;
    kelt::prefs::DefaultGlobalPrefs().misc.exponentThreshold = index;
  }
  bool German() const { return std::strcmp(GetParam(), "de-DE") == 0; }
  // The expected text in this locale from its en-US form.
  std::string L(const std::string& us) const {
    if (!German()) return us;
    std::string de = us;
    for (char& c : de) c = c == ',' ? '.' : c == '.' ? ',' : c;
    return de;
  }
  STRUCT_GLOBAL_PREFS saved_{};
};

std::string Local(const char* text) {
  char buffer[kNumberTextSize] = {};
  std::strcpy(buffer, text);
  return KELT_GetLocalNumberString(buffer);
}

TEST_P(NumberFormatTest, LocalNumberTextGroupsTheMantissaAndDropsExponentZeros) {
  struct Case {
    const char* in;
    const char* us;
  } cases[] = {
      {"1234567", "1,234,567"},
      {"-1234.50", "-1,234.50"},
      {"  1234.5 ng", "  1,234.5 ng"},
      {"+1234", "+1,234"},
      {"1.000e+006", "1.000e+6"},
      {"1.500e-012", "1.500e-12"},
      {"1.500E+100", "1.500E+100"},
      {"1.5e+0061", "1.5e+0061"},  // four digits: no exponent
      {"1.5e+06", "1.5e+06"},      // two digits: no exponent
      {"12", "12"},
      {"N/A", "N/A"},
      {"7", "7"},  // shorter than two characters
  };
  for (const auto& c : cases) EXPECT_EQ(Local(c.in), L(c.us)) << c.in;
  const std::string tooLong(101, '1');
  EXPECT_EQ(Local(tooLong.c_str()), tooLong);
}

TEST_P(NumberFormatTest, Intensities) {
  char b[kNumberTextSize];
  EXPECT_STREQ(KELT_FormatIntensity(999999, b), L("999,999").c_str());
  EXPECT_STREQ(KELT_FormatIntensity(1000000, b), L("1.000e+6").c_str());
  EXPECT_STREQ(KELT_FormatIntensity(0xFFFFFFFFu, b), L("4.295e+9").c_str());
  EXPECT_STREQ(KELT_FormatIntensityD(-999999.9, b), L("-999,999").c_str());
  EXPECT_STREQ(KELT_FormatIntensityD(1e6, b), L("1.000e+6").c_str());
  EXPECT_STREQ(KELT_FormatIntensityI64(999999, b), L("999,999").c_str());
  EXPECT_STREQ(KELT_FormatIntensityI64(-5000000000LL, b), L("-5,000,000,000").c_str());
  EXPECT_STREQ(KELT_FormatIntensityI64(5000000000LL, b), L("5.000e+9").c_str());
}

TEST_P(NumberFormatTest, ResultAmounts) {
  char b[kNumberTextSize];
  EXPECT_STREQ(KELT_FormatResultAmount(8, 2, -1.0, "ng", b), "     N/A");
  EXPECT_STREQ(KELT_FormatResultAmount(2, 2, -1.0, "ng", b), "N/A");
  EXPECT_STREQ(KELT_FormatResultAmount(8, 2, std::numeric_limits<double>::quiet_NaN(), "", b), "     N/A");
  EXPECT_STREQ(KELT_FormatResultAmount(0, 2, 0.0, "", b), "0");
  EXPECT_STREQ(KELT_FormatResultAmount(0, 2, 1234.6, "Counts", b), L("1,235").c_str());
  EXPECT_STREQ(KELT_FormatResultAmount(10, 2, 1234.567, "ng", b), L("   1,234.57").c_str());
  EXPECT_STREQ(KELT_FormatResultAmount(0, 3, 0.0, "ng", b), L("0.000").c_str());
  // An absurd width is held to the field limit.
  EXPECT_EQ(std::strlen(KELT_FormatResultAmount(30000, 2, 1.0, "ng", b)), static_cast<size_t>(kMaxFieldWidth));
}

TEST_P(NumberFormatTest, ExponentThresholdRule) {
  char b[kNumberTextSize];
  SetExponents(1, 2);
  EXPECT_STREQ(KELT_FormatDecimalNumber(0, 1, 999999.5, b), L("999,999.5").c_str());
  EXPECT_STREQ(KELT_FormatDecimalNumber(0, 1, 1000000.0, b), L("1.000e+6").c_str());
  EXPECT_STREQ(KELT_FormatAreaOrHeight(0, 1000000.0, b), L("1.000e+6").c_str());
  SetExponents(0, 2);
  EXPECT_STREQ(KELT_FormatDecimalNumber(0, 1, 1000000.0, b), L("1,000,000.0").c_str());
  SetExponents(1, 9);  // outside the table: 1e6
  EXPECT_STREQ(KELT_FormatAreaOrHeight(0, 999999.0, b), L("999,999").c_str());
  EXPECT_STREQ(KELT_FormatAreaOrHeight(0, 1000000.0, b), L("1.000e+6").c_str());
  SetExponents(1, 0);
  EXPECT_STREQ(KELT_FormatAreaOrHeight(0, 10000.0, b), L("1.000e+4").c_str());
}

TEST_P(NumberFormatTest, DecimalNumbersAreasAndTitles) {
  char b[kNumberTextSize];
  EXPECT_STREQ(KELT_FormatDecimalNumber(6, 2, -0.5, b), "N/A");
  // The width applies to the C text; the locale's separators come on top.
  EXPECT_STREQ(KELT_FormatAreaOrHeight(10, 12345.0, b), L("     12,345").c_str());
  EXPECT_STREQ(KELT_FormatAreaOrHeight(3, 12345.0, b), L("12,345").c_str());
  KELT_FormatNumberForTitle(b, "%.2f", 1234.5, 10);
  EXPECT_STREQ(b, L("1,234.50").c_str());
  KELT_FormatNumberForTitle(b, "%.2f", 123456789.0, 8);
  EXPECT_STREQ(b, L("1.235e+8").c_str());
  // A format that does not take one number is not used.
  KELT_FormatNumberForTitle(b, "%s %d", 2.5, 10);
  EXPECT_STREQ(b, L("2.5").c_str());
  KELT_FormatNumberForTitle(b, nullptr, 2.5, 10);
  EXPECT_STREQ(b, L("2.5").c_str());
  KELT_FormatNumberForTitle(b, "%.1f min (100%%)", 2.54, 30);
  EXPECT_STREQ(b, L("2.5 min (100%)").c_str());
}

TEST_P(NumberFormatTest, DatesAndTimesUseTheShortFormats) {
  char date[20], time[20];
  ASSERT_TRUE(KELT_FormatDateTime(3, 14, 98, 15, 7, date, time));
  EXPECT_STREQ(date, German() ? "14.03.1998" : "3/14/1998");
  EXPECT_STREQ(time, German() ? "15:07" : "3:07 PM");
  EXPECT_FALSE(KELT_FormatDateTime(3, 14, 74, 15, 7, date, time));
  EXPECT_STREQ(date, "");
  EXPECT_STREQ(time, "");
  EXPECT_FALSE(KELT_FormatDateTime(13, 40, 98, 15, 7, date, time));  // no such date
  EXPECT_STREQ(date, "");
}

TEST_P(NumberFormatTest, CalendarTimesAreShownInLocalTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  char date[20], time[20];
  const time32_t t = 889888020;  // 1998-03-14 15:07 UTC
  ASSERT_TRUE(KELT_FormatDateTimeFromLong(&t, date, time));
  EXPECT_STREQ(date, German() ? "14.03.1998" : "3/14/1998");
  EXPECT_STREQ(time, German() ? "15:07" : "3:07 PM");
  const time32_t early = 100000000;  // 1973
  EXPECT_FALSE(KELT_FormatDateTimeFromLong(&early, date, time));
  EXPECT_STREQ(date, "");
  const time32_t negative = -5;
  EXPECT_FALSE(KELT_FormatDateTimeFromLong(&negative, date, time));
  EXPECT_FALSE(KELT_FormatDateTimeFromLong(nullptr, date, time));
}

// A date whose text does not fit its 20 characters is still a date: the
// buffer says why its text is missing, the time is written, the result is 1.
TEST_P(NumberFormatTest, CalendarDatesTooLongForTheBufferSayWhy) {
  setenv("TZ", "UTC", 1);
  tzset();
  WriteText("C:\\WINDOWS\\locale.ini",
            std::string("[Locale]\r\nName=") + GetParam() + "\r\nsShortDate=dddd, MMMM dd, yyyy\r\n");
  char date[20], time[20];
  const time32_t t = 889888020;  // Saturday, 1998-03-14 15:07 UTC
  EXPECT_EQ(KELT_FormatDateTimeFromLong(&t, date, time), 1);
  EXPECT_STREQ(date, "buffsize");
  EXPECT_STREQ(time, German() ? "15:07" : "3:07 PM");
  const time32_t early = 100000000;  // 1973: no texts at all
  EXPECT_EQ(KELT_FormatDateTimeFromLong(&early, date, time), 0);
  EXPECT_STREQ(date, "");
}

INSTANTIATE_TEST_SUITE_P(Locales, NumberFormatTest, ::testing::Values("en-US", "de-DE"));

TEST(ModeFlagsTest, OverridesAndFlags) {
  KELT_SetPlotReportOverrides(2.5, 1);
  double factor = 0;
  int16_t flag = 0;
  KELT_GetPlotReportOverrides(&factor, &flag);
  EXPECT_EQ(factor, 2.5);
  EXPECT_EQ(flag, 1);
  KELT_ClearPlotReportOverrides();
  KELT_GetPlotReportOverrides(&factor, &flag);
  EXPECT_EQ(factor, 1.0);
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(KELT_IsNearlyEqual(1.0, 1.0 + 5e-9));
  EXPECT_FALSE(KELT_IsNearlyEqual(1.0, 1.0 + 2e-8));
  KELT_SetIsQUIB5(1);
  EXPECT_EQ(KELT_GetIsQUIB5(), 1);
  KELT_SetIsQUIB5(0);
}

}  // namespace
