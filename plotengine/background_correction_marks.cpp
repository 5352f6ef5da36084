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

struct Range {
  double start, end;
};

// The correction's ranges: the head of each segment group, every count
// checked against the block.
bool ReadRanges(const STRUCT_FILE_BC* bc, std::vector<Range>& out) {
  const uint32_t size = GetBlockSize(bc);
  if (size < sizeof(STRUCT_FILE_BC)) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(bc);
  uint16_t groups;
  std::memcpy(&groups, bytes + offsetof(STRUCT_FILE_BC, groupCount), 2);
  size_t at = sizeof(STRUCT_FILE_BC);
  for (uint16_t g = 0; g < groups; ++g) {
    STRUCT_FILE_BC_GROUP head;
    if (at + sizeof head > size) return false;
    std::memcpy(&head, bytes + at, sizeof head);
    at += sizeof head + size_t{head.entryCount} * sizeof(STRUCT_FILE_BC_ENTRY);
    if (at > size) return false;
    out.push_back({head.startTime, head.endTime});
  }
  return true;
}

}  // namespace

KELT_API void OPLOT_OnePlotDrawBackgroundCorrection(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top,
                                                    int16_t charWidth, int16_t charHeight, double verticalMin,
                                                    double verticalMax, double startTime, double endTime,
                                                    double timeShift, double valueShift,
                                                    const STRUCT_NE_DATA_POINTS* trace,
                                                    const STRUCT_FILE_BC* correction, int16_t spectrumCount,
                                                    STRUCT_BC_DRAW_INFO* const* spectra) {
  try {
    if (!dc || !trace || !trace->points || trace->pointCount == 0 || !correction || !spectra || spectrumCount <= 0)
      return;
    const double vs = startTime, ve = endTime, low = verticalMin, high = verticalMax;
    if (!(std::fabs(ve - vs) > 0.0) || !(std::fabs(high - low) > 0.0)) return;
    std::vector<Range> ranges;
    if (!ReadRanges(correction, ranges)) return;
    const Rect r{double(left), double(bottom), double(right), double(top)};
    const double xScale = (r.right - r.left) / (ve - vs);
    const double yScale = (r.bottom - r.top) / (high - low);
    auto X = [&](double t) { return r.left + (t + timeShift - vs) * xScale; };
    auto Y = [&](double v) { return r.bottom - (v + valueShift - low) * yScale; };
    const double tick = charHeight;
    const double mark = Greater(2.0, charWidth / 2);

    // Spectra drawn, by the range that holds them.
    std::vector<std::vector<Pt>> held(ranges.size());
    size_t ri = 0;
    for (int16_t i = 0; i < spectrumCount; ++i) {
      const STRUCT_BC_DRAW_INFO* info = spectra[i];
      if (!info || GetBlockSize(info) < sizeof *info) continue;
      STRUCT_BC_DRAW_INFO p;
      std::memcpy(&p, info, sizeof p);
      while (ri < ranges.size() && ranges[ri].end < p.time) ++ri;
      if (ri == ranges.size()) break;
      if (!KELT_CheckPlotInSegment(trace, p.segment)) continue;
      const Pt at{X(p.time), Y(p.meanValue)};
      held[ri].push_back(at);
      const double t = p.time + timeShift;
      if (t < vs || t > ve) continue;
      Line(dc, r, at.x, at.y, at.x, at.y - tick);
      // Only the pairs the record really holds.
      const size_t room = (GetBlockSize(info) - sizeof p) / 16;
      const size_t pairs = p.scanCount < room ? p.scanCount : room;
      for (size_t k = 0; k < pairs; ++k) {
        double pair[2];
        std::memcpy(pair, BcDrawInfoPairs(info) + 16 * k, 16);
        const double st = pair[0] + timeShift, sv = pair[1] + valueShift;
        if (st < vs || st > ve || sv < low || sv > high) continue;
        const double sx = X(pair[0]), sy = Y(pair[1]);
        Line(dc, r, sx - mark, sy, sx + mark, sy);
      }
    }

    // The correction line of each range, carried on to the range's ends;
    // the clipping stops it at the window's edges.
    for (size_t k = 0; k < ranges.size(); ++k) {
      const std::vector<Pt>& p = held[k];
      if (p.empty()) continue;
      const double xs = X(ranges[k].start), xe = X(ranges[k].end);
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
                                             const STRUCT_OPLOT_BC_SLOT* slots, int16_t slotA, int16_t slotB) {
  try {
    if (!dc || !o || !sz || !slots) return;
    const bool print = sz->params.printFlag != 0;
    SavedDC saved(dc);
    std::unique_ptr<GdiObject> pen;
    for (int16_t slot = 0; slot < OVERLAY_SLOTS; ++slot) {
      const STRUCT_OPLOT_BC_SLOT& e = slots[slot];
      if (e.spectrumCount <= 0 || !e.spectra || !e.correction) continue;
      if (!OverlaySlotPresent(o, slot) || !sz->plotInView[slot]) continue;
      if (o->head.displayMode != OVERLAY_MODE_STACKED && slot != slotA && slot != slotB) continue;
      const OVERLAY_SLOT& s = o->slots[slot];
      if (strncmp(s.units, "Counts", OVERLAY_UNITS_SIZE) != 0 || !s.trace) continue;
      if (!pen) {
        pen = std::make_unique<GdiObject>(
            CreatePen(PS_SOLID, print ? PrintPenWidth() : 0, sz->params.colors[CHRO_COLOR_BASELINES]));
        SelectObject(dc, pen->get());
      }
      int32_t left, bottom, right, top;
      if (!OPLOT_GetChromatogramArea(o, sz, slot, &left, &bottom, &right, &top)) continue;
      double low = 0, high = 0;
      if (!OPLOT_GetVerticalScaleValues(o, sz, slot, SizesUseProcessed(sz, slot), &low, &high)) continue;
      OPLOT_OnePlotDrawBackgroundCorrection(dc, left, bottom, right, top, sz->charWidth,
                                            static_cast<int16_t>(print ? 664 : sz->charHeight), low, high,
                                            o->tail.viewStart, o->tail.viewEnd, TimeOffset(o, slot),
                                            VerticalOffset(o, slot), s.trace, e.correction, e.spectrumCount,
                                            e.spectra);
    }
  } catch (...) {
  }
}
