// Work-file records of every file kind, made from generated runs and
// checked against what the generator says it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "testing/section_bytes.h"
#include "common/mass_lists.h"
#include "common/results_facts.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_crt.h"

namespace {

struct WorkFileDeleter {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};
using WorkFilePtr = std::unique_ptr<STRUCT_WORK_FILE, WorkFileDeleter>;

class WorkFileTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
  }
};

const char kMsPath[] = "C:\\Data\\run.kms";
const char kRawPath[] = "C:\\Data\\run.raw";
const char kDetPath[] = "C:\\Data\\det.dat";

TEST_F(WorkFileTest, MsDataFileCarriesItsRun) {
  msfix::RunPlan plan;
  plan.scans = 300;
  plan.segments = {{1.0, 1, ""}, {2.0, 3, ""}};
  msfix::RunTruth truth;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, &truth));
  WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 0));
  ASSERT_TRUE(wf);
  EXPECT_STREQ(wf->filePath, kMsPath);
  EXPECT_STREQ(wf->displayName, kMsPath);
  EXPECT_EQ(+wf->sectioned, 1);
  EXPECT_EQ(+wf->directHeader, 0);
  EXPECT_EQ(+wf->centroid, 1);
  EXPECT_EQ(+wf->profile, 0);
  EXPECT_EQ(+wf->type61, 1);
  EXPECT_EQ(+wf->xms, 0);
  EXPECT_EQ(+wf->amdis, 1);
  EXPECT_EQ(+wf->live, 0);
  EXPECT_EQ(+wf->timeTagged, 0);
  EXPECT_EQ(+wf->freeze, 0);
  EXPECT_EQ(+wf->hasLog, 0);
  EXPECT_EQ(+wf->fileType, plan.fileType);
  EXPECT_EQ(+wf->module, plan.module);
  EXPECT_EQ(+wf->scanCount, plan.scans);
  EXPECT_EQ(+wf->msInfo.firstScan, truth.firstScan);
  EXPECT_DOUBLE_EQ(+wf->startTime, truth.scanTimes.front());
  // The end time lies 0.00001 minutes beyond the last scan.
  EXPECT_DOUBLE_EQ(+wf->endTime, truth.scanTimes.back() + 0.00001);
  EXPECT_GT(+wf->scanBufferSize, 0u);
  EXPECT_STREQ(wf->sampleName, plan.sampleName.c_str());
  EXPECT_STREQ(wf->description, plan.description.c_str());
  EXPECT_STREQ(wf->operatorName, plan.operatorName.c_str());
  ASSERT_NE(+wf->segmentBlocks, nullptr);
  ASSERT_EQ(+wf->msInfo.segmentCount, truth.segments.size());
  for (size_t i = 0; i < truth.segments.size(); ++i) {
    EXPECT_EQ(+wf->segmentBlocks[i].firstScan, truth.segments[i].firstScan);
    EXPECT_EQ(+wf->segmentBlocks[i].lastScan, truth.segments[i].lastScan);
    EXPECT_EQ(+wf->segmentBlocks[i].functionCount, truth.segments[i].functions);
  }
  EXPECT_EQ(+wf->mostScanFunctions, 3);
  EXPECT_EQ(+wf->kind13, 0);
  EXPECT_EQ(+wf->allKind13, 0);
  // The acquisition date is the information block's time in local time.
  ASSERT_GT(+wf->acquisitionTime, 0u);
  std::tm tm{};
  ASSERT_TRUE(win::crt::LocalTime32(static_cast<time32_t>(wf->acquisitionTime), &tm));
  EXPECT_EQ(+wf->year, tm.tm_year);
  EXPECT_EQ(+wf->month, tm.tm_mon + 1);
  EXPECT_EQ(+wf->minute, tm.tm_min);
  // File format word: bytes 2-3 of the file.
  uint16_t format = 0;
  ASSERT_NE(GetSectionFileType(kMsPath, &format), -1);
  EXPECT_EQ(+wf->fileFormatWord, format);
}

// Facts taken from the segment blocks' scan functions: kind 13, the first
// function's word 16 and descriptions. The stored blocks are patched in place.
TEST_F(WorkFileTest, FactsOfTheSegmentsScanFunctions) {
  msfix::RunPlan plan;
  plan.scans = 60;
  plan.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
  std::vector<uint8_t> good;
  {
    HSECTION s = OpenSectionReadOnly(kMsPath, "MSData", nullptr);
    ASSERT_NE(s, nullptr);
    good.resize(GetSectionSize(s));
    ASSERT_EQ(ReadSection(s, good.data(), static_cast<uint32_t>(good.size())), good.size());
    CloseSection(s);
  }
  // Where each segment block lies in the section: found by its bytes.
  size_t at[2] = {};
  {
    WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 0));
    ASSERT_TRUE(wf);
    for (int i = 0; i < 2; ++i) {
      const auto* b = reinterpret_cast<const uint8_t*>(&wf->segmentBlocks[i]);
      auto it = std::search(good.begin(), good.end(), b, b + MS_SEGMENT_BLOCK_SIZE);
      ASSERT_NE(it, good.end());
      at[i] = static_cast<size_t>(it - good.begin());
    }
  }
  constexpr size_t kFn = 199, kFnSize = 242;
  struct Case {
    int16_t kinds[2];       // first function's kind per segment
    uint16_t words[2];      // first function's word 16 per segment
    int described;          // -1: no description anywhere; else segment 1's second function only
    int16_t kind13, all13, largest, described13;
  } cases[] = {
      {{0, 0}, {2, 3}, -1, 0, 0, 3, 0},
      {{13, 0}, {5, 1}, 1, 1, 0, 5, 1},
      {{13, 13}, {0, 0}, 1, 1, 1, 0, 1},
      {{0, 13}, {4, 4}, -1, 1, 0, 4, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    for (int i = 0; i < 2; ++i) {
      uint8_t* seg = bytes.data() + at[i];
      std::memcpy(seg + kFn + 24, &c.kinds[i], 2);
      std::memcpy(seg + kFn + 16, &c.words[i], 2);
      for (size_t f = 0; f < 2; ++f) std::memset(seg + kFn + f * kFnSize + 26, 0, 128);
    }
    if (c.described >= 0) std::memcpy(bytes.data() + at[1] + kFn + kFnSize + 26, u"91.0", 8);
    PutSection(kMsPath, "MSData", bytes);
    WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 0));
    ASSERT_TRUE(wf);
    EXPECT_EQ(+wf->kind13, c.kind13) << c.kinds[0] << "," << c.kinds[1];
    EXPECT_EQ(+wf->allKind13, c.all13) << c.kinds[0] << "," << c.kinds[1];
    EXPECT_EQ(+wf->largestFirstFunctionWord, c.largest);
    EXPECT_EQ(+wf->hasDescriptions, c.described13);
    EXPECT_EQ(+wf->mostScanFunctions, 2);
    // Only the header: no segment blocks, none of their facts.
    WorkFilePtr head(MakeWorkFileStruct(kMsPath, 1));
    ASSERT_TRUE(head);
    EXPECT_EQ(+head->segmentBlocks, nullptr);
    EXPECT_EQ(+head->hasDescriptions, 0);
    EXPECT_EQ(+head->mostScanFunctions, 0);
  }
}

// The file type's descriptor: mass decimals and limits of a known module
// kind, zeros for an unknown one; ion texts are checked against its limits.
TEST_F(WorkFileTest, TypeDescriptorOfTheFileType) {
  struct Case {
    uint16_t fileType;
    uint16_t decimals;
    double low, high;
    BOOL takes1600;
  } cases[] = {
      {24, 4, 10.0, 1500.0, 0},
      {20, 1, 10.0, 1050.0, 0},
      {61, 0, 0.0, 0.0, 1},  // unknown: the default limits 10 to 10000
  };
  for (const Case& c : cases) {
    msfix::RunPlan plan;
    plan.scans = 30;
    plan.fileType = c.fileType;
    ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
    WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 1));
    ASSERT_TRUE(wf);
    uint16_t decimals;
    double low, high;
    std::memcpy(&decimals, wf->typeDescriptor, 2);
    std::memcpy(&low, wf->typeDescriptor + 2, 8);
    std::memcpy(&high, wf->typeDescriptor + 10, 8);
    EXPECT_EQ(decimals, c.decimals) << c.fileType;
    EXPECT_EQ(low, c.low) << c.fileType;
    EXPECT_EQ(high, c.high) << c.fileType;
    EXPECT_EQ(+wf->type61, c.fileType == 61 ? 1 : 0);
    STRUCT_MASS_LIST m;
    EXPECT_EQ(KELT_ConvertStringToMassList("1600", wf.get(), 1, &m), c.takes1600) << c.fileType;
    EXPECT_EQ(KELT_ConvertStringToMassList("5", wf.get(), 1, &m), 0) << c.fileType;
    EXPECT_EQ(KELT_ConvertStringToMassList("91", wf.get(), 1, &m), 1) << c.fileType;
  }
}

TEST_F(WorkFileTest, ProfileAndHeaderOnlyAndLive) {
  msfix::RunPlan plan;
  plan.scans = 60;
  plan.profile = true;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
  WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 1));
  ASSERT_TRUE(wf);
  EXPECT_EQ(+wf->profile, 1);
  EXPECT_EQ(+wf->centroid, 0);
  EXPECT_EQ(+wf->amdis, 0);
  EXPECT_EQ(+wf->segmentBlocks, nullptr);
  EXPECT_EQ(+wf->mostScanFunctions, 0);

  // A live file gets its segment blocks, with room for 250, even when only
  // the header is asked for.
  plan.profile = false;
  plan.live = true;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
  WorkFilePtr live(MakeWorkFileStruct(kMsPath, 1));
  ASSERT_TRUE(live);
  EXPECT_EQ(+live->live, 1);
  ASSERT_NE(+live->segmentBlocks, nullptr);
  EXPECT_EQ(GetBlockSize(live->segmentBlocks), 250u * MS_SEGMENT_BLOCK_SIZE);
  EXPECT_EQ(+live->segmentBlocks[1].functionCount, 2);
}

TEST_F(WorkFileTest, LogSectionAndXmsSetting) {
  msfix::RunPlan plan;
  plan.scans = 40;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
  PutSection(kMsPath, "LogFile", {'l', 'o', 'g'});
  WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 1));
  ASSERT_TRUE(wf);
  EXPECT_EQ(+wf->hasLog, 1);
}

TEST_F(WorkFileTest, RawMsFileTakesItsTextsFromTheHeader) {
  msfix::RunPlan plan;
  plan.scans = 200;
  msfix::RunTruth truth;
  ASSERT_TRUE(msfix::WriteRawMsFile(kRawPath, plan, &truth));
  uint8_t header[256];
  ASSERT_TRUE(ReadRawMSFileHeader(kRawPath, header));
  for (int16_t headerOnly : {0, 1}) {
    WorkFilePtr wf(MakeWorkFileStruct(kRawPath, headerOnly));
    ASSERT_TRUE(wf) << headerOnly;
    EXPECT_EQ(+wf->directHeader, 1);
    EXPECT_EQ(+wf->sectioned, 0);
    EXPECT_EQ(+wf->amdis, 1);
    EXPECT_EQ(+wf->scanCount, plan.scans);
    EXPECT_EQ(std::memcmp(wf->rawHeader, header, 256), 0);
    uint32_t l200, l204, l246;
    std::memcpy(&l200, header + 200, 4);
    std::memcpy(&l204, header + 204, 4);
    std::memcpy(&l246, header + 246, 4);
    EXPECT_EQ(+wf->rawHeaderLongs[0], l200);
    EXPECT_EQ(+wf->rawHeaderLongs[1], l204);
    EXPECT_EQ(+wf->rawHeaderLongs[2], l246);
    EXPECT_STREQ(wf->description, plan.description.c_str());
    EXPECT_STREQ(wf->operatorName, plan.operatorName.c_str());
    EXPECT_STREQ(wf->sampleName, plan.sampleName.c_str());
    if (headerOnly) {
      // Times of points 0 and scan count - 1.
      EXPECT_DOUBLE_EQ(+wf->startTime, truth.scanTimes.front());
      EXPECT_DOUBLE_EQ(+wf->endTime, truth.scanTimes.back());
      EXPECT_EQ(+wf->segmentBlocks, nullptr);
    } else {
      EXPECT_DOUBLE_EQ(+wf->startTime, truth.segments.front().startTime);
      EXPECT_DOUBLE_EQ(+wf->endTime, truth.segments.back().endTime);
      EXPECT_EQ(+wf->mostScanFunctions, 2);
    }
  }
}

TEST_F(WorkFileTest, DetectorFilesOfEveryForm) {
  struct Case {
    bool tagged, scaled;
  } cases[] = {{false, true}, {false, false}, {true, false}};
  for (const Case& c : cases) {
    msfix::DetectorPlan plan;
    plan.points = 500;
    plan.timeTagged = c.tagged;
    plan.scaledFloats = c.scaled;
    plan.channels = {{"FID", "FID A", "min", "mV"}, {"MSD", "", "min", "Abundance"}};
    msfix::DetectorTruth truth;
    ASSERT_TRUE(msfix::WriteDetectorFile(kDetPath, plan, &truth));
    WorkFilePtr wf(MakeWorkFileStruct(kDetPath, 0));
    ASSERT_TRUE(wf) << c.tagged << c.scaled;
    EXPECT_EQ(+wf->sectioned, 1);
    EXPECT_EQ(+wf->centroid + wf->profile + wf->directHeader, 0);
    EXPECT_EQ(+wf->timeTagged, c.tagged ? 1 : 0);
    EXPECT_EQ(+wf->pointCount, plan.points);
    EXPECT_EQ(+wf->recordSize, 12);
    EXPECT_EQ(+wf->fileType, plan.fileType);
    EXPECT_EQ(+wf->module, plan.module);
    EXPECT_EQ(+wf->detectorHeader.channelCount, 2);
    EXPECT_EQ(+wf->detectorHeader.alreadyScaled, c.tagged || !c.scaled ? 0 : 1);
    EXPECT_STREQ(wf->detectorHeader.detectorName, plan.detectorName.c_str());
    EXPECT_DOUBLE_EQ(+wf->startTime, static_cast<float>(truth.times.front()));
    EXPECT_DOUBLE_EQ(+wf->endTime, static_cast<float>(truth.times.back()));
    EXPECT_DOUBLE_EQ(+wf->samplingInterval, (wf->endTime - wf->startTime) / (plan.points - 1));
    const STRUCT_CHANNEL_TABLE* t = wf->channelTable;
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(+t->channelCount, 2);
    EXPECT_FLOAT_EQ(+t->divisors[1], 10.0f);
    EXPECT_STREQ(DetectorChannelAt(t, 0)->label, "FID A");
    EXPECT_STREQ(DetectorChannelAt(t, 1)->label, "MSD");  // empty label: the name
    EXPECT_STREQ(DetectorChannelAt(t, 1)->yUnit, "Counts");  // "Abundance" shown as counts
    EXPECT_EQ(+t->sameYUnit, 0);
    EXPECT_EQ(+t->sameXUnit, 1);
    EXPECT_STREQ(DetectorChannelAt(t, 0)->xUnit, c.tagged ? "" : "min");
  }
  WorkFilePtr head(MakeWorkFileStruct(kDetPath, 1));
  ASSERT_TRUE(head);
  EXPECT_EQ(+head->channelTable, nullptr);
}

TEST_F(WorkFileTest, SerialNumbersAndDeepCopies) {
  msfix::DetectorPlan det;
  ASSERT_TRUE(msfix::WriteDetectorFile(kDetPath, det, nullptr));
  msfix::RunPlan plan;
  plan.scans = 50;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
  WorkFilePtr a(MakeWorkFileStruct(kMsPath, 0));
  WorkFilePtr b(MakeWorkFileStruct(kMsPath, 0));
  ASSERT_TRUE(a && b);
  EXPECT_NE(+a->serialNumber, +b->serialNumber);
  WorkFilePtr copy(CopyWorkFileStruct(a.get()));
  ASSERT_TRUE(copy);
  EXPECT_NE(+copy->serialNumber, +a->serialNumber);
  EXPECT_NE(+copy->serialNumber, +b->serialNumber);
  ASSERT_NE(+copy->segmentBlocks, +a->segmentBlocks);
  EXPECT_EQ(std::memcmp(copy->segmentBlocks, a->segmentBlocks, 2 * MS_SEGMENT_BLOCK_SIZE), 0);
  EXPECT_EQ(std::memcmp(copy->filePath, a->filePath, offsetof(STRUCT_WORK_FILE, channelTable)), 0);

  WorkFilePtr d(MakeWorkFileStruct(kDetPath, 0));
  ASSERT_TRUE(d);
  WorkFilePtr dc(CopyWorkFileStruct(d.get()));
  ASSERT_TRUE(dc);
  ASSERT_NE(+dc->channelTable, +d->channelTable);
  ASSERT_NE(+dc->channelTable->divisors, +d->channelTable->divisors);
  EXPECT_EQ(+dc->channelTable->divisors[0], +d->channelTable->divisors[0]);
  EXPECT_STREQ(DetectorChannelAt(dc->channelTable, 1)->name, "TCD");
  EXPECT_EQ(CopyWorkFileStruct(nullptr), nullptr);
  FreeWorkFileStruct(nullptr);
}

TEST_F(WorkFileTest, DisplayNameFromCallersText) {
  msfix::RunPlan plan;
  plan.scans = 30;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
  WorkFilePtr wf(MakeWorkFileStructEx(kMsPath, "C:/Shown/name.kms", 1));
  ASSERT_TRUE(wf);
  EXPECT_STREQ(wf->displayName, "C:\\Shown\\name.kms");
}

// Detector sections built by hand, for damaged forms.
std::vector<uint8_t> DetectorHeader(uint16_t channels, uint32_t records, float start, float end) {
  std::vector<uint8_t> h(DETECTOR_SECTION_HEAD_SIZE + DETECTOR_CHANNEL_RECORD_SIZE * records, 0);
  std::memcpy(&h[6], &channels, 2);
  std::memcpy(&h[38], &start, 4);
  std::memcpy(&h[42], &end, 4);
  for (uint32_t c = 0; c < records; ++c) {
    float one = 1.0f;
    std::memcpy(&h[DETECTOR_SECTION_HEAD_SIZE + DETECTOR_CHANNEL_RECORD_SIZE * c + 20], &one, 4);
  }
  return h;
}

TEST_F(WorkFileTest, BadInputGivesNoRecord) {
  msfix::RunPlan plan;
  plan.scans = 40;
  ASSERT_TRUE(msfix::WriteRawMsFile(kRawPath, plan, nullptr));
  const std::string raw = ReadHostFile("c/Data/run.raw");
  ASSERT_GT(+raw.size(), 256u);
  WriteHostFile("c/Data/empty.raw", "");
  WriteHostFile("c/Data/short.raw", raw.substr(0, 200));
  WriteHostFile("c/Data/text.txt", std::string(400, 'x'));
  // A header that claims its scan index lies beyond the end of the file.
  std::string beyond = raw.substr(0, 300);
  WriteHostFile("c/Data/beyond.raw", beyond);
  std::string badWord = raw;
  badWord[176] = 17;
  WriteHostFile("c/Data/badword.raw", badWord);

  // Sectioned files that are neither MS data nor whole detector files.
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Data\\method.mth", 666, 0, 1));
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Data\\damaged.kms", 61, 0, 1));
  PutSection("C:\\Data\\damaged.kms", "MSData", std::vector<uint8_t>(5000, 0xAB));
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Data\\fewrecords.dat", 12, 0, 1));
  PutSection("C:\\Data\\fewrecords.dat", "Detector", DetectorHeader(4, 2, 0.0f, 1.0f));
  SetFileInfoLong("C:\\Data\\fewrecords.dat", FILE_INFO_POINT_COUNT, 100);
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Data\\onepoint.dat", 12, 0, 1));
  PutSection("C:\\Data\\onepoint.dat", "Detector", DetectorHeader(1, 1, 0.0f, 1.0f));
  SetFileInfoLong("C:\\Data\\onepoint.dat", FILE_INFO_POINT_COUNT, 1);
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Data\\shorthead.dat", 12, 0, 1));
  PutSection("C:\\Data\\shorthead.dat", "Detector", std::vector<uint8_t>(80, 0));
  SetFileInfoLong("C:\\Data\\shorthead.dat", FILE_INFO_POINT_COUNT, 100);
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Data\\backwards.dat", 12, 0, 1));
  PutSection("C:\\Data\\backwards.dat", "Detector", DetectorHeader(1, 1, 5.0f, 1.0f));
  SetFileInfoLong("C:\\Data\\backwards.dat", FILE_INFO_POINT_COUNT, 100);

  const std::string longPath = "C:\\" + std::string(300, 'a');
  const char* paths[] = {nullptr,
                         "",
                         longPath.c_str(),
                         "C:\\Data\\missing.kms",
                         "C:\\Data\\empty.raw",
                         "C:\\Data\\short.raw",
                         "C:\\Data\\text.txt",
                         "C:\\Data\\beyond.raw",
                         "C:\\Data\\badword.raw",
                         "C:\\Data\\method.mth",
                         "C:\\Data\\damaged.kms",
                         "C:\\Data\\fewrecords.dat",
                         "C:\\Data\\onepoint.dat",
                         "C:\\Data\\shorthead.dat",
                         "C:\\Data\\backwards.dat"};
  for (const char* p : paths) {
    for (int16_t headerOnly : {0, 1}) {
      EXPECT_EQ(MakeWorkFileStruct(p, headerOnly), nullptr) << (p ? p : "(null)") << " " << headerOnly;
    }
    uint8_t header[256];
    if (p && std::strstr(p, ".raw")) {
      EXPECT_EQ(ReadRawMSFileHeader(p, header), 0) << p;
    }
  }
  EXPECT_EQ(ReadRawMSFileHeader(nullptr, nullptr), 0);
}

TEST_F(WorkFileTest, BackgroundCorrectionFromTwoTimes) {
  msfix::RunPlan plan;
  plan.scans = 300;
  msfix::RunTruth truth;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, &truth));
  WorkFilePtr wf(MakeWorkFileStruct(kMsPath, 0));
  ASSERT_TRUE(wf);
  ASSERT_EQ(+truth.segments[0].functions, 1);
  ASSERT_EQ(+truth.segments[1].functions, 2);
  const uint32_t s1 = truth.firstScan + 50, s2 = truth.firstScan + 200;
  ASSERT_LE(s1, truth.segments[0].lastScan);
  ASSERT_GE(s2, truth.segments[1].firstScan);
  const auto timeOf = [&](uint32_t scan) { return truth.scanTimes[scan - truth.firstScan]; };

  STRUCT_FILE_BC* bc = KELT_MakeFileBCFromTwoTimes(wf.get(), timeOf(s1), timeOf(s2));
  ASSERT_NE(bc, nullptr);
  ASSERT_EQ(CountBackCorrRanges(bc), 2);
  STRUCT_FILE_BC_ENTRY e;
  ASSERT_TRUE(GetBackCorrRange(bc, 0, &e));
  // One scan function: from the scan's time, 0.2 minutes long.
  EXPECT_EQ(+e.firstScan, s1);
  EXPECT_EQ(+e.endScan, s1 + 1);
  EXPECT_DOUBLE_EQ(+e.time, timeOf(s1));
  EXPECT_DOUBLE_EQ(+e.endTime, timeOf(s1) + 0.2);
  ASSERT_TRUE(GetBackCorrRange(bc, 1, &e));
  // Two functions: the cycle s..s+2, centred between their times.
  EXPECT_EQ(+e.firstScan, s2);
  EXPECT_EQ(+e.endScan, s2 + 2);
  EXPECT_DOUBLE_EQ(+e.time, (timeOf(s2) + timeOf(s2 + 2)) / 2);
  FreeBackCorr(bc);

  // A time before the run finds no scan and adds nothing.
  bc = KELT_MakeFileBCFromTwoTimes(wf.get(), -5.0, timeOf(s1));
  ASSERT_NE(bc, nullptr);
  EXPECT_EQ(CountBackCorrRanges(bc), 1);
  FreeBackCorr(bc);
  EXPECT_EQ(KELT_MakeFileBCFromTwoTimes(nullptr, 1, 2), nullptr);
}

// Results sections of each format, by size and header word.
TEST_F(WorkFileTest, ResultsSectionFacts) {
  msfix::RunPlan plan;
  plan.scans = 20;
  ASSERT_TRUE(msfix::WriteMsDataFile(kMsPath, plan, nullptr));
  EXPECT_FALSE(kelt::results::HaveCurrentResults(kMsPath));
  EXPECT_FALSE(kelt::results::HaveOlderResults(kMsPath));
  struct Case {
    const char* section;
    uint32_t size;
    uint16_t word;
    bool current, older;
  } cases[] = {
      {"MSResults:h4", 2635 + 1375 * 3, 4, true, false},
      // Also the size of a format-1 section: the header word decides.
      {"MSResults:h4", 2635 + 1375 * 427, 4, true, false},
      {"MSResults:h4", 2268 + 772 * 5, 0, false, true},
      {"MSResults:h4", 2288 + 900 * 2, 2, false, true},
      {"MSResults:h4", 2635 + 1375 * 2, 3, false, true},
      {"MSResults:h4", 2635 + 1375 * 2, 7, false, false},
      {"MSResults:h3", 2635 + 1375, 3, false, true},
      {"TolmarResults:h2", 2288 + 900, 2, false, true},
      {"MSResults:h4", 100, 0, false, true},
  };
  for (const Case& c : cases) {
    for (const char* name : {"MSResults:h4", "MSResults:h3", "TolmarResults:h2"}) DeleteSection(kMsPath, name);
    std::vector<uint8_t> bytes(c.size, 0);
    if (c.size > 2268) std::memcpy(&bytes[2267], &c.word, 2);
    PutSection(kMsPath, c.section, bytes);
    EXPECT_EQ(kelt::results::HaveCurrentResults(kMsPath), c.current) << c.section << " " << c.size;
    EXPECT_EQ(kelt::results::HaveOlderResults(kMsPath), c.older) << c.section << " " << c.size;
  }
}

// The blocks the record embeds keep their stored byte positions.
TEST(WorkFileLayout, StoredBlocksKeepTheirOffsets) {
  std::vector<uint8_t> head(90, 0);
  const uint16_t channels = 3, scaled = 1, bunch = 7;
  const float rate = 2.5f, start = 1.25f, end = 9.5f;
  const uint32_t acq = 1700000123u;
  std::memcpy(&head[6], &channels, 2);
  std::memcpy(&head[30], &scaled, 2);
  std::memcpy(&head[32], &bunch, 2);
  std::memcpy(&head[34], &rate, 4);
  std::memcpy(&head[38], &start, 4);
  std::memcpy(&head[42], &end, 4);
  std::memcpy(&head[46], "Detector A", 11);
  std::memcpy(&head[86], &acq, 4);
  STRUCT_DETECTOR_HEADER h;
  static_assert(sizeof h == 90);
  std::memcpy(&h, head.data(), 90);
  EXPECT_EQ(+h.channelCount, 3);
  EXPECT_EQ(+h.alreadyScaled, 1);
  EXPECT_EQ(+h.bunch, 7);
  EXPECT_FLOAT_EQ(+h.scanRateHz, 2.5f);
  EXPECT_FLOAT_EQ(+h.startTime, 1.25f);
  EXPECT_FLOAT_EQ(+h.endTime, 9.5f);
  EXPECT_STREQ(h.detectorName, "Detector A");
  EXPECT_EQ(+h.acquisitionTime, acq);

  std::vector<uint8_t> rec(128, 0);
  const float divisor = 12.5f;
  std::memcpy(&rec[20], &divisor, 4);
  std::memcpy(&rec[48], "name", 5);
  std::memcpy(&rec[68], "label", 6);
  std::memcpy(&rec[88], "min", 4);
  std::memcpy(&rec[108], "mV", 3);
  STRUCT_DETECTOR_CHANNEL_RECORD r;
  std::memcpy(&r, rec.data(), 128);
  EXPECT_FLOAT_EQ(+r.divisor, 12.5f);
  EXPECT_STREQ(r.name, "name");
  EXPECT_STREQ(r.label, "label");
  EXPECT_STREQ(r.xUnit, "min");
  EXPECT_STREQ(r.yUnit, "mV");

  // Information and segment-block fields the record reads.
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE, 0);
  const uint16_t kind = 3, type = 61, module = 5, segments = 4;
  const uint32_t centroid = 1, first = 11, last = 99;
  std::memcpy(&info[0], &kind, 2);
  std::memcpy(&info[2], &type, 2);
  std::memcpy(&info[4], &module, 2);
  std::memcpy(&info[6], &centroid, 4);
  std::memcpy(&info[36], &segments, 2);
  std::memcpy(&info[38], &first, 4);
  std::memcpy(&info[42], &last, 4);
  const char16_t sample[] = u"Sample";
  std::memcpy(&info[922], sample, sizeof sample);
  MS_INFO_BLOCK block;
  std::memcpy(&block, info.data(), info.size());
  EXPECT_EQ(+block.fileKind, 3);
  EXPECT_EQ(+block.fileType, 61);
  EXPECT_EQ(+block.module, 5);
  EXPECT_EQ(+block.centroid, 1u);
  EXPECT_EQ(+block.segmentCount, 4);
  EXPECT_EQ(+block.firstScan, 11u);
  EXPECT_EQ(+block.lastScan, 99u);
  EXPECT_EQ(+block.sampleName[0], u'S');

  std::vector<uint8_t> seg(MS_SEGMENT_BLOCK_SIZE, 0);
  const double s0 = 1.5, s1 = 4.5;
  const uint8_t functions = 3;
  const int16_t k13 = 13;
  std::memcpy(&seg[2], &s0, 8);
  std::memcpy(&seg[10], &s1, 8);
  seg[18] = functions;
  std::memcpy(&seg[19], &first, 4);
  std::memcpy(&seg[23], &last, 4);
  std::memcpy(&seg[199 + 24], &k13, 2);
  std::memcpy(&seg[199 + 242 + 26], u"d", 2);
  auto sb = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memcpy(sb.get(), seg.data(), seg.size());
  EXPECT_DOUBLE_EQ(+sb->startTime, 1.5);
  EXPECT_DOUBLE_EQ(+sb->endTime, 4.5);
  EXPECT_EQ(+sb->functionCount, 3);
  EXPECT_EQ(+sb->firstScan, 11u);
  EXPECT_EQ(+sb->lastScan, 99u);
  EXPECT_EQ(+sb->functions[0].kind, 13);
  EXPECT_EQ(+sb->functions[1].description[0], u'd');

  // The background-correction record other Parts read by offset.
  EXPECT_EQ(offsetof(STRUCT_FILE_BC, groupCount), 40u);
  EXPECT_EQ(sizeof(STRUCT_FILE_BC_GROUP) + sizeof(STRUCT_FILE_BC_ENTRY), 56u);
}

}  // namespace
