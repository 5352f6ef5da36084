// The list box: single, multiple and extended selection, sorted lists,
// item data, owner-drawn item heights, mouse and keyboard selection with
// LBN_ notifications (LBS_NOTIFY).
#include <algorithm>
#include <cstring>

#include "control_drawing.h"
#include "item_list.h"
#include "common_control_kit.h"
#include "user_internal.h"

namespace win::user {

int ItemList::Insert(int index, const std::string& text) {
  if (index < 0 || index > static_cast<int>(items.size())) index = static_cast<int>(items.size());
  if (sorted) {
    auto key = Upper(text);
    auto it = std::upper_bound(items.begin(), items.end(), key,
                               [](const std::string& k, const ListItem& i) { return k < Upper(i.text); });
    index = static_cast<int>(it - items.begin());
  }
  items.insert(items.begin() + index, ListItem{text, 0, false});
  return index;
}

int ItemList::Find(int after, const std::string& text, bool exact) const {
  int n = static_cast<int>(items.size());
  if (n == 0) return -1;
  auto key = Upper(text);
  int start = (after < -1 || after >= n) ? 0 : after + 1;
  for (int k = 0; k < n; ++k) {
    int i = (start + k) % n;
    auto t = Upper(items[static_cast<size_t>(i)].text);
    if (exact ? t == key : t.compare(0, key.size(), key) == 0) return i;
  }
  return -1;
}

namespace {

struct ListBoxState : ControlState {
  ItemList list;
  int cur = -1;     // the selection (single) or the caret (multiple)
  int anchor = -1;
  int top = 0;
  int itemHeight = kLineHeight;
  int extent = 0;
  bool measured = false;
  HFONT font = nullptr;
};

bool Multiple(HWND hwnd) { return (StyleOf(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

void Notify(HWND hwnd, UINT code) {
  if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, code);
}

void Measure(HWND hwnd, ListBoxState& st) {
  if (st.measured) return;
  st.measured = true;
  if (!(StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) return;
  MEASUREITEMSTRUCT mi{ODT_LISTBOX, static_cast<UINT>(GetDlgCtrlID(hwnd)), 0, 0, static_cast<UINT>(st.itemHeight), 0};
  RECT c;
  GetClientRect(hwnd, &c);
  mi.itemWidth = static_cast<UINT>(c.right);
  if (HWND p = GetParent(hwnd)) Send(p, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
  if (mi.itemHeight > 0 && mi.itemHeight < 256) st.itemHeight = static_cast<int>(mi.itemHeight);
}

int Visible(HWND hwnd, const ListBoxState& st) {
  RECT c;
  GetClientRect(hwnd, &c);
  return std::max(1, static_cast<int>(c.bottom) / st.itemHeight);
}

void EnsureVisible(HWND hwnd, ListBoxState& st, int i) {
  if (i < 0) return;
  int v = Visible(hwnd, st);
  if (i < st.top) st.top = i;
  if (i >= st.top + v) st.top = i - v + 1;
}

void SelectOnly(ListBoxState& st, int i) {
  for (size_t k = 0; k < st.list.items.size(); ++k) st.list.items[k].selected = static_cast<int>(k) == i;
}

// A user's choice of item i, by mouse or keyboard.
void UserSelect(HWND hwnd, ListBoxState& st, int i, bool ctrl, bool shift) {
  int n = static_cast<int>(st.list.items.size());
  if (i < 0 || i >= n || (StyleOf(hwnd) & LBS_NOSEL)) return;
  DWORD style = StyleOf(hwnd);
  if (style & LBS_EXTENDEDSEL) {
    if (shift && st.anchor >= 0) {
      if (!ctrl) SelectOnly(st, -1);
      for (int k = std::min(st.anchor, i); k <= std::max(st.anchor, i); ++k) st.list.items[static_cast<size_t>(k)].selected = true;
    } else if (ctrl) {
      st.list.items[static_cast<size_t>(i)].selected = !st.list.items[static_cast<size_t>(i)].selected;
      st.anchor = i;
    } else {
      SelectOnly(st, i);
      st.anchor = i;
    }
    st.cur = i;
  } else if (style & LBS_MULTIPLESEL) {
    st.list.items[static_cast<size_t>(i)].selected = !st.list.items[static_cast<size_t>(i)].selected;
    st.cur = st.anchor = i;
  } else {
    if (st.cur == i) return;
    st.cur = i;
  }
  EnsureVisible(hwnd, st, i);
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, LBN_SELCHANGE);
}

LRESULT CopyText(const ItemList& l, WPARAM i, LPARAM buf) {
  if (!l.Valid(i)) return LB_ERR;
  const std::string& t = l.items[i].text;
  if (buf) {
    std::memcpy(reinterpret_cast<char*>(buf), t.data(), t.size());
    reinterpret_cast<char*>(buf)[t.size()] = 0;
  }
  return static_cast<LRESULT>(t.size());
}

bool OwnerDrawn(HWND hwnd) { return (StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }

bool Selected(HWND hwnd, const ListBoxState& st, int i) {
  return Multiple(hwnd) ? st.list.items[static_cast<size_t>(i)].selected : st.cur == i;
}

void Paint(HWND hwnd, ListBoxState& st) {
  Measure(hwnd, st);
  PaintControl(hwnd, st.font, [&](HDC dc, const RECT& c) {
    HBRUSH bg = ControlColors(hwnd, dc, WM_CTLCOLORLISTBOX);
    if (bg) FillRect(dc, &c, bg);
    bool focus = GetFocus() == hwnd;
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    HWND parent = GetParent(hwnd);
    int n = static_cast<int>(st.list.items.size());
    for (int i = std::max(st.top, 0); i < n; ++i) {
      int y = (i - st.top) * st.itemHeight;
      if (y >= c.bottom || !IsWindow(hwnd)) break;
      RECT item{0, y, c.right, y + st.itemHeight};
      bool sel = Selected(hwnd, st, i);
      bool caret = focus && i == st.cur;
      const ListItem& it = st.list.items[static_cast<size_t>(i)];
      if (OwnerDrawn(hwnd)) {
        if (!parent) continue;
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_LISTBOX;
        di.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
        di.itemID = static_cast<UINT>(i);
        di.itemAction = ODA_DRAWENTIRE;
        di.itemState = (sel ? ODS_SELECTED : 0) | (caret ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        di.hwndItem = hwnd;
        di.hDC = dc;
        di.rcItem = item;
        di.itemData = it.data;
        int saved = SaveDC(dc);
        Send(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
        RestoreDC(dc, saved);
        continue;
      }
      COLORREF text = GetTextColor(dc);
      if (sel) {
        FillSys(dc, item, COLOR_HIGHLIGHT);
        text = GetSysColor(COLOR_HIGHLIGHTTEXT);
      } else if (!enabled) {
        text = GetSysColor(COLOR_GRAYTEXT);
      }
      COLORREF old = SetTextColor(dc, text);
      SetBkMode(dc, TRANSPARENT);
      RECT t{item.left + 2, item.top, item.right, item.bottom};
      DrawTextA(dc, it.text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EXPANDTABS);
      SetTextColor(dc, old);
      if (caret) DrawFocusRect(dc, &item);
    }
  });
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = EnsureControl<ListBoxState>(hwnd);
  if (!st) return 0;
  auto& items = st->list.items;
  int n = static_cast<int>(items.size());
  bool multi = Multiple(hwnd);
  switch (msg) {
    case WM_CREATE:
      st->list.sorted = (StyleOf(hwnd) & LBS_SORT) != 0;
      Measure(hwnd, *st);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      // Owner-drawn lists without strings keep the value as item data.
      bool noStrings = OwnerDrawn(hwnd) && !(StyleOf(hwnd) & LBS_HASSTRINGS);
      std::string text = (lParam && !noStrings) ? reinterpret_cast<const char*>(lParam) : "";
      int at;
      if (msg == LB_ADDSTRING) {
        bool keep = st->list.sorted;
        if (noStrings) st->list.sorted = false;  // no texts to order by
        at = st->list.Insert(-1, text);
        st->list.sorted = keep;
      } else {
        int want = static_cast<int>(wParam);
        if (want > n) return LB_ERR;
        bool keep = st->list.sorted;
        st->list.sorted = false;
        at = st->list.Insert(want, text);
        st->list.sorted = keep;
      }
      if (noStrings) items[static_cast<size_t>(at)].data = static_cast<ULONG_PTR>(lParam);
      if (st->cur >= at) ++st->cur;
      if (st->anchor >= at) ++st->anchor;
      InvalidateRect(hwnd, nullptr, TRUE);
      return at;
    }
    case LB_DELETESTRING: {
      if (!st->list.Valid(wParam)) return LB_ERR;
      int i = static_cast<int>(wParam);
      items.erase(items.begin() + i);
      if (st->cur == i) st->cur = -1; else if (st->cur > i) --st->cur;
      if (st->anchor == i) st->anchor = -1; else if (st->anchor > i) --st->anchor;
      st->top = std::min(st->top, std::max(0, static_cast<int>(items.size()) - 1));
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(items.size());
    }
    case LB_RESETCONTENT:
      items.clear();
      st->cur = st->anchor = -1;
      st->top = 0;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETCOUNT: return n;
    case LB_GETTEXT: return CopyText(st->list, wParam, lParam);
    case LB_GETTEXTLEN: return st->list.Valid(wParam) ? static_cast<LRESULT>(items[wParam].text.size()) : LB_ERR;
    case LB_GETITEMDATA: return st->list.Valid(wParam) ? static_cast<LRESULT>(items[wParam].data) : LB_ERR;
    case LB_SETITEMDATA:
      if (static_cast<int>(wParam) == -1) {
        for (auto& it : items) it.data = static_cast<ULONG_PTR>(lParam);
        return 0;
      }
      if (!st->list.Valid(wParam)) return LB_ERR;
      items[wParam].data = static_cast<ULONG_PTR>(lParam);
      return 0;
    case LB_SETCURSEL: {
      if (multi) return LB_ERR;
      int i = static_cast<int>(wParam);
      if (i < -1 || i >= n) {
        st->cur = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return LB_ERR;
      }
      st->cur = i;
      EnsureVisible(hwnd, *st, i);
      InvalidateRect(hwnd, nullptr, TRUE);
      return i < 0 ? LB_ERR : i;
    }
    case LB_GETCURSEL:
      if (multi) return st->cur >= 0 && st->cur < n ? st->cur : (n ? 0 : LB_ERR);
      return st->cur;
    case LB_SETSEL: {
      if (!multi) return LB_ERR;
      int i = static_cast<int>(lParam);
      if (i == -1) {
        for (auto& it : items) it.selected = wParam != 0;
      } else {
        if (i < 0 || i >= n) return LB_ERR;
        items[static_cast<size_t>(i)].selected = wParam != 0;
        st->cur = i;
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case LB_GETSEL:
      if (!st->list.Valid(wParam)) return LB_ERR;
      return multi ? (items[wParam].selected ? 1 : 0) : (static_cast<int>(wParam) == st->cur ? 1 : 0);
    case LB_GETSELCOUNT:
      if (!multi) return LB_ERR;
      return std::count_if(items.begin(), items.end(), [](auto& i) { return i.selected; });
    case LB_GETSELITEMS: {
      if (!multi) return LB_ERR;
      int max = static_cast<int>(wParam), k = 0;
      auto* out = reinterpret_cast<int*>(lParam);
      for (int i = 0; i < n && k < max && out; ++i)
        if (items[static_cast<size_t>(i)].selected) out[k++] = i;
      return k;
    }
    case LB_SELITEMRANGE:
    case LB_SELITEMRANGEEX: {
      if (!multi) return LB_ERR;
      int a, b;
      bool on;
      if (msg == LB_SELITEMRANGE) {
        a = LOWORD(lParam), b = HIWORD(lParam), on = wParam != 0;
      } else {
        a = static_cast<int>(wParam), b = static_cast<int>(lParam), on = a <= b;
      }
      if (a > b) std::swap(a, b);
      for (int i = std::max(a, 0); i <= std::min(b, n - 1); ++i) items[static_cast<size_t>(i)].selected = on;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      return lParam ? st->list.Find(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam),
                                    msg == LB_FINDSTRINGEXACT)
                    : LB_ERR;
    case LB_SELECTSTRING: {
      int i = lParam ? st->list.Find(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam), false) : -1;
      if (i < 0) return LB_ERR;
      if (multi) {
        items[static_cast<size_t>(i)].selected = true;
      }
      st->cur = i;
      EnsureVisible(hwnd, *st, i);
      InvalidateRect(hwnd, nullptr, TRUE);
      return i;
    }
    case LB_GETTOPINDEX: return st->top;
    case LB_SETTOPINDEX:
      if (static_cast<int>(wParam) < 0 || (n && static_cast<int>(wParam) >= n)) return LB_ERR;
      st->top = static_cast<int>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETCARETINDEX: return st->cur >= 0 ? st->cur : 0;
    case LB_SETCARETINDEX:
      if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= n) return LB_ERR;
      st->cur = static_cast<int>(wParam);
      return 0;
    case LB_GETANCHORINDEX: return st->anchor;
    case LB_SETANCHORINDEX:
      if (static_cast<int>(wParam) < -1 || static_cast<int>(wParam) >= n) return LB_ERR;
      st->anchor = static_cast<int>(wParam);
      return 0;
    case LB_GETITEMHEIGHT: Measure(hwnd, *st); return st->itemHeight;
    case LB_SETITEMHEIGHT:
      if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
      st->itemHeight = LOWORD(lParam);
      st->measured = true;
      return 0;
    case LB_GETITEMRECT: {
      if (!lParam || (static_cast<int>(wParam) >= n && n)) return LB_ERR;
      RECT c;
      GetClientRect(hwnd, &c);
      int y = (static_cast<int>(wParam) - st->top) * st->itemHeight;
      *reinterpret_cast<RECT*>(lParam) = RECT{0, y, c.right, y + st->itemHeight};
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      int y = GET_Y_LPARAM(lParam);
      int i = st->top + (y >= 0 ? y / st->itemHeight : -1);
      RECT c;
      GetClientRect(hwnd, &c);
      bool outside = y < 0 || y >= c.bottom || i < 0 || i >= n;
      return MAKELRESULT(static_cast<WORD>(std::clamp(i, 0, std::max(n - 1, 0))), outside ? 1 : 0);
    }
    case LB_SETHORIZONTALEXTENT: st->extent = static_cast<int>(wParam); return 0;
    case LB_GETHORIZONTALEXTENT: return st->extent;
    case LB_SETTABSTOPS:
    case LB_SETCOLUMNWIDTH: return TRUE;
    case LB_INITSTORAGE: items.reserve(items.size() + wParam); return static_cast<LRESULT>(items.capacity());
    case LB_DIR: return AddDirectoryListing(hwnd, LB_ADDSTRING, static_cast<UINT>(wParam), reinterpret_cast<LPCSTR>(lParam));
    case LB_SETCOUNT:
    case LB_ADDFILE: return LB_ERR;  // data-less lists are not kept here
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd)) return 0;
      int y = GET_Y_LPARAM(lParam);
      int i = st->top + y / st->itemHeight;
      if (y < 0 || i >= n) return 0;
      UserSelect(hwnd, *st, i, (wParam & MK_CONTROL) != 0, (wParam & MK_SHIFT) != 0);
      if (msg == WM_LBUTTONDBLCLK && IsWindow(hwnd)) Notify(hwnd, LBN_DBLCLK);
      return 0;
    }
    case WM_KEYDOWN: {
      if (n == 0) return 0;
      int c = std::max(st->cur, 0), to = c;
      int page = Visible(hwnd, *st);
      switch (wParam) {
        case VK_UP: to = c - 1; break;
        case VK_DOWN: to = st->cur < 0 ? 0 : c + 1; break;
        case VK_PRIOR: to = c - page; break;
        case VK_NEXT: to = c + page; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        case VK_SPACE:
          if (StyleOf(hwnd) & LBS_MULTIPLESEL) UserSelect(hwnd, *st, c, false, false);
          return 0;
        default: return 0;
      }
      to = std::clamp(to, 0, n - 1);
      if (StyleOf(hwnd) & LBS_MULTIPLESEL) {
        st->cur = to;
        EnsureVisible(hwnd, *st, to);
        return 0;
      }
      UserSelect(hwnd, *st, to, false, (GetKeyState(VK_SHIFT) & 0x8000) != 0);
      return 0;
    }
    case WM_SETFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      Notify(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      Notify(hwnd, LBN_KILLFOCUS);
      return 0;
    case WM_PAINT: Paint(hwnd, *st); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT: st->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(st->font);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace win::user
