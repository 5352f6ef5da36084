// Messages: synchronous sends, the posted-message queue, the pump calls,
// keyboard translation, the default window procedure, hooks and the
// bookkeeping of invalid areas that produces WM_PAINT.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "user_internal.h"
#include "win_gdi.h"
#include "win_kernel.h"
#include "waitable.h"
#include "win_threads.h"

namespace win::user {

namespace {

// A worker's send waits until the window's thread has handled it.
LRESULT SendFromWorker(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  auto sent = std::make_shared<SentMessage>();
  sent->msg.hwnd = hwnd;
  sent->msg.message = msg;
  sent->msg.wParam = wParam;
  sent->msg.lParam = lParam;
  std::unique_lock<std::recursive_mutex> lock(s.mutex);
  s.sent.push_back(sent);
  s.wake.notify_all();
  s.wake.wait(lock, [&] { return sent->done; });
  return sent->result;
}

}  // namespace

bool HandleSentMessages() {
  auto& s = S();
  if (GetCurrentThreadId() != s.uiThread) return false;
  bool any = false;
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      if (s.sent.empty()) return any;
      sent = s.sent.front();
      s.sent.pop_front();
    }
    LRESULT r = Send(sent->msg.hwnd, sent->msg.message, sent->msg.wParam, sent->msg.lParam);
    {
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      sent->result = r;
      sent->done = true;
      s.wake.notify_all();
    }
    any = true;
  }
}

bool WaitForWorkers() {
  auto& s = S();
  if (GetCurrentThreadId() != s.uiThread) return false;
  std::unique_lock<std::recursive_mutex> lock(s.mutex);
  auto arrived = [&] { return !s.queue.empty() || !s.sent.empty() || s.quitPosted; };
  if (arrived()) return true;
  if (win::LiveWorkerThreads() == 0) return false;
  s.wake.wait(lock, [&] { return arrived() || win::LiveWorkerThreads() == 0; });
  return arrived();
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Get(hwnd);  // keeps the record alive while its procedure runs
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (GetCurrentThreadId() != S().uiThread) {
    w.reset();
    return SendFromWorker(hwnd, msg, wParam, lParam);
  }
  WNDPROC proc = w->proc;
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

void Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, int vk, bool down) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  QueuedMessage q;
  q.msg.hwnd = hwnd;
  q.msg.message = msg;
  q.msg.wParam = wParam;
  q.msg.lParam = lParam;
  q.msg.time = static_cast<DWORD>(s.clock);
  q.msg.pt = s.cursorPos;
  q.vk = vk;
  q.down = down;
  s.queue.push_back(q);
  s.wake.notify_all();
}

void DropMessagesFor(HWND hwnd) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(), [&](auto& q) { return q.msg.hwnd == hwnd; }),
                s.queue.end());
}

void NotifyParent(HWND control, UINT code) {
  auto w = Get(control);
  if (!w || !(w->style & WS_CHILD) || !w->parent) return;
  Send(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), static_cast<WORD>(code)),
       reinterpret_cast<LPARAM>(control));
}

void ApplyKeyChange(int vk, bool down) {
  if (vk < 0 || vk > 255) return;
  auto& s = S();
  BYTE& k = s.keys[vk];
  if (down) {
    if (!(k & 0x80)) k ^= 0x01;  // toggles on each press
    k |= 0x80;
  } else {
    k &= static_cast<BYTE>(~0x80);
  }
  // The side-neutral keys follow their sides.
  auto merge = [&](int both, int l, int r) {
    BYTE& b = s.keys[both];
    if (vk != l && vk != r) return;
    if ((s.keys[l] | s.keys[r]) & 0x80) {
      if (!(b & 0x80)) b ^= 0x01;
      b |= 0x80;
    } else {
      b &= static_cast<BYTE>(~0x80);
    }
  };
  merge(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  merge(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  merge(VK_MENU, VK_LMENU, VK_RMENU);
}

LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  for (auto& h : s.hooks)
    if (h.type == type) return h.proc(code, wParam, lParam);
  return 0;
}

bool RunIdleHooks() {
  CallHooks(WH_FOREGROUNDIDLE, 0, 0, 0);
  return true;
}

namespace {

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool FindPaintIn(const std::vector<HWND>& list, MSG* msg, HWND filter) {
  for (HWND h : list) {
    auto w = Get(h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    if (!Empty(w->update) && (!filter || filter == h || IsChild(filter, h))) {
      msg->hwnd = h;
      msg->message = WM_PAINT;
      msg->wParam = 0;
      msg->lParam = 0;
      return true;
    }
    if (FindPaintIn(w->children, msg, filter)) return true;
  }
  return false;
}

bool Matches(const MSG& m, HWND filter, UINT lo, UINT hi) {
  if (filter == reinterpret_cast<HWND>(-1)) {
    if (m.hwnd) return false;
  } else if (filter && m.hwnd != filter && !IsChild(filter, m.hwnd)) {
    return false;
  }
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

char CharForKey(int vk) {
  auto& s = S();
  bool shift = (s.keys[VK_SHIFT] & 0x80) != 0;
  bool caps = (s.keys[VK_CAPITAL] & 0x01) != 0;
  bool ctrl = (s.keys[VK_CONTROL] & 0x80) != 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return static_cast<char>(vk - 'A' + 1);
    bool upper = shift != caps;
    return static_cast<char>(upper ? vk : std::tolower(vk));
  }
  if (ctrl) return 0;
  if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : static_cast<char>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return static_cast<char>('0' + vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 27;
    case VK_BACK: return 8;
    case VK_TAB: return '\t';
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case 0xBA: return shift ? ':' : ';';
    case 0xBB: return shift ? '+' : '=';
    case 0xBC: return shift ? '<' : ',';
    case 0xBD: return shift ? '_' : '-';
    case 0xBE: return shift ? '>' : '.';
    case 0xBF: return shift ? '?' : '/';
    case 0xC0: return shift ? '~' : '`';
    case 0xDB: return shift ? '{' : '[';
    case 0xDC: return shift ? '|' : '\\';
    case 0xDD: return shift ? '}' : ']';
    case 0xDE: return shift ? '"' : '\'';
    default: return 0;
  }
}

}  // namespace

bool FindPaintMessage(MSG* msg, HWND filter) { return FindPaintIn(S().topLevel, msg, filter); }

unsigned PaintSerial(HWND hwnd) {
  auto w = Get(hwnd);
  return w ? w->paintSerial : 0;
}

// A WM_PAINT handled without BeginPaint leaves nothing invalid: a procedure
// that never validates would otherwise be asked forever.
void SettlePaint(HWND hwnd, unsigned serialBefore) {
  auto w = Get(hwnd);
  if (!w || w->paintSerial != serialBefore) return;
  w->update = RECT{};
  w->erase = false;
  w->ncDirty = false;
}

}  // namespace win::user

using namespace win::user;

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    auto list = S().topLevel;
    for (HWND h : list) Send(h, msg, wParam, lParam);
    return 0;
  }
  return Send(hwnd, msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    auto list = S().topLevel;
    for (HWND h : list) Post(h, msg, wParam, lParam);
    return TRUE;
  }
  if (hwnd && !Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Post(hwnd, msg, wParam, lParam);
  return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId != 0 && threadId != S().uiThread) {  // only the windows' thread has a queue (0: this one)
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Post(nullptr, msg, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  s.quitPosted = true;
  s.quitCode = exitCode;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
  if (!msg) return FALSE;
  HandleSentMessages();
  auto& s = S();
  std::unique_lock<std::recursive_mutex> lock(s.mutex);
  for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
    if (!Matches(it->msg, hwnd, filterMin, filterMax)) continue;
    *msg = it->msg;
    if (remove & PM_REMOVE) {
      QueuedMessage q = *it;
      s.queue.erase(it);
      ApplyKeyChange(q.vk, q.down);
      s.lastMsg = q.msg;
    }
    return TRUE;
  }
  if (s.quitPosted && (filterMin == 0 && filterMax == 0)) {
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = static_cast<WPARAM>(s.quitCode);
    if (remove & PM_REMOVE) s.quitPosted = false;
    return TRUE;
  }
  lock.unlock();
  if ((filterMin == 0 && filterMax == 0) || (filterMin <= WM_PAINT && filterMax >= WM_PAINT)) {
    MSG m{};
    if (FindPaintMessage(&m, hwnd == reinterpret_cast<HWND>(-1) ? nullptr : hwnd)) {
      m.time = static_cast<DWORD>(s.clock);
      m.pt = s.cursorPos;
      *msg = m;
      return TRUE;
    }
  }
  return FALSE;
}

// Without a display only worker threads can post: an idle queue with no
// worker running ends the loop as if WM_QUIT had come (wParam 0); while
// workers run, it waits for what they post or send.
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  for (;;) {
    if (PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE)) break;
    RunIdleHooks();
    if (PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE)) break;
    if (!WaitForWorkers()) {
      *msg = MSG{};
      msg->message = WM_QUIT;
      return FALSE;
    }
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage() {
  WaitForWorkers();
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  char c = CharForKey(static_cast<int>(msg->wParam));
  if (!c) return FALSE;
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  QueuedMessage q;
  q.msg = *msg;
  q.msg.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  q.msg.wParam = static_cast<unsigned char>(c);
  s.queue.push_front(q);  // read before any later input
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    if (!Get(msg->hwnd)) return 0;
    proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  if (!Get(msg->hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  unsigned serial = msg->message == WM_PAINT ? PaintSerial(msg->hwnd) : 0;
  LRESULT r = Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT) SettlePaint(msg->hwnd, serial);
  return r;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

BOOL InSendMessage() { return FALSE; }

DWORD GetMessagePos() {
  auto& p = S().lastMsg.pt;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

LONG GetMessageTime() { return static_cast<LONG>(S().lastMsg.time); }

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Get(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      // A shown caption changes at once, as the frame is repainted.
      if ((w->style & WS_CAPTION) == WS_CAPTION && !(w->style & WS_CHILD) && IsWindowVisible(hwnd) &&
          SurfaceRoot(hwnd, nullptr))
        Send(hwnd, WM_NCPAINT, 1, 0);
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), w->text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return DefaultEraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_NCPAINT: PaintNonClient(hwnd); return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return DefaultCtlColor(msg, reinterpret_cast<HDC>(wParam));
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (pos) SendSizeAndMove(hwnd, !(pos->flags & SWP_NOMOVE), !(pos->flags & SWP_NOSIZE));
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) SetFocus(hwnd);
      return 0;
    case WM_SETCURSOR:
      if ((w->style & WS_CHILD) && w->parent && Send(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (LOWORD(lParam) == HTCLIENT && w->cls->cursor) {
        SetCursor(w->cls->cursor);
        return TRUE;
      }
      return FALSE;
    case WM_MOUSEACTIVATE:
      if ((w->style & WS_CHILD) && w->parent) {
        LRESULT r = Send(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) Send(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
      if ((w->style & WS_CHILD) && w->parent) return Send(w->parent, msg, wParam, lParam);
      return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_GETDLGCODE: return 0;
    default: return 0;
  }
}

// Hooks -------------------------------------------------------------------------

HHOOK SetWindowsHookExA(int type, HOOKPROC proc, HINSTANCE, DWORD) {
  if (!proc || (type != WH_CBT && type != WH_MSGFILTER && type != WH_FOREGROUNDIDLE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  HHOOK h = reinterpret_cast<HHOOK>(s.nextHook++);
  s.hooks.insert(s.hooks.begin(), Hook{h, type, proc});
  return h;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  auto it = std::find_if(s.hooks.begin(), s.hooks.end(), [&](auto& h) { return h.handle == hook; });
  if (it == s.hooks.end()) return FALSE;
  s.hooks.erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  auto it = std::find_if(s.hooks.begin(), s.hooks.end(), [&](auto& h) { return h.handle == hook; });
  if (it == s.hooks.end()) return 0;
  int type = it->type;
  for (++it; it != s.hooks.end(); ++it)
    if (it->type == type) return it->proc(code, wParam, lParam);
  return 0;
}

BOOL CallMsgFilterA(LPMSG msg, int code) {
  if (!msg) return FALSE;
  return CallHooks(WH_MSGFILTER, code, 0, reinterpret_cast<LPARAM>(msg)) ? TRUE : FALSE;
}

// Invalid areas -----------------------------------------------------------------------

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    auto list = S().topLevel;
    for (HWND h : list) InvalidateTree(h, nullptr, erase != FALSE);
    return TRUE;
  }
  if (!Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  InvalidateTree(hwnd, rect, erase != FALSE);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  auto w = Get(hwnd);
  if (!w) return FALSE;
  const RECT& u = w->update;
  // The invalid area is kept as one rectangle: it goes when it is covered.
  if (!rect || (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom)) {
    w->update = RECT{};
    w->erase = false;
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
  auto w = Get(hwnd);
  if (!w) return FALSE;
  bool any = !Empty(w->update);
  if (rect) *rect = any ? w->update : RECT{};
  return any ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (!Empty(w->update)) {
    MSG m{hwnd, WM_PAINT, 0, 0, 0, {}};
    DispatchMessageA(&m);
  }
  if (!Get(hwnd)) return TRUE;
  auto children = w->children;
  for (HWND c : children) UpdateWindow(c);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (hwnd && !Get(hwnd)) return FALSE;
  RECT box;
  if (!rect && region && GetRgnBox(region, &box) != ERROR) rect = &box;
  if (flags & RDW_INVALIDATE) {
    InvalidateRect(hwnd, rect, (flags & RDW_ERASE) ? TRUE : FALSE);
    if (hwnd && (flags & RDW_FRAME)) SetNonClientDirty(hwnd);
  }
  if (flags & RDW_VALIDATE) ValidateRect(hwnd, rect);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (hwnd) {
      UpdateWindow(hwnd);
    } else {
      auto list = S().topLevel;
      for (HWND h : list) UpdateWindow(h);
    }
  }
  return TRUE;
}
