#pragma once
// What the quantitation results section of a data file says about its
// format: current results (format 4) or results of an older format.
#include <cstdint>

namespace kelt::results {

constexpr uint32_t kHeaderSize = 2635;
constexpr uint32_t kStepSize = 1375;
constexpr uint32_t kFormatWordOffset = 2267;
constexpr uint16_t kCurrentFormat = 4;
// Byte offsets of the six step counts: Identified, Missing, Failed, TIC,
// Duplicate, Unknown.
constexpr uint32_t kStepCountOffsets[6] = {2251, 2253, 2255, 2257, 2259, 2261};

// Older results layouts, told apart by section size.
constexpr uint32_t kFormat1Head = 2268, kFormat1Step = 772;
constexpr uint32_t kFormat2Head = 2288, kFormat2Step = 900;

struct ResultsFacts {
  bool present = false;  // a results section exists and its header was read
  int format = 0;        // 1, 2 (older layouts by size) or the header's format word
};

// Reads the results section ("MSResults:h4", else "MSResults:h3", else
// "TolmarResults:h2") of a data file. False when there is none or it
// cannot be read.
bool ReadResultsFacts(const char* path, ResultsFacts* facts);

// Current results: a header whose format word is 4.
bool HaveCurrentResults(const char* path);
// Results of an older format: layouts 1 and 2, or a header format below 4.
bool HaveOlderResults(const char* path);

}  // namespace kelt::results
