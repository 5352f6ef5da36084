// Byte-range locks on open files, visible to other processes.
#include <fcntl.h>

#include <cerrno>

#include "file_object.h"
#include "host_files.h"

namespace host = win::host;

namespace {

uint64_t Join(DWORD low, DWORD high) { return (static_cast<uint64_t>(high) << 32) | low; }

BOOL SetLock(HANDLE file, short type, uint64_t offset, uint64_t length, bool wait) {
  auto f = win::HandleTable::GetAs<win::FileObject>(file);
  if (!f) return host::Fail(ERROR_INVALID_HANDLE);
  if (length == 0 || offset > static_cast<uint64_t>(INT64_MAX) || length > static_cast<uint64_t>(INT64_MAX) - offset)
    return host::Fail(ERROR_INVALID_PARAMETER);
  if (type == F_WRLCK && !f->access().write) return host::Fail(ERROR_ACCESS_DENIED);
  if (type == F_RDLCK && !f->access().read) return host::Fail(ERROR_ACCESS_DENIED);
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  int r;
  do r = fcntl(f->fd(), wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
  while (r != 0 && errno == EINTR);
  if (r == 0) return TRUE;
  if (errno == EAGAIN || errno == EACCES) return host::Fail(type == F_UNLCK ? ERROR_NOT_LOCKED : ERROR_LOCK_VIOLATION);
  return host::Fail(errno == EDEADLK ? ERROR_LOCK_VIOLATION : ERROR_INVALID_PARAMETER);
}

}  // namespace

BOOL LockFile(HANDLE file, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow, DWORD lengthHigh) {
  return SetLock(file, F_WRLCK, Join(offsetLow, offsetHigh), Join(lengthLow, lengthHigh), false);
}

BOOL UnlockFile(HANDLE file, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow, DWORD lengthHigh) {
  return SetLock(file, F_UNLCK, Join(offsetLow, offsetHigh), Join(lengthLow, lengthHigh), false);
}

BOOL LockFileEx(HANDLE file, DWORD flags, DWORD, DWORD lengthLow, DWORD lengthHigh, LPOVERLAPPED overlapped) {
  if (!overlapped) return host::Fail(ERROR_INVALID_PARAMETER);
  const short type = (flags & LOCKFILE_EXCLUSIVE_LOCK) ? F_WRLCK : F_RDLCK;
  return SetLock(file, type, Join(overlapped->Offset, overlapped->OffsetHigh), Join(lengthLow, lengthHigh),
                 !(flags & LOCKFILE_FAIL_IMMEDIATELY));
}

BOOL UnlockFileEx(HANDLE file, DWORD, DWORD lengthLow, DWORD lengthHigh, LPOVERLAPPED overlapped) {
  if (!overlapped) return host::Fail(ERROR_INVALID_PARAMETER);
  return SetLock(file, F_UNLCK, Join(overlapped->Offset, overlapped->OffsetHigh), Join(lengthLow, lengthHigh),
                 false);
}
