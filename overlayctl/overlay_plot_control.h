#pragma once
// CCtlOPlot: the chromatogram overlay plot control (window class "KELT_OP").
// It shows up to 20 plots of an SVW_OVERLAY that the host owns (kept by
// address, never copied) or that the control builds itself from data files,
// with a horizontal scroll bar, two scroll buttons, a gain slider per slot,
// a segment bar and labels. Commands arrive as private messages; the
// control reports to its parent with posted WM_COMMAND notifications.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_controls.h"
#include "framework/framework_menu.h"
#include "framework/framework_wnd.h"
#include "plotengine/label_manager.h"
#include "overlayctl/overlay_messages.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/plot_layout.h"

class CCtlVScroll;
struct STRUCT_FILE_BC;
struct STRUCT_OPLOT_PRINT_PLOT;
struct STRUCT_TOL_SPT;
struct STRUCT_SPT_PLUS;
struct STRUCT_WORK_FILE;
struct STRUCT_CHAN_LIST;
struct STRUCT_SCAN_FUN_ARRAY;
struct STRUCT_SCAN_FUN_INFO;
struct STRUCT_PLOT_DESCRIPTOR;

#define OPLOT_SLOTS 20
#define OPLOT_IDENTITY_TITLE_SIZE 200
#define OPLOT_QUICKINT_DIALOGS 21
#define OPLOT_PRINT_COLORS 23
#define OPLOT_SCALE_PARAMS_SIZE 34

// Child ids.
#define OPLOT_ID_SCROLL_DOWN 20
#define OPLOT_ID_SCROLL_UP 21
#define OPLOT_ID_HSCROLL 22
#define OPLOT_ID_SLIDER0 40
#define OPLOT_ID_SEGMENTS 70
#define OPLOT_ID_TOOLBAR 80
#define OPLOT_ID_LISTBOX 90
#define OPLOT_ID_EDIT_IONS 100
#define OPLOT_ID_IONS_TEXT 101
#define OPLOT_ID_NAV_INDEX 102
#define OPLOT_ID_RANGE_TEXT 112
#define OPLOT_ID_TE_PROCESS 113
#define OPLOT_ID_TE_CANCEL 114

// Commands the control posts to itself for the arrow and page keys.
#define OPLOT_CMD_NEXT_SPECTRUM 2739
#define OPLOT_CMD_PREVIOUS_SPECTRUM 2740

#pragma pack(push, 1)

// What the control last showed in a slot: new data keeps the slot's labels
// and annotations only while this stays the same.
struct STRUCT_OPLOT_SLOT_IDENTITY {
  uint16_t serial;
  uint16_t plotKind;
  char units[OVERLAY_UNITS_SIZE];
  char title[OPLOT_IDENTITY_TITLE_SIZE];
};

// The file-display record of OPM_DISPLAYSETFILE. The segment-plot pointer
// takes a pointer's width, so the fields after it sit that much later than
// in the 32-bit record.
struct STRUCT_OPLOT_DISPLAY_FILE {
  int16_t useFirstFreeSlot;
  int16_t slot;
  int16_t useDisplayedRange;
  int16_t useGivenRange;
  double rangeStart;
  double rangeEnd;
  int16_t acquiring;
  double expectedEndTime;
  char path[260];
  int16_t plotKind;
  STRUCT_CHAN_LIST chanList;
  STRUCT_MASS_LIST massList;
  int32_t scanFunIndex;
  int16_t plotSubKind;
  STRUCT_SEG_PLOTS* segPlots;
  int16_t unitsGiven;
  char units[21];
  // From here on the fields fill the slot fields of the same meaning; those
  // the overlay has no room for are kept in the control's slot file record.
  char labelText[40];         // 629: put before the slot's title line
  char displayFileName[260];  // 669: shown instead of the data file's path
  char plotText[201];         // 929: the slot's second text
  int16_t versionNumber;      // 1130: "Version %d of %d"
  int16_t versionCount;       // 1132
  char altPath[260];          // 1134: the file spectra come from when the data file has no scans
  int16_t versionPending;     // 1394
  char versionFile[256];      // 1396
  int16_t reference;          // 1652: a reference plot
  int16_t extractedVersion;   // 1654: the slot shows a version extracted from the archive
  int16_t slotValue;          // 1656
};

// What a file-display record says of its slot beyond the overlay's slot
// record: kept per slot, cleared with the slot.
struct STRUCT_OPLOT_SLOT_FILE {
  char altPath[260];
  int16_t versionPending;
  char versionFile[256];
  int16_t slotValue;
};

// WM_USER+531: a vertical line at a time with a short text on one plot.
struct STRUCT_OPLOT_TEXT_FLAG {
  int16_t slot;
  int16_t placement;  // 0 text left of the line, 1 centred, 2 right of it; else line only
  int16_t dashed;
  COLORREF color;
  double time;
  char text[25];
};

// WM_USER+52 and WM_USER+529: a label at a time of a plot, vertical or
// horizontal. The tag is kept with the label; the two colours go into its
// marker parameters.
#define OPLOT_ADD_LABEL_TEXT 3001
struct STRUCT_OPLOT_ADD_LABEL {
  int16_t slot;
  double time;
  int16_t tag;
  COLORREF screenColor;
  COLORREF printColor;
  int16_t reserved;
  char text[OPLOT_ADD_LABEL_TEXT];
  int16_t moveable;
};

// WM_USER+42: scales for a plot; a pair whose low equals its high asks for
// automatic scaling. The second pair is the right scale of the dual mode.
struct STRUCT_OPLOT_SET_SCALES {
  int16_t plot;
  double low1, low2, high1, high2;
};

// One saved scale state.
struct STRUCT_OPLOT_SCALE_STATE {
  int16_t displayMode;
  double start, end;
  OVERLAY_SCALE_BLOCK scales;
};

// WM_USER+40: a moved plot line's offsets.
struct STRUCT_OPLOT_TIME_VALUE_OFFSET {
  int16_t plot;
  double timeOffset;
  double valueOffset;
};

// WM_USER+24: a drawing of the plots into a device context the caller owns
// (a printer or a report page), filled by the caller; the drawing answers
// in drawn, sizes and scales. The context pointer takes a pointer's width,
// so the fields after it sit that much later than in the 32-bit record.
struct STRUCT_OPLOT_PRINT_PLOT {
  CDC* dc;
  int16_t left, bottom, right, top;  // the plot box
  int16_t charWidth, charHeight;
  int16_t markers;                   // also the spectrum markers
  int16_t strip;                     // also the segment strip
  int16_t stripLeft, stripBottom, stripRight, stripTop;
  int16_t drawn;                     // nonzero when the plots were drawn
  STRUCT_OVER_SIZES sizes;           // the geometry of that drawing
  OVERLAY_SCALE_BLOCK scales;        // the vertical scales it used
};

// WM_USER+526: a data file still being acquired has grown to a new end time.
struct STRUCT_OPLOT_NEW_END_TIME {
  char path[260];
  double endTime;
};

// WM_USER+527: the descriptor the edit-ions feature made, handed over with
// its data file and the slot's file. The pointer takes a pointer's width,
// so the texts sit that much later than in the 32-bit record.
struct STRUCT_OPLOT_NEW_PD {
  STRUCT_PLOT_DESCRIPTOR* pd;
  char dataFile[260];
  char path[260];
};

// WM_USER+57: the MS data file that stands in for a slot whose own file
// holds no scans (a detector plot): its spectra, spectrum markers and noise
// come from this file. Copied whole; an empty path means none.
struct STRUCT_SPECIAL_SN_FILE {
  int16_t slot;
  int16_t dataType;
  STRUCT_MASS_LIST massList;
  STRUCT_CHAN_LIST chanList;
  char path[260];
};

#pragma pack(pop)
static_assert(sizeof(STRUCT_SPECIAL_SN_FILE) == 564);
static_assert(offsetof(STRUCT_SPECIAL_SN_FILE, chanList) == 218);
static_assert(offsetof(STRUCT_SPECIAL_SN_FILE, path) == 304);
static_assert(offsetof(STRUCT_OPLOT_NEW_PD, dataFile) == 4 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_NEW_PD, path) == 264 + sizeof(void*) - 4);
static_assert(sizeof(STRUCT_OPLOT_NEW_PD) == 524 + sizeof(void*) - 4);

// The character width and height of the print in progress (set by PrintAdd).
KELT_API void OPLOT_GetPrintCharSize(int16_t* width, int16_t* height);

// One label area of the current drawing: its pixel rectangle and, unless
// hasData is 0, the data rectangle (times t0..t1, values low..high) it spans.
struct STRUCT_OPLOT_LABEL_AREA {
  int16_t id;
  int32_t x, y, width, height;
  int16_t hasData;
  double t0, t1, low, high;
};

// A spectrum marker: where on which plot a spectrum was taken, and the
// trace points of its averaged scans with their background level, as
// drawn. The arrays are common-allocator blocks of pointCount doubles.
struct STRUCT_OPLOT_SPT_MARKER {
  int16_t set;
  double time;                 // minutes
  int16_t slot;
  int16_t pointCount;          // 0: nothing to draw
  double* times;
  double* values;
  double* backgroundValues;    // only with a background definition
  STRUCT_FILE_BC* background;  // owned; null when the spectrum is not corrected
  STRUCT_TOL_SPT* spectrum;    // owned copy
  double markerValue;          // trace value at the spectrum's time
};

#pragma pack(push, 1)
// WM_USER+68 and +69: one marker of a spectrum window; the spectrum stays the sender's.
struct STRUCT_SPT_MARKER_INFO {
  int16_t control;
  int16_t spectrum;
  int16_t slot;
  STRUCT_TOL_SPT* spt;
};
#pragma pack(pop)
static_assert(offsetof(STRUCT_SPT_MARKER_INFO, slot) == 4);
static_assert(offsetof(STRUCT_SPT_MARKER_INFO, spt) == 6);

#pragma pack(push, 1)
// WM_USER+78: the last spectrum made by the control (the record stays the manager's).
struct STRUCT_NEW_SPT_INFO {
  int16_t slot;
  int16_t control;
  int16_t spectrum;
  STRUCT_SPT_PLUS* spt;
};
// WM_USER+67: the right-clicked time and slot and the spectrum chosen for it.
struct STRUCT_RIGHT_CLICK_SPT_INFO {
  double time;
  int16_t slot;
  int16_t control;
  int16_t spectrum;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_RIGHT_CLICK_SPT_INFO) == 14);
static_assert(offsetof(STRUCT_NEW_SPT_INFO, spt) == 6);
// Context-menu commands: spectrum A into window 0..3, then B.
#define OPLOT_CMD_SPECTRUM_A0 2850

#define OPLOT_SPT_WINDOWS 4
#define OPLOT_SPT_PLACES 2

static_assert(sizeof(STRUCT_OPLOT_SLOT_IDENTITY) == 225);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, path) == 34);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, plotKind) == 294);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, massList) == 382);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, segPlots) == 602);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, unitsGiven) == 606 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, labelText) == 629 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, versionNumber) == 1130 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, versionPending) == 1394 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_DISPLAY_FILE, reference) == 1652 + sizeof(void*) - 4);
static_assert(sizeof(STRUCT_OPLOT_DISPLAY_FILE) == 1658 + sizeof(void*) - 4);
static_assert(sizeof(STRUCT_OPLOT_TIME_VALUE_OFFSET) == 18);
static_assert(sizeof(STRUCT_OPLOT_NEW_END_TIME) == 268);
static_assert(sizeof(STRUCT_OPLOT_TEXT_FLAG) == 43);
static_assert(offsetof(STRUCT_OPLOT_ADD_LABEL, tag) == 10);
static_assert(offsetof(STRUCT_OPLOT_ADD_LABEL, text) == 22);
static_assert(offsetof(STRUCT_OPLOT_ADD_LABEL, moveable) == 3023);
static_assert(sizeof(STRUCT_OPLOT_SET_SCALES) == 34);
static_assert(offsetof(STRUCT_OPLOT_PRINT_PLOT, left) == 4 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_PRINT_PLOT, strip) == 18 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_PRINT_PLOT, drawn) == 28 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_PRINT_PLOT, sizes) == 30 + sizeof(void*) - 4);
static_assert(offsetof(STRUCT_OPLOT_PRINT_PLOT, scales) == 836 + sizeof(void*) - 4);
static_assert(sizeof(STRUCT_OPLOT_PRINT_PLOT) == 1192 + sizeof(void*) - 4);

#define OPLOT_SCALE_HISTORY 5
// Label areas: the drawing, the time strip, left scales, the dual mode's right
// scale, chromatograms, the right-scale chromatogram, unshifted chromatograms.
#define OPLOT_AREA_DRAWING 140
#define OPLOT_AREA_TIME_STRIP 40
#define OPLOT_AREA_LEFT_SCALE 60
#define OPLOT_AREA_RIGHT_SCALE 80
#define OPLOT_AREA_CHROMATOGRAM 100
#define OPLOT_AREA_RIGHT_CHROMATOGRAM 101
#define OPLOT_AREA_UNSHIFTED 120
#define OPLOT_LABEL_AREAS 64
// Toolbar commands of the scales.
#define OPLOT_CMD_FULL_SCALE 2702
#define OPLOT_CMD_VERTICAL_FULL_SCALE 2703
#define OPLOT_CMD_HORIZONTAL_FULL_SCALE 2704
#define OPLOT_CMD_PREVIOUS_SCALES 2705
static_assert(offsetof(STRUCT_OPLOT_TEXT_FLAG, time) == 10);

#define OPLOT_TEXT_FLAGS 20

#pragma pack(push, 1)
// Scale parameters a host hands in for the screen or the metafile drawing,
// taken over as they come and handed to the drawing engine.
struct STRUCT_OPLOT_SCALE_PARAMS {
  uint8_t params[32];
  int16_t value;
};
// The record a named control keeps in "tolview3.ini" (key "Params").
struct STRUCT_OPLOT_KEPT_PREFS {
  int16_t keep;      // 1 in every stored record
  int16_t loaded;    // 0: the record is not taken over when read
  STRUCT_CHRO_PREFS prefs;
  int16_t realTimeUpdateOff;
};
// WM_USER+60 and WM_USER+61.
struct STRUCT_OPLOT_LOCAL_PREFS {
  int16_t keep;
  int16_t loaded;
  STRUCT_CHRO_PREFS prefs;
  COLORREF metaColors[OPLOT_PRINT_COLORS];
  int16_t metaColorsSet;
  STRUCT_OPLOT_SCALE_PARAMS metaScale[2];
  int16_t metaScaleSet;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_OPLOT_SCALE_PARAMS) == OPLOT_SCALE_PARAMS_SIZE);
static_assert(sizeof(STRUCT_OPLOT_SCALE_PARAMS) == sizeof(STRUCT_AXIS_PARAMS));
static_assert(sizeof(STRUCT_OPLOT_KEPT_PREFS) == 966);
static_assert(offsetof(STRUCT_OPLOT_KEPT_PREFS, realTimeUpdateOff) == 964);
static_assert(sizeof(STRUCT_OPLOT_LOCAL_PREFS) == 1128);
static_assert(offsetof(STRUCT_OPLOT_LOCAL_PREFS, metaColors) == 964);
static_assert(offsetof(STRUCT_OPLOT_LOCAL_PREFS, metaScale) == 1058);
#define OPLOT_NAME_SIZE 36  // the ini section: 35 characters and a zero

class KELT_CLASS CCtlOPlot : public CWnd {
  DECLARE_DYNAMIC(CCtlOPlot)
 public:
  static constexpr const char* kClassName = "KELT_OP";
  static constexpr const char* kPropertyName = "X";
  // RegisterClass's result (0 on failure).
  static ATOM Register();
  static BOOL Unregister();

  CCtlOPlot();
  ~CCtlOPlot() override;

  BOOL PreTranslateMessage(MSG* msg) override;
  void PostNcDestroy() override;

  // ---- Own virtual operations, in their fixed order -----------------------
  virtual void SizeControls();
  virtual void SaveCurrent();
  virtual int StartPaintOP();
  virtual void EndPaintOP();
  virtual void DrawPlot(CDC* dc, short print, STRUCT_OPLOT_PRINT_PLOT* record, short a, short b, short c, short d,
                        short e, short f);
  virtual void DrawTextA(CDC* dc);
  virtual void DrawMarkers(CDC* dc, short print, STRUCT_OVER_SIZES* sizes, short a, short b, short c, short d,
                           short e);
  virtual void DrawLabels(CDC* dc, short a, short b, short c, short d, short e, STRUCT_OVER_SIZES* sizes);
  virtual void InitLabelAreas(short a, short b, short c, short d, short e, STRUCT_OVER_SIZES* sizes);
  virtual void DrawMovingPlotLine();
  virtual void CancelMovingPlotLine();
  virtual void KeepMovedPlotLine();
  virtual void DrawOutline(CDC* dc);
  virtual void DrawTextFlags(CDC* dc, SVW_OVERLAY* overlay, STRUCT_OVER_SIZES* sizes, LOGFONTA* font);
  virtual void HandleMouse(unsigned int message, short x, short y, short apply);
  virtual void HandleDBLCLK(short x, short y);
  virtual void SetVertBars();
  virtual void SetHorzBar();
  virtual void Set95ScaleParams();
  virtual void Use95ScaleParams();
  virtual void PostNotification(unsigned short code, short route);
  virtual void PrintOpen();
  virtual void PrintAdd(STRUCT_OPLOT_PRINT_PLOT* record);
  virtual void PrintClose(STRUCT_OPLOT_PRINT_PLOT* record);
  virtual void KeepPreferences();
  virtual void CloseBackgroundCorrectionDialog();
  virtual void HandleNewPlotType(short type);
  virtual void SetToolbarTransientsFromPrefs();
  virtual void UpdateOverlayPlotType();
  virtual void UpdateOverlayTimeRange(double start, double end, double* outStart, double* outEnd);
  virtual void UpdateOverlayPlotData(double start, double end, short plotType);
  virtual void UpdateOverlayDataInfo(double start, double end);
  virtual void UpdateMinMaxInDataInfo();
  virtual void UpdateOverlayDisplay(double start, double end, short newData, short keepScales, short plotType);
  virtual void TellUserTimeOutOfOrder(STRUCT_NE_DATA_POINTS* points);
  virtual int GetSpectrumFromTime(double time, short slot, short spectrumControl, short plot);
  virtual int GetSpectrumFromZoom();
  virtual void GetSignalToNoiseFromZoom();
  virtual void GetAreaCountFromZoom();
  virtual void MakeLinearityReport();
  virtual void DeleteOnePlot(short slot, short notify);
  virtual void UpdateAfterPreferenceChange(short a, short b);
  virtual void IncrementDecrementActiveSpectrum(short step);
  virtual void HandleTerminatingVersionTempFile(char* a, char* b, char* c);
  virtual void ExportReportToQuibell(char* path, short temporary);
  virtual void CalRMSNoise(short a, short b);
  virtual void GetClickDragStatus(short* zoom, short* move, short* average, short* noise, short* integrate,
                                  short* clipboard, short* lineResult, short* timeRange, short* linearity);
  virtual void GetSingleClickStatus(short* display, short* selectionType, short* librarySearch,
                                    short* targetListSearch, short* exportSpectrum);
  virtual void MaximizePlot(short slot);
  virtual void RestorePlot(short slot);
  virtual void CancelMaximizePlot();
  virtual int CheckBackCorrRights();
  virtual void QuickInt_OpenDialog(short slot, short all);
  virtual void QuickInt_CloseDialog(short index);
  virtual void GetDataForWholeTimeRange(short slot);
  virtual void SetClickMarker(double time, short slot);
  virtual void ClearClickMarker();
  virtual void DrawClickMarker(CDC* dc);
  virtual void EnableSegmentMode();

  // ---- Scales -------------------------------------------------------------------
  void AutoScaleOneVert(double* low, double* high);
  void AutoScaleOneOfTwoVerts(short plot, double* low, double* high);
  void AutoScaleSepVert(short plot, double* low, double* high);
  void SetVerticalFullScale(short left, short right);
  void SetHorizontalFullScale();
  void InitUnsetVerticalScales();
  // The dual mode's left and right plots: the first in use, and the first
  // after it of another unit (20: none); a plot in "Counts" takes the left.
  void UpdateLeftRightIndexes();
  void AdjustSeparateMargin(short plot);
  // The range the scroll bar spans: the host's window of the data or all of it.
  void ScrollFullRange(double* start, double* end) const;
  // Records a time range for the owner to read back and tells it.
  void RequestTimeRange(double start, double end, unsigned short code);
  // Forgets the scale heights kept for the owner's next answer.
  void ClearKeptHeights();

  // ---- Pixels and data, on the geometry of the last screen drawing -----------
  int GetXPixelFromTime(double time, short slot, STRUCT_OVER_SIZES* sizes, long* x, short unclipped);
  int GetYPixelFromValue(short slot, double value, short bottom, short top, STRUCT_OVER_SIZES* sizes, long* y,
                         short unclipped);
  int GetTimeFromXPixel(short x, double* time, short unclipped);
  int GetValueFromYPixel(short y, short* slot, double* value, short anySlot);
  int GetIntersectClipRect(CRect* rect, short slot, STRUCT_OVER_SIZES* sizes, short left, short bottom, short top);
  // The background level of a slot's trace at a time, from a background-correction record.
  int GetBCValueForTime(short slot, STRUCT_FILE_BC* background, double time, double* value);
  // The data point nearest a time of a slot: raw points, or the filtered
  // ones when raw is 0 and the plot is filtered.
  int GetTimeAndValue(short slot, double time, short raw, double* foundTime, double* foundValue);

  // ---- Mouse ------------------------------------------------------------------
  // A message box with the start, end and width of the line result.
  void DisplayTimeRange();
  // The rectangle the traces are drawn in, in client pixels (both edges inside).
  struct PlotArea {
    int left, top, right, bottom;
  };
  PlotArea GetPlotArea() const;
  // The stacked band that holds y: its slot (-1 none), top and height.
  int StackedBandAt(int y, int* top, int* height) const;
  // Sets a click-and-drag mode as its toolbar command does.
  void SetClickDragMode(short mode);

  // ---- Spectra from the chromatogram ------------------------------------------
  // The scans of the spectrum after (direction 1) or before (0) the one of
  // a marker; 1 with first, last and centre, 0 when there is none.
  int GetNextSpectrumScanRange(const STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* chanList,
                               const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                               uint32_t first, uint32_t last, uint32_t centre, short direction, short pointsToAverage,
                               short rangeFlag, uint32_t* newFirst, uint32_t* newLast, uint32_t* newCentre) const;
  // Hands a made spectrum on: manager, marker, notification 8 (Spectra from the chromatogram).
  // recordCentre goes into the spectrum record (-1: none), markerCentre into its marker.
  // false when the manager has no such place (the record is then freed).
  bool HandOverSpectrum(STRUCT_SPT_PLUS* spt, short slot, short control, short spectrum, uint32_t first,
                        uint32_t last, int32_t recordCentre, int32_t markerCentre, short rangeFlag, bool secondName);
  // Commands 2850..2857: the right-clicked spectrum into spectrum A or B of a spectrum window.
  void OnSelectSpectrum(UINT id);
  // The profile-density message for the segments a failed spectrum touched.
  void CheckProfileDensities(const STRUCT_WORK_FILE* workFile, double start, double end);

  // ---- Toolbar, its commands and the preferences --------------------------------
  // Makes the frame when there is none and asks it for the layout's toolbar.
  void CreateToolBar();
  void DestroyToolBar();
  void UpdateToolTips();
  // The local preference buttons: cleared while a shown plot's file blocks editing.
  bool PreferencesAllowed() const;
  // The toolbar's and drop-down menus' commands; false for another id.
  bool OnToolbarCommand(UINT id);
  void OnTTNoToolBar();
  void OnTTEditChromatogramPrefs();
  void OnTTModuleWindowVerticalScaleModeMenu();
  void OnTTPointsToAverage();
  void OnTTPlotType();
  void OnTTDBLCLKModeMenu();
  void OnTTClickDragModeMenu();
  void SetPointsToAverage(short points);
  void SetSingleClickMode(short mode);
  void SetDisplayModeCommand(short mode);
  void OnTTShowBackgroundCorrection();
  void OnTTTargetListSearchActivePlot();
  void OnTTShowAllPlots();
  void OnTTStopClickAndDrag();
  void OnTTSpectrumSelectionType();
  void OnTTModuleWindowFixedScale();
  void OnTTModuleWindowAutoScale();
  void OnTTReportPrefs();
  void OnTTDropDownButtons(NMHDR* hdr, LRESULT* result);
  // A fresh popup menu in place of the previous one, tracked under the toolbar.
  CMenu* NewPopupMenu();
  void TrackToolbarMenu(CMenu* menu);
  // Removes every plot's time and value offsets.
  void ClearPlotOffsets();
  // Reads the named record; false when it is missing, damaged or of another size.
  bool ReadKeptPreferences(STRUCT_OPLOT_KEPT_PREFS* record) const;
  LRESULT OnSetPMToolbar(WPARAM, LPARAM);
  LRESULT OnSetScreenScaleParams(WPARAM, LPARAM);
  LRESULT OnSetMetaScaleParams(WPARAM, LPARAM);
  LRESULT OnSetMetaPlotColors(WPARAM, LPARAM);
  LRESULT OnGetLocalPreferences(WPARAM, LPARAM);
  LRESULT OnSetLocalPreferences(WPARAM, LPARAM);
  LRESULT OnKeepPreferences(WPARAM, LPARAM);
  // Settings taken from the preferences (and the toolbar's own).
  int16_t m_keepFlag = 0, m_loadedFlag = 0;
  int16_t m_pointsToAverage = 1;
  int16_t m_showBCMarkers = 0;
  int16_t m_movingLineRop = 7;   // R2_XORPEN, or R2_NOTXORPEN on a light screen
  int16_t m_realTimeUpdateOff = 1;
  int16_t m_moduleScaleMode = 1;  // module windows: 0 fixed, 1 auto
  STRUCT_OPLOT_SCALE_PARAMS m_screenScale[2] = {};
  int16_t m_screenScaleSet = 0;
  // Navigation state the toolbar shows (the file-selection tree, qualifier and TIC plots).
  int16_t m_treePressed = 0, m_showQualPlots = 0, m_showTICPlot = 0;
  // Set by derived controls: their sub-kind, and whether they integrate areas.
  int16_t m_subKind = 0, m_areaIntegration = 0;

  // ---- Noise and signal-to-noise --------------------------------------------------
  // Drift correction of the RMS methods (command 2805 flips it).
  int16_t m_bRMSFitToLine = 0;
  // The noise commands (signal-to-noise of a slot, the drift switch); false for other ids.
  bool OnNoiseCommand(UINT id);

  // ---- Maximised plot and data-review navigation ------------------------------------
  // What the navigation strip steps: 0 nothing, 1 segments, 2 files, 3 plot descriptors.
  int32_t m_scrollKind = 0;
  // Set after plots were restored from a maximised one (derived controls set it after an exchange).
  int16_t m_plotsRestored = 0;
  // The strip's buttons follow the navigation state (nothing without a strip).
  void UpdateNavigationButtons();
  // Shows segment `wanted` of the active plot's file (1-based) when stepping segments.
  void GoToNavigatorSegment(short wanted);
  // Navigation strip state (the program's review of files and plot descriptors).
  int16_t m_preferFiles = 0;
  int16_t m_filesEnabled = 0, m_filesFirstLabel = 0, m_filesLastLabel = 0, m_filesCurrent = 0, m_filesMin = 0,
          m_filesMax = 0;
  int16_t m_pdsEnabled = 0, m_pdsFirstLabel = 0, m_pdsLastLabel = 0, m_pdsCurrent = 0, m_pdsMin = 0, m_pdsMax = 0;
  int16_t m_filesChanged = 0, m_pdsChanged = 0;
  // The last spectrum made from a time or a zoom: where segment mode starts.
  double m_lastSptTime = 0;
  int16_t m_lastSptPlot = 0;
  uint16_t m_lastSptSerial = 0;
  HWND NavChild(int id) const;
  class CSegmentNavigator* Navigator() const;
  bool CreateNavigationStrip();
  void DestroyNavigationStrip();
  void FreeNavigation();
  // The segment-mode box was set or cleared.
  void OnSegmentModeBox();
  // After the navigator moved: new data for the segment window, scales anew.
  void ApplySegmentChange();
  // In segment mode, after a plot went or a file came: a segment with the active plot's data stays shown.
  void KeepNavigatorSegment();
  // Strip buttons and the program's toolbar hooks; false for other ids.
  bool OnNavigationCommand(UINT id);
  LRESULT OnQuibEnableFeature(WPARAM, LPARAM);
  LRESULT OnQuibEnableFilesScroll(WPARAM, LPARAM);
  LRESULT OnQuibEnablePDsScroll(WPARAM, LPARAM);
  LRESULT OnSetQuib5PressTree(WPARAM, LPARAM);
  LRESULT OnSetHighlightRange(WPARAM, LPARAM);
  LRESULT OnForceSegmentWithData(WPARAM, LPARAM);
  LRESULT OnShowQualPlots(WPARAM, LPARAM);
  LRESULT OnShowTICPlot(WPARAM, LPARAM);
  LRESULT OnNotifyEditKeyEnter(WPARAM, LPARAM);

  // ---- Live update of files still being acquired -----------------------------------
  void OnTimer(UINT_PTR id);
  // One tick of following the acquiring files (timers 1 to 20).
  void FollowAcquiringFiles();
  // Timer 42: the deferred copy of the control to the clipboard.
  void CopyToClipboardLater();

  // ---- Life cycle ------------------------------------------------------------
  void FreeObjects();

  // ---- State (groups of the object) ----------------------------------------
  // 1. identity and geometry
  int32_t m_id = 0;
  int16_t m_cx = 0, m_cy = 0;
  int16_t m_vScrollWidth = 0, m_hScrollHeight = 0, m_sliderWidth = 0;
  // 2. children and helpers
  CScrollBar* m_pHScroll = nullptr;
  CButton* m_pScrollButton[2] = {};  // ids 20, 21
  CCtlVScroll* m_pSliders[OPLOT_SLOTS] = {};
  CStatic* m_pRangeText = nullptr;
  CListBox* m_pListBox = nullptr;
  CWnd* m_pSegments = nullptr;
  CLabelManager* m_pLabels = nullptr;
  CWnd* m_pToolBar = nullptr;
  CMenu* m_pMenu = nullptr;
  void* m_pSegmentNavigator = nullptr;
  void* m_pTileTexts[OPLOT_SLOTS] = {};
  // Set by controls that mark peak apexes: upright annotations start above the marks.
  int16_t m_tileTextsClearApexMarks = 0;
  void* m_pQuickInt[OPLOT_QUICKINT_DIALOGS] = {};
  CWnd* m_pBackCorrDlg = nullptr;
  int16_t m_backCorrValue1 = 0, m_backCorrValue2 = 0;
  void* m_pPickedFiles = nullptr;
  void* m_pEditIonsBlock = nullptr;
  // 3. the overlay
  SVW_OVERLAY* m_pOverlay = nullptr;
  int16_t m_ownOverlay = 0;
  int16_t m_hasData = 0, m_noRepaint = 0, m_waitingForData = 0, m_tracking = 0;
  int16_t m_controlKind = 0;       // 0 this class, 1..4 the derived controls (3 and 4 never take files)
  int16_t m_handlesOwnNotifications = 0;  // set by derived controls without a listening host
  // 4. per-slot identity
  STRUCT_OPLOT_SLOT_IDENTITY m_identity[OPLOT_SLOTS] = {};
  // What the file-display records said of each slot (control-made overlay).
  STRUCT_OPLOT_SLOT_FILE m_slotFiles[OPLOT_SLOTS] = {};
  // 5. preferences
  STRUCT_CHRO_PREFS m_prefs{};
  int16_t m_filtering[6] = {};
  char m_iniSection[64] = {};
  COLORREF m_printColors[OPLOT_PRINT_COLORS] = {};
  int16_t m_ownColors = 0;
  STRUCT_AXIS_PARAMS m_printAxes[2] = {};
  int16_t m_ownPrintScaleParams = 0;
  int16_t m_thickPenWidth = 2, m_thickPenValue = 60, m_thickPen3 = 0, m_thickPen4 = 0;
  // 6. interaction
  int16_t m_activePlot = -1;  // the selected plot, -1 for none
  // The plot the one-plot operations act on: the selected plot while it is
  // switched on, else the first plot switched on; -1 when there is none.
  short GetActivePlotIndex() const;
  int16_t m_clickDragMode = 0, m_singleClickMode = 0;
  int16_t m_zoomPending = 0;
  double m_zoomStart = 0, m_zoomEnd = 0;
  int16_t m_zoomPlot = 0;
  int16_t m_timeClickPending = 0;
  double m_timeClick = 0;
  int16_t m_dblClickSpectrumPending = 0;
  double m_dblClickTime = 0;
  int16_t m_dblClickSlot = 0, m_dblClickControl = 0, m_dblClickPlot = 0;
  int16_t m_offsetPending = 0;
  STRUCT_OPLOT_TIME_VALUE_OFFSET m_offset{};
  // The pending click: a search or export click, or a right press handed to the owner.
  int16_t m_rightClickPending = 0;
  double m_rightClickTime = 0, m_rightClickValue = 0;
  int32_t m_rightClickX = 0, m_rightClickY = 0;
  int16_t m_rightClickSlot = 0;
  // The band being dragged: press point, the band, its kind and directions.
  int16_t m_pressX = 0, m_pressY = 0;
  RECT m_band{};
  int16_t m_lineBand = 0, m_pressAtLeft = 0, m_pressAtBottom = 0;
  // The line result of the last drag (average, noise, area, time range, linearity).
  int16_t m_lineResultSet = 0;
  double m_lineStart = 0, m_lineEnd = 0, m_lineStartValue = 0, m_lineEndValue = 0;
  int16_t m_lineSlot = 0;
  // Spectrum selection: 0 nearest point, 1 apex.
  int16_t m_selectionType = 0;
  // The last spectrum made here, and the spectrum chosen from the context menu.
  int16_t m_newSptSet = 0, m_newSptSlot = 0, m_newSptControl = 0, m_newSptSpectrum = 0;
  int16_t m_menuSptControl = 0, m_menuSptSpectrum = 0;
  int16_t m_multipleSptControls = 0;
  // The alternate MS data file of WM_USER+57 (all zero: none).
  STRUCT_SPECIAL_SN_FILE m_SpecialSNFile{};
  // A work file made from the alternate file when it serves the slot (its
  // path set and its slot the given one); null otherwise or when it cannot
  // be made. The caller frees it with FreeWorkFileStruct.
  STRUCT_WORK_FILE* MakeSpecialSNWorkFile(short slot) const;
  double m_currentTime = 0;
  int16_t m_currentSlot = 0;
  uint16_t m_currentSerial = 0;
  // Two-time background correction (set by derived controls).
  int16_t m_twoTimeBC = 0;
  double m_bcTime1 = 0, m_bcTime2 = 0;
  int16_t m_slotMarks[OPLOT_SLOTS] = {};
  // Spectrum markers (spectrum window 0-3 by spectrum A, B) and the click marker's drawing geometry.
  STRUCT_OPLOT_SPT_MARKER m_SptMarkers[OPLOT_SPT_WINDOWS][OPLOT_SPT_PLACES] = {};
  const STRUCT_OVER_SIZES* m_pDrawnSizes = nullptr;  // sizes of the drawing DrawPlot is making
  void GetOneSpectrumMarkerValues(short window, short spectrum);
  void ClearOneSpectrumMarker(short window, short spectrum);
  // Clears the marker, then sets it from a copy of the spectrum; 0 for indexes outside the table or slots.
  int SetOneSpectrumMarker(short window, short spectrum, short slot, const STRUCT_TOL_SPT* spt);
  // Clears the entries whose spectrum the attached data review manager no longer marks.
  void ClearMarkersNotHeldByManager();
  LRESULT OnClearMarkerL(WPARAM, LPARAM);
  LRESULT OnClearMarkerR(WPARAM, LPARAM);
  int16_t m_segmentMode = 0;
  int16_t m_navEnabled = 0, m_segModeRequested = 0;
  // Segment navigator: number of segments and the current one (1-based).
  int16_t m_navSegCount = 1, m_navSegCurrent = 1;
  int16_t m_editIonsOn = 0;
  int16_t m_ownFullRange = 0;
  double m_ownFullStart = 0, m_ownFullEnd = 0;
  // The host's limited full range: where full scale and a double click return.
  int16_t m_limitedRangeOn = 0;
  double m_limitedFrom = 0, m_limitedEnd = 0;
  int16_t m_timeEventWaitingForButtons = 0;
  int16_t m_giveParentRightClick = 0, m_enableHideDelete = 0;
  // Indexes the host reads back; -1 while their features are off.
  int16_t m_newReferencePlot = -1, m_newFilesIndex = -1, m_newPDsIndex = -1;
  // 7. data review
  void* m_pDataReview = nullptr;
  int16_t m_dataReviewToolbar = 0;
  // 8. result annotations
  void* m_dhAnnotations[OPLOT_SLOTS] = {};
  void* m_amdisAnnotations[OPLOT_SLOTS] = {};
  void* m_tchroAnnotations[OPLOT_SLOTS] = {};
  void* m_tchroResults[OPLOT_SLOTS] = {};
  // 9. linearity report: kept between reports for the life of the control
  int16_t m_bLinearityFirstUse = 1;  // the next report proposes both ions from the apex spectrum
  STRUCT_MASS_LIST m_LinVerticalIons{};
  STRUCT_MASS_LIST m_LinHorizontalIons{};
  int16_t m_bLinBaselineCorrection = 1, m_bLinTargetRatios = 1;
  double m_LinTargetRatio1 = 0.5, m_LinTargetRatio2 = 1.5;  // vertical / horizontal
  // 10. outline colours
  COLORREF m_outline[4] = {0x404040, 0x808080, 0xC0C0C0, 0xFFFFFF};

  // 11. painting: alive only within one paint, except the geometry
  CPaintDC* m_pPaintDC = nullptr;
  CDC* m_pMemDC = nullptr;
  CBitmap* m_pMemBitmap = nullptr;
  CBitmap* m_pOldMemBitmap = nullptr;
  int16_t m_nLastCharHeight = 0;
  int16_t m_bSizesValid = 0;
  STRUCT_OVER_SIZES m_Sizes{};
  int16_t m_printJobOpen = 0, m_overlayUpdating = 0;
  int16_t m_movingLineShown = 0;
  // 13. scales: scroll bar, kept heights across a time-range change, saved states
  int16_t m_hScrollPos = 0, m_hScrollPage = 5000, m_hScrollLine = 1000;
  int16_t m_keepShared = 0, m_keepRight = 0, m_keepPlot[OPLOT_SLOTS] = {};
  double m_keepSharedHeight = 0, m_keepRightHeight = 0, m_keepPlotHeight[OPLOT_SLOTS] = {};
  int16_t m_historyCount = 0, m_historyNext = 0, m_historyCurrent = 0;
  STRUCT_OPLOT_SCALE_STATE m_history[OPLOT_SCALE_HISTORY] = {};
  // 12. plot drawing
  int16_t m_nTextFlags = 0;
  STRUCT_OPLOT_TEXT_FLAG m_TextFlags[OPLOT_TEXT_FLAGS] = {};
  int16_t m_titleOn = 0;
  char m_titleText[256] = {};
  int16_t m_highlightOn = 0;
  STRUCT_OPLOT_HIGHLIGHT m_highlight{};
  int16_t m_clickMarkerOn = 0, m_clickMarkerSlot = 0;
  double m_clickMarkerTime = 0;
  int16_t m_drawState[2] = {};
  int16_t m_displayChoice = 0;
  int16_t m_traceKind = 0;         // control kind 4: 3 draws centroid traces
  int16_t m_toolbarLayout = 0;     // 0..6

  // 14. label areas of the last label drawing, and the dual mode's right-hand slots
  int16_t m_labelAreaCount = 0;
  STRUCT_OPLOT_LABEL_AREA m_labelAreas[OPLOT_LABEL_AREAS] = {};
  int16_t m_rightHand[OPLOT_SLOTS] = {};

  // ---- Layout -----------------------------------------------------------------
  int16_t m_charWidth = 0, m_charHeight = 0;
  int16_t m_segmentBarHeight = 20;
  int16_t m_plotLeft = 0, m_plotTop = 0, m_plotWidth = 0, m_plotHeight = 0;
  int16_t m_toolbarHeight = 0;
  int16_t m_toolbarShown = 0, m_segmentsShown = 0, m_slidersShown = 0, m_scrollShown = 0;
  int16_t m_noFileAcquiring = 1;
  int16_t m_showToolbar = 0;       // the toolbar frame is made with the toolbar frames
  int16_t m_showSliders = 1;
  int16_t m_textAreaOn = 0, m_plotTextLines = 0;
  char m_plotText[256] = {};
  int16_t m_segmentsNeedFit = 0;

  // Notifications run by the control itself (derived flag or own overlay).
  bool HandlesOwnNotifications() const { return m_handlesOwnNotifications || m_ownOverlay; }
  // Clears the pending zoom, clicks, offsets and per-slot marks.
  void ClearPendingStates();
  // Repaints unless repainting is suspended.
  void RepaintUnlessSuspended();
  // The plot title OPLOT_MakeSlotPlotTitle makes for a slot.
  void SlotTitle(int slot, char* title) const;
  // Frees one slot's result annotations.
  void FreeOneSlotAnnotations(int slot);
  // Builds, keeps (while their source file is unchanged) or frees the
  // result annotations of every slot, as the settings and files say.
  void MakeOrKeepOrFreeAnnotations();
  // The toolbar's buttons and the segment bar follow the displayed state.
  void UpdateToolBar();
  void UpdateSegments();
  // The segment bar (child 70): made with the control's preferences and
  // print colours, and destroyed.
  void CreateSegments();
  void DestroySegments();
  // A click on the bar: the segment it names, for the data-file information.
  void OnNoteSegInfoClick();
  // The bar keeps the active plot's work file by address: before a work
  // file may be freed, it is told to forget it until the next paint.
  void ForgetSegmentFile();
  // The last segment clicked on the bar: its file's segment count in the
  // high word, the segment index in the low word.
  int32_t m_segInfoClickValue = 0;
  // The room the control's title line takes above the plots (0: no title).
  int16_t TitleMargin() const;
  // Tiled annotation texts of one paint: filled while drawing the plots,
  // drawn over the labels, freed before the paint ends.
  void AddTileTexts(const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes, const LOGFONTA* font);
  void DrawTileTexts(CDC* dc, short print, const STRUCT_OVER_SIZES* sizes, const LOGFONTA* font);
  // The title settings DrawPlot hands the engine.
  void TitleOptions(STRUCT_OPLOT_CALLER_TITLE* callerTitle, uint16_t* optionA, uint16_t* optionB) const;
  // The font of printed annotation texts, from the report preferences.
  static LOGFONTA PrintAnnotationFont(const STRUCT_REPORT_PREFS& report);
  void MakeTileTexts();
  void FreeTileTexts();
  // Drops labels and annotations of slots whose plot changed; keeps the identities.
  void CheckSlotIdentities();
  // Under security, a deleted slot's pending version file goes to another
  // slot of the same data file, or is finished and the file's name leaves the list.
  void HandOverVersionFile(short slot);

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  UINT OnGetDlgCode();
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  void OnMeasureItem(int id, MEASUREITEMSTRUCT* item);
  void OnDrawItem(int id, DRAWITEMSTRUCT* item);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // Private messages.
  LRESULT OnNewPlotData(WPARAM, LPARAM);
  LRESULT OnNewTimeRange(WPARAM, LPARAM);
  LRESULT OnNewPlotType(WPARAM, LPARAM);
  LRESULT OnNoPlotData(WPARAM, LPARAM);
  LRESULT OnPrintPlot(WPARAM, LPARAM);
  LRESULT OnNewPlotText(WPARAM, LPARAM);
  LRESULT OnGetTimeRange(WPARAM, LPARAM);
  LRESULT OnChangeOnStatus(WPARAM, LPARAM);
  LRESULT OnGetTimeClick(WPARAM, LPARAM);
  LRESULT OnSetMarkerLFromSpt(WPARAM, LPARAM);
  LRESULT OnSetMarkerRFromSpt(WPARAM, LPARAM);
  LRESULT OnGetOverDraw(WPARAM, LPARAM);
  LRESULT OnEscapeTracking(WPARAM, LPARAM);
  LRESULT OnGetTimeValueOffset(WPARAM, LPARAM);
  LRESULT OnGetRightClickPos(WPARAM, LPARAM);
  LRESULT OnShowToolbar(WPARAM, LPARAM);
  LRESULT OnGiveParentRightClick(WPARAM, LPARAM);
  LRESULT OnShowSegments(WPARAM, LPARAM);
  LRESULT OnIsShowingSegments(WPARAM, LPARAM);
  LRESULT OnEnableHideDelete(WPARAM, LPARAM);
  LRESULT OnWaitForNewData(WPARAM, LPARAM);
  LRESULT OnSetThickPenWidth(WPARAM, LPARAM);
  LRESULT OnNotificationsToSelf(WPARAM, LPARAM);
  LRESULT OnSetMarkerInfo(WPARAM, LPARAM);
  LRESULT OnClearMarkerInfo(WPARAM, LPARAM);
  LRESULT OnSetDataReviewManager(WPARAM, LPARAM);
  LRESULT OnSetTCHROResults(WPARAM, LPARAM);
  LRESULT OnDisplaySetFile(WPARAM, LPARAM);
  LRESULT OnDisplayClearFile(WPARAM, LPARAM);
  LRESULT OnDisplaySetTimeRange(WPARAM, LPARAM);
  LRESULT OnDisplaySetPlotType(WPARAM, LPARAM);
  LRESULT OnDisplaySetONStatus(WPARAM, LPARAM);
  LRESULT OnDisplayNoRepaint(WPARAM, LPARAM);
  LRESULT OnGetPlotType(WPARAM, LPARAM);
  LRESULT OnCloseQuickIntegrationDialog(WPARAM, LPARAM);
  LRESULT OnSizeTimeEventButtons(WPARAM, LPARAM);
  LRESULT OnGetNumberSpectraToAverage(WPARAM, LPARAM);
  LRESULT OnGetNewReferencePlot(WPARAM, LPARAM);
  LRESULT OnQUIB_GetNewFilesIndex(WPARAM, LPARAM);
  LRESULT OnQUIB_GetNewPDsIndex(WPARAM, LPARAM);
  LRESULT OnWM_FILE_CHANGED(WPARAM, LPARAM);
  LRESULT OnWM_LOGIN_CHANGED(WPARAM, LPARAM);
  LRESULT OnAddTextFlag(WPARAM, LPARAM);
  LRESULT OnAddPlotLabel(WPARAM, LPARAM);
  LRESULT OnAddHorzPlotLabel(WPARAM, LPARAM);
  LRESULT OnClearAllLabelsForPlot(WPARAM, LPARAM);
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnMouseMove(UINT flags, CPoint point);
  void OnChar(UINT character, UINT repeat, UINT flags);
  LRESULT OnClickDragZoomPlotMode(WPARAM, LPARAM);
  LRESULT OnClickDragAverageSpectrumMode(WPARAM, LPARAM);
  LRESULT OnClickDragSignal2NoiseMode(WPARAM, LPARAM);
  LRESULT OnClickDragOffsetPlotMode(WPARAM, LPARAM);
  LRESULT OnClickDragIntegratePlot(WPARAM, LPARAM);
  LRESULT OnGetNewSpectrumInformation(WPARAM, LPARAM);
  LRESULT OnGetRightClickSpectrumInfo(WPARAM, LPARAM);
  LRESULT OnMultipleSpectraControls(WPARAM, LPARAM);
  LRESULT OnSpecialSignalToNoiseFile(WPARAM, LPARAM);
  LRESULT OnDeleteOrphanSpectra(WPARAM, LPARAM);
  // Adds a label of the record at its time; the angle in tenths of a degree.
  void AddPlotLabel(const STRUCT_OPLOT_ADD_LABEL* record, int32_t angle, int16_t type);
  LRESULT OnSetPlotScales(WPARAM, LPARAM);
  LRESULT OnShowExpScales(WPARAM, LPARAM);
  void OnHScroll(UINT code, UINT position, CWnd* bar);
  void OnHorzUp();
  void OnHorzDown();
  void OnVScale(int slot);
  void OnTTFullScale(bool clearVertical);
  void OnTTVerticalFullScale();
  void OnTTPreviousScales();
  LRESULT OnClearAllTextFlags(WPARAM, LPARAM);
  LRESULT OnSpecialDBLCLKFullTimeRange(WPARAM, LPARAM);
  LRESULT OnLimitedDBLCLKFullTimeRange(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  template <class T>
  bool MakeChild(T*& child, const char* className, const char* text, DWORD style, UINT id);

 public:
  void ClearVerticalScales();

  // ---- Context menu ------------------------------------------------------------
  void OnRButtonDown(UINT flags, CPoint point);
  // Fills the menu for the pending right click (not on a label).
  void BuildContextMenu(CMenu& menu);
  // The context menu's own commands and the label deletions; false for other ids.
  bool OnContextCommand(UINT id);
  void OnEditScales(UINT id);
  void OnExportChroToAMDIS(UINT id);
  int16_t m_rightClickedLabel = -1;
  int16_t m_referenceSelection = 0;  // derived kinds 1 and 2: plots can be marked as the reference file
  int16_t m_kind4PlotKind = 0;       // kind 4: 0 optimization, 1 original, 2 deconvoluted

  // ---- Labels, text flags and result annotations by message ------------------
  LRESULT OnNewUserLabel(WPARAM, LPARAM);
  LRESULT OnSetAnnotations(WPARAM, LPARAM);
  LRESULT OnShowResultAnnotations(WPARAM, LPARAM);
  void OnDeleteLabel();
  void OnEditLabel();
  void OnNewLabelAtRightClick();
  // Deletes one family of labels (user 3020, area 3220, noise 3300, all 3320) of a slot.
  void DeleteLabelFamily(UINT base, short slot);

  // ---- Plot moving, cursors, double clicks, typed ranges ---------------------
  void OnLButtonDblClk(UINT flags, CPoint point);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  LRESULT OnLetUserSetTimeRange(WPARAM, LPARAM);
  LRESULT OnNewEndTime(WPARAM, LPARAM);
  // Starts a move of the plot under the press; false when the press converts to no time or value.
  bool StartMovingPlotLine(CPoint point);
  struct MovingLine {
    int16_t moving = 0, drawn = 0, slot = 0;
    int32_t left = 0, right = 0, top = 0, bottom = 0;
    double pressTime = 0, pressValue = 0, time = 0, value = 0;
    int16_t fromKey = 0;  // started with M held
  } m_moving;
  int16_t m_busy = 0;  // printing all plots or making a report

  // ---- Features a host switches on or drives by message ----------------------
  // Edit ions: the ions box (id 100) and its text (id 101).
  LRESULT OnTurnOnEditIonsFeature(WPARAM, LPARAM);
  void EI_TurnOnEditIonsFeature(bool on);
  void EI_DeleteEditIonControls();
  // Enter in the ions box: the typed ions become a new trace's descriptor.
  void EI_TakeTypedIons();
  LRESULT OnGetNewPD(WPARAM, LPARAM);
  LRESULT OnGetLastDataFile(WPARAM, LPARAM);
  // A descriptor of a slot's trace with the given mass list; null when the
  // slot's kind takes none or the block cannot be made.
  STRUCT_PLOT_DESCRIPTOR* MakeSlotDescriptor(short slot, const STRUCT_MASS_LIST* massList, int16_t firstField,
                                             bool dataTypeFromMasses) const;
  void SaveSlotAsUserPD(short slot);
  LRESULT OnSaveActiveAsUserPD(WPARAM, LPARAM);
  LRESULT OnEnableReferencePlot(WPARAM, LPARAM);
  // Time-event waiting mode: the Process (113) and Cancel (114) buttons.
  void TE_StartWaitingMode();
  void TE_CancelWaitingMode();
  void TE_DeleteControls();
  LRESULT OnSingleClickForApex(WPARAM, LPARAM);
  LRESULT OnOpenQuickIntegrationDialog(WPARAM, LPARAM);
  LRESULT OnOpenQuickIntegrationDialogForAll(WPARAM, LPARAM);
  LRESULT OnEditFiltering(WPARAM, LPARAM);
  LRESULT OnUpdateTransientFiltering(WPARAM, LPARAM);
  // Commands of the host features (buttons 113 and 114, context commands); false for other ids.
  bool OnHostFeatureCommand(UINT id);
  int16_t m_editIonsPending = 0, m_editIonsSlot = -1;  // the typed mass list is in m_pEditIonsBlock
  STRUCT_PLOT_DESCRIPTOR* m_newPD = nullptr;           // owned until the host fetches it
  char m_newPDFile[260] = {}, m_newPDPath[260] = {};
  char m_lastDataFile[260] = {};                       // set by the derived controls
  int16_t m_refPlotPending = 0;                        // the slot waits in m_newReferencePlot
  int16_t m_teFeatureOn = 0;                           // set by the derived control that edits events
  int16_t m_eventStripLines = 0;                       // lines kept under the time axis for event strips
  char m_rightsPrompt[256] = {};
  char m_rightsReason[256] = {};
  // ---- Printing all plots, exports and hand-overs ----------------------------------
  // The print message of the control's kind (the derived kinds 1 and 2 have their own).
  UINT PrintMessageForKind() const;
  // The page title of a print-all.
  const char* PrintAllTitle() const;
  // Command 2800: the page of all plots into the current reports file, then shown.
  void OnPrintAll();
  // Draws the page and stores it: appended to path, or (temporary set) as a new
  // temporary reports file whose path is written into path. 1 when stored.
  int PrintAllToReportsFile(char* path, int16_t temporary);
  // Starts the data review program on a reports file; 1 when it was started.
  int HandReportToQuibell(const char* path, short temporary);
  // The print-all and export commands (text files, clipboard, picture); false for other ids.
  bool OnExportCommand(UINT id);
  // Writes the slot's displayed points as a chromatogram text file; the
  // extension chooses the separator. 1 when the whole file was written; on
  // failure no file is left behind.
  int WritePlotDataToTextFile(short slot, const char* path, const char* extension);
  void OnPlotDataToTextFile(short slot);
  void OnBitmapToClipboard();
  // The plot area as the last paint left it, onto the clipboard; 1 when it is there.
  int BitmapToClipboard();
  void OnPictureToFile();
  // The plots drawn onto a page of the page maker; its metafile bits, or null.
  HGLOBAL MakePicturePage();
  LRESULT OnExportChromatogramToTextFile(WPARAM, LPARAM);
  LRESULT OnControlToBitmap(WPARAM, LPARAM);
  LRESULT OnControlToWMFFile(WPARAM, LPARAM);
  LRESULT OnClickDragBitmapToClipboard(WPARAM, LPARAM);
  LRESULT OnLetUserEditChromatogramPreferences(WPARAM, LPARAM);
  LRESULT OnExportChromatogramToAMDIS(WPARAM, LPARAM);
  // The deconvolution (WM_USER+75) or analysis (WM_USER+76) of a slot's
  // data file; its results become the slot's annotations.
  LRESULT OnDoAMDISDeconvolution(WPARAM, LPARAM);
  LRESULT OnDoAMDISAnalysis(WPARAM, LPARAM);
  void RunAMDIS(short slot, const void* hostRecord, bool analysis);
  // Commands 3180-3199 and WM_USER+96: the version dialog of a slot's data file.
  bool OnVersionCommand(UINT id);
  LRESULT OnShowVersionDialog(WPARAM, LPARAM);
  void ShowVersionDialog(short slot);
};

// The class's window procedure: makes the object on WM_NCCREATE and
// keeps it in the window property "X".
LRESULT CALLBACK CtlOPWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Bisects [x0, x1] for where line A (x0, a0)-(x1, a1) crosses line B
// (x0, b0)-(x1, b1); direction 0 for A falling through B, other values for A
// rising through it. Returns the x
// found and writes both lines' values there.
KELT_API double KELT_InterpolateLines(short direction, double x0, double a0, double x1, double a1, double b0,
                                      double b1, double* a, double* b);

// The title of a slot's plot (at most 196 characters); empty without data.
KELT_API void OPLOT_MakeSlotPlotTitle(const SVW_OVERLAY* overlay, int16_t slot, char* text);
