// The current folder, full path names and the workstation's fixed folders.
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstring>

#include "host_files.h"
#include "win_paths.h"

namespace host = win::host;

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  return host::CopyOutOrNeeded(win::paths::CurrentFolder(), buffer, bufferLength);
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
  std::string path;
  if (!host::MapName(pathName, path)) return FALSE;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return host::FailErrno(path);
  if (!S_ISDIR(st.st_mode)) return host::Fail(ERROR_DIRECTORY);
  std::string full = win::paths::FullPath(pathName);
  if (full.empty() || full[0] == '/') return host::Fail(ERROR_PATH_NOT_FOUND);  // outside the workstation
  win::paths::SetCurrentFolder(full);
  return TRUE;
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  if (filePart) *filePart = nullptr;
  if (!fileName || !*fileName) {
    SetLastError(fileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string full = win::paths::FullPath(fileName);
  DWORD r = host::CopyOutOrNeeded(full, buffer, bufferLength);
  if (r == full.size() && filePart) {
    const char sep = full[0] == '/' ? '/' : '\\';
    auto cut = full.find_last_of(sep);
    if (cut != std::string::npos && cut + 1 < full.size()) *filePart = buffer + cut + 1;
  }
  return r;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return host::CopyOutOrNeeded(win::paths::SettingsFolder(), buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  return host::CopyOutOrNeeded(win::paths::SettingsFolder() + "\\SYSTEM32", buffer, size);
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  const std::string temp = win::paths::TempFolder();
  std::string hostTemp = win::paths::ToHost(temp);
  mkdir(hostTemp.c_str(), 0777);  // a caller may have removed it
  return host::CopyOutOrNeeded(temp, buffer, bufferLength);
}

BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                         PULARGE_INTEGER totalFree) {
  std::string path = win::paths::ToHost(directory && *directory ? std::string_view(directory) : ".");
  struct statvfs vfs;
  if (statvfs(path.c_str(), &vfs) != 0) return host::Fail(ERROR_PATH_NOT_FOUND);
  const ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  if (freeToCaller) freeToCaller->QuadPart = unit * vfs.f_bavail;
  if (total) total->QuadPart = unit * vfs.f_blocks;
  if (totalFree) totalFree->QuadPart = unit * vfs.f_bfree;
  return TRUE;
}
