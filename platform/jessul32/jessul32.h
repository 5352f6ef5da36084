#pragma once
// The background-correction library: background-correction records of a
// data file (per segment, the scan ranges that serve as background
// spectra), made, changed and freed here.
#include <cstddef>
#include <cstdint>

#define JESSUL_API extern "C" __attribute__((visibility("default")))

#pragma pack(push, 1)
// One background range: the scans first..endScan-1 averaged into one
// background spectrum, centred at time.
struct STRUCT_FILE_BC_ENTRY {
  uint32_t firstScan;         // 0
  uint32_t endScan;           // 4: one past the last scan
  double time;                // 8: minutes
  double endTime;             // 16: end of the range, minutes
  uint16_t scanCountListed;   // 24: scans averaged for merged or listed channels
  uint16_t scanCountIgnored;  // 26: scans averaged for ignored-channel lists
};

// Head of the group of one segment, followed by entryCount entries.
struct STRUCT_FILE_BC_GROUP {
  uint32_t firstScan;         // 0: the segment's scans
  uint32_t endScan;           // 4: one past its last scan
  double startTime;           // 8
  double endTime;             // 16
  uint16_t segment;           // 24: 1-based
  uint16_t entryCount;        // 26
};

// The record: a 42-byte head, then one group per segment in segment order.
// One block of the shared allocator, so GetBlockSize gives its length.
struct STRUCT_FILE_BC {
  uint16_t format;            // 0: BACKCORR_FORMAT
  int16_t extendedBackground; // 2
  uint32_t firstScan;         // 4: the file's scan range
  uint32_t lastScan;          // 8
  uint16_t fileType;          // 12
  uint16_t module;            // 14
  uint8_t reserved16[24];     // 16
  uint16_t groupCount;        // 40
};
#pragma pack(pop)

#define BACKCORR_FORMAT 1

static_assert(sizeof(STRUCT_FILE_BC_ENTRY) == 28);
static_assert(offsetof(STRUCT_FILE_BC_ENTRY, time) == 8);
static_assert(offsetof(STRUCT_FILE_BC_ENTRY, scanCountListed) == 24);
static_assert(offsetof(STRUCT_FILE_BC_ENTRY, scanCountIgnored) == 26);
static_assert(sizeof(STRUCT_FILE_BC_GROUP) == 28);
static_assert(offsetof(STRUCT_FILE_BC_GROUP, entryCount) == 26);
static_assert(sizeof(STRUCT_FILE_BC) == 42);
static_assert(offsetof(STRUCT_FILE_BC, extendedBackground) == 2);
static_assert(offsetof(STRUCT_FILE_BC, groupCount) == 40);

// New empty correction of a data file: one group per segment of its MS
// data. workFile is a path or any record whose first field is the path.
JESSUL_API STRUCT_FILE_BC* NewBackCorr(const void* workFile);
// Adds the range first..endScan-1 (centred at fromTime, ending at toTime)
// to the group of the segment holding firstScan; a range with the same
// first scan is replaced. Returns the record (it may have moved), or 0 with
// the old record left valid.
JESSUL_API STRUCT_FILE_BC* AddBackCorrRange(STRUCT_FILE_BC* correction, uint32_t firstScan, double fromTime,
                                            uint32_t endScan, double toTime);
// Removes the range that begins at firstScan; nonzero when one was removed.
JESSUL_API int32_t DeleteBackCorrRange(STRUCT_FILE_BC* correction, uint32_t firstScan);
// Number of ranges of all groups.
JESSUL_API int32_t CountBackCorrRanges(const STRUCT_FILE_BC* correction);
// Range i over all groups in order into out; 0 when there is none.
JESSUL_API int32_t GetBackCorrRange(const STRUCT_FILE_BC* correction, int32_t index, STRUCT_FILE_BC_ENTRY* out);
// Accepts 0.
JESSUL_API void FreeBackCorr(STRUCT_FILE_BC* correction);
