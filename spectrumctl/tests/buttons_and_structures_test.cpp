// Plot buttons and their recorded places; chemical structures drawn from
// hand-written connection tables of benzene, toluene and
// 1,2,4-trichlorobenzene.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plotengine/tests/recorded_calls.h"
#include "spectrum_fixture.h"

namespace {

using namespace sptfix;

int WidthOf(HDC dc, const std::string& s) {
  SIZE sz{};
  GetTextExtentPoint32A(dc, s.c_str(), int(s.size()), &sz);
  return sz.cx;
}

TEST(PlotButtons, MaximiseButtonSitsAtTheRightEdgeWithoutDeleteButtons) {
  Screen s(700, 400);
  Spt a = Integer({{41, 300}, {91, 9000}});
  Spt b = Integer({{51, 80}, {77, 4000}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.Spectra[1] = b.get();
  d.ShowMaxButtons = 1;
  d.Maximized = 1;
  d.MaximizedPlot = 1;
  d.DoJob();
  EXPECT_EQ(+d.DeleteButtons.width, 0);
  EXPECT_EQ(+d.MaxButtons.width, WidthOf(s.dc, "X") + 6);
  EXPECT_EQ(+d.MaxButtons.height, +s.ch);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(+d.MaxButtons.shown[k], 1);
    EXPECT_EQ(+d.MaxButtons.x[k], d.OriginX + d.PlotWidth - 2 - d.MaxButtons.width);
  }
  EXPECT_EQ(+d.MaxButtons.y[0], 1);
  EXPECT_EQ(+d.MaxButtons.y[1], d.BandHeight[0] + 1);
  EXPECT_EQ(+d.MaxButtons.shown[2], 0);
  // The band not maximised shows a box in a box: its centre is inside the inner box.
  const int cx = d.MaxButtons.x[0] + d.MaxButtons.width / 2, cy = d.MaxButtons.y[0] + d.MaxButtons.height / 2;
  EXPECT_EQ(s.At(cx, cy), RGB(255, 255, 255));
  EXPECT_EQ(s.At(d.MaxButtons.x[0], cy), +d.Traces[0][0].colour);
}

TEST(PlotButtons, DeleteButtonIsABoxWithACross) {
  Screen s(700, 400);
  Spt a = Integer({{41, 300}, {91, 9000}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.ShowDeleteButtons = d.ShowMaxButtons = 1;
  d.DoJob();
  EXPECT_EQ(+d.DeleteButtons.x[0], d.OriginX + d.PlotWidth - 2 - d.DeleteButtons.width);
  EXPECT_EQ(+d.MaxButtons.x[0], d.DeleteButtons.x[0] - d.MaxButtons.width);
  const int l = d.DeleteButtons.x[0], t = d.DeleteButtons.y[0];
  const int w = d.DeleteButtons.width, h = d.DeleteButtons.height;
  const COLORREF c = d.Traces[0][0].colour;
  EXPECT_EQ(s.At(l, t + h / 2), c);
  // The diagonals cross in the middle.
  int crossed = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) crossed += s.At(l + w / 2 + dx, t + h / 2 + dy) == c;
  EXPECT_GE(crossed, 2);
}

struct ActiveCase {
  int16_t window, activeWindow, activeSpectrum;
  bool overlay;
  std::vector<std::string> labels;
};

TEST(PlotButtons, ActivePlotButtonsNameTheirSpectra) {
  const ActiveCase cases[] = {
      {0, 0, 0, true, {"1A", "1B"}},
      {2, 2, 0, false, {"3A", "3B"}},
      // Displays past the ninth keep their number.
      {9, 0, 0, false, {"10A", "10B"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window);
    Spt a = Integer({{41, 300}, {91, 9000}});
    Spt b = Integer({{51, 80}, {77, 4000}});
    CDrawStackedSpectra d;
    const CallLog log = RecordCalls([&](HDC dc) {
      SelectObject(dc, PlotFont());
      Frame(d, CDC::FromHandle(dc), 800, 500, 7, 14);
      d.Spectra[0] = a.get();
      d.Spectra[1] = b.get();
      d.DifferenceMode = c.overlay ? 1 : 0;
      d.ShowActiveButtons = 1;
      d.WindowNumber = c.window;
      d.ActiveWindowNumber = c.activeWindow;
      d.ActiveSpectrum = c.activeSpectrum;
      d.DoJob();
    });
    EXPECT_EQ(+d.VertScaleWidth, 6 * 7);
    std::vector<const RecordedCall*> found;
    for (const auto& label : c.labels) {
      const RecordedCall* t = log.Text(label);
      ASSERT_NE(t, nullptr) << label;
      found.push_back(t);
    }
    EXPECT_EQ(+d.ActiveButtons.shown[0], 1);
    EXPECT_EQ(+d.ActiveButtons.shown[1], 1);
    EXPECT_EQ(+d.ActiveButtons.x[0], 2);
    if (c.overlay) {
      // One above the other around the middle of band 0's plot area.
      EXPECT_EQ(+d.ActiveButtons.y[1], d.ActiveButtons.y[0] + d.ActiveButtons.height);
      EXPECT_LT(found[0]->points[0].y, found[1]->points[0].y);
    }
    // The active one is filled: its text is in the background colour.
    EXPECT_EQ(found[0]->textColor, c.window == c.activeWindow ? d.ScreenColors.colors[0] : d.Traces[0][0].colour);
  }
}

// ---- structures ------------------------------------------------------------

struct StructureDrawing {
  CDrawChemStruct s;
  CallLog log;
  explicit StructureDrawing(const std::vector<uint8_t>& table, int16_t print = 0, int l = 0, int t = 0, int r = 300,
                            int b = 300) {
    log = RecordCalls([&](HDC dc) {
      SelectObject(dc, PlotFont());
      s.DC = CDC::FromHandle(dc);
      s.Table = table.data();
      s.Left = int16_t(l), s.Top = int16_t(t), s.Right = int16_t(r), s.Bottom = int16_t(b);
      s.CharWidth = 7, s.CharHeight = 14;
      s.BondColor = RGB(64, 0, 64);
      s.LabelColor = RGB(0, 0, 255);
      s.Print = print;
      s.DoJob();
    });
  }
  size_t Lines() const { return log.Of(EMR_LINETO).size(); }
};

TEST(ChemicalStructures, FixtureMoleculesDrawTheirBondsCirclesAndLabels) {
  struct Case {
    const char* name;
    std::vector<uint8_t> table;
    size_t lines, circles;
    std::vector<std::string> labels;
  } cases[] = {
      {"benzene", Benzene(), 6, 1, {}},
      {"toluene", Toluene(), 3 * 2 + 3 + 1, 0, {"CH3"}},
      {"1,2,4-trichlorobenzene", Trichlorobenzene(), 9, 1, {"Cl", "Cl", "Cl"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StructureDrawing d(c.table);
    EXPECT_EQ(d.Lines(), c.lines);
    EXPECT_EQ(d.log.Of(EMR_ELLIPSE).size(), c.circles);
    std::vector<std::string> texts;
    for (const auto& t : d.log.Of(EMR_EXTTEXTOUTA)) texts.push_back(t.text);
    EXPECT_EQ(texts, c.labels);
    for (const auto& l : d.log.Of(EMR_LINETO)) {
      EXPECT_EQ(l.penColor, RGB(64, 0, 64));
      for (const POINT& p : l.points) {
        EXPECT_GE(p.x, 0);
        EXPECT_LE(p.x, 300);
        EXPECT_GE(p.y, 0);
        EXPECT_LE(p.y, 300);
      }
    }
  }
}

TEST(ChemicalStructures, LabelsSitAwayFromTheirBond) {
  StructureDrawing d(Trichlorobenzene());
  const auto texts = d.log.Of(EMR_EXTTEXTOUTA);
  ASSERT_EQ(texts.size(), 3u);
  CDrawChemStruct& s = d.s;
  // Top chlorine: its bond runs down from it, so the text sits a line above
  // the point, centred on its first half character.
  EXPECT_EQ(texts[0].points[0].x, s.ConvertX(100) - 7 * (2 - 1) / 2);
  EXPECT_EQ(texts[0].points[0].y, s.ConvertY(40) - 14);
  // Upper right: the bond comes from the left and below: text from the point on.
  EXPECT_EQ(texts[1].points[0].x, s.ConvertX(152));
  EXPECT_EQ(texts[1].points[0].y, s.ConvertY(70) - 14);
  // Lower left, written "^Cl": without the mark, under the point.
  EXPECT_EQ(texts[2].points[0].y, s.ConvertY(130));
  EXPECT_EQ(texts[2].textColor, RGB(0, 0, 255));
}

TEST(ChemicalStructures, OneLabelMapsToTheMiddleOfItsSquare) {
  const auto table = Table({}, {}, {{500, -300, "Br"}});
  StructureDrawing d(table, 0, 10, 20, 210, 120);
  const CDrawChemStruct& s = d.s;
  EXPECT_EQ(s.MaxX - s.MinX, 40);
  EXPECT_EQ(s.MaxY - s.MinY, 40);
  // A square in a 200 x 100 box: 100 wide, right-aligned.
  EXPECT_EQ(+s.UsedWidth, 100);
  EXPECT_EQ(+s.UsedHeight, 100);
  EXPECT_EQ(+s.XOffset, 100);
  const auto texts = d.log.Of(EMR_EXTTEXTOUTA);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].points[0].x, 10 + 100 + 50);
  EXPECT_EQ(texts[0].points[0].y, 120 - 50);
}

TEST(ChemicalStructures, BondKindsOutsideTheKnownOnesDrawSingleLines) {
  const struct {
    uint8_t kind;
    size_t lines;
  } cases[] = {{0, 1}, {1, 2}, {2, 3}, {3, 1}, {4, 1}, {7, 1}, {255, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.kind));
    StructureDrawing d(Table({{50, 50, 110, 80, c.kind}}, {}, {}));
    EXPECT_EQ(d.Lines(), c.lines);
  }
}

TEST(ChemicalStructures, ReportPagesDrawYellowBondsBlackAndDoubleBondsAnEighthApart) {
  auto table = Table({{50, 50, 50, 110, 1}}, {}, {});
  CallLog log = RecordCalls([&](HDC dc) {
    CDrawChemStruct s;
    s.DC = CDC::FromHandle(dc);
    s.Table = table.data();
    s.Left = 0, s.Top = 0, s.Right = 8000, s.Bottom = 8000;
    s.BondColor = RGB(255, 255, 0);
    s.Print = 1;
    s.DoJob();
    EXPECT_GT((s.ConvertX(10) - s.ConvertX(0)) / 8, 0);
  });
  const auto lines = log.Of(EMR_LINETO);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].penColor, RGB(0, 0, 0));
  EXPECT_NE(lines[0].points[0].x, lines[1].points[0].x);
}

TEST(ChemicalStructures, CountsAndLabelsFromDamagedTablesAreBounded) {
  auto table = Trichlorobenzene();
  const int32_t huge = 1 << 30, negative = -5;
  std::memcpy(table.data() + CHEM_BOND_END_COUNT, &huge, 4);
  std::memcpy(table.data() + CHEM_CIRCLE_COUNT, &negative, 4);
  std::memcpy(table.data() + CHEM_LABEL_COUNT, &huge, 4);
  // A label filling its six bytes without an end.
  std::memcpy(table.data() + CHEM_LABEL_TEXT, "ABCDEF", 6);
  std::memcpy(table.data() + CHEM_LABEL_TEXT + 6, "Cl", 3);
  kelt::chem::Table t;
  kelt::chem::ReadTable(table.data(), &t);
  EXPECT_EQ(t.bondEnds, CHEM_MOST_ITEMS);
  EXPECT_EQ(t.circles, 0);
  EXPECT_EQ(t.labels, CHEM_MOST_ITEMS);
  EXPECT_STREQ(t.labelText[0], "ABCDEF");
  StructureDrawing d(table);
  EXPECT_EQ(d.log.Of(EMR_ELLIPSE).size(), 0u);
  EXPECT_NE(d.log.Text("ABCDEF"), nullptr);
}

TEST(ChemicalStructures, StackedBandsShowTheStructureOfLibrarySpectra) {
  Spt hit = Library("1,2,4-Trichlorobenzene", {{74, 2100}, {109, 1900}, {145, 2600}, {180, 9999}, {182, 9600}},
                    Trichlorobenzene());
  Spt unknown = Integer({{74, 2000}, {109, 2000}, {145, 2500}, {180, 9999}, {182, 9500}});
  for (int height : {600, 7 * 14 * 2 + 2 * 14}) {  // the second: bands of seven rows
    SCOPED_TRACE(height);
    for (int16_t report : {0, 1}) {
      CDrawStackedSpectra d;
      const CallLog log = RecordCalls([&](HDC dc) {
        SelectObject(dc, PlotFont());
        Frame(d, CDC::FromHandle(dc), 800, height, 7, 14);
        d.ReportMode = report;
        d.Spectra[0] = unknown.get();
        d.Spectra[1] = hit.get();
        d.MassFrom = 40;
        d.MassTo = 300;
        d.DoJob();
      });
      const bool small = d.BandHeight[1] < 8 * 14;
      size_t cl = 0;
      for (const auto& t : log.Of(EMR_EXTTEXTOUTA)) cl += t.text == "Cl";
      if (!small) {
        EXPECT_EQ(cl, 3u);
        EXPECT_EQ(log.Of(EMR_ELLIPSE).size(), 1u);
        EXPECT_EQ(log.Text("#"), nullptr);
      } else {
        EXPECT_EQ(cl, 0u);
        EXPECT_EQ(log.Text("#") != nullptr, report == 0);
      }
    }
  }
}

}  // namespace
