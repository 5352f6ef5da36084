// Labels and result annotations by message and command: new user labels,
// the right-clicked label's edit and deletion, the label families deleted
// per plot, and the annotation settings the owner hands in.
#include <cmath>
#include <cstring>
#include <new>

#include "overlayctl/overlay_plot_control.h"
#include "plotengine/result_annotations.h"

namespace {

// A label with the control's label appearance and the text "New Label".
CLabelInfo* NewLabel(const STRUCT_MARKER_PARAMS& appearance) {
  auto* label = new (std::nothrow) CLabelInfo;
  if (!label) return nullptr;
  STRUCT_MARKER_PARAMS p = appearance;
  char text[] = "New Label";
  label->SetTextLabel(text, &p, 1);
  return label;
}

}  // namespace

void CCtlOPlot::DeleteLabelFamily(UINT base, short slot) {
  if (!m_pLabels || !OverlaySlotIndex(slot)) return;
  switch (base) {
    case 3020:
      m_pLabels->DeletePlotValueLabelsForPlot(slot);
      break;
    case 3300:
      m_pLabels->DeleteSomeLabelsForPlot(slot, LABEL_TYPE_VALUE);
      break;
    case 3220:
      m_pLabels->DeleteSomeLabelsForPlot(slot, LABEL_TYPE_AREA);
      break;
    case 3320:
      m_pLabels->DeleteLabelsForPlot(slot);
      break;
    default:
      return;
  }
  RepaintUnlessSuspended();
}

void CCtlOPlot::OnDeleteLabel() {
  if (m_pLabels && m_pLabels->DeleteLabel(m_rightClickedLabel, 0, 0)) RepaintUnlessSuspended();
}

void CCtlOPlot::OnEditLabel() {
  if (m_pLabels && m_pLabels->EditLabel(m_rightClickedLabel, 0)) RepaintUnlessSuspended();
}

LRESULT CCtlOPlot::OnNewUserLabel(WPARAM, LPARAM) {
  const short plot = GetActivePlotIndex();
  if (!m_bSizesValid || plot < 0 || !m_pLabels) return 0;
  CLabelInfo* label = NewLabel(m_prefs.label);
  if (!label) return 0;
  InitLabelAreas(0, m_plotLeft, static_cast<short>(m_plotTop + m_plotHeight),
                 static_cast<short>(m_plotLeft + m_plotWidth), static_cast<short>(m_plotTop + m_Sizes.params.top),
                 &m_Sizes);
  const short index = m_pLabels->AddLabel(label, LABEL_AREA_GROUP_PLOT, plot, 1);
  if (index < 0)
    delete label;
  else
    m_pLabels->EditLabel(index, 1);
  RepaintUnlessSuspended();
  return 0;
}

void CCtlOPlot::OnNewLabelAtRightClick() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_pLabels) return;
  CLabelInfo* label = NewLabel(m_prefs.label);
  if (!label) return;
  STRUCT_LAB_TEXT* text = nullptr;
  STRUCT_MARKER_PARAMS params{};
  short type = 0;
  bool accepted = false;
  if (label->GetTextLabelInfoForEdit(&text, &params, &type)) {
    accepted = LABS_EditLabelText(text, &params, nullptr, nullptr) == 1;
    if (accepted)
      label->SetTextLabelInfoFromEdit(text, &params);  // the label takes the text
    else
      LABS_FreeLabelText(text);
  }
  const short plot = OverlaySlotIndex(m_rightClickSlot) ? m_rightClickSlot : GetActivePlotIndex();
  if (!accepted || plot < 0) {
    delete label;
    return;
  }
  InitLabelAreas(0, m_plotLeft, static_cast<short>(m_plotTop + m_plotHeight),
                 static_cast<short>(m_plotLeft + m_plotWidth), static_cast<short>(m_plotTop + m_Sizes.params.top),
                 &m_Sizes);
  const double t = m_rightClickTime, v = m_rightClickValue;
  if (label->m_params.positionMode == 2) {
    // Anchored to the frame: fractions of the shown range and of the click slot's scale.
    const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
    double low = 0, high = 0;
    const short scaleSlot = OverlaySlotIndex(m_rightClickSlot) ? m_rightClickSlot : plot;
    OPLOT_GetVerticalScaleValues(o, &m_Sizes, scaleSlot, 0, &low, &high);
    // A flat range or scale puts the label at the middle rather than at no number.
    const double x = t1 != t0 ? (t - t0) / (t1 - t0) : 0.5;
    const double y = high != low ? 1.0 - (v - low) / (high - low) : 0.5;
    label->SetTextLabelPosition(LABEL_TYPE_USER, x, y, x, y);
  } else {
    label->SetTextLabelPosition(LABEL_TYPE_USER, t, v, t, v);
  }
  if (m_pLabels->AddLabel(label, LABEL_AREA_GROUP_PLOT, plot, 0) < 0) delete label;
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot::OnSetAnnotations(WPARAM, LPARAM lParam) {
  if (!lParam || lParam == 1) return 0;
  std::memcpy(&m_prefs.resultAnnotations, reinterpret_cast<const void*>(lParam), sizeof m_prefs.resultAnnotations);
  for (void*& a : m_dhAnnotations) {
    OPLOT_FreeAnnotationStrings(static_cast<STRUCT_ANNOTATIONS*>(a));
    a = nullptr;
  }
  if (m_prefs.resultAnnotations.show) MakeOrKeepOrFreeAnnotations();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnShowResultAnnotations(WPARAM wParam, LPARAM) {
  m_prefs.resultAnnotations.show = static_cast<int16_t>(wParam);
  return 0;
}
