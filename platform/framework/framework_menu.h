#pragma once
// The framework's menu object: owns the menu it created or was attached to
// and destroys it with itself.
#include <map>
#include <memory>

#include "framework_export.h"
#include "win/win_user.h"

class CWnd;

class FRAMEWORK_CLASS CMenu {
 public:
  HMENU m_hMenu = nullptr;

  CMenu() = default;
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  operator HMENU() const { return m_hMenu; }
  HMENU GetSafeHmenu() const { return m_hMenu; }
  // A temporary object for a menu this object does not own; it lives as long
  // as the asking object (GetSubMenu) or the process (FromHandle).
  static CMenu* FromHandle(HMENU menu);

  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  // From the current resource module of the framework's chain.
  BOOL LoadMenu(UINT id);
  BOOL LoadMenu(LPCSTR name);
  BOOL Attach(HMENU menu);
  HMENU Detach();
  BOOL DestroyMenu();

  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr);
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr);
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr);
  BOOL RemoveMenu(UINT position, UINT flags);
  BOOL DeleteMenu(UINT position, UINT flags);
  UINT CheckMenuItem(UINT id, UINT check);
  UINT EnableMenuItem(UINT id, UINT enable);
  UINT GetMenuItemCount() const;
  UINT GetMenuItemID(int position) const;
  UINT GetMenuState(UINT id, UINT flags) const;
  int GetMenuString(UINT id, LPSTR buffer, int size, UINT flags) const;
  CMenu* GetSubMenu(int position) const;
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect = nullptr);

 private:
  mutable std::map<HMENU, std::unique_ptr<CMenu>> m_subMenus;  // temporaries, not owned menus
  bool m_owned = false;
};
