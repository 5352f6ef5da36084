// Scripted input, the test pump, scripted dialogs and message boxes, and
// the logs tests read.
#include <algorithm>
#include <deque>

#include "user_internal.h"
#include "win_script.h"

namespace win::user {
namespace {

struct ScriptState {
  std::deque<win::script::DialogScript> dialogScripts;
  std::deque<int> answers;
  std::vector<win::script::DialogRecord> dialogs;
  std::vector<win::script::MessageBoxRecord> boxes;
  std::vector<UINT> beeps;
};

ScriptState& SS() {
  static ScriptState* s = new ScriptState();
  return *s;
}

constexpr int kPumpLimit = 100000;  // a window that keeps posting to itself must not hang the pump

}  // namespace

void LogBeep(UINT type) { SS().beeps.push_back(type); }

std::function<void(HWND)> TakeDialogScript() {
  auto& q = SS().dialogScripts;
  if (q.empty()) return nullptr;
  auto f = std::move(q.front());
  q.pop_front();
  return f;
}

void LogDialog(const std::string& caption, INT_PTR result, bool scripted, bool cancelled) {
  SS().dialogs.push_back(win::script::DialogRecord{caption, result, scripted, cancelled});
}

bool TakeMessageBoxAnswer(int* answer) {
  auto& q = SS().answers;
  if (q.empty()) return false;
  *answer = q.front();
  q.pop_front();
  return true;
}

void LogMessageBox(HWND owner, const std::string& caption, const std::string& text, UINT flags, int result,
                   bool answered) {
  SS().boxes.push_back(win::script::MessageBoxRecord{owner, caption, text, flags, result, answered});
}

bool PumpOne(int filterCode) {
  MSG m;
  if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) return false;
  if (m.message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(m.wParam));
    return false;
  }
  unsigned serial = m.message == WM_PAINT ? PaintSerial(m.hwnd) : 0;
  if (!CallMsgFilterA(&m, filterCode)) {
    HWND root = m.hwnd ? RootOf(m.hwnd) : nullptr;
    if (!(root && DialogOf(root) && IsDialogMessageA(root, &m))) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  if (m.message == WM_PAINT) SettlePaint(m.hwnd, serial);
  return true;
}

}  // namespace win::user

using namespace win::user;

namespace win::script {

int PumpUntilIdle() {
  int count = 0;
  MSG m;
  do {
    while (count < kPumpLimit && PumpOne(MSGF_HOSTLOOP)) ++count;
    RunIdleHooks();
  } while (count < kPumpLimit && PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message != WM_QUIT);
  return count;
}

int PumpUntilWorkersDone() {
  int count = 0;
  do count += PumpUntilIdle();
  while (WaitForWorkers());
  return count + PumpUntilIdle();
}

// Finding ------------------------------------------------------------------------

namespace {

std::string StripAmp(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && i + 1 < s.size() && s[i + 1] != '&') continue;
    if (s[i] == '&') ++i;
    r += s[i];
  }
  return r;
}

HWND Search(HWND parent, const std::function<bool(HWND)>& match) {
  std::vector<HWND> list;
  if (parent) {
    auto w = Get(parent);
    if (!w) return nullptr;
    list = w->children;
  } else {
    list = S().topLevel;
  }
  for (HWND h : list)
    if (match(h)) return h;
  for (HWND h : list)
    if (HWND r = Search(h, match)) return r;
  return nullptr;
}

}  // namespace

HWND FindById(HWND parent, int id) {
  return Search(parent, [&](HWND h) { return (StyleOf(h) & WS_CHILD) && GetDlgCtrlID(h) == id; });
}

HWND FindByClass(HWND parent, const std::string& className) {
  return Search(parent, [&](HWND h) { return EqualNoCase(ClassName(h), className); });
}

HWND FindByText(HWND parent, const std::string& text) {
  return Search(parent, [&](HWND h) { return EqualNoCase(StripAmp(Text(h)), StripAmp(text)); });
}

HWND FindTopLevel(const std::string& caption) {
  for (HWND h : S().topLevel)
    if (EqualNoCase(Text(h), caption)) return h;
  return nullptr;
}

std::string Text(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  int got = GetWindowTextA(hwnd, s.data(), n + 1);
  s.resize(static_cast<size_t>(std::max(got, 0)));
  return s;
}

std::string ClassName(HWND hwnd) {
  auto w = Get(hwnd);
  return w ? w->cls->name : std::string();
}

// Mouse ------------------------------------------------------------------------

namespace {

bool Transparent(HWND h) { return Send(h, WM_NCHITTEST, 0, 0) == HTTRANSPARENT; }

HWND HitTest(HWND hwnd, POINT screen) {
  HWND cur = hwnd;
  for (;;) {
    auto w = Get(cur);
    if (!w) return nullptr;
    POINT p = screen;
    ScreenToClient(cur, &p);
    HWND next = nullptr;
    for (HWND c : w->children) {
      auto cw = Get(c);
      if (!cw || !(cw->style & WS_VISIBLE)) continue;
      const RECT& r = cw->rect;
      if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) continue;
      if (Transparent(c)) continue;
      next = c;
      break;
    }
    if (!next || !IsWindowEnabled(next)) return cur;  // disabled windows take no clicks
    cur = next;
  }
}

bool Enabled(HWND h) {
  for (auto w = Get(h); w; w = (w->style & WS_CHILD) ? Get(w->parent) : nullptr)
    if (w->style & WS_DISABLED) return false;
  return true;
}

WPARAM MouseKeys() {
  auto& k = S().asyncKeys;
  WPARAM f = 0;
  if (k[VK_LBUTTON] & 0x80) f |= MK_LBUTTON;
  if (k[VK_RBUTTON] & 0x80) f |= MK_RBUTTON;
  if (k[VK_MBUTTON] & 0x80) f |= MK_MBUTTON;
  if (k[VK_SHIFT] & 0x80) f |= MK_SHIFT;
  if (k[VK_CONTROL] & 0x80) f |= MK_CONTROL;
  return f;
}

void SetAsync(int vk, bool down) {
  auto& k = S().asyncKeys;
  if (down)
    k[vk] |= 0x80;
  else
    k[vk] &= static_cast<BYTE>(~0x80);
}

void Mouse(HWND hwnd, int x, int y, UINT msg, int vk, bool down) {
  auto& s = S();
  if (!Get(hwnd)) return;
  POINT screen{x, y};
  ClientToScreen(hwnd, &screen);
  s.cursorPos = screen;
  if (vk >= 0) SetAsync(vk, down);
  HWND target = s.capture ? s.capture : HitTest(hwnd, screen);
  if (!target) return;
  if (!s.capture && !Enabled(target)) {
    if (vk >= 0) Post(nullptr, WM_NULL, 0, 0, vk, down);  // the button state still changes
    PumpUntilIdle();
    return;
  }
  POINT cp = screen;
  ScreenToClient(target, &cp);
  if (!s.capture) {
    Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(HTCLIENT, msg));
    if (down && Get(target)) {
      HWND root = RootOf(target);
      LRESULT r = Send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root), MAKELPARAM(HTCLIENT, msg));
      if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT) && root != GetActiveWindow() && Get(root))
        SetActiveWindow(root);
      if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) {
        Post(nullptr, WM_NULL, 0, 0, vk, down);
        PumpUntilIdle();
        return;
      }
    }
  }
  if (!Get(target)) return;
  Post(target, msg, MouseKeys(), MAKELPARAM(static_cast<WORD>(cp.x), static_cast<WORD>(cp.y)), vk, down);
  PumpUntilIdle();
}

UINT DownMsg(Button b) { return b == Button::Left ? WM_LBUTTONDOWN : b == Button::Right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN; }
UINT UpMsg(Button b) { return b == Button::Left ? WM_LBUTTONUP : b == Button::Right ? WM_RBUTTONUP : WM_MBUTTONUP; }
int Vk(Button b) { return b == Button::Left ? VK_LBUTTON : b == Button::Right ? VK_RBUTTON : VK_MBUTTON; }

}  // namespace

void MouseMove(HWND hwnd, int x, int y) { Mouse(hwnd, x, y, WM_MOUSEMOVE, -1, false); }
void MouseDown(HWND hwnd, int x, int y, Button b) { Mouse(hwnd, x, y, DownMsg(b), Vk(b), true); }
void MouseUp(HWND hwnd, int x, int y, Button b) { Mouse(hwnd, x, y, UpMsg(b), Vk(b), false); }

void Click(HWND hwnd, int x, int y, Button b) {
  MouseDown(hwnd, x, y, b);
  MouseUp(hwnd, x, y, b);
  if (b == Button::Right && Get(hwnd)) {
    // The context-menu request follows the right button's release.
    POINT screen{x, y};
    ClientToScreen(hwnd, &screen);
    HWND target = S().capture ? S().capture : HitTest(hwnd, screen);
    if (target && Enabled(target)) {
      Post(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target),
           MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
      PumpUntilIdle();
    }
  }
}

void DoubleClick(HWND hwnd, int x, int y) {
  MouseDown(hwnd, x, y);
  MouseUp(hwnd, x, y);
  POINT screen{x, y};
  ClientToScreen(hwnd, &screen);
  HWND target = S().capture ? S().capture : HitTest(hwnd, screen);
  auto w = Get(target);
  bool dbl = w && (w->cls->style & CS_DBLCLKS);
  Mouse(hwnd, x, y, dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, VK_LBUTTON, true);
  MouseUp(hwnd, x, y);
}

void Drag(HWND hwnd, POINT from, POINT to, int steps, Button b) {
  MouseDown(hwnd, from.x, from.y, b);
  steps = std::max(steps, 1);
  for (int i = 1; i <= steps; ++i) {
    int x = from.x + (to.x - from.x) * i / steps;
    int y = from.y + (to.y - from.y) * i / steps;
    MouseMove(hwnd, x, y);
  }
  MouseUp(hwnd, to.x, to.y, b);
}

// Keyboard -----------------------------------------------------------------------

namespace {

HWND KeyTarget() {
  auto& s = S();
  return s.focus ? s.focus : s.active;
}

void Key(int vk, bool down) {
  if (vk <= 0 || vk > 255) return;
  SetAsync(vk, down);
  UINT msg = down ? WM_KEYDOWN : WM_KEYUP;
  LPARAM lp = down ? 1 : static_cast<LPARAM>(0xC0000001u);
  Post(KeyTarget(), msg, static_cast<WPARAM>(vk), lp, vk, down);
  PumpUntilIdle();
}

// The key and shift state that type c on a US layout; false if none does.
bool KeyFor(char c, int* vk, bool* shift) {
  *shift = false;
  if (c >= 'a' && c <= 'z') { *vk = c - 'a' + 'A'; return true; }
  if (c >= 'A' && c <= 'Z') { *vk = c; *shift = true; return true; }
  if (c >= '0' && c <= '9') { *vk = c; return true; }
  const std::string shifted = ")!@#$%^&*(";
  if (auto p = shifted.find(c); p != std::string::npos) { *vk = '0' + static_cast<int>(p); *shift = true; return true; }
  struct K { char plain, upper; int vk; };
  static const K table[] = {{';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD},
                            {'.', '>', 0xBE}, {'/', '?', 0xBF}, {'`', '~', 0xC0}, {'[', '{', 0xDB},
                            {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE}};
  for (auto& k : table) {
    if (c == k.plain) { *vk = k.vk; return true; }
    if (c == k.upper) { *vk = k.vk; *shift = true; return true; }
  }
  if (c == ' ') { *vk = VK_SPACE; return true; }
  if (c == '\n' || c == '\r') { *vk = VK_RETURN; return true; }
  if (c == '\t') { *vk = VK_TAB; return true; }
  return false;
}

}  // namespace

void KeyDown(int vk) { Key(vk, true); }
void KeyUp(int vk) { Key(vk, false); }
void PressKey(int vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void Type(const std::string& text) {
  for (char c : text) {
    int vk;
    bool shift;
    if (!KeyFor(c, &vk, &shift)) {
      Post(KeyTarget(), WM_CHAR, static_cast<unsigned char>(c), 1);
      PumpUntilIdle();
      continue;
    }
    bool held = (S().asyncKeys[VK_SHIFT] & 0x80) != 0;
    if (shift && !held) KeyDown(VK_SHIFT);
    PressKey(vk);
    if (shift && !held) KeyUp(VK_SHIFT);
  }
}

// Dialog fields ---------------------------------------------------------------------

namespace {
HWND Usable(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return (c && IsWindowVisible(c) && IsWindowEnabled(c)) ? c : nullptr;
}
}  // namespace

bool SetField(HWND dialog, int id, const std::string& text) {
  HWND c = Usable(dialog, id);
  if (!c) return false;
  if (GetFocus() != c) SetFocus(c);
  if (!Get(c)) return false;
  if (IsClass(c, "ComboBox"))
    Send(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  else
    Send(c, EM_SETSEL, 0, -1);
  PumpUntilIdle();
  if (text.empty()) {
    if (IsClass(c, "Edit")) PressKey(VK_DELETE);
  } else {
    Type(text);
  }
  return true;
}

std::string GetField(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? Text(c) : std::string();
}

bool PressButton(HWND dialog, int id) {
  HWND c = Usable(dialog, id);
  if (!c) return false;
  RECT r;
  GetClientRect(c, &r);
  Click(c, r.right / 2, r.bottom / 2);
  return true;
}

bool SetCheck(HWND dialog, int id, bool checked) {
  for (int i = 0; i < 3; ++i) {
    if (IsChecked(dialog, id) == checked) return true;
    if (!PressButton(dialog, id)) return false;
  }
  return IsChecked(dialog, id) == checked;
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

bool PickItem(HWND dialog, int id, int index, bool ctrl) {
  HWND c = Usable(dialog, id);
  if (!c) return false;
  if (IsClass(c, "ComboBox")) {
    if (index < 0 || index >= Send(c, CB_GETCOUNT, 0, 0)) return false;
    ComboUserPick(c, index);
    PumpUntilIdle();
    return true;
  }
  if (!IsClass(c, "ListBox") || index < 0 || index >= Send(c, LB_GETCOUNT, 0, 0)) return false;
  RECT item;
  Send(c, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  RECT client;
  GetClientRect(c, &client);
  if (item.top < 0 || item.bottom > client.bottom) {
    Send(c, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    Send(c, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  }
  if (ctrl) KeyDown(VK_CONTROL);
  Click(c, 1, item.top + 1);
  if (ctrl) KeyUp(VK_CONTROL);
  return true;
}

bool PickItemText(HWND dialog, int id, const std::string& text) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return false;
  UINT find = IsClass(c, "ComboBox") ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT;
  LRESULT i = Send(c, find, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  return i >= 0 && PickItem(dialog, id, static_cast<int>(i));
}

std::vector<std::string> ListItems(HWND dialog, int id) {
  std::vector<std::string> out;
  HWND c = GetDlgItem(dialog, id);
  if (!c) return out;
  bool combo = IsClass(c, "ComboBox");
  LRESULT n = Send(c, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    LRESULT len = Send(c, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::string s(static_cast<size_t>(std::max<LRESULT>(len, 0)) + 1, '\0');
    Send(c, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(std::max<LRESULT>(len, 0)));
    out.push_back(s);
  }
  return out;
}

// Scripts and logs --------------------------------------------------------------

void OnNextDialog(DialogScript script) { SS().dialogScripts.push_back(std::move(script)); }
std::vector<DialogRecord> DialogLog() { return SS().dialogs; }
void AnswerNextMessageBox(int answer) { SS().answers.push_back(answer); }
std::vector<MessageBoxRecord> MessageBoxLog() { return SS().boxes; }
std::vector<UINT> BeepLog() { return SS().beeps; }

void ResetLogs() {
  auto& s = SS();
  s.dialogScripts.clear();
  s.answers.clear();
  s.dialogs.clear();
  s.boxes.clear();
  s.beeps.clear();
  ResetMenuScript();
}

}  // namespace win::script
