// Quick integration over the overlay control: the integration window opens
// for the processed run's TIC, integrates it with area labels, then a second
// window integrates every plot of the detector; the screen is saved with
// the peak list beside the labelled plots, the results are exported as a
// text file and the integration summary is printed.
#include <cstdio>
#include <memory>
#include <string>

#include "common/preference_records.h"
#include "dialogs/integration_dialogs.h"
#include "host/report_printing.h"
#include "host/sample_overlay.h"
#include "overlayctl/overlay_messages.h"
#include "overlayctl/overlay_plot_control.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Integration";
constexpr char kPicture[] = "C:\\Workstation\\Integration\\quick-integration.png";
constexpr char kText[] = "C:\\Workstation\\Integration\\quick-integration.txt";
constexpr char kPdf[] = "C:\\Workstation\\Integration\\quick-integration.pdf";
constexpr char kSpectra[] = "C:\\Workstation\\Integration\\quick-integration.msp";

using sample_overlay::OverlayFree;

// The integration window of one plot (or 20: all) as the control keeps it.
CQuickIntegrationDlg* OpenWindow(CCtlOPlot* c, short plot, uint16_t moduleId) {
  auto* d = new CQuickIntegrationDlg(c, plot, c, moduleId, c->m_pOverlay, 0, c->m_filtering, &c->m_prefs.noise,
                                     OPM_CLOSEQUICKINTEGRATIONDIALOG, 0);
  if (!d->CreateWindowed()) {
    delete d;
    return nullptr;
  }
  c->m_pQuickInt[plot] = d;
  return d;
}

void Describe(const CQuickIntegrationDlg& d, const SVW_OVERLAY* o) {
  int row = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!d.m_chosen[i]) continue;
    std::printf("  plot %d (%s): %d peaks\n", i + 1, o->slots[i].workFile ? o->slots[i].workFile->displayName : "",
                d.m_peakCount[i]);
    for (int k = 0; k < d.m_peakCount[i] && k < 3; ++k)
      std::printf("    %s %s min  area %s  S/N %s  %s\n", d.CellText(row + 1 + k, 0).c_str(),
                  d.CellText(row + 1 + k, 1).c_str(), d.CellText(row + 1 + k, 2).c_str(),
                  d.CellText(row + 1 + k, 4).c_str(), d.CellText(row + 1 + k, 5).c_str());
    row += 1 + d.m_peakCount[i];
  }
}

}  // namespace

int QuickIntegrationDemo() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED)) return 1;

  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
  wc.lpszClassName = "KeltHostIntegrationWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "Quick integration", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                1400, 780, nullptr, nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(window, &client);
  HWND control = CreateWindowExA(0, "KELT_OP", "", WS_CHILD | WS_VISIBLE, 0, 0, 800, client.bottom, window,
                                 reinterpret_cast<HMENU>(intptr_t{7}), nullptr, nullptr);
  auto* c = control ? static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName)) : nullptr;
  if (!c) {
    DestroyWindow(window);
    return 1;
  }
  SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o.get()));
  win::script::PumpUntilIdle();
  std::printf("\nQuick integration of %s:\n", f.water.c_str());

  bool ok = true;
  const uint16_t moduleId = o->slots[0].workFile->fileType;
  // The active plot, its area labels named.
  CQuickIntegrationDlg* one = OpenWindow(c, 0, moduleId);
  if (!one) ok = false;
  if (one) {
    win::script::PumpUntilIdle();
    one->TogglePanel();
    win::script::PressButton(one->m_hWnd, QI_SHOW_LABELS);
    win::script::PressButton(one->m_hWnd, QI_INTEGRATE);
    win::script::PumpUntilIdle();
    std::printf(" the active plot:\n");
    Describe(*one, o.get());
    ok = ok && one->m_totalPeaks > 0;
    one->DestroyWindow();
  }
  // Every plot of the detector, in a window beside the plots.
  CQuickIntegrationDlg* all = OpenWindow(c, QUICK_INTEGRATION_ALL_PLOTS, moduleId);
  if (!all) ok = false;
  if (all) {
    win::script::PumpUntilIdle();
    RECT w{};
    GetWindowRect(window, &w);
    RECT d{};
    GetWindowRect(all->m_hWnd, &d);
    SetWindowPos(all->m_hWnd, nullptr, w.left + 810, w.top + 40, w.right - w.left - 820, d.bottom - d.top + 80,
                 SWP_NOZORDER);
    win::script::PumpUntilIdle();
    std::printf(" all plots (%s):\n", win::script::Text(all->m_hWnd).c_str());
    Describe(*all, o.get());
    ok = ok && all->m_totalPeaks > 0;
    InvalidateRect(window, nullptr, TRUE);
    win::script::PumpUntilIdle();
    if (!win::script::SaveScreenPng(window, kPicture)) {
      std::fprintf(stderr, "kelt_host: cannot save %s\n", kPicture);
      ok = false;
    } else {
      std::printf("  %s (%s)\n", kPicture, win::paths::ToHost(kPicture).c_str());
    }
    DeleteFileA(kText);
    const int written = all->WriteTextFile(kText, "txt", true);
    if (written <= 0) {
      std::fprintf(stderr, "kelt_host: cannot write %s\n", kText);
      ok = false;
    } else {
      std::printf("  %d plots exported: %s (%s)\n", written, kText, win::paths::ToHost(kText).c_str());
    }
    // One background-corrected spectrum a peak, as a spectrum list.
    DeleteFileA(kSpectra);
    const int spectra = all->WriteSpectrumList(kSpectra, true);
    if (spectra <= 0) {
      std::fprintf(stderr, "kelt_host: cannot write %s\n", kSpectra);
      ok = false;
    } else {
      std::printf("  %d peak spectra: %s (%s)\n", spectra, kSpectra, win::paths::ToHost(kSpectra).c_str());
    }
    std::string reports;
    const int pages = all->MakeSummaryReport(&reports, true);
    STRUCT_REPORT_PREFS prefs{};
    KELT_GetCurrDefReportPrefs(&prefs);
    if (pages <= 0 || !PrintReports(reports.c_str(), pages, &prefs, kPdf, "summary printed")) ok = false;
    if (!reports.empty()) DeleteFileA(reports.c_str());
    all->DestroyWindow();
  }
  win::script::PumpUntilIdle();
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}
