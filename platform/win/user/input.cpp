// Focus, activation, mouse capture, key state, the cursor and its position.
#include <algorithm>
#include <map>

#include "user_internal.h"
#include "win_kernel.h"
#include "win_script.h"

namespace win::user {

void ForgetWindow(HWND hwnd) {
  auto& s = S();
  if (s.focus == hwnd) s.focus = nullptr;
  if (s.active == hwnd) s.active = nullptr;
  if (s.capture == hwnd) s.capture = nullptr;
}

void SetFocusQuiet(HWND hwnd) { S().focus = hwnd; }

}  // namespace win::user

using namespace win::user;

HWND SetFocus(HWND hwnd) {
  auto& s = S();
  if (hwnd && !Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND old = s.focus;
  if (hwnd == old) return old;
  if (hwnd) {
    HWND root = RootOf(hwnd);
    if (root != s.active) SetActiveWindow(root);
    if (!Get(hwnd)) return nullptr;
    if (s.focus == hwnd) return old;
  }
  HWND prev = s.focus;
  s.focus = hwnd;
  if (prev && Get(prev)) Send(prev, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd && s.focus == hwnd && Get(hwnd)) Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(prev), 0);
  return old;
}

HWND GetFocus() { return S().focus; }

HWND SetActiveWindow(HWND hwnd) {
  auto& s = S();
  if (hwnd) {
    if (!Get(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    hwnd = RootOf(hwnd);
  }
  HWND old = s.active;
  if (old == hwnd) return old;
  s.active = hwnd;
  if (old && Get(old)) {
    Send(old, WM_NCACTIVATE, FALSE, 0);
    Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(hwnd));
  }
  if (s.active != hwnd) return old;
  if (hwnd) {
    {
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      auto& list = s.topLevel;
      auto it = std::find(list.begin(), list.end(), hwnd);
      if (it != list.end()) {
        list.erase(it);
        list.insert(list.begin(), hwnd);
      }
    }
    Send(hwnd, WM_NCACTIVATE, TRUE, 0);
    Send(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    if (s.active == hwnd && Get(hwnd) && (!s.focus || RootOf(s.focus) != hwnd)) SetFocus(hwnd);
  } else if (s.focus) {
    SetFocus(nullptr);
  }
  return old;
}

HWND GetActiveWindow() { return S().active; }
HWND GetForegroundWindow() { return S().active; }
BOOL SetForegroundWindow(HWND hwnd) {
  if (!Get(hwnd)) return FALSE;
  SetActiveWindow(hwnd);
  return TRUE;
}

HWND SetCapture(HWND hwnd) {
  auto& s = S();
  if (hwnd && !Get(hwnd)) return nullptr;
  HWND old = s.capture;
  if (old == hwnd) return old;
  s.capture = hwnd;
  if (old && Get(old)) Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  auto& s = S();
  HWND old = s.capture;
  s.capture = nullptr;
  if (old && Get(old)) Send(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return S().capture; }

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE k = S().keys[vk];
  return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return static_cast<SHORT>((S().asyncKeys[vk] & 0x80) ? 0x8000 : 0);
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = S().cursorPos;
  return TRUE;
}

// Only moves the position; no mouse message follows.
BOOL SetCursorPos(int x, int y) {
  auto& s = S();
  s.cursorPos.x = std::clamp(x, 0, GetSystemMetrics(SM_CXSCREEN) - 1);
  s.cursorPos.y = std::clamp(y, 0, GetSystemMetrics(SM_CYSCREEN) - 1);
  return TRUE;
}

UINT GetDoubleClickTime() { return 500; }

BOOL MessageBeep(UINT type) {
  LogBeep(type);
  return TRUE;
}

// Cursors and icons ---------------------------------------------------------------

namespace {

struct CursorObject {
  std::string name;  // "IDC_WAIT", or the resource name
  HMODULE module = nullptr;
  bool icon = false;
};

struct CursorTable {
  std::map<uintptr_t, CursorObject> objects;
  std::map<std::pair<HMODULE, std::string>, uintptr_t> shared;  // LoadCursor/LoadIcon give shared handles
  uintptr_t next = 0x40010000;
};

CursorTable& Cursors() {
  static CursorTable* t = new CursorTable();
  return *t;
}

const char* SystemCursorName(WORD id) {
  switch (id) {
    case 32512: return "IDC_ARROW";
    case 32513: return "IDC_IBEAM";
    case 32514: return "IDC_WAIT";
    case 32515: return "IDC_CROSS";
    case 32516: return "IDC_UPARROW";
    case 32640: return "IDC_SIZE";
    case 32641: return "IDC_ICON";
    case 32642: return "IDC_SIZENWSE";
    case 32643: return "IDC_SIZENESW";
    case 32644: return "IDC_SIZEWE";
    case 32645: return "IDC_SIZENS";
    case 32646: return "IDC_SIZEALL";
    case 32648: return "IDC_NO";
    case 32649: return "IDC_HAND";
    case 32650: return "IDC_APPSTARTING";
    case 32651: return "IDC_HELP";
    default: return nullptr;
  }
}

const char* SystemIconName(WORD id) {
  switch (id) {
    case 32512: return "IDI_APPLICATION";
    case 32513: return "IDI_HAND";
    case 32514: return "IDI_QUESTION";
    case 32515: return "IDI_EXCLAMATION";
    case 32516: return "IDI_ASTERISK";
    case 32517: return "IDI_WINLOGO";
    default: return nullptr;
  }
}

uintptr_t SharedHandle(HMODULE module, const std::string& name, bool icon) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  auto& t = Cursors();
  auto key = std::make_pair(module, (icon ? "i:" : "c:") + name);
  auto it = t.shared.find(key);
  if (it != t.shared.end()) return it->second;
  uintptr_t h = t.next;
  t.next += 4;
  t.objects[h] = CursorObject{name, module, icon};
  t.shared[key] = h;
  return h;
}

}  // namespace

namespace win::user {
bool HasCursorResource(HMODULE module, const win::resources::ResourceName& name);
bool HasIconResource(HMODULE module, const win::resources::ResourceName& name);
}  // namespace win::user

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  win::resources::ResourceName rn(name);
  if (!instance) {
    const char* sys = rn.name.empty() ? SystemCursorName(rn.id) : nullptr;
    if (!sys) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    return reinterpret_cast<HCURSOR>(SharedHandle(nullptr, sys, false));
  }
  if (!HasCursorResource(instance, rn)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HCURSOR>(SharedHandle(instance, rn.name.empty() ? "#" + std::to_string(rn.id) : rn.name, false));
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  win::resources::ResourceName rn(name);
  if (!instance) {
    const char* sys = rn.name.empty() ? SystemIconName(rn.id) : nullptr;
    if (!sys) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    return reinterpret_cast<HICON>(SharedHandle(nullptr, sys, true));
  }
  if (!HasIconResource(instance, rn)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HICON>(SharedHandle(instance, rn.name.empty() ? "#" + std::to_string(rn.id) : rn.name, true));
}

// Loaded cursors and icons are shared: destroying one is a no-op.
BOOL DestroyCursor(HCURSOR cursor) {
  return Cursors().objects.count(reinterpret_cast<uintptr_t>(cursor)) ? TRUE : FALSE;
}
BOOL DestroyIcon(HICON icon) { return Cursors().objects.count(reinterpret_cast<uintptr_t>(icon)) ? TRUE : FALSE; }

HCURSOR SetCursor(HCURSOR cursor) {
  auto& s = S();
  HCURSOR old = s.cursor;
  s.cursor = cursor;
  return old;
}

HCURSOR GetCursor() { return S().cursor; }

int ShowCursor(BOOL show) {
  auto& s = S();
  s.cursorShowCount += show ? 1 : -1;
  return s.cursorShowCount;
}

namespace win::script {
std::string CursorName(HCURSOR cursor) {
  auto& t = Cursors();
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(cursor));
  return it == t.objects.end() ? std::string() : it->second.name;
}
std::string CurrentCursorName() { return CursorName(S().cursor); }
}  // namespace win::script
