#pragma once
// Shared by the common dialogs: the extended error of the last call, and
// building a dialog whose controls are placed in pixels.
#include <string>

#include "user_internal.h"
#include "win_commdlg.h"

namespace win::user {

void SetCommonDialogError(DWORD error);

// Adds a control to a dialog at a pixel rectangle, in the dialog's font.
HWND AddDialogControl(HWND dlg, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h);

// A template of a given client size in pixels (rounded up to dialog units).
win::resources::DialogTemplate PixelTemplate(const std::string& caption, int width, int height);

}  // namespace win::user
