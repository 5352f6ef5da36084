// Display updates of the reference-spectra control: the notifications it
// posts to itself, spectrum markers from the data review, the host's time
// range, printing one plot or all of them, and the right mouse button.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/library_state.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "plotengine/plot_coordinates.h"
#include "specialctl/ref_spectra_control.h"
#include "spectra/spectrum_managers.h"
#include "win/win_crt.h"

namespace {

bool Ctrl() { return (::GetKeyState(VK_CONTROL) & 0x8000) != 0; }

}  // namespace

void CCtlOPlot1::RefreshMarkerSlots() {
  const auto* drm = static_cast<const CDataReviewManager*>(m_pDataReview);
  if (!drm) return;
  for (int16_t c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (int16_t p = 0; p < OPLOT_SPT_PLACES; ++p) {
      STRUCT_OPLOT_SPT_MARKER& m = m_SptMarkers[c][p];
      STRUCT_SPT_MARKER held{};
      if (drm->GetMarker(c, p, &held) && held.present && OverlaySlotIndex(held.chroPlotIndex))
        m.slot = held.chroPlotIndex;
      else
        m.set = 0;
    }
}

LRESULT CCtlOPlot1::OnNotificationsToSelf1(WPARAM wParam, LPARAM lParam) {
  const unsigned code = LOWORD(wParam);
  SVW_OVERLAY* o = m_pOverlay;
  if (code == 1 || code == 2) {
    if (m_zoomPending && m_hasData && o) {
      if (m_tracking) OnEscapeTracking(0, 0);
      UpdateOverlayDisplay1(m_zoomStart, m_zoomEnd, 0, code == 2 ? 1 : 0, o->head.displayMode);
    }
    return 0;
  }
  if (code == 4) {
    if (m_offsetPending && o && OverlaySlotIndex(m_offset.plot)) {
      o->tail.timeOffsets[m_offset.plot] = m_offset.timeOffset;
      o->tail.verticalOffsets[m_offset.plot] = m_offset.valueOffset;
      o->tail.timeOffsetsOn = o->tail.verticalOffsetsOn = 1;
      m_offsetPending = 0;
      UpdateOverlayDisplay1(o->tail.viewStart, o->tail.viewEnd, 0, 0, o->head.displayMode);
    }
    return 0;
  }
  // The time a spectrum is taken at: the click's, or the nearest apex of the plot.
  auto spectrumTime = [this, o](double time, short slot, bool apex) {
    double found = time;
    const int16_t filtered = m_filtering[0] == 1 || m_filtering[0] == 2 ? 1 : 0;
    if (apex && o && OPLOT_FindClosestApex(o, slot, filtered, time, &found)) return found;
    return time;
  };
  if (code == 28) {
    if (!m_dblClickSpectrumPending) return 0;
    HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    GetSpectrumFromTime(spectrumTime(m_dblClickTime, m_dblClickSlot, true), m_dblClickSlot, m_dblClickControl,
                        m_dblClickPlot);
    ::SetCursor(old);
    return 0;
  }
  const bool atClick = code >= 100 && code <= 119, atApex = code >= 320 && code <= 339;
  if (atClick || atApex) {
    if (!m_timeClickPending) return 0;
    const short slot = static_cast<short>(code - (atClick ? 100 : 320));
    const auto* drm = static_cast<const CDataReviewManager*>(m_pDataReview);
    short control = drm ? drm->GetActiveSptControlIndex() : 0, plot = drm ? drm->GetActiveSptPlotIndex() : 0;
    // Ctrl sends the spectrum to the first spectrum window that shows none;
    // with all four filled it goes to the active one.
    if (drm && Ctrl()) {
      for (int16_t c = 0; c < OPLOT_SPT_WINDOWS; ++c) {
        if (drm->GetSpectrum(c, 0) || drm->GetSpectrum(c, 1)) continue;
        control = c;
        plot = 0;
        break;
      }
    }
    HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    GetSpectrumFromTime(spectrumTime(m_timeClick, slot, atApex), slot, control, plot);
    ::SetCursor(old);
    return 0;
  }
  const bool hide = code >= 120 && code <= 139, show = code >= 160 && code <= 179;
  if (hide || show) {
    if (!o) return 0;
    const int slot = static_cast<int>(code - (hide ? 120 : 160));
    m_overlayUpdating = 1;
    CancelMaximizePlot();
    if (hide && o->head.shown[slot]) {
      o->head.shown[slot] = 0;
      --o->head.shownCount;
    } else if (show && !o->head.shown[slot] && o->tail.attached[slot]) {
      o->head.shown[slot] = 1;
      ++o->head.shownCount;
    }
    UpdateOverlayPlotType();
    m_overlayUpdating = 0;
    UpdateOverlayDisplay1(o->tail.viewStart, o->tail.viewEnd, 1, 0, o->head.displayMode);
    return 0;
  }
  if (code >= 140 && code <= 159) {
    if (!o) return 0;
    m_overlayUpdating = 1;
    CancelMaximizePlot();
    DeleteOnePlot(static_cast<short>(code - 140), 1);
    UpdateOverlayPlotType();
    if (o->head.displayMode == OVERLAY_MODE_TWO_SCALES) UpdateLeftRightIndexes();
    RefreshMarkerSlots();
    m_overlayUpdating = 0;
    // The remaining plots are shown over their whole time range.
    UpdateOverlayDisplay1(0, 0, 1, 0, o->head.displayMode);
    return 0;
  }
  if (code >= 280 && code <= 299) {
    MaximizePlot(static_cast<short>(code - 280));
    return 0;
  }
  if (code >= 300 && code <= 319) {
    RestorePlot(static_cast<short>(code - 300));
    return 0;
  }
  return CCtlOPlot::OnNotificationsToSelf(wParam, lParam);
}

LRESULT CCtlOPlot1::OnSetMarkerInfo1(WPARAM, LPARAM lParam) {
  if (RefFeaturesOff()) return 0;
  const auto* info = reinterpret_cast<const STRUCT_SPT_MARKER_INFO*>(lParam);
  if (!info) return 0;
  // The record indexes the marker table and the slots: outside them nothing changes.
  if (info->control < 0 || info->control >= OPLOT_SPT_WINDOWS || info->spectrum < 0 ||
      info->spectrum >= OPLOT_SPT_PLACES || (info->spt && !OverlaySlotIndex(info->slot)))
    return 0;
  HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  if (SetOneSpectrumMarker(info->control, info->spectrum, info->slot, info->spt) && info->spt) {
    STRUCT_OPLOT_SPT_MARKER& m = m_SptMarkers[info->control][info->spectrum];
    if (CRefSpts* set = RefSpts(info->slot)) {
      // The marker shows the plot's own correction, read from the file when the set has none yet.
      if (!set->BackCorr() && set->WorkFile()) set->LoadSpts(m_pOverlay, info->slot, &m_prefs.plotData);
      if (STRUCT_FILE_BC* copy = set->CopyBaseCorr()) {
        if (m.background) FreeBackCorr(m.background);
        m.background = copy;
      }
    }
    GetOneSpectrumMarkerValues(info->control, info->spectrum);
  }
  ::SetCursor(old);
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnDisplaySetTimeRange1(WPARAM wParam, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_ownOverlay || !o || !lParam) return 0;
  auto* range = reinterpret_cast<double*>(lParam);
  double start = range[0], end = range[1];
  if (!std::isfinite(start) || !std::isfinite(end) || start > end) return 0;
  if (start == 0.0 && end == 0.0) {
    // The caller learns the range that stays.
    start = range[0] = o->tail.viewStart;
    end = range[1] = o->tail.viewEnd;
  }
  // A range reaching beyond the files is cut to them; one beside them all shows them whole.
  double from = 0, to = 0;
  UpdateOverlayTimeRange(start, end, &from, &to);
  UpdateOverlayDisplay1(from, to, wParam == 0 ? 1 : 0, 0, o->head.displayMode);
  return 1;
}

// ---- Printing ---------------------------------------------------------------------------------

LRESULT CCtlOPlot1::OnPrintAllPlots(WPARAM, LPARAM) {
  OnPrintAll();
  return 0;
}

LRESULT CCtlOPlot1::OnPrintOnePlot(WPARAM wParam, LPARAM lParam) {
  return PrintOnePlotInto(static_cast<short>(wParam), reinterpret_cast<STRUCT_OPLOT_PRINT_PLOT*>(lParam));
}

int CCtlOPlot1::PrintOnePlotInto(short slot, STRUCT_OPLOT_PRINT_PLOT* record) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!record || !o || !OverlaySlotIndex(slot) || !o->tail.inView[slot] || !o->head.shown[slot] ||
      !o->tail.attached[slot])
    return 0;
  auto* copy = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  if (!copy) return 0;
  // The copy borrows the slots' records; it is freed as a block, never cleared.
  std::memcpy(copy, o, sizeof *copy);
  copy->head.displayMode = OVERLAY_MODE_STACKED;
  for (int i = 0; i < OPLOT_SLOTS; ++i) copy->head.shown[i] = i == slot ? 1 : 0;
  copy->head.shownCount = 1;
  OVERLAY_SCALE_BLOCK& sc = copy->tail.scales;
  switch (o->head.displayMode) {
    case OVERLAY_MODE_OVERLAID:
      sc.plotLow[slot] = o->tail.scales.commonLow;
      sc.plotHigh[slot] = o->tail.scales.commonHigh;
      break;
    case OVERLAY_MODE_NORMALISED:
      AutoScaleSepVert(slot, &sc.plotLow[slot], &sc.plotHigh[slot]);
      break;
    case OVERLAY_MODE_TWO_SCALES: {
      const int16_t left = o->tail.scales.leftAxisPlot;
      const bool leftUnits =
          OverlaySlotIndex(left) && std::strncmp(o->slots[slot].units, o->slots[left].units, OVERLAY_UNITS_SIZE) == 0;
      sc.plotLow[slot] = leftUnits ? o->tail.scales.commonLow : o->tail.scales.rightLow;
      sc.plotHigh[slot] = leftUnits ? o->tail.scales.commonHigh : o->tail.scales.rightHigh;
      break;
    }
    default:
      break;
  }
  // Only the spectrum the data review works on keeps its marker on the page.
  const auto* drm = static_cast<const CDataReviewManager*>(m_pDataReview);
  const int activeControl = drm ? drm->GetActiveSptControlIndex() : -1, activePlot = drm ? drm->GetActiveSptPlotIndex() : -1;
  int16_t kept[OPLOT_SPT_WINDOWS][OPLOT_SPT_PLACES];
  for (int c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (int p = 0; p < OPLOT_SPT_PLACES; ++p) {
      kept[c][p] = m_SptMarkers[c][p].set;
      if (c != activeControl || p != activePlot) m_SptMarkers[c][p].set = 0;
    }
  SVW_OVERLAY* const own = m_pOverlay;
  const int16_t ownedBefore = m_ownOverlay;
  m_pOverlay = copy;
  m_ownOverlay = 0;  // nothing may clear or free the borrowed copy meanwhile
  PrintOpen();
  CCtlOPlot::PrintAdd(record);
  PrintAdd(record);
  PrintClose(record);
  m_pOverlay = own;
  m_ownOverlay = ownedBefore;
  for (int c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (int p = 0; p < OPLOT_SPT_PLACES; ++p) m_SptMarkers[c][p].set = kept[c][p];
  FreeBlock(copy);
  return 1;
}

// ---- Right button -----------------------------------------------------------------------------

void CCtlOPlot1::OnRButtonDown(UINT flags, CPoint point) {
  m_pendingActive = -1;
  const SVW_OVERLAY* o = m_pOverlay;
  if (!RefFeaturesOff() && o && m_bSizesValid && o->head.displayMode == OVERLAY_MODE_STACKED) {
    const PlotArea a = GetPlotArea();
    if (point.x > a.left && point.x < a.right) {
      const int s = StackedBandAt(point.y, nullptr, nullptr);
      if (s >= 0 && s != m_activePlot) OnNewActiveIndex(static_cast<WPARAM>(s), 0);
    }
  }
  m_pendingActive = -1;
  // While the plot's reference spectra are edited a right click opens no menu.
  if (m_selectRefMode || m_deleteRefMode) return;
  CCtlOPlot::OnRButtonDown(flags, point);
}
