// Acquisition records of a data file and the texts written from them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "pomsel/pomsel.h"
#include "win/win_paths.h"

namespace {
constexpr uint16_t kId = 0x14, kAddress = 1;

// What a writer put into a stream.
template <class Write>
std::string Captured(Write write, BOOL* result = nullptr) {
  FILE* f = std::tmpfile();
  BOOL r = write(f);
  if (result) *result = r;
  std::string text(size_t(std::ftell(f)), '\0');
  std::rewind(f);
  size_t n = std::fread(text.data(), 1, text.size(), f);
  text.resize(n);
  std::fclose(f);
  return text;
}
}  // namespace

class DataFileRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pomsel-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
    ASSERT_TRUE(CreateSectionFileAtPath(file_, 0, 0, 1));
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  void WriteMethod() {
    DF_METHOD_SEGMENT s[2] = {};
    s[0] = {1, 3.0, 12.5, 2, 0, "EI+", "Volatiles", 0.5, 0.02, 35.0, 350.0, {}};
    s[1] = {2, 12.5, 25.0, 1, 1, "EI+", "", 0.3, 0.02, 50.0, 550.0, {}};
    ASSERT_TRUE(WriteMethodSegments(file_, kId, kAddress, s, 2));
    DF_SCAN_FUNCTION f[3] = {{1, 1, "Full Scan", "Full scan 35-350"},
                             {1, 2, "SIM 91", "SIM 91, 92"},
                             {2, 1, "Full Scan", "Full scan 50-550"}};
    ASSERT_TRUE(WriteScanFunctions(file_, kId, kAddress, f, 3));
  }

  const char* file_ = "C:\\TEMP\\run1.kms";
  std::string root_;
};

TEST_F(DataFileRecords, MethodSegmentTexts) {
  BOOL ok = TRUE;
  EXPECT_EQ(Captured([&](FILE* f) { return WriteMethodSegmentText(f, file_, kAddress, kId, 2, 1); }, &ok), "");
  EXPECT_FALSE(ok);
  WriteMethod();
  std::string one = Captured(
      [&](FILE* f) { return WriteMethodSegmentLogText(f, file_, kAddress, kId, 1, 1, 1); }, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(one,
            "Segment 1: 3.000 to 12.500 min, EI+, 2 scan functions, profile data\r\n"
            "  Scan time: 0.500 s, inter-scan delay: 0.020 s\r\n"
            "  Mass range: 35.0 to 350.0\r\n"
            "  Description: Volatiles\r\n"
            "  Function 1: Full Scan (Full scan 35-350)\r\n"
            "  Function 2: SIM 91 (SIM 91, 92)\r\n");
  std::string all = Captured([&](FILE* f) { return WriteMethodSegmentText(f, file_, kAddress, kId, 2, 1); });
  EXPECT_EQ(all.rfind("MS Method: 2 segments\r\n", 0), 0u);
  EXPECT_NE(all.find("Segment 2: 12.500 to 25.000 min, EI+, 1 scan function, centroid data\r\n"),
            std::string::npos);
  EXPECT_EQ(Captured([&](FILE* f) { return WriteMethodSegmentLogText(f, file_, kAddress, kId, 3, 1, 1); }), "");

  DF_SCAN_FUNCTION_LIST* list = GetScanFunctionList(file_, kId, kAddress);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count, 3);
  EXPECT_STREQ(list->items[1].shortName, "SIM 91");
  EXPECT_EQ(+list->items[2].segment, 2);
  FreeScanFunctionList(list);
  EXPECT_EQ(GetScanFunctionList(file_, kId, 9), nullptr);
}

TEST_F(DataFileRecords, AttributesEventLogSamplePrepAndNotes) {
  DF_MODULE_ATTRIBUTE a[3] = {{"Source", "Source Temperature", "230 C"},
                              {"Source", "Electron Energy", "70 eV"},
                              {"Analyzer", "Quad Temperature", "150 C"}};
  ASSERT_TRUE(WriteModuleAttributes(file_, kId, kAddress, a, 3));
  std::string plain = Captured([&](FILE* f) { return WriteModuleAttributesText(f, file_, kAddress, kId); });
  EXPECT_EQ(plain.substr(0, 39), "Source Temperature              230 C\r\n");
  std::string grouped = Captured([&](FILE* f) { return WriteModuleAttributesTextEx(f, file_, kAddress, kId); });
  EXPECT_EQ(grouped.rfind("[Source]\r\n", 0), 0u);
  EXPECT_NE(grouped.find("\r\n[Analyzer]\r\n"), std::string::npos);

  DF_EVENT_LOG_ENTRY e[2] = {{0, 0, "Run started"}, {125000, 1, "Source pressure high"}};
  ASSERT_TRUE(WriteEventLog(file_, kId, kAddress, e, 2));
  EXPECT_EQ(Captured([&](FILE* f) { return WriteEventLogText(f, file_, kAddress, kId); }),
            "   0.0000 min  Info     Run started\r\n"
            "  12.5000 min  Warning  Source pressure high\r\n");

  EXPECT_EQ(Captured([&](FILE* f) { return WriteSamplePrepText(f, file_); }), "");
  ASSERT_TRUE(WriteSamplePrep(file_, kId, kAddress, "Extracted with hexane.\nConcentrated to 1 mL."));
  EXPECT_EQ(Captured([&](FILE* f) { return WriteSamplePrepText(f, file_); }),
            "Extracted with hexane.\r\nConcentrated to 1 mL.\r\n");

  EXPECT_EQ(GetNotesLength(file_), 0);
  ASSERT_TRUE(WriteNotes(file_, "Use the new column."));
  ASSERT_EQ(GetNotesLength(file_), 19);
  char notes[19];
  ASSERT_TRUE(ReadNotes(file_, notes, sizeof notes));
  EXPECT_EQ(std::string(notes, 19), "Use the new column.");
}

TEST_F(DataFileRecords, AcquisitionFactsAndProcessingRecord) {
  DF_HALF_HEIGHT h{1, 0, 1, 600, 0, 0};
  ASSERT_TRUE(WriteHalfHeights(file_, kId, kAddress, &h, 1));
  uint16_t kind = 0, mass = 0;
  uint32_t width = 0, resolution = 0;
  ASSERT_TRUE(GetHalfHeightInfo(file_, kAddress, kId, 1, 0, &kind, &width, &mass, &resolution));
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(width, 600u);
  EXPECT_FALSE(GetHalfHeightInfo(file_, kAddress, kId, 2, 0, &kind, &width, &mass, &resolution));

  DF_CENTROID_PARAMS c{};
  c.segment = 2;
  c.channel = 1;
  c.peakWidth = 0.6;
  ASSERT_TRUE(WriteCentroidParams(file_, &c, 1));
  DF_CENTROID_PARAMS back{};
  ASSERT_TRUE(ReadCentroidParams(file_, 2, 0, &back));
  EXPECT_EQ(+back.peakWidth, 0.6);
  EXPECT_FALSE(ReadCentroidParams(file_, 1, 0, &back));

  EXPECT_EQ(GetSegmentDataKind(file_, 1), -1);
  ASSERT_TRUE(SetSegmentDataKind(file_, kId, 1, 1, 1));
  ASSERT_TRUE(SetSegmentDataKind(file_, kId, 1, 2, 0));
  ASSERT_TRUE(SetSegmentDataKind(file_, kId, 1, 1, 0));
  EXPECT_EQ(GetSegmentDataKind(file_, 1), 0);
  EXPECT_FALSE(SetSegmentDataKind(file_, kId, 1, 0, 1));

  DF_INJECTION_INFO inj{};
  std::snprintf(inj.rack, sizeof inj.rack, "Rack A");
  inj.vial = 12;
  ASSERT_TRUE(DF_WriteInjectionInfo(file_, &inj));
  DF_INJECTION_INFO ib{};
  ASSERT_TRUE(DF_GetInjectionInfo(file_, &ib));
  EXPECT_STREQ(ib.rack, "Rack A");

  float factor = 1.0f;
  EXPECT_FALSE(DF_GetAirFlowScaleFactor(file_, kId, kAddress, &factor));
  DF_AIR_FLOW air{1.25f, 0.5f, 10.0f};
  ASSERT_TRUE(WriteAirFlow(file_, kId, kAddress, &air));
  ASSERT_TRUE(DF_GetAirFlowScaleFactor(file_, kId, kAddress, &factor));
  EXPECT_EQ(factor, 1.25f);

  HDHTABLE g = DF_MSCreateGlobalParams(file_, kId, kAddress, "1");
  STRUCT_DH_GLOBAL_PARAMS gp;
  InitGlobalParams(&gp);
  gp.peakWidthTenths = 45;
  ASSERT_TRUE(DF_MSWriteGlobalParams(g, &gp));
  CloseSection(g);
  g = DF_MSOpenGlobalParams(file_, kId, kAddress, "1");
  STRUCT_DH_GLOBAL_PARAMS gb;
  ASSERT_TRUE(DF_MSReadGlobalParams(g, &gb));
  EXPECT_EQ(+gb.peakWidthTenths, 45);
  CloseSection(g);

  HDHTABLE log = CreateRecalcLog(file_, kId, kAddress, "1");
  STRUCT_RECALC_ENTRY r{};
  for (int16_t i = 0; i < 2; ++i) {
    r.sequence = i;
    r.processedTime = 1700000000u + uint32_t(i);
    std::snprintf(r.methodPath, sizeof r.methodPath, "C:\\METHODS\\M%d.MTH", i);
    ASSERT_TRUE(AppendDHRecord(log, &r));
  }
  CloseSection(log);
  HDHTABLE rec = DF_OpenDataFileRecord(file_, kId, kAddress, "1");
  ASSERT_NE(rec, nullptr);
  char out[sizeof(STRUCT_RECALC_ENTRY)];
  ASSERT_TRUE(DF_ReadDataFileRecord(rec, reinterpret_cast<STRUCT_RECALC_ENTRY*>(out)));
  EXPECT_STREQ(out + 395, "C:\\METHODS\\M1.MTH");  // the latest processing
  CloseSection(rec);
  EXPECT_EQ(DF_OpenDataFileRecord(file_, kId, kAddress, "2"), nullptr);
}
