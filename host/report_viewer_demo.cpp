// The report viewer as a user drives it, on the sample reports file: the
// next page, then zoomed in on its table, page 2
// exported as a picture and pages 2 to 3 printed on the viewer's worker
// thread under its print status window; the window saved before and after
// the zoom.
#include <cstdio>
#include <string>

#include "dialogs/entry_range_dialog.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/report_viewer.h"
#include "ulbrec32/page_pictures.h"
#include "host/demo_pictures.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kReports[] = "C:\\Workstation\\Reports\\sample.msr";
constexpr char kViewerPng[] = "C:\\Workstation\\Reports\\viewer.png";
constexpr char kZoomedPng[] = "C:\\Workstation\\Reports\\viewer-zoomed.png";
constexpr char kPagePng[] = "C:\\Workstation\\Reports\\page2-export.png";
constexpr char kPrintPdf[] = "C:\\Workstation\\Reports\\viewer-pages-2-3.pdf";

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path); }

}  // namespace

int ReportViewerDemo() {
  std::printf("\nReport viewer on %s\n", kReports);
  bool ok = true;
  win::script::OnNextDialog([&](HWND dlg) {
    auto* viewer = dynamic_cast<CViewReportsDlg*>(CWnd::FromHandlePermanent(dlg));
    if (!viewer) {
      ok = false;
      return;
    }
    MoveWindow(dlg, 0, 0, 900, 1160, TRUE);
    std::printf("  opened: \"%s\"\n", win::script::Text(dlg).c_str());
    win::script::PickMenuCommand(dlg, ID_VR_NEXT);
    std::printf("  next page: \"%s\"\n", win::script::Text(dlg).c_str());
    ok = Save(dlg, kViewerPng) && ok;
    // Zoomed to 160 % on the peak table (a double click would double it).
    HWND page = GetDlgItem(dlg, IDC_VIEW_PAGE);
    SendMessageA(page, ULBREC_VP_ZOOM, 160, MAKELPARAM(360, 210));
    ok = Save(dlg, kZoomedPng) && ok;
    // Page 2 exported as a picture file.
    DeleteFileA(kPagePng);
    win::script::OnNextDialog([](HWND save) {
      win::script::SetField(save, edt1, kPagePng);
      win::script::PressButton(save, IDOK);
    });
    win::script::PickMenuCommand(dlg, ID_VR_EXPORT_FILE);
    const bool exported = GetFileAttributesA(kPagePng) != INVALID_FILE_ATTRIBUTES;
    std::printf("  page 2 exported as a picture: %s (%s)\n", exported ? kPagePng : "NOT written",
                win::paths::ToHost(kPagePng).c_str());
    ok = exported && ok;
    // Pages 2 to 3 on the worker thread.
    DeleteFileA(kPrintPdf);
    SetPrintJobOutput(kPrintPdf);
    win::script::OnNextDialog([](HWND range) {
      win::script::SetField(range, IDC_ENTRY_RANGE_FROM, "2");
      win::script::SetField(range, IDC_ENTRY_RANGE_TO, "3");
      win::script::PressButton(range, IDC_ENTRY_RANGE_OK);
    });
    win::script::PickMenuCommand(dlg, ID_VR_PRINT_ALL);
    const HWND status = viewer->m_pJob ? viewer->m_pJob->statusWindow : nullptr;
    std::printf("  printing on the worker: status window \"%s\"\n",
                status ? win::script::Text(status).c_str() : "(none)");
    for (int i = 0; i < 5000 && viewer->Printing(); ++i) {
      win::script::PumpUntilWorkersDone();
      win::script::AdvanceClock(4);
    }
    SetPrintJobOutput(nullptr);
    std::printf("  printed pages 2 to 3: %s, %s (%s)\n", viewer->m_LastPrintResult == 1 ? "done" : "FAILED",
                kPrintPdf, win::paths::ToHost(kPrintPdf).c_str());
    ok = viewer->m_LastPrintResult == 1 && !viewer->Printing() && ok;
    win::script::PickMenuCommand(dlg, ID_VR_EXIT);
  });
  if (!Dlg_ViewReportsAlways(kReports, 0, nullptr, 0) || !ok) {
    std::fprintf(stderr, "kelt_host: the report viewer demo failed\n");
    return 1;
  }
  return 0;
}
