// The system's texts for the error codes the stand-in gives.
#include <cstdlib>
#include <cstring>

#include "win_kernel.h"

namespace {
struct Text {
  DWORD code;
  const char* text;
};
const Text kTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process."},
    {ERROR_LOCK_VIOLATION, "The process cannot access the file because another process has locked a portion of the file."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_BAD_PATHNAME, "The specified path is invalid."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {1155, "No application is associated with the specified file for this operation."},
};
}  // namespace

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = nullptr;
  for (const Text& t : kTexts)
    if (t.code == messageId) text = t.text;
  if (!text) {
    SetLastError(317);  // ERROR_MR_MID_NOT_FOUND
    return 0;
  }
  const size_t n = std::strlen(text) + 2;
  char* out = buffer;
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    out = static_cast<char*>(std::calloc(1, n + 1));
    if (!out) return 0;
    *reinterpret_cast<char**>(buffer) = out;
  } else if (size < n + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, text, n - 2);
  std::memcpy(out + n - 2, "\r\n", 3);
  return static_cast<DWORD>(n);
}
