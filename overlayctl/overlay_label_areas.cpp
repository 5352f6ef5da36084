// The label areas of the overlay control's drawing: the pixel rectangle of
// each part of the drawing (whole drawing, time strip, scales, each plot's
// chromatogram) with the data rectangle it shows, per display mode. Movable
// labels are kept in data units of an area and placed through these.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "overlayctl/overlay_plot_control.h"

namespace {

struct AreaList {
  STRUCT_OPLOT_LABEL_AREA* areas;
  int16_t* count;
  void Add(int16_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (*count >= OPLOT_LABEL_AREAS) return;
    STRUCT_OPLOT_LABEL_AREA& a = areas[(*count)++];
    a = STRUCT_OPLOT_LABEL_AREA{};
    a.id = id;
    a.x = x;
    a.y = y;
    a.width = w;
    a.height = h;
  }
  void Add(int16_t id, int32_t x, int32_t y, int32_t w, int32_t h, double t0, double t1, double low, double high) {
    Add(id, x, y, w, h);
    if (areas[*count - 1].id != id) return;
    STRUCT_OPLOT_LABEL_AREA& a = areas[*count - 1];
    a.hasData = 1;
    a.t0 = t0;
    a.t1 = t1;
    a.low = low;
    a.high = high;
  }
};

// A moved plot's shift in pixels, truncated; a damaged offset (no number, or
// far beyond any window) cannot overflow the int.
int PixelShift(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::clamp(v, -1e6, 1e6));
}

}  // namespace

void CCtlOPlot::InitLabelAreas(short print, short left, short bottom, short right, short top,
                               STRUCT_OVER_SIZES* sizes) {
  (void)print;
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !sizes) return;
  m_labelAreaCount = 0;
  std::memset(m_rightHand, 0, sizeof m_rightHand);
  AreaList list{m_labelAreas, &m_labelAreaCount};
  const int mode = o->head.displayMode;
  const bool offsets = o->tail.timeOffsetsOn || o->tail.verticalOffsetsOn;
  const OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const int cl = sizes->leftScaleWidth, width = sizes->plotWidth, strip = sizes->timeScaleHeight;
  const int total = mode == OVERLAY_MODE_STACKED ? bottom - top - strip : sizes->overlaidPlotHeight;

  if (mode == OVERLAY_MODE_TWO_SCALES) {
    const int rightSlot = s.rightAxisPlot;
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      if (!o->head.shown[i] || i == s.leftAxisPlot || !OverlaySlotIndex(rightSlot)) continue;
      m_rightHand[i] = i == rightSlot ||
                       std::strncmp(o->slots[i].units, o->slots[rightSlot].units, OVERLAY_UNITS_SIZE) == 0;
    }
  }
  list.Add(OPLOT_AREA_DRAWING, left, top, right - left, bottom - top);
  if (strip != 0) list.Add(OPLOT_AREA_TIME_STRIP, left + cl, bottom - strip, width, strip, t0, t1, 0, 0);

  if (mode == OVERLAY_MODE_STACKED) {
    int y = top;
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      const int hi = sizes->plotHeights[i];
      if (hi == 0) continue;
      const double low = s.plotLow[i], high = s.plotHigh[i];
      if (cl != 0) list.Add(static_cast<int16_t>(OPLOT_AREA_LEFT_SCALE + i), left, y, cl, hi, 0, 0, low, high);
      list.Add(static_cast<int16_t>(OPLOT_AREA_CHROMATOGRAM + i), left + cl, y, width, hi, t0, t1, low, high);
      if (offsets) {
        const double dt = o->tail.timeOffsetsOn ? o->tail.timeOffsets[i] : 0;
        const double dv = o->tail.verticalOffsetsOn ? o->tail.verticalOffsets[i] : 0;
        list.Add(static_cast<int16_t>(OPLOT_AREA_UNSHIFTED + i), left + cl, y, width, hi, t0 - dt, t1 - dt, low - dv,
                 high - dv);
      }
      y += hi;
    }
  } else if (mode == OVERLAY_MODE_NORMALISED) {
    if (cl != 0) list.Add(OPLOT_AREA_LEFT_SCALE, left, top, cl, total, 0, 0, s.commonLow, s.commonHigh);
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      if (!sizes->plotInView[i]) continue;
      double mn = 0, mx = 0;
      const int16_t processed = m_displayChoice == 1 && o->slots[i].trace && o->slots[i].trace->filtered ? 1 : 0;
      if (!OPLOT_GetMinAndMaxForNorm(o, static_cast<int16_t>(i), processed, &mn, &mx)) continue;
      const double r = (mx - mn) / 110.0;
      list.Add(static_cast<int16_t>(OPLOT_AREA_CHROMATOGRAM + i), left + cl, top, width, total, t0, t1,
               mn + (s.commonLow + 5.0) * r, mn + (s.commonHigh + 5.0) * r);
    }
  } else {
    const bool dual = mode == OVERLAY_MODE_TWO_SCALES;
    if (cl != 0) list.Add(OPLOT_AREA_LEFT_SCALE, left, top, cl, total, 0, 0, s.commonLow, s.commonHigh);
    if (dual && sizes->rightScaleWidth != 0)
      list.Add(OPLOT_AREA_RIGHT_SCALE, left + cl + width, top, sizes->rightScaleWidth, total, 0, 0, s.rightLow,
               s.rightHigh);
    list.Add(OPLOT_AREA_CHROMATOGRAM, left + cl, top, width, total, t0, t1, s.commonLow, s.commonHigh);
    if (dual) list.Add(OPLOT_AREA_RIGHT_CHROMATOGRAM, left + cl, top, width, total, t0, t1, s.rightLow, s.rightHigh);
    if (offsets) {
      for (int i = 0; i < OVERLAY_SLOTS; ++i) {
        if (!o->head.shown[i]) continue;
        const bool rightSide = dual && m_rightHand[i];
        const double low = rightSide ? s.rightLow : s.commonLow, high = rightSide ? s.rightHigh : s.commonHigh;
        int dy = 0, dx = 0;
        if (o->tail.verticalOffsetsOn && o->tail.verticalOffsets[i] != 0 && high != low)
          dy = PixelShift(total * o->tail.verticalOffsets[i] / (high - low));
        if (o->tail.timeOffsetsOn && o->tail.timeOffsets[i] != 0 && t1 != t0)
          dx = PixelShift(width * o->tail.timeOffsets[i] / (t1 - t0));
        list.Add(static_cast<int16_t>(OPLOT_AREA_UNSHIFTED + i), left + cl + dx, top + dy, width, total, t0, t1, low,
                 high);
      }
    }
  }
  if (!m_pLabels) return;
  m_pLabels->EmptyAreas(mode != OVERLAY_MODE_STACKED, mode == OVERLAY_MODE_NORMALISED, offsets);
  if (mode == OVERLAY_MODE_TWO_SCALES) {
    short orientation[LABEL_ORIENTATION_PLOTS] = {};
    for (int i = 0; i < OVERLAY_SLOTS && i < LABEL_ORIENTATION_PLOTS; ++i) orientation[i] = m_rightHand[i];
    m_pLabels->SetLeftRightOrientation(orientation);
  }
  for (int i = 0; i < m_labelAreaCount; ++i) {
    const STRUCT_OPLOT_LABEL_AREA& a = m_labelAreas[i];
    m_pLabels->AddArea(a.id, a.x, a.y, a.width, a.height, a.t0, a.t1, a.low, a.high);
  }
}

void CCtlOPlot::DrawLabels(CDC* dc, short print, short left, short bottom, short right, short top,
                           STRUCT_OVER_SIZES* sizes) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!dc || !o || !m_pLabels || m_pLabels->GetLabelCount() == 0) return;
  InitLabelAreas(print, left, bottom, right, top, sizes);
  const int mode = o->head.displayMode;
  const int active = GetActivePlotIndex();
  short shown[OVERLAY_SLOTS] = {};
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    shown[i] = o->head.shown[i] ? 1 : 0;
    const short show = mode == OVERLAY_MODE_STACKED ? shown[i] : (i == active || m_controlKind == 4 ? 1 : 0);
    m_pLabels->AdjustLabelsForPlot(static_cast<short>(i), show);
  }

  // Printed labels keep the size relation they had on the screen.
  LOGFONTA font{};
  LOGFONTA* fontUsed = nullptr;
  const short fontHeight = 0;
  short scale = 0;
  if (print) {
    scale = m_bSizesValid ? m_nLastCharHeight : static_cast<short>(sizes ? sizes->charHeight : 0);
  } else {
    HGDIOBJ current = GetCurrentObject(dc->GetSafeHdc(), OBJ_FONT);
    if (current && GetObjectA(current, sizeof font, &font) == sizeof font) fontUsed = &font;
  }
  // Labels are held in client coordinates; the memory DC starts at the plot
  // area's corner, above any title line (the top passed is below it).
  const short dx = print ? 0 : static_cast<short>(-m_plotLeft), dy = print ? 0 : static_cast<short>(-m_plotTop);

  // A filled label fills its own box; the text of any label leaves the plot visible.
  const int oldBkMode = SetBkMode(dc->GetSafeHdc(), TRANSPARENT);
  STRUCT_MARKER_PARAMS areaParams = m_prefs.label, noiseParams = m_prefs.noise.signalNoiseMarker;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (m_controlKind == 4 && mode == OVERLAY_MODE_NORMALISED) continue;
    if (mode != OVERLAY_MODE_STACKED && i != active && m_controlKind != 4) continue;
    const auto slot = static_cast<short>(i);
    m_pLabels->DrawTokenLabels(dc, print, slot, LABEL_TYPE_AREA, dx, dy, fontHeight, scale, fontUsed, &areaParams);
    m_pLabels->DrawTokenLabels(dc, print, slot, LABEL_TYPE_VALUE, dx, dy, fontHeight, scale, fontUsed, &noiseParams);
    m_pLabels->DrawTokenLabels(dc, print, slot, LABEL_TYPE_TOKEN, dx, dy, fontHeight, scale, fontUsed, nullptr);
    m_pLabels->DrawTokenLabels(dc, print, slot, LABEL_TYPE_HORIZONTAL, dx, dy, fontHeight, scale, fontUsed, nullptr);
  }
  m_pLabels->DrawNoTokenLabels(dc, print, OVERLAY_SLOTS, shown, dx, dy, fontHeight, scale, fontUsed);
  if (oldBkMode) SetBkMode(dc->GetSafeHdc(), oldBkMode);
}
