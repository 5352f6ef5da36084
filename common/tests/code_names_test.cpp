// Report texts of result and method codes.
#include <cstring>
#include <string>
#include <vector>

#include "common/code_names.h"
#include "common/report_fields.h"
#include "common/report_records.h"
#include "common/result_codes.h"
#include "common/tests/startup_root_fixture.h"
#include "win/win_profile.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace r = kelt::reports;

template <class T>
void Set(Bytes& b, uint32_t offset, T value) {
  std::memcpy(b.data() + offset, &value, sizeof value);
}

Bytes Step() { return Bytes(r::kResultStepSize, 0); }
Bytes Table() { return Bytes(5887, 0); }
Bytes Compound() { return Bytes(r::kCompoundRecordSize, 0); }

TEST(ResultCodeTest, TextsOfSingleBits) {
  EXPECT_STREQ(ResultCode_StringFromFlag(0x1), "R : Reference Peak.");
  EXPECT_STREQ(ResultCode_StringFromFlag(0x400000), "b : RRT out of tolerance.");
  EXPECT_STREQ(ResultCode_StringFromFlag(0x3), " ");
  EXPECT_STREQ(ResultCode_StringFromFlag(0), " ");
  EXPECT_STREQ(ResultCode_StringFromFlag(0x800000), " ");
  EXPECT_EQ(ResultCode_FlagFromChar("Z"), 0x80000u);
  EXPECT_EQ(ResultCode_FlagFromChar("?"), 0xFFFFu);
}

TEST(CodeNamesTest, ErrorLettersLeaveOutThePeakTypeCodes) {
  Bytes step = Step();
  Set<uint32_t>(step, r::step::kResultCodes, 0x1 | 0x2 | 0x80 | 0x100 | 0x400 | 0x800 | 0x400000);
  char b[256];
  EXPECT_STREQ(KELT_GetErrorStringFromRecord(step.data(), b), "# D b ");
  Set<uint32_t>(step, r::step::kResultCodes, 0xFFFFFFFFu);
  EXPECT_STREQ(KELT_GetErrorStringFromRecord(step.data(), b), "# * + V M C O D I L N Q H W Y Z F a b ");
  EXPECT_STREQ(KELT_GetErrorStringFromRecord(nullptr, b), "");
}

TEST(CodeNamesTest, PeakTypesInFourStyles) {
  char b[256];
  EXPECT_STREQ(KELT_GetPeakTypeString(0x101, 4, b), "RP:Reference Peak, SP:Standard Peak");
  EXPECT_STREQ(KELT_GetPeakTypeString(0x201, 4, b), "RP:Reference Peak, RRT:Relative Retention Peak");
  EXPECT_STREQ(KELT_GetPeakTypeString(0x101, 1, b), "RP,SP");
  EXPECT_STREQ(KELT_GetPeakTypeString(0x6, 2, b), "Edit Coef., Edit Fit");
  EXPECT_STREQ(KELT_GetPeakTypeString(0x408, 3, b), "Edited Origin, Locked Coefficients");
  EXPECT_STREQ(KELT_GetPeakTypeString(0x101, 5, b), "");
  EXPECT_STREQ(KELT_GetPeakTypeString(static_cast<int16_t>(0x70F), 4, b),
               "RP:Reference Peak, EC:Edited Coefficients, EF:Edited Fit, EO:Edited Origin, SP:Standard Peak, "
               "RRT:Relative Retention Peak, LC:Locked Coefficients");
}

TEST(CodeNamesTest, SearchKindTable) {
  char b[64] = "old";
  EXPECT_TRUE(KELT_FormatNISTSearchType(1, 'L', b, 1));
  EXPECT_STREQ(b, "Neutral Loss-Reverse");
  EXPECT_TRUE(KELT_FormatNISTSearchType(0, 'I', b, 0));
  EXPECT_STREQ(b, "N-F");
  EXPECT_FALSE(KELT_FormatNISTSearchType(2, 'Q', b, 0));
  EXPECT_STREQ(b, "");
}

TEST(CodeNamesTest, MatchType) {
  Bytes step = Step(), table = Table();
  Set<int32_t>(step, r::step::kStatus, 0);
  Set<float>(step, r::step::kMatchThreshold, 70.0f);
  Set<int16_t>(step, r::step::kDirection, 1);
  Set<uint32_t>(step, r::step::kSearchKind, 'H');
  std::strcpy(reinterpret_cast<char*>(step.data() + r::step::kName), "Toluene");
  char b[256];
  EXPECT_STREQ(KELT_GetMatchTypeString(step.data(), table.data(), b, 1), "Hybrid-Reverse");
  EXPECT_STREQ(KELT_GetMatchTypeString(step.data(), table.data(), b, 0), "H-R");
  std::strcpy(reinterpret_cast<char*>(step.data() + r::step::kName), "nO sEARCH");
  EXPECT_STREQ(KELT_GetMatchTypeString(step.data(), table.data(), b, 0), "N/A");
  std::strcpy(reinterpret_cast<char*>(step.data() + r::step::kName), "Toluene");
  Set<float>(step, r::step::kMatchThreshold, -1.0f);
  EXPECT_STREQ(KELT_GetMatchTypeString(step.data(), table.data(), b, 0), "N/A");
  // An unknown peak counts only when the table searched unknowns.
  Set<float>(step, r::step::kMatchThreshold, 70.0f);
  Set<int32_t>(step, r::step::kStatus, 4);
  EXPECT_STREQ(KELT_GetMatchTypeString(step.data(), table.data(), b, 0), "N/A");
  Set<uint32_t>(table, r::table::kLibrarySearchUnknowns, 1);
  EXPECT_STREQ(KELT_GetMatchTypeString(step.data(), table.data(), b, 0), "H-R");
}

TEST(CodeNamesTest, CalculationTypeAndEquation) {
  Bytes c = Compound();
  char b[256];
  Set<int16_t>(c, r::compound::kFit, 1);
  Set<int16_t>(c, r::compound::kOrigin, 2);
  Set<uint32_t>(c, r::compound::kWeighting, 3);
  EXPECT_STREQ(KELT_GetCalculationTypeString(c.data(), b), "Quadratic, Ignore, 1/X2");
  Set<uint32_t>(c, r::compound::kWeighting, 6);
  EXPECT_STREQ(KELT_GetCalculationTypeString(c.data(), b), "Quadratic, Ignore, ");

  char k[256] = "k", x[256] = "x", x2[256] = "x2", x3[256] = "x3";
  EXPECT_FALSE(KELT_GetCalibEquation(c.data(), 0, k, x, x2, x3));
  EXPECT_STREQ(k, "k");  // untouched
  Set<int16_t>(c, r::compound::kFit, 0);
  Set<int16_t>(c, r::compound::kOrigin, 1);
  Set<float>(c, r::compound::kCoefficients + 0, 0.5f);
  Set<float>(c, r::compound::kCoefficients + 4, 12.5f);
  ASSERT_TRUE(KELT_GetCalibEquation(c.data(), 0, k, x, x2, x3));
  EXPECT_STREQ(x, " +12.5000x");
  EXPECT_STREQ(k, " +0.5000");
  EXPECT_STREQ(x2, "");
  EXPECT_STREQ(x3, "");
  Set<int16_t>(c, r::compound::kOrigin, 0);
  Set<float>(c, r::compound::kCoefficients + 8, 0.0005f);
  ASSERT_TRUE(KELT_GetCalibEquation(c.data(), 0, k, x, x2, x3));
  EXPECT_STREQ(k, "");
  EXPECT_STREQ(x2, " +5.0000e-4x2");
  Set<uint16_t>(c, r::compound::kFlags, 0x2);
  Set<float>(c, r::compound::kCoefficients + 12, 10000.0f);
  ASSERT_TRUE(KELT_GetCalibEquation(c.data(), 0, k, x, x2, x3));
  EXPECT_STREQ(k, " +0.5000 (E)");
  EXPECT_STREQ(x3, " +1.0000e+4x3");
}

class CodeNamesRootTest : public StartupRootTest {};

TEST_F(CodeNamesRootTest, ResponseFactorUsed) {
  Attach("de-DE");
  Bytes step = Step(), table = Table();
  char b[256];
  Set<int16_t>(table, r::table::kRfMode, 0);
  EXPECT_STREQ(KELT_GetRFUsedString(table.data(), step.data(), 1, b), "Nearest IS");
  EXPECT_STREQ(KELT_GetRFUsedString(table.data(), step.data(), 0, b), "Nearest Internal Standard");
  Set<int16_t>(table, r::table::kRfMode, 1);
  EXPECT_STREQ(KELT_GetRFUsedString(table.data(), step.data(), 1, b), "Nr Pure IS");
  Set<int16_t>(table, r::table::kRfMode, 2);
  Set<double>(table, r::table::kFixedRf, 1234.5);
  EXPECT_STREQ(KELT_GetRFUsedString(table.data(), step.data(), 1, b), "1.234,500");
  Set<int16_t>(table, r::table::kRfMode, 7);
  EXPECT_STREQ(KELT_GetRFUsedString(table.data(), step.data(), 1, b), "");
  Set<int32_t>(table, r::table::kNoInternalStandard2, 1);
  EXPECT_STREQ(KELT_GetRFUsedString(table.data(), step.data(), 1, b), "None");
}

TEST_F(CodeNamesRootTest, SearchTypeFromTheMethodLibraryOrTheTable) {
  Attach();
  Bytes step = Step(), table = Table();
  Set<int32_t>(step, r::step::kStatus, 3);
  EXPECT_STREQ(KELT_GetSearchTypeString(step.data(), table.data(), 1), "None");
  Set<uint32_t>(table, r::table::kLibrarySearchUnknowns, 1);
  EXPECT_STREQ(KELT_GetSearchTypeString(step.data(), table.data(), 1), "Library Search");
  EXPECT_STREQ(KELT_GetSearchTypeString(step.data(), table.data(), 0), "Library");
  // Method compounds: the text of "Ferrow.dll", found by name.
  Set<int32_t>(step, r::step::kStatus, 0);
  const std::string fromLibrary = KELT_GetSearchTypeString(step.data(), table.data(), 1);
  EXPECT_FALSE(fromLibrary.empty());
  // An unknown search type gives an empty text, not the last one.
  Set<uint16_t>(step, r::step::kIdSearchType, 999);
  EXPECT_STREQ(KELT_GetSearchTypeString(step.data(), table.data(), 1), "");
}

TEST_F(CodeNamesRootTest, LibraryNamesAreShortenedAndLowerCased) {
  Attach();
  Bytes table = Table();
  char b[256];
  WritePrivateProfileStringA("Libraries", "Library1", "C:\\Libraries\\MAINLIB.L", "fandor.ini");
  WritePrivateProfileStringA("Libraries", "Library2", "C:\\Libraries\\REPLICATES_2005.L", "fandor.ini");
  EXPECT_STREQ(KELT_GetLibraryNameString(table.data(), 0, b, 20), "");  // no library searched
  Set<uint32_t>(table, r::table::kLibrarySearchUnknowns, 1);
  EXPECT_STREQ(KELT_GetLibraryNameString(table.data(), 0, b, 20), "mainlib.l");
  EXPECT_STREQ(KELT_GetLibraryNameString(table.data(), 1, b, 10), "..._2005.l");
  EXPECT_STREQ(KELT_GetLibraryNameString(table.data(), 5, b, 10), "");
}

}  // namespace
