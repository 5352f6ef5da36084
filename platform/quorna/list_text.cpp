// Text forms of mass lists and channel lists.
#include <cctype>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "quorna/quorna.h"

namespace {

constexpr size_t kChanTextMax = 128;
constexpr size_t kMassTextMax = 400;

struct NamedKind {
  const char* name;
  uint32_t kind;
};
constexpr NamedKind kMassNames[] = {
    {"RIC", MASS_LIST_TOTAL_ION},
    {"TIC", MASS_LIST_TOTAL_ION},
    {"Ion Time", MASS_LIST_ION_TIME},
    {"Base Peak Ion", MASS_LIST_BASE_PEAK_ION},
    {"Intensity of Base Peak", MASS_LIST_BASE_PEAK_INTENSITY},
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Copies at most max - 1 characters and terminates.
void CopyOut(char* text, const std::string& s, size_t max) {
  size_t n = s.size() < max ? s.size() : max - 1;
  std::memcpy(text, s.data(), n);
  text[n] = 0;
}

// A run of digits with an optional fraction; no sign, no exponent.
bool ReadNumber(std::string_view& s, double& value) {
  s = Trim(s);
  size_t i = 0, digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  }
  if (digits == 0 || i > 40) return false;
  std::string number(s.substr(0, i));
  value = std::strtod(number.c_str(), nullptr);
  s.remove_prefix(i);
  return std::isfinite(value);
}

bool ReadUnsigned(std::string_view& s, uint32_t& value) {
  s = Trim(s);
  size_t i = 0;
  uint64_t v = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    if (v > 0xFFFFFFFFu) return false;
    ++i;
  }
  if (i == 0) return false;
  value = static_cast<uint32_t>(v);
  s.remove_prefix(i);
  return true;
}

std::string FormatMass(double m, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, m);
  return buf;
}

int32_t FormatChanListImpl(char* text, const STRUCT_CHAN_LIST* list) {
  if (!text) return 0;
  text[0] = 0;
  if (!list) return 0;
  std::string s;
  if (list->kind == CHAN_LIST_MERGED) {
    s = "Merged";
  } else if (list->kind == CHAN_LIST_IGNORED) {
    s = "All";
  } else if (list->kind == CHAN_LIST_LISTED) {
    uint16_t n = list->count <= CHAN_LIST_MAX_ENTRIES ? list->count : CHAN_LIST_MAX_ENTRIES;
    for (uint16_t i = 0; i < n; ++i) {
      const CHAN_RANGE& e = list->entries[i];
      if (i) s += '+';
      s += std::to_string(e.low + 1u);
      if (e.high != e.low) s += '-' + std::to_string(e.high + 1u);
    }
  } else {
    return 0;
  }
  CopyOut(text, s, kChanTextMax);
  return 1;
}

int32_t ParseChanListImpl(const char* text, STRUCT_CHAN_LIST* list) {
  if (!list) return 0;
  std::memset(list, 0, sizeof *list);
  if (!text) return 0;
  std::string_view s = Trim(std::string_view(text, strnlen(text, 4096)));
  if (EqualsNoCase(s, "Merged")) return list->kind = CHAN_LIST_MERGED, 1;
  if (EqualsNoCase(s, "All")) return list->kind = CHAN_LIST_IGNORED, 1;
  STRUCT_CHAN_LIST out{};
  out.kind = CHAN_LIST_LISTED;
  while (true) {
    uint32_t low = 0, high = 0;
    if (!ReadUnsigned(s, low) || low < 1 || low > 65536) return 0;
    high = low;
    s = Trim(s);
    if (!s.empty() && (s.front() == '-' || s.front() == ':')) {  // "3-5" or the typed "3:5"
      s.remove_prefix(1);
      if (!ReadUnsigned(s, high) || high < low || high > 65536) return 0;
    }
    if (out.count == CHAN_LIST_MAX_ENTRIES) return 0;
    out.entries[out.count].low = static_cast<uint16_t>(low - 1);
    out.entries[out.count].high = static_cast<uint16_t>(high - 1);
    ++out.count;
    s = Trim(s);
    if (s.empty()) break;
    if (s.front() != '+') return 0;
    s.remove_prefix(1);
  }
  *list = out;
  return 1;
}

int32_t FormatMassListTextImpl(char* text, const STRUCT_MASS_LIST* list, int32_t decimals) {
  if (!text) return 0;
  text[0] = 0;
  if (!list) return 0;
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  std::string s;
  switch (list->kind) {
    case MASS_LIST_TOTAL_ION: s = "RIC"; break;
    case MASS_LIST_ION_TIME: s = "Ion Time"; break;
    case MASS_LIST_BASE_PEAK_ION: s = "Base Peak Ion"; break;
    case MASS_LIST_BASE_PEAK_INTENSITY: s = "Intensity of Base Peak"; break;
    case MASS_LIST_RANGES: {
      if (list->count == 0 || list->count > MASS_LIST_MAX_RANGES) return 0;
      for (uint16_t i = 0; i < list->count; ++i) {
        const MASS_RANGE& r = list->ranges[i];
        if (!std::isfinite(r.low) || !std::isfinite(r.high) || r.low < 0 || r.high > 1e9) return 0;
        if (i) s += '+';
        std::string lo = FormatMass(r.low, decimals), hi = FormatMass(r.high, decimals);
        s += lo;
        if (hi != lo) s += '-' + hi;
      }
      if (std::isfinite(list->window) && list->window > 0 && list->window != 0.5 && list->window < 1e6) {
        // Fixed notation: the parser reads no exponents. The smallest
        // window written is 1e-9, so the text always parses back.
        char buf[40];
        const double window = list->window;
        std::snprintf(buf, sizeof buf, "%.9f", std::max(window, 1e-9));
        std::string w = buf;
        w.erase(w.find_last_not_of('0') + 1);
        if (w.back() == '.') w.pop_back();
        s += '/' + w;
      }
      break;
    }
    default:
      if (list->kind < MASS_LIST_EXTRA_COLUMN || list->kind >= MASS_LIST_EXTRA_COLUMN + MS_MAX_EXTRA_COLUMNS)
        return 0;
      s = "Column " + std::to_string(list->kind - MASS_LIST_EXTRA_COLUMN + 1);
  }
  CopyOut(text, s, kMassTextMax);
  return 1;
}

int32_t ParseMassListImpl(const char* text, STRUCT_MASS_LIST* list) {
  if (!list) return 0;
  std::memset(list, 0, sizeof *list);
  list->window = 0.5;
  if (!text) return 0;
  std::string_view s = Trim(std::string_view(text, strnlen(text, 4096)));
  if (s.empty()) return 0;
  for (const NamedKind& n : kMassNames)
    if (EqualsNoCase(s, n.name)) return list->kind = n.kind, 1;
  if (s.size() > 7 && EqualsNoCase(s.substr(0, 7), "Column ")) {
    std::string_view rest = s.substr(7);
    uint32_t k = 0;
    if (!ReadUnsigned(rest, k) || !Trim(rest).empty() || k < 1 || k > MS_MAX_EXTRA_COLUMNS) return 0;
    list->kind = MASS_LIST_EXTRA_COLUMN + k - 1;
    return 1;
  }
  STRUCT_MASS_LIST out{};
  out.kind = MASS_LIST_RANGES;
  out.window = 0.5;
  while (true) {
    double low = 0, high = 0;
    if (!ReadNumber(s, low)) return 0;
    high = low;
    s = Trim(s);
    if (!s.empty() && (s.front() == '-' || s.front() == ':')) {  // "40-60" or the typed "40:60"
      s.remove_prefix(1);
      if (!ReadNumber(s, high) || high < low) return 0;
    }
    if (out.count == MASS_LIST_MAX_RANGES || high > 1e9) return 0;
    out.ranges[out.count].low = low;
    out.ranges[out.count].high = high;
    ++out.count;
    s = Trim(s);
    if (s.empty()) break;
    if (s.front() == '/') {
      s.remove_prefix(1);
      double w = 0;
      if (!ReadNumber(s, w) || !Trim(s).empty() || w <= 0) return 0;
      out.window = w;
      break;
    }
    if (s.front() != '+') return 0;
    s.remove_prefix(1);
  }
  *list = out;
  return 1;
}

}  // namespace

QUORNA_API int32_t FormatChanList(char* text, const STRUCT_CHAN_LIST* list) {
  try {
    return FormatChanListImpl(text, list);
  } catch (...) {
    return 0;
  }
}

QUORNA_API int32_t ParseChanList(const char* text, STRUCT_CHAN_LIST* list) {
  try {
    return ParseChanListImpl(text, list);
  } catch (...) {
    return 0;
  }
}

QUORNA_API int32_t FormatMassListText(char* text, const STRUCT_MASS_LIST* list, int32_t decimals) {
  try {
    return FormatMassListTextImpl(text, list, decimals);
  } catch (...) {
    return 0;
  }
}

QUORNA_API int32_t ParseMassList(const char* text, STRUCT_MASS_LIST* list) {
  try {
    return ParseMassListImpl(text, list);
  } catch (...) {
    return 0;
  }
}
