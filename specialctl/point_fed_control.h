#pragma once
// CCtlOPlot4 ("KELT_OP4"): the overlay plot control whose plots a host
// feeds point by point (or in batches) by message, for example while a
// measurement runs. Each of up to 20 slots keeps its raw points and a
// filtered trace smoothed from them after every point; the apex time of
// the filtered maximum is labelled on the plot.
#include <cstdint>

#include "specialctl/ref_spectra_control.h"

#pragma pack(push, 1)
// OP4M_NEWPLOTS: a new set of plots.
struct STRUCT_OP4_NEW_PLOTS {
  double startTime;
  double endTime;
  char axisText[64];
};
// One point of OP4M_NEWRAWPOINT, OP4M_NEWRAWPOINTS and OP4M_NEWFILTEREDPOINT.
struct STRUCT_OP4_POINT {
  int16_t slot;      // 0..19
  int16_t unitKind;  // 1: the time axis reads "m/z", 2: "m", else unchanged
  double x;          // time
  double y;          // value
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_OP4_NEW_PLOTS) == 80);
static_assert(offsetof(STRUCT_OP4_NEW_PLOTS, axisText) == 16);
static_assert(sizeof(STRUCT_OP4_POINT) == 20);
static_assert(offsetof(STRUCT_OP4_POINT, x) == 4);
static_assert(offsetof(STRUCT_OP4_POINT, y) == 12);

#define OP4M_NEWPLOTS (WM_USER + 450)
#define OP4M_NEWRANGE (WM_USER + 451)
#define OP4M_NEWTITLE (WM_USER + 452)
#define OP4M_NEWRAWPOINT (WM_USER + 453)
#define OP4M_NEWRAWPOINTS (WM_USER + 454)
#define OP4M_NEWFILTEREDPOINT (WM_USER + 455)
#define OP4M_CLEARPLOT (WM_USER + 456)
#define OP4M_SETSUBLEVEL (WM_USER + 457)

#define OP4_CMD_STACKED 2761
#define OP4_CMD_NORMALIZED 2762
// Labels of the filtered maximum's apex.
#define MAXIMUM_LABEL_KIND 231

class KELT_CLASS CCtlOPlot4 : public CCtlOPlot1 {
 public:
  static constexpr const char* kClassName = "KELT_OP4";
  static ATOM Register();
  static BOOL Unregister();

  CCtlOPlot4();
  ~CCtlOPlot4() override;

  // Frees the blocks and labels of all slots, zeroes the overlay and
  // clears the plots-present flag.
  virtual void ClearOwnedPlotData();
  // Unless a sub-level is set: smooths count points of source into
  // destination and labels the apex of the filtered maximum of the slot.
  void AddFilteredDataTolpNEDP_BDC(STRUCT_NE_POINT_BLOCK* source, STRUCT_NE_POINT_BLOCK* destination, uint32_t count,
                                   int32_t slot, int16_t width);
  // The filtered traces follow new filter settings.
  void UpdateAfterPreferenceChange(short sameFilter, short sameIntegration) override;

  // The smoothing width in force (the third filter setting).
  int16_t FilterWidth() const { return m_filtering[2]; }
  uint32_t RawCapacity(int slot) const { return OverlaySlotIndex(slot) ? m_rawCapacity[slot] : 0; }
  uint32_t FilteredCapacity(int slot) const { return OverlaySlotIndex(slot) ? m_filteredCapacity[slot] : 0; }

  double m_startTime = 0;
  double m_endTime = 0;
  int16_t m_initialScalingPending = 0;
  STRUCT_OP4_NEW_PLOTS m_lastPlots{};
  uint32_t m_rawCapacity[OPLOT_SLOTS] = {};
  uint32_t m_filteredCapacity[OPLOT_SLOTS] = {};
  double m_latestTime[OPLOT_SLOTS] = {};

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnLButtonDblClk(UINT flags, CPoint point);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnKeepPreferences(WPARAM, LPARAM);
  LRESULT OnXNewPlots(WPARAM, LPARAM);
  LRESULT OnXNewRange(WPARAM, LPARAM);
  LRESULT OnXNewTitle(WPARAM, LPARAM);
  LRESULT OnXNewRawPoint(WPARAM, LPARAM);
  LRESULT OnXNewRawPoints(WPARAM, LPARAM);
  LRESULT OnXNewFilteredPoint(WPARAM, LPARAM);
  LRESULT OnXClearPlot(WPARAM, LPARAM);
  LRESULT OnSetSublevel(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void LabelMax(short slot, uint32_t count, const STRUCT_NE_POINT_BLOCK* filtered);
  int CurveInterpolation() { return 0; }
  int FitCurve() { return 0; }
  // Frees one slot's records, blocks and labels; its capacities become 0.
  void FreeSlotData(int slot);
  bool Zoomed() const;
  // Whether the left button is down with the cursor on the slot's gain slider.
  bool DraggingSlider(int slot) const;
  // The vertical full scale of automatic scaling, as a new point asks for it.
  void ScaleForPoint(int slot);
  // Filters the slot anew from its raw points.
  void RefilterSlot(int slot);
  // The display follows the first filter setting: raw, filtered or both.
  void FollowFilterKind();
  double m_lastValue[OPLOT_SLOTS] = {};
};

LRESULT CALLBACK CtlOP4WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A point-fed control made as a child of parent and shown; the object, or 0.
KELT_API CCtlOPlot4* CreateOPlot4Control(CWnd* parent, short id, short left, short top, short right, short bottom);
