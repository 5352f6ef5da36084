// The linearity report's parameter dialog. On OK both ion fields must be
// mass lists and both ratios numbers above 0; a field that is not is named
// in a message and the dialog stays open with what was typed. A field left
// as shown keeps its masses to their full precision.
#include "dialogs/linearity_params_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/library_state.h"
#include "common/work_file_facts.h"
#include "prefsheets/sheet_template_items.h"
#include "quorna/quorna.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr char kCaption[] = "Linearity Report Parameters";

void AddTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, LINEARITY_PARAMS_DIALOG_ID)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = kCaption;
  dlg.cx = 250;
  dlg.cy = 142;
  auto item = [&](int id, const char* cls, const char* text, DWORD style, short x, short y, short cx, short cy) {
    prefsheets::Item(dlg, id, cls, text, style, x, y, cx, cy);
  };
  const DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  item(-1, "Static", "Vertical ions:", 0, 6, 8, 70, 10);
  item(LIN_VERTICAL_IONS_ID, "Edit", "", edit, 80, 6, 100, 12);
  item(-1, "Static", "Horizontal ions:", 0, 6, 24, 70, 10);
  item(LIN_HORIZONTAL_IONS_ID, "Edit", "", edit, 80, 22, 100, 12);
  item(LIN_PROPOSED_TEXT_ID, "Static", "", 0, 6, 40, 174, 10);
  item(LIN_USE_PROPOSED_ID, "Button", "Use Proposed Ions", BS_PUSHBUTTON | WS_TABSTOP, 80, 54, 100, 14);
  item(LIN_BASELINE_ID, "Button", "Baseline correction", BS_AUTOCHECKBOX | WS_TABSTOP, 6, 76, 120, 12);
  item(LIN_TARGETS_ID, "Button", "Target ratios", BS_AUTOCHECKBOX | WS_TABSTOP, 6, 92, 120, 12);
  item(-1, "Static", "Target ratio 1:", 0, 6, 110, 70, 10);
  item(LIN_RATIO1_ID, "Edit", "", edit, 80, 108, 60, 12);
  item(-1, "Static", "Target ratio 2:", 0, 6, 126, 70, 10);
  item(LIN_RATIO2_ID, "Edit", "", edit, 80, 124, 60, 12);
  item(IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 192, 6, 50, 14);
  item(IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 192, 24, 50, 14);
  win::resources::AddDialog(module, LINEARITY_PARAMS_DIALOG_ID, dlg);
}

std::string MassText(const STRUCT_MASS_LIST& list, int decimals) {
  char text[400] = {};
  if (!FormatMassListText(text, &list, decimals)) text[0] = 0;
  return text;
}

// One ion from mass to mass with the window.
STRUCT_MASS_LIST OneIon(double mass, double window) {
  STRUCT_MASS_LIST l{};
  l.kind = MASS_LIST_RANGES;
  l.count = 1;
  l.ranges[0].low = l.ranges[0].high = mass;
  l.window = window;
  return l;
}

bool ParseRatio(const char* text, double* value) {
  while (*text == ' ') ++text;
  if (!*text) return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  while (end && *end == ' ') ++end;
  if (!end || *end || !std::isfinite(v) || v <= 0) return false;
  *value = v;
  return true;
}

void Refuse(HWND hwnd, const char* why) { MessageBoxA(hwnd, why, kCaption, MB_OK | MB_ICONEXCLAMATION); }

// What an ion field was given: its text shows the masses only to the data
// file's decimals, so an untouched field keeps the list it stands for.
struct IonField {
  int id;
  std::string shown;
  STRUCT_MASS_LIST list;
};

struct Session {
  CLinearityParamsDlg* dlg;
  IonField fields[2];
  int decimals;
  void Show(HWND hwnd, int k, const STRUCT_MASS_LIST& list) {
    fields[k].list = list;
    fields[k].shown = MassText(list, decimals);
    SetDlgItemTextA(hwnd, fields[k].id, fields[k].shown.c_str());
  }
  // The list of a field as it reads now; false when it is no mass list.
  bool Read(HWND hwnd, int k, STRUCT_MASS_LIST* list) const {
    char text[400] = {};
    GetDlgItemTextA(hwnd, fields[k].id, text, sizeof text);
    if (fields[k].shown == text) {
      *list = fields[k].list;
      return true;
    }
    return ParseMassList(text, list) != 0;
  }
};

INT_PTR CALLBACK ParamsProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    session = reinterpret_cast<Session*>(lParam);
    CLinearityParamsDlg* d = session->dlg;
    session->Show(hwnd, 0, d->m_VerticalIons);
    session->Show(hwnd, 1, d->m_HorizontalIons);
    const int decimals = session->decimals;
    char text[160];
    if (d->m_bFound)
      std::snprintf(text, sizeof text, "Most intense ions at the apex:  %.*f and %.*f", decimals,
                    d->m_ProposedVertical, decimals, d->m_ProposedHorizontal);
    else
      std::snprintf(text, sizeof text, "No apex spectrum in the time range.");
    SetDlgItemTextA(hwnd, LIN_PROPOSED_TEXT_ID, text);
    EnableWindow(GetDlgItem(hwnd, LIN_USE_PROPOSED_ID), d->m_bFound ? TRUE : FALSE);
    CheckDlgButton(hwnd, LIN_BASELINE_ID, d->m_bBaselineCorrection ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd, LIN_TARGETS_ID, d->m_bTargetRatios ? BST_CHECKED : BST_UNCHECKED);
    std::snprintf(text, sizeof text, "%.6g", d->m_TargetRatio1);
    SetDlgItemTextA(hwnd, LIN_RATIO1_ID, text);
    std::snprintf(text, sizeof text, "%.6g", d->m_TargetRatio2);
    SetDlgItemTextA(hwnd, LIN_RATIO2_ID, text);
    return TRUE;
  }
  if (msg != WM_COMMAND || !session) return FALSE;
  CLinearityParamsDlg* d = session->dlg;
  switch (LOWORD(wParam)) {
    case LIN_USE_PROPOSED_ID:
      if (!d->m_bFound) return TRUE;
      session->Show(hwnd, 0, OneIon(d->m_ProposedVertical, d->m_Window));
      session->Show(hwnd, 1, OneIon(d->m_ProposedHorizontal, d->m_Window));
      return TRUE;
    case IDOK: {
      STRUCT_MASS_LIST vertical{}, horizontal{};
      if (!session->Read(hwnd, 0, &vertical)) {
        Refuse(hwnd, "The vertical ions are not a mass list.");
        return TRUE;
      }
      if (!session->Read(hwnd, 1, &horizontal)) {
        Refuse(hwnd, "The horizontal ions are not a mass list.");
        return TRUE;
      }
      char text[400] = {};
      double r1 = 0, r2 = 0;
      GetDlgItemTextA(hwnd, LIN_RATIO1_ID, text, sizeof text);
      if (!ParseRatio(text, &r1)) {
        Refuse(hwnd, "Target ratio 1 must be a number above 0.");
        return TRUE;
      }
      GetDlgItemTextA(hwnd, LIN_RATIO2_ID, text, sizeof text);
      if (!ParseRatio(text, &r2)) {
        Refuse(hwnd, "Target ratio 2 must be a number above 0.");
        return TRUE;
      }
      d->m_VerticalIons = vertical;
      d->m_HorizontalIons = horizontal;
      d->m_bBaselineCorrection = IsDlgButtonChecked(hwnd, LIN_BASELINE_ID) == BST_CHECKED ? 1 : 0;
      d->m_bTargetRatios = IsDlgButtonChecked(hwnd, LIN_TARGETS_ID) == BST_CHECKED ? 1 : 0;
      d->m_TargetRatio1 = r1;
      d->m_TargetRatio2 = r2;
      EndDialog(hwnd, IDOK);
      return TRUE;
    }
    case IDCANCEL:
      EndDialog(hwnd, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

CLinearityParamsDlg::CLinearityParamsDlg(const STRUCT_WORK_FILE* workFile, const STRUCT_MASS_LIST* verticalIons,
                                         const STRUCT_MASS_LIST* horizontalIons, int16_t baselineCorrection,
                                         int16_t targetRatios, double ratio1, double ratio2, int16_t found,
                                         double proposedVertical, double proposedHorizontal, double window,
                                         CWnd* parent)
    : m_bBaselineCorrection(baselineCorrection ? 1 : 0),
      m_bTargetRatios(targetRatios ? 1 : 0),
      m_TargetRatio1(ratio1),
      m_TargetRatio2(ratio2),
      m_pWorkFile(workFile),
      m_bFound(found ? 1 : 0),
      m_ProposedVertical(proposedVertical),
      m_ProposedHorizontal(proposedHorizontal),
      m_Window(window),
      m_parent(parent) {
  if (verticalIons) m_VerticalIons = *verticalIons;
  if (horizontalIons) m_HorizontalIons = *horizontalIons;
}

int CLinearityParamsDlg::DoModal() {
  const HMODULE module = kelt::lib::ModuleHandle();
  AddTemplate(module);
  Session session{this, {{LIN_VERTICAL_IONS_ID, {}, {}}, {LIN_HORIZONTAL_IONS_ID, {}, {}}},
                  m_pWorkFile ? kelt::wff::MassDecimals(m_pWorkFile) : 1};
  const INT_PTR r =
      DialogBoxParamA(module, MAKEINTRESOURCEA(LINEARITY_PARAMS_DIALOG_ID), m_parent ? m_parent->GetSafeHwnd() : nullptr,
                      ParamsProc, reinterpret_cast<LPARAM>(&session));
  return r == IDOK ? IDOK : IDCANCEL;
}
