// Method sections copied into data files, calibration comparisons and the
// saving of calibration data into a method.
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "quant/method_copy.h"
#include "quant_test_support.h"

namespace {

using namespace quant_test;

constexpr char kMethod[] = "C:\\Data\\A.MTH";
constexpr char kOther[] = "C:\\Data\\B.MTH";
constexpr char kTarget[] = "C:\\Data\\TARGET.KMS";

class MethodCopyTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    msfix::DHPlan plan;
    plan.run.scans = 200;
    ASSERT_TRUE(msfix::WriteMethodFile(kMethod, plan, &truth_));
    ASSERT_TRUE(msfix::WriteMethodFile(kOther, plan, &truth_));
    id_ = truth_.moduleId;
    address_ = truth_.moduleAddress;
  }
  std::string Name(const char* base) {
    char name[128];
    BuildDHSectionName(name, base, id_, address_, "1");
    return name;
  }
  STRUCT_DH_COMPOUND Get(const char* file, int i) {
    STRUCT_DH_COMPOUND c;
    std::memset(&c, 0, sizeof c);
    HDHTABLE t = OpenCompoundTable(file, id_, address_, "1");
    EXPECT_TRUE(t && GetDHRecord(t, i, &c));
    if (t) FreeDHRecordSet(t);
    return c;
  }
  void Set(const char* file, int i, const STRUCT_DH_COMPOUND& c) {
    HDHTABLE t = OpenDHRecordSetForUpdate(file, id_, address_, "1");
    ASSERT_TRUE(t && PutDHRecord(t, i, &c));
    FreeDHRecordSet(t);
  }
  msfix::DHTruth truth_;
  uint16_t id_ = 0, address_ = 0;
};

TEST_F(MethodCopyTest, OptionalSectionsMayBeMissingRequiredOnesMayNot) {
  struct Case {
    const char* base;
    bool built, required;
  };
  const Case cases[] = {{"DataMethod", true, false},     {"RevisionLog", false, false}, {"CalibrationLog", true, false},
                        {"MSReportFormat2", true, false}, {"TimeEvents", true, true},   {"PeakTable", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.base);
    ASSERT_TRUE(msfix::WriteMethodFile(kOther, msfix::DHPlan{}, &truth_));
    const std::string name = c.built ? Name(c.base) : std::string(c.base);
    DeleteSection(kOther, name.c_str());
    ASSERT_TRUE(CreateSectionFileAtPath(kTarget, 777, 0, 1));
    EXPECT_EQ(MORVEX_CopyDHMethod(kTarget, kOther, id_, address_), c.required ? FALSE : TRUE);
    if (!c.required) {
      EXPECT_TRUE(SectionExists(kTarget, Name("PeakTable").c_str()));
    }
  }
  // Without a global table nothing is copied.
  DeleteSection(kOther, Name("GlobalParams").c_str());
  ASSERT_TRUE(CreateSectionFileAtPath(kTarget, 777, 0, 1));
  EXPECT_FALSE(MORVEX_CopyDHMethod(kTarget, kOther, id_, address_));
  EXPECT_FALSE(SectionExists(kTarget, Name("PeakTable").c_str()));
}

TEST_F(MethodCopyTest, CalibrationChangesAreToldFromOtherChanges) {
  EXPECT_FALSE(MORVEX_HasCaliDataChanged(kMethod, kOther, -1, id_, address_, "1"));
  EXPECT_TRUE(MORVEX_AreCmpdParamsSame(kMethod, kOther, -1, id_, address_, "1", 1));
  STRUCT_DH_COMPOUND c = Get(kOther, 1);
  c.levels[2].amount += 1000;  // a level's amount is the receiver's own
  Set(kOther, 1, c);
  EXPECT_FALSE(MORVEX_HasCaliDataChanged(kMethod, kOther, -1, id_, address_, "1"));
  c.levels[2].responses[0] *= 1.5f;
  Set(kOther, 1, c);
  EXPECT_TRUE(MORVEX_HasCaliDataChanged(kMethod, kOther, -1, id_, address_, "1"));
  EXPECT_TRUE(MORVEX_HasCaliDataChanged(kMethod, kOther, 1, id_, address_, "1"));
  // Settings other than calibration: the parameters differ, calibration may still be saved.
  c.windowHalfWidth += 10;
  Set(kOther, 1, c);
  EXPECT_FALSE(MORVEX_AreCmpdParamsSame(kMethod, kOther, -1, id_, address_, "1", 1));
  EXPECT_TRUE(MORVEX_OKToSaveCaliDataOnly(kMethod, kOther, -1, id_, address_, "1"));
  c.compoundNumber += 50;
  Set(kOther, 1, c);
  EXPECT_FALSE(MORVEX_OKToSaveCaliDataOnly(kMethod, kOther, -1, id_, address_, "1"));
}

// Tables that cannot be compared are not reported as unchanged.
TEST_F(MethodCopyTest, TablesOfDifferentSizesAreNotCompared) {
  HDHTABLE t = OpenDHRecordSetForUpdate(kOther, id_, address_, "1");
  STRUCT_DH_COMPOUND extra = Get(kOther, 0);
  ASSERT_TRUE(AppendDHRecord(t, &extra));
  FreeDHRecordSet(t);
  EXPECT_EQ(MORVEX_HasCaliDataChanged(kMethod, kOther, -1, id_, address_, "1"), CALI_DATA_NOT_COMPARED);
  const std::vector<uint8_t> before = Bytes(Name("PeakTable").c_str(), kMethod);
  EXPECT_FALSE(MORVEX_SaveCaliDataToMethod(kMethod, kOther, -1, id_, address_, "1"));
  EXPECT_EQ(Bytes(Name("PeakTable").c_str(), kMethod), before);
  EXPECT_TRUE(std::filesystem::is_empty(win::paths::ToHost("C:\\TEMP")));
}

TEST_F(MethodCopyTest, SavedCalibrationDataKeepsTheMethodsOwnSettings) {
  STRUCT_DH_COMPOUND m = Get(kMethod, 1);
  m.flags |= 0x4;  // bit 2 set in the method
  Set(kMethod, 1, m);
  STRUCT_DH_COMPOUND d = Get(kOther, 1);
  d.flags &= uint16_t(~0x4);
  d.flags |= 0x8;
  d.coefficients[1] = 123.0f;
  d.levels[0].responses[0] = 7.0f;
  d.levels[0].amount = 999;
  d.windowHalfWidth = m.windowHalfWidth + 77;  // not a calibration field
  Set(kOther, 1, d);
  ASSERT_TRUE(MORVEX_SaveCaliDataToMethod(kMethod, kOther, 1, id_, address_, "1"));
  const STRUCT_DH_COMPOUND r = Get(kMethod, 1);
  EXPECT_EQ(+r.coefficients[1], 123.0f);
  EXPECT_EQ(+r.levels[0].responses[0], 7.0f);
  EXPECT_EQ(+r.levels[0].amount, +m.levels[0].amount);
  EXPECT_EQ(+r.windowHalfWidth, +m.windowHalfWidth);
  EXPECT_TRUE(r.flags & 0x4);  // never cleared
  EXPECT_TRUE(r.flags & 0x8);  // set from the giver
  // Whole records replace the method's.
  ASSERT_TRUE(MORVEX_SaveCmpdRecordsToMethod(kMethod, kOther, 1, 0, id_, address_, "1"));
  EXPECT_EQ(+Get(kMethod, 1).windowHalfWidth, +d.windowHalfWidth);
  EXPECT_TRUE(std::filesystem::is_empty(win::paths::ToHost("C:\\TEMP")));
}

}  // namespace
