// The list view, report view: columns under a header, rows of texts with
// item states (selected, focused). With LVS_OWNERDATA the control holds
// only the count and the states; texts are asked with LVN_GETDISPINFO for
// the rows being drawn, and nothing else is asked.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "common_control_kit.h"
#include "win_crt.h"

namespace win::user {
namespace {

constexpr int kRowHeight = 16;
constexpr int kHeaderHeight = 20;
constexpr int kTextBuffer = 260;

struct Column {
  int fmt = LVCFMT_LEFT;
  int cx = 60;
  std::string text;
};

struct Cell {
  std::string text;
  bool callback = false;
};

struct Row {
  std::vector<Cell> cells;  // sub-item 0 first
  int image = 0;
  LPARAM param = 0;
  UINT state = 0;
};

struct ListState : ControlState {
  std::vector<Column> columns;
  std::vector<Row> rows;
  int ownerCount = 0;
  std::set<int> selected;  // owner data
  int focus = -1;          // owner data
  int top = 0;
  int mark = -1;
  DWORD exStyle = 0;
  COLORREF back = CLR_DEFAULT;
  HIMAGELIST small = nullptr;
  HFONT font = nullptr;
  bool redraw = true;
  HWND header = nullptr;  // the column header child of a report view
};

bool OwnerData(HWND h) { return (StyleOf(h) & LVS_OWNERDATA) != 0; }
bool Report(HWND h) { return (StyleOf(h) & LVS_TYPEMASK) == LVS_REPORT; }
int Count(HWND h, const ListState& s) { return OwnerData(h) ? s.ownerCount : static_cast<int>(s.rows.size()); }
bool ValidItem(HWND h, const ListState& s, int i) { return i >= 0 && i < Count(h, s); }
int HeaderHeight(HWND h) { return Report(h) && !(StyleOf(h) & LVS_NOCOLUMNHEADER) ? kHeaderHeight : 0; }
int PerPage(HWND h) {
  RECT c;
  GetClientRect(h, &c);
  return std::max(1, static_cast<int>(c.bottom - HeaderHeight(h)) / kRowHeight);
}

void UpdateScroll(HWND h, ListState& s) {
  if (StyleOf(h) & LVS_NOSCROLL) return;
  SetRowScroll(h, Count(h, s), PerPage(h), s.top);
}

void Invalidate(HWND h, ListState& s) {
  if (s.redraw) InvalidateRect(h, nullptr, TRUE);
}

void SetTop(HWND h, ListState& s, int top) {
  int last = std::max(0, Count(h, s) - PerPage(h));
  top = Clamp(top, 0, last);
  if (top == s.top) return;
  s.top = top;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

UINT StateOf(HWND h, const ListState& s, int i) {
  if (!ValidItem(h, s, i)) return 0;
  if (!OwnerData(h)) return s.rows[static_cast<size_t>(i)].state;
  return (s.selected.count(i) ? LVIS_SELECTED : 0) | (s.focus == i ? LVIS_FOCUSED : 0);
}

void NotifyChanged(HWND h, int i, UINT oldState, UINT newState, LPARAM param) {
  NMLISTVIEW nm{};
  nm.iItem = i;
  nm.uChanged = LVIF_STATE;
  nm.uOldState = oldState;
  nm.uNewState = newState;
  nm.lParam = param;
  SendNotify(h, LVN_ITEMCHANGED, &nm.hdr);
}

// Sets the masked state bits of one item (i >= 0) or of all (i == -1).
// Every item whose state changes is told; for owner data a change of all
// items is told once with item -1.
void SetState(HWND h, ListState& s, int i, UINT state, UINT mask) {
  mask &= LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED | 0xF000;
  if (i == -1) {
    if (OwnerData(h)) {
      bool anySel = !s.selected.empty(), anyFocus = s.focus >= 0;
      if (mask & LVIS_SELECTED) {
        if (state & LVIS_SELECTED) {
          for (int k = 0; k < s.ownerCount; ++k) s.selected.insert(k);
        } else {
          s.selected.clear();
        }
      }
      if ((mask & LVIS_FOCUSED) && !(state & LVIS_FOCUSED)) s.focus = -1;
      if (anySel || anyFocus || (state & mask)) NotifyChanged(h, -1, 0, state & mask, 0);
    } else {
      for (int k = 0; k < Count(h, s); ++k) SetState(h, s, k, state, mask);
    }
    Invalidate(h, s);
    return;
  }
  if (!ValidItem(h, s, i)) return;
  UINT before = StateOf(h, s, i);
  UINT after = (before & ~mask) | (state & mask);
  if (after == before) return;
  if ((after & LVIS_SELECTED) && !(before & LVIS_SELECTED) && (StyleOf(h) & LVS_SINGLESEL)) {
    if (OwnerData(h)) {
      std::vector<int> others(s.selected.begin(), s.selected.end());
      for (int k : others)
        if (k != i) SetState(h, s, k, 0, LVIS_SELECTED);
    } else {
      for (int k = 0; k < Count(h, s); ++k)
        if (k != i && (s.rows[static_cast<size_t>(k)].state & LVIS_SELECTED)) SetState(h, s, k, 0, LVIS_SELECTED);
    }
  }
  if ((after & LVIS_FOCUSED) && !(before & LVIS_FOCUSED)) {
    int old = -1;
    if (OwnerData(h))
      old = s.focus;
    else
      for (int k = 0; k < Count(h, s); ++k)
        if (s.rows[static_cast<size_t>(k)].state & LVIS_FOCUSED) old = k;
    if (old >= 0 && old != i) SetState(h, s, old, 0, LVIS_FOCUSED);
  }
  if (OwnerData(h)) {
    if (after & LVIS_SELECTED)
      s.selected.insert(i);
    else
      s.selected.erase(i);
    if (after & LVIS_FOCUSED)
      s.focus = i;
    else if (s.focus == i)
      s.focus = -1;
  } else {
    s.rows[static_cast<size_t>(i)].state = after;
  }
  NotifyChanged(h, i, before, after, OwnerData(h) ? 0 : s.rows[static_cast<size_t>(i)].param);
  Invalidate(h, s);
}

// A cell's text, asked of the parent for owner data and callback texts.
std::string TextOf(HWND h, ListState& s, int i, int sub, int* image = nullptr) {
  bool ask = OwnerData(h);
  if (!ask) {
    const Row& r = s.rows[static_cast<size_t>(i)];
    if (sub < static_cast<int>(r.cells.size()) && r.cells[static_cast<size_t>(sub)].callback)
      ask = true;
    else
      return sub < static_cast<int>(r.cells.size()) ? r.cells[static_cast<size_t>(sub)].text : std::string();
  }
  char buffer[kTextBuffer] = {};
  NMLVDISPINFOA di{};
  di.item.mask = LVIF_TEXT | (image && sub == 0 ? LVIF_IMAGE : 0);
  di.item.iItem = i;
  di.item.iSubItem = sub;
  di.item.pszText = buffer;
  di.item.cchTextMax = kTextBuffer;
  if (!OwnerData(h)) di.item.lParam = s.rows[static_cast<size_t>(i)].param;
  SendNotify(h, LVN_GETDISPINFOA, &di.hdr);
  if (image) *image = di.item.iImage;
  if (!di.item.pszText || di.item.pszText == LPSTR_TEXTCALLBACKA) return {};
  if (di.item.pszText == buffer) buffer[kTextBuffer - 1] = 0;
  return di.item.pszText;
}

RECT RowRect(HWND h, const ListState& s, int i) {
  RECT c;
  GetClientRect(h, &c);
  int y = HeaderHeight(h) + (i - s.top) * kRowHeight;
  int width = 0;
  for (auto& col : s.columns) width += col.cx;
  return RECT{0, y, Report(h) ? std::max<LONG>(width, 0) : c.right, y + kRowHeight};
}

int ItemAt(HWND h, const ListState& s, POINT pt) {
  if (pt.y < HeaderHeight(h)) return -1;
  int i = s.top + (pt.y - HeaderHeight(h)) / kRowHeight;
  if (!ValidItem(h, s, i)) return -1;
  RECT r = RowRect(h, s, i);
  if (pt.x >= r.right && !(s.exStyle & LVS_EX_FULLROWSELECT) && Report(h)) return -1;
  return i;
}

void EnsureVisible(HWND h, ListState& s, int i) {
  if (i < s.top)
    SetTop(h, s, i);
  else if (i >= s.top + PerPage(h))
    SetTop(h, s, i - PerPage(h) + 1);
}

void Paint(HWND h, ListState& s) {
  PaintControl(h, s.font, [&](HDC dc, const RECT& c) {
    HBRUSH back = CreateSolidBrush(s.back == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : s.back);
    FillRect(dc, &c, back);
    DeleteObject(back);
    SetBkMode(dc, TRANSPARENT);
    int header = HeaderHeight(h);  // the header child draws the captions
    int count = Count(h, s);
    int first = s.top;
    int last = std::min(count - 1, s.top + (c.bottom - header + kRowHeight - 1) / kRowHeight - 1);
    if (OwnerData(h) && last >= first) {
      NMLVCACHEHINT hint{};
      hint.iFrom = first;
      hint.iTo = last;
      SendNotify(h, LVN_ODCACHEHINT, &hint.hdr);
    }
    bool focused = GetFocus() == h;
    bool showSel = focused || (StyleOf(h) & LVS_SHOWSELALWAYS);
    std::vector<Column> cols = s.columns;
    if (cols.empty() || !Report(h)) cols = {Column{LVCFMT_LEFT, c.right, {}}};
    for (int i = first; i <= last && IsWindow(h); ++i) {
      RECT row = RowRect(h, s, i);
      UINT st = StateOf(h, s, i);
      bool sel = (st & LVIS_SELECTED) && showSel;
      int x = 0;
      for (size_t k = 0; k < cols.size(); ++k) {
        RECT cell{x, row.top, x + cols[k].cx, row.bottom};
        x += cols[k].cx;
        int image = -1;
        std::string text = TextOf(h, s, i, static_cast<int>(k), k == 0 && s.small ? &image : nullptr);
        if (!IsWindow(h)) return;
        bool hilite = sel && (k == 0 || (s.exStyle & LVS_EX_FULLROWSELECT));
        if (hilite) FillSys(dc, cell, focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        SetTextColor(dc, GetSysColor(hilite && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT t{cell.left + (k == 0 ? 2 : 6), cell.top, cell.right - 6, cell.bottom};
        if (k == 0 && s.small && image >= 0) {
          ImageList_Draw(s.small, image, dc, t.left, t.top, ILD_TRANSPARENT);
          t.left += 18;
        }
        UINT align = cols[k].fmt == LVCFMT_RIGHT ? DT_RIGHT : (cols[k].fmt == LVCFMT_CENTER ? DT_CENTER : DT_LEFT);
        DrawTextA(dc, text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | align);
      }
      if (focused && (st & LVIS_FOCUSED)) {
        RECT f = row;
        if (!(s.exStyle & LVS_EX_FULLROWSELECT)) f.right = cols[0].cx;
        DrawFocusRect(dc, &f);
      }
    }
    if ((s.exStyle & LVS_EX_GRIDLINES) && Report(h)) {
      HBRUSH grid = GetSysColorBrush(COLOR_3DLIGHT);
      int width = 0;
      for (auto& col : s.columns) {
        width += col.cx;
        RECT v{width - 1, header, width, c.bottom};
        FillRect(dc, &v, grid);
      }
      for (int y = header + kRowHeight - 1; y < c.bottom; y += kRowHeight) {
        RECT line{0, y, width, y + 1};
        FillRect(dc, &line, grid);
      }
    }
  });
}

// Keeps the header child's item at index like the column.
void SyncHeader(ListState& s, size_t index, bool insert) {
  if (!s.header || !IsWindow(s.header) || index >= s.columns.size()) return;
  const Column& c = s.columns[index];
  HDITEMA item{};
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
  item.cxy = c.cx;
  item.pszText = const_cast<char*>(c.text.c_str());
  item.fmt = HDF_STRING | (c.fmt == LVCFMT_RIGHT ? HDF_RIGHT : c.fmt == LVCFMT_CENTER ? HDF_CENTER : HDF_LEFT);
  if (!insert) {
    // Images and sort marks set on the header stay.
    HDITEMA old{};
    old.mask = HDI_FORMAT;
    Send(s.header, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&old));
    item.fmt |= old.fmt & ~(HDF_JUSTIFYMASK);
  }
  Send(s.header, insert ? HDM_INSERTITEMA : HDM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
}

void Click(HWND h, ListState& s, POINT pt, bool right, WPARAM keys) {
  SetFocus(h);
  if (!IsWindow(h)) return;
  if (!right && pt.y < HeaderHeight(h)) {
    if (StyleOf(h) & LVS_NOSORTHEADER) return;
    int x = 0;
    for (size_t k = 0; k < s.columns.size(); ++k) {
      if (pt.x >= x && pt.x < x + s.columns[k].cx) {
        NMLISTVIEW nm{};
        nm.iItem = -1;
        nm.iSubItem = static_cast<int>(k);
        SendNotify(h, LVN_COLUMNCLICK, &nm.hdr);
        return;
      }
      x += s.columns[k].cx;
    }
    return;
  }
  int i = ItemAt(h, s, pt);
  bool multi = !(StyleOf(h) & LVS_SINGLESEL);
  if (i < 0) {
    if (!right) SetState(h, s, -1, 0, LVIS_SELECTED);
  } else if (right && (StateOf(h, s, i) & LVIS_SELECTED)) {
    SetState(h, s, i, LVIS_FOCUSED, LVIS_FOCUSED);
  } else if (multi && (keys & MK_CONTROL)) {
    SetState(h, s, i, (StateOf(h, s, i) ^ LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    s.mark = i;
  } else if (multi && (keys & MK_SHIFT) && s.mark >= 0) {
    SetState(h, s, -1, 0, LVIS_SELECTED);
    for (int k = std::min(s.mark, i); k <= std::max(s.mark, i); ++k) SetState(h, s, k, LVIS_SELECTED, LVIS_SELECTED);
    SetState(h, s, i, LVIS_FOCUSED, LVIS_FOCUSED);
  } else {
    if (multi) {
      // Others lose their selection first (single selection does that itself).
      if (OwnerData(h)) {
        std::vector<int> others(s.selected.begin(), s.selected.end());
        for (int k : others)
          if (k != i) SetState(h, s, k, 0, LVIS_SELECTED);
      } else {
        for (int k = 0; k < Count(h, s); ++k)
          if (k != i) SetState(h, s, k, 0, LVIS_SELECTED);
      }
    }
    SetState(h, s, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    s.mark = i;
  }
  NMLISTVIEW nm{};
  nm.iItem = i;
  nm.ptAction = pt;
  SendNotify(h, right ? NM_RCLICK : NM_CLICK, &nm.hdr);
}

int NextItem(HWND h, const ListState& s, int start, UINT flags) {
  int count = Count(h, s);
  if (flags & LVNI_ABOVE) return start > 0 && start - 1 < count ? start - 1 : -1;
  if (flags & LVNI_BELOW) return start + 1 < count ? start + 1 : -1;
  if (OwnerData(h) && (flags & LVNI_SELECTED)) {
    auto it = s.selected.upper_bound(start);
    for (; it != s.selected.end(); ++it)
      if (!(flags & LVNI_FOCUSED) || *it == s.focus) return *it;
    return -1;
  }
  if (OwnerData(h) && (flags & LVNI_FOCUSED)) return s.focus > start ? s.focus : -1;
  for (int i = std::max(start + 1, 0); i < count; ++i) {
    UINT st = StateOf(h, s, i);
    if ((flags & LVNI_SELECTED) && !(st & LVIS_SELECTED)) continue;
    if ((flags & LVNI_FOCUSED) && !(st & LVIS_FOCUSED)) continue;
    return i;
  }
  return -1;
}

int CurrentFocus(HWND h, const ListState& s) { return NextItem(h, s, -1, LVNI_FOCUSED); }

LRESULT SetItem(HWND h, ListState& s, const LVITEMA* it) {
  if (!it || !ValidItem(h, s, it->iItem)) return FALSE;
  if (OwnerData(h)) {
    if (it->mask & LVIF_STATE) SetState(h, s, it->iItem, it->state, it->stateMask);
    return TRUE;
  }
  if (it->iSubItem < 0 || it->iSubItem >= std::max<int>(1, static_cast<int>(s.columns.size()))) return FALSE;
  Row& r = s.rows[static_cast<size_t>(it->iItem)];
  if (it->mask & LVIF_TEXT) {
    if (r.cells.size() <= static_cast<size_t>(it->iSubItem)) r.cells.resize(static_cast<size_t>(it->iSubItem) + 1);
    Cell& c = r.cells[static_cast<size_t>(it->iSubItem)];
    c.callback = it->pszText == LPSTR_TEXTCALLBACKA;
    c.text = c.callback || !it->pszText ? "" : it->pszText;
  }
  if (it->iSubItem == 0) {
    if (it->mask & LVIF_IMAGE) r.image = it->iImage;
    if (it->mask & LVIF_PARAM) r.param = it->lParam;
    if (it->mask & LVIF_STATE) SetState(h, s, it->iItem, it->state, it->stateMask);
  }
  Invalidate(h, s);
  return TRUE;
}

LRESULT GetItem(HWND h, ListState& s, LVITEMA* it) {
  if (!it || !ValidItem(h, s, it->iItem)) return FALSE;
  if (it->mask & LVIF_TEXT) {
    std::string t = TextOf(h, s, it->iItem, it->iSubItem);
    if (it->pszText && it->cchTextMax > 0) {
      size_t n = std::min(t.size(), static_cast<size_t>(it->cchTextMax) - 1);
      std::memcpy(it->pszText, t.data(), n);
      it->pszText[n] = 0;
    }
  }
  if (it->mask & LVIF_STATE) it->state = StateOf(h, s, it->iItem) & it->stateMask;
  if (!OwnerData(h)) {
    const Row& r = s.rows[static_cast<size_t>(it->iItem)];
    if (it->mask & LVIF_IMAGE) it->iImage = r.image;
    if (it->mask & LVIF_PARAM) it->lParam = r.param;
  }
  return TRUE;
}

void Keys(HWND h, ListState& s, WPARAM vk) {
  int count = Count(h, s);
  if (count == 0) return;
  int cur = CurrentFocus(h, s);
  int next = cur;
  switch (vk) {
    case VK_UP: next = cur <= 0 ? 0 : cur - 1; break;
    case VK_DOWN: next = cur < 0 ? 0 : std::min(cur + 1, count - 1); break;
    case VK_HOME: next = 0; break;
    case VK_END: next = count - 1; break;
    case VK_PRIOR: next = std::max(0, cur - PerPage(h) + 1); break;
    case VK_NEXT: next = std::min(count - 1, std::max(cur, 0) + PerPage(h) - 1); break;
    case VK_RETURN: {
      NMHDR nm{};
      SendNotify(h, NM_RETURN, &nm);
      return;
    }
    default: return;
  }
  if (!(StyleOf(h) & LVS_SINGLESEL)) {
    if (OwnerData(h)) {
      std::vector<int> others(s.selected.begin(), s.selected.end());
      for (int k : others)
        if (k != next) SetState(h, s, k, 0, LVIS_SELECTED);
    } else {
      for (int k = 0; k < count; ++k)
        if (k != next) SetState(h, s, k, 0, LVIS_SELECTED);
    }
  }
  SetState(h, s, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  s.mark = next;
  EnsureVisible(h, s, next);
}

}  // namespace

LRESULT CALLBACK ListViewProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<ListState>(h);
  if (!s) return 0;
  switch (msg) {
    case WM_CREATE: {
      if (Report(h) && !(StyleOf(h) & LVS_NOCOLUMNHEADER)) {
        RECT c;
        GetClientRect(h, &c);
        s->header = CreateWindowExA(0, WC_HEADERA, "",
                                    WS_CHILD | WS_VISIBLE | ((StyleOf(h) & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS), 0, 0,
                                    c.right, kHeaderHeight, h, nullptr, nullptr, nullptr);
      }
      UpdateScroll(h, *s);
      return 0;
    }
    case LVM_GETHEADER: return reinterpret_cast<LRESULT>(s->header);
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr && hdr->hwndFrom == s->header && hdr->code == HDN_ITEMCLICKA) {
        NMLISTVIEW nm{};
        nm.iItem = -1;
        nm.iSubItem = reinterpret_cast<NMHEADERA*>(lParam)->iItem;
        SendNotify(h, LVN_COLUMNCLICK, &nm.hdr);
      }
      return 0;
    }
    case LVM_GETITEMCOUNT: return Count(h, *s);
    case LVM_SETITEMCOUNT: {
      int count = std::max(0, static_cast<int>(wParam));
      if (!OwnerData(h)) {
        s->rows.reserve(static_cast<size_t>(count));
        return TRUE;
      }
      s->ownerCount = count;
      s->selected.erase(s->selected.lower_bound(count), s->selected.end());
      if (s->focus >= count) s->focus = -1;
      if (s->mark >= count) s->mark = -1;
      if (!(lParam & LVSICF_NOSCROLL)) s->top = Clamp(s->top, 0, std::max(0, count - PerPage(h)));
      UpdateScroll(h, *s);
      Invalidate(h, *s);
      return TRUE;
    }
    case LVM_INSERTCOLUMNA: {
      auto* col = reinterpret_cast<const LVCOLUMNA*>(lParam);
      if (!col) return -1;
      Column c;
      if (col->mask & LVCF_FMT) c.fmt = col->fmt & 3;
      if (col->mask & LVCF_WIDTH) c.cx = col->cx;
      if ((col->mask & LVCF_TEXT) && col->pszText && col->pszText != LPSTR_TEXTCALLBACKA) c.text = col->pszText;
      size_t at = std::min(wParam, s->columns.size());
      s->columns.insert(s->columns.begin() + static_cast<long>(at), c);
      SyncHeader(*s, at, true);
      for (auto& r : s->rows)
        if (at > 0 && r.cells.size() > at) r.cells.insert(r.cells.begin() + static_cast<long>(at), Cell{});
      Invalidate(h, *s);
      return static_cast<LRESULT>(at);
    }
    case LVM_SETCOLUMNA:
    case LVM_GETCOLUMNA: {
      auto* col = reinterpret_cast<LVCOLUMNA*>(lParam);
      if (!col || wParam >= s->columns.size()) return FALSE;
      Column& c = s->columns[wParam];
      if (msg == LVM_SETCOLUMNA) {
        if (col->mask & LVCF_FMT) c.fmt = col->fmt & 3;
        if (col->mask & LVCF_WIDTH) c.cx = col->cx;
        if ((col->mask & LVCF_TEXT) && col->pszText && col->pszText != LPSTR_TEXTCALLBACKA) c.text = col->pszText;
        SyncHeader(*s, wParam, false);
        Invalidate(h, *s);
      } else {
        if (col->mask & LVCF_FMT) col->fmt = c.fmt;
        if (col->mask & LVCF_WIDTH) col->cx = c.cx;
        if (col->mask & LVCF_SUBITEM) col->iSubItem = static_cast<int>(wParam);
        if ((col->mask & LVCF_TEXT) && col->pszText && col->cchTextMax > 0) {
          size_t n = std::min(c.text.size(), static_cast<size_t>(col->cchTextMax) - 1);
          std::memcpy(col->pszText, c.text.data(), n);
          col->pszText[n] = 0;
        }
      }
      return TRUE;
    }
    case LVM_DELETECOLUMN:
      if (wParam >= s->columns.size()) return FALSE;
      s->columns.erase(s->columns.begin() + static_cast<long>(wParam));
      if (s->header) Send(s->header, HDM_DELETEITEM, wParam, 0);
      for (auto& r : s->rows)
        if (r.cells.size() > wParam) r.cells.erase(r.cells.begin() + static_cast<long>(wParam));
      Invalidate(h, *s);
      return TRUE;
    case LVM_GETCOLUMNWIDTH: return wParam < s->columns.size() ? s->columns[wParam].cx : 0;
    case LVM_SETCOLUMNWIDTH: {
      if (wParam >= s->columns.size()) return FALSE;
      int cx = static_cast<SHORT>(LOWORD(lParam));
      if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, FontOrDefault(s->font));
        auto width = [&](const std::string& t) {
          SIZE sz{};
          GetTextExtentPoint32A(dc, t.c_str(), static_cast<int>(t.size()), &sz);
          return static_cast<int>(sz.cx) + 12;
        };
        int best = cx == LVSCW_AUTOSIZE_USEHEADER ? width(s->columns[wParam].text) : 0;
        int last = std::min(Count(h, *s), s->top + PerPage(h));  // measured on the rows shown
        for (int i = s->top; i < last; ++i) best = std::max(best, width(TextOf(h, *s, i, static_cast<int>(wParam))));
        SelectObject(dc, old);
        ReleaseDC(h, dc);
        cx = best;
      }
      s->columns[wParam].cx = std::max(0, cx);
      SyncHeader(*s, wParam, false);
      Invalidate(h, *s);
      return TRUE;
    }
    case LVM_INSERTITEMA: {
      auto* it = reinterpret_cast<const LVITEMA*>(lParam);
      if (!it || OwnerData(h) || it->iSubItem != 0) return -1;
      Row r;
      r.cells.resize(1);
      if (it->mask & LVIF_TEXT) {
        r.cells[0].callback = it->pszText == LPSTR_TEXTCALLBACKA;
        if (!r.cells[0].callback && it->pszText) r.cells[0].text = it->pszText;
      }
      if (it->mask & LVIF_IMAGE) r.image = it->iImage;
      if (it->mask & LVIF_PARAM) r.param = it->lParam;
      int at = Clamp(it->iItem, 0, static_cast<int>(s->rows.size()));
      DWORD style = StyleOf(h);
      if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        at = 0;
        while (at < static_cast<int>(s->rows.size())) {
          int c = _stricmp(s->rows[static_cast<size_t>(at)].cells[0].text.c_str(), r.cells[0].text.c_str());
          if ((style & LVS_SORTASCENDING) ? c > 0 : c < 0) break;
          ++at;
        }
      }
      s->rows.insert(s->rows.begin() + at, r);
      if (it->mask & LVIF_STATE) {
        s->rows[static_cast<size_t>(at)].state = 0;
        SetState(h, *s, at, it->state, it->stateMask);
      }
      NMLISTVIEW nm{};
      nm.iItem = at;
      nm.lParam = r.param;
      SendNotify(h, LVN_INSERTITEM, &nm.hdr);
      UpdateScroll(h, *s);
      Invalidate(h, *s);
      return at;
    }
    case LVM_SETITEMA: return SetItem(h, *s, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_GETITEMA: return GetItem(h, *s, reinterpret_cast<LVITEMA*>(lParam));
    case LVM_SETITEMTEXTA: {
      auto* it = reinterpret_cast<const LVITEMA*>(lParam);
      if (!it) return FALSE;
      LVITEMA copy = *it;
      copy.mask = LVIF_TEXT;
      copy.iItem = static_cast<int>(wParam);
      return SetItem(h, *s, &copy);
    }
    case LVM_GETITEMTEXTA: {
      auto* it = reinterpret_cast<LVITEMA*>(lParam);
      if (!it || !ValidItem(h, *s, static_cast<int>(wParam))) return 0;
      it->iItem = static_cast<int>(wParam);
      it->mask = LVIF_TEXT;
      GetItem(h, *s, it);
      return it->pszText ? static_cast<LRESULT>(std::strlen(it->pszText)) : 0;
    }
    case LVM_SETITEMSTATE: {
      auto* it = reinterpret_cast<const LVITEMA*>(lParam);
      int i = static_cast<int>(wParam);
      if (!it || (i != -1 && !ValidItem(h, *s, i))) return FALSE;
      SetState(h, *s, i, it->state, it->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE: return StateOf(h, *s, static_cast<int>(wParam)) & static_cast<UINT>(lParam);
    case LVM_DELETEITEM: {
      int i = static_cast<int>(wParam);
      if (OwnerData(h) || !ValidItem(h, *s, i)) return FALSE;
      NMLISTVIEW nm{};
      nm.iItem = i;
      nm.lParam = s->rows[static_cast<size_t>(i)].param;
      SendNotify(h, LVN_DELETEITEM, &nm.hdr);
      if (!IsWindow(h) || !ValidItem(h, *s, i)) return FALSE;
      s->rows.erase(s->rows.begin() + i);
      if (s->mark >= Count(h, *s)) s->mark = -1;
      s->top = Clamp(s->top, 0, std::max(0, Count(h, *s) - PerPage(h)));
      UpdateScroll(h, *s);
      Invalidate(h, *s);
      return TRUE;
    }
    case LVM_DELETEALLITEMS: {
      NMLISTVIEW nm{};
      nm.iItem = -1;
      SendNotify(h, LVN_DELETEALLITEMS, &nm.hdr);
      if (!IsWindow(h)) return FALSE;
      s->rows.clear();
      s->ownerCount = 0;
      s->selected.clear();
      s->focus = s->mark = -1;
      s->top = 0;
      UpdateScroll(h, *s);
      Invalidate(h, *s);
      return TRUE;
    }
    case LVM_GETNEXTITEM: return NextItem(h, *s, static_cast<int>(wParam), static_cast<UINT>(LOWORD(lParam)));
    case LVM_GETSELECTEDCOUNT: {
      if (OwnerData(h)) return static_cast<LRESULT>(s->selected.size());
      return std::count_if(s->rows.begin(), s->rows.end(), [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; });
    }
    case LVM_GETSELECTIONMARK: return s->mark;
    case LVM_SETSELECTIONMARK: {
      int old = s->mark;
      s->mark = ValidItem(h, *s, static_cast<int>(lParam)) ? static_cast<int>(lParam) : -1;
      return old;
    }
    case LVM_ENSUREVISIBLE:
      if (!ValidItem(h, *s, static_cast<int>(wParam))) return FALSE;
      EnsureVisible(h, *s, static_cast<int>(wParam));
      return TRUE;
    case LVM_GETTOPINDEX: return s->top;
    case LVM_GETCOUNTPERPAGE: return PerPage(h);
    case LVM_SCROLL: SetTop(h, *s, s->top + static_cast<int>(lParam) / kRowHeight); return TRUE;
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r || !ValidItem(h, *s, static_cast<int>(wParam))) return FALSE;
      RECT row = RowRect(h, *s, static_cast<int>(wParam));
      if (r->left != LVIR_BOUNDS && !s->columns.empty()) row.right = row.left + s->columns[0].cx;
      *r = row;
      return TRUE;
    }
    case LVM_HITTEST: {
      auto* ht = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!ht) return -1;
      ht->iItem = ItemAt(h, *s, ht->pt);
      ht->iSubItem = 0;
      ht->flags = ht->iItem < 0 ? LVHT_NOWHERE : LVHT_ONITEMLABEL;
      return ht->iItem;
    }
    case LVM_REDRAWITEMS:
    case LVM_UPDATE: Invalidate(h, *s); return TRUE;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = s->exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      s->exStyle = (s->exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
      Invalidate(h, *s);
      return static_cast<LRESULT>(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return static_cast<LRESULT>(s->exStyle);
    case LVM_SETIMAGELIST: {
      HIMAGELIST old = s->small;
      s->small = reinterpret_cast<HIMAGELIST>(lParam);
      Invalidate(h, *s);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST: return reinterpret_cast<LRESULT>(s->small);
    case LVM_SETBKCOLOR: s->back = static_cast<COLORREF>(lParam); Invalidate(h, *s); return TRUE;
    case LVM_SORTITEMS: {
      auto compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
      if (OwnerData(h) || !compare) return FALSE;
      std::stable_sort(s->rows.begin(), s->rows.end(),
                       [&](const Row& a, const Row& b) { return compare(a.param, b.param, static_cast<LPARAM>(wParam)) < 0; });
      Invalidate(h, *s);
      return TRUE;
    }
    case WM_SETREDRAW:
      s->redraw = wParam != 0;
      if (s->redraw) InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_VSCROLL: {
      int top = VScrolledTop(wParam, s->top, PerPage(h));
      if (LOWORD(wParam) == SB_TOP) top = 0;
      if (LOWORD(wParam) == SB_BOTTOM) top = Count(h, *s);
      SetTop(h, *s, top);
      return 0;
    }
    case WM_MOUSEWHEEL: SetTop(h, *s, s->top - 3 * static_cast<SHORT>(HIWORD(wParam)) / 120); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      Click(h, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, msg == WM_RBUTTONDOWN, wParam);
      return 0;
    case WM_LBUTTONDBLCLK: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      NMLISTVIEW nm{};
      nm.iItem = ItemAt(h, *s, pt);
      nm.ptAction = pt;
      SendNotify(h, NM_DBLCLK, &nm.hdr);
      if (nm.iItem >= 0 && IsWindow(h)) {
        NMLISTVIEW act{};
        act.iItem = nm.iItem;
        act.ptAction = pt;
        SendNotify(h, LVN_ITEMACTIVATE, &act.hdr);
      }
      return 0;
    }
    case WM_KEYDOWN: Keys(h, *s, wParam); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      NMHDR nm{};
      SendNotify(h, msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &nm);
      if (IsWindow(h)) Invalidate(h, *s);
      return 0;
    }
    case WM_SIZE:
      if (s->header && IsWindow(s->header)) {
        RECT c;
        GetClientRect(h, &c);
        MoveWindow(s->header, 0, 0, c.right, kHeaderHeight, TRUE);
      }
      s->top = Clamp(s->top, 0, std::max(0, Count(h, *s) - PerPage(h)));
      UpdateScroll(h, *s);
      return 0;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (s->header) Send(s->header, WM_SETFONT, wParam, lParam);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(h, *s); return 0;
    default: return DefWindowProcA(h, msg, wParam, lParam);
  }
}

}  // namespace win::user
