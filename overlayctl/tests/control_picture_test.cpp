// The control in a 1,000 x 600 window with the host's sample overlay,
// zoomed and scrolled through its messages, against the stored picture.
// With KELT_UPDATE_GOLDEN set the picture is stored anew after a deliberate change.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "host/sample_overlay.h"
#include "overlayctl/tests/control_fixture.h"
#include "testing/golden_window.h"
#include "win/win_paths.h"

namespace {


using ControlPictureTest = OPlotTest;

TEST_F(ControlPictureTest, ZoomedSampleOverlayAsStored) {
  sample_overlay::Files files;
  SVW_OVERLAY* o = SampleOverlay(&files);
  ASSERT_NE(o, nullptr);
  MoveWindow(host, 0, 0, 1000, 600, TRUE);
  RECT client{};
  GetClientRect(host, &client);
  HWND w = MakeControl(7, client.right, client.bottom);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  const double start = o->tail.homeStart, span = o->tail.homeEnd - o->tail.homeStart;
  OPLOT_UpdateOverlayPlots(o, start + 0.375 * span, start + 0.625 * span);
  SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_TRUE(Control(w)->m_bSizesValid);

  testing_support::ExpectWindowAsStored(w, OVERLAYCTL_GOLDEN_DIR, "control-zoomed.png");
}

}  // namespace

#include "overlayctl/overlay_noise_labels.h"

namespace {

// A peak of the field blank labelled with its signal-to-noise, its noise
// boxes pointed at, over the segment bar of the active run.
TEST_F(ControlPictureTest, SignalToNoiseLabelAsStored) {
  sample_overlay::Files files;
  SVW_OVERLAY* o = SampleOverlay(&files);
  ASSERT_NE(o, nullptr);
  MoveWindow(host, 0, 0, 1000, 600, TRUE);
  RECT client{};
  GetClientRect(host, &client);
  HWND w = MakeControl(7, client.right, client.bottom);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  const double t = files.truth.run.compounds[2].retentionTime;
  OPLOT_UpdateOverlayPlots(o, t - 0.6, t + 0.6);
  // Every plot fits the new window: scales left unset are filled by the control.
  std::memset(&o->tail.scales, 0, sizeof o->tail.scales);
  SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  CCtlOPlot* c = Control(w);
  ASSERT_TRUE(c->m_bSizesValid);
  const int16_t slot = 3;
  const STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
  double apex = t, highest = -1;
  for (uint32_t k = 0; dp && k < dp->pointCount; ++k) {
    const double x = NePointAt(dp->points, k)->time, v = NePointValue(dp->points, k);
    if (x >= o->tail.viewStart && x <= o->tail.viewEnd && v > highest) highest = v, apex = x;
  }
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  s.plotHigh[slot] = s.plotLow[slot] + 3.0 * (s.plotHigh[slot] - s.plotLow[slot]);
  c->m_rightClickTime = apex;
  c->m_prefs.noise.flag0 = 1;
  SendMessageA(w, WM_COMMAND, OPLOT_CMD_SIGNAL_TO_NOISE0 + slot, 0);
  win::script::PumpUntilIdle();
  testing_support::ExpectWindowAsStored(w, OVERLAYCTL_GOLDEN_DIR, "control-noise.png");
  DestroyWindow(w);
}

}  // namespace
