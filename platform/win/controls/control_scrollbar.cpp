// Scroll bars: the scroll-bar control (SB_CTL) and the bars of windows with
// WS_HSCROLL / WS_VSCROLL. The bar never moves itself: it tells its owner
// (WM_HSCROLL / WM_VSCROLL) and the owner sets the position.
#include <algorithm>

#include "control_drawing.h"
#include "user_internal.h"
#include "win_kernel.h"

namespace win::user {
namespace {

struct ScrollBarState : ControlState {
  ScrollState s;
  bool tracking = false;
  int thumbOffset = 0;
};

bool Vertical(HWND hwnd) { return (StyleOf(hwnd) & SBS_VERT) != 0; }

int MaxPos(const ScrollState& s) {
  int span = s.max - std::max<int>(static_cast<int>(s.page) - 1, 0);
  return std::max(s.min, span);
}

void Clamp(ScrollState& s) {
  if (s.max < s.min) s.max = s.min;
  UINT range = static_cast<UINT>(s.max - s.min + 1);
  if (s.page > range) s.page = range;
  s.pos = std::clamp(s.pos, s.min, MaxPos(s));
  s.trackPos = std::clamp(s.trackPos, s.min, MaxPos(s));
}

int Apply(ScrollState& s, const SCROLLINFO& info) {
  if (info.fMask & SIF_RANGE) {
    s.min = info.nMin;
    s.max = info.nMax;
  }
  if (info.fMask & SIF_PAGE) s.page = info.nPage;
  if (info.fMask & SIF_POS) s.pos = info.nPos;
  Clamp(s);
  return s.pos;
}

void Fill(const ScrollState& s, SCROLLINFO& info) {
  if (info.fMask & SIF_RANGE) {
    info.nMin = s.min;
    info.nMax = s.max;
  }
  if (info.fMask & SIF_PAGE) info.nPage = s.page;
  if (info.fMask & SIF_POS) info.nPos = s.pos;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = s.trackPos;
}

// Track geometry along the bar: arrows at both ends, the thumb between.
struct Track {
  int length, arrow, thumb, thumbStart;
};

Track Geometry(HWND hwnd, const ScrollState& s) {
  RECT c;
  GetClientRect(hwnd, &c);
  Track t{};
  t.length = Vertical(hwnd) ? c.bottom : c.right;
  t.arrow = std::min(Vertical(hwnd) ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL), t.length / 2);
  int inner = std::max(t.length - 2 * t.arrow, 0);
  int range = s.max - s.min + 1;
  t.thumb = s.page ? std::max(8, static_cast<int>(static_cast<long long>(inner) * s.page / std::max(range, 1)))
                   : GetSystemMetrics(SM_CYVTHUMB);
  t.thumb = std::min(t.thumb, inner);
  int span = MaxPos(s) - s.min;
  t.thumbStart = t.arrow + (span > 0 ? static_cast<int>(static_cast<long long>(inner - t.thumb) * (s.pos - s.min) / span) : 0);
  return t;
}

int PosFromThumb(HWND hwnd, const ScrollState& s, int thumbStart) {
  Track t = Geometry(hwnd, s);
  int inner = std::max(t.length - 2 * t.arrow - t.thumb, 1);
  int span = MaxPos(s) - s.min;
  return std::clamp(s.min + static_cast<int>(static_cast<long long>(thumbStart - t.arrow) * span / inner), s.min, MaxPos(s));
}

void Tell(HWND hwnd, WORD code, int pos = 0) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  Send(parent, Vertical(hwnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)),
       reinterpret_cast<LPARAM>(hwnd));
}

ScrollState* WindowBar(HWND hwnd, int bar) {
  if (bar == SB_CTL) {
    auto* st = ControlOf<ScrollBarState>(hwnd);
    return st ? &st->s : nullptr;
  }
  auto w = Get(hwnd);
  if (!w) return nullptr;
  if (bar == SB_HORZ) return &w->hscroll;
  if (bar == SB_VERT) return &w->vscroll;
  return nullptr;
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = EnsureControl<ScrollBarState>(hwnd);
  if (!st) return 0;
  ScrollState& s = st->s;
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_PAINT:
      PaintControl(hwnd, nullptr, [&](HDC dc, const RECT& c) {
        ControlColors(hwnd, dc, WM_CTLCOLORSCROLLBAR);
        DrawScrollBar(dc, c, s, Vertical(hwnd));
      });
      return 0;
    case WM_ERASEBKGND: return 1;
    case SBM_SETPOS: {
      int old = s.pos;
      s.pos = static_cast<int>(wParam);
      Clamp(s);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case SBM_GETPOS: return s.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = s.pos;
      s.min = static_cast<int>(wParam);
      s.max = static_cast<int>(lParam);
      Clamp(s);
      if (msg == SBM_SETRANGEREDRAW) InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case SBM_GETRANGE:
      if (wParam) *reinterpret_cast<int*>(wParam) = s.min;
      if (lParam) *reinterpret_cast<int*>(lParam) = s.max;
      return 0;
    case SBM_SETSCROLLINFO: {
      auto* info = reinterpret_cast<const SCROLLINFO*>(lParam);
      if (!info) return s.pos;
      int r = Apply(s, *info);
      if (wParam) InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
      if (!info) return FALSE;
      Fill(s, *info);
      return TRUE;
    }
    case SBM_ENABLE_ARROWS: s.enabled = wParam != ESB_DISABLE_BOTH; return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int at = Vertical(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
      Track t = Geometry(hwnd, s);
      if (at >= t.thumbStart && at < t.thumbStart + t.thumb) {
        st->tracking = true;
        st->thumbOffset = at - t.thumbStart;
        s.trackPos = s.pos;
        SetCapture(hwnd);
        return 0;
      }
      WORD code = at < t.arrow ? SB_LINEUP : at >= t.length - t.arrow ? SB_LINEDOWN
                : at < t.thumbStart ? SB_PAGEUP : SB_PAGEDOWN;
      Tell(hwnd, code);
      if (IsWindow(hwnd)) Tell(hwnd, SB_ENDSCROLL);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (st->tracking) {
        int at = Vertical(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
        s.trackPos = PosFromThumb(hwnd, s, at - st->thumbOffset);
        Tell(hwnd, SB_THUMBTRACK, s.trackPos);
      }
      return 0;
    case WM_LBUTTONUP:
      if (st->tracking) {
        st->tracking = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        Tell(hwnd, SB_THUMBPOSITION, s.trackPos);
        if (IsWindow(hwnd)) Tell(hwnd, SB_ENDSCROLL);
      }
      return 0;
    case WM_CAPTURECHANGED: st->tracking = false; return 0;
    case WM_KEYDOWN: {
      WORD code;
      switch (wParam) {
        case VK_UP: case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN: case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: return 0;
      }
      Tell(hwnd, code);
      if (IsWindow(hwnd)) Tell(hwnd, SB_ENDSCROLL);
      return 0;
    }
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace win::user

using namespace win::user;

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (!info) return 0;
  if (bar == SB_CTL) return static_cast<int>(Send(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  ScrollState* s = WindowBar(hwnd, bar);
  if (!s) return 0;
  return Apply(*s, *info);
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (!info) return FALSE;
  if (bar == SB_CTL) return Send(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)) ? TRUE : FALSE;
  ScrollState* s = WindowBar(hwnd, bar);
  if (!s) return FALSE;
  Fill(*s, *info);
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  if (bar == SB_CTL) return static_cast<int>(Send(hwnd, SBM_SETPOS, static_cast<WPARAM>(pos), redraw));
  ScrollState* s = WindowBar(hwnd, bar);
  if (!s) return 0;
  int old = s->pos;
  s->pos = pos;
  Clamp(*s);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  if (bar == SB_CTL) return static_cast<int>(Send(hwnd, SBM_GETPOS, 0, 0));
  ScrollState* s = WindowBar(hwnd, bar);
  return s ? s->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (static_cast<long long>(maxPos) - minPos > 0x7FFFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (bar == SB_CTL) {
    if (!Get(hwnd)) return FALSE;
    Send(hwnd, redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(minPos), maxPos);
    return TRUE;
  }
  ScrollState* s = WindowBar(hwnd, bar);
  if (!s) return FALSE;
  s->min = minPos;
  s->max = maxPos;
  Clamp(*s);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  if (bar == SB_CTL) {
    if (!Get(hwnd)) return FALSE;
    Send(hwnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(minPos), reinterpret_cast<LPARAM>(maxPos));
    return TRUE;
  }
  ScrollState* s = WindowBar(hwnd, bar);
  if (!s) return FALSE;
  if (minPos) *minPos = s->min;
  if (maxPos) *maxPos = s->max;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  auto w = Get(hwnd);
  if (!w) return FALSE;
  if (bar == SB_CTL) {
    ShowWindow(hwnd, show ? SW_SHOWNA : SW_HIDE);
    return TRUE;
  }
  DWORD bits = bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : (WS_HSCROLL | WS_VSCROLL);
  DWORD before = w->style;
  w->style = show ? (w->style | bits) : (w->style & ~bits);
  if (before != w->style) {
    InvalidateRect(hwnd, nullptr, TRUE);
    SendSizeAndMove(hwnd, false, true);  // the client area changed
  }
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (bar == SB_CTL) return Send(hwnd, SBM_ENABLE_ARROWS, arrows, 0) ? TRUE : FALSE;
  ScrollState* s = WindowBar(hwnd, static_cast<int>(bar));
  if (!s) return FALSE;
  s->enabled = arrows != ESB_DISABLE_BOTH;
  return TRUE;
}
