// RMS and peak-to-peak noise of chromatogram traces.
#include "spectra/rms_noise.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "spectra/segment_checks.h"

namespace kelt::noise {

Points PickPoints(const STRUCT_NE_DATA_POINTS* t, bool filtered) {
  Points p;
  if (!t) return p;
  if (filtered && t->filtered && t->filteredCount) {
    p.block = t->filtered;
    p.count = t->filteredCount;
  } else if (t->points) {
    p.block = t->points;
    p.count = t->pointCount;
  }
  return p;
}

bool EveryScan(const STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_ARRAY* array) {
  return wf && wf->segmentBlocks && chanList && chanList->kind == CHAN_LIST_IGNORED && !array;
}

namespace {

uint32_t StepOf(const MS_SEGMENT_BLOCK& b, bool everyScan) { return everyScan ? 1u : seg::ScanStep(b); }
uint32_t GridLast(const MS_SEGMENT_BLOCK& b, uint32_t step) {
  return b.firstScan + (b.lastScan - b.firstScan) / step * step;
}

}  // namespace

bool FindScanGrid(STRUCT_WORK_FILE* wf, double time, const STRUCT_CHAN_LIST* chanList,
                  const STRUCT_SCAN_FUN_ARRAY* array, bool bySegmentTime, ScanGrid* g, bool* unusable,
                  const uint32_t* knownScan) {
  if (unusable) *unusable = false;
  const int count = seg::Count(wf);
  if (!seg::IsSegmented(wf) || count == 0) return false;
  *g = ScanGrid{};
  g->everyScan = EveryScan(wf, chanList, array);
  if (bySegmentTime) {
    for (int s = 0; s < count && g->segment < 0; ++s)
      if (wf->segmentBlocks[s].startTime <= time && time <= wf->segmentBlocks[s].endTime) g->segment = s;
    if (g->segment < 0) return false;
  }
  uint32_t scan = 0;
  double scanTime = 0;
  if (knownScan)
    scan = *knownScan;
  else if (!KELT_GetScanFromATime(wf, time, &scan, &scanTime, LOOKUP_NEAREST))
    return false;
  g->timeScan = scan;
  if (!bySegmentTime) {
    for (int s = 0; s < count && g->segment < 0; ++s)
      if (wf->segmentBlocks[s].firstScan <= scan && scan <= wf->segmentBlocks[s].lastScan) g->segment = s;
    if (g->segment < 0) return false;
  }
  const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[g->segment];
  if (!seg::IsUsable(b)) {
    if (unusable) *unusable = true;
    return false;
  }
  g->step = StepOf(b, g->everyScan);
  g->first = b.firstScan;
  // The nearest scan may lie just outside a segment found by time.
  const uint32_t segFirst = b.firstScan, segLast = b.lastScan;
  scan = std::clamp(scan, segFirst, segLast);
  g->scan = b.firstScan + (scan - b.firstScan) / g->step * g->step;
  g->last = GridLast(b, g->step);
  const double scans = static_cast<double>((b.lastScan + 1 - b.firstScan) / g->step);
  const double seconds = (b.endTime - b.startTime) * 60.0;
  g->rate = seconds > 0 ? scans / seconds : 0;
  return true;
}

int32_t RateScaled(int32_t width, double rate) {
  if (!(rate > 1.0)) return width;
  const double w = std::trunc(width * rate + 0.5);
  return w > 1e6 ? 1000000 : static_cast<int32_t>(w);
}

ScanWalk WalkScans(const STRUCT_WORK_FILE* wf, const ScanGrid& g, int32_t steps, bool leftMayCross,
                   const STRUCT_SCAN_FUN_ARRAY* array, const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                   const STRUCT_CHAN_LIST* chanList) {
  const int count = seg::Count(wf);
  auto accepts = [&](int s) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    if (!seg::IsUsable(b)) return false;
    if (array) return SCAN_FUN_AreSomeScanFunsInSegment(wf, static_cast<uint16_t>(s), array, info, infoCount) != 0;
    return KELT_CheckChanListInSegment(chanList, &b) != 0;
  };
  ScanWalk w;
  uint64_t cur = g.scan;
  int cs = g.segment;
  for (int32_t n = 0; n < steps; ++n) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[cs];
    const uint32_t st = StepOf(b, g.everyScan);
    if (cur + st <= GridLast(b, st)) {
      cur += st;
    } else if (cs + 1 < count && accepts(cs + 1)) {
      cur = wf->segmentBlocks[++cs].firstScan;
    } else {
      break;
    }
  }
  w.right = static_cast<uint32_t>(cur);
  w.rightSegment = cs;
  cur = g.scan;
  cs = g.segment;
  for (int32_t n = 0; n < steps; ++n) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[cs];
    const uint32_t st = StepOf(b, g.everyScan);
    if (cur >= uint64_t{b.firstScan} + st) {
      cur -= st;
    } else if (leftMayCross && cs > 0 && accepts(cs - 1)) {
      --cs;
      cur = GridLast(wf->segmentBlocks[cs], StepOf(wf->segmentBlocks[cs], g.everyScan));
    } else {
      break;
    }
  }
  w.left = static_cast<uint32_t>(cur);
  w.leftSegment = cs;
  return w;
}

bool CrossesSegments(const STRUCT_WORK_FILE* wf, const ScanGrid& g, int32_t steps) {
  const bool roomLeft = (g.scan - g.first) / g.step >= static_cast<uint32_t>(steps);
  const bool roomRight = (g.last - g.scan) / g.step >= static_cast<uint32_t>(steps);
  return (!roomLeft && g.segment > 0) || (!roomRight && g.segment + 1 < seg::Count(wf));
}

bool DisplayedServes(const STRUCT_NE_DATA_POINTS* d, double t1, double t2, double time, int32_t width) {
  if (!d || !d->points || d->pointCount == 0) return false;
  if (d->startTime <= t1 && t2 <= d->endTime) return true;
  int64_t left = 0, right = 0;
  for (uint32_t i = 0; i < d->pointCount; ++i) {
    const double t = NePointAt(d->points, i)->time;
    if (t > t2) break;
    if (std::fabs(t - time) < 1e-8) continue;
    if (t1 <= t && t < time)
      ++left;
    else if (time < t)
      ++right;
  }
  return left >= width && right >= width;
}

void PrefsCopy(uint16_t filter, const void* filterParameters, STRUCT_CHRO_PREFS* prefs, uint16_t* effectiveFilter) {
  *prefs = kelt::prefs::DefaultChroPrefs();
  *effectiveFilter = 0;
  if (filter && filterParameters) {
    std::memcpy(&prefs->plotData, filterParameters, sizeof prefs->plotData);
    *effectiveFilter = 1;
  }
}


bool Segmented(const STRUCT_WORK_FILE* wf) { return kelt::seg::IsSegmented(wf) && kelt::seg::Count(wf) > 0; }

uint32_t FilePointCount(const STRUCT_WORK_FILE* wf) { return IsMSKind(wf) ? wf->scanCount : wf->pointCount; }

bool TimeOfScan(STRUCT_WORK_FILE* wf, uint64_t scan, double* t) {
  return scan <= 0xFFFFFFFFu && KELT_GetTimeOfScan(wf, static_cast<uint32_t>(scan), t);
}

}  // namespace kelt::noise

namespace {

using namespace kelt::noise;  // the trace and grid helpers both noise forms share

double WindowRMS(const Points& p, uint32_t s, uint32_t n) {
  double sum = 0;
  for (uint32_t k = s; k < s + n; ++k) sum += p.Value(k);
  const double mean = sum / n;
  double squares = 0;
  for (uint32_t k = s; k < s + n; ++k) squares += (p.Value(k) - mean) * (p.Value(k) - mean);
  return std::sqrt(squares / n);
}

// Residual RMS about the fitted line of n points from s.
bool WindowFitRMS(const STRUCT_NE_DATA_POINTS* trace, bool filtered, uint32_t s, uint32_t n, double* rms, double* slope,
                  double* intercept) {
  if (!KELT_FindFitLine(trace, filtered ? 1 : 0, s, n, slope, intercept)) return false;
  const Points p = PickPoints(trace, filtered);
  double squares = 0;
  for (uint32_t k = s; k < s + n; ++k) {
    const double r = p.Value(k) - *slope * p.Time(k) - *intercept;
    squares += r * r;
  }
  *rms = std::sqrt(squares / n);
  return true;
}

// The first point at or after the time against its predecessor; a tie
// takes the earlier (or, with tieLater, the later) point.
uint32_t NearestPoint(const Points& p, double time, bool tieLater) {
  for (uint32_t j = 0; j < p.count; ++j) {
    if (p.Time(j) < time) continue;
    if (j == 0) return 0;
    const double after = p.Time(j) - time, before = time - p.Time(j - 1);
    return (tieLater ? after <= before : after < before) ? j : j - 1;
  }
  return p.count - 1;
}

struct Window {
  bool found = false;
  uint32_t start = 0;
  double rms = 0, slope = 0, intercept = 0;
};

// The window of smallest RMS among n-point windows starting in [first, last];
// the first of equal ones wins.
bool BestWindow(const STRUCT_NE_DATA_POINTS* trace, const Points& p, bool fit, bool filtered, int64_t first,
                int64_t last, uint32_t n, Window* best) {
  for (int64_t s = first; s <= last; ++s) {
    Window w;
    w.start = static_cast<uint32_t>(s);
    if (fit) {
      if (!WindowFitRMS(trace, filtered, w.start, n, &w.rms, &w.slope, &w.intercept)) return false;
    } else {
      w.rms = WindowRMS(p, w.start, n);
    }
    if (!best->found || w.rms < best->rms) {
      *best = w;
      best->found = true;
    }
  }
  return true;
}

struct Box {
  double firstTime, lastTime, minimum, maximum, middleTime, middleValue;
};
Box BoxOf(const Points& p, uint32_t s, uint32_t n) {
  Box b{};
  b.firstTime = p.Time(s);
  b.lastTime = p.Time(s + n - 1);
  b.minimum = b.maximum = p.Value(s);
  for (uint32_t k = s + 1; k < s + n; ++k) {
    const double v = p.Value(k);
    if (v < b.minimum)
      b.minimum = v;
    else if (v > b.maximum)
      b.maximum = v;
  }
  b.middleTime = (b.lastTime - b.firstTime) / 2 + b.firstTime;
  b.middleValue = (b.maximum - b.minimum) / 2 + b.minimum;
  return b;
}

void PutLeft(STRUCT_RMS_NOISE* r, const Window& w, const Box& b) {
  r->leftNoise = w.rms;
  r->leftWindow = static_cast<int32_t>(w.start);
  r->leftSlope = w.slope;
  r->leftIntercept = w.intercept;
  r->leftBoxFound = 1;
  r->leftBoxFirstTime = b.firstTime;
  r->leftBoxLastTime = b.lastTime;
  r->leftBoxMinimum = b.minimum;
  r->leftBoxMaximum = b.maximum;
  r->leftBoxMiddleTime = b.middleTime;
  r->leftBoxMiddleValue = b.middleValue;
}
void PutRight(STRUCT_RMS_NOISE* r, const Window& w, const Box& b) {
  r->rightNoise = w.rms;
  r->rightWindow = static_cast<int32_t>(w.start);
  r->rightSlope = w.slope;
  r->rightIntercept = w.intercept;
  r->rightBoxFound = 1;
  r->rightBoxFirstTime = b.firstTime;
  r->rightBoxLastTime = b.lastTime;
  r->rightBoxMinimum = b.minimum;
  r->rightBoxMaximum = b.maximum;
  r->rightBoxMiddleTime = b.middleTime;
  r->rightBoxMiddleValue = b.middleValue;
}

void ZeroResult(STRUCT_RMS_NOISE* r) {
  std::memset(r, 0, sizeof *r);
  r->leftWindow = r->rightWindow = -1;
}

// Integer data of a segmented file: a quieter window than one count is noise 1.
double Floored(double rms, bool segmented, const Points& p) {
  return segmented && p.Integer() && rms < 1.0 ? 1.0 : rms;
}

struct Around {
  double time;
  int32_t halfWidth;  // W: points searched on each side in mode 0
  int32_t window;     // N: points per window
  int16_t rangeMode;
  bool fit;
  bool filtered;  // the caller's filter flag, for the fitted windows
  bool segmented;
};

// The smallest-RMS windows on both sides of the point nearest to the time,
// their boxes and the baseline under the peak.
bool MeasureAround(const STRUCT_NE_DATA_POINTS* trace, const Around& a, STRUCT_RMS_NOISE* r) {
  const Points p = PickPoints(trace, true);
  if (!p || a.window < 1) return false;
  const int64_t count = p.count, n = a.window;
  const int64_t i = NearestPoint(p, a.time, false);
  r->peakTime = p.Time(static_cast<uint32_t>(i));
  r->peakValue = p.Value(static_cast<uint32_t>(i));
  int64_t leftFirst = 0, rightLast = count - n;
  if (a.rangeMode == 0) {
    leftFirst = std::max<int64_t>(0, i - a.halfWidth);
    rightLast = std::min<int64_t>(count, i + 1 + a.halfWidth) - n;
  }
  const int64_t rightFirst = i + 1;
  const int64_t leftLast = std::max(i - n, leftFirst);
  rightLast = std::max(rightLast, rightFirst);
  Window left, right;
  if (i - leftFirst >= n && !BestWindow(trace, p, a.fit, a.filtered, leftFirst, leftLast, a.window, &left))
    return false;
  if (count - rightFirst >= n && !BestWindow(trace, p, a.fit, a.filtered, rightFirst, rightLast, a.window, &right))
    return false;
  if (left.found) left.rms = Floored(left.rms, a.segmented, p);
  if (right.found) right.rms = Floored(right.rms, a.segmented, p);
  if (!left.found && !right.found) return false;
  double noise = left.found && right.found ? (left.rms + right.rms) / 2 : left.found ? left.rms : right.rms;
  if (a.segmented) noise = std::trunc(noise + 0.5);
  r->noiseFound = 1;
  r->noise = noise;
  if (left.found) PutLeft(r, left, BoxOf(p, left.start, a.window));
  if (right.found) PutRight(r, right, BoxOf(p, right.start, a.window));
  if (left.found && right.found) {
    const double dt = r->rightBoxMiddleTime - r->leftBoxMiddleTime;
    // Two boxes at one time give no line: their mean level serves.
    r->baseline = dt != 0 ? r->leftBoxMiddleValue + (r->rightBoxMiddleValue - r->leftBoxMiddleValue) *
                                                        (r->peakTime - r->leftBoxMiddleTime) / dt
                          : (r->leftBoxMiddleValue + r->rightBoxMiddleValue) / 2;
  } else {
    r->baseline = left.found ? r->leftBoxMiddleValue : r->rightBoxMiddleValue;
  }
  r->baselineFound = 1;
  return true;
}

// The older estimate: 5-point windows over the whole trace, the quietest one.
bool MeasureOldWay(const STRUCT_NE_DATA_POINTS* trace, double time, bool fit, bool filtered, bool segmented,
                   STRUCT_RMS_NOISE* r) {
  const Points p = PickPoints(trace, true);
  if (!p) return false;
  uint32_t i = p.count - 1;
  for (uint32_t j = 0; j < p.count; ++j) {
    if (p.Time(j) < time) continue;
    i = j;
    if (j != 0 && j != p.count - 1 && p.Time(j) - time >= time - p.Time(j - 1)) i = j - 1;
    break;
  }
  r->peakTime = p.Time(i);
  r->peakValue = p.Value(i);
  const uint32_t n = std::min<uint32_t>(5, p.count);
  Window best;
  if (!BestWindow(trace, p, fit, filtered, 0, int64_t{p.count} - n, n, &best) || !best.found) return false;
  best.rms = Floored(best.rms, segmented, p);
  PutLeft(r, best, BoxOf(p, best.start, n));
  r->noise = segmented ? std::trunc(best.rms + 0.5) : best.rms;
  r->noiseFound = 1;
  r->baseline = r->leftBoxMiddleValue;
  r->baselineFound = 1;
  return true;
}

// Range of a file without segments: W points each side of the time's point.
bool PointRange(STRUCT_WORK_FILE* wf, double time, int32_t w, double* t1, double* t2) {
  uint32_t p = 0;
  double pt = 0;
  if (!GetPointFromATime(wf, time, &p, &pt, LOOKUP_NEAREST)) return false;
  if (p < static_cast<uint32_t>(w))
    *t1 = wf->startTime;
  else if (!GetTimeOfPoint(wf, p - static_cast<uint32_t>(w), t1))
    return false;
  const uint64_t right = uint64_t{p} + static_cast<uint32_t>(w) + 1;
  if (right >= FilePointCount(wf))
    *t2 = wf->endTime;
  else if (!GetTimeOfPoint(wf, static_cast<uint32_t>(right), t2))
    return false;
  return true;
}

int32_t SearchHalfWidth(int16_t rangeMode, bool segmented) {
  int32_t w = 50;
  if (rangeMode == 0) {
    const int32_t setting = kelt::lib::Settings().searchWindowWidth;
    if (setting >= 50 && setting <= 1000) w = setting / 2;
    if (!segmented) w = std::max(w, 400);
  }
  return w;
}
int32_t NoiseWindow() { return std::clamp(kelt::lib::Settings().noiseWindowWidth, 1, 49); }

// A trace by times, filtered when asked; null when unreadable or too short.
STRUCT_NE_DATA_POINTS* ReadByTimes(STRUCT_WORK_FILE* wf, double t1, double t2, uint16_t dataType,
                                   const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                   uint16_t nonMsOption, uint16_t filter, const STRUCT_CHRO_PREFS* prefs) {
  STRUCT_NE_DATA_POINTS* t = MakeDataPointsStruct(wf, t1, t2, 2000, static_cast<int16_t>(dataType),
                                                  static_cast<int16_t>(nonMsOption), chanList, selection);
  if (t && filter && prefs) FilterDataPointsStruct(t, &prefs->plotData);
  return t;
}

// The older display forms: the range in scans, always read anew.
bool OlderForm(bool oldWay, STRUCT_WORK_FILE* wf, double time, uint16_t dataType, const STRUCT_MASS_LIST* selection,
               const STRUCT_CHAN_LIST* chanList, uint16_t nonMsOption, int16_t fit, int16_t rangeMode, uint16_t filter,
               const STRUCT_CHRO_PREFS* prefs, STRUCT_RMS_NOISE* result) {
  if (!result) return false;
  ZeroResult(result);
  if (!wf) return false;
  const bool segmented = Segmented(wf);
  if (!segmented) rangeMode = 0;
  const int32_t w = SearchHalfWidth(rangeMode, segmented), n = NoiseWindow();
  double t1 = 0, t2 = 0;
  if (segmented && rangeMode == 2) {
    t1 = wf->startTime;
    t2 = wf->endTime;
  } else if (!segmented) {
    if (!PointRange(wf, time, w, &t1, &t2)) return false;
  } else {
    int g = -1;
    for (int s = 0; s < kelt::seg::Count(wf) && g < 0; ++s)
      if (wf->segmentBlocks[s].startTime <= time && time <= wf->segmentBlocks[s].endTime) g = s;
    if (g < 0 || !kelt::seg::IsUsable(wf->segmentBlocks[g])) return false;
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[g];
    if (rangeMode == 1) {
      t1 = b.startTime;
      t2 = b.endTime;
    } else {
      uint32_t s = 0;
      double st = 0;
      if (!KELT_GetScanFromATime(wf, time, &s, &st, LOOKUP_NEAREST)) return false;
      const uint32_t step = kelt::seg::ScanStep(b);
      const int64_t factor = (!chanList || chanList->kind != CHAN_LIST_IGNORED) && step != 1 ? step : 1;
      const int64_t margin = oldWay ? w * factor + 8 : (w + n) * factor;
      const int64_t lo = int64_t{s} - margin, hi = int64_t{s} + margin;
      if (lo < int64_t{b.firstScan})
        t1 = b.startTime;
      else if (!TimeOfScan(wf, static_cast<uint64_t>(lo), &t1))
        return false;
      if (hi > int64_t{b.lastScan})
        t2 = b.endTime;
      else if (!TimeOfScan(wf, static_cast<uint64_t>(hi), &t2))
        return false;
    }
  }
  TraceHolder read;
  read.trace = ReadByTimes(wf, t1, t2, dataType, selection, chanList, nonMsOption, filter, prefs);
  if (!read.trace || read.trace->pointCount < 3) return false;
  if (oldWay) return MeasureOldWay(read.trace, time, fit != 0, filter != 0, segmented, result);
  return MeasureAround(read.trace, {time, w, n, rangeMode, fit != 0, filter != 0, segmented}, result);
}

}  // namespace

// ---- Range forms ------------------------------------------------------------------

namespace {

// Points with from <= time, up to the first one after to.
bool CountRange(const Points& p, double from, double to, uint32_t* first, uint32_t* n) {
  *n = 0;
  for (uint32_t i = 0; i < p.count; ++i) {
    const double t = p.Time(i);
    if (t > to) break;
    if (t < from) continue;
    if (*n == 0) *first = i;
    ++*n;
  }
  return *n >= 2;
}

// The range forms: the points in [from, to] of the picked block measured by
// `measure`, with their count (also on failure) and first and last times.
template <typename Measure>
bool MeasureRange(const STRUCT_NE_DATA_POINTS* trace, bool filtered, double from, double to, double* value,
                  uint32_t* pointCount, double* firstTime, double* lastTime, Measure measure) {
  const Points p = PickPoints(trace, filtered);
  if (!p || !value || !pointCount || !firstTime || !lastTime) return false;
  uint32_t first = 0, n = 0;
  const bool enough = CountRange(p, from, to, &first, &n);
  *pointCount = n;
  if (!enough) return false;
  double measured = 0;
  if (!measure(p, first, n, &measured)) return false;
  *value = measured;
  *firstTime = p.Time(first);
  *lastTime = p.Time(first + n - 1);
  return true;
}

}  // namespace

KELT_API BOOL KELT_FindFitLine(const STRUCT_NE_DATA_POINTS* trace, int16_t filtered, uint32_t first, uint32_t count,
                               double* slope, double* intercept) {
  return Guarded([&] {
    const Points p = PickPoints(trace, filtered != 0);
    if (!p || !slope || !intercept || count == 0 || uint64_t{first} + count > p.count) return false;
    if (uint64_t{count} * 8 > 0xFFFFFFFFu) return false;
    auto* x = static_cast<double*>(AllocBlock(count * 8));
    auto* y = static_cast<double*>(AllocBlock(count * 8));
    if (!x || !y) {
      if (x) FreeBlock(x);
      if (y) FreeBlock(y);
      return false;
    }
    double ybar = 0;
    for (uint32_t k = 0; k < count; ++k) {
      x[k] = p.Time(first + k);
      y[k] = p.Value(first + k);
      ybar += y[k];
    }
    ybar /= count;
    double sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (uint32_t k = 0; k < count; ++k) {
      const double yc = y[k] - ybar;
      sx += x[k];
      sxx += x[k] * x[k];
      sy += yc;
      sxy += x[k] * yc;
    }
    FreeBlock(x);
    FreeBlock(y);
    const double n = count, d = n * sxx - sx * sx;
    // One point, or points at one time, give no line.
    if (!(d != 0) || !std::isfinite(d)) return false;
    const double b = (n * sxy - sx * sy) / d, a = (sy * sxx - sx * sxy) / d + ybar;
    if (!std::isfinite(a) || !std::isfinite(b)) return false;
    *slope = b;
    *intercept = a;
    return true;
  });
}

KELT_API BOOL KELT_CalRMSNoise(uint32_t, double fromTime, double toTime, const STRUCT_NE_DATA_POINTS* trace,
                               uint16_t filtered, int16_t fit, double* rms, uint32_t* pointCount, double* firstTime,
                               double* lastTime) {
  return Guarded([&] {
    return MeasureRange(trace, filtered != 0, fromTime, toTime, rms, pointCount, firstTime, lastTime,
                        [&](const Points& p, uint32_t first, uint32_t n, double* value) {
                          if (!fit) {
                            *value = WindowRMS(p, first, n);
                            return true;
                          }
                          double slope, intercept;
                          return WindowFitRMS(trace, filtered != 0, first, n, value, &slope, &intercept);
                        });
  });
}

KELT_API BOOL KELT_CalPPNoise(uint32_t, double fromTime, double toTime, const STRUCT_NE_DATA_POINTS* trace,
                              uint16_t filtered, int16_t fit, double* pp, uint32_t* pointCount, double* firstTime,
                              double* lastTime) {
  return Guarded([&] {
    return MeasureRange(trace, filtered != 0, fromTime, toTime, pp, pointCount, firstTime, lastTime,
                        [&](const Points& p, uint32_t first, uint32_t n, double* value) {
                          double slope = 0, intercept = 0;
                          if (fit && !KELT_FindFitLine(trace, static_cast<int16_t>(filtered != 0), first, n, &slope,
                                                       &intercept))
                            return false;
                          double lo = 0, hi = 0;
                          for (uint32_t k = first; k < first + n; ++k) {
                            const double v = fit ? std::fabs(p.Value(k) - slope * p.Time(k) - intercept) : p.Value(k);
                            if (k == first) lo = hi = v;
                            lo = std::min(lo, v);
                            hi = std::max(hi, v);
                          }
                          *value = hi - lo;
                          return true;
                        });
  });
}

// ---- Around a time --------------------------------------------------------------------

KELT_API BOOL KELT_CalRMSNoiseForDisplay(STRUCT_WORK_FILE* wf, double time, uint16_t dataType,
                                         const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                         uint16_t nonMsOption, int16_t fit, int16_t rangeMode, uint16_t filter,
                                         const STRUCT_CHRO_PREFS* prefs, STRUCT_RMS_NOISE* result) {
  return Guarded([&] {
    return OlderForm(false, wf, time, dataType, selection, chanList, nonMsOption, fit, rangeMode, filter, prefs,
                     result);
  });
}

KELT_API BOOL KELT_OldWay_CalRMSNoiseForDisplay(STRUCT_WORK_FILE* wf, double time, uint16_t dataType,
                                                const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                                uint16_t nonMsOption, int16_t fit, int16_t rangeMode, uint16_t filter,
                                                const STRUCT_CHRO_PREFS* prefs, STRUCT_RMS_NOISE* result) {
  return Guarded([&] {
    return OlderForm(true, wf, time, dataType, selection, chanList, nonMsOption, fit, rangeMode, filter, prefs, result);
  });
}

bool kelt::noise::NewRMSForDisplay(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, double time,
                                   uint16_t dataType, const STRUCT_MASS_LIST* selection,
                                   const STRUCT_CHAN_LIST* chanList, uint16_t nonMsOption,
                                   const STRUCT_SCAN_FUN_ARRAY* array, int16_t fit, int16_t rangeMode, uint16_t filter,
                                   const STRUCT_CHRO_PREFS* prefs, const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                                   const uint32_t* timeScan, STRUCT_RMS_NOISE* result) {
  {
    if (!result) return false;
    ZeroResult(result);
    if (!wf || (array && !info)) return false;
    const bool segmented = Segmented(wf);
    if (!segmented) rangeMode = 0;
    int32_t w = SearchHalfWidth(rangeMode, segmented);
    double t1 = 0, t2 = 0;
    if (segmented && rangeMode == 2) {
      t1 = wf->startTime;
      t2 = wf->endTime;
    } else if (!segmented) {
      if (!PointRange(wf, time, w, &t1, &t2)) return false;
    } else {
      ScanGrid g;
      if (!kelt::noise::FindScanGrid(wf, time, chanList, array, true, &g, nullptr, timeScan)) return false;
      const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[g.segment];
      if (rangeMode == 1) {
        t1 = b.startTime;
        t2 = b.endTime;
      } else {
        w = kelt::noise::RateScaled(w, g.rate);
        const kelt::noise::ScanWalk walk = kelt::noise::WalkScans(wf, g, w, false, array, info, infoCount, chanList);
        const bool toSegmentEnd = walk.rightSegment == g.segment && walk.right == g.last;
        if (!displayed && !array) {
          // Nothing to compare times with: the scans from end to end are the
          // trace the two times would give, read without looking them up.
          TraceHolder read;
          read.trace = KELT_ReadTraceFromMSData(wf, walk.left, toSegmentEnd ? b.lastScan : walk.right,
                                                static_cast<int16_t>(dataType), chanList, selection);
          if (read.trace && filter && prefs) FilterDataPointsStruct(read.trace, &prefs->plotData);
          if (!read.trace || read.trace->pointCount < 3) return false;
          return MeasureAround(read.trace, {time, w, NoiseWindow(), rangeMode, fit != 0, filter != 0, segmented},
                               result);
        }
        if (walk.left == g.first)
          t1 = b.startTime;
        else if (!TimeOfScan(wf, walk.left, &t1))
          return false;
        if (toSegmentEnd)
          t2 = b.endTime;
        else if (!TimeOfScan(wf, walk.right, &t2))
          return false;
      }
    }
    TraceHolder read;
    const STRUCT_NE_DATA_POINTS* trace = displayed;
    if (!kelt::noise::DisplayedServes(displayed, t1, t2, time, w)) {
      // A scan-function trace can only be read through its scan functions.
      if (array) {
        read.trace = SCAN_FUN_FastReadTimeRange(
            t1, t2, info, static_cast<int16_t>(std::min<uint16_t>(infoCount, 0x7FFF)), wf, array, selection,
            prefs ? static_cast<int16_t>(filter != 0) : 0, prefs ? &prefs->plotData : nullptr);
      } else {
        read.trace = ReadByTimes(wf, t1, t2, dataType, selection, chanList, nonMsOption, filter, prefs);
      }
      if (!read.trace || read.trace->pointCount < 3) return false;
      trace = read.trace;
    }
    return MeasureAround(trace, {time, w, NoiseWindow(), rangeMode, fit != 0, filter != 0, segmented}, result);
  }
}

KELT_API BOOL KELT_NewCalRMSNoiseForDisplay(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, double time,
                                            uint16_t dataType, const STRUCT_MASS_LIST* selection,
                                            const STRUCT_CHAN_LIST* chanList, uint16_t nonMsOption,
                                            const STRUCT_SCAN_FUN_ARRAY* array, int16_t fit, int16_t rangeMode,
                                            uint16_t filter, const STRUCT_CHRO_PREFS* prefs,
                                            const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                                            STRUCT_RMS_NOISE* result) {
  return Guarded([&] {
    return kelt::noise::NewRMSForDisplay(wf, displayed, time, dataType, selection, chanList, nonMsOption, array, fit,
                                         rangeMode, filter, prefs, info, infoCount, nullptr, result);
  });
}

// ---- MS data files ----------------------------------------------------------------

KELT_API BOOL KELT_Ex_CalRMSNoiseForMSFile(STRUCT_WORK_FILE* wf, double time, uint16_t dataType,
                                           const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                           int16_t fit, int16_t rangeMode, uint16_t filter,
                                           const void* filterParameters, double* noise) {
  return Guarded([&] {
    if (!noise || !Segmented(wf)) return false;
    STRUCT_CHRO_PREFS prefs;
    uint16_t useFilter = 0;
    kelt::noise::PrefsCopy(filter, filterParameters, &prefs, &useFilter);
    STRUCT_RMS_NOISE r;
    if (rangeMode != 2) {
      if (!KELT_CalRMSNoiseForDisplay(wf, time, dataType, selection, chanList, 0, fit, rangeMode, useFilter, &prefs,
                                      &r))
        return false;
      *noise = r.noise;
      return true;
    }
    const int32_t n = NoiseWindow();
    double sum = 0;
    int measured = 0;
    for (int s = 0; s < kelt::seg::Count(wf); ++s) {
      const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
      if (!kelt::seg::IsUsable(b) || !kelt::seg::ChanListUsableOn(chanList, b)) continue;
      uint32_t scans = b.lastScan - b.firstScan + 1;
      if (!chanList || chanList->kind != CHAN_LIST_IGNORED) scans /= kelt::seg::ScanStep(b);
      const double at = scans > uint32_t(5 * n + 1) ? (b.endTime - b.startTime) / 2 + b.startTime : b.startTime;
      if (!KELT_CalRMSNoiseForDisplay(wf, at, dataType, selection, chanList, 0, fit, 1, useFilter, &prefs, &r))
        return false;
      sum += r.noise;
      ++measured;
    }
    *noise = measured ? sum / measured : 0;
    return true;
  });
}

KELT_API BOOL KELT_CalRMSNoiseForMSFile(STRUCT_WORK_FILE* wf, double time, uint16_t dataType,
                                        const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                        int16_t fit, int16_t rangeMode, double* noise) {
  return KELT_Ex_CalRMSNoiseForMSFile(wf, time, dataType, selection, chanList, fit, rangeMode, 0, nullptr, noise);
}

namespace kelt::noise {

bool NewMSFileNoise(STRUCT_WORK_FILE* wf, double time, const STRUCT_CHAN_LIST* chanList,
                    const STRUCT_SCAN_FUN_ARRAY* array, int16_t rangeMode, uint16_t filter,
                    const void* filterParameters, const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                    const MeasureAt& measure, double* noise) {
  if (!Segmented(wf)) return false;
  ScanGrid g;
  bool unusable = false;
  const bool found = FindScanGrid(wf, time, chanList, array, false, &g, &unusable);
  // A time in an unusable segment is measured by nothing but the segment groups.
  if (!found && !unusable) return false;
  const int32_t w = RateScaled(50, g.rate);
  const bool crossing =
      found && CrossesSegments(wf, g, w) && (array || (chanList && chanList->kind == CHAN_LIST_LISTED));
  struct Made {
    STRUCT_SCAN_FUN_INFO* info = nullptr;
    STRUCT_SCAN_FUN_ARRAY* array = nullptr;
    ~Made() {
      if (info) FreeBlock(info);
      if (array) FreeBlock(array);
    }
  } made;
  const STRUCT_SCAN_FUN_INFO* useInfo = info;
  int16_t useCount = info ? infoCount : 0;
  if (!useInfo && crossing) {
    made.info = PD_GetScanFunInfoForDataFile(wf, &useCount, 0);
    if (!made.info) return false;
    useInfo = made.info;
  }
  if (useCount < 0) useCount = 0;
  const STRUCT_SCAN_FUN_ARRAY* useArray = array;
  if (found && !useArray && useInfo && chanList && chanList->kind == CHAN_LIST_LISTED) {
    made.array = SCAN_FUN_GetScanFunArrayForChanList(wf, static_cast<int16_t>(g.segment), useInfo, useCount, chanList);
    useArray = made.array;
  }
  STRUCT_CHRO_PREFS prefs;
  uint16_t useFilter = 0;
  PrefsCopy(filter, filterParameters, &prefs, &useFilter);
  const uint16_t count16 = static_cast<uint16_t>(useCount);
  if (rangeMode != 2)
    return measure(time, rangeMode, useArray, useInfo, count16, &prefs, useFilter, found ? &g.timeScan : nullptr,
                   noise);

  const int count = seg::Count(wf);
  auto joins = [&](int s) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    if (!seg::IsUsable(b)) return false;
    if (!useArray) return seg::ChanListUsableOn(chanList, b);
    STRUCT_CHAN_LIST scratch;
    return SCAN_FUN_GetChanListForSegment(useArray, static_cast<int16_t>(s), useInfo, useCount, &scratch) != 0;
  };
  double sum = 0;
  int groups = 0;
  for (int s = 0; s < count;) {
    if (!joins(s)) {
      ++s;
      continue;
    }
    int e = s;
    while (e + 1 < count && joins(e + 1)) ++e;
    // The middle of a group may fall in the gap between two of its segments,
    // where no segment holds it: it is measured at the nearer segment edge.
    const double middle = TOL_GetSegmentTime(
        wf, (wf->segmentBlocks[e].endTime - wf->segmentBlocks[s].startTime) / 2 + wf->segmentBlocks[s].startTime);
    double one = 0;
    const bool ok = useArray ? measure(middle, 2, useArray, useInfo, count16, &prefs, useFilter, nullptr, &one)
                             : measure(middle, 0, nullptr, nullptr, 0, &prefs, useFilter, nullptr, &one);
    if (!ok) return false;
    sum += one;
    ++groups;
    s = e + 1;
  }
  *noise = groups ? sum / groups : 0;
  return true;
}

}  // namespace kelt::noise

KELT_API BOOL KELT_NewCalRMSNoiseForMSFile(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, double time,
                                           uint16_t dataType, const STRUCT_MASS_LIST* selection,
                                           const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_ARRAY* array,
                                           int16_t fit, int16_t rangeMode, uint16_t filter,
                                           const void* filterParameters, const STRUCT_SCAN_FUN_INFO* info,
                                           int16_t infoCount, double* noise) {
  if (!noise) return 0;
  *noise = 0;
  return Guarded([&] {
    const uint16_t type = array ? uint16_t{DATA_TYPE_SCAN_FUN_PLOT} : dataType;
    auto measure = [&](double at, int16_t mode, const STRUCT_SCAN_FUN_ARRAY* a, const STRUCT_SCAN_FUN_INFO* i,
                       uint16_t n, const STRUCT_CHRO_PREFS* prefs, uint16_t useFilter, const uint32_t* timeScan,
                       double* out) {
      STRUCT_RMS_NOISE r;
      if (!kelt::noise::NewRMSForDisplay(wf, displayed, at, a ? type : dataType, selection, chanList, 0, a, fit, mode,
                                         useFilter, prefs, i, n, timeScan, &r))
        return false;
      *out = r.noise;
      return true;
    };
    return kelt::noise::NewMSFileNoise(wf, time, chanList, array, rangeMode, filter, filterParameters, info, infoCount,
                                       measure, noise);
  });
}
