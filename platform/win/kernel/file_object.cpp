// Open files of this process and the sharing rules among them.
#include "file_object.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "win_lock_holds.h"

namespace win {
namespace {

std::mutex g_registryMutex;
std::vector<const FileObject*>& Registry() {
  static std::vector<const FileObject*> files;
  return files;
}

}  // namespace

FileAccess FileAccess::FromDesired(DWORD desired, DWORD flags) {
  FileAccess a;
  a.read = desired & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA);
  a.write = desired & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
  a.remove = (desired & (DELETE | GENERIC_ALL)) || (flags & FILE_FLAG_DELETE_ON_CLOSE);
  return a;
}

FileObject::FileObject(int fd, FileAccess access, DWORD shareMode, FileIdentity id,
                       std::string hostPath, bool deleteOnClose)
    : fd_(fd), access_(access), share_(shareMode), id_(id), hostPath_(std::move(hostPath)),
      deleteOnClose_(deleteOnClose) {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  Registry().push_back(this);
}

FileObject::~FileObject() {
  {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto& r = Registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
  }
  if (deleteOnClose_) {
    // Only when the name still names this file.
    FileIdentity now;
    if (IdentityOf(hostPath_, now) && now == id_) unlink(hostPath_.c_str());
  }
  holds::CloseDescriptor(fd_);
}

std::mutex& FileObject::OpenMutex() {
  static std::mutex m;
  return m;
}

bool FileObject::SharingConflict(FileIdentity id, FileAccess a, DWORD share) {
  // Opens for attributes only neither check nor count sharing.
  if (!a.read && !a.write && !a.remove) return false;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  for (const FileObject* f : Registry()) {
    if (!(f->id_ == id)) continue;
    const FileAccess& o = f->access_;
    if (!o.read && !o.write && !o.remove) continue;
    if ((a.read && !(f->share_ & FILE_SHARE_READ)) || (a.write && !(f->share_ & FILE_SHARE_WRITE)) ||
        (a.remove && !(f->share_ & FILE_SHARE_DELETE)) || (o.read && !(share & FILE_SHARE_READ)) ||
        (o.write && !(share & FILE_SHARE_WRITE)) || (o.remove && !(share & FILE_SHARE_DELETE)))
      return true;
  }
  return false;
}

bool FileObject::DeleteConflict(FileIdentity id) {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  for (const FileObject* f : Registry()) {
    if (f->id_ == id && !(f->share_ & FILE_SHARE_DELETE)) return true;
  }
  return false;
}

bool IdentityOf(const std::string& hostPath, FileIdentity& id) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) return false;
  id = FileIdentity{st.st_dev, st.st_ino};
  return true;
}

}  // namespace win
