// The status bar: a strip along the parent's bottom (top with CCS_TOP)
// divided into parts, each with a text, or one simple text; a size grip in
// the corner with SBARS_SIZEGRIP.
#include <algorithm>
#include <cstring>
#include <string>

#include "common_control_kit.h"

namespace win::user {
namespace {

constexpr int kHeight = 20;
constexpr int kGrip = 14;
constexpr int kMaxParts = 256;

struct Part {
  int right = -1;
  std::string text;
  WORD type = 0;
};

struct StatusState : ControlState {
  std::vector<Part> parts{Part{}};
  bool simple = false;
  Part simpleText;
  HFONT font = nullptr;
  int minHeight = 0;
};

void Reposition(HWND h, StatusState& s) {
  DWORD style = StyleOf(h);
  if (style & CCS_NORESIZE) return;
  HWND parent = GetParent(h);
  if (!parent) return;
  RECT pc;
  GetClientRect(parent, &pc);
  int height = std::max(kHeight, s.minHeight);
  int y = (style & CCS_TOP) == CCS_TOP && (style & CCS_BOTTOM) != CCS_BOTTOM ? 0 : pc.bottom - height;
  MoveWindow(h, 0, y, pc.right, height, TRUE);
}

RECT PartRect(HWND h, const StatusState& s, size_t i) {
  RECT c;
  GetClientRect(h, &c);
  int left = i == 0 ? 0 : s.parts[i - 1].right;
  int right = s.parts[i].right < 0 ? c.right : s.parts[i].right;
  return RECT{left, c.top + 2, std::min<LONG>(right, c.right), c.bottom};
}

void Paint(HWND h, StatusState& s) {
  PaintControl(h, s.font, [&](HDC dc, const RECT& c) {
    FillSys(dc, c, COLOR_BTNFACE);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    auto drawPart = [&](RECT r, const Part& p) {
      if (!(p.type & SBT_NOBORDERS)) {
        RECT e = r;
        DrawEdge(dc, &e, (p.type & SBT_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
      }
      r.left += 4;
      DrawTextA(dc, p.text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    };
    if (s.simple) {
      drawPart(RECT{c.left, c.top + 2, c.right, c.bottom}, s.simpleText);
    } else {
      for (size_t i = 0; i < s.parts.size(); ++i) drawPart(PartRect(h, s, i), s.parts[i]);
    }
    if (StyleOf(h) & SBARS_SIZEGRIP) {
      // Three diagonal ridges in the corner.
      HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
      HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
      for (int k = 0; k < 3; ++k) {
        int d = 4 + 4 * k;
        HGDIOBJ old = SelectObject(dc, dark);
        MoveToEx(dc, c.right - 1, c.bottom - d, nullptr);
        LineTo(dc, c.right - d, c.bottom - 1);
        SelectObject(dc, light);
        MoveToEx(dc, c.right - 1, c.bottom - d - 1, nullptr);
        LineTo(dc, c.right - d - 1, c.bottom - 1);
        SelectObject(dc, old);
      }
      DeleteObject(light);
      DeleteObject(dark);
    }
  });
}

LRESULT GetText(const Part& p, LPSTR out) {
  if (out) std::memcpy(out, p.text.c_str(), p.text.size() + 1);
  return MAKELONG(static_cast<WORD>(p.text.size()), p.type);
}

}  // namespace

LRESULT CALLBACK StatusBarProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<StatusState>(h);
  if (!s) return 0;
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) s->parts[0].text = cs->lpszName;
      Reposition(h, *s);
      return 0;
    }
    case WM_SIZE:
      if (Get(h) && !(StyleOf(h) & CCS_NORESIZE) && !s->parts.empty()) {
        // The parent tells its status bar to follow it: any WM_SIZE re-docks.
        static thread_local bool inside = false;
        if (!inside) {
          inside = true;
          Reposition(h, *s);
          inside = false;
        }
      }
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case SB_SETTEXTA: {
      size_t part = LOBYTE(wParam);
      Part* p = part == SB_SIMPLEID ? &s->simpleText : (part < s->parts.size() ? &s->parts[part] : nullptr);
      if (!p) return FALSE;
      p->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      p->type = static_cast<WORD>(wParam & 0xFF00);
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case SB_GETTEXTA:
    case SB_GETTEXTLENGTHA: {
      size_t part = LOBYTE(wParam);
      const Part* p = part == SB_SIMPLEID ? &s->simpleText : (part < s->parts.size() ? &s->parts[part] : nullptr);
      if (!p) return 0;
      return GetText(*p, msg == SB_GETTEXTA ? reinterpret_cast<LPSTR>(lParam) : nullptr);
    }
    case WM_SETTEXT:
      s->parts[0].text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      DefWindowProcA(h, msg, wParam, lParam);
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    case SB_SETPARTS: {
      int count = static_cast<int>(wParam);
      const int* rights = reinterpret_cast<const int*>(lParam);
      if (count <= 0 || count > kMaxParts || !rights) return FALSE;
      s->parts.resize(static_cast<size_t>(count));
      for (int i = 0; i < count; ++i) s->parts[static_cast<size_t>(i)].right = rights[i];
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case SB_GETPARTS: {
      int* out = reinterpret_cast<int*>(lParam);
      for (size_t i = 0; out && i < std::min(s->parts.size(), static_cast<size_t>(wParam)); ++i) out[i] = s->parts[i].right;
      return static_cast<LRESULT>(s->parts.size());
    }
    case SB_GETRECT:
      if (wParam >= s->parts.size() || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = PartRect(h, *s, wParam);
      return TRUE;
    case SB_GETBORDERS:
      if (lParam) {
        int* b = reinterpret_cast<int*>(lParam);
        b[0] = 0;
        b[1] = 2;
        b[2] = 2;
      }
      return TRUE;
    case SB_SETMINHEIGHT: s->minHeight = static_cast<int>(wParam); return 0;
    case SB_SIMPLE:
      s->simple = wParam != 0;
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case SB_ISSIMPLE: return s->simple ? TRUE : FALSE;
    case WM_SETFONT: s->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_NCHITTEST: {
      if (StyleOf(h) & SBARS_SIZEGRIP) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(h, &pt);
        RECT c;
        GetClientRect(h, &c);
        if (pt.x >= c.right - kGrip && pt.y >= c.bottom - kGrip) return 17;  // HTBOTTOMRIGHT: sizes the parent
      }
      return HTCLIENT;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(h, *s); return 0;
    default: return DefWindowProcA(h, msg, wParam, lParam);
  }
}

}  // namespace win::user

HWND CreateStatusWindowA(LONG style, LPCSTR text, HWND parent, UINT id) {
  return CreateWindowExA(0, STATUSCLASSNAMEA, text, static_cast<DWORD>(style), 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}
