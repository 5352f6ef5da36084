// Data-points records: MS traces through the MS data library, the free
// and the filtered copy.
#include <cstring>

#include "common/data_points.h"
#include "common/detector_traces.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"

namespace {

// The mass list a data type asks the MS data for: type 1 the caller's
// list, the derived signals by their kinds, extra column k as kind 5 + k.
STRUCT_MASS_LIST MassListForDataType(int16_t dataType, const STRUCT_MASS_LIST* given) {
  STRUCT_MASS_LIST out{};
  const double window = given && given->window > 0 ? given->window : 0.5;
  if (dataType == DATA_TYPE_MASS_LIST) {
    if (given) out = *given;
  } else if (dataType == DATA_TYPE_BASE_PEAK_INTENSITY) {
    out.kind = MASS_LIST_BASE_PEAK_INTENSITY;
  } else if (dataType == DATA_TYPE_BASE_PEAK_ION) {
    out.kind = MASS_LIST_BASE_PEAK_ION;
  } else if (dataType >= DATA_TYPE_EXTRA_COLUMN) {
    const int column = dataType - DATA_TYPE_EXTRA_COLUMN;
    out.kind = static_cast<uint32_t>(MASS_LIST_EXTRA_COLUMN + column);
    out.count = 1;
    out.ranges[0].low = out.ranges[0].high = column;
  }
  out.window = window;
  return out;
}

STRUCT_CHAN_LIST ChannelsOrMerged(const STRUCT_CHAN_LIST* given) {
  STRUCT_CHAN_LIST out{};
  if (given) out = *given;
  return out;
}

const char* SectionFor(const STRUCT_WORK_FILE* wf) {
  return wf->centroid || wf->profile ? "MSData" : nullptr;
}

// Reads an MS trace for a request; the record, or 0.
STRUCT_NE_DATA_POINTS* ReadMSTrace(STRUCT_WORK_FILE* wf, const MS_TRACE_REQUEST& request, int16_t dataType,
                                   const STRUCT_CHAN_LIST* chanList, const STRUCT_MASS_LIST* massList) {
  if (dataType == DATA_TYPE_SEGMENT_PLOT || dataType == DATA_TYPE_SCAN_FUN_PLOT) return nullptr;
  const STRUCT_MASS_LIST masses = MassListForDataType(dataType, massList);
  const STRUCT_CHAN_LIST channels = ChannelsOrMerged(chanList);
  HMSDATA h = OpenMSData(wf, SectionFor(wf), 0);
  if (!h) return nullptr;
  void* block = nullptr;
  const uint32_t count = ::ReadMSTrace(h, &request, &channels, &masses, &block);
  CloseMSData(h);
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  if (!dp) {
    FreeMSTrace(block);
    return nullptr;
  }
  dp->workFile = wf;
  dp->dataType = dataType;
  dp->chanList = channels;
  dp->massList = masses;
  dp->step = 1.0;
  if (count == 0 || !block) {
    FreeMSTrace(block);
    return dp;
  }
  auto* points = static_cast<STRUCT_NE_POINT_BLOCK*>(block);
  dp->pointCount = count;
  dp->points = points;
  dp->startTime = NePointAt(points, 0)->time;
  dp->endTime = NePointAt(points, count - 1)->time;
  const uint32_t first = wf->msInfo.firstScan;
  dp->firstPoint = points->firstScan >= first ? points->firstScan - first : 0;
  dp->lastPoint = points->lastScan >= first ? points->lastScan - first : 0;
  dp->pointsInRange = dp->lastPoint >= dp->firstPoint ? dp->lastPoint - dp->firstPoint + 1 : 0;
  double previous = -1.0;
  for (uint32_t i = 0; i < count; ++i) {
    const double t = NePointAt(points, i)->time;
    if (t < previous) ++dp->timeReversals;
    previous = t;
  }
  return dp;
}

STRUCT_NE_DATA_POINTS* ReadMSTraceForTimes(STRUCT_WORK_FILE* wf, double start, double end, int16_t dataType,
                                           const STRUCT_CHAN_LIST* chanList, const STRUCT_MASS_LIST* massList) {
  MS_TRACE_REQUEST request{};
  request.kind = MS_TRACE_BY_TIMES;
  request.times.from = start - 0.0001;
  request.times.to = end;
  STRUCT_NE_DATA_POINTS* dp = ReadMSTrace(wf, request, dataType, chanList, massList);
  if (!dp) return nullptr;
  if (dp->pointCount == 0) {
    dp->startTime = start;
    dp->endTime = end;
  } else {
    dp->wholeFile = start <= wf->startTime + 0.0001 && end >= wf->endTime - 0.0001 && !wf->live ? 1 : 0;
  }
  return dp;
}

}  // namespace

KELT_API STRUCT_NE_DATA_POINTS* MakeDataPointsStruct(STRUCT_WORK_FILE* wf, double startTime, double endTime,
                                                     int32_t maxPoints, int16_t dataType, int16_t detectorChannel,
                                                     const STRUCT_CHAN_LIST* chanList,
                                                     const STRUCT_MASS_LIST* massList) {
  if (!wf) return nullptr;
  try {
    if (IsMSKind(wf)) return ReadMSTraceForTimes(wf, startTime, endTime, dataType, chanList, massList);
    if (wf->sectioned) return kelt::detector::ReadDetectorTrace(wf, startTime, endTime, maxPoints, detectorChannel);
  } catch (...) {
  }
  return nullptr;
}

KELT_API void FreeDataPointsStruct(STRUCT_NE_DATA_POINTS* dp) {
  if (!dp) return;
  // Every point block comes from the shared allocator, whoever made it.
  if (dp->points) FreeBlock(dp->points);
  if (dp->filtered) FreeBlock(dp->filtered);
  if (dp->ownedBlock2) FreeBlock(dp->ownedBlock2);
  if (dp->ownedBlock1) FreeBlock(dp->ownedBlock1);
  FreeBlock(dp);
}

KELT_API STRUCT_NE_DATA_POINTS* KELT_ReadTraceFromMSData(STRUCT_WORK_FILE* wf, uint32_t firstScan, uint32_t lastScan,
                                                         int16_t dataType, const STRUCT_CHAN_LIST* chanList,
                                                         const STRUCT_MASS_LIST* massList) {
  if (!IsMSKind(wf)) return nullptr;
  try {
    MS_TRACE_REQUEST request{};
    request.kind = MS_TRACE_BY_SCANS;
    request.scans.first = firstScan;
    request.scans.last = lastScan;
    STRUCT_NE_DATA_POINTS* dp = ReadMSTrace(wf, request, dataType, chanList, massList);
    if (!dp) return nullptr;
    if (dp->pointCount == 0) {
      dp->startTime = wf->startTime;
      dp->endTime = wf->endTime;
    } else {
      dp->wholeFile =
          firstScan == wf->msInfo.firstScan && lastScan == wf->msInfo.lastScan && !wf->live ? 1 : 0;
    }
    return dp;
  } catch (...) {
    return nullptr;
  }
}

KELT_API int32_t FilterDataPointsStruct(STRUCT_NE_DATA_POINTS* dp, const void* filterParameters) {
  if (!dp || !dp->points || !dp->workFile || !filterParameters) return 0;
  const STRUCT_WORK_FILE* wf = dp->workFile;
  if (!wf->sectioned || !(wf->centroid || wf->profile)) return 0;
  if (dp->filtered) FreeMSTrace(dp->filtered);
  dp->filtered = nullptr;
  dp->filteredCount = 0;
  if (dp->points->isDouble == 1) return 0;
  const auto* p = static_cast<const uint8_t*>(filterParameters);
  int16_t w2, w6, w8;
  uint16_t w4, w10;
  std::memcpy(&w2, p + 2, 2);
  std::memcpy(&w4, p + 4, 2);
  std::memcpy(&w6, p + 6, 2);
  std::memcpy(&w8, p + 8, 2);
  std::memcpy(&w10, p + 10, 2);
  DH_FILTER_REQUEST request{};
  request.smoothingHalfWidth = w8;
  request.smoothingKind = w10;
  request.spikeFactor = w2;
  request.spikeWidth = w4;
  request.spikeFilter = w6 != 0 ? 1 : 0;
  void* filtered = nullptr;
  if (!FilterMSTrace(&filtered, dp->points, &request, dp->pointCount) || !filtered) return 0;
  dp->filtered = static_cast<STRUCT_NE_POINT_BLOCK*>(filtered);
  dp->filteredCount = dp->pointCount;
  return 1;
}
