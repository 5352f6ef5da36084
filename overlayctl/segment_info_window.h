#pragma once
// The segment information bar under the overlay plot: the acquisition
// segments of the active plot's file as blocks along the plot's time axis
// with a scan-number axis beneath; a still hover opens a popup ("KELT_SegInfo")
// with the segment's description, a click tells the parent. The drawing also
// serves printing and report pages (OPLOT_DrawSegmentInfo).
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/plot_titles.h"
#include "common/preference_records.h"
#include "framework/framework_gdi.h"
#include "framework/framework_wnd.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

#define SIM_SETCHROPREFS (WM_USER + 19)
#define SIM_SHOWSEGMENTINFO (WM_USER + 20)
#define SIM_NOSHOWSEGMENTINFO (WM_USER + 21)
#define SIM_GETSEGMENTNO (WM_USER + 22)
#define SIM_PRINTSEGINFO (WM_USER + 23)
#define SIM_SETMETAPLOTCOLORS (WM_USER + 24)
#define SIM_SHOWINFOWINDOW (WM_USER + 25)
#define SIM_CLOSEINFOWINDOW (WM_USER + 26)
// To the popup: size it to its lines.
#define SIW_SIZETOFIT (WM_USER + 44)

#define SEGINFO_PRINT_COLORS 23
#define SEGINFO_POPUP_LINES 32
#define SEGINFO_LINE_SIZE 100
// Lines the description may add to the popup.
#define SEGINFO_VERBOSE_LINES 30
#define SEGINFO_HOVER_TIMER 40
#define SEGINFO_HOVER_DELAY 1000
#define SEGINFO_POPUP_POLL 200
// How far the cursor may wander during the hover delay (pixels).
#define SEGINFO_HOVER_SLACK 6

#pragma pack(push, 1)
struct STRUCT_SEGINFO_SHOW {
  STRUCT_WORK_FILE* workFile;
  int16_t plotIndex;
  double startTime, endTime, timeOffset;
  int16_t plotLeft, plotGeom2, plotWidth;
};

struct STRUCT_SEGINFO_PRINT {
  CDC* dc;
  int16_t x1, y1, x2, y2;  // y1 the lower edge, y2 the upper
  int16_t charWidth, charHeight;
};

struct STRUCT_SEGINFO_DRAW {
  int16_t mode;  // 0 screen, else print
  int32_t x1, y1, x2, y2;
  int16_t charWidth, charHeight;
  COLORREF frameColor, backColor, plotColor;
  double startTime, endTime, timeOffset;
  STRUCT_WORK_FILE* workFile;
  STRUCT_SEG_DRAW_INFO* segInfo;
  int16_t segCount;
};

struct STRUCT_SEG_INFO_WND {
  int16_t lineCount;
  char lines[SEGINFO_POPUP_LINES][SEGINFO_LINE_SIZE];
  STRUCT_CHRO_PREFS prefs;
  HWND bar;
};
#pragma pack(pop)
static_assert(offsetof(STRUCT_SEGINFO_SHOW, plotIndex) == sizeof(void*));
static_assert(offsetof(STRUCT_SEGINFO_PRINT, charHeight) == sizeof(void*) + 10);

// The drawing of the bar into any device context.
class CSegInfoDrawer {
 public:
  CSegInfoDrawer() = default;
  virtual ~CSegInfoDrawer() = default;
  virtual void Draw();
  virtual void DrawSegments();
  virtual void DrawScanAxis();

  CDC* m_dc = nullptr;
  int16_t m_mode = 0;
  int32_t m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
  int16_t m_charWidth = 0, m_charHeight = 0;
  COLORREF m_frameColor = 0, m_backColor = 0, m_plotColor = 0;
  STRUCT_WORK_FILE* m_workFile = nullptr;
  STRUCT_SEG_DRAW_INFO* m_segInfo = nullptr;
  int16_t m_segCount = 0;
  double m_startTime = 0, m_endTime = 0, m_timeOffset = 0;
  // Results.
  int32_t m_midY = 0;
  int16_t m_firstVisible = 0, m_lastVisible = 0;

 private:
  bool RunOverlaps() const;
  int32_t X(double time) const;
  void Text(int32_t x, int32_t y, const char* text, COLORREF color) const;
  int32_t TextWidth(const char* text) const;
};

class KELT_CLASS CCtlSegInfo : public CWnd {
 public:
  CCtlSegInfo();
  ~CCtlSegInfo() override;

  STRUCT_CHRO_PREFS prefs{};
  int32_t clientWidth = 0, clientHeight = 0;
  int16_t charHeight = 0, charWidth = 0;
  STRUCT_WORK_FILE* workFile = nullptr;
  int16_t plotIndex = 0;
  double fromTime = 0, toTime = 0, timeOffset = 0;
  int16_t plotLeft = 0, plotGeom2 = 0, plotWidth = 0;
  STRUCT_SEG_DRAW_INFO* segInfo = nullptr;
  int16_t segCount = 0;
  char segInfoPath[260] = {};
  int16_t drawn = 0;
  int16_t clickPending = 0, clickedSegment = 0;
  int32_t midY = 0;
  int16_t firstVisible = 0, lastVisible = 0;
  COLORREF printColors[SEGINFO_PRINT_COLORS] = {};
  int16_t usePrintColors = 0;
  HWND popup = nullptr;
  int16_t hoverEnabled = 1;
  int16_t popupSegment = 0;
  int16_t hoverSegment = 0, hoverPending = 0;
  int32_t hoverX = 0, hoverY = 0;

  // The segment under a client point, or -1.
  int SegmentAt(int x, int y) const;
  // Opens the popup of the hovered segment; closes it.
  void CreateSegInfoWnd();
  void ClearSegInfoWnd();
  // Appends the segment's description from the data file to the popup lines.
  void AddVerboseLines(STRUCT_SEG_INFO_WND* record, int segment) const;

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  void OnMouseMove(UINT flags, CPoint point);
  void OnLButtonDown(UINT flags, CPoint point);
  void OnTimer(UINT_PTR id);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  LRESULT OnSetChroPrefs(WPARAM, LPARAM);
  LRESULT OnShowSegmentInfo(WPARAM, LPARAM);
  LRESULT OnNoShowSegmentInfo(WPARAM, LPARAM);
  LRESULT OnGetSegmentNo(WPARAM, LPARAM);
  LRESULT OnPrintSegInfo(WPARAM, LPARAM);
  LRESULT OnSetMetaPlotColors(WPARAM, LPARAM);
  LRESULT OnShowInfoWindow(WPARAM, LPARAM);
  LRESULT OnCloseInfoWindow(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  COLORREF Background() const;
};

// Creates the bar as a child of parent; null on failure.
KELT_API CCtlSegInfo* CreateSegmentInfoControl(CWnd* parent, int16_t id, int16_t left, int16_t top, int16_t right,
                                               int16_t bottom, const STRUCT_CHRO_PREFS* prefs);
// Draws a segment bar from the record (report pages).
KELT_API void OPLOT_DrawSegmentInfo(CDC* dc, const STRUCT_SEGINFO_DRAW* record);

// RegisterClass's result (0 on failure).
KELT_API ATOM RegisterSegInfoWnd();
KELT_API BOOL UnregisterSegInfoWnd();
