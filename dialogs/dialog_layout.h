#pragma once
// Moving and sizing a dialog's controls by a table of rules when the
// dialog grows: ten bytes a control (id, x, y, width and height rules).
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_wnd.h"

#pragma pack(push, 1)
struct KELT_LAYOUT_RULE {
  int16_t id;
  int16_t x, y, width, height;
};
#pragma pack(pop)
static_assert(sizeof(KELT_LAYOUT_RULE) == 10);

// Fills the parent frame (or parent window) and lays the controls out.
// Returns count.
KELT_API int32_t ExpandDialog(CWnd* dialog, const KELT_LAYOUT_RULE* rules, int32_t count);
// From a size handler: scales from the previous client rectangle to the
// current one. Returns count.
KELT_API int32_t KELT_SizeDialog(CWnd* dialog, const KELT_LAYOUT_RULE* rules, int32_t count, RECT previousClient,
                                 RECT currentWindow, RECT currentClient);
