// Background-correction times of a target compound and the channel check,
// on generated runs.
#include <cstring>
#include <string>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "holbrin/dh_records.h"
#include "quant/peak_measurement.h"
#include "quant_test_support.h"
#include "reportmakers/compound_spectra.h"

namespace {

using namespace quant_test;

class CompoundSpectraTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    msfix::RunPlan plan;
    plan.compounds = 3;
    plan.scans = 900;
    plan.peaksPerScan = 120;
    ASSERT_TRUE(msfix::WriteMsDataFile(kData, plan, &truth_));
  }
  // A compound of the run quantitated on its base peak.
  STRUCT_DH_COMPOUND CompoundOf(const msfix::CompoundTruth& c, int32_t halfWidth) const {
    STRUCT_DH_COMPOUND r;
    std::memset(&r, 0, sizeof r);
    r.retentionTime = uint32_t(c.retentionTime * 1000.0);
    r.windowHalfWidth = halfWidth;
    r.secondWindowHalfWidth = 100;
    r.massList.kind = 4;
    r.massList.count = 1;
    r.massList.ranges[0].lowMass = r.massList.ranges[0].highMass = c.baseMass;
    return r;
  }
  msfix::RunTruth truth_;
};

TEST_F(CompoundSpectraTest, BackgroundTimesLieEitherSideOfTheApex) {
  for (const msfix::CompoundTruth& c : truth_.compounds) {
    SCOPED_TRACE(c.name);
    STRUCT_DH_COMPOUND r = CompoundOf(c, 300);
    double a = -1, b = -1;
    ASSERT_EQ(TOL_GetTargetBCSptTimes(kData, &r, &a, &b), BC_TIMES_FOUND);
    EXPECT_LT(a, c.retentionTime - 2 * c.sigma);
    EXPECT_GT(b, c.retentionTime + 2 * c.sigma);
    EXPECT_GE(a, c.retentionTime - 0.3 - 1e-9);
    EXPECT_LE(b, c.retentionTime + 0.3 + 1e-9);
    EXPECT_DOUBLE_EQ(r.massList.massWindow, 0.5);  // a window of 0 taken as 0.5
  }
}

TEST_F(CompoundSpectraTest, TooFewPointsOrAnotherFileLeaveTheTimesZero) {
  const msfix::CompoundTruth& c = truth_.compounds.front();
  const double scan = (truth_.endTime - truth_.startTime) / (truth_.scanTimes.size() - 1);
  // Nine scans in the window.
  STRUCT_DH_COMPOUND r = CompoundOf(c, int32_t(4.2 * scan * 1000.0));
  double a = -1, b = -1;
  EXPECT_EQ(TOL_GetTargetBCSptTimes(kData, &r, &a, &b), BC_TIMES_NO_DATA);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kData, 0);
  ASSERT_NE(wf, nullptr);
  r = CompoundOf(c, 300);
  a = b = -1;
  EXPECT_EQ(TOL_GetTargetBCSptTimesEx("C:\\Data\\OTHER.KMS", wf, nullptr, 0, &r, &a, &b), BC_TIMES_NO_DATA);
  EXPECT_EQ(a + b, 0.0);
  EXPECT_EQ(TOL_GetTargetBCSptTimesEx("c:\\data\\sample1.kms", wf, nullptr, 0, &r, &a, &b), BC_TIMES_FOUND);
  EXPECT_EQ(TOL_GetTargetBCSptTimesEx(nullptr, nullptr, nullptr, 0, &r, &a, &b), BC_TIMES_NO_DATA);
  FreeWorkFileStruct(wf);
}

TEST_F(CompoundSpectraTest, ChannelsAreCheckedInTheSegmentOfTheTime) {
  // Segment 1 has one scan function, segment 2 two.
  const double inFirst = (truth_.segments[0].startTime + truth_.segments[0].endTime) / 2;
  const double inSecond = (truth_.segments[1].startTime + truth_.segments[1].endTime) / 2;
  struct Case {
    uint16_t low, high;
    double time;
    int16_t expected;
  } cases[] = {
      {0, 0, inFirst, CHANNELS_ALL},   {1, 1, inFirst, CHANNELS_NONE},  {0, 1, inFirst, CHANNELS_SOME},
      {1, 1, inSecond, CHANNELS_ALL},  {0, 0, -1.0, CHANNELS_ALL},
      {5, 5, -1.0, CHANNELS_NONE},     {1, 1, truth_.segments[1].startTime, CHANNELS_ALL},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.low << "-" << k.high << " at " << k.time);
    STRUCT_CHAN_LIST l;
    std::memset(&l, 0, sizeof l);
    l.kind = 1;
    l.count = 1;
    l.entries[0].low = k.low;
    l.entries[0].high = k.high;
    EXPECT_EQ(MORVEX_IsValidChannels(&l, kData, k.time), k.expected);
  }
  STRUCT_CHAN_LIST merged;
  std::memset(&merged, 0, sizeof merged);
  EXPECT_EQ(MORVEX_IsValidChannels(&merged, kData, 1.0), CHANNELS_ALL);
}

}  // namespace
