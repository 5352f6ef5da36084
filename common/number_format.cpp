// Number and date formatting with the user's locale.
#include "common/number_format.h"

#include <cmath>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "common/preference_records.h"
#include "win/win_kernel.h"
#include "win/win_locale.h"

namespace kelt::numbers {
namespace {

constexpr double kThresholds[] = {10000.0, 100000.0, 1000000.0, 10000000.0, 100000000.0, 1000000000.0};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The locale's form of a plain number text ("-1234.50"); false when the
// platform refuses it.
bool FormatWithLocale(const std::string& number, UINT digits, std::string& out) {
  NUMBERFMTA format = kelt::lib::NumberFormat();
  format.NumDigits = digits;
  char buffer[51] = {};
  if (GetNumberFormatA(LOCALE_USER_DEFAULT, 0, number.c_str(), &format, buffer, 50) <= 0) return false;
  out = buffer;
  return true;
}

int ClampWidth(int16_t width) { return width < 0 ? 0 : width > kMaxFieldWidth ? kMaxFieldWidth : width; }
int ClampDecimals(int16_t decimals) { return decimals < 0 ? 0 : decimals > 20 ? 20 : decimals; }

std::string PadLeft(std::string text, int width) {
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  return text;
}

char* Put(char* buffer, const std::string& text) {
  if (!buffer) return buffer;
  const size_t n = text.size() < kNumberTextSize - 1 ? text.size() : kNumberTextSize - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return buffer;
}

std::string FixedFormat(int width, int decimals) {
  return win::crt::FormatString("%%%d.%df", width, decimals);
}

// A caller's format must take exactly the one double it is given.
bool IsNumberFormat(const char* format) {
  if (!format) return false;
  int conversions = 0;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    ++p;
    while (*p && std::strchr("-+ #0", *p)) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    if (!*p || !std::strchr("eEfgG", *p)) return false;
    ++conversions;
  }
  return conversions == 1;
}

}  // namespace

std::string LocalNumberText(const std::string& text) {
  if (text.size() < 2 || text.size() > 100) return text;
  size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '+')) ++start;
  const std::string lead = text.substr(0, start);
  size_t end = text.size();
  UINT decimals = 0;
  const size_t dot = text.find('.', start);
  if (dot != std::string::npos) {
    end = dot + 1;
    while (end < text.size() && IsDigit(text[end])) ++end;
    decimals = static_cast<UINT>(end - dot - 1);
  }
  std::string mantissa;
  if (!FormatWithLocale(text.substr(start, end - start), decimals, mantissa)) return text;
  std::string result = lead + mantissa;
  // An exponent: 'e' or 'E', a sign, exactly three digits.
  const bool exponent = end + 5 <= text.size() && (text[end] == 'e' || text[end] == 'E') &&
                        (text[end + 1] == '+' || text[end + 1] == '-') && IsDigit(text[end + 2]) &&
                        IsDigit(text[end + 3]) && IsDigit(text[end + 4]) &&
                        (end + 5 == text.size() || !IsDigit(text[end + 5]));
  if (!exponent) return result + text.substr(end);
  const bool negative = text[end + 1] == '-';
  std::string digits;
  const std::string raw = text.substr(end + (negative ? 1 : 2), negative ? 4 : 3);
  result += text[end];
  if (!negative) result += '+';
  if (FormatWithLocale(raw, 0, digits))
    result += digits;
  else
    result += raw;
  return result + text.substr(end + 5);
}

double ExponentThreshold() {
  const int16_t index = kelt::prefs::DefaultGlobalPrefs().misc.exponentThreshold;
  return index >= 0 && index <= 5 ? kThresholds[index] : 1000000.0;
}

std::string ThresholdFormat(double value, const char* fixedFormat) {
  if (kelt::prefs::DefaultGlobalPrefs().misc.scientificNotation && !(value < ExponentThreshold()))
    return win::crt::FormatString("%.3e", value);
  return win::crt::FormatString(fixedFormat, value);
}

}  // namespace kelt::numbers

using kelt::numbers::LocalNumberText;
using kelt::numbers::ThresholdFormat;

char* KELT_GetLocalNumberString(char* text) {
  if (!text) return text;
  try {
    const size_t length = strnlen(text, 101);
    if (length < 2 || length > 100) return text;
    const std::string local = LocalNumberText(std::string(text, length));
    if (local.size() < static_cast<size_t>(kNumberTextSize)) std::memcpy(text, local.c_str(), local.size() + 1);
  } catch (...) {
  }
  return text;
}

char* KELT_FormatIntensity(uint32_t value, char* buffer) {
  if (!buffer) return buffer;
  const std::string text = value >= 1000000u ? win::crt::FormatString("%.3e", static_cast<double>(value))
                                             : win::crt::FormatString("%lu", value);
  return kelt::numbers::Put(buffer, LocalNumberText(text));
}

char* KELT_FormatIntensityD(double value, char* buffer) {
  if (!buffer) return buffer;
  const std::string text = value > -1e6 && value < 1e6
                               ? win::crt::FormatString("%ld", static_cast<int32_t>(value))
                               : win::crt::FormatString("%.3e", value);
  return kelt::numbers::Put(buffer, LocalNumberText(text));
}

char* KELT_FormatIntensityI64(int64_t value, char* buffer) {
  if (!buffer) return buffer;
  const std::string text = value >= 1000000 ? win::crt::FormatString("%.3e", static_cast<double>(value))
                                            : win::crt::FormatString("%lld", static_cast<long long>(value));
  return kelt::numbers::Put(buffer, LocalNumberText(text));
}

char* KELT_FormatResultAmount(int16_t width, int16_t decimals, double value, const char* units, char* buffer) {
  using namespace kelt::numbers;
  if (!buffer) return buffer;
  try {
    const int w = ClampWidth(width);
    if (std::isnan(value) || value < 0.0) return Put(buffer, PadLeft("N/A", w > 3 ? w : 0));
    std::string text;
    if (std::fabs(value) < 1e-8 && (!units || !*units))
      text = "0";
    else if (units && std::strncmp(units, "Count", 5) == 0)
      text = win::crt::FormatString("%.0f", value);
    else
      text = ThresholdFormat(value, FixedFormat(w, ClampDecimals(decimals)).c_str());
    return Put(buffer, PadLeft(LocalNumberText(text), w));
  } catch (...) {
    buffer[0] = 0;
    return buffer;
  }
}

char* KELT_FormatDecimalNumber(int16_t width, int16_t decimals, double value, char* buffer) {
  using namespace kelt::numbers;
  if (!buffer) return buffer;
  try {
    if (std::isnan(value) || value < 0.0) return Put(buffer, "N/A");
    const int w = ClampWidth(width);
    const std::string text = ThresholdFormat(value, FixedFormat(w, ClampDecimals(decimals)).c_str());
    return Put(buffer, PadLeft(LocalNumberText(text), w));
  } catch (...) {
    buffer[0] = 0;
    return buffer;
  }
}

char* KELT_FormatAreaOrHeight(int16_t width, double value, char* buffer) {
  using namespace kelt::numbers;
  if (!buffer) return buffer;
  try {
    const int w = ClampWidth(width);
    const std::string text = ThresholdFormat(value, FixedFormat(w, 0).c_str());
    return Put(buffer, PadLeft(LocalNumberText(text), w));
  } catch (...) {
    buffer[0] = 0;
    return buffer;
  }
}

void KELT_FormatNumberForTitle(char* buffer, const char* format, double value, int16_t maxWidth) {
  if (!buffer) return;
  try {
    std::string text = win::crt::FormatString(kelt::numbers::IsNumberFormat(format) ? format : "%g", value);
    if (static_cast<int>(text.size()) > maxWidth) text = win::crt::FormatString("%.3e", value);
    kelt::numbers::Put(buffer, LocalNumberText(text));
  } catch (...) {
    buffer[0] = 0;
  }
}

namespace {

bool FormatDateAndTime(const SYSTEMTIME& st, char* date, char* time) {
  bool ok = true;
  if (date && GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 20) <= 0) {
    date[0] = 0;
    ok = false;
  }
  if (time && GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, 20) <= 0) {
    time[0] = 0;
    ok = false;
  }
  return ok;
}

void ClearTexts(char* date, char* time) {
  if (date) date[0] = 0;
  if (time) time[0] = 0;
}

}  // namespace

BOOL KELT_FormatDateTime(int16_t month, int16_t day, int16_t yearSince1900, int16_t hour, int16_t minute, char* date,
                         char* time) {
  ClearTexts(date, time);
  const int year = yearSince1900 + 1900;
  if (year < 1975) return FALSE;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  return FormatDateAndTime(st, date, time) ? TRUE : FALSE;
}

namespace {
// What a failed format call leaves in its buffer: the reason, as a word.
void FailureText(char* buffer) {
  const DWORD error = GetLastError();
  const char* text = error == ERROR_INSUFFICIENT_BUFFER ? "buffsize"
                     : error == ERROR_INVALID_FLAGS     ? "badflags"
                     : error == ERROR_INVALID_PARAMETER ? "badparam"
                                                        : "";
  std::strcpy(buffer, text);
}
}  // namespace

BOOL KELT_FormatDateTimeFromLong(const time32_t* calendarTime, char* date, char* time) {
  ClearTexts(date, time);
  std::tm tm{};
  if (!calendarTime || !win::crt::LocalTime32(*calendarTime, &tm)) return FALSE;
  if (tm.tm_year + 1900 < 1975) return FALSE;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(tm.tm_year + 1900);
  st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
  st.wDay = static_cast<WORD>(tm.tm_mday);
  st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  st.wHour = static_cast<WORD>(tm.tm_hour);
  st.wMinute = static_cast<WORD>(tm.tm_min);
  st.wSecond = static_cast<WORD>(tm.tm_sec);
  // A date that could be had is a success even when its text did not fit;
  // the buffer then says why.
  if (date && GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 20) <= 0) FailureText(date);
  if (time && GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, 20) <= 0) FailureText(time);
  return TRUE;
}

BOOL KELT_IsNearlyEqual(double a, double b) { return std::fabs(a - b) < 1e-8 ? TRUE : FALSE; }

namespace {
int16_t g_isQuib5 = 0;
double g_reportScale = 1.0;
int16_t g_reportFlag = 0;
}  // namespace

int16_t KELT_SetIsQUIB5(int16_t flag) {
  g_isQuib5 = flag;
  return g_isQuib5;
}
int16_t KELT_GetIsQUIB5() { return g_isQuib5; }
int16_t KELT_IsResearchMode() { return static_cast<int16_t>(kelt::lib::Settings().canShowHalfHeights); }

void KELT_ClearPlotReportOverrides() {
  g_reportScale = 1.0;
  g_reportFlag = 0;
}

void KELT_GetPlotReportOverrides(double* factor, int16_t* flag) {
  if (factor) *factor = g_reportScale;
  if (flag) *flag = g_reportFlag;
}

int16_t KELT_SetPlotReportOverrides(double factor, int16_t flag) {
  g_reportScale = factor;
  g_reportFlag = flag;
  return g_reportFlag;
}
