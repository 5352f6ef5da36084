// The spectrum control's message map, its commands and the messages that
// set modes, preferences and records kept whole.
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "spectra/spectrum_managers.h"
#include "spectrumctl/ion_range_popup.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/spectrum_info_windows.h"

BEGIN_MESSAGE_MAP(CCtlSpt, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
ON_WM_HSCROLL()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_CHAR()
ON_WM_SETCURSOR()
ON_WM_TIMER()
ON_NOTIFY(TBN_DROPDOWN, SPT_ID_TOOLBAR, OnTTDropDownButtons)
ON_MESSAGE(SPTM_NODATA, OnNoData)
ON_MESSAGE(SPTM_PRINT, OnPrint)
ON_MESSAGE(SPTM_PLUSDATA, OnPlusData)
ON_MESSAGE(SPTM_GETDIFFERENCESPECTRUM, OnGetDifferenceSpectrum)
ON_MESSAGE(SPTM_SETSHOWDIFFERENCEMODE, OnSetShowDifferenceMode)
ON_MESSAGE(SPTM_GETMASSRANGE, OnGetMassRange)
ON_MESSAGE(SPTM_GETVERTRANGES, OnGetVertRanges)
ON_MESSAGE(SPTM_ESCAPETRACKING, OnEscapeTracking)
ON_MESSAGE(SPTM_NEWUSERLABEL, OnNewUserLabel)
ON_MESSAGE(SPTM_GETSPTCOUNT, OnGetSptCount)
ON_MESSAGE(SPTM_DISPLAYCOMPARISON, OnDisplayComparison)
ON_MESSAGE(SPTM_PREVENTDELETES, OnPreventDeletes)
ON_MESSAGE(SPTM_SHOWTOOLBAR, OnShowToolBar)
ON_MESSAGE(SPTM_SHOWSPECTRUM, OnShowSpectrum)
ON_MESSAGE(SPTM_FIXMASSRANGE, OnFixMassRange)
ON_MESSAGE(SPTM_SETSCREENSCALEPARAMS, OnSetScreenScaleParams)
ON_MESSAGE(SPTM_SETMETASCALEPARAMS, OnSetMetaScaleParams)
ON_MESSAGE(SPTM_SETMETAPLOTCOLORS, OnSetMetaPlotColors)
ON_MESSAGE(SPTM_SHOWDIFFSPTFULLSCALE, OnShowDiffSptFullScale)
ON_MESSAGE(SPTM_GETLOCALPREFERENCES, OnGetLocalPreferences)
ON_MESSAGE(SPTM_SETLOCALPREFERENCES, OnSetLocalPreferences)
ON_MESSAGE(SPTM_KEEPPREFERENCES, OnKeepPreferences)
ON_MESSAGE(SPTM_LIVESPECTRUMEX, OnLiveSpectrumEx)
ON_MESSAGE(SPTM_SPECTRUMREQUEST, OnSpectrumRequest)
ON_MESSAGE(SPTM_SETMODULEWINDOWMODE, OnSetModuleWindowMode)
ON_MESSAGE(SPTM_CLOSEDCENTROIDDIALOG, OnClosedCentroidDialog)
ON_MESSAGE(SPTM_MAKECENTROIDSPECTRUM, OnMakeCentroidSpectrum)
ON_MESSAGE(SPTM_SPTPLUSDATA, OnSptPlusData)
ON_MESSAGE(SPTM_SETNAMEOFCONTROL, OnSetNameOfControl)
ON_MESSAGE(SPTM_SETDATAREVIEWMANAGER, OnSetDataReviewManager)
ON_MESSAGE(SPTM_GETUSEBACKGROUNDCORRECTIONSTATUS, OnGetUseBackgroundCorrectionStatus)
ON_MESSAGE(SPTM_LETUSEREDITSPECTRUM, OnLetUserEditSpectrum)
ON_MESSAGE(SPTM_MAKECENTROIDSPECTRUMFROMPROFILESPECTRUM, OnMakeCentroidSpectrumFromProfileSpectrum)
ON_MESSAGE(SPTM_PRINTSPECTRUM, OnPrintSpectrum)
ON_MESSAGE(SPTM_SENDSPECTRUMTONIST, OnSendSpectrumToNIST)
ON_MESSAGE(SPTM_PUTSPECTRUMINTOTEXTFILE, OnPutSpectrumIntoTextFile)
ON_MESSAGE(SPTM_CHANGEBACKGROUNDCORRECTEDSPECTRASTATUS, OnChangeBackgroundCorrectedSpectraStatus)
ON_MESSAGE(SPTM_CHANGEPAGEMODE, OnChangePageMode)
ON_MESSAGE(SPTM_LETUSEREDITSPECTRAPREFERENCES, OnLetUserEditSpectraPreferences)
ON_MESSAGE(SPTM_CHANGENEWSPTHORZMASSRANGEMODE, OnChangeNewSptHorzMassRangeMode)
ON_MESSAGE(SPTM_CHANGENEWSPTVERTRANGEMODE, OnChangeNewSptVertRangeMode)
ON_MESSAGE(SPTM_CLOSESELCHROPLOTDLG, OnCloseSelChroPlotDlg)
ON_MESSAGE(SPTM_GETSPECTRUMPOINTER, OnGetSpectrumPointer)
ON_MESSAGE(SPTM_GETINPUTSPECTRUMPOINTER, OnGetInputSpectrumPointer)
ON_MESSAGE(SPTM_SETNISTCOMPARISONPARAMS, OnSetNISTComparisonParams)
ON_MESSAGE(SPTM_SETBOUNDARIES, OnSetBoundaries)
ON_MESSAGE(SPTM_NEWACTIVEINDEX, OnNewActiveIndex)
ON_MESSAGE(SPTM_ISSPTDISPLAYED, OnIsSptDisplayed)
ON_MESSAGE(SPTM_GETREALSPTFROMDIFFSPT, OnGetRealSptFromDiffSpt)
ON_MESSAGE(SPTM_SENDBITMAPOFWINDOWTOCLIPBOARD, OnSendBitmapOfWindowToClipboard)
ON_MESSAGE(SPTM_CLOSESELSPTSPLOTDLG, OnCloseSelSptsPlotDlg)
ON_MESSAGE(SPTM_UPDATEFROMSELSPTSPLOTDLG, OnUpdateFromSelSptsPlotDlg)
ON_MESSAGE(SPTM_GETNEWMASSLIMITS, OnGetNewMassLimits)
ON_MESSAGE(SPTM_SETNEWMASSLIMITS, OnSetNewMassLimits)
ON_MESSAGE(SPTM_CONTROLTOBIPMAP, OnControlToBipmap)
ON_MESSAGE(SPTM_CONTROLTOWMFFILE, OnControlToWMFFile)
ON_MESSAGE(SPTM_SHOWALLPLOTS, OnShowAllPlots)
ON_MESSAGE(SPTM_PRESSAVERAGETBBUTTON, OnPressAverageTBButton)
ON_MESSAGE(SPTM_GETALLRANGEINFO, OnGetAllRangeInfo)
ON_MESSAGE(SPTM_SETALLRANGEINFO, OnSetAllRangeInfo)
ON_MESSAGE(SPTM_GETMSMSSTEP, OnGetMSMSStep)
ON_MESSAGE(SPTM_GETNEWPD, OnGetNewPD)
ON_MESSAGE(SPTM_GIVENEWPD, OnGiveNewPD)
ON_MESSAGE(SPTM_ENABLEEXPORTTOCOMPOUNDTABLE, OnEnableExportToCompoundTable)
END_MESSAGE_MAP()

namespace {
bool ValidSlot(WPARAM w, int slots) { return static_cast<intptr_t>(w) >= 0 && static_cast<intptr_t>(w) < slots; }
}  // namespace

BOOL CCtlSpt::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  switch (id) {
    case SPT_ID_DOWN: OnHorzDown(); return TRUE;
    case SPT_ID_UP: OnHorzUp(); return TRUE;
    case SPT_CMD_FULL_SCALE: OnTTFullScale(); return TRUE;
    case SPT_CMD_SHOW_PREVIOUS: OnTTShowPrevious(); return TRUE;
    case SPT_CMD_SET_DRAG_ZOOM:
    case SPT_CMD_SET_DRAG_CHROMATOGRAM:
    case SPT_CMD_SET_DRAG_BITMAP:
      if (m_tracking) OnEscapeTracking(0, 0);
      m_clickDragMode = static_cast<int16_t>(id - SPT_CMD_SET_DRAG_ZOOM);
      return TRUE;
    case 8006: case 8012: case 8016: case 8020:
      TrackModeMenu(id);
      return TRUE;
    case 8007: case 8008: case 8009: case 8010: case 8011:
      m_singleClickMode = static_cast<int16_t>(id - 8007);
      return TRUE;
    case SPT_CMD_HORZ_AUTOSCALE: SetHorzMode(SPT_HORZ_AUTOSCALE); return TRUE;
    case SPT_CMD_HORZ_LEARN: SetHorzMode(SPT_HORZ_LEARN); return TRUE;
    case SPT_CMD_HORZ_FIXED: SetHorzMode(SPT_HORZ_FIXED); return TRUE;
    case SPT_CMD_VERT_AUTOSCALE: SetVertMode(SPT_VERT_AUTOSCALE); return TRUE;
    case SPT_CMD_VERT_FIXED: SetVertMode(SPT_VERT_FIXED); return TRUE;
    case 8023: case 8024: case 8025: case 8026: case 8027: case 8028:
      SetPageMode(static_cast<int16_t>(id - 8023));
      return TRUE;
    case 8032: case SPT_CMD_SHOW_ALL: ShowAllHidden(); return TRUE;
    case 8107: case 8108: case 8109: HideSpectrum(static_cast<short>(id - 8107)); return TRUE;
    case 8110: case 8111: DeleteSpectrum(static_cast<short>(id - 8110)); return TRUE;
    case 8204:
      // The copy runs from the timer, after the menu has gone.
      if (m_pMenu) {
        m_pMenu->DestroyMenu();
        delete m_pMenu;
        m_pMenu = nullptr;
      }
      PostMessage(SPTM_SENDBITMAPOFWINDOWTOCLIPBOARD, 0, 0);
      return TRUE;
    case 8208: OnSelectMassLimits(); return TRUE;
    case 8101: OnEditOrDeleteLabel(false); return TRUE;
    case 8102: OnEditOrDeleteLabel(true); return TRUE;
    case 8140: case 8141: case 8142: OnDeleteLabelsForPlot(static_cast<short>(id - 8140)); return TRUE;
    case 8206: OnDeleteLabelsForPlot(-1); return TRUE;
    case 8197: case 8198: case 8199: OnNewLabelAtRightClick(static_cast<short>(id - 8197)); return TRUE;
    case 8115: case 8116: OnCentroidProfileSpt(static_cast<short>(id - 8115)); return TRUE;
    case 8132: case 8133: OnEditSpectrum(id); return TRUE;
    default:
      if (OnMoreCommand(id)) return TRUE;
      if (id >= SPT_ID_SLIDER0 && id < SPT_ID_SLIDER0 + SPT_SLOTS && HIWORD(wParam) == 1) {
        OnVScale(static_cast<short>(id - SPT_ID_SLIDER0));
        return TRUE;
      }
      return CWnd::OnCommand(wParam, lParam);
  }
}

void CCtlSpt::HideSpectrum(short slot) {
  if (slot < 0 || slot >= SPT_SLOTS || !m_display[slot] || !m_shown[slot]) return;
  m_shown[slot] = 0;
  InitScaleRanges();
  InitSizes();
  Invalidate(FALSE);
  Notify(static_cast<unsigned short>(SPTN_HIDDEN_A + slot));
}

void CCtlSpt::DeleteSpectrum(short slot) {
  if (slot < 0 || slot > 1 || !m_display[slot]) return;
  FreeClearSpectrum(slot);
  FreeClearDifferenceSpectrum();
  InitScaleRanges();
  InitSizes();
  Invalidate(FALSE);
  Notify(static_cast<unsigned short>(SPTN_DELETED_A + slot));
}

void CCtlSpt::ShowAllHidden() {
  bool changed = false;
  // A difference not made while it was switched off is made now.
  if (m_display[0] && m_display[1] && !m_display[2] && m_showDifference && m_prefs.drawing.showDifference) {
    MakeDifferenceSpectrum();
    if (m_display[2]) m_shown[2] = 0;
  }
  for (int s = 0; s < SPT_SLOTS; ++s)
    if (m_display[s] && !m_shown[s]) m_shown[s] = 1, changed = true;
  if (!changed) return;
  m_maximised = 0;
  InitScaleRanges();
  InitSizes();
  Invalidate(FALSE);
  Notify(SPTN_SHOWN_ALL);
}

void CCtlSpt::SetPageMode(int16_t mode) {
  if (mode < SPT_PAGE_PLOT || mode > SPT_PAGE_PICTURE_B) return;
  m_pageMode = mode;
  InitSizes();
  Invalidate(FALSE);
  UpdateToolTips();
}

LRESULT CCtlSpt::OnChangePageMode(WPARAM wParam, LPARAM) {
  SetPageMode(wParam == 0 ? SPT_PAGE_PLOT : wParam == 1 ? SPT_PAGE_IONS : SPT_PAGE_INFORMATION);
  return 0;
}


LRESULT CCtlSpt::OnDisplayComparison(WPARAM wParam, LPARAM) {
  m_prefs.drawing.comparisonDisplay = static_cast<int16_t>(wParam);
  if (m_shown[0] && m_shown[1] && m_display[0] && m_display[1]) Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnPreventDeletes(WPARAM wParam, LPARAM) {
  m_labelsLocked = wParam ? 1 : 0;
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnShowToolBar(WPARAM wParam, LPARAM) {
  OnToolBarChange(wParam ? 9031 : 9030);
  return 0;
}

LRESULT CCtlSpt::OnSetScreenScaleParams(WPARAM wParam, LPARAM lParam) {
  if (wParam) std::memcpy(&m_prefs.axis0, reinterpret_cast<const void*>(wParam), sizeof m_prefs.axis0);
  if (lParam) std::memcpy(&m_prefs.axis1, reinterpret_cast<const void*>(lParam), sizeof m_prefs.axis1);
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnSetMetaScaleParams(WPARAM wParam, LPARAM lParam) {
  if (!wParam || !lParam) return 0;
  std::memcpy(&m_printScales[0], reinterpret_cast<const void*>(wParam), sizeof m_printScales[0]);
  std::memcpy(&m_printScales[1], reinterpret_cast<const void*>(lParam), sizeof m_printScales[1]);
  m_printScalesSet = 1;
  return 0;
}

LRESULT CCtlSpt::OnSetMetaPlotColors(WPARAM wParam, LPARAM lParam) {
  if (wParam && lParam) {
    std::memcpy(&m_printColors, reinterpret_cast<const void*>(lParam), sizeof m_printColors);
    m_printColorsSet = 1;
  } else {
    m_printColorsSet = 0;
  }
  return 0;
}

LRESULT CCtlSpt::OnSetModuleWindowMode(WPARAM wParam, LPARAM) {
  m_moduleWindow = 1;
  m_windowMode = wParam ? SPT_WINDOW_MODULE3 : SPT_WINDOW_MODULE;
  DestroyToolBar();
  if (m_showToolbar) CreateToolBar();
  InitSizes();
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnClosedCentroidDialog(WPARAM wParam, LPARAM) {
  if (ValidSlot(wParam, 2)) m_pCentroidDlg[wParam] = nullptr;
  return 0;
}


LRESULT CCtlSpt::OnSetNameOfControl(WPARAM wParam, LPARAM lParam) {
  m_reviewIndex = static_cast<int16_t>(wParam);
  const char* name = reinterpret_cast<const char*>(lParam);
  if (name && strnlen(name, SPT_NAME_SIZE) < SPT_NAME_SIZE) {
    std::memset(m_name, 0, sizeof m_name);
    std::memcpy(m_name, name, strnlen(name, SPT_NAME_SIZE));
    if (m_pInfo && m_pInfo->m_hWnd) m_pInfo->SendMessage(WM_USER + 25, reinterpret_cast<WPARAM>(m_name), 0);
  }
  return 0;
}

LRESULT CCtlSpt::OnSetDataReviewManager(WPARAM wParam, LPARAM lParam) {
  // A null manager detaches: the host may destroy the manager it gave.
  m_pManager = reinterpret_cast<CDataReviewManager*>(lParam);
  m_dataReview = m_pManager ? 1 : 0;
  if (m_pManager && wParam && m_windowMode != SPT_WINDOW_DATA_REVIEW) {
    m_windowMode = SPT_WINDOW_DATA_REVIEW;
    DestroyToolBar();
    if (m_showToolbar) CreateToolBar();
    InitSizes();
  }
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnNewActiveIndex(WPARAM wParam, LPARAM) {
  if (!ValidSlot(wParam, 2) || !m_pManager) return 0;
  m_pManager->SetActiveSptPlotIndex(static_cast<int16_t>(wParam));
  m_pManager->SetActiveSptControlIndex(m_reviewIndex);
  Notify(SPTN_ACTIVE_CHANGED);
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnLetUserEditSpectrum(WPARAM wParam, LPARAM) {
  if (wParam == 0 || wParam == 1) OnEditSpectrum(static_cast<UINT>(8132 + wParam));
  return 0;
}
LRESULT CCtlSpt::OnPrintSpectrum(WPARAM wParam, LPARAM) {
  if (wParam <= 2) DoPrintInfo(static_cast<UINT>(8104 + wParam));
  return 0;
}
LRESULT CCtlSpt::OnSendSpectrumToNIST(WPARAM wParam, LPARAM lParam) {
  if (wParam <= 1) OnSendSpectrumToNIST(static_cast<UINT>((lParam == 0 ? 8128 : 8130) + wParam));
  return 0;
}
LRESULT CCtlSpt::OnPutSpectrumIntoTextFile(WPARAM wParam, LPARAM) {
  if (ValidSlot(wParam, SPT_SLOTS)) OnMoreCommand(static_cast<UINT>(8117 + wParam));
  return 0;
}
LRESULT CCtlSpt::OnControlToWMFFile(WPARAM, LPARAM) {
  if (m_scalesValid && ShownCount() > 0) OnPictureToFile();
  return 0;
}

LRESULT CCtlSpt::OnCloseSelChroPlotDlg(WPARAM, LPARAM) {
  m_pSelChroPlotDlg = nullptr;
  m_clickDragMode = m_savedClickDragMode;
  m_singleClickMode = m_savedSingleClickMode;
  return 0;
}

void CCtlSpt::OnSelectMassLimits() {
  if (m_hIonListPopup && ::IsWindow(m_hIonListPopup)) return;
  auto* state = static_cast<STRUCT_ION_RANGE_POPUP*>(AllocBlock(sizeof(STRUCT_ION_RANGE_POPUP)));
  if (!state) return;
  state->control = m_hWnd;
  std::memcpy(&state->massList, m_massList, sizeof state->massList);
  state->hasList = static_cast<uint16_t>(m_massListSet ? 1 : 0);
  state->massWindow = 0.5;
  state->formatOption = 0;
  HWND popup = kelt::spt::CreateIonRangePopup(m_hWnd, state);
  if (!popup) return;
  m_hIonListPopup = popup;
  // The mouse picks masses for the popup while it is open.
  m_savedClickDragMode = m_clickDragMode;
  m_savedSingleClickMode = m_singleClickMode;
  m_clickDragMode = SPT_DRAG_CHROMATOGRAM;
  m_singleClickMode = SPT_CLICK_SELECT_MASS;
}

LRESULT CCtlSpt::OnCloseSelSptsPlotDlg(WPARAM, LPARAM) {
  m_hIonListPopup = nullptr;
  m_clickDragMode = m_savedClickDragMode;
  m_singleClickMode = m_savedSingleClickMode;
  return 0;
}

LRESULT CCtlSpt::OnSetNewMassLimits(WPARAM, LPARAM lParam) {
  if (lParam) {
    std::memcpy(m_massList, reinterpret_cast<const void*>(lParam), sizeof m_massList);
    m_massListSet = 1;
  } else {
    std::memset(m_massList, 0, sizeof m_massList);
    m_massListSet = 0;
  }
  return 0;
}

LRESULT CCtlSpt::OnUpdateFromSelSptsPlotDlg(WPARAM wParam, LPARAM lParam) {
  OnSetNewMassLimits(wParam, lParam);
  if (HWND parent = ::GetParent(m_hWnd))
    ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_id), SPTN_NEW_MASS_LIMITS),
                   reinterpret_cast<LPARAM>(m_hWnd));
  return 0;
}

LRESULT CCtlSpt::OnGetNewMassLimits(WPARAM, LPARAM lParam) {
  if (!lParam || !m_massListSet) return 0;
  std::memcpy(reinterpret_cast<void*>(lParam), m_massList, sizeof m_massList);
  return 1;
}

LRESULT CCtlSpt::OnSendBitmapOfWindowToClipboard(WPARAM, LPARAM) {
  SetTimer(SPT_TIMER_CLIPBOARD, 500, nullptr);
  return 0;
}

LRESULT CCtlSpt::OnControlToBipmap(WPARAM, LPARAM) {
  if (m_scalesValid && ShownCount() > 0) SetTimer(SPT_TIMER_CLIPBOARD, 500, nullptr);
  return 0;
}

LRESULT CCtlSpt::OnShowAllPlots(WPARAM, LPARAM) {
  ShowAllHidden();
  return 0;
}

LRESULT CCtlSpt::OnPressAverageTBButton(WPARAM wParam, LPARAM) {
  if (wParam == 0 || wParam == 1) m_averaging = static_cast<int16_t>(wParam);
  UpdateToolBar();
  return 0;
}

LRESULT CCtlSpt::OnGetMSMSStep(WPARAM, LPARAM lParam) {
  if (!lParam || !m_msmsPending) return 0;
  *reinterpret_cast<double*>(lParam) = m_msmsMass;
  m_msmsPending = 0;
  return 1;
}

LRESULT CCtlSpt::OnGetNewPD(WPARAM, LPARAM lParam) {
  auto* out = reinterpret_cast<STRUCT_CCSPT_NEW_PD*>(lParam);
  if (!out || !m_pPlotDescriptor) return 0;
  out->block = m_pPlotDescriptor;
  std::memcpy(out->dataFile, m_pdDataFile, sizeof out->dataFile);
  std::memcpy(out->thirdPath, m_pdThirdPath, sizeof out->thirdPath);
  m_pPlotDescriptor = nullptr;
  return 1;
}

LRESULT CCtlSpt::OnGiveNewPD(WPARAM, LPARAM lParam) {
  const auto* in = reinterpret_cast<const STRUCT_CCSPT_NEW_PD*>(lParam);
  if (!in) return 0;
  if (m_pPlotDescriptor != in->block) FreeBlock(m_pPlotDescriptor);
  m_pPlotDescriptor = in->block;
  std::memcpy(m_pdDataFile, in->dataFile, sizeof m_pdDataFile);
  m_pdDataFile[sizeof m_pdDataFile - 1] = 0;
  std::memcpy(m_pdThirdPath, in->thirdPath, sizeof m_pdThirdPath);
  m_pdThirdPath[sizeof m_pdThirdPath - 1] = 0;
  Notify(SPTN_NEW_PD);
  return 1;
}

LRESULT CCtlSpt::OnEnableExportToCompoundTable(WPARAM wParam, LPARAM) {
  if (wParam == 0 || wParam == 1) m_exportToCompoundTable = static_cast<int16_t>(wParam);
  return 0;
}
