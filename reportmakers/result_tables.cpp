// The fixed compound and unidentified-peak tables of the sample report and
// the qualifier-ion lines under a compound row.
#include "reportmakers/result_tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/engine_binding.h"
#include "common/report_fields.h"
#include "common/report_records.h"
#include "common/result_codes.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "plotengine/plot_coordinates.h"
#include "quorna/ms_lists.h"
#include "quorna/quorna.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/report_format.h"
#include "reportmakers/results_header.h"
#include "reportmakers/table_cells.h"
#include "reportpages/report_output.h"
#include "spectra/library_entry_texts.h"
#include "win/win_gdi.h"

namespace {

namespace r = kelt::reports;
using namespace kelt::reports::cells;

int32_t Status(const void* step) { return r::FieldAt<int32_t>(step, r::step::kStatus); }
uint32_t Codes(const void* step) { return r::FieldAt<uint32_t>(step, r::step::kResultCodes); }

// Result-code bits of a compound that was measured though a test failed.
constexpr uint32_t kMeasuredCodes = 0x80000 | 0x200000 | 0x400000;

constexpr uint32_t kQualifierCount = 12, kQualifierIons = 22, kQualifierIonSize = 256;
constexpr uint32_t kQualifierIonMasses = 4, kQualifierIonArea = 218;
constexpr uint32_t kQualifierRecordSize = 1302;
constexpr int kMaxQualifiers = 5;

int QualifierCount(const void* qualifier) {
  if (!qualifier) return 0;
  const int16_t n = r::FieldAt<int16_t>(qualifier, kQualifierCount);
  return std::clamp<int>(n, 0, kMaxQualifiers);
}

std::string MassListText(const void* record, uint32_t offset, const STRUCT_WORK_FILE* workFile) {
  STRUCT_MASS_LIST list;
  std::memcpy(&list, static_cast<const uint8_t*>(record) + offset, sizeof list);
  char text[512] = {};
  if (!FormatMassListText(text, &list, MassDecimals(workFile))) text[0] = 0;
  text[sizeof text - 1] = 0;
  return text;
}

// The result type: on pages the short name, which fits the room the
// fixed layouts leave before their next column ("Id.", "Miss." ...).
std::string StatusText(int32_t status, bool pages) {
  char text[32] = {};
  return pages ? RPTS_FmtStatusShort(int16_t(status), 0, text) : RPTS_FmtStatus(int16_t(status), text);
}

std::string CasText(const void* step) {
  char text[64] = {};
  FormatCASNumber(r::FieldAt<uint32_t>(step, r::step::kCasNumber), text);
  return text;
}

// "X " and the stored letters when the step carries result codes.
std::string StatusCell(const void* step) {
  const std::string letters = Text(step, r::step::kResultLetters, r::step::kResultLettersSize);
  return Codes(step) ? "X " + letters : letters;
}

std::string Time3(double minutes, const char* format = "%6.3f") { return Local(Fmt(format, minutes)); }

// One heading of a fixed table.
struct Heading {
  const char* text;
  int column;
};

// The records a table reads for its whole run.
struct TableRecords {
  std::vector<uint8_t> table = std::vector<uint8_t>(r::kGlobalTableSize);
  std::vector<uint8_t> header = std::vector<uint8_t>(r::kResultsHeaderSize);
  bool Read(STRUCT_WORK_FILE* workFile) {
    return KELT_ReadGlobalTable(workFile, table.data()) && r::ReadResultsHeader(workFile->filePath, header.data());
  }
  bool Height() const { return r::FieldAt<int16_t>(table.data(), r::table::kPeakSizeMeasure) == 2; }
};

// A group of the compound table's summary: the members' sums.
struct Group {
  std::string name;
  double size = 0, amount = 0;
  CommonUnits units;
};

void AddToGroups(std::vector<Group>& groups, const std::string& name, double size, double amount,
                 const std::string& units) {
  auto it = std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.name == name; });
  if (it == groups.end()) {
    groups.emplace_back();
    groups.back().name = name;
    it = groups.end() - 1;
  }
  it->size += size;
  if (amount > 0) {
    it->amount += amount;
    it->units.Add(units);
  }
}

void QualifierHeading(CReportOutput* out, int column) {
  static const Heading kSub[] = {{"Ion", 0},     {"Actual RT", 6},  {"Actual", 18}, {"Specified", 26},
                                 {"Range", 38},  {"Abundance", 48}, {"Status", 58}};
  if (Pages(out)) {
    out->SelectUNormalFont();
    for (const Heading& h : kSub) Put(out, column + h.column, h.text);
    return;
  }
  for (int ion = 1; ion <= kMaxQualifiers; ++ion)
    for (const Heading& h : kSub) {
      if (std::strcmp(h.text, "Range") == 0) {
        Put(out, 0, Fmt("From %s %d", h.text, ion), Kind::Quoted);
        Put(out, 0, Fmt("To %s %d", h.text, ion), Kind::Quoted);
      } else {
        Put(out, 0, Fmt("%s %d", h.text, ion), Kind::Quoted);
      }
    }
}

}  // namespace

void RPTS_DrawDeltaMark(CReportOutput* out, int16_t column, int16_t line) {
  if (!out || !Pages(out) || !out->Ok || !out->Page || !out->PageDC) return;
  HDC dc = out->PageDC->GetSafeHdc();
  if (!dc) return;
  const int32_t w = std::max<int32_t>(1, out->CharWidth), h = std::max<int32_t>(3, out->CharHeight);
  const int32_t x = out->Page->ColumnToX(column) + w;
  // The tip a third down the text cell, the base two thirds down.
  const int32_t tip = out->Page->LineToY(line) + h / 3;
  HPEN pen = CreatePen(PS_SOLID, 25, RGB(0, 0, 0));
  if (!pen) return;
  HGDIOBJ old = SelectObject(dc, pen);
  KELT_DrawSmallUpTriangle(dc, x, tip, w, h / 6 > 0 ? h / 6 : 1, 0);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void RPTS_WriteQualifierLines(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* step,
                              const void* qualifier, const void* compound, int16_t heading, int16_t ionLabels,
                              int16_t column) {
  if (!out || !out->Ok || !step || !qualifier || !compound) return;
  const bool pages = Pages(out);
  if (heading && pages) {
    QualifierHeading(out, column);
    out->NextLine();
  }
  if (pages) out->SelectFixedFont();
  const int32_t status = Status(step);
  const bool measured = status == 0 || (Codes(step) & kMeasuredCodes) != 0;
  const int count = QualifierCount(qualifier);
  for (int i = 0; i < count && out->Ok; ++i) {
    int c = column;
    if (ionLabels && pages) {
      Put(out, c, Fmt("%s%d", "IR", i + 1));
      c += 6;
    }
    const uint32_t ion = kQualifierIons + kQualifierIonSize * uint32_t(i);
    const uint32_t entry = r::compound::kQualifiers + r::compound::kQualifierSize * uint32_t(i);
    // The method keeps the ratio and its range in tenths of a percent; the
    // engine measures the ratio as a fraction. Both are shown and compared
    // in percent.
    const double specified = r::FieldAt<int32_t>(compound, entry + r::compound::kQualifierRatio) / 10.0;
    const double low = r::FieldAt<int32_t>(compound, entry + r::compound::kQualifierLower) / 10.0;
    const double high = r::FieldAt<int32_t>(compound, entry + r::compound::kQualifierUpper) / 10.0;
    const double time = r::FieldAt<float>(qualifier, ion);
    const double ratio = double(r::FieldAt<float>(step, r::step::kQualifierRatios + 4 * uint32_t(i))) * 100.0;
    const double abundance = r::FieldAt<float>(qualifier, ion + kQualifierIonArea);
    Put(out, c, MassListText(qualifier, ion + kQualifierIonMasses, workFile), Kind::Quoted);
    if (measured) {
      Put(out, c + 5, pages ? Local(Fmt("%7.3f", time)) + " min." : Local(Fmt("%.3f", time)), Kind::Number);
      Put(out, c + 18, pages ? Fmt("%3.1f%%", ratio) : Fmt("%.1f", ratio), Kind::Number);
    } else {
      Put(out, c + 5, "N/A", Kind::Quoted);
      Put(out, c + 18, "N/A", Kind::Quoted);
    }
    Put(out, c + 26, pages ? Fmt("%5.1f%%", specified) : Fmt("%.1f", specified), Kind::Number);
    if (pages) {
      Put(out, c + 36, Fmt("%5.1f%% - %5.1f%%", low, high));
    } else {
      Put(out, c + 36, Fmt("%.1f", low), Kind::Number);
      Put(out, c + 38, Fmt("%.1f", high), Kind::Number);
    }
    if (measured) {
      Put(out, c + 48, AreaOrHeight(8, abundance), Kind::Number);
      // A ratio on a limit passes; the ratio is a float, so the limits get
      // the float's own slack.
      const double slack = 1e-4;
      Put(out, c + 58, time >= 0.001 && low - slack <= ratio && ratio <= high + slack ? "Pass" : "Fail",
          Kind::Quoted);
    } else {
      Put(out, c + 48, "N/A", Kind::Quoted);
      Put(out, c + 58, "N/A", Kind::Quoted);
    }
    if (pages) out->NextLine();
  }
  if (!pages)
    for (int i = count; i < kMaxQualifiers; ++i)
      for (int k = 0; k < 8; ++k) Put(out, 0, "", Kind::Quoted);
}

namespace {

struct CompoundLayout {
  int number = 2, time = 7, delta = -1, name, nameWidth, status = -1, cas = -1, type, ions, area, amount, units,
      match = -1, group = -1, qualifiers, groupLabel;
};

CompoundLayout CompoundColumns(bool wide) {
  CompoundLayout l;
  if (wide) {
    l.delta = 17, l.name = 27, l.nameWidth = 29, l.status = 55, l.cas = 62, l.type = 76, l.ions = 82, l.area = 92,
    l.amount = 104, l.units = 109, l.match = 126, l.group = 132, l.qualifiers = 14, l.groupLabel = 41;
  } else {
    l.name = 14, l.nameWidth = 24, l.type = 37, l.ions = 42, l.area = 52, l.amount = 63, l.units = 68,
    l.qualifiers = 6, l.groupLabel = 1;
  }
  return l;
}

void CompoundHeadings(CReportOutput* out, bool wide, bool height, int rows, bool qualifiers) {
  const char* area = height ? "Height" : "Area";
  const bool pages = Pages(out);
  std::vector<Heading> h;
  if (wide)
    h = {{"#", 3},          {"RT", 10},       {pages ? "  RT" : "Delta RT", 18}, {"Peak Name", 27}, {"Status", 55},
         {"CAS No.", 62},   {"Res Type", 74}, {"Quan Ions", 82},                 {area, 96},        {"Amount/RF", 109},
         {"R.Match", 126},  {"Group", 132}};
  else
    h = {{"#", 3}, {"RT", 10}, {"Peak Name", 14}, {"Res Type", 35}, {"Quan Ions", 42}, {area, 56}, {"Amount/RF", 68}};
  if (pages) {
    out->SelectUNormalFont();
    // "  RT": the delta fills the two blanks, the letters keep their grid column.
    for (const Heading& x : h)
      if (std::strcmp(x.text, "  RT") == 0)
        Put(out, x.column + 2, "RT");
      else
        Put(out, x.column, x.text);
    if (wide) RPTS_DrawDeltaMark(out, 18, out->Line);
    out->NextLine();
    if (qualifiers) {
      QualifierHeading(out, CompoundColumns(wide).qualifiers);
      out->NextLine();
    }
    return;
  }
  Put(out, 0, Fmt("Peaks: %d(", rows), Kind::Number);
  for (const Heading& x : h) {
    Put(out, 0, x.text, Kind::Quoted);
    if (std::strcmp(x.text, "Amount/RF") == 0) Put(out, 0, "Amount Units", Kind::Quoted);
  }
  if (qualifiers) QualifierHeading(out, 0);
  Put(out, 0, ")", Kind::Number);
  out->NextLine();
}

// "None" where a table has no row: on pages at the layout's first column.
void NoneLine(CReportOutput* out) {
  if (Pages(out)) {
    out->SelectNormalFont();
    Put(out, 3, "None");
    out->Line = int16_t(out->Line + 2);
  } else {
    out->TextAtColumn(0, "None");
    out->NextLine();
  }
}

}  // namespace

BOOL RPTS_WriteTargetCompoundTable(CReportOutput* out, STRUCT_WORK_FILE* workFile, uint16_t kindMask,
                                   int16_t qualifierLines, int16_t amountFormat, int16_t groupSummary,
                                   int16_t wide) {
  try {
    if (!out || !workFile || !out->Ok) return 0;
    TableRecords rec;
    if (!rec.Read(workFile)) return 0;
    const uint16_t mask = uint16_t(kindMask & r::kMaskCompounds);
    const int rows = r::CountOfMask(rec.header.data(), mask);
    if (rows == 0) {
      NoneLine(out);
      return 1;
    }
    const bool pages = Pages(out), isWide = wide != 0, height = rec.Height();
    const CompoundLayout l = CompoundColumns(isWide);
    const int total = r::CompoundStepCount(rec.header.data());
    std::vector<Group> groups;
    CompoundRecords compounds(workFile);
    EngineRecords records(workFile->filePath);
    STRUCT_RPT_LEGEND legend;
    std::vector<uint8_t> step(r::kResultStepSize), qualifier(kQualifierRecordSize),
        compound(r::kCompoundRecordSize);
    bool first = true, anyQualifierHeading = qualifierLines != 0;
    for (int index = 0; index < total && out->Ok; ++index) {
      if (!records.Step(index, step.data())) break;
      const void* s = step.data();
      if (!(r::MaskOfKind(Status(s)) & mask)) continue;
      const std::string group = Text(s, 51, 41);
      const double size = r::FieldAt<float>(s, height ? r::step::kHeight : r::step::kArea);
      const double amount = r::FieldAt<float>(s, r::step::kAmount);
      const std::string units = Text(s, r::step::kUnits, r::step::kUnitsSize);
      if (groupSummary && !group.empty()) AddToGroups(groups, group, size, amount, units);
      bool showQualifiers = false;
      if (qualifierLines && records.Qualifier(r::FieldAt<int32_t>(s, r::step::kCompoundNumber), qualifier.data()) &&
          QualifierCount(qualifier.data()) > 0)
        showQualifiers = compounds.Read(s, compound.data());
      const std::string ions = MassListText(s, r::step::kMassList, workFile);
      const bool ionsWrap = pages && int(ions.size()) > l.area - l.ions - 1;
      int need = 1 + (ionsWrap ? 1 : 0) + (showQualifiers && pages ? QualifierCount(qualifier.data()) : 0);
      if (first) need += pages && anyQualifierHeading ? 2 : 1;
      bool newPage = false;
      if (!Room(out, need, &newPage)) break;
      if (first || newPage) CompoundHeadings(out, isWide, height, rows, anyQualifierHeading != 0);
      first = false;
      if (pages) out->SelectFixedFont();
      Put(out, l.number, Fmt("%3d", index + 1), Kind::Number);
      const double time = r::FieldAt<float>(s, r::step::kRetentionTime);
      Put(out, l.time, Time3(time), Kind::Number);
      if (isWide)
        Put(out, l.delta, Time3(std::fabs(time - r::FieldAt<float>(s, r::step::kExpectedRT))), Kind::Number);
      const std::string name = Text(s, r::step::kName, r::step::kNameSize);
      Put(out, l.name, pages ? name.substr(0, size_t(l.nameWidth)) : name, Kind::Quoted);
      if (isWide) {
        Put(out, l.status, StatusCell(s), Kind::Quoted);
        Put(out, l.cas, CasText(s), Kind::Quoted);
        RPTS_LegendAddStatusLetters(&legend, s);
      }
      Put(out, l.type, StatusText(Status(s), pages), Kind::Quoted);
      Put(out, l.ions, ions, Kind::Quoted);
      if (ionsWrap) out->NextLine();
      Put(out, l.area, AreaOrHeight(10, size), Kind::Number);
      const std::string amountText = Amount(12, amountFormat, amount, units);
      if (pages) {
        Put(out, l.amount, amountText + " " + units);
      } else {
        Put(out, l.amount, amountText, Kind::Number);
        Put(out, l.units, units, Kind::Quoted);
      }
      if (isWide) {
        char match[kelt::reports::kCellTextSize] = {};
        Put(out, l.match, KELT_FormatReverseSimilarity(s, match, 0), Kind::Number);
        Put(out, l.group, group, Kind::Quoted);
      }
      if (!pages && anyQualifierHeading) {
        if (showQualifiers)
          RPTS_WriteQualifierLines(out, workFile, s, qualifier.data(), compound.data(), 0, 0, int16_t(l.qualifiers));
        else
          for (int k = 0; k < 8 * kMaxQualifiers; ++k) Put(out, 0, "", Kind::Quoted);
      }
      out->NextLine();
      if (pages && showQualifiers)
        RPTS_WriteQualifierLines(out, workFile, s, qualifier.data(), compound.data(), 0, 0, int16_t(l.qualifiers));
    }
    if (groupSummary && !groups.empty() && out->Ok) {
      if (pages) out->SelectFixedFont();
      for (size_t g = 0; g < groups.size() && out->Ok; ++g) {
        bool newPage = false;
        if (!Room(out, g == 0 ? 2 : 1, &newPage)) break;
        if (newPage) {
          CompoundHeadings(out, isWide, height, rows, anyQualifierHeading != 0);
          if (pages) out->SelectFixedFont();
        }
        if (pages && (g == 0 || newPage)) {
          Put(out, l.area, "----------");
          Put(out, l.amount, "------------");
          out->NextLine();
        }
        if (pages) {
          Put(out, l.groupLabel, "Group: " + groups[g].name, Kind::Plain, l.area - 1);
        } else {
          Put(out, l.groupLabel, "Group:", Kind::Quoted);
          Put(out, l.groupLabel + 2, groups[g].name, Kind::Quoted);
        }
        Put(out, l.area, AreaOrHeight(10, groups[g].size), Kind::Number);
        const std::string units = groups[g].units.text;
        Put(out, l.amount, Amount(12, amountFormat, groups[g].amount, units) + (pages ? " " + units : ""),
            Kind::Number);
        if (!pages) Put(out, l.units, units, Kind::Quoted);
        out->NextLine();
      }
      if (pages) ++out->Line;
    }
    RPTS_WriteLegend(&legend, out, 2);
    return out->Ok ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

namespace {

struct PeakLayout {
  int number = 2, time = 7, name, nameWidth, status = -1, cas = -1, type, area, height = -1, amount, bc = -1,
      reverse, forward = -1, probability = -1;
};

PeakLayout PeakColumns(bool wide) {
  PeakLayout l;
  if (wide) {
    l.name = 17, l.nameWidth = 31, l.status = 47, l.cas = 54, l.type = 68, l.area = 74, l.height = 88, l.amount = 102,
    l.bc = 116, l.reverse = 122, l.forward = 128, l.probability = 134;
  } else {
    l.name = 14, l.nameWidth = 28, l.type = 41, l.area = 47, l.amount = 61, l.reverse = 75;
  }
  return l;
}

void PeakHeadings(CReportOutput* out, bool wide, int rows) {
  std::vector<Heading> h;
  if (wide)
    h = {{"#", 3},       {"RT", 10},    {"Peak Name", 17}, {"Status", 47},  {"CAS No.", 54},
         {"Res Type", 68}, {"Area", 78}, {"Height", 92},    {"Amount", 106}, {"BC", 116},
         {"R.Match", 122}, {"F.Match", 128}, {"Prob.", 134}};
  else
    h = {{"#", 3}, {"RT", 10}, {"Peak Name", 14}, {"Res Type", 41}, {"Area", 51}, {"Amount", 65}, {"R.Match", 75}};
  if (Pages(out)) {
    out->SelectUNormalFont();
    for (const Heading& x : h) Put(out, x.column, x.text);
    out->NextLine();
    return;
  }
  Put(out, 0, Fmt("Peaks: %d(", rows), Kind::Number);
  for (const Heading& x : h) {
    Put(out, 0, x.text, Kind::Quoted);
    if (std::strcmp(x.text, "Amount") == 0) Put(out, 0, "Amount Units", Kind::Quoted);
  }
  Put(out, 0, ")", Kind::Number);
  out->NextLine();
}

// The two settings lines of the unidentified peaks: their quantitation
// ions, match type, response factor and match threshold.
void PeakSettings(CReportOutput* out, STRUCT_WORK_FILE* workFile, const std::vector<uint8_t>& table,
                  const void* firstStep) {
  const bool pages = Pages(out);
  const int c = pages ? 3 : 0;
  std::vector<uint8_t> step(r::kResultStepSize, 0);
  if (firstStep) std::memcpy(step.data(), firstStep, step.size());
  else {
    const int32_t tic = 3;
    std::memcpy(step.data(), &tic, 4);
  }
  STRUCT_MASS_LIST list;
  std::memcpy(&list, table.data() + offsetof(STRUCT_DH_GLOBAL_PARAMS, massList), sizeof list);
  char ions[512] = {};
  if (!FormatMassListText(ions, &list, MassDecimals(workFile))) ions[0] = 0;
  ions[sizeof ions - 1] = 0;
  char threshold[kelt::reports::kCellTextSize] = {};
  KELT_FormatFitThreshold(step.data(), threshold, 1);
  const std::string values[4] = {ions, r::SearchType(step.data(), table.data(), true),
                                 r::RfUsed(table.data(), step.data(), false), threshold};
  const char* labels[4] = {"Quan Ions:", "Spectrum Match Type:", "RF Used:", "Match Thresh:"};
  if (pages) out->SelectNormalFont();
  for (int line = 0; line < 2; ++line) {
    for (int half = 0; half < 2; ++half) {
      const int i = line * 2 + half;
      if (pages) {
        Put(out, c + 42 * half, labels[i]);
        Put(out, c + 42 * half + (half ? 20 : 12), values[i]);
      } else {
        out->TextAtColumn(0, labels[i]);
        out->TextAtColumn(30, values[i].c_str());
        out->NextLine();
      }
    }
    if (pages) out->NextLine();
  }
  if (pages) out->Line = int16_t(out->Line + 2);
}

}  // namespace

BOOL RPTS_WriteUnidentifiedPeakTable(CReportOutput* out, STRUCT_WORK_FILE* workFile, uint16_t kindMask,
                                     int16_t amountFormat, int16_t groupSummary, int16_t wide) {
  try {
    if (!out || !workFile || !out->Ok) return 0;
    TableRecords rec;
    if (!rec.Read(workFile)) return 0;
    const uint16_t mask = uint16_t(kindMask & r::kMaskUnidentified);
    const int rows = r::CountOfMask(rec.header.data(), mask);
    if (rows == 0) {
      NoneLine(out);
      return 1;
    }
    const bool pages = Pages(out), isWide = wide != 0, heightOnly = rec.Height();
    const PeakLayout l = PeakColumns(isWide);
    const int first = r::CompoundStepCount(rec.header.data());
    const int end = first + r::UnidentifiedStepCount(rec.header.data());
    double areas = 0, heights = 0, amounts = 0;
    CommonUnits units;
    EngineRecords records(workFile->filePath);
    STRUCT_RPT_LEGEND legend;
    std::vector<uint8_t> step(r::kResultStepSize);
    bool headed = false;
    for (int index = first; index < end && out->Ok; ++index) {
      if (!records.Step(index, step.data())) break;
      const void* s = step.data();
      if (!(r::MaskOfKind(Status(s)) & mask)) continue;
      if (!headed) {
        bool newPage = false;
        if (!Room(out, 4, &newPage)) break;
        PeakSettings(out, workFile, rec.table, s);
      }
      bool newPage = false;
      if (!Room(out, headed ? 1 : 2, &newPage)) break;
      if (!headed || newPage) PeakHeadings(out, isWide, rows);
      headed = true;
      if (pages) out->SelectFixedFont();
      const double area = r::FieldAt<float>(s, r::step::kArea), height = r::FieldAt<float>(s, r::step::kHeight);
      const double amount = r::FieldAt<float>(s, r::step::kAmount);
      const std::string u = Text(s, r::step::kUnits, r::step::kUnitsSize);
      areas += area, heights += height;
      if (amount > 0) {
        amounts += amount;
        units.Add(u);
      }
      Put(out, l.number, Fmt("%3d", index + 1), Kind::Number);
      Put(out, l.time, Time3(r::FieldAt<float>(s, r::step::kRetentionTime)), Kind::Number);
      const std::string name = Text(s, r::step::kName, r::step::kNameSize);
      Put(out, l.name, pages ? name.substr(0, size_t(l.nameWidth)) : name, Kind::Quoted);
      if (isWide) {
        Put(out, l.status, StatusCell(s), Kind::Quoted);
        Put(out, l.cas, CasText(s), Kind::Quoted);
        RPTS_LegendAddStatusLetters(&legend, s);
      }
      Put(out, l.type, StatusText(Status(s), pages), Kind::Quoted);
      if (isWide) {
        Put(out, l.area, AreaOrHeight(12, area), Kind::Number);
        Put(out, l.height, AreaOrHeight(12, height), Kind::Number);
      } else {
        Put(out, l.area, AreaOrHeight(12, heightOnly ? height : area), Kind::Number);
      }
      const std::string amountText = Amount(12, amountFormat, amount, u);
      Put(out, l.amount, amountText, Kind::Number);
      if (!pages) Put(out, 0, u, Kind::Quoted);
      char text[kelt::reports::kCellTextSize] = {};
      if (isWide) {
        Put(out, l.bc, SeparationCode_GetString(r::FieldAt<int16_t>(s, 186)), Kind::Quoted);
        Put(out, l.reverse, KELT_FormatReverseSimilarity(s, text, 0), Kind::Number);
        Put(out, l.forward, KELT_FormatSimilarity(s, text, 0), Kind::Number);
        Put(out, l.probability, KELT_FormatHitProbability(s, text, 0), Kind::Number);
      } else {
        Put(out, l.reverse, KELT_FormatReverseSimilarity(s, text, 0), Kind::Number);
      }
      out->NextLine();
    }
    if (!headed && out->Ok) {
      // Counts named steps that could not be read: the table stays empty.
      NoneLine(out);
    }
    if (groupSummary && headed && out->Ok) {
      bool newPage = false;
      if (Room(out, 2, &newPage)) {
        if (newPage) PeakHeadings(out, isWide, rows);
        if (pages) out->SelectFixedFont();
        const std::string rule = "------------";
        const int amountAt = l.amount;
        if (pages) {
          Put(out, l.area, rule);
          if (isWide) Put(out, l.height, rule);
          Put(out, amountAt, rule);
          out->NextLine();
        } else {
          Put(out, 0, "Totals", Kind::Quoted);
        }
        if (isWide) {
          Put(out, l.area, AreaOrHeight(12, areas), Kind::Number);
          Put(out, l.height, AreaOrHeight(12, heights), Kind::Number);
        } else {
          Put(out, l.area, AreaOrHeight(12, heightOnly ? heights : areas), Kind::Number);
        }
        Put(out, amountAt, Amount(12, amountFormat, amounts, units.text) + (pages ? " " + units.text : ""),
            Kind::Number);
        if (!pages) Put(out, 0, units.text, Kind::Quoted);
        out->NextLine();
      }
    }
    RPTS_WriteLegend(&legend, out, 2);
    return out->Ok ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
