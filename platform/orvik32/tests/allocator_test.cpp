// The common allocator.
#include <gtest/gtest.h>

#include <cstring>

#include "orvik32/orvik32.h"

namespace {

TEST(AllocatorTest, BlocksAreZeroFilledAndKnowTheirSize) {
  for (uint32_t n : {0u, 1u, 34u, 1054u, 1u << 20}) {
    SCOPED_TRACE(n);
    auto* b = static_cast<unsigned char*>(AllocBlock(n));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetBlockSize(b), n);
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(b[i], 0);
    FreeBlock(b);
  }
}

TEST(AllocatorTest, HugeRequestsAreRefused) {
  EXPECT_EQ(AllocBlock((1u << 30) + 1), nullptr);
  EXPECT_EQ(AllocBlock(0xFFFFFFFFu), nullptr);
}

TEST(AllocatorTest, ReallocKeepsContentZeroFillsGrowthAndKeepsOldOnFailure) {
  auto* b = static_cast<char*>(AllocBlock(1020));
  ASSERT_NE(b, nullptr);
  std::memset(b, 1, 1020);
  auto* grown = static_cast<char*>(ReallocBlock(b, 2020));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(GetBlockSize(grown), 2020u);
  EXPECT_EQ(grown[1019], 1);
  EXPECT_EQ(grown[1020], 0);
  EXPECT_EQ(grown[2019], 0);

  EXPECT_EQ(ReallocBlock(grown, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(GetBlockSize(grown), 2020u);  // the old block stays valid
  EXPECT_EQ(grown[0], 1);

  auto* shrunk = static_cast<char*>(ReallocBlock(grown, 10));
  ASSERT_NE(shrunk, nullptr);
  EXPECT_EQ(GetBlockSize(shrunk), 10u);
  EXPECT_EQ(shrunk[9], 1);
  FreeBlock(shrunk);

  void* fresh = ReallocBlock(nullptr, 16);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(GetBlockSize(fresh), 16u);
  FreeBlock(fresh);
  EXPECT_EQ(GetBlockSize(nullptr), 0u);
}

}  // namespace
