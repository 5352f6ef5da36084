// The overlay plot control's toolbar: its frame, the commands of its
// buttons and drop-down menus (display modes, points to average, the click
// actions, plot positions, module-window scales) and WM_USER+44, +73, +74.
#include <cstdio>
#include <cstring>
#include <new>

#include "common/library_state.h"
#include "common/number_format.h"
#include "overlayctl/overlay_plot_control.h"
#include "overlayctl/wrapping_toolbar.h"
#include "spectra/spectrum_managers.h"

namespace {

bool LinearityReportAllowed() { return kelt::lib::Settings().canShowHalfHeights == 1; }

// The file name of a path: the text after its last folder separator.
const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

}  // namespace

// ---- The frame ---------------------------------------------------------------------

void CCtlOPlot::CreateToolBar() {
  if (!m_pToolBar) {
    auto* frame = new (std::nothrow) CWrapOPToolBar;
    if (!frame) return;
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (!frame->Create(nullptr, nullptr, kStyle, CRect(0, 0, 0, 0), this)) {
      // A frame whose window never came about has not deleted itself.
      if (!frame->m_hWnd) delete frame;
      return;
    }
    m_pToolBar = frame;
    frame->SendMessage(WTBM_INIT, reinterpret_cast<WPARAM>(this), 0);
  }
  m_toolbarHeight = static_cast<int16_t>(m_pToolBar->SendMessage(WTBM_CREATETOOLBAR, m_toolbarLayout, 0));
}

void CCtlOPlot::DestroyToolBar() {
  m_toolbarHeight = 0;
  if (!m_pToolBar) return;
  CWnd* frame = m_pToolBar;
  m_pToolBar = nullptr;
  frame->SendMessage(WTBM_DESTROYTOOLBAR, 0, 0);
  // The frame deletes itself when its window is gone.
  if (frame->m_hWnd) frame->DestroyWindow();
}

void CCtlOPlot::UpdateToolBar() {
  if (m_pToolBar && m_pToolBar->m_hWnd) m_pToolBar->SendMessage(WTBM_UPDATETOOLBAR, 0, 0);
}

void CCtlOPlot::UpdateToolTips() {
  if (m_pToolBar && m_pToolBar->m_hWnd) static_cast<CWrapOPToolBar*>(m_pToolBar)->UpdateToolTips();
}

bool CCtlOPlot::PreferencesAllowed() const {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return true;
  for (int s = 0; s < OPLOT_SLOTS; ++s)
    if (o->head.shown[s] && o->slots[s].workFile && o->slots[s].workFile->editBlock) return false;
  return true;
}

LRESULT CCtlOPlot::OnShowToolbar(WPARAM wParam, LPARAM) {
  const int16_t show = wParam ? 1 : 0;
  if (show != m_showToolbar) {
    DestroyToolBar();
    m_showToolbar = show;
    if (show) CreateToolBar();
  }
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnSetPMToolbar(WPARAM, LPARAM) {
  if (m_toolbarLayout != 3) {
    m_toolbarLayout = 3;
    DestroyToolBar();
    if (m_showToolbar) CreateToolBar();
    SizeControls();
    RepaintUnlessSuspended();
  }
  return 0;
}

void CCtlOPlot::OnTTNoToolBar() {
  DestroyToolBar();
  m_showToolbar = 0;
  SizeControls();
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot::OnGetNumberSpectraToAverage(WPARAM, LPARAM) {
  return static_cast<LRESULT>(static_cast<int16_t>(m_pointsToAverage));
}

// ---- Dispatch ------------------------------------------------------------------------

bool CCtlOPlot::OnToolbarCommand(UINT id) {
  switch (id) {
    case 2701: OnTTNoToolBar(); return true;
    case 2706: OnTTModuleWindowVerticalScaleModeMenu(); return true;
    case 2707: OnTTEditChromatogramPrefs(); return true;
    case 2710: OnTTShowBackgroundCorrection(); return true;
    case 2713: OnTTPointsToAverage(); return true;
    case 2714: SetPointsToAverage(1); return true;
    case 2715: SetPointsToAverage(3); return true;
    case 2716: SetPointsToAverage(5); return true;
    case 2717: SetPointsToAverage(7); return true;
    case 2718: OnTTPlotType(); return true;
    case 2719: SetDisplayModeCommand(OVERLAY_MODE_STACKED); return true;
    case 2720: SetDisplayModeCommand(OVERLAY_MODE_OVERLAID); return true;
    case 2721: SetDisplayModeCommand(OVERLAY_MODE_NORMALISED); return true;
    case 2722: SetDisplayModeCommand(OVERLAY_MODE_TWO_SCALES); return true;
    case 2724: OnTTTargetListSearchActivePlot(); return true;
    case 2725: OnTTDBLCLKModeMenu(); return true;
    case 2726: SetSingleClickMode(OPLOT_CLICK_DISPLAY); return true;
    case 2728: SetSingleClickMode(OPLOT_CLICK_LIBRARY_SEARCH); return true;
    case 2729: SetSingleClickMode(OPLOT_CLICK_TARGET_LIST_SEARCH); return true;
    case 2730: SetSingleClickMode(OPLOT_CLICK_EXPORT); return true;
    case 2731: SetSingleClickMode(OPLOT_CLICK_NONE); return true;
    case 2737: OnTTShowAllPlots(); return true;
    case 2738: OnTTReportPrefs(); return true;
    case 2741: OnTTModuleWindowFixedScale(); return true;
    case 2742: OnTTModuleWindowAutoScale(); return true;
    case 2756: OnTTSpectrumSelectionType(); return true;
    case 2770: OnTTClickDragModeMenu(); return true;
    case 2774:
      // Moving a plot keeps a band in progress (the moving line goes).
      m_lineResultSet = 0;
      m_offsetPending = 0;
      SetClickDragMode(OPLOT_DRAG_MOVE);
      UpdateToolTips();
      return true;
    case 2775: OnTTStopClickAndDrag(); return true;
    case 2771: case 2772: case 2773: case 2776: case 2777: case 2778: case 2779: {
      static const short kModes[] = {OPLOT_DRAG_ZOOM, OPLOT_DRAG_AVERAGE, OPLOT_DRAG_NOISE, -1, -1,
                                     OPLOT_DRAG_INTEGRATE, OPLOT_DRAG_LINEARITY, OPLOT_DRAG_CLIPBOARD,
                                     OPLOT_DRAG_TIME_RANGE};
      if (m_tracking) OnEscapeTracking(0, 0);
      m_lineResultSet = 0;
      m_offsetPending = 0;
      m_clickDragMode = kModes[id - 2771];
      UpdateToolTips();
      return true;
    }
    default:
      return false;
  }
}

// ---- Drop-down menus -----------------------------------------------------------------

CMenu* CCtlOPlot::NewPopupMenu() {
  if (m_tracking) OnEscapeTracking(0, 0);
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  auto* menu = new (std::nothrow) CMenu;
  if (!menu) return nullptr;
  if (!menu->CreatePopupMenu()) {
    delete menu;
    return nullptr;
  }
  m_pMenu = menu;
  return menu;
}

void CCtlOPlot::TrackToolbarMenu(CMenu* menu) {
  if (!menu || !m_hWnd) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT window{};
  ::GetWindowRect(m_hWnd, &window);
  // Just under the toolbar, at the mouse's x.
  menu->TrackPopupMenu(TPM_RIGHTBUTTON, cursor.x, window.top + m_toolbarHeight, this);
}

namespace {
UINT Checked(bool on) { return MF_STRING | (on ? MF_CHECKED : MF_UNCHECKED); }
}  // namespace

void CCtlOPlot::OnTTPointsToAverage() {
  CMenu* menu = NewPopupMenu();
  if (!menu) return;
  menu->AppendMenu(Checked(m_pointsToAverage == 1), 2714, "1 Point Spectrum");
  menu->AppendMenu(Checked(m_pointsToAverage == 3), 2715, "3 Point Average");
  menu->AppendMenu(Checked(m_pointsToAverage == 5), 2716, "5 Point Average");
  menu->AppendMenu(Checked(m_pointsToAverage == 7), 2717, "7 Point Average");
  TrackToolbarMenu(menu);
}

void CCtlOPlot::OnTTPlotType() {
  if (!m_pOverlay) return;
  CMenu* menu = NewPopupMenu();
  if (!menu) return;
  const int16_t mode = m_pOverlay->head.displayMode;
  const int units = OPLOT_CountDataUnitsTypes(m_pOverlay);
  menu->AppendMenu(Checked(mode == OVERLAY_MODE_STACKED), 2719, "Stacked");
  if (units == 1) {
    menu->AppendMenu(Checked(mode == OVERLAY_MODE_OVERLAID), 2720, "Overlaid");
    menu->AppendMenu(Checked(mode == OVERLAY_MODE_NORMALISED), 2721, "Normalized");
  } else if (units == 2) {
    menu->AppendMenu(Checked(mode == OVERLAY_MODE_TWO_SCALES), 2722, "Dual Scale");
  }
  TrackToolbarMenu(menu);
}

void CCtlOPlot::OnTTDBLCLKModeMenu() {
  CMenu* menu = NewPopupMenu();
  if (!menu) return;
  char list[DRM_MSP_PATH_SIZE + 1] = {};
  const char* name = "none active";
  if (auto* drm = static_cast<CDataReviewManager*>(m_pDataReview))
    if (drm->GetActiveMSPFile(list) && list[0] && FileNamePart(list)[0]) name = FileNamePart(list);
  char exportText[DRM_MSP_PATH_SIZE + 64];
  std::snprintf(exportText, sizeof exportText, "Export Spectrum to Active Spectrum List (%s)\t+E", name);
  const int16_t m = m_singleClickMode;
  menu->AppendMenu(Checked(m == OPLOT_CLICK_DISPLAY), 2726, "Display Spectrum\t+S");
  menu->AppendMenu(Checked(m == OPLOT_CLICK_LIBRARY_SEARCH), 2728, "Library Search Spectrum\t+L");
  menu->AppendMenu(Checked(m == OPLOT_CLICK_TARGET_LIST_SEARCH), 2729, "Target List Search Spectrum\t+J");
  menu->AppendMenu(Checked(m == OPLOT_CLICK_EXPORT), 2730, exportText);
  menu->AppendMenu(Checked(m == OPLOT_CLICK_NONE), 2731, "No Action");
  TrackToolbarMenu(menu);
}

void CCtlOPlot::OnTTClickDragModeMenu() {
  CMenu* menu = NewPopupMenu();
  if (!menu) return;
  const int16_t m = m_clickDragMode;
  menu->AppendMenu(Checked(m == OPLOT_DRAG_ZOOM), 2771, "Zoom Chromatogram\t+Z");
  menu->AppendMenu(Checked(m == OPLOT_DRAG_AVERAGE), 2772, "Average Selected Spectra\t+W");
  menu->AppendMenu(Checked(m == OPLOT_DRAG_NOISE), 2773, "Calculate Noise\t+N");
  menu->AppendMenu(Checked(m == OPLOT_DRAG_TIME_RANGE), 2779, "Calculate Time Range\t+R");
  if (m_toolbarLayout == 1 || m_toolbarLayout == 4) {
    menu->AppendMenu(Checked(m == OPLOT_DRAG_MOVE), 2774, "Move Chromatogram\t+M");
    menu->AppendMenu(Checked(m == OPLOT_DRAG_INTEGRATE), 2776, "Integrate Area\t+I");
  } else if (m_toolbarLayout == 3 && KELT_GetIsQUIB5() && m_areaIntegration) {
    menu->AppendMenu(Checked(m == OPLOT_DRAG_INTEGRATE), 2776, "Integrate Area\t+I");
  }
  menu->AppendMenu(Checked(m == OPLOT_DRAG_CLIPBOARD), 2778, "Export to Clipboard\t+B");
  if (LinearityReportAllowed())
    menu->AppendMenu(Checked(m == OPLOT_DRAG_LINEARITY), 2777, "Linearity Report\t+X");
  TrackToolbarMenu(menu);
}

void CCtlOPlot::OnTTModuleWindowVerticalScaleModeMenu() {
  CMenu* menu = NewPopupMenu();
  if (!menu) return;
  menu->AppendMenu(Checked(m_moduleScaleMode == 1), 2742, "Auto Scale");
  menu->AppendMenu(Checked(m_moduleScaleMode == 0), 2741, "Fixed");
  TrackToolbarMenu(menu);
}

void CCtlOPlot::OnTTDropDownButtons(NMHDR* hdr, LRESULT* result) {
  if (result) *result = TBDDRET_NODEFAULT;
  if (!hdr) return;
  switch (reinterpret_cast<NMTOOLBARA*>(hdr)->iItem) {
    case 2713: OnTTPointsToAverage(); break;
    case 2718: OnTTPlotType(); break;
    case 2725: OnTTDBLCLKModeMenu(); break;
    case 2770: OnTTClickDragModeMenu(); break;
    case 2706: OnTTModuleWindowVerticalScaleModeMenu(); break;
    default: break;
  }
}

// ---- The settings --------------------------------------------------------------------

void CCtlOPlot::SetPointsToAverage(short points) {
  m_pointsToAverage = points;
  UpdateToolBar();
}

void CCtlOPlot::SetSingleClickMode(short mode) {
  m_singleClickMode = mode;
  UpdateToolTips();
}

void CCtlOPlot::SetDisplayModeCommand(short mode) {
  if (!m_hasData) return;
  if (m_tracking) OnEscapeTracking(0, 0);
  if (mode == OVERLAY_MODE_NORMALISED) {
    CancelMovingPlotLine();
    ClearPlotOffsets();
  }
  HandleNewPlotType(mode);
}

void CCtlOPlot::ClearPlotOffsets() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  o->tail.timeOffsetsOn = 0;
  o->tail.verticalOffsetsOn = 0;
  for (int s = 0; s < OPLOT_SLOTS; ++s) {
    o->tail.timeOffsets[s] = 0;
    o->tail.verticalOffsets[s] = 0;
  }
}

void CCtlOPlot::OnTTShowBackgroundCorrection() {
  // Markers stay while their dialog is open.
  if (!(m_showBCMarkers && m_pBackCorrDlg)) m_showBCMarkers = m_showBCMarkers ? 0 : 1;
  RepaintUnlessSuspended();
}

void CCtlOPlot::OnTTTargetListSearchActivePlot() {
  const short active = GetActivePlotIndex();
  if (active < 0 || !m_pOverlay) return;
  const STRUCT_WORK_FILE* wf = m_pOverlay->slots[active].workFile;
  if (!wf || !wf->searchData) return;
  PostMessage(WM_COMMAND, static_cast<WPARAM>(3120 + active), 0);
}

void CCtlOPlot::OnTTShowAllPlots() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  m_waitingForData = 1;
  CancelMaximizePlot();
  for (int s = 0; s < OPLOT_SLOTS; ++s)
    if (o->tail.attached[s] == 1 && o->head.shown[s] == 0) {
      o->head.shown[s] = 1;
      ++o->head.shownCount;
    }
  UpdateOverlayPlotType();
  UpdateOverlayDisplay(o->tail.viewStart, o->tail.viewEnd, 1, 0, o->head.displayMode);
}

void CCtlOPlot::OnTTStopClickAndDrag() {
  if (m_tracking) OnEscapeTracking(0, 0);
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  ClearPlotOffsets();
  double start = 0, end = 0;
  // In the segment mode the whole data is the segment's window.
  if (m_navEnabled && m_segModeRequested) ScrollFullRange(&start, &end);
  UpdateOverlayDisplay(start, end, 1, 0, o->head.displayMode);
}

void CCtlOPlot::OnTTSpectrumSelectionType() {
  m_selectionType = m_selectionType ? 0 : 1;
  PostNotification(m_selectionType ? 35 : 34, OPLOT_ROUTE_DEFAULT);
  UpdateToolTips();
}

void CCtlOPlot::OnTTModuleWindowFixedScale() {
  if (m_moduleScaleMode == 0) return;
  m_moduleScaleMode = 0;
  KeepPreferences();
  SizeControls();
  RepaintUnlessSuspended();
}

void CCtlOPlot::OnTTModuleWindowAutoScale() {
  m_moduleScaleMode = 1;
  KeepPreferences();
  ClearVerticalScales();
  SetHorizontalFullScale();
  PostNotification(1, OPLOT_ROUTE_DEFAULT);
  SizeControls();
  RepaintUnlessSuspended();
}
