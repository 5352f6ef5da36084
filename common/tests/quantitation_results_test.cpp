// Results and qualifier records of a processed run, read through the
// quantitation engine that the readers load by name, and the qualifier
// traces the method descriptors make from them.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/plot_descriptors.h"
#include "common/results_access.h"
#include "common/tests/startup_root_fixture.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "testing/section_bytes.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kData[] = "C:\\Data\\PROC01.KMS";
constexpr size_t kHeader = 2635, kStep = 1375, kQualifier = 1302;

class QuantitationResults : public StartupRootTest {
 protected:
  void SetUp() override {
    StartupRootTest::SetUp();
    Attach();
    std::filesystem::create_directories(Host("C:\\Data"));
    msfix::DHPlan plan;
    plan.unknowns = 1;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(kData, "C:\\Data\\PROC01.MTH", plan, &truth_));
    wf_ = MakeWorkFileStruct(kData, 0);
    ASSERT_NE(wf_, nullptr);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    StartupRootTest::TearDown();
  }
  msfix::DHTruth truth_;
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(QuantitationResults, ResultStepsAreTheStoredSteps) {
  const std::vector<uint8_t> section = SectionBytes(kData, "MSResults:h4");
  const size_t steps = truth_.compounds.size() + truth_.unknowns.size();
  ASSERT_EQ(section.size(), kHeader + steps * kStep);
  std::vector<uint8_t> step(kStep);
  for (size_t i = 0; i < steps; ++i) {
    std::fill(step.begin(), step.end(), 0xEE);
    ASSERT_TRUE(RPTS_ReadResultStep(kData, uint16_t(i), step.data())) << i;
    EXPECT_EQ(std::memcmp(step.data(), &section[kHeader + i * kStep], kStep), 0) << i;
  }
  // The last step is the unknown peak, named by its first library hit.
  EXPECT_STREQ(reinterpret_cast<const char*>(&step[6]), truth_.unknowns[0].name.c_str());
  EXPECT_FALSE(RPTS_ReadResultStep(kData, uint16_t(steps), step.data()));
  EXPECT_FALSE(RPTS_ReadResultStep("C:\\Data\\NONE.KMS", 0, step.data()));
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
}

TEST_F(QuantitationResults, QualifierRecordOfACompound) {
  std::vector<uint8_t> record(kQualifier, 0xEE);
  const msfix::DHCompoundTruth& c = truth_.compounds[2];
  ASSERT_TRUE(KELT_ReadMatchingQualifier(wf_, int32_t(c.number), record.data()));
  int32_t number = 0;
  int16_t step = 0, ions = 0;
  double mass = 0;
  std::memcpy(&number, &record[0], 4);
  std::memcpy(&step, &record[6], 2);
  std::memcpy(&ions, &record[12], 2);
  std::memcpy(&mass, &record[22 + 256 + 4 + 10], 8);  // second ion's first range, low mass
  EXPECT_EQ(number, int32_t(c.number));
  EXPECT_EQ(step, 2);
  EXPECT_EQ(ions, 2);
  EXPECT_DOUBLE_EQ(mass, c.qualifiers[1].first);
  EXPECT_FALSE(KELT_ReadMatchingQualifier(wf_, 999, record.data()));
}

TEST_F(QuantitationResults, DamagedOrOldSectionsGiveNothing) {
  std::vector<uint8_t> out(kStep);
  // A qualifier section that is not whole records.
  std::vector<uint8_t> q = SectionBytes(kData, "MSQualifiers:h4");
  q.resize(q.size() - 5);
  PutSection(kData, "MSQualifiers:h4", q);
  EXPECT_FALSE(KELT_ReadMatchingQualifier(wf_, int32_t(truth_.compounds[0].number), out.data()));
  // Results of an older version: the user keeps them, nothing is read.
  std::vector<uint8_t> r = SectionBytes(kData, "MSResults:h4");
  r[2267] = 3;
  PutSection(kData, "MSResults:h4", r);
  win::script::AnswerNextMessageBox(IDCANCEL);
  EXPECT_FALSE(RPTS_ReadResultStep(kData, 0, out.data()));
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_EQ(SectionBytes(kData, "MSResults:h4"), r);
}

// Each method compound is followed by its two qualifier-ion traces.
TEST_F(QuantitationResults, MethodDescriptorsCarryTheQualifierTraces) {
  STRUCT_PD_ARRAY* a = PD_CreateMethodPDs(wf_);
  ASSERT_NE(a, nullptr);
  const size_t n = truth_.compounds.size();
  ASSERT_EQ(size_t(a->count), 3 * n + 1);
  for (size_t i = 0; i < n; ++i) {
    const msfix::DHCompoundTruth& c = truth_.compounds[i];
    const STRUCT_PLOT_DESCRIPTOR* compound = a->pds[3 * i];
    EXPECT_STREQ(compound->compoundName, c.name.c_str());
    EXPECT_EQ(+compound->qualifierNumber, 0);
    for (int j = 1; j <= 2; ++j) {
      const STRUCT_PLOT_DESCRIPTOR* q = a->pds[3 * i + size_t(j)];
      EXPECT_EQ(+q->qualifierNumber, j);
      EXPECT_EQ(+q->compoundId, c.number);
      const std::string prefix = c.name + ": Qual" + std::to_string(j) + " ";
      EXPECT_EQ(std::string(q->name).substr(0, prefix.size()), prefix);
      EXPECT_DOUBLE_EQ(+q->massList.ranges[0].low, c.qualifiers[size_t(j - 1)].first);
    }
  }
  EXPECT_EQ(+a->pds[3 * n]->kind, PD_KIND_UNKNOWNS);
  PD_FreePDArray(a);
}

}  // namespace
