// Centroiding of profile spectra with broad peaks (30-80 points across a
// peak), raised and sloping baselines, shoulders and noise clipped at zero,
// against the Gaussian peaks they were made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fixtures/random.h"
#include "quorna/centroiding.h"
#include "quorna/quorna.h"

namespace {

constexpr double kFwhmPerSigma = 2.3548200450309493;

struct Pt {
  double mass;
  uint32_t intensity;
};

struct TruePeak {
  double centre, height, fwhm;  // Da, counts at the apex, Da
};

// A spectrum sampled every `step` from `low` to `high`: a baseline of
// `base0` counts at `low` going linearly to `base1` at `high`, with a slow
// wave of `wave` counts on it, Gaussian peaks, and on each point noise of
// sd sqrt(noise^2 + value) (counting statistics on a detector's noise);
// values below zero read zero.
struct Plan {
  double low = 100, high = 250, step = 0.01;
  double base0 = 0, base1 = 0, wave = 0;
  double noise = 10;
  uint64_t seed = 1;
};

double BaselineAt(const Plan& p, double m) {
  return p.base0 + (p.base1 - p.base0) * (m - p.low) / (p.high - p.low) + p.wave * std::sin(m / 7.0);
}

std::vector<Pt> Sample(const Plan& p, const std::vector<TruePeak>& peaks) {
  msfix::Random rng(p.seed);
  std::vector<Pt> pts;
  const size_t n = static_cast<size_t>(std::floor((p.high - p.low) / p.step + 1e-9)) + 1;
  for (size_t k = 0; k < n; ++k) {
    const double m = p.low + p.step * static_cast<double>(k);
    double v = BaselineAt(p, m);
    for (const TruePeak& t : peaks) {
      const double z = (m - t.centre) / (t.fwhm / kFwhmPerSigma);
      if (std::fabs(z) < 12) v += t.height * std::exp(-0.5 * z * z);
    }
    const double noisy = v + std::sqrt(p.noise * p.noise + std::max(v, 0.0)) * rng.Normal();
    pts.push_back({m, static_cast<uint32_t>(std::lround(std::max(0.0, noisy)))});
  }
  return pts;
}

// Isolated peaks every 3-4 Da off the grid, 0.15-0.30 Da wide at half
// height (at a step of 0.01: 38-76 points within +-2 sigma), heights from
// `lowest` to 100 times that, and among them some of 10,000-12,800.
std::vector<TruePeak> IsolatedPeaks(const Plan& p, double lowest, uint64_t seed) {
  msfix::Random rng(seed);
  std::vector<TruePeak> out;
  int k = 0;
  for (double m = p.low + 3; m < p.high - 3; m += rng.Uniform(3.0, 4.0), ++k) {
    const double height = k % 4 == 1 ? rng.Uniform(10000, 12800) : lowest * std::exp(rng.Uniform(0, std::log(100.0)));
    out.push_back({m + rng.Uniform(-0.3, 0.3), height, rng.Uniform(0.15, 0.30)});
  }
  return out;
}

std::vector<Pt> Centroid(const std::vector<Pt>& pts, uint16_t smooth, uint16_t search) {
  std::vector<uint8_t> b(4 + 13 * pts.size());
  uint32_t n = static_cast<uint32_t>(pts.size());
  std::memcpy(b.data(), &n, 4);
  for (size_t i = 0; i < pts.size(); ++i) {
    std::memcpy(&b[5 + 13 * i], &pts[i].mass, 8);
    std::memcpy(&b[13 + 13 * i], &pts[i].intensity, 4);
  }
  CMS_CentroidEngine e;
  EXPECT_EQ(e.Init(), MS_OK);
  MS_CENTROID_ENGINE_PARAMS params{};
  params.smoothPoints = smooth;
  params.searchPoints = search;
  EXPECT_EQ(e.CentroidSpec(nullptr, nullptr, static_cast<const void*>(nullptr), b.data(), &params), MS_OK);
  std::memcpy(&n, b.data(), 4);
  std::vector<Pt> out(n);
  for (uint32_t i = 0; i < n; ++i) {
    std::memcpy(&out[i].mass, &b[5 + 13 * i], 8);
    std::memcpy(&out[i].intensity, &b[13 + 13 * i], 4);
  }
  return out;
}

// How centroids match the true peaks: each true peak should have exactly
// one centroid within half its width, and no centroid should be more than
// a width from every true peak.
struct Match {
  int missed = 0, split = 0, stray = 0;
  std::vector<double> ppm;  // |error| of each found peak
};

Match MatchPeaks(const std::vector<TruePeak>& truth, const std::vector<Pt>& found) {
  Match r;
  for (const TruePeak& t : truth) {
    int near = 0;
    double best = 1e9;
    for (const Pt& f : found) {
      if (std::fabs(f.mass - t.centre) <= t.fwhm / 2) {
        ++near;
        best = std::min(best, std::fabs(f.mass - t.centre));
      }
    }
    if (near == 0) ++r.missed;
    if (near > 1) ++r.split;
    if (near > 0) r.ppm.push_back(1e6 * best / t.centre);
  }
  for (const Pt& f : found) {
    bool near = false;
    for (const TruePeak& t : truth) near |= std::fabs(f.mass - t.centre) <= t.fwhm;
    r.stray += !near;
  }
  return r;
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

// The baseline and noise along a profile with peaks on it: the baseline
// where the noise is centred, the noise its sd (counting statistics on the
// detector's noise), and where the noise is clipped at zero, a baseline of
// zero and the sd of the whole normal noise, not of the part that shows.
TEST(CentroidSpectra, LocalBaselineAndNoiseAwayFromPeaks) {
  struct Case {
    const char* what;
    double base0, base1, noise;
  } cases[] = {
      {"rising from 1,000 to 2,500", 1000, 2500, 10},
      {"falling from 3,000 to 200", 3000, 200, 10},
      {"at zero, noise 30 clipped", 0, 0, 30},
      {"40 below zero, noise 30 clipped", -40, -40, 30},
      {"at 5, noise 3 clipped", 5, 5, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Plan plan;
    plan.base0 = c.base0;
    plan.base1 = c.base1;
    plan.noise = c.noise;
    const auto truth = IsolatedPeaks(plan, 3000, 4);
    const auto pts = Sample(plan, truth);
    std::vector<quorna::Peak> profile;
    for (const Pt& p : pts) profile.push_back({p.mass, p.intensity, 0});
    for (unsigned smooth : {1u, 5u}) {
      SCOPED_TRACE(smooth);
      const auto lb = quorna::EstimateLocalBaseline(profile, quorna::SmoothProfile(profile, smooth), smooth);
      ASSERT_EQ(lb.level.size(), pts.size());
      // Peaks 0.15-0.30 wide at half height, at a step of 0.01.
      EXPECT_GE(lb.peakWidth, 14);
      EXPECT_LE(lb.peakWidth, 31);
      int checked = 0;
      for (size_t i = 0; i < pts.size(); i += 97) {
        bool far = true;
        for (const TruePeak& t : truth) far &= std::fabs(pts[i].mass - t.centre) > 2 * t.fwhm;
        if (!far) continue;
        const double base = BaselineAt(plan, pts[i].mass);
        const double sd = std::sqrt(c.noise * c.noise + std::max(base, 0.0));
        // Noise clipped at zero shows less of itself, mostly clipped little.
        const double within = c.base0 < 0 ? 0.3 : c.base0 < 3 * c.noise ? 0.2 : 0.15;
        EXPECT_NEAR(lb.noise[i], sd, within * sd) << pts[i].mass;
        EXPECT_NEAR(lb.level[i], std::max(base, 0.0), 0.75 * sd) << pts[i].mass;
        ++checked;
      }
      EXPECT_GT(checked, 50);
    }
  }
}

// Broad peaks on raised, sloping baselines: every peak comes back once, at
// its centre, and nothing else does, whatever the smoothing.
TEST(CentroidSpectra, BroadPeaksOnARaisedSlopingBaseline) {
  struct Case {
    const char* what;
    double base0, base1, wave, lowest;
  } cases[] = {
      {"1,000 counts rising to 2,500", 1000, 2500, 0, 3000},
      {"3,000 counts falling to 200, with a wave", 3000, 200, 400, 3000},
      {"flat at 1,000", 1000, 1000, 0, 2000},
  };
  for (const Case& c : cases) {
    Plan plan;
    plan.base0 = c.base0;
    plan.base1 = c.base1;
    plan.wave = c.wave;
    const auto truth = IsolatedPeaks(plan, c.lowest, 3);
    const auto pts = Sample(plan, truth);
    for (uint16_t smooth : {1, 3, 7}) {
      SCOPED_TRACE(::testing::Message() << c.what << ", smoothing " << smooth);
      const auto found = Centroid(pts, smooth, 3);
      const Match m = MatchPeaks(truth, found);
      EXPECT_EQ(m.missed, 0);
      EXPECT_EQ(m.split, 0);
      EXPECT_EQ(m.stray, 0);
      EXPECT_LT(Quantile(m.ppm, 0.5), 5.0);
      EXPECT_LT(Quantile(m.ppm, 1.0), 15.0);
      std::printf("%s, smoothing %u: %zu centroids for %zu peaks, %d missed, %d split, %d stray; "
                  "error median %.1f ppm, worst %.1f ppm\n",
                  c.what, smooth, found.size(), truth.size(), m.missed, m.split, m.stray, Quantile(m.ppm, 0.5),
                  Quantile(m.ppm, 1.0));
    }
  }
}

// Noise clipped at zero on a baseline at or below zero: without smoothing
// each broad peak still gives one centroid, and the noise none.
TEST(CentroidSpectra, ZeroClippedNoiseGivesOneCentroidPerPeak) {
  struct Case {
    const char* what;
    double base, noise;
  } cases[] = {
      {"baseline at zero, noise 30", 0, 30},
      {"baseline 40 below zero, noise 30", -40, 30},
      {"baseline at zero, noise 2", 0, 2},
  };
  for (const Case& c : cases) {
    Plan plan;
    plan.base0 = plan.base1 = c.base;
    plan.noise = c.noise;
    plan.seed = 5;
    const auto truth = IsolatedPeaks(plan, 20 * c.noise + 200, 9);
    const auto pts = Sample(plan, truth);
    for (uint16_t smooth : {1, 3}) {
      SCOPED_TRACE(::testing::Message() << c.what << ", smoothing " << smooth);
      const auto found = Centroid(pts, smooth, 3);
      const Match m = MatchPeaks(truth, found);
      EXPECT_EQ(found.size(), truth.size());
      EXPECT_EQ(m.missed, 0);
      EXPECT_EQ(m.split, 0);
      EXPECT_EQ(m.stray, 0);
      EXPECT_LT(Quantile(m.ppm, 0.5), 5.0);
      std::printf("%s, smoothing %u: %zu centroids for %zu peaks, %d missed, %d split, %d stray; "
                  "error median %.1f ppm\n",
                  c.what, smooth, found.size(), truth.size(), m.missed, m.split, m.stray, Quantile(m.ppm, 0.5));
    }
  }
}

// A second peak beside a first, high on a steep baseline (200 counts at
// mass 100 rising to 4,000 at 250): apart when a valley shows between
// them, each centroid near its own centre; one centroid, between the two
// and nearer the larger, when none does.
TEST(CentroidSpectra, ShouldersSplitAtAValley) {
  struct Case {
    double apart;  // in widths at half height
    double ratio;  // second peak's height over the first's
    bool split;
  } cases[] = {
      {2.0, 0.3, true}, {1.6, 0.5, true}, {1.3, 1.0, true}, {1.7, 0.15, true},
      {0.6, 0.5, false}, {0.8, 0.3, false},
  };
  Plan plan;
  plan.base0 = 200;
  plan.base1 = 4000;
  const double fwhm = 0.25;
  std::vector<TruePeak> truth;
  for (size_t k = 0; k < std::size(cases); ++k) {
    const double first = 200.3731 + 7.0 * static_cast<double>(k);
    truth.push_back({first, 8000, fwhm});
    truth.push_back({first + cases[k].apart * fwhm, 8000 * cases[k].ratio, fwhm});
  }
  const auto pts = Sample(plan, truth);
  for (uint16_t smooth : {1, 5}) {
    const auto found = Centroid(pts, smooth, 3);
    for (size_t k = 0; k < std::size(cases); ++k) {
      const Case& c = cases[k];
      SCOPED_TRACE(::testing::Message() << c.apart << " widths apart, ratio " << c.ratio << ", smoothing " << smooth);
      const TruePeak& one = truth[2 * k];
      const TruePeak& two = truth[2 * k + 1];
      std::vector<Pt> near;
      for (const Pt& f : found)
        if (f.mass > one.centre - 2 * fwhm && f.mass < two.centre + 2 * fwhm) near.push_back(f);
      if (c.split) {
        ASSERT_EQ(near.size(), 2u);
        EXPECT_NEAR(near[0].mass, one.centre, 0.1 * fwhm);
        EXPECT_NEAR(near[1].mass, two.centre, 0.1 * fwhm);
        EXPECT_GT(near[0].intensity, near[1].intensity * (c.ratio < 1 ? 1.0 : 0.5));
      } else {
        ASSERT_EQ(near.size(), 1u);
        EXPECT_GT(near[0].mass, one.centre);
        EXPECT_LT(near[0].mass, (one.centre + two.centre) / 2);
      }
    }
    EXPECT_EQ(MatchPeaks(truth, found).stray, 0);
  }
}

}  // namespace
