// Compound integration against the truth of generated runs: the right peak
// under drifting retention times, qualifier ratios in their limits or
// flagged when an interference is planted, and amounts from a calibrated
// method; then the flags and notes of single cases.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/compound_fields.h"
#include "quant/peak_flags.h"
#include "quant/peak_measurement.h"
#include "quant_accuracy.h"
#include "quant_test_support.h"
#include "win/win_user.h"

namespace {

using namespace quant_test;
using namespace quant_accuracy;

std::vector<std::string>* g_texts = nullptr;

LRESULT CALLBACK CollectStatus(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  static UINT error = RegisterWindowMessageA("WM_MORVEX_ERROR");
  if (msg == error && g_texts) {
    g_texts->push_back(reinterpret_cast<const char*>(l));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

// A window that keeps the texts the engine sends it.
HWND CaptureWindow(std::vector<std::string>* texts) {
  g_texts = texts;
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
  msfix::DHTruth method_;
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
    uint16_t expected, lower, upper;
    bool relative;
    double ratio;
    int32_t lowLimit, highLimit;
    bool pass;
  } cases[] = {
      {500, 200, 200, false, 0.30, 300, 700, true},    // on the lower limit
      {500, 200, 200, false, 0.70, 300, 700, true},    // on the upper limit
      {500, 200, 200, false, 0.71, 300, 700, false},
      {10, 200, 200, false, 0.001, 1, 210, true},      // lower limit raised to 0.1 %
      {4900, 200, 200, false, 5.0, 4700, 5000, true},  // upper limit lowered to 500 %
      {500, 200, 200, true, 0.40, 400, 600, true},     // 20 % of the expected ratio
      {500, 200, 200, true, 0.39, 400, 600, false},
      {500, 200, 200, false, 0.0, 300, 700, false},    // no qualifier area
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    STRUCT_RESULT_STEP st;
    std::memset(&st, 0, sizeof st);
    st.area = 1000.0f;
    DH_QUALIFIER e;
    std::memset(&e, 0, sizeof e);
    e.expectedRatio = c.expected, e.lowerTolerance = c.lower, e.upperTolerance = c.upper;
    EXPECT_EQ(QualifierRatioTest(&st, 1, c.ratio * 1000.0, &e, c.relative, true, false), c.pass);
    EXPECT_EQ(+st.qualifierLower[1], c.lowLimit);
    EXPECT_EQ(+st.qualifierUpper[1], c.highLimit);
  }
  // A failed earlier qualifier fails the later ones; a passing one is
  // renewed in calibration runs.
  STRUCT_RESULT_STEP st;
  std::memset(&st, 0, sizeof st);
  st.area = 1000.0f;
  DH_QUALIFIER e;
  std::memset(&e, 0, sizeof e);
  e.expectedRatio = 500, e.lowerTolerance = e.upperTolerance = 200;
  EXPECT_FALSE(QualifierRatioTest(&st, 0, 500.0, &e, false, false, true));
  EXPECT_EQ(+e.expectedRatio, 500);
  EXPECT_TRUE(QualifierRatioTest(&st, 0, 612.3, &e, false, true, true));
  EXPECT_EQ(+e.expectedRatio, 612);
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

}  // namespace
