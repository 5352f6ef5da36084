// Mass lists: initialisation, data types, checks, comparisons, unions and
// the conversions from text.
#include "common/mass_lists.h"
#include "common/range_merge.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/ion_formula_status.h"
#include "common/list_text_helpers.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

constexpr double kDefaultWindow = 0.5;
constexpr size_t kMassTextSize = 400;
constexpr uint32_t kMaxExtraColumns = MS_MAX_EXTRA_COLUMNS;

double WindowOf(const STRUCT_MASS_LIST& l) { return l.window > 0 ? l.window : kDefaultWindow; }

void ZeroMassList(STRUCT_MASS_LIST* out, double window) {
  std::memset(out, 0, sizeof *out);
  out->window = window;
}

bool MassText(const STRUCT_MASS_LIST& l, int decimals, std::string& text) {
  char buf[kMassTextSize + 16];
  if (!FormatMassListText(buf, &l, decimals)) return false;
  text = buf;
  return true;
}

bool RangesUsable(const STRUCT_MASS_LIST& l) { return l.count <= MASS_LIST_MAX_RANGES; }

}  // namespace

KELT_API void KELT_InitRICMassList(STRUCT_MASS_LIST* list) {
  if (!list) return;
  ZeroMassList(list, kDefaultWindow);
  list->kind = MASS_LIST_TOTAL_ION;
}

KELT_API void KELT_ParseDataTypeIntoMassList(int16_t dataType, const STRUCT_MASS_LIST* source, STRUCT_MASS_LIST* out) {
  if (!out) return;
  const double window = source ? WindowOf(*source) : kDefaultWindow;
  if (dataType == 1 && source) {
    if (source != out) std::memcpy(out, source, sizeof *out);
  } else {
    ZeroMassList(out, 0);
    switch (dataType) {
      case 0: out->kind = MASS_LIST_TOTAL_ION; break;
      case 2: out->kind = MASS_LIST_BASE_PEAK_INTENSITY; break;
      case 3: out->kind = MASS_LIST_BASE_PEAK_ION; break;
      default:
        if (dataType > 3) {
          // Extra column k: the kind names the column, as the trace reader
          // and KELT_GetDataTypeFromMassType expect; the range keeps k too.
          const int k = dataType - 4;
          out->kind = MASS_LIST_EXTRA_COLUMN + static_cast<uint32_t>(k);
          out->count = 1;
          out->ranges[0].low = k;
          out->ranges[0].high = k;
        }
        break;
    }
  }
  out->window = window;
}

KELT_API int16_t KELT_GetDataTypeFromMassType(uint32_t kind) {
  switch (kind) {
    case MASS_LIST_TOTAL_ION: return 0;
    case MASS_LIST_ION_TIME: return 4;
    case MASS_LIST_BASE_PEAK_ION: return 3;
    case MASS_LIST_BASE_PEAK_INTENSITY: return 2;
    case MASS_LIST_RANGES: return 1;
    default:
      if (kind >= MASS_LIST_EXTRA_COLUMN && kind < 0x7FFF) return static_cast<int16_t>(kind - 1);
      return 0;
  }
}

KELT_API BOOL KELT_IsMassListValid(const STRUCT_MASS_LIST* list, const STRUCT_WORK_FILE*) {
  if (!list) return 0;
  try {
    std::string first, second;
    if (!MassText(*list, 6, first)) return 0;
    STRUCT_MASS_LIST back;
    if (!ParseMassList(first.c_str(), &back)) return 0;
    if (back.kind != list->kind) return 0;
    if (!MassText(back, 6, second)) return 0;
    return first == second ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

KELT_API BOOL KELT_IsSameMassList(const STRUCT_MASS_LIST* a, const STRUCT_MASS_LIST* b) {
  if (!a || !b) return 0;
  try {
    // Compared as copies: the records may be stored descriptors.
    STRUCT_MASS_LIST ca = *a, cb = *b;
    ca.window = WindowOf(ca);
    cb.window = WindowOf(cb);
    std::string ta, tb;
    if (!MassText(ca, 6, ta) || !MassText(cb, 6, tb)) return 0;
    return ta == tb ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

KELT_API BOOL KELT_IsCloseEnoughMassList(const STRUCT_MASS_LIST* a, const STRUCT_MASS_LIST* b) {
  if (!a || !b) return 0;
  if (a->kind != b->kind) return 0;
  if (a->kind != MASS_LIST_RANGES) return 1;
  if (a->count != b->count || !RangesUsable(*a)) return 0;
  for (uint16_t i = 0; i < a->count; ++i) {
    if (!(std::fabs(a->ranges[i].low - b->ranges[i].low) <= 0.5)) return 0;
    if (!(std::fabs(a->ranges[i].high - b->ranges[i].high) <= 0.5)) return 0;
  }
  return 1;
}

KELT_API BOOL KELT_AddMassListToMassList(const STRUCT_MASS_LIST* a, const STRUCT_MASS_LIST* b,
                                         STRUCT_MASS_LIST* out) {
  if (!out) return 0;
  STRUCT_MASS_LIST ca{}, cb{};
  if (a) ca = *a;
  if (b) cb = *b;
  std::memset(out, 0, sizeof *out);
  if (!a || !b || ca.kind != MASS_LIST_RANGES || cb.kind != MASS_LIST_RANGES) return 0;
  if (ca.count >= MASS_LIST_MAX_RANGES || !RangesUsable(cb)) return 0;
  if (!kelt::lists::MergeRanges(ca.ranges, ca.count, MASS_LIST_MAX_RANGES, cb.ranges, cb.count)) return 0;
  *out = ca;
  return 1;
}

// ---- Ion ranges in scan-function descriptions ------------------------------

namespace {

constexpr size_t kDescriptionMax = 200;

std::string Description(const STRUCT_WORK_FILE* wf, int segment, int channel) {
  const MS_SEGMENT_BLOCK* s = kelt::wff::Segment(wf, segment);
  if (!s || channel < 0 || channel >= kelt::wff::FunctionCount(wf, segment)) return {};
  std::string d = kelt::text::WideToAnsi(s->functions[channel].description,
                                         sizeof s->functions[channel].description / sizeof(char16_t));
  if (d.size() > kDescriptionMax) d.resize(kDescriptionMax);
  return d;
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Reads the run of digits and points at pos; false when it holds no number.
bool ReadRun(const std::string& s, size_t& pos, double& value) {
  size_t start = pos;
  while (pos < s.size() && (IsDigit(s[pos]) || s[pos] == '.')) ++pos;
  std::string run = s.substr(start, pos - start);
  char* end = nullptr;
  double v = std::strtod(run.c_str(), &end);
  if (end == run.c_str() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

KELT_API BOOL KELT_GetMassListForSegmentAndChannel(const STRUCT_WORK_FILE* workFile, int16_t channel,
                                                   int16_t segment, STRUCT_MASS_LIST* out) {
  if (!out) return 0;
  std::memset(out, 0, sizeof *out);
  try {
    if (!kelt::wff::HasDescriptions(workFile)) return 0;
    std::string d = Description(workFile, segment, channel);
    if (d.empty()) return 0;
    size_t pos = 0;
    double low = 0, high = 0;
    bool found = false, haveHigh = false;
    while (!found) {
      while (pos < d.size() && !IsDigit(d[pos])) ++pos;
      if (pos >= d.size()) return 0;
      found = ReadRun(d, pos, low);
    }
    if (pos < d.size() && d[pos] == '-') {
      size_t p = pos + 1;
      double h = 0;
      if (ReadRun(d, p, h)) high = h, haveHigh = true;
    }
    out->kind = MASS_LIST_RANGES;
    out->count = 1;
    out->ranges[0].low = low;
    out->ranges[0].high = haveHigh ? high : low;
    out->window = kDefaultWindow;
    return 1;
  } catch (...) {
    std::memset(out, 0, sizeof *out);
    return 0;
  }
}

KELT_API BOOL KELT_GetIonRangeForSegmentAndChannel(const STRUCT_WORK_FILE* workFile, int16_t segment,
                                                   int16_t channel, double* low, double* high) {
  if (low) *low = 0.0;
  if (high) *high = 0.0;
  try {
    std::string d = Description(workFile, segment, channel);
    if (d.empty()) return 0;
    // A parenthesised group naming a voltage ("(70 eV)") ends the ranges.
    for (size_t open = d.find('('); open != std::string::npos; open = d.find('(', open + 1)) {
      size_t close = d.find(')', open);
      std::string group = d.substr(open, close == std::string::npos ? std::string::npos : close - open);
      if (group.find_first_of("Vv") != std::string::npos) {
        d.resize(open);
        break;
      }
    }
    double lo = 0, hi = 0;
    size_t pos = 0;
    while (true) {
      while (pos < d.size() && !IsDigit(d[pos])) ++pos;
      double l = 0;
      if (pos >= d.size() || !ReadRun(d, pos, l)) break;
      double h = l;
      while (pos < d.size() && d[pos] != '>' && !IsDigit(d[pos])) ++pos;
      if (pos < d.size() && d[pos] == '>') {
        ++pos;
      } else if (pos < d.size()) {
        double v = 0;
        if (ReadRun(d, pos, v)) h = v;
      }
      lo = l;
      hi = h;
    }
    if (lo == 0.0 || hi == 0.0) return 0;
    if (low) *low = lo;
    if (high) *high = hi;
    return 1;
  } catch (...) {
    return 0;
  }
}

KELT_API double* KELT_GetIonRangesForChannelFormula(const STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* list,
                                                    uint16_t* count) {
  if (count) *count = 0;
  if (!list || !kelt::wff::IsMsKind(workFile) || list->kind != CHAN_LIST_LISTED) return nullptr;
  const int functions = kelt::wff::MostScanFunctions(workFile);
  const int segments = kelt::wff::SegmentCount(workFile);
  const uint16_t entries = list->count <= CHAN_LIST_MAX_ENTRIES ? list->count : CHAN_LIST_MAX_ENTRIES;
  if (functions <= 0 || segments <= 0 || entries == 0) return nullptr;
  const size_t room = static_cast<size_t>(functions) * static_cast<size_t>(segments);
  double* pairs = static_cast<double*>(AllocBlock(static_cast<uint32_t>(room * 2 * sizeof(double))));
  if (!pairs) return nullptr;
  size_t n = 0;
  for (int c = 0; c < functions; ++c) {
    bool covered = false;
    for (uint16_t e = 0; e < entries && !covered; ++e)
      covered = c >= list->entries[e].low && c <= list->entries[e].high;
    if (!covered) continue;
    for (int s = 0; s < segments; ++s) {
      if (c >= kelt::wff::FunctionCount(workFile, s)) continue;
      double lo = 0, hi = 0;
      if (KELT_GetIonRangeForSegmentAndChannel(workFile, static_cast<int16_t>(s), static_cast<int16_t>(c), &lo, &hi) &&
          n < room) {
        pairs[2 * n] = lo;
        pairs[2 * n + 1] = hi;
        ++n;
      }
    }
  }
  // Overlapping ranges are merged; separate ones stay separate.
  size_t outCount = 0;
  for (size_t i = 0; i < n; ++i) {
    if (pairs[2 * i] == -1) continue;
    double lo = pairs[2 * i], hi = pairs[2 * i + 1];
    pairs[2 * i] = -1;
    bool changed = true;
    while (changed) {
      changed = false;
      for (size_t j = i + 1; j < n; ++j) {
        double l = pairs[2 * j], h = pairs[2 * j + 1];
        if (l == -1 || l > hi || h < lo) continue;
        if (l < lo) lo = l;
        if (h > hi) hi = h;
        pairs[2 * j] = -1;
        changed = true;
      }
    }
    pairs[2 * outCount] = lo;
    pairs[2 * outCount + 1] = hi;
    ++outCount;
  }
  if (outCount == 0) {
    FreeBlock(pairs);
    return nullptr;
  }
  if (count) *count = static_cast<uint16_t>(outCount);
  return pairs;
}

KELT_API BOOL KELT_GetIonRangesStringForChannelFormula(const STRUCT_WORK_FILE* workFile,
                                                       const STRUCT_CHAN_LIST* list, char* text) {
  if (!text) return 0;
  text[0] = 0;
  uint16_t n = 0;
  double* pairs = KELT_GetIonRangesForChannelFormula(workFile, list, &n);
  if (!pairs) return 0;
  int decimals = kelt::wff::MassDecimals(workFile);
  if (decimals < 0 || decimals > 6) decimals = decimals < 0 ? 0 : 6;
  size_t used = 0;
  for (uint16_t i = 0; i < n; ++i) {
    char one[128];
    std::snprintf(one, sizeof one, "%s%.*f:%.*f", i ? " " : "", decimals, pairs[2 * i], decimals, pairs[2 * i + 1]);
    size_t len = std::strlen(one);
    if (used + len >= KELT_ION_RANGES_TEXT_SIZE) break;
    std::memcpy(text + used, one, len + 1);
    used += len;
  }
  FreeBlock(pairs);
  return used ? 1 : 0;
}

KELT_API BOOL KELT_GetszScanChannelDescription(const void* entry, char* text, int16_t size) {
  if (!text || size < 1) return 0;
  text[0] = 0;
  if (!entry) return 0;
  try {
    const MS_SCAN_FUNCTION* f = static_cast<const MS_SCAN_FUNCTION*>(entry);
    std::string d = kelt::text::WideToAnsi(f->description, sizeof f->description / sizeof(char16_t));
    if (d.empty()) return 0;
    size_t bar = d.find('|');
    if (bar != std::string::npos) d[bar] = ' ';
    kelt::text::CopyBounded(text, static_cast<size_t>(size), d);
    return 1;
  } catch (...) {
    text[0] = 0;
    return 0;
  }
}

// ---- Name table and text conversions ---------------------------------------

KELT_API STRUCT_MASS_LIST_NAME* KELT_GetValidStringsForMassList(const STRUCT_WORK_FILE* workFile, int16_t* count) {
  if (count) *count = 0;
  try {
    uint32_t columns = 0;
    const MS_INFO_BLOCK* info = nullptr;
    if (workFile) {
      if (!kelt::wff::IsMsKind(workFile)) return nullptr;
      info = kelt::wff::Info(workFile);
      if (info) columns = info->extraColumnCount < kMaxExtraColumns ? info->extraColumnCount : kMaxExtraColumns;
    }
    auto* rows = static_cast<STRUCT_MASS_LIST_NAME*>(AllocBlock((columns + 5) * sizeof(STRUCT_MASS_LIST_NAME)));
    if (!rows) return nullptr;
    int16_t n = 0;
    auto add = [&](int16_t type, uint32_t kind, const std::string& name) {
      rows[n].dataType = type;
      rows[n].kind = kind;
      kelt::text::CopyBounded(rows[n].name, sizeof rows[n].name, name);
      ++n;
    };
    add(0, MASS_LIST_TOTAL_ION, "RIC");
    add(2, MASS_LIST_BASE_PEAK_INTENSITY, "Intensity of Base Peak");
    add(3, MASS_LIST_BASE_PEAK_ION, "Base Peak Ion");
    if (columns) {
      std::string first = kelt::text::WideToAnsi(info->extraColumnNames[0], 14);
      if (kelt::text::EqualsNoCase(first.c_str(), "Ion Time(uSec)")) add(4, MASS_LIST_ION_TIME, "Ion Time");
      for (uint32_t k = 0; k < columns; ++k)
        add(static_cast<int16_t>(4 + k), MASS_LIST_EXTRA_COLUMN + k, kelt::text::WideToAnsi(info->extraColumnNames[k], 14));
    }
    if (count) *count = n;
    return rows;
  } catch (...) {
    if (count) *count = 0;
    return nullptr;
  }
}

namespace {

// An ion formula within the limits, parsed into out (kind 4 with ranges).
BOOL ConvertIonFormula(const char* text, double lowest, double highest, STRUCT_MASS_LIST* out) {
  char status[64];
  if (!KELT_GetStatusStringForIonFormula(text, lowest, highest, status)) return 0;
  STRUCT_MASS_LIST l;
  if (!ParseMassList(text, &l)) return 0;
  l.window = kDefaultWindow;
  if (l.kind != MASS_LIST_RANGES || l.count < 1) return 0;
  *out = l;
  return 1;
}

void Limits(double lo, double hi, double& lowest, double& highest) {
  lowest = KELT_DEFAULT_LOWEST_ION;
  highest = KELT_DEFAULT_HIGHEST_ION;
  if (lo != 0.0 && hi != 0.0) lowest = lo, highest = hi;
}

}  // namespace

KELT_API BOOL KELT_ConvertStringToMassList(const char* text, const STRUCT_WORK_FILE* workFile, int16_t useFile,
                                           STRUCT_MASS_LIST* out) {
  if (!out) return 0;
  ZeroMassList(out, kDefaultWindow);
  if (!text || !text[0]) return 0;
  if (!useFile || !workFile) {
    if (kelt::text::EqualsNoCase(text, "RIC")) return out->kind = MASS_LIST_TOTAL_ION, 1;
  } else {
    int16_t n = 0;
    STRUCT_MASS_LIST_NAME* rows = KELT_GetValidStringsForMassList(workFile, &n);
    if (rows) {
      for (int16_t i = 0; i < n; ++i) {
        if (kelt::text::EqualsNoCase(text, rows[i].name)) {
          out->kind = rows[i].kind;
          FreeBlock(rows);
          return 1;
        }
      }
      FreeBlock(rows);
    }
  }
  double lowest, highest;
  Limits(kelt::wff::LowestMass(workFile), kelt::wff::HighestMass(workFile), lowest, highest);
  return ConvertIonFormula(text, lowest, highest, out);
}

KELT_API BOOL KELT_ConvertStringToMassList2(const char* text, const void* limits, STRUCT_MASS_LIST* out) {
  if (!out) return 0;
  ZeroMassList(out, kDefaultWindow);
  if (!text || !text[0]) return 0;
  if (kelt::text::EqualsNoCase(text, "RIC")) return out->kind = MASS_LIST_TOTAL_ION, 1;
  double lo = 0, hi = 0;
  if (limits) {
    std::memcpy(&lo, static_cast<const uint8_t*>(limits) + 2, sizeof lo);
    std::memcpy(&hi, static_cast<const uint8_t*>(limits) + 10, sizeof hi);
  }
  double lowest, highest;
  Limits(lo, hi, lowest, highest);
  return ConvertIonFormula(text, lowest, highest, out);
}
