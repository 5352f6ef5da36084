// Everything around the traces of the stacked spectra: the intensity scale
// of each band, the m/z scale with its range marks, the bottom line with
// the match values of a library comparison, the wrapped title lines, the
// text of a band without data, and the scale and curve of a stored
// difference record.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fandor/library_search.h"
#include "plotengine/scales.h"
#include "spectrumctl/stacked_spectra.h"
#include "spectrumctl/stacked_spectra_internal.h"
#include "ulbrec32/plot_marks.h"

using namespace kelt::sptdraw;

namespace {

// Texts are written in the foreground colour of the drawing.
class TextColour {
 public:
  TextColour(HDC dc, COLORREF c) : dc_(dc), old_(SetTextColor(dc, c)) {}
  ~TextColour() { SetTextColor(dc_, old_); }
  TextColour(const TextColour&) = delete;
  TextColour& operator=(const TextColour&) = delete;

 private:
  HDC dc_;
  COLORREF old_;
};

void CopyText(char* dst, size_t size, const char* src) {
  std::snprintf(dst, size, "%s", src);
}

bool EmptyDisplayRange(const CDrawStackedSpectra& d) { return d.MassFrom == -1.1 && d.MassTo == 1.1; }

// The exchange buffer of a spectrum's positive pairs, for the match values.
std::vector<uint8_t> Exchange(const STRUCT_SPT_PLUS* s) {
  const Pairs p(s);
  // Sized for every pair and cut to those kept: written in place.
  std::vector<uint8_t> out(4 + 13 * size_t(std::max<int32_t>(p.n, 0)), 0);
  uint32_t count = 0;
  ForEachPair(p, [&](int32_t, double m, double v) {
    if (!(v > 0)) return;
    const uint32_t iv = v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
    uint8_t* e = out.data() + 4 + 13 * size_t(count);
    std::memcpy(e + 1, &m, 8);
    std::memcpy(e + 9, &iv, 4);
    ++count;
  });
  out.resize(4 + 13 * size_t(count));
  std::memcpy(out.data(), &count, 4);
  return out;
}

int Width(CDC* dc, const std::string& s) { return TextSize(dc, s).cx; }

bool IsBlank(char c) { return c == ' '; }

// A blank where a line may break: not right after a colon, nor after a
// blank that follows a colon, so a label keeps its value.
bool BreakPoint(const std::string& s, size_t q) {
  if (q == 0 || !IsBlank(s[q])) return false;
  if (s[q - 1] == ':') return false;
  if (q >= 2 && IsBlank(s[q - 1]) && s[q - 2] == ':') return false;
  return true;
}

struct Piece {
  int ok = 0;
  int first = 0, length = 0, done = 0;
  bool hyphen = false;
  std::string Shown(const char* text) const {
    return std::string(text + first, static_cast<size_t>(length)) + (hyphen ? "-" : "");
  }
};

Piece Hyphenated(CDC* dc, int width, const char* text, int from) {
  Piece p;
  const int n = static_cast<int>(std::strlen(text));
  int i = std::clamp(from, 0, n);
  while (i < n && IsBlank(text[i])) ++i;
  p.first = i;
  const std::string rest(text + i);
  if (rest.empty() || Width(dc, rest) <= width) {
    p.ok = 1, p.length = static_cast<int>(rest.size()), p.done = 1;
    return p;
  }
  for (int keep = static_cast<int>(rest.size()) - 2; keep > 0; --keep) {
    if (Width(dc, rest.substr(0, static_cast<size_t>(keep)) + "-") <= width) {
      p.ok = 1, p.length = keep, p.hyphen = true;
      return p;
    }
  }
  return p;  // nothing fits
}

Piece Fitted(CDC* dc, int width, const char* text, int from) {
  Piece p;
  const int n = static_cast<int>(std::strlen(text));
  int i = std::clamp(from, 0, n);
  while (i < n && IsBlank(text[i])) ++i;
  p.first = i;
  std::string piece(text + i);
  if (piece.empty() || Width(dc, piece) <= width) {
    p.ok = 1, p.length = static_cast<int>(piece.size()), p.done = 1;
    return p;
  }
  int pieceWidth = Width(dc, piece);
  for (;;) {
    size_t q = piece.size();
    while (q-- > 0)
      if (BreakPoint(piece, q)) break;
    if (q == static_cast<size_t>(-1) || q == 0) return Hyphenated(dc, width, text, from);
    std::string shorter = piece.substr(0, q);
    const int w = Width(dc, shorter);
    if (w == pieceWidth) return Hyphenated(dc, width, text, from);
    piece.swap(shorter);
    pieceWidth = w;
    if (pieceWidth <= width) break;
  }
  p.ok = 1, p.length = static_cast<int>(piece.size()), p.done = 0;
  return p;
}

// The difference band's sticks stand in percent of the difference's own
// largest value, so that a small residue still shows its shape; its axis
// reads what they are in percent of the base peak (999 for a normalised
// difference record, else spectrum A's base peak), so that a residue of
// 2 % is not read as 100 %. 0 when there is no such base.
double DifferenceAxisScale(const CDrawStackedSpectra& d) {
  const STRUCT_SPT_PLUS* s = d.Spectra[2];
  const double top = d.Traces[2][0].maxIntensity;
  if (!s || d.Traces[2][0].spectrum != s || !(top > 0)) return 0;
  double base = 0;
  const STRUCT_SPT_PLUS* first = d.Spectra[0];
  if (s->kind == SPT_KIND_DIFF && s->diffSpt && s->diffSpt->mode == 2) {
    base = 999.0;
  } else if (first && !Pairs(first).d && !(first->useMassRange && first->lowMass != 0 && first->highMass != 0)) {
    // Unsigned pairs over their whole range: the base peak is the band's
    // largest intensity, found already (a scan of every pair less).
    base = d.PlotInfo[0].maxIntensity;
  } else if (first) {
    PlusSpt_GetBasePeak(first, &base);
  }
  return base > 0 && std::isfinite(top / base) ? top / base : 0;
}

// Whether the bottom text is written between xLeft and xRight. Where it
// would leave the m/z tick labels sharing its row less than half the scale
// (a narrow plot), it gives way to them, as a user reads the masses first;
// otherwise it is written where it fits, right-aligned.
bool BottomTextWritten(const CDrawStackedSpectra& d, int xLeft, int xRight, int width) {
  if (width > xRight - xLeft) return false;
  const int scaleLeft = d.Left + d.VertScaleWidth;
  return !d.HorzScaleHeight || 2 * (xRight - width - scaleLeft) >= d.Right - scaleLeft;
}

// Where the bottom line's texts will lie: the end of the match values on
// the left and the start of the bottom text on the right; 0 for none. The
// match values are reserved at the width of their widest form.
void BottomLineSpans(const CDrawStackedSpectra& d, int* leftEnd, int* rightStart) {
  *leftEnd = *rightStart = 0;
  if (EmptyDisplayRange(d)) return;
  int xLeft = d.Left + d.CharWidth;
  const int xRight = d.Right - 2 * Width(d.DC, "m/z");
  if (d.SearchMatchMode && d.Spectra[0] && d.Spectra[1]) {
    const STRUCT_DSS_TRACE& a = d.Traces[0][0];
    const STRUCT_DSS_TRACE& b = d.DifferenceMode ? d.Traces[0][1] : d.Traces[1][0];
    if (!a.profile && !b.profile) {
      int w = Width(d.DC, "R.Match: 999, F.Match: 999");
      if (!d.ReportMode && w > xRight - xLeft) w = Width(d.DC, "R.Match = 999");
      if (d.ReportMode || w <= xRight - xLeft) {
        xLeft += w;
        *leftEnd = xLeft;
      }
    }
  }
  if (d.BottomText[0]) {
    const int w = Width(d.DC, std::string(d.BottomText, strnlen(d.BottomText, sizeof d.BottomText)));
    if (BottomTextWritten(d, xLeft, xRight, w)) *rightStart = xRight - w;
  }
}

}  // namespace

int CDrawStackedSpectra::FitTextToWidth(CDC* dc, int width, const char* text, int from, int* first, int* length,
                                        int* done) {
  if (!text) return 0;
  const Piece p = Fitted(dc, width, text, from);
  if (first) *first = p.first;
  if (length) *length = p.length;
  if (done) *done = p.done;
  return p.ok;
}

int CDrawStackedSpectra::TruncateWithHyphen(CDC* dc, int width, const char* text, int from, int* first, int* length,
                                            int* done) {
  if (!text) return 0;
  const Piece p = Hyphenated(dc, width, text, from);
  if (first) *first = p.first;
  if (length) *length = p.length;
  if (done) *done = p.done;
  return p.ok;
}

void CDrawStackedSpectra::DrawVertScale(short k) {
  HDC dc = Out(*this);
  if (!dc || k < 0 || k >= DSS_BANDS) return;
  if (k == 1 && DiffOverlay) return;
  StepPen pen(dc, ForeColor, PenWidth(*this));
  if (!pen.Ok()) return;
  TextColour colour(dc, ForeColor);
  if (VertScaleWidth) {
    const int axisX = OriginX - 1;
    Line(dc, axisX, BandTop, axisX, DrawTop);
    bool noData = false;
    if (!NullScale) {
      noData = PlusSpt_GetPairCount(Spectra[k]) <= 0;
      if (noData && k == 0 && DiffOverlay) noData = PlusSpt_GetPairCount(Spectra[1]) <= 0;
    }
    if (NearlyEqual(VertMin[k], VertMax[k])) {
      VertMin[k] -= 2.5;
      VertMax[k] += 2.5;
    }
    STRUCT_VERT_SCALE vs{};
    vs.axis = VertAxis;
    vs.scaleLeftOfPlot = 1;
    vs.unitAtTop = 1;
    vs.low = VertMin[k];
    vs.high = VertMax[k];
    vs.left = Left;
    vs.right = axisX;
    vs.top = DrawTop;
    vs.bottom = DrawBottom;
    vs.labelTop = DrawTop;
    vs.farAxisX = -1;
    double m = PlotInfo[k].maxIntensity;
    if (!CountsScale) {
      CopyText(vs.unitText, sizeof vs.unitText, "%");
      vs.keepUnits = 1;
      if (!NearlyEqual(m, 0)) {
        const double diffScale = k == 2 ? DifferenceAxisScale(*this) : 0;
        if (diffScale > 0) {
          vs.low *= diffScale;
          vs.high *= diffScale;
        } else if (KeepSmallScale && m <= 100) {
          vs.low *= 100 / m;
          vs.high *= 100 / m;
        }
      } else {
        if (!NullScale) noData = true;
        if (NearlyEqual(vs.low, vs.high)) noData = true;
      }
    } else {
      CopyText(vs.unitText, sizeof vs.unitText, "Counts");
      if (!NearlyEqual(m, 0)) {
        if (KeepSmallScale && m < 100) m = 100;
        vs.low /= 100 / m;
        vs.high /= 100 / m;
      } else {
        if (!NullScale) noData = true;
        if (NearlyEqual(vs.low, vs.high)) {
          noData = true;
        } else if (!NearlyEqual(CountsReference, 0)) {
          vs.low /= 100 / CountsReference;
          vs.high /= 100 / CountsReference;
        } else {
          vs.low = -1;
          vs.high = 100;
        }
      }
    }
    if (noData)
      Line(dc, axisX, DrawTop, axisX, DrawBottom);
    else
      KELT_DrawVerticalScale(dc, &vs);
    if (!ReportMode) Line(dc, Right - 1, DrawTop, Right - 1, DrawBottom);
  }
  if (VertMin[k] < 0 && 0 < VertMax[k]) Line(dc, OriginX, BaselineY, Right, BaselineY);
  Line(dc, OriginX, DrawTop, Right, DrawTop);

  const bool titleShown = k < DSS_BANDS && (ShowTitle1[k] || ShowTitle2[k]);
  if (k < 2 && SearchMatchMode && VertScaleWidth && titleShown && Spectra[0] && Spectra[1]) {
    const STRUCT_DSS_TRACE& a = Traces[0][0];
    const STRUCT_DSS_TRACE& b = DifferenceMode ? Traces[0][1] : Traces[1][0];
    if (a.spectrum && b.spectrum && (a.profile != 0) == (b.profile != 0)) {
      const int x = Left + CharWidth / 2;
      // A tag wider than the scale column would run into the titles: left out.
      auto tag = [&](const char* text, int y) {
        if (x + Width(DC, text) <= OriginX - 1) Text(dc, x, y, text);
      };
      tag(k == 0 ? "Search" : "Match", BandTop + CharHeight / 8);
      if (k == 0 && DifferenceMode) {
        const int down = ShowTitle1[0] && ShowTitle2[0] ? 2 : 1;
        tag("Match", BandTop + CharHeight / 8 + down * CharHeight);
      }
    }
  }
}

void CDrawStackedSpectra::DrawHorzScale() {
  HDC dc = Out(*this);
  if (!dc || !HorzScaleHeight) return;
  StepPen pen(dc, ForeColor, PenWidth(*this));
  if (!pen.Ok()) return;
  TextColour colour(dc, ForeColor);
  if (!ReportMode) {
    SetBkColor(dc, ScreenColors.fadeOn && ScreenColors.fadeMode == 0 ? RGB(0, 0, 0) : ScreenColors.colors[0]);
    SetBkMode(dc, TRANSPARENT);
  }
  const int y = Bottom - HorzScaleHeight;
  if (EmptyDisplayRange(*this)) {
    Line(dc, Left + VertScaleWidth, y, Right, y);
    return;
  }
  if (NearlyEqual(MassFrom, MassTo)) {
    MassFrom -= 1.0;
    MassTo += 1.0;
  }
  STRUCT_HORZ_SCALE hs{};
  hs.axis = HorzAxis;
  hs.scaleBelowAxis = 1;
  hs.unitAtRight = 1;
  hs.keepUnits = 1;
  hs.low = MassFrom;
  hs.high = MassTo;
  hs.left = Left + VertScaleWidth;
  hs.right = Right;
  hs.top = y;
  hs.bottom = Bottom;
  // The title "m/z" goes at the right end of the second line, where the
  // scale drawer puts its unit; the tick labels end a cell before it so
  // that the last one does not run into it.
  const int title = Width(DC, "m/z");
  hs.labelRightLimit = Right - title - CharWidth;
  // Tick labels reach into the bottom line's row: they stay clear of the
  // texts that line will carry.
  int leftEnd = 0, rightStart = 0;
  BottomLineSpans(*this, &leftEnd, &rightStart);
  if (leftEnd) hs.labelLeftLimit = -(leftEnd + CharWidth / 2);
  if (rightStart) hs.labelRightLimit = std::min<int32_t>(hs.labelRightLimit, rightStart - CharWidth / 2);
  KELT_DrawHorizontalScale(dc, &hs);
  Text(dc, Right - title - CharWidth / 2, y + CharHeight, "m/z");
}

void CDrawStackedSpectra::DrawMassRange() {
  HDC dc = Out(*this);
  if (!dc || !ShowRangeMarks || !HorzScaleHeight) return;
  bool any = false;
  for (int16_t m : RangeMarks)
    if (m > MassFrom && m < MassTo) any = true;
  if (!any) return;
  const COLORREF c = Colours(*this)[2];
  StepPen pen(dc, c, PenWidth(*this));
  HBRUSH brush = CreateSolidBrush(c);
  if (!pen.Ok() || !brush) {
    if (brush) DeleteObject(brush);
    return;
  }
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  const int x0 = Left + VertScaleWidth;
  const double lo = std::trunc(MassFrom), hi = std::trunc(MassTo);
  for (int i = 0; i < 4; ++i) {
    const double m = RangeMarks[i];
    if (!(lo <= m && m <= hi)) continue;
    const int y = i < 2 ? Bottom - 2 * CharHeight : Bottom - CharHeight;
    DrawRangeMark(dc, x0 + static_cast<int32_t>(std::trunc((m - MassFrom) * XScale)), y, CharWidth / 4,
                  CharHeight / 4, ReportMode ? 0 : 1);
  }
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
}

void CDrawStackedSpectra::DrawBottomLine() {
  HDC dc = Out(*this);
  if (!dc || EmptyDisplayRange(*this)) return;
  short xLeft = static_cast<short>(Left + CharWidth);
  short xRight = static_cast<short>(Right - 2 * Width(DC, "m/z"));
  if (SearchMatchMode && Spectra[0] && Spectra[1]) {
    const STRUCT_DSS_TRACE& a = Traces[0][0];
    const STRUCT_DSS_TRACE& b = DifferenceMode ? Traces[0][1] : Traces[1][0];
    if (!a.profile && !b.profile) DrawSimAndRSimValues(&xLeft, &xRight);
  }
  if (BottomText[0]) {
    const std::string text(BottomText, strnlen(BottomText, sizeof BottomText));
    const int w = Width(DC, text);
    if (BottomTextWritten(*this, xLeft, xRight, w)) {
      TextColour colour(dc, ForeColor);
      Text(dc, xRight - w, Bottom - CharHeight, text);
    }
  }
}

void CDrawStackedSpectra::DrawSimAndRSimValues(short* xLeft, short* xRight) {
  HDC dc = Out(*this);
  if (!dc || !xLeft || !xRight) return;
  int32_t forward = -1, reverse = -1;
  bool have = false;
  if (UseKeptMatchValues && (MatchValuesValid || MatchStateKept)) {
    if (MatchValuesValid) {
      forward = ForwardMatch, reverse = ReverseMatch;
      have = true;
    } else {
      const auto a = Exchange(Spectra[0]), b = Exchange(Spectra[1]);
      if (CalcMatchValuesFromState(SearchParams, a.data(), b.data(), MatchState, &forward, &reverse)) {
        ForwardMatch = forward, ReverseMatch = reverse, MatchValuesValid = 1;
        have = true;
      }
    }
  } else {
    const auto a = Exchange(Spectra[0]), b = Exchange(Spectra[1]);
    if (CalcMatchValues(SearchParams, a.data(), b.data(), &forward, &reverse)) {
      KeepMatchState(MatchState);
      MatchStateKept = 1;
      ForwardMatch = forward, ReverseMatch = reverse, MatchValuesValid = 1;
      have = true;
    }
  }
  if (!have || forward == -1 || reverse == -1) return;
  char text[64];
  std::snprintf(text, sizeof text, "R.Match: %d, F.Match: %d", reverse, forward);
  int w = Width(DC, text);
  if (!ReportMode && w > *xRight - *xLeft) {
    std::snprintf(text, sizeof text, "R.Match = %d", reverse);
    w = Width(DC, text);
    if (w > *xRight - *xLeft) return;
  }
  TextColour colour(dc, ForeColor);
  Text(dc, *xLeft, Bottom - CharHeight, text);
  *xLeft = static_cast<short>(*xLeft + w);
}

void CDrawStackedSpectra::DrawTitles(short k) {
  HDC dc = Out(*this);
  if (!dc || k < 0 || k >= DSS_BANDS) return;
  if (!PlotInfo[k].title1Lines && !PlotInfo[k].title2Lines) return;
  int y = BandTop;
  const int margin = CharWidth / 4;
  const int leftX = OriginX + margin;
  const bool onePerLine = ReportMode && PlotWidth < 20000;
  for (int j = 0; j < DSS_TRACES; ++j) {
    const STRUCT_DSS_TRACE& t = Traces[k][j];
    if (!t.spectrum || !(t.hasTitle1 || t.hasTitle2)) continue;
    const STRUCT_SPT_PLUS* s = t.spectrum;
    COLORREF c = t.colour;
    if (k < 2 && ReportMode && !t.profile && ReportColors.markMasses) c = t.colour2;
    TextColour colour(dc, c);
    for (int line = 1; line <= 2; ++line) {
      const bool shown = line == 1 ? ShowTitle1[k] && t.hasTitle1 : ShowTitle2[k] && t.hasTitle2;
      if (!shown) continue;
      const char* leftSrc = line == 1 ? s->mainTitle : s->fileTitle;
      const char* rightSrc = line == 1 ? s->nameTitle : s->infoTitle;
      std::string left(leftSrc, strnlen(leftSrc, SPT_TITLE_SIZE));
      std::string right(rightSrc, strnlen(rightSrc, SPT_TITLE_SIZE));
      if (k == 2 && line == 1 && !(ShowTitle2[2] && t.hasTitle2)) right.clear();
      if (onePerLine) {
        if (left.empty()) left.swap(right);
        right.clear();
        if (k == 2 && line == 2) left.clear();
      }
      int limit = Right - margin - DeleteButtons.width - MaxButtons.width;
      if (!right.empty()) {
        const int x = limit - Width(DC, right);
        if (x < leftX) {
          const Piece p = Fitted(DC, limit - leftX, right.c_str(), 0);
          if (p.ok) {
            const std::string shownText = p.Shown(right.c_str());
            const int w = Width(DC, shownText);
            if (limit - w >= leftX) {
              Text(dc, limit - w, y, shownText);
              limit = limit - w - 2 * margin;
            } else {
              Text(dc, leftX, y, shownText);
              left.clear();
            }
          }
        } else {
          Text(dc, x, y, right);
          limit = x - margin;
        }
        if (limit < leftX + 6 * CharWidth) left.clear();
      }
      if (!left.empty()) {
        if (leftX + Width(DC, left) > limit) {
          const Piece p = Fitted(DC, limit - leftX, left.c_str(), 0);
          if (p.ok) {
            const std::string shownText = p.Shown(left.c_str());
            if (leftX + Width(DC, shownText) <= limit) Text(dc, leftX, y, shownText);
          }
        } else {
          Text(dc, leftX, y, left);
        }
      }
      y += CharHeight;
    }
  }
  SetTextColor(dc, ForeColor);
}

void CDrawStackedSpectra::DrawNULLSpectrum(long pairCount, short k) {
  HDC dc = Out(*this);
  if (!dc) return;
  const char* text = k == 2 ? "No differences." : pairCount ? "All intensities are zero." : "No intensities.";
  const SIZE sz = TextSize(DC, text);
  if (sz.cy <= DrawHeight) {
    TextColour colour(dc, ForeColor);
    Text(dc, OriginX + (PlotWidth - sz.cx) / 2, DrawTop + (DrawHeight - sz.cy) / 2, text);
  }
  if (VertScaleWidth) {
    StepPen pen(dc, ForeColor, PenWidth(*this));
    if (pen.Ok()) Line(dc, OriginX, DrawBottom, OriginX, BandTop);
  }
}

void CDrawStackedSpectra::DrawDiffVertScale() {
  HDC dc = Out(*this);
  if (!dc) return;
  StepPen pen(dc, ForeColor, PenWidth(*this));
  if (!pen.Ok()) return;
  TextColour colour(dc, ForeColor);
  const int axisX = OriginX - 1;
  if (VertScaleWidth) {
    if (PlusSpt_GetPairCount(Spectra[2]) <= 0) {
      Line(dc, axisX, BandTop, axisX, DrawBottom);
    } else {
      if (NearlyEqual(VertMin[2], VertMax[2])) {
        VertMin[2] -= 2.5;
        VertMax[2] += 2.5;
      }
      STRUCT_VERT_SCALE vs{};
      vs.axis = VertAxis;
      vs.scaleLeftOfPlot = 1;
      vs.unitAtTop = 1;
      vs.keepUnits = 1;
      vs.low = VertMin[2];
      vs.high = VertMax[2];
      vs.left = Left;
      vs.right = axisX;
      vs.top = DrawTop;
      vs.bottom = DrawBottom;
      vs.labelTop = BandTop;
      vs.farAxisX = -1;
      CopyText(vs.unitText, sizeof vs.unitText, "%");
      KELT_DrawVerticalScale(dc, &vs);
    }
    if (ShowTitle1[2] || ShowTitle2[2]) Text(dc, Left + CharWidth / 2, BandTop, "Diff.");
  }
  Line(dc, axisX, BandTop, axisX, DrawTop);
  if (!ReportMode) Line(dc, Right - 1, BandTop, Right - 1, DrawBottom);
  Line(dc, OriginX, DrawTop, Right, DrawTop);
  Line(dc, OriginX, BaselineY, Right, BaselineY);
}

void CDrawStackedSpectra::DrawDifferences() {
  HDC dc = Out(*this);
  const STRUCT_SPT_PLUS* s = Spectra[2];
  if (!dc || !s) return;
  const Pairs p(s);
  if (p.Empty()) return;
  StepPen pen(dc, Traces[2][0].colour, PenWidth(*this));
  if (!pen.Ok()) return;
  const bool normalised = s->kind == SPT_KIND_DIFF && s->diffSpt && s->diffSpt->mode == 2;
  const double divisor = normalised ? 999.0 : PlotInfo[2].maxIntensity;
  if (divisor == 0) return;
  const bool line = s->kind == SPT_KIND_DIFF && s->diffSpt && s->diffSpt->profile;
  std::vector<POINT> pts;
  for (int32_t i = 0; i < p.n; ++i) {
    const double m = p.Mass(i);
    if (!(MassFrom <= m && m < MassTo)) continue;
    const int32_t x = OriginX + static_cast<int32_t>(std::trunc((m - MassFrom) * XScale));
    int32_t y = DrawBottom - static_cast<int32_t>(std::trunc((p.Intensity(i) / divisor * 100 - VertMin[2]) * YScale));
    if (DrawHeight > 0 && y < DrawTop) y = DrawTop;
    if (y > DrawBottom) y = DrawBottom;
    if ((BaselineY == DrawBottom && y >= BaselineY) || (BaselineY == DrawTop && y <= BaselineY)) continue;
    if (line)
      pts.push_back({x, y});
    else
      Stick(dc, x, BaselineY, y);
  }
  if (line && !pts.empty()) Polyline(dc, pts.data(), static_cast<int>(pts.size()));
}
