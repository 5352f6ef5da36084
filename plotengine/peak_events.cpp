// Reading the integration results of a processed file into the drawing
// record, valleys, apex lookups, drag limits and method time events.
#include "common/value_scale.h"
#include "plotengine/peak_events.h"

#include <cstring>
#include <utility>
#include <vector>

#include "common/data_file_utils.h"
#include "common/data_points.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay_internal.h"

extern "C" KELT_CLASS const STRUCT_OPLOT_TIME_EVENT_TYPE OPLOT_TIME_EVENT_TYPES[OPLOT_TIME_EVENT_TYPE_COUNT] = {
    {0, "WI", "width event", RGB(0, 255, 255), 0, 0},
    {1, "II", "inhibit integrate event", RGB(0, 255, 0), 1, 0},
    {2, "SR", "solvent reject event", RGB(0, 0, 255), 1, 0},
    {3, "GR", "group peaks event", RGB(255, 255, 0), 1, 0},
    {4, "VB", "valley baseline event", RGB(255, 0, 255), 1, 0},
    {5, "FP", "forced peak event", RGB(255, 0, 0), 1, 0},
    {6, "SP", "split peak event", RGB(192, 192, 0), 0, 0},
    {7, "HF", "horizontal forward event", RGB(192, 112, 112), 1, 0},
    {8, "HB", "horizontal backwards event", RGB(128, 48, 48), 1, 0},
    {9, "HM", "horizontal minimum event", RGB(0, 0, 0), 1, 0},
    {10, "SN", "signal to noise ratio event", RGB(0, 128, 0), 0, 0},
    {11, "TP", "tangent percentage event", RGB(192, 0, 192), 0, 0},
    {12, "PR", "peak reject value event", RGB(255, 128, 0), 0, 0},
};

namespace {

using namespace kelt::plot;

// A table of the data-handling library, closed on every path.
class DHList {
 public:
  explicit DHList(HDHTABLE h) : h_(h) {}
  ~DHList() {
    if (h_) CloseSection(h_);
  }
  DHList(const DHList&) = delete;
  DHList& operator=(const DHList&) = delete;
  HDHTABLE get() const { return h_; }

 private:
  HDHTABLE h_;
};

template <class T>
T* AllocArray(int n) {
  return n > 0 ? static_cast<T*>(AllocBlock(static_cast<uint32_t>(sizeof(T) * static_cast<size_t>(n)))) : nullptr;
}

void ReadEvents(const STRUCT_WORK_FILE* wf, float scale, STRUCT_OPLOT_DRAW_EVENTS* r) {
  DHList list(OpenDHEventList(wf->filePath, wf->fileType, wf->module, "1"));
  if (!list.get()) return;
  const int16_t count = CountDHEvents(list.get());
  auto* events = AllocArray<STRUCT_OPLOT_PEAK_EVENT>(count);
  if (!events) return;
  int16_t read = 0;
  for (; read < count; ++read) {
    DH_PEAK_EVENT item{};
    if (!ReadDHEvent(list.get(), read, &item, 1, scale)) break;
    STRUCT_OPLOT_PEAK_EVENT& e = events[read];
    e.rawTime = e.readRawTime = item.rawTime;
    e.value = e.readValue = item.value;
    e.code = item.code;
    e.originalRawTime = item.originalRawTime;
    e.originalValue = item.originalValue;
    e.time = DHRawToMinutes(item.rawTime);
  }
  if (read < count) {
    FreeBlock(events);
    return;
  }
  r->events = events;
  r->eventCount = count;
}

// The first event (in list order) at the raw time of event i.
int16_t FirstAtSameTime(const STRUCT_OPLOT_DRAW_EVENTS* r, int16_t i) {
  for (int16_t k = 0; k < r->eventCount; ++k)
    if (r->events[k].rawTime == r->events[i].rawTime) return k;
  return i;
}

void ReadBaselines(const STRUCT_WORK_FILE* wf, STRUCT_OPLOT_DRAW_EVENTS* r) {
  // Baselines name events by number: without events there is nothing to name.
  if (!r->events || r->eventCount <= 0) return;
  DHList list(OpenDHBaselineList(wf->filePath, wf->fileType, wf->module, "1"));
  if (!list.get()) return;
  const int16_t count = CountDHBaselines(list.get());
  auto* baselines = AllocArray<STRUCT_OPLOT_BASELINE>(count);
  if (!baselines) return;
  int16_t kept = 0;
  bool failed = false;
  for (int16_t i = 0; i < count; ++i) {
    DH_BASELINE item{};
    if (!ReadDHBaseline(list.get(), i, &item, 1)) {
      failed = true;
      break;
    }
    int16_t start = static_cast<int16_t>(item.startEvent - 1), end = static_cast<int16_t>(item.endEvent - 1);
    // A baseline naming an event that was not read is left out.
    if (start < 0 || end < 0 || start >= r->eventCount || end >= r->eventCount) continue;
    if (r->events[end].time < r->events[start].time) std::swap(start, end);
    STRUCT_OPLOT_BASELINE& b = baselines[kept++];
    b.altStartEvent = b.altEndEvent = -1;
    if (item.code >= 13 && item.code <= 15) {
      if (r->events[start].code == OPLOT_EVENT_REPOINTED_START) {
        const int16_t moved = FirstAtSameTime(r, start);
        b.altStartEvent = start;
        start = moved;
      }
      if (r->events[end].code == OPLOT_EVENT_REPOINTED_START) {
        const int16_t moved = FirstAtSameTime(r, end);
        b.altEndEvent = end;
        end = moved;
      }
    }
    b.startEvent = start;
    b.endEvent = end;
    b.code = item.code;
    b.startTime = r->events[start].time;
    b.endTime = r->events[end].time;
    b.startValue = r->events[start].value;
    b.endValue = r->events[end].value;
  }
  if (failed || kept == 0) {
    FreeBlock(baselines);
    return;
  }
  r->baselines = baselines;
  r->baselineCount = kept;
}

void ReadPeaks(const STRUCT_WORK_FILE* wf, STRUCT_OPLOT_DRAW_EVENTS* r) {
  DHList list(OpenDHPeakList(wf->filePath, wf->fileType, wf->module, "1"));
  if (!list.get()) return;
  const int16_t count = CountDHPeaks(list.get());
  auto* peaks = AllocArray<STRUCT_OPLOT_PEAK_MARK>(count);
  if (!peaks) return;
  int16_t appended = 0;
  for (int16_t i = 0; i < count; ++i) {
    DH_PEAK item{};
    if (!ReadDHPeak(list.get(), i, &item, 1)) break;
    double value = 0, apexTime = 0;
    uint32_t raw = 0;
    if (!OPLOT_FindNearestApex(r->events, r->eventCount, item.retentionTime, &value, &raw, &apexTime)) continue;
    STRUCT_OPLOT_PEAK_MARK& p = peaks[appended++];
    p.apexRawTime = raw;
    p.apexTime = apexTime;
    p.apexValue = static_cast<float>(value);
    p.area = item.area;
  }
  if (appended == 0) {
    FreeBlock(peaks);
    return;
  }
  r->peaks = peaks;
  r->peakCount = appended;
}

bool IsBaselineStart(const STRUCT_OPLOT_DRAW_EVENTS* r, int16_t i, bool* isEnd) {
  *isEnd = false;
  for (int16_t b = 0; b < r->baselineCount; ++b) {
    if (r->baselines[b].startEvent == i) return true;
    if (r->baselines[b].endEvent == i) {
      *isEnd = true;
      return false;
    }
  }
  return false;
}

bool IsValleyCandidate(const STRUCT_OPLOT_DRAW_EVENTS* r, int16_t i, int16_t firstRepointed) {
  const STRUCT_OPLOT_PEAK_EVENT* e = r->events;
  bool isEnd = false;
  const bool isStart = IsBaselineStart(r, i, &isEnd);
  if (!isStart && (e[i].code & OPLOT_EVENT_VALLEY_CANDIDATE_BITS) && i + 1 < r->eventCount &&
      (!isEnd || (e[i + 1].code & OPLOT_EVENT_VALLEY_FOLLOWER_BITS)))
    return true;
  if (firstRepointed < 0 || e[i].code == 0) return false;
  for (int16_t k = firstRepointed; k < r->eventCount; ++k)
    if (e[k].rawTime == e[i].rawTime) return true;
  return false;
}

// The narrowest baseline holding the candidate, or -1.
int16_t NarrowestBaseline(const STRUCT_OPLOT_DRAW_EVENTS* r, int16_t i) {
  const STRUCT_OPLOT_PEAK_EVENT* e = r->events;
  const uint32_t limit = DHMinutesToRaw(2000.0);
  int16_t best = -1;
  uint32_t bestWidth = 0;
  for (int16_t b = 0; b < r->baselineCount; ++b) {
    const STRUCT_OPLOT_BASELINE& bl = r->baselines[b];
    if (bl.endEvent == i) continue;
    if (!(e[bl.startEvent].rawTime <= e[i].rawTime && e[i].rawTime <= e[bl.endEvent].rawTime)) continue;
    const int16_t s = bl.altStartEvent != -1 ? bl.altStartEvent : bl.startEvent;
    const int16_t t = bl.altEndEvent != -1 ? bl.altEndEvent : bl.endEvent;
    const uint32_t a = e[s].rawTime, z = e[t].rawTime;
    const uint32_t width = z >= a ? z - a : a - z;
    if (width >= limit) continue;
    if (best == -1 || width < bestWidth) {
      best = b;
      bestWidth = width;
    }
  }
  return best;
}

void DeriveValleys(STRUCT_OPLOT_DRAW_EVENTS* r) {
  if (!r->events || !r->baselines) return;
  int16_t firstRepointed = -1;
  for (int16_t k = 0; k < r->eventCount && firstRepointed < 0; ++k)
    if (r->events[k].code == OPLOT_EVENT_REPOINTED_START) firstRepointed = k;
  std::vector<std::pair<int16_t, int16_t>> found;  // (event, baseline)
  for (int16_t i = 0; i < r->eventCount; ++i) {
    if (!IsValleyCandidate(r, i, firstRepointed)) continue;
    const int16_t b = NarrowestBaseline(r, i);
    if (b >= 0) found.emplace_back(i, b);
  }
  auto* valleys = AllocArray<STRUCT_OPLOT_VALLEY>(static_cast<int>(found.size()));
  if (!valleys) return;
  for (size_t k = 0; k < found.size(); ++k) {
    const auto [i, b] = found[k];
    const STRUCT_OPLOT_BASELINE& bl = r->baselines[b];
    STRUCT_OPLOT_VALLEY& v = valleys[k];
    v.time = r->events[i].time;
    v.value = r->events[i].value;
    v.event = i;
    v.baseline = b;
    v.spanStartEvent = bl.altStartEvent != -1 ? bl.altStartEvent : bl.startEvent;
    v.spanEndEvent = bl.altEndEvent != -1 ? bl.altEndEvent : bl.endEvent;
  }
  r->valleys = valleys;
  r->valleyCount = static_cast<int16_t>(found.size());
}

}  // namespace

KELT_API int32_t OPLOT_ReadDrawEvents(const char* path, int16_t plot, STRUCT_OPLOT_DRAW_EVENTS* r) {
  try {
    if (!r) return 0;
    std::memset(static_cast<void*>(r), 0, sizeof *r);
    r->plot = plot;
    CopyText(r->path, sizeof r->path, path);
    if (!path) return 0;
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
    if (!wf) return 0;
    const auto scale = static_cast<float>(WorkFileValueFactor(wf));
    ReadEvents(wf, scale, r);
    ReadBaselines(wf, r);
    ReadPeaks(wf, r);
    DeriveValleys(r);
    FreeWorkFileStruct(wf);
    r->hasEvents = r->eventCount != 0 ? 1 : 0;
    return 1;
  } catch (...) {
    return 0;
  }
}

KELT_API void OPLOT_FreeDrawEvents(STRUCT_OPLOT_DRAW_EVENTS* r) {
  if (!r) return;
  if (r->events) FreeBlock(r->events);
  if (r->baselines) FreeBlock(r->baselines);
  if (r->valleys) FreeBlock(r->valleys);
  if (r->peaks) FreeBlock(r->peaks);
  std::memset(static_cast<void*>(r), 0, sizeof *r);
}

KELT_API int32_t OPLOT_FindNearestApex(const STRUCT_OPLOT_PEAK_EVENT* events, int16_t count, double t, double* value,
                                       uint32_t* rawTime, double* apexTime) {
  if (!events || count <= 0) return 0;
  int k = 0;
  while (k < count && !(events[k].code != 0 && events[k].time > t)) ++k;
  if (k == count) return 0;
  if (events[k].code & OPLOT_EVENT_START_BITS) return 0;
  if (events[k].code & OPLOT_EVENT_BOUNDARY_BITS) --k;
  for (; k >= 0; --k) {
    const uint32_t code = events[k].code;
    if (code & OPLOT_EVENT_APEX_BITS) {
      if (value) *value = events[k].value;
      if (rawTime) *rawTime = events[k].rawTime;
      if (apexTime) *apexTime = DHRawToMinutes(events[k].rawTime);
      return 1;
    }
    if (code & OPLOT_EVENT_BOUNDARY_BITS) return 0;
  }
  return 0;
}

KELT_API int32_t OPLOT_GetPeakInfo(double time, const SVW_OVERLAY* overlay, const STRUCT_OPLOT_DRAW_EVENTS* r,
                                   double* timeOut, uint32_t* rawTimeOut, uint32_t* scanOut) {
  if (!r || !overlay || !r->hasEvents || !r->path[0] || !OverlaySlotPresent(overlay, r->plot)) return 0;
  uint32_t raw = 0;
  if (!OPLOT_FindNearestApex(r->events, r->eventCount, time, nullptr, &raw, nullptr)) return 0;
  const STRUCT_OPLOT_PEAK_MARK* peak = nullptr;
  for (int16_t k = 0; k < r->peakCount && !peak; ++k)
    if (r->peaks[k].apexRawTime == raw) peak = &r->peaks[k];
  if (!peak) return 0;
  STRUCT_WORK_FILE* wf = overlay->slots[r->plot].workFile;
  double t = peak->apexTime;
  uint32_t point = 0, scan = 0;
  if (wf && GetPointFromATime(wf, t, &point, &t, LOOKUP_NEAREST)) scan = wf->msInfo.firstScan + point;
  if (timeOut) *timeOut = t;
  if (rawTimeOut) *rawTimeOut = raw;
  if (scanOut) *scanOut = scan;
  return 1;
}

KELT_API void OPLOT_SetTimeRangeForPoints(const STRUCT_OPLOT_PEAK_EVENT* events, int16_t eventCount,
                                          STRUCT_OPLOT_BASELINE* baselines, int16_t baselineCount,
                                          STRUCT_OPLOT_VALLEY* valleys, int16_t valleyCount,
                                          const STRUCT_NE_DATA_POINTS* dp) {
  if (!dp || !dp->points || dp->pointCount == 0) return;
  const double first = NePointAt(dp->points, 0)->time;
  const double last = NePointAt(dp->points, dp->pointCount - 1)->time;
  auto limits = [&](double target, STRUCT_OPLOT_EVENT_HANDLE& h) {
    double low = first, high = last;
    for (int16_t k = 0; events && k < eventCount; ++k) {
      const double t = events[k].time;
      if (t < target && t > low) low = t;
      if (t > target && t < high) high = t;
    }
    h.minTime = low + OPLOT_DRAG_MARGIN;
    h.maxTime = high - OPLOT_DRAG_MARGIN;
  };
  for (int16_t b = 0; baselines && b < baselineCount; ++b) {
    limits(baselines[b].startTime, baselines[b].startHandle);
    limits(baselines[b].endTime, baselines[b].endHandle);
  }
  for (int16_t v = 0; valleys && v < valleyCount; ++v) limits(valleys[v].time, valleys[v].handle);
}

KELT_API int16_t OPLOT_ReadTimeEvents(const char* path, const char* sectionName, STRUCT_OPLOT_TIME_EVENT** out) {
  try {
    if (!path || !sectionName || !out) return 0;
    uint16_t id = 0, address = 0;
    char tag[64] = {};
    if (!KELT_FromSectionGetModuleIDAddressChannel(sectionName, &id, &address, tag)) return 0;
    HSECTION section = OpenDHSection(path, id, address, tag);
    if (!section) return 0;
    const int16_t count = CountDHItems(section);
    auto* events = AllocArray<STRUCT_OPLOT_TIME_EVENT>(count);
    int16_t result = 0;
    if (events) {
      bool ok = true;
      for (int16_t i = 0; i < count && ok; ++i) ok = ReadDHItem(section, i, &events[i], 1) != 0;
      if (ok) {
        *out = events;
        result = count;
      } else {
        FreeBlock(events);
      }
    }
    CloseSection(section);
    return result;
  } catch (...) {
    return 0;
  }
}
