#pragma once
// A device context: drawing state with a save stack, the mapping from logical
// to device units, clipping, the selected objects, and an output back end
// (raster bitmap, PDF page) and/or a metafile recorder.
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "gdi_device.h"
#include "gdi_objects.h"

namespace win::gdi {

class MetafileRecorder;
class PrintJob;

struct DeviceCaps {
  int horzRes = 1280, vertRes = 1024;
  int horzSizeMm = 339, vertSizeMm = 271;  // 96 pixels per inch
  int dpiX = 96, dpiY = 96;
  int bitsPixel = 32, planes = 1, numColors = -1;
  int technology = DT_RASDISPLAY;
  int physWidth = 0, physHeight = 0, offsetX = 0, offsetY = 0;
};
DeviceCaps DisplayCaps();

// Scale and offset per axis: device = logical * s + t.
struct AxisMap {
  double sx = 1, tx = 0, sy = 1, ty = 0;
  PointF Apply(double x, double y) const { return {x * sx + tx, y * sy + ty}; }
};

struct DcState {
  int mapMode = MM_TEXT;
  IntPoint windowOrg, viewportOrg;
  IntSize windowExt{1, 1}, viewportExt{1, 1};
  AxisMap outer;  // applied after the mapping mode (metafile playback)
  std::shared_ptr<PenObject> pen;
  std::shared_ptr<BrushObject> brush;
  std::shared_ptr<FontObject> font;
  std::optional<Region> clip;  // device units; none = whole surface
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  UINT textAlign = TA_LEFT | TA_TOP;
  int charExtra = 0;
  int graphicsMode = GM_COMPATIBLE;
  int polyFillMode = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  IntPoint position;  // current position, logical
};

// Font of a DC realised for measuring and drawing, sizes in logical units.
struct TextFont {
  const FontFace* face = nullptr;
  double em = 0;           // em height, logical (vertical) units
  double widthScale = 1;   // horizontal stretch asked for by lfWidth
  double xPerY = 1;        // logical x units per logical y unit
  double angle = 0;        // radians
  bool underline = false, strikeOut = false;
  LONG weight = FW_NORMAL;
  bool italic = false;
  double Scale() const;    // design units -> logical y units
  double Advance(uint8_t c) const;  // logical x units
};

class DeviceContext : public GdiObject {
 public:
  enum class Kind { Memory, Display, Info, Printer, Metafile };
  DeviceContext(Kind kind, DeviceCaps caps);
  ~DeviceContext() override;

  Kind kind() const { return kind_; }
  DWORD ObjectType() const;
  WORD CompatibleBitsPixel() const { return 32; }
  const DeviceCaps& Caps() const { return caps_; }
  int GetCaps(int index) const;
  DcState& State() { return state_; }
  const DcState& State() const { return state_; }

  // ---- back ends ----
  void SetDevice(std::unique_ptr<Device> device) { device_ = std::move(device); }
  Device* device() const { return device_.get(); }
  MetafileRecorder* recorder() const { return recorder_.get(); }
  void SetRecorder(std::unique_ptr<MetafileRecorder> r);
  std::unique_ptr<MetafileRecorder> TakeRecorder();
  PrintJob* printJob() const { return printJob_.get(); }
  void SetPrintJob(std::unique_ptr<PrintJob> job);
  std::shared_ptr<BitmapObject> bitmap() const { return bitmap_; }
  HGDIOBJ SelectBitmap(const std::shared_ptr<BitmapObject>& bmp);
  // A shared surface: the bitmap is drawn on without being selected.
  void AttachSurface(const std::shared_ptr<BitmapObject>& bmp) { bitmap_ = bmp; }
  void ReleaseBitmap();

  // ---- state ----
  int Save();
  bool Restore(int level);
  int SaveLevel() const { return int(stack_.size()); }
  // During metafile playback: the save level the metafile may not restore
  // below, and the clip of the target that every clip record stays inside.
  int playbackFloor = 0;
  bool playing = false;
  std::optional<Region> metaClip;
  AxisMap Map() const;
  PointF ToDevice(double x, double y) const { return Map().Apply(x, y); }
  IntPoint ToDeviceInt(int32_t x, int32_t y) const;
  bool FromDevice(double dx, double dy, int32_t& x, int32_t& y) const;
  IntRect ToDeviceRect(const RECT& r) const;
  int SetMapMode(int mode);
  bool SetWindowExt(int x, int y);
  bool SetViewportExt(int x, int y);
  void SetWindowOrg(int x, int y) { state_.windowOrg = {ClampCoord(int64_t(x)), ClampCoord(int64_t(y))}; }
  void SetViewportOrg(int x, int y) { state_.viewportOrg = {ClampCoord(int64_t(x)), ClampCoord(int64_t(y))}; }
  // The clip drawing goes through: the DC's clip and the surface's visible
  // region together, in device units.
  const Region* Clip() const { return effective_ ? &*effective_ : nullptr; }
  // A DC on part of a shared surface (window painting): device (0, 0) lies at
  // `origin` of the bitmap and nothing outside `visible` (bitmap units) is drawn.
  void SetSurface(IntPoint origin, std::optional<Region> visible);
  IntPoint Origin() const { return origin_; }
  IntRect SurfaceRect() const;
  int IntersectClip(const IntRect& deviceRect);
  int ExcludeClip(const IntRect& deviceRect);
  int SelectClip(const Region* deviceRegion, int mode);
  int ClipKind() const;

  // ---- drawing, logical units ----
  bool MoveTo(int x, int y);
  bool LineTo(int x, int y);
  bool Polyline(const POINT* pts, int count);
  bool PolyPolyline(const POINT* pts, const DWORD* counts, DWORD polylines);
  bool DrawPolygons(const POINT* pts, const INT* counts, int polygons);
  bool Rectangle(const RECT& r);
  bool Ellipse(const RECT& r);
  bool RoundRect(const RECT& r, int w, int h);
  bool FillRect(const RECT& r, const BrushObject& brush);
  bool FrameRect(const RECT& r, const BrushObject& brush);
  bool PatBlt(const RECT& r, DWORD rop);
  bool FillRegion(const Region& logicalRegion, const BrushObject* brush, int rop2);
  COLORREF SetPixel(int x, int y, COLORREF color);
  COLORREF GetPixel(int x, int y) const;

  // ---- text ----
  TextFont RealizeFont() const;
  SIZE MeasureText(const TextFont& font, const char* text, int count) const;
  bool TextOut(int x, int y, UINT options, const RECT* rect, const char* text, int count,
               const INT* dx);
  bool TextMetrics(TEXTMETRICA& tm) const;

  Paint BrushPaint(const BrushObject& b) const;
  Stroke PenStroke() const;

 private:
  void StrokeDevice(std::vector<PointF>& pts, bool closed);
  void UpdateClip();
  IntPoint origin_;
  std::optional<Region> visible_, effective_;
  void FillDevice(const win::gdi::Polygons& polys, bool winding);
  Kind kind_;
  DeviceCaps caps_;
  DcState state_;
  std::vector<DcState> stack_;
  std::unique_ptr<Device> device_;
  std::unique_ptr<MetafileRecorder> recorder_;
  std::unique_ptr<PrintJob> printJob_;
  std::shared_ptr<BitmapObject> bitmap_;
};

std::unique_ptr<Device> MakeRasterDevice(DeviceContext* dc);

}  // namespace win::gdi
