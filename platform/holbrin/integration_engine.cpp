// The data-handling engine: integrates the traces a method asks for and
// writes the tables its callers read back. The detection itself is in
// peak_detection.cpp.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dh_store.h"
#include "holbrin/dh_engine.h"
#include "holbrin/peak_detection.h"
#include "orvik32/orvik32_batches.h"
#include "quorna/quorna.h"
#include "win/win_crt.h"

namespace {

using holbrin::DetectedPeak;

constexpr uint16_t kErrorTableFull = 3, kErrorMethodTables = 9;

struct Trace {
  std::vector<double> times, values;
  std::vector<double> unfiltered;  // the values before the filter, when there was one
};

// Reads one trace of the working file between two times (minutes).
// With a filter (smoothing, spike removal), the filtered points are integrated.
bool ReadTrace(HMSDATA ms, double from, double to, const DH_MASS_LIST& masses, const DH_CHAN_LIST& channels,
               const DH_FILTER_REQUEST* filter, Trace* out) {
  STRUCT_MASS_LIST ml;
  STRUCT_CHAN_LIST cl;
  static_assert(sizeof ml == sizeof masses && sizeof cl == sizeof channels);
  std::memcpy(&ml, &masses, sizeof ml);
  std::memcpy(&cl, &channels, sizeof cl);
  MS_TRACE_REQUEST request{};
  request.kind = MS_TRACE_BY_TIMES;
  request.times.from = from;
  request.times.to = to;
  void* block = nullptr;
  const uint32_t count = ReadMSTrace(ms, &request, &cl, &ml, &block);
  out->times.clear();
  out->values.clear();
  out->unfiltered.clear();
  if (!block) return count == 0;
  void* filtered = nullptr;
  if (filter && !FilterMSTrace(&filtered, block, filter, count)) filtered = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    double t, raw, v;
    MSTracePointAt(block, i, &t, &raw);
    v = raw;
    if (filtered) MSTracePointAt(filtered, i, &t, &v);
    // Scans of one time (merged functions) count once, summed.
    if (!out->times.empty() && t <= out->times.back()) {
      if (t == out->times.back()) {
        out->values.back() += v;
        if (filtered) out->unfiltered.back() += raw;
      }
      continue;
    }
    out->times.push_back(t);
    out->values.push_back(v);
    if (filtered) out->unfiltered.push_back(raw);
  }
  if (filtered) FreeBlock(filtered);
  FreeMSTrace(block);
  return true;
}

// The method's trace filter; false when it asks for none.
bool TraceFilter(const STRUCT_DH_GLOBAL_PARAMS& g, DH_FILTER_REQUEST* f) {
  std::memset(f, 0, sizeof *f);
  const bool smooth = (g.smoothingKind == 1 || g.smoothingKind == 2) && g.smoothingHalfWidth > 0;
  const bool spikes = std::isfinite(g.spikeFactor) && g.spikeFactor > 1.0f;
  if (smooth) {
    f->smoothingKind = uint16_t(g.smoothingKind);
    f->smoothingHalfWidth = std::min<int32_t>(g.smoothingHalfWidth, 50);
  }
  if (spikes) {
    f->spikeFilter = 1;
    f->spikeFactor = int32_t(std::lround(std::min(g.spikeFactor, 1e6f) * 10.0f));
  }
  return smooth || spikes;
}

holbrin::TimeEvent ToEvent(const DH_TIME_EVENT& e) {
  holbrin::TimeEvent out{};
  out.time = e.time / 10000.0;
  out.type = e.type;
  out.end = e.endTime / 10000.0;
  out.value = double(e.endTime);
  return out;
}

// One integrated trace: its peaks and, for a compound, which one it took.
struct TraceResult {
  int compound = -1;
  std::string name;
  double expected = 0;
  int taken = -1;
  int candidates = 0;
  std::vector<DetectedPeak> peaks;
};

struct Tables {
  std::vector<DH_POINT> points;
  std::vector<DH_PEAK_EVENT> events;
  std::vector<DH_BASELINE> baselines;
  std::vector<DH_PEAK> peaks;
  std::vector<DH_BOUNDARY> boundaries;
  std::vector<STRUCT_DH_RESULT> results;
};

template <size_t N>
void CopyText(char (&field)[N], const std::string& s) {
  std::memset(field, 0, N);
  std::memcpy(field, s.data(), std::min(s.size(), N - 1));
}

// The lists count their entries in 16 bits.
constexpr size_t kMaxEntries = 32767;

// Points and events of one trace's peaks; shared valleys become one point.
// False when the lists are full (the peaks that did not fit are left out).
bool AddTrace(const TraceResult& tr, bool responseIsArea, float scale, Tables* t) {
  int lastEndIndex = -1, lastEndPoint = -1, lastSegment = -1;
  auto addPoint = [&](const DetectedPeak& p, int index, double time, double value, uint32_t code,
                      bool baseline) -> uint32_t {
    DH_POINT pt{};
    pt.rawTime = DHMinutesToRaw(time);
    pt.value = float(value / scale);
    pt.flags = code;
    pt.flags2 = baseline ? DH_POINT2_BASELINE : 0;
    t->points.push_back(pt);
    DH_PEAK_EVENT e{};
    e.rawTime = pt.rawTime;
    e.value = pt.value;
    e.code = code;
    e.baselineValue =
        float((p.baseEndTime > p.baseStartTime
                   ? p.baseStartValue + (p.baseEndValue - p.baseStartValue) * (time - p.baseStartTime) /
                                            (p.baseEndTime - p.baseStartTime)
                   : p.baseStartValue) /
              scale);
    e.width = code == DH_POINT_APEX ? float(p.halfWidth) : 0.0f;
    e.pointIndex = uint32_t(index);
    t->events.push_back(e);
    return uint32_t(t->points.size() - 1);
  };
  int segmentStartPoint = -1;
  for (size_t k = 0; k < tr.peaks.size(); ++k) {
    const DetectedPeak& p = tr.peaks[k];
    if (t->points.size() + 3 > kMaxEntries || t->results.size() + 1 > kMaxEntries ||
        t->baselines.size() + 2 > kMaxEntries) {
      // Close an open baseline at the last peak that fitted.
      if (segmentStartPoint >= 0 && lastEndPoint >= 0)
        t->baselines.push_back({int16_t(segmentStartPoint + 1), int16_t(lastEndPoint + 1), 1});
      return false;
    }
    uint32_t start;
    if (p.valleyStart && p.start == lastEndIndex && p.segment == lastSegment) {
      start = uint32_t(lastEndPoint);
    } else {
      start = addPoint(p, p.start, p.startTime, p.startValue, DH_POINT_START, true);
      segmentStartPoint = int(start);
    }
    const uint32_t apex = addPoint(p, p.apex, p.apexTime, p.apexValue, DH_POINT_APEX, false);
    const bool shared = p.valleyEnd && k + 1 < tr.peaks.size() && tr.peaks[k + 1].start == p.end &&
                        tr.peaks[k + 1].segment == p.segment;
    const uint32_t end =
        addPoint(p, p.end, p.endTime, p.endValue, shared ? DH_POINT_VALLEY : DH_POINT_END, !shared);
    lastEndIndex = p.end, lastEndPoint = int(end), lastSegment = p.segment;
    if (!shared && segmentStartPoint >= 0) {
      t->baselines.push_back({int16_t(segmentStartPoint + 1), int16_t(end + 1),
                              int16_t(p.baselineKind == holbrin::kBaselineTangent ? holbrin::kBaselineValley
                                                                                    : p.baselineKind)});
      segmentStartPoint = -1;
    }
    if (p.baselineKind == holbrin::kBaselineTangent)
      t->baselines.push_back({int16_t(start + 1), int16_t(end + 1), int16_t(holbrin::kBaselineTangent)});

    DH_PEAK pk{};
    pk.number = uint16_t(t->peaks.size() + 1);
    pk.retentionTime = float(p.apexTime);
    pk.area = float(p.area);
    pk.height = float(p.height);
    pk.startRawTime = DHMinutesToRaw(p.startTime);
    pk.endRawTime = DHMinutesToRaw(p.endTime);
    pk.width = float(p.halfWidth);
    pk.flags = uint16_t(p.baselineKind);
    t->peaks.push_back(pk);
    t->boundaries.push_back({start, end});

    STRUCT_DH_RESULT r;
    std::memset(&r, 0, sizeof r);
    r.number = pk.number;
    r.retentionTime = pk.retentionTime;
    r.expectedTime = float(tr.expected);
    r.area = pk.area;
    r.height = pk.height;
    r.response = responseIsArea ? r.area : r.height;
    r.halfWidth = pk.width;
    r.widthSeconds = int32_t(std::lround(p.halfWidth * 60.0));
    r.baselineCode = int16_t(p.baselineKind);
    r.compound = int16_t(tr.compound);
    r.startRawTime = pk.startRawTime;
    r.endRawTime = pk.endRawTime;
    r.apexRawTime = DHMinutesToRaw(p.apexTime);
    r.baselineAtApex = float(p.baselineAtApex);
    r.signalToNoise = float(p.signalToNoise);
    r.candidates = uint16_t(tr.candidates);
    if (int(k) == tr.taken) CopyText(r.name, tr.name);
    r.segment = int16_t(p.segment);
    r.coelutingBefore = p.valleyStart ? 1 : 0;
    r.coelutingAfter = p.valleyEnd ? 1 : 0;
    r.startPoint = start, r.apexPoint = apex, r.endPoint = end;
    t->results.push_back(r);
  }
  return true;
}

// Events in ascending time across traces (compound windows may overlap);
// the point indexes of baselines, boundaries and results follow.
void SortByTime(Tables* t) {
  const size_t n = t->points.size();
  std::vector<uint32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = uint32_t(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return t->points[a].rawTime < t->points[b].rawTime; });
  std::vector<uint32_t> where(n);
  for (size_t i = 0; i < n; ++i) where[order[i]] = uint32_t(i);
  std::vector<DH_POINT> points(n);
  std::vector<DH_PEAK_EVENT> events(n);
  for (size_t i = 0; i < n; ++i) points[i] = t->points[order[i]], events[i] = t->events[order[i]];
  t->points.swap(points);
  t->events.swap(events);
  for (DH_BASELINE& b : t->baselines) {
    b.startEvent = int16_t(where[size_t(b.startEvent - 1)] + 1);
    b.endEvent = int16_t(where[size_t(b.endEvent - 1)] + 1);
  }
  for (DH_BOUNDARY& b : t->boundaries) b.startPoint = where[b.startPoint], b.endPoint = where[b.endPoint];
  for (STRUCT_DH_RESULT& r : t->results)
    r.startPoint = where[r.startPoint], r.apexPoint = where[r.apexPoint], r.endPoint = where[r.endPoint];
}

// Results sections read while their file is held (BeginDHResultReads),
// by file and section, on this thread.
struct HeldRead {
  std::string path, section;
  bool present = false;
  std::vector<uint8_t> bytes;
};
struct ResultHold {
  std::string path;
  std::vector<HeldRead> kept;
  ResultHold* previous = nullptr;
};
thread_local ResultHold* t_holds = nullptr;

bool SamePath(const std::string& a, const char* b) { return _stricmp(a.c_str(), b) == 0; }

ResultHold* HoldOf(const char* path) {
  for (ResultHold* h = t_holds; h; h = h->previous)
    if (SamePath(h->path, path)) return h;
  return nullptr;
}

// The engine is about to change the file: what was kept of it goes.
void DropHeldReads(const char* path) {
  for (ResultHold* h = t_holds; h; h = h->previous)
    if (SamePath(h->path, path)) h->kept.clear();
}

// A whole results section, read once while its file is held.
bool ReadResultsSection(const char* path, const std::string& name, std::vector<uint8_t>& out) {
  ResultHold* hold = path ? HoldOf(path) : nullptr;
  if (!hold) return holbrin::ReadWholeSection(path, name, out);
  for (const HeldRead& r : hold->kept)
    if (SamePath(r.path, path) && r.section == name) {
      if (!r.present) return false;
      out = r.bytes;
      return true;
    }
  HeldRead r;
  r.path = path;
  r.section = name;
  r.present = holbrin::ReadWholeSection(path, name, r.bytes);
  const bool present = r.present;
  if (present) out = r.bytes;
  else out.clear();
  hold->kept.push_back(std::move(r));
  return present;
}

// Writes a section with one write into the handle, committed whole when it
// closes. The engine's results can be made again, so a failed write
// leaves no section rather than the old one.
bool StoreBytes(const char* path, const std::string& name, const std::vector<uint8_t>& bytes) {
  if (name.empty()) return false;
  DropHeldReads(path);
  holbrin::ForgetKeptSection(path, name);
  if (holbrin::MemoryWorking* m = holbrin::MemoryWorkingOf(path)) {
    m->sections[holbrin::SectionKey(name)] = bytes;
    return true;
  }
  HSECTION s = CreateSection(path, name.c_str(), nullptr);
  if (!s) return false;
  const bool written = bytes.empty() || WriteSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
  const bool closed = CloseSection(s);
  if (!written && closed) DeleteSection(path, name.c_str());
  return written && closed;
}

template <class T>
std::vector<uint8_t> Encode(const std::vector<T>& records) {
  std::vector<uint8_t> bytes(records.size() * sizeof(T));
  if (!bytes.empty()) std::memcpy(bytes.data(), records.data(), bytes.size());
  return holbrin::EncodeTable(sizeof(T), bytes);
}

template <class T>
bool Store(const char* path, const char* base, uint16_t id, uint16_t address, const char* tag,
           const std::vector<T>& records) {
  return StoreBytes(path, holbrin::BuiltName(base, id, address, tag), Encode(records));
}

// "EngineResults": the engine's own tables in one section (one commit):
// "DHER", a part count, then each part as a length and a stored table.
enum Part { kPartResults, kPartHeader, kPartPoints, kPartBoundaries, kPartScale, kPartRuns, kPartCount };
constexpr char kEngineResults[] = "EngineResults";

std::vector<uint8_t> Combine(const std::vector<std::vector<uint8_t>>& parts) {
  std::vector<uint8_t> out = {'D', 'H', 'E', 'R'};
  auto put = [&](uint32_t v) {
    const size_t at = out.size();
    out.resize(at + 4);
    std::memcpy(out.data() + at, &v, 4);
  };
  put(uint32_t(parts.size()));
  for (const auto& p : parts) {
    put(uint32_t(p.size()));
    out.insert(out.end(), p.begin(), p.end());
  }
  return out;
}

std::string FileNamePart(const std::string& path) {
  const size_t at = path.find_last_of("\\/:");
  return at == std::string::npos ? path : path.substr(at + 1);
}

// The data file the working file stands for ("MSFileSpec"), else itself.
std::string DataFileName(const char* workingPath) {
  std::vector<uint8_t> fileSpec;
  if (holbrin::ReadWholeSection(workingPath, "MSFileSpec", fileSpec) && !fileSpec.empty()) {
    std::string s(fileSpec.begin(), fileSpec.end());
    s = s.substr(0, s.find('\0'));
    if (!s.empty()) return FileNamePart(s);
  }
  return FileNamePart(workingPath);
}

// The run table with this run's row replaced or added.
std::vector<DH_RUN_ROW> RunRows(const char* path, uint16_t id, uint16_t address, const char* tag,
                                const DH_RUN_ROW& row) {
  std::vector<DH_RUN_ROW> rows;
  if (HDHTABLE h = OpenDHRunTable(path, id, address, tag)) {
    const int32_t n = CountDHRecords(h);
    for (int32_t i = 0; i < n; ++i) {
      DH_RUN_ROW r;
      if (GetDHRecord(h, i, &r)) rows.push_back(r);
    }
    FreeDHRecordSet(h);
  }
  bool replaced = false;
  for (DH_RUN_ROW& r : rows)
    if (r.number == row.number && _stricmp(r.name, row.name) == 0) r = row, replaced = true;
  if (!replaced) rows.push_back(row);
  return rows;
}

struct Method {
  STRUCT_DH_GLOBAL_PARAMS global;
  std::vector<STRUCT_DH_COMPOUND> compounds;
  std::vector<DH_TIME_EVENT> events;
  bool hasEventTable = false;
};

// False when a table the method has cannot be read (damaged or of another
// record size): integrating without it would change what is integrated.
bool ReadMethod(const char* path, uint16_t id, uint16_t address, const char* tag, Method* m) {
  bool ok = true;
  auto present = [&](const char* base) {
    const std::string name = holbrin::BuiltName(base, id, address, tag);
    return !name.empty() && SectionExists(path, name.c_str());
  };
  InitGlobalParams(&m->global);
  if (HDHTABLE g = OpenGlobalTable(path, id, address, tag)) {
    STRUCT_DH_GLOBAL_PARAMS read;
    if (ReadGlobalTable(g, &read)) m->global = read;
    CloseSection(g);
  } else if (present("GlobalParams")) {
    ok = false;
  }
  if (HDHTABLE c = OpenCompoundTable(path, id, address, tag)) {
    const int32_t n = CountDHRecords(c);
    for (int32_t i = 0; i < n; ++i) {
      STRUCT_DH_COMPOUND r;
      if (GetDHRecord(c, i, &r)) m->compounds.push_back(r);
    }
    FreeDHRecordSet(c);
  } else if (present("PeakTable")) {
    ok = false;
  }
  if (HSECTION e = OpenDHSection(path, id, address, tag)) {
    m->hasEventTable = true;
    const int16_t n = CountDHItems(e);
    for (int16_t i = 0; i < n; ++i) {
      DH_TIME_EVENT item;
      if (ReadDHItem(e, i, &item, 1)) m->events.push_back(item);
    }
    CloseSection(e);
  } else if (present("TimeEvents")) {
    ok = false;
  }
  return ok;
}

// One-compound methods handed in from memory in place of a method file,
// by the path that stands for them, on this thread.
struct MemoryMethod {
  std::string path;
  Method method;
  bool readable = true;  // false: the file would hold a table the engine cannot read
  MemoryMethod* previous = nullptr;
};
thread_local MemoryMethod* t_memoryMethods = nullptr;

const MemoryMethod* MemoryMethodOf(const char* path) {
  for (const MemoryMethod* m = t_memoryMethods; m; m = m->previous)
    if (_stricmp(m->path.c_str(), path) == 0) return m;
  return nullptr;
}

// Working files whose MS data the engine reads from another file, on this
// thread (BeginDHDataInPlace).
struct DataInPlace {
  std::string working, data;
  DataInPlace* previous = nullptr;
};
thread_local DataInPlace* t_dataInPlace = nullptr;

// Where the engine reads a working file's MS data.
const char* MSDataPathOf(const char* workingPath) {
  for (const DataInPlace* d = t_dataInPlace; d; d = d->previous)
    if (_stricmp(d->working.c_str(), workingPath) == 0) return d->data.c_str();
  return workingPath;
}

holbrin::DetectionParams GlobalDetection(const STRUCT_DH_GLOBAL_PARAMS& g) {
  holbrin::DetectionParams p;
  if (g.peakWidthTenths) p.peakWidthSeconds = g.peakWidthTenths / 10.0;
  else if (g.quant.peakWidthFifths > 0) p.peakWidthSeconds = g.quant.peakWidthFifths / 2.0;
  if (g.slopeSensitivity) p.slopeSensitivity = g.slopeSensitivity;
  p.tangentPercent = g.tangentPercent;
  if (std::isfinite(g.peakSizeReject) && g.peakSizeReject > 0) p.peakReject = g.peakSizeReject;
  return p;
}

void AddErrors(DH_ERROR_LIST& list, const std::vector<uint16_t>& codes) {
  for (uint16_t c : codes) {
    bool known = false;
    for (int i = 0; i < list.count; ++i) known = known || list.ids[i] == c;
    if (!known && list.count < 50) list.ids[list.count++] = c;
  }
}

// The second window of a reference compound's one-compound method, in
// minutes; 0 for any other compound. A window left in the global record by
// another compound's method does not make this one a reference.
double ReferenceSearchWindow(const STRUCT_DH_GLOBAL_PARAMS& g, const STRUCT_DH_COMPOUND& c) {
  if (!(c.flags & DH_COMPOUND_REFERENCE) || g.quant.secondWindowA <= 0) return 0;
  return g.quant.secondWindowA / 100.0;
}

// The compound's peak among those of its trace. A compound takes the
// apex nearest its expected time inside its window (the whole trace
// without one). A reference takes the largest peak inside its second
// window: a shifted reference lies far from where it was expected, and a
// small peak nearer that time must not stand in for it.
void TakeCompoundPeak(TraceResult* tr, double window, bool largest) {
  double best = 1e300, size = -1;
  for (size_t k = 0; k < tr->peaks.size(); ++k) {
    const DetectedPeak& pk = tr->peaks[k];
    const double d = std::fabs(pk.apexTime - tr->expected);
    if (window > 0 && d > window) continue;
    ++tr->candidates;
    if (largest) {
      if (pk.area > size || (pk.area == size && d < best)) size = pk.area, best = d, tr->taken = int(k);
    } else if (d < best) {
      best = d, tr->taken = int(k);
    }
  }
}

}  // namespace

HOLBRIN_API int32_t RunDataHandling(HWND, HMODULE, const char* methodPath, const char* workingPath, const void*,
                                   const char* tag, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                                   const char*, const char*) {
  if (!workingPath || !*workingPath || !tag) return 0;
  if (!methodPath || !*methodPath) methodPath = workingPath;
  const holbrin::MemoryWorking* memory = holbrin::MemoryWorkingOf(workingPath);
  const char* msPath = memory ? memory->data.c_str() : MSDataPathOf(workingPath);
  HMSDATA ms = OpenMSData(msPath, "MSData", 0);
  if (!ms) return 0;
  // The information block followed by the data's start and end time.
  std::vector<uint8_t> infoOut(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  if (!ReadMSFileInfo(msPath, nullptr, infoOut.data())) {
    CloseMSData(ms);
    return 0;
  }
  auto block = std::make_unique<MS_INFO_BLOCK>();
  std::memcpy(block.get(), infoOut.data(), MS_INFO_BLOCK_SIZE);
  double runTimes[2];
  std::memcpy(runTimes, infoOut.data() + MS_INFO_BLOCK_SIZE, sizeof runTimes);
  const uint16_t id = block->fileType, address = block->module;
  const double runStart = runTimes[0], runEnd = runTimes[1];

  Method method;
  STRUCT_DH_ERROR_LOG log;
  std::memset(&log, 0, sizeof log);
  const MemoryMethod* inMemory = MemoryMethodOf(methodPath);
  if (inMemory) method = inMemory->method;
  if (inMemory ? !inMemory->readable : !ReadMethod(methodPath, id, address, tag, &method)) {
    CloseMSData(ms);
    log.lists[0].count = 1;
    log.lists[0].ids[0] = kErrorMethodTables;
    Store(workingPath, "ErrorLog", id, address, tag, std::vector<STRUCT_DH_ERROR_LOG>{log});
    return 0;
  }
  const STRUCT_DH_GLOBAL_PARAMS& g = method.global;
  const bool responseIsArea = g.quant.responseBasis == 1;
  DH_FILTER_REQUEST filter;
  const bool filtering = TraceFilter(g, &filter);

  std::vector<TraceResult> traces;
  int integrated = 0;
  double lastNoise = 0;
  auto integrate = [&](double from, double to, const DH_MASS_LIST& masses, const DH_CHAN_LIST& channels,
                       const holbrin::DetectionParams& params, const std::vector<DH_TIME_EVENT>& items,
                       TraceResult* out) {
    Trace trace;
    if (memory) from = std::max(from, memory->from), to = std::min(to, memory->to);
    ReadTrace(ms, from, to, masses, channels, filtering ? &filter : nullptr, &trace);
    std::vector<holbrin::TimeEvent> events;
    for (const DH_TIME_EVENT& e : items) events.push_back(ToEvent(e));
    holbrin::DetectionParams tuned = params;
    if (filtering && filter.smoothingKind && !trace.unfiltered.empty()) {
      tuned.inputKernel = holbrin::SmoothingWeights(filter.smoothingKind, filter.smoothingHalfWidth);
      tuned.unfiltered = &trace.unfiltered;
    }
    holbrin::DetectionResult r = holbrin::DetectPeaks(trace.times, trace.values, tuned, events);
    AddErrors(log.lists[0], r.errors);
    if (trace.times.size() >= 5) ++integrated, lastNoise = r.noise;
    out->peaks = std::move(r.peaks);
  };

  if (method.compounds.empty()) {
    TraceResult tr;
    integrate(runStart - 1, runEnd + 1, g.massList, g.chanList, GlobalDetection(g), method.events, &tr);
    traces.push_back(std::move(tr));
  } else {
    for (size_t c = 0; c < method.compounds.size(); ++c) {
      const STRUCT_DH_COMPOUND& cmp = method.compounds[c];
      TraceResult tr;
      tr.compound = int(c);
      tr.name = std::string(cmp.name, strnlen(cmp.name, sizeof cmp.name));
      tr.expected = cmp.retentionTime / 1000.0;
      if (cmp.massList.kind == 4 && cmp.massList.count == 0) AddErrors(log.lists[1], {60});
      holbrin::DetectionParams p = GlobalDetection(g);
      if (cmp.peakWidth > 0) p.peakWidthSeconds = cmp.peakWidth / 10.0;
      if (cmp.integration1713 > 0) p.slopeSensitivity = cmp.integration1713;
      if (cmp.integration1717 > 0) p.tangentPercent = cmp.integration1717;
      if (cmp.integration1753 > 0) p.peakReject = cmp.integration1753;
      std::vector<DH_TIME_EVENT> items = method.events;
      if (!method.hasEventTable)
        for (int e = 0; e < std::clamp<int>(cmp.timeEventCount, 0, 10); ++e) items.push_back(cmp.timeEvents[e]);
      const double half = cmp.windowHalfWidth > 0 ? cmp.windowHalfWidth / 1000.0 : 0.0;
      // A reference compound is searched in its second window, which the
      // one-compound method carries in hundredths of a minute: it is there
      // to find a peak that has moved beyond the compound's own window.
      const double search = ReferenceSearchWindow(g, cmp);
      const double reach = std::max({half, search, cmp.secondWindowHalfWidth / 1000.0});
      // The compound's reach, as much as a mini run file of it holds: the
      // baseline is fitted on what lies about the peak, so the data file
      // and its mini run file must show the engine the same points.
      const bool windowed = half > 0 || search > 0;
      const double from = windowed ? tr.expected - reach : runStart - 1;
      const double to = windowed ? tr.expected + reach : runEnd + 1;
      integrate(from, to, cmp.massList, cmp.chanList, p, items, &tr);
      TakeCompoundPeak(&tr, search > 0 ? search : half, search > 0);
      traces.push_back(std::move(tr));
    }
  }
  CloseMSData(ms);

  const float scale = 1.0f;
  Tables t;
  for (const TraceResult& tr : traces)
    if (!AddTrace(tr, responseIsArea, scale, &t)) {
      AddErrors(log.lists[0], {kErrorTableFull});
      break;
    }
  SortByTime(&t);

  DH_RESULT_HEADER header;
  std::memset(&header, 0, sizeof header);
  header.format = 1;
  header.timeStamp = GetCurrentDateTime();
  header.peakCount = uint16_t(std::min<size_t>(t.results.size(), 65535));
  header.traceCount = uint16_t(traces.size());
  header.noise = float(lastNoise);
  header.errorCount = uint16_t(log.lists[0].count + log.lists[1].count + log.lists[2].count);

  DH_RUN_ROW row;
  std::memset(&row, 0, sizeof row);
  CopyText(row.name, DataFileName(workingPath));
  row.number = method.compounds.empty() ? 0 : int32_t(method.compounds.front().compoundNumber);
  row.timeStamp = header.timeStamp;
  row.peakCount = int32_t(t.results.size());
  row.status = integrated ? 1 : 0;

  bool ok = memory || PrepareDHFile(workingPath);
  // The engine's sections land together: an interruption leaves the
  // earlier integration whole, never new events beside old peaks.
  const bool batch = ok && !memory && BeginSectionBatch(workingPath) != FALSE;
  const std::vector<std::vector<uint8_t>> parts = {Encode(t.results), Encode(std::vector<DH_RESULT_HEADER>{header}),
                                                   Encode(t.points), Encode(t.boundaries),
                                                   Encode(std::vector<float>{scale}),
                                                   Encode(RunRows(workingPath, id, address, tag, row))};
  ok = ok && StoreBytes(workingPath, holbrin::BuiltName(kEngineResults, id, address, tag), Combine(parts));
  ok = ok && Store(workingPath, "PeakEvents", id, address, tag, t.events);
  ok = ok && Store(workingPath, "Baselines", id, address, tag, t.baselines);
  ok = ok && Store(workingPath, "Peaks", id, address, tag, t.peaks);
  ok = ok && Store(workingPath, "ErrorLog", id, address, tag, std::vector<STRUCT_DH_ERROR_LOG>{log});
  if (batch) {
    if (ok) ok = CommitSectionBatch(workingPath) != FALSE;
    else AbortSectionBatch(workingPath);
  }
  return ok && integrated > 0 ? 1 : 0;
}

// ---- Reading the results back ---------------------------------------------------

namespace {

// One part of "EngineResults" as a read-only table handle.
HDHTABLE OpenPart(const char* path, uint16_t id, uint16_t address, const char* tag, int part, uint32_t size) {
  const std::string name = holbrin::BuiltName(kEngineResults, id, address, tag);
  std::vector<uint8_t> bytes;
  if (name.empty() || !ReadResultsSection(path, name, bytes)) return nullptr;
  if (bytes.size() < 8 || std::memcmp(bytes.data(), "DHER", 4) != 0) return nullptr;
  uint32_t count;
  std::memcpy(&count, bytes.data() + 4, 4);
  if (count != kPartCount) return nullptr;
  size_t at = 8;
  for (int k = 0; k < kPartCount; ++k) {
    uint32_t length;
    if (at + 4 > bytes.size()) return nullptr;
    std::memcpy(&length, bytes.data() + at, 4);
    at += 4;
    if (length > bytes.size() - at) return nullptr;
    if (k == part) {
      auto* t = new holbrin::Table;
      t->path = path;
      t->section = name;
      t->recordSize = size;
      const std::vector<uint8_t> stored(bytes.begin() + long(at), bytes.begin() + long(at + length));
      if (!holbrin::DecodeTable(stored, size, t->records)) {
        delete t;
        return nullptr;
      }
      return holbrin::Register(t);
    }
    at += length;
  }
  return nullptr;
}

}  // namespace

HOLBRIN_API void* BeginDHMethodInMemory(const char* path, const char* tablesFrom, uint16_t id, uint16_t address,
                                        const char* tag, const STRUCT_DH_GLOBAL_PARAMS* global,
                                        const STRUCT_DH_COMPOUND* compound, const DH_TIME_EVENT* events,
                                        int32_t eventCount) {
  if (!path || !*path || !tag || eventCount < 0 || (eventCount && !events)) return nullptr;
  auto* m = new MemoryMethod;
  m->path = path;
  // The global record as a method file filled this way would give it to
  // the engine: the method's own table (its first record; the defaults
  // when empty; unreadable when damaged), else the one handed in.
  InitGlobalParams(&m->method.global);
  std::vector<uint8_t> stored, records;
  const std::string name = holbrin::BuiltName("GlobalParams", id, address, tag);
  if (tablesFrom && *tablesFrom && !name.empty() && holbrin::ReadMethodSection(tablesFrom, name, stored)) {
    if (!holbrin::DecodeTable(stored, sizeof(STRUCT_DH_GLOBAL_PARAMS), records)) m->readable = false;
    else if (records.size() >= sizeof(STRUCT_DH_GLOBAL_PARAMS))
      std::memcpy(&m->method.global, records.data(), sizeof(STRUCT_DH_GLOBAL_PARAMS));
  } else if (global) {
    m->method.global = *global;
  }
  if (compound) m->method.compounds.push_back(*compound);
  m->method.events.assign(events, events + eventCount);
  m->method.hasEventTable = true;
  return holbrin::BeginInnermost(t_memoryMethods, m);
}

HOLBRIN_API void EndDHMethodInMemory(void* method) {
  holbrin::EndInnermost(t_memoryMethods, static_cast<MemoryMethod*>(method));
}

HOLBRIN_API void* BeginDHDataInPlace(const char* workingPath, const char* dataPath) {
  if (!workingPath || !*workingPath || !dataPath || !*dataPath) return nullptr;
  auto* d = new DataInPlace;
  d->working = workingPath;
  d->data = dataPath;
  return holbrin::BeginInnermost(t_dataInPlace, d);
}

HOLBRIN_API void EndDHDataInPlace(void* inPlace) {
  holbrin::EndInnermost(t_dataInPlace, static_cast<DataInPlace*>(inPlace));
}

HOLBRIN_API void* BeginDHMethodReads(const char* methodPath) {
  if (!methodPath || !*methodPath) return nullptr;
  auto* m = new holbrin::MethodReads;
  m->path = methodPath;
  return holbrin::BeginInnermost(holbrin::MethodReadsHeld(), m);
}

HOLBRIN_API void EndDHMethodReads(void* reads) {
  holbrin::EndInnermost(holbrin::MethodReadsHeld(), static_cast<holbrin::MethodReads*>(reads));
}

HOLBRIN_API void* BeginDHWorkingInMemory(const char* workingPath, const char* dataPath, double from, double to) {
  if (!workingPath || !*workingPath || !dataPath || !*dataPath || !(from <= to)) return nullptr;
  auto* m = new holbrin::MemoryWorking;
  m->path = workingPath;
  m->data = dataPath;
  m->from = from;
  m->to = to;
  DropHeldReads(workingPath);
  return holbrin::BeginInnermost(holbrin::MemoryWorkings(), m);
}

HOLBRIN_API void EndDHWorkingInMemory(void* working) {
  auto* m = static_cast<holbrin::MemoryWorking*>(working);
  const std::string path = m ? m->path : std::string();
  if (holbrin::EndInnermost(holbrin::MemoryWorkings(), m)) DropHeldReads(path.c_str());
}

HOLBRIN_API BOOL PutDHWorkingSection(const char* workingPath, const char* name, const void* bytes, uint32_t size) {
  holbrin::MemoryWorking* m = holbrin::MemoryWorkingOf(workingPath);
  if (!m || !name || !*name || (size && !bytes)) return FALSE;
  DropHeldReads(workingPath);
  const auto* p = static_cast<const uint8_t*>(bytes);
  m->sections[holbrin::SectionKey(name)] = std::vector<uint8_t>(p, p + size);
  return TRUE;
}

HOLBRIN_API void* BeginDHResultReads(const char* path) {
  if (!path || !*path) return nullptr;
  auto* h = new ResultHold;
  h->path = path;
  h->previous = t_holds;
  t_holds = h;
  return h;
}

HOLBRIN_API void EndDHResultReads(void* hold) {
  auto* h = static_cast<ResultHold*>(hold);
  if (!h || h != t_holds) return;  // only the innermost hold ends
  t_holds = h->previous;
  delete h;
}

HOLBRIN_API HDHTABLE OpenDHResultTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenPart(path, id, address, tag, kPartResults, sizeof(STRUCT_DH_RESULT));
}

HOLBRIN_API int16_t CountDHResults(HDHTABLE results) {
  holbrin::Table* t = holbrin::Lookup(results);
  if (!t || t->raw || t->recordSize != sizeof(STRUCT_DH_RESULT)) return -1;
  return int16_t(std::min<uint32_t>(t->Count(), 32767));
}

HOLBRIN_API BOOL GetDHResult(HDHTABLE results, int16_t index, STRUCT_DH_RESULT* result) {
  holbrin::Table* t = holbrin::Lookup(results);
  if (!t || t->raw || t->recordSize != sizeof(STRUCT_DH_RESULT) || !result) return FALSE;
  return holbrin::ReadRecords(results, index, 1, result);
}

HOLBRIN_API BOOL ReadDHResultHeader(const char* path, uint16_t id, uint16_t address, const char* tag,
                                    DH_RESULT_HEADER* header) {
  if (!header) return FALSE;
  HDHTABLE h = OpenPart(path, id, address, tag, kPartHeader, sizeof(DH_RESULT_HEADER));
  if (!h) return FALSE;
  const BOOL ok = CountDHRecords(h) == 1 && GetDHRecord(h, 0, header);
  FreeDHRecordSet(h);
  return ok;
}

HOLBRIN_API HDHTABLE OpenDHRunTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenPart(path, id, address, tag, kPartRuns, sizeof(DH_RUN_ROW));
}

HOLBRIN_API BOOL GetDHRunTimeStamp(const char* path, uint16_t id, uint16_t address, const char* tag,
                                   const char* name, int32_t number, int32_t* timeStamp) {
  if (!timeStamp) return FALSE;
  HDHTABLE h = OpenDHRunTable(path, id, address, tag);
  if (!h) return FALSE;
  BOOL found = FALSE;
  const int32_t n = CountDHRecords(h);
  for (int32_t i = 0; i < n; ++i) {
    DH_RUN_ROW r;
    if (!GetDHRecord(h, i, &r)) continue;
    r.name[sizeof r.name - 1] = 0;
    if (!name || (r.number == number && _stricmp(r.name, name) == 0)) *timeStamp = r.timeStamp, found = TRUE;
  }
  FreeDHRecordSet(h);
  return found;
}

HOLBRIN_API HDHTABLE OpenDHPointTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenPart(path, id, address, tag, kPartPoints, sizeof(DH_POINT));
}

HOLBRIN_API HDHTABLE OpenDHBoundaryTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenPart(path, id, address, tag, kPartBoundaries, sizeof(DH_BOUNDARY));
}

HOLBRIN_API BOOL GetDHIntensityScale(const char* path, uint16_t id, uint16_t address, const char* tag,
                                     float* scale) {
  if (!scale) return FALSE;
  HDHTABLE h = OpenPart(path, id, address, tag, kPartScale, sizeof(float));
  if (!h) return FALSE;
  float v = 0;
  const BOOL ok = CountDHRecords(h) == 1 && GetDHRecord(h, 0, &v) && std::isfinite(v) && v > 0;
  if (ok) *scale = v;
  FreeDHRecordSet(h);
  return ok;
}
