#pragma once
// Peaks and the exchange-buffer layout they travel in between libraries.
#include <cstdint>
#include <cstring>
#include <vector>

#include "quorna/quorna.h"

namespace quorna {

struct Peak {
  double mass;
  uint32_t intensity;
  uint8_t flag;
};

inline uint32_t ExchangeCount(const void* buffer) {
  uint32_t n;
  std::memcpy(&n, buffer, 4);
  return n;
}

inline size_t ExchangeBytes(size_t count) { return 4 + count * MS_EXCHANGE_ENTRY_SIZE; }

// Reads the entries of an exchange buffer; false when the count is above max.
inline bool ReadExchange(const void* buffer, uint32_t max, std::vector<Peak>& out) {
  uint32_t n = ExchangeCount(buffer);
  if (n > max) return false;
  out.resize(n);
  const auto* p = static_cast<const uint8_t*>(buffer) + 4;
  for (uint32_t i = 0; i < n; ++i, p += MS_EXCHANGE_ENTRY_SIZE) {
    out[i].flag = p[0];
    std::memcpy(&out[i].mass, p + 1, 8);
    std::memcpy(&out[i].intensity, p + 9, 4);
  }
  return true;
}

inline void WriteExchange(void* buffer, const Peak* peaks, size_t count) {
  uint32_t n = static_cast<uint32_t>(count);
  std::memcpy(buffer, &n, 4);
  auto* p = static_cast<uint8_t*>(buffer) + 4;
  for (size_t i = 0; i < count; ++i, p += MS_EXCHANGE_ENTRY_SIZE) {
    p[0] = peaks[i].flag;
    std::memcpy(p + 1, &peaks[i].mass, 8);
    std::memcpy(p + 9, &peaks[i].intensity, 4);
  }
}

inline void WriteExchange(void* buffer, const std::vector<Peak>& peaks) {
  WriteExchange(buffer, peaks.data(), peaks.size());
}

// Totals of a peak list into a scan header: total ion, base peak (the first
// of equal largest), lowest and highest mass, point count.
inline void SummariseInto(const std::vector<Peak>& peaks, MS_SCAN_HEADER& h) {
  uint64_t total = 0;
  size_t base = 0;
  for (size_t i = 0; i < peaks.size(); ++i) {
    total += peaks[i].intensity;
    if (peaks[i].intensity > peaks[base].intensity) base = i;
  }
  h.totalIon = total;
  h.pointCount = static_cast<uint32_t>(peaks.size());
  h.basePeakMass = peaks.empty() ? 0.0 : peaks[base].mass;
  h.basePeakIntensity = peaks.empty() ? 0 : peaks[base].intensity;
  h.lowestMass = peaks.empty() ? 0.0 : peaks.front().mass;
  h.highestMass = peaks.empty() ? 0.0 : peaks.back().mass;
}

}  // namespace quorna
