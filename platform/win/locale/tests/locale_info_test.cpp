// Locale items of the user and system locales, and the size rules.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "win/profile/tests/profile_test_root.h"
#include "win/win_kernel.h"
#include "win/win_locale.h"
#include "win/win_locale_hold.h"

namespace {

class LocaleInfoTest : public ProfileRootTest {
 protected:
  void UseLocaleIni(const std::string& body) { WriteHostPath(Settings("locale.ini"), "[Locale]\r\n" + body); }
  static std::string Info(LCID lcid, LCTYPE type) {
    char buf[128];
    int n = GetLocaleInfoA(lcid, type, buf, sizeof buf);
    if (n <= 0) return "<fail " + std::to_string(GetLastError()) + ">";
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buf) + 1);
    return buf;
  }
};

TEST_F(LocaleInfoTest, ItemsPerLocale) {
  struct Case {
    const char* name;
    LCTYPE type;
    const char* want;
  } cases[] = {
      {"en-US", LOCALE_SDECIMAL, "."},          {"en-US", LOCALE_STHOUSAND, ","},
      {"en-US", LOCALE_SGROUPING, "3;0"},       {"en-US", LOCALE_IDIGITS, "2"},
      {"en-US", LOCALE_ILZERO, "1"},            {"en-US", LOCALE_INEGNUMBER, "1"},
      {"en-US", LOCALE_SLIST, ","},             {"en-US", LOCALE_SSHORTDATE, "M/d/yyyy"},
      {"en-US", LOCALE_STIMEFORMAT, "h:mm:ss tt"}, {"en-US", LOCALE_SDATE, "/"},
      {"en-US", LOCALE_STIME, ":"},             {"en-US", LOCALE_S1159, "AM"},
      {"en-US", LOCALE_S2359, "PM"},            {"en-US", LOCALE_ILANGUAGE, "0409"},
      {"en-US", LOCALE_IDATE, "0"},             {"en-US", LOCALE_SDAYNAME1, "Monday"},
      {"en-US", LOCALE_SABBREVMONTHNAME12, "Dec"},
      {"de-DE", LOCALE_SDECIMAL, ","},          {"de-DE", LOCALE_STHOUSAND, "."},
      {"de-DE", LOCALE_SLIST, ";"},             {"de-DE", LOCALE_SSHORTDATE, "dd.MM.yyyy"},
      {"de-DE", LOCALE_STIMEFORMAT, "HH:mm:ss"}, {"de-DE", LOCALE_IDATE, "1"},
      {"de-DE", LOCALE_S1159, ""},              {"de-DE", LOCALE_SMONTHNAME1 + 2, "M\xE4rz"},
      {"fr-FR", LOCALE_SDECIMAL, ","},          {"fr-FR", LOCALE_STHOUSAND, "\xA0"},
      {"fr-FR", LOCALE_SSHORTDATE, "dd/MM/yyyy"}, {"fr-FR", LOCALE_SLIST, ";"},
      {"fr-FR", LOCALE_ILANGUAGE, "040c"},
  };
  for (const auto& c : cases) {
    UseLocaleIni(std::string("Name=") + c.name + "\r\n");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, c.type), c.want) << c.name << " item 0x" << std::hex << c.type;
  }
}

TEST_F(LocaleInfoTest, DefaultsToEnglishUnitedStates) {
  EXPECT_EQ(GetUserDefaultLCID(), 0x0409u);
  EXPECT_EQ(GetSystemDefaultLCID(), 0x0409u);
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SNAME), "en-US");
  EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE), "M/d/yyyy");
  EXPECT_EQ(Info(0x0407, LOCALE_SDECIMAL), ",");  // a concrete locale is always available
}

TEST_F(LocaleInfoTest, SizeRulesAndErrors) {
  char buf[8];
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, nullptr, 0), 9);  // "M/d/yyyy" + NUL
  std::memset(buf, 'X', sizeof buf);
  SetLastError(0);
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 2), 2);
  EXPECT_STREQ(buf, ".");

  struct Case {
    LCID lcid;
    LCTYPE type;
    char* out;
    int size;
    DWORD error;
  } cases[] = {
      {LOCALE_USER_DEFAULT, 0x7777, buf, 8, ERROR_INVALID_FLAGS},
      {LOCALE_USER_DEFAULT, 0xFFF1, buf, 8, ERROR_INVALID_FLAGS},
      {0x0411, LOCALE_SDECIMAL, buf, 8, ERROR_INVALID_PARAMETER},  // not a supported locale
      {LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 8, ERROR_INVALID_PARAMETER},
      {LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, -1, ERROR_INVALID_PARAMETER},
      {LOCALE_USER_DEFAULT, LOCALE_SDECIMAL | LOCALE_RETURN_NUMBER, buf, 8, ERROR_INVALID_FLAGS},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(GetLocaleInfoA(c.lcid, c.type, c.out, c.size), 0) << std::hex << c.type;
    EXPECT_EQ(GetLastError(), c.error) << std::hex << c.type;
  }
}

TEST_F(LocaleInfoTest, NumbersOnRequest) {
  DWORD v = 0;
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDIGITS | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPSTR>(&v), sizeof v),
            4);
  EXPECT_EQ(v, 2u);
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPSTR>(&v), sizeof v),
            4);
  EXPECT_EQ(v, 0x0409u);
}

TEST_F(LocaleInfoTest, WorkstationOverridesApplyToTheUserLocaleOnly) {
  UseLocaleIni(
      "Name=de-DE\r\n"
      "SystemName=en-US\r\n"
      "sDecimal=#\r\n"
      "sThousand=\" \"\r\n"
      "iNegNumber=3\r\n");
  EXPECT_EQ(GetUserDefaultLCID(), 0x0407u);
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), "#");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND), " ");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_INEGNUMBER), "3");
  EXPECT_EQ(Info(0x0407, LOCALE_SDECIMAL), "#");  // the user's locale by its id
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL | LOCALE_NOUSEROVERRIDE), ",");
  EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_SDECIMAL), ".");
  EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE), "M/d/yyyy");

  // A changed file is read again.
  UseLocaleIni("Name=fr-FR\r\n");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ",");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND), "\xA0");
  EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_SNAME), "fr-FR");
}

// The settings file's place is kept between calls; a file that appears
// under another case, goes, or comes back is still seen at the next call.
TEST_F(LocaleInfoTest, SettingsFollowTheFileWhateverItsNameCase) {
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  WriteHostPath(Settings("LOCALE.INI"), "[Locale]\r\nName=de-DE\r\n");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ",");
  std::filesystem::remove(Settings("LOCALE.INI"));
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  UseLocaleIni("Name=fr-FR\r\n");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND), "\xA0");
}

// A whole format given still takes the locale's negative sign, the
// workstation's override of it included; an unknown locale is refused.
TEST_F(LocaleInfoTest, AGivenNumberFormatKeepsTheLocaleSign) {
  UseLocaleIni("Name=de-DE\r\nsNegativeSign=~\r\n");
  char dec[] = ".", thou[] = ",";
  NUMBERFMTA f{2, 1, 3, dec, thou, 1};
  char out[32];
  for (LCID id : {LCID(LOCALE_USER_DEFAULT), LCID(0x0407), LCID(0x0409)}) {
    ASSERT_GT(GetNumberFormatA(id, 0, "-1234.567", &f, out, sizeof out), 0) << id;
    EXPECT_STREQ(out, id == 0x0409 ? "-1,234.57" : "~1,234.57") << id;  // overrides go with the user locale
  }
  SetLastError(0);
  EXPECT_EQ(GetNumberFormatA(0x0123, 0, "1", &f, out, sizeof out), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(LocaleInfoTest, UnknownLocaleNameFallsBackToEnglish) {
  UseLocaleIni("Name=xx-YY\r\n");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SNAME), "en-US");
}

}  // namespace

namespace {

// Settings kept between calls follow a locale file written, removed or
// written under another case, also once its folder has long been still.
TEST_F(LocaleInfoTest, SettingsFollowTheFileAfterTheFolderSettled) {
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  // Past the time after which the folder's times vouch for its names.
  std::this_thread::sleep_for(std::chrono::milliseconds(2300));
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  UseLocaleIni("Name=de-DE\r\n");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ",");
  std::filesystem::remove(Settings("locale.ini"));
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  std::this_thread::sleep_for(std::chrono::milliseconds(2300));
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  WriteHostPath(Settings("LOCALE.INI"), "[Locale]\r\nName=fr-FR\r\n");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ",");
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE), "040c");
}

// A hold keeps the settings as they stood when it began, for its own thread
// and through nested holds; once the outermost ends, and on other threads
// meanwhile, the file is followed again.
TEST_F(LocaleInfoTest, AHoldKeepsTheSettingsUntilItEnds) {
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
  {
    const win::locale::SettingsHold hold;
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
    UseLocaleIni("Name=de-DE\r\n");
    {
      const win::locale::SettingsHold inner;
      EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
    }
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ".");
    std::string elsewhere;
    std::thread([&] { elsewhere = Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL); }).join();
    EXPECT_EQ(elsewhere, ",");
  }
  EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL), ",");
}

}  // namespace

namespace {

// Rewrites of the same size at short and longer spacings, and a file added
// under another case while the file is missing: each is seen at the next
// call, whether the times alone vouch for the last look or not.
TEST_F(LocaleInfoTest, QuickRewritesOfTheSameSizeAreSeen) {
  struct Step {
    int waitMs;
    const char* name;  // all five letters: the file keeps its size
    const char* language;
  };
  const Step steps[] = {{0, "de-DE", "0407"},  {0, "fr-FR", "040c"},   {5, "en-GB", "0809"},
                        {70, "de-DE", "0407"}, {70, "fr-FR", "040c"}, {150, "en-US", "0409"},
                        {150, "de-DE", "0407"}, {5, "en-GB", "0809"}};
  for (const Step& s : steps) {
    std::this_thread::sleep_for(std::chrono::milliseconds(s.waitMs));
    UseLocaleIni(std::string("Name=") + s.name + "\r\n");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE), s.language) << s.name << " after " << s.waitMs;
  }
  std::filesystem::remove(Settings("locale.ini"));
  for (int waitMs : {0, 70, 150}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE), "0409") << waitMs;
    WriteHostPath(Settings("Locale.Ini"), "[Locale]\r\nName=fr-FR\r\n");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE), "040c") << waitMs;
    std::filesystem::remove(Settings("Locale.Ini"));
  }
}

}  // namespace
