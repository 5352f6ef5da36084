// Peak events, baselines and the event strips of one plot.
#include "plotengine/peak_event_drawing.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "holbrin/holbrin.h"
#include "plotengine/overlay_internal.h"
#include "plotengine/plot_coordinates.h"
#include "ulbrec32/plot_marks.h"

namespace {

using namespace kelt::plot;

// Mark sizes of every triangle: half-width and unit height.
struct MarkSize {
  int32_t w, h;
};
MarkSize Marks(const STRUCT_OVER_SIZES* sz) {
  return {kelt::events::MarkHalfWidth(sz), kelt::events::MarkHalfHeight(sz)};
}

struct Area {
  int32_t left = 0, bottom = 0, right = 0, top = 0;
};

bool PlotArea(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int plot, Area* a) {
  return OPLOT_GetChromatogramArea(o, sz, static_cast<int16_t>(plot), &a->left, &a->bottom, &a->right, &a->top) != 0;
}

bool XOf(double t, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int32_t* x) {
  return OPLOT_GetXPixelFromTime(t, o, sz, 0, x) != 0;
}
bool YOf(double v, int plot, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, bool allowOutside, int32_t* y) {
  return OPLOT_GetYPixelFromValue(v, static_cast<int16_t>(plot), o, sz, allowOutside ? 1 : 0, y) != 0;
}

int16_t Short(int32_t v) { return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

int32_t Clamp32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483647.0) return -2147483647;
  return static_cast<int32_t>(v);
}

void Line(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

void Text(HDC dc, int32_t x, int32_t y, const char* s) { TextOutA(dc, x, y, s, static_cast<int>(std::strlen(s))); }

SIZE TextSize(HDC dc, const char* s) {
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, s, static_cast<int>(std::strlen(s)), &size);
  return size;
}

bool AtOriginalPlace(const STRUCT_OPLOT_PEAK_EVENT& e) {
  if (e.originalRawTime == 0 && e.originalValue == 0.0f) return e.rawTime == e.readRawTime && e.value == e.readValue;
  return e.rawTime == e.originalRawTime && e.value == e.originalValue;
}

STRUCT_OPLOT_PEAK_EVENT* EventAt(STRUCT_OPLOT_DRAW_EVENTS* r, int i) {
  if (!r->events || i < 0 || i >= r->eventCount) return nullptr;
  return &r->events[i];
}

bool IsBaselineEnd(const STRUCT_OPLOT_DRAW_EVENTS* r, int i) {
  for (int b = 0; r->baselines && b < r->baselineCount; ++b)
    if (r->baselines[b].startEvent == i || r->baselines[b].endEvent == i) return true;
  return false;
}
bool IsValleyEvent(const STRUCT_OPLOT_DRAW_EVENTS* r, int i) {
  for (int v = 0; r->valleys && v < r->valleyCount; ++v)
    if (r->valleys[v].event == i) return true;
  return false;
}

// Places a label above (x, y) inside the area, as the area labels are placed.
void PlaceLabel(HDC dc, const char* text, int32_t x, int32_t y, const Area& a, const STRUCT_OVER_SIZES* sz,
                const MarkSize& m, bool beside) {
  const SIZE s = TextSize(dc, text);
  const int32_t tw = s.cx, th = s.cy, ch = sz->charHeight;
  int32_t tx = x - (tw >> 1), ty = y - ((ch >> 1) + th);
  if (tx + tw + m.w > a.right) tx = a.right - m.w - tw;
  if (ty + th > a.bottom) ty = a.bottom - th;
  if (tx <= a.left + m.w) tx = a.left + m.w;
  if (ty <= a.top) {
    if (beside) {
      tx = x + sz->charWidth;
      ty = y;
    } else {
      ty = a.top + m.h;
    }
  }
  Text(dc, tx, ty, text);
}

// Brush and pen of one colour selected for a scope.
class Colouring {
 public:
  Colouring(HDC dc, COLORREF colour)
      : dc_(dc), pen_(CreatePen(PS_SOLID, 0, colour)), brush_(CreateSolidBrush(colour)) {
    oldPen_ = SelectObject(dc, pen_.get());
    oldBrush_ = SelectObject(dc, brush_.get());
  }
  ~Colouring() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
  }
  Colouring(const Colouring&) = delete;
  Colouring& operator=(const Colouring&) = delete;

 private:
  HDC dc_;
  GdiObject pen_, brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

int32_t StripTop(const STRUCT_OVER_SIZES* sz, int mode) {
  int32_t y = sz->params.top;
  if (mode == OVERLAY_MODE_STACKED) {
    for (int i = 0; i < OVERLAY_SLOTS; ++i) y += sz->plotHeights[i];
  } else {
    y += sz->overlaidPlotHeight;
  }
  return y;
}

struct Span {
  int32_t from, to;
};

bool Clear(int32_t from, int32_t to, const std::vector<Span>& taken) {
  for (const Span& t : taken)
    if (from <= t.to && t.from <= to) return false;
  return true;
}

// The hint's place is the strip's top left corner; where a mark or range
// line crosses it there, it goes to the row of the abbreviations, into the
// first gap wide enough, so that no text lies over a mark.
void DrawTimeEventsHint(HDC dc, int n, int32_t left, int32_t top, int32_t right, int32_t lowerRow,
                        const std::vector<Span>& marks, const std::vector<Span>& abbreviations) {
  char hint[80];
  std::snprintf(hint, sizeof hint, "Right Click to Add/Edit Time Events.  Count: %d", n);
  const int32_t width = TextSize(dc, hint).cx;
  int32_t x = left + 2, y = top + 2;
  if (!Clear(x, x + width, marks)) {
    const int32_t gap = TextSize(dc, "M").cx;
    std::vector<int32_t> candidates{left + 2};
    for (const Span& a : abbreviations) candidates.push_back(a.to + gap);
    int32_t best = -1;
    for (int32_t c : candidates)
      if (c + width <= right - 2 && Clear(c - gap / 2, c + width + gap / 2, abbreviations) && (best < 0 || c < best))
        best = c;
    if (best >= 0) {
      x = best;
      y = lowerRow;
    }
  }
  const COLORREF kept = SetTextColor(dc, RGB(127, 127, 127));
  Text(dc, x, y, hint);
  SetTextColor(dc, kept);
}

}  // namespace

KELT_API void KELT_DrawSmallUpCrossTriangle(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
  KELT_DrawSmallUpTriangle(dc, x, y, w, h, 0);
  Line(dc, x - w, y, x + w, y + 3 * h);
  Line(dc, x + w, y, x - w, y + 3 * h);
}

KELT_API void OPLOT_FillFramedRect(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top,
                                   COLORREF colour) {
  if (!dc) return;
  GdiObject brush(CreateSolidBrush(colour));
  GdiObject pen(CreatePen(PS_SOLID, 0, RGB(0, 0, 0)));
  HGDIOBJ oldBrush = SelectObject(dc, brush.get());
  HGDIOBJ oldPen = SelectObject(dc, pen.get());
  const POINT p[4] = {{left, bottom}, {left, top}, {right, top}, {right, bottom}};
  Polygon(dc, p, 4);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
}

KELT_API void OPLOT_DrawFramedRect(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top) {
  if (!dc) return;
  GdiObject pen(CreatePen(PS_SOLID, 0, RGB(0, 0, 0)));
  HGDIOBJ oldPen = SelectObject(dc, pen.get());
  const POINT p[5] = {{left, bottom}, {left, top}, {right, top}, {right, bottom}, {left, bottom}};
  Polyline(dc, p, 5);
  SelectObject(dc, oldPen);
}

KELT_API void OPLOT_DrawPeakApexes(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t plot,
                                   double low, double high, STRUCT_OPLOT_DRAW_EVENTS* r) {
  if (!dc || !o || !sz || !r || !OverlaySlotIndex(plot)) return;
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  const bool print = p.printFlag != 0;
  SetTextColor(dc, p.colors[CHRO_COLOR_AXES]);
  if (!print) {
    SetBkColor(dc, p.colors[CHRO_COLOR_BACKGROUND]);
    SetBkMode(dc, TRANSPARENT);
  }
  Area a;
  if (!PlotArea(o, sz, plot, &a)) return;
  const MarkSize m = Marks(sz);
  const int32_t ch = sz->charHeight;

  for (int k = 0; r->peaks && k < r->peakCount; ++k) {
    STRUCT_OPLOT_PEAK_MARK& pk = r->peaks[k];
    pk.drawn = pk.x = pk.y = pk.selected = 0;
    int32_t x = 0, y = 0;
    if (!XOf(pk.apexTime, o, sz, &x)) continue;
    const double v = pk.apexValue;
    if (!(low < v && v < high)) continue;
    if (!YOf(v, plot, o, sz, false, &y)) continue;
    const bool selected = r->selectedApexValid && pk.apexRawTime == r->selectedApexRaw;
    pk.selected = selected ? 1 : 0;
    pk.drawn = 1;
    pk.x = Short(x);
    pk.y = Short(y);
    KELT_DrawSmallDownTriangle(dc, x, y, m.w, m.h, selected ? 1 : 0);
    if (r->markEnabled) {
      const float threshold = r->markMode ? r->markThresholdA : r->markThresholdB;
      if (selected || pk.area >= threshold) {
        const bool filled = (r->highlightEnabled && k == r->highlightIndex) || (selected && r->fillSelectedMark);
        KELT_DrawSmallUpTriangle(dc, x, y, m.w, 2 * m.h, filled ? 1 : 0);
      }
    }
    if (r->showAreaLabels == 1) {
      char text[64] = {};
      KELT_FormatAreaOrHeight(0, pk.area, text);
      PlaceLabel(dc, text, x, y, a, sz, m, selected);
    }
  }

  if (r->groupValid) {
    double t = 0, v = 0;
    int32_t x = 0, y = 0;
    if (OPLOT_GetInterpolatedValueFromTime(o, plot, r->focusTime, &t, &v) && XOf(t, o, sz, &x) &&
        YOf(v, plot, o, sz, false, &y)) {
      KELT_DrawSmallDownTriangle(dc, x, y, m.w, m.h, 1);
      PlaceLabel(dc, "Group", x, y, a, sz, m, false);
      const double rs = o->tail.viewStart, re = o->tail.viewEnd;
      double ts = r->groupStart, te = r->groupEnd;
      if (ts < rs) ts = rs;
      if (te > re) te = re;
      int32_t xs = 0, xe = 0;
      if (XOf(ts, o, sz, &xs)) {
        Line(dc, xs, y, x, y);
        if (ts > rs) Line(dc, xs, y - ch, xs, y + ch);
      }
      if (XOf(te, o, sz, &xe)) {
        Line(dc, xe, y, x, y);
        if (te < re) Line(dc, xe, y - ch, xe, y + ch);
      }
    }
  }

  for (int k = 0; r->valleys && k < r->valleyCount; ++k) {
    STRUCT_OPLOT_VALLEY& val = r->valleys[k];
    val.handle.drawn = 0;
    const STRUCT_OPLOT_PEAK_EVENT* ev = EventAt(r, val.event);
    if (!ev || ev->hidden || val.baseline == -1) continue;
    const STRUCT_OPLOT_PEAK_EVENT* s = EventAt(r, val.spanStartEvent);
    const STRUCT_OPLOT_PEAK_EVENT* e = EventAt(r, val.spanEndEvent);
    int32_t x = 0, y = 0;
    if (!XOf(val.time, o, sz, &x)) continue;
    const double v = val.value;
    if (v > high) {
      y = a.top;
    } else if (v < low) {
      y = a.bottom;
    } else {
      if (!YOf(v, plot, o, sz, true, &y)) continue;
      KELT_DrawSmallUpTriangle(dc, x, y, m.w, m.h, AtOriginalPlace(*ev) ? 0 : 1);
      val.handle.drawn = 1;
      val.handle.x = Short(x);
      val.handle.y = Short(y);
    }
    if (y < a.bottom && s && e) {
      const double ts = s->time, vs = s->value, te = e->time, ve = e->value;
      const double vb = te != ts ? vs + (val.time - ts) / (te - ts) * (ve - vs) : vs;
      int32_t yb = 0;
      if (vb > high) {
        yb = a.top;
      } else if (vb < low) {
        yb = a.bottom;
      } else if (!YOf(vb, plot, o, sz, true, &yb)) {
        continue;
      }
      if (yb > a.top) Line(dc, x, y, x, yb);
    }
  }
}

KELT_API void OPLOT_DrawNonApexEvents(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t plot,
                                      double low, double high, STRUCT_OPLOT_DRAW_EVENTS* r) {
  if (!dc || !o || !sz || !r || !r->hasEvents || !r->events || !OverlaySlotIndex(plot)) return;
  const MarkSize m = Marks(sz);
  for (int i = 0; i < r->eventCount; ++i) {
    STRUCT_OPLOT_PEAK_EVENT& e = r->events[i];
    e.drawn = 0;
    if (e.code == 0 || e.hidden || IsBaselineEnd(r, i) || IsValleyEvent(r, i)) continue;
    if (!(e.code & OPLOT_EVENT_APEX_BITS)) continue;
    bool integrated = false;
    for (int k = 0; r->peaks && k < r->peakCount && !integrated; ++k) integrated = r->peaks[k].apexRawTime == e.rawTime;
    if (integrated) continue;
    const double v = e.value;
    int32_t x = 0, y = 0;
    if (!(e.time >= o->tail.viewStart && e.time <= o->tail.viewEnd) || !(low < v && v < high)) continue;
    if (!XOf(e.time, o, sz, &x) || !YOf(v, plot, o, sz, false, &y)) continue;
    KELT_DrawSmallUpTriangle(dc, x, y, m.w, m.h, 0);
    e.drawn = 1;
    e.x = Short(x);
    e.y = Short(y);
  }
}

KELT_API void OPLOT_DrawOriginalEvents(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t plot,
                                       double low, double high, STRUCT_OPLOT_DRAW_EVENTS* r) {
  if (!dc || !o || !sz || !r || !r->events || !OverlaySlotIndex(plot)) return;
  const MarkSize m = Marks(sz);
  for (int i = 0; i < r->eventCount; ++i) {
    const STRUCT_OPLOT_PEAK_EVENT& e = r->events[i];
    if (e.code == 0 || e.hidden || !(IsBaselineEnd(r, i) || IsValleyEvent(r, i))) continue;
    uint32_t raw = 0;
    double v = 0;
    if (e.originalRawTime != 0 || e.originalValue != 0.0f) {
      if (e.rawTime == e.originalRawTime && e.value == e.originalValue) continue;
      raw = e.originalRawTime;
      v = e.originalValue;
    } else {
      if (!e.moved || (e.readRawTime == e.rawTime && e.readValue == e.value)) continue;
      raw = e.readRawTime;
      v = e.readValue;
    }
    const double t = DHRawToMinutes(raw);
    int32_t x = 0, y = 0;
    if (!(t >= o->tail.viewStart && t <= o->tail.viewEnd) || !(low < v && v < high)) continue;
    if (!XOf(t, o, sz, &x) || !YOf(v, plot, o, sz, false, &y)) continue;
    KELT_DrawSmallUpCrossTriangle(dc, x, y, m.w, m.h);
  }
}

KELT_API void OPLOT_DrawBaselines(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t plot, double low,
                                  double high, STRUCT_OPLOT_DRAW_EVENTS* r) {
  if (!dc || !o || !sz || !r || !r->baselines || !OverlaySlotIndex(plot)) return;
  Area a;
  double ys = 0;
  if (!PlotArea(o, sz, plot, &a) || !OPLOT_GetYMult(o, sz, plot, &ys) || !std::isfinite(ys)) return;
  const double xs = sz->xFactor, rs = o->tail.viewStart, re = o->tail.viewEnd;
  if (!std::isfinite(xs)) return;
  const MarkSize m = Marks(sz);
  auto X = [&](double t) { return Clamp32(a.left + std::trunc((t - rs) * xs)); };
  auto Y = [&](double v) { return Clamp32(a.bottom - std::trunc((v - low) * ys)); };
  for (int b = 0; b < r->baselineCount; ++b) {
    STRUCT_OPLOT_BASELINE& bl = r->baselines[b];
    bl.startHandle.drawn = bl.endHandle.drawn = 0;
    double t[4], v[4];
    int n = 0;
    t[n] = bl.startTime;
    v[n++] = bl.startValue;
    if (bl.code >= 13 && bl.code <= 15) {
      if (bl.altStartEvent != -1)
        if (const STRUCT_OPLOT_PEAK_EVENT* e = EventAt(r, bl.altStartEvent)) {
          t[n] = e->time;
          v[n++] = e->value;
        }
      if (bl.altEndEvent != -1)
        if (const STRUCT_OPLOT_PEAK_EVENT* e = EventAt(r, bl.altEndEvent)) {
          t[n] = e->time;
          v[n++] = e->value;
        }
    }
    t[n] = bl.endTime;
    v[n++] = bl.endValue;
    for (int k = 0; k + 1 < n; ++k) {
      if (!(t[k] <= re && t[k + 1] >= rs)) continue;
      int32_t out[4];
      if (KELT_Clipper(out, X(t[k]), Y(v[k]), X(t[k + 1]), Y(v[k + 1]), a.left, a.bottom, a.right, a.top))
        Line(dc, out[0], out[1], out[2], out[3]);
    }
    auto mark = [&](double time, double value, int16_t event, STRUCT_OPLOT_EVENT_HANDLE& handle) {
      if (!(rs < time && time < re && low < value && value < high)) return;
      const int32_t x = X(time), y = Y(value);
      const STRUCT_OPLOT_PEAK_EVENT* e = EventAt(r, event);
      KELT_DrawSmallUpTriangle(dc, x, y, m.w, m.h, e && !AtOriginalPlace(*e) ? 1 : 0);
      handle.drawn = 1;
      handle.x = Short(x);
      handle.y = Short(y);
    };
    mark(bl.startTime, bl.startValue, bl.startEvent, bl.startHandle);
    mark(bl.endTime, bl.endValue, bl.endEvent, bl.endHandle);
  }
}

KELT_API int32_t OPLOT_GetPeakEventsArea(const STRUCT_OVER_SIZES* sz, int16_t displayMode, int16_t showPeakStrip,
                                         int16_t, int32_t* left, int32_t* bottom, int32_t* right, int32_t* top) {
  if (!sz) return 0;
  const int32_t H = sz->charHeight;
  if (!showPeakStrip || sz->timeScaleHeight <= 2 * H) return 0;
  const int32_t y = StripTop(sz, displayMode);
  const int32_t l = sz->params.left + sz->leftScaleWidth;
  const int32_t r = l + sz->plotWidth - (sz->params.printFlag ? 25 : 1);
  const int32_t t = y + 2 * H;
  if (left) *left = l;
  if (right) *right = r;
  if (top) *top = t;
  if (bottom) *bottom = t + 2 * H - (H >> 1);
  return 1;
}

KELT_API int32_t OPLOT_GetTimeEventsArea(const STRUCT_OVER_SIZES* sz, int16_t displayMode, const SVW_OVERLAY* o,
                                         int16_t plot, int16_t showPeakStrip, int16_t showTimeStrip, int32_t* left,
                                         int32_t* bottom, int32_t* right, int32_t* top) {
  if (!sz) return 0;
  const int32_t H = sz->charHeight;
  if (!showTimeStrip || sz->timeScaleHeight <= 2 * H) return 0;
  int32_t y0 = StripTop(sz, displayMode) + 2 * H;
  if (showPeakStrip) y0 += 2 * H - (H >> 1);
  const bool print = sz->params.printFlag != 0;
  int32_t l = sz->params.left + sz->leftScaleWidth;
  int32_t r = l + sz->plotWidth;
  if (o && OverlaySlotIndex(plot) && o->slots[plot].workFile) {
    const STRUCT_WORK_FILE* wf = o->slots[plot].workFile;
    int32_t x = 0;
    if (o->tail.viewStart < wf->startTime && XOf(wf->startTime, o, sz, &x)) l = x;
    if (o->tail.viewEnd > wf->endTime && XOf(wf->endTime, o, sz, &x)) r = x;
  }
  r -= print ? 25 : 1;
  const int32_t inset = print ? 100 : 2;
  if (left) *left = l;
  if (right) *right = r;
  if (top) *top = y0 + inset;
  if (bottom) *bottom = y0 + 2 * H + (H >> 1) - inset;
  return 1;
}

KELT_API int32_t OPLOT_GetWinPeakEventsArea(const STRUCT_OVER_SIZES* sz, int16_t displayMode, int32_t xOffset,
                                            int32_t yOffset, int16_t showPeakStrip, int16_t showTimeStrip,
                                            int32_t* left, int32_t* bottom, int32_t* right, int32_t* top) {
  int32_t l, b, r, t;
  if (!OPLOT_GetPeakEventsArea(sz, displayMode, showPeakStrip, showTimeStrip, &l, &b, &r, &t)) return 0;
  if (left) *left = l + xOffset;
  if (right) *right = r + xOffset;
  if (top) *top = t + yOffset;
  if (bottom) *bottom = b + yOffset;
  return 1;
}

KELT_API int32_t OPLOT_GetWinTimeEventsArea(const STRUCT_OVER_SIZES* sz, int16_t displayMode, const SVW_OVERLAY* o,
                                            int16_t plot, int32_t xOffset, int32_t yOffset, int16_t showPeakStrip,
                                            int16_t showTimeStrip, int32_t* left, int32_t* bottom, int32_t* right,
                                            int32_t* top) {
  int32_t l, b, r, t;
  if (!OPLOT_GetTimeEventsArea(sz, displayMode, o, plot, showPeakStrip, showTimeStrip, &l, &b, &r, &t)) return 0;
  if (left) *left = l + xOffset;
  if (right) *right = r + xOffset;
  if (top) *top = t + yOffset;
  if (bottom) *bottom = b + yOffset;
  return 1;
}

KELT_API int32_t OPLOT_DrawPeakEventsStrip(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t plot,
                                           STRUCT_OPLOT_DRAW_EVENTS* r) {
  if (!dc || !o || !sz || !r) return 0;
  int32_t left, bottom, right, top;
  if (!OPLOT_GetPeakEventsArea(sz, o->head.displayMode, r->showPeakStrip, r->showTimeStrip, &left, &bottom, &right,
                               &top))
    return 0;
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  const bool print = p.printFlag != 0;
  if (print)
    OPLOT_DrawFramedRect(dc, left, bottom, right, top);
  else
    OPLOT_FillFramedRect(dc, left, bottom, right, top, RGB(255, 255, 255));
  SetTextColor(dc, p.colors[CHRO_COLOR_AXES]);
  const int32_t tx = p.left + (print ? 100 : 4);
  Text(dc, tx, top, "Peak");
  Text(dc, tx, top + ((bottom + 1 - top) >> 1), "Events");
  const MarkSize m = Marks(sz);
  for (int k = 0; r->valleys && k < r->valleyCount; ++k) {
    const STRUCT_OPLOT_VALLEY& val = r->valleys[k];
    const STRUCT_OPLOT_PEAK_EVENT* ev = EventAt(r, val.event);
    if (ev && ev->hidden) continue;
    int32_t x = 0;
    if (!XOf(val.time, o, sz, &x)) continue;
    KELT_DrawSmallUpTriangle(dc, x, top, m.w, m.h, val.handle.moved ? 1 : 0);
  }
  (void)plot;
  return 1;
}

KELT_API int32_t OPLOT_DrawTimeEventsStrip(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t plot,
                                           int16_t xOffset, int16_t yOffset, int16_t showPeakStrip,
                                           int16_t showTimeStrip, STRUCT_OPLOT_TIME_EVENT* events, int16_t count,
                                           int16_t selected) {
  if (!dc || !o || !sz || !OverlaySlotIndex(plot)) return 0;
  int32_t left, bottom, right, top;
  if (!OPLOT_GetTimeEventsArea(sz, o->head.displayMode, o, plot, showPeakStrip, showTimeStrip, &left, &bottom,
                               &right, &top))
    return 0;
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  if (bottom > p.bottom || !o->slots[plot].workFile) return 0;
  const bool print = p.printFlag != 0;
  if (print)
    OPLOT_DrawFramedRect(dc, left, bottom, right, top);
  else
    OPLOT_FillFramedRect(dc, left, bottom, right, top, RGB(255, 255, 255));
  const int n = events && count > 0 ? count : 0;
  std::vector<Span> marks, abbreviations;
  const SIZE mSize = TextSize(dc, "M");
  const int32_t mh = mSize.cy;
  const int32_t lineY = top + (mh - mh / 3);
  SetTextColor(dc, p.colors[CHRO_COLOR_AXES]);
  const int32_t tx = p.left + (print ? 100 : 4);
  Text(dc, tx, top, "Time");
  Text(dc, tx, top + mh, "Events");
  const MarkSize m = Marks(sz);
  const double rs = o->tail.viewStart, re = o->tail.viewEnd;
  const STRUCT_OPLOT_TIME_EVENT_TYPE* types = OPLOT_TIME_EVENT_TYPES;
  auto typeOf = [&](int16_t t) -> const STRUCT_OPLOT_TIME_EVENT_TYPE* {
    return t >= 0 && t < OPLOT_TIME_EVENT_TYPE_COUNT ? &types[t] : nullptr;
  };
  if (n > 0) {
    SetTextColor(dc, RGB(0, 0, 0));
    for (int i = 0; i < n; ++i) {
      STRUCT_OPLOT_TIME_EVENT& ev = events[i];
      ev.startMark.drawn = ev.endMark.drawn = ev.rangeMark.drawn = 0;
      const STRUCT_OPLOT_TIME_EVENT_TYPE* type = typeOf(ev.type);
      if (ev.hidden || !type) continue;
      int32_t x1 = 0, x2 = 0;
      bool startShown = false, endShown = false;
      if (type->range) {
        double ts = ev.time / 10000.0, te = ev.endTime / 10000.0;
        if (!(ts <= re && te >= rs)) continue;
        startShown = rs <= ts && ts <= re;
        if (!startShown) ts = rs;
        endShown = te <= re && te >= rs;
        if (!endShown) te = re;
        if (!XOf(ts, o, sz, &x1) || !XOf(te, o, sz, &x2)) continue;
      } else {
        const double t = ev.time / 10000.0;
        if (!(rs <= t && t <= re) || !XOf(t, o, sz, &x1)) continue;
      }
      const bool isSelected = i == selected;
      const COLORREF colour = !type->range && isSelected ? RGB(0, 0, 0) : static_cast<COLORREF>(type->colour);
      GdiObject brush(CreateSolidBrush(static_cast<COLORREF>(type->colour)));
      GdiObject pen(CreatePen(PS_SOLID, 0, colour));
      HGDIOBJ oldBrush = SelectObject(dc, brush.get());
      HGDIOBJ oldPen = SelectObject(dc, pen.get());
      if (type->range) {
        Line(dc, x1, lineY, x2, lineY);
        ev.rangeMark = {1, Short(xOffset + x1), Short(xOffset + x2), Short(yOffset + lineY)};
        if (!print && isSelected) {
          HGDIOBJ keep = SelectObject(dc, GetStockObject(BLACK_PEN));
          Line(dc, x1, lineY + 1, x2, lineY + 1);
          Line(dc, x1, lineY - 1, x2, lineY - 1);
          SelectObject(dc, keep);
        }
        if (startShown) {
          KELT_DrawSmallUpTriangle(dc, x1, lineY, m.w, m.h, 1);
          ev.startMark = {1, Short(xOffset + x1), Short(yOffset + lineY)};
        }
        if (endShown) {
          KELT_DrawSmallDownTriangle(dc, x2, lineY, m.w, m.h, 1);
          ev.endMark = {1, Short(xOffset + x2), Short(yOffset + lineY)};
        }
      } else {
        DrawPointMarker(dc, x1, lineY, m.w, m.h, 1);
        ev.startMark = {1, Short(xOffset + x1), Short(yOffset + lineY)};
      }
      SelectObject(dc, oldPen);
      SelectObject(dc, oldBrush);
      char abbreviation[sizeof type->abbreviation + 1] = {};
      std::memcpy(abbreviation, type->abbreviation, sizeof type->abbreviation);
      Text(dc, x1, bottom - mh, abbreviation);
      marks.push_back({x1 - m.w, (type->range ? x2 : x1) + m.w});
      abbreviations.push_back({x1, x1 + TextSize(dc, abbreviation).cx});
    }
  }
  DrawTimeEventsHint(dc, n, left, top, right, bottom - mh, marks, abbreviations);
  // The selection is inverted over the plot; an index outside the array selects nothing.
  if (selected >= 0 && selected < n) {
    const STRUCT_OPLOT_TIME_EVENT& ev = events[selected];
    const STRUCT_OPLOT_TIME_EVENT_TYPE* type = typeOf(ev.type);
    int32_t al, ab, ar, at;
    if (type && OPLOT_GetChromatogramArea(o, sz, plot, &al, &ab, &ar, &at)) {
      const int old = SetROP2(dc, R2_NOT);
      if (type->range) {
        const int32_t a = ev.rangeMark.x1 - xOffset, b = ev.rangeMark.x2 - xOffset;
        PatBlt(dc, a, at, b - a, ab - at, DSTINVERT);
      } else {
        const int32_t x = ev.startMark.x - xOffset;
        Line(dc, x, at, x, ab);
      }
      SetROP2(dc, old);
    }
  }
  return 1;
}

KELT_API void OPLOT_DrawAllPeakEvents(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t xOffset,
                                      int16_t yOffset, const LOGFONTA* font, STRUCT_OPLOT_DRAW_EVENTS* r,
                                      STRUCT_OPLOT_TIME_EVENT* timeEvents, int16_t timeEventCount,
                                      int16_t selectedTimeEvent) {
  if (!dc || !o || !sz || !r) return;
  const int16_t plot = r->plot;
  if (!OverlaySlotIndex(plot) || !sz->plotInView[plot]) return;
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  const bool print = p.printFlag != 0;
  Colouring colouring(dc, p.colors[CHRO_COLOR_AXES]);
  GdiObject newFont(!print && font ? CreateFontIndirectA(font) : nullptr);
  HGDIOBJ oldFont = newFont.get() ? SelectObject(dc, newFont.get()) : nullptr;
  {
    SavedDC saved(dc);
    Area a;
    if (PlotArea(o, sz, plot, &a)) {
      IntersectClipRect(dc, a.left, a.top, a.right + 1, a.bottom + 1);
      double low = 0, high = 0;
      if (OPLOT_GetVerticalScaleValues(o, sz, plot, SizesUseProcessed(sz, plot), &low, &high)) {
        OPLOT_DrawPeakApexes(dc, o, sz, plot, low, high, r);
        OPLOT_DrawNonApexEvents(dc, o, sz, plot, low, high, r);
        OPLOT_DrawOriginalEvents(dc, o, sz, plot, low, high, r);
        OPLOT_DrawBaselines(dc, o, sz, plot, low, high, r);
      }
    }
  }
  OPLOT_DrawPeakEventsStrip(dc, o, sz, plot, r);
  OPLOT_DrawTimeEventsStrip(dc, o, sz, plot, xOffset, yOffset, r->showPeakStrip, r->showTimeStrip, timeEvents,
                            timeEventCount, selectedTimeEvent);
  if (oldFont) SelectObject(dc, oldFont);
}
