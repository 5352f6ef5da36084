// The LZSS coding of compressed files.
#include <cstring>

#include "win_lz.h"

namespace {

constexpr uint8_t kSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr size_t kHeader = 14;
constexpr size_t kWindow = 4096;
constexpr size_t kStart = kWindow - 16;
constexpr size_t kMinMatch = 3, kMaxMatch = 18;
// The expansion of a damaged header is not believed beyond this.
constexpr uint32_t kMaxExpanded = 256u << 20;

}  // namespace

namespace win::lz {

bool IsCompressed(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= kHeader && std::memcmp(bytes.data(), kSignature, 8) == 0 && bytes[8] == 'A';
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, char lastChar) {
  std::vector<uint8_t> out(kSignature, kSignature + 8);
  out.push_back('A');
  out.push_back(static_cast<uint8_t>(lastChar));
  const uint32_t n = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
  // The window as the expander will see it, so every match is one it can
  // replay: blanks first, then the bytes written so far.
  std::vector<uint8_t> window(kWindow, ' ');
  size_t wpos = kStart, pos = 0;
  while (pos < data.size()) {
    const size_t flagAt = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8 && pos < data.size(); ++bit) {
      size_t bestLen = 0, bestAt = 0;
      const size_t maxLen = std::min(kMaxMatch, data.size() - pos);
      if (maxLen >= kMinMatch) {
        for (size_t back = 1; back <= kWindow - kMaxMatch && bestLen < maxLen; ++back) {
          const size_t at = (wpos + kWindow - back) % kWindow;
          size_t len = 0;
          // The match may run into the bytes it is copying, as the
          // expander writes each byte before reading the next.
          while (len < maxLen) {
            const size_t src = (at + len) % kWindow;
            const size_t ahead = (src + kWindow - wpos) % kWindow;
            const uint8_t c = ahead < len ? data[pos + ahead] : window[src];
            if (c != data[pos + len]) break;
            ++len;
          }
          if (len > bestLen) {
            bestLen = len;
            bestAt = at;
          }
        }
      }
      if (bestLen >= kMinMatch) {
        out.push_back(static_cast<uint8_t>(bestAt & 0xFF));
        out.push_back(static_cast<uint8_t>(((bestAt >> 4) & 0xF0) | (bestLen - kMinMatch)));
        for (size_t i = 0; i < bestLen; ++i) {
          window[wpos] = data[pos++];
          wpos = (wpos + 1) % kWindow;
        }
      } else {
        out[flagAt] |= static_cast<uint8_t>(1u << bit);
        out.push_back(data[pos]);
        window[wpos] = data[pos++];
        wpos = (wpos + 1) % kWindow;
      }
    }
  }
  return out;
}

bool Expand(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* out) {
  if (!IsCompressed(bytes) || !out) return false;
  const uint32_t expected = bytes[10] | (bytes[11] << 8) | (bytes[12] << 16) | (uint32_t(bytes[13]) << 24);
  if (expected > kMaxExpanded) return false;
  out->clear();
  // The header's length is believed only as far as the data reaches: each
  // flag byte with its eight two-byte matches gives at most 144 bytes, so
  // a damaged header costs no reservation of its own.
  const uint64_t reachable = uint64_t(bytes.size() - kHeader) / 17 * 144 + 144;
  out->reserve(size_t(expected < reachable ? expected : reachable));
  std::vector<uint8_t> window(kWindow, ' ');
  size_t wpos = kStart, in = kHeader;
  while (in < bytes.size() && out->size() < expected) {
    const uint8_t flags = bytes[in++];
    for (int bit = 0; bit < 8 && in < bytes.size() && out->size() < expected; ++bit) {
      if (flags & (1u << bit)) {
        const uint8_t c = bytes[in++];
        out->push_back(c);
        window[wpos] = c;
        wpos = (wpos + 1) % kWindow;
        continue;
      }
      if (in + 1 >= bytes.size()) return false;
      const size_t at = bytes[in] | ((bytes[in + 1] & 0xF0) << 4);
      const size_t len = (bytes[in + 1] & 0x0F) + kMinMatch;
      in += 2;
      for (size_t i = 0; i < len && out->size() < expected; ++i) {
        const uint8_t c = window[(at + i) % kWindow];
        out->push_back(c);
        window[wpos] = c;
        wpos = (wpos + 1) % kWindow;
      }
    }
  }
  return out->size() == expected;
}

}  // namespace win::lz
