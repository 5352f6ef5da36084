// The overlay plot control's message interface: the message map, the
// notifications it posts and the ones it runs itself, and the getters.
#include <cstring>

#include "common/library_state.h"
#include "common/number_format.h"
#include "win/win_crt.h"
#include "fandor/target_list_results.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/result_annotations.h"
#include "overlayctl/segment_navigator.h"
#include "spectra/spectrum_managers.h"

namespace {
// Registered ids filled on first use of the message map.
UINT g_fileChanged = 0;
UINT g_loginChanged = 0;
struct RegisteredIds {
  RegisteredIds() {
    g_fileChanged = RegisterWindowMessageA("NotifyWhenChangedMsg");
    g_loginChanged = RegisterWindowMessageA("WS_LOGINCHANGE");
  }
} g_registeredIds;
}  // namespace

BEGIN_MESSAGE_MAP(CCtlOPlot, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_GETDLGCODE()
ON_WM_PAINT()
ON_WM_TIMER()
ON_WM_ERASEBKGND()
ON_WM_HSCROLL()
ON_MESSAGE(OPM_SETPLOTSCALES, OnSetPlotScales)
ON_MESSAGE(OPM_SHOWEXPSCALES, OnShowExpScales)
ON_MESSAGE(OPM_SPECIALDBLCLKFULLTIMERANGE, OnSpecialDBLCLKFullTimeRange)
ON_MESSAGE(OPM_LIMITEDDBLCLKFULLTIMERANGE, OnLimitedDBLCLKFullTimeRange)
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
ON_MESSAGE(OPM_NEWPLOTDATA, OnNewPlotData)
ON_MESSAGE(OPM_ADDTEXTFLAG, OnAddTextFlag)
ON_MESSAGE(OPM_ADDPLOTLABEL, OnAddPlotLabel)
ON_MESSAGE(OPM_ADDHORZPLOTLABEL, OnAddHorzPlotLabel)
ON_MESSAGE(OPM_CLEARALLLABELSFORPLOT, OnClearAllLabelsForPlot)
ON_MESSAGE(OPM_CLEARALLTEXTFLAGS, OnClearAllTextFlags)
ON_MESSAGE(OPM_NEWTIMERANGE, OnNewTimeRange)
ON_MESSAGE(OPM_NEWPLOTTYPE, OnNewPlotType)
ON_MESSAGE(OPM_NOPLOTDATA, OnNoPlotData)
ON_MESSAGE(OPM_PRINTPLOT, OnPrintPlot)
ON_MESSAGE(OPM_NEWPLOTTEXT, OnNewPlotText)
ON_MESSAGE(OPM_GETTIMERANGE, OnGetTimeRange)
ON_MESSAGE(OPM_CHANGEONSTATUS, OnChangeOnStatus)
ON_MESSAGE(OPM_GETTIMECLICK, OnGetTimeClick)
ON_MESSAGE(OPM_SETMARKERLFROMSPT, OnSetMarkerLFromSpt)
ON_MESSAGE(OPM_SETMARKERRFROMSPT, OnSetMarkerRFromSpt)
ON_MESSAGE(OPM_CLEARMARKERL, OnClearMarkerL)
ON_MESSAGE(OPM_CLEARMARKERR, OnClearMarkerR)
ON_MESSAGE(OPM_GETOVERDRAW, OnGetOverDraw)
ON_MESSAGE(OPM_ESCAPETRACKING, OnEscapeTracking)
ON_MESSAGE(OPM_GETTIMEVALUEOFFSET, OnGetTimeValueOffset)
ON_MESSAGE(OPM_GETRIGHTCLICKPOS, OnGetRightClickPos)
ON_MESSAGE(OPM_SHOWTOOLBAR, OnShowToolbar)
ON_MESSAGE(OPM_GIVEPARENTRIGHTCLICK, OnGiveParentRightClick)
ON_MESSAGE(OPM_SHOWSEGMENTS, OnShowSegments)
ON_MESSAGE(OPM_ISSHOWINGSEGMENTS, OnIsShowingSegments)
ON_MESSAGE(OPM_ENABLEHIDEDELETE, OnEnableHideDelete)
ON_MESSAGE(OPM_WAITFORNEWDATA, OnWaitForNewData)
ON_MESSAGE(OPM_SETTHICKPENWIDTH, OnSetThickPenWidth)
ON_MESSAGE(OPM_NOTIFICATIONSTOSELF, OnNotificationsToSelf)
ON_MESSAGE(OPM_SETMARKERINFO, OnSetMarkerInfo)
ON_MESSAGE(OPM_CLEARMARKERINFO, OnClearMarkerInfo)
ON_MESSAGE(OPM_SETDATAREVIEWMANAGER, OnSetDataReviewManager)
ON_MESSAGE(OPM_SETTCHRORESULTS, OnSetTCHROResults)
ON_MESSAGE(OPM_DISPLAYSETFILE, OnDisplaySetFile)
ON_MESSAGE(OPM_DISPLAYCLEARFILE, OnDisplayClearFile)
ON_MESSAGE(OPM_DISPLAYSETTIMERANGE, OnDisplaySetTimeRange)
ON_MESSAGE(OPM_DISPLAYSETPLOTTYPE, OnDisplaySetPlotType)
ON_MESSAGE(OPM_DISPLAYSETONSTATUS, OnDisplaySetONStatus)
ON_MESSAGE(OPM_DISPLAYNOREPAINT, OnDisplayNoRepaint)
ON_MESSAGE(OPM_GETPLOTTYPE, OnGetPlotType)
ON_MESSAGE(OPM_CLOSEQUICKINTEGRATIONDIALOG, OnCloseQuickIntegrationDialog)
ON_MESSAGE(OPM_SIZETIMEEVENTBUTTONS, OnSizeTimeEventButtons)
ON_MESSAGE(OPM_GETNUMBERSPECTRATOAVERAGE, OnGetNumberSpectraToAverage)
ON_MESSAGE(OPM_GETNEWREFERENCEPLOT, OnGetNewReferencePlot)
ON_MESSAGE(OPM_QUIBGETNEWFILESINDEX, OnQUIB_GetNewFilesIndex)
ON_MESSAGE(OPM_QUIBGETNEWPDSINDEX, OnQUIB_GetNewPDsIndex)
ON_MESSAGE(OPM_QUIBENABLEFEATURE, OnQuibEnableFeature)
ON_MESSAGE(OPM_QUIBENABLEFILESSCROLL, OnQuibEnableFilesScroll)
ON_MESSAGE(OPM_QUIBENABLEPDSSCROLL, OnQuibEnablePDsScroll)
ON_MESSAGE(OPM_SETQUIB5PRESSTREE, OnSetQuib5PressTree)
ON_MESSAGE(OPM_SETHIGHLIGHTRANGE, OnSetHighlightRange)
ON_MESSAGE(OPM_FORCESEGMENTWITHDATA, OnForceSegmentWithData)
ON_MESSAGE(OPM_SHOWQUALPLOTS, OnShowQualPlots)
ON_MESSAGE(OPM_SHOWTICPLOT, OnShowTICPlot)
ON_MESSAGE(OPM_NOTIFYEDITKEYENTER, OnNotifyEditKeyEnter)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_CHAR()
ON_MESSAGE(OPM_CLICKDRAGZOOMPLOTMODE, OnClickDragZoomPlotMode)
ON_MESSAGE(OPM_CLICKDRAGAVERAGESPECTRUMMODE, OnClickDragAverageSpectrumMode)
ON_MESSAGE(OPM_CLICKDRAGSIGNAL2NOISEMODE, OnClickDragSignal2NoiseMode)
ON_MESSAGE(OPM_CLICKDRAGOFFSETPLOTMODE, OnClickDragOffsetPlotMode)
ON_MESSAGE(OPM_CLICKDRAGINTEGRATEPLOT, OnClickDragIntegratePlot)
ON_MESSAGE(OPM_GETNEWSPECTRUMINFORMATION, OnGetNewSpectrumInformation)
ON_MESSAGE(OPM_GETRIGHTCLICKSPECTRUMINFO, OnGetRightClickSpectrumInfo)
ON_MESSAGE(OPM_MULTIPLESPECTRACONTROLS, OnMultipleSpectraControls)
ON_MESSAGE(OPM_SPECIALSIGNALTONOISEFILE, OnSpecialSignalToNoiseFile)
ON_MESSAGE(OPM_DELETEORPHANSPECTRA, OnDeleteOrphanSpectra)
ON_WM_RBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_SETCURSOR()
ON_MESSAGE(OPM_NEWUSERLABEL, OnNewUserLabel)
ON_MESSAGE(OPM_SETANNOTATIONS, OnSetAnnotations)
ON_MESSAGE(OPM_SHOWRESULTANNOTATIONS, OnShowResultAnnotations)
ON_MESSAGE(OPM_LETUSERSETTIMERANGE, OnLetUserSetTimeRange)
ON_MESSAGE(OPM_NEWENDTIME, OnNewEndTime)
ON_REGISTERED_MESSAGE(g_fileChanged, OnWM_FILE_CHANGED)
ON_REGISTERED_MESSAGE(g_loginChanged, OnWM_LOGIN_CHANGED)
ON_MESSAGE(OPM_SETPMTOOLBAR, OnSetPMToolbar)
ON_MESSAGE(OPM_SETSCREENSCALEPARAMS, OnSetScreenScaleParams)
ON_MESSAGE(OPM_SETMETASCALEPARAMS, OnSetMetaScaleParams)
ON_MESSAGE(OPM_SETMETAPLOTCOLORS, OnSetMetaPlotColors)
ON_MESSAGE(OPM_GETLOCALPREFERENCES, OnGetLocalPreferences)
ON_MESSAGE(OPM_SETLOCALPREFERENCES, OnSetLocalPreferences)
ON_MESSAGE(OPM_KEEPPREFERENCES, OnKeepPreferences)
ON_MESSAGE(OPM_TURNONEDITIONSFEATURE, OnTurnOnEditIonsFeature)
ON_MESSAGE(OPM_GETNEWPD, OnGetNewPD)
ON_MESSAGE(OPM_GETLASTDATAFILE, OnGetLastDataFile)
ON_MESSAGE(OPM_SAVEACTIVEASUSERPD, OnSaveActiveAsUserPD)
ON_MESSAGE(OPM_ENABLEREFERENCEPLOT, OnEnableReferencePlot)
ON_MESSAGE(OPM_SINGLECLICKFORAPEX, OnSingleClickForApex)
ON_MESSAGE(OPM_OPENQUICKINTEGRATIONDIALOG, OnOpenQuickIntegrationDialog)
ON_MESSAGE(OPM_OPENQUICKINTEGRATIONDIALOGFORALL, OnOpenQuickIntegrationDialogForAll)
ON_MESSAGE(OPM_EDITFILTERING, OnEditFiltering)
ON_MESSAGE(OPM_UPDATETRANSIENTFILTERING, OnUpdateTransientFiltering)
ON_NOTIFY(TBN_DROPDOWN, OPLOT_ID_TOOLBAR, OnTTDropDownButtons)
ON_MESSAGE(OPM_EXPORTCHROMATOGRAMTOTEXTFILE, OnExportChromatogramToTextFile)
ON_MESSAGE(OPM_EXPORTCHROMATOGRAMTOAMDIS, OnExportChromatogramToAMDIS)
ON_MESSAGE(OPM_LETUSEREDITCHROMATOGRAMPREFERENCES, OnLetUserEditChromatogramPreferences)
ON_MESSAGE(OPM_CONTROLTOBITMAP, OnControlToBitmap)
ON_MESSAGE(OPM_CONTROLTOWMFFILE, OnControlToWMFFile)
ON_MESSAGE(OPM_CLICKDRAGBITMAPTOCLIPBOARD, OnClickDragBitmapToClipboard)
ON_MESSAGE(OPM_DOAMDISDECONVOLUTION, OnDoAMDISDeconvolution)
ON_MESSAGE(OPM_DOAMDISANALYSIS, OnDoAMDISAnalysis)
ON_MESSAGE(OPM_SHOWVERSIONDIALOG, OnShowVersionDialog)
END_MESSAGE_MAP()

void CCtlOPlot::PostNotification(unsigned short code, short route) {
  if (!m_hWnd) return;
  const bool own = HandlesOwnNotifications();
  if (own && (route == OPLOT_ROUTE_DEFAULT || route == OPLOT_ROUTE_BOTH))
    PostMessage(OPM_NOTIFICATIONSTOSELF, code, 0);
  if (own && route != OPLOT_ROUTE_PARENT && route != OPLOT_ROUTE_BOTH) return;
  HWND parent = ::GetParent(m_hWnd);
  if (parent)
    ::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_id), code), reinterpret_cast<LPARAM>(m_hWnd));
}

BOOL CCtlOPlot::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  switch (id) {
    case OPLOT_CMD_NEXT_SPECTRUM:
      IncrementDecrementActiveSpectrum(1);
      return TRUE;
    case OPLOT_CMD_PREVIOUS_SPECTRUM:
      IncrementDecrementActiveSpectrum(0);
      return TRUE;
    case OPLOT_ID_SCROLL_DOWN:
      OnHorzUp();  // the right-hand button widens the window to the right
      return TRUE;
    case OPLOT_ID_SCROLL_UP:
      OnHorzDown();
      return TRUE;
    case OPLOT_CMD_FULL_SCALE:
      OnTTFullScale(true);
      return TRUE;
    case OPLOT_CMD_VERTICAL_FULL_SCALE:
      OnTTVerticalFullScale();
      return TRUE;
    case OPLOT_CMD_HORIZONTAL_FULL_SCALE:
      OnTTFullScale(false);
      return TRUE;
    case OPLOT_CMD_PREVIOUS_SCALES:
      OnTTPreviousScales();
      return TRUE;
    default:
      if (OnHostFeatureCommand(id)) return TRUE;
      if (OnToolbarCommand(id)) return TRUE;
      if (OnContextCommand(id)) return TRUE;
      if (OnNoiseCommand(id)) return TRUE;
      if (OnNavigationCommand(id)) return TRUE;
      if (OnExportCommand(id)) return TRUE;
      if (OnVersionCommand(id)) return TRUE;
      if (id == OPLOT_ID_SEGMENTS && HIWORD(wParam) == 1) {
        OnNoteSegInfoClick();
        return TRUE;
      }
      if (id >= OPLOT_CMD_SPECTRUM_A0 && id < OPLOT_CMD_SPECTRUM_A0 + 8) {
        OnSelectSpectrum(id);
        return TRUE;
      }
      if (id >= OPLOT_ID_SLIDER0 && id < OPLOT_ID_SLIDER0 + OPLOT_SLOTS && HIWORD(wParam) == 1) {
        OnVScale(static_cast<int>(id - OPLOT_ID_SLIDER0));
        return TRUE;
      }
      return CWnd::OnCommand(wParam, lParam);
  }
}

LRESULT CCtlOPlot::OnNotificationsToSelf(WPARAM wParam, LPARAM) {
  const unsigned code = LOWORD(wParam);
  SVW_OVERLAY* o = m_pOverlay;
  if (code == 1 || code == 2) {
    if (m_zoomPending && m_hasData && o) {
      if (m_tracking) OnEscapeTracking(0, 0);
      UpdateOverlayDisplay(m_zoomStart, m_zoomEnd, 0, code == 2 ? 1 : 0, o->head.displayMode);
    }
  } else if (code == 41) {
    SetVerticalFullScale(1, 1);
    RepaintUnlessSuspended();
  } else if (code >= 100 && code <= 119) {
    if (m_timeClickPending) {
      HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
      // The spectrum goes to the manager's active spectrum control and plot.
      const auto* drm = static_cast<const CDataReviewManager*>(m_pDataReview);
      GetSpectrumFromTime(m_timeClick, static_cast<short>(code - 100), drm ? drm->GetActiveSptControlIndex() : 0,
                          drm ? drm->GetActiveSptPlotIndex() : 0);
      SetCursor(old);
    }
  } else if (code == 4) {
    if (m_offsetPending && o && OverlaySlotIndex(m_offset.plot)) {
      o->tail.timeOffsets[m_offset.plot] = m_offset.timeOffset;
      o->tail.verticalOffsets[m_offset.plot] = m_offset.valueOffset;
      o->tail.timeOffsetsOn = 1;
      o->tail.verticalOffsetsOn = 1;
      m_offsetPending = 0;
      UpdateOverlayDisplay(o->tail.viewStart, o->tail.viewEnd, 0, 0, o->head.displayMode);
    }
  } else if (code == 7) {
    if (m_dblClickSpectrumPending) {
      HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
      GetSpectrumFromTime(m_dblClickTime, m_dblClickSlot, m_dblClickControl, m_dblClickPlot);
      SetCursor(old);
    }
  } else if (code == 6) {
    short average = 0, noise = 0, area = 0, linearity = 0;
    GetClickDragStatus(nullptr, nullptr, &average, &noise, &area, nullptr, nullptr, nullptr, &linearity);
    // The actions on one plot need one.
    if ((average || noise || area || linearity) && GetActivePlotIndex() < 0) return 0;
    if (average) {
      if (m_pDataReview) GetSpectrumFromZoom();
    } else if (noise) {
      GetSignalToNoiseFromZoom();
    } else if (area) {
      GetAreaCountFromZoom();
    } else if (linearity) {
      MakeLinearityReport();
    } else {
      DisplayTimeRange();
    }
  } else if (code >= 140 && code <= 159) {
    if (!o) return 0;
    m_waitingForData = 1;
    CancelMaximizePlot();
    DeleteOnePlot(static_cast<short>(code - 140), 1);
    UpdateOverlayPlotType();
    UpdateOverlayDisplay(o->tail.viewStart, o->tail.viewEnd, 1, 0, o->head.displayMode);
  } else if ((code >= 120 && code <= 139) || (code >= 160 && code <= 179)) {
    if (!o) return 0;
    const bool hide = code < 140;
    const int slot = static_cast<int>(code - (hide ? 120 : 160));
    m_waitingForData = 1;
    CancelMaximizePlot();
    if (hide && o->head.shown[slot]) {
      o->head.shown[slot] = 0;
      --o->head.shownCount;
    } else if (!hide && !o->head.shown[slot] && o->tail.attached[slot]) {
      o->head.shown[slot] = 1;
      ++o->head.shownCount;
    }
    UpdateOverlayPlotType();
    UpdateOverlayDisplay(o->tail.viewStart, o->tail.viewEnd, 1, 0, o->head.displayMode);
  }
  return 0;
}

LRESULT CCtlOPlot::OnGetTimeRange(WPARAM wParam, LPARAM lParam) {
  if (!lParam) return 0;
  auto* out = reinterpret_cast<double*>(lParam);
  if (wParam) {
    // The displayed range is known once the plots have been drawn.
    if (!m_pOverlay || !m_bSizesValid) return 0;
    out[0] = m_pOverlay->tail.viewStart;
    out[1] = m_pOverlay->tail.viewEnd;
    out[2] = m_pOverlay->head.displayMode;
    return 1;
  }
  if (!m_zoomPending) return 0;
  out[0] = m_zoomStart;
  out[1] = m_zoomEnd;
  out[2] = m_zoomPlot;
  return 1;
}

LRESULT CCtlOPlot::OnGetTimeClick(WPARAM, LPARAM lParam) {
  if (!lParam || !m_timeClickPending) return 0;
  *reinterpret_cast<double*>(lParam) = m_timeClick;
  m_timeClickPending = 0;
  return 1;
}

LRESULT CCtlOPlot::OnGetOverDraw(WPARAM, LPARAM lParam) {
  if (!lParam || !m_pOverlay) return 0;
  std::memcpy(reinterpret_cast<void*>(lParam), &m_pOverlay->tail.scales, sizeof m_pOverlay->tail.scales);
  return 1;
}


LRESULT CCtlOPlot::OnGetTimeValueOffset(WPARAM, LPARAM lParam) {
  if (!lParam || !m_offsetPending) return 0;
  std::memcpy(reinterpret_cast<void*>(lParam), &m_offset, sizeof m_offset);
  m_offsetPending = 0;
  return 1;
}

LRESULT CCtlOPlot::OnGetRightClickPos(WPARAM wParam, LPARAM lParam) {
  if (!m_rightClickPending) return 0;
  if (wParam) {
    // The time at the click's x, -1 outside the plots.
    double t = -1.0;
    if (!GetTimeFromXPixel(static_cast<short>(m_rightClickX), &t, 0)) t = -1.0;
    *reinterpret_cast<double*>(wParam) = t;
  }
  if (lParam) {
    auto* xy = reinterpret_cast<int32_t*>(lParam);
    xy[0] = m_rightClickX;
    xy[1] = m_rightClickY;
  }
  m_rightClickPending = 0;
  return 1;
}

LRESULT CCtlOPlot::OnGiveParentRightClick(WPARAM wParam, LPARAM) {
  m_giveParentRightClick = wParam ? 1 : 0;
  return 0;
}


LRESULT CCtlOPlot::OnEnableHideDelete(WPARAM wParam, LPARAM) {
  m_enableHideDelete = wParam ? 1 : 0;
  return 0;
}

LRESULT CCtlOPlot::OnWaitForNewData(WPARAM, LPARAM) {
  m_waitingForData = 1;
  return 0;
}

LRESULT CCtlOPlot::OnSetThickPenWidth(WPARAM wParam, LPARAM lParam) {
  // 0 keeps the width; a negative one is no width either.
  if (static_cast<int16_t>(wParam) > 0) m_thickPenWidth = static_cast<int16_t>(wParam);
  if (static_cast<int32_t>(lParam) >= 1) m_thickPenValue = static_cast<int16_t>(lParam);
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnSetDataReviewManager(WPARAM wParam, LPARAM lParam) {
  // A null manager detaches: the control never owns it and must not keep a dangling one.
  m_pDataReview = reinterpret_cast<void*>(lParam);
  m_dataReviewToolbar = lParam && wParam ? 1 : 0;
  ClearMarkersNotHeldByManager();
  // A data-review host takes the data-review layout; wParam 0 keeps the layout.
  if (lParam && wParam) {
    const int16_t layout = KELT_GetIsQUIB5() ? 4 : 1;
    if (layout != m_toolbarLayout) {
      m_toolbarLayout = layout;
      DestroyToolBar();
      if (m_showToolbar) CreateToolBar();
      SizeControls();
    }
  }
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnSetTCHROResults(WPARAM wParam, LPARAM lParam) {
  const int slot = static_cast<int>(static_cast<int16_t>(wParam));
  // Only slots 0..19 exist; the results of another index stay the sender's.
  if (!OverlaySlotIndex(slot)) return 0;
  void* results = reinterpret_cast<void*>(lParam);
  if (m_tchroResults[slot] && m_tchroResults[slot] != results) FreeTargetListResults(m_tchroResults[slot]);
  // One object belongs to one slot: handed to another, it moves there and is released once.
  if (results)
    for (void*& held : m_tchroResults)
      if (held == results) held = nullptr;
  m_tchroResults[slot] = results;
  // The slot's texts were made from the results it held before.
  OPLOT_FreeAnnotationStrings(static_cast<STRUCT_ANNOTATIONS*>(m_tchroAnnotations[slot]));
  m_tchroAnnotations[slot] = nullptr;
  if (m_prefs.tchroAnnotations.show) MakeOrKeepOrFreeAnnotations();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnGetPlotType(WPARAM, LPARAM) {
  if (!m_pOverlay) return -1;
  return static_cast<LRESULT>(m_pOverlay->head.displayMode);
}

LRESULT CCtlOPlot::OnPrintPlot(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  auto* record = reinterpret_cast<STRUCT_OPLOT_PRINT_PLOT*>(lParam);
  PrintOpen();
  PrintAdd(record);
  PrintClose(record);
  return 1;
}

LRESULT CCtlOPlot::OnNewPlotText(WPARAM, LPARAM lParam) {
  if (!lParam || !m_textAreaOn || m_controlKind == 2) return 0;
  // The sender's text is bounded by the control's buffer.
  strncpy(m_plotText, reinterpret_cast<const char*>(lParam), sizeof m_plotText - 1);
  m_plotText[sizeof m_plotText - 1] = 0;
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnWM_FILE_CHANGED(WPARAM, LPARAM lParam) {
  // Only quantitation results follow a saved file; they are kept for raw MS
  // files of the first form.
  const char* path = reinterpret_cast<const char*>(lParam);
  if (!path || !m_prefs.resultAnnotations.show || !m_hasData || !m_pOverlay) return 0;
  bool freed = false;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    const STRUCT_WORK_FILE* wf = m_pOverlay->slots[i].workFile;
    if (!OverlaySlotPresent(m_pOverlay, i) || !wf || !wf->directHeader) continue;
    if (_strnicmp(wf->filePath, path, sizeof wf->filePath) != 0) continue;
    FreeOneSlotAnnotations(i);
    freed = true;
  }
  if (freed) {
    MakeOrKeepOrFreeAnnotations();
    RepaintUnlessSuspended();
  }
  return 0;
}

LRESULT CCtlOPlot::OnWM_LOGIN_CHANGED(WPARAM, LPARAM) {
  CloseBackgroundCorrectionDialog();
  return 0;
}

