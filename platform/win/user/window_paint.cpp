// Window painting: the raster surface of each top-level window, window and
// client device contexts on it, BeginPaint/EndPaint, update regions, the
// default erase, control colours and non-client frames, system colours and
// bitmaps from the resource registry.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "control_drawing.h"
#include "gdi_objects.h"
#include "user_internal.h"
#include "win_gdi.h"
#include "win_kernel.h"
#include "win_script.h"

namespace win::user {

namespace {

using win::gdi::IntRect;
using win::gdi::Region;
using win::gdi::RegionOp;

// The bitmap a top-level window and its children paint into.
struct WindowSurface {
  HBITMAP bitmap = nullptr;
  int width = 0, height = 0;
  WindowSurface() = default;
  WindowSurface(const WindowSurface&) = delete;
  WindowSurface& operator=(const WindowSurface&) = delete;
  ~WindowSurface() {
    if (bitmap) DeleteObject(bitmap);
  }
};

// Device contexts handed out for windows (GetDC, BeginPaint ...), by handle.
std::mutex g_dcMutex;
std::unordered_map<HDC, HWND>& WindowDCs() {
  static auto* m = new std::unordered_map<HDC, HWND>();
  return *m;
}

void Track(HDC dc, HWND hwnd) {
  std::lock_guard lock(g_dcMutex);
  WindowDCs()[dc] = hwnd;
}

// Removes the record of dc; false when it was not a window DC.
bool Forget(HDC dc, HWND* owner = nullptr) {
  std::lock_guard lock(g_dcMutex);
  auto it = WindowDCs().find(dc);
  if (it == WindowDCs().end()) return false;
  if (owner) *owner = it->second;
  WindowDCs().erase(it);
  return true;
}

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

std::shared_ptr<WindowSurface> SurfaceOf(const std::shared_ptr<Window>& root) {
  return std::static_pointer_cast<WindowSurface>(root->surface);
}

// The root's surface, made or resized to the window's size (content kept
// where old and new overlap). Null when the size is beyond a bitmap's.
std::shared_ptr<WindowSurface> EnsureSurface(HWND root) {
  auto w = Get(root);
  if (!w) return nullptr;
  int cw = std::max<int>(1, Width(w->rect)), ch = std::max<int>(1, Height(w->rect));
  auto s = SurfaceOf(w);
  if (s && s->width == cw && s->height == ch) return s;
  if (int64_t(cw) * ch > win::gdi::kMaxBitmapPixels) return nullptr;
  auto fresh = std::make_shared<WindowSurface>();
  fresh->bitmap = CreateBitmap(cw, ch, 1, 32, nullptr);
  if (!fresh->bitmap) return nullptr;
  fresh->width = cw;
  fresh->height = ch;
  auto dst = win::gdi::Lookup<win::gdi::BitmapObject>(fresh->bitmap, OBJ_BITMAP);
  // New areas start in the window colour rather than black.
  std::fill(dst->pixels.begin(), dst->pixels.end(), win::gdi::PixelFromColorRef(GetSysColor(COLOR_WINDOW)));
  if (s) {
    auto src = win::gdi::Lookup<win::gdi::BitmapObject>(s->bitmap, OBJ_BITMAP);
    if (src) {
      int cols = std::min(cw, src->width), rows = std::min(ch, src->height);
      for (int y = 0; y < rows; ++y) std::copy(src->Row(y), src->Row(y) + cols, dst->Row(y));
    }
  }
  w->surface = fresh;
  return fresh;
}

// Where the window's rectangle and client area lie on the root's surface.
struct Placement {
  HWND root = nullptr;
  IntRect window, client;
};

bool Place(HWND hwnd, Placement& p) {
  auto w = Get(hwnd);
  if (!w) return false;
  p.root = RootOf(hwnd);
  auto rw = Get(p.root);
  if (!rw) return false;
  RECT wr;
  GetWindowRect(hwnd, &wr);
  LONG ox = rw->rect.left, oy = rw->rect.top;
  p.window = IntRect::FromRECT(RECT{wr.left - ox, wr.top - oy, wr.right - ox, wr.bottom - oy});
  POINT co = ClientOrigin(hwnd);
  RECT c = ClientRectOf(*w);
  p.client = IntRect::FromRECT(RECT{co.x - ox, co.y - oy, co.x - ox + c.right, co.y - oy + c.bottom});
  return true;
}

IntRect ClientOnSurface(HWND hwnd) {
  Placement p;
  return Place(hwnd, p) ? p.client : IntRect{};
}

// What of the window (its client area or all of it) can be seen on the
// surface: inside every ancestor's client area, less visible children
// (WS_CLIPCHILDREN) and siblings above it (WS_CLIPSIBLINGS). Empty when the
// window or an ancestor is hidden.
Region VisibleArea(HWND hwnd, bool client) {
  Placement p;
  if (!Place(hwnd, p) || !IsWindowVisible(hwnd)) return Region();
  auto w = Get(hwnd);
  auto rw = Get(p.root);
  IntRect area = (client ? p.client : p.window).Intersected(IntRect{0, 0, Width(rw->rect), Height(rw->rect)});
  for (auto c = w; c && (c->style & WS_CHILD) && c->parent;) {
    auto parent = Get(c->parent);
    if (!parent) break;
    area = area.Intersected(ClientOnSurface(parent->handle));
    c = parent;
  }
  Region r(area);
  if (r.Empty()) return r;
  if (w->style & WS_CLIPCHILDREN) {
    for (HWND ch : w->children) {
      auto cw = Get(ch);
      Placement cp;
      if (cw && (cw->style & WS_VISIBLE) && Place(ch, cp)) r = r.Combined(Region(cp.window), RegionOp::Diff);
    }
  }
  if ((w->style & WS_CLIPSIBLINGS) && (w->style & WS_CHILD)) {
    if (auto parent = Get(w->parent)) {
      for (HWND sib : parent->children) {
        if (sib == hwnd) break;  // the ones before it lie above it
        auto sw = Get(sib);
        Placement sp;
        if (sw && (sw->style & WS_VISIBLE) && Place(sib, sp)) r = r.Combined(Region(sp.window), RegionOp::Diff);
      }
    }
  }
  return r;
}

HRGN MakeRgn(const Region& r) {
  auto obj = std::make_shared<win::gdi::RegionObject>();
  obj->region = r;
  return reinterpret_cast<HRGN>(win::gdi::Register(obj));
}

// A DC on the window's surface; limit (surface coordinates) narrows what it
// may touch further.
HDC MakeWindowDC(HWND hwnd, bool client, const Region* limit) {
  Placement p;
  if (!Place(hwnd, p)) return nullptr;
  auto surface = EnsureSurface(p.root);
  if (!surface) return nullptr;
  Region vis = VisibleArea(hwnd, client);
  if (limit) vis = vis.Combined(*limit, RegionOp::And);
  HRGN rgn = MakeRgn(vis);
  IntRect at = client ? p.client : p.window;
  HDC dc = win::gdi::CreateSurfaceDC(surface->bitmap, POINT{at.left, at.top}, rgn);
  DeleteObject(rgn);
  if (dc) Track(dc, hwnd);
  return dc;
}

bool EmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool HasNonClient(const Window& w) {
  RECT in = WindowInsets(w);
  return in.left || in.top || in.right || in.bottom;
}

const COLORREF kSysColors[] = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3-D dark shadow
    RGB(223, 223, 223),  // 3-D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
    RGB(192, 192, 192),  // (unused)
    RGB(0, 0, 255),      // hot-tracked item
    RGB(16, 132, 208),   // active caption gradient
    RGB(181, 181, 181),  // inactive caption gradient
};
constexpr int kSysColorCount = static_cast<int>(sizeof kSysColors / sizeof kSysColors[0]);

}  // namespace

void ReleaseWindowDCs(HWND hwnd) {
  std::vector<HDC> gone;
  {
    std::lock_guard lock(g_dcMutex);
    for (auto it = WindowDCs().begin(); it != WindowDCs().end();) {
      if (it->second == hwnd) {
        gone.push_back(it->first);
        it = WindowDCs().erase(it);
      } else {
        ++it;
      }
    }
  }
  for (HDC dc : gone) DeleteDC(dc);
}

void SetNonClientDirty(HWND hwnd) {
  if (auto w = Get(hwnd)) w->ncDirty = true;
}

LRESULT DefaultEraseBackground(HWND hwnd, HDC dc) {
  auto w = Get(hwnd);
  if (!w || !dc) return 0;
  HBRUSH b = ClassBrush(w->cls->background);
  if (!b) return 0;
  RECT c = ClientRectOf(*w);
  FillRect(dc, &c, b);
  return 1;
}

HBRUSH ClassBrush(HBRUSH brush) {
  auto v = reinterpret_cast<ULONG_PTR>(brush);
  if (v > 0 && v <= static_cast<ULONG_PTR>(kSysColorCount)) return GetSysColorBrush(static_cast<int>(v) - 1);
  return brush;
}

LRESULT DefaultCtlColor(UINT msg, HDC dc) {
  bool window = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
  if (msg == WM_CTLCOLORSCROLLBAR) {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_SCROLLBAR));
  }
  SetTextColor(dc, GetSysColor(window ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
  SetBkColor(dc, GetSysColor(window ? COLOR_WINDOW : COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(window ? COLOR_WINDOW : COLOR_BTNFACE));
}

void PaintNonClient(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w || !HasNonClient(*w)) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  DWORD style = w->style, ex = w->exStyle;
  RECT r{0, 0, Width(w->rect), Height(w->rect)};
  RECT in = WindowInsets(*w);
  RECT client{in.left, in.top, r.right - in.right, r.bottom - in.bottom};
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  if ((style & WS_THICKFRAME) || (style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    int f = GetSystemMetrics((style & WS_THICKFRAME) ? SM_CXFRAME : SM_CXDLGFRAME);
    r = RECT{r.left + f, r.top + f, r.right - f, r.bottom - f};
  } else if (style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  if ((style & WS_CAPTION) == WS_CAPTION) {
    int cap = GetSystemMetrics((ex & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    bool active = GetActiveWindow() == hwnd;
    RECT bar{r.left, r.top, r.right, r.top + cap - 1};
    FillRect(dc, &bar, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT text{bar.left + 4, bar.top, bar.right - 2, bar.bottom};
    DrawTextA(dc, w->text.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    r.top += cap;
  }
  if (w->menu && !(style & WS_CHILD)) {
    int height = GetSystemMetrics(SM_CYMENU);
    PaintMenuBar(w->menu, dc, RECT{r.left, r.top, r.right, r.top + height});
    r.top += height;
  }
  if (ex & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (ex & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  int sx = GetSystemMetrics(SM_CXVSCROLL), sy = GetSystemMetrics(SM_CYHSCROLL);
  if (style & WS_VSCROLL) {
    RECT bar{client.right, client.top, client.right + sx, client.bottom};
    DrawScrollBar(dc, bar, w->vscroll, true);
  }
  if (style & WS_HSCROLL) {
    RECT bar{client.left, client.bottom, client.right, client.bottom + sy};
    DrawScrollBar(dc, bar, w->hscroll, false);
  }
  ReleaseDC(hwnd, dc);
}

HWND SurfaceRoot(HWND hwnd, HBITMAP* bitmap) {
  HWND root = RootOf(hwnd);
  auto rw = Get(root);
  auto s = rw ? SurfaceOf(rw) : nullptr;
  if (!s) return nullptr;
  if (bitmap) *bitmap = s->bitmap;
  return root;
}

HDC PopupSurfaceDC(HWND hwnd, RECT* surface) {
  HWND root = RootOf(hwnd);
  auto rw = Get(root);
  auto s = rw ? SurfaceOf(rw) : nullptr;
  if (!s) return nullptr;
  HDC dc = win::gdi::CreateSurfaceDC(s->bitmap, POINT{0, 0}, nullptr);
  if (dc && surface)
    *surface = RECT{rw->rect.left, rw->rect.top, rw->rect.left + s->width, rw->rect.top + s->height};
  return dc;
}

}  // namespace win::user

using namespace win::user;

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  auto w = Get(hwnd);
  if (!w || !ps) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    if (ps) *ps = PAINTSTRUCT{};
    return nullptr;
  }
  *ps = PAINTSTRUCT{};
  RECT update = w->update;
  bool erase = w->erase;
  bool frame = w->ncDirty;
  w->update = RECT{};
  w->erase = false;
  w->ncDirty = false;
  w->paintSerial++;
  if (frame && HasNonClient(*w)) {
    Send(hwnd, WM_NCPAINT, 1, 0);
    if (!Get(hwnd)) return nullptr;
  }
  IntRect at = ClientOnSurface(hwnd);
  IntRect area = EmptyRect(update) ? IntRect{} : IntRect::FromRECT(update);
  Region limit(IntRect{area.left + at.left, area.top + at.top, area.right + at.left, area.bottom + at.top});
  HDC dc = MakeWindowDC(hwnd, true, &limit);
  if (!dc) return nullptr;
  ps->hdc = dc;
  ps->rcPaint = EmptyRect(update) ? RECT{} : update;
  if (erase) {
    ps->fErase = Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    if (!Get(hwnd)) {  // its DCs went with it
      ps->hdc = nullptr;
      return nullptr;
    }
  }
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return TRUE;
  if (Forget(ps->hdc)) DeleteDC(ps->hdc);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  if (!hwnd) {
    // The screen: measuring and drawing that goes nowhere.
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) Track(dc, nullptr);
    return dc;
  }
  if (!Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return MakeWindowDC(hwnd, true, nullptr);
}

HDC GetWindowDC(HWND hwnd) {
  if (!hwnd) return GetDC(nullptr);
  if (!Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return MakeWindowDC(hwnd, false, nullptr);
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  if (!hwnd) return GetDC(nullptr);
  if (!Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  bool client = !(flags & DCX_WINDOW);
  std::optional<Region> limit;
  if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    auto r = win::gdi::Lookup<win::gdi::RegionObject>(clip, OBJ_REGION);
    if (r) {
      Placement p;
      Place(hwnd, p);
      IntRect at = client ? p.client : p.window;
      Region rg = r->region;
      rg.Offset(at.left, at.top);
      if (flags & DCX_INTERSECTRGN) {
        limit = rg;
      } else {
        limit = Region(IntRect{-win::gdi::kCoordLimit, -win::gdi::kCoordLimit, win::gdi::kCoordLimit,
                               win::gdi::kCoordLimit})
                    .Combined(rg, RegionOp::Diff);
      }
    }
  }
  return MakeWindowDC(hwnd, client, limit ? &*limit : nullptr);
}

int ReleaseDC(HWND, HDC hdc) {
  if (!hdc || !Forget(hdc)) return 0;
  DeleteDC(hdc);
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  std::lock_guard lock(g_dcMutex);
  auto it = WindowDCs().find(hdc);
  return it == WindowDCs().end() ? nullptr : it->second;
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  if (!region) return InvalidateRect(hwnd, nullptr, erase);
  RECT box;
  if (GetRgnBox(region, &box) == ERROR) return FALSE;
  if (EmptyRect(box)) return Get(hwnd) ? TRUE : FALSE;
  return InvalidateRect(hwnd, &box, erase);
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  if (!region) return ValidateRect(hwnd, nullptr);
  RECT box;
  if (GetRgnBox(region, &box) == ERROR) return FALSE;
  return ValidateRect(hwnd, &box);
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  RECT r;
  if (!Get(hwnd) || !region) return ERROR;
  BOOL any = GetUpdateRect(hwnd, &r, erase);
  if (!SetRectRgn(region, r.left, r.top, r.right, r.bottom)) return ERROR;
  return any ? SIMPLEREGION : NULLREGION;
}

DWORD GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  static std::once_flag once;
  static HBRUSH brushes[kSysColorCount];
  std::call_once(once, [] {
    for (int i = 0; i < kSysColorCount; ++i) {
      auto b = std::make_shared<win::gdi::BrushObject>();
      b->style = BS_SOLID;
      b->color = kSysColors[i];
      brushes[i] = reinterpret_cast<HBRUSH>(win::gdi::RegisterPermanent(b));
    }
  });
  if (index < 0 || index >= kSysColorCount) return nullptr;
  return brushes[index];
}

BOOL DrawEdge(HDC hdc, LPRECT rect, UINT edge, UINT flags) {
  if (!hdc || !rect) return FALSE;
  RECT r = *rect;
  auto line = [&](int topLeft, int bottomRight) {
    HBRUSH tl = GetSysColorBrush(topLeft), br = GetSysColorBrush(bottomRight);
    if (flags & BF_MONO) tl = br = GetSysColorBrush(COLOR_WINDOWFRAME);
    if (flags & BF_FLAT) tl = br = GetSysColorBrush(COLOR_BTNSHADOW);
    RECT s;
    if (flags & BF_TOP) { s = {r.left, r.top, r.right, r.top + 1}; FillRect(hdc, &s, tl); }
    if (flags & BF_LEFT) { s = {r.left, r.top, r.left + 1, r.bottom}; FillRect(hdc, &s, tl); }
    if (flags & BF_BOTTOM) { s = {r.left, r.bottom - 1, r.right, r.bottom}; FillRect(hdc, &s, br); }
    if (flags & BF_RIGHT) { s = {r.right - 1, r.top, r.right, r.bottom}; FillRect(hdc, &s, br); }
    if (flags & BF_LEFT) r.left++;
    if (flags & BF_TOP) r.top++;
    if (flags & BF_RIGHT) r.right--;
    if (flags & BF_BOTTOM) r.bottom--;
  };
  if (edge & BDR_RAISEDOUTER) line(COLOR_3DLIGHT, COLOR_3DDKSHADOW);
  else if (edge & BDR_SUNKENOUTER) line(COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
  if (edge & BDR_RAISEDINNER) line(COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
  else if (edge & BDR_SUNKENINNER) line(COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  if ((flags & BF_MIDDLE) && r.right > r.left && r.bottom > r.top)
    FillRect(hdc, &r, GetSysColorBrush((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  if (!hdc || !rect) return FALSE;
  const RECT r = *rect;
  if (r.right <= r.left || r.bottom <= r.top) return TRUE;
  // Dotted and inverting, so that drawing it twice takes it away.
  auto dot = [&](int x, int y) { PatBlt(hdc, x, y, 1, 1, DSTINVERT); };
  for (LONG x = r.left; x < r.right; x += 2) {
    dot(x, r.top);
    if (r.bottom - 1 > r.top) dot(x, r.bottom - 1);
  }
  for (LONG y = r.top + 2; y < r.bottom - 1; y += 2) {
    dot(r.left, y);
    if (r.right - 1 > r.left) dot(r.right - 1, y);
  }
  return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  if (!name) return nullptr;
  const auto* res = win::resources::FindBitmap(instance, win::resources::ResourceName(name));
  if (!res || res->width <= 0 || res->height <= 0 ||
      res->pixels.size() != static_cast<size_t>(res->width) * static_cast<size_t>(res->height)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  std::vector<BYTE> bits(res->pixels.size() * 4);
  for (size_t i = 0; i < res->pixels.size(); ++i) {
    COLORREF c = res->pixels[i];
    bits[4 * i] = GetBValue(c);
    bits[4 * i + 1] = GetGValue(c);
    bits[4 * i + 2] = GetRValue(c);
    bits[4 * i + 3] = 0;
  }
  return CreateBitmap(res->width, res->height, 1, 32, bits.data());
}

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int, int, UINT flags) {
  if (flags & LR_LOADFROMFILE) return nullptr;  // images come from the registry only
  switch (type) {
    case IMAGE_BITMAP: return LoadBitmapA(instance, name);
    case IMAGE_ICON: return LoadIconA(instance, name);
    case IMAGE_CURSOR: return LoadCursorA(instance, name);
    default: return nullptr;
  }
}

// Script helpers ----------------------------------------------------------------

namespace win::script {

bool SaveWindowPng(HWND hwnd, const char* winPath) {
  HBITMAP surface = nullptr;
  if (!winPath || !Get(hwnd) || !SurfaceRoot(hwnd, &surface)) return false;
  if (RootOf(hwnd) == hwnd) return win::gdi::SaveBitmapPng(surface, winPath);
  Placement p;
  if (!Place(hwnd, p) || p.window.Empty()) return false;
  // A child: its rectangle cut out of the top-level window's picture.
  HDC src = CreateCompatibleDC(nullptr);
  HDC dst = CreateCompatibleDC(nullptr);
  HBITMAP part = CreateBitmap(p.window.Width(), p.window.Height(), 1, 32, nullptr);
  HGDIOBJ oldSrc = SelectObject(src, surface);
  HGDIOBJ oldDst = SelectObject(dst, part);
  bool ok = oldSrc && oldDst &&
            BitBlt(dst, 0, 0, p.window.Width(), p.window.Height(), src, p.window.left, p.window.top, SRCCOPY);
  SelectObject(src, oldSrc);
  SelectObject(dst, oldDst);
  DeleteDC(src);
  DeleteDC(dst);
  ok = ok && win::gdi::SaveBitmapPng(part, winPath);
  DeleteObject(part);
  return ok;
}

bool SaveScreenPng(HWND hwnd, const char* winPath) {
  HBITMAP surface = nullptr;
  const HWND root = winPath && Get(hwnd) ? SurfaceRoot(hwnd, &surface) : nullptr;
  auto rw = root ? Get(root) : nullptr;
  if (!rw) return false;
  // The visible pop-ups it owns, directly or through other pop-ups, in the
  // order made (handles grow), the topmost ones last.
  std::vector<std::pair<HWND, std::shared_ptr<Window>>> above;
  {
    std::lock_guard<std::recursive_mutex> lock(S().mutex);
    for (const auto& [h, w] : S().windows) {
      if (h == root || (w->style & WS_CHILD) || !(w->style & WS_VISIBLE) || !w->surface) continue;
      bool owned = false;
      int steps = 0;  // an owner chain is short; a loop in it ends here
      for (auto o = w; o && o->owner && !owned && steps < 32; o = Get(o->owner), ++steps) owned = o->owner == root;
      if (owned) above.emplace_back(h, w);
    }
  }
  std::sort(above.begin(), above.end(), [](const auto& a, const auto& b) {
    const bool ta = (a.second->exStyle & WS_EX_TOPMOST) != 0, tb = (b.second->exStyle & WS_EX_TOPMOST) != 0;
    return ta != tb ? tb : reinterpret_cast<uintptr_t>(a.first) < reinterpret_cast<uintptr_t>(b.first);
  });
  auto base = win::gdi::Lookup<win::gdi::BitmapObject>(surface, OBJ_BITMAP);
  if (!base) return false;
  HBITMAP picture = CreateBitmap(base->width, base->height, 1, 32, nullptr);
  HDC dst = CreateCompatibleDC(nullptr);
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ oldDst = SelectObject(dst, picture);
  HGDIOBJ oldSrc = SelectObject(src, surface);
  bool ok = picture && oldDst && oldSrc && BitBlt(dst, 0, 0, base->width, base->height, src, 0, 0, SRCCOPY);
  for (const auto& [h, w] : above) {
    auto s = SurfaceOf(w);
    if (!ok || !s || !IsWindowVisible(h)) continue;
    SelectObject(src, s->bitmap);
    ok = BitBlt(dst, w->rect.left - rw->rect.left, w->rect.top - rw->rect.top, s->width, s->height, src, 0, 0,
                SRCCOPY) != FALSE;
  }
  SelectObject(src, oldSrc);
  SelectObject(dst, oldDst);
  DeleteDC(src);
  DeleteDC(dst);
  ok = ok && win::gdi::SaveBitmapPng(picture, winPath);
  if (picture) DeleteObject(picture);
  return ok;
}

COLORREF WindowPixel(HWND hwnd, int x, int y) {
  HBITMAP surface = nullptr;
  auto w = Get(hwnd);
  if (!w || !SurfaceRoot(hwnd, &surface)) return CLR_INVALID;
  RECT c = ClientRectOf(*w);
  if (x < 0 || y < 0 || x >= c.right || y >= c.bottom) return CLR_INVALID;
  IntRect at = ClientOnSurface(hwnd);
  auto bmp = win::gdi::Lookup<win::gdi::BitmapObject>(surface, OBJ_BITMAP);
  int sx = at.left + x, sy = at.top + y;
  if (!bmp || sx < 0 || sy < 0 || sx >= bmp->width || sy >= bmp->height) return CLR_INVALID;
  return win::gdi::ColorRefFromPixel(bmp->Row(sy)[sx]);
}

}  // namespace win::script
