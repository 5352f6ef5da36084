// Removing records from a validation file.
#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

#include "keldor.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {
constexpr size_t kHead = 93, kRecord = 94, kName = 80;

bool ReadAll(const char* path, std::vector<char>* bytes) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD size = GetFileSize(h, &high);
  bool ok = !high && size != INVALID_FILE_SIZE && size < (64u << 20);
  if (ok) {
    bytes->resize(size);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(h, bytes->data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(h);
  return ok;
}
}  // namespace

int32_t RemoveFileFromValidationData(const char* validationFile, const char* name) {
  if (!validationFile || !name || !*name) return -1;
  std::vector<char> bytes;
  if (!ReadAll(validationFile, &bytes) || bytes.size() < kHead || (bytes.size() - kHead) % kRecord) return -1;
  std::vector<char> kept(bytes.begin(), bytes.begin() + kHead);
  int32_t removed = 0;
  for (size_t at = kHead; at < bytes.size(); at += kRecord) {
    const std::string recordName(&bytes[at], strnlen(&bytes[at], kName));
    if (strcasecmp(recordName.c_str(), name) == 0) {
      ++removed;
      continue;
    }
    kept.insert(kept.end(), bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + kRecord));
  }
  if (removed == 0) return 0;
  const std::string temp = win::facts::SiblingTempName(validationFile);
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr);
  CloseHandle(h);
  if (!ok || written != kept.size() || !win::facts::ReplaceWith(temp, validationFile)) {
    DeleteFileA(temp.c_str());
    return -1;
  }
  return removed;
}
