// The raster back end: scan conversion of lines, polygons and glyphs into the
// 32-bit bitmap selected into a device context, through the clip region and
// the binary raster operation.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <type_traits>

#include "device_context.h"
#include "font_engine.h"

namespace win::gdi {

namespace {

// RoundCoord without the library floor: long polylines round every point.
inline int32_t RoundPoint(double v) {
  const double r = v + 0.5;
  if (r > -double(kCoordLimit) && r < double(kCoordLimit)) {  // false for NaN
    const int32_t t = static_cast<int32_t>(r);
    return t - (r < t ? 1 : 0);
  }
  return RoundCoord(v);
}

// One colour over a run of pixels. Whole rows are filled at every paint
// (the background first of all): the run is filled by the C library's
// wide stores (its four-byte memset), not pixel by pixel nor by copies.
void FillPixels(Pixel* at, ptrdiff_t length, Pixel color) {
  if (length <= 0) return;
  const size_t count = size_t(length);
  if (count < 16) {
    std::fill(at, at + count, color);
    return;
  }
  static_assert(sizeof(wchar_t) == sizeof(Pixel), "four-byte fill");
  wchar_t unit;
  std::memcpy(&unit, &color, sizeof unit);
  std::wmemset(reinterpret_cast<wchar_t*>(at), unit, count);
}

bool HatchBit(int hatch, int32_t x, int32_t y) {
  int px = x & 7, py = y & 7;
  switch (hatch) {
    case HS_HORIZONTAL: return py == 7;
    case HS_VERTICAL: return px == 7;
    case HS_FDIAGONAL: return px == py;
    case HS_BDIAGONAL: return px == 7 - py;
    case HS_CROSS: return px == 7 || py == 7;
    case HS_DIAGCROSS: return px == py || px == 7 - py;
    default: return true;
  }
}

class RasterDevice final : public Device {
 public:
  explicit RasterDevice(DeviceContext* dc) : dc_(dc) {}
  BitmapObject* Raster() override { return dc_->bitmap().get(); }

  // Calls fn(x0, x1) for the visible parts of row y, [xa, xb).
  template <class Fn>
  void ClippedSpans(BitmapObject& bmp, int32_t y, int32_t xa, int32_t xb, const Region* clip,
                    Fn&& fn) {
    if (y < 0 || y >= bmp.height) return;
    xa = std::max(xa, 0);
    xb = std::min(xb, bmp.width);
    if (xb <= xa) return;
    if (!clip) { fn(xa, xb); return; }
    const auto* spans = clip->RowSpans(y);
    if (!spans) return;
    for (auto& s : *spans) {
      int32_t a = std::max(xa, s.x0), b = std::min(xb, s.x1);
      if (b > a) fn(a, b);
    }
  }

  void Span(BitmapObject& bmp, int32_t y, int32_t xa, int32_t xb, const Paint& paint, int rop2,
            const Region* clip) {
    ClippedSpans(bmp, y, xa, xb, clip, [&](int32_t a, int32_t b) {
      Pixel* row = bmp.Row(y);
      if (paint.hatch < 0 && rop2 == R2_COPYPEN) {
        FillPixels(row + a, b - a, paint.color);
        return;
      }
      if (paint.hatch < 0 && (rop2 == R2_BLACK || rop2 == R2_WHITE)) {  // whatever was there
        FillPixels(row + a, b - a, ApplyRop2(rop2, paint.color, 0));
        return;
      }
      for (int32_t x = a; x < b; ++x) {
        Pixel src = paint.color;
        if (paint.hatch >= 0 && !HatchBit(paint.hatch, x, y)) {
          if (!paint.opaqueBackground) continue;
          src = paint.background;
        }
        row[x] = ApplyRop2(rop2, src, row[x]);
      }
    });
  }

  void FillPolygons(const Polygons& polys, bool winding, const Paint& paint, int rop2,
                    const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || rop2 == R2_NOP) return;
    ScanPolygons(polys, winding, 0, bmp->height,
                 [&](int32_t y, int32_t a, int32_t b) { Span(*bmp, y, a, b, paint, rop2, clip); });
  }

  void FillRect(const IntRect& r, const Paint& paint, int rop2, const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || r.Empty() || rop2 == R2_NOP) return;
    int32_t y0 = std::max(r.top, 0), y1 = std::min(r.bottom, bmp->height);
    for (int32_t y = y0; y < y1; ++y) Span(*bmp, y, r.left, r.right, paint, rop2, clip);
  }

  void SetPixel(int32_t x, int32_t y, Pixel color, const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || x < 0 || y < 0 || x >= bmp->width || y >= bmp->height) return;
    if (clip && !clip->Contains(x, y)) return;
    bmp->Row(y)[x] = color;
  }

  void StrokePolyline(const std::vector<PointF>& pts, bool closed, const Stroke& stroke,
                      int rop2, const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || pts.empty() || stroke.style == PS_NULL || rop2 == R2_NOP) return;
    if (stroke.width > 1.5) {
      WideStroke(pts, closed, stroke, rop2, clip);
      return;
    }
    ThinStroke(*bmp, pts.size(), closed, stroke, rop2, clip,
               [&](size_t i) { return IntPoint{RoundPoint(pts[i].x), RoundPoint(pts[i].y)}; });
  }

  void StrokeWholePolyline(const int32_t* xy, size_t count, IntPoint offset, const Stroke& stroke, int rop2,
                           const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || count == 0 || stroke.style == PS_NULL || rop2 == R2_NOP) return;
    if (stroke.width > 1.5) {
      Device::StrokeWholePolyline(xy, count, offset, stroke, rop2, clip);
      return;
    }
    if (offset.x == 0 && offset.y == 0) {  // the usual case: one clamp per coordinate
      ThinStroke(*bmp, count, false, stroke, rop2, clip, [xy](size_t i) {
        // The points may have left the cache while their trace was read; an
        // address past the end is only a hint, never read.
        __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(xy + 2 * i) + 256));
        return IntPoint{ClampCoord(int64_t(xy[2 * i])), ClampCoord(int64_t(xy[2 * i + 1]))};
      });
      return;
    }
    ThinStroke(*bmp, count, false, stroke, rop2, clip, [&](size_t i) {
      return IntPoint{ClampCoord(int64_t(ClampCoord(int64_t(xy[2 * i]))) + offset.x),
                      ClampCoord(int64_t(ClampCoord(int64_t(xy[2 * i + 1]))) + offset.y)};
    });
  }

  // A one-pixel pen along the n points at(0) .. at(n - 1) (and back to the
  // first when closed), each segment without its end point.
  template <class PointAt>
  void ThinStroke(BitmapObject& raster, size_t n, bool closed, const Stroke& stroke, int rop2, const Region* clip,
                  PointAt&& at) {
    BitmapObject* bmp = &raster;
    static const int kDash[] = {18, 6}, kDot[] = {3, 3}, kDashDot[] = {9, 6, 3, 6},
                     kDashDotDot[] = {9, 3, 3, 3, 3, 3};
    const int* pattern = nullptr;
    int patternLen = 0;
    switch (stroke.style) {
      case PS_DASH: pattern = kDash; patternLen = 2; break;
      case PS_DOT: pattern = kDot; patternLen = 2; break;
      case PS_DASHDOT: pattern = kDashDot; patternLen = 4; break;
      case PS_DASHDOTDOT: pattern = kDashDotDot; patternLen = 6; break;
      default: break;
    }
    int patIndex = 0, patLeft = pattern ? pattern[0] : 0;
    auto plot = [&](int32_t x, int32_t y) {
      bool on = true;
      if (pattern) {
        on = (patIndex % 2) == 0;
        if (--patLeft <= 0) {
          patIndex = (patIndex + 1) % patternLen;
          patLeft = pattern[patIndex];
        }
      }
      if (!on || x < 0 || y < 0 || x >= bmp->width || y >= bmp->height) return;
      if (clip && !clip->Contains(x, y)) return;
      Pixel& d = bmp->Row(y)[x];
      d = ApplyRop2(rop2, stroke.color, d);
    };
    const OpenArea area = pattern ? OpenArea{} : SolidArea(*bmp, clip);
    const size_t segments = closed ? n : n - 1;
    auto outside = [&](IntPoint a, IntPoint b) { Line(a, b, bmp->width, bmp->height, plot); };
    if (rop2 == R2_COPYPEN) WalkSegments<true>(area, segments, n, stroke.color, rop2, at, outside);
    else WalkSegments<false>(area, segments, n, stroke.color, rop2, at, outside);
  }

  // Where a solid pen's pixels land unchecked, with everything the walk
  // needs held in locals: pixel stores would otherwise make the compiler
  // reload the bitmap's fields at every segment.
  struct OpenArea {
    Pixel* origin = nullptr;  // row 0, column 0
    ptrdiff_t row = 0;        // from one row to the next below it
    int32_t left = 0, top = 0;
    uint32_t width = 0, height = 0;
    bool Inside(IntPoint p) const { return uint32_t(p.x - left) < width && uint32_t(p.y - top) < height; }
  };

  // The surface, or the part of it a rectangular clip leaves.
  static OpenArea SolidArea(BitmapObject& bmp, const Region* clip) {
    IntRect open{0, 0, bmp.width, bmp.height};
    if (clip) open = clip->IsRect() ? open.Intersected(clip->Bounds()) : IntRect{0, 0, 0, 0};
    const bool any = bmp.width > 0 && bmp.height > 0;
    return OpenArea{any ? bmp.Row(0) : nullptr, bmp.bottomUp ? -ptrdiff_t(bmp.width) : ptrdiff_t(bmp.width),
                    open.left, open.top, uint32_t(std::max(open.right - open.left, 0)),
                    uint32_t(std::max(open.bottom - open.top, 0))};
  }

  static bool Patterned(int style) {
    return style == PS_DASH || style == PS_DOT || style == PS_DASHDOT || style == PS_DASHDOTDOT;
  }

  void StrokeWholePolylines(const int32_t* xy, const uint32_t* counts, size_t polylines, IntPoint offset,
                            const Stroke& stroke, int rop2, const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || stroke.style == PS_NULL || rop2 == R2_NOP) return;
    if (stroke.width > 1.5 || Patterned(stroke.style)) {  // a dash restarts with every polyline
      Device::StrokeWholePolylines(xy, counts, polylines, offset, stroke, rop2, clip);
      return;
    }
    // What ThinStroke sets up per call, once for all: a solid pen keeps no
    // state from one polyline to the next.
    const OpenArea area = SolidArea(*bmp, clip);
    const Pixel color = stroke.color;
    auto plot = [&](int32_t x, int32_t y) {
      if (x < 0 || y < 0 || x >= bmp->width || y >= bmp->height) return;
      if (clip && !clip->Contains(x, y)) return;
      Pixel& d = bmp->Row(y)[x];
      d = ApplyRop2(rop2, color, d);
    };
    auto outside = [&](IntPoint a, IntPoint b) { Line(a, b, bmp->width, bmp->height, plot); };
    auto walk = [&](auto copy, size_t n, auto&& at) {
      WalkSegments<decltype(copy)::value>(area, n - 1, n, color, rop2, at, outside);
    };
    for (size_t k = 0; k < polylines; ++k) {
      const size_t n = counts[k];
      if (n == 0) continue;
      if (offset.x == 0 && offset.y == 0) {
        auto at = [xy](size_t i) { return IntPoint{ClampCoord(int64_t(xy[2 * i])), ClampCoord(int64_t(xy[2 * i + 1]))}; };
        if (rop2 == R2_COPYPEN) walk(std::true_type{}, n, at);
        else walk(std::false_type{}, n, at);
      } else {
        auto at = [xy, offset](size_t i) {
          return IntPoint{ClampCoord(int64_t(ClampCoord(int64_t(xy[2 * i]))) + offset.x),
                          ClampCoord(int64_t(ClampCoord(int64_t(xy[2 * i + 1]))) + offset.y)};
        };
        if (rop2 == R2_COPYPEN) walk(std::true_type{}, n, at);
        else walk(std::false_type{}, n, at);
      }
      xy += 2 * n;
    }
  }

  template <bool Copy, class PointAt, class Outside>
  static void WalkSegments(const OpenArea area, size_t segments, size_t n, Pixel color, int rop2, PointAt& at,
                           Outside& outside) {
    IntPoint b = at(0);
    bool bInside = area.Inside(b);
    for (size_t i = 0; i < segments; ++i) {
      const IntPoint a = b;
      const bool aInside = bInside;
      b = at(i + 1 < n ? i + 1 : 0);
      bInside = area.Inside(b);
      if (aInside && bInside) OpenLine<Copy>(area.origin + a.y * area.row + a.x, area.row, a, b, color, rop2);
      else if ((a.x == b.x || a.y == b.y) && area.width && area.height) AxisRun<Copy>(area, a, b, color, rop2);
      else outside(a, b);
    }
  }

  // A level or upright segment from a to b, b excluded, that leaves the
  // open area (a line out to the right-hand edge of the plot): its pixels
  // inside are one run, the rest is off the surface or clipped away.
  template <bool Copy>
  static void AxisRun(const OpenArea& area, IntPoint a, IntPoint b, Pixel color, int rop2) {
    if (a.x == b.x && a.y == b.y) return;
    const bool level = a.y == b.y;
    const int64_t across = level ? a.y : a.x, acrossFrom = level ? area.top : area.left;
    const int64_t acrossSize = level ? area.height : area.width;
    if (across < acrossFrom || across >= acrossFrom + acrossSize) return;
    const int64_t from = level ? a.x : a.y, to = level ? b.x : b.y;
    int64_t lo = from < to ? from : to + 1, hi = from < to ? to - 1 : from;  // inclusive
    const int64_t alongFrom = level ? area.left : area.top, alongSize = level ? area.width : area.height;
    lo = std::max(lo, alongFrom);
    hi = std::min(hi, alongFrom + alongSize - 1);
    if (lo > hi) return;
    const ptrdiff_t step = level ? 1 : area.row;
    Pixel* p = level ? area.origin + across * area.row + lo : area.origin + lo * area.row + across;
    for (int64_t i = lo; i <= hi; ++i, p += step) *p = Copy ? color : ApplyRop2(rop2, color, *p);
  }

  // Bresenham from a to b, b excluded, both on the surface and nothing in
  // between clipped: the pixels the general walk gives, stepped through in
  // memory from p, the pixel of a.
  template <bool Copy>
  static void OpenLine(Pixel* p, ptrdiff_t row, IntPoint a, IntPoint b, Pixel color, int rop2) {
    const int32_t dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
    const ptrdiff_t stepX = a.x < b.x ? 1 : -1;
    const ptrdiff_t stepY = a.y < b.y ? row : -row;
    auto put = [&](Pixel* q) { *q = Copy ? color : ApplyRop2(rop2, color, *q); };
    // One walk for both slopes, the axes picked by value and the minor step
    // taken by mask: trace segments are a few pixels each, in every
    // direction, and branches on them would mostly be guessed wrong.
    const bool xMajor = dx >= dy;
    const int32_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const ptrdiff_t stepMajor = xMajor ? stepX : stepY, stepMinor = xMajor ? stepY : stepX;
    int32_t err = major / 2;
    for (int32_t i = 0; i < major; ++i) {
      put(p);
      p += stepMajor;
      err -= minor;
      const int32_t under = err >> 31;  // all ones when err < 0
      p += stepMinor & ptrdiff_t(under);
      err += major & under;
    }
  }

  // Bresenham from a to b, b itself excluded, skipping runs outside the
  // surface quickly so that huge coordinates cost nothing.
  template <class Plot>
  static void Line(IntPoint a, IntPoint b, int32_t w, int32_t h, Plot&& plot) {
    int64_t dx = std::llabs(int64_t(b.x) - a.x), dy = std::llabs(int64_t(b.y) - a.y);
    int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    int64_t steps = std::max(dx, dy);
    if (steps == 0) return;
    // Whole segment outside the surface: nothing to plot (dash phase aside).
    if ((a.x < 0 && b.x < 0) || (a.y < 0 && b.y < 0) || (a.x >= w && b.x >= w) ||
        (a.y >= h && b.y >= h))
      return;
    if (steps > 4 * int64_t(std::max(w, h)) + 16) {
      // Long segment: walk only the part near the surface.
      double t0 = 0, t1 = 1;
      auto clipAxis = [&](double p0, double p1, double lo, double hi) {
        double d = p1 - p0;
        if (d == 0) return p0 >= lo && p0 <= hi;
        double ta = (lo - p0) / d, tb = (hi - p0) / d;
        if (ta > tb) std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        return t0 <= t1;
      };
      if (!clipAxis(a.x, b.x, -2, w + 2) || !clipAxis(a.y, b.y, -2, h + 2)) return;
      IntPoint na{RoundCoord(a.x + (b.x - double(a.x)) * t0), RoundCoord(a.y + (b.y - double(a.y)) * t0)};
      IntPoint nb{RoundCoord(a.x + (b.x - double(a.x)) * t1), RoundCoord(a.y + (b.y - double(a.y)) * t1)};
      bool endInside = t1 >= 1;
      a = na;
      b = nb;
      dx = std::llabs(int64_t(b.x) - a.x);
      dy = std::llabs(int64_t(b.y) - a.y);
      steps = std::max(dx, dy);
      if (!endInside) ++steps;
      if (steps == 0) return;
    }
    int64_t x = a.x, y = a.y;
    if (dx >= dy) {
      int64_t err = dx / 2;
      for (int64_t i = 0; i < steps; ++i) {
        plot(int32_t(x), int32_t(y));
        x += sx;
        err -= dy;
        if (err < 0) { y += sy; err += dx; }
      }
    } else {
      int64_t err = dy / 2;
      for (int64_t i = 0; i < steps; ++i) {
        plot(int32_t(x), int32_t(y));
        y += sy;
        err -= dx;
        if (err < 0) { x += sx; err += dy; }
      }
    }
  }

  // A geometric pen: the union of segment quadrilaterals and round joins,
  // filled once with the winding rule so that raster operations touch each
  // pixel only once.
  void WideStroke(const std::vector<PointF>& pts, bool closed, const Stroke& stroke, int rop2,
                  const Region* clip) {
    double r = stroke.width / 2;
    Polygons polys;
    auto addOriented = [&](std::vector<PointF> poly) {
      double area = 0;
      for (size_t i = 0; i < poly.size(); ++i) {
        auto& p = poly[i];
        auto& q = poly[(i + 1) % poly.size()];
        area += p.x * q.y - q.x * p.y;
      }
      if (area < 0) std::reverse(poly.begin(), poly.end());
      if (area != 0) polys.push_back(std::move(poly));
    };
    int circleSteps = int(std::clamp(r * 2, 8.0, 64.0));
    auto circle = [&](PointF c) {
      std::vector<PointF> poly;
      for (int i = 0; i < circleSteps; ++i) {
        double a = 2 * M_PI * i / circleSteps;
        poly.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
      }
      addOriented(std::move(poly));
    };
    size_t n = pts.size();
    size_t segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
      PointF a = pts[i], b = pts[(i + 1) % n];
      double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
      if (len > 0) {
        double nx = -dy / len * r, ny = dx / len * r;
        addOriented({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny},
                     {a.x - nx, a.y - ny}});
      }
    }
    for (size_t i = 0; i < n; ++i) circle(pts[i]);
    // Pen centres on pixel centres.
    for (auto& p : polys)
      for (auto& q : p) { q.x += 0.5; q.y += 0.5; }
    Paint paint;
    paint.color = stroke.color;
    FillPolygons(polys, true, paint, rop2, clip);
  }

  void Blit(const IntRect& dst, const BitmapObject& src, double sx, double sy, double sw,
            double sh, uint8_t code, const Paint& pattern, const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || dst.Empty()) return;
    IntRect area = dst.Intersected({0, 0, bmp->width, bmp->height});
    if (area.Empty()) return;
    double fx = sw / dst.Width(), fy = sh / dst.Height();
    bool sameSize = sw == dst.Width() && sh == dst.Height();
    // Source and destination may be the same bitmap: copy the source rows first.
    std::vector<Pixel> tmp;
    const BitmapObject* from = &src;
    BitmapObject copy;
    if (&src == bmp) {
      copy.width = src.width;
      copy.height = src.height;
      copy.pixels = src.pixels;
      copy.bottomUp = src.bottomUp;
      from = &copy;
    }
    for (int32_t y = area.top; y < area.bottom; ++y) {
      int64_t syy = int64_t(std::floor(sy + (y - dst.top + 0.5) * fy));
      if (sh < 0) syy = int64_t(std::floor(sy + (y - dst.top + 0.5) * fy));
      bool rowIn = syy >= 0 && syy < from->height;
      const Pixel* srow = rowIn ? from->Row(int32_t(syy)) : nullptr;
      Pixel* drow = bmp->Row(y);
      ClippedSpans(*bmp, y, area.left, area.right, clip, [&](int32_t a, int32_t b) {
        if (code == 0xCC && sameSize && srow) {
          int64_t s0 = int64_t(sx) + (a - dst.left);
          for (int32_t x = a; x < b; ++x, ++s0)
            if (s0 >= 0 && s0 < from->width) drow[x] = srow[s0] & 0xFFFFFF;
          return;
        }
        for (int32_t x = a; x < b; ++x) {
          Pixel sp = 0xFFFFFF;
          if (srow) {
            int64_t sxx = int64_t(std::floor(sx + (x - dst.left + 0.5) * fx));
            if (sxx < 0 || sxx >= from->width) continue;
            sp = srow[sxx] & 0xFFFFFF;
          } else if (code != 0xCC) {
            sp = 0xFFFFFF;
          } else {
            continue;
          }
          Pixel pp = pattern.color;
          if (pattern.hatch >= 0 && !HatchBit(pattern.hatch, x, y)) pp = pattern.background;
          drow[x] = ApplyRop3(code, pp, sp, drow[x]);
        }
      });
    }
  }

  void DrawGlyphs(const GlyphRun& run, Pixel color, const Region* clip) override {
    BitmapObject* bmp = Raster();
    if (!bmp || !run.face) return;
    std::lock_guard lock(FontMutex());
    int cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
    // Only what the bitmap and the clip let through is rendered at all.
    IntRect visible{0, 0, bmp->width, bmp->height};
    if (clip) visible = visible.Intersected(clip->Bounds());
    if (visible.Empty()) return;
    const bool rectClip = !clip || clip->IsRect();
    for (auto& g : run.glyphs) {
      if (!(std::fabs(g.origin.x) < 4e15) || !(std::fabs(g.origin.y) < 4e15)) continue;
      const int64_t gx = int64_t(std::floor(g.origin.x + 0.5));
      const int64_t gy = int64_t(std::floor(g.origin.y + 0.5));
      const GlyphWindow window{visible.left - gx, visible.top - gy, visible.right - gx, visible.bottom - gy};
      const GlyphImage* img = RenderGlyph(run.face, g.index, run.emPixels, run.widthScale, run.angle, window, run.stretchX);
      if (!img || img->width <= 0 || img->height <= 0) continue;
      int64_t ox = gx + img->left;
      int64_t oy = gy - img->top;
      if (ox >= bmp->width || oy >= bmp->height || ox + img->width <= 0 || oy + img->height <= 0)
        continue;
      for (int iy = 0; iy < img->height; ++iy) {
        int64_t y = oy + iy;
        if (y < 0 || y >= bmp->height) continue;
        if (rectClip && (y < visible.top || y >= visible.bottom)) continue;
        const uint8_t* cov = img->coverage.data() + size_t(iy) * img->width;
        Pixel* row = bmp->Row(int32_t(y));
        // The columns the bitmap (and a rectangular clip) let through.
        int64_t from = std::max<int64_t>(0, -ox), to = std::min<int64_t>(img->width, bmp->width - ox);
        if (rectClip) from = std::max<int64_t>(from, visible.left - ox), to = std::min<int64_t>(to, visible.right - ox);
        for (int64_t ix = from; ix < to; ++ix) {
          const int a = cov[ix];
          const int64_t x = ox + ix;
          if (a == 0) continue;
          if (!rectClip && !clip->Contains(int32_t(x), int32_t(y))) continue;
          if (a == 255) {  // full cover: the blend below gives the colour itself
            row[x] = Pixel(cr) << 16 | Pixel(cg) << 8 | Pixel(cb);
            continue;
          }
          Pixel d = row[x];
          int dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
          dr += (cr - dr) * a / 255;
          dg += (cg - dg) * a / 255;
          db += (cb - db) * a / 255;
          row[x] = Pixel(dr) << 16 | Pixel(dg) << 8 | Pixel(db);
        }
      }
    }
  }

 private:
  DeviceContext* dc_;
};

}  // namespace

std::unique_ptr<Device> MakeRasterDevice(DeviceContext* dc) {
  return std::make_unique<RasterDevice>(dc);
}

}  // namespace win::gdi
