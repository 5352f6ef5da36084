// Moving a plot by dragging it (its time and value offsets go to the owner),
// the cursor of each region and mode, double clicks on the scales, the
// typed time range, and the wider range shown when a file being acquired
// grows.
#include <algorithm>
#include <cstring>
#include <memory>

#include "common/library_state.h"
#include "common/work_file.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/plot_drawing.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "dialogs/plot_range_dialogs.h"

namespace {

constexpr const char* kCursors[] = {"TT_CURSOR",       "SIDE",           "BOTTOM",           "CORNER",
                                    "CROSS_CURSOR",    "MAX_CURSOR",     "RESTORE_CURSOR",   "ZOOM_SPT_CURSOR",
                                    "ZOOM_NOISE_CURSOR", "ZOOM_AREA_CURSOR", "MOVE_CURSOR", "HOLD_CURSOR"};

// The library's cursors are its own resources, added on first use.
void SetNamedCursor(const char* name) {
  HCURSOR cursor = nullptr;
  if (name) {
    const HMODULE module = kelt::lib::ModuleHandle();
    cursor = LoadCursorA(module, name);
    if (!cursor) {
      for (const char* n : kCursors)
        if (!LoadCursorA(module, n)) win::resources::AddCursor(module, n);
      cursor = LoadCursorA(module, name);
    }
  }
  SetCursor(cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW));
}

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

}  // namespace

// ---- Moving a plot -------------------------------------------------------------------

bool CCtlOPlot::StartMovingPlotLine(CPoint point) {
  CancelMovingPlotLine();
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_bSizesValid) return false;
  const PlotArea a = GetPlotArea();
  const bool stacked = o->head.displayMode == OVERLAY_MODE_STACKED;
  int top = a.top, height = a.bottom + 1 - a.top;
  const int slot = stacked ? StackedBandAt(point.y, &top, &height) : GetActivePlotIndex();
  double t = 0, v = 0;
  short valueSlot = -1;
  if (!OverlaySlotIndex(slot) || !o->slots[slot].trace || !GetTimeFromXPixel(static_cast<short>(point.x), &t, 0) ||
      !GetValueFromYPixel(static_cast<short>(point.y), &valueSlot, &v, 0))
    return false;
  m_moving = MovingLine{};
  m_moving.moving = 1;
  m_moving.slot = static_cast<int16_t>(slot);
  m_moving.left = a.left;
  m_moving.right = a.right;
  m_moving.top = top;
  m_moving.bottom = top + height;
  m_moving.pressTime = m_moving.time = t;
  m_moving.pressValue = m_moving.value = v;
  m_moving.fromKey = m_clickDragMode != OPLOT_DRAG_MOVE;
  m_offsetPending = 0;
  return true;
}

void CCtlOPlot::DrawMovingPlotLine() {
  SVW_OVERLAY* o = m_pOverlay;
  const int slot = m_moving.slot;
  if (!o || !OverlaySlotIndex(slot) || !m_hWnd) return;
  // The moved copy: the slot drawn with its offsets grown by the drag.
  auto shifted = std::make_unique<SVW_OVERLAY>(*o);
  OVERLAY_TAIL& tail = shifted->tail;
  // Packed fields: assigned one by one, never bound to references.
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (!tail.timeOffsetsOn) tail.timeOffsets[i] = 0.0;
    if (!tail.verticalOffsetsOn) tail.verticalOffsets[i] = 0.0;
  }
  tail.timeOffsetsOn = tail.verticalOffsetsOn = 1;
  tail.timeOffsets[slot] = tail.timeOffsets[slot] + (m_moving.time - m_moving.pressTime);
  tail.verticalOffsets[slot] = tail.verticalOffsets[slot] + (m_moving.value - m_moving.pressValue);

  HDC dc = m_pMemDC ? m_pMemDC->GetSafeHdc() : ::GetDC(m_hWnd);
  if (!dc) return;
  const int saved = SaveDC(dc);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, m_plotWidth, m_plotHeight, nullptr);
  // The window's context starts at the window's corner, the drawing at the plots'.
  SetViewportOrgEx(dc, m_pMemDC ? 0 : m_plotLeft, m_pMemDC ? 0 : m_plotTop, nullptr);
  SetViewportExtEx(dc, m_plotWidth, m_plotHeight, nullptr);
  IntersectClipRect(dc, m_moving.left - m_plotLeft, m_moving.top - m_plotTop, m_moving.right + 1 - m_plotLeft,
                    m_moving.bottom - m_plotTop);
  SetROP2(dc, m_prefs.colors.colors[0] > 0 ? R2_NOTXORPEN : R2_XORPEN);
  STRUCT_OVER_SIZES sizes = m_Sizes;
  if (IsMSKind(o->slots[slot].workFile))
    OPLOT_DrawTolPlotLine(dc, shifted.get(), &sizes, static_cast<int16_t>(slot), 0, 0, 0, 1, 0, 0, 0);
  else
    OPLOT_DrawWSPlotLine(dc, shifted.get(), &sizes, static_cast<int16_t>(slot), 0, 0, 0, 1);
  RestoreDC(dc, saved);
  if (!m_pMemDC) ::ReleaseDC(m_hWnd, dc);
}

void CCtlOPlot::CancelMovingPlotLine() {
  if (m_moving.drawn) {
    DrawMovingPlotLine();  // drawn twice, the copy is gone
    m_moving.drawn = 0;
  }
  m_movingLineShown = 0;
  m_moving.moving = 0;
  m_offsetPending = 0;
}

void CCtlOPlot::KeepMovedPlotLine() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_moving.moving || !m_moving.drawn || !o) {
    CancelMovingPlotLine();
    return;
  }
  DrawMovingPlotLine();
  const int slot = m_moving.slot;
  m_offset.plot = m_moving.slot;
  m_offset.timeOffset = m_moving.time - m_moving.pressTime + (o->tail.timeOffsetsOn ? o->tail.timeOffsets[slot] : 0);
  m_offset.valueOffset =
      m_moving.value - m_moving.pressValue + (o->tail.verticalOffsetsOn ? o->tail.verticalOffsets[slot] : 0);
  m_offsetPending = 1;
  m_moving.moving = m_moving.drawn = 0;
  m_movingLineShown = 0;
  PostNotification(4, OPLOT_ROUTE_DEFAULT);
}

// ---- Cursors -------------------------------------------------------------------------

BOOL CCtlOPlot::OnSetCursor(CWnd*, UINT, UINT) {
  if (m_busy) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return TRUE;
  }
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(m_hWnd, &p);
  const PlotArea a = GetPlotArea();
  if (!m_toolbarShown && p.y >= m_plotTop && p.y <= m_plotTop + 2 * m_charHeight &&
      (!m_bSizesValid || p.x < a.left)) {
    SetNamedCursor("TT_CURSOR");
    return TRUE;
  }
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_bSizesValid || !o || m_tracking) {
    SetNamedCursor(nullptr);
    return TRUE;
  }
  // A move the M key started ends with the key.
  if ((m_moving.moving || m_moving.drawn) && m_clickDragMode != OPLOT_DRAG_MOVE && !KeyHeld('M')) KeepMovedPlotLine();
  if (o->head.displayMode != OVERLAY_MODE_NORMALISED && m_pLabels && m_pLabels->ShowMovingLabelCursor(p)) return TRUE;

  const int mode = o->head.displayMode;
  const bool withinHeight = p.y >= a.top && p.y <= a.bottom;
  const bool leftBand = p.x >= a.left - m_Sizes.leftScaleWidth && p.x < a.left;
  const bool rightBand = m_Sizes.rightScaleWidth > 0 && p.x > a.right && p.x <= a.right + m_Sizes.rightScaleWidth;
  if ((leftBand || rightBand) && withinHeight) {
    SetNamedCursor("SIDE");
    return TRUE;
  }
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (m_Sizes.buttonY[i] == 0) continue;
    const int y0 = m_plotTop + m_Sizes.buttonY[i];
    auto over = [&](int16_t column) {
      const int x0 = m_plotLeft + column;
      return p.x >= x0 && p.x <= x0 + m_Sizes.charWidth && p.y >= y0 && p.y <= y0 + m_Sizes.charHeight - 2;
    };
    if (m_Sizes.deleteButtonShown[i] && over(m_Sizes.deleteButtonX)) {
      SetNamedCursor("CROSS_CURSOR");
      return TRUE;
    }
    if (m_Sizes.maximiseButtonShown[i] && over(m_Sizes.maximiseButtonX)) {
      const bool restore = o->head.maximised && (o->head.maximisedSlot == i || mode != OVERLAY_MODE_STACKED);
      SetNamedCursor(restore ? "RESTORE_CURSOR" : "MAX_CURSOR");
      return TRUE;
    }
  }
  if (p.y > a.bottom && p.y <= a.bottom + m_Sizes.timeScaleHeight) {
    if (p.x >= a.left && p.x <= a.right) {
      SetNamedCursor("BOTTOM");
      return TRUE;
    }
    if ((leftBand && m_Sizes.leftScaleWidth > 0) || rightBand) {
      SetNamedCursor("CORNER");
      return TRUE;
    }
  }
  const bool inPlots = p.x >= a.left && p.x <= a.right && withinHeight;
  if (inPlots) {
    const int slot = mode == OVERLAY_MODE_STACKED ? StackedBandAt(p.y, nullptr, nullptr) : GetActivePlotIndex();
    const STRUCT_WORK_FILE* wf = OverlaySlotIndex(slot) ? o->slots[slot].workFile : nullptr;
    short move = 0, average = 0, noise = 0, integrate = 0;
    GetClickDragStatus(nullptr, &move, &average, &noise, &integrate, nullptr, nullptr, nullptr, nullptr);
    if (wf) {
      const bool knownKind = wf->directHeader || wf->profile || wf->centroid;
      if (average && (knownKind || (m_newSptSet && m_newSptSlot == slot))) {
        SetNamedCursor("ZOOM_SPT_CURSOR");
        return TRUE;
      }
      if (noise) {
        SetNamedCursor("ZOOM_NOISE_CURSOR");
        return TRUE;
      }
      if (integrate && (m_toolbarLayout == 1 || m_toolbarLayout == 4)) {
        SetNamedCursor("ZOOM_AREA_CURSOR");
        return TRUE;
      }
    }
    if (move || m_moving.moving) {
      if (m_moving.moving) {
        // The cursor stays within the moved plot's band.
        const POINT wanted{std::clamp<LONG>(p.x, m_moving.left, m_moving.right),
                           std::clamp<LONG>(p.y, m_moving.top, m_moving.bottom - 1)};
        if (wanted.x != p.x || wanted.y != p.y) {
          POINT screen = wanted;
          ::ClientToScreen(m_hWnd, &screen);
          SetCursorPos(screen.x, screen.y);
        }
        if (m_moving.drawn) DrawMovingPlotLine();
        double t = m_moving.time, v = m_moving.value;
        short valueSlot = -1;
        GetTimeFromXPixel(static_cast<short>(wanted.x), &t, 0);
        GetValueFromYPixel(static_cast<short>(wanted.y), &valueSlot, &v, 0);
        m_moving.time = t;
        m_moving.value = v;
        m_moving.drawn = 1;
        m_movingLineShown = 1;
        DrawMovingPlotLine();
        SetNamedCursor("HOLD_CURSOR");
        return TRUE;
      }
      if (mode != OVERLAY_MODE_STACKED || StackedBandAt(p.y, nullptr, nullptr) >= 0) {
        SetNamedCursor("MOVE_CURSOR");
        return TRUE;
      }
    }
  }
  SetNamedCursor(nullptr);
  return TRUE;
}

// ---- Double clicks -------------------------------------------------------------------

void CCtlOPlot::OnLButtonDblClk(UINT, CPoint point) {
  if (!m_bSizesValid || !m_pOverlay) return;
  if (m_pOverlay->head.displayMode != OVERLAY_MODE_NORMALISED && m_pLabels && m_pLabels->CanUseDBLCLK(point)) {
    RepaintUnlessSuspended();
    return;
  }
  HandleDBLCLK(static_cast<short>(point.x), static_cast<short>(point.y));
}

void CCtlOPlot::HandleDBLCLK(short x, short y) {
  if (m_tracking) OnEscapeTracking(0, 0);
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_bSizesValid) return;
  const PlotArea a = GetPlotArea();
  if (x >= a.left && x <= a.right && y >= a.top && y <= a.bottom) return;
  // Below the drawing the segment bar or the navigation row take their own clicks.
  if (y >= m_plotTop + m_plotHeight && m_cy - (m_plotTop + m_plotHeight) > 0 && (m_segmentsShown || m_navEnabled))
    return;
  const int mode = o->head.displayMode;
  const bool stacked = mode == OVERLAY_MODE_STACKED;
  bool timeRange = false, allVertical = false, left = false, right = false;
  int plot = -1;
  if (KeyHeld('U')) {
    allVertical = true;
  }
  const bool inTimeBand = y > a.bottom && y <= a.bottom + m_Sizes.timeScaleHeight;
  const bool inLeftBand = x >= a.left - m_Sizes.leftScaleWidth && x < a.left && y >= a.top && y <= a.bottom;
  const bool inRightBand = mode == OVERLAY_MODE_TWO_SCALES && x > a.right && x <= a.right + m_Sizes.rightScaleWidth &&
                           y >= a.top && y <= a.bottom;
  if (!allVertical) {
    if (inTimeBand && x >= a.left && x <= a.right) {
      timeRange = true;
    } else if (inLeftBand) {
      if (stacked)
        plot = StackedBandAt(y, nullptr, nullptr);
      else
        left = true;
    } else if (inRightBand) {
      right = true;
    }
  } else if (inTimeBand) {
    timeRange = true;
  }

  if (timeRange) {
    double fullStart = 0, fullEnd = 0;
    ScrollFullRange(&fullStart, &fullEnd);
    bool request = true;
    double start = 0, end = 0;
    if (m_ownFullRange) {
      start = m_ownFullStart;
      end = m_ownFullEnd;
    } else if (m_limitedRangeOn) {
      start = m_limitedFrom;
      end = m_limitedEnd;
    } else if (o->tail.viewStart != fullStart || o->tail.viewEnd != fullEnd) {
      request = false;
    } else {
      return;  // the full range is on view already
    }
    if (allVertical) ClearVerticalScales();
    if (request) {
      RequestTimeRange(start, end, 1);
    } else {
      SetHorizontalFullScale();
      PostNotification(1, OPLOT_ROUTE_DEFAULT);
    }
    return;
  }

  bool changed = false;
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  if (stacked && (allVertical || OverlaySlotIndex(plot))) {
    for (short i = 0; i < OPLOT_SLOTS; ++i) {
      if (!m_Sizes.plotShown[i] || (!allVertical && i != plot)) continue;
      double low = s.plotLow[i], high = s.plotHigh[i];
      AutoScaleSepVert(i, &low, &high);
      s.plotLow[i] = low;
      s.plotHigh[i] = high;
      changed = true;
    }
  } else if (!stacked && (allVertical || left || right)) {
    const bool dual = mode == OVERLAY_MODE_TWO_SCALES;
    SetVerticalFullScale(allVertical || left ? 1 : 0, dual && (allVertical || right) ? 1 : 0);
    changed = true;
  }
  if (changed) {
    SaveCurrent();
    RepaintUnlessSuspended();
  }
}

// ---- Typed time range and growing files -----------------------------------------------

LRESULT CCtlOPlot::OnLetUserSetTimeRange(WPARAM, LPARAM) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return 0;
  double fullStart = 0, fullEnd = 0;
  ScrollFullRange(&fullStart, &fullEnd);
  CTimeRangeDlg dlg(this);
  dlg.m_start = o->tail.viewStart;
  dlg.m_end = o->tail.viewEnd;
  dlg.m_fullStart = fullStart;
  dlg.m_fullEnd = fullEnd;
  if (dlg.DoModal() != IDOK) return 0;
  RequestTimeRange(dlg.m_start, dlg.m_end, 1);
  return 0;
}

LRESULT CCtlOPlot::OnNewEndTime(WPARAM, LPARAM lParam) {
  SVW_OVERLAY* o = m_pOverlay;
  const auto* record = reinterpret_cast<const STRUCT_OPLOT_NEW_END_TIME*>(lParam);
  if (!o || !record) return 0;
  // The sender's path need not end within its room.
  char path[sizeof record->path + 1] = {};
  std::memcpy(path, record->path, sizeof record->path);
  bool changed = false;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    if (!wf || !wf->live) continue;
    const char* own = m_slotFiles[i].altPath[0] ? m_slotFiles[i].altPath : wf->filePath;
    if (_stricmp(own, path) != 0) continue;
    if (wf->endTime == record->endTime) continue;
    wf->endTime = record->endTime;
    changed = true;
  }
  if (!changed) return 0;
  double largest = 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    if (!wf || !o->tail.attached[i]) continue;
    largest = std::max(largest, wf->endTime + (o->tail.timeOffsetsOn ? o->tail.timeOffsets[i] : 0.0));
  }
  if (largest == 0) return 0;
  const double start = o->tail.viewStart, shownEnd = o->tail.viewEnd;
  double end = shownEnd;
  if (record->endTime > shownEnd)
    end = record->endTime;
  else if (largest < shownEnd && largest > start)
    end = largest;
  if (end == shownEnd) return 0;
  UpdateOverlayPlotData(start, end, o->head.displayMode);
  return 0;
}
