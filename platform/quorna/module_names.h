#pragma once
// Names of the acquisition modules that write MS data.
#include <cstdint>

#include "quorna/quorna.h"

// Longest module name with its NUL.
#define MS_MODULE_NAME_SIZE 32

// The name of MS module number module into name (MS_MODULE_NAME_SIZE
// bytes). Nonzero when the number is known; otherwise name is left empty.
QUORNA_API int32_t GetModuleName(uint16_t module, char* name);
