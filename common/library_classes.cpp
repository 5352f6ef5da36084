// Registration of the library's window classes.
#include "common/library_classes.h"

#include "common/library_state.h"

namespace kelt::lib {

ATOM RegisterLibraryClass(const char* className, WNDPROC proc, UINT style, int windowExtra) {
  if (!className || !*className) return 0;
  WNDCLASSA wc{};
  wc.style = style | CS_GLOBALCLASS;
  wc.lpfnWndProc = proc ? proc : DefWindowProcA;
  wc.cbWndExtra = windowExtra;
  wc.hInstance = ModuleHandle();
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = className;
  return RegisterClassA(&wc);
}

BOOL UnregisterLibraryClass(const char* className) {
  if (!className || !*className) return FALSE;
  return UnregisterClassA(className, ModuleHandle());
}

}  // namespace kelt::lib
