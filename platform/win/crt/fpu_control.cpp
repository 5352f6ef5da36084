// The floating-point control word in the original's layout, over the
// processor's rounding mode and status flags.
#include <cfenv>
#include <mutex>

#include "win_crt.h"

namespace {

std::mutex g_mutex;
unsigned int g_word = _CW_DEFAULT;

unsigned int RoundingFromProcessor() {
  switch (std::fegetround()) {
    case FE_DOWNWARD: return _RC_DOWN;
    case FE_UPWARD: return _RC_UP;
    case FE_TOWARDZERO: return _RC_CHOP;
    default: return _RC_NEAR;
  }
}

void RoundingToProcessor(unsigned int rc) {
  switch (rc & _MCW_RC) {
    case _RC_DOWN: std::fesetround(FE_DOWNWARD); break;
    case _RC_UP: std::fesetround(FE_UPWARD); break;
    case _RC_CHOP: std::fesetround(FE_TOWARDZERO); break;
    default: std::fesetround(FE_TONEAREST); break;
  }
}

// Only the bits the word defines are kept.
constexpr unsigned int kDefinedBits = _MCW_EM | _MCW_RC | _MCW_PC | _MCW_IC | _MCW_DN;

unsigned int Update(unsigned int value, unsigned int mask) {
  std::lock_guard<std::mutex> lock(g_mutex);
  unsigned int word = (g_word & ~_MCW_RC) | RoundingFromProcessor();
  mask &= kDefinedBits;
  word = (word & ~mask) | (value & mask);
  if (mask & _MCW_RC) RoundingToProcessor(word);
  g_word = word;
  return word;
}

unsigned int Status() {
  int raised = std::fetestexcept(FE_ALL_EXCEPT);
  unsigned int s = 0;
  if (raised & FE_INEXACT) s |= _SW_INEXACT;
  if (raised & FE_UNDERFLOW) s |= _SW_UNDERFLOW;
  if (raised & FE_OVERFLOW) s |= _SW_OVERFLOW;
  if (raised & FE_DIVBYZERO) s |= _SW_ZERODIVIDE;
  if (raised & FE_INVALID) s |= _SW_INVALID;
  return s;
}

}  // namespace

unsigned int _control87(unsigned int value, unsigned int mask) { return Update(value, mask); }

unsigned int _controlfp(unsigned int value, unsigned int mask) { return Update(value, mask & ~_EM_DENORMAL); }

unsigned int _statusfp() { return Status(); }

unsigned int _clearfp() {
  unsigned int s = Status();
  std::feclearexcept(FE_ALL_EXCEPT);
  return s;
}

void _fpreset() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_word = _CW_DEFAULT;
  RoundingToProcessor(_CW_DEFAULT);
  std::feclearexcept(FE_ALL_EXCEPT);
}
