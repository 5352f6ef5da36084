#pragma once
// Marks the page-rendering library draws on plots: point markers and the
// frame of a printed plot rectangle.
#include <cstdint>

#include "ulbrec32/ulbrec32.h"
#include "win/win_types.h"

// [52] A small ellipse of half-width halfWidth and half-height halfHeight
// centred on (x, y), outlined with the DC's pen; filled with its brush when
// filled is nonzero, else hollow. The DC's objects are left as they were.
ULBREC_API void DrawPointMarker(HDC dc, int32_t x, int32_t y, int32_t halfWidth, int32_t halfHeight, int16_t filled);
// A range mark on an m/z scale: a triangle standing on (x, y), pointing
// up, of half-width halfWidth and height height, outlined with the DC's pen
// and filled with its brush when filled is nonzero.
ULBREC_API void DrawRangeMark(HDC dc, int32_t x, int32_t y, int32_t halfWidth, int32_t height, int16_t filled);
// [51] The outline of the rectangle with the DC's pen.
ULBREC_API void FramePlotRect(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top);
