// The overlay plot control measuring and following data: the segment bar
// under the segmented sample run, a signal-to-noise label for one peak from
// a scripted zoom and right-click, one plot maximised; then a run that a
// writer thread grows scan by scan, followed by the control's timer.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "fixtures/msfixtures.h"
#include "host/demo_pictures.h"
#include "host/overlay_demo_window.h"
#include "host/sample_overlay.h"
#include "overlayctl/overlay_noise_labels.h"
#include "overlayctl/overlay_plot_control.h"
#include "overlayctl/segment_info_window.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";

using sample_overlay::OverlayFree;

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path); }

using overlay_demo::ControlOf;
using overlay_demo::MakeWindow;

// The host answers a zoom by reading the asked range into its overlay.
void ShowRange(HWND control, SVW_OVERLAY* o, double start, double end) {
  OPLOT_UpdateOverlayPlots(o, start, end);
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  s.commonLow = s.commonHigh = s.rightLow = s.rightHigh = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) s.plotLow[i] = s.plotHigh[i] = 0;
  SendMessageA(control, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
}

}  // namespace

// Segment bar, signal-to-noise and a maximised plot on the sample overlay.
int OverlayNoiseDemo() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED)) return 1;
  HWND control = nullptr;
  HWND window = MakeWindow("Signal to noise", 1000, 600, &control);
  CCtlOPlot* c = control ? ControlOf(control) : nullptr;
  if (!c) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nSignal to noise, segment bar and a maximised plot:\n");
  SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o.get()));
  win::script::PumpUntilIdle();
  const auto* bar = dynamic_cast<const CCtlSegInfo*>(c->m_pSegments);
  std::printf("  segment bar: %d segments of %s\n", bar ? bar->segCount : 0,
              bar && bar->workFile ? bar->workFile->displayName : "no file");

  // A zoom around one compound, then a right-click on a peak's apex and
  // the context menu's "Calculate S/N (Plot 4)".
  const auto& compound = f.truth.run.compounds[2];
  ShowRange(control, o.get(), compound.retentionTime - 0.6, compound.retentionTime + 0.6);
  win::script::PumpUntilIdle();
  // The field blank's peak in this window (a plot without result
  // annotations), with room above it for its label.
  const int16_t slot = 3;
  const STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
  double apex = compound.retentionTime, highest = -1;
  for (uint32_t k = 0; dp && dp->points && k < dp->pointCount; ++k) {
    const double t = NePointAt(dp->points, k)->time, v = NePointValue(dp->points, k);
    if (t >= o->tail.viewStart && t <= o->tail.viewEnd && v > highest) {
      highest = v;
      apex = t;
    }
  }
  OVERLAY_SCALE_BLOCK& scales = o->tail.scales;
  scales.plotHigh[slot] = scales.plotLow[slot] + 3.0 * (scales.plotHigh[slot] - scales.plotLow[slot]);
  c->m_rightClickTime = apex;
  c->m_prefs.noise.flag0 = 1;  // RMS noise
  SendMessageA(control, WM_COMMAND, OPLOT_CMD_SIGNAL_TO_NOISE0 + slot, 0);
  bool ok = false;
  for (short i = 0; i < c->m_pLabels->Capacity(); ++i)
    if (const CLabelInfo* l = c->m_pLabels->Label(i); l && l->m_areaGroup == OPLOT_LABEL_KIND_NOISE && l->m_text) {
      std::string text = l->m_text->text;
      for (char& ch : text)
        if (ch == '\r' || ch == '\n') ch = ' ';
      std::printf("  %s at %.3f min\n", text.c_str(), l->m_labelX);
      ok = true;
    }
  ok = Save(window, "C:\\Workstation\\Plots\\control-noise.png") && ok;

  // The segment plot alone, then everything back.
  c->MaximizePlot(2);
  ok = Save(window, "C:\\Workstation\\Plots\\control-maximised.png") && ok;
  c->RestorePlot(0);
  win::script::PumpUntilIdle();
  std::printf("  restored: %d plots shown\n", o->head.shownCount);
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}

// A run acquired while the control follows it.
int OverlayLiveDemo() {
  msfix::RunPlan plan;
  plan.seed = 23;
  plan.scans = 480;
  plan.compounds = 9;
  plan.segments = {{1.0, 1, "Solvent delay"}, {1.5, 2, "Volatiles"}, {1.0, 1, "Late eluters"}};
  plan.live = true;
  // The acquisition stand-in writes where scratch files go: its many
  // rewrites are no one's stored data and need not wait for the disk.
  const std::string path = win::paths::TempFolder() + "acquiring.kms";
  std::filesystem::remove(win::paths::ToHost(path));
  if (!msfix::WriteMsDataFileSoFar(path, plan, 40, nullptr)) return 1;
  HWND control = nullptr;
  HWND window = MakeWindow("Acquiring", 1000, 600, &control);
  CCtlOPlot* c = control ? ControlOf(control) : nullptr;
  if (!c) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nFollowing a run while it is acquired:\n");
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.useFirstFreeSlot = 1;
  r.acquiring = 1;
  r.expectedEndTime = plan.endTime;
  std::snprintf(r.path, sizeof r.path, "%s", path.c_str());
  r.plotKind = DATA_TYPE_TIC;
  if (SendMessageA(control, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)) != 1) {
    DestroyWindow(window);
    return 1;
  }
  bool ok = Save(window, "C:\\Workstation\\Plots\\control-live-0.png");
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (uint32_t n = 48; n <= plan.scans; n += 8) {
      msfix::WriteMsDataFileSoFar(path, plan, n, nullptr);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    done = true;
  });
  int ticks = 0;
  while (!done) {
    win::script::AdvanceClock(4000);  // one tick of the control's timer
    ++ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  writer.join();
  for (int i = 0; i < 3; ++i) win::script::AdvanceClock(4000);
  const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
  const STRUCT_NE_DATA_POINTS* dp = c->m_pOverlay->slots[0].trace;
  std::printf("  %d ticks: %u points to %.2f min, %u segments, %s\n", ticks, dp ? dp->pointCount : 0u,
              dp && dp->pointCount ? NePointAt(dp->points, dp->pointCount - 1)->time : 0.0,
              wf ? wf->msInfo.segmentCount : 0u, wf && wf->live ? "still followed" : "finished");
  ok = Save(window, "C:\\Workstation\\Plots\\control-live-1.png") && ok && wf && !wf->live;
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}
