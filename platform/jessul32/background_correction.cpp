// Background-correction records: per segment of a data file, the scan
// ranges whose averaged spectra serve as background.
#include <cstring>
#include <new>
#include <vector>

#include "jessul32/jessul32.h"
#include "jessul32/reference_ranges.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

struct Group {
  STRUCT_FILE_BC_GROUP head;
  std::vector<STRUCT_FILE_BC_ENTRY> entries;
};

struct Record {
  STRUCT_FILE_BC head;
  std::vector<Group> groups;
};

// Reads a record back, checking every count against the block's size.
bool ParseUnchecked(const STRUCT_FILE_BC* bc, Record& out) {
  if (!bc) return false;
  const uint32_t size = GetBlockSize(bc);
  if (size < sizeof(STRUCT_FILE_BC)) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(bc);
  std::memcpy(&out.head, bytes, sizeof out.head);
  if (out.head.format != BACKCORR_FORMAT) return false;
  size_t at = sizeof(STRUCT_FILE_BC);
  for (uint16_t g = 0; g < out.head.groupCount; ++g) {
    Group group;
    if (at + sizeof(STRUCT_FILE_BC_GROUP) > size) return false;
    std::memcpy(&group.head, bytes + at, sizeof group.head);
    at += sizeof(STRUCT_FILE_BC_GROUP);
    if (at + size_t{group.head.entryCount} * sizeof(STRUCT_FILE_BC_ENTRY) > size) return false;
    group.entries.resize(group.head.entryCount);
    if (!group.entries.empty()) {
      std::memcpy(group.entries.data(), bytes + at, group.entries.size() * sizeof(STRUCT_FILE_BC_ENTRY));
    }
    at += group.entries.size() * sizeof(STRUCT_FILE_BC_ENTRY);
    out.groups.push_back(std::move(group));
  }
  return true;
}

bool Parse(const STRUCT_FILE_BC* bc, Record& out) {
  try {
    return ParseUnchecked(bc, out);
  } catch (...) {
    return false;
  }
}

STRUCT_FILE_BC* Build(Record& r) {
  size_t bytes = sizeof(STRUCT_FILE_BC);
  for (const Group& g : r.groups) bytes += sizeof(STRUCT_FILE_BC_GROUP) + g.entries.size() * sizeof(STRUCT_FILE_BC_ENTRY);
  if (bytes > 0x7FFFFFFF || r.groups.size() > 0xFFFF) return nullptr;
  auto* block = static_cast<uint8_t*>(AllocBlock(static_cast<uint32_t>(bytes)));
  if (!block) return nullptr;
  r.head.groupCount = static_cast<uint16_t>(r.groups.size());
  std::memcpy(block, &r.head, sizeof r.head);
  size_t at = sizeof(STRUCT_FILE_BC);
  for (Group& g : r.groups) {
    g.head.entryCount = static_cast<uint16_t>(g.entries.size());
    std::memcpy(block + at, &g.head, sizeof g.head);
    at += sizeof g.head;
    if (!g.entries.empty()) std::memcpy(block + at, g.entries.data(), g.entries.size() * sizeof(STRUCT_FILE_BC_ENTRY));
    at += g.entries.size() * sizeof(STRUCT_FILE_BC_ENTRY);
  }
  return reinterpret_cast<STRUCT_FILE_BC*>(block);
}

}  // namespace

namespace jessul {
bool IsWellFormed(const STRUCT_FILE_BC* bc) {
  Record r;
  return Parse(bc, r);
}
}  // namespace jessul

JESSUL_API STRUCT_FILE_BC* NewBackCorr(const void* workFile) {
  if (!workFile) return nullptr;
  try {
    HMSDATA h = OpenMSData(workFile, "MSData", 0);
    if (!h) h = OpenMSData(workFile, nullptr, 0);
    if (!h) return nullptr;
    MS_INFO_BLOCK info;
    Record r{};
    bool ok = ReadMSInfoFromHandle(h, &info) == 0;
    if (ok) {
      r.head.format = BACKCORR_FORMAT;
      r.head.firstScan = info.firstScan;
      r.head.lastScan = info.lastScan;
      r.head.fileType = info.fileType;
      r.head.module = info.module;
      std::vector<uint8_t> block(sizeof(MS_SEGMENT_BLOCK));
      for (int s = 1; ok && s <= info.segmentCount; ++s) {
        ok = ReadMSSegmentBlock(h, s, block.data(), 0) == 0;
        if (!ok) break;
        MS_SEGMENT_BLOCK seg;
        std::memcpy(&seg, block.data(), 27);  // head fields up to the last scan
        Group g{};
        g.head.firstScan = seg.firstScan;
        g.head.endScan = seg.lastScan + 1;
        g.head.startTime = seg.startTime;
        g.head.endTime = seg.endTime;
        g.head.segment = static_cast<uint16_t>(s);
        r.groups.push_back(std::move(g));
      }
    }
    CloseMSData(h);
    return ok ? Build(r) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

JESSUL_API STRUCT_FILE_BC* AddBackCorrRange(STRUCT_FILE_BC* correction, uint32_t firstScan, double fromTime,
                                            uint32_t endScan, double toTime) {
  if (endScan <= firstScan) return nullptr;
  try {
    Record r;
    if (!Parse(correction, r)) return nullptr;
    for (Group& g : r.groups) {
      if (firstScan < g.head.firstScan || firstScan >= g.head.endScan) continue;
      STRUCT_FILE_BC_ENTRY e{};
      e.firstScan = firstScan;
      e.endScan = endScan;
      e.time = fromTime;
      e.endTime = toTime;
      const uint32_t n = endScan - firstScan;
      e.scanCountListed = 1;  // one cycle of the segment's scan grid
      e.scanCountIgnored = static_cast<uint16_t>(n > 0xFFFF ? 0xFFFF : n);
      auto it = g.entries.begin();
      while (it != g.entries.end() && it->firstScan < firstScan) ++it;
      if (it != g.entries.end() && it->firstScan == firstScan) {
        *it = e;
      } else {
        if (g.entries.size() >= 0xFFFF) return nullptr;
        g.entries.insert(it, e);
      }
      STRUCT_FILE_BC* out = Build(r);
      if (!out) return nullptr;
      FreeBlock(correction);
      return out;
    }
    return nullptr;
  } catch (...) {
    return nullptr;
  }
}

JESSUL_API int32_t DeleteBackCorrRange(STRUCT_FILE_BC* correction, uint32_t firstScan) {
  Record r;
  if (!Parse(correction, r)) return 0;
  auto* bytes = reinterpret_cast<uint8_t*>(correction);
  size_t at = sizeof(STRUCT_FILE_BC);
  for (Group& g : r.groups) {
    at += sizeof(STRUCT_FILE_BC_GROUP);
    for (size_t i = 0; i < g.entries.size(); ++i) {
      if (g.entries[i].firstScan != firstScan) continue;
      // Shift the rest of the block down in place; the block keeps its size.
      const size_t from = at + (i + 1) * sizeof(STRUCT_FILE_BC_ENTRY);
      const size_t size = GetBlockSize(correction);
      std::memmove(bytes + from - sizeof(STRUCT_FILE_BC_ENTRY), bytes + from, size - from);
      std::memset(bytes + size - sizeof(STRUCT_FILE_BC_ENTRY), 0, sizeof(STRUCT_FILE_BC_ENTRY));
      const uint16_t count = static_cast<uint16_t>(g.entries.size() - 1);
      std::memcpy(bytes + at - sizeof(STRUCT_FILE_BC_GROUP) + offsetof(STRUCT_FILE_BC_GROUP, entryCount), &count, 2);
      return 1;
    }
    at += g.entries.size() * sizeof(STRUCT_FILE_BC_ENTRY);
  }
  return 0;
}

JESSUL_API int32_t CountBackCorrRanges(const STRUCT_FILE_BC* correction) {
  Record r;
  if (!Parse(correction, r)) return 0;
  int32_t n = 0;
  for (const Group& g : r.groups) n += static_cast<int32_t>(g.entries.size());
  return n;
}

JESSUL_API int32_t GetBackCorrRange(const STRUCT_FILE_BC* correction, int32_t index, STRUCT_FILE_BC_ENTRY* out) {
  Record r;
  if (!out || index < 0 || !Parse(correction, r)) return 0;
  for (const Group& g : r.groups) {
    if (static_cast<size_t>(index) < g.entries.size()) {
      *out = g.entries[static_cast<size_t>(index)];
      return 1;
    }
    index -= static_cast<int32_t>(g.entries.size());
  }
  return 0;
}

JESSUL_API int32_t SetBackCorrRangeCounts(STRUCT_FILE_BC* correction, uint32_t firstScan, uint16_t listedCount,
                                          uint16_t ignoredCount) {
  Record r;
  if (!Parse(correction, r)) return 0;
  auto* bytes = reinterpret_cast<uint8_t*>(correction);
  size_t at = sizeof(STRUCT_FILE_BC);
  for (const Group& g : r.groups) {
    at += sizeof(STRUCT_FILE_BC_GROUP);
    for (size_t i = 0; i < g.entries.size(); ++i) {
      if (g.entries[i].firstScan != firstScan) continue;
      uint8_t* e = bytes + at + i * sizeof(STRUCT_FILE_BC_ENTRY);
      std::memcpy(e + offsetof(STRUCT_FILE_BC_ENTRY, scanCountListed), &listedCount, 2);
      std::memcpy(e + offsetof(STRUCT_FILE_BC_ENTRY, scanCountIgnored), &ignoredCount, 2);
      return 1;
    }
    at += g.entries.size() * sizeof(STRUCT_FILE_BC_ENTRY);
  }
  return 0;
}

JESSUL_API STRUCT_FILE_BC* NewFileBC(const void* workFile) { return NewBackCorr(workFile); }

JESSUL_API STRUCT_FILE_BC* AddBCRange(STRUCT_FILE_BC* correction, uint32_t firstScan, double fromTime,
                                      uint32_t endScan, double toTime) {
  return AddBackCorrRange(correction, firstScan, fromTime, endScan, toTime);
}

JESSUL_API int32_t DeleteBCRange(STRUCT_FILE_BC* correction, uint32_t firstScan) {
  return DeleteBackCorrRange(correction, firstScan);
}

JESSUL_API void FreeBackCorr(STRUCT_FILE_BC* correction) {
  if (correction) FreeBlock(correction);
}
