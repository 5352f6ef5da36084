// Unique temporary file names: <folder>\<prefix><hex number>.TMP.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host_files.h"
#include "win_faults.h"
#include "win_paths.h"

namespace host = win::host;

namespace {

// Numbers run on from a start that differs between processes, so that
// two processes rarely try the same names.
std::atomic<unsigned> g_next{0};

unsigned NextNumber() {
  unsigned expected = 0;
  g_next.compare_exchange_strong(expected, ((GetTickCount() ^ static_cast<unsigned>(getpid()) * 40503u) & 0xFFFFu) | 1u);
  unsigned n = g_next.fetch_add(1) & 0xFFFFu;
  return n ? n : NextNumber();  // 0 would mean "choose one"
}

std::string MakeName(const std::string& base, const std::string& prefix, unsigned number) {
  char num[16];
  std::snprintf(num, sizeof num, "%X", number & 0xFFFFu);
  return base + prefix + num + ".TMP";
}

}  // namespace

UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
  if (!pathName || !tempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string base(*pathName ? pathName : ".");
  if (base.back() != '\\' && base.back() != '/') base += '\\';
  // Only the first three characters of the prefix are used.
  const std::string pre = prefix ? std::string(prefix, strnlen(prefix, 3)) : std::string();
  if (base.size() + pre.size() + 4 + 4 >= MAX_PATH) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return 0;
  }
  if (unique != 0) {
    std::string name = MakeName(base, pre, unique);
    std::memcpy(tempFileName, name.c_str(), name.size() + 1);
    return unique;
  }
  struct stat st;
  const std::string folder = win::paths::ToHost(base);
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return 0;
  }
  for (unsigned tries = 0; tries < 0xFFFFu; ++tries) {
    const unsigned number = NextNumber();
    std::string name = MakeName(base, pre, number);
    // Names are matched without regard to case, so an existing "aaa1f.tmp"
    // makes "AAA1F.TMP" taken.
    std::string hostName = win::paths::ToHost(name);
    win::faults::FileCall();
    int fd = open(hostName.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      std::memcpy(tempFileName, name.c_str(), name.size() + 1);
      return number;
    }
    if (errno != EEXIST) {
      host::FailErrno(hostName);
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}
