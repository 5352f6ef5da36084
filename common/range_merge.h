#pragma once
// Adding one list of ranges to another, for mass and channel lists alike.
#include <cstdint>

namespace kelt::lists {

// Adds each range of `add` to `entries`: one inside an existing range is
// taken by it, one overlapping an end widens that range (both ends when it
// covers it), any other is appended. False when the list would overflow.
template <class Range>
bool MergeRanges(Range* entries, uint16_t& count, uint16_t maxCount, const Range* add, uint16_t addCount) {
  for (uint16_t i = 0; i < addCount; ++i) {
    const Range& r = add[i];
    bool taken = false;
    for (uint16_t j = 0; j < count && !taken; ++j) {
      Range& o = entries[j];
      if (r.low >= o.low && r.high <= o.high) {
        taken = true;
      } else if (r.low < o.low && r.high >= o.low) {
        // A range over both ends widens both, not only the low one.
        o.low = r.low;
        if (r.high > o.high) o.high = r.high;
        taken = true;
      } else if (r.high > o.high && r.low <= o.high) {
        o.high = r.high;
        taken = true;
      }
    }
    if (!taken) {
      if (count >= maxCount) return false;
      entries[count++] = r;
    }
  }
  return true;
}

}  // namespace kelt::lists
