#pragma once
// The integration results of one plot drawn over its chromatogram (apexes,
// group, valleys, events without a peak, moved events' original places,
// baselines) and the peak-events and time-events strips under the plots.
// The pixel positions used are written back into the records for the
// interactive control's hit tests.
#include <cstdint>

#include "common/kelt_export.h"
#include "plotengine/overlay.h"
#include "plotengine/peak_events.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

namespace kelt::events {
// The half width and the half height of the marks drawn at apexes and
// events (an apex mark stands twice the half height above its point).
inline int32_t MarkHalfWidth(const STRUCT_OVER_SIZES* sz) { return (sz->charWidth >> 2) * 3; }
inline int32_t MarkHalfHeight(const STRUCT_OVER_SIZES* sz) { return sz->charHeight / 3; }
}  // namespace kelt::events

// The up triangle's outline with two lines crossing under it.
KELT_API void KELT_DrawSmallUpCrossTriangle(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h);

KELT_API void OPLOT_DrawAllPeakEvents(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                      int16_t xOffset, int16_t yOffset, const LOGFONTA* font,
                                      STRUCT_OPLOT_DRAW_EVENTS* record, STRUCT_OPLOT_TIME_EVENT* timeEvents,
                                      int16_t timeEventCount, int16_t selectedTimeEvent);
KELT_API void OPLOT_DrawPeakApexes(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes, int16_t plot,
                                   double low, double high, STRUCT_OPLOT_DRAW_EVENTS* record);
KELT_API void OPLOT_DrawNonApexEvents(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                      int16_t plot, double low, double high, STRUCT_OPLOT_DRAW_EVENTS* record);
KELT_API void OPLOT_DrawOriginalEvents(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                       int16_t plot, double low, double high, STRUCT_OPLOT_DRAW_EVENTS* record);
KELT_API void OPLOT_DrawBaselines(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes, int16_t plot,
                                  double low, double high, STRUCT_OPLOT_DRAW_EVENTS* record);
KELT_API int32_t OPLOT_DrawPeakEventsStrip(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                           int16_t plot, STRUCT_OPLOT_DRAW_EVENTS* record);
// selected is checked against count; an index outside it selects nothing.
KELT_API int32_t OPLOT_DrawTimeEventsStrip(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                           int16_t plot, int16_t xOffset, int16_t yOffset, int16_t showPeakStrip,
                                           int16_t showTimeStrip, STRUCT_OPLOT_TIME_EVENT* timeEvents, int16_t count,
                                           int16_t selected);
// Strip rectangles in drawing coordinates, in the order left, bottom, right, top.
KELT_API int32_t OPLOT_GetPeakEventsArea(const STRUCT_OVER_SIZES* sizes, int16_t displayMode, int16_t showPeakStrip,
                                         int16_t showTimeStrip, int32_t* left, int32_t* bottom, int32_t* right,
                                         int32_t* top);
KELT_API int32_t OPLOT_GetTimeEventsArea(const STRUCT_OVER_SIZES* sizes, int16_t displayMode,
                                         const SVW_OVERLAY* overlay, int16_t plot, int16_t showPeakStrip,
                                         int16_t showTimeStrip, int32_t* left, int32_t* bottom, int32_t* right,
                                         int32_t* top);
KELT_API int32_t OPLOT_GetWinPeakEventsArea(const STRUCT_OVER_SIZES* sizes, int16_t displayMode, int32_t xOffset,
                                            int32_t yOffset, int16_t showPeakStrip, int16_t showTimeStrip,
                                            int32_t* left, int32_t* bottom, int32_t* right, int32_t* top);
KELT_API int32_t OPLOT_GetWinTimeEventsArea(const STRUCT_OVER_SIZES* sizes, int16_t displayMode,
                                            const SVW_OVERLAY* overlay, int16_t plot, int32_t xOffset,
                                            int32_t yOffset, int16_t showPeakStrip, int16_t showTimeStrip,
                                            int32_t* left, int32_t* bottom, int32_t* right, int32_t* top);
// Solid brush of colour with a black one-pixel outline; the DC's pen and brush are kept.
KELT_API void OPLOT_FillFramedRect(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top,
                                   COLORREF colour);
KELT_API void OPLOT_DrawFramedRect(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top);
