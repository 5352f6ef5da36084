// Signal-to-noise labels of the overlay control, checked against the noise
// functions they come from.
#include <cfloat>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fixtures/msfixtures.h"
#include "dialogs/noise_calc_dialog.h"
#include "overlayctl/overlay_noise_labels.h"
#include "overlayctl/tests/control_fixture.h"
#include "spectra/pp_noise.h"
#include "spectra/rms_noise.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

class NoiseLabelTest : public OPlotTest {
 protected:
  // A generated run shown by file in slot 0, painted, with its truth.
  HWND ShowRun(msfix::RunTruth* truth, uint32_t seed = 5) {
    const std::string path = "C:\\Data\\noise" + std::to_string(seed) + ".kms";
    msfix::RunPlan plan;
    plan.seed = seed;
    plan.scans = 900;
    plan.compounds = 6;
    std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path)).parent_path());
    EXPECT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path), plan, truth));
    HWND w = MakeControl(7, 800, 500);
    STRUCT_OPLOT_DISPLAY_FILE r{};
    r.useFirstFreeSlot = 1;
    std::strncpy(r.path, path.c_str(), sizeof r.path - 1);
    r.plotKind = DATA_TYPE_TIC;
    EXPECT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 1);
    win::script::PumpUntilIdle();
    return w;
  }
  static std::vector<const CLabelInfo*> NoiseLabels(CCtlOPlot* c) {
    std::vector<const CLabelInfo*> out;
    for (short i = 0; i < c->m_pLabels->Capacity(); ++i)
      if (const CLabelInfo* l = c->m_pLabels->Label(i); l && l->m_areaGroup == OPLOT_LABEL_KIND_NOISE) out.push_back(l);
    return out;
  }
  static std::string Text(const CLabelInfo* l) { return l && l->m_text ? std::string(l->m_text->text) : ""; }
  static double Nearest(const STRUCT_NE_DATA_POINTS* dp, double t) {
    double best = NePointAt(dp->points, 0)->time;
    for (uint32_t i = 0; i < dp->pointCount; ++i) {
      const double x = NePointAt(dp->points, i)->time;
      if (std::fabs(x - t) < std::fabs(best - t)) best = x;
    }
    return best;
  }
  static double ValueAt(const STRUCT_NE_DATA_POINTS* dp, double t) {
    for (uint32_t i = 0; i < dp->pointCount; ++i)
      if (NePointAt(dp->points, i)->time == t) return NePointValue(dp->points, i);
    return NAN;
  }
};

// Count traces: S, N and the ratio are whole numbers, from the noise function's own result.
TEST_F(NoiseLabelTest, EachCommandLabelsTheRatioOfItsNoiseFunction) {
  msfix::RunTruth truth;
  HWND w = ShowRun(&truth);
  CCtlOPlot* c = Control(w);
  ASSERT_TRUE(c->m_bSizesValid);
  SVW_OVERLAY* o = c->m_pOverlay;
  OVERLAY_SLOT& s = o->slots[0];
  ASSERT_EQ(+s.trace->points->isDouble, 0u);  // counts
  const double apex = truth.compounds[2].retentionTime;
  const double t = Nearest(s.trace, apex);
  const double signal = ValueAt(s.trace, t);

  struct Case {
    UINT command;
    int16_t rmsPreference;
    const char* title;
    int method;
  } cases[] = {
      {0, 1, "S/N (RMS): ", 3},  // slot 20 stands for the active plot
      {OPLOT_CMD_SIGNAL_TO_NOISE0 + 0, 0, "S/N (PP): ", 4},
      {OPLOT_CMD_OLD_SIGNAL_TO_NOISE0 + 0, 0, "S/N (RMS): ", 0},
      {OPLOT_CMD_PP_SIGNAL_TO_NOISE0 + 0, 1, "S/N (RMS): ", 1},
      {OPLOT_CMD_PP_SIGNAL_TO_NOISE0 + 0, 0, "S/N (PP): ", 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.command);
    c->m_pLabels->DeleteLabelsForPlot(0);
    c->m_prefs.noise.flag0 = k.rmsPreference;
    c->m_rightClickTime = apex;
    if (k.command)
      SendMessageA(w, WM_COMMAND, k.command, 0);
    else
      c->CalRMSNoise(OPLOT_SLOTS, static_cast<short>(k.method));

    // What the noise function says, by its own call.
    STRUCT_CHRO_PREFS prefs = c->m_prefs;
    double noise = 0, baseline = 0;
    int regions = 0;
    bool ok = false;
    if (k.method == 2 || k.method == 4) {
      double times[5], values[5];
      if (k.method == 2) {
        double sig = 0, tail = 0;
        uint32_t centre = 0;
        ok = KELT_GetSignalAndNoiseAndTail(s.workFile, s.trace, DATA_TYPE_TIC, &s.chanList, &s.massList, nullptr, 0,
                                           &prefs, t, &sig, &noise, &tail, &centre, times, values);
      } else {
        STRUCT_PP_NOISE pp{};
        ok = KELT_CalPPNoiseForDisplay(s.workFile, s.trace, t, DATA_TYPE_TIC, &s.chanList, &s.massList, nullptr, 0,
                                       &prefs, s.scanFunInfo, s.scanFunInfoCount, &pp);
        noise = pp.noise;
        std::copy(pp.stretchValues, pp.stretchValues + 5, values);
      }
      baseline = (*std::min_element(values, values + 5) + *std::max_element(values, values + 5)) / 2;
      regions = 1;
    } else {
      STRUCT_RMS_NOISE r{};
      if (k.method == 0)
        ok = KELT_OldWay_CalRMSNoiseForDisplay(s.workFile, t, DATA_TYPE_TIC, &s.massList, &s.chanList, 0, 0, 0, 0,
                                               &prefs, &r);
      else if (k.method == 1)
        ok = KELT_CalRMSNoiseForDisplay(s.workFile, t, DATA_TYPE_TIC, &s.massList, &s.chanList, 0, 0, 0, 0, &prefs, &r);
      else
        ok = KELT_NewCalRMSNoiseForDisplay(s.workFile, s.trace, t, DATA_TYPE_TIC, &s.massList, &s.chanList, 0,
                                           nullptr, 0, 0, 0, &prefs, s.scanFunInfo, s.scanFunInfoCount, &r);
      noise = r.noise;
      baseline = r.baselineFound ? r.baseline : 0.0;
      regions = std::max(1, (r.leftBoxFound ? 1 : 0) + (r.rightBoxFound ? 1 : 0));
    }
    ASSERT_TRUE(ok);
    const double S = std::max(0.0, std::floor(signal - baseline + 0.5));
    const double N = std::max(1.0, std::floor(noise + 0.5));
    const double R = N > 1 && S > 0 ? std::floor(S / N + 0.5) : S;
    char expected[200];
    std::snprintf(expected, sizeof expected, "%s%.0f\r\nS: %.0f\r\nN: %.0f", k.title, R, S, N);
    const auto labels = NoiseLabels(c);
    ASSERT_EQ(labels.size(), static_cast<size_t>(regions));
    for (const CLabelInfo* l : labels) {
      EXPECT_EQ(Text(l), expected);
      EXPECT_EQ(l->m_type, LABEL_TYPE_VALUE);
      EXPECT_EQ(l->m_labelX, t);  // the pointer ends at the signal point
      const auto* mark = static_cast<const STRUCT_NOISE_LABEL_DATA*>(l->m_mark);
      ASSERT_NE(mark, nullptr);
      EXPECT_EQ(GetBlockSize(mark), sizeof(STRUCT_NOISE_LABEL_DATA));
      EXPECT_EQ(mark->signalTime, t);
      EXPECT_DOUBLE_EQ(mark->baseline, baseline);
      EXPECT_LE(mark->region.startTime, mark->region.endTime);
    }
  }
  DestroyWindow(w);
}

// Real-valued traces keep their units and three digits; a signal below the
// baseline has S = 0 and ratio 0; a ratio past a million is not written whole.
TEST_F(NoiseLabelTest, RealValuesKeepUnitsAndFloorsHold) {
  msfix::RunTruth truth;
  HWND w = ShowRun(&truth, 9);
  CCtlOPlot* c = Control(w);
  OVERLAY_SLOT& s = c->m_pOverlay->slots[0];
  const double apex = truth.compounds[1].retentionTime;
  c->m_prefs.noise.flag0 = 0;
  // The same trace held as real numbers.
  STRUCT_NE_POINT_BLOCK* b = s.trace->points;
  for (uint32_t i = 0; i < s.trace->pointCount; ++i) {
    STRUCT_NE_POINT* p = NePointAt(b, i);
    const double v = static_cast<double>(p->value.i);
    p->value.d = v;
  }
  b->isDouble = 1;
  std::strcpy(s.units, "mV");
  c->m_rightClickTime = apex;
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_PP_SIGNAL_TO_NOISE0, 0);
  auto labels = NoiseLabels(c);
  ASSERT_FALSE(labels.empty());
  const std::string text = Text(labels[0]);
  double R = 0, S = 0, N = 0;
  char u1[8] = {}, u2[8] = {}, u3[8] = {};
  ASSERT_EQ(std::sscanf(text.c_str(), "S/N (PP): %lf %7s\r\nS: %lf %7s\r\nN: %lf %7s", &R, u1, &S, u2, &N, u3), 6)
      << text;
  EXPECT_STREQ(u1, "mV");
  EXPECT_STREQ(u3, "mV");
  EXPECT_NEAR(R, S / N, std::fabs(S / N) * 1e-2);

  // A signal below the noise box: S and the ratio are 0.
  c->m_pLabels->DeleteLabelsForPlot(0);
  const double t = Nearest(s.trace, apex);
  for (uint32_t i = 0; i < s.trace->pointCount; ++i)
    if (NePointAt(b, i)->time == t) NePointAt(b, i)->value.d = -1e9;
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_PP_SIGNAL_TO_NOISE0, 0);
  labels = NoiseLabels(c);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(Text(labels[0]).rfind("S/N (PP): 0 mV\r\nS: 0 mV\r\n", 0), 0u) << Text(labels[0]);
  DestroyWindow(w);
}

// Halfway between two points the later one is the signal; the drift switch
// renames the RMS label; nothing happens before the control has drawn.
TEST_F(NoiseLabelTest, SignalPointDriftSwitchAndUndrawnControl) {
  msfix::RunTruth truth;
  HWND w = ShowRun(&truth, 11);
  CCtlOPlot* c = Control(w);
  const STRUCT_NE_DATA_POINTS* dp = c->m_pOverlay->slots[0].trace;
  const uint32_t k = dp->pointCount / 2;
  const double t0 = NePointAt(dp->points, k)->time, t1 = NePointAt(dp->points, k + 1)->time;
  c->m_prefs.noise.flag0 = 1;
  c->m_rightClickTime = t0 + (t1 - t0) / 2;
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_RMS_FIT_TO_LINE, 0);
  EXPECT_EQ(c->m_bRMSFitToLine, 1);
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_SIGNAL_TO_NOISE0, 0);
  auto labels = NoiseLabels(c);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels[0]->m_labelX, t1);
  EXPECT_EQ(Text(labels[0]).rfind("S/N (RMS Drift Corrected): ", 0), 0u) << Text(labels[0]);

  c->m_pLabels->DeleteLabelsForPlot(0);
  c->m_bSizesValid = 0;
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_SIGNAL_TO_NOISE0, 0);
  EXPECT_TRUE(NoiseLabels(c).empty());
  DestroyWindow(w);
}

// Too few points around the time: the message names the method's kind, no label.
TEST_F(NoiseLabelTest, TooFewPointsIsToldAndLeavesNoLabel) {
  msfix::RunTruth truth;
  HWND w = ShowRun(&truth, 13);
  CCtlOPlot* c = Control(w);
  OVERLAY_SLOT& s = c->m_pOverlay->slots[0];
  // The file keeps only its first two scans' worth of trace for the displayed forms.
  s.trace->pointCount = 2;
  c->m_rightClickTime = NePointAt(s.trace->points, 0)->time;
  struct Case {
    UINT command;
    int16_t rms;
    const char* text;
  } cases[] = {{OPLOT_CMD_SIGNAL_TO_NOISE0, 0, "Peak to Peak"}, {OPLOT_CMD_PP_SIGNAL_TO_NOISE0, 0, "Peak to Peak"}};
  for (const Case& k : cases) {
    win::script::ResetLogs();
    c->m_prefs.noise.flag0 = k.rms;
    SendMessageA(w, WM_COMMAND, k.command, 0);
    const auto boxes = win::script::MessageBoxLog();
    ASSERT_EQ(boxes.size(), 1u) << k.command;
    EXPECT_NE(boxes[0].text.find("Too few points at"), std::string::npos);
    EXPECT_NE(boxes[0].text.find(k.text), std::string::npos) << boxes[0].text;
    EXPECT_TRUE(NoiseLabels(c).empty());
  }
  DestroyWindow(w);
}

// A drag in the noise mode opens the noise window on the dragged range of
// the plot under it; closing it leaves the plot as it was.
TEST_F(NoiseLabelTest, ADragInTheNoiseModeShowsTheNoiseOfTheRange) {
  msfix::RunTruth truth;
  HWND w = ShowRun(&truth, 17);
  CCtlOPlot* c = Control(w);
  ASSERT_TRUE(c->m_bSizesValid);
  c->m_prefs.noise.flag0 = 1;
  c->m_toolbarLayout = 1;  // the layout that offers the click-and-drag modes
  c->m_clickDragMode = OPLOT_DRAG_NOISE;
  std::string caption;
  std::vector<std::string> lines;
  win::script::OnNextDialog([&](HWND d) {
    char text[200] = {};
    GetWindowTextA(d, text, sizeof text);
    caption = text;
    for (int k = 0; k < 6; ++k) lines.push_back(win::script::GetField(d, NOISE_CALC_LINE1_ID + k));
    EXPECT_TRUE(win::script::PressButton(d, IDCANCEL));
  });
  const auto a = c->GetPlotArea();
  const int x0 = a.left + (a.right - a.left) / 5, x1 = a.left + (a.right - a.left) / 4;
  const int y = (a.top + a.bottom) / 2;
  const double start = c->m_pOverlay->tail.viewStart, end = c->m_pOverlay->tail.viewEnd;
  win::script::Drag(w, {x0, y}, {x1, y + 10});
  win::script::PumpUntilIdle();
  EXPECT_EQ(caption, "RMS Noise Calculation");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "File: noise17.kms");
  char title[OPLOT_IDENTITY_TITLE_SIZE] = {};
  OPLOT_MakeSlotPlotTitle(c->m_pOverlay, 0, title);
  EXPECT_EQ(lines[2].rfind(std::string("Plot: 1, ") + title, 0), 0u) << lines[2];
  // The range used lies inside the dragged one.
  double from = 0, to = 0;
  ASSERT_EQ(std::sscanf(lines[1].c_str(), "Time Range:  %lf to %lf minutes", &from, &to), 2) << lines[1];
  const double lineStart = c->m_lineStart, lineEnd = c->m_lineEnd;
  EXPECT_GE(from, lineStart - 0.0005);
  EXPECT_LE(to, lineEnd + 0.0005);
  EXPECT_LT(lineStart, lineEnd);
  EXPECT_EQ(lines[3].rfind("RMS Noise (Simple): ", 0), 0u);
  EXPECT_EQ(lines[3].find("Not Calculated"), std::string::npos);
  EXPECT_EQ(lines[5].rfind("Points:  ", 0), 0u);
  // The view stays where it was: the noise drag does not zoom.
  const double startAfter = c->m_pOverlay->tail.viewStart, endAfter = c->m_pOverlay->tail.viewEnd;
  EXPECT_EQ(startAfter, start);
  EXPECT_EQ(endAfter, end);
  DestroyWindow(w);
}

}  // namespace
