// The overlay plot control hands the sample run to the deconvolution and
// then to the analysis, as a host asks for them; the components and then
// the identified compounds come back as the plot's annotations.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fandor/amdis_runs.h"
#include "fixtures/msp_library.h"
#include "host/demo_pictures.h"
#include "host/overlay_demo_window.h"
#include "host/sample_overlay.h"
#include "overlayctl/overlay_messages.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/result_annotations.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";
constexpr char kLibrary[] = "C:\\Workstation\\Plots\\sample.msp";
constexpr char kDeconvolution[] = "C:\\Workstation\\Plots\\control-deconvolution.png";
constexpr char kAnalysis[] = "C:\\Workstation\\Plots\\control-analysis.png";

using sample_overlay::OverlayFree;

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path, false); }

int Count(const void* annotations) {
  return annotations ? static_cast<const STRUCT_ANNOTATIONS*>(annotations)->count : 0;
}

}  // namespace

int OverlayAmdisDemo() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_OVERLAID)) return 1;
  HWND control = nullptr;
  HWND window = overlay_demo::MakeWindow("Deconvolution", 1100, 650, &control);
  CCtlOPlot* c = overlay_demo::ControlOf(control);
  if (!c) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nDeconvolution and analysis through the overlay control:\n");
  c->m_prefs.amdisAnnotations.show = 1;
  c->m_prefs.amdisAnnotations.useELU = 1;
  SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o.get()));
  win::script::PumpUntilIdle();

  char record[AMDIS_ANALYSIS_RECORD_SIZE] = {};
  SendMessageA(control, OPM_DOAMDISDECONVOLUTION, 0, reinterpret_cast<LPARAM>(record));
  win::script::PumpUntilIdle();
  std::printf("  deconvolution of %s: %d components of %zu planted compounds\n", f.water.c_str(),
              Count(c->m_amdisAnnotations[0]), f.truth.run.compounds.size());
  bool ok = Count(c->m_amdisAnnotations[0]) > 0 && Save(window, kDeconvolution);

  // A library holding the run's compounds among others, as the workstation's first.
  msfix::MspLibraryPlan lp;
  lp.entries = 200;
  std::vector<msfix::MspEntryTruth> entries;
  ok = ok && msfix::WriteMspLibrary(kLibrary, lp, f.truth.run.compounds, &entries) &&
       WritePrivateProfileStringA("Libraries", "Library1", kLibrary, "fandor.ini");
  c->m_prefs.amdisAnnotations.useELU = 0;
  // The window says what it shows now: the compounds the analysis identified.
  SetWindowTextA(window, "Analysis");
  SendMessageA(control, OPM_DOAMDISANALYSIS, 0, reinterpret_cast<LPARAM>(record));
  win::script::PumpUntilIdle();
  std::printf("  analysis against %s: %d compounds identified\n", kLibrary, Count(c->m_amdisAnnotations[0]));
  ok = ok && Count(c->m_amdisAnnotations[0]) > 0 && Save(window, kAnalysis);
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}
