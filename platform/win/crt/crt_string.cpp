// String helpers by the runtime's and the kernel's names.
#include <cstring>
#include <string>
#include <vector>

#include "win_crt.h"

namespace {

int FoldLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

char* ToText(uint64_t magnitude, bool negative, char* buf, int radix) {
  if (!buf) return buf;
  if (radix < 2 || radix > 36) {
    buf[0] = '\0';
    return buf;
  }
  char digits[72];
  int n = 0;
  do {
    int d = static_cast<int>(magnitude % static_cast<uint64_t>(radix));
    digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
    magnitude /= static_cast<uint64_t>(radix);
  } while (magnitude);
  char* p = buf;
  if (negative) *p++ = '-';
  while (n) *p++ = digits[--n];
  *p = '\0';
  return buf;
}

char* SignedToText(int64_t v, char* buf, int radix, uint64_t unsignedMask) {
  if (radix == 10 && v < 0) return ToText(0 - static_cast<uint64_t>(v), true, buf, radix);
  return ToText(static_cast<uint64_t>(v) & unsignedMask, false, buf, radix);
}

// Sort weights of one ANSI character, as the word sort sees it.
struct Weight {
  int primary;    // class * 256 + base value
  int accent;     // 0 when plain
  int upper;      // 1 for capitals
  bool ignorable; // hyphen and apostrophe count only at the last level
};

Weight WeightOf(unsigned char c) {
  // Base letters of the accented Windows-1252 letters 0xC0..0xFF.
  static const char kBase[] =
      "aaaaaaaceeeeiiiidnooooo*ouuuuyts"   // C0..DF
      "aaaaaaaceeeeiiiidnooooo/ouuuuyty";  // E0..FF
  Weight w{0, 0, 0, false};
  if (c == '-' || c == '\'') {
    w.ignorable = true;
    w.primary = c;
    return w;
  }
  if (c >= '0' && c <= '9') {
    w.primary = 256 + c;
    return w;
  }
  int base = 0;
  if (c >= 'a' && c <= 'z') base = c;
  else if (c >= 'A' && c <= 'Z') { base = c + 32; w.upper = 1; }
  else if (c >= 0xC0 && kBase[c - 0xC0] >= 'a' && kBase[c - 0xC0] <= 'z') {
    base = kBase[c - 0xC0];
    w.accent = c;
    w.upper = c < 0xE0 && c != 0xDF;
  } else {
    switch (c) {
      case 0x8A: base = 's'; w.upper = 1; w.accent = c; break;  // S caron
      case 0x9A: base = 's'; w.accent = c; break;
      case 0x8E: base = 'z'; w.upper = 1; w.accent = c; break;
      case 0x9E: base = 'z'; w.accent = c; break;
      case 0x8C: base = 'o'; w.upper = 1; w.accent = c; break;  // OE
      case 0x9C: base = 'o'; w.accent = c; break;
      case 0x9F: base = 'y'; w.upper = 1; w.accent = c; break;
      case 0x83: base = 'f'; w.accent = c; break;
      default: break;
    }
  }
  if (base) {
    w.primary = 512 + base;
  } else {
    w.primary = c;  // punctuation and symbols sort first, by code
  }
  return w;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int WordCompare(const char* a, const char* b, bool ignoreCase) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  std::vector<Weight> wa, wb;
  for (const char* p = a; *p; ++p) wa.push_back(WeightOf(static_cast<unsigned char>(*p)));
  for (const char* p = b; *p; ++p) wb.push_back(WeightOf(static_cast<unsigned char>(*p)));
  auto level = [&](auto key, bool ignorables) {
    std::vector<int> ka, kb;
    for (const auto& w : wa)
      if (w.ignorable == ignorables) ka.push_back(key(w));
    for (const auto& w : wb)
      if (w.ignorable == ignorables) kb.push_back(key(w));
    size_t n = ka.size() < kb.size() ? ka.size() : kb.size();
    for (size_t i = 0; i < n; ++i)
      if (ka[i] != kb[i]) return Sign(ka[i] - kb[i]);
    return Sign(static_cast<int>(ka.size()) - static_cast<int>(kb.size()));
  };
  if (int r = level([](const Weight& w) { return w.primary; }, false)) return r;
  if (int r = level([](const Weight& w) { return w.accent; }, false)) return r;
  if (!ignoreCase) {
    if (int r = level([](const Weight& w) { return w.upper; }, false)) return r;
  }
  return level([](const Weight& w) { return w.primary; }, true);
}

}  // namespace

int _stricmp(const char* a, const char* b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  for (;; ++x, ++y) {
    int cx = FoldLower(*x), cy = FoldLower(*y);
    if (cx != cy || !cx) return cx - cy;
  }
}

int _strnicmp(const char* a, const char* b, size_t n) {
  if (n == 0) return 0;
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  for (; n; --n, ++x, ++y) {
    int cx = FoldLower(*x), cy = FoldLower(*y);
    if (cx != cy || !cx) return cx - cy;
  }
  return 0;
}

char* _strupr(char* s) {
  if (s)
    for (char* p = s; *p; ++p)
      if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - ('a' - 'A'));
  return s;
}

char* _strlwr(char* s) {
  if (s)
    for (char* p = s; *p; ++p)
      if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
  return s;
}

char* _itoa(int value, char* buf, int radix) { return SignedToText(value, buf, radix, 0xFFFFFFFFull); }
char* _ltoa(int32_t value, char* buf, int radix) { return SignedToText(value, buf, radix, 0xFFFFFFFFull); }
char* _ultoa(uint32_t value, char* buf, int radix) { return ToText(value, false, buf, radix); }
char* _i64toa(int64_t value, char* buf, int radix) { return SignedToText(value, buf, radix, ~0ull); }
char* _ui64toa(uint64_t value, char* buf, int radix) { return ToText(value, false, buf, radix); }

int lstrlenA(LPCSTR s) { return s ? static_cast<int>(std::strlen(s)) : 0; }
int lstrcmpA(LPCSTR a, LPCSTR b) { return WordCompare(a, b, false); }
int lstrcmpiA(LPCSTR a, LPCSTR b) { return WordCompare(a, b, true); }

LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int n) {
  if (!dst || !src) return nullptr;
  if (n <= 0) return dst;
  int i = 0;
  for (; i < n - 1 && src[i]; ++i) dst[i] = src[i];
  dst[i] = '\0';
  return dst;
}

LPSTR lstrcpyA(LPSTR dst, LPCSTR src) {
  if (!dst || !src) return nullptr;
  return std::strcpy(dst, src);
}

LPSTR lstrcatA(LPSTR dst, LPCSTR src) {
  if (!dst || !src) return nullptr;
  return std::strcat(dst, src);
}

int lstrlen(LPCSTR s) { return lstrlenA(s); }
int lstrcmp(LPCSTR a, LPCSTR b) { return lstrcmpA(a, b); }
int lstrcmpi(LPCSTR a, LPCSTR b) { return lstrcmpiA(a, b); }
LPSTR lstrcpyn(LPSTR dst, LPCSTR src, int n) { return lstrcpynA(dst, src, n); }
LPSTR lstrcpy(LPSTR dst, LPCSTR src) { return lstrcpyA(dst, src); }
LPSTR lstrcat(LPSTR dst, LPCSTR src) { return lstrcatA(dst, src); }
