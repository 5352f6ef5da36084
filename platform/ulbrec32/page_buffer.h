#pragma once
// Page buffers of the page-rendering library: finished pages held in
// memory (their content and how to lay them out) until a caller stores
// them elsewhere.
#include <cstdint>

#include "win/win_types.h"

#define ULBREC_API extern "C" __attribute__((visibility("default")))

// Kept in memory only: the content handle is a pointer-sized field.
struct PAGE_BUFFER_PAGE_INFO {
  HGLOBAL content;  // the page's bytes, a movable global block owned by the buffer
  int16_t kind;     // 1 metafile, 0 text lines, 2 text entries
  int16_t columns;
  int16_t lines;
  int16_t orientation;
  int16_t fontFlag;
  int16_t logicalWidth;
  int16_t logicalHeight;
};

typedef void* HPAGEBUFFER;

ULBREC_API HPAGEBUFFER CreatePageBuffer();
ULBREC_API void FreePageBuffer(HPAGEBUFFER buffer);
// Copies the page into the buffer; info's content field is not read.
ULBREC_API BOOL AddPageToBuffer(HPAGEBUFFER buffer, const PAGE_BUFFER_PAGE_INFO* info, const void* bytes,
                                uint32_t size);
// what 2: the number of pages; any other value: 0.
ULBREC_API int32_t GetPageBufferCount(HPAGEBUFFER buffer, int32_t what);
// The page's bytes (owned by the buffer, valid while it lives) and its
// layout; 0 for an index the buffer does not hold.
ULBREC_API BOOL GetPageBufferPage(HPAGEBUFFER buffer, int32_t index, const void** bytes,
                                  PAGE_BUFFER_PAGE_INFO* info);
