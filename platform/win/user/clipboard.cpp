// The process's clipboard: one opener at a time, an owner, and the data by
// format, freed the way each format's data is freed.
#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "user_internal.h"
#include "win_clipboard.h"
#include "win_kernel.h"
#include "win_metafile.h"

namespace win::user {
namespace {

struct Clipboard {
  std::recursive_mutex mutex;
  bool open = false;
  HWND opener = nullptr;
  HWND owner = nullptr;
  std::map<UINT, HANDLE> data;  // format -> data; null: rendered on request
  std::vector<UINT> order;      // formats in the order they were set
  std::map<std::string, UINT> registered;
  UINT nextFormat = 0xC000;
};

Clipboard& C() {
  static auto* c = new Clipboard();
  return *c;
}

void Release(UINT format, HANDLE data) {
  if (!data) return;
  switch (format) {
    case CF_BITMAP: DeleteObject(data); break;
    case CF_ENHMETAFILE: DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data)); break;
    default: GlobalFree(data); break;
  }
}

bool ValidFormat(UINT format) {
  return format == CF_TEXT || format == CF_BITMAP || format == CF_OEMTEXT || format == CF_DIB ||
         format == CF_UNICODETEXT || format == CF_ENHMETAFILE || (format >= 0xC000 && format < C().nextFormat);
}

}  // namespace
}  // namespace win::user

using namespace win::user;

BOOL OpenClipboard(HWND owner) {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  if (owner && !Get(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (c.open && c.opener != owner) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.open = true;
  c.opener = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  c.open = false;
  c.opener = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  HWND previous = c.owner;
  if (previous && Get(previous)) Send(previous, WM_DESTROYCLIPBOARD, 0, 0);
  for (auto& [format, data] : c.data) Release(format, data);
  c.data.clear();
  c.order.clear();
  c.owner = c.opener;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (!ValidFormat(format)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto it = c.data.find(format);
  if (it != c.data.end()) {
    if (it->second != data) Release(format, it->second);
  } else {
    c.order.push_back(format);
  }
  c.data[format] = data;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  auto it = c.data.find(format);
  if (it == c.data.end()) return nullptr;
  if (!it->second && c.owner && Get(c.owner)) Send(c.owner, WM_RENDERFORMAT, format, 0);  // delayed rendering
  it = c.data.find(format);
  return it == c.data.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  return c.data.count(format) ? TRUE : FALSE;
}

int CountClipboardFormats() {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  return static_cast<int>(c.data.size());
}

UINT EnumClipboardFormats(UINT format) {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
  }
  if (format == 0) return c.order.empty() ? 0 : c.order.front();
  auto it = std::find(c.order.begin(), c.order.end(), format);
  if (it == c.order.end() || ++it == c.order.end()) return 0;
  return *it;
}

UINT RegisterClipboardFormatA(LPCSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  std::string key = Upper(name);
  auto it = c.registered.find(key);
  if (it != c.registered.end()) return it->second;
  UINT id = c.nextFormat++;
  c.registered[key] = id;
  return id;
}

HWND GetClipboardOwner() {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  return c.owner && Get(c.owner) ? c.owner : nullptr;
}

HWND GetOpenClipboardWindow() {
  auto& c = C();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  return c.open ? c.opener : nullptr;
}
