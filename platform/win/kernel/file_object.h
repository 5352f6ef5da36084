#pragma once
// An open file of this process: a Linux descriptor plus the access and
// sharing it was opened with. Every open file is known to the sharing
// checks until it is closed.
#include <sys/types.h>

#include <mutex>
#include <string>

#include "kernel_object.h"
#include "win_kernel.h"

namespace win {

struct FileIdentity {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileAccess {
  bool read = false;
  bool write = false;
  bool remove = false;  // delete or rename while open
  static FileAccess FromDesired(DWORD desiredAccess, DWORD flags);
};

class FileObject : public KernelObject {
 public:
  FileObject(int fd, FileAccess access, DWORD shareMode, FileIdentity id, std::string hostPath,
             bool deleteOnClose);
  ~FileObject() override;
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  int fd() const { return fd_; }
  const FileAccess& access() const { return access_; }

  // Held from the sharing check of an open until the new file is known.
  static std::mutex& OpenMutex();
  // True when an open with this access and sharing collides with a file
  // this process holds open.
  static bool SharingConflict(FileIdentity id, FileAccess access, DWORD shareMode);
  // True when some open handle of the file does not share deletion, so it
  // may not be deleted, replaced or renamed.
  static bool DeleteConflict(FileIdentity id);

 private:
  int fd_;
  FileAccess access_;
  DWORD share_;
  FileIdentity id_;
  std::string hostPath_;
  bool deleteOnClose_;
};

// The identity of an existing file; false when it does not exist.
bool IdentityOf(const std::string& hostPath, FileIdentity& id);

}  // namespace win
