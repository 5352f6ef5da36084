// The filter check behind the filtering dialog and the host's filter
// message, value by value at the edges of each range.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/integration_dialogs.h"

namespace {

TEST(TransientFilterCheck, NamesTheFirstValueOutOfRange) {
  struct Case {
    int16_t f[6];
    const char* why;  // null: usable
  } cases[] = {
      {{0, 0, 1, 0, 0, 2}, nullptr},
      {{2, 1, 5, 1, 1, 20}, nullptr},
      {{3, 0, 1, 0, 0, 2}, "The plot must be 0, 1 or 2."},
      {{-1, 0, 1, 0, 0, 2}, "The plot must be 0, 1 or 2."},
      {{1, 2, 1, 0, 0, 2}, "The smoothing switch must be 0 or 1."},
      {{1, 0, 1, 1, 0, 2}, "The smoothing points must lie from 2 to 5."},  // Savitsky-Golay needs 5 points
      {{1, 0, 0, 0, 0, 2}, "The smoothing points must lie from 1 to 5."},
      {{1, 0, 6, 0, 0, 2}, "The smoothing points must lie from 1 to 5."},
      {{1, 0, 2, 2, 0, 2}, "The smoothing method must be 0 or 1."},
      {{1, 0, 2, 0, 2, 2}, "The spike switch must be 0 or 1."},
      {{1, 0, 2, 0, 0, 1}, "The spike threshold must lie from 2 to 20."},
      {{1, 0, 2, 0, 0, 21}, "The spike threshold must lie from 2 to 20."},
  };
  for (const Case& k : cases) {
    const char* why = KELT_CheckTransientFilter(k.f);
    EXPECT_EQ(std::string(why ? why : "usable"), std::string(k.why ? k.why : "usable"))
        << k.f[0] << " " << k.f[1] << " " << k.f[2] << " " << k.f[3] << " " << k.f[4] << " " << k.f[5];
  }
  EXPECT_NE(KELT_CheckTransientFilter(nullptr), nullptr);
}

}  // namespace
