// The button control: push and default push buttons, owner-drawn buttons,
// check boxes (two- and three-state, automatic or not), radio buttons and
// group boxes.
#include <algorithm>

#include "control_drawing.h"
#include "user_internal.h"

namespace win::user {

UINT ButtonDrawState(HWND hwnd);

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

std::string TextOf(HWND hwnd) {
  auto w = Get(hwnd);
  return w ? w->text : std::string();
}

UINT TextFormat(HWND hwnd, UINT horizontalDefault) {
  DWORD style = StyleOf(hwnd);
  UINT f = DT_SINGLELINE | DT_VCENTER;
  if (style & BS_MULTILINE) f = DT_WORDBREAK;
  switch (style & BS_CENTER) {
    case BS_LEFT: f |= DT_LEFT; break;
    case BS_RIGHT: f |= DT_RIGHT; break;
    case BS_CENTER: f |= DT_CENTER; break;
    default: f |= horizontalDefault; break;
  }
  return f;
}

void DrawLabel(HDC dc, HWND hwnd, RECT r, UINT format) {
  SetBkMode(dc, TRANSPARENT);
  if (!IsWindowEnabled(hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  std::string text = TextOf(hwnd);
  DrawTextA(dc, text.c_str(), -1, &r, format);
}

// The rectangle the label takes, for the focus rectangle around it.
RECT LabelBox(HDC dc, HWND hwnd, const RECT& area, UINT format) {
  RECT calc = area;
  std::string text = TextOf(hwnd);
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &calc, format | DT_CALCRECT);
  int h = calc.bottom - calc.top, wdt = calc.right - calc.left;
  RECT box{area.left, (area.top + area.bottom - h) / 2, area.left + wdt, (area.top + area.bottom - h) / 2 + h};
  if (format & DT_CENTER) box.left = (area.left + area.right - wdt) / 2, box.right = box.left + wdt;
  if (format & DT_RIGHT) box.right = area.right, box.left = area.right - wdt;
  return RECT{box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
}

void PaintPushButton(HWND hwnd, const ButtonState& st, HDC dc, RECT r) {
  ControlColors(hwnd, dc, WM_CTLCOLORBTN);
  FillSys(dc, r, COLOR_BTNFACE);
  bool isDefault = Type(hwnd) == BS_DEFPUSHBUTTON;
  if (isDefault || st.focus) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  if (st.pushed) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    RECT e = r;
    DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
  }
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT text{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  if (st.pushed) text = RECT{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
  DrawLabel(dc, hwnd, text, TextFormat(hwnd, DT_CENTER));
  if (st.focus) {
    RECT f{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
    DrawFocusRect(dc, &f);
  }
}

constexpr int kBoxSize = 13;

void PaintCheckMark(HDC dc, const RECT& box, UINT check, bool enabled) {
  // Sunken white box with a tick of 3-pixel strokes inside.
  RECT e = box;
  DrawEdge(dc, &e, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillSys(dc, e, check == BST_INDETERMINATE || !enabled ? COLOR_BTNFACE : COLOR_WINDOW);
  if (check == BST_UNCHECKED) return;
  HBRUSH ink = GetSysColorBrush(check == BST_INDETERMINATE || !enabled ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
  static const int kTop[] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i) {
    RECT s{e.left + 1 + i, e.top + 1 + kTop[i], e.left + 2 + i, e.top + 4 + kTop[i]};
    FillRect(dc, &s, ink);
  }
}

void PaintRadio(HDC dc, const RECT& box, bool checked, bool enabled) {
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ oldPen = SelectObject(dc, dark);
  HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  Ellipse(dc, box.left, box.top, box.right - 1, box.bottom - 1);
  if (checked) {
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetSysColorBrush(enabled ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW));
    Ellipse(dc, box.left + 4, box.top + 4, box.right - 4, box.bottom - 4);
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(dark);
}

void PaintCheckButton(HWND hwnd, const ButtonState& st, HDC dc, const RECT& r) {
  HBRUSH bg = ControlColors(hwnd, dc, WM_CTLCOLORSTATIC);
  if (bg) FillRect(dc, &r, bg);
  DWORD type = Type(hwnd);
  bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  bool leftText = (StyleOf(hwnd) & BS_LEFTTEXT) != 0;
  int top = (r.top + r.bottom - kBoxSize) / 2;
  RECT box = leftText ? RECT{r.right - kBoxSize, top, r.right, top + kBoxSize}
                      : RECT{r.left, top, r.left + kBoxSize, top + kBoxSize};
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  if (radio)
    PaintRadio(dc, box, st.check == BST_CHECKED, enabled);
  else
    PaintCheckMark(dc, box, st.check, enabled);
  RECT text = leftText ? RECT{r.left, r.top, box.left - 4, r.bottom} : RECT{box.right + 4, r.top, r.right, r.bottom};
  UINT format = TextFormat(hwnd, DT_LEFT);
  DrawLabel(dc, hwnd, text, format);
  if (st.focus) {
    RECT f = LabelBox(dc, hwnd, text, format);
    DrawFocusRect(dc, &f);
  }
}

void PaintGroupBox(HWND hwnd, HDC dc, const RECT& r) {
  // Only the frame and the caption: the controls inside are its siblings.
  HBRUSH bg = ControlColors(hwnd, dc, WM_CTLCOLORSTATIC);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  RECT frame{r.left, r.top + tm.tmHeight / 2, r.right, r.bottom};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  std::string text = TextOf(hwnd);
  if (text.empty()) return;
  RECT t{r.left + 8, r.top, r.right - 8, r.top + tm.tmHeight};
  RECT calc = t;
  DrawTextA(dc, text.c_str(), -1, &calc, DT_SINGLELINE | DT_LEFT | DT_CALCRECT);
  RECT behind{calc.left - 2, t.top, std::min<LONG>(calc.right + 2, r.right - 6), t.bottom};
  if (bg) FillRect(dc, &behind, bg);
  DrawLabel(dc, hwnd, t, DT_SINGLELINE | DT_LEFT | DT_TOP);
}

void Paint(HWND hwnd, ButtonState& st) {
  DWORD type = Type(hwnd);
  if (type == BS_OWNERDRAW) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) return;
    HWND parent = GetParent(hwnd);
    if (parent) {
      DRAWITEMSTRUCT di{};
      di.CtlType = ODT_BUTTON;
      di.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
      di.itemAction = ODA_DRAWENTIRE;
      di.itemState = ButtonDrawState(hwnd);
      if (Type(hwnd) == BS_OWNERDRAW && DialogOf(parent) && DialogOf(parent)->defId == static_cast<int>(di.CtlID))
        di.itemState |= ODS_DEFAULT;
      di.hwndItem = hwnd;
      di.hDC = dc;
      GetClientRect(hwnd, &di.rcItem);
      Send(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
    }
    EndPaint(hwnd, &ps);
    return;
  }
  PaintControl(hwnd, st.font, [&](HDC dc, const RECT& c) {
    switch (type) {
      case BS_GROUPBOX: PaintGroupBox(hwnd, dc, c); break;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        if (StyleOf(hwnd) & BS_PUSHLIKE) {
          ButtonState look = st;
          look.pushed = st.pushed || st.check == BST_CHECKED;
          PaintPushButton(hwnd, look, dc, c);
        } else {
          PaintCheckButton(hwnd, st, dc, c);
        }
        break;
      default: PaintPushButton(hwnd, st, dc, c); break;
    }
  });
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = EnsureControl<ButtonState>(hwnd);
  if (!st) return 0;
  DWORD type = Type(hwnd);
  switch (msg) {
    case WM_NCHITTEST: return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
    case WM_PAINT: Paint(hwnd, *st); return 0;
    case WM_ERASEBKGND: return 1;  // painted whole in WM_PAINT
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
