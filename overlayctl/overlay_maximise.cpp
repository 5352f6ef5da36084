// Maximised plot of the overlay plot control, and the widening of a slot's
// trace to the whole run of its data file. The maximise state lives in the
// host's overlay, so that it travels with it.
#include <algorithm>
#include <cstring>

#include "common/data_points.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"

namespace {
constexpr double kCoverTolerance = 0.0001;  // minutes

// The control values a maximise keeps, in their stored order.
enum SavedValue { kActivePlot, kActiveSelector, kQuibEnabled, kScrollKind, kSegModeOn, kNavSegCount, kNavSegCurrent };
}  // namespace

void CCtlOPlot::MaximizePlot(short slot) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || o->head.maximised || !OverlaySlotIndex(slot)) return;
  if (o->head.displayMode != OVERLAY_MODE_STACKED) {
    PostNotification(11, OPLOT_ROUTE_DEFAULT);
    o->head.maximised = 1;
    return;
  }
  OVERLAY_HEAD& h = o->head;
  // The values of the control are kept before the active plot becomes the slot.
  int16_t* v = h.savedControlValues;
  v[kActivePlot] = m_activePlot;
  v[kActiveSelector] = h.activePlot;
  v[kQuibEnabled] = m_navEnabled;
  v[kScrollKind] = m_scrollKind;
  v[kSegModeOn] = m_segmentMode;
  v[kNavSegCount] = m_navSegCount;
  v[kNavSegCurrent] = m_navSegCurrent;
  m_activePlot = slot;
  h.activePlot = slot;
  h.savedShownCount = h.shownCount;
  std::memcpy(h.savedShown, h.shown, sizeof h.shown);
  std::fill(std::begin(h.shown), std::end(h.shown), int16_t{0});
  h.shown[slot] = 1;
  h.shownCount = 1;
  h.maximisedSlot = slot;
  h.maximised = 1;
  h.savedDisplayMode = h.displayMode;
  h.savedViewStart = o->tail.viewStart;
  h.savedViewEnd = o->tail.viewEnd;
  h.savedScales = o->tail.scales;
  // Stepping files or descriptors does not go on under one maximised plot.
  if (m_navEnabled && (m_scrollKind == 2 || m_scrollKind == 3)) {
    m_scrollKind = 0;
    UpdateNavigationButtons();
  }
  PostNotification(11, OPLOT_ROUTE_DEFAULT);
  SizeControls();
  RepaintUnlessSuspended();
}

void CCtlOPlot::CancelMaximizePlot() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !o->head.maximised) return;
  OVERLAY_HEAD& h = o->head;
  if (h.displayMode != OVERLAY_MODE_STACKED) {
    h.maximised = 0;
    PostNotification(12, OPLOT_ROUTE_DEFAULT);
    return;
  }
  // A slot flag the restore would set again must still have a plot to show.
  h.shownCount = 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    h.shown[i] = h.savedShown[i] && o->tail.attached[i] ? 1 : 0;
    h.shownCount = static_cast<int16_t>(h.shownCount + h.shown[i]);
  }
  std::fill(std::begin(h.savedShown), std::end(h.savedShown), int16_t{0});
  h.savedShownCount = 0;
  h.maximisedSlot = 0;
  h.maximised = 0;
  h.displayMode = h.savedDisplayMode;
  o->tail.viewStart = h.savedViewStart;
  o->tail.viewEnd = h.savedViewEnd;
  o->tail.scales = h.savedScales;
  const int16_t* v = h.savedControlValues;
  m_activePlot = v[kActivePlot];
  h.activePlot = v[kActiveSelector];
  m_navEnabled = v[kQuibEnabled];
  m_scrollKind = v[kScrollKind];
  m_segmentMode = v[kSegModeOn];
  m_navSegCount = v[kNavSegCount];
  m_navSegCurrent = v[kNavSegCurrent];
  if (m_navEnabled) {
    UpdateNavigationButtons();
    if (m_scrollKind == 1 && m_pSegmentNavigator && GetActivePlotIndex() >= 0) {
      GoToNavigatorSegment(m_navSegCurrent);
      UpdateNavigationButtons();
    }
  }
  PostNotification(12, OPLOT_ROUTE_DEFAULT);
}

void CCtlOPlot::RestorePlot(short) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !o->head.maximised) return;
  m_plotsRestored = 1;
  const double start = o->head.savedViewStart, end = o->head.savedViewEnd;
  CancelMaximizePlot();
  UpdateOverlayPlotData(start, end, o->head.displayMode);
  SizeControls();
  RepaintUnlessSuspended();
}

void CCtlOPlot::GetDataForWholeTimeRange(short slot) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(slot)) return;
  OVERLAY_SLOT& s = o->slots[slot];
  STRUCT_NE_DATA_POINTS* dp = s.trace;
  STRUCT_WORK_FILE* wf = s.workFile;
  // A file still growing has no whole run yet; a whole-file trace has it all.
  if (!dp || !dp->points || dp->pointCount == 0 || dp->wholeFile || !wf || wf->live) return;
  bool added = false;
  // Reads [from, to] of the slot's trace kind; null when nothing is there.
  auto read = [&](double from, double to) -> STRUCT_NE_DATA_POINTS* {
    if (s.plotKind == DATA_TYPE_SEGMENT_PLOT && s.segPlots) return PLOT_SEG_Read(wf, s.segPlots, 0, nullptr);
    if (s.plotKind == DATA_TYPE_SCAN_FUN_PLOT && s.scanFunArray) {
      if (!s.scanFunInfo) {
        int16_t n = 0;
        s.scanFunInfo = PD_GetScanFunInfoForDataFile(wf, &n, 0);
        s.scanFunInfoCount = static_cast<uint16_t>(n);
      }
      return s.scanFunInfo ? SCAN_FUN_FastRead(s.scanFunInfo, static_cast<int16_t>(s.scanFunInfoCount), wf,
                                               s.scanFunArray, &s.massList, 0, nullptr)
                           : SCAN_FUN_Read(wf, s.scanFunArray, &s.massList, 0, nullptr);
    }
    return MakeDataPointsStruct(wf, from, to, OVERLAY_MAX_POINTS, static_cast<int16_t>(s.plotKind),
                                static_cast<int16_t>(s.plotSubKind), &s.chanList, &s.massList);
  };
  // Joins the points of `part` before (head) or after the trace's own.
  auto join = [&](STRUCT_NE_DATA_POINTS* part, bool head) {
    if (!part) return;
    STRUCT_NE_POINT_BLOCK* own = dp->points;
    const STRUCT_NE_POINT_BLOCK* got = part->points;
    const double firstOwn = NePointAt(own, 0)->time, lastOwn = NePointAt(own, dp->pointCount - 1)->time;
    // Only the points beyond the trace's own ends, of the same value kind.
    uint32_t from = 0, to = part->pointCount;
    if (got && got->isDouble == own->isDouble) {
      if (head)
        while (to > 0 && NePointAt(part->points, to - 1)->time >= firstOwn) --to;
      else
        while (from < to && NePointAt(part->points, from)->time <= lastOwn) ++from;
    } else {
      to = 0;
    }
    const uint32_t extra = to > from ? to - from : 0;
    if (extra > 0) {
      const uint32_t total = dp->pointCount + extra;
      auto* block = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * total));
      if (block) {
        *block = *own;
        STRUCT_NE_POINT* out = NePointAt(block, 0);
        if (head) {
          std::memcpy(out, NePointAt(part->points, from), size_t{NE_POINT_SIZE} * extra);
          std::memcpy(out + extra, NePointAt(own, 0), size_t{NE_POINT_SIZE} * dp->pointCount);
          block->firstScan = got->firstScan;
          dp->startTime = NePointAt(block, 0)->time;
          dp->firstPoint = part->firstPoint;
        } else {
          std::memcpy(out, NePointAt(own, 0), size_t{NE_POINT_SIZE} * dp->pointCount);
          std::memcpy(out + dp->pointCount, NePointAt(part->points, from), size_t{NE_POINT_SIZE} * extra);
          block->lastScan = got->lastScan;
          dp->endTime = NePointAt(block, total - 1)->time;
          dp->lastPoint = part->lastPoint;
        }
        FreeBlock(own);
        dp->points = block;
        dp->pointCount = total;
        added = true;
      }
    }
    FreeDataPointsStruct(part);
  };
  const double first = NePointAt(dp->points, 0)->time;
  if (wf->startTime < first - kCoverTolerance) join(read(wf->startTime, first), true);
  const double last = NePointAt(dp->points, dp->pointCount - 1)->time;
  if (wf->endTime > last + kCoverTolerance) join(read(last, wf->endTime), false);
  if (!added) return;
  if (m_filtering[0] == 1 || m_filtering[0] == 2) FilterDataPointsStruct(dp, m_filtering);
  UpdateOverlayDataInfo(o->tail.viewStart, o->tail.viewEnd);
}
