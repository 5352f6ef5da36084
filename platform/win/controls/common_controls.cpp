// Common-control start-up: remembers which control classes were asked for.
#include <atomic>

#include "win_commctrl.h"
#include "win_kernel.h"

namespace {
std::atomic<DWORD> g_initialized{0};
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  g_initialized.fetch_or(init->dwICC);
  return TRUE;
}

void InitCommonControls() { g_initialized.fetch_or(ICC_WIN95_CLASSES); }

DWORD GetInitializedCommonControls() { return g_initialized.load(); }
