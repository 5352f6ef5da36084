#pragma once
// Small display helpers of the library: the done status, the global fonts
// and text measurement on a framework drawing context.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_gdi.h"
#include "win/win_types.h"

class CDC;

// "Done" (nonzero) or "Not Done" for two seconds over the active window.
KELT_API void KELT_ShowDoneStatus(int16_t done);
// New fonts from the general preferences' first and second font
// descriptions; the caller deletes them (DeleteObject).
KELT_API HFONT KELT_CreateGlobalFont();
KELT_API HFONT KELT_CreateGlobalFont2();
// The text's extent on the context's output handle; without one, the
// library's character size times the length (when it has an attribute
// handle). 1 on success, else 0 with a zero size.
KELT_API BOOL KELT_GetTextSize(CDC* dc, const char* text, SIZE* size);
// As KELT_GetTextSize, but the fallback measures on the attribute handle.
KELT_API BOOL KELT_GetTextSizeEx(CDC* dc, const char* text, SIZE* size);
