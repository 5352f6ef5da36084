#pragma once
// The segment navigator of the overlay control's data-review strip: which
// acquisition segment of the active plot's file is shown, and its window.
#include <cstdint>

#include "plotengine/overlay.h"

class CCtlOPlot;

// Child ids of the navigation strip.
#define OPLOT_ID_NAV_FIRST 103
#define OPLOT_ID_NAV_PREVIOUS 104
#define OPLOT_ID_NAV_NEXT 105
#define OPLOT_ID_NAV_LAST 106
#define OPLOT_ID_NAV_SEGMENTS 107
#define OPLOT_ID_NAV_FILES 108
#define OPLOT_ID_NAV_PDS 109
#define OPLOT_ID_NAV_MODE 110
#define OPLOT_ID_NAV_SEGMENT_MODE 111

#define OPM_QUIBENABLEFILESSCROLL (WM_USER + 504)
#define OPM_QUIBENABLEPDSSCROLL (WM_USER + 505)
#define OPM_QUIBENABLEFEATURE (WM_USER + 508)
#define OPM_SETQUIB5PRESSTREE (WM_USER + 510)
#define OPM_SETHIGHLIGHTRANGE (WM_USER + 511)
#define OPM_FORCESEGMENTWITHDATA (WM_USER + 512)
#define OPM_SHOWQUALPLOTS (WM_USER + 521)
#define OPM_SHOWTICPLOT (WM_USER + 522)
#define OPM_NOTIFYEDITKEYENTER (WM_USER + 524)

// Toolbar and menu hooks of the data review program.
#define OPLOT_CMD_TREE 2753
#define OPLOT_CMD_ROTATE 2754
#define OPLOT_CMD_QUAL_PLOTS 2759
#define OPLOT_CMD_TIC_PLOT 2760
#define OPLOT_CMD_PRINT_REQUEST 2827

// An edit box of the strip's index-edit kind (id, WS_CHILD and style),
// shown: Enter sends OPM_NOTIFYEDITKEYENTER to partner. Null on failure.
HWND OPLOT_MakeIndexEdit(HWND parent, int id, DWORD style, HWND partner);

class CSegmentNavigator {
 public:
  explicit CSegmentNavigator(CCtlOPlot* owner) : owner(owner) {}

  // As made, but running.
  void Reset();
  // Segments of the plot's file (0 unless running with a taking-part file).
  void CountSegments(const SVW_OVERLAY* overlay, short plot);
  // The current segment's window, (0, 0) when there is none.
  void SegmentWindow(const SVW_OVERLAY* overlay, short plot);
  // Shows the current segment: the control's segment window, and new data when forced or outside it.
  void Apply(const SVW_OVERLAY* overlay, short plot, bool force);
  void GoToSegment(const SVW_OVERLAY* overlay, short plot, short wanted, int16_t* current, int16_t* count);
  void ChooseForPlot(const SVW_OVERLAY* overlay, short plot, double time, short timePlot, uint16_t timeSerial,
                     int16_t* current, int16_t* count);
  void KeepSegmentWithData(const SVW_OVERLAY* overlay, short plot, int16_t* current, int16_t* count);
  void SetActivePlot(const SVW_OVERLAY* overlay, short plot, int16_t* current, int16_t* count);
  void ForceSegmentWithData(const SVW_OVERLAY* overlay, short plot, int16_t* current, int16_t* count);
  void SwitchOff(short plot, uint16_t serial);

  CCtlOPlot* owner;
  int16_t active = 0;
  int16_t current = 0, count = 0;
  int16_t plot = -1;
  uint16_t serial = 0;
  double windowFrom = 0, windowEnd = 0;
  int16_t keptPlot = 0, keptSegment = 0;
  uint16_t keptSerial = 0;

 private:
  // The slot's work file when the plot takes part (a valid slot with a
  // trace and MS data), else null.
  static const STRUCT_WORK_FILE* TakingPart(const SVW_OVERLAY* overlay, short plot);
  // The first segment (0-based) with scans and data of the plot, or -1.
  static int FirstWithData(const SVW_OVERLAY* overlay, short plot);
  static bool HasScansAndData(const SVW_OVERLAY* overlay, short plot, int segment);
};
