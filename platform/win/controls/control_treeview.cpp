// The tree view: items under items, expanded and collapsed, one selected;
// the parent hears of selection changes (TVN_SELCHANGING may refuse, then
// TVN_SELCHANGED), expansions and deletions. Buttons, lines and lines at the
// root follow the styles.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "common_control_kit.h"
#include "win_crt.h"

namespace win::user {
namespace {

constexpr int kItemHeight = 16;

struct Node {
  HTREEITEM parent = nullptr;  // null: a root item
  std::vector<HTREEITEM> children;
  std::string text;
  bool callback = false;
  int image = 0, selImage = 0;
  int hasChildren = 0;  // TVIF_CHILDREN: 1 shows a button before any child exists
  LPARAM param = 0;
  UINT state = 0;
};

struct TreeState : ControlState {
  std::map<HTREEITEM, Node> nodes;
  std::vector<HTREEITEM> roots;
  uintptr_t next = 0x60010;
  HTREEITEM selected = nullptr;
  int top = 0;  // index into the visible list
  int indent = 19;
  HIMAGELIST images = nullptr;
  HFONT font = nullptr;
};

bool Valid(const TreeState& s, HTREEITEM h) { return h && s.nodes.count(h); }

std::vector<HTREEITEM>& Siblings(TreeState& s, HTREEITEM parent) {
  return parent ? s.nodes[parent].children : s.roots;
}

void Flatten(const TreeState& s, const std::vector<HTREEITEM>& list, std::vector<HTREEITEM>* out) {
  for (HTREEITEM h : list) {
    out->push_back(h);
    const Node& n = s.nodes.at(h);
    if (n.state & TVIS_EXPANDED) Flatten(s, n.children, out);
  }
}

std::vector<HTREEITEM> Visible(const TreeState& s) {
  std::vector<HTREEITEM> out;
  Flatten(s, s.roots, &out);
  return out;
}

int Level(const TreeState& s, HTREEITEM h) {
  int level = 0;
  for (HTREEITEM p = s.nodes.at(h).parent; p; p = s.nodes.at(p).parent) ++level;
  return level;
}

int PerPage(HWND hwnd) {
  RECT c;
  GetClientRect(hwnd, &c);
  return std::max(1, static_cast<int>(c.bottom) / kItemHeight);
}

void UpdateScroll(HWND hwnd, TreeState& s) {
  if (StyleOf(hwnd) & TVS_NOSCROLL) return;
  SetRowScroll(hwnd, static_cast<int>(Visible(s).size()), PerPage(hwnd), s.top);
}

void SetTop(HWND hwnd, TreeState& s, int top) {
  int count = static_cast<int>(Visible(s).size());
  s.top = Clamp(top, 0, std::max(0, count - PerPage(hwnd)));
  UpdateScroll(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
}

std::string TextOf(HWND hwnd, TreeState& s, HTREEITEM h) {
  Node& n = s.nodes.at(h);
  if (!n.callback) return n.text;
  char buffer[260] = {};
  NMTVDISPINFOA di{};
  di.item.mask = TVIF_TEXT;
  di.item.hItem = h;
  di.item.pszText = buffer;
  di.item.cchTextMax = sizeof buffer;
  di.item.lParam = n.param;
  SendNotify(hwnd, TVN_GETDISPINFOA, &di.hdr);
  buffer[sizeof buffer - 1] = 0;
  return di.item.pszText && di.item.pszText != LPSTR_TEXTCALLBACKA ? di.item.pszText : "";
}

void FillItem(const Node& n, HTREEITEM h, TVITEMA* out) {
  out->hItem = h;
  out->state = n.state;
  out->lParam = n.param;
  out->iImage = n.image;
  out->iSelectedImage = n.selImage;
  out->cChildren = n.children.empty() ? n.hasChildren : 1;
}

void EnsureVisible(HWND hwnd, TreeState& s, HTREEITEM h);

// Moves the selection; false when the parent refused or the item is bad.
bool Select(HWND hwnd, TreeState& s, HTREEITEM h, UINT action) {
  if (h && !Valid(s, h)) return false;
  if (h == s.selected) return true;
  NMTREEVIEWA nm{};
  nm.action = action;
  nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
  nm.itemNew.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
  if (s.selected) FillItem(s.nodes.at(s.selected), s.selected, &nm.itemOld);
  if (h) FillItem(s.nodes.at(h), h, &nm.itemNew);
  if (SendNotify(hwnd, TVN_SELCHANGINGA, &nm.hdr)) return false;
  if (!IsWindow(hwnd) || (h && !Valid(s, h))) return false;
  if (Valid(s, s.selected)) s.nodes.at(s.selected).state &= ~static_cast<UINT>(TVIS_SELECTED);
  s.selected = h;
  if (h) {
    s.nodes.at(h).state |= TVIS_SELECTED;
    EnsureVisible(hwnd, s, h);
    FillItem(s.nodes.at(h), h, &nm.itemNew);
  }
  SendNotify(hwnd, TVN_SELCHANGEDA, &nm.hdr);
  if (IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
  return true;
}

bool Expand(HWND hwnd, TreeState& s, HTREEITEM h, UINT code) {
  if (!Valid(s, h)) return false;
  Node& n = s.nodes.at(h);
  bool open = (n.state & TVIS_EXPANDED) != 0;
  UINT what = code & 3;
  bool want = what == TVE_EXPAND ? true : what == TVE_COLLAPSE ? false : what == TVE_TOGGLE ? !open : open;
  if (want == open || (n.children.empty() && n.hasChildren != 1)) return want == open;
  NMTREEVIEWA nm{};
  nm.action = want ? TVE_EXPAND : TVE_COLLAPSE;
  nm.itemNew.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
  FillItem(n, h, &nm.itemNew);
  if (SendNotify(hwnd, TVN_ITEMEXPANDINGA, &nm.hdr)) return false;
  if (!IsWindow(hwnd) || !Valid(s, h)) return false;
  Node& m = s.nodes.at(h);
  if (want) {
    m.state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  } else {
    m.state &= ~static_cast<UINT>(TVIS_EXPANDED);
    // A hidden selection moves up to the collapsed item.
    for (HTREEITEM p = s.selected ? s.nodes.at(s.selected).parent : nullptr; p; p = s.nodes.at(p).parent)
      if (p == h) {
        Select(hwnd, s, h, TVC_UNKNOWN);
        break;
      }
  }
  FillItem(s.nodes.at(h), h, &nm.itemNew);
  SendNotify(hwnd, TVN_ITEMEXPANDEDA, &nm.hdr);
  if (IsWindow(hwnd)) SetTop(hwnd, s, s.top);
  return true;
}

void EnsureVisible(HWND hwnd, TreeState& s, HTREEITEM h) {
  for (HTREEITEM p = s.nodes.at(h).parent; p; p = s.nodes.at(p).parent)
    if (!(s.nodes.at(p).state & TVIS_EXPANDED)) s.nodes.at(p).state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  auto v = Visible(s);
  int i = static_cast<int>(std::find(v.begin(), v.end(), h) - v.begin());
  if (i < s.top)
    SetTop(hwnd, s, i);
  else if (i >= s.top + PerPage(hwnd))
    SetTop(hwnd, s, i - PerPage(hwnd) + 1);
  else
    UpdateScroll(hwnd, s);
}

void Delete(HWND hwnd, TreeState& s, HTREEITEM h) {
  if (!Valid(s, h)) return;
  auto children = s.nodes.at(h).children;
  for (HTREEITEM c : children) Delete(hwnd, s, c);
  if (!Valid(s, h)) return;
  NMTREEVIEWA nm{};
  nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM;
  nm.itemOld.hItem = h;
  nm.itemOld.lParam = s.nodes.at(h).param;
  SendNotify(hwnd, TVN_DELETEITEMA, &nm.hdr);
  if (!Valid(s, h)) return;
  auto& sibs = Siblings(s, s.nodes.at(h).parent);
  sibs.erase(std::remove(sibs.begin(), sibs.end(), h), sibs.end());
  if (s.selected == h) s.selected = nullptr;
  s.nodes.erase(h);
}

RECT ItemRect(HWND hwnd, const TreeState& s, int row) {
  RECT c;
  GetClientRect(hwnd, &c);
  int y = (row - s.top) * kItemHeight;
  return RECT{0, y, c.right, y + kItemHeight};
}

int IndentOf(HWND hwnd, const TreeState& s, HTREEITEM h) {
  int level = Level(s, h) + ((StyleOf(hwnd) & TVS_LINESATROOT) ? 1 : 0);
  return level * s.indent;
}

void Paint(HWND hwnd, TreeState& s) {
  PaintControl(hwnd, s.font, [&](HDC dc, const RECT& c) {
    FillSys(dc, c, COLOR_WINDOW);
    SetBkMode(dc, TRANSPARENT);
    auto v = Visible(s);
    DWORD style = StyleOf(hwnd);
    bool focused = GetFocus() == hwnd;
    HBRUSH lines = GetSysColorBrush(COLOR_BTNSHADOW);
    for (int row = s.top; row < static_cast<int>(v.size()) && row < s.top + PerPage(hwnd) + 1; ++row) {
      HTREEITEM h = v[static_cast<size_t>(row)];
      const Node& n = s.nodes.at(h);
      RECT r = ItemRect(hwnd, s, row);
      int x = IndentOf(hwnd, s, h);
      int mid = (r.top + r.bottom) / 2;
      bool rootLevel = !n.parent && !(style & TVS_LINESATROOT);
      if ((style & TVS_HASLINES) && !rootLevel) {
        RECT horiz{x - s.indent / 2, mid, x, mid + 1};
        RECT vert{x - s.indent / 2, r.top, x - s.indent / 2 + 1, mid};
        FillRect(dc, &horiz, lines);
        FillRect(dc, &vert, lines);
      }
      bool expandable = !n.children.empty() || n.hasChildren == 1;
      if ((style & TVS_HASBUTTONS) && expandable && !rootLevel) {
        int bx = x - s.indent / 2;
        RECT box{bx - 4, mid - 4, bx + 5, mid + 5};
        FillSys(dc, box, COLOR_WINDOW);
        FrameRect(dc, &box, lines);
        RECT dash{bx - 2, mid, bx + 3, mid + 1};
        FillRect(dc, &dash, GetSysColorBrush(COLOR_WINDOWTEXT));
        if (!(n.state & TVIS_EXPANDED)) {
          RECT bar{bx, mid - 2, bx + 1, mid + 3};
          FillRect(dc, &bar, GetSysColorBrush(COLOR_WINDOWTEXT));
        }
      }
      if (s.images) {
        ImageList_Draw(s.images, h == s.selected ? n.selImage : n.image, dc, x, r.top, ILD_TRANSPARENT);
        x += 18;
      }
      std::string text = TextOf(hwnd, s, h);
      if (!IsWindow(hwnd)) return;
      SIZE size{};
      GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
      RECT label{x, r.top, (style & TVS_FULLROWSELECT) ? r.right : x + size.cx + 4, r.bottom};
      bool sel = h == s.selected && (focused || (style & TVS_SHOWSELALWAYS));
      if (sel) FillSys(dc, label, focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
      SetTextColor(dc, GetSysColor(sel && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      RECT t{label.left + 2, label.top, label.right, label.bottom};
      DrawTextA(dc, text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
  });
}

HTREEITEM HitTest(HWND hwnd, TreeState& s, POINT pt, UINT* flags) {
  auto v = Visible(s);
  int row = s.top + pt.y / kItemHeight;
  *flags = TVHT_NOWHERE;
  if (pt.y < 0 || row >= static_cast<int>(v.size())) return nullptr;
  HTREEITEM h = v[static_cast<size_t>(row)];
  int x = IndentOf(hwnd, s, h);
  if (pt.x < x - s.indent)
    *flags = TVHT_ONITEMINDENT;
  else if (pt.x < x)
    *flags = TVHT_ONITEMBUTTON;
  else
    *flags = TVHT_ONITEMLABEL;
  return h;
}

HTREEITEM NextOf(TreeState& s, HTREEITEM h, int step) {
  auto& sibs = Siblings(s, s.nodes.at(h).parent);
  auto it = std::find(sibs.begin(), sibs.end(), h);
  long i = (it - sibs.begin()) + step;
  return i >= 0 && i < static_cast<long>(sibs.size()) ? sibs[static_cast<size_t>(i)] : nullptr;
}

HTREEITEM GetNext(TreeState& s, UINT code, HTREEITEM h) {
  switch (code) {
    case TVGN_ROOT: return s.roots.empty() ? nullptr : s.roots.front();
    case TVGN_CARET: return s.selected;
    case TVGN_DROPHILITE: return nullptr;
    case TVGN_FIRSTVISIBLE: {
      auto v = Visible(s);
      return s.top < static_cast<int>(v.size()) ? v[static_cast<size_t>(s.top)] : nullptr;
    }
    default: break;
  }
  if (!Valid(s, h)) return nullptr;
  switch (code) {
    case TVGN_NEXT: return NextOf(s, h, 1);
    case TVGN_PREVIOUS: return NextOf(s, h, -1);
    case TVGN_PARENT: return s.nodes.at(h).parent;
    case TVGN_CHILD: return s.nodes.at(h).children.empty() ? nullptr : s.nodes.at(h).children.front();
    case TVGN_NEXTVISIBLE:
    case TVGN_PREVIOUSVISIBLE: {
      auto v = Visible(s);
      auto it = std::find(v.begin(), v.end(), h);
      if (it == v.end()) return nullptr;
      if (code == TVGN_NEXTVISIBLE) return it + 1 == v.end() ? nullptr : *(it + 1);
      return it == v.begin() ? nullptr : *(it - 1);
    }
    default: return nullptr;
  }
}

HTREEITEM Insert(HWND hwnd, TreeState& s, const TVINSERTSTRUCTA* ins) {
  if (!ins) return nullptr;
  HTREEITEM parent = ins->hParent == TVI_ROOT ? nullptr : ins->hParent;
  if (parent && !Valid(s, parent)) return nullptr;
  auto& sibs = Siblings(s, parent);
  size_t at = sibs.size();
  HTREEITEM after = ins->hInsertAfter;
  Node n;
  n.parent = parent;
  const TVITEMA& it = ins->item;
  if (it.mask & TVIF_TEXT) {
    n.callback = it.pszText == LPSTR_TEXTCALLBACKA;
    if (!n.callback && it.pszText) n.text = it.pszText;
  }
  if (it.mask & TVIF_IMAGE) n.image = it.iImage;
  if (it.mask & TVIF_SELECTEDIMAGE) n.selImage = it.iSelectedImage;
  if (it.mask & TVIF_PARAM) n.param = it.lParam;
  if (it.mask & TVIF_CHILDREN) n.hasChildren = it.cChildren;
  if (it.mask & TVIF_STATE) n.state = it.state & it.stateMask & ~static_cast<UINT>(TVIS_SELECTED);
  if (after == TVI_FIRST) {
    at = 0;
  } else if (after == TVI_SORT) {
    at = 0;
    while (at < sibs.size() && _stricmp(s.nodes.at(sibs[at]).text.c_str(), n.text.c_str()) <= 0) ++at;
  } else if (after && after != TVI_LAST) {
    auto pos = std::find(sibs.begin(), sibs.end(), after);
    if (pos == sibs.end()) return nullptr;  // not a sibling
    at = static_cast<size_t>(pos - sibs.begin()) + 1;
  }
  HTREEITEM h = reinterpret_cast<HTREEITEM>(s.next);
  s.next += 4;
  s.nodes[h] = n;
  auto& list = Siblings(s, parent);
  list.insert(list.begin() + static_cast<long>(at), h);
  UpdateScroll(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
  return h;
}

}  // namespace

LRESULT CALLBACK TreeViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<TreeState>(hwnd);
  if (!s) return 0;
  switch (msg) {
    case TVM_INSERTITEMA: return reinterpret_cast<LRESULT>(Insert(hwnd, *s, reinterpret_cast<const TVINSERTSTRUCTA*>(lParam)));
    case TVM_DELETEITEM: {
      auto h = reinterpret_cast<HTREEITEM>(lParam);
      if (h == TVI_ROOT || !h) {
        auto roots = s->roots;
        for (HTREEITEM r : roots) Delete(hwnd, *s, r);
      } else if (!Valid(*s, h)) {
        return FALSE;
      } else {
        Delete(hwnd, *s, h);
      }
      if (!IsWindow(hwnd)) return TRUE;
      SetTop(hwnd, *s, s->top);
      return TRUE;
    }
    case TVM_EXPAND: return Expand(hwnd, *s, reinterpret_cast<HTREEITEM>(lParam), static_cast<UINT>(wParam)) ? TRUE : FALSE;
    case TVM_GETNEXTITEM:
      return reinterpret_cast<LRESULT>(GetNext(*s, static_cast<UINT>(wParam), reinterpret_cast<HTREEITEM>(lParam)));
    case TVM_SELECTITEM:
      if (wParam != TVGN_CARET) return wParam == TVGN_DROPHILITE || wParam == TVGN_FIRSTVISIBLE;
      return Select(hwnd, *s, reinterpret_cast<HTREEITEM>(lParam), TVC_UNKNOWN) ? TRUE : FALSE;
    case TVM_GETITEMA: {
      auto* it = reinterpret_cast<TVITEMA*>(lParam);
      if (!it || !Valid(*s, it->hItem)) return FALSE;
      Node& n = s->nodes.at(it->hItem);
      if (it->mask & TVIF_TEXT) {
        std::string t = TextOf(hwnd, *s, it->hItem);
        if (it->pszText && it->cchTextMax > 0) {
          size_t k = std::min(t.size(), static_cast<size_t>(it->cchTextMax) - 1);
          std::memcpy(it->pszText, t.data(), k);
          it->pszText[k] = 0;
        }
      }
      if (it->mask & TVIF_STATE) it->state = n.state & (it->stateMask ? it->stateMask : 0xFFFFFFFFu);
      if (it->mask & TVIF_PARAM) it->lParam = n.param;
      if (it->mask & TVIF_IMAGE) it->iImage = n.image;
      if (it->mask & TVIF_SELECTEDIMAGE) it->iSelectedImage = n.selImage;
      if (it->mask & TVIF_CHILDREN) it->cChildren = n.children.empty() ? n.hasChildren : 1;
      return TRUE;
    }
    case TVM_SETITEMA: {
      auto* it = reinterpret_cast<const TVITEMA*>(lParam);
      if (!it || !Valid(*s, it->hItem)) return FALSE;
      Node& n = s->nodes.at(it->hItem);
      if (it->mask & TVIF_TEXT) {
        n.callback = it->pszText == LPSTR_TEXTCALLBACKA;
        n.text = n.callback || !it->pszText ? "" : it->pszText;
      }
      if (it->mask & TVIF_PARAM) n.param = it->lParam;
      if (it->mask & TVIF_IMAGE) n.image = it->iImage;
      if (it->mask & TVIF_SELECTEDIMAGE) n.selImage = it->iSelectedImage;
      if (it->mask & TVIF_CHILDREN) n.hasChildren = it->cChildren;
      if (it->mask & TVIF_STATE) {
        UINT mask = it->stateMask & ~static_cast<UINT>(TVIS_SELECTED | TVIS_EXPANDED);
        n.state = (n.state & ~mask) | (it->state & mask);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TVM_GETITEMSTATE: {
      auto h = reinterpret_cast<HTREEITEM>(wParam);
      return Valid(*s, h) ? s->nodes.at(h).state & static_cast<UINT>(lParam) : 0;
    }
    case TVM_GETCOUNT: return static_cast<LRESULT>(s->nodes.size());
    case TVM_GETVISIBLECOUNT: return PerPage(hwnd);
    case TVM_GETINDENT: return s->indent;
    case TVM_SETINDENT: s->indent = std::max(8, static_cast<int>(wParam)); InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case TVM_GETITEMHEIGHT: return kItemHeight;
    case TVM_SETIMAGELIST: {
      HIMAGELIST old = s->images;
      s->images = reinterpret_cast<HIMAGELIST>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETIMAGELIST: return reinterpret_cast<LRESULT>(s->images);
    case TVM_ENSUREVISIBLE: {
      auto h = reinterpret_cast<HTREEITEM>(lParam);
      if (!Valid(*s, h)) return FALSE;
      EnsureVisible(hwnd, *s, h);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return FALSE;
      HTREEITEM h = *reinterpret_cast<HTREEITEM*>(r);
      if (!Valid(*s, h)) return FALSE;
      auto v = Visible(*s);
      auto it = std::find(v.begin(), v.end(), h);
      if (it == v.end()) return FALSE;
      *r = ItemRect(hwnd, *s, static_cast<int>(it - v.begin()));
      if (wParam) r->left = IndentOf(hwnd, *s, h);
      return TRUE;
    }
    case TVM_HITTEST: {
      auto* ht = reinterpret_cast<TVHITTESTINFO*>(lParam);
      if (!ht) return 0;
      ht->hItem = HitTest(hwnd, *s, ht->pt, &ht->flags);
      return reinterpret_cast<LRESULT>(ht->hItem);
    }
    case TVM_SORTCHILDREN: {
      auto h = reinterpret_cast<HTREEITEM>(lParam);
      if (h && h != TVI_ROOT && !Valid(*s, h)) return FALSE;
      auto& list = Siblings(*s, h == TVI_ROOT ? nullptr : h);
      std::stable_sort(list.begin(), list.end(), [&](HTREEITEM a, HTREEITEM b) {
        return _stricmp(s->nodes.at(a).text.c_str(), s->nodes.at(b).text.c_str()) < 0;
      });
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      SetFocus(hwnd);
      if (!IsWindow(hwnd)) return 0;
      UINT flags = 0;
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      HTREEITEM h = HitTest(hwnd, *s, pt, &flags);
      NMHDR nm{};
      if (SendNotify(hwnd, msg == WM_LBUTTONDOWN ? NM_CLICK : NM_RCLICK, &nm) || !IsWindow(hwnd)) return 0;
      if (!h || !Valid(*s, h)) return 0;
      if (msg == WM_LBUTTONDOWN && flags == TVHT_ONITEMBUTTON && (StyleOf(hwnd) & TVS_HASBUTTONS))
        Expand(hwnd, *s, h, TVE_TOGGLE);
      else if (flags & TVHT_ONITEMLABEL)
        Select(hwnd, *s, h, TVC_BYMOUSE);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      UINT flags = 0;
      HTREEITEM h = HitTest(hwnd, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &flags);
      NMHDR nm{};
      if (SendNotify(hwnd, NM_DBLCLK, &nm) || !IsWindow(hwnd)) return 0;
      if (h && Valid(*s, h) && (flags & TVHT_ONITEMLABEL)) Expand(hwnd, *s, h, TVE_TOGGLE);
      return 0;
    }
    case WM_KEYDOWN: {
      HTREEITEM cur = s->selected;
      if (!cur) {
        if (!s->roots.empty()) Select(hwnd, *s, s->roots.front(), TVC_BYKEYBOARD);
        return 0;
      }
      switch (wParam) {
        case VK_UP: Select(hwnd, *s, GetNext(*s, TVGN_PREVIOUSVISIBLE, cur), TVC_BYKEYBOARD); break;
        case VK_DOWN: Select(hwnd, *s, GetNext(*s, TVGN_NEXTVISIBLE, cur), TVC_BYKEYBOARD); break;
        case VK_LEFT:
          if (s->nodes.at(cur).state & TVIS_EXPANDED)
            Expand(hwnd, *s, cur, TVE_COLLAPSE);
          else if (s->nodes.at(cur).parent)
            Select(hwnd, *s, s->nodes.at(cur).parent, TVC_BYKEYBOARD);
          break;
        case VK_RIGHT:
          if (!(s->nodes.at(cur).state & TVIS_EXPANDED))
            Expand(hwnd, *s, cur, TVE_EXPAND);
          else if (!s->nodes.at(cur).children.empty())
            Select(hwnd, *s, s->nodes.at(cur).children.front(), TVC_BYKEYBOARD);
          break;
        case VK_RETURN: {
          NMHDR nm{};
          SendNotify(hwnd, NM_RETURN, &nm);
          break;
        }
        default: break;
      }
      return 0;
    }
    case WM_VSCROLL: {
      SetTop(hwnd, *s, VScrolledTop(wParam, s->top, PerPage(hwnd)));
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SIZE: SetTop(hwnd, *s, s->top); return 0;
    case WM_SETFONT: s->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_DESTROY: {
      auto roots = s->roots;
      for (HTREEITEM r : roots) Delete(hwnd, *s, r);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(hwnd, *s); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace win::user
