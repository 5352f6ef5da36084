// The floating-point control word: keep, compare, restore.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "win/win_crt.h"

namespace {

class CrtFpuTest : public ::testing::Test {
 protected:
  void SetUp() override { _fpreset(); }
  void TearDown() override { _fpreset(); }
};

TEST_F(CrtFpuTest, DefaultWord) {
  EXPECT_EQ(_control87(0, 0), 0x0009001Fu);
  EXPECT_EQ(_controlfp(0, 0), _CW_DEFAULT);
  EXPECT_EQ(_CW_DEFAULT, _PC_53 | _RC_NEAR | _MCW_EM);
}

TEST_F(CrtFpuTest, KeepCompareRestore) {
  const unsigned int kept = _control87(0, 0);
  // Someone unmasks division by zero and switches to truncation.
  unsigned int changed = _control87(_RC_CHOP, _MCW_RC);
  changed = _control87(0, _EM_ZERODIVIDE);
  EXPECT_EQ(changed, (kept & ~(_MCW_RC | _EM_ZERODIVIDE)) | _RC_CHOP);
  EXPECT_NE(_control87(0, 0), kept);
  // The library notices and restores the kept word.
  EXPECT_EQ(_control87(kept, 0xFFFFFFFFu), kept);
  EXPECT_EQ(_control87(0, 0), kept);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
}

TEST_F(CrtFpuTest, FieldsChangeOnlyUnderTheirMask) {
  struct Case {
    unsigned int value, mask, want;
  } cases[] = {
      {_PC_24, _MCW_PC, (_CW_DEFAULT & ~_MCW_PC) | _PC_24},
      {_PC_64, _MCW_PC, _CW_DEFAULT & ~_MCW_PC},
      {_RC_UP | _PC_24, _MCW_RC, _CW_DEFAULT | _RC_UP},  // the precision bits are not under the mask
      {0, _EM_INVALID | _EM_OVERFLOW, _CW_DEFAULT & ~(_EM_INVALID | _EM_OVERFLOW)},
      {_DN_FLUSH, _MCW_DN, _CW_DEFAULT | _DN_FLUSH},
      {0x80000000u, 0x80000000u, _CW_DEFAULT},  // undefined bits are not kept
  };
  for (const auto& c : cases) {
    _fpreset();
    EXPECT_EQ(_control87(c.value, c.mask), c.want) << std::hex << c.value << "/" << c.mask;
  }
  // _controlfp leaves the denormal mask alone.
  _fpreset();
  EXPECT_EQ(_controlfp(0, _MCW_EM), _EM_DENORMAL | (_CW_DEFAULT & ~_MCW_EM));
  EXPECT_EQ(_control87(0, _MCW_EM), _CW_DEFAULT & ~_MCW_EM);
}

TEST_F(CrtFpuTest, RoundingReachesTheProcessor) {
  struct Case {
    unsigned int rc;
    double up, down;  // nearbyint of 2.5 and -2.5
  } cases[] = {{_RC_NEAR, 2, -2}, {_RC_UP, 3, -2}, {_RC_DOWN, 2, -3}, {_RC_CHOP, 2, -2}};
  for (const auto& c : cases) {
    _control87(c.rc, _MCW_RC);
    volatile double pos = 2.5, neg = -2.5;
    EXPECT_EQ(std::nearbyint(pos), c.up) << std::hex << c.rc;
    EXPECT_EQ(std::nearbyint(neg), c.down) << std::hex << c.rc;
  }
  // A change made directly on the processor shows in the word.
  std::fesetround(FE_UPWARD);
  EXPECT_EQ(_control87(0, 0) & _MCW_RC, _RC_UP);
}

TEST_F(CrtFpuTest, StatusFlags) {
  _clearfp();
  volatile double zero = 0.0, one = 1.0;
  volatile double r = one / zero;
  EXPECT_TRUE(std::isinf(r));  // masked: an infinity, no trap
  EXPECT_NE(_statusfp() & _SW_ZERODIVIDE, 0u);
  EXPECT_NE(_clearfp() & _SW_ZERODIVIDE, 0u);
  EXPECT_EQ(_statusfp() & _SW_ZERODIVIDE, 0u);
}

}  // namespace
