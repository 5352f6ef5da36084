#pragma once
// Fields of a method compound record that the data-handling library keeps
// in its reserved bytes, read and written by offset.
#include <cstdint>
#include <cstring>

#include "holbrin/dh_records.h"

namespace quant {

template <class T>
T CompoundField(const STRUCT_DH_COMPOUND& c, size_t offset) {
  T v{};
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(&c) + offset, sizeof v);
  return v;
}
template <class T>
void SetCompoundField(STRUCT_DH_COMPOUND* c, size_t offset, T v) {
  std::memcpy(reinterpret_cast<uint8_t*>(c) + offset, &v, sizeof v);
}

inline constexpr size_t kCasNumber = 845;            // i32, copied into the step
inline constexpr size_t kSignalToNoiseThreshold = 1861;  // i16, 0 = no test
inline constexpr size_t kNoiseWindowStart = 2175;    // i32; both 0 = no noise window
inline constexpr size_t kNoiseWindowEnd = 2181;      // i32
inline constexpr size_t kStandardIndicator = 3349;   // i32
inline constexpr size_t kField3357 = 3357;           // i32, kept in the step as a float
inline constexpr size_t kResponseMultiplier = 4763;  // f32
inline constexpr size_t kReportThreshold = 4767;     // f32
inline constexpr size_t kUnits = 4771;               // text, 10 bytes

// Compound flag bits.
inline constexpr uint16_t kFlagReference = 0x0001;
inline constexpr uint16_t kFlagStandard = 0x0100;
inline constexpr uint16_t kFlagMarker = 0x0200;

}  // namespace quant
