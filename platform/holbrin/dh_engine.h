#pragma once
// Where the data-handling engine and the calibration fit join this library.
//
// The quantitation engine integrates a run and fits calibration curves
// through calls of this library. They are not built yet; this header fixes
// where they go so that callers and tests have one place to look.
//
//  - Integration: RunDataHandling(window, engine module, method file, data
//    file, global record, tag, ...) reads the method's "GlobalParams" and
//    "TimeEvents" tables of the module, integrates the chromatogram and
//    writes "PeakEvents", "Baselines", "Peaks" and "ErrorLog" into the data
//    file through the calls of holbrin.h; raw times in DHMinutesToRaw units.
//  - Calibration fit: FitCalibration(compound record, standard record,
//    work values, ...) fills the four coefficients at offset 56 of the
//    compound record from its calibration levels and returns nonzero on
//    success.
//
// Both will be declared here with HOLBRIN_API and implemented in files of
// their own (integration_engine.cpp, calibration_fit.cpp).
#include "holbrin.h"
