#pragma once
// What the pipeline draws after the traces: one title line (or more) per
// shown plot with the segment titles under it, the outline of a printed
// drawing, the delete and maximise buttons the control hit-tests, and the
// integration baselines that report and control code draw over traces.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

// Title item codes.
#define TITLE_ITEM_TRACE_NAME 0
#define TITLE_ITEM_SHORT_TRACE_NAME 1
#define TITLE_ITEM_FILE_NAME 2
#define TITLE_ITEM_VERSION 3
#define TITLE_ITEM_MODULE 4
#define TITLE_ITEM_ACQUISITION_MODE 5
#define TITLE_ITEM_FILTERED 6
#define TITLE_ITEM_OFFSET 7
// Most items of a caller title that are used.
#define TITLE_MOST_ITEMS 8
// Longest title texts taken from the scan-function helpers.
#define TITLE_TRACE_NAME_SIZE 200
#define TITLE_SEGMENT_SIZE 100

#pragma pack(push, 1)
// An integration baseline to draw over a slot's trace.
struct STRUCT_OPLOT_BASELINE_RESULT {
  float baselineStartTime, baselineStartValue;
  float baselineEndTime, baselineEndValue;
  float peakStartTime, peakStartValue;  // the trace's value at the peak start
  float peakEndTime, peakEndValue;
  int16_t slot;
  int16_t unread[2];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_OPLOT_BASELINE_RESULT) == 38);

// Titles of every shown plot. callerTitle may be null. In the overlaid
// modes the slots' button rows (sizes' button y) follow their first lines.
KELT_API void OPLOT_DrawTitles(HDC dc, SVW_OVERLAY* overlay, STRUCT_OVER_SIZES* sizes, uint16_t titleOptionA,
                               uint16_t titleOptionB, const STRUCT_OPLOT_CALLER_TITLE* callerTitle);
// Where OPLOT_DrawTitles with the same arguments writes the titles of a
// slot (in the overlaid modes, of every slot: they share one area):
// boxes[0] holds the text cells of the title lines (empty when none), each
// further box one segment title's. Returns the boxes filled, at most room.
int32_t OPLOT_GetTitleBoxes(HDC dc, SVW_OVERLAY* overlay, STRUCT_OVER_SIZES* sizes, uint16_t titleOptionA,
                            uint16_t titleOptionB, const STRUCT_OPLOT_CALLER_TITLE* callerTitle, int16_t slot,
                            RECT* boxes, int32_t room);
KELT_API void OPLOT_DrawOutline(HDC dc, const STRUCT_OVER_SIZES* sizes);
KELT_API void OPLOT_DrawDeleteButtons(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes);
KELT_API void OPLOT_DrawMaximizeButtons(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes);
KELT_API void OPLOT_DrawBaselineResults(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                        int16_t count, const STRUCT_OPLOT_BASELINE_RESULT* baselines);
