// Plots of the reference-spectra control put into a new order: everything
// that belongs to a plot moves with it (its overlay slot, the control's
// per-plot state, its reference spectra, labels, spectrum markers, baseline
// results, quick-integration dialogs), and moved plot lines go back home.
#include <algorithm>
#include <cstring>

#include "dialogs/integration_dialogs.h"
#include "overlayctl/segment_info_window.h"
#include "specialctl/ref_spectra_control.h"
#include "spectra/spectrum_managers.h"

namespace {

constexpr UINT_PTR kLiveTimer = 1;
constexpr UINT kLiveTimerMs = 4000;
constexpr int kAllPlotsDialog = OPLOT_QUICKINT_DIALOGS - 1;

// The slot that takes the plot now in `old`, or `old` when the order does not name it.
int16_t NewIndex(const short* order, int old) {
  for (int k = 0; k < OPLOT_SLOTS; ++k)
    if (order[k] == old) return static_cast<int16_t>(k);
  return static_cast<int16_t>(old);
}

// Swaps two entries by their bytes: the overlay's arrays are packed, so
// their entries may not be bound to references.
template <class T>
void SwapAt(T* array, int a, int b) {
  unsigned char held[sizeof(T)];
  std::memcpy(held, &array[a], sizeof(T));
  std::memcpy(&array[a], &array[b], sizeof(T));
  std::memcpy(&array[b], held, sizeof(T));
}

}  // namespace

void CCtlOPlot1::ExchangePlots(short* order) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !order) return;
  auto tellDialog = [this](int index, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* dlg = static_cast<CWnd*>(m_pQuickInt[index]);
    if (dlg && ::IsWindow(dlg->m_hWnd)) ::SendMessageA(dlg->m_hWnd, msg, wParam, lParam);
  };
  for (int d = 0; d < OPLOT_QUICKINT_DIALOGS; ++d) tellDialog(d, QIM_REMAPPLOTS, 0, reinterpret_cast<LPARAM>(order));

  // A file still being acquired is followed by slot; the timer waits for the new order.
  bool growingMoved = false;
  for (int j = 0; j < OPLOT_SLOTS; ++j) {
    const STRUCT_WORK_FILE* wf = o->slots[j].workFile;
    if (!o->tail.attached[j] || !wf || !wf->live || NewIndex(order, j) == j) continue;
    KillTimer(kLiveTimer);
    growingMoved = true;
  }

  // Single references to a slot follow their plot.
  if (OverlaySlotIndex(m_activePlot)) m_activePlot = NewIndex(order, m_activePlot);
  if (OverlaySlotIndex(m_markerState)) m_markerState = NewIndex(order, m_markerState);
  bool editPlotMoved = false;
  if (OverlaySlotIndex(m_bcPlot)) {
    const int16_t moved = NewIndex(order, m_bcPlot);
    editPlotMoved = moved != m_bcPlot && BackCorrDialog();
    m_bcPlot = moved;
  }
  if (OverlaySlotIndex(m_pendingActive)) m_pendingActive = NewIndex(order, m_pendingActive);
  for (auto& window : m_SptMarkers)
    for (STRUCT_OPLOT_SPT_MARKER& m : window)
      if (m.set && OverlaySlotIndex(m.slot)) m.slot = NewIndex(order, m.slot);
  if (m_specialRefIndex != -1 && OverlaySlotIndex(m_specialRefIndex)) m_specialRefIndex = NewIndex(order, m_specialRefIndex);
  if (m_clickMarkerOn) {
    bool found = false;
    for (int k = 0; k < OPLOT_SLOTS && !found; ++k) found = order[k] == m_clickMarkerSlot;
    if (found) m_clickMarkerSlot = NewIndex(order, m_clickMarkerSlot);
    else ClearClickMarker();
  }
  for (int16_t b = 0; m_pBaselines && b < m_baselineCount; ++b)
    if (OverlaySlotIndex(m_pBaselines[b].slot)) m_pBaselines[b].slot = NewIndex(order, m_pBaselines[b].slot);
  const int16_t flags = std::clamp<int16_t>(m_nTextFlags, 0, OPLOT_TEXT_FLAGS);
  for (int16_t k = 0; k < flags; ++k)
    if (OverlaySlotIndex(m_TextFlags[k].slot)) m_TextFlags[k].slot = NewIndex(order, m_TextFlags[k].slot);

  // Each slot's position number travels with its plot, so the order is a series of swaps.
  int16_t position[OPLOT_SLOTS];
  for (int i = 0; i < OPLOT_SLOTS; ++i) position[i] = static_cast<int16_t>(i);
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);
  OVERLAY_TAIL& t = o->tail;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    int j = -1;
    for (int k = 0; k < OPLOT_SLOTS && j < 0; ++k)
      if (position[k] == order[i]) j = k;
    if (j < 0 || j == i || position[i] == order[i]) continue;
    SwapAt(position, i, j);
    SwapAt(o->slots, i, j);
    SwapAt(o->head.shown, i, j);
    SwapAt(t.inView, i, j);
    SwapAt(t.attached, i, j);
    SwapAt(t.timeOffsets, i, j);
    SwapAt(t.verticalOffsets, i, j);
    SwapAt(t.firstShownTime, i, j);
    SwapAt(t.lastShownTime, i, j);
    SwapAt(t.firstShownIndex, i, j);
    SwapAt(t.lastShownIndex, i, j);
    SwapAt(t.minInView, i, j);
    SwapAt(t.maxInView, i, j);
    SwapAt(t.scales.plotLow, i, j);
    SwapAt(t.scales.plotHigh, i, j);
    SwapAt(m_identity, i, j);
    SwapAt(m_slotFiles, i, j);
    SwapAt(m_prefs.colors.colors, CHRO_COLOR_PLOT0 + i, CHRO_COLOR_PLOT0 + j);
    if (CHRO_COLOR_PLOT0 + std::max(i, j) < OPLOT_PRINT_COLORS)
      SwapAt(m_printColors, CHRO_COLOR_PLOT0 + i, CHRO_COLOR_PLOT0 + j);
    SwapAt(m_slotMarks, i, j);
    SwapAt(m_keepPlot, i, j);
    SwapAt(m_keepPlotHeight, i, j);
    SwapAt(m_pQuickInt, i, j);
    SwapAt(m_dhAnnotations, i, j);
    SwapAt(m_amdisAnnotations, i, j);
    SwapAt(m_tchroAnnotations, i, j);
    SwapAt(m_tchroResults, i, j);
    SwapAt(m_pTileTexts, i, j);
    SwapAt(m_pRefSpts, i, j);
    SwapAt(m_ownsRefSpts, i, j);
    if (drm) {
      for (int16_t c = 0; c < DRM_CONTROLS; ++c)
        for (int16_t p = 0; p < DRM_PLOTS; ++p) {
          STRUCT_SPT_MARKER m{};
          if (!drm->GetMarker(c, p, &m) || !m.present) continue;
          if (m.chroPlotIndex == i) m.chroPlotIndex = static_cast<int16_t>(j);
          else if (m.chroPlotIndex == j) m.chroPlotIndex = static_cast<int16_t>(i);
          else continue;
          drm->SetMarker(c, p, &m);
        }
    }
    if (m_pLabels) m_pLabels->ExchangePlotIndexes(static_cast<short>(i), static_cast<short>(j));
    tellDialog(i, QIM_EXCHANGEPLOTS, static_cast<WPARAM>(i), static_cast<LPARAM>(j));
    tellDialog(j, QIM_EXCHANGEPLOTS, static_cast<WPARAM>(i), static_cast<LPARAM>(j));
    tellDialog(kAllPlotsDialog, QIM_EXCHANGEPLOTS, static_cast<WPARAM>(i), static_cast<LPARAM>(j));
  }

  // The geometry of the last drawing named the old slots.
  m_bSizesValid = 0;
  m_pDrawnSizes = nullptr;
  m_labelAreaCount = 0;
  m_plotsRestored = 1;
  // The segment bar draws in the active plot's colour from its own copy of the colours.
  if (m_pSegments && ::IsWindow(m_pSegments->m_hWnd))
    ::SendMessageA(m_pSegments->m_hWnd, SIM_SETCHROPREFS, 0, reinterpret_cast<LPARAM>(&m_prefs));
  if (editPlotMoved)
    if (CBackgroundCorrectionDlg* dlg = BackCorrDialog())
      ::SendMessageA(dlg->m_hWnd, BCM_SETPLOTINDEX, static_cast<WPARAM>(m_bcPlot), 0);
  for (int d = 0; d < OPLOT_QUICKINT_DIALOGS; ++d) tellDialog(d, QIM_REFRESH, 0, 0);
  if (growingMoved) SetTimer(kLiveTimer, kLiveTimerMs);
}

LRESULT CCtlOPlot1::OnExchangePlots(WPARAM, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !lParam) return 0;
  short order[OPLOT_SLOTS];
  std::memcpy(order, reinterpret_cast<const void*>(lParam), sizeof order);
  // An order naming a slot that does not exist is refused whole.
  for (short v : order)
    if (!OverlaySlotIndex(v)) return 0;
  HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  m_overlayUpdating = 1;
  CancelMaximizePlot();
  CancelMovingPlotLine();
  ExchangePlots(order);
  UpdateOverlayPlotType();
  UpdateOverlayPlotData(o->tail.viewStart, o->tail.viewEnd, o->head.displayMode);
  if (o->head.displayMode == OVERLAY_MODE_TWO_SCALES) UpdateLeftRightIndexes();
  NewOverlayDisplay_UpdateActiveIndex();
  NewOverlayDisplay_UpdateRefSpts();
  if (o->head.shownCount <= 0 && o->tail.attachedCount <= 0) OnNoPlotData(0, 0);
  else OnNewPlotData(0, 0);
  KeepNavigatorSegment();
  ::SetCursor(old);
  m_overlayUpdating = 0;
  return 0;
}

LRESULT CCtlOPlot1::OnRestoreAllPlotPositions(WPARAM, LPARAM) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return 0;
  m_overlayUpdating = 1;
  CancelMaximizePlot();
  for (int i = 0; i < OPLOT_SLOTS; ++i) o->tail.timeOffsets[i] = o->tail.verticalOffsets[i] = 0;
  o->tail.timeOffsetsOn = o->tail.verticalOffsetsOn = 0;
  UpdateOverlayPlotType();
  m_overlayUpdating = 0;
  UpdateOverlayDisplay1(o->tail.viewStart, o->tail.viewEnd, 1, 0, o->head.displayMode);
  return 0;
}
