// Scales: tick steps, unit prefixes, the vertical and horizontal scale
// painters and the scales an overlay gets in each display mode.
#include "plotengine/scales.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plotengine/overlay_internal.h"
#include "plotengine/plot_coordinates.h"
#include "ulbrec32/number_text.h"
#include "win/win_locale_hold.h"

namespace {

using namespace kelt::plot;

// Bounds on the loops of a painter, whatever the numbers it is given.
constexpr int kMostTicks = 10000;
constexpr int kMostDoublings = 64;

bool Whole(double x) { return std::fabs(x - std::round(x)) < 1e-9 * std::max(1.0, std::fabs(x)); }

// Smallest multiple of step at or above v (step > 0), kept clear of rounding noise.
double MultipleAtOrAbove(double v, double step) { return std::ceil(v / step - 1e-9) * step; }

// --- Unit prefixes -------------------------------------------------------------------

// The user-trace rule is the library's, except that only a positive value of
// a million or more brings the values down; values already at or above one
// with no such value are left as they are.
int32_t UserTraceLadder(double* values, int32_t count, char* unit) {
  if (!unit || !unit[0]) return 0;
  bool anyAtLeastOne = false, anyMillion = false;
  for (int32_t i = 0; i < count; ++i) {
    anyAtLeastOne = anyAtLeastOne || std::fabs(values[i]) >= 1.0;
    anyMillion = anyMillion || values[i] >= 1000000.0;
  }
  if (anyAtLeastOne && !anyMillion) return 0;
  return ScaleValuesToUnit(values, count, unit);
}

// The shared frame: tiny values take no part.
template <class Rule>
int32_t AdjustFrame(double* values, int32_t count, char* unit, Rule rule) {
  if (!values || count <= 0 || !unit) return 0;
  std::vector<double> taking;
  std::vector<int32_t> at;
  for (int32_t i = 0; i < count; ++i) {
    if (std::fabs(values[i]) < 1e-8) continue;
    taking.push_back(values[i]);
    at.push_back(i);
  }
  if (taking.empty()) return 0;
  const int32_t result = rule(taking.data(), static_cast<int32_t>(taking.size()), unit);
  for (size_t k = 0; k < at.size(); ++k) values[at[k]] = taking[k];
  return result;
}

// --- Ticks ---------------------------------------------------------------------------

struct Ticks {
  double first = 0, step = 0;
  char format[SCALE_FORMAT_SIZE] = {};
};

// Steps 2 to 6 of both painters: units, tick rule, fixed and integer steps,
// reversed direction and the label suffix. lo/hi come back ordered, the
// unit text adjusted.
Ticks MakeTicks(const STRUCT_AXIS_PARAMS& axis, double low, double high, const char* suffix, double* lo, double* hi) {
  Ticks t;
  *lo = std::min(low, high);
  *hi = std::max(low, high);
  CalculateTickStep(*lo, *hi, t.format, &t.step, &t.first);
  const double F = std::fabs(axis.fixedMajorStep);
  if (F > 0 && t.step > 0) {
    if (F < 1 || !axis.integerSteps) {
      if (t.step < F) {
        t.step = F >= 1 ? std::trunc(F) : F;
        t.first = MultipleAtOrAbove(*lo, t.step);
      }
    } else {
      std::snprintf(t.format, sizeof t.format, "%%.0f");
      const double whole = std::trunc(F);
      if (t.step > F)
        t.step = std::max(whole, std::floor(t.step / whole + 1e-9) * whole);
      else if (t.step < F)
        t.step = whole;
      t.first = std::trunc(t.first / t.step) * t.step;
      if (t.step >= 1) t.first = MultipleAtOrAbove(*lo, t.step);
    }
  }
  if (high < low && t.step > 0) {
    // Counting down from the top of the reversed range.
    t.first = std::floor(*hi / t.step - 1e-9) * t.step;
    if (t.first >= *hi) t.first -= t.step;
    t.step = -t.step;
  }
  if (suffix && suffix[0]) {
    const size_t n = std::strlen(t.format);
    std::snprintf(t.format + n, sizeof t.format - n, "%.*s", SCALE_TEXT_SIZE - 1, suffix);
  }
  return t;
}

// Steps 1 to 6 of both painters: the unit text and, unless the units are
// kept, the range and fixed steps brought to its prefix (zero steps take no
// part: the rule leaves out tiny values), then the ticks.
struct ScaleFrame {
  double low, high, fixedMajor, fixedMinor;
  char unit[SCALE_TEXT_SIZE] = {};
  double lo = 0, hi = 0;
  Ticks ticks;
  ScaleFrame(const STRUCT_AXIS_PARAMS& axis, double from, double to, const char* unitText, bool keepUnits,
             bool userTraceRules, const char* suffix)
      : low(from), high(to), fixedMajor(axis.fixedMajorStep), fixedMinor(axis.fixedMinorStep) {
    std::memcpy(unit, unitText, SCALE_TEXT_SIZE - 1);
    if (!keepUnits) {
      double v[4] = {low, high, fixedMajor, fixedMinor};
      const int32_t changed =
          userTraceRules ? KELT_AdjustUnitValuesUserTraceRules(v, 4, unit) : KELT_AdjustUnitValues(v, 4, unit);
      if (changed) {
        low = v[0];
        high = v[1];
        fixedMajor = v[2];
        fixedMinor = v[3];
      }
    }
    STRUCT_AXIS_PARAMS scaled = axis;
    scaled.fixedMajorStep = fixedMajor;
    ticks = MakeTicks(scaled, low, high, suffix, &lo, &hi);
  }
};

std::string Label(const Ticks& t, double v) {
  if (std::fabs(v) < std::fabs(t.step) * 1e-6) v = 0.0;  // no "-0"
  char text[64];
  std::snprintf(text, sizeof text, t.format, v);
  LocaliseNumberText(text);
  return text;
}

// Minor ticks per major interval (0: none).
int MinorCount(const STRUCT_AXIS_PARAMS& axis, double step, double majorPixels, double fixedMinor) {
  if (axis.minorTickStyle == SCALE_TICKS_NONE || (axis.minorDivision != 0 && axis.minorDivision != 1)) return 0;
  int n = axis.minorDivision == 1 ? 4 : 9;
  if (majorPixels / (n + 1) < axis.minMinorSpacing) {
    if (n == 4) return 0;
    n = 4;
    if (majorPixels / (n + 1) < axis.minMinorSpacing) return 0;
  }
  const double f = std::fabs(fixedMinor);
  if (f > 0) {
    const double autoMinor = step / (n + 1);
    if (f >= step) return 0;
    if (f > autoMinor) {
      n = static_cast<int>(std::trunc(step / f + 0.5)) - 1;
    } else if (axis.integerSteps && !Whole(autoMinor)) {
      if (n == 4) return 0;
      n = 4;
      if (!Whole(step / 5)) return 0;
    }
  }
  return n > 0 ? n : 0;
}

// Which labels a label mode draws; "past" tells whether a value lies at or
// beyond the scale's far end in the direction of the step.
template <class Past>
bool LabelWanted(int mode, int drawn, double v, double step, Past past) {
  switch (mode) {
    case 1:
      return past(v + step);
    case 2:
      return drawn == 0;
    case 3:
      return drawn == 0 || (!past(v + step) && past(v + 2 * step));
    default:
      return true;
  }
}

void Line(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

SIZE TextSize(HDC dc, const std::string& s) {
  SIZE sz{0, 0};
  GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &sz);
  return sz;
}

void Text(HDC dc, int32_t x, int32_t y, const std::string& s) {
  TextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

// Extent of a tick across a vertical axis at x.
void VerticalTick(int style, int32_t x, int32_t len, bool scaleLeftOfPlot, int32_t* x0, int32_t* x1) {
  if (style == SCALE_TICKS_CROSSING) {
    *x0 = x - len;
    *x1 = x + len;
  } else if ((style == SCALE_TICKS_INTO_PLOT) == scaleLeftOfPlot) {
    *x0 = x;
    *x1 = x + len;
  } else {
    *x0 = x - len;
    *x1 = x;
  }
}

void HorizontalTick(int style, int32_t y, int32_t len, bool below, int32_t* y0, int32_t* y1) {
  if (style == SCALE_TICKS_CROSSING) {
    *y0 = y - len;
    *y1 = y + len;
  } else if ((style == SCALE_TICKS_INTO_PLOT) != below) {
    *y0 = y;
    *y1 = y + len;
  } else {
    *y0 = y - len;
    *y1 = y;
  }
}

}  // namespace

KELT_API void CalculateTickStep(double low, double high, char* format, double* step, double* firstTick) {
  char fmt[SCALE_FORMAT_SIZE] = "%f";
  double s = 0, first = high;
  const double range = high - low;
  if (low < high && std::isfinite(range) && range > 0) {
    double unit = 1.0;
    while (range / unit > 10) unit *= 10;
    while (range / unit < 1) unit *= 0.1;
    while (range / unit < 4) unit /= 2;
    s = unit;
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.8f", s);
    size_t n = std::strlen(printed), dropped = 0;
    while (n > 0 && printed[n - 1] == '0') {
      --n;
      ++dropped;
    }
    const int decimals = 8 - static_cast<int>(dropped);
    std::snprintf(fmt, sizeof fmt, "%%.%df", decimals < 0 ? 0 : decimals);
    first = low >= 0 ? (std::floor(low / s + 1e-9) + 1) * s : MultipleAtOrAbove(low, s);
  }
  if (format) std::memcpy(format, fmt, SCALE_FORMAT_SIZE);
  if (step) *step = s;
  if (firstTick) *firstTick = first;
}

KELT_API int32_t KELT_AdjustUnitValues(double* values, int32_t count, char* unitText) {
  try {
    return AdjustFrame(values, count, unitText, ScaleValuesToUnit);
  } catch (...) {
    return 0;
  }
}

KELT_API int32_t KELT_AdjustUnitValuesUserTraceRules(double* values, int32_t count, char* unitText) {
  try {
    return AdjustFrame(values, count, unitText, UserTraceLadder);
  } catch (...) {
    return 0;
  }
}

KELT_API void KELT_DrawVerticalScale(HDC dc, const STRUCT_VERT_SCALE* vs) {
  try {
    if (!dc || !vs) return;
    const win::locale::SettingsHold settings;  // one look at the locale for every label
    // A scale of no height has no room for ticks (and no end to the step doubling).
    if (vs->top >= vs->bottom || !(std::fabs(vs->high - vs->low) >= 1e-8)) return;
    const STRUCT_AXIS_PARAMS axis = vs->axis;
    ScaleFrame f(axis, vs->low, vs->high, vs->unitText, vs->keepUnits != 0, vs->userTraceRules != 0, vs->labelSuffix);
    const double low = f.low, high = f.high, fixedMinor = f.fixedMinor, lo = f.lo, hi = f.hi;
    const char* const unit = f.unit;
    Ticks t = f.ticks;
    if (t.step == 0) return;

    SavedDC saved(dc);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const SIZE cell = TextSize(dc, "X");
    const int32_t cw = cell.cx, ch = cell.cy > 0 ? cell.cy : 1;
    const double ppu = static_cast<double>(vs->bottom - vs->top) / (high - low);
    auto yOf = [&](double v) { return vs->bottom - (v - low) * ppu; };
    for (int i = 0; i < kMostDoublings && std::fabs(t.step * ppu) < ch; ++i) t.step *= 2;
    if (!(std::fabs(t.step * ppu) >= ch)) return;

    const bool leftOfPlot = vs->scaleLeftOfPlot != 0;
    const int32_t axisX = leftOfPlot ? vs->right : vs->left;
    Line(dc, axisX, vs->top, axisX, vs->bottom);
    if (vs->farAxisX != -1) Line(dc, vs->farAxisX, vs->top, vs->farAxisX, vs->bottom);
    const int32_t L = axis.majorTickLength, l = axis.minorTickLength;
    // The plot lies left of the far axis of a left scale, right of that of a right scale.
    const int32_t farInto = leftOfPlot ? -1 : 1;
    if (axis.majorTickStyle != SCALE_TICKS_NONE) {
      for (int i = 0; i < kMostTicks; ++i) {
        const int32_t y = static_cast<int32_t>(yOf(t.first + i * t.step));
        if (!(y > vs->top)) break;
        int32_t x0, x1;
        VerticalTick(axis.majorTickStyle, axisX, L, leftOfPlot, &x0, &x1);
        Line(dc, x0, y, x1, y);
        if (vs->farAxisX != -1) Line(dc, vs->farAxisX, y, vs->farAxisX + farInto * L, y);
      }
    }
    const int minors = MinorCount(axis, std::fabs(t.step), std::fabs(t.step * ppu), fixedMinor);
    if (minors > 0) {
      for (int i = -1; i < kMostTicks; ++i) {
        const double major = t.first + i * t.step;
        if (!(yOf(major) > vs->top)) break;
        for (int k = 1; k <= minors; ++k) {
          const double y = yOf(major + k * t.step / (minors + 1));
          if (!(y > vs->top && y < vs->bottom)) continue;
          int32_t x0, x1;
          VerticalTick(axis.minorTickStyle, axisX, l, leftOfPlot, &x0, &x1);
          Line(dc, x0, static_cast<int32_t>(y), x1, static_cast<int32_t>(y));
        }
      }
    }

    const int32_t labelTop = vs->labelTop ? vs->labelTop : vs->top;
    const int32_t labelBottom = vs->labelBottom ? vs->labelBottom : vs->bottom;
    const bool unitShownAtTop = unit[0] && vs->unitAtTop;
    const double tol = std::fabs(t.step) * 1e-9;
    auto past = [&](double v) { return t.step > 0 ? v >= hi - tol : v <= lo + tol; };
    int drawn = 0;
    for (int i = 0; i < kMostTicks; ++i) {
      const double v = t.first + i * t.step;
      if (v < lo - tol || v > hi + tol) break;
      if (!LabelWanted(axis.labelMode, drawn, v, t.step, past)) continue;
      int32_t y = static_cast<int32_t>(yOf(v)) - ch / 2;
      if (y < labelTop) y = labelTop;
      if (labelBottom - y < ch / 2) continue;
      if (unitShownAtTop && y - labelTop < ch) continue;
      const std::string text = Label(t, v);
      const SIZE sz = TextSize(dc, text);
      // Half a character and the minor length off the axis, as stated, even
      // where a long tick on the labels' side reaches the text: a tick is
      // no text, and moving the labels would move the stated layout.
      const int32_t x = leftOfPlot ? vs->right - sz.cx - cw / 2 - l : vs->left + cw / 2 + l;
      Text(dc, x, y, text);
      ++drawn;
      if (axis.labelMode == 2) break;
    }
    if (unit[0]) {
      const SIZE sz = TextSize(dc, unit);
      int32_t x = vs->left + cw / 2;
      if (leftOfPlot) x = std::max(vs->right - sz.cx - cw / 2, vs->left + cw / 2);
      const int32_t y = vs->unitAtTop ? vs->top + ch / 4 : labelBottom - ch / 4 - ch;
      Text(dc, x, y, unit);
    }
  } catch (...) {
  }
}

KELT_API void KELT_DrawHorizontalScale(HDC dc, const STRUCT_HORZ_SCALE* hs) {
  try {
    if (!dc || !hs) return;
    const win::locale::SettingsHold settings;  // one look at the locale for every label
    if (hs->top > hs->bottom || hs->left >= hs->right || !(std::fabs(hs->high - hs->low) >= 1e-8)) return;
    const STRUCT_AXIS_PARAMS axis = hs->axis;
    ScaleFrame f(axis, hs->low, hs->high, hs->unitText, hs->keepUnits != 0, false, hs->labelSuffix);
    const double low = f.low, high = f.high, fixedMinor = f.fixedMinor, lo = f.lo, hi = f.hi;
    const char* const unit = f.unit;
    Ticks t = f.ticks;
    if (t.step == 0) return;

    SavedDC saved(dc);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const SIZE cell = TextSize(dc, "X");
    const int32_t cw = cell.cx > 0 ? cell.cx : 1, ch = cell.cy;
    const double ppu = static_cast<double>(hs->right - hs->left) / (high - low);
    auto xOf = [&](double v) { return hs->left + (v - low) * ppu; };
    const double tol0 = std::fabs(t.step) * 1e-9;
    auto longestLabel = [&]() {
      size_t longest = 0;
      for (int i = 0; i < kMostTicks; ++i) {
        const double v = t.first + i * t.step;
        if (v < lo - tol0 || v > hi + tol0) break;
        longest = std::max(longest, Label(t, v).size());
      }
      return static_cast<double>((longest + 1) * static_cast<size_t>(cw));
    };
    for (int i = 0; i < kMostDoublings && std::fabs(t.step * ppu) < longestLabel(); ++i) t.step *= 2;
    if (!(std::fabs(t.step * ppu) >= 1.0)) return;

    const bool below = hs->scaleBelowAxis != 0;
    const int32_t axisY = below ? hs->top : hs->bottom;
    Line(dc, hs->left, axisY, hs->right, axisY);
    const int32_t L = axis.majorTickLength, l = axis.minorTickLength;
    if (axis.majorTickStyle != SCALE_TICKS_NONE) {
      int32_t y0, y1;
      HorizontalTick(axis.majorTickStyle, axisY, L, below, &y0, &y1);
      for (int i = 0; i < kMostTicks; ++i) {
        const double x = xOf(t.first + i * t.step);
        if (!(x <= hs->right) || x < hs->left - 1) break;
        Line(dc, static_cast<int32_t>(x), y0, static_cast<int32_t>(x), y1);
      }
      Line(dc, hs->left, y0, hs->left, y1);
      Line(dc, hs->right, y0, hs->right, y1);
    }
    const int minors = MinorCount(axis, std::fabs(t.step), std::fabs(t.step * ppu), fixedMinor);
    if (minors > 0) {
      int32_t y0, y1;
      HorizontalTick(axis.minorTickStyle, axisY, l, below, &y0, &y1);
      for (int i = -1; i < kMostTicks; ++i) {
        const double major = t.first + i * t.step;
        if (!(xOf(major) <= hs->right)) break;
        for (int k = 1; k <= minors; ++k) {
          const double x = xOf(major + k * t.step / (minors + 1));
          if (x > hs->left && x < hs->right) Line(dc, static_cast<int32_t>(x), y0, static_cast<int32_t>(x), y1);
        }
      }
    }

    const bool closeLabels =
        axis.majorTickStyle == SCALE_TICKS_LABEL_SIDE || axis.majorTickStyle == SCALE_TICKS_CROSSING;
    const int32_t y = below ? hs->top + (closeLabels ? 2 * (ch / 5) : ch / 5)
                            : hs->bottom - ch - (closeLabels ? 2 * (ch / 5) : ch / 5);
    // A negative left limit keeps labels off the stretch left of its size
    // (text already there); a positive one moves the first label right of it.
    const bool skipLeft = hs->labelLeftLimit < 0;
    const int32_t leftLimit = skipLeft ? -hs->labelLeftLimit : hs->labelLeftLimit ? hs->labelLeftLimit : hs->left;
    const int32_t rightLimit = hs->labelRightLimit ? hs->labelRightLimit : hs->right;
    const double tol = std::fabs(t.step) * 1e-9;
    auto past = [&](double v) { return t.step > 0 ? v >= hi - tol : v <= lo + tol; };
    // The unit's box. A label whose text cell would lie over it is left
    // out, so that neither hides the other; one that only comes near it
    // keeps its stated place.
    int32_t unitX0 = 0, unitX1 = 0, unitY = 0;
    SIZE unitSize{0, 0};
    if (unit[0]) {
      unitSize = TextSize(dc, unit);
      unitX0 = hs->unitAtRight ? rightLimit - (unitSize.cx + cw / 2) : leftLimit + cw / 4;
      unitX1 = unitX0 + unitSize.cx;
      unitY = below ? hs->top + ch : hs->top + ch / 5;
    }
    auto onUnit = [&](int32_t x, int32_t width) {
      return unit[0] && x < unitX1 && x + width > unitX0 && y < unitY + unitSize.cy && y + ch > unitY;
    };
    int drawn = 0;
    bool any = false;
    int32_t previousEnd = 0;
    for (int i = 0; i < kMostTicks; ++i) {
      const double v = t.first + i * t.step;
      if (v < lo - tol || v > hi + tol) break;
      if (!LabelWanted(axis.labelMode, drawn, v, t.step, past)) continue;
      const std::string text = Label(t, v);
      const SIZE sz = TextSize(dc, text);
      int32_t x = static_cast<int32_t>(xOf(v)) - sz.cx / 2;
      if (!any && x < leftLimit + cw / 4) {
        if (skipLeft) continue;
        x = leftLimit + cw / 4;
      }
      if (any && x < previousEnd + cw / 2) continue;
      if (x + sz.cx > rightLimit - cw / 4) continue;
      if (onUnit(x, sz.cx)) continue;
      Text(dc, x, y, text);
      any = true;
      previousEnd = x + sz.cx;
      ++drawn;
      if (axis.labelMode == 2) break;
    }
    if (unit[0]) Text(dc, unitX0, unitY, unit);
  } catch (...) {
  }
}

namespace {

// Widens an empty range for drawing; the overlay keeps its own.
void Widen(STRUCT_VERT_SCALE& vs, double by) {
  if (std::fabs(vs.high - vs.low) < 1e-8) {
    vs.low -= by;
    vs.high += by;
  }
}

bool UserTraceKind(const OVERLAY_SLOT& s) { return s.plotKind >= 4 && s.plotKind <= 99; }

void VerticalFor(STRUCT_VERT_SCALE* vs, const OVERLAY_SLOT& s) {
  CopyText(vs->unitText, sizeof vs->unitText, s.units);
  vs->userTraceRules = UserTraceKind(s) ? 1 : 0;
}

}  // namespace

KELT_API void OPLOT_DrawScales(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t timeScale,
                               int16_t verticalScales, int16_t rightScale, int16_t singleStrip, int16_t stripSlot) {
  try {
    if (!dc || !o || !sz) return;
    const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
    const bool print = p.printFlag != 0;
    const int mode = o->head.displayMode;
    GdiObject pen(CreatePen(PS_SOLID, print ? PrintPenWidth() : 1, p.colors[CHRO_COLOR_AXES]));
    SavedDC saved(dc);
    SelectObject(dc, pen.get());
    SetTextColor(dc, p.colors[CHRO_COLOR_AXES]);
    if (!print) SetBkMode(dc, TRANSPARENT);

    const int32_t plotLeft = p.left + sz->leftScaleWidth;
    const int32_t plotRight = plotLeft + sz->plotWidth;
    const int32_t plotBottom = p.bottom - sz->timeScaleHeight;
    const int32_t ch = sz->charHeight;

    if (timeScale && sz->timeScaleHeight != 0) {
      STRUCT_HORZ_SCALE hs{};
      hs.axis = p.horizontalAxis;
      hs.scaleBelowAxis = hs.unitAtRight = hs.keepUnits = 1;
      hs.low = o->tail.viewStart;
      hs.high = o->tail.viewEnd;
      if (std::fabs(hs.high - hs.low) < 1e-8) {
        hs.low -= 0.001;
        hs.high += 0.001;
      }
      hs.left = plotLeft;
      hs.top = plotBottom;
      hs.right = p.right - sz->rightScaleWidth;
      hs.bottom = p.bottom;
      hs.labelLeftLimit = p.left;
      hs.labelRightLimit = p.right;
      CopyText(hs.unitText, sizeof hs.unitText, o->head.timeUnit[0] ? o->head.timeUnit : "minutes");
      KELT_DrawHorizontalScale(dc, &hs);
    }

    const int32_t overlaidHeight = sz->overlaidPlotHeight;
    if (mode == OVERLAY_MODE_TWO_SCALES && rightScale && sz->rightScaleWidth != 0 && overlaidHeight > ch) {
      const int slot = o->tail.scales.rightAxisPlot;
      if (OverlaySlotIndex(slot)) {
        STRUCT_VERT_SCALE vs{};
        vs.axis = p.verticalAxis;
        vs.unitAtTop = 1;
        vs.low = o->tail.scales.rightLow;
        vs.high = o->tail.scales.rightHigh;
        Widen(vs, 2.5);
        vs.left = plotRight;
        vs.right = plotRight + sz->rightScaleWidth;
        vs.top = p.top;
        vs.bottom = p.top + overlaidHeight;
        vs.farAxisX = -1;
        VerticalFor(&vs, o->slots[slot]);
        KELT_DrawVerticalScale(dc, &vs);
      }
    }

    if (mode == OVERLAY_MODE_NORMALISED && verticalScales && sz->leftScaleWidth != 0 && overlaidHeight > ch) {
      STRUCT_VERT_SCALE vs{};
      vs.axis = p.verticalAxis;
      vs.scaleLeftOfPlot = vs.unitAtTop = 1;
      vs.low = o->tail.scales.commonLow;
      vs.high = o->tail.scales.commonHigh;
      Widen(vs, 1.0);
      vs.left = p.left;
      vs.right = plotLeft;
      vs.top = p.top;
      vs.bottom = p.top + overlaidHeight;
      vs.farAxisX = plotRight;
      CopyText(vs.unitText, sizeof vs.unitText, "Norm");
      CopyText(vs.labelSuffix, sizeof vs.labelSuffix, "%%");
      KELT_DrawVerticalScale(dc, &vs);
    }

    const bool valueScales = ((mode == OVERLAY_MODE_OVERLAID || mode == OVERLAY_MODE_TWO_SCALES) && verticalScales) ||
                             (mode == OVERLAY_MODE_STACKED && (verticalScales || singleStrip));
    if (!valueScales) return;
    std::vector<int> slots;
    if (mode == OVERLAY_MODE_STACKED) {
      if (singleStrip) {
        if (OverlaySlotIndex(stripSlot)) slots.push_back(stripSlot);
      } else {
        for (int i = 0; i < OVERLAY_SLOTS; ++i)
          if (sz->plotShown[i]) slots.push_back(i);
      }
    } else if (mode == OVERLAY_MODE_TWO_SCALES) {
      const int left = o->tail.scales.leftAxisPlot;
      slots.push_back(OverlaySlotIndex(left) ? left : 0);
    } else {
      int first = 0;
      for (int i = 0; i < OVERLAY_SLOTS; ++i) {
        if (o->head.shown[i] && o->tail.inView[i]) {
          first = i;
          break;
        }
      }
      slots.push_back(first);
    }
    int32_t top = p.top;
    for (size_t k = 0; k < slots.size(); ++k) {
      const int slot = slots[k];
      const int32_t height = mode == OVERLAY_MODE_STACKED ? sz->plotHeights[slot] : overlaidHeight;
      const int32_t bottom = top + height;
      if (sz->leftScaleWidth == 0 || !o->tail.inView[slot] || height <= ch) {
        Line(dc, plotLeft, top, plotLeft, bottom);
      } else {
        STRUCT_VERT_SCALE vs{};
        vs.axis = p.verticalAxis;
        vs.scaleLeftOfPlot = vs.unitAtTop = 1;
        vs.low = mode == OVERLAY_MODE_STACKED ? o->tail.scales.plotLow[slot] : o->tail.scales.commonLow;
        vs.high = mode == OVERLAY_MODE_STACKED ? o->tail.scales.plotHigh[slot] : o->tail.scales.commonHigh;
        Widen(vs, 2.5);
        vs.left = p.left;
        vs.right = plotLeft;
        vs.top = top;
        vs.bottom = bottom;
        vs.farAxisX = mode == OVERLAY_MODE_TWO_SCALES ? -1 : plotRight;
        VerticalFor(&vs, o->slots[slot]);
        KELT_DrawVerticalScale(dc, &vs);
      }
      if (mode == OVERLAY_MODE_STACKED && k + 1 < slots.size()) Line(dc, p.left, bottom, p.right, bottom);
      top = bottom;
    }
  } catch (...) {
  }
}
