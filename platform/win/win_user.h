#pragma once
// User part of the operating-system stand-in: window classes, windows,
// messages and the message queue, timers, input state, dialogs, standard
// controls and message boxes. Everything runs without a display; tests and
// the host drive it through win_script.h.
//
// Threading: windows belong to the one user-interface thread. PostMessageA
// and PostThreadMessageA may be called from any thread.
#include "win_types.h"
#include "win_export.h"

// ---------------------------------------------------------------------------
// Procedure types
typedef LRESULT (CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL (CALLBACK* WNDENUMPROC)(HWND, LPARAM);

// ---------------------------------------------------------------------------
// Window messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SYSCOLORCHANGE 0x0015
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_CANCELMODE 0x001F
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_CHILDACTIVATE 0x0022
#define WM_GETMINMAXINFO 0x0024
#define WM_NEXTDLGCTL 0x0028
#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C
#define WM_DELETEITEM 0x002D
#define WM_VKEYTOITEM 0x002E
#define WM_CHARTOITEM 0x002F
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_COMPAREITEM 0x0039
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_COPYDATA 0x004A
#define WM_NOTIFY 0x004E
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_STYLECHANGING 0x007C
#define WM_STYLECHANGED 0x007D
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_NCACTIVATE 0x0086
#define WM_GETDLGCODE 0x0087
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_DEADCHAR 0x0103
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_INITMENU 0x0116
#define WM_INITMENUPOPUP 0x0117
#define WM_MENUSELECT 0x011F
#define WM_ENTERIDLE 0x0121
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELAST 0x020A
#define WM_PARENTNOTIFY 0x0210
#define WM_ENTERMENULOOP 0x0211
#define WM_EXITMENULOOP 0x0212
#define WM_SIZING 0x0214
#define WM_CAPTURECHANGED 0x0215
#define WM_ENTERSIZEMOVE 0x0231
#define WM_EXITSIZEMOVE 0x0232
#define WM_MOUSELEAVE 0x02A3
#define WM_CUT 0x0300
#define WM_COPY 0x0301
#define WM_PASTE 0x0302
#define WM_CLEAR 0x0303
#define WM_UNDO 0x0304
#define WM_PRINT 0x0317
#define WM_PRINTCLIENT 0x0318
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_ACTIVATE
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2
// WM_SIZE
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
// WM_MOUSEACTIVATE
#define MA_ACTIVATE 1
#define MA_ACTIVATEANDEAT 2
#define MA_NOACTIVATE 3
#define MA_NOACTIVATEANDEAT 4
// WM_NCHITTEST
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTSYSMENU 3
#define HTHSCROLL 6
#define HTVSCROLL 7
#define HTBORDER 18
// WM_SYSCOMMAND
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_NEXTWINDOW 0xF040
#define SC_CLOSE 0xF060
#define SC_KEYMENU 0xF100
#define SC_RESTORE 0xF120
#define SC_CONTEXTHELP 0xF180

// Mouse key flags in wParam of mouse messages
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// Virtual keys
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SELECT 0x29
#define VK_PRINT 0x2A
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_HELP 0x2F
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5

// ---------------------------------------------------------------------------
// Class styles
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_BYTEALIGNCLIENT 0x1000
#define CS_BYTEALIGNWINDOW 0x2000
#define CS_GLOBALCLASS 0x4000

// Window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_TILED WS_OVERLAPPED
#define WS_ICONIC WS_MINIMIZE
#define WS_SIZEBOX WS_THICKFRAME
#define WS_CHILDWINDOW WS_CHILD
#define WS_OVERLAPPEDWINDOW \
  (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_ACCEPTFILES 0x00000010L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_MDICHILD 0x00000040L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTEXTHELP 0x00000400L
#define WS_EX_LEFT 0x00000000L
#define WS_EX_RIGHT 0x00001000L
#define WS_EX_RTLREADING 0x00002000L
#define WS_EX_LEFTSCROLLBAR 0x00004000L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L
#define WS_EX_OVERLAPPEDWINDOW (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE)
#define WS_EX_PALETTEWINDOW (WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST)

// Dialog styles
#define DS_ABSALIGN 0x0001L
#define DS_SYSMODAL 0x0002L
#define DS_3DLOOK 0x0004L
#define DS_FIXEDSYS 0x0008L
#define DS_NOFAILCREATE 0x0010L
#define DS_LOCALEDIT 0x0020L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_NOIDLEMSG 0x0100L
#define DS_SETFOREGROUND 0x0200L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L
#define DS_CENTERMOUSE 0x1000L
#define DS_CONTEXTHELP 0x2000L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

// Special window handles and positions
#define HWND_DESKTOP ((HWND)0)
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)(LONG_PTR)-1)
#define HWND_NOTOPMOST ((HWND)(LONG_PTR)-2)
#define HWND_MESSAGE ((HWND)(LONG_PTR)-3)
#define HWND_BROADCAST ((HWND)0xffff)
#define CW_USEDEFAULT ((int)0x80000000)

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// SetWindowPos
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOCOPYBITS 0x0100
#define SWP_NOOWNERZORDER 0x0200
#define SWP_NOSENDCHANGING 0x0400

// GetWindow / GetAncestor
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
#define GA_PARENT 1
#define GA_ROOT 2
#define GA_ROOTOWNER 3

// ChildWindowFromPointEx
#define CWP_ALL 0x0000
#define CWP_SKIPINVISIBLE 0x0001
#define CWP_SKIPDISABLED 0x0002
#define CWP_SKIPTRANSPARENT 0x0004

// Window and class long indexes
#define GWL_WNDPROC (-4)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWL_ID (-12)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWLP_USERDATA (-21)
#define GCLP_MENUNAME (-8)
#define GCLP_HBRBACKGROUND (-10)
#define GCLP_HCURSOR (-12)
#define GCLP_HICON (-14)
#define GCLP_HMODULE (-16)
#define GCL_CBWNDEXTRA (-18)
#define GCL_CBCLSEXTRA (-20)
#define GCLP_WNDPROC (-24)
#define GCL_STYLE (-26)
#define GCLP_HICONSM (-34)
// Dialog window extra data (the dialog class reserves DLGWINDOWEXTRA bytes)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + (int)sizeof(LRESULT))
#define DWLP_USER (DWLP_DLGPROC + (int)sizeof(DLGPROC))
#define DLGWINDOWEXTRA (DWLP_USER + (int)sizeof(LONG_PTR))

// PeekMessage
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// RedrawWindow
#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800

// Last-error codes of the user part
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_INVALID_MENU_HANDLE 1401
#define ERROR_INVALID_CURSOR_HANDLE 1402
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_WINDOW_OF_OTHER_THREAD 1408
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_CLASS_DOES_NOT_EXIST 1411
#define ERROR_CLASS_HAS_WINDOWS 1412
#define ERROR_INVALID_INDEX 1413
#define ERROR_TLW_WITH_WSCHILD 1406
#define ERROR_NO_TIMER_RESOURCES 1431
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814

// ---------------------------------------------------------------------------
// Records
struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};
struct WNDCLASSEXA {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};
typedef WNDCLASSA* LPWNDCLASSA;
typedef WNDCLASSEXA* LPWNDCLASSEXA;

struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};
typedef CREATESTRUCTA* LPCREATESTRUCTA;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};

struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
typedef NMHDR* LPNMHDR;

struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
};
typedef DRAWITEMSTRUCT* LPDRAWITEMSTRUCT;
struct MEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  ULONG_PTR itemData;
};
typedef MEASUREITEMSTRUCT* LPMEASUREITEMSTRUCT;
#define ODT_MENU 1
#define ODT_LISTBOX 2
#define ODT_COMBOBOX 3
#define ODT_BUTTON 4
#define ODT_STATIC 5
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008
#define ODS_FOCUS 0x0010
#define ODS_DEFAULT 0x0020
#define ODS_COMBOBOXEDIT 0x1000

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;
};
typedef SCROLLINFO* LPSCROLLINFO;
typedef const SCROLLINFO* LPCSCROLLINFO;

// ---------------------------------------------------------------------------
// Dialogs
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDCLOSE 8
#define IDHELP 9
#define IDTRYAGAIN 10
#define IDCONTINUE 11
#define IDC_STATIC (-1)

#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DM_REPOSITION (WM_USER + 2)
#define DC_HASDEFID 0x534B

#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_DEFPUSHBUTTON 0x0010
#define DLGC_UNDEFPUSHBUTTON 0x0020
#define DLGC_RADIOBUTTON 0x0040
#define DLGC_WANTCHARS 0x0080
#define DLGC_STATIC 0x0100
#define DLGC_BUTTON 0x2000

// Templates are defined in code (win_resources.h); DLGTEMPLATE is that record.
namespace win::resources { struct DialogTemplate; }
typedef win::resources::DialogTemplate DLGTEMPLATE;
typedef const DLGTEMPLATE* LPCDLGTEMPLATEA;

// ---------------------------------------------------------------------------
// Standard controls
// Button
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_GROUPBOX 0x00000007L
#define BS_USERBUTTON 0x00000008L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_PUSHBOX 0x0000000AL
#define BS_OWNERDRAW 0x0000000BL
#define BS_TYPEMASK 0x0000000FL
#define BS_LEFTTEXT 0x00000020L
#define BS_TEXT 0x00000000L
#define BS_ICON 0x00000040L
#define BS_BITMAP 0x00000080L
#define BS_LEFT 0x00000100L
#define BS_RIGHT 0x00000200L
#define BS_CENTER 0x00000300L
#define BS_TOP 0x00000400L
#define BS_BOTTOM 0x00000800L
#define BS_VCENTER 0x00000C00L
#define BS_PUSHLIKE 0x00001000L
#define BS_MULTILINE 0x00002000L
#define BS_NOTIFY 0x00004000L
#define BS_FLAT 0x00008000L
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BM_GETIMAGE 0x00F6
#define BM_SETIMAGE 0x00F7
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008
#define BN_CLICKED 0
#define BN_PAINT 1
#define BN_HILITE 2
#define BN_UNHILITE 3
#define BN_DISABLE 4
#define BN_DOUBLECLICKED 5
#define BN_SETFOCUS 6
#define BN_KILLFOCUS 7

// Static
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_ICON 0x00000003L
#define SS_BLACKRECT 0x00000004L
#define SS_GRAYRECT 0x00000005L
#define SS_WHITERECT 0x00000006L
#define SS_BLACKFRAME 0x00000007L
#define SS_GRAYFRAME 0x00000008L
#define SS_WHITEFRAME 0x00000009L
#define SS_USERITEM 0x0000000AL
#define SS_SIMPLE 0x0000000BL
#define SS_LEFTNOWORDWRAP 0x0000000CL
#define SS_OWNERDRAW 0x0000000DL
#define SS_BITMAP 0x0000000EL
#define SS_ENHMETAFILE 0x0000000FL
#define SS_ETCHEDHORZ 0x00000010L
#define SS_ETCHEDVERT 0x00000011L
#define SS_ETCHEDFRAME 0x00000012L
#define SS_TYPEMASK 0x0000001FL
#define SS_NOPREFIX 0x00000080L
#define SS_NOTIFY 0x00000100L
#define SS_CENTERIMAGE 0x00000200L
#define SS_RIGHTJUST 0x00000400L
#define SS_SUNKEN 0x00001000L
#define STM_SETICON 0x0170
#define STM_GETICON 0x0171
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173
#define STN_CLICKED 0
#define STN_DBLCLK 1
#define STN_ENABLE 2
#define STN_DISABLE 3

// Edit
#define ES_LEFT 0x0000L
#define ES_CENTER 0x0001L
#define ES_RIGHT 0x0002L
#define ES_MULTILINE 0x0004L
#define ES_UPPERCASE 0x0008L
#define ES_LOWERCASE 0x0010L
#define ES_PASSWORD 0x0020L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_OEMCONVERT 0x0400L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_NUMBER 0x2000L
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_GETRECT 0x00B2
#define EM_SETRECT 0x00B3
#define EM_SETRECTNP 0x00B4
#define EM_SCROLL 0x00B5
#define EM_LINESCROLL 0x00B6
#define EM_SCROLLCARET 0x00B7
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_GETLINECOUNT 0x00BA
#define EM_LINEINDEX 0x00BB
#define EM_SETHANDLE 0x00BC
#define EM_GETHANDLE 0x00BD
#define EM_GETTHUMB 0x00BE
#define EM_LINELENGTH 0x00C1
#define EM_REPLACESEL 0x00C2
#define EM_GETLINE 0x00C4
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_CANUNDO 0x00C6
#define EM_UNDO 0x00C7
#define EM_FMTLINES 0x00C8
#define EM_LINEFROMCHAR 0x00C9
#define EM_SETTABSTOPS 0x00CB
#define EM_SETPASSWORDCHAR 0x00CC
#define EM_EMPTYUNDOBUFFER 0x00CD
#define EM_GETFIRSTVISIBLELINE 0x00CE
#define EM_SETREADONLY 0x00CF
#define EM_GETPASSWORDCHAR 0x00D2
#define EM_SETMARGINS 0x00D3
#define EM_GETMARGINS 0x00D4
#define EM_GETLIMITTEXT 0x00D5
#define EM_POSFROMCHAR 0x00D6
#define EM_CHARFROMPOS 0x00D7
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define EN_ERRSPACE 0x0500
#define EN_MAXTEXT 0x0501
#define EN_HSCROLL 0x0601
#define EN_VSCROLL 0x0602

// List box
#define LBS_NOTIFY 0x0001L
#define LBS_SORT 0x0002L
#define LBS_NOREDRAW 0x0004L
#define LBS_MULTIPLESEL 0x0008L
#define LBS_OWNERDRAWFIXED 0x0010L
#define LBS_OWNERDRAWVARIABLE 0x0020L
#define LBS_HASSTRINGS 0x0040L
#define LBS_USETABSTOPS 0x0080L
#define LBS_NOINTEGRALHEIGHT 0x0100L
#define LBS_MULTICOLUMN 0x0200L
#define LBS_WANTKEYBOARDINPUT 0x0400L
#define LBS_EXTENDEDSEL 0x0800L
#define LBS_DISABLENOSCROLL 0x1000L
#define LBS_NODATA 0x2000L
#define LBS_NOSEL 0x4000L
#define LBS_STANDARD (LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER)
#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_DELETESTRING 0x0182
#define LB_SELITEMRANGEEX 0x0183
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_SETCURSEL 0x0186
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_SELECTSTRING 0x018C
#define LB_DIR 0x018D
#define LB_GETTOPINDEX 0x018E
#define LB_FINDSTRING 0x018F
#define LB_GETSELCOUNT 0x0190
#define LB_GETSELITEMS 0x0191
#define LB_SETTABSTOPS 0x0192
#define LB_GETHORIZONTALEXTENT 0x0193
#define LB_SETHORIZONTALEXTENT 0x0194
#define LB_SETCOLUMNWIDTH 0x0195
#define LB_ADDFILE 0x0196
#define LB_SETTOPINDEX 0x0197
#define LB_GETITEMRECT 0x0198
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LB_SELITEMRANGE 0x019B
#define LB_SETANCHORINDEX 0x019C
#define LB_GETANCHORINDEX 0x019D
#define LB_SETCARETINDEX 0x019E
#define LB_GETCARETINDEX 0x019F
#define LB_SETITEMHEIGHT 0x01A0
#define LB_GETITEMHEIGHT 0x01A1
#define LB_FINDSTRINGEXACT 0x01A2
#define LB_SETCOUNT 0x01A7
#define LB_INITSTORAGE 0x01A8
#define LB_ITEMFROMPOINT 0x01A9
#define LB_OKAY 0
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)
#define LBN_ERRSPACE (-2)
#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2
#define LBN_SELCANCEL 3
#define LBN_SETFOCUS 4
#define LBN_KILLFOCUS 5

// Combo box
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_OWNERDRAWFIXED 0x0010L
#define CBS_OWNERDRAWVARIABLE 0x0020L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_OEMCONVERT 0x0080L
#define CBS_SORT 0x0100L
#define CBS_HASSTRINGS 0x0200L
#define CBS_NOINTEGRALHEIGHT 0x0400L
#define CBS_DISABLENOSCROLL 0x0800L
#define CBS_UPPERCASE 0x2000L
#define CBS_LOWERCASE 0x4000L
#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_DIR 0x0145
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDCONTROLRECT 0x0152
#define CB_SETITEMHEIGHT 0x0153
#define CB_GETITEMHEIGHT 0x0154
#define CB_SETEXTENDEDUI 0x0155
#define CB_GETEXTENDEDUI 0x0156
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158
#define CB_GETTOPINDEX 0x015B
#define CB_SETTOPINDEX 0x015C
#define CB_GETDROPPEDWIDTH 0x015F
#define CB_SETDROPPEDWIDTH 0x0160
#define CB_INITSTORAGE 0x0161
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CBN_ERRSPACE (-1)
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

// Scroll bar
#define SBS_HORZ 0x0000L
#define SBS_VERT 0x0001L
#define SBS_TOPALIGN 0x0002L
#define SBS_LEFTALIGN 0x0002L
#define SBS_BOTTOMALIGN 0x0004L
#define SBS_RIGHTALIGN 0x0004L
#define SBS_SIZEBOX 0x0008L
#define SBS_SIZEGRIP 0x0010L
#define SBM_SETPOS 0x00E0
#define SBM_GETPOS 0x00E1
#define SBM_SETRANGE 0x00E2
#define SBM_GETRANGE 0x00E3
#define SBM_ENABLE_ARROWS 0x00E4
#define SBM_SETRANGEREDRAW 0x00E6
#define SBM_SETSCROLLINFO 0x00E9
#define SBM_GETSCROLLINFO 0x00EA
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_BOTH 3
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#define SB_ENDSCROLL 8
#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_DISABLENOSCROLL 0x0008
#define SIF_TRACKPOS 0x0010
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)
#define ESB_ENABLE_BOTH 0x0000
#define ESB_DISABLE_BOTH 0x0003

// Class names of the standard controls and the dialog class
#define WC_BUTTONA "Button"
#define WC_STATICA "Static"
#define WC_EDITA "Edit"
#define WC_LISTBOXA "ListBox"
#define WC_COMBOBOXA "ComboBox"
#define WC_SCROLLBARA "ScrollBar"
#define WC_DIALOG MAKEINTATOM(0x8002)
#define MAKEINTATOM(i) ((LPCSTR)((ULONG_PTR)((WORD)(i))))

// ---------------------------------------------------------------------------
// Message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_USERICON 0x00000080L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONMASK 0x000000F0L
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFBUTTON4 0x00000300L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_MODEMASK 0x00003000L
#define MB_HELP 0x00004000L
#define MB_NOFOCUS 0x00008000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_DEFAULT_DESKTOP_ONLY 0x00020000L
#define MB_TOPMOST 0x00040000L
#define MB_RIGHT 0x00080000L
#define MB_RTLREADING 0x00100000L
#define MB_SERVICE_NOTIFICATION 0x00200000L

// ---------------------------------------------------------------------------
// System metrics (fixed values; see metrics.cpp)
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CYVTHUMB 9
#define SM_CXHTHUMB 10
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CYKANJIWINDOW 18
#define SM_MOUSEPRESENT 19
#define SM_CYVSCROLL 20
#define SM_CXHSCROLL 21
#define SM_DEBUG 22
#define SM_SWAPBUTTON 23
#define SM_CXMIN 28
#define SM_CYMIN 29
#define SM_CXSIZE 30
#define SM_CYSIZE 31
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXMINTRACK 34
#define SM_CYMINTRACK 35
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CXICONSPACING 38
#define SM_CYICONSPACING 39
#define SM_MENUDROPALIGNMENT 40
#define SM_CMOUSEBUTTONS 43
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYSIZEFRAME SM_CYFRAME
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define SM_CYSMCAPTION 51
#define SM_CXSMSIZE 52
#define SM_CYSMSIZE 53
#define SM_CXMENUSIZE 54
#define SM_CYMENUSIZE 55
#define SM_CXMAXTRACK 59
#define SM_CYMAXTRACK 60
#define SM_CXMAXIMIZED 61
#define SM_CYMAXIMIZED 62
#define SM_CXDRAG 68
#define SM_CYDRAG 69
#define SM_CXMENUCHECK 71
#define SM_CYMENUCHECK 72
#define SM_MOUSEWHEELPRESENT 75
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#define SM_CMONITORS 80

// ---------------------------------------------------------------------------
// Cursors and icons: system resources by number
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)
#define IDC_UPARROW MAKEINTRESOURCEA(32516)
#define IDC_SIZE MAKEINTRESOURCEA(32640)
#define IDC_ICON MAKEINTRESOURCEA(32641)
#define IDC_SIZENWSE MAKEINTRESOURCEA(32642)
#define IDC_SIZENESW MAKEINTRESOURCEA(32643)
#define IDC_SIZEWE MAKEINTRESOURCEA(32644)
#define IDC_SIZENS MAKEINTRESOURCEA(32645)
#define IDC_SIZEALL MAKEINTRESOURCEA(32646)
#define IDC_NO MAKEINTRESOURCEA(32648)
#define IDC_HAND MAKEINTRESOURCEA(32649)
#define IDC_APPSTARTING MAKEINTRESOURCEA(32650)
#define IDC_HELP MAKEINTRESOURCEA(32651)
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDI_HAND MAKEINTRESOURCEA(32513)
#define IDI_QUESTION MAKEINTRESOURCEA(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEA(32515)
#define IDI_ASTERISK MAKEINTRESOURCEA(32516)
#define IDI_WINLOGO MAKEINTRESOURCEA(32517)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK

// Resource types
#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)

// LoadImage
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x0000
#define LR_LOADFROMFILE 0x0010
#define LR_DEFAULTSIZE 0x0040
#define LR_SHARED 0x8000

// MessageBeep
#define MB_BEEP_SIMPLE 0xFFFFFFFFu


// ---------------------------------------------------------------------------
// Hooks: window creation and destruction (WH_CBT), message filters of modal
// loops and of the script pump (WH_MSGFILTER), and idle (WH_FOREGROUNDIDLE).
DECLARE_WIN_HANDLE(HHOOK);
typedef LRESULT (CALLBACK* HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);
#define WH_MSGFILTER (-1)
#define WH_CBT 5
#define WH_FOREGROUNDIDLE 11
#define HCBT_CREATEWND 3
#define HCBT_DESTROYWND 4
#define MSGF_DIALOGBOX 0
#define MSGF_MESSAGEBOX 1
#define MSGF_MENU 2
// The script pump and host loops of this stand-in filter with this code.
#define MSGF_HOSTLOOP 0x7000
struct CBT_CREATEWNDA {
  CREATESTRUCTA* lpcs;
  HWND hwndInsertAfter;
};

// ===========================================================================
// Functions

// Window classes
WINAPI_EXPORT ATOM RegisterClassA(const WNDCLASSA* wc);
WINAPI_EXPORT ATOM RegisterClassExA(const WNDCLASSEXA* wc);
WINAPI_EXPORT BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
WINAPI_EXPORT BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc);
WINAPI_EXPORT BOOL GetClassInfoExA(HINSTANCE instance, LPCSTR className, WNDCLASSEXA* wc);
WINAPI_EXPORT int GetClassNameA(HWND hwnd, LPSTR buffer, int size);
WINAPI_EXPORT ULONG_PTR GetClassLongPtrA(HWND hwnd, int index);
WINAPI_EXPORT ULONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value);

// Windows
WINAPI_EXPORT HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                                   int x, int y, int width, int height, HWND parent, HMENU menu,
                                   HINSTANCE instance, LPVOID param);
WINAPI_EXPORT BOOL DestroyWindow(HWND hwnd);
WINAPI_EXPORT BOOL IsWindow(HWND hwnd);
WINAPI_EXPORT BOOL IsChild(HWND parent, HWND hwnd);
WINAPI_EXPORT HWND GetParent(HWND hwnd);
WINAPI_EXPORT HWND SetParent(HWND hwnd, HWND newParent);
WINAPI_EXPORT HWND GetAncestor(HWND hwnd, UINT flags);
WINAPI_EXPORT HWND GetWindow(HWND hwnd, UINT cmd);
WINAPI_EXPORT HWND GetTopWindow(HWND hwnd);
WINAPI_EXPORT HWND GetDesktopWindow();
WINAPI_EXPORT BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
WINAPI_EXPORT BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
WINAPI_EXPORT HWND FindWindowA(LPCSTR className, LPCSTR windowName);
WINAPI_EXPORT HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName);
WINAPI_EXPORT LONG GetWindowLongA(HWND hwnd, int index);
WINAPI_EXPORT LONG SetWindowLongA(HWND hwnd, int index, LONG value);
WINAPI_EXPORT LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
WINAPI_EXPORT LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
WINAPI_EXPORT WORD GetWindowWord(HWND hwnd, int index);
WINAPI_EXPORT BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data);
WINAPI_EXPORT HANDLE GetPropA(HWND hwnd, LPCSTR name);
WINAPI_EXPORT HANDLE RemovePropA(HWND hwnd, LPCSTR name);
WINAPI_EXPORT int GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
WINAPI_EXPORT int GetWindowTextLengthA(HWND hwnd);
WINAPI_EXPORT BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
WINAPI_EXPORT BOOL ShowWindow(HWND hwnd, int cmd);
WINAPI_EXPORT BOOL IsWindowVisible(HWND hwnd);
WINAPI_EXPORT BOOL EnableWindow(HWND hwnd, BOOL enable);
WINAPI_EXPORT BOOL IsWindowEnabled(HWND hwnd);
WINAPI_EXPORT BOOL IsIconic(HWND hwnd);
WINAPI_EXPORT BOOL IsZoomed(HWND hwnd);
WINAPI_EXPORT BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
WINAPI_EXPORT BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
WINAPI_EXPORT BOOL BringWindowToTop(HWND hwnd);
WINAPI_EXPORT BOOL GetWindowRect(HWND hwnd, LPRECT rect);
WINAPI_EXPORT BOOL GetClientRect(HWND hwnd, LPRECT rect);
WINAPI_EXPORT BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
WINAPI_EXPORT BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);
WINAPI_EXPORT BOOL ClientToScreen(HWND hwnd, LPPOINT point);
WINAPI_EXPORT BOOL ScreenToClient(HWND hwnd, LPPOINT point);
WINAPI_EXPORT int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
WINAPI_EXPORT HWND ChildWindowFromPoint(HWND parent, POINT point);
WINAPI_EXPORT HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags);
WINAPI_EXPORT HWND WindowFromPoint(POINT point);
WINAPI_EXPORT int GetDlgCtrlID(HWND hwnd);
WINAPI_EXPORT HWND GetDlgItem(HWND dialog, int id);

// Messages
WINAPI_EXPORT LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINAPI_EXPORT BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINAPI_EXPORT BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
WINAPI_EXPORT void PostQuitMessage(int exitCode);
WINAPI_EXPORT BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
WINAPI_EXPORT BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
WINAPI_EXPORT BOOL TranslateMessage(const MSG* msg);
WINAPI_EXPORT LRESULT DispatchMessageA(const MSG* msg);
WINAPI_EXPORT BOOL WaitMessage();
WINAPI_EXPORT LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINAPI_EXPORT LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINAPI_EXPORT UINT RegisterWindowMessageA(LPCSTR name);
WINAPI_EXPORT BOOL InSendMessage();
WINAPI_EXPORT DWORD GetMessagePos();
WINAPI_EXPORT LONG GetMessageTime();
WINAPI_EXPORT BOOL CallMsgFilterA(LPMSG msg, int code);

// Painting bookkeeping (the device contexts arrive with the graphics part)
WINAPI_EXPORT BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
WINAPI_EXPORT BOOL ValidateRect(HWND hwnd, const RECT* rect);
WINAPI_EXPORT BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
WINAPI_EXPORT BOOL UpdateWindow(HWND hwnd);
WINAPI_EXPORT BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

// Timers
WINAPI_EXPORT UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
WINAPI_EXPORT BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Focus, activation, capture
WINAPI_EXPORT HWND SetFocus(HWND hwnd);
WINAPI_EXPORT HWND GetFocus();
WINAPI_EXPORT HWND SetActiveWindow(HWND hwnd);
WINAPI_EXPORT HWND GetActiveWindow();
WINAPI_EXPORT HWND GetForegroundWindow();
WINAPI_EXPORT BOOL SetForegroundWindow(HWND hwnd);
WINAPI_EXPORT HWND SetCapture(HWND hwnd);
WINAPI_EXPORT BOOL ReleaseCapture();
WINAPI_EXPORT HWND GetCapture();

// Keyboard and mouse state
WINAPI_EXPORT SHORT GetKeyState(int virtualKey);
WINAPI_EXPORT SHORT GetAsyncKeyState(int virtualKey);
WINAPI_EXPORT BOOL GetCursorPos(LPPOINT point);
WINAPI_EXPORT BOOL SetCursorPos(int x, int y);
WINAPI_EXPORT UINT GetDoubleClickTime();
WINAPI_EXPORT BOOL MessageBeep(UINT type);

// Cursors and icons
WINAPI_EXPORT HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
WINAPI_EXPORT HCURSOR SetCursor(HCURSOR cursor);
WINAPI_EXPORT HCURSOR GetCursor();
WINAPI_EXPORT int ShowCursor(BOOL show);
WINAPI_EXPORT BOOL DestroyCursor(HCURSOR cursor);
WINAPI_EXPORT HICON LoadIconA(HINSTANCE instance, LPCSTR name);
WINAPI_EXPORT BOOL DestroyIcon(HICON icon);

// Metrics
WINAPI_EXPORT int GetSystemMetrics(int index);

// Resources (defined in code: win_resources.h)
WINAPI_EXPORT int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
WINAPI_EXPORT HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
WINAPI_EXPORT HGLOBAL LoadResource(HMODULE module, HRSRC resource);
WINAPI_EXPORT LPVOID LockResource(HGLOBAL data);
WINAPI_EXPORT BOOL FreeResource(HGLOBAL data);
WINAPI_EXPORT DWORD SizeofResource(HMODULE module, HRSRC resource);

// Dialogs
WINAPI_EXPORT INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                                      DLGPROC proc, LPARAM initParam);
WINAPI_EXPORT INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dlgTemplate,
                                              HWND owner, DLGPROC proc, LPARAM initParam);
WINAPI_EXPORT HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                                      DLGPROC proc, LPARAM initParam);
WINAPI_EXPORT HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dlgTemplate,
                                              HWND owner, DLGPROC proc, LPARAM initParam);
WINAPI_EXPORT BOOL EndDialog(HWND dialog, INT_PTR result);
WINAPI_EXPORT LRESULT DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
WINAPI_EXPORT BOOL IsDialogMessageA(HWND dialog, LPMSG msg);
WINAPI_EXPORT HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
WINAPI_EXPORT HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
WINAPI_EXPORT BOOL MapDialogRect(HWND dialog, LPRECT rect);
WINAPI_EXPORT LONG GetDialogBaseUnits();
WINAPI_EXPORT LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
WINAPI_EXPORT BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
WINAPI_EXPORT UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size);
WINAPI_EXPORT BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
WINAPI_EXPORT UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
WINAPI_EXPORT BOOL CheckDlgButton(HWND dialog, int id, UINT check);
WINAPI_EXPORT UINT IsDlgButtonChecked(HWND dialog, int id);
WINAPI_EXPORT BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);

// Scroll bars of windows (SB_HORZ, SB_VERT) and scroll-bar controls (SB_CTL)
WINAPI_EXPORT int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw);
WINAPI_EXPORT BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info);
WINAPI_EXPORT int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
WINAPI_EXPORT int GetScrollPos(HWND hwnd, int bar);
WINAPI_EXPORT BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
WINAPI_EXPORT BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
WINAPI_EXPORT BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
WINAPI_EXPORT BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);

// Hooks (thread id 0: this thread)
WINAPI_EXPORT HHOOK SetWindowsHookExA(int type, HOOKPROC proc, HINSTANCE instance, DWORD threadId);
WINAPI_EXPORT BOOL UnhookWindowsHookEx(HHOOK hook);
WINAPI_EXPORT LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

// Message boxes
WINAPI_EXPORT int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---------------------------------------------------------------------------
// The unsuffixed names by which callers know the calls.
inline ATOM RegisterClass(const WNDCLASSA* wc) { return RegisterClassA(wc); }
inline ATOM RegisterClassEx(const WNDCLASSEXA* wc) { return RegisterClassExA(wc); }
inline BOOL UnregisterClass(LPCSTR n, HINSTANCE i) { return UnregisterClassA(n, i); }
inline BOOL GetClassInfo(HINSTANCE i, LPCSTR n, WNDCLASSA* wc) { return GetClassInfoA(i, n, wc); }
inline int GetClassName(HWND h, LPSTR b, int n) { return GetClassNameA(h, b, n); }
inline HWND CreateWindowEx(DWORD e, LPCSTR c, LPCSTR t, DWORD s, int x, int y, int w, int hh,
                           HWND p, HMENU m, HINSTANCE i, LPVOID a) {
  return CreateWindowExA(e, c, t, s, x, y, w, hh, p, m, i, a);
}
inline HWND CreateWindowA(LPCSTR c, LPCSTR t, DWORD s, int x, int y, int w, int hh, HWND p,
                          HMENU m, HINSTANCE i, LPVOID a) {
  return CreateWindowExA(0, c, t, s, x, y, w, hh, p, m, i, a);
}
inline HWND CreateWindow(LPCSTR c, LPCSTR t, DWORD s, int x, int y, int w, int hh, HWND p,
                         HMENU m, HINSTANCE i, LPVOID a) {
  return CreateWindowExA(0, c, t, s, x, y, w, hh, p, m, i, a);
}
inline HWND FindWindow(LPCSTR c, LPCSTR t) { return FindWindowA(c, t); }
inline LONG GetWindowLong(HWND h, int i) { return GetWindowLongA(h, i); }
inline LONG SetWindowLong(HWND h, int i, LONG v) { return SetWindowLongA(h, i, v); }
inline LONG_PTR GetWindowLongPtr(HWND h, int i) { return GetWindowLongPtrA(h, i); }
inline LONG_PTR SetWindowLongPtr(HWND h, int i, LONG_PTR v) { return SetWindowLongPtrA(h, i, v); }
inline ULONG_PTR GetClassLongPtr(HWND h, int i) { return GetClassLongPtrA(h, i); }
inline ULONG_PTR SetClassLongPtr(HWND h, int i, LONG_PTR v) { return SetClassLongPtrA(h, i, v); }
inline BOOL SetProp(HWND h, LPCSTR n, HANDLE d) { return SetPropA(h, n, d); }
inline HANDLE GetProp(HWND h, LPCSTR n) { return GetPropA(h, n); }
inline HANDLE RemoveProp(HWND h, LPCSTR n) { return RemovePropA(h, n); }
inline int GetWindowText(HWND h, LPSTR b, int n) { return GetWindowTextA(h, b, n); }
inline int GetWindowTextLength(HWND h) { return GetWindowTextLengthA(h); }
inline BOOL SetWindowText(HWND h, LPCSTR t) { return SetWindowTextA(h, t); }
inline LRESULT SendMessage(HWND h, UINT m, WPARAM w, LPARAM l) { return SendMessageA(h, m, w, l); }
inline BOOL PostMessage(HWND h, UINT m, WPARAM w, LPARAM l) { return PostMessageA(h, m, w, l); }
inline BOOL GetMessage(LPMSG m, HWND h, UINT a, UINT b) { return GetMessageA(m, h, a, b); }
inline BOOL PeekMessage(LPMSG m, HWND h, UINT a, UINT b, UINT r) { return PeekMessageA(m, h, a, b, r); }
inline LRESULT DispatchMessage(const MSG* m) { return DispatchMessageA(m); }
inline LRESULT DefWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
inline LRESULT CallWindowProc(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l) {
  return CallWindowProcA(p, h, m, w, l);
}
inline UINT RegisterWindowMessage(LPCSTR n) { return RegisterWindowMessageA(n); }
inline HCURSOR LoadCursor(HINSTANCE i, LPCSTR n) { return LoadCursorA(i, n); }
inline HICON LoadIcon(HINSTANCE i, LPCSTR n) { return LoadIconA(i, n); }
inline int LoadString(HINSTANCE i, UINT id, LPSTR b, int n) { return LoadStringA(i, id, b, n); }
inline HRSRC FindResource(HMODULE m, LPCSTR n, LPCSTR t) { return FindResourceA(m, n, t); }
inline INT_PTR DialogBoxParam(HINSTANCE i, LPCSTR t, HWND o, DLGPROC p, LPARAM l) {
  return DialogBoxParamA(i, t, o, p, l);
}
inline INT_PTR DialogBox(HINSTANCE i, LPCSTR t, HWND o, DLGPROC p) { return DialogBoxParamA(i, t, o, p, 0); }
inline INT_PTR DialogBoxIndirectParam(HINSTANCE i, LPCDLGTEMPLATEA t, HWND o, DLGPROC p, LPARAM l) {
  return DialogBoxIndirectParamA(i, t, o, p, l);
}
inline HWND CreateDialogParam(HINSTANCE i, LPCSTR t, HWND o, DLGPROC p, LPARAM l) {
  return CreateDialogParamA(i, t, o, p, l);
}
inline HWND CreateDialog(HINSTANCE i, LPCSTR t, HWND o, DLGPROC p) { return CreateDialogParamA(i, t, o, p, 0); }
inline HWND CreateDialogIndirectParam(HINSTANCE i, LPCDLGTEMPLATEA t, HWND o, DLGPROC p, LPARAM l) {
  return CreateDialogIndirectParamA(i, t, o, p, l);
}
inline HWND CreateDialogIndirect(HINSTANCE i, LPCDLGTEMPLATEA t, HWND o, DLGPROC p) {
  return CreateDialogIndirectParamA(i, t, o, p, 0);
}
inline LRESULT DefDlgProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefDlgProcA(h, m, w, l); }
inline BOOL IsDialogMessage(HWND h, LPMSG m) { return IsDialogMessageA(h, m); }
inline LRESULT SendDlgItemMessage(HWND h, int id, UINT m, WPARAM w, LPARAM l) {
  return SendDlgItemMessageA(h, id, m, w, l);
}
inline BOOL SetDlgItemText(HWND h, int id, LPCSTR t) { return SetDlgItemTextA(h, id, t); }
inline UINT GetDlgItemText(HWND h, int id, LPSTR b, int n) { return GetDlgItemTextA(h, id, b, n); }
inline int MessageBox(HWND h, LPCSTR t, LPCSTR c, UINT f) { return MessageBoxA(h, t, c, f); }
