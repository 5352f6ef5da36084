#pragma once
// Starting programs. The command line follows the platform's rules: the
// program is the first token (quoted when it holds blanks), the arguments
// follow, split at blanks outside double quotes. Workstation paths
// ("C:\...") are mapped onto the root; the program runs with its
// arguments as a vector, so no shell ever sees the text.
#include "win_export.h"
#include "win_types.h"

// Greater than 31 when the program was started; ERROR_FILE_NOT_FOUND (2)
// when it cannot be run, 0 for a null or empty command line.
WINAPI_EXPORT UINT WinExec(LPCSTR commandLine, UINT show);

// Starts argv[0] with the arguments argv[1..] (null-terminated) as they
// are, without splitting or quote rules; workstation paths are mapped onto
// the root. Same results as WinExec.
WINAPI_EXPORT UINT WinExecArgv(const char* const* argv, UINT show);
