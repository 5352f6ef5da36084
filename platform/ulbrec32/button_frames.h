#pragma once
// Frames of owner-drawn buttons.
#include <cstdint>

#include "ulbrec32/ulbrec32.h"
#include "win/win_types.h"

// The outline of the rectangle from (left, top) to (right, bottom), both
// corners included, with the DC's pen; the inside is left as it is.
ULBREC_API void DrawButtonFrame(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
