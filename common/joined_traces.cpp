// Joined traces: one trace per segment (segment plots, data type 300) or per
// segment that runs the chosen scan functions (data type 301), put end to end.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/data_points.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"

namespace {

constexpr size_t kPointSize = NE_POINT_SIZE;
constexpr size_t kPointHead = NE_POINT_BLOCK_HEAD;

struct Traces {
  std::vector<STRUCT_NE_DATA_POINTS*> list;
  ~Traces() {
    for (STRUCT_NE_DATA_POINTS* t : list) FreeDataPointsStruct(t);
  }
};

// Joins the traces into one record; the owned copy of the array becomes
// its second owned block. 0 when nothing could be joined.
STRUCT_NE_DATA_POINTS* Join(STRUCT_WORK_FILE* wf, const std::vector<STRUCT_NE_DATA_POINTS*>& traces, int16_t dataType,
                            size_t spare, void* arrayCopy) {
  size_t total = 0;
  for (const STRUCT_NE_DATA_POINTS* t : traces) total += t->pointCount;
  auto* joined = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  const size_t bytes = total * kPointSize + NE_POINT_BLOCK_SLACK + spare;
  uint8_t* block = bytes <= 0xFFFFFFFFu ? static_cast<uint8_t*>(AllocBlock(static_cast<uint32_t>(bytes))) : nullptr;
  if (!joined || !block || !arrayCopy) {
    if (joined) FreeBlock(joined);
    if (block) FreeBlock(block);
    if (arrayCopy) FreeBlock(arrayCopy);
    return nullptr;
  }
  joined->workFile = wf;
  joined->dataType = dataType;
  joined->step = 1.0;
  joined->pointCount = static_cast<uint32_t>(total);
  joined->points = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(block);
  joined->ownedBlock2 = arrayCopy;
  bool first = true;
  size_t at = 0;
  for (const STRUCT_NE_DATA_POINTS* t : traces) {
    if (t->pointCount == 0 || !t->points) continue;
    const uint8_t* src = reinterpret_cast<const uint8_t*>(t->points);
    if (first) {
      joined->startTime = t->startTime;
      joined->firstPoint = t->firstPoint;
      std::memcpy(block, src, 4);          // first scan
      std::memcpy(block + 8, src + 8, 4);  // value-is-double flag
      first = false;
    }
    joined->endTime = t->endTime;
    joined->lastPoint = t->lastPoint;
    std::memcpy(block + 4, src + 4, 4);  // last scan
    std::memcpy(block + kPointHead + at * kPointSize, src + kPointHead, t->pointCount * kPointSize);
    at += t->pointCount;
  }
  if (first) {
    // No trace held points: the times asked for.
    joined->startTime = traces.front()->startTime;
    joined->endTime = traces.back()->endTime;
  } else {
    joined->pointsInRange = joined->lastPoint - joined->firstPoint + 1;
  }
  return joined;
}

void Finish(STRUCT_NE_DATA_POINTS* joined, const STRUCT_WORK_FILE* wf, int16_t filter, const void* params,
            bool wholeFile) {
  if (filter && params) FilterDataPointsStruct(joined, params);
  joined->wholeFile = wholeFile && !kelt::wff::IsLive(wf) ? 1 : 0;
}

}  // namespace

KELT_API STRUCT_NE_DATA_POINTS* PLOT_SEG_Read(STRUCT_WORK_FILE* workFile, const STRUCT_SEG_PLOTS* plots,
                                              int16_t filter, const void* filterParams) {
  if (!workFile || !plots) return nullptr;
  // One entry per segment, and the segment blocks must be there.
  if (plots->count != kelt::wff::SegmentCount(workFile)) return nullptr;
  try {
    Traces traces;
    for (int i = 0; i < plots->count; ++i) {
      const SEG_PLOT_ENTRY& e = plots->entries[i];
      if (e.excluded) continue;
      const MS_SEGMENT_BLOCK* s = kelt::wff::Segment(workFile, i);
      STRUCT_NE_DATA_POINTS* t =
          MakeDataPointsStruct(workFile, s->startTime, s->endTime, SEG_PLOT_MAX_POINTS,
                               KELT_GetDataTypeFromMassType(e.massList.kind), 0, &e.chanList, &e.massList);
      if (t) traces.list.push_back(t);
    }
    if (traces.list.empty()) return nullptr;
    STRUCT_NE_DATA_POINTS* joined = Join(workFile, traces.list, DATA_TYPE_SEGMENT_PLOT, 0, PLOT_SEG_Copy(plots));
    if (!joined) return nullptr;
    Finish(joined, workFile, filter, filterParams, true);
    return joined;
  } catch (...) {
    return nullptr;
  }
}

KELT_API STRUCT_NE_DATA_POINTS* SCAN_FUN_FastReadTimeRange(double start, double end, const STRUCT_SCAN_FUN_INFO* info,
                                                           int16_t infoCount, STRUCT_WORK_FILE* workFile,
                                                           const STRUCT_SCAN_FUN_ARRAY* array,
                                                           const STRUCT_MASS_LIST* massList, int16_t filter,
                                                           const void* filterParams) {
  if (!workFile || !array || !info || infoCount <= 0) return nullptr;
  try {
    STRUCT_MASS_LIST masses;
    if (massList) masses = *massList;
    else KELT_InitRICMassList(&masses);
    Traces traces;
    const int segments = kelt::wff::SegmentCount(workFile);
    for (int i = 0; i < segments; ++i) {
      const MS_SEGMENT_BLOCK* s = kelt::wff::Segment(workFile, i);
      const double segStart = s->startTime, segEnd = s->endTime;
      if (segEnd < start) continue;
      if (segStart > end) break;
      STRUCT_CHAN_LIST channels;
      if (!SCAN_FUN_GetChanListForSegment(array, static_cast<int16_t>(i), info, infoCount, &channels)) continue;
      STRUCT_NE_DATA_POINTS* t = MakeDataPointsStruct(workFile, std::max(segStart, start), std::min(segEnd, end),
                                                      SEG_PLOT_MAX_POINTS, KELT_GetDataTypeFromMassType(masses.kind), 0,
                                                      &channels, &masses);
      if (t) traces.list.push_back(t);
    }
    if (traces.list.empty()) return nullptr;
    STRUCT_NE_DATA_POINTS* joined = Join(workFile, traces.list, DATA_TYPE_SCAN_FUN_PLOT, 200, SCAN_FUN_Copy(array));
    if (!joined) return nullptr;
    joined->massList = masses;
    // Whole file only when the range covers it.
    const bool whole = start <= kelt::wff::StartTime(workFile) + 0.0001 && end >= kelt::wff::EndTime(workFile) - 0.0001;
    Finish(joined, workFile, filter, filterParams, whole);
    return joined;
  } catch (...) {
    return nullptr;
  }
}

KELT_API STRUCT_NE_DATA_POINTS* SCAN_FUN_FastRead(const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                                                  STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_ARRAY* array,
                                                  const STRUCT_MASS_LIST* massList, int16_t filter,
                                                  const void* filterParams) {
  if (!workFile) return nullptr;
  return SCAN_FUN_FastReadTimeRange(kelt::wff::StartTime(workFile), kelt::wff::EndTime(workFile), info, infoCount,
                                    workFile, array, massList, filter, filterParams);
}

KELT_API STRUCT_NE_DATA_POINTS* SCAN_FUN_Read(STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_ARRAY* array,
                                              const STRUCT_MASS_LIST* massList, int16_t filter,
                                              const void* filterParams) {
  if (!workFile || !array) return nullptr;
  int16_t count = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(workFile, &count, 0);
  if (!info) return nullptr;
  STRUCT_NE_DATA_POINTS* joined = SCAN_FUN_FastRead(info, count, workFile, array, massList, filter, filterParams);
  FreeBlock(info);
  return joined;
}
