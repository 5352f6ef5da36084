#pragma once
// Debugger output. Text is kept in a bounded log (the last 256 lines)
// that tests and the host can read back.
#include <string>
#include <vector>

#include "win_export.h"
#include "win_types.h"

WINAPI_EXPORT void OutputDebugStringA(LPCSTR text);

namespace win::debug {
WIN_CLASS std::vector<std::string> OutputLog();
WIN_CLASS void ClearOutputLog();
}  // namespace win::debug
