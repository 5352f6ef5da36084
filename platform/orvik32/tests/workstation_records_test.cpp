// The workstation's version, service-pack and hot-fix records, and text
// appended to configuration sections.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_registry.h"

namespace {

using WorkstationRecordsTest = WorkstationRootTest;

TEST_F(WorkstationRecordsTest, VersionLevelAndRegistryBase) {
  char buf[256];
  EXPECT_FALSE(GetWorkStationVersion(buf));
  EXPECT_STREQ(buf, "");
  WriteHostFile("c/Workstation/workstation.ini",
                "[Corvane Zeph Workstation]\nVersion=6.20\nServicePackLevel=2\n[System Strings]\nString10=ZEPH-6\n");
  ASSERT_TRUE(GetWorkStationVersion(buf));
  EXPECT_STREQ(buf, "Version 6.20");
  GetWSSysString(10, buf);
  EXPECT_STREQ(buf, "ZEPH-6");
  int32_t level = -1;
  EXPECT_EQ(GetWSServicePackLevel(&level), 2);
  EXPECT_EQ(level, 2);
  ASSERT_TRUE(SetWSServicePackLevel(3));
  EXPECT_EQ(GetWSServicePackLevel(nullptr), 3);
  EXPECT_FALSE(GetWSSoftwareRegKey(buf, sizeof buf));
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvane, Inc.\\Zeph Workstation", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(k);
  ASSERT_TRUE(GetWSSoftwareRegKey(buf, sizeof buf));
  EXPECT_STREQ(buf, "Software\\Corvane, Inc.\\Zeph Workstation");
  EXPECT_STREQ(GetZephIni(), "C:\\Workstation\\workstation.ini");
}

TEST_F(WorkstationRecordsTest, HotFixesAreListedInRisingNumbersAndRemoved) {
  ASSERT_TRUE(AddHotFix(12, "Report footer"));
  ASSERT_TRUE(AddHotFix(3, "Library search"));
  ASSERT_TRUE(AddHotFix(12, "Report footer, again"));
  EXPECT_FALSE(AddHotFix(0, "none"));
  int32_t t = 0;
  char text[256];
  EXPECT_EQ(EnumWSHotFixes(0, &t, text, sizeof text), 3);
  EXPECT_STREQ(text, "Library search");
  EXPECT_GT(t, 1600000000);
  EXPECT_EQ(EnumWSHotFixes(3, &t, text, sizeof text), 12);
  EXPECT_STREQ(text, "Report footer, again");
  EXPECT_EQ(EnumWSHotFixes(12, &t, text, sizeof text), 0);
  EXPECT_TRUE(DeleteHotFix(3));
  EXPECT_FALSE(DeleteHotFix(3));
  EXPECT_FALSE(IsHotFixInstalled(3));
  EXPECT_EQ(EnumWSHotFixes(0, &t, text, sizeof text), 12);
}

TEST_F(WorkstationRecordsTest, TextFilesAppendToAConfigurationSection) {
  WriteHostFile("c/TEMP/h1.txt", "first\n");
  WriteHostFile("c/TEMP/h2.txt", "second\n");
  const char* cfg = "C:\\Workstation\\config.cfg";
  EXPECT_FALSE(IsAppSection(cfg, "History-ZEPH"));
  ASSERT_TRUE(AppendFileToSection(cfg, "C:\\TEMP\\h1.txt", "History-ZEPH"));
  EXPECT_TRUE(IsAppSection(cfg, "history-zeph"));
  ASSERT_TRUE(AppendFileToSection(cfg, "C:\\TEMP\\h2.txt", "History-ZEPH"));
  EXPECT_FALSE(AppendFileToSection(cfg, "C:\\TEMP\\none.txt", "History-ZEPH"));
  HSECTION s = OpenSectionReadOnly(cfg, "History-ZEPH", nullptr);
  ASSERT_NE(s, nullptr);
  char buf[64] = {};
  const uint32_t n = ReadSection(s, buf, sizeof buf - 1);
  CloseSection(s);
  EXPECT_EQ(std::string(buf, n), "first\nsecond\n");
}

}  // namespace
