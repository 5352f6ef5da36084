// MS data cut short or overwritten after a good run was written. Scans are
// read only when a trace asks for them, so damage past the header and index
// shows up late: the work file may open, but its traces and lookups must
// then fail or stay within the run, never read beyond what is there.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/section_bytes.h"
#include "common/data_points.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

class DamagedMsDataTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
    plan_.scans = 120;
    plan_.peaksPerScan = 200;  // scans take most of the section
  }

  // Everything a plot asks of a work file; returns whether the record opened.
  bool Exercise(const char* path, int16_t headerOnly, const std::string& what) {
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, headerOnly);
    if (!wf) return false;
    const uint32_t scans = wf->scanCount;
    EXPECT_LE(scans, plan_.scans) << what;
    STRUCT_MASS_LIST ions{};
    ions.kind = MASS_LIST_RANGES;
    ions.count = 3;
    for (int k = 0; k < 3; ++k) ions.ranges[k].low = ions.ranges[k].high = 60.0 + 25 * k;
    ions.window = 0.5;
    for (int16_t type : {DATA_TYPE_TIC, DATA_TYPE_MASS_LIST, DATA_TYPE_BASE_PEAK_ION}) {
      STRUCT_NE_DATA_POINTS* dp =
          MakeDataPointsStruct(wf, wf->startTime, wf->endTime, 40000, type, 0, nullptr, &ions);
      if (dp) {
        EXPECT_LE(+dp->pointCount, scans) << what << " type " << type;
      }
      FreeDataPointsStruct(dp);
    }
    STRUCT_NE_DATA_POINTS* byScan =
        KELT_ReadTraceFromMSData(wf, plan_.firstScan, plan_.firstScan + scans - 1, DATA_TYPE_TIC, nullptr, nullptr);
    if (byScan) {
      EXPECT_LE(+byScan->pointCount, scans) << what;
    }
    FreeDataPointsStruct(byScan);
    for (int16_t mode : {LOOKUP_AT_OR_BEFORE, LOOKUP_NEAREST, LOOKUP_AT_OR_AFTER}) {
      uint32_t point = 0;
      double at = 0;
      const double mid = (wf->startTime + wf->endTime) / 2;
      if (GetPointFromATime(wf, mid, &point, &at, mode)) {
        EXPECT_LT(point, scans) << what;
      }
    }
    double t = 0;
    GetTimeOfPoint(wf, scans / 2, &t);
    if (STRUCT_SEG_PLOTS* plots = PLOT_SEG_Init(wf)) {
      FreeDataPointsStruct(PLOT_SEG_Read(wf, plots, 0, nullptr));
      FreeBlock(plots);
    }
    FreeWorkFileStruct(wf);
    return true;
  }

  msfix::RunPlan plan_;
};

TEST_F(DamagedMsDataTest, SectionsCutOrOverwritten) {
  const char kGood[] = "C:\\Data\\good.kms";
  ASSERT_TRUE(msfix::WriteMsDataFile(kGood, plan_, nullptr));
  const std::vector<uint8_t> good = SectionBytes(kGood, "MSData");
  ASSERT_GT(good.size(), 4096u);
  ASSERT_TRUE(Exercise(kGood, 0, "good"));

  const size_t n = good.size();
  auto cut = [&](size_t len) { return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(len)); };
  auto fill = [&](size_t from, size_t len, uint8_t value) {
    std::vector<uint8_t> b = good;
    std::memset(b.data() + from, value, len);
    return b;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool refused;  // refused, or opened (damage only in scans read later)
  } cases[] = {
      {"empty", {}, true},
      {"first 16 bytes", cut(16), true},
      {"a quarter", cut(n / 4), true},
      {"half", cut(n / 2), true},
      {"one byte short", cut(n - 1), true},
      {"scans overwritten with ones", fill(n / 2, n / 4, 0xFF), false},
      {"scans zeroed", fill(n / 3, n / 3, 0x00), false},
      {"last scan overwritten", fill(n - 64, 64, 0xFF), false},
  };
  int i = 0;
  for (const Case& c : cases) {
    const std::string path = "C:\\Data\\damaged" + std::to_string(i++) + ".kms";
    ASSERT_TRUE(msfix::WriteMsDataFile(path, plan_, nullptr));
    PutSection(path.c_str(), "MSData", c.bytes);
    for (int16_t headerOnly : {0, 1}) {
      const bool opened = Exercise(path.c_str(), headerOnly, c.what);
      EXPECT_EQ(opened, !c.refused) << c.what << " header only " << headerOnly;
    }
  }
}

TEST_F(DamagedMsDataTest, RawFilesCutShort) {
  const char kRaw[] = "C:\\Data\\run.raw";
  ASSERT_TRUE(msfix::WriteRawMsFile(kRaw, plan_, nullptr));
  const std::string raw = ReadHostFile("c/Data/run.raw");
  ASSERT_GT(raw.size(), 4096u);
  ASSERT_TRUE(Exercise(kRaw, 0, "good raw"));
  ASSERT_TRUE(Exercise(kRaw, 1, "good raw, header only"));
  for (size_t len : {size_t{256}, size_t{300}, raw.size() / 2, raw.size() - 1}) {
    WriteHostFile("c/Data/cut.raw", raw.substr(0, len));
    for (int16_t headerOnly : {0, 1}) {
      EXPECT_FALSE(Exercise("C:\\Data\\cut.raw", headerOnly, "raw cut")) << len << " header only " << headerOnly;
    }
  }
  std::string overwritten = raw;
  std::memset(overwritten.data() + raw.size() / 2, 0xFF, raw.size() / 4);
  WriteHostFile("c/Data/over.raw", overwritten);
  for (int16_t headerOnly : {0, 1}) Exercise("C:\\Data\\over.raw", headerOnly, "raw overwritten");
}

}  // namespace
