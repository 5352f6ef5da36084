#pragma once
// Property sheets: a modal dialog holding pages (child dialogs) under a
// strip of tabs, with OK, Cancel, Apply and Help. Pages hear PSN_*
// notifications as WM_NOTIFY and answer through DWLP_MSGRESULT. Headless
// like every dialog: scripts pick a page by its tab (win_script.h) and fill
// its fields.
#include "win_export.h"
#include "win_types.h"
#include "win_user.h"

DECLARE_WIN_HANDLE(HPROPSHEETPAGE);
struct PROPSHEETPAGEA;
typedef UINT (CALLBACK* LPFNPSPCALLBACKA)(HWND, UINT, PROPSHEETPAGEA*);
typedef int (CALLBACK* PFNPROPSHEETCALLBACK)(HWND, UINT, LPARAM);

#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USEHICON 0x00000002
#define PSP_USEICONID 0x00000004
#define PSP_USETITLE 0x00000008
#define PSP_RTLREADING 0x00000010
#define PSP_HASHELP 0x00000020
#define PSP_USEREFPARENT 0x00000040
#define PSP_USECALLBACK 0x00000080
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

#define PSH_DEFAULT 0x00000000
#define PSH_PROPTITLE 0x00000001
#define PSH_USEHICON 0x00000002
#define PSH_USEICONID 0x00000004
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_WIZARD 0x00000020
#define PSH_USEPSTARTPAGE 0x00000040
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_USECALLBACK 0x00000100
#define PSH_HASHELP 0x00000200
#define PSH_MODELESS 0x00000400
#define PSCB_INITIALIZED 1
#define PSCB_PRECREATE 2

#define PSN_FIRST (0u - 200)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_REMOVEPAGE (WM_USER + 102)
#define PSM_ADDPAGE (WM_USER + 103)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_CANCELTOCLOSE (WM_USER + 107)
#define PSM_QUERYSIBLINGS (WM_USER + 108)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_SETTITLEA (WM_USER + 111)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6
#define ID_APPLY_NOW 0x3021
#define ID_PSRESTARTWINDOWS 0x2

struct PROPSHEETPAGEA {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  union {
    LPCSTR pszTemplate;
    LPCDLGTEMPLATEA pResource;
  };
  union {
    HICON hIcon;
    LPCSTR pszIcon;
  };
  LPCSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKA pfnCallback;
  UINT* pcRefParent;
};
typedef PROPSHEETPAGEA* LPPROPSHEETPAGEA;
typedef const PROPSHEETPAGEA* LPCPROPSHEETPAGEA;
typedef PROPSHEETPAGEA PROPSHEETPAGE;

struct PROPSHEETHEADERA {
  DWORD dwSize;
  DWORD dwFlags;
  HWND hwndParent;
  HINSTANCE hInstance;
  union {
    HICON hIcon;
    LPCSTR pszIcon;
  };
  LPCSTR pszCaption;
  UINT nPages;
  union {
    UINT nStartPage;
    LPCSTR pStartPage;
  };
  union {
    LPCPROPSHEETPAGEA ppsp;
    HPROPSHEETPAGE* phpage;
  };
  PFNPROPSHEETCALLBACK pfnCallback;
};
typedef PROPSHEETHEADERA* LPPROPSHEETHEADERA;
typedef const PROPSHEETHEADERA* LPCPROPSHEETHEADERA;
typedef PROPSHEETHEADERA PROPSHEETHEADER;

struct PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;
};
typedef PSHNOTIFY* LPPSHNOTIFY;

WINAPI_EXPORT HPROPSHEETPAGE CreatePropertySheetPageA(LPCPROPSHEETPAGEA page);
WINAPI_EXPORT BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
// Runs the sheet modally: a positive value after OK (ID_PSRESTARTWINDOWS
// when a page asked for it), 0 after Cancel, -1 when the sheet or its
// first page could not be made.
WINAPI_EXPORT INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header);

inline INT_PTR PropertySheet(LPCPROPSHEETHEADERA h) { return PropertySheetA(h); }
inline HPROPSHEETPAGE CreatePropertySheetPage(LPCPROPSHEETPAGEA p) { return CreatePropertySheetPageA(p); }
