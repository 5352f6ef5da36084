// CMenu: a thin owner of a menu handle.
#include <mutex>

#include "framework_menu.h"
#include "framework_module.h"
#include "framework_wnd.h"

CMenu::~CMenu() {
  if (m_owned) DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU menu) {
  if (!menu) return nullptr;
  static std::mutex lock;
  static auto* temporaries = new std::map<HMENU, std::unique_ptr<CMenu>>();
  std::lock_guard<std::mutex> guard(lock);
  auto& slot = (*temporaries)[menu];
  if (!slot) {
    slot = std::make_unique<CMenu>();
    slot->m_hMenu = menu;
  }
  return slot.get();
}

BOOL CMenu::CreateMenu() { return Attach(::CreateMenu()); }
BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }

BOOL CMenu::LoadMenu(UINT id) { return LoadMenu(MAKEINTRESOURCEA(id)); }

BOOL CMenu::LoadMenu(LPCSTR name) {
  for (int i = 0; i < FrameworkResourceModuleCount(); ++i)
    if (HMENU m = ::LoadMenuA(reinterpret_cast<HINSTANCE>(FrameworkResourceModule(i)), name)) return Attach(m);
  return Attach(::LoadMenuA(reinterpret_cast<HINSTANCE>(FrameworkGetResourceHandle()), name));
}

BOOL CMenu::Attach(HMENU menu) {
  if (!menu || m_hMenu) return FALSE;
  m_hMenu = menu;
  m_owned = true;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU m = m_hMenu;
  m_hMenu = nullptr;
  m_owned = false;
  m_subMenus.clear();
  return m;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  BOOL ok = ::DestroyMenu(Detach());
  return ok;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, LPCSTR text) { return ::AppendMenuA(m_hMenu, flags, id, text); }
BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR id, LPCSTR text) {
  return ::InsertMenuA(m_hMenu, position, flags, id, text);
}
BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR id, LPCSTR text) {
  return ::ModifyMenuA(m_hMenu, position, flags, id, text);
}
BOOL CMenu::RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
BOOL CMenu::DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
UINT CMenu::CheckMenuItem(UINT id, UINT check) { return ::CheckMenuItem(m_hMenu, id, check); }
UINT CMenu::EnableMenuItem(UINT id, UINT enable) { return static_cast<UINT>(::EnableMenuItem(m_hMenu, id, enable)); }
UINT CMenu::GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
UINT CMenu::GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
UINT CMenu::GetMenuState(UINT id, UINT flags) const { return ::GetMenuState(m_hMenu, id, flags); }
int CMenu::GetMenuString(UINT id, LPSTR buffer, int size, UINT flags) const {
  return ::GetMenuStringA(m_hMenu, id, buffer, size, flags);
}

CMenu* CMenu::GetSubMenu(int position) const {
  HMENU sub = ::GetSubMenu(m_hMenu, position);
  if (!sub) return nullptr;
  auto& slot = m_subMenus[sub];
  if (!slot) {
    slot = std::make_unique<CMenu>();
    slot->m_hMenu = sub;  // the parent menu owns it
  }
  return slot.get();
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect) {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->m_hWnd : nullptr, rect);
}
