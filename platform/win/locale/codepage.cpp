// UTF-16 to and from the ANSI code page (Windows-1252), ISO 8859-1 and
// UTF-8.
#include <cstring>
#include <string>

#include "win_kernel.h"
#include "win_locale.h"

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined map to the C1 controls of the same value, so that every byte
// survives a round trip.
const char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

enum class Cp { Ansi1252, Latin1, Utf8, Invalid };

Cp Classify(UINT cp) {
  switch (cp) {
    case CP_ACP: case CP_THREAD_ACP: case 1252: return Cp::Ansi1252;
    case 28591: return Cp::Latin1;
    case CP_UTF8: return Cp::Utf8;
    default: return Cp::Invalid;
  }
}

char16_t ByteToWide(Cp cp, unsigned char b) {
  if (cp == Cp::Ansi1252 && b >= 0x80 && b <= 0x9F) return k1252High[b - 0x80];
  return b;
}

// The byte for a code point, or -1 when the code page lacks it.
int WideToByte(Cp cp, char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
  if (cp == Cp::Latin1) return u <= 0xFF ? static_cast<int>(u) : -1;
  for (int i = 0; i < 32; ++i) {
    if (k1252High[i] == u) return 0x80 + i;
  }
  return -1;
}

void AppendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t u) {
  if (u < 0x10000) {
    out += static_cast<char16_t>(u);
  } else {
    u -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (u >> 10));
    out += static_cast<char16_t>(0xDC00 + (u & 0x3FF));
  }
}

// Decodes one UTF-8 character at s[i]; an ill-formed sequence gives -1 and
// consumes its longest valid beginning (at least one byte).
long DecodeUtf8(const unsigned char* s, size_t n, size_t& i) {
  unsigned char b = s[i];
  if (b < 0x80) {
    ++i;
    return b;
  }
  int len;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t cp;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return -1;
  }
  size_t j = i + 1;
  for (int k = 1; k < len; ++k, ++j) {
    unsigned char c = j < n ? s[j] : 0;
    if (j >= n || c < lo || c > hi) {
      i = j;
      return -1;
    }
    cp = (cp << 6) | (c & 0x3F);
    lo = 0x80;
    hi = 0xBF;
  }
  i = j;
  return static_cast<long>(cp);
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

UINT GetACP() { return 1252; }
UINT GetOEMCP() { return 437; }
BOOL IsValidCodePage(UINT CodePage) { return CodePage != CP_ACP && CodePage != CP_THREAD_ACP &&
                                              Classify(CodePage) != Cp::Invalid; }

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  try {
    Cp cp = Classify(CodePage);
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || cp == Cp::Invalid)
      return Fail(ERROR_INVALID_PARAMETER);
    if (cp == Cp::Utf8) {
      if (lpDefaultChar || lpUsedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
      if (dwFlags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
    } else if (dwFlags & ~static_cast<DWORD>(WC_NO_BEST_FIT_CHARS | WC_COMPOSITECHECK | WC_DISCARDNS |
                                              WC_SEPCHARS | WC_DEFAULTCHAR)) {
      return Fail(ERROR_INVALID_FLAGS);
    }
    size_t n;
    if (cchWideChar == -1) {
      n = 0;
      while (lpWideCharStr[n]) ++n;
      ++n;  // the NUL is converted too
    } else {
      n = static_cast<size_t>(cchWideChar);
    }
    char defaultChar = lpDefaultChar ? *lpDefaultChar : '?';
    bool usedDefault = false;
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      char32_t u = lpWideCharStr[i];
      bool invalid = false;
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && lpWideCharStr[i + 1] >= 0xDC00 && lpWideCharStr[i + 1] <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (lpWideCharStr[i + 1] - 0xDC00);
        ++i;
      } else if (u >= 0xD800 && u <= 0xDFFF) {
        invalid = true;
      }
      if (cp == Cp::Utf8) {
        if (invalid) {
          if (dwFlags & WC_ERR_INVALID_CHARS) return Fail(ERROR_NO_UNICODE_TRANSLATION);
          u = 0xFFFD;
        }
        AppendUtf8(out, u);
        continue;
      }
      int b = invalid ? -1 : WideToByte(cp, u);
      if (b < 0) {
        out += defaultChar;
        usedDefault = true;
      } else {
        out += static_cast<char>(b);
      }
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (cbMultiByte == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cbMultiByte)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpMultiByteStr, out.data(), out.size());
    return static_cast<int>(out.size());
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
  try {
    Cp cp = Classify(CodePage);
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) || cp == Cp::Invalid)
      return Fail(ERROR_INVALID_PARAMETER);
    if (cp == Cp::Utf8) {
      if (dwFlags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
    } else if ((dwFlags & ~static_cast<DWORD>(MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS |
                                               MB_ERR_INVALID_CHARS)) ||
               ((dwFlags & MB_PRECOMPOSED) && (dwFlags & MB_COMPOSITE))) {
      return Fail(ERROR_INVALID_FLAGS);
    }
    size_t n = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const auto* s = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    std::u16string out;
    out.reserve(n);
    if (cp == Cp::Utf8) {
      for (size_t i = 0; i < n;) {
        long u = DecodeUtf8(s, n, i);
        if (u < 0) {
          if (dwFlags & MB_ERR_INVALID_CHARS) return Fail(ERROR_NO_UNICODE_TRANSLATION);
          u = 0xFFFD;
        }
        AppendUtf16(out, static_cast<char32_t>(u));
      }
    } else {
      for (size_t i = 0; i < n; ++i) out += ByteToWide(cp, s[i]);
    }
    if (cchWideChar == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cchWideChar)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpWideCharStr, out.data(), out.size() * sizeof(char16_t));
    return static_cast<int>(out.size());
  } catch (...) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}
