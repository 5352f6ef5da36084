// The up-down (spin) control: two arrows stepping a position within a range,
// optionally shown in a buddy window's text and driven by its arrow keys.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "common_control_kit.h"

namespace win::user {
namespace {

constexpr const char* kBuddyProp = "UpDownOwner";
constexpr const char* kBuddyProcProp = "UpDownBuddyProc";

struct UpDownState : ControlState {
  int low = 100;  // the control's default range runs 100 down to 0
  int high = 0;
  int pos = 0;
  int base = 10;
  HWND buddy = nullptr;
};

bool Horizontal(HWND h) { return (StyleOf(h) & UDS_HORZ) != 0; }

int Clip(const UpDownState& s, int v) { return Clamp(v, std::min(s.low, s.high), std::max(s.low, s.high)); }

std::string Format(HWND h, const UpDownState& s, int v) {
  if (s.base == 16) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(v) & 0xFFFFu);
    return buf;
  }
  std::string digits = std::to_string(v < 0 ? -static_cast<long long>(v) : v);
  bool group = !(StyleOf(h) & UDS_NOTHOUSANDS);
  std::string out = v < 0 ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (group && i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

// The buddy's number; false when its text is not one.
bool BuddyValue(const UpDownState& s, int* value) {
  char buf[64];
  GetWindowTextA(s.buddy, buf, sizeof buf);
  std::string t;
  for (const char* p = buf; *p; ++p)
    if (*p != ',') t += *p;
  if (t.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(t.c_str(), &end, s.base == 16 ? 16 : 10);
  if (*end) return false;
  *value = static_cast<int>(v);
  return true;
}

void ShowInBuddy(HWND h, UpDownState& s) {
  if (s.buddy && (StyleOf(h) & UDS_SETBUDDYINT) && IsWindow(s.buddy))
    SetWindowTextA(s.buddy, Format(h, s, s.pos).c_str());
}

void Place(HWND h, UpDownState& s) {
  DWORD style = StyleOf(h);
  if (!s.buddy || !(style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return;
  RECT b, mine;
  GetWindowRect(s.buddy, &b);
  GetWindowRect(h, &mine);
  HWND parent = GetParent(h);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&b), 2);
  int width = mine.right - mine.left;
  if (style & UDS_ALIGNRIGHT) {
    MoveWindow(s.buddy, b.left, b.top, b.right - b.left - width, b.bottom - b.top, TRUE);
    MoveWindow(h, b.right - width, b.top, width, b.bottom - b.top, TRUE);
  } else {
    MoveWindow(s.buddy, b.left + width, b.top, b.right - b.left - width, b.bottom - b.top, TRUE);
    MoveWindow(h, b.left, b.top, width, b.bottom - b.top, TRUE);
  }
}

// One step as the user makes it: asks the parent (UDN_DELTAPOS may refuse),
// moves, wraps or stops at the ends, updates the buddy, tells the parent.
void Step(HWND h, UpDownState& s, int direction) {
  int current = s.pos;
  if (s.buddy && (StyleOf(h) & UDS_SETBUDDYINT)) BuddyValue(s, &current);
  int delta = s.low <= s.high ? direction : -direction;
  NMUPDOWN nm{};
  nm.iPos = current;
  nm.iDelta = delta;
  if (SendNotify(h, UDN_DELTAPOS, &nm.hdr)) return;
  if (!IsWindow(h)) return;
  int lo = std::min(s.low, s.high), hi = std::max(s.low, s.high);
  long long next = static_cast<long long>(current) + nm.iDelta;
  if (next > hi) next = (StyleOf(h) & UDS_WRAP) ? lo : hi;
  if (next < lo) next = (StyleOf(h) & UDS_WRAP) ? hi : lo;
  s.pos = static_cast<int>(next);
  ShowInBuddy(h, s);
  if (HWND parent = GetParent(h))
    Send(parent, Horizontal(h) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(s.pos)),
         reinterpret_cast<LPARAM>(h));
}

LRESULT CALLBACK BuddyProc(HWND b, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto old = reinterpret_cast<WNDPROC>(GetPropA(b, kBuddyProcProp));
  HWND owner = static_cast<HWND>(GetPropA(b, kBuddyProp));
  if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && IsWindow(owner)) {
    if (auto* s = ControlOf<UpDownState>(owner)) {
      Step(owner, *s, wParam == VK_UP ? 1 : -1);
      return 0;
    }
  }
  if (msg == WM_NCDESTROY) {
    RemovePropA(b, kBuddyProp);
    RemovePropA(b, kBuddyProcProp);
    if (old) SetWindowLongPtrA(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  }
  return old ? CallWindowProcA(old, b, msg, wParam, lParam) : DefWindowProcA(b, msg, wParam, lParam);
}

void Unhook(HWND h, UpDownState& s) {
  if (!s.buddy || !IsWindow(s.buddy) || GetPropA(s.buddy, kBuddyProp) != static_cast<HANDLE>(h)) return;
  auto old = reinterpret_cast<WNDPROC>(GetPropA(s.buddy, kBuddyProcProp));
  RemovePropA(s.buddy, kBuddyProp);
  RemovePropA(s.buddy, kBuddyProcProp);
  if (old) SetWindowLongPtrA(s.buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
}

HWND SetBuddy(HWND h, UpDownState& s, HWND buddy) {
  HWND old = s.buddy;
  Unhook(h, s);
  s.buddy = IsWindow(buddy) ? buddy : nullptr;
  if (!s.buddy) return old;
  if (StyleOf(h) & UDS_ARROWKEYS) {
    SetPropA(s.buddy, kBuddyProp, static_cast<HANDLE>(h));
    SetPropA(s.buddy, kBuddyProcProp,
             reinterpret_cast<HANDLE>(SetWindowLongPtrA(s.buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BuddyProc))));
  }
  Place(h, s);
  ShowInBuddy(h, s);
  return old;
}

void Paint(HWND h) {
  PaintControl(h, nullptr, [&](HDC dc, const RECT& c) {
    bool horz = Horizontal(h);
    RECT a = horz ? RECT{c.left, c.top, (c.left + c.right) / 2, c.bottom} : RECT{c.left, c.top, c.right, (c.top + c.bottom) / 2};
    RECT b = horz ? RECT{a.right, c.top, c.right, c.bottom} : RECT{c.left, a.bottom, c.right, c.bottom};
    COLORREF ink = GetSysColor(IsWindowEnabled(h) ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    for (RECT* r : {&a, &b}) {
      RECT e = *r;
      DrawEdge(dc, &e, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
    DrawArrow(dc, a, horz ? Arrow::Left : Arrow::Up, ink);
    DrawArrow(dc, b, horz ? Arrow::Right : Arrow::Down, ink);
  });
}

}  // namespace

LRESULT CALLBACK UpDownProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<UpDownState>(h);
  if (!s) return 0;
  switch (msg) {
    case WM_CREATE:
      if (StyleOf(h) & UDS_AUTOBUDDY) SetBuddy(h, *s, GetWindow(h, GW_HWNDPREV));
      return 0;
    case UDM_SETRANGE:
      s->high = static_cast<SHORT>(LOWORD(lParam));
      s->low = static_cast<SHORT>(HIWORD(lParam));
      s->pos = Clip(*s, s->pos);
      return 0;
    case UDM_SETRANGE32:
      s->low = static_cast<int>(wParam);
      s->high = static_cast<int>(lParam);
      s->pos = Clip(*s, s->pos);
      return 0;
    case UDM_GETRANGE: return MAKELONG(static_cast<WORD>(s->high), static_cast<WORD>(s->low));
    case UDM_GETRANGE32:
      if (wParam) *reinterpret_cast<int*>(wParam) = s->low;
      if (lParam) *reinterpret_cast<int*>(lParam) = s->high;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      int old = s->pos;
      s->pos = Clip(*s, msg == UDM_SETPOS ? static_cast<SHORT>(LOWORD(lParam)) : static_cast<int>(lParam));
      ShowInBuddy(h, *s);
      return old;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32: {
      bool error = false;
      if (s->buddy && (StyleOf(h) & UDS_SETBUDDYINT)) {
        int v = 0;
        if (BuddyValue(*s, &v) && v == Clip(*s, v))
          s->pos = v;
        else
          error = true;
      }
      if (msg == UDM_GETPOS32) {
        if (lParam) *reinterpret_cast<BOOL*>(lParam) = error ? TRUE : FALSE;
        return s->pos;
      }
      return MAKELONG(static_cast<WORD>(s->pos), error ? 1 : 0);
    }
    case UDM_SETBUDDY: return reinterpret_cast<LRESULT>(SetBuddy(h, *s, reinterpret_cast<HWND>(wParam)));
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(s->buddy);
    case UDM_SETBASE: {
      if (wParam != 10 && wParam != 16) return 0;
      int old = s->base;
      s->base = static_cast<int>(wParam);
      ShowInBuddy(h, *s);
      return old;
    }
    case UDM_GETBASE: return s->base;
    case WM_LBUTTONDOWN: {
      RECT c;
      GetClientRect(h, &c);
      bool first = Horizontal(h) ? GET_X_LPARAM(lParam) < (c.right / 2) : GET_Y_LPARAM(lParam) < (c.bottom / 2);
      // Up (or right) arrow steps forward.
      Step(h, *s, Horizontal(h) ? (first ? -1 : 1) : (first ? 1 : -1));
      return 0;
    }
    case WM_KEYDOWN:
      if ((StyleOf(h) & UDS_ARROWKEYS) && (wParam == VK_UP || wParam == VK_DOWN)) {
        Step(h, *s, wParam == VK_UP ? 1 : -1);
        return 0;
      }
      return DefWindowProcA(h, msg, wParam, lParam);
    case WM_DESTROY: Unhook(h, *s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(h); return 0;
    default: return DefWindowProcA(h, msg, wParam, lParam);
  }
}

}  // namespace win::user
