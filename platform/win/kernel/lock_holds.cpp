// Descriptors of files whose record locks another part of the process
// holds: closing one would drop those locks, so it waits for them.
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "win_lock_holds.h"

namespace win::holds {
namespace {

struct Held {
  FileKey key;
  int marks = 0;
  std::vector<int> parked;
};

std::mutex g_mutex;
std::vector<Held>& Table() {
  static std::vector<Held> t;
  return t;
}

Held* Find(const FileKey& key) {
  for (Held& h : Table()) {
    if (h.key == key) return &h;
  }
  return nullptr;
}

}  // namespace

bool KeyOf(const std::string& hostPath, FileKey* key) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) return false;
  if (key) *key = FileKey{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return true;
}

void BeginLockHold(const FileKey& key) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (Held* h = Find(key)) {
    ++h->marks;
    return;
  }
  Table().push_back(Held{key, 1, {}});
}

void EndLockHold(const FileKey& key) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& t = Table();
  for (auto it = t.begin(); it != t.end(); ++it) {
    if (!(it->key == key)) continue;
    if (--it->marks > 0) return;
    // Closed under the mutex: a new mark cannot take a lock in between.
    for (int fd : it->parked) close(fd);
    t.erase(it);
    return;
  }
}

void CloseDescriptor(int fd) {
  if (fd < 0) return;
  struct stat st;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (fstat(fd, &st) == 0) {
    if (Held* h = Find(FileKey{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)})) {
      h->parked.push_back(fd);
      return;
    }
  }
  close(fd);
}

size_t ParkedDescriptors() {
  std::lock_guard<std::mutex> lock(g_mutex);
  size_t n = 0;
  for (const Held& h : Table()) n += h.parked.size();
  return n;
}

}  // namespace win::holds
