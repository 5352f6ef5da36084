#pragma once
// CCtlOPlot1 ("KELT_OP1"): the overlay plot control with reference
// (background) spectra per plot, numbered active-plot buttons, baseline
// results, mouse editing of the reference spectra, the background
// correction saved to the data file with its audit entries, and the report
// of one plot.
#include <string>
#include <vector>

#include "overlayctl/overlay_plot_control.h"
#include "plotengine/titles_and_buttons.h"
#include "dialogs/background_correction_dialog.h"
#include "dialogs/multiple_files_dialog.h"
#include "specialctl/ref_spectra.h"
#include "specialctl/ref_spectra_messages.h"

// Marker state of the overlaid display (the active plot is the base's).
#define OP1_MARKER_OVERLAID 20
// Longest audit line written for a background-correction change.
#define OP1_AUDIT_LINE_SIZE 400

class KELT_CLASS CCtlOPlot1 : public CCtlOPlot {
 public:
  static constexpr const char* kClassName = "KELT_OP1";
  static ATOM Register();
  static BOOL Unregister();

  CCtlOPlot1();
  ~CCtlOPlot1() override;

  void PrintAdd(STRUCT_OPLOT_PRINT_PLOT* record) override;
  void DrawPlot(CDC* dc, short print, STRUCT_OPLOT_PRINT_PLOT* record, short left, short bottom, short right, short top,
                short charWidth, short charHeight) override;
  void DeleteOnePlot(short slot, short notify) override;
  void UpdateOverlayPlotData(double start, double end, short plotType) override;

  // ---- Own virtual operations, in their fixed order -------------------------
  virtual void PaintOP1();
  virtual void DrawActiveMarkers(CDC* dc);
  virtual short GetClosestRefSpt(double time);
  virtual short GetClosestRefSptForPlot(double time, short slot);
  virtual void MoveBackCorr(POINT point);
  virtual void PrintOnePlotReport(short slot);
  virtual short UpdateActiveIndex(short overlaid);
  virtual void NewOverlayDisplay_UpdateActiveIndex();
  virtual void NewOverlayDisplay_UpdateRefSpts();
  virtual void UpdateOverlayDisplay1(double start, double end, short newData, short keep, short plotType);
  virtual void OnSaveRefSptsInDataFile();
  virtual void ExchangePlots(short* order);

  // The one-plot page into a reports file (temporary: a new temporary file
  // whose path goes into path); nonzero when the page was stored.
  int PrintOnePlotToReportsFile(short slot, char* path, int16_t temporary);
  // Whether a slot's data file can take a background correction.
  bool QualifiesForBackCorr(short slot) const;
  // Client x of a time on the last screen drawing; false without one.
  bool ClientXOfTime(double time, int* x) const;
  // Applies a confirmed plot selection: slot k takes the plot of the row in
  // entry k (reordered, changed, opened or dropped). The rows' scan-function
  // arrays pass to the slots that take them; the rest stay the caller's.
  void ApplyPlotSelection(STRUCT_MULT_FILES_ROW* rows);
  // The size of a digit in the buttons' font, and whether any shown plot has a two-digit number.
  SIZE ButtonDigitSize(HDC dc, bool* twoDigits) const;
  // The background-correction tool now open over the control, or 0.
  CBackgroundCorrectionDlg* BackCorrDialog() const;
  // The set of a slot, or 0.
  CRefSpts* RefSpts(short slot) const { return OverlaySlotIndex(slot) ? m_pRefSpts[slot] : nullptr; }

  // Fields, in declaration order.
  CRefSpts* m_pRefSpts[OPLOT_SLOTS] = {};
  int16_t m_ownsRefSpts[OPLOT_SLOTS] = {};
  int16_t m_refSptAverage = 1;
  int16_t m_specialRefIndex = -1;
  int16_t m_movingRef = 0;
  int16_t m_movedRefIndex = 0;
  int16_t m_reportedActive = -1;
  int16_t m_buttonWidth = 8;
  int16_t m_buttonHalfHeight = 8;
  int16_t m_hideActiveButtons = 0;
  int16_t m_baselineCount = 0;
  STRUCT_OPLOT_BASELINE_RESULT* m_pBaselines = nullptr;
  int16_t m_pendingActive = -1;
  // The editing state this control keeps for its plots.
  int16_t m_markerState = -1;
  int16_t m_bcPlot = 0;
  int16_t m_selectRefMode = 0, m_deleteRefMode = 0;
  int16_t m_pickedValid = 0;
  // Set when a host's add-reference-plot command opened the file choice.
  int16_t m_addingReferencePlot = 0;
  double m_pickedTime = 0;
  // Files whose change is in their audit trail while the control lives.
  std::vector<std::string> m_auditedFiles;

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnPaint();
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnMouseMove(UINT flags, CPoint point);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void OnChar(UINT character, UINT repeat, UINT flags);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnPrint(WPARAM, LPARAM);
  LRESULT OnNoShowActiveButtons(WPARAM, LPARAM);
  LRESULT OnGetActiveIndex(WPARAM, LPARAM);
  LRESULT OnSetActiveIndex(WPARAM, LPARAM);
  LRESULT OnSetSelectRefMode(WPARAM, LPARAM);
  LRESULT OnSetDeleteRefMode(WPARAM, LPARAM);
  LRESULT OnAddRefSpt(WPARAM, LPARAM);
  LRESULT OnDeleteRefSpt(WPARAM, LPARAM);
  LRESULT OnDoAutoBackCorr(WPARAM, LPARAM);
  LRESULT OnRemoveOneRefSpts(WPARAM, LPARAM);
  LRESULT OnSetRefSptAverage(WPARAM, LPARAM);
  LRESULT OnSpecialRefSptIndex(WPARAM, LPARAM);
  LRESULT OnShowRefSpts(WPARAM, LPARAM);
  LRESULT OnShowBaselineResult(WPARAM, LPARAM);
  LRESULT OnEditRefSptsDlgClosed(WPARAM, LPARAM);
  LRESULT OnShowPlotsStacked(WPARAM, LPARAM);
  LRESULT OnShowPlotsOverlaid(WPARAM, LPARAM);
  LRESULT OnShowPlotsNormalized(WPARAM, LPARAM);
  LRESULT OnShowPlotsWithDualScales(WPARAM, LPARAM);
  LRESULT OnEditBackgroundCorrection(WPARAM, LPARAM);
  LRESULT OnPrintActivePlot(WPARAM, LPARAM);
  LRESULT OnTwoBCTimes(WPARAM, LPARAM);
  LRESULT OnNewActiveIndex(WPARAM, LPARAM);
  LRESULT OnCalBCPlotValues(WPARAM, LPARAM);
  LRESULT OnGetOverlayPointer(WPARAM, LPARAM);
  LRESULT OnShowAllHiddenPlots(WPARAM, LPARAM);
  LRESULT OnDisplaySetFile1(WPARAM, LPARAM);
  LRESULT OnDisplayClearFile1(WPARAM, LPARAM);
  LRESULT OnDisplaySetTimeRange1(WPARAM, LPARAM);
  LRESULT OnAskUserForFiles(WPARAM, LPARAM);
  LRESULT OnInternal_1(WPARAM, LPARAM);
  LRESULT OnNotificationsToSelf1(WPARAM, LPARAM);
  LRESULT OnSetMarkerInfo1(WPARAM, LPARAM);
  LRESULT OnPrintAllPlots(WPARAM, LPARAM);
  LRESULT OnPrintOnePlot(WPARAM, LPARAM);
  LRESULT OnExchangePlots(WPARAM, LPARAM);
  LRESULT OnRestoreAllPlotPositions(WPARAM, LPARAM);
  void OnRButtonDown(UINT flags, CPoint point);
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  bool RefFeaturesOff() const { return m_controlKind == 3 || m_controlKind == 4; }
  void MakeRefSptsSets();
  void RepaintIfAllowed();
  void TellDialogCount();
  void SetDisplayType(short type);
  void EditRefSptsOfPlot(short slot);
  // The slot whose button holds the point, or -1.
  int ButtonAt(CPoint point) const;
  // The slot a select or delete click on the point edits, or -1.
  int EditTargetAt(CPoint point) const;
  bool SameFile(short a, short b) const;
  void ApplyPendingActive();
  // Every plot but the first goes.
  void DeleteReferencePlots();
  // Whether the integrate commands have a plot to act on.
  bool HasActivePlotForIntegration() const;
  // The control's own overlay (and its twenty sets), made on first need; false when it cannot be made.
  bool TakeOverOverlay();
  // The spectrum markers follow the data review's markers to their plots.
  void RefreshMarkerSlots();
  // Frees a pending selection table and the arrays its rows own.
  void FreePickedFiles();
  // Prints one plot through the given print record; 1 when printed.
  int PrintOnePlotInto(short slot, STRUCT_OPLOT_PRINT_PLOT* record);
};

LRESULT CALLBACK CtlOP1WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A "KELT_OP1" control made as a child of parent; the object, or 0.
KELT_API CCtlOPlot1* CreateOPlot1Control(CWnd* parent, short id, short left, short top, short right, short bottom,
                                         int32_t unused);
