// The view page control "Ctl_Page" and the cached printer contexts.
#include "reportpages/view_page_control.h"

#include <algorithm>
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32_controls.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_gdi.h"
#include "win/win_metafile.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_stdio.h"
#include "win/win_user.h"

namespace {

constexpr char kClass[] = "Ctl_Page";
constexpr int kSmallestClickWidth = 17, kSmallestClickHeight = 22;

HGLOBAL StateHandle(HWND h) { return reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(h, 0)); }

// Locks the state block while one message is handled.
class Locked {
 public:
  explicit Locked(HWND h) : handle_(StateHandle(h)) {
    if (handle_) s_ = static_cast<VPC_STATE*>(GlobalLock(handle_));
  }
  ~Locked() {
    if (s_) GlobalUnlock(handle_);
  }
  VPC_STATE* operator->() { return s_; }
  VPC_STATE& operator*() { return *s_; }
  explicit operator bool() const { return s_ != nullptr; }

 private:
  HGLOBAL handle_;
  VPC_STATE* s_ = nullptr;
};

void ReadParams(VPC_STATE& s) {
  VPC_PARAMS p{};
  s.wholePage = 1;
  if (GetPrivateProfileStructA("VPCParams", "Params", &p, sizeof p, kelt::lib::PreferencesIniPath())) {
    s.zoomLeft = p.zoomLeft;
    s.zoomTop = p.zoomTop;
    s.zoomWidth = p.zoomWidth;
    s.zoomHeight = p.zoomHeight;
    s.wholePage = p.wholePage ? 1 : 0;
  }
}

void WriteParams(const VPC_STATE& s) {
  VPC_PARAMS p{int16_t(s.zoomLeft), int16_t(s.zoomTop), int16_t(s.zoomWidth), int16_t(s.zoomHeight), s.wholePage};
  WritePrivateProfileStructA("VPCParams", "Params", &p, sizeof p, kelt::lib::PreferencesIniPath());
}

bool HasPage(const VPC_STATE& s) { return s.content && s.columns > 0 && s.lines > 0 && s.viewWidth > 0 && s.viewHeight > 0; }

// A zoom rectangle that lies inside the page view, however the page or
// the settings left it.
void FitZoom(VPC_STATE& s) {
  auto fit = [](int32_t& size, int32_t& start, int32_t from, int32_t room, int32_t fallback) {
    if (size <= 0 || size > room) size = std::min(fallback, room);
    if (start < from || start >= from + room) start = from;
    if (start + size > from + room) start = from + room - size;
  };
  fit(s.zoomWidth, s.zoomLeft, s.viewLeft, s.viewWidth, 50);
  fit(s.zoomHeight, s.zoomTop, s.viewTop, s.viewHeight, 10);
}

void ReadClient(HWND h, VPC_STATE& s) {
  RECT rc{};
  GetClientRect(h, &rc);
  s.clientWidth = rc.right;
  s.clientHeight = rc.bottom;
}

void SetScrollBars(HWND h, VPC_STATE& s) {
  const bool zoomed = !s.wholePage && HasPage(s);
  const int hMax = zoomed ? s.viewWidth - s.zoomWidth : 0;
  const int vMax = zoomed ? s.viewHeight - s.zoomHeight : 0;
  SetScrollRange(h, SB_HORZ, 0, std::max(0, hMax), FALSE);
  SetScrollRange(h, SB_VERT, 0, std::max(0, vMax), FALSE);
  SetScrollPos(h, SB_HORZ, zoomed ? s.zoomLeft - s.viewLeft : 0, TRUE);
  SetScrollPos(h, SB_VERT, zoomed ? s.zoomTop - s.viewTop : 0, TRUE);
  s.scrollBarsSet = 1;
  // Showing or hiding a bar resizes the client; the size message is
  // handled with the block unlocked, so the size is read back here.
  ShowScrollBar(h, SB_HORZ, hMax > 0);
  ShowScrollBar(h, SB_VERT, vMax > 0);
  ReadClient(h, s);
}

void Frame(HDC dc, int w, int hgt) {
  auto line = [&](COLORREF c, int x0, int y0, int x1, int y1) {
    HPEN pen = CreatePen(PS_SOLID, 1, c);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
  };
  // Outer: grey above and left, white below and right; inner: dark grey
  // and light grey.
  line(RGB(128, 128, 128), 0, hgt - 1, 0, 0);
  line(RGB(128, 128, 128), 0, 0, w, 0);
  line(RGB(255, 255, 255), w - 1, 0, w - 1, hgt);
  line(RGB(255, 255, 255), 0, hgt - 1, w, hgt - 1);
  line(RGB(64, 64, 64), 1, hgt - 2, 1, 1);
  line(RGB(64, 64, 64), 1, 1, w - 1, 1);
  line(RGB(192, 192, 192), w - 2, 1, w - 2, hgt - 1);
  line(RGB(192, 192, 192), 1, hgt - 2, w - 1, hgt - 2);
}

void Paint(HWND h, VPC_STATE& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  const int cw = s.clientWidth, ch = s.clientHeight;
  if (!HasPage(s) || cw <= 3 || ch <= 3) {
    s.drawn = RECT{0, 0, 0, 0};
    EndPaint(h, &ps);
    return;
  }
  const bool zoomed = !s.wholePage;
  const int32_t left = zoomed ? s.zoomLeft : s.viewLeft, top = zoomed ? s.zoomTop : s.viewTop;
  const int32_t vw = zoomed ? s.zoomWidth : s.viewWidth, vh = zoomed ? s.zoomHeight : s.viewHeight;
  // Cells near 0.7 as wide as high: widen or heighten the view within the grid.
  int32_t extraColumns = 0, extraRows = 0;
  auto ratio = [&] { return (double(cw - 3) / (vw + extraColumns)) / (double(ch - 3) / (vh + extraRows)); };
  while (ratio() > 0.7 && left + vw + extraColumns < s.columns) ++extraColumns;
  while (ratio() < 0.7 && top + vh + extraRows < s.lines) ++extraRows;
  // The anisotropic mapping of the view onto the client inside a 2-pixel
  // border, handed to the page drawing call as window and viewport.
  const POINT origin{int(int64_t(s.logicalWidth) * left / s.columns), int(int64_t(s.logicalHeight) * top / s.lines)};
  const SIZE extent{std::max(1, int(int64_t(vw + extraColumns) * s.logicalWidth / s.columns)),
                    std::max(1, int(int64_t(vh + extraRows) * s.logicalHeight / s.lines))};
  const RECT viewport{2, 2, 2 + (cw - 3), 2 + (ch - 3)};
  const void* bits = GlobalLock(s.content);
  HENHMETAFILE emf = bits ? SetEnhMetaFileBits(s.contentSize, static_cast<const BYTE*>(bits)) : nullptr;
  if (bits) GlobalUnlock(s.content);
  if (emf) {
    DrawPageMetafile(dc, emf, s.display, int16_t(s.columns), int16_t(s.lines), s.logicalWidth, s.logicalHeight, origin,
                     extent, &viewport);
    DeleteEnhMetaFile(emf);
  }
  Frame(dc, cw, ch);
  EndPaint(h, &ps);
  s.drawn = RECT{2, 2, cw - 2, ch - 2};
  const bool changed = s.lastLeft != left || s.lastWidth != vw || s.lastTop != top || s.lastHeight != vh ||
                       s.extraRows != extraRows || s.extraColumns != extraColumns;
  s.lastLeft = left;
  s.lastWidth = vw;
  s.lastTop = top;
  s.lastHeight = vh;
  s.extraRows = extraRows;
  s.extraColumns = extraColumns;
  if (changed) SetScrollBars(h, s);
}

bool TakePage(VPC_STATE& s, const VPC_SET_PAGE_RECORD* r) {
  s.content = nullptr;
  s.contentSize = 0;
  if (!r || !r->content) return false;
  const size_t size = GlobalSize(r->content);
  // A grid or view without size cannot be laid out: the page is refused.
  if (!size || r->columns <= 0 || r->lines <= 0 || r->viewRight <= r->viewLeft || r->viewBottom <= r->viewTop ||
      r->viewLeft < 0 || r->viewTop < 0 || r->logicalWidth < 0 || r->logicalHeight < 0)
    return false;
  s.content = r->content;
  s.contentSize = uint32_t(size);
  s.logicalWidth = r->logicalWidth ? r->logicalWidth : 32767;
  s.logicalHeight = r->logicalHeight ? r->logicalHeight : 32767;
  s.columns = r->columns;
  s.lines = r->lines;
  s.viewLeft = r->viewLeft;
  s.viewTop = r->viewTop;
  s.viewWidth = r->viewRight - r->viewLeft;
  s.viewHeight = r->viewBottom - r->viewTop;
  return true;
}

void Repaint(HWND h) { InvalidateRect(h, nullptr, TRUE); }

void BackToWholePage(HWND h, VPC_STATE& s) {
  s.wholePage = 1;
  SetScrollBars(h, s);
  Repaint(h);
}

// A finished drag rectangle in client pixels.
void ZoomTo(HWND h, VPC_STATE& s, RECT r) {
  const int w = r.right - r.left, ht = r.bottom - r.top;
  if (w < kSmallestClickWidth || ht < kSmallestClickHeight) {
    if (!s.wholePage) BackToWholePage(h, s);
    else MessageBeep(MB_OK);
    return;
  }
  const int dw = std::max<int>(1, s.drawn.right - s.drawn.left), dh = std::max<int>(1, s.drawn.bottom - s.drawn.top);
  const int32_t gridW = s.lastWidth + s.extraColumns, gridH = s.lastHeight + s.extraRows;
  const int32_t zw = std::min<int32_t>(int32_t(int64_t(w) * gridW / dw), s.viewWidth);
  const int32_t zh = std::min<int32_t>(int32_t(int64_t(ht) * gridH / dh), s.viewHeight);
  if (zw < 3 || zh < 3) {
    MessageBeep(MB_OK);
    return;
  }
  auto start = [](int from, int to, int areaFrom, int areaTo, int32_t grid, int32_t size, int32_t drawnStart) {
    int32_t v;
    if (from <= areaFrom) v = 0;
    else if (to >= areaTo) v = grid - size;
    else v = int32_t(int64_t(from - areaFrom) * grid / std::max(1, areaTo - areaFrom));
    return v + drawnStart;
  };
  const int32_t zl = start(r.left, r.right, s.drawn.left, s.drawn.right, gridW, zw, s.lastLeft);
  const int32_t zt = start(r.top, r.bottom, s.drawn.top, s.drawn.bottom, gridH, zh, s.lastTop);
  s.zoomWidth = zw;
  s.zoomHeight = zh;
  s.zoomLeft = std::clamp<int32_t>(zl, s.viewLeft, s.viewLeft + s.viewWidth - zw);
  s.zoomTop = std::clamp<int32_t>(zt, s.viewTop, s.viewTop + s.viewHeight - zh);
  s.wholePage = 0;
  SetScrollBars(h, s);
  Repaint(h);
}

void Scroll(HWND h, VPC_STATE& s, bool horizontal, int code, int thumb) {
  if (s.wholePage || !HasPage(s) || (s.drawn.right <= s.drawn.left)) return;
  int32_t& start = horizontal ? s.zoomLeft : s.zoomTop;
  const int32_t origin = horizontal ? s.viewLeft : s.viewTop;
  const int32_t pos = start - origin;
  const int32_t max = horizontal ? s.viewWidth - s.zoomWidth : s.viewHeight - s.zoomHeight;
  int32_t next = pos;
  switch (code) {
    case SB_LINEUP: next = pos - 1; break;
    case SB_LINEDOWN: next = pos + 1; break;
    case SB_PAGEUP: next = pos - 10; break;
    case SB_PAGEDOWN: next = pos + 10; break;
    case SB_THUMBPOSITION: case SB_THUMBTRACK: next = thumb; break;
    case SB_TOP: next = 0; break;
    case SB_BOTTOM: next = max; break;
    default: return;
  }
  next = std::clamp<int32_t>(next, 0, std::max(0, max));
  if (next == pos) return;
  start = origin + next;
  SetScrollPos(h, horizontal ? SB_HORZ : SB_VERT, next, TRUE);
  Repaint(h);
}

void Track(HWND h, VPC_STATE& s, UINT msg, LPARAM l) {
  if (!HasPage(s) || s.drawn.right <= s.drawn.left) return;
  int32_t x = LOWORD(l), y = HIWORD(l);
  if (x > 32767) x = 0;
  if (y > 32767) y = 0;
  RECT r{};
  const int32_t result = TrackRubberRect(h, msg, x, y, &r);
  if (result == ORVIK_TRACK_BEGUN) {
    s.cursorShown = 0;
    ShowCursor(FALSE);
  } else if (result == ORVIK_TRACK_ENDED) {
    if (!s.cursorShown) ShowCursor(TRUE);
    s.cursorShown = 1;
    ZoomTo(h, s, r);
  }
}

LRESULT CALLBACK ViewPageProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_CREATE) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(VPC_STATE));
    if (!block) return -1;
    auto* s = static_cast<VPC_STATE*>(GlobalLock(block));
    std::memset(s, 0, sizeof *s);
    s->display = 1;
    s->cursorShown = 1;
    ReadParams(*s);
    s->vScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    s->hScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    GlobalUnlock(block);
    SetWindowLongPtrA(h, 0, reinterpret_cast<LONG_PTR>(block));
    ShowScrollBar(h, SB_BOTH, FALSE);
    return 0;
  }
  if (msg == WM_DESTROY) {
    HGLOBAL block = StateHandle(h);
    if (block) {
      if (auto* s = static_cast<VPC_STATE*>(GlobalLock(block))) {
        WriteParams(*s);
        GlobalUnlock(block);
      }
      SetWindowLongPtrA(h, 0, 0);
      GlobalFree(block);
    }
    return 0;
  }
  Locked s(h);
  if (!s) return DefWindowProcA(h, msg, w, l);
  switch (msg) {
    case VPC_SET_MODE: s->mode = int16_t(w); return 0;
    case VPC_SET_PAGE: {
      const bool taken = TakePage(*s, reinterpret_cast<const VPC_SET_PAGE_RECORD*>(l));
      if (taken && !s->wholePage) FitZoom(*s);
      s->lastWidth = s->lastHeight = -1;
      SetScrollBars(h, *s);
      Repaint(h);
      return taken ? 1 : 0;
    }
    case VPC_SET_DISPLAY:
      if (s->display != int16_t(w)) {
        s->display = int16_t(w);
        Repaint(h);
      }
      return 0;
    case VPC_DROP_PAGE: {
      const bool had = s->content != nullptr;
      s->content = nullptr;
      s->contentSize = 0;
      if (had) Repaint(h);
      return 0;
    }
    case VPC_END_DRAG:
      if (!s->cursorShown) {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(h, &p);
        Track(h, *s, WM_LBUTTONUP, MAKELPARAM(std::max<LONG>(0, p.x), std::max<LONG>(0, p.y)));
        if (!s->cursorShown) {
          ShowCursor(TRUE);
          s->cursorShown = 1;
        }
      }
      return 0;
    case WM_SIZE:
      if (s->clientWidth != LOWORD(l) || s->clientHeight != HIWORD(l)) {
        s->clientWidth = LOWORD(l);
        s->clientHeight = HIWORD(l);
        s->lastWidth = -1;  // lay the view out again at the next paint
      }
      return 0;
    case WM_PAINT: Paint(h, *s); return 0;
    case WM_HSCROLL: Scroll(h, *s, true, LOWORD(w), short(HIWORD(w))); return 0;
    case WM_VSCROLL: Scroll(h, *s, false, LOWORD(w), short(HIWORD(w))); return 0;
    case WM_LBUTTONDOWN: case WM_MOUSEMOVE: case WM_LBUTTONUP: Track(h, *s, msg, l); return 0;
    case WM_LBUTTONDBLCLK:
      if (!s->wholePage) BackToWholePage(h, *s);
      else MessageBeep(MB_OK);
      return 0;
    case WM_SETCURSOR: {
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(h, &p);
      const bool overPage = s->drawn.right > s->drawn.left &&
                            (s->wholePage || (p.x >= s->drawn.left && p.x < s->drawn.right && p.y >= s->drawn.top &&
                                              p.y < s->drawn.bottom));
      HCURSOR c = s->cursorShown && overPage ? LoadCursorA(kelt::lib::ModuleHandle(), "ZOOM_CURSOR") : nullptr;
      SetCursor(c ? c : LoadCursorA(nullptr, IDC_ARROW));
      return TRUE;
    }
    default:
      if (msg >= WM_USER + 1 && msg <= 0x7FFE) return 0;
      return DefWindowProcA(h, msg, w, l);
  }
}

}  // namespace

ATOM RegisterViewPageCtrlClass() {
  HMODULE module = kelt::lib::ModuleHandle();
  win::resources::AddCursor(module, "ZOOM_CURSOR");
  WNDCLASSA wc{};
  wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
  wc.lpfnWndProc = ViewPageProc;
  // The state block's handle (a pointer in this build).
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = module;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kClass;
  return RegisterClassA(&wc);
}

BOOL UnregisterViewPageCtrlClass() { return UnregisterClassA(kClass, kelt::lib::ModuleHandle()); }

HWND KELTCreateViewPageCtrl(HWND parent) {
  return CreateWindowExA(0, kClass, "", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL, 0, 0,
                         0, 0, parent, nullptr, kelt::lib::ModuleHandle(), nullptr);
}

BOOL VPC_GetState(HWND control, VPC_STATE* state) {
  if (!state || !IsWindow(control)) return FALSE;
  char name[32] = {};
  GetClassNameA(control, name, sizeof name);
  if (std::strcmp(name, kClass) != 0) return FALSE;
  Locked s(control);
  if (!s) return FALSE;
  *state = *s;
  return TRUE;
}

namespace kelt::pages {
namespace {
HDC g_printerDCs[2] = {nullptr, nullptr};
}

HDC CachedPrinterDC(int which) { return which == 0 || which == 1 ? g_printerDCs[which] : nullptr; }

void SetCachedPrinterDC(int which, HDC dc) {
  if (which != 0 && which != 1) return;
  if (g_printerDCs[which] && g_printerDCs[which] != dc) DeleteDC(g_printerDCs[which]);
  g_printerDCs[which] = dc;
}

void DeleteCachedPrinterDCs() {
  for (HDC& dc : g_printerDCs) {
    if (dc) DeleteDC(dc);
    dc = nullptr;
  }
}
}  // namespace kelt::pages
