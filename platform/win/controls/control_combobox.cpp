// The combo box: a drop-down list (CBS_DROPDOWNLIST) or an edit field with
// a list (CBS_DROPDOWN, CBS_SIMPLE). The list is not a window of its own;
// the drop-down state is kept and reported.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "control_drawing.h"
#include "item_list.h"
#include "common_control_kit.h"
#include "user_internal.h"

namespace win::user {

namespace {

struct ComboState : ControlState {
  ItemList list;
  int cur = -1;
  std::string edit;
  size_t limit = 30000;
  bool dropped = false;
  bool extendedUi = false;
  int itemHeight = kLineHeight;
  int droppedWidth = 0;
  HFONT font = nullptr;
};

bool DropList(HWND hwnd) { return (StyleOf(hwnd) & 0x3) == CBS_DROPDOWNLIST; }

void Notify(HWND hwnd, UINT code) { NotifyParent(hwnd, code); }

void Select(HWND hwnd, ComboState& st, int i) {
  st.cur = i;
  if (!DropList(hwnd)) st.edit = i >= 0 ? st.list.items[static_cast<size_t>(i)].text : std::string();
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Drop(HWND hwnd, ComboState& st, bool show) {
  if (st.dropped == show) return;
  if (show) Notify(hwnd, CBN_DROPDOWN);
  st.dropped = show;
  // The dropped list covers what lies under the combo box; the parent
  // repaints that when it closes.
  InvalidateRect(hwnd, nullptr, TRUE);
  if (!show)
    if (auto w = Get(hwnd); w && (w->style & WS_CHILD) && w->parent) {
      RECT area = w->rect;
      InvalidateRect(w->parent, &area, TRUE);
    }
  if (!show) Notify(hwnd, CBN_CLOSEUP);
}

void DrawItemText(HDC dc, const std::string& text, RECT r, bool selected) {
  COLORREF old = GetTextColor(dc);
  if (selected) {
    FillSys(dc, r, COLOR_HIGHLIGHT);
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  }
  r.left += 2;
  DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SetTextColor(dc, old);
}

// The closed field at the top (the window's height includes the list's),
// and the list under it while dropped.
void Paint(HWND hwnd, ComboState& st) {
  PaintControl(hwnd, st.font, [&](HDC dc, const RECT& c) {
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    HBRUSH bg = ControlColors(hwnd, dc, DropList(hwnd) || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    int fieldHeight = std::min<int>(c.bottom, st.itemHeight + 8);
    RECT field{c.left, c.top, c.right, c.top + fieldHeight};
    DrawEdge(dc, &field, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    HBRUSH inside = enabled ? GetSysColorBrush(COLOR_WINDOW) : bg;
    if (inside) FillRect(dc, &field, inside);
    int bw = std::min<int>(GetSystemMetrics(SM_CXVSCROLL), field.right - field.left);
    RECT button{field.right - bw, field.top, field.right, field.bottom};
    RECT be = button;
    DrawEdge(dc, &be, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    DrawArrow(dc, button, Arrow::Down, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    RECT text{field.left + 1, field.top + 1, button.left - 1, field.bottom - 1};
    bool focus = GetFocus() == hwnd && DropList(hwnd) && !st.dropped;
    std::string shown = DropList(hwnd) ? (st.cur >= 0 ? st.list.items[static_cast<size_t>(st.cur)].text : "") : st.edit;
    DWORD style = StyleOf(hwnd);
    HWND parent = GetParent(hwnd);
    if ((style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) && parent) {
      DRAWITEMSTRUCT di{};
      di.CtlType = ODT_COMBOBOX;
      di.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
      di.itemID = static_cast<UINT>(st.cur);
      di.itemAction = ODA_DRAWENTIRE;
      di.itemState = ODS_COMBOBOXEDIT | (focus ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
      di.hwndItem = hwnd;
      di.hDC = dc;
      di.rcItem = text;
      di.itemData = st.cur >= 0 ? st.list.items[static_cast<size_t>(st.cur)].data : 0;
      int saved = SaveDC(dc);
      Send(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
      RestoreDC(dc, saved);
    } else {
      DrawItemText(dc, shown, text, focus);
      if (focus) DrawFocusRect(dc, &text);
    }
    if (!st.dropped || !IsWindow(hwnd)) return;
    RECT list{c.left, c.top + fieldHeight, c.right, c.bottom};
    if (list.bottom <= list.top) return;
    FrameRect(dc, &list, GetSysColorBrush(COLOR_WINDOWFRAME));
    RECT in{list.left + 1, list.top + 1, list.right - 1, list.bottom - 1};
    FillSys(dc, in, COLOR_WINDOW);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    int y = in.top;
    for (size_t i = 0; i < st.list.items.size() && y < in.bottom; ++i, y += st.itemHeight) {
      RECT r{in.left, y, in.right, std::min<LONG>(y + st.itemHeight, in.bottom)};
      DrawItemText(dc, st.list.items[i].text, r, static_cast<int>(i) == st.cur);
    }
  });
}

}  // namespace

// A user's pick of item i from the drop-down list.
void ComboUserPick(HWND hwnd, int i) {
  auto* st = ControlOf<ComboState>(hwnd);
  if (!st || i < 0 || i >= static_cast<int>(st->list.items.size())) return;
  if (GetFocus() != hwnd) SetFocus(hwnd);
  if (!IsWindow(hwnd)) return;
  Drop(hwnd, *st, true);
  if (!IsWindow(hwnd)) return;
  Select(hwnd, *st, i);
  Notify(hwnd, CBN_SELENDOK);
  if (!IsWindow(hwnd)) return;
  Drop(hwnd, *st, false);
  if (IsWindow(hwnd)) Notify(hwnd, CBN_SELCHANGE);
}

LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = EnsureControl<ComboState>(hwnd);
  if (!st) return 0;
  auto& items = st->list.items;
  int n = static_cast<int>(items.size());
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) st->edit = cs->lpszName;
      st->list.sorted = (StyleOf(hwnd) & CBS_SORT) != 0;
      return TRUE;
    }
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      auto* m = reinterpret_cast<MSG*>(lParam);
      if (st->dropped && m && m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE))
        code |= DLGC_WANTMESSAGE;
      if (!DropList(hwnd)) code |= DLGC_HASSETSEL;
      return code;
    }
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      std::string text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      int at;
      if (msg == CB_ADDSTRING) {
        at = st->list.Insert(-1, text);
      } else {
        if (static_cast<int>(wParam) > n) return CB_ERR;
        bool keep = st->list.sorted;
        st->list.sorted = false;
        at = st->list.Insert(static_cast<int>(wParam), text);
        st->list.sorted = keep;
      }
      if (st->cur >= at) ++st->cur;
      return at;
    }
    case CB_DELETESTRING: {
      if (!st->list.Valid(wParam)) return CB_ERR;
      int i = static_cast<int>(wParam);
      items.erase(items.begin() + i);
      if (st->cur == i) st->cur = -1; else if (st->cur > i) --st->cur;
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(items.size());
    }
    case CB_RESETCONTENT:
      items.clear();
      st->cur = -1;
      if (DropList(hwnd)) st->edit.clear();
      InvalidateRect(hwnd, nullptr, TRUE);
      return CB_OKAY;
    case CB_GETCOUNT: return n;
    case CB_GETCURSEL: return st->cur;
    case CB_SETCURSEL: {
      int i = static_cast<int>(wParam);
      if (i < 0 || i >= n) {
        Select(hwnd, *st, -1);
        return CB_ERR;
      }
      Select(hwnd, *st, i);
      return i;
    }
    case CB_GETLBTEXT: {
      if (!st->list.Valid(wParam)) return CB_ERR;
      const std::string& t = items[wParam].text;
      if (lParam) {
        std::memcpy(reinterpret_cast<char*>(lParam), t.data(), t.size());
        reinterpret_cast<char*>(lParam)[t.size()] = 0;
      }
      return static_cast<LRESULT>(t.size());
    }
    case CB_GETLBTEXTLEN: return st->list.Valid(wParam) ? static_cast<LRESULT>(items[wParam].text.size()) : CB_ERR;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return lParam ? st->list.Find(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam),
                                    msg == CB_FINDSTRINGEXACT)
                    : CB_ERR;
    case CB_SELECTSTRING: {
      int i = lParam ? st->list.Find(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam), false) : -1;
      if (i < 0) return CB_ERR;
      Select(hwnd, *st, i);
      return i;
    }
    case CB_GETITEMDATA: return st->list.Valid(wParam) ? static_cast<LRESULT>(items[wParam].data) : CB_ERR;
    case CB_SETITEMDATA:
      if (!st->list.Valid(wParam)) return CB_ERR;
      items[wParam].data = static_cast<ULONG_PTR>(lParam);
      return CB_OKAY;
    case CB_SHOWDROPDOWN: Drop(hwnd, *st, wParam != 0); return TRUE;
    case CB_GETDROPPEDSTATE: return st->dropped ? TRUE : FALSE;
    case CB_LIMITTEXT: st->limit = wParam ? static_cast<size_t>(wParam) : 0x7FFFFFFE; return TRUE;
    case CB_GETEDITSEL:
      return DropList(hwnd) ? CB_ERR : MAKELRESULT(0, static_cast<WORD>(std::min<size_t>(st->edit.size(), 0xFFFF)));
    case CB_SETEDITSEL: return DropList(hwnd) ? CB_ERR : TRUE;
    case CB_SETITEMHEIGHT:
      if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return CB_ERR;
      st->itemHeight = LOWORD(lParam);
      return 0;
    case CB_GETITEMHEIGHT: return st->itemHeight;
    case CB_GETDROPPEDCONTROLRECT: {
      if (!lParam) return FALSE;
      RECT r;
      GetWindowRect(hwnd, &r);
      r.bottom = r.top + (r.bottom - r.top) + st->itemHeight * std::min(n, 8) + 2;
      *reinterpret_cast<RECT*>(lParam) = r;
      return TRUE;
    }
    case CB_SETEXTENDEDUI: st->extendedUi = wParam != 0; return CB_OKAY;
    case CB_GETEXTENDEDUI: return st->extendedUi ? TRUE : FALSE;
    case CB_GETTOPINDEX: return 0;
    case CB_SETTOPINDEX: return st->list.Valid(wParam) ? 0 : CB_ERR;
    case CB_SETDROPPEDWIDTH: st->droppedWidth = static_cast<int>(wParam); return st->droppedWidth;
    case CB_GETDROPPEDWIDTH: {
      RECT r;
      GetWindowRect(hwnd, &r);
      return std::max<LRESULT>(st->droppedWidth, r.right - r.left);
    }
    case CB_INITSTORAGE: items.reserve(items.size() + wParam); return static_cast<LRESULT>(items.capacity());
    case CB_DIR: return AddDirectoryListing(hwnd, CB_ADDSTRING, static_cast<UINT>(wParam), reinterpret_cast<LPCSTR>(lParam));
    case WM_SETTEXT: {
      std::string t = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if (DropList(hwnd)) {
        int i = st->list.Find(-1, t, true);
        if (i < 0) return CB_ERR;
        Select(hwnd, *st, i);
        return TRUE;
      }
      st->edit = t;
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case WM_GETTEXT: {
      if (!wParam || !lParam) return 0;
      std::string t = DropList(hwnd) ? (st->cur >= 0 ? items[static_cast<size_t>(st->cur)].text : std::string()) : st->edit;
      size_t k = std::min(t.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), t.data(), k);
      reinterpret_cast<char*>(lParam)[k] = 0;
      return static_cast<LRESULT>(k);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(DropList(hwnd) ? (st->cur >= 0 ? items[static_cast<size_t>(st->cur)].text.size() : 0)
                                                 : st->edit.size());
    case WM_LBUTTONDOWN:
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (IsWindow(hwnd)) Drop(hwnd, *st, !st->dropped);
      return 0;
    case WM_KEYDOWN: {
      if (wParam == VK_F4) {
        Drop(hwnd, *st, !st->dropped);
        return 0;
      }
      if (st->dropped && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        if (wParam == VK_RETURN) Notify(hwnd, CBN_SELENDOK); else Notify(hwnd, CBN_SELENDCANCEL);
        if (IsWindow(hwnd)) Drop(hwnd, *st, false);
        return 0;
      }
      if (n == 0) return 0;
      int to = st->cur;
      switch (wParam) {
        case VK_UP: to = std::max(0, st->cur - 1); break;
        case VK_DOWN: to = std::min(n - 1, st->cur + 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        default: return 0;
      }
      if (to != st->cur) {
        Select(hwnd, *st, to);
        Notify(hwnd, CBN_SELCHANGE);
      }
      return 0;
    }
    case WM_CHAR: {
      char c = static_cast<char>(wParam);
      if (DropList(hwnd)) {
        if (static_cast<unsigned char>(c) < 32) return 0;
        int i = st->list.Find(st->cur, std::string(1, c), false);
        if (i >= 0 && i != st->cur) {
          Select(hwnd, *st, i);
          Notify(hwnd, CBN_SELCHANGE);
        }
        return 0;
      }
      if (c == 8) {
        if (st->edit.empty()) return 0;
        st->edit.pop_back();
      } else if (static_cast<unsigned char>(c) >= 32) {
        if (st->edit.size() >= st->limit) return 0;
        st->edit += c;
      } else {
        return 0;
      }
      st->cur = -1;
      Notify(hwnd, CBN_EDITUPDATE);
      if (IsWindow(hwnd)) Notify(hwnd, CBN_EDITCHANGE);
      return 0;
    }
    case WM_SETFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      Notify(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (st->dropped) {
        Notify(hwnd, CBN_SELENDCANCEL);
        if (IsWindow(hwnd)) Drop(hwnd, *st, false);
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      if (IsWindow(hwnd)) Notify(hwnd, CBN_KILLFOCUS);
      return 0;
    case WM_PAINT: Paint(hwnd, *st); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT: st->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(st->font);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace win::user
