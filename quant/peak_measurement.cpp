// The measurements of one compound's peak.
#include "quant/peak_measurement.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "common/mass_lists.h"
#include "common/work_file.h"
#include "quant/compound_fields.h"
#include "quant/peak_flags.h"
#include "quorna/quorna.h"
#include "spectra/pp_noise.h"
#include "spectra/rms_noise.h"
#include "spectra/spectrum_kinds.h"

namespace {

// Point-table flag bits that stop extending a peak's end over merged points.
constexpr uint32_t kPointMerged = 1u << 27;
constexpr uint32_t kPointStops = (1u << 2) | (1u << 23) | (1u << 24);

template <class T>
std::vector<T> ReadTable(HDHTABLE table) {
  std::vector<T> out;
  if (!table) return out;
  const int32_t n = CountDHRecords(table);
  for (int32_t i = 0; i < n; ++i) {
    T r;
    if (!GetDHRecord(table, i, &r)) break;
    out.push_back(r);
  }
  FreeDHRecordSet(table);
  return out;
}

double PointTime(const DH_POINT& p) { return p.rawTime / DH_RAW_PER_MINUTE; }

enum class Measured { None, Points, Group };

// Measures the peak at a retention time into the step: its boundary points
// from the engine's point and boundary tables, and its integration limits
// from the points about the nearest one. Inside a group-peaks window (kind
// 3) that search is not made: the engine made one peak of the group, and
// its boundary is both the peak's and the integration's limits.
Measured MeasureAt(double time, const char* workingFile, uint16_t id, uint16_t address, const char* tag,
                   const STRUCT_DH_COMPOUND* compound, STRUCT_RESULT_STEP* step) {
  DH_TIME_EVENT window;
  const BOOL inWindow = compound ? MORVEX_IsForceOrGroupCmpd(compound, time, &window)
                                 : IsForceOrGroupInTable(workingFile, id, address, tag, time, &window);
  const bool grouped = inWindow && window.type == 3;
  const std::vector<DH_POINT> points = ReadTable<DH_POINT>(OpenDHPointTable(workingFile, id, address, tag));
  if (points.empty()) return Measured::None;
  const uint32_t raw = DHMinutesToRaw(time);
  size_t nearest = 0;
  uint32_t best = UINT32_MAX;
  for (size_t i = 0; i < points.size(); ++i) {
    const uint32_t d = points[i].rawTime > raw ? points[i].rawTime - raw : raw - points[i].rawTime;
    if (d < best) best = d, nearest = i;
  }
  const std::vector<DH_BOUNDARY> bounds = ReadTable<DH_BOUNDARY>(OpenDHBoundaryTable(workingFile, id, address, tag));
  const DH_BOUNDARY* taken = nullptr;
  uint32_t span = UINT32_MAX;
  for (const DH_BOUNDARY& b : bounds) {
    if (b.startPoint >= points.size() || b.endPoint >= points.size()) continue;
    const uint32_t s = points[b.startPoint].rawTime, e = points[b.endPoint].rawTime;
    if (s <= points[nearest].rawTime && e >= points[nearest].rawTime && e - s < span) span = e - s, taken = &b;
  }
  if (!taken) return Measured::None;
  float scale = 0;
  if (!GetDHIntensityScale(workingFile, id, address, tag, &scale) || !(scale > 0)) return Measured::None;

  size_t before = nearest > 0 ? nearest - 1 : nearest;
  size_t after = nearest + 1 < points.size() ? nearest + 1 : nearest;
  int16_t merged = 0;
  if (grouped) {
    before = taken->startPoint, after = taken->endPoint;
  } else if (!(points[after].flags & DH_POINT_END)) {
    while (after + 1 < points.size() && (points[after + 1].flags & kPointMerged)) {
      const DH_POINT& next = points[after + 1];
      if ((next.flags & kPointStops) || (next.flags2 & DH_POINT2_BASELINE)) break;
      ++after;
      ++merged;
    }
  }
  const DH_POINT& s = points[taken->startPoint];
  const DH_POINT& e = points[taken->endPoint];
  step->peakStartTime = float(PointTime(s));
  step->peakStartIntensity = s.value * scale;
  step->peakEndTime = float(PointTime(e));
  step->peakEndIntensity = e.value * scale;
  step->startTime = float(PointTime(points[before]));
  step->startIntensity = points[before].value * scale;
  step->endTime = float(PointTime(points[after]));
  step->endIntensity = points[after].value * scale;
  step->mergedPoints = merged;
  return grouped ? Measured::Group : Measured::Points;
}

struct Chromatogram {
  std::vector<double> t, v;
};

bool ReadIon(const char* dataFile, const STRUCT_MASS_LIST& masses, const STRUCT_CHAN_LIST& channels, double from,
             double to, Chromatogram* out) {
  HMSDATA ms = OpenMSData(dataFile, "MSData", 0);
  if (!ms) return false;
  MS_TRACE_REQUEST request{};
  request.kind = MS_TRACE_BY_TIMES;
  request.times.from = from;
  request.times.to = to;
  void* block = nullptr;
  const uint32_t n = ReadMSTrace(ms, &request, &channels, &masses, &block);
  CloseMSData(ms);
  if (!block) return false;
  for (uint32_t i = 0; i < n; ++i) {
    double t, v;
    MSTracePointAt(block, i, &t, &v);
    // Scans of one time (functions of one cycle) count once, summed.
    if (!out->t.empty() && t <= out->t.back()) {
      if (t == out->t.back()) out->v.back() += v;
      continue;
    }
    out->t.push_back(t);
    out->v.push_back(v);
  }
  FreeMSTrace(block);
  return true;
}

double Interpolate(const Chromatogram& c, double time) {
  const auto it = std::lower_bound(c.t.begin(), c.t.end(), time);
  if (it == c.t.begin()) return c.v.front();
  if (it == c.t.end()) return c.v.back();
  const size_t k = size_t(it - c.t.begin());
  const double t0 = c.t[k - 1], t1 = c.t[k];
  if (t1 <= t0) return c.v[k];
  return c.v[k - 1] + (c.v[k] - c.v[k - 1]) * (time - t0) / (t1 - t0);
}

int FirstAtOrAfter(const Chromatogram& c, double time) {
  for (size_t i = 0; i < c.t.size(); ++i)
    if (c.t[i] >= time - 1e-5) return int(i);
  return -1;
}
int LastAtOrBefore(const Chromatogram& c, double time) {
  for (size_t i = c.t.size(); i-- > 0;)
    if (c.t[i] <= time + 1e-5) return int(i);
  return -1;
}

}  // namespace

int16_t MORVEX_IsValidChannels(const STRUCT_CHAN_LIST* list, const char* dataFile, double time) {
  if (!list || list->kind != 1) return CHANNELS_ALL;
  const int count = std::min<int>(list->count, CHAN_LIST_MAX_ENTRIES);
  if (count <= 0) return CHANNELS_ALL;
  int low = INT32_MAX, high = -1;
  for (int i = 0; i < count; ++i) {
    low = std::min<int>({low, list->entries[i].low, list->entries[i].high});
    high = std::max<int>({high, list->entries[i].low, list->entries[i].high});
  }
  HMSDATA ms = dataFile ? OpenMSData(dataFile, "MSData", 0) : nullptr;
  if (!ms) return CHANNELS_NONE;
  auto info = std::make_unique<MS_INFO_BLOCK>();
  const int segments = ReadMSInfoFromHandle(ms, info.get()) == 0 ? info->segmentCount : 0;
  bool all = false, some = false, first = true;
  auto segment = std::make_unique<MS_SEGMENT_BLOCK>();
  for (int k = 1; k <= segments; ++k) {
    if (ReadMSSegmentBlock(ms, k, segment.get(), 0) != 0) continue;
    const bool considered =
        time < 0 || segments == 1 || (segment->startTime <= time && time <= segment->endTime);
    if (!considered) continue;
    const int n = segment->functionCount;
    if (n == 0) continue;
    if (high < n) {
      if (first) all = true, first = false;
      else if (!all) some = true;
    } else if (low < n) {
      some = true, all = false;
    } else if (!first && all) {
      some = true, all = false;
    }
    if (time >= 0) break;
  }
  CloseMSData(ms);
  return all ? CHANNELS_ALL : some ? CHANNELS_SOME : CHANNELS_NONE;
}

BOOL MORVEX_GetCmpdIntegrationResults(HDHTABLE results, const char* workingFile, STRUCT_DH_RESULT* peak,
                                      STRUCT_RESULT_STEP* step, uint16_t id, uint16_t address, const char* tag,
                                      const STRUCT_DH_COMPOUND* compound, const STRUCT_DH_GLOBAL_PARAMS*,
                                      STRUCT_QUALIFIER_RECORD*, int16_t mode) {
  if (!results || !workingFile || !step || !tag) return FALSE;
  const int16_t n = CountDHResults(results);
  if (n <= 0) {
    step->resultFlags |= PF_NOT_FOUND;
    return FALSE;
  }
  char name[sizeof step->name + 1] = {};
  if (compound) std::memcpy(name, compound->name, std::min(sizeof compound->name, sizeof step->name));
  else std::memcpy(name, step->name, sizeof step->name);
  bool named = false, measured = false;
  for (int16_t i = 0; i < n; ++i) {
    STRUCT_DH_RESULT r;
    if (!GetDHResult(results, i, &r)) continue;
    if (strncmp(r.name, name, sizeof r.name) != 0 || r.status != 0 || !name[0]) continue;
    named = true;
    if (peak) *peak = r;
    if (mode == 2) continue;
    if (MeasureAt(r.retentionTime, workingFile, id, address, tag, compound, step) == Measured::None) {
      measured = false;
      continue;
    }
    measured = true;
    step->retentionTime = r.retentionTime;
    step->area = r.area;
    step->height = r.height;
  }
  if (!named) step->resultFlags |= PF_NOT_FOUND;
  return measured ? TRUE : FALSE;
}

BOOL GetFilteredRefSpect(void* refSpectrum1370, uint32_t limit, uint8_t* out1370) {
  if (!refSpectrum1370 || !out1370) return TRUE;
  STRUCT_REF_EX_SPT s;
  static_assert(sizeof s == 1370);
  std::memcpy(&s, refSpectrum1370, sizeof s);
  if (s.pairCount > SPT_REF_MAX_PAIRS) {
    s.pairCount = SPT_REF_MAX_PAIRS;
    std::memcpy(static_cast<uint8_t*>(refSpectrum1370) + offsetof(STRUCT_REF_EX_SPT, pairCount), &s.pairCount,
                sizeof s.pairCount);
  }
  const int16_t n = std::max<int16_t>(s.pairCount, 0);
  uint32_t largest = 0;
  for (int i = 0; i < n; ++i) largest = std::max(largest, uint32_t(s.pairs[i].intensity));
  const uint32_t floor = std::min(largest, limit);
  STRUCT_REF_EX_SPT copy = s;
  int16_t kept = 0;
  for (int i = 0; i < n; ++i)
    if (s.pairs[i].intensity >= floor) copy.pairs[kept++] = s.pairs[i];
  copy.pairCount = kept;
  std::memcpy(out1370, &copy, sizeof copy);
  return TRUE;
}

double IntegrateIonOverStep(const char* dataFile, const STRUCT_MASS_LIST& masses, const CMPD_WINDOW_LIMITS& limits,
                            const STRUCT_RESULT_STEP& step, STRUCT_QUALIFIER_ION* slot) {
  Chromatogram c;
  if (!ReadIon(dataFile, masses, step.chanList, limits.low, limits.high, &c) || c.t.size() < 3) return 0;
  const double a = step.startTime, b = step.endTime, bs = step.peakStartTime, be = step.peakEndTime;
  if (!(b > a)) return 0;
  const int ia = FirstAtOrAfter(c, a), ib = LastAtOrBefore(c, b);
  if (ia < 0 || ib < 0 || ib < ia) return 0;
  int ibs = FirstAtOrAfter(c, std::min(bs, a)), ibe = LastAtOrBefore(c, std::max(be, b));
  if (ibs < 0) ibs = ia;
  if (ibe < 0) ibe = ib;
  // The apex: within the middle half of the limits, and at least two points
  // either side of the point at the retention time.
  const int quarter = (ib - ia) / 4;
  int irt = FirstAtOrAfter(c, step.retentionTime);
  if (irt < 0) irt = ib;
  const int lo = std::max(ia, std::min(ia + quarter, irt - 2));
  const int hi = std::min(ib, std::max(ib - quarter, irt + 2));
  int apex = lo;
  for (int i = lo; i <= hi; ++i)
    if (c.v[size_t(i)] > c.v[size_t(apex)]) apex = i;
  // Baseline points: the least intense on each side, the values at the
  // integration limits included.
  double lt = a, lv = Interpolate(c, a);
  for (int i = ibs; i <= apex; ++i)
    if (c.v[size_t(i)] < lv) lt = c.t[size_t(i)], lv = c.v[size_t(i)];
  double rt = b, rv = Interpolate(c, b);
  for (int i = ibe; i >= apex; --i)
    if (c.v[size_t(i)] < rv) rt = c.t[size_t(i)], rv = c.v[size_t(i)];
  auto baseline = [&](double t) { return rt > lt ? lv + (rv - lv) * (t - lt) / (rt - lt) : lv; };
  // Trapezoids from a to b through the points between, less the baseline.
  std::vector<std::pair<double, double>> pts;
  pts.push_back({a, Interpolate(c, a)});
  for (int i = ia; i <= ib; ++i)
    if (c.t[size_t(i)] > a && c.t[size_t(i)] < b) pts.push_back({c.t[size_t(i)], c.v[size_t(i)]});
  pts.push_back({b, Interpolate(c, b)});
  double area = 0;
  for (size_t k = 1; k < pts.size(); ++k)
    area += (pts[k].first - pts[k - 1].first) * (pts[k].second + pts[k - 1].second) / 2;
  area -= (b - a) * (baseline(a) + baseline(b)) / 2;
  area *= 60.0;
  if (!(area > 0)) area = 0;
  double time = step.retentionTime;
  if (area > 0) {
    time = c.t[size_t(apex)];
    if (apex > 0 && size_t(apex) + 1 < c.t.size()) {
      const double x0 = c.t[size_t(apex - 1)], x1 = c.t[size_t(apex)], x2 = c.t[size_t(apex + 1)];
      const double y0 = c.v[size_t(apex - 1)], y1 = c.v[size_t(apex)], y2 = c.v[size_t(apex + 1)];
      const double d = (x0 - x1) * (x0 - x2) * (x1 - x2);
      const double pa = (x2 * (y1 - y0) + x1 * (y0 - y2) + x0 * (y2 - y1)) / d;
      const double pb = (x2 * x2 * (y0 - y1) + x1 * x1 * (y2 - y0) + x0 * x0 * (y1 - y2)) / d;
      if (std::isfinite(pa) && pa != 0) {
        const double v = -pb / (2 * pa);
        if (std::isfinite(v) && v >= x0 && v <= x2) time = v;
      }
    }
  }
  if (slot) {
    slot->apexTime = float(time);
    slot->area = float(area);
    const float vals[8] = {float(lt), float(lv), float(rt), float(rv), float(a), float(Interpolate(c, a)), float(b),
                           float(Interpolate(c, b))};
    std::memcpy(slot->baseline, vals, sizeof vals);
  }
  return area;
}

double MORVEX_IntegrateQualifierQuanIonPts(const char* dataFile, const STRUCT_DH_COMPOUND* compound,
                                           const CMPD_WINDOW_LIMITS* limits, const STRUCT_RESULT_STEP* step,
                                           STRUCT_QUALIFIER_ION* slot) {
  if (!dataFile || !compound || !limits || !step) return 0;
  STRUCT_MASS_LIST masses;
  std::memcpy(&masses, &compound->massList, sizeof masses);
  return IntegrateIonOverStep(dataFile, masses, *limits, *step, slot);
}

bool QualifierRatioTest(STRUCT_RESULT_STEP* step, int i, double qualifierArea, DH_QUALIFIER* entry,
                        bool relativeTolerance, bool earlierPassed, bool renew) {
  if (!step || !entry || i < 0 || i >= 5) return false;
  // Percent of the target response; a relative tolerance is tenths of a
  // percent of the expected ratio.
  auto toleranceFor = [&](double r) {
    const double t = entry->tolerance / 10.0;
    return relativeTolerance ? r * t / 100.0 : t;
  };
  const double r = entry->expectedRatio / 10.0;
  const double t = toleranceFor(r);
  const double lower = std::max(r - t, 0.1), upper = std::min(r + t, 500.0);
  step->qualifierLower[i] = int32_t(lower * 10 + 0.5);
  step->qualifierUpper[i] = int32_t(upper * 10 + 0.5);
  const double ratio = qualifierArea > 0 && step->area > 0 ? qualifierArea / step->area : 0.0;
  step->qualifierRatios[i] = float(ratio);
  // A ratio on a limit passes; the stored float must not fall off it.
  const double slack = 1e-6 * std::max(1.0, upper / 100.0);
  const bool pass = earlierPassed && ratio > 0 && ratio >= lower / 100.0 - slack && ratio <= upper / 100.0 + slack;
  if (pass && renew && std::isfinite(ratio)) {
    // The entry renewed around the ratio measured: the limits follow it.
    const double renewed = std::min(ratio * 1000.0, 2e9);
    entry->expectedRatio = int32_t(std::lround(renewed));
    const double nr = entry->expectedRatio / 10.0, nt = toleranceFor(nr);
    entry->lowerLimit = int32_t(std::max<long>(std::lround((nr - nt) * 10.0), 1L));
    entry->upperLimit = int32_t(std::min<long>(std::lround((nr + nt) * 10.0), 5000L));
  }
  return pass;
}

double MeasureSignalToNoise(STRUCT_WORK_FILE* workFile, const STRUCT_DH_COMPOUND& compound, STRUCT_RESULT_STEP* step,
                            bool peakToPeak) {
  if (!step) return -1;
  // Baseline under the apex: the line between the peak's start and end points.
  double base = step->peakStartIntensity;
  if (step->peakEndTime != step->peakStartTime)
    base += (step->peakEndIntensity - step->peakStartIntensity) * (step->retentionTime - step->peakStartTime) /
            (step->peakEndTime - step->peakStartTime);
  step->baselineAtApex = float(base);
  if (!workFile) return -1;
  STRUCT_MASS_LIST masses;
  STRUCT_CHAN_LIST channels;
  std::memcpy(&masses, &compound.massList, sizeof masses);
  std::memcpy(&channels, &compound.chanList, sizeof channels);
  const uint16_t dataType = uint16_t(KELT_GetDataTypeFromMassType(masses.kind));
  double noise = 0;
  const BOOL ok = peakToPeak ? KELT_CalPPNoiseForMSFile(workFile, step->retentionTime, dataType, &masses, &channels, 0,
                                                       0, 0, nullptr, &noise)
                             : KELT_CalRMSNoiseForMSFile(workFile, step->retentionTime, dataType, &masses, &channels,
                                                         0, 0, &noise);
  if (!ok || !std::isfinite(noise)) return -1;
  noise = std::max(noise, 1.0);
  const double sn = step->height / noise;
  step->signalToNoise = float(sn);
  return sn;
}
