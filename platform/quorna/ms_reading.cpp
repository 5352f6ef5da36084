// Traces and scan spectra of stored MS data.
#include "quorna/ms_reading.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>

namespace quorna {

namespace {

bool ChannelListed(const STRUCT_CHAN_LIST& list, uint32_t function) {
  const uint16_t count = list.count;  // packed: copied, not bound
  const uint16_t n = std::min<uint16_t>(count, CHAN_LIST_MAX_ENTRIES);
  for (uint16_t k = 0; k < n; ++k)
    if (function >= list.entries[k].low && function <= list.entries[k].high) return true;
  return false;
}

// Kind of a channel list, treating none as "ignored"; -1 for a bad list.
int ChannelKind(const STRUCT_CHAN_LIST* channels) {
  if (!channels) return CHAN_LIST_IGNORED;
  if (channels->kind > CHAN_LIST_IGNORED) return -1;
  if (channels->kind == CHAN_LIST_LISTED && (channels->count == 0 || channels->count > CHAN_LIST_MAX_ENTRIES))
    return -1;
  return static_cast<int>(channels->kind);
}

bool Takes(const Image& img, const STRUCT_CHAN_LIST* channels, int kind, uint32_t i) {
  return kind != CHAN_LIST_LISTED || ChannelListed(*channels, img.FunctionOf(i));
}

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

// Stored totals are unsigned; a damaged file may hold more than a point can.
int64_t AsPointValue(uint64_t v) { return v > uint64_t{INT64_MAX} ? INT64_MAX : static_cast<int64_t>(v); }

struct Interval {
  double low, high;  // [low, high)
  // Rows of the whole masses at and above low (see Image::MassStartRow),
  // or null; whole: the lower one's mass.
  std::atomic<uint16_t>* below = nullptr;
  std::atomic<uint16_t>* above = nullptr;
  double whole = 0;
};

double MassAt(const uint8_t* masses, uint32_t k) {
  double m;
  std::memcpy(&m, masses + 8ull * k, 8);
  return m;
}

// First of the points [lo, hi) whose mass is not below m; hi when none.
uint32_t FirstNotBelow(const uint8_t* masses, uint32_t lo, uint32_t hi, double m) {
  // The compiler keeps the jumps: one scan's probes are much like the last
  // one's, and a chain of selections that waits on each load costs more.
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    const bool below = MassAt(masses, mid) < m;
    lo = below ? mid + 1 : lo;
    hi = below ? hi : mid;
  }
  return lo;
}

// Where interval r starts among scan i's n points, its search begun at k.
// From the whole-mass rows where they know the scan: a walk over the few
// points between them. Else by halving, and the rows learn the scan.
inline __attribute__((always_inline)) uint32_t IntervalStart(uint32_t i, uint32_t n, const uint8_t* masses,
                                                             const Interval& r, uint32_t k) {
  constexpr uint32_t kWalk = 8;  // longer stretches are halved
  if (r.below) {
    const uint32_t a = std::max<uint32_t>(r.below[i].load(std::memory_order_relaxed), k);
    const uint32_t b = r.above[i].load(std::memory_order_relaxed);
    if (a <= b && b <= n) {
      if (b - a > kWalk) return FirstNotBelow(masses, a, b, r.low);
      uint32_t at = a;
      while (at < b && MassAt(masses, at) < r.low) ++at;
      return at;
    }
  }
  const uint32_t at = FirstNotBelow(masses, k, n, r.low);
  if (r.below) {
    // Masses ascend: the whole mass lies at or before, the next one at or
    // after; most often a point or two away.
    uint32_t a = at, b = at;
    for (uint32_t s = 0; s < kWalk && a > 0 && MassAt(masses, a - 1) >= r.whole; ++s) --a;
    if (a > 0 && MassAt(masses, a - 1) >= r.whole) a = FirstNotBelow(masses, 0, a, r.whole);
    for (uint32_t s = 0; s < kWalk && b < n && MassAt(masses, b) < r.whole + 1; ++s) ++b;
    if (b < n && MassAt(masses, b) < r.whole + 1) b = FirstNotBelow(masses, b, n, r.whole + 1);
    r.below[i].store(static_cast<uint16_t>(a), std::memory_order_relaxed);
    r.above[i].store(static_cast<uint16_t>(b), std::memory_order_relaxed);
  }
  return at;
}

// Sum of the intensities of scan i's n points inside the disjoint, sorted
// intervals; *firstAt: where the first interval starts among the points.
inline __attribute__((always_inline)) int64_t SumInIntervals(uint32_t i, uint32_t n, const uint8_t* points,
                                                             const std::vector<Interval>& iv, uint32_t* firstAt) {
  const uint8_t* masses = points;
  const uint8_t* values = points + 8ull * n;
  int64_t sum = 0;
  uint32_t k = 0;
  bool first = true;
  for (const Interval& r : iv) {
    const uint32_t lo = IntervalStart(i, n, masses, r, k);
    if (first) *firstAt = lo, first = false;
    for (k = lo; k < n; ++k) {
      if (MassAt(masses, k) >= r.high) break;
      uint32_t v;
      std::memcpy(&v, values + 4ull * k, 4);
      sum += v;
    }
  }
  return sum;
}

// Asks for the lines where the intervals start in scan j, as the rows know
// them: a trace of a long run then waits on no scan's points. A hint only.
inline void HintStarts(const uint8_t* at, uint64_t n, uint32_t j, const std::vector<Interval>& iv) {
  for (const Interval& r : iv) {
    if (!r.below) continue;
    const uint64_t a = r.below[j].load(std::memory_order_relaxed);
    if (a >= n) continue;
    __builtin_prefetch(at + 8 * a);
    __builtin_prefetch(at + 8 * n + 4 * a);
  }
}

// First scan position whose time is not below t (or, FirstAfter, above
// it); ScanCount() when there is none. Times must ascend.
uint32_t FirstAtOrAfter(const Image& img, double t) {
  uint32_t lo = 0, hi = img.ScanCount();
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (img.Time(mid) < t) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

uint32_t FirstAfter(const Image& img, double t) {
  uint32_t lo = 0, hi = img.ScanCount();
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (img.Time(mid) <= t) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

}  // namespace

bool MakeTrace(const Image& img, const MS_TRACE_REQUEST& request, const STRUCT_CHAN_LIST* channels,
               const STRUCT_MASS_LIST* masses, Trace& out) {
  out = Trace{};
  const int ckind = ChannelKind(channels);
  if (ckind < 0 || !masses) return false;
  const uint32_t mkind = masses->kind;
  int extra = -1;
  std::vector<Interval> intervals;
  std::vector<Image::MassRow> rows;  // held while the trace reads them
  if (mkind == MASS_LIST_RANGES) {
    if (masses->count == 0 || masses->count > MASS_LIST_MAX_RANGES) return false;
    double w = std::isfinite(masses->window) && masses->window > 0 ? masses->window : 0.5;
    for (uint16_t k = 0; k < masses->count; ++k) {
      const MASS_RANGE& r = masses->ranges[k];
      if (!std::isfinite(r.low) || !std::isfinite(r.high) || r.high < r.low) return false;
      intervals.push_back({r.low - w, r.high + w});
    }
    std::sort(intervals.begin(), intervals.end(), [](auto& a, auto& b) { return a.low < b.low; });
    std::vector<Interval> merged;
    for (const Interval& r : intervals) {
      if (!merged.empty() && r.low <= merged.back().high) merged.back().high = std::max(merged.back().high, r.high);
      else merged.push_back(r);
    }
    intervals.swap(merged);
    for (Interval& r : intervals) {
      r.whole = std::floor(r.low);
      Image::MassRow below = img.MassStartRow(r.whole), above = img.MassStartRow(r.whole + 1);
      if (!below || !above) continue;
      r.below = below.get();
      r.above = above.get();
      rows.push_back(std::move(below));
      rows.push_back(std::move(above));
    }
  } else if (mkind == MASS_LIST_ION_TIME) {
    extra = 0;
  } else if (mkind >= MASS_LIST_EXTRA_COLUMN) {
    if (mkind - MASS_LIST_EXTRA_COLUMN >= MS_MAX_EXTRA_COLUMNS) return false;
    extra = static_cast<int>(mkind - MASS_LIST_EXTRA_COLUMN);
  }
  if (extra >= 0 && extra >= img.Info().extraColumnCount) return false;
  out.isDouble = extra >= 0 || mkind == MASS_LIST_BASE_PEAK_ION;

  // Scan positions and times the request covers.
  uint32_t from = 0, to = 0;
  bool byTime = false;
  double t0 = 0, t1 = 0;
  if (img.ScanCount() == 0) return true;
  if (request.kind == MS_TRACE_BY_SCANS) {
    uint32_t a = std::max(request.scans.first, img.FirstScan());
    uint32_t b = std::min(request.scans.last, img.LastScan());
    if (a > b) return true;
    from = a - img.FirstScan();
    to = b - img.FirstScan();
  } else if (request.kind == MS_TRACE_BY_TIMES) {
    t0 = request.times.from;
    t1 = request.times.to;
    if (!(t0 <= t1)) return true;  // also NaN
    byTime = true;
    from = 0;
    to = img.ScanCount() - 1;
    if (img.TimesAscend()) {
      // Only the scans inside the window are walked: a short piece of a
      // long run costs its own scans, not the run's.
      from = FirstAtOrAfter(img, t0);
      const uint32_t past = FirstAfter(img, t1);
      if (past <= from) return true;
      to = past - 1;
    }
  } else {
    return false;
  }

  auto inWindow = [&](uint32_t i) { return !byTime || (img.Time(i) >= t0 && img.Time(i) <= t1); };

  // Headers and points through the image's kept blocks, without copies.
  Image::BlockCursor headerCursor, pointsCursor;
  // Values from the headers alone: the window's headers in one piece, so
  // that only those not read before are read.
  std::shared_ptr<const Bytes> runHold;
  const uint8_t* run = mkind != MASS_LIST_RANGES ? img.HeaderRun(from, to, runHold) : nullptr;
  MS_SCAN_HEADER own{};
  auto headerOf = [&](uint32_t i) -> const MS_SCAN_HEADER* {
    const MS_SCAN_HEADER* h =
        run ? reinterpret_cast<const MS_SCAN_HEADER*>(run + uint64_t{i - from} * MS_SCAN_HEADER_SIZE)
            : img.HeaderAt(i, headerCursor);
    return h && Image::HeaderSound(*h) ? h : nullptr;
  };

  // A scan that cannot be read fails the whole trace.
  bool unreadable = false;
  const uint8_t* points = nullptr;
  const MS_SCAN_HEADER* read = &own;  // header of the scan read last
  uint32_t found = 0;                 // where the masses' window began in it
  constexpr uint32_t kAhead = 3;      // scans between a hint and its use
  constexpr uint32_t kRowsAhead = 16;  // the same for hints from the rows
  // On a first walk (the scan's header read just now), the header and
  // points of the scan a few ahead most likely follow these in the same
  // block: ask for them early, where the window lay in the scan before. A
  // hint only; never read through. Later walks find the points in the
  // cache, where hints only cost.
  auto hintAhead = [&](uint32_t i, const MS_SCAN_HEADER* header, const uint8_t* at) __attribute__((always_inline)) {
    if (i + kAhead >= img.ScanCount()) return;
    const uintptr_t aheadHeader = reinterpret_cast<uintptr_t>(header) + kAhead * MS_SCAN_HEADER_SIZE;
    uintptr_t aheadPoints = reinterpret_cast<uintptr_t>(at);
    for (uint32_t a = 0; a < kAhead; ++a) aheadPoints += uintptr_t{MS_EXCHANGE_ENTRY_SIZE} * img.PointCount(i + a);
    const uint64_t n = img.PointCount(i + kAhead);
    const uint64_t where = std::min<uint64_t>(found, n ? n - 1 : 0);
    __builtin_prefetch(reinterpret_cast<const void*>(aheadHeader));
    __builtin_prefetch(reinterpret_cast<const void*>(aheadPoints + 8 * where));
    __builtin_prefetch(reinterpret_cast<const void*>(aheadPoints + 8 * n + 4 * where));
  };
  // The scan's state (see Image::StateOf) and its points; false when either
  // cannot be had.
  auto pointsOf = [&](uint32_t i, uint8_t& state, const uint8_t*& at) __attribute__((always_inline)) {
    state = img.StateOf(i);
    const MS_SCAN_HEADER* header = nullptr;
    if (state == Image::kStateUnknown) state = img.NoteHeader(i, header = img.HeaderAt(i, headerCursor));
    if (!(state & Image::kStateSound) || !(at = img.Points(i, pointsCursor))) return false;
    if (header) hintAhead(i, header, at);
    return true;
  };
  // Where the points are all in memory already, hints from the rows.
  const uint8_t* hintBase = mkind == MASS_LIST_RANGES ? img.PointsInMemory(from, to) : nullptr;
  // Only mass ranges need the points; the rest is in the scan's header.
  auto valueOf = [&](uint32_t i) __attribute__((always_inline)) -> TracePoint {
    TracePoint p{img.Time(i), 0, {0}};
    if (mkind == MASS_LIST_RANGES) {
      // The header only for its soundness and saturation, kept per scan
      // once read: later traces walk the points alone.
      uint8_t state;
      if (!pointsOf(i, state, points)) {
        unreadable = true;
        return p;
      }
      read = &own;
      if (state & Image::kStateSaturated) p.flag = 1;
      const uint32_t j = i + kRowsAhead;
      if (hintBase && j <= to) HintStarts(hintBase + img.PointsOffset(j), img.PointCount(j), j, intervals);
      p.value.i = SumInIntervals(i, img.PointCount(i), points, intervals, &found);
      return p;
    }
    read = headerOf(i);
    if (!read) {
      read = &own;
      unreadable = true;
      return p;
    }
    const MS_SCAN_HEADER& h = *read;
    if (h.flags & MS_SCAN_FLAG_SATURATED) p.flag = 1;
    switch (mkind) {
      case MASS_LIST_TOTAL_ION: p.value.i = AsPointValue(h.totalIon); break;
      case MASS_LIST_BASE_PEAK_ION: p.value.d = h.basePeakMass; break;
      case MASS_LIST_BASE_PEAK_INTENSITY: p.value.i = h.basePeakIntensity; break;
      default: {
        double v = 0;
        if (extra < h.extraCount) std::memcpy(&v, reinterpret_cast<const uint8_t*>(&h.extra) + 8 * extra, 8);
        p.value.d = v;
      }
    }
    return p;
  };
  bool any = false;
  out.points.reserve(to - from + 1);
  auto emit = [&](const TracePoint& p, uint32_t i) {
    if (!any) out.firstScan = img.FirstScan() + i;
    out.lastScan = img.FirstScan() + i;
    any = true;
    out.points.push_back(p);
  };

  // Merged channels over scans that are each their own cycle (segments of
  // one scan function) give a point a scan, as ignored channels do: the work
  // file asks for merged channels, and most runs scan one function.
  auto eachOwnCycle = [&] {
    for (uint32_t i = from; i <= to; ++i) {
      const int sg = img.SegmentOf(i);
      if (sg >= 0 && img.Segment(static_cast<uint32_t>(sg)).functionCount != 1) return false;
    }
    return true;
  };
  if ((ckind == CHAN_LIST_IGNORED || (ckind == CHAN_LIST_MERGED && eachOwnCycle())) && mkind == MASS_LIST_RANGES) {
    // The common ion trace, a point a scan, written in place: the walk over
    // the points is all it costs.
    out.points.resize(to - from + 1);
    TracePoint* o = out.points.data();
    uint32_t made = 0, firstAt = 0, lastAt = 0;
    // Later walks, every scan's header known sound and its points in
    // memory: a scan costs its offset and the points around its ranges.
    // Scans whose times ascend are in the window from first to last.
    const uint8_t* base = !byTime || img.TimesAscend() ? img.PointsInMemory(from, to) : nullptr;
    for (uint32_t i = from; i <= to && base; ++i)
      if (!(img.StateOf(i) & Image::kStateSound)) base = nullptr;
    if (base) {
      auto each = [&](auto sum) __attribute__((always_inline)) {
        for (uint32_t i = from; i <= to; ++i) {
          const uint32_t j = i + kRowsAhead;
          if (j <= to) HintStarts(base + img.PointsOffset(j), img.PointCount(j), j, intervals);
          TracePoint& p = o[i - from];
          p.time = img.Time(i);
          p.flag = img.StateOf(i) & Image::kStateSaturated ? 1 : 0;
          p.value.i = sum(i, img.PointCount(i), base + img.PointsOffset(i));
        }
      };
      if (intervals.size() == 1) {
        // One range, the most asked for: its bounds stay in registers.
        const Interval r = intervals.front();
        each([&](uint32_t i, uint32_t n, const uint8_t* at) __attribute__((always_inline)) {
          int64_t sum = 0;
          for (uint32_t k = IntervalStart(i, n, at, r, 0); k < n && MassAt(at, k) < r.high; ++k) {
            uint32_t v;
            std::memcpy(&v, at + 8ull * n + 4ull * k, 4);
            sum += v;
          }
          return sum;
        });
      } else {
        each([&](uint32_t i, uint32_t n, const uint8_t* at) __attribute__((always_inline)) {
          return SumInIntervals(i, n, at, intervals, &found);
        });
      }
      out.firstScan = img.FirstScan() + from, out.lastScan = img.FirstScan() + to;
      return true;
    }
    for (uint32_t i = from; i <= to; ++i) {
      if (!inWindow(i)) continue;
      uint8_t state;
      const uint8_t* at = nullptr;
      if (!pointsOf(i, state, at)) {
        out.points.resize(made);
        return false;
      }
      TracePoint& p = o[made++];
      p.time = img.Time(i);
      p.flag = state & Image::kStateSaturated ? 1 : 0;
      p.value.i = SumInIntervals(i, img.PointCount(i), at, intervals, &found);
      if (made == 1) firstAt = i;
      lastAt = i;
    }
    out.points.resize(made);
    if (made) out.firstScan = img.FirstScan() + firstAt, out.lastScan = img.FirstScan() + lastAt;
    return true;
  }
  if (ckind == CHAN_LIST_IGNORED) {
    for (uint32_t i = from; i <= to && !unreadable; ++i)
      if (inWindow(i)) emit(valueOf(i), i);
    return !unreadable;
  }
  // Merged and listed channels: one point per cycle, the cycle's scans added.
  for (uint32_t i = from; i <= to;) {
    uint32_t cf, cl;
    img.CycleOf(i, cf, cl);
    cl = std::min(cl, to);
    bool have = false;
    TracePoint acc{};
    uint32_t at = i, accBase = 0;
    for (uint32_t j = std::max(cf, i); j <= cl; ++j) {
      if (!Takes(img, channels, ckind, j) || !inWindow(j)) continue;
      TracePoint p = valueOf(j);
      if (unreadable) return false;
      // Only the base peak's ion needs its intensity: no other kind touches it.
      const uint32_t base = mkind == MASS_LIST_BASE_PEAK_ION ? read->basePeakIntensity : 0;
      if (!have) {
        acc = p;
        at = j;
        accBase = base;
        have = true;
        continue;
      }
      acc.flag |= p.flag;
      switch (mkind) {
        case MASS_LIST_TOTAL_ION:
        case MASS_LIST_RANGES: acc.value.i = SaturatingAdd(acc.value.i, p.value.i); break;
        case MASS_LIST_BASE_PEAK_INTENSITY:
          if (p.value.i > acc.value.i) acc.value = p.value;
          break;
        case MASS_LIST_BASE_PEAK_ION:
          // The ion of the largest base peak so far in the cycle.
          if (base > accBase) acc.value = p.value, accBase = base;
          break;
        default: break;  // extra columns: the cycle's first value
      }
    }
    if (have) emit(acc, at);
    if (cl == UINT32_MAX) break;
    i = cl + 1;
  }
  return true;
}

bool ScanAtTimeByWalk(const Image& img, double t, uint32_t mode, const STRUCT_CHAN_LIST* channels,
                      uint32_t& picked) {
  const int ckind = ChannelKind(channels);
  if (ckind < 0) return false;
  bool found = false;
  double best = 0;
  for (uint32_t i = 0; i < img.ScanCount(); ++i) {
    if (!Takes(img, channels, ckind, i)) continue;
    double ti = img.Time(i);
    if (mode == MS_PICK_AT_OR_BEFORE) {
      if (ti <= t && (!found || ti >= best)) picked = i, best = ti, found = true;
    } else if (mode == MS_PICK_AT_OR_AFTER) {
      if (ti >= t && (!found || ti < best)) picked = i, best = ti, found = true;
    } else {
      double d = std::fabs(ti - t);
      if (!found || d < best) picked = i, best = d, found = true;
    }
  }
  return found;
}

bool ScanAtTime(const Image& img, double t, uint32_t mode, const STRUCT_CHAN_LIST* channels, uint32_t& picked) {
  if (!img.TimesAscend()) return ScanAtTimeByWalk(img, t, mode, channels, picked);
  const int ckind = ChannelKind(channels);
  if (ckind < 0) return false;
  const uint32_t n = img.ScanCount();
  // First position in [lo, hi) whose time is not below (or, past, above) t.
  auto bound = [&](uint32_t lo, uint32_t hi, double at, bool past) {
    while (lo < hi) {
      const uint32_t mid = lo + (hi - lo) / 2;
      if (past ? img.Time(mid) <= at : img.Time(mid) < at)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  };
  auto takes = [&](uint32_t i) { return Takes(img, channels, ckind, i); };
  const uint32_t above = bound(0, n, t, true);  // first position after t
  // Before or at t: the latest time taken, and of the scans at that time
  // the first (for the nearest) or the last (at or before).
  bool haveBefore = false;
  uint32_t before = 0;
  for (uint32_t i = above; i-- > 0;)
    if (takes(i)) {
      before = i, haveBefore = true;
      break;
    }
  // After t: the first scan taken.
  bool haveAfter = false;
  uint32_t after = 0;
  for (uint32_t i = above; i < n; ++i)
    if (takes(i)) {
      after = i, haveAfter = true;
      break;
    }
  if (mode == MS_PICK_AT_OR_BEFORE) {
    if (!haveBefore) return false;
    picked = before;
    return true;
  }
  if (mode == MS_PICK_AT_OR_AFTER) {
    // At t counts as after: the first scan taken at t, else the first past it.
    for (uint32_t i = bound(0, above, t, false); i < above; ++i)
      if (takes(i)) return picked = i, true;
    if (!haveAfter) return false;
    picked = after;
    return true;
  }
  if (haveBefore) {
    // The first scan as near: far from t, earlier times may round to the
    // same distance.
    const double nearest = std::fabs(img.Time(before) - t);
    uint32_t lo = 0, hi = before;
    while (lo < hi) {
      const uint32_t mid = lo + (hi - lo) / 2;
      if (std::fabs(img.Time(mid) - t) > nearest)
        lo = mid + 1;
      else
        hi = mid;
    }
    for (uint32_t i = lo;; ++i)
      if (takes(i)) {
        before = i;
        break;
      }
  }
  if (!haveBefore && !haveAfter) return false;
  // On equal distances the earlier scan wins, as it comes first.
  if (haveBefore && (!haveAfter || std::fabs(img.Time(before) - t) <= std::fabs(img.Time(after) - t)))
    picked = before;
  else
    picked = after;
  return true;
}

bool ResolveScan(const Image& img, const MS_SCAN_REQUEST& request, const STRUCT_CHAN_LIST* channels,
                 std::vector<uint32_t>& members) {
  members.clear();
  const int ckind = ChannelKind(channels);
  if (ckind < 0 || img.ScanCount() == 0) return false;
  uint32_t picked = 0;
  if (request.kind == MS_SCAN_BY_NUMBER) {
    if (!img.HasScan(request.scan)) return false;
    picked = request.scan - img.FirstScan();
  } else if (request.kind == MS_SCAN_BY_TIME) {
    if (!std::isfinite(request.time)) return false;
    const uint32_t mode = request.mode ? request.mode : MS_PICK_NEAREST;
    if (!ScanAtTime(img, request.time, mode, channels, picked)) return false;
  } else {
    return false;
  }
  if (ckind == CHAN_LIST_IGNORED) {
    members.push_back(picked);
    return true;
  }
  uint32_t cf, cl;
  img.CycleOf(picked, cf, cl);
  for (uint32_t j = cf; j <= cl; ++j)
    if (Takes(img, channels, ckind, j)) members.push_back(j);
  return !members.empty();
}

std::vector<Peak> AddSpectra(const std::vector<std::vector<Peak>>& spectra) {
  std::vector<Peak> all;
  for (const auto& s : spectra) all.insert(all.end(), s.begin(), s.end());
  std::stable_sort(all.begin(), all.end(), [](const Peak& a, const Peak& b) { return a.mass < b.mass; });
  std::vector<Peak> out;
  for (const Peak& p : all) {
    if (!out.empty() && out.back().mass == p.mass) {
      uint64_t sum = uint64_t{out.back().intensity} + p.intensity;
      out.back().intensity = static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX));
      out.back().flag |= p.flag;
    } else {
      out.push_back(p);
    }
  }
  return out;
}

bool CombineScans(const Image& img, const std::vector<uint32_t>& members, MS_SCAN_HEADER& header,
                  std::vector<Peak>& peaks) {
  ScanView scan;
  if (members.empty() || !img.Scan(members.front(), scan)) return false;
  header = scan.Header();
  if (members.size() == 1) {
    scan.Peaks(peaks);
    header.pointCount = static_cast<uint32_t>(peaks.size());
    return true;
  }
  std::vector<std::vector<Peak>> spectra(members.size());
  uint64_t total = 0;
  for (size_t k = 0; k < members.size(); ++k) {
    if (!img.Scan(members[k], scan)) return false;
    scan.Peaks(spectra[k]);
    uint64_t t = scan.Header().totalIon;
    total = total > UINT64_MAX - t ? UINT64_MAX : total + t;
  }
  peaks = AddSpectra(spectra);
  SummariseInto(peaks, header);
  header.totalIon = total;
  return true;
}

uint32_t ScanBufferPeaks(const Image* img) {
  const uint32_t most = 4 * MS_MAX_SCAN_POINTS;
  if (!img) return most;
  uint64_t want = std::max<uint64_t>({uint64_t{img->MaxCyclePoints()}, 2ull * img->MaxPoints(), 256});
  return static_cast<uint32_t>(std::min<uint64_t>(want, most));
}

}  // namespace quorna
