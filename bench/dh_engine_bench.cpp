// The data-handling engine integrating the compounds of a method against
// the input and output any such run does: reading the method's tables and
// the same compound traces, and storing result sections of the same bytes
// one by one, as the engine does. Goal: within 2x. Reading the traces alone
// became so cheap that against it the ratio weighed the method reads and
// the result commits, not the integration.
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
  // The sections one run of the engine writes, by name, with their bytes.
  std::vector<std::pair<std::string, std::string>> results;
  bool ok = false;
};

const char* const kResultBases[] = {"EngineResults", "PeakEvents", "Baselines", "Peaks", "ErrorLog"};

bool ReadResults(Setup& x) {
  for (const char* base : kResultBases) {
    char name[64];
    if (!BuildDHSectionName(name, base, x.truth.moduleId, x.truth.moduleAddress, "1")) return false;
    HSECTION s = OpenSection(x.data.c_str(), name, nullptr);
    if (!s) return false;
    std::string bytes(GetSectionSize(s), '\0');
    const bool read = bytes.empty() || ReadSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
    CloseSection(s);
    if (!read) return false;
    x.results.emplace_back(name, std::move(bytes));
  }
  return true;
}

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
    x.ok = x.ok && x.compounds.size() == 30 &&
           RunDataHandling(nullptr, nullptr, x.method.c_str(), x.data.c_str(), nullptr, "1", 0, 0, 0, 0, "TestDH",
                           "TestDH", "TestDH", "TestDH") == 1 &&
           ReadResults(x);
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

// The method's three tables and the same traces read, the results stored.
void BM_MethodTracesAndResults(benchmark::State& state) {
  Setup& s = Get();
  const uint16_t id = s.truth.moduleId, address = s.truth.moduleAddress;
  for (auto _ : state) {
    size_t items = 0;
    if (HDHTABLE g = OpenGlobalTable(s.method.c_str(), id, address, "1")) {
      STRUCT_DH_GLOBAL_PARAMS global;
      items += ReadGlobalTable(g, &global) ? 1 : 0;
      CloseSection(g);
    }
    if (HDHTABLE c = OpenCompoundTable(s.method.c_str(), id, address, "1")) {
      const int32_t n = CountDHRecords(c);
      for (int32_t i = 0; i < n; ++i) {
        STRUCT_DH_COMPOUND r;
        items += GetDHRecord(c, i, &r) ? 1 : 0;
      }
      FreeDHRecordSet(c);
    }
    if (HSECTION e = OpenDHSection(s.method.c_str(), id, address, "1")) {
      const int16_t n = CountDHItems(e);
      for (int16_t i = 0; i < n; ++i) {
        DH_TIME_EVENT item;
        items += ReadDHItem(e, i, &item, 1) ? 1 : 0;
      }
      CloseSection(e);
    }
    benchmark::DoNotOptimize(items);
    HMSDATA h = OpenMSData(s.data.c_str(), "MSData", 0);
    for (const STRUCT_DH_COMPOUND& c : s.compounds) {
      const double rt = c.retentionTime / 1000.0;
      const double reach = std::max(c.windowHalfWidth, c.secondWindowHalfWidth) / 1000.0 + 0.1;
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
    for (const auto& [name, bytes] : s.results) {
      HSECTION w = CreateSection(s.data.c_str(), name.c_str(), nullptr);
      if (!w || (!bytes.empty() && WriteSection(w, bytes.data(), uint32_t(bytes.size())) != bytes.size()) ||
          !CloseSection(w)) {
        state.SkipWithError("a result section was not stored");
        return;
      }
    }
  }
}
BENCHMARK(BM_MethodTracesAndResults)->Unit(benchmark::kMillisecond);

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
  reporter.PrintRatio("BM_IntegrateCompounds", "BM_MethodTracesAndResults", 2.0);
  return 0;
}
