#pragma once
// A region: an area of the plane held as horizontal bands, each band a row
// range with sorted, disjoint column spans (half-open). Clipping, region
// objects and polygon areas share it.
#include <functional>
#include <vector>
#include "gdi_geometry.h"

namespace win::gdi {

struct Span {
  int32_t x0, x1;
  bool operator==(const Span&) const = default;
};

struct Band {
  int32_t y0, y1;
  std::vector<Span> spans;
};

enum class RegionOp { And, Or, Xor, Diff };

class Region {
 public:
  Region() = default;
  explicit Region(const IntRect& r);
  static Region FromPolygons(const std::vector<std::vector<PointF>>& polygons, bool winding);

  bool Empty() const { return bands_.empty(); }
  bool IsRect() const { return bands_.size() == 1 && bands_[0].spans.size() == 1; }
  IntRect Bounds() const;
  bool Contains(int32_t x, int32_t y) const;
  bool Intersects(const IntRect& r) const;
  void Offset(int32_t dx, int32_t dy);
  Region Combined(const Region& other, RegionOp op) const;
  bool operator==(const Region& o) const;
  // Spans of row y, or null when the row is outside every band.
  const std::vector<Span>* RowSpans(int32_t y) const;
  const std::vector<Band>& Bands() const { return bands_; }
  // GDI's region kinds: NULLREGION, SIMPLEREGION, COMPLEXREGION.
  int Kind() const;
  std::vector<IntRect> Rects() const;

 private:
  void AppendBand(int32_t y0, int32_t y1, std::vector<Span>&& spans);
  std::vector<Band> bands_;
  mutable size_t lastBand_ = 0;
};

// Calls out(y, x0, x1) for every run of pixel centres inside the polygons,
// row by row from yFrom to yTo (exclusive).
void ScanPolygons(const std::vector<std::vector<PointF>>& polygons, bool winding, int32_t yFrom,
                  int32_t yTo, const std::function<void(int32_t, int32_t, int32_t)>& out);

}  // namespace win::gdi
