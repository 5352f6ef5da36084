// Open files: create/open, read, write, seek, size, times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include "file_object.h"
#include "host_files.h"
#include "win_faults.h"

using win::FileAccess;
using win::FileIdentity;
using win::FileObject;
using win::HandleTable;
namespace host = win::host;

namespace {

std::shared_ptr<FileObject> FileFromHandle(HANDLE h) {
  auto f = HandleTable::GetAs<FileObject>(h);
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f;
}

std::atomic<uint64_t> g_reads{0}, g_writes{0}, g_bytesRead{0}, g_bytesWritten{0};

HANDLE FailOpen(DWORD code) {
  SetLastError(code);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD disposition, DWORD flags, HANDLE) {
  std::string path;
  if (!host::MapName(fileName, path)) return INVALID_HANDLE_VALUE;
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return FailOpen(ERROR_INVALID_PARAMETER);
  const FileAccess access = FileAccess::FromDesired(desiredAccess, flags);
  if (disposition == TRUNCATE_EXISTING && !access.write) return FailOpen(ERROR_INVALID_PARAMETER);
  if (access.write || disposition != OPEN_EXISTING) win::faults::FileCall();

  std::lock_guard<std::mutex> lock(FileObject::OpenMutex());
  struct stat st;
  const bool exists = stat(path.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) return FailOpen(ERROR_ACCESS_DENIED);
    if (disposition == CREATE_NEW) return FailOpen(ERROR_FILE_EXISTS);
    if (FileObject::SharingConflict(FileIdentity{st.st_dev, st.st_ino}, access, shareMode))
      return FailOpen(ERROR_SHARING_VIOLATION);
    // Read-only is the write bits, checked here so that it holds for root too.
    if (host::IsReadOnlyMode(st.st_mode) &&
        (access.write || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING))
      return FailOpen(ERROR_ACCESS_DENIED);
  } else {
    if (!host::ParentExists(path)) return FailOpen(ERROR_PATH_NOT_FOUND);
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)
      return FailOpen(ERROR_FILE_NOT_FOUND);
  }

  int oflags = O_CLOEXEC;
  if (access.read && access.write) {
    oflags |= O_RDWR;
  } else if (access.write) {
    oflags |= O_WRONLY;
  } else {
    oflags |= O_RDONLY;
  }
  if (!exists) oflags |= O_CREAT | O_EXCL;
  if (exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) oflags |= O_TRUNC;
  const mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  int fd = open(path.c_str(), oflags, mode);
  if (fd < 0 && errno == EACCES && !access.read && !access.write && exists) {
    fd = open(path.c_str(), O_PATH | O_CLOEXEC);  // attribute-only open
  }
  if (fd < 0) return FailOpen(errno == EEXIST ? ERROR_FILE_EXISTS : host::ErrorFromErrno(errno, path));
  struct stat now;
  if (fstat(fd, &now) != 0) {
    close(fd);
    return FailOpen(ERROR_ACCESS_DENIED);
  }
  if (exists && disposition == CREATE_ALWAYS && (flags & FILE_ATTRIBUTE_READONLY))
    fchmod(fd, now.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) & 07777);
  auto file = std::make_shared<FileObject>(fd, access, shareMode, FileIdentity{now.st_dev, now.st_ino},
                                           path, (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0);
  HANDLE h = HandleTable::Add(std::move(file));
  SetLastError(exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return h;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read) *read = 0;
  auto f = FileFromHandle(file);
  if (!f) return FALSE;
  if (!buffer && toRead) return host::Fail(ERROR_INVALID_PARAMETER);
  if (!f->access().read) return host::Fail(ERROR_ACCESS_DENIED);
  if (overlapped) {
    off_t at = static_cast<off_t>((static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
    if (lseek(f->fd(), at, SEEK_SET) < 0) return host::Fail(ERROR_INVALID_PARAMETER);
  }
  DWORD done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < toRead) {
    ssize_t n = ::read(f->fd(), p + done, toRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (read) *read = done;
      return host::Fail(errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_READ_FAULT);
    }
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  ++g_reads;
  g_bytesRead += done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  auto f = FileFromHandle(file);
  if (!f) return FALSE;
  if (!buffer && toWrite) return host::Fail(ERROR_INVALID_PARAMETER);
  if (!f->access().write) return host::Fail(ERROR_ACCESS_DENIED);
  if (overlapped) {
    off_t at = static_cast<off_t>((static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
    if (lseek(f->fd(), at, SEEK_SET) < 0) return host::Fail(ERROR_INVALID_PARAMETER);
  }
  win::faults::FileCall();
  if (toWrite && !win::faults::WriteAllowed()) return host::Fail(ERROR_DISK_FULL);
  DWORD done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < toWrite) {
    ssize_t n = ::write(f->fd(), p + done, toWrite - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      return host::Fail(errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  ++g_writes;
  g_bytesWritten += done;
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

BOOL GetProcessIoCounters(HANDLE process, IO_COUNTERS* counters) {
  if (!counters) return host::Fail(ERROR_INVALID_PARAMETER);
  if (process != GetCurrentProcess()) return host::Fail(ERROR_ACCESS_DENIED);
  *counters = IO_COUNTERS{};
  counters->ReadOperationCount = g_reads;
  counters->WriteOperationCount = g_writes;
  counters->ReadTransferCount = g_bytesRead;
  counters->WriteTransferCount = g_bytesWritten;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD moveMethod) {
  auto f = FileFromHandle(file);
  if (!f) return INVALID_SET_FILE_POINTER;
  int64_t move = distanceHigh
                     ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                            static_cast<uint32_t>(distance))
                     : static_cast<int64_t>(distance);
  int64_t base;
  switch (moveMethod) {
    case FILE_BEGIN:
      base = 0;
      break;
    case FILE_CURRENT:
      base = lseek(f->fd(), 0, SEEK_CUR);
      break;
    case FILE_END: {
      struct stat st;
      base = fstat(f->fd(), &st) == 0 ? st.st_size : -1;
      break;
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_SET_FILE_POINTER;
  }
  if (base < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  if ((move > 0 && base > INT64_MAX - move)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  const int64_t target = base + move;
  if (target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the result must fit the 32-bit return.
  if (!distanceHigh && target > 0xFFFFFFFELL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (lseek(f->fd(), static_cast<off_t>(target), SEEK_SET) < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
  SetLastError(ERROR_SUCCESS);  // lets callers tell a real 0xFFFFFFFF from a failure
  return static_cast<DWORD>(static_cast<uint64_t>(target) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  auto f = FileFromHandle(file);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st;
  if (fstat(f->fd(), &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<uint64_t>(st.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE file) {
  auto f = FileFromHandle(file);
  if (!f) return FALSE;
  if (!f->access().write) return host::Fail(ERROR_ACCESS_DENIED);
  win::faults::FileCall();
  off_t at = lseek(f->fd(), 0, SEEK_CUR);
  if (at < 0 || ftruncate(f->fd(), at) != 0)
    return host::Fail(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  auto f = FileFromHandle(file);
  if (!f) return FALSE;
  if (!f->access().write) return host::Fail(ERROR_ACCESS_DENIED);
  if (fsync(f->fd()) != 0 && errno != EINVAL) return host::Fail(ERROR_WRITE_FAULT);
  return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite) {
  auto f = FileFromHandle(file);
  if (!f) return FALSE;
  struct statx sx;
  if (statx(f->fd(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
    return host::Fail(ERROR_INVALID_HANDLE);
  auto toTs = [](const statx_timestamp& t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t.tv_sec);
    ts.tv_nsec = static_cast<long>(t.tv_nsec);
    return ts;
  };
  if (creation)
    *creation = host::FileTimeFromTimespec(toTs((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime));
  if (lastAccess) *lastAccess = host::FileTimeFromTimespec(toTs(sx.stx_atime));
  if (lastWrite) *lastWrite = host::FileTimeFromTimespec(toTs(sx.stx_mtime));
  return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite) {
  (void)creation;  // Linux keeps no settable creation time
  auto f = FileFromHandle(file);
  if (!f) return FALSE;
  if (!f->access().write) return host::Fail(ERROR_ACCESS_DENIED);
  if ((lastAccess && !host::UsableFileTime(*lastAccess)) || (lastWrite && !host::UsableFileTime(*lastWrite)))
    return host::Fail(ERROR_INVALID_PARAMETER);
  timespec ts[2];
  ts[0].tv_sec = 0;
  ts[0].tv_nsec = UTIME_OMIT;
  ts[1] = ts[0];
  if (lastAccess) ts[0] = host::TimespecFromFileTime(*lastAccess);
  if (lastWrite) ts[1] = host::TimespecFromFileTime(*lastWrite);
  if (futimens(f->fd(), ts) != 0) return host::Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
  if (!size) return host::Fail(ERROR_INVALID_PARAMETER);
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return FALSE;
  size->QuadPart = static_cast<LONGLONG>((static_cast<uint64_t>(high) << 32) | low);
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD moveMethod) {
  LONG high = static_cast<LONG>(static_cast<uint64_t>(distance.QuadPart) >> 32);
  const DWORD low = SetFilePointer(file, static_cast<LONG>(static_cast<uint64_t>(distance.QuadPart) & 0xFFFFFFFFu),
                                   &high, moveMethod);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) return FALSE;
  if (newPosition)
    newPosition->QuadPart = static_cast<LONGLONG>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
  return TRUE;
}
