// Automatic background: per segment, the quietest few cycles of each
// minute of the run become its background ranges.
#include "jessul32/automatic_background.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

struct Cycle {
  uint32_t first, last;  // scans of the cycle
  double time, lastTime;
  double tic;
};

struct Range {
  uint32_t first, end;
  double time, endTime;
};

bool ReadHeader(HMSDATA h, uint32_t scan, MS_SCAN_HEADER& out) {
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_NUMBER;
  r.mode = MS_PICK_NEAREST;
  r.scan = scan;
  if (ReadMSScanHeader(h, &r, nullptr, &out, nullptr) == MS_SCAN_TIME_FAILED) return false;
  return out.scanNumber == scan;
}

// The cycles of one segment with their summed total ion.
bool ReadCycles(HMSDATA h, const MS_SEGMENT_BLOCK& seg, std::vector<Cycle>& out) {
  const uint32_t functions = seg.functionCount ? seg.functionCount : 1;
  for (uint64_t c = seg.firstScan; c <= seg.lastScan; c += functions) {
    Cycle cycle{static_cast<uint32_t>(c), static_cast<uint32_t>(c), 0, 0, 0};
    for (uint64_t s = c; s < c + functions && s <= seg.lastScan; ++s) {
      MS_SCAN_HEADER hd{};
      if (!ReadHeader(h, static_cast<uint32_t>(s), hd)) return false;
      if (s == c) cycle.time = hd.time;
      cycle.last = static_cast<uint32_t>(s);
      cycle.lastTime = hd.time;
      cycle.tic += static_cast<double>(hd.totalIon);
    }
    out.push_back(cycle);
  }
  return true;
}

// The quietest window of cycles [from, to).
Range Quietest(const std::vector<Cycle>& cycles, size_t from, size_t to) {
  const size_t width = to - from < BACKGROUND_WINDOW_CYCLES ? to - from : BACKGROUND_WINDOW_CYCLES;
  double sum = 0;
  for (size_t k = from; k < from + width; ++k) sum += cycles[k].tic;
  double best = sum;
  size_t at = from;
  for (size_t k = from + width; k < to; ++k) {
    sum += cycles[k].tic - cycles[k - width].tic;
    if (sum < best) {
      best = sum;
      at = k - width + 1;
    }
  }
  const Cycle& a = cycles[at];
  const Cycle& b = cycles[at + width - 1];
  return {a.first, b.last + 1, a.time, b.lastTime};
}

// The ranges of one segment, one per stretch of about a minute.
void ChooseRanges(const std::vector<Cycle>& cycles, std::vector<Range>& out) {
  if (cycles.empty()) return;
  const double start = cycles.front().time, span = cycles.back().time - start;
  long stretches = std::lround(span / BACKGROUND_STRETCH_MINUTES);
  if (stretches < 1 || !(span > 0)) stretches = 1;
  const double length = span > 0 ? span / static_cast<double>(stretches) : 1;
  size_t from = 0;
  for (long k = 0; k < stretches && from < cycles.size(); ++k) {
    // The last stretch takes every remaining cycle, whatever rounding says.
    const double limit = start + length * static_cast<double>(k + 1);
    size_t to = from;
    while (to < cycles.size() && (k + 1 == stretches || cycles[to].time < limit)) ++to;
    if (to > from) out.push_back(Quietest(cycles, from, to));
    from = to;
  }
}

STRUCT_FILE_BC* Create(const void* workFile) {
  HMSDATA h = OpenMSData(workFile, "MSData", 0);
  if (!h) h = OpenMSData(workFile, nullptr, 0);
  if (!h) return nullptr;
  std::vector<Range> ranges;
  MS_INFO_BLOCK info;
  bool ok = ReadMSInfoFromHandle(h, &info) == 0 && info.segmentCount > 0;
  for (int s = 1; ok && s <= info.segmentCount; ++s) {
    std::vector<uint8_t> block(sizeof(MS_SEGMENT_BLOCK));
    ok = ReadMSSegmentBlock(h, s, block.data(), 0) == 0;
    if (!ok) break;
    MS_SEGMENT_BLOCK seg{};
    std::memcpy(&seg, block.data(), offsetof(MS_SEGMENT_BLOCK, maxTicScan));
    if (seg.lastScan < seg.firstScan) continue;
    std::vector<Cycle> cycles;
    ok = ReadCycles(h, seg, cycles);
    if (ok) ChooseRanges(cycles, ranges);
  }
  CloseMSData(h);
  if (!ok || ranges.empty()) return nullptr;
  STRUCT_FILE_BC* bc = NewBackCorr(workFile);
  for (const Range& r : ranges) {
    if (!bc) break;
    STRUCT_FILE_BC* grown = AddBackCorrRange(bc, r.first, r.time, r.end, r.endTime);
    if (!grown) FreeBackCorr(bc);
    bc = grown;
  }
  return bc;
}

}  // namespace

JESSUL_API STRUCT_FILE_BC* CreateBackCorr(const void* workFile, const char*) {
  if (!workFile) return nullptr;
  try {
    return Create(workFile);
  } catch (...) {
    return nullptr;
  }
}
