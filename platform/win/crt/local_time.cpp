// 32-bit calendar time and its local and universal broken-down forms.
#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>

#include "win_crt.h"

namespace win::crt {
namespace {
// The zone is read again when TZ changed since the last call. With TZ unset
// every tzset would look at the system's zone file again (a stat a call),
// which localtime_r alone never does either.
void ZoneAsSet() {
  static std::mutex m;
  static bool seen = false, had = false;
  static std::string last;
  const char* tz = std::getenv("TZ");
  std::lock_guard<std::mutex> lock(m);
  if (seen && had == (tz != nullptr) && (!tz || last == tz)) return;
  tzset();
  seen = true;
  had = tz != nullptr;
  last = tz ? tz : "";
}
}  // namespace

bool LocalTime32(time32_t t, std::tm* out) {
  if (t < 0 || !out) return false;
  ZoneAsSet();
  time_t tt = t;
  return localtime_r(&tt, out) != nullptr;
}

bool GmTime32(time32_t t, std::tm* out) {
  if (t < 0 || !out) return false;
  time_t tt = t;
  return gmtime_r(&tt, out) != nullptr;
}

time32_t MkTime32(std::tm* tm) {
  if (!tm) return -1;
  tzset();
  std::tm copy = *tm;
  time_t t = mktime(&copy);
  if (t < 0 || t > INT32_MAX) return -1;
  *tm = copy;
  return static_cast<time32_t>(t);
}

time32_t Now32() {
  time_t t = time(nullptr);
  return t < 0 || t > INT32_MAX ? -1 : static_cast<time32_t>(t);
}

}  // namespace win::crt

namespace {
thread_local std::tm g_tm;
}

struct tm* _localtime32(const time32_t* t) {
  if (!t || !win::crt::LocalTime32(*t, &g_tm)) return nullptr;
  return &g_tm;
}

struct tm* _gmtime32(const time32_t* t) {
  if (!t || !win::crt::GmTime32(*t, &g_tm)) return nullptr;
  return &g_tm;
}

time32_t _mktime32(struct tm* tm) { return win::crt::MkTime32(tm); }

time32_t _time32(time32_t* t) {
  time32_t now = win::crt::Now32();
  if (t) *t = now;
  return now;
}
