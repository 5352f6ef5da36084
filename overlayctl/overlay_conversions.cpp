// Window pixels to data and back, on the geometry of the control's last
// screen drawing (m_Sizes), and the clip rectangle of one plot.
#include "overlayctl/overlay_plot_control.h"

int CCtlOPlot::GetXPixelFromTime(double time, short, STRUCT_OVER_SIZES* sizes, long* x, short unclipped) {
  if (!m_pOverlay || !m_bSizesValid || !x) return 0;
  int32_t px = 0;
  if (!OPLOT_GetXPixelFromTime(time, m_pOverlay, sizes ? sizes : &m_Sizes, unclipped, &px)) return 0;
  *x = px;
  return 1;
}

int CCtlOPlot::GetYPixelFromValue(short slot, double value, short, short, STRUCT_OVER_SIZES* sizes, long* y,
                                  short unclipped) {
  if (!m_pOverlay || !m_bSizesValid || !y) return 0;
  int32_t py = 0;
  if (!OPLOT_GetYPixelFromValue(value, slot, m_pOverlay, sizes ? sizes : &m_Sizes, unclipped, &py)) return 0;
  *y = py;
  return 1;
}

int CCtlOPlot::GetTimeFromXPixel(short x, double* time, short unclipped) {
  if (!m_pOverlay || !m_bSizesValid || !time) return 0;
  const int left = m_plotLeft + m_Sizes.params.left + m_Sizes.leftScaleWidth;
  const int width = m_Sizes.plotWidth;
  if (width <= 0) return 0;
  if (!unclipped && (x < left || x > left + width - 1)) return 0;
  const double t0 = m_pOverlay->tail.viewStart, t1 = m_pOverlay->tail.viewEnd;
  *time = t0 + (t1 - t0) * (x - left) / width;
  return 1;
}

int CCtlOPlot::GetValueFromYPixel(short y, short* slot, double* value, short anySlot) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_bSizesValid || !value) return 0;
  const int top = m_plotTop;
  const int bottom = m_plotTop + m_plotHeight - m_Sizes.timeScaleHeight - 1;
  if (y < top || y > bottom || m_Sizes.plotsShown == 0) return 0;
  int found = -1, h = 0, b = bottom;
  double low = 0, high = 0;
  if (o->head.displayMode != OVERLAY_MODE_STACKED) {
    found = 0;
    h = m_Sizes.overlaidPlotHeight;
    // The bottom the drawing used for the common band.
    int32_t areaBottom = 0;
    if (OPLOT_GetChromatogramArea(o, &m_Sizes, 0, nullptr, &areaBottom, nullptr, nullptr))
      b = m_plotTop + areaBottom;
  } else {
    int t = top;
    for (int i = 0; i < OVERLAY_SLOTS && found < 0; ++i) {
      if (!m_Sizes.plotShown[i]) continue;
      const int hi = m_Sizes.plotHeights[i];
      if (y >= t && y < t + hi) {
        // A plot without data (in-view flag clear) answers only for any slot.
        if (!anySlot && !m_Sizes.plotInView[i]) return 0;
        found = i;
        h = hi;
        b = t + hi;
      }
      t += hi;
    }
    if (found < 0) return 0;
  }
  // The same range the drawing and the value-to-pixel conversion use.
  if (!OPLOT_GetVerticalScaleValues(o, &m_Sizes, static_cast<int16_t>(found), SizesUseProcessed(&m_Sizes, found),
                                    &low, &high))
    return 0;
  if (h <= 0) return 0;
  if (slot) *slot = static_cast<short>(found);
  *value = low + (high - low) * (b - y) / h;
  return 1;
}

int CCtlOPlot::GetIntersectClipRect(CRect* rect, short slot, STRUCT_OVER_SIZES* sizes, short left, short bottom,
                                    short top) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_bSizesValid || !rect) return 0;
  const STRUCT_OVER_SIZES& s = sizes ? *sizes : m_Sizes;
  const bool stacked = o->head.displayMode == OVERLAY_MODE_STACKED;
  if (!stacked && slot != 0) return 0;
  const int l = left + s.leftScaleWidth, w = s.plotWidth;
  int t = top, b = bottom - s.timeScaleHeight;
  if (stacked) {
    if (!OverlaySlotIndex(slot)) return 0;
    bool met = false;
    for (int i = 0; i < OVERLAY_SLOTS && !met; ++i) {
      const int hi = s.plotHeights[i];
      if (hi <= 0) continue;
      if (i == slot) {
        b = t + hi;
        met = true;
      } else {
        t += hi;
      }
    }
    if (!met) return 0;
  }
  rect->SetRect(l, t, l + w - 1, b);
  return 1;
}
