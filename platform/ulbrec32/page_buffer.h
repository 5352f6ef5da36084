#pragma once
// Page buffers of the page-rendering library: finished pages held in
// memory (their content and how to lay them out) until a caller stores
// them elsewhere, shows them or prints them.
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

// The arguments are the caller's hints (slots it means to use ...); every
// buffer grows as pages come.
ULBREC_API HPAGEBUFFER CreatePageBuffer(int32_t slots = 0, int32_t reserved1 = 0, int32_t reserved2 = 0,
                                        int32_t reserved3 = 0);
// Frees the buffer and every page it still holds.
ULBREC_API void FreePageBuffer(HPAGEBUFFER buffer);
// Copies the page into the buffer; info's content field is not read.
ULBREC_API BOOL AddPageToBuffer(HPAGEBUFFER buffer, const PAGE_BUFFER_PAGE_INFO* info, const void* bytes,
                                uint32_t size);
// what 2: the number of pages; any other value: 0.
ULBREC_API int32_t GetPageBufferCount(HPAGEBUFFER buffer, int32_t what);
ULBREC_API int32_t CountBufferPages(HPAGEBUFFER buffer, int32_t what);
// The page's bytes (owned by the buffer, valid while it lives) and its
// layout; 0 for an index the buffer does not hold.
ULBREC_API BOOL GetPageBufferPage(HPAGEBUFFER buffer, int32_t index, const void** bytes,
                                  PAGE_BUFFER_PAGE_INFO* info);
// As GetPageBufferPage, with the byte count and colour mode too.
ULBREC_API BOOL ReadBufferPage(HPAGEBUFFER buffer, int32_t index, const void** bytes, uint32_t* size,
                               PAGE_BUFFER_PAGE_INFO* info, int16_t* colourMode);

// Puts a stored page into slot index (an existing slot is replaced, the
// slot after the last one appended). bits is an AllocBlock block whose
// byte count is the page's size; on success the buffer owns it and frees
// it (FreeBlock) when the slot is released with the free flag or the
// buffer is freed. format and reserved are the caller's (0 and 2).
ULBREC_API BOOL SetBufferPage(HPAGEBUFFER buffer, int32_t index, void* bits, int16_t kind, int16_t reserved,
                              int16_t format, int16_t columns, int16_t lines, int16_t orientation, int16_t fontFlag,
                              int16_t colourMode, int16_t width, int16_t height);
// Releases slot index (-1: every slot); freeContent frees what the slot owns.
ULBREC_API BOOL ReleaseBufferPage(HPAGEBUFFER buffer, int32_t index, int16_t freeContent);
// attribute 2: the orientation word (0..3). Other attributes are refused.
ULBREC_API BOOL SetBufferPageAttribute(HPAGEBUFFER buffer, int32_t index, int16_t attribute, int16_t value);
