// Joined traces of segment plots and scan-function plots, made from fixture
// runs of several segments and checked against the runs' truth.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/tests/kelt_test_root.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace {

class JoinedTraces : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    ASSERT_TRUE(CreateDirectoryA("C:\\Data", nullptr));
    msfix::RunPlan plan;
    plan.scans = 600;
    plan.segments = {{1.0, 1, ""}, {1.0, 2, ""}, {1.0, 3, ""}};
    ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan, &truth_));
    wf_ = MakeWorkFileStruct(path_.c_str(), 0);
    ASSERT_NE(wf_, nullptr);
    ASSERT_EQ(+wf_->msInfo.segmentCount, 3);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    KeltRootTest::TearDown();
  }
  // The trace of one segment as the joined plot reads it.
  STRUCT_NE_DATA_POINTS* SegmentTrace(int s, const STRUCT_CHAN_LIST& chans, const STRUCT_MASS_LIST& masses) {
    return MakeDataPointsStruct(wf_, wf_->segmentBlocks[s].startTime, wf_->segmentBlocks[s].endTime,
                                SEG_PLOT_MAX_POINTS, KELT_GetDataTypeFromMassType(masses.kind), 0, &chans, &masses);
  }
  // Whether every point of the trace lies in one of the segments.
  bool PointsOnlyIn(const STRUCT_NE_DATA_POINTS* t, std::vector<int> segments) {
    for (uint32_t i = 0; i < t->pointCount; ++i) {
      const double time = NePointAt(t->points, i)->time;
      bool inside = false;
      for (int s : segments)
        inside |= time >= truth_.segments[s].startTime - 1e-6 && time <= truth_.segments[s].endTime + 1e-6;
      if (!inside) return false;
    }
    return true;
  }

  const std::string path_ = "C:\\Data\\segments.kms";
  msfix::RunTruth truth_;
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(JoinedTraces, SegmentPlotJoinsEverySegment) {
  STRUCT_SEG_PLOTS* plots = PLOT_SEG_Init(wf_);
  ASSERT_NE(plots, nullptr);
  ASSERT_EQ(+plots->count, 3);
  STRUCT_NE_DATA_POINTS* joined = PLOT_SEG_Read(wf_, plots, 0, nullptr);
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(+joined->dataType, DATA_TYPE_SEGMENT_PLOT);
  EXPECT_EQ(+joined->step, 1.0);
  EXPECT_EQ(+joined->wholeFile, 1);
  ASSERT_NE(+joined->ownedBlock2, nullptr);
  EXPECT_EQ(PLOT_SEG_Compare(static_cast<STRUCT_SEG_PLOTS*>(joined->ownedBlock2), plots), 1);

  // The same points as the three segments' own traces, in order.
  std::vector<STRUCT_NE_POINT> want;
  uint32_t lastScan = 0, lastPoint = 0;
  for (int s = 0; s < 3; ++s) {
    STRUCT_NE_DATA_POINTS* t = SegmentTrace(s, plots->entries[s].chanList, plots->entries[s].massList);
    ASSERT_NE(t, nullptr);
    ASSERT_GT(+t->pointCount, 0u);
    for (uint32_t i = 0; i < t->pointCount; ++i) want.push_back(*NePointAt(t->points, i));
    lastScan = t->points->lastScan;
    lastPoint = t->lastPoint;
    FreeDataPointsStruct(t);
  }
  ASSERT_EQ(+joined->pointCount, want.size());
  EXPECT_EQ(std::memcmp(NePointAt(joined->points, 0), want.data(), want.size() * sizeof(STRUCT_NE_POINT)), 0);
  EXPECT_EQ(+joined->points->firstScan, truth_.segments[0].firstScan);
  EXPECT_EQ(+joined->points->lastScan, lastScan);
  EXPECT_GE(lastScan + 1, truth_.segments[2].lastScan);
  EXPECT_EQ(+joined->firstPoint, truth_.segments[0].firstScan - truth_.firstScan);
  EXPECT_EQ(+joined->lastPoint, lastPoint);
  EXPECT_EQ(+joined->pointsInRange, joined->lastPoint - joined->firstPoint + 1);
  EXPECT_EQ(+joined->startTime, +want.front().time);
  EXPECT_EQ(+joined->endTime, +want.back().time);
  EXPECT_TRUE(PointsOnlyIn(joined, {0, 1, 2}));
  FreeDataPointsStruct(joined);

  // An excluded segment's points are simply absent.
  plots->entries[1].excluded = 1;
  joined = PLOT_SEG_Read(wf_, plots, 0, nullptr);
  ASSERT_NE(joined, nullptr);
  EXPECT_TRUE(PointsOnlyIn(joined, {0, 2}));
  EXPECT_LT(+joined->pointCount, want.size());
  FreeDataPointsStruct(joined);

  // An array that does not fit the file's segments reads nothing.
  plots->count = 2;
  EXPECT_EQ(PLOT_SEG_Read(wf_, plots, 0, nullptr), nullptr);
  plots->count = 3;
  STRUCT_WORK_FILE* header = MakeWorkFileStruct(path_.c_str(), 1);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(PLOT_SEG_Read(header, plots, 0, nullptr), nullptr);  // no segment blocks
  FreeWorkFileStruct(header);
  FreeBlock(plots);
}

TEST_F(JoinedTraces, ScanFunctionPlotFindsItsSegments) {
  int16_t n = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf_, &n, 0);
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(n, 6);  // 1 + 2 + 3 functions
  // "Scan 2" runs in the second and third segment only.
  STRUCT_CHAN_LIST two{};
  two.kind = CHAN_LIST_LISTED;
  two.count = 1;
  two.entries[0].low = two.entries[0].high = 1;
  STRUCT_SCAN_FUN_ARRAY* array = SCAN_FUN_GetScanFunArrayForChanList(wf_, 1, info, n, &two);
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(+array->count, 1);
  EXPECT_STREQ(array->entries[0].name, "Scan 2");

  STRUCT_MASS_LIST ric;
  KELT_InitRICMassList(&ric);
  STRUCT_NE_DATA_POINTS* joined = SCAN_FUN_Read(wf_, array, &ric, 0, nullptr);
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(+joined->dataType, DATA_TYPE_SCAN_FUN_PLOT);
  EXPECT_EQ(+joined->wholeFile, 1);
  EXPECT_EQ(SCAN_FUN_Compare(static_cast<STRUCT_SCAN_FUN_ARRAY*>(joined->ownedBlock2), array), 1);
  EXPECT_EQ(GetBlockSize(joined->points), joined->pointCount * 20u + 32u + 200u);
  EXPECT_TRUE(PointsOnlyIn(joined, {1, 2}));
  size_t want = 0;
  for (int s = 1; s < 3; ++s) {
    STRUCT_NE_DATA_POINTS* t = SegmentTrace(s, two, ric);
    ASSERT_NE(t, nullptr);
    want += t->pointCount;
    FreeDataPointsStruct(t);
  }
  EXPECT_EQ(+joined->pointCount, want);
  EXPECT_EQ(+joined->points->firstScan, truth_.segments[1].firstScan + 1);  // the second function's first scan
  // With the caller's information array: the same points.
  STRUCT_NE_DATA_POINTS* fast = SCAN_FUN_FastRead(info, n, wf_, array, &ric, 0, nullptr);
  ASSERT_NE(fast, nullptr);
  EXPECT_EQ(+fast->pointCount, +joined->pointCount);
  EXPECT_EQ(std::memcmp(fast->points, joined->points, joined->pointCount * 20u + 12u), 0);
  EXPECT_EQ(SCAN_FUN_FastRead(info, 0, wf_, array, &ric, 0, nullptr), nullptr);
  FreeDataPointsStruct(fast);
  FreeDataPointsStruct(joined);

  // A window inside the third segment only, with an ion list.
  STRUCT_MASS_LIST ions{};
  ions.kind = MASS_LIST_RANGES;
  ions.count = 1;
  ions.ranges[0].low = 100;
  ions.ranges[0].high = 400;
  ions.window = 0.5;
  const double from = truth_.segments[2].startTime + 0.2, to = truth_.segments[2].endTime - 0.2;
  joined = SCAN_FUN_FastReadTimeRange(from, to, info, n, wf_, array, &ions, 0, nullptr);
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(+joined->wholeFile, 0);
  EXPECT_EQ(+joined->massList.kind, 4u);
  EXPECT_GT(+joined->pointCount, 0u);
  for (uint32_t i = 0; i < joined->pointCount; ++i) {
    EXPECT_GE(+NePointAt(joined->points, i)->time, from - 0.0001);
    EXPECT_LE(+NePointAt(joined->points, i)->time, to);
  }
  FreeDataPointsStruct(joined);

  // A function no segment runs: nothing to join.
  std::strcpy(array->entries[0].identity, "Scan 9");
  EXPECT_EQ(SCAN_FUN_Read(wf_, array, &ric, 0, nullptr), nullptr);
  FreeBlock(array);
  FreeBlock(info);
}

}  // namespace
