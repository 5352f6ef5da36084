// The overlay control's scales: the sliders beside the plots, the time
// scroll bar and its two window buttons, the full-scale commands, the ring
// of saved scale states, and the rule that keeps a scale's height on the
// data floor across a scroll. The control never reads data for a new time
// range: it records the request and the owner answers with new data.
#include <cmath>
#include <cstring>
#include <utility>

#include "overlayctl/overlay_plot_control.h"
#include "specialctl/gain_slider.h"

namespace {

bool InUse(const SVW_OVERLAY* o, int i) { return o->head.shown[i] && o->tail.inView[i]; }
bool Unset(double low, double high) { return low == 0 && high == 0; }
double Offset(const SVW_OVERLAY* o, int i) { return o->tail.verticalOffsetsOn ? o->tail.verticalOffsets[i] : 0; }

// The smallest data minimum of the slots in use (of one unit when given); false when none.
bool DataFloor(const SVW_OVERLAY* o, const char* unit, double* floor) {
  bool any = false;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!InUse(o, i)) continue;
    if (unit && std::strncmp(o->slots[i].units, unit, OVERLAY_UNITS_SIZE) != 0) continue;
    if (!any || o->tail.minInView[i] < *floor) *floor = o->tail.minInView[i];
    any = true;
  }
  return any;
}

// The data floor of one side of the dual scale: over the plots of its plot's
// unit. A side without a plot (index 20) has none, so it keeps no height.
bool SideFloor(const SVW_OVERLAY* o, int sidePlot, double* floor) {
  return OverlaySlotIndex(sidePlot) && DataFloor(o, o->slots[sidePlot].units, floor);
}

bool Finite(double v) { return std::isfinite(v); }

// A scroll position or step in the bar's units, 0 to 10000, truncated; a
// damaged range (no number) counts as 0.
int16_t ScrollUnits(double v) { return static_cast<int16_t>(!(v > 0) ? 0 : (v > 10000 ? 10000 : v)); }

}  // namespace

// ---- Automatic scales ------------------------------------------------------------

namespace {
// Least margin above and below an automatic scale: ion counts of MS data are
// whole numbers, detector values may be tiny. The drawing engine uses the same rule.
double MinimumMargin(const STRUCT_WORK_FILE* wf) { return IsMSKind(wf) ? 2.5 : 5e-8; }

void WithMargin(double low, double high, double least, double* outLow, double* outHigh) {
  double margin = (high - low) / 20;
  if (margin < least) margin = least;
  *outLow = low - margin;
  *outHigh = high + margin;
}
}  // namespace

void CCtlOPlot::AutoScaleOneVert(double* low, double* high) {
  if (m_pOverlay && low && high) OPLOT_AutoScaleOneVert(m_pOverlay, low, high);
}

void CCtlOPlot::AutoScaleOneOfTwoVerts(short plot, double* low, double* high) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !low || !high) return;
  *low = -2.5;
  *high = 2.5;
  if (!OverlaySlotIndex(plot) || !o->slots[plot].workFile) return;
  // The plot's group: itself and every later plot in use of the same unit.
  bool any = false;
  double lo = 0, hi = 0;
  for (int i = plot; i < OVERLAY_SLOTS; ++i) {
    if (!InUse(o, i) || std::strncmp(o->slots[i].units, o->slots[plot].units, OVERLAY_UNITS_SIZE) != 0) continue;
    const double a = o->tail.minInView[i] + Offset(o, i), b = o->tail.maxInView[i] + Offset(o, i);
    lo = any && lo < a ? lo : a;
    hi = any && hi > b ? hi : b;
    any = true;
  }
  if (any) WithMargin(lo, hi, MinimumMargin(o->slots[plot].workFile), low, high);
}

void CCtlOPlot::AutoScaleSepVert(short plot, double* low, double* high) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !low || !high || !OverlaySlotIndex(plot) || !o->slots[plot].workFile) return;
  WithMargin(o->tail.minInView[plot] + Offset(o, plot), o->tail.maxInView[plot] + Offset(o, plot),
             MinimumMargin(o->slots[plot].workFile), low, high);
}

namespace {
// Autoscale results land in the packed scale block by value.
#define SCALE_INTO(low, high, call) \
  do {                                \
    double lo_ = (low), hi_ = (high); \
    double* l = &lo_;                 \
    double* h = &hi_;                 \
    call;                             \
    (low) = lo_;                      \
    (high) = hi_;                     \
  } while (0)
}  // namespace

void CCtlOPlot::UpdateLeftRightIndexes() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  int left = OVERLAY_SLOTS, right = OVERLAY_SLOTS;
  for (int i = 0; i < OVERLAY_SLOTS && left == OVERLAY_SLOTS; ++i)
    if (InUse(o, i)) left = i;
  for (int i = left + 1; i < OVERLAY_SLOTS && right == OVERLAY_SLOTS; ++i)
    if (InUse(o, i) && std::strncmp(o->slots[i].units, o->slots[left].units, OVERLAY_UNITS_SIZE) != 0) right = i;
  if (right < OVERLAY_SLOTS && std::strncmp(o->slots[right].units, "Counts", OVERLAY_UNITS_SIZE) == 0)
    std::swap(left, right);
  o->tail.scales.leftAxisPlot = static_cast<int16_t>(left);
  o->tail.scales.rightAxisPlot = static_cast<int16_t>(right);
}

void CCtlOPlot::SetVerticalFullScale(short left, short right) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  switch (o->head.displayMode) {
    case OVERLAY_MODE_OVERLAID:
      SCALE_INTO(s.commonLow, s.commonHigh, AutoScaleOneVert(l, h));
      break;
    case OVERLAY_MODE_TWO_SCALES:
      UpdateLeftRightIndexes();
      // A side without a plot (index 20) keeps its scale.
      if (left && OverlaySlotIndex(s.leftAxisPlot))
        SCALE_INTO(s.commonLow, s.commonHigh, AutoScaleOneOfTwoVerts(s.leftAxisPlot, l, h));
      if (right && OverlaySlotIndex(s.rightAxisPlot))
        SCALE_INTO(s.rightLow, s.rightHigh, AutoScaleOneOfTwoVerts(s.rightAxisPlot, l, h));
      break;
    case OVERLAY_MODE_NORMALISED:
      s.commonLow = -5;
      s.commonHigh = 105;
      [[fallthrough]];
    default:
      for (int i = 0; i < OVERLAY_SLOTS; ++i)
        if (InUse(o, i)) SCALE_INTO(s.plotLow[i], s.plotHigh[i], AutoScaleSepVert(static_cast<short>(i), l, h));
      break;
  }
}

void CCtlOPlot::InitUnsetVerticalScales() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  switch (o->head.displayMode) {
    case OVERLAY_MODE_OVERLAID:
      if (Unset(s.commonLow, s.commonHigh)) SetVerticalFullScale(1, 0);
      break;
    case OVERLAY_MODE_TWO_SCALES:
      UpdateLeftRightIndexes();
      if (Unset(s.commonLow, s.commonHigh)) SetVerticalFullScale(1, 0);
      if (Unset(s.rightLow, s.rightHigh)) SetVerticalFullScale(0, 1);
      break;
    case OVERLAY_MODE_NORMALISED:
      for (int i = 0; i < OVERLAY_SLOTS; ++i)
        if (InUse(o, i) && o->tail.attached[i]) SCALE_INTO(s.plotLow[i], s.plotHigh[i], AutoScaleSepVert(static_cast<short>(i), l, h));
      if (Unset(s.commonLow, s.commonHigh)) {
        s.commonLow = -5;
        s.commonHigh = 105;
      }
      break;
    default:
      for (int i = 0; i < OVERLAY_SLOTS; ++i)
        if (InUse(o, i) && o->tail.attached[i] && Unset(s.plotLow[i], s.plotHigh[i]))
          SCALE_INTO(s.plotLow[i], s.plotHigh[i], AutoScaleSepVert(static_cast<short>(i), l, h));
      break;
  }
}

// ---- Kept heights across a time-range change ----------------------------------

void CCtlOPlot::Set95ScaleParams() {
  ClearKeptHeights();
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  const OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  double m = 0;
  switch (o->head.displayMode) {
    case OVERLAY_MODE_STACKED:
      for (int i = 0; i < OVERLAY_SLOTS; ++i)
        if (InUse(o, i) && o->tail.minInView[i] > s.plotLow[i]) {
          m_keepPlotHeight[i] = s.plotHigh[i] - o->tail.minInView[i];
          m_keepPlot[i] = 1;
        }
      break;
    case OVERLAY_MODE_OVERLAID:
      if (DataFloor(o, nullptr, &m) && s.commonLow < m) {
        m_keepSharedHeight = s.commonHigh - m;
        m_keepShared = 1;
      }
      break;
    case OVERLAY_MODE_TWO_SCALES:
      if (SideFloor(o, s.leftAxisPlot, &m) && s.commonLow < m) {
        m_keepSharedHeight = s.commonHigh - m;
        m_keepShared = 1;
      }
      if (SideFloor(o, s.rightAxisPlot, &m) && s.rightLow < m) {
        m_keepRightHeight = s.rightHigh - m;
        m_keepRight = 1;
      }
      break;
    default:
      break;
  }
}

void CCtlOPlot::ClearKeptHeights() {
  m_keepShared = m_keepRight = 0;
  std::memset(m_keepPlot, 0, sizeof m_keepPlot);
}

void CCtlOPlot::Use95ScaleParams() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  // The record is packed: its doubles are written by value, never through pointers.
  auto lowOf = [](double floor, double height) { return floor - 0.05 * height; };
  double m = 0;
  const int mode = o->head.displayMode;
  if (mode == OVERLAY_MODE_STACKED) {
    for (int i = 0; i < OVERLAY_SLOTS; ++i)
      if (m_keepPlot[i] && InUse(o, i)) {
        s.plotLow[i] = lowOf(o->tail.minInView[i], m_keepPlotHeight[i]);
        s.plotHigh[i] = o->tail.minInView[i] + m_keepPlotHeight[i];
      }
  } else if (mode == OVERLAY_MODE_OVERLAID) {
    if (m_keepShared && DataFloor(o, nullptr, &m)) {
      s.commonLow = lowOf(m, m_keepSharedHeight);
      s.commonHigh = m + m_keepSharedHeight;
    }
  } else if (mode == OVERLAY_MODE_TWO_SCALES) {
    if (m_keepShared && SideFloor(o, s.leftAxisPlot, &m)) {
      s.commonLow = lowOf(m, m_keepSharedHeight);
      s.commonHigh = m + m_keepSharedHeight;
    }
    if (m_keepRight && SideFloor(o, s.rightAxisPlot, &m)) {
      s.rightLow = lowOf(m, m_keepRightHeight);
      s.rightHigh = m + m_keepRightHeight;
    }
  }
  // The heights serve the one answer they were kept for; a later answer
  // (another request, or the same range sent again) finds none.
  ClearKeptHeights();
}

// ---- Saved scale states ----------------------------------------------------------

void CCtlOPlot::SaveCurrent() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || o->head.shownCount <= 0 || m_controlKind == 4) return;
  STRUCT_OPLOT_SCALE_STATE& current = m_history[m_historyCurrent];
  if (m_historyCount > 0 && current.start == o->tail.viewStart && current.end == o->tail.viewEnd &&
      current.displayMode == o->head.displayMode) {
    current.scales = o->tail.scales;
    return;
  }
  if (m_historyCount < OPLOT_SCALE_HISTORY) ++m_historyCount;
  m_historyCurrent = m_historyNext;
  STRUCT_OPLOT_SCALE_STATE& e = m_history[m_historyNext];
  e.displayMode = o->head.displayMode;
  e.start = o->tail.viewStart;
  e.end = o->tail.viewEnd;
  e.scales = o->tail.scales;
  m_historyNext = static_cast<int16_t>((m_historyNext + 1) % OPLOT_SCALE_HISTORY);
}

void CCtlOPlot::OnTTPreviousScales() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || m_historyCount < 2) return;
  if (m_tracking) OnEscapeTracking(0, 0);
  ClearKeptHeights();
  m_historyCurrent = static_cast<int16_t>(m_historyCurrent == 0 ? m_historyCount - 1 : m_historyCurrent - 1);
  const STRUCT_OPLOT_SCALE_STATE& e = m_history[m_historyCurrent];
  o->tail.scales = e.scales;
  m_zoomPending = 1;
  m_zoomStart = e.start;
  m_zoomEnd = e.end;
  m_zoomPlot = e.displayMode;
  PostNotification(1, OPLOT_ROUTE_DEFAULT);
  SizeControls();
  RepaintUnlessSuspended();
}

// ---- Time range requests -----------------------------------------------------------

void CCtlOPlot::ScrollFullRange(double* start, double* end) const {
  if ((m_navEnabled && m_segModeRequested) || m_ownFullRange) {
    *start = m_ownFullStart;
    *end = m_ownFullEnd;
  } else if (m_pOverlay) {
    *start = m_pOverlay->tail.homeStart;
    *end = m_pOverlay->tail.homeEnd;
  }
}

void CCtlOPlot::RequestTimeRange(double start, double end, unsigned short code) {
  m_zoomPending = 1;
  m_zoomStart = start;
  m_zoomEnd = end;
  m_zoomPlot = m_pOverlay ? m_pOverlay->head.displayMode : 0;
  // Heights are kept across a scroll only; any other request drops those
  // of an earlier, unanswered one.
  if (code == 2)
    Set95ScaleParams();
  else
    ClearKeptHeights();
  PostNotification(code, OPLOT_ROUTE_DEFAULT);
}

void CCtlOPlot::SetHorizontalFullScale() {
  ClearKeptHeights();
  m_zoomPending = 1;
  m_zoomStart = m_zoomEnd = 0;  // the whole data
  m_zoomPlot = m_pOverlay ? m_pOverlay->head.displayMode : 0;
}

void CCtlOPlot::OnTTFullScale(bool clearVertical) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  if (m_tracking) OnEscapeTracking(0, 0);
  if (clearVertical) {
    // Zeroed scales are rebuilt when the owner answers with the new range.
    OVERLAY_SCALE_BLOCK& s = o->tail.scales;
    if (o->head.maximised && OverlaySlotIndex(o->head.maximisedSlot)) {
      s.plotLow[o->head.maximisedSlot] = 0;
      s.plotHigh[o->head.maximisedSlot] = 0;
    } else {
      s.commonLow = s.commonHigh = s.rightLow = s.rightHigh = 0;
      for (int i = 0; i < OVERLAY_SLOTS; ++i) s.plotLow[i] = s.plotHigh[i] = 0;
    }
  }
  // The host's limited range while it is on, else its window of the data;
  // 0 to 0 asks for all of it.
  if (m_limitedRangeOn) {
    RequestTimeRange(m_limitedFrom, m_limitedEnd, 1);
    return;
  }
  const bool window = m_ownFullRange || (m_navEnabled && m_segModeRequested);
  RequestTimeRange(window ? m_ownFullStart : 0, window ? m_ownFullEnd : 0, 1);
}

namespace {
// One of the two host-given full ranges: set with a range, cleared without.
struct FullRange {
  int16_t* on;
  double* from;
  double* end;
  void Set(double a, double b) const {
    *on = 1;
    *from = a;
    *end = b;
  }
  void Clear() const {
    *on = 0;
    *from = *end = 0;
  }
};
}  // namespace

// The segment window bounds scrolling and the scroll buttons; the limited
// range is where full scale and a double click return. Setting one switches
// the other off. Either asks the owner for its range unless it is shown.
static LRESULT SetHostFullRange(CCtlOPlot* c, const FullRange& range, const FullRange& other, WPARAM wParam,
                                LPARAM lParam) {
  if (!wParam || !lParam) {
    range.Clear();
    return 0;
  }
  double r[2];
  std::memcpy(r, reinterpret_cast<const void*>(lParam), sizeof r);
  range.Set(r[0], r[1]);
  other.Clear();
  const SVW_OVERLAY* o = c->m_pOverlay;
  if (!o || (o->tail.viewStart == r[0] && o->tail.viewEnd == r[1])) return 0;
  c->RequestTimeRange(r[0], r[1], 1);
  return 0;
}

LRESULT CCtlOPlot::OnSpecialDBLCLKFullTimeRange(WPARAM wParam, LPARAM lParam) {
  return SetHostFullRange(this, {&m_ownFullRange, &m_ownFullStart, &m_ownFullEnd},
                          {&m_limitedRangeOn, &m_limitedFrom, &m_limitedEnd}, wParam, lParam);
}

LRESULT CCtlOPlot::OnLimitedDBLCLKFullTimeRange(WPARAM wParam, LPARAM lParam) {
  return SetHostFullRange(this, {&m_limitedRangeOn, &m_limitedFrom, &m_limitedEnd},
                          {&m_ownFullRange, &m_ownFullStart, &m_ownFullEnd}, wParam, lParam);
}

void CCtlOPlot::OnTTVerticalFullScale() {
  if (!m_pOverlay) return;
  if (m_tracking) OnEscapeTracking(0, 0);
  SetVerticalFullScale(1, 0);
  SaveCurrent();
  RepaintUnlessSuspended();
}

// ---- Scroll bar and window buttons -----------------------------------------------

void CCtlOPlot::SetHorzBar() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_pHScroll || !m_pHScroll->m_hWnd) return;
  double fs = 0, fe = 0;
  ScrollFullRange(&fs, &fe);
  const double view = o->tail.viewEnd - o->tail.viewStart, room = (fe - fs) - view;
  if (!(room > 0)) return;
  m_hScrollPos = ScrollUnits((o->tail.viewStart - fs) * 10000 / room);
  m_pHScroll->SetScrollPos(m_hScrollPos, TRUE);
  m_hScrollPage = view / 2 < room ? ScrollUnits((view / 2) * 10000 / room) : 10000;
  m_hScrollLine = view / 10 < room ? ScrollUnits((view / 10) * 10000 / room) : 2000;
}

void CCtlOPlot::OnHScroll(UINT code, UINT position, CWnd*) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!m_hasData || !o || !m_pHScroll || !m_pHScroll->m_hWnd || !m_scrollShown) return;
  int pos = m_hScrollPos;
  switch (code) {
    case SB_LINELEFT: pos -= m_hScrollLine; break;
    case SB_LINERIGHT: pos += m_hScrollLine; break;
    case SB_PAGELEFT: pos -= m_hScrollPage; break;
    case SB_PAGERIGHT: pos += m_hScrollPage; break;
    case SB_LEFT: pos = 0; break;
    case SB_RIGHT: pos = 10000; break;
    case SB_THUMBPOSITION: pos = static_cast<int>(position); break;
    default: break;
  }
  pos = pos < 0 ? 0 : (pos > 10000 ? 10000 : pos);
  m_hScrollPos = static_cast<int16_t>(pos);
  if (code != SB_THUMBPOSITION && code != SB_ENDSCROLL) return;
  double fs = 0, fe = 0;
  ScrollFullRange(&fs, &fe);
  const double view = o->tail.viewEnd - o->tail.viewStart;
  double start = fs + ((fe - fs) - view) * pos / 10000, end = start + view;
  if (start < fs) {
    start = fs;
    end = start + view;
  }
  if (end > fe) {
    end = fe;
    start = end - view;
    if (start < fs) start = fs;
  }
  if (!Finite(start) || !Finite(end)) return;  // a damaged range asks for nothing
  if (start != o->tail.viewStart || end != o->tail.viewEnd) RequestTimeRange(start, end, 2);
}

void CCtlOPlot::OnHorzUp() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!m_hasData || !o || !m_pHScroll || !m_scrollShown) return;
  const double view = o->tail.viewEnd - o->tail.viewStart;
  const double limit = m_navEnabled && m_segModeRequested ? m_ownFullEnd : o->tail.homeEnd;
  double end = o->tail.viewEnd + view;
  if (end > limit) end = limit;
  if (!Finite(end)) return;  // a damaged range asks for nothing
  if (end != o->tail.viewEnd) RequestTimeRange(o->tail.viewStart, end, 2);
}

void CCtlOPlot::OnHorzDown() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!m_hasData || !o || !m_pHScroll || !m_scrollShown) return;
  double fs = 0, fe = 0;
  ScrollFullRange(&fs, &fe);
  double start = o->tail.viewStart - (o->tail.viewEnd - o->tail.viewStart);
  if (start < fs) start = fs;
  if (!Finite(start)) return;
  if (start != o->tail.viewStart) RequestTimeRange(start, o->tail.viewEnd, 2);
}

// ---- Sliders ---------------------------------------------------------------------

void CCtlOPlot::SetVertBars() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  const OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  const int mode = o->head.displayMode;
  if (mode == OVERLAY_MODE_NORMALISED) return;
  if (mode == OVERLAY_MODE_STACKED) {
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      if (!InUse(o, i) || !m_pSliders[i]) continue;
      double r[4] = {s.plotLow[i], s.plotHigh[i], o->tail.minInView[i] + Offset(o, i),
                     o->tail.maxInView[i] + Offset(o, i)};
      m_pSliders[i]->SendMessage(VSM_SETRANGEPOSITION, 0, reinterpret_cast<LPARAM>(r));
    }
    return;
  }
  if (!m_pSliders[0]) return;
  int first = mode == OVERLAY_MODE_TWO_SCALES ? s.leftAxisPlot : -1;
  for (int i = 0; first < 0 && i < OVERLAY_SLOTS; ++i)
    if (InUse(o, i)) first = i;
  bool shown = m_controlKind == 4;
  if (OverlaySlotIndex(first)) {
    const unsigned kind = o->slots[first].plotKind;
    shown = shown || kind < 4 || kind >= 18;
  }
  double lo = 0, hi = 0;
  bool any = false;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!InUse(o, i)) continue;
    const double a = o->tail.minInView[i] + Offset(o, i), b = o->tail.maxInView[i] + Offset(o, i);
    lo = any && lo < a ? lo : a;
    hi = any && hi > b ? hi : b;
    any = true;
  }
  if (!shown || !any || lo == hi || s.commonLow == s.commonHigh) {
    m_pSliders[0]->SendMessage(VSM_NORANGE, 0, 0);
    return;
  }
  double r[4] = {s.commonLow, s.commonHigh, lo, hi};
  m_pSliders[0]->SendMessage(VSM_SETRANGEPOSITION, 0, reinterpret_cast<LPARAM>(r));
}

void CCtlOPlot::AdjustSeparateMargin(short plot) {
  if (!m_pOverlay || !OverlaySlotIndex(plot) || !m_pSliders[plot]) return;
  double r[2] = {};
  if (m_pSliders[plot]->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(r))) {
    m_pOverlay->tail.scales.plotLow[plot] = r[0];
    m_pOverlay->tail.scales.plotHigh[plot] = r[1];
  }
}

void CCtlOPlot::OnVScale(int slot) {
  if (!m_pOverlay || !OverlaySlotIndex(slot)) return;
  if (slot == 0 && m_pOverlay->head.displayMode != OVERLAY_MODE_STACKED) {
    double r[2] = {};
    if (m_pSliders[0] && m_pSliders[0]->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(r))) {
      m_pOverlay->tail.scales.commonLow = r[0];
      m_pOverlay->tail.scales.commonHigh = r[1];
    }
  } else {
    AdjustSeparateMargin(static_cast<short>(slot));
  }
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot::OnSetPlotScales(WPARAM, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_hasData || !o || !lParam) return 0;
  STRUCT_OPLOT_SET_SCALES r;
  std::memcpy(&r, reinterpret_cast<const void*>(lParam), sizeof r);
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  const int mode = o->head.displayMode;
  if (mode == OVERLAY_MODE_TWO_SCALES) UpdateLeftRightIndexes();
  // A pair holding a value that is no finite number leaves its scale as it was.
  const bool first = Finite(r.low1) && Finite(r.high1), second = Finite(r.low2) && Finite(r.high2);
  if (mode == OVERLAY_MODE_STACKED) {
    if (!OverlaySlotIndex(r.plot) || !first) return 0;
    if (r.low1 == r.high1) {
      SCALE_INTO(s.plotLow[r.plot], s.plotHigh[r.plot], AutoScaleSepVert(r.plot, l, h));
    } else {
      s.plotLow[r.plot] = r.low1;
      s.plotHigh[r.plot] = r.high1;
    }
  } else {
    // A side of the dual scale without a plot (index 20) is never autoscaled.
    if (first && r.low1 != r.high1) {
      s.commonLow = r.low1;
      s.commonHigh = r.high1;
    } else if (first && mode == OVERLAY_MODE_OVERLAID) {
      SCALE_INTO(s.commonLow, s.commonHigh, AutoScaleOneVert(l, h));
    } else if (first && mode == OVERLAY_MODE_NORMALISED) {
      if (OverlaySlotIndex(r.plot)) SCALE_INTO(s.plotLow[r.plot], s.plotHigh[r.plot], AutoScaleSepVert(r.plot, l, h));
    } else if (first && OverlaySlotIndex(s.leftAxisPlot)) {
      SCALE_INTO(s.commonLow, s.commonHigh, AutoScaleOneOfTwoVerts(s.leftAxisPlot, l, h));
    }
    if (mode == OVERLAY_MODE_TWO_SCALES && second) {
      if (r.low2 != r.high2) {
        s.rightLow = r.low2;
        s.rightHigh = r.high2;
      } else if (OverlaySlotIndex(s.rightAxisPlot)) {
        SCALE_INTO(s.rightLow, s.rightHigh, AutoScaleOneOfTwoVerts(s.rightAxisPlot, l, h));
      }
    }
  }
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnShowExpScales(WPARAM wParam, LPARAM) {
  m_prefs.features.showExponentScales = static_cast<int16_t>(wParam);
  KeepPreferences();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}
