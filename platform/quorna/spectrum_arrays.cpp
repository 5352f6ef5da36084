// Arrays of exchange buffers and scan headers read for a scan range.
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

template <typename T>
void FreeArray(T** items, uint32_t count) {
  if (!items) return;
  // Never past the array's own block.
  const uint32_t room = GetBlockSize(items) / sizeof(T*);
  if (room != 0 && count > room) count = room;
  for (uint32_t i = 0; i < count; ++i) FreeBlock(items[i]);
  FreeBlock(items);
}

}  // namespace

QUORNA_API void FreeSpectrumBufferArray(void** buffers, uint32_t count) { FreeArray(buffers, count); }

QUORNA_API void FreeScanHeaderArray(MS_SCAN_HEADER** headers, uint32_t count) { FreeArray(headers, count); }
