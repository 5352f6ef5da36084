// The registry of resources that libraries define in code, and the calls
// that find and load them.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "user_internal.h"
#include "win_kernel.h"

namespace win::resources {

ResourceName::ResourceName(const char* s) {
  if (!s) return;
  if (IS_INTRESOURCE(s)) {
    id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(s));
  } else if (s[0] == '#' && s[1]) {
    id = static_cast<WORD>(std::strtoul(s + 1, nullptr, 10));
  } else {
    name = s;
  }
}

bool ResourceName::operator==(const ResourceName& o) const {
  if (name.empty() != o.name.empty()) return false;
  return name.empty() ? id == o.id : win::user::EqualNoCase(name, o.name);
}

std::string ResourceName::ToString() const { return name.empty() ? std::to_string(id) : name; }

namespace {

enum class Kind { Dialog, Cursor, Icon, Bitmap, Menu };

struct Entry {
  HMODULE module;
  Kind kind;
  ResourceName name;
  DialogTemplate dialog;
  CursorResource cursor;
  IconResource icon;
  BitmapResource bitmap;
  MenuTemplate menu;
};

struct Registry {
  std::map<uintptr_t, std::shared_ptr<Entry>> entries;  // key: the HRSRC value
  std::map<std::pair<HMODULE, UINT>, std::string> strings;
  uintptr_t next = 0x50010000;
};

Registry& R() {
  static Registry* r = new Registry();
  return *r;
}

std::shared_ptr<Entry> Find(HMODULE module, Kind kind, const ResourceName& name, uintptr_t* key = nullptr) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  for (auto& [k, e] : R().entries)
    if (e->module == module && e->kind == kind && e->name == name) {
      if (key) *key = k;
      return e;
    }
  return nullptr;
}

Entry& Put(HMODULE module, Kind kind, const ResourceName& name) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  if (auto e = Find(module, kind, name)) return *e;
  auto e = std::make_shared<Entry>();
  e->module = module;
  e->kind = kind;
  e->name = name;
  auto& r = R();
  r.entries[r.next] = e;
  r.next += 4;
  return *e;
}

}  // namespace

void AddDialog(HMODULE module, const ResourceName& name, const DialogTemplate& dlg) {
  Put(module, Kind::Dialog, name).dialog = dlg;
}
void AddString(HMODULE module, UINT id, const std::string& text) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  R().strings[{module, id}] = text;
}
void AddCursor(HMODULE module, const ResourceName& name, const CursorResource& cursor) {
  Put(module, Kind::Cursor, name).cursor = cursor;
}
void AddIcon(HMODULE module, const ResourceName& name, const IconResource& icon) {
  Put(module, Kind::Icon, name).icon = icon;
}
void AddBitmap(HMODULE module, const ResourceName& name, const BitmapResource& bitmap) {
  Put(module, Kind::Bitmap, name).bitmap = bitmap;
}

void RemoveModule(HMODULE module) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  auto& r = R();
  for (auto it = r.entries.begin(); it != r.entries.end();)
    it = it->second->module == module ? r.entries.erase(it) : std::next(it);
  for (auto it = r.strings.begin(); it != r.strings.end();)
    it = it->first.first == module ? r.strings.erase(it) : std::next(it);
}

void AddMenu(HMODULE module, const ResourceName& name, const MenuTemplate& menu) {
  Put(module, Kind::Menu, name).menu = menu;
}

const MenuTemplate* FindMenu(HMODULE module, const ResourceName& name) {
  auto e = Find(module, Kind::Menu, name);
  return e ? &e->menu : nullptr;
}

const DialogTemplate* FindDialog(HMODULE module, const ResourceName& name) {
  auto e = Find(module, Kind::Dialog, name);
  return e ? &e->dialog : nullptr;
}

const BitmapResource* FindBitmap(HMODULE module, const ResourceName& name) {
  auto e = Find(module, Kind::Bitmap, name);
  return e ? &e->bitmap : nullptr;
}

const std::string* FindString(HMODULE module, UINT id) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  auto& r = R();
  auto it = r.strings.find({module, id});
  return it == r.strings.end() ? nullptr : &it->second;
}

}  // namespace win::resources

namespace win::user {
bool HasCursorResource(HMODULE module, const win::resources::ResourceName& name) {
  return win::resources::Find(module, win::resources::Kind::Cursor, name) != nullptr;
}
bool HasIconResource(HMODULE module, const win::resources::ResourceName& name) {
  return win::resources::Find(module, win::resources::Kind::Icon, name) != nullptr;
}
}  // namespace win::user

using namespace win::resources;

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  if (!buffer || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  buffer[0] = 0;
  const std::string* s = FindString(instance, id);
  if (!s) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  size_t n = std::min(s->size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, s->data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!name || !type || !IS_INTRESOURCE(type)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  Kind kind;
  switch (reinterpret_cast<ULONG_PTR>(type)) {
    case 5: kind = Kind::Dialog; break;
    case 4: kind = Kind::Menu; break;
    case 2: kind = Kind::Bitmap; break;
    case 1:
    case 12: kind = Kind::Cursor; break;
    case 3:
    case 14: kind = Kind::Icon; break;
    default: SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return nullptr;
  }
  uintptr_t key = 0;
  if (!Find(module, kind, ResourceName(name), &key)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(key);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  auto& r = R();
  if (!resource || !r.entries.count(reinterpret_cast<uintptr_t>(resource))) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(resource);
}

// Dialogs lock to their DLGTEMPLATE (DialogTemplate), bitmaps to their
// BitmapResource, cursors and icons to their records.
LPVOID LockResource(HGLOBAL data) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  auto& r = R();
  auto it = r.entries.find(reinterpret_cast<uintptr_t>(data));
  if (it == r.entries.end()) return nullptr;
  Entry& e = *it->second;
  switch (e.kind) {
    case Kind::Dialog: return &e.dialog;
    case Kind::Bitmap: return &e.bitmap;
    case Kind::Cursor: return &e.cursor;
    case Kind::Icon: return &e.icon;
    case Kind::Menu: return &e.menu;
  }
  return nullptr;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }  // nothing to free; FALSE as documented for success

DWORD SizeofResource(HMODULE, HRSRC resource) {
  std::lock_guard<std::recursive_mutex> lock(win::user::S().mutex);
  auto& r = R();
  auto it = r.entries.find(reinterpret_cast<uintptr_t>(resource));
  if (it == r.entries.end()) return 0;
  switch (it->second->kind) {
    case Kind::Dialog: return sizeof(DialogTemplate);
    case Kind::Bitmap:
      return static_cast<DWORD>(it->second->bitmap.pixels.size() * sizeof(COLORREF));
    case Kind::Cursor: return sizeof(CursorResource);
    case Kind::Icon: return sizeof(IconResource);
    case Kind::Menu: return sizeof(MenuTemplate);
  }
  return 0;
}
