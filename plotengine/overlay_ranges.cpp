// Vertical ranges of the display modes (autoscale), the scale factor of a
// slot, and values of a trace at a time.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/value_scale.h"
#include "holbrin/holbrin.h"
#include "plotengine/overlay.h"
#include "plotengine/overlay_internal.h"
#include "plotengine/plot_layout.h"

namespace {

using namespace kelt::plot;

// Least margin above and below a range: ion counts of MS data are whole
// numbers, detector values may be tiny.
double MarginFloor(const STRUCT_WORK_FILE* wf) { return IsMSKind(wf) ? 2.5 : 5e-8; }

void WithMargin(double low, double high, double floor, double* outLow, double* outHigh) {
  double margin = (high - low) / 20.0;
  if (margin < floor) margin = floor;
  if (outLow) *outLow = low - margin;
  if (outHigh) *outHigh = high + margin;
}

bool Listed(const SVW_OVERLAY* o, int slot) {
  return o->tail.inView[slot] && o->head.shown[slot];
}

// Units of two slots are one kind when their texts are equal, letter case
// included; every mode-3 decision uses this one rule.
bool SameUnits(const SVW_OVERLAY* o, int a, int b) {
  return strncmp(o->slots[a].units, o->slots[b].units, OVERLAY_UNITS_SIZE) == 0;
}

// Whether a slot is drawn against the right scale of mode 3.
bool OnRightScale(const SVW_OVERLAY* o, int slot) {
  const int left = o->tail.scales.leftAxisPlot;
  return OverlaySlotIndex(left) && !SameUnits(o, slot, left);
}

const STRUCT_NE_POINT_BLOCK* ValueBlock(const STRUCT_NE_DATA_POINTS* dp, bool processed, uint32_t* count) {
  if (processed && dp->filtered && dp->filteredCount > 0) {
    *count = dp->filteredCount;
    return dp->filtered;
  }
  *count = dp->pointCount;
  return dp->points;
}

// The shown index range, kept inside the trace.
int32_t ShownFirst(const SVW_OVERLAY* o, int slot) {
  const int32_t first = o->tail.firstShownIndex[slot];
  return first > 0 ? first : 0;
}
int32_t ShownLast(const SVW_OVERLAY* o, int slot, const STRUCT_NE_DATA_POINTS* dp) {
  const int32_t last = o->tail.lastShownIndex[slot], top = static_cast<int32_t>(dp->pointCount) - 1;
  return last < top ? last : top;
}

}  // namespace

KELT_API void OPLOT_AutoScaleSepVert(const SVW_OVERLAY* o, int16_t slot, double* low, double* high) {
  if (!o || !OverlaySlotIndex(slot)) return;
  const double off = VerticalOffset(o, slot);
  WithMargin(o->tail.minInView[slot] + off, o->tail.maxInView[slot] + off, MarginFloor(o->slots[slot].workFile), low,
             high);
}

KELT_API void OPLOT_AutoScaleOneVert(const SVW_OVERLAY* o, double* low, double* high) {
  if (!o) return;
  bool any = false;
  double lo = 0, hi = 0, floor = 2.5;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!Listed(o, i)) continue;
    const double off = VerticalOffset(o, i);
    const double mn = o->tail.minInView[i] + off, mx = o->tail.maxInView[i] + off;
    if (!any) {
      floor = MarginFloor(o->slots[i].workFile);
      lo = mn;
      hi = mx;
      any = true;
    } else {
      if (mn < lo) lo = mn;
      if (mx > hi) hi = mx;
    }
  }
  if (!any) {
    lo = 0.0;
    hi = 5.0;
    floor = 2.5;
  }
  WithMargin(lo, hi, floor, low, high);
}

KELT_API void OPLOT_AutoScaleOneOfTwoVerts(const SVW_OVERLAY* o, int16_t slot, double* low, double* high) {
  if (!o || !OverlaySlotIndex(slot)) return;
  double off = VerticalOffset(o, slot);
  double lo = o->tail.minInView[slot] + off, hi = o->tail.maxInView[slot] + off;
  for (int i = slot + 1; i < OVERLAY_SLOTS; ++i) {
    if (!Listed(o, i) || !SameUnits(o, i, slot)) continue;
    off = VerticalOffset(o, i);
    if (o->tail.minInView[i] + off < lo) lo = o->tail.minInView[i] + off;
    if (o->tail.maxInView[i] + off > hi) hi = o->tail.maxInView[i] + off;
  }
  WithMargin(lo, hi, MarginFloor(o->slots[slot].workFile), low, high);
}

KELT_API void OPLOT_SetVerticalFullScale(SVW_OVERLAY* o, int16_t left, int16_t right) {
  if (!o) return;
  OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
  // The record is packed: ranges are worked out in locals, then stored.
  double lo = 0, hi = 0;
  const int mode = o->head.displayMode;
  if (mode == OVERLAY_MODE_STACKED || mode == OVERLAY_MODE_NORMALISED) {
    for (int16_t i = 0; i < OVERLAY_SLOTS; ++i) {
      if (!Listed(o, i)) continue;
      OPLOT_AutoScaleSepVert(o, i, &lo, &hi);
      sc.plotLow[i] = lo;
      sc.plotHigh[i] = hi;
    }
    if (mode == OVERLAY_MODE_NORMALISED) {
      sc.commonLow = -5.0;
      sc.commonHigh = 105.0;
    }
  } else if (mode == OVERLAY_MODE_OVERLAID) {
    OPLOT_AutoScaleOneVert(o, &lo, &hi);
    sc.commonLow = lo;
    sc.commonHigh = hi;
  } else if (mode == OVERLAY_MODE_TWO_SCALES) {
    if (left && OverlaySlotIndex(sc.leftAxisPlot)) {
      OPLOT_AutoScaleOneOfTwoVerts(o, sc.leftAxisPlot, &lo, &hi);
      sc.commonLow = lo;
      sc.commonHigh = hi;
    }
    if (right && OverlaySlotIndex(sc.rightAxisPlot)) {
      OPLOT_AutoScaleOneOfTwoVerts(o, sc.rightAxisPlot, &lo, &hi);
      sc.rightLow = lo;
      sc.rightHigh = hi;
    }
  }
}

KELT_API int32_t OPLOT_GetMinAndMaxForNorm(const SVW_OVERLAY* o, int16_t slot, int16_t useProcessed, double* low,
                                           double* high) {
  if (low) *low = 0.0;
  if (high) *high = 0.0;
  if (!o || !OverlaySlotIndex(slot)) return 0;
  const OVERLAY_SLOT& s = o->slots[slot];
  if (!s.workFile || !TraceHasPoints(s.trace)) return 0;
  uint32_t n = 0;
  const STRUCT_NE_POINT_BLOCK* block = ValueBlock(s.trace, useProcessed != 0, &n);
  const double ws = o->tail.viewStart, we = o->tail.viewEnd;
  bool any = false;
  double lo = 0, hi = 0;
  for (uint32_t k = 0; k < n; ++k) {
    const double t = NePointAt(block, k)->time;
    if (t > we) break;
    if (t < ws) continue;
    const double v = NePointValue(block, k);
    if (!any || v < lo) lo = v;
    if (!any || v > hi) hi = v;
    any = true;
  }
  // No point in the window gives no range to normalise to.
  if (!any) return 0;
  const double off = VerticalOffset(o, slot);
  WithMargin(lo + off, hi + off, MarginFloor(s.workFile), low, high);
  return 1;
}

KELT_API int32_t OPLOT_GetVerticalScaleValues(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sizes, int16_t slot,
                                              int16_t useProcessed, double* low, double* high) {
  double lo = 0, hi = 0;
  int32_t ok = 0;
  if (o && sizes && OverlaySlotIndex(slot) && sizes->plotInView[slot]) {
    const OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
    ok = 1;
    switch (o->head.displayMode) {
      case OVERLAY_MODE_STACKED:
        lo = sc.plotLow[slot];
        hi = sc.plotHigh[slot];
        break;
      case OVERLAY_MODE_OVERLAID:
        lo = sc.commonLow;
        hi = sc.commonHigh;
        break;
      case OVERLAY_MODE_TWO_SCALES:
        lo = OnRightScale(o, slot) ? sc.rightLow : sc.commonLow;
        hi = OnRightScale(o, slot) ? sc.rightHigh : sc.commonHigh;
        break;
      case OVERLAY_MODE_NORMALISED: {
        double mn = 0, mx = 0;
        OPLOT_GetMinAndMaxForNorm(o, slot, useProcessed, &mn, &mx);
        const double unit = (mx - mn) / 110.0;
        lo = (sc.commonLow + 5.0) * unit + mn;
        hi = (sc.commonHigh + 5.0) * unit + mn;
        break;
      }
      default:
        ok = 0;
        break;
    }
  }
  if (low) *low = lo;
  if (high) *high = hi;
  return ok;
}

KELT_API int32_t OPLOT_GetYMult(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sizes, int16_t slot, double* factor) {
  double f = 0.0;
  if (o && sizes && OverlaySlotIndex(slot)) {
    switch (o->head.displayMode) {
      case OVERLAY_MODE_OVERLAID:
        f = sizes->yFactor;
        break;
      case OVERLAY_MODE_TWO_SCALES:
        f = OnRightScale(o, slot) ? sizes->secondYFactor : sizes->yFactor;
        break;
      default:
        f = sizes->plotYFactors[slot];
        break;
    }
  }
  if (factor) *factor = f;
  return o && sizes && OverlaySlotIndex(slot) ? 1 : 0;
}

KELT_API int32_t OPLOT_GetPlotDataAndTimeFromGroupStart(const SVW_OVERLAY* o, int16_t slot, double time,
                                                        double* pointTime, double* value) {
  if (!OverlaySlotPresent(o, slot)) return 0;
  const STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
  if (!TraceHasPoints(dp)) return 0;
  const int32_t first = ShownFirst(o, slot), last = ShownLast(o, slot, dp);
  for (int32_t k = first; k <= last; ++k) {
    const double t = NePointAt(dp->points, static_cast<uint32_t>(k))->time;
    if (t < time) continue;
    int32_t at = k;
    if (k > first && time - NePointAt(dp->points, static_cast<uint32_t>(k - 1))->time < 0.0001) at = k - 1;
    if (pointTime) *pointTime = NePointAt(dp->points, static_cast<uint32_t>(at))->time;
    if (value) *value = NePointValue(dp->points, static_cast<uint32_t>(at));
    return 1;
  }
  return 0;
}

KELT_API int32_t OPLOT_GetInterpolatedValueFromTime(const SVW_OVERLAY* o, int16_t slot, double time,
                                                    double* timeOut, double* value) {
  if (!OverlaySlotPresent(o, slot)) return 0;
  const OVERLAY_SLOT& s = o->slots[slot];
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!TraceHasPoints(dp) || !s.workFile) return 0;
  const double factor = WorkFileValueFactor(s.workFile);
  const STRUCT_NE_POINT_BLOCK* b = dp->points;
  const int32_t first = ShownFirst(o, slot), last = ShownLast(o, slot, dp);
  for (int32_t k = first; k <= last; ++k) {
    const uint32_t uk = static_cast<uint32_t>(k);
    const double t = NePointAt(b, uk)->time;
    const bool same = std::fabs(t - time) < kTimeEpsilon;
    if (t < time && !same) continue;
    if (same || k == last || (k == first && time < t)) {
      if (timeOut) *timeOut = t;
      if (value) *value = NePointValue(b, uk) * factor;
      return 1;
    }
    const double t0 = NePointAt(b, uk - 1)->time;
    const double v0 = NePointValue(b, uk - 1) * factor, v1 = NePointValue(b, uk) * factor;
    if (timeOut) *timeOut = time;
    if (value) *value = t == t0 ? v1 : v0 + (v1 - v0) * (time - t0) / (t - t0);
    return 1;
  }
  return 0;
}
