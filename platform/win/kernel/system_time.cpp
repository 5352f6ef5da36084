// FILETIME (100 ns since 1601-01-01 UTC), SYSTEMTIME, clocks and sleeping.
#include <sched.h>
#include <time.h>

#include <cerrno>

#include "host_files.h"

namespace host = win::host;

namespace {

constexpr int64_t kTicksPerSecond = 10000000LL;
constexpr int64_t kDaysFrom1601To1970 = 134774;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

unsigned DaysInMonth(unsigned y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : days[m - 1];
}

// The local time's offset from UTC in seconds at a moment given as Unix seconds.
int64_t LocalOffsetAt(int64_t unixSeconds) {
  time_t t = static_cast<time_t>(unixSeconds);
  tm local{};
  if (!localtime_r(&t, &local)) return 0;
  return local.tm_gmtoff;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

SYSTEMTIME FromTm(const tm& t, long nanoseconds) {
  SYSTEMTIME s{};
  s.wYear = static_cast<WORD>(t.tm_year + 1900);
  s.wMonth = static_cast<WORD>(t.tm_mon + 1);
  s.wDayOfWeek = static_cast<WORD>(t.tm_wday);
  s.wDay = static_cast<WORD>(t.tm_mday);
  s.wHour = static_cast<WORD>(t.tm_hour);
  s.wMinute = static_cast<WORD>(t.tm_min);
  s.wSecond = static_cast<WORD>(t.tm_sec);
  s.wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
  return s;
}

}  // namespace

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  if (!a || !b) return 0;
  const uint64_t x = static_cast<uint64_t>(host::FileTimeValue(*a));
  const uint64_t y = static_cast<uint64_t>(host::FileTimeValue(*b));
  return x < y ? -1 : (x > y ? 1 : 0);
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
  if (!fileTime || !systemTime) return host::Fail(ERROR_INVALID_PARAMETER);
  const int64_t v = host::FileTimeValue(*fileTime);
  if (v < 0) return host::Fail(ERROR_INVALID_PARAMETER);  // beyond the last representable year
  const int64_t seconds = v / kTicksPerSecond;
  const int64_t days = seconds / 86400;
  const int64_t inDay = seconds % 86400;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days - kDaysFrom1601To1970, y, m, d);
  SYSTEMTIME s{};
  s.wYear = static_cast<WORD>(y);
  s.wMonth = static_cast<WORD>(m);
  s.wDay = static_cast<WORD>(d);
  s.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  s.wHour = static_cast<WORD>(inDay / 3600);
  s.wMinute = static_cast<WORD>(inDay / 60 % 60);
  s.wSecond = static_cast<WORD>(inDay % 60);
  s.wMilliseconds = static_cast<WORD>(v / 10000 % 1000);
  *systemTime = s;
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime) {
  if (!systemTime || !fileTime) return host::Fail(ERROR_INVALID_PARAMETER);
  const SYSTEMTIME& s = *systemTime;
  if (s.wYear < 1601 || s.wYear > 30827 || s.wMonth < 1 || s.wMonth > 12 || s.wDay < 1 ||
      s.wDay > DaysInMonth(s.wYear, s.wMonth) || s.wHour > 23 || s.wMinute > 59 || s.wSecond > 59 ||
      s.wMilliseconds > 999)
    return host::Fail(ERROR_INVALID_PARAMETER);
  const int64_t days = DaysFromCivil(s.wYear, s.wMonth, s.wDay) + kDaysFrom1601To1970;
  const int64_t seconds = days * 86400 + s.wHour * 3600 + s.wMinute * 60 + s.wSecond;
  *fileTime = host::MakeFileTime(seconds * kTicksPerSecond + s.wMilliseconds * 10000LL);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  if (!fileTime || !localFileTime || !host::UsableFileTime(*fileTime)) return host::Fail(ERROR_INVALID_PARAMETER);
  const int64_t v = host::FileTimeValue(*fileTime);
  const int64_t unixSeconds = FloorDiv(v - host::kUnixEpochAsFileTime, kTicksPerSecond);
  *localFileTime = host::MakeFileTime(v + LocalOffsetAt(unixSeconds) * kTicksPerSecond);
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
  if (!localFileTime || !fileTime || !host::UsableFileTime(*localFileTime)) return host::Fail(ERROR_INVALID_PARAMETER);
  const int64_t v = host::FileTimeValue(*localFileTime);
  const int64_t asUtc = FloorDiv(v - host::kUnixEpochAsFileTime, kTicksPerSecond);
  // The offset at the guessed moment, then once more at the corrected one.
  const int64_t guess = asUtc - LocalOffsetAt(asUtc);
  *fileTime = host::MakeFileTime(v - LocalOffsetAt(guess) * kTicksPerSecond);
  return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME fileTime) {
  if (!fileTime) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  *fileTime = host::FileTimeFromTimespec(ts);
}

void GetSystemTime(LPSYSTEMTIME systemTime) {
  if (!systemTime) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  gmtime_r(&ts.tv_sec, &t);
  *systemTime = FromTm(t, ts.tv_nsec);
}

void GetLocalTime(LPSYSTEMTIME systemTime) {
  if (!systemTime) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  localtime_r(&ts.tv_sec, &t);
  *systemTime = FromTm(t, ts.tv_nsec);
}

ULONGLONG GetTickCount64() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec / 1000000);
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64() & 0xFFFFFFFFu); }

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  do {
    timespec ts{};
    const DWORD step = milliseconds == INFINITE ? 1000000u : milliseconds;
    ts.tv_sec = static_cast<time_t>(step / 1000);
    ts.tv_nsec = static_cast<long>(step % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  } while (milliseconds == INFINITE);
}
