// The report makers' frame: codes, kind masks, time strips and scales, the
// data-file information grid and the sample report of a quantitated run,
// of a run without results and of a damaged file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "quant/tests/quant_run_support.h"
#include "reportmakers/data_file_info.h"
#include "reportmakers/report_chromatogram.h"
#include "reportmakers/report_format.h"
#include "reportmakers/report_makers.h"
#include "common/report_records.h"
#include "common/result_codes.h"
#include "reportmakers/results_header.h"
#include "reportpages/report_output.h"
#include "reportpages/tests/page_records.h"
#include "reportpages/view_page_control.h"
#include "testing/workstation_root.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

namespace r = kelt::reports;

TEST(ResultCodes, Lookups) {
  const char* pairs[][2] = {{"1", "BV"}, {"5", "VV"}, {"10", "GR"}, {"15", "HM"}};
  for (auto& p : pairs) EXPECT_STREQ(SeparationCode_GetString(int16_t(std::stoi(p[0]))), p[1]);
  for (int16_t code : {0, 16, -1, -32768}) EXPECT_STREQ(SeparationCode_GetString(code), " ");
  EXPECT_EQ(ResultCode_FlagFromChar("a"), 0x200000u);
  EXPECT_EQ(ResultCode_FlagFromChar("A"), 0xFFFFu);
  EXPECT_EQ(ResultCode_FlagFromChar("R"), 0x1u);
  EXPECT_EQ(ResultCode_FlagFromChar("#"), 0x2u);
  EXPECT_EQ(ResultCode_FlagFromChar(nullptr), 0xFFFFu);
  EXPECT_STREQ(ResultCode_StringFromFlag(0x3), " ");
  EXPECT_STREQ(ResultCode_StringFromFlag(0x200000), "a : S/N less than threshold.");
}

std::vector<uint8_t> Header(std::vector<int16_t> countsByKind) {
  std::vector<uint8_t> h(r::kResultsHeaderSize, 0);
  for (size_t k = 0; k < countsByKind.size(); ++k)
    std::memcpy(h.data() + r::header::kCountOfKind[k], &countsByKind[k], 2);
  return h;
}

TEST(KindMasks, MaskBitsAndRequestedResults) {
  // Missing compounds are 4 and failed ones 2; unknown peaks 16, duplicates 32.
  const uint16_t masks[6] = {1, 4, 2, 8, 16, 32};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r::MaskOfKind(k), masks[k]) << k;
  EXPECT_EQ(r::MaskOfKind(6), 0);
  // Duplicates (kind 5) are stored before unknowns (kind 4).
  const std::vector<uint8_t> h = Header({0, 0, 0, 0, 3, 5});
  EXPECT_EQ(r::FieldAt<int16_t>(h.data(), 2259), 5);
  EXPECT_EQ(r::CountOfMask(h.data(), 16), 3);
  EXPECT_EQ(r::CountOfMask(h.data(), 32), 5);
  struct Case {
    std::vector<int16_t> counts;
    uint16_t mask;
    int16_t any, compounds, unidentified, want;
  } cases[] = {
      {{0, 0, 0, 2, 0, 0}, 0x3F, 0, 1, 0, 0},  // only peaks: no compound report
      {{0, 0, 0, 2, 0, 0}, 0x3F, 1, 0, 0, 1},
      {{0, 0, 0, 2, 0, 0}, 0x3F, 0, 0, 1, 1},
      {{3, 0, 0, 0, 0, 0}, 0, 1, 1, 1, 0},      // nothing asked for
      {{0, 2, 0, 0, 0, 0}, 2, 0, 1, 0, 0},      // missing ones are 4, not 2
      {{0, 2, 0, 0, 0, 0}, 4, 0, 1, 0, 1},
      {{0, 0, 0, 0, 0, 1}, 16, 1, 0, 0, 0},     // a duplicate is 32
      {{0, 0, 0, 0, 0, 1}, 32, 1, 0, 0, 1},
      {{-4, 0, 0, 0, 0, 0}, 1, 1, 0, 0, 0},     // a damaged count counts nothing
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> hc = Header(c.counts);
    EXPECT_EQ(RPTS_HasRequestedResults(hc.data(), c.mask, c.any, c.compounds, c.unidentified), c.want)
        << c.mask << " " << c.any << c.compounds << c.unidentified;
  }
  EXPECT_EQ(RPTS_HasRequestedResults(nullptr, 0x3F, 1, 1, 1), 0);
}

TEST(ChromatogramStrips, StripsOverlapAndFallbacks) {
  struct Case {
    double first, last;
    int strips, overlap;
    bool draw;
    int count;
    double span, overlapMinutes;
  } cases[] = {
      {0, 10, 60, 0, true, 40, 0.25, 0},       // strips of at least a quarter minute
      {0, 10, 4, 0, true, 4, 2.5, 0},
      {0, 10, 20, 30, true, 20, 0.5, 0},       // 30 s is no overlap
      {0, 10, 20, 12, true, 20, 0.5, 0.1},     // cut to a fifth of the strip
      {0, 10, 2, 12, true, 2, 5, 0.2},
      {0, 10, 1, 12, true, 1, 10, 0},          // one strip has no overlap
      {3, 3.1, 1, 0, true, 1, 10, 0},          // too short: the file's range
  };
  for (const Case& c : cases) {
    const r::StripPlan p = r::PlanStrips(c.first, c.last, 0, 10, c.strips, c.overlap);
    SCOPED_TRACE(c.strips);
    EXPECT_EQ(p.draw, c.draw);
    EXPECT_EQ(p.count, c.count);
    EXPECT_NEAR(p.span, c.span, 1e-12);
    EXPECT_NEAR(p.overlap, c.overlapMinutes, 1e-12);
  }
  EXPECT_FALSE(r::PlanStrips(1, 1.1, 1, 1.2, 3, 0).draw);  // a file shorter than a quarter minute
  double first, last;
  r::RequestTimes(true, 20, 30, 2, 12, &first, &last);  // a range outside the file keeps the file's
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 12);
  r::RequestTimes(true, 4, 8, 2, 12, &first, &last);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(last, 8);
  r::RequestTimes(false, 4, 8, 2, 12, &first, &last);
  EXPECT_EQ(first, 2);
}

TEST(ChromatogramStrips, IntensityScale) {
  double bottom, top;
  r::IntensityScale(true, 0, 0, 0, 0, 0, &bottom, &top);  // all intensities equal (0)
  EXPECT_EQ(bottom, 0);
  EXPECT_EQ(top, 100);
  r::IntensityScale(true, 2, 0, 10, 8000, 100, &bottom, &top);
  EXPECT_EQ(top, 4000);
  EXPECT_EQ(bottom, 400);
  r::IntensityScale(true, 1, 0, 100, 8000, 100, &bottom, &top);  // bottom reaches the top
  EXPECT_EQ(bottom, 95);
  EXPECT_EQ(top, 8005);
  r::IntensityScale(false, 1, 5000, 0, 8000, 100, &bottom, &top);
  EXPECT_EQ(top, 5000);
  EXPECT_EQ(bottom, 0);
}

constexpr char kMethod[] = "C:\\Data\\method.mth";
constexpr char kSample[] = "C:\\Data\\sample.kms";
constexpr char kReports[] = "C:\\Reports\\frame.msr";

class ReportFrame : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Data"));
    std::filesystem::create_directories(win::paths::ToHost("C:\\Reports"));
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    KELT_ResetDefReportPrefs(&prefs_);
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    std::strcpy(reports_, kReports);
  }
  void TearDown() override {
    g_bCancelReport = 0;
    kelt::pages::DeleteCachedPrinterDCs();
    WorkstationRootTest::TearDown();
  }
  // A method and a sample quantitated against it.
  void Quantitated(int16_t reportNotFound = 1) {
    quant_run::Design d;
    quant_run::MethodPlan plan;
    plan.reportUnknowns = 1;
    plan.filterTenths = 5;
    plan.removeIdentified = false;  // the compounds' peaks stay among the peaks: duplicates
    plan.reportNotFound = reportNotFound;
    ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, d, plan, &method_));
    quant_run::SampleSpec s;
    s.amounts = {4, 9, 16, 25};
    msfix::RunTruth truth;
    ASSERT_TRUE(quant_accuracy::WriteSample(kSample, d, s, method_, &truth));
    ASSERT_TRUE(quant_run::Quantitate(nullptr, kSample, kMethod, SAMPLE_ANALYSIS));
    ASSERT_TRUE(BuildDHSectionName(section_, "MSReportFormat2", method_.moduleId, method_.moduleAddress, "1"));
  }
  std::vector<std::string> TempFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(win::paths::ToHost("C:\\TEMP")))
      names.push_back(e.path().filename().string());
    return names;
  }
  std::vector<Played> Pages(std::vector<RptsPageRecord>* records = nullptr) {
    std::vector<Played> pages;
    CRptsFileHandler file(reports_, nullptr);
    for (int i = 0; i < file.GetCountOfPages(); ++i) {
      RptsPageRecord rec{};
      pages.push_back(PlayStored(file, i, &rec));
      if (records) records->push_back(rec);
    }
    return pages;
  }
  static bool Any(const std::vector<Played>& pages, const std::string& text) {
    for (const Played& p : pages)
      if (HasText(p, text)) return true;
    return false;
  }
  STRUCT_REPORT_PREFS prefs_{};
  msfix::DHTruth method_;
  char section_[80] = {};
  char reports_[MAX_PATH] = {};
};

TEST_F(ReportFrame, SampleReportOfAQuantitatedRun) {
  Quantitated();
  ASSERT_EQ(RPTS_MakeSampleReport(kMethod, section_, kSample, reports_, &prefs_, 0, 0, nullptr, 0, 0), 1);
  std::vector<RptsPageRecord> records;
  const std::vector<Played> pages = Pages(&records);
  ASSERT_GE(pages.size(), 1u);
  EXPECT_STREQ(records[0].title, "Sample Report for sample.kms");
  EXPECT_EQ(records[0].columns, 80);
  EXPECT_TRUE(HasText(pages[0], "Quantitation Report"));
  EXPECT_TRUE(HasText(pages[0], "Sample Report for sample.kms"));
  for (const char* label :
       {"Sample ID:", "Operator:", "Data File:", "Method:", "Identified Compounds:", "Calibration Type:"})
    EXPECT_TRUE(HasText(pages[0], label)) << label;
  // A portrait page: the grid's third column is not printed.
  EXPECT_FALSE(HasText(pages[0], "Unknown Peaks:"));
  EXPECT_TRUE(HasText(pages[0], "Internal Standard"));
  EXPECT_TRUE(HasText(pages[0], "c:\\data\\sample.kms"));
  EXPECT_TRUE(Any(pages, "Acquisition Segment Information"));
  EXPECT_FALSE(Any(pages, "REPORT TERMINATED - ERROR OCCURRED"));
  // The chromatogram strip is drawn on the page: lines and the scan axis of the segment bar.
  size_t polylines = 0;
  for (DWORD t : pages[0].types) polylines += t == EMR_POLYLINE16 || t == EMR_POLYLINE;
  EXPECT_GT(polylines, 0u);
  EXPECT_TRUE(HasText(pages[0], "Scans"));
  EXPECT_TRUE(TempFiles().empty()) << ::testing::PrintToString(TempFiles());
}

TEST_F(ReportFrame, RunWithoutResultsOrFormatSaysNoDataHandling) {
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile(kSample, plan, nullptr));
  ASSERT_EQ(RPTS_MakeSampleReport("C:\\Data\\none.mth", "MSReportFormat2.0001.0001.1", kSample, reports_, &prefs_,
                                  0, 0, nullptr, 0, 0),
            1);
  std::vector<RptsPageRecord> records;
  const std::vector<Played> pages = Pages(&records);
  ASSERT_GE(pages.size(), 1u);
  EXPECT_EQ(records[0].columns, 80);
  EXPECT_EQ(records[0].orientation, 2);
  EXPECT_TRUE(HasText(pages[0], "NO DATA HANDLING"));
  // The library's default format: its grid, without the results' values.
  for (const char* label : {"Sample ID:", "Operator:", "Acquisition Date:", "Data File:", "Method:",
                            "Inj. Sample Notes:", "Calibration Type:"})
    EXPECT_TRUE(HasText(pages[0], label)) << label;
  EXPECT_FALSE(HasText(pages[0], "External Standard"));
  EXPECT_TRUE(HasText(pages[0], "Acquisition Segment Information"));
  EXPECT_TRUE(TempFiles().empty()) << ::testing::PrintToString(TempFiles());
}

TEST_F(ReportFrame, DamagedDataFileGivesNoReportAndACleanReportsFile) {
  WriteHostPath(win::paths::ToHost(kSample), std::string(5000, '\x5a'));
  EXPECT_EQ(RPTS_MakeSampleReport(kMethod, "MSReportFormat2.0001.0001.1", kSample, reports_, &prefs_, 0, 0, nullptr,
                                  0, 0),
            0);
  EXPECT_TRUE(Pages().empty());
  // With an empty name no temporary reports file is left behind either.
  char temp[MAX_PATH] = {};
  EXPECT_EQ(RPTS_MakeSampleReport(kMethod, "MSReportFormat2.0001.0001.1", kSample, temp, &prefs_, 0, 0, nullptr, 0,
                                  0),
            0);
  EXPECT_TRUE(TempFiles().empty()) << ::testing::PrintToString(TempFiles());
}

TEST_F(ReportFrame, ChecksForRequestedResults) {
  Quantitated();
  EXPECT_EQ(RPTS_CheckForResultsForCompoundReports(kMethod, kSample, section_, 1, 0, 0, 0), 1);
  EXPECT_EQ(RPTS_CheckForResultsForCompoundReports(kMethod, kSample, section_, 0, 1, 0, 0), 1);
  EXPECT_EQ(RPTS_CheckForResultsForCompoundReports(kMethod, "C:\\Data\\none.kms", section_, 1, 1, 1, 0), 0);
}

// A report reads its run's results header once; its parts take that copy,
// for that file only, while the report holds it.
TEST_F(ReportFrame, AHeldResultsHeaderServesItsFileUntilItsHolderEnds) {
  Quantitated();
  const char kOther[] = "C:\\Data\\none.kms";
  std::vector<uint8_t> direct(r::kResultsHeaderSize), got(r::kResultsHeaderSize, 0xEE);
  ASSERT_TRUE(RPTS_ReadResults(kSample, direct.data()));
  {
    const r::HeldResultsHeader hold(kSample);
    {
      const r::HeldResultsHeader inner(kOther);  // a report inside a report keeps the outer one's
    }
    ASSERT_TRUE(r::ReadResultsHeader(kSample, got.data()));
    EXPECT_EQ(got, direct);
    EXPECT_FALSE(r::ReadResultsHeader(kOther, got.data()));
    ASSERT_TRUE(DeleteFileA(kSample));
    EXPECT_TRUE(r::ReadResultsHeader(kSample, got.data()));
  }
  EXPECT_FALSE(r::ReadResultsHeader(kSample, got.data()));
}

// Information grids written on a portrait page of their own.
class InfoGrid : public ReportFrame {
 protected:
  std::vector<Played> Write(const std::vector<std::vector<uint16_t>>& lines, int16_t wide, BOOL* result) {
    r::RPT_SAMPLE_DEFINITION d{};
    std::strcpy(d.description, "Grid test");
    for (size_t l = 0; l < lines.size(); ++l)
      for (size_t c = 0; c < lines[l].size(); ++c) d.grid[c][l] = lines[l][c];
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
    EXPECT_NE(wf, nullptr);
    DeleteFileA(reports_);
    CRptsFileHandler made(nullptr);
    EXPECT_EQ(made.MakeThisNewFile(reports_), 1);
    {
      CReportOutput out(reports_, &prefs_, wide ? 140 : 80, wide ? 60 : 72, wide ? 1 : 2, REPORT_OUTPUT_PAGES);
      *result = RPTS_WriteDataFileInfo(&out, wf, &d, nullptr, 2, wide ? 138 : 78, wide);
      out.TextAtColumn(2, "end of page");
      out.EndPage();
    }
    FreeWorkFileStruct(wf);
    return Pages();
  }
};

// A block begun down the page starts right below what came before it, in
// its taller lines, and the report goes on below the block.
TEST_F(InfoGrid, BlockDownThePageFollowsTheTextAboveIt) {
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile(kSample, plan, nullptr));
  r::RPT_SAMPLE_DEFINITION d{};
  d.grid[0][0] = 1;
  d.grid[0][1] = 5;
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
  ASSERT_NE(wf, nullptr);
  CRptsFileHandler made(nullptr);
  ASSERT_EQ(made.MakeThisNewFile(reports_), 1);
  int16_t grid = 0;
  {
    CReportOutput out(reports_, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
    out.Line = 40;
    out.TextAtColumn(2, "above");
    EXPECT_EQ(RPTS_WriteDataFileInfo(&out, wf, &d, nullptr, 2, 78, 0), 1);
    grid = out.Page->m_Lines;
    out.TextAtColumn(2, "below");
    out.EndPage();
  }
  FreeWorkFileStruct(wf);
  EXPECT_EQ(grid, 72);
  const std::vector<Played> pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  auto y = [&](const std::string& text) {
    for (const Text& t : pages[0].texts)
      if (t.text == text) return t.y;
    return -1;
  };
  const int line = 32000 / 72;
  EXPECT_GT(y("Sample ID:"), y("above"));
  EXPECT_LT(y("Sample ID:"), y("above") + 3 * line);
  EXPECT_GT(y("Acquisition Date:"), y("Sample ID:") + line);  // taller lines
  EXPECT_GT(y("below"), y("Acquisition Date:") + line);
  EXPECT_LT(y("below"), 32767);
}

TEST_F(InfoGrid, BlankCellsAloneWriteNothing) {
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile(kSample, plan, nullptr));
  BOOL result = 1;
  const std::vector<Played> pages = Write({{25, 26}, {26, 0, 25}}, 0, &result);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].texts.size(), 1u);
}

TEST_F(InfoGrid, NarrowPagesLeaveOutTheThirdColumnAndVialShowsTheVial) {
  Quantitated(0);
  DF_INJECTION_INFO inj{};
  std::strcpy(inj.rack, "R2");
  inj.vial = 17;
  inj.volume = 1.5f;
  ASSERT_TRUE(DF_WriteInjectionInfo(kSample, &inj));
  for (int16_t wide : {0, 1}) {
    SCOPED_TRACE(wide);
    BOOL result = 0;
    const std::vector<Played> pages = Write({{32, 33, 34}, {19, 12}, {1, 0, 21}}, wide, &result);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(HasText(pages[0], "Rack:"));
    EXPECT_TRUE(HasText(pages[0], "R2"));
    EXPECT_TRUE(HasText(pages[0], "Vial:"));
    EXPECT_TRUE(HasText(pages[0], "17"));
    EXPECT_EQ(HasText(pages[0], "Volume:"), wide == 1);
    EXPECT_EQ(HasText(pages[0], "TIC Peaks:"), wide == 1);
    // Missing compounds are not reported by this method: "N/A", whatever the count.
    EXPECT_TRUE(HasText(pages[0], "Missing Compounds:"));
    EXPECT_TRUE(HasText(pages[0], "N/A"));
    EXPECT_TRUE(HasText(pages[0], "Grid test"));
  }
}

TEST_F(InfoGrid, WithoutResultsTheResultItemsPrintNothing) {
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile(kSample, plan, nullptr));
  BOOL result = 0;
  const std::vector<Played> pages = Write({{1, 10, 18}, {5, 6}, {12, 24}}, 1, &result);
  EXPECT_EQ(result, 1);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(HasText(pages[0], "Sample ID:"));
  EXPECT_TRUE(HasText(pages[0], plan.sampleName));
  EXPECT_TRUE(HasText(pages[0], "Calibration Type:"));
  EXPECT_FALSE(HasText(pages[0], "External Standard"));
  EXPECT_FALSE(HasText(pages[0], "0"));
  EXPECT_TRUE(HasText(pages[0], "Grid test"));
  EXPECT_TRUE(HasText(pages[0], "c:\\data\\sample.kms"));
}

}  // namespace

namespace {

class CalibrationReports : public ReportFrame {
 protected:
  void Calibrated() {
    quant_run::Design d;
    quant_run::MethodPlan plan;
    ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, d, plan, &method_));
    ASSERT_TRUE(quant_run::Calibrate(nullptr, kMethod, d, method_, "C:\\Data", plan.levels));
    ASSERT_TRUE(BuildDHSectionName(section_, "MSReportFormat2", method_.moduleId, method_.moduleAddress, "1"));
  }
};

TEST_F(CalibrationReports, BlockAndCurvePagesGoIntoTheReportsFile) {
  Calibrated();
  ASSERT_EQ(RPTS_MakeCalBlockReports(kMethod, section_, kMethod, reports_, 0), 1);
  ASSERT_EQ(RPTS_MakeCalCurveReports(kMethod, section_, kMethod, reports_, 0), 1);
  std::vector<RptsPageRecord> records;
  const std::vector<Played> pages = Pages(&records);
  ASSERT_GE(pages.size(), 2u);
  EXPECT_STREQ(records.front().title, "Cal. Block Report");
  EXPECT_STREQ(records.back().title, "Cal. Curves Report");
  EXPECT_TRUE(HasText(pages.front(), "Calibration Block Report"));
  EXPECT_TRUE(HasText(pages.back(), "Calibration Curves"));
  // Five compounds, two curves a page.
  size_t curves = 0;
  for (const RptsPageRecord& r : records) curves += std::strcmp(r.title, "Cal. Curves Report") == 0;
  EXPECT_EQ(curves, (method_.compounds.size() + 1) / 2);
}

TEST_F(CalibrationReports, AnEmptyNameGetsATemporaryReportsFile) {
  Calibrated();
  char name[MAX_PATH] = {};
  ASSERT_EQ(RPTS_MakeCalBlockReports(kMethod, section_, kMethod, name, 0), 1);
  EXPECT_NE(std::string(name).find("MMM"), std::string::npos) << name;
  CRptsFileHandler file(name, nullptr);
  EXPECT_GE(file.GetCountOfPages(), 1);
  // A file without a method gives nothing, and no file is left behind.
  char none[MAX_PATH] = {};
  EXPECT_EQ(RPTS_MakeCalCurveReports(kMethod, section_, "C:\\Data\\missing.kms", none, 0), 0);
  EXPECT_EQ(none[0], 0);
  EXPECT_EQ(TempFiles().size(), 1u) << ::testing::PrintToString(TempFiles());
  // A section name without a module gives nothing either.
  EXPECT_EQ(RPTS_MakeCalBlockReports(kMethod, "MSReportFormat2", kMethod, none, 0), 0);
}

}  // namespace

#include "reportmakers/compound_makers.h"
#include "reportmakers/compound_pages.h"

namespace {

// Page makers that count their calls and store one page a step.
struct Calls {
  std::vector<std::pair<char, int>> steps;  // maker, step index
  std::vector<int> firstPages;
};
Calls* g_calls = nullptr;

int StorePage(const r::CompoundPageRequest& q, char which, uint16_t* pages) {
  g_calls->steps.emplace_back(which, q.stepIndex);
  g_calls->firstPages.push_back(q.firstPage);
  CRptsFileHandler file(q.reportsFile, nullptr);
  const int ok = file.AddPageToFile("page", 4, 0, 80, 72, 0, 0, 0, 0, 0, q.firstPage, q.dateTime, "Compound");
  *pages = 2;  // as if two pages were made
  return ok;
}

class CompoundMakers : public ReportFrame {
 protected:
  void SetUp() override {
    ReportFrame::SetUp();
    g_calls = &calls_;
    r::CompoundPageMakers m;
    m.target = [](const r::CompoundPageRequest& q, uint16_t* n) { return StorePage(q, 'T', n); };
    m.ionRatio = [](const r::CompoundPageRequest& q, uint16_t* n) { return StorePage(q, 'R', n); };
    m.unidentified = [](const r::CompoundPageRequest& q, uint16_t* n) { return StorePage(q, 'U', n); };
    r::SetCompoundPageMakers(m);
  }
  void TearDown() override {
    r::SetCompoundPageMakers(r::DefaultCompoundPageMakers());
    g_calls = nullptr;
    ReportFrame::TearDown();
  }
  // The method's compound definition asks for these kinds, with this page style.
  void Format(uint16_t mask, uint16_t pageStyle) {
    std::vector<uint8_t> f(r::kReportFormatSize);
    ASSERT_TRUE(ReadReportFormat(kMethod, section_, f.data()));
    std::memcpy(f.data() + r::kCompoundOffset + 989, &mask, 2);
    std::memcpy(f.data() + r::kCompoundOffset + 173, &pageStyle, 2);
    ASSERT_TRUE(WriteReportFormat(kMethod, section_, f.data()));
  }
  int32_t Make(int32_t (*maker)(const char*, const char*, const char*, char*, STRUCT_REPORT_PREFS*, int32_t, int32_t,
                                const char*, int16_t, int16_t)) {
    calls_ = Calls{};
    return maker(kMethod, section_, kSample, reports_, &prefs_, 0, 0, nullptr, 0, 0);
  }
  std::string Makers() const {
    std::string s;
    for (const auto& c : calls_.steps) s += c.first;
    return s;
  }
  Calls calls_;
};

TEST_F(CompoundMakers, EachMakerWalksTheKindsItsMaskSelects) {
  Quantitated();  // five identified compounds, five duplicate peaks
  Format(1 | 32, 0);
  EXPECT_EQ(Make(RPTS_MakeCompoundReports), 1);
  EXPECT_EQ(Makers(), "TTTTTUUUUU");
  // Page numbers run on by the pages each maker made.
  ASSERT_EQ(calls_.firstPages.size(), 10u);
  EXPECT_EQ(calls_.firstPages[1], 3);
  EXPECT_EQ(calls_.firstPages[9], 19);
  EXPECT_EQ(Make(RPTS_MakeTargetCompoundReports), 1);
  EXPECT_EQ(Makers(), "TTTTT");
  EXPECT_EQ(Make(RPTS_MakeUnknownCompoundReports), 1);
  EXPECT_EQ(Makers(), "UUUUU");
  // Unknown peaks are 16: duplicates are not among them.
  Format(1 | 16, 2);
  EXPECT_EQ(Make(RPTS_MakeUnknownCompoundReports), 0);
  EXPECT_EQ(Makers(), "");
  EXPECT_EQ(Make(RPTS_MakeTargetCompoundReports), 1);
  EXPECT_EQ(Makers(), "RRRRR");
  // A mask of 0 makes no report, but the internal standards are reported whatever it says.
  Format(0, 0);
  EXPECT_EQ(Make(RPTS_MakeCompoundReports), 0);
  EXPECT_EQ(Makers(), "");
  EXPECT_EQ(Make(RPTS_MakeISCompoundReports), 1);
  EXPECT_EQ(Makers(), "T");
}

TEST_F(CompoundMakers, NoResultsOrNoPageMakerStoresNothing) {
  Quantitated();
  r::SetCompoundPageMakers({});
  EXPECT_EQ(Make(RPTS_MakeCompoundReports), 0);
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\Data\\plain.kms", plan, nullptr));
  calls_ = Calls{};
  EXPECT_EQ(RPTS_MakeTargetCompoundReports(kMethod, section_, "C:\\Data\\plain.kms", reports_, &prefs_, 0, 0, nullptr,
                                           0, 0),
            0);
  EXPECT_FALSE(std::filesystem::exists(win::paths::ToHost(kReports)));
}

}  // namespace

namespace {

// A cancelled report stores its stop page and draws nothing after it.
TEST_F(ReportFrame, CancelledReportStopsForGood) {
  Quantitated();
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
  ASSERT_NE(wf, nullptr);
  CRptsFileHandler made(nullptr);
  ASSERT_EQ(made.MakeThisNewFile(reports_), 1);
  {
    CReportOutput out(reports_, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
    std::vector<uint8_t> format(r::kReportFormatSize);
    ASSERT_TRUE(ResetReportFormat(format.data()));
    out.TextAtColumn(2, "before");
    g_bCancelReport = 1;
    EXPECT_EQ(RPTS_WriteDataFileInfo(&out, wf, format.data() + r::kSampleOffset, nullptr, 2, 78, 0), 0);
    STRUCT_RPT_CHROMATOGRAM request{};
    request.workFile = wf;
    request.strips = 3;
    request.plotHeight = 12;
    EXPECT_EQ(RPTS_DrawChromatogramStrips(&out, &request), 0);
    out.EndPage();
    EXPECT_EQ(out.NewPage(), 0);
    EXPECT_EQ(RPTS_DrawChromatogramStrips(&out, &request), 0);
    out.EndPage();
  }
  g_bCancelReport = 0;
  FreeWorkFileStruct(wf);
  const std::vector<Played> pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(HasText(pages[0], "before"));
  EXPECT_TRUE(HasText(pages[0], "REPORT CANCELLED", 1000, 31000));
  for (DWORD t : pages[0].types) EXPECT_NE(t, DWORD(EMR_POLYLINE16));
}

}  // namespace

namespace {

// A title holding "%" reaches the page header as text, on every page.
TEST_F(ReportFrame, TitleWithPercentNumbersItsPagesAsText) {
  CRptsFileHandler made(nullptr);
  ASSERT_EQ(made.MakeThisNewFile(reports_), 1);
  {
    CReportOutput out(reports_, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
    RPTS_SetReportTitle(&out, "Sub %d", "Sample Report for 100%s%n.kms", 2);
    EXPECT_EQ(out.FirstBodyLine, 2);
    EXPECT_EQ(out.PageNumberHeader, 1);
    out.WriteHeaderLines();
    out.TextAtColumn(2, "first");
    ASSERT_EQ(out.NewPage(), 1);
    out.TextAtColumn(2, "second");
    out.EndPage();
  }
  std::vector<RptsPageRecord> records;
  const std::vector<Played> pages = Pages(&records);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_TRUE(HasText(pages[0], "Sub %d"));
  EXPECT_TRUE(HasText(pages[1], "Sample Report for 100%s%n.kms - Page 2"));
  EXPECT_STREQ(records[1].title, "Sample Report for 100%s%n.kms - Page 2");
}

}  // namespace
