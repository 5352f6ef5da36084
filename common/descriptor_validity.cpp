// Whether a plot descriptor can be drawn from a data file, in a segment or
// at a time, and segment plots of one channel.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/list_text_helpers.h"
#include "common/plot_descriptors.h"
#include "common/work_file.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"

namespace {

using kelt::text::EqualsNoCase;

bool SameLongName(const char* a, size_t aSize, const char* b, size_t bSize) {
  return EqualsNoCase(std::string(a, strnlen(a, aSize)).c_str(), std::string(b, strnlen(b, bSize)).c_str());
}

// Whether an information entry stands for a scan function of segment
// (0-based): its own segment, or one named in its segment list.
bool EntryInSegment(const STRUCT_SCAN_FUN_INFO& e, int segment) {
  if (e.ownEntry) return e.segment == segment;
  const std::string list(e.segmentList, strnlen(e.segmentList, sizeof e.segmentList));
  const size_t colon = list.find(':');
  if (colon != std::string::npos) {
    const int first = std::atoi(list.c_str()), last = std::atoi(list.c_str() + colon + 1);
    return segment + 1 >= first && segment + 1 <= last;
  }
  size_t p = 0;
  while (p < list.size()) {
    if (list.compare(p, 3, "...") == 0) return true;  // the list was cut: cannot tell
    if (std::atoi(list.c_str() + p) == segment + 1) return true;
    const size_t comma = list.find(',', p);
    if (comma == std::string::npos) break;
    p = comma + 1;
  }
  return false;
}

bool ChannelsFit(const STRUCT_CHAN_LIST& list, int channels) {
  const int n = std::min<int>(list.count, CHAN_LIST_MAX_ENTRIES);
  for (int i = 0; i < n; ++i)
    if (list.entries[i].low >= channels || list.entries[i].high >= channels) return false;
  return true;
}

bool IsDetectorFile(const STRUCT_WORK_FILE* wf) {
  return wf->sectioned && !wf->centroid && !wf->profile && !wf->directHeader;
}

bool HasLongName(const STRUCT_PLOT_DESCRIPTOR* pd, const char* name) {
  for (int i = 0; i < pd->scanFuns.count; ++i)
    if (SameLongName(pd->scanFuns.entries[i].identity, sizeof(SCAN_FUN_ENTRY::identity), name,
                     sizeof(SCAN_FUN_ENTRY::identity)))
      return true;
  return false;
}

bool ArrayUsable(const STRUCT_PD_ARRAY* a) { return a && a->count > 0; }

bool MethodMatch(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_PLOT_DESCRIPTOR* other) {
  if (!SameLongName(pd->compoundName, sizeof pd->compoundName, other->compoundName, sizeof other->compoundName))
    return false;
  // The comparison may touch its records' windows: compare copies.
  STRUCT_MASS_LIST a = pd->massList, b = other->massList;
  if (!KELT_IsSameMassList(&a, &b)) return false;
  if (pd->dataType == PD_TYPE_SCAN_FUNCTIONS) {
    if (other->dataType != PD_TYPE_SCAN_FUNCTIONS || other->scanFuns.count != pd->scanFuns.count) return false;
    for (int i = 0; i < pd->scanFuns.count; ++i)
      if (!HasLongName(other, pd->scanFuns.entries[i].identity)) return false;
    return true;
  }
  if (pd->chanList.kind == CHAN_LIST_LISTED) {
    STRUCT_CHAN_LIST x = pd->chanList, y = other->chanList;
    return other->chanList.kind == CHAN_LIST_LISTED && KELT_IsSameChanList(&x, &y);
  }
  if (pd->chanList.kind == CHAN_LIST_MERGED) return other->chanList.kind == CHAN_LIST_MERGED;
  return true;
}

STRUCT_SEG_PLOTS* SegPlotsForChannel(const STRUCT_WORK_FILE* wf, int channel, int onlySegment) {
  const int segments = kelt::wff::SegmentCount(wf);
  if (segments <= 0 || segments > 0xFFFF) return nullptr;
  int16_t count = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf, &count, 0);
  if (!info || count <= 0) {
    if (info) FreeBlock(info);
    return nullptr;
  }
  auto* plots = static_cast<STRUCT_SEG_PLOTS*>(AllocBlock(static_cast<uint32_t>(SegPlotsSize(segments))));
  if (plots) {
    plots->count = static_cast<uint16_t>(segments);
    for (int s = 0; s < segments; ++s) {
      SEG_PLOT_ENTRY& entry = plots->entries[s];
      const STRUCT_SCAN_FUN_INFO* found = nullptr;
      if (onlySegment < 0 || onlySegment == s)
        for (int k = 0; k < count && !found; ++k)
          if (info[k].kind == 1 && info[k].segment == s && info[k].channel == channel) found = &info[k];
      if (!found) {
        entry.excluded = 1;
        continue;
      }
      entry.chanList.kind = CHAN_LIST_LISTED;
      entry.chanList.count = 1;
      entry.chanList.entries[0].low = entry.chanList.entries[0].high = static_cast<uint16_t>(channel);
      KELT_InitRICMassList(&entry.massList);
      kelt::text::CopyBounded(entry.title, sizeof entry.title,
                              std::string(found->shortName, strnlen(found->shortName, sizeof found->shortName)));
    }
  }
  FreeBlock(info);
  return plots;
}

}  // namespace

BOOL PD_IsValidForSegment(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                          int16_t segment) {
  if (!pd || !info || pd->dataType != PD_TYPE_SCAN_FUNCTIONS) return FALSE;
  for (int k = 0; k < infoCount; ++k) {
    if (!EntryInSegment(info[k], segment)) continue;
    if (HasLongName(pd, info[k].longName)) return TRUE;
  }
  return FALSE;
}

BOOL PD_IsValidForTime(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                       const STRUCT_WORK_FILE* workFile, double time) {
  if (!pd || !workFile) return FALSE;
  if (!workFile->sectioned || !(workFile->centroid || workFile->profile)) return TRUE;
  const int segments = kelt::wff::SegmentCount(workFile);
  if (pd->dataType != PD_TYPE_SCAN_FUNCTIONS) {
    if (pd->chanList.kind != CHAN_LIST_LISTED) return TRUE;
    for (int s = 0; s < segments; ++s) {
      const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(workFile, s);
      if (b && b->startTime <= time && time <= b->endTime && !ChannelsFit(pd->chanList, b->functionCount))
        return FALSE;
    }
    return TRUE;
  }
  for (int s = 0; s < segments; ++s) {
    const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(workFile, s);
    if (b && b->startTime <= time && time <= b->endTime)
      return PD_IsValidForSegment(pd, info, infoCount, static_cast<int16_t>(s));
  }
  return FALSE;
}

BOOL PD_Is_lpPD_ValidWith_lpWF(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_WORK_FILE* workFile,
                               const STRUCT_ALL_PDS* all) {
  if (!pd || !workFile) return FALSE;
  const bool detector = IsDetectorFile(workFile);
  if (pd->kind == PD_KIND_DETECTOR) {
    if (!detector) return FALSE;
    return !workFile->channelTable || pd->index < workFile->channelTable->channelCount;
  }
  if (detector) return FALSE;
  if (pd->kind == PD_KIND_USER_TRACE) {
    const STRUCT_PD_ARRAY* traces = all ? all->userTraces : nullptr;
    if (!ArrayUsable(traces)) return FALSE;
    for (int i = 0; i < traces->count; ++i)
      if (traces->pds[i] && SameLongName(traces->pds[i]->name, PD_NAME_SIZE, pd->name, PD_NAME_SIZE)) return TRUE;
    return FALSE;
  }
  if (pd->kind == PD_KIND_METHOD) {
    const STRUCT_PD_ARRAY* method = all ? all->method : nullptr;
    if (!ArrayUsable(method)) return FALSE;
    for (int i = 0; i < method->count; ++i)
      if (method->pds[i] && MethodMatch(pd, method->pds[i])) return TRUE;
    return FALSE;
  }
  if (pd->dataType == PD_TYPE_SCAN_FUNCTIONS) {
    const STRUCT_PD_ARRAY* files = all ? all->dataFile : nullptr;
    if (!ArrayUsable(files)) return FALSE;
    for (int i = 0; i < files->count; ++i) {
      const STRUCT_PLOT_DESCRIPTOR* other = files->pds[i];
      if (!other) continue;
      for (int k = 0; k < other->scanFuns.count; ++k)
        if (HasLongName(pd, other->scanFuns.entries[k].identity)) return TRUE;
    }
    return FALSE;
  }
  if (pd->dataType == PD_TYPE_IONS && pd->chanList.kind == CHAN_LIST_LISTED)
    return ChannelsFit(pd->chanList, kelt::wff::MostScanFunctions(workFile)) ? TRUE : FALSE;
  return TRUE;
}

STRUCT_SEG_PLOTS* PLOT_SEG_InitPDForSegChan(const STRUCT_WORK_FILE* workFile, int16_t channel, int16_t segment) {
  if (!workFile || channel < 0 || segment < 0) return nullptr;
  try {
    return SegPlotsForChannel(workFile, channel, segment);
  } catch (...) {
    return nullptr;
  }
}

STRUCT_SEG_PLOTS* PLOT_SEG_InitPDsForChannel(const STRUCT_WORK_FILE* workFile, int16_t channel) {
  if (!workFile || channel < 0) return nullptr;
  try {
    return SegPlotsForChannel(workFile, channel, -1);
  } catch (...) {
    return nullptr;
  }
}
