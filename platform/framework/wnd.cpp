// CWnd: the window table, attaching and subclassing, the framework's window
// procedure, message-map dispatch and the message filter that runs
// PreTranslateMessage.
#include <cstring>
#include <unordered_map>
#include <vector>

#include "framework_wnd.h"
#include "win/win_kernel.h"

void FrameworkDropTempDC(HDC h);  // dc.cpp
UINT FrameworkCmdUIId(const CCmdUI* ui);  // control_bar.cpp
void FrameworkUpdateControlBars();        // control_bar.cpp

struct FrameworkWindowTable {
  std::unordered_map<HWND, CWnd*> permanent;
  std::unordered_map<HWND, CWnd*> temporary;
  std::vector<MSG> current;  // messages being handled, innermost last
  CWnd* creating = nullptr;  // the object whose window is being created
  HHOOK cbt = nullptr, filter = nullptr, idle = nullptr;

  static FrameworkWindowTable& Get() {
    static auto* t = new FrameworkWindowTable();
    return *t;
  }
  static void Subclass(CWnd* w, HWND hwnd) {
    auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    if (old != FrameworkWndProc) {
      w->m_pfnSuper = old;
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWndProc));
    }
  }
  void InstallHooks();
};

namespace {

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  auto& t = FrameworkWindowTable::Get();
  if (code == HCBT_CREATEWND && t.creating) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    CWnd* w = t.creating;
    t.creating = nullptr;
    w->Attach(hwnd);
    FrameworkWindowTable::Subclass(w, hwnd);
  }
  return CallNextHookEx(t.cbt, code, wParam, lParam);
}

// PreTranslateMessage from the message's window up to its top-level window.
LRESULT CALLBACK FilterHook(int code, WPARAM wParam, LPARAM lParam) {
  auto& t = FrameworkWindowTable::Get();
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && msg) {
    for (HWND h = msg->hwnd; h && IsWindow(h);) {
      if (CWnd* w = CWnd::FromHandlePermanent(h))
        if (w->PreTranslateMessage(msg)) return 1;
      if (!(GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) break;
      h = GetParent(h);
    }
  }
  return CallNextHookEx(t.filter, code, wParam, lParam);
}

LRESULT CALLBACK IdleHook(int code, WPARAM wParam, LPARAM lParam) {
  auto& t = FrameworkWindowTable::Get();
  CDC::DeleteTempMap();
  CGdiObject::DeleteTempMap();
  auto temps = std::move(t.temporary);
  t.temporary.clear();
  for (auto& [h, w] : temps) {
    w->m_hWnd = nullptr;
    delete w;
  }
  FrameworkUpdateControlBars();
  return CallNextHookEx(t.idle, code, wParam, lParam);
}

const char* DefaultClassName() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "FrameworkWnd";
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    registered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  return "FrameworkWnd";
}

}  // namespace

void FrameworkWindowTable::InstallHooks() {
  if (!cbt) cbt = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, 0);
  if (!filter) filter = SetWindowsHookExA(WH_MSGFILTER, FilterHook, nullptr, 0);
  if (!idle) idle = SetWindowsHookExA(WH_FOREGROUNDIDLE, IdleHook, nullptr, 0);
}

void FrameworkBeginCreate(CWnd* w) {
  auto& t = FrameworkWindowTable::Get();
  t.InstallHooks();
  t.creating = w;
}

void FrameworkEndCreate(CWnd*) { FrameworkWindowTable::Get().creating = nullptr; }

IMPLEMENT_DYNCREATE(CWnd, CObject)

CWnd::CWnd() = default;

CWnd::~CWnd() {
  auto& t = FrameworkWindowTable::Get();
  if (t.creating == this) t.creating = nullptr;
  if (m_hWnd && t.permanent.count(m_hWnd) && t.permanent[m_hWnd] == this) {
    HWND h = m_hWnd;
    ::DestroyWindow(h);  // detaches in WM_NCDESTROY
    if (m_hWnd) Detach();
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  auto& t = FrameworkWindowTable::Get();
  auto it = t.permanent.find(hwnd);
  return it == t.permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  if (CWnd* w = FromHandlePermanent(hwnd)) return w;
  auto& t = FrameworkWindowTable::Get();
  t.InstallHooks();
  auto it = t.temporary.find(hwnd);
  if (it != t.temporary.end()) return it->second;
  CWnd* w = new CWnd();
  w->m_hWnd = hwnd;
  t.temporary[hwnd] = w;
  return w;
}

BOOL CWnd::Attach(HWND hwnd) {
  if (!hwnd || m_hWnd || FromHandlePermanent(hwnd)) return FALSE;
  auto& t = FrameworkWindowTable::Get();
  t.InstallHooks();
  t.permanent[hwnd] = this;
  m_hWnd = hwnd;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h) {
    auto& t = FrameworkWindowTable::Get();
    auto it = t.permanent.find(h);
    if (it != t.permanent.end() && it->second == this) t.permanent.erase(it);
  }
  m_hWnd = nullptr;
  return h;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!::IsWindow(hwnd) || !Attach(hwnd)) return FALSE;
  PreSubclassWindow();
  FrameworkWindowTable::Subclass(this, hwnd);
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  HWND c = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
  return c ? SubclassWindow(c) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (!m_hWnd) return nullptr;
  if (m_pfnSuper) SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&) { return TRUE; }
void CWnd::PreSubclassWindow() {}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu, LPVOID param) {
  if (m_hWnd) return FALSE;
  CREATESTRUCTA cs{};
  cs.dwExStyle = exStyle;
  cs.lpszClass = className ? className : DefaultClassName();
  cs.lpszName = windowName;
  cs.style = static_cast<LONG>(style);
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.hwndParent = parent;
  cs.hMenu = idOrMenu;
  cs.lpCreateParams = param;
  if (!PreCreateWindow(cs)) return FALSE;
  auto& t = FrameworkWindowTable::Get();
  t.InstallHooks();
  t.creating = this;
  HWND h = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx,
                           cs.cy, cs.hwndParent, cs.hMenu, nullptr, cs.lpCreateParams);
  if (t.creating == this) t.creating = nullptr;
  return h ? TRUE : FALSE;
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  LPVOID param) {
  RECT r = rect;
  return CreateEx(0, className, windowName, style | WS_CHILD, r.left, r.top, r.right - r.left, r.bottom - r.top,
                  parent ? parent->m_hWnd : nullptr, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK FrameworkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWnd* w = CWnd::FromHandlePermanent(hwnd);
  if (!w) return DefWindowProcA(hwnd, msg, wParam, lParam);
  auto& t = FrameworkWindowTable::Get();
  MSG m{hwnd, msg, wParam, lParam, 0, {}};
  t.current.push_back(m);
  LRESULT r;
  if (msg == WM_NCDESTROY) {
    // The object may delete itself in PostNcDestroy: nothing touches it after.
    r = w->WindowProc(msg, wParam, lParam);
    t.current.pop_back();
    return r;
  }
  r = w->WindowProc(msg, wParam, lParam);
  t.current.pop_back();
  return r;
}

const MSG* CWnd::GetCurrentMessage() const {
  auto& t = FrameworkWindowTable::Get();
  return t.current.empty() ? nullptr : &t.current.back();
}

LRESULT CWnd::Default() {
  const MSG* m = GetCurrentMessage();
  return m ? DefWindowProc(m->message, m->wParam, m->lParam) : 0;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return CallWindowProcA(m_pfnSuper, m_hWnd, msg, wParam, lParam);
  return DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  if (!OnWndMsg(msg, wParam, lParam, &r)) r = DefWindowProc(msg, wParam, lParam);
  return r;
}

void CWnd::OnNcDestroy() {
  HWND h = m_hWnd;
  WNDPROC super = m_pfnSuper;
  if (super) {
    CallWindowProcA(super, h, WM_NCDESTROY, 0, 0);
    SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
    m_pfnSuper = nullptr;
  } else {
    DefWindowProcA(h, WM_NCDESTROY, 0, 0);
  }
  Detach();
  PostNcDestroy();
}

void CWnd::PostNcDestroy() {}

void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

namespace {

const FrameworkMsgEntry* FindEntry(const FrameworkMessageMap* map, UINT msg, UINT code, UINT id) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const FrameworkMsgEntry* e = map->lpEntries; e && e->nSig != FxSig_end; ++e) {
      if (e->pRegistered) {
        if (msg >= 0xC000 && *e->pRegistered == msg) return e;
        continue;
      }
      if (e->nMessage != msg) continue;
      if (msg == WM_COMMAND || msg == WM_NOTIFY) {
        if (e->nCode != code || id < e->nID || id > e->nLastID) continue;
      }
      return e;
    }
  }
  return nullptr;
}

POINT PointOf(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

}  // namespace

const FrameworkMessageMap* CWnd::GetThisMessageMap() {
  static const FrameworkMsgEntry entries[] = {
      {WM_NCDESTROY, 0, 0, 0, FxSig_vv, static_cast<FX_PMSG>(&CWnd::OnNcDestroy), nullptr},
      {0, 0, 0, 0, FxSig_end, nullptr, nullptr}};
  static const FrameworkMessageMap map = {nullptr, entries};
  return &map;
}

const FrameworkMessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  const FrameworkMsgEntry* e = FindEntry(GetMessageMap(), WM_COMMAND, HIWORD(wParam), LOWORD(wParam));
  if (!e) {
    // Menu and accelerator commands (code 0 from no control) use the
    // plain command entries; BN_CLICKED is code 0 too.
    return FALSE;
  }
  if (e->nSig == FxSig_vu)
    (this->*FxFromPmsg<void (CWnd::*)(UINT)>(e->pfn))(LOWORD(wParam));
  else
    (this->*FxFromPmsg<void (CWnd::*)()>(e->pfn))();
  return TRUE;
}

BOOL CWnd::OnUpdateCommand(CCmdUI* ui) {
  if (!ui) return FALSE;
  const FrameworkMsgEntry* e = FindEntry(GetMessageMap(), WM_COMMAND, CN_UPDATE_COMMAND_UI, FrameworkCmdUIId(ui));
  if (!e) return FALSE;
  (this->*FxFromPmsg<void (CWnd::*)(CCmdUI*)>(e->pfn))(ui);
  return TRUE;
}

BOOL CWnd::HasCommandHandler(UINT id) const {
  return FindEntry(GetMessageMap(), WM_COMMAND, 0, id) ? TRUE : FALSE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* nm = reinterpret_cast<NMHDR*>(lParam);
  if (!nm) return FALSE;
  const FrameworkMsgEntry* e =
      FindEntry(GetMessageMap(), WM_NOTIFY, nm->code, static_cast<UINT>(nm->idFrom));
  if (!e) return FALSE;
  (this->*FxFromPmsg<void (CWnd::*)(NMHDR*, LRESULT*)>(e->pfn))(nm, result);
  return TRUE;
}

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  if (msg == WM_COMMAND) return OnCommand(wParam, lParam);
  if (msg == WM_NOTIFY) return OnNotify(wParam, lParam, result);
  const FrameworkMsgEntry* e = FindEntry(GetMessageMap(), msg, 0, 0);
  if (!e && msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) e = FindEntry(GetMessageMap(), WM_CTLCOLOR, 0, 0);
  if (!e) return FALSE;
  switch (e->nSig) {
    case FxSig_lwl: *result = (this->*FxFromPmsg<LRESULT (CWnd::*)(WPARAM, LPARAM)>(e->pfn))(wParam, lParam); break;
    case FxSig_vv: (this->*FxFromPmsg<void (CWnd::*)()>(e->pfn))(); break;
    case FxSig_vt: (this->*FxFromPmsg<void (CWnd::*)(UINT_PTR)>(e->pfn))(wParam); break;
    case FxSig_vuii:
      (this->*FxFromPmsg<void (CWnd::*)(UINT, int, int)>(e->pfn))(static_cast<UINT>(wParam), LOWORD(lParam),
                                                                        HIWORD(lParam));
      break;
    case FxSig_vup:
      (this->*FxFromPmsg<void (CWnd::*)(UINT, POINT)>(e->pfn))(static_cast<UINT>(wParam), PointOf(lParam));
      break;
    case FxSig_is:
      *result = (this->*FxFromPmsg<int (CWnd::*)(CREATESTRUCTA*)>(e->pfn))(reinterpret_cast<CREATESTRUCTA*>(lParam));
      break;
    case FxSig_bWuu:
      *result = (this->*FxFromPmsg<BOOL (CWnd::*)(CWnd*, UINT, UINT)>(e->pfn))(
          FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
      break;
    case FxSig_vuuu:
      (this->*FxFromPmsg<void (CWnd::*)(UINT, UINT, UINT)>(e->pfn))(
          static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      break;
    case FxSig_uv: *result = (this->*FxFromPmsg<UINT (CWnd::*)()>(e->pfn))(); break;
    case FxSig_vuuW:
      (this->*FxFromPmsg<void (CWnd::*)(UINT, UINT, CWnd*)>(e->pfn))(
          LOWORD(wParam), HIWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)));
      break;
    case FxSig_vWp:
      (this->*FxFromPmsg<void (CWnd::*)(CWnd*, POINT)>(e->pfn))(FromHandle(reinterpret_cast<HWND>(wParam)),
                                                                      PointOf(lParam));
      break;
    case FxSig_vW: {
      HWND other = reinterpret_cast<HWND>(msg == WM_CAPTURECHANGED ? static_cast<WPARAM>(lParam) : wParam);
      (this->*FxFromPmsg<void (CWnd::*)(CWnd*)>(e->pfn))(FromHandle(other));
      break;
    }
    case FxSig_viDRAW:
      (this->*FxFromPmsg<void (CWnd::*)(int, DRAWITEMSTRUCT*)>(e->pfn))(static_cast<int>(wParam),
                                                                              reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      break;
    case FxSig_viMEASURE:
      (this->*FxFromPmsg<void (CWnd::*)(int, MEASUREITEMSTRUCT*)>(e->pfn))(
          static_cast<int>(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      *result = TRUE;
      break;
    case FxSig_vuP:
      (this->*FxFromPmsg<void (CWnd::*)(UINT, CPoint)>(e->pfn))(static_cast<UINT>(wParam), CPoint(PointOf(lParam)));
      break;
    case FxSig_vWP:
      (this->*FxFromPmsg<void (CWnd::*)(CWnd*, CPoint)>(e->pfn))(FromHandle(reinterpret_cast<HWND>(wParam)),
                                                                       CPoint(PointOf(lParam)));
      break;
    case FxSig_bD:
      *result = (this->*FxFromPmsg<BOOL (CWnd::*)(CDC*)>(e->pfn))(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
      break;
    case FxSig_hDWu:
      *result = reinterpret_cast<LRESULT>((this->*FxFromPmsg<HBRUSH (CWnd::*)(CDC*, CWnd*, UINT)>(e->pfn))(
          CDC::FromHandle(reinterpret_cast<HDC>(wParam)), FromHandle(reinterpret_cast<HWND>(lParam)),
          msg - WM_CTLCOLORMSGBOX));
      break;
    case FxSig_vbu:
      (this->*FxFromPmsg<void (CWnd::*)(BOOL, UINT)>(e->pfn))(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
      break;
    default: return FALSE;
  }
  return TRUE;
}

// Wrappers --------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) const { return SendMessageA(m_hWnd, msg, wParam, lParam); }
BOOL CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) const { return PostMessageA(m_hWnd, msg, wParam, lParam); }
CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
void CWnd::SetWindowText(LPCSTR text) { SetWindowTextA(m_hWnd, text); }
int CWnd::GetWindowText(LPSTR buffer, int size) const { return GetWindowTextA(m_hWnd, buffer, size); }
int CWnd::GetWindowTextLength() const { return GetWindowTextLengthA(m_hWnd); }
void CWnd::SetDlgItemText(int id, LPCSTR text) { SetDlgItemTextA(m_hWnd, id, text); }
int CWnd::GetDlgItemText(int id, LPSTR buffer, int size) const {
  return static_cast<int>(GetDlgItemTextA(m_hWnd, id, buffer, size));
}
void CWnd::CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
UINT CWnd::IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
LRESULT CWnd::SendDlgItemMessage(int id, UINT msg, WPARAM wParam, LPARAM lParam) const {
  return SendDlgItemMessageA(m_hWnd, id, msg, wParam, lParam);
}
BOOL CWnd::ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) { ::MoveWindow(m_hWnd, x, y, width, height, repaint); }
BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}
void CWnd::GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
void CWnd::GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
void CWnd::ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
void CWnd::ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(const RECT* rect, BOOL erase) { ::InvalidateRect(m_hWnd, rect, erase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
void CWnd::ValidateRect(const RECT* rect) { ::ValidateRect(m_hWnd, rect); }
void CWnd::InvalidateRgn(CRgn* rgn, BOOL erase) { ::InvalidateRgn(m_hWnd, rgn ? static_cast<HRGN>(*rgn) : nullptr, erase); }
BOOL CWnd::GetUpdateRect(LPRECT rect, BOOL erase) { return ::GetUpdateRect(m_hWnd, rect, erase); }
BOOL CWnd::RedrawWindow(const RECT* rect, CRgn* rgn, UINT flags) {
  return ::RedrawWindow(m_hWnd, rect, rgn ? static_cast<HRGN>(*rgn) : nullptr, flags);
}
CRect CWnd::GetWindowRect() const {
  CRect r;
  ::GetWindowRect(m_hWnd, &r);
  return r;
}
CRect CWnd::GetClientRect() const {
  CRect r;
  ::GetClientRect(m_hWnd, &r);
  return r;
}
CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* dc) {
  if (!dc || !dc->m_hDC) return 0;
  HDC h = dc->m_hDC;
  int r = ::ReleaseDC(m_hWnd, h);
  FrameworkDropTempDC(h);  // a temporary wrapper goes with its handle
  return r;
}
void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
}
CFont* CWnd::GetFont() const {
  auto h = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  return h ? CFont::FromHandle(h) : nullptr;
}
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return FromHandle(::GetCapture()); }
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) { return ::SetTimer(m_hWnd, id, elapse, proc); }
BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)); }
BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) {
  DWORD s = GetStyle();
  DWORD n = (s & ~remove) | add;
  if (n == s) return FALSE;
  SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(n));
  return TRUE;
}
int CWnd::MessageBox(LPCSTR text, LPCSTR caption, UINT type) { return MessageBoxA(m_hWnd, text, caption, type); }
