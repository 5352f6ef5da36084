#pragma once
// Choosing the name of an exported text file (summary, chart, sample and
// calibration-block exports): the save-as dialog proposes the data or list
// file's name with a suffix and the extension of the file kind.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

// File kinds of separated exports.
#define EXPORT_KIND_COMMA 15  // ".csv"
#define EXPORT_KIND_BLANK 16  // ".prn"
#define EXPORT_KIND_TEXT 17   // ".txt"

namespace kelt::pages {
// The extension of an export kind, without its point.
KELT_CLASS const char* ExportExtension(int16_t kind);
// The proposed name: the path's folder and base name (proposedFrom, or path
// when it is empty), the suffix and the kind's extension.
KELT_CLASS void ProposeExportName(const char* proposedFrom, const char* suffix, int16_t kind, char* out, size_t size);
// Runs the dialog; on OK path (260 bytes) holds the chosen file and
// extension (at least 16 bytes, or null) its extension without the point
// ("" when it has none). FALSE when the user cancels.
KELT_CLASS BOOL SelectExportFile(HWND owner, int16_t kind, char* path, const char* proposedFrom, const char* suffix,
                                 char* extension);
}  // namespace kelt::pages
