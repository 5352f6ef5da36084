// Pens, brushes, fonts, bitmaps and regions, their handle table and the
// stock objects.
#include "gdi_objects.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "device_context.h"
#include "metafile.h"

namespace win::gdi {

namespace {
std::mutex g_tableMutex;
std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>>& Table() {
  static auto* table = new std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>>();
  return *table;
}
// Ids step by 16 from a base no small integer or real pointer reaches, so that
// integers passed as handles are refused.
uintptr_t g_nextHandle = 0x7A0000;
constexpr int kStockCount = 22;
std::shared_ptr<GdiObject> g_stock[kStockCount];
size_t g_stockRegistered = 0;

std::shared_ptr<GdiObject> MakeStockFont(LONG height, LONG weight, BYTE charSet, BYTE pitch,
                                         const char* face) {
  auto f = std::make_shared<FontObject>();
  f->font.lfHeight = height;
  f->font.lfWeight = weight;
  f->font.lfCharSet = charSet;
  f->font.lfPitchAndFamily = pitch;
  std::strncpy(f->font.lfFaceName, face, LF_FACESIZE - 1);
  return f;
}

void MakeStock() {
  auto brush = [](UINT style, COLORREF c) {
    auto b = std::make_shared<BrushObject>();
    b->style = style;
    b->color = c;
    return b;
  };
  auto pen = [](int style, COLORREF c) {
    auto p = std::make_shared<PenObject>();
    p->pen.lopnStyle = UINT(style);
    p->pen.lopnWidth = {0, 0};
    p->pen.lopnColor = c;
    return p;
  };
  g_stock[WHITE_BRUSH] = brush(BS_SOLID, RGB(255, 255, 255));
  g_stock[LTGRAY_BRUSH] = brush(BS_SOLID, RGB(192, 192, 192));
  g_stock[GRAY_BRUSH] = brush(BS_SOLID, RGB(128, 128, 128));
  g_stock[DKGRAY_BRUSH] = brush(BS_SOLID, RGB(64, 64, 64));
  g_stock[BLACK_BRUSH] = brush(BS_SOLID, RGB(0, 0, 0));
  g_stock[NULL_BRUSH] = brush(BS_NULL, 0);
  g_stock[WHITE_PEN] = pen(PS_SOLID, RGB(255, 255, 255));
  g_stock[BLACK_PEN] = pen(PS_SOLID, RGB(0, 0, 0));
  g_stock[NULL_PEN] = pen(PS_NULL, 0);
  g_stock[OEM_FIXED_FONT] = MakeStockFont(12, FW_NORMAL, OEM_CHARSET, FIXED_PITCH | FF_MODERN, "Terminal");
  g_stock[ANSI_FIXED_FONT] = MakeStockFont(12, FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN, "Courier");
  g_stock[ANSI_VAR_FONT] = MakeStockFont(12, FW_NORMAL, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
  g_stock[SYSTEM_FONT] = MakeStockFont(16, FW_BOLD, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "System");
  g_stock[DEVICE_DEFAULT_FONT] = MakeStockFont(16, FW_BOLD, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "System");
  g_stock[SYSTEM_FIXED_FONT] = MakeStockFont(16, FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN, "Fixedsys");
  g_stock[DEFAULT_GUI_FONT] = MakeStockFont(-11, FW_NORMAL, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg");
  g_stock[DC_BRUSH] = brush(BS_SOLID, RGB(255, 255, 255));
  g_stock[DC_PEN] = pen(PS_SOLID, RGB(0, 0, 0));
  auto bmp = std::make_shared<BitmapObject>();
  bmp->width = bmp->height = 1;
  bmp->bitsPixel = 1;
  bmp->pixels.assign(1, 0xFFFFFF);
  g_stock[kDefaultBitmap] = bmp;
  for (int i = 0; i < kStockCount; ++i) {
    if (!g_stock[i]) continue;
    g_stock[i]->stock = true;
    g_stock[i]->stockIndex = i;
    g_stock[i]->handle = 0x100000 + uintptr_t(i) * 16;
    Table()[g_stock[i]->handle] = g_stock[i];
    ++g_stockRegistered;
  }
}

void EnsureStock() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::lock_guard lock(g_tableMutex);
    MakeStock();
  });
}
}  // namespace

uintptr_t Register(std::shared_ptr<GdiObject> obj) {
  EnsureStock();
  std::lock_guard lock(g_tableMutex);
  g_nextHandle += 16;
  obj->handle = g_nextHandle;
  Table()[obj->handle] = std::move(obj);
  return g_nextHandle;
}

uintptr_t RegisterPermanent(std::shared_ptr<GdiObject> obj) {
  EnsureStock();
  std::lock_guard lock(g_tableMutex);
  g_nextHandle += 16;
  obj->handle = g_nextHandle;
  obj->stock = true;
  Table()[obj->handle] = std::move(obj);
  ++g_stockRegistered;
  return g_nextHandle;
}

std::shared_ptr<GdiObject> LookupAny(const void* handle) {
  if (!handle) return nullptr;
  EnsureStock();
  std::lock_guard lock(g_tableMutex);
  auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
  return it == Table().end() ? nullptr : it->second;
}

bool Unregister(const void* handle) {
  std::lock_guard lock(g_tableMutex);
  auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
  if (it == Table().end() || it->second->stock) return false;
  Table().erase(it);
  return true;
}

std::shared_ptr<GdiObject> StockObject(int index) {
  EnsureStock();
  if (index < 0 || index >= kStockCount) return nullptr;
  return g_stock[index];
}

std::shared_ptr<BitmapObject> NewBitmap(int32_t width, int32_t height, WORD bitsPixel) {
  if (width < 0 || height < 0 || int64_t(width) * height > kMaxBitmapPixels) return nullptr;
  auto bmp = std::make_shared<BitmapObject>();
  bmp->width = width;
  bmp->height = height;
  bmp->bitsPixel = bitsPixel;
  bmp->pixels.assign(size_t(width) * size_t(height), 0);
  return bmp;
}

size_t LiveObjectCount() {
  EnsureStock();
  std::lock_guard lock(g_tableMutex);
  return Table().size() - g_stockRegistered;
}

}  // namespace win::gdi

using namespace win::gdi;

HGDIOBJ GetStockObject(int index) {
  if (index == kDefaultBitmap) return nullptr;
  auto obj = StockObject(index);
  return obj ? ToHandle(*obj) : nullptr;
}

DWORD GetObjectType(HGDIOBJ h) {
  auto obj = LookupAny(h);
  if (!obj) return 0;
  if (obj->kind == OBJ_DC) return static_cast<DeviceContext&>(*obj).ObjectType();
  return obj->kind;
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  int style = int(pen->lopnStyle & PS_STYLE_MASK);
  if (style > PS_INSIDEFRAME) return nullptr;
  auto p = std::make_shared<PenObject>();
  p->pen = *pen;
  p->pen.lopnStyle = UINT(style);
  p->pen.lopnWidth.x = std::clamp<LONG>(pen->lopnWidth.x, 0, kCoordLimit);
  p->pen.lopnWidth.y = 0;
  return reinterpret_cast<HPEN>(Register(p));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  LOGPEN lp{UINT(style), {width, 0}, color};
  return CreatePenIndirect(&lp);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush || brush->lbStyle > BS_HATCHED) return nullptr;
  auto b = std::make_shared<BrushObject>();
  b->style = brush->lbStyle;
  b->color = brush->lbColor & 0xFFFFFF;
  b->hatch = ULONG(brush->lbHatch);
  return reinterpret_cast<HBRUSH>(Register(b));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH lb{BS_SOLID, color, 0};
  return CreateBrushIndirect(&lb);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  LOGBRUSH lb{BS_HATCHED, color, ULONG_PTR(hatch)};
  return CreateBrushIndirect(&lb);
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  auto f = std::make_shared<FontObject>();
  f->font = *font;
  f->font.lfFaceName[LF_FACESIZE - 1] = 0;
  return reinterpret_cast<HFONT>(Register(f));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                  LPCSTR face) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = BYTE(italic);
  lf.lfUnderline = BYTE(underline);
  lf.lfStrikeOut = BYTE(strikeOut);
  lf.lfCharSet = BYTE(charSet);
  lf.lfOutPrecision = BYTE(outPrecision);
  lf.lfClipPrecision = BYTE(clipPrecision);
  lf.lfQuality = BYTE(quality);
  lf.lfPitchAndFamily = BYTE(pitchAndFamily);
  if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPixel, const void* bits) {
  if (width <= 0 || height <= 0 || planes != 1) {
    if (width == 0 || height == 0) width = height = 1;  // a 1x1 bitmap, as the system gives
    else return nullptr;
  }
  if (bitsPixel != 1 && bitsPixel != 4 && bitsPixel != 8 && bitsPixel != 16 &&
      bitsPixel != 24 && bitsPixel != 32)
    return nullptr;
  auto bmp = NewBitmap(width, height, WORD(bitsPixel));
  if (!bmp) return nullptr;
  if (bits) {
    // Rows padded to 16 bits, as device-dependent bitmaps are.
    const BYTE* src = static_cast<const BYTE*>(bits);
    size_t stride = ((size_t(width) * bitsPixel + 15) / 16) * 2;
    for (int32_t y = 0; y < height; ++y) {
      const BYTE* row = src + stride * size_t(y);
      Pixel* out = bmp->Row(y);
      for (int32_t x = 0; x < width; ++x) {
        Pixel p = 0;
        switch (bitsPixel) {
          case 1: p = (row[x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFF : 0; break;
          case 4: { BYTE v = (row[x / 2] >> ((x % 2) ? 0 : 4)) & 15; p = v * 0x111111; break; }
          case 8: p = row[x] * 0x010101u; break;
          case 16: {
            WORD v = WORD(row[2 * x] | (row[2 * x + 1] << 8));
            p = (((v >> 10) & 31) * 255 / 31) << 16 | (((v >> 5) & 31) * 255 / 31) << 8 |
                ((v & 31) * 255 / 31);
            break;
          }
          case 24: p = Pixel(row[3 * x]) | Pixel(row[3 * x + 1]) << 8 | Pixel(row[3 * x + 2]) << 16; break;
          case 32: p = (Pixel(row[4 * x]) | Pixel(row[4 * x + 1]) << 8 | Pixel(row[4 * x + 2]) << 16); break;
        }
        out[x] = p;
      }
    }
  }
  return reinterpret_cast<HBITMAP>(Register(bmp));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  auto dc = Lookup<DeviceContext>(hdc, OBJ_DC);
  if (!dc || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) width = height = 1;
  // A memory DC's default bitmap is monochrome; bitmaps compatible with it are too.
  WORD bpp = dc->CompatibleBitsPixel();
  auto bmp = NewBitmap(width, height, bpp);
  if (!bmp) return nullptr;
  return reinterpret_cast<HBITMAP>(Register(bmp));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
  const auto& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biBitCount != 32 || h.biPlanes != 1 ||
      (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) || h.biWidth <= 0 ||
      h.biHeight == 0 || h.biHeight == INT32_MIN)
    return nullptr;
  auto bmp = NewBitmap(h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, 32);
  if (!bmp) return nullptr;
  bmp->bottomUp = h.biHeight > 0;
  bmp->dib = true;
  if (bits) *bits = bmp->pixels.data();
  return reinterpret_cast<HBITMAP>(Register(bmp));
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
  auto bmp = Lookup<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!bmp || !info || usage != DIB_RGB_COLORS) return 0;
  auto& h = info->bmiHeader;
  if (!bits) {
    h.biWidth = bmp->width;
    h.biHeight = bmp->height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(bmp->width) * DWORD(bmp->height) * 4;
    return bmp->height;
  }
  if (h.biBitCount != 32 || h.biWidth != bmp->width) return 0;
  bool topDown = h.biHeight < 0;
  UINT done = 0;
  Pixel* out = static_cast<Pixel*>(bits);
  for (UINT i = 0; i < lines; ++i) {
    // Scan line i counts from the bottom for bottom-up requests.
    int64_t dibRow = int64_t(start) + i;
    if (dibRow >= bmp->height) break;
    int32_t y = topDown ? int32_t(dibRow) : bmp->height - 1 - int32_t(dibRow);
    std::memcpy(out + size_t(i) * bmp->width, bmp->Row(y), size_t(bmp->width) * 4);
    ++done;
  }
  return int(done);
}

int GetObjectA(HGDIOBJ h, int size, LPVOID out) {
  auto obj = LookupAny(h);
  if (!obj || size < 0) return 0;
  auto give = [&](const void* src, int n) {
    if (!out) return n;
    if (size < n) return 0;
    std::memcpy(out, src, size_t(n));
    return n;
  };
  switch (obj->kind) {
    case OBJ_PEN: return give(&static_cast<PenObject&>(*obj).pen, sizeof(LOGPEN));
    case OBJ_BRUSH: {
      auto& b = static_cast<BrushObject&>(*obj);
      LOGBRUSH lb{b.style, b.color, b.hatch};
      return give(&lb, sizeof(lb));
    }
    case OBJ_FONT: {
      // A shorter buffer gets the leading part of the record, as callers expect.
      if (!out) return sizeof(LOGFONTA);
      int n = std::min<int>(size, sizeof(LOGFONTA));
      std::memcpy(out, &static_cast<FontObject&>(*obj).font, size_t(n));
      return n;
    }
    case OBJ_BITMAP: {
      auto& b = static_cast<BitmapObject&>(*obj);
      BITMAP bm{0, b.width, b.height, b.width * 4, 1, 32, b.dib ? b.pixels.data() : nullptr};
      bm.bmBitsPixel = b.bitsPixel;
      bm.bmWidthBytes = LONG(((size_t(b.width) * b.bitsPixel + 15) / 16) * 2);
      if (b.dib) bm.bmWidthBytes = b.width * 4;
      return give(&bm, sizeof(bm));
    }
    default: return 0;
  }
}
