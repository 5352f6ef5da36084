// Reference-peak correction of expected times on drifting runs, and the
// processed compound and chromatogram files.
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/compound_fields.h"
#include "quant/processed_files.h"
#include "quant_accuracy.h"
#include "quant_test_support.h"
#include "win/win_kernel.h"

namespace {

using namespace quant_test;
using namespace quant_accuracy;

constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
constexpr char kSample[] = "C:\\Data\\SAMPLE.KMS";

class ProcessedFilesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
    design_.analytes = 5;  // compounds at 4, 6, 8, 10, 12 and 14 minutes
  }
  // References at the given method positions.
  void Method(std::vector<int> references) {
    ASSERT_TRUE(WriteMethod(kMethod, design_, &method_, [&](int i, STRUCT_DH_COMPOUND& c) {
      c.flags &= uint16_t(~quant::kFlagReference);
      for (int r : references)
        if (r == i) c.flags |= quant::kFlagReference;
    }));
  }
  struct Check {
    BOOL result;
    int16_t failed, refCount;
    std::vector<REF_TIME_ENTRY> times;
    std::vector<uint16_t> refs;
    std::vector<double> corrected;  // the records' times afterwards, minutes
  };
  Check Run() {
    Check c{};
    HDHTABLE t = OpenDHRecordSetForUpdate(kMethod, method_.moduleId, method_.moduleAddress, "1");
    EXPECT_NE(t, nullptr);
    const int32_t n = CountDHRecords(t);
    STRUCT_DH_GLOBAL_PARAMS g;
    HDHTABLE gt = OpenGlobalTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
    ReadGlobalTable(gt, &g);
    FreeDHRecordSet(gt);
    REF_TIME_ENTRY* times = nullptr;
    uint16_t* refs = nullptr;
    c.failed = -7;
    c.result = MORVEX_CheckForRefPks(t, n, &times, &refs, &c.refCount, kSample, kSample, 0, 0, &g, method_.moduleId,
                                     method_.moduleAddress, "1", &c.failed);
    if (times) c.times.assign(times, times + n + 1), FreeBlock(times);
    if (refs) c.refs.assign(refs, refs + c.refCount + 1), FreeBlock(refs);
    for (int32_t i = 0; i < n; ++i) {
      STRUCT_DH_COMPOUND r;
      GetDHRecord(t, i, &r);
      c.corrected.push_back(r.retentionTime / 1000.0);
    }
    FreeDHRecordSet(t);
    return c;
  }
  Design design_;
  msfix::DHTruth method_;
};

TEST_F(ProcessedFilesTest, ExpectedTimesFollowTheFoundReferencesWithinOneScan) {
  struct Case {
    const char* what;
    std::vector<double> amounts;  // 0 leaves the analyte out of the sample
    int16_t refCount;
  } cases[] = {
      {"three references found", {10, 10, 10, 10, 10}, 3},
      {"the middle reference missing", {10, 10, 0, 10, 10}, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Method({0, 3, 5});
    SampleSpec s;
    s.amounts = k.amounts;
    s.drift = 0.05;
    s.driftSlope = 0.01;
    msfix::RunTruth truth;
    ASSERT_TRUE(WriteSample(kSample, design_, s, method_, &truth));
    const Check c = Run();
    EXPECT_TRUE(c.result);
    EXPECT_EQ(c.failed, 0);
    ASSERT_EQ(c.refCount, k.refCount);
    const double scan = (truth.endTime - truth.startTime) / (truth.scanTimes.size() - 1);
    ASSERT_EQ(c.corrected.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
      SCOPED_TRACE(i);
      if (i > 0 && k.amounts[i - 1] == 0) {
        EXPECT_EQ(+c.times[i + 1].expected, 0.0f);  // dropped from the list
        continue;
      }
      EXPECT_NEAR(c.corrected[i], truth.compounds[i].retentionTime, scan);
      EXPECT_NEAR(+c.times[i + 1].found, truth.compounds[i].retentionTime, scan);
    }
    EXPECT_EQ(c.refs.front(), 0);
  }
}

// The reference at 8 minutes (window +-0.2, second window +-0.5) moved
// beyond its window, with a small peak of its own ions at 8.115: it is
// searched in its second window and its own peak, not the small one, is
// taken.
TEST_F(ProcessedFilesTest, AShiftedReferenceIsFoundInItsSecondWindow) {
  for (const double at : {8.21, 8.30, 8.40, 8.45}) {
    SCOPED_TRACE(at);
    Method({2});  // afresh: the check writes the times it found
    ASSERT_NEAR(method_.compounds[2].retentionTime, 8.0, 1e-9);
    SampleSpec s;
    s.amounts.assign(5, 10.0);
    msfix::RunPlan run = PlanFor(design_, s, &method_).run;
    const auto base = run.adjustCompounds;
    run.adjustCompounds = [base, at](std::vector<msfix::CompoundTruth>& cs) {
      base(cs);
      msfix::CompoundTruth small = cs[2];
      small.name = "Small";
      small.retentionTime = 8.115;
      small.height = cs[2].height * 0.03;
      small.tau = 0;
      cs[2].retentionTime = at;
      cs.push_back(small);
    };
    run.fileType = method_.moduleId;
    run.module = method_.moduleAddress;
    msfix::RunTruth truth;
    ASSERT_TRUE(msfix::WriteMsDataFile(kSample, run, &truth));
    const Check c = Run();
    EXPECT_TRUE(c.result);
    EXPECT_EQ(c.failed, 0);
    ASSERT_EQ(c.refCount, 1);
    const double scan = (truth.endTime - truth.startTime) / (truth.scanTimes.size() - 1);
    EXPECT_NEAR(+c.times[3].found, at, scan);
    EXPECT_NEAR(c.corrected[2], at, scan);
    // One reference draws no line: the others keep their times.
    EXPECT_NEAR(c.corrected[4], method_.compounds[4].retentionTime, 0.001);
  }
}

TEST_F(ProcessedFilesTest, WithoutReferencesNothingMoves) {
  Method({});
  SampleSpec s;
  s.amounts.assign(5, 10.0);
  s.drift = 0.05;
  ASSERT_TRUE(WriteSample(kSample, design_, s, method_, nullptr));
  const Check c = Run();
  EXPECT_FALSE(c.result);
  EXPECT_EQ(c.failed, -7);  // left as the caller set it
  for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(c.corrected[i], method_.compounds[i].retentionTime, 0.001);
}

TEST_F(ProcessedFilesTest, CompoundsOutsideTheReferencesKeepTheLastLineDrawn) {
  SampleSpec s;
  s.amounts.assign(5, 10.0);
  s.drift = 0.05;
  s.driftSlope = 0.01;
  msfix::RunTruth truth;
  // References at 8 and 10 minutes with nothing between them: no line is
  // drawn, and every other compound keeps slope 1 and offset 0.
  Method({2, 3});
  ASSERT_TRUE(WriteSample(kSample, design_, s, method_, &truth));
  Check c = Run();
  ASSERT_TRUE(c.result);
  for (size_t i : {0, 1, 4, 5}) EXPECT_NEAR(c.corrected[i], method_.compounds[i].retentionTime, 0.001) << i;
  // With one more at 4 minutes the line through 4 and 8 is drawn for the
  // compound at 6 and carries on past the last reference; the drift is
  // linear, so it holds there too.
  Method({0, 2, 3});
  c = Run();
  ASSERT_TRUE(c.result);
  const double scan = (truth.endTime - truth.startTime) / (truth.scanTimes.size() - 1);
  for (size_t i : {1, 4, 5}) EXPECT_NEAR(c.corrected[i], truth.compounds[i].retentionTime, scan) << i;
}

TEST_F(ProcessedFilesTest, ProcessedCompoundAndChromatogramFilesHoldTheEngineResults) {
  Method({});
  SampleSpec s;
  s.amounts.assign(5, 10.0);
  msfix::RunTruth truth;
  ASSERT_TRUE(WriteSample(kSample, design_, s, method_, &truth));
  HDHTABLE t = OpenCompoundTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
  STRUCT_DH_COMPOUND c;
  ASSERT_TRUE(GetDHRecord(t, 2, &c));
  FreeDHRecordSet(t);
  STRUCT_DH_GLOBAL_PARAMS g;
  t = OpenGlobalTable(kMethod, method_.moduleId, method_.moduleAddress, "1");
  ASSERT_TRUE(ReadGlobalTable(t, &g));
  FreeDHRecordSet(t);
  CMPD_WINDOW_LIMITS limits;
  ASSERT_TRUE(MORVEX_GetCmpdWindowLimits(&c, &limits));
  char path[MAX_PATH];
  ASSERT_TRUE(MORVEX_GetIntegratedCmpdFile(kSample, nullptr, 0, 0, &g, &c, &limits, path, 1));
  ASSERT_EQ(std::string(path).rfind("C:\\TEMP\\RUN", 0), 0u) << path;
  EXPECT_FALSE(SectionExists(path, "MSPeakInfo"));
  HDHTABLE r = OpenDHResultTable(path, method_.moduleId, method_.moduleAddress, "1");
  ASSERT_NE(r, nullptr);
  bool named = false;
  for (int16_t i = 0; i < CountDHResults(r); ++i) {
    STRUCT_DH_RESULT p;
    ASSERT_TRUE(GetDHResult(r, i, &p));
    if (std::string(p.name) == method_.compounds[2].name) {
      named = true;
      EXPECT_NEAR(+p.retentionTime, truth.compounds[2].retentionTime, 0.02);
    }
  }
  FreeDHRecordSet(r);
  EXPECT_TRUE(named);
  EXPECT_TRUE(DeleteFileA(path));

  struct Case {
    int16_t segment;
    size_t peaks;
  } cases[] = {{-1, 6}, {0, 6}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.segment);
    char out[MAX_PATH] = {};
    STRUCT_RESULT_STEP step;
    std::memset(&step, 0, sizeof step);
    ASSERT_TRUE(GetProcessedChromatogramFileInteractiveEx(nullptr, nullptr, kSample, 0, 0, 0, 0, kMethod, nullptr,
                                                          out, &step, 1, k.segment));
    ASSERT_EQ(std::string(out).rfind("C:\\TEMP\\FUL", 0), 0u) << out;
    r = OpenDHResultTable(out, method_.moduleId, method_.moduleAddress, "1");
    ASSERT_NE(r, nullptr);
    // Every compound is among the peaks of the full chromatogram.
    size_t matched = 0;
    for (const msfix::CompoundTruth& ct : truth.compounds) {
      for (int16_t i = 0; i < CountDHResults(r); ++i) {
        STRUCT_DH_RESULT p;
        if (GetDHResult(r, i, &p) && std::fabs(p.retentionTime - ct.retentionTime) < 0.02) {
          ++matched;
          break;
        }
      }
    }
    FreeDHRecordSet(r);
    EXPECT_EQ(matched, k.peaks);
    EXPECT_TRUE(DeleteFileA(out));
  }
}

}  // namespace
