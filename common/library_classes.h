#pragma once
// Window classes of the library's controls: registered with the library's
// module handle as global classes, so hosts and dialogs of other modules
// can create them by name.
#include "common/kelt_export.h"
#include "win/win_user.h"

namespace kelt::lib {
// A null procedure stands for the default window procedure, used until
// the control behind the class is built. Returns RegisterClass's result.
KELT_CLASS ATOM RegisterLibraryClass(const char* className, WNDPROC proc = nullptr, UINT style = 0,
                                     int windowExtra = 0);
KELT_CLASS BOOL UnregisterLibraryClass(const char* className);
}  // namespace kelt::lib
