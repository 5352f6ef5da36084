// The summary report of a batch, as pages or as a separated text file.
#include "reportmakers/summary_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "common/result_codes.h"
#include "orvik32/orvik32.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/report_makers.h"
#include "reportmakers/summary_outputs.h"
#include "reportpages/report_output.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"

namespace kelt::reports {

namespace {
template <class T>
T FormatField(const void* p, uint32_t offset) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
  return v;
}
}  // namespace

SummaryKeys SummaryKeysOf(const void* format) {
  SummaryKeys k;
  if (!format) return k;
  k.depth = std::clamp<int16_t>(FormatField<int16_t>(format, 2753), 0, 2);
  for (int i = 0; i < 3; ++i) {
    k.keys[i] = FormatField<int16_t>(format, 2745 + 2 * uint32_t(i));
    if (k.keys[i] < 0 || k.keys[i] > 4) k.keys[i] = 4;
  }
  k.keyChars = std::clamp<int>(FormatField<uint16_t>(format, 2751), 1, 19);
  return k;
}

const char* SummaryRunName(uint32_t run) {
  switch (run) {
    case 1: return "Calibration";
    case 2: return "Analysis";
    case 3: return "Verification";
    default: return "";
  }
}

std::string SummaryText(const char* field, size_t size) {
  std::string t(field, strnlen(field, size));
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return t;
}

std::string SummaryTextFileName(const char* listName, const char* suffix, int16_t format) {
  std::string base = listName ? listName : "";
  const size_t slash = base.find_last_of("\\/");
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
  return base + suffix + (format == 1 ? ".txt" : format == 2 ? ".prn" : ".csv");
}

std::string SummarySortText(const SummaryKeys& k) {
  static const char* names[] = {"Compound", "Run Type", "Sample ID", "Calibration Level"};
  std::string t[3];
  for (int i = 0; i < 3; ++i) t[i] = k.keys[i] == 4 ? (i == 0 ? "None" : "") : names[k.keys[i]];
  std::string s = "(Sorted by " + t[0];
  if (!t[1].empty()) s += ", " + t[1];
  if (!t[2].empty()) s += ", " + t[2];
  s += "; Grouped by " + t[k.depth] + ")";
  return s;
}

bool SummarySameKey(const SummaryKeys& k, int level, const STRUCT_SUMMARY_ROW& a, const STRUCT_SUMMARY_ROW& b) {
  switch (k.keys[level]) {
    case 0: return SummaryText(a.name, sizeof a.name) == SummaryText(b.name, sizeof b.name);
    case 1: return a.runType == b.runType;
    case 2: return std::strncmp(a.sampleId, b.sampleId, std::min<size_t>(size_t(k.keyChars), sizeof a.sampleId)) == 0;
    case 3: return a.level == b.level;
    default: return true;
  }
}

std::vector<const STRUCT_SUMMARY_ROW*> CollectSummaryGroup(const SummaryKeys& k, const STRUCT_SUMMARY_ROW_LIST& list,
                                                           int32_t* at) {
  std::vector<const STRUCT_SUMMARY_ROW*> group;
  const int32_t count = list.rows ? std::max(0, list.count) : 0;
  int32_t j = *at;
  const STRUCT_SUMMARY_ROW* first = j < count ? list.rows[j] : nullptr;
  if (!first || first->errorRow) {
    *at = j + 1;
    return group;
  }
  for (; j < count; ++j) {
    const STRUCT_SUMMARY_ROW* r = list.rows[j];
    if (!r || r->errorRow) break;
    bool same = true;
    for (int level = 0; level <= k.depth && same; ++level) same = SummarySameKey(k, level, *first, *r);
    if (!same) break;
    group.push_back(r);
  }
  *at = std::max(j, *at + 1);
  return group;
}

int CountSeparatedFields(const char* line, size_t n, char sep) {
  if (n == 0) return 0;
  int fields = 1;
  bool quoted = false;
  for (size_t i = 0; i < n; ++i) {
    const char c = line[i];
    if (c == '"') {
      if (quoted && i + 1 < n && line[i + 1] == '"') {
        ++i;  // a doubled quote inside a quoted field
      } else {
        quoted = !quoted;
      }
    } else if (c == sep && !quoted) {
      ++fields;
    }
  }
  return fields;
}

bool EvenOutSeparatedRows(const char* path, char sep) {
  if (!path) return false;
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) text.append(buffer, got);
  CloseHandle(h);
  if (!ok) return false;
  // Rows end with CR LF; a lone LF ends a row too.
  std::vector<std::string> rows;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string row = text.substr(at, end - at);
    if (!row.empty() && row.back() == '\r') row.pop_back();
    rows.push_back(row);
    at = end + 1;
  }
  // A row that ends with the separator closes its last field with it.
  auto fieldsOf = [&](const std::string& r) {
    int n = CountSeparatedFields(r.data(), r.size(), sep);
    if (!r.empty() && r.back() == sep) --n;
    return n;
  };
  int widest = 0;
  for (const auto& r : rows) widest = std::max(widest, fieldsOf(r));
  std::string out;
  widest = std::max(widest, 1);
  for (auto& r : rows) {
    // Every row ends its last field with the separator, as the reports do.
    int n = fieldsOf(r);
    if (!r.empty() && r.back() != sep) r += sep;
    if (r.empty()) {
      r = "\"\"";
      r += sep;
      n = 1;
    }
    for (; n < widest; ++n) {
      r += "\"\"";
      r += sep;
    }
    out += r;
    out += "\r\n";
  }
  // The new text goes beside the file and then over it in one step.
  const std::string temp = std::string(path) + ".new";
  h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  ok = out.empty() || (WriteFile(h, out.data(), DWORD(out.size()), &written, nullptr) && written == out.size());
  CloseHandle(h);
  if (!ok || !MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace kelt::reports

namespace {

template <class T>
T At(const void* p, uint32_t offset) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
  return v;
}

// Report-format fields of the summary.
constexpr uint32_t kTextFormat = 24, kDecimals = 30, kKey1 = 2745, kKeyChars = 2751, kDepth = 2753,
                   kTitle = 2755, kTitleSize = 41, kStatistics = 2796;
static_assert(kKeyChars == kKey1 + 6 && kDepth == kKey1 + 8);

enum Heading { kLine, kFile, kSample, kInj, kPeak, kRun, kName, kRes, kTime, kArea, kHeight, kResults, kUnits, kStatus };

const char* RunName(uint32_t run) { return kelt::reports::SummaryRunName(run); }

std::string Text(const char* field, size_t size) { return kelt::reports::SummaryText(field, size); }

class CSummaryReportOutput : public CReportOutput {
 public:
  CSummaryReportOutput(char* name, STRUCT_REPORT_PREFS* prefs, int16_t kind, const char* listName, const void* format)
      : CReportOutput(kind == SUMMARY_REPORT_PAGES ? name : nullptr, prefs,
                      int16_t(kind == SUMMARY_REPORT_PAGES ? 140 : 220), uint16_t(kind == SUMMARY_REPORT_PAGES ? 60 : 0),
                      uint16_t(kind == SUMMARY_REPORT_PAGES ? 1 : 0), kind),
        list_(listName ? Text(listName, MAX_PATH) : ""),
        format_(format) {
    grouping_ = kelt::reports::SummaryKeysOf(format);
    depth_ = grouping_.depth;
    for (int i = 0; i < 3; ++i) keys_[i] = grouping_.keys[i];
    decimals_ = std::clamp<int16_t>(At<int16_t>(format, kDecimals), 0, 6);
    title_ = Text(static_cast<const char*>(format) + kTitle, kTitleSize);
    for (int i = 0; i < 4; ++i) stats_[i] = At<uint16_t>(format, kStatistics + 2 * uint32_t(i)) != 0;
  }

  int NewPage() override {
    if (Kind != REPORT_OUTPUT_PAGES) return 1;
    if (!CReportOutput::NewPage()) return 0;
    PageHeading(nullptr);
    // A group running on gets its headings again.
    if (inGroup_ && !inStatistics_) GroupHeadings(false);
    return 1;
  }

  bool Pages() const { return Kind == REPORT_OUTPUT_PAGES; }

  void Columns() {
    headings_ = {"Line#", "Data File", "Sample ID", "Inj #", "Peak#", "Run", "Compound Name", "Res.",
                 "Ret. Time", "Area     ", "Height   ", "Results  "};
    if (!Pages()) headings_.push_back("Units ");
    headings_.push_back("Status");
    col_.assign(kStatus + 1, 0);
    static const int adjust[] = {-1, 7, -2, -2, -1, 0, 17, 0, 0, 1, 1, 5, 0, 0};
    int at = depth_ ? 8 : 4;
    for (size_t i = 0, k = 0; i < headings_.size(); ++i, ++k) {
      if (Pages() && k == kUnits) ++k;  // pages carry the units in the results column
      col_[k] = int16_t(at);
      at += int(std::strlen(headings_[i])) + 1 + adjust[k];
    }
    if (Pages()) col_[kStatus] = col_[kResults] + 15;
    if (!Pages()) col_[kRes] = 8;
  }

  std::string SortText() const { return kelt::reports::SummarySortText(grouping_); }

  void Centred(const std::string& text) {
    if (!Pages() || !Page || !PageDC) return;
    SIZE size{};
    KELT_GetTextSize(PageDC, text.c_str(), &size);
    const int l = Page->ColumnToX(2), r = Page->ColumnToX(138);
    Page->XYTextOut(int16_t(l + std::max(0, int(r - l - size.cx) / 2)), Page->LineToY(Line), text.c_str());
  }

  void PageHeading(const STRUCT_SUMMARY_ROW_LIST* rows) {
    const bool empty = rows && rows->count == 0;
    if (Pages()) {
      if (!Ok) return;
      const int16_t font = FontIndex;
      SelectLargeFont();
      char name[160] = {};
      KELT_TruncateFilenameString(list_.c_str(), 136, name);
      Centred(name);
      NextLine();
      SelectNormalFont();
      Centred(SortText());
      NextLine();
      if (empty) {
        SelectLargeFont();
        NextLine();
        Centred("NO DATA TO SUMMARIZE");
        NextLine();
      }
      if (font >= 0) SelectFontByIndex(font);
      return;
    }
    if (!rows) return;
    const std::string lines[] = {"", title_.empty() ? "Summary Report" : title_, list_, SortText(), ""};
    for (const auto& l : lines) {
      QuotedTextAtColumn(0, l.c_str());
      NextLine();
    }
    if (empty) {
      QuotedTextAtColumn(0, "NO DATA TO SUMMARIZE");
      NextLine();
    }
  }

  std::string KeyHeading(int level, const STRUCT_SUMMARY_ROW& r) const {
    char t[120] = {};
    switch (keys_[level]) {
      case 0:
        std::snprintf(t, sizeof t, "Compound %u:  %s", unsigned(r.compoundNumber), Text(r.name, sizeof r.name).c_str());
        break;
      case 1: std::snprintf(t, sizeof t, "Run Type:  %s", RunName(r.runType)); break;
      case 2: std::snprintf(t, sizeof t, "Sample ID:  %s", Text(r.sampleId, sizeof r.sampleId).c_str()); break;
      case 3:
        if (r.level == 0x1000)
          std::snprintf(t, sizeof t, "Non-Calibration Results");
        else
          std::snprintf(t, sizeof t, "Level %hu", uint16_t(r.level + 1));
        break;
      default:
        if (level == 0 && depth_ == 0) std::snprintf(t, sizeof t, "NO GROUPING");
        break;
    }
    return t;
  }

  void GroupHeadings(bool columnsAfter = true) {
    if (Pages()) {
      SelectBoldFont();
      static const int16_t indent[] = {0, 4, 8};
      for (int i = 0; i <= depth_; ++i) {
        if (groupHeading_[i].empty()) continue;
        TextAtColumn(int16_t(LabelColumn + indent[i]), groupHeading_[i].c_str());
        NextLine();
      }
    } else {
      for (int i = 0; i <= depth_; ++i) {
        for (int k = 0; k < i; ++k) QuotedTextAtColumn(0, "");
        QuotedTextAtColumn(0, groupHeading_[i].c_str());
      }
      NextLine();
    }
    (void)columnsAfter;
    if (Pages()) {
      SelectUNormalFont();
      for (size_t i = 0, k = 0; i < headings_.size(); ++i, ++k) {
        if (k == kUnits) ++k;
        TextAtColumn(col_[k], headings_[i]);
      }
      NextLine();
      SelectFixedFont();
    } else {
      QuotedTextAtColumn(0, "");
      for (const char* h : headings_) QuotedTextAtColumn(0, h);
      NextLine();
    }
  }

  void ReportRow() {
    if (Pages() && Line + 5 > LastLine && !NewPage()) return;
    inGroup_ = true;
    GroupHeadings();
  }

  void Cell(Heading h, const char* text, bool quoted = true) {
    if (Pages())
      TextAtColumn(col_[h], text);
    else if (quoted)
      QuotedTextAtColumn(0, text);
    else
      SepTextAtColumn(0, text);
  }

  void Row(const STRUCT_SUMMARY_ROW& r, STRUCT_RPT_LEGEND* legend) {
    char t[300];
    if (!Pages()) QuotedTextAtColumn(0, "");
    std::snprintf(t, sizeof t, "%4hu", r.line);
    Cell(kLine, t, false);
    const std::string path = Text(r.path, sizeof r.path);
    if (Pages()) {
      char cut[300] = {};
      KELT_TruncateFilenameString(path.c_str(), int16_t(col_[kSample] - col_[kFile] - 1), cut);
      Cell(kFile, cut);
    } else {
      Cell(kFile, path.c_str());
    }
    std::string sample = Text(r.sampleId, sizeof r.sampleId);
    if (Pages()) sample = sample.substr(0, size_t(col_[kInj] - col_[kSample] + 1 > 0 ? col_[kInj] - col_[kSample] : 1));
    Cell(kSample, sample.c_str());
    std::snprintf(t, sizeof t, "%3hu", r.injection);
    Cell(kInj, t, false);
    std::snprintf(t, sizeof t, "%3hu", r.compoundNumber);
    if (Pages())
      TextAtColumn(int16_t(col_[kPeak] + 1), t);
    else
      Cell(kPeak, t, false);
    if (Pages()) {
      if (r.runType == 1)
        std::snprintf(t, sizeof t, "C%2d", r.level + 1);
      else
        std::snprintf(t, sizeof t, "%s", r.runType == 2 ? "A" : r.runType == 3 ? "V" : "");
    } else {
      if (r.runType == 1)
        std::snprintf(t, sizeof t, "Calib(Level %hu)", uint16_t(r.level + 1));
      else
        std::snprintf(t, sizeof t, "%s", RunName(r.runType));
    }
    Cell(kRun, t);
    std::string name = Text(r.name, sizeof r.name);
    if (Pages()) name = name.substr(0, size_t(col_[kRes] - col_[kName]));
    Cell(kName, name.c_str());
    static const char* shortType[] = {"ID", "Miss", "Fail", "TIC", "Unkn", "Dup"};
    static const char* longType[] = {"Identified", "Missing", "Failed", "TIC", "Unknown", "Duplicate"};
    const char* type = r.resultType < 6 ? (Pages() ? shortType : longType)[r.resultType] : "";
    Cell(kRes, type);
    std::snprintf(t, sizeof t, "%7.3f", double(r.retentionTime));
    KELT_GetLocalNumberString(t);
    if (Pages())
      TextAtColumn(int16_t(col_[kTime] - 1), t);
    else
      Cell(kTime, t, false);
    for (Heading h : {kArea, kHeight}) {
      KELT_FormatAreaOrHeight(12, h == kArea ? r.area : r.height, t);
      if (Pages())
        TextAtColumn(int16_t(col_[h] - 2), t);
      else
        Cell(h, t, false);
    }
    const std::string units = Text(r.units, sizeof r.units);
    if (Pages()) {
      if (r.amount < 0) {
        TextAtColumn(int16_t(col_[kResults] - 2), "N/A");
      } else {
        char amount[64] = {};
        KELT_FormatResultAmount(12, decimals_, r.amount, units.c_str(), amount);
        std::snprintf(t, sizeof t, "%s %s", amount, units.c_str());
        TextAtColumn(int16_t(col_[kResults] - 2), t);
      }
    } else {
      if (r.amount < 0) {
        Cell(kResults, "  ");
      } else {
        KELT_FormatResultAmount(10, decimals_, r.amount, units.c_str(), t);
        Cell(kResults, t, false);
      }
      Cell(kUnits, units.empty() || r.amount < 0 ? "  " : units.c_str());
    }
    const std::string letters = Text(r.letters, sizeof r.letters);
    std::snprintf(t, sizeof t, "%c %s", r.mark ? r.mark : ' ', letters.c_str());
    Cell(kStatus, t);
    NextLine();
    for (char c : letters) {
      const uint32_t bit = ResultCode_FlagFromChar(&c);
      if (bit == 0xFFFF || bit == 0) continue;
      for (int i = 0; i < 23; ++i)
        if (bit == (1u << i)) {
          ++legend->codeCounts[i];
          legend->anyCode = 1;
        }
    }
  }

  void Statistics(const std::vector<const STRUCT_SUMMARY_ROW*>& group) {
    if (!(stats_[0] || stats_[1] || stats_[2] || stats_[3])) return;
    if (group.size() == 1) {
      if (Pages()) NextLine();
      return;
    }
    inStatistics_ = true;
    // rt, amount, area, height
    double sum[4] = {}, n[4] = {};
    for (const auto* r : group) {
      if (r->resultType == 1) continue;
      const double v[4] = {r->retentionTime, r->amount, r->area, r->height};
      for (int k = 0; k < 4; ++k) {
        if (k == 1 && v[1] < 0) continue;
        sum[k] += v[k];
        n[k] += 1;
      }
    }
    double avg[4], sd[4];
    for (int k = 0; k < 4; ++k) avg[k] = n[k] > 0 ? sum[k] / n[k] : 0;
    for (int k = 0; k < 4; ++k) {
      double sq = 0;
      for (const auto* r : group) {
        if (r->resultType == 1) continue;
        const double v[4] = {r->retentionTime, r->amount, r->area, r->height};
        if (k == 1 && v[1] < 0) continue;
        sq += (v[k] - avg[k]) * (v[k] - avg[k]);
      }
      sd[k] = n[k] >= 2 ? std::sqrt(sq / (n[k] - 1)) : 0;
    }
    const std::string units = Text(group.front()->units, sizeof group.front()->units);
    static const char* labels[] = {"Average:", "Std. Deviation:", "Rel. Std. Deviation:"};
    static const int labelLeft[] = {5, 12, 16};
    for (int line = 0; line < 3; ++line) {
      if (Pages()) {
        TextAtColumn(int16_t(col_[kRes] - labelLeft[line]), labels[line]);
      } else {
        for (int k = 0; k < 8; ++k) QuotedTextAtColumn(0, "");
        QuotedTextAtColumn(0, labels[line]);
      }
      char t[80] = {};
      auto put = [&](Heading h, int shift) {
        KELT_GetLocalNumberString(t);
        if (Pages())
          TextAtColumn(int16_t(col_[h] - shift), t);
        else
          Cell(h, t, false);
      };
      auto rsd = [&](int k, const char* format) {
        if (avg[k] != 0)
          std::snprintf(t, sizeof t, format, sd[k] / avg[k] * 100);
        else
          std::snprintf(t, sizeof t, "%s", "N/A");
      };
      if (stats_[0]) {
        if (line == 0) std::snprintf(t, sizeof t, "%7.3f", avg[0]);
        if (line == 1) std::snprintf(t, sizeof t, "%7.4f", sd[0]);
        if (line == 2) rsd(0, "%7.4f%%");
        put(kTime, 1);
      } else if (!Pages()) {
        Cell(kTime, "", false);
      }
      for (Heading h : {kArea, kHeight}) {
        const int k = h == kArea ? 2 : 3;
        if (stats_[k]) {
          if (line == 0) KELT_FormatAreaOrHeight(12, avg[k], t);
          if (line == 1) std::snprintf(t, sizeof t, "%11.1f", sd[k]);
          if (line == 2) rsd(k, "%11.4f%%");
          put(h, line == 0 ? 2 : 5);
        } else if (!Pages()) {
          Cell(h, "", false);
        }
      }
      if (stats_[1] && n[1] > 0) {
        if (line == 0) {
          char amount[64] = {};
          KELT_FormatResultAmount(Pages() ? 12 : 10, decimals_, avg[1], units.c_str(), amount);
          std::snprintf(t, sizeof t, Pages() ? "%s %s" : "%s", amount, units.c_str());
        }
        if (line == 1) std::snprintf(t, sizeof t, "%10.4f", sd[1]);
        if (line == 2) rsd(1, "%10.4f%%");
        put(kResults, 2);
        if (!Pages()) Cell(kUnits, line == 0 ? units.c_str() : "");
      }
      NextLine();
    }
    inStatistics_ = false;
  }

  int Make(const STRUCT_SUMMARY_ROW_LIST* list) {
    Columns();
    LabelColumn = 2;
    if (Pages()) {
      RPTS_SetReportTitle(this, title_.c_str(), "Summary Report", int16_t((136 - int(title_.size())) / 2));
      WriteHeaderLines();
    }
    const int32_t count = list && list->rows ? std::max(0, list->count) : 0;
    STRUCT_SUMMARY_ROW_LIST empty{0, nullptr};
    PageHeading(count ? list : &empty);
    STRUCT_RPT_LEGEND legend;
    std::vector<std::string> files, listed;
    int32_t i = 0;
    while (i < count && Ok) {
      const STRUCT_SUMMARY_ROW* row = list->rows[i];
      if (!row) {
        ++i;
        continue;
      }
      if (row->errorRow) {
        if (Pages()) SelectBoldFont();
        QuotedTextAtColumn(int16_t(LabelColumn), Text(row->path, sizeof row->path).c_str());
        NextLine();
        NextLine();
        ++i;
        continue;
      }
      for (int level = 0; level < 3; ++level) groupHeading_[level] = level <= depth_ ? KeyHeading(level, *row) : "";
      int32_t j = i;
      const std::vector<const STRUCT_SUMMARY_ROW*> group = kelt::reports::CollectSummaryGroup(grouping_, *list, &j);
      if (group.empty()) {
        i = j;
        continue;
      }
      ReportRow();
      // Every data file of the report is listed once, in the order met.
      if (files.empty()) files.push_back("RCL       " + list_);
      for (const auto* r : group) {
        const std::string path = Text(r->path, sizeof r->path);
        if (std::find(listed.begin(), listed.end(), path) != listed.end()) continue;
        listed.push_back(path);
        char entry[284];
        std::snprintf(entry, sizeof entry, "Line %3d  %s", int(r->line), path.c_str());
        files.push_back(entry);
      }
      if (Pages()) SelectFixedFont();
      for (const auto* r : group) Row(*r, &legend);
      Statistics(group);
      inGroup_ = false;
      i = j;
    }
    if (Pages() && Ok) {
      NextLine();
      SelectNormalFont();
      for (const auto& f : files) {
        if (f.size() > 128) {
          const size_t cut = 18 + (f.size() - 18) / 2;
          TextAtColumn(2, f.substr(0, cut).c_str());
          NextLine();
          TextAtColumn(20, f.substr(cut).c_str());
        } else {
          TextAtColumn(2, f.c_str());
        }
        NextLine();
      }
      NextLine();
      TextAtColumn(2, "Run Types:");
      TextAtColumn(20, "A = Analysis, C = Calibration, V = Verification;  C is followed by a level number.");
      NextLine();
      NextLine();
      TextAtColumn(2, "Result Types:");
      TextAtColumn(20, "ID = Identified, Miss = Missing, Fail = Failed, TIC, Unkn = Unknown, Dup = Duplicate");
      NextLine();
    }
    RPTS_WriteLegend(&legend, this, 2);
    EndPage();
    return HasPages() ? 1 : 0;
  }

 private:
  std::string list_;
  const void* format_;
  int16_t depth_ = 0;
  int16_t keys_[3] = {4, 4, 4};
  kelt::reports::SummaryKeys grouping_;
  int16_t decimals_ = 2;
  std::string title_;
  bool stats_[4] = {};
  std::vector<const char*> headings_;
  std::vector<int16_t> col_;
  std::string groupHeading_[3];
  bool inGroup_ = false;
  bool inStatistics_ = false;
};

}  // namespace

int32_t RPTS_MakeSummaryReport(int16_t kind, char* outputName, STRUCT_REPORT_PREFS* prefs, const char* listName,
                              const STRUCT_SUMMARY_ROW_LIST* rows, const void* format) {
  return kelt::reports::MakeSummaryOutput<CSummaryReportOutput>(kind, outputName, prefs, listName, rows, format, "-MSSum", true);
}
