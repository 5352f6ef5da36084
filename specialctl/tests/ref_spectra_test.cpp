// The background spectra picked on a plot: ranges added around a time, kept in order of
// centre scan, their plot values, the stored correction loaded and saved,
// and a save that is killed or fails part way.
#include "specialctl/ref_spectra.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/mass_lists.h"
#include "common/tests/kelt_test_root.h"
#include "fixtures/msfixtures.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_faults.h"
#include "win/win_faults.h"
#include "win/win_kernel.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kRun[] = "C:\\Data\\REFRUN.KMS";

struct OverlayFree {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};

class RefSptsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\Data", nullptr);
    msfix::RunPlan plan;  // segment 1: one scan a cycle; segment 2: two
    plan.scans = 600;
    ASSERT_TRUE(msfix::WriteMsDataFile(kRun, plan, &truth));
    overlay.reset(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
    ASSERT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(overlay.get(), 0, kRun, DATA_TYPE_TIC, 0, nullptr, nullptr,
                                                   nullptr, nullptr, "Counts", "", 0, 0));
    OPLOT_UpdateOverlayPlots(overlay.get(), overlay->tail.homeStart, overlay->tail.homeEnd);
    wf = overlay->slots[0].workFile;
    ASSERT_NE(wf, nullptr);
    ASSERT_EQ(WorkFileSegmentCount(wf), 2);
    KELT_InitMergedChanList(&chans);
  }
  void Attach(CRefSpts& r) {
    STRUCT_MASS_LIST none{};
    r.NewFile(wf, DATA_TYPE_TIC, &none, &chans, nullptr, nullptr, overlay.get(), 0, &plotData, 0, 0, 0);
  }
  int16_t Add(CRefSpts& r, double time, int16_t n) { return r.AddSpt(time, n, overlay.get(), 0, &plotData); }
  const MS_SEGMENT_BLOCK& Segment(int i) const { return *WorkFileSegment(wf, i); }
  // Ranges the set's correction holds.
  static std::vector<STRUCT_FILE_BC_ENTRY> Ranges(const STRUCT_FILE_BC* bc) {
    std::vector<STRUCT_FILE_BC_ENTRY> out;
    STRUCT_FILE_BC_ENTRY e;
    for (int32_t i = 0; bc && GetBackCorrRange(bc, i, &e); ++i) out.push_back(e);
    return out;
  }
  static std::vector<STRUCT_FILE_BC_ENTRY> StoredRanges() {
    STRUCT_FILE_BC* bc = BuildBackCorrFromRefSpts(kRun);
    auto out = Ranges(bc);
    FreeBackCorr(bc);
    return out;
  }
  // The trace's point of a scan (segment 1 has one point a scan).
  const STRUCT_NE_POINT* TracePoint(uint32_t scan) const {
    const STRUCT_NE_POINT_BLOCK* b = overlay->slots[0].trace->points;
    return NePointAt(b, scan - b->firstScan);
  }
  double TraceValue(uint32_t scan) const {
    const STRUCT_NE_POINT_BLOCK* b = overlay->slots[0].trace->points;
    return NePointValue(b, scan - b->firstScan);
  }

  msfix::RunTruth truth;
  std::unique_ptr<SVW_OVERLAY, OverlayFree> overlay;
  STRUCT_WORK_FILE* wf = nullptr;
  STRUCT_CHAN_LIST chans{};
  STRUCT_CHRO_PLOT_DATA plotData{};
};

TEST_F(RefSptsTest, AFileWithoutCorrectionLoadsEmptyAndQuietly) {
  CRefSpts r;
  Attach(r);
  EXPECT_EQ(r.Count(), 0);
  EXPECT_EQ(r.BackCorr(), nullptr);
  EXPECT_EQ(r.LoadSpts(overlay.get(), 0, &plotData), 0);
  EXPECT_EQ(win::script::FindTopLevel("No background correction spectra calculated."), nullptr);
  // Without a work file nothing is added.
  CRefSpts empty;
  EXPECT_EQ(Add(empty, 4.0, 1), -1);
}

TEST_F(RefSptsTest, OneScanOfAOneScanCycleIsItsOwnRangeAndTime) {
  CRefSpts r;
  Attach(r);
  const MS_SEGMENT_BLOCK& seg = Segment(0);
  const double t = seg.startTime + 0.4 * (seg.endTime - seg.startTime);
  ASSERT_EQ(Add(r, t, 1), 0);
  const STRUCT_BC_DRAW_INFO* s = r.Spectrum(0);
  ASSERT_NE(s, nullptr);
  const STRUCT_NE_POINT* p = TracePoint(s->firstScan);
  EXPECT_NEAR(+s->time, p->time, 1e-9);
  EXPECT_NEAR(std::fabs(p->time - t), 0, 0.02);  // the nearest scan
  EXPECT_EQ(+s->centreScan, +s->firstScan);
  EXPECT_EQ(+s->segment, 0);
  EXPECT_EQ(+s->scansPerCycle, 1);
  EXPECT_DOUBLE_EQ(+s->meanValue, TraceValue(+s->firstScan));
  const auto ranges = Ranges(r.BackCorr());
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].firstScan, +s->firstScan);
  EXPECT_EQ(ranges[0].endScan, +s->firstScan + 1);
}

TEST_F(RefSptsTest, ARangeOfSeveralScansIsCentredAndAveraged) {
  CRefSpts r;
  Attach(r);
  const MS_SEGMENT_BLOCK& seg = Segment(0);
  const double t = seg.startTime + 0.5 * (seg.endTime - seg.startTime);
  ASSERT_EQ(Add(r, t, 5), 0);
  const STRUCT_BC_DRAW_INFO* s = r.Spectrum(0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(+s->scanCount, 5);
  // Two scans back from the scan at the time, five scans on.
  const auto ranges = Ranges(r.BackCorr());
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].endScan - ranges[0].firstScan, 5u);
  EXPECT_EQ(+s->centreScan, +s->firstScan + 2);
  double sumT = 0, sumV = 0;
  for (uint32_t k = 0; k < 5; ++k) {
    sumT += TracePoint(s->firstScan + k)->time;
    sumV += TraceValue(s->firstScan + k);
    double pt, pv;
    GetBCDrawInfoPair(s, int(k), &pt, &pv);
    EXPECT_DOUBLE_EQ(pt, TracePoint(+s->firstScan + k)->time);
    EXPECT_DOUBLE_EQ(pv, TraceValue(+s->firstScan + k));
  }
  EXPECT_NEAR(+s->time, sumT / 5, 1e-9);
  EXPECT_NEAR(+s->meanValue, sumV / 5, 1e-6);
  EXPECT_NEAR(std::fabs(TracePoint(+s->centreScan)->time - t), 0, 0.02);
}

TEST_F(RefSptsTest, ASpectrumNearTheSegmentEndStopsAtItsLastScan) {
  CRefSpts r;
  Attach(r);
  const MS_SEGMENT_BLOCK& seg = Segment(0);
  ASSERT_GE(Add(r, seg.endTime - 1e-4, 6), 0);
  const auto ranges = Ranges(r.BackCorr());
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].endScan, seg.lastScan + 1);
  EXPECT_LT(ranges[0].endScan - ranges[0].firstScan, 6u + 1);
}

TEST_F(RefSptsTest, TheSameCentreReplacesAndTheOrderIsByCentreScan) {
  CRefSpts r;
  Attach(r);
  const MS_SEGMENT_BLOCK& seg = Segment(0);
  const double span = seg.endTime - seg.startTime;
  ASSERT_EQ(Add(r, seg.startTime + 0.6 * span, 1), 0);
  ASSERT_EQ(Add(r, seg.startTime + 0.2 * span, 1), 0);  // before the first: index 0
  ASSERT_EQ(Add(r, seg.startTime + 0.4 * span, 1), 1);
  ASSERT_EQ(r.Count(), 3);
  const uint32_t middle = r.Spectrum(1)->centreScan;
  EXPECT_EQ(Add(r, seg.startTime + 0.4 * span, 1), 1);
  EXPECT_EQ(r.Count(), 3);
  EXPECT_EQ(+r.Spectrum(1)->centreScan, middle);
  EXPECT_EQ(Ranges(r.BackCorr()).size(), 3u);
  for (int i = 0; i + 1 < r.Count(); ++i) EXPECT_LT(+r.Spectrum(i)->centreScan, +r.Spectrum(i + 1)->centreScan);
  // Deleting takes its range out of the correction; a bad index changes nothing.
  r.DeleteSpt(1);
  r.DeleteSpt(7);
  r.DeleteSpt(-1);
  EXPECT_EQ(r.Count(), 2);
  EXPECT_EQ(Ranges(r.BackCorr()).size(), 2u);
  EXPECT_EQ(r.Spectrum(2), nullptr);
}

TEST_F(RefSptsTest, TheArrayGrowsBy200) {
  CRefSpts r;
  for (uint32_t i = 0; i < 201; ++i) {
    auto* rec = static_cast<STRUCT_BC_DRAW_INFO*>(AllocBlock(uint32_t(BCDrawInfoBytes(1))));
    rec->scanCount = 1;
    rec->centreScan = 1000 - i;
    ASSERT_EQ(r.AddToDrawBCArray(rec, nullptr, 0), 0);
  }
  EXPECT_EQ(r.Count(), 201);
  EXPECT_EQ(r.m_nCapacity, 400);
  EXPECT_EQ(+r.Spectrum(200)->centreScan, 1000u);
}

TEST_F(RefSptsTest, SavedSpectraComeBackWithTheirScanCounts) {
  const MS_SEGMENT_BLOCK& two = Segment(1);  // two scans a cycle
  ASSERT_EQ(two.functionCount, 2);
  const double span = two.endTime - two.startTime;
  std::vector<uint32_t> firsts;
  {
    CRefSpts r;
    Attach(r);
    ASSERT_GE(Add(r, two.startTime + 0.3 * span, 3), 0);
    ASSERT_GE(Add(r, Segment(0).startTime + 0.5 * (Segment(0).endTime - Segment(0).startTime), 1), 0);
    const auto ranges = Ranges(r.BackCorr());
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[1].endScan - ranges[1].firstScan, 6u);  // three cycles of two scans
    for (int i = 0; i < r.Count(); ++i) firsts.push_back(+r.Spectrum(i)->firstScan);
    r.SaveSpts();
  }
  CRefSpts back;
  Attach(back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(+back.Spectrum(0)->firstScan, firsts[0]);
  EXPECT_EQ(+back.Spectrum(1)->firstScan, firsts[1]);
  EXPECT_EQ(+back.Spectrum(0)->scanCount, 1);
  EXPECT_EQ(+back.Spectrum(1)->scanCount, 3);
  EXPECT_EQ(+back.Spectrum(1)->scansPerCycle, 2);
  EXPECT_EQ(+back.Spectrum(1)->segment, 1);
  // Its copy is the same bytes, the caller's to free.
  STRUCT_FILE_BC* copy = back.CopyBaseCorr();
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(GetBlockSize(copy), GetBlockSize(back.BackCorr()));
  EXPECT_EQ(std::memcmp(copy, back.BackCorr(), GetBlockSize(copy)), 0);
  FreeBackCorr(copy);
}

TEST_F(RefSptsTest, FilteredDisplayTakesTheFilteredPoints) {
  STRUCT_NE_DATA_POINTS* dp = overlay->slots[0].trace;
  const uint32_t bytes = GetBlockSize(dp->points);
  auto* filtered = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(bytes));
  std::memcpy(filtered, dp->points, bytes);
  filtered->isDouble = 1;
  for (uint32_t i = 0; i < dp->pointCount; ++i) NePointAt(filtered, i)->value.d = 7.0 + i;
  dp->filtered = filtered;
  dp->filteredCount = dp->pointCount;
  const double t = Segment(0).startTime + 0.5 * (Segment(0).endTime - Segment(0).startTime);
  for (int16_t kind : {0, 1, 2}) {
    plotData.filterKind = kind;
    CRefSpts r;
    Attach(r);
    ASSERT_EQ(Add(r, t, 1), 0);
    const uint32_t i = r.Spectrum(0)->firstScan - dp->points->firstScan;
    EXPECT_DOUBLE_EQ(+r.Spectrum(0)->meanValue, kind ? 7.0 + i : NePointValue(dp->points, i)) << kind;
  }
  // Without a trace the MS data give the same raw value.
  plotData.filterKind = 0;
  CRefSpts r;
  Attach(r);
  ASSERT_EQ(Add(r, t, 1), 0);
  const double fromTrace = r.Spectrum(0)->meanValue;
  STRUCT_NE_DATA_POINTS* keep = overlay->slots[0].trace;
  overlay->slots[0].trace = nullptr;
  r.CalculatePlotValues(0, overlay.get(), 0, &plotData);
  overlay->slots[0].trace = keep;
  EXPECT_NEAR(+r.Spectrum(0)->meanValue, fromTrace, 1e-6 * std::fabs(fromTrace));
}

TEST_F(RefSptsTest, AnAutomaticCorrectionFindsSpectraOnBothSegments) {
  CRefSpts r;
  Attach(r);
  ASSERT_EQ(r.DoAutoBackCorr(overlay.get(), 0, &plotData), 1);
  ASSERT_GT(r.Count(), 2);
  bool segments[2] = {false, false};
  for (int i = 0; i < r.Count(); ++i) {
    const STRUCT_BC_DRAW_INFO* s = r.Spectrum(i);
    segments[s->segment] = true;
    EXPECT_GE(+s->time, Segment(+s->segment).startTime - 1e-9);
    EXPECT_LE(+s->time, Segment(+s->segment).endTime + 1e-9);
  }
  EXPECT_TRUE(segments[0] && segments[1]);
  // The file keeps its stored correction until one is saved.
  EXPECT_TRUE(StoredRanges().empty());
}

TEST_F(RefSptsTest, AFailedWriteKeepsTheStoredSpectra) {
  CRefSpts r;
  Attach(r);
  const MS_SEGMENT_BLOCK& seg = Segment(0);
  ASSERT_GE(Add(r, seg.startTime + 1.0, 1), 0);
  r.SaveSpts();
  ASSERT_EQ(StoredRanges().size(), 1u);
  ASSERT_GE(Add(r, seg.startTime + 2.0, 1), 0);
  FailSectionDataWrites(1);
  r.SaveSpts();
  FailSectionDataWrites(0);
  EXPECT_EQ(StoredRanges().size(), 1u);
  r.SaveSpts();
  EXPECT_EQ(StoredRanges().size(), 2u);
}

// Saves killed at every file call of a save: the file holds the old set of
// one spectrum or the new set of three, never none or a damaged one.
TEST_F(RefSptsTest, AKilledSaveLeavesTheOldOrTheNewSpectra) {
  const MS_SEGMENT_BLOCK& seg = Segment(0);
  CRefSpts r;
  Attach(r);
  ASSERT_GE(Add(r, seg.startTime + 1.0, 1), 0);
  r.SaveSpts();
  ASSERT_EQ(StoredRanges().size(), 1u);
  ASSERT_GE(Add(r, seg.startTime + 2.0, 3), 0);
  ASSERT_GE(Add(r, seg.startTime + 3.0, 1), 0);
  // The file calls of one save.
  STRUCT_FILE_BC* old = BuildBackCorrFromRefSpts(kRun);
  ASSERT_NE(old, nullptr);
  win::faults::Plan(0, 0);
  r.SaveSpts();
  const int64_t calls = win::faults::CountsSoFar().fileCalls;
  ASSERT_GT(calls, 0);
  ASSERT_TRUE(SaveBackCorr(kRun, old));  // back to the old set
  FreeBackCorr(old);
  bool sawOld = false, sawNew = false;
  for (int64_t k = 1; k <= calls + 1; ++k) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      win::faults::Plan(k, 0);
      r.SaveSpts();
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const size_t n = StoredRanges().size();
    EXPECT_TRUE(n == 1 || n == 3) << "killed at file call " << k << ": " << n << " spectra";
    sawOld = sawOld || n == 1;
    sawNew = sawNew || n == 3;
    if (n == 3) {
      // Back to the old set for the next kill.
      CRefSpts one;
      Attach(one);
      while (one.Count() > 1) one.DeleteSpt(1);
      one.SaveSpts();
      ASSERT_EQ(StoredRanges().size(), 1u);
    }
  }
  EXPECT_TRUE(sawOld);
  EXPECT_TRUE(sawNew);
}

}  // namespace
