// The one-chromatogram overlay and the annotations handed to tiled texts.
#include "plotengine/one_chro_overlay.h"

#include <algorithm>
#include <cstring>

#include "orvik32/orvik32.h"
#include "spectra/segment_checks.h"

namespace {

void CopyText(char* to, size_t size, const char* from) {
  std::memset(to, 0, size);
  if (from) std::memcpy(to, from, strnlen(from, size - 1));
}

void SetInView(SVW_OVERLAY* o, int slot, bool on) {
  if (on == (o->tail.inView[slot] != 0)) return;
  o->tail.inView[slot] = on ? 1 : 0;
  o->slots[slot].inView = on ? 1 : 0;
  o->tail.inViewCount = static_cast<int16_t>(o->tail.inViewCount + (on ? 1 : -1));
}

}  // namespace

int32_t OPLOT_OneChro_Init(SVW_OVERLAY* overlay, STRUCT_WORK_FILE* workFile, double start, double end,
                           int16_t plotKind, int16_t kindDetail, const STRUCT_CHAN_LIST* chanList,
                           const STRUCT_MASS_LIST* massList, const char* units, const char* title) {
  if (!overlay || !workFile) return 0;
  // (0, 0) asks for the whole trace.
  const bool whole = start == 0.0 && end == 0.0;
  STRUCT_NE_DATA_POINTS* dp =
      MakeDataPointsStruct(workFile, whole ? workFile->startTime : start, whole ? workFile->endTime : end, OVERLAY_MAX_POINTS, plotKind, kindDetail, chanList, massList);
  if (!dp) return 0;
  if (dp->pointCount == 0 || !dp->points) {
    FreeDataPointsStruct(dp);
    return 0;
  }
  std::memset(overlay, 0, sizeof(SVW_OVERLAY));
  overlay->head.displayMode = OVERLAY_MODE_STACKED;
  overlay->head.shown[0] = 1;
  overlay->head.shownCount = 1;
  overlay->tail.attached[0] = 1;
  overlay->tail.attachedCount = 1;
  SetInView(overlay, 0, true);
  OVERLAY_SLOT& s = overlay->slots[0];
  // The caller keeps its work file: a slot that owned it would free it
  // under the caller's hands.
  s.filePresent = 0;
  s.workFile = workFile;
  s.dataPresent = 1;
  s.trace = dp;
  s.plotKind = static_cast<uint16_t>(plotKind);
  s.plotSubKind = static_cast<uint16_t>(kindDetail);
  if (chanList) s.chanList = *chanList;
  if (massList) s.massList = *massList;
  CopyText(s.units, sizeof s.units, units);
  CopyText(s.title, sizeof s.title, title);
  OPLOT_OneChro_SetData(overlay, start, end);
  return 1;
}

void OPLOT_OneChro_Update(SVW_OVERLAY* overlay, double start, double end, ...) {
  if (!overlay) return;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!overlay->tail.attached[i]) continue;
    OVERLAY_SLOT& s = overlay->slots[i];
    if (!s.workFile) continue;
    const bool whole = start == 0.0 && end == 0.0;
    const double from = whole ? s.workFile->startTime : std::max(start, s.workFile->startTime);
    const double to = whole ? s.workFile->endTime : std::min(end, s.workFile->endTime);
    if (from > s.workFile->endTime || to < s.workFile->startTime || from > to) {
      SetInView(overlay, i, false);
      continue;
    }
    if (s.trace && s.trace->startTime <= from && s.trace->endTime >= to && s.trace->step <= 1.0) {
      SetInView(overlay, i, true);
      continue;
    }
    if (s.trace && s.dataPresent) FreeDataPointsStruct(s.trace);
    s.trace = MakeDataPointsStruct(s.workFile, from, to, OVERLAY_MAX_POINTS, static_cast<int16_t>(s.plotKind),
                                   static_cast<int16_t>(s.plotSubKind), &s.chanList, &s.massList);
    s.dataPresent = s.trace ? 1 : 0;
    if (s.trace && s.trace->pointCount > 0) SetInView(overlay, i, true);
    OPLOT_OneChro_SetData(overlay, start, end);
  }
}

void OPLOT_OneChro_SetData(SVW_OVERLAY* overlay, double start, double end) {
  if (!overlay) return;
  OVERLAY_SLOT& s = overlay->slots[0];
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!dp || !dp->points || dp->pointCount == 0) return;
  const STRUCT_NE_POINT_BLOCK* b = dp->points;
  const uint32_t n = dp->pointCount;
  const double first = NePointAt(b, 0)->time, last = NePointAt(b, n - 1)->time;
  OVERLAY_TAIL& t = overlay->tail;
  t.overallStart = first;
  t.overallEnd = last;
  uint32_t lo = 0, hi = n - 1;
  if (start == 0.0 && end == 0.0) {
    t.viewStart = first;
    t.viewEnd = last;
    t.firstShownTime[0] = first;
    t.lastShownTime[0] = last;
  } else {
    t.viewStart = start;
    t.viewEnd = end;
    if (start < first) {
      t.firstShownTime[0] = first;
    } else {
      while (lo < n - 1 && NePointAt(b, lo)->time < start) ++lo;
      t.firstShownTime[0] = NePointAt(b, lo)->time;
    }
    if (end > last) {
      t.lastShownTime[0] = last;
    } else {
      while (hi > lo && NePointAt(b, hi)->time > end) --hi;
      t.lastShownTime[0] = NePointAt(b, hi)->time;
    }
  }
  t.firstShownIndex[0] = static_cast<int32_t>(lo);
  t.lastShownIndex[0] = static_cast<int32_t>(hi);
  double mn = NePointValue(b, lo), mx = mn;
  for (uint32_t i = lo; i <= hi; ++i) {
    const double v = NePointValue(b, i);
    mn = std::min(mn, v);
    mx = std::max(mx, v);
  }
  t.minInView[0] = mn;
  t.maxInView[0] = mx;
  const double floor = IsMSKind(s.workFile) ? 2.5 : 5e-8;
  const double margin = std::max((mx - mn) / 20.0, floor);
  t.scales.plotLow[0] = mn - margin;
  t.scales.plotHigh[0] = mx + margin;
}

void OPLOT_AddAnnotationsToTileTextClass(CTileTextOnPlot* holder, int16_t slot, const SVW_OVERLAY* overlay,
                                         const STRUCT_OVER_SIZES* sizes, const LOGFONTA* font,
                                         const STRUCT_MARKER_PARAMS* params, STRUCT_ANNOTATIONS* const* annotations,
                                         int16_t option1, int16_t option2) {
  if (!holder || !overlay || !params || !annotations || !OverlaySlotIndex(slot)) return;
  if (overlay->head.displayMode != OVERLAY_MODE_STACKED && slot != overlay->head.activePlot) return;
  if (!OverlaySlotPresent(overlay, slot)) return;
  const STRUCT_ANNOTATIONS* a = annotations[slot];
  const OVERLAY_SLOT& s = overlay->slots[slot];
  if (!a || !s.trace || !s.workFile) return;
  if (s.plotKind == 3 || (s.plotKind >= 4 && s.plotKind <= 17)) return;
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  const STRUCT_NE_POINT_BLOCK* b = dp->filtered && dp->filteredCount ? dp->filtered : dp->points;
  const uint32_t n = b == dp->filtered ? dp->filteredCount : dp->pointCount;
  const int32_t lo = overlay->tail.firstShownIndex[slot], hi = overlay->tail.lastShownIndex[slot];
  if (!b || n == 0 || lo < 0 || hi < lo || static_cast<uint32_t>(hi) >= n) return;

  const bool printing = sizes && sizes->params.printFlag;
  STRUCT_TILE_DRAW d{};
  d.keepInPlot = option1;
  d.reserved = option2;
  d.markStyle = 2;
  d.tick = params->markerFlags[2];
  d.color = printing ? params->printColor : params->screenColor;
  d.backColor = params->backColor;
  d.transparent = params->transparent;
  d.defaultFont = params->fontSource;
  d.font = params->fontSource && font ? *font : params->font;
  d.rotation = params->angle;

  const double first = NePointAt(b, 0)->time, last = NePointAt(b, n - 1)->time;
  for (int i = 0; i < a->count; ++i) {
    double time = a->times[i];
    double value = a->values[i];
    if (overlay->tail.timeOffsetsOn) time += overlay->tail.timeOffsets[slot];
    if (overlay->tail.verticalOffsetsOn) value += overlay->tail.verticalOffsets[slot];
    if (time < overlay->tail.viewStart || time > overlay->tail.viewEnd) continue;
    if (time < first || time > last) continue;
    if (IsMSKind(s.workFile) && !KELT_CheckPlotInSegmentByTime(dp, a->times[i])) continue;
    holder->AddTileLabelToHolder(time, value, a->amounts ? a->amounts[i] : -1.0, &d,
                                 const_cast<char*>(AnnotationText(a, i)));
  }
}
