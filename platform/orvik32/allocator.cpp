// The common allocator: every block that crosses a library boundary. A
// hidden header in front of each block keeps its size.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "orvik32.h"

namespace {

constexpr uint32_t kMaxBlock = 1u << 30;  // larger requests are refused
constexpr uint32_t kLiveMark = 0x4B4C4231;
constexpr uint32_t kFreedMark = 0x46524545;

struct alignas(16) BlockHeader {
  uint32_t size;
  uint32_t mark;
  uint64_t reserved;
};
static_assert(sizeof(BlockHeader) == 16);

std::atomic<uint32_t> g_liveBlocks{0};

BlockHeader* HeaderOf(const void* block) {
  return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) -
                                        sizeof(BlockHeader));
}

}  // namespace

void* AllocBlock(uint32_t byteCount) {
  if (byteCount > kMaxBlock) return nullptr;
  void* raw = std::calloc(1, sizeof(BlockHeader) + byteCount);
  if (!raw) return nullptr;
  auto* h = static_cast<BlockHeader*>(raw);
  h->size = byteCount;
  h->mark = kLiveMark;
  ++g_liveBlocks;
  return h + 1;
}

void FreeBlock(void* block) {
  if (!block) return;
  BlockHeader* h = HeaderOf(block);
  if (h->mark != kLiveMark) return;  // not ours, or freed twice
  h->mark = kFreedMark;
  --g_liveBlocks;
  std::free(h);
}

void* ReallocBlock(void* block, uint32_t newByteCount) {
  if (!block) return AllocBlock(newByteCount);
  BlockHeader* h = HeaderOf(block);
  if (h->mark != kLiveMark || newByteCount > kMaxBlock) return nullptr;
  const uint32_t oldSize = h->size;
  void* raw = std::realloc(h, sizeof(BlockHeader) + newByteCount);
  if (!raw) return nullptr;  // the old block stays as it was
  h = static_cast<BlockHeader*>(raw);
  h->size = newByteCount;
  if (newByteCount > oldSize) {
    std::memset(reinterpret_cast<char*>(h + 1) + oldSize, 0, newByteCount - oldSize);
  }
  return h + 1;
}

uint32_t GetBlockSize(const void* block) {
  if (!block) return 0;
  const BlockHeader* h = HeaderOf(block);
  return h->mark == kLiveMark ? h->size : 0;
}

uint32_t GetLiveBlockCount() { return g_liveBlocks.load(); }
