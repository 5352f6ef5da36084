// Locale information and number, date and time formatting.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "locale_data.h"
#include "win_kernel.h"
#include "win_locale.h"

using win::locale::Items;

namespace {

constexpr DWORD kItemFlags = LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP | LOCALE_RETURN_NUMBER;

// Hands a result text to the caller by the size rules of the locale calls.
int Emit(const std::string& s, LPSTR out, int cch) {
  int need = static_cast<int>(s.size()) + 1;
  if (cch == 0) return need;
  if (cch < need) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, s.c_str(), s.size() + 1);
  return need;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

const std::string& Item(const Items& items, LCTYPE type) {
  static const std::string empty;
  auto it = items.find(type);
  return it == items.end() ? empty : it->second;
}

int ItemDigit(const Items& items, LCTYPE type, int fallback) {
  const std::string& s = Item(items, type);
  if (s.empty() || s[0] < '0' || s[0] > '9') return fallback;
  return s[0] - '0';
}

// Digit grouping: sizes from the decimal separator leftwards; the last size
// repeats when the grouping text ends in ";0".
struct Grouping {
  std::vector<int> sizes;
  bool repeatLast = false;
};

Grouping GroupingFromText(const std::string& text) {
  Grouping g;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t semi = text.find(';', pos);
    if (semi == std::string::npos) semi = text.size();
    std::string part = text.substr(pos, semi - pos);
    if (!part.empty()) g.sizes.push_back(std::atoi(part.c_str()));
    pos = semi + 1;
  }
  if (!g.sizes.empty() && g.sizes.back() == 0) {
    g.sizes.pop_back();
    g.repeatLast = true;
  }
  if (!g.sizes.empty() && g.sizes.front() == 0) g.sizes.clear();
  return g;
}

// NUMBERFMT's form: 3 = "3;0", 32 = "3;2;0".
Grouping GroupingFromNumber(UINT n) {
  Grouping g;
  if (n == 0) return g;
  std::string digits = std::to_string(n);
  for (char c : digits) g.sizes.push_back(c - '0');
  g.repeatLast = true;
  return g;
}

std::string GroupDigits(const std::string& digits, const Grouping& g, const std::string& sep) {
  if (g.sizes.empty() || sep.empty()) return digits;
  std::vector<std::string> groups;
  size_t end = digits.size();
  size_t k = 0;
  while (end > 0) {
    int size;
    if (k < g.sizes.size()) size = g.sizes[k];
    else if (g.repeatLast) size = g.sizes.back();
    else size = static_cast<int>(end);
    if (size <= 0) size = static_cast<int>(end);
    size_t begin = end > static_cast<size_t>(size) ? end - static_cast<size_t>(size) : 0;
    groups.push_back(digits.substr(begin, end - begin));
    end = begin;
    ++k;
  }
  std::string out;
  for (size_t i = groups.size(); i-- > 0;) {
    out += groups[i];
    if (i) out += sep;
  }
  return out;
}

struct NumberRules {
  UINT digits;
  bool leadingZero;
  Grouping grouping;
  std::string decimalSep, thousandSep;
  UINT negativeOrder;
};

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// 0 = Sunday ... 6 = Saturday.
int DayOfWeek(int y, int m, int d) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

SYSTEMTIME Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return st;
}

std::string Padded(int v, int width) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
  return s;
}

// A picture split into runs of one format letter and literal text.
struct Token {
  char letter;  // 0 for literal text
  int count;
  std::string text;
};

std::vector<Token> Tokenize(const char* picture, const char* letters) {
  std::vector<Token> out;
  auto literal = [&](char c) {
    if (out.empty() || out.back().letter != 0) out.push_back({0, 0, ""});
    out.back().text += c;
  };
  for (const char* p = picture; *p;) {
    char c = *p;
    if (c == '\'') {
      ++p;
      if (*p == '\'') {  // '' stands for one quote
        literal('\'');
        ++p;
        continue;
      }
      while (*p) {
        if (*p == '\'') {
          if (p[1] == '\'') {
            literal('\'');
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        literal(*p++);
      }
      continue;
    }
    if (std::strchr(letters, c)) {
      int n = 0;
      while (*p == c) {
        ++n;
        ++p;
      }
      out.push_back({c, n, ""});
      continue;
    }
    literal(c);
    ++p;
  }
  return out;
}

}  // namespace

LCID GetUserDefaultLCID() {
  try {
    return win::locale::UserLcid();
  } catch (...) {
    return 0x0409;
  }
}

LCID GetSystemDefaultLCID() {
  try {
    return win::locale::SystemLcid();
  } catch (...) {
    return 0x0409;
  }
}

BOOL IsValidLocale(LCID Locale, DWORD) {
  try {
    return win::locale::ResolveShared(Locale, false) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData) {
  try {
    if (cchData < 0 || (cchData > 0 && !lpLCData)) return Fail(ERROR_INVALID_PARAMETER);
    const std::shared_ptr<const Items> shared = win::locale::ResolveShared(Locale, !(LCType & LOCALE_NOUSEROVERRIDE));
    if (!shared) return Fail(ERROR_INVALID_PARAMETER);
    const Items& items = *shared;
    LCTYPE type = LCType & ~kItemFlags;
    auto it = items.find(type);
    if (it == items.end() || type == win::locale::kEraNameItem) return Fail(ERROR_INVALID_FLAGS);
    if (LCType & LOCALE_RETURN_NUMBER) {
      if (!win::locale::IsNumericItem(type)) return Fail(ERROR_INVALID_FLAGS);
      DWORD v = static_cast<DWORD>(std::strtoul(it->second.c_str(), nullptr, type == LOCALE_ILANGUAGE ? 16 : 10));
      if (cchData == 0) return static_cast<int>(sizeof v);
      if (cchData < static_cast<int>(sizeof v)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      std::memcpy(lpLCData, &v, sizeof v);
      return static_cast<int>(sizeof v);
    }
    return Emit(it->second, lpLCData, cchData);
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

int GetNumberFormatA(LCID Locale, DWORD dwFlags, LPCSTR lpValue, const NUMBERFMTA* lpFormat, LPSTR lpNumberStr,
                     int cchNumber) {
  try {
    if (!lpValue || cchNumber < 0 || (cchNumber > 0 && !lpNumberStr)) return Fail(ERROR_INVALID_PARAMETER);
    if (lpFormat ? dwFlags != 0 : (dwFlags & ~LOCALE_NOUSEROVERRIDE) != 0) return Fail(ERROR_INVALID_FLAGS);
    const std::shared_ptr<const Items> shared = win::locale::ResolveShared(Locale, !(dwFlags & LOCALE_NOUSEROVERRIDE));
    if (!shared) return Fail(ERROR_INVALID_PARAMETER);
    const Items& items = *shared;

    NumberRules r;
    if (lpFormat) {
      if (lpFormat->NumDigits > 9 || lpFormat->LeadingZero > 1 ||
          (lpFormat->Grouping > 9 && lpFormat->Grouping != 32) || !lpFormat->lpDecimalSep ||
          !lpFormat->lpThousandSep || lpFormat->NegativeOrder > 4)
        return Fail(ERROR_INVALID_PARAMETER);
      r = {lpFormat->NumDigits, lpFormat->LeadingZero != 0, GroupingFromNumber(lpFormat->Grouping),
           lpFormat->lpDecimalSep, lpFormat->lpThousandSep, lpFormat->NegativeOrder};
    } else {
      r.digits = static_cast<UINT>(ItemDigit(items, LOCALE_IDIGITS, 2));
      r.leadingZero = ItemDigit(items, LOCALE_ILZERO, 1) != 0;
      r.grouping = GroupingFromText(Item(items, LOCALE_SGROUPING));
      r.decimalSep = Item(items, LOCALE_SDECIMAL);
      r.thousandSep = Item(items, LOCALE_STHOUSAND);
      r.negativeOrder = static_cast<UINT>(ItemDigit(items, LOCALE_INEGNUMBER, 1));
      if (r.negativeOrder > 4) r.negativeOrder = 1;
    }

    // The value: [-]digits[.digits], nothing else.
    const char* p = lpValue;
    bool negative = false;
    if (*p == '-') {
      negative = true;
      ++p;
    }
    std::string intPart, fracPart;
    while (*p >= '0' && *p <= '9') intPart += *p++;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') fracPart += *p++;
    }
    if (*p != '\0' || (intPart.empty() && fracPart.empty())) return Fail(ERROR_INVALID_PARAMETER);

    // Round half away from zero to the wanted decimals.
    bool roundUp = fracPart.size() > r.digits && fracPart[r.digits] >= '5';
    fracPart.resize(r.digits, '0');
    if (roundUp) {
      std::string all = intPart + fracPart;
      int i = static_cast<int>(all.size()) - 1;
      for (; i >= 0; --i) {
        if (all[static_cast<size_t>(i)] == '9') {
          all[static_cast<size_t>(i)] = '0';
        } else {
          ++all[static_cast<size_t>(i)];
          break;
        }
      }
      if (i < 0) all.insert(all.begin(), '1');
      intPart = all.substr(0, all.size() - r.digits);
      fracPart = all.substr(all.size() - r.digits);
    }
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "" : intPart.substr(nz);
    if (intPart.empty() && fracPart.find_first_not_of('0') == std::string::npos) negative = false;

    std::string body;
    if (intPart.empty()) {
      if (r.leadingZero || r.digits == 0) body = "0";
    } else {
      body = GroupDigits(intPart, r.grouping, r.thousandSep);
    }
    if (r.digits > 0) body += r.decimalSep + fracPart;
    if (negative) {
      const std::string& sign = Item(items, LOCALE_SNEGATIVESIGN);
      switch (r.negativeOrder) {
        case 0: body = "(" + body + ")"; break;
        case 1: body = sign + body; break;
        case 2: body = sign + " " + body; break;
        case 3: body = body + sign; break;
        default: body = body + " " + sign; break;
      }
    }
    return Emit(body, lpNumberStr, cchNumber);
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

int GetDateFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCSTR lpFormat, LPSTR lpDateStr,
                   int cchDate) {
  try {
    if (cchDate < 0 || (cchDate > 0 && !lpDateStr)) return Fail(ERROR_INVALID_PARAMETER);
    constexpr DWORD kKinds = DATE_SHORTDATE | DATE_LONGDATE | DATE_YEARMONTH;
    constexpr DWORD kKnown = kKinds | DATE_USE_ALT_CALENDAR | DATE_LTRREADING | DATE_RTLREADING | LOCALE_NOUSEROVERRIDE;
    DWORD kinds = dwFlags & kKinds;
    if ((dwFlags & ~kKnown) || (kinds & (kinds - 1)) ||
        ((dwFlags & DATE_LTRREADING) && (dwFlags & DATE_RTLREADING)) ||
        (lpFormat && (kinds || (dwFlags & LOCALE_NOUSEROVERRIDE))))
      return Fail(ERROR_INVALID_FLAGS);
    const std::shared_ptr<const Items> shared = win::locale::ResolveShared(Locale, !(dwFlags & LOCALE_NOUSEROVERRIDE));
    if (!shared) return Fail(ERROR_INVALID_PARAMETER);
    const Items& items = *shared;
    SYSTEMTIME st = lpDate ? *lpDate : Now();
    int y = st.wYear, m = st.wMonth, d = st.wDay;
    if (y < 1601 || y > 30827 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
      return Fail(ERROR_INVALID_PARAMETER);

    std::string picture;
    if (lpFormat) picture = lpFormat;
    else if (kinds == DATE_LONGDATE) picture = Item(items, LOCALE_SLONGDATE);
    else if (kinds == DATE_YEARMONTH) picture = Item(items, LOCALE_SYEARMONTH);
    else picture = Item(items, LOCALE_SSHORTDATE);

    // Day names run Monday (1) .. Sunday (7).
    int wd = DayOfWeek(y, m, d);
    LCTYPE dayIndex = static_cast<LCTYPE>(wd == 0 ? 6 : wd - 1);
    std::string out;
    for (const Token& t : Tokenize(picture.c_str(), "dMyg")) {
      switch (t.letter) {
        case 0: out += t.text; break;
        case 'd':
          if (t.count == 1) out += std::to_string(d);
          else if (t.count == 2) out += Padded(d, 2);
          else if (t.count == 3) out += Item(items, LOCALE_SABBREVDAYNAME1 + dayIndex);
          else out += Item(items, LOCALE_SDAYNAME1 + dayIndex);
          break;
        case 'M':
          if (t.count == 1) out += std::to_string(m);
          else if (t.count == 2) out += Padded(m, 2);
          else if (t.count == 3) out += Item(items, LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(m - 1));
          else out += Item(items, LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(m - 1));
          break;
        case 'y':
          if (t.count == 1) out += std::to_string(y % 100);
          else if (t.count == 2) out += Padded(y % 100, 2);
          else out += std::to_string(y);
          break;
        case 'g': out += Item(items, win::locale::kEraNameItem); break;
      }
    }
    return Emit(out, lpDateStr, cchDate);
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

int GetTimeFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCSTR lpFormat, LPSTR lpTimeStr,
                   int cchTime) {
  try {
    if (cchTime < 0 || (cchTime > 0 && !lpTimeStr)) return Fail(ERROR_INVALID_PARAMETER);
    constexpr DWORD kKnown = TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER |
                             TIME_FORCE24HOURFORMAT | LOCALE_NOUSEROVERRIDE;
    if ((dwFlags & ~kKnown) || (lpFormat && (dwFlags & LOCALE_NOUSEROVERRIDE))) return Fail(ERROR_INVALID_FLAGS);
    const std::shared_ptr<const Items> shared = win::locale::ResolveShared(Locale, !(dwFlags & LOCALE_NOUSEROVERRIDE));
    if (!shared) return Fail(ERROR_INVALID_PARAMETER);
    const Items& items = *shared;
    SYSTEMTIME st = lpTime ? *lpTime : Now();
    if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 || st.wMilliseconds > 999)
      return Fail(ERROR_INVALID_PARAMETER);
    std::string picture = lpFormat ? lpFormat : Item(items, LOCALE_STIMEFORMAT);

    std::vector<Token> tokens = Tokenize(picture.c_str(), "hHmst");
    auto dropped = [&](const Token& t) {
      if (t.letter == 's') return (dwFlags & (TIME_NOSECONDS | TIME_NOMINUTESORSECONDS)) != 0;
      if (t.letter == 'm') return (dwFlags & TIME_NOMINUTESORSECONDS) != 0;
      if (t.letter == 't') return (dwFlags & TIME_NOTIMEMARKER) != 0;
      return false;
    };
    // A left-out element takes the separator before it along (or, when it
    // leads the picture, the one after it).
    std::vector<Token> kept;
    bool dropFollowingLiteral = false;
    for (const Token& t : tokens) {
      if (t.letter == 0) {
        if (dropFollowingLiteral) {
          dropFollowingLiteral = false;
          continue;
        }
        kept.push_back(t);
        continue;
      }
      if (!dropped(t)) {
        dropFollowingLiteral = false;
        kept.push_back(t);
        continue;
      }
      bool hadElementBefore = false;
      for (const Token& k : kept) hadElementBefore = hadElementBefore || k.letter != 0;
      if (hadElementBefore) {
        while (!kept.empty() && kept.back().letter == 0) kept.pop_back();
      } else {
        dropFollowingLiteral = true;
      }
    }

    int h = st.wHour;
    const std::string& marker = Item(items, h < 12 ? LOCALE_S1159 : LOCALE_S2359);
    std::string out;
    for (const Token& t : kept) {
      char letter = t.letter;
      if (letter == 'h' && (dwFlags & TIME_FORCE24HOURFORMAT)) letter = 'H';
      switch (letter) {
        case 0: out += t.text; break;
        case 'h': {
          int h12 = h % 12 == 0 ? 12 : h % 12;
          out += t.count == 1 ? std::to_string(h12) : Padded(h12, 2);
          break;
        }
        case 'H': out += t.count == 1 ? std::to_string(h) : Padded(h, 2); break;
        case 'm': out += t.count == 1 ? std::to_string(st.wMinute) : Padded(st.wMinute, 2); break;
        case 's': out += t.count == 1 ? std::to_string(st.wSecond) : Padded(st.wSecond, 2); break;
        case 't': out += t.count == 1 ? marker.substr(0, 1) : marker; break;
      }
    }
    return Emit(out, lpTimeStr, cchTime);
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

int GetLocaleInfo(LCID l, LCTYPE t, LPSTR d, int n) { return GetLocaleInfoA(l, t, d, n); }
int GetNumberFormat(LCID l, DWORD f, LPCSTR v, const NUMBERFMTA* fmt, LPSTR o, int n) {
  return GetNumberFormatA(l, f, v, fmt, o, n);
}
int GetDateFormat(LCID l, DWORD f, const SYSTEMTIME* d, LPCSTR fmt, LPSTR o, int n) {
  return GetDateFormatA(l, f, d, fmt, o, n);
}
int GetTimeFormat(LCID l, DWORD f, const SYSTEMTIME* t, LPCSTR fmt, LPSTR o, int n) {
  return GetTimeFormatA(l, f, t, fmt, o, n);
}
