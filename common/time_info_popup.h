#pragma once
// A small modeless pop-up with one line of text (the time information of
// a plot point), closed by its timer, a command or a mouse click.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

inline constexpr int kTimeInfoDialogId = 333;
inline constexpr int kTimeInfoTextId = 6520;
inline constexpr UINT_PTR kTimeInfoTimerId = 23;

// At (x, y), or placed over parent when both are 0; a lifetime of 0 keeps
// it until clicked. Null when it cannot be made.
KELT_API HWND KELT_ModelessTimeInfoDialog(HWND parent, const char* text, uint32_t lifetimeMs, int32_t x, int32_t y);
