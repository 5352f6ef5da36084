// The data-handling engine integrating the compounds of a method against
// reading the same compound traces alone. Goal: within 2x.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "ratio_reporter.h"

namespace {

struct Setup {
  std::string data = "C:\\Bench\\run3000.kms", method = "C:\\Bench\\run3000.mth";
  msfix::DHTruth truth;
  std::vector<STRUCT_DH_COMPOUND> compounds;
  bool ok = false;
};

Setup& Get() {
  static Setup s = [] {
    Setup x;
    msfix::DHPlan plan;
    plan.run.scans = 3000;
    plan.run.compounds = 30;
    plan.run.segments = {{1.0, 1, ""}, {2.0, 1, ""}};
    x.ok = msfix::WriteProcessedDataFile(x.data, x.method, plan, &x.truth);
    if (HDHTABLE t = OpenCompoundTable(x.method.c_str(), x.truth.moduleId, x.truth.moduleAddress, "1")) {
      for (int32_t i = 0; i < CountDHRecords(t); ++i) {
        STRUCT_DH_COMPOUND c;
        if (GetDHRecord(t, i, &c)) x.compounds.push_back(c);
      }
      FreeDHRecordSet(t);
    }
    x.ok = x.ok && x.compounds.size() == 30;
    return x;
  }();
  return s;
}

// The engine: every compound's trace read, integrated and the results written.
void BM_IntegrateCompounds(benchmark::State& state) {
  Setup& s = Get();
  for (auto _ : state)
    benchmark::DoNotOptimize(RunDataHandling(nullptr, nullptr, s.method.c_str(), s.data.c_str(), nullptr, "1", 0,
                                             0, 0, 0, "TestDH", "TestDH", "TestDH", "TestDH"));
}
BENCHMARK(BM_IntegrateCompounds)->Unit(benchmark::kMillisecond);

// The same traces (each compound's ion over the span the engine reads) only read.
void BM_ReadCompoundTraces(benchmark::State& state) {
  Setup& s = Get();
  for (auto _ : state) {
    HMSDATA h = OpenMSData(s.data.c_str(), "MSData", 0);
    for (const STRUCT_DH_COMPOUND& c : s.compounds) {
      const double rt = c.retentionTime / 1000.0;
      const int32_t half = c.windowHalfWidth, second = c.secondWindowHalfWidth;
      const double reach = std::max(half, second) / 1000.0 + 0.1;
      MS_TRACE_REQUEST req{};
      req.kind = MS_TRACE_BY_TIMES;
      req.times.from = rt - reach;
      req.times.to = rt + reach;
      STRUCT_MASS_LIST ml;
      STRUCT_CHAN_LIST cl;
      std::memcpy(&ml, &c.massList, sizeof ml);
      std::memcpy(&cl, &c.chanList, sizeof cl);
      void* block = nullptr;
      benchmark::DoNotOptimize(ReadMSTrace(h, &req, &cl, &ml, &block));
      if (block) FreeMSTrace(block);
    }
    CloseMSData(h);
  }
}
BENCHMARK(BM_ReadCompoundTraces)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!UseBenchRoot("dh-engine-bench")) return 1;
  if (!Get().ok) {
    std::fprintf(stderr, "dh_engine_bench: the 3,000-scan run and its method could not be written\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_IntegrateCompounds", "BM_ReadCompoundTraces", 2.0);
  return 0;
}
