// The control in a 1,000 x 600 window with the host's sample overlay,
// zoomed and scrolled through its messages, against the stored picture.
// With KELT_UPDATE_GOLDEN set the picture is stored anew after a deliberate change.
#include <cstdlib>
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
