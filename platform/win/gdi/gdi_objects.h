#pragma once
// Drawing objects and the handle table. A handle is an id issued by the
// table, never reused, so a deleted or made-up handle is simply not found.
#include <atomic>
#include <memory>
#include <string>
#include <vector>
#include "gdi_geometry.h"
#include "gdi_region.h"
#include "win_gdi.h"

namespace win::gdi {

class DeviceContext;
class EnhMetaFile;

struct GdiObject {
  explicit GdiObject(DWORD k) : kind(k) {}
  virtual ~GdiObject() = default;
  DWORD kind;           // OBJ_*
  uintptr_t handle = 0;
  bool stock = false;
  int stockIndex = -1;
};

struct PenObject : GdiObject {
  PenObject() : GdiObject(OBJ_PEN) {}
  LOGPEN pen{};
  int Style() const { return int(pen.lopnStyle & PS_STYLE_MASK); }
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(OBJ_BRUSH) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  ULONG hatch = 0;
};

struct FontFace;
struct FontObject : GdiObject {
  FontObject() : GdiObject(OBJ_FONT) {}
  LOGFONTA font{};
  // The face standing in for it, looked up once.
  mutable std::atomic<const FontFace*> face{nullptr};
};

// Pixels of a bitmap: 32-bit 0x00RRGGBB, rows top-down in memory unless the
// bitmap was made as a bottom-up device-independent bitmap.
struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(OBJ_BITMAP) {}
  int32_t width = 0, height = 0;
  WORD bitsPixel = 32;   // as asked for; storage is always 32-bit
  WORD planes = 1;
  bool bottomUp = false;
  bool dib = false;
  std::vector<Pixel> pixels;
  DeviceContext* selectedIn = nullptr;
  Pixel* Row(int32_t y) {
    return pixels.data() + size_t(bottomUp ? height - 1 - y : y) * size_t(width);
  }
  const Pixel* Row(int32_t y) const {
    return pixels.data() + size_t(bottomUp ? height - 1 - y : y) * size_t(width);
  }
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(OBJ_REGION) {}
  Region region;
};

// Largest bitmap accepted, in pixels (256 MiB of storage; a 600 dpi Letter page is half that).
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 26;

// ---- the handle table ----
uintptr_t Register(std::shared_ptr<GdiObject> obj);
// Registers an object that lives as long as the process and, like a stock
// object, is never deleted (the system colour brushes).
uintptr_t RegisterPermanent(std::shared_ptr<GdiObject> obj);
std::shared_ptr<GdiObject> LookupAny(const void* handle);
template <class T>
std::shared_ptr<T> Lookup(const void* handle, DWORD kind) {
  auto obj = LookupAny(handle);
  if (!obj || obj->kind != kind) return nullptr;
  return std::static_pointer_cast<T>(std::move(obj));
}
// Removes a handle; false when it is unknown or a stock object.
bool Unregister(const void* handle);
// Stock objects by GetStockObject index; kDefaultBitmap is the 1x1 bitmap a
// memory DC starts with.
constexpr int kDefaultBitmap = 21;
std::shared_ptr<GdiObject> StockObject(int index);
std::shared_ptr<BitmapObject> NewBitmap(int32_t width, int32_t height, WORD bitsPixel);
inline void* ToHandle(const GdiObject& o) { return reinterpret_cast<void*>(o.handle); }

}  // namespace win::gdi
