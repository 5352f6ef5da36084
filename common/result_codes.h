#pragma once
// The two fixed code tables of results reports: the peak separation codes
// printed beside integrated peaks and the 23 result codes (one letter per
// condition) with their legend texts. The texts returned point into the
// tables and are never freed.
#include <cstdint>

#include "common/kelt_export.h"

// Returned by ResultCode_FlagFromChar when no code has that letter.
#define RESULT_CODE_NONE 0xFFFFu

// The two-letter text of a separation code 1-15 ("BV" ...), else " ".
KELT_API const char* SeparationCode_GetString(int16_t code);
// The text of exactly one code bit ("R : Reference Peak."), else " ".
KELT_API const char* ResultCode_StringFromFlag(uint32_t flag);
// The code bit whose legend begins with the character text points at
// (case-sensitive), else RESULT_CODE_NONE; a null pointer finds nothing.
KELT_API uint32_t ResultCode_FlagFromChar(const char* text);
