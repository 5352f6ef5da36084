#include "fandor/target_list_results.h"

#include <gtest/gtest.h>

#include "orvik32/orvik32.h"

namespace {

TEST(TargetListResults, AListAndItsEntriesAreFreedTogether) {
  STRUCT_TARGET_LIST_RESULTS* list = NewTargetListResults(3);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count, 3);
  ASSERT_NE(list->entries, nullptr);
  EXPECT_EQ(GetBlockSize(list->entries), 3 * sizeof(TARGET_LIST_MATCH));
  list->entries[2].matched = 1;
  list->entries[2].time = 7.25;
  // Freed through the ordinal as the controls do; the leak check sees both blocks go.
  Ordinal151(list);

  STRUCT_TARGET_LIST_RESULTS* empty = NewTargetListResults(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->entries, nullptr);
  FreeTargetListResults(empty);

  EXPECT_EQ(NewTargetListResults(-1), nullptr);
  EXPECT_EQ(NewTargetListResults(70000), nullptr);
}

TEST(TargetListResults, ABlockThatIsNoListIsFreedPlainAndNullIsIgnored) {
  // Smaller than a list head: its bytes are never read as one.
  void* small = AllocBlock(16);
  FreeTargetListResults(small);
  // Large enough, but without the mark: its "entries" field is not followed.
  auto* other = static_cast<STRUCT_TARGET_LIST_RESULTS*>(AllocBlock(sizeof(STRUCT_TARGET_LIST_RESULTS)));
  other->entries = reinterpret_cast<TARGET_LIST_MATCH*>(other);
  FreeTargetListResults(other);
  FreeTargetListResults(nullptr);
}

}  // namespace
