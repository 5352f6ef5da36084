// Runs whose "MSData" section the store keeps in parts read as runs kept
// whole, and a run that cannot be written leaves no file behind.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "fixtures/msfixtures.h"
#include "ms_test_data.h"
#include "orvik32/orvik32_faults.h"

namespace {

class MsDataPartsTest : public mstest::RootedTest {
 protected:
  void TearDown() override {
    SetSectionPartSize(0);
    LimitSectionFileSpace(-1);
    RootedTest::TearDown();
  }
};

msfix::RunPlan ProfilePlan() {
  msfix::RunPlan plan;
  plan.scans = 40;
  plan.compounds = 4;
  plan.profile = true;
  plan.saturation = 60000;
  return plan;
}

// The trace block of a mass list over the whole run, byte for byte.
std::vector<uint8_t> TraceBytes(const std::string& path, const char* masses) {
  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  EXPECT_NE(h, nullptr);
  if (!h) return {};
  STRUCT_CHAN_LIST c;
  STRUCT_MASS_LIST m;
  ParseChanList("All", &c);
  ParseMassList(masses, &m);
  MS_TRACE_REQUEST r{};
  r.kind = MS_TRACE_BY_SCANS;
  r.scans.first = 0;
  r.scans.last = 0xFFFFFFFFu;
  void* block = nullptr;
  const uint32_t n = ReadMSTrace(h, &r, &c, &m, &block);
  std::vector<uint8_t> out;
  if (block) {
    const auto* p = static_cast<const uint8_t*>(block);
    out.assign(p, p + GetBlockSize(block));
  }
  FreeMSTrace(block);
  CloseMSData(h);
  EXPECT_EQ(n, 40u) << masses;
  return out;
}

TEST_F(MsDataPartsTest, ARunInPartsReadsAsTheSameRunWhole) {
  const std::string whole = "C:\\Data\\whole.dat", parted = "C:\\Data\\parted.dat";
  ASSERT_TRUE(msfix::WriteMsDataFile(whole, ProfilePlan(), nullptr));
  SetSectionPartSize(65536 + 17);  // part edges fall inside scans
  ASSERT_TRUE(msfix::WriteMsDataFile(parted, ProfilePlan(), nullptr));
  for (const char* masses : {"RIC", "207", "73-75", "BPC"}) {
    SCOPED_TRACE(masses);
    const std::vector<uint8_t> a = TraceBytes(whole, masses), b = TraceBytes(parted, masses);
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, b);
  }
}

TEST_F(MsDataPartsTest, ARunThatDoesNotFitOnTheDiskLeavesNoFile) {
  const std::string path = "C:\\Data\\full.dat";
  SetSectionPartSize(65536);
  for (int64_t room : {0, 100000, 300000}) {
    SCOPED_TRACE(room);
    LimitSectionFileSpace(room);
    EXPECT_FALSE(msfix::WriteMsDataFile(path, ProfilePlan(), nullptr));
    LimitSectionFileSpace(-1);
    EXPECT_FALSE(FileExists(path.c_str()));
    EXPECT_FALSE(FileExists((path + "-journal").c_str()));
  }
  ASSERT_TRUE(msfix::WriteMsDataFile(path, ProfilePlan(), nullptr));
  EXPECT_FALSE(TraceBytes(path, "RIC").empty());
}

}  // namespace
