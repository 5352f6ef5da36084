// Spectrum makers' speed: an averaged, background-corrected spectrum of 50
// scans from a 3,000-scan run against a plain loop averaging the same 50
// scans already in memory (goal: within 3x).
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"
#include "standard_run.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "jessul32/background_subtraction.h"
#include "spectra/tol_spectra.h"

namespace {

const char* const kPath = "C:\\Bench\\run3000.kms";
constexpr uint32_t kFirst = 1200, kCount = 50;

struct Data {
  std::vector<msfix::ScanData> scans;  // the same run in memory
  STRUCT_WORK_FILE* wf = nullptr;
};

Data& Run() {
  static Data d = [] {
    Data d;
    const msfix::RunPlan plan = StandardRunPlan(true);
    msfix::MakeRun(plan, nullptr, &d.scans);
    if (!msfix::WriteMsDataFile(kPath, plan, nullptr)) return d;
    // The file's own background: one scan before and one after the range.
    STRUCT_FILE_BC* bc = NewBackCorr(kPath);
    for (uint32_t s : {kFirst - 300, kFirst + 400})
      if (bc) bc = AddBackCorrRange(bc, s, 0, s + 1, 0.2);
    const bool saved = bc && SaveBackCorr(kPath, bc);
    FreeBackCorr(bc);
    if (saved) d.wf = MakeWorkFileStruct(kPath, 0);
    return d;
  }();
  return d;
}

void BM_BCAvgSpectrum_Kelt(benchmark::State& st) {
  Data& d = Run();
  STRUCT_CHAN_LIST merged{};
  merged.kind = CHAN_LIST_MERGED;
  const uint32_t first = d.wf->msInfo.firstScan + kFirst;
  for (auto _ : st) {
    STRUCT_TOL_SPT* tol = TOL_MakeBCAvgSptFromScanRange(d.wf, &merged, first, first + kCount - 1);
    if (!tol || !tol->bgCorrected) {
      st.SkipWithError("no corrected spectrum");
      TOL_Free(tol);
      break;
    }
    const uint32_t pairs = tol->pairCount;
    benchmark::DoNotOptimize(pairs);
    TOL_Free(tol);
  }
}
BENCHMARK(BM_BCAvgSpectrum_Kelt)->Unit(benchmark::kMicrosecond);

// The same 50 scans in memory: all peaks sorted by mass, equal masses
// summed, divided by the number of scans.
void BM_AverageSpectrum_PlainLoop(benchmark::State& st) {
  Data& d = Run();
  std::vector<std::pair<double, uint32_t>> all;
  std::vector<std::pair<double, uint32_t>> avg;
  for (auto _ : st) {
    all.clear();
    avg.clear();
    for (uint32_t k = 0; k < kCount; ++k) {
      const auto& peaks = d.scans[kFirst + k].peaks;
      all.insert(all.end(), peaks.begin(), peaks.end());
    }
    std::sort(all.begin(), all.end());
    uint64_t sum = 0;
    for (size_t i = 0; i < all.size(); ++i) {
      sum += all[i].second;
      if (i + 1 == all.size() || all[i + 1].first != all[i].first) {
        avg.emplace_back(all[i].first, static_cast<uint32_t>((sum + kCount / 2) / kCount));
        sum = 0;
      }
    }
    benchmark::DoNotOptimize(avg.data());
  }
}
BENCHMARK(BM_AverageSpectrum_PlainLoop)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  const int rc = RunWithRatios(&argc, argv, "spectra-bench", [] { return Run().wf != nullptr; },
                               "spectra_bench: the 3,000-scan run could not be written or opened",
                               {{"BM_BCAvgSpectrum_Kelt", "BM_AverageSpectrum_PlainLoop", 3.0}});
  if (rc == 0) FreeWorkFileStruct(Run().wf);
  return rc;
}
