#pragma once
// Timed status messages and the TrueType check of the page-rendering
// library.
#include <cstdint>

#include "ulbrec32/ulbrec32.h"
#include "win/win_types.h"

// Shows text in a small borderless pop-up over window (the active window
// when null) that closes itself after ms milliseconds (0: 2000). Returns
// the window the caller repaints: the one the message was shown over.
ULBREC_API HWND ShowTimedMessage(HWND window, const char* text, uint32_t ms);
// Whether TrueType fonts can be used for text on screen and pages.
ULBREC_API BOOL IsTrueTypeAvailable();
