// The general preference editor: the number display of the stored general
// preference record. OK writes the record; "Reset All to Defaults" puts
// the factory values into the fields.
#include <cstdlib>
#include <string>

#include "common/library_state.h"
#include "prefsheets/preference_sheets.h"
#include "prefsheets/sheet_template_items.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void EnsureTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, PREFS_DLG_GLOBAL)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = "General Preferences";
  dlg.cx = 220;
  dlg.cy = 70;
  prefsheets::Item(dlg, PREFS_ID_SCIENTIFIC, "Button", "&Scientific notation", BS_AUTOCHECKBOX | WS_TABSTOP, 8, 8,
                   130, 10);
  prefsheets::Item(dlg, -1, "Static", "&Exponent from (0 to 5):", 0, 8, 26, 90, 10);
  prefsheets::Item(dlg, PREFS_ID_EXPONENT_THRESHOLD, "Edit", "", WS_BORDER | WS_TABSTOP, 100, 24, 30, 12);
  prefsheets::Item(dlg, IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 162, 8, 50, 14);
  prefsheets::Item(dlg, IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 162, 26, 50, 14);
  prefsheets::Item(dlg, PREFS_ID_RESET_ALL, "Button", "&Reset All to Defaults", BS_PUSHBUTTON | WS_TABSTOP, 8, 48,
                   100, 14);
  win::resources::AddDialog(module, PREFS_DLG_GLOBAL, dlg);
}

void Show(HWND hwnd, const STRUCT_GLOBAL_PREFS& p) {
  CheckDlgButton(hwnd, PREFS_ID_SCIENTIFIC, p.misc.scientificNotation ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(hwnd, PREFS_ID_EXPONENT_THRESHOLD, std::to_string(p.misc.exponentThreshold).c_str());
}

INT_PTR CALLBACK GlobalProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* edit = reinterpret_cast<STRUCT_GLOBAL_PREFS*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      Show(hwnd, *reinterpret_cast<STRUCT_GLOBAL_PREFS*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case PREFS_ID_RESET_ALL: {
          STRUCT_GLOBAL_PREFS defaults{};
          KELT_ResetDefGlobalPrefs(&defaults);
          Show(hwnd, defaults);
          return TRUE;
        }
        case IDOK: {
          char text[16] = {};
          GetDlgItemTextA(hwnd, PREFS_ID_EXPONENT_THRESHOLD, text, sizeof text);
          char* end = nullptr;
          const long v = std::strtol(text, &end, 10);
          if (!*text || !end || *end || v < 0 || v > 5) {
            MessageBoxA(hwnd, "The exponent threshold must be a whole number from 0 to 5.", "General Preferences",
                        MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          edit->misc.exponentThreshold = static_cast<int16_t>(v);
          edit->misc.scientificNotation = IsDlgButtonChecked(hwnd, PREFS_ID_SCIENTIFIC) == BST_CHECKED ? 1 : 0;
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

}  // namespace

int16_t Dlg_EditGlobalPreferences(CWnd* parent) {
  const HMODULE module = kelt::lib::ModuleHandle();
  EnsureTemplate(module);
  STRUCT_GLOBAL_PREFS edit{};
  KELT_GetCurrDefGlobalPrefs(&edit);
  const INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(PREFS_DLG_GLOBAL), parent ? parent->m_hWnd : nullptr,
                                    GlobalProc, reinterpret_cast<LPARAM>(&edit));
  if (r != IDOK) return 0;
  KELT_ValidateGlobalPrefs(&edit);
  return KELT_WriteDefGlobalPrefs(&edit, nullptr) ? 1 : 0;
}
