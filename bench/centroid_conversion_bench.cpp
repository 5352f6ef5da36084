// Profile-to-centroid conversion of a 3,000-scan profile run, file to file,
// against reading the source file's bytes (goal: within 5x) and against
// reading and writing the same scans unchanged (goal: within 2x), with the
// centroided profile points per second. CPU times count every thread of
// the process: the conversion centroids on workers.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "spectra/profile_to_centroid.h"

namespace {

const char* const kSource = "C:\\Bench\\profile3000.kms";
const char* const kTarget = "C:\\Bench\\centroid3000.kms";
const char* const kCopy = "C:\\Bench\\copy3000.kms";

struct Data {
  bool ready = false;
  uint64_t points = 0;  // profile points of all scans
  // Every tenth scan as read (exchange layout), for the engine alone.
  std::vector<std::vector<uint8_t>> sample;
  uint64_t samplePoints = 0;
};

Data& Run() {
  static Data d = [] {
    Data d;
    msfix::RunPlan plan;
    plan.scans = 3000;
    plan.compounds = 40;
    plan.profile = true;
    plan.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    if (!msfix::WriteMsDataFile(kSource, plan, nullptr)) return d;
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSource, 0);
    if (!wf) return d;
    HMSDATA h = OpenMSData(kSource, "MSData", 0);
    std::vector<uint8_t> buf(GetMSScanBufferSize(h));
    for (uint32_t s = wf->msInfo.firstScan; h && s <= wf->msInfo.lastScan; ++s) {
      MS_SCAN_RECORD rec{};
      rec.recordSize = sizeof rec;
      if (ReadMSScan(h, s, &rec, buf.data()) != 0) break;
      uint32_t n;
      std::memcpy(&n, buf.data(), 4);
      d.points += n;
      if ((s - wf->msInfo.firstScan) % 10 == 0) {
        d.sample.emplace_back(buf.begin(), buf.begin() + 4 + std::ptrdiff_t{n} * MS_EXCHANGE_ENTRY_SIZE);
        d.samplePoints += n;
      }
    }
    if (h) CloseMSData(h);
    d.ready = d.points > 0 && wf->scanCount == 3000;
    FreeWorkFileStruct(wf);
    return d;
  }();
  return d;
}

std::vector<uint8_t> Params() {
  std::vector<uint8_t> p(CENTROID_PARAMS_SIZE, 0);
  const uint16_t smooth = 3, search = 3;
  std::memcpy(&p[50], &smooth, 2);
  std::memcpy(&p[58], &search, 2);
  return p;
}

void BM_Convert_Kelt(benchmark::State& st) {
  Data& d = Run();
  const std::vector<uint8_t> params = Params();
  for (auto _ : st) {
    if (!KELT_ConvertProfileToCentroidDataFile(kSource, kTarget, params.data(), 1, 0.6, 0, 0)) {
      st.SkipWithError("conversion failed");
      break;
    }
  }
  st.counters["centroided points/s"] =
      benchmark::Counter(double(d.points), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Convert_Kelt)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();

// The centroid engine alone on one thread, on scans in memory: what each
// worker of the conversion spends per point.
void BM_Engine_Kelt(benchmark::State& st) {
  Data& d = Run();
  CMS_CentroidEngine engine;
  engine.Init();
  MS_CENTROID_ENGINE_PARAMS p{};
  p.smoothPoints = 3;
  p.searchPoints = 3;
  std::vector<std::vector<uint8_t>> work = d.sample;
  for (auto _ : st) {
    // The engine centroids in place: each round starts from the profile.
    st.PauseTiming();
    for (size_t i = 0; i < work.size(); ++i) std::memcpy(work[i].data(), d.sample[i].data(), d.sample[i].size());
    st.ResumeTiming();
    for (auto& b : work) benchmark::DoNotOptimize(engine.CentroidSpec(nullptr, nullptr, (const void*)nullptr, b.data(), &p));
  }
  st.counters["points/s"] = benchmark::Counter(double(d.samplePoints), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Engine_Kelt)->Unit(benchmark::kMillisecond);

// The same streaming of scans, segments and header into a new file,
// without the centroid engine.
void BM_ReadWriteScans_Plain(benchmark::State& st) {
  Data& d = Run();
  for (auto _ : st) {
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSource, 0);
    bool ok = wf && CreateSectionFileAtPath(kCopy, 1, 0, wf->fileFormatWord);
    HMSDATA in = ok ? OpenMSDataSection(kSource, "MSData", 0, wf->scanCount, 0, nullptr) : nullptr;
    HMSDATA out = in ? OpenMSDataSection(kCopy, "MSData", 1, wf->scanCount, 0, nullptr) : nullptr;
    ok = in && out;
    std::vector<uint8_t> buf(ok ? GetMSScanBufferSize(in) : 0);
    MS_SCAN_RECORD rec{};
    for (uint16_t s = 0; ok && s < wf->msInfo.segmentCount; ++s) {
      const MS_SEGMENT_BLOCK& seg = wf->segmentBlocks[s];
      for (uint32_t scan = seg.firstScan; ok && scan <= seg.lastScan; ++scan) {
        rec.recordSize = sizeof rec;
        ok = ReadMSScan(in, scan, &rec, buf.data()) == 0 && WriteMSScan(out, &rec, buf.data()) == 0;
      }
      ok = ok && WriteMSSegment(out, &seg) == 0;
    }
    ok = ok && WriteMSHeader(out, &wf->msInfo) == 0;
    if (in) CloseMSData(in);
    if (out && CloseMSData(out) != 0) ok = false;
    FreeWorkFileStruct(wf);
    if (!ok) {
      st.SkipWithError("copy failed");
      break;
    }
  }
  st.counters["points/s"] = benchmark::Counter(double(d.points), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadWriteScans_Plain)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();

// Every scan of the source read through the data library, in order: what
// the conversion pays before any centroiding.
void BM_ReadScans_Store(benchmark::State& st) {
  Data& d = Run();
  for (auto _ : st) {
    HMSDATA h = OpenMSData(kSource, "MSData", 0);
    MS_INFO_BLOCK info{};
    bool ok = h && ReadMSInfoFromHandle(h, &info) == 0;
    std::vector<uint8_t> buf(ok ? GetMSScanBufferSize(h) : 0);
    for (uint32_t s = info.firstScan; ok && s <= info.lastScan; ++s) {
      MS_SCAN_RECORD rec{};
      rec.recordSize = sizeof rec;
      ok = ReadMSScan(h, s, &rec, buf.data()) == 0;
    }
    if (h) CloseMSData(h);
    if (!ok) {
      st.SkipWithError("reading failed");
      break;
    }
  }
  st.counters["points/s"] = benchmark::Counter(double(d.points), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadScans_Store)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The bytes of the source file read in 1 MiB calls, from the page cache.
void BM_ReadFile_Plain(benchmark::State& st) {
  Run();
  const std::string host = win::paths::ToHost(kSource);
  std::vector<char> buf(1 << 20);
  for (auto _ : st) {
    std::FILE* f = std::fopen(host.c_str(), "rb");
    if (!f) {
      st.SkipWithError("cannot open the source");
      break;
    }
    uint64_t total = 0;
    for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), f)) > 0;) total += n;
    std::fclose(f);
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ReadFile_Plain)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!UseBenchRoot("centroid-bench")) return 1;
  if (!Run().ready) {
    std::fprintf(stderr, "centroid_conversion_bench: the 3,000-scan profile run could not be written\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // The runs are some hundred MB: they go with the program.
  for (const char* file : {kSource, kTarget, kCopy}) DeleteFileA(file);
  reporter.PrintRatio("BM_Convert_Kelt/iterations:3/process_time/real_time",
                      "BM_ReadWriteScans_Plain/iterations:3/process_time/real_time", 2.0);
  // The runs are some hundred MB: they go with the program.
  for (const char* file : {kSource, kTarget, kCopy}) DeleteFileA(file);
  reporter.PrintRatio("BM_Convert_Kelt/iterations:3/process_time/real_time", "BM_ReadFile_Plain/process_time/real_time",
                      5.0);
  return 0;
}
