// The preference sheets as a user meets them: the chromatogram sheet opened
// from the overlay control's toolbar command, a new trace colour and label
// font previewed in the control, saved as the defaults and still there
// after the library is loaded again; then the first page of each sheet.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/library_state.h"
#include "common/preference_records.h"
#include "host/demo_pictures.h"
#include "host/overlay_demo_window.h"
#include "host/sample_overlay.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "prefsheets/preference_sheets.h"
#include "win/win_commdlg.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";

bool SavePicture(HWND window, const std::string& name) {
  const std::string path = std::string(kFolder) + "\\" + name;
  return demo::SavePicture(window, path.c_str());
}

// A sheet opened only to draw the page it opens on.
template <class Open>
bool FirstPage(const char* name, Open open) {
  bool ok = false;
  win::script::OnNextDialog([&](HWND sheet) {
    ok = SavePicture(sheet, name);
    win::script::PressButton(sheet, IDCANCEL);
  });
  open();
  return ok;
}

std::string Face(const LOGFONTA& f) { return std::string(f.lfFaceName, strnlen(f.lfFaceName, LF_FACESIZE)); }

}  // namespace

int PreferenceSheetsDemo() {
  std::printf("\nPreference sheets:\n");
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  std::unique_ptr<SVW_OVERLAY, sample_overlay::OverlayFree> o(
      static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED)) return 1;
  HWND control = nullptr;
  HWND window = overlay_demo::MakeWindow("Chromatogram preferences", 1000, 600, &control);
  if (!control) {
    DestroyWindow(window);
    return 1;
  }
  SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o.get()));
  win::script::PumpUntilIdle();

  // The sheet from the control: plot 1 in magenta, the plot font Times New
  // Roman and the label font Courier New, both bold, previewed at once;
  // saved as the defaults, then OK.
  const COLORREF magenta = RGB(255, 0, 255);
  bool ok = true;
  std::string tabs;
  win::script::OnNextDialog([&](HWND sheet) {
    for (const auto& t : win::script::SheetTabs(sheet)) tabs += (tabs.empty() ? "" : ", ") + t;
    win::script::PickSheetPageText(sheet, "Colors");
    HWND colours = win::script::SheetPage(sheet);
    win::script::OnNextDialog([](HWND chooser) {
      win::script::PressButton(chooser, COLOR_BOX1 + 15);  // magenta
      win::script::PressButton(chooser, IDOK);
    });
    win::script::PressButton(colours, PREFS_SWATCH + 2);
    win::script::PickSheetPageText(sheet, "Labels");
    HWND labels = win::script::SheetPage(sheet);
    win::script::PressButton(labels, PREFS_RADIO + 1);  // use the special font
    win::script::OnNextDialog([](HWND chooser) {
      win::script::SetField(chooser, cmb1, "Courier New");
      win::script::PickItemText(chooser, cmb2, "Bold");
      win::script::SetField(chooser, cmb3, "10");
      win::script::PressButton(chooser, IDOK);
    });
    win::script::PressButton(labels, PREFS_FONT);
    win::script::PickSheetPageText(sheet, "Font");
    win::script::OnNextDialog([](HWND chooser) {
      win::script::SetField(chooser, cmb1, "Times New Roman");
      win::script::PickItemText(chooser, cmb2, "Bold");
      win::script::SetField(chooser, cmb3, "10");
      win::script::PressButton(chooser, IDOK);
    });
    win::script::PressButton(win::script::SheetPage(sheet), PREFS_FONT);
    ok = SavePicture(window, "prefs-applied.png") && ok;
    win::script::PickSheetPageText(sheet, "Labels");
    ok = SavePicture(sheet, "prefs-labels-page.png") && ok;
    win::script::PressButton(sheet, PREFS_ID_SAVE_ALL);
    win::script::PressButton(sheet, IDOK);
  });
  SendMessageA(control, WM_COMMAND, 2707, 0);
  std::printf("  chromatogram sheet from the control, pages: %s\n", tabs.c_str());
  DestroyWindow(window);
  win::script::PumpUntilIdle();

  // The library loaded again reads the saved defaults.
  kelt::lib::ProcessDetach();
  kelt::lib::ProcessAttach();
  STRUCT_CHRO_PREFS kept{};
  KELT_GetCurrDefChroPrefs(&kept);
  const COLORREF plot1 = kept.colors.colors[2];
  const bool colourKept = plot1 == magenta;
  const bool fontKept = Face(kept.label.font) == "Courier New" && kept.label.fontSource == 0 &&
                        Face(kept.ctrlFont) == "Times New Roman";
  std::printf("  after reloading the library: plot 1 colour RGB(%d, %d, %d) (%s), label font %s %ld (%s)\n",
              GetRValue(plot1), GetGValue(plot1), GetBValue(plot1), colourKept ? "kept" : "lost",
              Face(kept.label.font).c_str(), static_cast<long>(kept.label.font.lfHeight),
              fontKept ? "kept" : "lost");
  ok = ok && colourKept && fontKept;

  // The first page of each sheet.
  prefsheets::ResetRememberedPages();
  STRUCT_SPTS_PREFS spectra{};
  KELT_GetCurrDefSptsPrefs(&spectra);
  ok = FirstPage("prefs-spectra.png", [&] { Dlg_EditSpectraPreferences(nullptr, &spectra, 1, 0, nullptr, 0); }) && ok;
  STRUCT_CHRO_PREFS chro = kept;
  ok = FirstPage("prefs-chromatogram.png", [&] { Dlg_EditChroPlotPreferences(nullptr, &chro, 1, 0, nullptr, 0); }) &&
       ok;
  ok = FirstPage("prefs-report.png", [] { Dlg_EditReportPreferences(nullptr, 0, 1); }) && ok;
  ok = FirstPage("prefs-general.png", [] { Dlg_EditGlobalPreferences(nullptr); }) && ok;
  return ok ? 0 : 1;
}
