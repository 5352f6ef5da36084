// Segment and channel checks on hand-built work files and traces.
#include "spectra/segment_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/tests/synthetic_work_file.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

STRUCT_CHAN_LIST Listed(std::vector<uint16_t> channels) {
  STRUCT_CHAN_LIST c{};
  c.kind = CHAN_LIST_LISTED;
  for (uint16_t ch : channels) {
    c.entries[c.count].low = c.entries[c.count].high = ch;
    ++c.count;
  }
  return c;
}
STRUCT_CHAN_LIST OfKind(uint32_t kind) {
  STRUCT_CHAN_LIST c{};
  c.kind = kind;
  return c;
}

// Segments 2-4, 4.5-6 (gap 4..4.5), 6-8, 8-10 with 1, 2, 2, 1 functions,
// scans numbered from 1 in 100-scan blocks.
class SegmentChecksTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    SyntheticFunction a{u"Full|Full scan", u""}, b{u"SIM|SIM 69", u""};
    wf_ = MakeSyntheticWorkFile({{2.0, 4.0, {a}}, {4.5, 6.0, {a, b}}, {6.0, 8.0, {a, b}}, {8.0, 10.0, {a}}});
    for (int s = 0; s < 4; ++s) {
      wf_->segmentBlocks[s].firstScan = 1 + 100 * s;
      wf_->segmentBlocks[s].lastScan = 100 + 100 * s;
    }
  }
  void TearDown() override {
    FreeSyntheticWorkFile(wf_);
    WorkstationRootTest::TearDown();
  }
  // A trace of this file with points at the given times.
  std::vector<uint8_t> Trace(const std::vector<double>& times, STRUCT_NE_DATA_POINTS* dp) {
    std::vector<uint8_t> block(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * times.size());
    auto* head = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(block.data());
    for (size_t i = 0; i < times.size(); ++i) NePointAt(head, static_cast<uint32_t>(i))->time = times[i];
    *dp = {};
    dp->workFile = wf_;
    dp->dataType = DATA_TYPE_TIC;
    dp->pointCount = static_cast<uint32_t>(times.size());
    dp->points = head;
    return block;
  }
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(SegmentChecksTest, ListedChannelValidWhenAnyEntryIsScanned) {
  struct Case {
    STRUCT_CHAN_LIST list;
    int16_t segment;
    BOOL valid;
  } cases[] = {
      {Listed({4, 1}), 1, 1},  // first entry outside, second inside
      {Listed({4, 1}), 0, 0},  // segment 0 scans only channel 0
      {Listed({0}), 0, 1},
      {Listed({1}), 3, 0},
      {Listed({0}), 4, 0},  // no such segment
      {Listed({0}), -1, 0},
      {OfKind(CHAN_LIST_MERGED), 0, 0},
      {OfKind(CHAN_LIST_IGNORED), 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KELT_IsChanListValidForSegment(wf_, c.segment, &c.list), c.valid) << c.segment;
    if (c.segment >= 0 && c.segment < 4) {
      const BOOL in = KELT_CheckChanListInSegment(&c.list, &wf_->segmentBlocks[c.segment]);
      EXPECT_EQ(in, c.list.kind == CHAN_LIST_LISTED ? c.valid : 1) << c.segment;
    }
  }
}

TEST_F(SegmentChecksTest, SegmentRangeWalksNeighboursSharingTheSelection) {
  int16_t s = -1, first = -1, last = -1;
  const STRUCT_CHAN_LIST merged = OfKind(CHAN_LIST_MERGED);
  ASSERT_TRUE(KELT_GetSegmentRange(wf_, 7.0, nullptr, &merged, nullptr, 0, &s, &first, &last));
  EXPECT_EQ(s, 2);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 3);

  const STRUCT_CHAN_LIST second = Listed({1});
  ASSERT_TRUE(KELT_GetSegmentRange(wf_, 7.0, nullptr, &second, nullptr, 0, &s, &first, &last));
  EXPECT_EQ(s, 2);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 2);
  EXPECT_FALSE(KELT_GetSegmentRange(wf_, 9.0, nullptr, &second, nullptr, 0, &s, &first, &last));
  EXPECT_FALSE(KELT_GetSegmentRange(wf_, 4.2, nullptr, &merged, nullptr, 0, &s, &first, &last));  // in the gap
  EXPECT_FALSE(KELT_GetSegmentRange(wf_, 7.0, nullptr, nullptr, nullptr, 0, &s, &first, &last));

  // A scan-function array: the SIM function runs in segments 2 and 3 (1-based).
  int16_t infoCount = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf_, &infoCount, 0);
  ASSERT_NE(info, nullptr);
  std::vector<uint8_t> bytes(ScanFunArraySize(1));
  auto* array = reinterpret_cast<STRUCT_SCAN_FUN_ARRAY*>(bytes.data());
  array->count = 1;
  std::strcpy(array->entries[0].identity, "sim SIM 69");
  ASSERT_TRUE(
      KELT_GetSegmentRange(wf_, 5.0, array, nullptr, info, static_cast<uint16_t>(infoCount), &s, &first, &last));
  EXPECT_EQ(s, 1);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 2);
  EXPECT_FALSE(
      KELT_GetSegmentRange(wf_, 3.0, array, nullptr, info, static_cast<uint16_t>(infoCount), &s, &first, &last));
  FreeBlock(info);
}

TEST_F(SegmentChecksTest, TracePointsBelongToHalfOpenSegmentSpans) {
  STRUCT_NE_DATA_POINTS dp;
  auto atNextStart = Trace({6.0}, &dp);
  EXPECT_FALSE(KELT_CheckPlotInSegment(&dp, 1));
  EXPECT_TRUE(KELT_CheckPlotInSegment(&dp, 2));
  auto pastLastEnd = Trace({10.000005}, &dp);
  EXPECT_TRUE(KELT_CheckPlotInSegment(&dp, 3));
  auto farPastEnd = Trace({10.00002}, &dp);
  EXPECT_FALSE(KELT_CheckPlotInSegment(&dp, 3));
  EXPECT_FALSE(KELT_CheckPlotInSegment(&dp, 4));
  EXPECT_FALSE(KELT_CheckPlotInSegment(&dp, -1));
  EXPECT_FALSE(KELT_CheckPlotInSegment(nullptr, 0));

  auto some = Trace({2.5, 3.0, 7.5}, &dp);
  EXPECT_TRUE(KELT_CheckPlotInSegmentByTime(&dp, 3.9));
  EXPECT_FALSE(KELT_CheckPlotInSegmentByTime(&dp, 5.0));
  EXPECT_FALSE(KELT_CheckPlotInSegmentByTime(&dp, 4.2));   // in no segment
  EXPECT_FALSE(KELT_CheckPlotInSegmentByTime(&dp, 10.0));  // the end itself is outside
  EXPECT_TRUE(KELT_CheckPlotInSegmentByTime(&dp, 6.0));

  // An empty segment holds no trace; a detector trace and a file without
  // MS segments pass everywhere.
  wf_->segmentBlocks[0].firstScan = wf_->segmentBlocks[0].lastScan = 0;
  EXPECT_FALSE(KELT_CheckPlotInSegment(&dp, 0));
  EXPECT_FALSE(KELT_CheckPlotInSegmentByTime(&dp, 3.0));
  dp.dataType = DATA_TYPE_DETECTOR;
  EXPECT_TRUE(KELT_CheckPlotInSegment(&dp, 0));
  dp.dataType = DATA_TYPE_TIC;
  wf_->sectioned = 0;
  EXPECT_TRUE(KELT_CheckPlotInSegment(&dp, 0));
  EXPECT_TRUE(KELT_CheckPlotInSegmentByTime(&dp, 3.0));
  dp.workFile = nullptr;
  EXPECT_FALSE(KELT_CheckPlotInSegmentByTime(&dp, 3.0));
}

TEST_F(SegmentChecksTest, SpectrumTimeFindsTheTraceSegment) {
  // A spectrum record begins with its scan header.
  std::vector<uint8_t> record(MS_SCAN_HEADER_SIZE + 64, 0);
  auto spectrumAt = [&](double t) {
    std::memcpy(record.data() + 4, &t, 8);
    return reinterpret_cast<const STRUCT_TOL_SPT*>(record.data());
  };
  STRUCT_NE_DATA_POINTS dp;
  auto trace = Trace({4.3, 5.5}, &dp);
  EXPECT_TRUE(TOL_CheckForPlotLineUnderSpt(spectrumAt(5.0), &dp));
  EXPECT_TRUE(TOL_CheckForPlotLineUnderSpt(spectrumAt(4.2), &dp));  // up to the next start
  EXPECT_FALSE(TOL_CheckForPlotLineUnderSpt(spectrumAt(7.0), &dp));
  EXPECT_FALSE(TOL_CheckForPlotLineUnderSpt(spectrumAt(10.5), &dp));
  EXPECT_TRUE(TOL_CheckForPlotLineUnderSpt(nullptr, &dp));
  EXPECT_FALSE(TOL_CheckForPlotLineUnderSpt(spectrumAt(5.0), nullptr));
}

TEST_F(SegmentChecksTest, GapTimesMoveToTheNearerSegmentEdge) {
  const struct {
    double in, out;
  } cases[] = {
      {1.0, 2.0},                             // before the first segment
      {3.0, 3.0},  {4.2, 4.0},                // 0.2 after the end, 0.3 before the next start
      {4.25, 4.0},                            // equal distances
      {4.4, 4.5},  {6.0, 6.0}, {11.0, 10.0},  // after the last segment
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(TOL_GetSegmentTime(wf_, c.in), c.out) << c.in;
  STRUCT_WORK_FILE none{};
  EXPECT_DOUBLE_EQ(TOL_GetSegmentTime(&none, 4.2), 4.2);
}

TEST_F(SegmentChecksTest, ChannelListOfAScanRangeFromMatchingScanFunctions) {
  std::vector<uint8_t> bytes(ScanFunArraySize(2));
  auto* array = reinterpret_cast<STRUCT_SCAN_FUN_ARRAY*>(bytes.data());
  array->count = 2;
  std::strcpy(array->entries[0].identity, "SIM SIM 69");
  std::strcpy(array->entries[1].identity, "FULL full scan");
  STRUCT_CHAN_LIST list;
  ASSERT_TRUE(TOL_GetChanListForScanFun(wf_, 110, 150, array, &list));
  EXPECT_EQ(list.kind, uint32_t{CHAN_LIST_LISTED});
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.entries[0].low, 0);  // the information entries run in channel order
  EXPECT_EQ(list.entries[1].low, 1);

  array->count = 1;
  ASSERT_TRUE(TOL_GetChanListForScanFun(wf_, 110, 150, array, &list));
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.entries[0].low, 1);
  EXPECT_FALSE(TOL_GetChanListForScanFun(wf_, 10, 50, array, &list));  // no SIM in segment 1
  EXPECT_EQ(list.count, 0);
  EXPECT_FALSE(TOL_GetChanListForScanFun(wf_, 90, 110, array, &list));  // spans two segments
}

// Eleven matching scan functions: a channel list holds ten, so the eleventh
// cannot be added; the ten found stay (the list is not lost).
TEST_F(SegmentChecksTest, AnEleventhChannelKeepsTheListMadeSoFar) {
  std::vector<SyntheticFunction> functions;
  for (int f = 1; f <= 11; ++f) functions.push_back({u"F" + std::u16string(1, char16_t(u'a' + f)), u""});
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{2.0, 4.0, functions}});
  wf->segmentBlocks[0].firstScan = 1;
  wf->segmentBlocks[0].lastScan = 110;
  std::vector<uint8_t> bytes(ScanFunArraySize(11));
  auto* array = reinterpret_cast<STRUCT_SCAN_FUN_ARRAY*>(bytes.data());
  array->count = 11;
  for (int f = 1; f <= 11; ++f) {
    array->entries[f - 1].identity[0] = 'F';
    array->entries[f - 1].identity[1] = static_cast<char>('a' + f);
  }
  STRUCT_CHAN_LIST list;
  ASSERT_TRUE(TOL_GetChanListForScanFun(wf, 1, 110, array, &list));
  EXPECT_EQ(list.kind, uint32_t{CHAN_LIST_LISTED});
  ASSERT_EQ(list.count, 10);
  for (uint16_t k = 0; k < 10; ++k) EXPECT_EQ(list.entries[k].low, k);
  FreeSyntheticWorkFile(wf);
}

}  // namespace
