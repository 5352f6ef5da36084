#pragma once
// A correction as the chromatogram draws it: time ranges holding
// correction points, each point with the (time, value) samples it was
// made from.
//
// The correction record keeps scan ranges; this view turns them into times
// and total-ion values read from the data file: one range per segment group
// that holds background ranges (from the time of its first scan to the time
// of its last), one correction point per background range at the middle of
// its first and last scan's times. Its samples are the cycles of the
// segment's scan functions that the range touches, each whole: at the time
// of the cycle's first scan, valued at the total ion of all its scans added,
// as a total-ion trace has them. The point's value is the mean of its
// samples.
#include <cstddef>
#include <cstdint>

#include "jessul32/jessul32.h"

#pragma pack(push, 1)
struct STRUCT_BC_MARK_RANGE {
  double startTime;    // minutes
  double endTime;
  uint16_t pointCount; // points of this range, following those of the ranges before
};

struct STRUCT_BC_MARK_POINT {
  int16_t segment;       // 0-based segment of the data file
  double time;           // minutes
  double value;          // mean total ion
  uint32_t firstSample;  // index into the samples
  uint32_t sampleCount;
};

struct STRUCT_BC_MARK_SAMPLE {
  double time;
  double value;
};

// One block of the shared allocator: the head, then rangeCount ranges,
// pointCount points and sampleCount samples.
struct STRUCT_BC_MARKS {
  uint16_t rangeCount;
  uint32_t pointCount;
  uint32_t sampleCount;
};
#pragma pack(pop)

static_assert(sizeof(STRUCT_BC_MARK_RANGE) == 18);
static_assert(sizeof(STRUCT_BC_MARK_POINT) == 26);
static_assert(sizeof(STRUCT_BC_MARK_SAMPLE) == 16);
static_assert(sizeof(STRUCT_BC_MARKS) == 10);

// The ranges, points and samples of a marks block (read them with memcpy or
// through the packed structs; the block keeps no alignment).
inline const STRUCT_BC_MARK_RANGE* BcMarkRanges(const STRUCT_BC_MARKS* m) {
  return reinterpret_cast<const STRUCT_BC_MARK_RANGE*>(reinterpret_cast<const uint8_t*>(m) + sizeof *m);
}
inline const STRUCT_BC_MARK_POINT* BcMarkPoints(const STRUCT_BC_MARKS* m) {
  return reinterpret_cast<const STRUCT_BC_MARK_POINT*>(reinterpret_cast<const uint8_t*>(BcMarkRanges(m)) +
                                                       size_t{m->rangeCount} * sizeof(STRUCT_BC_MARK_RANGE));
}
inline const STRUCT_BC_MARK_SAMPLE* BcMarkSamples(const STRUCT_BC_MARKS* m) {
  return reinterpret_cast<const STRUCT_BC_MARK_SAMPLE*>(reinterpret_cast<const uint8_t*>(BcMarkPoints(m)) +
                                                        size_t{m->pointCount} * sizeof(STRUCT_BC_MARK_POINT));
}

// The marks of a correction of a data file (workFile: a path or a record
// whose first field is the path). 0 when the record is damaged, the file
// cannot be read or a scan of a range is missing. Free with FreeBackCorrMarks.
JESSUL_API STRUCT_BC_MARKS* GetBackCorrMarks(const STRUCT_FILE_BC* correction, const void* workFile);
// Accepts 0.
JESSUL_API void FreeBackCorrMarks(STRUCT_BC_MARKS* marks);
