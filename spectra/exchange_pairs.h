#pragma once
// Spectra in the MS exchange layout: a 32-bit count, then per peak a flag
// byte, the mass (double) and the intensity (32 bits), unaligned.
#include <cstdint>
#include <cstring>

#include "fandor/list_entries.h"
#include "quorna/quorna.h"

namespace kelt::exchange {

inline uint32_t Count(const void* buffer) {
  uint32_t n;
  std::memcpy(&n, buffer, 4);
  return n;
}

// The first n peaks of the buffer as pairs (the caller has checked n).
inline void ToPairs(const void* buffer, uint32_t n, XTOL_PAIR* pairs) {
  const auto* e = static_cast<const uint8_t*>(buffer) + 4;
  for (uint32_t i = 0; i < n; ++i, e += MS_EXCHANGE_ENTRY_SIZE) {
    XTOL_PAIR q;
    q.flag = e[0];
    std::memcpy(&q.mass, e + 1, 8);
    std::memcpy(&q.intensity, e + 9, 4);
    pairs[i] = q;
  }
}

}  // namespace kelt::exchange
