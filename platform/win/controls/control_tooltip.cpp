// The tooltip control: tools (a window, or a rectangle of one) with texts;
// mouse messages relayed to it start a delay on the virtual clock after
// which the tip shows next to the pointer, and pops after a while or on a
// click. Callback texts are asked with TTN_GETDISPINFO.
#include <algorithm>
#include <cstring>
#include <string>

#include "common_control_kit.h"

namespace win::user {
namespace {

constexpr UINT_PTR kShowTimer = 1, kPopTimer = 2;

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect{};
  std::string text;
  bool callback = false;
  HINSTANCE hinst = nullptr;
  LPARAM lParam = 0;
};

struct TipState : ControlState {
  std::vector<Tool> tools;
  bool active = true;
  int current = -1;
  bool shown = false;
  UINT initial = 500, autopop = 5000;
  POINT at{};
  HFONT font = nullptr;
  int maxWidth = -1;
};

bool ValidInfo(LPARAM lParam) {
  auto* ti = reinterpret_cast<const TOOLINFOA*>(lParam);
  return ti && ti->cbSize >= offsetof(TOOLINFOA, lParam);
}

int FindTool(const TipState& s, HWND hwnd, UINT_PTR id) {
  for (size_t i = 0; i < s.tools.size(); ++i)
    if (s.tools[i].hwnd == hwnd && s.tools[i].id == id) return static_cast<int>(i);
  return -1;
}

void SetText(Tool& t, const TOOLINFOA& ti) {
  t.callback = ti.lpszText == LPSTR_TEXTCALLBACKA;
  t.text.clear();
  if (t.callback || !ti.lpszText) return;
  if (IS_INTRESOURCE(ti.lpszText)) {
    char buf[256];
    if (LoadStringA(ti.hinst, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(ti.lpszText)), buf, sizeof buf)) t.text = buf;
  } else {
    t.text = ti.lpszText;
  }
}

void Fill(const Tool& t, TOOLINFOA* ti) {
  ti->uFlags = t.flags;
  ti->hwnd = t.hwnd;
  ti->uId = t.id;
  ti->rect = t.rect;
  ti->hinst = t.hinst;
  if (ti->cbSize >= offsetof(TOOLINFOA, lpReserved)) ti->lParam = t.lParam;
}

void Hide(HWND h, TipState& s) {
  KillTimer(h, kShowTimer);
  KillTimer(h, kPopTimer);
  if (s.shown) {
    s.shown = false;
    ShowWindow(h, SW_HIDE);
    if (s.current >= 0 && static_cast<size_t>(s.current) < s.tools.size()) {
      NMHDR nm{};
      nm.hwndFrom = h;
      nm.idFrom = s.tools[static_cast<size_t>(s.current)].id;
      nm.code = TTN_POP;
      Send(s.tools[static_cast<size_t>(s.current)].hwnd, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
    }
  }
}

std::string TextOf(HWND h, const Tool& t) {
  if (!t.callback) return t.text;
  NMTTDISPINFOA di{};
  di.hdr.hwndFrom = h;
  di.hdr.idFrom = t.id;
  di.hdr.code = TTN_GETDISPINFOA;
  di.uFlags = t.flags;
  di.lParam = t.lParam;
  if (IsWindow(t.hwnd)) Send(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(&di));
  if (di.lpszText && di.lpszText != LPSTR_TEXTCALLBACKA) {
    if (IS_INTRESOURCE(di.lpszText)) {
      char buf[256];
      return LoadStringA(di.hinst, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(di.lpszText)), buf, sizeof buf) ? buf : "";
    }
    return di.lpszText;
  }
  di.szText[sizeof di.szText - 1] = 0;
  return di.szText;
}

void Show(HWND h, TipState& s) {
  KillTimer(h, kShowTimer);
  if (!s.active || s.current < 0 || static_cast<size_t>(s.current) >= s.tools.size()) return;
  Tool t = s.tools[static_cast<size_t>(s.current)];
  std::string text = TextOf(h, t);
  if (!IsWindow(h) || text.empty()) return;
  SetWindowTextA(h, text.c_str());
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, FontOrDefault(s.font));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  NMHDR nm{};
  nm.hwndFrom = h;
  nm.idFrom = t.id;
  nm.code = TTN_SHOW;
  if (!IsWindow(t.hwnd) || !Send(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(&nm)))
    SetWindowPos(h, HWND_TOPMOST, s.at.x, s.at.y + 20, size.cx + 8, size.cy + 4, SWP_NOACTIVATE);
  ShowWindow(h, SW_SHOWNOACTIVATE);
  s.shown = true;
  SetTimer(h, kPopTimer, s.autopop, nullptr);
}

// The tool under a point of a window, or -1.
int ToolAt(const TipState& s, HWND hwnd, POINT pt) {
  for (size_t i = 0; i < s.tools.size(); ++i) {
    const Tool& t = s.tools[i];
    if (t.flags & TTF_IDISHWND) {
      if (reinterpret_cast<HWND>(t.id) == hwnd) return static_cast<int>(i);
    } else if (t.hwnd == hwnd && pt.x >= t.rect.left && pt.x < t.rect.right && pt.y >= t.rect.top &&
               pt.y < t.rect.bottom) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void Relay(HWND h, TipState& s, const MSG& m) {
  switch (m.message) {
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
      int tool = ToolAt(s, m.hwnd, pt);
      POINT screen = pt;
      ClientToScreen(m.hwnd, &screen);
      if (tool == s.current) return;
      Hide(h, s);
      s.current = tool;
      s.at = screen;
      if (tool >= 0 && s.active) SetTimer(h, kShowTimer, s.initial, nullptr);
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      Hide(h, s);
      return;
    default: return;
  }
}

void Paint(HWND h, TipState& s) {
  PaintControl(h, s.font, [&](HDC dc, const RECT& c) {
    FillSys(dc, c, COLOR_INFOBK);
    FrameRect(dc, &c, GetSysColorBrush(COLOR_INFOTEXT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    RECT r{c.left + 4, c.top + 2, c.right - 2, c.bottom - 2};
    char buf[512];
    GetWindowTextA(h, buf, sizeof buf);
    UINT fmt = DT_SINGLELINE | DT_LEFT;
    if (StyleOf(h) & TTS_NOPREFIX) fmt |= DT_NOPREFIX;
    DrawTextA(dc, buf, -1, &r, fmt);
  });
}

}  // namespace

LRESULT CALLBACK ToolTipProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<TipState>(h);
  if (!s) return 0;
  switch (msg) {
    case TTM_ACTIVATE:
      s->active = wParam != 0;
      if (!s->active) Hide(h, *s);
      return 0;
    case TTM_SETDELAYTIME: {
      UINT ms = LOWORD(lParam);
      if (static_cast<SHORT>(LOWORD(lParam)) < 0) ms = wParam == TTDT_AUTOPOP ? 5000 : 500;
      if (wParam == TTDT_INITIAL) s->initial = ms;
      if (wParam == TTDT_AUTOPOP) s->autopop = ms;
      if (wParam == TTDT_AUTOMATIC) {
        s->initial = ms;
        s->autopop = ms * 10;
      }
      return 0;
    }
    case TTM_ADDTOOLA: {
      if (!ValidInfo(lParam)) return FALSE;
      auto* ti = reinterpret_cast<const TOOLINFOA*>(lParam);
      Tool t;
      t.flags = ti->uFlags;
      t.hwnd = ti->hwnd;
      t.id = ti->uId;
      t.rect = ti->rect;
      t.hinst = ti->hinst;
      if (ti->cbSize >= offsetof(TOOLINFOA, lpReserved)) t.lParam = ti->lParam;
      SetText(t, *ti);
      int existing = FindTool(*s, t.hwnd, t.id);
      if (existing >= 0)
        s->tools[static_cast<size_t>(existing)] = t;
      else
        s->tools.push_back(t);
      return TRUE;
    }
    case TTM_DELTOOLA: {
      if (!ValidInfo(lParam)) return 0;
      auto* ti = reinterpret_cast<const TOOLINFOA*>(lParam);
      int i = FindTool(*s, ti->hwnd, ti->uId);
      if (i < 0) return 0;
      if (i == s->current) {
        Hide(h, *s);
        s->current = -1;
      } else if (i < s->current) {
        --s->current;
      }
      s->tools.erase(s->tools.begin() + i);
      return 0;
    }
    case TTM_NEWTOOLRECTA:
    case TTM_SETTOOLINFOA:
    case TTM_UPDATETIPTEXTA: {
      if (!ValidInfo(lParam)) return 0;
      auto* ti = reinterpret_cast<const TOOLINFOA*>(lParam);
      int i = FindTool(*s, ti->hwnd, ti->uId);
      if (i < 0) return 0;
      Tool& t = s->tools[static_cast<size_t>(i)];
      if (msg != TTM_UPDATETIPTEXTA) t.rect = ti->rect;
      if (msg == TTM_SETTOOLINFOA) t.flags = ti->uFlags;
      if (msg != TTM_NEWTOOLRECTA) SetText(t, *ti);
      if (i == s->current && s->shown) SetWindowTextA(h, TextOf(h, t).c_str());
      return 0;
    }
    case TTM_GETTOOLINFOA: {
      if (!ValidInfo(lParam)) return FALSE;
      auto* ti = reinterpret_cast<TOOLINFOA*>(lParam);
      int i = FindTool(*s, ti->hwnd, ti->uId);
      if (i < 0) return FALSE;
      Fill(s->tools[static_cast<size_t>(i)], ti);
      return TRUE;
    }
    case TTM_GETTEXTA: {
      if (!ValidInfo(lParam)) return 0;
      auto* ti = reinterpret_cast<TOOLINFOA*>(lParam);
      int i = FindTool(*s, ti->hwnd, ti->uId);
      if (i < 0 || !ti->lpszText) return 0;
      std::string text = s->tools[static_cast<size_t>(i)].text;
      size_t limit = wParam ? static_cast<size_t>(wParam) : 80;  // the old call's buffer is 80 characters
      size_t n = std::min(text.size(), limit - 1);
      std::memcpy(ti->lpszText, text.data(), n);
      ti->lpszText[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(s->tools.size());
    case TTM_RELAYEVENT:
      if (lParam) Relay(h, *s, *reinterpret_cast<const MSG*>(lParam));
      return 0;
    case TTM_POP: Hide(h, *s); return 0;
    case TTM_SETMAXTIPWIDTH: {
      int old = s->maxWidth;
      s->maxWidth = static_cast<int>(lParam);
      return old;
    }
    case WM_TIMER:
      if (wParam == kShowTimer) Show(h, *s);
      if (wParam == kPopTimer) Hide(h, *s);
      return 0;
    case WM_SETFONT: s->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(h, *s); return 0;
    default: return DefWindowProcA(h, msg, wParam, lParam);
  }
}

}  // namespace win::user
