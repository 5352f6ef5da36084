// The resident memory of this process, as the system counts it.
#include <algorithm>
#include <atomic>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>

#include "host_files.h"
#include "win_kernel.h"

namespace host = win::host;

namespace {

// A "Vm...:   1234 kB" line of the process's status, in bytes; 0 when absent.
uint64_t StatusBytes(const char* text, const char* key) {
  const char* at = std::strstr(text, key);
  if (!at) return 0;
  unsigned long long kb = 0;
  if (std::sscanf(at + std::strlen(key), " %llu", &kb) != 1) return 0;
  return kb * 1024;
}

}  // namespace

BOOL GetProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD cb) {
  if (!counters || cb < sizeof(PROCESS_MEMORY_COUNTERS)) return host::Fail(ERROR_INVALID_PARAMETER);
  if (process != GetCurrentProcess()) return host::Fail(ERROR_ACCESS_DENIED);
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return host::Fail(ERROR_ACCESS_DENIED);
  char text[8192];
  const size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = 0;
  *counters = PROCESS_MEMORY_COUNTERS{};
  counters->cb = sizeof(PROCESS_MEMORY_COUNTERS);
  counters->WorkingSetSize = StatusBytes(text, "VmRSS:");
  // The kernel updates its high-water mark lazily, so it can trail a
  // resident size read earlier: the peak is the highest of both seen so far.
  static std::atomic<size_t> seenPeak{0};
  size_t peak = std::max(StatusBytes(text, "VmHWM:"), counters->WorkingSetSize);
  size_t seen = seenPeak.load();
  while (peak > seen && !seenPeak.compare_exchange_weak(seen, peak)) {
  }
  counters->PeakWorkingSetSize = std::max(peak, seen);
  rusage use{};
  if (getrusage(RUSAGE_SELF, &use) == 0) counters->PageFaultCount = static_cast<DWORD>(use.ru_minflt + use.ru_majflt);
  return TRUE;
}
