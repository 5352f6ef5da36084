// The results section's format, as the data-file tests read it.
#include "common/results_facts.h"

#include <cstring>
#include <initializer_list>

#include "orvik32/orvik32.h"

namespace kelt::results {

bool ReadResultsFacts(const char* path, ResultsFacts* facts) {
  if (!path || !facts) return false;
  *facts = ResultsFacts{};
  HSECTION s = nullptr;
  for (const char* name : {"MSResults:h4", "MSResults:h3", "TolmarResults:h2"}) {
    s = OpenSectionReadOnly(path, name, nullptr);
    if (s) break;
  }
  if (!s) return false;
  const uint32_t size = GetSectionSize(s);
  uint8_t header[kHeaderSize] = {};
  bool ok = size != 0xFFFFFFFFu && SeekSection(s, 0, 0) == 0;
  if (ok) {
    // A short section leaves the rest of the header zero.
    const uint32_t want = size < kHeaderSize ? size : kHeaderSize;
    ok = ReadSection(s, header, want) == want;
  }
  CloseSection(s);
  if (!ok) return false;
  uint16_t word;
  std::memcpy(&word, header + kFormatWordOffset, 2);
  facts->present = true;
  // The header's own word decides first: a current section of whole steps
  // whose size happens to fit an older layout is still current. Any other
  // size of an older layout is older, whatever its header says.
  if (word == kCurrentFormat && size >= kHeaderSize && (size - kHeaderSize) % kStepSize == 0) {
    facts->format = kCurrentFormat;
  } else if (size >= kFormat1Head && (size - kFormat1Head) % kFormat1Step == 0) {
    facts->format = 1;
  } else if (size >= kFormat2Head && (size - kFormat2Head) % kFormat2Step == 0) {
    facts->format = 2;
  } else {
    facts->format = word;
  }
  return true;
}

bool HaveCurrentResults(const char* path) {
  ResultsFacts f;
  return ReadResultsFacts(path, &f) && f.format == kCurrentFormat;
}

bool HaveOlderResults(const char* path) {
  ResultsFacts f;
  return ReadResultsFacts(path, &f) && f.format < kCurrentFormat;
}

}  // namespace kelt::results
