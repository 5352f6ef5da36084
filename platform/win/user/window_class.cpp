// Window classes: registration, lookup and the atom table they share with
// registered messages.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "user_internal.h"
#include "waitable.h"
#include "win_threads.h"
#include "win_kernel.h"

namespace win::user {

State& S() {
  static State* state = [] {
    auto* s = new State();  // lives for the process: windows may outlive static destructors
    s->uiThread = GetCurrentThreadId();
    win::SetWorkerEndListener([] {
      auto& st = S();
      std::lock_guard<std::recursive_mutex> lock(st.mutex);
      st.wake.notify_all();
    });
    return s;
  }();
  return *state;
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && Upper(a) == Upper(b);
}

namespace {

ATOM AddAtom(const std::string& name) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  auto key = Upper(name);
  auto it = s.atoms.find(key);
  if (it != s.atoms.end()) return it->second;
  if (s.nextAtom == 0xFFFF) return 0;
  ATOM a = s.nextAtom++;
  s.atoms[key] = a;
  return a;
}

std::string AtomName(ATOM atom) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  for (auto& [name, a] : s.atoms)
    if (a == atom) return name;
  return {};
}

bool NameMatches(const WindowClass& c, LPCSTR name) {
  if (IS_INTRESOURCE(name)) return c.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
  return EqualNoCase(c.name, name);
}

void AddSystemClass(const char* name, WNDPROC proc, UINT style, int wndExtra, ATOM atom = 0) {
  auto c = std::make_shared<WindowClass>();
  c->name = name;
  c->atom = atom ? atom : AddAtom(name);
  c->style = style | CS_GLOBALCLASS;
  c->proc = proc;
  c->wndExtra = wndExtra;
  c->system = true;
  c->cursor = LoadCursorA(nullptr, IDC_ARROW);
  S().classes.push_back(c);
}

ATOM Register(const WNDCLASSEXA& wc) {
  if (!wc.lpszClassName || !wc.lpfnWndProc || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 ||
      wc.cbClsExtra > 40000 || wc.cbWndExtra > 40000) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  RegisterSystemClasses();
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  for (auto& c : s.classes) {
    if (c->system || !NameMatches(*c, wc.lpszClassName)) continue;
    if (c->instance == wc.hInstance || (c->style & CS_GLOBALCLASS)) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  auto c = std::make_shared<WindowClass>();
  c->name = IS_INTRESOURCE(wc.lpszClassName)
                ? AtomName(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(wc.lpszClassName)))
                : std::string(wc.lpszClassName);
  if (c->name.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  c->atom = AddAtom(c->name);
  c->style = wc.style;
  c->proc = wc.lpfnWndProc;
  c->clsExtra = wc.cbClsExtra;
  c->wndExtra = wc.cbWndExtra;
  c->classExtra.assign(static_cast<size_t>(wc.cbClsExtra), 0);
  c->instance = wc.hInstance;
  c->icon = wc.hIcon;
  c->iconSmall = wc.hIconSm;
  c->cursor = wc.hCursor;
  c->background = wc.hbrBackground;
  if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName)) c->menuName = wc.lpszMenuName;
  s.classes.push_back(c);
  return c->atom;
}

}  // namespace

void AddControlClass(const char* name, WNDPROC proc, UINT style) { AddSystemClass(name, proc, style, 0); }

void RegisterSystemClasses() {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  static bool done = false;
  if (done) return;
  done = true;
  AddSystemClass("Button", ButtonProc, CS_DBLCLKS | CS_PARENTDC, 0);
  AddSystemClass("Static", StaticProc, CS_DBLCLKS | CS_PARENTDC, 0);
  AddSystemClass("Edit", EditProc, CS_DBLCLKS | CS_PARENTDC, 0);
  AddSystemClass("ListBox", ListBoxProc, CS_DBLCLKS | CS_PARENTDC, 0);
  AddSystemClass("ComboBox", ComboBoxProc, CS_DBLCLKS | CS_PARENTDC, 0);
  AddSystemClass("ScrollBar", ScrollBarProc, CS_DBLCLKS | CS_PARENTDC, 0);
  RegisterCommonControlClasses();
  AddSystemClass("#32770", DialogClassProc, CS_SAVEBITS | CS_DBLCLKS, DLGWINDOWEXTRA, 0x8002);
  s.atoms["#32770"] = 0x8002;
  // Common-control classes (list and tree views, bars, tooltips ...) are
  // registered here when they arrive.
}

std::shared_ptr<WindowClass> FindClass(LPCSTR name, HINSTANCE instance) {
  if (!name) return nullptr;
  RegisterSystemClasses();
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  // The module's own classes first, then global and system classes, then
  // any class of that name (libraries here often pass another module).
  for (auto& c : s.classes)
    if (!c->system && c->instance == instance && NameMatches(*c, name)) return c;
  for (auto& c : s.classes)
    if ((c->style & CS_GLOBALCLASS) && NameMatches(*c, name)) return c;
  for (auto& c : s.classes)
    if (NameMatches(*c, name)) return c;
  return nullptr;
}

ATOM RegisterAtom(const std::string& name) { return AddAtom(name); }

}  // namespace win::user

using namespace win::user;

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXA ex{};
  ex.cbSize = sizeof ex;
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  return Register(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Register(*wc);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  auto match = [&](bool needInstance) {
    return std::find_if(s.classes.begin(), s.classes.end(), [&](auto& c) {
      return !c->system && NameMatches(*c, className) && (!needInstance || c->instance == instance);
    });
  };
  auto it = match(true);
  if (it == s.classes.end()) it = match(false);
  if (it == s.classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if ((*it)->windowCount > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  s.classes.erase(it);
  return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE instance, LPCSTR className, WNDCLASSEXA* wc) {
  auto c = FindClass(className, instance);
  if (!c || !wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  wc->style = c->style;
  wc->lpfnWndProc = c->proc;
  wc->cbClsExtra = c->clsExtra;
  wc->cbWndExtra = c->wndExtra;
  wc->hInstance = c->instance;
  wc->hIcon = c->icon;
  wc->hIconSm = c->iconSmall;
  wc->hCursor = c->cursor;
  wc->hbrBackground = c->background;
  wc->lpszMenuName = nullptr;
  wc->lpszClassName = className;
  return TRUE;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc) {
  WNDCLASSEXA ex{};
  ex.cbSize = sizeof ex;
  if (!wc || !GetClassInfoExA(instance, className, &ex)) return FALSE;
  wc->style = ex.style;
  wc->lpfnWndProc = ex.lpfnWndProc;
  wc->cbClsExtra = ex.cbClsExtra;
  wc->cbWndExtra = ex.cbWndExtra;
  wc->hInstance = ex.hInstance;
  wc->hIcon = ex.hIcon;
  wc->hCursor = ex.hCursor;
  wc->hbrBackground = ex.hbrBackground;
  wc->lpszMenuName = nullptr;
  wc->lpszClassName = className;
  return TRUE;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
  auto w = Get(hwnd);
  if (!w || !buffer || size <= 0) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  size_t n = std::min(w->cls->name.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, w->cls->name.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

ULONG_PTR GetClassLongPtrA(HWND hwnd, int index) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto& c = *w->cls;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c.background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c.icon);
    case GCLP_HICONSM: return reinterpret_cast<ULONG_PTR>(c.iconSmall);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c.instance);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c.wndExtra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(c.clsExtra);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c.proc);
    case GCL_STYLE: return c.style;
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(ULONG_PTR) <= c.classExtra.size()) {
        ULONG_PTR v;
        std::memcpy(&v, c.classExtra.data() + index, sizeof v);
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

ULONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto& c = *w->cls;
  ULONG_PTR old = GetClassLongPtrA(hwnd, index);
  switch (index) {
    case GCLP_HBRBACKGROUND: c.background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c.cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: c.icon = reinterpret_cast<HICON>(value); break;
    case GCLP_HICONSM: c.iconSmall = reinterpret_cast<HICON>(value); break;
    case GCLP_WNDPROC: c.proc = reinterpret_cast<WNDPROC>(value); break;
    case GCL_STYLE: c.style = static_cast<UINT>(value); break;
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= c.classExtra.size()) {
        std::memcpy(c.classExtra.data() + index, &value, sizeof value);
        break;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return old;
}

UINT RegisterWindowMessageA(LPCSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return RegisterAtom(name);
}
