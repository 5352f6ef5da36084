#pragma once
// Menus: pop-up menus and menu bars, menu resources defined in code and
// tracked pop-ups. Nothing is shown: a tracked menu takes the choice a
// script queued (win_script.h) and the script log records what it offered.
#include "win_export.h"
#include "win_types.h"


#define MF_INSERT 0x00000000L
#define MF_CHANGE 0x00000080L
#define MF_APPEND 0x00000100L
#define MF_DELETE 0x00000200L
#define MF_REMOVE 0x00001000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_USECHECKBITMAPS 0x00000200L
#define MF_STRING 0x00000000L
#define MF_BITMAP 0x00000004L
#define MF_OWNERDRAW 0x00000100L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_UNHILITE 0x00000000L
#define MF_HILITE 0x00000080L
#define MF_DEFAULT 0x00001000L
#define MF_RIGHTJUSTIFY 0x00004000L
#define MFS_GRAYED 0x00000003L
#define MFS_CHECKED MF_CHECKED
#define MFS_DEFAULT MF_DEFAULT

#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

WINAPI_EXPORT HMENU CreateMenu();
WINAPI_EXPORT HMENU CreatePopupMenu();
// Destroys the menu and the pop-ups it holds.
WINAPI_EXPORT BOOL DestroyMenu(HMENU menu);
WINAPI_EXPORT BOOL IsMenu(HMENU menu);
// With MF_POPUP, item is the pop-up's HMENU; the menu then owns it.
WINAPI_EXPORT BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR item, LPCSTR text);
WINAPI_EXPORT BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCSTR text);
WINAPI_EXPORT BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCSTR text);
// RemoveMenu keeps a removed pop-up alive; DeleteMenu destroys it.
WINAPI_EXPORT BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
WINAPI_EXPORT BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
// Both return the item's previous state, or -1 when there is no such item.
// MF_BYCOMMAND looks into pop-ups too.
WINAPI_EXPORT DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
WINAPI_EXPORT BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
WINAPI_EXPORT BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
WINAPI_EXPORT int GetMenuItemCount(HMENU menu);
// -1 for a pop-up or a position out of range; 0 for a separator.
WINAPI_EXPORT UINT GetMenuItemID(HMENU menu, int position);
WINAPI_EXPORT HMENU GetSubMenu(HMENU menu, int position);
// The item's MF_ flags (for a pop-up the item count in the high byte), -1 when missing.
WINAPI_EXPORT UINT GetMenuState(HMENU menu, UINT item, UINT flags);
WINAPI_EXPORT int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
WINAPI_EXPORT BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);

// A top-level window's menu bar. The window owns it and destroys it with
// itself; it is not drawn and does not take client space.
WINAPI_EXPORT BOOL SetMenu(HWND hwnd, HMENU menu);
WINAPI_EXPORT HMENU GetMenu(HWND hwnd);
WINAPI_EXPORT BOOL DrawMenuBar(HWND hwnd);
// The window's system menu (Restore, Move, Size, Minimize, Maximize, Close);
// revert TRUE puts it back to that and returns null.
WINAPI_EXPORT HMENU GetSystemMenu(HWND hwnd, BOOL revert);

// Sends WM_INITMENUPOPUP to the owner (unless TPM_NONOTIFY), then takes the
// scripted choice. With TPM_RETURNCMD: the chosen command or 0. Otherwise
// the command is posted to the owner as WM_COMMAND and the result is
// non-zero when something was chosen. A disabled item, a separator or a
// pop-up cannot be chosen.
WINAPI_EXPORT BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                  const RECT* rect);
WINAPI_EXPORT BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const void* params);

// Menu resources (defined in code through win_resources.h).
WINAPI_EXPORT HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);

inline BOOL AppendMenu(HMENU m, UINT f, UINT_PTR i, LPCSTR t) { return AppendMenuA(m, f, i, t); }
inline BOOL InsertMenu(HMENU m, UINT p, UINT f, UINT_PTR i, LPCSTR t) { return InsertMenuA(m, p, f, i, t); }
inline BOOL ModifyMenu(HMENU m, UINT p, UINT f, UINT_PTR i, LPCSTR t) { return ModifyMenuA(m, p, f, i, t); }
inline int GetMenuString(HMENU m, UINT i, LPSTR b, int n, UINT f) { return GetMenuStringA(m, i, b, n, f); }
inline HMENU LoadMenu(HINSTANCE i, LPCSTR n) { return LoadMenuA(i, n); }
