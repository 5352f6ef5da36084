// Searching a folder: FindFirstFileA / FindNextFileA / FindClose.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "host_files.h"
#include "kernel_object.h"
#include "wildcard.h"
#include "win_paths.h"

namespace host = win::host;

namespace {

// The matches of one search, taken when the search starts.
class FindObject : public win::KernelObject {
 public:
  explicit FindObject(std::vector<WIN32_FIND_DATAA> entries) : entries_(std::move(entries)) {}
  bool ClosedByCloseHandle() const override { return false; }

  bool Next(WIN32_FIND_DATAA& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (next_ >= entries_.size()) return false;
    out = entries_[next_++];
    return true;
  }

 private:
  std::mutex mutex_;
  std::vector<WIN32_FIND_DATAA> entries_;
  size_t next_ = 0;
};

bool Describe(const std::string& folder, const std::string& name, WIN32_FIND_DATAA& d) {
  if (name.size() >= MAX_PATH) return false;
  const std::string path = folder + "/" + name;
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
  std::memset(&d, 0, sizeof d);
  struct stat st{};
  st.st_mode = sx.stx_mode;
  d.dwFileAttributes = host::AttributesOf(st, name);
  auto ft = [](const statx_timestamp& t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t.tv_sec);
    ts.tv_nsec = static_cast<long>(t.tv_nsec);
    return host::FileTimeFromTimespec(ts);
  };
  d.ftCreationTime = ft((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime);
  d.ftLastAccessTime = ft(sx.stx_atime);
  d.ftLastWriteTime = ft(sx.stx_mtime);
  if (!S_ISDIR(sx.stx_mode)) {
    d.nFileSizeHigh = static_cast<DWORD>(sx.stx_size >> 32);
    d.nFileSizeLow = static_cast<DWORD>(sx.stx_size & 0xFFFFFFFFu);
  }
  std::memcpy(d.cFileName, name.c_str(), name.size() + 1);
  return true;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  if (!fileName || !findData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string pattern(fileName, strnlen(fileName, 4096));
  size_t cut = pattern.find_last_of("\\/");
  std::string folderPart = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
  if (cut == std::string::npos && pattern.size() >= 2 && pattern[1] == ':') folderPart = pattern.substr(0, 2);
  const std::string plan = pattern.substr(folderPart.size());
  const std::string folder = win::paths::ToHost(folderPart.empty() ? std::string(".") : folderPart);
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (plan.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // A drive's top folder has no "." and ".." entries, as on the original.
  const std::string root = win::paths::Root();
  const bool driveTop = folder.size() == root.size() + 2 && folder.compare(0, root.size(), root) == 0 &&
                        folder[root.size()] == '/';

  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if ((name == "." || name == "..") && driveTop) continue;
      if (win::MatchesFilePattern(plan, name)) names.push_back(std::move(name));
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const bool dotA = a == "." || a == "..", dotB = b == "." || b == "..";
    if (dotA != dotB) return dotA;
    int c = strcasecmp(a.c_str(), b.c_str());
    return c != 0 ? c < 0 : a < b;
  });
  std::vector<WIN32_FIND_DATAA> entries;
  for (const auto& name : names) {
    WIN32_FIND_DATAA d;
    if (Describe(folder, name, d)) entries.push_back(d);
  }
  if (entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>(std::move(entries));
  find->Next(*findData);
  SetLastError(ERROR_SUCCESS);
  return win::HandleTable::Add(std::move(find));
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData) {
  auto f = win::HandleTable::GetAs<FindObject>(find);
  if (!f) return host::Fail(ERROR_INVALID_HANDLE);
  if (!findData) return host::Fail(ERROR_INVALID_PARAMETER);
  if (!f->Next(*findData)) return host::Fail(ERROR_NO_MORE_FILES);
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (!win::HandleTable::GetAs<FindObject>(find)) return host::Fail(ERROR_INVALID_HANDLE);
  win::HandleTable::Remove(find);
  return TRUE;
}
