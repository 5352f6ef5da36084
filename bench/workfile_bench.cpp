// Opening a data file as a work file and reading its trace, against the MS
// data library's own trace read of the same file (goal: within 1.5x).
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"
#include "standard_run.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace {

const char* const kPath = "C:\\Bench\\run3000.kms";

struct Run {
  STRUCT_MASS_LIST threeIons{};
  bool ok = false;
};

Run& TheRun() {
  static Run r = [] {
    Run r;
    const msfix::RunPlan plan = StandardRunPlan(false);
    msfix::RunTruth truth;
    r.ok = msfix::WriteMsDataFile(kPath, plan, &truth);
    r.threeIons.kind = MASS_LIST_RANGES;
    r.threeIons.count = 3;
    for (int k = 0; k < 3; ++k) {
      const double m = r.ok ? truth.compounds[static_cast<size_t>(k)].baseMass : 100.0 + k;
      r.threeIons.ranges[k].low = r.threeIons.ranges[k].high = m;
    }
    r.threeIons.window = 0.5;
    return r;
  }();
  return r;
}

uint32_t QuornaTrace(const STRUCT_MASS_LIST& masses) {
  HMSDATA h = OpenMSData(kPath, "MSData", 0);
  STRUCT_CHAN_LIST merged{};
  MS_TRACE_REQUEST r{};
  r.kind = MS_TRACE_BY_TIMES;
  r.times.from = -1.0;
  r.times.to = 1e6;
  void* block = nullptr;
  const uint32_t n = ReadMSTrace(h, &r, &merged, &masses, &block);
  FreeMSTrace(block);
  CloseMSData(h);
  return n;
}

uint32_t WorkFileTrace(int16_t dataType, const STRUCT_MASS_LIST* masses) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kPath, 0);
  if (!wf) return 0;
  STRUCT_NE_DATA_POINTS* dp = MakeDataPointsStruct(wf, wf->startTime, wf->endTime, 40000, dataType, 0, nullptr, masses);
  const uint32_t n = dp ? dp->pointCount : 0;
  FreeDataPointsStruct(dp);
  FreeWorkFileStruct(wf);
  return n;
}

void BM_TotalIon_QuornaAlone(benchmark::State& st) {
  const STRUCT_MASS_LIST ric{};
  for (auto _ : st) benchmark::DoNotOptimize(QuornaTrace(ric));
}
BENCHMARK(BM_TotalIon_QuornaAlone)->Unit(benchmark::kMillisecond);

void BM_TotalIon_WorkFile(benchmark::State& st) {
  const STRUCT_MASS_LIST ric{};
  if (WorkFileTrace(DATA_TYPE_TIC, nullptr) != QuornaTrace(ric)) st.SkipWithError("point counts differ");
  for (auto _ : st) benchmark::DoNotOptimize(WorkFileTrace(DATA_TYPE_TIC, nullptr));
}
BENCHMARK(BM_TotalIon_WorkFile)->Unit(benchmark::kMillisecond);

void BM_ThreeIons_QuornaAlone(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(QuornaTrace(TheRun().threeIons));
}
BENCHMARK(BM_ThreeIons_QuornaAlone)->Unit(benchmark::kMillisecond);

void BM_ThreeIons_WorkFile(benchmark::State& st) {
  if (WorkFileTrace(DATA_TYPE_MASS_LIST, &TheRun().threeIons) != QuornaTrace(TheRun().threeIons))
    st.SkipWithError("point counts differ");
  for (auto _ : st) benchmark::DoNotOptimize(WorkFileTrace(DATA_TYPE_MASS_LIST, &TheRun().threeIons));
}
BENCHMARK(BM_ThreeIons_WorkFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(&argc, argv, "workfile-bench", [] { return TheRun().ok; },
                       "workfile_bench: the 3,000-scan run could not be written",
                       {{"BM_TotalIon_WorkFile", "BM_TotalIon_QuornaAlone", 1.5},
                        {"BM_ThreeIons_WorkFile", "BM_ThreeIons_QuornaAlone", 1.5}});
}
