// Reloading an overlay for a new time window: zooming inside a kept trace
// reads nothing (goal: at most a quarter of reading the window), panning
// reads only the missing piece (goal: at most half of reading anew, both
// against a work file that has read every byte before and against one
// that has read only what the overlay before the pan read).
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <cstdio>

#include "common/data_points.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"

namespace {

const char* const kPath = "C:\\Bench\\run3000.kms";

bool WriteRun() {
  msfix::RunPlan plan;
  plan.scans = 3000;
  plan.peaksPerScan = 200;
  plan.compounds = 30;
  plan.segments = {{1.0, 1, ""}};
  return msfix::WriteMsDataFile(kPath, plan, nullptr);
}

SVW_OVERLAY* NewOverlay(double start, double end) {
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  if (o) OPLOT_AddPlotToOverlayStructure(o, 0, kPath, DATA_TYPE_TIC, nullptr, nullptr, "Counts", "TIC", start, end);
  return o;
}

void FreeOverlay(SVW_OVERLAY* o) {
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}

// What a reload without a kept trace reads: the window and half a minute
// either side, from a work file that stays open as an overlay's does.
void ReadWindow(STRUCT_WORK_FILE* wf, double start, double end) {
  STRUCT_NE_DATA_POINTS* dp = MakeDataPointsStruct(wf, start - 0.5, end + 0.5, 40000, DATA_TYPE_TIC, 0, nullptr, nullptr);
  const uint32_t points = dp ? dp->pointCount : 0;
  benchmark::DoNotOptimize(points);
  FreeDataPointsStruct(dp);
}

void BM_Zoom_ReadAnew(benchmark::State& st) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kPath, 0);
  for (auto _ : st) ReadWindow(wf, 5.0, 6.0);
  FreeWorkFileStruct(wf);
}
BENCHMARK(BM_Zoom_ReadAnew)->Unit(benchmark::kMillisecond);

void BM_Zoom_KeptTrace(benchmark::State& st) {
  SVW_OVERLAY* o = NewOverlay(0, 0);
  bool wide = false;
  for (auto _ : st) {
    OPLOT_NewUpdateOverlayPlots(o, wide ? 4.0 : 5.0, wide ? 8.0 : 6.0);
    wide = !wide;
  }
  FreeOverlay(o);
}
BENCHMARK(BM_Zoom_KeptTrace)->Unit(benchmark::kMillisecond);

void BM_Pan_ReadAnew(benchmark::State& st) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kPath, 0);
  for (auto _ : st) ReadWindow(wf, 3.5, 9.5);
  FreeWorkFileStruct(wf);
}
BENCHMARK(BM_Pan_ReadAnew)->Unit(benchmark::kMillisecond);

// The same new read from the state a pan starts in: a work file just
// opened that has read the window before the pan (as the overlay of
// BM_Pan_Extend has), so that both pay for the file's bytes not yet read.
void BM_Pan_ReadAnewFromShown(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kPath, 0);
    ReadWindow(wf, 2.5, 8.5);
    st.ResumeTiming();
    ReadWindow(wf, 3.5, 9.5);
    st.PauseTiming();
    FreeWorkFileStruct(wf);
    st.ResumeTiming();
  }
}
BENCHMARK(BM_Pan_ReadAnewFromShown)->Unit(benchmark::kMillisecond);

void BM_Pan_Extend(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    SVW_OVERLAY* o = NewOverlay(2.5, 8.5);
    st.ResumeTiming();
    OPLOT_NewUpdateOverlayPlots(o, 3.5, 9.5);
    st.PauseTiming();
    FreeOverlay(o);
    st.ResumeTiming();
  }
}
BENCHMARK(BM_Pan_Extend)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!UseBenchRoot("overlay-bench")) return 1;
  if (!WriteRun()) {
    std::fprintf(stderr, "overlay_bench: the 3,000-scan run could not be written\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_Zoom_KeptTrace", "BM_Zoom_ReadAnew", 0.25);
  reporter.PrintRatio("BM_Pan_Extend", "BM_Pan_ReadAnew", 0.5);
  reporter.PrintRatio("BM_Pan_Extend", "BM_Pan_ReadAnewFromShown", 0.5);
  return 0;
}
