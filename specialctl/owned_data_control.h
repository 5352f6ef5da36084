#pragma once
// CCtlOPlot3 ("KELT_OP3"): the overlay plot control that owns the plot of
// a data file still being acquired. A host opens the plot (or a plot per
// slot), then hands it each new point or a new end time; a click snaps to
// the nearest stored point while real-time updating is off.
#include <cstdint>

#include "specialctl/ref_spectra_control.h"

#pragma pack(push, 1)
// OP3M_NEWPLOT: the single plot, in slot 0.
struct STRUCT_OP3_NEW_PLOT {
  double startTime;
  double endTime;
  int16_t unused;
  char path[260];
  int16_t module;
  int16_t moduleWord;
};
// OP3M_NEWSLOTPLOT: a plot in a slot.
struct STRUCT_OP3_NEW_SLOT_PLOT {
  int16_t rangeGiven;
  double startTime;
  double endTime;
  int16_t slot;
  uint8_t unused[2];
  char path[260];
  STRUCT_MASS_LIST massList;
  int16_t dataKind;
  int16_t module;
  int16_t moduleWord;
};
// OP3M_NEWSLOTPOINT: one stored point (integer value) for a slot.
struct STRUCT_OP3_SLOT_POINT {
  int16_t slot;
  STRUCT_NE_POINT point;
  int16_t extendEnd;
};
// OP3M_NEWSLOTRANGE: a new range of all slot plots.
struct STRUCT_OP3_SLOT_RANGE {
  double startTime;
  double endTime;
  int16_t apply;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_OP3_NEW_PLOT) == 282);
static_assert(offsetof(STRUCT_OP3_NEW_PLOT, path) == 18);
static_assert(offsetof(STRUCT_OP3_NEW_PLOT, module) == 278);
static_assert(sizeof(STRUCT_OP3_NEW_SLOT_PLOT) == 502);
static_assert(offsetof(STRUCT_OP3_NEW_SLOT_PLOT, slot) == 18);
static_assert(offsetof(STRUCT_OP3_NEW_SLOT_PLOT, path) == 22);
static_assert(offsetof(STRUCT_OP3_NEW_SLOT_PLOT, massList) == 282);
static_assert(offsetof(STRUCT_OP3_NEW_SLOT_PLOT, dataKind) == 496);
static_assert(sizeof(STRUCT_OP3_SLOT_POINT) == 24);
static_assert(offsetof(STRUCT_OP3_SLOT_POINT, extendEnd) == 22);
static_assert(sizeof(STRUCT_OP3_SLOT_RANGE) == 18);

#define OP3M_NEWPLOT (WM_USER + 401)
#define OP3M_NEWENDTIME (WM_USER + 402)
#define OP3M_NEWPOINT (WM_USER + 403)
#define OP3M_CLEARPLOT (WM_USER + 404)
#define OP3M_GETREALTIME (WM_USER + 405)
#define OP3M_TOOLBARLAYOUT5 (WM_USER + 406)
#define OP3M_GETEDITEDIONS (WM_USER + 407)
#define OP3M_NEWSLOTPLOT (WM_USER + 408)
#define OP3M_NEWSLOTPOINT (WM_USER + 409)
#define OP3M_NEWSLOTRANGE (WM_USER + 410)

#define OP3_CMD_NOTIFY 2708
#define OP3_CMD_REAL_TIME_UPDATE 2709
#define OP3_CMD_CLEAR_PLOT 2755

// Notifications to the parent.
#define OP3N_TIME_SNAPPED 100
#define OP3N_REAL_TIME_OFF 400
#define OP3N_REAL_TIME_ON 401
#define OP3N_COMMAND_2708 402
#define OP3N_CLEAR_PLOT 403

// Most points a slot keeps, and how many of the oldest go when it is full.
#define OP3_MOST_POINTS 1000000u
#define OP3_TRIM_POINTS 10000u

class KELT_CLASS CCtlOPlot3 : public CCtlOPlot1 {
 public:
  static constexpr const char* kClassName = "KELT_OP3";
  static ATOM Register();
  static BOOL Unregister();

  CCtlOPlot3();
  ~CCtlOPlot3() override;

  // Slot 0..19: clears that slot; 20: every slot. Slots 0 and 20 also clear
  // the marker and the plots-present flag.
  virtual void ClearOwnedPlotData(short slot);

  bool RealTimeOn() const { return m_realTimeUpdateOff == 0; }
  uint32_t Capacity(int slot) const { return OverlaySlotIndex(slot) ? m_capacity[slot] : 0; }

  double m_startTime = 0;
  double m_endTime = 0;
  uint32_t m_capacity[OPLOT_SLOTS] = {};
  int16_t m_markerSet = 0;
  double m_markerTime = 0;

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnPaint();
  void OnLButtonDblClk(UINT flags, CPoint point);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnNotificationsToSelf(WPARAM, LPARAM);
  LRESULT OnKeepPreferences(WPARAM, LPARAM);
  LRESULT OnNewPlot(WPARAM, LPARAM);
  LRESULT OnNewEndTime(WPARAM, LPARAM);
  LRESULT OnNewPoint(WPARAM, LPARAM);
  LRESULT OnClearPlot(WPARAM, LPARAM);
  LRESULT OnGetRealTime(WPARAM, LPARAM);
  LRESULT OnToolbarLayout5(WPARAM, LPARAM);
  LRESULT OnGetEditedIons(WPARAM, LPARAM);
  LRESULT OnNewSlotPlot(WPARAM, LPARAM);
  LRESULT OnNewSlotPoint(WPARAM, LPARAM);
  LRESULT OnNewSlotRange(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  struct PlotRequest {
    int slot;
    bool slotForm;
    bool rangeGiven;
    double start, end;
    const char* path;
    const STRUCT_MASS_LIST* massList;
    int16_t dataKind;
    int16_t module, moduleWord;
  };
  void OpenPlot(const PlotRequest& request);
  // Adds one point to a slot; extendEnd moves the slot's end time to it.
  void AddPoint(int slot, const STRUCT_NE_POINT& point, bool repaintAllowed, bool extendEnd, bool slotForm);
  bool AnySlotHasPoints() const;
  bool Zoomed() const;
  bool DraggingSlider(int slot) const;
  void SnapClickedTime();
  void DrawMarkerLine();
  int16_t m_initialScalingPending = 0;
};

LRESULT CALLBACK CtlOP3WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// An owned-data control made as a child of parent and shown; the object, or 0.
KELT_API CCtlOPlot3* CreateOPlot3Control(CWnd* parent, short id, short left, short top, short right, short bottom);
