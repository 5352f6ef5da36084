#pragma once
// The integration results of a processed data file as one drawing record
// per plot (events, baselines, peaks and the valleys derived from them),
// the time events of a method, and the lookups the interactive controls
// make on them.
//
// The records hold pointers and live in memory only; the time event's
// first ten bytes are the stored item.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "plotengine/overlay.h"
#include "win/win_types.h"

// Event code bit groups.
#define OPLOT_EVENT_APEX_BITS 0x0380000Cu
#define OPLOT_EVENT_BOUNDARY_BITS 0x3001A0A2u
#define OPLOT_EVENT_START_BITS 0x10008002u
#define OPLOT_EVENT_VALLEY_CANDIDATE_BITS 0x04000110u
#define OPLOT_EVENT_VALLEY_FOLLOWER_BITS 0x01800004u
#define OPLOT_EVENT_REPOINTED_START 0x08000000u
// Drag limits keep this far (minutes) from the neighbouring events.
#define OPLOT_DRAG_MARGIN 0.002
// Rows of the time-event type table.
#define OPLOT_TIME_EVENT_TYPE_COUNT 13

#pragma pack(push, 1)

struct STRUCT_OPLOT_PEAK_EVENT {
  uint32_t rawTime;
  float value;
  uint32_t code;
  double time;              // rawTime in minutes
  int16_t drawn;
  int16_t x, y;
  int16_t moved;
  int16_t controlFlag;
  int16_t hidden;
  uint32_t readRawTime;
  float readValue;
  uint32_t originalRawTime;  // 0 when never edited
  float originalValue;
};

struct STRUCT_OPLOT_EVENT_HANDLE {
  int16_t drawn;
  int16_t x, y;
  double minTime, maxTime;   // drag limits
  int16_t moved;
};

struct STRUCT_OPLOT_BASELINE {
  int16_t startEvent, endEvent;        // 0-based event indexes
  int16_t altStartEvent, altEndEvent;  // -1, or the index before re-pointing
  int16_t code;
  double startTime, endTime;
  double startValue, endValue;
  STRUCT_OPLOT_EVENT_HANDLE startHandle;
  STRUCT_OPLOT_EVENT_HANDLE endHandle;
};

struct STRUCT_OPLOT_PEAK_MARK {
  uint32_t apexRawTime;
  double apexTime;
  float apexValue;
  float area;
  int16_t drawn;
  int16_t x, y;
  int16_t selected;
};

struct STRUCT_OPLOT_VALLEY {
  double time;
  double value;
  int16_t event;
  int16_t baseline;          // narrowest baseline holding it; -1 none
  STRUCT_OPLOT_EVENT_HANDLE handle;
  int16_t spanStartEvent;
  int16_t spanEndEvent;
};

struct STRUCT_OPLOT_MARK_POS {
  int16_t drawn;
  int16_t x, y;
};

struct STRUCT_OPLOT_RANGE_MARK {
  int16_t drawn;
  int16_t x1, x2, y;
};

struct STRUCT_OPLOT_TIME_EVENT {
  int32_t time;              // 1/10000 minute
  int16_t type;              // row code of the type table
  int32_t endTime;
  STRUCT_OPLOT_MARK_POS startMark;
  STRUCT_OPLOT_MARK_POS endMark;
  STRUCT_OPLOT_RANGE_MARK rangeMark;
  int16_t controlFlags[2];
  int16_t hidden;
};

struct STRUCT_OPLOT_TIME_EVENT_TYPE {
  int16_t code;
  char abbreviation[4];
  char description[42];
  uint32_t colour;           // COLORREF
  int16_t range;             // 1: the event has a start and an end
  int16_t spare;
};

struct STRUCT_OPLOT_DRAW_EVENTS {
  int16_t plot;
  int16_t hasEvents;
  char path[260];
  int16_t showAreaLabels;
  int16_t selectedApexValid;
  uint32_t selectedApexRaw;
  double focusTime;
  int16_t groupValid;
  double groupStart;
  double groupEnd;
  int16_t markEnabled;
  int16_t markMode;
  float markThresholdA;
  float markThresholdB;
  int16_t highlightEnabled;
  double callerValue;
  int16_t highlightIndex;
  int16_t fillSelectedMark;
  STRUCT_OPLOT_PEAK_EVENT* events;
  int16_t eventCount;
  STRUCT_OPLOT_BASELINE* baselines;
  int16_t baselineCount;
  STRUCT_OPLOT_PEAK_MARK* peaks;
  int16_t peakCount;
  STRUCT_OPLOT_VALLEY* valleys;
  int16_t valleyCount;
  int16_t showPeakStrip;
  int16_t showTimeStrip;
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_OPLOT_PEAK_EVENT) == 48);
static_assert(sizeof(STRUCT_OPLOT_EVENT_HANDLE) == 24);
static_assert(sizeof(STRUCT_OPLOT_BASELINE) == 90);
static_assert(sizeof(STRUCT_OPLOT_PEAK_MARK) == 28);
static_assert(sizeof(STRUCT_OPLOT_VALLEY) == 48);
static_assert(sizeof(STRUCT_OPLOT_TIME_EVENT) == 36);
static_assert(offsetof(STRUCT_OPLOT_TIME_EVENT, startMark) == 10);
static_assert(sizeof(STRUCT_OPLOT_TIME_EVENT_TYPE) == 56);
// Without its four pointers the record has its 336 bytes of fields.
static_assert(sizeof(STRUCT_OPLOT_DRAW_EVENTS) == 336 + 4 * sizeof(void*));

// The time-event type table, by row code 0..12.
extern "C" KELT_CLASS const STRUCT_OPLOT_TIME_EVENT_TYPE OPLOT_TIME_EVENT_TYPES[OPLOT_TIME_EVENT_TYPE_COUNT];

// Nonzero when the work file of path could be made (the lists may be empty).
KELT_API int32_t OPLOT_ReadDrawEvents(const char* path, int16_t plot, STRUCT_OPLOT_DRAW_EVENTS* record);
KELT_API void OPLOT_FreeDrawEvents(STRUCT_OPLOT_DRAW_EVENTS* record);
KELT_API int32_t OPLOT_FindNearestApex(const STRUCT_OPLOT_PEAK_EVENT* events, int16_t count, double time,
                                       double* value, uint32_t* rawTime, double* apexTime);
KELT_API int32_t OPLOT_GetPeakInfo(double time, const SVW_OVERLAY* overlay, const STRUCT_OPLOT_DRAW_EVENTS* record,
                                   double* timeOut, uint32_t* rawTimeOut, uint32_t* scanOut);
KELT_API void OPLOT_SetTimeRangeForPoints(const STRUCT_OPLOT_PEAK_EVENT* events, int16_t eventCount,
                                          STRUCT_OPLOT_BASELINE* baselines, int16_t baselineCount,
                                          STRUCT_OPLOT_VALLEY* valleys, int16_t valleyCount,
                                          const STRUCT_NE_DATA_POINTS* dataPoints);
// The count of time events of one method section, the array (FreeBlock) in *out; 0 and out untouched when none.
KELT_API int16_t OPLOT_ReadTimeEvents(const char* path, const char* sectionName, STRUCT_OPLOT_TIME_EVENT** out);
