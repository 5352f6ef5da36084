#pragma once
// Helpers shared by the kernel calls: Linux errors as last-error codes,
// Windows paths checked and mapped, times, and the copy-out of texts.
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "win_kernel.h"

namespace win::host {

// The last-error code for errno after a call on hostPath (tells a missing
// file from a missing folder).
DWORD ErrorFromErrno(int err, const std::string& hostPath);
// Sets the last error from errno; returns FALSE for convenience.
BOOL FailErrno(const std::string& hostPath);
inline BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

// The mapped Linux path of a caller's name; false (last error set) for a
// null, empty or over-long name.
bool MapName(LPCSTR name, std::string& hostPath);

// Both true for a missing file whose folder exists (the "file not found"
// case), so callers can choose between codes 2 and 3.
bool ParentExists(const std::string& hostPath);

bool IsReadOnlyMode(mode_t mode);
DWORD AttributesOf(const struct stat& st, std::string_view name);

constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;  // 1970-01-01 in 100 ns from 1601
int64_t FileTimeValue(const FILETIME& ft);
// A time that can be converted without overflow: not negative (the top
// bit set, which the original refused too) and two days short of the
// largest value, room for any local-time offset.
bool UsableFileTime(const FILETIME& ft);
FILETIME MakeFileTime(int64_t value);
FILETIME FileTimeFromTimespec(const timespec& ts);
timespec TimespecFromFileTime(const FILETIME& ft);

// Copies text to a caller's buffer the way most text calls do: the length
// without terminator when it fits, else the size needed with terminator
// (nothing copied).
DWORD CopyOutOrNeeded(const std::string& text, LPSTR buffer, DWORD size);

}  // namespace win::host
