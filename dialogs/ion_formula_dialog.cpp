// The ion-formula dialog and its format help.
#include "dialogs/ion_formula_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/ion_formula_status.h"
#include "common/library_state.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr int kFormulaRoom = 600;  // the text is read up to 599 characters

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, ION_FORMULA_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Select Ions to Plot";
  t.cx = 300;
  t.cy = 250;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD text = WS_VISIBLE | SS_LEFT;
  t.items = {
      {IDC_ION_RANGE_LINE, "Static", "", text, 0, 8, 6, 220, 10},
      {-1, "Static", "Ion Formula:", text, 0, 8, 20, 60, 10},
      {IDC_ION_FORMULA, "Edit", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 8, 32, 220, 13},
      {IDC_ION_CANONICAL, "Static", "", text, 0, 8, 50, 220, 10},
      {IDC_ION_STATUS, "Static", "", text, 0, 8, 62, 220, 10},
      {IDC_ION_SHOW_FORMAT, "Button", "&Show Format and Examples", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 8,
       78, 140, 12},
      {IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 238, 6, 54, 14},
      {IDCANCEL, "Button", "Cancel", push, 0, 238, 24, 54, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 238, 42, 54, 14},
      {IDC_ION_FORMAT_GROUP, "Button", "Format and Examples", WS_VISIBLE | BS_GROUPBOX, 0, 6, 96, 288, 150},
      {-1, "Static", "Specify an ion selection by combining one or more", text, 0, 12, 108, 276, 10},
      {-1, "Static", "of the following items, with the '+' and '-' operators.", text, 0, 12, 118, 276, 10},
  };
  // Example lines: the three items, then five examples with their meanings.
  const short ys[ION_FORMULA_EXAMPLES] = {128, 138, 148, 162, 162, 172, 172, 182, 182, 192, 192, 202, 202};
  const short xs[ION_FORMULA_EXAMPLES] = {12, 12, 12, 12, 96, 12, 96, 12, 96, 12, 96, 12, 96};
  const short ws[ION_FORMULA_EXAMPLES] = {276, 276, 276, 82, 194, 82, 194, 82, 194, 82, 194, 82, 194};
  for (int i = 0; i < ION_FORMULA_EXAMPLES; ++i)
    t.items.push_back({IDC_ION_EXAMPLE_FIRST + i, "Static", "", text, 0, xs[i], ys[i], ws[i], 10});
  AddDialog(module, ION_FORMULA_DIALOG_ID, t);
}

struct Example {
  const char* pattern;
  int values[3];
};
const Example kExamples[ION_FORMULA_EXAMPLES] = {
    {"    - Individual Ions (e.g., %%.%df)", {40}},
    {"    - Range of ions (e.g., %%.%df:%%.%df)", {40, 60}},
    {"    - All ions: RIC", {}},
    {"Examples:  %%.%df", {28}},
    {"(Plot ion %%.%df only.)", {28}},
    {"      %%.%df:%%.%df", {40, 450}},
    {"(Plot ions %%.%df through %%.%df.)", {40, 450}},
    {"      RIC-%%.%df", {128}},
    {"(Plot all ions except ion %%.%df.)", {128}},
    {"      %%.%df+%%.%df", {91, 128}},
    {"(Plot ions %%.%df and %%.%df.)", {91, 128}},
    {"      %%.%df:%%.%df-%%.%df", {60, 450, 128}},
    {"(Plot ions %%.%df through %%.%df except ion %%.%df.)", {60, 450, 128}},
};

int ClampDecimals(int decimals) { return decimals < 0 ? 0 : decimals > 6 ? 6 : decimals; }

}  // namespace

namespace kelt::dlg {

int16_t ReadShowFormat() {
  int16_t flag = 0;
  if (!GetPrivateProfileStructA("SelectMasses", "Params", &flag, sizeof flag, kelt::lib::PreferencesIniPath()))
    flag = 0;
  return flag;
}

void WriteShowFormat(int16_t show) {
  WritePrivateProfileStructA("SelectMasses", "Params", &show, sizeof show, kelt::lib::PreferencesIniPath());
}

void IonFormulaExampleLine(int index, int decimals, char* out, size_t size) {
  if (!out || size == 0) return;
  out[0] = 0;
  if (index < 0 || index >= ION_FORMULA_EXAMPLES) return;
  const int n = ClampDecimals(decimals);
  char format[128];
  // The patterns are ours and fixed: each "%%.%df" takes the decimals.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
  std::snprintf(format, sizeof format, kExamples[index].pattern, n, n, n);
  const int* v = kExamples[index].values;
  std::snprintf(out, size, format, double(v[0]), double(v[1]), double(v[2]));
#pragma GCC diagnostic pop
}

}  // namespace kelt::dlg

CIonFormulaDlg::CIonFormulaDlg() { m_list.window = 0.5; }

BOOL CIonFormulaDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_window = m_list.window > 0 ? m_list.window : 0.5;
  m_showFormat = kelt::dlg::ReadShowFormat();
  RECT window{}, group{};
  ::GetWindowRect(m_hWnd, &window);
  ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_ION_FORMAT_GROUP), &group);
  m_fullHeight = window.bottom - window.top;
  m_shortHeight = group.top - window.top;
  CheckDlgButton(IDC_ION_SHOW_FORMAT, m_showFormat ? BST_CHECKED : BST_UNCHECKED);
  const int n = ClampDecimals(m_decimals);
  char line[160];
  std::snprintf(line, sizeof line, "The valid ion range is from %.*f to %.*f.", n, m_lowest, n, m_highest);
  SetDlgItemText(IDC_ION_RANGE_LINE, line);
  SendDlgItemMessage(IDC_ION_FORMULA, EM_LIMITTEXT, 301, 0);
  char text[420] = {};
  if (!FormatMassListText(text, &m_list, n)) text[0] = 0;
  m_filling = true;
  SetDlgItemText(IDC_ION_FORMULA, text);
  m_filling = false;
  UpdateStatus();
  for (int i = 0; i < ION_FORMULA_EXAMPLES; ++i) {
    kelt::dlg::IonFormulaExampleLine(i, n, line, sizeof line);
    SetDlgItemText(IDC_ION_EXAMPLE_FIRST + i, line);
  }
  ShowFormat(m_showFormat != 0);
  return TRUE;
}

void CIonFormulaDlg::ShowFormat(bool show) {
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, show ? m_fullHeight : m_shortHeight, TRUE);
}

void CIonFormulaDlg::UpdateStatus() {
  char text[kFormulaRoom] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_ION_FORMULA, text, sizeof text);
  char status[KELT_ION_FORMULA_STATUS_SIZE] = {};
  const BOOL usable = KELT_GetStatusStringForIonFormula(text, m_lowest, m_highest, status);
  std::string ions = "IONS:  ";
  if (usable) {
    STRUCT_MASS_LIST parsed{};
    parsed.window = m_window;
    ParseMassList(text, &parsed);
    m_list = parsed;
    char canonical[420] = {};
    if (FormatMassListText(canonical, &m_list, ClampDecimals(m_decimals))) ions += canonical;
    SetDlgItemText(IDC_ION_CANONICAL, ions.c_str());
  } else {
    SetDlgItemText(IDC_ION_CANONICAL, "");
  }
  SetDlgItemText(IDC_ION_STATUS, (std::string("STATUS:  ") + status).c_str());
  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), usable ? TRUE : FALSE);
}

void CIonFormulaDlg::OnOK() {
  // Take the list as shown, so the stored ranges are the ones the user saw.
  char text[420] = {};
  if (FormatMassListText(text, &m_list, ClampDecimals(m_decimals))) {
    STRUCT_MASS_LIST again{};
    again.window = m_window;
    if (ParseMassList(text, &again)) m_list = again;
  }
  m_list.window = m_window;
  CDialog::OnOK();
}

BOOL CIonFormulaDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (id == IDC_ION_FORMULA && HIWORD(wParam) == EN_CHANGE) {
    if (!m_filling) UpdateStatus();
    return TRUE;
  }
  if (id == IDC_ION_SHOW_FORMAT && HIWORD(wParam) == BN_CLICKED) {
    m_showFormat = IsDlgButtonChecked(IDC_ION_SHOW_FORMAT) == BST_CHECKED ? 1 : 0;
    ShowFormat(m_showFormat != 0);
    kelt::dlg::WriteShowFormat(m_showFormat);
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

LRESULT CIonFormulaDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

int32_t Dlg_EditIonFormula(STRUCT_MASS_LIST* list, int16_t decimals, double lowestIon, double highestIon) {
  if (!list) return 0;
  AddTemplate();
  CIonFormulaDlg dlg;
  if (!kelt::dlg::InitModalFromLibrary(&dlg, ION_FORMULA_DIALOG_ID, nullptr)) return 0;
  dlg.m_list = *list;
  dlg.m_decimals = decimals;
  dlg.m_lowest = lowestIon;
  dlg.m_highest = highestIon;
  if (dlg.DoModal() != IDOK) return 0;
  *list = dlg.m_list;
  if (!(list->window > 0)) list->window = 0.5;
  return 1;
}
