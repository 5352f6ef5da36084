// Peak labels: boxes clamped to the plot edges and the titles, the most
// intense peaks placed first, and no two labels overlapping on crowded
// spectra.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "plotengine/tests/recorded_calls.h"
#include "common/number_format.h"
#include "spectra/library_entry_texts.h"
#include "spectrum_fixture.h"

namespace {

using namespace sptfix;

// Keeps what each DrawLabels call placed.
class Keeping : public CDrawStackedSpectra {
 public:
  void DrawLabels(STRUCT_DSS_LAB* labels, long count, STRUCT_SPT_PLUS* spectrum, long colour) override {
    CDrawStackedSpectra::DrawLabels(labels, count, spectrum, colour);
    kept.insert(kept.end(), labels, labels + count);
    titlesBottom.push_back(TitlesBottom);
  }
  std::vector<STRUCT_DSS_LAB> kept;
  std::vector<int> titlesBottom;
};

// The label texts as the shared formatters write them.
std::string MassText(const STRUCT_SPT_PLUS* s, double m) {
  char format[32] = "%.0f", text[64];
  KELT_GetMassDecimalsAndFormat(s, format);
  std::snprintf(text, sizeof text, format, m);
  return text;
}
std::string IntensityText(double v) {
  char text[64] = {};
  KELT_FormatIntensityD(v, text);
  return text;
}

STRUCT_DSS_LAB Candidate(double mass, double intensity, int x, int y) {
  STRUCT_DSS_LAB l{};
  l.mass = mass;
  l.intensity = intensity;
  l.x = x;
  l.y = y;
  return l;
}

// A drawing set up for direct DrawLabels calls on a screen.
struct LabelBench {
  Screen s{600, 400};
  Spt spectrum = Integer({{50, 10}});
  CDrawStackedSpectra d;
  LabelBench() {
    Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
    d.OriginX = 40;
    d.PlotWidth = 560;
    d.TitlesBottom = 30;
  }
  int HalfWidth(const std::string& widest) const {
    SIZE sz{};
    GetTextExtentPoint32A(s.dc, (widest + "  ").c_str(), int(widest.size() + 2), &sz);
    return sz.cx / 2;
  }
};

TEST(PeakLabels, EqualPeaksOnePixelApartKeepTheFirstLabel) {
  LabelBench b;
  std::vector<STRUCT_DSS_LAB> l = {Candidate(91, 5000, 300, 200), Candidate(92, 5000, 301, 200)};
  b.d.DrawLabels(l.data(), long(l.size()), b.spectrum.get(), 0);
  EXPECT_EQ(+l[0].placed, 1);
  EXPECT_EQ(+l[1].placed, 0);
}

TEST(PeakLabels, BoxesStayInsideThePlotAndBelowTheTitles) {
  LabelBench b;
  const int margin = b.d.CharWidth / 4;
  std::vector<STRUCT_DSS_LAB> l = {Candidate(41, 800, 40, 300), Candidate(150, 1000, 320, 20),
                                   Candidate(300, 900, 599, 300)};
  b.d.DrawLabels(l.data(), long(l.size()), b.spectrum.get(), 0);
  // The highest m/z and the largest intensity are measured.
  const int halfW = std::max(b.HalfWidth(MassText(b.spectrum.get(), 300)), b.HalfWidth(IntensityText(1000)));
  EXPECT_EQ(+l[0].boxLeft, 40 + margin);
  EXPECT_EQ(+l[0].boxRight, 40 + margin + 2 * halfW);
  EXPECT_EQ(+l[2].boxRight, 600 - margin);
  EXPECT_EQ(+l[1].boxTop, 30);  // would rise into the titles
  for (const auto& c : l) EXPECT_EQ(c.placed, 1);
}

TEST(PeakLabels, TextLinesAndMarkerOfAPlacedLabel) {
  LabelBench b;
  std::vector<STRUCT_DSS_LAB> l = {Candidate(91, 12345, 300, 200)};
  const CallLog log = RecordCalls([&](HDC dc) {
    SelectObject(dc, b.s.font);
    b.d.DC = CDC::FromHandle(dc);
    b.d.DrawLabels(l.data(), 1, b.spectrum.get(), RGB(10, 20, 30));
  });
  const auto texts = log.Of(EMR_EXTTEXTOUTA);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, " " + MassText(b.spectrum.get(), 91));
  EXPECT_EQ(texts[1].text, " " + IntensityText(12345));
  EXPECT_EQ(texts[0].textColor, RGB(10, 20, 30));
  EXPECT_LT(texts[0].points[0].y, texts[1].points[0].y);
  EXPECT_EQ(texts[0].points[0].y, +l[0].boxTop);
  const auto marker = log.Of(EMR_POLYLINE);
  ASSERT_EQ(marker.size(), 1u);
  const int t = std::max(b.d.CharWidth / 4, 2);
  const std::vector<std::pair<int, int>> tri = {{300, 200}, {300 + t, 200 + 2 * t}, {300 - t, 200 + 2 * t}, {300, 200}};
  ASSERT_EQ(marker[0].points.size(), tri.size());
  for (size_t i = 0; i < tri.size(); ++i) {
    EXPECT_EQ(marker[0].points[i].x, tri[i].first);
    EXPECT_EQ(marker[0].points[i].y, tri[i].second);
  }
}

TEST(PeakLabels, HalfHeightsOnlyWithZeroWidthGiveAMarkerWithoutText) {
  LabelBench b;
  b.d.LabelMasses = b.d.LabelIntensities = 0;
  b.d.LabelHalfHeights = 1;
  std::vector<STRUCT_DSS_LAB> l = {Candidate(91, 12345, 300, 200)};
  const CallLog log = RecordCalls([&](HDC dc) {
    b.d.DC = CDC::FromHandle(dc);
    b.d.DrawLabels(l.data(), 1, b.spectrum.get(), 0);
  });
  EXPECT_EQ(+l[0].placed, 1);
  EXPECT_EQ(+l[0].boxTop, 200);
  EXPECT_TRUE(log.Of(EMR_EXTTEXTOUTA).empty());
  EXPECT_EQ(log.Of(EMR_POLYLINE).size(), 1u);
}

bool Overlap(const STRUCT_DSS_LAB& a, const STRUCT_DSS_LAB& b, int height) {
  return a.boxLeft <= b.boxRight && b.boxLeft <= a.boxRight && a.boxTop <= b.boxTop + height &&
         b.boxTop <= a.boxTop + height;
}

TEST(PeakLabels, CrowdedSpectraNeverOverlapAndStrongerPeaksWin) {
  for (uint32_t seed : {11u, 12u, 13u}) {
    SCOPED_TRACE(seed);
    Screen s(900, 600);
    Spt a = Integer({});
    {
      // 600 nominal masses, tall peaks crowded together.
      std::vector<std::pair<uint16_t, uint32_t>> pairs;
      // The clipped peak held to twice the next largest, so that many peaks reach the label line.
      for (const auto& [m, v] : MessyCentroid(seed, 600, 40, 640)) pairs.emplace_back(uint16_t(m), std::min(v, 200000u));
      pairs.erase(std::unique(pairs.begin(), pairs.end(),
                              [](const auto& x, const auto& y) { return x.first == y.first; }),
                  pairs.end());
      a = Integer(pairs);
    }
    Spt b = Precise(MessyCentroid(seed + 100, 400, 45.3, 500.7), false);
    Keeping d;
    Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
    d.Spectra[0] = a.get();
    d.Spectra[1] = b.get();
    d.LabelThreshold = 2;
    Titles(a.get(), "Run 7 scan 1402", "Compound 4");
    d.DoJob();
    ASSERT_GT(d.kept.size(), 50u);
    int lineH = 0;
    {
      SIZE sz{};
      GetTextExtentPoint32A(s.dc, "1  ", 3, &sz);
      lineH = sz.cy;
    }
    const int height = 2 * lineH;
    size_t placed = 0;
    for (size_t i = 0; i < d.kept.size(); ++i) {
      const auto& l = d.kept[i];
      if (!l.placed) continue;
      ++placed;
      EXPECT_GE(+l.boxLeft, d.Left + d.VertScaleWidth);
      EXPECT_LE(+l.boxRight, +d.Right);
      for (size_t j = i + 1; j < d.kept.size(); ++j)
        if (d.kept[j].placed) {
          EXPECT_FALSE(Overlap(l, d.kept[j], height)) << i << " and " << j;
        }
    }
    EXPECT_GT(placed, 5u);
    // Every candidate left out meets a placed one at least as intense.
    for (const auto& l : d.kept) {
      if (l.placed) continue;
      bool blocked = false;
      for (const auto& o : d.kept)
        if (o.placed && &o != &l && o.intensity >= l.intensity && Overlap(l, o, height)) blocked = true;
      EXPECT_TRUE(blocked) << l.mass;
    }
  }
}

}  // namespace

namespace {

// Every peak of a dense profile line is offered for a label, however many
// columns hold one: of 500 peaks, all but the first and the last (a peak
// needs two columns either side), up to the one at m/z 1037.
TEST(PeakLabels, EveryPeakOfADenseProfileIsACandidate) {
  Screen s(2000, 600);  // a column about every half m/z: the peaks stand apart
  std::vector<std::pair<double, uint32_t>> pairs;
  for (int i = 0; i < 40000; ++i) {
    const double m = 40 + i * 0.025;
    const bool top = i % 80 == 40;  // one sharp peak every 2 m/z
    pairs.emplace_back(m, top ? 1000u + uint32_t(i / 80) : 10u);
  }
  Spt a = Precise(pairs, true);
  Keeping d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = a.get();
  d.MassFrom = 40;
  d.MassTo = 1040;
  d.DoJob();
  ASSERT_EQ(+d.Traces[0][0].dense, 1);
  EXPECT_EQ(d.kept.size(), 498u);
  const auto last = std::max_element(d.kept.begin(), d.kept.end(),
                                     [](const auto& x, const auto& y) { return x.mass < y.mass; });
  ASSERT_NE(last, d.kept.end());
  EXPECT_NEAR(last->mass, 1037.0, 1e-6);
}

}  // namespace
