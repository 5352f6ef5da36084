#pragma once
// Detector traces: the "RawData" records of a detector file read through a
// small buffer, thinned to a number of points, and the point of a time in
// such a file.
#include <cstdint>

#include "common/data_points.h"

namespace kelt::detector {

// Trace of one channel between two times, thinned to maxPoints; 0 on failure.
STRUCT_NE_DATA_POINTS* ReadDetectorTrace(STRUCT_WORK_FILE* wf, double start, double end, int32_t maxPoints,
                                         int16_t channel);

// Point of a time in a detector file (mode -1 at or before, 0 nearest,
// other at or after); false on failure.
bool PointFromTime(const STRUCT_WORK_FILE* wf, double time, int16_t mode, uint32_t* point, double* pointTime);

}  // namespace kelt::detector
