// The linearity report of the sample run: a linearity drag over one of its
// compounds ends in the report, whose parameters dialog the demo accepts as
// proposed; the page goes into a reports file of its own, which is printed
// to linearity.pdf.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "dialogs/linearity_params_dialog.h"
#include "host/sample_overlay.h"
#include "orvik32/orvik32_printing.h"
#include "overlayctl/overlay_plot_control.h"
#include "reportpages/msr_functions.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Reports";
constexpr char kReports[] = "C:\\Workstation\\Reports\\linearity.msr";
constexpr char kPdf[] = "C:\\Workstation\\Reports\\linearity.pdf";

// The default report preferences for as long as the demo needs its own.
class KeptReportPrefs {
 public:
  KeptReportPrefs() { KELT_GetCurrDefReportPrefs(&kept_); }
  ~KeptReportPrefs() { KELT_WriteDefReportPrefs(&kept_, nullptr); }
  KeptReportPrefs(const KeptReportPrefs&) = delete;
  KeptReportPrefs& operator=(const KeptReportPrefs&) = delete;

 private:
  STRUCT_REPORT_PREFS kept_{};
};

}  // namespace

bool LinearityDemo(HWND control, const sample_overlay::Files& f) {
  auto* c = static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName));
  const auto& compounds = f.truth.run.compounds;
  if (!c || !c->m_pOverlay || compounds.size() < 3) return false;
  SVW_OVERLAY* o = c->m_pOverlay;
  // The whole run on view, so that the control's drawing is current.
  OPLOT_UpdateOverlayPlots(o, o->tail.homeStart, o->tail.homeEnd);
  SendMessageA(control, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  if (!c->m_bSizesValid) return false;

  CreateDirectoryA(kFolder, nullptr);
  DeleteFileA(kReports);
  CRptsFileHandler* made = MSR_InitRptsFileHandler(nullptr, nullptr);
  const int created = MSR_MakeThisNewFile(made, kReports);
  MSR_FreeRptsFileHandler(made);
  if (!created) return false;
  // Every printer here writes PDF on Letter paper.
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:", GetWorkstationIniPath());
  KeptReportPrefs keep;
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  std::snprintf(prefs.spooler.spoolFile, sizeof prefs.spooler.spoolFile, "%s", kReports);
  prefs.spooler.previewReports = 0;  // the demo prints the page instead of showing it
  prefs.chroReport.flag0 = 1;
  if (!KELT_WriteDefReportPrefs(&prefs, nullptr)) return false;

  // A drag in the linearity mode over the third compound of the processed run.
  const auto& compound = compounds[2];
  const double half = 4 * compound.sigma + 2 * compound.tau;
  c->m_lineStart = compound.retentionTime - half;
  c->m_lineEnd = compound.retentionTime + half;
  c->m_lineSlot = 0;
  std::string vertical, horizontal, proposed;
  win::script::OnNextDialog([&](HWND d) {
    proposed = win::script::GetField(d, LIN_PROPOSED_TEXT_ID);
    vertical = win::script::GetField(d, LIN_VERTICAL_IONS_ID);
    horizontal = win::script::GetField(d, LIN_HORIZONTAL_IONS_ID);
    win::script::PressButton(d, IDOK);
  });
  c->MakeLinearityReport();
  win::script::PumpUntilIdle();
  std::printf("\nLinearity report of %s over %.3f - %.3f min (%s): vertical ions %s, horizontal ions %s\n",
              compound.name.c_str(), c->m_lineStart, c->m_lineEnd, proposed.c_str(), vertical.c_str(),
              horizontal.c_str());

  CRptsFileHandler* h = MSR_InitRptsFileHandler(kReports, nullptr);
  const int32_t count = h ? MSR_GetCountOfPages(h) : 0;
  MSR_FreeRptsFileHandler(h);
  if (count != 1) {
    std::fprintf(stderr, "kelt_host: the linearity report made %d pages\n", count);
    return false;
  }
  SetPrintJobOutput(kPdf);
  const int printed = MSR_PrintFile(nullptr, 0, 0, kReports, 0, 0, &prefs);
  SetPrintJobOutput(nullptr);
  if (!printed) return false;
  std::printf("  printed: %s (%s)\n", kPdf, win::paths::ToHost(kPdf).c_str());
  return true;
}
