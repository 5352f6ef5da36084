// Starting programs and opening documents through the shell.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kernel_object.h"
#include "waitable.h"
#include "win_paths.h"
#include "win_shell.h"

extern char** environ;

namespace {

// A started program: signalled when it has ended.
struct ProcessObject : win::Waitable {
  bool ended = false;
  DWORD exitCode = 259;  // STILL_ACTIVE
  bool Ready() const override { return ended; }
};

std::mutex g_docMutex;
std::vector<std::string>& Documents() {
  static std::vector<std::string> docs;
  return docs;
}

std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> out;
  std::string token;
  bool inQuotes = false, have = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      token += '"';
      have = true;
      ++i;
    } else if (c == '"') {
      inQuotes = !inQuotes;
      have = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (have) out.push_back(token);
      token.clear();
      have = false;
    } else {
      token += c;
      have = true;
    }
  }
  if (have) out.push_back(token);
  return out;
}

std::string HostArgument(const std::string& arg) {
  if (arg.size() >= 3 && arg[1] == ':' && (arg[2] == '\\' || arg[2] == '/')) return win::paths::ToHost(arg);
  return arg;
}

std::string Expand(const char* text, bool substitute) {
  if (!text) return {};
  if (!substitute) return text;
  std::vector<char> buf(32768, 0);
  const DWORD n = ExpandEnvironmentStringsA(text, buf.data(), static_cast<DWORD>(buf.size()));
  return n && n <= buf.size() ? std::string(buf.data()) : std::string(text);
}

bool IsProgram(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(host.c_str(), X_OK) == 0;
}

}  // namespace

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info) {
  if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOA) || !info->lpFile || !*info->lpFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hProcess = nullptr;
  const bool subst = (info->fMask & SEE_MASK_DOENVSUBST) != 0;
  const std::string file = Expand(info->lpFile, subst);
  const std::string params = Expand(info->lpParameters, subst);
  const std::string folder = info->lpDirectory && *info->lpDirectory ? info->lpDirectory : "";
  auto fail = [&](DWORD code) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(code == ERROR_FILE_NOT_FOUND ? SE_ERR_FNF
                                                                                                     : SE_ERR_NOASSOC));
    SetLastError(code);
    return FALSE;
  };
  // A bare name is looked for in the working folder first.
  std::string winPath = file;
  if (!folder.empty() && file.find('\\') == std::string::npos && file.find(':') == std::string::npos)
    winPath = folder + "\\" + file;
  const std::string host = win::paths::ToHost(winPath);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return fail(ERROR_FILE_NOT_FOUND);
  if (!IsProgram(host)) {
    if (info->lpVerb && *info->lpVerb && std::string(info->lpVerb) != "open") return fail(1155);
    std::lock_guard<std::mutex> lock(g_docMutex);
    Documents().push_back(win::paths::FullPath(winPath));
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42));
    return TRUE;
  }
  std::vector<std::string> args{host};
  for (const std::string& a : SplitArguments(params)) args.push_back(HostArgument(a));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string hostFolder;
  if (!folder.empty()) {
    hostFolder = win::paths::ToHost(folder);
    posix_spawn_file_actions_addchdir_np(&actions, hostFolder.c_str());
  }
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, host.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return fail(ERROR_ACCESS_DENIED);
  auto process = std::make_shared<ProcessObject>();
  std::thread([pid, process] {
    int status = 0;
    const pid_t r = waitpid(pid, &status, 0);
    std::lock_guard<std::mutex> lock(win::SyncMutex());
    process->ended = true;
    process->exitCode = r == pid && WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : 1u;
    win::SyncCondition().notify_all();
  }).detach();
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42));
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS) info->hProcess = win::HandleTable::Add(process);
  return TRUE;
}

HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, int show) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = hwnd;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  ShellExecuteExA(&info);
  return info.hInstApp;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  auto p = win::HandleTable::GetAs<ProcessObject>(process);
  if (!p || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(win::SyncMutex());
  *exitCode = p->exitCode;
  return TRUE;
}

namespace win::shell {
std::vector<std::string> OpenedDocuments() {
  std::lock_guard<std::mutex> lock(g_docMutex);
  return Documents();
}
}  // namespace win::shell
