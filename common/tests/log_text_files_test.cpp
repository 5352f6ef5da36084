// The data-file log, the shorter instrument log and the method text files,
// written for fixture data and method files and compared line by line.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/log_text_files.h"
#include "common/number_format.h"
#include "common/tests/log_test_files.h"
#include "common/work_file.h"
#include "fixtures/dh_method_fixture.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "tevrin32/tevrin32.h"
#include "win/win_stdio.h"
#include "testing/workstation_root.h"

namespace {

constexpr char kData[] = "C:\\Data\\voc.kms";
constexpr char kMethod[] = "C:\\Methods\\VOC.MTH";
constexpr char kOut[] = "C:\\Reports\\log.txt";
const std::string kSeparator(60, '*');

// Lines as the readers of these files see them: a CR LF or LF CR pair ends a line.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if ((c == '\r' || c == '\n') && i + 1 < bytes.size() && (bytes[i + 1] == '\r' || bytes[i + 1] == '\n') &&
        bytes[i + 1] != c) {
      lines.push_back(cur);
      cur.clear();
      ++i;
      continue;
    }
    EXPECT_TRUE(c != '\r' && c != '\n') << "a lone line-end byte at " << i;
    cur += c;
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

std::vector<std::string> HeadingLines(const std::string& heading) { return {kSeparator, heading, kSeparator, ""}; }

class LogTextFilesTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Reports"));
    std::filesystem::create_directories(Host("c/Methods"));
    std::filesystem::create_directories(Host("c/Data"));
    msfix::RunPlan plan;
    plan.scans = 60;
    plan.compounds = 2;
    plan.fileType = fixtures::kDHFixtureModuleId;
    plan.module = fixtures::kDHFixtureModuleAddress;
    ASSERT_TRUE(msfix::WriteMsDataFile(kData, plan, nullptr));
    ASSERT_TRUE(fixtures::WriteDHMethodFile(kMethod));
    ASSERT_TRUE(fixtures::WriteDHProcessedData(kData, kMethod));
    wf_ = MakeWorkFileStruct(kData, 0);
    ASSERT_NE(wf_, nullptr);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    WorkstationRootTest::TearDown();
  }
  std::string Out() const { return ReadHostFile("c/Reports/log.txt"); }
  std::vector<std::string> OutLines() const { return Lines(Out()); }
  static std::string DateTime(int32_t t) {
    time32_t v = t;
    char date[64], time[64];
    EXPECT_EQ(KELT_FormatDateTimeFromLong(&v, date, time), 1);
    return std::string(date) + " " + time;
  }
  // Libraries loaded by name are looked for in an empty folder meanwhile.
  struct LibrariesMissing {
    explicit LibrariesMissing(const std::string& emptyFolder) {
      const char* was = std::getenv("KELT_BIN_DIR");
      saved = was ? was : "";
      std::filesystem::create_directories(emptyFolder);
      setenv("KELT_BIN_DIR", emptyFolder.c_str(), 1);
    }
    ~LibrariesMissing() { setenv("KELT_BIN_DIR", saved.c_str(), 1); }
    std::string saved;
  };
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(LogTextFilesTest, NotesErrorAndCalibrationBlocksWithHeadings) {
  KELT_DataFileLogOptions o{};
  o.headings = 1;
  o.notesWidth = 40;
  o.errorLog = 1;
  o.calibrationLog = 1;
  o.injectionNotes = 1;
  o.recalcNotes = 1;
  o.methodNotes = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 1);

  std::vector<std::string> expected;
  auto add = [&](std::vector<std::string> more) { expected.insert(expected.end(), more.begin(), more.end()); };
  add(HeadingLines("Error Log"));
  add({"Target: the reference peak was not found; times are not adjusted.",
       "Calculation: the response lies outside the calibrated range.", ""});
  add(HeadingLines("Calibration Log"));
  char row[200];
  std::snprintf(row, sizeof row, "%-20.20s%-20.20s%-20.20s", "Injection Time/Date", "Recalc Time/Date",
                "Calibration Log File");
  expected.push_back(row);
  for (int i = 0; i < 2; ++i) {
    const int32_t key = fixtures::kDHFixtureInjectionTime - 86400 * (2 - i);
    std::snprintf(row, sizeof row, "%-20.20s%-20.20s%s", DateTime(key).c_str(), DateTime(key + 1800).c_str(),
                  i == 0 ? "c:\\data\\cal001.kms" : "c:\\data\\cal002.kms");
    expected.push_back(row);
  }
  expected.push_back("");
  add(HeadingLines("Injection Sample Notes"));
  add({"Collected 2023-11-13, kept at 4 C.", ""});
  add(HeadingLines("Recalc Sample Notes"));
  add({"Reprocessed after calibration update.", ""});
  // Injection and recalculation used the same method: one path, its notes wrapped at 40.
  add(HeadingLines("Injection Method Notes"));
  add({"c:\\methods\\voc.mth", "Volatile organics by purge and trap.", "Internal standard: toluene-d8 at 20 ng.",
       ""});
  EXPECT_EQ(OutLines(), expected);
  // The bytes of a heading group and of a calibration row as written.
  EXPECT_EQ(Out().rfind(kSeparator + "\r\nError Log\n\r" + kSeparator + "\r\n\r\n", 0), 0u);
  EXPECT_NE(Out().find(std::string("Calibration Log File\n\r")), std::string::npos);
}

TEST_F(LogTextFilesTest, EveryBlockWithoutHeadings) {
  KELT_DataFileLogOptions o{};
  o.notesWidth = 100;
  o.segments = o.runLog = o.otherLogs = o.dataHandling = o.errorLog = o.calibrationLog = o.revisionLog = 1;
  o.versionLog = o.injectionNotes = o.recalcNotes = o.methodNotes = o.samplePrep = o.runLog2 = 1;
  o.moduleAttributes = o.eventLog = o.methodSegmentLog = o.segmentLine = 1;
  ASSERT_TRUE(AddVersionLogEntry(kData, fixtures::kDHFixtureInjectionTime, "analyst", "Reviewed"));
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 1);
  const std::string out = Out();
  EXPECT_EQ(out.find(kSeparator), std::string::npos);
  const auto lines = Lines(out);
  auto has = [&](const std::string& text) {
    for (const auto& l : lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  };
  // Each block's text is there: the run log read from the star-line log,
  // the data-handling method through the method library, the version
  // history, the sample preparation and the module texts of the data file.
  for (const char* text : {"************ General Information ************", "Acquisition Log", "Global Parameters",
                           "Peak Table: 5 compounds", "Version history of", "Reviewed", "Purge and trap",
                           "Source Temperature", "Run completed", "Reprocessed after calibration update."})
    EXPECT_TRUE(has(text)) << text;
  // Sample notes differ, so both notes blocks are written.
  EXPECT_TRUE(has("Collected 2023-11-13, kept at 4 C."));
}

TEST_F(LogTextFilesTest, RecalcNotesEqualToTheInjectionNotesAreLeftOut) {
  STRUCT_DH_INJECTION_RECORD inj{};
  HDHTABLE h = OpenDHRecord(kData);
  ASSERT_NE(h, nullptr);
  ASSERT_TRUE(ReadDHRecord(h, &inj));
  CloseSection(h);
  std::snprintf(inj.description, sizeof inj.description, "Reprocessed after calibration update.");
  ASSERT_TRUE(WriteDHInjectionRecord(kData, &inj));
  KELT_DataFileLogOptions o{};
  o.headings = 1;
  o.injectionNotes = o.recalcNotes = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 1);
  std::vector<std::string> expected = HeadingLines("Injection Sample Notes");
  expected.insert(expected.end(), {"Reprocessed after calibration update.", ""});
  EXPECT_EQ(OutLines(), expected);
}

TEST_F(LogTextFilesTest, DeletedMethodAndMissingSamplePreparation) {
  for (const auto& e : std::filesystem::directory_iterator(Host("c/Methods"))) std::filesystem::remove(e.path());
  // A data file of its own without a sample preparation section.
  msfix::RunPlan plan;
  plan.scans = 40;
  plan.compounds = 1;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\Data\\plain.kms", plan, nullptr));
  STRUCT_WORK_FILE* plain = MakeWorkFileStruct("C:\\Data\\plain.kms", 0);
  ASSERT_NE(plain, nullptr);
  KELT_DataFileLogOptions o{};
  o.samplePrep = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, plain, &o), 1);
  EXPECT_EQ(Out(), "No sample preparation section on data file.\n\r\r\n");
  FreeWorkFileStruct(plain);

  o = KELT_DataFileLogOptions{};
  o.methodNotes = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 1);
  EXPECT_EQ(OutLines(), (std::vector<std::string>{"(Deleted) c:\\methods\\voc.mth", ""}));
}

TEST_F(LogTextFilesTest, RevisionLogLinesAreCutAt120) {
  const std::string longLine(250, 'r');
  ASSERT_TRUE(AppendDHLogText(kData, longLine.c_str()));
  KELT_DataFileLogOptions o{};
  o.revisionLog = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 1);
  auto lines = OutLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], std::string(120, 'r'));
  EXPECT_EQ(lines[lines.size() - 3], std::string(120, 'r'));
  EXPECT_EQ(lines[lines.size() - 2], std::string(10, 'r'));
  EXPECT_EQ(lines.back(), "");
}

TEST_F(LogTextFilesTest, NothingWrittenRemovesTheFile) {
  WriteHostFile("c/Reports/log.txt", "an older log");
  KELT_DataFileLogOptions o{};
  EXPECT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 0);
  EXPECT_FALSE(HostExists("c/Reports/log.txt"));
  EXPECT_EQ(KELT_GetDataFileLog(kOut, nullptr, &o), 0);
  EXPECT_EQ(KELT_GetDataFileLog("Q:\\no\\such\\folder\\log.txt", wf_, &o), 0);
}

TEST_F(LogTextFilesTest, MissingLibrariesLeaveTheirTextsEmpty) {
  LibrariesMissing missing(Host("emptybin"));
  KELT_DataFileLogOptions o{};
  o.headings = 1;
  o.dataHandling = 1;
  o.errorLog = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 1);
  std::vector<std::string> expected = HeadingLines("Data Handling");
  auto error = HeadingLines("Error Log");
  expected.insert(expected.end(), error.begin(), error.end());
  expected.push_back("");
  EXPECT_EQ(OutLines(), expected);

  WriteHostFile("c/Reports/dh.txt", "older");
  EXPECT_EQ(KELT_MakeDataHandlingMethodTextFile("C:\\Reports\\dh.txt", kMethod, 1, 1, 0x14, 1), 0);
  EXPECT_FALSE(HostExists("c/Reports/dh.txt"));
  EXPECT_EQ(KELT_MakeReportsMethodTextFile("C:\\Reports\\rpt.txt", kMethod, 0x14, 1), 0);
  EXPECT_FALSE(HostExists("c/Reports/rpt.txt"));
}

TEST_F(LogTextFilesTest, MethodTextFiles) {
  EXPECT_EQ(KELT_MakeDataHandlingMethodTextFile("C:\\Reports\\dh.txt", kMethod, 0, 0, 0x14, 1), 0);
  ASSERT_EQ(KELT_MakeDataHandlingMethodTextFile("C:\\Reports\\dh.txt", kMethod, 1, 1, 0x14, 1), 1);
  auto dh = Lines(ReadHostFile("c/Reports/dh.txt"));
  ASSERT_FALSE(dh.empty());
  EXPECT_EQ(dh.front(), "Global Parameters");
  EXPECT_NE(std::find(dh.begin(), dh.end(), "Peak Table: 5 compounds"), dh.end());
  EXPECT_EQ(dh.back(), "");  // each section is followed by a line end

  ASSERT_EQ(KELT_MakeDataHandlingMethodTextFile("C:\\Reports\\gp.txt", kMethod, 1, 0, 0x14, 1), 1);
  auto gp = Lines(ReadHostFile("c/Reports/gp.txt"));
  EXPECT_EQ(std::find(gp.begin(), gp.end(), "Peak Table: 5 compounds"), gp.end());

  ASSERT_EQ(KELT_MakeReportsMethodTextFile("C:\\Reports\\rpt.txt", kMethod, 0x14, 1), 1);
  auto rpt = Lines(ReadHostFile("c/Reports/rpt.txt"));
  ASSERT_FALSE(rpt.empty());
  EXPECT_EQ(rpt.front(), "Report Method");
  EXPECT_NE(std::find(rpt.begin(), rpt.end(), "  Export format:         Blank separated"), rpt.end());

  // A module of the GC: its method and information sections.
  ASSERT_TRUE(PutSection(kData, "Method.000C.0002.0000", "Oven=40 C for 2 min\nInlet=250 C\n"));
  ASSERT_TRUE(WriteModuleInfo(kData, 2, "Model=GC 9\nSerial=1234\n"));
  ASSERT_EQ(KELT_MakeModuleMethodTextFile("C:\\Reports\\gc.txt", kData, 12, 2), 1);
  EXPECT_EQ(Lines(ReadHostFile("c/Reports/gc.txt")),
            (std::vector<std::string>{"Instrument Method (Method.000C.0002.0000)", "  Oven: 40 C for 2 min",
                                      "  Inlet: 250 C", "", "Module Information, Address 2", "  Model: GC 9",
                                      "  Serial: 1234"}));
  // No such module: nothing written, no file.
  EXPECT_EQ(KELT_MakeModuleMethodTextFile("C:\\Reports\\none.txt", kData, 12, 7), 0);
  EXPECT_FALSE(HostExists("c/Reports/none.txt"));

  // The same module among the other instrument logs of the data-file log.
  KELT_DataFileLogOptions o{};
  o.otherLogs = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf_, &o), 1);
  EXPECT_EQ(OutLines(), (std::vector<std::string>{"", "", "Module Information, Address 2", "  Model: GC 9",
                                                  "  Serial: 1234", "Instrument Method (Method.000C.0002.0000)",
                                                  "  Oven: 40 C for 2 min", "  Inlet: 250 C", "", ""}));
}

TEST_F(LogTextFilesTest, RunLogOfAFileType23AndTheShortLog) {
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\log23.kms", 23,
                                  {"Acquisition log", "File names", "  Method  VOC.MTH", "", "", "End",
                                   "Acquire segment #1", "  Scan mode  Full scan", "End"}));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\Data\\log23.kms", 0);
  ASSERT_NE(wf, nullptr);
  KELT_DataFileLogOptions o{};
  o.runLog = 1;
  ASSERT_EQ(KELT_GetDataFileLog(kOut, wf, &o), 1);
  // Title record skipped; blank runs collapse; each line is the record's
  // 62 characters, trailing blanks kept, the first line of a block without
  // its two leading blanks; lines end LF CR.
  auto pad = [](std::string text, size_t width) { return text + std::string(width - text.size(), ' '); };
  // A blank record is written as its 62 blanks, the block end after it not at all.
  EXPECT_EQ(Out(), pad("File names", 60) + "\n\r" + pad("    Method  VOC.MTH", 62) + "\n\r" +
                       std::string(62, ' ') + "\n\r" +
                       pad("Acquire segment #1", 60) + "\n\r" + pad("    Scan mode  Full scan", 62) +
                       "\n\r\n\r\r\n\r\n");
  FreeWorkFileStruct(wf);

  // The star-line log: each line its 60 characters, trailing blanks kept.
  ASSERT_TRUE(WriteLoggedDataFile("C:\\Data\\trel.kms", 20,
                                  {"Instrument: TQ-1", "********** Tune **********", "  Lens 1  5.0"}));
  wf = MakeWorkFileStruct("C:\\Data\\trel.kms", 0);
  ASSERT_NE(wf, nullptr);
  FILE* f = win::crt::OpenStream(kOut, "w+t");
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(KELT_WriteTrelLogText(f, wf));
  std::fclose(f);
  EXPECT_EQ(Out(), "************ General Information ************\n\r" + pad("Instrument: TQ-1", 60) + "\r\n" +
                       pad("********** Tune **********", 60) + "\r\n" + pad("  Lens 1  5.0", 60) + "\r\n");
  FreeWorkFileStruct(wf);

  ASSERT_EQ(MakeKMSTextLogFile(kOut, wf_, 1, 0, 1, 2, 0, 1, 0, 0, 0, 1), 1);
  auto lines = OutLines();
  auto has = [&](const std::string& text) {
    for (const auto& l : lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("Source Temperature"));
  EXPECT_TRUE(has("Run completed"));
  EXPECT_TRUE(has("Revision Log:"));
  EXPECT_EQ(MakeKMSTextLogFile(kOut, wf_, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_FALSE(HostExists("c/Reports/log.txt"));
}

}  // namespace

namespace {

// Notes text cut into lines: each line end (a pair counts once) and each
// full width end a line; control characters are dropped.
TEST_F(LogTextFilesTest, TextWrittenAsLines) {
  const struct {
    const char* text;
    int16_t width;
    const char* want;
  } cases[] = {
      {"", 10, ""},
      {"one\r\ntwo\n\rthree", 80, "one\r\ntwo\r\nthree\r\n"},
      {"a\n\nb", 80, "a\r\nb\r\n"},             // a pair of the same byte counts once
      {"a\n\n\nb", 80, "a\r\n\r\nb\r\n"},       // the third starts an empty line
      {"abcdefgh", 3, "abc\r\ndef\r\ngh\r\n"},
      {"abc\ndef", 3, "abc\r\n\r\ndef\r\n"},   // a full line, then its own end
      {"t\tab\x01le", 80, "table\r\n"},
      {"no width", 0, "no width\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    FILE* f = win::crt::OpenStream(kOut, "w+t");
    ASSERT_NE(f, nullptr);
    KELT_WriteTextAsLines(f, c.text, c.width);
    std::fclose(f);
    EXPECT_EQ(Out(), c.want);
  }
  FILE* f = win::crt::OpenStream(kOut, "w+t");
  ASSERT_NE(f, nullptr);
  KELT_WriteTextAsLines(f, nullptr, 10);
  KELT_WriteTextAsLines(nullptr, "x", 10);
  std::fclose(f);
  EXPECT_EQ(Out(), "");
}

}  // namespace
