#pragma once
// Smoothing of a point-fed plot's raw points into its filtered trace, and
// the apex time of a five-point least-squares parabola. Both work on point
// blocks (a 12-byte head, then 20-byte points: time f64 at 0, value f64 at
// 12); neither touches a block's head.
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"

// Kernel kinds of SmoothPlotPoints.
#define SMOOTH_KERNEL_GAUSSIAN 1

// Resamples the n source points onto an even grid of max(n, 15) times,
// smooths the grid with a normalised Gaussian of half-width
// w = max(1, width * grid / 32) grid steps (edge windows renormalised over
// the part of the kernel on the grid) and writes, for every source point,
// its own time and the smoothed value interpolated at that time into
// destination points 0 .. n - 1. Fewer than 5 points write nothing. The
// source times are expected to increase; repeated or falling times give
// finite values without reading outside the blocks.
KELT_API void SmoothPlotPoints(const STRUCT_NE_POINT_BLOCK* source, STRUCT_NE_POINT_BLOCK* destination,
                               uint32_t count, int32_t width, int32_t kernel);

// The time of the apex of y = a x^2 + b x + c fitted by least squares to
// five points; the arrays are centred in place. Points on a line or at one
// time give a result that is not finite.
KELT_API double FitParabolaApex5(double* times, double* values);

// qsort order of 20-byte points by their time: -1, 0 or 1.
KELT_API int ComparePointTimes(const void* a, const void* b);
