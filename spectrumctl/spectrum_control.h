#pragma once
// CCtlSpt: the spectrum control (window class "KELT_Spt"). It shows up to
// two spectra (A and B) and their difference, stacked, through the
// stacked-spectra drawing, with an information list, a mass scroll bar, two
// arrow buttons and a gain slider per pane. Hosts and managers drive it
// with the private SPTM_* messages; it reports to its parent with
// WM_COMMAND notifications carrying the control id and a code.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_controls.h"
#include "framework/framework_menu.h"
#include "framework/framework_wnd.h"
#include "quorna/quorna.h"
#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"
#include "win/win_types.h"

class CCtlVScroll;
class CLabelInfo;
class CLabelManager;
class CDataReviewManager;
class CDrawStackedSpectra;
class CWrapCtlSptInfo;
class CWrapSptToolBar;

// ---- Private messages (all sent; each answers at once) ----------------------
#define SPTM_NODATA (WM_USER + 21)
#define SPTM_PRINT (WM_USER + 22)
#define SPTM_PLUSDATA (WM_USER + 23)
// Fills the caller's record with a copy of the difference; its difference
// pairs (diffSpt) are the caller's own, freed with DIFF_Free.
#define SPTM_GETDIFFERENCESPECTRUM (WM_USER + 24)
#define SPTM_SETSHOWDIFFERENCEMODE (WM_USER + 25)
#define SPTM_GETMASSRANGE (WM_USER + 26)
#define SPTM_GETVERTRANGES (WM_USER + 27)
#define SPTM_ESCAPETRACKING (WM_USER + 28)
#define SPTM_NEWUSERLABEL (WM_USER + 31)
#define SPTM_GETSPTCOUNT (WM_USER + 32)
#define SPTM_DISPLAYCOMPARISON (WM_USER + 33)
#define SPTM_PREVENTDELETES (WM_USER + 34)
#define SPTM_SHOWTOOLBAR (WM_USER + 35)
#define SPTM_SHOWSPECTRUM (WM_USER + 36)
#define SPTM_FIXMASSRANGE (WM_USER + 37)
#define SPTM_SETSCREENSCALEPARAMS (WM_USER + 54)
#define SPTM_SETMETASCALEPARAMS (WM_USER + 55)
#define SPTM_SETMETAPLOTCOLORS (WM_USER + 56)
#define SPTM_SHOWDIFFSPTFULLSCALE (WM_USER + 57)
#define SPTM_GETLOCALPREFERENCES (WM_USER + 58)
#define SPTM_SETLOCALPREFERENCES (WM_USER + 59)
#define SPTM_KEEPPREFERENCES (WM_USER + 60)
#define SPTM_LIVESPECTRUMEX (WM_USER + 62)
#define SPTM_SPECTRUMREQUEST (WM_USER + 64)
#define SPTM_SETMODULEWINDOWMODE (WM_USER + 65)
#define SPTM_CLOSEDCENTROIDDIALOG (WM_USER + 66)
#define SPTM_MAKECENTROIDSPECTRUM (WM_USER + 67)
#define SPTM_SPTPLUSDATA (WM_USER + 68)
#define SPTM_SETNAMEOFCONTROL (WM_USER + 70)
// A null manager detaches the one attached, so a host can destroy it.
#define SPTM_SETDATAREVIEWMANAGER (WM_USER + 72)
#define SPTM_GETUSEBACKGROUNDCORRECTIONSTATUS (WM_USER + 73)
#define SPTM_LETUSEREDITSPECTRUM (WM_USER + 74)
#define SPTM_MAKECENTROIDSPECTRUMFROMPROFILESPECTRUM (WM_USER + 75)
#define SPTM_PRINTSPECTRUM (WM_USER + 76)
#define SPTM_SENDSPECTRUMTONIST (WM_USER + 77)
#define SPTM_PUTSPECTRUMINTOTEXTFILE (WM_USER + 78)
#define SPTM_CHANGEBACKGROUNDCORRECTEDSPECTRASTATUS (WM_USER + 79)
#define SPTM_CHANGEPAGEMODE (WM_USER + 80)
#define SPTM_LETUSEREDITSPECTRAPREFERENCES (WM_USER + 81)
#define SPTM_CHANGENEWSPTHORZMASSRANGEMODE (WM_USER + 82)
#define SPTM_CHANGENEWSPTVERTRANGEMODE (WM_USER + 83)
#define SPTM_CLOSESELCHROPLOTDLG (WM_USER + 84)
#define SPTM_GETSPECTRUMPOINTER (WM_USER + 85)
#define SPTM_GETINPUTSPECTRUMPOINTER (WM_USER + 86)
#define SPTM_SETNISTCOMPARISONPARAMS (WM_USER + 87)
#define SPTM_SETBOUNDARIES (WM_USER + 88)
#define SPTM_NEWACTIVEINDEX (WM_USER + 89)
#define SPTM_ISSPTDISPLAYED (WM_USER + 90)
#define SPTM_GETREALSPTFROMDIFFSPT (WM_USER + 91)
#define SPTM_SENDBITMAPOFWINDOWTOCLIPBOARD (WM_USER + 92)
#define SPTM_CLOSESELSPTSPLOTDLG (WM_USER + 93)
#define SPTM_UPDATEFROMSELSPTSPLOTDLG (WM_USER + 94)
#define SPTM_GETNEWMASSLIMITS (WM_USER + 95)
#define SPTM_SETNEWMASSLIMITS (WM_USER + 96)
#define SPTM_CONTROLTOBIPMAP (WM_USER + 97)
#define SPTM_CONTROLTOWMFFILE (WM_USER + 98)
#define SPTM_SHOWALLPLOTS (WM_USER + 99)
#define SPTM_PRESSAVERAGETBBUTTON (WM_USER + 100)
#define SPTM_GETALLRANGEINFO (WM_USER + 101)
#define SPTM_SETALLRANGEINFO (WM_USER + 102)
#define SPTM_GETMSMSSTEP (WM_USER + 103)
#define SPTM_GETNEWPD (WM_USER + 104)
#define SPTM_GIVENEWPD (WM_USER + 105)
#define SPTM_ENABLEEXPORTTOCOMPOUNDTABLE (WM_USER + 106)

// ---- Notification codes (WM_COMMAND to the parent) ---------------------------
#define SPTN_DELETED_A 1
#define SPTN_DELETED_B 2
#define SPTN_HIDDEN_A 3
#define SPTN_HIDDEN_B 4
#define SPTN_HIDDEN_DIFF 5
#define SPTN_SHOWN_ALL 6
#define SPTN_PREFS_CHANGED 7
#define SPTN_ACTIVE_CHANGED 8
#define SPTN_LIBRARY_SEARCH_A 9
#define SPTN_LIBRARY_SEARCH_B 10
#define SPTN_LIBRARY_SEARCH_DIFF 11
#define SPTN_LIST_SEARCH_A 12
#define SPTN_LIST_SEARCH_B 13
#define SPTN_LIST_SEARCH_DIFF 14
#define SPTN_LIST_FILE_A 15
#define SPTN_LIST_FILE_B 16
#define SPTN_NEW_SPECTRA 17
#define SPTN_EXPORTED 18
#define SPTN_EXPORT_A 19
#define SPTN_EXPORT_B 20
#define SPTN_EDITED_A 21
#define SPTN_EDITED_B 22
#define SPTN_SELECT_MASS_LIST 23
#define SPTN_MAXIMISED 24
#define SPTN_RESTORED 25
#define SPTN_NEW_MASS_LIMITS 27
#define SPTN_DATA_REVIEW_PRINT 28
#define SPTN_AVERAGE_ON 29
#define SPTN_AVERAGE_OFF 30
#define SPTN_MSMS_STEP 31
#define SPTN_NEW_PD 32
#define SPTN_ADD_COMPOUND_A 33
#define SPTN_ADD_COMPOUND_B 34

// ---- Child ids and commands ------------------------------------------------------
#define SPT_ID_INFO 12345
#define SPT_ID_HSCROLL 44
#define SPT_ID_DOWN 22
#define SPT_ID_UP 33
#define SPT_ID_SLIDER0 50
#define SPT_ID_TOOLBAR 60
#define SPT_CMD_FULL_SCALE 8002
#define SPT_CMD_SET_DRAG_ZOOM 8013
#define SPT_CMD_SET_DRAG_CHROMATOGRAM 8014
#define SPT_CMD_SET_DRAG_BITMAP 8015
#define SPT_CMD_HORZ_AUTOSCALE 8017
#define SPT_CMD_HORZ_LEARN 8018
#define SPT_CMD_HORZ_FIXED 8019
#define SPT_CMD_VERT_AUTOSCALE 8021
#define SPT_CMD_VERT_FIXED 8022
#define SPT_CMD_PAGE_PLOT 8023
#define SPT_CMD_SHOW_PREVIOUS 8035
#define SPT_CMD_HIDE_A 8107
#define SPT_CMD_DELETE_A 8110
#define SPT_CMD_SHOW_ALL 8210
#define SPT_TIMER_CLIPBOARD 42

#define SPT_SLOTS 3
#define SPT_NAME_SIZE 10
#define SPT_MASS_LIST_SIZE 214
#define SPT_COMPARISON_SIZE 36
#define SPT_BOUNDARIES_SIZE 22
#define SPT_CENTROID_PARAMS_SIZE 74
#define SPT_HISTORY 5

enum SptWindowMode : int16_t { SPT_WINDOW_PLAIN = 0, SPT_WINDOW_DATA_REVIEW = 1, SPT_WINDOW_MODULE = 2, SPT_WINDOW_MODULE3 = 3 };
enum SptClickDragMode : int16_t { SPT_DRAG_ZOOM = 0, SPT_DRAG_CHROMATOGRAM = 1, SPT_DRAG_BITMAP = 2 };
enum SptSingleClickMode : int16_t {
  SPT_CLICK_LIBRARY_SEARCH = 0,
  SPT_CLICK_LIST_SEARCH = 1,
  SPT_CLICK_EXPORT = 2,
  SPT_CLICK_SELECT_MASS = 3,
  SPT_CLICK_NO_ACTION = 4
};
enum SptPageMode : int16_t {
  SPT_PAGE_PLOT = 0,
  SPT_PAGE_IONS = 1,
  SPT_PAGE_INFORMATION = 2,
  SPT_PAGE_COMPARISON = 3,
  SPT_PAGE_PICTURE_A = 4,
  SPT_PAGE_PICTURE_B = 5
};
enum SptHorzScaleMode : int16_t { SPT_HORZ_LEARN = 0, SPT_HORZ_FIXED = 1, SPT_HORZ_AUTOSCALE = 2 };
enum SptVertScaleMode : int16_t { SPT_VERT_AUTOSCALE = 0, SPT_VERT_FIXED = 1 };
enum SptMouseArea : int16_t { SPT_AREA_NONE = 0, SPT_AREA_VERT = 1, SPT_AREA_HORZ = 2, SPT_AREA_PLOT = 3 };

#pragma pack(push, 1)

// SPTM_PLUSDATA: spectra embedded in the record; the control copies them.
struct STRUCT_CCSPT_PLUS_DATA {
  int16_t aPresent;
  STRUCT_SPT_PLUS a;
  int16_t bPresent;
  STRUCT_SPT_PLUS b;
  int16_t aHidden;
  int16_t bHidden;
  int16_t differenceHidden;
  int16_t options[5];
};

// SPTM_PRINT.
struct STRUCT_CCSPT_PRINT {
  CDC* dc;
  int16_t skipA, skipB, skipDifference;
  int16_t left, top, right, bottom;
  int16_t charWidth, charHeight;
};

// SPTM_GETLOCALPREFERENCES / SPTM_SETLOCALPREFERENCES.
struct STRUCT_CCSPT_LOCAL_PREFS {
  uint16_t keep;
  uint16_t stored;
  STRUCT_SPTS_PREFS prefs;
  STRUCT_AXIS_PARAMS printVert;
  STRUCT_AXIS_PARAMS printHorz;
  int16_t printScalesSet;
  STRUCT_SPTS_RPTS_COLORS printColors;
  int16_t printColorsSet;
};

// SPTM_GETALLRANGEINFO / SPTM_SETALLRANGEINFO.
struct STRUCT_CCSPT_RANGES {
  double massLow, massHigh;
  double fullLow, fullHigh;
  double vertMin[SPT_SLOTS];
  double vertMax[SPT_SLOTS];
  double lastBase[SPT_SLOTS];
};

// SPTM_GETVERTRANGES: (maximum, minimum) for A, B and the difference.
struct STRUCT_CCSPT_VERT_RANGES {
  double maxMin[SPT_SLOTS][2];
};

// SPTM_SETNISTCOMPARISONPARAMS: a library search's parameters and match values.
struct STRUCT_CCSPT_SEARCH_PARAMS {
  int16_t filled;
  int32_t mode;           // 'Q' quick, 'S' simple, 'H' hybrid, 'L' loss, other normal
  int32_t molecularWeight;
  int32_t reverseSearch;
  int32_t lowMz;
  int32_t highMz;
  int32_t minIntensity;
  int16_t matchPresent;
  int32_t forwardMatch;
  int32_t reverseMatch;
};

// SPTM_GETNEWPD / SPTM_GIVENEWPD: the block passes with the record.
struct STRUCT_CCSPT_NEW_PD {
  void* block;
  char dataFile[260];
  char thirdPath[260];
};

// SPTM_LIVESPECTRUMEX: a scan of a file being acquired. The blocks stay the
// sender's; the control copies what it keeps. The pair block holds a u32
// count, then per pair a flag byte, an f64 mass and a u32 intensity.
struct STRUCT_CCSPT_LIVE_SCAN {
  char path[260];
  const MS_INFO_BLOCK* fileHeader;
  const MS_SEGMENT_BLOCK* segment;
  const MS_SCAN_HEADER* scanHeader;
  const uint8_t* pairs;
};

// SPTM_SPECTRUMREQUEST: one scan of a data file, by number or by time.
struct STRUCT_CCSPT_SPECTRUM_REQUEST {
  char path[260];
  char msDataText[32];
  int16_t byScan;  // 0: by time
  uint32_t scan;
  double time;     // minutes
};

// WM_USER+200 to the select-ions-to-plot dialog: a chromatogram of a mass
// range of a spectrum's data file. Zeroed, then filled.
struct STRUCT_CCSPT_CHRO_REQUEST {
  char dataFile[260];
  char secondPath[260];
  char thirdPath[260];
  uint8_t chanList[86];
  void* scanFuns;  // a copy the dialog owns, or null
  double lowMass;
  double highMass;
  int16_t pane;
};

// SPTM_MAKECENTROIDSPECTRUM: the engine's parameters chosen for a profile
// spectrum, and whether its threshold count is computed from the spectrum.
struct STRUCT_CCSPT_CENTROID_REQUEST {
  MS_CENTROID_PARAMS params;
  int16_t autoThreshold;
  double thresholdFactor;  // times the median of the nonzero profile intensities
};

// One kept scale state of the history.
struct STRUCT_CCSPT_SCALE_STATE {
  double massLow, massHigh;
  double low[SPT_SLOTS], high[SPT_SLOTS], base[SPT_SLOTS];
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_CCSPT_SPT_PLUS_DATA) == 28 + 2 * (sizeof(void*) - 4));
static_assert(sizeof(STRUCT_CCSPT_LOCAL_PREFS) == 596);
static_assert(sizeof(STRUCT_CCSPT_SPECTRUM_REQUEST) == 306);
static_assert(sizeof(STRUCT_CCSPT_RANGES) == 104);
static_assert(sizeof(STRUCT_CCSPT_VERT_RANGES) == 48);
static_assert(sizeof(STRUCT_CCSPT_SEARCH_PARAMS) == SPT_COMPARISON_SIZE);
static_assert(sizeof(MS_CENTROID_PARAMS) == SPT_CENTROID_PARAMS_SIZE);
static_assert(sizeof(STRUCT_CCSPT_PRINT) == 18 + sizeof(void*));

// Mass and intensity of pair i of a spectrum, whatever its pair layout; 0 past the end.
inline int SptPairAt(const STRUCT_SPT_PLUS* s, uint32_t i, double* mass, double* intensity) {
  uint32_t whole = 0;
  return PlusSpt_GetPairValues(s, i, mass, &whole, intensity);
}

class KELT_CLASS CCtlSpt : public CWnd {
  DECLARE_DYNAMIC(CCtlSpt)
 public:
  static constexpr const char* kClassName = "KELT_Spt";
  // RegisterClass's result (0 on failure).
  static ATOM Register();
  static BOOL Unregister();

  CCtlSpt();
  ~CCtlSpt() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  void PostNcDestroy() override;

  // ---- Own virtual operations, in their fixed order -----------------------
  virtual void HandleMouse(unsigned int message, short x, short y, short act);
  virtual void HandleDBLCLK(short x, short y);
  virtual void DrawLabels(CDC* dc, short a, short b, short c, short d, short e, short f, short g, short h, short i,
                          short j, short k, short l);
  virtual void InitLabelAreas(short a, short b, short c, short d, short e, short f, short g, short h, short i,
                              short j, short k);
  virtual void InitScaleRanges();
  virtual void DrawOutline(CDC* dc);
  virtual void UpdateToolBar();
  virtual void AutoScaleVertScales(short first, short last);
  virtual void AutoScaleHorzScale();
  virtual void MakeDifferenceSpectrum();
  virtual void MakeResearchSmoothSpectrum(short slot);
  virtual void CreateToolBar();
  virtual void DestroyToolBar();
  virtual void InitSizes();
  virtual void SetHorzBar();
  virtual int GetHorzAutoScaleValues(double* low, double* high);
  virtual void FreeClearSpectrum(short slot);
  virtual void FreeClearDifferenceSpectrum();
  virtual void FreeClearAllSpectra();
  virtual void KeepPreferences();
  virtual void SetVertBars();
  virtual void CloseCentroidDialog(short slot);
  virtual void CloseCentroidDialogs();
  virtual void CloseSelChroPlotDialog();
  virtual void CloseSelSptsPlotDialog();
  virtual void AdjustSeparateMargin(short pane);
  virtual void HandleNewSptPlusData(STRUCT_CCSPT_PLUS_DATA* copyForm, STRUCT_CCSPT_SPT_PLUS_DATA* pointerForm);
  virtual void DoInternalTransforms(short slot);
  virtual void OnToolBarChange(unsigned int command);
  virtual void SetToolbarTransientsFromPrefs();
  virtual void SaveCurrentScales();
  virtual void InitDrawClass(void* drawer);
  virtual void UpdateAfterPreferenceChange(STRUCT_SPTS_PREFS* prefs);
  virtual void UpdateFont();
  virtual void ExportReportToQuibell(char* file, short temporary);
  virtual void GetClickDragStatus(short* zoom, short* chromatogram, short* bitmap);
  virtual void GetSingleClickStatus(short* librarySearch, short* listSearch, short* exportSpectrum, short* selectMass);

  // ---- Helpers ---------------------------------------------------------------
  // Posts WM_COMMAND (control id, code) to the parent.
  void Notify(unsigned short code);
  // The stacked pane (0 A, 1 B, 2 difference) under y, walking the pane
  // heights from top; never past the last pane.
  short PaneAt(int top, int y, bool inclusive) const;
  bool AnyProfileShown() const;
  int16_t ShownCount() const;

  // ---- State ------------------------------------------------------------------
  // identity
  uint32_t m_id = 0;
  char m_name[SPT_NAME_SIZE] = {};
  int16_t m_drawerWord = 0;
  int16_t m_reviewIndex = 0;
  // children
  CWrapCtlSptInfo* m_pInfo = nullptr;
  int16_t m_infoInUse = 0;
  CWrapSptToolBar* m_pToolBar = nullptr;
  int16_t m_toolbarHeight = 0;
  int16_t m_toolbarShown = 0;
  // modes
  int16_t m_windowMode = SPT_WINDOW_PLAIN;
  int16_t m_showToolbar = 0;
  int16_t m_clickDragMode = SPT_DRAG_ZOOM;
  int16_t m_singleClickMode = SPT_CLICK_EXPORT;
  int16_t m_pageMode = SPT_PAGE_PLOT;
  int16_t m_backgroundCorrection = 0;
  int16_t m_horzMode = SPT_HORZ_LEARN;
  int16_t m_vertMode = SPT_VERT_AUTOSCALE;
  int16_t m_savedClickDragMode = 0;
  int16_t m_savedSingleClickMode = 0;
  int16_t m_horzSetByUser = 0;
  int16_t m_vertSetByUser = 0;
  int16_t m_averaging = 0;
  // sliders, scroll bar and arrow buttons
  CCtlVScroll* m_pSliders[SPT_SLOTS] = {};
  int16_t m_slidersVisible = 0;
  CScrollBar* m_pHScroll = nullptr;
  int16_t m_scrollShown = 0;
  int16_t m_scrollPos = 0, m_scrollPage = 10000, m_scrollLine = 2000;
  CButton* m_pDown = nullptr;
  CButton* m_pUp = nullptr;
  int16_t m_scrollHeight = 0, m_scrollWidth = 0, m_thumbWidth2 = 0;
  // attached objects
  CLabelManager* m_pLabels = nullptr;
  int16_t m_labelEditing = 0;
  int16_t m_labelHit = -1;  // the label under the last right click, or -1
  CMenu* m_pMenu = nullptr;
  HFONT m_font = nullptr;
  void* m_pComparisonLink = nullptr;
  CWnd* m_pCentroidDlg[2] = {};
  CWnd* m_pSelChroPlotDlg = nullptr;
  CMS_CentroidEngine* m_pEngine = nullptr;  // smoothing for display, made on first use
  HWND m_hIonListPopup = nullptr;  // the mass-limits popup while open
  // drawing
  int16_t m_showDifference = 1;
  COLORREF m_outline[4] = {0x404040, 0x808080, 0xC0C0C0, 0xFFFFFF};
  int16_t m_cx = 0, m_cy = 0;
  int16_t m_charWidth = 8, m_charHeight = 11;
  int16_t m_plotLeft = 0, m_plotTop = 0, m_plotWidth = 0, m_plotHeight = 0;
  int16_t m_live = 0;
  // spectrum slots
  int16_t m_shown[SPT_SLOTS] = {};
  int16_t m_owned[SPT_SLOTS] = {};
  STRUCT_SPT_PLUS* m_display[SPT_SLOTS] = {};
  STRUCT_SPT_PLUS* m_input[2] = {};
  STRUCT_SPT_PLUS* m_smoothed[2] = {};
  STRUCT_SPT_PLUS* m_centroid[2] = {};
  int16_t m_options[5] = {};
  int16_t m_boundariesSet[2] = {};
  uint8_t m_boundaries[2][SPT_BOUNDARIES_SIZE] = {};
  // vertical ranges (percent of the base peak) and the mass range
  double m_vertMin[SPT_SLOTS] = {};
  double m_vertMax[SPT_SLOTS] = {};
  double m_lastBase[SPT_SLOTS] = {};
  double m_massLow = 0, m_massHigh = 0;
  double m_fullLow = 0, m_fullHigh = 0;
  int16_t m_massListSet = 0;
  uint8_t m_massList[SPT_MASS_LIST_SIZE] = {};
  // drawn state: what the last paint found
  int16_t m_scalesValid = 0;
  int16_t m_vertScaleWidth = 0, m_drawnPlotWidth = 0, m_horzScaleHeight = 0, m_totalPlotHeight = 0;
  int16_t m_paneHeight[SPT_SLOTS] = {};
  int16_t m_paneTitleLines[SPT_SLOTS][2] = {};
  int16_t m_overlaid = 0;
  int16_t m_activeShown[2] = {};
  RECT m_activeRect[2] = {};
  int16_t m_deleteShown[SPT_SLOTS] = {};
  RECT m_deleteRect[SPT_SLOTS] = {};
  int16_t m_maxShown[SPT_SLOTS] = {};
  RECT m_maxRect[SPT_SLOTS] = {};
  int16_t m_comparisonSet = 0;
  STRUCT_CCSPT_SEARCH_PARAMS m_comparison{};
  int16_t m_differenceExport = 0;
  // mouse
  int16_t m_tracking = 0;
  int16_t m_trackArea = SPT_AREA_NONE;
  int16_t m_trackPane = 0;
  int16_t m_pressX = 0, m_pressY = 0;
  int16_t m_clampLeft = 0, m_clampRight = 0, m_clampTop = 0, m_clampBottom = 0;
  int16_t m_busy = 0;
  int16_t m_labelsLocked = 0;
  int16_t m_moduleWindow = 0;
  int16_t m_rightClickSlot = -1;
  double m_rightClickMass = 0, m_rightClickIntensity[2] = {};
  // persistence
  int16_t m_keep = 0, m_stored = 0;
  char m_iniSection[37] = {};
  // preferences and print settings
  STRUCT_SPTS_PREFS m_prefs{};
  STRUCT_AXIS_PARAMS m_printScales[2] = {};
  int16_t m_printScalesSet = 0;
  STRUCT_SPTS_RPTS_COLORS m_printColors{};
  int16_t m_printColorsSet = 0;
  // data review
  int16_t m_managerIndex = 0;
  CDataReviewManager* m_pManager = nullptr;
  // previous scales
  int16_t m_previousKept[SPT_SLOTS] = {};
  int16_t m_historyCount = 0, m_historyNext = 0, m_historyCurrent = 0;
  STRUCT_CCSPT_SCALE_STATE m_history[SPT_HISTORY] = {};
  // plot state
  int16_t m_activeCandidate = -1;
  int16_t m_plotsSelectable = 1;
  int16_t m_dataReview = 0;
  int16_t m_savedShown[SPT_SLOTS] = {};
  int16_t m_maximised = 0;
  int16_t m_maximisedSlot = 0;
  // plot descriptor and the rest
  char m_pdDataFile[260] = {};
  char m_pdThirdPath[260] = {};
  void* m_pPlotDescriptor = nullptr;
  int16_t m_msmsPending = 0;
  double m_msmsMass = 0;
  double m_previousLiveBase = 0;
  int16_t m_exportToCompoundTable = 0;
  bool* m_deletedFlag = nullptr;
  double m_chroRequestLow = 0, m_chroRequestHigh = 0;  // the last mass range asked for  // set while CreateSpectraControl waits on the window

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  void OnDrawItem(int id, DRAWITEMSTRUCT* item);
  void OnMeasureItem(int id, MEASUREITEMSTRUCT* item);
  void OnHScroll(UINT code, UINT position, CWnd* bar);
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnLButtonDblClk(UINT flags, CPoint point);
  void OnRButtonDown(UINT flags, CPoint point);
  void OnMouseMove(UINT flags, CPoint point);
  void OnChar(UINT ch, UINT repeat, UINT flags);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void OnTimer(UINT_PTR id);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 public:
  // Private messages.
  LRESULT OnNoData(WPARAM, LPARAM);
  LRESULT OnPrint(WPARAM, LPARAM);
  LRESULT OnPlusData(WPARAM, LPARAM);
  LRESULT OnGetDifferenceSpectrum(WPARAM, LPARAM);
  LRESULT OnSetShowDifferenceMode(WPARAM, LPARAM);
  LRESULT OnGetMassRange(WPARAM, LPARAM);
  LRESULT OnGetVertRanges(WPARAM, LPARAM);
  LRESULT OnEscapeTracking(WPARAM, LPARAM);
  LRESULT OnNewUserLabel(WPARAM, LPARAM);
  LRESULT OnGetSptCount(WPARAM, LPARAM);
  LRESULT OnDisplayComparison(WPARAM, LPARAM);
  LRESULT OnPreventDeletes(WPARAM, LPARAM);
  LRESULT OnShowToolBar(WPARAM, LPARAM);
  LRESULT OnShowSpectrum(WPARAM, LPARAM);
  LRESULT OnFixMassRange(WPARAM, LPARAM);
  LRESULT OnSetScreenScaleParams(WPARAM, LPARAM);
  LRESULT OnSetMetaScaleParams(WPARAM, LPARAM);
  LRESULT OnSetMetaPlotColors(WPARAM, LPARAM);
  LRESULT OnShowDiffSptFullScale(WPARAM, LPARAM);
  LRESULT OnGetLocalPreferences(WPARAM, LPARAM);
  LRESULT OnSetLocalPreferences(WPARAM, LPARAM);
  LRESULT OnKeepPreferences(WPARAM, LPARAM);
  LRESULT OnLiveSpectrumEx(WPARAM, LPARAM);
  LRESULT OnSpectrumRequest(WPARAM, LPARAM);
  LRESULT OnSetModuleWindowMode(WPARAM, LPARAM);
  LRESULT OnClosedCentroidDialog(WPARAM, LPARAM);
  LRESULT OnMakeCentroidSpectrum(WPARAM, LPARAM);
  LRESULT OnSptPlusData(WPARAM, LPARAM);
  LRESULT OnSetNameOfControl(WPARAM, LPARAM);
  LRESULT OnSetDataReviewManager(WPARAM, LPARAM);
  LRESULT OnGetUseBackgroundCorrectionStatus(WPARAM, LPARAM);
  LRESULT OnLetUserEditSpectrum(WPARAM, LPARAM);
  LRESULT OnMakeCentroidSpectrumFromProfileSpectrum(WPARAM, LPARAM);
  LRESULT OnPrintSpectrum(WPARAM, LPARAM);
  LRESULT OnSendSpectrumToNIST(WPARAM, LPARAM);
  LRESULT OnPutSpectrumIntoTextFile(WPARAM, LPARAM);
  LRESULT OnChangeBackgroundCorrectedSpectraStatus(WPARAM, LPARAM);
  LRESULT OnChangePageMode(WPARAM, LPARAM);
  LRESULT OnLetUserEditSpectraPreferences(WPARAM, LPARAM);
  LRESULT OnChangeNewSptHorzMassRangeMode(WPARAM, LPARAM);
  LRESULT OnChangeNewSptVertRangeMode(WPARAM, LPARAM);
  LRESULT OnCloseSelChroPlotDlg(WPARAM, LPARAM);
  LRESULT OnGetSpectrumPointer(WPARAM, LPARAM);
  LRESULT OnGetInputSpectrumPointer(WPARAM, LPARAM);
  LRESULT OnSetNISTComparisonParams(WPARAM, LPARAM);
  LRESULT OnSetBoundaries(WPARAM, LPARAM);
  LRESULT OnNewActiveIndex(WPARAM, LPARAM);
  LRESULT OnIsSptDisplayed(WPARAM, LPARAM);
  LRESULT OnGetRealSptFromDiffSpt(WPARAM, LPARAM);
  LRESULT OnSendBitmapOfWindowToClipboard(WPARAM, LPARAM);
  LRESULT OnCloseSelSptsPlotDlg(WPARAM, LPARAM);
  LRESULT OnUpdateFromSelSptsPlotDlg(WPARAM, LPARAM);
  LRESULT OnGetNewMassLimits(WPARAM, LPARAM);
  LRESULT OnSetNewMassLimits(WPARAM, LPARAM);
  LRESULT OnControlToBipmap(WPARAM, LPARAM);
  LRESULT OnControlToWMFFile(WPARAM, LPARAM);
  LRESULT OnShowAllPlots(WPARAM, LPARAM);
  LRESULT OnPressAverageTBButton(WPARAM, LPARAM);
  LRESULT OnGetAllRangeInfo(WPARAM, LPARAM);
  LRESULT OnSetAllRangeInfo(WPARAM, LPARAM);
  LRESULT OnGetMSMSStep(WPARAM, LPARAM);
  LRESULT OnGetNewPD(WPARAM, LPARAM);
  LRESULT OnGiveNewPD(WPARAM, LPARAM);
  LRESULT OnEnableExportToCompoundTable(WPARAM, LPARAM);

  // Commands.
  void OnTTFullScale();
  void OnTTShowPrevious();
  // Opens the mass-limits popup (command 8208) unless it is open.
  void OnSelectMassLimits();
  // The ten layout values of the label areas, as the last paint found them.
  void LabelLayout(short* values) const;
  // A "New Label" with the label preferences, or null.
  CLabelInfo* MakeNewLabel();
  // Commands 8197-8199: a new label for A, B or the difference at the right click.
  void OnNewLabelAtRightClick(short pane);
  // Commands 8102 and 8101 on the label under the last right click.
  void OnEditOrDeleteLabel(bool edit);
  // Commands 8140-8142 (one pane) and 8206 (pane -1: all).
  void OnDeleteLabelsForPlot(short pane);
  // Commands 8115 and 8116: centroiding a profile spectrum A or B.
  void OnCentroidProfileSpt(short slot);
  // Commands 8132 and 8133: spectrum A or B edited in the Edit Spectrum dialog.
  void OnEditSpectrum(UINT id);
  void OnHorzDown();
  void OnHorzUp();
  void OnVScale(short pane);
  void SetHorzMode(int16_t mode);
  void SetVertMode(int16_t mode);
  void SetPageMode(int16_t mode);
  void HideSpectrum(short slot);
  void DeleteSpectrum(short slot);
  void ShowAllHidden();
  // The context menu's items for the slot under the last right click.
  void BuildContextMenu(CMenu& menu);
  // The drop-down menu of a mode button (8006, 8012, 8016, 8020), the current mode checked.
  void TrackModeMenu(unsigned int command);
  // A chromatogram of a mass range (or of the pair nearest one mass) of a pane's data file.
  void RequestChromatogram(short pane, double lowMass, double highMass, bool singleMass);
  // Fixed vertical ranges keep their absolute intensities when a slot's base peak changes.
  void CarryVerticalRanges();
  // Copies a piece of the window (client pixels) to the clipboard as a
  // bitmap and shows the outcome; false when nothing was copied.
  bool CopyAreaToClipboard(int left, int top, int width, int height);
  // Kind 0 around an MS-data record of one scan, with its information lines.
  void FormatSpectrumInfoLines(STRUCT_SPT_PLUS* spt, STRUCT_TOL_SPT* tol);

  // ---- Preferences and the rest of the commands -------------------------------
  // Commands 8033/8113: the local preference sheet; Cancel keeps the old preferences.
  void OnTTEditSpectraPrefs();
  // Commands 8034/8114.
  void OnTTEditReportPrefs();
  // The toolbar's drop-down arrows open the menu of the pressed button.
  void OnTTDropDownButtons(NMHDR* hdr, LRESULT* result);
  // The page-mode menu of button 8029, the current page checked.
  void TrackPageModeMenu();
  // Whether a page mode is offered for the spectra held now.
  bool PageModeOffered(int16_t mode) const;
  // Commands of the toolbar and the context menu not handled in OnCommand; false when unknown.
  bool OnMoreCommand(UINT id);
  void OnTTChangeBackgoundCorrectionStatus();
  void OnTTTellParentToAverageSpectra();
  void OnExportSpectrumToDataReviewManager(UINT id);
  void OnExportDifferenceSpectrum(UINT id);
  void OnSelectMSMSStepMass();
  // The control drawn into a picture, saved where the user chooses.
  void OnPictureToFile();
  // Sends a notification with SendMessage rather than posting it.
  void NotifyNow(unsigned short code);
  void UpdateToolTips();
  // Creates or destroys the toolbar to match the shown-toolbar setting.
  void SyncToolBarToTransient();
  // Command 8005: the shown spectra on a page of the reports file, then viewed.
  void OnTTPrint();
  // The default report preferences with the control's own print colours and scales.
  void ReportPrefsForOutput(STRUCT_REPORT_PREFS* prefs) const;
  // Draws the plot page and stores it; a temporary file's path comes back in file.
  bool MakePlotPage(STRUCT_REPORT_PREFS* prefs, char* file, int16_t temporary);
  // ---- Report commands, general preferences, ion selection, library comparison ----
  // Commands 8104-8106: a report of A, B or both, as the report preferences choose.
  void DoPrintInfo(UINT id);
  // Commands 8212/8213: the MS/MS report of A or B.
  void OnMSMSReport(short slot);
  // Command 8207.
  void OnGlobalPrefs();
  // Command 8031: the modeless select-ions-to-plot dialog.
  void OnTTSelectMassList();
  // Commands 8128-8131.
  void OnSendSpectrumToNIST(UINT id);
  // The commands above; false for any other id.
  bool OnReportCommand(UINT id);
  void CreateLibraryComparisonLink();
  void FreeLibraryComparisonLink();
  int16_t m_bgCorrectedState = 0;  // cleared whenever the switch or the spectra change
  int16_t m_reportBusy = 0;

  DECLARE_MESSAGE_MAP()
};

// The deconvolution program's path (program folder, a backslash when the folder is
// not empty, "Dravik.exe") into buffer (MAX_PATH + 16 bytes); nonzero when
// that file exists.
KELT_CLASS BOOL GetDeconvolutionProgramPath(char* buffer);

// The automatic threshold count of a profile record: factor times the
// median of its nonzero intensities; 0 without such intensities.
KELT_CLASS uint16_t ComputeThresholdCountOf(const STRUCT_TOL_SPT* tol, double factor);

// The class's window procedure: makes the object on WM_NCCREATE.
LRESULT CALLBACK CtlSptWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Makes a spectrum control as a child of parent; the last three values are
// ignored. Null when it cannot be made.
KELT_API CCtlSpt* CreateSpectraControl(CWnd* parent, short id, short left, short top, short right,
                                      short bottom, int32_t, int32_t, int32_t);
