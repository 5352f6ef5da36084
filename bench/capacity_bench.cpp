// Capacity: a 30,000-scan profile run of 40-400 Da (about 1.4 GB of MS
// data, more than one store row holds) is written, and a single-ion trace
// is read from it on a fresh open against the same trace from the
// 3,000-scan run of the same plan (goal: growth no worse than linear, 10x).
// The peak resident memory of a process that opens a run and reads one ion
// trace (goal: 64 MB), or converts the run to centroids (goal: 128 MB), is
// measured in a child process of its own, whatever the run's size.
// Writing the large run takes a few minutes and several GB of memory, so it
// runs only when KELT_BENCH_CAPACITY is set; the folder goes at the end.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "spectra/profile_to_centroid.h"
#include "win/win_child.h"

namespace {

std::string PathOf(uint32_t scans) { return "C:\\Bench\\profile" + std::to_string(scans) + ".kms"; }

msfix::RunPlan ProfilePlan(uint32_t scans) {
  msfix::RunPlan plan;
  plan.scans = scans;
  plan.compounds = 40;
  plan.profile = true;
  plan.lowMass = 40;
  plan.highMass = 400;
  plan.endTime = plan.startTime + 10.0 * scans / 3000.0;  // the same scan rate
  plan.segments = {{1.0, 1, ""}};
  return plan;
}

uint32_t SectionBytes(const std::string& path) {
  HSECTION s = OpenSectionReadOnly(path.c_str(), "MSData", nullptr);
  const uint32_t n = s ? GetSectionSize(s) : 0;
  if (s) CloseSection(s);
  return n;
}

void BM_IonTrace_OpenRun(benchmark::State& st) {
  const uint32_t scans = static_cast<uint32_t>(st.range(0));
  const std::string path = PathOf(scans);
  STRUCT_CHAN_LIST c;
  STRUCT_MASS_LIST m;
  ParseChanList("All", &c);
  ParseMassList("207", &m);
  for (auto _ : st) {
    HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
    MS_TRACE_REQUEST r{};
    r.kind = MS_TRACE_BY_SCANS;
    r.scans.first = 0;
    r.scans.last = 0xFFFFFFFFu;
    void* block = nullptr;
    const uint32_t n = h ? ReadMSTrace(h, &r, &c, &m, &block) : 0;
    FreeMSTrace(block);
    if (h) CloseMSData(h);
    if (n != scans) {
      st.SkipWithError("wrong point count");
      break;
    }
  }
  st.counters["MS data bytes"] = double(SectionBytes(path));
}
BENCHMARK(BM_IonTrace_OpenRun)->Arg(3000)->Arg(30000)->Unit(benchmark::kMillisecond);

// Peak resident memory (MB) of a child process that runs fn: a child
// begins its own peak, so the parent's fixtures do not count. -1 when fn
// or the child failed.
double PeakResidentMB(const std::function<bool()>& fn) {
  const std::string out = win::paths::ToHost("C:\\Bench\\peak.txt");
  std::remove(out.c_str());
  win::child::Child c = win::child::Start([&](const std::function<void()>&) {
    if (!fn()) return 1;
    PROCESS_MEMORY_COUNTERS m{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m)) return 2;
    std::FILE* f = std::fopen(out.c_str(), "w");
    if (!f) return 3;
    std::fprintf(f, "%.3f\n", static_cast<double>(m.PeakWorkingSetSize) / (1 << 20));
    return std::fclose(f) == 0 ? 0 : 3;
  });
  if (c.pid < 0 || win::child::Wait(c) != 0) return -1;
  double mb = -1;
  if (std::FILE* f = std::fopen(out.c_str(), "r")) {
    if (std::fscanf(f, "%lf", &mb) != 1) mb = -1;
    std::fclose(f);
  }
  return mb;
}

std::map<std::string, std::pair<double, double>>& MemoryFigures() {  // name: (MB, goal)
  static std::map<std::string, std::pair<double, double>> figures;
  return figures;
}

void Record(benchmark::State& st, const std::string& name, double mb, double goal) {
  if (mb < 0) {
    st.SkipWithError("the measured child failed");
    return;
  }
  st.counters["peak resident MB"] = mb;
  MemoryFigures()[name] = {mb, goal};
}

void BM_IonTrace_PeakResident(benchmark::State& st) {
  const uint32_t scans = static_cast<uint32_t>(st.range(0));
  const std::string path = PathOf(scans);
  double mb = -1;
  for (auto _ : st) {
    mb = PeakResidentMB([&] {
      STRUCT_CHAN_LIST c;
      STRUCT_MASS_LIST m;
      ParseChanList("All", &c);
      ParseMassList("207", &m);
      HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
      MS_TRACE_REQUEST r{};
      r.kind = MS_TRACE_BY_SCANS;
      r.scans.first = 0;
      r.scans.last = 0xFFFFFFFFu;
      void* block = nullptr;
      const uint32_t n = h ? ReadMSTrace(h, &r, &c, &m, &block) : 0;
      FreeMSTrace(block);
      if (h) CloseMSData(h);
      return n == scans;
    });
  }
  Record(st, "IonTrace_PeakResident/" + std::to_string(scans), mb, 64);
}
BENCHMARK(BM_IonTrace_PeakResident)->Arg(3000)->Arg(30000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Centroid_PeakResident(benchmark::State& st) {
  const uint32_t scans = static_cast<uint32_t>(st.range(0));
  const std::string path = PathOf(scans);
  const std::string target = "C:\\Bench\\centroid" + std::to_string(scans) + ".kms";
  std::vector<uint8_t> params(CENTROID_PARAMS_SIZE, 0);
  const uint16_t smooth = 3, search = 3;
  std::memcpy(&params[50], &smooth, 2);
  std::memcpy(&params[58], &search, 2);
  double mb = -1;
  for (auto _ : st) {
    mb = PeakResidentMB([&] {
      return KELT_ConvertProfileToCentroidDataFile(path.c_str(), target.c_str(), params.data(), 1, 0.6, 0, 0) == 1;
    });
  }
  Record(st, "Centroid_PeakResident/" + std::to_string(scans), mb, 128);
}
BENCHMARK(BM_Centroid_PeakResident)->Arg(3000)->Arg(30000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const char* on = std::getenv("KELT_BENCH_CAPACITY");
  if (!on || !*on || *on == '0') {
    std::printf("capacity_bench: set KELT_BENCH_CAPACITY=1 to write and read the 1.4 GB run\n");
    return 0;
  }
  if (!UseBenchRoot("capacity-bench")) return 1;
  const std::string root = std::getenv("KELT_ROOT");
  // The runs are written by a child process, so that the memory writing
  // takes is not part of this process, nor of the children measured.
  win::child::Child writer = win::child::Start([](const std::function<void()>&) {
    for (uint32_t scans : {3000u, 30000u}) {
      if (!msfix::WriteMsDataFile(PathOf(scans), ProfilePlan(scans), nullptr)) {
        std::fprintf(stderr, "capacity_bench: the %u-scan profile run could not be written\n", scans);
        return 1;
      }
    }
    return 0;
  });
  int rc = writer.pid < 0 || win::child::Wait(writer) != 0 ? 1 : 0;
  if (rc == 0) {
    std::printf("MSData of the 30,000-scan run: %u bytes\n", SectionBytes(PathOf(30000)));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_IonTrace_OpenRun/30000", "BM_IonTrace_OpenRun/3000", 10.0);
    for (const auto& [name, figure] : MemoryFigures())
      std::printf("memory %-34s = %8.1f MB (goal <= %.2f)\n", name.c_str(), figure.first, figure.second);
  }
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return rc;
}
