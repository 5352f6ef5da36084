// Whole-file operations: delete, copy, move, attributes, folders.
#include <fcntl.h>
#include <stdio.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "file_object.h"
#include "host_files.h"
#include "win_faults.h"
#include "win_file_facts.h"
#include "win_lock_holds.h"
#include "win_paths.h"

using win::FileAccess;
using win::FileIdentity;
using win::FileObject;
namespace host = win::host;

namespace {

std::string FolderOf(const std::string& hostPath) {
  auto slash = hostPath.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : hostPath.substr(0, slash == 0 ? 1 : slash);
}

std::string NameOf(const std::string& hostPath) {
  auto slash = hostPath.find_last_of('/');
  return slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

BOOL FailMissing(const std::string& hostPath) {
  return host::Fail(host::ParentExists(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

// Copies the bytes, mode and times of src into a new temporary file beside
// dst, then renames it over dst: dst holds the old or the whole new file.
BOOL CopyContents(const std::string& src, const struct stat& srcSt, const std::string& dst, bool noReplace) {
  int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return host::FailErrno(src);
  std::string tmp = FolderOf(dst) + "/.kelt-copy-XXXXXX";
  int out = mkostemp(tmp.data(), O_CLOEXEC);
  if (out < 0) {
    win::holds::CloseDescriptor(in);
    return host::FailErrno(dst);
  }
  char buf[1 << 16];
  bool ok = true;
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      error = ERROR_READ_FAULT;
      break;
    }
    if (n == 0) break;
    if (!win::faults::WriteAllowed()) {
      ok = false;
      error = ERROR_DISK_FULL;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        ok = false;
        error = (errno == ENOSPC || errno == EDQUOT) ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  win::holds::CloseDescriptor(in);
  if (ok) {
    mode_t mode = srcSt.st_mode & 07777;
    // On the original file system a program's name makes it one: a copy
    // named .exe, .com or .bat can be started whatever it was copied from.
    const size_t dot = dst.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : dst.substr(dot);
    if (strcasecmp(ext.c_str(), ".exe") == 0 || strcasecmp(ext.c_str(), ".com") == 0 ||
        strcasecmp(ext.c_str(), ".bat") == 0)
      mode |= (mode & 0444) >> 2;
    fchmod(out, mode);
    timespec times[2] = {srcSt.st_atim, srcSt.st_mtim};  // the copy keeps the write time
    futimens(out, times);
    if (fsync(out) != 0) {
      ok = false;
      error = ERROR_WRITE_FAULT;
    }
  }
  close(out);
  if (ok) {
    int r = noReplace ? renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE)
                      : rename(tmp.c_str(), dst.c_str());
    if (r != 0) {
      ok = false;
      error = errno == EEXIST ? ERROR_FILE_EXISTS : host::ErrorFromErrno(errno, dst);
    }
  }
  if (!ok) {
    unlink(tmp.c_str());
    return host::Fail(error);
  }
  return TRUE;
}

// A sectioned file's rollback journal or write-ahead log lies beside it
// under these names. Whoever opens the file next plays a journal or log
// left there into it, so they follow their file, and a file replaced loses
// the old one's. The log's index ("-shm") is rebuilt from the log: it never
// travels, and goes with its file.
const char* const kCompanions[] = {"-journal", "-wal"};
const char kLogIndex[] = "-shm";

bool Exists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.c_str(), &st) == 0;
}

void DropJournal(const std::string& hostPath) {
  for (const char* tail : kCompanions) unlink((hostPath + tail).c_str());
  unlink((hostPath + kLogIndex).c_str());
}

// After the file itself came to dst: a journal or log of src comes along too.
void CarryJournal(const std::string& src, const std::string& dst, bool move) {
  for (const char* tail : kCompanions) {
    const std::string from = src + tail;
    if (!Exists(from)) continue;
    if (move && rename(from.c_str(), (dst + tail).c_str()) == 0) continue;
    struct stat st;
    if (stat(from.c_str(), &st) == 0) CopyContents(from, st, dst + tail, false);
    if (move) unlink(from.c_str());
  }
  if (move) unlink((src + kLogIndex).c_str());
}

}  // namespace

BOOL DeleteFileA(LPCSTR fileName) {
  std::string path;
  if (!host::MapName(fileName, path)) return FALSE;
  win::facts::BeforeWholeFile(path);
  win::faults::FileCall();
  std::lock_guard<std::mutex> lock(FileObject::OpenMutex());
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return host::FailErrno(path);
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && host::IsReadOnlyMode(st.st_mode)))
    return host::Fail(ERROR_ACCESS_DENIED);
  if (FileObject::DeleteConflict(FileIdentity{st.st_dev, st.st_ino})) return host::Fail(ERROR_SHARING_VIOLATION);
  if (unlink(path.c_str()) != 0) return host::FailErrno(path);
  DropJournal(path);
  return TRUE;
}

BOOL CopyFileA(LPCSTR existing, LPCSTR newName, BOOL failIfExists) {
  std::string src, dst;
  if (!host::MapName(existing, src) || !host::MapName(newName, dst)) return FALSE;
  win::facts::BeforeWholeFile(src);
  win::facts::BeforeWholeFile(dst);
  win::faults::FileCall();
  std::lock_guard<std::mutex> lock(FileObject::OpenMutex());
  struct stat s;
  if (stat(src.c_str(), &s) != 0) return host::FailErrno(src);
  if (S_ISDIR(s.st_mode)) return host::Fail(ERROR_ACCESS_DENIED);
  const FileIdentity srcId{s.st_dev, s.st_ino};
  // The copy reads the source sharing only reading, and writes the target alone.
  if (FileObject::SharingConflict(srcId, FileAccess{true, false, false}, FILE_SHARE_READ))
    return host::Fail(ERROR_SHARING_VIOLATION);
  struct stat d;
  if (stat(dst.c_str(), &d) == 0) {
    if (failIfExists) return host::Fail(ERROR_FILE_EXISTS);
    if (S_ISDIR(d.st_mode) || host::IsReadOnlyMode(d.st_mode)) return host::Fail(ERROR_ACCESS_DENIED);
    const FileIdentity dstId{d.st_dev, d.st_ino};
    if (dstId == srcId || FileObject::SharingConflict(dstId, FileAccess{false, true, false}, 0))
      return host::Fail(ERROR_SHARING_VIOLATION);
  } else if (!host::ParentExists(dst)) {
    return host::Fail(ERROR_PATH_NOT_FOUND);
  }
  // A journal of the file replaced (or a stray one) would be played into the copy.
  DropJournal(dst);
  if (!CopyContents(src, s, dst, failIfExists != FALSE)) return FALSE;
  CarryJournal(src, dst, false);
  return TRUE;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
  if (!newName || (flags & MOVEFILE_DELAY_UNTIL_REBOOT)) return host::Fail(ERROR_INVALID_PARAMETER);
  std::string src, dst;
  if (!host::MapName(existing, src) || !host::MapName(newName, dst)) return FALSE;
  win::facts::BeforeWholeFile(src);
  win::facts::BeforeWholeFile(dst);
  win::faults::FileCall();
  std::lock_guard<std::mutex> lock(FileObject::OpenMutex());
  struct stat s;
  if (lstat(src.c_str(), &s) != 0) return host::FailErrno(src);
  const FileIdentity srcId{s.st_dev, s.st_ino};
  if (FileObject::DeleteConflict(srcId)) return host::Fail(ERROR_SHARING_VIOLATION);
  struct stat d;
  if (stat(dst.c_str(), &d) == 0) {
    if (FileIdentity{d.st_dev, d.st_ino} == srcId) {
      // The same file under another case: take the case the caller gave.
      std::string full = win::paths::FullPath(newName);
      auto cut = full.find_last_of(full[0] == '/' ? '/' : '\\');
      std::string target = FolderOf(dst) + "/" + full.substr(cut + 1);
      if (target != src && rename(src.c_str(), target.c_str()) != 0) return host::FailErrno(target);
      return TRUE;
    }
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return host::Fail(ERROR_ALREADY_EXISTS);
    if (S_ISDIR(d.st_mode) || S_ISDIR(s.st_mode) || host::IsReadOnlyMode(d.st_mode))
      return host::Fail(ERROR_ACCESS_DENIED);
    if (FileObject::DeleteConflict(FileIdentity{d.st_dev, d.st_ino})) return host::Fail(ERROR_SHARING_VIOLATION);
  } else if (!host::ParentExists(dst)) {
    return host::Fail(ERROR_PATH_NOT_FOUND);
  }
  const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  if (!S_ISDIR(s.st_mode)) DropJournal(dst);
  int r = replace ? rename(src.c_str(), dst.c_str())
                  : renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
  if (r == 0) {
    if (!S_ISDIR(s.st_mode)) CarryJournal(src, dst, true);
    return TRUE;
  }
  if (errno == EEXIST) return host::Fail(ERROR_ALREADY_EXISTS);
  if (errno != EXDEV) return host::FailErrno(dst);
  // Another file system: copy, then remove the original.
  if (!(flags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(s.st_mode)) return host::Fail(ERROR_NOT_SAME_DEVICE);
  if (!CopyContents(src, s, dst, !replace)) return FALSE;
  CarryJournal(src, dst, true);
  unlink(src.c_str());
  return TRUE;
}

BOOL MoveFileA(LPCSTR existing, LPCSTR newName) {
  return MoveFileExA(existing, newName, MOVEFILE_COPY_ALLOWED);
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  std::string path;
  if (!host::MapName(fileName, path)) return INVALID_FILE_ATTRIBUTES;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    host::FailErrno(path);
    return INVALID_FILE_ATTRIBUTES;
  }
  return host::AttributesOf(st, NameOf(path));
}

BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  std::string path;
  if (!host::MapName(fileName, path)) return FALSE;
  if (attributes == INVALID_FILE_ATTRIBUTES) return host::Fail(ERROR_INVALID_PARAMETER);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return host::FailErrno(path);
  if (S_ISDIR(st.st_mode)) return TRUE;  // folders carry no read-only mark here
  mode_t mode = st.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else if (host::IsReadOnlyMode(mode)) {
    mode |= S_IWUSR;
  }
  if (mode == (st.st_mode & 07777)) return TRUE;
  win::faults::FileCall();
  if (chmod(path.c_str(), mode) != 0) return host::FailErrno(path);
  return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  std::string path;
  if (!host::MapName(pathName, path)) return FALSE;
  win::faults::FileCall();
  if (mkdir(path.c_str(), 0777) != 0) return host::FailErrno(path);
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
  std::string path;
  if (!host::MapName(pathName, path)) return FALSE;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return FailMissing(path);
  if (!S_ISDIR(st.st_mode)) return host::Fail(ERROR_DIRECTORY);
  win::faults::FileCall();
  // The current folder is in use, as it was for the original.
  if (win::paths::ToHost(win::paths::CurrentFolder()) == path) return host::Fail(ERROR_SHARING_VIOLATION);
  if (rmdir(path.c_str()) != 0) return host::FailErrno(path);
  return TRUE;
}
