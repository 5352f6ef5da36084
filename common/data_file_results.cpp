// What a data file holds: quantitation results of the current or an older
// format, and MS method segments.
#include <cstdio>
#include <cstring>

#include "common/mass_lists.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"

namespace {

constexpr uint32_t kHeaderSize = 2635;
constexpr uint32_t kStepSize = 1375;
constexpr uint32_t kFormatOffset = 2267;
constexpr uint16_t kCurrentFormat = 4;
// Results sections, newest first.
const char* const kResultSections[] = {"MSResults:h4", "MSResults:h3", "TolmarResults:h2"};

// Format number of the data file's results; -1 when there are none.
int ResultsFormat(const char* path) {
  if (!path || !path[0]) return -1;
  HSECTION h = nullptr;
  for (const char* name : kResultSections)
    if ((h = OpenSectionReadOnly(path, name, nullptr))) break;
  if (!h) return -1;
  uint8_t header[kHeaderSize] = {};
  const uint32_t size = GetSectionSize(h);
  bool ok = SeekSection(h, 0, 0) != 0xFFFFFFFFu;
  if (ok) {
    uint32_t want = size < kHeaderSize ? size : kHeaderSize;
    ok = ReadSection(h, header, want) == want;
  }
  CloseSection(h);
  if (!ok) return -1;
  uint16_t word = 0;
  std::memcpy(&word, header + kFormatOffset, sizeof word);
  // A current header on a section of whole current steps is current, even
  // when its size also fits an older layout.
  if (word == kCurrentFormat && size >= kHeaderSize && (size - kHeaderSize) % kStepSize == 0) return kCurrentFormat;
  if (size >= 2268 && (size - 2268) % 772 == 0) return 1;
  if (size >= 2288 && (size - 2288) % 900 == 0) return 2;
  return word;
}

}  // namespace

KELT_API BOOL KELT_HaveCurrentResults(const char* path) { return ResultsFormat(path) == kCurrentFormat ? 1 : 0; }

KELT_API BOOL KELT_HaveOlderResults(const char* path) {
  const int format = ResultsFormat(path);
  return format >= 0 && format < kCurrentFormat ? 1 : 0;
}

KELT_API BOOL KELT_HaveMSMethodSegments(const STRUCT_WORK_FILE* workFile) {
  const char* path = kelt::wff::Path(workFile);
  if (!path) return 0;
  // A scratch stream: only the number of bytes written matters.
  FILE* f = std::tmpfile();
  if (!f) return 0;
  WriteMethodSegmentLogText(f, path, kelt::wff::Module(workFile), kelt::wff::FileType(workFile), 1, 1, 1);
  long written = std::ftell(f);
  std::fclose(f);
  return written > 10 ? 1 : 0;
}
