// The overlay drawing pipeline and the plot lines of its traces.
#include "common/value_scale.h"
#include "plotengine/plot_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "plotengine/band_drawing.h"
#include "plotengine/overlay_internal.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/scales.h"
#include "plotengine/titles_and_buttons.h"
#include "ulbrec32/plot_marks.h"
#include "win/win_locale_hold.h"

namespace {

using namespace kelt::plot;

// A real coordinate as a DC integer: truncated toward zero and held inside
// 32 bits, so that a value far off scale lands beyond the band, never wraps.
int32_t Saturate(double v) {
  // In range first: one test on the path every point takes (the cast truncates).
  if (v > -2147483647.0 && v < 2147483647.0) return static_cast<int32_t>(v);
  if (std::isnan(v)) return 0;
  return v > 0 ? 2147483647 : -2147483647;
}

// A block of the common allocator, freed on every path.
class Block {
 public:
  explicit Block(uint64_t bytes)
      : p_(bytes <= 0xFFFFFFFFu ? AllocBlock(static_cast<uint32_t>(bytes)) : nullptr) {}
  ~Block() {
    if (p_) FreeBlock(p_);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  template <class T>
  T* as() const {
    return static_cast<T*>(p_);
  }

 private:
  void* p_;
};

// Where one trace of a slot goes and how its points map to pixels.
struct TraceFrame {
  int32_t left = 0, bottom = 0, right = 0, top = 0;
  double viewStart = 0, viewEnd = 0, xFactor = 0, low = 0, yMult = 0, timeOffset = 0, valueOffset = 0;
  int32_t X(double t) const { return Saturate(left + std::trunc((t + timeOffset - viewStart) * xFactor)); }
  int32_t Y(double v) const { return Saturate(bottom - std::trunc((v + valueOffset - low) * yMult)); }
  // Detector values are truncated after the subtraction, MS counts before it.
  int32_t DetectorY(double v) const { return Saturate(bottom - (v + valueOffset - low) * yMult); }
};

bool MakeFrame(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int slot, int16_t normalise, TraceFrame* f) {
  if (!OPLOT_GetChromatogramArea(o, sz, static_cast<int16_t>(slot), &f->left, &f->bottom, &f->right, &f->top))
    return false;
  double high = 0;
  if (!OPLOT_GetVerticalScaleValues(o, sz, static_cast<int16_t>(slot), normalise, &f->low, &high)) return false;
  if (!OPLOT_GetYMult(o, sz, static_cast<int16_t>(slot), &f->yMult)) return false;
  f->viewStart = o->tail.viewStart;
  f->viewEnd = o->tail.viewEnd;
  f->xFactor = sz->xFactor;
  f->timeOffset = TimeOffset(o, slot);
  f->valueOffset = VerticalOffset(o, slot);
  // A zero time or value range has no pixels: the slot is left out.
  return std::isfinite(f->xFactor) && std::isfinite(f->yMult) && f->viewEnd > f->viewStart;
}

// The points of a pass: the primary block with the slot's shown indexes,
// or the processed block with indexes found for the view window.
bool PassRange(const SVW_OVERLAY* o, int slot, int pass, const STRUCT_NE_DATA_POINTS* dp,
               const STRUCT_NE_POINT_BLOCK** block, uint32_t* count, int64_t* first, int64_t* last) {
  if (pass == 0) {
    if (!dp->points || dp->pointCount == 0) return false;
    *block = dp->points;
    *count = dp->pointCount;
    *first = o->tail.firstShownIndex[slot];
    *last = o->tail.lastShownIndex[slot];
    if (*first < 0) *first = 0;
    if (*last > static_cast<int64_t>(*count) - 1) *last = *count - 1;
    return *first <= *last;
  }
  if (!dp->filtered || dp->filteredCount == 0) return false;
  const STRUCT_NE_POINT_BLOCK* b = dp->filtered;
  const uint32_t n = dp->filteredCount;
  const double off = TimeOffset(o, slot), vs = o->tail.viewStart, ve = o->tail.viewEnd;
  int64_t f = 0;
  if (!(NePointAt(b, 0)->time + off > vs)) {
    uint32_t k = 0;
    while (k < n && NePointAt(b, k)->time + off < vs) ++k;
    f = k > 0 ? k - 1 : 0;
  }
  int64_t l = n - 1;
  if (!(ve > NePointAt(b, n - 1)->time + off)) {
    l = -1;
    for (uint32_t k = 0; k < n && NePointAt(b, k)->time + off < ve; ++k) l = k;
  }
  *block = b;
  *count = n;
  *first = f;
  *last = l;
  return f <= l;
}

double TimeAt(const STRUCT_NE_POINT_BLOCK* b, int64_t k) { return NePointAt(b, static_cast<uint32_t>(k))->time; }
double ValueAt(const STRUCT_NE_POINT_BLOCK* b, int64_t k) { return NePointValue(b, static_cast<uint32_t>(k)); }

// Linear interpolation of the value at t between points a and b.
double ValueBetween(const STRUCT_NE_POINT_BLOCK* blk, int64_t a, int64_t b, double t) {
  const double ta = TimeAt(blk, a), tb = TimeAt(blk, b), va = ValueAt(blk, a), vb = ValueAt(blk, b);
  return tb == ta ? va : va + (t - ta) * (vb - va) / (tb - ta);
}

// Whether n points spanning xFirst..xLast are sparse enough for markers.
bool MarkersWanted(HDC dc, const STRUCT_OVER_SIZES* sz, int64_t n, int32_t xFirst, int32_t xLast,
                   int maxDensity) {
  if (n < 2) return true;
  const double width = std::fabs(static_cast<double>(xLast) - xFirst);
  if (width == 0) return false;
  double cm;
  if (sz->params.printFlag) {
    cm = width * 20.32 / 32767.0;
  } else {
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    if (dpi <= 0) dpi = 96;
    cm = width * 2540.0 / dpi / 1000.0;
  }
  return static_cast<double>(n) / cm <= maxDensity;
}

void Line(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

HPEN TracePen(const STRUCT_OVER_SIZES* sz, int slot, bool solid) {
  const bool print = sz->params.printFlag != 0;
  return CreatePen(solid ? PS_SOLID : PS_DOT, print ? PrintPenWidth() : 0,
                   PaperColor(sz->params.colors[CHRO_COLOR_PLOT0 + slot], print));
}

// MS data unless the file is a sectioned detector file.
bool IsMsTrace(const STRUCT_WORK_FILE* wf) { return !wf->sectioned || wf->centroid || wf->profile; }

using TraceDrawer = int32_t (*)(HDC, const SVW_OVERLAY*, STRUCT_OVER_SIZES*, int, int16_t, int16_t,
                                const STRUCT_OPLOT_DRAW_CHRO*);

int16_t ShowMarkers(const STRUCT_OPLOT_DRAW_CHRO* d) { return static_cast<int16_t>(d->format[0] & 0xFFFF); }
int16_t MarkerDensity(const STRUCT_OPLOT_DRAW_CHRO* d) { return static_cast<int16_t>(d->format[0] >> 16); }

enum class Form { Plain, Corrected, Centroid };

int32_t DrawLinesOf(HDC dc, const SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz, const STRUCT_OPLOT_DRAW_CHRO* d, Form form) {
  if (!dc || !o || !sz || !d) return 0;
  const int16_t markers = ShowMarkers(d), density = MarkerDensity(d);
  const int16_t normalise = d->drawProcessed == 1 && d->drawRaw == 0 ? 1 : 0;
  int32_t r = 1;
  for (int slot = 0; slot < OVERLAY_SLOTS; ++slot) {
    const OVERLAY_SLOT& s = o->slots[slot];
    if (!sz->plotShown[slot] || !s.workFile) continue;
    bool P = d->drawProcessed != 0, R = d->drawRaw != 0;
    if (R && !P) sz->drawnRawOnly[slot] = 1;
    if (P && !R) sz->drawnProcessedOnly[slot] = 1;
    if (!o->tail.inView[slot] || o->tail.firstShownIndex[slot] == o->tail.lastShownIndex[slot]) continue;
    const STRUCT_NE_DATA_POINTS* dp = s.trace;
    if (form == Form::Plain && !IsMsTrace(s.workFile)) {
      if (!dp) continue;
      const bool processed = dp->filtered && dp->filteredCount > 0;
      r = OPLOT_DrawWSPlotLine(dc, o, sz, static_cast<int16_t>(slot), markers, density, 0, processed ? 0 : 1);
      if (!r) return 0;
      if (processed) {
        r = OPLOT_DrawWSPlotLine(dc, o, sz, static_cast<int16_t>(slot), markers, density, 1, 1);
        if (!r) return 0;
      }
      continue;
    }
    if (!dp) continue;
    if (P && !(dp->filtered && dp->filteredCount > 0)) P = false;
    if (!P && !R) R = true;
    const int16_t n = form == Form::Plain ? normalise : (form == Form::Corrected ? 0 : 1);
    const int16_t corrected = form == Form::Corrected ? 1 : 0, centroid = form == Form::Centroid ? 1 : 0;
    if (R) {
      r = OPLOT_DrawTolPlotLine(dc, o, sz, static_cast<int16_t>(slot), markers, density, 0, P ? 0 : 1, n, corrected,
                                centroid);
      if (!r) return 0;
      sz->rawDrawn[slot] = 1;
    }
    if (P && (form == Form::Plain || dp->pointCount > 5)) {
      r = OPLOT_DrawTolPlotLine(dc, o, sz, static_cast<int16_t>(slot), markers, density, 1, 1, n, corrected,
                                centroid);
      if (!r) return 0;
      sz->processedDrawn[slot] = 1;
    }
  }
  return r;
}

int32_t Pipeline(HDC dc, const STRUCT_OPLOT_DRAW_CHRO* d, const STRUCT_OPLOT_PLOT_PARAMS* p, SVW_OVERLAY* o,
                 STRUCT_OVER_SIZES* sz, Form form) {
  if (!dc || !d || !p || !o || !sz) return 0;
  const win::locale::SettingsHold settings;  // scales, apex labels and titles: one look at the locale
  const int16_t normalise = form == Form::Plain && d->drawProcessed == 1 && d->drawRaw == 0 ? 1 : 0;
  OPLOT_CalculateSizes(o, p, sz, normalise, d->verticalScaleWidth, d->horizontalScaleHeight);
  if (d->drawBackground && p->printFlag == 0) OPLOT_DrawBackground(dc, o, sz);
  OPLOT_DrawScales(dc, o, sz, 1, 1, 1, 0, 0);
  const int32_t r = DrawLinesOf(dc, o, sz, d, form);
  if (!r) return 0;
  OPLOT_DrawTitles(dc, o, sz, d->titleOptionA, d->titleOptionB, d->callerTitlePresent ? &d->callerTitle : nullptr);
  if (form != Form::Plain) return r;
  if (p->printFlag) OPLOT_DrawOutline(dc, sz);
  if (p->deleteButtons) OPLOT_DrawDeleteButtons(dc, o, sz);
  if (p->maximiseButtons) OPLOT_DrawMaximizeButtons(dc, o, sz);
  return r;
}

}  // namespace

KELT_API int32_t OPLOT_DrawPlots(HDC dc, const STRUCT_OPLOT_DRAW_CHRO* d, const STRUCT_OPLOT_PLOT_PARAMS* p,
                                 SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz) {
  return Pipeline(dc, d, p, o, sz, Form::Plain);
}
KELT_API int32_t OPLOT_DrawPlots_BDC(HDC dc, const STRUCT_OPLOT_DRAW_CHRO* d, const STRUCT_OPLOT_PLOT_PARAMS* p,
                                     SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz) {
  return Pipeline(dc, d, p, o, sz, Form::Corrected);
}
KELT_API int32_t OPLOT_DrawPlots_Centroid(HDC dc, const STRUCT_OPLOT_DRAW_CHRO* d,
                                          const STRUCT_OPLOT_PLOT_PARAMS* p, SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz) {
  return Pipeline(dc, d, p, o, sz, Form::Centroid);
}

KELT_API int32_t OPLOT_DrawPlotLines(HDC dc, const SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz,
                                     const STRUCT_OPLOT_DRAW_CHRO* d) {
  return DrawLinesOf(dc, o, sz, d, Form::Plain);
}
KELT_API int32_t OPLOT_DrawPlotLines_BDC(HDC dc, const SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz,
                                         const STRUCT_OPLOT_DRAW_CHRO* d) {
  return DrawLinesOf(dc, o, sz, d, Form::Corrected);
}
KELT_API int32_t OPLOT_DrawPlotLines_Centroid(HDC dc, const SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz,
                                              const STRUCT_OPLOT_DRAW_CHRO* d) {
  return DrawLinesOf(dc, o, sz, d, Form::Centroid);
}

KELT_API void OPLOT_DrawBackground(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz) {
  if (!dc || !o || !sz) return;
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  if (p.printFlag == 1) return;
  auto fill = [&](int32_t l, int32_t t, int32_t r, int32_t b, COLORREF c) {
    GdiObject brush(CreateSolidBrush(c));
    const RECT rc{l, t, r, b};
    FillRect(dc, &rc, static_cast<HBRUSH>(brush.get()));
  };
  const COLORREF background = p.colors[CHRO_COLOR_BACKGROUND];
  if (!p.gradientBackground) {
    fill(p.left, p.top, p.right, p.bottom, background);
    return;
  }
  const int32_t tsh = sz->timeScaleHeight;
  if (tsh != 0) fill(p.left, p.bottom - tsh, p.right, p.bottom, p.fadeFromWhite ? background : RGB(0, 0, 0));
  const int16_t fade = p.fadeFromWhite ? 1 : 0;
  if (o->head.displayMode != OVERLAY_MODE_STACKED) {
    KELT_FillRectWithFadeColor(dc, background, fade, p.left, p.top, p.right, p.bottom - tsh);
    return;
  }
  int32_t top = p.top;
  for (int slot = 0; slot < OVERLAY_SLOTS; ++slot) {
    const int32_t h = sz->plotHeights[slot];
    if (o->tail.attached[slot] && h > 0) KELT_FillRectWithFadeColor(dc, background, fade, p.left, top, p.right, top + h);
    top += h;
  }
}

KELT_API int32_t OPLOT_DrawWSPlotLine(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t slot,
                                      int16_t showMarkers, int16_t maxMarkerDensity, int16_t pass, int16_t solid) {
  if (!dc || !o || !sz || !OverlaySlotIndex(slot)) return 0;
  const OVERLAY_SLOT& s = o->slots[slot];
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!dp || !dp->points) return 0;
  TraceFrame f;
  const STRUCT_NE_POINT_BLOCK* blk = nullptr;
  uint32_t count = 0;
  int64_t first = 0, last = -1;
  // Nothing to draw is not a failure.
  if (!MakeFrame(o, sz, slot, 0, &f) || !PassRange(o, slot, pass, dp, &blk, &count, &first, &last)) return 1;
  const int64_t n = last + 1 - first;
  Block buffer(static_cast<uint64_t>(n) * 8u + 80u);
  POINT* pts = buffer.as<POINT>();
  if (!pts) return 0;
  const double valueFactor = WorkFileValueFactor(s.workFile);
  const bool scaled = valueFactor != 1.0;
  const auto factor = static_cast<float>(valueFactor);
  const bool print = sz->params.printFlag != 0;
  SavedDC saved(dc);
  IntersectClipRect(dc, f.left, f.top, f.right + 1, f.bottom + 1);
  GdiObject pen(TracePen(sz, slot, solid != 0));
  SelectObject(dc, pen.get());
  for (int64_t k = 0; k < n; ++k) {
    double v = ValueAt(blk, first + k);
    if (scaled) v = static_cast<float>(v) * factor;
    pts[k] = {f.X(TimeAt(blk, first + k)), f.DetectorY(v)};
  }
  KELT_YCutPolyline(dc, pts, static_cast<int32_t>(n), f.bottom, f.top);
  if (showMarkers && n >= 1) {
    if (MarkersWanted(dc, sz, n, pts[0].x, pts[n - 1].x, maxMarkerDensity)) {
      for (int64_t k = 0; k < n; ++k)
        if (pts[k].y > f.top && pts[k].y < f.bottom)
          DrawPointMarker(dc, pts[k].x, pts[k].y, sz->charWidth / 4, sz->charHeight / 6, 0);
    }
    if (last + 1 < static_cast<int64_t>(count)) {
      const double endFile = f.viewEnd - f.timeOffset;
      double v = ValueBetween(blk, last, last + 1, endFile);
      if (scaled) v = static_cast<float>(v) * factor;
      POINT edge[2] = {pts[n - 1], {f.right, f.DetectorY(v)}};
      KELT_YCutPolyline(dc, edge, 2, f.bottom, f.top);
    }
  }
  if (print) {
    SelectObject(dc, GetStockObject(BLACK_PEN));
    FramePlotRect(dc, f.left, f.bottom, f.right, f.top);
  }
  return 1;
}

namespace {

// Maps points k .. end - 1 to pts (and their flags) from *m on, stopping at
// the first whose time is past segEnd; gives where it stopped.
template <bool IsDouble>
int64_t MapPoints(const STRUCT_NE_POINT_BLOCK* blk, int64_t k, int64_t end, double segEnd, const TraceFrame& f,
                  bool flagged, POINT* pts, uint32_t* flags, int64_t* m) {
  int64_t out = *m;
  for (; k < end; ++k) {
    const STRUCT_NE_POINT* p = NePointAt(blk, static_cast<uint32_t>(k));
    // Traces outgrow the cache: ask for the points a few lines ahead.
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + 1024));
    const double t = p->time;
    if (!(t <= segEnd)) break;
    if (flagged) flags[out] = p->flags;
    pts[out++] = {f.X(t), f.Y(IsDouble ? p->value.d : static_cast<double>(p->value.i))};
  }
  *m = out;
  return k;
}

int32_t DrawTolLine(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t slot, int16_t showMarkers,
                    int16_t maxMarkerDensity, int16_t pass, int16_t solid, int16_t normaliseToProcessed,
                    int16_t corrected, int16_t centroid) {
  const OVERLAY_SLOT& s = o->slots[slot];
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!dp) return 1;
  if (pass != 0 && !(dp->filtered && dp->filteredCount > 0)) return 0;
  TraceFrame f;
  const STRUCT_NE_POINT_BLOCK* blk = nullptr;
  uint32_t count = 0;
  int64_t first = 0, last = -1;
  if (!MakeFrame(o, sz, slot, normaliseToProcessed, &f) || !PassRange(o, slot, pass, dp, &blk, &count, &first, &last))
    return 1;
  const STRUCT_WORK_FILE* wf = s.workFile;
  const int64_t n = last + 1 - first;
  Block buffer(static_cast<uint64_t>(n) * 8u + 80u);
  POINT* pts = buffer.as<POINT>();
  if (!pts) return 0;
  const bool flagged = wf && wf->kind13;
  Block flagBuffer(flagged ? static_cast<uint64_t>(n) * 4u + 40u : 0u);
  uint32_t* flags = flagBuffer.as<uint32_t>();
  if (flagged && !flags) return 0;

  // Segments to draw, each with the last file time its points may have.
  struct Seg {
    int index;
    double end;
  };
  std::vector<Seg> segs;
  const int segCount = WorkFileSegmentCount(wf);
  if (segCount < 2) {
    segs.push_back({0, HUGE_VAL});
  } else {
    const double slotStart = o->tail.firstShownTime[slot], slotEnd = o->tail.lastShownTime[slot];
    auto segEnd = [&](int i) {
      return i + 1 < segCount ? WorkFileSegment(wf, i + 1)->startTime - 0.000001 : wf->endTime;
    };
    int firstSeg = -1, lastSeg = -1;
    for (int i = 0; i < segCount; ++i) {
      if (!WorkFileSegment(wf, i)) break;
      const double end = segEnd(i);
      if (end >= slotStart) {
        if (firstSeg < 0) firstSeg = i;
        lastSeg = i;
      }
      if (end > slotEnd) break;
    }
    for (int i = firstSeg; i >= 0 && i <= lastSeg; ++i)
      segs.push_back({i, i + 1 < segCount ? WorkFileSegment(wf, i + 1)->startTime - 0.000001 : wf->endTime + 1.0});
  }

  const bool print = sz->params.printFlag != 0;
  const bool markersOnly = corrected && pass == 0 && !showMarkers;
  SavedDC saved(dc);
  IntersectClipRect(dc, f.left, f.top, f.right + 1, f.bottom + 1);
  GdiObject pen(TracePen(sz, slot, solid != 0 || (corrected && pass == 0 && !showMarkers)));
  SelectObject(dc, pen.get());
  const bool flagMarks = showMarkers && flagged;
  const COLORREF flagColour = PaperColor(sz->params.colors[CHRO_COLOR_AXES], print);
  GdiObject flagPen(flagMarks ? CreatePen(PS_SOLID, print ? PrintPenWidth() : 0, flagColour) : nullptr);
  GdiObject flagBrush(flagMarks ? CreateSolidBrush(flagColour) : nullptr);
  const int32_t mw = sz->charWidth / 4, mh = sz->charHeight / 6;

  auto drawRun = [&](int64_t m) {
    if (centroid) {
      int32_t zero = Saturate(f.bottom - std::trunc((0.0 - f.low) * f.yMult));
      if (zero < 0) zero = f.bottom;
      for (int64_t k = 0; k < m; ++k) Line(dc, pts[k].x, pts[k].y, pts[k].x, zero);
      Line(dc, f.left, zero, f.right, zero);
      return;
    }
    if (markersOnly) {
      for (int64_t k = 0; k < m; ++k)
        if (pts[k].y > f.top && pts[k].y < f.bottom) DrawPointMarker(dc, pts[k].x, pts[k].y, mw, mh, 0);
      return;
    }
    if (m == 1)
      Line(dc, pts[0].x, pts[0].y, pts[0].x, pts[0].y - (print ? 50 : 1));
    else
      KELT_YCutPolyline(dc, pts, static_cast<int32_t>(m), f.bottom, f.top);
    if (!showMarkers || !MarkersWanted(dc, sz, m, pts[0].x, pts[m - 1].x, maxMarkerDensity)) return;
    for (int64_t k = 0; k < m; ++k) {
      if (!(pts[k].y > f.top && pts[k].y < f.bottom)) continue;
      if (flagMarks && flags[k]) {
        HGDIOBJ oldPen = SelectObject(dc, flagPen.get());
        HGDIOBJ oldBrush = SelectObject(dc, flagBrush.get());
        DrawPointMarker(dc, pts[k].x, pts[k].y, mw, mh, 1);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
      } else {
        DrawPointMarker(dc, pts[k].x, pts[k].y, mw, mh, 0);
      }
    }
  };

  const bool edges = !(corrected && pass == 0);
  // Where segment i starts, and the last time its points may have (files of one run: unbounded).
  auto segStart = [&](int i) {
    if (segCount < 2 || i < 0) return -HUGE_VAL;
    const MS_SEGMENT_BLOCK* b = WorkFileSegment(wf, i < segCount ? i : segCount - 1);
    return b ? b->startTime : -HUGE_VAL;
  };
  auto segLimit = [&](int i) {
    if (segCount < 2 || i + 1 >= segCount) return HUGE_VAL;
    return WorkFileSegment(wf, i + 1)->startTime - 0.000001;
  };
  const bool isDouble = blk->isDouble == 1;
  int64_t k = first;
  int prevSeg = -2;
  POINT lastPt{0, 0};
  uint32_t lastFlag = 0;
  bool firstDrawn = false;
  for (const Seg& seg : segs) {
    const int64_t runStart = k;
    int64_t m = 0;
    if (prevSeg == seg.index - 1) {
      if (flagged) flags[m] = lastFlag;
      pts[m++] = lastPt;
    }
    // The segment's points are mapped as they are found (one pass over a
    // trace too large for the cache); past the most drawn point for point,
    // the rest is only counted and the whole segment binned below.
    const int64_t mapEnd = std::min<int64_t>(last + 1, runStart + OPLOT_MOST_SEGMENT_POINTS);
    if (isDouble) k = MapPoints<true>(blk, k, mapEnd, seg.end, f, flagged, pts, flags, &m);
    else k = MapPoints<false>(blk, k, mapEnd, seg.end, f, flagged, pts, flags, &m);
    if (k == mapEnd)
      while (k <= last && TimeAt(blk, k) <= seg.end) ++k;
    const int64_t inSeg = k - runStart;
    if (inSeg == 0) continue;
    if (inSeg > OPLOT_MOST_SEGMENT_POINTS) {
      m = 0;
      // One point per bin of the segment's span: the first point's x, the highest value.
      const double t0 = TimeAt(blk, runStart), span = TimeAt(blk, k - 1) - t0;
      int64_t bin = -1;
      for (int64_t i = runStart; i < k; ++i) {
        int64_t b = span > 0 ? static_cast<int64_t>((TimeAt(blk, i) - t0) / span * OPLOT_SEGMENT_BINS) : 0;
        if (b >= OPLOT_SEGMENT_BINS) b = OPLOT_SEGMENT_BINS - 1;
        const int32_t y = f.Y(ValueAt(blk, i));
        const uint32_t fl = NePointAt(blk, static_cast<uint32_t>(i))->flags;
        if (b != bin) {
          bin = b;
          if (flagged) flags[m] = fl ? 1 : 0;
          pts[m++] = {f.X(TimeAt(blk, i)), y};
        } else {
          if (y < pts[m - 1].y) pts[m - 1].y = y;
          if (flagged && fl) flags[m - 1] = 1;
        }
      }
    }
    drawRun(m);
    // The point before counts when it lies in this segment or the one before.
    if (!firstDrawn && edges && runStart > 0 && TimeAt(blk, runStart - 1) >= segStart(seg.index - 1)) {
      const double t = f.viewStart - f.timeOffset;
      if (t > TimeAt(blk, runStart - 1) && t < TimeAt(blk, runStart)) {
        const POINT start = pts[prevSeg == seg.index - 1 && inSeg <= OPLOT_MOST_SEGMENT_POINTS ? 1 : 0];
        POINT edge[2] = {{f.left, f.Y(ValueBetween(blk, runStart - 1, runStart, t))}, start};
        KELT_YCutPolyline(dc, edge, 2, f.bottom, f.top);
      }
    }
    firstDrawn = true;
    lastPt = pts[m - 1];
    lastFlag = flagged ? flags[m - 1] : 0;
    prevSeg = seg.index;
  }
  // The point after counts when it lies in the last drawn segment or the next one.
  if (firstDrawn && edges && last + 1 < static_cast<int64_t>(count) &&
      TimeAt(blk, last + 1) <= segLimit(prevSeg + 1)) {
    const double t = f.viewEnd - f.timeOffset;
    if (t > TimeAt(blk, last) && t < TimeAt(blk, last + 1)) {
      POINT edge[2] = {lastPt, {f.right, f.Y(ValueBetween(blk, last, last + 1, t))}};
      KELT_YCutPolyline(dc, edge, 2, f.bottom, f.top);
    }
  }
  return 1;
}

}  // namespace

KELT_API int32_t OPLOT_DrawTolPlotLine(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t slot,
                                       int16_t showMarkers, int16_t maxMarkerDensity, int16_t pass, int16_t solid,
                                       int16_t normaliseToProcessed, int16_t corrected, int16_t centroid) {
  if (!dc || !o || !sz || !OverlaySlotIndex(slot)) return 0;
  // The segment list is a container: running out of memory fails the trace, as a failed buffer does.
  try {
    return DrawTolLine(dc, o, sz, slot, showMarkers, maxMarkerDensity, pass, solid, normaliseToProcessed, corrected,
                       centroid);
  } catch (...) {
    return 0;
  }
}
