// Window pixels to data and back, on the geometry of the control's last
// screen drawing (m_Sizes), and the clip rectangle of one plot.
#include "overlayctl/overlay_plot_control.h"

#include "common/work_file.h"
#include "jessul32/jessul32.h"
#include "orvik32/orvik32.h"

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
  const int top = m_plotTop + m_Sizes.params.top;  // below the title line, when there is one
  const int bottom = m_plotTop + m_plotHeight - m_Sizes.timeScaleHeight - 1;
  if (y < top || y > bottom || m_Sizes.plotsShown == 0) return 0;
  int found = -1, h = 0, b = bottom;
  double low = 0, high = 0;
  if (o->head.displayMode != OVERLAY_MODE_STACKED) {
    // One band for all plots, read on the common scale (percent when normalised).
    found = 0;
    h = m_Sizes.overlaidPlotHeight;
    // The bottom the drawing used for the common band, whichever slots hold data.
    b = m_plotTop + m_Sizes.params.top + h;
    low = o->tail.scales.commonLow;
    high = o->tail.scales.commonHigh;
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
    // The slot's own pair, as drawn; a band without data in view (any slot) reads it too.
    low = o->tail.scales.plotLow[found];
    high = o->tail.scales.plotHigh[found];
  }
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

namespace {

// Average time and value of the trace points whose scan lies in
// [first, end). The scan counter starts at the trace's first scan and grows
// by one per point for single-scan lists, else by the segment's scans per
// point, jumping to the next segment's first scan when a point's time passes
// its segment's end.
bool AverageOverScans(const STRUCT_NE_DATA_POINTS* dp, const STRUCT_NE_POINT_BLOCK* block, uint32_t count,
                      bool onePerPoint, uint32_t first, uint32_t end, double* time, double* value) {
  const STRUCT_WORK_FILE* wf = dp->workFile;
  const auto* points = reinterpret_cast<const STRUCT_NE_POINT*>(reinterpret_cast<const uint8_t*>(block) +
                                                                NE_POINT_BLOCK_HEAD);
  const int segments = WorkFileSegmentCount(wf);
  int seg = 0;
  double traceStart = count ? points[0].time : 0;
  while (seg < segments && WorkFileSegment(wf, seg)->endTime < traceStart) ++seg;
  uint32_t scan = block->firstScan;
  double sumT = 0, sumV = 0;
  int n = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const STRUCT_NE_POINT p = points[i];
    if (segments > 0) {
      while (seg < segments && p.time > WorkFileSegment(wf, seg)->endTime) {
        ++seg;
        if (seg < segments) scan = WorkFileSegment(wf, seg)->firstScan;
      }
      if (seg >= segments) break;
    }
    const double v = block->isDouble ? p.value.d : static_cast<double>(p.value.i);
    if (scan >= first && scan < end) {
      sumT += p.time;
      sumV += v;
      ++n;
    } else if (n > 0) {
      break;  // the points of a sub-range are consecutive
    }
    const MS_SEGMENT_BLOCK* sb = segments > 0 ? WorkFileSegment(wf, seg) : nullptr;
    scan += onePerPoint || !sb || sb->functionCount == 0 ? 1 : sb->functionCount;
  }
  if (n == 0) return false;
  *time = sumT / n;
  *value = sumV / n;
  return true;
}

}  // namespace

int CCtlOPlot::GetBCValueForTime(short slot, STRUCT_FILE_BC* bc, double time, double* value) {
  if (!value) return 0;
  *value = 0;
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !bc || !OverlaySlotIndex(slot)) return 0;
  const STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
  if (!dp || !dp->workFile || dp->pointCount == 0) return 0;
  // Walk the groups within the record's own length: a damaged count cannot lead past it.
  const size_t size = GetBlockSize(bc);
  size_t at = sizeof(STRUCT_FILE_BC);
  const STRUCT_FILE_BC_GROUP* group = nullptr;
  const STRUCT_FILE_BC_ENTRY* entries = nullptr;
  for (uint16_t g = 0; g < bc->groupCount; ++g) {
    if (at + sizeof(STRUCT_FILE_BC_GROUP) > size) return 0;
    const auto* head = reinterpret_cast<const STRUCT_FILE_BC_GROUP*>(reinterpret_cast<const uint8_t*>(bc) + at);
    const size_t body = size_t{head->entryCount} * sizeof(STRUCT_FILE_BC_ENTRY);
    if (at + sizeof(STRUCT_FILE_BC_GROUP) + body > size) return 0;
    if (head->startTime <= time && time <= head->endTime) {
      group = head;
      entries = reinterpret_cast<const STRUCT_FILE_BC_ENTRY*>(head + 1);
      break;
    }
    at += sizeof(STRUCT_FILE_BC_GROUP) + body;
  }
  if (!group || group->entryCount == 0) return 0;
  const int n = group->entryCount;
  int a = 0, b = -1;
  if (n > 1) {
    if (time < entries[0].time) {
      a = 0;
      b = 1;
    } else if (time >= entries[n - 1].time) {
      a = n - 2;
      b = n - 1;
    } else {
      for (int j = 0; j + 1 < n; ++j)
        if (entries[j].time <= time && time < entries[j + 1].time) {
          a = j;
          b = j + 1;
          break;
        }
    }
  }
  const bool alternate = (m_displayChoice == 1 || m_displayChoice == 2) && dp->filtered;
  const STRUCT_NE_POINT_BLOCK* block = alternate ? dp->filtered : dp->points;
  const uint32_t count = alternate ? dp->filteredCount : dp->pointCount;
  if (!block) return 0;
  const bool onePerPoint = o->slots[slot].massList.kind == 2;
  double ta = 0, va = 0, tb = 0, vb = 0;
  const bool foundA =
      AverageOverScans(dp, block, count, onePerPoint, entries[a].firstScan, entries[a].endScan, &ta, &va);
  const bool foundB = b >= 0 && AverageOverScans(dp, block, count, onePerPoint, entries[b].firstScan,
                                                 entries[b].endScan, &tb, &vb);
  if (!foundA && !foundB) return 0;
  if (foundA && foundB && tb != ta)
    *value = va + (vb - va) * (time - ta) / (tb - ta);
  else
    *value = foundA ? va : vb;
  return 1;
}
