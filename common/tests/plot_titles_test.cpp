// Trace titles, units and the descriptions of data files of each kind.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/data_file_descriptions.h"
#include "common/plot_descriptors.h"
#include "common/plot_titles.h"
#include "common/tests/log_test_files.h"
#include "common/tests/synthetic_work_file.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "quorna/quorna.h"
#include "testing/workstation_root.h"

namespace {

STRUCT_MASS_LIST Mass(const char* text) {
  STRUCT_MASS_LIST m{};
  EXPECT_NE(ParseMassList(text, &m), 0) << text;
  return m;
}
STRUCT_CHAN_LIST Chan(const char* text) {
  STRUCT_CHAN_LIST c{};
  EXPECT_NE(ParseChanList(text, &c), 0) << text;
  return c;
}

class TitlesTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
  }
};

TEST_F(TitlesTest, TraceTitles) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{1, 5, {{u"A", u""}}}}, 0, 10, 1000, {u"Pressure", u"Flow"});
  const STRUCT_MASS_LIST ric = Mass("RIC"), one = Mass("91"), two = Mass("91+105");
  const STRUCT_CHAN_LIST merged = Chan("Merged"), second = Chan("2");
  STRUCT_MASS_LIST tic{};
  STRUCT_CHAN_LIST ticChan{};
  struct Case {
    int type;
    const STRUCT_MASS_LIST* mass;
    const STRUCT_CHAN_LIST* chan;
    int max;
    const char* expected;
  };
  const Case cases[] = {
      {0, &tic, &ticChan, 100, "TIC"},
      {1, &one, &merged, 100, "Ion: 91 Chan: Merged"},
      {1, &two, &second, 100, "Ions: 91+105 Chan: 2"},
      {1, &ric, &merged, 100, "RIC Chan: Merged"},
      {2, &ric, &merged, 100, "Intensity of Base Peak Chan: Merged"},
      {3, &ric, &merged, 100, "Base Peak Ion Chan: Merged"},
      {5, &ric, &merged, 100, "Flow Chan: Merged"},
      {300, &ric, &merged, 100, "SEGMENT PLOT"},
      // The channel text only when all of it fits; a type text too long is cut.
      {1, &one, &merged, 21, "Ion: 91"},
      {1, &one, &merged, 22, "Ion: 91 Chan: Merged"},
      {1, &two, &merged, 10, "Ions: 91+"},
  };
  for (const Case& c : cases) {
    char buffer[128];
    std::memset(buffer, 'x', sizeof buffer);
    KELT_FormatMassAndScanFuns(wf, int16_t(c.type), 0, c.mass, c.chan, nullptr, buffer, int16_t(c.max));
    EXPECT_STREQ(buffer, c.expected) << c.type << " " << c.max;
  }

  char title[KELT_PLOT_TITLE_SIZE];
  KELT_MakeTolmarPlotTitle(title, 1, &two, &merged, wf);
  EXPECT_STREQ(title, "Ions: 91+105 Merged");
  KELT_MakeTolmarPlotTitle(title, 1, &ric, &merged, wf);
  EXPECT_STREQ(title, "RIC Merged");
  KELT_MakeTolmarPlotTitle(title, 100, &two, &merged, wf);
  EXPECT_STREQ(title, "");

  char units[KELT_UNITS_SIZE];
  const std::pair<uint32_t, const char*> byKind[] = {{0, "Counts"}, {2, "m/z"}, {4, "Counts"}, {5, "Pressure"},
                                                     {6, "Flow"},   {7, ""}};
  for (const auto& [kind, expected] : byKind) {
    KELT_GetUnitsForDataType(1, kind, 0, wf, units);
    EXPECT_STREQ(units, expected) << kind;
  }
  KELT_GetUnitsForDataType(300, 5, 0, wf, units);
  EXPECT_STREQ(units, "Counts");
  FreeSyntheticWorkFile(wf);
}

// Data types no trace has: no type text, only what the lists give.
TEST_F(TitlesTest, UnknownDataTypesGiveNoTypeText) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{1, 5, {{u"A", u""}}}}, 0, 10, 1000, {u"Pressure"});
  const STRUCT_MASS_LIST one = Mass("91");
  const STRUCT_CHAN_LIST merged = Chan("Merged");
  for (int type : {-1, 5, 99, 150, 299, 301, 302, 999, -32768}) {
    SCOPED_TRACE(type);
    char buffer[128];
    std::memset(buffer, 'x', sizeof buffer);
    KELT_FormatMassAndScanFuns(wf, int16_t(type), 0, &one, &merged, nullptr, buffer, 100);
    EXPECT_STREQ(buffer, " Chan: Merged");
    char title[KELT_PLOT_TITLE_SIZE];
    std::memset(title, 'x', sizeof title);
    KELT_MakeTolmarPlotTitle(title, int16_t(type), &one, &merged, wf);
    EXPECT_STREQ(title, "Merged");
    char text[PD_NAME_SIZE];
    std::memset(text, 'x', sizeof text);
    PD_MakePlotDescriptor(text, int16_t(type), &one, &merged, wf);
    EXPECT_STREQ(text, "");
  }
  // Mass-list kinds past the extra columns, and ones that wrap round.
  char units[KELT_UNITS_SIZE];
  for (uint32_t kind : {6u, 200u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::memset(units, 'x', sizeof units);
    KELT_GetUnitsForDataType(1, kind, 0, wf, units);
    EXPECT_STREQ(units, "") << kind;
  }
  KELT_GetUnitsForDataType(100, 0, 0, wf, units);  // an MS file has no channel table
  EXPECT_STREQ(units, "");
  FreeSyntheticWorkFile(wf);
}

TEST_F(TitlesTest, DetectorChannelTitlesAndUnits) {
  msfix::DetectorPlan plan;
  plan.points = 200;
  ASSERT_TRUE(msfix::WriteDetectorFile("C:\\Data\\det.dat", plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\Data\\det.dat", 0);
  ASSERT_NE(wf, nullptr);
  char text[KELT_PLOT_TITLE_SIZE];
  const std::pair<int, const char*> titles[] = {{0, "FID A"}, {1, "TCD"}, {2, ""}, {-1, ""}};
  for (const auto& [channel, expected] : titles) {
    KELT_MakeWSPlotTitle(text, wf, int16_t(channel));
    EXPECT_STREQ(text, expected) << channel;
  }
  KELT_FormatMassAndScanFuns(wf, 100, 1, nullptr, nullptr, nullptr, text, 50);
  EXPECT_STREQ(text, "TCD");
  KELT_GetUnitsForDataType(100, 0, 0, wf, text);
  EXPECT_STREQ(text, "mV");
  KELT_GetUnitsForDataType(100, 0, 7, wf, text);
  EXPECT_STREQ(text, "");
  FreeWorkFileStruct(wf);
}

std::vector<std::string> SplitLfCr(const char* text, int32_t length) {
  std::vector<std::string> lines;
  std::string all(text, size_t(length)), cur;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all.compare(i, 2, "\n\r") == 0) {
      lines.push_back(cur);
      cur.clear();
      ++i;
    } else {
      cur += all[i];
    }
  }
  EXPECT_TRUE(cur.empty()) << "text ends without its line end";
  return lines;
}

TEST_F(TitlesTest, XmsDescription) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile(
      {{0.5, 1.5, {{u"A", u"50.0-300.0"}}}, {1.5, 10.0, {{u"B", u"SIM 91.0"}, {u"C", u""}, {u"D", u"35|550"}}}});
  wf->xms = 1;
  PutWideText(wf->segmentBlocks[0].name, 32, u"Solvent");
  PutWideText(wf->msInfo.title, 80, u"XMS-7");
  PutWideText(wf->msInfo.instrumentName, 32, u"not shown");
  char line[KELT_DESCRIPTION_LINE_MAX + 1];
  ASSERT_EQ(KELT_GetOneTextLineForSegment(wf, 1, line), 1);
  EXPECT_STREQ(line, "   Seg 2, Time: 1.50-10.00, Scan Functions: 3");
  ASSERT_EQ(KELT_GetOneTextLineForSegment(wf, 0, line), 1);
  EXPECT_STREQ(line, "   Seg 1, Time: 0.50-1.50, Solvent, Scan Functions: 1");
  EXPECT_EQ(KELT_GetOneTextLineForSegment(wf, 2, line), 0);
  ASSERT_EQ(KELT_GetOneTextLineForDataFile(wf, line, 20), 1);
  EXPECT_STREQ(line, "Method Time: 0.50-1");

  int16_t count = 0;
  int32_t length = 0;
  char* text = KELT_GetAllTextLinesForDataFile(wf, &count, &length);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(count, 2 + 1 + 4);
  EXPECT_GE(GetBlockSize(text), uint32_t(count) * 200);
  EXPECT_EQ(SplitLfCr(text, length),
            (std::vector<std::string>{"Method Time: 0.50-10.00, Centroid, XMS-7", "   Seg 1, Time: 0.50-1.50, Solvent, Scan Functions: 1",
                                      "      1. 50.0-300.0", "   Seg 2, Time: 1.50-10.00, Scan Functions: 3",
                                      "      1. SIM 91.0", "      2. ", "      3. 35 550"}));
  // The same lines through the line reader.
  int32_t position = 0;
  char read[256];
  ASSERT_EQ(KELT_GetNextLineFromTextFile(text, &position, length, read), 1);
  EXPECT_STREQ(read, "Method Time: 0.50-10.00, Centroid, XMS-7");
  FreeBlock(text);

  int16_t segments = 0;
  STRUCT_SEG_DRAW_INFO* info = MakeSegmentDrawInfoStruct(wf, &segments, 1);
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(segments, 2);
  EXPECT_EQ(+info[1].firstTime, 1.5);
  EXPECT_EQ(+info[1].lastTime, 10.0);
  EXPECT_STREQ(info[1].text, "   Seg 2, Time: 1.50-10.00, Scan Functions: 3");
  FreeBlock(info);
  FreeSyntheticWorkFile(wf);
}

TEST_F(TitlesTest, LogDescriptionOfAFileType23) {
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\log23.kms", 23, TwoSegmentLog()));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\Data\\log23.kms", 0);
  ASSERT_NE(wf, nullptr);
  const MS_SEGMENT_BLOCK& s1 = wf->segmentBlocks[0];
  const MS_SEGMENT_BLOCK& s2 = wf->segmentBlocks[1];
  char expected[200];
  char line[KELT_DESCRIPTION_LINE_MAX + 1];
  ASSERT_EQ(KELT_GetOneTextLineForSegment(wf, 0, line), 1);
  std::snprintf(expected, sizeof expected, "   Seg 1, EI+, Time: %.2f-%.2f, Full scan Auto, Channels: 1", s1.startTime,
                s1.endTime);
  EXPECT_STREQ(line, expected);
  ASSERT_EQ(KELT_GetOneTextLineForSegment(wf, 1, line), 1);
  std::snprintf(expected, sizeof expected, "   Seg 2, CI+, Time: %.2f-%.2f, SIM Fixed, Channels: 2", s2.startTime,
                s2.endTime);
  EXPECT_STREQ(line, expected);
  ASSERT_EQ(KELT_GetOneTextLineForDataFile(wf, line, sizeof line), 1);
  std::snprintf(expected, sizeof expected, "Centroid, Time: %.2f - %.2f", wf->startTime, wf->endTime);
  EXPECT_STREQ(line, expected);

  int16_t count = 0;
  int32_t length = 0;
  char* text = KELT_GetAllTextLinesForDataFile(wf, &count, &length);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(count, 1 + 2 + 3);
  auto lines = SplitLfCr(text, length);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2].rfind("      Chan 1,  Data Point Density: ", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3].rfind("   Seg 2, CI+, Time: ", 0), 0u) << lines[3];
  FreeBlock(text);
  FreeWorkFileStruct(wf);
}

TEST_F(TitlesTest, MsDataDescriptionFromTheMethodSegments) {
  msfix::RunPlan plan;
  plan.scans = 60;
  plan.compounds = 1;
  plan.fileType = 0x14;
  plan.module = 1;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\Data\\ms.kms", plan, nullptr));
  DF_METHOD_SEGMENT segments[2] = {{1, 2.0, 7.0, 1, 0, "EI+   ", "Light", 0.5, 0.02, 35.0, 300.0, {}},
                                   {2, 7.0, 12.0, 2, 1, "CI+", "Heavy", 0.4, 0.02, 35.0, 300.0, {}}};
  ASSERT_TRUE(WriteMethodSegments("C:\\Data\\ms.kms", 0x14, 1, segments, 2));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\Data\\ms.kms", 0);
  ASSERT_NE(wf, nullptr);
  char line[KELT_DESCRIPTION_LINE_MAX + 1];
  ASSERT_EQ(KELT_GetOneTextLineForSegment(wf, 0, line), 1);
  // Blanks before a comma go.
  EXPECT_STREQ(line, "Segment 1: 2.000 to 7.000 min, EI+, 1 scan function, profile data");
  ASSERT_EQ(KELT_GetOneTextLineForDataFile(wf, line, sizeof line), 1);
  // The file's line is the description's first line as written.
  EXPECT_STREQ(line, "Segment 1: 2.000 to 7.000 min, EI+   , 1 scan function, profile data");

  int16_t count = 0;
  int32_t length = 0;
  char* text = KELT_GetAllTextLinesForDataFile(wf, &count, &length);
  ASSERT_NE(text, nullptr);
  EXPECT_GT(count, 2);
  EXPECT_EQ(GetBlockSize(text), uint32_t(length) + 20);
  FreeBlock(text);
  FreeWorkFileStruct(wf);
  // The temporary files are gone.
  for (auto& e : std::filesystem::directory_iterator(Host("c/TEMP")))
    EXPECT_NE(e.path().filename().string().rfind("vvv", 0), 0u) << e.path();
}

TEST(DescriptionLines, NextLineFromText) {
  const std::string text = "ab\r\ncd\n\ref\tg\x01h\r\n\r\nlast";
  int32_t position = 0;
  char line[64];
  struct Step {
    BOOL result;
    const char* line;
  };
  const Step steps[] = {{1, "ab"}, {1, "cd"}, {1, "ef    gh"}, {0, ""}, {1, "last"}, {0, ""}};
  for (const Step& s : steps) {
    EXPECT_EQ(KELT_GetNextLineFromTextFile(text.data(), &position, int32_t(text.size()), line), s.result);
    EXPECT_STREQ(line, s.line);
  }
  EXPECT_EQ(position, int32_t(text.size()));
  // A bounded line buffer cuts the line and skips its rest.
  const std::string longText = std::string(40, 'x') + "\r\nnext";
  position = 0;
  ASSERT_EQ(KELT_GetNextLineFromTextFileEx(longText.data(), &position, int32_t(longText.size()), line, 10), 1);
  EXPECT_STREQ(line, "xxxxxxxxx");
  ASSERT_EQ(KELT_GetNextLineFromTextFileEx(longText.data(), &position, int32_t(longText.size()), line, 10), 1);
  EXPECT_STREQ(line, "next");
}

TEST_F(TitlesTest, SectionCopiedToATextFile) {
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\copy.kms", 23, {"one", "two"}));
  ASSERT_EQ(KELT_CopySectionToTextFile("C:\\TEMP\\log.txt", "C:\\Data\\copy.kms", "LogFile"), 1);
  EXPECT_EQ(ReadHostFile("c/TEMP/log.txt"), LogRecords({"one", "two"}));
  ASSERT_TRUE(PutSection("C:\\Data\\copy.kms", "Empty", ""));
  EXPECT_EQ(KELT_CopySectionToTextFile("C:\\TEMP\\empty.txt", "C:\\Data\\copy.kms", "Empty"), 0);
  EXPECT_EQ(KELT_CopySectionToTextFile("C:\\TEMP\\none.txt", "C:\\Data\\copy.kms", "Missing"), 0);
  EXPECT_FALSE(HostExists("c/TEMP/empty.txt"));
  EXPECT_FALSE(HostExists("c/TEMP/none.txt"));
}

}  // namespace
