// The report code's readers of a processed run: results header, the step
// of a result's internal standard, library hits of a TIC peak, the method
// compound record of a result and the calibration-data check.
#include <cstring>
#include <string>
#include <vector>

#include "common/results_access.h"
#include "common/tests/startup_root_fixture.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "testing/section_bytes.h"
#include "win/win_script.h"

namespace {

constexpr char kData[] = "C:\\Data\\PROC02.KMS";
constexpr size_t kHeader = 2635, kStep = 1375, kCompound = 4793;

template <class T>
T At(const std::vector<uint8_t>& b, size_t offset) {
  T v{};
  std::memcpy(&v, &b[offset], sizeof v);
  return v;
}
template <class T>
void Put(std::vector<uint8_t>& b, size_t offset, T v) {
  std::memcpy(&b[offset], &v, sizeof v);
}

class ReportResults : public StartupRootTest {
 protected:
  void SetUp() override {
    StartupRootTest::SetUp();
    Attach();
    std::filesystem::create_directories(Host("C:\\Data"));
    msfix::DHPlan plan;
    plan.unknowns = 1;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(kData, "C:\\Data\\PROC02.MTH", plan, &truth_));
    wf_ = MakeWorkFileStruct(kData, 0);
    ASSERT_NE(wf_, nullptr);
    section_ = SectionBytes(kData, "MSResults:h4");
    ASSERT_GE(section_.size(), kHeader);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    StartupRootTest::TearDown();
  }
  std::vector<uint8_t> StoredStep(size_t i) const {
    return {section_.begin() + long(kHeader + i * kStep), section_.begin() + long(kHeader + (i + 1) * kStep)};
  }
  msfix::DHTruth truth_;
  STRUCT_WORK_FILE* wf_ = nullptr;
  std::vector<uint8_t> section_;
};

TEST_F(ReportResults, HeaderIsReadOnlyFromCurrentResultsUnlessForced) {
  std::vector<uint8_t> header(kHeader, 0xEE);
  ASSERT_TRUE(RPTS_ReadResults(kData, header.data()));
  EXPECT_EQ(std::memcmp(header.data(), section_.data(), kHeader), 0);
  EXPECT_FALSE(RPTS_ReadResults("C:\\Data\\NONE.KMS", header.data()));
  EXPECT_FALSE(RPTS_ReadResultsFromFile("C:\\Data\\NONE.KMS", header.data(), 1));
}

TEST_F(ReportResults, StandardOfATargetIsTheStepWithItsCompoundNumber) {
  // The analyte's standard is the first compound of the method.
  const size_t analyte = 2;
  std::vector<uint8_t> step = StoredStep(analyte);
  const int16_t standard = At<int16_t>(step, 116);
  ASSERT_GE(standard, 1);
  std::vector<uint8_t> out(kStep, 0xEE);
  ASSERT_TRUE(RPTS_ReadISResultStep(kData, step.data(), out.data()));
  EXPECT_EQ(At<int32_t>(out, 110), standard);
  EXPECT_EQ(out, StoredStep(0));

  // A result without a standard, or naming one that no step has.
  for (int16_t none : {int16_t(0), int16_t(-1), int16_t(999)}) {
    Put<int16_t>(step, 116, none);
    std::vector<uint8_t> untouched(kStep, 0xEE);
    EXPECT_FALSE(RPTS_ReadISResultStep(kData, step.data(), untouched.data())) << none;
    if (none < 1) {
      EXPECT_EQ(untouched, std::vector<uint8_t>(kStep, 0xEE)) << none;
    }
  }
}

TEST_F(ReportResults, TicHitsOfAPeakAndNoneForPeakMinusOne) {
  EXPECT_EQ(RPTS_ReadTICHitRecord(kData, -1, 0), nullptr);
  const size_t last = truth_.compounds.size();
  const std::vector<uint8_t> step = StoredStep(last);
  const int16_t peak = At<int16_t>(step, 330);
  ASSERT_GE(peak, 0);
  void* hit = RPTS_ReadTICHitRecord(kData, peak, 0);
  ASSERT_NE(hit, nullptr);
  EXPECT_STREQ(static_cast<const char*>(hit) + 40, truth_.unknowns[0].name.c_str());
  EXPECT_GT(GetBlockSize(hit), 437u);
  RPTS_FreeTICHitRecord(hit);
  EXPECT_EQ(RPTS_ReadTICHitRecord(kData, peak, 30), nullptr);
  EXPECT_EQ(RPTS_ReadTICHitRecord(kData, 500, 0), nullptr);
  RPTS_FreeTICHitRecord(nullptr);
}

TEST_F(ReportResults, CompoundRecordByIndexOrElseByNumber) {
  std::vector<uint8_t> step = StoredStep(1);
  std::vector<uint8_t> record(kCompound, 0);
  ASSERT_TRUE(RPTS_ReadCompoundRecord(wf_, step.data(), record.data()));
  EXPECT_EQ(At<uint32_t>(record, 796), truth_.compounds[1].number);
  // A stale index: the record is found by its number.
  Put<int16_t>(step, 114, 0);
  std::fill(record.begin(), record.end(), 0);
  ASSERT_TRUE(RPTS_ReadCompoundRecord(wf_, step.data(), record.data()));
  EXPECT_EQ(At<uint32_t>(record, 796), truth_.compounds[1].number);
  Put<int32_t>(step, 110, 999);
  EXPECT_FALSE(RPTS_ReadCompoundRecord(wf_, step.data(), record.data()));
}

TEST_F(ReportResults, CalibrationDataAndItsMessage) {
  EXPECT_TRUE(KELT_CheckForCalibrationData(kData, wf_->fileType, wf_->module, 1));
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
  // Clear every compound's coefficients.
  HDHTABLE set = OpenDHRecordSetForUpdate(kData, wf_->fileType, wf_->module, "1");
  ASSERT_NE(set, nullptr);
  std::vector<uint8_t> record(kCompound);
  for (int32_t i = 0; i < CountDHRecords(set); ++i) {
    ASSERT_TRUE(GetDHRecord(set, i, record.data()));
    std::memset(&record[56], 0, 16);
    ASSERT_TRUE(PutDHRecord(set, i, record.data()));
  }
  FreeDHRecordSet(set);
  EXPECT_FALSE(KELT_CheckForCalibrationData(kData, wf_->fileType, wf_->module, 0));
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
  EXPECT_FALSE(KELT_CheckForCalibrationData(kData, wf_->fileType, wf_->module, 1));
  const auto log = win::script::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, "This file does not contain calibration data.");
  EXPECT_EQ(log[0].caption, "PROC02.KMS");
}

TEST_F(ReportResults, GlobalTableWrittenBack) {
  std::vector<uint8_t> table(5887);
  ASSERT_TRUE(KELT_ReadGlobalTable(wf_, table.data()));
  Put<int16_t>(table, 328, 123);
  ASSERT_TRUE(KELT_WriteGlobalTable(wf_, table.data()));
  std::vector<uint8_t> again(5887);
  ASSERT_TRUE(KELT_ReadGlobalTable(wf_, again.data()));
  EXPECT_EQ(again, table);
  EXPECT_FALSE(KELT_WriteGlobalTable(nullptr, table.data()));
}

}  // namespace
