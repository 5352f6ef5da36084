// Spectrum markers and the click marker: where the spectra shown in the
// spectrum windows were taken on the plots (a flag on a stem, the scans they
// average shaded down to the background level), and one vertical line the
// host puts at a time.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/data_points.h"
#include "common/preference_records.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "common/value_scale.h"
#include "plotengine/band_drawing.h"
#include "spectra/segment_checks.h"
#include "spectra/spectrum_managers.h"
#include "spectra/tol_spectra.h"

namespace {

// Spectrum A and B take these colours of a spectra colour block.
constexpr int kSpectrumAColour = 4;
// Most points a marker's temporary trace is read with.
constexpr int32_t kMarkerTracePoints = 2000;

bool MarkerIndex(int window, int spectrum) {
  return window >= 0 && window < OPLOT_SPT_WINDOWS && spectrum >= 0 && spectrum < OPLOT_SPT_PLACES;
}

void FreeDoubles(double*& p) {
  if (p) FreeBlock(p);
  p = nullptr;
}

// Drops what GetOneSpectrumMarkerValues computed; the marker itself stays set.
void ClearMarkerPoints(STRUCT_OPLOT_SPT_MARKER& m) {
  FreeDoubles(m.times);
  FreeDoubles(m.values);
  FreeDoubles(m.backgroundValues);
  m.pointCount = 0;
  m.markerValue = 0;
}

// Copies up to n points of a block, from the point at or before start.
// Returns the number copied; 0 when start lies outside the block's points.
int CopyScans(const STRUCT_NE_POINT_BLOCK* block, uint32_t count, double start, int n, float factor, bool scaled,
              double* times, double* values) {
  if (!block || count < 2) return 0;
  for (uint32_t i = 0; i + 1 < count; ++i) {
    if (!(NePointAt(block, i)->time <= start && start < NePointAt(block, i + 1)->time)) continue;
    int copied = 0;
    for (uint32_t k = i; k < count && copied < n; ++k, ++copied) {
      times[copied] = NePointAt(block, k)->time;
      const double v = NePointValue(block, k);
      values[copied] = scaled ? static_cast<double>(static_cast<float>(v) * factor) : v;
    }
    return copied;
  }
  return 0;
}

struct ScopedWorkFile {
  STRUCT_WORK_FILE* wf = nullptr;
  ~ScopedWorkFile() {
    if (wf) FreeWorkFileStruct(wf);
  }
};

struct ScopedTrace {
  STRUCT_NE_DATA_POINTS* dp = nullptr;
  ~ScopedTrace() { FreeDataPointsStruct(dp); }
};

}  // namespace

void CCtlOPlot::ClearOneSpectrumMarker(short window, short spectrum) {
  if (!MarkerIndex(window, spectrum)) return;
  STRUCT_OPLOT_SPT_MARKER& m = m_SptMarkers[window][spectrum];
  ClearMarkerPoints(m);
  if (m.spectrum) TOL_Free(m.spectrum);
  if (m.background) FreeBackCorr(m.background);
  m = STRUCT_OPLOT_SPT_MARKER{};
}

int CCtlOPlot::SetOneSpectrumMarker(short window, short spectrum, short slot, const STRUCT_TOL_SPT* spt) {
  if (!MarkerIndex(window, spectrum)) return 0;
  if (spt && !OverlaySlotIndex(slot)) return 0;
  ClearOneSpectrumMarker(window, spectrum);
  if (!spt) return 1;
  STRUCT_TOL_SPT* copy = TOL_CopySpectrum(spt);
  if (!copy) return 0;
  STRUCT_OPLOT_SPT_MARKER& m = m_SptMarkers[window][spectrum];
  m.set = 1;
  m.time = copy->header.time;
  m.slot = slot;
  m.spectrum = copy;
  // A corrected spectrum was corrected with its file's own background
  // definition; its level is shaded with the same one.
  if (copy->bgCorrected && m_pOverlay && m_pOverlay->slots[slot].workFile)
    m.background = BuildBackCorrFromRefSpts(m_pOverlay->slots[slot].workFile);
  GetOneSpectrumMarkerValues(window, spectrum);
  return 1;
}

void CCtlOPlot::GetOneSpectrumMarkerValues(short window, short spectrum) {
  if (!MarkerIndex(window, spectrum)) return;
  SVW_OVERLAY* o = m_pOverlay;
  STRUCT_OPLOT_SPT_MARKER& m = m_SptMarkers[window][spectrum];
  if (!o || !m.set || !m.spectrum) return;
  if (!OverlaySlotIndex(m.slot)) {
    ClearMarkerPoints(m);
    return;
  }
  OVERLAY_SLOT& slot = o->slots[m.slot];
  STRUCT_NE_DATA_POINTS* dp = slot.trace;
  STRUCT_WORK_FILE* wf = slot.workFile;
  if (!slot.dataPresent || !dp || !wf) {
    ClearMarkerPoints(m);
    return;
  }
  // The spectrum's scans lie in the alternate MS file when one serves the slot.
  ScopedWorkFile alternateFile;
  if (m_SpecialSNFile.path[0] && m_SpecialSNFile.slot == m.slot) {
    alternateFile.wf = MakeSpecialSNWorkFile(m.slot);
    if (!alternateFile.wf) return;
    wf = alternateFile.wf;
  }
  const STRUCT_TOL_SPT& spt = *m.spectrum;
  const int n = spt.scansAveraged;
  int segment = -1;
  for (int i = 0; i < WorkFileSegmentCount(wf) && segment < 0; ++i) {
    const MS_SEGMENT_BLOCK* b = WorkFileSegment(wf, i);
    if (b && b->firstScan <= spt.firstScan && spt.firstScan <= b->lastScan) segment = i;
  }
  if (n <= 0 || segment < 0 || !KELT_CheckPlotInSegment(dp, static_cast<int16_t>(segment))) {
    ClearMarkerPoints(m);
    return;
  }
  const bool withBackground = m.background != nullptr;
  ClearMarkerPoints(m);
  const size_t bytes = sizeof(double) * static_cast<size_t>(n);
  m.times = static_cast<double*>(AllocBlock(bytes));
  m.values = static_cast<double*>(AllocBlock(bytes));
  if (withBackground) m.backgroundValues = static_cast<double*>(AllocBlock(bytes));
  if (!m.times || !m.values || (withBackground && !m.backgroundValues)) {
    ClearMarkerPoints(m);
    return;
  }

  const double slotFactor = WorkFileValueFactor(wf);
  const bool scaled = slotFactor != 1.0;
  const auto factor = static_cast<float>(slotFactor);
  const bool alternate = m_displayChoice == 1 || m_displayChoice == 2;
  auto copyFrom = [&](const STRUCT_NE_DATA_POINTS* trace) {
    const bool useFiltered = alternate && trace->filtered;
    return CopyScans(useFiltered ? trace->filtered : trace->points,
                     useFiltered ? trace->filteredCount : trace->pointCount, spt.firstTime, n, factor, scaled,
                     m.times, m.values);
  };
  int copied = copyFrom(dp);
  if (copied == 0) {
    // The spectrum lies outside the slot's loaded data: read around it.
    const double fileStart = wf->startTime, fileEnd = wf->endTime;
    const double from = std::max(spt.firstTime - 1.0, fileStart);
    const double to = std::min(spt.lastTime + 1.0, fileEnd);
    ScopedTrace temp;
    if (slot.plotKind == DATA_TYPE_SEGMENT_PLOT && slot.segPlots) {
      temp.dp = PLOT_SEG_Read(wf, slot.segPlots, 0, nullptr);
    } else if (slot.plotKind == DATA_TYPE_SCAN_FUN_PLOT && slot.scanFunArray) {
      if (!slot.scanFunInfo && slot.filePresent) {
        int16_t count = 0;
        slot.scanFunInfo = PD_GetScanFunInfoForDataFile(wf, &count, 0);
        slot.scanFunInfoCount = slot.scanFunInfo ? static_cast<uint16_t>(count) : 0;
      }
      temp.dp = slot.scanFunInfo ? SCAN_FUN_FastRead(slot.scanFunInfo, static_cast<int16_t>(slot.scanFunInfoCount),
                                                     wf, slot.scanFunArray, &slot.massList, 0, nullptr)
                                 : SCAN_FUN_Read(wf, slot.scanFunArray, &slot.massList, 0, nullptr);
    } else if (from < to) {
      temp.dp = MakeDataPointsStruct(wf, from, to, kMarkerTracePoints, static_cast<int16_t>(slot.plotKind), 0,
                                     &slot.chanList, &slot.massList);
    }
    if (temp.dp) {
      if (alternate) FilterDataPointsStruct(temp.dp, m_filtering);
      copied = copyFrom(temp.dp);
    }
  }
  m.pointCount = static_cast<int16_t>(copied);

  // The trace's value at the spectrum's time, between the copied points.
  const double tm = spt.header.time;
  if (copied > 0) {
    m.markerValue = m.values[copied - 1];
    for (int k = 0; k + 1 < copied; ++k) {
      const double ta = m.times[k], tb = m.times[k + 1];
      if (ta == tm) {
        m.markerValue = m.values[k];
        break;
      }
      if (ta < tm && tm < tb) {
        m.markerValue = m.values[k] + (m.values[k + 1] - m.values[k]) * (tm - ta) / (tb - ta);
        break;
      }
    }
  }
  if (withBackground)
    for (int k = 0; k < copied; ++k) GetBCValueForTime(m.slot, m.background, m.times[k], &m.backgroundValues[k]);
}

void CCtlOPlot::ClearMarkersNotHeldByManager() {
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);
  if (!drm) return;
  for (short c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (short s = 0; s < OPLOT_SPT_PLACES; ++s) {
      STRUCT_SPT_MARKER held{};
      if (m_SptMarkers[c][s].set && !(drm->GetMarker(c, s, &held) && held.present)) ClearOneSpectrumMarker(c, s);
    }
}

// ---- Messages -------------------------------------------------------------------

namespace {
struct WaitCursor {
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  ~WaitCursor() { SetCursor(old); }
};
}  // namespace

LRESULT CCtlOPlot::OnSetMarkerLFromSpt(WPARAM wParam, LPARAM lParam) {
  WaitCursor wait;
  if (lParam && wParam >= OPLOT_SLOTS) return 0;
  if (SetOneSpectrumMarker(0, 0, static_cast<short>(wParam), reinterpret_cast<const STRUCT_TOL_SPT*>(lParam)))
    RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnSetMarkerRFromSpt(WPARAM wParam, LPARAM lParam) {
  WaitCursor wait;
  if (lParam && wParam >= OPLOT_SLOTS) return 0;
  if (SetOneSpectrumMarker(0, 1, static_cast<short>(wParam), reinterpret_cast<const STRUCT_TOL_SPT*>(lParam)))
    RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnClearMarkerL(WPARAM, LPARAM) {
  ClearOneSpectrumMarker(0, 0);
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnClearMarkerR(WPARAM, LPARAM) {
  ClearOneSpectrumMarker(0, 1);
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnSetMarkerInfo(WPARAM, LPARAM lParam) {
  const auto* info = reinterpret_cast<const STRUCT_SPT_MARKER_INFO*>(lParam);
  if (!info) return 0;
  WaitCursor wait;
  // Indexes outside the table or the slots change nothing; no spectrum clears the entry.
  if (SetOneSpectrumMarker(info->control, info->spectrum, info->slot, info->spt)) RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnClearMarkerInfo(WPARAM wParam, LPARAM lParam) {
  const intptr_t window = static_cast<intptr_t>(wParam), spectrum = lParam;
  if (window < 0 || window >= OPLOT_SPT_WINDOWS || spectrum < 0 || spectrum >= OPLOT_SPT_PLACES) return 0;
  ClearOneSpectrumMarker(static_cast<short>(window), static_cast<short>(spectrum));
  RepaintUnlessSuspended();
  return 0;
}

// ---- Drawing --------------------------------------------------------------------

namespace {

// Geometry of one marker's drawing: the displayed window, its x scale and
// the slot's band and offsets.
struct MarkerFrame {
  const SVW_OVERLAY* o;
  const STRUCT_OVER_SIZES* sizes;
  int slot;
  double t0, t1, sx;
  int xl, xr, top, bottom;
  double timeOffset, valueOffset;

  bool X(double time, bool clipped, int* x) const {
    const double t = time + timeOffset;
    if (clipped && (t < t0 || t > t1)) return false;
    const double dx = std::trunc((t - t0) * sx);
    if (!std::isfinite(dx) || std::fabs(dx) > 1e6) return false;
    *x = xl + static_cast<int>(dx);
    return true;
  }
  bool Y(double value, int* y) const {
    int32_t py = 0;
    if (!OPLOT_GetYPixelFromValue(value + valueOffset, static_cast<int16_t>(slot), o, sizes, 1, &py)) return false;
    *y = py;
    return true;
  }
};

struct GdiSelection {
  HDC dc;
  HPEN pen;
  HBRUSH brush;
  HGDIOBJ oldPen, oldBrush;
  GdiSelection(HDC h, COLORREF colour)
      : dc(h), pen(CreatePen(PS_SOLID, 0, colour)), brush(CreateSolidBrush(colour)) {
    oldPen = SelectObject(dc, pen);
    oldBrush = SelectObject(dc, brush);
  }
  ~GdiSelection() {
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  }
};

void Fill(HDC dc, const MarkerFrame& f, std::initializer_list<POINT> points) {
  KELT_YCutPolygon(dc, points.begin(), static_cast<int32_t>(points.size()), f.bottom, f.top);
}

// The averaged scans shaded between the trace and the background level
// (value 0 without a background).
void ShadeScans(HDC dc, const MarkerFrame& f, const STRUCT_OPLOT_SPT_MARKER& m) {
  const int n = m.pointCount;
  const bool bg = m.backgroundValues != nullptr;
  double low = 0, high = 0;
  if (!OPLOT_GetVerticalScaleValues(f.o, f.sizes, static_cast<int16_t>(f.slot), SizesUseProcessed(f.sizes, f.slot),
                                    &low, &high))
    return;
  bool above = false, backgroundInRange = false;
  for (int k = 0; k < n; ++k) {
    above = above || m.values[k] + f.valueOffset > low;
    backgroundInRange = backgroundInRange || (bg && m.backgroundValues[k] + f.valueOffset <= high);
  }
  if (!above || (bg ? !backgroundInRange : !(high > 0))) return;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, f.xl, f.top, f.xr + 1, f.bottom + 1);
  for (int k = 0; k + 1 < n; ++k) {
    int x1 = 0, x2 = 0;
    if (!f.X(m.times[k], true, &x1) || !f.X(m.times[k + 1], true, &x2) || x1 >= x2) continue;
    const double v1 = m.values[k], v2 = m.values[k + 1];
    const double b1 = bg ? m.backgroundValues[k] : 0, b2 = bg ? m.backgroundValues[k + 1] : 0;
    int y1 = 0, y2 = 0, p1 = 0, p2 = 0;
    if (!f.Y(v1, &y1) || !f.Y(v2, &y2) || !f.Y(b1, &p1) || !f.Y(b2, &p2)) continue;
    const bool backgroundAboveLeft = b1 > v1, backgroundAboveRight = b2 > v2;
    if (backgroundAboveLeft != backgroundAboveRight) {
      double a = 0, b = 0;
      const double t1 = m.times[k], t2 = m.times[k + 1];
      const double tc = KELT_InterpolateLines(backgroundAboveLeft ? 1 : 0, t1, v1, t2, v2, b1, b2, &a, &b);
      int xc = 0, yc = 0;
      if (!f.X(tc, false, &xc) || !f.Y(a, &yc)) continue;
      if (backgroundAboveLeft) {
        if (x2 - xc > 1) Fill(dc, f, {{xc, yc}, {x2, y2}, {x2, p2}});
      } else if (xc - x1 > 1) {
        Fill(dc, f, {{x1, p1}, {x1, y1}, {xc, yc}});
      }
    } else if (!backgroundAboveLeft && (v1 > b1 || v2 > b2)) {
      Fill(dc, f, {{x1, p1}, {x1, y1}, {x2, y2}, {x2, p2}});
    }
  }
  RestoreDC(dc, saved);
}

// A single scan: a line from the baseline or the background level up to the trace.
void DrawOneScan(HDC dc, const MarkerFrame& f, const STRUCT_OPLOT_SPT_MARKER& m, int baseline) {
  int x = 0, y = 0;
  if (!f.X(m.times[0], true, &x) || !f.Y(m.values[0], &y) || y > f.bottom) return;
  int lower = 0;
  if (!m.backgroundValues) {
    if (y < f.top && baseline < f.top) return;
    lower = std::min(baseline, f.bottom);
  } else {
    int b = 0;
    if (!f.Y(m.backgroundValues[0], &b)) return;
    if ((y < f.top && b < f.top) || y == b) return;
    lower = std::min(std::max(y, b), f.bottom);
  }
  MoveToEx(dc, x, lower, nullptr);
  LineTo(dc, x, std::max(y, f.top));
}

}  // namespace

void CCtlOPlot::DrawMarkers(CDC* dc, short print, STRUCT_OVER_SIZES* sizes, short left, short bottom, short top,
                            short charWidth, short charHeight) {
  // Each slot's band comes from the sizes, as the value-to-pixel conversion takes it.
  (void)bottom;
  (void)top;
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !dc || !dc->GetSafeHdc() || !sizes) return;
  if (!print && !m_bSizesValid) return;
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  // An empty window or a plot without width has no x for any time.
  if (!(t1 > t0) || sizes->plotWidth <= 0) return;
  HDC h = dc->GetSafeHdc();
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);

  auto timeOffset = [o](int slot) { return o->tail.timeOffsetsOn ? o->tail.timeOffsets[slot] : 0.0; };
  bool takesPart[OPLOT_SPT_WINDOWS][OPLOT_SPT_PLACES] = {};
  bool any = false, labels = drm != nullptr;
  for (int c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (int s = 0; s < OPLOT_SPT_PLACES; ++s) {
      const STRUCT_OPLOT_SPT_MARKER& m = m_SptMarkers[c][s];
      if (!m.set || m.pointCount <= 0 || !m.spectrum || !m.times || !m.values || !OverlaySlotPresent(o, m.slot))
        continue;
      const double to = timeOffset(m.slot);
      if (!(m.spectrum->lastTime + to >= t0 && m.spectrum->firstTime + to <= t1)) continue;
      takesPart[c][s] = any = true;
      labels = labels || c >= 1;
    }
  if (!any) return;

  STRUCT_REPORT_PREFS report{};
  STRUCT_SPTS_PREFS spectra{};
  if (print)
    KELT_GetCurrDefReportPrefs(&report);
  else if (!drm)
    KELT_GetCurrDefSptsPrefs(&spectra);
  const int activeWindow = drm ? drm->GetActiveSptControlIndex() : -1;
  const int activeSpectrum = drm ? drm->GetActiveSptPlotIndex() : -1;

  const double sx = sizes->plotWidth / (t1 - t0);
  const int xl = left + sizes->leftScaleWidth, xr = xl + sizes->plotWidth;
  for (int c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (int s = 0; s < OPLOT_SPT_PLACES; ++s) {
      if (!takesPart[c][s]) continue;
      const STRUCT_OPLOT_SPT_MARKER& m = m_SptMarkers[c][s];
      const int slot = m.slot;
      MarkerFrame f{o, sizes, slot, t0, t1, sx, xl, xr, 0, 0, timeOffset(slot),
                    o->tail.verticalOffsetsOn ? o->tail.verticalOffsets[slot] : 0.0};
      if (!(m.spectrum->firstTime + f.timeOffset < t1)) continue;
      if (!TOL_CheckForPlotLineUnderSpt(m.spectrum, o->slots[slot].trace)) continue;
      int32_t areaLeft = 0, areaBottom = 0, areaRight = 0, areaTop = 0;
      if (!OPLOT_GetChromatogramArea(o, sizes, static_cast<int16_t>(slot), &areaLeft, &areaBottom, &areaRight,
                                     &areaTop) ||
          areaBottom <= areaTop)
        continue;
      f.top = areaTop;
      f.bottom = areaBottom;

      COLORREF colour = 0;
      if (print)
        colour = report.sptsColors.colors[kSpectrumAColour + s];
      else if (!drm)
        colour = spectra.colors.colors[kSpectrumAColour + s];
      else if (drm->m_pBlock)
        colour = drm->m_pBlock->sptsPrefs[c].colors.colors[kSpectrumAColour + s];
      const bool active = drm && c == activeWindow && s == activeSpectrum;
      GdiSelection gdi(h, colour);

      // The baseline: the bottom, or the zero line when it lies inside the band.
      int baseline = f.bottom;
      int zero = 0;
      if (f.Y(0.0, &zero)) baseline = std::min(zero, f.bottom);

      const double markerTime = m.time + f.timeOffset;
      if (t0 <= markerTime && markerTime < t1) {
        int x = 0, y = 0;
        const bool placed = f.X(m.time, false, &x) && f.Y(m.markerValue, &y);
        const int half = (f.bottom - f.top) / 2;
        int lower = 0, e = 0;
        bool stem = placed;
        if (placed && y > f.bottom) {
          lower = f.bottom;
          e = f.bottom - half;
        } else if (placed && y < f.top) {
          stem = false;
        } else if (placed) {
          lower = y;
          e = std::max(y - half, f.top);
        }
        if (stem) {
          MoveToEx(h, x, lower, nullptr);
          LineTo(h, x, e);
          const int step = 2 * charHeight <= half ? charHeight / 2 : half / 4;
          const int p1 = e + step, p2 = p1 + step;
          int flagEnd = e;
          if (s == 0 && f.top <= e && p2 <= f.bottom) {
            const POINT flag[] = {{x, e}, {x - charWidth, p1}, {x, p2}};
            if (active && !print) {
              KELT_YCutPolygon(h, flag, 3, f.bottom, f.top);
            } else {
              MoveToEx(h, x, e, nullptr);
              for (const POINT& p : flag) LineTo(h, p.x, p.y);
            }
            flagEnd = p2;
          } else if (s == 1 && f.top <= e && p2 + 2 * step <= f.bottom) {
            const POINT flag[] = {{x, e}, {x + charWidth, p1}, {x, p2}, {x + charWidth, p2 + step}, {x, p2 + 2 * step}};
            if (active && !print) {
              KELT_YCutPolygon(h, flag, 5, f.bottom, f.top);
            } else {
              MoveToEx(h, x, e, nullptr);
              for (const POINT& p : flag) LineTo(h, p.x, p.y);
            }
            flagEnd = p2 + 2 * step;
          }
          if (labels) {
            char text[3] = {static_cast<char>('1' + c), static_cast<char>('A' + s), 0};
            int ty = e - charHeight;
            if (ty < f.top) ty = flagEnd;
            if (ty < f.top) ty = f.top;
            SetTextColor(h, colour);
            const int oldMode = SetBkMode(h, TRANSPARENT);
            TextOutA(h, x - charWidth, ty, text, 2);
            SetBkMode(h, oldMode);
          }
        }
      }

      if (m.pointCount == 1)
        DrawOneScan(h, f, m, baseline);
      else
        ShadeScans(h, f, m);
    }
}

// ---- The click marker -------------------------------------------------------------

void CCtlOPlot::SetClickMarker(double time, short slot) {
  if (!OverlaySlotIndex(slot)) return;
  m_clickMarkerOn = 1;
  m_clickMarkerSlot = slot;
  m_clickMarkerTime = time;
  if (!m_noRepaint && m_hWnd) Invalidate(TRUE);
}

void CCtlOPlot::ClearClickMarker() {
  m_clickMarkerOn = 0;
  m_clickMarkerSlot = 0;
  m_clickMarkerTime = 0;
}

void CCtlOPlot::DrawClickMarker(CDC* dc) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!m_clickMarkerOn || !o || !dc || !dc->GetSafeHdc()) return;
  // A drawing in progress (a printer page too) gives its own geometry; the
  // screen's is used only outside one.
  const STRUCT_OVER_SIZES* sizes = m_pDrawnSizes ? m_pDrawnSizes : (m_bSizesValid ? &m_Sizes : nullptr);
  const int slot = m_clickMarkerSlot;
  if (!sizes || !OverlaySlotPresent(o, slot)) return;
  const double time = m_clickMarkerTime;
  if (!(o->tail.viewStart < time && time < o->tail.viewEnd)) return;
  int32_t left = 0, bottom = 0, right = 0, top = 0, x = 0;
  if (!OPLOT_GetChromatogramArea(o, sizes, static_cast<int16_t>(slot), &left, &bottom, &right, &top) ||
      bottom <= top || !OPLOT_GetXPixelFromTime(time, o, sizes, 0, &x))
    return;
  int width = 0;
  if (sizes->params.printFlag) {
    STRUCT_REPORT_PREFS report{};
    KELT_GetCurrDefReportPrefs(&report);
    width = std::max<int>(0, report.chroReport.penWidth);
  }
  HDC h = dc->GetSafeHdc();
  HPEN pen = CreatePen(PS_SOLID, width, sizes->params.colors[CHRO_COLOR_PLOT0 + slot]);
  HGDIOBJ old = SelectObject(h, pen);
  MoveToEx(h, x, bottom, nullptr);
  LineTo(h, x, top);
  SelectObject(h, old);
  DeleteObject(pen);
}
