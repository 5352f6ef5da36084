// The stacked-spectra object: defaults, trace slots, the division of the
// rectangle into bands, the automatic m/z range, dense flags, background
// and outlines.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "plotengine/tests/recorded_calls.h"
#include "spectrum_fixture.h"
#include "win/win_user.h"

namespace {

using namespace sptfix;

TEST(StackedSpectraDefaults, ConstructorSetsTheDocumentedValues) {
  CDrawStackedSpectra d;
  EXPECT_EQ(+d.ShowHorzScale, 1);
  EXPECT_EQ(+d.ShowStructure, 1);
  EXPECT_EQ(+d.SearchMatchMode, 1);
  EXPECT_EQ(+d.MarkSparsePoints, 1);
  EXPECT_EQ(+d.LabelMasses, 1);
  EXPECT_EQ(+d.LabelIntensities, 1);
  EXPECT_EQ(+d.LabelHalfHeights, 0);
  EXPECT_EQ(+d.LabelThreshold, 25);
  EXPECT_EQ(+d.VertMin[0], -5);
  EXPECT_EQ(+d.VertMin[2], -100);
  EXPECT_EQ(+d.VertMax[1], 105);
  EXPECT_EQ(+d.VertMax[2], 100);
  EXPECT_EQ(+d.MassFrom, +d.MassTo);
  // Colours of the current default preferences.
  EXPECT_EQ(+d.ScreenColors.colors[0], RGB(255, 255, 255));
  EXPECT_EQ(+d.ScreenColors.colors[1], RGB(0, 0, 0));
  EXPECT_EQ(+d.ReportColors.colors[1], RGB(0, 0, 0));
  // Buttons start at the scroll-bar thumb sizes.
  EXPECT_EQ(+d.DeleteButtons.width, GetSystemMetrics(SM_CXHTHUMB));
  EXPECT_EQ(+d.MaxButtons.height, GetSystemMetrics(SM_CYVTHUMB));
}

struct RangeCase {
  const char* what;
  std::function<std::vector<Spt>()> make;
  int16_t report;
  double from, to;
};

TEST(StackedSpectraLayout, AutomaticMassRange) {
  const std::vector<RangeCase> cases = {
      {"two centroid spectra 40-300 and 50-420",
       [] {
         std::vector<Spt> v;
         v.push_back(Integer({{40, 500}, {91, 9000}, {300, 70}}));
         v.push_back(Integer({{50, 80}, {133, 4000}, {420, 10}}));
         return v;
       },
       0, 21, 439},
      {"one centroid pair at m/z 100 on the screen",
       [] {
         std::vector<Spt> v;
         v.push_back(Integer({{100, 1234}}));
         return v;
       },
       0, 98.9, 101.1},
      {"one centroid pair at m/z 100 on a report page: 5 wide",
       [] {
         std::vector<Spt> v;
         v.push_back(Integer({{100, 1234}}));
         return v;
       },
       1, 97.25, 102.75},
      {"profile points 0.0002 wide: 0.0005 wide",
       [] {
         std::vector<Spt> v;
         v.push_back(Precise({{100.0, 10}, {100.0001, 500}, {100.0002, 12}}, true));
         return v;
       },
       0, 100.0001 - 0.000275, 100.0001 + 0.000275},
      {"double pairs give no range: 20-200",
       [] {
         std::vector<Spt> v;
         v.push_back(Difference({{44.5, 10}, {91.2, -300}}));
         return v;
       },
       0, 11, 209},
      {"the spectrum's own range wins over its pairs",
       [] {
         std::vector<Spt> v;
         v.push_back(Integer({{50, 80}, {133, 4000}, {420, 10}}));
         v.back()->useMassRange = 1;
         v.back()->lowMass = 35;
         v.back()->highMass = 500;
         return v;
       },
       0, 11.75, 523.25},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Screen s(800, 500);
    auto spectra = c.make();
    CDrawStackedSpectra d;
    Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
    d.ReportMode = c.report;
    for (size_t i = 0; i < spectra.size(); ++i) d.Spectra[i] = spectra[i].get();
    d.DoJob();
    EXPECT_NEAR(+d.MassFrom, c.from, 1e-9);
    EXPECT_NEAR(+d.MassTo, c.to, 1e-9);
  }
}

TEST(StackedSpectraLayout, BandsShareTheHeightBelowTheTitlesAndTheMassScale) {
  Screen s(900, 620);
  Spt a = Integer({{41, 300}, {91, 9000}, {92, 6000}});
  Spt b = Integer({{51, 80}, {77, 4000}, {112, 9999}});
  Spt diff = Difference({{41, 30}, {91, 999}, {112, -999}});
  Titles(a.get(), "Scan 1234", "Compound 3", "BP 91 (9000=100%)", "8.412 min.");
  Titles(b.get(), "Entry 1207", "Chlorobenzene");
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.Spectra[1] = b.get();
  d.Spectra[2] = diff.get();
  d.DoJob();

  EXPECT_EQ(+d.LayoutDone, 1);
  EXPECT_EQ(+d.VertScaleWidth, 5 * s.cw);
  EXPECT_EQ(+d.OriginX, +d.VertScaleWidth);
  EXPECT_EQ(+d.PlotWidth, 900 - d.VertScaleWidth);
  EXPECT_EQ(+d.HorzScaleHeight, 2 * s.ch);
  EXPECT_EQ(+d.PlotInfo[0].totalTitleLines, 2);
  EXPECT_EQ(+d.PlotInfo[1].totalTitleLines, 1);
  EXPECT_EQ(+d.PlotInfo[2].totalTitleLines, 0);
  EXPECT_EQ(d.BandHeight[0] + d.BandHeight[1] + d.BandHeight[2] + d.HorzScaleHeight, 620);
  const int each = (620 - (3 + 2) * s.ch) / 3;
  EXPECT_EQ(+d.BandHeight[1], each + s.ch);
  EXPECT_EQ(+d.BandHeight[2], each);
  // Trace colours: band 0 entry 4, band 1 entry 5, the difference entry 3.
  EXPECT_EQ(+d.Traces[0][0].colour, +d.ScreenColors.colors[4]);
  EXPECT_EQ(+d.Traces[1][0].colour, +d.ScreenColors.colors[5]);
  EXPECT_EQ(+d.Traces[2][0].colour, +d.ScreenColors.colors[3]);
  EXPECT_EQ(+d.Traces[0][0].colour2, +d.ScreenColors.colors[6]);

  // Difference mode: A and B share band 0, B laid over A.
  CDrawStackedSpectra o;
  Frame(o, &s.cdc, s.width, s.height, s.cw, s.ch);
  o.Spectra[0] = a.get();
  o.Spectra[1] = b.get();
  o.Spectra[2] = diff.get();
  o.DifferenceMode = 1;
  o.ActiveSpectrum = 1;
  o.DoJob();
  EXPECT_EQ(+o.DiffOverlay, 1);
  EXPECT_EQ(+o.BandHeight[1], 0);
  EXPECT_EQ(+o.Traces[0][1].spectrum, b.get());
  EXPECT_EQ(+o.Traces[0][0].labels, 0);
  EXPECT_EQ(+o.Traces[0][1].labels, 1);
  EXPECT_EQ(+o.PlotInfo[2].maxIntensity, 9000);  // A's maximum
}

TEST(StackedSpectraLayout, NarrowRectangleHasNoIntensityScale) {
  Screen s(400, 300);
  Spt a = Integer({{41, 300}, {91, 9000}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, 10 * s.cw - 1, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.DoJob();
  EXPECT_EQ(+d.ShowVertScale, 0);
  EXPECT_EQ(+d.VertScaleWidth, 0);
  EXPECT_EQ(+d.PlotWidth, 10 * s.cw - 1);
}

TEST(StackedSpectraLayout, LowBandsShedSecondTitleLinesFirstThenFirstLines) {
  Screen s(600, 600);
  std::vector<Spt> spectra;
  for (int k = 0; k < 3; ++k) {
    spectra.push_back(Integer({{41, 300}, {91, 9000}}));
    Titles(spectra.back().get(), "Left one", "Right one", "Left two", "Right two");
  }
  // Rows per band: ((height - lines x ch) / ch) / 3, lines counting the
  // title lines and the two of the m/z scale.
  struct Case {
    int rows;  // height in character rows
    int title1, title2;
  } cases[] = {
      {17, 1, 1},  // 8 lines and 9 rows left: 3 per band
      {16, 1, 0},  // 2 per band: the second lines go, then 11 rows are left
      {14, 1, 0},
      {13, 0, 0},  // 8 rows without the second lines: the first lines go too
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    CDrawStackedSpectra d;
    Frame(d, &s.cdc, s.width, c.rows * s.ch, s.cw, s.ch);
    for (int k = 0; k < 3; ++k) d.Spectra[k] = spectra[static_cast<size_t>(k)].get();
    d.DoJob();
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(+d.PlotInfo[k].title1Lines, c.title1);
      EXPECT_EQ(+d.PlotInfo[k].title2Lines, c.title2);
      EXPECT_EQ(+d.ShowTitle2[k], c.title2);
    }
  }
}

TEST(StackedSpectraLayout, NothingToDrawLeavesOnlyTheOutline) {
  Screen s(300, 200);
  for (int cellHeight : {s.ch, 0}) {
    SCOPED_TRACE(cellHeight);
    Spt a = Integer({{41, 300}});
    const CallLog log = RecordCalls([&](HDC dc) {
      CDrawStackedSpectra d;
      Frame(d, CDC::FromHandle(dc), 300, 200, s.cw, cellHeight);
      if (cellHeight == 0) d.Spectra[0] = a.get();
      d.DoJob();
    });
    EXPECT_EQ(log.Of(EMR_EXTTEXTOUTA).size(), 0u);
    const auto lines = log.Of(EMR_LINETO);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].points[0].x, 0);
    EXPECT_EQ(lines[0].points[1].x, 299);
  }
}

TEST(StackedSpectraLayout, DenseWhenMoreDistinctMassesThanColumns) {
  Screen s(500, 400);
  Spt many = Precise(MessyCentroid(3, 1000, 40, 540), false);
  Spt few = Precise(MessyCentroid(4, 20, 40, 540), false);
  Spt one = Integer({{77, 10}, {77, 20}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = many.get();
  d.Spectra[1] = few.get();
  d.Spectra[2] = one.get();
  d.DoJob();
  EXPECT_EQ(+d.Traces[0][0].dense, 1);
  EXPECT_EQ(+d.Traces[1][0].dense, 0);
  EXPECT_EQ(+d.Traces[2][0].dense, 0);
  // A report page has 2400 columns: 1000 masses are not dense there.
  CDrawStackedSpectra r;
  Frame(r, &s.cdc, s.width, s.height, s.cw, s.ch);
  r.ReportMode = 1;
  r.Spectra[0] = many.get();
  r.DoJob();
  EXPECT_EQ(r.Traces[0][0].dense, 0);
}

TEST(StackedSpectraLayout, BackgroundAndBandSeparators) {
  Screen s(600, 500);
  Spt a = Integer({{41, 300}, {91, 9000}});
  Spt b = Integer({{51, 80}, {77, 4000}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.Spectra[1] = b.get();
  d.PaintBackground = 1;
  d.ScreenColors.colors[0] = RGB(250, 245, 220);
  d.DoJob();
  EXPECT_EQ(s.At(d.OriginX + 5, 3), RGB(250, 245, 220));
  // The separator between the two bands, in the foreground colour.
  const int y = d.BandHeight[0];
  EXPECT_EQ(s.At(d.OriginX + 40, y), RGB(0, 0, 0));
  EXPECT_EQ(s.At(0, 250), RGB(0, 0, 0));
  EXPECT_EQ(s.At(599, 250), RGB(0, 0, 0));
}

TEST(StackedSpectraLayout, HalfHeightLabelsNeedTheResearchSetting) {
  Screen s(400, 300);
  Spt a = Integer({{41, 300}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.LabelHalfHeights = 1;
  d.DoJob();
  EXPECT_EQ(+d.LabelHalfHeights, 0);
}


TEST(StackedSpectraLayout, FadedBackgroundRunsDownEachBand) {
  Screen s(600, 500);
  Spt a = Integer({{41, 300}, {91, 9000}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.PaintBackground = 1;
  d.ScreenColors.colors[0] = RGB(40, 80, 200);
  d.ScreenColors.fadeOn = 1;
  d.ScreenColors.fadeMode = 1;  // from white at the top
  d.DoJob();
  const COLORREF top = s.At(300, 3), bottom = s.At(300, d.BandHeight[0] - 3);
  EXPECT_GT(GetRValue(top), GetRValue(bottom));
  EXPECT_NEAR(GetRValue(bottom), 40, 8);
  // The m/z strip is filled plainly.
  EXPECT_EQ(s.At(300, 500 - 2), RGB(40, 80, 200));
}

}  // namespace
