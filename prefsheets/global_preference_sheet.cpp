// The general preference sheet.
#include "prefsheets/global_preference_sheet.h"

#include <cstdio>
#include <cstdlib>

#include "common/library_state.h"
#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "prefsheets/sheet_template_items.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr const char* kSection = "KELTDefGlobalPrefs";
constexpr const char* kTitle = "General Preferences";

void EnsureTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, PREFS_DLG_GLOBAL)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = kTitle;
  dlg.cx = 240;
  dlg.cy = 96;
  const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP, edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  using prefsheets::Item;
  Item(dlg, -1, "Static", "&Mass decimals (0 to 10):", SS_LEFT, 8, 10, 110, 8);
  Item(dlg, PREFS_ID_GLOBAL_DECIMALS, "Edit", "", edit, 120, 8, 30, 12);
  Item(dlg, PREFS_ID_GLOBAL_GREEK, "Button", "&Greek characters in names", check, 8, 26, 160, 10);
  Item(dlg, PREFS_ID_GLOBAL_SCIENTIFIC, "Button", "&Scientific notation", check, 8, 40, 160, 10);
  Item(dlg, -1, "Static", "&Exponent threshold (0 to 5):", SS_LEFT, 8, 56, 110, 8);
  Item(dlg, PREFS_ID_GLOBAL_EXPONENT, "Edit", "", edit, 120, 54, 30, 12);
  Item(dlg, PREFS_ID_GLOBAL_RESET, "Button", "Reset All to Defaults", BS_PUSHBUTTON | WS_TABSTOP, 8, 74, 90, 14);
  Item(dlg, IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 182, 8, 50, 14);
  Item(dlg, IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 182, 26, 50, 14);
  win::resources::AddDialog(module, PREFS_DLG_GLOBAL, dlg);
}

void Show(HWND hwnd, const STRUCT_GLOBAL_PREFS& p) {
  SetDlgItemInt(hwnd, PREFS_ID_GLOBAL_DECIMALS, UINT(p.features.value2), FALSE);
  CheckDlgButton(hwnd, PREFS_ID_GLOBAL_GREEK, p.features.greekCharacters ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd, PREFS_ID_GLOBAL_SCIENTIFIC, p.misc.scientificNotation ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(hwnd, PREFS_ID_GLOBAL_EXPONENT, UINT(p.misc.exponentThreshold), FALSE);
}

bool ReadInRange(HWND hwnd, int id, long low, long high, int16_t* out) {
  char text[32] = {};
  GetDlgItemTextA(hwnd, id, text, sizeof text);
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != 0 || v < low || v > high) return false;
  *out = int16_t(v);
  return true;
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
        case PREFS_ID_GLOBAL_RESET: {
          STRUCT_GLOBAL_PREFS factory{};
          KELT_ResetDefGlobalPrefs(&factory);
          Show(hwnd, factory);
          return TRUE;
        }
        case IDOK: {
          int16_t decimals = 0, exponent = 0;
          // A value the record cannot hold keeps the sheet open, the record untouched.
          if (!ReadInRange(hwnd, PREFS_ID_GLOBAL_DECIMALS, 0, 10, &decimals)) {
            MessageBoxA(hwnd, "Mass decimals must be a whole number from 0 to 10.", kTitle, MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          if (!ReadInRange(hwnd, PREFS_ID_GLOBAL_EXPONENT, 0, 5, &exponent)) {
            MessageBoxA(hwnd, "The exponent threshold must be a whole number from 0 to 5.", kTitle,
                        MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          edit->features.value2 = decimals;
          edit->features.greekCharacters = IsDlgButtonChecked(hwnd, PREFS_ID_GLOBAL_GREEK) == BST_CHECKED ? 1 : 0;
          edit->misc.scientificNotation = IsDlgButtonChecked(hwnd, PREFS_ID_GLOBAL_SCIENTIFIC) == BST_CHECKED ? 1 : 0;
          edit->misc.exponentThreshold = exponent;
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
  // The stored record, or the factory one put in its place when it is missing or damaged.
  KELT_ReadDefGlobalPrefs(&edit, kSection);
  const INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(PREFS_DLG_GLOBAL), parent ? parent->m_hWnd : nullptr,
                                    GlobalProc, reinterpret_cast<LPARAM>(&edit));
  if (r != IDOK) return 0;
  edit.timeStamp = int32_t(GetCurrentDateTime());
  return KELT_WriteDefGlobalPrefs(&edit, kSection) ? 1 : 0;
}
