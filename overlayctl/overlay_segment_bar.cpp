// The overlay control's side of the segment information bar: making it,
// showing the active plot's file in it after each paint, and its clicks.
#include <new>

#include "overlayctl/overlay_plot_control.h"
#include "overlayctl/segment_info_window.h"

void CCtlOPlot::CreateSegments() {
  DestroySegments();
  CCtlSegInfo* bar = CreateSegmentInfoControl(this, OPLOT_ID_SEGMENTS, 0, 0, 0, 0, &m_prefs);
  if (!bar) return;
  m_pSegments = bar;
  STRUCT_REPORT_PREFS report{};
  const COLORREF* colors = m_printColors;
  if (!m_ownColors) {
    KELT_GetCurrDefReportPrefs(&report);
    colors = report.chroColors.colors;
  }
  bar->SendMessage(SIM_SETMETAPLOTCOLORS, 1, reinterpret_cast<LPARAM>(colors));
}

void CCtlOPlot::DestroySegments() {
  if (m_pSegments) {
    if (m_pSegments->m_hWnd) m_pSegments->DestroyWindow();
    delete m_pSegments;
  }
  m_pSegments = nullptr;
  m_segmentsShown = 0;
}

void CCtlOPlot::UpdateSegments() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!m_pSegments || !m_pSegments->m_hWnd) return;
  if (!o) {
    ForgetSegmentFile();
    return;
  }
  const short active = GetActivePlotIndex();
  if (active < 0 || !m_segmentsShown) {
    m_pSegments->SendMessage(SIM_NOSHOWSEGMENTINFO, 0, 0);
    return;
  }
  STRUCT_SEGINFO_SHOW show{};
  show.workFile = o->slots[active].workFile;
  show.plotIndex = active;
  show.startTime = o->tail.viewStart;
  show.endTime = o->tail.viewEnd;
  show.timeOffset = o->tail.timeOffsetsOn ? o->tail.timeOffsets[active] : 0.0;
  // The chromatogram area within the plot area, in the bar's coordinates.
  show.plotLeft = static_cast<int16_t>(m_Sizes.params.left + m_Sizes.leftScaleWidth);
  show.plotGeom2 = m_Sizes.rightScaleWidth;
  show.plotWidth = m_Sizes.plotWidth;
  m_pSegments->SendMessage(SIM_SHOWSEGMENTINFO, 0, reinterpret_cast<LPARAM>(&show));
}

LRESULT CCtlOPlot::OnShowSegments(WPARAM wParam, LPARAM) {
  const int16_t show = static_cast<int16_t>(wParam) ? 1 : 0;
  if (show == m_prefs.features.showSegments) return 0;
  DestroySegments();
  m_prefs.features.showSegments = show;
  if (show) CreateSegments();
  KeepPreferences();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnIsShowingSegments(WPARAM, LPARAM) { return m_segmentsShown && m_pSegments ? 1 : 0; }

void CCtlOPlot::OnNoteSegInfoClick() {
  const short active = GetActivePlotIndex();
  if (active < 0 || !m_pSegments || !m_pOverlay) return;
  uint32_t value = 0;
  if (!m_pSegments->SendMessage(SIM_GETSEGMENTNO, 0, reinterpret_cast<LPARAM>(&value))) return;
  // The data-file information dialog opens on that segment with the file
  // dialogs; the value (count high, index low) is kept for it.
  m_segInfoClickValue = static_cast<int32_t>(value);
}

void CCtlOPlot::ForgetSegmentFile() {
  if (m_pSegments && m_pSegments->m_hWnd) m_pSegments->SendMessage(SIM_NOSHOWSEGMENTINFO, 0, 0);
}
