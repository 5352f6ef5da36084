// The one-compound method and the compound's time events: clipping into the
// retention window, the temporary table, and the tables of the method file.
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/compound_method.h"
#include "win/win_kernel.h"
#include "quant_test_support.h"

namespace {

using namespace quant_test;

// A compound at 5.000 min with a window of +-0.200 min.
STRUCT_DH_COMPOUND Compound(const std::vector<DH_TIME_EVENT>& events) {
  STRUCT_DH_COMPOUND c;
  std::memset(&c, 0, sizeof c);
  c.retentionTime = 5000;
  c.windowHalfWidth = 200;
  c.secondWindowHalfWidth = 456;
  c.peakWidth = 23;
  std::snprintf(c.name, sizeof c.name, "%s", "Toluene");
  c.timeEventCount = int16_t(events.size());
  for (size_t i = 0; i < events.size() && i < 10; ++i) std::memcpy(&c.timeEvents[i], &events[i], sizeof events[i]);
  return c;
}

std::vector<DH_TIME_EVENT> ReadItems(const char* file, uint16_t id, uint16_t address, const char* tag) {
  std::vector<DH_TIME_EVENT> out;
  HSECTION s = OpenDHSection(file, id, address, tag);
  if (!s) return out;
  for (int16_t i = 0; i < CountDHItems(s); ++i) {
    DH_TIME_EVENT e;
    if (ReadDHItem(s, i, &e, 1)) out.push_back(e);
  }
  CloseSection(s);
  return out;
}

class CompoundMethodTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    NewDataFile();
  }
};

TEST_F(CompoundMethodTest, EventsAreClippedIntoTheWindowOrDropped) {
  // Window in ten-thousandths: 48,000 .. 52,000.
  struct Case {
    const char* what;
    DH_TIME_EVENT in;
    bool kept;
    DH_TIME_EVENT out;
  } cases[] = {
      {"range wholly before", {40000, 1, 47000}, false, {}},
      {"range wholly after", {52000, 2, 56000}, false, {}},
      {"range overlapping the start", {46000, 1, 49000}, true, {48010, 1, 49000}},
      {"range overlapping the end", {51000, 9, 60000}, true, {51000, 9, 51990}},
      {"range covering the window", {10000, 4, 90000}, true, {48010, 4, 51990}},
      {"clipped to 0.01 min is dropped", {47000, 7, 48110}, false, {}},
      {"clipped to just over 0.01 min is kept", {47000, 7, 48111}, true, {48010, 7, 48111}},
      {"point inside", {50000, 6, 123}, true, {50000, 6, 123}},
      {"point on the window start", {48000, 6, 1}, false, {}},
      {"point on the window end", {52000, 11, 1}, false, {}},
      {"width value divided by five", {49000, 0, 50}, true, {49000, 0, 10}},
      {"small width value becomes one", {49000, 0, 4}, true, {49000, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const STRUCT_DH_COMPOUND compound = Compound({c.in});
    ASSERT_TRUE(MORVEX_AddTempTESection(kData, 0x17, 1, &compound));
    const std::vector<DH_TIME_EVENT> items = ReadItems(kData, 0x17, 1, TEMP_TIME_EVENT_TAG);
    ASSERT_EQ(items.size(), c.kept ? 1u : 0u);
    if (c.kept) {
      EXPECT_EQ(+items[0].time, int32_t(c.out.time));
      EXPECT_EQ(+items[0].type, int16_t(c.out.type));
      EXPECT_EQ(+items[0].endTime, int32_t(c.out.endTime));
    }
  }
}

TEST_F(CompoundMethodTest, ReadingBackKeepsTenEventsAndScalesWidths) {
  char name[64];
  ASSERT_TRUE(BuildDHSectionName(name, "TimeEvents", 0x17, 1, TEMP_TIME_EVENT_TAG));
  HSECTION s = CreateSection(kData, name, nullptr);
  ASSERT_NE(s, nullptr);
  for (int16_t i = 0; i < 12; ++i) {
    DH_TIME_EVENT e{49000 + i * 100, int16_t(i % 2 == 0 ? 0 : 6), 7 + i};
    ASSERT_TRUE(WriteDHItem(s, i, &e, 1));
  }
  CloseSection(s);

  STRUCT_DH_COMPOUND c = Compound({});
  ASSERT_TRUE(MORVEX_WrapCopyTESectionToCmpdTE(kData, name, &c));
  ASSERT_EQ(+c.timeEventCount, 10);
  DH_TIME_EVENT first, second;
  std::memcpy(&first, &c.timeEvents[0], sizeof first);
  std::memcpy(&second, &c.timeEvents[1], sizeof second);
  EXPECT_EQ(+first.endTime, 35);   // width 7 kept five times larger
  EXPECT_EQ(+second.endTime, 8);   // other kinds as they are

  // And out again: the widths come back to table values.
  ASSERT_TRUE(MORVEX_WrapCopyCmpdTEToTESection(kData, name, &c));
  const std::vector<DH_TIME_EVENT> items = ReadItems(kData, 0x17, 1, TEMP_TIME_EVENT_TAG);
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(+items[0].endTime, 7);

  EXPECT_FALSE(MORVEX_WrapCopyTESectionToCmpdTE(kData, "TimeEvents.0017.0001.none", &c));
}

TEST_F(CompoundMethodTest, ForceAndGroupWindowsIncludeTheirEnds) {
  const STRUCT_DH_COMPOUND c = Compound({{40000, 1, 60000}, {49000, 3, 51000}, {52000, 5, 53000}});
  struct Case {
    double time;
    BOOL found;
    int16_t kind;
  } cases[] = {{4.9, TRUE, 3}, {5.1, TRUE, 3}, {5.0, TRUE, 3}, {4.8999, FALSE, 0},
               {5.2, TRUE, 5}, {5.3, TRUE, 5}, {5.15, FALSE, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.time);
    DH_TIME_EVENT item{1, 1, 1};
    EXPECT_EQ(MORVEX_IsForceOrGroupCmpd(&c, k.time, &item), k.found);
    EXPECT_EQ(+item.type, k.kind);  // cleared when none
  }
  // The same over a method's table.
  HSECTION s = CreateDHSection(kData, 0x17, 1, "1");
  ASSERT_NE(s, nullptr);
  DH_TIME_EVENT e{52000, 5, 53000};
  ASSERT_TRUE(WriteDHItem(s, 0, &e, 1));
  CloseSection(s);
  DH_TIME_EVENT item;
  EXPECT_TRUE(IsForceOrGroupInTable(kData, 0x17, 1, "1", 5.3, &item));
  EXPECT_EQ(+item.time, 52000);
  EXPECT_FALSE(IsForceOrGroupInTable(kData, 0x17, 1, "1", 5.31, &item));
  EXPECT_FALSE(IsForceOrGroupInTable(kData, 0x17, 1, "2", 5.3, &item));
}

TEST_F(CompoundMethodTest, TemporaryTableIsCreatedAndDeletedEvenWhenAbsent) {
  char name[64];
  ASSERT_TRUE(BuildDHSectionName(name, "TimeEvents", 0x17, 1, "~1"));
  EXPECT_TRUE(MORVEX_DeleteTempTESection(kData, 0x17, 1));
  ASSERT_TRUE(MORVEX_CreateTempTESection(kData, 0x17, 1));
  EXPECT_TRUE(SectionExists(kData, name));
  const STRUCT_DH_COMPOUND c = Compound({{50000, 6, 1}});
  ASSERT_TRUE(MORVEX_WrapCopyCmpdTEToTESection(kData, name, &c));
  EXPECT_EQ(ReadItems(kData, 0x17, 1, "~1").size(), 1u);
  ASSERT_TRUE(MORVEX_ClearTempTESection(kData, name));
  EXPECT_EQ(ReadItems(kData, 0x17, 1, "~1").size(), 0u);
  EXPECT_TRUE(MORVEX_DeleteTempTESection(kData, 0x17, 1));
  EXPECT_FALSE(SectionExists(kData, name));
}

TEST_F(CompoundMethodTest, OneCompoundMethodHoldsTheCompoundItsSettingsAndAWidthEvent) {
  STRUCT_DH_COMPOUND c = Compound({{40000, 1, 60000}, {10000, 6, 5}, {50000, 0, 40}});
  c.integration1713 = 11, c.integration1717 = 12, c.integration1721 = 13, c.integration1729 = 14;
  c.integration1745 = 15, c.integration1749 = 16, c.integration1753 = 17000;
  c.flags = 0x0001;
  STRUCT_DH_GLOBAL_PARAMS g;
  ASSERT_TRUE(InitGlobalParams(&g));
  g.quant.integration78 = 9, g.quant.integration356 = 9, g.quant.windowSpareA = 9, g.quant.windowSpareB = 9;
  g.quant.secondWindowB = 77;
  char path[MAX_PATH];
  ASSERT_TRUE(CreateCompoundMethod(&g, &c, path, 0x17, 1, "1"));
  ASSERT_EQ(std::string(path).rfind("C:\\TEMP\\MTH", 0), 0u) << path;
  EXPECT_TRUE(IsSectionFileOfType(path, 666));

  STRUCT_DH_GLOBAL_PARAMS stored;
  HDHTABLE t = OpenGlobalTable(path, 0x17, 1, "1");
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(ReadGlobalTable(t, &stored));
  FreeDHRecordSet(t);
  EXPECT_EQ(std::memcmp(&stored, &g, sizeof g), 0);
  const DH_QUANT_BLOCK& q = stored.quant;
  EXPECT_EQ(+q.integration24, 11);
  EXPECT_EQ(+q.integration44, 12);
  EXPECT_EQ(+q.integration26, 13);
  EXPECT_EQ(+q.integration46, 14);
  EXPECT_EQ(+q.integration80, 15);
  EXPECT_EQ(+q.integration82, 16);
  EXPECT_EQ(+q.integration20, 17000);
  EXPECT_EQ(+q.peakWidthFifths, 4);  // 23 / 5
  EXPECT_EQ(+(q.integration78 + q.integration356 + q.windowSpareA + q.windowSpareB), 0);
  EXPECT_EQ(+q.secondWindowA, 46);   // (456 + 5) / 10, flag bit 0 set
  EXPECT_EQ(+q.secondWindowB, 77);   // left as the caller had it

  t = OpenCompoundTable(path, 0x17, 1, "1");
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(CountDHRecords(t), 1);
  STRUCT_DH_COMPOUND back;
  ASSERT_TRUE(GetDHRecord(t, 0, &back));
  FreeDHRecordSet(t);
  EXPECT_EQ(std::memcmp(&back, &c, sizeof c), 0);

  // The range event clipped, the point event outside dropped, the width
  // event scaled, then the method's own width event.
  const std::vector<DH_TIME_EVENT> items = ReadItems(path, 0x17, 1, "1");
  ASSERT_EQ(items.size(), 3u);
  std::vector<std::vector<int32_t>> got;
  for (const DH_TIME_EVENT& e : items) got.push_back({e.time, e.type, e.endTime});
  EXPECT_EQ(got, (std::vector<std::vector<int32_t>>{{10, 0, 4}, {48010, 1, 51990}, {50000, 0, 8}}));
  EXPECT_NE(OpenDHTable(path, 0x17, 1, "1"), nullptr);
  EXPECT_TRUE(DeleteFileA(path));
}

// The table the engine is handed from memory is the one a time-event
// section gets: the events copied into it, the width event after them,
// then sorted in place (equal times keep their order).
TEST_F(CompoundMethodTest, MethodEventsInMemoryAreThoseOfTheFinishedSection) {
  const std::vector<std::vector<DH_TIME_EVENT>> cases = {
      {},
      {{52000, 12, 30}, {47000, 2, 51000}, {49000, 6, 1}},
      {{50000, 1, 51000}, {50000, 0, 40}, {10, 6, 2}, {50000, 12, 9}},
      {{49000, 1, 49050}, {60000, 6, 1}, {48500, 3, 51500}, {48500, 5, 49500}, {51000, 0, 3}, {49999, 8, 50500},
       {50001, 9, 50600}, {48600, 7, 48900}, {51500, 4, 51900}, {49500, 11, 2}},
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    SCOPED_TRACE(k);
    const STRUCT_DH_COMPOUND c = Compound(cases[k]);
    const char* file = "C:\\TEMP\\events.mth";
    DeleteFileA(file);
    ASSERT_TRUE(PrepareDHFile(file));
    HSECTION s = CreateDHSection(file, 0x17, 1, "1");
    ASSERT_NE(s, nullptr);
    const int32_t copied = MORVEX_CopyCmpdTEToTESection(s, &c);
    const DH_TIME_EVENT width{10, 0, 4};
    ASSERT_TRUE(WriteDHItem(s, int16_t(copied), &width, 1));
    FinishDHSection(s, 0);
    ASSERT_TRUE(CloseSection(s));
    const std::vector<DH_TIME_EVENT> section = ReadItems(file, 0x17, 1, "1");
    DH_TIME_EVENT events[COMPOUND_METHOD_EVENTS];
    const int32_t n = CompoundMethodEvents(&c, events);
    ASSERT_EQ(size_t(n), section.size());
    EXPECT_EQ(std::memcmp(events, section.data(), section.size() * sizeof events[0]), 0);
  }
}

TEST_F(CompoundMethodTest, WindowLimitsAndTheInternalStandardSection) {
  const STRUCT_DH_COMPOUND c = Compound({});
  CMPD_WINDOW_LIMITS w;
  ASSERT_TRUE(MORVEX_GetCmpdWindowLimits(&c, &w));
  EXPECT_DOUBLE_EQ(+w.centre, 5.0);
  EXPECT_DOUBLE_EQ(+w.low, 4.8);
  EXPECT_DOUBLE_EQ(+w.high, 5.2);
  EXPECT_DOUBLE_EQ(+w.secondLow, 5.0 - 0.456);
  EXPECT_DOUBLE_EQ(+w.secondHigh, 5.0 + 0.456);

  uint8_t record[INTERNAL_STANDARD_RECORD_SIZE];
  for (int i = 0; i < INTERNAL_STANDARD_RECORD_SIZE; ++i) record[i] = uint8_t(i + 1);
  ASSERT_TRUE(WriteInternalStandardSection(kData, record, &c));
  const std::vector<uint8_t> bytes = Bytes(INTERNAL_STANDARD_SECTION);
  ASSERT_EQ(bytes.size(), 60u + sizeof c);
  EXPECT_EQ(std::memcmp(bytes.data(), record, 60), 0);
  EXPECT_EQ(std::memcmp(bytes.data() + 60, &c, sizeof c), 0);
  EXPECT_FALSE(WriteInternalStandardSection(kData, nullptr, &c));
}

}  // namespace
