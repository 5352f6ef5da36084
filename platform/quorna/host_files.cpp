// Plain-file access for raw MS files, through the operating-system stand-in.
#include "quorna/host_files.h"

#include <algorithm>

#include "win/win_kernel.h"

namespace quorna {

namespace {

constexpr DWORD kChunk = 1u << 20;

}  // namespace

bool ReadHostFile(const std::string& path, Bytes& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE || !f) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(f, &size) && size.QuadPart >= 0 && size.QuadPart < 0xFFFFFFF0ll;
  if (ok) {
    try {
      bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (...) {
      ok = false;
    }
  }
  for (size_t at = 0; ok && at < bytes.size();) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, kChunk)), got = 0;
    ok = ReadFile(f, bytes.data() + at, want, &got, nullptr) && got == want;
    at += got;
  }
  CloseHandle(f);
  return ok;
}

bool WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temp = path + ".new";
  HANDLE f = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE || !f) return false;
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size();) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, kChunk)), got = 0;
    ok = WriteFile(f, bytes.data() + at, want, &got, nullptr) && got == want;
    at += got;
  }
  ok = FlushFileBuffers(f) && ok;
  ok = CloseHandle(f) && ok;
  if (ok) ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

}  // namespace quorna
