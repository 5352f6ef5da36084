// The quantitation engine's noise calls for one time in a 3,000-scan run,
// against the work any measure of that noise must do: reading the trace it
// measures and working out its measure from the points, done plainly
// (goal: within 1.5x): the quietest window on each side for the RMS noise,
// the two rankings of five-point stretches for the peak-to-peak noise. Reading a trace of a run kept
// open is now a walk through memory, so the read alone no longer stands for
// that work: against it, the ratio weighed the windows, not the engine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/data_points.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "ratio_reporter.h"
#include "standard_run.h"
#include "spectra/pp_noise.h"
#include "spectra/rms_noise.h"

namespace {

const char* const kPath = "C:\\Bench\\noise3000.kms";

struct Run {
  STRUCT_WORK_FILE* wf = nullptr;
  STRUCT_MASS_LIST ion{};
  double time = 0;
  uint32_t scan = 0;
  bool ok = false;
};

// Two segments (one and two scan functions); the time is a compound of the
// first, scanned at 5 scans a second: 250 scans each side are measured.
Run& TheRun() {
  static Run r = [] {
    Run r;
    const msfix::RunPlan plan = StandardRunPlan(false);
    msfix::RunTruth truth;
    if (!msfix::WriteMsDataFile(kPath, plan, &truth)) return r;
    r.wf = MakeWorkFileStruct(kPath, 0);
    if (!r.wf) return r;
    for (const auto& c : truth.compounds) {
      if (c.segment == 1 && c.retentionTime > 3.0 && c.retentionTime < 6.0) {
        r.time = c.retentionTime;
        r.ion.kind = MASS_LIST_RANGES;
        r.ion.count = 1;
        r.ion.ranges[0].low = r.ion.ranges[0].high = c.baseMass;
        r.ion.window = 0.5;
        break;
      }
    }
    double t = 0;
    r.ok = r.time > 0 && KELT_GetScanFromATime(r.wf, r.time, &r.scan, &t, LOOKUP_NEAREST);
    return r;
  }();
  return r;
}

uint32_t TraceAlone() {
  Run& r = TheRun();
  STRUCT_NE_DATA_POINTS* dp =
      KELT_ReadTraceFromMSData(r.wf, r.scan - 250, r.scan + 250, DATA_TYPE_MASS_LIST, nullptr, &r.ion);
  const uint32_t n = dp ? dp->pointCount : 0;
  FreeDataPointsStruct(dp);
  return n;
}

void BM_Trace_Alone(benchmark::State& st) {
  if (TraceAlone() != 501) st.SkipWithError("unexpected trace length");
  for (auto _ : st) benchmark::DoNotOptimize(TraceAlone());
}
BENCHMARK(BM_Trace_Alone)->Unit(benchmark::kMicrosecond);

// The trace's values, as the engine reads them.
std::vector<double> Values(const STRUCT_NE_DATA_POINTS* dp) {
  std::vector<double> v;
  if (!dp || !dp->points) return v;
  const auto* head = dp->points;
  const auto* pts =
      reinterpret_cast<const STRUCT_NE_POINT*>(reinterpret_cast<const uint8_t*>(head) + NE_POINT_BLOCK_HEAD);
  v.reserve(dp->pointCount);
  for (uint32_t k = 0; k < dp->pointCount; ++k)
    v.push_back(head->isDouble ? pts[k].value.d : static_cast<double>(pts[k].value.i));
  return v;
}

// The quietest window of n points on each side of the middle point, by
// RMS about the window's mean or by peak-to-peak: the mean of the two.
double PlainQuietest(const std::vector<double>& v, size_t n, bool peakToPeak) {
  const size_t middle = v.size() / 2;
  auto measure = [&](size_t s) {
    if (peakToPeak) {
      const auto [lo, hi] = std::minmax_element(v.begin() + long(s), v.begin() + long(s + n));
      return *hi - *lo;
    }
    double sum = 0;
    for (size_t k = s; k < s + n; ++k) sum += v[k];
    const double mean = sum / double(n);
    double sq = 0;
    for (size_t k = s; k < s + n; ++k) sq += (v[k] - mean) * (v[k] - mean);
    return std::sqrt(sq / double(n));
  };
  double left = INFINITY, right = INFINITY;
  for (size_t s = 0; s + n <= middle; ++s) left = std::min(left, measure(s));
  for (size_t s = middle + 1; s + n <= v.size(); ++s) right = std::min(right, measure(s));
  return (left + right) / 2;
}

// The peak-to-peak noise is a rank measure, not the quietest window: of the
// five-point stretches of the trace, the half with the lowest middles, and
// of those the one whose range ranks at the half again. Any form of it must
// rank the stretches twice; the quietest window ranks nothing, so against it
// the ratio weighed the measure's own ranking as the engine's overhead.
// Done plainly: every stretch's range and middle, then two partial sorts.
double PlainRankedStretch(const std::vector<double>& v) {
  struct Stretch {
    double range, middle;
  };
  std::vector<Stretch> s;
  s.reserve(v.size());
  for (size_t k = 0; k + 5 <= v.size(); ++k) {
    const auto [lo, hi] = std::minmax_element(v.begin() + long(k), v.begin() + long(k + 5));
    s.push_back({*hi - *lo, (*hi + *lo) / 2});
  }
  const size_t h = s.size() / 2, place = h / 2 >= 1 ? h / 2 - 1 : 0;
  std::nth_element(s.begin(), s.begin() + long(h), s.end(),
                   [](const Stretch& a, const Stretch& b) { return a.middle < b.middle; });
  std::nth_element(s.begin(), s.begin() + long(place), s.begin() + long(h),
                   [](const Stretch& a, const Stretch& b) { return a.range < b.range; });
  return s[place].range;
}

void PlainNoise(benchmark::State& st, bool peakToPeak) {
  Run& r = TheRun();
  auto once = [&] {
    STRUCT_NE_DATA_POINTS* dp =
        KELT_ReadTraceFromMSData(r.wf, r.scan - 250, r.scan + 250, DATA_TYPE_MASS_LIST, nullptr, &r.ion);
    const std::vector<double> v = Values(dp);
    FreeDataPointsStruct(dp);
    if (v.size() != 501) return -1.0;
    return peakToPeak ? PlainRankedStretch(v) : PlainQuietest(v, 10, false);
  };
  if (once() < 0) st.SkipWithError("unexpected trace length");
  for (auto _ : st) benchmark::DoNotOptimize(once());
}

// The RMS noise's window is the library's noise window (10 points by
// default); the peak-to-peak noise ranks five-point stretches.
void BM_Trace_PlainRMSWindows(benchmark::State& st) { PlainNoise(st, false); }
BENCHMARK(BM_Trace_PlainRMSWindows)->Unit(benchmark::kMicrosecond);

void BM_Trace_PlainPPWindows(benchmark::State& st) { PlainNoise(st, true); }
BENCHMARK(BM_Trace_PlainPPWindows)->Unit(benchmark::kMicrosecond);

// The engine's newer MS-file noise forms share one signature.
using NoiseForMSFile = decltype(&KELT_NewCalRMSNoiseForMSFile);

void MeasureNoise(benchmark::State& st, NoiseForMSFile measure) {
  Run& r = TheRun();
  double noise = 0;
  auto once = [&] {
    return measure(r.wf, nullptr, r.time, DATA_TYPE_MASS_LIST, &r.ion, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, 0,
                   &noise);
  };
  if (!once()) st.SkipWithError("no noise");
  for (auto _ : st) {
    once();
    benchmark::DoNotOptimize(noise);
  }
}

void BM_RMSNoise_Engine(benchmark::State& st) { MeasureNoise(st, KELT_NewCalRMSNoiseForMSFile); }
BENCHMARK(BM_RMSNoise_Engine)->Unit(benchmark::kMicrosecond);

void BM_PPNoise_Engine(benchmark::State& st) { MeasureNoise(st, KELT_NewCalPPNoiseForMSFile); }
BENCHMARK(BM_PPNoise_Engine)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  const int rc = RunWithRatios(
      &argc, argv, "noise-bench", [] { return TheRun().ok; }, "noise_bench: the 3,000-scan run could not be written",
      {{"BM_RMSNoise_Engine", "BM_Trace_PlainRMSWindows", 1.5},
       {"BM_PPNoise_Engine", "BM_Trace_PlainPPWindows", 1.5}});
  if (rc == 0) FreeWorkFileStruct(TheRun().wf);
  return rc;
}
