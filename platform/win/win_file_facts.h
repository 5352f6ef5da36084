#pragma once
// Small facts about workstation files, for stand-ins that keep their data
// through a library of their own (the sectioned-file store) but still need
// to ask about, protect, replace or remove whole files.
#include <string>
#include <string_view>
#include "win_export.h"

namespace win::facts {
// True for an existing regular file (not a folder).
WIN_CLASS bool IsRegularFile(std::string_view winPath);
// True when the file exists and nobody may write it (no write permission
// bit), the counterpart of the read-only attribute.
WIN_CLASS bool IsWriteProtected(std::string_view winPath);
WIN_CLASS bool SetWriteProtected(std::string_view winPath, bool protect);
// Renames fromPath onto toPath in one step, replacing toPath.
WIN_CLASS bool ReplaceWith(std::string_view fromPath, std::string_view toPath);
// Removes a file; true when it is gone afterwards.
WIN_CLASS bool RemoveFile(std::string_view winPath);
// A name for a new file next to winPath, unique in this process and
// distinct from names other processes pick.
WIN_CLASS std::string SiblingTempName(std::string_view winPath);
}  // namespace win::facts
