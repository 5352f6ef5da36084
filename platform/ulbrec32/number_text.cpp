// Printed numbers for scales.
#include "ulbrec32/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "win/win_locale.h"

namespace {

// Prefixes from the largest to the smallest; index 3 is no prefix.
const char kLadder[] = {'G', 'M', 'k', 0, 'm', 'u', 'n', 'p'};
constexpr int kNone = 3, kTop = 0, kBottom = 7;

int PrefixOf(const char* unit) {
  if (std::strncmp(unit, "Mass", 4) == 0) return kNone;
  for (int i = 0; i < 8; ++i)
    if (kLadder[i] && unit[0] == kLadder[i]) return i;
  return kNone;
}

}  // namespace

ULBREC_API int32_t LocaliseNumberText(char* text) {
  if (!text) return 0;
  char sign[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sign, sizeof sign) <= 1 || !sign[0]) sign[0] = '.';
  const size_t n = std::strlen(text);
  if (char* dot = std::strchr(text, '.')) *dot = sign[0];
  return static_cast<int32_t>(n);
}

ULBREC_API int32_t ScaleValuesToUnit(double* values, int32_t count, char* unit) {
  if (!values || count <= 0 || !unit || !unit[0]) return 0;
  const int start = PrefixOf(unit);
  int prefix = start;
  auto anyAtLeast = [&](double limit) {
    for (int32_t i = 0; i < count; ++i)
      if (std::fabs(values[i]) >= limit) return true;
    return false;
  };
  auto anyBelow = [&](double limit) {
    for (int32_t i = 0; i < count; ++i)
      if (std::fabs(values[i]) < limit) return true;
    return false;
  };
  while (!anyAtLeast(1.0) && prefix < kBottom) {
    for (int32_t i = 0; i < count; ++i) values[i] *= 1000.0;
    ++prefix;
  }
  if (prefix == start && anyAtLeast(1000000.0)) {
    while (prefix > kTop && anyAtLeast(1000.0) && !anyBelow(1.0)) {
      for (int32_t i = 0; i < count; ++i) values[i] /= 1000.0;
      --prefix;
    }
  }
  if (prefix == start) return 0;
  char out[ULBREC_UNIT_TEXT_SIZE] = {};
  const char* rest = start == kNone ? unit : unit + 1;
  size_t n = 0;
  if (kLadder[prefix]) {
    out[n++] = kLadder[prefix];
    if (start == kNone && (prefix == 0 || prefix == 1)) out[n++] = ' ';
  }
  for (const char* s = rest; *s && n + 1 < sizeof out; ++s) out[n++] = *s;
  std::memcpy(unit, out, sizeof out);
  return 1;
}

ULBREC_API int32_t Ulbrec32_GetAxisSteps(double from, double to, char* format, double* step, double* first) {
  if (!format || !step || !first || !std::isfinite(from) || !std::isfinite(to) || !(to > from)) return 0;
  const double span = to - from;
  double unit = std::pow(10.0, std::floor(std::log10(span / 10.0)));
  double chosen = unit;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    chosen = m * unit;
    if (span / chosen <= 10.0) break;
  }
  if (!(chosen > 0) || !std::isfinite(chosen)) return 0;
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(chosen) + 1e-9)), 0, 9);
  std::snprintf(format, 15, "%%.%df", decimals);
  *step = chosen;
  *first = std::ceil(from / chosen - 1e-9) * chosen;
  return 1;
}

ULBREC_API int32_t Ulbrec32_TrimNumberText(char* text) {
  if (!text) return 0;
  size_t n = std::strlen(text);
  const char* point = std::strchr(text, '.');
  if (point && !std::strpbrk(text, "eE")) {
    while (n > 0 && text[n - 1] == '0') text[--n] = 0;
    if (n > 0 && text[n - 1] == '.') text[--n] = 0;
  }
  return static_cast<int32_t>(n);
}
