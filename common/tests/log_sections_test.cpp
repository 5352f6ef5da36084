// The acquisition-log readers over logs written into fixture data files.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/log_sections.h"
#include "common/tests/log_test_files.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

class LogSectionsTest : public WorkstationRootTest {
 protected:
  STRUCT_WORK_FILE* Open(const char* path) {
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
    EXPECT_NE(wf, nullptr) << path;
    return wf;
  }
  static std::vector<std::string> Texts(const CReadLogSection& log) {
    std::vector<std::string> out;
    char text[64];
    for (int i = 0; i < log.GetCount(); ++i) {
      log.GetRecordText(i, text, sizeof text);
      out.push_back(text);
    }
    return out;
  }
  size_t TempFiles() const {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(Host("c/TEMP"))) n += e.path().filename().string().rfind("YYY", 0) == 0;
    return n;
  }
};

TEST_F(LogSectionsTest, BlocksOfATypicalLog) {
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\log23.kms", 23, TwoSegmentLog()));
  STRUCT_WORK_FILE* wf = Open("C:\\Data\\log23.kms");
  ASSERT_NE(wf, nullptr);
  ASSERT_EQ(wf->hasLog, 1);
  CReadLogSection log;
  ASSERT_EQ(log.Open(wf), 1);
  EXPECT_EQ(TempFiles(), 1u);  // the "LogFile" copy

  struct Case {
    const char* what;
    std::function<BOOL()> read;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"file names", [&] { return log.ReadFileNames(); },
       {"File names", "  Method      C:\\METHODS\\VOC.MTH", "  Tune        C:\\TUNE\\ATUNE.U", "End"}},
      {"set points", [&] { return log.ReadSetPoints(); },
       {"Instrument set points", "  Source temperature   230", "End"}},
      {"segment 1", [&] { return log.ReadSegment(0); },
       {"Acquire segment #1", "Scan mode  Full scan", "IPM type  EI+", "Ionization control  Auto", "End"}},
      {"segment 2 after blanks", [&] { return log.ReadSegment(1); },
       {"Acquisition segment   2", "Scan mode  SIM", "IPM type  CI+", "Ionization control  Manual", "End"}},
      {"no segment 3", [&] { return log.ReadSegment(2); }, {}},
      {"IPM of segment 2", [&] { return log.ReadIPM(1); }, {"IPM file segment 2", "  Reagent gas  methane", "End"}},
      {"tune of segment 2", [&] { return log.ReadTune(1); }, {"Segment number (1-2)  2", "  Emission  35", "End"}},
      {"no tune of segment 1", [&] { return log.ReadTune(0); }, {}},
      {"GC blocks", [&] { return log.ReadGC(); },
       {"Oven program", "  40 C for 2 min", "End", "Injector", "  250 C", "End"}},
      {"user notes", [&] { return log.ReadUserLog(); },
       {"Notes", "  Well water.", "  Second vial.", "", "Injector", "  250 C", "", "", "After the end", ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.read(), 1) << c.what;
    EXPECT_EQ(Texts(log), c.expected) << c.what;
  }
  // The blanked "End" keeps its bytes 62-63 only.
  ASSERT_EQ(log.ReadUserLog(), 1);
  EXPECT_EQ(std::string(log.GetRecord(3), 62), std::string(62, ' '));

  // Segment blocks one after another, then none.
  for (const char* header : {"Acquire segment #1", "Acquisition segment   2"}) {
    ASSERT_EQ(log.ReadNextSegment(), 1);
    ASSERT_GT(log.GetCount(), 0);
    EXPECT_EQ(Texts(log).front(), header);
  }
  EXPECT_EQ(log.ReadNextSegment(), 1);
  EXPECT_EQ(log.GetCount(), 0);

  log.Close();
  EXPECT_EQ(TempFiles(), 0u);
  FreeWorkFileStruct(wf);
}

TEST_F(LogSectionsTest, BlocksAcrossBufferBoundariesAndLongerThanOneBuffer) {
  std::vector<std::string> lines(99, "filler");
  lines.push_back("Acquire segment #1");  // record 99: the last of the first read
  for (int i = 0; i < 150; ++i) lines.push_back("  line " + std::to_string(i));
  lines.push_back("End");
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\long.kms", 23, lines));
  STRUCT_WORK_FILE* wf = Open("C:\\Data\\long.kms");
  CReadLogSection log;
  ASSERT_EQ(log.Open(wf), 1);
  ASSERT_EQ(log.ReadSegment(0), 1);
  ASSERT_EQ(log.GetCount(), 152);
  auto texts = Texts(log);
  EXPECT_EQ(texts.front(), "Acquire segment #1");
  EXPECT_EQ(texts[151], "End");
  // Plain reads go on in 100-record steps.
  ASSERT_EQ(log.Open(wf), 1);
  int total = 0;
  for (;;) {
    ASSERT_EQ(log.ReadNext(), 1);
    if (log.GetCount() == 0) break;
    EXPECT_LE(log.GetCount(), 100);
    total += log.GetCount();
  }
  EXPECT_EQ(total, int(lines.size()));
  FreeWorkFileStruct(wf);
}

TEST_F(LogSectionsTest, GcBlocksStopAtFourHundredRecords) {
  std::vector<std::string> lines = {"title"};
  for (int b = 0; b < 150; ++b) lines.insert(lines.end(), {"Oven", "  step", "End"});
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\gc.kms", 23, lines));
  STRUCT_WORK_FILE* wf = Open("C:\\Data\\gc.kms");
  CReadLogSection log;
  ASSERT_EQ(log.Open(wf), 1);
  ASSERT_EQ(log.ReadGC(), 1);
  EXPECT_EQ(log.GetCount(), 400);
  FreeWorkFileStruct(wf);
}

TEST_F(LogSectionsTest, LogsThatAreNotThere) {
  // A log of another file type, a file type 23 without a log, a raw file
  // without a log after its data.
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\t61.kms", 61, TwoSegmentLog()));
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\nolog.kms", 23, {}));
  ASSERT_TRUE(WriteLoggedRawFile("C:\\Data\\plain.raw", {}));
  for (const char* path : {"C:\\Data\\t61.kms", "C:\\Data\\nolog.kms", "C:\\Data\\plain.raw"}) {
    STRUCT_WORK_FILE* wf = Open(path);
    ASSERT_NE(wf, nullptr);
    CReadLogSection log;
    EXPECT_EQ(log.Open(wf), 0) << path;
    EXPECT_EQ(log.ReadSegment(0), 0) << path;
    EXPECT_EQ(log.GetRecord(0), nullptr);
    FreeWorkFileStruct(wf);
  }
  CReadLogSection log;
  EXPECT_EQ(log.Open(nullptr), 0);
  EXPECT_EQ(TempFiles(), 0u);
}

// A log cut off in the middle of a record, its last block without "End":
// the torn record is not read, the open block runs to the log's end.
TEST_F(LogSectionsTest, TornLogWithAnUnendedBlock) {
  const char* path = "C:\\Data\\torn.kms";
  ASSERT_TRUE(WriteLoggedDataFile(path, 23, {"x"}));
  ASSERT_TRUE(PutSection(path, "LogFile",
                         LogRecords({"Acquisition log", "Acquire segment #1", "Scan mode  Full scan", "End",
                                     "Acquire segment #2", "Scan mode  SIM"}) +
                             std::string(10, 'z')));
  STRUCT_WORK_FILE* wf = Open(path);
  ASSERT_NE(wf, nullptr);
  CReadLogSection log;
  ASSERT_EQ(log.Open(wf), 1);
  ASSERT_EQ(log.ReadNext(), 1);
  EXPECT_EQ(log.GetCount(), 6);
  ASSERT_EQ(log.ReadNext(), 1);
  EXPECT_EQ(log.GetCount(), 0);  // the ten bytes left are no record
  ASSERT_EQ(log.ReadSegment(0), 1);
  EXPECT_EQ(Texts(log), (std::vector<std::string>{"Acquire segment #1", "Scan mode  Full scan", "End"}));
  ASSERT_EQ(log.ReadSegment(1), 1);
  EXPECT_EQ(Texts(log), (std::vector<std::string>{"Acquire segment #2", "Scan mode  SIM"}));
  ASSERT_EQ(log.ReadSegment(2), 1);
  EXPECT_EQ(log.GetCount(), 0);
  ASSERT_EQ(log.ReadFileNames(), 1);
  EXPECT_EQ(log.GetCount(), 0);
  log.Close();
  EXPECT_EQ(TempFiles(), 0u);
  FreeWorkFileStruct(wf);
}

TEST_F(LogSectionsTest, RawFilesKeepTheirLogAfterTheScanData) {
  ASSERT_TRUE(WriteLoggedRawFile("C:\\Data\\logged.raw", TwoSegmentLog()));
  STRUCT_WORK_FILE* wf = Open("C:\\Data\\logged.raw");
  ASSERT_NE(wf, nullptr);
  ASSERT_EQ(wf->directHeader, 1);
  CReadLogSection log;
  ASSERT_EQ(log.Open(wf), 1);
  ASSERT_EQ(log.ReadSetPoints(), 1);
  EXPECT_EQ(Texts(log), (std::vector<std::string>{"Instrument set points", "  Source temperature   230", "End"}));
  EXPECT_EQ(TempFiles(), 0u);
  FreeWorkFileStruct(wf);
}

TEST_F(LogSectionsTest, StarLineSectionsOfTheTripleQuadrupoleLog) {
  const std::vector<std::string> lines = {"Instrument: TQ-1",      "Serial 42",
                                          "********** Acquisition Method **********", "  Scan MRM",
                                          "  Dwell 20 ms",         "******** Tune ********",
                                          "  Lens 1  5.0",         "******** Errors",
                                          "  none"};
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\trel.kms", 20, lines));
  STRUCT_WORK_FILE* wf = Open("C:\\Data\\trel.kms");
  CReadTrelLogSection trel;
  ASSERT_EQ(trel.Open(wf), 1);
  STRUCT_TREL_LOG_NAMES* list = trel.ReadListOfSections();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetBlockSize(list), uint32_t((list->count + 1) * 91 + 353));
  ASSERT_EQ(list->count, 4);
  EXPECT_STREQ(list->sections[0].name, "General Information");
  EXPECT_STREQ(list->sections[1].name, "Acquisition Method ");
  EXPECT_STREQ(list->sections[2].name, "Tune ");
  EXPECT_STREQ(list->sections[3].name, "Errors");
  const uint16_t counts[] = {2, 3, 2, 2};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(+list->sections[i].recordCount, counts[i]) << i;
  EXPECT_EQ(+list->sections[3].endOffset, lines.size() * 64);

  ASSERT_EQ(trel.OpenSection(list, 1), 3);
  char line[TREL_LOG_LINE_SIZE];
  std::vector<std::string> got;
  while (trel.GetNextSectionLine(line)) got.push_back(line);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[2], "  Dwell 20 ms" + std::string(47, ' '));
  EXPECT_EQ(trel.GetNextSectionLine(line), 0);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(trel.OpenSection(list, 4), 0);
  EXPECT_EQ(trel.OpenSection(nullptr, 0), 0);
  FreeBlock(list);
  FreeWorkFileStruct(wf);
}

TEST_F(LogSectionsTest, TrelLogNeedsALog) {
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\none.kms", 20, {}));
  STRUCT_WORK_FILE* wf = Open("C:\\Data\\none.kms");
  CReadTrelLogSection trel;
  EXPECT_EQ(trel.Open(wf), 0);
  EXPECT_EQ(trel.ReadListOfSections(), nullptr);
  FreeWorkFileStruct(wf);
}

}  // namespace
