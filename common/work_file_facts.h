#pragma once
// The facts of a work file that the list, scan-function and segment-plot
// code reads, in one place, each safe on a null or header-only record.
#include <cstdint>

#include "quorna/quorna.h"

struct STRUCT_WORK_FILE;

namespace kelt::wff {

// MS data or raw MS file (centroid, profile or direct-header).
bool IsMsKind(const STRUCT_WORK_FILE* wf);
bool IsLive(const STRUCT_WORK_FILE* wf);
bool IsSectioned(const STRUCT_WORK_FILE* wf);
// Sectioned MS data (centroid or profile flag).
bool IsMsData(const STRUCT_WORK_FILE* wf);
bool IsType61(const STRUCT_WORK_FILE* wf);
const char* Path(const STRUCT_WORK_FILE* wf);
uint16_t FileType(const STRUCT_WORK_FILE* wf);
uint16_t Module(const STRUCT_WORK_FILE* wf);
const MS_INFO_BLOCK* Info(const STRUCT_WORK_FILE* wf);
// Segment blocks read into the record (0 when only the header was read).
int SegmentCount(const STRUCT_WORK_FILE* wf);
// 0-based; null when the segment block is not there.
const MS_SEGMENT_BLOCK* Segment(const STRUCT_WORK_FILE* wf, int index);
// Scan functions of a segment, 0 when the segment is not there.
int FunctionCount(const STRUCT_WORK_FILE* wf, int segment);
// The largest scan-function count of any segment.
int MostScanFunctions(const STRUCT_WORK_FILE* wf);
bool HasDescriptions(const STRUCT_WORK_FILE* wf);
// From the file type descriptor.
int MassDecimals(const STRUCT_WORK_FILE* wf);
double LowestMass(const STRUCT_WORK_FILE* wf);
double HighestMass(const STRUCT_WORK_FILE* wf);
double StartTime(const STRUCT_WORK_FILE* wf);
double EndTime(const STRUCT_WORK_FILE* wf);

}  // namespace kelt::wff
