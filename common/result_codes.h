#pragma once
// The 23 result codes of a quantitation result and their legend texts.
#include <cstdint>

#include "common/kelt_export.h"

// The text of exactly one code bit ("R : Reference Peak."), else " ".
KELT_API const char* ResultCode_StringFromFlag(uint32_t flag);
// The code bit of a legend letter, 0 when none.
KELT_API uint32_t ResultCode_FlagFromChar(char letter);
