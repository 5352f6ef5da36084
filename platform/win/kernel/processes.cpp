// Starting programs: the command line split as the platform does, the
// program path mapped onto the root, run without a shell and reaped by a
// detached waiter so that no zombie stays behind.
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "win_paths.h"
#include "win_process.h"

extern char** environ;

namespace {

// Splits at blanks outside double quotes; quotes are removed and a
// backslash before a quote keeps the quote.
std::vector<std::string> SplitCommandLine(const char* text) {
  std::vector<std::string> out;
  std::string token;
  bool inQuotes = false, haveToken = false;
  for (const char* p = text; *p; ++p) {
    const char c = *p;
    if (c == '\\' && p[1] == '"') {
      token += '"';
      haveToken = true;
      ++p;
    } else if (c == '"') {
      inQuotes = !inQuotes;
      haveToken = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (haveToken) out.push_back(token);
      token.clear();
      haveToken = false;
    } else {
      token += c;
      haveToken = true;
    }
  }
  if (haveToken) out.push_back(token);
  return out;
}

// A drive path goes onto the root; anything else is left as it is.
std::string HostArgument(const std::string& arg) {
  if (arg.size() >= 3 && arg[1] == ':' && (arg[2] == '\\' || arg[2] == '/')) return win::paths::ToHost(arg);
  return arg;
}

}  // namespace

namespace {
UINT Spawn(std::vector<std::string> args) {
  if (args.empty() || args[0].empty()) return 0;
  for (std::string& a : args) a = HostArgument(a);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return 2;
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return 33;
}
}  // namespace

UINT WinExec(LPCSTR commandLine, UINT show) {
  (void)show;  // headless: every program runs without a window of ours
  if (!commandLine) return 0;
  return Spawn(SplitCommandLine(commandLine));
}

UINT WinExecArgv(const char* const* argv, UINT show) {
  (void)show;
  if (!argv || !argv[0]) return 0;
  std::vector<std::string> args;
  for (const char* const* p = argv; *p; ++p) args.emplace_back(*p);
  return Spawn(std::move(args));
}
