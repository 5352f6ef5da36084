// Background-correction times of a target compound and the channel check,
// on generated runs.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "holbrin/dh_records.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"
#include "quorna/quorna.h"
#include "quant/peak_measurement.h"
#include "quant_test_support.h"
#include "reportmakers/spectra_of_compounds.h"
#include "spectra/spectrum_kinds.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"

namespace {

using namespace quant_test;

class CompoundSpectraTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    msfix::RunPlan plan;
    plan.compounds = 3;
    plan.scans = 900;
    plan.peaksPerScan = 120;
    ASSERT_TRUE(msfix::WriteMsDataFile(kData, plan, &truth_));
  }
  // A compound of the run quantitated on its base peak.
  STRUCT_DH_COMPOUND CompoundOf(const msfix::CompoundTruth& c, int32_t halfWidth) const {
    STRUCT_DH_COMPOUND r;
    std::memset(&r, 0, sizeof r);
    r.retentionTime = uint32_t(c.retentionTime * 1000.0);
    r.windowHalfWidth = halfWidth;
    r.secondWindowHalfWidth = 100;
    r.massList.kind = 4;
    r.massList.count = 1;
    r.massList.ranges[0].lowMass = r.massList.ranges[0].highMass = c.baseMass;
    return r;
  }
  msfix::RunTruth truth_;
};

TEST_F(CompoundSpectraTest, BackgroundTimesLieEitherSideOfTheApex) {
  for (const msfix::CompoundTruth& c : truth_.compounds) {
    SCOPED_TRACE(c.name);
    STRUCT_DH_COMPOUND r = CompoundOf(c, 300);
    double a = -1, b = -1;
    ASSERT_EQ(TOL_GetTargetBCSptTimes(kData, &r, &a, &b), BC_TIMES_FOUND);
    EXPECT_LT(a, c.retentionTime - 2 * c.sigma);
    EXPECT_GT(b, c.retentionTime + 2 * c.sigma);
    EXPECT_GE(a, c.retentionTime - 0.3 - 1e-9);
    EXPECT_LE(b, c.retentionTime + 0.3 + 1e-9);
    EXPECT_DOUBLE_EQ(r.massList.massWindow, 0.5);  // a window of 0 taken as 0.5
  }
}

TEST_F(CompoundSpectraTest, TooFewPointsOrAnotherFileLeaveTheTimesZero) {
  const msfix::CompoundTruth& c = truth_.compounds.front();
  const double scan = (truth_.endTime - truth_.startTime) / (truth_.scanTimes.size() - 1);
  // Nine scans in the window.
  STRUCT_DH_COMPOUND r = CompoundOf(c, int32_t(4.2 * scan * 1000.0));
  double a = -1, b = -1;
  EXPECT_EQ(TOL_GetTargetBCSptTimes(kData, &r, &a, &b), BC_TIMES_NO_DATA);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kData, 0);
  ASSERT_NE(wf, nullptr);
  r = CompoundOf(c, 300);
  a = b = -1;
  EXPECT_EQ(TOL_GetTargetBCSptTimesEx("C:\\Data\\OTHER.KMS", wf, nullptr, 0, &r, &a, &b), BC_TIMES_NO_DATA);
  EXPECT_EQ(a + b, 0.0);
  EXPECT_EQ(TOL_GetTargetBCSptTimesEx("c:\\data\\sample1.kms", wf, nullptr, 0, &r, &a, &b), BC_TIMES_FOUND);
  EXPECT_EQ(TOL_GetTargetBCSptTimesEx(nullptr, nullptr, nullptr, 0, &r, &a, &b), BC_TIMES_NO_DATA);
  FreeWorkFileStruct(wf);
}

TEST_F(CompoundSpectraTest, ChannelsAreCheckedInTheSegmentOfTheTime) {
  // Segment 1 has one scan function, segment 2 two.
  const double inFirst = (truth_.segments[0].startTime + truth_.segments[0].endTime) / 2;
  const double inSecond = (truth_.segments[1].startTime + truth_.segments[1].endTime) / 2;
  struct Case {
    uint16_t low, high;
    double time;
    int16_t expected;
  } cases[] = {
      {0, 0, inFirst, CHANNELS_ALL},   {1, 1, inFirst, CHANNELS_NONE},  {0, 1, inFirst, CHANNELS_SOME},
      {1, 1, inSecond, CHANNELS_ALL},  {0, 0, -1.0, CHANNELS_ALL},
      {5, 5, -1.0, CHANNELS_NONE},     {1, 1, truth_.segments[1].startTime, CHANNELS_ALL},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.low << "-" << k.high << " at " << k.time);
    STRUCT_CHAN_LIST l;
    std::memset(&l, 0, sizeof l);
    l.kind = 1;
    l.count = 1;
    l.entries[0].low = k.low;
    l.entries[0].high = k.high;
    EXPECT_EQ(MORVEX_IsValidChannels(&l, kData, k.time), k.expected);
  }
  STRUCT_CHAN_LIST merged;
  std::memset(&merged, 0, sizeof merged);
  EXPECT_EQ(MORVEX_IsValidChannels(&merged, kData, 1.0), CHANNELS_ALL);
}

// A result step of a method compound at the compound's apex scan.
STRUCT_RESULT_STEP StepAt(const msfix::RunTruth& truth, const msfix::CompoundTruth& c, float bg1, float bg2) {
  STRUCT_RESULT_STEP s;
  std::memset(&s, 0, sizeof s);
  s.kind = 0;
  s.searchType = 1;  // not a spectrum match: the peak scan is used
  size_t best = 0;
  for (size_t i = 0; i < truth.scanTimes.size(); ++i)
    if (std::fabs(truth.scanTimes[i] - c.retentionTime) < std::fabs(truth.scanTimes[best] - c.retentionTime)) best = i;
  s.peakScan = int32_t(truth.firstScan + best);
  s.matchScan = -1;
  s.backgroundStart = bg1;
  s.backgroundEnd = bg2;
  std::snprintf(s.name, sizeof s.name, "%s", c.name.c_str());
  return s;
}

TEST_F(CompoundSpectraTest, SampleSpectraByModeWithTheirTitles) {
  const msfix::CompoundTruth& c = truth_.compounds[1];
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kData, 0);
  ASSERT_NE(wf, nullptr);
  STRUCT_DH_COMPOUND r = CompoundOf(c, 300);
  struct Case {
    const char* what;
    float bg1, bg2;
    bool withCompound;
    int16_t mode;
    bool made;
    const char* titleStart;
    const char* titleEnd;
    bool background;
  } cases[] = {
      {"plain", 0, 0, false, CMPD_SPT_PLAIN, true, "Raw Sample Spectrum for Scan: ", " min.", false},
      {"stored times", float(c.retentionTime - 0.2), float(c.retentionTime + 0.2), false, CMPD_SPT_CORRECTED, true,
       "Sample Spectrum for Scan: ", " min. BC", false},
      {"one stored time missing, searched", 0, 2.5f, true, CMPD_SPT_CORRECTED, true, "Sample Spectrum for Scan: ",
       " min. BC", false},
      {"no times and no compound", 0, 2.5f, false, CMPD_SPT_CORRECTED, false, "", "", false},
      {"background beside it", float(c.retentionTime - 0.2), float(c.retentionTime + 0.2), false,
       CMPD_SPT_WITH_BACKGROUND, true, "Raw Sample Spectrum for Scan: ", " min.", true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const STRUCT_RESULT_STEP step = StepAt(truth_, c, k.bg1, k.bg2);
    STRUCT_SPT_PLUS* spt = TOL_MakeSptFromTolQuanRecord(wf, &step, k.withCompound ? &r : nullptr, k.mode);
    ASSERT_EQ(spt != nullptr, k.made);
    if (!spt) continue;
    const std::string title = spt->mainTitle;
    EXPECT_EQ(title.rfind(k.titleStart, 0), 0u) << title;
    EXPECT_EQ(title.substr(title.size() - std::strlen(k.titleEnd)), k.titleEnd) << title;
    EXPECT_NE(title.find(std::to_string(step.peakScan)), std::string::npos) << title;
    EXPECT_EQ(spt->background != nullptr, k.background);
    EXPECT_GT(PlusSpt_GetPairCount(spt), 0);
    PlusSpt_Free(spt);
  }
  // The time form takes the spectrum at the time given.
  const STRUCT_RESULT_STEP step = StepAt(truth_, c, 0, 0);
  STRUCT_SPT_PLUS* spt = TOL_MakeSptFromTimeAndTolQuanRecord(wf, c.retentionTime, &step, &r, CMPD_SPT_PLAIN);
  ASSERT_NE(spt, nullptr);
  EXPECT_EQ(std::string(spt->mainTitle).rfind("Raw Sample Spectrum for Scan: ", 0), 0u);
  PlusSpt_Free(spt);
  FreeWorkFileStruct(wf);
}

TEST_F(CompoundSpectraTest, ReferenceSpectrumIsScaledAndCutAtItsThreshold) {
  STRUCT_DH_COMPOUND r = CompoundOf(truth_.compounds[0], 300);
  STRUCT_REF_EX_SPT ref;
  std::memset(&ref, 0, sizeof ref);
  const std::pair<double, uint32_t> ions[] = {{51.02, 400}, {77.04, 5000}, {105.03, 2000}, {106.04, 300}};
  ref.pairCount = 4;
  for (int i = 0; i < 4; ++i) {
    ref.pairs[i].mass = ions[i].first;
    ref.pairs[i].intensity = ions[i].second;
  }
  std::memcpy(r.referenceSpectrum, &ref, sizeof ref);
  const int16_t threshold = 7;  // percent of the base peak
  std::memcpy(reinterpret_cast<uint8_t*>(&r) + 3361, &threshold, 2);
  STRUCT_SPT_PLUS* spt = KELT_MakeSptFromPeakMatrixRecord(&r);
  ASSERT_NE(spt, nullptr);
  EXPECT_STREQ(spt->mainTitle, "Chan: Merged");
  ASSERT_EQ(PlusSpt_GetPairCount(spt), 3);  // 300 of 5000 is below 7 %
  double mass;
  uint32_t intensity;
  ASSERT_TRUE(PlusSpt_GetMassInt(spt, 1, &mass, &intensity));
  EXPECT_NEAR(mass, 77.04, 1e-9);
  EXPECT_EQ(intensity, 999u);
  EXPECT_NEAR(spt->basePeakMass, 77.04, 1e-9);
  PlusSpt_Free(spt);
  // A long channel list is cut with the title.
  r.chanList.kind = 1;
  r.chanList.count = 10;
  for (uint16_t i = 0; i < 10; ++i) {
    r.chanList.entries[i].lowChannel = uint16_t(10 * i + 100);
    r.chanList.entries[i].highChannel = uint16_t(10 * i + 105);
  }
  spt = KELT_MakeSptFromPeakMatrixRecord(&r);
  ASSERT_NE(spt, nullptr);
  EXPECT_EQ(std::strlen(spt->mainTitle), 80u);
  PlusSpt_Free(spt);
  // A record without a stored spectrum gives none.
  std::memset(r.referenceSpectrum, 0, sizeof r.referenceSpectrum);
  r.referenceSpectrumCount = 0;
  EXPECT_EQ(KELT_MakeSptFromPeakMatrixRecord(&r), nullptr);
}

// A plot's trace processed against the background window its settings
// give: processed points replace the old ones, the intensity range follows
// the shown points.
TEST(ReprocessPlotTraceTest, ProcessedPointsAndTheirRange) {
  auto overlay = std::make_unique<SVW_OVERLAY>();
  std::memset(overlay.get(), 0, sizeof *overlay);
  STRUCT_NE_DATA_POINTS trace;
  std::memset(&trace, 0, sizeof trace);
  // Ten points a tenth of a minute apart from 1.0: a level of 100 (at 1.0
  // to 1.3 counts 98, 102, 99, 101), a peak of 500 at 1.6.
  const int64_t values[] = {98, 102, 99, 101, 100, 300, 600, 300, 100, 100};
  const uint32_t n = 10;
  // The records are packed: their fields are read through copies.
  STRUCT_NE_POINT_BLOCK* points =
      static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * n));
  ASSERT_NE(points, nullptr);
  for (uint32_t i = 0; i < n; ++i) {
    NePointAt(points, i)->time = 1.0 + 0.1 * i;
    NePointAt(points, i)->value.i = values[i];
  }
  trace.points = points;
  trace.pointCount = n;
  auto processed = [&] { return static_cast<STRUCT_NE_POINT_BLOCK*>(trace.filtered); };
  auto low = [&] { return double(overlay->tail.minInView[2]); };
  auto high = [&] { return double(overlay->tail.maxInView[2]); };
  overlay->slots[2].trace = &trace;
  overlay->tail.firstShownIndex[2] = 1;
  overlay->tail.lastShownIndex[2] = 7;
  std::vector<uint8_t> settings(400, 0);
  auto set = [&](uint32_t a, uint32_t b) {
    std::memcpy(&settings[PLOT_PROCESSING_SETTING1], &a, 4);
    std::memcpy(&settings[PLOT_PROCESSING_SETTING2], &b, 4);
  };
  // No settings: nothing done, nothing changed.
  EXPECT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), 2, settings.data()), 0);
  EXPECT_EQ(processed(), nullptr);
  // The window 0.95 to 1.35 minutes, in either order.
  for (auto [a, b] : {std::pair<uint32_t, uint32_t>{950, 1350}, {1350, 950}}) {
    set(a, b);
    overlay->tail.minInView[2] = overlay->tail.maxInView[2] = -7;
    ASSERT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), 2, settings.data()), 1);
    ASSERT_NE(processed(), nullptr);
    EXPECT_EQ(uint32_t(trace.filteredCount), n);
    EXPECT_EQ(uint32_t(processed()->isDouble), 1u);
    for (uint32_t i = 0; i < n; ++i) {
      EXPECT_EQ(double(NePointAt(processed(), i)->time), double(NePointAt(points, i)->time));
      EXPECT_DOUBLE_EQ(NePointValue(processed(), i), double(values[i]) - 100.0) << i;
    }
    // Shown points 1 to 7: 2 at point 1 down to -1 at point 2, up to 500.
    EXPECT_DOUBLE_EQ(low(), -1.0);
    EXPECT_DOUBLE_EQ(high(), 500.0);
  }
  // A shown range past the points is read only where there are points.
  overlay->tail.firstShownIndex[2] = -3;
  overlay->tail.lastShownIndex[2] = 40;
  ASSERT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), 2, settings.data()), 1);
  EXPECT_DOUBLE_EQ(low(), -2.0);
  EXPECT_DOUBLE_EQ(high(), 500.0);
  // A window without points: no processed points are left behind.
  set(5000, 6000);
  EXPECT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), 2, settings.data()), 0);
  EXPECT_EQ(processed(), nullptr);
  EXPECT_EQ(uint32_t(trace.filteredCount), 0u);
  // No trace, no overlay, a slot out of range, no settings block.
  set(950, 1350);
  EXPECT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), 3, settings.data()), 0);
  EXPECT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), OVERLAY_SLOTS, settings.data()), 0);
  EXPECT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), -1, settings.data()), 0);
  EXPECT_EQ(RPTS_ReprocessPlotTrace(nullptr, 2, settings.data()), 0);
  EXPECT_EQ(RPTS_ReprocessPlotTrace(overlay.get(), 2, nullptr), 0);
  FreeBlock(points);
}

}  // namespace
