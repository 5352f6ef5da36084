// The report view page control's window class and cached printer contexts.
#include "reportpages/view_page_control.h"

#include "common/library_classes.h"
#include "win/win_gdi.h"

ATOM RegisterViewPageCtrlClass() { return kelt::lib::RegisterLibraryClass("Ctl_Page"); }
BOOL UnregisterViewPageCtrlClass() { return kelt::lib::UnregisterLibraryClass("Ctl_Page"); }

namespace kelt::pages {
namespace {
HDC g_printerDCs[2] = {nullptr, nullptr};
}

HDC CachedPrinterDC(int which) { return which == 0 || which == 1 ? g_printerDCs[which] : nullptr; }

void SetCachedPrinterDC(int which, HDC dc) {
  if (which != 0 && which != 1) return;
  if (g_printerDCs[which] && g_printerDCs[which] != dc) DeleteDC(g_printerDCs[which]);
  g_printerDCs[which] = dc;
}

void DeleteCachedPrinterDCs() {
  for (HDC& dc : g_printerDCs) {
    if (dc) DeleteDC(dc);
    dc = nullptr;
  }
}
}  // namespace kelt::pages
