// The overlay plot control with two features a host switches on: the ions
// box under the plots, where a typed ion list becomes a new trace's plot
// descriptor for the host, and the Process and Cancel buttons of the
// time-event waiting mode beside the plots.
#include <cstdio>
#include <memory>
#include <string>

#include "common/plot_descriptors.h"
#include "host/overlay_demo_window.h"
#include "host/sample_overlay.h"
#include "overlayctl/overlay_plot_control.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";
constexpr char kPicture[] = "C:\\Workstation\\Plots\\control-host-features.png";

using sample_overlay::OverlayFree;

}  // namespace

int OverlayHostFeaturesDemo() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED)) return 1;
  HWND control = nullptr;
  HWND window = overlay_demo::MakeWindow("Host features", 1000, 600, &control);
  CCtlOPlot* c = overlay_demo::ControlOf(control);
  if (!c) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nHost features of the overlay control:\n");
  SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o.get()));
  SendMessageA(control, OPM_TURNONEDITIONSFEATURE, 1, 0);
  win::script::PumpUntilIdle();

  // Two compounds' base ions typed into the box for the water run's TIC.
  const auto& compounds = f.truth.run.compounds;
  char ions[64];
  std::snprintf(ions, sizeof ions, "%.0f+%.0f", compounds[0].baseMass, compounds[4].baseMass);
  c->m_activePlot = 0;
  HWND box = GetDlgItem(control, OPLOT_ID_EDIT_IONS);
  SetWindowTextA(box, ions);
  SetFocus(box);
  win::script::PressKey(VK_RETURN);
  win::script::PumpUntilIdle();
  STRUCT_OPLOT_NEW_PD made{};
  bool ok = SendMessageA(control, OPM_GETNEWPD, 0, reinterpret_cast<LPARAM>(&made)) == 1 && made.pd;
  if (ok) {
    std::printf("  typed ions \"%s\": new trace \"%s\" of %s\n", ions, made.pd->name, made.dataFile);
    FreeBlock(made.pd);
  }
  SetWindowTextA(box, ions);

  // The time-event waiting mode, as the derived control that edits events starts it.
  c->m_teFeatureOn = 1;
  c->TE_StartWaitingMode();
  win::script::PumpUntilIdle();
  ok = ok && GetDlgItem(control, OPLOT_ID_TE_PROCESS) && GetDlgItem(control, OPLOT_ID_TE_CANCEL);
  if (!win::script::SaveWindowPng(window, kPicture)) {
    std::fprintf(stderr, "kelt_host: cannot save %s\n", kPicture);
    ok = false;
  } else {
    std::printf("  %s (%s)\n", kPicture, win::paths::ToHost(kPicture).c_str());
  }
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}
