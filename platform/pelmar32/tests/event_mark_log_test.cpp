// The event-mark log: names, reading back what was written, damaged logs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "pelmar32/pelmar32.h"
#include "testing/workstation_root.h"

namespace {

class EventMarkLogTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
    ASSERT_TRUE(CreateSectionFileAtPath(kPath, 1, 0, 1));
  }
  static constexpr const char* kPath = "C:\\Data\\run.kms";
};

std::vector<EVENT_MARK_LOG_STEP> Steps(int n) {
  std::vector<EVENT_MARK_LOG_STEP> s(n);
  for (int i = 0; i < n; ++i) {
    s[i].time = 1.25f + 0.1f * i;
    std::snprintf(s[i].text, sizeof s[i].text, "Mark %d", i + 1);
  }
  return s;
}

TEST_F(EventMarkLogTest, NamesCarryHexadecimalNumbers) {
  char name[64];
  ASSERT_TRUE(BuildEventMarkLogName(name, 23, 1, "10"));
  EXPECT_STREQ(name, "EventMarkLog.0017.0001.000A");
  EXPECT_FALSE(BuildEventMarkLogName(name, 23, 1, "x1"));
  EXPECT_FALSE(BuildEventMarkLogName(name, 23, 1, "65536"));
  EXPECT_FALSE(BuildEventMarkLogName(name, 23, 1, ""));
}

TEST_F(EventMarkLogTest, WrittenStepsReadBack) {
  const auto steps = Steps(7);
  ASSERT_TRUE(WriteEventMarkLog(kPath, 23, 1, "3", steps.data(), 7));
  HSECTION h = OpenEventMarkLogReadOnly(kPath, 23, 1, "3");
  ASSERT_TRUE(h);
  EXPECT_EQ(CountEventMarkLogSteps(h), 7);
  std::vector<EVENT_MARK_LOG_STEP> out(3);
  ASSERT_TRUE(ReadEventMarkLogStep(h, 4, out.data(), 3));
  EXPECT_FLOAT_EQ(out[0].time, steps[4].time);
  EXPECT_STREQ(out[2].text, "Mark 7");
  EXPECT_FALSE(ReadEventMarkLogStep(h, 5, out.data(), 3));  // past the end
  EXPECT_FALSE(ReadEventMarkLogStep(h, -1, out.data(), 1));
  EXPECT_TRUE(CloseSection(h));
  EXPECT_EQ(OpenEventMarkLogReadOnly(kPath, 23, 1, "4"), nullptr);
  EXPECT_EQ(OpenEventMarkLogReadOnly("C:\\Data\\none.kms", 23, 1, "3"), nullptr);
}

TEST_F(EventMarkLogTest, DamagedLogsCountAsNone) {
  const auto steps = Steps(2);
  ASSERT_TRUE(WriteEventMarkLog(kPath, 1, 2, "1", steps.data(), 2));
  // Cut the section short by one byte.
  HSECTION r = OpenSectionReadOnly(kPath, "EventMarkLog.0001.0002.0001", nullptr);
  std::vector<char> bytes(GetSectionSize(r));
  ReadSection(r, bytes.data(), static_cast<uint32_t>(bytes.size()));
  CloseSection(r);
  HSECTION w = CreateSection(kPath, "EventMarkLog.0001.0002.0001", nullptr);
  WriteSection(w, bytes.data(), static_cast<uint32_t>(bytes.size() - 1));
  CloseSection(w);
  HSECTION h = OpenEventMarkLogReadOnly(kPath, 1, 2, "1");
  ASSERT_TRUE(h);
  EXPECT_EQ(CountEventMarkLogSteps(h), -1);
  EVENT_MARK_LOG_STEP one;
  EXPECT_FALSE(ReadEventMarkLogStep(h, 0, &one, 1));
  CloseSection(h);
  EXPECT_EQ(CountEventMarkLogSteps(nullptr), -1);
}

}  // namespace
