// Dialogs: creation from templates, the modal loop, the default dialog
// procedure and the dialog manager's keyboard handling (tab order, groups,
// default button, Enter and Escape).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "user_internal.h"
#include "win_kernel.h"

namespace win::user {

int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long half = (c > 0 ? c : -c) / 2;
  long long q = (p >= 0) == (c > 0) ? (p + (p >= 0 ? half : -half)) / c : (p - (p >= 0 ? half : -half)) / c;
  return static_cast<int>(q);
}

DialogState* DialogOf(HWND hwnd) {
  auto w = Get(hwnd);
  return w ? w->dialog.get() : nullptr;
}

void DialogSetFocus(HWND control) {
  if (!control || !Get(control)) return;
  if (Send(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) Send(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

namespace {

DLGPROC DialogProcOf(Window& w) {
  if (w.extra.size() >= static_cast<size_t>(DLGWINDOWEXTRA)) {
    DLGPROC p;
    std::memcpy(&p, w.extra.data() + DWLP_DLGPROC, sizeof p);
    return p;
  }
  return w.dialog ? w.dialog->proc : nullptr;
}

HWND FocusedChild(HWND dlg) {
  HWND f = GetFocus();
  return (f && IsChild(dlg, f)) ? f : nullptr;
}

void RestoreFocus(HWND dlg, DialogState& st) {
  HWND f = st.savedFocus;
  if (!f || !IsChild(dlg, f) || !IsWindowEnabled(f) || !IsWindowVisible(f)) f = GetNextDlgTabItem(dlg, nullptr, FALSE);
  if (f)
    DialogSetFocus(f);
  else if (GetFocus() != dlg)
    SetFocus(dlg);
}

bool IsPushButton(HWND hwnd) {
  if (!IsClass(hwnd, "Button")) return false;
  DWORD t = StyleOf(hwnd) & BS_TYPEMASK;
  return t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON || t == BS_OWNERDRAW || t == BS_USERBUTTON;
}

void PressCommand(HWND dlg, int id) {
  HWND ctl = GetDlgItem(dlg, id);
  if (ctl && !IsWindowEnabled(ctl)) {
    MessageBeep(0);
    return;
  }
  Send(dlg, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(ctl));
}

std::vector<HWND> Controls(HWND dlg) {
  auto w = Get(dlg);
  return w ? w->children : std::vector<HWND>{};
}

bool Usable(HWND h) { return IsWindowVisible(h) && IsWindowEnabled(h); }

HWND CreateFromTemplate(HINSTANCE instance, const DLGTEMPLATE& t, HWND owner, DLGPROC proc, LPARAM param,
                        bool modal) {
  using namespace win::resources;
  DWORD style = t.style;
  DWORD exStyle = t.exStyle;
  if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
  if (style & DS_CONTROL) exStyle |= WS_EX_CONTROLPARENT;
  RECT r{0, 0, MulDivRound(t.cx, kBaseUnitX, 4), MulDivRound(t.cy, kBaseUnitY, 8)};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  int width = r.right - r.left, height = r.bottom - r.top;
  int x = MulDivRound(t.x, kBaseUnitX, 4), y = MulDivRound(t.y, kBaseUnitY, 8);
  if (style & DS_CENTER) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 30};
    if (owner && !(style & WS_CHILD)) GetWindowRect(owner, &area);
    x = area.left + ((area.right - area.left) - width) / 2;
    y = area.top + ((area.bottom - area.top) - height) / 2;
    if (style & WS_CHILD) x = y = 0;
  } else if (!(style & WS_CHILD) && !(style & DS_ABSALIGN) && owner) {
    POINT o{0, 0};
    ClientToScreen(owner, &o);
    x += o.x;
    y += o.y;
  }
  const char* cls = t.className.empty() ? "#32770" : t.className.c_str();
  HWND dlg = CreateWindowExA(exStyle, cls, t.caption.c_str(), style & ~WS_VISIBLE, x, y, width, height, owner,
                             nullptr, instance, nullptr);
  if (!dlg) return nullptr;
  auto w = Get(dlg);
  if (!w->dialog) w->dialog = std::make_unique<DialogState>();
  DialogState& st = *w->dialog;
  st.proc = proc;
  st.modal = modal;
  st.caption = t.caption;
  st.defId = 0;
  if (w->extra.size() >= static_cast<size_t>(DLGWINDOWEXTRA))
    std::memcpy(w->extra.data() + DWLP_DLGPROC, &proc, sizeof proc);
  if ((style & DS_SETFONT) && !t.fontName.empty()) {
    LOGFONTA lf{};
    lf.lfHeight = -MulDivRound(t.pointSize > 0 ? t.pointSize : 8, 96, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(lf.lfFaceName, t.fontName.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectA(&lf);
    st.ownedFont = st.font = font;
    Send(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!Get(dlg)) return nullptr;
  }
  for (const auto& item : t.items) {
    if (!Get(dlg)) return nullptr;
    HWND c = CreateWindowExA(item.exStyle | WS_EX_NOPARENTNOTIFY, item.className.c_str(), item.text.c_str(),
                             item.style | WS_CHILD, MulDivRound(item.x, kBaseUnitX, 4),
                             MulDivRound(item.y, kBaseUnitY, 8), MulDivRound(item.cx, kBaseUnitX, 4),
                             MulDivRound(item.cy, kBaseUnitY, 8), dlg,
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(item.id)), instance, nullptr);
    if (!c) {
      if (style & DS_NOFAILCREATE) continue;
      if (Get(dlg)) DestroyWindow(dlg);
      return nullptr;
    }
    Send(c, WM_SETFONT, reinterpret_cast<WPARAM>(st.font), FALSE);
    if (IsClass(c, "Button") && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && !st.defId) st.defId = item.id;
  }
  if (!Get(dlg)) return nullptr;
  HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
  st.savedFocus = first;
  LRESULT setFocus = Send(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  if (!Get(dlg)) return nullptr;
  if (setFocus && first && IsChild(dlg, first)) {
    w->dialog->savedFocus = first;
    if (GetActiveWindow() == dlg) DialogSetFocus(first);
  } else if (FocusedChild(dlg)) {
    w->dialog->savedFocus = FocusedChild(dlg);
  }
  if ((t.style & WS_VISIBLE) && !modal) ShowWindow(dlg, SW_SHOWNORMAL);
  return Get(dlg) ? dlg : nullptr;
}

INT_PTR RunModal(HINSTANCE instance, const DLGTEMPLATE* t, HWND owner, DLGPROC proc, LPARAM param) {
  if (!t) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  if (owner) {
    if (!Get(owner)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
    owner = RootOf(owner);
  }
  std::string caption = t->caption;
  HWND dlg = CreateFromTemplate(instance, *t, owner, proc, param, true);
  auto keep = Get(dlg);  // the record outlives the window: its result is read at the end
  if (!keep) {
    LogDialog(caption, -1, false, false);
    return -1;
  }
  bool ownerEnabled = owner && IsWindowEnabled(owner);
  if (ownerEnabled) EnableWindow(owner, FALSE);
  DialogState& st = *keep->dialog;
  auto open = [&] { return Get(dlg) && !st.ended; };
  if (open()) {
    ShowWindow(dlg, SW_SHOWNORMAL);
    UpdateWindow(dlg);
  }
  // Idle means nothing queued and no worker thread left to post or send.
  auto pump = [&] {
    for (;;) {
      while (open() && PumpOne(MSGF_DIALOGBOX)) {}
      if (!open() || !WaitForWorkers()) return;
    }
  };
  pump();
  bool scripted = false, cancelled = false;
  if (open()) {
    if (auto script = TakeDialogScript()) {
      scripted = true;
      script(dlg);
      pump();
    }
  }
  if (open()) {
    // Nobody answers a headless dialog: it is cancelled as Escape would.
    cancelled = true;
    PressCommand(dlg, IDCANCEL);
    while (open() && PumpOne(MSGF_DIALOGBOX)) {}
    if (open()) EndDialog(dlg, IDCANCEL);
  }
  INT_PTR result = st.ended ? st.result : -1;
  if (ownerEnabled && Get(owner)) EnableWindow(owner, TRUE);
  if (Get(dlg)) DestroyWindow(dlg);
  if (owner && Get(owner) && !GetActiveWindow()) SetActiveWindow(owner);
  LogDialog(caption, result, scripted, cancelled);
  return result;
}

const DLGTEMPLATE* FindTemplate(HINSTANCE instance, LPCSTR name) {
  if (!name) return nullptr;
  return win::resources::FindDialog(instance, win::resources::ResourceName(name));
}

}  // namespace

LRESULT CALLBACK DialogClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefDlgProcA(hwnd, msg, wParam, lParam);
}

}  // namespace win::user

using namespace win::user;

LRESULT DefDlgProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Get(hwnd);
  if (!w) return 0;
  if (!w->dialog) w->dialog = std::make_unique<DialogState>();
  if (DLGPROC proc = DialogProcOf(*w)) {
    bool hasResult = w->extra.size() >= static_cast<size_t>(DLGWINDOWEXTRA);
    if (hasResult) std::memset(w->extra.data() + DWLP_MSGRESULT, 0, sizeof(LRESULT));
    INT_PTR r = proc(hwnd, msg, wParam, lParam);
    if (r) {
      switch (msg) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
          return r;
        default: {
          LRESULT res = 0;
          if (hasResult && Get(hwnd)) std::memcpy(&res, w->extra.data() + DWLP_MSGRESULT, sizeof res);
          return res;
        }
      }
    }
    if (!Get(hwnd) && msg != WM_NCDESTROY) return 0;
  }
  DialogState& st = *w->dialog;
  switch (msg) {
    case WM_INITDIALOG: return 0;
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(hwnd, IDCANCEL);
      if (cancel && !IsWindowEnabled(cancel)) {
        MessageBeep(0);
        return 0;
      }
      PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_NEXTDLGCTL: {
      HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : GetNextDlgTabItem(hwnd, FocusedChild(hwnd), wParam != 0);
      DialogSetFocus(next);
      return 0;
    }
    case DM_GETDEFID: return st.defId ? MAKELRESULT(static_cast<WORD>(st.defId), DC_HASDEFID) : 0;
    case DM_SETDEFID: {
      HWND old = st.defId ? GetDlgItem(hwnd, st.defId) : nullptr;
      if (old && IsPushButton(old)) Send(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      st.defId = static_cast<int>(wParam);
      HWND now = GetDlgItem(hwnd, st.defId);
      if (now && IsPushButton(now)) Send(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
      return TRUE;
    }
    case WM_SETFOCUS: RestoreFocus(hwnd, st); return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND f = FocusedChild(hwnd)) st.savedFocus = f;
      } else {
        RestoreFocus(hwnd, st);
      }
      return 0;
    case WM_SHOWWINDOW:
      if (!wParam)
        if (HWND f = FocusedChild(hwnd)) st.savedFocus = f;
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND: {
      // The dialog's own procedure may choose the brush.
      auto brush = reinterpret_cast<HBRUSH>(Send(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
      if (!brush || !Get(hwnd)) return 0;
      RECT c = ClientRectOf(*w);
      FillRect(reinterpret_cast<HDC>(wParam), &c, brush);
      return 1;
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(st.font);
    case WM_SETFONT: st.font = reinterpret_cast<HFONT>(wParam); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA t, HWND owner, DLGPROC proc, LPARAM param) {
  if (!t) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (owner && !Get(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return CreateFromTemplate(instance, *t, owner, proc, param, false);
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  const DLGTEMPLATE* t = FindTemplate(instance, name);
  if (!t) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  DLGTEMPLATE copy = *t;  // the module may drop its resources while the dialog runs
  return CreateDialogIndirectParamA(instance, &copy, owner, proc, param);
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA t, HWND owner, DLGPROC proc, LPARAM param) {
  return RunModal(instance, t, owner, proc, param);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  const DLGTEMPLATE* t = FindTemplate(instance, name);
  if (!t) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  DLGTEMPLATE copy = *t;
  return RunModal(instance, &copy, owner, proc, param);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  auto w = Get(dialog);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!w->dialog) w->dialog = std::make_unique<DialogState>();
  DialogState& st = *w->dialog;
  if (st.ended) return TRUE;  // the first end decides the result
  st.ended = true;
  st.result = result;
  if (!st.modal) ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  auto list = Controls(dialog);
  std::vector<HWND> stops;
  for (HWND h : list)
    if ((StyleOf(h) & WS_TABSTOP) && Usable(h)) stops.push_back(h);
  if (stops.empty()) return control;
  if (!control || !IsChild(dialog, control)) return previous ? stops.back() : stops.front();
  // Walk from the control's place in the child list (it may not be a stop itself).
  auto it = std::find(list.begin(), list.end(), control);
  size_t n = list.size(), i = static_cast<size_t>(it - list.begin());
  for (size_t step = 1; step <= n; ++step) {
    size_t j = previous ? (i + n - step) % n : (i + step) % n;
    HWND h = list[j];
    if ((StyleOf(h) & WS_TABSTOP) && Usable(h)) return h;
  }
  return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  auto list = Controls(dialog);
  auto it = std::find(list.begin(), list.end(), control);
  if (it == list.end()) return control;
  size_t i = static_cast<size_t>(it - list.begin());
  size_t start = i;
  while (start > 0 && !(StyleOf(list[start]) & WS_GROUP)) --start;
  size_t end = i + 1;
  while (end < list.size() && !(StyleOf(list[end]) & WS_GROUP)) ++end;
  size_t n = end - start;
  for (size_t step = 1; step <= n; ++step) {
    size_t j = start + (previous ? (i - start + n - step) % n : (i - start + step) % n);
    if (Usable(list[j])) return list[j];
  }
  return control;
}

BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
  if (!msg || !dialog || !Get(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  HWND target = msg->hwnd;
  if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
    LRESULT code = Get(target) ? Send(target, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)) : 0;
    bool wantsAll = (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0;
    if (msg->message == WM_KEYDOWN && !wantsAll) {
      HWND focus = FocusedChild(dialog);
      switch (msg->wParam) {
        case VK_TAB:
          if (code & DLGC_WANTTAB) break;
          Send(dialog, WM_NEXTDLGCTL, (GetKeyState(VK_SHIFT) & 0x8000) ? 1 : 0, 0);
          return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
          if (code & DLGC_WANTARROWS) break;
          if (!focus) return TRUE;
          HWND next = GetNextDlgGroupItem(dialog, focus, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
          if (next && next != focus) {
            DialogSetFocus(next);
            if (IsClass(next, "Button") && (StyleOf(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
              Send(next, BM_CLICK, 0, 0);
          }
          return TRUE;
        }
        case VK_RETURN: {
          int id;
          if (focus && IsPushButton(focus)) {
            id = GetDlgCtrlID(focus);
          } else {
            LRESULT def = Send(dialog, DM_GETDEFID, 0, 0);
            id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
          }
          PressCommand(dialog, id);
          return TRUE;
        }
        case VK_ESCAPE: PressCommand(dialog, IDCANCEL); return TRUE;
        default: break;
      }
    }
    if (msg->message == WM_CHAR && !wantsAll && !(code & DLGC_WANTCHARS)) {
      if (msg->wParam == '\t' && !(code & DLGC_WANTTAB)) return TRUE;
      if (msg->wParam == '\r' || msg->wParam == 27) return TRUE;
    }
  }
  TranslateMessage(msg);
  DispatchMessageA(msg);
  return TRUE;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  if (!Get(dialog) || !rect) return FALSE;
  using namespace win::resources;
  rect->left = MulDivRound(rect->left, kBaseUnitX, 4);
  rect->right = MulDivRound(rect->right, kBaseUnitX, 4);
  rect->top = MulDivRound(rect->top, kBaseUnitY, 8);
  rect->bottom = MulDivRound(rect->bottom, kBaseUnitY, 8);
  return TRUE;
}

LONG GetDialogBaseUnits() { return MAKELONG(win::resources::kBaseUnitX, win::resources::kBaseUnitY); }

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dialog, id);
  return c ? Send(c, msg, wParam, lParam) : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SetWindowTextA(c, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
  if (buffer && size > 0) buffer[0] = 0;
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(GetWindowTextA(c, buffer, size)) : 0;
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char buf[16];
  if (isSigned)
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(value));
  else
    std::snprintf(buf, sizeof buf, "%u", value);
  return SetDlgItemTextA(dialog, id, buf);
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  char buf[64];
  if (!GetDlgItem(dialog, id)) return 0;
  GetDlgItemTextA(dialog, id, buf, sizeof buf);
  char* p = buf;
  while (*p == ' ') ++p;
  char* end = nullptr;
  if (isSigned) {
    long long v = std::strtoll(p, &end, 10);
    while (end && *end == ' ') ++end;
    if (end == p || (end && *end) || v < INT32_MIN || v > INT32_MAX) return 0;
    if (translated) *translated = TRUE;
    return static_cast<UINT>(static_cast<int>(v));
  }
  if (*p == '-') return 0;
  unsigned long long v = std::strtoull(p, &end, 10);
  while (end && *end == ' ') ++end;
  if (end == p || (end && *end) || v > UINT32_MAX) return 0;
  if (translated) *translated = TRUE;
  return static_cast<UINT>(v);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  Send(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(Send(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  if (!Get(dialog)) return FALSE;
  for (int id = firstId; id <= lastId; ++id) CheckDlgButton(dialog, id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}
