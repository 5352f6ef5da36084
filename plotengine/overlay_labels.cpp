// Labels over the plots of an overlay, through a label manager.
#include "plotengine/overlay_labels.h"

#include <cstring>
#include <new>

#include "orvik32/orvik32.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/tile_texts.h"

CLabelManager* OPLOT_CreateLabelManager() {
  try {
    auto* m = new CLabelManager(nullptr);
    if (!m->AreaTable() || m->Capacity() == 0) {
      delete m;
      return nullptr;
    }
    return m;
  } catch (...) {
    return nullptr;
  }
}

void OPLOT_FreeLabelManager(CLabelManager* manager) { delete manager; }

void OPLOT_DeleteLabelsForPlot(CLabelManager* manager, int16_t slot) {
  if (manager) manager->DeleteLabelsForPlot(slot);
}

namespace {

// The slot drawn on the right range in mode 3.
bool OrientedRight(const SVW_OVERLAY* o, int slot) {
  const OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
  if (slot == sc.leftAxisPlot) return false;
  if (slot == sc.rightAxisPlot) return true;
  if (!OverlaySlotIndex(sc.rightAxisPlot)) return false;
  return std::strcmp(o->slots[slot].units, o->slots[sc.rightAxisPlot].units) == 0;
}

}  // namespace

void OPLOT_DefineAreas(CLabelManager* manager, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes) {
  if (!manager || !overlay || !sizes || manager->GetLabelCount() == 0) return;
  const int16_t mode = overlay->head.displayMode;
  const OVERLAY_TAIL& t = overlay->tail;
  const bool offsets = t.timeOffsetsOn || t.verticalOffsetsOn;
  manager->EmptyAreas(mode != OVERLAY_MODE_STACKED, mode == OVERLAY_MODE_NORMALISED, offsets);
  if (mode == OVERLAY_MODE_TWO_SCALES) {
    short orientation[OVERLAY_SLOTS] = {};
    for (int i = 0; i < OVERLAY_SLOTS; ++i)
      if (overlay->head.shown[i]) orientation[i] = OrientedRight(overlay, i) ? 1 : 0;
    manager->SetLeftRightOrientation(orientation);
  }
  const STRUCT_OPLOT_PLOT_PARAMS& p = sizes->params;
  manager->AddArea(LABEL_AREA_FRAME, p.left, p.top, p.right - p.left, p.bottom - p.top, 0, 0, 0, 0);
  const int32_t plotLeft = p.left + sizes->leftScaleWidth, plotWidth = sizes->plotWidth;
  int32_t plotsHeight = sizes->overlaidPlotHeight;
  if (mode == OVERLAY_MODE_STACKED) {
    plotsHeight = 0;
    for (int i = 0; i < OVERLAY_SLOTS; ++i) plotsHeight += sizes->plotHeights[i];
  }
  const double vs = t.viewStart, ve = t.viewEnd;
  if (sizes->timeScaleHeight != 0)
    manager->AddArea(LABEL_AREA_TIME_SCALE, plotLeft, p.top + plotsHeight, plotWidth, sizes->timeScaleHeight, vs, ve,
                     0, 0);
  const OVERLAY_SCALE_BLOCK& sc = t.scales;
  const int32_t top = p.top, height = sizes->overlaidPlotHeight;
  if (mode == OVERLAY_MODE_STACKED) {
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      int32_t l, b, r, tp;
      if (!OverlaySlotPresent(overlay, i) || sizes->plotHeights[i] <= 0 ||
          !OPLOT_GetChromatogramArea(overlay, sizes, static_cast<int16_t>(i), &l, &b, &r, &tp))
        continue;
      manager->AddArea(static_cast<short>(LABEL_AREA_LEFT_SCALE + i), p.left, tp, sizes->leftScaleWidth, b - tp, 0, 0,
                       sc.plotLow[i], sc.plotHigh[i]);
      manager->AddArea(static_cast<short>(LABEL_AREA_GROUP_PLOT + i), l, tp, r - l, b - tp, vs, ve, sc.plotLow[i],
                       sc.plotHigh[i]);
    }
  } else {
    manager->AddArea(LABEL_AREA_LEFT_SCALE, p.left, top, sizes->leftScaleWidth, height, 0, 0, sc.commonLow,
                     sc.commonHigh);
    if (mode == OVERLAY_MODE_TWO_SCALES)
      manager->AddArea(LABEL_AREA_RIGHT_SCALE, plotLeft + plotWidth, top, sizes->rightScaleWidth, height, 0, 0,
                       sc.rightLow, sc.rightHigh);
    if (mode == OVERLAY_MODE_NORMALISED) {
      // Each slot's range over the common area. The common area itself is
      // left out: its id would be slot 0's.
      for (int i = 0; i < OVERLAY_SLOTS; ++i)
        if (OverlaySlotPresent(overlay, i))
          manager->AddArea(static_cast<short>(LABEL_AREA_GROUP_PLOT + i), plotLeft, top, plotWidth, height, vs, ve,
                           sc.plotLow[i], sc.plotHigh[i]);
    } else {
      manager->AddArea(LABEL_AREA_GROUP_PLOT, plotLeft, top, plotWidth, height, vs, ve, sc.commonLow, sc.commonHigh);
      if (mode == OVERLAY_MODE_TWO_SCALES)
        manager->AddArea(LABEL_AREA_RIGHT_RANGE, plotLeft, top, plotWidth, height, vs, ve, sc.rightLow, sc.rightHigh);
    }
  }
  if (offsets) {
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      int32_t l, b, r, tp;
      if (!OverlaySlotPresent(overlay, i) ||
          !OPLOT_GetChromatogramArea(overlay, sizes, static_cast<int16_t>(i), &l, &b, &r, &tp))
        continue;
      const double dt = t.timeOffsetsOn ? t.timeOffsets[i] : 0.0;
      const double dv = t.verticalOffsetsOn ? t.verticalOffsets[i] : 0.0;
      double low = sc.plotLow[i], high = sc.plotHigh[i];
      if (mode == OVERLAY_MODE_OVERLAID || (mode == OVERLAY_MODE_TWO_SCALES && !OrientedRight(overlay, i))) {
        low = sc.commonLow;
        high = sc.commonHigh;
      } else if (mode == OVERLAY_MODE_TWO_SCALES) {
        low = sc.rightLow;
        high = sc.rightHigh;
      }
      manager->AddArea(static_cast<short>(LABEL_AREA_GROUP_OFFSET + i), l, tp, r - l, b - tp, vs - dt, ve - dt,
                       low - dv, high - dv);
    }
  }
}

void OPLOT_DrawLabels(CLabelManager* manager, const SVW_OVERLAY* overlay, HDC dc, uint16_t printing,
                      uint16_t printFontHeight, uint32_t printScale) try {
  if (!manager || !overlay || !dc) return;
  CDC* cdc = CDC::FromHandle(dc);
  if (!cdc) return;
  manager->AdjustLabels();
  short shown[OVERLAY_SLOTS];
  for (int i = 0; i < OVERLAY_SLOTS; ++i) shown[i] = overlay->head.shown[i];
  const short fontHeight = static_cast<short>(printFontHeight);
  const short scale = static_cast<short>(printScale > 32767 ? 32767 : printScale);
  manager->DrawNoTokenLabels(cdc, static_cast<short>(printing), OVERLAY_SLOTS, shown, 0, 0, fontHeight, scale, nullptr);
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (overlay->head.displayMode != OVERLAY_MODE_STACKED && i != overlay->head.activePlot) continue;
    for (short type : {LABEL_TYPE_VALUE, LABEL_TYPE_TOKEN, LABEL_TYPE_AREA, LABEL_TYPE_HORIZONTAL})
      manager->DrawTokenLabels(cdc, static_cast<short>(printing), static_cast<short>(i), type, 0, 0, fontHeight, scale,
                               nullptr, nullptr);
  }
} catch (...) {
  // Labels not drawn for want of memory leave the rest of the picture as it is.
}

int16_t OPLOT_AddPlotTokenLabel(CLabelManager* manager, const SVW_OVERLAY* overlay, int16_t slot, double time,
                                uint16_t token, const char* text, const STRUCT_MARKER_PARAMS* params) {
  if (!manager || !OverlaySlotPresent(overlay, slot) || !params) return -1;
  const OVERLAY_SLOT& s = overlay->slots[slot];
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!dp || !dp->points || !s.workFile) return -1;
  if (time < s.workFile->startTime || time > s.workFile->endTime) return -1;
  const int32_t lo = overlay->tail.firstShownIndex[slot], hi = overlay->tail.lastShownIndex[slot];
  if (lo < 0 || hi < lo || static_cast<uint32_t>(hi) >= dp->pointCount) return -1;
  int32_t at = -1;
  for (int32_t i = lo; i <= hi; ++i) {
    const double pt = NePointAt(dp->points, static_cast<uint32_t>(i))->time;
    if (pt < time) continue;
    at = i;
    if (i > lo) {
      const double prev = NePointAt(dp->points, static_cast<uint32_t>(i - 1))->time;
      if (time - prev < pt - time) at = i - 1;  // ties go to the later point
    }
    break;
  }
  if (at < 0) return -1;
  const double x = NePointAt(dp->points, static_cast<uint32_t>(at))->time;
  const double y = NePointValue(dp->points, static_cast<uint32_t>(at));
  auto* label = new (std::nothrow) CLabelInfo;
  if (!label) return -1;
  auto* block = static_cast<uint16_t*>(AllocBlock(sizeof(uint16_t)));
  if (!block) {
    delete label;
    return -1;
  }
  *block = token;
  STRUCT_MARKER_PARAMS p = *params;
  label->SetTextLabel(const_cast<char*>(text), &p, 0);
  label->SetTextLabelPosition(LABEL_TYPE_TOKEN, x, y, x, y);
  label->m_mark = block;
  const short index = manager->AddLabel(label, LABEL_AREA_GROUP_PLOT, slot, 0);
  if (index < 0) {
    kelt::labels::FreeLabelMark(label);
    delete label;
  }
  return index;
}

int16_t OPLOT_AddLabel(CLabelManager* manager, uint16_t area, uint16_t slot, const STRUCT_MARKER_PARAMS* params,
                       const char* text, double x, double y, double pointerX, double pointerY) {
  if (!manager || !params) return -1;
  auto* label = new (std::nothrow) CLabelInfo;
  if (!label) return -1;
  STRUCT_MARKER_PARAMS p = *params;
  label->SetTextLabel(const_cast<char*>(text), &p, 1);
  label->SetTextLabelPosition(LABEL_TYPE_USER, x, y, pointerX, pointerY);
  const short index = manager->AddLabel(label, static_cast<short>(area), static_cast<short>(slot), 0);
  if (index < 0) delete label;
  return index;
}

void OPLOT_InitTLP(STRUCT_TLP* params, uint32_t firstValue, uint32_t angle, int16_t height, uint16_t value5,
                   uint16_t value6) {
  if (!params) return;
  std::memset(params, 0, sizeof(STRUCT_TLP));
  params->enabled = 1;
  params->firstValue = firstValue;
  STRUCT_CHRO_PREFS prefs{};
  KELT_GetCurrDefChroPrefs(&prefs);
  LOGFONTA f = prefs.resultAnnotations.marker.font;
  f.lfHeight = height;
  f.lfWidth = 0;
  f.lfEscapement = f.lfOrientation = static_cast<LONG>(angle);
  f.lfWeight = 400;
  f.lfItalic = 0;
  f.lfStrikeOut = 0;
  f.lfCharSet = kelt::labels::CharacterSetFlag() > 0 ? OEM_CHARSET : ANSI_CHARSET;
  f.lfPitchAndFamily = 0;
  params->font = f;
  params->angle = angle;
  params->value5 = value5;
  params->value6 = value6;
}
