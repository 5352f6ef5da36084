// Helpers shared by the kernel calls.
#include "host_files.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "win_paths.h"

namespace win::host {

bool ParentExists(const std::string& hostPath) {
  auto slash = hostPath.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return true;
  struct stat st;
  return stat(hostPath.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD ErrorFromErrno(int err, const std::string& hostPath) {
  switch (err) {
    case ENOENT:
      return ParentExists(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
      return ERROR_SHARING_VIOLATION;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

BOOL FailErrno(const std::string& hostPath) {
  SetLastError(ErrorFromErrno(errno, hostPath));
  return FALSE;
}

bool MapName(LPCSTR name, std::string& hostPath) {
  if (!name || !*name) {
    SetLastError(name ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return false;
  }
  size_t len = strnlen(name, 4096);
  if (len >= 4096) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  hostPath = win::paths::ToHost(std::string_view(name, len));
  return true;
}

bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

DWORD AttributesOf(const struct stat& st, std::string_view name) {
  DWORD a = 0;
  if (S_ISDIR(st.st_mode)) {
    a |= FILE_ATTRIBUTE_DIRECTORY;
  } else if (IsReadOnlyMode(st.st_mode)) {
    a |= FILE_ATTRIBUTE_READONLY;
  }
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= FILE_ATTRIBUTE_HIDDEN;
  return a ? a : FILE_ATTRIBUTE_NORMAL;
}

int64_t FileTimeValue(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

bool UsableFileTime(const FILETIME& ft) {
  constexpr int64_t kMargin = 2LL * 86400 * 10000000LL;
  const int64_t v = FileTimeValue(ft);
  return v >= 0 && v <= INT64_MAX - kMargin;
}

FILETIME MakeFileTime(int64_t value) {
  auto u = static_cast<uint64_t>(value);
  return FILETIME{static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}

FILETIME FileTimeFromTimespec(const timespec& ts) {
  int64_t v = kUnixEpochAsFileTime + static_cast<int64_t>(ts.tv_sec) * 10000000LL + ts.tv_nsec / 100;
  return MakeFileTime(v < 0 ? 0 : v);
}

timespec TimespecFromFileTime(const FILETIME& ft) {
  int64_t v = FileTimeValue(ft) - kUnixEpochAsFileTime;
  int64_t sec = v / 10000000LL, rem = v % 10000000LL;
  if (rem < 0) {
    rem += 10000000LL;
    --sec;
  }
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(sec);
  ts.tv_nsec = static_cast<long>(rem * 100);
  return ts;
}

DWORD CopyOutOrNeeded(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

}  // namespace win::host
