#pragma once
// The drawing pipeline of an overlay: layout, background, scales, traces,
// titles, outline and buttons, in that order; and the drawing of one trace
// of MS data or of a detector chromatogram.
#include <cstdint>

#include "common/kelt_export.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

// Most points an MS-data segment sends to the device; longer segments are
// binned to one point (the highest) per bin.
#define OPLOT_MOST_SEGMENT_POINTS 40000
#define OPLOT_SEGMENT_BINS 39999

// Nonzero when every trace was drawn; 0 when memory for a trace ran out
// (titles, outline and buttons are then not drawn).
KELT_API int32_t OPLOT_DrawPlots(HDC dc, const STRUCT_OPLOT_DRAW_CHRO* drawChro, const STRUCT_OPLOT_PLOT_PARAMS* params,
                                 SVW_OVERLAY* overlay, STRUCT_OVER_SIZES* sizes);
// Background-corrected traces.
KELT_API int32_t OPLOT_DrawPlots_BDC(HDC dc, const STRUCT_OPLOT_DRAW_CHRO* drawChro,
                                     const STRUCT_OPLOT_PLOT_PARAMS* params, SVW_OVERLAY* overlay,
                                     STRUCT_OVER_SIZES* sizes);
// Centroid traces as vertical sticks.
KELT_API int32_t OPLOT_DrawPlots_Centroid(HDC dc, const STRUCT_OPLOT_DRAW_CHRO* drawChro,
                                          const STRUCT_OPLOT_PLOT_PARAMS* params, SVW_OVERLAY* overlay,
                                          STRUCT_OVER_SIZES* sizes);
KELT_API void OPLOT_DrawBackground(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes);
KELT_API int32_t OPLOT_DrawPlotLines(HDC dc, const SVW_OVERLAY* overlay, STRUCT_OVER_SIZES* sizes,
                                     const STRUCT_OPLOT_DRAW_CHRO* drawChro);
KELT_API int32_t OPLOT_DrawPlotLines_BDC(HDC dc, const SVW_OVERLAY* overlay, STRUCT_OVER_SIZES* sizes,
                                         const STRUCT_OPLOT_DRAW_CHRO* drawChro);
KELT_API int32_t OPLOT_DrawPlotLines_Centroid(HDC dc, const SVW_OVERLAY* overlay, STRUCT_OVER_SIZES* sizes,
                                              const STRUCT_OPLOT_DRAW_CHRO* drawChro);
// pass 0 draws the primary points, 1 the processed ones; solid 0 draws dotted.
KELT_API int32_t OPLOT_DrawTolPlotLine(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                       int16_t slot, int16_t showMarkers, int16_t maxMarkerDensity, int16_t pass,
                                       int16_t solid, int16_t normaliseToProcessed, int16_t corrected,
                                       int16_t centroid);
KELT_API int32_t OPLOT_DrawWSPlotLine(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                      int16_t slot, int16_t showMarkers, int16_t maxMarkerDensity, int16_t pass,
                                      int16_t solid);
