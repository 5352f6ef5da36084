// Text forms of channel and mass lists.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "quorna/quorna.h"

namespace {

std::string ChanText(const STRUCT_CHAN_LIST& l) {
  char buf[200];
  EXPECT_EQ(FormatChanList(buf, &l), 1);
  return buf;
}

std::string MassText(const STRUCT_MASS_LIST& l, int decimals) {
  char buf[400];
  EXPECT_EQ(FormatMassListText(buf, &l, decimals), 1);
  return buf;
}

TEST(ChanListText, ParsesAndRoundTrips) {
  struct Case {
    const char* text;
    uint32_t kind;
    uint16_t count;
    uint16_t low0, high0;
    const char* canonical;
  } cases[] = {
      {"1", CHAN_LIST_LISTED, 1, 0, 0, "1"},
      {"2+3", CHAN_LIST_LISTED, 2, 1, 1, "2+3"},
      {" 3-5 + 7 ", CHAN_LIST_LISTED, 2, 2, 4, "3-5+7"},
      {"2:6+9", CHAN_LIST_LISTED, 2, 1, 5, "2-6+9"},
      {"merged", CHAN_LIST_MERGED, 0, 0, 0, "Merged"},
      {"ALL", CHAN_LIST_IGNORED, 0, 0, 0, "All"},
  };
  for (const Case& c : cases) {
    STRUCT_CHAN_LIST l;
    ASSERT_EQ(ParseChanList(c.text, &l), 1) << c.text;
    EXPECT_EQ(l.kind, c.kind) << c.text;
    EXPECT_EQ(l.count, c.count) << c.text;
    if (c.count) {
      EXPECT_EQ(l.entries[0].low, c.low0) << c.text;
      EXPECT_EQ(l.entries[0].high, c.high0) << c.text;
    }
    EXPECT_EQ(ChanText(l), c.canonical);
    STRUCT_CHAN_LIST back;
    ASSERT_EQ(ParseChanList(ChanText(l).c_str(), &back), 1);
    EXPECT_EQ(std::memcmp(&back, &l, sizeof l), 0) << c.text;
  }
}

TEST(ChanListText, RefusesMalformedText) {
  const char* bad[] = {"", "   ", "0", "1+", "+1", "5-3", "1 2", "a", "1-", "65537",
                       "1+2+3+4+5+6+7+8+9+10+11", "99999999999", "1--2", "Merged+1"};
  for (const char* t : bad) {
    STRUCT_CHAN_LIST l;
    std::memset(&l, 0x55, sizeof l);
    EXPECT_EQ(ParseChanList(t, &l), 0) << t;
    EXPECT_EQ(l.count, 0) << t;
  }
  STRUCT_CHAN_LIST l{};
  EXPECT_EQ(ParseChanList(nullptr, &l), 0);
  l.kind = 7;
  char buf[200];
  EXPECT_EQ(FormatChanList(buf, &l), 0);
  EXPECT_STREQ(buf, "");
}

TEST(MassListText, ParsesNamesAndRanges) {
  STRUCT_MASS_LIST l;
  ASSERT_EQ(ParseMassList("ric", &l), 1);
  EXPECT_EQ(l.kind, MASS_LIST_TOTAL_ION);
  ASSERT_EQ(ParseMassList("Base Peak Ion", &l), 1);
  EXPECT_EQ(l.kind, MASS_LIST_BASE_PEAK_ION);
  ASSERT_EQ(ParseMassList("Column 3", &l), 1);
  EXPECT_EQ(l.kind, MASS_LIST_EXTRA_COLUMN + 2);

  ASSERT_EQ(ParseMassList("91+ 104.5-106.25 + 50-550", &l), 1);
  EXPECT_EQ(l.kind, MASS_LIST_RANGES);
  ASSERT_EQ(l.count, 3);
  EXPECT_DOUBLE_EQ(l.ranges[0].low, 91.0);
  EXPECT_DOUBLE_EQ(l.ranges[0].high, 91.0);
  EXPECT_DOUBLE_EQ(l.ranges[1].low, 104.5);
  EXPECT_DOUBLE_EQ(l.ranges[1].high, 106.25);
  EXPECT_DOUBLE_EQ(l.ranges[2].high, 550.0);
  EXPECT_DOUBLE_EQ(l.window, 0.5);
  EXPECT_EQ(MassText(l, 0), "91+104-106+50-550");  // printf rounds 104.5 to even
  EXPECT_EQ(MassText(l, 2), "91.00+104.50-106.25+50.00-550.00");

  ASSERT_EQ(ParseMassList("40:60+91", &l), 1);  // the typed range form
  ASSERT_EQ(l.count, 2);
  EXPECT_DOUBLE_EQ(l.ranges[0].low, 40.0);
  EXPECT_DOUBLE_EQ(l.ranges[0].high, 60.0);
  EXPECT_EQ(MassText(l, 0), "40-60+91");

  ASSERT_EQ(ParseMassList("69/0.3", &l), 1);
  EXPECT_DOUBLE_EQ(l.window, 0.3);
  EXPECT_EQ(MassText(l, 1), "69.0/0.3");
}

TEST(MassListText, RoundTripsEveryKind) {
  const char* texts[] = {"RIC", "Ion Time", "Base Peak Ion", "Intensity of Base Peak", "Column 1",
                         "Column 20", "91", "50.000000-550.000000", "91.100000+92.200000/0.1"};
  for (const char* t : texts) {
    STRUCT_MASS_LIST a, b;
    ASSERT_EQ(ParseMassList(t, &a), 1) << t;
    std::string s = MassText(a, 6);
    ASSERT_EQ(ParseMassList(s.c_str(), &b), 1) << s;
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << t << " -> " << s;
  }
}

TEST(MassListText, RefusesMalformedText) {
  const char* bad[] = {"", "  ", "-5", "91+", "+91", "100-50", "1e5", "91..5", "abc", "91 92", "Column 0",
                       "Column 21", "Column x", "91/0", "91/", "91/-1", "1+2+3+4+5+6+7+8+9+10+11", "nan", "91/0.5+92"};
  for (const char* t : bad) {
    STRUCT_MASS_LIST l;
    EXPECT_EQ(ParseMassList(t, &l), 0) << t;
    EXPECT_EQ(l.count, 0) << t;
    EXPECT_DOUBLE_EQ(l.window, 0.5) << t;
  }
  STRUCT_MASS_LIST l{};
  l.kind = MASS_LIST_RANGES;
  l.count = 11;
  char buf[400];
  EXPECT_EQ(FormatMassListText(buf, &l, 2), 0);
  l.kind = 99;
  EXPECT_EQ(FormatMassListText(buf, &l, 2), 0);
}

}  // namespace

// A tiny mass window (found by fuzzing: it was written with an exponent,
// which the parser does not read) is written in fixed notation.
TEST(MassListText, TinyWindowsParseBack) {
  for (double w : {3.81494e-06, 1e-12, 123456.75}) {
    STRUCT_MASS_LIST m{}, again{};
    m.kind = MASS_LIST_RANGES;
    m.count = 1;
    m.ranges[0].low = m.ranges[0].high = 91.0;
    m.window = w;
    char a[400], b[400];
    ASSERT_EQ(FormatMassListText(a, &m, 1), 1);
    EXPECT_EQ(std::strchr(a, 'e'), nullptr) << a;
    ASSERT_EQ(ParseMassList(a, &again), 1) << a;
    ASSERT_EQ(FormatMassListText(b, &again, 1), 1);
    EXPECT_STREQ(a, b);
    EXPECT_NEAR(again.window, w, 1e-9);
  }
}
