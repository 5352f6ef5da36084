// Large buffers mapped directly, with huge pages asked for.
#include "win_large_buffer.h"

#include <sys/mman.h>

namespace win::memory {

void* AllocLarge(size_t bytes) {
  if (bytes == 0) return nullptr;
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  madvise(p, bytes, MADV_HUGEPAGE);
#endif
  return p;
}

void FreeLarge(void* block, size_t bytes) {
  if (block && bytes) munmap(block, bytes);
}

}  // namespace win::memory
