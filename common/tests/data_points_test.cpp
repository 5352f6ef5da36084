// Traces and time/scan lookups of every file kind, checked against the
// generator's own scans and points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

struct WorkFileDeleter {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};
struct PointsDeleter {
  void operator()(STRUCT_NE_DATA_POINTS* dp) const { FreeDataPointsStruct(dp); }
};
using WorkFilePtr = std::unique_ptr<STRUCT_WORK_FILE, WorkFileDeleter>;
using PointsPtr = std::unique_ptr<STRUCT_NE_DATA_POINTS, PointsDeleter>;

const char kMsPath[] = "C:\\Data\\run.kms";
const char kDetPath[] = "C:\\Data\\det.dat";

STRUCT_CHAN_LIST Ignored() {
  STRUCT_CHAN_LIST c{};
  c.kind = CHAN_LIST_IGNORED;
  return c;
}

class DataPointsTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
  }
  // A one-function run and its scans as generated.
  void MakeMsRun(uint32_t scans) {
    plan_.scans = scans;
    plan_.segments = {{1.0, 1, ""}};
    std::vector<msfix::ScanData> data;
    ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan_, &truth_));
    msfix::MakeRun(plan_, &truth_, &scans_);
    wf_.reset(MakeWorkFileStruct(kMsPath, 0));
    ASSERT_TRUE(wf_);
  }
  double SumOfScan(size_t i, const std::vector<double>& ions, double window) const {
    double sum = 0;
    for (auto& [m, v] : scans_[i].peaks) {
      for (double ion : ions) {
        if (m >= ion - window && m <= ion + window) {
          sum += v;
          break;
        }
      }
    }
    return sum;
  }

  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
  std::vector<msfix::ScanData> scans_;
  WorkFilePtr wf_;
};

TEST(DataPointsLayout, PointBlockBytes) {
  std::vector<uint8_t> bytes(NE_POINT_BLOCK_HEAD + 2 * NE_POINT_SIZE, 0);
  const uint32_t head[3] = {7, 8, 0};
  std::memcpy(bytes.data(), head, 12);
  const double t1 = 1.25;
  const uint32_t flag = 0x10;
  const int64_t v1 = -123456789012LL;
  std::memcpy(&bytes[12 + 20], &t1, 8);
  std::memcpy(&bytes[20 + 20], &flag, 4);
  std::memcpy(&bytes[24 + 20], &v1, 8);
  const auto* block = reinterpret_cast<const STRUCT_NE_POINT_BLOCK*>(bytes.data());
  EXPECT_EQ(+block->firstScan, 7u);
  EXPECT_EQ(+block->lastScan, 8u);
  EXPECT_EQ(+NePointAt(block, 1)->time, 1.25);
  EXPECT_EQ(+NePointAt(block, 1)->flags, 0x10u);
  EXPECT_EQ(NePointValue(block, 1), -123456789012.0);
}

TEST_F(DataPointsTest, TotalIonTraceOfTheWholeRun) {
  MakeMsRun(400);
  const STRUCT_CHAN_LIST ignored = Ignored();
  PointsPtr dp(MakeDataPointsStruct(wf_.get(), wf_->startTime, wf_->endTime, 2000, DATA_TYPE_TIC, 0, &ignored,
                                    nullptr));
  ASSERT_TRUE(dp);
  ASSERT_EQ(+dp->pointCount, 400u);
  EXPECT_EQ(+dp->firstPoint, 0u);
  EXPECT_EQ(+dp->lastPoint, 399u);
  EXPECT_EQ(+dp->pointsInRange, 400u);
  EXPECT_EQ(+dp->wholeFile, 1);
  EXPECT_EQ(+dp->step, 1.0);
  EXPECT_EQ(+dp->timeReversals, 0u);
  EXPECT_EQ(+dp->startTime, truth_.scanTimes.front());
  EXPECT_EQ(+dp->endTime, truth_.scanTimes.back());
  EXPECT_EQ(+dp->points->isDouble, 0u);
  for (uint32_t i = 0; i < 400; i += 37) {
    EXPECT_DOUBLE_EQ(+NePointAt(dp->points, i)->time, truth_.scanTimes[i]);
    double sum = 0;
    for (auto& pk : scans_[i].peaks) sum += pk.second;
    EXPECT_EQ(NePointValue(dp->points, i), sum) << i;
  }
}

TEST_F(DataPointsTest, ThreeIonTraceOfPartOfTheRun) {
  MakeMsRun(300);
  STRUCT_MASS_LIST masses{};
  masses.kind = MASS_LIST_RANGES;
  masses.count = 3;
  const std::vector<double> ions = {truth_.compounds[0].baseMass, truth_.compounds[1].baseMass,
                                    truth_.compounds[2].baseMass};
  for (int k = 0; k < 3; ++k) masses.ranges[k].low = masses.ranges[k].high = ions[static_cast<size_t>(k)];
  masses.window = 0.5;
  const STRUCT_CHAN_LIST ignored = Ignored();
  const double from = truth_.scanTimes[100], to = truth_.scanTimes[199];
  PointsPtr dp(MakeDataPointsStruct(wf_.get(), from, to, 2000, DATA_TYPE_MASS_LIST, 0, &ignored, &masses));
  ASSERT_TRUE(dp);
  ASSERT_EQ(+dp->pointCount, 100u);
  EXPECT_EQ(+dp->firstPoint, 100u);
  EXPECT_EQ(+dp->lastPoint, 199u);
  EXPECT_EQ(+dp->wholeFile, 0);
  EXPECT_EQ(+dp->massList.count, 3);
  for (uint32_t i = 0; i < 100; ++i) {
    EXPECT_EQ(NePointValue(dp->points, i), SumOfScan(100 + i, ions, 0.5)) << i;
  }

  // The same scans by scan number.
  PointsPtr byScan(KELT_ReadTraceFromMSData(wf_.get(), truth_.firstScan + 100, truth_.firstScan + 199,
                                            DATA_TYPE_MASS_LIST, &ignored, &masses));
  ASSERT_TRUE(byScan);
  ASSERT_EQ(+byScan->pointCount, 100u);
  EXPECT_EQ(std::memcmp(byScan->points, dp->points, NE_POINT_BLOCK_HEAD + 100 * NE_POINT_SIZE), 0);
  PointsPtr all(KELT_ReadTraceFromMSData(wf_.get(), truth_.firstScan, truth_.firstScan + 299, DATA_TYPE_TIC,
                                         &ignored, nullptr));
  ASSERT_TRUE(all);
  EXPECT_EQ(+all->wholeFile, 1);
}

TEST_F(DataPointsTest, TracesThatAreEmptyOrRefused) {
  MakeMsRun(100);
  // Joined plots are not read from MS data.
  for (int16_t type : {DATA_TYPE_SEGMENT_PLOT, DATA_TYPE_SCAN_FUN_PLOT}) {
    EXPECT_EQ(MakeDataPointsStruct(wf_.get(), 0, 100, 100, type, 0, nullptr, nullptr), nullptr);
  }
  // A range after the run: an empty trace with the asked times.
  PointsPtr empty(MakeDataPointsStruct(wf_.get(), 500.0, 600.0, 100, DATA_TYPE_TIC, 0, nullptr, nullptr));
  ASSERT_TRUE(empty);
  EXPECT_EQ(+empty->pointCount, 0u);
  EXPECT_EQ(+empty->points, nullptr);
  EXPECT_EQ(+empty->startTime, 500.0);
  EXPECT_EQ(+empty->endTime, 600.0);
  EXPECT_EQ(MakeDataPointsStruct(nullptr, 0, 1, 10, 0, 0, nullptr, nullptr), nullptr);
  FreeDataPointsStruct(nullptr);
}

TEST_F(DataPointsTest, FilteredCopyOfIntegerTraces) {
  MakeMsRun(200);
  PointsPtr dp(MakeDataPointsStruct(wf_.get(), wf_->startTime, wf_->endTime, 2000, DATA_TYPE_TIC, 0, nullptr,
                                    nullptr));
  ASSERT_TRUE(dp);
  // Moving mean over 2 points each side, no spike filter.
  uint8_t params[12] = {};
  const int16_t half = 2;
  const uint16_t kind = 1;
  std::memcpy(params + 8, &half, 2);
  std::memcpy(params + 10, &kind, 2);
  ASSERT_EQ(FilterDataPointsStruct(dp.get(), params), 1);
  ASSERT_NE(+dp->filtered, nullptr);
  EXPECT_EQ(+dp->filteredCount, +dp->pointCount);
  // Filtering again replaces the copy.
  ASSERT_EQ(FilterDataPointsStruct(dp.get(), params), 1);
  // Base-peak-ion traces hold doubles: no filtered copy.
  PointsPtr ions(MakeDataPointsStruct(wf_.get(), wf_->startTime, wf_->endTime, 2000, DATA_TYPE_BASE_PEAK_ION, 0,
                                      nullptr, nullptr));
  ASSERT_TRUE(ions);
  EXPECT_EQ(FilterDataPointsStruct(ions.get(), params), 0);
  EXPECT_EQ(+ions->filtered, nullptr);
}

// MS lookups in the three modes at and between scans and at the edges.
TEST_F(DataPointsTest, ScanLookupsInThreeModes) {
  MakeMsRun(120);
  const auto& t = truth_.scanTimes;
  const double mid = (t[10] + t[11]) / 2;
  int tie = -1;
  double tieTime = 0;
  for (int i = 5; i < 100 && tie < 0; ++i) {
    const double m = (t[static_cast<size_t>(i)] + t[static_cast<size_t>(i) + 1]) / 2;
    if (m - t[static_cast<size_t>(i)] == t[static_cast<size_t>(i) + 1] - m) tie = i, tieTime = m;
  }
  ASSERT_GE(tie, 0);
  struct Case {
    double time;
    int16_t mode;
    int scan;  // position, -1: failure
  } cases[] = {
      {t[10], LOOKUP_AT_OR_BEFORE, 10}, {t[10], LOOKUP_NEAREST, 10},  {t[10], LOOKUP_AT_OR_AFTER, 10},
      {mid, LOOKUP_AT_OR_BEFORE, 10},   {mid, LOOKUP_AT_OR_AFTER, 11},
      // Two scans equally far: the earlier.
      {tieTime, LOOKUP_NEAREST, tie},
      {t[10] + 0.9 * (t[11] - t[10]), LOOKUP_NEAREST, 11},
      {t[0] - 1.0, LOOKUP_AT_OR_BEFORE, -1}, {t[0] - 1.0, LOOKUP_NEAREST, 0},   {t[0] - 1.0, 7, 0},
      {t[119] + 1.0, LOOKUP_AT_OR_AFTER, -1}, {t[119] + 1.0, LOOKUP_NEAREST, 119},
      {t[119] + 1.0, LOOKUP_AT_OR_BEFORE, 119},
  };
  for (const Case& c : cases) {
    uint32_t point = 0, scan = 0;
    double at = 0;
    const int32_t ok = GetPointFromATime(wf_.get(), c.time, &point, &at, c.mode);
    ASSERT_EQ(ok, c.scan >= 0 ? 1 : 0) << c.time << " mode " << c.mode;
    if (c.scan < 0) continue;
    EXPECT_EQ(point, static_cast<uint32_t>(c.scan)) << c.time << " mode " << c.mode;
    EXPECT_EQ(at, t[static_cast<size_t>(c.scan)]);
    ASSERT_EQ(KELT_GetScanFromATime(wf_.get(), c.time, &scan, &at, c.mode), 1);
    EXPECT_EQ(scan, truth_.firstScan + static_cast<uint32_t>(c.scan));
  }
  double time = 0;
  ASSERT_EQ(GetTimeOfPoint(wf_.get(), 55, &time), 1);
  EXPECT_EQ(time, t[55]);
  ASSERT_EQ(KELT_GetTimeOfScan(wf_.get(), truth_.firstScan + 56, &time), 1);
  EXPECT_EQ(time, t[56]);
  EXPECT_EQ(KELT_GetTimeOfScan(wf_.get(), truth_.firstScan + 5000, &time), 0);
  EXPECT_EQ(GetTimeOfPoint(wf_.get(), 5000, &time), 0);
}

class DetectorTraceTest : public DataPointsTest {
 protected:
  void MakeDetector(const msfix::DetectorPlan& plan) {
    plan_ = plan;
    ASSERT_TRUE(msfix::WriteDetectorFile(kDetPath, plan_, &truth_));
    wf_.reset(MakeWorkFileStruct(kDetPath, 0));
    ASSERT_TRUE(wf_);
  }
  msfix::DetectorPlan plan_;
  msfix::DetectorTruth truth_;
};

// Untagged data: arithmetic on the sampling interval.
TEST_F(DetectorTraceTest, UntaggedLookups) {
  // An interval of 1/256 minute, so that midpoints are exact.
  msfix::DetectorPlan plan;
  plan.points = 1025;
  plan.startTime = 0.5;
  plan.endTime = 4.5;
  MakeDetector(plan);
  ASSERT_EQ(+wf_->samplingInterval, 1.0 / 256);
  const double start = wf_->startTime, iv = wf_->samplingInterval;
  struct Case {
    double time;
    int16_t mode;
    uint32_t point;
  } cases[] = {
      {start + 10.5 * iv, LOOKUP_NEAREST, 11},  // exactly between: the later point
      {start + 10.4 * iv, LOOKUP_NEAREST, 10},    {start + 10.5 * iv, LOOKUP_AT_OR_BEFORE, 10},
      {start + 10.5 * iv, LOOKUP_AT_OR_AFTER, 11}, {start - 1, LOOKUP_AT_OR_AFTER, 0},
      {wf_->endTime + 1, LOOKUP_AT_OR_BEFORE, 1024},
  };
  for (const Case& c : cases) {
    uint32_t point;
    double at;
    ASSERT_EQ(GetPointFromATime(wf_.get(), c.time, &point, &at, c.mode), 1);
    EXPECT_EQ(point, c.point) << c.time << " mode " << c.mode;
    EXPECT_NEAR(at, start + c.point * iv, 1e-9);
  }
  uint32_t scan;
  double at;
  EXPECT_EQ(KELT_GetScanFromATime(wf_.get(), start, &scan, &at, 0), 0);
  double time;
  ASSERT_EQ(GetTimeOfPoint(wf_.get(), 3, &time), 1);
  EXPECT_DOUBLE_EQ(time, start + 3 * iv);

  // Every midpoint of an interval of 0.005 gives the later point, and every
  // point's own time gives that point in all three modes.
  plan.points = 633;
  plan.endTime = plan.startTime + 632 * 0.005;
  MakeDetector(plan);
  for (uint32_t k = 0; k + 1 < 633; ++k) {
    double t0, t1;
    ASSERT_EQ(GetTimeOfPoint(wf_.get(), k, &t0), 1);
    ASSERT_EQ(GetTimeOfPoint(wf_.get(), k + 1, &t1), 1);
    uint32_t point;
    double pointTime;
    ASSERT_EQ(GetPointFromATime(wf_.get(), (t0 + t1) / 2, &point, &pointTime, LOOKUP_NEAREST), 1);
    EXPECT_EQ(point, k + 1) << "midpoint after " << k;
    for (int16_t mode : {LOOKUP_NEAREST, LOOKUP_AT_OR_BEFORE, LOOKUP_AT_OR_AFTER}) {
      ASSERT_EQ(GetPointFromATime(wf_.get(), t1, &point, &pointTime, mode), 1);
      EXPECT_EQ(point, k + 1) << "point " << k + 1 << " mode " << mode;
    }
  }
}

// Thinning keeps the largest |value| of each group; times follow the step.
TEST_F(DetectorTraceTest, ThinnedTracesOfScaledAndIntegerData) {
  for (bool scaled : {true, false}) {
    msfix::DetectorPlan plan;
    plan.points = 1000;
    plan.scaledFloats = scaled;
    MakeDetector(plan);
    const int channel = 1;
    PointsPtr whole(MakeDataPointsStruct(wf_.get(), wf_->startTime, wf_->endTime, 5000, DATA_TYPE_DETECTOR,
                                         channel, nullptr, nullptr));
    ASSERT_TRUE(whole);
    ASSERT_EQ(+whole->pointCount, 1000u);
    EXPECT_EQ(+whole->wholeFile, 1);
    EXPECT_EQ(+whole->points->isDouble, 1u);
    for (uint32_t i = 0; i < 1000; i += 99) {
      EXPECT_FLOAT_EQ(static_cast<float>(NePointValue(whole->points, i)), static_cast<float>(truth_.values[1][i]));
    }

    PointsPtr thin(MakeDataPointsStruct(wf_.get(), wf_->startTime, wf_->endTime, 300, DATA_TYPE_DETECTOR, channel,
                                        nullptr, nullptr));
    ASSERT_TRUE(thin);
    ASSERT_EQ(+thin->pointCount, 300u);
    const double step = 999.0 / 300;
    EXPECT_DOUBLE_EQ(+thin->step, step);
    EXPECT_EQ(+thin->dataType, DATA_TYPE_DETECTOR);
    EXPECT_EQ(+thin->detectorChannel, 1);
    double acc = step;
    uint32_t next = 0;
    for (uint32_t i = 0; i < 300; ++i) {
      const uint32_t g = static_cast<uint32_t>(acc);
      acc = acc - g + step;
      uint32_t best = next;
      for (uint32_t k = next; k < next + g; ++k) {
        if (std::fabs(static_cast<float>(truth_.values[1][k])) > std::fabs(static_cast<float>(truth_.values[1][best])))
          best = k;
      }
      next += g;
      ASSERT_FLOAT_EQ(static_cast<float>(NePointValue(thin->points, i)), static_cast<float>(truth_.values[1][best]))
          << i;
      EXPECT_NEAR(NePointAt(thin->points, i)->time, std::trunc(i * step) * wf_->samplingInterval + wf_->startTime,
                  1e-12);
    }
  }
}

TEST_F(DetectorTraceTest, NarrowRangesWidenAndBadArgumentsFail) {
  msfix::DetectorPlan plan;
  plan.points = 400;
  MakeDetector(plan);
  const double t = wf_->startTime + 100 * wf_->samplingInterval;
  PointsPtr dp(MakeDataPointsStruct(wf_.get(), t, t + wf_->samplingInterval, 1000, DATA_TYPE_DETECTOR, 0, nullptr,
                                    nullptr));
  ASSERT_TRUE(dp);
  EXPECT_EQ(+dp->pointCount, 400u);
  EXPECT_EQ(+dp->firstPoint, 0u);
  EXPECT_EQ(+dp->startTime, +wf_->startTime);
  EXPECT_EQ(MakeDataPointsStruct(wf_.get(), 0, 100, 0, DATA_TYPE_DETECTOR, 0, nullptr, nullptr), nullptr);
  EXPECT_EQ(MakeDataPointsStruct(wf_.get(), 0, 100, 100, DATA_TYPE_DETECTOR, 2, nullptr, nullptr), nullptr);
  EXPECT_EQ(MakeDataPointsStruct(wf_.get(), 0, 100, 100, DATA_TYPE_DETECTOR, -1, nullptr, nullptr), nullptr);
  // A record made from the header only still reads traces.
  WorkFilePtr head(MakeWorkFileStruct(kDetPath, 1));
  ASSERT_TRUE(head);
  PointsPtr fromHead(MakeDataPointsStruct(head.get(), 0, 100, 1000, DATA_TYPE_DETECTOR, 0, nullptr, nullptr));
  ASSERT_TRUE(fromHead);
  EXPECT_EQ(std::memcmp(fromHead->points, dp->points, NE_POINT_BLOCK_HEAD + 400 * NE_POINT_SIZE), 0);
  // "RawData" cut short: the fill fails.
  HSECTION s = CreateSection(kDetPath, "RawData", nullptr);
  ASSERT_NE(s, nullptr);
  std::vector<uint8_t> few(12 * 50, 0);
  ASSERT_EQ(WriteSection(s, few.data(), static_cast<uint32_t>(few.size())), few.size());
  ASSERT_TRUE(CloseSection(s));
  EXPECT_EQ(MakeDataPointsStruct(wf_.get(), 0, 100, 1000, DATA_TYPE_DETECTOR, 0, nullptr, nullptr), nullptr);
}

TEST_F(DetectorTraceTest, TimeTaggedTracesAndLookups) {
  msfix::DetectorPlan plan;
  plan.points = 800;
  plan.timeTagged = true;
  MakeDetector(plan);
  PointsPtr dp(MakeDataPointsStruct(wf_.get(), 0, 100, 5000, DATA_TYPE_DETECTOR, 0, nullptr, nullptr));
  ASSERT_TRUE(dp);
  ASSERT_EQ(+dp->pointCount, 800u);
  EXPECT_EQ(+dp->points->isDouble, 0u);
  for (uint32_t i = 0; i < 800; i += 71) {
    EXPECT_DOUBLE_EQ(+NePointAt(dp->points, i)->time, truth_.times[i]);
    EXPECT_EQ(+NePointAt(dp->points, i)->value.i, static_cast<int64_t>(truth_.values[0][i]));
  }
  const auto& t = truth_.times;
  const double mid = (t[400] + t[401]) / 2;
  struct Case {
    double time;
    int16_t mode;
    uint32_t point;
  } cases[] = {
      {t[400], LOOKUP_NEAREST, 400},          {mid, LOOKUP_NEAREST, 401},
      {mid - 1e-9, LOOKUP_NEAREST, 400},      {mid, LOOKUP_AT_OR_BEFORE, 400},
      {mid, LOOKUP_AT_OR_AFTER, 401},         {t[3] + 1e-9, LOOKUP_AT_OR_AFTER, 4},
      {t[798] + 1e-9, LOOKUP_AT_OR_BEFORE, 798}, {t[0] - 1, LOOKUP_NEAREST, 0},
  };
  for (const Case& c : cases) {
    uint32_t point;
    double at;
    ASSERT_EQ(GetPointFromATime(wf_.get(), c.time, &point, &at, c.mode), 1);
    EXPECT_EQ(point, c.point) << c.time << " mode " << c.mode;
    EXPECT_DOUBLE_EQ(at, t[c.point]);
  }
}

// A one-channel time-tagged file written by hand.
void WriteTaggedFile(const char* path, const std::vector<uint32_t>& tags, const std::vector<int32_t>& values) {
  ASSERT_TRUE(CreateSectionFileAtPath(path, 12, 0, 1));
  std::vector<uint8_t> head(DETECTOR_SECTION_HEAD_SIZE + DETECTOR_CHANNEL_RECORD_SIZE, 0);
  const uint16_t one = 1;
  std::memcpy(&head[6], &one, 2);
  const float start = static_cast<float>(tags.front() / 600000.0), end = static_cast<float>(tags.back() / 600000.0);
  std::memcpy(&head[38], &start, 4);
  std::memcpy(&head[42], &end, 4);
  std::vector<uint8_t> raw(8 * tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    std::memcpy(&raw[8 * i], &tags[i], 4);
    std::memcpy(&raw[8 * i + 4], &values[i], 4);
  }
  for (auto [name, bytes] : {std::pair{"Detector", &head}, std::pair{"RawData", &raw}, std::pair{"TimeTagged", &head}}) {
    HSECTION s = CreateSection(path, name, nullptr);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(WriteSection(s, bytes->data(), static_cast<uint32_t>(bytes->size())), bytes->size());
    ASSERT_TRUE(CloseSection(s));
  }
  ASSERT_TRUE(SetFileInfoLong(path, FILE_INFO_POINT_COUNT, static_cast<int32_t>(tags.size())));
}

// Tags crowded at the start put the first estimate hundreds of points off.
TEST_F(DetectorTraceTest, TimeTaggedLookupFarFromItsEstimate) {
  const uint32_t n = 1000;
  std::vector<uint32_t> tags(n);
  std::vector<int32_t> values(n);
  std::vector<double> times(n);
  for (uint32_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i) / (n - 1);
    tags[i] = static_cast<uint32_t>(std::lround((1.0 + 9.0 * x * x * x) * 600000.0));
    times[i] = tags[i] / 600000.0;
    values[i] = static_cast<int32_t>(i);
  }
  WriteTaggedFile(kDetPath, tags, values);
  wf_.reset(MakeWorkFileStruct(kDetPath, 0));
  ASSERT_TRUE(wf_);
  ASSERT_EQ(+wf_->timeTagged, 1);
  for (uint32_t want : {100u, 450u, 500u, 700u, 990u}) {
    uint32_t point;
    double at;
    ASSERT_EQ(GetPointFromATime(wf_.get(), times[want], &point, &at, LOOKUP_NEAREST), 1);
    EXPECT_EQ(point, want);
    EXPECT_EQ(at, times[want]);
  }
}

// Thinned groups of zeros keep their first record (its time tag shows it);
// otherwise the largest |value| wins, the first of equals.
TEST_F(DetectorTraceTest, ThinnedGroupsKeepTheirFirstRecordOfZerosOrTheLargest) {
  const uint32_t n = 30;
  std::vector<uint32_t> tags(n);
  std::vector<int32_t> values(n, 0);
  for (uint32_t i = 0; i < n; ++i) tags[i] = 600000 + 6000 * i;
  values[4] = -9;  // group 2 (records 2..4): the negative value is the largest
  values[6] = 5;   // group 3 (records 5..7): 5 twice, the first wins
  values[7] = 5;
  WriteTaggedFile(kDetPath, tags, values);
  wf_.reset(MakeWorkFileStruct(kDetPath, 0));
  ASSERT_TRUE(wf_);
  PointsPtr dp(MakeDataPointsStruct(wf_.get(), 0, 100, 10, DATA_TYPE_DETECTOR, 0, nullptr, nullptr));
  ASSERT_TRUE(dp);
  ASSERT_EQ(+dp->pointCount, 10u);
  const double step = 29.0 / 10;
  double acc = step;
  uint32_t first = 0;
  std::vector<uint32_t> kept;
  for (uint32_t i = 0; i < 10; ++i) {
    const uint32_t g = static_cast<uint32_t>(acc);
    acc = acc - g + step;
    kept.push_back(first);
    first += g;
  }
  ASSERT_EQ(kept[1], 2u);
  ASSERT_EQ(kept[2], 5u);
  kept[1] = 4;
  kept[2] = 6;
  for (uint32_t i = 0; i < 10; ++i) {
    EXPECT_EQ(+NePointAt(dp->points, i)->time, tags[kept[i]] / 600000.0) << i;
    EXPECT_EQ(+NePointAt(dp->points, i)->value.i, values[kept[i]]) << i;
  }
}

}  // namespace

namespace {

// More records open than MS data handles are kept: each still reads its
// traces, and records freed in any order release theirs.
TEST_F(DataPointsTest, TracesOfManyOpenRecords) {
  MakeMsRun(80);
  std::vector<WorkFilePtr> records;
  for (int i = 0; i < 7; ++i) {
    records.emplace_back(MakeWorkFileStruct(kMsPath, 0));
    ASSERT_TRUE(records.back());
  }
  for (int round = 0; round < 2; ++round) {
    for (auto& wf : records) {
      PointsPtr dp(MakeDataPointsStruct(wf.get(), 0, 100, 100, DATA_TYPE_TIC, 0, nullptr, nullptr));
      ASSERT_TRUE(dp);
      EXPECT_EQ(+dp->pointCount, 80u);
    }
    records.erase(records.begin() + 2);
  }
}

}  // namespace

namespace {

// A file written again while a record of its earlier run is open: a record
// made now reads the new run; the open record reads its own run whole or
// fails, never a mixture of the two.
TEST_F(DataPointsTest, FileWrittenAgainUnderAnOpenRecord) {
  MakeMsRun(80);
  PointsPtr before(MakeDataPointsStruct(wf_.get(), 0, 100, 100, DATA_TYPE_TIC, 0, nullptr, nullptr));
  ASSERT_TRUE(before);
  msfix::RunPlan again = plan_;
  again.scans = 200;
  again.seed = 7;
  msfix::RunTruth newTruth;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, again, &newTruth));

  WorkFilePtr fresh(MakeWorkFileStruct(kMsPath, 0));
  ASSERT_TRUE(fresh);
  EXPECT_EQ(+fresh->scanCount, 200u);
  PointsPtr now(MakeDataPointsStruct(fresh.get(), 0, 100, 1000, DATA_TYPE_TIC, 0, nullptr, nullptr));
  ASSERT_TRUE(now);
  EXPECT_EQ(+now->pointCount, 200u);

  PointsPtr old(MakeDataPointsStruct(wf_.get(), 0, 100, 100, DATA_TYPE_TIC, 0, nullptr, nullptr));
  if (old) {
    ASSERT_EQ(+old->pointCount, +before->pointCount);
    EXPECT_EQ(std::memcmp(old->points, before->points, old->pointCount * 20u + 12u), 0);
  }
}

}  // namespace

namespace {

// Time-tagged records cut short: lookups inside the run read a window of
// records and fail; lookups at the run's ends need no record and succeed.
TEST_F(DetectorTraceTest, TimeTaggedRecordsCutShort) {
  msfix::DetectorPlan plan;
  plan.points = 600;
  plan.timeTagged = true;
  MakeDetector(plan);
  const uint32_t recordSize = wf_->recordSize;
  HSECTION s = CreateSection(kDetPath, "RawData", nullptr);
  ASSERT_NE(s, nullptr);
  std::vector<uint8_t> few(recordSize * 40u, 0);
  ASSERT_EQ(WriteSection(s, few.data(), static_cast<uint32_t>(few.size())), few.size());
  ASSERT_TRUE(CloseSection(s));
  uint32_t point = 0;
  double at = 0;
  const double mid = (wf_->startTime + wf_->endTime) / 2;
  for (int16_t mode : {LOOKUP_AT_OR_BEFORE, LOOKUP_NEAREST, LOOKUP_AT_OR_AFTER}) {
    EXPECT_EQ(GetPointFromATime(wf_.get(), mid, &point, &at, mode), 0) << mode;
    ASSERT_EQ(GetPointFromATime(wf_.get(), wf_->endTime + 1, &point, &at, mode), 1) << mode;
    EXPECT_EQ(point, 599u);
  }
  EXPECT_EQ(MakeDataPointsStruct(wf_.get(), wf_->startTime, wf_->endTime, 1000, DATA_TYPE_DETECTOR, 0, nullptr,
                                 nullptr),
            nullptr);
}

}  // namespace
