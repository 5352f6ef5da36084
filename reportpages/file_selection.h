#pragma once
// Choosing reports files: an existing one to open, or a name for a new one.
// Both run the system's file dialogs; hosts and tests answer them through
// the dialog scripts.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

// path: 260 characters in and out; page: the chosen page (0 = first) or null.
KELT_API BOOL Dlg_SelectReportsFile(HWND owner, char* path, int32_t reserved, int32_t* page);
// kind 11 = reports file; secondName, when given, is the suggested name.
KELT_API BOOL Dlg_SelectSaveAsFile(HWND owner, int16_t kind, char* path, int16_t flag, const char* secondName);
// A name for a file of a kind (8 = report text export, 14 = centroid data
// file); an empty path starts the dialog with an empty name, suffix is
// offered with the kind's extension.
KELT_API BOOL Dlg_SelectSaveAsFileExEx(HWND owner, int16_t kind, char* path, int16_t flag, int16_t reserved,
                                       const char* suffix, int32_t reserved2);
