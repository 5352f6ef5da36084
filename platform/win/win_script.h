#pragma once
// Driving the headless windows the way a user would, for tests and the
// host: the virtual clock, the message pump, mouse and keyboard input,
// fields, lists and buttons of dialogs, scripted modal dialogs and message
// boxes, and the logs of what was shown.
//
// Input goes through the message queue like real input: mouse and key
// messages are posted, key and button state changes when a message is
// taken from the queue (GetKeyState), and each call pumps until the queue
// is idle, so local loops in window procedures (drags) see the input.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win_export.h"
#include "win_types.h"
#include "win_user.h"

namespace win::script {

// --- Clock and pump ---------------------------------------------------------
// The virtual clock in milliseconds; it starts at 0 and only moves here.
WIN_CLASS uint64_t Clock();
// Moves the clock on by ms, delivering every timer tick that falls due on
// the way, in time order, pumping after each.
WIN_CLASS void AdvanceClock(uint64_t ms);
// Dispatches posted messages and paints until nothing is left (message
// filters and the dialog manager included). Returns the number handled.
// A WM_QUIT met on the way stays pending.
WIN_CLASS int PumpUntilIdle();
// Pumps as PumpUntilIdle, waiting (real time) for what worker threads post
// or send, until no worker runs and the queue is idle.
WIN_CLASS int PumpUntilWorkersDone();

// --- Finding windows --------------------------------------------------------
// Null when missing. Search covers all descendants of parent (null: the
// top-level windows and their descendants); class names and texts
// compare without case; a "&" in a control's text is ignored.
WIN_CLASS HWND FindById(HWND parent, int id);
WIN_CLASS HWND FindByClass(HWND parent, const std::string& className);
WIN_CLASS HWND FindByText(HWND parent, const std::string& text);
WIN_CLASS HWND FindTopLevel(const std::string& caption);
WIN_CLASS std::string Text(HWND hwnd);
WIN_CLASS std::string ClassName(HWND hwnd);

// --- Mouse ------------------------------------------------------------------
// Points are in hwnd's client coordinates. The message goes to the window
// holding the capture, else to the deepest visible, enabled child under
// the point (statics without SS_NOTIFY and group boxes let clicks through).
enum class Button { Left, Right, Middle };
WIN_CLASS void MouseMove(HWND hwnd, int x, int y);
WIN_CLASS void MouseDown(HWND hwnd, int x, int y, Button b = Button::Left);
WIN_CLASS void MouseUp(HWND hwnd, int x, int y, Button b = Button::Left);
WIN_CLASS void Click(HWND hwnd, int x, int y, Button b = Button::Left);
WIN_CLASS void DoubleClick(HWND hwnd, int x, int y);
// Down at from, moves in steps, up at to.
WIN_CLASS void Drag(HWND hwnd, POINT from, POINT to, int steps = 4, Button b = Button::Left);

// --- Keyboard (to the focus window) -----------------------------------------
WIN_CLASS void KeyDown(int vk);
WIN_CLASS void KeyUp(int vk);
WIN_CLASS void PressKey(int vk);  // down and up
// Types each character with the keys of a US layout (shift as needed).
WIN_CLASS void Type(const std::string& text);

// --- Dialog fields ----------------------------------------------------------
// Each acts as a user would and fails (false) where a user could not:
// the control missing, hidden or disabled.
// Focuses the field, selects all and types the text (limits apply).
WIN_CLASS bool SetField(HWND dialog, int id, const std::string& text);
WIN_CLASS std::string GetField(HWND dialog, int id);
// Clicks a button (push, check box, radio) in its middle.
WIN_CLASS bool PressButton(HWND dialog, int id);
// Clicks a check box until it shows the wanted state.
WIN_CLASS bool SetCheck(HWND dialog, int id, bool checked);
WIN_CLASS bool IsChecked(HWND dialog, int id);
// Clicks a list item (scrolled into view first) or picks a combo-box item
// from its drop-down list. ctrl adds to an extended selection.
WIN_CLASS bool PickItem(HWND dialog, int id, int index, bool ctrl = false);
WIN_CLASS bool PickItemText(HWND dialog, int id, const std::string& text);
WIN_CLASS std::vector<std::string> ListItems(HWND dialog, int id);

// --- Modal dialogs ----------------------------------------------------------
// The next modal dialog that starts its loop runs this script once it is
// initialised and shown (scripts are taken in order; a dialog that ends
// inside WM_INITDIALOG takes none). A dialog still open when its script
// returns and the queue is idle is cancelled (IDCANCEL, as Escape), and
// that is logged.
using DialogScript = std::function<void(HWND dialog)>;
WIN_CLASS void OnNextDialog(DialogScript script);
struct DialogRecord {
  std::string caption;
  INT_PTR result = 0;
  bool scripted = false;
  bool cancelledUnanswered = false;
};
WIN_CLASS std::vector<DialogRecord> DialogLog();

// --- Property sheets --------------------------------------------------------
// The page shown in a sheet (null when none); picking a page clicks its tab
// (the current page may refuse to be left). Titles compare without case and "&".
WIN_CLASS HWND SheetPage(HWND sheet);
WIN_CLASS bool PickSheetPage(HWND sheet, int index);
WIN_CLASS bool PickSheetPageText(HWND sheet, const std::string& title);
WIN_CLASS std::vector<std::string> SheetTabs(HWND sheet);

// --- Message boxes ----------------------------------------------------------
// Queued answers (IDOK, IDYES ...) are taken by the next boxes in order. A
// box without an answer, or whose answer is not one of its buttons, returns
// its default button. Every box is logged.
WIN_CLASS void AnswerNextMessageBox(int answer);
struct MessageBoxRecord {
  HWND owner = nullptr;
  std::string caption;
  std::string text;
  UINT flags = 0;
  int result = 0;
  bool answered = false;  // by a queued answer
};
WIN_CLASS std::vector<MessageBoxRecord> MessageBoxLog();
WIN_CLASS std::vector<UINT> BeepLog();

// --- Menus ------------------------------------------------------------------
// Queued choices are taken by the next tracked pop-up menus in order, by
// command id or by item text (without "&", any case, pop-ups searched).
// A menu without a queued choice, or dismissed, returns nothing chosen.
WIN_CLASS void ChooseNextMenuItem(UINT id);
WIN_CLASS void ChooseNextMenuText(const std::string& text);
WIN_CLASS void DismissNextMenu();
// The next tracked pop-up menu runs this script while it is shown: painted
// over its owner's top-level window (the items on the way to a queued
// choice highlighted), so that the window's picture holds it. What lay
// beneath comes back when the menu closes.
WIN_CLASS void WhileNextMenuShown(std::function<void()> script);
struct MenuItemRecord {
  UINT id = 0;
  std::string text;
  int depth = 0;  // 0: the tracked menu; 1: its pop-ups ...
  bool separator = false;
  bool popup = false;
  bool checked = false;
  bool enabled = true;
};
struct MenuRecord {
  HWND owner = nullptr;
  POINT at{};
  UINT flags = 0;
  std::vector<MenuItemRecord> items;  // as offered, after WM_INITMENUPOPUP
  UINT chosen = 0;
  bool answered = false;  // a queued choice was taken
  bool refused = false;   // the choice named a missing, disabled or pop-up item
};
WIN_CLASS std::vector<MenuRecord> MenuLog();
// Picks a command from a window's menu bar as a user would (WM_INITMENU,
// WM_INITMENUPOPUP on the way, WM_COMMAND); false when the item is missing
// or disabled.
WIN_CLASS bool PickMenuCommand(HWND window, UINT id);

// --- Cursors ----------------------------------------------------------------
// "IDC_ARROW", "IDC_WAIT" ... for system cursors, the resource name (or
// "#id") for a module's; empty for none.
WIN_CLASS std::string CursorName(HCURSOR cursor);
WIN_CLASS std::string CurrentCursorName();

// --- Painted pixels ----------------------------------------------------------
// What has been painted so far (pump first to paint pending updates).
// Writes the window's picture (a child's rectangle cut out of its top-level
// window's surface) as a PNG file; false when nothing was painted yet.
WIN_CLASS bool SaveWindowPng(HWND hwnd, const char* winPath);
// Writes hwnd's top-level window as the screen shows it: with the visible
// pop-ups it owns (tooltips, pop-up windows) laid over it where they stand,
// clipped to the window; false when nothing was painted yet.
WIN_CLASS bool SaveScreenPng(HWND hwnd, const char* winPath);
// The colour at a point of the window's client area; CLR_INVALID outside it
// or before anything was painted.
WIN_CLASS COLORREF WindowPixel(HWND hwnd, int x, int y);

// Forgets queued dialog scripts and message-box answers and clears the
// logs (for test fixtures).
WIN_CLASS void ResetLogs();

}  // namespace win::script
