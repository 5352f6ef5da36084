// The library's dialogs as a user meets them: the data-file open dialog on
// the sample folder, moving through its runs (the summary and the preview
// chromatogram follow) and opening one (open-dialog.png); the ion-formula
// dialog with a typo that the status line explains, then a good formula
// (ion-formula-typo.png, ion-formula-dialog.png); and an ion formula built
// by clicking two ions of a spectrum (click-select-ions.png beside
// click-select-spectrum.png).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/click_select_ions_dialog.h"
#include "dialogs/data_file_open_dialog.h"
#include "dialogs/ion_formula_dialog.h"
#include "host/demo_pictures.h"
#include "host/spectra_samples.h"
#include "spectra/spectrum_managers.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

namespace ws = win::script;

constexpr const char* kSamples = "C:\\Workstation\\Samples";

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path); }

HWND HookOf(HWND common) {
  HWND group = ws::FindById(common, IDC_SDF_INFO_GROUP);
  return group ? GetParent(group) : nullptr;
}

bool OpenDialogDemo() {
  std::printf("\nData-file open dialog on %s:\n", kSamples);
  char path[260] = "";
  bool pictured = false;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = HookOf(d);
    if (!hook) return;
    const std::vector<std::string> files = ws::ListItems(d, lst2);
    int shown = -1;
    for (size_t i = 0; i < files.size(); ++i) {
      ws::PickItem(d, lst2, static_cast<int>(i));
      ws::PumpUntilIdle();
      const std::string sample = ws::GetField(hook, IDC_SDF_SAMPLE);
      std::printf("  %-10s %-22s %-20s %s  max RIC %s\n", files[i].c_str(), ws::GetField(hook, IDC_SDF_DATA_TYPE).c_str(),
                  ws::GetField(hook, IDC_SDF_RUN_TIME).c_str(), ws::GetField(hook, IDC_SDF_SCAN_RANGE).c_str(),
                  ws::GetField(hook, IDC_SDF_MAX_RIC).c_str());
      if (IsWindowEnabled(GetDlgItem(hook, IDC_SDF_OPEN)) && files[i] == "run1.kms") shown = static_cast<int>(i);
    }
    if (shown >= 0) {
      ws::PickItem(d, lst2, shown);
      ws::PumpUntilIdle();
    }
    pictured = Save(d, "C:\\Workstation\\Plots\\open-dialog.png");
    ws::PressButton(hook, IDC_SDF_OPEN);
    ws::PumpUntilIdle();
  });
  const int16_t accepted = Dlg_SelectDataFile(nullptr, path, kSamples, 0, 0, 0, 0);
  std::printf("  accepted: %d, %s\n", accepted, accepted ? path : "(nothing)");
  return pictured && accepted;
}

bool IonFormulaDemo() {
  std::printf("\nIon-formula dialog:\n");
  STRUCT_MASS_LIST list{};
  list.kind = MASS_LIST_RANGES;
  list.count = 1;
  list.ranges[0].low = list.ranges[0].high = 91;
  list.window = 0.5;
  bool pictured = false;
  ws::OnNextDialog([&](HWND d) {
    ws::SetCheck(d, IDC_ION_SHOW_FORMAT, true);
    ws::SetField(d, IDC_ION_FORMULA, "40:60+9l");  // a letter l for the digit 1
    std::printf("  typed 40:60+9l   %s  (OK %s)\n", ws::GetField(d, IDC_ION_STATUS).c_str(),
                IsWindowEnabled(GetDlgItem(d, IDOK)) ? "enabled" : "disabled");
    pictured = Save(d, "C:\\Workstation\\Plots\\ion-formula-typo.png");
    ws::SetField(d, IDC_ION_FORMULA, "40:60+91");
    std::printf("  typed 40:60+91   %s  %s  (OK %s)\n", ws::GetField(d, IDC_ION_STATUS).c_str(),
                ws::GetField(d, IDC_ION_CANONICAL).c_str(), IsWindowEnabled(GetDlgItem(d, IDOK)) ? "enabled" : "disabled");
    pictured = Save(d, "C:\\Workstation\\Plots\\ion-formula-dialog.png") && pictured;
    ws::PressButton(d, IDOK);
  });
  const int32_t ok = Dlg_EditIonFormula(&list, 1, 10.0, 2000.0);
  std::printf("  returned %d with %d ranges\n", ok, list.count);
  return pictured && ok == 1;
}

LRESULT CALLBACK SpectraHostProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND) return 0;
  return DefWindowProcA(h, msg, w, l);
}

bool ClickSelectDemo() {
  std::printf("\nClick-select-ions window beside a spectrum of run1.kms:\n");
  const std::string run = std::string(kSamples) + "\\run1.kms";
  // The spectrum at the tallest apex of the run's middle.
  sample_spectra::Owned best;
  double bestHeight = 0;
  for (double t = 3.0; t <= 11.0; t += 0.25) {
    sample_spectra::Owned s = sample_spectra::SpectrumAt(run, t, "run1.kms");
    double height = 0;
    if (!s.get()) continue;
    PlusSpt_GetBasePeak(s.get(), &height);
    if (height > bestHeight) {
      bestHeight = height;
      best = std::move(s);
    }
  }
  if (!best.get()) return false;
  WNDCLASSA wc{};
  wc.lpfnWndProc = SpectraHostProc;
  wc.lpszClassName = "KeltHostClickSelectWindow";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, wc.lpszClassName, "Spectrum", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 420,
                              nullptr, nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(host, &client);
  CCtlSpt* control = CreateSpectraControl(CWnd::FromHandle(host), 9, 0, 0, static_cast<short>(client.right),
                                          static_cast<short>(client.bottom), 0, 0, 0);
  if (!control) {
    DestroyWindow(host);
    return false;
  }
  HWND w = control->m_hWnd;
  // A data-review control: its clicks pick ions.
  auto* manager = new CDataReviewManager(nullptr, nullptr, 0);
  SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(manager));
  STRUCT_CCSPT_SPT_PLUS_DATA pair{};
  pair.presentA = 1;
  pair.sptA = best.get();
  SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&pair));
  ws::PumpUntilIdle();
  // The window sits beside the control and takes its picks.
  auto* dlg = new CClickSelectIonsDlg(control, manager, 0);
  control->m_pSelChroPlotDlg = dlg;
  control->m_singleClickMode = SPT_CLICK_SELECT_MASS;
  SetWindowPos(dlg->m_hWnd, nullptr, 810, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  // The two tallest ions, clicked where the control draws them.
  std::vector<std::pair<double, double>> ions;
  for (int i = 0; i < PlusSpt_GetPairCount(best.get()); ++i) {
    double m = 0, v = 0;
    SptPairAt(best.get(), static_cast<uint32_t>(i), &m, &v);
    ions.push_back({v, m});
  }
  std::sort(ions.rbegin(), ions.rend());
  double range[2] = {};
  SendMessageA(w, SPTM_GETMASSRANGE, 0, reinterpret_cast<LPARAM>(range));
  const int x0 = control->m_plotLeft + 4 + control->m_vertScaleWidth;
  const double perPixel = (range[1] - range[0]) / std::max<int>(1, control->m_drawnPlotWidth);
  const int y = control->m_plotTop + 4 + control->m_paneHeight[0] / 2;
  int clicked = 0;
  for (size_t i = 0; i < ions.size() && clicked < 2; ++i) {
    const double mass = ions[i].second;
    if (clicked == 1 && std::abs(mass - ions[0].second) < 3) continue;  // another ion, not a neighbour
    ws::Click(w, x0 + static_cast<int>((mass - range[0]) / perPixel), y);
    ws::PumpUntilIdle();
    std::printf("  clicked m/z %.1f: formula %s\n", mass, ws::GetField(dlg->m_hWnd, IDC_CSI_FORMULA).c_str());
    ++clicked;
  }
  const bool ok = dlg->HasIons() && dlg->MassList().count == 2;
  const bool pictured = Save(dlg->m_hWnd, "C:\\Workstation\\Plots\\click-select-ions.png") &&
                        Save(w, "C:\\Workstation\\Plots\\click-select-spectrum.png");
  std::printf("  ions: %s, file: %s, %s %s\n", ws::GetField(dlg->m_hWnd, IDC_CSI_IONS).c_str(),
              ws::GetField(dlg->m_hWnd, IDC_CSI_FILE).c_str(), ws::GetField(dlg->m_hWnd, IDC_CSI_SCANS_LABEL).c_str(),
              ws::GetField(dlg->m_hWnd, IDC_CSI_SCANS).c_str());
  ws::PressButton(dlg->m_hWnd, IDCANCEL);  // tells the control, which forgets it
  ws::PumpUntilIdle();
  DestroyWindow(host);
  delete manager;
  return ok && pictured;
}

}  // namespace

int DialogsDemo() {
  const bool open = OpenDialogDemo();
  const bool ions = IonFormulaDemo();
  const bool click = ClickSelectDemo();
  if (!open || !ions || !click) {
    std::fprintf(stderr, "kelt_host: the dialogs demo failed (%s%s%s)\n", open ? "" : "open dialog ",
                 ions ? "" : "ion formula ", click ? "" : "click-select");
    return 1;
  }
  return 0;
}
