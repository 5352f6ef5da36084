// Compound information, criteria tables and their legend.
#include "reportmakers/criteria_tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "common/number_format.h"
#include "common/report_fields.h"
#include "common/report_records.h"
#include "common/result_codes.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "holbrin/dh_records.h"
#include "quorna/ms_lists.h"
#include "quorna/quorna.h"
#include "reportpages/report_output.h"
#include "spectra/library_entry_texts.h"
#include "win/win_crt.h"

namespace {

namespace r = kelt::reports;
using win::crt::FormatString;

// The search-kind rows in table order (direction, letter).
struct KindRow {
  int16_t direction;
  char letter;
};
constexpr KindRow kKindRows[10] = {{0, 'Q'}, {0, 'S'}, {0, 'H'}, {0, 'L'}, {0, 'I'},
                                   {1, 'Q'}, {1, 'S'}, {1, 'H'}, {1, 'L'}, {1, 'I'}};

// The peak-type rows in table order.
constexpr uint16_t kPeakTypeBits[7] = {0x1, 0x2, 0x4, 0x8, 0x100, 0x200, 0x400};

// Result-code bits that are shown as peak types, never as error letters.
constexpr uint32_t kPeakTypeCodes = 0x1 | 0x80 | 0x100 | 0x400;
// Result-code bits of a result that was measured though it failed a test.
constexpr uint32_t kIonRatioFailed = 0x80000, kSignalToNoise = 0x200000, kRrtOut = 0x400000, kBelowReport = 0x8000;
constexpr uint32_t kNegativeResult = 0x4;

int32_t Status(const void* step) { return r::FieldAt<int32_t>(step, r::step::kStatus); }
bool IsTarget(int32_t status) { return status >= 0 && status <= 2; }
bool IsPeak(int32_t status) { return status >= 3 && status <= 5; }
uint32_t Codes(const void* step) { return r::FieldAt<uint32_t>(step, r::step::kResultCodes); }

int16_t Col(uint16_t column, int add) { return int16_t(int(column) + add); }

std::string Local(const std::string& text) { return kelt::numbers::LocalNumberText(text); }
std::string Fixed3(double v) { return Local(FormatString("%.3f", v)); }

// A bounded text field of a record.
std::string Text(const void* record, uint32_t offset, uint32_t size) {
  const char* p = r::TextAt(record, offset);
  return std::string(p, strnlen(p, size));
}

void At(CReportOutput* out, uint16_t column, int add, const std::string& text) {
  if (!text.empty()) out->TextAtColumn(Col(column, add), text.c_str());
}

// One row: the texts at their columns (empty ones left out), then the next line.
void Row(CReportOutput* out, uint16_t column, const char* parameter, const std::string& required,
         const std::string& actual, const std::string& status) {
  At(out, column, 2, parameter);
  At(out, column, 23, required);
  At(out, column, 44, actual);
  At(out, column, 65, status);
  out->NextLine();
}

const char* PassFail(bool pass) { return pass ? "Pass" : "Fail"; }

std::string ShortMatchType(const void* step, const void* table) { return r::MatchType(step, table, false); }

// A width of 36 - c that cannot wrap below 0.
uint16_t NameWidth(uint16_t column) { return column >= 36 ? 0 : uint16_t(36 - column); }

int16_t MassDecimals(const STRUCT_WORK_FILE* workFile) {
  if (!workFile) return 0;
  DH_FILE_TYPE_DESCRIPTOR d;
  std::memcpy(&d, workFile->typeDescriptor, sizeof d);
  return int16_t(d.massDecimals > 4 ? 4 : d.massDecimals);
}

int32_t TargetSteps(const void* header) {
  if (!header) return 0;
  return int32_t(r::FieldAt<int16_t>(header, 2251)) + r::FieldAt<int16_t>(header, 2253) +
         r::FieldAt<int16_t>(header, 2255);
}

// Goes to the next line, starting a page when past the last one; false when
// the new page failed.
bool NextLineOrPage(CReportOutput* out) {
  out->NextLine();
  if (out->Kind == REPORT_OUTPUT_PAGES && out->Line > out->LastLine) return out->NewPage() != 0;
  return out->Ok != 0;
}

void MatchRow(CReportOutput* out, const void* step, const void* table, STRUCT_RPT_LEGEND* legend, uint16_t column,
              int16_t direction) {
  const bool applies =
      r::HasMatchCriterion(step, table) && r::FieldAt<int16_t>(step, r::step::kDirection) == direction;
  std::string required, status;
  const float threshold = r::FieldAt<float>(step, r::step::kMatchThreshold);
  if (applies) {
    const std::string type = ShortMatchType(step, table);
    required = FormatString("%s >= %.0f", type.c_str(), double(threshold));
    if (legend) RPTS_NoteMatchType(type.c_str(), legend->matchTypes);
  }
  const uint32_t similarityAt = direction == 0 ? r::step::kForwardSimilarity : r::step::kReverseSimilarity;
  char actual[r::kCellTextSize];
  if (direction == 0)
    KELT_FormatSimilarity(step, actual, 1);
  else
    KELT_FormatReverseSimilarity(step, actual, 1);
  if (applies && !(Status(step) == 1 && r::FieldAt<int32_t>(step, similarityAt) == -1))
    status = PassFail(!(r::FieldAt<float>(step, r::step::kMatchValue) < threshold));
  Row(out, column, direction == 0 ? "Forward Match" : "Reverse Match", required, actual, status);
}

void SizeRow(CReportOutput* out, const void* step, const void* compound, const void* table, uint16_t column,
             bool area) {
  const int32_t status = Status(step);
  bool hasMinimum = false;
  double minimum = 0;
  if (IsTarget(status) && compound) {
    hasMinimum = true;
    minimum = r::FieldAt<float>(compound, r::compound::kMinimumSize);
  } else if (IsPeak(status) && table) {
    hasMinimum = true;
    minimum = r::FieldAt<float>(table, r::table::kUnknownMinimumSize);
  }
  const bool measured =
      table && r::FieldAt<int16_t>(table, r::table::kPeakSizeMeasure) == (area ? 1 : 2) && hasMinimum;
  const double value = r::FieldAt<float>(step, area ? r::step::kArea : r::step::kHeight);
  char text[r::kCellTextSize];
  std::string required, status_;
  if (measured) required = std::string(">=") + KELT_FormatAreaOrHeight(0, minimum, text);
  const std::string actual = KELT_FormatAreaOrHeight(0, value, text);
  if (measured) status_ = PassFail(value >= minimum);
  Row(out, column, area ? "Area" : "Height", required, actual, status_);
}

std::string SkipBlanks(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

// The hit record of TIC peak hits 2 and 3, given back when it goes.
struct HitRecord {
  HitRecord(const void* step, int16_t hit, const char* dataFile) {
    const int16_t peak = r::FieldAt<int16_t>(step, r::step::kTicPeak);
    if (peak != -1 && dataFile) record = RPTS_ReadTICHitRecord(dataFile, peak, int16_t(hit - 1));
  }
  ~HitRecord() { RPTS_FreeTICHitRecord(record); }
  HitRecord(const HitRecord&) = delete;
  HitRecord& operator=(const HitRecord&) = delete;
  void* record = nullptr;
};

const char* Ordinal(int16_t hit) { return hit == 1 ? "1st" : hit == 2 ? "2nd" : "3rd"; }

}  // namespace

STRUCT_RPT_LEGEND::STRUCT_RPT_LEGEND() : peakTypes(0), matchTypes{}, codeCounts{}, anyCode(0), errorBits(0), statusBits(0) {
  for (int i = 0; i < 23; ++i) codeValues[i] = 1u << i;
}

void RPTS_WriteSectionTitle(CReportOutput* out, uint16_t column, int16_t underline, const char* title) {
  if (!out || !title) return;
  if (out->Kind == REPORT_OUTPUT_PAGES) {
    if (!out->Ok || !out->Page) return;
    if (out->Line + 2 > out->LastLine && !out->NewPage()) return;
    const int16_t x = out->Page->ColumnToX(int16_t(column));
    const int16_t y1 = out->Page->LineToY(out->Line), y2 = out->Page->LineToY(int16_t(out->Line + 1));
    out->Line = int16_t(out->Line + 2);
    if (underline)
      out->SelectUNormalFont();
    else
      out->SelectNormalFont();
    out->Page->XYTextOut(x, int16_t(y1 + (y2 - y1) / 2), title);
    return;
  }
  if (out->Kind == REPORT_OUTPUT_TEXT) {
    const std::string dashes(39, '-');
    out->TextAtColumn(int16_t(column), dashes.c_str());
    out->NextLine();
    out->TextAtColumn(int16_t(column), title);
    out->NextLine();
    out->TextAtColumn(int16_t(column), dashes.c_str());
    out->NextLine();
  }
}

void RPTS_WriteCompoundInfo(CReportOutput* out, const void* header, int16_t index, const void* step, uint16_t column) {
  if (!out || !step) return;
  RPTS_WriteSectionTitle(out, column, 1, "Compound Information");
  out->SelectNormalFont();
  At(out, column, 2, "Peak Name:");
  At(out, column, 17, Text(step, r::step::kName, r::step::kNameSize));
  out->NextLine();
  At(out, column, 2, "Result Index:");
  At(out, column, 17, FormatString("%d", index + 1));
  const int32_t status = Status(step);
  if (IsTarget(status))
    At(out, column, 23, FormatString("Compound Number: %d", r::FieldAt<int16_t>(step, r::step::kCompoundIndex) + 1));
  else
    At(out, column, 23, FormatString("Peak Number: %d", index + 1 - TargetSteps(header)));
  char cas[64] = {};
  FormatCASNumber(r::FieldAt<uint32_t>(step, r::step::kCasNumber), cas);
  At(out, column, 44, std::string("CAS Number: ") + cas);
  char name[32] = {};
  At(out, column, 65, RPTS_FmtStatus(int16_t(status), name));
  out->NextLine();
}

void RPTS_WriteCriteriaHeader(CReportOutput* out, int16_t section, uint16_t column) {
  if (!out) return;
  if (section == 1) RPTS_WriteSectionTitle(out, column, 1, "Identification");
  if (section == 2) RPTS_WriteSectionTitle(out, column, 1, "Integration and Quantitation");
  out->SelectUNormalFont();
  Row(out, column, "Parameter", "Required", "Actual", "Status");
}

void RPTS_RowSearchType(CReportOutput* out, const void* step, const void* table, uint16_t column) {
  if (!out || !step) return;
  Row(out, column, "Search Type", r::SearchType(step, table, true), "", "");
}

void RPTS_RowRetentionTime(CReportOutput* out, const void* step, const void* compound, uint16_t column) {
  if (!out || !step) return;
  const int32_t status = Status(step);
  const double found = r::FieldAt<float>(step, r::step::kRetentionTime);
  std::string required, result;
  if (IsTarget(status)) {
    const double expected = r::FieldAt<float>(step, r::step::kExpectedRT);
    const double tolerance = compound ? r::FieldAt<int32_t>(compound, r::compound::kRtTolerance) / 1000.0 : 0.0;
    required = Fixed3(expected) + " +/- " + Fixed3(tolerance);
    const bool inside = expected - tolerance <= found && found <= expected + tolerance;
    const bool measured = status == 0 || (Codes(step) & (kIonRatioFailed | kSignalToNoise | kRrtOut | kBelowReport));
    result = PassFail(inside && measured);
  }
  Row(out, column, "Retention Time", required, Fixed3(found) + " min.", result);
}

void RPTS_RowRelativeRT(CReportOutput* out, const void* step, const void* table, uint16_t column) {
  if (!out || !step || !table) return;
  const double measured = r::FieldAt<float>(step, r::step::kRelativeRT);
  if (!(measured > 0) || !r::FieldAt<uint32_t>(table, r::table::kRrtCheck)) return;
  const int32_t toleranceThousandths = r::FieldAt<int32_t>(table, r::table::kRrtTolerance);
  const double tolerance = toleranceThousandths / 1000.0;
  const double expected = r::FieldAt<float>(step, r::step::kExpectedRRT);
  std::string required, status;
  if (toleranceThousandths >= 1 && expected > 0)
    required = Fixed3(expected) + " +/- " + Fixed3(tolerance);
  if (toleranceThousandths > 0 && expected > 0)
    status = PassFail(expected - tolerance <= measured && measured <= expected + tolerance);
  // The label holds a lone "%": it is only ever copied as text.
  Row(out, column, "RRT % Tolerance", required, Fixed3(measured), status);
}

void RPTS_RowMatchResult(CReportOutput* out, const void* step, const void* table, STRUCT_RPT_LEGEND* legend,
                         uint16_t column) {
  if (!out || !step) return;
  const bool applies = r::HasMatchCriterion(step, table);
  std::string required, actual = "N/A", status;
  if (applies) {
    const std::string type = ShortMatchType(step, table);
    if (legend) RPTS_NoteMatchType(type.c_str(), legend->matchTypes);
    const float threshold = r::FieldAt<float>(step, r::step::kMatchThreshold);
    required = FormatString("%s >= %.0f", type.c_str(), double(threshold));
    char text[r::kCellTextSize];
    actual = KELT_FormatMatchValue(step, text, 1);
    status = PassFail(!(r::FieldAt<float>(step, r::step::kMatchValue) < threshold));
  }
  Row(out, column, "Match Result", required, actual, status);
}

void RPTS_RowForwardMatch(CReportOutput* out, const void* step, const void* table, STRUCT_RPT_LEGEND* legend,
                          uint16_t column) {
  if (out && step) MatchRow(out, step, table, legend, column, 0);
}

void RPTS_RowReverseMatch(CReportOutput* out, const void* step, const void* table, STRUCT_RPT_LEGEND* legend,
                          uint16_t column) {
  if (out && step) MatchRow(out, step, table, legend, column, 1);
}

void RPTS_RowHitProbability(CReportOutput* out, const void* step, const void*, uint16_t column) {
  if (!out || !step) return;
  char text[r::kCellTextSize];
  Row(out, column, "Hit Probability", "", KELT_FormatHitProbability(step, text, 1), "");
}

void RPTS_RowInLibraryProbability(CReportOutput* out, const void* step, const void*, uint16_t column) {
  if (!out || !step) return;
  char text[r::kCellTextSize];
  Row(out, column, "In Library Probability", "", KELT_FormatInLibraryProbability(step, text, 1), "");
}

void RPTS_RowRFUsed(CReportOutput* out, const void* step, const void* table, uint16_t column) {
  if (!out || !step) return;
  Row(out, column, "RF Used", r::RfUsed(table, step, false), "", "");
}

void RPTS_RowQualIonRatios(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* step,
                           const void* compound, uint16_t column) {
  if (!out || !step || !compound) return;
  int count = 0;
  while (count < 5 &&
         r::FieldAt<double>(compound, r::compound::kQualifiers + r::compound::kQualifierSize * uint32_t(count) +
                                          r::compound::kQualifierMass) != 0.0)
    ++count;
  if (!count) return;
  At(out, column, 2, FormatString("Qual. Ion Ratio ( %d ion%s )", count, count == 1 ? "" : "s"));
  out->NextLine();
  const int32_t status = Status(step);
  const bool measured =
      status == 0 || status == 2 || (Codes(step) & (kIonRatioFailed | kSignalToNoise | kRrtOut)) != 0;
  const int16_t decimals = MassDecimals(workFile);
  for (int i = 0; i < count; ++i) {
    const uint32_t entry = r::compound::kQualifiers + r::compound::kQualifierSize * uint32_t(i);
    const double mass = r::FieldAt<double>(compound, entry + r::compound::kQualifierMass);
    const double lower = r::FieldAt<int32_t>(compound, entry + r::compound::kQualifierLower) / 10.0;
    const double upper = r::FieldAt<int32_t>(compound, entry + r::compound::kQualifierUpper) / 10.0;
    const double expected = r::FieldAt<int32_t>(compound, entry + r::compound::kQualifierRatio) / 10.0;
    const std::string massText = FormatString(FormatString("%%.%df", decimals).c_str(), mass);
    At(out, column, 23, FormatString("%s %s:%.1f%%", "m/z", massText.c_str(), expected));
    // The lower limit ends before the dash at c+44: a text of five
    // characters or more starts left of c+40 rather than run under it.
    const std::string lowerText = FormatString("%.1f%%", lower);
    At(out, column, std::min(40, 44 - int(lowerText.size())), lowerText);
    At(out, column, 44, "-");
    At(out, column, 45, FormatString("%.1f%%", upper));
    if (measured) {
      const double ratio = r::FieldAt<float>(step, r::step::kQualifierRatios + 4 * uint32_t(i)) * 100.0;
      At(out, column, 54, FormatString("%.1f%%", ratio));
      At(out, column, 65, PassFail(lower <= ratio && ratio <= upper));
    } else {
      At(out, column, 54, "N/A");
    }
    out->NextLine();
  }
}

void RPTS_RowQuanIons(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* step, uint16_t column) {
  if (!out || !step) return;
  STRUCT_MASS_LIST list;
  std::memcpy(&list, static_cast<const uint8_t*>(step) + r::step::kMassList, sizeof list);
  char text[512] = {};
  if (!FormatMassListText(text, &list, MassDecimals(workFile))) text[0] = 0;
  text[sizeof text - 1] = 0;
  Row(out, column, "Quan Ions", text, "", "");
}

void RPTS_RowISPeakName(CReportOutput* out, const void* standardStep, uint16_t column) {
  if (!out || !standardStep) return;
  Row(out, column, "IS Peak Name", Text(standardStep, r::step::kName, r::step::kNameSize), "", "");
}

void RPTS_RowCalibEquation(CReportOutput* out, const void*, const void* compound, uint16_t column) {
  if (!out || !compound) return;
  At(out, column, 2, "Calibration Equation");
  At(out, column, 23, r::CalibFitType(compound));
  std::string c, x, x2, x3;
  if (r::CalibEquation(compound, c, x, x2, x3)) {
    if (!x3.empty() || !x2.empty()) {
      At(out, column, 44, "y = " + x3 + x2);
      if (!x.empty() || !c.empty()) {
        if (!NextLineOrPage(out)) return;
        At(out, column, 44, x + c);
      }
    } else {
      At(out, column, 44, "y = " + x + c);
    }
  }
  out->NextLine();
}

void RPTS_RowArea(CReportOutput* out, const void* step, const void* compound, const void* table, uint16_t column) {
  if (out && step) SizeRow(out, step, compound, table, column, true);
}

void RPTS_RowHeight(CReportOutput* out, const void* step, const void* compound, const void* table, uint16_t column) {
  if (out && step) SizeRow(out, step, compound, table, column, false);
}

void RPTS_RowAmount(CReportOutput* out, const void* header, const void* step, const void* compound, const void* table,
                    uint16_t amountDecimals, uint16_t column) {
  if (!out || !header || !step) return;
  const int16_t sampleType = r::FieldAt<int16_t>(header, r::header::kSampleType);
  const int16_t calculation = r::FieldAt<int16_t>(header, r::header::kCalculationType);
  const int32_t status = Status(step);
  const bool usable = !(Codes(step) & kNegativeResult);
  const double amount = r::FieldAt<float>(step, r::step::kAmount);
  const std::string units = Text(step, r::step::kUnits, r::step::kUnitsSize);
  char text[r::kCellTextSize];
  const int16_t decimals = int16_t(amountDecimals > 10 ? 10 : amountDecimals);

  if (sampleType == 1) {
    const char* label = calculation == 4 ? "Amount (RF)" : "Amount (RRF)";
    Row(out, column, label, "", SkipBlanks(KELT_FormatResultAmount(12, decimals, amount, units.c_str(), text)), "");
  }
  if ((calculation == 3 || calculation == 4) && (sampleType == 2 || sampleType == 3)) {
    std::string required, actual, result;
    const double minimum = compound ? r::FieldAt<float>(compound, r::compound::kMinimumAmount) : 0.0;
    if (IsTarget(status) && compound)
      required =
          ">= " + Fixed3(minimum) + " " + Text(compound, r::compound::kUnits, r::compound::kUnitsSize);
    if (usable) {
      actual = SkipBlanks(KELT_FormatResultAmount(0, decimals, amount, units.c_str(), text)) + " " + units;
      if (status == 0 || status == 2)
        result = PassFail(r::FieldAt<uint16_t>(step, r::step::kRawResults) == 0);
      else if (status == 1 && amount < minimum)
        result = "Fail";
    } else {
      actual = "N/A";
      result = "Fail";
    }
    Row(out, column, "Amount", required, actual, result);
  }
  if (sampleType == 3 && IsTarget(status)) {
    const double tolerance =
        table ? std::fabs(r::FieldAt<int16_t>(table, r::table::kVerificationTolerance) / 10.0) : 0.0;
    const std::string required = FormatString("+/- %.2f%%", tolerance);
    std::string actual = "N/A", result = "Fail";
    const uint16_t level = r::FieldAt<uint16_t>(header, r::header::kLevel);
    // A level outside the method's ten, or a zero expected amount, gives
    // no deviation rather than reading past the levels or dividing by 0.
    if (usable && compound && level < r::compound::kLevels) {
      const double expected =
          r::FieldAt<float>(compound, r::compound::kLevelAmounts + r::compound::kLevelStride * level);
      if (expected != 0.0 && std::isfinite(expected)) {
        const double deviation = std::fabs((amount - expected) / expected * 100.0);
        actual = SkipBlanks(KELT_FormatResultAmount(0, 2, deviation, "", text)) + "%";
        result = PassFail(deviation <= tolerance);
      }
    }
    Row(out, column, "Verification Deviation", required, actual, result);
  }
}

void RPTS_RowStatus(CReportOutput* out, const void* step, uint16_t column) {
  if (!out || !step) return;
  const std::string letters = Text(step, r::step::kResultLetters, r::step::kResultLettersSize);
  const bool error = Codes(step) != 0;
  Row(out, column, "Status", "", error ? "X " + letters : letters, error ? "Error" : "Pass");
}

void RPTS_RowPeakWidth(CReportOutput* out, const void* step, const void* compound, uint16_t column) {
  if (!out || !step) return;
  std::string required;
  if (IsTarget(Status(step)) && compound)
    required =
        Local(FormatString("%.1f", r::FieldAt<int32_t>(compound, r::compound::kExpectedWidth) / 10.0)) + " sec";
  const double width = r::FieldAt<float>(step, r::step::kWidth);
  Row(out, column, "Peak Width", required, width != 0.0 ? FormatString("%.1f", width) + " sec" : "N/A", "");
}

void RPTS_RowSlopeSensitivity(CReportOutput* out, const void* compound, uint16_t column) {
  if (!out || !compound) return;
  Row(out, column, "Slope Sensitivity",
      FormatString("%d", int32_t(r::FieldAt<uint32_t>(compound, r::compound::kSlopeSensitivity))), "", "");
}

void RPTS_RowTangentPercent(CReportOutput* out, const void* compound, uint16_t column) {
  if (!out || !compound) return;
  Row(out, column, "Tangent Percent",
      FormatString("%d%%", int32_t(r::FieldAt<uint32_t>(compound, r::compound::kTangentPercent))), "", "");
}

void RPTS_RowSNReject(CReportOutput* out, const void* step, const void* compound, const void* table, uint16_t column) {
  if (!out || !step) return;
  const bool on = table && r::FieldAt<uint32_t>(table, r::table::kSignalToNoiseReject) != 0;
  const int16_t threshold = compound ? r::FieldAt<int16_t>(compound, r::compound::kSignalToNoiseThreshold) : 0;
  const double sn = r::FieldAt<float>(step, r::step::kSignalToNoise);
  std::string required, status;
  if (on) {
    required = FormatString("%d", threshold);
    status = PassFail(threshold <= sn);
  }
  Row(out, column, "S/N Reject", required, KELT_IsNearlyEqual(sn, 0.0) ? "---" : FormatString("%.0f", sn),
      status);
}

void RPTS_RowMatchLibrary(CReportOutput* out, const void* step, int16_t hit, const void* table, const char* dataFile,
                          uint16_t column) {
  if (!out || !step) return;
  const int32_t status = Status(step);
  if (status != 3 && status != 5) return;
  const uint16_t width = NameWidth(column);
  if (hit == 1) {
    const int16_t library = r::FieldAt<int16_t>(step, r::step::kLibraryIndex);
    if (library == -1) return;
    Row(out, column, "1st Match Library", "", r::LibraryName(table, library, width), "");
  } else if (hit == 2 || hit == 3) {
    HitRecord h(step, hit, dataFile);
    if (!h.record) return;
    char text[r::kCellTextSize];
    const std::string label = std::string(Ordinal(hit)) + " Match Library";
    Row(out, column, label.c_str(), "", RPTS_FmtHitLibraryName(h.record, text, width), "");
  }
}

void RPTS_RowMatchName(CReportOutput* out, const void* step, int16_t hit, const char* dataFile, uint16_t column) {
  if (!out || !step || (hit != 2 && hit != 3)) return;
  const int32_t status = Status(step);
  if (status != 3 && status != 5) return;
  HitRecord h(step, hit, dataFile);
  if (!h.record) return;
  std::string name = Text(h.record, 40, 300);
  name = name.substr(0, NameWidth(column));
  const std::string label = std::string(Ordinal(hit)) + " Match Name";
  Row(out, column, label.c_str(), "", name, "");
}

void RPTS_RowMatchEntry(CReportOutput* out, const void* step, int16_t hit, const char* dataFile, uint16_t,
                        uint16_t column) {
  if (!out || !step) return;
  const int32_t status = Status(step);
  if (status != 3 && status != 5) return;
  if (hit == 1) {
    const int32_t entry = r::FieldAt<int32_t>(step, r::step::kFirstHitEntry);
    if (r::FieldAt<int16_t>(step, r::step::kLibraryIndex) == -1 || entry == -1) return;
    Row(out, column, "1st Match Entry No.", "", FormatString("%d", entry), "");
  } else if (hit == 2 || hit == 3) {
    HitRecord h(step, hit, dataFile);
    if (!h.record) return;
    // The entry number of a hit record (u32 at 427, as the engine stores it).
    const std::string label = std::string(Ordinal(hit)) + " Match Entry No.";
    Row(out, column, label.c_str(), "", FormatString("%d", r::FieldAt<int32_t>(h.record, 427)), "");
  }
}

void RPTS_LegendAddPeakTypes(STRUCT_RPT_LEGEND* legend, const void* step) {
  if (legend && step) legend->peakTypes = uint16_t(legend->peakTypes | r::FieldAt<uint16_t>(step, r::step::kPeakType));
}

void RPTS_LegendAddErrorBits(STRUCT_RPT_LEGEND* legend, const void* step) {
  if (!legend || !step) return;
  const uint32_t codes = Codes(step);
  if (!codes) return;
  legend->errorBits |= codes;
  for (int i = 0; i < 23; ++i) {
    const uint32_t bit = 1u << i;
    if ((codes & bit) && !(bit & kPeakTypeCodes)) ++legend->codeCounts[i];
  }
  legend->anyCode = 1;
}

void RPTS_LegendAddStatusLetters(STRUCT_RPT_LEGEND* legend, const void* step) {
  if (!legend || !step) return;
  legend->statusBits |= Codes(step);
  const std::string letters = Text(step, r::step::kResultLetters, r::step::kResultLettersSize);
  for (char c : letters) {
    const uint32_t bit = ResultCode_FlagFromChar(&c);
    if (!bit || bit == 65535u) continue;
    for (int i = 0; i < 23; ++i)
      if (bit == (1u << i)) {
        ++legend->codeCounts[i];
        legend->anyCode = 1;
      }
  }
}

void RPTS_LegendAddMatchType(STRUCT_RPT_LEGEND* legend, const void* step, const void* table) {
  if (!legend || !step) return;
  RPTS_NoteMatchType(ShortMatchType(step, table).c_str(), legend->matchTypes);
}

void RPTS_NoteMatchType(const char* text, uint16_t* flags) {
  if (!text || !flags) return;
  for (int i = 0; i < 10; ++i) {
    char shortText[32] = {};
    if (KELT_FormatNISTSearchType(kKindRows[i].direction, uint32_t(uint8_t(kKindRows[i].letter)), shortText, 0) &&
        std::strcmp(shortText, text) == 0)
      flags[i] = 1;
  }
}

void RPTS_WriteLegend(STRUCT_RPT_LEGEND* legend, CReportOutput* out, uint16_t column) {
  if (!legend || !out || !out->Ok) return;
  bool anyMatch = false;
  for (uint16_t f : legend->matchTypes) anyMatch = anyMatch || f;
  bool anyPeakType = false;
  for (uint16_t bit : kPeakTypeBits) anyPeakType = anyPeakType || (legend->peakTypes & bit);
  const bool codes = legend->errorBits || legend->anyCode || legend->statusBits;
  if (!anyPeakType && !anyMatch && !codes) return;
  out->NextLine();
  if (out->Kind == REPORT_OUTPUT_PAGES) out->SelectSmallFont();
  auto line = [&](int add, const std::string& text) {
    out->QuotedTextAtColumn(Col(column, add), text.c_str());
    out->NextLine();
  };
  if (anyPeakType) {
    line(0, "Peak Types:");
    for (uint16_t bit : kPeakTypeBits) {
      if (!(legend->peakTypes & bit)) continue;
      const std::string code = r::PeakType(int16_t(bit), 1), name = r::PeakType(int16_t(bit), 3);
      line(18, code + " : " + name);
    }
  }
  if (anyMatch) {
    line(0, "Match Types:");
    for (int i = 0; i < 10; ++i) {
      if (!legend->matchTypes[i]) continue;
      char shortText[32] = {}, longText[64] = {};
      const uint32_t letter = uint32_t(uint8_t(kKindRows[i].letter));
      KELT_FormatNISTSearchType(kKindRows[i].direction, letter, shortText, 0);
      KELT_FormatNISTSearchType(kKindRows[i].direction, letter, longText, 1);
      line(18, std::string(shortText) + " : " + longText);
    }
  }
  if (codes) {
    line(0, "Status and Errors:");
    if (legend->statusBits) line(18, "X : Error");
    for (int i = 0; i < 23; ++i)
      if (legend->codeCounts[i]) line(18, ResultCode_StringFromFlag(legend->codeValues[i]));
  }
}

namespace {

void TargetRowsToEquation(CReportOutput* out, const void* header, int16_t index, const void* step,
                          const void* standardStep, const void* compound, const void* table,
                          const STRUCT_WORK_FILE* workFile, uint16_t column, STRUCT_RPT_LEGEND& legend) {
  RPTS_WriteCompoundInfo(out, header, index, step, column);
  RPTS_WriteCriteriaHeader(out, 1, column);
  out->SelectNormalFont();
  RPTS_RowSearchType(out, step, table, column);
  RPTS_RowRetentionTime(out, step, compound, column);
  RPTS_RowMatchResult(out, step, table, &legend, column);
  RPTS_RowQualIonRatios(out, workFile, step, compound, column);
  RPTS_WriteCriteriaHeader(out, 2, column);
  out->SelectNormalFont();
  RPTS_RowQuanIons(out, workFile, step, column);
  if (standardStep) RPTS_RowISPeakName(out, standardStep, column);
  RPTS_RowCalibEquation(out, step, compound, column);
}

}  // namespace

void RPTS_WriteTargetCriteria(CReportOutput* out, const void* header, int16_t index, const void* step,
                              const void* standardStep, const void* compound, const void* table,
                              const STRUCT_WORK_FILE* workFile, uint16_t amountDecimals, uint16_t column) {
  if (!out || !header || !step) return;
  STRUCT_RPT_LEGEND legend;
  TargetRowsToEquation(out, header, index, step, standardStep, compound, table, workFile, column, legend);
  RPTS_RowArea(out, step, compound, table, column);
  RPTS_RowHeight(out, step, compound, table, column);
  RPTS_RowAmount(out, header, step, compound, table, amountDecimals, column);
  RPTS_WriteLegend(&legend, out, column);
}

void RPTS_WriteTargetCriteriaFull(CReportOutput* out, const void* header, int16_t index, const void* step,
                                  const void* standardStep, const void* compound, const void* table,
                                  const STRUCT_WORK_FILE* workFile, uint16_t amountDecimals, uint16_t column) {
  if (!out || !header || !step) return;
  STRUCT_RPT_LEGEND legend;
  TargetRowsToEquation(out, header, index, step, standardStep, compound, table, workFile, column, legend);
  RPTS_RowSNReject(out, step, compound, table, column);
  RPTS_RowSlopeSensitivity(out, compound, column);
  RPTS_RowPeakWidth(out, step, compound, column);
  RPTS_RowTangentPercent(out, compound, column);
  RPTS_RowArea(out, step, compound, table, column);
  RPTS_RowHeight(out, step, compound, table, column);
  RPTS_RowAmount(out, header, step, compound, table, amountDecimals, column);
  RPTS_LegendAddStatusLetters(&legend, step);
  RPTS_RowStatus(out, step, column);
  RPTS_WriteLegend(&legend, out, column);
}

void RPTS_WriteUnknownCriteria(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* header,
                               uint16_t index, const void* step, const void* table, uint16_t amountDecimals,
                               uint16_t column) {
  if (!out || !header || !step) return;
  STRUCT_RPT_LEGEND legend;
  const char* dataFile = workFile ? workFile->filePath : nullptr;
  RPTS_WriteCompoundInfo(out, header, int16_t(index), step, column);
  RPTS_WriteCriteriaHeader(out, 1, column);
  out->SelectNormalFont();
  RPTS_RowSearchType(out, step, table, column);
  RPTS_RowRetentionTime(out, step, nullptr, column);
  for (int16_t hit = 1; hit <= 3; ++hit) {
    RPTS_RowMatchLibrary(out, step, hit, table, dataFile, column);
    RPTS_RowMatchEntry(out, step, hit, dataFile, 0, column);
  }
  RPTS_RowForwardMatch(out, step, table, &legend, column);
  RPTS_RowReverseMatch(out, step, table, &legend, column);
  RPTS_WriteCriteriaHeader(out, 2, column);
  out->SelectNormalFont();
  RPTS_RowQuanIons(out, workFile, step, column);
  RPTS_RowRFUsed(out, step, table, column);
  RPTS_RowArea(out, step, nullptr, table, column);
  RPTS_RowHeight(out, step, nullptr, table, column);
  RPTS_RowAmount(out, header, step, nullptr, table, amountDecimals, column);
  RPTS_WriteLegend(&legend, out, column);
}
