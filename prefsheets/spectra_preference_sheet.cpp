// The spectra plot preference editor: a modal dialog on a copy of the
// record, written back only when the user accepts and the record holds.
#include "prefsheets/spectra_preference_sheet.h"

#include "common/library_state.h"
#include "prefsheets/sheet_template_items.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

using win::resources::DialogItem;
using win::resources::DialogTemplate;

using prefsheets::Item;

void EnsureTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, PREFS_DLG_SPECTRA)) return;
  DialogTemplate dlg;
  dlg.caption = "Spectra Plot Preferences";
  dlg.cx = 240;
  dlg.cy = 118;
  const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
  Item(dlg, PREFS_ID_SPT_SHOW_TOOLBAR, "Button", "Show &toolbar", check, 8, 8, 160, 10);
  Item(dlg, PREFS_ID_SPT_OVERLAY_AB, "Button", "&Overlay spectra A and B", check, 8, 22, 160, 10);
  Item(dlg, PREFS_ID_SPT_SHOW_DIFFERENCE, "Button", "Show the &difference spectrum", check, 8, 36, 160, 10);
  Item(dlg, PREFS_ID_SPT_BACKGROUND, "Button", "&Background correct spectra", check, 8, 50, 160, 10);
  Item(dlg, PREFS_ID_SPT_SMOOTH_PROFILE, "Button", "&Smooth profile spectra", check, 8, 64, 160, 10);
  Item(dlg, PREFS_ID_SPT_SMOOTHED_REPORTS, "Button", "Smoothed spectra in &reports", check, 8, 78, 160, 10);
  Item(dlg, PREFS_ID_SPT_KEEP_LOCAL, "Button", "&Keep these preferences for this window", check, 8, 98, 170, 10);
  Item(dlg, IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 182, 8, 50, 14);
  Item(dlg, IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 182, 26, 50, 14);
  win::resources::AddDialog(module, PREFS_DLG_SPECTRA, dlg);
}

struct SptSheet {
  STRUCT_SPTS_PREFS edit;
  short keepFlag;
  uint16_t local;
  const char* title;
};

void Check(HWND dlg, int id, int16_t on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
int16_t Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED ? 1 : 0; }

INT_PTR CALLBACK SptProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* sheet = reinterpret_cast<SptSheet*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      sheet = reinterpret_cast<SptSheet*>(lParam);
      SetWindowTextA(hwnd, sheet->title);
      const STRUCT_SPTS_PREFS& p = sheet->edit;
      Check(hwnd, PREFS_ID_SPT_SHOW_TOOLBAR, p.features.showToolbar);
      Check(hwnd, PREFS_ID_SPT_OVERLAY_AB, p.drawing.overlayAB);
      Check(hwnd, PREFS_ID_SPT_SHOW_DIFFERENCE, p.drawing.showDifference);
      Check(hwnd, PREFS_ID_SPT_BACKGROUND, p.features.backgroundCorrect);
      Check(hwnd, PREFS_ID_SPT_SMOOTH_PROFILE, p.profile.smoothProfile);
      Check(hwnd, PREFS_ID_SPT_SMOOTHED_REPORTS, p.drawing.smoothedToReports);
      Check(hwnd, PREFS_ID_SPT_KEEP_LOCAL, static_cast<int16_t>(sheet->local));
      // Only a named control can keep its own preferences.
      EnableWindow(GetDlgItem(hwnd, PREFS_ID_SPT_KEEP_LOCAL), sheet->keepFlag ? TRUE : FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        STRUCT_SPTS_PREFS& p = sheet->edit;
        p.features.showToolbar = Checked(hwnd, PREFS_ID_SPT_SHOW_TOOLBAR);
        p.drawing.overlayAB = Checked(hwnd, PREFS_ID_SPT_OVERLAY_AB);
        p.drawing.showDifference = Checked(hwnd, PREFS_ID_SPT_SHOW_DIFFERENCE);
        p.features.backgroundCorrect = Checked(hwnd, PREFS_ID_SPT_BACKGROUND);
        p.profile.smoothProfile = Checked(hwnd, PREFS_ID_SPT_SMOOTH_PROFILE);
        p.drawing.smoothedToReports = Checked(hwnd, PREFS_ID_SPT_SMOOTHED_REPORTS);
        if (sheet->keepFlag) sheet->local = static_cast<uint16_t>(Checked(hwnd, PREFS_ID_SPT_KEEP_LOCAL));
        EndDialog(hwnd, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int16_t Dlg_EditSpectraPreferences(CWnd* parent, STRUCT_SPTS_PREFS* prefs, unsigned short, short keepFlag,
                                   unsigned short* localFlag, short sheetMode) {
  if (!prefs) return 0;
  const HMODULE module = kelt::lib::ModuleHandle();
  EnsureTemplate(module);
  const char* title = sheetMode == 3   ? "Module Window Spectra Preferences"
                      : sheetMode == 1 ? "Data Review Spectra Preferences"
                                       : "Spectra Plot Preferences";
  SptSheet sheet{*prefs, keepFlag, static_cast<uint16_t>(localFlag ? *localFlag : 0), title};
  const INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(PREFS_DLG_SPECTRA), parent ? parent->m_hWnd : nullptr,
                                    SptProc, reinterpret_cast<LPARAM>(&sheet));
  if (r != IDOK) return 0;
  KELT_ValidateSptsPrefs(&sheet.edit);
  *prefs = sheet.edit;
  if (keepFlag && localFlag) *localFlag = sheet.local;
  return 1;
}
