// Library-search hits that the quantitation engine keeps for TIC peaks.
#include <cstring>
#include <vector>

#include "pomsel.h"

namespace {

uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int16_t I16(const uint8_t* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

}  // namespace

POMSEL_API HSECTION OpenTicSection(const char* path) {
  return path ? OpenSectionReadOnly(path, "MSTICs:h4", nullptr) : nullptr;
}

POMSEL_API void* ReadTicRecord(HSECTION section, int16_t ticNumber, int16_t hitIndex) {
  if (!section || ticNumber < 0 || hitIndex < 0 || hitIndex >= 12) return nullptr;
  uint32_t size = GetSectionSize(section);
  if (size == 0xFFFFFFFFu || size > 64u * 1024u * 1024u) return nullptr;
  std::vector<uint8_t> bytes(size);
  if (SeekSection(section, 0, 0) != 0 || ReadSection(section, bytes.data(), size) != size) return nullptr;
  // Walk the chain of peak records to the wanted one.
  uint64_t at = 0;
  for (int16_t i = 0;; ++i) {
    if (at + DF_TIC_PEAK_HEAD > size) return nullptr;
    uint32_t length = U32(&bytes[at]);
    if (length < DF_TIC_PEAK_HEAD || at + length > size) return nullptr;  // end or damage
    if (i == ticNumber) break;
    at += length;
  }
  const uint8_t* peak = &bytes[at];
  uint32_t peakLength = U32(peak);
  if (hitIndex >= I16(peak + 8)) return nullptr;
  uint32_t offset = U32(peak + 10 + 4 * hitIndex);
  if (offset < DF_TIC_PEAK_HEAD || uint64_t(offset) + DF_TIC_HIT_HEAD > peakLength) return nullptr;
  const uint8_t* hit = peak + offset;
  int16_t ions = I16(hit + 717);
  uint32_t hitLength = U32(hit);
  if (ions < 0 || hitLength != DF_TIC_HIT_HEAD + 6u * uint32_t(ions) ||
      uint64_t(offset) + hitLength > peakLength)
    return nullptr;
  void* block = AllocBlock(hitLength);
  if (block) std::memcpy(block, hit, hitLength);
  return block;
}
