// One spectrum searched in a 10,000-entry MSP library against one pass
// over the library's spectra in memory. Goal: within 3x.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fandor/library_search.h"
#include "fixtures/msfixtures.h"
#include "fixtures/msp_library.h"
#include "orvik32/orvik32.h"
#include "ratio_reporter.h"

namespace {

struct Setup {
  HSPECLIB library = nullptr;
  std::vector<msfix::MspEntryTruth> entries;
  std::vector<uint8_t> unknown;  // exchange buffer
};

Setup& Get() {
  static Setup s = [] {
    Setup x;
    msfix::RunPlan plan;
    plan.compounds = 20;
    msfix::RunTruth truth;
    msfix::MakeRun(plan, &truth, nullptr);
    msfix::MspLibraryPlan lp;
    lp.entries = 10000;
    if (!msfix::WriteMspLibrary("C:\\Bench\\library.msp", lp, truth.compounds, &x.entries)) return x;
    x.library = OpenSpectrumLibrary("C:\\Bench\\library.msp");
    // The unknown: a compound's spectrum at its own masses.
    const auto& spectrum = truth.compounds[7].spectrum;
    x.unknown.assign(4 + 13 * spectrum.size(), 0);
    const uint32_t n = uint32_t(spectrum.size());
    std::memcpy(x.unknown.data(), &n, 4);
    for (size_t i = 0; i < spectrum.size(); ++i) {
      const uint32_t v = uint32_t(spectrum[i].second * 1e6);
      std::memcpy(&x.unknown[4 + 13 * i + 1], &spectrum[i].first, 8);
      std::memcpy(&x.unknown[4 + 13 * i + 9], &v, 4);
    }
    return x;
  }();
  return s;
}

void BM_SearchOneSpectrum(benchmark::State& state) {
  Setup& s = Get();
  for (auto _ : state) {
    void* hits = nullptr;
    benchmark::DoNotOptimize(SearchSpectrumLibrary(s.library, s.unknown.data(), 10, 0, &hits));
    FreeBlock(hits);
  }
}
BENCHMARK(BM_SearchOneSpectrum)->Unit(benchmark::kMicrosecond);

// Every peak of every library spectrum touched once.
void BM_OnePassOverSpectra(benchmark::State& state) {
  Setup& s = Get();
  for (auto _ : state) {
    double sum = 0;
    for (const auto& e : s.entries)
      for (const auto& [m, a] : e.peaks) sum += double(m) * a;
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_OnePassOverSpectra)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!UseBenchRoot("library-search-bench")) return 1;
  if (!Get().library || CountLibrarySpectra(Get().library) != 10000) {
    std::fprintf(stderr, "library_search_bench: the 10,000-entry library could not be written or opened\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_SearchOneSpectrum", "BM_OnePassOverSpectra", 3.0);
  CloseSpectrumLibrary(Get().library);
  return 0;
}
