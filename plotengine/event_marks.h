#pragma once
// Marks the engine draws on request: the system event marks an acquisition
// logged in the data file, special markers at given times, the search and
// integration windows of a compound; and the checks of a method's time
// events with the dialog that lists what they found.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

// Most special markers one call draws.
#define OPLOT_MOST_SPECIAL_MARKERS 100
#define TIME_EVENT_ERROR_MESSAGES 10
#define TIME_EVENT_ERROR_TEXT_SIZE 32

#pragma pack(push, 1)

struct STRUCT_OPLOT_SPECIAL_MARKER {
  double time;     // minutes
  char text[12];
  int16_t slot;
  uint32_t colour; // COLORREF
};

struct STRUCT_TIME_EVENT_ERRORS {
  int16_t duplicateCount;
  int16_t overlapCount;
  int16_t invalidCount;
  int16_t messageCount;   // at most TIME_EVENT_ERROR_MESSAGES
  char messages[TIME_EVENT_ERROR_MESSAGES][TIME_EVENT_ERROR_TEXT_SIZE];
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_OPLOT_SPECIAL_MARKER) == 26);
static_assert(sizeof(STRUCT_TIME_EVENT_ERRORS) == 328);

// Reads the event marks of every slot that has none yet and was not looked up.
KELT_API void OPLOT_ReadSystemEventMarks(SVW_OVERLAY* overlay);
KELT_API void OPLOT_DrawSystemEventMarks(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                         const LOGFONTA* font);
// At most OPLOT_MOST_SPECIAL_MARKERS of the array are drawn.
KELT_API void OPLOT_DrawSpecialMarkers(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                       const LOGFONTA* font, const STRUCT_OPLOT_SPECIAL_MARKER* markers,
                                       int16_t count);
// Windows in thousandths of a minute either side of time.
KELT_API void OPLOT_DrawSearchAndIntegrationWindows(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                                    int16_t slot, double time, int32_t searchWindow,
                                                    int32_t integrationWindow, const LOGFONTA* font);
// The errors found (a block freed with OPLOT_FreeTimeEventErrors), or 0
// when the events cannot be read or none is wrong.
KELT_API STRUCT_TIME_EVENT_ERRORS* OPLOT_CheckForTimeEventErrors(const char* path, uint16_t moduleId,
                                                                 uint16_t moduleAddress, const char* tag);
// As OPLOT_CheckForTimeEventErrors; *read tells the two cases of a null
// result apart: 1 when the events were read (and none is wrong), 0 when
// they could not be read.
KELT_API STRUCT_TIME_EVENT_ERRORS* OPLOT_CheckForTimeEventErrorsEx(const char* path, uint16_t moduleId,
                                                                   uint16_t moduleAddress, const char* tag,
                                                                   int32_t* read);
KELT_API void OPLOT_FreeTimeEventErrors(STRUCT_TIME_EVENT_ERRORS* errors);
// Shows the "Time Event Errors" dialog with the list, modally.
KELT_API void Dlg_ViewTimeEventErrors(const STRUCT_TIME_EVENT_ERRORS* errors);
