// The sectioned-file store against plain files, in one run:
//   bulk read  - a 100 MB section in 4,000-byte ReadSection calls vs the same
//                bytes from a plain file in 4,000-byte reads (goal: within 2x);
//   bulk write - the same, writing (the store commits durably at close, so
//                the plain file is synced at its end too);
//   small      - 10,000 times: open a file, read a small section, close.
// The plain file is read and written through SQLite's own file layer (a
// thin pread/pwrite), the same door the store uses underneath.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "win/win_paths.h"

namespace {

constexpr uint32_t kChunk = 4000;
constexpr uint32_t kBulkBytes = 100000000;  // 25,000 chunks
constexpr int kSmallRounds = 10000;
constexpr uint32_t kSmallBytes = 200;

const char kStore[] = "C:\\TEMP\\bench.kms";
const char kPlain[] = "C:\\TEMP\\bench.raw";
const char kPlainSmall[] = "C:\\TEMP\\small.raw";

std::map<std::string, double> g_secondsPerIteration;

class PlainFile {
 public:
  PlainFile(const char* winPath, bool create) {
    vfs_ = sqlite3_vfs_find(nullptr);
    mem_.reset(new char[vfs_->szOsFile]());
    f_ = reinterpret_cast<sqlite3_file*>(mem_.get());
    const std::string host = win::paths::ToHost(winPath);
    int out = 0;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_MAIN_JOURNAL | (create ? SQLITE_OPEN_CREATE : 0);
    ok_ = vfs_->xOpen(vfs_, host.c_str(), f_, flags, &out) == SQLITE_OK;
  }
  ~PlainFile() {
    if (ok_) f_->pMethods->xClose(f_);
  }
  bool Read(void* b, int n, int64_t at) { return f_->pMethods->xRead(f_, b, n, at) == SQLITE_OK; }
  bool Write(const void* b, int n, int64_t at) {
    return f_->pMethods->xWrite(f_, b, n, at) == SQLITE_OK;
  }
  void Sync() { f_->pMethods->xSync(f_, SQLITE_SYNC_NORMAL); }
  bool ok() const { return ok_; }

 private:
  sqlite3_vfs* vfs_;
  std::unique_ptr<char[]> mem_;
  sqlite3_file* f_ = nullptr;
  bool ok_ = false;
};

std::vector<char> Bytes(uint32_t n) {
  std::vector<char> b(n);
  for (uint32_t i = 0; i < n; ++i) b[i] = static_cast<char>(i * 131 + i / 4000);
  return b;
}

void Record(benchmark::State& state, const char* name, double seconds) {
  g_secondsPerIteration[name] = seconds / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBulkBytes);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void SetUpFiles() {
  const char* root = std::getenv("KELT_ROOT");
  if (!root || !*root) {
    static char tmpl[] = "/tmp/orvik32-bench-XXXXXX";
    if (mkdtemp(tmpl)) setenv("KELT_ROOT", tmpl, 1);
  }
  win::paths::ResetRoot();
  const std::vector<char> data = Bytes(kBulkBytes);
  CreateSectionFileAtPath(kStore, 777, 0, 0);
  HSECTION s = CreateSection(kStore, "MSData", nullptr);
  for (uint32_t at = 0; at < kBulkBytes; at += kChunk) WriteSection(s, data.data() + at, kChunk);
  CloseSection(s);
  HSECTION small = CreateSection(kStore, "Header", nullptr);
  WriteSection(small, data.data(), kSmallBytes);
  CloseSection(small);
  for (int i = 0; i < 20; ++i) {  // a file of a typical size around the small section
    HSECTION o = CreateSection(kStore, ("Other" + std::to_string(i)).c_str(), nullptr);
    WriteSection(o, data.data(), 5000);
    CloseSection(o);
  }
  PlainFile plain(kPlain, true);
  for (uint32_t at = 0; at < kBulkBytes; at += kChunk) plain.Write(data.data() + at, kChunk, at);
  PlainFile plainSmall(kPlainSmall, true);
  plainSmall.Write(data.data(), kSmallBytes, 0);
}

void BM_PlainBulkRead(benchmark::State& state) {
  std::vector<char> buf(kChunk);
  double total = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    PlainFile f(kPlain, false);
    for (uint32_t at = 0; at < kBulkBytes; at += kChunk) f.Read(buf.data(), kChunk, at);
    benchmark::DoNotOptimize(buf.data());
    total += Seconds(t);
  }
  Record(state, "plain bulk read", total);
}

void BM_SectionBulkRead(benchmark::State& state) {
  std::vector<char> buf(kChunk);
  double total = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    HSECTION s = OpenSectionReadOnly(kStore, "MSData", nullptr);
    uint32_t got = 0;
    while (ReadSection(s, buf.data(), kChunk) == kChunk) got += kChunk;
    CloseSection(s);
    benchmark::DoNotOptimize(buf.data());
    total += Seconds(t);
    if (got != kBulkBytes) state.SkipWithError("short section");
  }
  Record(state, "section bulk read", total);
}

void BM_PlainBulkWrite(benchmark::State& state) {
  const std::vector<char> data = Bytes(kBulkBytes);
  double total = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    PlainFile f(kPlain, true);  // rewritten in place, as the store reuses its pages
    for (uint32_t at = 0; at < kBulkBytes; at += kChunk) f.Write(data.data() + at, kChunk, at);
    f.Sync();
    total += Seconds(t);
  }
  Record(state, "plain bulk write", total);
}

void BM_SectionBulkWrite(benchmark::State& state) {
  const std::vector<char> data = Bytes(kBulkBytes);
  double total = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    HSECTION s = CreateSection(kStore, "MSData", nullptr);
    for (uint32_t at = 0; at < kBulkBytes; at += kChunk) WriteSection(s, data.data() + at, kChunk);
    if (!CloseSection(s)) state.SkipWithError("commit failed");
    total += Seconds(t);
  }
  Record(state, "section bulk write", total);
}

void BM_PlainSmallOpenRead(benchmark::State& state) {
  char buf[kSmallBytes];
  double total = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    for (int i = 0; i < kSmallRounds; ++i) {
      PlainFile f(kPlainSmall, false);
      f.Read(buf, kSmallBytes, 0);
      benchmark::DoNotOptimize(buf);
    }
    total += Seconds(t);
  }
  g_secondsPerIteration["plain small open+read"] = total / static_cast<double>(state.iterations());
}

void BM_SectionSmallOpenRead(benchmark::State& state) {
  char buf[kSmallBytes];
  double total = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    for (int i = 0; i < kSmallRounds; ++i) {
      HSECTION s = OpenSectionReadOnly(kStore, "Header", nullptr);
      if (ReadSection(s, buf, kSmallBytes) != kSmallBytes) state.SkipWithError("short read");
      CloseSection(s);
      benchmark::DoNotOptimize(buf);
    }
    total += Seconds(t);
  }
  g_secondsPerIteration["section small open+read"] = total / static_cast<double>(state.iterations());
}

BENCHMARK(BM_PlainBulkRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SectionBulkRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlainBulkWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SectionBulkWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlainSmallOpenRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SectionSmallOpenRead)->Unit(benchmark::kMillisecond)->Iterations(3);

// goal <= 0: the ratio is shown without one.
void PrintRatio(const char* what, const char* store, const char* plain, double goal) {
  auto s = g_secondsPerIteration.find(store);
  auto p = g_secondsPerIteration.find(plain);
  if (s == g_secondsPerIteration.end() || p == g_secondsPerIteration.end() || p->second <= 0) return;
  const double ratio = s->second / p->second;
  char goalText[32] = "";
  if (goal > 0) std::snprintf(goalText, sizeof goalText, "(goal <= %gx)", goal);
  std::printf("  %-28s %8.1f ms vs %8.1f ms plain: %5.2fx %s%s\n", what, s->second * 1e3, p->second * 1e3, ratio,
              goalText, goal > 0 && ratio > goal ? "  MISSES GOAL" : "");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SetUpFiles();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nsectioned-file store / plain file:\n");
  PrintRatio("100 MB read, 4,000 B calls", "section bulk read", "plain bulk read", 2.0);
  PrintRatio("100 MB write, 4,000 B calls", "section bulk write", "plain bulk write", 0);
  PrintRatio("10,000 x open + small read", "section small open+read", "plain small open+read", 0);
  return 0;
}
