// A run's three result sections, byte for byte, against digests taken when
// they were known good: work on the run's speed must not move one byte.
// The processing time in the results header and the steps' time stamps are
// the only fields that differ from run to run; they are zeroed first.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "quant/internal_standards.h"
#include "quant/quantitation_run.h"
#include "quant/results_records.h"
#include "quant/results_sections.h"
#include "quant_test_support.h"
#include "testing/section_bytes.h"
#include "win/win_profile.h"

namespace {

using namespace quant_test;

uint64_t Digest(const std::vector<uint8_t>& bytes, uint64_t h = 1469598103934665603ull) {
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 1099511628211ull;
  }
  // The length too, so that an empty section differs from a missing one.
  for (int i = 0; i < 8; ++i) {
    h ^= uint8_t(bytes.size() >> (8 * i));
    h *= 1099511628211ull;
  }
  return h;
}

struct DigestCase {
  const char* what;
  int16_t sampleType;
  int compounds;
  int unknowns;
  uint64_t results, qualifiers, tics;
  // Mini runs and the full chromatogram written as files and kept, where
  // otherwise the engine reads the run in place and keeps its tables in
  // memory: the same bytes either way.
  bool runFilesKept = false;
};

class ResultsDigestTest : public EngineTest, public ::testing::WithParamInterface<DigestCase> {};

TEST_P(ResultsDigestTest, TheResultSectionsKeepTheirBytes) {
  const DigestCase& c = GetParam();
  std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
  const char* data = "C:\\Data\\DIGEST.KMS";
  const char* method = "C:\\Data\\DIGEST.MTH";
  msfix::DHPlan plan;
  plan.run.scans = 900;
  plan.run.compounds = c.compounds;
  plan.run.endTime = 14.0;
  plan.unknowns = c.unknowns;
  msfix::DHTruth truth;
  ASSERT_TRUE(msfix::WriteProcessedDataFile(data, method, plan, &truth));
  ASSERT_TRUE(WritePrivateProfileStringA("MORVEX", "SaveMiniRunFiles", c.runFilesKept ? "1" : "0", "MORVEX.INI"));

  uint8_t options[QUANT_OPTIONS_SIZE];
  InitQuantOptions(options);
  const float one = 1.0f;
  std::memcpy(options + OPTIONS_SCALE_NUMERATOR, &one, 4);
  std::memcpy(options + OPTIONS_SCALE_DENOMINATOR, &one, 4);
  std::memcpy(options + OPTIONS_SAMPLE_AMOUNT, &one, 4);
  std::memcpy(options + OPTIONS_SAMPLE_TYPE, &c.sampleType, 2);
  ASSERT_TRUE(DoTolmarQuantitation(nullptr, data, method, options));

  std::vector<uint8_t> results = SectionBytes(data, RESULTS_SECTION);
  ASSERT_GE(results.size(), sizeof(STRUCT_RESULTS_HEADER));
  std::memset(results.data() + offsetof(STRUCT_RESULTS_HEADER, processedTime), 0, 4);
  // Each step's time stamps are the clock's when the data file has none.
  for (size_t at = RESULTS_HEADER_SIZE; at + RESULT_STEP_SIZE <= results.size(); at += RESULT_STEP_SIZE) {
    std::memset(results.data() + at + offsetof(STRUCT_RESULT_STEP, timeStamp), 0, 4);
    std::memset(results.data() + at + offsetof(STRUCT_RESULT_STEP, calibrationTimeStamp), 0, 4);
  }
  const uint64_t r = Digest(results), q = Digest(SectionBytes(data, QUALIFIERS_SECTION)),
                 t = Digest(SectionBytes(data, TICS_SECTION));
  std::printf("%s: results 0x%016" PRIx64 " qualifiers 0x%016" PRIx64 " tics 0x%016" PRIx64 "\n", c.what, r, q, t);
  EXPECT_EQ(r, c.results);
  EXPECT_EQ(q, c.qualifiers);
  EXPECT_EQ(t, c.tics);
}

INSTANTIATE_TEST_SUITE_P(Runs, ResultsDigestTest,
                         ::testing::Values(DigestCase{"analysis", SAMPLE_ANALYSIS, 10, 0, 0x86c72f9a971c8d7aull, 0x62d570117bf5e454ull, 0x47fe0d7eaf8e51e3ull},
                                           DigestCase{"calibration", SAMPLE_CALIBRATION, 10, 0, 0x92c119ab9f3f2c52ull, 0x62d570117bf5e454ull, 0x47fe0d7eaf8e51e3ull},
                                           DigestCase{"unknowns", SAMPLE_ANALYSIS, 12, 3, 0x0d42b519f3cc755eull, 0x0c43342f8041fa3aull, 0x47fe0d7eaf8e51e3ull},
                                           DigestCase{"unknowns_files_kept", SAMPLE_ANALYSIS, 12, 3, 0x0d42b519f3cc755eull, 0x0c43342f8041fa3aull, 0x47fe0d7eaf8e51e3ull, true}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
