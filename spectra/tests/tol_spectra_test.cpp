// Spectra from MS data: scan-range and time averages on the cycle grid,
// single scans, background spectra and the corrected averages, checked
// against the stored scans read directly.
#include <gtest/gtest.h>

#include <cmath>

#include "common/library_state.h"
#include "common/preference_records.h"
#include "common/segment_plots.h"
#include "jessul32/background_subtraction.h"
#include "pomsel/pomsel.h"
#include "win/win_profile.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/tests/ms_run_fixture.h"
#include "spectra/tol_spectra.h"

using namespace spttest;

namespace {

std::vector<Peak> PeaksOf(const STRUCT_TOL_SPT* tol) {
  std::vector<Peak> out;
  for (uint32_t i = 0; i < tol->pairCount; ++i) out.push_back({tol->pairs[i].mass, tol->pairs[i].intensity});
  return out;
}

STRUCT_TOL_SPT* Tol(double time, const std::vector<std::pair<double, uint32_t>>& pairs, bool profile = false) {
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  tol->header.time = time;
  tol->profile = profile ? 1 : 0;
  for (const auto& [m, v] : pairs) tol = TOL_AddToSpectrum(tol, m, v);
  return tol;
}

}  // namespace

TEST(TolRecord, AddingBeyondTheStartingRoomGrowsBy260Bytes) {
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  ASSERT_EQ(GetBlockSize(tol), TolSptBytes(TOL_START_PAIRS));
  for (int k = 0; k < TOL_START_PAIRS; ++k) tol = TOL_AddToSpectrum(tol, 50.0 + k, uint32_t(k));
  EXPECT_EQ(GetBlockSize(tol), TolSptBytes(TOL_START_PAIRS));
  STRUCT_TOL_SPT* grown = TOL_AddToSpectrum(tol, 99.5, 7);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(GetBlockSize(grown), TolSptBytes(TOL_START_PAIRS) + SPT_GROW_PRECISE);
  EXPECT_EQ(+grown->pairCount, uint32_t(TOL_START_PAIRS + 1));
  EXPECT_EQ(+grown->pairs[TOL_START_PAIRS].mass, 99.5);
  EXPECT_EQ(+grown->pairs[3].intensity, 3u);
  STRUCT_TOL_SPT* copy = TOL_CopySpectrum(grown);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(copy, grown, GetBlockSize(grown)), 0);
  TOL_Free(copy);
  TOL_Free(grown);
  TOL_Free(nullptr);
}

TEST(TolSubtraction, InterpolatedBackgroundIsTruncatedAndFlooredAtZero) {
  STRUCT_TOL_SPT* s = Tol(5.0, {{40.0, 500}, {50.0, 150}, {51.0, 900}, {52.0, 60}, {60.0, 70}});
  STRUCT_TOL_SPT* before = Tol(4.0, {{50.0, 100}, {51.0, 101}, {52.0, 50}, {55.0, 9}});
  STRUCT_TOL_SPT* after = Tol(6.0, {{50.0, 300}, {51.0, 200}, {53.0, 5}, {60.0, 20}});
  before->extendedBg = 1;
  TOL_BaselineCorrectSpectrum(s, before, after);
  // 50: 100..300 at the middle gives 200, more than 150; 51: trunc(150.5);
  // 52: only before; 60 is left: the walk ends when the before list does.
  const std::vector<Peak> p = PeaksOf(s);
  ASSERT_EQ(+p.size(), 4u);
  EXPECT_EQ(+p[0].intensity, 500u);
  EXPECT_EQ(+p[1].mass, 51.0);
  EXPECT_EQ(+p[1].intensity, 750u);
  EXPECT_EQ(+p[2].intensity, 10u);
  EXPECT_EQ(+p[3].intensity, 70u);
  EXPECT_EQ(+s->header.totalIon, 1330u);
  EXPECT_EQ(+s->bgCorrected, 1);
  EXPECT_EQ(+s->extendedBg, 1);
  TOL_Free(s);

  // Outside the two times only the nearer side is used; profile keeps zeros.
  s = Tol(3.0, {{50.0, 150}, {51.0, 900}}, true);
  TOL_BaselineCorrectSpectrum(s, before, after);
  EXPECT_EQ(PeaksOf(s)[0].intensity, 50u);
  EXPECT_EQ(PeaksOf(s)[1].intensity, 799u);
  TOL_Free(s);
  s = Tol(4.0, {{50.0, 150}});  // at a background's own time: nothing
  TOL_BaselineCorrectSpectrum(s, before, after);
  EXPECT_EQ(PeaksOf(s)[0].intensity, 150u);
  TOL_Free(s);
  TOL_Free(before);
  TOL_Free(after);
}

TEST(TolSubtraction, TheLibraryFormReplacesThePairsWhenTheyDoNotGrow) {
  STRUCT_TOL_SPT* s = Tol(5.0, {{50.0, 150}, {51.0, 900}});
  s->fileBlock.centroid = 1;
  s->segment.functions[0].massDecimals = 1;
  STRUCT_TOL_SPT* bg = Tol(5.0, {{50.02, 200}, {51.0, 100}, {77.0, 5}});
  bg->extendedBg = 1;
  TOL_BaselineCorrectSpectrumEx(s, bg);  // the library's buffer is freed: the leak checker watches
  EXPECT_EQ(+s->pairCount, 1u);
  EXPECT_EQ(+s->pairs[0].intensity, 800u);
  EXPECT_EQ(+s->bgCorrected, 1);
  EXPECT_EQ(+s->extendedBg, 1);
  TOL_Free(s);
  TOL_Free(bg);
}

TEST(TolRecord, ListRecordFromAnExchangeBuffer) {
  // Exchange buffers cross libraries as blocks of the common allocator.
  auto* b = static_cast<uint8_t*>(AllocBlock(4 + 3 * 13));
  const double m[] = {50.5, 91.0, 92.0};
  const uint32_t v[] = {10, 999, 400};
  uint32_t n = 3;
  std::memcpy(b, &n, 4);
  for (int k = 0; k < 3; ++k) {
    std::memcpy(&b[size_t(5 + 13 * k)], &m[k], 8);
    std::memcpy(&b[size_t(13 + 13 * k)], &v[k], 4);
  }
  STRUCT_SPT_PLUS* spt = PlusSpt_MakeFromMSSpectrumEx(b);
  n = 4;  // a count beyond the block is refused
  std::memcpy(b, &n, 4);
  EXPECT_EQ(PlusSpt_MakeFromMSSpectrumEx(b), nullptr);
  FreeBlock(b);
  ASSERT_NE(spt, nullptr);
  EXPECT_EQ(+spt->kind, SPT_KIND_LIST);
  EXPECT_EQ(+spt->serialNumber, 0);
  EXPECT_EQ(PlusSpt_GetPairCount(spt), 3);
  EXPECT_EQ(+spt->basePeakMass, 91.0);
  EXPECT_EQ(+spt->topWeightedMasses[0], 91.0);
  PlusSpt_Free(spt);
}

namespace {

class SmallRun : public KeltRootTest {
 protected:
  void Write(uint32_t first, uint32_t last, int functions, uint16_t decimals, bool centroid = true) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Data", nullptr));
    ASSERT_TRUE(WriteSmallRun(path_, first, last, functions, decimals, centroid));
    wf_ = MakeWorkFileStruct(path_.c_str(), 0);
    ASSERT_NE(wf_, nullptr);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    KeltRootTest::TearDown();
  }
  const std::string path_ = "C:\\Data\\small.kms";
  STRUCT_WORK_FILE* wf_ = nullptr;
};

}  // namespace

TEST_F(SmallRun, ScanRangeIsAveragedOnTheCycleGrid) {
  Write(10, 30, 3, 1);
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  STRUCT_TOL_SPT* tol = TOL_MakeAvgSptFromScanRange(wf_, &merged, 12, 20);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(+tol->scansAveraged, 4);  // 10, 13, 16, 19
  EXPECT_EQ(+tol->firstScan, 10u);
  EXPECT_EQ(+tol->lastScan, 19u);
  EXPECT_EQ(+tol->scanFunStep, 3);
  EXPECT_EQ(+tol->segmentIndex, 0);
  EXPECT_DOUBLE_EQ(+tol->firstTime, 1.0);
  EXPECT_DOUBLE_EQ(+tol->lastTime, 1.09);
  // Each grid scan read with merged channels is its cycle s, s+1, s+2.
  double sum50 = 0, sum91 = 0, sum120 = 0;
  for (uint32_t s : {10u, 13u, 16u, 19u}) {
    sum50 += 100.0 * (3 * s + 3);
    sum91 += 1000.0 * 3 + (3 * s + 3);
    sum120 += 7.0 * (s + 1);
  }
  const std::vector<Peak> p = PeaksOf(tol);
  ASSERT_EQ(+p.size(), 3u);
  EXPECT_EQ(+p[0].intensity, uint32_t(std::lround(sum50 / 4)));
  EXPECT_EQ(+p[1].intensity, uint32_t(std::lround(sum91 / 4)));
  EXPECT_EQ(+p[2].intensity, uint32_t(std::lround(sum120 / 4)));
  EXPECT_EQ(std::string(+tol->dataFilePath), path_);
  EXPECT_EQ(+tol->profile, 0);
  TOL_Free(tol);

  // An ignored-channel list averages every scan of the range.
  STRUCT_CHAN_LIST all = Channels(CHAN_LIST_IGNORED);
  tol = TOL_MakeAvgSptFromScanRange(wf_, &all, 12, 20);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(+tol->scansAveraged, 9);
  EXPECT_EQ(PeaksOf(tol)[0].intensity, 1600u);  // the mean of 1200 .. 2000
  TOL_Free(tol);
  EXPECT_EQ(TOL_MakeAvgSptFromScanRange(wf_, &merged, 5, 8), nullptr);  // before the segment
}

TEST_F(SmallRun, PrecisionComesFromTheScanFunctionsDecimalsAndStaysIn16Bits) {
  Write(1, 9, 1, 6);  // six decimals would be 1,000,000 steps
  STRUCT_SPT_PLUS* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  STRUCT_TOL_SPT* tol = TOL_MakeSpectrumFromScan(wf_, 4);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(PeaksOf(tol).size(), 2u);
  PlusSpt_InitTolSpt(spt, tol, path_.c_str());
  EXPECT_EQ(+tol->precision, 10000);
  EXPECT_EQ(+tol->precisionKnown, 1);
  EXPECT_EQ(+spt->lowMass, 50.0);
  EXPECT_EQ(+spt->highMass, 91.0);
  PlusSpt_Free(spt);
}

TEST_F(SmallRun, ProfileDataKeepNominalPrecision) {
  Write(1, 9, 1, 3, false);
  STRUCT_TOL_SPT* tol = TOL_MakeSpectrumFromScan(wf_, 4);
  ASSERT_NE(tol, nullptr);
  TOL_SetPrecisionInfo(tol, path_.c_str());
  EXPECT_EQ(+tol->precision, 1);
  EXPECT_EQ(+tol->precisionKnown, 0);
  EXPECT_EQ(+tol->profile, 1);
  TOL_Free(tol);
}

namespace {

class RunSpectra : public MsRunTest {
 protected:
  void SetUp() override {
    MsRunTest::SetUp();
    Open(Plan());
  }
  // The time of a scan of segment s at offset k.
  double TimeOf(int s, uint32_t k) { return truth_.scanTimes[Seg(s).firstScan + k - truth_.firstScan]; }
  // Stores a definition with one-scan windows at the given scans.
  void StoreDefinition(const std::vector<uint32_t>& scans) {
    STRUCT_FILE_BC* bc = NewBackCorr(wf_);
    for (uint32_t s : scans) bc = AddBackCorrRange(bc, s, 0, s + 1, 0.2);
    ASSERT_NE(bc, nullptr);
    ASSERT_EQ(SaveBackCorr(wf_, bc), 1);
    FreeBackCorr(bc);
  }
};

}  // namespace

TEST_F(RunSpectra, AverageAroundATimeTakesHalfTheCountOfCyclesEachSide) {
  // Cycle 2: count 5 averages centre - 4 .. centre + 4, one scan function.
  const uint32_t centre = Seg(1).firstScan + 20;
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  STRUCT_TOL_SPT* tol = TOL_MakeAvgSptFromTime(wf_, &merged, TimeOf(1, 20), 5);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(+tol->firstScan, centre - 4);
  EXPECT_EQ(+tol->lastScan, centre + 4);
  EXPECT_EQ(+tol->scansAveraged, 5);
  double total = 0;
  for (uint32_t s = centre - 4; s <= centre + 4; s += 2) total += double(Total(Scan(s, CHAN_LIST_MERGED)));
  EXPECT_NEAR(double(Total(PeaksOf(tol))), total / 5, 0.5 * +tol->pairCount + 1);
  TOL_Free(tol);
  EXPECT_EQ(TOL_MakeAvgSptFromTime(wf_, &merged, 0.5, 5), nullptr);  // before the run
  EXPECT_EQ(TOL_MakeAvgSptFromTime(wf_, &merged, 99.0, 5), nullptr);
  // A listed channel the segment does not scan.
  STRUCT_CHAN_LIST listed = Channels(CHAN_LIST_LISTED);
  listed.count = 1;
  listed.entries[0].low = listed.entries[0].high = 2;
  EXPECT_EQ(TOL_MakeAvgSptFromTime(wf_, &listed, TimeOf(1, 20), 3), nullptr);
}

TEST_F(RunSpectra, TheExtendedTimeAverageCrossesIntoASegmentOfTheSameContinuity) {
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  const uint32_t last0 = Seg(0).lastScan;
  STRUCT_TOL_SPT* tol =
      TOL_MakeAvgSptFromTimeExEx(wf_, &merged, nullptr, TimeOf(0, last0 - Seg(0).firstScan), 5, nullptr, 0);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(+tol->firstScan, last0 - 2);
  EXPECT_EQ(+tol->lastScan, Seg(1).firstScan + 2);
  EXPECT_EQ(+tol->scansAveraged, 5);  // three single scans, two cycles of two
  double total = 0;
  for (uint32_t s : {last0 - 2, last0 - 1, last0, Seg(1).firstScan, Seg(1).firstScan + 2})
    total += double(Total(Scan(s, CHAN_LIST_MERGED)));
  EXPECT_NEAR(double(Total(PeaksOf(tol))), total / 5, 0.5 * +tol->pairCount + 1);
  TOL_Free(tol);

  wf_->segmentBlocks[1].functions[0].massWidth = 2.0;  // no longer continuous
  tol = TOL_MakeAvgSptFromTimeExEx(wf_, &merged, nullptr, TimeOf(0, last0 - Seg(0).firstScan), 5, nullptr, 0);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(+tol->lastScan, last0);
  EXPECT_EQ(+tol->scansAveraged, 3);
  TOL_Free(tol);
}

TEST_F(RunSpectra, OneScanWithAllChannels) {
  const uint32_t s = Seg(2).firstScan + 4;
  MS_SCAN_HEADER h;
  const std::vector<Peak> want = Scan(s, CHAN_LIST_IGNORED, &h);
  STRUCT_TOL_SPT* tol = TOL_MakeSpectrumFromScan(wf_, s);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(PeaksOf(tol).size(), +want.size());
  EXPECT_EQ(Total(PeaksOf(tol)), Total(want));
  EXPECT_EQ(+tol->scansAveraged, 1);
  EXPECT_EQ(+tol->segmentIndex, 2);
  EXPECT_EQ(+tol->scanFunIndex, +h.function);
  EXPECT_EQ(std::memcmp(&tol->segment, &Seg(2), sizeof(MS_SEGMENT_BLOCK)), 0);
  TOL_Free(tol);
  EXPECT_EQ(TOL_MakeSpectrumFromScan(wf_, 999999), nullptr);
}

TEST_F(RunSpectra, CorrectedAverageSubtractsTheFilesOwnBackground) {
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  const uint32_t first = Seg(0).firstScan + 40, last = Seg(0).firstScan + 49;
  // Without a stored definition the plain average comes back.
  STRUCT_TOL_SPT* plain = TOL_MakeAvgSptFromScanRange(wf_, &merged, first, last);
  STRUCT_TOL_SPT* same = TOL_MakeBCAvgSptFromScanRange(wf_, &merged, first, last);
  ASSERT_TRUE(plain && same);
  EXPECT_EQ(+same->bgCorrected, 0);
  EXPECT_EQ(Total(PeaksOf(same)), Total(PeaksOf(plain)));
  TOL_Free(same);

  const uint32_t w = Seg(0).firstScan + 10;
  StoreDefinition({w});
  STRUCT_TOL_SPT* bg = TOL_MakeBCSptForScan(wf_, plain->header.scanNumber, &merged);
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(+bg->bgMade, 1);
  const std::vector<Peak> window = Scan(w, CHAN_LIST_MERGED);
  EXPECT_EQ(Total(PeaksOf(bg)), Total(window));
  EXPECT_EQ(+bg->header.totalIon, Total(window));
  TOL_Free(bg);

  STRUCT_TOL_SPT* bc = TOL_MakeBCAvgSptFromScanRange(wf_, &merged, first, last);
  ASSERT_NE(bc, nullptr);
  EXPECT_EQ(+bc->bgCorrected, 1);
  // Independently: average minus window at equal masses (half a step of one
  // decimal), floored at 0, zeros dropped.
  uint64_t want = 0;
  size_t kept = 0;
  for (const Peak& p : PeaksOf(plain)) {
    double b = 0;
    for (const Peak& q : window)
      if (std::fabs(q.mass - p.mass) <= 0.05) b = q.intensity;
    if (p.intensity > b) want += uint64_t(p.intensity - b), ++kept;
  }
  EXPECT_EQ(Total(PeaksOf(bc)), want);
  EXPECT_EQ(PeaksOf(bc).size(), kept);
  TOL_Free(bc);

  // Attached, not subtracted.
  STRUCT_SPT_PLUS* spt = TOL_MakeBCAndAvgPlusSptFromScanRange(wf_, &merged, first, last);
  ASSERT_NE(spt, nullptr);
  ASSERT_NE(+spt->background, nullptr);
  EXPECT_EQ(Total(PeaksOf(+spt->tolSpt)), Total(PeaksOf(plain)));
  EXPECT_EQ(Total(PeaksOf(+spt->background)), Total(window));
  EXPECT_EQ(+spt->kind, SPT_KIND_TOL);
  EXPECT_EQ(+spt->tolSpt->precision, 10);  // one decimal
  PlusSpt_Free(spt);
  STRUCT_SPT_PLUS* corrected = TOL_MakeBCAvgPlusSptFromScanRange(wf_, &merged, first, last);
  ASSERT_NE(corrected, nullptr);
  EXPECT_EQ(+corrected->tolSpt->bgCorrected, 1);
  EXPECT_EQ(+corrected->background, nullptr);
  PlusSpt_Free(corrected);
  TOL_Free(plain);
}

TEST_F(RunSpectra, TimeRangeCorrectionUsesTheScansAtTwoTimes) {
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  const uint32_t first = Seg(0).firstScan + 40, last = Seg(0).firstScan + 49;
  STRUCT_TOL_SPT* plain = TOL_MakeAvgSptFromScanRange(wf_, &merged, first, last);
  STRUCT_TOL_SPT* tr = TOL_TRBC_MakeAvgSptFromScanRange(wf_, &merged, first, last, TimeOf(0, 5), TimeOf(0, 70));
  ASSERT_TRUE(plain && tr);
  EXPECT_EQ(+tr->bgCorrected, 1);
  EXPECT_LT(Total(PeaksOf(tr)), Total(PeaksOf(plain)));
  TOL_Free(tr);
  TOL_Free(plain);
  STRUCT_SPT_PLUS* spt = TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCs(wf_, &merged, first, last, TimeOf(0, 5),
                                                                       TimeOf(0, 70));
  ASSERT_NE(spt, nullptr);
  ASSERT_NE(+spt->background, nullptr);
  EXPECT_EQ(+spt->background->bgMade, 1);
  PlusSpt_Free(spt);
}

namespace {

class NoisyRun : public MsRunTest {
 protected:
  void SetUp() override {
    MsRunTest::SetUp();
    msfix::RunPlan plan = Plan();
    plan.segments = {{1.0, 1, ""}};
    plan.peaksPerScan = 300;  // chemical noise at masses that rarely meet
    Open(plan);
  }
};

}  // namespace

TEST_F(NoisyRun, AnAverageMayHoldMorePeaksThanOneScan) {
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  const uint32_t first = Seg(0).firstScan + 100, last = first + 39;
  STRUCT_TOL_SPT* tol = TOL_MakeAvgSptFromScanRange(wf_, &merged, first, last);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(+tol->scansAveraged, 40);
  double total = 0;
  size_t most = 0;
  for (uint32_t s = first; s <= last; ++s) {
    const std::vector<Peak> p = Scan(s, CHAN_LIST_MERGED);
    total += double(Total(p));
    most = std::max(most, p.size());
  }
  EXPECT_GT(+tol->pairCount, most);
  EXPECT_NEAR(double(Total(PeaksOf(tol))), total / 40, 0.5 * +tol->pairCount + 1);
  TOL_Free(tol);
  STRUCT_TOL_SPT* ext = TOL_MakeAvgSptFromScanRangeExEx(wf_, &merged, nullptr, first, last, nullptr, 0);
  ASSERT_NE(ext, nullptr);
  EXPECT_NEAR(double(Total(PeaksOf(ext))), total / 40, 0.5 * +ext->pairCount + 1);
  TOL_Free(ext);
}

TEST_F(RunSpectra, ScanFunctionArraysChooseTheChannelsAndTravelWithTheRecord) {
  int16_t count = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf_, &count, 0);
  ASSERT_NE(info, nullptr);
  STRUCT_SCAN_FUN_ARRAY* funs = SCAN_FUN_GetAllScanFunsForSegment(wf_, 1, info, count);
  ASSERT_NE(funs, nullptr);
  const uint32_t first = Seg(1).firstScan + 10, last = Seg(1).firstScan + 19;
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  STRUCT_TOL_SPT* byList = TOL_MakeAvgSptFromScanRange(wf_, &merged, first, last);
  STRUCT_TOL_SPT* byFuns = TOL_MakeAvgSptFromScanRangeEx(wf_, nullptr, funs, first, last);
  ASSERT_TRUE(byList && byFuns);
  EXPECT_EQ(+byFuns->chanList.kind, uint32_t(CHAN_LIST_LISTED));  // both functions of the segment, listed
  EXPECT_EQ(Total(PeaksOf(byFuns)), Total(PeaksOf(byList)));
  ASSERT_NE(+byFuns->scanFuns, nullptr);
  EXPECT_NE(+byFuns->scanFuns, funs);
  STRUCT_TOL_SPT* copy = TOL_CopySpectrum(byFuns);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(+copy->scanFuns, +byFuns->scanFuns);
  TOL_Free(copy);
  STRUCT_TOL_SPT* ext = TOL_MakeAvgSptFromScanRangeExEx(wf_, nullptr, funs, first, last, info, uint16_t(count));
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(Total(PeaksOf(ext)), Total(PeaksOf(byList)));
  EXPECT_EQ(+ext->chanList.kind, uint32_t(CHAN_LIST_LISTED));
  TOL_Free(ext);
  TOL_Free(byList);
  TOL_Free(byFuns);
  FreeBlock(funs);
  FreeBlock(info);
}

namespace {

class ProfileRun : public MsRunTest {
 protected:
  void SetUp() override {
    MsRunTest::SetUp();
    msfix::RunPlan plan = Plan(true);
    plan.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    Open(plan);
  }
};

}  // namespace

TEST_F(ProfileRun, ProfileAveragesKeepTheirSamplingPoints) {
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  const uint32_t first = Seg(0).firstScan + 30, last = first + 5;
  STRUCT_TOL_SPT* tol = TOL_MakeAvgSptFromScanRange(wf_, &merged, first, last);
  ASSERT_NE(tol, nullptr);
  EXPECT_EQ(+tol->profile, 1);
  double total = 0;
  for (uint32_t s = first; s <= last; ++s) total += double(Total(Scan(s, CHAN_LIST_MERGED)));
  EXPECT_NEAR(double(Total(PeaksOf(tol))), total / 6, 0.5 * +tol->pairCount + 1);
  STRUCT_SPT_PLUS* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  const uint32_t before = tol->pairCount;
  PlusSpt_InitTolSpt(spt, tol, path_.c_str());
  EXPECT_EQ(+spt->tolSpt->pairCount, before);  // profile keeps its zero points
  EXPECT_EQ(PlusSpt_IsProfileData(spt), 1);
  EXPECT_EQ(+spt->tolSpt->precision, 1);
  PlusSpt_Free(spt);
}

TEST_F(ProfileRun, HalfHeightsInResearchMode) {
  DF_HALF_HEIGHT item{};
  item.segment = 1;
  item.scanFunction = 0;
  item.kind = 1;
  item.width = 600;
  ASSERT_TRUE(WriteHalfHeights(+path_.c_str(), +wf_->fileType, +wf_->module, &item, 1));
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  const uint32_t first = Seg(0).firstScan + 30;
  STRUCT_TOL_SPT* off = TOL_MakeAvgSptFromScanRange(wf_, &merged, first, first + 3);
  ASSERT_NE(off, nullptr);
  EXPECT_EQ(+off->halfHeightsPresent, 0);
  TOL_Free(off);

  kelt::lib::ProcessDetach();
  ASSERT_TRUE(WritePrivateProfileStringA("CanShowHalfHeights", "CanShowHalfHeights", "1", "C:\\Workstation\\tolview.ini"));
  kelt::lib::ProcessAttach();
  ASSERT_EQ(kelt::lib::Settings().canShowHalfHeights, 1);
  STRUCT_TOL_SPT* on = TOL_MakeAvgSptFromScanRange(wf_, &merged, first, first + 3);
  kelt::lib::ProcessDetach();
  DeleteFileA("C:\\Workstation\\tolview.ini");
  kelt::lib::ProcessAttach();
  ASSERT_NE(on, nullptr);
  EXPECT_EQ(+on->halfHeightsPresent, 1);
  EXPECT_EQ(+on->halfHeightKind, 1);
  EXPECT_EQ(+on->halfHeightWidth, 600u);
  TOL_Free(on);
}

TEST_F(RunSpectra, BothBackgroundPathsAgreeBetweenTwoWindows) {
  STRUCT_CHAN_LIST merged = Channels(CHAN_LIST_MERGED);
  const uint32_t w1 = Seg(0).firstScan + 10, w2 = Seg(0).firstScan + 60;
  STRUCT_FILE_BC* bc = NewBackCorr(wf_);
  bc = AddBackCorrRange(bc, w1, 0, w1 + 1, 0.2);
  bc = AddBackCorrRange(bc, w2, 0, w2 + 1, 0.2);
  ASSERT_NE(bc, nullptr);
  bc->extendedBackground = 1;
  const uint32_t s = Seg(0).firstScan + 35;
  STRUCT_TOL_SPT* a = TOL_MakeBCSptForScanFromFileBC(wf_, s, &merged, bc);
  STRUCT_TOL_SPT* b = TOL_MakeBCSptForScanFromFileBCExEx(wf_, s, &merged, nullptr, bc, nullptr, 0);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(Total(PeaksOf(a)), Total(PeaksOf(b)));
  EXPECT_EQ(+a->pairCount, +b->pairCount);
  EXPECT_EQ(+a->extendedBg, 1);
  EXPECT_EQ(+b->bgMade, 1);
  EXPECT_EQ(+b->header.scanNumber, s);
  // The window halfway between: each mass about the mean of the windows'.
  const std::vector<Peak> p1 = Scan(w1, CHAN_LIST_MERGED), p2 = Scan(w2, CHAN_LIST_MERGED);
  MS_SCAN_HEADER h1, h2, hs;
  Scan(w1, CHAN_LIST_MERGED, &h1);
  Scan(w2, CHAN_LIST_MERGED, &h2);
  Scan(s, CHAN_LIST_MERGED, &hs);
  const double f = (hs.time - h1.time) / (h2.time - h1.time);
  EXPECT_NEAR(double(Total(PeaksOf(a))), double(Total(p1)) + f * (double(Total(p2)) - double(Total(p1))),
              1.0 + a->pairCount);
  TOL_Free(a);
  TOL_Free(b);
  FreeBackCorr(bc);
}

TEST(TolRecord, DifferencePairsBecomeNominalIntegerPairs) {
  const DIFF_PAIR pairs[] = {{50.2, 10.9}, {50.4, 5.0}, {51.0, -7.0}, {77.6, 3.0}};
  TOL_PAIR* out = nullptr;
  int32_t n = 0;
  ASSERT_EQ(TOL_ConvertDiffPairsToTolPairs(pairs, 4, &out, &n), 1);
  ASSERT_NE(out, nullptr);
  STRUCT_GLOBAL_PREFS prefs;
  KELT_GetCurrDefGlobalPrefs(&prefs);
  ASSERT_EQ(+prefs.features.massOffset, 0.0);  // the default: no offset
  ASSERT_EQ(n, 3);  // 50 (10 + 5), 51 (a negative intensity counts 0), 78
  EXPECT_EQ(+out[0].mass, 50);
  EXPECT_EQ(+out[0].intensity, 15u);
  EXPECT_EQ(+out[1].intensity, 0u);
  EXPECT_EQ(+out[2].mass, 78);
  TOL_FreeTolPairs(out);
  TOL_FreeXTolPairs(nullptr);
}
