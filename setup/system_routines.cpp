#include "system_routines.h"

#include <cstdio>
#include <string>
#include <vector>

#include "run_state.h"
#include "setup_log.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"
#include "win/win_security.h"
#include "win/win_shell.h"
#include "win/win_threads.h"
#include "win/win_user.h"

namespace setup {

int Message(const std::string& text, const std::string& caption, UINT flags) {
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

std::string SystemErrorText(DWORD code) {
  char buf[512] = {};
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf, sizeof buf, nullptr))
    return "Error " + std::to_string(code);
  std::string s = buf;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

void ShowErrorBox(HWND owner, const std::string& text) {
  const DWORD code = GetLastError();
  char line[1024];
  std::snprintf(line, sizeof line, "%s \r\nError: %x", SystemErrorText(code).c_str(), code);
  MessageBoxA(owner, line, ("Launch Error: " + text).c_str(), MB_ICONINFORMATION | MB_TOPMOST | MB_TASKMODAL);
}

bool FileExistsPlain(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateDirectoryTree(const std::string& path) {
  for (size_t pos = path.find('\\'); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
    const std::string level = path.substr(0, pos);
    if (level.empty() || (level.size() == 2 && level[1] == ':')) continue;
    if (!FolderExists(level)) CreateDirectoryA(level.c_str(), nullptr);
  }
}

bool MakeFolderPath(const std::string& path) {
  for (size_t pos = 0;; ++pos) {
    pos = path.find('\\', pos);
    const std::string level = path.substr(0, pos);
    const bool drive = level.size() == 2 && level[1] == ':';
    if (!level.empty() && !drive && !CreateDirectoryA(level.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
    if (pos == std::string::npos) return true;
  }
}

bool DeleteFolderTree(const std::string& folder) {
  std::string from = folder;
  from.push_back('\0');
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SHFileOperationA(&op);
  return !FolderExists(folder);
}

int LaunchAndWait(const std::string& program, const std::string& arguments, const std::string& folder, bool wait,
                  bool log) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_DOENVSUBST;
  info.lpFile = program.c_str();
  info.lpParameters = arguments.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  const BOOL ok = ShellExecuteExA(&info);
  if (!ok) {
    ShowErrorBox(nullptr, program);
    LogLine("Error Launching " + program + " args= " + arguments + " from " + folder);
  }
  if (reinterpret_cast<uintptr_t>(info.hInstApp) <= 32) return 0;
  if (log) LogLine("Launched " + program + " args= " + arguments + " from " + folder);
  int result = 1;
  if (wait && info.hProcess) result = WaitForSingleObject(info.hProcess, INFINITE) != WAIT_FAILED ? 1 : 0;
  if (info.hProcess) CloseHandle(info.hProcess);
  return result;
}

void RestartWindows(HWND owner) {
  MessageBoxA(owner, "The Workstation must restart now. Please close all applications, then press OK",
              TheRun().title.c_str(), MB_OK);
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  if (GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    const bool found = LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid);
    SetLastError(ERROR_SUCCESS);
    if (found) AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    const DWORD err = found ? GetLastError() : ERROR_NO_SUCH_PRIVILEGE;
    CloseHandle(token);
    if (err != ERROR_SUCCESS) return;
  }
  // Applications get the chance to save their work: no forced close.
  ExitWindowsEx(EWX_REBOOT, 0);
}

void CloseMonitorWindows() {
  if (HWND w = FindWindowA(nullptr, "Zeph Acquisition Monitor")) {
    SendMessageA(w, WM_COMMAND, 105, 0);
    Sleep(500);
  }
  if (HWND w = FindWindowA(nullptr, "Zeph Instrument Status")) {
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(500);
  }
  if (HWND w = FindWindowA("ZephTrayMonitor", nullptr)) {
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(500);
  }
}

int SetDirAccessForEveryone(const std::string& path, const std::string& trustee, bool grant) {
  PACL old = nullptr, fresh = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &old, nullptr,
                            &sd) != ERROR_SUCCESS)
    return 0;
  std::vector<char> name(trustee.begin(), trustee.end());
  name.push_back(0);
  EXPLICIT_ACCESS_A ea{};
  // What the workstation's users need to run and update it; not the right
  // to change permissions or take ownership.
  ea.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
  ea.grfAccessMode = grant ? GRANT_ACCESS : DENY_ACCESS;
  ea.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  ea.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  ea.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  ea.Trustee.ptstrName = name.data();
  int ok = 0;
  if (SetEntriesInAclA(1, &ea, old, &fresh) == ERROR_SUCCESS) {
    std::vector<char> p(path.begin(), path.end());
    p.push_back(0);
    ok = SetNamedSecurityInfoA(p.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, fresh,
                               nullptr) == ERROR_SUCCESS;
  }
  if (fresh) LocalFree(fresh);
  LocalFree(sd);
  return ok;
}

void FixInstallDirPermissions(const std::string& folder) {
  LogLine("=== FixInstallDirPermissions called for " + folder);
  // The workstation's signed-in users, not every account there is.
  const std::string trustee = "Authenticated Users";
  HWND list = CreateWindowExA(0, "listbox", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, TheRun().instance, nullptr);
  if (!list) return;
  if (FolderExists(folder)) {
    const std::string pattern = folder + "\\*.*";
    SendMessageA(list, LB_DIR, DDL_READWRITE | DDL_READONLY | DDL_DIRECTORY, reinterpret_cast<LPARAM>(pattern.c_str()));
    const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char item[MAX_PATH + 4] = {};
      if (SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= static_cast<LRESULT>(sizeof item)) continue;
      SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
      std::string name = item;
      if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        if (name == "[Security]" || name == "[..]" || name == "[.]") continue;
        SetDirAccessForEveryone(folder + "\\" + name.substr(1, name.size() - 2), trustee, true);
      } else {
        SetDirAccessForEveryone(folder + "\\" + name, trustee, true);
      }
    }
  }
  DestroyWindow(list);
  if (!TheRun().workstationIni.empty()) SetDirAccessForEveryone(TheRun().workstationIni, trustee, true);
}

void RemoveLeftoverTemporaries(const std::string& workstationFolder) {
  auto names = [](const std::string& pattern, bool folders) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
      if (((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) found.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return found;
  };
  // Files the workstation's libraries were writing beside their places.
  win::facts::RemoveStaleSiblingTemps(workstationFolder);
  for (const std::string& n : names(JoinPath(workstationFolder, "STP*.TMP"), false)) {
    const std::string path = JoinPath(workstationFolder, n);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  char tempPath[MAX_PATH] = {};
  if (!GetTempPathA(sizeof tempPath, tempPath)) return;
  // Only the names package folders get: "stp" and a hexadecimal number;
  // the name's file itself when the run was stopped before it was gone.
  auto hex = [](const std::string& n, size_t end) {
    return end > 3 && n.find_first_not_of("0123456789ABCDEFabcdef", 3) >= end;
  };
  for (const std::string& n : names(JoinPath(tempPath, "stp*"), true))
    if (hex(n, n.size())) DeleteFolderTree(JoinPath(tempPath, n));
  for (const std::string& n : names(JoinPath(tempPath, "stp*.TMP"), false))
    if (hex(n, n.size() - 4)) DeleteFileA(JoinPath(tempPath, n).c_str());
}

}  // namespace setup
