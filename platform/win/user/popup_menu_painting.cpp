// Tracked pop-up menus as the user sees them: a raised box of items over
// the owner's top-level window, the items on the way to the chosen command
// highlighted and their pop-ups open beside them. What lay beneath is put
// back when the menu closes, as a pop-up saving the bits under it would.
#include <algorithm>
#include <string>
#include <vector>

#include "user_internal.h"
#include "win_menus.h"

namespace win::user {
namespace {

constexpr int kCheckColumn = 20;  // check marks and the text's left margin
constexpr int kArrowColumn = 18;  // a pop-up item's arrow
constexpr int kAcceleratorGap = 24;
constexpr int kSeparatorHeight = 9;
constexpr int kFrame = 3;

struct ItemLook {
  std::string label, accelerator;  // text split at its tab
  UINT state = 0;
  bool separator = false, popup = false;
  int top = 0, height = 0;
};

struct MenuLook {
  std::vector<ItemLook> items;
  RECT box{};  // surface coordinates, frame included
};

std::string ItemText(HMENU menu, int position) {
  const int n = GetMenuStringA(menu, static_cast<UINT>(position), nullptr, 0, MF_BYPOSITION);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n) + 1, '\0');
  GetMenuStringA(menu, static_cast<UINT>(position), text.data(), n + 1, MF_BYPOSITION);
  text.resize(static_cast<size_t>(n));
  return text;
}

// Text width without the "&" that marks the underlined letter.
int TextWidth(HDC dc, const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  SIZE size{};
  GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
  return size.cx;
}

// Measures the menu and places its box with its corner at (x, y) as the
// alignment flags say, moved inside limit (the window's picture) where it
// would run off it.
MenuLook Measure(HDC dc, HMENU menu, int x, int y, UINT flags, const RECT& limit) {
  MenuLook look;
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const int rowHeight = std::max<int>(GetSystemMetrics(SM_CYMENU) - 2, tm.tmHeight + 4);
  int labels = 0, accelerators = 0, top = kFrame;
  const int count = std::max(0, GetMenuItemCount(menu));
  for (int i = 0; i < count; ++i) {
    ItemLook item;
    item.state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    item.separator = (item.state & MF_SEPARATOR) != 0;
    item.popup = GetSubMenu(menu, i) != nullptr;
    if (!item.separator) {
      const std::string text = ItemText(menu, i);
      const size_t tab = text.find('\t');
      item.label = text.substr(0, tab);
      if (tab != std::string::npos) item.accelerator = text.substr(tab + 1);
      labels = std::max(labels, TextWidth(dc, item.label));
      if (!item.accelerator.empty()) accelerators = std::max(accelerators, TextWidth(dc, item.accelerator));
    }
    item.top = top;
    item.height = item.separator ? kSeparatorHeight : rowHeight;
    top += item.height;
    look.items.push_back(item);
  }
  const int width = 2 * kFrame + kCheckColumn + labels + (accelerators ? kAcceleratorGap + accelerators : 0) +
                    kArrowColumn;
  const int height = top + kFrame;
  if (flags & TPM_RIGHTALIGN) x -= width;
  else if (flags & TPM_CENTERALIGN) x -= width / 2;
  if (flags & TPM_BOTTOMALIGN) y -= height;
  else if (flags & TPM_VCENTERALIGN) y -= height / 2;
  x = std::max<int>(limit.left, std::min<int>(x, limit.right - width));
  y = std::max<int>(limit.top, std::min<int>(y, limit.bottom - height));
  look.box = RECT{x, y, x + width, y + height};
  return look;
}

void PaintCheck(HDC dc, int x, int midY, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 2, color);
  HGDIOBJ old = SelectObject(dc, pen);
  const POINT tick[3] = {{x, midY}, {x + 3, midY + 3}, {x + 9, midY - 4}};
  Polyline(dc, tick, 3);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintArrow(HDC dc, int right, int midY, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
  const POINT arrow[3] = {{right - 12, midY - 4}, {right - 8, midY}, {right - 12, midY + 4}};
  Polygon(dc, arrow, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void Paint(HDC dc, const MenuLook& look, int highlighted) {
  RECT box = look.box;
  FillRect(dc, &box, GetSysColorBrush(COLOR_MENU));
  DrawEdge(dc, &box, EDGE_RAISED, BF_RECT);
  SetBkMode(dc, TRANSPARENT);
  const int left = box.left + kFrame, right = box.right - kFrame;
  for (size_t i = 0; i < look.items.size(); ++i) {
    const ItemLook& item = look.items[i];
    RECT row{left, box.top + item.top, right, box.top + item.top + item.height};
    if (item.separator) {
      RECT line{row.left + 1, (row.top + row.bottom) / 2 - 1, row.right - 1, (row.top + row.bottom) / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    const bool grey = (item.state & (MF_GRAYED | MF_DISABLED)) != 0;
    const bool lit = static_cast<int>(i) == highlighted;
    if (lit) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
    const COLORREF color = GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : grey ? COLOR_GRAYTEXT : COLOR_MENUTEXT);
    SetTextColor(dc, color);
    RECT text{row.left + kCheckColumn, row.top, row.right - kArrowColumn, row.bottom};
    DrawTextA(dc, item.label.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (!item.accelerator.empty())
      DrawTextA(dc, item.accelerator.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    const int mid = (row.top + row.bottom) / 2;
    if (item.state & MF_CHECKED) PaintCheck(dc, row.left + 5, mid, color);
    if (item.popup) PaintArrow(dc, row.right, mid, color);
  }
}

}  // namespace

void ShowPopupMenu(HMENU menu, const std::vector<int>& highlighted, UINT flags, POINT at, HWND owner,
                   const std::function<void()>& whileShown) {
  RECT screen{};
  HDC dc = owner ? PopupSurfaceDC(owner, &screen) : nullptr;
  if (!dc) {
    if (whileShown) whileShown();
    return;
  }
  const RECT limit{0, 0, screen.right - screen.left, screen.bottom - screen.top};
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  // The menus open, each placed first: a pop-up opens beside its item.
  std::vector<MenuLook> looks;
  HMENU current = menu;
  int x = at.x - screen.left, y = at.y - screen.top;
  UINT align = flags;
  for (size_t k = 0; current; ++k) {
    looks.push_back(Measure(dc, current, x, y, align, limit));
    const int lit = k < highlighted.size() ? highlighted[k] : -1;
    HMENU next = lit >= 0 ? GetSubMenu(current, lit) : nullptr;
    if (next) {
      const MenuLook& parent = looks.back();
      x = parent.box.right - kFrame;
      y = parent.box.top + parent.items[static_cast<size_t>(lit)].top - kFrame;
      align = 0;
      // No room on the right: the pop-up opens to the left of its menu.
      const MenuLook trial = Measure(dc, next, x, y, 0, RECT{limit.left, limit.top, 1 << 20, limit.bottom});
      if (trial.box.right > limit.right) {
        x = parent.box.left + kFrame;
        align = TPM_RIGHTALIGN;
      }
    }
    current = next;
  }
  RECT all = looks.front().box;
  for (const MenuLook& look : looks) {
    all.left = std::min(all.left, look.box.left);
    all.top = std::min(all.top, look.box.top);
    all.right = std::max(all.right, look.box.right);
    all.bottom = std::max(all.bottom, look.box.bottom);
  }
  // What lies beneath, kept to be put back.
  HDC keep = CreateCompatibleDC(dc);
  HBITMAP beneath = CreateCompatibleBitmap(dc, all.right - all.left, all.bottom - all.top);
  HGDIOBJ oldKept = SelectObject(keep, beneath);
  BitBlt(keep, 0, 0, all.right - all.left, all.bottom - all.top, dc, all.left, all.top, SRCCOPY);
  for (size_t k = 0; k < looks.size(); ++k) Paint(dc, looks[k], k < highlighted.size() ? highlighted[k] : -1);
  SelectObject(dc, oldFont);
  if (whileShown) whileShown();
  BitBlt(dc, all.left, all.top, all.right - all.left, all.bottom - all.top, keep, 0, 0, SRCCOPY);
  SelectObject(keep, oldKept);
  DeleteObject(beneath);
  DeleteDC(keep);
  DeleteDC(dc);
}

}  // namespace win::user
