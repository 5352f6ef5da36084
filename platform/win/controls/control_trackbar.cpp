// The track bar: a thumb on a channel between a minimum and a maximum,
// moved by mouse and keys; each move is told to the parent as WM_HSCROLL
// (WM_VSCROLL for TBS_VERT) with the track-bar codes.
#include <algorithm>

#include "common_control_kit.h"

namespace win::user {
namespace {

constexpr int kThumbHalf = 5;   // the thumb is 11 pixels along the channel
constexpr int kInset = 8;       // channel ends inside the control

struct TrackState : ControlState {
  int min = 0, max = 100, pos = 0;
  int line = 1, page = 20;
  int ticFreq = 1;
  std::vector<int> tics;
  int selStart = 0, selEnd = 0;
  bool dragging = false;
};

bool Vertical(HWND h) { return (StyleOf(h) & TBS_VERT) != 0; }

// The channel's length in pixels and the pixel of a position along it.
int ChannelLength(HWND h) {
  RECT c;
  GetClientRect(h, &c);
  return std::max(1, (Vertical(h) ? c.bottom : c.right) - 2 * kInset);
}
int PixelOf(HWND h, const TrackState& s, int pos) {
  int span = s.max - s.min;
  return kInset + (span > 0 ? static_cast<int>(static_cast<long long>(ChannelLength(h)) * (pos - s.min) / span) : 0);
}
int PosAt(HWND h, const TrackState& s, int pixel) {
  int span = s.max - s.min;
  int along = Clamp(pixel - kInset, 0, ChannelLength(h));
  int pos = s.min + static_cast<int>((static_cast<long long>(along) * span + ChannelLength(h) / 2) / ChannelLength(h));
  return Clamp(pos, s.min, s.max);
}

RECT ThumbRect(HWND h, const TrackState& s) {
  RECT c;
  GetClientRect(h, &c);
  int at = PixelOf(h, s, s.pos);
  return Vertical(h) ? RECT{c.left + 2, at - kThumbHalf, c.right - 2, at + kThumbHalf + 1}
                     : RECT{at - kThumbHalf, c.top + 2, at + kThumbHalf + 1, c.bottom - 2};
}

void Tell(HWND h, const TrackState& s, int code) {
  HWND parent = GetParent(h);
  if (!parent) return;
  WPARAM w = (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? MAKEWPARAM(code, static_cast<WORD>(s.pos))
                                                                  : static_cast<WPARAM>(code);
  Send(parent, Vertical(h) ? WM_VSCROLL : WM_HSCROLL, w, reinterpret_cast<LPARAM>(h));
}

void Move(HWND h, TrackState& s, int pos, int code) {
  int next = Clamp(pos, s.min, s.max);
  if (next != s.pos) {
    s.pos = next;
    InvalidateRect(h, nullptr, TRUE);
  }
  Tell(h, s, code);
}

void Paint(HWND h, TrackState& s) {
  PaintControl(h, nullptr, [&](HDC dc, const RECT& c) {
    HBRUSH bg = ControlColors(h, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &c, bg ? bg : GetSysColorBrush(COLOR_BTNFACE));
    bool vert = Vertical(h);
    int mid = vert ? (c.left + c.right) / 2 : (c.top + c.bottom) / 2;
    RECT channel = vert ? RECT{mid - 2, kInset - 1, mid + 2, kInset + ChannelLength(h) + 1}
                        : RECT{kInset - 1, mid - 2, kInset + ChannelLength(h) + 1, mid + 2};
    DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
    if ((StyleOf(h) & TBS_AUTOTICKS) && !(StyleOf(h) & TBS_NOTICKS) && s.ticFreq > 0 && s.max > s.min) {
      HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
      for (long long p = s.min; p <= s.max; p += s.ticFreq) {
        int at = PixelOf(h, s, static_cast<int>(p));
        RECT t = vert ? RECT{c.right - 4, at, c.right - 1, at + 1} : RECT{at, c.bottom - 4, at + 1, c.bottom - 1};
        FillRect(dc, &t, ink);
      }
    }
    RECT thumb = ThumbRect(h, s);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  });
}

}  // namespace

LRESULT CALLBACK TrackBarProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<TrackState>(h);
  if (!s) return 0;
  auto redraw = [&](WPARAM flag) {
    if (flag) InvalidateRect(h, nullptr, TRUE);
  };
  switch (msg) {
    case TBM_GETPOS: return s->pos;
    case TBM_GETRANGEMIN: return s->min;
    case TBM_GETRANGEMAX: return s->max;
    case TBM_SETPOS:
      s->pos = Clamp(static_cast<int>(lParam), s->min, s->max);
      redraw(wParam);
      return 0;
    case TBM_SETRANGE:
      s->min = static_cast<SHORT>(LOWORD(lParam));
      s->max = static_cast<SHORT>(HIWORD(lParam));
      s->pos = Clamp(s->pos, s->min, s->max);
      redraw(wParam);
      return 0;
    case TBM_SETRANGEMIN:
      s->min = static_cast<int>(lParam);
      s->pos = Clamp(s->pos, s->min, s->max);
      redraw(wParam);
      return 0;
    case TBM_SETRANGEMAX:
      s->max = static_cast<int>(lParam);
      s->pos = Clamp(s->pos, s->min, s->max);
      redraw(wParam);
      return 0;
    case TBM_SETTICFREQ: s->ticFreq = static_cast<int>(wParam); redraw(TRUE); return 0;
    case TBM_SETTIC:
      if (static_cast<int>(lParam) < s->min || static_cast<int>(lParam) > s->max) return FALSE;
      s->tics.push_back(static_cast<int>(lParam));
      return TRUE;
    case TBM_CLEARTICS: s->tics.clear(); redraw(wParam); return 0;
    case TBM_GETNUMTICS:
      if (StyleOf(h) & TBS_NOTICKS) return 0;
      return static_cast<LRESULT>(s->tics.size()) + 2;
    case TBM_SETPAGESIZE: {
      int old = s->page;
      s->page = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETPAGESIZE: return s->page;
    case TBM_SETLINESIZE: {
      int old = s->line;
      s->line = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETLINESIZE: return s->line;
    case TBM_SETSEL:
      s->selStart = static_cast<SHORT>(LOWORD(lParam));
      s->selEnd = static_cast<SHORT>(HIWORD(lParam));
      redraw(wParam);
      return 0;
    case TBM_SETSELSTART: s->selStart = static_cast<int>(lParam); redraw(wParam); return 0;
    case TBM_SETSELEND: s->selEnd = static_cast<int>(lParam); redraw(wParam); return 0;
    case TBM_GETSELSTART: return s->selStart;
    case TBM_GETSELEND: return s->selEnd;
    case TBM_CLEARSEL: s->selStart = s->selEnd = 0; redraw(wParam); return 0;
    case TBM_GETTHUMBRECT:
      if (lParam) *reinterpret_cast<RECT*>(lParam) = ThumbRect(h, *s);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: {
      SetFocus(h);
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT thumb = ThumbRect(h, *s);
      if (pt.x >= thumb.left && pt.x < thumb.right && pt.y >= thumb.top && pt.y < thumb.bottom) {
        s->dragging = true;
        SetCapture(h);
        return 0;
      }
      int along = Vertical(h) ? pt.y : pt.x;
      bool before = along < PixelOf(h, *s, s->pos);
      Move(h, *s, s->pos + (before ? -s->page : s->page), before ? TB_PAGEUP : TB_PAGEDOWN);
      Tell(h, *s, TB_ENDTRACK);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->dragging) Move(h, *s, PosAt(h, *s, Vertical(h) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam)), TB_THUMBTRACK);
      return 0;
    case WM_LBUTTONUP:
      if (s->dragging) {
        s->dragging = false;
        ReleaseCapture();
        Tell(h, *s, TB_THUMBPOSITION);
        Tell(h, *s, TB_ENDTRACK);
      }
      return 0;
    case WM_KEYDOWN: {
      int code = -1, to = s->pos;
      switch (wParam) {
        case VK_LEFT: case VK_UP: code = TB_LINEUP; to -= s->line; break;
        case VK_RIGHT: case VK_DOWN: code = TB_LINEDOWN; to += s->line; break;
        case VK_PRIOR: code = TB_PAGEUP; to -= s->page; break;
        case VK_NEXT: code = TB_PAGEDOWN; to += s->page; break;
        case VK_HOME: code = TB_TOP; to = s->min; break;
        case VK_END: code = TB_BOTTOM; to = s->max; break;
        default: return DefWindowProcA(h, msg, wParam, lParam);
      }
      Move(h, *s, to, code);
      return 0;
    }
    case WM_KEYUP:
      if (wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR ||
          wParam == VK_NEXT || wParam == VK_HOME || wParam == VK_END)
        Tell(h, *s, TB_ENDTRACK);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(h, *s); return 0;
    default: return DefWindowProcA(h, msg, wParam, lParam);
  }
}

}  // namespace win::user
