// Background-correction records: groups per segment, ranges added in scan
// order, damaged records refused.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "fixtures/msfixtures.h"
#include "jessul32/jessul32.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

class BackCorrTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
    plan_.scans = 200;
    ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan_, &truth_));
  }
  const char* path_ = "C:\\Data\\bc.kms";
  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
};

TEST_F(BackCorrTest, RangesGoToTheirSegmentInScanOrder) {
  STRUCT_FILE_BC* bc = NewBackCorr(path_);
  ASSERT_NE(bc, nullptr);
  EXPECT_EQ(+bc->groupCount, truth_.segments.size());
  EXPECT_EQ(+bc->format, BACKCORR_FORMAT);
  EXPECT_EQ(CountBackCorrRanges(bc), 0);
  const uint32_t s2 = truth_.segments[1].firstScan + 10;
  const uint32_t s1 = truth_.segments[0].firstScan + 5;
  for (uint32_t s : {s2, s1, s2 + 20}) {
    STRUCT_FILE_BC* grown = AddBackCorrRange(bc, s, 3.0, s + 2, 3.2);
    ASSERT_NE(grown, nullptr);
    bc = grown;
  }
  // The same first scan replaces its range.
  bc = AddBackCorrRange(bc, s1, 2.5, s1 + 1, 2.7);
  ASSERT_NE(bc, nullptr);
  ASSERT_EQ(CountBackCorrRanges(bc), 3);
  STRUCT_FILE_BC_ENTRY e;
  ASSERT_TRUE(GetBackCorrRange(bc, 0, &e));
  EXPECT_EQ(e.firstScan, s1);
  EXPECT_EQ(e.endScan, s1 + 1);
  EXPECT_EQ(e.time, 2.5);
  ASSERT_TRUE(GetBackCorrRange(bc, 1, &e));
  EXPECT_EQ(e.firstScan, s2);
  EXPECT_EQ(e.scanCountIgnored, 2);
  ASSERT_TRUE(GetBackCorrRange(bc, 2, &e));
  EXPECT_EQ(e.firstScan, s2 + 20);
  EXPECT_FALSE(GetBackCorrRange(bc, 3, &e));
  // The group head of segment 2 holds its count at byte 26.
  const auto* bytes = reinterpret_cast<const uint8_t*>(bc);
  const size_t group2 = sizeof(STRUCT_FILE_BC) + sizeof(STRUCT_FILE_BC_GROUP) + sizeof(STRUCT_FILE_BC_ENTRY);
  uint16_t count;
  std::memcpy(&count, bytes + group2 + 26, 2);
  EXPECT_EQ(count, 2);

  // A scan outside every segment, or an empty range: refused, record kept.
  EXPECT_EQ(AddBackCorrRange(bc, truth_.segments.back().lastScan + 5, 1, truth_.segments.back().lastScan + 6, 2), nullptr);
  EXPECT_EQ(AddBackCorrRange(bc, s1, 1, s1, 2), nullptr);
  EXPECT_EQ(CountBackCorrRanges(bc), 3);

  ASSERT_TRUE(DeleteBackCorrRange(bc, s2));
  EXPECT_FALSE(DeleteBackCorrRange(bc, s2));
  EXPECT_EQ(CountBackCorrRanges(bc), 2);
  ASSERT_TRUE(GetBackCorrRange(bc, 1, &e));
  EXPECT_EQ(e.firstScan, s2 + 20);
  FreeBackCorr(bc);
  FreeBackCorr(nullptr);
}

TEST_F(BackCorrTest, DamagedRecordsAndFiles) {
  EXPECT_EQ(NewBackCorr(nullptr), nullptr);
  EXPECT_EQ(NewBackCorr("C:\\Data\\missing.kms"), nullptr);
  STRUCT_FILE_BC* bc = NewBackCorr(path_);
  ASSERT_NE(bc, nullptr);
  bc->groupCount = 200;  // more groups than the block holds
  EXPECT_EQ(CountBackCorrRanges(bc), 0);
  EXPECT_EQ(AddBackCorrRange(bc, truth_.firstScan, 1, truth_.firstScan + 1, 2), nullptr);
  FreeBackCorr(bc);
  auto* tiny = static_cast<STRUCT_FILE_BC*>(AllocBlock(10));
  EXPECT_EQ(AddBackCorrRange(tiny, 1, 1, 2, 2), nullptr);
  FreeBlock(tiny);
}

}  // namespace
