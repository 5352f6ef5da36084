// The target, unidentified and ion-ratio pages of a compound report, and
// the compound detail table they print.
#include "reportmakers/compound_pages.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/report_fields.h"
#include "common/report_records.h"
#include "common/result_codes.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "quorna/ms_lists.h"
#include "quorna/quorna.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/data_file_info.h"
#include "reportmakers/report_makers.h"
#include "reportmakers/result_tables.h"
#include "reportmakers/table_cells.h"
#include "reportpages/report_output.h"
#include "spectra/library_entry_texts.h"
#include "win/win_crt.h"

namespace {

namespace r = kelt::reports;
using kelt::reports::cells::Fmt;
using kelt::reports::cells::Local;
using kelt::reports::cells::Text;

constexpr uint32_t kQualifierRecordSize = 1302, kQualifierIonCount = 12;
constexpr uint32_t kStepTimeStamp = 102, kStepCalibrationTime = 106, kStepScan = 122, kStepStandardTime = 138;
constexpr uint32_t kStepStandardArea = 170, kStepStandardHeight = 174, kStepStandardAmount = 178;
constexpr uint32_t kStepBaselineCode = 186, kStepGroup = 51, kStepUserTraces = 1131;
constexpr uint32_t kHeaderTraceCount = 2277, kHeaderTraceLabels = 2279;
constexpr uint32_t kColumnIds = 2, kColumnCount = 124, kMaxIds = 61;
// Compound report definition fields.
constexpr uint32_t kTargetStyle = 173, kTargetSet = 175, kTargetSegment = 561, kTargetPanel = 563;
constexpr uint32_t kUnknownStyle = 575, kUnknownSet = 577, kUnknownSegment = 963, kUnknownPanelSearch = 965,
                   kUnknownPanel = 977;
constexpr int16_t kLeft = 2, kRight = 78;

int32_t Status(const void* step) { return r::FieldAt<int32_t>(step, r::step::kStatus); }
bool IsTargetStep(const void* step) { return Status(step) >= 0 && Status(step) <= 2; }
bool OwnStandard(const void* step) { return (r::FieldAt<uint16_t>(step, r::step::kPeakType) & 0x100) != 0; }

std::string DateText(int32_t stamp) {
  char date[64] = {}, time[64] = {};
  const time32_t t = stamp;
  if (!KELT_FormatDateTimeFromLong(&t, date, time)) return {};
  return Fmt("%s %s", date, time);
}

std::string Minutes(double v) { return Local(Fmt("%.3f", v)) + " min."; }

// The label and value of user trace k.
void UserTraceRow(const STRUCT_WORK_FILE* wf, const void* header, const void* step, int k, uint16_t id,
                  std::string* label, std::string* value) {
  // The traces the file holds and the results have labels for.
  int count = wf ? std::clamp<int>(wf->msInfo.extraColumnCount, 0, 20) : 0;
  count = header ? std::min<int>(count, std::max<int>(0, r::FieldAt<int16_t>(header, kHeaderTraceCount))) : 0;
  const std::string stored = header ? Text(header, kHeaderTraceLabels + 14 * uint32_t(k), 14) : "";
  if (k < count && !stored.empty()) {
    *label = stored.substr(0, std::min(stored.find('('), size_t(14)));
  } else if (k == 0) {
    *label = "User Trace 1";
  } else {
    const r::ReportColumn* c = r::FindReportColumn(id);
    *label = c ? std::string(c->title1) + " " + c->title2 : Fmt("User Trace %d", k + 1);
  }
  if (k >= count) {
    *value = "N/A";
    return;
  }
  // The unit between "(" and ")"; the results keep 13 characters of a
  // label, so a unit cut short runs to the label's end.
  std::string unit;
  const size_t open = stored.find('(');
  if (open != std::string::npos) unit = stored.substr(open + 1, stored.find(')', open) - open - 1);
  const double v = r::FieldAt<double>(step, kStepUserTraces + 8 * uint32_t(k));
  std::string lower = stored;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  // A damaged value that is no whole number of microseconds prints as it is.
  if (lower.rfind("ion time(usec", 0) == 0 && std::isfinite(v) && std::fabs(v) < 1e15)
    *value = Fmt("%ld %s", long(v), unit.c_str());
  else
    *value = Fmt("%.4f %s", v, unit.c_str());
}

}  // namespace

int32_t RPTS_WriteCompoundDetailTable(CReportOutput* out, STRUCT_WORK_FILE* wf, const void* columnSet,
                                      const void* step, const void* standard, const void* header,
                                      const void* compound, const void* table, uint16_t stepIndex,
                                      int16_t amountFormat, int16_t left) {
  try {
    if (!out || !out->Ok || !columnSet || !step) return 0;
    const bool target = IsTargetStep(step);
    if (target && !compound) return 0;
    const bool pages = out->Kind == REPORT_OUTPUT_PAGES;
    // The identifiers that fit the step (pages); a text file takes them all.
    std::vector<uint16_t> ids;
    const int stored = std::min<int>(r::FieldAt<uint16_t>(columnSet, kColumnCount), int(kMaxIds));
    for (int i = 0; i < stored; ++i) {
      const uint16_t id = r::FieldAt<uint16_t>(columnSet, kColumnIds + 2 * uint32_t(i));
      if (pages) {
        const r::ReportColumn* c = r::FindReportColumn(id);
        if (!c || c->use > 2 || c->use == (target ? 2 : 1)) continue;
      }
      ids.push_back(id);
    }
    const char* dataFile = wf ? wf->filePath : "";
    const uint16_t column = uint16_t(std::max<int16_t>(left, 0));
    const int16_t decimals = r::cells::AmountDecimals(amountFormat);
    const int32_t targetSteps =
        header ? r::FieldAt<int16_t>(header, r::header::kCountOfKind[0]) +
                     r::FieldAt<int16_t>(header, r::header::kCountOfKind[1]) +
                     r::FieldAt<int16_t>(header, r::header::kCountOfKind[2])
               : 0;
    const int16_t standardNumber = r::FieldAt<int16_t>(step, r::step::kStandardNumber);
    STRUCT_RPT_LEGEND legend;
    bool headingDue = true;
    for (size_t n = 0; n < ids.size(); ++n) {
      const uint16_t id = ids[n];
      if (id == 47 || id == 49) continue;
      if (pages && out->Line + (n == 0 ? 2 : 1) > out->LastLine) {
        if (!out->NewPage()) return 0;
        headingDue = true;
      }
      if (headingDue) {
        out->SelectUNormalFont();
        RPTS_WriteCriteriaHeader(out, 0, column);
        headingDue = false;
      }
      out->SelectNormalFont();
      std::string label, value;
      int valueAt = left + 44;
      switch (id) {
        case 1:
          if (!target) continue;
          // The place in the method, counted from 1 as the results table
          // counts it (the stored compound number already is).
          label = "Compound Number";
          value = Fmt("%d", r::FieldAt<int16_t>(step, r::step::kCompoundIndex) + 1);
          break;
        case 2: case 58: RPTS_RowRetentionTime(out, step, compound, column); continue;
        case 3: label = "Peak Name"; value = Text(step, r::step::kName, r::step::kNameSize); break;
        case 4:
          RPTS_LegendAddStatusLetters(&legend, step);
          RPTS_RowStatus(out, step, column);
          continue;
        case 5: RPTS_RowQuanIons(out, wf, step, column); continue;
        case 6: RPTS_RowArea(out, step, compound, table, column); continue;
        case 7: RPTS_RowHeight(out, step, compound, table, column); continue;
        case 8: case 15: case 44: RPTS_RowAmount(out, header, step, compound, table, uint16_t(decimals), column); continue;
        case 9: RPTS_RowForwardMatch(out, step, table, &legend, column); continue;
        case 10: RPTS_RowReverseMatch(out, step, table, &legend, column); continue;
        case 11: RPTS_RowHitProbability(out, step, table, column); continue;
        case 61: RPTS_RowInLibraryProbability(out, step, table, column); continue;
        case 12:
          label = "RT Offset";
          value = Local(Fmt("%.3f min.", std::fabs(double(r::FieldAt<float>(step, r::step::kRetentionTime)) -
                                                   r::FieldAt<float>(step, r::step::kExpectedRT))));
          if (pages) RPTS_DrawDeltaMark(out, int16_t(left + 44), out->Line);
          valueAt = left + 45;
          break;
        case 13: {
          char cas[64] = {};
          FormatCASNumber(r::FieldAt<uint32_t>(step, r::step::kCasNumber), cas);
          label = "CAS Number";
          value = cas;
          break;
        }
        case 14: {
          STRUCT_CHAN_LIST list;
          std::memcpy(&list, static_cast<const uint8_t*>(step) + r::step::kChanList, sizeof list);
          if (list.count > CHAN_LIST_MAX_ENTRIES) list.count = CHAN_LIST_MAX_ENTRIES;
          char channels[256] = {};
          if (!FormatChanList(channels, &list)) channels[0] = 0;
          channels[sizeof channels - 1] = 0;
          label = "Channels";
          value = channels;
          valueAt = left + 23;
          break;
        }
        case 16:
          label = "Baseline Code";
          value = SeparationCode_GetString(r::FieldAt<int16_t>(step, kStepBaselineCode));
          break;
        case 17: case 60:
          if (!target) continue;
          RPTS_RowCalibEquation(out, step, compound, column);
          continue;
        case 18:
          label = "IS Peak Name";
          value = OwnStandard(step) ? Text(step, r::step::kName, r::step::kNameSize)
                  : standard        ? Text(standard, r::step::kName, r::step::kNameSize)
                                    : "None";
          break;
        case 19: {
          char text[64] = {};
          label = "Result Type";
          value = RPTS_FmtStatus(int16_t(Status(step)), text);
          break;
        }
        case 20: {
          const int16_t bits = r::FieldAt<int16_t>(step, r::step::kPeakType);
          label = "Peak Type";
          if (bits) RPTS_LegendAddPeakTypes(&legend, step);
          value = bits ? r::PeakType(bits, 1) : "";
          break;
        }
        case 21: label = "Group Name"; value = Text(step, kStepGroup, 41); valueAt = left + 23; break;
        case 22: case 43:
          if (target) continue;
          RPTS_RowMatchName(out, step, int16_t(id == 22 ? 2 : 3), dataFile, column);
          continue;
        case 23: {
          const int32_t stamp = r::FieldAt<int32_t>(step, kStepTimeStamp);
          label = "Calculation Date";
          value = stamp ? DateText(stamp) : "None";
          break;
        }
        case 24: {
          if (!header || r::FieldAt<int16_t>(header, r::header::kCalculationType) != 1) continue;
          const int32_t stamp = r::FieldAt<int32_t>(step, kStepCalibrationTime);
          label = "Calibration Date";
          value = stamp ? DateText(stamp) : "";
          break;
        }
        case 25: RPTS_RowSearchType(out, step, table, column); continue;
        case 26: {
          const int32_t scan = r::FieldAt<int32_t>(step, kStepScan);
          label = "Scan Number";
          value = scan == -1 ? "N/A" : Fmt("%ld", long(scan));
          break;
        }
        case 27: {
          const double rrt = r::FieldAt<float>(step, r::step::kRelativeRT);
          label = "RRT";
          value = rrt > 0 ? Minutes(rrt) : "None";
          break;
        }
        case 28:
          label = "IS Retention Time";
          value = standardNumber < 1 ? "None" : Minutes(r::FieldAt<float>(step, kStepStandardTime));
          break;
        case 29: label = "Expected RT"; value = Minutes(r::FieldAt<float>(step, r::step::kExpectedRT)); break;
        case 30: case 31:
          label = id == 30 ? "IS Area" : "IS Height";
          value = standardNumber < 1 ? "None"
                                     : r::cells::AreaOrHeight(0, r::FieldAt<float>(step, id == 30 ? kStepStandardArea
                                                                                               : kStepStandardHeight));
          break;
        case 32:
          label = "IS Amount";
          value = standardNumber < 1 ? "None"
                                     : r::cells::Amount(0, decimals, r::FieldAt<float>(step, kStepStandardAmount),
                                                        Text(step, r::step::kUnits, r::step::kUnitsSize));
          break;
        case 33: case 59: RPTS_RowPeakWidth(out, step, compound, column); continue;
        case 35: {
          label = "Error";
          std::string flags;
          if (r::FieldAt<uint32_t>(step, r::step::kResultCodes)) {
            RPTS_LegendAddErrorBits(&legend, step);
            flags = r::cells::Trimmed(r::ErrorFlags(step));
          }
          value = flags.empty() ? "None" : flags;
          break;
        }
        case 36: case 37: case 38:
          RPTS_LegendAddMatchType(&legend, step, table);
          RPTS_RowMatchResult(out, step, table, &legend, column);
          continue;
        case 39: case 51: case 53:
          if (target) continue;
          RPTS_RowMatchLibrary(out, step, int16_t(id == 39 ? 1 : id == 51 ? 2 : 3), table, dataFile, column);
          continue;
        case 40: case 52: case 54:
          if (target) continue;
          RPTS_RowMatchEntry(out, step, int16_t(id == 40 ? 1 : id == 52 ? 2 : 3), dataFile, 0, column);
          continue;
        case 41: {
          const double sn = r::FieldAt<float>(step, r::step::kSignalToNoise);
          label = "S/N Ratio";
          value = KELT_IsNearlyEqual(sn, 0.0) ? "---" : Fmt("%.0f", sn);
          break;
        }
        case 42: {
          const bool area = table && r::FieldAt<int16_t>(table, r::table::kPeakSizeMeasure) == 1;
          if (area)
            RPTS_RowArea(out, step, compound, table, column);
          else
            RPTS_RowHeight(out, step, compound, table, column);
          continue;
        }
        case 45:
          if (!target) continue;
          label = "Correlation Coefficient";
          // The method's compound record keeps no coefficient of its fit.
          value = "N/A";
          break;
        case 46:
          if (!target) continue;
          RPTS_RowQualIonRatios(out, wf, step, compound, column);
          continue;
        case 48:
          if (!target) continue;
          RPTS_RowSlopeSensitivity(out, compound, column);
          continue;
        case 50:
          if (!target) continue;
          RPTS_RowTangentPercent(out, compound, column);
          continue;
        case 55:
          if (target || !table) continue;
          RPTS_RowRFUsed(out, step, table, column);
          continue;
        case 56: label = "Result Index"; value = Fmt("%d", stepIndex + 1); break;
        case 57:
          if (target) continue;
          label = "Peak Number";
          value = Fmt("%d", int(stepIndex) + 1 - targetSteps);
          break;
        case 62:
          label = "IS Compound Number";
          if (OwnStandard(step))
            value = Fmt("%d", r::FieldAt<int16_t>(step, r::step::kCompoundIndex) + 1);
          else if (standardNumber > 0 && standard)
            value = Fmt("%d", r::FieldAt<int16_t>(standard, r::step::kCompoundIndex) + 1);
          else
            value = "None";
          break;
        case 82: RPTS_RowRelativeRT(out, step, table, column); continue;
        case 83: RPTS_RowSNReject(out, step, compound, table, column); continue;
        default:
          if (id == 34 || (id >= 63 && id <= 81)) {
            UserTraceRow(wf, header, step, id == 34 ? 0 : id - 62, id, &label, &value);
            break;
          }
          continue;
      }
      if (pages) {
        out->TextAtColumn(int16_t(left + 2), label.c_str());
        if (!value.empty()) out->TextAtColumn(int16_t(valueAt), value.c_str());
      } else {
        out->QuotedTextAtColumn(0, label.c_str());
        out->QuotedTextAtColumn(0, value.c_str());
      }
      out->NextLine();
    }
    RPTS_WriteLegend(&legend, out, 4);
    return out->Ok ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

namespace {

enum class PageKind { Target, Unidentified, IonRatio };

struct PageArgs {
  const void* step;
  const void* definition;
  const void* general;
  STRUCT_WORK_FILE* workFile;
  STRUCT_SCAN_FUN_INFO* scanFunInfo;
  int16_t scanFunCount;
  uint16_t stepIndex;
  char* reportsFile;
  STRUCT_REPORT_PREFS* prefs;
  uint32_t createdAt;
  uint16_t firstPage;
  const char* displayName;
  int16_t versionNumber, versionCount;
};

int16_t AmountFormatOf(const void* general) {
  // The general part begins at byte 2 of the record; its amount word at 30.
  return general ? r::FieldAt<int16_t>(general, 30 - 2) : 2;
}

// The output of one step's pages, its frame and title written.
bool StartOutput(CReportOutput& out, const PageArgs& a, const char* titleFormat) {
  if (!out.Ok) return false;
  out.LabelColumn = kLeft;
  out.CreatedAt = a.createdAt;
  out.PageNumber = a.firstPage ? a.firstPage : 1;
  out.ScanFunInfo = a.scanFunInfo;
  out.ScanFunCount = uint16_t(std::max<int16_t>(a.scanFunCount, 0));
  if (a.displayName) std::snprintf(out.DisplayFileName, sizeof out.DisplayFileName, "%s", a.displayName);
  out.VersionNumber = uint16_t(a.versionNumber);
  out.VersionCount = uint16_t(a.versionCount);
  const char* shown = a.displayName && a.displayName[0] ? a.displayName : a.workFile->filePath;
  char shortened[300] = {};
  KELT_TruncateFilenameString(shown, 30, shortened);
  for (char* p = shortened; *p; ++p) *p = char(std::tolower(static_cast<unsigned char>(*p)));
  char title[128];
  std::snprintf(title, sizeof title, titleFormat, int(a.stepIndex) + 1, shortened);
  const std::string subtitle = Text(a.definition, 0, 61);
  RPTS_SetReportTitle(&out, subtitle.c_str(), title, kLeft);
  out.WriteHeaderLines();
  RPTS_WriteDataFileInfo(&out, a.workFile, a.definition, a.general, kLeft, kRight, 0);
  return true;
}

int32_t CompoundPage(PageKind kind, const PageArgs& a, uint16_t* pages) {
  if (pages) *pages = 0;
  if (!a.step || !a.definition || !a.workFile || !a.reportsFile || !a.prefs) return 0;
  CReportOutput out(a.reportsFile, a.prefs, 80, 72, 2, REPORT_OUTPUT_PAGES);
  const bool target = kind == PageKind::Target;
  if (!StartOutput(out, a, target ? "Target Compound Report for #%d from %s"
                                  : "Unidentified Compound Report for #%d from %s"))
    return 0;
  std::vector<uint8_t> header(r::kResultsHeaderSize), table(r::kGlobalTableSize), compound(r::kCompoundRecordSize),
      standard(r::kResultStepSize);
  const char* dataFile = a.workFile->filePath;
  bool ok = RPTS_ReadResults(dataFile, header.data()) && KELT_ReadGlobalTable(a.workFile, table.data());
  if (ok && target) ok = RPTS_ReadCompoundRecord(a.workFile, a.step, compound.data());
  if (!ok) {
    out.Ok = 0;  // the page ends with the stop text
  } else {
    const bool haveStandard = !OwnStandard(a.step) && RPTS_ReadISResultStep(dataFile, a.step, standard.data());
    const void* st = haveStandard ? standard.data() : nullptr;
    const void* cmp = target ? compound.data() : nullptr;
    const int16_t amountFormat = AmountFormatOf(a.general);
    const uint16_t style = r::FieldAt<uint16_t>(a.definition, target ? kTargetStyle : kUnknownStyle);
    const uint8_t* def = static_cast<const uint8_t*>(a.definition);
    if (target) {
      if (style == 3)
        RPTS_WriteCompoundDetailTable(&out, a.workFile, def + kTargetSet, a.step, st, header.data(), cmp,
                                      table.data(), a.stepIndex, amountFormat, kLeft);
      else if (style == 1)
        RPTS_WriteTargetCriteria(&out, header.data(), int16_t(a.stepIndex), a.step, st, cmp, table.data(),
                                 a.workFile, uint16_t(r::cells::AmountDecimals(amountFormat)), kLeft);
      else
        RPTS_WriteTargetCriteriaFull(&out, header.data(), int16_t(a.stepIndex), a.step, st, cmp, table.data(),
                                     a.workFile, uint16_t(r::cells::AmountDecimals(amountFormat)), kLeft);
    } else {
      if (style == 1)
        RPTS_WriteCompoundDetailTable(&out, a.workFile, def + kUnknownSet, a.step, st, header.data(), nullptr,
                                      table.data(), a.stepIndex, amountFormat, kLeft);
      else
        RPTS_WriteUnknownCriteria(&out, a.workFile, header.data(), a.stepIndex, a.step, table.data(),
                                  uint16_t(r::cells::AmountDecimals(amountFormat)), kLeft);
    }
    // The spectra panel: 1 + 10 lines a row of graphics.
    const bool search = r::FieldAt<uint32_t>(table.data(), r::table::kLibrarySearchUnknowns) == 1;
    const uint32_t panelAt = target ? kTargetPanel : search ? kUnknownPanelSearch : kUnknownPanel;
    int16_t codes[6];
    for (int i = 0; i < 6; ++i) codes[i] = r::FieldAt<int16_t>(a.definition, panelAt + 2 * uint32_t(i));
    const int rows = std::max((codes[0] != 0) + (codes[1] != 0) + (codes[2] != 0),
                              (codes[3] != 0) + (codes[4] != 0) + (codes[5] != 0));
    const bool segment = r::FieldAt<uint16_t>(a.definition, target ? kTargetSegment : kUnknownSegment) != 0;
    if (out.Ok && out.Line + 1 + 10 * rows > out.LastLine) out.NewPage();
    if (out.Ok) {
      const int16_t last = int16_t(out.Lines - (segment ? 1 : 0));
      if (rows)
        out.DrawCompoundGraphics(a.workFile, int16_t(a.stepIndex), a.step, st, cmp, table.data(), codes, kLeft,
                                 kRight, last);
      out.Line = last;
      if (segment)
        out.WriteSegmentLine(a.workFile, r::FieldAt<float>(a.step, r::step::kRetentionTime), kLeft);
    }
  }
  out.EndPage();
  if (pages) *pages = out.PagesStored;
  return out.HasPages() ? 1 : 0;
}

// The quantitation-ion plots of the compound and of its standard side by
// side (one plot across the width without a standard), h lines high. They
// show the peaks and their baselines only: the search and integration
// windows of the method would crowd plots this small.
void DrawQuanIonPlots(CReportOutput& out, STRUCT_WORK_FILE* wf, const void* step, const void* standard,
                      const void* table, int h, int16_t left = kLeft, int16_t right = kRight) {
  if (!out.Ok || !out.Page || h <= 0) return;
  const int top = out.Page->LineToY(out.Line) + out.CharHeight / 2;
  const int bottom = out.Page->LineToY(int16_t(out.Line + h)) - out.CharHeight / 2;
  if (standard) {
    const int half = (right - left) / 2 - 1;
    out.DrawQuanIonChromatogram(wf, step, 0, nullptr, table, out.Page->ColumnToX(left), int16_t(bottom),
                                out.Page->ColumnToX(int16_t(left + half)), int16_t(top));
    out.DrawQuanIonChromatogram(wf, standard, 1, nullptr, table, out.Page->ColumnToX(int16_t(right - half)),
                                int16_t(bottom), out.Page->ColumnToX(right), int16_t(top));
  } else {
    out.DrawQuanIonChromatogram(wf, step, 0, nullptr, table, out.Page->ColumnToX(left), int16_t(bottom),
                                out.Page->ColumnToX(right), int16_t(top));
  }
  out.Line = int16_t(out.Line + h);
}

int QualifierIons(const std::vector<uint8_t>& qualifier) {
  return std::clamp<int>(r::FieldAt<int16_t>(qualifier.data(), kQualifierIonCount), 0, 5);
}

int32_t IonRatioPage(const PageArgs& a) {
  if (!a.step || !a.definition || !a.workFile || !a.reportsFile || !a.prefs) return 0;
  const char* dataFile = a.workFile->filePath;
  std::vector<uint8_t> qualifier(kQualifierRecordSize), standardQualifier(kQualifierRecordSize);
  if (!KELT_ReadMatchingQualifier(a.workFile, r::FieldAt<int32_t>(a.step, r::step::kCompoundNumber),
                                  qualifier.data()) ||
      QualifierIons(qualifier) == 0)
    return 0;
  std::vector<uint8_t> standard(r::kResultStepSize), compound(r::kCompoundRecordSize),
      standardCompound(r::kCompoundRecordSize), table(r::kGlobalTableSize);
  const bool haveStandard = !OwnStandard(a.step) && RPTS_ReadISResultStep(dataFile, a.step, standard.data());
  const bool haveStandardQualifier =
      haveStandard && KELT_ReadMatchingQualifier(a.workFile, r::FieldAt<int32_t>(standard.data(), r::step::kCompoundNumber),
                                                 standardQualifier.data());
  if (!RPTS_ReadCompoundRecord(a.workFile, a.step, compound.data())) return 0;
  if (haveStandard && !RPTS_ReadCompoundRecord(a.workFile, standard.data(), standardCompound.data())) return 0;
  const bool haveTable = KELT_ReadGlobalTable(a.workFile, table.data()) != 0;

  CReportOutput out(a.reportsFile, a.prefs, 80, 72, 2, REPORT_OUTPUT_PAGES);
  if (!StartOutput(out, a, "Ion Ratio Report for Target Compound #%d from %s")) return 0;
  out.ResetTextColor();
  const int16_t amountFormat = AmountFormatOf(a.general);
  if (haveStandard)
    RPTS_WriteIonRatioBlock(&out, a.workFile, standard.data(), haveStandardQualifier ? standardQualifier.data() : nullptr,
                            1, amountFormat, kLeft);
  RPTS_WriteIonRatioBlock(&out, a.workFile, a.step, qualifier.data(), OwnStandard(a.step) ? 1 : 0, amountFormat,
                          kLeft);
  const bool segment = r::FieldAt<uint16_t>(a.definition, kTargetSegment) != 0;
  if (out.Ok) {
    const int n = 1 + std::max(QualifierIons(qualifier), haveStandardQualifier ? QualifierIons(standardQualifier) : 0);
    // The plots share what is left of the page with the ratio plots; a
    // page already full takes them to the next one.
    int h = (int(out.Lines) - out.Line - 6 + n) / n;
    if (h < 4 && out.NewPage()) h = (int(out.Lines) - out.Line - 6 + n) / n;
    if (out.Ok && h > 0)
      DrawQuanIonPlots(out, a.workFile, a.step, haveStandard ? standard.data() : nullptr,
                       haveTable ? table.data() : nullptr, h);
  }
  if (out.Ok) {
    const int16_t bottom = int16_t(out.Lines - 1 - (segment ? 1 : 0));
    if (out.Line + 4 < bottom)
      out.DrawIonRatioChromatograms(a.workFile, a.step, qualifier.data(), haveStandard ? standard.data() : nullptr,
                                    haveStandardQualifier ? standardQualifier.data() : nullptr, compound.data(),
                                    haveStandard ? standardCompound.data() : nullptr, kLeft, kRight, bottom);
    out.Line = bottom;
  }
  if (out.Ok && segment) out.WriteSegmentLine(a.workFile, r::FieldAt<float>(a.step, r::step::kRetentionTime), kLeft);
  out.EndPage();
  return out.HasPages() ? 1 : 0;
}

PageArgs ArgsOf(const r::CompoundPageRequest& q) {
  return {q.step,     q.definition, q.general,   q.workFile,  q.scanFunInfo, q.scanFunCount, q.stepIndex,
          q.reportsFile, q.prefs,   q.dateTime,  q.firstPage, q.displayName, q.versionNumber, q.versionCount};
}

int TargetMaker(const r::CompoundPageRequest& q, uint16_t* pages) {
  return CompoundPage(PageKind::Target, ArgsOf(q), pages);
}
int UnidentifiedMaker(const r::CompoundPageRequest& q, uint16_t* pages) {
  return CompoundPage(PageKind::Unidentified, ArgsOf(q), pages);
}
int IonRatioMaker(const r::CompoundPageRequest& q, uint16_t* pages) {
  const int made = IonRatioPage(ArgsOf(q));
  if (pages) *pages = made ? 1 : 0;
  return made;
}

}  // namespace

int32_t RPTS_WriteIonRatioBlock(CReportOutput* out, STRUCT_WORK_FILE* wf, const void* step, const void* qualifier,
                                int16_t internalStandard, int16_t amountFormat, int16_t left) {
  try {
    if (!out || !out->Ok || !step) return 0;
    std::vector<uint8_t> compound(r::kCompoundRecordSize);
    const bool haveCompound = wf && RPTS_ReadCompoundRecord(wf, step, compound.data());
    const std::string name = Text(step, r::step::kName, r::step::kNameSize);
    RPTS_WriteSectionTitle(out, uint16_t(left), 1,
                           ((internalStandard ? "Internal Standard:  " : "Analyte:  ") + name).c_str());
    const int16_t c = int16_t(left + 2);
    out->SelectUNormalFont();
    static const char* titles[] = {"Ion", "Actual RT", "Specified RT", "RT Time Range", "Abundance", "Status"};
    static const int at[] = {0, 6, 18, 34, 53, 64};
    for (int i = 0; i < 6; ++i) out->TextAtColumn(int16_t(c + at[i]), titles[i]);
    out->NextLine();
    out->SelectFixedFont();
    STRUCT_MASS_LIST masses;
    std::memcpy(&masses, static_cast<const uint8_t*>(step) + r::step::kMassList, sizeof masses);
    if (masses.count > MASS_LIST_MAX_RANGES) masses.count = MASS_LIST_MAX_RANGES;
    char ions[512] = {};
    if (!FormatMassListText(ions, &masses, r::cells::MassDecimals(wf))) ions[0] = 0;
    ions[sizeof ions - 1] = 0;
    std::string ion = ions;
    const size_t cut = ion.find_first_not_of("0123456789");
    if (cut != std::string::npos) ion = ion.substr(0, cut) + "...";
    out->TextAtColumn(c, ion.c_str());
    out->TextAtColumn(int16_t(c + 5), (Local(Fmt("%7.3f", double(r::FieldAt<float>(step, r::step::kRetentionTime)))) +
                                       " min.").c_str());
    if (haveCompound) {
      const double expected = r::FieldAt<float>(step, r::step::kExpectedRT);
      const double window = r::FieldAt<int32_t>(compound.data(), r::compound::kRtTolerance) / 1000.0;
      out->TextAtColumn(int16_t(c + 18), Minutes(expected).c_str());
      out->TextAtColumn(int16_t(c + 32), (Local(Fmt("%.3f", expected - window)) + " - " +
                                          Local(Fmt("%.3f", expected + window)) + " min.").c_str());
    }
    out->TextAtColumn(int16_t(c + 53), r::cells::AreaOrHeight(8, r::FieldAt<float>(step, r::step::kArea)).c_str());
    char type[64] = {};
    out->TextAtColumn(int16_t(c + 64), RPTS_FmtStatus(int16_t(Status(step)), type));
    if (qualifier && haveCompound) {
      out->Line = int16_t(out->Line + 2);
      const int count = std::clamp<int>(r::FieldAt<int16_t>(qualifier, kQualifierIonCount), 0, 5);
      if (count > 0) {
        if (out->Line + count > out->LastLine && !out->NewPage()) return 0;
        RPTS_WriteQualifierLines(out, wf, step, qualifier, compound.data(), 1, 1, c);
      }
    } else {
      out->NextLine();
    }
    out->SelectNormalFont();
    const double amount = r::FieldAt<float>(step, r::step::kAmount);
    std::string text = "Concentration:  ";
    if (amount >= 0)
      text += r::cells::Amount(12, amountFormat, amount, Text(step, r::step::kUnits, r::step::kUnitsSize)) + " " +
              Text(step, r::step::kUnits, r::step::kUnitsSize);
    if (out->Page && out->PageDC) {
      const int y = (out->Page->LineToY(out->Line) + out->Page->LineToY(int16_t(out->Line + 1))) / 2;
      out->Page->XYTextOut(out->Page->ColumnToX(c), int16_t(y), text.c_str());
    }
    out->Line = int16_t(out->Line + 2);
    return out->Ok ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int32_t RPTS_MakeTargetCompoundPage(const void* step, const void* definition, const void* general,
                                    STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunInfo,
                                    int16_t scanFunCount, uint16_t stepIndex, char* reportsFile,
                                    STRUCT_REPORT_PREFS* prefs, uint32_t createdAt, uint16_t firstPage,
                                    const char* displayName, int16_t versionNumber, int16_t versionCount,
                                    uint16_t* pages) {
  try {
    return CompoundPage(PageKind::Target,
                        {step, definition, general, workFile, scanFunInfo, scanFunCount, stepIndex, reportsFile, prefs,
                         createdAt, firstPage, displayName, versionNumber, versionCount},
                        pages);
  } catch (...) {
    return 0;
  }
}

int32_t RPTS_MakeUnidentifiedCompoundPage(const void* step, const void* definition, const void* general,
                                          STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunInfo,
                                          int16_t scanFunCount, uint16_t stepIndex, char* reportsFile,
                                          STRUCT_REPORT_PREFS* prefs, uint32_t createdAt, uint16_t firstPage,
                                          const char* displayName, int16_t versionNumber, int16_t versionCount,
                                          uint16_t* pages) {
  try {
    return CompoundPage(PageKind::Unidentified,
                        {step, definition, general, workFile, scanFunInfo, scanFunCount, stepIndex, reportsFile, prefs,
                         createdAt, firstPage, displayName, versionNumber, versionCount},
                        pages);
  } catch (...) {
    return 0;
  }
}

int32_t RPTS_MakeIonRatioCompoundPage(const void* step, const void* definition, const void* general,
                                      STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunInfo,
                                      int16_t scanFunCount, uint16_t stepIndex, char* reportsFile,
                                      STRUCT_REPORT_PREFS* prefs, uint32_t createdAt, uint16_t firstPage,
                                      const char* displayName, int16_t versionNumber, int16_t versionCount) {
  try {
    return IonRatioPage({step, definition, general, workFile, scanFunInfo, scanFunCount, stepIndex, reportsFile,
                         prefs, createdAt, firstPage, displayName, versionNumber, versionCount});
  } catch (...) {
    return 0;
  }
}

int32_t RPTS_DrawQuanIonPlots(CReportOutput* out, STRUCT_WORK_FILE* workFile, const void* step,
                              const void* standardStep, const void*, const void*, double* analyteScale,
                              double* standardScale, int16_t height, int16_t left, int16_t right) {
  try {
    for (double* scale : {analyteScale, standardScale})
      if (scale) scale[0] = scale[1] = 0;
    if (!out || !workFile || !step || height <= 0 || left >= right) return 0;
    std::vector<uint8_t> table(r::kGlobalTableSize);
    const bool haveTable = KELT_ReadGlobalTable(workFile, table.data()) != 0;
    DrawQuanIonPlots(*out, workFile, step, standardStep, haveTable ? table.data() : nullptr, height, left, right);
    return out->Ok ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

namespace kelt::reports {
CompoundPageMakers DefaultCompoundPageMakers() {
  CompoundPageMakers m;
  m.target = &TargetMaker;
  m.ionRatio = &IonRatioMaker;
  m.unidentified = &UnidentifiedMaker;
  return m;
}
}  // namespace kelt::reports
