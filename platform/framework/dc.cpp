// The framework's device-context class. Drawing goes to the output handle;
// attribute changes go to both handles; queries and measurements come from
// the attribute handle.
#include <map>
#include <memory>
#include <mutex>
#include <cstring>

#include "framework_gdi.h"

namespace {
std::mutex g_dcMutex;
std::map<HDC, CDC*>& PermanentDCs() {
  static auto* m = new std::map<HDC, CDC*>();
  return *m;
}
// Temporary wrappers never own their handles.
struct TempDeleter {
  void operator()(CDC* dc) const {
    dc->m_hDC = dc->m_hAttribDC = nullptr;
    delete dc;
  }
};
thread_local std::map<HDC, std::unique_ptr<CDC, TempDeleter>> t_tempDCs;
}  // namespace

#define BOTH(call)                                               \
  do {                                                           \
    if (m_hDC && m_hDC != m_hAttribDC) (void)::call;             \
  } while (0)

CDC::~CDC() {
  if (m_hDC) DeleteDC();
}

BOOL CDC::Attach(HDC h) {
  if (!h || m_hDC) return FALSE;
  m_hDC = m_hAttribDC = h;
  std::lock_guard lock(g_dcMutex);
  PermanentDCs()[h] = this;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  if (h) {
    std::lock_guard lock(g_dcMutex);
    auto it = PermanentDCs().find(h);
    if (it != PermanentDCs().end() && it->second == this) PermanentDCs().erase(it);
  }
  m_hDC = m_hAttribDC = nullptr;
  return h;
}

CDC* CDC::FromHandle(HDC h) {
  if (!h) return nullptr;
  {
    std::lock_guard lock(g_dcMutex);
    auto it = PermanentDCs().find(h);
    if (it != PermanentDCs().end()) return it->second;
  }
  auto& slot = t_tempDCs[h];
  if (!slot) {
    slot.reset(new CDC());
    slot->m_hDC = slot->m_hAttribDC = h;
  }
  return slot.get();
}

void CDC::DeleteTempMap() { t_tempDCs.clear(); }

// Drops the temporary wrapper of a handle that was given back.
void FrameworkDropTempDC(HDC h) { t_tempDCs.erase(h); }

BOOL CDC::CreateDC(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode) {
  return Attach(::CreateDCA(driver, device, port, mode));
}
BOOL CDC::CreateIC(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode) {
  return Attach(::CreateICA(driver, device, port, mode));
}
BOOL CDC::CreateCompatibleDC(CDC* dc) { return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr)); }
BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}
int CDC::GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }

int CDC::SaveDC() {
  int r = 0;
  if (m_hAttribDC) r = ::SaveDC(m_hAttribDC);
  if (m_hDC && m_hDC != m_hAttribDC) r = ::SaveDC(m_hDC);
  return r;
}
BOOL CDC::RestoreDC(int saved) {
  BOOL ok = TRUE;
  if (m_hDC && m_hDC != m_hAttribDC) ok = ::RestoreDC(m_hDC, saved);
  if (m_hAttribDC) ok = ::RestoreDC(m_hAttribDC, saved) && ok;
  return ok;
}

// ---- objects ----

HGDIOBJ CDC::SelectObject(HGDIOBJ h) {
  HGDIOBJ old = nullptr;
  if (m_hDC && m_hDC != m_hAttribDC) old = ::SelectObject(m_hDC, h);
  if (m_hAttribDC) old = ::SelectObject(m_hAttribDC, h);
  return old;
}
CPen* CDC::SelectObject(CPen* pen) {
  return static_cast<CPen*>(CGdiObject::FromHandle(SelectObject(pen ? pen->m_hObject : nullptr)));
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return static_cast<CBrush*>(CGdiObject::FromHandle(SelectObject(brush ? brush->m_hObject : nullptr)));
}
CFont* CDC::SelectObject(CFont* font) {
  return static_cast<CFont*>(CGdiObject::FromHandle(SelectObject(font ? font->m_hObject : nullptr)));
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  HGDIOBJ old = bitmap ? ::SelectObject(m_hDC, bitmap->m_hObject) : nullptr;
  return static_cast<CBitmap*>(CGdiObject::FromHandle(old));
}
int CDC::SelectObject(CRgn* rgn) { return SelectClipRgn(rgn); }
CGdiObject* CDC::SelectStockObject(int index) {
  HGDIOBJ h = ::GetStockObject(index);
  return h ? CGdiObject::FromHandle(SelectObject(h)) : nullptr;
}
CPen* CDC::GetCurrentPen() const {
  return static_cast<CPen*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_PEN)));
}
CBrush* CDC::GetCurrentBrush() const {
  return static_cast<CBrush*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_BRUSH)));
}
CFont* CDC::GetCurrentFont() const {
  return static_cast<CFont*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_FONT)));
}
CBitmap* CDC::GetCurrentBitmap() const {
  return static_cast<CBitmap*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}

// ---- mapping ----

int CDC::SetMapMode(int mode) {
  BOTH(SetMapMode(m_hDC, mode));
  return ::SetMapMode(m_hAttribDC, mode);
}
int CDC::GetMapMode() const { return ::GetMapMode(m_hAttribDC); }
CPoint CDC::SetViewportOrg(int x, int y) {
  POINT old{};
  BOTH(SetViewportOrgEx(m_hDC, x, y, &old));
  if (m_hAttribDC) ::SetViewportOrgEx(m_hAttribDC, x, y, &old);
  return old;
}
CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  POINT old{};
  BOTH(OffsetViewportOrgEx(m_hDC, dx, dy, &old));
  if (m_hAttribDC) ::OffsetViewportOrgEx(m_hAttribDC, dx, dy, &old);
  return old;
}
CSize CDC::SetViewportExt(int x, int y) {
  SIZE old{};
  BOTH(SetViewportExtEx(m_hDC, x, y, &old));
  if (m_hAttribDC) ::SetViewportExtEx(m_hAttribDC, x, y, &old);
  return old;
}
CPoint CDC::SetWindowOrg(int x, int y) {
  POINT old{};
  BOTH(SetWindowOrgEx(m_hDC, x, y, &old));
  if (m_hAttribDC) ::SetWindowOrgEx(m_hAttribDC, x, y, &old);
  return old;
}
CPoint CDC::OffsetWindowOrg(int dx, int dy) {
  POINT old{};
  BOTH(OffsetWindowOrgEx(m_hDC, dx, dy, &old));
  if (m_hAttribDC) ::OffsetWindowOrgEx(m_hAttribDC, dx, dy, &old);
  return old;
}
CSize CDC::SetWindowExt(int x, int y) {
  SIZE old{};
  BOTH(SetWindowExtEx(m_hDC, x, y, &old));
  if (m_hAttribDC) ::SetWindowExtEx(m_hAttribDC, x, y, &old);
  return old;
}
CPoint CDC::GetViewportOrg() const { POINT p{}; ::GetViewportOrgEx(m_hAttribDC, &p); return p; }
CSize CDC::GetViewportExt() const { SIZE s{}; ::GetViewportExtEx(m_hAttribDC, &s); return s; }
CPoint CDC::GetWindowOrg() const { POINT p{}; ::GetWindowOrgEx(m_hAttribDC, &p); return p; }
CSize CDC::GetWindowExt() const { SIZE s{}; ::GetWindowExtEx(m_hAttribDC, &s); return s; }
void CDC::LPtoDP(LPPOINT points, int count) const { ::LPtoDP(m_hAttribDC, points, count); }
void CDC::DPtoLP(LPPOINT points, int count) const { ::DPtoLP(m_hAttribDC, points, count); }
void CDC::LPtoDP(LPSIZE size) const {
  // A size converts as the difference of two points.
  POINT p[2] = {{0, 0}, {size->cx, size->cy}};
  ::LPtoDP(m_hAttribDC, p, 2);
  size->cx = std::abs(p[1].x - p[0].x);
  size->cy = std::abs(p[1].y - p[0].y);
}
void CDC::DPtoLP(LPSIZE size) const {
  POINT p[2] = {{0, 0}, {size->cx, size->cy}};
  ::DPtoLP(m_hAttribDC, p, 2);
  size->cx = std::abs(p[1].x - p[0].x);
  size->cy = std::abs(p[1].y - p[0].y);
}

// ---- clipping ----

int CDC::IntersectClipRect(int l, int t, int r, int b) {
  int res = ERROR;
  if (m_hDC) res = ::IntersectClipRect(m_hDC, l, t, r, b);
  if (m_hAttribDC && m_hAttribDC != m_hDC) res = ::IntersectClipRect(m_hAttribDC, l, t, r, b);
  return res;
}
int CDC::ExcludeClipRect(int l, int t, int r, int b) {
  int res = ERROR;
  if (m_hDC) res = ::ExcludeClipRect(m_hDC, l, t, r, b);
  if (m_hAttribDC && m_hAttribDC != m_hDC) res = ::ExcludeClipRect(m_hAttribDC, l, t, r, b);
  return res;
}
int CDC::SelectClipRgn(CRgn* rgn) { return SelectClipRgn(rgn, RGN_COPY); }
int CDC::SelectClipRgn(CRgn* rgn, int mode) {
  HRGN h = rgn ? HRGN(*rgn) : nullptr;
  int res = ERROR;
  if (m_hDC) res = ::ExtSelectClipRgn(m_hDC, h, mode);
  if (m_hAttribDC && m_hAttribDC != m_hDC) res = ::ExtSelectClipRgn(m_hAttribDC, h, mode);
  return res;
}
int CDC::GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }
BOOL CDC::PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
BOOL CDC::RectVisible(LPCRECT rect) const { return ::RectVisible(m_hDC, rect); }

// ---- attributes ----

COLORREF CDC::SetTextColor(COLORREF color) {
  BOTH(SetTextColor(m_hDC, color));
  return ::SetTextColor(m_hAttribDC, color);
}
COLORREF CDC::SetBkColor(COLORREF color) {
  BOTH(SetBkColor(m_hDC, color));
  return ::SetBkColor(m_hAttribDC, color);
}
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
COLORREF CDC::GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
int CDC::SetBkMode(int mode) {
  BOTH(SetBkMode(m_hDC, mode));
  return ::SetBkMode(m_hAttribDC, mode);
}
int CDC::GetBkMode() const { return ::GetBkMode(m_hAttribDC); }
int CDC::SetROP2(int mode) {
  BOTH(SetROP2(m_hDC, mode));
  return ::SetROP2(m_hAttribDC, mode);
}
int CDC::GetROP2() const { return ::GetROP2(m_hAttribDC); }
UINT CDC::SetTextAlign(UINT align) {
  BOTH(SetTextAlign(m_hDC, align));
  return ::SetTextAlign(m_hAttribDC, align);
}
UINT CDC::GetTextAlign() const { return ::GetTextAlign(m_hAttribDC); }
int CDC::SetTextCharacterExtra(int extra) {
  BOTH(SetTextCharacterExtra(m_hDC, extra));
  return ::SetTextCharacterExtra(m_hAttribDC, extra);
}
int CDC::GetTextCharacterExtra() const { return ::GetTextCharacterExtra(m_hAttribDC); }
int CDC::SetPolyFillMode(int mode) {
  BOTH(SetPolyFillMode(m_hDC, mode));
  return ::SetPolyFillMode(m_hAttribDC, mode);
}
int CDC::GetPolyFillMode() const { return ::GetPolyFillMode(m_hAttribDC); }
int CDC::SetGraphicsMode(int mode) {
  BOTH(SetGraphicsMode(m_hDC, mode));
  return ::SetGraphicsMode(m_hAttribDC, mode);
}
int CDC::GetGraphicsMode() const { return ::GetGraphicsMode(m_hAttribDC); }
int CDC::SetStretchBltMode(int mode) {
  BOTH(SetStretchBltMode(m_hDC, mode));
  return ::SetStretchBltMode(m_hAttribDC, mode);
}

// ---- drawing ----

CPoint CDC::GetCurrentPosition() const { POINT p{}; ::GetCurrentPositionEx(m_hAttribDC, &p); return p; }
CPoint CDC::MoveTo(int x, int y) {
  POINT old{};
  if (m_hDC && m_hDC != m_hAttribDC) ::MoveToEx(m_hDC, x, y, &old);
  if (m_hAttribDC) ::MoveToEx(m_hAttribDC, x, y, &old);
  return old;
}
BOOL CDC::LineTo(int x, int y) {
  if (m_hAttribDC && m_hAttribDC != m_hDC) ::MoveToEx(m_hAttribDC, x, y, nullptr);
  return ::LineTo(m_hDC, x, y);
}
BOOL CDC::Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
BOOL CDC::PolylineTo(const POINT* points, int count) {
  if (count <= 0) return FALSE;
  if (m_hAttribDC && m_hAttribDC != m_hDC)
    ::MoveToEx(m_hAttribDC, points[count - 1].x, points[count - 1].y, nullptr);
  return ::PolylineTo(m_hDC, points, DWORD(count));
}
BOOL CDC::Polygon(const POINT* points, int count) { return ::Polygon(m_hDC, points, count); }
BOOL CDC::PolyPolygon(const POINT* points, const INT* counts, int polygons) {
  return ::PolyPolygon(m_hDC, points, counts, polygons);
}
BOOL CDC::Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
BOOL CDC::Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
BOOL CDC::RoundRect(int l, int t, int r, int b, int w, int h) {
  return ::RoundRect(m_hDC, l, t, r, b, w, h);
}
void CDC::FillRect(LPCRECT rect, CBrush* brush) {
  ::FillRect(m_hDC, rect, brush ? HBRUSH(*brush) : nullptr);
}
void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  // Through the background colour and an opaque text call, as the framework does.
  COLORREF old = ::SetBkColor(m_hDC, color);
  ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
  ::SetBkColor(m_hDC, old);
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  RECT r{x, y, x + cx, y + cy};
  FillSolidRect(&r, color);
}
void CDC::FrameRect(LPCRECT rect, CBrush* brush) {
  ::FrameRect(m_hDC, rect, brush ? HBRUSH(*brush) : nullptr);
}
void CDC::InvertRect(LPCRECT rect) { ::InvertRect(m_hDC, rect); }
void CDC::Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight) {
  int x = rect->left, y = rect->top, cx = rect->right - rect->left, cy = rect->bottom - rect->top;
  FillSolidRect(x, y, cx - 1, 1, topLeft);
  FillSolidRect(x, y, 1, cy - 1, topLeft);
  FillSolidRect(x + cx - 1, y, 1, cy, bottomRight);
  FillSolidRect(x, y + cy - 1, cx, 1, bottomRight);
}
BOOL CDC::FillRgn(CRgn* rgn, CBrush* brush) {
  return rgn && brush && ::FillRgn(m_hDC, *rgn, *brush);
}
BOOL CDC::PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
BOOL CDC::BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop) {
  return ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, rop);
}
BOOL CDC::StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop) {
  return ::StretchBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, sw, sh, rop);
}
COLORREF CDC::SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }
BOOL CDC::SetPixelV(int x, int y, COLORREF color) { return ::SetPixelV(m_hDC, x, y, color); }
COLORREF CDC::GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
BOOL CDC::PlayMetaFile(HENHMETAFILE emf, LPCRECT bounds) { return ::PlayEnhMetaFile(m_hDC, emf, bounds); }

// ---- text ----

BOOL CDC::TextOut(int x, int y, LPCSTR text, int count) {
  return ::TextOutA(m_hDC, x, y, text, count);
}
BOOL CDC::TextOut(int x, int y, LPCSTR text) {
  return TextOut(x, y, text, text ? int(std::strlen(text)) : 0);
}
BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT count, const INT* dx) {
  return ::ExtTextOutA(m_hDC, x, y, options, rect, text, count, dx);
}
int CDC::DrawText(LPCSTR text, int count, LPRECT rect, UINT format) {
  return ::DrawTextA(m_hDC, text, count, rect, format);
}
CSize CDC::GetTextExtent(LPCSTR text, int count) const {
  SIZE s{};
  ::GetTextExtentPoint32A(m_hAttribDC, text, count, &s);
  return s;
}
CSize CDC::GetTextExtent(LPCSTR text) const {
  return GetTextExtent(text, text ? int(std::strlen(text)) : 0);
}
CSize CDC::GetOutputTextExtent(LPCSTR text, int count) const {
  SIZE s{};
  ::GetTextExtentPoint32A(m_hDC, text, count, &s);
  return s;
}
BOOL CDC::GetTextMetrics(LPTEXTMETRICA metrics) const { return ::GetTextMetricsA(m_hAttribDC, metrics); }
BOOL CDC::GetOutputTextMetrics(LPTEXTMETRICA metrics) const { return ::GetTextMetricsA(m_hDC, metrics); }
BOOL CDC::GetCharWidth(UINT first, UINT last, INT* widths) const {
  return ::GetCharWidthA(m_hAttribDC, first, last, widths);
}
int CDC::GetTextFace(int count, LPSTR face) const { return ::GetTextFaceA(m_hAttribDC, count, face); }

// ---- printing ----

int CDC::StartDoc(const DOCINFOA* info) { return ::StartDocA(m_hDC, info); }
int CDC::StartDoc(LPCSTR docName) {
  DOCINFOA info{sizeof(DOCINFOA), docName, nullptr, nullptr, 0};
  return StartDoc(&info);
}
int CDC::StartPage() { return ::StartPage(m_hDC); }
int CDC::EndPage() { return ::EndPage(m_hDC); }
int CDC::EndDoc() { return ::EndDoc(m_hDC); }
int CDC::AbortDoc() { return ::AbortDoc(m_hDC); }
int CDC::SetAbortProc(ABORTPROC proc) { return ::SetAbortProc(m_hDC, proc); }

// ---- metafile DC ----

CMetaFileDC::~CMetaFileDC() {
  if (m_hDC) ::DeleteEnhMetaFile(CloseEnhanced());
}

BOOL CMetaFileDC::CreateEnhanced(CDC* reference, LPCSTR fileName, LPCRECT bounds, LPCSTR description) {
  HDC h = ::CreateEnhMetaFileA(reference ? reference->m_hDC : nullptr, fileName, bounds, description);
  return Attach(h);
}

HENHMETAFILE CMetaFileDC::CloseEnhanced() {
  HDC h = Detach();
  return h ? ::CloseEnhMetaFile(h) : nullptr;
}
