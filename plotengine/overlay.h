#pragma once
// SVW_OVERLAY: what an overlay of up to 20 chromatograms shows. The host
// allocates it zeroed and keeps it; the OPLOT_ exports fill, reload and
// empty it, and every drawing and conversion call reads it.
//
// The head and the tail hold no pointers and keep the record's original
// byte layout (500 and 1,612 bytes); the slots hold pointers and so keep
// only their field order and widths.
#include <cstddef>
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"

#define OVERLAY_SLOTS 20
#define OVERLAY_UNITS_SIZE 21
#define OVERLAY_TITLE_SIZE 400
#define OVERLAY_DISPLAY_NAME_SIZE 260
#define OVERLAY_LABEL_SIZE 40
#define OVERLAY_PLOT_TEXT_SIZE 723
#define OVERLAY_TIME_UNIT_SIZE 20
// Most points a trace is read with.
#define OVERLAY_MAX_POINTS 40000
// Event marks a slot holds, and the bytes of one.
#define OVERLAY_EVENT_MARKS 50
#define EVENT_MARK_SIZE 44

// Display modes.
#define OVERLAY_MODE_STACKED 0
#define OVERLAY_MODE_OVERLAID 1
#define OVERLAY_MODE_NORMALISED 2
#define OVERLAY_MODE_TWO_SCALES 3

#pragma pack(push, 1)

// The vertical ranges: the overlay's last 356 bytes, which the controls
// copy whole ("scale block").
struct OVERLAY_SCALE_BLOCK {
  double commonLow, commonHigh;   // modes 1 and 3 (left scale); percent range of mode 2
  double rightLow, rightHigh;     // mode 3, right scale
  double plotLow[OVERLAY_SLOTS];  // modes 0 and 2
  double plotHigh[OVERLAY_SLOTS];
  int16_t leftAxisPlot;           // mode 3: slot whose units define the left scale
  int16_t rightAxisPlot;          // mode 3: slot whose units define the right scale
};

struct OVERLAY_HEAD {
  int16_t displayMode;            // survives OPLOT_ClearOverlayStructure
  int16_t activePlot;
  int16_t shownCount;
  int16_t shown[OVERLAY_SLOTS];
  // Room the controls keep their maximise state in; the engine leaves it alone.
  int16_t maximised;
  int16_t maximisedSlot;
  int16_t savedDisplayMode;
  int16_t savedShownCount;
  int16_t savedShown[OVERLAY_SLOTS];
  double savedViewStart, savedViewEnd;
  OVERLAY_SCALE_BLOCK savedScales;
  int16_t savedControlValues[7];
  char timeUnit[OVERLAY_TIME_UNIT_SIZE];  // time scale's unit text; empty: "minutes"
};

struct OVERLAY_SLOT {
  int16_t filePresent;            // the overlay frees workFile
  STRUCT_WORK_FILE* workFile;
  int16_t dataPresent;            // the overlay frees trace
  STRUCT_NE_DATA_POINTS* trace;
  int16_t inView;                 // mirror of the tail's in-view flag
  STRUCT_SCAN_FUN_INFO* scanFunInfo;
  uint16_t scanFunInfoCount;
  int16_t eventMarksLookedUp;     // the log was searched and nothing found
  int16_t eventMarkCount;         // at most OVERLAY_EVENT_MARKS
  void* eventMarks;               // OVERLAY_EVENT_MARKS records of EVENT_MARK_SIZE bytes
  uint16_t plotKind;              // 300 segment plot, 301 scan-function plot, else a trace kind
  uint16_t plotSubKind;
  STRUCT_CHAN_LIST chanList;
  STRUCT_SCAN_FUN_ARRAY* scanFunArray;
  STRUCT_MASS_LIST massList;
  char units[OVERLAY_UNITS_SIZE];
  STRUCT_SEG_PLOTS* segPlots;
  char title[OVERLAY_TITLE_SIZE];
  char displayFileName[OVERLAY_DISPLAY_NAME_SIZE];
  char labelText[OVERLAY_LABEL_SIZE];
  char plotText[OVERLAY_PLOT_TEXT_SIZE];
  int16_t versionNumber;
  int16_t versionCount;
  int16_t reference;
  int16_t reserved;
};

struct OVERLAY_TAIL {
  int16_t inViewCount;
  int16_t inView[OVERLAY_SLOTS];
  int16_t attachedCount;
  int16_t attached[OVERLAY_SLOTS];
  int16_t timeOffsetsOn;
  double timeOffsets[OVERLAY_SLOTS];      // plot time = file time + offset
  int16_t verticalOffsetsOn;
  double verticalOffsets[OVERLAY_SLOTS];
  double overallStart, overallEnd;        // union of the attached files' ranges
  double homeStart, homeEnd;              // the un-zoomed range
  double viewStart, viewEnd;              // the window on view
  double firstShownTime[OVERLAY_SLOTS];
  double lastShownTime[OVERLAY_SLOTS];
  int32_t firstShownIndex[OVERLAY_SLOTS];
  int32_t lastShownIndex[OVERLAY_SLOTS];
  double minInView[OVERLAY_SLOTS];
  double maxInView[OVERLAY_SLOTS];
  OVERLAY_SCALE_BLOCK scales;
};

struct SVW_OVERLAY {
  OVERLAY_HEAD head;
  OVERLAY_SLOT slots[OVERLAY_SLOTS];
  OVERLAY_TAIL tail;
};

#pragma pack(pop)

static_assert(sizeof(OVERLAY_SCALE_BLOCK) == 356);
static_assert(sizeof(OVERLAY_HEAD) == 500);
static_assert(offsetof(OVERLAY_HEAD, shown) == 6);
static_assert(offsetof(OVERLAY_HEAD, maximised) == 46);
static_assert(offsetof(OVERLAY_HEAD, timeUnit) == 480);
static_assert(sizeof(OVERLAY_TAIL) == 1612);
static_assert(offsetof(OVERLAY_TAIL, attachedCount) == 42);
static_assert(offsetof(OVERLAY_TAIL, overallStart) == 408);
static_assert(offsetof(OVERLAY_TAIL, viewStart) == 440);
static_assert(offsetof(OVERLAY_TAIL, firstShownIndex) == 776);
static_assert(offsetof(OVERLAY_TAIL, minInView) == 936);
static_assert(offsetof(OVERLAY_TAIL, scales) == 1256);
// Without its six pointers a slot has the record's 1,768 bytes of fields.
static_assert(sizeof(OVERLAY_SLOT) == 1768 + 6 * sizeof(void*));

// One event mark as the event-mark log library returns it.
#pragma pack(push, 1)
struct STRUCT_EVENT_MARK {
  float time;      // minutes
  char text[40];   // zero-terminated
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_EVENT_MARK) == EVENT_MARK_SIZE);

// A slot index in range, as a size_t; false for anything outside 0..19.
inline bool OverlaySlotIndex(int slot) { return slot >= 0 && slot < OVERLAY_SLOTS; }
// Shown, in view and attached: the slot is drawn, converted, annotated.
inline bool OverlaySlotPresent(const SVW_OVERLAY* o, int slot) {
  return o && OverlaySlotIndex(slot) && o->head.shown[slot] && o->tail.inView[slot] && o->tail.attached[slot];
}

// ---- Structure --------------------------------------------------------------
// Frees what every slot owns and zeroes the record, keeping the display mode; returns it.
KELT_API int16_t OPLOT_ClearOverlayStructure(SVW_OVERLAY* overlay);
// As OPLOT_ClearOverlayStructure, leaving the callers' work files and
// scan-function information alone.
KELT_API int16_t OPLOT_RENT_ClearOverlayStructure(SVW_OVERLAY* overlay);
KELT_API int32_t OPLOT_AddPlotToOverlayStructure(SVW_OVERLAY* overlay, int16_t slot, const char* path,
                                                 uint16_t plotKind, const STRUCT_MASS_LIST* massList,
                                                 const STRUCT_CHAN_LIST* chanList, const char* units,
                                                 const char* title, double start, double end);
// On success the overlay takes over the segment-plot record and the
// scan-function array (common-allocator blocks); on failure they stay the caller's.
KELT_API int32_t OPLOT_AddAnyPlotToOverlayStructure(SVW_OVERLAY* overlay, int16_t slot, const char* path,
                                                    uint16_t plotKind, uint16_t plotSubKind,
                                                    const STRUCT_MASS_LIST* massList,
                                                    const STRUCT_CHAN_LIST* chanList,
                                                    STRUCT_SCAN_FUN_ARRAY* scanFunArray,
                                                    STRUCT_SEG_PLOTS* segPlots, const char* units,
                                                    const char* plotText, double start, double end);
// The work file and the scan-function information stay the caller's; the
// scan-function array is taken over as by OPLOT_AddAnyPlotToOverlayStructure.
KELT_API int32_t OPLOT_RENT_AddAnyPlotToOverlayStructure(
    SVW_OVERLAY* overlay, int16_t slot, STRUCT_WORK_FILE* workFile, const void* ignored,
    STRUCT_SCAN_FUN_INFO* scanFunInfo, uint16_t scanFunInfoCount, uint16_t plotKind, uint16_t plotSubKind,
    const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList, STRUCT_SCAN_FUN_ARRAY* scanFunArray,
    const char* units, const char* plotText, double start, double end);
KELT_API void OPLOT_ClearPlotFromOverlayStructure(SVW_OVERLAY* overlay, int16_t slot);
KELT_API int16_t OPLOT_CountDataUnitsTypes(const SVW_OVERLAY* overlay);

// ---- Loading --------------------------------------------------------------------
KELT_API void OPLOT_UpdateOverlayPlots(SVW_OVERLAY* overlay, double start, double end);
KELT_API void OPLOT_NewUpdateOverlayPlots(SVW_OVERLAY* overlay, double start, double end);
KELT_API void OPLOT_SetOverlayData(SVW_OVERLAY* overlay, double start, double end);

// ---- Vertical ranges ----------------------------------------------------------------
struct STRUCT_OVER_SIZES;
KELT_API void OPLOT_SetVerticalFullScale(SVW_OVERLAY* overlay, int16_t left, int16_t right);
KELT_API void OPLOT_AutoScaleSepVert(const SVW_OVERLAY* overlay, int16_t slot, double* low, double* high);
KELT_API void OPLOT_AutoScaleOneVert(const SVW_OVERLAY* overlay, double* low, double* high);
KELT_API void OPLOT_AutoScaleOneOfTwoVerts(const SVW_OVERLAY* overlay, int16_t slot, double* low, double* high);
KELT_API int32_t OPLOT_GetMinAndMaxForNorm(const SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                           double* low, double* high);
KELT_API int32_t OPLOT_GetVerticalScaleValues(const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                              int16_t slot, int16_t useProcessed, double* low, double* high);
KELT_API int32_t OPLOT_GetYMult(const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes, int16_t slot,
                                double* factor);
KELT_API int32_t OPLOT_GetPlotDataAndTimeFromGroupStart(const SVW_OVERLAY* overlay, int16_t slot, double time,
                                                        double* pointTime, double* value);
KELT_API int32_t OPLOT_GetInterpolatedValueFromTime(const SVW_OVERLAY* overlay, int16_t slot, double time,
                                                    double* timeOut, double* value);
