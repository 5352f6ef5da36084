// Correction marks: a correction's scan ranges read from the data file as
// times and total-ion values.
#include "jessul32/background_marks.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

struct Window {
  int16_t segment;
  uint32_t first, end;
};
struct Region {
  uint16_t segment;  // 1-based
  uint32_t first, end;
  std::vector<Window> windows;
};

// The groups that hold background ranges, every count checked against the block.
bool ReadRegions(const STRUCT_FILE_BC* bc, std::vector<Region>& out) {
  if (!bc) return false;
  const uint32_t size = GetBlockSize(bc);
  if (size < sizeof(STRUCT_FILE_BC)) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(bc);
  STRUCT_FILE_BC head;
  std::memcpy(&head, bytes, sizeof head);
  if (head.format != BACKCORR_FORMAT) return false;
  size_t at = sizeof head;
  for (uint16_t g = 0; g < head.groupCount; ++g) {
    STRUCT_FILE_BC_GROUP group;
    if (at + sizeof group > size) return false;
    std::memcpy(&group, bytes + at, sizeof group);
    at += sizeof group;
    if (at + size_t{group.entryCount} * sizeof(STRUCT_FILE_BC_ENTRY) > size) return false;
    if (group.segment < 1 || group.segment > 0x7FFF) return false;
    Region r{group.segment, UINT32_MAX, 0, {}};
    for (uint16_t k = 0; k < group.entryCount; ++k, at += sizeof(STRUCT_FILE_BC_ENTRY)) {
      STRUCT_FILE_BC_ENTRY e;
      std::memcpy(&e, bytes + at, sizeof e);
      if (e.endScan <= e.firstScan) return false;
      r.windows.push_back({static_cast<int16_t>(group.segment - 1), e.firstScan, e.endScan});
    }
    if (r.windows.empty()) continue;
    r.first = group.firstScan;
    r.end = group.endScan;
    if (r.end <= r.first) return false;
    out.push_back(std::move(r));
  }
  return true;
}

bool ReadHeader(HMSDATA h, uint32_t scan, MS_SCAN_HEADER& out) {
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_NUMBER;
  r.mode = MS_PICK_NEAREST;
  r.scan = scan;
  if (ReadMSScanHeader(h, &r, nullptr, &out, nullptr) == MS_SCAN_TIME_FAILED) return false;
  return out.scanNumber == scan;
}

STRUCT_BC_MARKS* Make(const STRUCT_FILE_BC* bc, const void* workFile) {
  std::vector<Region> regions;
  if (!ReadRegions(bc, regions) || regions.size() > 0xFFFF) return nullptr;
  HMSDATA h = OpenMSData(workFile, "MSData", 0);
  if (!h) h = OpenMSData(workFile, nullptr, 0);
  if (!h) return nullptr;
  std::vector<STRUCT_BC_MARK_RANGE> ranges;
  std::vector<STRUCT_BC_MARK_POINT> points;
  std::vector<STRUCT_BC_MARK_SAMPLE> samples;
  bool ok = true;
  for (const Region& r : regions) {
    MS_SCAN_HEADER first{}, last{};
    if (!ReadHeader(h, r.first, first) || !ReadHeader(h, r.end - 1, last) || r.windows.size() > 0xFFFF) {
      ok = false;
      break;
    }
    ranges.push_back({first.time, last.time, static_cast<uint16_t>(r.windows.size())});
    // The cycle grid of the region's segment.
    std::vector<uint8_t> block(sizeof(MS_SEGMENT_BLOCK));
    MS_SEGMENT_BLOCK seg{};
    if (ReadMSSegmentBlock(h, r.segment, block.data(), 0) != 0) {
      ok = false;
      break;
    }
    std::memcpy(&seg, block.data(), offsetof(MS_SEGMENT_BLOCK, maxTicScan));
    const uint32_t functions = seg.functionCount ? seg.functionCount : 1;
    const uint32_t segFirst = seg.firstScan, segLast = seg.lastScan;
    for (const Window& w : r.windows) {
      STRUCT_BC_MARK_POINT p{};
      p.segment = w.segment;
      p.firstSample = static_cast<uint32_t>(samples.size());
      double sum = 0, t0 = 0, t1 = 0;
      MS_SCAN_HEADER hd{};
      ok = ReadHeader(h, w.first, hd) && ReadHeader(h, w.end - 1, last);
      if (!ok) break;
      t0 = hd.time;
      t1 = last.time;
      // Every cycle the range touches, whole.
      const uint32_t base = w.first >= segFirst ? segFirst : w.first;
      for (uint64_t c = w.first - (w.first - base) % functions; ok && c < w.end; c += functions) {
        double tic = 0, time = 0;
        for (uint64_t s = c; ok && s < c + functions && s <= segLast; ++s) {
          ok = ReadHeader(h, static_cast<uint32_t>(s), hd);
          if (!ok) break;
          if (s == c) time = hd.time;
          tic += static_cast<double>(hd.totalIon);
        }
        if (!ok) break;
        samples.push_back({time, tic});
        sum += tic;
      }
      if (!ok) break;
      p.sampleCount = static_cast<uint32_t>(samples.size()) - p.firstSample;
      p.time = (t0 + t1) / 2;
      p.value = sum / p.sampleCount;
      points.push_back(p);
    }
    if (!ok) break;
  }
  CloseMSData(h);
  if (!ok) return nullptr;
  const size_t bytes = sizeof(STRUCT_BC_MARKS) + ranges.size() * sizeof(STRUCT_BC_MARK_RANGE) +
                       points.size() * sizeof(STRUCT_BC_MARK_POINT) + samples.size() * sizeof(STRUCT_BC_MARK_SAMPLE);
  if (bytes > 0x7FFFFFFF) return nullptr;
  auto* out = static_cast<STRUCT_BC_MARKS*>(AllocBlock(static_cast<uint32_t>(bytes)));
  if (!out) return nullptr;
  STRUCT_BC_MARKS head{static_cast<uint16_t>(ranges.size()), static_cast<uint32_t>(points.size()),
                       static_cast<uint32_t>(samples.size())};
  auto* p = reinterpret_cast<uint8_t*>(out);
  std::memcpy(p, &head, sizeof head);
  p += sizeof head;
  if (!ranges.empty()) std::memcpy(p, ranges.data(), ranges.size() * sizeof ranges[0]);
  p += ranges.size() * sizeof(STRUCT_BC_MARK_RANGE);
  if (!points.empty()) std::memcpy(p, points.data(), points.size() * sizeof points[0]);
  p += points.size() * sizeof(STRUCT_BC_MARK_POINT);
  if (!samples.empty()) std::memcpy(p, samples.data(), samples.size() * sizeof samples[0]);
  return out;
}

}  // namespace

JESSUL_API STRUCT_BC_MARKS* GetBackCorrMarks(const STRUCT_FILE_BC* correction, const void* workFile) {
  if (!correction || !workFile) return nullptr;
  try {
    return Make(correction, workFile);
  } catch (...) {
    return nullptr;
  }
}

JESSUL_API void FreeBackCorrMarks(STRUCT_BC_MARKS* marks) {
  if (marks) FreeBlock(marks);
}
