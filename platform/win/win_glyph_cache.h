#pragma once
// What the raster back end's glyph cache holds: bounded by bytes.
#include <cstddef>
#include "win_export.h"

namespace win::gdi {
WIN_CLASS size_t GlyphCacheBytes();
WIN_CLASS size_t GlyphCacheLimitBytes();
}  // namespace win::gdi
