// Whole-file facts and moves for the stand-ins that keep file contents
// through their own libraries.
#include "win_file_facts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdio>
#include <string>

#include "win_faults.h"
#include "win_paths.h"

namespace win::facts {

bool IsRegularFile(std::string_view winPath) {
  if (winPath.empty()) return false;
  struct stat st;
  return stat(paths::ToHost(winPath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWriteProtected(std::string_view winPath) {
  if (winPath.empty()) return false;
  struct stat st;
  if (stat(paths::ToHost(winPath).c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool SetWriteProtected(std::string_view winPath, bool protect) {
  if (winPath.empty()) return false;
  std::string host = paths::ToHost(winPath);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = protect ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  faults::FileCall();
  return chmod(host.c_str(), mode) == 0;
}

bool ReplaceWith(std::string_view fromPath, std::string_view toPath) {
  if (fromPath.empty() || toPath.empty()) return false;
  faults::FileCall();
  return std::rename(paths::ToHost(fromPath).c_str(), paths::ToHost(toPath).c_str()) == 0;
}

bool RemoveFile(std::string_view winPath) {
  if (winPath.empty()) return false;
  std::string host = paths::ToHost(winPath);
  faults::FileCall();
  if (unlink(host.c_str()) == 0) return true;
  struct stat st;
  return lstat(host.c_str(), &st) != 0;
}

std::string SiblingTempName(std::string_view winPath) {
  static std::atomic<unsigned> counter{0};
  return std::string(winPath) + ".~" + std::to_string(getpid()) + "-" +
         std::to_string(counter.fetch_add(1));
}

bool StampOf(std::string_view winPath, FileStamp* out) {
  if (winPath.empty() || !out) return false;
  struct stat st;
  if (stat(paths::ToHost(winPath).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; };
  out->size = st.st_size;
  out->writeTime = ns(st.st_mtim);
  out->changeTime = ns(st.st_ctim);
  out->id = st.st_ino;
  out->volume = st.st_dev;
  // Two seconds covers the coarsest clocks (FAT keeps two-second times).
  constexpr int64_t kSettle = 2000000000;
  out->settled = ns(now) - std::max(out->writeTime, out->changeTime) > kSettle;
  return true;
}

}  // namespace win::facts
