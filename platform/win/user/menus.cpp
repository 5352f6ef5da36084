// Menus: the menu table, items, menu bars and system menus, menu
// resources, and tracked pop-ups answered by script.
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>

#include "user_internal.h"
#include "win_kernel.h"
#include "win_resources.h"
#include "win_script.h"

namespace win::user {
namespace {

struct MenuItem {
  UINT flags = 0;
  UINT_PTR id = 0;
  HMENU sub = nullptr;
  std::string text;
};

struct Menu {
  bool popup = false;
  std::vector<MenuItem> items;
  int defaultItem = -1;
};

struct MenuChoice {
  bool byText = false;
  UINT id = 0;
  std::string text;
  bool dismiss = false;
};

struct MenuState {
  std::map<uintptr_t, std::shared_ptr<Menu>> menus;
  uintptr_t next = 0x30010;
  std::deque<MenuChoice> choices;
  std::deque<std::function<void()>> whileShown;
  std::vector<win::script::MenuRecord> log;
};

MenuState& M() {
  static MenuState* m = new MenuState();
  return *m;
}

std::shared_ptr<Menu> MenuOf(HMENU h) {
  std::lock_guard<std::recursive_mutex> lock(S().mutex);
  auto& m = M();
  auto it = m.menus.find(reinterpret_cast<uintptr_t>(h));
  if (it == m.menus.end()) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
  }
  return it->second;
}

HMENU NewMenu(bool popup) {
  std::lock_guard<std::recursive_mutex> lock(S().mutex);
  auto& m = M();
  auto menu = std::make_shared<Menu>();
  menu->popup = popup;
  uintptr_t value = m.next;
  m.next += 4;
  m.menus[value] = menu;
  return reinterpret_cast<HMENU>(value);
}

// The menu and index an item is found at: by position in this menu, or by
// command anywhere below it (pop-ups searched depth first).
bool Locate(HMENU h, UINT item, UINT flags, std::shared_ptr<Menu>* owner, size_t* index) {
  auto menu = MenuOf(h);
  if (!menu) return false;
  if (flags & MF_BYPOSITION) {
    if (item >= menu->items.size()) return false;
    *owner = menu;
    *index = item;
    return true;
  }
  for (size_t i = 0; i < menu->items.size(); ++i) {
    const auto& it = menu->items[i];
    if (!(it.flags & MF_POPUP) && !(it.flags & MF_SEPARATOR) && it.id == item) {
      *owner = menu;
      *index = i;
      return true;
    }
  }
  for (auto& it : menu->items)
    if ((it.flags & MF_POPUP) && Locate(it.sub, item, flags, owner, index)) return true;
  // A pop-up is found by command through its handle.
  for (size_t i = 0; i < menu->items.size(); ++i)
    if ((menu->items[i].flags & MF_POPUP) && reinterpret_cast<UINT_PTR>(menu->items[i].sub) == item) {
      *owner = menu;
      *index = i;
      return true;
    }
  return false;
}

constexpr UINT kKeptFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW |
                            MF_MENUBARBREAK | MF_MENUBREAK | MF_DEFAULT | MF_RIGHTJUSTIFY | MF_HILITE;

bool MakeItem(UINT flags, UINT_PTR item, LPCSTR text, MenuItem* out) {
  MenuItem m;
  m.flags = flags & kKeptFlags & ~MF_DEFAULT;
  if (flags & MF_POPUP) {
    auto sub = MenuOf(reinterpret_cast<HMENU>(item));
    if (!sub) return false;
    m.sub = reinterpret_cast<HMENU>(item);
  } else if (!(flags & MF_SEPARATOR)) {
    m.id = item;
  }
  if (!(flags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) && text) m.text = text;
  *out = m;
  return true;
}

void DestroyTree(HMENU h) {
  auto menu = MenuOf(h);
  if (!menu) return;
  {
    std::lock_guard<std::recursive_mutex> lock(S().mutex);
    M().menus.erase(reinterpret_cast<uintptr_t>(h));
  }
  for (auto& it : menu->items)
    if (it.flags & MF_POPUP) DestroyTree(it.sub);
}

HMENU Build(const std::vector<win::resources::MenuItemTemplate>& items, bool popup) {
  HMENU h = NewMenu(popup);
  for (auto& t : items) {
    if (!t.items.empty() || (t.flags & MF_POPUP)) {
      HMENU sub = Build(t.items, true);
      AppendMenuA(h, (t.flags & ~MF_SEPARATOR) | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), t.text.c_str());
    } else {
      AppendMenuA(h, t.flags, t.id, t.text.c_str());
    }
  }
  return h;
}

std::string NoAmp(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && i + 1 < s.size()) ++i;
    r += s[i];
  }
  return r;
}

void Record(HMENU h, int depth, std::vector<win::script::MenuItemRecord>* out) {
  auto menu = MenuOf(h);
  if (!menu) return;
  for (auto& it : menu->items) {
    win::script::MenuItemRecord r;
    r.id = static_cast<UINT>(it.id);
    r.text = NoAmp(it.text);
    r.depth = depth;
    r.separator = (it.flags & MF_SEPARATOR) != 0;
    r.popup = (it.flags & MF_POPUP) != 0;
    r.checked = (it.flags & MF_CHECKED) != 0;
    r.enabled = !(it.flags & (MF_GRAYED | MF_DISABLED));
    out->push_back(r);
    if (r.popup) Record(it.sub, depth + 1, out);
  }
}

// The pop-ups leading from h to the chosen item (h first), and the item.
bool Path(HMENU h, const MenuChoice& c, std::vector<HMENU>* path, MenuItem* found) {
  auto menu = MenuOf(h);
  if (!menu) return false;
  path->push_back(h);
  for (auto& it : menu->items) {
    bool match = c.byText ? (!it.text.empty() && EqualNoCase(NoAmp(it.text), NoAmp(c.text)))
                          : (!(it.flags & (MF_POPUP | MF_SEPARATOR)) && it.id == c.id);
    if (match) {
      *found = it;
      return true;
    }
    if ((it.flags & MF_POPUP) && Path(it.sub, c, path, found)) return true;
  }
  path->pop_back();
  return false;
}

// The position of each item highlighted on the way: the pop-up items of
// path leading on, then the chosen item.
std::vector<int> Highlighted(const std::vector<HMENU>& path, const MenuChoice& c) {
  std::vector<int> out;
  for (size_t k = 0; k < path.size(); ++k) {
    auto menu = MenuOf(path[k]);
    if (!menu) break;
    int at = -1;
    for (size_t i = 0; i < menu->items.size() && at < 0; ++i) {
      const MenuItem& it = menu->items[i];
      const bool match =
          k + 1 < path.size()
              ? (it.flags & MF_POPUP) && it.sub == path[k + 1]
              : c.byText ? (!it.text.empty() && EqualNoCase(NoAmp(it.text), NoAmp(c.text)))
                         : (!(it.flags & (MF_POPUP | MF_SEPARATOR)) && it.id == c.id);
      if (match) at = static_cast<int>(i);
    }
    out.push_back(at);
  }
  return out;
}

}  // namespace

void DestroyWindowMenus(Window& w) {
  if (w.menu) DestroyTree(w.menu);
  if (w.systemMenu) DestroyTree(w.systemMenu);
  w.menu = nullptr;
  w.systemMenu = nullptr;
}

void PaintMenuBar(HMENU h, HDC dc, const RECT& bar) {
  FillRect(dc, &bar, GetSysColorBrush(COLOR_MENU));
  auto menu = MenuOf(h);
  if (!menu) return;
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  int x = bar.left + 6;
  for (auto& it : menu->items) {
    if (it.flags & MF_SEPARATOR) continue;
    SIZE size{};
    std::string shown = NoAmp(it.text);
    GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    RECT r{x, bar.top, x + size.cx + 12, bar.bottom};
    SetTextColor(dc, GetSysColor((it.flags & (MF_GRAYED | MF_DISABLED)) ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    DrawTextA(dc, it.text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    x = r.right;
  }
  SelectObject(dc, old);
}

void ResetMenuScript() {
  auto& m = M();
  m.choices.clear();
  m.whileShown.clear();
  m.log.clear();
}

}  // namespace win::user

using namespace win::user;

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu) {
  if (!MenuOf(menu)) return FALSE;
  DestroyTree(menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  std::lock_guard<std::recursive_mutex> lock(S().mutex);
  return M().menus.count(reinterpret_cast<uintptr_t>(menu)) ? TRUE : FALSE;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR item, LPCSTR text) {
  auto m = MenuOf(menu);
  MenuItem it;
  if (!m || !MakeItem(flags, item, text, &it)) return FALSE;
  m->items.push_back(it);
  return TRUE;
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCSTR text) {
  auto m = MenuOf(menu);
  MenuItem it;
  if (!m || !MakeItem(flags, item, text, &it)) return FALSE;
  if ((flags & MF_BYPOSITION) && position >= m->items.size()) {
    m->items.push_back(it);  // past the end: appended
    return TRUE;
  }
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, position, flags, &owner, &index)) return FALSE;
  owner->items.insert(owner->items.begin() + static_cast<long>(index), it);
  return TRUE;
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCSTR text) {
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  MenuItem it;
  if (!Locate(menu, position, flags, &owner, &index) || !MakeItem(flags, item, text, &it)) return FALSE;
  MenuItem& old = owner->items[index];
  if ((old.flags & MF_POPUP) && old.sub != it.sub) DestroyTree(old.sub);
  old = it;
  return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, position, flags, &owner, &index)) return FALSE;
  owner->items.erase(owner->items.begin() + static_cast<long>(index));
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, position, flags, &owner, &index)) return FALSE;
  MenuItem it = owner->items[index];
  owner->items.erase(owner->items.begin() + static_cast<long>(index));
  if (it.flags & MF_POPUP) DestroyTree(it.sub);
  return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, item, check, &owner, &index)) return static_cast<DWORD>(-1);
  UINT& f = owner->items[index].flags;
  DWORD previous = f & MF_CHECKED;
  f = (f & ~MF_CHECKED) | (check & MF_CHECKED);
  return previous;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, item, enable, &owner, &index)) return -1;
  UINT& f = owner->items[index].flags;
  BOOL previous = static_cast<BOOL>(f & (MF_GRAYED | MF_DISABLED));
  f = (f & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return previous;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  std::shared_ptr<Menu> owner;
  size_t a = 0, b = 0, c = 0;
  std::shared_ptr<Menu> o2, o3;
  if (!Locate(menu, first, flags, &owner, &a) || !Locate(menu, last, flags, &o2, &b) ||
      !Locate(menu, check, flags, &o3, &c) || owner != o2 || owner != o3 || a > b || c < a || c > b)
    return FALSE;
  for (size_t i = a; i <= b; ++i) {
    UINT& f = owner->items[i].flags;
    f = i == c ? (f | MF_CHECKED) : (f & ~MF_CHECKED);
  }
  return TRUE;
}

int GetMenuItemCount(HMENU menu) {
  auto m = MenuOf(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  auto m = MenuOf(menu);
  if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return static_cast<UINT>(-1);
  const auto& it = m->items[static_cast<size_t>(position)];
  return (it.flags & MF_POPUP) ? static_cast<UINT>(-1) : static_cast<UINT>(it.id);
}

HMENU GetSubMenu(HMENU menu, int position) {
  auto m = MenuOf(menu);
  if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
  const auto& it = m->items[static_cast<size_t>(position)];
  return (it.flags & MF_POPUP) ? it.sub : nullptr;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, item, flags, &owner, &index)) return static_cast<UINT>(-1);
  const auto& it = owner->items[index];
  UINT state = it.flags & ~MF_POPUP;
  if (owner->defaultItem == static_cast<int>(index)) state |= MF_DEFAULT;
  if (it.flags & MF_POPUP) state = (state & 0xFF) | MF_POPUP | (static_cast<UINT>(GetMenuItemCount(it.sub)) << 8);
  return state;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, item, flags, &owner, &index)) return 0;
  const std::string& t = owner->items[index].text;
  if (!buffer || size <= 0) return static_cast<int>(t.size());
  size_t n = std::min(t.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, t.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
  auto m = MenuOf(menu);
  if (!m) return FALSE;
  if (item == static_cast<UINT>(-1)) {
    m->defaultItem = -1;
    return TRUE;
  }
  std::shared_ptr<Menu> owner;
  size_t index = 0;
  if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &owner, &index) || owner != m) return FALSE;
  m->defaultItem = static_cast<int>(index);
  return TRUE;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  auto w = Get(hwnd);
  if (!w || (w->style & WS_CHILD)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (menu && !MenuOf(menu)) return FALSE;
  bool changed = (w->menu != nullptr) != (menu != nullptr);
  w->menu = menu;  // the old bar goes back to the caller
  if (changed) SendSizeAndMove(hwnd, false, true);  // the bar takes client space
  SetNonClientDirty(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
  return TRUE;
}

HMENU GetMenu(HWND hwnd) {
  auto w = Get(hwnd);
  return w && !(w->style & WS_CHILD) ? w->menu : nullptr;
}

BOOL DrawMenuBar(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  SetNonClientDirty(hwnd);
  return TRUE;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  auto w = Get(hwnd);
  if (!w) return nullptr;
  if (revert) {
    if (w->systemMenu) DestroyTree(w->systemMenu);
    w->systemMenu = nullptr;
    return nullptr;
  }
  if (!w->systemMenu) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenuA(m, MF_STRING, SC_MOVE, "&Move");
    AppendMenuA(m, MF_STRING, SC_SIZE, "&Size");
    AppendMenuA(m, MF_STRING, SC_MINIMIZE, "Mi&nimize");
    AppendMenuA(m, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    w->systemMenu = m;
  }
  return w->systemMenu;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (!MenuOf(menu)) return FALSE;
  if (!Get(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    Send(owner, WM_ENTERMENULOOP, TRUE, 0);
    Send(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
  }
  auto& m = M();
  MenuChoice choice;
  bool answered = false;
  if (!m.choices.empty()) {
    choice = m.choices.front();
    m.choices.pop_front();
    answered = true;
  }
  UINT chosen = 0;
  bool refused = false;
  std::vector<HMENU> path;
  MenuItem found;
  if (answered && !choice.dismiss && IsMenu(menu) && Path(menu, choice, &path, &found)) {
    // Pop-ups on the way open, and their owners prepare them.
    for (size_t i = 1; i < path.size() && notify && Get(owner); ++i)
      Send(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(path[i]), MAKELPARAM(0, FALSE));
    path.clear();
    if (IsMenu(menu)) Path(menu, choice, &path, &found);  // states may have changed
    if (found.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP))
      refused = true;
    else
      chosen = static_cast<UINT>(found.id);
  } else if (answered && !choice.dismiss) {
    refused = true;
  }
  // The menu shows over its owner's window while the user picks from it.
  std::function<void()> whileShown;
  if (!m.whileShown.empty()) {
    whileShown = std::move(m.whileShown.front());
    m.whileShown.pop_front();
  }
  if (IsMenu(menu) && Get(owner))
    ShowPopupMenu(menu, Highlighted(path, choice), flags, POINT{x, y}, owner, whileShown);
  else if (whileShown)
    whileShown();
  win::script::MenuRecord rec;
  rec.owner = owner;
  rec.at = POINT{x, y};
  rec.flags = flags;
  Record(menu, 0, &rec.items);
  rec.chosen = chosen;
  rec.answered = answered;
  rec.refused = refused;
  m.log.push_back(rec);
  if (notify && Get(owner)) Send(owner, WM_EXITMENULOOP, TRUE, 0);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (!chosen) return FALSE;
  if (Get(owner)) Post(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
  return TRUE;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const void*) {
  return TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name) {
  const auto* t = win::resources::FindMenu(instance, win::resources::ResourceName(name));
  if (!t) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return Build(t->items, false);
}

namespace win::script {

void ChooseNextMenuItem(UINT id) {
  MenuChoice c;
  c.id = id;
  M().choices.push_back(c);
}

void ChooseNextMenuText(const std::string& text) {
  MenuChoice c;
  c.byText = true;
  c.text = text;
  M().choices.push_back(c);
}

void WhileNextMenuShown(std::function<void()> script) { M().whileShown.push_back(std::move(script)); }

void DismissNextMenu() {
  MenuChoice c;
  c.dismiss = true;
  M().choices.push_back(c);
}

std::vector<MenuRecord> MenuLog() { return M().log; }

bool PickMenuCommand(HWND window, UINT id) {
  HMENU bar = GetMenu(window);
  if (!bar) return false;
  MenuChoice c;
  c.id = id;
  std::vector<HMENU> path;
  MenuItem found;
  if (!Path(bar, c, &path, &found)) return false;
  Send(window, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
  for (size_t i = 1; i < path.size() && Get(window); ++i)
    Send(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(path[i]), MAKELPARAM(i - 1, FALSE));
  path.clear();
  if (!Get(window) || !Path(bar, c, &path, &found) || (found.flags & (MF_GRAYED | MF_DISABLED))) return false;
  Post(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  PumpUntilIdle();
  return true;
}

}  // namespace win::script
