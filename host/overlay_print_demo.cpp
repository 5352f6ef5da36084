// The overlay plot control's own print-all and text export, as a user
// would call them: "Print All Plots" stores a page of every plot in a
// reports file, which the host then prints to a PDF; the active plot's
// points go to a text file through the save dialog.
#include <cstdio>
#include <cstring>

#include "common/preference_records.h"
#include "orvik32/orvik32_printing.h"
#include "overlayctl/overlay_plot_control.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {
constexpr char kReportsFolder[] = "C:\\Workstation\\Reports";
constexpr char kReports[] = "C:\\Workstation\\Reports\\control-plots.msr";
constexpr char kPdf[] = "C:\\Workstation\\Reports\\control-print-all.pdf";
constexpr char kText[] = "C:\\Workstation\\Plots\\control-plot.txt";
}  // namespace

bool PrintAllDemo(HWND control) {
  CreateDirectoryA(kReportsFolder, nullptr);
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    if (file.MakeThisNewFile(kReports) != 1) {
      std::fprintf(stderr, "kelt_host: cannot start %s\n", kReports);
      return false;
    }
  }
  // The reports file as the spooler file, with the list of plots and no viewer;
  // the preferences are put back afterwards.
  STRUCT_REPORT_PREFS saved{};
  KELT_GetCurrDefReportPrefs(&saved);
  STRUCT_REPORT_PREFS prefs = saved;
  std::snprintf(prefs.spooler.spoolFile, sizeof prefs.spooler.spoolFile, "%s", kReports);
  prefs.spooler.previewReports = 0;
  prefs.chroReport.flag2 = 1;
  KELT_WriteDefReportPrefs(&prefs, nullptr);
  SendMessageA(control, WM_COMMAND, 2800, 0);
  win::script::PumpUntilIdle();
  KELT_WriteDefReportPrefs(&saved, nullptr);

  bool ok = true;
  CRptsFileHandler file(nullptr);
  const int count = file.UseThisExistingFile(kReports) == 1 ? file.GetCountOfPages() : 0;
  RptsPageRecord record{};
  uint32_t size = 0;
  void* bits = count == 1 ? file.GetPage(0, &record, &size) : nullptr;
  if (bits) {
    std::printf("\nPrint all plots: \"%s\" in %s (%s), %u bytes\n", record.title, kReports,
                win::paths::ToHost(kReports).c_str(), size);
    FreeBlock(bits);
  } else {
    std::fprintf(stderr, "kelt_host: print-all stored no page in %s\n", kReports);
    ok = false;
  }
  file.Close();
  if (ok) {
    SetPrintJobOutput(kPdf);
    const int printed = MSR_PrintFile(nullptr, 0, 0, kReports, 0, 0, &prefs);
    SetPrintJobOutput(nullptr);
    if (printed) {
      std::printf("  printed: %s (%s)\n", kPdf, win::paths::ToHost(kPdf).c_str());
    } else {
      std::fprintf(stderr, "kelt_host: cannot print %s\n", kReports);
      ok = false;
    }
  }

  // The active plot's points, answered in the save dialog as a user would.
  auto* c = static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName));
  const short slot = c ? c->GetActivePlotIndex() : -1;
  DeleteFileA(kText);
  if (slot >= 0) {
    win::script::OnNextDialog([](HWND dlg) {
      win::script::SetField(dlg, edt1, kText);
      win::script::PressButton(dlg, IDOK);
    });
    SendMessageA(control, WM_COMMAND, static_cast<WPARAM>(3000 + slot), 0);
    win::script::PumpUntilIdle();
  }
  const DWORD attributes = GetFileAttributesA(kText);
  if (slot >= 0 && attributes != INVALID_FILE_ATTRIBUTES) {
    std::printf("  plot %d as text: %s (%s)\n", slot + 1, kText, win::paths::ToHost(kText).c_str());
  } else {
    std::fprintf(stderr, "kelt_host: the active plot was not exported to %s\n", kText);
    ok = false;
  }
  return ok;
}
