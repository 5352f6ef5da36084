#pragma once
// The arithmetic of the linearity report: the ions proposed from the apex
// spectrum, the points of a trace inside the time range, the straight
// baseline taken off them, and the X-Y plot's ranges, points and
// target-ratio lines in page units.
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/work_file.h"
#include "quorna/ms_lists.h"

namespace kelt::linearity {

// Masses proposed when the apex spectrum gives none.
constexpr double kDefaultVerticalIon = 122.0;
constexpr double kDefaultHorizontalIon = 124.0;
constexpr double kIonWindow = 0.5;

struct Proposal {
  double vertical = kDefaultVerticalIon;
  double horizontal = kDefaultHorizontalIon;
  int16_t found = 0;
};

// The index of the greatest value among the points with start <= time <=
// end (the first of equal values); false when no point lies there.
KELT_CLASS bool FindApex(const STRUCT_NE_POINT_BLOCK* block, uint32_t count, double start, double end,
                         uint32_t* apex);

// The two most intense masses of the averaged spectrum at the time (found
// when the spectrum holds more than one mass); the defaults otherwise.
KELT_CLASS Proposal ProposeIons(STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* chanList, double time);

// One ion from the mass to the same mass with the report's window.
KELT_CLASS STRUCT_MASS_LIST OneIonList(double mass);

// The first point with start <= time <= end and how many follow it inside
// the range; false (both 0) when there is none.
KELT_CLASS bool PointsInRange(const STRUCT_NE_POINT_BLOCK* block, uint32_t count, double start, double end,
                              uint32_t* first, uint32_t* inRange);

// Takes off each of the n points from first the straight line through the
// first and the n-th of them, at the point's time. Whole-number points
// lose the line's value truncated to a whole number.
KELT_CLASS void SubtractStraightBaseline(STRUCT_NE_POINT_BLOCK* block, uint32_t first, uint32_t n);

// An axis over the values with a twentieth of their spread above and
// below (an eighth with target ratios), at least 2.5 counts for MS data
// and 5e-8 otherwise. Also gives the least and greatest value.
KELT_CLASS void AxisRange(const double* values, uint32_t n, bool targetRatios, bool msData, double* low,
                          double* high, double* least, double* greatest);

// The plot box in page units (y grows downwards: bottom > top).
struct Box {
  int32_t left, top, right, bottom;
};
struct Ranges {
  double hLow, hHigh, vLow, vHigh;
};

// Where a (horizontal, vertical) value pair lands in the box.
KELT_CLASS void MapPoint(const Box& box, const Ranges& r, double h, double v, int32_t* x, int32_t* y);

// The line v = ratio x h from hLeast to hGreatest, cut to the box's
// ranges; false when none of it lies inside.
KELT_CLASS bool TargetLine(const Box& box, const Ranges& r, double hLeast, double hGreatest, double ratio,
                           int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2);

}  // namespace kelt::linearity
