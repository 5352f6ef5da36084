#pragma once
// The installer from its command line to its end.
#include <string>

#include "uninstall.h"
#include "win/win_types.h"

namespace setup {

// Exit code of a run whose component work failed (0 is success).
inline constexpr int kFailedExitCode = 2;

// programPath: the running program (its folder is the source folder);
// commandLine: the arguments. Returns the exit code.
int RunSetup(HINSTANCE instance, const std::string& programPath, const std::string& commandLine);

// The update's own registry key under HKEY_LOCAL_MACHINE: its backup
// folder, its backup records, its install folder.
std::string PatchRegistryKey(const std::string& title);

}  // namespace setup
