#pragma once
// Text documents and the save-as question of the common services.
#include "orvik32/orvik32.h"

// Asks for a file name to save under ("Save As" of the workstation):
// title, a suggested name (may be empty), buffer of MAX_PATH bytes for the
// chosen path. Nonzero when a name was chosen.
ORVIK_API BOOL SaveFileAsDialog(HWND owner, const char* title, const char* suggested, char* buffer);
// Prints text (lines ended by "\r\n" or "\n", tabs to the next multiple of
// 8) on the workstation's printer in a fixed-pitch face, titled on every
// page with title and the page number. Nonzero when the document was
// printed.
ORVIK_API BOOL PrintTextDocument(const char* text, const char* title, HWND owner);
