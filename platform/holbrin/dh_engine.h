#pragma once
// The data-handling engine and the calibration fit of this library.
//
//  - Calibration fit (calibration_fit.cpp): weighted least-squares curves
//    through a compound's calibration levels, left in the four coefficients
//    at offset 56 of the compound record.
//  - Integration (integration_engine.cpp): RunDataHandling reads a method's
//    "GlobalParams", "PeakTable" and "TimeEvents" tables, integrates the
//    traces the method asks for in the working file's "MSData" and writes
//    the results the callers read back.
#include "holbrin.h"

#pragma pack(push, 1)
// A block of scale factors as the quantitation options and run records hold it.
struct DH_FACTOR_BLOCK {
  uint16_t count;     // factors in use: 4
  float factors[4];
};
#pragma pack(pop)
static_assert(sizeof(DH_FACTOR_BLOCK) == 18);

// ---- Calibration fit -----------------------------------------------------------
// Curve kinds.
#define DH_CURVE_LINEAR 0
#define DH_CURVE_QUADRATIC 1
#define DH_CURVE_AVERAGE_RF 2   // mean response factor (response / amount)
#define DH_CURVE_CUBIC 3
// Handling of the origin.
#define DH_ORIGIN_IGNORE 0      // an intercept is fitted
#define DH_ORIGIN_FORCE 1       // the curve passes through (0, 0)
#define DH_ORIGIN_INCLUDE 2     // (0, 0) takes part as one more point
// Weighting of the points.
#define DH_WEIGHT_NONE 0
#define DH_WEIGHT_INVERSE_X 1   // 1 / amount
#define DH_WEIGHT_INVERSE_X2 2  // 1 / amount squared

// Fits response = c0 + c1 x + c2 x^2 + c3 x^3 (x the amount) to count
// points and writes c0..c3 (unused terms 0). Solved by Householder QR on the
// weighted design matrix, so exact data come back to rounding. 0 (and
// coefficients untouched) for an unknown setting, non-finite values, fewer
// points than terms, or points that do not fix the curve.
HOLBRIN_API BOOL FitCalibrationCurve(const double* amounts, const double* responses, int32_t count,
                                     int16_t curve, int16_t origin, int16_t weighting,
                                     double coefficients[4]);
// The fit of one compound: the points are the replicate responses of its
// calibration levels (levels with a positive replicate count). Responses
// are stored relative to the internal standard already, so the standard's
// record (0 outside internal-standard calculation) is not read. workValues (100
// doubles, may be 0) masks points: slot 10 x level + replicate holding
// exactly 0.0 leaves that point out; on success each used slot receives the
// curve's response at the point's amount. Fills coefficients[0..3] and the
// amount range (calibrationValues) of the record; 0 and the record
// untouched when the fit fails.
HOLBRIN_API BOOL FitCalibration(STRUCT_DH_COMPOUND* compound, const STRUCT_DH_COMPOUND* standard,
                                int16_t curve, int16_t origin, int16_t weighting, double* workValues);
// Defaults of the 400-byte quantitation block (those of InitGlobalParams).
HOLBRIN_API BOOL InitDHQuantBlock(DH_QUANT_BLOCK* block);
// Four factors of 1.0.
HOLBRIN_API BOOL InitDHFactorBlock(DH_FACTOR_BLOCK* block);
