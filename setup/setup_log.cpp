#include "setup_log.h"

#include <ctime>

#include "run_state.h"
#include "win/win_kernel.h"

namespace setup {

namespace {
// ctime text with its line ends turned into blanks.
std::string NowText() {
  const time_t now = std::time(nullptr);
  char buf[64] = {};
  ctime_r(&now, buf);
  std::string s = buf;
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}
}  // namespace

void LogLine(const std::string& text) {
  RunState& r = TheRun();
  if (r.logPath.empty()) return;
  HANDLE h = CreateFileA(r.logPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    r.logPath.clear();
    return;
  }
  SetFilePointer(h, 0, nullptr, FILE_END);
  const std::string line = text + "\r\n";
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(h);
  r.loggingStarted = true;
}

void LogStart() {
  RunState& r = TheRun();
  if (r.logPath.empty()) return;
  HANDLE h = CreateFileA(r.logPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (r.loggingStarted) return;
  LogLine("");
  LogLine(";;; Logging started " + NowText());
}

void LogEnd() {
  if (!TheRun().loggingStarted) return;
  LogLine(";;; Logging ended " + NowText());
  TheRun().loggingStarted = false;
}

}  // namespace setup
