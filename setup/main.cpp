// The patch installer: "setup [a] [c] [f <script>]" from the folder of the
// update. The workstation's paths lie under KELT_ROOT; TEMP, when it is not
// a workstation path, becomes the workstation's temporary folder. The
// messages shown are repeated on the error stream.
#include <cstdio>
#include <string>

#include "installer_run.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"

int main(int argc, char** argv) {
  char temp[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("TEMP", temp, sizeof temp);
  if (n == 0 || n >= sizeof temp || temp[1] != ':') {
    std::string folder = win::paths::TempFolder();
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    SetEnvironmentVariableA("TEMP", folder.c_str());
  }
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += std::string(i > 1 ? " " : "") + argv[i];
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, sizeof program);
  const int code = setup::RunSetup(GetModuleHandleA(nullptr), program, commandLine);
  // Headless, the messages the run showed are told on the error stream.
  for (const auto& box : win::script::MessageBoxLog())
    std::fprintf(stderr, "[%s] %s\n", box.caption.c_str(), box.text.c_str());
  return code;
}
