// The point-fed overlay plot control: slots opened by title, raw points fed
// one at a time or in batches, the filtered trace smoothed after every raw
// point and the apex of its maximum labelled.
#include "specialctl/point_fed_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "common/library_classes.h"
#include "overlayctl/plot_control_window.h"
#include "specialctl/gain_slider.h"
#include "orvik32/orvik32.h"
#include "specialctl/owned_plot_slots.h"
#include "specialctl/point_smoothing.h"

namespace {

// By value: the records' doubles are packed and may not be bound to references.
double Lesser(double a, double b) { return b < a ? b : a; }
double Greater(double a, double b) { return b > a ? b : a; }

constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
// The 11th point of a slot ends the initial scaling.
constexpr uint32_t kInitialScalingPoints = 11;

using kelt::owned::kBlockPoints;

bool Finite(double v) { return std::isfinite(v); }

// Index of the first point whose time is not below t (points sorted by time).
uint32_t LowerBound(const STRUCT_NE_POINT_BLOCK* block, uint32_t count, double t) {
  uint32_t lo = 0, hi = count;
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (NePointAt(block, mid)->time < t) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

bool StrictlyIncreasing(const STRUCT_NE_POINT_BLOCK* block, uint32_t count) {
  for (uint32_t i = 1; i < count; ++i)
    if (!(NePointAt(block, i)->time > NePointAt(block, i - 1)->time)) return false;
  return true;
}

// Sorts the points by time, keeping the first of equal times; the new count.
uint32_t SortedUnique(STRUCT_NE_POINT_BLOCK* block, uint32_t count) {
  std::vector<STRUCT_NE_POINT> points(NePointAt(block, 0), NePointAt(block, 0) + count);
  std::stable_sort(points.begin(), points.end(),
                   [](const STRUCT_NE_POINT& a, const STRUCT_NE_POINT& b) { return a.time < b.time; });
  auto end = std::unique(points.begin(), points.end(),
                         [](const STRUCT_NE_POINT& a, const STRUCT_NE_POINT& b) { return a.time == b.time; });
  const auto kept = static_cast<uint32_t>(end - points.begin());
  std::copy(points.begin(), end, NePointAt(block, 0));
  return kept;
}

void SortByTime(STRUCT_NE_POINT_BLOCK* block, uint32_t count) {
  std::qsort(NePointAt(block, 0), count, NE_POINT_SIZE, ComparePointTimes);
}

}  // namespace

// ---- Window class ------------------------------------------------------------------------------

ATOM CCtlOPlot4::Register() { return kelt::lib::RegisterLibraryClass(kClassName, CtlOP4WndProc, kClassStyle); }
BOOL CCtlOPlot4::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }

LRESULT CALLBACK CtlOP4WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return kelt::overlay::ControlWindowProc<CCtlOPlot4>(hwnd, message, wParam, lParam);
}

CCtlOPlot4* CreateOPlot4Control(CWnd* parent, short id, short left, short top, short right, short bottom) {
  return kelt::overlay::CreateControl<CCtlOPlot4>(parent, id, left, top, right, bottom);
}

CCtlOPlot4::CCtlOPlot4() {
  const int16_t filtering[6] = {0, 4, 2, 0, 0, 4};
  std::memcpy(m_filtering, filtering, sizeof m_filtering);
}

CCtlOPlot4::~CCtlOPlot4() = default;

BEGIN_MESSAGE_MAP(CCtlOPlot4, CCtlOPlot1)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_LBUTTONDBLCLK()
ON_MESSAGE(OPM_KEEPPREFERENCES, OnKeepPreferences)
ON_MESSAGE(OP4M_NEWPLOTS, OnXNewPlots)
ON_MESSAGE(OP4M_NEWRANGE, OnXNewRange)
ON_MESSAGE(OP4M_NEWTITLE, OnXNewTitle)
ON_MESSAGE(OP4M_NEWRAWPOINT, OnXNewRawPoint)
ON_MESSAGE(OP4M_NEWRAWPOINTS, OnXNewRawPoints)
ON_MESSAGE(OP4M_NEWFILTEREDPOINT, OnXNewFilteredPoint)
ON_MESSAGE(OP4M_CLEARPLOT, OnXClearPlot)
ON_MESSAGE(OP4M_SETSUBLEVEL, OnSetSublevel)
END_MESSAGE_MAP()

int CCtlOPlot4::OnCreate(CREATESTRUCTA* cs) {
  // The base takes the filter settings from the preferences; the smoothing
  // width starts at its own default all the same.
  int16_t own[6];
  std::memcpy(own, m_filtering, sizeof own);
  const int r = CCtlOPlot1::OnCreate(cs);
  if (r == -1) return r;
  m_filtering[2] = own[2];
  m_controlKind = 4;
  m_toolbarLayout = 6;
  m_moduleScaleMode = 1;
  m_handlesOwnNotifications = 1;
  m_hideActiveButtons = 1;
  m_pOverlay = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  m_ownOverlay = m_pOverlay ? 1 : 0;
  FollowFilterKind();
  if (m_showToolbar) CreateToolBar();
  return r;
}

void CCtlOPlot4::OnDestroy() {
  ClearOwnedPlotData();
  if (m_pOverlay) FreeBlock(m_pOverlay);
  m_pOverlay = nullptr;
  m_ownOverlay = 0;
  CCtlOPlot::OnDestroy();
}

// ---- Slots -------------------------------------------------------------------------------------

void CCtlOPlot4::FreeSlotData(int slot) {
  if (!OverlaySlotIndex(slot)) return;
  kelt::owned::FreeSlot(m_pOverlay, slot);
  m_rawCapacity[slot] = m_filteredCapacity[slot] = 0;
  if (m_pLabels) m_pLabels->DeleteLabelsForPlot(static_cast<short>(slot));
}

void CCtlOPlot4::ClearOwnedPlotData() {
  for (int i = 0; i < OPLOT_SLOTS; ++i) FreeSlotData(i);
  if (m_pOverlay) std::memset(static_cast<void*>(m_pOverlay), 0, sizeof(SVW_OVERLAY));
  m_hasData = 0;
}

LRESULT CCtlOPlot4::OnXNewPlots(WPARAM, LPARAM lParam) {
  if (!m_pOverlay || !lParam) return 0;
  if (m_tracking) OnEscapeTracking(0, 0);
  ClearOwnedPlotData();
  std::memcpy(&m_lastPlots, reinterpret_cast<const void*>(lParam), sizeof m_lastPlots);
  m_startTime = m_lastPlots.startTime;
  m_endTime = m_lastPlots.endTime;
  char* axis = m_pOverlay->head.timeUnit;
  // The host's text need not end within its room; the axis keeps what fits.
  std::memset(axis, 0, sizeof m_pOverlay->head.timeUnit);
  for (size_t i = 0; i + 1 < sizeof m_pOverlay->head.timeUnit && i < sizeof m_lastPlots.axisText; ++i) {
    if (!m_lastPlots.axisText[i]) break;
    axis[i] = m_lastPlots.axisText[i];
  }
  return 0;
}

LRESULT CCtlOPlot4::OnXNewTitle(WPARAM wParam, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  const int slot = static_cast<int16_t>(wParam);
  if (!o || !lParam || !OverlaySlotIndex(slot)) return 0;
  if (m_tracking) OnEscapeTracking(0, 0);
  // A slot opened again starts afresh: its old blocks are freed, not lost.
  const bool reopened = o->head.shown[slot] == 1 || o->slots[slot].trace;
  char title[OVERLAY_TITLE_SIZE] = {};
  std::strncpy(title, reinterpret_cast<const char*>(lParam), sizeof title - 1);
  kelt::owned::SlotPlan plan;
  plan.start = m_startTime;
  plan.end = m_endTime;
  plan.dataType = DATA_TYPE_EXTRA_COLUMN;
  plan.title = title;
  // A failure leaves the slot as it was.
  const OVERLAY_SLOT kept = o->slots[slot];
  if (!kelt::owned::OpenSlot(o, slot, plan)) {
    RepaintUnlessSuspended();
    return 0;
  }
  if (reopened) {
    OVERLAY_SLOT fresh = o->slots[slot];
    o->slots[slot] = kept;
    FreeSlotData(slot);
    o->slots[slot] = fresh;
  }
  m_rawCapacity[slot] = m_filteredCapacity[slot] = kBlockPoints;
  if (o->tail.attachedCount == 0) {
    o->head.displayMode = OVERLAY_MODE_OVERLAID;
    o->head.activePlot = 0;
  }
  o->head.shown[slot] = 1;
  o->tail.inView[slot] = 0;
  o->tail.attached[slot] = 1;
  kelt::owned::RecountSlots(o);
  OVERLAY_TAIL& t = o->tail;
  t.overallStart = t.homeStart = t.viewStart = m_startTime;
  t.overallEnd = t.homeEnd = t.viewEnd = m_endTime;
  t.firstShownTime[slot] = m_startTime;
  t.lastShownTime[slot] = m_endTime;
  t.firstShownIndex[slot] = t.lastShownIndex[slot] = 0;
  t.minInView[slot] = t.maxInView[slot] = 0.0;
  RepaintUnlessSuspended();
  return 0;
}

// ---- Points ------------------------------------------------------------------------------------

bool CCtlOPlot4::Zoomed() const {
  const SVW_OVERLAY* o = m_pOverlay;
  return o && (o->tail.viewStart > m_startTime || o->tail.viewEnd < m_endTime);
}

bool CCtlOPlot4::DraggingSlider(int slot) const {
  if (!OverlaySlotIndex(slot) || !(GetKeyState(VK_LBUTTON) & 0x8000)) return false;
  const CCtlVScroll* slider = m_pSliders[slot];
  if (!slider || !slider->m_hWnd) return false;
  RECT r{};
  POINT p{};
  if (!::GetWindowRect(slider->m_hWnd, &r) || !::GetCursorPos(&p)) return false;
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void CCtlOPlot4::ScaleForPoint(int slot) {
  if (m_tracking) return;
  if (m_moduleScaleMode == 1) {
    if (!DraggingSlider(slot)) SetVerticalFullScale(1, 0);
  } else if (m_initialScalingPending) {
    SetVerticalFullScale(1, 0);
  }
}

void CCtlOPlot4::AddFilteredDataTolpNEDP_BDC(STRUCT_NE_POINT_BLOCK* source, STRUCT_NE_POINT_BLOCK* destination,
                                             uint32_t count, int32_t slot, int16_t width) {
  if (m_subKind != 0 || !source || !destination || !OverlaySlotIndex(slot)) return;
  SmoothPlotPoints(source, destination, count, width, SMOOTH_KERNEL_GAUSSIAN);
  // The drawing reads the filtered trace by the record's count.
  if (m_pOverlay && count >= 5) {
    STRUCT_NE_DATA_POINTS* dp = m_pOverlay->slots[slot].trace;
    if (dp && dp->filtered == destination) dp->filteredCount = count;
  }
  LabelMax(static_cast<short>(slot), count, destination);
}

void CCtlOPlot4::LabelMax(short slot, uint32_t count, const STRUCT_NE_POINT_BLOCK* filtered) {
  if (!m_pLabels || !filtered) return;
  if (m_filtering[0] == 0) {
    m_pLabels->DeleteSomeLabelsForPlot(slot, MAXIMUM_LABEL_KIND);
    return;
  }
  if (count < 5) {
    m_pLabels->DeleteSomeLabelsForPlot(slot, MAXIMUM_LABEL_KIND);
    return;
  }
  uint32_t at = 0;
  double top = NePointAt(filtered, 0)->value.d;
  for (uint32_t i = 1; i < count; ++i) {
    const double v = NePointAt(filtered, i)->value.d;
    if (v > top) {
      top = v;
      at = i;
    }
  }
  if (at < 2 || at >= count - 2) {
    m_pLabels->DeleteSomeLabelsForPlot(slot, MAXIMUM_LABEL_KIND);
    return;
  }
  double x[5], y[5];
  for (int k = 0; k < 5; ++k) {
    x[k] = NePointAt(filtered, at - 2 + k)->time;
    y[k] = NePointAt(filtered, at - 2 + k)->value.d;
  }
  const double first = x[0], last = x[4];
  double apex = FitParabolaApex5(x, y);
  // A flat top (a saturated peak) has no parabola and a near-flat one an
  // apex far off: the label then stays at the maximum itself.
  if (!Finite(apex) || apex < first || apex > last) apex = NePointAt(filtered, at)->time;
  char text[64];
  std::snprintf(text, sizeof text, " %.2lf", apex);
  auto* label = new (std::nothrow) CLabelInfo;
  if (!label) return;
  STRUCT_MARKER_PARAMS params = m_prefs.label;
  params.positionMode = 1;
  params.pointerMode = 1;
  label->SetTextLabel(text, &params, 1);
  label->SetTextLabelPosition(MAXIMUM_LABEL_KIND, apex, top, apex, top);
  m_pLabels->DeleteSomeLabelsForPlot(slot, MAXIMUM_LABEL_KIND);
  if (m_pLabels->AddLabel(label, LABEL_AREA_GROUP_PLOT, slot, 0) == -1) {
    delete label;
    return;
  }
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot4::OnXNewRawPoint(WPARAM wParam, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !lParam) return 0;
  STRUCT_OP4_POINT p;
  std::memcpy(&p, reinterpret_cast<const void*>(lParam), sizeof p);
  const int s = p.slot;
  if (!OverlaySlotIndex(s)) return 0;
  OVERLAY_SLOT& slot = o->slots[s];
  STRUCT_NE_DATA_POINTS* dp = slot.trace;
  if (!dp || !dp->points || !dp->filtered) return 0;
  if (p.unitKind == 1) std::strcpy(o->head.timeUnit, "m/z");
  else if (p.unitKind == 2) std::strcpy(o->head.timeUnit, "m");
  if (o->head.shown[s] != 1) return 0;
  // A point without a finite time and value cannot be placed or smoothed.
  if (!Finite(p.x) || !Finite(p.y)) return 0;
  uint32_t count = dp->pointCount;
  const uint32_t at = LowerBound(dp->points, count, p.x);
  if (at < count && NePointAt(dp->points, at)->time == p.x) return 0;

  if (count >= m_rawCapacity[s]) {
    const uint64_t room = uint64_t{count} + kBlockPoints;
    // Each block is kept as soon as it has grown; the point is dropped when either cannot.
    STRUCT_NE_POINT_BLOCK* raw = kelt::owned::GrownPointBlock(dp->points, room);
    if (raw) dp->points = raw;
    STRUCT_NE_POINT_BLOCK* filtered = raw ? kelt::owned::GrownPointBlock(dp->filtered, room) : nullptr;
    if (filtered) dp->filtered = filtered;
    if (!raw || !filtered) return 0;
    m_rawCapacity[s] = m_filteredCapacity[s] = static_cast<uint32_t>(room);
  }
  const bool zoomed = Zoomed();
  OVERLAY_TAIL& t = o->tail;
  if (count == 0 && s == 0) {
    m_startTime = m_endTime = p.x;
    t.overallStart = t.homeStart = t.viewStart = p.x;
    t.overallEnd = t.homeEnd = t.viewEnd = p.x;
  } else if (!zoomed) {
    if (p.x < t.viewStart) t.viewStart = p.x;
    if (p.x > t.viewEnd) t.viewEnd = p.x;
    if (p.x < m_startTime) m_startTime = t.overallStart = t.homeStart = p.x;
    if (p.x > m_endTime) m_endTime = t.overallEnd = t.homeEnd = p.x;
  }
  // The slot's records span its points, so that a reload or full scale keeps them in view.
  if (p.x < dp->startTime) {
    dp->startTime = p.x;
    if (dp->workFile) dp->workFile->startTime = p.x;
  }
  if (p.x > dp->endTime) {
    dp->endTime = p.x;
    if (dp->workFile) dp->workFile->endTime = p.x;
  }

  STRUCT_NE_POINT* stored = NePointAt(dp->points, count);
  stored->time = p.x;
  stored->flags = 0;
  stored->value.d = p.y;
  dp->points->firstScan = 1;
  ++dp->points->lastScan;
  dp->pointCount = ++count;
  dp->filtered->firstScan = dp->points->firstScan;
  dp->filtered->lastScan = dp->points->lastScan;
  if (count == 1) {
    m_latestTime[s] = p.x;
    if (STRUCT_WORK_FILE* wf = dp->workFile) {
      wf->centroid = 1;
      if (!wf->segmentBlocks) {
        wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(sizeof(MS_SEGMENT_BLOCK)));
        if (wf->segmentBlocks) wf->segmentBlocks->number = static_cast<uint16_t>(s);
      }
    }
    dp->filtered->isDouble = dp->points->isDouble;
  } else {
    if (p.x < m_latestTime[s]) SortByTime(dp->points, count);
    m_latestTime[s] = Greater(m_latestTime[s], p.x);
    AddFilteredDataTolpNEDP_BDC(dp->points, dp->filtered, count, s, m_filtering[2]);
  }

  if (count == 1) m_initialScalingPending = (m_moduleScaleMode == 0 && t.scales.commonLow == 0.0 &&
                                             t.scales.commonHigh == 0.0) ? 1 : 0;
  else if (count == kInitialScalingPoints) m_initialScalingPending = 0;

  if (!zoomed) {
    t.lastShownIndex[s] = static_cast<int32_t>(count - 1);
  } else if (p.x >= t.viewStart && p.x <= t.viewEnd) {
    ++t.lastShownIndex[s];
  } else if (p.x < t.viewStart) {
    ++t.firstShownIndex[s];
    ++t.lastShownIndex[s];
  }

  bool repaint = count > 1;
  const bool inside = p.x >= t.viewStart && p.x <= t.viewEnd;
  if (inside) {
    if (!slot.inView) {
      t.minInView[s] = t.maxInView[s] = p.y;
    } else {
      t.minInView[s] = Lesser(t.minInView[s], p.y);
      t.maxInView[s] = Greater(t.maxInView[s], p.y);
    }
    ScaleForPoint(s);
    if (count > 1 && (p.y < t.scales.commonLow || p.y > t.scales.commonHigh)) {
      const bool overlaid = o->head.displayMode == OVERLAY_MODE_OVERLAID;
      const double bottom = overlaid ? t.scales.commonLow : t.scales.plotLow[s];
      const double top = overlaid ? t.scales.commonHigh : t.scales.plotHigh[s];
      const double previous = m_lastValue[s];
      if ((p.y < bottom && previous <= bottom) || (p.y > top && previous > top)) repaint = false;
    }
  } else {
    repaint = false;
  }
  m_lastValue[s] = p.y;

  if (!slot.inView) {
    slot.inView = 1;
    t.inView[s] = 1;
    kelt::owned::RecountSlots(o);
    m_hasData = 1;
    SizeControls();
    if (count == 1) SaveCurrent();
  }
  if (wParam == 0 && !m_tracking && repaint) RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot4::OnXNewRawPoints(WPARAM wParam, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  const uint32_t n = static_cast<uint32_t>(wParam);
  if (!o || !lParam || n == 0 || wParam > 0xFFFFFFFFu) return 0;
  const auto* records = reinterpret_cast<const uint8_t*>(lParam);
  STRUCT_OP4_POINT first;
  std::memcpy(&first, records, sizeof first);
  const int s = first.slot;
  if (!OverlaySlotIndex(s)) return 0;
  OVERLAY_SLOT& slot = o->slots[s];
  STRUCT_NE_DATA_POINTS* dp = slot.trace;
  if (!dp || !dp->points || !dp->filtered) return 0;
  if (first.unitKind == 1) std::strcpy(o->head.timeUnit, "m/z");
  else if (first.unitKind == 2) std::strcpy(o->head.timeUnit, "m");
  if (o->head.shown[s] != 1) return 0;
  uint32_t count = dp->pointCount;
  const uint64_t total = uint64_t{count} + n;
  // A batch the blocks cannot grow for, or with a point that cannot be
  // placed, is refused whole.
  if (!kelt::owned::PointBlockBytes(total)) return 0;
  for (uint32_t i = 0; i < n; ++i) {
    STRUCT_OP4_POINT r;
    std::memcpy(&r, records + size_t{i} * sizeof r, sizeof r);
    if (!Finite(r.x) || !Finite(r.y)) return 0;
  }
  if (total > m_rawCapacity[s] || total > m_filteredCapacity[s]) {
    STRUCT_NE_POINT_BLOCK* raw = kelt::owned::GrownPointBlock(dp->points, total);
    if (raw) dp->points = raw;
    STRUCT_NE_POINT_BLOCK* filtered = raw ? kelt::owned::GrownPointBlock(dp->filtered, total) : nullptr;
    if (filtered) dp->filtered = filtered;
    if (!raw || !filtered) return 0;
    m_rawCapacity[s] = m_filteredCapacity[s] = static_cast<uint32_t>(total);
  }
  const bool wasEmpty = count == 0;
  STRUCT_OP4_POINT last;
  std::memcpy(&last, records + size_t{n - 1} * sizeof last, sizeof last);
  if (wasEmpty) m_startTime = first.x;
  OVERLAY_TAIL& t = o->tail;
  if (wasEmpty) t.minInView[s] = t.maxInView[s] = first.y;
  m_endTime = last.x;
  t.overallStart = t.homeStart = t.viewStart = m_startTime;
  t.overallEnd = t.homeEnd = t.viewEnd = m_endTime;
  for (uint32_t i = 0; i < n; ++i) {
    STRUCT_OP4_POINT r;
    std::memcpy(&r, records + size_t{i} * sizeof r, sizeof r);
    STRUCT_NE_POINT* stored = NePointAt(dp->points, count + i);
    stored->time = r.x;
    stored->flags = 0;
    stored->value.d = r.y;
    t.minInView[s] = Lesser(t.minInView[s], r.y);
    t.maxInView[s] = Greater(t.maxInView[s], r.y);
  }
  count += n;
  // Out of order batches are put in order, and a time already present is
  // kept once (the earlier point wins), as single points are: the
  // smoothing and the duplicate test of single points rely on it.
  if (!StrictlyIncreasing(dp->points, count)) count = SortedUnique(dp->points, count);
  dp->points->firstScan = 1;
  dp->points->lastScan = count;
  dp->pointCount = count;
  dp->filtered->firstScan = dp->points->firstScan;
  dp->filtered->lastScan = dp->points->lastScan;
  const double lo = NePointAt(dp->points, 0)->time, hi = NePointAt(dp->points, count - 1)->time;
  if (dp->workFile) {
    dp->workFile->startTime = Lesser(dp->workFile->startTime, lo);
    dp->workFile->endTime = Greater(dp->workFile->endTime, hi);
  }
  dp->startTime = Lesser(dp->startTime, lo);
  dp->endTime = Greater(dp->endTime, hi);
  m_latestTime[s] = Greater(wasEmpty ? hi : m_latestTime[s], hi);
  if (STRUCT_WORK_FILE* wf = dp->workFile) {
    wf->centroid = 1;
    if (wasEmpty && !wf->segmentBlocks) {
      wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(sizeof(MS_SEGMENT_BLOCK)));
      if (wf->segmentBlocks) wf->segmentBlocks->number = static_cast<uint16_t>(s);
    }
  }
  dp->filtered->isDouble = dp->points->isDouble;
  AddFilteredDataTolpNEDP_BDC(dp->points, dp->filtered, count, s, m_filtering[2]);
  t.firstShownIndex[s] = 0;
  t.lastShownIndex[s] = static_cast<int32_t>(count - 1);
  slot.inView = 1;
  t.inView[s] = 1;
  o->head.shown[s] = 1;
  kelt::owned::RecountSlots(o);
  m_hasData = 1;
  SetVerticalFullScale(1, 0);
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot4::OnXNewFilteredPoint(WPARAM wParam, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !lParam) return 0;
  STRUCT_OP4_POINT p;
  std::memcpy(&p, reinterpret_cast<const void*>(lParam), sizeof p);
  const int s = p.slot;
  if (!OverlaySlotIndex(s)) return 0;
  STRUCT_NE_DATA_POINTS* dp = o->slots[s].trace;
  if (!dp || !dp->filtered || o->head.shown[s] != 1) return 0;
  if (!Finite(p.x) || !Finite(p.y)) return 0;
  uint32_t count = dp->filteredCount;
  if (count >= m_filteredCapacity[s]) {
    const uint64_t room = uint64_t{count} + kBlockPoints;
    STRUCT_NE_POINT_BLOCK* grown = kelt::owned::GrownPointBlock(dp->filtered, room);
    if (!grown) return 0;
    dp->filtered = grown;
    m_filteredCapacity[s] = static_cast<uint32_t>(room);
  }
  STRUCT_NE_POINT* stored = NePointAt(dp->filtered, count);
  stored->time = p.x;
  stored->flags = 0;
  stored->value.d = p.y;
  dp->filtered->firstScan = 1;
  ++dp->filtered->lastScan;
  dp->filteredCount = ++count;
  OVERLAY_TAIL& t = o->tail;
  const double previous = count > 5 ? double{NePointAt(dp->filtered, count - 2)->time} : double{p.x};
  const bool inside = p.x >= t.viewStart && previous <= t.viewEnd;
  bool repaint = inside;
  if (inside) {
    t.lastShownIndex[s] = static_cast<int32_t>(count - 1);
    ScaleForPoint(s);
    if (count > 1) {
      const double prevValue = NePointAt(dp->filtered, count - 2)->value.d;
      if ((p.y < t.scales.commonLow && prevValue < t.scales.commonLow) ||
          (p.y > t.scales.commonHigh && prevValue > t.scales.commonHigh))
        repaint = false;
    }
  }
  if (wParam == 0 && !m_tracking && repaint) RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot4::OnXNewRange(WPARAM, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !lParam) return 0;
  bool any = false;
  for (int i = 0; i < OPLOT_SLOTS && !any; ++i) any = o->slots[i].trace && o->slots[i].trace->pointCount > 0;
  if (!any) return 0;
  double range[2];
  std::memcpy(range, reinterpret_cast<const void*>(lParam), sizeof range);
  if (!Finite(range[0]) || !Finite(range[1])) return 0;
  OPLOT_UpdateOverlayPlots(o, range[0], range[1]);
  m_startTime = o->tail.viewStart;
  m_endTime = o->tail.viewEnd;
  for (OVERLAY_SLOT& s : o->slots) {
    if (s.trace) {
      s.trace->startTime = m_startTime;
      s.trace->endTime = m_endTime;
    }
    if (s.workFile) {
      s.workFile->startTime = m_startTime;
      s.workFile->endTime = m_endTime;
    }
  }
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot4::OnXClearPlot(WPARAM wParam, LPARAM) {
  const int slot = static_cast<int16_t>(wParam);
  if (!m_pOverlay || !OverlaySlotIndex(slot)) return 0;
  FreeSlotData(slot);
  return 0;
}

LRESULT CCtlOPlot4::OnSetSublevel(WPARAM wParam, LPARAM) {
  m_subKind = static_cast<int16_t>(wParam);
  return 0;
}

// ---- Filtering and preferences -----------------------------------------------------------------

void CCtlOPlot4::FollowFilterKind() {
  m_displayChoice = (m_filtering[0] == 1 || m_filtering[0] == 2) ? m_filtering[0] : 0;
}

void CCtlOPlot4::RefilterSlot(int slot) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(slot)) return;
  STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
  if (!dp || !dp->points || !dp->filtered || dp->pointCount < 2) return;
  AddFilteredDataTolpNEDP_BDC(dp->points, dp->filtered, dp->pointCount, slot, m_filtering[2]);
}

void CCtlOPlot4::UpdateAfterPreferenceChange(short sameFilter, short sameIntegration) {
  (void)sameFilter;
  // The data-handling filter of file plots is not for these points: the
  // base runs with the filter unchanged and the slots are smoothed here.
  CCtlOPlot1::UpdateAfterPreferenceChange(1, sameIntegration);
  FollowFilterKind();
  for (int i = 0; i < OPLOT_SLOTS; ++i) RefilterSlot(i);
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot4::OnKeepPreferences(WPARAM wParam, LPARAM lParam) {
  CCtlOPlot::OnKeepPreferences(wParam, lParam);
  std::memcpy(m_filtering, &m_prefs.plotData, sizeof m_filtering);
  if (m_subKind != 0) m_filtering[1] = 0;
  FollowFilterKind();
  return 0;
}

// ---- Mouse and commands ------------------------------------------------------------------------

void CCtlOPlot4::OnLButtonDblClk(UINT flags, CPoint point) {
  if (!m_hasData) return;
  if (m_pLabels && m_pLabels->CanUseDBLCLK(point)) {
    RepaintUnlessSuspended();
    return;
  }
  CCtlOPlot::OnLButtonDblClk(flags, point);
}

BOOL CCtlOPlot4::OnCommand(WPARAM wParam, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  switch (LOWORD(wParam)) {
    case OPLOT_CMD_FULL_SCALE:
      if (o && o->head.displayMode != OVERLAY_MODE_OVERLAID) {
        HandleNewPlotType(OVERLAY_MODE_OVERLAID);
        UpdateToolBar();
        return TRUE;
      }
      return CCtlOPlot::OnCommand(wParam, lParam);
    case OPLOT_CMD_VERTICAL_FULL_SCALE:
    case OPLOT_CMD_HORIZONTAL_FULL_SCALE:
      return CCtlOPlot::OnCommand(wParam, lParam);
    case OP4_CMD_STACKED:
      if (o) {
        HandleNewPlotType(o->head.displayMode != OVERLAY_MODE_STACKED ? OVERLAY_MODE_STACKED : OVERLAY_MODE_OVERLAID);
        UpdateToolBar();
      }
      return TRUE;
    case OP4_CMD_NORMALIZED:
      if (o) {
        HandleNewPlotType(o->head.displayMode != OVERLAY_MODE_NORMALISED ? OVERLAY_MODE_NORMALISED
                                                                         : OVERLAY_MODE_OVERLAID);
        UpdateToolBar();
      }
      return TRUE;
    default:
      return CCtlOPlot1::OnCommand(wParam, lParam);
  }
}
