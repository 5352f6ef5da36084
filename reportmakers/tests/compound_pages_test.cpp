// The pages of a compound report made from a quantitated run: the detail
// table's rows, its page breaks, the target and ion-ratio page makers as
// the compound makers call them.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/preference_records.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "quant/tests/quant_run_support.h"
#include "quant/tests/quant_test_support.h"
#include "reportmakers/compound_makers.h"
#include "reportmakers/compound_pages.h"
#include "reportmakers/report_format.h"
#include "reportmakers/report_format_section.h"
#include "reportmakers/tests/report_text.h"
#include "reportpages/reports_file.h"
#include "reportpages/tests/page_records.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

namespace r = kelt::reports;

constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
constexpr char kSample[] = "C:\\Data\\SAMPLE.KMS";
constexpr char kReports[] = "C:\\Data\\compounds.msr";

template <class T>
void SetField(std::vector<uint8_t>& f, uint32_t at, T v) {
  std::memcpy(f.data() + at, &v, sizeof v);
}

// A column set of these identifiers.
std::vector<uint8_t> ColumnSet(const std::vector<uint16_t>& ids) {
  std::vector<uint8_t> set(386, 0);
  for (size_t i = 0; i < ids.size() && i < 61; ++i) SetField<uint16_t>(set, 2 + 2 * uint32_t(i), ids[i]);
  SetField<uint16_t>(set, 124, uint16_t(std::min<size_t>(ids.size(), 61)));
  return set;
}

class CompoundPages : public quant_test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    KELT_GetCurrDefReportPrefs(&prefs_);
    r::SetCompoundPageMakers(r::DefaultCompoundPageMakers());
  }
  void Quantitate(bool qualifiers) {
    plan_.qualifiers = qualifiers;
    ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, design_, plan_, &method_));
    ASSERT_TRUE(quant_run::Calibrate(nullptr, kMethod, design_, method_, "C:\\Data", plan_.levels));
    quant_run::SampleSpec s;
    s.amounts = {5, 12, 20, 30};
    s.noiseSeed = 5;
    msfix::RunTruth truth;
    ASSERT_TRUE(quant_accuracy::WriteSample(kSample, design_, s, method_, &truth));
    ASSERT_TRUE(quant_run::Quantitate(nullptr, kSample, kMethod, SAMPLE_ANALYSIS));
    ASSERT_TRUE(KELT_GetMSReportsMethodSectionFromKMSFile(kSample, section_));
  }
  // The method's compound definition: page style, target rows, no graphics.
  void Definition(uint16_t style, const std::vector<uint16_t>& rows) {
    std::vector<uint8_t> f(r::kReportFormatSize);
    ASSERT_TRUE(ReadReportFormat(kMethod, section_, f.data()));
    const uint32_t d = r::kCompoundOffset;
    SetField<uint16_t>(f, d + 989, 1);  // identified compounds
    SetField<uint16_t>(f, d + 173, style);
    const std::vector<uint8_t> set = ColumnSet(rows);
    std::memcpy(f.data() + d + 175, set.data(), set.size());
    for (uint32_t i = 0; i < 6; ++i) SetField<int16_t>(f, d + 563 + 2 * i, 0);
    SetField<uint16_t>(f, d + 561, 0);
    ASSERT_TRUE(WriteReportFormat(kMethod, section_, f.data()));
  }
  int32_t Make() {
    DeleteFileA(kReports);
    char reports[MAX_PATH] = {};
    std::snprintf(reports, sizeof reports, "%s", kReports);
    return RPTS_MakeTargetCompoundReports(kMethod, section_, kSample, reports, &prefs_, 0, 0, nullptr, 0, 0);
  }
  static std::vector<std::vector<Text>> Pages() {
    std::vector<std::vector<Text>> pages;
    CRptsFileHandler file(kReports, nullptr);
    for (int p = 0; p < file.GetCountOfPages(); ++p) pages.push_back(PlayStored(file, p).texts);
    return pages;
  }
  static int Count(const std::vector<Text>& texts, const std::string& whole) {
    return int(std::count_if(texts.begin(), texts.end(), [&](const Text& t) { return t.text == whole; }));
  }
  static bool Has(const std::vector<Text>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const Text& t) { return t.text.find(part) != std::string::npos; });
  }
  quant_run::Design design_;
  quant_run::MethodPlan plan_;
  msfix::DHTruth method_;
  STRUCT_REPORT_PREFS prefs_{};
  char section_[32] = {};
};

TEST_F(CompoundPages, DetailRowsShowTheStepsValues) {
  Quantitate(true);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
  ASSERT_NE(wf, nullptr);
  std::vector<uint8_t> header(r::kResultsHeaderSize), step(r::kResultStepSize), compound(r::kCompoundRecordSize),
      table(r::kGlobalTableSize), standard(r::kResultStepSize);
  ASSERT_TRUE(RPTS_ReadResults(kSample, header.data()));
  ASSERT_TRUE(RPTS_ReadResultStep(kSample, 2, step.data()));
  ASSERT_TRUE(RPTS_ReadCompoundRecord(wf, step.data(), compound.data()));
  ASSERT_TRUE(KELT_ReadGlobalTable(wf, table.data()));
  const bool haveStandard = RPTS_ReadISResultStep(kSample, step.data(), standard.data());
  ASSERT_TRUE(haveStandard);
  const std::vector<uint8_t> set = ColumnSet({1, 3, 56, 57, 18, 29, 26, 34, 64, 41, 19});
  auto lines = report_text::Render([&](CReportOutput* out) {
    EXPECT_EQ(RPTS_WriteCompoundDetailTable(out, wf, set.data(), step.data(), standard.data(), header.data(),
                                            compound.data(), table.data(), 2, 3, 0),
              1);
  });
  // Without its method record a target step writes nothing.
  auto none = report_text::Render([&](CReportOutput* out) {
    EXPECT_EQ(RPTS_WriteCompoundDetailTable(out, wf, set.data(), step.data(), nullptr, header.data(), nullptr,
                                            table.data(), 2, 3, 0),
              0);
  });
  FreeWorkFileStruct(wf);
  const std::string all = [&] {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
  }();
  const std::string name(reinterpret_cast<const char*>(step.data()) + r::step::kName);
  const std::string standardName(reinterpret_cast<const char*>(standard.data()) + r::step::kName);
  char expected[64];
  std::snprintf(expected, sizeof expected, "%.3f min.", double(r::FieldAt<float>(step.data(), r::step::kExpectedRT)));
  const struct {
    const char* label;
    std::string value;
  } rows[] = {
      {"Compound Number", std::to_string(r::FieldAt<int16_t>(step.data(), r::step::kCompoundIndex) + 1)},
      {"Peak Name", name},
      {"Result Index", "3"},
      {"IS Peak Name", standardName},
      {"Expected RT", expected},
      // The run's one user trace is the ion time, a whole number of its
      // unit; the second and third traces are not in the file.
      {"Ion Time", "0 uSec"},
      {"User Trace 3", "N/A"},
      {"Result Type", "Identified"},
  };
  for (const auto& row : rows) {
    const std::string pair = std::string("\"") + row.label + "\",\"" + row.value + "\"";
    EXPECT_NE(all.find(pair), std::string::npos) << pair << "\n" << all;
  }
  // A row for unidentified peaks only has no place on a compound's table.
  EXPECT_EQ(all.find("Peak Number"), std::string::npos) << all;
  EXPECT_NE(all.find("Scan Number"), std::string::npos);
  EXPECT_NE(all.find("S/N Ratio"), std::string::npos);
  EXPECT_TRUE(none.empty() || none.size() == 1) << none.size();
}

TEST_F(CompoundPages, ATableLongerThanAPageGoesOnUnderARepeatedHeading) {
  Quantitate(true);
  // Sixty rows: the data-file block and these run past one page.
  std::vector<uint16_t> rows;
  for (int i = 0; i < 6; ++i)
    for (uint16_t id : {1, 3, 56, 19, 29, 26, 27, 12, 23, 41}) rows.push_back(id);
  Definition(3, rows);
  ASSERT_EQ(Make(), 1);
  const auto pages = Pages();
  // Every target compound gets its pages: more than one each.
  ASSERT_GE(pages.size(), 2u * 5);
  int headings = 0;
  for (const auto& p : pages) headings += Count(p, "Parameter");
  EXPECT_EQ(headings, int(pages.size()));
  // The title names the step and the data file in lower case.
  EXPECT_TRUE(Has(pages[0], "Target Compound Report for #1 from ")) << pages[0].front().text;
  EXPECT_TRUE(Has(pages[0], "sample.kms"));
  // Page numbers run on across the steps.
  int rowsOfFirst = 0;
  for (const auto& p : {pages[0], pages[1]}) rowsOfFirst += Count(p, "Peak Name");
  EXPECT_EQ(rowsOfFirst, 6);
}

TEST_F(CompoundPages, IonRatioPagesOnlyForCompoundsWithQualifierIons) {
  for (bool qualifiers : {true, false}) {
    SCOPED_TRACE(qualifiers);
    Quantitate(qualifiers);
    Definition(2, {3});
    const int32_t made = Make();
    const auto pages = Pages();
    if (!qualifiers) {
      EXPECT_EQ(made, 0);
      EXPECT_TRUE(pages.empty());
      continue;
    }
    ASSERT_EQ(made, 1);
    ASSERT_FALSE(pages.empty());
    for (const auto& p : pages) {
      EXPECT_TRUE(Has(p, "Ion Ratio Report for Target Compound #"));
      EXPECT_TRUE(Has(p, "Analyte:  "));
      EXPECT_TRUE(Has(p, "Concentration:  "));
      EXPECT_FALSE(Has(p, "REPORT TERMINATED"));
    }
    // An analyte measured against a standard shows the standard's block first.
    const auto& second = pages.back();
    EXPECT_TRUE(Has(second, "Internal Standard:  "));
  }
}

}  // namespace
