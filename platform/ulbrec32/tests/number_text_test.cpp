// Printed numbers for scales: decimal sign and unit prefixes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ulbrec32/number_text.h"
#include "win/win_locale.h"

TEST(NumberText, DecimalSignOfTheUser) {
  char sign[8] = {};
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sign, sizeof sign), 0);
  char text[16] = "-12.50";
  EXPECT_EQ(LocaliseNumberText(text), 6);
  EXPECT_EQ(std::string(text), std::string("-12") + sign[0] + "50");
  char whole[16] = "300";
  LocaliseNumberText(whole);
  EXPECT_STREQ(whole, "300");
  EXPECT_EQ(LocaliseNumberText(nullptr), 0);
}

struct UnitCase {
  std::vector<double> in;
  const char* unit;
  int32_t changed;
  std::vector<double> out;
  const char* unitOut;
};

TEST(NumberText, UnitPrefixLadder) {
  const UnitCase cases[] = {
      {{0.002, 0.004}, "Counts", 1, {2, 4}, "mCounts"},
      {{2e6, 5e6}, "Counts", 1, {2, 5}, "M Counts"},
      {{2e12, 5e12}, "Counts", 1, {2000, 5000}, "G Counts"},
      {{1500, 2e6}, "kV", 1, {0.0015, 2}, "GV"},   // steps up while nothing is below 1
      {{2e6, 0.5}, "Counts", 0, {2e6, 0.5}, "Counts"},   // a value below 1 stops the step up
      {{0.5}, "mV", 1, {500}, "uV"},
      {{0.002}, "Mass units", 1, {2}, "mMass units"},    // "Mass" carries no prefix
      {{5e6}, "Mass", 1, {5}, "M Mass"},
      {{1e-30}, "pA", 0, {1e-30}, "pA"},
      {{12, 400}, "Counts", 0, {12, 400}, "Counts"},
  };
  for (const auto& c : cases) {
    std::vector<double> v = c.in;
    char unit[ULBREC_UNIT_TEXT_SIZE] = {};
    std::strcpy(unit, c.unit);
    EXPECT_EQ(ScaleValuesToUnit(v.data(), static_cast<int32_t>(v.size()), unit), c.changed) << c.unit;
    EXPECT_STREQ(unit, c.unitOut) << c.unit;
    for (size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(v[i], c.out[i], 1e-9 * std::max(1.0, c.out[i])) << c.unit;
  }
  char empty[ULBREC_UNIT_TEXT_SIZE] = "";
  double v = 0.001;
  EXPECT_EQ(ScaleValuesToUnit(&v, 1, empty), 0);
  // A long unit text stays inside its buffer.
  char longUnit[ULBREC_UNIT_TEXT_SIZE] = "Counts per second abcd";
  double big = 3e9;
  EXPECT_EQ(ScaleValuesToUnit(&big, 1, longUnit), 1);
  EXPECT_EQ(std::strlen(longUnit), size_t{ULBREC_UNIT_TEXT_SIZE - 1});
  EXPECT_EQ(std::string(longUnit).substr(0, 4), "G Co");
}
