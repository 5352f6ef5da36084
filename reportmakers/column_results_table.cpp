// The configurable results table: the column catalogue, the columns a
// report format chooses split into blocks that fit the line, one row per
// result step with its check, qualifier and match lines, then the group
// summary or the totals and the legend of codes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/engine_binding.h"
#include "common/preference_records.h"
#include "common/report_fields.h"
#include "common/report_records.h"
#include "common/result_codes.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "quorna/ms_lists.h"
#include "quorna/quorna.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/result_tables.h"
#include "reportmakers/report_format.h"
#include "reportmakers/results_header.h"
#include "reportmakers/table_cells.h"
#include "reportpages/report_output.h"
#include "spectra/library_entry_texts.h"

namespace kelt::reports {

namespace {

constexpr ReportColumn kCatalogue[] = {
    {1, 6, 1, "Cmpd.", "Number"},
    {2, 9, 0, "RT", "(min)"},
    {3, 42, 0, "", "Peak Name"},
    {4, 7, 0, "", "Status"},
    {5, 13, 0, "", "Quan Ions"},
    {6, 9, 0, "", "Area"},
    {7, 9, 0, "", "Height"},
    {8, 12, 0, "", "Amount/RF"},
    {12, 8, 1, "  RT", "(min)"},
    {13, 13, 0, "CAS", "Number"},
    {14, 13, 0, "", "Channels"},
    {15, 11, 0, "Amount/RF", "Units"},
    {16, 5, 0, "Base.", "Code"},
    {17, 32, 1, "Calibration", "Equation"},
    {18, 42, 0, "IS", "Peak Name"},
    {19, 13, 0, "Result", "Type"},
    {20, 12, 0, "Peak", "Type"},
    {21, 22, 1, "Group", "Name"},
    {23, 24, 0, "Calculation", "Date"},
    {24, 24, 1, "Calibration", "Date"},
    {25, 10, 0, "Search", "Type"},
    {26, 8, 0, "Scan", "Number"},
    {27, 10, 1, "RRT", "(min)"},
    {28, 8, 0, "IS RT", "(min)"},
    {29, 8, 1, "Expected", "RT (min)"},
    {30, 9, 0, "IS", "Area"},
    {31, 9, 0, "IS", "Height"},
    {32, 12, 0, "IS", "Amount"},
    {33, 9, 0, "Peak", "Width"},
    {34, 10, 0, "Ion Time", "(uSec)"},
    {35, 7, 0, "", "Error"},
    {36, 7, 0, "Thresh-", "old"},
    {37, 7, 0, "Match", "Type"},
    {38, 6, 0, "Match", "Result"},
    {39, 22, 2, "Match 1", "Library"},
    {40, 8, 2, "Match 1", "Entry #"},
    {41, 6, 0, "S/N", "Ratio"},
    {42, 8, 1, "Peak", "Reject"},
    {44, 10, 1, "Amount", "Reject"},
    {45, 12, 1, "Corr.", "Coef."},
    {46, 80, 1, "", "Qual. Ion Ratio"},
    {48, 5, 1, "Slope", "Sens."},
    {50, 7, 1, "Tangent", "Percent"},
    {51, 22, 2, "Match 2", "Library"},
    {52, 8, 2, "Match 2", "Entry #"},
    {53, 22, 2, "Match 3", "Library"},
    {54, 8, 2, "Match 3", "Entry #"},
    {55, 12, 0, "", "RF Used"},
    {56, 6, 0, "Result", "Index"},
    {57, 6, 2, "Peak", "Number"},
    {58, 17, 1, "RT", "Window"},
    {59, 10, 1, "Peak Width", "Method"},
    {60, 22, 1, "Cali Curve", "Calculations"},
    {9, 6, 0, "F.", "Match"},
    {10, 6, 0, "R.", "Match"},
    {11, 6, 2, "", "Prob."},
    {61, 6, 2, "", "InLib"},
    {22, 42, 2, "Match 2", "Name"},
    {43, 42, 2, "Match 3", "Name"},
    {62, 6, 0, "IS", "Cmpd."},
    {63, 20, 0, "User", "Trace 2"},
    {64, 20, 0, "User", "Trace 3"},
    {65, 20, 0, "User", "Trace 4"},
    {66, 20, 0, "User", "Trace 5"},
    {67, 20, 0, "User", "Trace 6"},
    {68, 20, 0, "User", "Trace 7"},
    {69, 20, 0, "User", "Trace 8"},
    {70, 20, 0, "User", "Trace 9"},
    {71, 20, 0, "User", "Trace 10"},
    {72, 20, 0, "User", "Trace 11"},
    {73, 20, 0, "User", "Trace 12"},
    {74, 20, 0, "User", "Trace 13"},
    {75, 20, 0, "User", "Trace 14"},
    {76, 20, 0, "User", "Trace 15"},
    {77, 20, 0, "User", "Trace 16"},
    {78, 20, 0, "User", "Trace 17"},
    {79, 20, 0, "User", "Trace 18"},
    {80, 20, 0, "User", "Trace 19"},
    {81, 20, 0, "User", "Trace 20"},
    {82, 27, 1, "RRT %", "Deviation"},
    {83, 16, 1, "S/N", "Reject"},
};
static_assert(sizeof kCatalogue / sizeof kCatalogue[0] == 81);

constexpr uint32_t kColumnSetSize = 386, kColumnIds = 2, kColumnCount = 124;

bool IsMatchId(uint16_t id, int* level) {
  switch (id) {
    case 3: case 39: case 40: *level = 1; return id != 3;
    case 22: case 51: case 52: *level = 2; return true;
    case 43: case 53: case 54: *level = 3; return true;
    default: *level = 0; return false;
  }
}

}  // namespace

const ReportColumn* ReportColumnCatalogue(size_t* count) {
  if (count) *count = sizeof kCatalogue / sizeof kCatalogue[0];
  return kCatalogue;
}

const ReportColumn* FindReportColumn(uint16_t id) {
  for (const ReportColumn& c : kCatalogue)
    if (c.id == id) return &c;
  return nullptr;
}

ColumnLayout MakeColumnLayout(const void* columnSet, bool targets, bool librarySearch, bool scientificNotation,
                              bool userTraceIonTime, int left, int limit) {
  ColumnLayout l;
  if (!columnSet) return l;
  const uint16_t wide = FieldAt<uint16_t>(columnSet, 0);
  const int stored = std::min<int>(FieldAt<uint16_t>(columnSet, kColumnCount), ColumnLayout::kMaxColumns);
  for (int i = 0; i < stored; ++i) {
    const uint16_t id = FieldAt<uint16_t>(columnSet, kColumnIds + 2 * uint32_t(i));
    if (id == 82) {
      l.rrtLine = targets || l.rrtLine;
      continue;
    }
    if (id == 83) {
      l.snLine = targets || l.snLine;
      continue;
    }
    const ReportColumn* c = FindReportColumn(id);
    if (!c) continue;
    int level = 0;
    if (targets) {
      if (c->use == 2) continue;
    } else {
      // The match columns become match lines under each peak; "Peak Name"
      // raises the level to 1 without leaving the columns.
      const bool matchId = IsMatchId(id, &level);
      if (librarySearch && level > 0) l.matchLevel = std::max(l.matchLevel, level);
      if (matchId) continue;
      if (c->use == 1) continue;
    }
    uint16_t width = c->width;
    if (!scientificNotation && (id == 6 || id == 7 || id == 8)) width = uint16_t(width + 5);
    if (id == 34 && !userTraceIonTime) width = 20;
    l.ids[l.count] = id;
    l.widths[l.count] = width;
    ++l.count;
  }
  // Blocks: a column that would pass the right limit begins the next block,
  // indented by 5. The limit never passes the line.
  int right = left + (wide ? 138 : 78);
  if (limit >= 0) right = std::min(right, limit);
  int position = left;
  for (int i = 0; i < l.count; ++i) {
    const int width = l.ids[i] == 46 ? 0 : l.widths[i];
    if (l.blocks == 0 || (position + width > right && l.blockCount[l.blocks - 1] > 0)) {
      if (l.blocks == ColumnLayout::kMaxBlocks) {
        l.count = i;
        break;
      }
      l.blockFirst[l.blocks] = i;
      l.blockCount[l.blocks] = 0;
      position = l.blocks == 0 ? left : left + 5;
      ++l.blocks;
    }
    ++l.blockCount[l.blocks - 1];
    position += width;
  }
  return l;
}

}  // namespace kelt::reports

namespace {

namespace r = kelt::reports;
using namespace kelt::reports::cells;

int32_t Status(const void* step) { return r::FieldAt<int32_t>(step, r::step::kStatus); }
uint32_t Codes(const void* step) { return r::FieldAt<uint32_t>(step, r::step::kResultCodes); }

constexpr uint32_t kQualifierRecordSize = 1302;
constexpr uint32_t kStepTimeStamp = 102, kStepCalibrationTime = 106, kStepScan = 122, kStepStandardTime = 138;
constexpr uint32_t kStepStandardArea = 170, kStepStandardHeight = 174, kStepStandardAmount = 178;
constexpr uint32_t kStepBaselineCode = 186, kStepGroup = 51, kStepUserTraces = 1131, kStepSearchStatus = 288;
constexpr uint32_t kHeaderTraceCount = 2277, kHeaderTraceLabels = 2279;

std::string DateText(int32_t stamp) {
  char date[64] = {}, time[64] = {};
  const time32_t t = stamp;
  if (!KELT_FormatDateTimeFromLong(&t, date, time)) return {};
  return Fmt("%s %s", date, time);
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// What one call reads once.
struct Context {
  STRUCT_WORK_FILE* workFile = nullptr;
  std::vector<uint8_t> table = std::vector<uint8_t>(r::kGlobalTableSize);
  std::vector<uint8_t> header = std::vector<uint8_t>(r::kResultsHeaderSize);
  bool targets = false;
  int16_t amountFormat = 2;
  int traceCount = 0;
  bool ionTime = false;
  int targetSteps = 0;
  std::string TraceLabel(int i) const {
    return Text(header.data(), kHeaderTraceLabels + 14 * uint32_t(i), 14);
  }
};

// The records of one row.
struct RowRecords {
  std::vector<uint8_t> step = std::vector<uint8_t>(r::kResultStepSize);
  std::vector<uint8_t> standard = std::vector<uint8_t>(r::kResultStepSize);
  std::vector<uint8_t> qualifier = std::vector<uint8_t>(kQualifierRecordSize);
  std::vector<uint8_t> compound = std::vector<uint8_t>(r::kCompoundRecordSize);
  bool haveStandard = false, haveQualifier = false, haveCompound = false;
  int index = 0;
};

struct Cell {
  std::string text;
  Kind kind = Kind::Number;
};

Cell Quoted(std::string text) { return Cell{std::move(text), Kind::Quoted}; }

std::string Trace(const Context& c, const void* step, int index) {
  if (index >= c.traceCount || index >= 20) return "N/A";
  return Local(Fmt("%8.4f", r::FieldAt<double>(step, kStepUserTraces + 8 * uint32_t(index))));
}

// The cell of identifier id for one row; width is the column's width.
Cell CellOf(uint16_t id, int width, const Context& c, const RowRecords& row, STRUCT_RPT_LEGEND* legend) {
  const void* s = row.step.data();
  const void* comp = row.haveCompound ? row.compound.data() : nullptr;
  const void* table = c.table.data();
  const bool standard = r::FieldAt<int16_t>(s, r::step::kStandardNumber) >= 1;
  char text[kelt::reports::kCellTextSize] = {};
  switch (id) {
    case 1:
      return {Fmt("%4d", r::FieldAt<int16_t>(s, r::step::kCompoundIndex) + 1)};
    case 2:
      return {Local(Fmt("%7.3f", double(r::FieldAt<float>(s, r::step::kRetentionTime))))};
    case 3:
      return Quoted(Text(s, r::step::kName, 40));
    case 4: {
      const std::string letters = Text(s, r::step::kResultLetters, r::step::kResultLettersSize);
      if (legend) RPTS_LegendAddStatusLetters(legend, s);
      return Quoted(Codes(s) ? "X " + letters : letters);
    }
    case 5: {
      STRUCT_MASS_LIST list;
      std::memcpy(&list, static_cast<const uint8_t*>(s) + r::step::kMassList, sizeof list);
      char ions[512] = {};
      if (!FormatMassListText(ions, &list, MassDecimals(c.workFile))) ions[0] = 0;
      ions[sizeof ions - 1] = 0;
      return Quoted(ions);
    }
    case 6:
      return {AreaOrHeight(width - 2, r::FieldAt<float>(s, r::step::kArea))};
    case 7:
      return {AreaOrHeight(width - 2, r::FieldAt<float>(s, r::step::kHeight))};
    case 8:
      return {Amount(width - 2, c.amountFormat, r::FieldAt<float>(s, r::step::kAmount),
                     Text(s, r::step::kUnits, r::step::kUnitsSize))};
    case 9:
      return {KELT_FormatSimilarity(s, text, 0)};
    case 10:
      return {KELT_FormatReverseSimilarity(s, text, 0)};
    case 11:
      return {KELT_FormatHitProbability(s, text, 0)};
    case 61:
      return {KELT_FormatInLibraryProbability(s, text, 0)};
    case 12:
      return {Local(Fmt("%.3f", std::fabs(double(r::FieldAt<float>(s, r::step::kRetentionTime)) -
                                          r::FieldAt<float>(s, r::step::kExpectedRT))))};
    case 13:
      FormatCASNumber(r::FieldAt<uint32_t>(s, r::step::kCasNumber), text);
      return Quoted(text);
    case 14: {
      STRUCT_CHAN_LIST list;
      std::memcpy(&list, static_cast<const uint8_t*>(s) + r::step::kChanList, sizeof list);
      char channels[256] = {};
      if (!FormatChanList(channels, &list)) channels[0] = 0;
      channels[sizeof channels - 1] = 0;
      return Quoted(channels);
    }
    case 15:
      return Quoted(Text(s, r::step::kUnits, r::step::kUnitsSize));
    case 16:
      return Quoted(SeparationCode_GetString(r::FieldAt<int16_t>(s, kStepBaselineCode)));
    case 17: {
      std::string k, x, x2, x3;
      if (comp && r::CalibEquation(comp, k, x, x2, x3)) return Quoted(("y=" + x3 + x2 + x + k).substr(0, 30));
      return Quoted("");
    }
    case 18:
      return Quoted(row.haveStandard ? Text(row.standard.data(), r::step::kName, r::step::kNameSize) : "None");
    case 19:
      return Quoted(RPTS_FmtStatus(int16_t(Status(s)), text));
    case 20: {
      const int16_t bits = r::FieldAt<int16_t>(s, r::step::kPeakType);
      if (!bits) return Quoted("");
      if (legend) RPTS_LegendAddPeakTypes(legend, s);
      return Quoted(r::PeakType(bits, 1));
    }
    case 21:
      return Quoted(Text(s, kStepGroup, 41));
    case 23: {
      const int32_t stamp = r::FieldAt<int32_t>(s, kStepTimeStamp);
      return Quoted(stamp ? DateText(stamp) : "None");
    }
    case 24: {
      if (r::FieldAt<int16_t>(c.header.data(), r::header::kSampleType) != 1) return Quoted("");
      const int32_t stamp = r::FieldAt<int32_t>(s, kStepCalibrationTime);
      return Quoted(stamp > 0 ? DateText(stamp) : "");
    }
    case 25:
      return Quoted(r::SearchType(s, table, false));
    case 26: {
      const int32_t scan = r::FieldAt<int32_t>(s, kStepScan);
      return {scan == -1 ? "N/A" : Fmt("%6ld", long(scan))};
    }
    case 27: {
      const double rrt = r::FieldAt<float>(s, r::step::kRelativeRT);
      return {rrt > 0 ? Local(Fmt("%8.3f", rrt)) : "None"};
    }
    case 28:
      return {standard ? Local(Fmt("%6.3f", double(r::FieldAt<float>(s, kStepStandardTime)))) : "None"};
    case 29:
      return {Local(Fmt("%6.3f", double(r::FieldAt<float>(s, r::step::kExpectedRT))))};
    case 30:
      return {standard ? AreaOrHeight(width - 2, r::FieldAt<float>(s, kStepStandardArea)) : "None"};
    case 31:
      return {standard ? AreaOrHeight(width - 2, r::FieldAt<float>(s, kStepStandardHeight)) : "None"};
    case 32:
      return {standard ? Amount(width - 2, c.amountFormat, r::FieldAt<float>(s, kStepStandardAmount), "") : "None"};
    case 33: {
      const double w = r::FieldAt<float>(s, r::step::kWidth);
      return {KELT_IsNearlyEqual(w, 0.0) ? "N/A" : Local(Fmt("%5.1f", w)) + " sec"};
    }
    case 34:
      if (c.traceCount <= 0) return {"N/A"};
      if (c.ionTime) return {Fmt("%5ld", long(r::FieldAt<double>(s, kStepUserTraces)))};
      return {Trace(c, s, 0)};
    case 35: {
      if (!Codes(s)) return Quoted("");
      if (legend) RPTS_LegendAddErrorBits(legend, s);
      const std::string flags = Trimmed(r::ErrorFlags(s));
      return Quoted(flags.empty() ? "None" : flags);
    }
    case 36:
      return {KELT_FormatFitThreshold(s, text, 0)};
    case 37:
      if (legend) RPTS_LegendAddMatchType(legend, s, table);
      return Quoted(r::MatchType(s, table, false));
    case 38:
      return {KELT_FormatMatchValue(s, text, 0)};
    case 41: {
      const double sn = r::FieldAt<float>(s, r::step::kSignalToNoise);
      return {sn == 0 ? "N/A" : Fmt("%4.0f", sn)};
    }
    case 42:
      if (!c.targets || !comp) return {""};
      return {AreaOrHeight(width - 2, r::FieldAt<float>(comp, r::compound::kMinimumSize))};
    case 44:
      if (!c.targets || !comp) return {""};
      return {Local(Fmt("%.3f", double(r::FieldAt<float>(comp, r::compound::kMinimumAmount))))};
    case 48:
      if (!comp) return {""};
      return {Local(Fmt("%d", int(r::FieldAt<uint32_t>(comp, r::compound::kSlopeSensitivity))))};
    case 50:
      if (!comp) return {""};
      return {Local(Fmt("%d", int(r::FieldAt<uint32_t>(comp, r::compound::kTangentPercent)))) + "%"};
    case 55:
      if (c.targets) return Quoted("");
      return Quoted(r::RfUsed(table, s, true));
    case 56:
      return {Fmt("%4d", row.index + 1)};
    case 57:
      return {Fmt("%4d", row.index + 1 - c.targetSteps)};
    case 58:
      if (!comp) return Quoted("");
      return Quoted(Local(Fmt("%.3f", double(r::FieldAt<float>(s, r::step::kExpectedRT)))) + " +/- " +
                    Local(Fmt("%.3f", r::FieldAt<int32_t>(comp, r::compound::kRtTolerance) * 0.001)));
    case 59:
      if (!comp) return Quoted("");
      return Quoted(Local(Fmt("%.1f", r::FieldAt<int32_t>(comp, r::compound::kExpectedWidth) / 10.0)) + " sec");
    case 60:
      if (!comp) return Quoted("");
      return Quoted(r::CalibFitType(comp));
    case 62:
      if (!row.haveStandard) return {"None"};
      return {Fmt("%4d", r::FieldAt<int16_t>(row.standard.data(), r::step::kCompoundIndex) + 1)};
    default:
      if (id >= 63 && id <= 81) return {Trace(c, s, id - 62)};
      return {""};  // 45 (no coefficient is kept) and 46
  }
}

// A quantitation-ion list cut into pieces of at most 13 characters, each
// ending before the last sign found; the cut stops when none is found.
std::vector<std::string> IonPieces(const std::string& text) {
  std::vector<std::string> pieces;
  std::string rest = text;
  while (rest.size() > 13) {
    size_t cut = std::string::npos;
    for (size_t p = 13; p >= 1; --p)
      if (rest[p] == '+' || rest[p] == '-') {
        cut = p;
        break;
      }
    if (cut == std::string::npos) break;
    pieces.push_back(rest.substr(0, cut));
    rest = rest.substr(cut);
  }
  pieces.push_back(rest);
  return pieces;
}

// The two title lines of a column as the headings show them.
void Titles(const Context& c, uint16_t id, int width, std::string* t1, std::string* t2) {
  const r::ReportColumn* col = r::FindReportColumn(id);
  *t1 = col ? col->title1 : "";
  *t2 = col ? col->title2 : "";
  if ((id == 34 || (id >= 63 && id <= 81)) && c.traceCount > 0) {
    const int index = id == 34 ? 0 : id - 62;
    const std::string label = index < 20 ? c.TraceLabel(index) : std::string();
    if (!label.empty()) {
      const size_t open = label.find('(');
      *t1 = label.substr(0, open);
      *t2 = open == std::string::npos ? std::string() : label.substr(open, size_t(std::max(width, 0)));
    }
  }
  if (id == 8 && c.targets && r::FieldAt<int16_t>(c.header.data(), r::header::kSampleType) == 1) {
    *t1 = "Amount";
    *t2 = r::FieldAt<int16_t>(c.header.data(), r::header::kCalculationType) == 4 ? "(RF)" : "(RRF)";
  }
}

std::string TextTitle(const Context& c, uint16_t id, int width) {
  std::string t1, t2;
  Titles(c, id, width, &t1, &t2);
  if (id == 36) return "Threshold";
  if (id == 34 || (id >= 63 && id <= 81)) {
    const int index = id == 34 ? 0 : id - 62;
    if (c.traceCount > 0 && index < 20 && !c.TraceLabel(index).empty()) return c.TraceLabel(index).substr(0, 14);
  }
  if (t1.empty()) return t2;
  if (t2.empty()) return t1;
  return t1 + " " + t2;
}

struct Table {
  CReportOutput* out = nullptr;
  Context c;
  r::ColumnLayout layout;
  int left = 0, right = 0;
  bool pages = true;
  bool rrtCheck = false, snCheck = false;

  int BlockStart(int b) const { return b == 0 ? left : left + 5; }

  void Headings(int rows, bool firstTime, const char* title) {
    if (firstTime) RPTS_WriteSectionTitle(out, uint16_t(left), 1, title);
    if (!pages) {
      TextHeadings(rows);
      return;
    }
    out->SelectFixedFont();
    for (int b = 0; b < layout.blocks && out->Ok; ++b) {
      int position = BlockStart(b);
      std::vector<std::pair<int, std::string>> second;
      for (int k = 0; k < layout.blockCount[b]; ++k) {
        const int i = layout.blockFirst[b] + k;
        const uint16_t id = layout.ids[i];
        const int width = id == 46 ? 0 : layout.widths[i];
        std::string t1, t2;
        Titles(c, id, width, &t1, &t2);
        if (id == 12) {
          Put(out, position + 2, Trimmed(t1));
          RPTS_DrawDeltaMark(out, int16_t(position), out->Line);
        } else {
          Put(out, position, t1);
        }
        second.push_back({position, t2});
        if (width > 1) second.push_back({position, std::string(size_t(width - 1), '_')});
        position += width;
      }
      out->NextLine();
      for (const auto& [at, text] : second) Put(out, at, text);
      out->NextLine();
    }
    if (c.targets && (layout.rrtLine || layout.snLine || QualifierLinesOn)) {
      static const std::pair<const char*, int> kSub[] = {{"Ion", 0},        {"Actual RT", 6}, {"Actual", 18},
                                                         {"Specified", 26}, {"Range", 38},    {"Abundance", 48},
                                                         {"Status", 58}};
      Underlined(left + 5, "Type");
      for (const auto& [text, at] : kSub) Underlined(left + 11 + at, text);
      out->NextLine();
    }
    if (!c.targets && layout.matchLevel > 0) {
      static const std::pair<const char*, int> kSub[] = {{"Match", 0},   {"Result", 6},   {"Type", 12},
                                                         {"Library", 17}, {"Entry #", 27}, {"Name", 37}};
      for (const auto& [text, at] : kSub) Underlined(left + 5 + at, text);
      out->NextLine();
    }
  }

  void Underlined(int at, const char* text) {
    Put(out, at, text);
    Put(out, at, std::string(std::strlen(text), '_'));
  }

  void TextHeadings(int rows) {
    Put(out, 0, Fmt("Peaks: %d(", rows), Kind::Number);
    for (int i = 0; i < layout.count; ++i)
      if (layout.ids[i] != 46) Put(out, 0, TextTitle(c, layout.ids[i], layout.widths[i]), Kind::Quoted);
    if (c.targets && layout.rrtLine) {
      Put(out, 0, "RRT Actual", Kind::Quoted);
      if (rrtCheck)
        for (const char* t : {"RRT Specified", "RRT +/- Tolerance", "RRT Status"}) Put(out, 0, t, Kind::Quoted);
    }
    if (c.targets && layout.snLine) {
      Put(out, 0, "S/N Actual", Kind::Quoted);
      if (snCheck)
        for (const char* t : {"S/N Specified", "S/N Status"}) Put(out, 0, t, Kind::Quoted);
    }
    if (c.targets && QualifierLinesOn)
      for (int ion = 1; ion <= 5; ++ion) {
        Put(out, 0, Fmt("%s %d", "Ion", ion), Kind::Quoted);
        for (const char* t : {"Actual RT", "Actual", "Specified", "From Range", "To Range", "Abundance", "Status"})
          Put(out, 0, t, Kind::Quoted);
      }
    for (int m = 0; !c.targets && m < layout.matchLevel; ++m)
      for (const char* t : {"Match", "Result", "Type", "Library", "Entry #", "Name"}) Put(out, 0, t, Kind::Quoted);
    Put(out, 0, ")", Kind::Number);
    out->NextLine();
  }

  bool QualifierLinesOn = false;
};

}  // namespace

BOOL RPTS_WriteColumnResultsTable(CReportOutput* out, STRUCT_WORK_FILE* workFile, uint16_t kindMask,
                                  const void* columnSet, int16_t targets, int16_t qualifierLines,
                                  int16_t amountFormat, int16_t groupSummary, int16_t left, int16_t right) {
  try {
    if (!out || !workFile || !columnSet || !out->Ok) return 0;
    CompoundRecords compounds(workFile);
    EngineRecords records(workFile->filePath);
    Table t;
    t.out = out;
    t.pages = Pages(out);
    t.left = std::max<int>(0, left);
    t.right = right;
    Context& c = t.c;
    c.workFile = workFile;
    c.targets = targets != 0;
    c.amountFormat = amountFormat;
    if (!KELT_ReadGlobalTable(workFile, c.table.data())) return 0;
    if (!RPTS_ReadResults(workFile->filePath, c.header.data())) return 0;
    const void* table = c.table.data();
    const bool librarySearch = r::FieldAt<uint32_t>(table, r::table::kLibrarySearchUnknowns) == 1;
    t.rrtCheck = r::FieldAt<uint32_t>(table, r::table::kRrtCheck) != 0;
    t.snCheck = r::FieldAt<uint32_t>(table, r::table::kSignalToNoiseReject) != 0;
    c.traceCount = std::clamp<int>(workFile->msInfo.extraColumnCount, 0, 20);
    c.traceCount = std::min<int>(c.traceCount, std::max<int>(0, r::FieldAt<int16_t>(c.header.data(), kHeaderTraceCount)));
    c.ionTime = c.traceCount > 0 && Lower(c.TraceLabel(0).substr(0, 14)) == "ion time(usec)";
    STRUCT_GLOBAL_PREFS prefs{};
    KELT_GetCurrDefGlobalPrefs(&prefs);
    t.layout = r::MakeColumnLayout(columnSet, c.targets, librarySearch, prefs.misc.scientificNotation != 0, c.ionTime,
                                   t.left, t.pages ? out->Columns : -1);
    const r::ColumnLayout& l = t.layout;
    t.QualifierLinesOn = c.targets && qualifierLines;
    const char* title = c.targets ? "Target Compounds" : "Unidentified Peaks";

    // The kinds of this table that the mask selects, by the kind mask table.
    const uint16_t mask = uint16_t(kindMask & (c.targets ? r::kMaskCompounds : r::kMaskUnidentified));
    const int rows = r::CountOfMask(c.header.data(), mask);
    if (rows == 0) {
      RPTS_WriteSectionTitle(out, uint16_t(t.left), 1, title);
      if (t.pages) out->SelectNormalFont();
      if (t.pages) {
        Put(out, t.left, "None");
        out->Line = int16_t(out->Line + 2);
      } else {
        out->TextAtColumn(int16_t(t.left), "None");
        out->NextLine();
      }
      return 1;
    }
    c.targetSteps = r::CompoundStepCount(c.header.data());
    const int first = c.targets ? 0 : c.targetSteps;
    const int end = c.targets ? c.targetSteps : c.targetSteps + r::UnidentifiedStepCount(c.header.data());
    if (first >= end) return 1;

    struct GroupEntry {
      std::string name;
      double area, height, amount;
      std::string units;
    };
    std::vector<GroupEntry> groups;
    const bool wantGroups = c.targets && groupSummary;
    if (wantGroups) groups.reserve(size_t(end - first));

    double sums[3] = {0, 0, 0};
    int printed[3] = {0, 0, 0};
    CommonUnits units;
    bool readError = false, firstRow = true;
    STRUCT_RPT_LEGEND legend;
    RowRecords row;
    auto has = [&](uint16_t id) {
      for (int i = 0; i < l.count; ++i)
        if (l.ids[i] == id) return true;
      return false;
    };
    const bool wantsStandard = has(18) || has(62);
    int ionsColumn = -1;
    for (int i = 0; i < l.count; ++i)
      if (l.ids[i] == 5) ionsColumn = i;

    for (int index = first; index < end && out->Ok; ++index) {
      row.index = index;
      if (!records.Step(index, row.step.data())) {
        readError = true;
        break;
      }
      const void* s = row.step.data();
      const int32_t kind = Status(s);
      if (!(r::MaskOfKind(kind) & mask)) continue;
      const std::string groupName = Text(s, kStepGroup, 41);
      if (wantGroups && !groupName.empty())
        groups.push_back({groupName, r::FieldAt<float>(s, r::step::kArea), r::FieldAt<float>(s, r::step::kHeight),
                          r::FieldAt<float>(s, r::step::kAmount), Text(s, r::step::kUnits, r::step::kUnitsSize)});
      row.haveStandard = wantsStandard && r::FieldAt<int16_t>(s, r::step::kStandardNumber) > 0 &&
                         RPTS_ReadISResultStep(workFile->filePath, s, row.standard.data());
      row.haveQualifier = t.QualifierLinesOn &&
                          records.Qualifier(r::FieldAt<int32_t>(s, r::step::kCompoundNumber), row.qualifier.data()) &&
                          r::FieldAt<int16_t>(row.qualifier.data(), 12) > 0;
      row.haveCompound = false;
      if (c.targets) {
        row.haveCompound = compounds.Read(s, row.compound.data());
        if (!row.haveCompound) readError = true;
      }
      if (!row.haveCompound) row.haveQualifier = false;
      // Library hits 2 and 3 of a searched peak.
      void* hits[2] = {nullptr, nullptr};
      int matches = 0;
      if (!c.targets && (kind == 3 || kind == 5) && l.matchLevel > 0) {
        matches = l.matchLevel;
        const int16_t peak = r::FieldAt<int16_t>(s, r::step::kTicPeak);
        if (peak != -1) {
          if (l.matchLevel >= 2) hits[0] = RPTS_ReadTICHitRecord(workFile->filePath, peak, 1);
          if (l.matchLevel >= 3) hits[1] = RPTS_ReadTICHitRecord(workFile->filePath, peak, 2);
        }
        if (matches >= 3 && !hits[1]) matches = 2;
        if (matches >= 2 && !hits[0]) matches = 1;
      }
      struct HitsRelease {
        void** h;
        ~HitsRelease() {
          RPTS_FreeTICHitRecord(h[0]);
          RPTS_FreeTICHitRecord(h[1]);
        }
      } release{hits};
      const int qualifierIons = row.haveQualifier ? std::clamp<int>(r::FieldAt<int16_t>(row.qualifier.data(), 12), 0, 5) : 0;

      // The cells of the row, made before the page is judged.
      std::vector<Cell> cells(size_t(l.count));
      for (int i = 0; i < l.count; ++i) cells[size_t(i)] = CellOf(l.ids[i], l.widths[i], c, row, &legend);
      std::vector<std::string> ionPieces;
      if (ionsColumn >= 0) ionPieces = t.pages ? IonPieces(cells[size_t(ionsColumn)].text)
                                               : std::vector<std::string>{cells[size_t(ionsColumn)].text};

      int need = l.blocks;
      if (c.targets) need += (l.rrtLine && t.rrtCheck ? 1 : 0) + (l.snLine ? 1 : 0) + qualifierIons;
      else need += matches;
      if (firstRow) {
        need += 2 + 2 * l.blocks;
        if (c.targets && (l.rrtLine || l.snLine || t.QualifierLinesOn)) ++need;
        if (!c.targets && l.matchLevel > 0) ++need;
      }
      if (t.pages && ionPieces.size() > 1) need += int(ionPieces.size()) - 1;
      bool newPage = false;
      if (!Room(out, need, &newPage)) break;
      if (firstRow || newPage) t.Headings(rows, firstRow, title);
      firstRow = false;
      if (!out->Ok) break;

      // Cells, block by block.
      if (t.pages) out->SelectFixedFont();
      for (int b = 0; b < l.blocks; ++b) {
        int position = t.BlockStart(b);
        int tallest = 1;
        for (int k = 0; k < l.blockCount[b]; ++k) {
          const int i = l.blockFirst[b] + k;
          const uint16_t id = l.ids[i];
          const int width = id == 46 ? 0 : l.widths[i];
          if (id != 46) {
            const Cell& cell = cells[size_t(i)];
            if (i == ionsColumn && t.pages) {
              for (size_t p = 0; p < ionPieces.size(); ++p) {
                out->Line = int16_t(out->Line + int(p));
                Put(out, position, ionPieces[p]);
                out->Line = int16_t(out->Line - int(p));
              }
              tallest = std::max(tallest, int(ionPieces.size()));
            } else {
              Put(out, position, cell.text, cell.kind);
            }
            if ((id == 6 || id == 7 || id == 8) && !cell.text.empty()) {
              const int slot = id - 6;
              const double v = r::FieldAt<float>(s, id == 6 ? r::step::kArea : id == 7 ? r::step::kHeight
                                                                                        : r::step::kAmount);
              ++printed[slot];
              if (id != 8) sums[slot] += v;
              else if (v > 0) {
                sums[slot] += v;
                units.Add(Text(s, r::step::kUnits, r::step::kUnitsSize));
              }
            }
          }
          position += width;
        }
        if (t.pages) out->Line = int16_t(out->Line + tallest);
      }

      // The relative-retention-time and signal-to-noise check lines.
      const int sub = t.left + 5;
      // On pages the line shows when the check is on; a text file keeps its
      // actual value column whenever the line is asked for.
      if (c.targets && l.rrtLine && (t.rrtCheck || !t.pages)) {
        const double actual = r::FieldAt<float>(s, r::step::kRelativeRT);
        const double specified = r::FieldAt<float>(s, r::step::kExpectedRRT);
        const int32_t tolerance = r::FieldAt<int32_t>(table, r::table::kRrtTolerance);
        if (t.pages) Put(out, sub, "RRT");
        Put(out, t.left + 29, Local(Fmt("%6.3f", actual)), Kind::Number);
        if (t.rrtCheck && tolerance > 0 && specified > 0) {
          const double low = specified - tolerance / 1000.0, high = specified + tolerance / 1000.0;
          Put(out, t.left + 37, Local(Fmt("%7.3f", specified)), Kind::Number);
          if (t.pages)
            Put(out, t.left + 47, Fmt("%s - %s", Local(Fmt("%6.3f", low)).c_str(), Local(Fmt("%6.3f", high)).c_str()));
          else
            Put(out, 0, Local(Fmt("%.3f", tolerance / 1000.0)), Kind::Number);
          Put(out, t.left + 69, actual < low || actual > high ? "Fail" : "Pass", Kind::Quoted);
        } else if (!t.pages && t.rrtCheck) {
          for (int k = 0; k < 3; ++k) Put(out, 0, "", Kind::Quoted);
        }
        if (t.pages) out->NextLine();
      }
      if (c.targets && l.snLine) {
        const double sn = r::FieldAt<float>(s, r::step::kSignalToNoise);
        if (t.pages) Put(out, sub, "S/N");
        Put(out, t.left + 29, KELT_IsNearlyEqual(sn, 0.0) ? "---" : Fmt("%.0f", sn), Kind::Number);
        if (t.snCheck) {
          const int16_t minimum = row.haveCompound
                                      ? r::FieldAt<int16_t>(row.compound.data(), r::compound::kSignalToNoiseThreshold)
                                      : int16_t(0);
          Put(out, t.left + 37, Fmt("%3d", minimum), Kind::Number);
          Put(out, t.left + 69, minimum <= sn ? "Pass" : "Fail", Kind::Quoted);
        }
        if (t.pages) out->NextLine();
      }
      if (t.QualifierLinesOn) {
        if (row.haveQualifier) {
          bool page = false;
          if (t.pages && !Room(out, 1 + qualifierIons, &page)) break;
          RPTS_WriteQualifierLines(out, workFile, s, row.qualifier.data(), row.compound.data(), 0, 0,
                                   int16_t(t.left + 11));
        } else if (!t.pages) {
          for (int k = 0; k < 40; ++k) Put(out, 0, "", Kind::Quoted);
        }
      }

      // Match lines of a searched peak.
      if (!c.targets && l.matchLevel > 0) {
        bool page = false;
        if (t.pages && matches > 0 && !Room(out, 1 + matches, &page)) break;
        const std::string type = r::MatchType(s, table, false);
        const bool noSearch = r::FieldAt<uint16_t>(s, kStepSearchStatus) != 0 || Lower(type) == "no search";
        for (int k = 1; k <= l.matchLevel; ++k) {
          if (k > matches) {
            if (!t.pages)
              for (int e = 0; e < 6; ++e) Put(out, 0, "", Kind::Quoted);
            continue;
          }
          const int at = t.left;
          Put(out, at + 7, Fmt("%d", k), Kind::Number);
          const float value = k == 1 ? r::FieldAt<float>(s, r::step::kMatchValue)
                                     : r::FieldAt<float>(hits[k - 2], 16);
          Put(out, at + 11, noSearch ? "N/A" : value == -1.0f ? "----" : Fmt("%4.0f", double(value)), Kind::Number);
          Put(out, at + 17, type, Kind::Quoted);
          const bool entry = k == 1 ? r::FieldAt<int16_t>(s, r::step::kLibraryIndex) != -1 : true;
          if (entry) {
            char library[kelt::reports::kCellTextSize] = {};
            std::string name;
            int32_t number;
            if (k == 1) {
              std::snprintf(library, sizeof library, "%s",
                            r::LibraryName(table, r::FieldAt<int16_t>(s, r::step::kLibraryIndex), 20).c_str());
              number = r::FieldAt<int32_t>(s, r::step::kFirstHitEntry);
              name = Text(s, r::step::kName, r::step::kNameSize);
            } else {
              RPTS_FmtHitLibraryName(hits[k - 2], library, 20);
              number = r::FieldAt<int32_t>(hits[k - 2], 427);
              name = Text(hits[k - 2], 40, 300);
            }
            const int room = t.pages ? std::max(0, t.right - (t.left + 42)) : 60;
            Put(out, at + 22, library, Kind::Quoted);
            Put(out, at + 32, Fmt("%6d", number), Kind::Number);
            Put(out, at + 42, name.substr(0, size_t(room)), Kind::Quoted);
          } else if (!t.pages) {
            for (int e = 0; e < 3; ++e) Put(out, 0, "", Kind::Quoted);
          }
          if (t.pages) out->NextLine();
        }
      }
      if (!t.pages) out->NextLine();
    }

    // Group summary of a compound table.
    if (wantGroups && !readError && out->Ok && !groups.empty()) {
      std::vector<size_t> order;
      for (size_t g = 0; g < groups.size(); ++g) {
        bool seen = false;
        for (size_t o : order) seen = seen || groups[o].name == groups[g].name;
        if (!seen) order.push_back(g);
      }
      bool page = false;
      if (Room(out, 1 + int(order.size()), &page)) {
        if (t.pages) out->SelectFixedFont();
        struct SumColumn {
          uint16_t id;
          int at, width;
        };
        std::vector<SumColumn> columns;
        int at = t.left + 44;
        for (uint16_t id : {uint16_t(6), uint16_t(7), uint16_t(8)})
          for (int i = 0; i < l.count; ++i)
            if (l.ids[i] == id) {
              columns.push_back({id, at, l.widths[i]});
              at += l.widths[i] + 5;
              break;
            }
        Put(out, t.left, "Group", Kind::Quoted);
        for (const SumColumn& sc : columns) {
          std::string t1, t2;
          Titles(c, sc.id, sc.width, &t1, &t2);
          Put(out, sc.at, t2, Kind::Quoted);
        }
        if (t.pages) {
          Put(out, t.left, "_____");
          for (const SumColumn& sc : columns) Put(out, sc.at, std::string(size_t(std::max(sc.width - 1, 0)), '_'));
        }
        out->NextLine();
        for (size_t o : order) {
          if (!out->Ok) break;
          double area = 0, height = 0, amount = 0;
          CommonUnits groupUnits;
          for (const GroupEntry& e : groups)
            if (e.name == groups[o].name) {
              area += e.area, height += e.height;
              if (e.amount > 0) {
                amount += e.amount;
                groupUnits.Add(e.units);
              }
            }
          Put(out, t.left, groups[o].name, Kind::Quoted);
          for (const SumColumn& sc : columns) {
            const int cellAt = std::max(0, sc.at - 2);
            if (sc.id == 8)
              Put(out, cellAt, Amount(12, amountFormat, amount, groupUnits.text) + (t.pages ? " " + groupUnits.text : ""),
                  Kind::Number);
            else
              Put(out, cellAt, AreaOrHeight(10, sc.id == 6 ? area : height), Kind::Number);
          }
          out->NextLine();
        }
      }
    }

    // Totals of an unidentified table.
    if (!c.targets && !readError && out->Ok && (printed[0] || printed[1] || printed[2])) {
      const char* labels[3] = {"Area Total:", "Height Total:", "Amount Total:"};
      auto total = [&](int k, int width) {
        return k == 2 ? Amount(width, amountFormat, sums[2], units.text) + (t.pages ? " " + units.text : "")
                      : AreaOrHeight(width, sums[k]);
      };
      if (!t.pages || l.blocks > 1) {
        for (int k = 0; k < 3 && out->Ok; ++k) {
          if (!printed[k]) continue;
          bool page = false;
          if (!Room(out, 1, &page)) break;
          Put(out, t.left, labels[k], Kind::Quoted);
          Put(out, t.left + 20, total(k, 12), Kind::Number);
          out->NextLine();
        }
      } else {
        bool page = false;
        if (Room(out, 2, &page)) {
          std::vector<std::pair<int, int>> at;  // (position, slot)
          int position = t.left;
          for (int i = 0; i < l.count; ++i) {
            const uint16_t id = l.ids[i];
            if ((id == 6 || id == 7 || id == 8) && printed[id - 6]) at.push_back({position, id - 6});
            position += id == 46 ? 0 : l.widths[i];
          }
          out->SelectFixedFont();
          if (page) {
            for (const auto& [p, k] : at) {
              std::string t1, t2;
              Titles(c, uint16_t(6 + k), l.widths[0], &t1, &t2);
              Put(out, p, t2);
            }
            out->NextLine();
          }
          for (const auto& [p, k] : at) {
            int width = 0;
            for (int i = 0; i < l.count; ++i)
              if (l.ids[i] == 6 + k) width = l.widths[i];
            Put(out, p, std::string(size_t(std::max(width - 1, 0)), '-'));
          }
          out->NextLine();
          for (const auto& [p, k] : at) {
            int width = 0;
            for (int i = 0; i < l.count; ++i)
              if (l.ids[i] == 6 + k) width = l.widths[i];
            Put(out, p, total(k, std::max(width - 2, 1)));
          }
          out->NextLine();
        }
      }
    }
    RPTS_WriteLegend(&legend, out, uint16_t(t.left));
    if (t.pages) ++out->Line;
    return out->Ok && !readError ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
