// The static control: texts, frames, icons and images. Clicks pass through
// it unless it has SS_NOTIFY.
#include "user_internal.h"

namespace win::user {
namespace {
struct StaticState : ControlState {
  HFONT font = nullptr;
  HANDLE image = nullptr;
};
}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = EnsureControl<StaticState>(hwnd);
  if (!st) return 0;
  bool notify = (StyleOf(hwnd) & SS_NOTIFY) != 0;
  switch (msg) {
    case WM_NCHITTEST: return notify ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE: return DLGC_STATIC;
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
