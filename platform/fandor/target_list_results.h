#pragma once
// Target-list match result lists: what a target-list search of a run
// hands its caller. The list and its entries are blocks of the common
// allocator; whoever holds a list frees it with FreeTargetListResults
// (also reachable as ordinal 151).
#include <cstdint>

#include "fandor.h"

#define TARGET_LIST_MAGIC 0x5453544Cu  // "LTST"
#define TARGET_LIST_MOST_LIBRARIES 16
#define TARGET_LIST_PATH_SIZE 260

#pragma pack(push, 1)
// One entry of the searched list: 34 bytes.
struct TARGET_LIST_MATCH {
  int16_t library;   // index into the list's libraries
  int32_t spectrum;  // entry in that library
  int16_t matched;
  double time;       // minutes
  int32_t scan;
  int16_t reverseMatch;
  int16_t forwardMatch;
  int16_t reserved[5];
};

struct STRUCT_TARGET_LIST_RESULTS {
  uint32_t magic;  // TARGET_LIST_MAGIC
  int32_t count;
  TARGET_LIST_MATCH* entries;  // count entries, a block of its own
  int16_t libraryCount;
  char libraryPaths[TARGET_LIST_MOST_LIBRARIES][TARGET_LIST_PATH_SIZE];
};
#pragma pack(pop)
static_assert(sizeof(TARGET_LIST_MATCH) == 34);

// A list of count zeroed entries (0 to 65535); 0 when memory runs out.
FANDOR_API STRUCT_TARGET_LIST_RESULTS* NewTargetListResults(int32_t count);
// Frees a list with its entries. A block of the common allocator that is
// no such list is freed as a plain block; null does nothing.
FANDOR_API void FreeTargetListResults(void* results);
FANDOR_API void Ordinal151(void* results);
