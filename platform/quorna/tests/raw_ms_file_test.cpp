// Raw MS files: plain files whose 256-byte header leads to the data.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ms_test_data.h"

namespace {

class RawMsFileTest : public mstest::RootedTest {
 protected:
  void SetUp() override {
    RootedTest::SetUp();
    ASSERT_TRUE(mstest::WriteSmallDataSet(path_, false, true));
  }
  const std::string path_ = "C:\\Data\\small.raw";
};

TEST_F(RawMsFileTest, HeaderPassesTheTestAndLeadsToTheData) {
  std::vector<uint8_t> file = mstest::ReadPlainFile(path_);
  ASSERT_GT(file.size(), 256u);
  MS_RAW_HEADER h;
  std::memcpy(&h, file.data(), sizeof h);
  EXPECT_EQ(+h.zero0, 0);
  EXPECT_EQ(+h.one38, 1u);
  EXPECT_EQ(+h.headerWord, 16);
  EXPECT_LE(+h.revision, 4);
  EXPECT_LE(+h.dataEnd, file.size());
  EXPECT_STREQ(h.description, "Small test run");
  EXPECT_STREQ(h.sampleName, "Sample 7");
  EXPECT_STREQ(h.operatorName, "tester");

  HMSDATA m = OpenMSData(path_.c_str(), nullptr, 0);
  ASSERT_NE(m, nullptr);
  MS_INFO_BLOCK info;
  ASSERT_EQ(ReadMSInfoFromHandle(m, &info), 0);
  EXPECT_EQ(+info.lastScan, 12u);
  STRUCT_CHAN_LIST c;
  STRUCT_MASS_LIST ml;
  ParseChanList("All", &c);
  ParseMassList("RIC", &ml);
  MS_TRACE_REQUEST r{};
  r.kind = MS_TRACE_BY_TIMES;
  r.times.from = 0;
  r.times.to = 10;
  void* block = nullptr;
  EXPECT_EQ(ReadMSTrace(m, &r, &c, &ml, &block), 12u);
  FreeMSTrace(block);
  CloseMSData(m);
  // A raw file is no sectioned file, and a sectioned path no raw file.
  EXPECT_EQ(OpenMSData(path_.c_str(), "MSData", 0), nullptr);
  EXPECT_EQ(ReadMSFileInfo(path_.c_str(), nullptr, std::vector<uint8_t>(2600).data()), 0);
}

TEST_F(RawMsFileTest, RewritingReplacesTheFileWhole) {
  ASSERT_TRUE(mstest::WriteSmallDataSet(path_, true, true));
  HMSDATA m = OpenMSData(path_.c_str(), nullptr, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetMSDataLiveFlag(m), 1);
  CloseMSData(m);
  EXPECT_EQ(GetFileAttributesA((path_ + ".new").c_str()), 0xFFFFFFFFu);
}

TEST_F(RawMsFileTest, DamagedFilesAreRefused) {
  const std::vector<uint8_t> good = mstest::ReadPlainFile(path_);
  auto put16 = [](std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); };
  auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  std::vector<std::pair<const char*, std::vector<uint8_t>>> damaged;
  for (size_t cut : {size_t{0}, size_t{100}, size_t{255}, size_t{256}, good.size() - 1})
    damaged.push_back({"cut", std::vector<uint8_t>(good.begin(), good.begin() + cut)});
  auto b = good; put16(b, 0, 1); damaged.push_back({"word 0", b});
  b = good; put32(b, 2, 1); damaged.push_back({"long 2", b});
  b = good; put32(b, 38, 2); damaged.push_back({"long 38", b});
  b = good; put16(b, 176, 15); damaged.push_back({"word 176", b});
  b = good; put16(b, 186, 5); damaged.push_back({"word 186", b});
  b = good; put32(b, 178, static_cast<uint32_t>(good.size() + 1)); damaged.push_back({"long 178", b});
  b = good; put32(b, 200, static_cast<uint32_t>(good.size() + 1)); damaged.push_back({"long 200", b});
  b = good; put32(b, 246, static_cast<uint32_t>(good.size() + 1)); damaged.push_back({"long 246", b});
  b = good; b[256] = 'x'; damaged.push_back({"image magic", b});
  b = good; put32(b, 256 + 20, 1000); damaged.push_back({"image scan count", b});
  const std::string bad = "C:\\Data\\bad.raw";
  for (auto& [what, bytes] : damaged) {
    ASSERT_TRUE(mstest::WritePlainFile(bad, bytes)) << what;
    EXPECT_EQ(OpenMSData(bad.c_str(), nullptr, 0), nullptr) << what;
  }
  EXPECT_EQ(OpenMSData("C:\\Data\\none.raw", nullptr, 0), nullptr);
}

}  // namespace
