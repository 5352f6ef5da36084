// DetermineBackground: an existing correction is kept unless forced; a new
// one is made from the MS data and stored; an unreadable file gets nothing.
#include <gtest/gtest.h>

#include <vector>

#include "fixtures/msfixtures.h"
#include "jessul32/automatic_background.h"
#include "jessul32/background_subtraction.h"
#include "quant_test_support.h"

namespace {

using quant_test::EngineTest;
using quant_test::kData;

class DetermineBackgroundTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(msfix::WriteMsDataFile(kData, msfix::RunPlan{}, nullptr));
  }
  static std::vector<STRUCT_FILE_BC_ENTRY> Ranges(const STRUCT_FILE_BC* bc) {
    std::vector<STRUCT_FILE_BC_ENTRY> out(static_cast<size_t>(CountBackCorrRanges(bc)));
    for (size_t k = 0; k < out.size(); ++k) GetBackCorrRange(bc, static_cast<int32_t>(k), &out[k]);
    return out;
  }
  // A stored correction unlike the automatic one: a single range.
  static void StoreHandMade() {
    STRUCT_FILE_BC* bc = NewBackCorr(kData);
    ASSERT_NE(bc, nullptr);
    bc = AddBackCorrRange(bc, 3, 2.05, 6, 2.08);
    ASSERT_NE(bc, nullptr);
    ASSERT_TRUE(SaveBackCorr(kData, bc));
    FreeBackCorr(bc);
  }
  static void ExpectStoredIsAutomatic() {
    STRUCT_FILE_BC* expected = CreateBackCorr(kData, nullptr);
    STRUCT_FILE_BC* stored = BuildBackCorrFromRefSpts(kData);
    ASSERT_NE(expected, nullptr);
    ASSERT_NE(stored, nullptr);
    const auto a = Ranges(expected), b = Ranges(stored);
    ASSERT_GT(a.size(), 1u);
    ASSERT_EQ(a.size(), b.size());
    for (size_t k = 0; k < a.size(); ++k) {
      EXPECT_EQ(a[k].firstScan, b[k].firstScan) << k;
      EXPECT_EQ(a[k].endScan, b[k].endScan) << k;
      EXPECT_EQ(+a[k].time, +b[k].time) << k;
      EXPECT_EQ(+a[k].endTime, +b[k].endTime) << k;
    }
    FreeBackCorr(expected);
    FreeBackCorr(stored);
  }
};

TEST_F(DetermineBackgroundTest, KeepsAnExistingCorrectionUnlessForced) {
  StoreHandMade();
  const auto before = Bytes(BACKCORR_SECTION);
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(DetermineBackground(kData, "C:\\Workstation\\METHOD.KMT", 0), 1);
  EXPECT_EQ(Bytes(BACKCORR_SECTION), before);

  EXPECT_EQ(DetermineBackground(kData, "C:\\Workstation\\METHOD.KMT", 1), 1);
  EXPECT_NE(Bytes(BACKCORR_SECTION), before);
  ExpectStoredIsAutomatic();
}

TEST_F(DetermineBackgroundTest, MakesAndStoresOneWhenAbsent) {
  ASSERT_FALSE(SectionExists(kData, BACKCORR_SECTION));
  EXPECT_EQ(DetermineBackground(kData, nullptr, 0), 1);
  ExpectStoredIsAutomatic();
}

TEST_F(DetermineBackgroundTest, UnreadableDataWritesNothing) {
  EXPECT_EQ(DetermineBackground(nullptr, nullptr, 1), 0);
  // Missing file: nothing is created.
  const char missing[] = "C:\\Data\\MISSING.KMS";
  EXPECT_EQ(DetermineBackground(missing, nullptr, 0), 0);
  EXPECT_FALSE(std::filesystem::exists(win::paths::ToHost(missing)));
  // Damaged MS data: no correction section appears.
  Put("MSData", {1, 2, 3, 4, 5});
  EXPECT_EQ(DetermineBackground(kData, nullptr, 0), 0);
  EXPECT_FALSE(SectionExists(kData, BACKCORR_SECTION));
  // A forced run on damaged data keeps the correction already there.
  ASSERT_TRUE(msfix::WriteMsDataFile(kData, msfix::RunPlan{}, nullptr));
  StoreHandMade();
  const auto before = Bytes(BACKCORR_SECTION);
  Put("MSData", {1, 2, 3, 4, 5});
  EXPECT_EQ(DetermineBackground(kData, nullptr, 1), 0);
  EXPECT_EQ(Bytes(BACKCORR_SECTION), before);
}

}  // namespace
