// The report fields of a quantitated run checked against the run's truth
// and the method: a method calibrated at three levels by calibration runs,
// a sample at known amounts with drifting times, quantitated by the engine,
// then written by the criteria tables and read back as text.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/report_records.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "quant/tests/quant_run_support.h"
#include "quant/tests/quant_test_support.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/report_format_section.h"
#include "reportmakers/single_compound_reports.h"
#include "reportmakers/tests/report_text.h"
#include "reportpages/msr_functions.h"
#include "common/preference_records.h"
#include "win/win_crt.h"

namespace {

using report_text::Find;
using report_text::Render;
namespace r = kelt::reports;

constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
constexpr char kSample[] = "C:\\Data\\SAMPLE.KMS";
constexpr char kCheck[] = "C:\\Data\\VERIFY.KMS";

// A number as the report shows it (en-US: "," groups thousands).
double Number(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ','), text.end());
  return std::strtod(text.c_str(), nullptr);
}

struct StepRecords {
  std::vector<uint8_t> header = std::vector<uint8_t>(r::kResultsHeaderSize);
  std::vector<uint8_t> step = std::vector<uint8_t>(r::kResultStepSize);
  std::vector<uint8_t> standard = std::vector<uint8_t>(r::kResultStepSize);
  std::vector<uint8_t> compound = std::vector<uint8_t>(r::kCompoundRecordSize);
  std::vector<uint8_t> table = std::vector<uint8_t>(r::kGlobalTableSize);
  bool haveStandard = false;
};

class QuantitatedReport : public quant_test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    plan_.reportUnknowns = 1;
    plan_.removeIdentified = false;
    ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, design_, plan_, &method_));
    // Relative retention times are measured against the standard.
    HDHTABLE g = OpenGlobalTableForUpdate(kMethod, method_.moduleId, method_.moduleAddress, "1");
    ASSERT_NE(g, nullptr);
    STRUCT_DH_GLOBAL_PARAMS global;
    ASSERT_TRUE(ReadGlobalTable(g, &global));
    global.locateRrtReferenceFirst = 1;
    global.rrtTolerance = 50;
    deadTime_ = global.deadTime;
    ASSERT_TRUE(WriteGlobalTable(g, &global));
    FreeDHRecordSet(g);
    ASSERT_TRUE(quant_run::Calibrate(nullptr, kMethod, design_, method_, "C:\\Data", plan_.levels));
  }
  // Quantitates a sample of the analytes' amounts; its truth is kept.
  void Sample(const char* path, const std::vector<double>& amounts, int16_t sampleType, int16_t level) {
    sample_.amounts = amounts;
    sample_.drift = 0.02;
    sample_.noiseSeed = 11;
    ASSERT_TRUE(quant_accuracy::WriteSample(path, design_, sample_, method_, &truth_));
    ASSERT_TRUE(quant_run::Quantitate(nullptr, path, kMethod, sampleType, level));
  }
  StepRecords Read(const char* path, int16_t index) {
    StepRecords s;
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
    EXPECT_NE(wf, nullptr);
    if (!wf) return s;
    EXPECT_TRUE(RPTS_ReadResults(path, s.header.data()));
    EXPECT_TRUE(RPTS_ReadResultStep(path, uint16_t(index), s.step.data()));
    EXPECT_TRUE(RPTS_ReadCompoundRecord(wf, s.step.data(), s.compound.data()));
    EXPECT_TRUE(KELT_ReadGlobalTable(wf, s.table.data()));
    s.haveStandard = RPTS_ReadISResultStep(path, s.step.data(), s.standard.data());
    FreeWorkFileStruct(wf);
    return s;
  }
  std::vector<std::string> Criteria(const char* path, int16_t index, StepRecords& s) {
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
    auto lines = Render([&](CReportOutput* out) {
      RPTS_WriteTargetCriteriaFull(out, s.header.data(), index, s.step.data(),
                                   s.haveStandard ? s.standard.data() : nullptr, s.compound.data(), s.table.data(), wf,
                                   3, 0);
    });
    FreeWorkFileStruct(wf);
    return lines;
  }
  const msfix::CompoundTruth* TruthOf(const std::string& name) const {
    for (const msfix::CompoundTruth& c : truth_.compounds)
      if (c.name == name) return &c;
    return nullptr;
  }
  quant_run::Design design_;
  quant_run::MethodPlan plan_;
  quant_run::SampleSpec sample_;
  msfix::DHTruth method_;
  msfix::RunTruth truth_;
  double deadTime_ = 0;
};

// Least-squares line through (x, y).
void FitLine(const std::vector<double>& x, const std::vector<double>& y, double* slope, double* intercept) {
  const double n = double(x.size());
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (size_t i = 0; i < x.size(); ++i) sx += x[i], sy += y[i], sxx += x[i] * x[i], sxy += x[i] * y[i];
  *slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  *intercept = (sy - *slope * sx) / n;
}

TEST_F(QuantitatedReport, EveryFieldOfATargetMeetsTheTruthAndTheMethod) {
  Sample(kSample, {4, 9, 16, 25}, SAMPLE_ANALYSIS, 0);
  const std::string standardName = method_.compounds[0].name;
  const msfix::CompoundTruth* standardTruth = TruthOf(standardName);
  ASSERT_NE(standardTruth, nullptr);
  // The calibration runs' response ratios, for an independent fit.
  std::vector<std::vector<double>> ratios(size_t(design_.analytes));
  for (size_t l = 0; l < plan_.levels.size(); ++l) {
    const std::string cal = "C:\\Data\\CAL" + std::to_string(l + 1) + ".KMS";
    const auto steps = quant_run::ReadSteps(cal.c_str());
    double standardArea = 0;
    for (const auto& st : steps)
      if (quant_run::StepName(st) == standardName) standardArea = st.area;
    for (int a = 0; a < design_.analytes; ++a)
      for (const auto& st : steps)
        if (quant_run::StepName(st) == method_.compounds[size_t(a + 1)].name)
          ratios[size_t(a)].push_back(st.area / standardArea);
  }
  for (int a = 0; a < design_.analytes; ++a) {
    SCOPED_TRACE(a);
    const int16_t index = int16_t(a + 1);
    StepRecords s = Read(kSample, index);
    const std::vector<std::string> lines = Criteria(kSample, index, s);
    const msfix::DHCompoundTruth& m = method_.compounds[size_t(a + 1)];
    const msfix::CompoundTruth* t = TruthOf(m.name);
    ASSERT_NE(t, nullptr);

    // Retention time: found where the run put the peak; expected as the method says.
    const report_text::Row rt = Find(lines, "Retention Time");
    ASSERT_TRUE(rt.found);
    EXPECT_NEAR(Number(rt.actual), t->retentionTime, 0.01);
    EXPECT_EQ(rt.actual.substr(rt.actual.size() - 5), " min.");
    // Expected as the method says, moved with the standard's drift.
    EXPECT_NEAR(Number(rt.required), m.retentionTime + sample_.drift / 2, sample_.drift / 2 + 0.0005);
    EXPECT_EQ(rt.required.substr(rt.required.find("+/-")),
              "+/- " + win::crt::FormatString("%.3f", r::FieldAt<int32_t>(s.compound.data(), r::compound::kRtTolerance) / 1000.0));
    EXPECT_EQ(rt.status, "Pass");

    // Relative retention time against the standard's (a row of its own).
    const report_text::Row rrt = Find(Render([&](CReportOutput* out) {
                                        RPTS_RowRelativeRT(out, s.step.data(), s.table.data(), 0);
                                      }),
                                      "RRT % Tolerance");
    ASSERT_TRUE(rrt.found);
    const double t0 = deadTime_;
    EXPECT_NEAR(Number(rrt.actual), (t->retentionTime - t0) / (standardTruth->retentionTime - t0), 0.003);
    // Expected: the expected times shown, the analyte's over the standard's.
    const double standardExpected = r::FieldAt<float>(s.standard.data(), r::step::kExpectedRT);
    EXPECT_NEAR(Number(rrt.required), (Number(rt.required) - t0) / (standardExpected - t0), 0.003);
    EXPECT_NE(rrt.required.find("+/- 0.050"), std::string::npos);
    EXPECT_EQ(rrt.status, "Pass");

    // Amount: the sample's truth.
    const report_text::Row amount = Find(lines, "Amount");
    ASSERT_TRUE(amount.found);
    EXPECT_NEAR(Number(amount.actual), sample_.amounts[size_t(a)], 0.02 * sample_.amounts[size_t(a)]);
    EXPECT_NE(amount.actual.find(" ng"), std::string::npos);
    EXPECT_EQ(amount.status, "Pass");

    // Response: the area, which over the standard's and through the
    // independent fit gives the amount back.
    const report_text::Row area = Find(lines, "Area");
    ASSERT_TRUE(area.found);
    const double standardArea = r::FieldAt<float>(s.standard.data(), r::step::kArea);
    double slope = 0, intercept = 0;
    FitLine(plan_.levels, ratios[size_t(a)], &slope, &intercept);
    const double fromFit = (Number(area.actual) / standardArea - intercept) / slope;
    EXPECT_NEAR(fromFit, sample_.amounts[size_t(a)], 0.02 * sample_.amounts[size_t(a)]);

    // The calibration equation: the fit over the calibration runs.
    const report_text::Row equation = Find(lines, "Calibration Equation");
    ASSERT_TRUE(equation.found);
    EXPECT_EQ(equation.required.substr(0, 8), "Linear, ");
    ASSERT_EQ(equation.actual.substr(0, 4), "y = ");
    double x = 0, c = 0;
    const int terms = std::sscanf(equation.actual.c_str(), "y = %lfx %lf", &x, &c);
    ASSERT_GE(terms, 1) << equation.actual;
    EXPECT_NEAR(x, slope, 1e-3 * std::fabs(slope) + 5e-5);  // four decimals shown
    if (terms == 2) {
      EXPECT_NEAR(c, intercept, 5e-4 + 1e-2 * std::fabs(intercept));
    }

    const report_text::Row standard = Find(lines, "IS Peak Name");
    EXPECT_EQ(standard.required, standardName);
  }
}

TEST_F(QuantitatedReport, VerificationDeviationIsFromTheLevelAmount) {
  // Level 2 holds 10.0 of every analyte; the sample holds 10.6.
  Sample(kCheck, {10.6, 10.6, 10.6, 10.6}, SAMPLE_VERIFICATION, 1);
  for (int a = 0; a < design_.analytes; ++a) {
    SCOPED_TRACE(a);
    StepRecords s = Read(kCheck, int16_t(a + 1));
    const std::vector<std::string> lines = Criteria(kCheck, int16_t(a + 1), s);
    const report_text::Row d = Find(lines, "Verification Deviation");
    ASSERT_TRUE(d.found);
    ASSERT_EQ(d.actual.back(), '%');
    EXPECT_NEAR(Number(d.actual), 6.0, 2.0);
    // The deviation of the amount the report shows, to its two decimals.
    const double shown = Number(Find(lines, "Amount").actual);
    EXPECT_NEAR(Number(d.actual), std::fabs(shown - 10.0) / 10.0 * 100.0, 0.02);
  }
}

// A peak outside the method takes the active standard nearest its time,
// found through the engine's table of active standards, whatever the
// standard number the step carries.
TEST_F(QuantitatedReport, StandardOfAPeakIsTheNearestActiveStandard) {
  Sample(kSample, {4, 9, 16, 25}, SAMPLE_ANALYSIS, 0);
  STRUCT_RESULTS_HEADER h;
  const auto steps = quant_run::ReadSteps(kSample, &h);
  const int targets = h.countIdentified + h.countMissing + h.countFailed;
  ASSERT_GT(int(steps.size()), targets);
  std::vector<uint8_t> standard(r::kResultStepSize);
  ASSERT_TRUE(RPTS_ReadResultStep(kSample, 0, standard.data()));
  ASSERT_EQ(quant_run::StepName(steps[0]), method_.compounds[0].name);
  for (size_t i = size_t(targets); i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    std::vector<uint8_t> peak(r::kResultStepSize);
    ASSERT_TRUE(RPTS_ReadResultStep(kSample, uint16_t(i), peak.data()));
    const int16_t none = 99;  // no compound of the method has this number
    std::memcpy(&peak[r::step::kStandardNumber], &none, 2);
    std::vector<uint8_t> out(r::kResultStepSize, 0xEE);
    ASSERT_TRUE(RPTS_ReadISResultStep(kSample, peak.data(), out.data()));
    // The step the table names: the standard's own peak, at its time.
    EXPECT_NE(r::FieldAt<uint16_t>(out.data(), r::step::kPeakType) & 0x100, 0);
    EXPECT_NEAR(r::FieldAt<float>(out.data(), r::step::kRetentionTime),
                r::FieldAt<float>(standard.data(), r::step::kRetentionTime), 0.001);
    // A target naming that number finds no standard.
    std::vector<uint8_t> target(r::kResultStepSize);
    ASSERT_TRUE(RPTS_ReadResultStep(kSample, 1, target.data()));
    std::memcpy(&target[r::step::kStandardNumber], &none, 2);
    EXPECT_FALSE(RPTS_ReadISResultStep(kSample, target.data(), out.data()));
  }
}

TEST_F(QuantitatedReport, StepRangesAndTheSingleCompoundMakers) {
  Sample(kSample, {4, 9, 16, 25}, SAMPLE_ANALYSIS, 0);
  STRUCT_RESULTS_HEADER h;
  const auto steps = quant_run::ReadSteps(kSample, &h);
  const int targets = h.countIdentified + h.countMissing + h.countFailed;
  const int peaks = h.countTIC + h.countDuplicate + h.countUnknown;
  ASSERT_EQ(targets, design_.analytes + 1);
  EXPECT_FALSE(RPTS_IsTargetStepIndex(kSample, -1));
  EXPECT_TRUE(RPTS_IsTargetStepIndex(kSample, 0));
  EXPECT_TRUE(RPTS_IsTargetStepIndex(kSample, int16_t(targets - 1)));
  EXPECT_FALSE(RPTS_IsTargetStepIndex(kSample, int16_t(targets)));
  EXPECT_EQ(RPTS_IsUnidentifiedStepIndex(kSample, int16_t(targets)), peaks > 0);
  EXPECT_FALSE(RPTS_IsUnidentifiedStepIndex(kSample, int16_t(targets + peaks)));
  EXPECT_TRUE(RPTS_HaveAnySteps(kSample));
  EXPECT_FALSE(RPTS_HaveAnySteps("C:\\Data\\NONE.KMS"));
  EXPECT_FALSE(RPTS_IsTargetStepIndex("C:\\Data\\NONE.KMS", 0));

  char section[32] = "x";
  ASSERT_TRUE(KELT_GetMSReportsMethodSectionFromKMSFile(kSample, section));
  EXPECT_EQ(std::string(section).substr(0, 16), "MSReportFormat2.");
  std::strcpy(section, "x");
  EXPECT_FALSE(KELT_GetMSReportsMethodSectionFromKMSFile("C:\\Data\\NONE.KMS", section));
  EXPECT_STREQ(section, "");

  STRUCT_REPORT_PREFS prefs;
  KELT_GetCurrDefReportPrefs(&prefs);
  char reports[MAX_PATH] = "";
  // Out of range for its kind: nothing is written.
  EXPECT_EQ(RPTS_MakeTargetCompoundReport(kMethod, section, kSample, int16_t(targets), reports, &prefs, nullptr, 0, 0),
            0);
  EXPECT_EQ(RPTS_MakeTargetCompoundReport(kMethod, section, kSample, -1, reports, &prefs, nullptr, 0, 0), 0);
  EXPECT_EQ(RPTS_MakeUnidentifiedCompoundReport(kMethod, section, kSample, 0, reports, &prefs, nullptr, 0, 0), 0);
  EXPECT_EQ(RPTS_MakeTargetCompoundReport(kMethod, section, "C:\\Data\\NONE.KMS", 0, reports, &prefs, nullptr, 0, 0),
            0);
  EXPECT_STREQ(reports, "");
  // One page a report; the first makes a reports file and names it.
  ASSERT_NE(RPTS_MakeTargetCompoundReport(kMethod, section, kSample, 2, reports, &prefs, nullptr, 0, 0), 0);
  EXPECT_EQ(MSR_GetPageCount(reports), 1);
  ASSERT_NE(RPTS_MakeIonRatioCompoundReport(kMethod, section, kSample, 2, reports, &prefs, "sample", 0, 0), 0);
  EXPECT_EQ(MSR_GetPageCount(reports), 2);
  if (peaks > 0) {
    ASSERT_NE(RPTS_MakeUnidentifiedCompoundReport(nullptr, nullptr, kSample, int16_t(targets), reports, &prefs,
                                                  nullptr, 0, 0),
              0);
    EXPECT_EQ(MSR_GetPageCount(reports), 3);
  }
}

}  // namespace
