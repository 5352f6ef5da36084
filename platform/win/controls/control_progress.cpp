// The progress bar: a range, a position and a step, drawn as a filled bar
// (blocks unless PBS_SMOOTH).
#include <algorithm>

#include "common_control_kit.h"

namespace win::user {
namespace {

struct ProgressState : ControlState {
  int low = 0, high = 100, pos = 0, step = 10;
  COLORREF bar = CLR_DEFAULT, back = CLR_DEFAULT;
};

LRESULT SetPos(HWND hwnd, ProgressState& s, int pos) {
  int old = s.pos;
  s.pos = Clamp(pos, s.low, s.high);
  if (s.pos != old) InvalidateRect(hwnd, nullptr, TRUE);
  return old;
}

void Paint(HWND hwnd, ProgressState& s) {
  PaintControl(hwnd, nullptr, [&](HDC dc, const RECT& c) {
    RECT r = c;
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    HBRUSH back = CreateSolidBrush(s.back == CLR_DEFAULT ? GetSysColor(COLOR_BTNFACE) : s.back);
    FillRect(dc, &r, back);
    DeleteObject(back);
    int span = s.high - s.low;
    if (span <= 0 || s.pos <= s.low) return;
    bool vertical = (StyleOf(hwnd) & PBS_VERTICAL) != 0;
    int length = vertical ? r.bottom - r.top : r.right - r.left;
    int filled = static_cast<int>(static_cast<long long>(length) * (s.pos - s.low) / span);
    HBRUSH bar = CreateSolidBrush(s.bar == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : s.bar);
    if (StyleOf(hwnd) & PBS_SMOOTH) {
      RECT f = vertical ? RECT{r.left, r.bottom - filled, r.right, r.bottom} : RECT{r.left, r.top, r.left + filled, r.bottom};
      FillRect(dc, &f, bar);
    } else {
      int thick = vertical ? r.right - r.left : r.bottom - r.top;
      int block = std::max(2, thick * 2 / 3), gap = 2;
      for (int at = 0; at < filled; at += block + gap) {
        int end = std::min(at + block, length);
        RECT f = vertical ? RECT{r.left, r.bottom - end, r.right, r.bottom - at} : RECT{r.left + at, r.top, r.left + end, r.bottom};
        FillRect(dc, &f, bar);
      }
    }
    DeleteObject(bar);
  });
}

}  // namespace

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<ProgressState>(hwnd);
  if (!s) return 0;
  switch (msg) {
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      LRESULT old = MAKELRESULT(static_cast<WORD>(s->low), static_cast<WORD>(s->high));
      if (msg == PBM_SETRANGE) {
        s->low = static_cast<SHORT>(LOWORD(lParam));
        s->high = static_cast<SHORT>(HIWORD(lParam));
      } else {
        s->low = static_cast<int>(wParam);
        s->high = static_cast<int>(lParam);
      }
      if (s->high < s->low) s->high = s->low;
      s->pos = Clamp(s->pos, s->low, s->high);
      InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case PBM_GETRANGE: {
      if (lParam) *reinterpret_cast<PBRANGE*>(lParam) = PBRANGE{s->low, s->high};
      return wParam ? s->low : s->high;
    }
    case PBM_SETPOS: return SetPos(hwnd, *s, static_cast<int>(wParam));
    case PBM_DELTAPOS: return SetPos(hwnd, *s, s->pos + static_cast<int>(wParam));
    case PBM_GETPOS: return s->pos;
    case PBM_SETSTEP: {
      int old = s->step;
      s->step = static_cast<int>(wParam);
      return old;
    }
    case PBM_STEPIT: {
      // Stepping past the end wraps to the start, as the control does.
      int next = s->pos + s->step;
      if (next > s->high) next = s->low + (next - s->high);
      return SetPos(hwnd, *s, next);
    }
    case PBM_SETBARCOLOR: {
      COLORREF old = s->bar;
      s->bar = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(old);
    }
    case PBM_SETBKCOLOR: {
      COLORREF old = s->back;
      s->back = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(old);
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(hwnd, *s); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace win::user
