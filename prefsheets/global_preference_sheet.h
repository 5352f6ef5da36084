#pragma once
// The general preference sheet on the stored general record: mass
// decimals, Greek characters and scientific notation. OK stamps the record,
// makes it the library's current one and writes it.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_wnd.h"

#define PREFS_DLG_GLOBAL 3303
#define PREFS_ID_GLOBAL_DECIMALS 3330
#define PREFS_ID_GLOBAL_GREEK 3331
#define PREFS_ID_GLOBAL_SCIENTIFIC 3332
#define PREFS_ID_GLOBAL_EXPONENT 3333
#define PREFS_ID_GLOBAL_RESET 3334

// 1 when the sheet ended with OK and the record was written, else 0.
KELT_API int16_t Dlg_EditGlobalPreferences(CWnd* parent);
