// Labels the owner puts on a plot by message: a text at a data point of a
// plot, kept by the label manager with the owner's tag, and the clearing of
// a plot's labels.
#include <cmath>
#include <cstring>
#include <new>

#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "common/value_scale.h"

int CCtlOPlot::GetTimeAndValue(short slot, double time, short raw, double* foundTime, double* foundValue) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(slot) || !o->tail.attached[slot]) return 0;
  const OVERLAY_SLOT& s = o->slots[slot];
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!dp || !dp->points || dp->pointCount == 0 || !s.workFile) return 0;
  // A time of no number lies in no file; it would pass every range test below.
  if (std::isnan(time)) return 0;
  if (time < s.workFile->startTime || time > s.workFile->endTime) return 0;
  const bool loaded = time >= NePointAt(dp->points, 0)->time &&
                      time <= NePointAt(dp->points, dp->pointCount - 1)->time;
  if (!loaded) {
    GetDataForWholeTimeRange(slot);
    dp = o->slots[slot].trace;
    if (!dp || !dp->points || dp->pointCount == 0) return 0;
    if (time < NePointAt(dp->points, 0)->time || time > NePointAt(dp->points, dp->pointCount - 1)->time) return 0;
  }
  const bool filtered = !raw && dp->filtered && dp->filteredCount > 0 && (m_filtering[0] == 1 || m_filtering[0] == 2);
  const STRUCT_NE_POINT_BLOCK* block = filtered ? dp->filtered : dp->points;
  const uint32_t count = filtered ? dp->filteredCount : dp->pointCount;
  for (uint32_t i = 0; i < count; ++i) {
    const double t = NePointAt(block, i)->time;
    if (t < time) continue;
    uint32_t at = i;
    if (i > 0 && t != time && time - NePointAt(block, i - 1)->time < t - time) at = i - 1;
    if (foundTime) *foundTime = NePointAt(block, at)->time;
    if (foundValue) *foundValue = NePointValue(block, at) * WorkFileValueFactor(s.workFile);
    return 1;
  }
  return 0;
}

void CCtlOPlot::AddPlotLabel(const STRUCT_OPLOT_ADD_LABEL* record, int32_t angle, int16_t type) {
  if (!record || !m_pLabels || !m_pOverlay || !OverlaySlotIndex(record->slot)) return;
  double t = 0, v = 0;
  if (!GetTimeAndValue(record->slot, record->time, 1, &t, &v)) return;
  auto* label = new (std::nothrow) CLabelInfo;
  if (!label) return;
  auto* tag = static_cast<int16_t*>(AllocBlock(sizeof(int16_t)));
  if (!tag) {
    delete label;
    return;
  }
  STRUCT_MARKER_PARAMS p{};
  p.transparent = 1;
  p.fontSource = 1;
  p.screenColor = record->screenColor;
  p.printColor = record->printColor;
  p.font = m_prefs.label.font;
  p.angle = angle;
  p.positionMode = 1;
  p.pointerMode = 1;
  // The record's text need not be terminated within its room.
  char text[OPLOT_ADD_LABEL_TEXT + 1] = {};
  std::memcpy(text, record->text, OPLOT_ADD_LABEL_TEXT);
  if (text[0] == 0) std::strcpy(text, " ");
  label->SetTextLabel(text, &p, record->moveable);
  label->SetTextLabelPosition(type, t, v, t, v);
  if (m_pLabels->AddLabel(label, LABEL_AREA_GROUP_PLOT, record->slot, 0) < 0) {
    FreeBlock(tag);
    delete label;
    return;
  }
  *tag = record->tag;
  label->m_mark = tag;
  Invalidate(FALSE);
}

LRESULT CCtlOPlot::OnAddPlotLabel(WPARAM, LPARAM lParam) {
  AddPlotLabel(reinterpret_cast<const STRUCT_OPLOT_ADD_LABEL*>(lParam), 900, LABEL_TYPE_TOKEN);
  return 0;
}

LRESULT CCtlOPlot::OnAddHorzPlotLabel(WPARAM, LPARAM lParam) {
  AddPlotLabel(reinterpret_cast<const STRUCT_OPLOT_ADD_LABEL*>(lParam), 0, LABEL_TYPE_HORIZONTAL);
  return 0;
}

LRESULT CCtlOPlot::OnClearAllLabelsForPlot(WPARAM wParam, LPARAM) {
  const auto slot = static_cast<int16_t>(wParam);
  if (!OverlaySlotIndex(slot) || !m_pOverlay) return 0;
  FreeOneSlotAnnotations(slot);
  if (m_pLabels) m_pLabels->DeleteLabelsForPlot(slot);
  Invalidate(FALSE);
  return 0;
}
