#pragma once
// Typed points, sizes, rectangles and colours of the drawing internals.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include "win_types.h"

namespace win::gdi {

// Coordinates are kept inside this range so that sums and products of two of
// them never overflow, whatever a caller passes.
constexpr int32_t kCoordLimit = 1 << 27;
inline int32_t ClampCoord(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kCoordLimit, kCoordLimit));
}
inline int32_t ClampCoord(double v) {
  if (!(v == v)) return 0;
  return static_cast<int32_t>(std::clamp(v, -double(kCoordLimit), double(kCoordLimit)));
}
inline int32_t RoundCoord(double v) { return ClampCoord(std::floor(v + 0.5)); }
inline LONG SaturateLong(double v) {
  if (!(v == v)) return 0;
  return static_cast<LONG>(std::clamp(std::floor(v + 0.5), -2147483647.0, 2147483647.0));
}

struct IntPoint {
  int32_t x = 0, y = 0;
  bool operator==(const IntPoint&) const = default;
};
struct PointF {
  double x = 0, y = 0;
};
struct IntSize {
  int32_t cx = 0, cy = 0;
  bool operator==(const IntSize&) const = default;
};

// Half-open rectangle [left, right) x [top, bottom).
struct IntRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const IntRect&) const = default;
  bool Empty() const { return right <= left || bottom <= top; }
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
  IntRect Intersected(const IntRect& o) const {
    IntRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
              std::min(bottom, o.bottom)};
    if (r.Empty()) return {};
    return r;
  }
  IntRect United(const IntRect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
  }
  static IntRect Normalized(int64_t l, int64_t t, int64_t r, int64_t b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return {ClampCoord(l), ClampCoord(t), ClampCoord(r), ClampCoord(b)};
  }
  static IntRect FromRECT(const RECT& r) { return Normalized(r.left, r.top, r.right, r.bottom); }
  RECT ToRECT() const { return {left, top, right, bottom}; }
};

// Pixel colour as a 32-bit device-independent bitmap holds it: 0x00RRGGBB.
using Pixel = uint32_t;
inline Pixel PixelFromColorRef(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF ColorRefFromPixel(Pixel p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

}  // namespace win::gdi
