// The linearity report's parameter dialog. Each field is checked as the
// focus leaves it: an ion field must read as a mass list (an emptied one
// keeps its ions, a text that is no list is named in a message and the
// field shows its ions again); a target ratio must lie between 0 and 2
// (the nearer bound is offered). A field left as shown keeps its masses to
// their full precision. Enter never ends the dialog: it steps to the next
// control.
#include "dialogs/linearity_params_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "common/work_file_facts.h"
#include "dialogs/edit_field_checks.h"
#include "framework/framework_wnd.h"
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
  dlg.cx = 274;
  dlg.cy = 150;
  auto item = [&](int id, const char* cls, const char* text, DWORD style, short x, short y, short cx, short cy) {
    prefsheets::Item(dlg, id, cls, text, style, x, y, cx, cy);
  };
  const DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  item(-1, "Button", "Ion Parameters", BS_GROUPBOX, 4, 2, 206, 86);
  item(-1, "Static", "Vert:", 0, 10, 16, 30, 10);
  item(LIN_VERTICAL_IONS_ID, "Edit", "", edit, 44, 14, 160, 12);
  item(-1, "Static", "Horz:", 0, 10, 32, 30, 10);
  item(LIN_HORIZONTAL_IONS_ID, "Edit", "", edit, 44, 30, 160, 12);
  item(LIN_PROPOSED_TEXT_ID, "Static", "", 0, 10, 46, 196, 10);
  item(LIN_USE_PROPOSED_ID, "Button", "Reset", BS_PUSHBUTTON | WS_TABSTOP, 44, 58, 160, 14);
  item(LIN_BASELINE_ID, "Button", "&Do Baseline Correction", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 74, 120, 12);
  item(-1, "Button", "Target Ratio Parameters", BS_GROUPBOX, 4, 92, 206, 54);
  item(LIN_TARGETS_ID, "Button", "&Show Target Ratios", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 102, 120, 12);
  item(-1, "Static", "Target Ratio 1:", 0, 10, 118, 60, 10);
  item(LIN_RATIO1_ID, "Edit", "", edit, 74, 116, 50, 12);
  item(-1, "Static", "Target Ratio 2:", 0, 10, 132, 60, 10);
  item(LIN_RATIO2_ID, "Edit", "", edit, 74, 130, 50, 12);
  item(IDOK, "Button", "Ok", BS_DEFPUSHBUTTON | WS_TABSTOP, 218, 6, 50, 14);
  item(IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 218, 24, 50, 14);
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

void Refuse(HWND hwnd, const char* why) { MessageBoxA(hwnd, why, kCaption, MB_OK | MB_ICONEXCLAMATION); }

constexpr int kIonTextRoom = 600;  // 599 characters and the NUL
constexpr double kLowestRatio = 0.0, kHighestRatio = 2.0;

// What an ion field was given: its text shows the masses only to the data
// file's decimals, so an untouched field keeps the list it stands for.
struct IonField {
  int id;
  const char* refusal;
  std::string shown;
  STRUCT_MASS_LIST list;
};

struct Session {
  CLinearityParamsDlg* dlg;
  IonField fields[2];
  int decimals;
  bool filling = true;  // no checks while the dialog fills its fields
  bool refused = false;  // an ion field was refused: OK then keeps the dialog open
  double ratios[2] = {};

  void Show(HWND hwnd, int k, const STRUCT_MASS_LIST& list) {
    fields[k].list = list;
    fields[k].shown = MassText(list, decimals);
    const bool was = filling;
    filling = true;
    SetDlgItemTextA(hwnd, fields[k].id, fields[k].shown.c_str());
    filling = was;
  }
  // Takes an ion field as it reads now. An empty list keeps the ions; a
  // text that is no mass list is refused and the ions shown again. False
  // when refused.
  bool TakeIons(HWND hwnd, int k) {
    char text[kIonTextRoom] = {};
    GetDlgItemTextA(hwnd, fields[k].id, text, sizeof text);
    if (fields[k].shown == text) return true;
    bool blank = true;
    for (const char* c = text; *c; ++c) blank = blank && (*c == ' ' || *c == '\t');
    STRUCT_MASS_LIST list{};
    const bool parsed = !blank && ParseMassList(text, &list) != 0;
    // An emptied field (no ranges) keeps the ions it had.
    if (blank || (parsed && list.kind == MASS_LIST_RANGES && list.count == 0)) {
      Show(hwnd, k, fields[k].list);
      return true;
    }
    if (!parsed) {
      // Refused as OK takes the focus: that press must not end the dialog.
      refused = GetFocus() == GetDlgItem(hwnd, IDOK);
      Refuse(hwnd, fields[k].refusal);
      Show(hwnd, k, fields[k].list);
      return false;
    }
    // The dialog's window, unless the text gave its own.
    if (!std::strchr(text, '/')) list.window = dlg->m_Window;
    fields[k].list = list;
    fields[k].shown = text;
    return true;
  }
  void TakeRatio(HWND hwnd, int k) {
    const bool was = filling;
    filling = true;  // the helper rewrites the field
    HandleKillEditDouble(CWnd::FromHandle(hwnd), static_cast<uint16_t>(k ? LIN_RATIO2_ID : LIN_RATIO1_ID),
                         k ? "Horizontal Ratio Target" : "Vertical Ratio Target", "%.4f", kLowestRatio,
                         kHighestRatio, &ratios[k]);
    filling = was;
  }
  void EnableRatios(HWND hwnd, bool on) {
    EnableWindow(GetDlgItem(hwnd, LIN_RATIO1_ID), on ? TRUE : FALSE);
    EnableWindow(GetDlgItem(hwnd, LIN_RATIO2_ID), on ? TRUE : FALSE);
  }
};

INT_PTR CALLBACK ParamsProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    session = reinterpret_cast<Session*>(lParam);
    session->filling = true;
    CLinearityParamsDlg* d = session->dlg;
    SendDlgItemMessageA(hwnd, LIN_VERTICAL_IONS_ID, EM_LIMITTEXT, kIonTextRoom - 1, 0);
    SendDlgItemMessageA(hwnd, LIN_HORIZONTAL_IONS_ID, EM_LIMITTEXT, kIonTextRoom - 1, 0);
    SendDlgItemMessageA(hwnd, LIN_RATIO1_ID, EM_LIMITTEXT, 8, 0);
    SendDlgItemMessageA(hwnd, LIN_RATIO2_ID, EM_LIMITTEXT, 8, 0);
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
    if (d->m_bFound)
      std::snprintf(text, sizeof text, "Reset to %.4f and %.4f", d->m_ProposedVertical, d->m_ProposedHorizontal);
    else
      std::snprintf(text, sizeof text, "Reset");
    SetDlgItemTextA(hwnd, LIN_USE_PROPOSED_ID, text);
    EnableWindow(GetDlgItem(hwnd, LIN_USE_PROPOSED_ID), d->m_bFound ? TRUE : FALSE);
    CheckDlgButton(hwnd, LIN_BASELINE_ID, d->m_bBaselineCorrection ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd, LIN_TARGETS_ID, d->m_bTargetRatios ? BST_CHECKED : BST_UNCHECKED);
    session->ratios[0] = d->m_TargetRatio1;
    session->ratios[1] = d->m_TargetRatio2;
    std::snprintf(text, sizeof text, "%.4f", d->m_TargetRatio1);
    SetDlgItemTextA(hwnd, LIN_RATIO1_ID, text);
    std::snprintf(text, sizeof text, "%.4f", d->m_TargetRatio2);
    SetDlgItemTextA(hwnd, LIN_RATIO2_ID, text);
    session->EnableRatios(hwnd, d->m_bTargetRatios != 0);
    session->filling = false;
    return TRUE;
  }
  if (msg != WM_COMMAND || !session) return FALSE;
  CLinearityParamsDlg* d = session->dlg;
  const int id = LOWORD(wParam);
  if (HIWORD(wParam) == EN_KILLFOCUS) {
    if (session->filling) return TRUE;
    if (id == LIN_VERTICAL_IONS_ID || id == LIN_HORIZONTAL_IONS_ID)
      session->TakeIons(hwnd, id == LIN_HORIZONTAL_IONS_ID ? 1 : 0);
    else if (id == LIN_RATIO1_ID || id == LIN_RATIO2_ID)
      session->TakeRatio(hwnd, id == LIN_RATIO2_ID ? 1 : 0);
    return TRUE;
  }
  switch (id) {
    case LIN_USE_PROPOSED_ID:
      if (!d->m_bFound) return TRUE;
      session->Show(hwnd, 0, OneIon(d->m_ProposedVertical, d->m_Window));
      session->Show(hwnd, 1, OneIon(d->m_ProposedHorizontal, d->m_Window));
      return TRUE;
    case LIN_TARGETS_ID:
      session->EnableRatios(hwnd, IsDlgButtonChecked(hwnd, LIN_TARGETS_ID) == BST_CHECKED);
      return TRUE;
    case IDOK: {
      // Enter arrives as the OK id with the focus elsewhere: it steps on.
      const HWND ok = GetDlgItem(hwnd, IDOK);
      if (GetFocus() != ok) {
        static const int kFields[] = {LIN_VERTICAL_IONS_ID, LIN_HORIZONTAL_IONS_ID, LIN_RATIO1_ID, LIN_RATIO2_ID};
        SendMessageA(hwnd, WM_NEXTDLGCTL, 0, 0);
        const HWND now = GetFocus();
        const int at = now ? GetDlgCtrlID(now) : 0;
        for (int f : kFields)
          if (f == at) SendMessageA(now, EM_SETSEL, 0, -1);
        return TRUE;
      }
      // The fields again, for text put there without the focus leaving.
      if (session->filling) return TRUE;
      const bool taken = session->TakeIons(hwnd, 0) && session->TakeIons(hwnd, 1);
      // A refusal as the focus came here: the user sees the ions again first.
      if (!taken || session->refused) {
        session->refused = false;
        return TRUE;
      }
      session->TakeRatio(hwnd, 0);
      session->TakeRatio(hwnd, 1);
      session->filling = true;
      d->m_VerticalIons = session->fields[0].list;
      d->m_HorizontalIons = session->fields[1].list;
      d->m_bBaselineCorrection = IsDlgButtonChecked(hwnd, LIN_BASELINE_ID) == BST_CHECKED ? 1 : 0;
      d->m_bTargetRatios = IsDlgButtonChecked(hwnd, LIN_TARGETS_ID) == BST_CHECKED ? 1 : 0;
      d->m_TargetRatio1 = session->ratios[0];
      d->m_TargetRatio2 = session->ratios[1];
      EndDialog(hwnd, IDOK);
      return TRUE;
    }
    case IDCANCEL:
      session->filling = true;
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
  Session session{this,
                  {{LIN_VERTICAL_IONS_ID, "The vertical ions are not a mass list.", {}, {}},
                   {LIN_HORIZONTAL_IONS_ID, "The horizontal ions are not a mass list.", {}, {}}},
                  m_pWorkFile ? kelt::wff::MassDecimals(m_pWorkFile) : 1};
  const INT_PTR r =
      DialogBoxParamA(module, MAKEINTRESOURCEA(LINEARITY_PARAMS_DIALOG_ID), m_parent ? m_parent->GetSafeHwnd() : nullptr,
                      ParamsProc, reinterpret_cast<LPARAM>(&session));
  return r == IDOK ? IDOK : IDCANCEL;
}
