// The chromatogram plot and report preference editors: modal dialogs on a
// copy of the record, written back only when the user accepts and the
// values hold.
#include "prefsheets/preference_sheets.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/library_state.h"
#include "prefsheets/sheet_template_items.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

using win::resources::DialogItem;
using win::resources::DialogTemplate;

using prefsheets::Item;

void EnsureTemplates(HMODULE module) {
  if (!win::resources::FindDialog(module, PREFS_DLG_CHRO_PLOT)) {
    DialogTemplate dlg;
    dlg.caption = "Chromatogram Plot Preferences";
    dlg.cx = 230;
    dlg.cy = 150;
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    Item(dlg, PREFS_ID_SHOW_TOOLBAR, "Button", "Show &toolbar", check, 8, 8, 150, 10);
    Item(dlg, PREFS_ID_SHOW_SEGMENTS, "Button", "Show &segments", check, 8, 22, 150, 10);
    Item(dlg, PREFS_ID_EXPONENT_SCALES, "Button", "&Exponent scales", check, 8, 36, 150, 10);
    Item(dlg, PREFS_ID_BC_MARKERS, "Button", "&Background correction markers", check, 8, 50, 150, 10);
    Item(dlg, PREFS_ID_RESULT_ANNOTATIONS, "Button", "&Result annotations", check, 8, 64, 150, 10);
    Item(dlg, -1, "Static", "Spectra to &average (1, 3, 5, 7):", 0, 8, 82, 110, 10);
    Item(dlg, PREFS_ID_POINTS, "Edit", "", WS_BORDER | WS_TABSTOP, 122, 80, 30, 12);
    Item(dlg, -1, "Static", "&Filter (0 none, 1, 2):", 0, 8, 100, 110, 10);
    Item(dlg, PREFS_ID_FILTER_KIND, "Edit", "", WS_BORDER | WS_TABSTOP, 122, 98, 30, 12);
    Item(dlg, IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 172, 8, 50, 14);
    Item(dlg, IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 172, 26, 50, 14);
    Item(dlg, PREFS_ID_USE_DEFAULTS, "Button", "&Defaults", BS_PUSHBUTTON | WS_TABSTOP, 172, 44, 50, 14);
    win::resources::AddDialog(module, PREFS_DLG_CHRO_PLOT, dlg);
  }
  if (!win::resources::FindDialog(module, PREFS_DLG_REPORT)) {
    DialogTemplate dlg;
    dlg.caption = "Report Preferences";
    dlg.cx = 200;
    dlg.cy = 60;
    Item(dlg, PREFS_ID_REPORT_VERT_AXIS, "Button", "Chromatogram &vertical axis", BS_AUTOCHECKBOX | WS_TABSTOP, 8, 8,
         130, 10);
    Item(dlg, PREFS_ID_REPORT_HORZ_AXIS, "Button", "Chromatogram &horizontal axis", BS_AUTOCHECKBOX | WS_TABSTOP, 8,
         22, 130, 10);
    Item(dlg, IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 144, 8, 50, 14);
    Item(dlg, IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 144, 26, 50, 14);
    win::resources::AddDialog(module, PREFS_DLG_REPORT, dlg);
  }
}

struct ChroSheet {
  STRUCT_CHRO_PREFS edit;  // the copy the dialog works on
  unsigned short useResetDefaults;
  const char* title;
};

void Check(HWND dlg, int id, int16_t on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
int16_t Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED ? 1 : 0; }

void ShowChro(HWND dlg, const STRUCT_CHRO_PREFS& p) {
  Check(dlg, PREFS_ID_SHOW_TOOLBAR, p.features.showToolbar);
  Check(dlg, PREFS_ID_SHOW_SEGMENTS, p.features.showSegments);
  Check(dlg, PREFS_ID_EXPONENT_SCALES, p.features.showExponentScales);
  Check(dlg, PREFS_ID_BC_MARKERS, p.drawing.showBCMarkers);
  Check(dlg, PREFS_ID_RESULT_ANNOTATIONS, p.resultAnnotations.show);
  char text[16];
  std::snprintf(text, sizeof text, "%d", p.features.pointsToAverage);
  SetDlgItemTextA(dlg, PREFS_ID_POINTS, text);
  std::snprintf(text, sizeof text, "%d", p.plotData.filterKind);
  SetDlgItemTextA(dlg, PREFS_ID_FILTER_KIND, text);
}

// A whole number in a field; false for anything else.
bool ReadNumber(HWND dlg, int id, long* value) {
  char text[32] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);
  char* end = nullptr;
  *value = std::strtol(text, &end, 10);
  while (end && *end == ' ') ++end;
  return end && end != text && *end == 0;
}

INT_PTR CALLBACK ChroProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* sheet = reinterpret_cast<ChroSheet*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      sheet = reinterpret_cast<ChroSheet*>(lParam);
      SetWindowTextA(hwnd, sheet->title);
      ShowChro(hwnd, sheet->edit);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case PREFS_ID_USE_DEFAULTS: {
          STRUCT_CHRO_PREFS d{};
          if (sheet->useResetDefaults) KELT_ResetDefChroPrefs(&d);
          else KELT_GetCurrDefChroPrefs(&d);
          ShowChro(hwnd, d);
          return TRUE;
        }
        case IDOK: {
          long points = 0, filter = 0;
          // A value the record cannot hold keeps the sheet open, the record untouched.
          if (!ReadNumber(hwnd, PREFS_ID_POINTS, &points) || (points != 1 && points != 3 && points != 5 && points != 7)) {
            MessageBoxA(hwnd, "Spectra to average must be 1, 3, 5 or 7.", "Chromatogram Plot Preferences",
                        MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          if (!ReadNumber(hwnd, PREFS_ID_FILTER_KIND, &filter) || filter < 0 || filter > 2) {
            MessageBoxA(hwnd, "The filter must be 0, 1 or 2.", "Chromatogram Plot Preferences",
                        MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          STRUCT_CHRO_PREFS& p = sheet->edit;
          p.features.showToolbar = Checked(hwnd, PREFS_ID_SHOW_TOOLBAR);
          p.features.showSegments = Checked(hwnd, PREFS_ID_SHOW_SEGMENTS);
          p.features.showExponentScales = Checked(hwnd, PREFS_ID_EXPONENT_SCALES);
          p.drawing.showBCMarkers = Checked(hwnd, PREFS_ID_BC_MARKERS);
          p.resultAnnotations.show = Checked(hwnd, PREFS_ID_RESULT_ANNOTATIONS);
          p.features.pointsToAverage = static_cast<int16_t>(points);
          p.plotData.filterKind = static_cast<int16_t>(filter);
          EndDialog(hwnd, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(hwnd, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK ReportProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* edit = reinterpret_cast<STRUCT_REPORT_PREFS*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      edit = reinterpret_cast<STRUCT_REPORT_PREFS*>(lParam);
      Check(hwnd, PREFS_ID_REPORT_VERT_AXIS, edit->chroAxis0.shown);
      Check(hwnd, PREFS_ID_REPORT_HORZ_AXIS, edit->chroAxis1.shown);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        edit->chroAxis0.shown = Checked(hwnd, PREFS_ID_REPORT_VERT_AXIS);
        edit->chroAxis1.shown = Checked(hwnd, PREFS_ID_REPORT_HORZ_AXIS);
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

int16_t Dlg_EditChroPlotPreferences(CWnd* parent, STRUCT_CHRO_PREFS* prefs, unsigned short useResetDefaults,
                                    short keepFlag, unsigned short* loadedFlag, short pageSet) {
  if (!prefs) return 0;
  const HMODULE module = kelt::lib::ModuleHandle();
  EnsureTemplates(module);
  ChroSheet sheet{*prefs, useResetDefaults, "Chromatogram Plot Preferences"};
  switch (pageSet) {
    case 4: sheet.title = "Module Window Plot Preferences"; break;
    case 2: case 3: case 5: sheet.title = "Optimization Plot Preferences"; break;
    default: break;
  }
  const INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(PREFS_DLG_CHRO_PLOT), parent ? parent->m_hWnd : nullptr,
                                    ChroProc, reinterpret_cast<LPARAM>(&sheet));
  if (r != IDOK) return 0;
  KELT_ValidateChroPrefs(&sheet.edit);
  *prefs = sheet.edit;
  // An accepted record of a named control is the one to take over next time.
  if (keepFlag && loadedFlag) *loadedFlag = 1;
  return 1;
}

int16_t Dlg_EditReportPreferences(CWnd* parent, void*, void*) {
  const HMODULE module = kelt::lib::ModuleHandle();
  EnsureTemplates(module);
  STRUCT_REPORT_PREFS edit{};
  KELT_GetCurrDefReportPrefs(&edit);
  const INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(PREFS_DLG_REPORT), parent ? parent->m_hWnd : nullptr,
                                    ReportProc, reinterpret_cast<LPARAM>(&edit));
  if (r != IDOK) return 0;
  return KELT_WriteDefReportPrefs(&edit, nullptr) ? 1 : 0;
}
