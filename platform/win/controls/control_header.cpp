// The header: a row of column captions with widths, alignment, optional
// images (sort arrows and the like) from an image list; with HDS_BUTTONS a
// click on an item is told to the parent (HDN_ITEMCLICK).
#include <algorithm>
#include <cstring>
#include <string>

#include "common_control_kit.h"

namespace win::user {
namespace {

struct HeaderItem {
  std::string text;
  int cx = 60;
  int fmt = HDF_LEFT | HDF_STRING;
  int image = -1;
  LPARAM param = 0;
};

struct HeaderState : ControlState {
  std::vector<HeaderItem> items;
  HIMAGELIST images = nullptr;
  HFONT font = nullptr;
};

void Apply(HeaderItem& it, const HDITEMA& h) {
  if (h.mask & HDI_WIDTH) it.cx = std::max(0, h.cxy);
  if ((h.mask & HDI_TEXT) && h.pszText && h.pszText != LPSTR_TEXTCALLBACKA) it.text = h.pszText;
  if (h.mask & HDI_FORMAT) it.fmt = h.fmt;
  if (h.mask & HDI_IMAGE) it.image = h.iImage;
  if (h.mask & HDI_LPARAM) it.param = h.lParam;
}

RECT ItemRect(HWND hwnd, const HeaderState& s, size_t i) {
  RECT c;
  GetClientRect(hwnd, &c);
  int x = 0;
  for (size_t k = 0; k < i; ++k) x += s.items[k].cx;
  return RECT{x, 0, x + s.items[i].cx, c.bottom};
}

void Paint(HWND hwnd, HeaderState& s) {
  PaintControl(hwnd, s.font, [&](HDC dc, const RECT& c) {
    FillSys(dc, c, COLOR_BTNFACE);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (size_t i = 0; i < s.items.size(); ++i) {
      const HeaderItem& it = s.items[i];
      RECT r = ItemRect(hwnd, s, i);
      RECT e = r;
      DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
      RECT t{r.left + 6, r.top, r.right - 6, r.bottom};
      if ((it.fmt & HDF_IMAGE) && s.images && it.image >= 0) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(s.images, &cx, &cy);
        int x = (it.fmt & HDF_BITMAP_ON_RIGHT) ? t.right - cx : t.left;
        ImageList_Draw(s.images, it.image, dc, x, (r.top + r.bottom - cy) / 2, ILD_TRANSPARENT);
        if (it.fmt & HDF_BITMAP_ON_RIGHT)
          t.right -= cx + 2;
        else
          t.left += cx + 2;
      }
      UINT align = (it.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT
                   : (it.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                               : DT_LEFT;
      DrawTextA(dc, it.text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | align);
    }
  });
}

}  // namespace

LRESULT CALLBACK HeaderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<HeaderState>(hwnd);
  if (!s) return 0;
  switch (msg) {
    case HDM_GETITEMCOUNT: return static_cast<LRESULT>(s->items.size());
    case HDM_INSERTITEMA: {
      auto* h = reinterpret_cast<const HDITEMA*>(lParam);
      if (!h) return -1;
      HeaderItem it;
      Apply(it, *h);
      size_t at = std::min(wParam, s->items.size());
      s->items.insert(s->items.begin() + static_cast<long>(at), it);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(at);
    }
    case HDM_DELETEITEM:
      if (wParam >= s->items.size()) return FALSE;
      s->items.erase(s->items.begin() + static_cast<long>(wParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case HDM_SETITEMA: {
      auto* h = reinterpret_cast<const HDITEMA*>(lParam);
      if (!h || wParam >= s->items.size()) return FALSE;
      Apply(s->items[wParam], *h);
      InvalidateRect(hwnd, nullptr, TRUE);
      NMHEADERA nm{};
      nm.iItem = static_cast<int>(wParam);
      nm.pitem = const_cast<HDITEMA*>(h);
      SendNotify(hwnd, HDN_ITEMCHANGEDA, &nm.hdr);
      return TRUE;
    }
    case HDM_GETITEMA: {
      auto* h = reinterpret_cast<HDITEMA*>(lParam);
      if (!h || wParam >= s->items.size()) return FALSE;
      const HeaderItem& it = s->items[wParam];
      if (h->mask & HDI_WIDTH) h->cxy = it.cx;
      if (h->mask & HDI_FORMAT) h->fmt = it.fmt;
      if (h->mask & HDI_IMAGE) h->iImage = it.image;
      if (h->mask & HDI_LPARAM) h->lParam = it.param;
      if ((h->mask & HDI_TEXT) && h->pszText && h->cchTextMax > 0) {
        size_t n = std::min(it.text.size(), static_cast<size_t>(h->cchTextMax) - 1);
        std::memcpy(h->pszText, it.text.data(), n);
        h->pszText[n] = 0;
      }
      return TRUE;
    }
    case HDM_GETITEMRECT:
      if (!lParam || wParam >= s->items.size()) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = ItemRect(hwnd, *s, wParam);
      return TRUE;
    case HDM_SETIMAGELIST: {
      HIMAGELIST old = s->images;
      s->images = reinterpret_cast<HIMAGELIST>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case HDM_GETIMAGELIST: return reinterpret_cast<LRESULT>(s->images);
    case WM_LBUTTONDOWN: {
      if (!(StyleOf(hwnd) & HDS_BUTTONS)) return 0;
      int x = GET_X_LPARAM(lParam);
      for (size_t i = 0; i < s->items.size(); ++i) {
        RECT r = ItemRect(hwnd, *s, i);
        if (x >= r.left && x < r.right) {
          NMHEADERA nm{};
          nm.iItem = static_cast<int>(i);
          SendNotify(hwnd, HDN_ITEMCLICKA, &nm.hdr);
          return 0;
        }
      }
      return 0;
    }
    case WM_SETFONT: s->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(hwnd, *s); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace win::user
