// Report cells of a result step: search results, status names, library
// names of TIC hits and the sample-preparation text.
#include <cstring>
#include <string>
#include <vector>

#include "common/code_names.h"
#include "common/report_fields.h"
#include "common/report_records.h"
#include "common/tests/startup_root_fixture.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "win/win_kernel.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace r = kelt::reports;

template <class T>
void Set(Bytes& b, uint32_t offset, T value) {
  std::memcpy(b.data() + offset, &value, sizeof value);
}

Bytes MatchedStep() {
  Bytes s(r::kResultStepSize, 0);
  std::strcpy(reinterpret_cast<char*>(&s[r::step::kName]), "Toluene");
  Set<float>(s, r::step::kMatchValue, 87.4f);
  Set<float>(s, r::step::kMatchThreshold, -1.0f);
  Set<int32_t>(s, r::step::kForwardSimilarity, 912);
  Set<int32_t>(s, r::step::kReverseSimilarity, -1);
  Set<int32_t>(s, r::step::kHitProbability, 4567);
  Set<int32_t>(s, r::step::kInLibraryProbability, 0);
  return s;
}

TEST(ReportFieldsTest, SearchResultCells) {
  Bytes s = MatchedStep();
  char b[256];
  struct Case {
    char* (*format)(const void*, char*, int16_t);
    const char* compact;
    const char* aligned;
  };
  const Case cases[] = {
      {KELT_FormatMatchValue, "87", "  87"},
      {KELT_FormatFitThreshold, "----", "----"},
      {KELT_FormatSimilarity, "912", " 912"},
      {KELT_FormatReverseSimilarity, "----", "----"},
      {KELT_FormatHitProbability, "45.67", "45.67"},
      {KELT_FormatInLibraryProbability, "N/A", "N/A"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(c.format(s.data(), b, 1), c.compact);
    EXPECT_STREQ(c.format(s.data(), b, 0), c.aligned);
  }
  // Probabilities: 0 is no value for the hit, negatives are shown; the
  // in-library value shows only positives.
  Set<int32_t>(s, r::step::kHitProbability, 0);
  EXPECT_STREQ(KELT_FormatHitProbability(s.data(), b, 1), "N/A");
  Set<int32_t>(s, r::step::kHitProbability, -5);
  EXPECT_STREQ(KELT_FormatHitProbability(s.data(), b, 1), "-0.05");
  Set<int32_t>(s, r::step::kInLibraryProbability, -5);
  EXPECT_STREQ(KELT_FormatInLibraryProbability(s.data(), b, 1), "N/A");
  Set<int32_t>(s, r::step::kInLibraryProbability, -1);
  EXPECT_STREQ(KELT_FormatInLibraryProbability(s.data(), b, 1), "----");
  Set<int32_t>(s, r::step::kInLibraryProbability, 7);
  EXPECT_STREQ(KELT_FormatInLibraryProbability(s.data(), b, 0), " 0.07");

  // No spectrum match: every cell is N/A, whatever the case of the name.
  for (const char* name : {"No Search", "NO SEARCH", "no sEaRcH"}) {
    Bytes n = MatchedStep();
    std::strcpy(reinterpret_cast<char*>(&n[r::step::kName]), name);
    for (const Case& c : cases) EXPECT_STREQ(c.format(n.data(), b, 1), "N/A") << name;
  }
  Bytes t = MatchedStep();
  Set<uint16_t>(t, r::step::kIdSearchType, 2);
  for (const Case& c : cases) EXPECT_STREQ(c.format(t.data(), b, 0), "N/A");
}

TEST(ReportFieldsTest, StatusAndTypeNames) {
  char b[32];
  const char* names[] = {"Identified", "Missing", "Failed", "TIC", "Unknown", "Duplicate"};
  const char* shorts[] = {"Id.", "Miss.", "Fail", "TIC", "Unk.", "Dup."};
  for (int16_t i = 0; i < 6; ++i) {
    EXPECT_STREQ(RPTS_FmtStatus(i, b), names[i]);
    EXPECT_STREQ(RPTS_FmtStatusShort(i, 0, b), shorts[i]);
  }
  std::strcpy(b, "kept");
  EXPECT_STREQ(RPTS_FmtStatusShort(6, 0, b), "kept");
  EXPECT_STREQ(RPTS_FmtStatus(-1, b), "");
  EXPECT_STREQ(RPTS_FmtCalcType(3), "Internal Standard");
  EXPECT_STREQ(RPTS_FmtCalcType(5), "");
  EXPECT_STREQ(RPTS_FmtPeakMeasure(1), "Area");
  EXPECT_STREQ(RPTS_FmtPeakMeasure(0), "Height");
  EXPECT_STREQ(RPTS_FmtSampleType(0), "Baseline");
  EXPECT_STREQ(RPTS_FmtSampleType(3), "Verification");
  EXPECT_STREQ(RPTS_FmtSampleType(7), "Analysis");
}

TEST(ReportFieldsTest, PeakTypeStyleFour) {
  char b[256];
  EXPECT_STREQ(KELT_GetPeakTypeString(0x201, 4, b), "RP:Reference Peak, RRT:Relative Retention Peak");
  EXPECT_STREQ(KELT_GetPeakTypeString(0x201, 9, b), "");
}

TEST(ReportFieldsTest, HitLibraryNameIsBoundedByItsField) {
  Bytes hit(719, 0);
  std::strcpy(reinterpret_cast<char*>(&hit[437]), "C:\\Libraries\\NIST_Main.MSP");
  char b[256];
  EXPECT_STREQ(RPTS_FmtHitLibraryName(hit.data(), b, 36), "nist_main.msp");
  EXPECT_STREQ(RPTS_FmtHitLibraryName(hit.data(), b, 8), "...n.msp");
  // A name that fills its field without an end.
  std::memset(&hit[437], 'A', 280);
  EXPECT_EQ(std::strlen(RPTS_FmtHitLibraryName(hit.data(), b, 300)), sizeof b - 1);  // bounded by the cell
}

class ReportFieldsRootTest : public StartupRootTest {};

TEST_F(ReportFieldsRootTest, SamplePrepTextIsTerminatedAndLeavesNoFile) {
  Attach();
  constexpr char kData[] = "C:\\Data\\PREP.KMS";
  std::filesystem::create_directories(Host("C:\\Data"));
  ASSERT_TRUE(CreateSectionFileAtPath(kData, 777, 0, 1));
  ASSERT_TRUE(WriteSamplePrep(kData, 23, 1, "Extracted with hexane.\r\nDried over sulfate."));
  char* text = RPTS_GetSamplePrepText(kData);
  ASSERT_NE(text, nullptr);
  const std::string s = text;
  EXPECT_NE(s.find("Extracted with hexane."), std::string::npos);
  EXPECT_NE(s.find("Dried over sulfate."), std::string::npos);
  // The block is terminated right after the text, not by its zero fill.
  EXPECT_EQ(text[s.size()], 0);
  EXPECT_LE(s.size() + 20, GetBlockSize(text));
  FreeBlock(text);
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  for (const auto& e : std::filesystem::directory_iterator(Host(folder)))
    EXPECT_NE(e.path().filename().string().substr(0, 3), "vvv") << e.path();
  EXPECT_EQ(RPTS_GetSamplePrepText(nullptr), nullptr);
}

}  // namespace
