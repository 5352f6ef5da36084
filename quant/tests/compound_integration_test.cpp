// Compound integration against the truth of generated runs: the right peak
// under drifting retention times, qualifier ratios in their limits or
// flagged when an interference is planted, and amounts from a calibrated
// method; then the flags and notes of single cases.
#include <cmath>
#include <cstddef>
#include <functional>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/compound_fields.h"
#include "quant/compound_integration.h"
#include "quant/peak_flags.h"
#include "quant/peak_measurement.h"
#include "quant_accuracy.h"
#include "spectra/spectrum_kinds.h"
#include "quant_test_support.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace {

using namespace quant_test;
using namespace quant_accuracy;

std::vector<std::string>* g_texts = nullptr;
std::vector<int>* g_levels = nullptr;

LRESULT CALLBACK CollectStatus(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  static UINT error = RegisterWindowMessageA("WM_MORVEX_ERROR");
  if (msg == error && g_texts) {
    g_texts->push_back(reinterpret_cast<const char*>(l));
    if (g_levels) g_levels->push_back(int(w));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

// A window that keeps the texts the engine sends it.
HWND CaptureWindow(std::vector<std::string>* texts, std::vector<int>* levels = nullptr) {
  g_texts = texts;
  g_levels = levels;
  WNDCLASSA wc{};
  wc.lpfnWndProc = CollectStatus;
  wc.lpszClassName = "MorvexNoteProbe";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "MorvexNoteProbe", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
constexpr char kSample[] = "C:\\Data\\SAMPLE.KMS";

class CompoundIntegrationTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
  }
  void WriteMethod(const Design& d) { ASSERT_TRUE(quant_accuracy::WriteMethod(kMethod, d, &method_)); }
  std::vector<CompoundResult> Sample(const Design& d, const SampleSpec& s, msfix::RunTruth* truth,
                                     int16_t runKind = RUN_KIND_ANALYSIS) {
    EXPECT_TRUE(WriteSample(kSample, d, s, method_, truth));
    return IntegrateAll(kSample, kMethod, method_.moduleId, method_.moduleAddress, runKind);
  }
  // One compound of the method integrated alone; edit may change its
  // record and the method's global record first.
  BOOL One(int index, STRUCT_RESULT_STEP* step, int16_t runKind = RUN_KIND_ANALYSIS,
           const std::function<void(STRUCT_DH_COMPOUND&, STRUCT_DH_GLOBAL_PARAMS&)>& edit = {},
           HWND window = nullptr, char* runFile = nullptr, STRUCT_DH_COMPOUND* out = nullptr,
           float standardExpected = 0, float standardFound = 0) {
    STRUCT_DH_GLOBAL_PARAMS g;
    HDHTABLE t = OpenGlobalTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
    ReadGlobalTable(t, &g);
    FreeDHRecordSet(t);
    STRUCT_DH_COMPOUND c;
    t = OpenCompoundTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
    GetDHRecord(t, index, &c);
    FreeDHRecordSet(t);
    if (edit) edit(c, g);
    std::memset(step, 0, sizeof *step);
    step->calibrationTimeStamp = -1;
    uint8_t run[64] = {};
    std::memcpy(run + RUN_RECORD_KIND_OFFSET, &runKind, 2);
    STRUCT_DH_GLOBAL_PARAMS cg = g;
    STRUCT_QUALIFIER_RECORD q;
    std::memset(&q, 0, sizeof q);
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
    const BOOL r = IntegrateMethodCompounds(window, runFile, kSample, 0, wf, nullptr, 0, kMethod, &cg, &c, nullptr, run,
                                            step, nullptr, &g, standardExpected, standardFound, &q, 1, 0.0,
                                            INTEGRATE_AUTOMATIC, 0, 0);
    if (wf) FreeWorkFileStruct(wf);
    if (out) *out = c;
    qualifiers_ = q;
    return r;
  }
  // The default method and a drifting sample of four amounts written; the
  // method's compound count.
  int WriteDriftingSample(double drift) {
    Design d;
    WriteMethod(d);
    SampleSpec s;
    s.amounts = {3, 8, 15, 30};
    s.drift = drift;
    EXPECT_TRUE(WriteSample(kSample, d, s, method_, nullptr));
    return int(method_.compounds.size());
  }
  static size_t TempFiles() {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(win::paths::ToHost("C:\\TEMP"))) n += e.is_regular_file();
    return n;
  }
  msfix::DHTruth method_;
  STRUCT_QUALIFIER_RECORD qualifiers_;
};

TEST_F(CompoundIntegrationTest, EachCompoundIsFoundAtItsPeakUnderDrift) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts = {3, 8, 15, 30};
  s.drift = 0.04;
  s.driftSlope = 0.004;
  msfix::RunTruth truth;
  const std::vector<CompoundResult> results = Sample(d, s, &truth);
  ASSERT_EQ(results.size(), 5u);
  const double scan = (truth.endTime - truth.startTime) / (truth.scanTimes.size() - 1);
  for (size_t i = 0; i < results.size(); ++i) {
    SCOPED_TRACE(i);
    const STRUCT_RESULT_STEP& st = results[i].step;
    EXPECT_TRUE(results[i].found);
    EXPECT_EQ(+st.kind, 0) << st.flagText;
    EXPECT_NEAR(+st.retentionTime, truth.compounds[i].retentionTime, scan);
    EXPECT_EQ(st.resultFlags & (PF_NOT_FOUND | PF_MISSING | PF_QUALIFIER_FAILED), 0u) << st.flagText;
    EXPECT_GT(+st.area, 0.0f);
    EXPECT_LT(+st.startTime, +st.retentionTime);
    EXPECT_GT(+st.endTime, +st.retentionTime);
    // The qualifier ratios are those of the spectrum, within the limits.
    const msfix::DHCompoundTruth& c = method_.compounds[i];
    ASSERT_EQ(+results[i].qualifiers.ionCount, int16_t(c.qualifiers.size()));
    for (size_t q = 0; q < c.qualifiers.size(); ++q) {
      EXPECT_NEAR(st.qualifierRatios[q] * 100.0, c.qualifiers[q].second, 0.05 * c.qualifiers[q].second + 1.0);
      EXPECT_GE(st.qualifierRatios[q] * 1000.0, +st.qualifierLower[q]);
      EXPECT_LE(st.qualifierRatios[q] * 1000.0, +st.qualifierUpper[q]);
    }
  }
}

// One method file and one mini run file reused for every compound (as a
// quantitation does) give each compound the step that fresh files give it,
// in any order and after a compound whose extraction failed; the two files
// go when the scratch files do.
TEST_F(CompoundIntegrationTest, ReusedScratchFilesGiveTheStepsOfFreshFiles) {
  const int n = WriteDriftingSample(0.04);
  ASSERT_GE(n, 3);
  std::vector<STRUCT_RESULT_STEP> fresh(static_cast<size_t>(n));
  std::vector<STRUCT_QUALIFIER_RECORD> freshQualifiers(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    STRUCT_RESULT_STEP step;  // packed: integrated where the other tests integrate it, not inside the vector
    One(i, &step);
    fresh[size_t(i)] = step;
    freshQualifiers[size_t(i)] = qualifiers_;
  }
  auto outsideTheRun = [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) { c.retentionTime = 900000; };
  {
    CompoundScratchFiles scratch;
    for (int i = n; i-- > 0;) {
      SCOPED_TRACE(i);
      STRUCT_RESULT_STEP failed;
      One(i, &failed, RUN_KIND_ANALYSIS, outsideTheRun);
      EXPECT_NE(failed.resultFlags & (PF_NO_CHANNELS | PF_NOT_FOUND), 0u) << failed.flagText;
      STRUCT_RESULT_STEP step;
      One(i, &step);
      // Stamps of the clock aside, the same bytes.
      step.timeStamp = fresh[size_t(i)].timeStamp;
      step.calibrationTimeStamp = fresh[size_t(i)].calibrationTimeStamp;
      EXPECT_EQ(std::memcmp(&step, &fresh[size_t(i)], sizeof step), 0) << step.flagText;
      EXPECT_EQ(std::memcmp(&qualifiers_, &freshQualifiers[size_t(i)], sizeof qualifiers_), 0);
      EXPECT_GT(+step.area, 0.0f);
    }
    EXPECT_EQ(TempFiles(), 2u);  // the method and the mini run file, kept for the next compound
  }
  EXPECT_EQ(TempFiles(), 0u);
}

// Within a quantitation a compound's range may be read straight from the
// data file instead of from an extract of it: the step and the qualifier
// record must be those an extract gives, whatever the window, the noise
// window and the channels (the run's second segment has two functions, so
// that a clipped segment moves the cycles of listed and merged channels).
struct InPlaceCase {
  const char* what;
  std::function<void(STRUCT_DH_COMPOUND&, STRUCT_DH_GLOBAL_PARAMS&)> edit;
};

class InPlaceReadingTest : public CompoundIntegrationTest, public ::testing::WithParamInterface<InPlaceCase> {};

TEST_P(InPlaceReadingTest, AScratchRunGivesTheStepsOfAnExtract) {
  const int n = WriteDriftingSample(0.03);
  ASSERT_GE(n, 3);
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    // A mini run file handed back is always extracted and written.
    STRUCT_RESULT_STEP extracted;
    char runFile[MAX_PATH] = {};
    const BOOL a = One(i, &extracted, RUN_KIND_ANALYSIS, GetParam().edit, nullptr, runFile);
    const STRUCT_QUALIFIER_RECORD extractedQualifiers = qualifiers_;
    if (runFile[0]) DeleteFileA(runFile);
    // Within a quantitation and alone.
    for (const bool scoped : {true, false}) {
      SCOPED_TRACE(scoped);
      STRUCT_RESULT_STEP step;
      BOOL b;
      {
        std::unique_ptr<CompoundScratchFiles> scratch(scoped ? new CompoundScratchFiles : nullptr);
        b = One(i, &step, RUN_KIND_ANALYSIS, GetParam().edit);
      }
      EXPECT_EQ(a, b);
      step.timeStamp = extracted.timeStamp;
      step.calibrationTimeStamp = extracted.calibrationTimeStamp;
      EXPECT_EQ(std::memcmp(&step, &extracted, sizeof step), 0) << step.flagText << " / " << extracted.flagText;
      EXPECT_EQ(std::memcmp(&qualifiers_, &extractedQualifiers, sizeof qualifiers_), 0);
    }
  }
  EXPECT_EQ(TempFiles(), 0u);
}

void ListedChannels(STRUCT_DH_COMPOUND& c, uint16_t low, uint16_t high) {
  std::memset(&c.chanList, 0, sizeof c.chanList);
  c.chanList.kind = 1;
  c.chanList.count = 1;
  c.chanList.entries[0].lowChannel = low;
  c.chanList.entries[0].highChannel = high;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InPlaceReadingTest,
    ::testing::Values(
        InPlaceCase{"as_stored", {}},
        InPlaceCase{"wide_second_window",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) { c.secondWindowHalfWidth = 600; }},
        // The engine integrates the whole of what it is shown.
        InPlaceCase{"second_window_only",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) {
                      c.windowHalfWidth = 0;
                      c.secondWindowHalfWidth = 400;
                    }},
        InPlaceCase{"noise_window_before",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) {
                      quant::SetCompoundField<int32_t>(&c, quant::kNoiseWindowStart, int32_t(c.retentionTime) - 900);
                      quant::SetCompoundField<int32_t>(&c, quant::kNoiseWindowEnd, int32_t(c.retentionTime) - 700);
                    }},
        InPlaceCase{"window_past_the_run",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) { c.windowHalfWidth = 60000; }},
        InPlaceCase{"listed_first_function",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) { ListedChannels(c, 0, 0); }},
        InPlaceCase{"listed_second_function",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) { ListedChannels(c, 1, 1); }},
        InPlaceCase{"merged_channels",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) {
                      std::memset(&c.chanList, 0, sizeof c.chanList);
                      c.chanList.kind = 0;
                    }},
        InPlaceCase{"channels_ignored",
                    [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) {
                      std::memset(&c.chanList, 0, sizeof c.chanList);
                      c.chanList.kind = 2;
                    }}),
    [](const ::testing::TestParamInfo<InPlaceCase>& info) { return std::string(info.param.what); });

TEST_F(CompoundIntegrationTest, AQualifierInterferenceIsFlagged) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts = {10, 10, 10, 10};
  s.interferedAnalyte = 1;
  msfix::RunTruth truth;
  const std::vector<CompoundResult> results = Sample(d, s, &truth);
  ASSERT_EQ(results.size(), 5u);
  for (size_t i = 0; i < results.size(); ++i) {
    SCOPED_TRACE(i);
    const STRUCT_RESULT_STEP& st = results[i].step;
    const bool planted = i == 2;
    EXPECT_EQ((st.resultFlags & PF_QUALIFIER_FAILED) != 0, planted) << st.flagText;
    if (planted) {
      EXPECT_GT(st.qualifierRatios[0] * 1000.0, +st.qualifierUpper[0]);
      EXPECT_EQ(+st.kind, 2);  // rejected: failures are not reported by this method
      EXPECT_NE(std::string(st.flagText).find('Z'), std::string::npos);
    }
  }
}

// Amounts from a calibration of five levels, by the response relative to
// the internal standard, at two signal-to-noise ratios.
TEST_F(CompoundIntegrationTest, AmountsFromACalibratedMethod) {
  struct Case {
    const char* what;
    double heightPerAmount;
    double minSignalToNoise, maxSignalToNoise;
    double tolerance;
    std::vector<double> levels, amounts;
  } cases[] = {{"S/N above 100", 2e4, 100, 1e9, 0.02, {2, 5, 10, 20, 40}, {3.3, 7.7, 14.2, 31.5}}};
  // At S/N about 10 the errors are measured by the accuracy benchmark.
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Design d;
    d.heightPerAmount = k.heightPerAmount;
    WriteMethod(d);
    const std::vector<double>& levels = k.levels;
    std::vector<std::vector<double>> ratios(size_t(d.analytes));
    for (size_t l = 0; l < levels.size(); ++l) {
      SampleSpec s;
      s.amounts.assign(size_t(d.analytes), levels[l]);
      s.noiseSeed = uint32_t(100 + l);
      const std::vector<CompoundResult> r = Sample(d, s, nullptr, RUN_KIND_CALIBRATION);
      ASSERT_EQ(r.size(), size_t(d.analytes + 1));
      for (int a = 0; a < d.analytes; ++a) ratios[size_t(a)].push_back(r[size_t(a + 1)].step.area / r[0].step.area);
    }
    SampleSpec s;
    s.amounts = k.amounts;
    s.drift = 0.03;
    s.noiseSeed = 999;
    const std::vector<CompoundResult> r = Sample(d, s, nullptr);
    for (int a = 0; a < d.analytes; ++a) {
      SCOPED_TRACE(a);
      double coefficients[4];
      ASSERT_TRUE(FitCalibrationCurve(levels.data(), ratios[size_t(a)].data(), int32_t(levels.size()), DH_CURVE_LINEAR,
                                      DH_ORIGIN_IGNORE, DH_WEIGHT_INVERSE_X, coefficients));
      const STRUCT_RESULT_STEP& st = r[size_t(a + 1)].step;
      const double amount = (st.area / r[0].step.area - coefficients[0]) / coefficients[1];
      EXPECT_NEAR(amount, s.amounts[size_t(a)], k.tolerance * s.amounts[size_t(a)]);
      EXPECT_GE(+st.signalToNoise, k.minSignalToNoise);
      EXPECT_LE(+st.signalToNoise, k.maxSignalToNoise);
    }
  }
}

TEST_F(CompoundIntegrationTest, FlagLettersAndNotes) {
  struct Case {
    uint32_t flags;
    uint16_t compoundFlags;
    int16_t calc;
    char marker;
    const char* letters;
    uint32_t kept;
  } cases[] = {
      {PF_MISSING | PF_NOT_FOUND, 0, 0, 0, "Y", PF_NOT_FOUND},
      {PF_MISSING, 0x0100, 3, 0, "MS", PF_MISSING},
      {PF_QUALIFIER_FAILED, 0x0201, 0, 'U', "RUTZ", PF_QUALIFIER_FAILED},
      {0xFFFFFFFFu, 0x0301, 3, 'U', "R#*+VMCSUOTDILNQHWY", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.letters);
    STRUCT_RESULT_STEP st;
    std::memset(&st, 0, sizeof st);
    st.resultFlags = c.flags;
    st.peakFlag = c.marker;
    MakeStepLetters(&st, c.compoundFlags, c.calc);
    EXPECT_STREQ(st.flagText, c.letters);
    if (c.kept) {
      EXPECT_EQ(+st.resultFlags, c.kept);
    }
    EXPECT_EQ(+(st.resultFlags & (PF_REFERENCE | PF_STANDARD | PF_USER | PF_MARKER)), 0u);
  }
}

TEST_F(CompoundIntegrationTest, QualifierLimitsAreClampedAndInclusive) {
  struct Case {
    int32_t expected, tolerance;
    bool relative;
    double ratio;
    int32_t lowLimit, highLimit;
    bool pass;
  } cases[] = {
      {500, 200, false, 0.30, 300, 700, true},    // on the lower limit
      {500, 200, false, 0.70, 300, 700, true},    // on the upper limit
      {500, 200, false, 0.71, 300, 700, false},
      {10, 200, false, 0.001, 1, 210, true},      // lower limit raised to 0.1 %
      {4900, 200, false, 5.0, 4700, 5000, true},  // upper limit lowered to 500 %
      {500, 200, true, 0.40, 400, 600, true},     // 20 % of the expected ratio
      {500, 200, true, 0.39, 400, 600, false},
      {500, 200, false, 0.0, 300, 700, false},    // no qualifier area
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    STRUCT_RESULT_STEP st;
    std::memset(&st, 0, sizeof st);
    st.area = 1000.0f;
    DH_QUALIFIER e;
    std::memset(&e, 0, sizeof e);
    e.expectedRatio = c.expected, e.tolerance = c.tolerance;
    // The stored limits are for display only: the test works from the
    // expected ratio and the tolerance.
    e.lowerLimit = 4999, e.upperLimit = 1;
    EXPECT_EQ(QualifierRatioTest(&st, 1, c.ratio * 1000.0, &e, c.relative, true, false), c.pass);
    EXPECT_EQ(+st.qualifierLower[1], c.lowLimit);
    EXPECT_EQ(+st.qualifierUpper[1], c.highLimit);
  }
  // A failed earlier qualifier fails the later ones and renews nothing.
  STRUCT_RESULT_STEP st;
  std::memset(&st, 0, sizeof st);
  st.area = 1000.0f;
  DH_QUALIFIER e;
  std::memset(&e, 0, sizeof e);
  e.expectedRatio = 500, e.tolerance = 200, e.lowerLimit = 300, e.upperLimit = 700;
  EXPECT_FALSE(QualifierRatioTest(&st, 0, 500.0, &e, false, false, true));
  EXPECT_EQ(+e.expectedRatio, 500);
  EXPECT_EQ(+e.lowerLimit, 300);
}

TEST_F(CompoundIntegrationTest, RenewedQualifierEntryKeepsItsLimitsAroundTheNewRatio) {
  // The entry's bytes: i32 lower limit @214, upper @218, ratio @222,
  // tolerance @226, all tenths of a percent.
  struct Case {
    int32_t expected, tolerance;
    bool relative;
    double ratio;
    int32_t renewed, lower, upper;
  } cases[] = {
      {500, 200, false, 0.6123, 612, 412, 812},
      {500, 200, true, 0.55, 550, 440, 660},     // tolerance 20 % of the new ratio
      {100, 200, false, 0.10, 100, 1, 300},      // lower limit at least 1
      {4000, 1500, false, 4.8, 4800, 3300, 5000},  // upper limit at most 5000
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    STRUCT_RESULT_STEP st;
    std::memset(&st, 0, sizeof st);
    st.area = 1000.0f;
    uint8_t entry[230] = {};
    std::memcpy(entry + 222, &c.expected, 4);
    std::memcpy(entry + 226, &c.tolerance, 4);
    DH_QUALIFIER e;
    std::memcpy(&e, entry, sizeof e);
    ASSERT_TRUE(QualifierRatioTest(&st, 0, c.ratio * 1000.0, &e, c.relative, true, true));
    std::memcpy(entry, &e, sizeof e);
    int32_t lower, upper, ratio, tolerance;
    std::memcpy(&lower, entry + 214, 4);
    std::memcpy(&upper, entry + 218, 4);
    std::memcpy(&ratio, entry + 222, 4);
    std::memcpy(&tolerance, entry + 226, 4);
    EXPECT_EQ(ratio, c.renewed);
    EXPECT_EQ(lower, c.lower);
    EXPECT_EQ(upper, c.upper);
    EXPECT_EQ(tolerance, c.tolerance);
  }
}

TEST_F(CompoundIntegrationTest, FilteredReferenceSpectrumReadsTheSpectrumRecord) {
  // A spectrum record of 1,370 bytes: head of 718, count @718, ions from 720.
  struct Case {
    const char* what;
    int16_t count;
    uint32_t limit;
    std::vector<uint32_t> kept;
  } cases[] = {
      {"limit below the largest", 4, 300, {999, 300, 450}},
      {"limit above the largest: the largest alone", 4, 5000, {999}},
      {"count above 16 cut to 16", 20, 0, std::vector<uint32_t>(16, 0)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::vector<uint8_t> record(1370, 0);
    std::memcpy(record.data() + 718, &k.count, 2);
    const uint32_t values[4] = {999, 120, 300, 450};
    for (int i = 0; i < 16; ++i) {
      const double mass = 50.0 + i;
      const uint32_t v = k.count == 4 ? (i < 4 ? values[i] : 7000) : 0;
      std::memcpy(record.data() + 720 + 13 * i, &mass, 8);
      std::memcpy(record.data() + 720 + 13 * i + 8, &v, 4);
    }
    std::memcpy(record.data() + 458, "C:\\DATA\\A.KMS", 14);
    std::vector<uint8_t> out(1370, 0xCD);
    EXPECT_TRUE(GetFilteredRefSpect(record.data(), k.limit, out.data()));
    int16_t given, count;
    std::memcpy(&given, record.data() + 718, 2);
    std::memcpy(&count, out.data() + 718, 2);
    EXPECT_EQ(given, std::min<int16_t>(k.count, 16));
    ASSERT_EQ(count, int16_t(k.kept.size()));
    for (int i = 0; i < count; ++i) {
      uint32_t v;
      std::memcpy(&v, out.data() + 720 + 13 * i + 8, 4);
      EXPECT_EQ(v, k.kept[size_t(i)]);
    }
    EXPECT_EQ(std::memcmp(out.data(), record.data(), 718), 0);  // the head copied whole
  }
}

TEST_F(CompoundIntegrationTest, MissingCompoundNotesComeInTheirOrder) {
  win::script::ResetLogs();
  STRUCT_RESULT_STEP st;
  std::memset(&st, 0, sizeof st);
  std::snprintf(st.name, sizeof st.name, "%s", "Benzene");
  st.resultFlags = PF_BELOW_THRESHOLD | PF_NOT_FOUND | PF_NO_MATCH;
  std::vector<std::string> texts;
  HWND w = CaptureWindow(&texts);
  MissingCompoundNotes(w, &st);
  EXPECT_EQ(texts, (std::vector<std::string>{"   Benzene : Missing Analyte: No spectrum match",
                                             "   Benzene : Missing Analyte: Not detected, < Pk Reject, or not in Search Window",
                                             "   Benzene : Missing Analyte: Result < Compound Report Threshold"}));
  DestroyWindow(w);
}

TEST_F(CompoundIntegrationTest, ChannelsMissingEverywhereGiveNoResult) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts.assign(4, 10.0);
  ASSERT_TRUE(WriteSample(kSample, d, s, method_, nullptr));
  std::vector<std::string> texts;
  HWND w = CaptureWindow(&texts);
  STRUCT_RESULT_STEP st;
  EXPECT_FALSE(One(1, &st, RUN_KIND_ANALYSIS, [](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS&) {
    c.chanList.kind = 1;
    c.chanList.count = 1;
    c.chanList.entries[0].lowChannel = c.chanList.entries[0].highChannel = 5;
  }, w));
  DestroyWindow(w);
  EXPECT_NE(st.resultFlags & PF_NO_CHANNELS, 0u);
  EXPECT_EQ(+st.kind, 1);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "   " + method_.compounds[1].name +
                              " : None of the specified Scan Function Channels exist - Cannot quantitate.");
  EXPECT_NE(std::string(st.flagText).find('I'), std::string::npos);
}

TEST_F(CompoundIntegrationTest, EngineMessagesGoWithTheirLevels) {
  STRUCT_RESULT_STEP st;
  std::memset(&st, 0, sizeof st);
  std::snprintf(st.name, sizeof st.name, "%s", "Xylene");
  st.engineErrors[0].count = 1, st.engineErrors[0].codes[0] = 30001;
  st.engineErrors[2].count = 3;
  st.engineErrors[2].codes[0] = 48, st.engineErrors[2].codes[1] = 24, st.engineErrors[2].codes[2] = 51;
  std::vector<std::string> texts;
  std::vector<int> levels;
  HWND w = CaptureWindow(&texts, &levels);
  SendEngineMessages(w, &st);
  DestroyWindow(w);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "   Xylene : PS Error #30001");
  EXPECT_EQ(levels, (std::vector<int>{0, 3, 0, 2}));
  EXPECT_NE(st.resultFlags & PF_ENGINE_WARNING, 0u);  // from 24 alone
  std::memset(&st.engineErrors, 0, sizeof st.engineErrors);
  st.resultFlags = 0;
  st.engineErrors[2].count = 1, st.engineErrors[2].codes[0] = 48;
  SendEngineMessages(nullptr, &st);
  EXPECT_EQ(st.resultFlags & PF_ENGINE_WARNING, 0u);
}

TEST_F(CompoundIntegrationTest, ReportThresholdAndTemporaryFiles) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts.assign(4, 10.0);
  ASSERT_TRUE(WriteSample(kSample, d, s, method_, nullptr));
  const size_t before = TempFiles();
  STRUCT_RESULT_STEP st;
  ASSERT_TRUE(One(2, &st));
  const float response = st.area;
  EXPECT_EQ(TempFiles(), before);  // method, mini run and working copy gone
  struct Case {
    float threshold;
    bool kept;
  } cases[] = {{response, true}, {std::nextafter(response, 1e30f), false}, {0.0f, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.threshold);
    const BOOL r = One(2, &st, RUN_KIND_ANALYSIS, [&](STRUCT_DH_COMPOUND& c, STRUCT_DH_GLOBAL_PARAMS& g) {
      g.quant.responseBasis = 1;
      quant::SetCompoundField<float>(&c, quant::kReportThreshold, k.threshold);
    });
    EXPECT_EQ(r != 0, k.kept);
    EXPECT_EQ((st.resultFlags & PF_BELOW_THRESHOLD) != 0, !k.kept);
    if (!k.kept) {
      EXPECT_EQ(+st.amount, -1.0f);
    }
  }
  // The mini run file goes to the caller when asked for, the earlier one
  // named there deleted.
  char runFile[MAX_PATH] = {};
  ASSERT_TRUE(One(2, &st, RUN_KIND_ANALYSIS, {}, nullptr, runFile));
  const std::string first = runFile;
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(FileExists(first.c_str()));
  ASSERT_TRUE(One(2, &st, RUN_KIND_ANALYSIS, {}, nullptr, runFile));
  EXPECT_FALSE(FileExists(first.c_str()));
  EXPECT_TRUE(FileExists(runFile));
  EXPECT_TRUE(DeleteFileA(runFile));
  EXPECT_EQ(TempFiles(), before);
}

TEST_F(CompoundIntegrationTest, CalibrationRunsMoveTheCompoundToItsFoundTime) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts.assign(4, 10.0);
  s.drift = 0.05;
  msfix::RunTruth truth;
  ASSERT_TRUE(WriteSample(kSample, d, s, method_, &truth));
  STRUCT_RESULT_STEP st;
  STRUCT_DH_COMPOUND c;
  auto edit = [](STRUCT_DH_COMPOUND& r, STRUCT_DH_GLOBAL_PARAMS& g) {
    g.rtUpdateFlags = 0x0001;
    g.quant.calculationType = 3;
    r.timeEventCount = 2;
    const DH_TIME_EVENT events[2] = {{58500, 1, 59000}, {58600, 6, 77}};  // clear of the peak
    std::memcpy(r.timeEvents, events, sizeof events);
  };
  ASSERT_TRUE(One(1, &st, RUN_KIND_CALIBRATION, edit, nullptr, nullptr, &c));
  const uint32_t found = uint32_t(double(st.retentionTime) * 1000.0);
  EXPECT_EQ(c.retentionTime, found);
  EXPECT_NEAR(found / 1000.0, truth.compounds[1].retentionTime, 0.011);
  const int32_t shift = (int32_t(found) - int32_t(method_.compounds[1].retentionTime * 1000.0 + 1e-6)) * 10;
  DH_TIME_EVENT moved[2];
  std::memcpy(moved, c.timeEvents, sizeof moved);
  EXPECT_EQ(+moved[0].time, 58500 + shift);
  EXPECT_EQ(+moved[0].endTime, 59000 + shift);  // a range moves its end too
  EXPECT_EQ(+moved[1].endTime, 77);             // a value stays
  EXPECT_STREQ(st.units, "RRF");
  EXPECT_FLOAT_EQ(+st.amount, 1.0f / st.area);
  // The qualifier ions sit in the record's slots from its first one.
  ASSERT_EQ(+qualifiers_.ionCount, 2);
  EXPECT_NEAR(+qualifiers_.ions[0].massList.ranges[0].low, method_.compounds[1].qualifiers[0].first, 1e-9);
  EXPECT_GT(+qualifiers_.ions[0].area, 0.0f);
  // An analysis run leaves the time as it was.
  ASSERT_TRUE(One(1, &st, RUN_KIND_ANALYSIS, edit, nullptr, nullptr, &c));
  EXPECT_EQ(c.retentionTime, uint32_t(std::lround(method_.compounds[1].retentionTime * 1000.0)));
}

TEST_F(CompoundIntegrationTest, WithoutMiniRunFilesTheDataFileIsIntegratedAsItIs) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts = {3, 8, 15, 30};
  ASSERT_TRUE(WriteSample(kSample, d, s, method_, nullptr));
  const size_t before = TempFiles();
  const std::vector<CompoundResult> mini =
      IntegrateAll(kSample, kMethod, method_.moduleId, method_.moduleAddress, RUN_KIND_ANALYSIS, 1);
  const std::vector<CompoundResult> whole =
      IntegrateAll(kSample, kMethod, method_.moduleId, method_.moduleAddress, RUN_KIND_ANALYSIS, 0);
  ASSERT_EQ(mini.size(), whole.size());
  for (size_t i = 0; i < mini.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(whole[i].found);
    EXPECT_NEAR(+whole[i].step.area, +mini[i].step.area, 1e-3 * mini[i].step.area);
    EXPECT_FLOAT_EQ(+whole[i].step.retentionTime, +mini[i].step.retentionTime);
  }
  // The data file keeps no copy of itself, and no temporary file is left.
  char section[32];
  std::snprintf(section, sizeof section, "Run%u", method_.compounds[1].number);
  EXPECT_FALSE(SectionExists(kSample, section));
  EXPECT_EQ(TempFiles(), before);
}

TEST_F(CompoundIntegrationTest, ASaturatedQuantitationIonIsMarked) {
  Design d;
  WriteMethod(d);
  // The strongest analyte's base peak is clipped at its apex, the others not.
  d.saturation = 150000;
  SampleSpec s;
  s.amounts = {2, 4, 6, 40};
  msfix::RunTruth truth;
  ASSERT_TRUE(WriteSample(kSample, d, s, method_, &truth));
  const std::vector<CompoundResult> r =
      IntegrateAll(kSample, kMethod, method_.moduleId, method_.moduleAddress, RUN_KIND_ANALYSIS);
  ASSERT_EQ(r.size(), 5u);
  for (size_t i = 1; i < r.size(); ++i) {
    SCOPED_TRACE(i);
    double share = 0;
    for (auto& [m, v] : truth.compounds[i].spectrum) share = std::max(share, v);
    const bool clipped = truth.compounds[i].height * share > d.saturation;
    EXPECT_EQ((r[i].step.resultFlags & PF_SATURATED) != 0, clipped) << r[i].step.flagText;
    EXPECT_GT(+r[i].step.area, 0.0f);
  }
  EXPECT_NE(std::string(r[4].step.flagText).find('O'), std::string::npos);
}

TEST_F(CompoundIntegrationTest, CalibrationRunsRenewTheReferenceSpectrum) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts.assign(4, 10.0);
  msfix::RunTruth truth;
  ASSERT_TRUE(WriteSample(kSample, d, s, method_, &truth));
  STRUCT_RESULT_STEP st;
  STRUCT_DH_COMPOUND c;
  ASSERT_TRUE(One(3, &st, RUN_KIND_CALIBRATION, [](STRUCT_DH_COMPOUND&, STRUCT_DH_GLOBAL_PARAMS& g) {
    g.rtUpdateFlags = 0x0002;
  }, nullptr, nullptr, &c));
  ASSERT_GT(+st.backgroundStart, 0.0f);
  STRUCT_REF_EX_SPT ref;
  std::memcpy(&ref, reinterpret_cast<const uint8_t*>(&c) + offsetof(STRUCT_DH_COMPOUND, referenceSpectrum), sizeof ref);
  ASSERT_GT(+ref.pairCount, 0);
  ASSERT_LE(+ref.pairCount, 16);
  uint32_t top = 0;
  double topMass = 0;
  for (int i = 0; i < ref.pairCount; ++i) {
    if (i > 0) {
      EXPECT_LT(+ref.pairs[i - 1].mass, +ref.pairs[i].mass);
    }
    if (ref.pairs[i].intensity > top) top = ref.pairs[i].intensity, topMass = ref.pairs[i].mass;
  }
  EXPECT_EQ(top, 999u);
  EXPECT_NEAR(topMass, method_.compounds[3].quantIon, 0.5);  // the base peak is the quantitation ion
  // The record's bytes: ion count i16 @718, ions of 13 bytes from 720 (f64
  // mass, u32 intensity, a byte), the head fields from 430.
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&c) + 3365;
  int16_t count;
  std::memcpy(&count, bytes + 718, 2);
  EXPECT_EQ(count, +ref.pairCount);
  for (int i = 0; i < count; ++i) {
    double mass;
    uint32_t intensity;
    std::memcpy(&mass, bytes + 720 + 13 * i, 8);
    std::memcpy(&intensity, bytes + 720 + 13 * i + 8, 4);
    EXPECT_EQ(mass, +ref.pairs[i].mass);
    EXPECT_EQ(intensity, +ref.pairs[i].intensity);
  }
  int16_t averaged;
  double firstTime;
  std::memcpy(&averaged, bytes + 430, 2);
  std::memcpy(&firstTime, bytes + 432, 8);
  EXPECT_GE(averaged, 1);
  EXPECT_NEAR(firstTime, st.retentionTime, 0.05);  // the apex scan's time
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 458)).empty(), false);  // the data file
  // Analysis runs leave it alone.
  STRUCT_DH_COMPOUND before;
  ASSERT_TRUE(One(3, &st, RUN_KIND_ANALYSIS, [](STRUCT_DH_COMPOUND&, STRUCT_DH_GLOBAL_PARAMS& g) {
    g.rtUpdateFlags = 0x0002;
  }, nullptr, nullptr, &before));
  HDHTABLE t = OpenCompoundTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
  STRUCT_DH_COMPOUND stored;
  ASSERT_TRUE(GetDHRecord(t, 3, &stored));
  FreeDHRecordSet(t);
  EXPECT_EQ(std::memcmp(before.referenceSpectrum, stored.referenceSpectrum, sizeof stored.referenceSpectrum), 0);
}

TEST_F(CompoundIntegrationTest, RelativeTimesNeedAStandardAwayFromTheDeadTime) {
  Design d;
  WriteMethod(d);
  SampleSpec s;
  s.amounts.assign(4, 10.0);
  ASSERT_TRUE(WriteSample(kSample, d, s, method_, nullptr));
  const float expected = float(method_.compounds[2].retentionTime);
  auto rrt = [](STRUCT_DH_COMPOUND&, STRUCT_DH_GLOBAL_PARAMS& g) {
    g.locateRrtReferenceFirst = 1;
    g.rrtTolerance = 20;
    g.deadTime = 1.0f;
  };
  struct Case {
    const char* what;
    float standardExpected, standardFound;
    bool flagged;
  } cases[] = {
      {"standard where expected", 4.0f, 4.0f, false},
      {"standard 0.1 % late", 4.0f, 4.003f, false},
      {"standard far off", 4.0f, 6.0f, true},
      {"no standard times", 0.0f, 0.0f, true},
      {"standard found at the dead time", 4.0f, 1.0f, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    STRUCT_RESULT_STEP st;
    One(2, &st, RUN_KIND_ANALYSIS, rrt, nullptr, nullptr, nullptr, k.standardExpected, k.standardFound);
    EXPECT_EQ((st.resultFlags & PF_RRT) != 0, k.flagged) << st.flagText;
    EXPECT_TRUE(std::isfinite(st.relativeRetentionTime));
    if (!k.flagged) {
      EXPECT_NEAR(+st.expectedRelativeTime, (expected - 1.0) / (k.standardExpected - 1.0), 1e-4);
    }
  }
}

}  // namespace
