#pragma once
// Noise of a chromatogram trace: RMS (about the mean or about a least-squares
// line) and peak-to-peak over a time range, and the RMS noise and baseline
// around a retention time for display and for the quantitation engine.
// Times are minutes; noise is in the trace's value units.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "win/win_types.h"

#pragma pack(push, 1)
// Result of the display forms; the caller owns it, the callee zeroes it.
struct STRUCT_RMS_NOISE {
  double peakTime;  // the trace point nearest to the asked time
  double peakValue;
  double leftNoise;    // smallest window RMS left of the peak
  int32_t leftWindow;  // first point of that window, -1 none
  double leftSlope;    // fitted line of that window (fit mode)
  double leftIntercept;
  double rightNoise;
  int32_t rightWindow;
  double rightSlope;
  double rightIntercept;
  int16_t noiseFound;
  double noise;
  uint16_t baselineFound;
  double baseline;  // baseline level at the peak time
  int16_t leftBoxFound;
  double leftBoxFirstTime;
  double leftBoxLastTime;
  double leftBoxMinimum;
  double leftBoxMaximum;
  double leftBoxMiddleTime;
  double leftBoxMiddleValue;
  int16_t rightBoxFound;
  double rightBoxFirstTime;
  double rightBoxLastTime;
  double rightBoxMinimum;
  double rightBoxMaximum;
  double rightBoxMiddleTime;
  double rightBoxMiddleValue;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_RMS_NOISE) == 192);
static_assert(offsetof(STRUCT_RMS_NOISE, noiseFound) == 72);
static_assert(offsetof(STRUCT_RMS_NOISE, leftBoxFound) == 92);
static_assert(offsetof(STRUCT_RMS_NOISE, rightBoxFound) == 142);

// ---- Range forms ------------------------------------------------------------------
// Over the points with from <= time <= to; fewer than 2 points fail and still
// report the count. fit: about a least-squares line instead of the mean.
KELT_API BOOL KELT_CalRMSNoise(uint32_t unused, double fromTime, double toTime, const STRUCT_NE_DATA_POINTS* trace,
                               uint16_t filtered, int16_t fit, double* rms, uint32_t* pointCount, double* firstTime,
                               double* lastTime);
KELT_API BOOL KELT_CalPPNoise(uint32_t unused, double fromTime, double toTime, const STRUCT_NE_DATA_POINTS* trace,
                              uint16_t filtered, int16_t fit, double* pp, uint32_t* pointCount, double* firstTime,
                              double* lastTime);
// Least-squares line value = slope * time + intercept over count points from
// index first. Fails without points, or when the times do not spread.
KELT_API BOOL KELT_FindFitLine(const STRUCT_NE_DATA_POINTS* trace, int16_t filtered, uint32_t first, uint32_t count,
                               double* slope, double* intercept);

// ---- Around a time --------------------------------------------------------------------
// selection: the trace's mass list; nonMsOption: the detector channel of a
// trace that is not MS data. rangeMode 0 around the time, 1 its segment, 2
// the whole file. prefs may be null when filter is 0.
KELT_API BOOL KELT_CalRMSNoiseForDisplay(STRUCT_WORK_FILE* workFile, double time, uint16_t dataType,
                                         const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                         uint16_t nonMsOption, int16_t fit, int16_t rangeMode, uint16_t filter,
                                         const STRUCT_CHRO_PREFS* prefs, STRUCT_RMS_NOISE* result);
KELT_API BOOL KELT_OldWay_CalRMSNoiseForDisplay(STRUCT_WORK_FILE* workFile, double time, uint16_t dataType,
                                                const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                                uint16_t nonMsOption, int16_t fit, int16_t rangeMode, uint16_t filter,
                                                const STRUCT_CHRO_PREFS* prefs, STRUCT_RMS_NOISE* result);
// displayed: the plotted trace, reused when it holds enough points (never freed).
KELT_API BOOL KELT_NewCalRMSNoiseForDisplay(STRUCT_WORK_FILE* workFile, const STRUCT_NE_DATA_POINTS* displayed,
                                            double time, uint16_t dataType, const STRUCT_MASS_LIST* selection,
                                            const STRUCT_CHAN_LIST* chanList, uint16_t nonMsOption,
                                            const STRUCT_SCAN_FUN_ARRAY* array, int16_t fit, int16_t rangeMode,
                                            uint16_t filter, const STRUCT_CHRO_PREFS* prefs,
                                            const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                                            STRUCT_RMS_NOISE* result);

// ---- MS data files (segmented only) -------------------------------------------------
// filterParameters: the three filter words of the chromatogram preferences,
// or null. rangeMode 2 averages over segments (or segment groups).
KELT_API BOOL KELT_CalRMSNoiseForMSFile(STRUCT_WORK_FILE* workFile, double time, uint16_t dataType,
                                        const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                        int16_t fit, int16_t rangeMode, double* noise);
KELT_API BOOL KELT_Ex_CalRMSNoiseForMSFile(STRUCT_WORK_FILE* workFile, double time, uint16_t dataType,
                                           const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList,
                                           int16_t fit, int16_t rangeMode, uint16_t filter,
                                           const void* filterParameters, double* noise);
KELT_API BOOL KELT_NewCalRMSNoiseForMSFile(STRUCT_WORK_FILE* workFile, const STRUCT_NE_DATA_POINTS* displayed,
                                           double time, uint16_t dataType, const STRUCT_MASS_LIST* selection,
                                           const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_ARRAY* array,
                                           int16_t fit, int16_t rangeMode, uint16_t filter,
                                           const void* filterParameters, const STRUCT_SCAN_FUN_INFO* info,
                                           int16_t infoCount, double* noise);

// ---- Shared with the peak-to-peak forms ------------------------------------------
namespace kelt::noise {

// Exports never throw: any exception becomes a failure.
template <typename F>
BOOL Guarded(F f) {
  try {
    return f() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

// Segmented, with at least one segment.
bool Segmented(const STRUCT_WORK_FILE* wf);
// Scans of an MS file, points of any other.
uint32_t FilePointCount(const STRUCT_WORK_FILE* wf);
// Time of a scan number that may lie outside 32 bits (then it fails).
bool TimeOfScan(STRUCT_WORK_FILE* wf, uint64_t scan, double* t);

// One point block of a trace.
struct Points {
  const STRUCT_NE_POINT_BLOCK* block = nullptr;
  uint32_t count = 0;
  double Time(uint32_t i) const { return NePointAt(block, i)->time; }
  double Value(uint32_t i) const { return NePointValue(block, i); }
  bool Integer() const { return block->isDouble != 1; }
  explicit operator bool() const { return block && count; }
};
// The filtered block when asked for and present, else the raw block.
Points PickPoints(const STRUCT_NE_DATA_POINTS* trace, bool filtered);

// Owns a trace read for a measurement.
struct TraceHolder {
  STRUCT_NE_DATA_POINTS* trace = nullptr;
  TraceHolder() = default;
  TraceHolder(const TraceHolder&) = delete;
  TraceHolder& operator=(const TraceHolder&) = delete;
  ~TraceHolder() { FreeDataPointsStruct(trace); }
};

// The scan geometry of the segment that holds a time.
struct ScanGrid {
  int segment = -1;
  uint32_t timeScan = 0;  // the scan nearest to the time
  uint32_t scan = 0;      // that scan moved onto the grid
  uint32_t first = 0;     // the segment's first scan
  uint32_t last = 0;      // its last scan on the grid
  uint32_t step = 1;      // 1 when every scan counts
  bool everyScan = false;
  double rate = 0;  // scans per second
};
bool EveryScan(const STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_ARRAY* array);
// By the segment's times (bySegmentTime) or by the scan numbers of the time's
// scan (looked up unless knownScan gives it). Fails for a time in no segment,
// and (setting unusable) in an unusable one.
bool FindScanGrid(STRUCT_WORK_FILE* wf, double time, const STRUCT_CHAN_LIST* chanList,
                  const STRUCT_SCAN_FUN_ARRAY* array, bool bySegmentTime, ScanGrid* grid, bool* unusable = nullptr,
                  const uint32_t* knownScan = nullptr);
// truncate(width * rate + 0.5) when the rate is above one scan a second.
int32_t RateScaled(int32_t width, double rate);

// Ends of a walk of at most `steps` grid steps each way from the grid scan.
struct ScanWalk {
  uint32_t left = 0, right = 0;
  int leftSegment = -1, rightSegment = -1;
};
ScanWalk WalkScans(const STRUCT_WORK_FILE* wf, const ScanGrid& g, int32_t steps, bool leftMayCross,
                   const STRUCT_SCAN_FUN_ARRAY* array, const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                   const STRUCT_CHAN_LIST* chanList);
// Whether the walk of `steps` lacks room on a side that has a further segment.
bool CrossesSegments(const STRUCT_WORK_FILE* wf, const ScanGrid& g, int32_t steps);

// The displayed trace serves when it covers [t1, t2] or holds `width`
// points on each side of the time within it.
bool DisplayedServes(const STRUCT_NE_DATA_POINTS* displayed, double t1, double t2, double time, int32_t width);

// Preferences for the MS-file forms: the current defaults with the caller's
// filter words; the filter is off when none are given.
void PrefsCopy(uint16_t filter, const void* filterParameters, STRUCT_CHRO_PREFS* prefs, uint16_t* effectiveFilter);

// One measurement of the newer MS-file forms at a time, with the scan-function
// data, preferences and filter flag to use; gives the noise. timeScan, when
// given, is the scan nearest to the time, already looked up.
using MeasureAt = std::function<bool(
    double time, int16_t rangeMode, const STRUCT_SCAN_FUN_ARRAY* array, const STRUCT_SCAN_FUN_INFO* info,
    uint16_t infoCount, const STRUCT_CHRO_PREFS* prefs, uint16_t filter, const uint32_t* timeScan, double* noise)>;
// The newer RMS display form; timeScan as above (may be null).
bool NewRMSForDisplay(STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* displayed, double time, uint16_t dataType,
                      const STRUCT_MASS_LIST* selection, const STRUCT_CHAN_LIST* chanList, uint16_t nonMsOption,
                      const STRUCT_SCAN_FUN_ARRAY* array, int16_t fit, int16_t rangeMode, uint16_t filter,
                      const STRUCT_CHRO_PREFS* prefs, const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                      const uint32_t* timeScan, STRUCT_RMS_NOISE* result);
// The newer MS-file forms around a measurement: scan-function data made when
// the range crosses segments or the list needs it, and in range mode 2 the
// mean over groups of consecutive usable segments.
bool NewMSFileNoise(STRUCT_WORK_FILE* wf, double time, const STRUCT_CHAN_LIST* chanList,
                    const STRUCT_SCAN_FUN_ARRAY* array, int16_t rangeMode, uint16_t filter,
                    const void* filterParameters, const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                    const MeasureAt& measure, double* noise);

}  // namespace kelt::noise
