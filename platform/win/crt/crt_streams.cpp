// C streams on Windows-style paths, and global memory blocks.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "host_files.h"
#include "win_stdio.h"

namespace win::crt {

FILE* OpenStream(const char* path, const char* mode) {
  std::string host;
  if (!mode || !*mode || !win::host::MapName(path, host)) {
    if (!mode || !*mode) SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string m;
  for (const char* c = mode; *c; ++c)
    if (*c != 't' && *c != 'b') m += *c;
  m += 'b';
  FILE* f = std::fopen(host.c_str(), m.c_str());
  if (!f) win::host::FailErrno(host);
  return f;
}

}  // namespace win::crt

namespace {

struct GlobalBlock {
  void* data = nullptr;
  size_t size = 0;
  bool movable = false;
  int locks = 0;
};

std::mutex g_globalMutex;
// Keyed by handle value: the address of fixed blocks, a counter for movable ones.
std::map<uintptr_t, GlobalBlock>& Blocks() {
  static auto* blocks = new std::map<uintptr_t, GlobalBlock>;
  return *blocks;
}
uintptr_t g_nextMovable = 0x10000;

GlobalBlock* Find(HGLOBAL memory) {
  auto it = Blocks().find(reinterpret_cast<uintptr_t>(memory));
  return it == Blocks().end() ? nullptr : &it->second;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  void* data = std::calloc(bytes ? bytes : 1, 1);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_globalMutex);
  GlobalBlock b{data, bytes, (flags & GMEM_MOVEABLE) != 0, 0};
  uintptr_t key = b.movable ? (g_nextMovable += 8) : reinterpret_cast<uintptr_t>(data);
  Blocks()[key] = b;
  return reinterpret_cast<HGLOBAL>(key);
}

LPVOID GlobalLock(HGLOBAL memory) {
  std::lock_guard<std::mutex> lock(g_globalMutex);
  GlobalBlock* b = Find(memory);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (b->movable) ++b->locks;
  return b->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
  std::lock_guard<std::mutex> lock(g_globalMutex);
  GlobalBlock* b = Find(memory);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!b->movable || b->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--b->locks > 0) return TRUE;
  SetLastError(0);
  return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  std::lock_guard<std::mutex> lock(g_globalMutex);
  auto it = Blocks().find(reinterpret_cast<uintptr_t>(memory));
  if (it == Blocks().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
  }
  std::free(it->second.data);
  Blocks().erase(it);
  return nullptr;
}

size_t GlobalSize(HGLOBAL memory) {
  std::lock_guard<std::mutex> lock(g_globalMutex);
  GlobalBlock* b = Find(memory);
  return b ? b->size : 0;
}
