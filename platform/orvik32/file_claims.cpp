// File claims that keep other workstation programs off a file while one
// works on it; they hold across processes and end with their holder.
#include <cstring>
#include <string>

#include "orvik32.h"
#include "win/win_locks.h"

// The window would let a waiting claim keep its owner responsive; the
// claim waits without pumping messages, so it is not used.
BOOL LockFileAccess(const char* path, const char* owner, HWND, uint32_t waitMs) {
  try {
    if (!path || !*path) return FALSE;
    return win::locks::Claim(path, owner ? owner : "", waitMs) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL UnlockFileAccess(const char* path) {
  try {
    return path && win::locks::Release(path) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL GetFileLockOwner(const char* path, char* buffer, int32_t size) {
  try {
    if (!path || !*path) return FALSE;
    std::string owner;
    if (!win::locks::CurrentOwner(path, &owner)) {
      if (buffer && size > 0) buffer[0] = 0;
      return FALSE;
    }
    if (buffer && size > 0) {
      const size_t n = owner.size() < static_cast<size_t>(size - 1) ? owner.size() : size - 1;
      std::memcpy(buffer, owner.data(), n);
      buffer[n] = 0;
    }
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
