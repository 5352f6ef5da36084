// Chromatogram rectangles, pixel conversions, clipping, apex searches and
// the marks drawn at single points of a trace.
#include "plotengine/plot_coordinates.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "plotengine/overlay_internal.h"

namespace kelt::plot {

int PrintPenWidth() {
  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);
  return report.chroReport.penWidth;
}

}  // namespace kelt::plot

namespace {

using namespace kelt::plot;

std::atomic<double> gApexSearchWidth{OPLOT_DEFAULT_APEX_SEARCH_WIDTH};

// A real coordinate as a DC integer: truncated toward zero, held inside 32 bits.
int32_t ToPixel(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483647.0) return -2147483647;
  return static_cast<int32_t>(std::trunc(v));
}

}  // namespace

KELT_API int32_t OPLOT_GetChromatogramArea(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t slot,
                                           int32_t* left, int32_t* bottom, int32_t* right, int32_t* top) {
  if (!o || !sz || !OverlaySlotIndex(slot) || !o->tail.inView[slot] || !o->tail.attached[slot]) return 0;
  const int32_t l = sz->params.left + sz->leftScaleWidth;
  int32_t t = sz->params.top, b;
  if (o->head.displayMode == OVERLAY_MODE_STACKED) {
    for (int i = 0; i < slot; ++i) t += sz->plotHeights[i];
    b = t + sz->plotHeights[slot];
  } else {
    b = t + sz->overlaidPlotHeight;
  }
  if (left) *left = l;
  if (right) *right = l + sz->plotWidth;
  if (top) *top = t;
  if (bottom) *bottom = b;
  return 1;
}

KELT_API int32_t OPLOT_GetWinChromatogramArea(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t slot,
                                              int32_t dx, int32_t dy, int32_t* left, int32_t* bottom, int32_t* right,
                                              int32_t* top) {
  int32_t l, b, r, t;
  if (!OPLOT_GetChromatogramArea(o, sz, slot, &l, &b, &r, &t)) return 0;
  if (left) *left = l + dx;
  if (bottom) *bottom = b + dy;
  if (right) *right = r + dx;
  if (top) *top = t + dy;
  return 1;
}

KELT_API int32_t OPLOT_GetXPixelFromTime(double time, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz,
                                         int16_t allowOutside, int32_t* x) {
  if (!o || !sz) return 0;
  const double vs = o->tail.viewStart, ve = o->tail.viewEnd;
  // An empty window has no x for any time.
  if (!(std::fabs(ve - vs) > 0.0)) return 0;
  if (!allowOutside && (time < vs || time > ve)) return 0;
  const double dx = std::trunc(sz->plotWidth * (time - vs) / (ve - vs));
  if (x) *x = ToPixel(sz->params.left + sz->leftScaleWidth + dx);
  return 1;
}

KELT_API int32_t OPLOT_GetYPixelFromValue(double value, int16_t slot, const SVW_OVERLAY* o,
                                          const STRUCT_OVER_SIZES* sz, int16_t allowOutside, int32_t* y) {
  if (!o || !sz || !OverlaySlotIndex(slot)) return 0;
  double low = 0, high = 0;
  if (!OPLOT_GetVerticalScaleValues(o, sz, slot, SizesUseProcessed(sz, slot), &low, &high)) return 0;
  int32_t bottom = 0;
  if (!OPLOT_GetChromatogramArea(o, sz, slot, nullptr, &bottom, nullptr, nullptr)) return 0;
  // A slot without a vertical range has no y for its values.
  if (!(std::fabs(high - low) > 0.0)) return 0;
  if (!allowOutside && (value < low || value > high)) return 0;
  const double height = o->head.displayMode == OVERLAY_MODE_STACKED ? sz->plotHeights[slot] : sz->overlaidPlotHeight;
  const double dy = std::trunc((value - low) * height / (high - low));
  if (y) *y = ToPixel(bottom - dy);
  return 1;
}

KELT_API int32_t KELT_Clipper(int32_t out[4], double x1, double y1, double x2, double y2, double xMin, double yMax,
                              double xMax, double yMin) {
  if (!out) return 0;
  for (double v : {x1, y1, x2, y2, xMin, yMax, xMax, yMin})
    if (std::isnan(v)) return 0;
  auto code = [&](double x, double y) {
    int c = 0;
    if (y < yMin) c |= 8;
    if (y > yMax) c |= 4;
    if (x > xMax) c |= 2;
    if (x < xMin) c |= 1;
    return c;
  };
  int c1 = code(x1, y1), c2 = code(x2, y2);
  bool swapped = false;
  // Each pass puts one end on an edge it crossed; four edges bound the passes.
  for (int pass = 0; pass < 8; ++pass) {
    if ((c1 | c2) == 0) {
      if (swapped) {
        std::swap(x1, x2);
        std::swap(y1, y2);
      }
      out[0] = ToPixel(x1);
      out[1] = ToPixel(y1);
      out[2] = ToPixel(x2);
      out[3] = ToPixel(y2);
      return 1;
    }
    if (c1 & c2) return 0;
    if (c1 == 0) {
      std::swap(x1, x2);
      std::swap(y1, y2);
      std::swap(c1, c2);
      swapped = !swapped;
    }
    if (c1 & 8) {
      x1 += (x2 - x1) * (y1 - yMin) / (y1 - y2);
      y1 = yMin;
    } else if (c1 & 4) {
      x1 += (x2 - x1) * (y1 - yMax) / (y1 - y2);
      y1 = yMax;
    } else if (c1 & 2) {
      y1 -= (y1 - y2) * (xMax - x1) / (x2 - x1);
      x1 = xMax;
    } else {
      y1 -= (y1 - y2) * (xMin - x1) / (x2 - x1);
      x1 = xMin;
    }
    c1 = code(x1, y1);
  }
  return 0;
}

KELT_API void OPLOT_SetSearchWindowForClosestApex(double width) { gApexSearchWidth = width; }

KELT_API int32_t OPLOT_FindClosestApex(const SVW_OVERLAY* o, int16_t slot, int16_t useProcessed, double time,
                                       double* apexTime) {
  const double w = gApexSearchWidth;
  return OPLOT_FindClosestApexInTimeRange(o, slot, useProcessed, time - w / 2, time + w / 2, apexTime);
}

KELT_API int32_t OPLOT_FindClosestApexInTimeRange(const SVW_OVERLAY* o, int16_t slot, int16_t useProcessed,
                                                  double from, double to, double* apexTime) {
  try {
    if (!o || !OverlaySlotIndex(slot)) return 0;
    const STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
    if (!dp) return 0;
    const bool processed = useProcessed && dp->filtered && dp->filteredCount > 0;
    const STRUCT_NE_POINT_BLOCK* b = processed ? dp->filtered : dp->points;
    const uint32_t n = processed ? dp->filteredCount : dp->pointCount;
    if (!b || n == 0) return 0;
    uint32_t first = 0, last = n - 1;
    for (uint32_t k = 0; k < n && NePointAt(b, k)->time < from; ++k) first = k;
    for (uint32_t k = 0; k < n; ++k) {
      if (NePointAt(b, k)->time > to) {
        last = k;
        break;
      }
    }
    if (first >= last) return 0;
    std::vector<double> times, values;
    times.reserve(last - first + 1);
    values.reserve(last - first + 1);
    for (uint32_t k = first; k <= last; ++k) {
      times.push_back(+NePointAt(b, k)->time);
      values.push_back(NePointValue(b, k));
    }
    bool found = false;
    double best = 0, at = 0;
    for (size_t i = 1; i + 1 < values.size(); ++i) {
      if (values[i] > values[i - 1] && values[i] > values[i + 1] && (!found || values[i] > best)) {
        found = true;
        best = values[i];
        at = times[i];
      }
    }
    if (found && apexTime) *apexTime = at;
    return found ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

KELT_API void KELT_DrawSmallUpTriangle(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int16_t filled) {
  POINT p[4] = {{x, y}, {x + w, y + 2 * h}, {x - w, y + 2 * h}, {x, y}};
  if (filled)
    Polygon(dc, p, 3);
  else
    Polyline(dc, p, 4);
}

KELT_API void KELT_DrawSmallDownTriangle(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int16_t filled) {
  POINT p[4] = {{x, y}, {x - w, y - 2 * h}, {x + w, y - 2 * h}, {x, y}};
  if (filled)
    Polygon(dc, p, 3);
  else
    Polyline(dc, p, 4);
}

KELT_API void OPLOT_DrawTargetBCPoints(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t slot,
                                       double time1, double time2) {
  try {
    if (!dc || !o || !sz || !OverlaySlotIndex(slot)) return;
    const OVERLAY_SLOT& s = o->slots[slot];
    if (!s.workFile || !s.trace || !sz->plotInView[slot] || !sz->plotShown[slot]) return;
    const bool print = sz->params.printFlag != 0;
    const int32_t tick = print ? 664 : sz->charHeight;
    GdiObject pen(CreatePen(PS_SOLID, print ? PrintPenWidth() : 0,
                            PaperColor(sz->params.colors[CHRO_COLOR_BASELINES], print)));
    SavedDC saved(dc);
    SelectObject(dc, pen.get());
    for (double t : {time1, time2}) {
      if (t < o->tail.viewStart || t > o->tail.viewEnd) continue;
      double at = 0, v = 0;
      int32_t x = 0, y = 0;
      if (!OPLOT_GetInterpolatedValueFromTime(o, slot, t, &at, &v)) continue;
      if (!OPLOT_GetXPixelFromTime(t, o, sz, 0, &x) || !OPLOT_GetYPixelFromValue(v, slot, o, sz, 1, &y)) continue;
      MoveToEx(dc, x, y, nullptr);
      LineTo(dc, x, y + tick);
    }
  } catch (...) {
  }
}

KELT_API void OPLOT_DrawHighlightRange(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz,
                                       const STRUCT_OPLOT_HIGHLIGHT* point) {
  try {
    if (!dc || !o || !sz || !point) return;
    const int16_t slot = point->slot;
    if (!OverlaySlotIndex(slot)) return;
    const OVERLAY_SLOT& s = o->slots[slot];
    if (!s.workFile || !s.trace || !sz->plotInView[slot] || !sz->plotShown[slot]) return;
    const double t = point->time;
    if (!(t > o->tail.viewStart && t < o->tail.viewEnd)) return;
    int32_t x = 0, y = 0;
    if (!OPLOT_GetXPixelFromTime(t, o, sz, 0, &x) || !OPLOT_GetYPixelFromValue(point->value, slot, o, sz, 1, &y))
      return;
    const bool print = sz->params.printFlag != 0;
    const COLORREF colour = PaperColor(sz->params.colors[CHRO_COLOR_PLOT0 + slot], print);
    GdiObject pen(CreatePen(PS_SOLID, print ? PrintPenWidth() : 0, colour));
    GdiObject brush(CreateSolidBrush(colour));
    SavedDC saved(dc);
    SelectObject(dc, pen.get());
    SelectObject(dc, brush.get());
    KELT_DrawSmallDownTriangle(dc, x, y, sz->charWidth / 4 * 3, sz->charHeight / 3, 1);
  } catch (...) {
  }
}
