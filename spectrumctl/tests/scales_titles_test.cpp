// Scales, titles and texts of the stacked spectra: equal ends widened,
// titles cut at word breaks that keep a label with its value, the match
// values on the bottom line, the texts of bands without data.
#include <gtest/gtest.h>

#include <array>
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

TEST(StackedScales, EqualIntensityEndsMoveApartBy2Point5) {
  Screen s(600, 400);
  Spt a = Integer({{41, 300}, {91, 9000}});
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.VertMin[0] = d.VertMax[0] = 50;
  d.DoJob();
  EXPECT_DOUBLE_EQ(+d.VertMin[0], 47.5);
  EXPECT_DOUBLE_EQ(+d.VertMax[0], 52.5);
}

TEST(StackedScales, EqualMassEndsMoveApartBy1) {
  Screen s(600, 400);
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.MassFrom = d.MassTo = 100;
  d.HorzScaleHeight = static_cast<int16_t>(2 * s.ch);
  d.DrawHorzScale();
  EXPECT_DOUBLE_EQ(+d.MassFrom, 99);
  EXPECT_DOUBLE_EQ(+d.MassTo, 101);
}

TEST(StackedScales, PercentScaleOfEachBandAndTheMassScale) {
  Spt a = Integer({{41, 300}, {91, 9000}, {92, 5000}});
  Spt b = Integer({{51, 80}, {77, 4000}});
  CDrawStackedSpectra d;
  const CallLog log = RecordCalls([&](HDC dc) {
    SelectObject(dc, PlotFont());
    Frame(d, CDC::FromHandle(dc), 800, 500, 7, 14);
    d.Spectra[0] = a.get();
    d.Spectra[1] = b.get();
    d.MassFrom = 30;
    d.MassTo = 130;
    d.DoJob();
  });
  int percent = 0;
  for (const auto& t : log.Of(EMR_EXTTEXTOUTA)) percent += t.text == "%";
  EXPECT_EQ(percent, 2);
  ASSERT_NE(log.Text("m/z"), nullptr);
  ASSERT_NE(log.Text("100"), nullptr);
  // The band's baseline across the plot.
  bool baseline = false;
  for (const auto& c : log.Of(EMR_LINETO))
    baseline |= c.points[0].y == c.points[1].y && c.points[0].x == d.OriginX && c.points[1].x == d.Right;
  EXPECT_TRUE(baseline);
}

TEST(StackedScales, CountsScaleReadsCounts) {
  Spt a = Integer({{41, 300}, {91, 9000}});
  const CallLog log = RecordCalls([&](HDC dc) {
    SelectObject(dc, PlotFont());
    CDrawStackedSpectra d;
    Frame(d, CDC::FromHandle(dc), 800, 500, 7, 14);
    d.Spectra[0] = a.get();
    d.CountsScale = 1;
    d.DoJob();
  });
  bool counts = false;
  for (const auto& t : log.Of(EMR_EXTTEXTOUTA)) counts |= t.text.find("Counts") != std::string::npos;
  EXPECT_TRUE(counts);
  EXPECT_NE(log.Text("8000"), nullptr);
}

TEST(FitTextToWidth, BreaksAtWordsButNeverRightAfterAColon) {
  Screen s(100, 100);
  const char* text = "Scan: 1234 Time: 5.67 min";
  const int all = WidthOf(s.dc, text);
  const int upToTime = WidthOf(s.dc, "Scan: 1234 Time: 5.67");
  const int upToScan = WidthOf(s.dc, "Scan: 1234");
  struct Case {
    int width;
    std::string piece;
    int done;
  } cases[] = {
      {all, "Scan: 1234 Time: 5.67 min", 1},
      {all - 1, "Scan: 1234 Time: 5.67", 0},
      {upToTime, "Scan: 1234 Time: 5.67", 0},
      {upToTime - 1, "Scan: 1234", 0},
      {upToScan, "Scan: 1234", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    int first = -1, length = -1, done = -1;
    ASSERT_EQ(CDrawStackedSpectra::FitTextToWidth(&s.cdc, c.width, text, 0, &first, &length, &done), 1);
    EXPECT_EQ(std::string(text + first, size_t(length)), c.piece);
    EXPECT_EQ(done, c.done);
  }
  // Narrower than the first label and its value: cut with a hyphen.
  int first = 0, length = 0, done = 0;
  ASSERT_EQ(CDrawStackedSpectra::FitTextToWidth(&s.cdc, upToScan - 1, text, 0, &first, &length, &done), 1);
  EXPECT_LT(length, 10);
  EXPECT_LE(WidthOf(s.dc, std::string(text, size_t(length)) + "-"), upToScan - 1);
  EXPECT_NE(std::string(text, size_t(length)), "Scan:");
  // Leading blanks are skipped; an empty rest is a whole, empty piece.
  ASSERT_EQ(CDrawStackedSpectra::FitTextToWidth(&s.cdc, 5, "   ", 0, &first, &length, &done), 1);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(done, 1);
  // Nothing fits.
  EXPECT_EQ(CDrawStackedSpectra::TruncateWithHyphen(&s.cdc, 1, "Chlorobenzene", 0, &first, &length, &done), 0);
}

TEST(StackedTitles, LongTitlesAreCutToFitBetweenTheScaleAndTheButtons) {
  Spt a = Integer({{41, 300}, {91, 9000}});
  Titles(a.get(), "Scan: 1402 Time: 8.412 min Averaged 1398-1406", "Compound 4 (1,2,4-Trichlorobenzene) BC",
         "BP 91 (9000=100%) C:\\Workstation\\Data\\water.kms", "RIC: 1.234e+006");
  CDrawStackedSpectra d;
  HFONT font = PlotFont();
  std::vector<std::pair<std::string, int>> written;
  const CallLog log = RecordCalls([&](HDC dc) {
    SelectObject(dc, font);
    Frame(d, CDC::FromHandle(dc), 420, 400, 7, 14);
    d.Spectra[0] = a.get();
    d.ShowDeleteButtons = d.ShowMaxButtons = 1;
    d.DoJob();
    for (const auto& t : {"Scan: 1402", "Compound 4 (1,2,4-Trichlorobenzene) BC", "RIC: 1.234e+006"})
      written.emplace_back(t, WidthOf(dc, t));
  });
  const int limit = d.Right - d.CharWidth / 4 - d.DeleteButtons.width - d.MaxButtons.width;
  int titles = 0;
  for (const auto& t : log.Of(EMR_EXTTEXTOUTA)) {
    if (t.points[0].y >= d.DrawTop || t.points[0].x < d.OriginX) continue;
    ++titles;
    const HDC m = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    SelectObject(m, font);
    EXPECT_LE(t.points[0].x + WidthOf(m, t.text), limit) << t.text;
    EXPECT_GE(t.points[0].x, +d.OriginX) << t.text;
    DeleteEnhMetaFile(CloseEnhMetaFile(m));
    EXPECT_NE(t.text.back(), ':') << t.text;
  }
  EXPECT_GE(titles, 2);
  EXPECT_EQ(log.Text("RIC: 1.234e+006") != nullptr, true);
  DeleteObject(font);
}

TEST(BottomLine, MatchValuesShortenOnANarrowScreen) {
  Spt a = Integer({{41, 300}, {91, 9000}});
  Spt b = Integer({{41, 200}, {91, 9999}});
  int longText = 0, shortText = 0, mz = 0;
  {
    HFONT font = PlotFont();
    const HDC m = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    SelectObject(m, font);
    longText = WidthOf(m, "R.Match: 900, F.Match: 850");
    shortText = WidthOf(m, "R.Match = 900");
    mz = WidthOf(m, "m/z");
    DeleteEnhMetaFile(CloseEnhMetaFile(m));
    DeleteObject(font);
  }
  // The bottom line runs from one cell in to two widths of "m/z" from the right.
  auto room = [&](int text) { return 7 + 2 * mz + text; };
  ASSERT_GT(longText, shortText + 2);
  struct Case {
    int width;
    int16_t report;
    std::string expected;
  } cases[] = {
      {900, 0, "R.Match: 900, F.Match: 850"},
      {room(shortText) + 2, 0, "R.Match = 900"},
      {room(shortText) + 2, 1, "R.Match: 900, F.Match: 850"},
      {room(shortText) - 1, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    const CallLog log = RecordCalls([&](HDC dc) {
      SelectObject(dc, PlotFont());
      CDrawStackedSpectra d;
      Frame(d, CDC::FromHandle(dc), c.width, 400, 7, 14);
      d.ReportMode = c.report;
      d.Spectra[0] = a.get();
      d.Spectra[1] = b.get();
      d.UseKeptMatchValues = 1;
      d.MatchValuesValid = 1;
      d.ForwardMatch = 850;
      d.ReverseMatch = 900;
      d.DoJob();
    });
    std::string found;
    for (const auto& t : log.Of(EMR_EXTTEXTOUTA))
      if (t.text.rfind("R.Match", 0) == 0) found = t.text;
    EXPECT_EQ(found, c.expected);
  }
}

// The bottom text shares its row with the m/z tick labels: in a narrow
// plot it gives way to them, in a wide one both are written.
TEST(BottomLine, ANarrowPlotKeepsItsMassNumbersOverTheBottomText) {
  Spt a = Integer({{41, 300}, {91, 9000}, {150, 2000}, {207, 700}});
  struct Case {
    int width;
    bool bottomText;
  } cases[] = {{900, true}, {260, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    const CallLog log = RecordCalls([&](HDC dc) {
      SelectObject(dc, PlotFont());
      CDrawStackedSpectra d;
      Frame(d, CDC::FromHandle(dc), c.width, 300, 7, 14);
      d.Spectra[0] = a.get();
      d.MassFrom = 30;
      d.MassTo = 230;
      std::strcpy(d.BottomText, "Acquired Range, Auto");
      d.DoJob();
    });
    int masses = 0;
    for (const auto& t : log.Of(EMR_EXTTEXTOUTA))
      masses += !t.text.empty() && t.text.find_first_not_of("0123456789") == std::string::npos && t.text != "0" &&
                t.text != "25" && t.text != "50" && t.text != "75";
    EXPECT_GE(masses, 2);
    EXPECT_EQ(log.Text("Acquired Range, Auto") != nullptr, c.bottomText);
  }
}

TEST(BottomLine, MatchValuesAreComputedOnceAndKept) {
  Spt a = Integer({{51, 1500}, {77, 6000}, {112, 9999}, {114, 3300}});
  Spt b = Integer({{50, 900}, {51, 1400}, {77, 6100}, {112, 9999}, {114, 3250}});
  Screen s(900, 500);
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.Spectra[1] = b.get();
  std::strcpy(d.BottomText, "Hit 1 of 10");
  d.DoJob();
  EXPECT_EQ(+d.MatchValuesValid, 1);
  EXPECT_EQ(+d.MatchStateKept, 1);
  EXPECT_GT(+d.ForwardMatch, 800);
  EXPECT_LE(+d.ForwardMatch, 999);
  EXPECT_GT(+d.ReverseMatch, 800);
  // Shown again from the kept state alone.
  CDrawStackedSpectra again;
  Frame(again, &s.cdc, s.width, s.height, s.cw, s.ch);
  again.Spectra[0] = a.get();
  again.Spectra[1] = b.get();
  again.UseKeptMatchValues = 1;
  again.MatchStateKept = 1;
  std::memcpy(again.MatchState, d.MatchState, sizeof d.MatchState);
  again.DoJob();
  EXPECT_EQ(+again.MatchValuesValid, 1);
  EXPECT_EQ(+again.ForwardMatch, +d.ForwardMatch);
  EXPECT_EQ(+again.ReverseMatch, +d.ReverseMatch);
  // A state kept for other spectra gives nothing.
  CDrawStackedSpectra other;
  Frame(other, &s.cdc, s.width, s.height, s.cw, s.ch);
  other.Spectra[0] = b.get();
  other.Spectra[1] = a.get();
  other.UseKeptMatchValues = 1;
  other.MatchStateKept = 1;
  std::memcpy(other.MatchState, d.MatchState, sizeof d.MatchState);
  other.DoJob();
  EXPECT_EQ(+other.MatchValuesValid, 0);
}

TEST(EmptyBands, TextsOfBandsWithoutData) {
  Spt zero = Integer({{41, 0}, {91, 0}});
  Spt none = Integer({});
  Spt diff = Difference({});
  const CallLog log = RecordCalls([&](HDC dc) {
    SelectObject(dc, PlotFont());
    CDrawStackedSpectra d;
    Frame(d, CDC::FromHandle(dc), 800, 600, 7, 14);
    d.Spectra[0] = zero.get();
    d.Spectra[1] = none.get();
    d.Spectra[2] = diff.get();
    d.MassFrom = 30;
    d.MassTo = 130;
    d.DoJob();
  });
  EXPECT_NE(log.Text("All intensities are zero."), nullptr);
  EXPECT_NE(log.Text("No intensities."), nullptr);
  EXPECT_NE(log.Text("No differences."), nullptr);
}


// The difference band's sticks fill it (in percent of the difference's own
// largest value); its axis reads them in percent of the base peak, so a
// residue of 2 % of the base peak is labelled 2, not 100.
TEST(StackedScales, TheDifferenceAxisReadsPercentOfTheBasePeak) {
  Spt a = Integer({{41, 300}, {91, 9000}, {92, 5000}});
  Spt b = Integer({{41, 120}, {91, 9000}, {92, 5100}});
  struct Case {
    const char* name;
    Spt diff;
    std::vector<std::string> wanted, unwanted;
  };
  Case cases[] = {
      {"normalised: 20 of 999", Difference({{41, 20}, {91, 0}, {92, -11}}, 2), {"-2", "-1", "1"}, {"-100", "-50"}},
      {"straight: 180 of A's 9000", Difference({{41, 180}, {91, 0}, {92, -100}}, 1), {"-2", "-1", "1"}, {"-100", "-50"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CallLog log = RecordCalls([&](HDC dc) {
      SelectObject(dc, PlotFont());
      CDrawStackedSpectra d;
      Frame(d, CDC::FromHandle(dc), 800, 600, 7, 14);
      d.Spectra[0] = a.get();
      d.Spectra[1] = b.get();
      d.Spectra[2] = c.diff.get();
      d.MassFrom = 30;
      d.MassTo = 130;
      d.DoJob();
    });
    for (const std::string& t : c.wanted) EXPECT_NE(log.Text(t), nullptr) << t;
    for (const std::string& t : c.unwanted) EXPECT_EQ(log.Text(t), nullptr) << t;
  }
}

TEST(StoredDifferences, NormalisedRecordsAreDrawnAgainst999) {
  Spt diff = Difference({{60, 999}, {70, -499.5}, {80, 0}, {200, 500}}, 2);
  CDrawStackedSpectra d;
  const CallLog log = RecordCalls([&](HDC dc) {
    SelectObject(dc, PlotFont());
    Frame(d, CDC::FromHandle(dc), 800, 400, 7, 14);
    d.Spectra[2] = diff.get();
    d.InitRulesBeforeCalScaleAreas();  // the band's trace and its colour
    d.MassFrom = 50;
    d.MassTo = 150;
    d.OriginX = 35;
    d.PlotWidth = 765;
    d.VertScaleWidth = 35;
    d.XScale = 765 / 100.0;
    d.BandTop = 100;
    d.DrawTop = 114;
    d.DrawHeight = 200;
    d.DrawBottom = 314;
    d.YScale = 1.0;
    d.BaselineY = 214;
    d.DrawDiffVertScale();
    d.DrawDifferences();
  });
  std::vector<std::array<int, 3>> sticks;
  for (const auto& c : log.calls)
    if ((c.type == EMR_LINETO || c.type == EMR_POLYLINE) && c.points.size() == 2 &&
        c.penColor == d.ScreenColors.colors[3] && c.points[0].x == c.points[1].x)
      sticks.push_back({c.points[0].x, c.points[0].y, c.points[1].y});
  // 999 of 999 is 100 % at the top, -499.5 is -50 %; m/z 200 is past the range.
  const std::vector<std::array<int, 3>> expected = {{35 + 76, 214, 114}, {35 + 153, 214, 264}, {35 + 229, 214, 214}};
  EXPECT_EQ(sticks, expected);
  EXPECT_NE(log.Text("Diff."), nullptr);
}

TEST(MassRange, MarksInsideTheRangeOnly) {
  Spt a = Integer({{41, 300}, {91, 9000}});
  for (int16_t report : {0, 1}) {
    SCOPED_TRACE(report);
    CDrawStackedSpectra d;
    const CallLog log = RecordCalls([&](HDC dc) {
      SelectObject(dc, PlotFont());
      Frame(d, CDC::FromHandle(dc), 800, 400, 7, 14);
      d.ReportMode = report;
      d.Spectra[0] = a.get();
      d.MassFrom = 30;
      d.MassTo = 130;
      d.ShowRangeMarks = 1;
      d.RangeMarks[0] = 50;
      d.RangeMarks[1] = 120;
      d.RangeMarks[2] = 20;   // below the range
      d.RangeMarks[3] = 131;  // above it
      d.DoJob();
    });
    const auto marks = log.Of(report ? EMR_POLYLINE : EMR_POLYGON);
    std::vector<int> tips;
    for (const auto& m : marks)
      if (m.penColor == d.ReportColors.colors[2] || m.penColor == d.ScreenColors.colors[2]) tips.push_back(m.points[0].x);
    const std::vector<int> expected = {d.OriginX + int(20 * d.XScale), d.OriginX + int(90 * d.XScale)};
    EXPECT_EQ(tips, expected);
  }
}

}  // namespace
