#pragma once
// The installer from its command line to its end.
#include <string>

#include "win/win_types.h"

namespace setup {

// Exit code of a run whose component work failed (0 is success).
inline constexpr int kFailedExitCode = 2;

// programPath: the running program (its folder is the source folder);
// commandLine: the arguments. Returns the exit code.
int RunSetup(HINSTANCE instance, const std::string& programPath, const std::string& commandLine);

// Undoes an uninstallable update by its title: every recorded file gets its
// backup back (or is removed when it was new), the validation file as it
// was before. Returns the number of files that could not be restored.
int UninstallUpdate(const std::string& title);

}  // namespace setup
