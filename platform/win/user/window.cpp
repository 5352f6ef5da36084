// Windows: creation and destruction, the handle table, hierarchy, window
// data, text, visibility, enabling, placement and coordinates.
#include <algorithm>
#include <cstring>

#include "user_internal.h"
#include "win_kernel.h"

namespace win::user {

std::shared_ptr<Window> Get(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  auto it = s.windows.find(hwnd);
  return it == s.windows.end() ? nullptr : it->second;
}

// Handles stay below 2^31, so that code keeping them in 32-bit fields
// works, and are never reused, so that a stale handle stays invalid.
HWND NewHandle() {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  HWND h = reinterpret_cast<HWND>(s.nextHandle);
  s.nextHandle += 4;
  return h;
}

DWORD StyleOf(HWND hwnd) {
  auto w = Get(hwnd);
  return w ? w->style : 0;
}

bool IsClass(HWND hwnd, const char* name) {
  auto w = Get(hwnd);
  return w && EqualNoCase(w->cls->name, name);
}

HWND RootOf(HWND hwnd) {
  auto w = Get(hwnd);
  while (w && (w->style & WS_CHILD) && w->parent) {
    auto p = Get(w->parent);
    if (!p) break;
    w = p;
  }
  return w ? w->handle : nullptr;
}

RECT NonClientInsets(DWORD style, DWORD exStyle) {
  RECT r{0, 0, 0, 0};
  int frame = 0;
  if (style & WS_THICKFRAME)
    frame = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    frame = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    frame = GetSystemMetrics(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE) frame += GetSystemMetrics(SM_CXEDGE);
  if (exStyle & WS_EX_STATICEDGE) frame += GetSystemMetrics(SM_CXBORDER);
  r.left = r.top = r.right = r.bottom = frame;
  if ((style & WS_CAPTION) == WS_CAPTION)
    r.top += GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  if (style & WS_VSCROLL) r.right += GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) r.bottom += GetSystemMetrics(SM_CYHSCROLL);
  return r;
}

RECT ClientRectOf(const Window& w) {
  RECT in = NonClientInsets(w.style, w.exStyle);
  LONG cw = (w.rect.right - w.rect.left) - in.left - in.right;
  LONG ch = (w.rect.bottom - w.rect.top) - in.top - in.bottom;
  return RECT{0, 0, std::max<LONG>(cw, 0), std::max<LONG>(ch, 0)};
}

POINT ClientOrigin(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) return POINT{0, 0};
  RECT in = NonClientInsets(w->style, w->exStyle);
  POINT p{w->rect.left + in.left, w->rect.top + in.top};
  if ((w->style & WS_CHILD) && w->parent) {
    POINT o = ClientOrigin(w->parent);
    p.x += o.x;
    p.y += o.y;
  }
  return p;
}

void SendSizeAndMove(HWND hwnd, bool moved, bool sized) {
  auto w = Get(hwnd);
  if (!w) return;
  if (sized) {
    RECT c = ClientRectOf(*w);
    WPARAM kind = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    Send(hwnd, WM_SIZE, kind, MAKELPARAM(c.right, c.bottom));
  }
  w = Get(hwnd);
  if (moved && w) {
    RECT in = NonClientInsets(w->style, w->exStyle);
    Send(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(w->rect.left + in.left), static_cast<WORD>(w->rect.top + in.top)));
  }
}

namespace {

std::vector<HWND>& SiblingList(Window& w) {
  auto& s = S();
  if ((w.style & WS_CHILD) && w.parent) {
    auto p = Get(w.parent);
    if (p) return p->children;
  }
  return s.topLevel;
}

void Unlink(Window& w) {
  auto& list = SiblingList(w);
  list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
}

bool InSubtree(HWND root, HWND hwnd) {
  for (auto w = Get(hwnd); w; w = (w->style & WS_CHILD) ? Get(w->parent) : nullptr)
    if (w->handle == root) return true;
  return false;
}

void MarkDestroying(Window& w) {
  w.destroying = true;
  for (HWND c : w.children)
    if (auto cw = Get(c)) MarkDestroying(*cw);
}

void SendDestroyMessages(HWND hwnd) {
  Send(hwnd, WM_DESTROY, 0, 0);
  auto w = Get(hwnd);
  if (!w) return;
  auto children = w->children;
  for (HWND c : children)
    if (Get(c)) SendDestroyMessages(c);
}

void FreeWindow(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) return;
  w->destroying = true;
  while (!w->children.empty()) {
    HWND c = w->children.front();
    if (Get(c))
      FreeWindow(c);
    else
      w->children.erase(w->children.begin());
  }
  Send(hwnd, WM_NCDESTROY, 0, 0);
  DestroyWindowMenus(*w);
  ReleaseWindowDCs(hwnd);
  DropTimersFor(hwnd);
  DropMessagesFor(hwnd);
  ForgetWindow(hwnd);
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Unlink(*w);
  w->cls->windowCount--;
  w->props.clear();
  s.windows.erase(hwnd);
}

}  // namespace

void InvalidateTree(HWND hwnd, const RECT* rect, bool erase) {
  auto w = Get(hwnd);
  if (!w) return;
  // Fields of the packed RECT are copied out before std::min/max take references.
  RECT c = ClientRectOf(*w);
  LONG l = c.left, t = c.top, r_ = c.right, b = c.bottom;
  if (rect) {
    RECT in = *rect;
    l = std::max<LONG>(LONG{in.left}, l);
    t = std::max<LONG>(LONG{in.top}, t);
    r_ = std::min<LONG>(LONG{in.right}, r_);
    b = std::min<LONG>(LONG{in.bottom}, b);
  }
  if (r_ <= l || b <= t) return;
  RECT r{l, t, r_, b};
  RECT u = w->update;
  if (u.right <= u.left || u.bottom <= u.top) {
    u = r;
  } else {
    u = RECT{std::min<LONG>(LONG{u.left}, l), std::min<LONG>(LONG{u.top}, t), std::max<LONG>(LONG{u.right}, r_),
             std::max<LONG>(LONG{u.bottom}, b)};
  }
  w->update = u;
  w->ncDirty = true;
  if (erase) w->erase = true;
  // Children share their parent's surface: what the parent repaints under
  // them has to be painted again.
  for (HWND ch : w->children) {
    auto cw = Get(ch);
    if (!cw || !(cw->style & WS_VISIBLE)) continue;
    RECT in = NonClientInsets(cw->style, cw->exStyle);
    RECT cr{r.left - cw->rect.left - in.left, r.top - cw->rect.top - in.top,
            r.right - cw->rect.left - in.left, r.bottom - cw->rect.top - in.top};
    InvalidateTree(ch, &cr, true);
  }
}

}  // namespace win::user

using namespace win::user;

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  auto cls = FindClass(className, instance);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  HWND owner = nullptr;
  if (parent == HWND_MESSAGE) parent = nullptr;
  if (style & WS_CHILD) {
    if (!Get(parent)) {
      SetLastError(parent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
  } else {
    if (parent && !Get(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    owner = parent ? RootOf(parent) : nullptr;
    if (!(style & WS_POPUP)) style |= WS_CAPTION | WS_CLIPSIBLINGS;
  }
  if (x == CW_USEDEFAULT) {
    x = (style & WS_CHILD) ? 0 : 32;
    y = (style & WS_CHILD) ? 0 : 32;
  }
  if (width == CW_USEDEFAULT) {
    width = (style & WS_CHILD) ? 0 : 640;
    height = (style & WS_CHILD) ? 0 : 480;
  }
  width = std::max(width, 0);
  height = std::max(height, 0);

  auto w = std::make_shared<Window>();
  w->handle = NewHandle();
  w->cls = cls;
  w->proc = cls->proc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->parent = (style & WS_CHILD) ? parent : nullptr;
  w->owner = owner;
  w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menu) : 0;
  if (!(style & WS_CHILD) && IsMenu(menu)) w->menu = menu;
  w->instance = instance;
  w->rect = RECT{x, y, x + width, y + height};
  w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
  HWND hwnd = w->handle;
  {
    auto& s = S();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.windows[hwnd] = w;
    cls->windowCount++;
    if (w->parent)
      Get(w->parent)->children.push_back(hwnd);
    else
      s.topLevel.insert(s.topLevel.begin(), hwnd);
  }

  CREATESTRUCTA cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  CBT_CREATEWNDA cbt{&cs, HWND_TOP};
  if (CallHooks(WH_CBT, HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt))) {
    FreeWindow(hwnd);
    return nullptr;
  }
  if (!Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (Get(hwnd)) FreeWindow(hwnd);
    return nullptr;
  }
  if (!Get(hwnd)) return nullptr;
  if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (Get(hwnd)) DestroyWindow(hwnd);
    return nullptr;
  }
  if (!Get(hwnd)) return nullptr;
  w->created = true;
  SendSizeAndMove(hwnd, true, true);
  if (w->parent && !(exStyle & WS_EX_NOPARENTNOTIFY)) {
    for (HWND p = w->parent; p;) {
      auto pw = Get(p);
      if (!pw) break;
      Send(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(w->id)), reinterpret_cast<LPARAM>(hwnd));
      if (!(pw->style & WS_CHILD) || (pw->exStyle & WS_EX_NOPARENTNOTIFY)) break;
      p = pw->parent;
    }
  }
  if (!Get(hwnd)) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(hwnd, (style & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
  return Get(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return TRUE;  // already on its way
  if (CallHooks(WH_CBT, HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0)) return FALSE;
  if ((w->style & WS_CHILD) && w->parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
    Send(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, static_cast<WORD>(w->id)), reinterpret_cast<LPARAM>(hwnd));
  if (!Get(hwnd) || w->destroying) return TRUE;
  MarkDestroying(*w);
  // Hide first: the parent repaints what the window covered.
  if (w->style & WS_VISIBLE) {
    w->style &= ~WS_VISIBLE;
    if ((w->style & WS_CHILD) && w->parent) {
      RECT area = w->rect;
      InvalidateTree(w->parent, &area, true);
    }
  }
  // Owned windows go before their owner.
  std::vector<HWND> owned;
  {
    auto& s = S();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    for (auto& [h, o] : s.windows)
      if (o->owner == hwnd && !o->destroying) owned.push_back(h);
  }
  for (HWND o : owned) DestroyWindow(o);
  // Move focus and activation away from the dying tree.
  auto& s = S();
  if (s.capture && InSubtree(hwnd, s.capture)) {
    HWND old = s.capture;
    s.capture = nullptr;
    Send(old, WM_CAPTURECHANGED, 0, 0);
  }
  if (s.focus && InSubtree(hwnd, s.focus)) {
    if ((w->style & WS_CHILD) && w->parent && !Get(w->parent)->destroying)
      SetFocus(w->parent);
    else
      SetFocus(nullptr);
  }
  if (s.active == hwnd) {
    HWND next = (w->owner && Get(w->owner) && !Get(w->owner)->destroying) ? w->owner : nullptr;
    SetActiveWindow(next);
    if (s.active == hwnd) s.active = nullptr;
  }
  SendDestroyMessages(hwnd);
  FreeWindow(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Get(hwnd) != nullptr; }

BOOL IsChild(HWND parent, HWND hwnd) {
  if (!parent || parent == hwnd) return FALSE;
  auto w = Get(hwnd);
  while (w && (w->style & WS_CHILD) && w->parent) {
    if (w->parent == parent) return TRUE;
    w = Get(w->parent);
  }
  return FALSE;
}

HWND GetParent(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w->style & WS_CHILD) return w->parent;
  if (w->style & WS_POPUP) return w->owner;
  return nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  auto w = Get(hwnd);
  if (!w || (newParent && !Get(newParent)) || hwnd == newParent || (newParent && IsChild(hwnd, newParent))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND old = (w->style & WS_CHILD) ? w->parent : GetDesktopWindow();
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  Unlink(*w);
  if (newParent && newParent != GetDesktopWindow()) {
    w->parent = newParent;
    w->style |= WS_CHILD;
    w->style &= ~WS_POPUP;
    Get(newParent)->children.insert(Get(newParent)->children.begin(), hwnd);
  } else {
    w->parent = nullptr;
    w->style &= ~WS_CHILD;
    s.topLevel.insert(s.topLevel.begin(), hwnd);
  }
  return old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  auto w = Get(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT: return (w->style & WS_CHILD) ? w->parent : GetDesktopWindow();
    case GA_ROOT: return RootOf(hwnd);
    case GA_ROOTOWNER: {
      HWND r = RootOf(hwnd);
      for (auto rw = Get(r); rw && rw->owner && Get(rw->owner); rw = Get(r)) r = RootOf(rw->owner);
      return r;
    }
    default: return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  auto& list = SiblingList(*w);
  if (list.empty()) return nullptr;
  auto it = std::find(list.begin(), list.end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST: return list.front();
    case GW_HWNDLAST: return list.back();
    case GW_HWNDNEXT: return (it == list.end() || it + 1 == list.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == list.end() || it == list.begin()) ? nullptr : *(it - 1);
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd) {
    auto& s = S();
    return s.topLevel.empty() ? nullptr : s.topLevel.front();
  }
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetDesktopWindow() {
  static HWND desktop = nullptr;
  if (desktop && Get(desktop)) return desktop;
  static bool creating = false;
  if (creating) return nullptr;
  creating = true;
  desktop = CreateWindowExA(0, "#32770", "", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                            GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, nullptr, nullptr);
  creating = false;
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (auto w = Get(desktop)) {
    Unlink(*w);  // not among the top-level windows it holds
    if (s.active == desktop) s.active = nullptr;
    if (s.focus == desktop) s.focus = nullptr;
  }
  return desktop;
}

namespace {
bool EnumTree(const std::vector<HWND>& list, WNDENUMPROC proc, LPARAM lParam, bool deep) {
  auto copy = list;
  for (HWND h : copy) {
    auto w = Get(h);
    if (!w) continue;
    if (!proc(h, lParam)) return false;
    if (deep && (w = Get(h)) && !EnumTree(w->children, proc, lParam, true)) return false;
  }
  return true;
}

bool TextMatches(HWND h, LPCSTR className, LPCSTR windowName) {
  auto w = Get(h);
  if (!w) return false;
  if (className) {
    if (IS_INTRESOURCE(className)) {
      if (w->cls->atom != static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className))) return false;
    } else if (!EqualNoCase(w->cls->name, className)) {
      return false;
    }
  }
  return !windowName || w->text == windowName;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  auto w = Get(parent);
  if (!w || !proc) return FALSE;
  EnumTree(w->children, proc, lParam, true);
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  EnumTree(S().topLevel, proc, lParam, false);
  return TRUE;
}

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
  std::vector<HWND> list;
  if (parent && parent != GetDesktopWindow()) {
    auto w = Get(parent);
    if (!w) return nullptr;
    list = w->children;
  } else {
    list = S().topLevel;
  }
  auto it = list.begin();
  if (childAfter) {
    it = std::find(list.begin(), list.end(), childAfter);
    if (it == list.end()) return nullptr;
    ++it;
  }
  for (; it != list.end(); ++it)
    if (TextMatches(*it, className, windowName)) return *it;
  return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  return FindWindowExA(nullptr, nullptr, className, windowName);
}

// Window data ---------------------------------------------------------------

namespace {

// A value of the window's extra bytes at index; false, with the last error
// set, when the window is gone or the bytes lie outside the extra bytes.
template <class T>
bool ReadExtra(const std::shared_ptr<Window>& w, int index, T* out) {
  if (!w || index < 0 || static_cast<size_t>(index) + sizeof(T) > w->extra.size()) {
    SetLastError(w ? ERROR_INVALID_INDEX : ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  std::memcpy(out, w->extra.data() + index, sizeof(T));
  return true;
}

// Stores value there, giving the one it replaces.
template <class T>
bool SwapExtra(const std::shared_ptr<Window>& w, int index, T value, T* old) {
  if (!ReadExtra(w, index, old)) return false;
  std::memcpy(w->extra.data() + index, &value, sizeof(T));
  return true;
}

}  // namespace

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    default: {
      LONG_PTR v = 0;
      return ReadExtra(w, index, &v) ? v : 0;
    }
  }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      if (!value) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      if (w->style & WS_CHILD) return reinterpret_cast<LONG_PTR>(SetParent(hwnd, reinterpret_cast<HWND>(value)));
      old = reinterpret_cast<LONG_PTR>(w->owner);
      w->owner = reinterpret_cast<HWND>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWL_STYLE: {
      old = static_cast<LONG>(w->style);
      DWORD keep = w->style & WS_VISIBLE;  // visibility changes through ShowWindow only
      w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | keep;
      return old;
    }
    case GWL_EXSTYLE:
      old = static_cast<LONG>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    default:
      return SwapExtra(w, index, value, &old) ? old : 0;
  }
}

LONG GetWindowLongA(HWND hwnd, int index) {
  if (index < 0) {
    if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT) {
      SetLastError(ERROR_INVALID_INDEX);  // pointers do not fit
      return 0;
    }
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
  }
  LONG v = 0;
  return ReadExtra(Get(hwnd), index, &v) ? v : 0;
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  if (index < 0) {
    if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, index == GWL_STYLE || index == GWL_EXSTYLE
                                                                ? static_cast<LONG_PTR>(static_cast<DWORD>(value))
                                                                : value));
  }
  LONG old = 0;
  return SwapExtra(Get(hwnd), index, value, &old) ? old : 0;
}

WORD GetWindowWord(HWND hwnd, int index) {
  WORD v = 0;
  return ReadExtra(Get(hwnd), index, &v) ? v : 0;
}

namespace {
std::string PropKey(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
  return Upper(name);
}
}  // namespace

BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data) {
  auto w = Get(hwnd);
  if (!w || !name) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  auto key = PropKey(name);
  for (auto& p : w->props)
    if (p.first == key) {
      p.second = data;
      return TRUE;
    }
  w->props.emplace_back(key, data);
  return TRUE;
}

HANDLE GetPropA(HWND hwnd, LPCSTR name) {
  auto w = Get(hwnd);
  if (!w || !name) return nullptr;
  auto key = PropKey(name);
  for (auto& p : w->props)
    if (p.first == key) return p.second;
  return nullptr;
}

HANDLE RemovePropA(HWND hwnd, LPCSTR name) {
  auto w = Get(hwnd);
  if (!w || !name) return nullptr;
  auto key = PropKey(name);
  for (auto it = w->props.begin(); it != w->props.end(); ++it)
    if (it->first == key) {
      HANDLE h = it->second;
      w->props.erase(it);
      return h;
    }
  return nullptr;
}

// Text -----------------------------------------------------------------------

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  if (!Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    if (buffer && size > 0) buffer[0] = 0;
    return 0;
  }
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  return static_cast<int>(Send(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (!Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

// Visibility and enabling ------------------------------------------------------

BOOL ShowWindow(HWND hwnd, int cmd) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool was = (w->style & WS_VISIBLE) != 0;
  bool show = cmd != SW_HIDE;
  bool sizeChanged = false;
  if (cmd == SW_MAXIMIZE || cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE ||
      cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) {
    DWORD before = w->style & (WS_MINIMIZE | WS_MAXIMIZE);
    w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    if (cmd == SW_MAXIMIZE) w->style |= WS_MAXIMIZE;
    if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE) w->style |= WS_MINIMIZE;
    sizeChanged = before != (w->style & (WS_MINIMIZE | WS_MAXIMIZE));
  }
  if (show != was) {
    Send(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!Get(hwnd)) return was;
    if (show) {
      w->style |= WS_VISIBLE;
      InvalidateTree(hwnd, nullptr, true);
    } else {
      w->style &= ~WS_VISIBLE;
      if ((w->style & WS_CHILD) && w->parent) {
      RECT area = w->rect;
      InvalidateTree(w->parent, &area, true);
    }
      auto& s = S();
      if (s.focus && (s.focus == hwnd || IsChild(hwnd, s.focus)))
        SetFocus((w->style & WS_CHILD) ? w->parent : nullptr);
      if (s.active == hwnd) SetActiveWindow(w->owner && IsWindowVisible(w->owner) ? w->owner : nullptr);
    }
  }
  if (sizeChanged) SendSizeAndMove(hwnd, false, true);
  bool activate = cmd == SW_SHOWNORMAL || cmd == SW_SHOW || cmd == SW_SHOWMAXIMIZED || cmd == SW_RESTORE ||
                  cmd == SW_SHOWDEFAULT;
  if (activate && Get(hwnd) && !(w->style & WS_CHILD)) SetActiveWindow(hwnd);
  return was;
}

BOOL IsWindowVisible(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) return FALSE;
  while (w) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!(w->style & WS_CHILD)) return TRUE;
    w = Get(w->parent);
  }
  return TRUE;
}

BOOL IsIconic(HWND hwnd) { return (StyleOf(hwnd) & WS_MINIMIZE) ? TRUE : FALSE; }
BOOL IsZoomed(HWND hwnd) { return (StyleOf(hwnd) & WS_MAXIMIZE) ? TRUE : FALSE; }

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    Send(hwnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    w->style |= WS_DISABLED;
    auto& s = S();
    if (s.focus && (s.focus == hwnd || IsChild(hwnd, s.focus))) SetFocus(nullptr);
    if (s.capture == hwnd) ReleaseCapture();
    Send(hwnd, WM_ENABLE, FALSE, 0);
  }
  if (Get(hwnd) && enable != !wasDisabled) InvalidateTree(hwnd, nullptr, true);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto w = Get(hwnd);
  return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

// Placement ---------------------------------------------------------------------

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  WINDOWPOS pos{hwnd, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
  if (flags & SWP_NOMOVE) {
    pos.x = w->rect.left;
    pos.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    pos.cx = w->rect.right - w->rect.left;
    pos.cy = w->rect.bottom - w->rect.top;
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!Get(hwnd)) return FALSE;
  }
  RECT old = w->rect;
  RECT now{pos.x, pos.y, pos.x + std::max(pos.cx, 0), pos.y + std::max(pos.cy, 0)};
  bool moved = now.left != old.left || now.top != old.top;
  bool sized = (now.right - now.left) != (old.right - old.left) || (now.bottom - now.top) != (old.bottom - old.top);
  if (!(flags & SWP_NOZORDER)) {
    auto& list = SiblingList(*w);
    HWND after = pos.hwndInsertAfter;
    if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
    if (after != HWND_NOTOPMOST || true) {
      list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
      if (after == HWND_BOTTOM) {
        list.push_back(hwnd);
      } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        list.insert(list.begin(), hwnd);
      } else {
        auto it = std::find(list.begin(), list.end(), after);
        list.insert(it == list.end() ? list.begin() : it + 1, hwnd);
      }
    }
  }
  w->rect = now;
  if ((moved || sized) && !(flags & SWP_NOREDRAW) && (w->style & WS_VISIBLE)) {
    if ((w->style & WS_CHILD) && w->parent) InvalidateTree(w->parent, &old, true);
    InvalidateTree(hwnd, nullptr, true);
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  if (!Get(hwnd)) return TRUE;
  pos.flags = flags | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE);
  Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (!(flags & SWP_NOACTIVATE) && Get(hwnd) && !(w->style & WS_CHILD) && (w->style & WS_VISIBLE))
    SetActiveWindow(hwnd);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  auto w = Get(hwnd);
  if (!w || !rect) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = w->rect;
  if ((w->style & WS_CHILD) && w->parent) {
    POINT o = ClientOrigin(w->parent);
    rect->left += o.x;
    rect->right += o.x;
    rect->top += o.y;
    rect->bottom += o.y;
  }
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  auto w = Get(hwnd);
  if (!w || !rect) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = ClientRectOf(*w);
  return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT in = NonClientInsets(style & ~(WS_VSCROLL | WS_HSCROLL), exStyle);
  rect->left -= in.left;
  rect->top -= in.top + (menu ? GetSystemMetrics(SM_CYMENU) : 0);
  rect->right += in.right;
  rect->bottom += in.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  if (!Get(hwnd) || !point) return FALSE;
  POINT o = ClientOrigin(hwnd);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  if (!Get(hwnd) || !point) return FALSE;
  POINT o = ClientOrigin(hwnd);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  if ((from && !Get(from)) || (to && !Get(to))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  POINT a = from ? ClientOrigin(from) : POINT{0, 0};
  POINT b = to ? ClientOrigin(to) : POINT{0, 0};
  LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(0);
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) {
  auto w = Get(parent);
  if (!w) return nullptr;
  RECT c = ClientRectOf(*w);
  if (point.x < c.left || point.y < c.top || point.x >= c.right || point.y >= c.bottom) return nullptr;
  for (HWND ch : w->children) {
    auto cw = Get(ch);
    if (!cw) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(cw->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (cw->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (cw->exStyle & WS_EX_TRANSPARENT)) continue;
    const RECT& r = cw->rect;
    if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) return ch;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) { return ChildWindowFromPointEx(parent, point, CWP_ALL); }

HWND WindowFromPoint(POINT point) {
  for (HWND top : S().topLevel) {
    auto w = Get(top);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    if (point.x < w->rect.left || point.x >= w->rect.right || point.y < w->rect.top || point.y >= w->rect.bottom)
      continue;
    HWND cur = top;
    for (;;) {
      POINT p = point;
      ScreenToClient(cur, &p);
      HWND next = ChildWindowFromPointEx(cur, p, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
      if (!next || next == cur) break;
      cur = next;
    }
    return cur;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

HWND GetDlgItem(HWND dialog, int id) {
  auto w = Get(dialog);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (HWND ch : w->children) {
    auto cw = Get(ch);
    if (cw && static_cast<int>(cw->id) == id) return ch;
  }
  SetLastError(1421);  // control id not found
  return nullptr;
}
