// File claims: an open-file-description lock on "<file>.lck" holding the
// owner's text. The kernel releases the lock when the holder dies, so a
// crashed program never leaves a file claimed.
#include "win_locks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "win_paths.h"

namespace win::locks {
namespace {

std::mutex g_mutex;
std::map<std::string, int> g_held;  // lock-file path -> descriptor holding it

std::string LockPath(std::string_view winPath) { return paths::ToHost(winPath) + ".lck"; }

bool SameFile(int fd, const std::string& path) {
  struct stat a, b;
  if (fstat(fd, &a) != 0 || stat(path.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// One attempt. 1 = claimed, 0 = held by someone, -1 = cannot claim at all.
int TryClaim(const std::string& lockPath, std::string_view owner) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &fl) != 0) {
      close(fd);
      return 0;
    }
    // The previous holder may have removed the file between our open and
    // our lock; then the lock guards nothing and we start over.
    if (!SameFile(fd, lockPath)) {
      close(fd);
      continue;
    }
    if (ftruncate(fd, 0) != 0 ||
        pwrite(fd, owner.data(), owner.size(), 0) != static_cast<ssize_t>(owner.size())) {
      unlink(lockPath.c_str());
      close(fd);
      return -1;
    }
    g_held[lockPath] = fd;
    return 1;
  }
  return 0;
}

}  // namespace

bool Claim(std::string_view winPath, std::string_view owner, uint32_t waitMs) {
  if (winPath.empty()) return false;
  const std::string lockPath = LockPath(winPath);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      if (!g_held.count(lockPath)) {
        int r = TryClaim(lockPath, owner);
        if (r != 0) return r > 0;
      }
    }
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    auto step = std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(20),
                                                              deadline - now);
    std::this_thread::sleep_for(step);
  }
}

bool Release(std::string_view winPath) {
  if (winPath.empty()) return false;
  const std::string lockPath = LockPath(winPath);
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_held.find(lockPath);
  if (it == g_held.end()) return false;
  // Removed while still locked, so a waiter can tell its file went stale.
  unlink(lockPath.c_str());
  close(it->second);
  g_held.erase(it);
  return true;
}

bool CurrentOwner(std::string_view winPath, std::string* owner) {
  if (winPath.empty()) return false;
  const std::string lockPath = LockPath(winPath);
  for (int attempt = 0; attempt < 50; ++attempt) {
    int fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    bool held = fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    std::string text;
    if (held) {
      char buf[512];
      ssize_t n = pread(fd, buf, sizeof buf, 0);
      if (n > 0) text.assign(buf, static_cast<size_t>(n));
    }
    close(fd);
    if (!held) return false;
    // A fresh holder writes its text just after locking: look again.
    if (text.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    if (owner) *owner = text;
    return true;
  }
  if (owner) owner->clear();
  return true;
}

}  // namespace win::locks
