// Unknown-peak filters and the compaction of the result sections.
#include "quant/result_compaction.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "quant/compound_method.h"
#include "quant/results_sections.h"
#include "win/win_kernel.h"

namespace {

int32_t FirstGroupSize(const STRUCT_RESULTS_HEADER& h) {
  return int32_t(h.countIdentified) + h.countMissing + h.countFailed;
}

// Temporary file deleted when it goes out of scope.
struct TempSectionFile {
  char path[MAX_PATH] = {};
  explicit TempSectionFile(const char* prefix) { MakeTempSectionFile(prefix, path); }
  ~TempSectionFile() {
    if (path[0]) DeleteFileA(path);
  }
  bool ok() const { return path[0] != 0; }
};

struct Section {
  HSECTION h = nullptr;
  explicit Section(HSECTION s) : h(s) {}
  ~Section() { Close(); }
  void Close() {
    if (h) CloseSection(h);
    h = nullptr;
  }
  Section(const Section&) = delete;
  Section& operator=(const Section&) = delete;
};

// The whole of a section (empty when absent or unreadable).
std::vector<uint8_t> ReadWhole(const char* file, const char* name, bool* present) {
  std::vector<uint8_t> bytes;
  *present = false;
  HSECTION s = OpenSectionReadOnly(file, name, nullptr);
  if (!s) return bytes;
  *present = true;
  bytes.resize(GetSectionSize(s));
  if (!bytes.empty() && ReadSectionBytes(s, bytes.data(), uint32_t(bytes.size())) != bytes.size()) bytes.clear();
  CloseSection(s);
  return bytes;
}

// Start and length of every record of a TIC chain; a damaged record ends it.
std::vector<std::pair<uint32_t, uint32_t>> TICRecords(const std::vector<uint8_t>& bytes) {
  std::vector<std::pair<uint32_t, uint32_t>> out;
  uint64_t at = 0;
  while (at + TIC_PEAK_HEAD_SIZE <= bytes.size()) {
    uint32_t length = 0;
    std::memcpy(&length, &bytes[at], 4);
    if (length < TIC_PEAK_HEAD_SIZE || at + length > bytes.size()) break;
    out.emplace_back(uint32_t(at), length);
    at += length;
  }
  return out;
}

// Marks a selected step for removal, keeping a standard's peak while unknown
// peaks remain that it quantitates. True when marked and written.
bool Remove(HSECTION results, const STRUCT_RESULTS_HEADER& h, int32_t index, STRUCT_RESULT_STEP* step, bool k5,
            bool byStandards) {
  if ((step->flags & 0x100) && byStandards && !(k5 && h.countTIC + h.countUnknown == 0)) return false;
  step->kind += RESULT_KIND_REMOVED;
  return WriteTolResultStep(results, uint16_t(index), step) != FALSE;
}

template <class Select>
int32_t Filter(HSECTION results, STRUCT_RESULTS_HEADER* header, bool x, bool byStandards, Select select) {
  if (!results || !header) return 0;
  const int32_t total = CountTolResultSteps(results);
  int32_t marked = 0;
  for (int32_t i = FirstGroupSize(*header); i < total && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP s;
    if (!ReadTolResultStep(results, uint16_t(i), &s) || s.kind >= RESULT_KIND_REMOVED) continue;
    const bool k5 = x && s.kind == RESULT_KIND_DUPLICATE;
    if (!select(s, k5)) continue;
    if (Remove(results, *header, i, &s, k5, byStandards)) ++marked;
  }
  return marked;
}

// Values (166) of the second group's unmarked steps, without duplicates when x.
std::vector<float> Values(HSECTION results, const STRUCT_RESULTS_HEADER& h, bool x) {
  std::vector<float> v;
  const int32_t total = CountTolResultSteps(results);
  for (int32_t i = FirstGroupSize(h); i < total && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP s;
    if (!ReadTolResultStep(results, uint16_t(i), &s) || s.kind >= RESULT_KIND_REMOVED) continue;
    if (x && s.kind == RESULT_KIND_DUPLICATE) continue;
    v.push_back(+s.amount);
  }
  return v;
}

}  // namespace

BOOL MakeTempSectionFile(const char* prefix, char* path260) {
  if (!MakeTempFileName(prefix, path260)) return FALSE;
  MarkScratchSectionFile(path260);  // made, read and deleted by this process alone
  if (CreateSectionFileAtPath(path260, 0, 0, 1)) return TRUE;
  DeleteFileA(path260);
  path260[0] = 0;
  return FALSE;
}

int32_t FilterUnknownsByPercent(HSECTION results, STRUCT_RESULTS_HEADER* header, int16_t tenthsPercent,
                                BOOL removeIdentified, BOOL byStandards) {
  if (!results || !header) return 0;
  const bool x = removeIdentified != 0;
  float max = 0;
  for (float v : Values(results, *header, x)) max = std::max(max, v);
  const double threshold = double(tenthsPercent) * max / 1000.0;
  return Filter(results, header, x, byStandards != 0,
                [&](const STRUCT_RESULT_STEP& s, bool k5) { return k5 || s.amount <= threshold; });
}

int32_t FilterUnknownsByNearestIS(HSECTION results, STRUCT_RESULTS_HEADER* header, int16_t thousandths,
                                  const STRUCT_ACTIVE_IS_TABLE* table, BOOL removeIdentified, BOOL byStandards) {
  if (!results || !header || !table) return 0;
  const double f = thousandths * 0.001;
  const int16_t basis = header->responseBasis;
  int32_t marked = 0;
  const bool x = removeIdentified != 0;
  const int32_t total = CountTolResultSteps(results);
  for (int32_t i = FirstGroupSize(*header); i < total && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP s;
    if (!ReadTolResultStep(results, uint16_t(i), &s) || s.kind >= RESULT_KIND_REMOVED) continue;
    const int32_t n = FindNearestIS(s.retentionTime, table);
    if (n < 0 || n >= std::min<int32_t>(table->count, ACTIVE_IS_MAX)) continue;
    const ACTIVE_IS_ENTRY& e = table->entries[n];
    const bool k5 = x && s.kind == RESULT_KIND_DUPLICATE;
    const bool selected =
        (basis == 1 && f * e.area > s.area) || (basis == 2 && f * e.height > s.height) || k5;
    if (!selected) continue;
    const int16_t keptStandard = s.standardNumber;
    s.standardNumber = int16_t(e.compoundNumber);
    if (Remove(results, *header, i, &s, k5, byStandards != 0)) ++marked;
    else s.standardNumber = keptStandard;
  }
  return marked;
}

int32_t FilterUnknownsByLargestN(HSECTION results, STRUCT_RESULTS_HEADER* header, int16_t n, BOOL removeIdentified,
                                 BOOL byStandards) {
  if (!results || !header) return 0;
  const int32_t count = std::max<int32_t>(n, 0);
  auto* list = static_cast<float*>(AllocBlock(uint32_t(4 * count + 4)));
  if (!list) return 0;
  const bool x = removeIdentified != 0;
  int32_t held = 0;
  for (float v : Values(results, *header, x)) {
    int32_t at = 0;
    while (at < held && !(list[at] < v)) ++at;
    if (at >= count) continue;
    const int32_t last = std::min(held, count - 1);
    for (int32_t k = last; k > at; --k) list[k] = list[k - 1];
    list[at] = v;
    held = std::min(held + 1, count);
  }
  const double threshold = count > 0 && held == count ? double(list[count - 1]) : 0.0;
  FreeBlock(list);
  return Filter(results, header, x, byStandards != 0,
                [&](const STRUCT_RESULT_STEP& s, bool k5) { return k5 || s.amount < threshold; });
}

int32_t FilterIdentifiedUnknowns(HSECTION results, STRUCT_RESULTS_HEADER* header, BOOL removeIdentified,
                                 BOOL byStandards) {
  if (!removeIdentified) return 0;
  return Filter(results, header, true, byStandards != 0, [](const STRUCT_RESULT_STEP&, bool k5) { return k5; });
}

int32_t ApplyUnknownPeakFilter(HSECTION results, STRUCT_RESULTS_HEADER* header, const STRUCT_DH_GLOBAL_PARAMS* global,
                               const STRUCT_ACTIVE_IS_TABLE* table) {
  if (!results || !header || !global) return 0;
  const BOOL x = global->removeIdentifiedUnknowns != 0;
  const BOOL g = global->unknownQuantKind == 0 || global->unknownQuantKind == 1;
  switch (global->unknownFilterKind) {
    case UNKNOWN_FILTER_PERCENT:
      return FilterUnknownsByPercent(results, header, global->filterPercentTenths, x, g);
    case UNKNOWN_FILTER_NEAREST_IS:
      return FilterUnknownsByNearestIS(results, header, global->filterIsThousandths, table, x, g);
    case UNKNOWN_FILTER_LARGEST_N:
      return FilterUnknownsByLargestN(results, header, global->filterLargestCount, x, g);
    default:
      return FilterIdentifiedUnknowns(results, header, x, g);
  }
}

void RebuildActiveISTable(HSECTION results, const STRUCT_RESULTS_HEADER* header, STRUCT_ACTIVE_IS_TABLE* table) {
  if (!results || !header || !table) return;
  const int32_t g1 = FirstGroupSize(*header);
  const int32_t total = CountTolResultSteps(results);
  const int32_t count = std::clamp<int32_t>(table->count, 0, ACTIVE_IS_MAX);
  int32_t kept = 0;
  for (int32_t e = 0; e < count; ++e) {
    ACTIVE_IS_ENTRY entry = table->entries[e];
    int32_t peak = -1;
    for (int32_t i = 0; i < g1 && i < total && i <= 0xFFFF; ++i) {
      STRUCT_RESULT_STEP s;
      if (!ReadTolResultStep(results, uint16_t(i), &s) || s.compoundNumber != entry.compoundNumber) continue;
      STRUCT_RESULT_STEP found;
      peak = FindPeakInWindow(results, g1, total, &s, &found);
      break;
    }
    if (peak < 0) continue;
    entry.stepIndex = peak;
    table->entries[kept++] = entry;
  }
  for (int32_t e = kept; e < count; ++e) std::memset(&table->entries[e], 0, sizeof table->entries[e]);
  table->count = kept;
}

BOOL CompactResults(const char* dataFile, const char* resultsFile, int32_t compoundSteps,
                    STRUCT_ACTIVE_IS_TABLE* table) {
  if (!dataFile || !resultsFile) return FALSE;
  Section in(OpenTolResultsReadOnly(resultsFile));
  if (!in.h) return FALSE;
  bool ticPresent = false;
  const std::vector<uint8_t> tics = ReadWhole(dataFile, TICS_SECTION, &ticPresent);
  if (!ticPresent) {
    HSECTION s = CreateTICData(dataFile);
    if (!s) return FALSE;
    CloseSection(s);
  }
  const auto records = TICRecords(tics);

  TempSectionFile temp("TIC");
  if (!temp.ok()) return FALSE;
  Section out(CreateTolResults(temp.path, 0));
  STRUCT_RESULTS_HEADER header;
  if (!out.h || !ReadTolResults(in.h, &header)) return FALSE;
  header.countIdentified = header.countMissing = header.countFailed = 0;
  header.countTIC = header.countDuplicate = header.countUnknown = 0;
  if (!WriteTolResults(out.h, &header)) return FALSE;

  const int32_t total = CountTolResultSteps(in.h);
  size_t nextTic = 0;
  uint32_t written = 0;
  for (int32_t i = 0; i < total && i <= 0xFFFF && written <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP s;
    if (!ReadTolResultStep(in.h, uint16_t(i), &s) || s.kind >= RESULT_KIND_REMOVED || s.kind < 0) continue;
    if (i < compoundSteps) {
      s.stepIndex = int16_t(written);
      s.ticPeakOffset = s.ticHitOffset = 0;
    } else {
      s.stepIndex = -1;
      s.ticPeakOffset = s.ticHitOffset = 0;
      if (!records.empty() && s.ticIndex != -1 && nextTic < records.size()) {
        const auto [at, length] = records[nextTic];
        uint32_t firstHit = 0;
        std::memcpy(&firstHit, &tics[at + 10], 4);
        s.ticPeakOffset = at;
        s.ticHitOffset = at + firstHit;
        s.ticNumber = int16_t(nextTic);
        ++nextTic;
      }
    }
    if (!WriteTolResultStep(out.h, uint16_t(written), &s)) continue;
    ++written;
    AddResultKindCount(&header, s.kind, 1);
  }
  bool ok = WriteTolResults(out.h, &header) != FALSE;
  if (ok && table && table->count > 0) RebuildActiveISTable(out.h, &header, table);
  out.Close();
  in.Close();
  if (ok) ok = CopySection(temp.path, RESULTS_SECTION, dataFile, RESULTS_SECTION) != FALSE;
  return ok ? TRUE : FALSE;
}

BOOL CompactQualifiers(const char* dataFile, const char* resultsFile, int32_t n) {
  if (!dataFile || !resultsFile) return FALSE;
  if (!CopySection(resultsFile, RESULTS_SECTION, dataFile, RESULTS_SECTION)) return FALSE;
  Section qualifiers(OpenQualifierDataReadOnly(dataFile));
  Section results(OpenTolResultsReadOnly(resultsFile));
  if (!qualifiers.h || !results.h) return FALSE;
  // Records that do not pair with the compound steps cannot be compacted;
  // the data file keeps its own.
  if (CountQualifierCompounds(qualifiers.h) != n) return FALSE;
  TempSectionFile temp("Qual");
  if (!temp.ok()) return FALSE;
  Section out(CreateQualifierData(temp.path, 0));
  if (!out.h) return FALSE;
  bool ok = true;
  for (int32_t i = 0; i < n && i <= 0x7FFF && ok; ++i) {
    STRUCT_RESULT_STEP s;
    if (!ReadTolResultStep(results.h, uint16_t(i), &s)) {
      ok = false;
      break;
    }
    if (s.kind >= RESULT_KIND_REMOVED) continue;
    STRUCT_QUALIFIER_RECORD q;
    ok = GetQualifierRecord(qualifiers.h, int16_t(i), &q) &&
         WriteSectionBytes(out.h, &q, sizeof q) == sizeof q;
  }
  out.Close();
  qualifiers.Close();
  results.Close();
  if (ok) ok = CopySection(temp.path, QUALIFIERS_SECTION, dataFile, QUALIFIERS_SECTION) != FALSE;
  return ok ? TRUE : FALSE;
}

BOOL CompactTICPeaks(const char* dataFile, const char* resultsFile, int32_t compoundSteps) {
  if (!dataFile || !resultsFile) return FALSE;
  if (!CopySection(resultsFile, RESULTS_SECTION, dataFile, RESULTS_SECTION)) return FALSE;
  bool present = false;
  const std::vector<uint8_t> tics = ReadWhole(dataFile, TICS_SECTION, &present);
  if (!present) {
    HSECTION s = CreateTICData(dataFile);
    if (!s) return FALSE;
    CloseSection(s);
  }
  const auto records = TICRecords(tics);
  Section results(OpenTolResultsReadOnly(resultsFile));
  if (!results.h) return FALSE;
  TempSectionFile temp("TIC");
  if (!temp.ok()) return FALSE;
  Section out(CreateSection(temp.path, TICS_SECTION, nullptr));
  if (!out.h) return FALSE;
  const int32_t total = CountTolResultSteps(results.h);
  bool ok = true;
  size_t next = 0;
  int32_t passed = 0;
  for (int32_t i = std::max(compoundSteps, 0); i < total && i <= 0xFFFF && next < records.size() && ok; ++i) {
    STRUCT_RESULT_STEP s;
    if (!ReadTolResultStep(results.h, uint16_t(i), &s)) {
      ok = false;
      break;
    }
    const bool kept = s.kind < RESULT_KIND_REMOVED;
    if (s.ticIndex != -1) {
      const auto [at, length] = records[next++];
      if (kept) {
        std::vector<uint8_t> record(tics.begin() + at, tics.begin() + at + length);
        const int16_t number = int16_t(compoundSteps + passed);
        std::memcpy(&record[6], &number, 2);
        ok = WriteSectionBytes(out.h, record.data(), length) == length;
      }
    }
    if (kept) ++passed;
  }
  out.Close();
  results.Close();
  if (ok) ok = CopySection(temp.path, TICS_SECTION, dataFile, TICS_SECTION) != FALSE;
  return ok ? TRUE : FALSE;
}

BOOL CompactAllSections(const char* dataFile, const char* resultsFile, int32_t n) {
  return CompactQualifiers(dataFile, resultsFile, n) && CompactTICPeaks(dataFile, resultsFile, n) &&
                 CompactResults(dataFile, resultsFile, n, nullptr)
             ? TRUE
             : FALSE;
}
