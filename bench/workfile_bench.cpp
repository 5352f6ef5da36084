// Opening a data file as a work file and reading its trace, against the MS
// data library's own trace read of the same file (goal: within 1.5x), and
// against reading the bytes a total-ion trace needs from a plain file in
// the page cache (goal: within 3x). Each at 300 and 3,000 scans (30,000
// with KELT_BENCH_LARGE=1), so that the growth shows.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"
#include "standard_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "quorna/ms_image.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace {

struct Run {
  std::string path;
  std::string plain;     // the image as a plain file
  uint64_t needed = 0;   // bytes of it a total-ion trace reads: all before the points
  STRUCT_MASS_LIST threeIons{};
  bool ok = false;
};

// The image of the run's "MSData" copied to a plain file beside the root.
bool CopyImage(Run& r, uint32_t scans) {
  HSECTION s = OpenSectionReadOnly(r.path.c_str(), "MSData", nullptr);
  if (!s) return false;
  std::vector<uint8_t> bytes(GetSectionSize(s));
  const bool read = ReadSection(s, bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size();
  CloseSection(s);
  if (!read || bytes.size() < sizeof(quorna::ImageHeader)) return false;
  quorna::ImageHeader h;
  std::memcpy(&h, bytes.data(), sizeof h);
  r.needed = h.dataOffset;
  r.plain = std::string(std::getenv("KELT_ROOT")) + "/plain" + std::to_string(scans) + ".img";
  std::FILE* f = std::fopen(r.plain.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

Run& TheRun(int64_t scans) {
  static std::map<int64_t, Run> runs;
  auto it = runs.find(scans);
  if (it != runs.end()) return it->second;
  Run& r = runs[scans];
  r.path = "C:\\Bench\\run" + std::to_string(scans) + ".kms";
  const msfix::RunPlan plan = StandardRunPlan(false, static_cast<uint32_t>(scans));
  msfix::RunTruth truth;
  r.ok = msfix::WriteMsDataFile(r.path, plan, &truth) && CopyImage(r, static_cast<uint32_t>(scans));
  r.threeIons.kind = MASS_LIST_RANGES;
  r.threeIons.count = 3;
  for (int k = 0; k < 3; ++k) {
    const double m = r.ok ? truth.compounds[static_cast<size_t>(k)].baseMass : 100.0 + k;
    r.threeIons.ranges[k].low = r.threeIons.ranges[k].high = m;
  }
  r.threeIons.window = 0.5;
  return r;
}

uint32_t QuornaTrace(const Run& run, const STRUCT_MASS_LIST& masses) {
  HMSDATA h = OpenMSData(run.path.c_str(), "MSData", 0);
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

uint32_t WorkFileTrace(const Run& run, int16_t dataType, const STRUCT_MASS_LIST* masses) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(run.path.c_str(), 0);
  if (!wf) return 0;
  STRUCT_NE_DATA_POINTS* dp = MakeDataPointsStruct(wf, wf->startTime, wf->endTime, 40000, dataType, 0, nullptr, masses);
  const uint32_t n = dp ? dp->pointCount : 0;
  FreeDataPointsStruct(dp);
  FreeWorkFileStruct(wf);
  return n;
}

// The least a total-ion trace can cost: the image's header, information,
// segments, index and scan headers read from a plain file in the page cache.
void BM_NeededBytes_PlainFile(benchmark::State& st) {
  const Run& run = TheRun(st.range(0));
  if (!run.ok) st.SkipWithError("no run");
  std::vector<uint8_t> buf(run.needed);
  for (auto _ : st) {
    const int fd = ::open(run.plain.c_str(), O_RDONLY);
    if (fd < 0 || ::pread(fd, buf.data(), buf.size(), 0) != static_cast<ssize_t>(buf.size())) st.SkipWithError("read");
    ::close(fd);
    benchmark::DoNotOptimize(buf.data());
  }
  st.counters["bytes"] = double(run.needed);
}

void BM_TotalIon_QuornaAlone(benchmark::State& st) {
  const Run& run = TheRun(st.range(0));
  const STRUCT_MASS_LIST ric{};
  for (auto _ : st) benchmark::DoNotOptimize(QuornaTrace(run, ric));
}

void BM_TotalIon_WorkFile(benchmark::State& st) {
  const Run& run = TheRun(st.range(0));
  const STRUCT_MASS_LIST ric{};
  if (WorkFileTrace(run, DATA_TYPE_TIC, nullptr) != QuornaTrace(run, ric)) st.SkipWithError("point counts differ");
  for (auto _ : st) benchmark::DoNotOptimize(WorkFileTrace(run, DATA_TYPE_TIC, nullptr));
}

void BM_ThreeIons_QuornaAlone(benchmark::State& st) {
  const Run& run = TheRun(st.range(0));
  for (auto _ : st) benchmark::DoNotOptimize(QuornaTrace(run, run.threeIons));
}

void BM_ThreeIons_WorkFile(benchmark::State& st) {
  const Run& run = TheRun(st.range(0));
  if (WorkFileTrace(run, DATA_TYPE_MASS_LIST, &run.threeIons) != QuornaTrace(run, run.threeIons))
    st.SkipWithError("point counts differ");
  for (auto _ : st) benchmark::DoNotOptimize(WorkFileTrace(run, DATA_TYPE_MASS_LIST, &run.threeIons));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<int64_t> lengths = RunLengths();
  for (auto [name, fn] : {std::pair{"BM_NeededBytes_PlainFile", &BM_NeededBytes_PlainFile},
                          std::pair{"BM_TotalIon_QuornaAlone", &BM_TotalIon_QuornaAlone},
                          std::pair{"BM_TotalIon_WorkFile", &BM_TotalIon_WorkFile},
                          std::pair{"BM_ThreeIons_QuornaAlone", &BM_ThreeIons_QuornaAlone},
                          std::pair{"BM_ThreeIons_WorkFile", &BM_ThreeIons_WorkFile}}) {
    auto* b = benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMicrosecond);
    for (int64_t n : lengths) b->Arg(n);
  }
  if (!UseBenchRoot("workfile-bench")) return 1;
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (int64_t n : lengths) {
    const std::string s = "/" + std::to_string(n);
    reporter.PrintRatio("BM_TotalIon_WorkFile" + s, "BM_NeededBytes_PlainFile" + s, 3.0);
    reporter.PrintRatio("BM_TotalIon_WorkFile" + s, "BM_TotalIon_QuornaAlone" + s, 1.5);
    reporter.PrintRatio("BM_ThreeIons_WorkFile" + s, "BM_ThreeIons_QuornaAlone" + s, 1.5);
  }
  // Growth from each length to the next, against the growth in scans.
  for (size_t k = 1; k < lengths.size(); ++k)
    for (const char* name : {"BM_TotalIon_WorkFile", "BM_ThreeIons_WorkFile", "BM_TotalIon_QuornaAlone"}) {
      const std::string a = std::string(name) + "/" + std::to_string(lengths[k]);
      const std::string b = std::string(name) + "/" + std::to_string(lengths[k - 1]);
      reporter.PrintRatio(a, b, double(lengths[k]) / double(lengths[k - 1]));
    }
  return 0;
}
