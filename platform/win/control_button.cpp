// The button control: push and default push buttons, owner-drawn buttons,
// check boxes (two- and three-state, automatic or not), radio buttons and
// group boxes.
#include <algorithm>

#include "user_internal.h"

namespace win::user {
namespace {

struct ButtonState : ControlState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  bool focus = false;
  bool tracking = false;  // mouse down inside, capture held
  HFONT font = nullptr;
  HANDLE image = nullptr;
};

DWORD Type(HWND hwnd) { return StyleOf(hwnd) & BS_TYPEMASK; }

bool IsCheckType(DWORD t) {
  return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE || t == BS_RADIOBUTTON ||
         t == BS_AUTORADIOBUTTON;
}

void UncheckGroupRadios(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  auto pw = Get(parent);
  if (!pw) return;
  auto& list = pw->children;
  auto it = std::find(list.begin(), list.end(), hwnd);
  if (it == list.end()) return;
  size_t i = static_cast<size_t>(it - list.begin());
  size_t start = i;
  while (start > 0 && !(StyleOf(list[start]) & WS_GROUP)) --start;
  size_t end = i + 1;
  while (end < list.size() && !(StyleOf(list[end]) & WS_GROUP)) ++end;
  std::vector<HWND> group(list.begin() + static_cast<long>(start), list.begin() + static_cast<long>(end));
  for (HWND h : group)
    if (h != hwnd && IsClass(h, "Button") && Type(h) == BS_AUTORADIOBUTTON) Send(h, BM_SETCHECK, BST_UNCHECKED, 0);
}

void Clicked(HWND hwnd) {
  auto* st = ControlOf<ButtonState>(hwnd);
  if (!st) return;
  switch (Type(hwnd)) {
    case BS_AUTOCHECKBOX: st->check = st->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: st->check = (st->check + 1) % 3; break;
    case BS_AUTORADIOBUTTON:
      st->check = BST_CHECKED;
      UncheckGroupRadios(hwnd);
      break;
    default: break;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  NotifyParent(hwnd, BN_CLICKED);
}

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT c;
  GetClientRect(hwnd, &c);
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  return x >= c.left && x < c.right && y >= c.top && y < c.bottom;
}

void SetPushed(HWND hwnd, ButtonState* st, bool pushed) {
  if (st->pushed == pushed) return;
  st->pushed = pushed;
  InvalidateRect(hwnd, nullptr, FALSE);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = EnsureControl<ButtonState>(hwnd);
  if (!st) return 0;
  DWORD type = Type(hwnd);
  switch (msg) {
    case WM_NCHITTEST: return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
    case WM_GETDLGCODE:
      switch (type) {
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON:
        case BS_OWNERDRAW:
        case BS_USERBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return DLGC_BUTTON;
      }
    case BM_GETCHECK: return IsCheckType(type) ? st->check : 0;
    case BM_SETCHECK: {
      if (!IsCheckType(type)) return 0;
      UINT v = static_cast<UINT>(wParam);
      if (v > BST_INDETERMINATE) v = BST_CHECKED;
      if (v == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) v = BST_CHECKED;
      if (st->check != v) {
        st->check = v;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case BM_GETSTATE:
      return (IsCheckType(type) ? st->check : 0) | (st->pushed ? BST_PUSHED : 0) | (st->focus ? BST_FOCUS : 0);
    case BM_SETSTATE: SetPushed(hwnd, st, wParam != 0); return 0;
    case BM_SETSTYLE: {
      DWORD s = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
      SetWindowLongPtrA(hwnd, GWL_STYLE, static_cast<LONG_PTR>((s & 0xFFFF0000u) | (wParam & 0xFFFF)));
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (!IsWindowEnabled(hwnd) || type == BS_GROUPBOX) return 0;
      SetPushed(hwnd, st, true);
      SetPushed(hwnd, st, false);
      Clicked(hwnd);
      return 0;
    case BM_SETIMAGE: {
      HANDLE old = st->image;
      st->image = reinterpret_cast<HANDLE>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE: return reinterpret_cast<LRESULT>(st->image);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (type == BS_GROUPBOX) return 0;
      if (msg == WM_LBUTTONDBLCLK && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON || type == BS_OWNERDRAW ||
                                      (StyleOf(hwnd) & BS_NOTIFY)))
        NotifyParent(hwnd, BN_DOUBLECLICKED);
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!Get(hwnd)) return 0;
      SetCapture(hwnd);
      st->tracking = true;
      SetPushed(hwnd, st, true);
      return 0;
    case WM_MOUSEMOVE:
      if (st->tracking) SetPushed(hwnd, st, Inside(hwnd, lParam));
      return 0;
    case WM_LBUTTONUP: {
      if (!st->tracking) return 0;
      bool click = st->pushed && Inside(hwnd, lParam);
      st->tracking = false;
      SetPushed(hwnd, st, false);
      if (GetCapture() == hwnd) ReleaseCapture();
      if (click && Get(hwnd)) Clicked(hwnd);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (st->tracking) {
        st->tracking = false;
        SetPushed(hwnd, st, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && type != BS_GROUPBOX) SetPushed(hwnd, st, true);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && st->pushed) {
        SetPushed(hwnd, st, false);
        Clicked(hwnd);
      }
      return 0;
    case WM_SETFOCUS:
      st->focus = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      if (StyleOf(hwnd) & BS_NOTIFY) NotifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      st->focus = false;
      if (st->pushed && !st->tracking) SetPushed(hwnd, st, false);
      InvalidateRect(hwnd, nullptr, FALSE);
      if (StyleOf(hwnd) & BS_NOTIFY) NotifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    case WM_SETFONT: st->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(st->font);
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

// The owner-drawn state of a button, for its WM_DRAWITEM.
UINT ButtonDrawState(HWND hwnd) {
  auto* st = ControlOf<ButtonState>(hwnd);
  if (!st) return 0;
  UINT s = 0;
  if (st->pushed) s |= ODS_SELECTED;
  if (st->focus) s |= ODS_FOCUS;
  if (!IsWindowEnabled(hwnd)) s |= ODS_DISABLED;
  if (st->check == BST_CHECKED) s |= ODS_CHECKED;
  return s;
}

}  // namespace win::user
