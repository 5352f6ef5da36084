// The toolbar: a row (or rows) of buttons with images from an image list,
// separators, check and drop-down buttons. Clicks come to the notify window
// (the parent unless TB_SETPARENT named another) as WM_COMMAND; a drop-down
// button's arrow as TBN_DROPDOWN. With TBSTYLE_TOOLTIPS the toolbar keeps a
// tooltip control whose texts its notify window gives (TTN_GETDISPINFO).
#include <algorithm>
#include <cstring>
#include <string>

#include "common_control_kit.h"

namespace win::user {
namespace {

constexpr int kSeparator = 8;
constexpr int kArrow = 14;  // the drop-down arrow's part of a button

struct Button {
  TBBUTTON b{};
  RECT rect{};
};

struct ToolbarState : ControlState {
  std::vector<Button> buttons;
  int cx = 24, cy = 22;          // button size
  int bx = 16, by = 15;          // image size
  HIMAGELIST images = nullptr;
  bool ownImages = false;
  HWND notify = nullptr;
  HWND tips = nullptr;
  DWORD exStyle = 0;
  bool anchor = false;
  int hot = -1;
  int pressed = -1;
  int rows = 1;
  ~ToolbarState() override {
    if (ownImages && images) ImageList_Destroy(images);
  }
};

HWND NotifyWindow(HWND h, const ToolbarState& s) {
  if (s.notify && IsWindow(s.notify)) return s.notify;
  return GetParent(h);
}

bool IsSep(const TBBUTTON& b) { return (b.fsStyle & TBSTYLE_SEP) != 0; }
bool HasArrow(const ToolbarState& s, const TBBUTTON& b) {
  return (b.fsStyle & TBSTYLE_DROPDOWN) && (s.exStyle & TBSTYLE_EX_DRAWDDARROWS);
}
int WidthOf(const ToolbarState& s, const TBBUTTON& b) {
  if (IsSep(b)) return b.iBitmap > 0 ? b.iBitmap : kSeparator;
  return s.cx + (HasArrow(s, b) ? kArrow : 0);
}

int IndexOf(const ToolbarState& s, int id) {
  for (size_t i = 0; i < s.buttons.size(); ++i)
    if (s.buttons[i].b.idCommand == id) return static_cast<int>(i);
  return -1;
}

void SyncTips(HWND h, ToolbarState& s) {
  if (!s.tips || !IsWindow(s.tips)) return;
  for (auto& btn : s.buttons) {
    if (IsSep(btn.b)) continue;
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = h;
    ti.uId = static_cast<UINT_PTR>(btn.b.idCommand);
    ti.rect = (btn.b.fsState & TBSTATE_HIDDEN) ? RECT{} : btn.rect;
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    if (!Send(s.tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti))) {
      ti.lpszText = LPSTR_TEXTCALLBACKA;
      Send(s.tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    } else {
      ti.rect = (btn.b.fsState & TBSTATE_HIDDEN) ? RECT{} : btn.rect;
      Send(s.tips, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
    }
  }
}

// Places the buttons left to right, starting a new row after each button
// with the wrap state.
void Layout(HWND h, ToolbarState& s) {
  int x = 0, y = 2, rows = 1;
  for (size_t i = 0; i < s.buttons.size(); ++i) {
    Button& btn = s.buttons[i];
    if (btn.b.fsState & TBSTATE_HIDDEN) {
      btn.rect = RECT{};
      continue;
    }
    bool wraps = (btn.b.fsState & TBSTATE_WRAP) && i + 1 < s.buttons.size();
    if (IsSep(btn.b) && wraps && x == 0) {
      // A separator alone between rows is a thin horizontal strip.
      btn.rect = RECT{0, y, 0, y + kSeparator};
      y += kSeparator;
      continue;
    }
    int w = WidthOf(s, btn.b);
    btn.rect = RECT{x, y, x + w, y + s.cy};
    x += w;
    if (wraps) {
      x = 0;
      y += s.cy;
      ++rows;
    }
  }
  s.rows = rows;
  SyncTips(h, s);
}

// Sets the wrap states so that the buttons fit width (a TBSTYLE_WRAPABLE bar).
void WrapTo(ToolbarState& s, int width) {
  int x = 0;
  for (size_t i = 0; i < s.buttons.size(); ++i) {
    auto& b = s.buttons[i].b;
    b.fsState &= static_cast<BYTE>(~TBSTATE_WRAP);
    if (b.fsState & TBSTATE_HIDDEN) continue;
    int w = WidthOf(s, b);
    if (x > 0 && x + w > width) {
      // Wrap after the previous visible button (a separator there takes the break).
      for (size_t k = i; k-- > 0;)
        if (!(s.buttons[k].b.fsState & TBSTATE_HIDDEN)) {
          s.buttons[k].b.fsState |= TBSTATE_WRAP;
          break;
        }
      x = 0;
    }
    x += w;
  }
}

SIZE MaxSize(const ToolbarState& s) {
  SIZE size{0, 0};
  for (auto& btn : s.buttons) {
    if (btn.b.fsState & TBSTATE_HIDDEN) continue;
    size.cx = std::max<LONG>(size.cx, btn.rect.right);
    size.cy = std::max<LONG>(size.cy, btn.rect.bottom);
  }
  return size;
}

void AutoSize(HWND h, ToolbarState& s) {
  DWORD style = StyleOf(h);
  HWND parent = GetParent(h);
  if ((style & TBSTYLE_WRAPABLE) && parent) {
    RECT pc;
    GetClientRect(parent, &pc);
    WrapTo(s, pc.right);
  }
  Layout(h, s);
  if ((style & CCS_NORESIZE) || !parent) return;
  RECT pc, mine;
  GetClientRect(parent, &pc);
  GetWindowRect(h, &mine);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&mine), 2);
  int height = MaxSize(s).cy + 2 + ((style & CCS_NODIVIDER) ? 0 : 2);
  int y = (style & CCS_NOPARENTALIGN) ? mine.top : ((style & CCS_BOTTOM) == CCS_BOTTOM ? pc.bottom - height : 0);
  int x = (style & CCS_NOPARENTALIGN) ? mine.left : 0;
  SetWindowPos(h, nullptr, x, y, pc.right - x, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Changed(HWND h, ToolbarState& s, bool relayout) {
  if (relayout) Layout(h, s);
  InvalidateRect(h, nullptr, TRUE);
}

int HitTest(const ToolbarState& s, POINT pt) {
  for (size_t i = 0; i < s.buttons.size(); ++i) {
    const RECT& r = s.buttons[i].rect;
    if (!(s.buttons[i].b.fsState & TBSTATE_HIDDEN) && pt.x >= r.left && pt.x < r.right && pt.y >= r.top &&
        pt.y < r.bottom)
      return static_cast<int>(i);
  }
  return -1;
}

LRESULT DropDown(HWND h, ToolbarState& s, int index) {
  NMTOOLBARA nm{};
  nm.iItem = s.buttons[static_cast<size_t>(index)].b.idCommand;
  nm.tbButton = s.buttons[static_cast<size_t>(index)].b;
  nm.rcButton = s.buttons[static_cast<size_t>(index)].rect;
  return SendNotify(h, NotifyWindow(h, s), TBN_DROPDOWN, &nm.hdr);
}

void Paint(HWND h, ToolbarState& s) {
  PaintControl(h, nullptr, [&](HDC dc, const RECT& c) {
    FillSys(dc, c, COLOR_BTNFACE);
    if (!(StyleOf(h) & CCS_NODIVIDER)) {
      RECT top = c;
      DrawEdge(dc, &top, EDGE_ETCHED, BF_TOP);
    }
    bool flat = (StyleOf(h) & TBSTYLE_FLAT) != 0;
    for (size_t i = 0; i < s.buttons.size(); ++i) {
      const Button& btn = s.buttons[i];
      if (btn.b.fsState & TBSTATE_HIDDEN) continue;
      RECT r = btn.rect;
      if (IsSep(btn.b) && r.right == r.left) {
        RECT line{c.left, (r.top + r.bottom) / 2 - 1, c.right, (r.top + r.bottom) / 2 + 1};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        continue;
      }
      if (IsSep(btn.b)) {
        RECT line{(r.left + r.right) / 2 - 1, r.top + 2, (r.left + r.right) / 2 + 1, r.bottom - 2};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
        continue;
      }
      bool down = (btn.b.fsState & (TBSTATE_CHECKED | TBSTATE_PRESSED)) != 0;
      bool enabled = (btn.b.fsState & TBSTATE_ENABLED) != 0;
      if (btn.b.fsState & TBSTATE_CHECKED) FillSys(dc, r, COLOR_3DLIGHT);
      RECT e = r;
      if (down)
        DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
      else if (!flat || (static_cast<int>(i) == s.hot && enabled))
        DrawEdge(dc, &e, BDR_RAISEDINNER, BF_RECT);
      int face = r.right - r.left - (HasArrow(s, btn.b) ? kArrow : 0);
      int ix = r.left + (face - s.bx) / 2 + (down ? 1 : 0), iy = r.top + (s.cy - s.by) / 2 + (down ? 1 : 0);
      if (s.images && btn.b.iBitmap >= 0) {
        if (enabled)
          ImageList_Draw(s.images, btn.b.iBitmap, dc, ix, iy, ILD_NORMAL);
        else
          DrawImageDisabled(s.images, btn.b.iBitmap, dc, ix, iy);
      }
      if (HasArrow(s, btn.b)) {
        RECT arrow{r.right - kArrow, r.top, r.right, r.bottom};
        RECT sep = arrow;
        DrawEdge(dc, &sep, EDGE_ETCHED, BF_LEFT);
        DrawArrow(dc, arrow, Arrow::Down, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
      }
    }
  });
}

LRESULT SetStateBit(HWND h, ToolbarState& s, WPARAM id, BYTE bit, bool on, bool relayout = false) {
  int i = IndexOf(s, static_cast<int>(id));
  if (i < 0) return FALSE;
  BYTE& st = s.buttons[static_cast<size_t>(i)].b.fsState;
  BYTE before = st;
  st = on ? static_cast<BYTE>(st | bit) : static_cast<BYTE>(st & ~bit);
  if (st != before) Changed(h, s, relayout);
  return TRUE;
}

bool Insert(HWND h, ToolbarState& s, size_t at, const TBBUTTON* b) {
  if (!b) return false;
  Button btn;
  btn.b = *b;
  s.buttons.insert(s.buttons.begin() + static_cast<long>(std::min(at, s.buttons.size())), btn);
  Changed(h, s, true);
  return true;
}

}  // namespace

LRESULT CALLBACK ToolbarProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = EnsureControl<ToolbarState>(h);
  if (!s) return 0;
  switch (msg) {
    case WM_CREATE:
      if (StyleOf(h) & TBSTYLE_TOOLTIPS)
        s->tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, h,
                                  nullptr, nullptr, nullptr);
      return 0;
    case WM_DESTROY:
      if (s->tips && IsWindow(s->tips)) DestroyWindow(s->tips);
      s->tips = nullptr;
      return 0;
    case TB_BUTTONSTRUCTSIZE: return 0;  // only the 20-byte record is known
    case TB_ADDBUTTONSA: {
      auto* list = reinterpret_cast<const TBBUTTON*>(lParam);
      if (!list) return FALSE;
      for (WPARAM i = 0; i < wParam; ++i) {
        Button btn;
        btn.b = list[i];
        s->buttons.push_back(btn);
      }
      Changed(h, *s, true);
      return TRUE;
    }
    case TB_INSERTBUTTONA:
      if (static_cast<int>(wParam) < 0) return Insert(h, *s, s->buttons.size(), reinterpret_cast<const TBBUTTON*>(lParam));
      return Insert(h, *s, wParam, reinterpret_cast<const TBBUTTON*>(lParam));
    case TB_DELETEBUTTON:
      if (wParam >= s->buttons.size()) return FALSE;
      if (s->tips && !IsSep(s->buttons[wParam].b)) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = h;
        ti.uId = static_cast<UINT_PTR>(s->buttons[wParam].b.idCommand);
        Send(s->tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
      }
      s->buttons.erase(s->buttons.begin() + static_cast<long>(wParam));
      if (s->hot >= static_cast<int>(s->buttons.size())) s->hot = -1;
      s->pressed = -1;
      Changed(h, *s, true);
      return TRUE;
    case TB_GETBUTTON:
      if (wParam >= s->buttons.size() || !lParam) return FALSE;
      *reinterpret_cast<TBBUTTON*>(lParam) = s->buttons[wParam].b;
      return TRUE;
    case TB_BUTTONCOUNT: return static_cast<LRESULT>(s->buttons.size());
    case TB_COMMANDTOINDEX: return IndexOf(*s, static_cast<int>(wParam));
    case TB_SETCMDID:
      if (wParam >= s->buttons.size()) return FALSE;
      s->buttons[wParam].b.idCommand = static_cast<int>(lParam);
      return TRUE;
    case TB_GETITEMRECT:
      if (wParam >= s->buttons.size() || !lParam || (s->buttons[wParam].b.fsState & TBSTATE_HIDDEN)) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = s->buttons[wParam].rect;
      return TRUE;
    case TB_GETRECT: {
      int i = IndexOf(*s, static_cast<int>(wParam));
      if (i < 0 || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = s->buttons[static_cast<size_t>(i)].rect;
      return TRUE;
    }
    case TB_ENABLEBUTTON: return SetStateBit(h, *s, wParam, TBSTATE_ENABLED, LOWORD(lParam) != 0);
    case TB_CHECKBUTTON: return SetStateBit(h, *s, wParam, TBSTATE_CHECKED, LOWORD(lParam) != 0);
    case TB_PRESSBUTTON: return SetStateBit(h, *s, wParam, TBSTATE_PRESSED, LOWORD(lParam) != 0);
    case TB_HIDEBUTTON: return SetStateBit(h, *s, wParam, TBSTATE_HIDDEN, LOWORD(lParam) != 0, true);
    case TB_INDETERMINATE: return SetStateBit(h, *s, wParam, TBSTATE_INDETERMINATE, LOWORD(lParam) != 0);
    case TB_ISBUTTONENABLED:
    case TB_ISBUTTONCHECKED:
    case TB_ISBUTTONPRESSED:
    case TB_ISBUTTONHIDDEN: {
      int i = IndexOf(*s, static_cast<int>(wParam));
      if (i < 0) return -1;
      BYTE bit = msg == TB_ISBUTTONENABLED ? TBSTATE_ENABLED
                 : msg == TB_ISBUTTONCHECKED ? TBSTATE_CHECKED
                 : msg == TB_ISBUTTONPRESSED ? TBSTATE_PRESSED
                                             : TBSTATE_HIDDEN;
      return (s->buttons[static_cast<size_t>(i)].b.fsState & bit) ? TRUE : FALSE;
    }
    case TB_SETSTATE: {
      int i = IndexOf(*s, static_cast<int>(wParam));
      if (i < 0) return FALSE;
      BYTE& st = s->buttons[static_cast<size_t>(i)].b.fsState;
      bool relayout = ((st ^ LOWORD(lParam)) & (TBSTATE_HIDDEN | TBSTATE_WRAP)) != 0;
      st = static_cast<BYTE>(LOWORD(lParam));
      Changed(h, *s, relayout);
      return TRUE;
    }
    case TB_GETSTATE: {
      int i = IndexOf(*s, static_cast<int>(wParam));
      return i < 0 ? -1 : s->buttons[static_cast<size_t>(i)].b.fsState;
    }
    case TB_CHANGEBITMAP: {
      int i = IndexOf(*s, static_cast<int>(wParam));
      if (i < 0) return FALSE;
      s->buttons[static_cast<size_t>(i)].b.iBitmap = static_cast<int>(LOWORD(lParam));
      Changed(h, *s, false);
      return TRUE;
    }
    case TB_GETBITMAP: {
      int i = IndexOf(*s, static_cast<int>(wParam));
      return i < 0 ? -1 : s->buttons[static_cast<size_t>(i)].b.iBitmap;
    }
    case TB_SETBUTTONSIZE:
      if (LOWORD(lParam) == 0 || HIWORD(lParam) == 0) return FALSE;
      s->cx = LOWORD(lParam);
      s->cy = HIWORD(lParam);
      Changed(h, *s, true);
      return TRUE;
    case TB_GETBUTTONSIZE: return MAKELONG(s->cx, s->cy);
    case TB_SETBITMAPSIZE:
      if (LOWORD(lParam) == 0 || HIWORD(lParam) == 0 || (s->images && ImageList_GetImageCount(s->images))) return FALSE;
      s->bx = LOWORD(lParam);
      s->by = HIWORD(lParam);
      return TRUE;
    case TB_ADDBITMAP: {
      auto* ab = reinterpret_cast<const TBADDBITMAP*>(lParam);
      if (!ab) return -1;
      HBITMAP bmp = ab->hInst ? LoadBitmapA(ab->hInst, MAKEINTRESOURCEA(ab->nID)) : reinterpret_cast<HBITMAP>(ab->nID);
      if (!bmp) return -1;
      if (!s->images) {
        s->images = ImageList_Create(s->bx, s->by, ILC_COLOR32, 16, 4);
        s->ownImages = true;
      }
      int first = ImageList_Add(s->images, bmp, nullptr);
      if (ab->hInst) DeleteObject(bmp);
      Changed(h, *s, false);
      return first;
    }
    case TB_SETIMAGELIST: {
      HIMAGELIST old = s->images;
      if (s->ownImages && old) {
        ImageList_Destroy(old);
        old = nullptr;
      }
      s->images = reinterpret_cast<HIMAGELIST>(lParam);
      s->ownImages = false;
      if (s->images) ImageList_GetIconSize(s->images, &s->bx, &s->by);
      Changed(h, *s, false);
      return reinterpret_cast<LRESULT>(old);
    }
    case TB_GETIMAGELIST: return reinterpret_cast<LRESULT>(s->images);
    case TB_AUTOSIZE: AutoSize(h, *s); return 0;
    case TB_GETMAXSIZE: {
      if (!lParam) return FALSE;
      *reinterpret_cast<SIZE*>(lParam) = MaxSize(*s);
      return TRUE;
    }
    case TB_SETROWS: {
      // Wraps so that about the asked number of rows results.
      int want = std::max(1, static_cast<int>(LOWORD(wParam)));
      int total = 0;
      for (auto& b : s->buttons)
        if (!(b.b.fsState & TBSTATE_HIDDEN)) total += WidthOf(*s, b.b);
      WrapTo(*s, (total + want - 1) / want);
      Changed(h, *s, true);
      if (lParam) {
        SIZE m = MaxSize(*s);
        *reinterpret_cast<RECT*>(lParam) = RECT{0, 0, m.cx, m.cy};
      }
      return 0;
    }
    case TB_GETROWS: return s->rows;
    case TB_SETPARENT: {
      HWND old = s->notify ? s->notify : GetParent(h);
      s->notify = reinterpret_cast<HWND>(wParam);
      return reinterpret_cast<LRESULT>(old);
    }
    case TB_SETTOOLTIPS: s->tips = reinterpret_cast<HWND>(wParam); SyncTips(h, *s); return 0;
    case TB_GETTOOLTIPS: return reinterpret_cast<LRESULT>(s->tips);
    case TB_SETEXTENDEDSTYLE: {
      DWORD old = s->exStyle;
      s->exStyle = static_cast<DWORD>(lParam);
      Changed(h, *s, true);
      return static_cast<LRESULT>(old);
    }
    case TB_GETEXTENDEDSTYLE: return static_cast<LRESULT>(s->exStyle);
    case TB_SETANCHORHIGHLIGHT: {
      bool old = s->anchor;
      s->anchor = wParam != 0;
      return old ? TRUE : FALSE;
    }
    case TB_GETANCHORHIGHLIGHT: return s->anchor ? TRUE : FALSE;
    case TB_GETHOTITEM: return s->hot;
    case TB_SETHOTITEM: {
      int old = s->hot;
      s->hot = static_cast<int>(wParam) < static_cast<int>(s->buttons.size()) ? static_cast<int>(wParam) : -1;
      if (old != s->hot) InvalidateRect(h, nullptr, TRUE);
      return old;
    }
    case TB_HITTEST: {
      if (!lParam) return -1;
      int i = HitTest(*s, *reinterpret_cast<const POINT*>(lParam));
      if (i < 0) return -1;
      return IsSep(s->buttons[static_cast<size_t>(i)].b) ? -i - 1 : i;
    }
    case TB_SETSTYLE:
      SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(lParam));
      return 0;
    case TB_GETSTYLE: return static_cast<LRESULT>(StyleOf(h));
    case WM_NOTIFY: {
      // Tooltip texts come from the notify window, asked by command id.
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr && hdr->hwndFrom == s->tips && hdr->code == TTN_GETDISPINFOA) {
        HWND to = NotifyWindow(h, *s);
        return to ? Send(to, WM_NOTIFY, hdr->idFrom, lParam) : 0;
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (s->tips) {
        MSG m{h, msg, wParam, lParam, 0, {}};
        Send(s->tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
      }
      int i = HitTest(*s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (i >= 0 && IsSep(s->buttons[static_cast<size_t>(i)].b)) i = -1;
      // With anchor highlighting the hot item stays when the pointer leaves the buttons.
      if (i != s->hot && !(i < 0 && s->anchor)) {
        s->hot = i;
        InvalidateRect(h, nullptr, TRUE);
      }
      return 0;
    }
    case WM_LBUTTONDOWN: {
      if (s->tips) {
        MSG m{h, msg, wParam, lParam, 0, {}};
        Send(s->tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
      }
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int i = HitTest(*s, pt);
      if (i < 0) return 0;
      Button& btn = s->buttons[static_cast<size_t>(i)];
      if (IsSep(btn.b) || !(btn.b.fsState & TBSTATE_ENABLED)) return 0;
      if (btn.b.fsStyle & TBSTYLE_DROPDOWN) {
        bool onArrow = HasArrow(*s, btn.b) && pt.x >= btn.rect.right - kArrow;
        if (onArrow || !HasArrow(*s, btn.b)) {
          LRESULT r = DropDown(h, *s, i);
          if (onArrow || r != TBDDRET_TREATPRESSED) return 0;
        }
      }
      s->pressed = i;
      btn.b.fsState |= TBSTATE_PRESSED;
      SetCapture(h);
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    }
    case WM_LBUTTONUP: {
      if (s->pressed < 0 || static_cast<size_t>(s->pressed) >= s->buttons.size()) return 0;
      int i = s->pressed;
      s->pressed = -1;
      if (GetCapture() == h) ReleaseCapture();
      Button& btn = s->buttons[static_cast<size_t>(i)];
      btn.b.fsState &= static_cast<BYTE>(~TBSTATE_PRESSED);
      InvalidateRect(h, nullptr, TRUE);
      if (HitTest(*s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != i) return 0;
      if (btn.b.fsStyle & TBSTYLE_CHECK) {
        if ((btn.b.fsStyle & TBSTYLE_GROUP) == TBSTYLE_GROUP) {
          // Check groups: neighbouring group buttons give up their check.
          for (int k = i - 1; k >= 0 && (s->buttons[static_cast<size_t>(k)].b.fsStyle & TBSTYLE_GROUP); --k)
            s->buttons[static_cast<size_t>(k)].b.fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
          for (size_t k = static_cast<size_t>(i) + 1; k < s->buttons.size() && (s->buttons[k].b.fsStyle & TBSTYLE_GROUP); ++k)
            s->buttons[k].b.fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
          btn.b.fsState |= TBSTATE_CHECKED;
        } else {
          btn.b.fsState ^= TBSTATE_CHECKED;
        }
      }
      int id = btn.b.idCommand;
      if (HWND to = NotifyWindow(h, *s))
        Send(to, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(h));
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->pressed >= 0 && static_cast<size_t>(s->pressed) < s->buttons.size()) {
        s->buttons[static_cast<size_t>(s->pressed)].b.fsState &= static_cast<BYTE>(~TBSTATE_PRESSED);
        s->pressed = -1;
        InvalidateRect(h, nullptr, TRUE);
      }
      return 0;
    case WM_SIZE: Layout(h, *s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(h, *s); return 0;
    default: return DefWindowProcA(h, msg, wParam, lParam);
  }
}

}  // namespace win::user
