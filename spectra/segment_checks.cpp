// Segment and channel checks over the segment blocks of a work file.
#include "spectra/segment_checks.h"

#include <cstdio>
#include <cstring>

#include "common/list_text_helpers.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace kelt::seg {

bool ChanListUsableOn(const STRUCT_CHAN_LIST* list, const MS_SEGMENT_BLOCK& s) {
  if (!list || list->kind != CHAN_LIST_LISTED) return true;
  if (list->count < 1 || list->count > CHAN_LIST_MAX_ENTRIES - 1) return false;
  return KELT_CheckChanListInSegment(list, &s) != 0;
}

}  // namespace kelt::seg

namespace {

using kelt::seg::Count;

// Some entry of a listed list names a channel the segment scans.
bool SomeChannelIn(const STRUCT_CHAN_LIST& list, const MS_SEGMENT_BLOCK& s) {
  const int n = list.count < CHAN_LIST_MAX_ENTRIES ? list.count : CHAN_LIST_MAX_ENTRIES;
  for (int i = 0; i < n; ++i)
    if (list.entries[i].low < kelt::seg::ScanStep(s)) return true;
  return false;
}

const STRUCT_NE_POINT_BLOCK* RawPoints(const STRUCT_NE_DATA_POINTS* trace) {
  return trace->pointCount ? trace->points : nullptr;
}

// Some point time t with low <= t < high (or t <= high when closed).
bool SomePointIn(const STRUCT_NE_DATA_POINTS* trace, double low, double high, bool closed) {
  const STRUCT_NE_POINT_BLOCK* block = RawPoints(trace);
  if (!block) return false;
  for (uint32_t i = 0; i < trace->pointCount; ++i) {
    const double t = NePointAt(block, i)->time;
    if (t >= low && (closed ? t <= high : t < high)) return true;
  }
  return false;
}

// No MS segments to test against: the first data-kind word set or the second clear.
bool HasNoMSSegments(const STRUCT_WORK_FILE* wf) { return wf->directHeader || !wf->sectioned; }

// The segment that holds a time (start <= time <= end), or -1.
int SegmentOfTime(const STRUCT_WORK_FILE* wf, double time) {
  for (int s = 0; s < Count(wf); ++s) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    if (b.startTime <= time && time <= b.endTime) return s;
  }
  return -1;
}

template <typename Test>
void Widen(int segment, int count, Test test, int16_t* first, int16_t* last) {
  int lo = segment, hi = segment;
  while (lo > 0 && test(lo - 1)) --lo;
  while (hi + 1 < count && test(hi + 1)) ++hi;
  *first = static_cast<int16_t>(lo);
  *last = static_cast<int16_t>(hi);
}

}  // namespace

KELT_API BOOL KELT_IsChanListValidForSegment(const STRUCT_WORK_FILE* wf, int16_t segment,
                                             const STRUCT_CHAN_LIST* chanList) {
  if (!wf || !chanList || chanList->kind != CHAN_LIST_LISTED) return 0;
  if (segment < 0 || segment >= Count(wf)) return 0;
  return SomeChannelIn(*chanList, wf->segmentBlocks[segment]) ? 1 : 0;
}

KELT_API BOOL KELT_CheckChanListInSegment(const STRUCT_CHAN_LIST* chanList, const MS_SEGMENT_BLOCK* segment) {
  if (!chanList || chanList->kind != CHAN_LIST_LISTED) return 1;
  if (!segment) return 0;
  return SomeChannelIn(*chanList, *segment) ? 1 : 0;
}

KELT_API BOOL KELT_GetSegmentRange(const STRUCT_WORK_FILE* wf, double time, const STRUCT_SCAN_FUN_ARRAY* array,
                                   const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_INFO* info,
                                   uint16_t infoCount, int16_t* segment, int16_t* firstSegment, int16_t* lastSegment) {
  if (!segment || !firstSegment || !lastSegment) return 0;
  const int count = Count(wf);
  if (count == 0) return 0;
  const int s = SegmentOfTime(wf, time);
  if (s < 0) return 0;
  *segment = static_cast<int16_t>(s);
  const int16_t shownInfo = infoCount > 0x7FFF ? int16_t{0x7FFF} : static_cast<int16_t>(infoCount);
  if (array) {
    auto test = [&](int k) {
      STRUCT_CHAN_LIST scratch;
      return SCAN_FUN_GetChanListForSegment(array, static_cast<int16_t>(k), info, shownInfo, &scratch) != 0;
    };
    if (!test(s)) return 0;
    Widen(s, count, test, firstSegment, lastSegment);
    return 1;
  }
  if (chanList && (chanList->kind == CHAN_LIST_MERGED || chanList->kind == CHAN_LIST_IGNORED)) {
    *firstSegment = 0;
    *lastSegment = static_cast<int16_t>(count - 1);
    return 1;
  }
  if (chanList && chanList->kind == CHAN_LIST_LISTED) {
    auto test = [&](int k) { return KELT_IsChanListValidForSegment(wf, static_cast<int16_t>(k), chanList) != 0; };
    if (!test(s)) return 0;
    Widen(s, count, test, firstSegment, lastSegment);
    return 1;
  }
  return 0;
}

KELT_API BOOL KELT_CheckPlotInSegment(const STRUCT_NE_DATA_POINTS* trace, int16_t segment) {
  if (!trace) return 0;
  if (trace->dataType == DATA_TYPE_DETECTOR) return 1;
  const STRUCT_WORK_FILE* wf = trace->workFile;
  if (!wf) return 0;
  if (HasNoMSSegments(wf)) return 1;
  if (segment < 0 || segment >= Count(wf)) return 0;
  const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[segment];
  if (!kelt::seg::HasData(b)) return 0;
  const double high = segment + 1 < Count(wf) ? wf->segmentBlocks[segment + 1].startTime : b.endTime + 0.00001;
  return SomePointIn(trace, b.startTime, high, false) ? 1 : 0;
}

KELT_API BOOL KELT_CheckPlotInSegmentByTime(const STRUCT_NE_DATA_POINTS* trace, double time) {
  if (!trace) return 0;
  if (trace->dataType == DATA_TYPE_DETECTOR) return 1;
  const STRUCT_WORK_FILE* wf = trace->workFile;
  if (!wf) return 0;
  if (HasNoMSSegments(wf)) return 1;
  for (int s = 0; s < Count(wf); ++s) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    if (!(b.startTime <= time && time < b.endTime)) continue;
    if (!kelt::seg::HasData(b)) return 0;
    return SomePointIn(trace, b.startTime, b.endTime, true) ? 1 : 0;
  }
  return 0;
}

KELT_API BOOL TOL_CheckForPlotLineUnderSpt(const STRUCT_TOL_SPT* spectrum, const STRUCT_NE_DATA_POINTS* trace) {
  if (!spectrum) return 1;
  if (!trace) return 0;
  const STRUCT_WORK_FILE* wf = trace->workFile;
  if (!wf) return 0;
  if (!wf->centroid && !wf->profile) return 1;
  // The record begins with the spectrum's scan header, its time at byte 4.
  double t = 0;
  std::memcpy(&t, reinterpret_cast<const uint8_t*>(spectrum) + offsetof(MS_SCAN_HEADER, time), sizeof t);
  const int count = Count(wf);
  for (int s = 0; s < count; ++s) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    const bool in =
        s + 1 < count ? b.startTime <= t && t < wf->segmentBlocks[s + 1].startTime : b.startTime <= t && t <= b.endTime;
    if (in) return KELT_CheckPlotInSegment(trace, static_cast<int16_t>(s));
  }
  return 0;
}

KELT_API BOOL TOL_GetChanListForScanFun(const STRUCT_WORK_FILE* wf, uint32_t firstScan, uint32_t lastScan,
                                        const STRUCT_SCAN_FUN_ARRAY* array, STRUCT_CHAN_LIST* chanList) {
  if (!chanList) return 0;
  std::memset(chanList, 0, sizeof *chanList);
  if (!wf || !array) return 0;
  int segment = -1;
  for (int s = 0; s < Count(wf) && segment < 0; ++s) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    if (b.firstScan <= firstScan && firstScan <= b.lastScan && b.firstScan <= lastScan && lastScan <= b.lastScan)
      segment = s;
  }
  if (segment < 0) return 0;
  int16_t infoCount = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf, &infoCount, 0);
  if (!info) return 0;
  bool found = false;
  for (int i = 0; i < infoCount; ++i) {
    const STRUCT_SCAN_FUN_INFO& r = info[i];
    if (!ScanFunInfoInSegment(r, segment)) continue;
    for (uint16_t e = 0; e < array->count; ++e) {
      if (!kelt::text::EqualsNoCase(r.longName, array->entries[e].identity)) continue;
      char text[160];
      if (!found) {
        found = true;
        if (r.kind != 1) {
          std::memset(chanList, 0, sizeof *chanList);
          chanList->kind = r.kind;
          break;
        }
        std::snprintf(text, sizeof text, "%d", r.channel + 1);
        ParseChanList(text, chanList);
        continue;
      }
      // Appending to a list that is not listed, or an eleventh channel,
      // would not parse back: the list made so far is kept.
      if (chanList->kind != CHAN_LIST_LISTED) continue;
      char listed[140];
      if (!FormatChanList(listed, chanList)) continue;
      std::snprintf(text, sizeof text, "%s+%d", listed, r.channel + 1);
      STRUCT_CHAN_LIST longer;
      if (ParseChanList(text, &longer)) *chanList = longer;
    }
  }
  FreeBlock(info);
  return found ? 1 : 0;
}

KELT_API double TOL_GetSegmentTime(const STRUCT_WORK_FILE* wf, double time) {
  const int count = Count(wf);
  for (int s = 0; s < count; ++s) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    if (b.startTime <= time && time <= b.endTime) return time;
    if (time < b.startTime) {
      if (s == 0) return b.startTime;
      const double previousEnd = wf->segmentBlocks[s - 1].endTime;
      return time - previousEnd <= b.startTime - time ? previousEnd : b.startTime;
    }
  }
  return count > 0 ? wf->segmentBlocks[count - 1].endTime : time;
}
