// Criteria rows and legends written into a text report, read back by column.
#include <cstring>
#include <string>
#include <vector>

#include "common/report_records.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/tests/report_text.h"
#include "testing/workstation_root.h"

namespace {

using Bytes = std::vector<uint8_t>;
using report_text::Find;
using report_text::Render;
namespace r = kelt::reports;

template <class T>
void Set(Bytes& b, uint32_t offset, T value) {
  std::memcpy(b.data() + offset, &value, sizeof value);
}

Bytes Step(int32_t status) {
  Bytes s(r::kResultStepSize, 0);
  Set<int32_t>(s, r::step::kStatus, status);
  std::strcpy(reinterpret_cast<char*>(&s[r::step::kName]), "Toluene");
  std::strcpy(reinterpret_cast<char*>(&s[r::step::kUnits]), "ng");
  Set<float>(s, r::step::kMatchThreshold, -1.0f);
  Set<int16_t>(s, r::step::kTicPeak, -1);
  Set<int16_t>(s, r::step::kLibraryIndex, -1);
  return s;
}
Bytes Compound() {
  Bytes c(r::kCompoundRecordSize, 0);
  Set<int32_t>(c, r::compound::kRtTolerance, 250);
  return c;
}
Bytes Header(int16_t sampleType, int16_t calculation) {
  Bytes h(r::kResultsHeaderSize, 0);
  Set<int16_t>(h, r::header::kSampleType, sampleType);
  Set<int16_t>(h, r::header::kCalculationType, calculation);
  return h;
}

class CriteriaTables : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
  }
};

TEST_F(CriteriaTables, RetentionTimeWindowAndWhatCountsAsMeasured) {
  struct Case {
    int32_t status;
    uint32_t codes;
    float found;
    const char* required;
    const char* status_;
  };
  // Expected 5.000 +/- 0.250 minutes.
  const Case cases[] = {
      {0, 0, 5.25f, "5.000 +/- 0.250", "Pass"},         // at the upper end
      {0, 0, 4.75f, "5.000 +/- 0.250", "Pass"},         // at the lower end
      {0, 0, 5.2501f, "5.000 +/- 0.250", "Fail"},
      {1, 0x80000, 5.1f, "5.000 +/- 0.250", "Pass"},    // missing on its ion ratio alone
      {1, 0x20, 5.1f, "5.000 +/- 0.250", "Fail"},
      {2, 0x400000, 5.0f, "5.000 +/- 0.250", "Pass"},
      {4, 0, 5.0f, "", ""},                             // unknown peak: the time alone
  };
  const Bytes c = Compound();
  for (const Case& k : cases) {
    Bytes s = Step(k.status);
    Set<float>(s, r::step::kExpectedRT, 5.0f);
    Set<float>(s, r::step::kRetentionTime, k.found);
    Set<uint32_t>(s, r::step::kResultCodes, k.codes);
    const auto row = Find(Render([&](CReportOutput* out) { RPTS_RowRetentionTime(out, s.data(), c.data(), 0); }),
                          "Retention Time");
    ASSERT_TRUE(row.found);
    EXPECT_EQ(row.required, k.required) << k.status << " " << k.found;
    EXPECT_EQ(row.status, k.status_) << k.status << " " << k.found;
    EXPECT_EQ(row.actual.substr(row.actual.size() - 5), " min.");
  }
}

TEST_F(CriteriaTables, AmountRowsBySampleAndCalculation) {
  Bytes c = Compound();
  Set<float>(c, r::compound::kMinimumAmount, 1.0f);
  std::strcpy(reinterpret_cast<char*>(&c[r::compound::kUnits]), "ng");
  Set<float>(c, r::compound::kLevelAmounts + r::compound::kLevelStride * 2, 8.0f);
  Bytes table(r::kGlobalTableSize, 0);
  Set<int16_t>(table, r::table::kVerificationTolerance, -150);  // taken absolute: 15 %
  Bytes s = Step(0);
  Set<float>(s, r::step::kAmount, 9.0f);
  auto rows = [&](const Bytes& header) {
    return Render([&](CReportOutput* out) {
      RPTS_RowAmount(out, header.data(), s.data(), c.data(), table.data(), 2, 0);
    });
  };
  // Calibration samples: the response factor of the calculation.
  EXPECT_EQ(Find(rows(Header(1, 4)), "Amount (RF)").actual, "9.00");
  EXPECT_TRUE(Find(rows(Header(1, 3)), "Amount (RRF)").found);
  EXPECT_FALSE(Find(rows(Header(2, 1)), "Amount").found);  // area percent has no amount row

  Bytes verification = Header(3, 3);
  Set<uint16_t>(verification, r::header::kLevel, 2);
  auto lines = rows(verification);
  auto amount = Find(lines, "Amount");
  EXPECT_EQ(amount.required, ">= 1.000 ng");
  EXPECT_EQ(amount.actual, "9.00 ng");
  EXPECT_EQ(amount.status, "Pass");
  auto deviation = Find(lines, "Verification Deviation");
  EXPECT_EQ(deviation.required, "+/- 15.00%");
  EXPECT_EQ(deviation.actual, "12.50%");
  EXPECT_EQ(deviation.status, "Pass");

  // A zero expected amount, or a level past the method's ten: no deviation.
  Set<float>(c, r::compound::kLevelAmounts + r::compound::kLevelStride * 2, 0.0f);
  deviation = Find(rows(verification), "Verification Deviation");
  EXPECT_EQ(deviation.actual, "N/A");
  EXPECT_EQ(deviation.status, "Fail");
  Set<uint16_t>(verification, r::header::kLevel, 40000);
  EXPECT_EQ(Find(rows(verification), "Verification Deviation").actual, "N/A");

  // A negative or imaginary result cannot be used.
  Set<uint32_t>(s, r::step::kResultCodes, 0x4);
  amount = Find(rows(Header(2, 3)), "Amount");
  EXPECT_EQ(amount.actual, "N/A");
  EXPECT_EQ(amount.status, "Fail");
  // A missing compound fails below its minimum.
  Set<uint32_t>(s, r::step::kResultCodes, 0);
  Set<int32_t>(s, r::step::kStatus, 1);
  Set<float>(s, r::step::kAmount, 0.5f);
  EXPECT_EQ(Find(rows(Header(2, 3)), "Amount").status, "Fail");
}

TEST_F(CriteriaTables, QualifierIonsCountedAndTheirLimits) {
  Bytes c = Compound();
  const uint32_t entry = r::compound::kQualifiers;
  Set<double>(c, entry + r::compound::kQualifierMass, 91.0);
  Set<int32_t>(c, entry + r::compound::kQualifierLower, 400);
  Set<int32_t>(c, entry + r::compound::kQualifierUpper, 600);
  Set<int32_t>(c, entry + r::compound::kQualifierRatio, 500);
  Bytes s = Step(0);
  Set<float>(s, r::step::kQualifierRatios, 0.55f);
  auto lines = Render([&](CReportOutput* out) { RPTS_RowQualIonRatios(out, nullptr, s.data(), c.data(), 0); });
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(report_text::Cut(lines[0], 2, 40), "Qual. Ion Ratio ( 1 ion )");
  EXPECT_EQ(report_text::Cut(lines[1], 23, 39), "m/z 91:50.0%");
  // The limits: the lower one ends where the dash stands.
  EXPECT_EQ(report_text::Cut(lines[1], 39, 54), "40.0%-60.0%");
  EXPECT_EQ(report_text::Cut(lines[1], 54, 65), "55.0%");
  EXPECT_EQ(report_text::Cut(lines[1], 65, 80), "Pass");
  // A lower limit of three digits too.
  Set<int32_t>(c, entry + r::compound::kQualifierLower, 1200);
  Set<int32_t>(c, entry + r::compound::kQualifierUpper, 1500);
  lines = Render([&](CReportOutput* out) { RPTS_RowQualIonRatios(out, nullptr, s.data(), c.data(), 0); });
  EXPECT_EQ(report_text::Cut(lines[1], 38, 54), "120.0%-150.0%");
  EXPECT_EQ(report_text::Cut(lines[1], 65, 80), "Fail");
  // Not measured: N/A and no status.
  Set<int32_t>(s, r::step::kStatus, 1);
  lines = Render([&](CReportOutput* out) { RPTS_RowQualIonRatios(out, nullptr, s.data(), c.data(), 0); });
  EXPECT_EQ(report_text::Cut(lines[1], 54, 120), "N/A");
  // No qualifier ions: nothing at all.
  Bytes none = Compound();
  lines = Render([&](CReportOutput* out) { RPTS_RowQualIonRatios(out, nullptr, s.data(), none.data(), 0); });
  for (const std::string& l : lines) EXPECT_EQ(report_text::Trim(l), "");
}

TEST_F(CriteriaTables, CalibrationEquationOnTwoLinesForACurve) {
  Bytes c = Compound();
  Set<int16_t>(c, r::compound::kFit, 1);
  Set<int16_t>(c, r::compound::kOrigin, 1);
  Set<float>(c, r::compound::kCoefficients + 0, 0.25f);
  Set<float>(c, r::compound::kCoefficients + 4, 12.5f);
  Set<float>(c, r::compound::kCoefficients + 8, 0.0005f);
  Bytes s = Step(0);
  auto lines = Render([&](CReportOutput* out) { RPTS_RowCalibEquation(out, s.data(), c.data(), 0); });
  const auto row = Find(lines, "Calibration Equation");
  EXPECT_EQ(row.required, "Quadratic, Include, N");  // a text report cuts it at the next column
  EXPECT_EQ(row.actual, "y =  +5.0000e-4x2");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(report_text::Cut(lines[1], 44, 120), "+12.5000x +0.2500");
  // No compound record: no row.
  lines = Render([&](CReportOutput* out) { RPTS_RowCalibEquation(out, s.data(), nullptr, 0); });
  EXPECT_FALSE(Find(lines, "Calibration Equation").found);
}

TEST_F(CriteriaTables, RelativeRetentionLabelIsText) {
  Bytes s = Step(0);
  Set<float>(s, r::step::kRelativeRT, 1.204f);
  Set<float>(s, r::step::kExpectedRRT, 1.2f);
  Bytes table(r::kGlobalTableSize, 0);
  auto row = [&] {
    return Find(Render([&](CReportOutput* out) { RPTS_RowRelativeRT(out, s.data(), table.data(), 0); }),
                "RRT % Tolerance");
  };
  EXPECT_FALSE(row().found);  // the method does not check it
  Set<uint32_t>(table, r::table::kRrtCheck, 1);
  Set<int32_t>(table, r::table::kRrtTolerance, 5);
  const auto r1 = row();
  ASSERT_TRUE(r1.found);
  EXPECT_EQ(r1.required, "1.200 +/- 0.005");
  EXPECT_EQ(r1.actual, "1.204");
  EXPECT_EQ(r1.status, "Pass");
}

TEST_F(CriteriaTables, LegendListsOnlyWhatWasUsed) {
  STRUCT_RPT_LEGEND empty;
  EXPECT_EQ(empty.codeValues[22], 0x400000u);
  auto lines = Render([&](CReportOutput* out) { RPTS_WriteLegend(&empty, out, 4); });
  for (const std::string& l : lines) EXPECT_EQ(report_text::Trim(l), "");

  STRUCT_RPT_LEGEND legend;
  Bytes s = Step(0);
  Set<uint16_t>(s, r::step::kPeakType, 0x201);
  Set<uint32_t>(s, r::step::kResultCodes, 0x80000 | 0x80);
  std::strcpy(reinterpret_cast<char*>(&s[r::step::kResultLetters]), "Z?");
  RPTS_LegendAddPeakTypes(&legend, s.data());
  RPTS_LegendAddErrorBits(&legend, s.data());
  RPTS_LegendAddStatusLetters(&legend, s.data());
  RPTS_NoteMatchType("H-R", legend.matchTypes);
  RPTS_NoteMatchType("h-r", legend.matchTypes);  // case counts
  EXPECT_EQ(legend.codeCounts[19], 2);           // by its bit and by its letter
  EXPECT_EQ(legend.codeCounts[7], 0);            // S is a peak type
  lines = Render([&](CReportOutput* out) { RPTS_WriteLegend(&legend, out, 4); });
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  for (const char* expected : {"Peak Types:", "RP : Reference Peak", "RRT : Relative Retention Peak", "Match Types:",
                               "H-R : Hybrid-Reverse", "Status and Errors:", "X : Error",
                               "Z : Ion Ratio failed. Check Qualifier parameters."})
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  EXPECT_EQ(text.find("S : Internal"), std::string::npos);
  EXPECT_EQ(text.find("Q-R"), std::string::npos);
}

TEST_F(CriteriaTables, LibraryRowsOnlyForLibraryPeaksAndNamesBounded) {
  Bytes table(r::kGlobalTableSize, 0);
  Bytes s = Step(4);  // an unknown peak: no library rows
  Set<int16_t>(s, r::step::kLibraryIndex, 0);
  Set<int32_t>(s, r::step::kFirstHitEntry, 77);
  auto lines = Render([&](CReportOutput* out) {
    RPTS_RowMatchLibrary(out, s.data(), 1, table.data(), nullptr, 0);
    RPTS_RowMatchEntry(out, s.data(), 1, nullptr, 0, 0);
  });
  EXPECT_FALSE(Find(lines, "1st Match Entry No.").found);
  Set<int32_t>(s, r::step::kStatus, 3);
  // A base column past 36 leaves no width, and nothing wraps.
  for (uint16_t column : {uint16_t(0), uint16_t(40)}) {
    lines = Render([&](CReportOutput* out) {
      RPTS_RowMatchLibrary(out, s.data(), 1, table.data(), nullptr, column);
      RPTS_RowMatchEntry(out, s.data(), 1, nullptr, 0, column);
      RPTS_RowMatchName(out, s.data(), 2, nullptr, column);  // no TIC peak: no row
    });
    const auto entry = Find(lines, "1st Match Entry No.", column);
    ASSERT_TRUE(entry.found) << column;
    EXPECT_EQ(entry.actual, "77");
    EXPECT_TRUE(Find(lines, "1st Match Library", column).found);
    EXPECT_FALSE(Find(lines, "2nd Match Name", column).found);
  }
}

}  // namespace
