// Formatted text as the original C runtime printed it: three-digit
// exponents and a 32-bit long. Each conversion is handed to the host's
// snprintf with the argument taken at the width the original used, and
// exponents are widened afterwards.
#include <cstdio>
#include <cstring>
#include <string>

#include "win_crt.h"
#include "win_locale.h"

namespace {

// Appends one snprintf conversion of a single argument.
template <typename T>
void Append(std::string& out, const std::string& plan, T value) {
  char small[128];
  int n = std::snprintf(small, sizeof small, plan.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), plan.c_str(), value);
  out.append(big.data(), static_cast<size_t>(n));
}

// At least three exponent digits: "1.5e+03" -> "1.5e+003".
void WidenExponent(std::string& s) {
  size_t e = s.find_last_of("eE");
  if (e == std::string::npos || e + 2 >= s.size() || (s[e + 1] != '+' && s[e + 1] != '-')) return;
  size_t digits = s.size() - (e + 2);
  if (digits < 3) s.insert(e + 2, 3 - digits, '0');
}

// Width applied to a finished conversion.
void Pad(std::string& s, int width, bool left, bool zero) {
  if (width <= 0 || s.size() >= static_cast<size_t>(width)) return;
  size_t fill = static_cast<size_t>(width) - s.size();
  if (left) {
    s.append(fill, ' ');
  } else if (zero) {
    size_t at = (!s.empty() && (s[0] == '-' || s[0] == '+' || s[0] == ' ')) ? 1 : 0;
    s.insert(at, fill, '0');
  } else {
    s.insert(0, fill, ' ');
  }
}

std::string WideToAnsi(const char16_t* w, int count) {
  int n = WideCharToMultiByte(CP_ACP, 0, w, count, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w, count, s.data(), n, nullptr, nullptr);
  return s;
}

void Render(std::string& out, const char* fmt, va_list ap) {
  const char* p = fmt;
  while (*p) {
    if (*p != '%') {
      const char* q = std::strchr(p, '%');
      size_t n = q ? static_cast<size_t>(q - p) : std::strlen(p);
      out.append(p, n);
      p += n;
      continue;
    }
    const char* start = p++;
    std::string flags;
    while (*p && std::strchr("-+ #0", *p)) flags += *p++;
    int width = -1;
    if (*p == '*') {
      width = va_arg(ap, int);
      if (width < 0) {
        flags += '-';
        width = -width;
      }
      ++p;
    } else if (*p >= '0' && *p <= '9') {
      width = 0;
      while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
    }
    int precision = -1;
    if (*p == '.') {
      ++p;
      precision = 0;
      if (*p == '*') {
        precision = va_arg(ap, int);
        if (precision < 0) precision = -1;
        ++p;
      } else {
        while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
      }
    }
    enum Len { kNone, kHH, kH, kL32, kLL, kLD, kSize, kWide } len = kNone;
    if (p[0] == 'h' && p[1] == 'h') { len = kHH; p += 2; }
    else if (*p == 'h') { len = kH; ++p; }
    else if (p[0] == 'l' && p[1] == 'l') { len = kLL; p += 2; }
    else if (*p == 'l') { len = kL32; ++p; }
    else if (*p == 'L') { len = kLD; ++p; }
    else if (*p == 'j') { len = kLL; ++p; }
    else if (*p == 'z' || *p == 't') { len = kSize; ++p; }
    else if (*p == 'w') { len = kWide; ++p; }
    else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') { len = kLL; p += 3; }
    else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') { len = kL32; p += 3; }
    else if (*p == 'I') { len = kSize; ++p; }
    char conv = *p;
    if (!conv) {
      out.append(start);
      break;
    }
    ++p;

    std::string plan = "%" + flags;
    if (width >= 0) plan += std::to_string(width);
    if (precision >= 0) plan += "." + std::to_string(precision);
    bool left = flags.find('-') != std::string::npos;

    switch (conv) {
      case 'd': case 'i':
        if (len == kLL) Append(out, plan + "ll" + conv, va_arg(ap, long long));
        else if (len == kSize) Append(out, plan + "zd", va_arg(ap, ptrdiff_t));
        else Append(out, plan + (len == kHH ? "hh" : len == kH ? "h" : "") + conv, va_arg(ap, int));
        break;
      case 'u': case 'o': case 'x': case 'X':
        if (len == kLL) Append(out, plan + "ll" + conv, va_arg(ap, unsigned long long));
        else if (len == kSize) Append(out, plan + "z" + conv, va_arg(ap, size_t));
        else Append(out, plan + (len == kHH ? "hh" : len == kH ? "h" : "") + conv, va_arg(ap, unsigned int));
        break;
      case 'e': case 'E': case 'g': case 'G': {
        // Formatted without width first, so that padding counts the
        // widened exponent.
        std::string bare = "%";
        for (char f : flags)
          if (f != '-' && f != '0') bare += f;
        if (precision >= 0) bare += "." + std::to_string(precision);
        std::string text;
        double v;
        if (len == kLD) {
          long double ld = va_arg(ap, long double);
          Append(text, bare + "L" + conv, ld);
          v = static_cast<double>(ld);
        } else {
          v = va_arg(ap, double);
          Append(text, bare + conv, v);
        }
        WidenExponent(text);
        bool finite = v - v == 0.0;
        Pad(text, width, left, finite && flags.find('0') != std::string::npos);
        out += text;
        break;
      }
      case 'f': case 'F': case 'a': case 'A':
        if (len == kLD) Append(out, plan + "L" + conv, va_arg(ap, long double));
        else Append(out, plan + conv, va_arg(ap, double));
        break;
      case 'c': case 'C':
        if (len == kL32 || len == kWide || conv == 'C') {
          char16_t w = static_cast<char16_t>(va_arg(ap, int));
          std::string s = WideToAnsi(&w, 1);
          Append(out, plan + "c", s.empty() ? '?' : s[0]);
        } else {
          Append(out, plan + "c", va_arg(ap, int));
        }
        break;
      case 's': case 'S':
        if (len == kL32 || len == kWide || conv == 'S') {
          const char16_t* w = va_arg(ap, const char16_t*);
          std::string s = w ? WideToAnsi(w, -1) : std::string("(null)");
          if (w && !s.empty()) s.pop_back();  // the converted NUL
          Append(out, plan + "s", s.c_str());
        } else {
          const char* s = va_arg(ap, const char*);
          Append(out, plan + "s", s ? s : "(null)");
        }
        break;
      case 'p': {
        // The original printed pointers as upper-case hexadecimal digits,
        // zero-padded to the pointer's width.
        std::string text;
        Append(text, "%016llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(va_arg(ap, void*))));
        Pad(text, width, left, false);
        out += text;
        break;
      }
      case 'n': {
        void* target = va_arg(ap, void*);
        if (!target) break;
        if (len == kHH) *static_cast<signed char*>(target) = static_cast<signed char>(out.size());
        else if (len == kH) *static_cast<short*>(target) = static_cast<short>(out.size());
        else if (len == kLL || len == kSize) *static_cast<long long*>(target) = static_cast<long long>(out.size());
        else *static_cast<int*>(target) = static_cast<int>(out.size());
        break;
      }
      case '%':
        out += '%';
        break;
      default:
        out.append(start, static_cast<size_t>(p - start));
        break;
    }
  }
}

}  // namespace

namespace win::crt {

std::string VFormatString(const char* fmt, va_list args) {
  std::string out;
  if (!fmt) return out;
  va_list ap;
  va_copy(ap, args);
  Render(out, fmt, ap);
  va_end(ap);
  return out;
}

std::string FormatString(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string s = VFormatString(fmt, ap);
  va_end(ap);
  return s;
}

int VFormat(char* buf, size_t size, const char* fmt, va_list args) {
  std::string s;
  try {
    s = VFormatString(fmt, args);
  } catch (...) {
    if (buf && size) buf[0] = '\0';
    return -1;
  }
  if (buf && size) {
    size_t n = s.size() < size - 1 ? s.size() : size - 1;
    std::memcpy(buf, s.data(), n);
    buf[n] = '\0';
  }
  return static_cast<int>(s.size());
}

int Format(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = VFormat(buf, size, fmt, ap);
  va_end(ap);
  return n;
}

}  // namespace win::crt

int _vsnprintf(char* buf, size_t count, const char* fmt, va_list args) {
  std::string s;
  try {
    s = win::crt::VFormatString(fmt, args);
  } catch (...) {
    return -1;
  }
  if (!buf) return count == 0 ? static_cast<int>(s.size()) : -1;
  if (s.size() > count) {
    std::memcpy(buf, s.data(), count);
    return -1;
  }
  std::memcpy(buf, s.data(), s.size());
  if (s.size() < count) buf[s.size()] = '\0';
  return static_cast<int>(s.size());
}

int _snprintf(char* buf, size_t count, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = _vsnprintf(buf, count, fmt, ap);
  va_end(ap);
  return n;
}
