// Drawing shared by the standard controls and window frames.
#include "control_drawing.h"

#include <algorithm>

namespace win::user {

HFONT FontOrDefault(HFONT font) { return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HBRUSH ControlColors(HWND control, HDC dc, UINT msg) {
  HWND parent = GetParent(control);
  LRESULT r = DefaultCtlColor(msg, dc);
  if (parent && IsWindow(parent)) {
    LRESULT asked = Send(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    if (asked) r = asked;
  }
  return reinterpret_cast<HBRUSH>(r);
}

void FillSys(HDC dc, const RECT& r, int color) { FillRect(dc, &r, GetSysColorBrush(color)); }

void DrawArrow(HDC dc, const RECT& box, Arrow dir, COLORREF color) {
  // A solid triangle of 4 rows, centred in the box.
  HBRUSH b = CreateSolidBrush(color);
  int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    RECT s{};
    switch (dir) {
      case Arrow::Down: s = RECT{cx - 3 + i, cy - 2 + i, cx + 4 - i, cy - 1 + i}; break;
      case Arrow::Up: s = RECT{cx - 3 + i, cy + 1 - i, cx + 4 - i, cy + 2 - i}; break;
      case Arrow::Right: s = RECT{cx - 2 + i, cy - 3 + i, cx - 1 + i, cy + 4 - i}; break;
      case Arrow::Left: s = RECT{cx + 1 - i, cy - 3 + i, cx + 2 - i, cy + 4 - i}; break;
    }
    FillRect(dc, &s, b);
  }
  DeleteObject(b);
}

void DrawScrollBar(HDC dc, const RECT& r, const ScrollState& s, bool vertical) {
  int length = vertical ? r.bottom - r.top : r.right - r.left;
  if (length <= 0) return;
  FillSys(dc, r, COLOR_SCROLLBAR);
  int arrow = std::min(vertical ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL), length / 2);
  RECT a1 = vertical ? RECT{r.left, r.top, r.right, r.top + arrow} : RECT{r.left, r.top, r.left + arrow, r.bottom};
  RECT a2 = vertical ? RECT{r.left, r.bottom - arrow, r.right, r.bottom} : RECT{r.right - arrow, r.top, r.right, r.bottom};
  COLORREF ink = GetSysColor(s.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  for (RECT* a : {&a1, &a2}) {
    RECT e = *a;
    DrawEdge(dc, &e, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  DrawArrow(dc, a1, vertical ? Arrow::Up : Arrow::Left, ink);
  DrawArrow(dc, a2, vertical ? Arrow::Down : Arrow::Right, ink);
  int inner = std::max(length - 2 * arrow, 0);
  int range = std::max(s.max - s.min + 1, 1);
  if (!s.enabled || inner < 8 || s.page >= static_cast<UINT>(range)) return;
  int thumb = s.page ? std::max(8, static_cast<int>(static_cast<long long>(inner) * s.page / range))
                     : GetSystemMetrics(SM_CYVTHUMB);
  thumb = std::min(thumb, inner);
  int span = std::max(s.max - std::max<int>(static_cast<int>(s.page) - 1, 0), s.min) - s.min;
  int start = arrow + (span > 0 ? static_cast<int>(static_cast<long long>(inner - thumb) * (s.pos - s.min) / span) : 0);
  RECT t = vertical ? RECT{r.left, r.top + start, r.right, r.top + start + thumb}
                    : RECT{r.left + start, r.top, r.left + start + thumb, r.bottom};
  DrawEdge(dc, &t, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

}  // namespace win::user
