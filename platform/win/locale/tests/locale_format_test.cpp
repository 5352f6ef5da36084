// Number, date and time formatting by the locale.
#include <cstring>
#include <string>

#include "win/profile/tests/profile_test_root.h"
#include "win/win_kernel.h"
#include "win/win_locale.h"

namespace {

class LocaleFormatTest : public ProfileRootTest {
 protected:
  void UseLocale(const std::string& body) { WriteHostPath(Settings("locale.ini"), "[Locale]\r\n" + body); }

  static std::string Number(const char* value, const NUMBERFMTA* fmt, LCID lcid = LOCALE_USER_DEFAULT) {
    char buf[80];
    int n = GetNumberFormatA(lcid, 0, value, fmt, buf, sizeof buf);
    if (n <= 0) return "<fail " + std::to_string(GetLastError()) + ">";
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buf) + 1);
    return buf;
  }
  static std::string Date(DWORD flags, const char* picture, LCID lcid = LOCALE_USER_DEFAULT) {
    char buf[80];
    int n = GetDateFormatA(lcid, flags, &kWhen, picture, buf, sizeof buf);
    if (n <= 0) return "<fail " + std::to_string(GetLastError()) + ">";
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buf) + 1);
    return buf;
  }
  static std::string Time(DWORD flags, const char* picture, const SYSTEMTIME& t = kWhen) {
    char buf[80];
    int n = GetTimeFormatA(LOCALE_USER_DEFAULT, flags, &t, picture, buf, sizeof buf);
    if (n <= 0) return "<fail " + std::to_string(GetLastError()) + ">";
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buf) + 1);
    return buf;
  }
  // Tuesday, 5 March 2024, 13:07:09.250 (the weekday field is not read).
  static constexpr SYSTEMTIME kWhen = {2024, 3, 0, 5, 13, 7, 9, 250};
};

TEST_F(LocaleFormatTest, NumbersWithAGivenFormat) {
  char dot[] = ".", comma[] = ",";
  auto F = [&](UINT digits, UINT lz, UINT grouping, UINT neg = 1) {
    return NUMBERFMTA{digits, lz, grouping, dot, comma, neg};
  };
  struct Case {
    const char* value;
    NUMBERFMTA fmt;
    const char* want;
  } cases[] = {
      {"1234567.891", F(2, 1, 3), "1,234,567.89"},
      {"1234567.891", F(2, 1, 0), "1234567.89"},
      {"123456789", F(0, 1, 32), "12,34,56,789"},
      {"123", F(0, 1, 3), "123"},
      {"1234", F(1, 1, 3), "1,234.0"},
      {"0.5", F(2, 0, 3), ".50"},
      {"0.5", F(2, 1, 3), "0.50"},
      {".5", F(1, 1, 3), "0.5"},
      {"0", F(0, 0, 3), "0"},
      {"007", F(0, 1, 3), "7"},
      {"0.995", F(2, 1, 3), "1.00"},
      {"999.5", F(0, 1, 3), "1,000"},
      {"12.3456", F(3, 1, 3), "12.346"},
      {"12.3449", F(3, 1, 3), "12.345"},
      {"1", F(9, 1, 3), "1.000000000"},
      {"-0.001", F(2, 1, 3), "0.00"},   // rounds to zero: no sign
      {"-1234.5", F(2, 1, 3, 0), "(1,234.50)"},
      {"-1234.5", F(2, 1, 3, 1), "-1,234.50"},
      {"-1234.5", F(2, 1, 3, 2), "- 1,234.50"},
      {"-1234.5", F(2, 1, 3, 3), "1,234.50-"},
      {"-1234.5", F(2, 1, 3, 4), "1,234.50 -"},
      // Exponent digits as the number texts reformat them: no decimals.
      {"-005", F(0, 1, 3), "-5"},
      {"003", F(0, 1, 3), "3"},
  };
  for (const auto& c : cases) EXPECT_EQ(Number(c.value, &c.fmt), c.want) << c.value;
}

TEST_F(LocaleFormatTest, NumbersInTheLocalesOwnFormat) {
  EXPECT_EQ(Number("1234567.891", nullptr), "1,234,567.89");
  EXPECT_EQ(Number("-3.1", nullptr), "-3.10");
  UseLocale("Name=de-DE\r\n");
  EXPECT_EQ(Number("1234567.891", nullptr), "1.234.567,89");
  UseLocale("Name=fr-FR\r\n");
  EXPECT_EQ(Number("1234567.891", nullptr), "1\xA0" "234\xA0" "567,89");
  // A grouping without the closing ";0" groups only once.
  UseLocale("Name=en-US\r\nsGrouping=3\r\niDigits=1\r\n");
  EXPECT_EQ(Number("1234567", nullptr), "1234,567.0");
  // The format record filled from the locale, as the library does at load.
  UseLocale("Name=de-DE\r\n");
  char dec[8], thou[8], grouping[8];
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, dec, sizeof dec);
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thou, sizeof thou);
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, grouping, sizeof grouping);
  NUMBERFMTA fmt{3, 1, static_cast<UINT>(grouping[0] - '0'), dec, thou, 1};
  EXPECT_EQ(Number("1234.500", &fmt), "1.234,500");
}

TEST_F(LocaleFormatTest, NumberErrorsAndSizes) {
  char dot[] = ".", comma[] = ",";
  NUMBERFMTA good{2, 1, 3, dot, comma, 1};
  for (const char* bad : {"", "-", "1e5", "1.2.3", " 1", "+1", "1,000", "12a"}) {
    SetLastError(0);
    EXPECT_EQ(GetNumberFormatA(LOCALE_USER_DEFAULT, 0, bad, &good, nullptr, 0), 0) << bad;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << bad;
  }
  NUMBERFMTA badFormats[] = {{10, 1, 3, dot, comma, 1}, {2, 2, 3, dot, comma, 1}, {2, 1, 33, dot, comma, 1},
                             {2, 1, 3, nullptr, comma, 1}, {2, 1, 3, dot, nullptr, 1}, {2, 1, 3, dot, comma, 5}};
  for (const auto& f : badFormats) {
    SetLastError(0);
    EXPECT_EQ(GetNumberFormatA(LOCALE_USER_DEFAULT, 0, "1", &f, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  SetLastError(0);
  EXPECT_EQ(GetNumberFormatA(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, "1", &good, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));

  EXPECT_EQ(GetNumberFormatA(LOCALE_USER_DEFAULT, 0, "1234", &good, nullptr, 0), 9);  // "1,234.00"
  char small[8];
  SetLastError(0);
  EXPECT_EQ(GetNumberFormatA(LOCALE_USER_DEFAULT, 0, "1234", &good, small, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(LocaleFormatTest, DatesByPicture) {
  struct Case {
    const char* picture;
    const char* want;
  } cases[] = {
      {"MM/dd/yyyy", "03/05/2024"},
      {"d-M-yy", "5-3-24"},
      {"ddd, MMM d y", "Tue, Mar 5 24"},
      {"dddd MMMM", "Tuesday March"},
      {"'Date:' dd'.'MM", "Date: 05.03"},
      {"'it''s' yyyy", "it's 2024"},
      {"yyyy g", "2024 A.D."},
      {"hh:mm", "hh:mm"},  // time letters are text in a date picture
  };
  for (const auto& c : cases) EXPECT_EQ(Date(0, c.picture), c.want) << c.picture;
}

TEST_F(LocaleFormatTest, ShortAndLongDatesPerLocale) {
  EXPECT_EQ(Date(DATE_SHORTDATE, nullptr), "3/5/2024");
  EXPECT_EQ(Date(0, nullptr), "3/5/2024");
  EXPECT_EQ(Date(DATE_LONGDATE, nullptr), "Tuesday, March 05, 2024");
  EXPECT_EQ(Date(DATE_SHORTDATE, nullptr, 0x0407), "05.03.2024");
  EXPECT_EQ(Date(DATE_LONGDATE, nullptr, 0x0407), "Dienstag, 5. M\xE4rz 2024");
  EXPECT_EQ(Date(DATE_SHORTDATE, nullptr, 0x040C), "05/03/2024");
  EXPECT_EQ(Date(DATE_LONGDATE, nullptr, 0x040C), "mardi 5 mars 2024");
  UseLocale("Name=de-DE\r\n");
  EXPECT_EQ(Date(DATE_SHORTDATE, nullptr, LOCALE_SYSTEM_DEFAULT), "05.03.2024");
  UseLocale("Name=en-US\r\nsShortDate=yyyy-MM-dd\r\n");
  EXPECT_EQ(Date(DATE_SHORTDATE, nullptr), "2024-03-05");
}

TEST_F(LocaleFormatTest, DateErrors) {
  char buf[32];
  SYSTEMTIME feb30 = {2023, 2, 0, 29, 0, 0, 0, 0};
  SYSTEMTIME month13 = {2024, 13, 0, 1, 0, 0, 0, 0};
  for (const SYSTEMTIME& bad : {feb30, month13}) {
    SetLastError(0);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &bad, nullptr, buf, sizeof buf), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  SYSTEMTIME leap = {2024, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &leap, nullptr, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "2/29/2024");
  struct FlagCase {
    DWORD flags;
    const char* picture;
  } flagCases[] = {{DATE_SHORTDATE | DATE_LONGDATE, nullptr}, {DATE_SHORTDATE, "yyyy"}, {0x1000, nullptr}};
  for (const auto& c : flagCases) {
    SetLastError(0);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, c.flags, &kWhen, c.picture, buf, sizeof buf), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
  }
  EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &kWhen, nullptr, nullptr, 0), 9);
  SetLastError(0);
  EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &kWhen, nullptr, buf, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  // Today when no date is given.
  EXPECT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buf, sizeof buf), 0);
}

TEST_F(LocaleFormatTest, TimesWithFlagsAndPictures) {
  struct Case {
    DWORD flags;
    const char* picture;
    const char* want;
  } cases[] = {
      {0, nullptr, "1:07:09 PM"},
      {TIME_NOSECONDS, nullptr, "1:07 PM"},
      {TIME_NOMINUTESORSECONDS, nullptr, "1 PM"},
      {TIME_NOTIMEMARKER, nullptr, "1:07:09"},
      {TIME_FORCE24HOURFORMAT, nullptr, "13:07:09 PM"},
      {TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, nullptr, "13:07:09"},
      {0, "hh:mm:ss tt", "01:07:09 PM"},
      {0, "H'h'mm", "13h07"},
      {0, "t", "P"},
      {TIME_NOSECONDS, "HH:mm:ss", "13:07"},
      {TIME_NOTIMEMARKER, "tt hh:mm", "01:07"},
      {0, "'at' H:m:s", "at 13:7:9"},
  };
  for (const auto& c : cases) EXPECT_EQ(Time(c.flags, c.picture), c.want) << c.flags << " " << (c.picture ? c.picture : "");
  EXPECT_EQ(Time(0, nullptr, SYSTEMTIME{2024, 1, 0, 1, 0, 5, 0, 0}), "12:05:00 AM");
  EXPECT_EQ(Time(0, nullptr, SYSTEMTIME{2024, 1, 0, 1, 12, 0, 0, 0}), "12:00:00 PM");
  UseLocale("Name=de-DE\r\n");
  EXPECT_EQ(Time(0, nullptr), "13:07:09");
  EXPECT_EQ(Time(TIME_NOSECONDS, nullptr), "13:07");
}

TEST_F(LocaleFormatTest, TimeErrors) {
  char buf[32];
  SYSTEMTIME bad = {2024, 1, 0, 1, 24, 0, 0, 0};
  SetLastError(0);
  EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &bad, nullptr, buf, sizeof buf), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, 0x10, &kWhen, nullptr, buf, sizeof buf), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
  SetLastError(0);
  EXPECT_EQ(GetTimeFormatA(0x0411, 0, &kWhen, nullptr, buf, sizeof buf), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &kWhen, nullptr, nullptr, 0), 8);
  EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &kWhen, nullptr, buf, 7), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
