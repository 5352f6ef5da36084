#pragma once
// The clipboard of this process: text, bitmaps, enhanced metafiles and
// registered formats. Data handed to SetClipboardData belongs to the
// clipboard from then on and is freed when it is emptied.
#include "win_export.h"
#include "win_stdio.h"
#include "win_types.h"

#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_METAFILEPICT 3
#define CF_OEMTEXT 7
#define CF_DIB 8
#define CF_UNICODETEXT 13
#define CF_ENHMETAFILE 14
#define WM_RENDERFORMAT 0x0305
#define WM_RENDERALLFORMATS 0x0306
#define WM_DESTROYCLIPBOARD 0x0307
#define ERROR_CLIPBOARD_NOT_OPEN 1418

WINAPI_EXPORT BOOL OpenClipboard(HWND owner);
WINAPI_EXPORT BOOL CloseClipboard();
// Frees what the clipboard holds; the window that opened it becomes its owner.
WINAPI_EXPORT BOOL EmptyClipboard();
// Null data asks the owner for it later (WM_RENDERFORMAT). Returns the data,
// or null when the clipboard is not open or the format is not valid.
WINAPI_EXPORT HANDLE SetClipboardData(UINT format, HANDLE data);
WINAPI_EXPORT HANDLE GetClipboardData(UINT format);
WINAPI_EXPORT BOOL IsClipboardFormatAvailable(UINT format);
WINAPI_EXPORT int CountClipboardFormats();
WINAPI_EXPORT UINT EnumClipboardFormats(UINT format);
WINAPI_EXPORT UINT RegisterClipboardFormatA(LPCSTR name);
WINAPI_EXPORT HWND GetClipboardOwner();
WINAPI_EXPORT HWND GetOpenClipboardWindow();

inline UINT RegisterClipboardFormat(LPCSTR n) { return RegisterClipboardFormatA(n); }
