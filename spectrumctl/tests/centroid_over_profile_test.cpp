// A centroid spectrum drawn over the profile it was made from, judged by
// the pixels of the band: its sticks stay inside the band, its base peak
// as tall as the profile's.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "spectrum_fixture.h"
#include "spectrumctl/stacked_spectra_internal.h"

namespace {

using namespace sptfix;

struct Ion {
  double centre, height;
};
const Ion kIons[] = {{51.31, 3000}, {77.62, 12000}, {93.17, 6000}};

// Profile points every 0.05 with a noisy baseline; the centroid of each ion
// sums its points, as centroiding does.
void Make(Spt* profile, Spt* centroid) {
  std::mt19937 rng(17);
  std::normal_distribution<double> noise(0, 1);
  std::vector<std::pair<double, uint32_t>> points;
  std::vector<std::pair<double, uint32_t>> sums;
  std::vector<double> sum(std::size(kIons), 0.0);
  for (double m = 40.013; m < 120; m += 0.05) {
    double v = 40 + 6 * noise(rng);
    for (size_t i = 0; i < std::size(kIons); ++i) {
      const double g = kIons[i].height * std::exp(-0.5 * std::pow((m - kIons[i].centre) / 0.15, 2));
      v += g;
      if (std::fabs(m - kIons[i].centre) < 0.6) sum[i] += g;
    }
    points.emplace_back(m, static_cast<uint32_t>(std::max(0.0, v)));
  }
  for (size_t i = 0; i < std::size(kIons); ++i) sums.emplace_back(kIons[i].centre, static_cast<uint32_t>(sum[i]));
  *profile = Precise(points, true);
  *centroid = Precise(sums, false);
  PlusSpt_UpdateBasePeak(profile->get());
  PlusSpt_UpdateBasePeak(centroid->get());
}

TEST(CentroidOverProfile, SticksStayInTheBandWithTheBasePeakAsTallAsTheProfile) {
  Spt profile, centroid;
  Make(&profile, &centroid);
  // Summed counts are several times the profile's heights.
  ASSERT_GT(double(centroid->basePeakIntensity), 5 * double(profile->basePeakIntensity));
  Screen s(700, 420);
  CDrawStackedSpectra d;
  Frame(d, &s.cdc, s.width, s.height, s.cw, s.ch);
  d.Spectra[0] = profile.get();
  d.SecondSpectra[0] = centroid.get();
  d.VertMin[0] = 0;
  d.VertMax[0] = 110;
  d.MassFrom = 40;
  d.MassTo = 120;
  d.LabelMasses = d.LabelIntensities = d.LabelHalfHeights = 0;  // no peak marks over the stick tops
  d.DoJob();
  const COLORREF trace = d.ScreenColors.colors[4];
  auto x = [&](double m) { return d.OriginX + int(std::trunc((m - d.MassFrom) * d.XScale)); };
  auto y = [&](double percent) { return int(std::trunc(d.DrawBottom - d.YScale * (percent - d.VertMin[0]))); };
  // The topmost trace pixel of a column.
  auto top = [&](int col) {
    for (int row = d.DrawTop; row <= d.DrawBottom; ++row)
      if (s.At(col, row) == trace) return row;
    return -1;
  };
  ASSERT_GT(y(100) - d.DrawTop, 5);
  // Nothing of the traces reaches the band's top edge.
  EXPECT_EQ(s.Count(d.OriginX, d.DrawTop, d.OriginX + d.PlotWidth, d.DrawTop + 2, trace), 0);
  // The base peak: stick and profile end together at 100 %.
  EXPECT_NEAR(top(x(77.62)), y(100), 2);
  // The others in proportion to their own base peak.
  for (const Ion& ion : kIons) {
    double v = 0;
    PlusSpt_GetIntensity(centroid.get(), ion.centre, &v);
    const int expected = y(100.0 * v / centroid->basePeakIntensity);
    EXPECT_NEAR(top(x(ion.centre)), expected, 2) << ion.centre;
    // The stick runs down to the baseline.
    EXPECT_EQ(s.At(x(ion.centre), d.BaselineY - 1), trace) << ion.centre;
  }
}

}  // namespace
