// "Ctrl_VP": shows the page in slot 0 of a page buffer on a grey desk,
// whole or zoomed (the keyboard's plus and minus, a double click zooms in
// where it is made, the arrows pan, Home shows the whole page).
#include <algorithm>
#include <mutex>

#include "ulbrec32/page_pictures.h"
#include "win/win_user.h"

#ifndef VK_OEM_PLUS
#define VK_OEM_PLUS 0xBB
#endif
#ifndef VK_OEM_MINUS
#define VK_OEM_MINUS 0xBD
#endif

namespace {

constexpr char kClass[] = "Ctrl_VP";
constexpr int kDesk = 10;  // pixels of desk round the whole page

struct View {
  HPAGEBUFFER buffer = nullptr;
  int16_t colour = 1;
  int zoom = 100;                // percent
  int centreX = 500, centreY = 500;  // thousandths of the page
};

View* StateOf(HWND h) { return reinterpret_cast<View*>(GetWindowLongPtrA(h, GWLP_USERDATA)); }

bool PageOf(const View& v, const void** bits, uint32_t* size, PAGE_BUFFER_PAGE_INFO* info) {
  return v.buffer && ReadBufferPage(v.buffer, 0, bits, size, info, nullptr);
}

// The page's rectangle in client pixels at the view's zoom.
RECT PageRect(const View& v, const RECT& client, bool landscape) {
  const double pw = landscape ? 11.0 : 8.5, ph = landscape ? 8.5 : 11.0;
  const int availW = std::max(1, int(client.right) - 2 * kDesk), availH = std::max(1, int(client.bottom) - 2 * kDesk);
  const double scale = std::min(availW / pw, availH / ph) * v.zoom / 100.0;
  const int w = std::max(1, int(pw * scale)), h = std::max(1, int(ph * scale));
  auto place = [](int size, int room, int centre) {
    if (size + 2 * kDesk <= room) return (room - size) / 2;
    const int left = room / 2 - int(int64_t(size) * centre / 1000);
    return std::clamp(left, room - size - kDesk, kDesk);
  };
  const int left = place(w, client.right, v.centreX), top = place(h, client.bottom, v.centreY);
  return RECT{left, top, left + w, top + h};
}

void Paint(HWND h, View& v) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT client{};
  GetClientRect(h, &client);
  HBRUSH desk = CreateSolidBrush(RGB(128, 128, 128));
  FillRect(dc, &client, desk);
  DeleteObject(desk);
  const void* bits = nullptr;
  uint32_t size = 0;
  PAGE_BUFFER_PAGE_INFO info{};
  if (PageOf(v, &bits, &size, &info)) {
    const RECT page = PageRect(v, client, info.orientation == 1 || info.orientation == 3);
    RECT shadow{page.left + 4, page.top + 4, page.right + 4, page.bottom + 4};
    HBRUSH dark = CreateSolidBrush(RGB(64, 64, 64));
    FillRect(dc, &shadow, dark);
    DeleteObject(dark);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    DrawPageBits(dc, &page, bits, size, info.kind, info.columns, info.lines, v.colour);
    RestoreDC(dc, saved);
  }
  EndPaint(h, &ps);
}

void SetZoom(HWND h, View& v, int zoom, int x, int y) {
  v.zoom = std::clamp(zoom, 100, 800);
  v.centreX = std::clamp(x, 0, 1000);
  v.centreY = std::clamp(y, 0, 1000);
  InvalidateRect(h, nullptr, TRUE);
}

LRESULT CALLBACK ViewProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  View* v = StateOf(h);
  switch (msg) {
    case WM_CREATE:
      SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new View));
      return 0;
    case WM_DESTROY:
      delete v;
      SetWindowLongPtrA(h, GWLP_USERDATA, 0);
      return 0;
    default: break;
  }
  if (!v) return DefWindowProcA(h, msg, w, l);
  switch (msg) {
    case WM_PAINT: Paint(h, *v); return 0;
    case WM_ERASEBKGND: return 1;
    case ULBREC_VP_SETBUFFER:
      v->buffer = reinterpret_cast<HPAGEBUFFER>(l);
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case ULBREC_VP_SETCOLOUR:
      if (v->colour != int16_t(w)) InvalidateRect(h, nullptr, TRUE);
      v->colour = int16_t(w);
      return 0;
    case ULBREC_VP_RELEASE:
      v->buffer = nullptr;
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case ULBREC_VP_ZOOM: SetZoom(h, *v, int(w), LOWORD(l), HIWORD(l)); return 0;
    case ULBREC_VP_GETZOOM: return v->zoom;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN: SetFocus(h); return 0;
    case WM_LBUTTONDBLCLK: {
      const void* bits = nullptr;
      PAGE_BUFFER_PAGE_INFO info{};
      if (!PageOf(*v, &bits, nullptr, &info)) return 0;
      RECT client{};
      GetClientRect(h, &client);
      const RECT page = PageRect(*v, client, info.orientation == 1 || info.orientation == 3);
      const int x = short(LOWORD(l)), y = short(HIWORD(l));
      const int64_t pw = std::max<int64_t>(1, page.right - page.left), ph = std::max<int64_t>(1, page.bottom - page.top);
      SetZoom(h, *v, v->zoom * 2, int((x - page.left) * 1000 / pw), int((y - page.top) * 1000 / ph));
      return 0;
    }
    case WM_KEYDOWN: {
      const int step = 100 * 100 / v->zoom;
      switch (w) {
        case VK_ADD: case VK_OEM_PLUS: SetZoom(h, *v, v->zoom * 2, v->centreX, v->centreY); break;
        case VK_SUBTRACT: case VK_OEM_MINUS: SetZoom(h, *v, v->zoom / 2, v->centreX, v->centreY); break;
        case VK_HOME: SetZoom(h, *v, 100, 500, 500); break;
        case VK_LEFT: SetZoom(h, *v, v->zoom, v->centreX - step, v->centreY); break;
        case VK_RIGHT: SetZoom(h, *v, v->zoom, v->centreX + step, v->centreY); break;
        case VK_UP: SetZoom(h, *v, v->zoom, v->centreX, v->centreY - step); break;
        case VK_DOWN: SetZoom(h, *v, v->zoom, v->centreX, v->centreY + step); break;
        default: return DefWindowProcA(h, msg, w, l);
      }
      return 0;
    }
    default: return DefWindowProcA(h, msg, w, l);
  }
}

}  // namespace

BOOL RegisterPageViewClass() {
  static std::mutex m;
  std::lock_guard<std::mutex> lock(m);
  WNDCLASSA existing{};
  if (GetClassInfoA(nullptr, kClass, &existing)) return TRUE;
  WNDCLASSA wc{};
  wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
  wc.lpfnWndProc = ViewProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kClass;
  return RegisterClassA(&wc) != 0;
}
