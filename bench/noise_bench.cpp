// The quantitation engine's noise calls for one time in a 3,000-scan run,
// against reading the trace they measure alone (goal: within 1.5x).
#include <benchmark/benchmark.h>

#include <cstdio>

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
      {{"BM_RMSNoise_Engine", "BM_Trace_Alone", 1.5}, {"BM_PPNoise_Engine", "BM_Trace_Alone", 1.5}});
  if (rc == 0) FreeWorkFileStruct(TheRun().wf);
  return rc;
}
