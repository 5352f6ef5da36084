// Fade fills and band-clipped polylines and polygons.
#include "plotengine/band_drawing.h"

#include <cmath>

#include "orvik32/orvik32.h"

namespace {

// Draws n points as device polylines of at most KELT_MOST_POLYLINE_POINTS.
void DrawRuns(HDC dc, const POINT* p, int32_t n) {
  for (int32_t at = 0; at < n; at += KELT_MOST_POLYLINE_POINTS) {
    const int32_t run = n - at < KELT_MOST_POLYLINE_POINTS ? n - at : KELT_MOST_POLYLINE_POINTS;
    Polyline(dc, p + at, run);
  }
}

// Where the segment a-b meets the horizontal line y = edge. The points may
// be clamped to +-2147483647, so the arithmetic is done in doubles (32-bit
// differences and products would wrap).
POINT Crossing(const POINT& a, const POINT& b, int32_t edge) {
  const double x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y;
  const double term = std::trunc((edge - y1) * (x1 - x0) / (y0 - y1));
  double x = x1 - term;
  if (x > 2147483647.0) x = 2147483647.0;
  if (x < -2147483647.0) x = -2147483647.0;
  return POINT{static_cast<LONG>(x), edge};
}

// -1 above the band (y < top), 1 below it (y > bottom), 0 inside.
int Side(const POINT& p, int32_t bottom, int32_t top) {
  if (p.y < top) return -1;
  if (p.y > bottom) return 1;
  return 0;
}

bool AllInside(const POINT* p, int32_t n, int32_t bottom, int32_t top) {
  for (int32_t i = 0; i < n; ++i)
    if (Side(p[i], bottom, top) != 0) return false;
  return true;
}

int32_t EdgeOf(int side, int32_t bottom, int32_t top) { return side < 0 ? top : bottom; }

// A work array from the common allocator, freed on every path.
class WorkPoints {
 public:
  explicit WorkPoints(uint64_t bytes)
      : p_(bytes <= 0xFFFFFFFFu ? static_cast<POINT*>(AllocBlock(static_cast<uint32_t>(bytes))) : nullptr) {}
  ~WorkPoints() {
    if (p_) FreeBlock(p_);
  }
  WorkPoints(const WorkPoints&) = delete;
  WorkPoints& operator=(const WorkPoints&) = delete;
  POINT* get() const { return p_; }

 private:
  POINT* p_;
};

}  // namespace

KELT_API void KELT_FillRectWithFadeColor(HDC dc, COLORREF colour, int16_t fadeFromWhite, int32_t left, int32_t top,
                                         int32_t right, int32_t bottom) {
  if (!dc) return;
  const int64_t h = int64_t{bottom} - top;
  const float c[3] = {static_cast<float>(colour & 0xFF), static_cast<float>((colour >> 8) & 0xFF),
                      static_cast<float>((colour >> 16) & 0xFF)};
  for (int k = 0; k < KELT_FADE_BANDS; ++k) {
    int64_t y0, y1;
    int ch[3];
    if (fadeFromWhite) {
      y0 = k * h / KELT_FADE_BANDS;
      y1 = (k + 1) * h / KELT_FADE_BANDS;
      for (int i = 0; i < 3; ++i) ch[i] = static_cast<int>(255.0f - static_cast<float>(k) * (255.0f - c[i]) / 255.0f);
    } else {
      y0 = (KELT_FADE_BANDS - 1 - k) * h / KELT_FADE_BANDS;
      y1 = (KELT_FADE_BANDS - k) * h / KELT_FADE_BANDS;
      for (int i = 0; i < 3; ++i) ch[i] = static_cast<int>(static_cast<float>(k) * c[i] / 255.0f);
    }
    HBRUSH brush = CreateSolidBrush(RGB(ch[0], ch[1], ch[2]));
    const RECT r{left, static_cast<LONG>(top + y0), right + 1, static_cast<LONG>(top + y1)};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
}

KELT_API void KELT_YCutPolyline(HDC dc, const POINT* points, int32_t count, int32_t bandBottom, int32_t bandTop) {
  if (!dc || !points || count < 2) return;
  if (AllInside(points, count, bandBottom, bandTop)) {
    DrawRuns(dc, points, count);
    return;
  }
  // A piece holds at most every point and two crossings.
  WorkPoints work(static_cast<uint64_t>(count) * 16u + 80u);
  POINT* piece = work.get();
  if (!piece) return;
  int32_t n = 0;
  auto finish = [&] {
    if (n >= 2) DrawRuns(dc, piece, n);
    n = 0;
  };
  if (Side(points[0], bandBottom, bandTop) == 0) piece[n++] = points[0];
  for (int32_t i = 1; i < count; ++i) {
    const POINT& a = points[i - 1];
    const POINT& b = points[i];
    const int sa = Side(a, bandBottom, bandTop), sb = Side(b, bandBottom, bandTop);
    if (sa == 0 && sb == 0) {
      piece[n++] = b;
    } else if (sa == 0) {
      piece[n++] = Crossing(a, b, EdgeOf(sb, bandBottom, bandTop));
      finish();
    } else if (sb == 0) {
      n = 0;
      piece[n++] = Crossing(a, b, EdgeOf(sa, bandBottom, bandTop));
      piece[n++] = b;
    } else if (sa != sb) {
      // Across the whole band: a piece of its own.
      n = 0;
      piece[n++] = Crossing(a, b, EdgeOf(sa, bandBottom, bandTop));
      piece[n++] = Crossing(a, b, EdgeOf(sb, bandBottom, bandTop));
      finish();
    }
  }
  finish();
}

KELT_API void KELT_YCutPolygon(HDC dc, const POINT* points, int32_t count, int32_t bandBottom, int32_t bandTop) {
  if (!dc || !points || count < 2) return;
  if (AllInside(points, count, bandBottom, bandTop)) {
    Polygon(dc, points, count);
    return;
  }
  // An edge adds its end and up to two crossings: three points per input point.
  WorkPoints work(static_cast<uint64_t>(count) * 3u * sizeof(POINT) + 80u);
  POINT* out = work.get();
  if (!out) return;
  int32_t n = 0;
  out[n++] = points[0];
  for (int32_t i = 1; i < count; ++i) {
    const POINT& a = points[i - 1];
    const POINT& b = points[i];
    if (b.x < a.x) break;
    const int sa = Side(a, bandBottom, bandTop), sb = Side(b, bandBottom, bandTop);
    if (sa != sb) {
      if (sa != 0) out[n++] = Crossing(a, b, EdgeOf(sa, bandBottom, bandTop));
      if (sb != 0) out[n++] = Crossing(a, b, EdgeOf(sb, bandBottom, bandTop));
    }
    out[n++] = b;
  }
  for (int32_t i = 0; i < n; ++i) {
    if (out[i].y < bandTop) out[i].y = bandTop;
    if (out[i].y > bandBottom) out[i].y = bandBottom;
  }
  if (n > 1) Polygon(dc, out, n);
}
