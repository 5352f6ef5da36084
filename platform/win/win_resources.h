#pragma once
// Resources defined in code. Each library registers its dialog templates,
// string tables, cursors, icons and bitmaps under its own module handle
// (usually from its load routine) and removes them when it unloads. The
// user calls (DialogBoxParamA, LoadStringA, LoadCursorA, FindResourceA ...)
// find them by module and by numeric id or name, as they would in a
// module's resource section.
//
// Dialog sizes are in dialog units. The dialog font is fixed (8-point
// "MS Sans Serif"), whose base units are 6 x 13 pixels: x pixels =
// dlu * 6 / 4, y pixels = dlu * 13 / 8.
#include <string>
#include <vector>
#include "win_types.h"
#include "win_export.h"
#include "win_user.h"

namespace win::resources {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// A resource name: a 16-bit id or a case-insensitive text.
struct WIN_CLASS ResourceName {
  WORD id = 0;
  std::string name;
  ResourceName() = default;
  ResourceName(int i) : id(static_cast<WORD>(i)) {}
  ResourceName(const char* s);  // MAKEINTRESOURCE values, "#123" and names
  ResourceName(const std::string& s) : ResourceName(s.c_str()) {}
  bool operator==(const ResourceName& o) const;
  std::string ToString() const;  // "123" or the name
};

struct DialogItem {
  int id = 0;
  std::string className;  // "Button", "Edit", "Static", "ListBox", "ComboBox", "ScrollBar" or registered
  std::string text;
  DWORD style = 0;        // WS_CHILD is implied
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct DialogTemplate {
  std::string caption;
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  DWORD exStyle = 0;
  std::string fontName = "MS Sans Serif";
  int pointSize = 8;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units; cx, cy: client size
  std::string className;                // empty: the dialog class
  std::vector<DialogItem> items;
};

struct CursorResource {
  int width = 32, height = 32;
  POINT hotSpot{0, 0};
};

struct IconResource {
  int width = 32, height = 32;
};

// Pixels as COLORREF, row by row from the top.
struct BitmapResource {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
};

// A menu item: a command (id and text), a separator (MF_SEPARATOR) or a
// pop-up (items not empty); flags may add MF_CHECKED, MF_GRAYED ...
struct MenuItemTemplate {
  UINT id = 0;
  std::string text;
  UINT flags = 0;
  std::vector<MenuItemTemplate> items;
};
// A menu resource: the items of its bar (usually pop-ups).
struct MenuTemplate {
  std::vector<MenuItemTemplate> items;
};

WIN_CLASS void AddMenu(HMODULE module, const ResourceName& name, const MenuTemplate& menu);
WIN_CLASS const MenuTemplate* FindMenu(HMODULE module, const ResourceName& name);
WIN_CLASS void AddDialog(HMODULE module, const ResourceName& name, const DialogTemplate& dlg);
WIN_CLASS void AddString(HMODULE module, UINT id, const std::string& text);
WIN_CLASS void AddCursor(HMODULE module, const ResourceName& name, const CursorResource& cursor = {});
WIN_CLASS void AddIcon(HMODULE module, const ResourceName& name, const IconResource& icon = {});
WIN_CLASS void AddBitmap(HMODULE module, const ResourceName& name, const BitmapResource& bitmap);
// Removes everything a module registered (its unload).
WIN_CLASS void RemoveModule(HMODULE module);

// Lookups; null when the module holds no such resource.
WIN_CLASS const DialogTemplate* FindDialog(HMODULE module, const ResourceName& name);
WIN_CLASS const BitmapResource* FindBitmap(HMODULE module, const ResourceName& name);
WIN_CLASS const std::string* FindString(HMODULE module, UINT id);

}  // namespace win::resources
