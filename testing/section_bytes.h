#pragma once
// Test support: whole sections of a sectioned file as bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "orvik32/orvik32.h"

// The section's bytes; empty when it cannot be opened or read whole.
inline std::vector<uint8_t> SectionBytes(const char* path, const char* name) {
  std::vector<uint8_t> bytes;
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return bytes;
  bytes.resize(GetSectionSize(s));
  if (!bytes.empty() && ReadSection(s, bytes.data(), static_cast<uint32_t>(bytes.size())) != bytes.size())
    bytes.clear();
  CloseSection(s);
  return bytes;
}

// Replaces the section with the given bytes.
inline void PutSection(const char* path, const char* name, const std::vector<uint8_t>& bytes) {
  HSECTION s = CreateSection(path, name, nullptr);
  ASSERT_NE(s, nullptr);
  if (!bytes.empty()) {
    ASSERT_EQ(WriteSection(s, bytes.data(), static_cast<uint32_t>(bytes.size())), bytes.size());
  }
  ASSERT_TRUE(CloseSection(s));
}
