// Peak-to-peak noise and signal-to-noise from five-point stretches.
#include "spectra/pp_noise.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "orvik32/orvik32.h"
#include "spectra/segment_checks.h"

namespace {

using namespace kelt::noise;  // the trace and grid helpers both noise forms share

// A block from the shared allocator for the length of a scope.
struct Scratch {
  double* p = nullptr;
  explicit Scratch(uint64_t bytes) {
    if (bytes <= 0xFFFFFFFFu) p = static_cast<double*>(AllocBlock(static_cast<uint32_t>(bytes)));
  }
  Scratch(const Scratch&) = delete;
  ~Scratch() {
    if (p) FreeBlock(p);
  }
};

struct Stretch {
  double range, middle, centre;
};
static_assert(sizeof(Stretch) == 24);

// Moves the `places` smallest keys of s[0..n) to the front in ascending
// order exactly as a selection sort with whole swaps does (each place takes
// the first of the lowest behind it), in O(n log n): a tree over the
// positions keeps the first position of the lowest key below each node.
// Kept for keys that do not order (NaN), where only the steps themselves say
// what the selection does.
bool SelectToFrontByTree(Stretch* s, uint32_t n, uint32_t places, double Stretch::*key) {
  constexpr uint32_t kNone = 0xFFFFFFFFu;
  if (n == 0 || places == 0) return true;
  uint32_t size = 1;
  while (size < n) size *= 2;
  // Keys by position (settled places hold +inf) and the tree of winners.
  Scratch block(uint64_t{size} * sizeof(double) + uint64_t{2} * size * sizeof(uint32_t));
  if (!block.p) return false;
  double* keys = block.p;
  auto* tree = reinterpret_cast<uint32_t*>(block.p + size);
  for (uint32_t k = 0; k < size; ++k) keys[k] = k < n ? s[k].*key : HUGE_VAL;
  // The left position wins ties: it comes first.
  auto better = [&](uint32_t a, uint32_t b) { return b != kNone && (a == kNone || keys[b] < keys[a]) ? b : a; };
  for (uint32_t k = 0; k < size; ++k) tree[size + k] = k < n ? k : kNone;
  for (uint32_t node = size - 1; node >= 1; --node) tree[node] = better(tree[2 * node], tree[2 * node + 1]);
  auto update = [&](uint32_t pos, uint32_t leaf) {
    uint32_t node = size + pos;
    tree[node] = leaf;
    for (node /= 2; node >= 1; node /= 2) tree[node] = better(tree[2 * node], tree[2 * node + 1]);
  };
  for (uint32_t i = 0; i < places && i < n; ++i) {
    const uint32_t best = tree[1];
    std::swap(s[i], s[best]);
    if (best != i) {
      keys[best] = keys[i];  // the displaced stretch's key
      update(best, best);
    }
    update(i, kNone);  // this place is settled
  }
  return true;
}

// The same selection without taking every step; only the first `kept`
// places (at most n) are written back, the rest of s is left as it stood. Keys in ascending order of
// value: the stretches of one key are taken in the order of their places when
// the first of them is taken, for no stretch of that key moves before its
// turn once the smaller keys are placed; each taking swaps the stretch at the
// place being filled out to where the taken one stood. So only the stretches
// up to the last key placed are sorted, and the swaps are replayed on
// positions alone.
bool SelectToFront(Stretch* s, uint32_t n, uint32_t places, double Stretch::*key, uint32_t kept) {
  if (n == 0 || places == 0) return true;
  kept = std::min(kept, n);
  places = std::min(places, n);
  for (uint32_t k = 0; k < n; ++k)
    if (std::isnan(s[k].*key)) return SelectToFrontByTree(s, n, places, key);
  struct Entry {
    double key;
    uint32_t id;
  };
  static_assert(sizeof(Entry) == 16);
  // Entries, then the stretches as they stood, then where each stands and
  // which stands at each place.
  Scratch block(uint64_t{n} * (sizeof(Entry) + sizeof(Stretch) + 2 * sizeof(uint32_t)));
  if (!block.p) return false;
  auto* entries = reinterpret_cast<Entry*>(block.p);
  auto* before = reinterpret_cast<Stretch*>(entries + n);
  auto* pos = reinterpret_cast<uint32_t*>(before + n);
  uint32_t* who = pos + n;
  for (uint32_t k = 0; k < n; ++k) entries[k] = {s[k].*key, k};
  const auto byKey = [](const Entry& a, const Entry& b) { return a.key < b.key; };
  // Every stretch up to the last placed key, in ascending key order.
  std::nth_element(entries, entries + (places - 1), entries + n, byKey);
  const double last = entries[places - 1].key;
  uint32_t taken = places;
  for (uint32_t k = places; k < n; ++k)
    if (entries[k].key == last) std::swap(entries[taken++], entries[k]);
  std::sort(entries, entries + taken, byKey);
  for (uint32_t k = 0; k < n; ++k) pos[k] = who[k] = k;
  uint32_t fill = 0;
  for (uint32_t g = 0; g < taken && fill < places;) {
    uint32_t end = g + 1;
    while (end < taken && entries[end].key == entries[g].key) ++end;
    if (end - g > 1)
      std::sort(entries + g, entries + end, [&](const Entry& a, const Entry& b) { return pos[a.id] < pos[b.id]; });
    for (; g < end && fill < places; ++g, ++fill) {
      const uint32_t id = entries[g].id, from = pos[id], out = who[fill];
      who[fill] = id, pos[id] = fill;
      who[from] = out, pos[out] = from;
    }
    g = end;
  }
  // The callers read the front alone: it is gathered, then put in place.
  for (uint32_t k = 0; k < kept; ++k) before[k] = s[who[k]];
  std::memcpy(static_cast<void*>(s), before, sizeof(Stretch) * kept);
  return true;
}

// The stretch the two selections of FromFiveWindows end with, found from
// ranks alone where no tie can make the order of taking matter: the first
// selection takes every stretch of a middle up to its last one (no stretch
// of that middle is left behind), and the stretch of the place looked for
// is the only one of its range among those taken. Null where that does not
// hold (or a key does not order); then the selections are replayed.
const Stretch* ByRanks(const Stretch* s, uint32_t m, uint32_t h) {
  const uint32_t places = h / 2;
  if (places == 0) return nullptr;
  std::vector<uint32_t> order(m);
  uint32_t* const ids = order.data();
  for (uint32_t k = 0; k < m; ++k) {
    if (std::isnan(s[k].middle) || std::isnan(s[k].range)) return nullptr;
    ids[k] = k;
  }
  std::nth_element(ids, ids + (h - 1), ids + m, [&](uint32_t a, uint32_t b) { return s[a].middle < s[b].middle; });
  const double last = s[ids[h - 1]].middle;
  for (uint32_t k = h; k < m; ++k)
    if (s[ids[k]].middle == last) return nullptr;  // a tie cut by the selection
  std::nth_element(ids, ids + (places - 1), ids + h, [&](uint32_t a, uint32_t b) { return s[a].range < s[b].range; });
  const uint32_t found = ids[places - 1];
  for (uint32_t k = 0; k < h; ++k)
    if (k != places - 1 && s[ids[k]].range == s[found].range) return nullptr;
  return &s[found];
}

struct Estimate {
  double signal, noise, tail;
  uint32_t centre;
};

// The quietest stretch of five values: of the half of the stretches with the
// lowest middles, the half with the smallest ranges; the one at place h/2 - 1.
bool FromFiveWindows(const double* v, uint32_t n, uint32_t peak, Estimate* out) {
  if (n < 5 || peak >= n) return false;
  const uint32_t m = n - 4;
  Scratch table(uint64_t{m} * sizeof(Stretch));
  if (!table.p) return false;
  auto* s = reinterpret_cast<Stretch*>(table.p);
  for (uint32_t k = 0; k < m; ++k) {
    // As min_element and max_element take them (the first of equals), in one pass.
    double lo = v[k], hi = v[k];
    for (uint32_t j = k + 1; j < k + 5; ++j) {
      if (v[j] < lo) lo = v[j];
      if (hi < v[j]) hi = v[j];
    }
    s[k].range = hi - lo == 0 ? 1.0 : hi - lo;
    s[k].middle = (hi + lo) / 2;
    s[k].centre = k + 2;
  }
  const uint32_t h = m / 2;
  const Stretch* pick = ByRanks(s, m, h);
  if (!pick) {
    // The second selection reads the first h places; the pick is its last place.
    if (!SelectToFront(s, m, h, &Stretch::middle, h) || !SelectToFront(s, h, h / 2, &Stretch::range, h / 2))
      return false;
    pick = &s[h / 2 >= 1 ? h / 2 - 1 : 0];
  }
  out->signal = v[peak];
  out->noise = pick->range;
  out->tail = pick->middle;
  out->centre = static_cast<uint32_t>(pick->centre);
  return true;
}

// The displayed trace serves for a range when it covers it or holds 50
// points on each side of the time within it (points at the time count on neither).
bool DisplayedCovers(const STRUCT_NE_DATA_POINTS* d, double t1, double t2, double time) {
  if (!d || !d->points || d->pointCount == 0) return false;
  if (d->startTime <= t1 && t2 <= d->endTime) return true;
  int before = 0, after = 0;
  for (uint32_t i = 0; i < d->pointCount; ++i) {
    const double t = NePointAt(d->points, i)->time;
    if (t < t1 || t > t2) continue;
    if (t < time)
      ++before;
    else if (t > time)
      ++after;
  }
  return before >= 50 && after >= 50;
}

bool SignalNoiseTail(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, int16_t dataType,
                     const STRUCT_CHAN_LIST* chanList, const STRUCT_MASS_LIST* selection,
                     const STRUCT_SCAN_FUN_ARRAY* array, uint16_t filter, const STRUCT_CHRO_PREFS* prefs, double time,
                     Estimate* e, double* times, double* values) {
  Scratch buffer(201 * sizeof(double));
  if (!buffer.p || !wf) return false;
  const bool segmented = Segmented(wf);
  double start = wf->startTime, end = wf->endTime;
  const MS_SEGMENT_BLOCK* b = nullptr;
  if (segmented) {
    for (int s = 0; s < kelt::seg::Count(wf) && !b; ++s)
      if (wf->segmentBlocks[s].startTime <= time && time <= wf->segmentBlocks[s].endTime) b = &wf->segmentBlocks[s];
    if (!b || kelt::seg::ScanStep(*b) == 0) return false;
    start = b->startTime;
    end = b->endTime;
  }
  TraceHolder read;
  const STRUCT_NE_DATA_POINTS* trace = displayed;
  if (!DisplayedCovers(displayed, start, end, time)) {
    if (!segmented) {
      uint32_t p = 0;
      double pt = 0;
      if (!GetPointFromATime(wf, time, &p, &pt, LOOKUP_NEAREST)) return false;
      const uint32_t count = FilePointCount(wf);
      if (count == 0) return false;
      const uint32_t lo = p > 50 ? p - 50 : 0, hi = std::min<uint64_t>(uint64_t{p} + 50, count - 1);
      double t1 = 0, t2 = 0;
      if (!GetTimeOfPoint(wf, lo, &t1) || !GetTimeOfPoint(wf, hi, &t2)) return false;
      read.trace = MakeDataPointsStruct(wf, t1, t2, 101, dataType, 0, chanList, selection);
    } else if (dataType == DATA_TYPE_SCAN_FUN_PLOT) {
      read.trace = SCAN_FUN_Read(wf, array, selection, prefs ? static_cast<int16_t>(filter != 0) : 0,
                                 prefs ? &prefs->plotData : nullptr);
    } else {
      uint32_t s = 0;
      double st = 0;
      if (!KELT_GetScanFromATime(wf, time, &s, &st, LOOKUP_NEAREST)) return false;
      const int64_t reach = int64_t{50} * kelt::seg::ScanStep(*b);
      const uint32_t lo = static_cast<uint32_t>(std::max<int64_t>(int64_t{s} - reach, int64_t{b->firstScan}));
      const uint32_t hi = static_cast<uint32_t>(std::min<int64_t>(int64_t{s} + reach, int64_t{b->lastScan}));
      read.trace = KELT_ReadTraceFromMSData(wf, lo, hi, dataType, chanList, selection);
      if (read.trace && filter && prefs) FilterDataPointsStruct(read.trace, &prefs->plotData);
    }
    if (!read.trace) return false;
    trace = read.trace;
  }
  if (trace->pointCount == 5) return false;
  const Points p = PickPoints(trace, filter != 0);
  if (!p) return false;
  int64_t first = -1, last = -1, peak = -1;
  for (uint32_t i = 0; i < p.count; ++i) {
    const double t = p.Time(i);
    if (t > end) break;
    if (t < start) continue;
    if (first < 0) first = i;
    last = i;
    if (peak >= 0) continue;
    if (t == time) {
      peak = i;
    } else if (t > time) {
      peak = (i > uint32_t(first) && time - p.Time(i - 1) <= t - time) ? i - 1 : i;
    }
  }
  if (first < 0) return false;
  if (peak < 0) peak = last;  // the time lies after every point of the range
  first = std::max(first, peak - 50);
  last = std::min(last, peak + 50);
  const uint32_t n = static_cast<uint32_t>(last - first + 1);
  if (n <= 4) return false;
  for (uint32_t k = 0; k < n; ++k) buffer.p[k] = p.Value(static_cast<uint32_t>(first + k));
  if (!FromFiveWindows(buffer.p, n, static_cast<uint32_t>(peak - first), e)) return false;
  for (int k = 0; k < 5; ++k) {
    const uint32_t at = static_cast<uint32_t>(first) + e->centre - 2 + static_cast<uint32_t>(k);
    if (times) times[k] = p.Time(at);
    if (values) values[k] = p.Value(at);
  }
  return true;
}

bool PPForDisplay(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, double time, uint16_t dataType,
                  const STRUCT_CHAN_LIST* chanList, const STRUCT_MASS_LIST* selection,
                  const STRUCT_SCAN_FUN_ARRAY* array, uint16_t filter, const STRUCT_CHRO_PREFS* prefs,
                  const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount, const uint32_t* timeScan, STRUCT_PP_NOISE* r) {
  std::memset(r, 0, sizeof *r);
  if (!wf) return false;
  const bool segmented = Segmented(wf);
  int32_t a = 101, bw = 50;
  ScanGrid g;
  bool crossing = false;
  if (segmented) {
    if (!kelt::noise::FindScanGrid(wf, time, chanList, array, false, &g, nullptr, timeScan)) return false;
    a = kelt::noise::RateScaled(101, g.rate);
    bw = kelt::noise::RateScaled(50, g.rate);
    crossing = array && kelt::noise::CrossesSegments(wf, g, bw);
    if (crossing && !info) return false;
  }
  double t1 = 0, t2 = 0;
  uint32_t leftScan = 0, rightScan = 0;
  if (!segmented) {
    uint32_t p = 0;
    double pt = 0;
    if (!GetPointFromATime(wf, time, &p, &pt, LOOKUP_NEAREST)) return false;
    const uint32_t count = FilePointCount(wf);
    if (count == 0) return false;
    const uint32_t lo = p > uint32_t(bw) ? p - bw : 0;
    const uint32_t hi = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{p} + bw, count - 1));
    if (!GetTimeOfPoint(wf, lo, &t1) || !GetTimeOfPoint(wf, hi, &t2)) return false;
  } else {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[g.segment];
    const kelt::noise::ScanWalk w = kelt::noise::WalkScans(wf, g, bw, true, array, info, infoCount, chanList);
    leftScan = w.left;
    rightScan = w.right;
    if (displayed || array) {
      if (w.leftSegment == g.segment && w.left == g.first)
        t1 = b.startTime;
      else if (!TimeOfScan(wf, w.left, &t1))
        return false;
      if (w.rightSegment == g.segment && w.right == g.last)
        t2 = b.endTime;
      else if (!TimeOfScan(wf, w.right, &t2))
        return false;
    } else {
      // Read by these scans, every point lies between their times.
      t1 = -HUGE_VAL;
      t2 = HUGE_VAL;
    }
  }
  TraceHolder read;
  const STRUCT_NE_DATA_POINTS* trace = displayed;
  if (!kelt::noise::DisplayedServes(displayed, t1, t2, time, bw)) {
    if (!segmented) {
      read.trace = MakeDataPointsStruct(wf, t1, t2, 2 * bw + 1, static_cast<int16_t>(dataType), 0, chanList, selection);
    } else if (array) {
      // A scan-function trace can only be read through its scan functions.
      read.trace = SCAN_FUN_FastReadTimeRange(t1, t2, info, static_cast<int16_t>(std::min<uint16_t>(infoCount, 0x7FFF)),
                                              wf, array, selection, prefs ? static_cast<int16_t>(filter != 0) : 0,
                                              prefs ? &prefs->plotData : nullptr);
    } else {
      read.trace =
          KELT_ReadTraceFromMSData(wf, leftScan, rightScan, static_cast<int16_t>(dataType), chanList, selection);
      if (read.trace && filter && prefs) FilterDataPointsStruct(read.trace, &prefs->plotData);
    }
    if (!read.trace) return false;
    trace = read.trace;
  }
  if (trace->pointCount == 5) return false;
  const Points p = PickPoints(trace, filter != 0);
  if (!p) return false;
  int64_t peak = -1;
  for (uint32_t i = 0; i < p.count && peak < 0; ++i)
    if (std::fabs(p.Time(i) - time) < 1e-8) peak = i;
  for (uint32_t i = 0; i < p.count && peak < 0; ++i) {
    if (p.Time(i) <= time) continue;
    if (i == 0) return false;  // before the first point
    peak = p.Time(i) - time <= time - p.Time(i - 1) ? i : i - 1;
  }
  if (peak <= 0) return false;
  int64_t lo = std::max<int64_t>(0, peak - bw), hi = std::min<int64_t>(peak + bw, int64_t{p.count} - 1);
  while (lo < hi && p.Time(static_cast<uint32_t>(lo)) < t1) ++lo;
  while (hi > lo && p.Time(static_cast<uint32_t>(hi)) > t2) --hi;
  const int64_t n = hi - lo + 1;
  if (n <= 4 || peak < lo || peak > hi) return false;
  Scratch buffer(std::max<uint64_t>(uint64_t(a) * 8 + 800, uint64_t(n) * 8));
  if (!buffer.p) return false;
  for (int64_t k = 0; k < n; ++k) buffer.p[k] = p.Value(static_cast<uint32_t>(lo + k));
  Estimate e;
  if (!FromFiveWindows(buffer.p, static_cast<uint32_t>(n), static_cast<uint32_t>(peak - lo), &e)) return false;
  r->peakTime = p.Time(static_cast<uint32_t>(peak));
  r->signal = e.signal;
  r->tail = e.tail;
  r->noise = e.noise;
  r->found = 1;
  r->stretchCentre = static_cast<int16_t>(e.centre);
  for (int k = 0; k < 5; ++k) {
    const uint32_t at = static_cast<uint32_t>(lo) + e.centre - 2 + static_cast<uint32_t>(k);
    r->stretchTimes[k] = p.Time(at);
    r->stretchValues[k] = p.Value(at);
  }
  return true;
}

}  // namespace

KELT_API BOOL KELT_CalPPNoiseForDisplay(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, double time,
                                        uint16_t dataType, const STRUCT_CHAN_LIST* chanList,
                                        const STRUCT_MASS_LIST* selection, const STRUCT_SCAN_FUN_ARRAY* array,
                                        uint16_t filter, const STRUCT_CHRO_PREFS* prefs,
                                        const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount, STRUCT_PP_NOISE* result) {
  if (!result) return 0;
  return Guarded([&] {
    return PPForDisplay(wf, displayed, time, dataType, chanList, selection, array, filter, prefs, info, infoCount,
                        nullptr, result);
  });
}

KELT_API BOOL KELT_GetSignalAndNoiseAndTail(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed,
                                            int16_t dataType, const STRUCT_CHAN_LIST* chanList,
                                            const STRUCT_MASS_LIST* selection, const STRUCT_SCAN_FUN_ARRAY* array,
                                            uint16_t filter, const STRUCT_CHRO_PREFS* prefs, double time,
                                            double* signal, double* noise, double* tail, uint32_t* stretchCentre,
                                            double* stretchTimes, double* stretchValues) {
  if (!signal || !noise || !tail || !stretchCentre) return 0;
  return Guarded([&] {
    Estimate e;
    double times[5], values[5];
    if (!SignalNoiseTail(wf, displayed, dataType, chanList, selection, array, filter, prefs, time, &e, times, values))
      return false;
    *signal = e.signal;
    *noise = e.noise;
    *tail = e.tail;
    *stretchCentre = e.centre;
    if (stretchTimes) std::memcpy(stretchTimes, times, sizeof times);
    if (stretchValues) std::memcpy(stretchValues, values, sizeof values);
    return true;
  });
}

KELT_API BOOL KELT_CalPPNoiseForMSFile(STRUCT_WORK_FILE* wf, double time, uint16_t dataType,
                                       const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList, uint32_t,
                                       int16_t rangeMode, uint16_t filter, const void* filterParameters,
                                       double* noise) {
  return Guarded([&] {
    if (!noise || !Segmented(wf)) return false;
    STRUCT_CHRO_PREFS prefs;
    uint16_t useFilter = 0;
    kelt::noise::PrefsCopy(filter, filterParameters, &prefs, &useFilter);
    auto measure = [&](double at, double* out) {
      Estimate e;
      if (!SignalNoiseTail(wf, nullptr, static_cast<int16_t>(dataType), chanList, selection, nullptr, useFilter, &prefs,
                           at, &e, nullptr, nullptr))
        return false;
      *out = e.noise;
      return true;
    };
    if (rangeMode != 2) return measure(time, noise);
    double sum = 0;
    int measured = 0;
    for (int s = 0; s < kelt::seg::Count(wf); ++s) {
      const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
      if (!kelt::seg::IsUsable(b) || !kelt::seg::ChanListUsableOn(chanList, b)) continue;
      double one = 0;
      if (!measure((b.endTime - b.startTime) / 2 + b.startTime, &one)) return false;
      sum += one;
      ++measured;
    }
    *noise = measured ? sum / measured : 0;
    return true;
  });
}

KELT_API BOOL KELT_NewCalPPNoiseForMSFile(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, double time,
                                          uint16_t dataType, const STRUCT_MASS_LIST* selection,
                                          const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_ARRAY* array, int16_t,
                                          int16_t rangeMode, uint16_t filter, const void* filterParameters,
                                          const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount, double* noise) {
  if (!noise) return 0;
  *noise = 0;
  return Guarded([&] {
    auto measure = [&](double at, int16_t, const STRUCT_SCAN_FUN_ARRAY* a, const STRUCT_SCAN_FUN_INFO* i, uint16_t n,
                       const STRUCT_CHRO_PREFS* prefs, uint16_t useFilter, const uint32_t* timeScan, double* out) {
      STRUCT_PP_NOISE r;
      if (!PPForDisplay(wf, displayed, at, dataType, chanList, selection, a, useFilter, prefs, i, n, timeScan, &r))
        return false;
      *out = r.noise;
      return true;
    };
    return kelt::noise::NewMSFileNoise(wf, time, chanList, array, rangeMode, filter, filterParameters, info, infoCount,
                                       measure, noise);
  });
}
