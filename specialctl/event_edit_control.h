#pragma once
// CCtlOPlot2 ("KELT_OP2"): the overlay plot control on which a user looks
// at and edits the integration events of one plot: the peak events that
// integration found (starts, ends, valleys) and the time events of the
// data-handling method. The host loads both by message, picks the edited
// slot and mode, hears of every change by notification and asks for the
// edits to be written back into the data file.
#include <cstddef>
#include <cstdint>

#include "plotengine/peak_events.h"
#include "specialctl/ref_spectra_control.h"

// Host messages.
#define OP2M_SETPEAKMARK 0x4c9
#define OP2M_CLEARPEAKMARK 0x4ca
#define OP2M_PRINT 0x4cb
#define OP2M_CLEAREVENTS 0x4cc
#define OP2M_LOADPEAKEVENTS 0x4cd
#define OP2M_HIDEPEAKEVENTS 0x4ce
#define OP2M_GETAPEXLIST 0x4cf
#define OP2M_SETEDITMODE 0x4d0
#define OP2M_SAVEPEAKEVENTS 0x4d1
#define OP2M_SETDRAWOPTION 0x4d2
#define OP2M_LOADTIMEEVENTS 0x4d3
#define OP2M_CLEARTIMEEVENTS 0x4d4
#define OP2M_GETMENUTIMEEVENT 0x4d5
#define OP2M_SAVETIMEEVENTS 0x4d6
#define OP2M_ADDQUANTMARK 0x4d7
#define OP2M_CLEARQUANTMARKS 0x4d8
#define OP2M_ENABLEPEAKSELECTION 0x4d9
#define OP2M_DISABLEPEAKSELECTION 0x4da
#define OP2M_GETSELECTEDPEAKTIME 0x4db
#define OP2M_SETSEARCHWINDOWS 0x4dc
#define OP2M_ENABLEINFOPOPUPS 0x4dd
#define OP2M_CLEARMANUALPEAK 0x4de
#define OP2M_SETMANUALPEAK 0x4df

// Notifications to the parent (the high word of WM_COMMAND's wParam).
#define OP2N_PEAKEVENTSCHANGED 200
#define OP2N_TIMEEVENTSCHANGED 201
#define OP2N_EDITTIMEEVENTS 202
#define OP2N_TIMEEVENTSRESTORED 203
#define OP2N_SELECTPEAK 204
#define OP2N_USEORIGINALPEAK 205
#define OP2N_REJECTPEAK 206
#define OP2N_RESTOREMETHODINTEGRATION 207

// Context-menu commands.
#define OP2_CMD_ADD_VALLEY 200
#define OP2_CMD_DELETE_VALLEY 201
#define OP2_CMD_EDIT_TIME_EVENT 202
#define OP2_CMD_DELETE_TIME_EVENT 203
#define OP2_CMD_ADD_TIME_EVENT0 204  // 204..216: one per time-event code 0..12
#define OP2_CMD_RESTORE 217
#define OP2_CMD_SELECT_PEAK 218
#define OP2_CMD_USE_ORIGINAL_PEAK 219
#define OP2_CMD_REJECT_PEAK 220
#define OP2_CMD_RESTORE_METHOD 221

#define OP2_QUANT_MARKS 4
#define OP2_SECTION_SIZE 40
#define OP2_FILE_SIZE 260
#define OP2_LABEL_SIZE 20

// Peak-event flags of a manual integration.
#define OP2_EVENT_VALLEY 0x00000010u
#define OP2_EVENT_MANUAL_START 0x00008000u
#define OP2_EVENT_MANUAL_END 0x00010000u
#define OP2_EVENT_MANUAL_APEX 0x00800000u

#pragma pack(push, 1)
// OP2M_SETPEAKMARK; the last three fields are filled in the control's copy.
struct STRUCT_OP2_PEAK_MARK {
  int16_t slot;
  int16_t mode;  // 0: the peak at time; else the time and range as given
  double time;
  double rangeStart;
  double rangeEnd;
  double foundTime;
  int32_t foundIndex;  // in the slot's apex list
  int32_t foundInfo;   // scan of the apex
};
// OP2M_LOADPEAKEVENTS.
struct STRUCT_OP2_READ_REQUEST {
  char path[260];
  int16_t slot;
  int16_t reserved;
};
// OP2M_ADDQUANTMARK.
struct STRUCT_OP2_QUANT_MARK_REQUEST {
  int16_t byPoint;
  double time;
  int32_t point;
  char label[OP2_LABEL_SIZE];
};
struct STRUCT_OP2_QUANT_MARK {
  int16_t kind;  // 1 by data point, 2 by time
  int32_t point;
  double time;
  char label[OP2_LABEL_SIZE];
  int16_t slot;
};
// OP2M_ENABLEPEAKSELECTION: which peaks may be chosen for quantitation.
struct STRUCT_OP2_PEAK_SELECTION {
  int16_t selector;    // nonzero: apex value >= thresholdA, else >= thresholdB
  float thresholdA;
  float thresholdB;
};
// OP2M_SETSEARCHWINDOWS, in the order the drawing engine takes them.
struct STRUCT_OP2_SEARCH_WINDOWS {
  double time;
  int32_t searchWindow;
  int32_t integrationWindow;
  int16_t slot;
};
// OP2M_SETMANUALPEAK.
struct STRUCT_OP2_MANUAL_PEAK {
  double time;
  double value;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_OP2_PEAK_MARK) == 44);
static_assert(sizeof(STRUCT_OP2_READ_REQUEST) == 264);
static_assert(offsetof(STRUCT_OP2_READ_REQUEST, slot) == 260);
static_assert(sizeof(STRUCT_OP2_QUANT_MARK_REQUEST) == 34);
static_assert(sizeof(STRUCT_OP2_PEAK_SELECTION) == 10);
static_assert(sizeof(STRUCT_OP2_SEARCH_WINDOWS) == 18);
static_assert(sizeof(STRUCT_OP2_MANUAL_PEAK) == 16);

// OP2M_GETAPEXLIST's answer. The list stays the control's.
struct STRUCT_OP2_APEX_LIST {
  int32_t count;
  STRUCT_OPLOT_PEAK_MARK* list;
};

// Edit flags the control keeps in the engine's records: a peak event's
// moved, new (controlFlag) and deleted (hidden) flags; a time event's moved
// (controlFlags[0]), new (controlFlags[1]) and deleted (hidden) flags.
inline int16_t& TimeEventMoved(STRUCT_OPLOT_TIME_EVENT& e) { return e.controlFlags[0]; }
inline int16_t& TimeEventNew(STRUCT_OPLOT_TIME_EVENT& e) { return e.controlFlags[1]; }
inline int16_t& TimeEventDeleted(STRUCT_OPLOT_TIME_EVENT& e) { return e.hidden; }

// What a drag holds.
enum class Op2Drag : int16_t { None, PeakStart, PeakEnd, Valley, TimeStart, TimeEnd, TimeLine };

class KELT_CLASS CCtlOPlot2 : public CCtlOPlot1 {
 public:
  static constexpr const char* kClassName = "KELT_OP2";
  static ATOM Register();
  static BOOL Unregister();

  CCtlOPlot2();
  ~CCtlOPlot2() override;

  // Writes the edits into the data file; 1 when everything was written.
  int SaveTimeEvents();
  int SavePeakEvents(short slot);
  // The slot's events, or 0 (also for a slot outside 0..19).
  STRUCT_OPLOT_DRAW_EVENTS* SlotEvents(short slot) const;
  // Hover and drag texts (also for the tests).
  int BuildPeakEventLines(const int16_t* events, int count, char lines[][30]) const;
  int BuildTimeEventLines(const STRUCT_OPLOT_TIME_EVENT& e, int dragPart, char lines[][30]) const;

  // ---- Fields, in declaration order -----------------------------------------------
  STRUCT_OPLOT_DRAW_EVENTS* m_slotEvents[OPLOT_SLOTS] = {};
  STRUCT_OP2_PEAK_MARK m_peakMark{};
  int16_t m_peakMarkValid = 0;
  int16_t m_editMode = 0;
  int16_t m_editSlot = 0;
  int16_t m_dragging = 0;
  Op2Drag m_drag = Op2Drag::None;
  int16_t m_dragIndex = -1;  // baseline, valley or time event
  int32_t m_dragX = 0, m_dragY = 0;
  int32_t m_menuX = -1, m_menuY = -1;
  int16_t m_menuValleyEvent = -1, m_menuTimeEvent = -1, m_menuRestoreBaseline = -1, m_menuRestoreValley = -1;
  int16_t m_menuRestoreEnd = 0;
  int16_t m_hitX = 4, m_hitY = 4;
  int16_t m_popupsEnabled = 1;
  HWND m_eventPopup = nullptr;
  POINT m_popupAnchor{};
  int16_t m_popupIsInformation = 0;
  HWND m_movingPopup = nullptr;
  char m_timeEventFile[OP2_FILE_SIZE] = {};
  char m_timeEventSection[OP2_SECTION_SIZE] = {};
  STRUCT_OPLOT_TIME_EVENT* m_timeEvents = nullptr;
  int16_t m_timeEventCount = 0;
  int16_t m_quantMarkCount = 0;
  STRUCT_OP2_QUANT_MARK m_quantMarks[OP2_QUANT_MARKS] = {};
  int16_t m_peakSelectionOn = 0;
  STRUCT_OP2_PEAK_SELECTION m_peakSelection{};
  int16_t m_peakSelected = 0;
  double m_selectedPeakTime = 0;
  int16_t m_selectedPeak = -1;
  int16_t m_peakRejected = 0;
  int16_t m_menuPeak = -1;
  int16_t m_searchWindowsOn = 0;
  STRUCT_OP2_SEARCH_WINDOWS m_searchWindows{};
  int16_t m_manualPeak = 0;
  double m_manualPeakTime = 0, m_manualPeakValue = 0;
  CMenu* m_pEventMenu = nullptr;

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnPaint();
  void OnLButtonDown(UINT flags, CPoint point);
  void OnMouseMove(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnLButtonDblClk(UINT flags, CPoint point);
  void OnRButtonDown(UINT flags, CPoint point);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnSetPeakMark(WPARAM, LPARAM);
  LRESULT OnClearPeakMark(WPARAM, LPARAM);
  LRESULT OnPrint2(WPARAM, LPARAM);
  LRESULT OnClearEvents(WPARAM, LPARAM);
  LRESULT OnLoadPeakEvents(WPARAM, LPARAM);
  LRESULT OnHidePeakEvents(WPARAM, LPARAM);
  LRESULT OnGetApexList(WPARAM, LPARAM);
  LRESULT OnSetEditMode(WPARAM, LPARAM);
  LRESULT OnSavePeakEvents(WPARAM, LPARAM);
  LRESULT OnSetDrawOption(WPARAM, LPARAM);
  LRESULT OnLoadTimeEvents(WPARAM, LPARAM);
  LRESULT OnClearTimeEvents(WPARAM, LPARAM);
  LRESULT OnGetMenuTimeEvent(WPARAM, LPARAM);
  LRESULT OnSaveTimeEvents(WPARAM, LPARAM);
  LRESULT OnAddQuantMark(WPARAM, LPARAM);
  LRESULT OnClearQuantMarks(WPARAM, LPARAM);
  LRESULT OnEnablePeakSelection(WPARAM, LPARAM);
  LRESULT OnDisablePeakSelection(WPARAM, LPARAM);
  LRESULT OnGetSelectedPeakTime(WPARAM, LPARAM);
  LRESULT OnSetSearchWindows(WPARAM, LPARAM);
  LRESULT OnEnableInfoPopups(WPARAM, LPARAM);
  LRESULT OnClearManualPeak(WPARAM, LPARAM);
  LRESULT OnSetManualPeak(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 public:
  // ---- Shared by the control's files ---------------------------------------------------
  void FreeSlotEvents(short slot);
  void FreeTimeEvents();
  void ReloadTimeEvents();
  void DestroyPopups();
  void Notify(uint16_t code);
  void RepaintIfAllowed2();
  bool CanEdit() const;
  // Client rectangles of the edited slot: chromatogram, strips; false when absent.
  bool ChromatogramRect(RECT* r) const;
  bool PeakStripRect(RECT* r) const;
  bool TimeStripRect(RECT* r) const;
  // Time at a client x on the last drawing.
  bool TimeAtX(int x, double* t) const;
  // Drawing of one slot's events (and, for the edited one, the time events) into dc.
  void DrawSlotEvents(HDC dc, const STRUCT_OVER_SIZES* sizes, int16_t xOffset, int16_t yOffset, bool print,
                      bool selection);
  void DrawQuantMarks(HDC dc, const STRUCT_OVER_SIZES* sizes, bool print);
  // Hit tests, client coordinates; -1 for none.
  int ValleyInStripAt(int x) const;
  int ValleyInPlotAt(int x, int y) const;
  int BaselineMarkAt(int x, int y, bool* end) const;
  int TimeEventAt(int x, int y, int* part) const;
  int ApexAt(int x, int y) const;
  // Edits.
  void StartDrag(Op2Drag kind, int16_t index, CPoint point);
  void DragTo(CPoint point);
  void FinishDrag();
  void AddValley();
  void DeleteValley();
  void AddTimeEvent(int16_t code);
  void DeleteTimeEvent();
  void RestoreEvent();
  // Pop-ups.
  void ShowHover(CPoint point);
  void OpenMovingPopup(CPoint point);
  void RefreshMovingPopup();
  void DetectManualPeak(short slot);
};

LRESULT CALLBACK CtlOP2WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A "KELT_OP2" control made as a child of parent; the object, or 0.
KELT_API CCtlOPlot2* CreateOPlot2Control(CWnd* parent, short id, short left, short top, short right, short bottom);

// Rounds minutes to the time events' 1/10000 minute.
inline int32_t TimeEventUnits(double minutes) { return static_cast<int32_t>(minutes * 10000.0 + 0.5); }
