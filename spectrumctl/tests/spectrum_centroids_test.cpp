// Centroid and smoothed companions of profile spectra in the spectrum control.
#include <cmath>
#include <random>
#include <string>

#include "common/number_format.h"
#include "spectrumctl/tests/spt_control_fixture.h"

namespace {

// Three ions on a noisy baseline, sampled every 0.05 m/z with a wobble; the
// tallest (at 91.05) saturates.
sptfix::Spt ThreeIonProfile(uint32_t seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, 3);
  std::uniform_real_distribution<double> wobble(0.97, 1.03);
  struct Ion {
    double centre, height;
  };
  const Ion ions[] = {{91.05, 90000}, {105.3, 24000}, {200.7, 8000}};
  std::vector<std::pair<double, uint32_t>> points;
  for (double m = 60; m < 230; m += 0.05 * wobble(rng)) {
    double v = 40 + noise(rng);
    for (const Ion& ion : ions) {
      const double z = (m - ion.centre) / (0.3 / 2.3548);
      if (std::fabs(z) < 8) v += ion.height * std::exp(-0.5 * z * z);
    }
    points.emplace_back(m, static_cast<uint32_t>(std::clamp(v, 0.0, 65000.0)));
  }
  sptfix::Spt s = sptfix::Precise(points, true);
  PlusSpt_UpdateBasePeak(s.get());
  sptfix::Titles(s.get(), "Profile scan 12");
  return s;
}

STRUCT_CCSPT_CENTROID_REQUEST Request(uint16_t smooth = 3, bool forced = false) {
  STRUCT_CCSPT_CENTROID_REQUEST r{};
  r.params.engine.smoothPoints = smooth;
  r.params.engine.searchPoints = 3;
  r.params.engine.centroidPoints = 7;
  r.params.engine.thresholdCount = 500;
  r.params.engine.forcedApex = forced ? 1 : 0;
  r.params.engine.forcedApexPercent = 5;
  return r;
}

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

TEST_F(SptControlTest, CentroidingAProfileSpectrumFindsItsIonsAndSmoothsItsPoints) {
  HWND w = MakeControl();
  sptfix::Spt a = ThreeIonProfile(70);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  STRUCT_CCSPT_CENTROID_REQUEST r = Request();
  EXPECT_EQ(SendMessageA(w, SPTM_MAKECENTROIDSPECTRUM, 0, reinterpret_cast<LPARAM>(&r)), 0);
  STRUCT_SPT_PLUS* centroid = c->m_centroid[0];
  ASSERT_NE(centroid, nullptr);
  const STRUCT_TOL_SPT* ct = centroid->tolSpt;
  ASSERT_NE(ct, nullptr);
  EXPECT_EQ(int(ct->profile), 0);
  EXPECT_TRUE(ct->scanFuns == nullptr);
  ASSERT_EQ(uint32_t(ct->pairCount), 3u);
  const double expected[] = {91.05, 105.3, 200.7};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(double(ct->pairs[i].mass), expected[i], 0.03) << i;
  EXPECT_NEAR(double(centroid->basePeakMass), 91.05, 0.03);
  EXPECT_NE(int(centroid->serialNumber), int(c->m_display[0]->serialNumber));
  const std::string shownTitle = Text(c->m_display[0]->mainTitle, SPT_TITLE_SIZE);
  EXPECT_EQ(Text(centroid->mainTitle, SPT_TITLE_SIZE), ("Centroid Spectrum  " + shownTitle).substr(0, 79));
  EXPECT_EQ(Text(centroid->comment, SPT_TEXT_COMMENT_SIZE),
            "Centroid Spectrum made from Profile Spectrum.    3 Point Smooth, Ignore Forced Peaks    "
            "Search Points: 3, Centroid Points: 7, Threshold Count: 500");

  STRUCT_SPT_PLUS* smoothed = c->m_smoothed[0];
  ASSERT_NE(smoothed, nullptr);
  const STRUCT_TOL_SPT* st = smoothed->tolSpt;
  const STRUCT_TOL_SPT* at = a->tolSpt;
  EXPECT_EQ(int(st->profile), 1);
  ASSERT_EQ(uint32_t(st->pairCount), uint32_t(at->pairCount));
  // A moving average of three: the noise shrinks, the masses stay.
  const uint32_t i = 10;
  const double mean =
      (double(at->pairs[i - 1].intensity) + double(at->pairs[i].intensity) + double(at->pairs[i + 1].intensity)) / 3;
  EXPECT_NEAR(double(st->pairs[i].intensity), mean, 1.0);
  EXPECT_DOUBLE_EQ(double(st->pairs[i].mass), double(at->pairs[i].mass));
  EXPECT_EQ(Text(smoothed->mainTitle, SPT_TITLE_SIZE), "");

  // A second request replaces both.
  r = Request(5, true);
  SendMessageA(w, SPTM_MAKECENTROIDSPECTRUM, 0, reinterpret_cast<LPARAM>(&r));
  ASSERT_NE(c->m_centroid[0], nullptr);
  EXPECT_NE(Text(c->m_centroid[0]->comment, SPT_TEXT_COMMENT_SIZE).find("5 Point Smooth, Forced Peak %: 5    "),
            std::string::npos);
  ASSERT_NE(c->m_smoothed[0], nullptr);
  // The control draws the companions beside the profile.
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_scalesValid, 1);
}

// The centroid's header heads the centroid: its own base peak (a peak's
// summed points, far above the profile's highest point), no profile mark
// and not the profile's base-peak intensity.
TEST_F(SptControlTest, TheCentroidHeaderStatesTheCentroidsOwnBasePeak) {
  struct Case {
    const char* name;
    bool fixedTitles;  // titles kept as the run made them, the base peak on the first line's right
  };
  for (const Case& k : {Case{"titles from the preferences", false}, Case{"fixed titles", true}}) {
    SCOPED_TRACE(k.name);
    HWND w = MakeControl();
    sptfix::Spt a = ThreeIonProfile(74);
    if (k.fixedTitles) {
      a->tolSpt->displayMade = 1;
      char bp[kNumberTextSize];
      KELT_FormatIntensityD(double(a->basePeakIntensity), bp);
      sptfix::Titles(a.get(), "Profile scan 12", std::string("BP 91.1 (") + bp + "=100%) run.kms", "", "PROFILE");
    }
    SendPair(w, a.get(), nullptr);
    win::script::PumpUntilIdle();
    CCtlSpt* c = Control(w);
    STRUCT_CCSPT_CENTROID_REQUEST r = Request();
    SendMessageA(w, SPTM_MAKECENTROIDSPECTRUM, 0, reinterpret_cast<LPARAM>(&r));
    const STRUCT_SPT_PLUS* centroid = c->m_centroid[0];
    ASSERT_NE(centroid, nullptr);
    const STRUCT_SPT_PLUS* shown = c->m_display[0];
    const double centroidBase = centroid->basePeakIntensity, profileBase = shown->basePeakIntensity;
    ASSERT_GT(centroidBase, 2 * profileBase);
    char own[kNumberTextSize], profile[kNumberTextSize];
    KELT_FormatIntensityD(centroidBase, own);
    KELT_FormatIntensityD(profileBase, profile);
    const std::string header = Text(centroid->mainTitle, SPT_TITLE_SIZE) + " | " + Text(centroid->nameTitle, SPT_TITLE_SIZE);
    EXPECT_EQ(Text(centroid->mainTitle, SPT_TITLE_SIZE).rfind("Centroid Spectrum  ", 0), 0u) << header;
    EXPECT_NE(header.find(std::string("(") + own + "=100%)"), std::string::npos) << header;
    EXPECT_EQ(header.find(std::string("(") + profile + "=100%)"), std::string::npos) << header;
    EXPECT_EQ(header.find("PROFILE"), std::string::npos) << header;
    DestroyWindow(w);
  }
}

TEST_F(SptControlTest, OnlyProfileSpectraOfMsDataAreCentroided) {
  HWND w = MakeControl();
  sptfix::Spt centroidData = Messy(71);
  sptfix::Spt library = sptfix::Library("Toluene", {{91, 999}, {92, 620}});
  SendPair(w, centroidData.get(), library.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  STRUCT_CCSPT_CENTROID_REQUEST r = Request();
  for (WPARAM slot : {0, 1, 2}) SendMessageA(w, SPTM_MAKECENTROIDSPECTRUM, slot, reinterpret_cast<LPARAM>(&r));
  SendMessageA(w, SPTM_MAKECENTROIDSPECTRUM, 0, 0);
  EXPECT_EQ(c->m_centroid[0], nullptr);
  EXPECT_EQ(c->m_centroid[1], nullptr);
  EXPECT_EQ(c->m_smoothed[0], nullptr);
}

TEST_F(SptControlTest, OverlaidSpectraRefuseTheCentroidCommand) {
  HWND w = MakeControl();
  ShowDifferences(w, 1);
  sptfix::Spt a = ThreeIonProfile(72), b = ThreeIonProfile(73);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  const size_t before = win::script::MessageBoxLog().size();
  SendMessageA(w, WM_COMMAND, 8115, 0);
  const auto log = win::script::MessageBoxLog();
  ASSERT_EQ(log.size(), before + 1);
  EXPECT_EQ(log.back().caption, "Spectra 1 and 2 are Overlaid");
  EXPECT_EQ(log.back().text,
            "You have to change the 'Overlay Spectra A and B' preference before you can make a centroid spectrum.");
}

TEST_F(SptControlTest, ProfileSpectraAreSmoothedForDisplayWhenThePreferencesAsk) {
  HWND w = MakeControl();
  STRUCT_CCSPT_LOCAL_PREFS p{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p)), 1);
  p.prefs.profile.smoothProfile = 1;
  p.prefs.profile.smoothedTitles = 0;
  p.prefs.profile.searchPoints = 5;
  p.prefs.profile.chargeState = 1;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  sptfix::Spt a = ThreeIonProfile(74);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  STRUCT_SPT_PLUS* smoothed = c->m_smoothed[0];
  ASSERT_NE(smoothed, nullptr);
  const STRUCT_TOL_SPT* st = smoothed->tolSpt;
  const STRUCT_TOL_SPT* at = a->tolSpt;
  EXPECT_EQ(uint32_t(st->pairCount), uint32_t(at->pairCount));
  const std::string title = Text(smoothed->mainTitle, SPT_TITLE_SIZE);
  EXPECT_GE(title.size(), 9u);
  EXPECT_EQ(title.substr(title.size() - 9), " SMOOTHED");
  EXPECT_EQ(Text(smoothed->comment, SPT_TEXT_COMMENT_SIZE),
            "Smoothed Spectrum made from Profile Spectrum.    Search Points: 5, Charge State: 1");
  // The smoothed peak is lower and wider than the raw one, never higher.
  double rawTop = 0, smoothTop = 0;
  PlusSpt_GetBasePeak(a.get(), &rawTop);
  PlusSpt_GetBasePeak(smoothed, &smoothTop);
  EXPECT_LE(smoothTop, rawTop);
  EXPECT_GT(smoothTop, rawTop * 0.5);
}

TEST(SptThresholdCount, IsTheMedianOfTheNonzeroIntensitiesTimesTheFactor) {
  sptfix::Spt s = sptfix::Precise({{50.1, 0}, {50.2, 10}, {50.3, 30}, {50.4, 20}, {50.5, 0}, {50.6, 40}}, true);
  // Nonzero: 10 20 30 40; the upper middle one, 30.
  const STRUCT_TOL_SPT* tol = s->tolSpt;
  EXPECT_EQ(ComputeThresholdCountOf(tol, 3.0), 90);
  EXPECT_EQ(ComputeThresholdCountOf(tol, 1e9), 65535);
  EXPECT_EQ(ComputeThresholdCountOf(tol, std::nan("")), 0);
  EXPECT_EQ(ComputeThresholdCountOf(nullptr, 3.0), 0);
  sptfix::Spt zero = sptfix::Precise({{50.1, 0}}, true);
  const STRUCT_TOL_SPT* zeroTol = zero->tolSpt;
  EXPECT_EQ(ComputeThresholdCountOf(zeroTol, 3.0), 0);
}

}  // namespace
