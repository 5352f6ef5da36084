// The noise calculation window as a user sees it: caption and six lines
// for detector and MS traces, raw and filtered, failed computations, long
// plot texts, and a slot with nothing to measure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "dialogs/noise_calc_dialog.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "spectra/rms_noise.h"
#include "win/win_script.h"

namespace {

using NoiseCalcDialogTest = KeltRootTest;

struct Shown {
  std::string caption;
  std::vector<std::string> lines;
};

// Runs the dialog and reads it as shown, then presses Exit.
Shown RunDialog(CNoiseCalcDlg& dlg) {
  Shown shown;
  win::script::OnNextDialog([&](HWND d) {
    char caption[200] = {};
    GetWindowTextA(d, caption, sizeof caption);
    shown.caption = caption;
    for (int k = 0; k < 6; ++k) shown.lines.push_back(win::script::GetField(d, NOISE_CALC_LINE1_ID + k));
    EXPECT_TRUE(win::script::PressButton(d, IDCANCEL));
  });
  EXPECT_EQ(dlg.DoModal(), 1);
  return shown;
}

// A drifting trace with alternating noise: 10 + 2t +- 0.5, times 1..5 by
// 0.01; scale multiplies it all; processed adds a smoothed copy.
SVW_OVERLAY* MakeOverlay(bool detector, double scale, bool processed) {
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  SyntheticTrace tr;
  tr.detector = detector;
  for (int i = 0; i <= 400; ++i) {
    const double t = 1.0 + i * 0.01;
    tr.times.push_back(t);
    tr.values.push_back(scale * (10 + 2 * t + (i % 2 ? 0.5 : -0.5)));
    if (processed) tr.processed.push_back(scale * (10 + 2 * t + (i % 2 ? 0.1 : -0.1)));
  }
  FillSyntheticSlot(o, 2, tr, 0, scale * 25);
  return o;
}

std::string Noise(const OVERLAY_SLOT& s, bool rms, bool filtered, int16_t fit, double from, double to,
                  bool realValues, uint32_t* points) {
  double noise = 0, first = 0, last = 0;
  const BOOL ok = rms ? KELT_CalRMSNoise(0, from, to, s.trace, filtered, fit, &noise, points, &first, &last)
                      : KELT_CalPPNoise(0, from, to, s.trace, filtered, fit, &noise, points, &first, &last);
  if (!ok) return "Not Calculated";
  // Real values with four decimals; counts whole, or with an exponent from a million.
  const char* format = realValues ? "%.4f" : noise >= 1e6 ? "%.3e" : "%.0f";
  char text[64];
  std::snprintf(text, sizeof text, format, noise);
  return text;
}

TEST_F(NoiseCalcDialogTest, ShowsBothNoisesOfTheRangeAsTheTraceCalls) {
  struct Case {
    const char* name;
    bool detector, rms, processed;
    int16_t plotMode;
    double scale, from, to;
    const char* description;
    const char* caption;
    const char* plotLine;
  } cases[] = {
      {"detector rms", true, true, false, 0, 1.0, 2.0, 3.0, "FID", "RMS Noise Calculation", "Plot: 3, FID"},
      {"detector pp", true, false, false, 0, 1.0, 2.0, 3.0, "FID", "Peak to Peak Noise Calculation", "Plot: 3, FID"},
      {"ms raw", false, true, false, 0, 100.0, 2.0, 3.0, "TIC", "RMS Noise Calculation", "Plot: 3, TIC (Raw)"},
      {"ms filtered", false, true, true, 1, 100.0, 2.0, 3.0, "TIC", "RMS Noise Calculation",
       "Plot: 3, TIC (Filtered)"},
      {"ms millions", false, false, false, 0, 1e7, 2.0, 3.0, "TIC", "Peak to Peak Noise Calculation",
       "Plot: 3, TIC (Raw)"},
      {"long text", true, true, false, 0, 1.0, 2.0, 3.0,
       "m/z 41.0 + 43.0 + 55.0 + 57.0 + 69.0 + 71.0 + 85.0 + 99.0", "RMS Noise Calculation",
       "Plot: 3, m/z 41.0 + 43.0 + 55.0 + 57.0 + 69.0 + 71..."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SVW_OVERLAY* o = MakeOverlay(k.detector, k.scale, k.processed);
    const OVERLAY_SLOT& s = o->slots[2];
    STRUCT_CHRO_PREFS prefs{};
    prefs.plotData.filterKind = k.plotMode;
    prefs.noise.flag0 = k.rms ? 1 : 0;
    CNoiseCalcDlg dlg(&s, &prefs, k.from, k.to, 2);
    dlg.m_description = k.description;
    const Shown shown = RunDialog(dlg);
    uint32_t simplePoints = 0, driftPoints = 0;
    const bool filtered = k.plotMode == 1;
    const std::string simple = Noise(s, k.rms, filtered, 0, k.from, k.to, k.detector, &simplePoints);
    const std::string drift = Noise(s, k.rms, filtered, 1, k.from, k.to, k.detector, &driftPoints);
    ASSERT_NE(simple, "Not Calculated");
    if (k.scale > 1e6) {
      EXPECT_NE(simple.find("e+07"), std::string::npos);
    }
    ASSERT_EQ(simplePoints, driftPoints);
    const char* kind = k.rms ? "RMS" : "PP";
    EXPECT_EQ(shown.caption, k.caption);
    const std::vector<std::string> expected = {
        "File: synthetic.kms",
        "Time Range:  2.000 to 3.000 minutes",
        k.plotLine,
        std::string(kind) + " Noise (Simple): " + simple,
        std::string(kind) + " Noise (Drift Corrected): " + drift,
        "Points:  " + std::to_string(simplePoints),
    };
    EXPECT_EQ(shown.lines, expected);
    EXPECT_EQ(simplePoints, 101u);
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
}

// The drift corrects the noise of a sloping trace: the corrected RMS is the
// alternation's half step, the simple one much more.
TEST_F(NoiseCalcDialogTest, DriftCorrectionTakesOutTheSlope) {
  SVW_OVERLAY* o = MakeOverlay(true, 1.0, false);
  STRUCT_CHRO_PREFS prefs{};
  prefs.noise.flag0 = 1;
  CNoiseCalcDlg dlg(&o->slots[2], &prefs, 2.0, 3.0, 2);
  ASSERT_TRUE(dlg.Compute());
  double simple = 0, drift = 0;
  ASSERT_EQ(std::sscanf(dlg.m_lines[3].c_str(), "RMS Noise (Simple): %lf", &simple), 1);
  ASSERT_EQ(std::sscanf(dlg.m_lines[4].c_str(), "RMS Noise (Drift Corrected): %lf", &drift), 1);
  EXPECT_NEAR(drift, 0.5, 0.01);
  // A slope of 2 over a minute alone spreads the values by 0.58 RMS.
  EXPECT_GT(simple, 0.7);
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}

// A range between two points: both computations fail; the requested range
// is shown and no points line.
TEST_F(NoiseCalcDialogTest, NothingToMeasureSaysNotCalculated) {
  SVW_OVERLAY* o = MakeOverlay(true, 1.0, false);
  STRUCT_CHRO_PREFS prefs{};
  prefs.noise.flag0 = 1;
  CNoiseCalcDlg dlg(&o->slots[2], &prefs, 2.0012, 2.0047, 2);
  dlg.m_description = "FID";
  const Shown shown = RunDialog(dlg);
  EXPECT_EQ(shown.lines, (std::vector<std::string>{"File: synthetic.kms", "Time Range:  2.001 to 2.005 minutes",
                                                   "Plot: 3, FID", "RMS Noise (Simple): Not Calculated",
                                                   "RMS Noise (Drift Corrected): Not Calculated", ""}));
  // A slot without a trace shows nothing.
  OVERLAY_SLOT empty{};
  CNoiseCalcDlg none(&empty, &prefs, 2.0, 3.0, 0);
  const size_t before = win::script::DialogLog().size();
  EXPECT_EQ(none.DoModal(), 0);
  EXPECT_EQ(win::script::DialogLog().size(), before);
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}

}  // namespace
