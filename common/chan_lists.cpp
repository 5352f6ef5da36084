// Channel lists: initialisation, checks, comparisons, union and the
// conversion from text.
#include <cstring>
#include <vector>

#include "common/list_text_helpers.h"
#include "common/mass_lists.h"
#include "common/range_merge.h"
#include "common/work_file_facts.h"
#include "quorna/quorna.h"

namespace {

// Channel limit when no work file is given: any scan function a segment can hold.
constexpr int kAnyFileFunctions = MS_MAX_FUNCTIONS;
constexpr size_t kChanTextSize = 200;

bool ChanText(const STRUCT_CHAN_LIST& l, char (&text)[kChanTextSize]) { return FormatChanList(text, &l) != 0; }

bool IsSingleFirstChannel(const STRUCT_CHAN_LIST& l) {
  return l.kind == CHAN_LIST_LISTED && l.count == 1 && l.entries[0].low == 0 && l.entries[0].high == 0;
}

}  // namespace

KELT_API void KELT_InitMergedChanList(STRUCT_CHAN_LIST* list) {
  if (!list) return;
  std::memset(list, 0, sizeof *list);
  list->kind = CHAN_LIST_MERGED;
}

KELT_API void KELT_InitIgnoredChanList(STRUCT_CHAN_LIST* list) {
  if (!list) return;
  std::memset(list, 0, sizeof *list);
  list->kind = CHAN_LIST_IGNORED;
}

KELT_API BOOL KELT_IsChanListValid(const STRUCT_CHAN_LIST* list, const STRUCT_WORK_FILE* workFile) {
  if (!list) return 0;
  if (list->kind == CHAN_LIST_MERGED || list->kind == CHAN_LIST_IGNORED) return 1;
  if (list->kind != CHAN_LIST_LISTED) return 0;
  if (list->count < 1 || list->count > CHAN_LIST_MAX_ENTRIES) return 0;
  const int limit = workFile ? kelt::wff::MostScanFunctions(workFile) : kAnyFileFunctions;
  for (uint16_t i = 0; i < list->count; ++i) {
    const CHAN_RANGE& e = list->entries[i];
    if (e.reserved != 0 || e.low > e.high || e.high >= limit) return 0;
    for (uint16_t j = 0; j < i; ++j)
      if (e.low <= list->entries[j].high && e.high >= list->entries[j].low) return 0;
  }
  return 1;
}

KELT_API BOOL KELT_IsOneChannelInChanList(const STRUCT_CHAN_LIST* list, const STRUCT_WORK_FILE* workFile,
                                          uint16_t* channel) {
  if (channel) *channel = 0;
  if (workFile && kelt::wff::MostScanFunctions(workFile) == 1) return 1;
  if (!list || list->kind != CHAN_LIST_LISTED || list->count != 1) return 0;
  if (list->entries[0].low != list->entries[0].high) return 0;
  if (channel) *channel = list->entries[0].low;
  return 1;
}

KELT_API BOOL KELT_IsSameChanList(const STRUCT_CHAN_LIST* a, const STRUCT_CHAN_LIST* b) {
  if (!a || !b) return 0;
  char ta[kChanTextSize], tb[kChanTextSize];
  if (!ChanText(*a, ta) || !ChanText(*b, tb)) return 0;
  return std::strcmp(ta, tb) == 0 ? 1 : 0;
}

KELT_API BOOL KELT_IsEquivalentChanList(const STRUCT_CHAN_LIST* a, const STRUCT_CHAN_LIST* b, const void*) {
  if (!a || !b) return 0;
  if (KELT_IsSameChanList(a, b)) return 1;
  if (a->kind == CHAN_LIST_MERGED && IsSingleFirstChannel(*b)) return 1;
  if (b->kind == CHAN_LIST_MERGED && IsSingleFirstChannel(*a)) return 1;
  return 0;
}

KELT_API BOOL KELT_AddChanListToChanList(const STRUCT_CHAN_LIST* a, const STRUCT_CHAN_LIST* b,
                                         STRUCT_CHAN_LIST* out) {
  if (!out) return 0;
  STRUCT_CHAN_LIST ca{}, cb{};
  if (a) ca = *a;
  if (b) cb = *b;
  std::memset(out, 0, sizeof *out);
  if (!a || !b || ca.kind != CHAN_LIST_LISTED || cb.kind != CHAN_LIST_LISTED) return 0;
  if (ca.count >= CHAN_LIST_MAX_ENTRIES || cb.count > CHAN_LIST_MAX_ENTRIES) return 0;
  if (!kelt::lists::MergeRanges(ca.entries, ca.count, CHAN_LIST_MAX_ENTRIES, cb.entries, cb.count)) return 0;
  *out = ca;
  return 1;
}

KELT_API BOOL KELT_ConvertStringToChanList(const char* text, const STRUCT_WORK_FILE* workFile, int16_t allowAll,
                                           STRUCT_CHAN_LIST* out) {
  if (!out) return 0;
  std::memset(out, 0, sizeof *out);
  if (!text || !text[0]) return 0;
  if (kelt::text::EqualsNoCase(text, "Merged")) return out->kind = CHAN_LIST_MERGED, 1;
  if (kelt::text::EqualsNoCase(text, "All")) {
    if (!allowAll) return 0;
    out->kind = CHAN_LIST_IGNORED;
    return 1;
  }
  STRUCT_CHAN_LIST l;
  if (!ParseChanList(text, &l) || l.kind != CHAN_LIST_LISTED || l.count < 1) return 0;
  if (!KELT_IsChanListValid(&l, workFile)) return 0;
  *out = l;
  return 1;
}
