// The sample report's results tables: the column catalogue and the column
// layout as tables of cases; the qualifier lines' ratio units; the kind
// mask of the configurable table; and a quantitated run whose results
// section, read straight from the data file, is compared with every
// printed cell of the fixed and configurable tables and the sample report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "quant/results_records.h"
#include "quorna/quorna.h"
#include "quant/tests/quant_run_support.h"
#include "quant/tests/quant_test_support.h"
#include "reportmakers/report_format.h"
#include "reportmakers/report_makers.h"
#include "reportmakers/result_tables.h"
#include "reportmakers/tests/report_text.h"
#include "reportpages/report_output.h"
#include "reportpages/reports_file.h"
#include "reportpages/tests/page_records.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

namespace r = kelt::reports;
using report_text::Render;

// ---- The catalogue and the layout ---------------------------------------------

std::vector<uint8_t> ColumnSet(const std::vector<uint16_t>& ids, uint16_t wide = 0, int count = -1) {
  std::vector<uint8_t> set(386, 0);
  std::memcpy(set.data(), &wide, 2);
  for (size_t i = 0; i < ids.size() && i < 61; ++i) std::memcpy(set.data() + 2 + 2 * i, &ids[i], 2);
  const uint16_t n = uint16_t(count < 0 ? int(ids.size()) : count);
  std::memcpy(set.data() + 124, &n, 2);
  return set;
}

TEST(ColumnCatalogue, HoldsItsEightyOneColumnsOnceEach) {
  size_t count = 0;
  const r::ReportColumn* c = r::ReportColumnCatalogue(&count);
  ASSERT_EQ(count, 81u);
  std::vector<int> seen(100, 0);
  for (size_t i = 0; i < count; ++i) ++seen[c[i].id];
  for (int id = 1; id <= 83; ++id) EXPECT_EQ(seen[size_t(id)], id == 47 || id == 49 ? 0 : 1) << id;
  struct Case {
    uint16_t id, width, use;
    const char *t1, *t2;
  } cases[] = {{1, 6, 1, "Cmpd.", "Number"},     {8, 12, 0, "", "Amount/RF"},   {12, 8, 1, "  RT", "(min)"},
               {46, 80, 1, "", "Qual. Ion Ratio"}, {57, 6, 2, "Peak", "Number"}, {81, 20, 0, "User", "Trace 20"},
               {82, 27, 1, "RRT %", "Deviation"}, {83, 16, 1, "S/N", "Reject"}};
  for (const Case& k : cases) {
    const r::ReportColumn* e = r::FindReportColumn(k.id);
    ASSERT_NE(e, nullptr) << k.id;
    EXPECT_EQ(e->width, k.width) << k.id;
    EXPECT_EQ(e->use, k.use) << k.id;
    EXPECT_STREQ(e->title1, k.t1);
    EXPECT_STREQ(e->title2, k.t2);
  }
  EXPECT_EQ(r::FindReportColumn(47), nullptr);
  EXPECT_EQ(r::FindReportColumn(0), nullptr);
}

TEST(ColumnLayout, WorkingListFollowsTheTableKindAndTheSwitches) {
  struct Case {
    const char* what;
    std::vector<uint16_t> ids;
    bool targets, search, scientific;
    std::vector<uint16_t> kept;
    bool rrt, sn;
    int level;
  } cases[] = {
      {"check lines leave the list", {2, 82, 3, 83}, true, false, true, {2, 3}, true, true, 0},
      {"target table drops peak-only columns", {1, 57, 3, 39, 22}, true, false, true, {1, 3}, false, false, 0},
      {"peak table drops compound-only columns", {1, 57, 3, 82}, false, false, true, {57, 3}, false, false, 0},
      {"match columns set the level", {3, 22, 43, 6}, false, true, true, {3, 6}, false, false, 3},
      {"the name alone is match 1", {3, 6}, false, true, true, {3, 6}, false, false, 1},
      {"no search: match columns go, no level", {3, 39, 52, 6}, false, false, true, {3, 6}, false, false, 0},
      {"unknown identifiers are skipped", {0, 47, 49, 200, 2}, true, false, true, {2}, false, false, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const auto set = ColumnSet(k.ids);
    const r::ColumnLayout l = r::MakeColumnLayout(set.data(), k.targets, k.search, k.scientific, false, 2, 80);
    ASSERT_EQ(l.count, int(k.kept.size()));
    for (int i = 0; i < l.count; ++i) EXPECT_EQ(l.ids[i], k.kept[size_t(i)]);
    EXPECT_EQ(l.rrtLine, k.rrt);
    EXPECT_EQ(l.snLine, k.sn);
    EXPECT_EQ(l.matchLevel, k.level);
  }
}

TEST(ColumnLayout, WidthsAndBlocksStayOnTheLine) {
  // Without scientific notation the area, height and amount columns widen by 5.
  auto set = ColumnSet({6, 7, 8, 34});
  r::ColumnLayout l = r::MakeColumnLayout(set.data(), true, false, false, false, 2, 80);
  ASSERT_EQ(l.count, 4);
  EXPECT_EQ(l.widths[0], 14);
  EXPECT_EQ(l.widths[1], 14);
  EXPECT_EQ(l.widths[2], 17);
  EXPECT_EQ(l.widths[3], 20);  // user trace 1 that is no ion time
  l = r::MakeColumnLayout(set.data(), true, false, true, true, 2, 80);
  EXPECT_EQ(l.widths[3], 10);

  // 3 (42) + 18 (42) pass 78 columns: the second opens a block.
  set = ColumnSet({3, 18, 2});
  l = r::MakeColumnLayout(set.data(), true, false, true, false, 2, 80);
  ASSERT_EQ(l.blocks, 2);
  EXPECT_EQ(l.blockCount[0], 1);
  EXPECT_EQ(l.blockCount[1], 2);
  // A wide set may use 138 columns, but never more than the page has.
  set = ColumnSet({3, 18, 2}, 1);
  EXPECT_EQ(r::MakeColumnLayout(set.data(), true, false, true, false, 2, 142).blocks, 1);
  EXPECT_EQ(r::MakeColumnLayout(set.data(), true, false, true, false, 2, 80).blocks, 2);

  // A stored count past the 61 identifiers reads no further than they go.
  std::vector<uint16_t> many(61, 2);
  set = ColumnSet(many, 0, 65535);
  l = r::MakeColumnLayout(set.data(), true, false, true, false, 2, 80);
  EXPECT_EQ(l.count, 61);
  for (int b = 0; b < l.blocks; ++b) {
    int end = (b == 0 ? 2 : 7);
    for (int k = 0; k < l.blockCount[b]; ++k) end += l.widths[l.blockFirst[b] + k];
    EXPECT_LE(end, 80) << b;
  }
  // Forty blocks at most: 61 columns of 42 would need 61.
  set = ColumnSet(std::vector<uint16_t>(61, 3));
  l = r::MakeColumnLayout(set.data(), true, false, true, false, 2, 80);
  EXPECT_EQ(l.blocks, 40);
  EXPECT_EQ(l.count, 40);
}

// ---- Qualifier lines ----------------------------------------------------------

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  size_t a = 0;
  while (a <= line.size()) {
    const size_t b = line.find('\t', a);
    std::string v = line.substr(a, b == std::string::npos ? std::string::npos : b - a);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    f.push_back(report_text::Trim(v));
    if (b == std::string::npos) break;
    a = b + 1;
  }
  // Every column ends with its separator: the last field is no column.
  if (!f.empty() && f.back().empty()) f.pop_back();
  return f;
}

class TablesRoot : public quant_test::EngineTest {};

TEST_F(TablesRoot, QualifierRatiosArePrintedAndJudgedInPercent) {
  // The method keeps 50.0 % within 30.0-70.0 % as tenths of a percent; the
  // engine measured the ratio as a fraction.
  std::vector<uint8_t> step(r::kResultStepSize, 0), compound(r::kCompoundRecordSize, 0), qualifier(1302, 0);
  const int16_t ions = 3;
  std::memcpy(qualifier.data() + 12, &ions, 2);
  const float measured[3] = {0.70f, 0.71f, 0.295f};
  for (int i = 0; i < 3; ++i) {
    const uint32_t e = r::compound::kQualifiers + r::compound::kQualifierSize * uint32_t(i);
    const int32_t ratio = 500, low = 300, high = 700;
    const double mass = 91 + i;
    std::memcpy(compound.data() + e + r::compound::kQualifierMass, &mass, 8);
    std::memcpy(compound.data() + e + r::compound::kQualifierRatio, &ratio, 4);
    std::memcpy(compound.data() + e + r::compound::kQualifierLower, &low, 4);
    std::memcpy(compound.data() + e + r::compound::kQualifierUpper, &high, 4);
    std::memcpy(step.data() + r::step::kQualifierRatios + 4 * i, &measured[i], 4);
    const float time = 6.25f, area = 1234.0f;
    std::memcpy(qualifier.data() + 22 + 256 * i, &time, 4);
    std::memcpy(qualifier.data() + 22 + 256 * i + 218, &area, 4);
    STRUCT_MASS_LIST list{};
    ASSERT_TRUE(ParseMassList(std::to_string(91 + i).c_str(), &list));
    std::memcpy(qualifier.data() + 22 + 256 * i + 4, &list, sizeof list);
  }
  const auto lines = Render([&](CReportOutput* out) {
    std::snprintf(out->Separator, sizeof out->Separator, "\t");
    RPTS_WriteQualifierLines(out, nullptr, step.data(), qualifier.data(), compound.data(), 0, 0, 0);
    out->NextLine();
  });
  ASSERT_FALSE(lines.empty());
  const auto f = Fields(lines[0]);
  ASSERT_GE(f.size(), 24u);
  struct Expect {
    const char *ratio, *status;
  } expect[] = {{"70.0", "Pass"}, {"71.0", "Fail"}, {"29.5", "Fail"}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(f[size_t(8 * i)], std::to_string(91 + i));
    EXPECT_EQ(f[size_t(8 * i + 1)], "6.250");
    EXPECT_EQ(f[size_t(8 * i + 2)], expect[i].ratio);
    EXPECT_EQ(f[size_t(8 * i + 3)], "50.0");
    EXPECT_EQ(f[size_t(8 * i + 4)], "30.0");
    EXPECT_EQ(f[size_t(8 * i + 5)], "70.0");
    EXPECT_EQ(f[size_t(8 * i + 7)], expect[i].status);
  }
}

// ---- A quantitated run --------------------------------------------------------

constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
constexpr char kSample[] = "C:\\Data\\SAMPLE.KMS";

double Number(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ','), text.end());
  return std::strtod(text.c_str(), nullptr);
}

// Half a unit of the last digit a number text shows.
double HalfUnit(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ','), text.end());
  const size_t e = text.find_first_of("eE");
  const std::string mantissa = text.substr(0, e);
  const size_t dot = mantissa.find('.');
  const int decimals = dot == std::string::npos ? 0 : int(mantissa.size() - dot - 1);
  const int exponent = e == std::string::npos ? 0 : std::atoi(text.c_str() + e + 1);
  return 0.5 * std::pow(10.0, exponent - decimals) * 1.0001;
}

// A printed number equals the stored value to the printed precision.
::testing::AssertionResult Shows(const std::string& text, double value) {
  if (text.empty()) return ::testing::AssertionFailure() << "empty cell for " << value;
  if (std::fabs(Number(text) - value) <= HalfUnit(text)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << text << "\" for " << value;
}

// The results and qualifier sections read byte for byte from the data file.
struct Section {
  STRUCT_RESULTS_HEADER header{};
  std::vector<STRUCT_RESULT_STEP> steps;
  std::vector<STRUCT_QUALIFIER_RECORD> qualifiers;
  const STRUCT_QUALIFIER_RECORD* QualifierOf(int32_t compound) const {
    for (const auto& q : qualifiers)
      if (q.compoundNumber == compound) return &q;
    return nullptr;
  }
};

Section ReadSection(const char* path) {
  Section s;
  const std::vector<uint8_t> bytes = SectionBytes(path, RESULTS_SECTION);
  if (bytes.size() < RESULTS_HEADER_SIZE) return s;
  std::memcpy(&s.header, bytes.data(), RESULTS_HEADER_SIZE);
  for (size_t at = RESULTS_HEADER_SIZE; at + RESULT_STEP_SIZE <= bytes.size(); at += RESULT_STEP_SIZE) {
    STRUCT_RESULT_STEP st;
    std::memcpy(&st, bytes.data() + at, RESULT_STEP_SIZE);
    s.steps.push_back(st);
  }
  const std::vector<uint8_t> q = SectionBytes(path, QUALIFIERS_SECTION);
  for (size_t at = 0; at + QUALIFIER_RECORD_SIZE <= q.size(); at += QUALIFIER_RECORD_SIZE) {
    STRUCT_QUALIFIER_RECORD rec;
    std::memcpy(&rec, q.data() + at, QUALIFIER_RECORD_SIZE);
    s.qualifiers.push_back(rec);
  }
  return s;
}

std::string Name(const STRUCT_RESULT_STEP& st) { return std::string(st.name, strnlen(st.name, sizeof st.name)); }
std::string Units(const STRUCT_RESULT_STEP& st) { return std::string(st.units, strnlen(st.units, sizeof st.units)); }
std::string Letters(const STRUCT_RESULT_STEP& st) {
  return std::string(st.flagText, strnlen(st.flagText, sizeof st.flagText));
}
const char* KindName(int32_t kind) {
  static const char* names[] = {"Identified", "Missing", "Failed", "TIC", "Unknown", "Duplicate"};
  return kind >= 0 && kind < 6 ? names[kind] : "";
}

// The rows of the table whose heading line begins with "Peaks:": each a
// list of fields, up to the first line that is no row.
std::vector<std::vector<std::string>> Rows(const std::vector<std::string>& lines, size_t from,
                                           std::vector<std::string>* headings, size_t* next = nullptr) {
  std::vector<std::vector<std::string>> rows;
  size_t i = from;
  while (i < lines.size() && lines[i].rfind("Peaks: ", 0) != 0) ++i;
  if (i == lines.size()) return rows;
  *headings = Fields(lines[i]);
  for (++i; i < lines.size(); ++i) {
    const auto f = Fields(lines[i]);
    if (f.empty() || f[0].empty() || !std::isdigit(static_cast<unsigned char>(f[0][0]))) break;
    rows.push_back(f);
  }
  if (next) *next = i;
  return rows;
}

// The field of a row under a heading (the heading line begins with "Peaks: n(").
size_t Column(const std::vector<std::string>& headings, const std::string& name, size_t nth = 0) {
  for (size_t i = 1; i < headings.size(); ++i)
    if (headings[i] == name && nth-- == 0) return i - 1;
  ADD_FAILURE() << "no heading " << name;
  return 0;
}

class QuantitatedTables : public quant_test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    plan_.reportUnknowns = 1;
    plan_.removeIdentified = false;
    ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, design_, plan_, &method_));
    HDHTABLE g = OpenGlobalTableForUpdate(kMethod, method_.moduleId, method_.moduleAddress, "1");
    ASSERT_NE(g, nullptr);
    STRUCT_DH_GLOBAL_PARAMS global;
    ASSERT_TRUE(ReadGlobalTable(g, &global));
    global.locateRrtReferenceFirst = 1;
    global.rrtTolerance = 50;
    ASSERT_TRUE(WriteGlobalTable(g, &global));
    FreeDHRecordSet(g);
    ASSERT_TRUE(quant_run::Calibrate(nullptr, kMethod, design_, method_, "C:\\Data", plan_.levels));
    quant_run::SampleSpec sample;
    sample.amounts = {4, 9, 16, 25};
    sample.drift = 0.02;
    sample.noiseSeed = 11;
    // A co-eluting peak spoils one qualifier ion: its ratio fails.
    sample.interferedAnalyte = 2;
    msfix::RunTruth truth;
    ASSERT_TRUE(quant_accuracy::WriteSample(kSample, design_, sample, method_, &truth));
    ASSERT_TRUE(quant_run::Quantitate(nullptr, kSample, kMethod, SAMPLE_ANALYSIS, 0));
    section_ = ReadSection(kSample);
    ASSERT_FALSE(section_.steps.empty());
    wf_ = MakeWorkFileStruct(kSample, 0);
    ASSERT_NE(wf_, nullptr);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    EngineTest::TearDown();
  }
  std::vector<std::string> Text(const std::function<void(CReportOutput*)>& write) {
    return Render([&](CReportOutput* out) {
      std::snprintf(out->Separator, sizeof out->Separator, "\t");
      write(out);
    });
  }
  // The method's qualifier entry i of a compound.
  std::vector<uint8_t> Compound(const STRUCT_RESULT_STEP& st) {
    std::vector<uint8_t> c(r::kCompoundRecordSize);
    EXPECT_TRUE(RPTS_ReadCompoundRecord(wf_, &st, c.data()));
    return c;
  }
  // The eight qualifier cells of ion i from field at.
  void CheckQualifier(const std::vector<std::string>& f, size_t at, const STRUCT_RESULT_STEP& st, int i,
                      const STRUCT_QUALIFIER_RECORD& q, const std::vector<uint8_t>& compound) {
    SCOPED_TRACE("ion " + std::to_string(i + 1));
    ASSERT_LE(at + 8, f.size());
    const uint32_t e = r::compound::kQualifiers + r::compound::kQualifierSize * uint32_t(i);
    const double specified = r::FieldAt<int32_t>(compound.data(), e + r::compound::kQualifierRatio) / 10.0;
    const double low = r::FieldAt<int32_t>(compound.data(), e + r::compound::kQualifierLower) / 10.0;
    const double high = r::FieldAt<int32_t>(compound.data(), e + r::compound::kQualifierUpper) / 10.0;
    const double ratio = double(st.qualifierRatios[i]) * 100.0;
    EXPECT_TRUE(Shows(f[at + 1], q.ions[i].apexTime));
    EXPECT_TRUE(Shows(f[at + 2], ratio));
    EXPECT_TRUE(Shows(f[at + 3], specified));
    EXPECT_TRUE(Shows(f[at + 4], low));
    EXPECT_TRUE(Shows(f[at + 5], high));
    EXPECT_TRUE(Shows(f[at + 6], q.ions[i].area));
    // The engine judged the ratio against limits it stored with the step.
    const bool engine = ratio >= st.qualifierLower[i] / 10.0 - 1e-3 && ratio <= st.qualifierUpper[i] / 10.0 + 1e-3;
    EXPECT_EQ(f[at + 7], engine ? "Pass" : "Fail");
    EXPECT_NEAR(low, st.qualifierLower[i] / 10.0, 0.051);
    EXPECT_NEAR(high, st.qualifierUpper[i] / 10.0, 0.051);
  }
  quant_run::Design design_;
  quant_run::MethodPlan plan_;
  msfix::DHTruth method_;
  Section section_;
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(QuantitatedTables, ConfigurableTableCellsEqualTheStoredResults) {
  const std::vector<uint16_t> ids = {56, 1, 2, 3, 4, 6, 7, 8, 15, 12, 19, 41, 33, 27, 82, 83};
  const auto set = ColumnSet(ids, 1);
  const auto lines = Text([&](CReportOutput* out) {
    EXPECT_TRUE(RPTS_WriteColumnResultsTable(out, wf_, 0x3F, set.data(), 1, 1, 3, 0, 0, 400));
  });
  std::vector<std::string> h;
  const auto rows = Rows(lines, 0, &h);
  const int targets = section_.header.countIdentified + section_.header.countMissing + section_.header.countFailed;
  ASSERT_EQ(int(rows.size()), targets);
  ASSERT_EQ(h[0], "Peaks: " + std::to_string(targets) + "(");
  EXPECT_EQ(h.back(), ")");
  int failedRatios = 0;
  for (const auto& f : rows) {
    ASSERT_EQ(f.size(), h.size() - 2);
    const int index = std::atoi(f[Column(h, "Result Index")].c_str()) - 1;
    ASSERT_GE(index, 0);
    ASSERT_LT(index, targets);
    const STRUCT_RESULT_STEP& st = section_.steps[size_t(index)];
    SCOPED_TRACE(Name(st));
    EXPECT_EQ(std::atoi(f[Column(h, "Cmpd. Number")].c_str()), st.compoundIndex + 1);
    EXPECT_TRUE(Shows(f[Column(h, "RT (min)")], st.retentionTime));
    EXPECT_EQ(f[Column(h, "Peak Name")], Name(st).substr(0, 40));
    EXPECT_EQ(f[Column(h, "Status")], report_text::Trim((st.resultFlags ? "X " : "") + Letters(st)));
    EXPECT_TRUE(Shows(f[Column(h, "Area")], st.area));
    EXPECT_TRUE(Shows(f[Column(h, "Height")], st.height));
    if (st.amount >= 0)
      EXPECT_TRUE(Shows(f[Column(h, "Amount/RF")], st.amount));
    else
      EXPECT_EQ(f[Column(h, "Amount/RF")], "N/A");
    EXPECT_EQ(f[Column(h, "Amount/RF Units")], Units(st));
    EXPECT_TRUE(Shows(f[Column(h, "RT (min)", 1)], std::fabs(st.retentionTime - st.expectedRetentionTime)));
    EXPECT_EQ(f[Column(h, "Result Type")], KindName(st.kind));
    if (st.signalToNoise == 0)
      EXPECT_EQ(f[Column(h, "S/N Ratio")], "N/A");
    else
      EXPECT_TRUE(Shows(f[Column(h, "S/N Ratio")], st.signalToNoise));
    if (std::fabs(st.width) < 1e-8)
      EXPECT_EQ(f[Column(h, "Peak Width")], "N/A");
    else
      EXPECT_TRUE(Shows(f[Column(h, "Peak Width")].substr(0, f[Column(h, "Peak Width")].size() - 4), st.width));
    if (st.relativeRetentionTime > 0) {
      EXPECT_TRUE(Shows(f[Column(h, "RRT (min)")], st.relativeRetentionTime));
      EXPECT_TRUE(Shows(f[Column(h, "RRT Actual")], st.relativeRetentionTime));
    }
    EXPECT_TRUE(Shows(f[Column(h, "S/N Actual")], st.signalToNoise));
    // The qualifier ions: five groups of eight columns after the check lines.
    const STRUCT_QUALIFIER_RECORD* q = section_.QualifierOf(st.compoundNumber);
    const size_t at = Column(h, "Ion 1");
    if (q && q->ionCount > 0 && (st.kind == 0 || (st.resultFlags & 0x680000))) {
      const auto compound = Compound(st);
      for (int i = 0; i < q->ionCount; ++i) {
        CheckQualifier(f, at + 8 * size_t(i), st, i, *q, compound);
        failedRatios += f[at + 8 * size_t(i) + 7] == "Fail";
      }
    }
  }
  // The spoilt ion is seen failing.
  EXPECT_GE(failedRatios, 1);
}

TEST_F(QuantitatedTables, FixedTablesCellsEqualTheStoredResults) {
  const auto lines = Text([&](CReportOutput* out) {
    EXPECT_TRUE(RPTS_WriteTargetCompoundTable(out, wf_, 0x3F, 1, 3, 1, 1));
    EXPECT_TRUE(RPTS_WriteUnidentifiedPeakTable(out, wf_, 0x3F, 3, 1, 1));
  });
  std::vector<std::string> h;
  size_t next = 0;
  const auto rows = Rows(lines, 0, &h, &next);
  const int targets = section_.header.countIdentified + section_.header.countMissing + section_.header.countFailed;
  ASSERT_EQ(int(rows.size()), targets);
  for (const auto& f : rows) {
    const int index = std::atoi(f[Column(h, "#")].c_str()) - 1;
    ASSERT_GE(index, 0);
    ASSERT_LT(index, targets);
    const STRUCT_RESULT_STEP& st = section_.steps[size_t(index)];
    SCOPED_TRACE(Name(st));
    EXPECT_TRUE(Shows(f[Column(h, "RT")], st.retentionTime));
    EXPECT_TRUE(Shows(f[Column(h, "Delta RT")], std::fabs(st.retentionTime - st.expectedRetentionTime)));
    EXPECT_EQ(f[Column(h, "Peak Name")], Name(st));
    EXPECT_EQ(f[Column(h, "Status")], report_text::Trim((st.resultFlags ? "X " : "") + Letters(st)));
    EXPECT_EQ(f[Column(h, "Res Type")], KindName(st.kind));
    EXPECT_TRUE(Shows(f[Column(h, "Area")], st.area));
    if (st.amount >= 0) {
      EXPECT_TRUE(Shows(f[Column(h, "Amount/RF")], st.amount));
    }
    EXPECT_EQ(f[Column(h, "Amount Units")], Units(st));
    const STRUCT_QUALIFIER_RECORD* q = section_.QualifierOf(st.compoundNumber);
    if (q && q->ionCount > 0 && (st.kind == 0 || (st.resultFlags & 0x680000))) {
      const auto compound = Compound(st);
      for (int i = 0; i < q->ionCount; ++i) CheckQualifier(f, Column(h, "Ion 1") + 8 * size_t(i), st, i, *q, compound);
    }
  }
  // The group lines and the legend lie between the two tables.
  const auto peaks = Rows(lines, next, &h);
  const int unidentified = section_.header.countTIC + section_.header.countUnknown + section_.header.countDuplicate;
  ASSERT_EQ(int(peaks.size()), unidentified);
  ASSERT_GT(unidentified, 0);
  double areas = 0;
  for (const auto& f : peaks) {
    const int index = std::atoi(f[Column(h, "#")].c_str()) - 1;
    ASSERT_GE(index, targets);
    ASSERT_LT(index, targets + unidentified);
    const STRUCT_RESULT_STEP& st = section_.steps[size_t(index)];
    SCOPED_TRACE(index);
    EXPECT_TRUE(Shows(f[Column(h, "RT")], st.retentionTime));
    EXPECT_TRUE(Shows(f[Column(h, "Area")], st.area));
    EXPECT_TRUE(Shows(f[Column(h, "Height")], st.height));
    EXPECT_EQ(f[Column(h, "Res Type")], KindName(st.kind));
    if (st.amount >= 0) {
      EXPECT_TRUE(Shows(f[Column(h, "Amount")], st.amount));
    }
    areas += st.area;
  }
  // The totals line sums the areas.
  bool totals = false;
  for (const std::string& l : lines) {
    const auto f = Fields(l);
    if (f.size() >= 2 && f[0] == "Totals") {
      totals = true;
      EXPECT_TRUE(Shows(f[1], areas));
    }
  }
  EXPECT_TRUE(totals);
}

TEST_F(QuantitatedTables, SampleReportPagesStayOnTheirLinesAndItsTextFileHoldsTheTables) {
  // The method's format asks for configurable tables, a wide compound set
  // and a narrow peak set, on a title holding "%".
  std::vector<uint8_t> format(r::kReportFormatSize);
  char section[80] = {};
  ASSERT_TRUE(BuildDHSectionName(section, "MSReportFormat2", method_.moduleId, method_.moduleAddress, "1"));
  ASSERT_TRUE(ReadReportFormat(kMethod, section, format.data()));
  uint8_t* sample = format.data() + r::kSampleOffset;
  std::memset(sample, 0, 61);
  std::memcpy(sample, "Recovery 100% check", 19);
  const uint16_t style = 2, mask = 0x3F;
  std::memcpy(sample + 173, &style, 2);
  std::memcpy(sample + 978, &mask, 2);
  const auto compoundSet = ColumnSet({56, 2, 3, 18, 4, 6, 8, 15, 19, 82, 83}, 1);
  const auto peakSet = ColumnSet({56, 2, 3, 6, 7, 8, 19, 13, 33, 23}, 1);
  std::memcpy(sample + 175, compoundSet.data(), 386);
  std::memcpy(sample + 561, peakSet.data(), 386);
  ASSERT_TRUE(WriteReportFormat(kMethod, section, format.data()));

  STRUCT_REPORT_PREFS prefs{};
  KELT_ResetDefReportPrefs(&prefs);
  char reports[MAX_PATH] = "C:\\Data\\SAMPLE.MSR";
  ASSERT_TRUE(RPTS_MakeSampleReport(kMethod, section, kSample, reports, &prefs, 0, 0, "C:\\Data\\100% run.kms", 0, 0));
  CRptsFileHandler file(reports, nullptr);
  const int32_t pages = file.GetCountOfPages();
  ASSERT_GE(pages, 1);
  bool sawTable = false;
  for (int32_t p = 0; p < pages; ++p) {
    RptsPageRecord rec{};
    const Played played = PlayStored(file, p, &rec);
    EXPECT_EQ(rec.columns, 140);
    if (p > 0) {
      EXPECT_STREQ(rec.title, ("Sample Report for 100% run.kms - Page " + std::to_string(p + 1)).c_str());
    }
    for (const ::Text& t : played.texts) {
      sawTable = sawTable || t.text == "Target Compounds";
      // Texts that begin on a grid column end by the line's last column.
      const int column = int(std::lround(double(t.x) * rec.columns / 32767.0));
      if (t.x != column * 32767 / rec.columns || t.text.empty()) continue;
      EXPECT_LE(column + int(t.text.size()), int(rec.columns)) << "page " << p + 1 << ": " << t.text;
    }
  }
  EXPECT_TRUE(sawTable);

  // The text file: the title once, the page-number format not used, and
  // both tables with one row per step.
  const char kText[] = "C:\\Data\\SAMPLE.TXT";
  ASSERT_TRUE(r::MakeSampleReportText(kMethod, section, kSample, kText, "\t", nullptr, 0, 0));
  std::ifstream in(win::paths::ToHost(kText), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(report_text::Trim(lines[0]), "Recovery 100% check");
  EXPECT_EQ(report_text::Trim(lines[1]), "Sample Report for sample.kms");
  std::vector<std::string> h;
  size_t next = 0;
  const int targets = section_.header.countIdentified + section_.header.countMissing + section_.header.countFailed;
  EXPECT_EQ(int(Rows(lines, 0, &h, &next).size()), targets);
  const int unidentified = section_.header.countTIC + section_.header.countUnknown + section_.header.countDuplicate;
  EXPECT_EQ(int(Rows(lines, next, &h).size()), unidentified);
}

TEST_F(QuantitatedTables, UnknownAndDuplicatePeaksFollowTheirMaskBitsInRowsAndInTheNoneTest) {
  // The peaks outside the method made one unknown peak (kind 4, mask 16)
  // and duplicates (kind 5, mask 32).
  std::vector<uint8_t> bytes = SectionBytes(kSample, RESULTS_SECTION);
  const int targets = section_.header.countIdentified + section_.header.countMissing + section_.header.countFailed;
  const int peaks = section_.header.countTIC + section_.header.countUnknown + section_.header.countDuplicate;
  ASSERT_GE(peaks, 2);
  auto rewrite = [&](int unknowns) {
    STRUCT_RESULTS_HEADER h;
    std::memcpy(&h, bytes.data(), sizeof h);
    h.countTIC = 0;
    h.countUnknown = int16_t(unknowns);
    h.countDuplicate = int16_t(peaks - unknowns);
    std::memcpy(bytes.data(), &h, sizeof h);
    for (int i = 0; i < peaks; ++i) {
      const int32_t kind = i < unknowns ? 4 : 5;
      std::memcpy(bytes.data() + RESULTS_HEADER_SIZE + size_t(targets + i) * RESULT_STEP_SIZE, &kind, 4);
    }
    PutSection(kSample, RESULTS_SECTION, bytes);
  };
  const auto set = ColumnSet({56, 2, 19}, 0);
  auto table = [&](uint16_t mask) {
    const auto lines = Text([&](CReportOutput* out) {
      EXPECT_TRUE(RPTS_WriteColumnResultsTable(out, wf_, mask, set.data(), 0, 0, 2, 0, 0, 400));
    });
    std::vector<std::string> h, kinds;
    for (const auto& f : Rows(lines, 0, &h)) kinds.push_back(f.size() > 2 ? f[2] : "");
    bool none = false;
    for (const auto& l : lines) none = none || report_text::Trim(l) == "None";
    if (none) kinds.push_back("None");
    return kinds;
  };
  rewrite(1);
  EXPECT_EQ(table(16), std::vector<std::string>{"Unknown"});
  EXPECT_EQ(table(32), std::vector<std::string>(size_t(peaks - 1), "Duplicate"));
  // No duplicate left: the duplicate mask finds none, the unknown mask all.
  rewrite(peaks);
  EXPECT_EQ(table(32), std::vector<std::string>{"None"});
  EXPECT_EQ(table(16), std::vector<std::string>(size_t(peaks), "Unknown"));
}

TEST_F(QuantitatedTables, GroupSummariesSumTheirMembersAndMarkDifferingUnits) {
  // Steps 2 and 3 form one group whose amounts carry different units;
  // step 4 a group of its own.
  std::vector<uint8_t> bytes = SectionBytes(kSample, RESULTS_SECTION);
  auto put = [&](int index, const char* group, const char* units) {
    uint8_t* st = bytes.data() + RESULTS_HEADER_SIZE + size_t(index) * RESULT_STEP_SIZE;
    std::memset(st + 51, 0, 41);
    std::memcpy(st + 51, group, std::strlen(group));
    std::memset(st + 92, 0, 10);
    std::memcpy(st + 92, units, std::strlen(units));
  };
  put(1, "Aromatics", "ng");
  put(2, "Aromatics", "ug");
  put(3, "Ketones", "ng");
  PutSection(kSample, RESULTS_SECTION, bytes);
  const Section sec = ReadSection(kSample);
  const double aromaticsArea = double(sec.steps[1].area) + sec.steps[2].area;
  const double aromaticsAmount = double(sec.steps[1].amount) + sec.steps[2].amount;

  auto groupLines = [](const std::vector<std::string>& lines, const char* first) {
    std::map<std::string, std::vector<std::string>> found;
    for (const std::string& l : lines) {
      auto f = Fields(l);
      if (first && !f.empty() && f[0] == first) f.erase(f.begin());
      if (!f.empty() && (f[0] == "Aromatics" || f[0] == "Ketones")) found[f[0]] = f;
    }
    return found;
  };
  // The fixed table: "Group:", the name, the area and amount sums, the units.
  auto fixed = groupLines(Text([&](CReportOutput* out) {
                            EXPECT_TRUE(RPTS_WriteTargetCompoundTable(out, wf_, 0x07, 0, 3, 1, 1));
                          }),
                          "Group:");
  ASSERT_EQ(fixed.size(), 2u);
  ASSERT_GE(fixed["Aromatics"].size(), 4u);
  EXPECT_TRUE(Shows(fixed["Aromatics"][1], aromaticsArea));
  EXPECT_TRUE(Shows(fixed["Aromatics"][2], aromaticsAmount));
  EXPECT_EQ(fixed["Aromatics"][3], "NOTSAME");
  ASSERT_GE(fixed["Ketones"].size(), 4u);
  EXPECT_TRUE(Shows(fixed["Ketones"][2], sec.steps[3].amount));
  EXPECT_EQ(fixed["Ketones"][3], "ng");
  // The configurable table: the name, then the sums under its area and amount columns.
  const auto set = ColumnSet({56, 3, 6, 8, 21}, 0);
  auto columns = groupLines(Text([&](CReportOutput* out) {
                              EXPECT_TRUE(RPTS_WriteColumnResultsTable(out, wf_, 0x07, set.data(), 1, 0, 3, 1, 0, 400));
                            }),
                            nullptr);
  ASSERT_EQ(columns.size(), 2u);
  ASSERT_GE(columns["Aromatics"].size(), 3u);
  EXPECT_TRUE(Shows(columns["Aromatics"][1], aromaticsArea));
  EXPECT_TRUE(Shows(columns["Aromatics"][2], aromaticsAmount));
}

TEST_F(QuantitatedTables, NarrowFixedTablesOnPagesKeepEveryCellOnItsLine) {
  // A long name is cut to the narrow layout's 24 characters.
  std::vector<uint8_t> bytes = SectionBytes(kSample, RESULTS_SECTION);
  const char longName[] = "1,2,3-Trichloro-4-nitrobenzene (surrogate)";
  uint8_t* st = bytes.data() + RESULTS_HEADER_SIZE + RESULT_STEP_SIZE;
  std::memset(st + 6, 0, 41);
  std::memcpy(st + 6, longName, 40);
  PutSection(kSample, RESULTS_SECTION, bytes);
  STRUCT_REPORT_PREFS prefs{};
  KELT_ResetDefReportPrefs(&prefs);
  char reports[MAX_PATH] = "C:\\Data\\NARROW.MSR";
  {
    CRptsFileHandler maker(nullptr);
    ASSERT_TRUE(maker.MakeThisNewFile(reports));
  }
  {
    CReportOutput out(reports, &prefs, 80, 72, 2, REPORT_OUTPUT_PAGES);
    out.WriteHeaderLines();
    EXPECT_TRUE(RPTS_WriteTargetCompoundTable(&out, wf_, 0x3F, 1, 2, 1, 0));
    EXPECT_TRUE(RPTS_WriteUnidentifiedPeakTable(&out, wf_, 0x3F, 2, 1, 0));
    out.EndPage();
  }
  CRptsFileHandler file(reports, nullptr);
  ASSERT_GE(file.GetCountOfPages(), 1);
  bool cut = false, shortType = false;
  for (int32_t p = 0; p < file.GetCountOfPages(); ++p) {
    const Played played = PlayStored(file, p);
    for (const ::Text& t : played.texts) {
      cut = cut || t.text == std::string(longName, 24);
      shortType = shortType || t.text == "Id." || t.text == "Dup.";
      EXPECT_NE(t.text, "Identified");
      const int column = int(std::lround(double(t.x) * 80 / 32767.0));
      if (t.x != column * 32767 / 80 || t.text.empty()) continue;
      EXPECT_LE(column + int(t.text.size()), 80) << t.text;
    }
  }
  EXPECT_TRUE(cut);
  EXPECT_TRUE(shortType);
}

}  // namespace
