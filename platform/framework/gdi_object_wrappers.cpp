// The framework's owners of drawing objects, and their handle maps.
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "framework_gdi.h"

namespace {
std::mutex g_mapMutex;
// Objects attached to a wrapper, by handle.
std::map<HGDIOBJ, CGdiObject*>& Permanent() {
  static auto* m = new std::map<HGDIOBJ, CGdiObject*>();
  return *m;
}
// Temporary wrappers never own their handles.
struct TempDeleter {
  void operator()(CGdiObject* obj) const {
    obj->m_hObject = nullptr;
    delete obj;
  }
};
thread_local std::map<HGDIOBJ, std::unique_ptr<CGdiObject, TempDeleter>> t_temporary;

std::unique_ptr<CGdiObject> MakeWrapper(HGDIOBJ h) {
  switch (::GetObjectType(h)) {
    case OBJ_PEN: return std::make_unique<CPen>();
    case OBJ_BRUSH: return std::make_unique<CBrush>();
    case OBJ_FONT: return std::make_unique<CFont>();
    case OBJ_BITMAP: return std::make_unique<CBitmap>();
    case OBJ_REGION: return std::make_unique<CRgn>();
    default: return std::make_unique<CGdiObject>();
  }
}
}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ h) {
  if (!h || m_hObject) return FALSE;
  m_hObject = h;
  std::lock_guard lock(g_mapMutex);
  Permanent()[h] = this;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h) {
    std::lock_guard lock(g_mapMutex);
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  return ::DeleteObject(Detach());
}

BOOL CGdiObject::CreateStockObject(int index) {
  HGDIOBJ h = ::GetStockObject(index);
  if (!h || m_hObject) return FALSE;
  m_hObject = h;  // stock objects are shared, never in the map
  return TRUE;
}

int CGdiObject::GetObject(int size, LPVOID out) const { return ::GetObjectA(m_hObject, size, out); }
UINT CGdiObject::GetObjectType() const { return UINT(::GetObjectType(m_hObject)); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ h) {
  if (!h) return nullptr;
  {
    std::lock_guard lock(g_mapMutex);
    auto it = Permanent().find(h);
    if (it != Permanent().end()) return it->second;
  }
  auto& slot = t_temporary[h];
  if (!slot) {
    slot.reset(MakeWrapper(h).release());
    slot->m_hObject = h;
  }
  return slot.get();
}

void CGdiObject::DeleteTempMap() { t_temporary.clear(); }

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
  return Attach(::CreatePen(style, width, color));
}
BOOL CPen::CreatePenIndirect(const LOGPEN* pen) { return Attach(::CreatePenIndirect(pen)); }
BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
BOOL CBrush::CreateHatchBrush(int hatch, COLORREF color) {
  return Attach(::CreateHatchBrush(hatch, color));
}
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* brush) {
  return Attach(::CreateBrushIndirect(brush));
}
BOOL CFont::CreateFontIndirect(const LOGFONTA* font) { return Attach(::CreateFontIndirectA(font)); }
BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                       BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, LPCSTR face) {
  return Attach(::CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                              strikeOut, charSet, outPrecision, clipPrecision, quality,
                              pitchAndFamily, face));
}
BOOL CFont::CreatePointFont(int pointSize10, LPCSTR face, CDC* dc) {
  LOGFONTA lf{};
  HDC h = dc ? dc->m_hAttribDC : nullptr;
  HDC screen = h ? nullptr : ::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  int dpi = ::GetDeviceCaps(h ? h : screen, LOGPIXELSY);
  if (screen) ::DeleteDC(screen);
  // Point size to device pixels, then to the DC's logical units.
  POINT p[2] = {{0, 0}, {0, int((int64_t(pointSize10) * dpi + 360) / 720)}};
  if (h) ::DPtoLP(h, p, 2);
  lf.lfHeight = -std::abs(p[1].y - p[0].y);
  if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}
BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPixel, const void* bits) {
  return Attach(::CreateBitmap(width, height, planes, bitsPixel, bits));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}
BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }
BOOL CRgn::CreateRectRgnIndirect(LPCRECT rect) { return Attach(::CreateRectRgnIndirect(rect)); }
BOOL CRgn::CreateEllipticRgn(int l, int t, int r, int b) {
  return Attach(::CreateEllipticRgn(l, t, r, b));
}
BOOL CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  return Attach(::CreatePolygonRgn(points, count, fillMode));
}
int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
  return ::CombineRgn(*this, a ? HRGN(*a) : nullptr, b ? HRGN(*b) : nullptr, mode);
}
BOOL CRgn::PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
BOOL CRgn::RectInRegion(LPCRECT rect) const { return ::RectInRegion(*this, rect); }
int CRgn::OffsetRgn(int dx, int dy) { return ::OffsetRgn(*this, dx, dy); }
int CRgn::GetRgnBox(LPRECT rect) const { return ::GetRgnBox(*this, rect); }
