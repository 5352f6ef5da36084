// New entries of spectrum list files.
#include "fandor/list_entries.h"

#include "orvik32/orvik32.h"

FANDOR_API STRUCT_LIST_SPT* NewListEntry(uint32_t count) {
  // Keep the block within 32 bits.
  if (count > (0xFFFFFFFFu - offsetof(STRUCT_LIST_SPT, pairs)) / sizeof(XTOL_PAIR)) return nullptr;
  return static_cast<STRUCT_LIST_SPT*>(AllocBlock(static_cast<uint32_t>(ListEntryBytes(count))));
}
