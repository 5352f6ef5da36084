#pragma once
// What the steps of the stacked-spectra drawing share: the pairs of a
// spectrum whatever their layout, pens that undo themselves, text output
// and measurement on the drawing's context.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/framework_gdi.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/stacked_spectra.h"
#include "win/win_gdi.h"

namespace kelt::sptdraw {

// The pairs of a spectrum in one of the three layouts.
struct Pairs {
  const DIFF_PAIR* d = nullptr;
  const TOL_PAIR* t = nullptr;
  const XTOL_PAIR* x = nullptr;
  int32_t n = 0;

  explicit Pairs(const STRUCT_SPT_PLUS* s) {
    if (!s) return;
    DIFF_PAIR* dp = nullptr;
    TOL_PAIR* tp = nullptr;
    XTOL_PAIR* xp = nullptr;
    const int32_t count = PlusSpt_GetPairStuff(s, &dp, &tp, &xp);
    if (count <= 0 || !(dp || tp || xp)) return;
    d = dp, t = tp, x = xp, n = count;
  }
  double Mass(int32_t i) const { return d ? d[i].mass : t ? double(t[i].mass) : x[i].mass; }
  double Intensity(int32_t i) const { return d ? d[i].intensity : t ? double(t[i].intensity) : double(x[i].intensity); }
  uint8_t Flags(int32_t i) const { return x ? x[i].flag : 0; }
  bool Empty() const { return n <= 0; }
};

// Calls f(index, mass, intensity) for every pair, the layout chosen once.
template <class F>
void ForEachPair(const Pairs& p, F&& f) {
  if (p.x) {
    for (int32_t i = 0; i < p.n; ++i) f(i, double{p.x[i].mass}, double(p.x[i].intensity));
  } else if (p.t) {
    for (int32_t i = 0; i < p.n; ++i) f(i, double(p.t[i].mass), double(p.t[i].intensity));
  } else if (p.d) {
    for (int32_t i = 0; i < p.n; ++i) f(i, double{p.d[i].mass}, double{p.d[i].intensity});
  }
}

// The largest intensity of a spectrum (largest size for signed values).
inline double MaxIntensity(const STRUCT_SPT_PLUS* s) {
  const Pairs p(s);
  double m = 0;
  if (p.d) {
    for (int32_t i = 0; i < p.n; ++i) {
      const double v = std::fabs(p.d[i].intensity);
      if (v > m) m = v;
    }
  } else if (p.t) {
    uint32_t top = 0;
    for (int32_t i = 0; i < p.n; ++i) {
      const uint32_t v = p.t[i].intensity;  // packed pairs: read by value
      if (v > top) top = v;
    }
    m = top;
  } else if (p.x) {
    uint32_t top = 0;
    for (int32_t i = 0; i < p.n; ++i) {
      const uint32_t v = p.x[i].intensity;
      if (v > top) top = v;
    }
    m = top;
  }
  return m;
}

// A solid pen selected for one step and restored and deleted with it.
class StepPen {
 public:
  StepPen(HDC dc, COLORREF colour, int width) : dc_(dc) {
    pen_ = CreatePen(PS_SOLID, width, colour);
    if (pen_) old_ = SelectObject(dc_, pen_);
  }
  ~StepPen() {
    if (old_) SelectObject(dc_, old_);
    if (pen_) DeleteObject(pen_);
  }
  StepPen(const StepPen&) = delete;
  StepPen& operator=(const StepPen&) = delete;
  bool Ok() const { return pen_ && old_; }

 private:
  HDC dc_;
  HPEN pen_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

inline HDC Out(const CDrawStackedSpectra& d) { return d.DC ? d.DC->m_hDC : nullptr; }

inline void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// A stick: one device call rather than a move and a line.
inline void Stick(HDC dc, int x, int y0, int y1) {
  const POINT p[2] = {{x, y0}, {x, y1}};
  Polyline(dc, p, 2);
}

inline void Text(HDC dc, int x, int y, const std::string& s) {
  if (!s.empty()) TextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

SIZE TextSize(CDC* dc, const std::string& s);

// The pen width of every drawing pen: the report pen width of the current
// default report preferences on a report page, 0 on the screen.
int PenWidth(const CDrawStackedSpectra& d);

// The ten colours of the block in force (copied: the blocks are packed).
struct ColourBlock {
  COLORREF c[10];
  COLORREF operator[](int i) const { return c[i]; }
};
inline ColourBlock Colours(const CDrawStackedSpectra& d) {
  ColourBlock b;
  if (d.ReportMode)
    std::memcpy(b.c, static_cast<const void*>(&d.ReportColors), sizeof b.c);
  else
    std::memcpy(b.c, static_cast<const void*>(&d.ScreenColors), sizeof b.c);
  return b;
}
inline bool MarkMasses(const CDrawStackedSpectra& d) {
  return d.ReportMode ? d.ReportColors.markMasses != 0 : d.ScreenColors.markMasses != 0;
}

inline bool NearlyEqual(double a, double b) { return std::fabs(a - b) < 1e-8; }

// Whether the band's trace has drawable data.
inline bool HasData(const STRUCT_DSS_TRACE& t) { return t.spectrum && t.pairCount > 0 && t.maxIntensity != 0; }

// The MS-data record of a spectrum, or null.
inline const STRUCT_TOL_SPT* MsData(const STRUCT_SPT_PLUS* s) {
  return s && s->kind == SPT_KIND_TOL ? s->tolSpt : nullptr;
}

// Width at half height over precise pairs (see CDrawStackedSpectra).
// widthParam: the scan function's peak width in points; baselineOn with
// baseline and divisor: the record's baseline.
KELT_CLASS double HalfHeightWidthOf(const XTOL_PAIR* pairs, long count, long i, double widthParam, bool baselineOn,
                         uint32_t baseline, int32_t divisor);

}  // namespace kelt::sptdraw
