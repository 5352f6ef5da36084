// The owned-data overlay plot control: plots of a growing data file that
// the host feeds point by point or by new end times, with a real-time
// switch and a clicked time snapped to the nearest stored point.
#include "specialctl/owned_data_control.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "common/library_classes.h"
#include "orvik32/orvik32.h"
#include "overlayctl/plot_control_window.h"
#include "plotengine/plot_coordinates.h"
#include "specialctl/gain_slider.h"
#include "specialctl/owned_plot_slots.h"

namespace {

// By value: the records' doubles are packed and may not be bound to references.
double Lesser(double a, double b) { return b < a ? b : a; }
double Greater(double a, double b) { return b > a ? b : a; }

constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
constexpr uint32_t kInitialScalingPoints = 11;

using kelt::owned::kBlockPoints;

// The file name part of a path, for the plot's display name.
void DisplayNameOf(const char* path, char* out, size_t size) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  size_t n = 0;
  for (; n + 1 < size && name[n]; ++n) out[n] = name[n];
  out[n] = 0;
}

}  // namespace

// ---- Window class ------------------------------------------------------------------------------

ATOM CCtlOPlot3::Register() { return kelt::lib::RegisterLibraryClass(kClassName, CtlOP3WndProc, kClassStyle); }
BOOL CCtlOPlot3::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }

LRESULT CALLBACK CtlOP3WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return kelt::overlay::ControlWindowProc<CCtlOPlot3>(hwnd, message, wParam, lParam);
}

CCtlOPlot3* CreateOPlot3Control(CWnd* parent, short id, short left, short top, short right, short bottom) {
  return kelt::overlay::CreateControl<CCtlOPlot3>(parent, id, left, top, right, bottom);
}

CCtlOPlot3::CCtlOPlot3() = default;
CCtlOPlot3::~CCtlOPlot3() = default;

BEGIN_MESSAGE_MAP(CCtlOPlot3, CCtlOPlot1)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_LBUTTONDBLCLK()
ON_MESSAGE(OP3M_NEWPLOT, OnNewPlot)
ON_MESSAGE(OP3M_NEWENDTIME, OnNewEndTime)
ON_MESSAGE(OP3M_NEWPOINT, OnNewPoint)
ON_MESSAGE(OP3M_CLEARPLOT, OnClearPlot)
ON_MESSAGE(OPM_NOTIFICATIONSTOSELF, OnNotificationsToSelf)
ON_MESSAGE(OPM_KEEPPREFERENCES, OnKeepPreferences)
ON_MESSAGE(OP3M_GETREALTIME, OnGetRealTime)
ON_MESSAGE(OP3M_TOOLBARLAYOUT5, OnToolbarLayout5)
ON_MESSAGE(OP3M_GETEDITEDIONS, OnGetEditedIons)
ON_MESSAGE(OP3M_NEWSLOTPLOT, OnNewSlotPlot)
ON_MESSAGE(OP3M_NEWSLOTPOINT, OnNewSlotPoint)
ON_MESSAGE(OP3M_NEWSLOTRANGE, OnNewSlotRange)
END_MESSAGE_MAP()

int CCtlOPlot3::OnCreate(CREATESTRUCTA* cs) {
  const int r = CCtlOPlot1::OnCreate(cs);
  if (r == -1) return r;
  m_pOverlay = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  m_ownOverlay = m_pOverlay ? 1 : 0;
  m_controlKind = 3;
  m_toolbarLayout = 2;
  m_moduleScaleMode = 1;
  m_handlesOwnNotifications = 1;
  m_enableHideDelete = 1;
  if (m_showToolbar) CreateToolBar();
  return r;
}

void CCtlOPlot3::OnDestroy() {
  ClearOwnedPlotData(OPLOT_SLOTS);
  if (m_pOverlay) FreeBlock(m_pOverlay);
  m_pOverlay = nullptr;
  m_ownOverlay = 0;
  CCtlOPlot::OnDestroy();
}

void CCtlOPlot3::ClearOwnedPlotData(short slot) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || slot < 0 || slot > OPLOT_SLOTS) return;
  const int first = slot == OPLOT_SLOTS ? 0 : slot, last = slot == OPLOT_SLOTS ? OPLOT_SLOTS - 1 : slot;
  for (int i = first; i <= last; ++i) {
    OPLOT_ClearPlotFromOverlayStructure(o, static_cast<int16_t>(i));
    m_capacity[i] = 0;
    if (m_pLabels) m_pLabels->DeleteLabelsForPlot(static_cast<short>(i));
  }
  if (slot == 0 || slot == OPLOT_SLOTS) {
    m_markerSet = 0;
    m_hasData = 0;
  }
}

// ---- Opening plots -----------------------------------------------------------------------------

void CCtlOPlot3::OpenPlot(const PlotRequest& q) {
  SVW_OVERLAY* o = m_pOverlay;
  if (m_tracking) OnEscapeTracking(0, 0);
  OVERLAY_SCALE_BLOCK& scales = o->tail.scales;
  const double keptLow = scales.commonLow, keptHigh = scales.commonHigh;
  ClearOwnedPlotData(static_cast<short>(q.slot));
  scales.plotLow[q.slot] = scales.plotHigh[q.slot] = 0.0;
  const int16_t mode = o->head.displayMode;
  if (m_moduleScaleMode == 0 && (mode == OVERLAY_MODE_OVERLAID || mode == OVERLAY_MODE_NORMALISED)) {
    scales.commonLow = keptLow;
    scales.commonHigh = keptHigh;
  } else {
    scales.commonLow = scales.commonHigh = 0.0;
  }
  if (q.rangeGiven) {
    m_startTime = q.start;
    m_endTime = q.end;
  }
  kelt::owned::SlotPlan plan;
  plan.start = m_startTime;
  plan.end = m_endTime;
  plan.dataType = q.dataKind;
  plan.isDouble = 0;
  plan.filteredBlock = false;
  plan.massList = q.massList;
  plan.module = static_cast<uint16_t>(q.module);
  plan.moduleWord = static_cast<uint16_t>(q.moduleWord);
  if (!kelt::owned::OpenSlot(o, q.slot, plan)) return;
  OVERLAY_SLOT& s = o->slots[q.slot];
  STRUCT_WORK_FILE* wf = s.workFile;
  // The host's path need not end within its room.
  std::memset(wf->filePath, 0, sizeof wf->filePath);
  std::strncpy(wf->filePath, q.path, sizeof wf->filePath - 1);
  DisplayNameOf(wf->filePath, wf->displayName, sizeof wf->displayName);
  // No description of the module is at hand: the description's first word says so.
  const int16_t noDescription = 1;
  std::memcpy(wf->typeDescriptor, &noDescription, sizeof noDescription);
  s.chanList.kind = 2;
  s.trace->chanList.kind = 2;
  m_capacity[q.slot] = kBlockPoints;

  // A slot plot joins the plots already open; the single plot starts afresh.
  const bool another = q.slotForm && o->tail.attachedCount > 0;
  o->head.displayMode = another ? o->head.displayMode : OVERLAY_MODE_OVERLAID;
  if (!another) o->head.activePlot = OPLOT_SLOTS;
  o->head.shown[q.slot] = 1;
  o->tail.inView[q.slot] = 0;
  o->tail.attached[q.slot] = 1;
  kelt::owned::RecountSlots(o);
  OVERLAY_TAIL& t = o->tail;
  t.overallStart = t.homeStart = t.viewStart = m_startTime;
  t.overallEnd = t.homeEnd = t.viewEnd = m_endTime;
  t.firstShownTime[q.slot] = m_startTime;
  t.lastShownTime[q.slot] = m_endTime;
  t.firstShownIndex[q.slot] = t.lastShownIndex[q.slot] = 0;
  t.minInView[q.slot] = t.maxInView[q.slot] = 0.0;
  ClearPendingStates();
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot3::OnNewPlot(WPARAM, LPARAM lParam) {
  if (!m_pOverlay || !lParam) return 0;
  STRUCT_OP3_NEW_PLOT r;
  std::memcpy(&r, reinterpret_cast<const void*>(lParam), sizeof r);
  char path[sizeof r.path + 1] = {};
  std::memcpy(path, r.path, sizeof r.path);
  OpenPlot({0, false, true, r.startTime, r.endTime, path, nullptr, 0, r.module, r.moduleWord});
  return 0;
}

LRESULT CCtlOPlot3::OnNewSlotPlot(WPARAM, LPARAM lParam) {
  if (!m_pOverlay || !lParam) return 0;
  STRUCT_OP3_NEW_SLOT_PLOT r;
  std::memcpy(&r, reinterpret_cast<const void*>(lParam), sizeof r);
  // Slots outside 0..19 would be written beyond the overlay.
  if (!OverlaySlotIndex(r.slot)) return 0;
  char path[sizeof r.path + 1] = {};
  std::memcpy(path, r.path, sizeof r.path);
  OpenPlot({r.slot, true, r.rangeGiven != 0, r.startTime, r.endTime, path, &r.massList, r.dataKind, r.module,
            r.moduleWord});
  return 0;
}

LRESULT CCtlOPlot3::OnClearPlot(WPARAM wParam, LPARAM) {
  if (!m_pOverlay || wParam > OPLOT_SLOTS) return 0;
  ClearOwnedPlotData(static_cast<short>(wParam));
  RepaintUnlessSuspended();
  return 0;
}

// ---- Points ------------------------------------------------------------------------------------

bool CCtlOPlot3::AnySlotHasPoints() const {
  const SVW_OVERLAY* o = m_pOverlay;
  for (int i = 0; o && i < OPLOT_SLOTS; ++i)
    if (o->slots[i].trace && o->slots[i].trace->pointCount > 0) return true;
  return false;
}

bool CCtlOPlot3::Zoomed() const {
  const SVW_OVERLAY* o = m_pOverlay;
  return o && (o->tail.viewStart > m_startTime || o->tail.viewEnd < m_endTime);
}

bool CCtlOPlot3::DraggingSlider(int slot) const {
  if (!OverlaySlotIndex(slot) || !(GetKeyState(VK_LBUTTON) & 0x8000)) return false;
  const CCtlVScroll* slider = m_pSliders[slot];
  if (!slider || !slider->m_hWnd) return false;
  RECT r{};
  POINT p{};
  if (!::GetWindowRect(slider->m_hWnd, &r) || !::GetCursorPos(&p)) return false;
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void CCtlOPlot3::AddPoint(int slot, const STRUCT_NE_POINT& point, bool repaintAllowed, bool extendEnd, bool slotForm) {
  SVW_OVERLAY* o = m_pOverlay;
  OVERLAY_SLOT& s = o->slots[slot];
  STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!dp || !dp->points || o->head.shown[slot] != 1) return;
  const double t = point.time;
  // A point without a finite time cannot be placed.
  if (!std::isfinite(t)) return;
  uint32_t count = dp->pointCount;
  bool trimmed = false;
  if (count >= OP3_MOST_POINTS) {
    std::memmove(NePointAt(dp->points, 0), NePointAt(dp->points, OP3_TRIM_POINTS),
                 size_t{count - OP3_TRIM_POINTS} * NE_POINT_SIZE);
    count -= OP3_TRIM_POINTS;
    dp->pointCount = count;
    dp->points->lastScan = count;
    dp->startTime = m_startTime = NePointAt(dp->points, 0)->time;
    trimmed = true;
  }
  if (count >= m_capacity[slot]) {
    const uint64_t room = uint64_t{count} + kBlockPoints;
    STRUCT_NE_POINT_BLOCK* grown = kelt::owned::GrownPointBlock(dp->points, room);
    if (!grown) return;
    dp->points = grown;
    m_capacity[slot] = static_cast<uint32_t>(room);
  }
  const double previousTime = count > 0 ? double{NePointAt(dp->points, count - 1)->time} : t;
  const double previousValue = count > 0 ? NePointValue(dp->points, count - 1) : 0.0;
  std::memcpy(NePointAt(dp->points, count), &point, NE_POINT_SIZE);
  dp->points->firstScan = 1;
  dp->points->lastScan = count + 1;
  dp->pointCount = ++count;
  if (slotForm && (extendEnd || trimmed)) {
    dp->endTime = t;
    if (dp->workFile && dp->workFile->endTime < t) dp->workFile->endTime = t;
  }

  OVERLAY_TAIL& tail = o->tail;
  if (o->head.shownCount == 1 && count == 1) {
    tail.overallStart = tail.homeStart = t;
    tail.overallEnd = tail.homeEnd = t;
  } else {
    if (t < tail.homeStart) tail.overallStart = tail.homeStart = t;
    if (t > tail.homeEnd) tail.overallEnd = tail.homeEnd = t;
  }
  const bool overlaid = o->head.displayMode == OVERLAY_MODE_OVERLAID;
  if (o->head.shownCount == 1) {
    if (count == 1) {
      const double low = overlaid ? tail.scales.commonLow : tail.scales.plotLow[slot];
      const double high = overlaid ? tail.scales.commonHigh : tail.scales.plotHigh[slot];
      m_initialScalingPending = (m_moduleScaleMode == 0 && low == 0.0 && high == 0.0) ? 1 : 0;
    } else if (count == kInitialScalingPoints) {
      m_initialScalingPending = 0;
    }
  }
  if (tail.inViewCount == 0 && count == 1) {
    tail.viewStart = m_startTime;
    tail.viewEnd = m_endTime;
  }

  bool repaint = true;
  const bool visible = count == 1 || (t >= tail.viewStart && previousTime <= tail.viewEnd);
  const double v = NePointValue(dp->points, count - 1);
  if (!visible) {
    repaint = false;
  } else {
    tail.lastShownIndex[slot] = static_cast<int32_t>(count - 1);
    if (count == 1) {
      tail.minInView[slot] = tail.maxInView[slot] = v;
    } else {
      tail.minInView[slot] = Lesser(tail.minInView[slot], v);
      tail.maxInView[slot] = Greater(tail.maxInView[slot], v);
    }
    if (!m_tracking && (m_moduleScaleMode == 1 || m_initialScalingPending) &&
        !(m_moduleScaleMode == 1 && DraggingSlider(slot)))
      SetVerticalFullScale(1, 0);
    if (count > 1) {
      const double bottom = overlaid ? tail.scales.commonLow : tail.scales.plotLow[slot];
      const double top = overlaid ? tail.scales.commonHigh : tail.scales.plotHigh[slot];
      if ((v < bottom && previousValue <= bottom) || (v > top && previousValue > top)) repaint = false;
    }
  }
  if (!s.inView) {
    s.inView = 1;
    tail.inView[slot] = 1;
    kelt::owned::RecountSlots(o);
    m_hasData = 1;
    SizeControls();
    if (count == 1) SaveCurrent();
  }
  if (trimmed || (repaintAllowed && !m_tracking && repaint)) {
    if (trimmed) {
      double end = tail.viewEnd;
      if (tail.viewEnd < dp->endTime) end = Greater(m_endTime, dp->endTime);
      UpdateOverlayDisplay1(m_startTime, end, 1, 0, o->head.displayMode);
    }
    RepaintUnlessSuspended();
  }
}

LRESULT CCtlOPlot3::OnNewPoint(WPARAM wParam, LPARAM lParam) {
  if (!m_pOverlay || !lParam) return 0;
  STRUCT_NE_POINT p;
  std::memcpy(&p, reinterpret_cast<const void*>(lParam), sizeof p);
  AddPoint(0, p, wParam == 0, false, false);
  return 0;
}

LRESULT CCtlOPlot3::OnNewSlotPoint(WPARAM wParam, LPARAM lParam) {
  if (!m_pOverlay || !lParam) return 0;
  STRUCT_OP3_SLOT_POINT r;
  std::memcpy(&r, reinterpret_cast<const void*>(lParam), sizeof r);
  if (!OverlaySlotIndex(r.slot)) return 0;
  AddPoint(r.slot, r.point, wParam == 0, r.extendEnd != 0, true);
  return 0;
}

LRESULT CCtlOPlot3::OnNewEndTime(WPARAM, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !lParam || !AnySlotHasPoints()) return 0;
  double t = 0;
  std::memcpy(&t, reinterpret_cast<const void*>(lParam), sizeof t);
  if (!std::isfinite(t)) return 0;
  for (OVERLAY_SLOT& s : o->slots) {
    if (s.trace) s.trace->endTime = t;
    if (s.workFile) s.workFile->endTime = t;
  }
  if (m_hasData && Zoomed()) return 0;
  OPLOT_NewUpdateOverlayPlots(o, m_hasData ? o->tail.viewStart : 0.0, t);
  m_startTime = o->tail.viewStart;
  m_endTime = o->tail.viewEnd;
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot3::OnNewSlotRange(WPARAM, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !lParam || !AnySlotHasPoints()) return 0;
  STRUCT_OP3_SLOT_RANGE r;
  std::memcpy(&r, reinterpret_cast<const void*>(lParam), sizeof r);
  if (!r.apply || !std::isfinite(r.startTime) || !std::isfinite(r.endTime)) return 0;
  double earliest = r.startTime;
  bool any = false;
  for (OVERLAY_SLOT& s : o->slots) {
    if (s.trace) {
      s.trace->endTime = r.endTime;
      if (s.trace->pointCount > 0) {
        const double first = NePointAt(s.trace->points, 0)->time;
        earliest = any ? Lesser(earliest, first) : first;
        any = true;
      }
    }
    if (s.workFile) {
      s.workFile->startTime = r.startTime;
      s.workFile->endTime = r.endTime;
    }
  }
  if (m_hasData && Zoomed()) return 0;
  OPLOT_NewUpdateOverlayPlots(o, Greater(r.startTime, earliest), r.endTime);
  m_startTime = o->tail.viewStart;
  m_endTime = o->tail.viewEnd;
  RepaintUnlessSuspended();
  return 0;
}

// ---- Clicks, the marker and the real-time switch ------------------------------------------------

void CCtlOPlot3::SnapClickedTime() {
  const SVW_OVERLAY* o = m_pOverlay;
  const STRUCT_NE_DATA_POINTS* dp = o ? o->slots[0].trace : nullptr;
  if (!dp || !dp->points || dp->pointCount == 0) return;
  const double c = m_timeClick;
  const uint32_t n = dp->pointCount;
  if (!std::isfinite(c) || c > NePointAt(dp->points, n - 1)->time) return;
  // Every point up to the last is a candidate, so that a click between the
  // last two snaps to one of them.
  uint32_t i = 0;
  while (i < n && NePointAt(dp->points, i)->time < c) ++i;
  double snapped = c;
  if (i > 0 && i < n) {
    const double before = NePointAt(dp->points, i - 1)->time, after = NePointAt(dp->points, i)->time;
    snapped = (c - before <= after - c) ? before : after;
  }
  m_markerSet = 1;
  m_markerTime = snapped;
  PostNotification(OP3N_TIME_SNAPPED, OPLOT_ROUTE_PARENT);
  RepaintUnlessSuspended();
}

LRESULT CCtlOPlot3::OnNotificationsToSelf(WPARAM wParam, LPARAM lParam) {
  const unsigned code = LOWORD(wParam);
  if (code >= 100 && code <= 119 && !RealTimeOn()) {
    SnapClickedTime();
    return 0;
  }
  return CCtlOPlot::OnNotificationsToSelf(wParam, lParam);
}

void CCtlOPlot3::DrawMarkerLine() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!m_markerSet || !m_hasData || !o || !m_pMemDC || !m_bSizesValid) return;
  if (!(m_markerTime > o->tail.viewStart && m_markerTime < o->tail.viewEnd)) return;
  int32_t left = 0, bottom = 0, right = 0, top = 0;
  if (!OPLOT_GetChromatogramArea(o, &m_Sizes, 0, &left, &bottom, &right, &top)) return;
  const double dx = (m_markerTime - o->tail.viewStart) * m_Sizes.xFactor;
  if (!std::isfinite(dx) || std::fabs(dx) > 1e7) return;
  const int32_t x = left + static_cast<int32_t>(dx);
  STRUCT_CHRO_PREFS defaults{};
  KELT_GetCurrDefChroPrefs(&defaults);
  HDC dc = m_pMemDC->GetSafeHdc();
  HPEN pen = CreatePen(PS_SOLID, 0, defaults.colors.colors[1]);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x, top, nullptr);
  LineTo(dc, x, bottom);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void CCtlOPlot3::OnPaint() {
  if (!StartPaintOP()) return;
  PaintOP1();
  DrawMarkerLine();
  EndPaintOP();
}

void CCtlOPlot3::OnLButtonDblClk(UINT flags, CPoint point) {
  if (!m_hasData) return;
  if (m_pLabels && m_pLabels->CanUseDBLCLK(point)) {
    RepaintUnlessSuspended();
    return;
  }
  CCtlOPlot::OnLButtonDblClk(flags, point);
}

LRESULT CCtlOPlot3::OnKeepPreferences(WPARAM wParam, LPARAM lParam) {
  CCtlOPlot::OnKeepPreferences(wParam, lParam);
  m_markerSet = 0;
  PostNotification(RealTimeOn() ? OP3N_REAL_TIME_ON : OP3N_REAL_TIME_OFF, OPLOT_ROUTE_PARENT);
  return 0;
}

LRESULT CCtlOPlot3::OnGetRealTime(WPARAM, LPARAM) { return RealTimeOn() ? 1 : 0; }

LRESULT CCtlOPlot3::OnToolbarLayout5(WPARAM, LPARAM) {
  if (m_toolbarLayout == 5) return 0;
  m_toolbarLayout = 5;
  DestroyToolBar();
  if (m_showToolbar) CreateToolBar();
  SizeControls();
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot3::OnGetEditedIons(WPARAM, LPARAM lParam) {
  if (!lParam || !m_editIonsPending || !m_pEditIonsBlock) return 0;
  auto* out = reinterpret_cast<uint8_t*>(lParam);
  std::memcpy(out, m_pEditIonsBlock, sizeof(STRUCT_MASS_LIST));
  const int16_t slot = m_editIonsSlot;
  std::memcpy(out + sizeof(STRUCT_MASS_LIST), &slot, sizeof slot);
  m_editIonsPending = 0;
  return 1;
}

BOOL CCtlOPlot3::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case OPLOT_CMD_FULL_SCALE:
    case OPLOT_CMD_VERTICAL_FULL_SCALE:
    case OPLOT_CMD_HORIZONTAL_FULL_SCALE:
      return CCtlOPlot::OnCommand(wParam, lParam);
    case OP3_CMD_REAL_TIME_UPDATE:
      m_realTimeUpdateOff = RealTimeOn() ? 1 : 0;
      m_markerSet = 0;
      RepaintUnlessSuspended();
      PostNotification(RealTimeOn() ? OP3N_REAL_TIME_ON : OP3N_REAL_TIME_OFF, OPLOT_ROUTE_PARENT);
      KeepPreferences();
      return TRUE;
    case OP3_CMD_NOTIFY:
      PostNotification(OP3N_COMMAND_2708, OPLOT_ROUTE_PARENT);
      return TRUE;
    case OP3_CMD_CLEAR_PLOT:
      PostNotification(OP3N_CLEAR_PLOT, OPLOT_ROUTE_PARENT);
      return TRUE;
    default:
      return CCtlOPlot1::OnCommand(wParam, lParam);
  }
}
