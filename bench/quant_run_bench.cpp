// The quantitation engine's whole run over a 40-compound, 3,000-scan run
// (every compound integrated on its own, tested, quantitated, the full
// chromatogram and the result sections written) against the data-handling
// engine integrating the same compounds' traces alone. Goal: within 2x.
#include <cstdio>
#include <cstring>
#include <string>

#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "quant/quantitation_run.h"
#include "quant/results_sections.h"
#include "quant/internal_standards.h"
#include "ratio_reporter.h"
#include "win/win_kernel.h"

namespace {

struct Setup {
  std::string data = "C:\\Bench\\quant40.kms", method = "C:\\Bench\\quant40.mth", engine = "C:\\Bench\\engine40.kms";
  msfix::DHTruth truth;
  bool ok = false;
};

Setup& Get() {
  static Setup s = [] {
    Setup x;
    msfix::DHPlan plan;
    plan.run.scans = 3000;
    plan.run.compounds = 40;
    plan.run.endTime = 32.0;
    x.ok = msfix::WriteProcessedDataFile(x.data, x.method, plan, &x.truth) &&
           CopyFileA(x.data.c_str(), x.engine.c_str(), FALSE) && x.truth.compounds.size() == 40;
    return x;
  }();
  return s;
}

void BM_QuantitateRun(benchmark::State& state) {
  Setup& s = Get();
  uint8_t options[QUANT_OPTIONS_SIZE];
  for (auto _ : state) {
    InitQuantOptions(options);
    const float one = 1.0f;
    std::memcpy(options + OPTIONS_SCALE_NUMERATOR, &one, 4);
    std::memcpy(options + OPTIONS_SCALE_DENOMINATOR, &one, 4);
    std::memcpy(options + OPTIONS_SAMPLE_AMOUNT, &one, 4);
    if (!DoTolmarQuantitation(nullptr, s.data.c_str(), s.method.c_str(), options)) state.SkipWithError("run failed");
  }
}
BENCHMARK(BM_QuantitateRun)->Unit(benchmark::kMillisecond)->Iterations(3);

// The engine over the same method and run: every compound's trace read,
// integrated and its results written.
void BM_EngineAlone(benchmark::State& state) {
  Setup& s = Get();
  for (auto _ : state)
    benchmark::DoNotOptimize(RunDataHandling(nullptr, nullptr, s.method.c_str(), s.engine.c_str(), nullptr, "1", 0,
                                             0, 0, 0, "TestDH", "TestDH", "TestDH", "TestDH"));
}
BENCHMARK(BM_EngineAlone)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (!UseBenchRoot("quant-run-bench")) return 1;
  CreateDirectoryA("C:\\TEMP", nullptr);
  if (!Get().ok) {
    std::fprintf(stderr, "quant_run_bench: the 40-compound run and its method could not be written\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // Repetitions come from --benchmark_repetitions (5 for the figures).
  reporter.PrintRatio("BM_QuantitateRun/iterations:3", "BM_EngineAlone/iterations:3", 2.0);
  return 0;
}
