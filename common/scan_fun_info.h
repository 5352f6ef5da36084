#pragma once
// Scan-function information of a data file: one record per distinct scan
// function (or channel), with the segments it runs in and its names.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"

struct STRUCT_WORK_FILE;

#pragma pack(push, 1)
struct STRUCT_SCAN_FUN_INFO {
  char segmentList[51];  // 1-based segment numbers: "1,3,5", "1:%d" for channel entries
  uint16_t kind;         // 1: one numbered channel; other values: a channel-list kind
  uint16_t ownEntry;     // 1: stands for its own segment only; 0: belongs to every segment
  uint16_t segment;      // 0-based, meaningful when ownEntry is 1
  uint16_t channel;      // 0-based scan function within the segment
  uint16_t sharedName;   // an entry of an earlier segment has the same long name
  char shortName[101];
  char longName[301];    // identifies the scan function, compared ignoring case
};
#pragma pack(pop)

static_assert(sizeof(STRUCT_SCAN_FUN_INFO) == 463);
static_assert(offsetof(STRUCT_SCAN_FUN_INFO, kind) == 51);
static_assert(offsetof(STRUCT_SCAN_FUN_INFO, ownEntry) == 53);
static_assert(offsetof(STRUCT_SCAN_FUN_INFO, segment) == 55);
static_assert(offsetof(STRUCT_SCAN_FUN_INFO, channel) == 57);
static_assert(offsetof(STRUCT_SCAN_FUN_INFO, shortName) == 61);
static_assert(offsetof(STRUCT_SCAN_FUN_INFO, longName) == 162);

// Whether an information record belongs to a segment (0-based).
inline bool ScanFunInfoInSegment(const STRUCT_SCAN_FUN_INFO& r, int segment) {
  return r.ownEntry == 0 || r.segment == segment;
}

// The information records of a data file, an AllocBlock array, or 0.
KELT_API STRUCT_SCAN_FUN_INFO* PD_GetScanFunInfoForDataFile(const STRUCT_WORK_FILE* workFile, int16_t* count,
                                                            int16_t merge);
