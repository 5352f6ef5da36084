// Injected file-system faults (see win_faults.h).
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "win_faults.h"

namespace win::faults {

namespace {

std::atomic<int64_t> g_calls{0}, g_writes{0};
std::atomic<int64_t> g_killAt{0}, g_fullAt{0};
std::once_flag g_once;
std::string g_countsPath;

int64_t EnvNumber(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return 0;
  char* end = nullptr;
  const long long n = std::strtoll(v, &end, 10);
  return end && *end == '\0' && n > 0 ? n : 0;
}

void WriteCounts() {
  if (g_countsPath.empty()) return;
  if (FILE* f = std::fopen(g_countsPath.c_str(), "w")) {
    std::fprintf(f, "%lld %lld\n", static_cast<long long>(g_calls.load()), static_cast<long long>(g_writes.load()));
    std::fclose(f);
  }
}

void ReadPlan() {
  std::call_once(g_once, [] {
    if (const int64_t k = EnvNumber("KELT_KILL_AT_FILE_CALL")) g_killAt = k;
    if (const int64_t w = EnvNumber("KELT_DISK_FULL_AT_WRITE")) g_fullAt = w;
    if (const char* p = std::getenv("KELT_FILE_CALL_COUNTS"); p && *p) {
      g_countsPath = p;
      std::atexit(WriteCounts);
    }
  });
}

}  // namespace

Counts CountsSoFar() { return Counts{g_calls.load(), g_writes.load()}; }

void Plan(int64_t killAtFileCall, int64_t diskFullAtWrite) {
  ReadPlan();
  g_killAt = killAtFileCall > 0 ? killAtFileCall : 0;
  g_fullAt = diskFullAtWrite > 0 ? diskFullAtWrite : 0;
  g_calls = 0;
  g_writes = 0;
}

void FileCall() {
  ReadPlan();
  const int64_t n = ++g_calls;
  if (n == g_killAt.load()) {
    // As a power cut or a kill would: nothing after this point runs.
    kill(getpid(), SIGKILL);
    pause();
  }
}

bool WriteAllowed() {
  ReadPlan();
  const int64_t n = ++g_writes;
  const int64_t full = g_fullAt.load();
  return full == 0 || n < full;
}

}  // namespace win::faults
