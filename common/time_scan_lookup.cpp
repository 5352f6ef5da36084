// Lookups between retention time, point number (from the file's first
// scan) and absolute scan number.
#include <cmath>

#include "common/data_points.h"
#include "common/detector_traces.h"
#include "common/ms_data_handles.h"
#include "orvik32/orvik32.h"

namespace {

STRUCT_CHAN_LIST IgnoredChannels() {
  STRUCT_CHAN_LIST c{};
  c.kind = CHAN_LIST_IGNORED;
  return c;
}

// Time of an absolute scan through an open handle; false when it fails.
bool ScanTime(HMSDATA h, uint32_t scan, double* time) {
  MS_SCAN_REQUEST request{};
  request.kind = MS_SCAN_BY_NUMBER;
  request.mode = MS_PICK_NEAREST;
  request.scan = scan;
  const STRUCT_CHAN_LIST ignored = IgnoredChannels();
  // The time alone comes from the scan index: no header, no points.
  const double t = ReadMSScanHeader(h, &request, &ignored, nullptr, nullptr);
  if (t == MS_SCAN_TIME_FAILED) return false;
  *time = t;
  return true;
}

bool MSPointFromTime(STRUCT_WORK_FILE* wf, double time, int16_t mode, uint32_t* point, double* pointTime) {
  if (!std::isfinite(time)) return false;
  kelt::msdata::Access access(wf);
  const HMSDATA h = access.get();
  if (!h) return false;
  bool ok = false;
  try {
    const STRUCT_CHAN_LIST ignored = IgnoredChannels();
    MS_SCAN_REQUEST request{};
    request.kind = MS_SCAN_BY_TIME;
    request.mode = MS_PICK_NEAREST;
    request.time = time;
    // Only the scan's number is wanted: its header, not its points.
    MS_SCAN_HEADER header;
    if (ReadMSScanHeader(h, &request, &ignored, &header, nullptr) != MS_SCAN_TIME_FAILED) {
      const uint32_t s = header.scanNumber;
      // Candidates S-2 .. S+2, in scan order.
      uint32_t scans[5];
      double times[5];
      int n = 0;
      for (int64_t c = int64_t{s} - 2; c <= int64_t{s} + 2; ++c) {
        if (c < 0 || c > 0xFFFFFFFF) continue;
        double t;
        if (ScanTime(h, static_cast<uint32_t>(c), &t)) {
          scans[n] = static_cast<uint32_t>(c);
          times[n++] = t;
        }
      }
      int chosen = -1;
      if (mode == LOOKUP_AT_OR_BEFORE) {
        for (int i = 0; i < n && times[i] <= time; ++i) chosen = i;
      } else if (mode == LOOKUP_NEAREST) {
        for (int i = 0; i < n; ++i) {
          if (chosen < 0 || std::fabs(times[i] - time) < std::fabs(times[chosen] - time)) chosen = i;
        }
      } else {
        for (int i = 0; i < n; ++i) {
          if (times[i] >= time) {
            chosen = i;
            break;
          }
        }
      }
      // No candidate on the asked side: the time lies outside the run.
      if (chosen >= 0 && scans[chosen] >= wf->msInfo.firstScan) {
        *point = scans[chosen] - wf->msInfo.firstScan;
        *pointTime = times[chosen];
        ok = true;
      }
    }
  } catch (...) {
    ok = false;
  }
  return ok;
}

}  // namespace

KELT_API int32_t GetPointFromATime(STRUCT_WORK_FILE* wf, double time, uint32_t* point, double* pointTime,
                                   int16_t mode) {
  if (!wf || !point || !pointTime) return 0;
  if (IsMSKind(wf)) return MSPointFromTime(wf, time, mode, point, pointTime) ? 1 : 0;
  if (!wf->sectioned) return 0;
  try {
    return kelt::detector::PointFromTime(wf, time, mode, point, pointTime) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

KELT_API int32_t KELT_GetScanFromATime(STRUCT_WORK_FILE* wf, double time, uint32_t* scan, double* scanTime,
                                       int16_t mode) {
  if (!IsMSKind(wf) || !scan) return 0;
  uint32_t point;
  if (!GetPointFromATime(wf, time, &point, scanTime, mode)) return 0;
  *scan = point + wf->msInfo.firstScan;
  return 1;
}

KELT_API int32_t KELT_GetTimeOfScan(STRUCT_WORK_FILE* wf, uint32_t scan, double* time) {
  if (!IsMSKind(wf) || !time) return 0;
  kelt::msdata::Access h(wf);
  return h && ScanTime(h.get(), scan, time) ? 1 : 0;
}

KELT_API int32_t GetTimeOfPoint(STRUCT_WORK_FILE* wf, uint32_t point, double* time) {
  if (!wf || !time) return 0;
  if (IsMSKind(wf)) {
    const uint64_t scan = uint64_t{wf->msInfo.firstScan} + point;
    if (scan > 0xFFFFFFFFu) return 0;
    return KELT_GetTimeOfScan(wf, static_cast<uint32_t>(scan), time);
  }
  *time = point * wf->samplingInterval + wf->startTime;
  return 1;
}
