#pragma once
// The data-points record: one chromatogram trace of a work file between
// two times (a header and a block of 20-byte points), and the lookups
// between retention time, point number and scan number.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/work_file.h"
#include "quorna/ms_lists.h"

// Data types of traces.
#define DATA_TYPE_TIC 0
#define DATA_TYPE_MASS_LIST 1
#define DATA_TYPE_BASE_PEAK_INTENSITY 2
#define DATA_TYPE_BASE_PEAK_ION 3
#define DATA_TYPE_EXTRA_COLUMN 4   // 4 + k: extra data column k
#define DATA_TYPE_DETECTOR 100
#define DATA_TYPE_SEGMENT_PLOT 300
#define DATA_TYPE_SCAN_FUN_PLOT 301

// Lookup modes.
#define LOOKUP_AT_OR_BEFORE (-1)
#define LOOKUP_NEAREST 0
#define LOOKUP_AT_OR_AFTER 1

#define NE_POINT_SIZE 20
#define NE_POINT_BLOCK_HEAD 12
// Points a detector point block is allocated for beyond its count (bytes).
#define NE_POINT_BLOCK_SLACK 32

#pragma pack(push, 1)

// Head of a point block; points follow from byte 12.
struct STRUCT_NE_POINT_BLOCK {
  uint32_t firstScan;   // absolute
  uint32_t lastScan;
  uint32_t isDouble;    // 1: values are f64; 0: 64-bit signed integers
};

struct STRUCT_NE_POINT {
  double time;          // minutes
  uint32_t flags;       // point flag word
  union {
    double d;
    int64_t i;
  } value;
};

struct STRUCT_NE_DATA_POINTS {
  STRUCT_WORK_FILE* workFile;     // not owned
  double startTime;
  double endTime;
  uint32_t firstPoint;            // counted from the file's first scan
  uint32_t lastPoint;
  uint32_t pointsInRange;
  int16_t dataType;
  double step;                    // raw points per stored point
  uint16_t detectorChannel;
  STRUCT_MASS_LIST massList;
  STRUCT_CHAN_LIST chanList;
  void* ownedBlock1;              // freed with FreeBlock
  void* ownedBlock2;              // freed with FreeBlock (segment plots keep their array here)
  int16_t wholeFile;              // covers the whole file, which is not live
  uint32_t pointCount;
  STRUCT_NE_POINT_BLOCK* points;  // pointCount points
  uint32_t filteredCount;
  STRUCT_NE_POINT_BLOCK* filtered;  // filtered copy, or 0
  uint32_t timeReversals;         // MS traces
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_NE_POINT_BLOCK) == NE_POINT_BLOCK_HEAD);
static_assert(sizeof(STRUCT_NE_POINT) == NE_POINT_SIZE);
static_assert(offsetof(STRUCT_NE_POINT, flags) == 8);
static_assert(offsetof(STRUCT_NE_POINT, value) == 12);

// Point i of a block (no bounds check).
inline STRUCT_NE_POINT* NePointAt(STRUCT_NE_POINT_BLOCK* block, uint32_t i) {
  return reinterpret_cast<STRUCT_NE_POINT*>(reinterpret_cast<uint8_t*>(block) + NE_POINT_BLOCK_HEAD +
                                            size_t{NE_POINT_SIZE} * i);
}
inline const STRUCT_NE_POINT* NePointAt(const STRUCT_NE_POINT_BLOCK* block, uint32_t i) {
  return NePointAt(const_cast<STRUCT_NE_POINT_BLOCK*>(block), i);
}
// Value of a point as f64, whatever its stored form.
inline double NePointValue(const STRUCT_NE_POINT_BLOCK* block, uint32_t i) {
  const STRUCT_NE_POINT* p = NePointAt(block, i);
  return block->isDouble == 1 ? p->value.d : static_cast<double>(p->value.i);
}

// Trace of a work file between two times, or 0. maxPoints bounds the points
// of a detector trace (thinned to it); MS traces keep every scan.
KELT_API STRUCT_NE_DATA_POINTS* MakeDataPointsStruct(STRUCT_WORK_FILE* workFile, double startTime, double endTime,
                                                     int32_t maxPoints, int16_t dataType, int16_t detectorChannel,
                                                     const STRUCT_CHAN_LIST* chanList,
                                                     const STRUCT_MASS_LIST* massList);
// Accepts 0.
KELT_API void FreeDataPointsStruct(STRUCT_NE_DATA_POINTS* points);
// MS trace by absolute scan range, or 0.
KELT_API STRUCT_NE_DATA_POINTS* KELT_ReadTraceFromMSData(STRUCT_WORK_FILE* workFile, uint32_t firstScan,
                                                         uint32_t lastScan, int16_t dataType,
                                                         const STRUCT_CHAN_LIST* chanList,
                                                         const STRUCT_MASS_LIST* massList);
// Point (from the file's first scan) at a time: mode -1 at or before, 0
// nearest, other at or after. 1 on success; outputs unusable on 0.
KELT_API int32_t GetPointFromATime(STRUCT_WORK_FILE* workFile, double time, uint32_t* point, double* pointTime,
                                   int16_t mode);
// As GetPointFromATime, giving the absolute scan (MS kinds only).
KELT_API int32_t KELT_GetScanFromATime(STRUCT_WORK_FILE* workFile, double time, uint32_t* scan, double* scanTime,
                                       int16_t mode);
KELT_API int32_t GetTimeOfPoint(STRUCT_WORK_FILE* workFile, uint32_t point, double* time);
// Time of an absolute scan (MS kinds only).
KELT_API int32_t KELT_GetTimeOfScan(STRUCT_WORK_FILE* workFile, uint32_t scan, double* time);
// Replaces the record's filtered copy; parameters is the plot's filter
// record (i16 at 2, u16 at 4, i16 at 6, i16 at 8, u16 at 10).
KELT_API int32_t FilterDataPointsStruct(STRUCT_NE_DATA_POINTS* points, const void* filterParameters);
