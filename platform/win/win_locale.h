#pragma once
// Locale information, number, date and time formatting, and the code-page
// conversions between UTF-16 and the ANSI code page (Windows-1252).
//
// The user locale is English (United States) unless the workstation root
// says otherwise: "locale.ini" in the settings folder, section [Locale]:
//   Name=de-DE            user locale (en-US, en-GB, de-DE, fr-FR)
//   SystemName=en-US      system locale (default: the user locale)
//   sDecimal=, sThousand=, sGrouping=, iDigits=, iLZero=, iNegNumber=,
//   sList=, sShortDate=, sLongDate=, sTimeFormat=, sDate=, sTime=, s1159=,
//   s2359=, iDate=, iTime=, iTLZero=, iFirstDayOfWeek=, sNegativeSign=,
//   sPositiveSign=
// The per-item keys override the user locale's values, as the control
// panel's settings did; LOCALE_NOUSEROVERRIDE ignores them. The file is
// read again whenever it changes.
#include "win_types.h"
#include "win_export.h"

// Locale identifiers.
#define LOCALE_NEUTRAL 0x0000
#define LOCALE_INVARIANT 0x007F
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define MAKELCID(lang, sort) ((DWORD)((((DWORD)((WORD)(sort))) << 16) | ((DWORD)((WORD)(lang)))))
#define LANGIDFROMLCID(lcid) ((WORD)(lcid))

// Item flags.
#define LOCALE_NOUSEROVERRIDE 0x80000000
#define LOCALE_USE_CP_ACP 0x40000000
#define LOCALE_RETURN_NUMBER 0x20000000

// Locale items.
#define LOCALE_ILANGUAGE 0x00000001
#define LOCALE_SLANGUAGE 0x00000002
#define LOCALE_SABBREVLANGNAME 0x00000003
#define LOCALE_SNATIVELANGNAME 0x00000004
#define LOCALE_ICOUNTRY 0x00000005
#define LOCALE_SCOUNTRY 0x00000006
#define LOCALE_SABBREVCTRYNAME 0x00000007
#define LOCALE_SNATIVECTRYNAME 0x00000008
#define LOCALE_IDEFAULTLANGUAGE 0x00000009
#define LOCALE_IDEFAULTCOUNTRY 0x0000000A
#define LOCALE_IDEFAULTCODEPAGE 0x0000000B
#define LOCALE_SLIST 0x0000000C
#define LOCALE_IMEASURE 0x0000000D
#define LOCALE_SDECIMAL 0x0000000E
#define LOCALE_STHOUSAND 0x0000000F
#define LOCALE_SGROUPING 0x00000010
#define LOCALE_IDIGITS 0x00000011
#define LOCALE_ILZERO 0x00000012
#define LOCALE_SNATIVEDIGITS 0x00000013
#define LOCALE_SCURRENCY 0x00000014
#define LOCALE_SINTLSYMBOL 0x00000015
#define LOCALE_SMONDECIMALSEP 0x00000016
#define LOCALE_SMONTHOUSANDSEP 0x00000017
#define LOCALE_SMONGROUPING 0x00000018
#define LOCALE_ICURRDIGITS 0x00000019
#define LOCALE_IINTLCURRDIGITS 0x0000001A
#define LOCALE_ICURRENCY 0x0000001B
#define LOCALE_INEGCURR 0x0000001C
#define LOCALE_SDATE 0x0000001D
#define LOCALE_STIME 0x0000001E
#define LOCALE_SSHORTDATE 0x0000001F
#define LOCALE_SLONGDATE 0x00000020
#define LOCALE_IDATE 0x00000021
#define LOCALE_ILDATE 0x00000022
#define LOCALE_ITIME 0x00000023
#define LOCALE_ICENTURY 0x00000024
#define LOCALE_ITLZERO 0x00000025
#define LOCALE_IDAYLZERO 0x00000026
#define LOCALE_IMONLZERO 0x00000027
#define LOCALE_S1159 0x00000028
#define LOCALE_S2359 0x00000029
#define LOCALE_SDAYNAME1 0x0000002A  // Monday; ..7 = Sunday at 0x30
#define LOCALE_SDAYNAME7 0x00000030
#define LOCALE_SABBREVDAYNAME1 0x00000031
#define LOCALE_SABBREVDAYNAME7 0x00000037
#define LOCALE_SMONTHNAME1 0x00000038
#define LOCALE_SMONTHNAME12 0x00000043
#define LOCALE_SABBREVMONTHNAME1 0x00000044
#define LOCALE_SABBREVMONTHNAME12 0x0000004F
#define LOCALE_SPOSITIVESIGN 0x00000050
#define LOCALE_SNEGATIVESIGN 0x00000051
#define LOCALE_SISO639LANGNAME 0x00000059
#define LOCALE_SISO3166CTRYNAME 0x0000005A
#define LOCALE_SNAME 0x0000005C
#define LOCALE_SENGLANGUAGE 0x00001001
#define LOCALE_SENGCOUNTRY 0x00001002
#define LOCALE_STIMEFORMAT 0x00001003
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004
#define LOCALE_ITIMEMARKPOSN 0x00001005
#define LOCALE_SYEARMONTH 0x00001006
#define LOCALE_IFIRSTDAYOFWEEK 0x0000100C
#define LOCALE_INEGNUMBER 0x00001010

// GetDateFormat flags.
#define DATE_SHORTDATE 0x00000001
#define DATE_LONGDATE 0x00000002
#define DATE_USE_ALT_CALENDAR 0x00000004
#define DATE_YEARMONTH 0x00000008
#define DATE_LTRREADING 0x00000010
#define DATE_RTLREADING 0x00000020

// GetTimeFormat flags.
#define TIME_NOMINUTESORSECONDS 0x00000001
#define TIME_NOSECONDS 0x00000002
#define TIME_NOTIMEMARKER 0x00000004
#define TIME_FORCE24HOURFORMAT 0x00000008

// Number format for GetNumberFormat. Lives in memory only (it holds
// pointers). Grouping: 0..9 = groups of that many digits, repeated;
// 32 = three, then twos. NegativeOrder: 0 "(1.1)", 1 "-1.1", 2 "- 1.1",
// 3 "1.1-", 4 "1.1 -".
struct NUMBERFMTA {
  UINT NumDigits;
  UINT LeadingZero;
  UINT Grouping;
  LPSTR lpDecimalSep;
  LPSTR lpThousandSep;
  UINT NegativeOrder;
};
typedef NUMBERFMTA NUMBERFMT;
typedef NUMBERFMTA* LPNUMBERFMTA;
typedef NUMBERFMTA* LPNUMBERFMT;

WINAPI_EXPORT LCID GetUserDefaultLCID();
WINAPI_EXPORT LCID GetSystemDefaultLCID();
WINAPI_EXPORT BOOL IsValidLocale(LCID Locale, DWORD dwFlags);

// Writes the item's text with its NUL; the result counts the NUL. A size of
// 0 asks for the size needed. Too small: 0, ERROR_INSUFFICIENT_BUFFER;
// unknown item: 0, ERROR_INVALID_FLAGS; bad locale or buffer: 0,
// ERROR_INVALID_PARAMETER. With LOCALE_RETURN_NUMBER a numeric item is
// written as a DWORD (size 4).
WINAPI_EXPORT int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData);
// lpValue: digits, at most one '.', an optional leading '-'.
WINAPI_EXPORT int GetNumberFormatA(LCID Locale, DWORD dwFlags, LPCSTR lpValue, const NUMBERFMTA* lpFormat,
                                   LPSTR lpNumberStr, int cchNumber);
// Pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, g gg, 'quoted text'.
// A null date is today's local date.
WINAPI_EXPORT int GetDateFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCSTR lpFormat,
                                 LPSTR lpDateStr, int cchDate);
// Pictures: h hh H HH m mm s ss t tt, 'quoted text'. A null time is now.
WINAPI_EXPORT int GetTimeFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCSTR lpFormat,
                                 LPSTR lpTimeStr, int cchTime);

WINAPI_EXPORT int GetLocaleInfo(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData);
WINAPI_EXPORT int GetNumberFormat(LCID Locale, DWORD dwFlags, LPCSTR lpValue, const NUMBERFMTA* lpFormat,
                                  LPSTR lpNumberStr, int cchNumber);
WINAPI_EXPORT int GetDateFormat(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCSTR lpFormat,
                                LPSTR lpDateStr, int cchDate);
WINAPI_EXPORT int GetTimeFormat(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCSTR lpFormat,
                                LPSTR lpTimeStr, int cchTime);

// ---- Code pages ----
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_COMPOSITECHECK 0x00000200
#define WC_NO_BEST_FIT_CHARS 0x00000400

#ifndef ERROR_NO_UNICODE_TRANSLATION
#define ERROR_NO_UNICODE_TRANSLATION 1113
#endif

// The ANSI code page is Windows-1252 (OEM: 437, not converted here).
WINAPI_EXPORT UINT GetACP();
WINAPI_EXPORT UINT GetOEMCP();
WINAPI_EXPORT BOOL IsValidCodePage(UINT CodePage);

// Code pages CP_ACP, CP_THREAD_ACP, 1252, 28591 (ISO 8859-1) and CP_UTF8.
// A length of -1 means NUL-terminated, the NUL converted and counted. An
// output size of 0 asks for the size needed. Characters the code page
// lacks become the default character ('?' or *lpDefaultChar) and set
// *lpUsedDefaultChar; no best-fit substitutes are made.
WINAPI_EXPORT int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                      LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                      LPBOOL lpUsedDefaultChar);
WINAPI_EXPORT int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                      LPWSTR lpWideCharStr, int cchWideChar);
