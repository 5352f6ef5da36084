// The stacked-spectra drawing object: defaults, the trace slots of each
// band, the division of the rectangle into bands, the automatic m/z range,
// the background, the driver that draws band after band, and the outlines.
#include "spectrumctl/stacked_spectra.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/display_helpers.h"
#include "common/library_state.h"
#include "spectrumctl/stacked_spectra_internal.h"
#include "plotengine/band_drawing.h"
#include "win/win_locale_hold.h"
#include "win/win_user.h"

namespace kelt::sptdraw {

SIZE TextSize(CDC* dc, const std::string& s) {
  SIZE size{};
  if (dc) KELT_GetTextSize(dc, s.c_str(), &size);
  return size;
}

int PenWidth(const CDrawStackedSpectra& d) {
  if (!d.ReportMode) return 0;
  STRUCT_REPORT_PREFS prefs;
  KELT_GetCurrDefReportPrefs(&prefs);
  return prefs.sptsReport.penWidth;
}

}  // namespace kelt::sptdraw

using namespace kelt::sptdraw;

namespace {

double MassOf(const XTOL_PAIR& p) { return p.mass; }
double MassOf(const TOL_PAIR& p) { return p.mass; }
double MassOf(const DIFF_PAIR& p) { return p.mass; }

bool HalfHeightsAllowed() { return kelt::lib::Settings().canShowHalfHeights == 1; }

// A spectrum's own m/z span for the automatic range: its own range when it
// has no pairs or its range flag is set, else its first and last integer or
// precise pair. False for double pairs (they are skipped).
bool OwnSpan(const STRUCT_SPT_PLUS* s, double* lo, double* hi) {
  const Pairs p(s);
  if (p.Empty() || s->useMassRange) {
    *lo = s->lowMass;
    *hi = s->highMass;
    return true;
  }
  if (p.d) return false;
  *lo = p.Mass(0);
  *hi = p.Mass(p.n - 1);
  return true;
}

}  // namespace

CDrawStackedSpectra::CDrawStackedSpectra() {
  ShowHorzScale = 1;
  ShowStructure = 1;
  for (int k = 0; k < DSS_BANDS; ++k) ShowTitle1[k] = ShowTitle2[k] = 1;
  SearchMatchMode = 1;
  MarkSparsePoints = 1;
  LabelMasses = 1;
  LabelIntensities = 1;
  LabelThreshold = 25;
  STRUCT_SPTS_PREFS spts;
  KELT_GetCurrDefSptsPrefs(&spts);
  ScreenColors = spts.colors;
  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);
  ReportColors = report.sptsColors;
  VertMin[0] = VertMin[1] = -5;
  VertMin[2] = -100;
  VertMax[0] = VertMax[1] = 105;
  VertMax[2] = 100;
  const int16_t w = static_cast<int16_t>(GetSystemMetrics(SM_CXHTHUMB));
  const int16_t h = static_cast<int16_t>(GetSystemMetrics(SM_CYVTHUMB));
  ActiveButtons.width = DeleteButtons.width = MaxButtons.width = w;
  ActiveButtons.height = DeleteButtons.height = MaxButtons.height = h;
}

void CDrawStackedSpectra::DoJob() {
  const win::locale::SettingsHold settings;  // scales and labels format numbers by the hundred
  LayoutDone = 0;
  DiffOverlay = DifferenceMode && Spectra[0] && Spectra[1] ? 1 : 0;
  ForeColor = ReportMode ? ReportColors.colors[1] : ScreenColors.colors[1];
  InitRulesBeforeCalScaleAreas();
  CalScaleAreas();
  InitRulesAfterCalScaleAreas();
  if (PaintBackground) FillBackground();
  DrawSpectra();
}

void CDrawStackedSpectra::InitRulesBeforeCalScaleAreas() {
  std::memset(static_cast<void*>(Traces), 0, sizeof Traces);
  std::memset(static_cast<void*>(PlotInfo), 0, sizeof PlotInfo);
  if (!HalfHeightsAllowed()) LabelHalfHeights = 0;
  const int16_t labelsWanted = (LabelMasses || LabelIntensities || LabelHalfHeights) ? 1 : 0;

  if (DiffOverlay) {
    Traces[0][0].spectrum = Spectra[0];
    Traces[0][0].labels = labelsWanted && ActiveSpectrum == 0;
    Traces[0][1].spectrum = Spectra[1];
    Traces[0][1].labels = labelsWanted && ActiveSpectrum == 1;
    PlotInfo[0].maxIntensity = MaxIntensity(Spectra[0]);
    PlotInfo[0].traceCount = 2;
    if (Spectra[2]) {
      Traces[2][0].spectrum = Spectra[2];
      PlotInfo[2].maxIntensity = MaxIntensity(Spectra[0]);
      PlotInfo[2].traceCount = 1;
    }
  } else {
    for (int k = 0; k < DSS_BANDS; ++k) {
      if (!Spectra[k]) continue;
      Traces[k][0].spectrum = Spectra[k];
      Traces[k][0].labels = labelsWanted;
      PlotInfo[k].maxIntensity = MaxIntensity(Spectra[k]);
      PlotInfo[k].traceCount = 1;
      if (k < 2 && SecondSpectra[k]) {
        Traces[k][2].spectrum = SecondSpectra[k];
        Traces[k][2].labels = labelsWanted;
        Traces[k][0].labels = 0;
        ++PlotInfo[k].traceCount;
      }
      if (k < 2 && ThirdSpectra[k]) {
        Traces[k][3].spectrum = ThirdSpectra[k];
        ++PlotInfo[k].traceCount;
      }
    }
  }

  const ColourBlock c = Colours(*this);
  for (int k = 0; k < DSS_BANDS; ++k) {
    if (!PlotInfo[k].traceCount) continue;
    for (int j = 0; j < DSS_TRACES; ++j) {
      STRUCT_DSS_TRACE& t = Traces[k][j];
      if (!t.spectrum) continue;
      const STRUCT_SPT_PLUS* s = t.spectrum;
      t.pairCount = static_cast<uint32_t>(std::max(0, PlusSpt_GetPairCount(s)));
      t.profile = (PlusSpt_IsProfileData(s) || ForceLine[k]) ? 1 : 0;
      // Trace 0 is the band's spectrum, whose maximum is known already.
      t.maxIntensity = s == Spectra[k] && PlotInfo[k].maxIntensity != 0 && !DiffOverlay ? PlotInfo[k].maxIntensity
                                                                                        : MaxIntensity(s);
      if (ShowTitle1[k] && (s->mainTitle[0] || s->nameTitle[0])) {
        t.hasTitle1 = 1;
        ++PlotInfo[k].title1Lines;
      }
      if (ShowTitle2[k] && (s->fileTitle[0] || s->infoTitle[0])) {
        t.hasTitle2 = 1;
        ++PlotInfo[k].title2Lines;
      }
      const int band = k == 0 ? 4 : k == 1 ? 5 : 3;
      if (j == 0 || j == 2) t.colour = c[band];
      else if (j == 1) t.colour = c[5];
      else t.colour = ForeColor;
      if (k < 2) t.colour2 = c[k == 0 ? 6 : 7];
    }
  }
  for (auto& p : PlotInfo) p.totalTitleLines = p.title1Lines + p.title2Lines + p.furtherLines;
}

void CDrawStackedSpectra::CalScaleAreas() {
  ShowVertScale = VertAxis.shown;
  ShowHorzScale = HorzAxis.shown;

  if (MassFrom == MassTo) {
    bool any = false;
    for (int k = 0; k < 2; ++k) {
      const STRUCT_SPT_PLUS* s = Spectra[k];
      double lo = 0, hi = 0;
      if (!s || !OwnSpan(s, &lo, &hi) || lo == 0 || hi == 0) continue;
      if (!any) {
        MassFrom = lo, MassTo = hi, any = true;
      } else {
        if (lo < MassFrom) MassFrom = lo;
        if (hi > MassTo) MassTo = hi;
      }
    }
    if (!any) MassFrom = 20, MassTo = 200;
    const bool profile =
        (Spectra[0] && PlusSpt_IsProfileData(Spectra[0])) || (Spectra[1] && PlusSpt_IsProfileData(Spectra[1]));
    const double least = ReportMode ? 5.0 : profile ? 0.0005 : 2.0;
    const double width = MassTo - MassFrom;
    if (width < least) {
      MassFrom -= (least - width) / 2;
      MassTo += (least - width) / 2;
    }
    const double margin = (MassTo - MassFrom) * 0.05;
    MassFrom -= margin;
    MassTo += margin;
  }

  const int n = (Spectra[0] ? 1 : 0) + (Spectra[1] && !DiffOverlay ? 1 : 0) + (Spectra[2] ? 1 : 0);
  const int ch = CharHeight, cw = CharWidth;
  if (n == 0 || ch <= 0) {
    // Nothing to lay out: the outline alone is drawn.
    VertScaleWidth = HorzScaleHeight = 0;
    ShowVertScale = ShowHorzScale = 0;
    for (auto& h : BandHeight) h = 0;
    PlotWidth = static_cast<int16_t>(Right - Left);
    DeleteButtons.width = DeleteButtons.height = MaxButtons.width = MaxButtons.height = 0;
    LayoutDone = 1;
    return;
  }

  for (int k = 0; k < DSS_BANDS; ++k) {
    if (!PlotInfo[k].title1Lines) ShowTitle1[k] = 0;
    if (!PlotInfo[k].title2Lines) ShowTitle2[k] = 0;
  }
  auto totalLines = [&] {
    int lines = 0;
    for (auto& p : PlotInfo) {
      p.totalTitleLines = p.title1Lines + p.title2Lines + p.furtherLines;
      lines += p.totalTitleLines;
    }
    return lines + (ShowHorzScale ? 2 : 0);
  };
  int lines = totalLines();
  auto rowsPerBand = [&] { return ((Bottom - Top - lines * ch) / ch) / n; };
  int rows = rowsPerBand();
  // Too low for three rows: second title lines go first, then first lines.
  for (int stage = 0; rows < 3 && stage < 3; ++stage) {
    for (int k = 0; k < DSS_BANDS; ++k) {
      if (stage == 0) PlotInfo[k].title2Lines = 0, ShowTitle2[k] = 0;
      if (stage == 1) PlotInfo[k].title1Lines = 0, ShowTitle1[k] = 0;
      if (stage == 2) PlotInfo[k].furtherLines = 0;
    }
    lines = totalLines();
    rows = rowsPerBand();
  }

  int width = 0;
  if (ShowVertScale) {
    const int chars = ReportMode ? 7 : ShowActiveButtons ? 6 : 5;
    width = chars * cw;
    if (Right - Left < 2 * width) width = 0, ShowVertScale = 0;
  }
  if (ShowHorzScale && (rows < 2 || Right - Left - width < width)) {
    ShowHorzScale = 0;
    lines -= 2;
  }
  HorzScaleHeight = static_cast<int16_t>(ShowHorzScale ? 2 * ch : 0);

  const int spare = Bottom - Top - lines * ch;
  const int each = spare / n;
  const int remainder = spare - each * n;
  bool first = true;
  for (int k = 0; k < DSS_BANDS; ++k) {
    if (!Spectra[k] || (k == 1 && DiffOverlay)) {
      BandHeight[k] = 0;
      continue;
    }
    int h = each + PlotInfo[k].totalTitleLines * ch;
    if (first) h += remainder, first = false;
    BandHeight[k] = static_cast<int16_t>(h);
  }

  bool anyPairs = false;
  for (auto& band : Traces)
    for (auto& t : band)
      if (t.spectrum && t.pairCount > 0) anyPairs = true;
  if (!ShowVertScale || each < 2 * ch || (!anyPairs && !ShowActiveButtons))
    VertScaleWidth = 0;
  else
    VertScaleWidth = static_cast<int16_t>(width);
  PlotWidth = static_cast<int16_t>(Right - Left - VertScaleWidth);

  const SIZE x = TextSize(DC, "X");
  const int16_t bw = static_cast<int16_t>(x.cx + 6);
  DeleteButtons.width = ShowDeleteButtons ? bw : 0;
  DeleteButtons.height = ShowDeleteButtons ? CharHeight : 0;
  MaxButtons.width = ShowMaxButtons ? bw : 0;
  MaxButtons.height = ShowMaxButtons ? CharHeight : 0;
  LayoutDone = 1;
}

void CDrawStackedSpectra::InitRulesAfterCalScaleAreas() {
  const double columns = ReportMode ? 2400.0 : double(PlotWidth);
  for (auto& band : Traces) {
    for (auto& t : band) {
      if (!t.spectrum) continue;
      t.dense = 0;
      const Pairs p(t.spectrum);
      if (p.n < 2) continue;
      const double first = p.Mass(0), last = p.Mass(p.n - 1);
      if (first == last) continue;
      auto expected = [&](long distinct) { return std::trunc(double(distinct) * (MassTo - MassFrom) / (last - first)); };
      // Where the estimate can only grow with the count, the count stops as
      // soon as it shows dense data: a profile spectrum has tens of
      // thousands of points for a thousand columns.
      const bool growing = MassTo - MassFrom >= 0 && last - first > 0;
      long distinct = 0;
      bool known = false;
      auto count = [&](const auto* pr) {
        double previous = 0;
        for (int32_t i = 0; i < p.n; ++i) {
          const double m = MassOf(pr[i]);
          if (i == 0 || m != previous) ++distinct;
          previous = m;
          if ((i & 255) == 255 && growing && expected(distinct) > columns) {
            known = true;
            return;
          }
        }
      };
      if (p.x) count(p.x);
      else if (p.t) count(p.t);
      else if (p.d) count(p.d);
      t.dense = known || expected(distinct) > columns ? 1 : 0;
    }
  }
}

void CDrawStackedSpectra::FillBackground() {
  HDC dc = Out(*this);
  if (!dc) return;
  const COLORREF back = ScreenColors.colors[0];
  if (!ScreenColors.fadeOn) {
    HBRUSH brush = CreateSolidBrush(back);
    if (!brush) return;
    const RECT r{Left, Top, Right, Bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    return;
  }
  if (HorzScaleHeight) {
    HBRUSH brush = CreateSolidBrush(ScreenColors.fadeMode == 0 ? RGB(0, 0, 0) : back);
    if (brush) {
      const RECT r{Left, Bottom - HorzScaleHeight, Right, Bottom};
      FillRect(dc, &r, brush);
      DeleteObject(brush);
    }
  }
  int y = Top;
  for (int k = 0; k < DSS_BANDS; ++k) {
    if (!BandHeight[k]) continue;
    KELT_FillRectWithFadeColor(dc, back, ScreenColors.fadeMode, Left, y, Right, y + BandHeight[k]);
    y += BandHeight[k];
  }
}

void CDrawStackedSpectra::DrawSpectra() {
  HDC dc = Out(*this);
  if (!dc) return;
  OriginX = static_cast<int16_t>(Left + VertScaleWidth);
  XScale = MassTo != MassFrom ? double(PlotWidth) / (MassTo - MassFrom) : 0.0;
  if (HorzScaleHeight) {
    DrawHorzScale();
    DrawMassRange();
    DrawBottomLine();
  }
  if (!ReportMode) {
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, ScreenColors.colors[0]);
  }
  int y = Top;
  for (short k = 0; k < DSS_BANDS && LayoutDone && CharHeight > 0; ++k) {
    if (!PlotInfo[k].traceCount) continue;
    const int titleHeight = PlotInfo[k].totalTitleLines * CharHeight;
    BandTop = static_cast<int16_t>(y);
    DrawTop = static_cast<int16_t>(y + titleHeight);
    DrawHeight = static_cast<int16_t>(BandHeight[k] - titleHeight);
    DrawBottom = static_cast<int16_t>(DrawTop + DrawHeight);
    TitlesBottom = static_cast<int16_t>(y + (PlotInfo[k].title1Lines + PlotInfo[k].title2Lines) * CharHeight);
    const double range = VertMax[k] - VertMin[k];
    YScale = range != 0 ? DrawHeight / range : 0.0;
    if (VertMax[k] < 0)
      BaselineY = DrawTop;
    else if (VertMin[k] > 0)
      BaselineY = DrawBottom;
    else
      BaselineY = static_cast<int16_t>(DrawBottom - std::trunc((0 - VertMin[k]) * YScale));

    auto drawTrace = [&](short j) {
      const STRUCT_DSS_TRACE& t = Traces[k][j];
      if (!t.profile && !t.dense) DrawSpectrumSticks(k, j);
      else if (!t.profile) DrawMaxSpectrumSticks(k, j);
      else if (!t.dense) DrawSpectrumLine(k, j);
      else DrawMinMaxSpectrumLine(k, j);
    };

    if (k == 2) {
      const STRUCT_DSS_TRACE& t = Traces[2][0];
      if (!t.spectrum) continue;
      if (!HasData(t)) {
        DrawNULLSpectrum(static_cast<long>(t.pairCount), 2);
        continue;
      }
      DrawVertScale(2);
      drawTrace(0);
    } else {
      LabelLineY = BaselineY;
      const double share = LabelThreshold / 100.0 * (BaselineY - DrawTop);
      if (LabelThreshold > 0 && share > 0) LabelLineY = static_cast<int16_t>(BaselineY - std::trunc(share));
      bool scaled = false;
      for (short j : {3, 1, 0, 2}) {
        const STRUCT_DSS_TRACE& t = Traces[k][j];
        if (!t.spectrum) continue;
        if (!HasData(t)) {
          if (NullScale) DrawVertScale(k);
          DrawNULLSpectrum(static_cast<long>(t.pairCount), k);
          continue;
        }
        if (!scaled) DrawVertScale(k), scaled = true;
        drawTrace(j);
      }
      if (!DiffOverlay) DrawChemObject(k);
    }
    DrawTitles(k);
    if (ShowActiveButtons && VertScaleWidth && k < 2) DrawActivePlotButton(k);
    if (ShowDeleteButtons) DrawDeletePlotButton(k);
    if (ShowMaxButtons) DrawMaxPlotButton(k);
    y += BandHeight[k];
  }
  DrawOutlines();
}

void CDrawStackedSpectra::DrawOutlines() {
  HDC dc = Out(*this);
  if (!dc) return;
  StepPen pen(dc, ForeColor, PenWidth(*this));
  if (!pen.Ok()) return;
  const int r = Right - 1, b = Bottom - 1;
  MoveToEx(dc, Left, Top, nullptr);
  LineTo(dc, r, Top);
  LineTo(dc, r, b);
  LineTo(dc, Left, b);
  LineTo(dc, Left, Top);
  int y = Top + BandHeight[0];
  if (!DiffOverlay) {
    if (Spectra[0] && (Spectra[1] || Spectra[2])) Line(dc, Left, y, Right - 1, y);
    y += BandHeight[1];
    if (Spectra[1] && Spectra[2]) Line(dc, Left, y, Right - 1, y);
  } else if ((Spectra[0] || Spectra[1]) && Spectra[2]) {
    Line(dc, Left, y, Right - 1, y);
  }
}
