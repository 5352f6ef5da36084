// Internal standards confirmed in generated runs, duplicates, amounts of
// unknown peaks, relative times and percents, and the calibration tests of
// a compound table.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/compound_fields.h"
#include "quant/internal_standards.h"
#include "quant/peak_flags.h"
#include "quant_accuracy.h"
#include "quant_test_support.h"
#include "win/win_user.h"

namespace {

using namespace quant_test;
using namespace quant_accuracy;

constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
constexpr char kSample[] = "C:\\Data\\SAMPLE.KMS";

STRUCT_RESULT_STEP PeakStep(float time, float area, float height, int32_t kind = RESULT_KIND_TIC) {
  STRUCT_RESULT_STEP s;
  std::memset(&s, 0, sizeof s);
  s.kind = kind;
  s.retentionTime = time;
  s.area = area;
  s.height = height;
  s.startTime = time - 0.05f;
  s.endTime = time + 0.05f;
  s.width = 3.0f;
  s.compoundNumber = -1;
  return s;
}

class InternalStandardsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    std::memset(options_, 0, sizeof options_);
    InitQuantOptions(options_);
    Put<float>(OPTIONS_SCALE_NUMERATOR, 1.0f);
    Put<float>(OPTIONS_SCALE_DENOMINATOR, 1.0f);
    Put<float>(OPTIONS_SAMPLE_AMOUNT, 1.0f);
  }
  template <class T>
  void Put(size_t offset, T v) {
    std::memcpy(options_ + offset, &v, sizeof v);
  }
  // Results: the compound steps, then the peaks, with their counts.
  void WriteResults(const std::vector<STRUCT_RESULT_STEP>& compounds, const std::vector<STRUCT_RESULT_STEP>& peaks,
                    int16_t calculationType = 3, int16_t responseBasis = 1) {
    if (!FileExists(kSample)) NewDataFile(kSample);
    HSECTION s = CreateTolResults(kSample, int16_t(compounds.size() + peaks.size()));
    ASSERT_NE(s, nullptr);
    STRUCT_RESULTS_HEADER h;
    std::memset(&h, 0, sizeof h);
    std::memcpy(h.options, options_, sizeof options_);
    h.version = RESULTS_FORMAT_VERSION;
    h.calculationType = calculationType;
    h.responseBasis = responseBasis;
    for (const auto& c : compounds) AddResultKindCount(&h, c.kind, 1);
    for (const auto& p : peaks) AddResultKindCount(&h, p.kind, 1);
    ASSERT_TRUE(WriteTolResults(s, &h));
    uint16_t i = 0;
    for (const auto& c : compounds) ASSERT_TRUE(WriteTolResultStep(s, i++, &c));
    for (const auto& p : peaks) ASSERT_TRUE(WriteTolResultStep(s, i++, &p));
    CloseSection(s);
  }
  std::vector<STRUCT_RESULT_STEP> Steps(STRUCT_RESULTS_HEADER* header = nullptr) {
    std::vector<STRUCT_RESULT_STEP> out;
    HSECTION s = OpenTolResultsReadOnly(kSample);
    if (!s) return out;
    STRUCT_RESULTS_HEADER h;
    ReadTolResults(s, &h);
    if (header) *header = h;
    for (int32_t i = 0; i < CountTolResultSteps(s); ++i) {
      STRUCT_RESULT_STEP st;
      ReadTolResultStep(s, uint16_t(i), &st);
      out.push_back(st);
    }
    CloseSection(s);
    return out;
  }
  // A sample of the accuracy design with its compounds integrated and one
  // full-chromatogram peak per compound, plus one peak between them.
  void IntegratedSample(std::vector<STRUCT_RESULT_STEP>* compounds, std::vector<STRUCT_RESULT_STEP>* peaks) {
    Design d;
    // Every compound active (the standards too).
    ASSERT_TRUE(WriteMethod(kMethod, d, &method_, [](int, STRUCT_DH_COMPOUND& c) { c.usesInternalStandard = 1; }));
    SampleSpec s;
    s.amounts = {5, 10, 20, 40};
    ASSERT_TRUE(WriteSample(kSample, d, s, method_, &truth_));
    for (const CompoundResult& r : IntegrateAll(kSample, kMethod, method_.moduleId, method_.moduleAddress, 2))
      compounds->push_back(r.step);
    for (size_t i = 0; i < compounds->size(); ++i) {
      const STRUCT_RESULT_STEP& c = (*compounds)[i];
      peaks->push_back(PeakStep(c.retentionTime + 0.002f, c.area * 3, c.height * 3));
    }
    peaks->push_back(PeakStep(5.0f, 1000, 100, RESULT_KIND_UNKNOWN));
  }
  uint8_t options_[QUANT_OPTIONS_SIZE];
  msfix::DHTruth method_;
  msfix::RunTruth truth_;
};

TEST_F(InternalStandardsTest, NearestStandardTakesTheFirstOfEqualDistances) {
  STRUCT_ACTIVE_IS_TABLE t;
  std::memset(&t, 0, sizeof t);
  EXPECT_EQ(FindNearestIS(5.0f, &t), -1);
  t.count = 3;
  t.entries[0].retentionTime = 4.0f;
  t.entries[1].retentionTime = 6.0f;
  t.entries[2].retentionTime = 9.0f;
  EXPECT_EQ(FindNearestIS(5.0f, &t), 0);
  EXPECT_EQ(FindNearestIS(5.9f, &t), 1);
  EXPECT_EQ(FindNearestIS(100.0f, &t), 2);
  t.count = 1;
  t.entries[0].retentionTime = 20000.0f;
  EXPECT_EQ(FindNearestIS(1.0f, &t), -1);  // 10,000 minutes away or more is never near
  t.count = 1000;                          // a damaged count reads no further than the table
  EXPECT_GE(FindNearestIS(1.0f, &t), -1);
}

TEST_F(InternalStandardsTest, TheStandardIsConfirmedByItsSpectrumInItsWindow) {
  std::vector<STRUCT_RESULT_STEP> compounds, peaks;
  IntegratedSample(&compounds, &peaks);
  ASSERT_EQ(compounds.size(), 5u);
  WriteResults(compounds, peaks);
  HSECTION s = OpenTolResults(kSample);
  ASSERT_NE(s, nullptr);
  STRUCT_RESULTS_HEADER h;
  ASSERT_TRUE(ReadTolResults(s, &h));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
  STRUCT_ACTIVE_IS_TABLE table;
  std::memset(&table, 0xEE, sizeof table);
  ASSERT_EQ(BuildActiveISTable(s, &h, kSample, wf, kMethod, options_, &table), 1);
  CloseSection(s);
  FreeWorkFileStruct(wf);
  const ACTIVE_IS_ENTRY& e = table.entries[0];
  EXPECT_EQ(+e.compoundNumber, int32_t(method_.compounds[0].number));
  EXPECT_EQ(+e.stepIndex, 5);  // the first peak step
  EXPECT_FLOAT_EQ(+e.retentionTime, peaks[0].retentionTime);
  EXPECT_FLOAT_EQ(+e.area, peaks[0].area);
  EXPECT_FLOAT_EQ(+e.amount, float(method_.compounds[0].amount));  // level 0 x sample amount 1.0
}

TEST_F(InternalStandardsTest, WithoutAStandardTheUnknownsReportRawResults) {
  std::vector<STRUCT_RESULT_STEP> compounds, peaks;
  IntegratedSample(&compounds, &peaks);
  peaks.erase(peaks.begin());  // nothing in the standard's window
  WriteResults(compounds, peaks);
  HSECTION s = OpenTolResults(kSample);
  STRUCT_RESULTS_HEADER h;
  ASSERT_TRUE(ReadTolResults(s, &h));
  STRUCT_ACTIVE_IS_TABLE table;
  std::memset(&table, 0xEE, sizeof table);
  EXPECT_EQ(BuildActiveISTable(s, &h, kSample, nullptr, kMethod, options_, &table), 0);
  EXPECT_EQ(+table.count, 0);
  CloseSection(s);
  const std::vector<STRUCT_RESULT_STEP> steps = Steps();
  for (size_t i = 5; i < steps.size(); ++i) {
    EXPECT_EQ(+steps[i].rawResults, 1);
    EXPECT_NE(steps[i].resultFlags & 0x4000u, 0u);
  }
  // A method that cannot be read leaves an empty table too.
  s = OpenTolResults(kSample);
  std::memset(&table, 0xEE, sizeof table);
  EXPECT_EQ(BuildActiveISTable(s, &h, kSample, nullptr, "C:\\Data\\NONE.MTH", options_, &table), 0);
  EXPECT_EQ(+table.count, 0);
  CloseSection(s);
}

TEST_F(InternalStandardsTest, TheTableStopsAtFiftyStandards) {
  std::vector<STRUCT_RESULT_STEP> compounds, peaks;
  IntegratedSample(&compounds, &peaks);
  // 52 standards of the method, all found at the first compound's peak.
  STRUCT_DH_COMPOUND standard;
  HDHTABLE t = OpenCompoundTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
  ASSERT_TRUE(GetDHRecord(t, 0, &standard));
  FreeDHRecordSet(t);
  t = CreateCompoundTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
  std::vector<STRUCT_RESULT_STEP> many;
  for (uint32_t n = 1; n <= 52; ++n) {
    standard.compoundNumber = n;
    ASSERT_TRUE(AppendDHRecord(t, &standard));
    STRUCT_RESULT_STEP c = compounds[0];
    c.compoundNumber = int32_t(n);
    many.push_back(c);
  }
  FreeDHRecordSet(t);
  WriteResults(many, {peaks[0]});
  HSECTION s = OpenTolResults(kSample);
  STRUCT_RESULTS_HEADER h;
  ASSERT_TRUE(ReadTolResults(s, &h));
  std::vector<uint8_t> guarded(sizeof(STRUCT_ACTIVE_IS_TABLE) + 64, 0xCD);
  auto* table = reinterpret_cast<STRUCT_ACTIVE_IS_TABLE*>(guarded.data());
  EXPECT_EQ(BuildActiveISTable(s, &h, kSample, nullptr, kMethod, options_, table), ACTIVE_IS_MAX);
  CloseSection(s);
  for (size_t i = sizeof(STRUCT_ACTIVE_IS_TABLE); i < guarded.size(); ++i) ASSERT_EQ(guarded[i], 0xCD) << i;
}

TEST_F(InternalStandardsTest, PeaksInsideAFoundCompoundsWindowBecomeDuplicates) {
  STRUCT_RESULT_STEP standard = PeakStep(6.0f, 1e5f, 1e4f, RESULT_KIND_IDENTIFIED);
  standard.width = 6.0f;  // +-0.05 min
  std::snprintf(standard.flagText, sizeof standard.flagText, "%s", "S");
  STRUCT_RESULT_STEP analyte = PeakStep(8.0f, 1e5f, 1e4f, RESULT_KIND_FAILED);
  analyte.width = 6.0f;
  STRUCT_RESULT_STEP missing = PeakStep(9.0f, 0, 0, RESULT_KIND_MISSING);
  WriteResults({standard, analyte, missing},
               {PeakStep(5.95f, 1, 1),                       // on the window start: never taken
                PeakStep(5.98f, 1, 1), PeakStep(6.01f, 1, 1),  // the nearer one is taken
                PeakStep(7.97f, 1, 1, RESULT_KIND_UNKNOWN),
                PeakStep(9.0f, 1, 1)});                     // a missing compound takes nothing
  HSECTION s = OpenTolResults(kSample);
  STRUCT_RESULTS_HEADER h;
  ASSERT_TRUE(ReadTolResults(s, &h));
  EXPECT_EQ(MarkIdentifiedPeaks(s, &h), 2);
  CloseSection(s);
  STRUCT_RESULTS_HEADER back;
  const std::vector<STRUCT_RESULT_STEP> steps = Steps(&back);
  std::vector<int32_t> kinds;
  for (size_t i = 3; i < steps.size(); ++i) kinds.push_back(int32_t(steps[i].kind));
  EXPECT_EQ(kinds, (std::vector<int32_t>{3, 3, 5, 5, 3}));
  EXPECT_EQ(+back.countDuplicate, 2);
  EXPECT_EQ(+back.countTIC, 3);
  EXPECT_EQ(+back.countUnknown, 0);
  // The standard's duplicate carries its marks.
  EXPECT_NE(steps[5].resultFlags & 0x80u, 0u);
  EXPECT_EQ(steps[5].flags & 0x100, 0x100);
  EXPECT_EQ(steps[6].resultFlags & 0x80u, 0u);
}

TEST_F(InternalStandardsTest, UnknownAmountsByTheNearestStandardOrAFixedFactor) {
  Put<float>(OPTIONS_SCALE_NUMERATOR, 2.0f);
  Put<float>(OPTIONS_SCALE_DENOMINATOR, 4.0f);
  STRUCT_RESULT_STEP withS = PeakStep(9.0f, 3000, 300);
  std::snprintf(withS.flagText, sizeof withS.flagText, "%s", "S");
  WriteResults({PeakStep(4.0f, 1, 1, RESULT_KIND_IDENTIFIED)},
               {PeakStep(4.5f, 2000, 200), withS, PeakStep(20.0f, 500, 50)});
  STRUCT_ACTIVE_IS_TABLE table;
  std::memset(&table, 0, sizeof table);
  table.count = 2;
  table.entries[0] = {4.0f, 10.0f, 100.0f, 1000.0f, "ng", 1, 1, 0};
  table.entries[1] = {10.0f, 20.0f, 50.0f, 4000.0f, "ug", 2, 2, 'U'};
  STRUCT_DH_GLOBAL_PARAMS g;
  InitGlobalParams(&g);
  g.unknownQuantKind = 0;
  ASSERT_TRUE(QuantitateUnknownPeaks(kSample, &g, &table, options_));
  std::vector<STRUCT_RESULT_STEP> steps = Steps();
  // 2000 / (1000 / 10) x 2 / 4; 3000 / (4000 / 20) unscaled ("S"); 500 / 200 x 0.5.
  EXPECT_FLOAT_EQ(+steps[1].amount, 10.0f);
  EXPECT_STREQ(steps[1].units, "ng");
  EXPECT_EQ(+steps[1].standardNumber, 1);
  EXPECT_FLOAT_EQ(+steps[2].amount, 15.0f);
  EXPECT_EQ(steps[2].peakFlag, 'U');
  EXPECT_FLOAT_EQ(+steps[3].amount, 1.25f);
  EXPECT_FLOAT_EQ(+steps[3].standardAmount, 20.0f);

  struct Case {
    double factor;
    float amount;
    const char* units;
  } cases[] = {{1.0, 1000.0f, "Counts"}, {4.0, 250.0f, ""}, {0.0, 0.0f, ""}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.factor);
    WriteResults({}, {PeakStep(4.5f, 2000, 200)});
    g.unknownQuantKind = 2;
    g.unknownResponseFactor = k.factor;
    ASSERT_TRUE(QuantitateUnknownPeaks(kSample, &g, &table, options_));
    steps = Steps();
    EXPECT_FLOAT_EQ(+steps[0].amount, k.amount);  // a factor of 0 leaves the step alone
    EXPECT_STREQ(steps[0].units, k.units);
  }
  EXPECT_FALSE(QuantitateUnknownPeaks("C:\\Data\\NONE.KMS", &g, &table, options_));
  // A standard without an amount gives no amount; a zero denominator no scale.
  WriteResults({}, {PeakStep(4.5f, 2000, 200)});
  table.count = 1;
  table.entries[0].amount = 0;
  g.unknownQuantKind = 0;
  ASSERT_TRUE(QuantitateUnknownPeaks(kSample, &g, &table, options_));
  EXPECT_FLOAT_EQ(+Steps()[0].amount, 0.0f);
  table.entries[0].amount = 10.0f;
  Put<float>(OPTIONS_SCALE_DENOMINATOR, 0.0f);
  ASSERT_TRUE(QuantitateUnknownPeaks(kSample, &g, &table, options_));
  EXPECT_FLOAT_EQ(+Steps()[0].amount, 20.0f);
}

TEST_F(InternalStandardsTest, PercentsAndRelativeTimes) {
  STRUCT_RESULT_STEP a = PeakStep(6.0f, 1, 1, RESULT_KIND_IDENTIFIED);
  a.amount = 30;
  STRUCT_RESULT_STEP b = PeakStep(8.0f, 1, 1, RESULT_KIND_FAILED);
  b.amount = 10;
  STRUCT_RESULT_STEP raw = PeakStep(9.0f, 1, 1, RESULT_KIND_IDENTIFIED);
  raw.amount = 60, raw.rawResults = 1;
  STRUCT_RESULT_STEP missing = PeakStep(10.0f, 1, 1, RESULT_KIND_MISSING);
  missing.relativeRetentionTime = -1;
  STRUCT_RESULT_STEP p1 = PeakStep(11.0f, 1, 1), p2 = PeakStep(12.0f, 1, 1);
  p1.amount = 3, p2.amount = 1;
  WriteResults({a, b, raw, missing}, {p1, p2});
  ASSERT_TRUE(PercentOfTotalUnknowns(kSample));
  DH_QUANT_BLOCK block;
  std::memset(&block, 0, sizeof block);
  block.rrtReferenceTime = 2.0f;
  block.integration356 = 1;
  ASSERT_TRUE(CompoundRRTAndPercent(kSample, &block, 6.0f));
  const std::vector<STRUCT_RESULT_STEP> steps = Steps();
  EXPECT_FLOAT_EQ(+steps[0].amount, 75.0f);
  EXPECT_FLOAT_EQ(+steps[1].amount, 25.0f);
  EXPECT_FLOAT_EQ(+steps[2].amount, 60.0f);  // raw results keep their size
  EXPECT_STREQ(steps[0].units, "%");
  EXPECT_FLOAT_EQ(+steps[4].amount, 75.0f);
  EXPECT_FLOAT_EQ(+steps[5].amount, 25.0f);
  EXPECT_FLOAT_EQ(+steps[1].relativeRetentionTime, 1.5f);   // (8 - 2) / (6 - 2)
  EXPECT_FLOAT_EQ(+steps[3].relativeRetentionTime, 0.0f);   // missing: a negative one becomes 0
  // A reference at the dead time gives no relative times.
  ASSERT_TRUE(CompoundRRTAndPercent(kSample, &block, 2.0f));
  EXPECT_TRUE(std::isfinite(Steps()[1].relativeRetentionTime));
}

TEST_F(InternalStandardsTest, CalibrationTestsOverACompoundTable) {
  // Standard (group 1), its analyte, an analyte of group 2.
  STRUCT_DH_COMPOUND r[3];
  std::memset(r, 0, sizeof r);
  for (auto& c : r) c.usesInternalStandard = 1;
  r[0].flags = quant::kFlagStandard, r[0].internalStandard = 1;
  r[1].internalStandard = 1;
  r[2].internalStandard = 2;
  auto table = [&]() {
    HDHTABLE t = CreateCompoundTable(kMethod, 0x17, 1, "1");
    for (auto& c : r) AppendDHRecord(t, &c);
    return t;
  };
  ASSERT_TRUE(CreateSectionFileAtPath(kMethod, 666, 0, 1));
  HDHTABLE t = table();
  EXPECT_TRUE(MORVEX_IsCalibrated(t, 0, -1));
  EXPECT_FALSE(MORVEX_IsCalibrated(t, 0, 2));
  EXPECT_FALSE(MORVEX_IsLockedCaliData(t, 0, -1));
  EXPECT_FALSE(MORVEX_IsInactive(t, 0, -1));
  EXPECT_FALSE(MORVEX_IsLockedCaliData(t, 0, 2));
  FreeDHRecordSet(t);
  r[1].flags = DH_COMPOUND_CALIBRATION_LOCKED;
  r[1].usesInternalStandard = 0;
  r[2].coefficients[1] = 0.5f;
  t = table();
  EXPECT_TRUE(MORVEX_IsCalibrated(t, 2, 2));
  EXPECT_FALSE(MORVEX_IsCalibrated(t, 0, 1));
  EXPECT_TRUE(MORVEX_IsLockedCaliData(t, 0, 0));  // through its analyte
  EXPECT_TRUE(MORVEX_IsInactive(t, 0, 0));
  EXPECT_FALSE(MORVEX_IsLockedCaliData(t, 2, 2));
  FreeDHRecordSet(t);
}

TEST_F(InternalStandardsTest, TooFewLevelsReportRawResults) {
  struct Case {
    const char* what;
    uint16_t flags;
    int32_t levels;
    BOOL standardFound;
    int32_t standardLevels;
    int16_t type, raw;
    uint32_t flagWord;
    const char* note;
  } cases[] = {
      {"enough levels", 0, 3, TRUE, 3, 3, 0, 0, nullptr},
      {"too few levels", 0, 2, TRUE, 3, 1, 1, 0x10000, "   Benzene specifies fewer than 3 levels. Reporting raw results."},
      {"standard has too few", 0, 3, TRUE, 2, 1, 1, 0x10000,
       "   Istd for Benzene specifies fewer than 3 levels. Reporting raw results."},
      {"no standard", 0, 3, FALSE, 0, 1, 1, 0, "   Istd for Benzene not Active or no Istd. Reporting raw results."},
      {"a standard itself", quant::kFlagStandard, 3, FALSE, 0, 3, 0, 0, nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    win::script::ResetLogs();
    int16_t type = 3, raw = 0;
    uint32_t flagWord = 0;
    CheckAnalyteLevels(nullptr, "Benzene", k.flags, k.levels, 2, k.standardFound, k.standardLevels, &type, &raw,
                       &flagWord);
    EXPECT_EQ(type, k.type);
    EXPECT_EQ(raw, k.raw);
    EXPECT_EQ(flagWord, k.flagWord);
  }
}

TEST_F(InternalStandardsTest, AnInactiveAnalyteIsRecalibratedThroughTheFit) {
  ASSERT_TRUE(CreateSectionFileAtPath(kMethod, 666, 0, 1));
  STRUCT_DH_COMPOUND standard, analyte;
  std::memset(&standard, 0, sizeof standard);
  std::memset(&analyte, 0, sizeof analyte);
  standard.usesInternalStandard = 1;
  standard.flags = quant::kFlagStandard;
  quant::SetCompoundField<int32_t>(&analyte, 1717, 3);
  const double amounts[3] = {1, 5, 10};
  for (int l = 0; l < 3; ++l) {
    analyte.levels[l].count = 1;
    analyte.levels[l].amount = float(amounts[l]);
    analyte.levels[l].responses[0] = float(0.2 + 0.3 * amounts[l]);
  }
  HDHTABLE t = CreateCompoundTable(kMethod, 0x17, 1, "1");
  AppendDHRecord(t, &standard);
  AppendDHRecord(t, &analyte);
  FreeDHRecordSet(t);
  DH_QUANT_BLOCK block;
  std::memset(&block, 0, sizeof block);
  block.calculationType = 3;
  Put<int16_t>(OPTIONS_SAMPLE_TYPE, 1);
  Put<int16_t>(OPTIONS_LEVEL, 1);
  ASSERT_TRUE(RecalibrateInactiveAnalyte(kMethod, 0x17, 1, "1", 1, &analyte, &standard, &block, options_, 0, 0));
  t = OpenCompoundTable(kMethod, 0x17, 1, "1");
  STRUCT_DH_COMPOUND back;
  ASSERT_TRUE(GetDHRecord(t, 1, &back));
  FreeDHRecordSet(t);
  EXPECT_NEAR(+back.coefficients[0], 0.2, 1e-4);
  EXPECT_NEAR(+back.coefficients[1], 0.3, 1e-5);
  // Not on analysis samples, nor for a locked or raw compound.
  Put<int16_t>(OPTIONS_SAMPLE_TYPE, 2);
  EXPECT_FALSE(RecalibrateInactiveAnalyte(kMethod, 0x17, 1, "1", 1, &analyte, &standard, &block, options_, 0, 0));
  Put<int16_t>(OPTIONS_SAMPLE_TYPE, 1);
  EXPECT_FALSE(RecalibrateInactiveAnalyte(kMethod, 0x17, 1, "1", 1, &analyte, &standard, &block, options_, 1, 0));
  analyte.flags = DH_COMPOUND_CALIBRATION_LOCKED;
  EXPECT_FALSE(RecalibrateInactiveAnalyte(kMethod, 0x17, 1, "1", 1, &analyte, &standard, &block, options_, 0, 0));
}

}  // namespace
