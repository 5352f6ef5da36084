// The results section: its bytes, its readers and writers, damaged and old
// sections, deletion, rewrite and the library's exports by name.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "quant_test_support.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

using namespace quant_test;

using ResultsTest = EngineTest;

template <class T>
void PutLE(std::vector<uint8_t>& b, size_t at, T v) {
  std::memcpy(&b[at], &v, sizeof v);
}

void PutText(std::vector<uint8_t>& b, size_t at, const char* s) { std::memcpy(&b[at], s, std::strlen(s)); }

STRUCT_RESULTS_HEADER SampleHeader() {
  STRUCT_RESULTS_HEADER h;
  std::memset(&h, 0, sizeof h);
  h.options[24] = 2;
  h.responseBasis = 1;
  h.calculationType = 3;
  h.reportUnknowns = 1;
  h.reportMissing = 1;
  h.sampleAmountFactor = 1.5f;
  h.countIdentified = 2;
  h.countMissing = 1;
  h.countTIC = 1;
  h.processedTime = 0x65A1B2C3u;
  h.version = RESULTS_FORMAT_VERSION;
  h.firstNameCount = 1;
  std::strcpy(h.firstNames[0], "Pressure");
  h.global1062 = 7;
  return h;
}

STRUCT_RESULT_STEP SampleStep(int32_t kind, const char* name, int32_t number, float area) {
  STRUCT_RESULT_STEP s;
  std::memset(&s, 0, sizeof s);
  s.kind = kind;
  s.flags = 0x100;
  std::strcpy(s.name, name);
  std::strcpy(s.units, "ng");
  s.calibrationTimeStamp = -1;
  s.compoundNumber = number;
  s.compoundIndex = int16_t(number - 1);
  s.retentionTime = 5.125f;
  s.area = area;
  s.amount = -1.0f;
  s.ticIndex = -1;
  s.resultFlags = 0x4000;
  return s;
}

// Every field set above, at its documented offset, and nothing else.
TEST_F(ResultsTest, SectionBytesAreTheDocumentedLayout) {
  NewDataFile();
  HSECTION s = CreateTolResults(kData, 2);
  ASSERT_NE(s, nullptr);
  const STRUCT_RESULTS_HEADER h = SampleHeader();
  ASSERT_TRUE(WriteTolResults(s, &h));
  const STRUCT_RESULT_STEP step = SampleStep(0, "Toluene", 3, 1234.5f);
  ASSERT_TRUE(WriteTolResultStep(s, 1, &step));
  ASSERT_TRUE(CloseSection(s));

  std::vector<uint8_t> golden(2635 + 2 * 1375, 0);
  golden[24] = 2;
  PutLE<int16_t>(golden, 2239, 1);
  PutLE<int16_t>(golden, 2241, 3);
  PutLE<int16_t>(golden, 2243, 1);
  PutLE<int16_t>(golden, 2245, 1);
  PutLE<float>(golden, 2247, 1.5f);
  PutLE<int16_t>(golden, 2251, 2);
  PutLE<int16_t>(golden, 2253, 1);
  PutLE<int16_t>(golden, 2257, 1);
  const uint8_t time[] = {0xC3, 0xB2, 0xA1, 0x65};
  std::memcpy(&golden[2263], time, 4);
  golden[2267] = 4;
  PutLE<int16_t>(golden, 2277, 1);
  PutText(golden, 2279, "Pressure");
  PutLE<int16_t>(golden, 2631, 7);
  const size_t at = 2635 + 1375;
  PutLE<uint16_t>(golden, at + 4, 0x100);
  PutText(golden, at + 6, "Toluene");
  PutText(golden, at + 92, "ng");
  PutLE<int32_t>(golden, at + 106, -1);
  PutLE<int32_t>(golden, at + 110, 3);
  PutLE<int16_t>(golden, at + 114, 2);
  PutLE<float>(golden, at + 130, 5.125f);
  PutLE<float>(golden, at + 158, 1234.5f);
  PutLE<float>(golden, at + 166, -1.0f);
  PutLE<int16_t>(golden, at + 324, -1);
  PutLE<uint32_t>(golden, at + 345, 0x4000);
  EXPECT_EQ(Bytes(RESULTS_SECTION), golden);
}

TEST_F(ResultsTest, ReadsBackWhatWasWritten) {
  NewDataFile();
  HSECTION s = CreateTolResults(kData, 3);
  ASSERT_NE(s, nullptr);
  const STRUCT_RESULTS_HEADER h = SampleHeader();
  ASSERT_TRUE(WriteTolResults(s, &h));
  for (uint16_t i = 0; i < 3; ++i) {
    const STRUCT_RESULT_STEP step = SampleStep(i, ("Compound " + std::to_string(i)).c_str(), i + 1, 100.0f * i);
    ASSERT_TRUE(WriteTolResultStep(s, i, &step));
  }
  ASSERT_TRUE(CloseSection(s));

  s = OpenTolResultsReadOnly(kData);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountTolResultSteps(s), 3);
  STRUCT_RESULTS_HEADER back;
  ASSERT_TRUE(ReadTolResults(s, &back));
  EXPECT_EQ(std::memcmp(&back, &h, sizeof h), 0);
  STRUCT_RESULT_STEP step;
  ASSERT_TRUE(ReadTolResultStep(s, 2, &step));
  EXPECT_STREQ(step.name, "Compound 2");
  EXPECT_EQ(+step.area, 200.0f);
  EXPECT_FALSE(ReadTolResultStep(s, 3, &step));  // past the last step
  EXPECT_FALSE(WriteTolResultStep(s, 0, &step)); // read-only
  ASSERT_TRUE(CloseSection(s));

  // A header of exactly 2,635 bytes holds no step.
  s = CreateTolResults(kData, 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountTolResultSteps(s), 0);
  ASSERT_TRUE(CloseSection(s));
  EXPECT_EQ(Bytes(RESULTS_SECTION).size(), 2635u);
}

TEST_F(ResultsTest, StepCountsByKindAndMoves) {
  STRUCT_RESULTS_HEADER h = SampleHeader();
  const struct {
    int32_t kind;
    size_t offset;
  } kinds[] = {{0, 2251}, {1, 2253}, {2, 2255}, {3, 2257}, {4, 2261}, {5, 2259}};
  for (const auto& k : kinds) EXPECT_EQ(ResultKindCountOffset(k.kind), int32_t(k.offset)) << k.kind;
  EXPECT_EQ(ResultKindCountOffset(6), 0);
  EXPECT_EQ(ResultKindCountOffset(32), 0);
  EXPECT_EQ(GetResultKindCount(&h, 3), 1);
  AddResultKindCount(&h, 5, 2);
  EXPECT_EQ(+h.countDuplicate, 2);

  // Identified (2) -> Failed: the counts follow the step.
  MoveResultStepKind(&h, 0, 2);
  EXPECT_EQ(+h.countIdentified, 1);
  EXPECT_EQ(+h.countFailed, 1);
  MoveResultStepKind(&h, 1, 3);  // a peak kind is no compound kind: only Missing changes
  EXPECT_EQ(+h.countMissing, 0);
  EXPECT_EQ(+h.countTIC, 1);
}

// Damaged sections are refused and left as they are.
TEST_F(ResultsTest, DamagedSectionsAreRefused) {
  struct Case {
    const char* what;
    size_t length;
    int16_t version;
  } cases[] = {
      {"cut short in the header", 2600, 4},
      {"cut short in a step", 2635 + 1375 + 700, 4},
      {"a step too long", 2635 + 1376, 4},
      {"a newer version", 2635 + 1375, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NewDataFile();
    std::vector<uint8_t> bytes(c.length, 0x11);
    PutLE<int16_t>(bytes, 2267, c.version);
    Put(RESULTS_SECTION, bytes);
    EXPECT_EQ(OpenTolResults(kData), nullptr);
    EXPECT_EQ(OpenTolResultsReadOnly(kData), nullptr);
    EXPECT_EQ(Bytes(RESULTS_SECTION), bytes);
    EXPECT_TRUE(win::script::MessageBoxLog().empty());
  }
  // Reads that come short fail.
  NewDataFile();
  Put(RESULTS_SECTION, std::vector<uint8_t>(2635 + 600, 0));
  HSECTION s = OpenSectionReadOnly(kData, RESULTS_SECTION, nullptr);
  ASSERT_NE(s, nullptr);
  STRUCT_RESULT_STEP step;
  EXPECT_FALSE(ReadTolResultStep(s, 0, &step));
  CloseSection(s);
  Put(RESULTS_SECTION, std::vector<uint8_t>(2000, 0));
  s = OpenSectionReadOnly(kData, RESULTS_SECTION, nullptr);
  STRUCT_RESULTS_HEADER h;
  EXPECT_FALSE(ReadTolResults(s, &h));
  CloseSection(s);
  EXPECT_EQ(OpenTolResults(nullptr), nullptr);
  EXPECT_EQ(CreateTolResults(kData, -1), nullptr);
}

// A processed run whose results are of an older format: the sections the
// upgrade takes away, and those it keeps.
class OldResultsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    msfix::DHPlan plan;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(kData, "C:\\Data\\METHOD.MTH", plan, &truth_));
    for (const char* name : {RESULTS_SECTION, QUALIFIERS_SECTION, TICS_SECTION}) DeleteSection(kData, name);
    for (const char* name : {"FullChromatogram1", "Run1", "Run27", "Run0", "RunX", "run5"})
      Put(name, {1, 2, 3});
  }
  std::string Built(const char* base) const {
    char name[128] = {};
    BuildDHSectionName(name, base, truth_.moduleId, truth_.moduleAddress, "1");
    return name;
  }
  void ExpectUpgraded(bool upgraded) const {
    for (const char* name : {"FullChromatogram1", "Run1", "Run27", "RevisionLog"})
      EXPECT_EQ(SectionExists(kData, name), !upgraded) << name;
    for (const char* base : {"GlobalParams", "DataMethod", "PeakTable", "TimeEvents", "CalibrationLog", "RecalcLog",
                             "MSReportFormat2"})
      EXPECT_EQ(SectionExists(kData, Built(base).c_str()), !upgraded) << base;
    for (const char* name : {"Run0", "RunX", "run5", "MSData"}) EXPECT_TRUE(SectionExists(kData, name)) << name;
  }
  msfix::DHTruth truth_;
};

TEST_F(OldResultsTest, OldFormatsAreRecognised) {
  struct Case {
    const char* what;
    const char* section;
    size_t length;
    int16_t version;
  } cases[] = {
      {"format 1", "TolmarResults:h2", 2268 + 772 * 3, 1},
      {"format 2", "MSResults:h3", 2288 + 900 * 2, 2},
      {"version 3", "MSResults:h3", 2635 + 1375, 3},
      {"an h4 section below version 4", RESULTS_SECTION, 2635 + 1375, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes(c.length, 0);
    PutLE<int16_t>(bytes, 2267, c.version);
    Put(c.section, bytes);
    win::script::ResetLogs();
    win::script::AnswerNextMessageBox(IDCANCEL);
    win::script::AnswerNextMessageBox(IDCANCEL);
    EXPECT_FALSE(OpenResultsSection(kData));
    EXPECT_EQ(OpenTolResultsReadOnly(kData), nullptr);
    const auto boxes = win::script::MessageBoxLog();
    ASSERT_EQ(boxes.size(), 2u);  // once for each open
    EXPECT_EQ(boxes[0].caption, "MS Data Handling Results Format");
    EXPECT_EQ(boxes[0].flags, UINT(MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND));
    EXPECT_TRUE(SectionExists(kData, c.section));  // cancelled: nothing deleted
    ExpectUpgraded(false);
    DeleteSection(kData, c.section);
  }
  // Current results, or none, are usable.
  win::script::ResetLogs();
  EXPECT_TRUE(OpenResultsSection(kData));
  HSECTION s = CreateTolResults(kData, 1);
  STRUCT_RESULTS_HEADER h = SampleHeader();
  ASSERT_TRUE(WriteTolResults(s, &h));
  ASSERT_TRUE(CloseSection(s));
  EXPECT_TRUE(OpenResultsSection(kData));
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
}

TEST_F(OldResultsTest, TheUserAgreesToTheUpgrade) {
  std::vector<uint8_t> old(2268 + 772, 0);
  PutLE<int16_t>(old, 2267, 1);
  Put("TolmarResults:h2", old);
  Put("TolmarResults:g", old);
  Put("MSTICs:h3", {0});
  win::script::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(OpenResultsSection(kData));
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The results contained in C:\\Data\\SAMPLE1.KMS are not compatible with this version of the Halvern.  "
            "They will be deleted if you proceed.  Reprocess the file to generate results that are compatible "
            "with the new file format.  Press 'Cancel' if you do not wish to delete these results.");
  for (const char* name : {"TolmarResults:h2", "TolmarResults:g", "MSTICs:h3"})
    EXPECT_FALSE(SectionExists(kData, name)) << name;
  ExpectUpgraded(true);
  EXPECT_TRUE(OpenResultsSection(kData));  // nothing old is left
}

TEST_F(OldResultsTest, AutoUpgradeDoesNotAsk) {
  ASSERT_TRUE(WritePrivateProfileStringA("Corvane Zeph Workstation", "AutoUpgrade", "1", GetWorkstationIniPath()));
  std::vector<uint8_t> old(2635 + 1375, 0);
  PutLE<int16_t>(old, 2267, 3);
  Put(RESULTS_SECTION, old);
  Put(QUALIFIERS_SECTION, std::vector<uint8_t>(1302, 0));
  EXPECT_EQ(OpenQualifierDataReadOnly(kData), nullptr);
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
  // The old results under the current name went with the rest.
  for (const char* name : {RESULTS_SECTION, QUALIFIERS_SECTION}) EXPECT_FALSE(SectionExists(kData, name)) << name;
  ExpectUpgraded(true);
}

TEST_F(OldResultsTest, DeletingResultsKeepsRunSectionsWhenAsked) {
  for (int keep : {0, 1}) {
    SCOPED_TRACE(keep);
    ASSERT_TRUE(WritePrivateProfileStringA("MORVEX", "SaveMiniRunFiles", keep ? "1" : "0", "MORVEX.INI"));
    EXPECT_EQ(StoreRunFiles(), keep ? TRUE : FALSE);
    for (const char* name : {"FullChromatogram1", "Run1", "Run27"}) Put(name, {1});
    HSECTION s = CreateTolResults(kData, 1);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(CloseSection(s));
    Put("MSResults:h3", {1});
    EXPECT_TRUE(DeleteTolResults(kData));  // no qualifier or TIC section: not attempted
    EXPECT_FALSE(SectionExists(kData, RESULTS_SECTION));
    EXPECT_FALSE(SectionExists(kData, "MSResults:h3"));
    for (const char* name : {"FullChromatogram1", "Run1", "Run27"})
      EXPECT_EQ(SectionExists(kData, name), keep == 1) << name;
    for (const char* name : {"Run0", "RunX", "run5"}) EXPECT_TRUE(SectionExists(kData, name)) << name;
  }
  EXPECT_FALSE(DeleteTolResults(kData));  // no results to delete
  Put("Run3", {1});
  EXPECT_TRUE(DeleteRunSection(kData, 3));
  EXPECT_FALSE(DeleteRunSection(kData, 3));
}

TEST_F(ResultsTest, RewriteKeepsTheHeaderAndTheFirstSteps) {
  NewDataFile();
  const auto make = [] {
    HSECTION s = CreateTolResults(kData, 4);
    ASSERT_NE(s, nullptr);
    STRUCT_RESULTS_HEADER h = SampleHeader();
    h.countIdentified = 1;
    h.countMissing = 1;
    h.countFailed = 0;
    h.countTIC = 1;
    h.countUnknown = 1;
    h.countDuplicate = 0;
    ASSERT_TRUE(WriteTolResults(s, &h));
    for (uint16_t i = 0; i < 4; ++i) {
      const STRUCT_RESULT_STEP step = SampleStep(i < 2 ? i : i + 1, "x", i + 1, float(i));
      ASSERT_TRUE(WriteTolResultStep(s, i, &step));
    }
    ASSERT_TRUE(CloseSection(s));
  };
  make();
  const std::vector<uint8_t> before = Bytes(RESULTS_SECTION);
  ASSERT_TRUE(RewriteTolResults(kData, 2));
  std::vector<uint8_t> expected(before.begin(), before.begin() + 2635 + 2 * 1375);
  PutLE<int16_t>(expected, 2257, 0);
  PutLE<int16_t>(expected, 2261, 0);
  EXPECT_EQ(Bytes(RESULTS_SECTION), expected);

  make();
  ASSERT_TRUE(RewriteTolResults(kData, 0));
  expected.assign(before.begin(), before.begin() + 2635);
  for (size_t at = 2251; at < 2263; ++at) expected[at] = 0;
  EXPECT_EQ(Bytes(RESULTS_SECTION), expected);

  // More steps than there are: refused, the results stay.
  make();
  EXPECT_FALSE(RewriteTolResults(kData, 5));
  EXPECT_EQ(Bytes(RESULTS_SECTION), before);
  EXPECT_FALSE(RewriteTolResults("C:\\Data\\NONE.KMS", 1));
  // The temporary files are gone.
  char folder[MAX_PATH + 1] = {};
  ASSERT_GT(GetTempPathA(sizeof folder, folder), 0u);
  for (const auto& e : std::filesystem::directory_iterator(win::paths::ToHost(folder)))
    EXPECT_NE(e.path().filename().string().rfind("RSL", 0), 0u) << e.path();
}

TEST_F(ResultsTest, CopiesBetweenFiles) {
  NewDataFile();
  const char other[] = "C:\\Data\\COPY.KMS";
  NewDataFile(other);
  HSECTION s = CreateTolResults(kData, 1);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(CloseSection(s));
  s = CreateQualifierData(kData, 1);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(CloseSection(s));
  EXPECT_FALSE(MORVEX_CopyDHResults(other, kData));  // no TIC section: the other two are still copied
  EXPECT_EQ(Bytes(RESULTS_SECTION, other).size(), 2635u + 1375u);
  EXPECT_EQ(Bytes(QUALIFIERS_SECTION, other).size(), 1302u);
  s = CreateTICData(kData);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(CloseSection(s));
  EXPECT_TRUE(MORVEX_CopyDHResults(other, kData));
  EXPECT_TRUE(CopyTolResults(other, kData));
  EXPECT_FALSE(CopyTolResults(other, "C:\\Data\\NONE.KMS"));
}

TEST_F(ResultsTest, DefaultOptions) {
  std::vector<uint8_t> options(QUANT_OPTIONS_SIZE, 0xEE);
  InitQuantOptions(options.data());
  EXPECT_EQ(options[0], 0);
  EXPECT_EQ(options[20], 1);
  EXPECT_EQ(options[22], 0);
  EXPECT_EQ(options[24], 2);
  EXPECT_EQ(options[2058], 0);
  float f = 0;
  std::memcpy(&f, &options[28 + 12], 4);
  EXPECT_EQ(+f, 1.0f);
}

LRESULT CALLBACK RecordStatus(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  static UINT error = RegisterWindowMessageA("WM_MORVEX_ERROR");
  if (msg == error) {
    static std::string text;
    text = reinterpret_cast<const char*>(l);
    SetWindowTextA(hwnd, text.c_str());
    return LRESULT(40 + w);
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

TEST_F(ResultsTest, StatusTextsReachTheWindowDuringTheSend) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordStatus;
  wc.lpszClassName = "MorvexStatusProbe";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "MorvexStatusProbe", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(PostStatusText(w, 1, "Failed to open results section."), 41);
  char text[128] = {};
  GetWindowTextA(w, text, sizeof text);
  EXPECT_STREQ(text, "   Failed to open results section.");
  DestroyWindow(w);
}

// kelt32 binds these by name from "morvex.dll".
TEST_F(ResultsTest, ExportsAreFoundByName) {
  HMODULE m = LoadLibraryA("morvex.dll");
  ASSERT_NE(m, nullptr);
  for (const char* name :
       {"OpenTolResultsReadOnly", "ReadTolResultStep", "ReadTolResults", "OpenQualifierDataReadOnly",
        "GetMatchingQualifierRecord", "OpenTICDataReadOnly", "GetTICHitRecord", "FreeTICHitRecord", "DllMain",
        "PostStatusText", "StoreRunFiles", "CreateTolResults", "CreateTolResultsShared", "OpenTolResults",
        "WriteTolResults", "CountTolResultSteps", "WriteTolResultStep", "CopyTolResults", "MORVEX_CopyDHResults",
        "DeleteTolResults", "DeleteFullChromatogram", "DeleteRunSection", "DeleteRunSections",
        "DeleteOldResultsSections", "OpenResultsSection", "UpgradeOldResults", "RewriteTolResults",
        "InitQuantOptions", "CreateQualifierData", "OpenQualifierData", "CountQualifierCompounds",
        "GetQualifierRecord", "WriteQualifierRecord", "CopyQualifierData", "CopyTICData", "CreateTICData",
        "OpenTICData", "OpenTICDataReadOnlyShared", "CountTICUnknowns", "GetTICPeak", "GetMatchingTICPeak",
        "GetMatchingTICHitRecord", "WriteTICPeak", "FreeTICPeak", "WriteSectionBytes", "ReadSectionBytes"})
    EXPECT_NE(GetProcAddress(m, name), nullptr) << name;
  FreeLibrary(m);
}

}  // namespace
