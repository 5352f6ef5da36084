#pragma once
// Bitmaps handed to the clipboard.
#include "win/win_types.h"

#define ULBREC_API extern "C" __attribute__((visibility("default")))

// Empties the clipboard for owner and puts the bitmap on it. Nonzero on
// success, and the clipboard owns the bitmap from then on; on failure the
// bitmap stays the caller's and the clipboard is left as it was when it
// could not be opened.
ULBREC_API BOOL PutBitmapOnClipboard(HWND owner, HBITMAP bitmap);
