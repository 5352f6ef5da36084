#pragma once
// The report view page control's window class ("Ctl_Page") and the
// printer drawing contexts the report pages keep.
#include "common/kelt_export.h"
#include "win/win_types.h"

// RegisterClass's result (0 on failure).
KELT_API ATOM RegisterViewPageCtrlClass();
KELT_API BOOL UnregisterViewPageCtrlClass();

namespace kelt::pages {
// Up to two drawing contexts of the current printer (chosen by a flag),
// made on demand; the library's unload deletes whichever exists.
KELT_CLASS HDC CachedPrinterDC(int which);
KELT_CLASS void SetCachedPrinterDC(int which, HDC dc);
KELT_CLASS void DeleteCachedPrinterDCs();
}  // namespace kelt::pages
