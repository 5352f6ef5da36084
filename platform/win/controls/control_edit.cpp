// The edit control: single- and multi-line text with a length limit, a
// selection, read-only mode, undo of the last change, and the EN_
// notifications. Characters are taken as 6 pixels wide for mouse hits.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "control_drawing.h"
#include "user_internal.h"

namespace win::user {
namespace {

constexpr int kCharWidth = 6;

struct EditState : ControlState {
  std::string text;
  std::string undo;
  bool canUndo = false;
  size_t anchor = 0, caret = 0;
  size_t limit = 30000;
  bool modified = false;
  bool tracking = false;
  char password = 0;
  HFONT font = nullptr;
};

bool Multi(HWND hwnd) { return (StyleOf(hwnd) & ES_MULTILINE) != 0; }
bool ReadOnly(HWND hwnd) { return (StyleOf(hwnd) & ES_READONLY) != 0; }

size_t SelMin(const EditState& e) { return std::min(e.anchor, e.caret); }
size_t SelMax(const EditState& e) { return std::max(e.anchor, e.caret); }

void Changed(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, EN_UPDATE);
  if (IsWindow(hwnd)) NotifyParent(hwnd, EN_CHANGE);
}

// Replaces the selection with text, keeping to the limit; true if anything changed.
bool Replace(HWND hwnd, EditState& e, std::string text, bool keepUndo) {
  DWORD style = StyleOf(hwnd);
  if (style & ES_UPPERCASE)
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (style & ES_LOWERCASE)
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t a = SelMin(e), b = SelMax(e);
  size_t room = e.limit - std::min(e.limit, e.text.size() - (b - a));
  bool cut = text.size() > room;
  if (cut) text.resize(room);
  if (text.empty() && a == b) {
    if (cut) NotifyParent(hwnd, EN_MAXTEXT);
    return false;
  }
  if (keepUndo) {
    e.undo = e.text;
    e.canUndo = true;
  }
  e.text.replace(a, b - a, text);
  e.anchor = e.caret = a + text.size();
  e.modified = true;
  if (cut) NotifyParent(hwnd, EN_MAXTEXT);
  return true;
}

size_t LineStart(const std::string& t, size_t line) {
  size_t pos = 0;
  for (size_t l = 0; l < line; ++l) {
    size_t nl = t.find('\n', pos);
    if (nl == std::string::npos) return std::string::npos;
    pos = nl + 1;
  }
  return pos;
}

size_t LineOf(const std::string& t, size_t index) {
  index = std::min(index, t.size());
  return static_cast<size_t>(std::count(t.begin(), t.begin() + static_cast<long>(index), '\n'));
}

size_t LineLength(const std::string& t, size_t start) {
  size_t end = t.find('\n', start);
  if (end == std::string::npos) end = t.size();
  if (end > start && t[end - 1] == '\r') --end;
  return end - start;
}

size_t CharFromPoint(const EditState& e, int x, int y, bool multi) {
  size_t line = multi ? static_cast<size_t>(std::max(0, y / kLineHeight)) : 0;
  size_t start = LineStart(e.text, line);
  if (start == std::string::npos) return e.text.size();
  size_t col = static_cast<size_t>(std::max(0, (x - 1 + kCharWidth / 2) / kCharWidth));
  return start + std::min(col, LineLength(e.text, start));
}

void Paint(HWND hwnd, EditState& e) {
  PaintControl(hwnd, e.font, [&](HDC dc, const RECT& c) {
    bool plain = IsWindowEnabled(hwnd) && !ReadOnly(hwnd);
    HBRUSH bg = ControlColors(hwnd, dc, plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
    if (bg) FillRect(dc, &c, bg);
    if (!IsWindowEnabled(hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    std::string shown = e.text;
    if (e.password && !Multi(hwnd)) shown.assign(shown.size(), e.password);
    bool showSel = GetFocus() == hwnd || (StyleOf(hwnd) & ES_NOHIDESEL);
    size_t selA = showSel ? SelMin(e) : 0, selB = showSel ? SelMax(e) : 0;
    size_t start = 0;
    for (int line = 0; start <= shown.size(); ++line) {
      size_t end = Multi(hwnd) ? shown.find('\n', start) : std::string::npos;
      if (end == std::string::npos) end = shown.size();
      size_t len = LineLength(shown, start);
      int y = c.top + 1 + line * kLineHeight;
      if (y >= c.bottom) break;
      int x = c.left + 1;
      // The line in up to three runs: before, inside and after the selection.
      size_t cuts[4] = {start, std::clamp(selA, start, start + len), std::clamp(selB, start, start + len), start + len};
      for (int run = 0; run < 3; ++run) {
        size_t a = cuts[run], b = cuts[run + 1];
        if (b <= a) continue;
        SIZE ext{};
        GetTextExtentPoint32A(dc, shown.data() + a, static_cast<int>(b - a), &ext);
        COLORREF oldText = 0;
        if (run == 1) {
          RECT hl{x, y, x + ext.cx, y + kLineHeight};
          FillSys(dc, hl, COLOR_HIGHLIGHT);
          oldText = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        }
        TextOutA(dc, x, y, shown.data() + a, static_cast<int>(b - a));
        if (run == 1) SetTextColor(dc, oldText);
        x += ext.cx;
      }
      if (end >= shown.size()) break;
      start = end + 1;
    }
  });
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* e = EnsureControl<EditState>(hwnd);
  if (!e) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) e->text = cs->lpszName;
      if (Multi(hwnd) || (StyleOf(hwnd) & ES_AUTOHSCROLL)) e->limit = 30000;
      return TRUE;
    }
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS;
      auto* m = reinterpret_cast<MSG*>(lParam);
      if (Multi(hwnd) && m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN &&
          (StyleOf(hwnd) & ES_WANTRETURN))
        code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETTEXT:
      e->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      e->anchor = e->caret = 0;
      e->modified = false;
      e->canUndo = false;
      Changed(hwnd);
      return TRUE;
    case WM_GETTEXT: {
      if (!wParam || !lParam) return 0;
      size_t n = std::min(e->text.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), e->text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(e->text.size());
    case EM_LIMITTEXT: e->limit = wParam ? static_cast<size_t>(wParam) : 0x7FFFFFFE; return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(e->limit);
    case EM_SETSEL: {
      long long a = static_cast<int>(wParam), b = static_cast<int>(lParam);
      long long n = static_cast<long long>(e->text.size());
      if (a == -1) {
        e->anchor = e->caret;
      } else {
        if (b < 0 || b > n) b = n;
        if (a > n) a = n;
        e->anchor = static_cast<size_t>(a);
        e->caret = static_cast<size_t>(b);
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case EM_GETSEL: {
      DWORD a = static_cast<DWORD>(SelMin(*e)), b = static_cast<DWORD>(SelMax(*e));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = a;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = b;
      return MAKELRESULT(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(b, 0xFFFF));
    }
    case EM_REPLACESEL:
      if (Replace(hwnd, *e, lParam ? reinterpret_cast<const char*>(lParam) : "", wParam != 0)) Changed(hwnd);
      return 0;
    case EM_GETMODIFY: return e->modified ? TRUE : FALSE;
    case EM_SETMODIFY: e->modified = wParam != 0; return 0;
    case EM_SETREADONLY: {
      DWORD s = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
      SetWindowLongPtrA(hwnd, GWL_STYLE, wParam ? (s | ES_READONLY) : (s & ~ES_READONLY));
      return TRUE;
    }
    case EM_CANUNDO: return e->canUndo ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
      if (!e->canUndo) return FALSE;
      std::swap(e->text, e->undo);
      e->anchor = e->caret = e->text.size();
      Changed(hwnd);
      return TRUE;
    case EM_EMPTYUNDOBUFFER: e->canUndo = false; return 0;
    case EM_GETLINECOUNT: return Multi(hwnd) ? static_cast<LRESULT>(LineOf(e->text, e->text.size()) + 1) : 1;
    case EM_LINEINDEX: {
      size_t line = static_cast<int>(wParam) < 0 ? LineOf(e->text, e->caret) : static_cast<size_t>(wParam);
      size_t s = LineStart(e->text, line);
      return s == std::string::npos ? -1 : static_cast<LRESULT>(s);
    }
    case EM_LINEFROMCHAR: {
      size_t idx = static_cast<int>(wParam) < 0 ? e->caret : static_cast<size_t>(wParam);
      return static_cast<LRESULT>(LineOf(e->text, idx));
    }
    case EM_LINELENGTH: {
      size_t idx = static_cast<int>(wParam) < 0 ? e->caret : std::min(static_cast<size_t>(wParam), e->text.size());
      return static_cast<LRESULT>(LineLength(e->text, LineStart(e->text, LineOf(e->text, idx))));
    }
    case EM_GETLINE: {
      size_t s = LineStart(e->text, Multi(hwnd) ? static_cast<size_t>(wParam) : 0);
      if (!lParam || s == std::string::npos) return 0;
      WORD room;
      std::memcpy(&room, reinterpret_cast<void*>(lParam), sizeof room);
      size_t n = std::min<size_t>(LineLength(e->text, s), room);
      std::memcpy(reinterpret_cast<char*>(lParam), e->text.data() + s, n);
      return static_cast<LRESULT>(n);
    }
    case EM_SETPASSWORDCHAR: e->password = static_cast<char>(wParam); return 0;
    case EM_GETPASSWORDCHAR: return static_cast<unsigned char>(e->password);
    case EM_SCROLLCARET:
    case EM_SETMARGINS:
    case EM_SETTABSTOPS: return TRUE;
    case EM_GETFIRSTVISIBLELINE: return 0;
    case EM_GETRECT:
      if (lParam) GetClientRect(hwnd, reinterpret_cast<RECT*>(lParam));
      return 0;
    case EM_CHARFROMPOS: {
      size_t c = CharFromPoint(*e, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), Multi(hwnd));
      return MAKELRESULT(static_cast<WORD>(c), static_cast<WORD>(LineOf(e->text, c)));
    }
    case EM_POSFROMCHAR: {
      size_t idx = std::min(static_cast<size_t>(wParam), e->text.size());
      size_t line = LineOf(e->text, idx);
      size_t col = idx - LineStart(e->text, line);
      return MAKELRESULT(static_cast<WORD>(1 + col * kCharWidth), static_cast<WORD>(line * kLineHeight));
    }
    case WM_CHAR: {
      if (ReadOnly(hwnd)) {
        MessageBeep(0);
        return 0;
      }
      char c = static_cast<char>(wParam);
      if (c == 8) {
        if (SelMin(*e) == SelMax(*e)) {
          if (e->caret == 0) return 0;
          e->anchor = e->caret - 1;
          if (e->anchor > 0 && e->text[e->anchor] == '\n' && e->text[e->anchor - 1] == '\r') --e->anchor;
        }
        if (Replace(hwnd, *e, "", true)) Changed(hwnd);
        return 0;
      }
      std::string ins;
      if (c == '\r') {
        if (!Multi(hwnd)) return 0;
        ins = "\r\n";
      } else if (c == '\t') {
        if (!Multi(hwnd)) return 0;
        ins = "\t";
      } else if (static_cast<unsigned char>(c) < 32) {
        return 0;
      } else {
        if ((StyleOf(hwnd) & ES_NUMBER) && !std::isdigit(static_cast<unsigned char>(c))) {
          MessageBeep(0);
          return 0;
        }
        ins = std::string(1, c);
      }
      if (Replace(hwnd, *e, ins, true)) Changed(hwnd);
      return 0;
    }
    case WM_KEYDOWN: {
      bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      size_t n = e->text.size();
      size_t to = e->caret;
      switch (wParam) {
        case VK_LEFT: to = e->caret ? e->caret - 1 : 0; break;
        case VK_RIGHT: to = std::min(n, e->caret + 1); break;
        case VK_HOME: to = Multi(hwnd) ? LineStart(e->text, LineOf(e->text, e->caret)) : 0; break;
        case VK_END: {
          size_t s = LineStart(e->text, LineOf(e->text, e->caret));
          to = Multi(hwnd) ? s + LineLength(e->text, s) : n;
          break;
        }
        case VK_DELETE:
          if (ReadOnly(hwnd)) return 0;
          if (SelMin(*e) == SelMax(*e)) {
            if (e->caret >= n) return 0;
            e->caret = e->caret + ((e->text[e->caret] == '\r' && e->caret + 1 < n) ? 2 : 1);
          }
          if (Replace(hwnd, *e, "", true)) Changed(hwnd);
          return 0;
        default: return 0;
      }
      e->caret = to;
      if (!shift) e->anchor = to;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd)) return 0;
      size_t c = CharFromPoint(*e, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), Multi(hwnd));
      e->caret = c;
      if (!(wParam & MK_SHIFT)) e->anchor = c;
      e->tracking = true;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (e->tracking) e->caret = CharFromPoint(*e, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), Multi(hwnd));
      return 0;
    case WM_LBUTTONUP:
      if (e->tracking) {
        e->tracking = false;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED: e->tracking = false; return 0;
    case WM_LBUTTONDBLCLK:
      e->anchor = 0;
      e->caret = e->text.size();
      return 0;
    case WM_CLEAR:
    case WM_CUT:
      if (!ReadOnly(hwnd) && Replace(hwnd, *e, "", true)) Changed(hwnd);
      return 0;
    case WM_COPY:
    case WM_PASTE: return 0;  // the clipboard is not part of this stand-in
    case WM_SETFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      e->tracking = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_PAINT: Paint(hwnd, *e); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT: e->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(e->font);
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace win::user
