#pragma once
// The general preference sheet on the stored general record: list fonts,
// number display and scientific notation. OK stamps the record and writes
// it; the library's copy changes only when the write succeeded.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_wnd.h"

// 1 when the sheet ended with OK and the record was written, else 0.
KELT_API int32_t Dlg_EditGlobalPreferences(CWnd* parent);
// The same sheet with the "Information List Fonts" page only.
KELT_API int32_t Dlg_EditGlobalFontPreferences(CWnd* parent);
