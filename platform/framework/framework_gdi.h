#pragma once
// Drawing classes of the application framework: thin owners of the system's
// drawing objects and the device-context class with its output handle
// (m_hDC, where drawing goes) and attribute handle (m_hAttribDC, which
// answers measurements and queries).
#include "framework_export.h"
#include "framework_types.h"
#include "win/win_gdi.h"

class FRAMEWORK_CLASS CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;

  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  BOOL CreateStockObject(int index);
  int GetObject(int size, LPVOID out) const;
  UINT GetObjectType() const;
  // A wrapper for a handle: the attached object, or a temporary one kept
  // until DeleteTempMap (or the end of the thread).
  static CGdiObject* FromHandle(HGDIOBJ h);
  static void DeleteTempMap();
};

class FRAMEWORK_CLASS CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  BOOL CreatePen(int style, int width, COLORREF color);
  BOOL CreatePenIndirect(const LOGPEN* pen);
  int GetLogPen(LOGPEN* pen) const { return GetObject(sizeof(LOGPEN), pen); }
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  static CPen* FromHandle(HPEN h) { return static_cast<CPen*>(CGdiObject::FromHandle(h)); }
};

class FRAMEWORK_CLASS CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  CBrush(int hatch, COLORREF color) { CreateHatchBrush(hatch, color); }
  BOOL CreateSolidBrush(COLORREF color);
  BOOL CreateHatchBrush(int hatch, COLORREF color);
  BOOL CreateBrushIndirect(const LOGBRUSH* brush);
  int GetLogBrush(LOGBRUSH* brush) const { return GetObject(sizeof(LOGBRUSH), brush); }
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH h) { return static_cast<CBrush*>(CGdiObject::FromHandle(h)); }
};

class FRAMEWORK_CLASS CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONTA* font);
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                  BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, LPCSTR face);
  // Height in tenths of a point, for the screen or the given DC.
  BOOL CreatePointFont(int pointSize10, LPCSTR face, class CDC* dc = nullptr);
  int GetLogFont(LOGFONTA* font) const { return GetObject(sizeof(LOGFONTA), font); }
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT h) { return static_cast<CFont*>(CGdiObject::FromHandle(h)); }
};

class FRAMEWORK_CLASS CBitmap : public CGdiObject {
 public:
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPixel, const void* bits);
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  int GetBitmap(BITMAP* info) const { return GetObject(sizeof(BITMAP), info); }
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP h) { return static_cast<CBitmap*>(CGdiObject::FromHandle(h)); }
};

class FRAMEWORK_CLASS CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int l, int t, int r, int b);
  BOOL CreateRectRgnIndirect(LPCRECT rect);
  BOOL CreateEllipticRgn(int l, int t, int r, int b);
  BOOL CreatePolygonRgn(const POINT* points, int count, int fillMode);
  int CombineRgn(const CRgn* a, const CRgn* b, int mode);
  int CopyRgn(const CRgn* src) { return CombineRgn(src, nullptr, RGN_COPY); }
  BOOL PtInRegion(int x, int y) const;
  BOOL PtInRegion(POINT p) const { return PtInRegion(p.x, p.y); }
  BOOL RectInRegion(LPCRECT rect) const;
  int OffsetRgn(int dx, int dy);
  int GetRgnBox(LPRECT rect) const;
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
  static CRgn* FromHandle(HRGN h) { return static_cast<CRgn*>(CGdiObject::FromHandle(h)); }
};

class FRAMEWORK_CLASS CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;        // output
  HDC m_hAttribDC = nullptr;  // attributes and measurements
  BOOL m_bPrinting = FALSE;

  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  BOOL Attach(HDC h);
  HDC Detach();
  virtual void SetAttribDC(HDC h) { m_hAttribDC = h; }
  virtual void SetOutputDC(HDC h) { m_hDC = h; }
  void ReleaseAttribDC() { m_hAttribDC = nullptr; }
  void ReleaseOutputDC() { m_hDC = nullptr; }
  static CDC* FromHandle(HDC h);
  static void DeleteTempMap();
  BOOL IsPrinting() const { return m_bPrinting; }

  BOOL CreateDC(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode);
  BOOL CreateIC(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode);
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  int GetDeviceCaps(int index) const;

  virtual int SaveDC();
  virtual BOOL RestoreDC(int saved);

  // ---- objects ----
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  int SelectObject(CRgn* rgn);
  CGdiObject* SelectStockObject(int index);
  HGDIOBJ SelectObject(HGDIOBJ h);
  CPen* GetCurrentPen() const;
  CBrush* GetCurrentBrush() const;
  CFont* GetCurrentFont() const;
  CBitmap* GetCurrentBitmap() const;

  // ---- mapping ----
  virtual int SetMapMode(int mode);
  int GetMapMode() const;
  virtual CPoint SetViewportOrg(int x, int y);
  CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
  virtual CPoint OffsetViewportOrg(int dx, int dy);
  virtual CSize SetViewportExt(int x, int y);
  CSize SetViewportExt(SIZE s) { return SetViewportExt(s.cx, s.cy); }
  CPoint SetWindowOrg(int x, int y);
  CPoint SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
  CPoint OffsetWindowOrg(int dx, int dy);
  virtual CSize SetWindowExt(int x, int y);
  CSize SetWindowExt(SIZE s) { return SetWindowExt(s.cx, s.cy); }
  CPoint GetViewportOrg() const;
  CSize GetViewportExt() const;
  CPoint GetWindowOrg() const;
  CSize GetWindowExt() const;
  void LPtoDP(LPPOINT points, int count = 1) const;
  void LPtoDP(LPRECT rect) const { LPtoDP(reinterpret_cast<LPPOINT>(rect), 2); }
  void LPtoDP(LPSIZE size) const;
  void DPtoLP(LPPOINT points, int count = 1) const;
  void DPtoLP(LPRECT rect) const { DPtoLP(reinterpret_cast<LPPOINT>(rect), 2); }
  void DPtoLP(LPSIZE size) const;

  // ---- clipping ----
  virtual int IntersectClipRect(int l, int t, int r, int b);
  int IntersectClipRect(LPCRECT rect) { return IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom); }
  virtual int ExcludeClipRect(int l, int t, int r, int b);
  int ExcludeClipRect(LPCRECT rect) { return ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom); }
  int SelectClipRgn(CRgn* rgn);
  int SelectClipRgn(CRgn* rgn, int mode);
  virtual int GetClipBox(LPRECT rect) const;
  BOOL PtVisible(int x, int y) const;
  BOOL RectVisible(LPCRECT rect) const;

  // ---- attributes ----
  virtual COLORREF SetTextColor(COLORREF color);
  virtual COLORREF SetBkColor(COLORREF color);
  COLORREF GetTextColor() const;
  COLORREF GetBkColor() const;
  int SetBkMode(int mode);
  int GetBkMode() const;
  int SetROP2(int mode);
  int GetROP2() const;
  UINT SetTextAlign(UINT align);
  UINT GetTextAlign() const;
  int SetTextCharacterExtra(int extra);
  int GetTextCharacterExtra() const;
  int SetPolyFillMode(int mode);
  int GetPolyFillMode() const;
  int SetGraphicsMode(int mode);
  int GetGraphicsMode() const;
  int SetStretchBltMode(int mode);

  // ---- drawing ----
  CPoint GetCurrentPosition() const;
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
  BOOL Polyline(const POINT* points, int count);
  BOOL PolylineTo(const POINT* points, int count);
  BOOL Polygon(const POINT* points, int count);
  BOOL PolyPolygon(const POINT* points, const INT* counts, int polygons);
  BOOL Rectangle(int l, int t, int r, int b);
  BOOL Rectangle(LPCRECT rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
  BOOL Ellipse(int l, int t, int r, int b);
  BOOL Ellipse(LPCRECT rect) { return Ellipse(rect->left, rect->top, rect->right, rect->bottom); }
  BOOL RoundRect(int l, int t, int r, int b, int w, int h);
  void FillRect(LPCRECT rect, CBrush* brush);
  void FillSolidRect(LPCRECT rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  void FrameRect(LPCRECT rect, CBrush* brush);
  void InvertRect(LPCRECT rect);
  void Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight);
  BOOL FillRgn(CRgn* rgn, CBrush* brush);
  BOOL PatBlt(int x, int y, int w, int h, DWORD rop);
  BOOL BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop);
  BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop);
  COLORREF SetPixel(int x, int y, COLORREF color);
  COLORREF SetPixel(POINT p, COLORREF color) { return SetPixel(p.x, p.y, color); }
  BOOL SetPixelV(int x, int y, COLORREF color);
  COLORREF GetPixel(int x, int y) const;
  COLORREF GetPixel(POINT p) const { return GetPixel(p.x, p.y); }
  BOOL PlayMetaFile(HENHMETAFILE emf, LPCRECT bounds);

  // ---- text ----
  virtual BOOL TextOut(int x, int y, LPCSTR text, int count);
  BOOL TextOut(int x, int y, LPCSTR text);
  virtual BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT count,
                          const INT* dx);
  virtual int DrawText(LPCSTR text, int count, LPRECT rect, UINT format);
  CSize GetTextExtent(LPCSTR text, int count) const;
  CSize GetTextExtent(LPCSTR text) const;
  CSize GetOutputTextExtent(LPCSTR text, int count) const;
  BOOL GetTextMetrics(LPTEXTMETRICA metrics) const;
  BOOL GetOutputTextMetrics(LPTEXTMETRICA metrics) const;
  BOOL GetCharWidth(UINT first, UINT last, INT* widths) const;
  int GetTextFace(int count, LPSTR face) const;

  // ---- printing ----
  int StartDoc(const DOCINFOA* info);
  int StartDoc(LPCSTR docName);
  int StartPage();
  int EndPage();
  int EndDoc();
  int AbortDoc();
  int SetAbortProc(ABORTPROC proc);
};

// A DC that records an enhanced metafile.
class FRAMEWORK_CLASS CMetaFileDC : public CDC {
 public:
  CMetaFileDC() = default;
  ~CMetaFileDC() override;
  BOOL CreateEnhanced(CDC* reference, LPCSTR fileName, LPCRECT bounds, LPCSTR description);
  HENHMETAFILE CloseEnhanced();
};
