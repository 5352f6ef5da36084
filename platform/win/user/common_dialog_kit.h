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

// Clears the extended error and checks the caller's block: a null one fails
// with CDERR_INITIALIZATION, a wrong lStructSize with CDERR_STRUCTSIZE.
template <typename Block>
bool StartCommonDialog(const Block* block) {
  SetCommonDialogError(0);
  if (!block || block->lStructSize != sizeof(Block)) {
    SetCommonDialogError(block ? CDERR_STRUCTSIZE : CDERR_INITIALIZATION);
    return false;
  }
  return true;
}

// Runs a modal dialog of a pixel client size with the state as its
// parameter; a dialog that could not run sets CDERR_DIALOGFAILURE.
INT_PTR RunPixelDialog(const std::string& caption, int width, int height, HWND owner, DLGPROC proc, void* state);

}  // namespace win::user
