#pragma once
// Helpers shared by the common controls: notifications to the parent (or
// the window a control was told to notify), pixels of bitmaps, and the
// class procedures the start-up registers.
#include <vector>

#include "control_drawing.h"
#include "user_internal.h"
#include "win_commctrl.h"

namespace win::user {

// Fills the header and sends WM_NOTIFY to target (null: the parent).
// Returns the answer; 0 when there is nobody to ask.
LRESULT SendNotify(HWND control, HWND target, UINT code, NMHDR* header);
inline LRESULT SendNotify(HWND control, UINT code, NMHDR* header) { return SendNotify(control, nullptr, code, header); }

// The bitmap's pixels, rows from the top; empty for a bad handle.
std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int* width, int* height);
HBITMAP BitmapFromPixels(const std::vector<COLORREF>& pixels, int width, int height);

// Clamps v into [lo, hi] (lo may exceed hi: then hi wins, as ranges given backwards do).
inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The vertical bar of a control scrolled by rows: range, page and position,
// shown only while there is more than a page.
void SetRowScroll(HWND control, int rows, int perPage, int top);
// The top row a WM_VSCROLL asks for by line, page or thumb; other requests
// leave top as it is.
int VScrolledTop(WPARAM request, int top, int perPage);

// LB_DIR and CB_DIR: adds the entries with addMessage; the index of the
// last one added, -1 when none could be listed.
LRESULT AddDirectoryListing(HWND control, UINT addMessage, UINT kinds, LPCSTR filePattern);

LRESULT CALLBACK ProgressProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TrackBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StatusBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ToolTipProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ToolbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TreeViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK HeaderProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace win::user

namespace win::user {
// Draws an image of a list in the disabled look (its shape in the shadow colour).
bool DrawImageDisabled(HIMAGELIST list, int index, HDC dc, int x, int y);
}  // namespace win::user
