// Centroids of time-of-flight-shaped profiles: broad peaks with an
// exponential tail on their high-mass side (a Gaussian convolved with an
// exponential), sampled evenly in flight time, so that the mass step grows
// along the scan, at masses off the sampling grid, with counting noise on a
// sloping baseline. A centroid's mass is the peak's apex, which is worked
// out here from the peak's formula, whatever the points per peak.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fixtures/random.h"
#include "quorna/quorna.h"

namespace {

struct TailedPeak {
  double mu, sigma, tau, height;  // Gaussian centre and sd, tail length (mass units), counts at the apex
  double apex = 0, fwhm = 0;      // worked out from the shape
};

// The shape, scaled to 1 at its apex by the caller: the Gaussian (mu, sigma)
// convolved with exp(-x / tau).
double Shape(const TailedPeak& p, double m) {
  if (p.tau <= 0) return std::exp(-0.5 * std::pow((m - p.mu) / p.sigma, 2));
  const double r = p.sigma / p.tau, x = (m - p.mu) / p.sigma;
  const double z = (r - x) / std::sqrt(2.0);
  if (z > 26) return 0;  // far below the peak's low side
  return std::exp(0.5 * r * r - x * r) * std::erfc(z);
}

// Apex by a fine search and a parabola through the best three points;
// width at half height from the same fine grid.
void Measure(TailedPeak& p) {
  const double from = p.mu - 6 * p.sigma, to = p.mu + 6 * p.sigma + 12 * p.tau;
  const int n = 200000;
  const double d = (to - from) / n;
  int best = 0;
  double top = 0;
  for (int i = 0; i <= n; ++i) {
    const double v = Shape(p, from + d * i);
    if (v > top) top = v, best = i;
  }
  const double a = Shape(p, from + d * (best - 1)), c = Shape(p, from + d * (best + 1));
  p.apex = from + d * (best + 0.5 * (a - c) / (a - 2 * top + c));
  int l = best, r = best;
  while (l > 0 && Shape(p, from + d * (l - 1)) >= top / 2) --l;
  while (r < n && Shape(p, from + d * (r + 1)) >= top / 2) ++r;
  p.fwhm = d * (r - l);
  p.height /= top;  // from here on, height x Shape is counts
}

struct Spectrum {
  std::vector<uint8_t> buffer;  // exchange form
  std::vector<TailedPeak> peaks;
  double pointsPerFwhm = 0;  // at the middle of the range
};

// A scan of `points` points from 480 on, evenly in flight time (mass grows
// with its square), `perFwhm` points across a peak's width at half height
// at 500; peaks of resolving power 10,000 (width = mass / 10,000 at half
// height, tail tau = tailRatio x sigma), at least six widths apart. bare:
// no baseline, and the points that read zero left out, as many time-of-
// flight instruments store them.
Spectrum TofSpectrum(uint64_t seed, double perFwhm, double tailRatio, size_t points, bool bare) {
  msfix::Random rng(seed);
  Spectrum s;
  const double fwhmAt500 = 0.05;
  const double stepAt500 = fwhmAt500 / perFwhm;
  // m = (a + b i)^2: dm/di = 2 b sqrt(m).
  const double b = stepAt500 / (2 * std::sqrt(500.0)), a = std::sqrt(480.0);
  const double high = (a + b * static_cast<double>(points)) * (a + b * static_cast<double>(points));
  for (double m = 481 + rng.Uniform(0, 0.3); m < high - 1; m += rng.Uniform(0.4, 1.6)) {
    TailedPeak p;
    // The width at half height grows with mass; sigma and tau share it.
    const double fwhm = m / 10000;
    const double g = 2.3548;
    // Width of the convolved peak is about sqrt((g sigma)^2 + (ln2 tau)^2 ...);
    // sigma is set so that the measured width comes near m / 10,000.
    p.sigma = fwhm / (g + 0.9 * tailRatio);
    p.tau = tailRatio * p.sigma;
    p.mu = m;
    p.height = std::exp(rng.Uniform(std::log(2000.0), std::log(300000.0)));
    Measure(p);
    s.peaks.push_back(p);
  }
  std::vector<double> counts(points);
  std::vector<double> masses(points);
  const double slope = rng.Uniform(-20, 20);
  for (size_t i = 0; i < points; ++i) {
    const double t = a + b * static_cast<double>(i);
    masses[i] = t * t;
    double v = bare ? 0 : 40 + slope * static_cast<double>(i) / static_cast<double>(points);
    for (const TailedPeak& p : s.peaks) {
      const double x = masses[i] - p.mu;
      if (x > -8 * p.sigma && x < 8 * p.sigma + 40 * p.tau) v += p.height * Shape(p, masses[i]);
    }
    counts[i] = std::max(0.0, std::round(v + std::sqrt((bare ? 0.3 : 25) + v) * rng.Normal()));
  }
  s.buffer.resize(4 + 13 * points);
  uint32_t n = 0;
  for (size_t i = 0; i < points; ++i) {
    const uint32_t c = static_cast<uint32_t>(counts[i]);
    if (bare && c == 0) continue;
    s.buffer[4 + 13 * n] = 0;
    std::memcpy(&s.buffer[5 + 13 * n], &masses[i], 8);
    std::memcpy(&s.buffer[13 + 13 * n], &c, 4);
    ++n;
  }
  std::memcpy(s.buffer.data(), &n, 4);
  s.buffer.resize(4 + 13 * size_t{n});
  s.pointsPerFwhm = perFwhm;
  return s;
}

struct Found {
  int peaks = 0, found = 0;
  std::vector<double> errors;  // signed, in widths at half height
  std::vector<double> ppm;     // signed
};

Found Centroid(const Spectrum& s, uint16_t smooth, uint16_t search) {
  CMS_CentroidEngine e;
  e.Init();
  MS_CENTROID_ENGINE_PARAMS p{};
  p.smoothPoints = smooth;
  p.searchPoints = search;
  std::vector<uint8_t> b = s.buffer;
  Found f;
  if (e.CentroidSpec(nullptr, nullptr, static_cast<const void*>(nullptr), b.data(), &p) != MS_OK) return f;
  uint32_t n;
  std::memcpy(&n, b.data(), 4);
  std::vector<double> masses(n);
  for (uint32_t k = 0; k < n; ++k) std::memcpy(&masses[k], &b[5 + 13 * k], 8);
  for (const TailedPeak& pk : s.peaks) {
    if (pk.height < 1000) continue;
    ++f.peaks;
    double best = 1e9;
    for (double m : masses)
      if (std::fabs(m - pk.apex) < std::fabs(best)) best = m - pk.apex;
    if (std::fabs(best) > pk.fwhm) continue;
    ++f.found;
    f.errors.push_back(best / pk.fwhm);
    f.ppm.push_back(1e6 * best / pk.apex);
  }
  return f;
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

std::vector<double> Abs(std::vector<double> v) {
  for (double& x : v) x = std::fabs(x);
  return v;
}

// Every peak is found, and its centroid lies on its apex: within 2% of its
// width at half height (median), 6% (95th percentile), without a lean to
// either side, whether the peak spans 4 or 40 points at half height, is
// symmetric or tails, stands on a baseline or alone among left-out zeros,
// and whatever the small smoothing the caller asks for.
TEST(CentroidPeakShape, TailingPeaksCentreOnTheirApex) {
  struct Case {
    double perFwhm, tailRatio;
    size_t points;
  } cases[] = {
      {40, 0, 40000},   // broad Gaussian
      {40, 1, 40000},   // broad, tailing
      {40, 2.5, 40000}, // broad, strongly tailing
      {20, 1.5, 20000},
      {10, 1.5, 10000},
      {5, 1, 5000},     // narrow
      {4, 0, 4000},     // narrow Gaussian
      {8, 0, 8000},
  };
  for (const Case& c : cases) {
    for (int variant = 0; variant < 3; ++variant) {
      const uint16_t smooth = variant == 1 ? 3 : 1;
      const bool bare = variant == 2;
      const Spectrum s = TofSpectrum(static_cast<uint64_t>(c.perFwhm * 10 + c.tailRatio), c.perFwhm, c.tailRatio,
                                     c.points, bare);
      SCOPED_TRACE(::testing::Message() << c.perFwhm << " points per width, tail " << c.tailRatio << ", smoothing "
                                        << smooth << (bare ? ", zeros left out" : ""));
      const Found f = Centroid(s, smooth, 3);
      ASSERT_GE(f.peaks, 20);
      EXPECT_EQ(f.found, f.peaks);
      const double median = Quantile(f.errors, 0.5);
      const double typical = Quantile(Abs(f.errors), 0.5), worst = Quantile(Abs(f.errors), 0.95);
      EXPECT_LT(typical, 0.02);
      EXPECT_LT(worst, 0.06);
      EXPECT_LT(std::fabs(median), 0.015);
      std::printf("%4.0f points per width, tail %.1f, smoothing %u%s: %d of %d found; off the apex by %+.4f "
                  "widths (median), |.| %.4f median, %.4f 95%%; %+.1f ppm median\n",
                  c.perFwhm, c.tailRatio, smooth, bare ? ", zeros left out" : "", f.found, f.peaks, median, typical,
                  worst, Quantile(f.ppm, 0.5));
    }
  }
}

}  // namespace
