#pragma once
// Point, size and rectangle value classes of the application framework,
// over the system's POINT, SIZE and RECT (same layout, usable wherever those are).
#include <algorithm>
#include "win/win_types.h"

class CSize;
class CRect;

class CPoint : public POINT {
 public:
  CPoint() : POINT{0, 0} {}
  CPoint(int x0, int y0) : POINT{x0, y0} {}
  CPoint(POINT p) : POINT(p) {}
  CPoint(SIZE s) : POINT{s.cx, s.cy} {}
  explicit CPoint(DWORD packed) : POINT{SHORT(LOWORD(packed)), SHORT(HIWORD(packed))} {}
  void Offset(int dx, int dy) { x += dx; y += dy; }
  void Offset(POINT p) { Offset(p.x, p.y); }
  void SetPoint(int x0, int y0) { x = x0; y = y0; }
  bool operator==(POINT p) const { return x == p.x && y == p.y; }
  bool operator!=(POINT p) const { return !(*this == p); }
  CPoint& operator+=(POINT p) { Offset(p); return *this; }
  CPoint& operator-=(POINT p) { x -= p.x; y -= p.y; return *this; }
  CPoint& operator+=(SIZE s) { x += s.cx; y += s.cy; return *this; }
  CPoint& operator-=(SIZE s) { x -= s.cx; y -= s.cy; return *this; }
  CPoint operator+(POINT p) const { return CPoint(x + p.x, y + p.y); }
  CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
  CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
  CPoint operator-() const { return CPoint(-x, -y); }
  inline CSize operator-(POINT p) const;
  inline CRect operator+(const RECT& r) const;
};

class CSize : public SIZE {
 public:
  CSize() : SIZE{0, 0} {}
  CSize(int cx0, int cy0) : SIZE{cx0, cy0} {}
  CSize(SIZE s) : SIZE(s) {}
  CSize(POINT p) : SIZE{p.x, p.y} {}
  void SetSize(int cx0, int cy0) { cx = cx0; cy = cy0; }
  bool operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
  bool operator!=(SIZE s) const { return !(*this == s); }
  CSize& operator+=(SIZE s) { cx += s.cx; cy += s.cy; return *this; }
  CSize& operator-=(SIZE s) { cx -= s.cx; cy -= s.cy; return *this; }
  CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
  CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
  CSize operator-() const { return CSize(-cx, -cy); }
};

inline CSize CPoint::operator-(POINT p) const { return CSize(x - p.x, y - p.y); }

class CRect : public RECT {
 public:
  CRect() : RECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  CRect(const RECT& r) : RECT(r) {}
  CRect(const RECT* r) : RECT(r ? *r : RECT{0, 0, 0, 0}) {}
  CRect(POINT p, SIZE s) : RECT{p.x, p.y, p.x + s.cx, p.y + s.cy} {}
  CRect(POINT tl, POINT br) : RECT{tl.x, tl.y, br.x, br.y} {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(this); }
  CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
  const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(this); }
  const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }

  bool IsRectEmpty() const { return left >= right || top >= bottom; }
  bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void CopyRect(const RECT* r) { if (r) *static_cast<RECT*>(this) = *r; }
  bool EqualRect(const RECT* r) const {
    return r && left == r->left && top == r->top && right == r->right && bottom == r->bottom;
  }
  void InflateRect(int dx, int dy) { left -= dx; top -= dy; right += dx; bottom += dy; }
  void InflateRect(SIZE s) { InflateRect(s.cx, s.cy); }
  void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
  void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
  void DeflateRect(SIZE s) { InflateRect(-s.cx, -s.cy); }
  void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
  void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
  void MoveToX(int x) { right += x - left; left = x; }
  void MoveToY(int y) { bottom += y - top; top = y; }
  void MoveToXY(int x, int y) { MoveToX(x); MoveToY(y); }
  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }
  // Intersection; an empty result is set to all zeros, as the system does.
  bool IntersectRect(const RECT* a, const RECT* b) {
    if (!a || !b) { SetRectEmpty(); return false; }
    CRect r(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
            std::min(a->bottom, b->bottom));
    if (r.IsRectEmpty()) { SetRectEmpty(); return false; }
    *this = r;
    return true;
  }
  // Union of the non-empty ones.
  bool UnionRect(const RECT* a, const RECT* b) {
    CRect ra(a), rb(b);
    if (ra.IsRectEmpty()) { *this = rb.IsRectEmpty() ? CRect() : rb; return !IsRectEmpty(); }
    if (rb.IsRectEmpty()) { *this = ra; return true; }
    SetRect(std::min(ra.left, rb.left), std::min(ra.top, rb.top), std::max(ra.right, rb.right),
            std::max(ra.bottom, rb.bottom));
    return true;
  }
  bool operator==(const RECT& r) const { return EqualRect(&r); }
  bool operator!=(const RECT& r) const { return !EqualRect(&r); }
  CRect& operator=(const RECT& r) { CopyRect(&r); return *this; }
  CRect& operator+=(POINT p) { OffsetRect(p); return *this; }
  CRect& operator-=(POINT p) { OffsetRect(-p.x, -p.y); return *this; }
  CRect& operator+=(SIZE s) { OffsetRect(s); return *this; }
  CRect& operator-=(SIZE s) { OffsetRect(-s.cx, -s.cy); return *this; }
  CRect& operator&=(const RECT& r) { CRect a(*this); IntersectRect(&a, &r); return *this; }
  CRect& operator|=(const RECT& r) { CRect a(*this); UnionRect(&a, &r); return *this; }
  CRect operator+(POINT p) const { CRect r(*this); r.OffsetRect(p); return r; }
  CRect operator-(POINT p) const { CRect r(*this); r.OffsetRect(-p.x, -p.y); return r; }
  CRect operator&(const RECT& o) const { CRect r; r.IntersectRect(this, &o); return r; }
  CRect operator|(const RECT& o) const { CRect r; r.UnionRect(this, &o); return r; }
};

inline CRect CPoint::operator+(const RECT& r) const {
  return CRect(r.left + x, r.top + y, r.right + x, r.bottom + y);
}

static_assert(sizeof(CPoint) == sizeof(POINT));
static_assert(sizeof(CSize) == sizeof(SIZE));
static_assert(sizeof(CRect) == sizeof(RECT));
