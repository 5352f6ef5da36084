// The batch summary and its control charts: the statistics of a batch of
// quantitated runs against an independent computation over the same
// results, and the charts' limits, points and exported values.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/preference_records.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "quant/summary_reports.h"
#include "quant/tests/quant_run_support.h"
#include "quant/tests/quant_test_support.h"
#include "reportmakers/control_charts.h"
#include "reportmakers/report_format_section.h"
#include "reportmakers/summary_report.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "reportpages/tests/page_records.h"
#include "testing/workstation_root.h"
#include "win/win_profile.h"
#include "testing/golden_png.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace {

namespace r = kelt::reports;

template <class T>
void SetField(std::vector<uint8_t>& f, uint32_t at, T v) {
  std::memcpy(f.data() + at, &v, sizeof v);
}

std::string ReadText(const char* path) {
  std::ifstream in(win::paths::ToHost(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The fields of a tab-separated line, quotes taken off.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) {
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
    out.push_back(field);
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

// A printed number (grouping commas, "%" and blanks dropped).
double Number(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ',' || c == '%' || c == ' '; }),
             text.end());
  return std::strtod(text.c_str(), nullptr);
}

struct Stats {
  int rows = 0;  // every row of the group, missing ones too
  int n = 0;
  double mean = 0, sd = 0, rsd = 0, min = 0, max = 0;
};

// Mean, sample standard deviation and relative deviation, worked out apart
// from the report (two passes in long double).
Stats Of(const std::vector<double>& v) {
  Stats s;
  s.n = int(v.size());
  if (v.empty()) return s;
  long double sum = 0;
  for (double x : v) sum += x;
  const long double mean = sum / v.size();
  long double sq = 0;
  for (double x : v) sq += (x - mean) * (x - mean);
  s.mean = double(mean);
  s.sd = v.size() > 1 ? double(std::sqrt(sq / (v.size() - 1))) : 0;
  s.rsd = s.mean != 0 ? s.sd / s.mean * 100 : 0;
  s.min = *std::min_element(v.begin(), v.end());
  s.max = *std::max_element(v.begin(), v.end());
  return s;
}

constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
constexpr char kBatch[] = "C:\\Data\\BATCH.SEQ";

class BatchSummary : public quant_test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    plan_.reportUnknowns = 0;
    ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, design_, plan_, &method_));
    ASSERT_TRUE(quant_run::Calibrate(nullptr, kMethod, design_, method_, "C:\\Data", plan_.levels));
    for (int l = 1; l <= 3; ++l) files_.push_back("C:\\Data\\CAL" + std::to_string(l) + ".KMS");
  }
  void Sample(const std::string& path, std::vector<double> amounts, uint32_t seed) {
    quant_run::SampleSpec s;
    s.amounts = std::move(amounts);
    s.noiseSeed = seed;
    s.drift = 0.002 * seed;
    msfix::RunTruth truth;
    ASSERT_TRUE(quant_accuracy::WriteSample(path.c_str(), design_, s, method_, &truth));
    ASSERT_TRUE(quant_run::Quantitate(nullptr, path.c_str(), kMethod, SAMPLE_ANALYSIS));
    files_.push_back(path);
  }
  // The method's report format: the summary and chart exports of every
  // run type, grouped by compound, statistics of all four values.
  void Format() {
    char section[32] = {};
    ASSERT_TRUE(KELT_GetMSReportsMethodSectionFromKMSFile(files_.back().c_str(), section));
    std::vector<uint8_t> f(sizeof(STRUCT_REPORT_FORMAT), 0);
    ASSERT_TRUE(ReadReportFormat(kMethod, section, f.data()) || ResetReportFormat(f.data()));
    SetField<int16_t>(f, 16, 0);
    SetField<int16_t>(f, 18, 1);
    SetField<int16_t>(f, 20, 0);
    SetField<int16_t>(f, 22, 1);
    SetField<int16_t>(f, 24, 1);  // tab-separated
    SetField<int16_t>(f, 30, 3);
    for (uint32_t k = 0; k < 3; ++k) SetField<int16_t>(f, 2739 + 2 * k, 1);
    SetField<int16_t>(f, 2745, 0);
    SetField<int16_t>(f, 2747, 1);
    SetField<int16_t>(f, 2749, 2);
    SetField<int16_t>(f, 2751, 19);
    SetField<int16_t>(f, 2753, 0);
    for (uint32_t k = 0; k < 4; ++k) SetField<int16_t>(f, 2796 + 2 * k, 1);
    SetField<int16_t>(f, 2845, 1);  // chart the amounts
    SetField<int16_t>(f, 2847, 0);
    SetField<uint16_t>(f, 2851, 4);
    ASSERT_TRUE(WriteReportFormat(kMethod, section, f.data()));
    ASSERT_TRUE(msfix::WriteRecalcFile(kBatch, files_));
    ASSERT_TRUE(WriteReportFormat(kBatch, section, f.data()));
  }
  quant_run::Design design_;
  quant_run::MethodPlan plan_;
  msfix::DHTruth method_;
  std::vector<std::string> files_;
};

TEST_F(BatchSummary, EveryStatisticMatchesAnIndependentComputation) {
  // Five analysis runs: three near 10, one without its second analyte,
  // one far above the others (out of control).
  Sample("C:\\Data\\S1.KMS", {10, 10, 10, 10}, 21);
  Sample("C:\\Data\\S2.KMS", {11, 9, 10.5, 9.5}, 22);
  Sample("C:\\Data\\S3.KMS", {9, 11, 9.5, 10.5}, 23);
  Sample("C:\\Data\\S4.KMS", {10, 0, 10, 10}, 24);
  Sample("C:\\Data\\S5.KMS", {35, 35, 35, 35}, 25);
  Format();
  char out[MAX_PATH] = {};
  ASSERT_EQ(MORVEX_Ex_GenerateSummaryReport(kBatch, 0, int32_t(files_.size()) - 1, kMethod, 0, out, nullptr, 0, 0,
                                            0, 0),
            1);

  // The truth: every compound step of every run, read from the results.
  struct Values {
    int rows = 0;
    std::vector<double> v[4];  // retention time, area, height, amount
    int charted = 0;           // amounts of every row, missing ones too
  };
  std::map<std::string, Values> truth;
  int missing = 0;
  for (const std::string& file : files_) {
    for (const STRUCT_RESULT_STEP& s : quant_run::ReadSteps(file.c_str())) {
      if (s.kind < 0 || s.kind > 3) continue;
      Values& g = truth[quant_run::StepName(s)];
      ++g.rows;
      if (s.amount >= 0) ++g.charted;
      if (s.kind == 1) {
        ++missing;
        continue;
      }
      g.v[0].push_back(s.retentionTime);
      g.v[1].push_back(s.area);
      g.v[2].push_back(s.height);
      if (s.amount >= 0) g.v[3].push_back(s.amount);
    }
  }
  ASSERT_GE(truth.size(), 4u);
  EXPECT_GE(missing, 1) << "the run without its analyte reports it missing";

  // The report: its rows and statistics lines per group.
  const std::vector<std::string> lines = Lines(ReadText("C:\\Data\\BATCH-MSSum.txt"));
  ASSERT_FALSE(lines.empty());
  struct Printed {
    int rows = 0;
    std::vector<double> v[4];
    std::vector<std::string> stats[3];
  };
  std::map<std::string, Printed> printed;
  std::string group;
  for (const std::string& line : lines) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() >= 15 && f[0].empty() && !f[1].empty() && std::isdigit(static_cast<unsigned char>(f[1].back()))) {
      group = f[7];
      Printed& p = printed[group];
      ++p.rows;
      if (f[8] == "Missing") continue;
      p.v[0].push_back(Number(f[9]));
      p.v[1].push_back(Number(f[10]));
      p.v[2].push_back(Number(f[11]));
      if (f[12] != "  " && !f[12].empty()) p.v[3].push_back(Number(f[12]));
    } else if (f.size() >= 13 && (f[8] == "Average:" || f[8] == "Std. Deviation:" || f[8] == "Rel. Std. Deviation:")) {
      const int k = f[8] == "Average:" ? 0 : f[8] == "Std. Deviation:" ? 1 : 2;
      printed[group].stats[k] = {f[9], f[10], f[11], f[12]};
    }
  }
  ASSERT_EQ(printed.size(), truth.size());
  // Print precision of each value: retention time, area, height, amount
  // (areas and heights to four significant digits, large amounts to
  // whole units).
  const double meanTol[4] = {6e-4, 0.6, 0.6, 6e-4}, sdTol[4] = {6e-5, 0.06, 0.06, 6e-5};
  const double relTol[4] = {1e-6, 5e-4, 5e-4, 1e-5};
  for (const auto& [name, t] : truth) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(printed.count(name));
    const Printed& p = printed.at(name);
    EXPECT_EQ(p.rows, t.rows);
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(k);
      const Stats want = Of(t.v[k]);
      const Stats rows = Of(p.v[k]);
      EXPECT_EQ(rows.n, want.n);
      // Minimum and maximum of the printed rows are the results'.
      EXPECT_NEAR(rows.min, want.min, meanTol[k] + relTol[k] * std::fabs(want.min));
      EXPECT_NEAR(rows.max, want.max, meanTol[k] + relTol[k] * std::fabs(want.max));
      ASSERT_EQ(p.stats[0].size(), 4u);
      EXPECT_NEAR(Number(p.stats[0][k]), want.mean, meanTol[k] + relTol[k] * std::fabs(want.mean));
      EXPECT_NEAR(Number(p.stats[1][k]), want.sd, sdTol[k] + 1e-6 * want.sd);
      EXPECT_NEAR(Number(p.stats[2][k]), want.rsd, 6e-5 + 1e-6 * want.rsd);
    }
  }

  // The chart export keeps every amount, the out-of-control one included.
  const std::vector<std::string> chart = Lines(ReadText("C:\\Data\\BATCH-MSChart.txt"));
  int outside = 0, values = 0;
  for (const std::string& line : chart) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() != 4 || f[0].empty()) continue;
    ++values;
    const double v = Number(f[0]), lower = Number(f[2]), upper = Number(f[3]);
    if (v < lower || v > upper) ++outside;
  }
  int amounts = 0;
  for (const auto& [name, t] : truth) amounts += t.charted;
  EXPECT_EQ(values, amounts);
  EXPECT_GE(outside, 1);
}

// Rows made by hand: a group of three run names, a sample ID prefix.
STRUCT_SUMMARY_ROW Row(uint16_t line, const char* name, float amount, float area, const char* file) {
  STRUCT_SUMMARY_ROW r{};
  r.line = line;
  std::snprintf(r.path, sizeof r.path, "%s", file);
  std::snprintf(r.sampleId, sizeof r.sampleId, "QC-%u", unsigned(line));
  r.injection = 1;
  r.compoundNumber = 2;
  r.runType = 2;
  r.level = 0x1000;
  std::snprintf(r.name, sizeof r.name, "%s", name);
  r.retentionTime = 5.0f + 0.001f * line;
  r.area = area;
  r.height = area / 10;
  r.amount = amount;
  std::snprintf(r.units, sizeof r.units, "ng");
  r.mark = ' ';
  return r;
}

std::vector<uint8_t> ChartFormat(int16_t value, int16_t limits, uint16_t percent, uint16_t perPage) {
  std::vector<uint8_t> f(sizeof(STRUCT_REPORT_FORMAT), 0);
  ResetReportFormat(f.data());
  SetField<int16_t>(f, 24, 1);
  SetField<int16_t>(f, 30, 2);
  SetField<int16_t>(f, 2745, 0);
  SetField<int16_t>(f, 2747, 4);
  SetField<int16_t>(f, 2749, 4);
  SetField<int16_t>(f, 2753, 0);
  std::memcpy(f.data() + 2804, "QC amounts", 11);
  SetField<int16_t>(f, 2845, value);
  SetField<int16_t>(f, 2847, limits);
  SetField<uint16_t>(f, 2849, percent);
  SetField<uint16_t>(f, 2851, perPage);
  return f;
}

class Charts : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    CreateDirectoryA("C:\\Data", nullptr);
    CreateDirectoryA("C:\\TEMP", nullptr);
    const float amounts[] = {10.1f, 9.8f, 10.3f, 9.9f, 10.0f, 10.2f, 0.0f, 9.7f, 10.1f, 10.0f};
    for (int i = 0; i < 10; ++i) {
      const std::string file = "C:\\Data\\RUN" + std::to_string(i % 7) + ".KMS";
      rows_.push_back(Row(uint16_t(i + 1), "Anthracene", amounts[i], 1.0e6f + 1e4f * float(i), file.c_str()));
    }
    rows_.push_back(Row(11, "Pyrene", 4.0f, 5e5f, "C:\\Data\\RUN9.KMS"));
    rows_.push_back(Row(12, "Pyrene", -1.0f, 5e5f, "C:\\Data\\RUN10.KMS"));  // no amount
    for (auto& r : rows_) view_.push_back(&r);
  }
  STRUCT_SUMMARY_ROW_LIST List() { return {int32_t(view_.size()), view_.data()}; }
  std::vector<STRUCT_SUMMARY_ROW> rows_;
  std::vector<STRUCT_SUMMARY_ROW*> view_;
};

TEST(ChartLimits, FollowTheLimitKindAndFallBackWhenThereIsNoSpread) {
  const double spread[] = {9, 10, 11};  // mean 10, SD 1
  const double one[] = {4};
  const double zero[] = {0};
  const double same[] = {3, 3, 3};
  struct Case {
    const double* v;
    int n;
    int16_t kind;
    uint16_t percent;
    double lower, upper;
    const char* label;
  } cases[] = {
      {spread, 3, 0, 0, 8, 12, "+/- 2 Std. Dev."},
      {spread, 3, 1, 0, 7, 13, "+/- 3 Std. Dev."},
      {spread, 3, 2, 20, 8, 12, "+/- 20%"},
      {one, 1, 0, 0, 0, 8, "+/- 1 Average"},
      {zero, 1, 1, 0, -1, 1, "+/- 1.0"},
      {same, 3, 0, 0, 0, 6, "+/- 1 Average"},
  };
  for (const Case& c : cases) {
    const r::ChartLimits l = r::ComputeChartLimits(c.v, c.n, c.kind, c.percent);
    EXPECT_NEAR(l.lower, c.lower, 1e-12) << c.label;
    EXPECT_NEAR(l.upper, c.upper, 1e-12) << c.label;
    EXPECT_EQ(l.label, c.label);
  }
}

TEST(ChartLimits, EveryChartsPerPageValueHasALayout) {
  struct Case {
    uint16_t perPage;
    int columns, rows;
  } cases[] = {{1, 1, 1}, {2, 2, 1}, {3, 3, 1}, {4, 2, 2}, {6, 3, 2}, {8, 4, 2}, {10, 5, 2}, {12, 4, 3},
               {0, 1, 1}, {5, 1, 1}, {7, 1, 1}, {11, 1, 1}, {65535, 1, 1}};
  for (const Case& c : cases) {
    int columns = 0, rows = 0;
    r::ChartGrid(c.perPage, &columns, &rows);
    EXPECT_EQ(columns, c.columns) << c.perPage;
    EXPECT_EQ(rows, c.rows) << c.perPage;
  }
}

TEST_F(Charts, TheTextFileKeepsEveryValueAndItsLimits) {
  const auto format = ChartFormat(1, 0, 0, 4);
  char name[MAX_PATH] = "C:\\Data\\charts.txt";
  const STRUCT_SUMMARY_ROW_LIST list = List();
  EXPECT_EQ(RPTS_MakeChartsReport(SUMMARY_REPORT_TEXT, name, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()), 0);
  const std::vector<std::string> lines = Lines(ReadText(name));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Fields(lines[1]), std::vector<std::string>{"Chart Data"});
  std::vector<std::vector<std::string>> anthracene, pyrene;
  std::vector<std::vector<std::string>>* into = nullptr;
  for (size_t i = 3; i < lines.size(); ++i) {
    const auto f = Fields(lines[i]);
    if (f.size() == 1 && f[0] == "Anthracene") into = &anthracene;
    else if (f.size() == 1 && f[0] == "Pyrene") into = &pyrene;
    else if (into && f.size() == 4) into->push_back(f);
  }
  ASSERT_EQ(anthracene.size(), 10u);
  // The zero is out of control and still exported as 0.
  std::vector<double> v;
  for (const auto& f : anthracene) v.push_back(Number(f[0]));
  EXPECT_EQ(anthracene[6][0], "0.00");
  const Stats s = Of(v);
  for (const auto& f : anthracene) {
    EXPECT_NEAR(Number(f[1]), s.mean, 0.006);
    EXPECT_NEAR(Number(f[2]), s.mean - 2 * s.sd, 0.006);
    EXPECT_NEAR(Number(f[3]), s.mean + 2 * s.sd, 0.006);
  }
  EXPECT_LT(v[6], Number(anthracene[6][2]));
  // A row without an amount has no value; the one amount makes the limits.
  ASSERT_EQ(pyrene.size(), 2u);
  EXPECT_EQ(pyrene[0][0], "4.00");
  EXPECT_EQ(pyrene[1][0], "");
  EXPECT_EQ(pyrene[0][2], "0.00");
  EXPECT_EQ(pyrene[0][3], "8.00");
}

// Draws page 'page' of a reports file into a bitmap and saves it.
void DrawPage(const char* reports, int page, const char* png) {
  CRptsFileHandler file(reports, nullptr);
  RptsPageRecord record{};
  uint32_t size = 0;
  void* bits = file.GetPage(page, &record, &size);
  ASSERT_NE(bits, nullptr);
  HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
  FreeBlock(bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 1100, 850);
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT all{0, 0, 1100, 850};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  PlayEnhMetaFile(dc, emf, &all);
  win::gdi::SaveBitmapPng(dc, png);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  DeleteEnhMetaFile(emf);
}

// Red pixels of a picture: the out-of-control marks.
int RedPixels(const char* png) {
  HBITMAP bmp = win::gdi::LoadBitmapPng(png);
  if (!bmp) return -1;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  int red = 0;
  for (int y = 0; y < 850; ++y)
    for (int x = 0; x < 1100; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      if (GetRValue(c) > 150 && GetGValue(c) < 80 && GetBValue(c) < 80) ++red;
    }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  return red;
}

TEST_F(Charts, ChartPagePicture) {
  const auto format = ChartFormat(1, 0, 0, 2);
  char name[MAX_PATH] = "C:\\Data\\charts.msr";
  const STRUCT_SUMMARY_ROW_LIST list = List();
  ASSERT_EQ(RPTS_MakeChartsReport(SUMMARY_REPORT_PAGES, name, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()),
            1);
  EXPECT_EQ(MSR_GetPageCount(name), 1);
  DrawPage(name, 0, "C:\\Data\\charts.png");
  // The zero amount lies below the lower limit: drawn on it, marked in red.
  EXPECT_GT(RedPixels("C:\\Data\\charts.png"), 10);
  testing_support::ExpectPngAsStored(ReadText("C:\\Data\\charts.png"), SUMMARY_GOLDEN_DIR, "control-charts-page");
}

TEST_F(Charts, ChartsPerPageCutThePagesAndAnUndefinedCountTakesOne) {
  // Twelve groups: one a compound name.
  rows_.clear();
  view_.clear();
  for (int g = 0; g < 12; ++g)
    for (int i = 0; i < 3; ++i)
      rows_.push_back(Row(uint16_t(g * 3 + i + 1), ("Compound " + std::string(1, char('A' + g))).c_str(),
                          float(10 + i), 1e6f, "C:\\Data\\RUN.KMS"));
  for (auto& r : rows_) view_.push_back(&r);
  const STRUCT_SUMMARY_ROW_LIST list = List();
  struct Case {
    uint16_t perPage;
    int pages;
  } cases[] = {{1, 12}, {4, 3}, {12, 1}, {5, 12}, {0, 12}, {10, 2}};
  for (const Case& c : cases) {
    const auto format = ChartFormat(2, 1, 0, c.perPage);
    char name[MAX_PATH] = "C:\\Data\\grid.msr";
    DeleteFileA(name);
    EXPECT_EQ(RPTS_MakeChartsReport(SUMMARY_REPORT_PAGES, name, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()),
              1);
    EXPECT_EQ(MSR_GetPageCount(name), c.pages) << c.perPage;
  }
}

TEST_F(Charts, TheSummaryListsEveryDataFileOnceAndANoneKeyEnds) {
  // Grouped by sample ID: the first group holds one file of many.
  auto format = ChartFormat(1, 0, 0, 1);
  SetField<int16_t>(format, 2745, 2);
  SetField<uint16_t>(format, 2751, 19);
  for (uint32_t k = 0; k < 4; ++k) SetField<int16_t>(format, 2796 + 2 * k, 1);
  const STRUCT_SUMMARY_ROW_LIST list = List();
  char pages[MAX_PATH] = "C:\\Data\\summary.msr";
  ASSERT_EQ(RPTS_MakeSummaryReport(SUMMARY_REPORT_PAGES, pages, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()),
            1);
  std::vector<std::string> listed;
  {
    CRptsFileHandler file(pages, nullptr);
    for (int p = 0; p < file.GetCountOfPages(); ++p)
      for (const Text& t : PlayStored(file, p).texts)
        if (t.text.rfind("Line ", 0) == 0) listed.push_back(t.text);
  }
  for (int run : {0, 1, 2, 3, 4, 5, 6, 9, 10}) {
    const std::string file = "RUN" + std::to_string(run) + ".KMS";
    EXPECT_EQ(std::count_if(listed.begin(), listed.end(),
                            [&](const std::string& l) { return l.find(file) != std::string::npos; }),
              1)
        << file;
  }
  // A first key of none at a depth of one collects every row and ends.
  SetField<int16_t>(format, 2745, 4);
  SetField<int16_t>(format, 2753, 1);
  DeleteFileA(pages);
  EXPECT_EQ(RPTS_MakeSummaryReport(SUMMARY_REPORT_PAGES, pages, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()),
            1);
}

TEST_F(Charts, SummaryStatisticsOfZeroAveragesAndMissingAmountsSayNA) {
  rows_.clear();
  view_.clear();
  // Two rows with no area, height or amount; then a group of one.
  for (int i = 0; i < 2; ++i) rows_.push_back(Row(uint16_t(i + 1), "Blank", -1.0f, 0.0f, "C:\\Data\\B.KMS"));
  rows_.push_back(Row(3, "Single", 2.0f, 1e5f, "C:\\Data\\S.KMS"));
  for (auto& r : rows_) view_.push_back(&r);
  auto format = ChartFormat(1, 0, 0, 1);
  for (uint32_t k = 0; k < 4; ++k) SetField<int16_t>(format, 2796 + 2 * k, 1);
  char name[MAX_PATH] = "C:\\Data\\stats.txt";
  const STRUCT_SUMMARY_ROW_LIST list = List();
  EXPECT_EQ(RPTS_MakeSummaryReport(SUMMARY_REPORT_TEXT, name, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()),
            0);
  std::map<std::string, std::vector<std::string>> stats;  // label -> cells
  int averages = 0;
  for (const std::string& line : Lines(ReadText(name))) {
    const auto f = Fields(line);
    if (f.size() < 13) continue;
    if (f[8] == "Average:") ++averages;
    if (f[8] == "Average:" || f[8] == "Std. Deviation:" || f[8] == "Rel. Std. Deviation:")
      stats[f[8]] = {f[9], f[10], f[11], f[12]};
    if (f[7] == "Blank") {
      EXPECT_EQ(f[12].find_first_not_of(' '), std::string::npos) << "a row without an amount shows none";
    }
  }
  EXPECT_EQ(averages, 1) << "the group of one row has no statistics";
  ASSERT_EQ(stats.count("Rel. Std. Deviation:"), 1u);
  const auto& rsd = stats["Rel. Std. Deviation:"];
  EXPECT_EQ(rsd[1], "N/A");  // area: average 0
  EXPECT_EQ(rsd[2], "N/A");  // height
  EXPECT_EQ(rsd[3], "");     // no amount in the group: no result statistics
  EXPECT_NE(rsd[0], "N/A");  // the retention times have an average
}

}  // namespace
