// Plot parameters from the preferences, the draw record, and the layout of
// one drawing.
#include <cmath>
#include <cstring>

#include "plotengine/plot_layout.h"

namespace {

// DC units per value unit of a range; 0 for an empty range, which the
// drawing then leaves out rather than divide by zero.
double Factor(double extent, double low, double high) {
  const double range = high - low;
  if (!std::isfinite(range) || std::fabs(range) < 1e-300) return 0.0;
  const double f = extent / range;
  return std::isfinite(f) ? f : 0.0;
}

// A shown slot's plot, counted as shown and (when in view) as in view.
void CountShownPlot(STRUCT_OVER_SIZES* sz, const SVW_OVERLAY& o, int i) {
  sz->plotShown[i] = 1;
  ++sz->plotsShown;
  if (o.tail.inView[i]) {
    sz->plotInView[i] = 1;
    ++sz->plotsInView;
  }
}

}  // namespace

KELT_API STRUCT_OPLOT_PLOT_PARAMS* OPLOT_InitPlotParams(STRUCT_OPLOT_PLOT_PARAMS* p, int16_t printFlag, int16_t left,
                                                        int16_t bottom, int16_t right, int16_t top, int16_t charWidth,
                                                        int16_t charHeight) {
  if (!p) return p;
  p->printFlag = printFlag;
  p->left = left;
  p->bottom = bottom;
  p->right = right;
  p->top = top;
  p->charWidth = static_cast<uint16_t>(charWidth);
  p->charHeight = static_cast<uint16_t>(charHeight);
  STRUCT_CHRO_PREFS chro;
  KELT_GetCurrDefChroPrefs(&chro);
  if (printFlag) {
    STRUCT_REPORT_PREFS report;
    KELT_GetCurrDefReportPrefs(&report);
    p->verticalAxis = report.chroAxis0;
    p->horizontalAxis = report.chroAxis1;
    std::memcpy(p->colors, report.chroColors.colors, sizeof p->colors);
  } else {
    p->verticalAxis = chro.axis0;
    p->horizontalAxis = chro.axis1;
    std::memcpy(p->colors, chro.colors.colors, sizeof p->colors);
  }
  p->gradientBackground = static_cast<uint16_t>(chro.colors.fadeOn);
  p->fadeFromWhite = static_cast<uint16_t>(chro.colors.fadeKind);
  p->extraLinesUnderTimeAxis = 0;
  p->carried60 = 60;
  p->carried2 = 2;
  p->maximiseButtons = p->deleteButtons = 0;
  p->keepFirstPlotA = p->keepFirstPlotB = 0;
  return p;
}

KELT_API void OPLOT_InitDrawChro(STRUCT_OPLOT_DRAW_CHRO* d, const uint32_t* formatBlock) {
  if (!d) return;
  std::memset(d, 0, sizeof *d);
  d->verticalScaleWidth = -1;
  d->horizontalScaleHeight = -1;
  d->drawProcessed = 1;
  d->drawRaw = 1;
  if (formatBlock) std::memcpy(d->format, formatBlock, sizeof d->format);
}

KELT_API void OPLOT_CalculateSizes(const SVW_OVERLAY* o, const STRUCT_OPLOT_PLOT_PARAMS* p, STRUCT_OVER_SIZES* sz,
                                   int16_t normalise, int16_t scaleWidth, int16_t scaleHeight) {
  if (!sz) return;
  std::memset(sz, 0, sizeof *sz);
  if (!o || !p) return;
  const int mode = o->head.displayMode;
  if (!p->verticalAxis.shown) scaleWidth = 0;
  if (!p->horizontalAxis.shown) scaleHeight = 0;
  const int32_t height = p->bottom - p->top;
  const int32_t width = p->right - p->left;
  const int32_t cw = p->charWidth, ch = p->charHeight;
  int32_t vsw = scaleWidth == -1 ? (p->printFlag ? 7 : 6) * cw : scaleWidth;
  int32_t hsh = scaleHeight == -1 ? 2 * ch + ch * p->extraLinesUnderTimeAxis : scaleHeight;

  int32_t count = 1;
  if (mode == OVERLAY_MODE_STACKED) {
    count = 0;
    for (int i = 0; i < OVERLAY_SLOTS; ++i) count += o->head.shown[i] ? 1 : 0;
  }

  const int32_t room = vsw * (mode == OVERLAY_MODE_TWO_SCALES ? 3 : 2);
  if (width < room || vsw == 0) {
    sz->leftScaleWidth = sz->rightScaleWidth = 0;
    sz->plotWidth = static_cast<int16_t>(width);
  } else {
    sz->leftScaleWidth = static_cast<int16_t>(vsw);
    sz->rightScaleWidth = static_cast<int16_t>(mode == OVERLAY_MODE_TWO_SCALES ? vsw : 0);
    sz->plotWidth = static_cast<int16_t>(width - sz->leftScaleWidth - sz->rightScaleWidth);
  }

  int32_t tsh = 0;
  if (hsh != 0) tsh = count + hsh <= height ? hsh : height;
  sz->timeScaleHeight = static_cast<int16_t>(tsh);

  if (mode == OVERLAY_MODE_STACKED) {
    // With nothing shown there is nothing to share out.
    const int32_t share = count > 0 ? (height - tsh) / count : 0;
    if (share >= 1) {
      int32_t extra = (height - tsh) - share * count;
      for (int i = 0; i < OVERLAY_SLOTS; ++i) {
        if (!o->head.shown[i]) continue;
        CountShownPlot(sz, *o, i);
        sz->plotHeights[i] = static_cast<int16_t>(share + (extra > 0 ? 1 : 0));
        if (extra > 0) --extra;
      }
    }
  } else if (height - tsh >= 2) {
    sz->overlaidPlotHeight = static_cast<int16_t>(height - tsh);
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      if (!o->head.shown[i]) continue;
      CountShownPlot(sz, *o, i);
    }
  }

  sz->params = *p;
  sz->xFactor = Factor(sz->plotWidth, o->tail.viewStart, o->tail.viewEnd);
  const OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
  if (mode == OVERLAY_MODE_OVERLAID || mode == OVERLAY_MODE_TWO_SCALES) {
    sz->yFactor = Factor(sz->overlaidPlotHeight, sc.commonLow, sc.commonHigh);
    if (mode == OVERLAY_MODE_TWO_SCALES) sz->secondYFactor = Factor(sz->overlaidPlotHeight, sc.rightLow, sc.rightHigh);
  } else {
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      if (!sz->plotShown[i]) continue;
      if (mode == OVERLAY_MODE_NORMALISED) {
        double mn = 0, mx = 0;
        OPLOT_GetMinAndMaxForNorm(o, static_cast<int16_t>(i), normalise, &mn, &mx);
        const double unit = (mx - mn) / 110.0;
        const double lowValue = (sc.commonLow + 5.0) * unit + mn;
        const double highValue = (sc.commonHigh + 5.0) * unit + mn;
        sz->plotYFactors[i] = Factor(sz->overlaidPlotHeight, lowValue, highValue);
      } else {
        sz->plotYFactors[i] = Factor(sz->plotHeights[i], sc.plotLow[i], sc.plotHigh[i]);
      }
    }
  }

  sz->charWidth = static_cast<int16_t>(cw);
  sz->charHeight = static_cast<int16_t>(ch);
  sz->deleteButtonX = static_cast<int16_t>(sz->leftScaleWidth + p->left + sz->plotWidth - cw - 1);
  if (p->maximiseButtons) sz->maximiseButtonX = static_cast<int16_t>(sz->deleteButtonX - cw);
  if (!p->deleteButtons && !p->maximiseButtons) return;
  const bool keepFirst = p->keepFirstPlotA || p->keepFirstPlotB;
  int32_t y = p->top + ch / 4;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!sz->plotShown[i]) continue;
    const bool marked = mode != OVERLAY_MODE_STACKED || sz->plotHeights[i] >= ch;
    if (marked) {
      sz->deleteButtonShown[i] = p->deleteButtons && !(i == 0 && keepFirst) ? 1 : 0;
      sz->maximiseButtonShown[i] = p->maximiseButtons ? 1 : 0;
      if (mode == OVERLAY_MODE_STACKED) sz->buttonY[i] = static_cast<int16_t>(y);
    }
    if (mode == OVERLAY_MODE_STACKED) y += sz->plotHeights[i];
  }
}
