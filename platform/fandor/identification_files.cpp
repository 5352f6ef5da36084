// Deconvolution identification files.
#include "identification_files.h"

#include <cstring>
#include <string>

#include "win/win_kernel.h"

CAccessFINFile::~CAccessFINFile() { Close(); }

void CAccessFINFile::Close() {
  if (file_) CloseHandle(file_);
  file_ = nullptr;
  count_ = next_ = 0;
}

BOOL CAccessFINFile::GetFINFileFromKMSFile(const char* dataPath, char* resultPath) {
  if (!dataPath || !resultPath) return FALSE;
  resultPath[0] = 0;
  std::string path = dataPath;
  const size_t slash = path.find_last_of("\\/:");
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  path += ".FIN";
  if (path.size() >= MAX_PATH) return FALSE;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return FALSE;
  std::memcpy(resultPath, path.c_str(), path.size() + 1);
  return TRUE;
}

BOOL CAccessFINFile::OpenReadInOrder(const char* path, int32_t* count) {
  Close();
  if (count) *count = 0;
  if (!path) return FALSE;
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!h || h == INVALID_HANDLE_VALUE) return FALSE;
  uint8_t head[FIN_HEAD_SIZE] = {};
  DWORD got = 0;
  const DWORD size = GetFileSize(h, nullptr);
  uint32_t n = 0;
  if (!ReadFile(h, head, FIN_HEAD_SIZE, &got, nullptr) || got != FIN_HEAD_SIZE ||
      std::memcmp(head, FIN_MAGIC, 4) != 0) {
    CloseHandle(h);
    return FALSE;
  }
  std::memcpy(&n, head + 4, 4);
  // The records must all be there.
  if (n > 1000000 || size == INVALID_FILE_SIZE ||
      uint64_t{size} < FIN_HEAD_SIZE + uint64_t{n} * FIN_IDENTIFIED_SIZE) {
    CloseHandle(h);
    return FALSE;
  }
  file_ = h;
  count_ = static_cast<int32_t>(n);
  if (count) *count = count_;
  return TRUE;
}

BOOL CAccessFINFile::ReadNextIdentified(FIN_IDENTIFIED* entry) {
  if (!file_ || !entry || next_ >= count_) return FALSE;
  DWORD got = 0;
  if (!ReadFile(file_, entry, FIN_IDENTIFIED_SIZE, &got, nullptr) || got != FIN_IDENTIFIED_SIZE) return FALSE;
  // Texts end inside their fields whatever the file holds.
  entry->name[sizeof entry->name - 1] = 0;
  entry->formula[sizeof entry->formula - 1] = 0;
  entry->casNumber[sizeof entry->casNumber - 1] = 0;
  entry->model[sizeof entry->model - 1] = 0;
  for (char* f : {entry->purity, entry->width, entry->net, entry->weighted, entry->simple, entry->reverse}) f[11] = 0;
  ++next_;
  return TRUE;
}
