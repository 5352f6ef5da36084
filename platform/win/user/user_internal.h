#pragma once
// Inner state of the user part: the window table, classes, the queue,
// timers and input state. Hidden from other libraries.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "win_gdi.h"
#include "win_user.h"
#include "win_resources.h"

namespace win::user {

struct WindowClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  bool system = false;
  std::vector<uint8_t> classExtra;
  int windowCount = 0;
};

// Per-control state kept by the standard controls.
struct ControlState {
  virtual ~ControlState() = default;
};

struct ScrollState {
  int min = 0, max = 100;
  UINT page = 0;
  int pos = 0, trackPos = 0;
  bool enabled = true;
};

struct DialogState {
  DLGPROC proc = nullptr;
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  int defId = IDOK;
  HWND savedFocus = nullptr;
  HFONT font = nullptr;
  HFONT ownedFont = nullptr;  // made from the template's font
  std::string caption;
  DialogState() = default;
  DialogState(const DialogState&) = delete;
  DialogState& operator=(const DialogState&) = delete;
  ~DialogState() {
    if (ownedFont) DeleteObject(ownedFont);
  }
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;    // child windows
  HWND owner = nullptr;     // top-level windows
  std::vector<HWND> children;  // z-order, top first
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  std::string text;
  RECT rect{};  // window rectangle: parent client coordinates (children) or screen
  std::vector<uint8_t> extra;
  std::vector<std::pair<std::string, HANDLE>> props;
  bool destroying = false;
  bool created = false;
  // Painting bookkeeping, client coordinates.
  RECT update{};
  bool erase = false;
  bool ncDirty = false;       // the frame wants painting
  unsigned paintSerial = 0;   // counts BeginPaint calls
  ScrollState hscroll, vscroll;
  std::unique_ptr<ControlState> control;
  std::unique_ptr<DialogState> dialog;
  std::shared_ptr<void> surface;  // raster surface of a top-level window
  HMENU menu = nullptr;           // menu bar of a top-level window
  HMENU systemMenu = nullptr;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapse;
  TIMERPROC proc;
  uint64_t due;
};

struct QueuedMessage {
  MSG msg{};
  int vk = -1;       // key or button whose state changes when the message is taken
  bool down = false;
};

// A message sent from a worker thread, waiting for the window's thread.
struct SentMessage {
  MSG msg{};
  LRESULT result = 0;
  bool done = false;
};

struct Hook {
  HHOOK handle;
  int type;
  HOOKPROC proc;
};

struct State {
  std::recursive_mutex mutex;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  uintptr_t nextHandle = 0x10010;
  std::vector<HWND> topLevel;  // z-order, top first
  std::vector<std::shared_ptr<WindowClass>> classes;
  std::map<std::string, ATOM> atoms;  // upper-cased names
  ATOM nextAtom = 0xC000;
  std::deque<QueuedMessage> queue;
  std::deque<std::shared_ptr<SentMessage>> sent;  // from worker threads
  std::condition_variable_any wake;              // a post, a send or a worker's end
  DWORD uiThread = 0;                            // the thread that owns the windows
  bool quitPosted = false;
  int quitCode = 0;
  HWND focus = nullptr, active = nullptr, capture = nullptr;
  std::vector<Timer> timers;
  UINT_PTR nextTimerId = 0x7E00;
  uint64_t clock = 0;
  BYTE keys[256]{};       // as of the last message taken
  BYTE asyncKeys[256]{};  // as of the last input sent
  POINT cursorPos{640, 512};
  HCURSOR cursor = nullptr;
  int cursorShowCount = 0;
  MSG lastMsg{};
  std::vector<Hook> hooks;
  uintptr_t nextHook = 1;
};

State& S();

// Window table
std::shared_ptr<Window> Get(HWND hwnd);  // null when not a live window
HWND NewHandle();
std::shared_ptr<WindowClass> FindClass(LPCSTR name, HINSTANCE instance);
void RegisterSystemClasses();
ATOM RegisterAtom(const std::string& name);
HWND RootOf(HWND hwnd);  // top-level ancestor
void InvalidateTree(HWND hwnd, const RECT* rect, bool erase);
void SetFocusQuiet(HWND hwnd);
std::string Upper(std::string s);
bool EqualNoCase(const std::string& a, const std::string& b);

// Geometry
RECT NonClientInsets(DWORD style, DWORD exStyle);  // left, top, right, bottom thicknesses
RECT WindowInsets(const Window& w);                // the same with the menu bar of a top-level window
POINT ClientOrigin(HWND hwnd);                      // screen coordinates
RECT ClientRectOf(const Window& w);                 // 0-based
void SendSizeAndMove(HWND hwnd, bool moved, bool sized);

// Messages
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Handles the messages worker threads sent; the window's thread calls it
// when it looks at its queue. True when any was handled.
bool HandleSentMessages();
// Waits (real time) until a worker posts or sends, or ends; false at once
// when no worker runs.
bool WaitForWorkers();
void Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, int vk = -1, bool down = false);
void DropMessagesFor(HWND hwnd);
void NotifyParent(HWND control, UINT code);  // WM_COMMAND to the parent
LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam);
bool RunIdleHooks();
bool FindPaintMessage(MSG* msg, HWND filter);
unsigned PaintSerial(HWND hwnd);
void SettlePaint(HWND hwnd, unsigned serialBefore);
void ApplyKeyChange(int vk, bool down);

// Painting
void ReleaseWindowDCs(HWND hwnd);  // the window is going
void SetNonClientDirty(HWND hwnd);
LRESULT DefaultEraseBackground(HWND hwnd, HDC dc);
LRESULT DefaultCtlColor(UINT msg, HDC dc);
HBRUSH ClassBrush(HBRUSH brush);  // COLOR_x + 1 values to system brushes
void PaintNonClient(HWND hwnd);
HWND SurfaceRoot(HWND hwnd, HBITMAP* bitmap);  // null before anything was painted
// A DC on the whole surface of hwnd's top-level window, for what is shown
// over it (tracked pop-up menus); surface gets the surface's rectangle in
// screen coordinates. Null before anything was painted. Free with DeleteDC.
HDC PopupSurfaceDC(HWND hwnd, RECT* surface);

// Menus
void DestroyWindowMenus(Window& w);
// Draws a window's menu bar into bar (window coordinates of dc).
void PaintMenuBar(HMENU menu, HDC dc, const RECT& bar);
void ResetMenuScript();
// Paints the tracked pop-up menu (and the pop-ups open on the way to the
// chosen item, highlighted) over the owner's top-level window at the screen
// point, runs the script while it shows, then puts back what lay beneath.
// highlighted holds a position for each menu open: the item highlighted in
// it, whose pop-up (if any) is the next menu open.
void ShowPopupMenu(HMENU menu, const std::vector<int>& highlighted, UINT flags, POINT at, HWND owner,
                   const std::function<void()>& whileShown);

// Timers
void DropTimersFor(HWND hwnd);

// Focus and capture bookkeeping when windows go
void ForgetWindow(HWND hwnd);

// Dialogs and controls
LRESULT CALLBACK DialogClassProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
DialogState* DialogOf(HWND hwnd);
// The common controls' classes (controls/common_controls.cpp).
void RegisterCommonControlClasses();
void AddControlClass(const char* name, WNDPROC proc, UINT style);
template <typename T>
T* ControlOf(HWND hwnd) {
  auto w = Get(hwnd);
  return w ? dynamic_cast<T*>(w->control.get()) : nullptr;
}
template <typename T>
T* EnsureControl(HWND hwnd) {
  auto w = Get(hwnd);
  if (!w) return nullptr;
  if (!w->control) w->control = std::make_unique<T>();
  return dynamic_cast<T*>(w->control.get());
}
bool IsClass(HWND hwnd, const char* name);
DWORD StyleOf(HWND hwnd);

// Logs and scripts shared with the script part
void LogBeep(UINT type);
bool TakeMessageBoxAnswer(int* answer);
void LogMessageBox(HWND owner, const std::string& caption, const std::string& text, UINT flags, int result,
                   bool answered);
void ComboUserPick(HWND combo, int index);
std::function<void(HWND)> TakeDialogScript();
void LogDialog(const std::string& caption, INT_PTR result, bool scripted, bool cancelled);
// Takes and handles one message (filters, dialog manager, translation,
// dispatch). False when the queue is idle or WM_QUIT is pending.
bool PumpOne(int filterCode);
void DialogSetFocus(HWND control);
int MulDivRound(int a, int b, int c);

// Fixed line height of controls (the dialog font's height).
constexpr int kLineHeight = 13;

}  // namespace win::user
