// The results a processed fixture run carries, read back through the
// engine and checked against the run's truth.
#include <cmath>
#include <cstring>
#include <string>

#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "quant_test_support.h"

namespace {

using namespace quant_test;

class FixtureResultsTest : public EngineTest {
 protected:
  void Write(int unknowns) {
    msfix::DHPlan plan;
    plan.unknowns = unknowns;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(kData, "C:\\Data\\METHOD.MTH", plan, &truth_));
  }
  msfix::DHTruth truth_;
};

TEST_F(FixtureResultsTest, OneStepPerCompoundThenTheUnknownPeaks) {
  Write(2);
  ASSERT_EQ(truth_.compounds.size(), 6u);
  ASSERT_EQ(truth_.unknowns.size(), 2u);
  const size_t n = truth_.compounds.size();

  HSECTION s = OpenTolResultsReadOnly(kData);
  ASSERT_NE(s, nullptr);
  STRUCT_RESULTS_HEADER h;
  ASSERT_TRUE(ReadTolResults(s, &h));
  EXPECT_EQ(+h.version, 4);
  EXPECT_EQ(+h.countIdentified, 6);
  EXPECT_EQ(+h.countMissing + h.countFailed + h.countDuplicate + h.countUnknown, 0);
  EXPECT_EQ(+h.countTIC, 2);
  EXPECT_EQ(+h.calculationType, 3);
  EXPECT_EQ(+h.responseBasis, 1);
  EXPECT_EQ(uint32_t(h.processedTime), uint32_t(truth_.injectionTime + 3600));
  ASSERT_EQ(CountTolResultSteps(s), 8);

  // The method's compound records, for the expected ratios and times.
  HDHTABLE compounds = OpenDHRecordSet(kData, truth_.moduleId, truth_.moduleAddress, "1");
  ASSERT_NE(compounds, nullptr);
  ASSERT_EQ(CountDHRecords(compounds), int32_t(n));
  for (size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    const msfix::DHCompoundTruth& c = truth_.compounds[i];
    STRUCT_RESULT_STEP step;
    ASSERT_TRUE(ReadTolResultStep(s, uint16_t(i), &step));
    STRUCT_DH_COMPOUND record;
    ASSERT_TRUE(GetDHRecord(compounds, int32_t(i), &record));
    EXPECT_EQ(+step.kind, 0);
    EXPECT_EQ(std::string(step.name), c.name);
    EXPECT_EQ(uint32_t(step.compoundNumber), record.compoundNumber);
    EXPECT_EQ(+step.compoundIndex, int16_t(i));
    EXPECT_NEAR(+step.retentionTime, c.retentionTime, 1e-5);
    EXPECT_NEAR(+step.expectedRetentionTime, record.retentionTime / 1000.0, 1e-5);
    EXPECT_FLOAT_EQ(+step.area, float(c.quantArea));
    EXPECT_FLOAT_EQ(+step.amount, float(c.amount));
    EXPECT_LT(+step.startTime, +step.retentionTime);
    EXPECT_GT(+step.endTime, +step.retentionTime);
    EXPECT_EQ((step.flags & 0x100) != 0, c.internalStandard);
    // The standard a compound was quantitated against, and its values.
    const msfix::DHCompoundTruth& is = truth_.compounds[size_t(c.group - 1)];
    EXPECT_EQ(+step.standardNumber, int16_t(is.number));
    EXPECT_FLOAT_EQ(+step.standardArea, float(is.quantArea));
    EXPECT_FLOAT_EQ(+step.standardAmount, float(is.amount));
    // Measured qualifier ratios match what the method expects of the run:
    // the method rounds to tenths of a percent, and the measurement sums
    // every ion within half a mass unit of the qualifier.
    for (int q = 0; q < 2; ++q)
      EXPECT_NEAR(+step.qualifierRatios[q], record.qualifiers[q].expectedRatio / 1000.0, 2e-3) << q;
    EXPECT_DOUBLE_EQ(+step.massList.ranges[0].low, c.quantIon);
    EXPECT_EQ(+step.ticIndex, -1);
  }
  FreeDHRecordSet(compounds);

  // Qualifier record i belongs to step i.
  HSECTION q = OpenQualifierDataReadOnly(kData);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(CountQualifierCompounds(q), int32_t(n));
  for (size_t i = 0; i < n; ++i) {
    const msfix::DHCompoundTruth& c = truth_.compounds[i];
    STRUCT_QUALIFIER_RECORD r;
    ASSERT_TRUE(GetMatchingQualifierRecord(q, int32_t(c.number), &r));
    EXPECT_EQ(+r.stepIndex, int16_t(i));
    ASSERT_EQ(+r.ionCount, 2);
    for (int k = 0; k < 2; ++k) {
      EXPECT_DOUBLE_EQ(+r.ions[k].massList.ranges[0].low, c.qualifiers[size_t(k)].first);
      EXPECT_NEAR(+r.ions[k].apexTime, c.retentionTime, 1e-5);
    }
  }
  CloseSection(q);

  // The unknowns: TIC steps with the library hits that name them.
  HSECTION t = OpenTICDataReadOnly(kData);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(CountTICUnknowns(t), 2);
  for (size_t u = 0; u < 2; ++u) {
    SCOPED_TRACE(u);
    const msfix::DHCompoundTruth& c = truth_.unknowns[u];
    STRUCT_RESULT_STEP step;
    ASSERT_TRUE(ReadTolResultStep(s, uint16_t(n + u), &step));
    EXPECT_EQ(+step.kind, 3);
    EXPECT_EQ(std::string(step.name), c.name);
    EXPECT_NEAR(+step.retentionTime, c.retentionTime, 1e-5);
    EXPECT_FLOAT_EQ(+step.area, float(c.area));
    EXPECT_EQ(+step.ticIndex, int16_t(u));
    STRUCT_TIC_PEAK* peak = GetTICPeak(t, int16_t(u));
    ASSERT_NE(peak, nullptr);
    EXPECT_EQ(+peak->stepIndex, int16_t(n + u));
    EXPECT_EQ(+peak->hitCount, 3);
    FreeTICPeak(peak);
    STRUCT_TIC_HIT* first = GetTICHitRecord(t, int16_t(u), 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(first->compoundName), c.name);
    EXPECT_EQ(+first->entryNumber, uint32_t(step.firstHitEntry));
    // The hit's ions: the spectrum scaled to 999 at its base peak.
    const msfix::CompoundTruth& run = truth_.run.compounds[n + u];
    bool base = false;
    for (int k = 0; k < first->ionCount; ++k) {
      uint32_t mass = 0;
      int16_t abundance = 0;
      std::memcpy(&mass, reinterpret_cast<uint8_t*>(first) + 719 + 6 * k, 4);
      std::memcpy(&abundance, reinterpret_cast<uint8_t*>(first) + 719 + 6 * k + 4, 2);
      if (abundance == 999) base = base || mass == uint32_t(std::lround(run.baseMass));
    }
    EXPECT_TRUE(base);
    // The offset the step keeps finds the same hit.
    STRUCT_TIC_HIT* byOffset = GetMatchingTICHitRecord(t, step.ticHitOffset);
    ASSERT_NE(byOffset, nullptr);
    EXPECT_EQ(std::memcmp(byOffset, first, first->length), 0);
    FreeTICHitRecord(byOffset);
    FreeTICHitRecord(first);
  }
  CloseSection(t);
  CloseSection(s);
}

TEST_F(FixtureResultsTest, WithoutUnknownsTheTICSectionIsEmpty) {
  Write(0);
  HSECTION s = OpenTolResultsReadOnly(kData);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountTolResultSteps(s), int32_t(truth_.compounds.size()));
  CloseSection(s);
  HSECTION t = OpenTICDataReadOnly(kData);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(CountTICUnknowns(t), 0);
  CloseSection(t);
}

}  // namespace
