// Plot data intake: the host's overlay kept by address, or an overlay the
// control builds from data files; what survives new data per slot; traces
// re-read for a new range; displayed index ranges and value ranges.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/data_points.h"
#include "common/plot_titles.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "overlayctl/overlay_plot_control.h"
#include "common/value_scale.h"
#include "plotengine/event_marks.h"
#include "plotengine/result_annotations.h"
#include "spectra/spectrum_managers.h"
#include "win/win_crt.h"

namespace {
constexpr double kKeepTolerance = 0.0001;  // minutes
constexpr UINT_PTR kLiveTimer = 1;
constexpr UINT kLiveTimerMs = 4000;

void SetFlag(int16_t* flags, int16_t* count, int slot, bool on) {
  if ((flags[slot] != 0) == on) return;
  flags[slot] = on ? 1 : 0;
  *count = static_cast<int16_t>(*count + (on ? 1 : -1));
}

bool TakesPart(const SVW_OVERLAY* o, int slot) { return o->tail.attached[slot] && o->head.shown[slot]; }

double SlotOffset(const SVW_OVERLAY* o, int slot) { return o->tail.timeOffsetsOn ? o->tail.timeOffsets[slot] : 0.0; }

bool HasPoints(const STRUCT_NE_DATA_POINTS* dp) { return dp && dp->points && dp->pointCount > 0; }

// The four plot types the drawing knows; any other value is refused.
bool KnownPlotType(int type) { return type >= OVERLAY_MODE_STACKED && type <= OVERLAY_MODE_TWO_SCALES; }

// A range of times a sender asks for: both ends real numbers, in order.
bool UsableRange(double start, double end) { return std::isfinite(start) && std::isfinite(end) && start <= end; }

// A file still being acquired keeps the points it had; only points after
// the last kept time are added, each later than the one before.
void AppendNewPoints(const STRUCT_NE_DATA_POINTS* old, STRUCT_NE_DATA_POINTS* fresh) {
  if (!HasPoints(old) || !fresh->points || old->points->isDouble != fresh->points->isDouble) return;
  const uint32_t total = old->pointCount + fresh->pointCount;
  auto* block = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * total));
  if (!block) return;
  std::memcpy(block, old->points, NE_POINT_BLOCK_HEAD + size_t{NE_POINT_SIZE} * old->pointCount);
  uint32_t n = old->pointCount;
  double last = NePointAt(old->points, n - 1)->time;
  for (uint32_t k = 0; k < fresh->pointCount; ++k) {
    const STRUCT_NE_POINT* p = NePointAt(fresh->points, k);
    const double t = p->time;
    if (!(t > last)) continue;
    std::memcpy(NePointAt(block, n++), p, NE_POINT_SIZE);
    last = t;
  }
  block->lastScan = fresh->points->lastScan;
  FreeBlock(fresh->points);
  fresh->points = block;
  fresh->pointCount = n;
  fresh->startTime = old->startTime;
  fresh->firstPoint = old->firstPoint;
}
}  // namespace

KELT_API void OPLOT_MakeSlotPlotTitle(const SVW_OVERLAY* o, int16_t slot, char* text) {
  if (!text) return;
  text[0] = 0;
  if (!o || !OverlaySlotIndex(slot)) return;
  const OVERLAY_SLOT& s = o->slots[slot];
  if (!s.workFile || !s.trace) return;
  char title[1024] = {};
  if (s.plotKind == 100) {
    KELT_MakeWSPlotTitle(title, s.workFile, static_cast<int16_t>(s.trace->detectorChannel));
  } else if (s.plotKind == DATA_TYPE_SEGMENT_PLOT && s.segPlots) {
    PLOT_SEG_GetPlotTitle(s.workFile, s.segPlots, title, 196);
  } else if (s.plotKind == DATA_TYPE_SCAN_FUN_PLOT && s.scanFunArray) {
    SCAN_FUN_GetPlotTitle(s.workFile, &s.massList, s.scanFunArray, title, 196);
  } else {
    KELT_MakeTolmarPlotTitle(title, static_cast<int16_t>(s.plotKind), &s.massList, &s.chanList, s.workFile);
  }
  std::snprintf(text, 197, "%.196s", title);
}

void CCtlOPlot::SlotTitle(int slot, char* title) const { OPLOT_MakeSlotPlotTitle(m_pOverlay, static_cast<int16_t>(slot), title); }

void CCtlOPlot::ClearPendingStates() {
  m_zoomPending = 0;
  m_timeClickPending = 0;
  m_dblClickSpectrumPending = 0;
  m_offsetPending = 0;
  m_rightClickPending = 0;
  std::fill(std::begin(m_slotMarks), std::end(m_slotMarks), 0);
}

void CCtlOPlot::ClearVerticalScales() {
  if (!m_pOverlay) return;
  OVERLAY_SCALE_BLOCK& s = m_pOverlay->tail.scales;
  // A maximized plot keeps the others' scales for its restore.
  if (m_pOverlay->head.maximised && OverlaySlotIndex(m_pOverlay->head.maximisedSlot)) {
    s.plotLow[m_pOverlay->head.maximisedSlot] = 0;
    s.plotHigh[m_pOverlay->head.maximisedSlot] = 0;
  } else {
    const int16_t left = s.leftAxisPlot, right = s.rightAxisPlot;
    std::memset(&s, 0, sizeof s);
    s.leftAxisPlot = left;
    s.rightAxisPlot = right;
  }
}

void CCtlOPlot::CheckSlotIdentities() {
  const SVW_OVERLAY* o = m_pOverlay;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    STRUCT_OPLOT_SLOT_IDENTITY& id = m_identity[i];
    const OVERLAY_SLOT* s = o ? &o->slots[i] : nullptr;
    if (!s || !o->tail.attached[i] || !s->workFile) {
      if (m_pLabels) m_pLabels->DeleteLabelsForPlot(static_cast<int16_t>(i));
      FreeOneSlotAnnotations(i);
      std::memset(&id, 0, sizeof id);
      continue;
    }
    char title[OPLOT_IDENTITY_TITLE_SIZE] = {};
    SlotTitle(i, title);
    if (s->workFile->serialNumber != id.serial || std::strncmp(s->units, id.units, sizeof id.units) != 0) {
      if (m_pLabels) m_pLabels->DeleteLabelsForPlot(static_cast<int16_t>(i));
      FreeOneSlotAnnotations(i);
    } else if (std::strncmp(title, id.title, sizeof id.title) != 0) {
      if (m_pLabels) {
        m_pLabels->DeleteSomeLabelsForPlot(static_cast<int16_t>(i), LABEL_TYPE_VALUE);
        m_pLabels->DeleteSomeLabelsForPlot(static_cast<int16_t>(i), LABEL_TYPE_AREA);
      }
      FreeOneSlotAnnotations(i);
    }
    id.serial = s->workFile->serialNumber;
    id.plotKind = s->plotKind;
    std::memcpy(id.units, s->units, sizeof id.units);
    id.units[sizeof id.units - 1] = 0;
    std::memcpy(id.title, title, sizeof id.title);
    id.title[sizeof id.title - 1] = 0;
  }
}

LRESULT CCtlOPlot::OnNewPlotData(WPARAM, LPARAM lParam) {
  if (!m_ownOverlay && !lParam) return 0;
  ForgetSegmentFile();
  OnEscapeTracking(0, 0);
  if (!m_ownOverlay) m_pOverlay = reinterpret_cast<SVW_OVERLAY*>(lParam);
  m_hasData = 1;
  m_waitingForData = 0;
  ClearPendingStates();
  if (m_pOverlay && m_pOverlay->head.displayMode == OVERLAY_MODE_TWO_SCALES) UpdateLeftRightIndexes();
  ClearVerticalScales();
  SetVerticalFullScale(1, 1);
  for (short c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (short sp = 0; sp < OPLOT_SPT_PLACES; ++sp) GetOneSpectrumMarkerValues(c, sp);
  CheckSlotIdentities();
  OPLOT_ReadSystemEventMarks(m_pOverlay);
  MakeOrKeepOrFreeAnnotations();
  SaveCurrent();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnNewTimeRange(WPARAM wParam, LPARAM lParam) {
  if (!m_ownOverlay && (!lParam || !m_hasData || !m_pOverlay)) return 0;
  if (m_ownOverlay && !m_pOverlay) return 0;
  ForgetSegmentFile();
  OnEscapeTracking(0, 0);
  if (!m_ownOverlay) m_pOverlay = reinterpret_cast<SVW_OVERLAY*>(lParam);
  m_waitingForData = 0;
  if (wParam == 1) Use95ScaleParams();
  ClearPendingStates();
  // Ranges that were never set get full scale; set ones stay.
  InitUnsetVerticalScales();
  // The traces may have been read again: annotation marks follow the new points.
  const int16_t processed = m_filtering[0] == 1 || m_filtering[0] == 2 ? 1 : 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i)
    for (void** list : {m_dhAnnotations, m_amdisAnnotations, m_tchroAnnotations})
      OPLOT_InitAnnotationPlotValues(m_pOverlay, static_cast<STRUCT_ANNOTATIONS*>(list[i]), static_cast<int16_t>(i),
                                     processed, 0);
  SaveCurrent();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnNewPlotType(WPARAM, LPARAM lParam) {
  // Without an overlay HandleNewPlotType does nothing; without data neither does the message.
  if (!lParam || !m_hasData) return 0;
  const int16_t type = *reinterpret_cast<const int16_t*>(lParam);
  if (KnownPlotType(type)) HandleNewPlotType(type);
  return 0;
}

void CCtlOPlot::HandleNewPlotType(short type) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !KnownPlotType(type)) return;
  const int16_t old = o->head.displayMode;
  o->head.displayMode = type;
  m_waitingForData = 0;
  ClearPendingStates();
  if (type == OVERLAY_MODE_TWO_SCALES) UpdateLeftRightIndexes();
  if (old == OVERLAY_MODE_OVERLAID && type == OVERLAY_MODE_STACKED) {
    OVERLAY_SCALE_BLOCK& s = o->tail.scales;
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      s.plotLow[i] = s.commonLow;
      s.plotHigh[i] = s.commonHigh;
    }
  } else {
    ClearVerticalScales();
    SetVerticalFullScale(1, 1);
  }
  SaveCurrent();
  PostNotification(10, OPLOT_ROUTE_PARENT);
  SizeControls();
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot::OnChangeOnStatus(WPARAM wParam, LPARAM lParam) {
  if (!lParam) return 0;
  const int slot = static_cast<int>(static_cast<int16_t>(wParam));
  OnEscapeTracking(0, 0);
  const int16_t oldType = m_pOverlay ? m_pOverlay->head.displayMode : 0;
  if (!m_ownOverlay) m_pOverlay = reinterpret_cast<SVW_OVERLAY*>(lParam);
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return 0;
  m_hasData = 1;
  m_waitingForData = 0;
  // The slot switched may have been an axis plot.
  if (o->head.displayMode == OVERLAY_MODE_TWO_SCALES) UpdateLeftRightIndexes();
  ClearPendingStates();
  if (o->head.shownCount > 0) {
    OVERLAY_SCALE_BLOCK& s = o->tail.scales;
    const bool on = OverlaySlotIndex(slot) && o->head.shown[slot];
    if (o->head.displayMode != oldType) {
      ClearVerticalScales();
      SetVerticalFullScale(1, 1);
    } else if (o->head.displayMode == OVERLAY_MODE_STACKED || o->head.displayMode == OVERLAY_MODE_NORMALISED) {
      // The scale block is packed: its doubles are filled through aligned locals.
      if (on) {
        double low = 0, high = 0;
        OPLOT_AutoScaleSepVert(o, static_cast<int16_t>(slot), &low, &high);
        s.plotLow[slot] = low;
        s.plotHigh[slot] = high;
      }
    } else if (o->head.displayMode == OVERLAY_MODE_OVERLAID) {
      double low = 0, high = 0;
      OPLOT_AutoScaleOneVert(o, &low, &high);
      if (on && o->head.shownCount == 1) {
        s.commonLow = low;
        s.commonHigh = high;
      } else if (on) {
        s.commonLow = std::min(double{s.commonLow}, low);
        s.commonHigh = std::max(double{s.commonHigh}, high);
      }
    } else if (OverlaySlotIndex(slot)) {
      // The slot belongs to the right scale when it shares the right axis
      // plot's units; that side is rescaled from its whole group, which
      // starts at its axis plot.
      const int left = s.leftAxisPlot, right = s.rightAxisPlot;
      const bool onRight = OverlaySlotIndex(right) &&
                           std::strncmp(o->slots[slot].units, o->slots[right].units, OVERLAY_UNITS_SIZE) == 0;
      const int axis = onRight ? right : left;
      if (OverlaySlotIndex(axis)) {
        double low = 0, high = 0;
        OPLOT_AutoScaleOneOfTwoVerts(o, static_cast<int16_t>(axis), &low, &high);
        if (onRight) {
          s.rightLow = low;
          s.rightHigh = high;
        } else {
          s.commonLow = low;
          s.commonHigh = high;
        }
      }
    }
  }
  SaveCurrent();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnNoPlotData(WPARAM, LPARAM) {
  ForgetSegmentFile();
  OnEscapeTracking(0, 0);
  m_hasData = 0;
  m_waitingForData = 0;
  ClearPendingStates();
  if (m_ownOverlay && m_pOverlay)
    OPLOT_ClearOverlayStructure(m_pOverlay);
  else if (!m_ownOverlay)
    m_pOverlay = nullptr;
  std::memset(m_identity, 0, sizeof m_identity);
  std::memset(m_slotFiles, 0, sizeof m_slotFiles);
  if (m_pListBox && m_pListBox->m_hWnd) m_pListBox->ResetContent();
  // The three annotation lists and each slot's target-list match results.
  for (int i = 0; i < OPLOT_SLOTS; ++i) FreeOneSlotAnnotations(i);
  CloseBackgroundCorrectionDialog();
  TE_CancelWaitingMode();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

void CCtlOPlot::UpdateOverlayPlotType() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  const int16_t kinds = OPLOT_CountDataUnitsTypes(o);
  int16_t& type = o->head.displayMode;
  if (kinds < 2) {
    if (type == OVERLAY_MODE_TWO_SCALES) type = OVERLAY_MODE_OVERLAID;
  } else if (kinds == 2) {
    if (type == OVERLAY_MODE_OVERLAID || type == OVERLAY_MODE_NORMALISED) type = OVERLAY_MODE_TWO_SCALES;
  } else if (type != OVERLAY_MODE_STACKED) {
    type = OVERLAY_MODE_STACKED;
  }
}

void CCtlOPlot::UpdateOverlayTimeRange(double start, double end, double* outStart, double* outEnd) {
  double lo = 0, hi = 0;
  bool any = false;
  if (const SVW_OVERLAY* o = m_pOverlay) {
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
      if (!TakesPart(o, i) || !wf) continue;
      const double off = SlotOffset(o, i);
      if (!any || wf->startTime + off < lo) lo = wf->startTime + off;
      if (!any || wf->endTime + off > hi) hi = wf->endTime + off;
      any = true;
    }
  }
  double s = 0, e = 0;
  if (any && !(end < lo || start > hi)) {
    s = (start < lo || start >= hi) ? lo : start;
    e = end > hi ? hi : end;
  }
  if (outStart) *outStart = s;
  if (outEnd) *outEnd = e;
}

void CCtlOPlot::UpdateOverlayPlotData(double start, double end, short plotType) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  ForgetSegmentFile();  // a slot emptied here frees its work file
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  m_waitingForData = 1;
  // The whole data, also where an offset moves a plot before time 0.
  if (start == end) UpdateOverlayTimeRange(-DBL_MAX, DBL_MAX, &start, &end);
  o->head.displayMode = plotType;
  if (m_ownOverlay && m_controlKind != 3 && m_controlKind != 4) {
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      OVERLAY_SLOT& s = o->slots[i];
      if (!o->tail.attached[i] || !s.workFile) continue;
      STRUCT_WORK_FILE* wf = s.workFile;
      const double off = SlotOffset(o, i);
      double from = std::max(start - off, double{wf->startTime}), to = std::min(end - off, double{wf->endTime});
      if (from > to) {
        SetFlag(o->tail.inView, &o->tail.inViewCount, i, false);
        s.inView = 0;
        continue;
      }
      STRUCT_NE_DATA_POINTS* dp = s.trace;
      const bool covers = HasPoints(dp) && NePointAt(dp->points, 0)->time <= from + kKeepTolerance &&
                          NePointAt(dp->points, dp->pointCount - 1)->time >= to - kKeepTolerance;
      const bool endsMatch = HasPoints(dp) && std::fabs(NePointAt(dp->points, 0)->time - from) <= kKeepTolerance &&
                             std::fabs(NePointAt(dp->points, dp->pointCount - 1)->time - to) <= kKeepTolerance;
      const bool keep = dp && (dp->wholeFile || (covers && !wf->live &&
                                                 (dp->step == 1.0 || (dp->pointCount == OVERLAY_MAX_POINTS && endsMatch))));
      if (keep) {
        SetFlag(o->tail.inView, &o->tail.inViewCount, i, true);
        s.inView = 1;
        continue;
      }
      STRUCT_NE_DATA_POINTS* fresh = nullptr;
      if (s.plotKind == DATA_TYPE_SEGMENT_PLOT && s.segPlots) {
        fresh = PLOT_SEG_Read(wf, s.segPlots, 0, nullptr);
      } else if (s.plotKind == DATA_TYPE_SCAN_FUN_PLOT && s.scanFunArray) {
        if (!s.scanFunInfo) {
          int16_t count = 0;
          s.scanFunInfo = PD_GetScanFunInfoForDataFile(wf, &count, 0);
          s.scanFunInfoCount = static_cast<uint16_t>(count);
        }
        fresh = s.scanFunInfo ? SCAN_FUN_FastRead(s.scanFunInfo, static_cast<int16_t>(s.scanFunInfoCount), wf, s.scanFunArray, &s.massList, 0,
                                                  nullptr)
                              : SCAN_FUN_Read(wf, s.scanFunArray, &s.massList, 0, nullptr);
      } else {
        fresh = MakeDataPointsStruct(wf, from, to, OVERLAY_MAX_POINTS, static_cast<int16_t>(s.plotKind),
                                     static_cast<int16_t>(s.plotSubKind), &s.chanList, &s.massList);
      }
      if (!fresh) {
        MessageBox("File may be missing.", wf->displayName, MB_OK | MB_ICONINFORMATION);
        OPLOT_ClearPlotFromOverlayStructure(o, static_cast<int16_t>(i));
        // Other files still being acquired stay followed.
        bool followed = false;
        for (int k = 0; k < OPLOT_SLOTS; ++k) followed |= o->slots[k].workFile && o->slots[k].workFile->live;
        if (!followed) KillTimer(kLiveTimer);
        continue;
      }
      if (fresh->timeReversals) TellUserTimeOutOfOrder(fresh);
      if (wf->live) AppendNewPoints(s.trace, fresh);
      if (s.dataPresent) FreeDataPointsStruct(s.trace);
      s.trace = fresh;
      s.dataPresent = 1;
      if (m_filtering[0] == 1 || m_filtering[0] == 2) FilterDataPointsStruct(fresh, m_filtering);
      SetFlag(o->tail.inView, &o->tail.inViewCount, i, HasPoints(fresh));
      s.inView = HasPoints(fresh) ? 1 : 0;
    }
  }
  if (o->head.shownCount > 0) UpdateOverlayDataInfo(start, end);
  SetCursor(old);
  m_waitingForData = 0;
}

void CCtlOPlot::TellUserTimeOutOfOrder(STRUCT_NE_DATA_POINTS* points) {
  if (!points || !points->timeReversals) return;
  char text[96];
  std::snprintf(text, sizeof text, "File has %ld point(s) out of time order.", static_cast<long>(points->timeReversals));
  MessageBox(text, points->workFile ? points->workFile->displayName : "", MB_OK | MB_ICONINFORMATION);
}

void CCtlOPlot::UpdateOverlayDataInfo(double start, double end) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  UpdateOverlayPlotType();
  OVERLAY_TAIL& t = o->tail;
  bool any = false;
  double lo = 0, hi = 0, offLo = 0, offHi = 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    if (!TakesPart(o, i) || !wf) continue;
    const double off = SlotOffset(o, i);
    if (!any) {
      lo = wf->startTime, hi = wf->endTime, offLo = wf->startTime + off, offHi = wf->endTime + off;
    } else {
      lo = std::min(lo, double{wf->startTime}), hi = std::max(hi, double{wf->endTime});
      offLo = std::min(offLo, wf->startTime + off), offHi = std::max(offHi, wf->endTime + off);
    }
    any = true;
  }
  if (!any) return;
  t.overallStart = lo;
  t.overallEnd = hi;
  t.homeStart = t.timeOffsetsOn ? offLo : lo;
  t.homeEnd = t.timeOffsetsOn ? offHi : hi;
  const bool whole = start == 0.0 && end == 0.0;
  if (whole) {
    t.viewStart = t.homeStart;
    t.viewEnd = t.homeEnd;
  } else {
    t.viewStart = start;
    t.viewEnd = end;
  }
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    OVERLAY_SLOT& s = o->slots[i];
    if (!TakesPart(o, i) || !s.workFile) continue;
    const STRUCT_NE_DATA_POINTS* dp = s.trace;
    if (whole) {
      t.firstShownTime[i] = s.workFile->startTime;
      t.lastShownTime[i] = s.workFile->endTime;
      t.firstShownIndex[i] = 0;
      t.lastShownIndex[i] = HasPoints(dp) ? static_cast<int32_t>(dp->pointCount - 1) : -1;
      SetFlag(t.inView, &t.inViewCount, i, HasPoints(dp));
      s.inView = HasPoints(dp) ? 1 : 0;
      continue;
    }
    if (!dp || !dp->points) continue;
    const double off = SlotOffset(o, i);
    const uint32_t n = dp->pointCount;
    if (n == 0) {
      SetFlag(t.inView, &t.inViewCount, i, false);
      s.inView = 0;
      continue;
    }
    const double first = NePointAt(dp->points, 0)->time, last = NePointAt(dp->points, n - 1)->time;
    // In segment mode an MS plot shows only while the navigator's segment
    // lies in the range, and starts at its first point inside it.
    const bool segmentCase = m_navEnabled && m_segModeRequested && WorkFileSegmentCount(s.workFile) > 0 &&
                             s.workFile->segmentBlocks;
    bool outside = end < off + first || off + last < start;
    if (segmentCase && !outside) {
      const MS_SEGMENT_BLOCK* seg = WorkFileSegment(s.workFile, m_navSegCurrent - 1);
      outside = !seg || end < off + seg->startTime || off + seg->endTime < start;
    }
    if (outside) {
      SetFlag(t.inView, &t.inViewCount, i, false);
      s.inView = 0;
      continue;
    }
    uint32_t a = 0;
    double aTime = first;
    if (segmentCase) {
      while (a < n - 1 && off + NePointAt(dp->points, a)->time < start) ++a;
      aTime = NePointAt(dp->points, a)->time;
    } else if (off + first <= start) {
      while (a < n && off + NePointAt(dp->points, a)->time < start) ++a;
      if (a >= n) a = n - 1;
      if (a > 0) --a;
      aTime = NePointAt(dp->points, a)->time;
    }
    uint32_t b = n - 1;
    double bTime = last;
    if (end <= off + last) {
      while (b > 0 && off + NePointAt(dp->points, b)->time >= end) --b;
      bTime = NePointAt(dp->points, b)->time;
    }
    t.firstShownIndex[i] = static_cast<int32_t>(a);
    t.lastShownIndex[i] = static_cast<int32_t>(b);
    t.firstShownTime[i] = aTime;
    t.lastShownTime[i] = bTime;
    SetFlag(t.inView, &t.inViewCount, i, true);
    s.inView = 1;
  }
  UpdateMinMaxInDataInfo();
}

void CCtlOPlot::UpdateMinMaxInDataInfo() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  OVERLAY_TAIL& t = o->tail;
  const int16_t kind = m_filtering[0];
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (o->head.maximised && o->head.maximisedSlot != i) continue;
    t.minInView[i] = t.maxInView[i] = 0;
    const OVERLAY_SLOT& s = o->slots[i];
    const STRUCT_NE_DATA_POINTS* dp = s.trace;
    if (!t.inView[i] || !o->head.shown[i] || !t.attached[i] || !dp) continue;
    const STRUCT_WORK_FILE* wf = s.workFile;
    // Raw MS files, scaled traces, detector files and plots other than the
    // first three kinds have no filtered points to look at.
    const bool mainOnly = !wf || wf->directHeader || wf->timeTagged ||
                          (wf->sectioned && !wf->centroid && !wf->profile) || s.plotKind > 2;
    // Scaled traces show their values times the detector's factor.
    const double factor = WorkFileValueFactor(wf);
    const STRUCT_NE_POINT_BLOCK* blocks[2] = {nullptr, nullptr};
    uint32_t counts[2] = {0, 0};
    if (mainOnly || kind == 0 || kind == 2) blocks[0] = dp->points, counts[0] = dp->pointCount;
    if (!mainOnly && (kind == 1 || kind == 2)) blocks[1] = dp->filtered, counts[1] = dp->filteredCount;
    bool seen = false;
    double lo = 0, hi = 0;
    for (int b = 0; b < 2; ++b) {
      if (!blocks[b] || counts[b] == 0) continue;
      const int32_t first = std::max(int32_t{t.firstShownIndex[i]}, 0);
      const int32_t last = std::min(int32_t{t.lastShownIndex[i]}, static_cast<int32_t>(counts[b]) - 1);
      for (int32_t k = first; k <= last; ++k) {
        const double v = NePointValue(blocks[b], static_cast<uint32_t>(k)) * factor;
        if (!seen || v < lo) lo = v;
        if (!seen || v > hi) hi = v;
        seen = true;
      }
    }
    t.minInView[i] = lo;
    t.maxInView[i] = hi;
  }
}

void CCtlOPlot::UpdateOverlayDisplay(double start, double end, short newData, short keepScales, short plotType) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  UpdateOverlayPlotData(start, end, plotType);
  if (o->head.shownCount <= 0) {
    if (o->tail.attachedCount <= 0)
      OnNoPlotData(0, 0);
    else {
      SizeControls();
      RepaintUnlessSuspended();
    }
    return;
  }
  if (newData)
    OnNewPlotData(0, 0);
  else
    OnNewTimeRange(keepScales, 0);
}

void CCtlOPlot::DeleteOnePlot(short slot, short notify) {
  ForgetSegmentFile();
  if (!OverlaySlotIndex(slot) || !m_pOverlay) return;
  // Spectra taken from this plot lose their markers; the review layout drops them too.
  if (auto* drm = static_cast<CDataReviewManager*>(m_pDataReview)) {
    for (int16_t c = 0; c < DRM_CONTROLS; ++c)
      for (int16_t sp = 0; sp < DRM_PLOTS; ++sp) {
        STRUCT_SPT_MARKER marker{};
        if (!drm->GetMarker(c, sp, &marker) || marker.chroPlotIndex != slot) continue;
        drm->ClearMarker(c, sp);
        OnClearMarkerInfo(static_cast<WPARAM>(c), static_cast<LPARAM>(sp));
        if (m_dataReviewToolbar && notify) {
          drm->DeleteSpectrum(c, sp);
          PostNotification(24, OPLOT_ROUTE_PARENT);
        }
      }
  }
  HandOverVersionFile(slot);
  std::memset(&m_identity[slot], 0, sizeof m_identity[slot]);
  std::memset(&m_slotFiles[slot], 0, sizeof m_slotFiles[slot]);
  if (m_pLabels) m_pLabels->DeleteLabelsForPlot(slot);
  OPLOT_ClearPlotFromOverlayStructure(m_pOverlay, slot);
  FreeOneSlotAnnotations(slot);
  m_slotMarks[slot] = 0;
  QuickInt_CloseDialog(slot);
  QuickInt_CloseDialog(20);
  CloseBackgroundCorrectionDialog();
  if (m_activePlot == slot) m_activePlot = -1;
  // The slot's text flags go, the others stay where they were drawn; the
  // table is compacted and what it no longer holds is zero.
  int16_t kept = 0;
  const int16_t held = std::clamp<int16_t>(m_nTextFlags, 0, OPLOT_TEXT_FLAGS);
  for (int16_t k = 0; k < held; ++k)
    if (m_TextFlags[k].slot != slot) m_TextFlags[kept++] = m_TextFlags[k];
  for (int16_t k = kept; k < OPLOT_TEXT_FLAGS; ++k) m_TextFlags[k] = STRUCT_OPLOT_TEXT_FLAG{};
  m_nTextFlags = kept;
  KeepNavigatorSegment();
}

void CCtlOPlot::HandOverVersionFile(short slot) {
  const STRUCT_OPLOT_SLOT_FILE& mine = m_slotFiles[slot];
  const STRUCT_WORK_FILE* wf = m_pOverlay->slots[slot].workFile;
  if (!IsSecurityEnabled() || !mine.versionPending || !wf) return;
  char versionFile[sizeof mine.versionFile + 1] = {};
  std::memcpy(versionFile, mine.versionFile, sizeof mine.versionFile);
  // Another slot showing the same data file carries the version file on.
  bool shownElsewhere = false;
  for (int k = 0; k < OPLOT_SLOTS; ++k) {
    const STRUCT_WORK_FILE* other = m_pOverlay->slots[k].workFile;
    if (k == slot || !m_pOverlay->tail.attached[k] || !other || _stricmp(other->filePath, wf->filePath) != 0) continue;
    shownElsewhere = true;
    STRUCT_OPLOT_SLOT_FILE& heir = m_slotFiles[k];
    if (heir.versionPending && std::strncmp(heir.versionFile, mine.versionFile, sizeof heir.versionFile) != 0) continue;
    heir.versionPending = 1;
    std::memcpy(heir.versionFile, mine.versionFile, sizeof heir.versionFile);
    return;
  }
  char path[sizeof wf->filePath + 1] = {}, name[sizeof m_pOverlay->slots[slot].displayFileName + 1] = {};
  std::memcpy(path, wf->filePath, sizeof wf->filePath);
  std::memcpy(name, m_pOverlay->slots[slot].displayFileName, sizeof m_pOverlay->slots[slot].displayFileName);
  HandleTerminatingVersionTempFile(path, versionFile, name);
  // While another slot shows the file its name stays listed.
  if (shownElsewhere || !m_pListBox || !m_pListBox->m_hWnd) return;
  const int at = m_pListBox->FindStringExact(-1, path);
  if (at >= 0) m_pListBox->DeleteString(static_cast<UINT>(at));
}

// ---- The control-made overlay -----------------------------------------------

LRESULT CCtlOPlot::OnDisplaySetFile(WPARAM, LPARAM lParam) {
  // Answers the slot used plus one, so that slot 0 is told from failure (0).
  if (m_controlKind == 3 || m_controlKind == 4 || !lParam) return 0;
  const auto* r = reinterpret_cast<const STRUCT_OPLOT_DISPLAY_FILE*>(lParam);
  // A slot that does not exist is refused before anything changes.
  if (!r->useFirstFreeSlot && !OverlaySlotIndex(r->slot)) return 0;
  // So is a range or an acquisition end that is no time.
  if (r->useGivenRange && !UsableRange(r->rangeStart, r->rangeEnd)) return 0;
  if (r->acquiring && !(std::isfinite(r->expectedEndTime) && r->expectedEndTime >= 0.0)) return 0;
  char path[sizeof r->path + 1] = {};
  std::memcpy(path, r->path, sizeof r->path);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
  if (!wf) return 0;
  if (r->acquiring) {
    wf->endTime = r->expectedEndTime;
    wf->startTime = 0.0;
    wf->live = 1;
  } else if (IsSecurityEnabled() && !VerifyDataFile(nullptr, wf->filePath, 1)) {
    FreeWorkFileStruct(wf);
    return 0;
  }
  SVW_OVERLAY* const previous = m_pOverlay;
  const bool madeOverlay = !m_ownOverlay || !m_pOverlay;
  if (madeOverlay) {
    auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    if (!o) {
      FreeWorkFileStruct(wf);
      return 0;
    }
    m_pOverlay = o;
    m_ownOverlay = 1;
    o->head.displayMode = 0;
    o->head.activePlot = -1;
  }
  SVW_OVERLAY* o = m_pOverlay;
  CancelMaximizePlot();
  int slot = -1;
  if (r->useFirstFreeSlot) {
    for (int i = 0; i < OPLOT_SLOTS && slot < 0; ++i)
      if (!o->tail.attached[i]) slot = i;
    if (slot < 0) slot = OPLOT_SLOTS - 1;
  } else {
    slot = r->slot;
  }
  const bool replaced = !madeOverlay && o->tail.attached[slot];
  DeleteOnePlot(static_cast<short>(slot), 0);
  double start = wf->startTime, end = wf->endTime;
  if (r->useGivenRange) {
    start = r->rangeStart;
    end = r->rangeEnd;
  } else if (r->useDisplayedRange && m_hasData) {
    start = o->tail.viewStart;
    end = o->tail.viewEnd;
  }
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  char units[OVERLAY_UNITS_SIZE] = {};
  if (r->unitsGiven) {
    std::memcpy(units, r->units, sizeof units - 1);
  } else {
    KELT_GetUnitsForDataType(r->plotKind, r->massList.kind, 0, wf, units);
  }
  char label[sizeof r->labelText + 1] = {};
  std::memcpy(label, r->labelText, sizeof r->labelText);
  char plotText[sizeof r->plotText + 1] = {};
  std::memcpy(plotText, r->plotText, sizeof r->plotText);
  const int32_t added = OPLOT_RENT_AddAnyPlotToOverlayStructure(
      o, static_cast<int16_t>(slot), wf, nullptr, nullptr, 0, static_cast<uint16_t>(r->plotKind),
      static_cast<uint16_t>(r->plotSubKind), &r->massList, &r->chanList, nullptr, units, plotText, start, end);
  if (!added) {
    // Nothing to show in that range: a failure that leaves the control as
    // it was, or as after the replaced plot was cleared.
    FreeWorkFileStruct(wf);
    if (madeOverlay) {
      FreeBlock(o);
      m_pOverlay = previous;
      m_ownOverlay = 0;
    } else if (replaced) {
      m_waitingForData = 1;
      UpdateOverlayPlotType();
      UpdateOverlayDisplay(o->tail.viewStart, o->tail.viewEnd, 1, 0, o->head.displayMode);
    }
    SetCursor(old);
    return 0;
  }
  OVERLAY_SLOT& s = o->slots[slot];
  s.filePresent = 1;  // the slot owns the work file from here
  // The slot frees its segment-plot record: it keeps a copy, the sender its own.
  if (r->segPlots && !s.segPlots) {
    // The record is read no further than its block holds, whatever its count says.
    const STRUCT_SEG_PLOTS* from = r->segPlots;
    size_t count = from->count;
    const uint32_t held = GetBlockSize(from);
    if (held >= sizeof from->count) count = std::min(count, (held - sizeof from->count) / sizeof(SEG_PLOT_ENTRY));
    const size_t bytes = SegPlotsSize(count ? count : 1);
    const size_t readable = held >= sizeof from->count ? held : SegPlotsSize(count);
    if (auto* copy = static_cast<STRUCT_SEG_PLOTS*>(AllocBlock(static_cast<uint32_t>(bytes)))) {
      std::memcpy(copy, from, std::min(bytes, readable));
      copy->count = static_cast<uint16_t>(count);
      s.segPlots = copy;
    }
  }
  std::memcpy(s.labelText, label, sizeof s.labelText);
  s.labelText[sizeof s.labelText - 1] = 0;
  std::memcpy(s.displayFileName, r->displayFileName, sizeof s.displayFileName);
  s.displayFileName[sizeof s.displayFileName - 1] = 0;
  s.versionNumber = r->versionNumber;
  s.versionCount = r->versionCount;
  s.reference = r->reference;
  // The overlay's last slot word, which the drawing engine never reads.
  s.reserved = r->extractedVersion;
  STRUCT_OPLOT_SLOT_FILE& f = m_slotFiles[slot];
  std::memcpy(f.altPath, r->altPath, sizeof f.altPath);
  f.altPath[sizeof f.altPath - 1] = 0;
  f.versionPending = r->versionPending ? 1 : 0;
  std::memcpy(f.versionFile, r->versionFile, sizeof f.versionFile);
  f.versionFile[sizeof f.versionFile - 1] = 0;
  f.slotValue = r->slotValue;
  // The hidden list names the data files whose version file is pending.
  if (f.versionPending && m_pListBox && m_pListBox->m_hWnd && m_pListBox->FindStringExact(-1, wf->filePath) < 0)
    m_pListBox->AddString(wf->filePath);
  OPLOT_MakeSlotPlotTitle(o, static_cast<int16_t>(slot), s.title);
  UpdateOverlayPlotType();
  UpdateOverlayPlotData(start, end, o->head.displayMode);
  if (o->head.shownCount <= 0)
    OnNoPlotData(0, 0);
  else
    OnNewPlotData(0, 0);
  SetCursor(old);
  if (r->acquiring) SetTimer(kLiveTimer, kLiveTimerMs);
  KeepNavigatorSegment();
  return slot + 1;
}

LRESULT CCtlOPlot::OnDisplayClearFile(WPARAM wParam, LPARAM) {
  const int slot = static_cast<int>(static_cast<int16_t>(wParam));
  if (!m_ownOverlay || !m_pOverlay || !OverlaySlotIndex(slot)) return 0;
  m_waitingForData = 1;
  CancelMaximizePlot();
  DeleteOnePlot(static_cast<short>(slot), 0);
  UpdateOverlayPlotType();
  UpdateOverlayDisplay(m_pOverlay->tail.viewStart, m_pOverlay->tail.viewEnd, 1, 0, m_pOverlay->head.displayMode);
  return 0;
}

LRESULT CCtlOPlot::OnDisplaySetTimeRange(WPARAM, LPARAM lParam) {
  if (!m_ownOverlay || !m_pOverlay || !lParam || !m_hasData) return 0;
  const auto* range = reinterpret_cast<const double*>(lParam);
  double start = range[0], end = range[1];
  if (!UsableRange(start, end)) return 0;
  if (start == 0.0 && end == 0.0) {
    start = m_pOverlay->tail.viewStart;
    end = m_pOverlay->tail.viewEnd;
  }
  UpdateOverlayDisplay(start, end, 1, 0, m_pOverlay->head.displayMode);
  return 1;
}

LRESULT CCtlOPlot::OnDisplaySetPlotType(WPARAM wParam, LPARAM) {
  if (!m_ownOverlay || !m_pOverlay) return 0;
  const auto type = static_cast<int16_t>(wParam);
  if (!KnownPlotType(type) || type == m_pOverlay->head.displayMode) return 0;
  if (!m_hasData)
    m_pOverlay->head.displayMode = type;
  else
    HandleNewPlotType(type);
  RepaintUnlessSuspended();
  return 1;
}

LRESULT CCtlOPlot::OnDisplaySetONStatus(WPARAM wParam, LPARAM lParam) {
  const int slot = static_cast<int>(static_cast<int16_t>(wParam));
  if (!m_ownOverlay || !m_pOverlay || !OverlaySlotIndex(slot)) return 0;
  OVERLAY_HEAD& h = m_pOverlay->head;
  const bool on = lParam != 0;
  // Only a slot that holds a plot can be switched on.
  if ((h.shown[slot] != 0) == on || (on && !m_pOverlay->tail.attached[slot])) return 0;
  SetFlag(h.shown, &h.shownCount, slot, on);
  RepaintUnlessSuspended();
  return 1;
}

LRESULT CCtlOPlot::OnDisplayNoRepaint(WPARAM wParam, LPARAM) {
  m_noRepaint = wParam ? 1 : 0;
  if (!m_noRepaint) {
    // Slots may have come and gone while repainting was suspended.
    if (m_pOverlay && m_pOverlay->head.displayMode == OVERLAY_MODE_TWO_SCALES) UpdateLeftRightIndexes();
    SizeControls();
    RepaintUnlessSuspended();
  }
  return 0;
}
