// The background-spectrum control on the sample run: two background spectra
// placed with mouse clicks, one dragged to a new time, the background
// correction saved into the data file and read back; the control's picture
// and its one-plot report printed. Then the blank run is added by message,
// the background-correction tool is opened over the control and asked for
// an automatic correction, and the two plots are exchanged and put back.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "host/demo_pictures.h"
#include "host/overlay_demo_window.h"
#include "host/report_printing.h"
#include "host/sample_overlay.h"
#include "jessul32/background_subtraction.h"
#include "overlayctl/overlay_messages.h"
#include "specialctl/ref_spectra_control.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\RefSpectra";
constexpr char kPicture[] = "C:\\Workstation\\Plots\\refspectra-control.png";
constexpr char kPdf[] = "C:\\Workstation\\Plots\\refspectra-plot.pdf";
constexpr char kToolPicture[] = "C:\\Workstation\\Plots\\refspectra-tool.png";
constexpr char kToolDialogPicture[] = "C:\\Workstation\\Plots\\refspectra-tool-dialog.png";
constexpr char kExchangedPicture[] = "C:\\Workstation\\Plots\\refspectra-exchanged.png";

// Where a time lies on the plot's band.
POINT At(CCtlOPlot1* c, double time) {
  int x = 0;
  c->ClientXOfTime(time, &x);
  const int y = c->GetPlotArea().top + c->m_Sizes.plotHeights[0] * 3 / 4;
  return {x, y};
}

bool SavePicture(HWND window, const char* path) { return demo::SavePicture(window, path, false); }

// The blank run beside the sample, the tool over the blank's plot asked for
// an automatic correction, then the plots exchanged and put back.
bool ToolAndExchange(HWND window, HWND control, CCtlOPlot1* c, const sample_overlay::Files& f) {
  STRUCT_OPLOT_DISPLAY_FILE file{};
  file.useFirstFreeSlot = 1;
  std::snprintf(file.path, sizeof file.path, "%s", f.blank.c_str());
  if (SendMessageA(control, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&file)) != 2) return false;
  win::script::PumpUntilIdle();
  std::printf("  %s added by message in plot 2\n", f.blank.c_str());
  SendMessageA(control, WM_COMMAND, OP1_CMD_EDIT_REFSPTS0 + 1, 0);
  CBackgroundCorrectionDlg* tool = c->BackCorrDialog();
  if (!tool) return false;
  win::script::PressButton(tool->m_hWnd, BC_AVERAGE_1 + 1);
  win::script::PressButton(tool->m_hWnd, BC_AUTO);
  win::script::PumpUntilIdle();
  std::printf("  tool \"%s\": automatic correction gave %d background spectra for plot 2\n",
              win::script::Text(tool->m_hWnd).c_str(), c->RefSpts(1) ? c->RefSpts(1)->Count() : 0);
  bool ok = SavePicture(window, kToolPicture) && SavePicture(tool->m_hWnd, kToolDialogPicture);
  short order[OPLOT_SLOTS];
  for (int i = 0; i < OPLOT_SLOTS; ++i) order[i] = static_cast<short>(i);
  order[0] = 1;
  order[1] = 0;
  ok = ok && SendMessageA(control, OP1M_EXCHANGEPLOTS, 0, reinterpret_cast<LPARAM>(order)) == 0;
  win::script::PumpUntilIdle();
  ok = ok && c->RefSpts(0) && c->RefSpts(0)->Count() > 0 && tool == c->BackCorrDialog();
  if (ok)
    std::printf("  plots exchanged: the blank's spectra moved to plot 1, tool now \"%s\"\n",
                win::script::Text(tool->m_hWnd).c_str());
  ok = ok && SavePicture(window, kExchangedPicture);
  win::script::PressButton(tool->m_hWnd, IDCANCEL);
  SendMessageA(control, OP1M_EXCHANGEPLOTS, 0, reinterpret_cast<LPARAM>(order));
  SendMessageA(control, OP1M_RESTOREALLPLOTPOSITIONS, 0, 0);
  win::script::PumpUntilIdle();
  return ok && c->BackCorrDialog() == nullptr;
}

}  // namespace

int BackgroundSpectraDemo() {
  sample_overlay::Files f;
  CreateDirectoryA("C:\\Workstation\\Plots", nullptr);
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  HWND control = nullptr;
  HWND window =
      overlay_demo::MakeWindow("Background spectra", 1000, 560, &control, "KELT_OP1", 7, "KeltHostRefSpectraWindow");
  auto* c = control ? static_cast<CCtlOPlot1*>(static_cast<CCtlOPlot*>(GetPropA(control, "X"))) : nullptr;
  if (!c) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nBackground spectra picked on the sample run:\n");
  STRUCT_OPLOT_DISPLAY_FILE file{};
  std::snprintf(file.path, sizeof file.path, "%s", f.water.c_str());
  file.plotKind = 0;  // TIC
  bool ok = SendMessageA(control, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&file)) == 1;
  win::script::PumpUntilIdle();
  ok = ok && c->RefSpts(0) && c->m_bSizesValid;
  if (ok) {
    SendMessageA(control, OP1M_SHOWREFSPTS, 1, 0);
    SendMessageA(control, OP1M_SETREFSPTAVERAGE, 3, 0);
    SendMessageA(control, OP1M_SETSELECTREFMODE, 0, 0);
    const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
    const double span = wf->endTime - wf->startTime;
    // Two quiet stretches of the baseline, then the first moved a little later.
    for (double share : {0.12, 0.55}) {
      const POINT p = At(c, wf->startTime + share * span);
      win::script::Click(control, p.x, p.y);
    }
    win::script::PumpUntilIdle();
    ok = c->RefSpts(0)->Count() == 2;
    if (ok) {
      const POINT from = At(c, c->RefSpts(0)->Spectrum(0)->time);
      const POINT to = At(c, wf->startTime + 0.2 * span);
      win::script::Drag(control, from, to);
      win::script::PumpUntilIdle();
    }
    for (int i = 0; ok && i < c->RefSpts(0)->Count(); ++i)
      std::printf("  background spectrum %d at %.3f min, %u scans\n", i + 1, c->RefSpts(0)->Spectrum(i)->time,
                  unsigned{c->RefSpts(0)->Spectrum(i)->scanCount});
    // What the data file now holds.
    STRUCT_FILE_BC* stored = BuildBackCorrFromRefSpts(f.water.c_str());
    const int32_t ranges = stored ? CountBackCorrRanges(stored) : 0;
    FreeBackCorr(stored);
    std::printf("  read back from %s: %d background ranges\n", f.water.c_str(), ranges);
    ok = ok && ranges == 2;
  }
  if (ok && !win::script::SaveWindowPng(window, kPicture)) {
    std::fprintf(stderr, "kelt_host: cannot save %s\n", kPicture);
    ok = false;
  } else if (ok) {
    std::printf("  %s (%s)\n", kPicture, win::paths::ToHost(kPicture).c_str());
  }
  if (ok) {
    char reports[MAX_PATH] = {};
    ok = c->PrintOnePlotToReportsFile(0, reports, 1) == 1;
    STRUCT_REPORT_PREFS prefs{};
    KELT_GetCurrDefReportPrefs(&prefs);
    ok = ok && PrintReports(reports, 1, &prefs, kPdf, "one-plot report");
  }
  ok = ok && ToolAndExchange(window, control, c, f);
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  if (!ok) std::fprintf(stderr, "kelt_host: the background-spectrum demo failed\n");
  return ok ? 0 : 1;
}
