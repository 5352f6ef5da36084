// Rule-table layout of dialogs that grow with their frame.
#include "dialogs/dialog_layout.h"

#include <algorithm>

#include "win/win_user.h"

namespace {

struct Box {
  int x, y, w, h;
};

// A control's rectangle in the dialog's client coordinates; inclusive
// sizes count both edges (right - left + 1).
bool ControlBox(HWND dialog, int id, bool inclusive, Box* box) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control) return false;
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  const int extra = inclusive ? 1 : 0;
  *box = {r.left, r.top, r.right - r.left + extra, r.bottom - r.top + extra};
  return true;
}

int Scale(int v, int now, int before) {
  if (before == 0) return v;
  return static_cast<int>(static_cast<double>(v) * now / before);
}

// The grid rules 3 to 7: a quarter, third, half, two thirds or three
// quarters of the space after the margin, and where that cell starts.
int GridSize(int rule, int extent) {
  switch (rule) {
    case 3: return (extent - 20) >> 2;
    case 4: return (extent - 16) / 3;
    case 5: return (extent - 20) >> 1;
    case 6: return (extent - 16) / 3 * 2;
    case 7: return ((extent - 20) >> 2) * 3;
    default: return 0;
  }
}
int GridStart(int rule, int extent) {
  switch (rule) {
    case 3: return GridSize(3, extent) + 8;
    case 4: return GridSize(4, extent) + 8;
    case 5: return GridSize(5, extent) + 12;
    case 6: return GridSize(6, extent) + 12;
    case 7: return GridSize(7, extent) + 16;
    default: return 0;
  }
}

// A position: horizontal when across. False when the rule names a
// control that does not exist.
bool Position(HWND dialog, int rule, bool across, const Box& old, int now, int before, bool inclusive, int* out) {
  const int v0 = across ? old.x : old.y;
  if (rule == 0) *out = v0;
  else if (rule == 1) *out = Scale(v0, now, before);
  else if (rule == 2) *out = 4;
  else if (rule >= 3 && rule <= 7) *out = GridStart(rule, now);
  else if (rule == 8) *out = now - (before - v0);
  else {
    Box other{};
    if (!ControlBox(dialog, rule < 0 ? -rule : rule, inclusive, &other)) return false;
    if (rule > 0) *out = across ? other.x : other.y;
    else *out = across ? other.x + other.w - 4 : other.y + other.h + 4;
  }
  return true;
}

bool Size(HWND dialog, int rule, bool across, const Box& old, int newPos, int now, int before, bool inclusive,
          int* out) {
  const int v0 = across ? old.x : old.y;
  const int s0 = across ? old.w : old.h;
  if (rule == 0) *out = s0;
  else if (rule == 1) *out = Scale(s0, now, before);
  else if (rule >= 3 && rule <= 7) *out = GridSize(rule, now);
  else if (rule == 8) *out = now - (before - (v0 + s0)) - newPos;
  else if (!across && rule >= 9 && rule <= 14) *out = s0 * (rule - 6);
  else if (rule < 0) *out = s0;  // no reach rule for sizes: keep it
  else {
    Box other{};
    if (!ControlBox(dialog, rule, inclusive, &other)) return false;
    *out = (across ? other.x : other.y) - 4 - newPos;
  }
  return true;
}

void LayOut(HWND dialog, const KELT_LAYOUT_RULE* rules, int32_t count, int w0, int h0, int w, int h,
            bool inclusive) {
  if (!rules) return;
  for (int32_t i = 0; i < count; ++i) {
    const KELT_LAYOUT_RULE& r = rules[i];
    Box old{};
    if (!ControlBox(dialog, r.id, inclusive, &old)) continue;
    int x = 0, y = 0, cx = 0, cy = 0;
    if (!Position(dialog, r.x, true, old, w, w0, inclusive, &x)) continue;
    if (!Position(dialog, r.y, false, old, h, h0, inclusive, &y)) continue;
    if (!Size(dialog, r.width, true, old, x, w, w0, inclusive, &cx)) continue;
    if (!Size(dialog, r.height, false, old, y, h, h0, inclusive, &cy)) continue;
    ::MoveWindow(::GetDlgItem(dialog, r.id), x, y, std::max(cx, 0), std::max(cy, 0), FALSE);
  }
}

}  // namespace

int32_t ExpandDialog(CWnd* dialog, const KELT_LAYOUT_RULE* rules, int32_t count) {
  HWND hwnd = dialog ? dialog->GetSafeHwnd() : nullptr;
  if (!hwnd) return count;
  HWND parent = ::GetParent(hwnd);
  RECT mine{};
  ::GetWindowRect(hwnd, &mine);
  const int oldW = mine.right - mine.left + 1, oldH = mine.bottom - mine.top + 1;
  int newW = oldW, newH = oldH;
  if (parent) {
    RECT pr{};
    ::GetClientRect(parent, &pr);
    newW = std::max(static_cast<int>(pr.right - pr.left + 1), oldW);
    newH = std::max(static_cast<int>(pr.bottom - pr.top + 1), oldH);
  }
  ::MoveWindow(hwnd, 0, 0, newW, newH, FALSE);
  const int frameX = ::GetSystemMetrics(SM_CXDLGFRAME), frameY = ::GetSystemMetrics(SM_CYDLGFRAME);
  const int caption = ::GetSystemMetrics(SM_CYCAPTION);
  LayOut(hwnd, rules, count, oldW - 2 * frameX, oldH - caption - 2 * frameY, newW - 2 * frameX,
         newH - caption - 2 * frameY, true);
  return count;
}

int32_t KELT_SizeDialog(CWnd* dialog, const KELT_LAYOUT_RULE* rules, int32_t count, RECT previousClient,
                        RECT currentWindow, RECT currentClient) {
  (void)currentWindow;  // the client origin comes from the window itself here
  HWND hwnd = dialog ? dialog->GetSafeHwnd() : nullptr;
  if (!hwnd) return count;
  LayOut(hwnd, rules, count, previousClient.right - previousClient.left, previousClient.bottom - previousClient.top,
         currentClient.right - currentClient.left, currentClient.bottom - currentClient.top, false);
  return count;
}
