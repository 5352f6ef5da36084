// Message boxes. Nobody reads them: each is answered by the next queued
// scripted answer, or else by its default button, and logged.
#include "user_internal.h"

using namespace win::user;

namespace {
std::vector<int> Buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
  }
}
}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::vector<int> buttons = Buttons(type);
  size_t def = (type & MB_DEFMASK) >> 8;
  if (def >= buttons.size()) def = 0;
  if (type & MB_HELP) buttons.push_back(IDHELP);
  int result = buttons[def];
  int answer = 0;
  bool answered = false;
  if (TakeMessageBoxAnswer(&answer)) {
    for (int b : buttons)
      if (b == answer) {
        result = answer;
        answered = true;
      }
  }
  LogMessageBox(owner, caption ? caption : "Error", text ? text : "", type, result, answered);
  return result;
}
