// Correction marks read from the data file, checked against the fixture's
// scans summed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "fixtures/msfixtures.h"
#include "jessul32/background_marks.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

class BackCorrMarksTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
    plan_.scans = 240;
    ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan_, &truth_));
    msfix::RunTruth again;
    msfix::MakeRun(plan_, &again, &scans_);
  }
  // Total ion of a stored scan: the sum of its peaks.
  double Tic(uint32_t scan) const {
    double sum = 0;
    for (const auto& p : scans_[scan - truth_.firstScan].peaks) sum += p.second;
    return sum;
  }
  double Time(uint32_t scan) const { return scans_[scan - truth_.firstScan].time; }
  const char* path_ = "C:\\Data\\marks.kms";
  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
  std::vector<msfix::ScanData> scans_;
};

TEST_F(BackCorrMarksTest, RangesPointsAndSamplesFromTheScans) {
  ASSERT_EQ(truth_.segments.size(), 2u);
  STRUCT_FILE_BC* bc = NewBackCorr(path_);
  ASSERT_NE(bc, nullptr);
  // Segment 2 gets two windows, segment 1 one; the windows are given out of order.
  const uint32_t a = truth_.segments[1].firstScan + 4, b = truth_.segments[1].lastScan - 9,
                 c = truth_.segments[0].firstScan + 11;
  struct W {
    uint32_t first, end;
  } windows[] = {{a, a + 3}, {b, b + 6}, {c, c + 1}};
  for (const W& w : windows) {
    STRUCT_FILE_BC* grown = AddBackCorrRange(bc, w.first, 0, w.end, 0);
    ASSERT_NE(grown, nullptr);
    bc = grown;
  }
  STRUCT_BC_MARKS* m = GetBackCorrMarks(bc, path_);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(+m->rangeCount, 2);
  ASSERT_EQ(+m->pointCount, 3u);
  const STRUCT_BC_MARK_RANGE* r = BcMarkRanges(m);
  for (int k = 0; k < 2; ++k) {
    EXPECT_DOUBLE_EQ(+r[k].startTime, Time(truth_.segments[k].firstScan)) << k;
    EXPECT_DOUBLE_EQ(+r[k].endTime, Time(truth_.segments[k].lastScan)) << k;
  }
  EXPECT_EQ(+r[0].pointCount, 1);
  EXPECT_EQ(+r[1].pointCount, 2);
  const STRUCT_BC_MARK_POINT* p = BcMarkPoints(m);
  const STRUCT_BC_MARK_SAMPLE* s = BcMarkSamples(m);
  const W order[] = {windows[2], windows[0], windows[1]};
  const int16_t segments[] = {0, 1, 1};
  uint32_t samples = 0;
  for (int k = 0; k < 3; ++k) {
    const W& w = order[k];
    // The cycles the window touches, whole: all scans of one cycle of the
    // segment's functions added.
    const msfix::SegmentTruth& seg = truth_.segments[segments[k]];
    std::vector<std::pair<double, double>> cycles;
    for (uint32_t c = (w.first - seg.firstScan) / seg.functions; c <= (w.end - 1 - seg.firstScan) / seg.functions;
         ++c) {
      const uint32_t first = seg.firstScan + c * seg.functions;
      double tic = 0;
      for (uint32_t scan = first; scan < first + seg.functions && scan <= seg.lastScan; ++scan) tic += Tic(scan);
      cycles.push_back({Time(first), tic});
    }
    double sum = 0;
    for (const auto& c : cycles) sum += c.second;
    EXPECT_EQ(+p[k].segment, segments[k]) << k;
    EXPECT_DOUBLE_EQ(+p[k].time, (Time(w.first) + Time(w.end - 1)) / 2) << k;
    EXPECT_NEAR(+p[k].value, sum / cycles.size(), 1e-6) << k;
    ASSERT_EQ(+p[k].sampleCount, cycles.size()) << k;
    EXPECT_EQ(+p[k].firstSample, samples) << k;
    samples += p[k].sampleCount;
    for (uint32_t i = 0; i < p[k].sampleCount; ++i) {
      const STRUCT_BC_MARK_SAMPLE& sm = s[p[k].firstSample + i];
      EXPECT_DOUBLE_EQ(+sm.time, cycles[i].first);
      EXPECT_DOUBLE_EQ(+sm.value, cycles[i].second);
    }
  }
  EXPECT_EQ(+m->sampleCount, samples);
  // Segment 2 scans two functions: its three-scan window starting a cycle
  // touches two cycles.
  EXPECT_EQ(truth_.segments[1].functions, 2);
  EXPECT_EQ((a - truth_.segments[1].firstScan) % 2, 0u);
  EXPECT_EQ(+p[1].sampleCount, 2u);
  // The samples are real scans with noise: a window's mean lies strictly
  // between its smallest and largest sample.
  double lo = 1e300, hi = 0;
  for (uint32_t i = 0; i < p[2].sampleCount; ++i) {
    lo = std::min(lo, +s[p[2].firstSample + i].value);
    hi = std::max(hi, +s[p[2].firstSample + i].value);
  }
  EXPECT_LT(lo, +p[2].value);
  EXPECT_GT(hi, +p[2].value);
  FreeBackCorrMarks(m);
  FreeBackCorrMarks(nullptr);
  FreeBackCorr(bc);
}

TEST_F(BackCorrMarksTest, EmptyDamagedOrMissing) {
  STRUCT_FILE_BC* bc = NewBackCorr(path_);
  ASSERT_NE(bc, nullptr);
  STRUCT_BC_MARKS* m = GetBackCorrMarks(bc, path_);
  ASSERT_NE(m, nullptr);  // no window: no range
  EXPECT_EQ(+m->rangeCount, 0);
  EXPECT_EQ(+m->pointCount, 0u);
  FreeBackCorrMarks(m);
  bc = AddBackCorrRange(bc, truth_.firstScan + 2, 0, truth_.firstScan + 4, 0);
  ASSERT_NE(bc, nullptr);
  EXPECT_EQ(GetBackCorrMarks(bc, "C:\\Data\\missing.kms"), nullptr);
  EXPECT_EQ(GetBackCorrMarks(nullptr, path_), nullptr);
  EXPECT_EQ(GetBackCorrMarks(bc, nullptr), nullptr);
  bc->groupCount = 300;  // more groups than the block holds
  EXPECT_EQ(GetBackCorrMarks(bc, path_), nullptr);
  FreeBackCorr(bc);
}

}  // namespace
