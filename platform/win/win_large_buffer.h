#pragma once
// Large scratch buffers (whole sections held in memory) straight from the
// system, backed by huge pages where the system allows, so that filling
// hundreds of megabytes costs few page faults.
#include <cstddef>
#include "win_export.h"

namespace win::memory {
// Null when the system refuses. The contents start zeroed.
WIN_CLASS void* AllocLarge(size_t bytes);
WIN_CLASS void FreeLarge(void* block, size_t bytes);
}  // namespace win::memory
