// Whole-file facts and moves for the stand-ins that keep file contents
// through their own libraries.
#include "win_file_facts.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

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

namespace {
std::atomic<BeforeWholeFileCall> g_beforeWholeFile{nullptr};
}

void SetBeforeWholeFileCall(BeforeWholeFileCall hook) { g_beforeWholeFile = hook; }

void BeforeWholeFile(const std::string& hostPath) {
  if (BeforeWholeFileCall hook = g_beforeWholeFile.load()) hook(hostPath);
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

int RemoveStaleSiblingTemps(std::string_view winFolder) {
  if (winFolder.empty()) return 0;
  const std::string host = paths::ToHost(winFolder);
  DIR* dir = opendir(host.c_str());
  if (!dir) return 0;
  std::vector<std::string> stale;
  while (const dirent* e = readdir(dir)) {
    // "<name>.~<pid>-<number>"
    const std::string name = e->d_name;
    const size_t mark = name.rfind(".~");
    if (mark == std::string::npos || mark == 0) continue;
    const size_t dash = name.find('-', mark + 2);
    if (dash == std::string::npos || dash == mark + 2 || dash + 1 == name.size()) continue;
    const std::string pid = name.substr(mark + 2, dash - mark - 2);
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid.size() > 9 ||
        name.find_first_not_of("0123456789", dash + 1) != std::string::npos)
      continue;
    const pid_t owner = static_cast<pid_t>(std::stol(pid));
    if (owner == getpid() || kill(owner, 0) == 0 || errno != ESRCH) continue;
    stale.push_back(host + "/" + name);
  }
  closedir(dir);
  int removed = 0;
  for (const std::string& path : stale) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    faults::FileCall();
    if (unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
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
