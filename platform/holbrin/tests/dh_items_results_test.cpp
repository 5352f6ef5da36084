// Time-event item sections and the integration results of a processed file.
#include <cstring>
#include <vector>

#include "dh_test_root.h"
#include "holbrin/holbrin.h"

namespace {
constexpr uint16_t kId = 0x14, kAddress = 1;
}

using DhItems = DhRootTest;

TEST_F(DhItems, TimeEventsWriteCountReadAndSort) {
  HSECTION s = CreateDHSection(file_, kId, kAddress, "1");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountDHItems(s), 0);
  const DH_TIME_EVENT events[] = {{50000, 1, 60000}, {10, 0, 6}, {30000, 5, 32000}};
  for (int16_t i = 0; i < 3; ++i) ASSERT_TRUE(WriteDHItem(s, i, &events[i], 1));
  EXPECT_FALSE(WriteDHItem(s, 5, &events[0], 1));  // past the end
  ASSERT_TRUE(FinishDHSection(s, 0));
  ASSERT_TRUE(CloseSection(s));

  s = OpenDHSection(file_, kId, kAddress, "1");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(CountDHItems(s), 3);
  DH_TIME_EVENT back[3];
  ASSERT_TRUE(ReadDHItem(s, 0, back, 3));
  EXPECT_EQ(+back[0].time, 10);
  EXPECT_EQ(+back[1].type, 5);
  EXPECT_EQ(+back[2].endTime, 60000);
  EXPECT_FALSE(ReadDHItem(s, 3, back, 1));
  EXPECT_FALSE(ReadDHItem(s, -1, back, 1));
  CloseSection(s);

  s = OpenDHSectionForUpdate(file_, kId, kAddress, "1");
  ASSERT_TRUE(WriteDHItem(s, 3, &events[1], 1));  // appends an earlier time
  int32_t changed = -1;
  ASSERT_TRUE(SortDHItems(s, &changed));
  EXPECT_EQ(changed, 1);
  ASSERT_TRUE(SortDHItems(s, &changed));
  EXPECT_EQ(changed, 0);
  CloseSection(s);
}

TEST_F(DhItems, SectionStoreHandlesServeAndDamageIsRefused) {
  char name[64];
  ASSERT_TRUE(BuildDHSectionName(name, "TimeEvents", kId, kAddress, "~1"));
  HSECTION s = CreateSection(file_, name, nullptr);  // made empty by the section store
  EXPECT_EQ(CountDHItems(s), 0);
  DH_TIME_EVENT e{1000, 3, 2000};
  ASSERT_TRUE(WriteDHItem(s, 0, &e, 1));
  CloseSection(s);
  s = OpenSectionReadOnlyShared(file_, name, nullptr);
  ASSERT_EQ(CountDHItems(s), 1);
  DH_TIME_EVENT back;
  ASSERT_TRUE(ReadDHItem(s, 0, &back, 1));
  EXPECT_EQ(+back.endTime, 2000);
  CloseSection(s);

  PutRaw(name, "1234567", 7);  // not a whole number of items
  EXPECT_EQ(OpenDHSection(file_, kId, kAddress, "~1"), nullptr);
  s = OpenSectionReadOnly(file_, name, nullptr);
  EXPECT_LT(CountDHItems(s), 0);
  EXPECT_FALSE(ReadDHItem(s, 0, &back, 1));
  CloseSection(s);
  EXPECT_EQ(OpenDHSection(file_, kId, kAddress, "2"), nullptr);
  EXPECT_LT(CountDHItems(nullptr), 0);
}

TEST_F(DhItems, PeakEventsCarryTheScaleFactor) {
  HDHTABLE events = CreateDHEventList(file_, kId, kAddress, "1");
  ASSERT_NE(events, nullptr);
  DH_PEAK_EVENT e{};
  e.rawTime = DHMinutesToRaw(5.0);
  e.value = 800.0f;
  e.code = 0x00008002;
  ASSERT_TRUE(WriteDHEvent(events, 0, &e, 1, 2.0f));  // stored as 400
  e.rawTime = DHMinutesToRaw(5.1);
  e.code = 0x00000004;
  e.originalRawTime = DHMinutesToRaw(5.05);
  e.originalValue = 100.0f;
  ASSERT_TRUE(WriteDHEvent(events, 1, &e, 1, 2.0f));
  EXPECT_FALSE(WriteDHEvent(events, 2, &e, 1, 0.0f));
  CloseSection(events);

  events = OpenDHEventListReadOnly(file_, kId, kAddress, "1");
  ASSERT_EQ(CountDHEvents(events), 2);
  DH_PEAK_EVENT back[2];
  ASSERT_TRUE(ReadDHEvent(events, 0, back, 2, 1.0f));
  EXPECT_EQ(+back[0].value, 400.0f);
  EXPECT_EQ(+back[1].originalValue, 50.0f);
  EXPECT_EQ(+back[1].originalRawTime, DHMinutesToRaw(5.05));
  ASSERT_TRUE(ReadDHEvent(events, 1, back, 1, 3.0f));
  EXPECT_EQ(+back[0].value, 1200.0f);
  EXPECT_FALSE(ReadDHEvent(events, 2, back, 1, 1.0f));
  EXPECT_FALSE(WriteDHEvent(events, 0, back, 1, 1.0f));  // read-only
  CloseSection(events);
}

TEST_F(DhItems, BaselinesAndPeaks) {
  HDHTABLE b = CreateDHBaselineList(file_, kId, kAddress, "1");
  const DH_BASELINE lines[] = {{1, 3, 0}, {3, 5, 13}};
  ASSERT_TRUE(WriteDHBaseline(b, 0, lines, 2));
  CloseSection(b);
  b = OpenDHBaselineListForUpdate(file_, kId, kAddress, "1");
  ASSERT_EQ(CountDHBaselines(b), 2);
  DH_BASELINE back;
  ASSERT_TRUE(ReadDHBaseline(b, 1, &back, 1));
  EXPECT_EQ(+back.code, 13);
  back.endEvent = 6;
  ASSERT_TRUE(WriteDHBaseline(b, 1, &back, 1));
  CloseSection(b);
  b = OpenDHBaselineList(file_, kId, kAddress, "1");
  ASSERT_TRUE(ReadDHBaseline(b, 1, &back, 1));
  EXPECT_EQ(+back.endEvent, 6);
  EXPECT_EQ(CountDHPeaks(b), -1);  // a baseline list is no peak list
  CloseSection(b);

  HDHTABLE p = CreateDHPeakList(file_, kId, kAddress, "1");
  DH_PEAK peak{};
  peak.number = 1;
  peak.retentionTime = 5.1f;
  peak.area = 12345.0f;
  peak.height = 900.0f;
  ASSERT_TRUE(WriteDHPeak(p, 0, &peak, 1));
  CloseSection(p);
  p = OpenDHPeakList(file_, kId, kAddress, "1");
  ASSERT_EQ(CountDHPeaks(p), 1);
  DH_PEAK pb;
  ASSERT_TRUE(ReadDHPeak(p, 0, &pb, 1));
  EXPECT_EQ(+pb.area, 12345.0f);
  EXPECT_EQ(+pb.retentionTime, 5.1f);
  EXPECT_FALSE(ReadDHPeak(p, 1, &pb, 1));
  CloseSection(p);
  EXPECT_EQ(OpenDHPeakList(file_, kId, kAddress, "~1"), nullptr);
}
