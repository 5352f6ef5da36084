#pragma once
// Printed numbers for scales: the user's decimal sign, and values brought
// to a unit prefix that keeps them readable.
#include <cstdint>

#define ULBREC_API extern "C" __attribute__((visibility("default")))

// Longest unit text (with its NUL) ScaleValuesToUnit leaves in its buffer.
#define ULBREC_UNIT_TEXT_SIZE 24

// [62] Puts the user's decimal sign in place of the "." of a number printed
// by the runtime; only the first character of a longer sign is used, so
// the text keeps its length. Returns the text's length; 0 for null.
ULBREC_API int32_t LocaliseNumberText(char* text);
// [63] Rescales values by powers of 1000 to the unit prefix (G M k - m u n
// p) that keeps them between 1 and 1000, and rewrites the unit text (a
// buffer of ULBREC_UNIT_TEXT_SIZE bytes) with the new prefix. Nonzero when
// the values and the text were changed.
ULBREC_API int32_t ScaleValuesToUnit(double* values, int32_t count, char* unitText);

// Steps of a time axis from `from` to `to`: a 1, 2 or 5 times a power of ten
// that gives five to ten steps, the first multiple of it at or after
// `from`, and a printf format for values of that step (at most 15
// characters with its NUL). Returns 0 for an empty or unusable range.
ULBREC_API int32_t Ulbrec32_GetAxisSteps(double from, double to, char* format, double* step, double* first);
// Drops trailing zeros after a decimal point, and the point when nothing
// follows it. Returns the new length; 0 for null.
ULBREC_API int32_t Ulbrec32_TrimNumberText(char* text);
