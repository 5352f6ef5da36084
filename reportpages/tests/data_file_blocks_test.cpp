// The data-file blocks of report pages: the text-file copy rule, the MS
// log's blank-line rule, the file header and the segment list.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "page_records.h"
#include "reportpages/data_file_blocks.h"
#include "reportpages/report_output.h"
#include "reportpages/view_page_control.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

using kelt::pages::LogLine;
using kelt::pages::LogRecordLines;
using kelt::pages::TextFileLines;

TEST(TextFileCopy, PiecesAndLineEnds) {
  struct Case {
    std::string bytes;
    bool lfcr;
    std::vector<std::string> lines;
  } cases[] = {
      {"abc\r\ndef\r\n", false, {"abc", "def"}},
      {"\r\n", false, {"  "}},
      {"a\tb\x01" "c\r\n", false, {"a    bc"}},
      {"Head\n\rNext\r\n", true, {"Head", "Next"}},
      {"no end", false, {"no end"}},
      {std::string(150, 'x'), false, {std::string(99, 'x'), std::string(51, 'x')}},
      {"", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(TextFileLines(c.bytes.data(), c.bytes.size(), c.lfcr), c.lines);
  }
}

std::vector<uint8_t> Records(const std::vector<std::string>& texts) {
  std::vector<uint8_t> r(texts.size() * 64, ' ');
  for (size_t i = 0; i < texts.size(); ++i) {
    r[i * 64] = r[i * 64 + 1] = 0;
    std::memcpy(r.data() + i * 64 + 2, texts[i].data(), std::min<size_t>(texts[i].size(), 62));
  }
  return r;
}

TEST(MSLogLines, BlankRunsCountOnceAndHeadingsFollowBlanks) {
  const std::vector<uint8_t> r = Records({"", "", "Tune", "  Lens 1  12.0", "", "", "Inlet", "End", "After end"});
  bool lastBlank = true;
  std::vector<LogLine> lines = LogRecordLines(r.data(), 9, false, &lastBlank);
  std::vector<std::pair<std::string, int>> got;
  for (const LogLine& l : lines) got.emplace_back(l.text, l.indent);
  const std::vector<std::pair<std::string, int>> want = {
      {"Tune", 0}, {"  Lens 1  12.0", 2}, {"", 0}, {"Inlet", 0}, {"", 0}, {"After end", 0}};
  EXPECT_EQ(got, want);
  EXPECT_FALSE(lastBlank);
  // In the user log only the first heading keeps the column.
  lastBlank = true;
  lines = LogRecordLines(r.data(), 9, true, &lastBlank);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].indent, 0);
  EXPECT_EQ(lines[3].indent, 2);
  // The blank state carries over: a block that begins blank after a blank writes nothing first.
  const std::vector<uint8_t> tail = Records({"", "Next block"});
  lastBlank = true;
  lines = LogRecordLines(tail.data(), 2, false, &lastBlank);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "Next block");
}

class DataFileBlocks : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    KELT_ResetDefReportPrefs(&prefs_);
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    CreateDirectoryA("C:\\Reports", nullptr);
    CreateDirectoryA("C:\\TEMP", nullptr);
    CRptsFileHandler made(nullptr);
    ASSERT_EQ(made.MakeThisNewFile(kFile), 1);
    std::strcpy(name_, kFile);
  }
  void TearDown() override {
    g_bCancelReport = 0;
    kelt::pages::DeleteCachedPrinterDCs();
    KeltRootTest::TearDown();
  }
  static constexpr char kFile[] = "C:\\Reports\\blocks.msr";
  STRUCT_REPORT_PREFS prefs_{};
  char name_[MAX_PATH] = {};
};

TEST_F(DataFileBlocks, HeaderWithoutNotesTakesFourLines) {
  msfix::RunPlan plan;
  plan.description = "";
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\TEMP\\Run One.kms", plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\TEMP\\Run One.kms", 0);
  ASSERT_NE(wf, nullptr);
  std::memset(wf->description, 0, sizeof wf->description);
  {
    CReportOutput out(name_, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
    out.Line = 5;
    EXPECT_EQ(RPTS_WriteFileHeader(&out, wf, 2), 1);
    EXPECT_EQ(out.Line, 9);
    out.EndPage();
  }
  FreeWorkFileStruct(wf);
  CRptsFileHandler file(kFile, nullptr);
  const Played p = PlayStored(file, 0);
  EXPECT_TRUE(HasText(p, "File: c:\\temp\\run one.kms"));
  EXPECT_TRUE(HasText(p, "Operator: fixture"));
}

TEST_F(DataFileBlocks, SegmentListRepeatsItsTitleOnEveryPage) {
  msfix::RunPlan plan;
  plan.segments.assign(9, msfix::SegmentPlan{});
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\TEMP\\nine.kms", plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\TEMP\\nine.kms", 0);
  ASSERT_NE(wf, nullptr);
  {
    CReportOutput out(name_, &prefs_, 80, 6, 2, REPORT_OUTPUT_PAGES);
    EXPECT_TRUE(RPTS_WriteAcqSegmentInfo(&out, wf, 2));
    out.EndPage();
  }
  FreeWorkFileStruct(wf);
  CRptsFileHandler file(kFile, nullptr);
  const int pages = file.GetCountOfPages();
  ASSERT_GE(pages, 2);
  int segmentLines = 0;
  for (int i = 0; i < pages; ++i) {
    const Played p = PlayStored(file, i);
    EXPECT_TRUE(HasText(p, "Acquisition Segment Information")) << "page " << i;
    for (const Text& t : p.texts) segmentLines += t.text.rfind("Segment ", 0) == 0;
  }
  EXPECT_EQ(segmentLines, 9);
}

// A log that cannot be opened stops the report with its error page.
TEST_F(DataFileBlocks, MissingLogEndsTheReportWithTheErrorText) {
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\TEMP\\nolog.kms", plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\TEMP\\nolog.kms", 0);
  ASSERT_NE(wf, nullptr);
  {
    CReportOutput out(name_, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
    EXPECT_FALSE(RPTS_WriteMSLog(&out, wf, 1, 1, 0, 0, 0, 0, 0, 0, 0, 2));
    EXPECT_EQ(out.Ok, 0);
    out.EndPage();
  }
  FreeWorkFileStruct(wf);
  CRptsFileHandler file(kFile, nullptr);
  ASSERT_EQ(file.GetCountOfPages(), 1);
  EXPECT_TRUE(HasText(PlayStored(file, 0), "REPORT TERMINATED - ERROR OCCURRED", 1000, 31000));
}

// The plot blocks take their rectangles from the grid and move the line
// below them; a failed output draws nothing.
TEST_F(DataFileBlocks, PlotBlocksMoveTheLineBelowTheirRectangles) {
  msfix::RunPlan plan;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\TEMP\\bar.kms", plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\TEMP\\bar.kms", 0);
  ASSERT_NE(wf, nullptr);
  {
    CReportOutput out(name_, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
    out.SelectSmallFont();
    EXPECT_EQ(RPTS_DrawSegmentInfoBlock(&out, wf, wf->startTime, wf->endTime, 2, 78, 10, 0, 3), 1);
    EXPECT_EQ(out.Line, 10 + 3 + 2);
    out.Ok = 0;
    EXPECT_EQ(RPTS_DrawSegmentInfoBlock(&out, wf, wf->startTime, wf->endTime, 2, 78, 30, 0, 3), 0);
    EXPECT_EQ(out.Line, 15);
    out.Ok = 1;
    out.EndPage();
  }
  FreeWorkFileStruct(wf);
  CRptsFileHandler file(kFile, nullptr);
  const Played p = PlayStored(file, 0);
  EXPECT_TRUE(HasText(p, "Scans"));
}

// The text log goes through the copy rule in the fixed font, and its
// temporary file goes with it.
TEST_F(DataFileBlocks, TextLogIsCopiedAndItsFileRemoved) {
  msfix::DHPlan plan;
  msfix::DHTruth truth;
  ASSERT_TRUE(msfix::WriteProcessedDataFile("C:\\TEMP\\proc.kms", "C:\\TEMP\\proc.mth", plan, &truth));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\TEMP\\proc.kms", 0);
  ASSERT_NE(wf, nullptr);
  const auto before = std::distance(std::filesystem::directory_iterator(Host("c/TEMP")), {});
  int16_t lines = 0;
  {
    CReportOutput out(name_, &prefs_, 80, 72, 2, REPORT_OUTPUT_PAGES);
    const int16_t first = out.Line;
    EXPECT_EQ(RPTS_WriteTextLog(&out, wf, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1), 1);
    lines = int16_t(out.Line - first);
    out.EndPage();
  }
  FreeWorkFileStruct(wf);
  EXPECT_GT(lines, 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("c/TEMP")), {}), before);
}

}  // namespace
