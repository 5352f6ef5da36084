// Background-correction marks over a trace.
#include "plotengine/background_correction_marks.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "orvik32/orvik32.h"
#include "plotengine/overlay_internal.h"
#include "plotengine/plot_coordinates.h"
#include "spectra/segment_checks.h"

namespace {

using namespace kelt::plot;

struct Rect {
  double left, bottom, right, top;
};

void Line(HDC dc, const Rect& r, double x1, double y1, double x2, double y2) {
  int32_t out[4];
  if (!KELT_Clipper(out, x1, y1, x2, y2, r.left, r.bottom, r.right, r.top)) return;
  MoveToEx(dc, out[0], out[1], nullptr);
  LineTo(dc, out[2], out[3]);
}

struct Pt {
  double x, y;
};

// y at x on the straight line through a and b (a's y when they share an x).
double YOnLine(const Pt& a, const Pt& b, double x) {
  if (!(std::fabs(b.x - a.x) > 0.0)) return a.y;
  return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
}

struct MarksDeleter {
  void operator()(STRUCT_BC_MARKS* m) const { FreeBackCorrMarks(m); }
};

}  // namespace

KELT_API void OPLOT_OnePlotDrawBackgroundCorrection(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz,
                                                    int16_t slot, const STRUCT_BC_MARKS* marks, int32_t left,
                                                    int32_t bottom, int32_t right, int32_t top, int32_t tickHeight) {
  try {
    if (!dc || !o || !sz || !marks || !OverlaySlotIndex(slot)) return;
    const STRUCT_NE_DATA_POINTS* trace = o->slots[slot].trace;
    if (!trace) return;
    const double vs = o->tail.viewStart, ve = o->tail.viewEnd;
    double low = 0, high = 0;
    if (!OPLOT_GetVerticalScaleValues(o, sz, slot, SizesUseProcessed(sz, slot), &low, &high)) return;
    if (!(std::fabs(ve - vs) > 0.0) || !(std::fabs(high - low) > 0.0)) return;
    const Rect r{double(left), double(bottom), double(right), double(top)};
    const double xScale = (r.right - r.left) / (ve - vs);
    const double yScale = (r.bottom - r.top) / (high - low);
    const double dt = TimeOffset(o, slot), dv = VerticalOffset(o, slot);
    auto X = [&](double t) { return r.left + (t + dt - vs) * xScale; };
    auto Y = [&](double v) { return r.bottom - (v + dv - low) * yScale; };
    const double mark = Greater(2.0, tickHeight / 4);

    const size_t rangeCount = marks->rangeCount, pointCount = marks->pointCount;
    const uint32_t sampleCount = marks->sampleCount;
    const STRUCT_BC_MARK_RANGE* ranges = BcMarkRanges(marks);
    const STRUCT_BC_MARK_POINT* points = BcMarkPoints(marks);
    const STRUCT_BC_MARK_SAMPLE* samples = BcMarkSamples(marks);
    if (GetBlockSize(marks) < static_cast<size_t>(reinterpret_cast<const uint8_t*>(samples + sampleCount) -
                                                  reinterpret_cast<const uint8_t*>(marks)))
      return;

    // Points drawn, by the range that holds them.
    std::vector<std::vector<Pt>> held(rangeCount);
    size_t ri = 0;
    for (size_t i = 0; i < pointCount; ++i) {
      const STRUCT_BC_MARK_POINT p = points[i];
      while (ri < rangeCount && ranges[ri].endTime < p.time) ++ri;
      if (ri == rangeCount) break;
      if (!KELT_CheckPlotInSegment(trace, p.segment)) continue;
      const Pt at{X(p.time), Y(p.value)};
      held[ri].push_back(at);
      const double t = p.time + dt;
      if (t < vs || t > ve) continue;
      Line(dc, r, at.x, at.y, at.x, at.y - tickHeight);
      if (p.firstSample > sampleCount || p.sampleCount > sampleCount - p.firstSample) continue;
      for (uint32_t k = 0; k < p.sampleCount; ++k) {
        const STRUCT_BC_MARK_SAMPLE s = samples[p.firstSample + k];
        const double st = s.time + dt, sv = s.value + dv;
        if (st < vs || st > ve || sv < low || sv > high) continue;
        const double sx = X(s.time), sy = Y(s.value);
        Line(dc, r, sx - mark, sy, sx + mark, sy);
      }
    }

    // The correction line of each range, carried on to the range's ends;
    // the clipping stops it at the window's edges.
    for (size_t k = 0; k < rangeCount; ++k) {
      const std::vector<Pt>& p = held[k];
      if (p.empty()) continue;
      const double xs = X(ranges[k].startTime), xe = X(ranges[k].endTime);
      if (p.size() == 1) {
        Line(dc, r, xs, p[0].y, xe, p[0].y);
        continue;
      }
      if (xs < p[0].x) Line(dc, r, xs, YOnLine(p[0], p[1], xs), p[0].x, p[0].y);
      for (size_t i = 1; i < p.size(); ++i) Line(dc, r, p[i - 1].x, p[i - 1].y, p[i].x, p[i].y);
      const Pt& a = p[p.size() - 2];
      const Pt& b = p.back();
      if (xe > b.x) Line(dc, r, b.x, b.y, xe, YOnLine(a, b, xe));
    }
  } catch (...) {
  }
}

KELT_API void OPLOT_DrawBackgroundCorrection(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz,
                                             const STRUCT_FILE_BC* correction, int16_t slotA, int16_t slotB) {
  try {
    if (!dc || !o || !sz || !correction || CountBackCorrRanges(correction) <= 0) return;
    const bool print = sz->params.printFlag != 0;
    const int32_t tick = print ? 664 : sz->charHeight;
    SavedDC saved(dc);
    std::unique_ptr<GdiObject> pen;
    for (int16_t slot = 0; slot < OVERLAY_SLOTS; ++slot) {
      if (!OverlaySlotPresent(o, slot) || !sz->plotInView[slot]) continue;
      if (o->head.displayMode != OVERLAY_MODE_STACKED && slot != slotA && slot != slotB) continue;
      const OVERLAY_SLOT& s = o->slots[slot];
      if (strncmp(s.units, "Counts", OVERLAY_UNITS_SIZE) != 0 || !s.workFile || !s.trace) continue;
      std::unique_ptr<STRUCT_BC_MARKS, MarksDeleter> marks(GetBackCorrMarks(correction, s.workFile));
      if (!marks) continue;
      if (!pen) {
        pen = std::make_unique<GdiObject>(
            CreatePen(PS_SOLID, print ? PrintPenWidth() : 0, sz->params.colors[CHRO_COLOR_BASELINES]));
        SelectObject(dc, pen->get());
      }
      int32_t left, bottom, right, top;
      if (!OPLOT_GetChromatogramArea(o, sz, slot, &left, &bottom, &right, &top)) continue;
      OPLOT_OnePlotDrawBackgroundCorrection(dc, o, sz, slot, marks.get(), left, bottom, right, top, tick);
    }
  } catch (...) {
  }
}
