#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "nabrit/nabrit.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "testing/workstation_root.h"
#include "win/win_kernel.h"

namespace {

class ExtractionTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    plan_.seed = 5;
    plan_.compounds = 6;
    plan_.segments = {{1.0, 1, "First"}, {1.0, 2, "Second"}};
    ASSERT_TRUE(msfix::WriteMsDataFile(data_, plan_, &truth_));
  }
  // Scan numbers and times of a file's MS data.
  std::vector<std::pair<uint32_t, double>> Scans(const char* path) {
    std::vector<std::pair<uint32_t, double>> out;
    HMSDATA h = OpenMSData(path, "MSData", 0);
    EXPECT_NE(h, nullptr);
    if (!h) return out;
    MS_INFO_BLOCK info;
    EXPECT_EQ(ReadMSInfoFromHandle(h, &info), 0);
    std::vector<uint8_t> buffer(GetMSScanBufferSize(h));
    for (uint32_t s = info.firstScan; s <= info.lastScan; ++s) {
      MS_SCAN_RECORD r;
      if (ReadMSScan(h, s, &r, buffer.data()) == 0) out.emplace_back(s, r.header.time);
    }
    CloseMSData(h);
    return out;
  }
  // The total-ion trace between two times.
  std::vector<std::pair<double, uint64_t>> Trace(const char* path, double from, double to) {
    std::vector<std::pair<double, uint64_t>> out;
    HMSDATA h = OpenMSData(path, "MSData", 0);
    if (!h) return out;
    MS_TRACE_REQUEST req{};
    req.kind = MS_TRACE_BY_TIMES;
    req.times.from = from;
    req.times.to = to;
    STRUCT_MASS_LIST ml{};
    STRUCT_CHAN_LIST cl{};
    void* block = nullptr;
    const uint32_t n = ReadMSTrace(h, &req, &cl, &ml, &block);
    for (uint32_t i = 0; i < n; ++i) {
      double t;
      uint64_t v;
      std::memcpy(&t, static_cast<uint8_t*>(block) + 12 + 20 * i, 8);
      std::memcpy(&v, static_cast<uint8_t*>(block) + 12 + 20 * i + 12, 8);
      out.emplace_back(t, v);
    }
    if (block) FreeMSTrace(block);
    CloseMSData(h);
    return out;
  }

  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
  const char* data_ = "C:\\TEMP\\data.kms";
  const char* mini_ = "C:\\TEMP\\RUN0001.TMP";
};

TEST_F(ExtractionTest, CompoundWindowKeepsItsScansAndPeak) {
  const msfix::CompoundTruth& c = truth_.compounds[2];
  const double from = c.retentionTime - 0.3, to = c.retentionTime + 0.3;
  char text[NABRIT_TEXT_SIZE] = "x";
  DH_CHAN_LIST merged{};
  ASSERT_EQ(ExtractCompoundData(data_, nullptr, mini_, from, to, nullptr, &merged, nullptr, 0, 0, 0, "1", text),
            NABRIT_OK);
  EXPECT_STREQ(text, "");
  std::vector<std::pair<uint32_t, double>> expected;
  for (auto& s : Scans(data_))
    if (s.second >= from && s.second <= to) expected.push_back(s);
  EXPECT_EQ(Scans(mini_), expected);
  EXPECT_EQ(Trace(mini_, from, to), Trace(data_, from, to));

  // The engine finds the same peak in the extract as in the whole run.
  ASSERT_EQ(RunDataHandling(nullptr, nullptr, nullptr, mini_, nullptr, "1", 0, 0, 0, 1, 0, 0, 0, 0), 1);
  HDHTABLE r = OpenDHResultTable(mini_, plan_.fileType, plan_.module, "1");
  ASSERT_NE(r, nullptr);
  bool found = false;
  for (int16_t i = 0; i < CountDHResults(r); ++i) {
    STRUCT_DH_RESULT x;
    GetDHResult(r, i, &x);
    const double dt = truth_.scanTimes[1] - truth_.scanTimes[0];
    found = found || std::fabs(x.retentionTime - c.retentionTime) <= dt;
  }
  EXPECT_TRUE(found);
  FreeDHRecordSet(r);

  // The noise window widens the extract.
  const double noise[2] = {from - 0.5, from - 0.2};
  ASSERT_EQ(ExtractCompoundData(data_, data_, mini_, from, to, nullptr, nullptr, noise, 0, 0, 0, "1", text), NABRIT_OK);
  EXPECT_NEAR(Scans(mini_).front().second, from - 0.5, 0.02);
}

TEST_F(ExtractionTest, SegmentsAndRanges) {
  char text[NABRIT_TEXT_SIZE];
  ASSERT_EQ(ExtractDataRange(data_, nullptr, mini_, 0, 0, 1, text), NABRIT_OK);
  const msfix::SegmentTruth& s2 = truth_.segments[1];
  auto scans = Scans(mini_);
  ASSERT_FALSE(scans.empty());
  EXPECT_EQ(scans.front().first, s2.firstScan);
  EXPECT_EQ(scans.back().first, s2.lastScan);
  // The whole run.
  ASSERT_EQ(ExtractDataRange(data_, nullptr, mini_, 0, 1440, -1, text), NABRIT_OK);
  EXPECT_EQ(Scans(mini_).size(), truth_.scanTimes.size());
  MS_INFO_BLOCK info;
  HMSDATA h = OpenMSData(mini_, "MSData", 0);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(ReadMSInfoFromHandle(h, &info), 0);
  EXPECT_EQ(info.segmentCount, 2);
  EXPECT_EQ(info.fileType, plan_.fileType);
  CloseMSData(h);
}

std::string SectionBytes(const char* path, const char* name) {
  std::string out;
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return out;
  out.resize(GetSectionSize(s));
  out.resize(ReadSection(s, out.data(), uint32_t(out.size())));
  CloseSection(s);
  return out;
}

// A range that holds the whole run gives the run as it is stored; one that
// leaves out its first scan gives the rest, the first segment cut to it.
TEST_F(ExtractionTest, WholeRunComesAcrossAsStored) {
  char text[NABRIT_TEXT_SIZE];
  ASSERT_EQ(ExtractDataRange(data_, nullptr, mini_, 0, 1440, -1, text), NABRIT_OK);
  const std::string stored = SectionBytes(data_, "MSData");
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(SectionBytes(mini_, "MSData"), stored);
  EXPECT_EQ(Scans(mini_), Scans(data_));
  // The same through the compound extraction, and again over an extract
  // that already holds a run.
  ASSERT_EQ(ExtractCompoundData(data_, data_, mini_, 0, 1440, nullptr, nullptr, nullptr, 0, 0, 0, "1", text),
            NABRIT_OK);
  EXPECT_EQ(SectionBytes(mini_, "MSData"), stored);

  const auto all = Scans(data_);
  ASSERT_GT(all.size(), 2u);
  const double from = (all[0].second + all[1].second) / 2;
  ASSERT_EQ(ExtractDataRange(data_, nullptr, mini_, from, 1440, -1, text), NABRIT_OK);
  const std::vector<std::pair<uint32_t, double>> rest(all.begin() + 1, all.end());
  EXPECT_EQ(Scans(mini_), rest);
  HMSDATA h = OpenMSData(mini_, "MSData", 0);
  ASSERT_NE(h, nullptr);
  MS_SEGMENT_BLOCK first;
  ASSERT_EQ(ReadMSSegmentBlock(h, 1, &first, 0), 0);
  const uint32_t firstScan = first.firstScan;  // packed fields, read by value
  const double startTime = first.startTime;
  EXPECT_EQ(firstScan, all[1].first);
  EXPECT_DOUBLE_EQ(startTime, all[1].second);
  CloseMSData(h);
}

// Whether an extract would be the stored data unchanged is told before
// extracting, and tells what the extract then is.
TEST_F(ExtractionTest, WholeCopyIsToldBeforehand) {
  const auto all = Scans(data_);
  ASSERT_GT(all.size(), 2u);
  const double last = all.back().second;
  const std::string stored = SectionBytes(data_, "MSData");
  struct Case {
    const char* name;
    const char* file;
    double from, to;
    bool whole;
  };
  const Case cases[] = {
      {"the day", data_, 0, 1440, true},
      {"first scan left out", data_, (all[0].second + all[1].second) / 2, 1440, false},
      {"last scan left out", data_, 0, (all[all.size() - 2].second + last) / 2, false},
      {"reversed", data_, 1440, 0, false},
      {"no such file", "C:\\TEMP\\none.kms", 0, 1440, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(ExtractIsWholeCopy(k.file, nullptr, k.from, k.to) != FALSE, k.whole);
    EXPECT_EQ(ExtractIsWholeCopy(nullptr, k.file, k.from, k.to) != FALSE, k.whole);
    char text[NABRIT_TEXT_SIZE];
    DeleteFileA(mini_);
    if (ExtractDataRange(k.file, nullptr, mini_, k.from, k.to, -1, text) == NABRIT_OK)
      EXPECT_EQ(SectionBytes(mini_, "MSData") == stored, k.whole);
    else
      EXPECT_FALSE(k.whole);
  }
  EXPECT_FALSE(ExtractIsWholeCopy(nullptr, nullptr, 0, 1440));
}

// Copying a handle's data set: never onto itself, never from a handle
// that writes.
TEST_F(ExtractionTest, DataSetCopyRefusesItsOwnSectionAndWritingHandles) {
  HMSDATA h = OpenMSData(data_, "MSData", 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CopyMSDataSection(h, "c:\\temp\\DATA.kms", "msdata"), -1);
  EXPECT_EQ(CopyMSDataSection(h, data_, ""), -1);
  EXPECT_EQ(CopyMSDataSection(nullptr, data_, "Copy"), -1);
  EXPECT_EQ(CopyMSDataSection(h, data_, "Copy"), 0);
  CloseMSData(h);
  EXPECT_EQ(SectionBytes(data_, "Copy"), SectionBytes(data_, "MSData"));
  HMSDATA w = OpenMSDataSection(data_, "Other", 1, 10, 0, nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(CopyMSDataSection(w, data_, "Copy2"), -1);
  EXPECT_FALSE(SectionExists(data_, "Copy2"));
  CloseMSData(w);
}

TEST_F(ExtractionTest, FailuresGiveACodeAndItsText) {
  char text[NABRIT_TEXT_SIZE];
  struct Case {
    const char* source;
    double from, to;
    int16_t segment;
    int32_t code;
  } cases[] = {
      {"C:\\TEMP\\none.kms", 2, 3, -1, NABRIT_ERROR_SOURCE},
      {"C:\\TEMP\\data.kms", 3, 2, -1, NABRIT_ERROR_ARGUMENT},
      {"C:\\TEMP\\data.kms", 100, 200, -1, NABRIT_ERROR_NO_SCANS},
      {"C:\\TEMP\\data.kms", 0, 0, 7, NABRIT_ERROR_ARGUMENT},
      {nullptr, 2, 3, -1, NABRIT_ERROR_ARGUMENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    std::memset(text, 0, sizeof text);
    EXPECT_EQ(ExtractDataRange(c.source, nullptr, mini_, c.from, c.to, c.segment, text), c.code);
    EXPECT_GT(std::strlen(text), 10u);
    EXPECT_LE(std::strlen(text), 80u);
  }
  DH_CHAN_LIST listed{};
  listed.kind = 1;
  listed.count = 1;
  listed.entries[0].lowChannel = listed.entries[0].highChannel = 5;  // no segment has six functions
  EXPECT_EQ(ExtractCompoundData(data_, nullptr, mini_, 2, 12, nullptr, &listed, nullptr, 0, 0, 0, "1", text),
            NABRIT_ERROR_CHANNELS);
  listed.entries[0].lowChannel = listed.entries[0].highChannel = 1;  // the second segment has two
  EXPECT_EQ(ExtractCompoundData(data_, nullptr, mini_, 2, 12, nullptr, &listed, nullptr, 0, 0, 0, "1", text),
            NABRIT_OK);
  EXPECT_FALSE(GetExtractionErrorText(NABRIT_OK, text));
  EXPECT_TRUE(GetExtractionErrorText(99, text));
  EXPECT_STREQ(text, "Extraction error 99.");
  EXPECT_FALSE(GetExtractionErrorText(1, nullptr));
}

TEST_F(ExtractionTest, WholeFilesBecomeSections) {
  const std::string bytes = std::string("hit file\0\x01\x02", 11) + std::string(5000, 'x');
  HANDLE h = CreateFileA("C:\\TEMP\\hits.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr));
  CloseHandle(h);
  ASSERT_TRUE(StoreFileAsSection("C:\\TEMP\\hits.tmp", data_, "MSTICs:h4"));
  HSECTION s = OpenSectionReadOnly(data_, "MSTICs:h4", nullptr);
  ASSERT_NE(s, nullptr);
  std::string back(bytes.size() + 10, '\0');
  back.resize(ReadSection(s, back.data(), uint32_t(back.size())));
  CloseSection(s);
  EXPECT_EQ(back, bytes);
  // An empty file stores an empty section; a missing file or a target that
  // is no sectioned file stores nothing.
  h = CreateFileA("C:\\TEMP\\empty.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  EXPECT_TRUE(StoreFileAsSection("C:\\TEMP\\empty.tmp", data_, "Empty"));
  EXPECT_TRUE(SectionExists(data_, "Empty"));
  EXPECT_FALSE(StoreFileAsSection("C:\\TEMP\\missing.tmp", data_, "Run1"));
  EXPECT_FALSE(SectionExists(data_, "Run1"));
  EXPECT_FALSE(StoreFileAsSection("C:\\TEMP\\hits.tmp", "C:\\TEMP\\hits.tmp", "Run1"));
  EXPECT_FALSE(StoreFileAsSection("C:\\TEMP\\hits.tmp", data_, ""));
}

// A stored section comes back out as the same bytes; a missing section
// leaves the target file as it was.
TEST_F(ExtractionTest, ExtractedSectionIsTheStoredFile) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += char(i * 7);
  HANDLE h = CreateFileA("C:\\TEMP\\chro.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr));
  CloseHandle(h);
  ASSERT_TRUE(StoreFileAsSection("C:\\TEMP\\chro.tmp", data_, "FullChromatogram1"));
  ASSERT_TRUE(ExtractSectionAsFile(data_, "C:\\TEMP\\out.tmp", "FullChromatogram1"));
  EXPECT_EQ(ReadHostFile("c/TEMP/out.tmp"), bytes);
  WriteHostFile("c/TEMP/kept.tmp", "kept");
  EXPECT_FALSE(ExtractSectionAsFile(data_, "C:\\TEMP\\kept.tmp", "NoSuchSection"));
  EXPECT_FALSE(ExtractSectionAsFile("C:\\TEMP\\missing.kms", "C:\\TEMP\\kept.tmp", "FullChromatogram1"));
  EXPECT_EQ(ReadHostFile("c/TEMP/kept.tmp"), "kept");
  EXPECT_FALSE(HostExists("c/TEMP/kept.tmp.part"));
}

}  // namespace
