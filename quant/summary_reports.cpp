// The engine's summary and chart reports of a batch.
#include "quant/summary_reports.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "holbrin/dh_records.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "quant/results_records.h"
#include "quant/results_sections.h"
#include "quorna/quorna.h"
#include "reportmakers/control_charts.h"
#include "reportpages/export_file_choice.h"
#include "reportpages/msr_functions.h"
#include "win/win_kernel.h"

namespace morvex::summary {

namespace {
constexpr char kStem[] = "MSReportFormat2";
constexpr size_t kNameSize = 32;

template <class T>
T At(const void* p, uint32_t offset) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
  return v;
}

void CopyText(char* to, size_t size, const char* from, size_t fromSize) {
  const size_t n = strnlen(from, fromSize);
  const size_t take = std::min(n, size - 1);
  std::memcpy(to, from, take);
  std::memset(to + take, 0, size - take);
}
}  // namespace

bool ParseFormatSectionName(const char* name, uint16_t* id, uint16_t* address) {
  if (!name) return false;
  char base[kNameSize] = {}, tag[kNameSize] = {};
  uint16_t a = 0, b = 0;
  if (std::sscanf(name, " %31[^.].%4hx.%4hx.%31s", base, &a, &b, tag) != 4) return false;
  if (id) *id = a;
  if (address) *address = b;
  return true;
}

RowList::RowList(int16_t groupKey, int16_t subgroupKey, int16_t orderKey, int16_t keyChars)
    : keys_{groupKey, subgroupKey, orderKey}, keyChars_(keyChars) {
  for (int16_t& k : keys_)
    if (k < kCompound || k > kNone) k = kNone;
}

int RowList::Compare(int16_t key, const STRUCT_SUMMARY_ROW& a, const STRUCT_SUMMARY_ROW& b) const {
  switch (key) {
    case kCompound: return strncmp(a.name, b.name, sizeof a.name);
    case kRunType: return a.runType < b.runType ? -1 : a.runType > b.runType ? 1 : 0;
    case kSampleId: {
      // Over the shorter of the two, and at most the format's characters.
      const size_t la = strnlen(a.sampleId, sizeof a.sampleId), lb = strnlen(b.sampleId, sizeof b.sampleId);
      size_t n = std::min(la, lb);
      if (keyChars_ > 0) n = std::min(n, size_t(keyChars_));
      return strncmp(a.sampleId, b.sampleId, n);
    }
    case kLevel: return a.level < b.level ? -1 : a.level > b.level ? 1 : 0;
    default: return 0;
  }
}

void RowList::Add(const STRUCT_SUMMARY_ROW& in) {
  auto row = std::make_unique<STRUCT_SUMMARY_ROW>(in);
  ++size_;
  order_.clear();
  if (row->errorRow) {
    errors_.push_back(std::move(row));
    return;
  }
  // The group: the first whose key is not below the row's.
  auto firstOf = [](const Group& g) -> const STRUCT_SUMMARY_ROW& { return *g.subgroups.front().rows.front(); };
  size_t gi = 0;
  int c = 1;
  for (; gi < groups_.size(); ++gi) {
    c = Compare(keys_[0], *row, firstOf(groups_[gi]));
    if (c <= 0) break;
  }
  if (gi == groups_.size() || c < 0) groups_.insert(groups_.begin() + long(gi), Group{});
  Group& g = groups_[gi];
  size_t si = 0;
  c = 1;
  for (; si < g.subgroups.size(); ++si) {
    c = Compare(keys_[1], *row, *g.subgroups[si].rows.front());
    if (c <= 0) break;
  }
  if (si == g.subgroups.size() || c < 0) g.subgroups.insert(g.subgroups.begin() + long(si), Subgroup{});
  auto& rows = g.subgroups[si].rows;
  size_t ri = 0;
  while (ri < rows.size() && Compare(keys_[2], *rows[ri], *row) <= 0) ++ri;
  rows.insert(rows.begin() + long(ri), std::move(row));
}

STRUCT_SUMMARY_ROW_LIST RowList::View() {
  order_.clear();
  for (auto& e : errors_) order_.push_back(e.get());
  for (auto& g : groups_)
    for (auto& s : g.subgroups)
      for (auto& r : s.rows) order_.push_back(r.get());
  return STRUCT_SUMMARY_ROW_LIST{int32_t(order_.size()), order_.data()};
}

void AddFileRows(RowList* list, const char* dataFile, uint16_t line, const void* format) {
  if (!list || !dataFile) return;
  STRUCT_SUMMARY_ROW row{};
  row.line = line;
  HANDLE h = CreateFileA(dataFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    char text[256] = {};
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0, text, sizeof text, nullptr))
      std::snprintf(text, sizeof text, "Error %u", unsigned(error));
    std::snprintf(row.path, sizeof row.path, "%s", text);
    row.errorRow = 1;
    list->Add(row);
    return;
  }
  CloseHandle(h);
  HSECTION results = OpenTolResultsReadOnly(dataFile);
  if (!results) return;
  auto header = std::make_unique<STRUCT_RESULTS_HEADER>();
  if (!ReadTolResults(results, header.get())) {
    CloseSection(results);
    return;
  }
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(header.get());
  // The run type is the options' sample type: 1 calibration, 2 analysis,
  // 3 verification; the format's three switches select among them.
  const int16_t runType = At<int16_t>(bytes, 24);
  if (runType < 1 || runType > 3 || !At<int16_t>(format, 2739 + 2 * uint32_t(runType - 1))) {
    CloseSection(results);
    return;
  }
  std::snprintf(row.path, sizeof row.path, "%s", dataFile);
  CopyText(row.sampleId, sizeof row.sampleId, reinterpret_cast<const char*>(bytes), 20);
  if (!row.sampleId[0]) std::strcpy(row.sampleId, " ");
  row.injection = At<uint16_t>(bytes, 20);
  row.runType = uint32_t(runType);
  row.level = runType == 1 ? At<uint16_t>(bytes, 22) : uint16_t(0x1000);
  const int32_t steps = std::min<int32_t>(CountTolResultSteps(results), 65535);
  auto step = std::make_unique<STRUCT_RESULT_STEP>();
  for (int32_t i = 0; i < steps; ++i) {
    if (!ReadTolResultStep(results, uint16_t(i), step.get())) break;
    if (step->kind < 0 || step->kind > 3) continue;  // unknown and duplicate peaks, dropped steps
    STRUCT_SUMMARY_ROW r = row;
    r.compoundNumber = uint16_t(i + 1);
    CopyText(r.name, sizeof r.name, step->name, sizeof step->name);
    r.resultType = uint32_t(step->kind);
    r.peakType = step->flags;
    r.retentionTime = step->retentionTime;
    r.area = step->area;
    r.height = step->height;
    r.amount = step->amount;
    CopyText(r.units, sizeof r.units, step->units, sizeof step->units);
    // The letters field holds 20; the step's text may fill its 20 bytes.
    CopyText(r.letters, sizeof r.letters, step->flagText, sizeof step->flagText);
    r.mark = step->resultFlags || r.letters[0] ? 'X' : ' ';
    list->Add(r);
  }
  CloseSection(results);
}

}  // namespace morvex::summary

namespace {

using namespace morvex::summary;

// The report-format section names of a recalculation file, or none when
// the two listings disagree.
std::vector<std::string> FormatSections(const char* recalcFile) {
  auto list = [&](std::vector<std::string>* names) -> int32_t {
    HSECTION listing = FindSectionsByStem(recalcFile, kStem);
    if (!listing) return -1;
    const int32_t n = CountSectionMatches(listing);
    for (int32_t i = 0; names && i < n; ++i) {
      char name[kNameSize + 1] = {};
      if (!GetSectionMatchName(listing, i, name, int32_t(kNameSize))) continue;
      if (std::strncmp(name, kStem, sizeof kStem - 1) == 0) names->emplace_back(name);
    }
    CloseSection(listing);
    return n;
  };
  std::vector<std::string> names;
  const int32_t first = list(&names);
  if (first <= 0 || list(nullptr) != first) return {};
  return names;
}

bool SameModule(const char* dataFile, uint16_t id, uint16_t address) {
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 64);
  uint32_t when = 0;
  if (!ReadMSFileInfo(dataFile, &when, info.data())) return false;
  MS_INFO_BLOCK block;
  std::memcpy(&block, info.data(), sizeof block);
  return block.fileType == id && block.module == address;
}

struct Entry {
  std::string path;
  uint16_t line;
};

std::vector<Entry> ModuleFiles(const char* recalcFile, int32_t first, int32_t last, uint16_t id, uint16_t address) {
  std::vector<Entry> files;
  HDHTABLE list = OpenRecalcList(recalcFile);
  if (!list) return files;
  const int32_t count = CountRecalcEntries(list);
  for (int32_t i = std::max(first, 0); i <= last && i < count; ++i) {
    DH_RECALC_LIST_ENTRY e{};
    if (!GetRecalcEntry(list, i, &e) || e.excluded) continue;
    e.path[sizeof e.path - 1] = 0;
    // A file that cannot be opened belongs to no module that can be told:
    // it is reported with every module, as an error row.
    const bool readable = FileExists(e.path);
    if (!readable || SameModule(e.path, id, address)) files.push_back({e.path, uint16_t(std::min(i + 1, 65535))});
  }
  CloseRecalcList(list);
  return files;
}

// One report or export: pages go to the output buffer (or a temporary
// file that is printed and removed when printing).
using Maker = int32_t (*)(int16_t, char*, STRUCT_REPORT_PREFS*, const char*, const STRUCT_SUMMARY_ROW_LIST*,
                          const void*);

bool ReportPages(Maker make, const char* recalcFile, char* outputFile, STRUCT_REPORT_PREFS* prefs,
                 const STRUCT_SUMMARY_ROW_LIST* rows, const void* format, int16_t printOption) {
  char name[MAX_PATH] = {};
  if (outputFile) std::snprintf(name, sizeof name, "%s", outputFile);
  if (!make(SUMMARY_REPORT_PAGES, name, prefs, recalcFile, rows, format)) return false;
  if (!outputFile) {
    const int32_t pages = MSR_GetPageCount(name);
    if (pages > 0) MSR_PrintFile(nullptr, 0, printOption, name, 0, pages - 1, prefs);
    DeleteFileA(name);
  } else if (!outputFile[0]) {
    std::snprintf(outputFile, MAX_PATH, "%s", name);
  }
  return true;
}

bool ReportExport(Maker make, const char* recalcFile, char* outputFile, STRUCT_REPORT_PREFS* prefs,
                  const STRUCT_SUMMARY_ROW_LIST* rows, const void* format, bool callerSelection, const char* suffix) {
  char name[MAX_PATH] = {};
  if (callerSelection) {
    const int16_t exportKind = At<int16_t>(format, 24);
    const int16_t kind =
        exportKind == 0 ? EXPORT_KIND_COMMA : exportKind == 2 ? EXPORT_KIND_BLANK : EXPORT_KIND_TEXT;
    if (!kelt::pages::SelectExportFile(nullptr, kind, name, recalcFile, suffix, nullptr)) return false;
  }
  make(SUMMARY_REPORT_TEXT, name, prefs, recalcFile, rows, format);
  if (!name[0] || !FileExists(name)) return false;
  if (outputFile && !outputFile[0]) std::snprintf(outputFile, MAX_PATH, "%s", name);
  return true;
}

int32_t ModuleReports(const char* recalcFile, int32_t first, int32_t last, const char* methodFile,
                      int16_t printOption, char* outputFile, STRUCT_REPORT_PREFS* prefs, const int16_t flags[4],
                      uint16_t id, uint16_t address) {
  char section[64] = {};
  if (!BuildDHSectionName(section, kStem, id, address, "1")) return 0;
  std::vector<uint8_t> format(sizeof(STRUCT_REPORT_FORMAT), 0);
  if (!methodFile || !ReadReportFormat(methodFile, section, format.data())) return 0;
  const bool callerSelection = flags[0] || flags[1] || flags[2] || flags[3];
  int16_t wanted[4];
  for (int i = 0; i < 4; ++i) wanted[i] = callerSelection ? flags[i] : At<int16_t>(format.data(), 16 + 2 * uint32_t(i));
  if (!(wanted[0] || wanted[1] || wanted[2] || wanted[3])) return 0;

  RowList rows(At<int16_t>(format.data(), 2745), At<int16_t>(format.data(), 2747), At<int16_t>(format.data(), 2749),
               At<int16_t>(format.data(), 2751));
  for (const Entry& e : ModuleFiles(recalcFile, first, last, id, address))
    AddFileRows(&rows, e.path.c_str(), e.line, format.data());
  const STRUCT_SUMMARY_ROW_LIST view = rows.View();

  STRUCT_REPORT_PREFS defaults{};
  if (!prefs) {
    KELT_GetCurrDefReportPrefs(&defaults);
    prefs = &defaults;
  }
  bool made = false;
  if (wanted[0]) made = ReportPages(RPTS_MakeSummaryReport, recalcFile, outputFile, prefs, &view, format.data(),
                                    printOption) || made;
  if (wanted[1])
    made = ReportExport(RPTS_MakeSummaryReport, recalcFile, outputFile, prefs, &view, format.data(), callerSelection,
                        "-Summary") || made;
  if (wanted[2])
    made = ReportPages(RPTS_MakeChartsReport, recalcFile, outputFile, prefs, &view, format.data(), printOption) || made;
  if (wanted[3])
    made = ReportExport(RPTS_MakeChartsReport, recalcFile, outputFile, prefs, &view, format.data(), callerSelection,
                        "-Chart") || made;
  return made ? 1 : 0;
}

}  // namespace

int32_t MORVEX_Ex_GenerateSummaryReport(const char* recalcFile, int32_t firstEntry, int32_t lastEntry,
                                        const char* methodFile, int16_t printOption, char* outputFile,
                                        STRUCT_REPORT_PREFS* prefs, int16_t summaryReport, int16_t summaryExport,
                                        int16_t chartReport, int16_t chartExport) {
  try {
    if (!recalcFile) return 0;
    const int16_t flags[4] = {summaryReport, summaryExport, chartReport, chartExport};
    int32_t made = 0;
    for (const std::string& name : FormatSections(recalcFile)) {
      uint16_t id = 0, address = 0;
      if (!ParseFormatSectionName(name.c_str(), &id, &address)) continue;
      // A module is reported when the list names a file of it.
      bool named = false;
      for (const Entry& e : ModuleFiles(recalcFile, firstEntry, lastEntry, id, address))
        named = named || FileExists(e.path.c_str());
      if (!named) continue;
      if (ModuleReports(recalcFile, firstEntry, lastEntry, methodFile, printOption, outputFile, prefs, flags, id,
                        address))
        made = 1;
    }
    return made;
  } catch (...) {
    return 0;
  }
}

int32_t MORVEX_GenerateSummaryReport(const char* recalcFile, int32_t firstEntry, int32_t lastEntry,
                                     const char* methodFile, int16_t printOption, char* outputFile,
                                     STRUCT_REPORT_PREFS* prefs) {
  return MORVEX_Ex_GenerateSummaryReport(recalcFile, firstEntry, lastEntry, methodFile, printOption, outputFile, prefs,
                                         0, 0, 0, 0);
}

int32_t GenerateSummaryReport(const char* recalcFile, int32_t firstEntry, int32_t lastEntry, const char* methodFile,
                              int16_t printOption) {
  return MORVEX_Ex_GenerateSummaryReport(recalcFile, firstEntry, lastEntry, methodFile, printOption, nullptr,
                                         nullptr, 0, 0, 0, 0);
}
