#pragma once
// A section read or replaced whole, for the small texts and records callers
// keep in sections (audit trails, version archives).
#include <cstdint>

#include "orvik32.h"

namespace orvik {

// A section that cannot be measured, or is larger than the limit, fails
// rather than asking for memory its damaged size claims.
constexpr uint32_t kWholeSectionLimit = 256u * 1024u * 1024u;

template <class Bytes>
bool ReadWholeSection(const char* path, const char* name, Bytes* out, uint32_t limit = kWholeSectionLimit) {
  out->clear();
  if (!path || !*path || !name) return false;
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return false;
  bool ok = false;
  const uint32_t size = GetSectionSize(s);
  if (size != 0xFFFFFFFFu && size <= limit) {
    out->resize(size);
    ok = size == 0 || ReadSection(s, out->data(), size) == size;
  }
  CloseSection(s);
  if (!ok) out->clear();
  return ok;
}

// Replaces the section in one commit: made anew, written, closed.
template <class Bytes>
bool WriteWholeSection(const char* path, const char* name, const Bytes& bytes) {
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return false;
  const uint32_t n = static_cast<uint32_t>(bytes.size());
  const bool wrote = n == 0 || WriteSection(s, bytes.data(), n) == n;
  const bool closed = CloseSection(s) != FALSE;
  return wrote && closed;
}

}  // namespace orvik
