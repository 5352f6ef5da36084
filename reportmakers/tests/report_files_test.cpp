// Reports written as separated text files: the summary report's rows,
// groups and statistics, the sample report's header variants, and the
// evening-out of rows for spreadsheet readers.
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "holbrin/dh_records.h"
#include "holbrin/holbrin.h"
#include "quant/tests/quant_test_support.h"
#include "reportmakers/sample_report_files.h"
#include "reportmakers/summary_report.h"
#include "reportpages/msr_functions.h"
#include "win/win_paths.h"

namespace {

namespace r = kelt::reports;

std::vector<std::string> Lines(const char* path) {
  std::ifstream file(win::paths::ToHost(path), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

void Write(const char* path, const std::string& text) {
  std::ofstream(win::paths::ToHost(path), std::ios::binary) << text;
}

class ReportFiles : public quant_test::EngineTest {};

TEST_F(ReportFiles, SeparatedRowsAreEvenedOutAndQuotedFieldsKeepTheirSeparators) {
  Write("C:\\Data\\rows.csv", "\"Title\",\r\n\"a,b\",\"say \"\"hi\"\"\",3,\r\n\"x\"\r\n");
  ASSERT_TRUE(r::EvenOutSeparatedRows("C:\\Data\\rows.csv", ','));
  const auto lines = Lines("C:\\Data\\rows.csv");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "\"Title\",\"\",\"\",");
  EXPECT_EQ(lines[1], "\"a,b\",\"say \"\"hi\"\"\",3,");
  EXPECT_EQ(lines[2], "\"x\",\"\",\"\",");
  for (const auto& l : lines) EXPECT_EQ(r::CountSeparatedFields(l.data(), l.size(), ','), 4) << l;
  EXPECT_FALSE(r::EvenOutSeparatedRows("C:\\Data\\missing.csv", ','));
}

STRUCT_SUMMARY_ROW Row(uint16_t line, const char* sample, uint16_t number, const char* name, uint32_t type,
                       float rt, float amount) {
  STRUCT_SUMMARY_ROW row{};
  row.line = line;
  std::snprintf(row.path, sizeof row.path, "C:\\Data\\RUN%u.KMS", unsigned(line));
  std::snprintf(row.sampleId, sizeof row.sampleId, "%s", sample);
  row.injection = 1;
  row.compoundNumber = number;
  row.runType = 2;
  row.level = 0x1000;
  std::snprintf(row.name, sizeof row.name, "%s", name);
  row.resultType = type;
  row.retentionTime = rt;
  row.area = 1000.0f * float(line);
  row.height = 100.0f * float(line);
  row.amount = amount;
  std::snprintf(row.units, sizeof row.units, "ng");
  row.mark = ' ';
  return row;
}

std::vector<uint8_t> SummaryFormat(int16_t depth, bool statistics) {
  std::vector<uint8_t> f(sizeof(STRUCT_REPORT_FORMAT), 0);
  ResetReportFormat(f.data());
  auto put = [&](uint32_t at, int16_t v) { std::memcpy(f.data() + at, &v, 2); };
  put(2745, 0);  // compound
  put(2747, 4);
  put(2749, 4);
  put(2751, 10);
  put(2753, depth);
  for (uint32_t k = 0; k < 4; ++k) put(2796 + 2 * k, statistics ? 1 : 0);
  return f;
}

TEST_F(ReportFiles, TheSummaryTextFileHoldsGroupsRowsAndStatisticsInEvenColumns) {
  std::vector<STRUCT_SUMMARY_ROW> rows = {
      Row(1, "S1", 2, "Anthracene \"d10\"", 0, 10.0f, 4.0f),
      Row(2, "S2", 2, "Anthracene \"d10\"", 0, 10.2f, 6.0f),
      Row(3, "S3", 3, "Pyrene", 0, 12.0f, -1.0f),
  };
  std::vector<STRUCT_SUMMARY_ROW*> view;
  for (auto& row : rows) view.push_back(&row);
  STRUCT_SUMMARY_ROW_LIST list{int32_t(view.size()), view.data()};
  const auto format = SummaryFormat(0, true);
  char name[260] = "C:\\Data\\summary.csv";
  EXPECT_EQ(RPTS_MakeSummaryReport(SUMMARY_REPORT_TEXT, name, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()), 0);
  const auto lines = Lines(name);
  ASSERT_GT(lines.size(), 8u);
  const int fields = r::CountSeparatedFields(lines[0].data(), lines[0].size(), ',');
  EXPECT_GT(fields, 10);
  std::string all;
  for (const auto& l : lines) {
    EXPECT_EQ(r::CountSeparatedFields(l.data(), l.size(), ','), fields) << l;
    all += l + "\n";
  }
  EXPECT_NE(all.find("\"Compound 2:  Anthracene \"\"d10\"\"\""), std::string::npos) << all;
  EXPECT_NE(all.find("\"Average:\""), std::string::npos);
  EXPECT_NE(all.find("10.100"), std::string::npos);   // the group's average time
  EXPECT_NE(all.find("\"Compound 3:  Pyrene\""), std::string::npos);
  // The one-row group of Pyrene gets no statistics: one average line only.
  size_t averages = 0;
  for (const auto& l : lines) averages += l.find("\"Average:\"") != std::string::npos;
  EXPECT_EQ(averages, 1u);
}

TEST_F(ReportFiles, AnEmptySummaryIsOnePageSayingSo) {
  STRUCT_SUMMARY_ROW_LIST list{0, nullptr};
  const auto format = SummaryFormat(0, false);
  char name[260] = "";
  ASSERT_EQ(RPTS_MakeSummaryReport(SUMMARY_REPORT_PAGES, name, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data()),
            1);
  EXPECT_EQ(MSR_GetPageCount(name), 1);
  char text[260] = "C:\\Data\\empty.csv";
  RPTS_MakeSummaryReport(SUMMARY_REPORT_TEXT, text, nullptr, "C:\\Data\\BATCH.SEQ", &list, format.data());
  std::string all;
  for (const auto& l : Lines(text)) all += l;
  EXPECT_NE(all.find("NO DATA TO SUMMARIZE"), std::string::npos);
}

TEST(SampleReportFile, HeaderVariantsFollowTheResultsAndTheRequest) {
  struct Case {
    bool results;
    int16_t counts[6];
    uint16_t mask;
    int16_t selector, option;
    const char* variant;
    bool detailed;
  } cases[] = {
      {false, {1, 0, 0, 0, 0, 0}, 1, 0, 0, "(NO DATA HANDLING)", false},
      {true, {0, 0, 0, 0, 0, 0}, 1, 0, 0, "(NO RESULTS)", false},
      {true, {2, 0, 0, 0, 0, 0}, 0, 0, 0, "(NO RESULTS REQUESTED)", false},
      // 0x05 counts the identified (2251) and missing (2253) steps only.
      {true, {0, 0, 3, 0, 0, 0}, 0x05, 0, 0, "(NO REQUESTED RESULTS)", false},
      {true, {0, 1, 3, 0, 0, 0}, 0x05, 0, 0, "(Standard)", false},
      {true, {2, 0, 0, 0, 0, 0}, 1, 1, 0, "(Detailed)", true},
      {true, {2, 0, 0, 0, 0, 0}, 1, 2, 0, "(User Defined)", false},
      {true, {2, 0, 0, 0, 0, 0}, 1, 2, 1, "(User Defined)", true},
  };
  for (const Case& c : cases) {
    bool requested = false, detailed = false;
    EXPECT_STREQ(r::SampleReportVariant(c.results, c.counts, c.mask, c.selector, c.option, &requested, &detailed),
                 c.variant);
    EXPECT_EQ(detailed, c.detailed) << c.variant;
  }
  EXPECT_EQ(r::OutputFormatForExtension("PRN", 0), 2);
  EXPECT_EQ(r::OutputFormatForExtension("Csv", 2), 0);
  EXPECT_EQ(r::OutputFormatForExtension("txt", 0), 1);
  EXPECT_EQ(r::OutputFormatForExtension("dat", 2), 2);
}

TEST_F(ReportFiles, ADataFileWithoutResultsStillGetsItsHeaderLine) {
  NewDataFile("C:\\Data\\EMPTY.KMS");
  char out[260] = "C:\\Data\\empty-ms.csv";
  // Not an MS data file: nothing is written.
  EXPECT_EQ(RPTS_MakeSampleReportASCIIFile(nullptr, nullptr, "C:\\Data\\EMPTY.KMS", out, nullptr, 0, 0), 0);
}

}  // namespace
