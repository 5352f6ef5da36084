// Frames of owner-drawn buttons.
#include "ulbrec32/button_frames.h"

#include "win/win_gdi.h"

ULBREC_API void DrawButtonFrame(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!dc) return;
  // A polyline leaves out its last point; closing on the first covers every corner.
  const POINT p[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
  Polyline(dc, p, 5);
}
