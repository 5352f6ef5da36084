#pragma once
// The original C runtime's behaviour where the code relies on it:
// formatted text with three-digit exponents and a 32-bit long, the
// floating-point control word, 32-bit calendar time, and the string
// helpers by their runtime names.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "win_types.h"
#include "win_export.h"

// ---- Formatted text ----
namespace win::crt {
// Like snprintf (the result is the length the whole text needs; the
// buffer always ends with a NUL when size > 0), with the original
// runtime's conventions:
//  - %e %E %g %G print at least three exponent digits ("1.500e+003",
//    "1e-005"); width and padding apply to the final text;
//  - %ld %li %lu %lx %lX %lo take a 32-bit value (int32_t / uint32_t), as
//    long was 32 bits there; 64-bit values use %lld or %I64d;
//  - %I64d %I64u %I64x and %I32d are accepted;
//  - %S and %ls print a UTF-16 text (char16_t*) converted to the ANSI code
//    page; a null %s or %S prints "(null)".
// No printf format checking is declared: the compiler's checks know a
// 64-bit long and would flag every correct 32-bit "%ld".
WIN_CLASS int Format(char* buf, size_t size, const char* fmt, ...);
WIN_CLASS int VFormat(char* buf, size_t size, const char* fmt, va_list args);
WIN_CLASS std::string FormatString(const char* fmt, ...);
WIN_CLASS std::string VFormatString(const char* fmt, va_list args);
}  // namespace win::crt

// The runtime's own bounded forms: -1 when the text does not fit, and then
// no NUL is written (the original's contract).
WINAPI_EXPORT int _snprintf(char* buf, size_t count, const char* fmt, ...);
WINAPI_EXPORT int _vsnprintf(char* buf, size_t count, const char* fmt, va_list args);

// ---- Strings ----
// Case folding of the "C" locale: only A-Z and a-z.
WINAPI_EXPORT int _stricmp(const char* a, const char* b);
WINAPI_EXPORT int _strnicmp(const char* a, const char* b, size_t n);
WINAPI_EXPORT char* _strupr(char* s);
WINAPI_EXPORT char* _strlwr(char* s);
// Radix 2..36, lower-case letters; a minus sign only in radix 10.
WINAPI_EXPORT char* _itoa(int value, char* buf, int radix);
WINAPI_EXPORT char* _ltoa(int32_t value, char* buf, int radix);
WINAPI_EXPORT char* _ultoa(uint32_t value, char* buf, int radix);
WINAPI_EXPORT char* _i64toa(int64_t value, char* buf, int radix);
WINAPI_EXPORT char* _ui64toa(uint64_t value, char* buf, int radix);

// The kernel's string calls. lstrcmpA / lstrcmpiA compare the way the
// user's locale sorts words: punctuation, then digits, then letters in
// alphabetical order; accents and then case (lower case first) only break
// ties, and hyphens and apostrophes count last. Null pointers sort first.
// Results are -1, 0, 1.
WINAPI_EXPORT int lstrlenA(LPCSTR s);
WINAPI_EXPORT int lstrcmpA(LPCSTR a, LPCSTR b);
WINAPI_EXPORT int lstrcmpiA(LPCSTR a, LPCSTR b);
// Copies at most n - 1 characters and a NUL.
WINAPI_EXPORT LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int n);
WINAPI_EXPORT LPSTR lstrcpyA(LPSTR dst, LPCSTR src);
WINAPI_EXPORT LPSTR lstrcatA(LPSTR dst, LPCSTR src);
WINAPI_EXPORT int lstrlen(LPCSTR s);
WINAPI_EXPORT int lstrcmp(LPCSTR a, LPCSTR b);
WINAPI_EXPORT int lstrcmpi(LPCSTR a, LPCSTR b);
WINAPI_EXPORT LPSTR lstrcpyn(LPSTR dst, LPCSTR src, int n);
WINAPI_EXPORT LPSTR lstrcpy(LPSTR dst, LPCSTR src);
WINAPI_EXPORT LPSTR lstrcat(LPSTR dst, LPCSTR src);

// ---- Floating-point control word ----
// One process-wide control word in the original's bit layout. The rounding
// bits are applied to the processor (x87 and SSE) and read back from it;
// exception masks, precision and denormal control are kept, not applied:
// the processor's exceptions stay masked, so a division by zero yields an
// infinity as under the default word, and SSE has no precision control.
#define _MCW_EM 0x0008001Fu
#define _EM_INEXACT 0x00000001u
#define _EM_UNDERFLOW 0x00000002u
#define _EM_OVERFLOW 0x00000004u
#define _EM_ZERODIVIDE 0x00000008u
#define _EM_INVALID 0x00000010u
#define _EM_DENORMAL 0x00080000u
#define _MCW_RC 0x00000300u
#define _RC_NEAR 0x00000000u
#define _RC_DOWN 0x00000100u
#define _RC_UP 0x00000200u
#define _RC_CHOP 0x00000300u
#define _MCW_PC 0x00030000u
#define _PC_64 0x00000000u
#define _PC_53 0x00010000u
#define _PC_24 0x00020000u
#define _MCW_IC 0x00040000u
#define _IC_AFFINE 0x00040000u
#define _IC_PROJECTIVE 0x00000000u
#define _MCW_DN 0x03000000u
#define _DN_SAVE 0x00000000u
#define _DN_FLUSH 0x01000000u
#define _CW_DEFAULT 0x0009001Fu  // near, 53 bits, all exceptions masked

#define _SW_INEXACT 0x00000001u
#define _SW_UNDERFLOW 0x00000002u
#define _SW_OVERFLOW 0x00000004u
#define _SW_ZERODIVIDE 0x00000008u
#define _SW_INVALID 0x00000010u
#define _SW_DENORMAL 0x00080000u

// new word = (old & ~mask) | (value & mask); returns the new word, so
// _control87(0, 0) reads it.
WINAPI_EXPORT unsigned int _control87(unsigned int value, unsigned int mask);
// As _control87, but the denormal mask bit is left alone.
WINAPI_EXPORT unsigned int _controlfp(unsigned int value, unsigned int mask);
// Status flags (_SW_*) raised so far; _clearfp returns them and clears them.
WINAPI_EXPORT unsigned int _statusfp();
WINAPI_EXPORT unsigned int _clearfp();
// Back to _CW_DEFAULT, flags cleared.
WINAPI_EXPORT void _fpreset();

// ---- 32-bit calendar time ----
// Seconds since 1970-01-01 00:00:00 UTC in 32 bits, as the runtime's
// time_t was. Local time follows the process's time zone (TZ).
typedef int32_t time32_t;

namespace win::crt {
// Broken-down local time of t, like localtime on a 32-bit time_t; false
// for a negative t (before 1970), which the original refused.
WIN_CLASS bool LocalTime32(time32_t t, std::tm* out);
WIN_CLASS bool GmTime32(time32_t t, std::tm* out);
// The calendar time of a local broken-down time, like mktime: fields out
// of range are carried over, *tm is normalised (weekday, day of year) and
// tm_isdst < 0 asks whether daylight saving applies. -1 outside
// 1970-01-01 .. 2038-01-19 03:14:07 UTC.
WIN_CLASS time32_t MkTime32(std::tm* tm);
WIN_CLASS time32_t Now32();
}  // namespace win::crt

// The runtime's names. _localtime32 and _gmtime32 return a per-thread
// record (null on failure), as the runtime did.
WINAPI_EXPORT struct tm* _localtime32(const time32_t* t);
WINAPI_EXPORT struct tm* _gmtime32(const time32_t* t);
WINAPI_EXPORT time32_t _mktime32(struct tm* tm);
WINAPI_EXPORT time32_t _time32(time32_t* t);
