// Banded regions and polygon scan conversion.
#include "gdi_region.h"

#include <algorithm>
#include <cmath>

namespace win::gdi {

namespace {
// Rows scanned for a polygon are limited so that an absurd polygon cannot
// take unbounded time; drawing surfaces are far smaller.
constexpr int32_t kScanLimit = 1 << 20;

std::vector<Span> CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b,
                               RegionOp op) {
  std::vector<int32_t> xs;
  xs.reserve((a.size() + b.size()) * 2);
  for (auto& s : a) { xs.push_back(s.x0); xs.push_back(s.x1); }
  for (auto& s : b) { xs.push_back(s.x0); xs.push_back(s.x1); }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::vector<Span> out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    int32_t x0 = xs[i], x1 = xs[i + 1];
    while (ia < a.size() && a[ia].x1 <= x0) ++ia;
    while (ib < b.size() && b[ib].x1 <= x0) ++ib;
    bool inA = ia < a.size() && a[ia].x0 <= x0;
    bool inB = ib < b.size() && b[ib].x0 <= x0;
    bool in = false;
    switch (op) {
      case RegionOp::And: in = inA && inB; break;
      case RegionOp::Or: in = inA || inB; break;
      case RegionOp::Xor: in = inA != inB; break;
      case RegionOp::Diff: in = inA && !inB; break;
    }
    if (!in) continue;
    if (!out.empty() && out.back().x1 == x0) out.back().x1 = x1;
    else out.push_back({x0, x1});
  }
  return out;
}
}  // namespace

Region::Region(const IntRect& r) {
  if (!r.Empty()) bands_.push_back({r.top, r.bottom, {{r.left, r.right}}});
}

void Region::AppendBand(int32_t y0, int32_t y1, std::vector<Span>&& spans) {
  if (y1 <= y0 || spans.empty()) return;
  if (!bands_.empty() && bands_.back().y1 == y0 && bands_.back().spans == spans) {
    bands_.back().y1 = y1;
    return;
  }
  bands_.push_back({y0, y1, std::move(spans)});
}

IntRect Region::Bounds() const {
  if (bands_.empty()) return {};
  IntRect r{bands_.front().spans.front().x0, bands_.front().y0, bands_.front().spans.back().x1,
            bands_.back().y1};
  for (auto& b : bands_) {
    r.left = std::min(r.left, b.spans.front().x0);
    r.right = std::max(r.right, b.spans.back().x1);
  }
  return r;
}

const std::vector<Span>* Region::RowSpans(int32_t y) const {
  if (bands_.empty()) return nullptr;
  size_t i = lastBand_ < bands_.size() ? lastBand_ : 0;
  if (!(bands_[i].y0 <= y && y < bands_[i].y1)) {
    auto it = std::upper_bound(bands_.begin(), bands_.end(), y,
                               [](int32_t v, const Band& b) { return v < b.y1; });
    if (it == bands_.end() || it->y0 > y) return nullptr;
    i = static_cast<size_t>(it - bands_.begin());
    lastBand_ = i;
  }
  return &bands_[i].spans;
}

bool Region::Contains(int32_t x, int32_t y) const {
  const auto* spans = RowSpans(y);
  if (!spans) return false;
  for (auto& s : *spans)
    if (x >= s.x0 && x < s.x1) return true;
  return false;
}

bool Region::Intersects(const IntRect& r) const {
  if (r.Empty()) return false;
  for (auto& b : bands_) {
    if (b.y1 <= r.top || b.y0 >= r.bottom) continue;
    for (auto& s : b.spans)
      if (s.x1 > r.left && s.x0 < r.right) return true;
  }
  return false;
}

void Region::Offset(int32_t dx, int32_t dy) {
  for (auto& b : bands_) {
    b.y0 = ClampCoord(int64_t(b.y0) + dy);
    b.y1 = ClampCoord(int64_t(b.y1) + dy);
    for (auto& s : b.spans) {
      s.x0 = ClampCoord(int64_t(s.x0) + dx);
      s.x1 = ClampCoord(int64_t(s.x1) + dx);
    }
  }
  // Clamping can squeeze bands or spans to nothing; rebuild to stay canonical.
  std::vector<Band> old;
  old.swap(bands_);
  for (auto& b : old) {
    std::vector<Span> spans;
    for (auto& s : b.spans)
      if (s.x1 > s.x0) spans.push_back(s);
    AppendBand(b.y0, b.y1, std::move(spans));
  }
}

Region Region::Combined(const Region& other, RegionOp op) const {
  std::vector<int32_t> ys;
  for (auto& b : bands_) { ys.push_back(b.y0); ys.push_back(b.y1); }
  for (auto& b : other.bands_) { ys.push_back(b.y0); ys.push_back(b.y1); }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region out;
  static const std::vector<Span> none;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    int32_t y0 = ys[i], y1 = ys[i + 1];
    while (ia < bands_.size() && bands_[ia].y1 <= y0) ++ia;
    while (ib < other.bands_.size() && other.bands_[ib].y1 <= y0) ++ib;
    const auto& a = (ia < bands_.size() && bands_[ia].y0 <= y0) ? bands_[ia].spans : none;
    const auto& b =
        (ib < other.bands_.size() && other.bands_[ib].y0 <= y0) ? other.bands_[ib].spans : none;
    out.AppendBand(y0, y1, CombineSpans(a, b, op));
  }
  return out;
}

bool Region::operator==(const Region& o) const {
  if (bands_.size() != o.bands_.size()) return false;
  for (size_t i = 0; i < bands_.size(); ++i)
    if (bands_[i].y0 != o.bands_[i].y0 || bands_[i].y1 != o.bands_[i].y1 ||
        bands_[i].spans != o.bands_[i].spans)
      return false;
  return true;
}

int Region::Kind() const {
  if (bands_.empty()) return 1;
  return IsRect() ? 2 : 3;
}

std::vector<IntRect> Region::Rects() const {
  std::vector<IntRect> out;
  for (auto& b : bands_)
    for (auto& s : b.spans) out.push_back({s.x0, b.y0, s.x1, b.y1});
  return out;
}

Region Region::FromPolygons(const std::vector<std::vector<PointF>>& polygons, bool winding) {
  double ymin = 1e300, ymax = -1e300;
  for (auto& p : polygons)
    for (auto& pt : p) { ymin = std::min(ymin, pt.y); ymax = std::max(ymax, pt.y); }
  Region out;
  if (ymin > ymax) return out;
  int32_t y0 = ClampCoord(std::floor(ymin)), y1 = ClampCoord(std::ceil(ymax)) + 1;
  y0 = std::max(y0, -kScanLimit);
  y1 = std::min(y1, kScanLimit);
  int32_t rowY = INT32_MIN;
  std::vector<Span> row;
  auto flush = [&]() {
    if (rowY != INT32_MIN) out.AppendBand(rowY, rowY + 1, std::move(row));
    row.clear();
  };
  ScanPolygons(polygons, winding, y0, y1, [&](int32_t y, int32_t xa, int32_t xb) {
    if (y != rowY) { flush(); rowY = y; }
    if (!row.empty() && row.back().x1 >= xa) row.back().x1 = std::max(row.back().x1, xb);
    else row.push_back({xa, xb});
  });
  flush();
  return out;
}

void ScanPolygons(const std::vector<std::vector<PointF>>& polygons, bool winding, int32_t yFrom,
                  int32_t yTo, const std::function<void(int32_t, int32_t, int32_t)>& out) {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  for (auto& poly : polygons) {
    size_t n = poly.size();
    if (n < 2) continue;
    for (size_t i = 0; i < n; ++i) {
      PointF a = poly[i], b = poly[(i + 1) % n];
      if (a.y == b.y) continue;
      if (a.y < b.y) edges.push_back({a.x, a.y, b.x, b.y, 1});
      else edges.push_back({b.x, b.y, a.x, a.y, -1});
    }
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
  double eymin = edges.front().y0, eymax = -1e300;
  for (auto& e : edges) eymax = std::max(eymax, e.y1);
  yFrom = std::max<int64_t>(yFrom, ClampCoord(std::floor(eymin - 0.5)));
  yTo = std::min<int64_t>(yTo, ClampCoord(std::ceil(eymax + 0.5)));
  std::vector<size_t> active;
  size_t next = 0;
  std::vector<std::pair<double, int>> xs;
  for (int32_t y = yFrom; y < yTo; ++y) {
    double cy = y + 0.5;
    while (next < edges.size() && edges[next].y0 <= cy) active.push_back(next++);
    xs.clear();
    size_t keep = 0;
    for (size_t k = 0; k < active.size(); ++k) {
      const Edge& e = edges[active[k]];
      if (e.y1 <= cy) continue;  // finished
      active[keep++] = active[k];
      if (e.y0 > cy) continue;
      double t = (cy - e.y0) / (e.y1 - e.y0);
      xs.push_back({e.x0 + (e.x1 - e.x0) * t, e.dir});
    }
    active.resize(keep);
    if (xs.size() < 2) continue;
    std::sort(xs.begin(), xs.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    int wind = 0;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
      wind += winding ? xs[k].second : 1;
      bool inside = winding ? wind != 0 : (wind & 1) != 0;
      if (!inside) continue;
      // Pixels whose centres lie in [xa, xb).
      int32_t xa = ClampCoord(std::ceil(xs[k].first - 0.5));
      int32_t xb = ClampCoord(std::ceil(xs[k + 1].first - 0.5));
      if (xb > xa) out(y, xa, xb);
    }
    if (next >= edges.size() && active.empty()) break;
  }
}

}  // namespace win::gdi
