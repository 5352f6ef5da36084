#pragma once
// The background correction of a data file drawn over its traces: a tick
// at each correction point, a short mark at each scan it was made from,
// and the correction line through the points of each range.
#include <cstdint>

#include "common/kelt_export.h"
#include "jessul32/background_marks.h"
#include "jessul32/jessul32.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

// Draws the correction over every slot that is present, has data in the
// layout and shows "Counts"; outside the stacked mode only slots a and b.
KELT_API void OPLOT_DrawBackgroundCorrection(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                             const STRUCT_FILE_BC* correction, int16_t slotA, int16_t slotB);
// Draws the marks of one slot into its chromatogram rectangle with the pen
// selected in the DC; ticks are tickHeight high.
KELT_API void OPLOT_OnePlotDrawBackgroundCorrection(HDC dc, const SVW_OVERLAY* overlay,
                                                    const STRUCT_OVER_SIZES* sizes, int16_t slot,
                                                    const STRUCT_BC_MARKS* marks, int32_t left, int32_t bottom,
                                                    int32_t right, int32_t top, int32_t tickHeight);
