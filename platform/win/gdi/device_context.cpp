// Device-context state, mapping, clipping and the drawing operations in
// logical units; each operation is recorded (metafile DC) and/or handed to
// the output back end in device units.
#include "device_context.h"

#include <cmath>

#include "font_engine.h"
#include "metafile.h"
#include "print_job.h"

namespace win::gdi {

namespace {
bool Fits16(const POINT* pts, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (pts[i].x < -32768 || pts[i].x > 32767 || pts[i].y < -32768 || pts[i].y > 32767)
      return false;
  return true;
}

IntRect BoundsOf(const std::vector<PointF>& pts) {
  if (pts.empty()) return {};
  double l = pts[0].x, t = pts[0].y, r = l, b = t;
  for (auto& p : pts) {
    l = std::min(l, p.x); r = std::max(r, p.x);
    t = std::min(t, p.y); b = std::max(b, p.y);
  }
  return {ClampCoord(std::floor(l)), ClampCoord(std::floor(t)), ClampCoord(std::floor(r)) + 1,
          ClampCoord(std::floor(b)) + 1};
}

// Record of a point list: 16-bit points when they fit, as the system does.
void RecordPoly(MetafileRecorder* rec, DWORD type32, DWORD type16, const POINT* pts, size_t n,
                const IntRect& bounds) {
  std::vector<uint8_t> r;
  bool small = Fits16(pts, n);
  size_t size = 8 + 16 + 4 + n * (small ? 4 : 8);
  r.resize(size);
  DWORD type = small ? type16 : type32;
  std::memcpy(r.data(), &type, 4);
  RECT b{bounds.left, bounds.top, bounds.right - 1, bounds.bottom - 1};
  std::memcpy(r.data() + 8, &b, 16);
  DWORD count = DWORD(n);
  std::memcpy(r.data() + 24, &count, 4);
  uint8_t* p = r.data() + 28;
  for (size_t i = 0; i < n; ++i) {
    if (small) {
      POINTS s{SHORT(pts[i].x), SHORT(pts[i].y)};
      std::memcpy(p + i * 4, &s, 4);
    } else {
      std::memcpy(p + i * 8, &pts[i], 8);
    }
  }
  rec->AppendRecord(std::move(r));
}
}  // namespace

DeviceCaps DisplayCaps() { return DeviceCaps{}; }

double TextFont::Scale() const { return face ? em / face->unitsPerEm : 0; }
double TextFont::Advance(uint8_t c) const {
  return face ? face->advance[c] * Scale() * widthScale * xPerY : 0;
}

DeviceContext::DeviceContext(Kind kind, DeviceCaps caps)
    : GdiObject(OBJ_DC), kind_(kind), caps_(caps) {
  state_.pen = std::static_pointer_cast<PenObject>(StockObject(BLACK_PEN));
  state_.brush = std::static_pointer_cast<BrushObject>(StockObject(WHITE_BRUSH));
  state_.font = std::static_pointer_cast<FontObject>(StockObject(SYSTEM_FONT));
}

DeviceContext::~DeviceContext() { ReleaseBitmap(); }

DWORD DeviceContext::ObjectType() const {
  switch (kind_) {
    case Kind::Memory: return OBJ_MEMDC;
    case Kind::Metafile: return OBJ_ENHMETADC;
    default: return OBJ_DC;
  }
}

void DeviceContext::SetRecorder(std::unique_ptr<MetafileRecorder> r) { recorder_ = std::move(r); }
std::unique_ptr<MetafileRecorder> DeviceContext::TakeRecorder() { return std::move(recorder_); }
void DeviceContext::SetPrintJob(std::unique_ptr<PrintJob> job) { printJob_ = std::move(job); }

HGDIOBJ DeviceContext::SelectBitmap(const std::shared_ptr<BitmapObject>& bmp) {
  if (kind_ != Kind::Memory || !bmp) return nullptr;
  if (bmp->selectedIn && bmp->selectedIn != this) return nullptr;  // one DC at a time
  if (!bitmap_) bitmap_ = std::static_pointer_cast<BitmapObject>(StockObject(kDefaultBitmap));
  HGDIOBJ old = ToHandle(*bitmap_);
  if (bitmap_ != bmp && !bitmap_->stock) bitmap_->selectedIn = nullptr;
  bitmap_ = bmp;
  if (!bmp->stock) bmp->selectedIn = this;
  return old;
}

void DeviceContext::ReleaseBitmap() {
  if (bitmap_ && !bitmap_->stock && bitmap_->selectedIn == this) bitmap_->selectedIn = nullptr;
  bitmap_.reset();
}

int DeviceContext::GetCaps(int index) const {
  const DeviceCaps& c = caps_;
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return kind_ == Kind::Metafile ? DT_METAFILE : c.technology;
    case HORZSIZE: return c.horzSizeMm;
    case VERTSIZE: return c.vertSizeMm;
    case HORZRES: return c.horzRes;
    case VERTRES: return c.vertRes;
    case BITSPIXEL: return c.bitsPixel;
    case PLANES: return c.planes;
    case NUMBRUSHES: return -1;
    case NUMPENS: return -1;
    case NUMFONTS: return 0;
    case NUMCOLORS: return c.numColors;
    case CURVECAPS: return 0xFF;
    case LINECAPS: return 0xFE;
    case POLYGONALCAPS: return 0xFF;
    case TEXTCAPS: return 0x7807;
    case CLIPCAPS: return 1;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB |
             (c.technology == DT_RASPRINTER ? RC_BANDING : 0);
    case ASPECTX: return 36;
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case LOGPIXELSX: return c.dpiX;
    case LOGPIXELSY: return c.dpiY;
    case SIZEPALETTE: return 0;
    case NUMRESERVED: return 20;
    case COLORRES: return 24;
    case PHYSICALWIDTH: return c.technology == DT_RASPRINTER ? c.physWidth : 0;
    case PHYSICALHEIGHT: return c.technology == DT_RASPRINTER ? c.physHeight : 0;
    case PHYSICALOFFSETX: return c.technology == DT_RASPRINTER ? c.offsetX : 0;
    case PHYSICALOFFSETY: return c.technology == DT_RASPRINTER ? c.offsetY : 0;
    case SCALINGFACTORX: return 0;
    case SCALINGFACTORY: return 0;
    default: return 0;
  }
}

// ---- state ----

int DeviceContext::Save() {
  stack_.push_back(state_);
  if (recorder_) recorder_->EmitEmpty(EMR_SAVEDC);
  return int(stack_.size());
}

bool DeviceContext::Restore(int level) {
  int depth = int(stack_.size());
  int target = level < 0 ? depth + level + 1 : level;  // state to return to
  if (target < 1 || target > depth || target <= playbackFloor) return false;
  if (recorder_) recorder_->Emit(EMR_RESTOREDC, LONG(target - depth - 1));
  state_ = stack_[size_t(target - 1)];
  stack_.resize(size_t(target - 1));
  UpdateClip();
  return true;
}

AxisMap DeviceContext::Map() const {
  const DcState& s = state_;
  double sx = 1, sy = 1;
  if (s.mapMode != MM_TEXT) {
    sx = double(s.viewportExt.cx) / s.windowExt.cx;
    sy = double(s.viewportExt.cy) / s.windowExt.cy;
  }
  double tx = s.viewportOrg.x - s.windowOrg.x * sx;
  double ty = s.viewportOrg.y - s.windowOrg.y * sy;
  AxisMap m;
  m.sx = sx * s.outer.sx;
  m.tx = tx * s.outer.sx + s.outer.tx;
  m.sy = sy * s.outer.sy;
  m.ty = ty * s.outer.sy + s.outer.ty + origin_.y;
  m.tx += origin_.x;
  return m;
}

IntPoint DeviceContext::ToDeviceInt(int32_t x, int32_t y) const {
  PointF p = ToDevice(x, y);
  return {RoundCoord(p.x), RoundCoord(p.y)};
}

bool DeviceContext::FromDevice(double dx, double dy, int32_t& x, int32_t& y) const {
  AxisMap m = Map();
  if (m.sx == 0 || m.sy == 0) return false;
  x = SaturateLong((dx - m.tx) / m.sx);
  y = SaturateLong((dy - m.ty) / m.sy);
  return true;
}

IntRect DeviceContext::ToDeviceRect(const RECT& r) const {
  PointF a = ToDevice(r.left, r.top), b = ToDevice(r.right, r.bottom);
  return IntRect::Normalized(RoundCoord(a.x), RoundCoord(a.y), RoundCoord(b.x), RoundCoord(b.y));
}

int DeviceContext::SetMapMode(int mode) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  int old = state_.mapMode;
  if (recorder_) recorder_->Emit(EMR_SETMAPMODE, DWORD(mode));
  state_.mapMode = mode;
  auto metric = [&](int unitsPerInchX10) {  // units per inch, tenfold for LOMETRIC/HIMETRIC
    state_.windowExt = {unitsPerInchX10, unitsPerInchX10};
    state_.viewportExt = {caps_.dpiX, -caps_.dpiY};
  };
  switch (mode) {
    case MM_TEXT: state_.windowExt = state_.viewportExt = {1, 1}; break;
    case MM_LOMETRIC: metric(254); break;
    case MM_HIMETRIC: metric(2540); break;
    case MM_LOENGLISH: metric(100); break;
    case MM_HIENGLISH: metric(1000); break;
    case MM_TWIPS: metric(1440); break;
    default: break;
  }
  return old;
}

namespace {
void FixIsotropic(DcState& s) {
  double xs = std::fabs(double(s.viewportExt.cx) / s.windowExt.cx);
  double ys = std::fabs(double(s.viewportExt.cy) / s.windowExt.cy);
  if (xs > ys) {
    double v = std::fabs(double(s.windowExt.cx)) * ys;
    s.viewportExt.cx = (s.viewportExt.cx < 0 ? -1 : 1) * std::max(1, ClampCoord(std::floor(v + 0.5)));
  } else if (ys > xs) {
    double v = std::fabs(double(s.windowExt.cy)) * xs;
    s.viewportExt.cy = (s.viewportExt.cy < 0 ? -1 : 1) * std::max(1, ClampCoord(std::floor(v + 0.5)));
  }
}
}  // namespace

bool DeviceContext::SetWindowExt(int x, int y) {
  if (recorder_) recorder_->Emit(EMR_SETWINDOWEXTEX, SIZEL{x, y});
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return true;
  if (x == 0 || y == 0) return false;
  state_.windowExt = {ClampCoord(int64_t(x)), ClampCoord(int64_t(y))};
  if (state_.mapMode == MM_ISOTROPIC) FixIsotropic(state_);
  return true;
}

bool DeviceContext::SetViewportExt(int x, int y) {
  if (recorder_) recorder_->Emit(EMR_SETVIEWPORTEXTEX, SIZEL{x, y});
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return true;
  if (x == 0 || y == 0) return false;
  state_.viewportExt = {ClampCoord(int64_t(x)), ClampCoord(int64_t(y))};
  if (state_.mapMode == MM_ISOTROPIC) FixIsotropic(state_);
  return true;
}

IntRect DeviceContext::SurfaceRect() const {
  IntRect r = bitmap_ ? IntRect{0, 0, bitmap_->width, bitmap_->height}
                      : IntRect{0, 0, caps_.horzRes, caps_.vertRes};
  return visible_ ? r.Intersected(visible_->Bounds()) : r;
}

void DeviceContext::SetSurface(IntPoint origin, std::optional<Region> visible) {
  origin_ = origin;
  visible_ = std::move(visible);
  UpdateClip();
}

void DeviceContext::UpdateClip() {
  if (state_.clip && visible_) effective_ = state_.clip->Combined(*visible_, RegionOp::And);
  else if (state_.clip) effective_ = state_.clip;
  else effective_ = visible_;
}

int DeviceContext::ClipKind() const {
  if (!effective_) return SIMPLEREGION;
  return effective_->Kind();
}

int DeviceContext::IntersectClip(const IntRect& r) {
  Region rect(r);
  state_.clip = state_.clip ? state_.clip->Combined(rect, RegionOp::And) : rect;
  UpdateClip();
  return ClipKind();
}

int DeviceContext::ExcludeClip(const IntRect& r) {
  Region base = state_.clip ? *state_.clip : Region(SurfaceRect());
  state_.clip = base.Combined(Region(r), RegionOp::Diff);
  UpdateClip();
  return ClipKind();
}

int DeviceContext::SelectClip(const Region* rgn, int mode) {
  if (!rgn) {
    if (mode != RGN_COPY) return ERROR;
    state_.clip.reset();
    if (playing && metaClip) state_.clip = *metaClip;
    UpdateClip();
    return ClipKind();
  }
  // Region coordinates are relative to the DC's origin on its surface.
  Region r = *rgn;
  if (origin_.x || origin_.y) r.Offset(origin_.x, origin_.y);
  Region base = state_.clip ? *state_.clip : Region(SurfaceRect());
  switch (mode) {
    case RGN_COPY: state_.clip = r; break;
    case RGN_AND: state_.clip = base.Combined(r, RegionOp::And); break;
    case RGN_OR: state_.clip = base.Combined(r, RegionOp::Or); break;
    case RGN_XOR: state_.clip = base.Combined(r, RegionOp::Xor); break;
    case RGN_DIFF: state_.clip = base.Combined(r, RegionOp::Diff); break;
    default: return ERROR;
  }
  if (playing && metaClip) state_.clip = state_.clip->Combined(*metaClip, RegionOp::And);
  UpdateClip();
  return ClipKind();
}

// ---- drawing ----

Paint DeviceContext::BrushPaint(const BrushObject& b) const {
  Paint p;
  p.color = PixelFromColorRef(b.color);
  if (b.style == BS_HATCHED) {
    p.hatch = int(b.hatch);
    p.background = PixelFromColorRef(state_.bkColor);
    p.opaqueBackground = state_.bkMode == OPAQUE;
  }
  return p;
}

Stroke DeviceContext::PenStroke() const {
  Stroke s;
  const LOGPEN& lp = state_.pen->pen;
  s.style = int(lp.lopnStyle & PS_STYLE_MASK);
  s.color = PixelFromColorRef(lp.lopnColor);
  s.width = lp.lopnWidth.x <= 1 ? 0 : lp.lopnWidth.x * std::fabs(Map().sx);
  if (s.width > 1.5 && s.style != PS_NULL) s.style = PS_SOLID;  // styles are for thin pens only
  return s;
}

void DeviceContext::StrokeDevice(std::vector<PointF>& pts, bool closed) {
  Stroke s = PenStroke();
  if (s.style == PS_NULL) return;
  if (recorder_) {
    IntRect b = BoundsOf(pts);
    // A pen may be wider than any int: the bounds only need to cover the drawing space.
    const int grow = int(std::min(std::ceil(s.width / 2), double(kCoordLimit)));
    recorder_->AddBounds({b.left - grow, b.top - grow, b.right + grow, b.bottom + grow});
  }
  if (device_) device_->StrokePolyline(pts, closed, s, state_.rop2, Clip());
}

void DeviceContext::FillDevice(const win::gdi::Polygons& polys, bool winding) {
  const BrushObject& b = *state_.brush;
  if (b.style == BS_NULL) return;
  if (recorder_)
    for (auto& p : polys) recorder_->AddBounds(BoundsOf(p));
  if (device_) device_->FillPolygons(polys, winding, BrushPaint(b), state_.rop2, Clip());
}

bool DeviceContext::MoveTo(int x, int y) {
  if (recorder_) recorder_->Emit(EMR_MOVETOEX, POINTL{x, y});
  state_.position = {ClampCoord(int64_t(x)), ClampCoord(int64_t(y))};
  return true;
}

bool DeviceContext::LineTo(int x, int y) {
  if (recorder_) recorder_->Emit(EMR_LINETO, POINTL{x, y});
  IntPoint to{ClampCoord(int64_t(x)), ClampCoord(int64_t(y))};
  std::vector<PointF> pts{ToDevice(state_.position.x, state_.position.y), ToDevice(to.x, to.y)};
  StrokeDevice(pts, false);
  state_.position = to;
  return true;
}

namespace {
// Whole points moved by whole units: the device may take them as they are.
bool WholeUnits(const AxisMap& map) {
  return map.sx == 1 && map.sy == 1 && map.tx == std::trunc(map.tx) && map.ty == std::trunc(map.ty) &&
         std::fabs(map.tx) <= kCoordLimit && std::fabs(map.ty) <= kCoordLimit;
}
}  // namespace

bool DeviceContext::PolyPolyline(const POINT* pts, const DWORD* counts, DWORD polylines) {
  if (!pts || !counts || polylines == 0) return false;
  uint64_t total = 0;
  for (DWORD i = 0; i < polylines; ++i) {
    if (counts[i] < 2 || counts[i] > (1u << 26)) return false;
    total += counts[i];
  }
  if (total > (uint64_t(1) << 26)) return false;
  const AxisMap map = Map();
  if (recorder_ || !device_ || !WholeUnits(map)) {
    // Recorded (and mapped) as the single polylines it stands for.
    const POINT* p = pts;
    for (DWORD i = 0; i < polylines; ++i) {
      Polyline(p, int(counts[i]));
      p += counts[i];
    }
    return true;
  }
  // Many short polylines (spectrum sticks): the pen and the clip are set up
  // once for all of them.
  static_assert(sizeof(POINT) == 2 * sizeof(int32_t) && sizeof(DWORD) == sizeof(uint32_t));
  const Stroke s = PenStroke();
  if (s.style == PS_NULL) return true;
  device_->StrokeWholePolylines(reinterpret_cast<const int32_t*>(pts), counts, size_t(polylines),
                                {int32_t(map.tx), int32_t(map.ty)}, s, state_.rop2, Clip());
  return true;
}

bool DeviceContext::Polyline(const POINT* pts, int count) {
  if (!pts || count < 2) return false;
  const AxisMap map = Map();  // once, not per point
  if (!recorder_ && device_ && WholeUnits(map)) {
    // Whole points moved by whole units: the device takes them as they are.
    static_assert(sizeof(POINT) == 2 * sizeof(int32_t));
    const Stroke s = PenStroke();
    if (s.style == PS_NULL) return true;
    device_->StrokeWholePolyline(reinterpret_cast<const int32_t*>(pts), size_t(count),
                                 {int32_t(map.tx), int32_t(map.ty)}, s, state_.rop2, Clip());
    return true;
  }
  std::vector<PointF> dev(static_cast<size_t>(count));
  for (size_t i = 0; i < dev.size(); ++i)
    dev[i] = map.Apply(ClampCoord(int64_t(pts[i].x)), ClampCoord(int64_t(pts[i].y)));
  if (recorder_)
    RecordPoly(recorder_.get(), EMR_POLYLINE, EMR_POLYLINE16, pts, size_t(count), BoundsOf(dev));
  StrokeDevice(dev, false);
  return true;
}

bool DeviceContext::DrawPolygons(const POINT* pts, const INT* counts, int polygons) {
  if (!pts || !counts || polygons <= 0) return false;
  int64_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return false;
    total += counts[i];
  }
  if (total > (int64_t(1) << 26)) return false;
  win::gdi::Polygons polys;
  std::vector<PointF> all;
  const POINT* p = pts;
  for (int i = 0; i < polygons; ++i) {
    std::vector<PointF> poly;
    for (int k = 0; k < counts[i]; ++k, ++p)
      poly.push_back(ToDevice(ClampCoord(int64_t(p->x)), ClampCoord(int64_t(p->y))));
    all.insert(all.end(), poly.begin(), poly.end());
    polys.push_back(std::move(poly));
  }
  if (recorder_) {
    if (polygons == 1) {
      RecordPoly(recorder_.get(), EMR_POLYGON, EMR_POLYGON16, pts, size_t(counts[0]), BoundsOf(all));
    } else {
      bool small = Fits16(pts, size_t(total));
      std::vector<uint8_t> r(8 + 16 + 8 + 4 * size_t(polygons) + size_t(total) * (small ? 4 : 8));
      DWORD type = small ? EMR_POLYPOLYGON16 : EMR_POLYPOLYGON;
      std::memcpy(r.data(), &type, 4);
      IntRect b = BoundsOf(all);
      RECT rb{b.left, b.top, b.right - 1, b.bottom - 1};
      std::memcpy(r.data() + 8, &rb, 16);
      DWORD n = DWORD(polygons), c = DWORD(total);
      std::memcpy(r.data() + 24, &n, 4);
      std::memcpy(r.data() + 28, &c, 4);
      for (int i = 0; i < polygons; ++i) std::memcpy(r.data() + 32 + 4 * i, &counts[i], 4);
      uint8_t* out = r.data() + 32 + 4 * size_t(polygons);
      for (int64_t i = 0; i < total; ++i) {
        if (small) {
          POINTS s{SHORT(pts[i].x), SHORT(pts[i].y)};
          std::memcpy(out + 4 * i, &s, 4);
        } else {
          std::memcpy(out + 8 * i, &pts[i], 8);
        }
      }
      recorder_->AppendRecord(std::move(r));
    }
  }
  FillDevice(polys, state_.polyFillMode == WINDING);
  for (auto& poly : polys) StrokeDevice(poly, true);
  return true;
}

namespace {
// Corners of the drawn outline: right and bottom edges excluded.
struct DevBox {
  double l, t, r, b;
};
DevBox OutlineBox(const IntRect& d) { return {double(d.left), double(d.top), double(d.right - 1), double(d.bottom - 1)}; }

std::vector<PointF> EllipsePoints(double l, double t, double r, double b) {
  double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
  int n = std::clamp(int((std::fabs(rx) + std::fabs(ry)) * 2), 16, 720);
  std::vector<PointF> pts;
  for (int i = 0; i < n; ++i) {
    double a = 2 * M_PI * i / n;
    pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return pts;
}
}  // namespace

bool DeviceContext::Rectangle(const RECT& r) {
  if (recorder_) recorder_->Emit(EMR_RECTANGLE, r);
  IntRect d = ToDeviceRect(r);
  if (d.Empty()) return true;
  DevBox o = OutlineBox(d);
  std::vector<PointF> outline{{o.l, o.t}, {o.r, o.t}, {o.r, o.b}, {o.l, o.b}};
  // A thin outline is not filled over, so raster operations touch each pixel once.
  Stroke pen = PenStroke();
  double in = (pen.style != PS_NULL && pen.width <= 1.5) ? 1 : 0;
  if (o.r - o.l > in && o.b - o.t > in) {
    std::vector<PointF> inside{{o.l + in, o.t + in}, {o.r, o.t + in}, {o.r, o.b}, {o.l + in, o.b}};
    FillDevice({inside}, false);
  }
  StrokeDevice(outline, true);
  return true;
}

bool DeviceContext::Ellipse(const RECT& r) {
  if (recorder_) recorder_->Emit(EMR_ELLIPSE, r);
  IntRect d = ToDeviceRect(r);
  if (d.Empty()) return true;
  DevBox o = OutlineBox(d);
  auto pts = EllipsePoints(o.l, o.t, o.r, o.b);
  FillDevice({pts}, false);
  StrokeDevice(pts, true);
  return true;
}

bool DeviceContext::RoundRect(const RECT& r, int w, int h) {
  if (recorder_) {
    EMRROUNDRECT rr{};
    rr.rclBox = r;
    rr.szlCorner = {w, h};
    recorder_->Append(EMR_ROUNDRECT, &rr.rclBox, sizeof(rr) - sizeof(EMR));
  }
  IntRect d = ToDeviceRect(r);
  if (d.Empty()) return true;
  DevBox o = OutlineBox(d);
  AxisMap m = Map();
  double rx = std::min(std::fabs(w * m.sx) / 2, (o.r - o.l) / 2);
  double ry = std::min(std::fabs(h * m.sy) / 2, (o.b - o.t) / 2);
  std::vector<PointF> pts;
  auto corner = [&](double cx, double cy, double a0) {
    for (int i = 0; i <= 8; ++i) {
      double a = a0 + M_PI / 2 * i / 8;
      pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
  };
  corner(o.r - rx, o.b - ry, 0);
  corner(o.l + rx, o.b - ry, M_PI / 2);
  corner(o.l + rx, o.t + ry, M_PI);
  corner(o.r - rx, o.t + ry, 3 * M_PI / 2);
  FillDevice({pts}, false);
  StrokeDevice(pts, true);
  return true;
}

bool DeviceContext::PatBlt(const RECT& r, DWORD rop) {
  IntRect d = ToDeviceRect(r);
  if (recorder_) {
    EMRBITBLT b{};
    b.rclBounds = {d.left, d.top, d.right - 1, d.bottom - 1};
    b.xDest = r.left;
    b.yDest = r.top;
    b.cxDest = r.right - r.left;
    b.cyDest = r.bottom - r.top;
    b.dwRop = rop;
    b.xformSrc = {1, 0, 0, 1, 0, 0};
    recorder_->Append(EMR_BITBLT, &b.rclBounds, sizeof(b) - sizeof(EMR));
    recorder_->AddBounds(d);
  }
  if (!device_ || d.Empty()) return true;
  uint8_t code = uint8_t(rop >> 16);
  Paint p = BrushPaint(*state_.brush);
  // Pattern-only operations map onto binary ones of the brush colour.
  int rop2;
  switch (code) {
    case 0x00: rop2 = R2_BLACK; break;
    case 0xFF: rop2 = R2_WHITE; break;
    case 0xF0: rop2 = R2_COPYPEN; break;
    case 0x0F: rop2 = R2_NOTCOPYPEN; break;
    case 0x55: rop2 = R2_NOT; break;
    case 0x5A: rop2 = R2_XORPEN; break;
    case 0xA5: rop2 = R2_NOTXORPEN; break;
    case 0xAA: rop2 = R2_NOP; break;
    case 0xA0: rop2 = R2_MASKPEN; break;
    case 0xFA: rop2 = R2_MERGEPEN; break;
    default: return false;
  }
  if (state_.brush->style == BS_NULL && rop2 != R2_BLACK && rop2 != R2_WHITE && rop2 != R2_NOT)
    return true;
  device_->FillRect(d, p, rop2, Clip());
  return true;
}

bool DeviceContext::FillRect(const RECT& r, const BrushObject& brush) {
  if (brush.style == BS_NULL) return true;
  auto saved = state_.brush;
  // Recorded as the system records it: the brush selected around a pattern copy.
  if (recorder_) recorder_->Select(brush);
  state_.brush = std::static_pointer_cast<BrushObject>(LookupAny(ToHandle(brush)));
  if (!state_.brush) state_.brush = std::make_shared<BrushObject>(brush);
  PatBlt(r, PATCOPY);
  state_.brush = saved;
  if (recorder_) recorder_->Select(*saved);
  return true;
}

bool DeviceContext::FrameRect(const RECT& r, const BrushObject& brush) {
  IntRect d = ToDeviceRect(r);
  if (d.Empty()) return true;
  RECT edges[4] = {{r.left, r.top, r.right, r.top + 1},
                   {r.left, r.bottom - 1, r.right, r.bottom},
                   {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                   {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
  if (state_.mapMode != MM_TEXT) {
    // One device pixel wide whatever the mapping.
    int32_t x0, y0, x1, y1;
    for (int i = 0; i < 4; ++i) {
      IntRect e;
      switch (i) {
        case 0: e = {d.left, d.top, d.right, d.top + 1}; break;
        case 1: e = {d.left, d.bottom - 1, d.right, d.bottom}; break;
        case 2: e = {d.left, d.top, d.left + 1, d.bottom}; break;
        default: e = {d.right - 1, d.top, d.right, d.bottom}; break;
      }
      if (!FromDevice(e.left, e.top, x0, y0) || !FromDevice(e.right, e.bottom, x1, y1)) return false;
      edges[i] = {x0, y0, x1, y1};
    }
  }
  for (auto& e : edges) FillRect(e, brush);
  return true;
}

bool DeviceContext::FillRegion(const Region& rgn, const BrushObject* brush, int rop2) {
  // Region coordinates are logical; the device gets its rectangles mapped.
  for (auto& rc : rgn.Rects()) {
    IntRect d = ToDeviceRect(rc.ToRECT());
    if (recorder_) recorder_->AddBounds(d);
    if (!device_) continue;
    Paint p = brush ? BrushPaint(*brush) : Paint{};
    device_->FillRect(d, p, rop2, Clip());
  }
  return true;
}

COLORREF DeviceContext::SetPixel(int x, int y, COLORREF color) {
  color &= 0xFFFFFF;
  if (recorder_) {
    EMRSETPIXELV r{};
    r.ptlPixel = {x, y};
    r.crColor = color;
    recorder_->Append(EMR_SETPIXELV, &r.ptlPixel, sizeof(r) - sizeof(EMR));
  }
  IntPoint d = ToDeviceInt(ClampCoord(int64_t(x)), ClampCoord(int64_t(y)));
  if (recorder_) recorder_->AddBounds({d.x, d.y, d.x + 1, d.y + 1});
  if (!device_) return recorder_ ? color : CLR_INVALID;
  BitmapObject* bmp = device_->Raster();
  if (bmp && (!SurfaceRect().Contains(d.x, d.y) || (Clip() && !Clip()->Contains(d.x, d.y))))
    return CLR_INVALID;
  device_->SetPixel(d.x, d.y, PixelFromColorRef(color), Clip());
  return color;
}

COLORREF DeviceContext::GetPixel(int x, int y) const {
  if (!device_) return CLR_INVALID;
  BitmapObject* bmp = device_->Raster();
  if (!bmp) return CLR_INVALID;
  IntPoint d = ToDeviceInt(ClampCoord(int64_t(x)), ClampCoord(int64_t(y)));
  if (d.x < 0 || d.y < 0 || d.x >= bmp->width || d.y >= bmp->height) return CLR_INVALID;
  if (Clip() && !Clip()->Contains(d.x, d.y)) return CLR_INVALID;
  return ColorRefFromPixel(bmp->Row(d.y)[d.x]);
}

}  // namespace win::gdi
