// Point markers and plot frames.
#include "ulbrec32/plot_marks.h"

#include "win/win_gdi.h"

ULBREC_API void DrawPointMarker(HDC dc, int32_t x, int32_t y, int32_t halfWidth, int32_t halfHeight, int16_t filled) {
  if (!dc) return;
  if (halfWidth < 1) halfWidth = 1;
  if (halfHeight < 1) halfHeight = 1;
  HGDIOBJ old = filled ? nullptr : SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, x - halfWidth, y - halfHeight, x + halfWidth + 1, y + halfHeight + 1);
  if (old) SelectObject(dc, old);
}

ULBREC_API void FramePlotRect(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top) {
  if (!dc) return;
  const POINT p[5] = {{left, bottom}, {left, top}, {right, top}, {right, bottom}, {left, bottom}};
  Polyline(dc, p, 5);
}

ULBREC_API void DrawRangeMark(HDC dc, int32_t x, int32_t y, int32_t halfWidth, int32_t height, int16_t filled) {
  if (!dc) return;
  if (halfWidth < 1) halfWidth = 1;
  if (height < 1) height = 1;
  const POINT p[4] = {{x, y - height}, {x + halfWidth, y}, {x - halfWidth, y}, {x, y - height}};
  if (filled) {
    Polygon(dc, p, 3);
  } else {
    Polyline(dc, p, 4);
  }
}
