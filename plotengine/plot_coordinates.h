#pragma once
// Where a slot's chromatogram lies in the DC, times and values to pixels,
// the line clipper, apex searches and the small marks drawn on a trace.
#include <cstdint>

#include "common/kelt_export.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

#pragma pack(push, 1)
// A point of a slot to highlight.
struct STRUCT_OPLOT_HIGHLIGHT {
  int16_t slot;
  double time;
  double value;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_OPLOT_HIGHLIGHT) == 18);

// Default width (minutes) of the closest-apex search.
#define OPLOT_DEFAULT_APEX_SEARCH_WIDTH 0.1

KELT_API int32_t OPLOT_GetChromatogramArea(const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes, int16_t slot,
                                           int32_t* left, int32_t* bottom, int32_t* right, int32_t* top);
KELT_API int32_t OPLOT_GetWinChromatogramArea(const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                              int16_t slot, int32_t dx, int32_t dy, int32_t* left, int32_t* bottom,
                                              int32_t* right, int32_t* top);
KELT_API int32_t OPLOT_GetXPixelFromTime(double time, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                         int16_t allowOutside, int32_t* x);
KELT_API int32_t OPLOT_GetYPixelFromValue(double value, int16_t slot, const SVW_OVERLAY* overlay,
                                          const STRUCT_OVER_SIZES* sizes, int16_t allowOutside, int32_t* y);
// Cohen-Sutherland: 1 with the part of the segment inside the rectangle in
// out (x1, y1, x2, y2, in the segment's direction), 0 when none is.
KELT_API int32_t KELT_Clipper(int32_t out[4], double x1, double y1, double x2, double y2, double xMin, double yMax,
                              double xMax, double yMin);
KELT_API void OPLOT_SetSearchWindowForClosestApex(double width);
KELT_API int32_t OPLOT_FindClosestApex(const SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed, double time,
                                       double* apexTime);
KELT_API int32_t OPLOT_FindClosestApexInTimeRange(const SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                  double from, double to, double* apexTime);
KELT_API void OPLOT_DrawTargetBCPoints(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                       int16_t slot, double time1, double time2);
KELT_API void OPLOT_DrawHighlightRange(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                       const STRUCT_OPLOT_HIGHLIGHT* point);
// Small triangles with the tip at (x, y): the up one has its base 2h below
// the tip, the down one 2h above; the base runs from x - w to x + w.
KELT_API void KELT_DrawSmallUpTriangle(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int16_t filled);
KELT_API void KELT_DrawSmallDownTriangle(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int16_t filled);
