// Deleting folder trees and the Start menu folders.
#include <cstring>
#include <filesystem>
#include <string>

#include "win_paths.h"
#include "win_shell.h"

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
  if (!op || !op->pFrom) return ERROR_INVALID_PARAMETER;
  if (op->wFunc != FO_DELETE) return ERROR_NOT_SUPPORTED;
  op->fAnyOperationsAborted = FALSE;
  int result = 0;
  for (const char* name = op->pFrom; *name; name += std::strlen(name) + 1) {
    const std::string full = win::paths::FullPath(name);
    // A drive root or the whole tree is never a target.
    if (full.size() <= 3) {
      result = ERROR_ACCESS_DENIED;
      continue;
    }
    std::error_code ec;
    const std::filesystem::path host = win::paths::ToHost(full);
    if (!std::filesystem::exists(std::filesystem::symlink_status(host, ec))) {
      result = ERROR_FILE_NOT_FOUND;
      continue;
    }
    std::filesystem::remove_all(host, ec);
    if (ec) result = ERROR_ACCESS_DENIED;
  }
  return result;
}

BOOL SHGetSpecialFolderPathA(HWND, LPSTR path, int folder, BOOL create) {
  if (!path) return FALSE;
  std::string p;
  switch (folder) {
    case CSIDL_COMMON_STARTMENU: p = "C:\\Documents and Settings\\All Users\\Start Menu"; break;
    case CSIDL_COMMON_PROGRAMS: p = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs"; break;
    case CSIDL_STARTMENU: p = "C:\\Documents and Settings\\User\\Start Menu"; break;
    case CSIDL_PROGRAMS: p = "C:\\Documents and Settings\\User\\Start Menu\\Programs"; break;
    default: return FALSE;
  }
  if (create) {
    std::error_code ec;
    std::filesystem::create_directories(win::paths::ToHost(p), ec);
  }
  std::strncpy(path, p.c_str(), MAX_PATH - 1);
  path[MAX_PATH - 1] = 0;
  return TRUE;
}
