// Number fields of the dialogs: parse, range-check with the user's consent,
// write back what is stored.
#include "dialogs/edit_field_checks.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "spectra/library_entry_texts.h"
#include "win/win_user.h"

namespace {

constexpr int kShortRoom = 98;  // 97 characters and the NUL
constexpr int kLongRoom = 198;

HWND Field(CWnd* dialog, uint16_t id) {
  if (!dialog) return nullptr;
  return ::GetDlgItem(dialog->GetSafeHwnd(), id);
}

std::string FieldText(HWND field, int room) {
  std::string text(static_cast<size_t>(room), '\0');
  const int n = ::GetWindowTextA(field, text.data(), room);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

// The integer the text begins with (blanks and a sign allowed, as "%d"
// reads it); false when it does not begin with one. Values beyond 64 bits
// saturate, which keeps them outside any range asked for.
bool LeadingInteger(const std::string& text, long long* out) {
  const char* s = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s, &end, 10);
  if (end == s) return false;
  *out = v;
  return true;
}

bool LeadingDouble(const std::string& text, double* out) {
  const char* s = text.c_str();
  while (*s == ' ' || *s == '\t') ++s;
  // Only decimal numbers: no "inf", "nan" or hexadecimal forms.
  const char* p = s;
  if (*p == '+' || *p == '-') ++p;
  if (!((*p >= '0' && *p <= '9') || (*p == '.' && p[1] >= '0' && p[1] <= '9'))) return false;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    *out = 0;
    return true;
  }
  char* end = nullptr;
  const double v = std::strtod(s, &end);
  if (end == s || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// The digits of the text, in order, as an integer; false without digits.
bool CasDigits(const std::string& text, long long* out) {
  long long v = 0;
  bool any = false;
  for (char c : text) {
    if (c < '0' || c > '9') continue;
    any = true;
    if (v < 100000000000LL) v = v * 10 + (c - '0');  // saturates far beyond any range
  }
  if (any) *out = v;
  return any;
}

bool AskBound(CWnd* dialog, const std::string& message, const std::string& title) {
  return ::MessageBoxA(dialog->GetSafeHwnd(), message.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

template <typename T>
int32_t KillInteger(CWnd* dialog, uint16_t id, const char* name, long long low, long long high, T* value,
                    const char* valueFormat, bool titleShowsNumber) {
  HWND field = Field(dialog, id);
  if (!field || !value) return 0;
  const std::string text = FieldText(field, kShortRoom);
  int32_t changed = 0;
  long long v = 0;
  if (LeadingInteger(text, &v)) {
    if (v >= low && v <= high) {
      if (v != static_cast<long long>(*value)) {
        *value = static_cast<T>(v);
        changed = 1;
      }
    } else {
      const long long bound = v < low ? low : high;
      char message[400];
      std::snprintf(message, sizeof message, "%s must be between %lld and %lld.\n\nUse %lld?", name ? name : "",
                    low, high, bound);
      std::string title = "Invalid Value: ";
      title += titleShowsNumber ? std::to_string(static_cast<int>(v)) : text;
      if (AskBound(dialog, message, title) && bound != static_cast<long long>(*value)) {
        *value = static_cast<T>(bound);
        changed = 1;
      }
    }
  }
  char shown[32];
  std::snprintf(shown, sizeof shown, valueFormat, static_cast<long long>(*value));
  ::SetWindowTextA(field, shown);
  return changed;
}

std::string FormatDouble(const char* format, double v) {
  char text[128];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// A format the helpers can trust: one conversion of a double, nothing else.
const char* SafeDoubleFormat(const char* format) {
  if (!format) return "%g";
  int conversions = 0;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    ++conversions;
    const char* q = p + 1;
    while (*q && std::strchr("-+ #0123456789.", *q)) ++q;
    if (*q == 'l') ++q;
    if (!*q || !std::strchr("fFeEgG", *q)) return "%g";
  }
  return conversions == 1 ? format : "%g";
}

std::string CasText(long long v) {
  if (v <= 0) return v == 0 ? std::string() : std::to_string(v);
  char text[32];
  FormatCASNumber(static_cast<uint32_t>(v), text);
  return text;
}

}  // namespace

KELT_API int32_t HandleKillEditShort(CWnd* dialog, uint16_t controlId, const char* name, int16_t low, int16_t high,
                                     int16_t* value) {
  return KillInteger(dialog, controlId, name, low, high, value, "%lld", true);
}

KELT_API int32_t HandleKillEditLong(CWnd* dialog, uint16_t controlId, const char* name, int32_t low, int32_t high,
                                    int32_t* value) {
  return KillInteger(dialog, controlId, name, low, high, value, "%lld", false);
}

KELT_API int32_t HandleKillEditDWORD(CWnd* dialog, uint16_t controlId, const char* name, uint32_t low,
                                     uint32_t high, uint32_t* value) {
  return KillInteger(dialog, controlId, name, low, high, value, "%lld", false);
}

KELT_API int32_t HandleKillEditDouble(CWnd* dialog, uint16_t controlId, const char* name, const char* format,
                                      double low, double high, double* value) {
  HWND field = Field(dialog, controlId);
  if (!field || !value) return 0;
  const char* f = SafeDoubleFormat(format);
  const std::string text = FieldText(field, kLongRoom);
  int32_t changed = 0;
  double v = 0;
  if (LeadingDouble(text, &v)) {
    if (v >= low && v <= high) {
      if (v != *value) {
        *value = v;
        changed = 1;
      }
    } else {
      const double bound = v < low ? low : high;
      const std::string message = std::string(name ? name : "") + " must be between " + FormatDouble(f, low) +
                                  " and " + FormatDouble(f, high) + ".\n\nUse " + FormatDouble(f, bound) + "?";
      if (AskBound(dialog, message, "Invalid Value: " + text) && bound != *value) {
        *value = bound;
        changed = 1;
      }
    }
  }
  ::SetWindowTextA(field, FormatDouble(f, *value).c_str());
  return changed;
}

KELT_API int32_t HandleKillEditCASNo(CWnd* dialog, uint16_t controlId, const char* name, int32_t low, int32_t high,
                                     int32_t* value) {
  HWND field = Field(dialog, controlId);
  if (!field || !value) return 0;
  const std::string text = FieldText(field, kShortRoom);
  if (text.empty()) {
    // An emptied field means "no number"; only a real change is reported.
    const int32_t changed = *value != 0 ? 1 : 0;
    *value = 0;
    return changed;
  }
  int32_t changed = 0;
  long long v = 0;
  if (CasDigits(text, &v)) {
    if (v >= low && v <= high) {
      if (v != *value) {
        *value = static_cast<int32_t>(v);
        changed = 1;
      }
    } else {
      const long long bound = v < low ? low : high;
      const std::string message = std::string(name ? name : "") + " must be between " + CasText(low) + " and " +
                                  CasText(high) + ".\n\nUse " + CasText(bound) + "?";
      if (AskBound(dialog, message, "Invalid Value: " + text) && bound != *value) {
        *value = static_cast<int32_t>(bound);
        changed = 1;
      }
    }
  }
  ::SetWindowTextA(field, CasText(*value).c_str());
  return changed;
}

KELT_API int32_t HandleChangeEditShort(CWnd* dialog, uint16_t controlId, int16_t low, int16_t high) {
  return HandleChangeEditLong(dialog, controlId, low, high);
}

KELT_API int32_t HandleChangeEditLong(CWnd* dialog, uint16_t controlId, int32_t low, int32_t high) {
  HWND field = Field(dialog, controlId);
  long long v = 0;
  return field && LeadingInteger(FieldText(field, kShortRoom), &v) && v >= low && v <= high ? 1 : 0;
}

KELT_API int32_t HandleChangeEditDWORD(CWnd* dialog, uint16_t controlId, uint32_t low, uint32_t high) {
  HWND field = Field(dialog, controlId);
  long long v = 0;
  return field && LeadingInteger(FieldText(field, kShortRoom), &v) && v >= low && v <= high ? 1 : 0;
}

KELT_API int32_t HandleChangeEditDouble(CWnd* dialog, uint16_t controlId, double low, double high) {
  HWND field = Field(dialog, controlId);
  double v = 0;
  return field && LeadingDouble(FieldText(field, kShortRoom), &v) && v >= low && v <= high ? 1 : 0;
}

KELT_API int32_t HandleChangeEditCASNo(CWnd* dialog, uint16_t controlId, int32_t low, int32_t high) {
  HWND field = Field(dialog, controlId);
  long long v = 0;
  return field && CasDigits(FieldText(field, kShortRoom), &v) && v >= low && v <= high ? 1 : 0;
}

KELT_API int32_t HandleChangeEditString(CWnd* dialog, uint16_t controlId, uint16_t maxLength, char* buffer) {
  HWND field = Field(dialog, controlId);
  if (!field || !buffer) return 0;
  std::string text = FieldText(field, kLongRoom);
  if (text.size() > maxLength) text.resize(maxLength);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return text.empty() ? 0 : 1;
}
