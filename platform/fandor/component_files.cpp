// Deconvolution component files.
#include "component_files.h"

#include <cstring>
#include <mutex>
#include <string>

#include "win/win_kernel.h"

namespace {

struct Session {
  HANDLE file = nullptr;
  int32_t count = 0;
  int32_t next = 0;
};

std::mutex g_mutex;
Session g_session;

void CloseLocked() {
  if (g_session.file) CloseHandle(g_session.file);
  g_session = Session{};
}

}  // namespace

BOOL Ordinal712(const char* dataPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  CloseLocked();
  if (!dataPath) return FALSE;
  std::string path = dataPath;
  const size_t slash = path.find_last_of("\\/:");
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  path += ".ELU";
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!h || h == INVALID_HANDLE_VALUE) return FALSE;
  uint8_t head[ELU_HEAD_SIZE] = {};
  DWORD got = 0;
  const DWORD size = GetFileSize(h, nullptr);
  uint32_t n = 0;
  bool ok = ReadFile(h, head, ELU_HEAD_SIZE, &got, nullptr) && got == ELU_HEAD_SIZE &&
            std::memcmp(head, ELU_MAGIC, 4) == 0;
  if (ok) {
    std::memcpy(&n, head + 4, 4);
    ok = n <= 1000000 && size != INVALID_FILE_SIZE &&
         uint64_t{size} >= ELU_HEAD_SIZE + uint64_t{n} * ELU_COMPONENT_SIZE;
  }
  if (!ok) {
    CloseHandle(h);
    return FALSE;
  }
  g_session.file = h;
  g_session.count = static_cast<int32_t>(n);
  return TRUE;
}

int32_t Ordinal718() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_session.file ? g_session.count : 0;
}

BOOL Ordinal700(ELU_COMPONENT* component) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_session.file || !component || g_session.next >= g_session.count) return FALSE;
  DWORD got = 0;
  if (!ReadFile(g_session.file, component, ELU_COMPONENT_SIZE, &got, nullptr) || got != ELU_COMPONENT_SIZE)
    return FALSE;
  component->model[sizeof component->model - 1] = 0;
  component->models[sizeof component->models - 1] = 0;
  ++g_session.next;
  return TRUE;
}

void Ordinal701() {
  std::lock_guard<std::mutex> lock(g_mutex);
  CloseLocked();
}
