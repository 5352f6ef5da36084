// The static control: texts, frames, icons and images. Clicks pass through
// it unless it has SS_NOTIFY.
#include "control_drawing.h"
#include "user_internal.h"

namespace win::user {
namespace {
struct StaticState : ControlState {
  HFONT font = nullptr;
  HANDLE image = nullptr;
};
void DrawImage(HDC dc, HANDLE image, const RECT& c, bool centre) {
  BITMAP bm{};
  if (!image || GetObjectType(image) != OBJ_BITMAP || !GetObjectA(image, sizeof bm, &bm)) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, image);
  int x = centre ? (c.left + c.right - bm.bmWidth) / 2 : c.left;
  int y = centre ? (c.top + c.bottom - bm.bmHeight) / 2 : c.top;
  if (old) BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

void Paint(HWND hwnd, StaticState& st) {
  DWORD style = StyleOf(hwnd);
  DWORD type = style & SS_TYPEMASK;
  if (type == SS_OWNERDRAW) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) return;
    if (HWND parent = GetParent(hwnd)) {
      DRAWITEMSTRUCT di{};
      di.CtlType = ODT_STATIC;
      di.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
      di.itemAction = ODA_DRAWENTIRE;
      di.itemState = IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED;
      di.hwndItem = hwnd;
      di.hDC = dc;
      GetClientRect(hwnd, &di.rcItem);
      Send(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
    }
    EndPaint(hwnd, &ps);
    return;
  }
  PaintControl(hwnd, st.font, [&](HDC dc, const RECT& c) {
    HBRUSH bg = ControlColors(hwnd, dc, WM_CTLCOLORSTATIC);
    auto frame = [&](int color) { FrameRect(dc, &c, GetSysColorBrush(color)); };
    switch (type) {
      case SS_BLACKRECT: FillSys(dc, c, COLOR_WINDOWFRAME); return;
      case SS_GRAYRECT: FillSys(dc, c, COLOR_BTNSHADOW); return;
      case SS_WHITERECT: FillSys(dc, c, COLOR_WINDOW); return;
      case SS_BLACKFRAME: frame(COLOR_WINDOWFRAME); return;
      case SS_GRAYFRAME: frame(COLOR_BTNSHADOW); return;
      case SS_WHITEFRAME: frame(COLOR_WINDOW); return;
      case SS_ETCHEDHORZ: {
        RECT e = c;
        DrawEdge(dc, &e, EDGE_ETCHED, BF_TOP);
        return;
      }
      case SS_ETCHEDVERT: {
        RECT e = c;
        DrawEdge(dc, &e, EDGE_ETCHED, BF_LEFT);
        return;
      }
      case SS_ETCHEDFRAME: {
        RECT e = c;
        DrawEdge(dc, &e, EDGE_ETCHED, BF_RECT);
        return;
      }
      default: break;
    }
    if (bg) FillRect(dc, &c, bg);
    if (type == SS_BITMAP) {
      DrawImage(dc, st.image, c, (style & SS_CENTERIMAGE) != 0);
      return;
    }
    if (type == SS_ICON) return;  // icons carry no pixels here
    UINT format = DT_WORDBREAK | DT_EXPANDTABS;
    if (type == SS_CENTER) format |= DT_CENTER;
    if (type == SS_RIGHT) format |= DT_RIGHT;
    if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) format = DT_SINGLELINE | DT_EXPANDTABS;
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (!IsWindowEnabled(hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    auto w = Get(hwnd);
    std::string text = w ? w->text : std::string();
    RECT r = c;
    DrawTextA(dc, text.c_str(), -1, &r, format);
  });
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = EnsureControl<StaticState>(hwnd);
  if (!st) return 0;
  bool notify = (StyleOf(hwnd) & SS_NOTIFY) != 0;
  switch (msg) {
    case WM_NCHITTEST: return notify ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_PAINT: Paint(hwnd, *st); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
      if (notify) NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (notify) NotifyParent(hwnd, STN_DBLCLK);
      return 0;
    case WM_ENABLE:
      if (notify) NotifyParent(hwnd, wParam ? STN_ENABLE : STN_DISABLE);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case STM_SETICON:
    case STM_SETIMAGE: {
      HANDLE old = st->image;
      st->image = reinterpret_cast<HANDLE>(msg == STM_SETICON ? wParam : static_cast<WPARAM>(lParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(st->image);
    case WM_SETFONT: st->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(st->font);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}
}  // namespace win::user
