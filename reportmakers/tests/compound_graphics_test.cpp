// The compound pages' graphics: panel layout, the spectra's common mass
// range, chromatogram windows and the baseline fit, then the graphics of a
// quantitated run drawn into a page.
#include <algorithm>
#include <cmath>
#include <sstream>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "common/preference_records.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "common/data_file_descriptions.h"
#include "plotengine/overlay.h"
#include "quant/tests/quant_run_support.h"
#include "quant/tests/quant_test_support.h"
#include "reportmakers/compound_graphics.h"
#include "reportmakers/report_format_section.h"
#include "reportmakers/sample_report_files.h"
#include "reportmakers/text_only_pages.h"
#include "win/win_stdio.h"
#include "reportmakers/summary_report.h"
#include "quant/results_sections.h"
#include "quant/summary_reports.h"
#include "holbrin/holbrin.h"
#include "reportpages/msr_functions.h"
#include <fstream>
#include <iterator>
#include "reportpages/report_output.h"

namespace {

namespace r = kelt::reports;

struct LayoutCase {
  int16_t codes[6];
  // Expected packed codes and, per slot, left/right edge and row (-1 none).
  int16_t packed[6];
  bool fullWidth[6];
  int rowOf[6];
  int rowsInColumn[6];
};

TEST(CompoundPanel, CodesPackUpwardsAndAnEmptyColumnLeavesTheWholeWidth) {
  const LayoutCase cases[] = {
      // Only the right column: full width, three rows.
      {{0, 0, 0, 5, 6, 8}, {0, 0, 0, 5, 6, 8}, {0, 0, 0, 1, 1, 1}, {-1, -1, -1, 0, 1, 2}, {0, 0, 0, 3, 3, 3}},
      // Only the left column, first and third: two equal rows.
      {{1, 0, 2, 0, 0, 0}, {1, 2, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0}, {0, 1, -1, -1, -1, -1}, {2, 2, 0, 0, 0, 0}},
      // Both columns; an empty first slot takes the third code.
      {{0, 0, 4, 5, 0, 0}, {4, 0, 0, 5, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, -1, -1, 0, -1, -1}, {1, 0, 0, 1, 0, 0}},
  };
  const int16_t left = 100, right = 3100, top = 1000, bottom = 1900;
  for (const LayoutCase& c : cases) {
    const r::PanelLayout p = r::LayOutPanel(c.codes, left, right, top, bottom);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(p.codes[i], c.packed[i]) << i;
      if (c.rowOf[i] < 0) continue;
      const r::PanelRect& rc = p.rects[i];
      if (c.fullWidth[i]) {
        EXPECT_EQ(rc.left, left);
        EXPECT_EQ(rc.right, right);
      } else {
        EXPECT_EQ(i < 3 ? rc.left : rc.right, i < 3 ? left : right);
        EXPECT_EQ(i < 3 ? rc.right : rc.left, left + (right - left) / 2);
      }
      const int n = c.rowsInColumn[i];
      const int h = n == 1 ? 900 : n == 2 ? 450 : 300;
      EXPECT_EQ(rc.top, top + h * c.rowOf[i]) << i;
      EXPECT_EQ(rc.bottom, c.rowOf[i] == n - 1 ? bottom : top + h * (c.rowOf[i] + 1)) << i;
    }
  }
}

TEST(CompoundPanel, SpectraWithinThreeUnitsShareFiveUnitsAndFivePercentEachSide) {
  double low = 0, high = 0;
  const double firsts[] = {100.0, 101.0}, lasts[] = {102.0, 103.0};
  ASSERT_TRUE(r::CommonMassRange(firsts, lasts, 2, &low, &high));
  EXPECT_DOUBLE_EQ(low, 99.0 - 0.25);
  EXPECT_DOUBLE_EQ(high, 104.0 + 0.25);
  const double wideFirst[] = {40.0, 50.0}, wideLast[] = {300.0, 250.0};
  ASSERT_TRUE(r::CommonMassRange(wideFirst, wideLast, 2, &low, &high));
  EXPECT_DOUBLE_EQ(low, 40.0 - 13.0);
  EXPECT_DOUBLE_EQ(high, 300.0 + 13.0);
  EXPECT_FALSE(r::CommonMassRange(firsts, lasts, 0, &low, &high));
}

TEST(CompoundPanel, QuantitationWindowsTakeInTheIntegratedPeak) {
  double s = 0, e = 0;
  // Record half-width 250 thousandths: 10 - 0.25 - 0.2 .. 10 + 0.25 + 0.2.
  r::QuanIonWindow(10.0, 10.1, 250, true, 0, 0, &s, &e);
  EXPECT_NEAR(s, 9.55, 1e-9);
  EXPECT_NEAR(e, 10.45, 1e-9);
  // A peak starting near the window's start pulls the start out.
  r::QuanIonWindow(10.0, 10.1, 250, true, 9.6f, 10.2f, &s, &e);
  EXPECT_NEAR(s, 9.6 - 0.2, 1e-6);
  EXPECT_NEAR(e, 10.45, 1e-9);
  // No record: the found time +- 0.5.
  r::QuanIonWindow(10.0, 10.1, -1, false, 0, 0, &s, &e);
  EXPECT_NEAR(s, 9.6, 1e-9);
  EXPECT_NEAR(e, 10.6, 1e-9);
}

std::vector<uint8_t> StepWithBaseline(float t1, float y1, float t2, float y2, float ps, float pe) {
  std::vector<uint8_t> step(r::kResultStepSize, 0);
  const float b[8] = {t1, y1, t2, y2, ps, 0, pe, 0};
  std::memcpy(step.data() + 188, b, sizeof b);
  return step;
}

TEST(CompoundPanel, ABaselineBelowThePlotLowersItsMinimumOneTwentiethMore) {
  auto o = std::make_unique<SVW_OVERLAY>();
  std::memset(o.get(), 0, sizeof(SVW_OVERLAY));
  o->tail.viewStart = 9.0;
  o->tail.viewEnd = 11.0;
  o->tail.scales.plotLow[0] = 0;
  o->tail.scales.plotHigh[0] = 1000;
  // Ends at 9.5 (y -200) and 10.5 (y 100): the minimum goes to -200, then
  // one twentieth of the new range (1200 / 20) lower.
  // The overlay is packed: its doubles are read by value.
  auto low = [&] {
    const double v = o->tail.scales.plotLow[0];
    return v;
  };
  auto step = StepWithBaseline(9.5f, -200, 10.5f, 100, 9.5f, 10.5f);
  RPTS_FitScaleToBaseline(o.get(), step.data());
  EXPECT_NEAR(low(), -200 - 60, 1e-3);
  // Well above the bottom: nothing moves.
  o->tail.scales.plotLow[0] = 0;
  step = StepWithBaseline(9.5f, 500, 10.5f, 600, 9.5f, 10.5f);
  RPTS_FitScaleToBaseline(o.get(), step.data());
  EXPECT_EQ(low(), 0);
  // A baseline of no length (both ends at one time) is taken at its
  // start's height instead of dividing by zero.
  step = StepWithBaseline(10.0f, -50, 10.0f, 80, 9.8f, 10.2f);
  RPTS_FitScaleToBaseline(o.get(), step.data());
  EXPECT_TRUE(std::isfinite(low()));
  EXPECT_NEAR(low(), -50 - 1050.0 / 20, 1e-3);
}

// ---- Graphics of a quantitated run ----------------------------------------------

constexpr char kMethod[] = "C:\\Data\\GRAPHICS.MTH";
constexpr char kSample[] = "C:\\Data\\GRAPHICS.KMS";

class QuantitatedGraphics : public quant_test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    plan_.reportUnknowns = 1;
    ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, design_, plan_, &method_));
    ASSERT_TRUE(quant_run::Calibrate(nullptr, kMethod, design_, method_, "C:\\Data", plan_.levels));
    sample_.amounts = {4, 9, 16, 25};
    sample_.drift = 0.01;
    sample_.noiseSeed = 5;
    ASSERT_TRUE(quant_accuracy::WriteSample(kSample, design_, sample_, method_, &truth_));
    ASSERT_TRUE(quant_run::Quantitate(nullptr, kSample, kMethod, SAMPLE_ANALYSIS, 0));
    wf_ = MakeWorkFileStruct(kSample, 0);
    ASSERT_NE(wf_, nullptr);
    KELT_GetCurrDefReportPrefs(&prefs_);
  }
  void TearDown() override {
    if (wf_) FreeWorkFileStruct(wf_);
    EngineTest::TearDown();
  }
  // The first target step that is no internal standard, with its records.
  bool ReadAnalyte(std::vector<uint8_t>* step, std::vector<uint8_t>* compound, std::vector<uint8_t>* table) {
    step->assign(r::kResultStepSize, 0);
    compound->assign(r::kCompoundRecordSize, 0);
    table->assign(r::kGlobalTableSize, 0);
    for (uint16_t i = 0; i < 20; ++i) {
      if (!RPTS_ReadResultStep(kSample, i, step->data())) return false;
      if (r::FieldAt<int32_t>(step->data(), 0) != 0 || (r::FieldAt<uint16_t>(step->data(), 4) & 0x100)) continue;
      index_ = i;
      return RPTS_ReadCompoundRecord(wf_, step->data(), compound->data()) && KELT_ReadGlobalTable(wf_, table->data());
    }
    return false;
  }
  quant_run::Design design_;
  quant_run::MethodPlan plan_;
  quant_run::SampleSpec sample_;
  msfix::DHTruth method_;
  msfix::RunTruth truth_;
  STRUCT_WORK_FILE* wf_ = nullptr;
  STRUCT_REPORT_PREFS prefs_{};
  uint16_t index_ = 0;
};

TEST_F(QuantitatedGraphics, ChromatogramsOfAnAnalyteAreDrawnAndAPanelEndsBelowItsLastLine) {
  std::vector<uint8_t> step, compound, table;
  ASSERT_TRUE(ReadAnalyte(&step, &compound, &table));
  CReportOutput out(nullptr, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
  ASSERT_TRUE(out.Ok);
  out.SelectSmallFont();
  const int16_t l = out.Page->ColumnToX(2), rgt = out.Page->ColumnToX(40), t = out.Page->LineToY(20),
                b = out.Page->LineToY(40);
  EXPECT_NE(out.DrawQuanIonChromatogram(wf_, step.data(), 0, compound.data(), table.data(), l, b, rgt, t), 0);
  EXPECT_NE(out.DrawCompoundRIC(wf_, step.data(), compound.data(), table.data(), l, b, rgt, t), 0);
  EXPECT_NE(out.DrawQualifierIonChromatograms(wf_, step.data(), compound.data(), l, b, rgt, t), 0);
  // Without a peak-table record there are no qualifier chromatograms.
  EXPECT_EQ(out.DrawQualifierIonChromatograms(wf_, step.data(), nullptr, l, b, rgt, t), 0);

  out.Line = 10;
  const int16_t codes[6] = {1, 2, 4, 5, 6, 8};
  EXPECT_EQ(out.DrawCompoundGraphics(wf_, int16_t(index_), step.data(), nullptr, compound.data(), table.data(), codes,
                                     2, 78, 60),
            1);
  EXPECT_EQ(out.Line, 61);
}

TEST_F(QuantitatedGraphics, LibraryMatchesOfATargetAreDroppedAndAnEmptyPanelKeepsTheLine) {
  std::vector<uint8_t> step, compound, table;
  ASSERT_TRUE(ReadAnalyte(&step, &compound, &table));
  CReportOutput out(nullptr, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
  ASSERT_TRUE(out.Ok);
  out.Line = 12;
  // Matches need a peak outside the method; the standard's trace needs its step.
  const int16_t codes[6] = {9, 10, 0, 3, 12, 0};
  EXPECT_EQ(out.DrawCompoundGraphics(wf_, int16_t(index_), step.data(), nullptr, compound.data(), table.data(), codes,
                                     2, 78, 60),
            0);
  EXPECT_EQ(out.Line, 12);
}

class CompoundPage : public quant_test::EngineTest {};

TEST_F(CompoundPage, TheSegmentLineIsWrittenOnlyForADescribedSegmentOfTheTime) {
  msfix::RunPlan plan;
  plan.scans = 200;
  plan.compounds = 2;
  const char* path = "C:\\Data\\PLAIN.KMS";
  ASSERT_TRUE(msfix::WriteMsDataFile(path, plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
  ASSERT_NE(wf, nullptr);
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  {
    CReportOutput out(nullptr, &prefs, 80, 72, 2, REPORT_OUTPUT_PAGES);
    ASSERT_TRUE(out.Ok);
    out.Line = 30;
    // A line only when the file describes its segment; the run's one does not.
    char line[1024] = {};
    const int16_t segment = int16_t(wf->msInfo.segmentCount > 1 ? 1 : 0);
    const double t = (wf->segmentBlocks[segment].startTime + wf->segmentBlocks[segment].endTime) / 2;
    const bool described = KELT_GetOneTextLineForSegment(wf, segment, line) != 0;
    out.WriteSegmentLine(wf, t, 2);
    EXPECT_EQ(out.Line, described ? 31 : 30);
    // No segment holds a time past the run.
    const int16_t before = out.Line;
    out.WriteSegmentLine(wf, wf->endTime + 100, 2);
    EXPECT_EQ(out.Line, before);
  }
  FreeWorkFileStruct(wf);
}

std::vector<std::string> CsvLines(const char* path) {
  std::ifstream file(win::paths::ToHost(path), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

TEST_F(QuantitatedGraphics, TheSampleReportFileListsTheTargetsInEvenColumns) {
  char section[32] = {};
  ASSERT_TRUE(KELT_GetMSReportsMethodSectionFromKMSFile(kSample, section));
  // Comma-separated, every result group, detailed.
  std::vector<uint8_t> format(sizeof(STRUCT_REPORT_FORMAT));
  ASSERT_TRUE(ReadReportFormat(kMethod, section, format.data()));
  const int16_t comma = 0, detailed = 1;
  const uint16_t groups = 0x3F;
  std::memcpy(format.data() + 24, &comma, 2);
  std::memcpy(format.data() + 1780, &detailed, 2);
  std::memcpy(format.data() + 2585, &groups, 2);
  ASSERT_TRUE(WriteReportFormat(kMethod, section, format.data()));
  char out[260] = "C:\\Data\\sample-MS.csv";
  ASSERT_EQ(RPTS_MakeSampleReportASCIIFile(kMethod, section, kSample, out, nullptr, 0, 0), 1);
  const auto lines = CsvLines(out);
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(lines[0].rfind("Sample Report (Detailed),", 0), 0u) << lines[0];
  const int fields = r::CountSeparatedFields(lines[0].data(), lines[0].size(), ',');
  // The report pages' fixed target table: its title row, its heads and a
  // row a compound, names quoted and grouped numbers kept whole.
  bool title = false, heads = false;
  int compounds = 0;
  for (const auto& l : lines) {
    EXPECT_EQ(r::CountSeparatedFields(l.data(), l.size(), ','), fields) << l;
    title = title || l.rfind("Target Compounds,", 0) == 0;
    heads = heads || l.find(",\"RT\",\"Delta RT\",\"Peak Name\",") != std::string::npos;
    compounds += l.find(",\"Compound ") != std::string::npos;
  }
  EXPECT_TRUE(title);
  EXPECT_TRUE(heads);
  EXPECT_EQ(compounds, 5);
}

TEST_F(QuantitatedGraphics, TheEngineSummarisesABatchIntoPagesAndAnExport) {
  const char* recalc = "C:\\Data\\BATCH.SEQ";
  ASSERT_TRUE(msfix::WriteRecalcFile(recalc, {"C:\\Data\\CAL1.KMS", "C:\\Data\\MISSING.KMS", kSample}));
  char section[64] = {};
  ASSERT_TRUE(BuildDHSectionName(section, "MSReportFormat2", method_.moduleId, method_.moduleAddress, "1"));
  std::vector<uint8_t> format(sizeof(STRUCT_REPORT_FORMAT));
  ASSERT_TRUE(ResetReportFormat(format.data()));
  // No format section in the list: no report.
  char name[260] = "";
  EXPECT_EQ(MORVEX_Ex_GenerateSummaryReport(recalc, 0, 10, kMethod, 0, name, nullptr, 0, 0, 0, 0), 0);
  ASSERT_TRUE(WriteReportFormat(recalc, section, format.data()));
  ASSERT_TRUE(WriteReportFormat(kMethod, section, format.data()));
  // A name that is no report-format name is passed over.
  ASSERT_TRUE(WriteReportFormat(recalc, "MSReportFormat2.bad", format.data()));
  EXPECT_EQ(MORVEX_Ex_GenerateSummaryReport(recalc, 0, 10, kMethod, 0, name, nullptr, 1, 0, 0, 0), 1);
  EXPECT_GE(MSR_GetPageCount(name), 1);
  // The format's own choice: pages and the export beside the list.
  const int16_t on = 1;
  std::memcpy(format.data() + 16, &on, 2);
  std::memcpy(format.data() + 18, &on, 2);
  ASSERT_TRUE(WriteReportFormat(kMethod, section, format.data()));
  char second[260] = "C:\\Data\\second.msr";
  EXPECT_EQ(MORVEX_GenerateSummaryReport(recalc, 0, 10, kMethod, 0, second, nullptr), 1);
  const auto lines = CsvLines("C:\\Data\\BATCH-MSSum.csv");
  std::string all;
  for (const auto& l : lines) all += l + "\n";
  // The file that was never written comes first, as its error; the run
  // types are the runs' sample types.
  const size_t firstGroup = all.find("\"Run Type:  Calibration\"");  // the format groups by run type
  ASSERT_NE(firstGroup, std::string::npos) << all;
  // Five heading lines, then the error row and its empty line.
  EXPECT_EQ(std::count(all.begin(), all.begin() + long(firstGroup), '\n'), 7) << all;
  EXPECT_NE(all.find("\"Calib(Level 1)\""), std::string::npos) << all;
  EXPECT_NE(all.find("\"Analysis\""), std::string::npos);
}

TEST_F(QuantitatedGraphics, ATextOnlyPageComesBackWithItsGeometryAndAControlsReportIsStored) {
  std::vector<uint8_t> step, compound, table;
  ASSERT_TRUE(ReadAnalyte(&step, &compound, &table));
  int16_t used = 0, lines = 0, columns = 0;
  HGLOBAL page = RPTS_MakeTargetTextOnlyPage(kSample, &prefs_, int16_t(index_), &used, &lines, &columns, nullptr, 1, 2);
  ASSERT_NE(page, nullptr);
  EXPECT_GT(GlobalSize(page), 100u);
  GlobalFree(page);
  EXPECT_EQ(lines, 72);
  EXPECT_EQ(columns, 80);
  EXPECT_GT(used, 10);
  EXPECT_LE(used, 72);
  // Not a quantitated data file: no page.
  EXPECT_EQ(RPTS_MakeTargetTextOnlyPage("C:\\Data\\NONE.KMS", &prefs_, 0, &used, &lines, &columns, nullptr, 0, 0),
            nullptr);
  char reports[260] = "C:\\Data\\controls.msr";
  EXPECT_EQ(RPTS_MakeTargetReportFromControls(reports, &prefs_, kSample, -1, nullptr, nullptr, nullptr, 0, 0), 1);
  EXPECT_EQ(RPTS_MakeTargetReportFromControls(reports, &prefs_, kSample, int16_t(index_), nullptr, nullptr, "Shown.kms",
                                              0, 0),
            1);
  EXPECT_EQ(MSR_GetPageCount(reports), 2);
}

TEST_F(QuantitatedGraphics, ASummaryRowKeepsTwentyResultLettersWithinItsField) {
  // The step's letters fill their 20 bytes without an end.
  HSECTION s = OpenTolResults(kSample);
  ASSERT_NE(s, nullptr);
  STRUCT_RESULT_STEP step;
  ASSERT_TRUE(ReadTolResultStep(s, 1, &step));
  std::memset(step.flagText, 'Q', sizeof step.flagText);
  step.resultFlags = 0;
  ASSERT_TRUE(WriteTolResultStep(s, 1, &step));
  CloseSection(s);
  std::vector<uint8_t> format(sizeof(STRUCT_REPORT_FORMAT));
  ASSERT_TRUE(ResetReportFormat(format.data()));
  morvex::summary::RowList rows(morvex::summary::kNone, morvex::summary::kNone, morvex::summary::kNone, 0);
  morvex::summary::AddFileRows(&rows, kSample, 7, format.data());
  const STRUCT_SUMMARY_ROW_LIST v = rows.View();
  ASSERT_GE(v.count, 2);
  const STRUCT_SUMMARY_ROW& row = *v.rows[1];
  EXPECT_EQ(std::string(row.letters), std::string(20, 'Q'));
  EXPECT_EQ(row.mark, 'X');
  EXPECT_EQ(row.line, 7);
  EXPECT_EQ(row.compoundNumber, 2);
  EXPECT_EQ(row.runType, 2u);       // the sample type of an analysis run
  EXPECT_EQ(row.level, 0x1000);
  // A file that is not there is one error row with the system's text.
  morvex::summary::AddFileRows(&rows, "C:\\Data\\GONE.KMS", 8, format.data());
  const STRUCT_SUMMARY_ROW_LIST w = rows.View();
  EXPECT_EQ(w.rows[0]->errorRow, 1u);
  EXPECT_EQ(w.rows[0]->line, 8);
  EXPECT_GT(std::strlen(w.rows[0]->path), 0u);
}

TEST(SummaryRows, ErrorRowsComeFirstAndGroupsRiseByTheirKeys) {
  morvex::summary::RowList list(morvex::summary::kCompound, morvex::summary::kNone, morvex::summary::kRunType, 5);
  auto row = [](const char* name, uint32_t run, bool error = false) {
    STRUCT_SUMMARY_ROW r{};
    std::snprintf(r.name, sizeof r.name, "%s", name);
    r.runType = run;
    r.errorRow = error ? 1 : 0;
    return r;
  };
  list.Add(row("Pyrene", 2));
  list.Add(row("Anthracene", 3));
  list.Add(row("", 0, true));
  list.Add(row("Anthracene", 1));
  list.Add(row("Pyrene", 1));
  const STRUCT_SUMMARY_ROW_LIST v = list.View();
  ASSERT_EQ(v.count, 5);
  EXPECT_EQ(v.rows[0]->errorRow, 1u);
  const char* names[] = {"Anthracene", "Anthracene", "Pyrene", "Pyrene"};
  const uint32_t runs[] = {1, 3, 1, 2};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(v.rows[i + 1]->name, names[i]);
    EXPECT_EQ(v.rows[i + 1]->runType, runs[i]);
  }
}

TEST(SummaryRows, FormatSectionNamesNeedAllFourParts) {
  uint16_t id = 0, address = 0;
  EXPECT_TRUE(morvex::summary::ParseFormatSectionName("MSReportFormat2.00a1.0003.1", &id, &address));
  EXPECT_EQ(id, 0xa1);
  EXPECT_EQ(address, 3);
  for (const char* bad : {"MSReportFormat2", "MSReportFormat2.00a1", "MSReportFormat2.00a1.0003", "MSReportFormat2.x.1.1"})
    EXPECT_FALSE(morvex::summary::ParseFormatSectionName(bad, &id, &address)) << bad;
}

}  // namespace
