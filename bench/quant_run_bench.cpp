// The quantitation engine's whole run over a 3,000-scan run (every compound
// integrated on its own, tested, quantitated, the full chromatogram and the
// result sections written), at 5, 40 and 200 compounds, against:
//  - the data-handling engine integrating the same compounds' traces alone
//    (goal: within 2x at 40 compounds);
//  - the limit: the run opened once, every ion trace the compounds need
//    (quantitation and qualifier ions over each compound's reach) read
//    once and integrated (goal: within 5x);
//  - itself at 40 compounds: 200 compounds should cost at most 1.25 times
//    five times as much (linear in compounds).
// Each run's bytes read (the process's read count, /proc/self/io) are
// reported against the data file's size (goal: at most 2x).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "quant/internal_standards.h"
#include "quant/quantitation_run.h"
#include "quant/results_sections.h"
#include "quorna/quorna.h"
#include "ratio_reporter.h"
#include "win/win_kernel.h"

namespace {

constexpr int kCounts[] = {5, 40, 200};

struct Setup {
  std::string data, method, engine;
  msfix::DHTruth truth;
  std::vector<STRUCT_DH_COMPOUND> compounds;
  uint64_t fileBytes = 0;
  bool ok = false;
};

uint64_t FileBytes(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER size{};
  const bool ok = GetFileSizeEx(h, &size) != FALSE;
  CloseHandle(h);
  return ok && size.QuadPart > 0 ? uint64_t(size.QuadPart) : 0;
}

Setup& Get(int compounds) {
  static std::map<int, Setup> made;
  auto it = made.find(compounds);
  if (it != made.end()) return it->second;
  Setup& x = made[compounds];
  const std::string n = std::to_string(compounds);
  x.data = "C:\\Bench\\quant" + n + ".kms";
  x.method = "C:\\Bench\\quant" + n + ".mth";
  x.engine = "C:\\Bench\\engine" + n + ".kms";
  msfix::DHPlan plan;
  plan.run.scans = 3000;
  plan.run.compounds = compounds;
  plan.run.endTime = 32.0;
  x.ok = msfix::WriteProcessedDataFile(x.data, x.method, plan, &x.truth) &&
         CopyFileA(x.data.c_str(), x.engine.c_str(), FALSE) && x.truth.compounds.size() == size_t(compounds);
  if (HDHTABLE t = OpenCompoundTable(x.method.c_str(), x.truth.moduleId, x.truth.moduleAddress, "1")) {
    for (int32_t i = 0; i < CountDHRecords(t); ++i) {
      STRUCT_DH_COMPOUND c;
      if (GetDHRecord(t, i, &c)) x.compounds.push_back(c);
    }
    FreeDHRecordSet(t);
  }
  x.fileBytes = FileBytes(x.data);
  x.ok = x.ok && x.compounds.size() == size_t(compounds) && x.fileBytes > 0;
  return x;
}

// Bytes this process has read so far (any file, any way), or 0 when the
// system does not say.
uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

// Median bytes read per run over the file's size, by compound count.
std::map<int, std::vector<double>> g_readShare;

void BM_QuantitateRun(benchmark::State& state) {
  Setup& s = Get(int(state.range(0)));
  uint8_t options[QUANT_OPTIONS_SIZE];
  uint64_t bytes = 0;
  for (auto _ : state) {
    InitQuantOptions(options);
    const float one = 1.0f;
    std::memcpy(options + OPTIONS_SCALE_NUMERATOR, &one, 4);
    std::memcpy(options + OPTIONS_SCALE_DENOMINATOR, &one, 4);
    std::memcpy(options + OPTIONS_SAMPLE_AMOUNT, &one, 4);
    const uint64_t before = BytesRead();
    if (!DoTolmarQuantitation(nullptr, s.data.c_str(), s.method.c_str(), options)) state.SkipWithError("run failed");
    bytes += BytesRead() - before;
  }
  const double perRun = double(bytes) / double(std::max<int64_t>(state.iterations(), 1));
  state.counters["read_x_file"] = perRun / double(s.fileBytes);
  g_readShare[int(state.range(0))].push_back(perRun / double(s.fileBytes));
}

// The engine over the same method and run: every compound's trace read,
// integrated and its results written.
void BM_EngineAlone(benchmark::State& state) {
  Setup& s = Get(int(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(RunDataHandling(nullptr, nullptr, s.method.c_str(), s.engine.c_str(), nullptr, "1", 0,
                                             0, 0, 0, "TestDH", "TestDH", "TestDH", "TestDH"));
}

// Area of a trace over [from, to] above the straight line through its two
// ends (counts x seconds).
double AreaAboveEnds(const std::vector<double>& t, const std::vector<double>& v) {
  if (t.size() < 3) return 0;
  double area = 0;
  for (size_t i = 1; i < t.size(); ++i) area += (t[i] - t[i - 1]) * (v[i] + v[i - 1]) / 2;
  area -= (t.back() - t.front()) * (v.front() + v.back()) / 2;
  return std::max(area, 0.0) * 60.0;
}

// The least any quantitation must do: the run opened once, then for each
// compound its quantitation ion and its qualifier ions read once over the
// compound's reach, each integrated.
void BM_Limit(benchmark::State& state) {
  Setup& s = Get(int(state.range(0)));
  std::vector<double> t, v;
  for (auto _ : state) {
    double total = 0;
    HMSDATA h = OpenMSData(s.data.c_str(), "MSData", 0);
    if (!h) {
      state.SkipWithError("no MS data");
      return;
    }
    for (const STRUCT_DH_COMPOUND& c : s.compounds) {
      const double rt = c.retentionTime / 1000.0;
      const double reach = std::max(c.windowHalfWidth, c.secondWindowHalfWidth) / 1000.0;
      MS_TRACE_REQUEST req{};
      req.kind = MS_TRACE_BY_TIMES;
      req.times.from = rt - reach;
      req.times.to = rt + reach;
      STRUCT_CHAN_LIST cl;
      std::memcpy(&cl, &c.chanList, sizeof cl);
      std::vector<const DH_MASS_LIST*> ions = {&c.massList};
      for (const DH_QUALIFIER& q : c.qualifiers)
        if (q.massList.ranges[0].lowMass != 0) ions.push_back(&q.massList);
      for (const DH_MASS_LIST* ion : ions) {
        STRUCT_MASS_LIST ml;
        std::memcpy(&ml, ion, sizeof ml);
        void* block = nullptr;
        const uint32_t n = ReadMSTrace(h, &req, &cl, &ml, &block);
        t.clear(), v.clear();
        for (uint32_t i = 0; block && i < n; ++i) {
          double ti, vi;
          MSTracePointAt(block, i, &ti, &vi);
          t.push_back(ti), v.push_back(vi);
        }
        if (block) FreeMSTrace(block);
        total += AreaAboveEnds(t, v);
      }
    }
    CloseMSData(h);
    benchmark::DoNotOptimize(total);
  }
}

void Counts(benchmark::internal::Benchmark* b) {
  for (int n : kCounts) b->Arg(n);
}
BENCHMARK(BM_QuantitateRun)->Apply(Counts)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EngineAlone)->Apply(Counts)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Limit)->Apply(Counts)->Unit(benchmark::kMillisecond)->Iterations(3);

std::string Name(const char* base, int n) { return std::string(base) + "/" + std::to_string(n) + "/iterations:3"; }

}  // namespace

int main(int argc, char** argv) {
  if (!UseBenchRoot("quant-run-bench")) return 1;
  CreateDirectoryA("C:\\TEMP", nullptr);
  for (int n : kCounts)
    if (!Get(n).ok) {
      std::fprintf(stderr, "quant_run_bench: the %d-compound run and its method could not be written\n", n);
      return 1;
    }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // Repetitions come from --benchmark_repetitions (5 for the figures).
  reporter.PrintRatio(Name("BM_QuantitateRun", 40), Name("BM_EngineAlone", 40), 2.0);
  for (int n : kCounts) reporter.PrintRatio(Name("BM_QuantitateRun", n), Name("BM_Limit", n), 5.0);
  // Linear in compounds: 200 compounds at most 1.25 x 5 times 40.
  reporter.PrintRatio(Name("BM_QuantitateRun", 200), Name("BM_QuantitateRun", 40), 1.25 * 5.0);
  for (int n : kCounts) {
    auto it = g_readShare.find(n);
    if (it == g_readShare.end()) continue;
    const double m = RatioReporter::Median(it->second);
    std::printf("ratio bytes read per run / data file (%3d compounds) = %6.2f (goal <= 2.00)%s\n", n, m,
                RatioReporter::MissMark(m, 2.0));
  }
  return 0;
}
