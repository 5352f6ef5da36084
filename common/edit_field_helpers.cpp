// Edit-field helpers of the dialogs.
#include "common/edit_field_helpers.h"

#include <cstring>

#include "win/win_user.h"

namespace {
constexpr int kTextRoom = 199;  // 198 characters and the NUL
}

KELT_API int32_t HandleKillEditString(CWnd* dialog, uint16_t controlId, uint16_t maxLength, char* buffer) {
  if (!dialog || !buffer) return 0;
  HWND field = ::GetDlgItem(dialog->GetSafeHwnd(), controlId);
  if (!field) return 0;
  char text[kTextRoom] = {};
  ::GetWindowTextA(field, text, kTextRoom);
  if (maxLength < kTextRoom - 1) text[maxLength] = 0;
  int32_t changed = 0;
  if (std::strcmp(text, buffer) != 0) {
    std::strcpy(buffer, text);
    changed = 1;
  }
  ::SetWindowTextA(field, buffer);
  return changed;
}
