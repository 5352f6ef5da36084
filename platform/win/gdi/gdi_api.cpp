// The exported drawing calls: handle checks, then the device context.
#include <cmath>
#include <cstring>

#include "device_context.h"
#include "metafile.h"
#include "print_job.h"
#include "win_gdi.h"

using namespace win::gdi;

namespace {
std::shared_ptr<DeviceContext> DC(HDC h) { return Lookup<DeviceContext>(h, OBJ_DC); }

RECT MakeRect(int l, int t, int r, int b) { return RECT{l, t, r, b}; }

// Region data as a clip record holds it: the header, then the rectangles.
std::vector<uint8_t> RegionData(const Region& rgn) {
  auto rects = rgn.Rects();
  std::vector<uint8_t> out(sizeof(RGNDATAHEADER) + rects.size() * 16);
  RGNDATAHEADER h{sizeof(RGNDATAHEADER), 1, DWORD(rects.size()), DWORD(rects.size() * 16),
                  rgn.Bounds().ToRECT()};
  std::memcpy(out.data(), &h, sizeof(h));
  for (size_t i = 0; i < rects.size(); ++i) {
    RECT r = rects[i].ToRECT();
    std::memcpy(out.data() + sizeof(h) + i * 16, &r, 16);
  }
  return out;
}
}  // namespace

namespace win::gdi {
HDC NewDC(DeviceContext::Kind kind, const DeviceCaps& caps, std::shared_ptr<DeviceContext>* out) {
  auto dc = std::make_shared<DeviceContext>(kind, caps);
  if (kind == DeviceContext::Kind::Memory) {
    dc->SelectBitmap(std::static_pointer_cast<BitmapObject>(StockObject(kDefaultBitmap)));
    dc->SetDevice(MakeRasterDevice(dc.get()));
  }
  if (out) *out = dc;
  return reinterpret_cast<HDC>(Register(dc));
}
HDC CreateSurfaceDC(HBITMAP bitmap, POINT origin, HRGN visible) {
  auto bmp = Lookup<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!bmp) return nullptr;
  std::optional<Region> vis;
  if (visible) {
    auto r = Lookup<RegionObject>(visible, OBJ_REGION);
    if (!r) return nullptr;
    vis = r->region;
  }
  std::shared_ptr<DeviceContext> dc;
  HDC h = NewDC(DeviceContext::Kind::Display, DisplayCaps(), &dc);
  dc->AttachSurface(bmp);
  dc->SetDevice(MakeRasterDevice(dc.get()));
  dc->SetSurface({ClampCoord(int64_t(origin.x)), ClampCoord(int64_t(origin.y))}, std::move(vis));
  return h;
}
}  // namespace win::gdi

// ---- device contexts ----

HDC CreateCompatibleDC(HDC hdc) {
  DeviceCaps caps = DisplayCaps();
  if (hdc) {
    auto ref = DC(hdc);
    if (!ref) return nullptr;
    if (ref->Caps().technology == DT_RASDISPLAY) caps = ref->Caps();
  }
  return NewDC(DeviceContext::Kind::Memory, caps, nullptr);
}

HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode) {
  auto isDisplay = [](LPCSTR s) {
    return s && (s[0] == 'D' || s[0] == 'd') && std::strlen(s) == 7 &&
           strncasecmp(s, "DISPLAY", 7) == 0;
  };
  if (isDisplay(driver) || isDisplay(device))
    return NewDC(DeviceContext::Kind::Info, DisplayCaps(), nullptr);
  return CreateDCA(driver, device, port, mode);
}

BOOL DeleteDC(HDC hdc) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  if (dc->printJob()) AbortDoc(hdc);
  if (dc->kind() == DeviceContext::Kind::Printer) SetAbortProc(hdc, nullptr);
  dc->ReleaseBitmap();
  dc->SetDevice(nullptr);
  dc->SetRecorder(nullptr);
  return Unregister(hdc);
}

int GetDeviceCaps(HDC hdc, int index) {
  auto dc = DC(hdc);
  return dc ? dc->GetCaps(index) : 0;
}

int SaveDC(HDC hdc) {
  auto dc = DC(hdc);
  return dc ? dc->Save() : 0;
}

BOOL RestoreDC(HDC hdc, int saved) {
  auto dc = DC(hdc);
  return dc && dc->Restore(saved) ? TRUE : FALSE;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  auto dc = DC(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return ToHandle(*dc->State().pen);
    case OBJ_BRUSH: return ToHandle(*dc->State().brush);
    case OBJ_FONT: return ToHandle(*dc->State().font);
    case OBJ_BITMAP: return dc->bitmap() ? ToHandle(*dc->bitmap()) : nullptr;
    default: return nullptr;
  }
}

// ---- objects ----

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  auto dc = DC(hdc);
  auto obj = LookupAny(h);
  if (!dc || !obj) return nullptr;
  DcState& s = dc->State();
  HGDIOBJ old = nullptr;
  switch (obj->kind) {
    case OBJ_PEN:
      old = ToHandle(*s.pen);
      s.pen = std::static_pointer_cast<PenObject>(obj);
      break;
    case OBJ_BRUSH:
      old = ToHandle(*s.brush);
      s.brush = std::static_pointer_cast<BrushObject>(obj);
      break;
    case OBJ_FONT:
      old = ToHandle(*s.font);
      s.font = std::static_pointer_cast<FontObject>(obj);
      break;
    case OBJ_BITMAP:
      return dc->SelectBitmap(std::static_pointer_cast<BitmapObject>(obj));
    case OBJ_REGION: {
      int kind = SelectClipRgn(hdc, reinterpret_cast<HRGN>(h));
      return reinterpret_cast<HGDIOBJ>(intptr_t(kind));
    }
    default: return nullptr;
  }
  if (auto* rec = dc->recorder()) rec->Select(*obj);
  return old;
}

BOOL DeleteObject(HGDIOBJ h) {
  auto obj = LookupAny(h);
  if (!obj) return FALSE;
  if (obj->stock) return TRUE;
  if (obj->kind == OBJ_DC || obj->kind == OBJ_ENHMETAFILE) return FALSE;
  if (obj->kind == OBJ_BITMAP && static_cast<BitmapObject&>(*obj).selectedIn) return FALSE;
  RecordersForget(obj.get());
  return Unregister(h) ? TRUE : FALSE;
}

// ---- state ----

int SetMapMode(HDC hdc, int mode) {
  auto dc = DC(hdc);
  return dc ? dc->SetMapMode(mode) : 0;
}
int GetMapMode(HDC hdc) {
  auto dc = DC(hdc);
  return dc ? dc->State().mapMode : 0;
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE old) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  if (old) *old = {dc->State().windowExt.cx, dc->State().windowExt.cy};
  return dc->SetWindowExt(x, y) ? TRUE : FALSE;
}
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE old) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  if (old) *old = {dc->State().viewportExt.cx, dc->State().viewportExt.cy};
  return dc->SetViewportExt(x, y) ? TRUE : FALSE;
}
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT old) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  if (old) *old = {dc->State().windowOrg.x, dc->State().windowOrg.y};
  if (auto* rec = dc->recorder()) rec->Emit(EMR_SETWINDOWORGEX, POINTL{x, y});
  dc->SetWindowOrg(x, y);
  return TRUE;
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  if (old) *old = {dc->State().viewportOrg.x, dc->State().viewportOrg.y};
  if (auto* rec = dc->recorder()) rec->Emit(EMR_SETVIEWPORTORGEX, POINTL{x, y});
  dc->SetViewportOrg(x, y);
  return TRUE;
}
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT old) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  IntPoint o = dc->State().viewportOrg;
  return SetViewportOrgEx(hdc, ClampCoord(int64_t(o.x) + dx), ClampCoord(int64_t(o.y) + dy), old);
}
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, LPPOINT old) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  IntPoint o = dc->State().windowOrg;
  return SetWindowOrgEx(hdc, ClampCoord(int64_t(o.x) + dx), ClampCoord(int64_t(o.y) + dy), old);
}
BOOL GetWindowExtEx(HDC hdc, LPSIZE size) {
  auto dc = DC(hdc);
  if (!dc || !size) return FALSE;
  *size = {dc->State().windowExt.cx, dc->State().windowExt.cy};
  return TRUE;
}
BOOL GetViewportExtEx(HDC hdc, LPSIZE size) {
  auto dc = DC(hdc);
  if (!dc || !size) return FALSE;
  *size = {dc->State().viewportExt.cx, dc->State().viewportExt.cy};
  return TRUE;
}
BOOL GetWindowOrgEx(HDC hdc, LPPOINT point) {
  auto dc = DC(hdc);
  if (!dc || !point) return FALSE;
  *point = {dc->State().windowOrg.x, dc->State().windowOrg.y};
  return TRUE;
}
BOOL GetViewportOrgEx(HDC hdc, LPPOINT point) {
  auto dc = DC(hdc);
  if (!dc || !point) return FALSE;
  *point = {dc->State().viewportOrg.x, dc->State().viewportOrg.y};
  return TRUE;
}
BOOL LPtoDP(HDC hdc, LPPOINT points, int count) {
  auto dc = DC(hdc);
  if (!dc || (count > 0 && !points) || count < 0) return FALSE;
  AxisMap m = dc->Map();
  for (int i = 0; i < count; ++i) {
    PointF p = m.Apply(points[i].x, points[i].y);
    points[i] = {SaturateLong(p.x), SaturateLong(p.y)};
  }
  return TRUE;
}
BOOL DPtoLP(HDC hdc, LPPOINT points, int count) {
  auto dc = DC(hdc);
  if (!dc || (count > 0 && !points) || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) {
    int32_t x, y;
    if (!dc->FromDevice(points[i].x, points[i].y, x, y)) return FALSE;
    points[i] = {x, y};
  }
  return TRUE;
}

#define DC_MODE_SETTER(Name, Field, Record, Valid)              \
  int Name(HDC hdc, int mode) {                                  \
    auto dc = DC(hdc);                                           \
    if (!dc || !(Valid)) return 0;                               \
    int old = dc->State().Field;                                 \
    if (Record && dc->recorder()) dc->recorder()->Emit(DWORD(Record), DWORD(mode)); \
    dc->State().Field = mode;                                    \
    return old;                                                  \
  }
DC_MODE_SETTER(SetROP2, rop2, EMR_SETROP2, mode >= R2_BLACK && mode <= R2_WHITE)
DC_MODE_SETTER(SetBkMode, bkMode, EMR_SETBKMODE, mode == TRANSPARENT || mode == OPAQUE)
DC_MODE_SETTER(SetPolyFillMode, polyFillMode, EMR_SETPOLYFILLMODE, mode == ALTERNATE || mode == WINDING)
DC_MODE_SETTER(SetStretchBltMode, stretchMode, EMR_SETSTRETCHBLTMODE, mode >= BLACKONWHITE && mode <= HALFTONE)
DC_MODE_SETTER(SetGraphicsMode, graphicsMode, 0, mode == GM_COMPATIBLE || mode == GM_ADVANCED)
#undef DC_MODE_SETTER

int GetROP2(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().rop2 : 0; }
int GetBkMode(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().bkMode : 0; }
int GetPolyFillMode(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().polyFillMode : 0; }
int GetGraphicsMode(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().graphicsMode : 0; }

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  auto dc = DC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->State().bkColor;
  if (auto* rec = dc->recorder()) rec->Emit(EMR_SETBKCOLOR, color);
  dc->State().bkColor = color & 0xFFFFFF;
  return old;
}
COLORREF GetBkColor(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().bkColor : CLR_INVALID; }
COLORREF SetTextColor(HDC hdc, COLORREF color) {
  auto dc = DC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->State().textColor;
  if (auto* rec = dc->recorder()) rec->Emit(EMR_SETTEXTCOLOR, color);
  dc->State().textColor = color & 0xFFFFFF;
  return old;
}
COLORREF GetTextColor(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().textColor : CLR_INVALID; }
UINT SetTextAlign(HDC hdc, UINT align) {
  auto dc = DC(hdc);
  if (!dc) return GDI_ERROR;
  UINT old = dc->State().textAlign;
  if (auto* rec = dc->recorder()) rec->Emit(EMR_SETTEXTALIGN, DWORD(align));
  dc->State().textAlign = align;
  return old;
}
UINT GetTextAlign(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().textAlign : GDI_ERROR; }
int SetTextCharacterExtra(HDC hdc, int extra) {
  auto dc = DC(hdc);
  if (!dc) return int(0x80000000);
  int old = dc->State().charExtra;
  dc->State().charExtra = std::clamp(extra, -(1 << 20), 1 << 20);
  return old;
}
int GetTextCharacterExtra(HDC hdc) { auto dc = DC(hdc); return dc ? dc->State().charExtra : int(0x80000000); }
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT point) {
  auto dc = DC(hdc);
  if (!dc || !point) return FALSE;
  *point = {dc->State().position.x, dc->State().position.y};
  return TRUE;
}

// ---- clipping ----

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = DC(hdc);
  if (!dc) return ERROR;
  if (auto* rec = dc->recorder()) rec->Emit(EMR_INTERSECTCLIPRECT, MakeRect(left, top, right, bottom));
  return dc->IntersectClip(dc->ToDeviceRect(MakeRect(left, top, right, bottom)));
}
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = DC(hdc);
  if (!dc) return ERROR;
  if (auto* rec = dc->recorder()) rec->Emit(EMR_EXCLUDECLIPRECT, MakeRect(left, top, right, bottom));
  return dc->ExcludeClip(dc->ToDeviceRect(MakeRect(left, top, right, bottom)));
}
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode) {
  auto dc = DC(hdc);
  if (!dc) return ERROR;
  std::shared_ptr<RegionObject> r;
  if (rgn) {
    r = Lookup<RegionObject>(rgn, OBJ_REGION);
    if (!r) return ERROR;
  }
  if (auto* rec = dc->recorder()) {
    std::vector<uint8_t> data = r ? RegionData(r->region) : std::vector<uint8_t>{};
    std::vector<uint8_t> rr(16 + data.size());
    DWORD head[4] = {EMR_EXTSELECTCLIPRGN, 0, DWORD(data.size()), DWORD(mode)};
    std::memcpy(rr.data(), head, 16);
    if (!data.empty()) std::memcpy(rr.data() + 16, data.data(), data.size());
    rec->AppendRecord(std::move(rr));
  }
  return dc->SelectClip(r ? &r->region : nullptr, mode);
}
int SelectClipRgn(HDC hdc, HRGN rgn) { return ExtSelectClipRgn(hdc, rgn, RGN_COPY); }

int GetClipBox(HDC hdc, LPRECT rect) {
  auto dc = DC(hdc);
  if (!dc || !rect) return ERROR;
  IntRect box = dc->Clip() ? dc->Clip()->Bounds() : dc->SurfaceRect();
  if (dc->Clip()) box = box.Intersected(dc->SurfaceRect());
  int32_t l, t, r, b;
  if (!dc->FromDevice(box.left, box.top, l, t) || !dc->FromDevice(box.right, box.bottom, r, b)) return ERROR;
  *rect = IntRect::Normalized(l, t, r, b).ToRECT();
  return box.Empty() ? NULLREGION : dc->ClipKind();
}
int GetClipRgn(HDC hdc, HRGN rgn) {
  auto dc = DC(hdc);
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  if (!dc || !r) return -1;
  if (!dc->State().clip) return 0;
  r->region = *dc->State().clip;
  r->region.Offset(-dc->Origin().x, -dc->Origin().y);
  return 1;
}
BOOL PtVisible(HDC hdc, int x, int y) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  IntPoint d = dc->ToDeviceInt(ClampCoord(int64_t(x)), ClampCoord(int64_t(y)));
  if (!dc->SurfaceRect().Contains(d.x, d.y)) return FALSE;
  return !dc->Clip() || dc->Clip()->Contains(d.x, d.y);
}
BOOL RectVisible(HDC hdc, const RECT* rect) {
  auto dc = DC(hdc);
  if (!dc || !rect) return FALSE;
  IntRect d = dc->ToDeviceRect(*rect).Intersected(dc->SurfaceRect());
  if (d.Empty()) return FALSE;
  return !dc->Clip() || dc->Clip()->Intersects(d);
}

// ---- regions ----

namespace {
HRGN NewRegion(Region r) {
  auto obj = std::make_shared<RegionObject>();
  obj->region = std::move(r);
  return reinterpret_cast<HRGN>(Register(obj));
}
}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return NewRegion(Region(IntRect::Normalized(left, top, right, bottom)));
}
HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}
HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  IntRect b = IntRect::Normalized(left, top, right, bottom);
  if (b.Empty()) return NewRegion(Region());
  double cx = (b.left + b.right) / 2.0, cy = (b.top + b.bottom) / 2.0;
  double rx = b.Width() / 2.0, ry = b.Height() / 2.0;
  int n = std::clamp(int((rx + ry) * 2), 16, 720);
  std::vector<PointF> pts;
  for (int i = 0; i < n; ++i) {
    double a = 2 * M_PI * i / n;
    pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return NewRegion(Region::FromPolygons({pts}, false));
}
HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode) {
  if (!points || !counts || polygons <= 0 || (fillMode != ALTERNATE && fillMode != WINDING))
    return nullptr;
  Polygons polys;
  int64_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 0) return nullptr;
    total += counts[i];
    if (total > (int64_t(1) << 24)) return nullptr;
  }
  const POINT* p = points;
  for (int i = 0; i < polygons; ++i) {
    std::vector<PointF> poly;
    for (int k = 0; k < counts[i]; ++k, ++p)
      poly.push_back({double(ClampCoord(int64_t(p->x))), double(ClampCoord(int64_t(p->y)))});
    polys.push_back(std::move(poly));
  }
  return NewRegion(Region::FromPolygons(polys, fillMode == WINDING));
}
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (count < 0) return nullptr;
  return CreatePolyPolygonRgn(points, &count, 1, fillMode);
}
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto d = Lookup<RegionObject>(dest, OBJ_REGION);
  auto a = Lookup<RegionObject>(src1, OBJ_REGION);
  if (!d || !a) return ERROR;
  if (mode == RGN_COPY) {
    d->region = a->region;
    return d->region.Kind();
  }
  auto b = Lookup<RegionObject>(src2, OBJ_REGION);
  if (!b) return ERROR;
  RegionOp op;
  switch (mode) {
    case RGN_AND: op = RegionOp::And; break;
    case RGN_OR: op = RegionOp::Or; break;
    case RGN_XOR: op = RegionOp::Xor; break;
    case RGN_DIFF: op = RegionOp::Diff; break;
    default: return ERROR;
  }
  d->region = a->region.Combined(b->region, op);
  return d->region.Kind();
}
BOOL EqualRgn(HRGN a, HRGN b) {
  auto ra = Lookup<RegionObject>(a, OBJ_REGION), rb = Lookup<RegionObject>(b, OBJ_REGION);
  return ra && rb && ra->region == rb->region;
}
int OffsetRgn(HRGN rgn, int dx, int dy) {
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  if (!r) return ERROR;
  r->region.Offset(ClampCoord(int64_t(dx)), ClampCoord(int64_t(dy)));
  return r->region.Kind();
}
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  if (!r) return FALSE;
  r->region = Region(IntRect::Normalized(left, top, right, bottom));
  return TRUE;
}
BOOL PtInRegion(HRGN rgn, int x, int y) {
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  return r && r->region.Contains(x, y);
}
BOOL RectInRegion(HRGN rgn, const RECT* rect) {
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  return r && rect && r->region.Intersects(IntRect::FromRECT(*rect));
}
int GetRgnBox(HRGN rgn, LPRECT rect) {
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  if (!r || !rect) return ERROR;
  *rect = r->region.Bounds().ToRECT();
  return r->region.Kind();
}
BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush) {
  auto dc = DC(hdc);
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  auto b = Lookup<BrushObject>(brush, OBJ_BRUSH);
  if (!dc || !r || !b) return FALSE;
  if (b->style == BS_NULL) return TRUE;
  // Recorded as rectangle fills, which every reader understands.
  for (auto& rc : r->region.Rects()) dc->FillRect(rc.ToRECT(), *b);
  return TRUE;
}
BOOL PaintRgn(HDC hdc, HRGN rgn) {
  auto dc = DC(hdc);
  return dc && FillRgn(hdc, rgn, reinterpret_cast<HBRUSH>(ToHandle(*dc->State().brush)));
}
BOOL InvertRgn(HDC hdc, HRGN rgn) {
  auto dc = DC(hdc);
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  if (!dc || !r) return FALSE;
  for (auto& rc : r->region.Rects()) {
    RECT x = rc.ToRECT();
    InvertRect(hdc, &x);
  }
  return TRUE;
}
BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int width, int height) {
  auto dc = DC(hdc);
  auto r = Lookup<RegionObject>(rgn, OBJ_REGION);
  auto b = Lookup<BrushObject>(brush, OBJ_BRUSH);
  if (!dc || !r || !b || width < 0 || height < 0) return FALSE;
  // The frame is the region minus itself shrunk by the pen size on each side.
  Region inner = r->region;
  for (int dx : {-width, width}) {
    Region s = r->region;
    s.Offset(dx, 0);
    inner = inner.Combined(s, RegionOp::And);
  }
  for (int dy : {-height, height}) {
    Region s = r->region;
    s.Offset(0, dy);
    inner = inner.Combined(s, RegionOp::And);
  }
  Region frame = r->region.Combined(inner, RegionOp::Diff);
  for (auto& rc : frame.Rects()) dc->FillRect(rc.ToRECT(), *b);
  return TRUE;
}

// ---- drawing ----

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  if (old) *old = {dc->State().position.x, dc->State().position.y};
  return dc->MoveTo(x, y);
}
BOOL LineTo(HDC hdc, int x, int y) {
  auto dc = DC(hdc);
  return dc && dc->LineTo(x, y);
}
BOOL Polyline(HDC hdc, const POINT* points, int count) {
  auto dc = DC(hdc);
  return dc && dc->Polyline(points, count);
}
BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines) {
  auto dc = DC(hdc);
  return dc && dc->PolyPolyline(points, counts, polylines);
}
BOOL PolylineTo(HDC hdc, const POINT* points, DWORD count) {
  auto dc = DC(hdc);
  if (!dc || !points || count == 0 || count > (1u << 26)) return FALSE;
  // Drawn as a polyline from the current position, recorded as line-to steps.
  std::vector<POINT> pts;
  pts.reserve(count + 1);
  pts.push_back({dc->State().position.x, dc->State().position.y});
  pts.insert(pts.end(), points, points + count);
  if (dc->recorder()) {
    for (DWORD i = 0; i < count; ++i) dc->LineTo(points[i].x, points[i].y);
    return TRUE;
  }
  dc->Polyline(pts.data(), int(pts.size()));
  dc->MoveTo(points[count - 1].x, points[count - 1].y);
  return TRUE;
}
BOOL Polygon(HDC hdc, const POINT* points, int count) {
  auto dc = DC(hdc);
  return dc && dc->DrawPolygons(points, &count, 1);
}
BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons) {
  auto dc = DC(hdc);
  return dc && dc->DrawPolygons(points, counts, polygons);
}
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = DC(hdc);
  return dc && dc->Rectangle(MakeRect(left, top, right, bottom));
}
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = DC(hdc);
  return dc && dc->Ellipse(MakeRect(left, top, right, bottom));
}
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
  auto dc = DC(hdc);
  return dc && dc->RoundRect(MakeRect(left, top, right, bottom), width, height);
}
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  auto dc = DC(hdc);
  if (!dc || !rect) return 0;
  // A small integer stands for a system colour plus one.
  auto b = Lookup<BrushObject>(brush, OBJ_BRUSH);
  if (!b) return 0;
  return dc->FillRect(*rect, *b) ? 1 : 0;
}
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  auto dc = DC(hdc);
  auto b = Lookup<BrushObject>(brush, OBJ_BRUSH);
  if (!dc || !rect || !b) return 0;
  return dc->FrameRect(*rect, *b) ? 1 : 0;
}
BOOL InvertRect(HDC hdc, const RECT* rect) {
  auto dc = DC(hdc);
  if (!dc || !rect) return FALSE;
  return dc->PatBlt(*rect, DSTINVERT);
}
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  return dc->PatBlt(MakeRect(x, y, ClampCoord(int64_t(x) + width), ClampCoord(int64_t(y) + height)), rop);
}
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  auto dc = DC(hdc);
  return dc ? dc->SetPixel(x, y, color) : CLR_INVALID;
}
BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
  return SetPixel(hdc, x, y, color) != CLR_INVALID;
}
COLORREF GetPixel(HDC hdc, int x, int y) {
  auto dc = DC(hdc);
  return dc ? dc->GetPixel(x, y) : CLR_INVALID;
}
BOOL GdiFlush() { return TRUE; }

namespace {
bool UsesSource(DWORD rop) {
  uint8_t c = uint8_t(rop >> 16);
  return ((c >> 2) & 0x33) != (c & 0x33);
}

// The source area as a bottom-up 32-bit DIB for a blit record.
void AppendBltRecord(MetafileRecorder* rec, DWORD type, const RECT& dst, DWORD rop,
                     const BitmapObject* src, int sx, int sy, int sw, int sh, const IntRect& bounds) {
  bool scaled = type == EMR_STRETCHBLT;
  size_t fixed = scaled ? sizeof(EMRSTRETCHBLT) : sizeof(EMRBITBLT);
  int32_t w = src ? std::max(0, sw) : 0, h = src ? std::max(0, sh) : 0;
  if (int64_t(w) * h > (int64_t(1) << 26)) w = h = 0;
  size_t bits = size_t(w) * size_t(h) * 4;
  std::vector<uint8_t> r(fixed + (bits ? sizeof(BITMAPINFOHEADER) + bits : 0));
  EMRSTRETCHBLT b{};
  b.emr.iType = type;
  b.rclBounds = {bounds.left, bounds.top, bounds.right - 1, bounds.bottom - 1};
  b.xDest = dst.left;
  b.yDest = dst.top;
  b.cxDest = dst.right - dst.left;
  b.cyDest = dst.bottom - dst.top;
  b.dwRop = rop;
  b.xSrc = sx;
  b.ySrc = sy;
  b.xformSrc = {1, 0, 0, 1, 0, 0};
  b.cxSrc = sw;
  b.cySrc = sh;
  if (bits) {
    b.offBmiSrc = DWORD(fixed);
    b.cbBmiSrc = sizeof(BITMAPINFOHEADER);
    b.offBitsSrc = DWORD(fixed + sizeof(BITMAPINFOHEADER));
    b.cbBitsSrc = DWORD(bits);
    BITMAPINFOHEADER bih{sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, DWORD(bits), 0, 0, 0, 0};
    std::memcpy(r.data() + fixed, &bih, sizeof(bih));
    Pixel* out = reinterpret_cast<Pixel*>(r.data() + b.offBitsSrc);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        int64_t px = int64_t(sx) + x, py = int64_t(sy) + y;
        Pixel v = 0xFFFFFF;
        if (px >= 0 && py >= 0 && px < src->width && py < src->height) v = src->Row(int32_t(py))[px];
        std::memcpy(&out[size_t(h - 1 - y) * w + x], &v, 4);
      }
  }
  std::memcpy(r.data(), &b, fixed);
  rec->AppendRecord(std::move(r));
  rec->AddBounds(bounds);
}
}  // namespace

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
  auto d = DC(dest);
  if (!d) return FALSE;
  RECT dr = MakeRect(x, y, ClampCoord(int64_t(x) + width), ClampCoord(int64_t(y) + height));
  if (!UsesSource(rop)) return d->PatBlt(dr, rop);
  auto s = DC(src);
  if (!s || !s->device() || !s->device()->Raster()) return FALSE;
  const BitmapObject& sb = *s->device()->Raster();
  // Source rectangle in source device units.
  PointF s0 = s->ToDevice(ClampCoord(int64_t(srcX)), ClampCoord(int64_t(srcY)));
  PointF s1 = s->ToDevice(ClampCoord(int64_t(srcX) + srcWidth), ClampCoord(int64_t(srcY) + srcHeight));
  PointF d0 = d->ToDevice(dr.left, dr.top), d1 = d->ToDevice(dr.right, dr.bottom);
  // Mirroring: a negative extent on one side only flips the copy.
  double dsx0 = d0.x, dsx1 = d1.x, dsy0 = d0.y, dsy1 = d1.y;
  double ssx0 = s0.x, ssx1 = s1.x, ssy0 = s0.y, ssy1 = s1.y;
  if (dsx1 < dsx0) { std::swap(dsx0, dsx1); std::swap(ssx0, ssx1); }
  if (dsy1 < dsy0) { std::swap(dsy0, dsy1); std::swap(ssy0, ssy1); }
  IntRect devDst{RoundCoord(dsx0), RoundCoord(dsy0), RoundCoord(dsx1), RoundCoord(dsy1)};
  if (auto* rec = d->recorder()) {
    IntRect sd{RoundCoord(std::min(s0.x, s1.x)), RoundCoord(std::min(s0.y, s1.y)),
               RoundCoord(std::max(s0.x, s1.x)), RoundCoord(std::max(s0.y, s1.y))};
    bool same = srcWidth == width && srcHeight == height;
    AppendBltRecord(rec, same ? EMR_BITBLT : EMR_STRETCHBLT, dr, rop, &sb, sd.left, sd.top,
                    sd.Width(), sd.Height(), devDst);
  }
  if (!d->device() || devDst.Empty()) return TRUE;
  d->device()->Blit(devDst, sb, ssx0, ssy0, ssx1 - ssx0, ssy1 - ssy0, uint8_t(rop >> 16),
                    d->BrushPaint(*d->State().brush), d->Clip());
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  if (!UsesSource(rop)) {
    auto d = DC(dest);
    if (!d) return FALSE;
    return d->PatBlt(MakeRect(x, y, ClampCoord(int64_t(x) + width), ClampCoord(int64_t(y) + height)), rop);
  }
  return StretchBlt(dest, x, y, width, height, src, srcX, srcY, width, height, rop);
}
