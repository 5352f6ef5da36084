// The traces of a band: stick ends and their clamping, the shifted sticks
// of B in difference mode, one stick per column for dense data, point
// marks of short profile lines, grey-out, and the width at half height.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "plotengine/tests/recorded_calls.h"
#include "spectrum_fixture.h"
#include "spectrumctl/stacked_spectra_internal.h"

namespace {

using namespace sptfix;

constexpr int kW = 700, kH = 420, kCw = 7, kCh = 14;

// Draws on a recording metafile and keeps the object for its members.
struct Recorded {
  CDrawStackedSpectra d;
  CallLog log;
  template <class Setup>
  explicit Recorded(Setup setup) {
    log = RecordCalls([&](HDC dc) {
      Frame(d, CDC::FromHandle(dc), kW, kH, kCw, kCh);
      setup(d);
      d.DoJob();
    });
  }
  // Vertical lines (sticks) drawn in a colour, as (x, from y, to y).
  std::vector<std::array<int, 3>> Sticks(COLORREF colour) const {
    std::vector<std::array<int, 3>> out;
    for (const auto& c : log.calls)
      if ((c.type == EMR_LINETO || c.type == EMR_POLYLINE) && c.points.size() == 2 && c.penColor == colour &&
          c.points[0].x == c.points[1].x)
        out.push_back({c.points[0].x, c.points[0].y, c.points[1].y});
    return out;
  }
};

int X(const CDrawStackedSpectra& d, double m) { return d.OriginX + int(std::trunc((m - d.MassFrom) * d.XScale)); }

TEST(SpectrumSticks, EndsClampedToThePlotAndZeroIntensityOnTheBaseline) {
  Spt a = Integer({{60, 1000}, {80, 0}, {100, 2000}});
  Recorded r([&](CDrawStackedSpectra& d) {
    d.Spectra[0] = a.get();
    d.VertMax[0] = 60;  // the tallest stick (100 %) runs off the top
    d.MassFrom = 50;
    d.MassTo = 150;
  });
  const CDrawStackedSpectra& d = r.d;
  const auto sticks = r.Sticks(d.ScreenColors.colors[4]);
  ASSERT_EQ(sticks.size(), 3u);
  // 1000 of 2000 is 50 %.
  const int y50 = d.DrawBottom - int(std::trunc(d.YScale * (50 - d.VertMin[0])));
  EXPECT_EQ(sticks[0], (std::array<int, 3>{X(d, 60), +d.BaselineY, y50}));
  EXPECT_EQ(sticks[1], (std::array<int, 3>{X(d, 80), +d.BaselineY, d.BaselineY}));
  EXPECT_EQ(sticks[2], (std::array<int, 3>{X(d, 100), +d.BaselineY, d.DrawTop}));
  EXPECT_GT(+d.BaselineY, +d.DrawTop);
  EXPECT_EQ(+d.BaselineY, d.DrawBottom - int(std::trunc(5 * d.YScale)));
}

TEST(SpectrumSticks, SpectrumBStandsOnePixelRightOfAInDifferenceMode) {
  Spt a = Integer({{60, 1000}, {100, 2000}});
  Spt b = Integer({{60, 700}, {100, 2000}});
  Recorded r([&](CDrawStackedSpectra& d) {
    d.Spectra[0] = a.get();
    d.Spectra[1] = b.get();
    d.DifferenceMode = 1;
    d.MassFrom = 50;
    d.MassTo = 150;
  });
  const STRUCT_SPTS_SCREEN_COLORS colours = r.d.ScreenColors;
  const auto& c = colours.colors;
  const auto sa = r.Sticks(c[4]), sb = r.Sticks(c[5]);
  ASSERT_EQ(sa.size(), 2u);
  ASSERT_EQ(sb.size(), 2u);
  EXPECT_EQ(sb[0][0], sa[0][0] + 1);
  EXPECT_EQ(sb[1][0], sa[1][0] + 1);
}

TEST(SpectrumSticks, MarkedMassesAndGreyOut) {
  // Largest 1000, 500 per mille: 500 is the threshold; 500 itself is not grey.
  Spt a = Integer({{60, 500}, {70, 499}, {80, 1000}, {90, 800}, {140, 900}});
  a->topWeightedCount = 1;
  a->topWeightedMasses[0] = 90;
  Recorded r([&](CDrawStackedSpectra& d) {
    d.Spectra[0] = a.get();
    d.MassFrom = 50;
    d.MassTo = 150;
    d.ScreenColors.markMasses = 1;
    d.GreyOut[0] = 1;
    d.GreyOutParams[0] = {1, 55.0, 120.0, 500};
  });
  const STRUCT_SPTS_SCREEN_COLORS colours = r.d.ScreenColors;
  const auto& c = colours.colors;
  auto at = [&](COLORREF col) {
    std::vector<int> xs;
    for (const auto& s : r.Sticks(col)) xs.push_back(s[0]);
    return xs;
  };
  const CDrawStackedSpectra& d = r.d;
  EXPECT_EQ(at(c[4]), (std::vector<int>{X(d, 60), X(d, 80)}));
  EXPECT_EQ(at(c[3]), (std::vector<int>{X(d, 70), X(d, 140)}));
  EXPECT_EQ(at(c[6]), (std::vector<int>{X(d, 90)}));
}

TEST(SpectrumSticks, FragmentFlagsOfPrecisePairs) {
  Spt a = Precise({{60.02, 500}, {70.98, 800}, {80.4, 1000}}, false, {2, 3, 0});
  Recorded r([&](CDrawStackedSpectra& d) {
    d.Spectra[0] = a.get();
    d.MassFrom = 50;
    d.MassTo = 100;
  });
  ASSERT_NE(r.log.Text("F"), nullptr);
  ASSERT_NE(r.log.Text("S"), nullptr);
  EXPECT_EQ(r.log.Text("F")->points[0].x, X(r.d, 60.02));
  EXPECT_EQ(r.log.Text("S")->points[0].y, +r.d.BaselineY);
}

TEST(DenseTraces, DifferenceColumnsShowTheLargestSizeDownwardWhenNegative) {
  // 4000 masses in 0.05 steps: many per column; each column holds one
  // large negative value among small positive ones.
  std::vector<std::pair<double, double>> pairs;
  for (int i = 0; i < 4000; ++i) {
    const double m = 50 + 0.05 * i;
    const double v = (i % 40 == 17) ? -600.0 - (i % 7) : 10.0 + (i % 5);
    pairs.emplace_back(m, v);
  }
  Spt a = Integer({{60, 1000}, {100, 2000}});
  Spt diff = Difference(pairs, 1);
  Recorded r([&](CDrawStackedSpectra& d) {
    d.Spectra[0] = a.get();
    d.Spectra[2] = diff.get();
    d.MassFrom = 50;
    d.MassTo = 250;
  });
  const CDrawStackedSpectra& d = r.d;
  EXPECT_EQ(+d.Traces[2][0].dense, 1);
  const auto sticks = r.Sticks(d.ScreenColors.colors[3]);
  ASSERT_FALSE(sticks.empty());
  EXPECT_LE(sticks.size(), size_t(d.PlotWidth));
  int down = 0;
  for (const auto& s : sticks) {
    EXPECT_EQ(s[1], +d.BaselineY);
    if (s[2] > d.BaselineY) ++down;
  }
  // Columns holding one of the negative values show it, not the small ones.
  EXPECT_GE(down, 90);
}

TEST(ProfileLines, ShortLinesGetPointMarksUpTo60Points) {
  for (int points : {60, 61}) {
    SCOPED_TRACE(points);
    std::vector<std::pair<double, uint32_t>> pairs;
    for (int i = 0; i < points; ++i)
      pairs.emplace_back(100 + 0.1 * i, uint32_t(400 + 300 * std::sin(i * 0.7) + 17 * (i % 3)));
    Spt a = Precise(pairs, true);
    Recorded r([&](CDrawStackedSpectra& d) {
      d.Spectra[0] = a.get();
      d.LabelMasses = d.LabelIntensities = 0;
    });
    EXPECT_EQ(+r.d.Traces[0][0].profile, 1);
    const size_t marks = r.log.Of(EMR_ELLIPSE).size();
    if (points == 60)
      EXPECT_EQ(marks, 60u);
    else
      EXPECT_EQ(marks, 0u);
  }
}

TEST(ProfileLines, DenseProfileIsOneSegmentPerColumn) {
  Spt a = Precise(MessyProfile(5, 20000, 50, 0.025), true);
  Recorded r([&](CDrawStackedSpectra& d) { d.Spectra[0] = a.get(); });
  const CDrawStackedSpectra& d = r.d;
  EXPECT_EQ(+d.Traces[0][0].dense, 1);
  size_t segments = 0;
  for (const auto& c : r.log.Of(EMR_POLYLINE))
    if (c.penColor == d.ScreenColors.colors[4]) ++segments;
  EXPECT_GT(segments, 0u);
  EXPECT_LE(segments, size_t(3 * d.PlotWidth));
  for (const auto& c : r.log.Of(EMR_POLYLINE)) {
    if (c.penColor != d.ScreenColors.colors[4]) continue;
    for (const POINT& p : c.points) {
      EXPECT_GE(p.y, +d.DrawTop);
      EXPECT_LE(p.y, +d.DrawBottom);
      EXPECT_GE(p.x, +d.OriginX);
      EXPECT_LE(p.x, d.OriginX + d.PlotWidth);
    }
  }
}

// Profile points of a Gaussian of height h and standard deviation s at c.
std::vector<XTOL_PAIR> Gaussian(double c, double s, double h, double step, int n, double from) {
  std::vector<XTOL_PAIR> out;
  for (int i = 0; i < n; ++i) {
    const double m = from + step * i;
    const double z = (m - c) / s;
    out.push_back({m, uint32_t(h * std::exp(-0.5 * z * z)), 0});
  }
  return out;
}

long ApexOf(const std::vector<XTOL_PAIR>& p) {
  long best = 0;
  for (long i = 0; i < long(p.size()); ++i)
    if (p[size_t(i)].intensity > p[size_t(best)].intensity) best = i;
  return best;
}

TEST(HalfHeightWidth, GaussianPeaksMatchTheirAnalyticWidth) {
  struct Case {
    double sigma, step, width;
  } cases[] = {{0.2, 0.01, 6}, {0.15, 0.02, 4}, {0.5, 0.05, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sigma);
    const auto p = Gaussian(100.0137, c.sigma, 50000, c.step, 2000, 90);
    const double w = kelt::sptdraw::HalfHeightWidthOf(p.data(), long(p.size()), ApexOf(p), c.width, false, 0, 1);
    EXPECT_NEAR(w, 2.3548 * c.sigma, 0.01 * 2.3548 * c.sigma);
  }
}

TEST(HalfHeightWidth, OneSideMissingGivesTwiceTheOther) {
  auto p = Gaussian(100.0, 0.2, 50000, 0.01, 2000, 90);
  const long apex = ApexOf(p);
  const double whole = kelt::sptdraw::HalfHeightWidthOf(p.data(), long(p.size()), apex, 6, false, 0, 1);
  // The left flank rises again before half height.
  p[size_t(apex - 10)].intensity = p[size_t(apex - 9)].intensity + 5000;
  const double w = kelt::sptdraw::HalfHeightWidthOf(p.data(), long(p.size()), apex, 6, false, 0, 1);
  EXPECT_NEAR(w, whole, 0.002);
  const double right = w / 2;
  EXPECT_NEAR(right, 1.1774 * 0.2, 0.003);
  // Both flanks unusable near the ends: 0.
  EXPECT_EQ(kelt::sptdraw::HalfHeightWidthOf(p.data(), long(p.size()), 1, 6, false, 0, 1), 0.0);
}

TEST(HalfHeightWidth, ZeroBaselineDivisorIsTakenAsOne) {
  const auto p = Gaussian(100.0, 0.2, 50000, 0.01, 2000, 90);
  const long apex = ApexOf(p);
  const double one = kelt::sptdraw::HalfHeightWidthOf(p.data(), long(p.size()), apex, 6, true, 100, 1);
  EXPECT_GT(one, 0.0);
  EXPECT_EQ(kelt::sptdraw::HalfHeightWidthOf(p.data(), long(p.size()), apex, 6, true, 100, 0), one);
  EXPECT_EQ(kelt::sptdraw::HalfHeightWidthOf(p.data(), long(p.size()), apex, 6, true, 100, -3), one);
}


TEST(ProfileLines, EdgesAreInterpolatedAtTheRangeEnds) {
  // A straight ramp from (90, 0) to (110, 2000) seen from 95 to 105.
  std::vector<std::pair<double, uint32_t>> pairs;
  for (int i = 0; i <= 20; ++i) pairs.emplace_back(90.0 + i, uint32_t(100 * i));
  Spt a = Precise(pairs, true);
  Recorded r([&](CDrawStackedSpectra& d) {
    d.Spectra[0] = a.get();
    d.MassFrom = 95.5;
    d.MassTo = 104.5;
    d.LabelMasses = d.LabelIntensities = 0;
  });
  const CDrawStackedSpectra& d = r.d;
  // The ramp's maximum is 2000: 100 counts a mass are 5 % a mass.
  auto y = [&](double mass) { return d.DrawBottom - int(std::trunc(d.YScale * ((mass - 90) * 5 - d.VertMin[0]))); };
  bool left = false, right = false;
  for (const auto& c : r.log.Of(EMR_POLYLINE)) {
    if (c.points.size() != 2) continue;
    if (c.points[0].x == d.OriginX && c.points[0].y == y(95.5) && c.points[1].x == X(d, 96)) left = true;
    if (c.points[1].x == d.OriginX + d.PlotWidth && c.points[1].y == y(104.5) && c.points[0].x == X(d, 104)) right = true;
  }
  EXPECT_TRUE(left);
  EXPECT_TRUE(right);
}

// Keeps the candidates a trace hands to DrawLabels.
class Candidates : public CDrawStackedSpectra {
 public:
  void DrawLabels(STRUCT_DSS_LAB* labels, long count, STRUCT_SPT_PLUS* s, long colour) override {
    CDrawStackedSpectra::DrawLabels(labels, count, s, colour);
    kept.insert(kept.end(), labels, labels + count);
  }
  std::vector<STRUCT_DSS_LAB> kept;
};

TEST(ProfileLines, LocalMaximaOfTheLineAreLabelCandidates) {
  // Two noisy Gaussian ions at 101.23 and 104.71 on a flat baseline.
  std::vector<std::pair<double, uint32_t>> pairs;
  for (int i = 0; i < 120; ++i) {
    const double m = 100 + 0.05 * i;
    const double v = 40 + 3 * (i % 3) + 9000 * std::exp(-0.5 * std::pow((m - 101.23) / 0.12, 2)) +
                     6000 * std::exp(-0.5 * std::pow((m - 104.71) / 0.12, 2));
    pairs.emplace_back(m, uint32_t(v));
  }
  Spt a = Precise(pairs, true);
  Screen s(800, 400);
  Candidates d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.MassFrom = 99;
  d.MassTo = 107;
  d.DoJob();
  ASSERT_EQ(d.kept.size(), 2u);
  EXPECT_NEAR(d.kept[0].mass, 101.23, 0.026);
  EXPECT_NEAR(d.kept[1].mass, 104.71, 0.026);
  EXPECT_EQ(d.kept[0].halfWidth, 0.0);  // widths only with the research setting
  EXPECT_EQ(+d.kept[0].placed, 1);
  EXPECT_EQ(+d.kept[1].placed, 1);
}


TEST(ProfileLines, DenseFlatStretchesShowAsAnUnbrokenRow) {
  // 30,000 points: one tall ion on a baseline of small noise.
  std::vector<std::pair<double, uint32_t>> pairs;
  for (int i = 0; i < 30000; ++i) {
    const double m = 50 + 0.01 * i;
    pairs.emplace_back(m, uint32_t(20 + (i * 7919) % 9 + 90000 * std::exp(-0.5 * std::pow((m - 151.37) / 0.1, 2))));
  }
  Spt a = Precise(pairs, true);
  Screen s(600, 300);
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.MassFrom = 50;
  d.MassTo = 350;
  d.LabelMasses = d.LabelIntensities = 0;
  d.DoJob();
  ASSERT_EQ(+d.Traces[0][0].dense, 1);
  const COLORREF c = d.Traces[0][0].colour;
  // The baseline noise is far below a pixel: every column from the left
  // edge to the ion lies on one row just above the zero line.
  int row = -1;
  for (int y = d.DrawTop; y <= d.DrawBottom && row < 0; ++y)
    if (s.At(d.OriginX + 20, y) == c) row = y;
  ASSERT_GE(row, 0);
  const int ion = X(d, 151.37);
  for (int x = d.OriginX + 1; x < ion - 2; ++x) EXPECT_EQ(s.At(x, row), c) << x;
  // The ion's column reaches up to the top of the plot.
  int top = d.DrawBottom;
  for (int x = ion - 2; x <= ion + 2; ++x)
    for (int y = d.DrawTop; y < top; ++y)
      if (s.At(x, y) == c) top = y;
  EXPECT_LE(top, d.DrawTop + 5 * (d.DrawHeight) / 100 + 2);
}

}  // namespace
