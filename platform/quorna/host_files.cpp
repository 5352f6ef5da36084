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

namespace {

class HostFile : public ByteSource {
 public:
  HostFile(HANDLE file, uint64_t size) : file_(file), size_(size) {}
  ~HostFile() override { CloseHandle(file_); }
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* out, size_t length) override {
    if (offset > size_ || length > size_ - offset) return false;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return false;
    auto* p = static_cast<uint8_t*>(out);
    for (size_t done = 0; done < length;) {
      DWORD want = static_cast<DWORD>(std::min<size_t>(length - done, kChunk)), got = 0;
      if (!ReadFile(file_, p + done, want, &got, nullptr) || got == 0) return false;
      done += got;
    }
    return true;
  }

 private:
  HANDLE file_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenHostFile(const std::string& path) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE || !f) return nullptr;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f, &size) || size.QuadPart < 0 || size.QuadPart >= 0xFFFFFFF0ll) {
    CloseHandle(f);
    return nullptr;
  }
  try {
    return std::make_unique<HostFile>(f, static_cast<uint64_t>(size.QuadPart));
  } catch (...) {
    CloseHandle(f);
    return nullptr;
  }
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
