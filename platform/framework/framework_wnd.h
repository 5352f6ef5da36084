#pragma once
// The framework's object, run-time class and window classes. A CWnd owns a
// window through the window table of this library: windows it creates are
// attached as they are created (before WM_NCCREATE) and subclassed to the
// framework's window procedure; messages are routed through the class's
// message map (BEGIN_MESSAGE_MAP ... END_MESSAGE_MAP), then to the window's
// previous procedure. After WM_NCDESTROY the object is detached and
// PostNcDestroy runs (objects that delete themselves override it).
#include <bit>
#include <cstddef>

#include "framework_export.h"
#include "framework_gdi.h"
#include "framework_types.h"
#include "win/win_user.h"

class CObject;
class CWnd;

struct FRAMEWORK_CLASS CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;
  CObject* CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* base) const;
  // Finds a class created with IMPLEMENT_DYNCREATE by name.
  static const CRuntimeClass* FromName(const char* name);
};

// Records a dynamically creatable class by name (IMPLEMENT_DYNCREATE).
struct FRAMEWORK_CLASS CRuntimeClassRegistration {
  explicit CRuntimeClassRegistration(const CRuntimeClass* c);
};

class FRAMEWORK_CLASS CObject {
 public:
  virtual ~CObject();
  virtual const CRuntimeClass* GetRuntimeClass() const;
  bool IsKindOf(const CRuntimeClass* c) const;
  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
};

#define RUNTIME_CLASS(name) (&name::class##name)
#define DECLARE_DYNAMIC(name)            \
 public:                                 \
  static const CRuntimeClass class##name; \
  const CRuntimeClass* GetRuntimeClass() const override;
#define IMPLEMENT_DYNAMIC(name, base)                                                        \
  const CRuntimeClass name::class##name = {#name, sizeof(name), nullptr, RUNTIME_CLASS(base)}; \
  const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }
#define DECLARE_DYNCREATE(name) \
  DECLARE_DYNAMIC(name)         \
  static CObject* CreateObject();
#define IMPLEMENT_DYNCREATE(name, base)                                                               \
  CObject* name::CreateObject() { return new name; }                                                  \
  const CRuntimeClass name::class##name = {#name, sizeof(name), name::CreateObject, RUNTIME_CLASS(base)}; \
  const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }                  \
  static CRuntimeClassRegistration g_register_##name(RUNTIME_CLASS(name));

// ---------------------------------------------------------------------------
// Message maps
enum FrameworkSig {
  FxSig_end = 0,
  FxSig_lwl,        // LRESULT (WPARAM, LPARAM)
  FxSig_vv,         // void ()
  FxSig_vu,         // void (UINT) - command ranges get the id
  FxSig_vNMHDRpl,   // void (NMHDR*, LRESULT*)
  FxSig_vt,         // void (UINT_PTR) - timers
  FxSig_vuii,       // void (UINT, int, int) - size
  FxSig_vup,        // void (UINT, POINT) - mouse
  FxSig_is,         // int (CREATESTRUCTA*)
  FxSig_bWuu,       // BOOL (CWnd*, UINT, UINT) - set cursor
  FxSig_vuuu,       // void (UINT, UINT, UINT) - keys
  FxSig_uv,         // UINT () - get dialog code
  FxSig_vuuW,       // void (UINT, UINT, CWnd*) - scroll
  FxSig_vWp,        // void (CWnd*, POINT) - context menu
  FxSig_vW,         // void (CWnd*) - focus, capture
  FxSig_viDRAW,     // void (int, DRAWITEMSTRUCT*)
  FxSig_viMEASURE,  // void (int, MEASUREITEMSTRUCT*)
  FxSig_vbu,        // void (BOOL, UINT) - show window
  FxSig_vuP,        // void (UINT, CPoint) - mouse
  FxSig_vWP,        // void (CWnd*, CPoint) - context menu
  FxSig_bD,         // BOOL (CDC*) - erase background
  FxSig_hDWu,       // HBRUSH (CDC*, CWnd*, UINT) - control colours
  FxSig_vCMDUI,     // void (CCmdUI*) - command-update handlers
};

// Command-update requests: a bar asks its target, at idle, how each of its
// commands should look (ON_UPDATE_COMMAND_UI entries).
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))
class CCmdUI;

// WM_CTLCOLOR* arrive at one handler (ON_WM_CTLCOLOR) with the kind of control.
#define WM_CTLCOLOR 0x0019
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6

class CWnd;
typedef void (CWnd::*FX_PMSG)();

struct FrameworkMsgEntry {
  UINT nMessage;  // WM_COMMAND, WM_NOTIFY or any message; 0xC000+ registered ids too
  UINT nCode;     // notification code for WM_COMMAND / WM_NOTIFY
  UINT nID;       // first control id
  UINT nLastID;   // last control id
  UINT nSig;
  FX_PMSG pfn;
  const UINT* pRegistered;  // ON_REGISTERED_MESSAGE: where the id is kept
};

struct FrameworkMessageMap {
  const FrameworkMessageMap* (*pfnGetBaseMap)();
  const FrameworkMsgEntry* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                              \
 protected:                                                \
  static const FrameworkMessageMap* GetThisMessageMap();   \
  const FrameworkMessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                   \
  const FrameworkMessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }     \
  const FrameworkMessageMap* theClass::GetThisMessageMap() {                                    \
    typedef theClass ThisClass;                                                                  \
    typedef baseClass TheBaseClass;                                                              \
    static const FrameworkMsgEntry entries[] = {
#define END_MESSAGE_MAP()                                                 \
  {0, 0, 0, 0, FxSig_end, nullptr, nullptr}};                             \
  static const FrameworkMessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                            \
  }

// Handlers of every signature are kept as one member-pointer type and
// turned back into their own signature when called.
template <typename T>
inline FX_PMSG FxToPmsg(T pmf) {
  static_assert(sizeof(T) == sizeof(FX_PMSG));
  return std::bit_cast<FX_PMSG>(pmf);
}
template <typename T>
inline T FxFromPmsg(FX_PMSG pmf) {
  static_assert(sizeof(T) == sizeof(FX_PMSG));
  return std::bit_cast<T>(pmf);
}
#define FX_PMSG_CAST(type, fn) FxToPmsg(static_cast<type>(&ThisClass::fn))

// Mouse and context-menu handlers take a CPoint; handlers written with a
// POINT keep working.
template <class T>
constexpr UINT FxPointSig(void (T::*)(UINT, POINT)) { return FxSig_vup; }
template <class T>
constexpr UINT FxPointSig(void (T::*)(UINT, CPoint)) { return FxSig_vuP; }
template <class T>
constexpr UINT FxPointSig(void (T::*)(CWnd*, POINT)) { return FxSig_vWp; }
template <class T>
constexpr UINT FxPointSig(void (T::*)(CWnd*, CPoint)) { return FxSig_vWP; }
template <class T, class A, class P>
inline FX_PMSG FxPointPmsg(void (T::*f)(A, P)) { return FxToPmsg(static_cast<void (CWnd::*)(A, P)>(f)); }
#define ON_WM_POINT_MSG(msg, fn) {msg, 0, 0, 0, FxPointSig(&ThisClass::fn), FxPointPmsg(&ThisClass::fn), nullptr},

#define ON_MESSAGE(msg, fn) {msg, 0, 0, 0, FxSig_lwl, FX_PMSG_CAST(LRESULT (CWnd::*)(WPARAM, LPARAM), fn), nullptr},
#define ON_REGISTERED_MESSAGE(idVar, fn) \
  {0xC000, 0, 0, 0, FxSig_lwl, FX_PMSG_CAST(LRESULT (CWnd::*)(WPARAM, LPARAM), fn), &idVar},
#define ON_COMMAND(id, fn) {WM_COMMAND, 0, (UINT)(id), (UINT)(id), FxSig_vv, FX_PMSG_CAST(void (CWnd::*)(), fn), nullptr},
#define ON_COMMAND_RANGE(first, last, fn) \
  {WM_COMMAND, 0, (UINT)(first), (UINT)(last), FxSig_vu, FX_PMSG_CAST(void (CWnd::*)(UINT), fn), nullptr},
#define ON_CONTROL(code, id, fn) \
  {WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), FxSig_vv, FX_PMSG_CAST(void (CWnd::*)(), fn), nullptr},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_UPDATE_COMMAND_UI(id, fn)                                                     \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id), FxSig_vCMDUI,                \
   FX_PMSG_CAST(void (CWnd::*)(CCmdUI*), fn), nullptr},
#define ON_UPDATE_COMMAND_UI_RANGE(first, last, fn)                                      \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(first), (UINT)(last), FxSig_vCMDUI,           \
   FX_PMSG_CAST(void (CWnd::*)(CCmdUI*), fn), nullptr},
#define ON_NOTIFY(code, id, fn) \
  {WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(id), FxSig_vNMHDRpl, FX_PMSG_CAST(void (CWnd::*)(NMHDR*, LRESULT*), fn), nullptr},
#define ON_WM_MSG(msg, sig, type, fn) {msg, 0, 0, 0, sig, FX_PMSG_CAST(type, fn), nullptr},
#define ON_WM_CREATE() ON_WM_MSG(WM_CREATE, FxSig_is, int (CWnd::*)(CREATESTRUCTA*), OnCreate)
#define ON_WM_DESTROY() ON_WM_MSG(WM_DESTROY, FxSig_vv, void (CWnd::*)(), OnDestroy)
#define ON_WM_CLOSE() ON_WM_MSG(WM_CLOSE, FxSig_vv, void (CWnd::*)(), OnClose)
#define ON_WM_PAINT() ON_WM_MSG(WM_PAINT, FxSig_vv, void (CWnd::*)(), OnPaint)
#define ON_WM_TIMER() ON_WM_MSG(WM_TIMER, FxSig_vt, void (CWnd::*)(UINT_PTR), OnTimer)
#define ON_WM_SIZE() ON_WM_MSG(WM_SIZE, FxSig_vuii, void (CWnd::*)(UINT, int, int), OnSize)
#define ON_WM_MOUSEMOVE() ON_WM_POINT_MSG(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() ON_WM_POINT_MSG(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() ON_WM_POINT_MSG(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() ON_WM_POINT_MSG(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() ON_WM_POINT_MSG(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() ON_WM_POINT_MSG(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_SETCURSOR() ON_WM_MSG(WM_SETCURSOR, FxSig_bWuu, BOOL (CWnd::*)(CWnd*, UINT, UINT), OnSetCursor)
#define ON_WM_KEYDOWN() ON_WM_MSG(WM_KEYDOWN, FxSig_vuuu, void (CWnd::*)(UINT, UINT, UINT), OnKeyDown)
#define ON_WM_KEYUP() ON_WM_MSG(WM_KEYUP, FxSig_vuuu, void (CWnd::*)(UINT, UINT, UINT), OnKeyUp)
#define ON_WM_CHAR() ON_WM_MSG(WM_CHAR, FxSig_vuuu, void (CWnd::*)(UINT, UINT, UINT), OnChar)
#define ON_WM_GETDLGCODE() ON_WM_MSG(WM_GETDLGCODE, FxSig_uv, UINT (CWnd::*)(), OnGetDlgCode)
#define ON_WM_HSCROLL() ON_WM_MSG(WM_HSCROLL, FxSig_vuuW, void (CWnd::*)(UINT, UINT, CWnd*), OnHScroll)
#define ON_WM_VSCROLL() ON_WM_MSG(WM_VSCROLL, FxSig_vuuW, void (CWnd::*)(UINT, UINT, CWnd*), OnVScroll)
#define ON_WM_CONTEXTMENU() ON_WM_POINT_MSG(WM_CONTEXTMENU, OnContextMenu)
#define ON_WM_ERASEBKGND() ON_WM_MSG(WM_ERASEBKGND, FxSig_bD, BOOL (CWnd::*)(CDC*), OnEraseBkgnd)
#define ON_WM_CTLCOLOR() ON_WM_MSG(WM_CTLCOLOR, FxSig_hDWu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor)
#define ON_WM_SETFOCUS() ON_WM_MSG(WM_SETFOCUS, FxSig_vW, void (CWnd::*)(CWnd*), OnSetFocus)
#define ON_WM_KILLFOCUS() ON_WM_MSG(WM_KILLFOCUS, FxSig_vW, void (CWnd::*)(CWnd*), OnKillFocus)
#define ON_WM_CAPTURECHANGED() ON_WM_MSG(WM_CAPTURECHANGED, FxSig_vW, void (CWnd::*)(CWnd*), OnCaptureChanged)
#define ON_WM_DRAWITEM() ON_WM_MSG(WM_DRAWITEM, FxSig_viDRAW, void (CWnd::*)(int, DRAWITEMSTRUCT*), OnDrawItem)
#define ON_WM_MEASUREITEM() \
  ON_WM_MSG(WM_MEASUREITEM, FxSig_viMEASURE, void (CWnd::*)(int, MEASUREITEMSTRUCT*), OnMeasureItem)
#define ON_WM_SHOWWINDOW() ON_WM_MSG(WM_SHOWWINDOW, FxSig_vbu, void (CWnd::*)(BOOL, UINT), OnShowWindow)

// ---------------------------------------------------------------------------
class FRAMEWORK_CLASS CWnd : public CObject {
  DECLARE_DYNCREATE(CWnd)
 public:
  HWND m_hWnd = nullptr;

  CWnd();
  ~CWnd() override;  // destroys a window still attached

  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object of a window: the attached one, else a temporary one that
  // lives until the message loop goes idle.
  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd);
  BOOL Attach(HWND hwnd);
  HWND Detach();
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  // The framework's own window class is used when className is null.
  virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
  virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                      LPVOID param = nullptr);
  virtual BOOL DestroyWindow();

  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Runs the command-update handler for ui's command; FALSE when there is none.
  BOOL OnUpdateCommand(CCmdUI* ui);
  // Whether the message map handles the command (ON_COMMAND entries).
  BOOL HasCommandHandler(UINT id) const;
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual void PostNcDestroy();
  virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
  virtual void PreSubclassWindow();

  // Thin wrappers
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  void SetWindowText(LPCSTR text);
  int GetWindowText(LPSTR buffer, int size) const;
  int GetWindowTextLength() const;
  void SetDlgItemText(int id, LPCSTR text);
  int GetDlgItemText(int id, LPSTR buffer, int size) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL ShowWindow(int cmd);
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsWindowVisible() const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  void GetWindowRect(LPRECT rect) const;
  void GetClientRect(LPRECT rect) const;
  CRect GetWindowRect() const;
  CRect GetClientRect() const;
  void ClientToScreen(LPPOINT point) const;
  void ScreenToClient(LPPOINT point) const;
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
  void UpdateWindow();
  void ValidateRect(const RECT* rect);
  void InvalidateRgn(CRgn* rgn, BOOL erase = TRUE);
  BOOL GetUpdateRect(LPRECT rect, BOOL erase = FALSE);
  BOOL RedrawWindow(const RECT* rect = nullptr, CRgn* rgn = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  // Device contexts on the window (temporary CDC objects; give them back with ReleaseDC).
  CDC* GetDC();
  CDC* GetWindowDC();
  int ReleaseDC(CDC* dc);
  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
  BOOL KillTimer(UINT_PTR id);
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add);
  int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);
  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }

  // The message being handled and its default handling (the previous
  // window procedure, or the system default).
  const MSG* GetCurrentMessage() const;
  LRESULT Default();

 protected:
  static const FrameworkMessageMap* GetThisMessageMap();
  virtual const FrameworkMessageMap* GetMessageMap() const;

  // Handlers with default behaviour (message-map targets).
  void OnNcDestroy();
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
  void OnMouseMove(UINT flags, CPoint point);
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnLButtonDblClk(UINT flags, CPoint point);
  void OnRButtonDown(UINT flags, CPoint point);
  void OnRButtonUp(UINT flags, CPoint point);
  void OnContextMenu(CWnd* wnd, CPoint point);

  WNDPROC m_pfnSuper = nullptr;
  friend LRESULT CALLBACK FrameworkWndProc(HWND, UINT, WPARAM, LPARAM);
  friend struct FrameworkWindowTable;
};

LRESULT CALLBACK FrameworkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Painting in a WM_PAINT handler: BeginPaint on construction, EndPaint on
// destruction.
class FRAMEWORK_CLASS CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd = nullptr;
};

// The client area (CClientDC) or the whole window (CWindowDC) outside
// WM_PAINT: GetDC / GetWindowDC, given back on destruction. A null window
// gives the screen's DC.
class FRAMEWORK_CLASS CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 protected:
  HWND m_hWnd = nullptr;
};

class FRAMEWORK_CLASS CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* wnd);
  ~CWindowDC() override;

 protected:
  HWND m_hWnd = nullptr;
};
