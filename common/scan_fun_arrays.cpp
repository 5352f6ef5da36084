// Scan-function arrays: made from a data file's scan-function information,
// copied, joined, compared, titled, and turned into a segment's channels.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/list_text_helpers.h"
#include "common/segment_plots.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

using kelt::text::EqualsNoCase;

STRUCT_SCAN_FUN_ARRAY* NewArray(size_t room, size_t spare = 0) {
  const size_t bytes = ScanFunArraySize(room) + spare;
  if (bytes > 0xFFFFFFFFu) return nullptr;
  return static_cast<STRUCT_SCAN_FUN_ARRAY*>(AllocBlock(static_cast<uint32_t>(bytes)));
}

void SetEntry(SCAN_FUN_ENTRY& e, const STRUCT_SCAN_FUN_INFO& r) {
  std::memcpy(e.segments, r.segmentList, sizeof e.segments);
  std::memcpy(e.name, r.shortName, sizeof e.name);
  std::memcpy(e.identity, r.longName, sizeof e.identity);
  e.segments[sizeof e.segments - 1] = 0;
  e.name[sizeof e.name - 1] = 0;
  e.identity[sizeof e.identity - 1] = 0;
}

// The first numbered-channel record of the segment with that function index.
const STRUCT_SCAN_FUN_INFO* FindChannel(const STRUCT_SCAN_FUN_INFO* info, int count, int segment, int channel) {
  for (int i = 0; i < count; ++i)
    if (info[i].kind == 1 && ScanFunInfoInSegment(info[i], segment) && info[i].channel == channel) return &info[i];
  return nullptr;
}

bool SegmentExists(const STRUCT_WORK_FILE* wf, int segment) {
  return segment >= 0 && segment < kelt::wff::SegmentCount(wf);
}

// Cuts a title that reached the maximum: "..." and the end at maximum - 2.
void CutTitle(std::string& text, int maxLength) {
  if (maxLength < 5) {
    text.resize(maxLength > 1 ? static_cast<size_t>(maxLength - 1) : 0);
    return;
  }
  text.resize(static_cast<size_t>(maxLength - 2));
  text[maxLength - 5] = text[maxLength - 4] = text[maxLength - 3] = '.';
}

// Whether an entry's name was already taken by an earlier entry.
bool NameTakenBefore(const STRUCT_SCAN_FUN_ARRAY& a, int index) {
  for (int j = 0; j < index; ++j)
    if (EqualsNoCase(a.entries[j].name, a.entries[index].name)) return true;
  return false;
}

// Whether the entry's segment text names the segment (0-based).
bool EntryInSegment(const SCAN_FUN_ENTRY& e, int segment) {
  std::string s(e.segments, strnlen(e.segments, sizeof e.segments));
  size_t pos = 0;
  if (!s.empty() && s[0] == '(') pos = 1;
  while (pos <= s.size()) {
    size_t end = s.find_first_of(", )", pos);
    if (end == std::string::npos) end = s.size();
    std::string item = s.substr(pos, end - pos);
    int number = 0;
    if (!item.empty() && std::sscanf(item.c_str(), "%d", &number) == 1 && number == segment + 1) return true;
    pos = end + 1;
  }
  return false;
}

bool ChannelCovered(const STRUCT_CHAN_LIST& l, int channel) {
  for (uint16_t i = 0; i < l.count && i < CHAN_LIST_MAX_ENTRIES; ++i)
    if (channel >= l.entries[i].low && channel <= l.entries[i].high) return true;
  return false;
}

// Adds a channel to a listed list and joins entries that meet end to end.
void AddChannel(STRUCT_CHAN_LIST& l, int channel) {
  if (ChannelCovered(l, channel)) return;
  if (l.count < CHAN_LIST_MAX_ENTRIES) {
    l.entries[l.count].reserved = 0;
    l.entries[l.count].low = l.entries[l.count].high = static_cast<uint16_t>(channel);
    ++l.count;
  } else {
    // A full list can still take a channel next to one of its entries.
    bool joined = false;
    for (uint16_t k = 0; k < l.count && !joined; ++k) {
      if (l.entries[k].high + 1 == channel) l.entries[k].high = static_cast<uint16_t>(channel), joined = true;
      else if (l.entries[k].low == channel + 1) l.entries[k].low = static_cast<uint16_t>(channel), joined = true;
    }
  }
  for (uint16_t k = 0; k < l.count; ++k) {
    for (uint16_t m = k + 1; m < l.count;) {
      if (l.entries[k].high + 1 == l.entries[m].low) {
        l.entries[k].high = l.entries[m].high;
        std::memmove(&l.entries[m], &l.entries[m + 1], (l.count - m - 1) * sizeof(CHAN_RANGE));
        --l.count;
        std::memset(&l.entries[l.count], 0, sizeof(CHAN_RANGE));
      } else {
        ++m;
      }
    }
  }
}

}  // namespace

KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_GetAllScanFunsForSegment(const STRUCT_WORK_FILE* workFile, int16_t segment,
                                                                  const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount) {
  if (!SegmentExists(workFile, segment)) return nullptr;
  const int n = kelt::wff::FunctionCount(workFile, segment);
  if (n <= 0) return nullptr;
  STRUCT_SCAN_FUN_ARRAY* a = NewArray(static_cast<size_t>(n));
  if (!a) return nullptr;
  const int count = info && infoCount > 0 ? infoCount : 0;
  for (int j = 0; j < n; ++j)
    if (const STRUCT_SCAN_FUN_INFO* r = FindChannel(info, count, segment, j)) SetEntry(a->entries[a->count++], *r);
  if (a->count == 0) {
    FreeBlock(a);
    return nullptr;
  }
  return a;
}

KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_GetScanFunArrayForChanList(const STRUCT_WORK_FILE* workFile, int16_t segment,
                                                                    const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                                                                    const STRUCT_CHAN_LIST* chanList) {
  if (!SegmentExists(workFile, segment) || !chanList || chanList->kind != CHAN_LIST_LISTED) return nullptr;
  const uint16_t entries = chanList->count <= CHAN_LIST_MAX_ENTRIES ? chanList->count : CHAN_LIST_MAX_ENTRIES;
  size_t room = 0;
  for (uint16_t e = 0; e < entries; ++e)
    if (chanList->entries[e].low <= chanList->entries[e].high)
      room += static_cast<size_t>(chanList->entries[e].high - chanList->entries[e].low + 1);
  if (room == 0) return nullptr;
  STRUCT_SCAN_FUN_ARRAY* a = NewArray(room);
  if (!a) return nullptr;
  const int count = info && infoCount > 0 ? infoCount : 0;
  for (uint16_t e = 0; e < entries; ++e)
    for (int c = chanList->entries[e].low; c <= chanList->entries[e].high; ++c)
      if (const STRUCT_SCAN_FUN_INFO* r = FindChannel(info, count, segment, c)) SetEntry(a->entries[a->count++], *r);
  if (a->count == 0) {
    FreeBlock(a);
    return nullptr;
  }
  return a;
}

KELT_API BOOL SCAN_FUN_GetChanListForSegment(const STRUCT_SCAN_FUN_ARRAY* array, int16_t segment,
                                             const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                                             STRUCT_CHAN_LIST* chanList) {
  if (!chanList) return 0;
  std::memset(chanList, 0, sizeof *chanList);
  if (!array || !info || infoCount <= 0) return 0;
  BOOL found = 0;
  for (int i = 0; i < infoCount; ++i) {
    const STRUCT_SCAN_FUN_INFO& r = info[i];
    if (!ScanFunInfoInSegment(r, segment)) continue;
    for (uint16_t e = 0; e < array->count; ++e) {
      if (!EqualsNoCase(r.longName, array->entries[e].identity)) continue;
      if (!found) {
        found = 1;
        if (r.kind != 1) {
          chanList->kind = r.kind;
          break;
        }
        chanList->kind = CHAN_LIST_LISTED;
        AddChannel(*chanList, r.channel);
      } else if (chanList->kind == CHAN_LIST_LISTED) {
        AddChannel(*chanList, r.channel);
      }
    }
  }
  return found;
}

KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_Copy(const STRUCT_SCAN_FUN_ARRAY* array) {
  if (!array) return nullptr;
  STRUCT_SCAN_FUN_ARRAY* copy = NewArray(array->count, SCAN_FUN_SPARE_BYTES);
  if (!copy) return nullptr;
  std::memcpy(copy, array, ScanFunArraySize(array->count));
  return copy;
}

KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_AddScanFunArrays(const STRUCT_SCAN_FUN_ARRAY* a,
                                                          const STRUCT_SCAN_FUN_ARRAY* b) {
  const size_t na = a ? a->count : 0, nb = b ? b->count : 0;
  if (na + nb > 0xFFFF || (!a && !b)) return nullptr;
  STRUCT_SCAN_FUN_ARRAY* sum = NewArray(na + nb, SCAN_FUN_SPARE_BYTES);
  if (!sum) return nullptr;
  sum->count = static_cast<uint16_t>(na + nb);
  if (na) std::memcpy(&sum->entries[0], &a->entries[0], na * sizeof(SCAN_FUN_ENTRY));
  if (nb) std::memcpy(&sum->entries[na], &b->entries[0], nb * sizeof(SCAN_FUN_ENTRY));
  return sum;
}

KELT_API BOOL SCAN_FUN_Compare(const STRUCT_SCAN_FUN_ARRAY* a, const STRUCT_SCAN_FUN_ARRAY* b) {
  if (!a || !b) return 0;
  if (a == b) return 1;
  if (a->count != b->count) return 0;
  return std::memcmp(a, b, ScanFunArraySize(a->count)) == 0 ? 1 : 0;
}

KELT_API void SCAN_FUN_GetPlotTitle(const STRUCT_WORK_FILE* workFile, const STRUCT_MASS_LIST* massList,
                                    const STRUCT_SCAN_FUN_ARRAY* array, char* text, int16_t maxLength) {
  if (!text || maxLength < 1) return;
  text[0] = 0;
  try {
    std::string t;
    const bool hasKind = massList && massList->kind != MASS_LIST_TOTAL_ION;
    if (hasKind) {
      if (massList->kind == MASS_LIST_BASE_PEAK_ION) {
        t = "Base Peak Ion";
      } else if (massList->kind == MASS_LIST_BASE_PEAK_INTENSITY) {
        t = "Intensity of Base Peak";
      } else {
        char buf[512];
        FormatMassListText(buf, massList, kelt::wff::MassDecimals(workFile));
        t = buf;
      }
      t += " (";
    }
    const int n = array ? array->count : 0;
    for (int i = 0; i < n; ++i) {
      if (NameTakenBefore(*array, i)) continue;
      if (i > 0) t += " + ";
      t.append(array->entries[i].name, strnlen(array->entries[i].name, sizeof array->entries[i].name));
      if (t.size() >= static_cast<size_t>(maxLength)) {
        CutTitle(t, maxLength);
        kelt::text::CopyBounded(text, static_cast<size_t>(maxLength), t);
        return;
      }
    }
    if (hasKind) t += ")";
    if (t.size() >= static_cast<size_t>(maxLength)) CutTitle(t, maxLength);
    kelt::text::CopyBounded(text, static_cast<size_t>(maxLength), t);
  } catch (...) {
    text[0] = 0;
  }
}

KELT_API void SCAN_FUN_GetSegmentTitle(const STRUCT_SCAN_FUN_ARRAY* array, int16_t segment, char* text,
                                       int16_t maxLength) {
  if (!text || maxLength < 1) return;
  text[0] = 0;
  if (!array) return;
  try {
    std::string t;
    bool any = false;
    for (int i = 0; i < array->count; ++i) {
      if (!EntryInSegment(array->entries[i], segment) || NameTakenBefore(*array, i)) continue;
      if (any) t += " + ";
      any = true;
      t.append(array->entries[i].name, strnlen(array->entries[i].name, sizeof array->entries[i].name));
      if (t.size() >= static_cast<size_t>(maxLength)) {
        CutTitle(t, maxLength);
        break;
      }
    }
    kelt::text::CopyBounded(text, static_cast<size_t>(maxLength), t);
  } catch (...) {
    text[0] = 0;
  }
}

KELT_API BOOL SCAN_FUN_AreAllScanFunsInSegment(const STRUCT_WORK_FILE* workFile, uint16_t segment,
                                               const STRUCT_SCAN_FUN_ARRAY* array, const STRUCT_SCAN_FUN_INFO* info,
                                               uint16_t infoCount) {
  if (segment > 0x7FFF || infoCount > 0x7FFF) return 0;
  STRUCT_SCAN_FUN_ARRAY* own =
      SCAN_FUN_GetAllScanFunsForSegment(workFile, static_cast<int16_t>(segment), info, static_cast<int16_t>(infoCount));
  if (!own) return 0;
  BOOL same = SCAN_FUN_Compare(array, own);
  FreeBlock(own);
  return same;
}

KELT_API BOOL SCAN_FUN_AreSomeScanFunsInSegment(const STRUCT_WORK_FILE* workFile, uint16_t segment,
                                                const STRUCT_SCAN_FUN_ARRAY* array, const STRUCT_SCAN_FUN_INFO* info,
                                                uint16_t infoCount) {
  if (!array || !info || !SegmentExists(workFile, segment)) return 0;
  for (uint16_t e = 0; e < array->count; ++e)
    for (uint16_t i = 0; i < infoCount; ++i)
      if (ScanFunInfoInSegment(info[i], segment) && EqualsNoCase(array->entries[e].identity, info[i].longName))
        return 1;
  return 0;
}
