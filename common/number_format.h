#pragma once
// Numbers and dates as the library shows and prints them: C formats first,
// then the user's locale number format (grouping, decimal separator).
// Large values switch to exponent form by the general preferences' rule.
//
// Output buffers hold at least kNumberTextSize bytes; widths are limited
// to kMaxFieldWidth so that padding always fits.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "win/win_crt.h"
#include "win/win_types.h"

inline constexpr int kNumberTextSize = 128;
inline constexpr int kMaxFieldWidth = 100;

// The text with its mantissa (and a three-digit exponent) in the locale's
// number format, in place; texts shorter than 2 or longer than 100
// characters, and texts that are no number, stay as they are.
KELT_API char* KELT_GetLocalNumberString(char* text);

KELT_API char* KELT_FormatIntensity(uint32_t value, char* buffer);
KELT_API char* KELT_FormatIntensityD(double value, char* buffer);
KELT_API char* KELT_FormatIntensityI64(int64_t value, char* buffer);
// "N/A" for negative values (padded to the width), "0" for zero without
// units, no decimals for units beginning with "Count".
KELT_API char* KELT_FormatResultAmount(int16_t width, int16_t decimals, double value, const char* units,
                                       char* buffer);
KELT_API char* KELT_FormatDecimalNumber(int16_t width, int16_t decimals, double value, char* buffer);
KELT_API char* KELT_FormatAreaOrHeight(int16_t width, double value, char* buffer);
// format takes one double; "%.3e" when the text is longer than maxWidth.
KELT_API void KELT_FormatNumberForTitle(char* buffer, const char* format, double value, int16_t maxWidth);

// Short date and time without seconds of the system locale into two
// buffers of at least 20 bytes. Years before 1975 give empty texts and 0;
// a failed format leaves its buffer empty and gives 0.
KELT_API BOOL KELT_FormatDateTime(int16_t month, int16_t day, int16_t yearSince1900, int16_t hour, int16_t minute,
                                  char* date, char* time);
// The same for a 32-bit calendar time, converted to local time first.
KELT_API BOOL KELT_FormatDateTimeFromLong(const time32_t* calendarTime, char* date, char* time);

KELT_API BOOL KELT_IsNearlyEqual(double a, double b);

// Library-wide mode flags and report overrides.
KELT_API int16_t KELT_SetIsQUIB5(int16_t flag);
KELT_API int16_t KELT_GetIsQUIB5();
KELT_API int16_t KELT_IsResearchMode();
KELT_API void KELT_ClearPlotReportOverrides();
KELT_API void KELT_GetPlotReportOverrides(double* factor, int16_t* flag);
KELT_API int16_t KELT_SetPlotReportOverrides(double factor, int16_t flag);

namespace kelt::numbers {
// The same rules on std::string, for the library's own code.
KELT_CLASS std::string LocalNumberText(const std::string& text);
// "%.3e" when the general preferences ask for exponents and value is not
// below their threshold, else fixedFormat (one double).
KELT_CLASS std::string ThresholdFormat(double value, const char* fixedFormat);
KELT_CLASS double ExponentThreshold();
}  // namespace kelt::numbers
