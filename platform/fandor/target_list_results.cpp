// Target-list match result lists.
#include "target_list_results.h"

#include "orvik32/orvik32.h"

namespace {
constexpr int32_t kMostEntries = 65535;

bool IsList(const void* block) {
  if (GetBlockSize(block) < sizeof(STRUCT_TARGET_LIST_RESULTS)) return false;
  return static_cast<const STRUCT_TARGET_LIST_RESULTS*>(block)->magic == TARGET_LIST_MAGIC;
}
}  // namespace

STRUCT_TARGET_LIST_RESULTS* NewTargetListResults(int32_t count) {
  if (count < 0 || count > kMostEntries) return nullptr;
  auto* list = static_cast<STRUCT_TARGET_LIST_RESULTS*>(AllocBlock(sizeof(STRUCT_TARGET_LIST_RESULTS)));
  if (!list) return nullptr;
  list->magic = TARGET_LIST_MAGIC;
  if (count > 0) {
    list->entries = static_cast<TARGET_LIST_MATCH*>(AllocBlock(static_cast<uint32_t>(count * sizeof(TARGET_LIST_MATCH))));
    if (!list->entries) {
      FreeBlock(list);
      return nullptr;
    }
  }
  list->count = count;
  return list;
}

void FreeTargetListResults(void* results) {
  if (!results) return;
  if (IsList(results)) {
    auto* list = static_cast<STRUCT_TARGET_LIST_RESULTS*>(results);
    if (list->entries) FreeBlock(list->entries);
    list->entries = nullptr;
    list->magic = 0;
  }
  FreeBlock(results);
}

void Ordinal151(void* results) { FreeTargetListResults(results); }
