// The spectrum control's report: spectrum A with its centroid spectrum,
// zoomed to its base peak's neighbourhood, reported through the control's
// print command into a reports file of its own, which is then printed to
// PDF.
#include <cstdio>
#include <cstring>

#include "common/preference_records.h"
#include "orvik32/orvik32_printing.h"
#include "host/report_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

constexpr char kReports[] = "C:\\Workstation\\Reports\\spectrum.msr";
constexpr char kPdf[] = "C:\\Workstation\\Plots\\spectrum-report.pdf";

}  // namespace

// The control shows a profile spectrum A with its centroid spectrum.
bool WriteSpectrumReport(HWND control) {
  auto* c = static_cast<CCtlSpt*>(CWnd::FromHandlePermanent(control));
  if (!c || !c->m_display[0]) return false;
  CreateDirectoryA("C:\\Workstation\\Reports", nullptr);
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    if (file.MakeThisNewFile(kReports) != 1) {
      std::fprintf(stderr, "kelt_host: cannot start %s\n", kReports);
      return false;
    }
  }
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                             GetWorkstationIniPath());
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  const STRUCT_REPORT_PREFS kept = prefs;
  std::snprintf(prefs.spooler.spoolFile, sizeof prefs.spooler.spoolFile, "%s", kReports);
  prefs.spooler.previewReports = 0;
  prefs.sptsReport.flags[0] = 1;  // spectrum reports with their ion tables
  prefs.sptsPlots.showStructures = 0;
  KELT_WriteDefReportPrefs(&prefs, nullptr);
  // The ion tables list what the control shows: 8 m/z about the base peak.
  double top = 0;
  const double base = PlusSpt_GetBasePeak(c->m_centroid[0] ? c->m_centroid[0] : c->m_display[0], &top);
  double range[2] = {base - 4, base + 4};
  SendMessageA(control, SPTM_FIXMASSRANGE, 0, reinterpret_cast<LPARAM>(range));
  win::script::PumpUntilIdle();
  SendMessageA(control, SPTM_PRINTSPECTRUM, 0, 0);
  KELT_WriteDefReportPrefs(&kept, nullptr);

  CRptsFileHandler* h = MSR_InitRptsFileHandler(kReports, nullptr);
  const int32_t count = h ? h->GetCountOfPages() : 0;
  MSR_FreeRptsFileHandler(h);
  if (count <= 0) {
    std::fprintf(stderr, "kelt_host: the spectrum report stored no page\n");
    return false;
  }
  std::printf("  spectrum report: %d page(s) in %s (%s)\n", int(count), kReports, win::paths::ToHost(kReports).c_str());
  if (!PrintReports(kReports, count, &prefs, kPdf)) return false;
  return true;
}
