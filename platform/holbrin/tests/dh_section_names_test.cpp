#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "holbrin/holbrin.h"

TEST(DHSectionName, BuildsNamesTheCallersParseBack) {
  struct Case {
    const char* base;
    uint16_t id, address;
    const char* tag;
    const char* name;
  } cases[] = {
      {"GlobalParams", 0x14, 1, "1", "GlobalParams.0014.0001.1"},
      {"TimeEvents", 0xABCD, 0xFFFF, "~1", "TimeEvents.ABCD.FFFF.~1"},
      {"MSReportFormat2", 0, 0, "1", "MSReportFormat2.0000.0000.1"},
  };
  for (const Case& c : cases) {
    char name[64];
    ASSERT_TRUE(BuildDHSectionName(name, c.base, c.id, c.address, c.tag)) << c.base;
    EXPECT_STREQ(name, c.name);
    char base[64] = {}, tag[64] = {};
    unsigned short id = 0, address = 0;
    ASSERT_EQ(std::sscanf(name, " %[^.].%4hx.%4hx.%s", base, &id, &address, tag), 4);
    EXPECT_STREQ(base, c.base);
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(address, c.address);
    EXPECT_STREQ(tag, c.tag);
    uint16_t pid = 0, paddress = 0;
    ASSERT_TRUE(ParseDHSectionName(name, base, sizeof base, &pid, &paddress, tag, sizeof tag));
    EXPECT_EQ(pid, c.id);
    EXPECT_EQ(paddress, c.address);
  }
  // The four-number form reads a numeric tag as a fourth hexadecimal field.
  char name[64], base[64];
  unsigned short a = 0, b = 0, channel = 0;
  ASSERT_TRUE(BuildDHSectionName(name, "Method", 0x14, 2, "1"));
  ASSERT_EQ(std::sscanf(name, " %[^.].%4hx.%4hx.%4hx", base, &a, &b, &channel), 4);
  EXPECT_EQ(channel, 1);
}

TEST(DHSectionName, RefusesNamesThatWouldNotParseBack) {
  char name[64] = "x";
  const char* longBase = "AnExtremelyLongBaseNameThatCannotFitWithinTheSixtyThreeCharLimit";
  struct Case {
    const char* base;
    const char* tag;
  } cases[] = {{"Global.Params", "1"}, {"", "1"}, {nullptr, "1"}, {"Peak Table", "1"},
               {"PeakTable", ""},      {"PeakTable", "a b"}, {"PeakTable", nullptr}, {longBase, "1"}};
  for (const Case& c : cases) {
    EXPECT_FALSE(BuildDHSectionName(name, c.base, 1, 1, c.tag)) << (c.base ? c.base : "null");
    EXPECT_STREQ(name, "");
  }
  EXPECT_FALSE(BuildDHSectionName(nullptr, "PeakTable", 1, 1, "1"));
  EXPECT_FALSE(ParseDHSectionName("PeakTable.0014", nullptr, 0, nullptr, nullptr, nullptr, 0));
  EXPECT_FALSE(ParseDHSectionName(nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0));
}

TEST(DHTime, RawCountsAreSixHundredThousandthsOfAMinute) {
  EXPECT_DOUBLE_EQ(DHRawToMinutes(600000), 1.0);
  EXPECT_DOUBLE_EQ(DHRawToMinutes(0), 0.0);
  struct Case {
    double minutes;
    uint32_t raw;
  } cases[] = {{1.0, 600000},   {12.3456, 7407360}, {0.0000009, 1},
               {-3.0, 0},       {2000.0, 1200000000u}, {1e9, 0xFFFFFFFFu}};
  for (const Case& c : cases) EXPECT_EQ(DHMinutesToRaw(c.minutes), c.raw) << c.minutes;
  EXPECT_EQ(DHMinutesToRaw(std::nan("")), 0u);
  for (uint32_t raw : {1u, 599999u, 123456789u}) EXPECT_EQ(DHMinutesToRaw(DHRawToMinutes(raw)), raw);
}

TEST(DHTexts, StringTableAndModuleKinds) {
  char text[81];
  EXPECT_GT(LoadDHString(25, text, sizeof text), 0);
  EXPECT_NE(std::strstr(text, "not found"), nullptr);
  EXPECT_EQ(LoadDHString(9999, text, sizeof text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_TRUE(GetDHErrorText(2, text, 81));
  EXPECT_FALSE(GetDHErrorText(-1, text, 81));
  char small[8];
  EXPECT_EQ(LoadDHString(1, small, sizeof small), 7);  // cut, still terminated

  DH_FILE_TYPE_DESCRIPTOR d;
  ASSERT_TRUE(GetFileTypeDescriptor(20, &d));
  EXPECT_EQ(uint16_t(d.massDecimals), 1);
  EXPECT_LT(double(d.lowMass), double(d.highMass));
  EXPECT_FALSE(GetFileTypeDescriptor(999, &d));
  EXPECT_EQ(uint16_t(d.massDecimals), 0);
  EXPECT_EQ(double(d.highMass), 0.0);
}
