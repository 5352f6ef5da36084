// The automatic background on fixture runs: the chosen windows lie between
// the compounds' peaks, on the baseline, about one a minute per segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "fixtures/msfixtures.h"
#include "jessul32/automatic_background.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

class AutomaticBackgroundTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
  }
  std::vector<STRUCT_FILE_BC_ENTRY> Ranges(const STRUCT_FILE_BC* bc) {
    std::vector<STRUCT_FILE_BC_ENTRY> out(static_cast<size_t>(CountBackCorrRanges(bc)));
    for (size_t k = 0; k < out.size(); ++k) EXPECT_TRUE(GetBackCorrRange(bc, static_cast<int32_t>(k), &out[k]));
    return out;
  }
  const char* path_ = "C:\\Data\\auto.kms";
};

// Noise (sd) of a segment's cycle total ions, from the median absolute
// difference of neighbouring cycles, so peaks and drift hardly count.
double CycleNoise(const std::vector<msfix::ScanData>& scans, const msfix::RunTruth& truth,
                  const msfix::SegmentTruth& seg) {
  std::vector<double> cycles;
  for (uint32_t c = seg.firstScan; c + seg.functions - 1 <= seg.lastScan; c += static_cast<uint32_t>(seg.functions)) {
    double tic = 0;
    for (uint32_t s = c; s < c + static_cast<uint32_t>(seg.functions); ++s)
      for (const auto& p : scans[s - truth.firstScan].peaks) tic += p.second;
    cycles.push_back(tic);
  }
  std::vector<double> d;
  for (size_t k = 1; k < cycles.size(); ++k) d.push_back(std::fabs(cycles[k] - cycles[k - 1]));
  std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
  return d[d.size() / 2] * 1.4826 / std::sqrt(2.0);
}

struct RunCase {
  const char* name;
  uint32_t seed;
  int compounds;
  double noise;
  uint32_t saturation;
  std::vector<msfix::SegmentPlan> segments;
};

TEST_F(AutomaticBackgroundTest, WindowsLieOnTheBaselineAwayFromPeaks) {
  const RunCase cases[] = {
      {"two segments", 1, 10, 40, 0, {{1.0, 1, ""}, {1.0, 2, ""}}},
      {"crowded, noisy, saturated", 7, 16, 120, 60000, {{1.0, 1, ""}, {0.6, 3, ""}, {1.4, 1, ""}}},
      {"one segment", 3, 8, 40, 0, {{1.0, 1, ""}}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    msfix::RunPlan plan;
    plan.seed = c.seed;
    plan.compounds = c.compounds;
    plan.noise = c.noise;
    plan.saturation = c.saturation;
    plan.segments = c.segments;
    msfix::RunTruth truth;
    ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan, &truth));
    std::vector<msfix::ScanData> scans;
    msfix::RunTruth same;
    msfix::MakeRun(plan, &same, &scans);
    STRUCT_FILE_BC* bc = CreateBackCorr(path_, nullptr);
    ASSERT_NE(bc, nullptr);
    const auto ranges = Ranges(bc);
    size_t used = 0;
    for (size_t s = 0; s < truth.segments.size(); ++s) {
      const msfix::SegmentTruth& seg = truth.segments[s];
      const double minutes = seg.endTime - seg.startTime;
      std::vector<STRUCT_FILE_BC_ENTRY> mine;
      for (const auto& e : ranges)
        if (e.firstScan >= seg.firstScan && e.firstScan <= seg.lastScan) mine.push_back(e);
      used += mine.size();
      // About one range a minute, at least one per segment.
      EXPECT_GE(mine.size(), 1u);
      EXPECT_LE(std::fabs(static_cast<double>(mine.size()) - minutes), 1.0) << s;
      for (const auto& e : mine) {
        EXPECT_LE(e.endScan, seg.lastScan + 1);
        // Whole cycles of the segment's functions, a few of them.
        EXPECT_EQ((e.firstScan - seg.firstScan) % static_cast<uint32_t>(seg.functions), 0u);
        EXPECT_EQ(e.endScan - e.firstScan, static_cast<uint32_t>(BACKGROUND_WINDOW_CYCLES * seg.functions));
        const double t0 = truth.scanTimes[e.firstScan - truth.firstScan];
        const double t1 = truth.scanTimes[e.endScan - 1 - truth.firstScan];
        EXPECT_DOUBLE_EQ(+e.time, t0);
        EXPECT_DOUBLE_EQ(+e.endTime, t1);
        for (const msfix::CompoundTruth& p : truth.compounds) {
          // Three widths each side; behind the apex the tail widens the peak.
          EXPECT_TRUE(t1 < p.retentionTime - 3 * p.sigma || t0 > p.retentionTime + 3 * (p.sigma + p.tau))
              << p.name << " at " << p.retentionTime << " window " << t0 << ".." << t1;
        }
        // On the baseline: what the compounds add there is below the
        // noise of the cycles' total ion.
        double added = 0;
        for (uint32_t scan = e.firstScan; scan < e.endScan; scan += static_cast<uint32_t>(seg.functions)) {
          const double t = truth.scanTimes[scan - truth.firstScan];
          added += truth.TicAt(t) - truth.BackgroundTicAt(t);
        }
        added /= BACKGROUND_WINDOW_CYCLES;
        EXPECT_LT(added, CycleNoise(scans, truth, seg)) << t0;
      }
    }
    EXPECT_EQ(used, ranges.size());
    FreeBackCorr(bc);
  }
}

TEST_F(AutomaticBackgroundTest, UnreadableDataGivesNoCorrection) {
  EXPECT_EQ(CreateBackCorr(nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateBackCorr("C:\\Data\\missing.kms", nullptr), nullptr);
  // A sectioned file without MS data.
  char empty[] = "C:\\Data\\empty.kms";
  ASSERT_TRUE(CreateSectionFileAtPath(empty, 61, 0, 1));
  EXPECT_EQ(CreateBackCorr(empty, nullptr), nullptr);
  // Damaged MS data.
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan, nullptr));
  HSECTION s = CreateSection(path_, "MSData", nullptr);
  ASSERT_NE(s, nullptr);
  const char junk[] = "not scans";
  EXPECT_EQ(WriteSection(s, junk, sizeof junk), sizeof junk);
  EXPECT_TRUE(CloseSection(s));
  EXPECT_EQ(CreateBackCorr(path_, nullptr), nullptr);
}

}  // namespace
