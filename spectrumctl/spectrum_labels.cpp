// Movable text labels on the spectra of the spectrum control, and the
// bevelled outline round its plot rectangle.
#include <algorithm>
#include <cmath>
#include <new>

#include "plotengine/label_manager.h"
#include "plotengine/plot_labels.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_gdi.h"

namespace {

// Area kinds the label manager knows the control's parts by.
constexpr short kAreaWhole = 140;
constexpr short kAreaMassScale = 40;
constexpr short kAreaVertScale = 60;  // + pane
constexpr short kAreaPlot = 100;      // + pane

}  // namespace

void CCtlSpt::InitLabelAreas(short, short left, short bottom, short right, short top, short vertScaleWidth,
                             short plotWidth, short height0, short height1, short height2, short horzScaleHeight) {
  if (!m_pLabels) return;
  m_pLabels->EmptyAreas(0, 0, 0);
  m_pLabels->AddArea(kAreaWhole, left, top, right - left, bottom - top, 0, 0, 0, 0);
  if (horzScaleHeight != 0)
    m_pLabels->AddArea(kAreaMassScale, left + vertScaleWidth, bottom - horzScaleHeight, plotWidth, horzScaleHeight,
                       m_massLow, m_massHigh, 0, 0);
  const short heights[SPT_SLOTS] = {height0, height1, height2};
  long y = top;
  for (short pane = 0; pane < SPT_SLOTS; ++pane) {
    const short h = heights[pane];
    if (h <= 0) continue;
    if (vertScaleWidth != 0)
      m_pLabels->AddArea(static_cast<short>(kAreaVertScale + pane), left, y, vertScaleWidth, h, 0, 0, m_vertMin[pane],
                         m_vertMax[pane]);
    m_pLabels->AddArea(static_cast<short>(kAreaPlot + pane), left + vertScaleWidth, y, plotWidth, h, m_massLow,
                       m_massHigh, m_vertMin[pane], m_vertMax[pane]);
    // A and B in one pane: B's labels live in A's pane, at A's ranges.
    if (pane == 0 && m_overlaid)
      m_pLabels->AddArea(static_cast<short>(kAreaPlot + 1), left + vertScaleWidth, y, plotWidth, h, m_massLow,
                         m_massHigh, m_vertMin[0], m_vertMax[0]);
    y += h;
  }
}

void CCtlSpt::DrawLabels(CDC* dc, short printing, short left, short bottom, short right, short top, short vertScaleWidth,
                         short plotWidth, short height0, short height1, short height2, short horzScaleHeight,
                         short further) {
  if (!dc || !m_pLabels || m_pLabels->GetLabelCount() == 0) return;
  InitLabelAreas(printing, left, bottom, right, top, vertScaleWidth, plotWidth, height0, height1, height2,
                 horzScaleHeight);
  m_pLabels->AdjustLabels();
  short shown[SPT_SLOTS] = {static_cast<short>(height0 > 0),
                            static_cast<short>(height1 > 0 || (m_overlaid && height0 > 0)),
                            static_cast<short>(height2 > 0)};
  // Labels are held in client coordinates; the picture starts inside the frame.
  const short dx = printing ? 0 : static_cast<short>(-(m_plotLeft + 4));
  const short dy = printing ? 0 : static_cast<short>(-(m_plotTop + 4));
  const bool printedLines = printing && m_scalesValid && m_charHeight > 0;
  LOGFONTA font{};
  LOGFONTA* fontUsed = nullptr;
  if (m_font && GetObjectA(m_font, sizeof font, &font) == sizeof font) fontUsed = &font;
  const int oldMode = SetBkMode(dc->GetSafeHdc(), TRANSPARENT);
  m_pLabels->DrawNoTokenLabels(dc, printing, SPT_SLOTS, shown, dx, dy, printedLines ? 0 : further,
                               printedLines ? m_charHeight : 0, fontUsed);
  if (oldMode) SetBkMode(dc->GetSafeHdc(), oldMode);
}

void CCtlSpt::LabelLayout(short* values) const {
  const short left = static_cast<short>(m_plotLeft + 4), top = static_cast<short>(m_plotTop + 4);
  values[0] = left;
  values[1] = static_cast<short>(top + m_totalPlotHeight + m_horzScaleHeight);
  values[2] = static_cast<short>(left + m_vertScaleWidth + m_drawnPlotWidth);
  values[3] = top;
  values[4] = m_vertScaleWidth;
  values[5] = m_drawnPlotWidth;
  values[6] = m_paneHeight[0];
  values[7] = m_paneHeight[1];
  values[8] = m_paneHeight[2];
  values[9] = m_horzScaleHeight;
}

CLabelInfo* CCtlSpt::MakeNewLabel() {
  auto* label = new (std::nothrow) CLabelInfo;
  if (!label) return nullptr;
  STRUCT_MARKER_PARAMS params = m_prefs.label;
  if (params.fontSource == 1) {
    params.font = m_prefs.ctrlFont;
    params.fontSource = 0;
  }
  char text[] = "New Label";
  label->SetTextLabel(text, &params, 1);
  return label;
}

LRESULT CCtlSpt::OnNewUserLabel(WPARAM, LPARAM) {
  short pane = -1;
  for (short s = 0; s < SPT_SLOTS && pane < 0; ++s)
    if (m_shown[s] && m_display[s]) pane = s;
  if (pane < 0 || !m_pLabels) return 0;
  CLabelInfo* label = MakeNewLabel();
  if (!label) return 0;
  short v[10];
  LabelLayout(v);
  InitLabelAreas(0, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]);
  const short index = m_pLabels->AddLabel(label, kAreaPlot, pane, 1);
  if (index == -1) {
    delete label;  // the manager is full
    return 0;
  }
  // A cancelled first edit removes the new label, and only it: a label
  // already at the default place would go with it as its twin.
  if (!m_pLabels->EditLabel(index, 0) && m_pLabels->Label(index) == label) {
    label->m_labelX = label->m_labelY = std::nan("");
    m_pLabels->DeleteLabel(index, 0, 0);
  }
  Invalidate(FALSE);
  return 0;
}

void CCtlSpt::OnNewLabelAtRightClick(short pane) {
  if (pane < 0 || pane >= SPT_SLOTS || !m_scalesValid || !m_pLabels) return;
  CLabelInfo* label = MakeNewLabel();
  if (!label) return;
  STRUCT_LAB_TEXT* text = nullptr;
  STRUCT_MARKER_PARAMS params{};
  short type = 0;
  short deleteRequested = 0, centreRequested = 0;
  if (!label->GetTextLabelInfoForEdit(&text, &params, &type) ||
      LABS_EditLabelText(text, &params, &deleteRequested, &centreRequested) != 1) {
    // Cancelled: nothing stays behind.
    LABS_FreeLabelText(text);
    delete label;
    return;
  }
  label->SetTextLabelInfoFromEdit(text, &params);
  short v[10];
  LabelLayout(v);
  InitLabelAreas(0, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]);
  // In the shared pane a label for B stands at B's intensity there.
  const double intensity = m_overlaid && pane == 1 ? m_rightClickIntensity[1] : m_rightClickIntensity[0];
  const short rangePane = m_overlaid && pane == 1 ? 0 : pane;
  double x = m_rightClickMass, y = intensity;
  if (label->m_positionMode == 2) {
    const double span = m_massHigh - m_massLow;
    const double low = m_overlaid && pane == 1 ? m_vertMin[1] : m_vertMin[rangePane];
    const double high = m_overlaid && pane == 1 ? m_vertMax[1] : m_vertMax[rangePane];
    x = span != 0 ? (m_rightClickMass - m_massLow) / span : 0;
    y = high != low ? 1 - (intensity - low) / (high - low) : 0;
  }
  label->SetTextLabelPosition(0, x, y, x, y);
  if (m_pLabels->AddLabel(label, kAreaPlot, pane, 0) == -1) {
    delete label;
    return;
  }
  Invalidate(FALSE);
}

void CCtlSpt::OnEditOrDeleteLabel(bool edit) {
  if (!m_pLabels || m_labelHit < 0) return;
  const int changed = edit ? m_pLabels->EditLabel(m_labelHit, 0) : m_pLabels->DeleteLabel(m_labelHit, 0, 0);
  if (changed) Invalidate(FALSE);
}

void CCtlSpt::OnDeleteLabelsForPlot(short pane) {
  if (!m_pLabels) return;
  if (pane < 0) {
    for (short p = 0; p < SPT_SLOTS; ++p) m_pLabels->DeletePlotValueLabelsForPlot(p);
  } else {
    m_pLabels->DeletePlotValueLabelsForPlot(pane);
  }
  Invalidate(FALSE);
}

void CCtlSpt::DrawOutline(CDC* dc) {
  if (!dc) return;
  HDC h = dc->GetSafeHdc();
  const int w = m_plotWidth, ht = m_plotHeight;
  // Eight strips in the plot rectangle: dark shadow and shadow top left,
  // face and highlight bottom right.
  struct Strip {
    int colour;
    RECT r;
  };
  const Strip strips[] = {
      {0, {0, 0, 2, ht}},          {0, {0, 0, w, 2}},          {1, {2, 2, 4, ht - 2}},     {1, {2, 2, w - 2, 4}},
      {2, {w - 2, 0, w, ht}},      {2, {0, ht - 2, w, ht}},    {3, {w - 4, 2, w - 2, ht - 2}}, {3, {2, ht - 4, w - 2, ht - 2}},
  };
  for (const Strip& s : strips) {
    const RECT r{s.r.left + m_plotLeft, s.r.top + m_plotTop, s.r.right + m_plotLeft, s.r.bottom + m_plotTop};
    if (r.right <= r.left || r.bottom <= r.top) continue;
    HBRUSH brush = CreateSolidBrush(m_outline[s.colour]);
    FillRect(h, &r, brush);
    DeleteObject(brush);
  }
}
