#pragma once
// The output side of a device context: primitives in device coordinates.
// A raster back end draws into a bitmap, the printer back end into a PDF
// page; a metafile context has none (it only records).
#include <vector>
#include "gdi_geometry.h"
#include "gdi_region.h"

namespace win::gdi {

struct FontFace;
struct BitmapObject;

using Polygons = std::vector<std::vector<PointF>>;

struct Paint {
  Pixel color = 0;
  int hatch = -1;          // HS_* for hatched brushes
  Pixel background = 0;   // hatch gaps when opaque
  bool opaqueBackground = false;
};

struct Stroke {
  int style = 0;       // PS_SOLID, PS_DASH ...
  double width = 0;    // device units; up to 1 is a cosmetic one-pixel line
  Pixel color = 0;
};

struct PlacedGlyph {
  uint32_t index;  // glyph index in the face
  PointF origin;   // baseline origin, device units
};

struct GlyphRun {
  const FontFace* face = nullptr;
  double emPixels = 0;    // em height in device units
  double widthScale = 1;  // horizontal stretch of the glyphs
  double angle = 0;       // baseline angle, radians, counter-clockwise on the page
  double stretchX = 1;    // device-x stretch of the turned glyphs (a picture played anisotropically)
  std::vector<PlacedGlyph> glyphs;
};

class Device {
 public:
  virtual ~Device() = default;
  virtual void FillPolygons(const Polygons& polys, bool winding, const Paint& paint, int rop2,
                            const Region* clip) = 0;
  virtual void FillRect(const IntRect& r, const Paint& paint, int rop2, const Region* clip) = 0;
  virtual void StrokePolyline(const std::vector<PointF>& pts, bool closed, const Stroke& stroke,
                              int rop2, const Region* clip) = 0;
  // An open polyline of whole points xy[2i], xy[2i + 1], each coordinate
  // clamped to the drawing space, moved by offset into device units and
  // clamped again.
  // Devices that gain nothing from whole points take them as PointF.
  virtual void StrokeWholePolyline(const int32_t* xy, size_t count, IntPoint offset, const Stroke& stroke,
                                   int rop2, const Region* clip) {
    std::vector<PointF> pts(count);
    for (size_t i = 0; i < count; ++i)
      pts[i] = {double(ClampCoord(int64_t(ClampCoord(int64_t(xy[2 * i]))) + offset.x)),
                double(ClampCoord(int64_t(ClampCoord(int64_t(xy[2 * i + 1]))) + offset.y))};
    StrokePolyline(pts, false, stroke, rop2, clip);
  }
  // Polylines of counts[i] whole points each, one after another, as that
  // many StrokeWholePolyline calls.
  virtual void StrokeWholePolylines(const int32_t* xy, const uint32_t* counts, size_t polylines, IntPoint offset,
                                    const Stroke& stroke, int rop2, const Region* clip) {
    for (size_t i = 0; i < polylines; ++i) {
      StrokeWholePolyline(xy, counts[i], offset, stroke, rop2, clip);
      xy += 2 * size_t(counts[i]);
    }
  }
  virtual void DrawGlyphs(const GlyphRun& run, Pixel color, const Region* clip) = 0;
  virtual void SetPixel(int32_t x, int32_t y, Pixel color, const Region* clip) = 0;
  // Copies src pixels [sx, sx+sw) x [sy, sy+sh) onto dst (scaled, nearest
  // neighbour) through the ternary raster operation code.
  virtual void Blit(const IntRect& dst, const BitmapObject& src, double sx, double sy, double sw,
                    double sh, uint8_t code, const Paint& pattern, const Region* clip) = 0;
  // The bitmap behind a raster device, null for other devices.
  virtual BitmapObject* Raster() { return nullptr; }
};

// Applies a binary raster operation (R2_*) of pen P to destination D.
inline Pixel ApplyRop2(int rop2, Pixel p, Pixel d) {
  Pixel r;
  switch (rop2) {
    case 1: r = 0; break;
    case 2: r = ~(p | d); break;
    case 3: r = ~p & d; break;
    case 4: r = ~p; break;
    case 5: r = p & ~d; break;
    case 6: r = ~d; break;
    case 7: r = p ^ d; break;
    case 8: r = ~(p & d); break;
    case 9: r = p & d; break;
    case 10: r = ~(p ^ d); break;
    case 11: r = d; break;
    case 12: r = ~p | d; break;
    case 14: r = p | ~d; break;
    case 15: r = p | d; break;
    case 16: r = 0xFFFFFF; break;
    default: r = p; break;
  }
  return r & 0xFFFFFF;
}

// Evaluates a ternary raster operation code (the high byte of the ROP word)
// on pattern, source and destination.
inline Pixel ApplyRop3(uint8_t code, Pixel p, Pixel s, Pixel d) {
  Pixel r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(code & (1 << i))) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

}  // namespace win::gdi
