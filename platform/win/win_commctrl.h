#pragma once
// Common-control library start-up. The classes a program asks for are
// remembered; those the headless windows provide are available whether or
// not they were asked for.
#include "win_types.h"
#include "win_export.h"

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_STANDARD_CLASSES 0x00004000

struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
typedef INITCOMMONCONTROLSEX* LPINITCOMMONCONTROLSEX;

// FALSE for a null record or one whose size is not the record's.
WINAPI_EXPORT BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);
WINAPI_EXPORT void InitCommonControls();
// The ICC_ bits asked for so far in this process.
WINAPI_EXPORT DWORD GetInitializedCommonControls();
