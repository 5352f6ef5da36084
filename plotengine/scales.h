#pragma once
// Scales: the tick rule, the unit-prefix rules, the two scale painters and
// the scales of an overlay drawing.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

#define SCALE_TEXT_SIZE 24
// Room for a label format ("%.8f" and a suffix).
#define SCALE_FORMAT_SIZE 40

// Tick styles.
#define SCALE_TICKS_LABEL_SIDE 0
#define SCALE_TICKS_NONE 1
#define SCALE_TICKS_INTO_PLOT 2
#define SCALE_TICKS_CROSSING 3

#pragma pack(push, 1)

struct STRUCT_VERT_SCALE {
  STRUCT_AXIS_PARAMS axis;
  int16_t scaleLeftOfPlot;   // 1: axis on the right edge, labels right-aligned
  int16_t unitAtTop;
  int16_t keepUnits;         // 1: values and unit used as given
  int16_t userTraceRules;    // 1: the prefix ladder of user traces
  double low, high;          // bottom and top value; high below low reverses the scale
  int32_t left, bottom, right, top;
  int32_t labelTop, labelBottom;  // 0: the rectangle's own
  int32_t farAxisX;          // a second axis line repeating the ticks; -1 none
  char labelSuffix[SCALE_TEXT_SIZE];
  char unitText[SCALE_TEXT_SIZE];
};

struct STRUCT_HORZ_SCALE {
  STRUCT_AXIS_PARAMS axis;
  int16_t scaleBelowAxis;    // 1: axis on the top edge, labels below it
  int16_t unitAtRight;
  int16_t keepUnits;
  double low, high;
  int32_t left, bottom, right, top;
  // 0: the rectangle's own. A negative left limit leaves out the labels
  // that would begin left of its size instead of moving the first one.
  int32_t labelRightLimit, labelLeftLimit;
  char labelSuffix[SCALE_TEXT_SIZE];
  char unitText[SCALE_TEXT_SIZE];
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_VERT_SCALE) == 134);
static_assert(sizeof(STRUCT_HORZ_SCALE) == 128);

// Step, label format (a buffer of SCALE_FORMAT_SIZE) and first tick of a
// range; for low >= high: "%f", step 0, first tick high.
KELT_API void CalculateTickStep(double low, double high, char* format, double* step, double* firstTick);
// Values with |v| >= 1e-8 rescaled in place with the unit text (a buffer
// of SCALE_TEXT_SIZE); nonzero when they were.
KELT_API int32_t KELT_AdjustUnitValues(double* values, int32_t count, char* unitText);
KELT_API int32_t KELT_AdjustUnitValuesUserTraceRules(double* values, int32_t count, char* unitText);
KELT_API void KELT_DrawVerticalScale(HDC dc, const STRUCT_VERT_SCALE* scale);
KELT_API void KELT_DrawHorizontalScale(HDC dc, const STRUCT_HORZ_SCALE* scale);
// The pipeline passes (1, 1, 1, 0, 0). The overlay is only read.
KELT_API void OPLOT_DrawScales(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes, int16_t timeScale,
                               int16_t verticalScales, int16_t rightScale, int16_t singleStrip, int16_t stripSlot);
