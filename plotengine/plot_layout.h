#pragma once
// The three records that drive one drawing of an overlay: the plot
// parameters (where and with which axes and colours), the draw record (what
// to draw) and the sizes (the geometry worked out from both and the
// overlay). All three are plain caller-owned records.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "plotengine/overlay.h"

// Colour indexes of the chromatogram colour set.
#define CHRO_COLOR_BACKGROUND 0
#define CHRO_COLOR_AXES 1
#define CHRO_COLOR_PLOT0 2   // 2 + slot
#define CHRO_COLOR_BASELINES 22
#define CHRO_COLORS 23

#pragma pack(push, 1)

struct STRUCT_OPLOT_PLOT_PARAMS {
  int16_t printFlag;                  // 1 printer or report page, 0 screen
  int32_t left, bottom, right, top;   // y grows downwards: bottom > top
  uint16_t charWidth, charHeight;
  STRUCT_AXIS_PARAMS verticalAxis;
  STRUCT_AXIS_PARAMS horizontalAxis;
  COLORREF colors[CHRO_COLORS];
  uint16_t gradientBackground;
  uint16_t fadeFromWhite;
  uint16_t extraLinesUnderTimeAxis;
  uint16_t carried60;                 // read by the engine's callers
  uint16_t carried2;
  uint16_t maximiseButtons;
  uint16_t deleteButtons;
  uint16_t keepFirstPlotA;            // either: slot 0 gets no delete button
  uint16_t keepFirstPlotB;
};

// The caller title of the draw record.
struct STRUCT_OPLOT_CALLER_TITLE {
  int16_t plotTitlesOn;
  int16_t segmentTitles;
  int16_t leftAlignedLines;
  int16_t reserved;
  int16_t itemCount;
  int16_t items[8];
};

struct STRUCT_OPLOT_DRAW_CHRO {
  uint16_t drawBackground;
  uint16_t titleOptionA;
  uint16_t titleOptionB;
  int16_t verticalScaleWidth;         // -1 automatic, 0 none
  int16_t horizontalScaleHeight;      // -1 automatic, 0 none
  uint16_t drawProcessed;
  uint16_t drawRaw;
  uint32_t format[26];                // first u16: show point markers; second: markers per cm
  uint16_t callerTitlePresent;
  STRUCT_OPLOT_CALLER_TITLE callerTitle;
};

struct STRUCT_OVER_SIZES {
  int16_t leftScaleWidth;
  int16_t rightScaleWidth;
  int16_t plotWidth;
  int16_t timeScaleHeight;
  int16_t overlaidPlotHeight;         // modes 1-3
  int16_t plotHeights[OVERLAY_SLOTS]; // mode 0 strips
  int16_t plotsInView;
  int16_t plotInView[OVERLAY_SLOTS];  // shown and in view: the slot's "plot has data" flag
  int16_t plotsShown;
  int16_t plotShown[OVERLAY_SLOTS];
  STRUCT_OPLOT_PLOT_PARAMS params;
  double xFactor;                     // DC units per minute
  double yFactor;                     // modes 1 and 3
  double secondYFactor;               // mode 3, right range
  double plotYFactors[OVERLAY_SLOTS]; // modes 0 and 2
  int16_t drawnRawOnly[OVERLAY_SLOTS];
  int16_t drawnProcessedOnly[OVERLAY_SLOTS];
  int16_t rawDrawn[OVERLAY_SLOTS];
  int16_t processedDrawn[OVERLAY_SLOTS];
  int16_t maximiseButtonX;
  int16_t deleteButtonX;
  int16_t buttonY[OVERLAY_SLOTS];
  int16_t charWidth;
  int16_t charHeight;
  int16_t maximiseButtonShown[OVERLAY_SLOTS];
  int16_t deleteButtonShown[OVERLAY_SLOTS];
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_OPLOT_PLOT_PARAMS) == 200);
static_assert(offsetof(STRUCT_OPLOT_PLOT_PARAMS, verticalAxis) == 22);
static_assert(offsetof(STRUCT_OPLOT_PLOT_PARAMS, colors) == 90);
static_assert(sizeof(STRUCT_OPLOT_CALLER_TITLE) == 26);
static_assert(sizeof(STRUCT_OPLOT_DRAW_CHRO) == 146);
static_assert(sizeof(STRUCT_OVER_SIZES) == 806);
static_assert(offsetof(STRUCT_OVER_SIZES, params) == 134);

// Whether the slot is drawn with its processed trace only (its vertical
// range is then taken normalised to the processed points).
inline int16_t SizesUseProcessed(const STRUCT_OVER_SIZES* sizes, int slot) {
  return sizes->processedDrawn[slot] == 1 && sizes->rawDrawn[slot] == 0 ? 1 : 0;
}

KELT_API STRUCT_OPLOT_PLOT_PARAMS* OPLOT_InitPlotParams(STRUCT_OPLOT_PLOT_PARAMS* params, int16_t printFlag,
                                                        int16_t left, int16_t bottom, int16_t right, int16_t top,
                                                        int16_t charWidth, int16_t charHeight);
KELT_API void OPLOT_InitDrawChro(STRUCT_OPLOT_DRAW_CHRO* drawChro, const uint32_t* formatBlock);
KELT_API void OPLOT_CalculateSizes(const SVW_OVERLAY* overlay, const STRUCT_OPLOT_PLOT_PARAMS* params,
                                   STRUCT_OVER_SIZES* sizes, int16_t normaliseToProcessed,
                                   int16_t verticalScaleWidth, int16_t horizontalScaleHeight);
