// The data-type and channel-formula dialogs.
#include "dialogs/data_type_dialogs.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/ion_formula_status.h"
#include "common/library_state.h"
#include "common/mass_lists.h"
#include "common/work_file_facts.h"
#include "dialogs/ion_formula_dialog.h"
#include "dialogs/ion_ranges.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

using win::resources::DialogItem;
using win::resources::DialogTemplate;

constexpr DWORD kText = WS_VISIBLE | SS_LEFT;
constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kRadio = WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON;

const char* const kBasicLabels[4] = {"RIC", "Ion Formula", "Intensity of Base Peak", "Base Peak Ion"};

void AddDataTypeTemplate() {
  const HMODULE module = kelt::lib::ModuleHandle();
  if (win::resources::FindDialog(module, DATA_TYPE_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Select Data Type";
  t.cx = 300;
  t.cy = 346;
  for (int i = 0; i < 4; ++i)
    t.items.push_back({IDC_DT_FIRST_TYPE + i, "Button", kBasicLabels[i], kRadio, 0, 8, static_cast<short>(6 + 11 * i),
                       140, 10});
  t.items.push_back({-1, "Button", "Data File Types", WS_VISIBLE | BS_GROUPBOX, 0, 6, 50, 226, 68});
  for (int k = 0; k < 20; ++k)
    t.items.push_back({IDC_DT_FIRST_TYPE + 4 + k, "Button", "", kRadio, 0, static_cast<short>(12 + 55 * (k / 5)),
                       static_cast<short>(61 + 11 * (k % 5)), 53, 10});
  t.items.push_back({IDC_DT_RANGE_LINE, "Static", "", kText, 0, 8, 124, 220, 10});
  t.items.push_back({IDC_DT_FORMULA, "Edit", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 8, 136, 220,
                     13});
  t.items.push_back({IDC_DT_CANONICAL, "Static", "", kText, 0, 8, 153, 220, 10});
  t.items.push_back({IDC_DT_STATUS, "Static", "", kText, 0, 8, 164, 220, 10});
  t.items.push_back({IDC_DT_SHOW_FORMAT, "Button", "&Show Format and Examples",
                     WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 8, 178, 140, 12});
  t.items.push_back({IDOK, "Button", "OK", kPush | BS_DEFPUSHBUTTON, 0, 238, 6, 54, 14});
  t.items.push_back({IDCANCEL, "Button", "Cancel", kPush, 0, 238, 24, 54, 14});
  t.items.push_back({KELT_HELP_BUTTON_ID, "Button", "&Help", kPush, 0, 238, 42, 54, 14});
  t.items.push_back({IDC_DT_FORMAT_GROUP, "Button", "Format and Examples", WS_VISIBLE | BS_GROUPBOX, 0, 6, 194, 288,
                     148});
  t.items.push_back({-1, "Static", "Specify an ion selection by combining one or more", kText, 0, 12, 206, 276, 10});
  t.items.push_back(
      {-1, "Static", "of the following items, with the '+' and '-' operators.", kText, 0, 12, 216, 276, 10});
  const short ys[ION_FORMULA_EXAMPLES] = {226, 236, 246, 260, 260, 270, 270, 280, 280, 290, 290, 300, 300};
  const short xs[ION_FORMULA_EXAMPLES] = {12, 12, 12, 12, 96, 12, 96, 12, 96, 12, 96, 12, 96};
  const short ws[ION_FORMULA_EXAMPLES] = {276, 276, 276, 82, 194, 82, 194, 82, 194, 82, 194, 82, 194};
  for (int i = 0; i < ION_FORMULA_EXAMPLES; ++i)
    t.items.push_back({IDC_DT_EXAMPLE_FIRST + i, "Static", "", kText, 0, xs[i], ys[i], ws[i], 10});
  win::resources::AddDialog(module, DATA_TYPE_DIALOG_ID, t);
}

void AddChanFormulaTemplate() {
  const HMODULE module = kelt::lib::ModuleHandle();
  if (win::resources::FindDialog(module, CHAN_FORMULA_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Select Scan Channels";
  t.cx = 300;
  t.cy = 262;
  t.items = {
      {IDC_CF_TITLE, "Static", "", kText, 0, 8, 6, 224, 10},
      {IDC_CF_COUNT, "Static", "", kText, 0, 8, 18, 224, 10},
      {IDC_CF_MERGED, "Button", "&Merged Scan Channels", kRadio, 0, 8, 34, 140, 10},
      {IDC_CF_SELECTED, "Button", "&Selected Scan Channels", kRadio, 0, 8, 46, 140, 10},
      {IDC_CF_FORMULA, "Edit", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 20, 60, 208, 13},
      {IDC_CF_CHANNELS, "Static", "", kText, 0, 20, 77, 208, 10},
      {IDC_CF_STATUS, "Static", "", kText, 0, 20, 88, 208, 10},
      {IDC_CF_SHOW_FORMAT, "Button", "&Show Format and Examples", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 8, 102,
       140, 12},
      {IDOK, "Button", "OK", kPush | BS_DEFPUSHBUTTON, 0, 238, 6, 54, 14},
      {IDCANCEL, "Button", "Cancel", kPush, 0, 238, 24, 54, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", kPush, 0, 238, 42, 54, 14},
      {IDC_CF_FORMAT_GROUP, "Button", "Format and Examples", WS_VISIBLE | BS_GROUPBOX, 0, 6, 118, 288, 140},
  };
  const char* const lines[] = {
      "Type a channel formula of individual channels and groups of consecutive channels.",
      "A group of consecutive channels is specified by the first channel, a colon, and the last channel.",
      "Separate each channel or group of consecutive channels with a plus sign.",
      "You can enter a maximum of 10 individual channels or groups of consecutive channels."};
  short y = 130;
  for (const char* line : lines) {
    // The longer lines take two rows.
    const short rows = std::strlen(line) > 60 ? 2 : 1;
    t.items.push_back({-1, "Static", line, kText, 0, 12, y, 276, static_cast<short>(10 * rows)});
    y = static_cast<short>(y + 10 * rows);
  }
  y = static_cast<short>(y + 4);
  t.items.push_back({-1, "Static", "Examples:", kText, 0, 12, y, 60, 10});
  const char* const examples[][2] = {{"4", "(Plot channel 4 only.)"},
                                     {"4+8", "(Plot channels 4 and 8.)"},
                                     {"2:6", "(Plot channels 2 through 6.)"},
                                     {"4+8:11", "(Plot channel 4 and channels 8 through 11.)"}};
  for (const auto& e : examples) {
    t.items.push_back({-1, "Static", e[0], kText, 0, 72, y, 40, 10});
    t.items.push_back({-1, "Static", e[1], kText, 0, 116, y, 172, 10});
    y = static_cast<short>(y + 10);
  }
  win::resources::AddDialog(module, CHAN_FORMULA_DIALOG_ID, t);
}

int ClampDecimals(int d) { return d < 0 ? 0 : d > 6 ? 6 : d; }

// Full and collapsed heights: the collapsed one ends above the group.
void MeasureHeights(HWND dialog, int group, int* full, int* shortHeight) {
  RECT w{}, g{};
  GetWindowRect(dialog, &w);
  GetWindowRect(GetDlgItem(dialog, group), &g);
  *full = w.bottom - w.top;
  *shortHeight = g.top - w.top;
}

void Resize(HWND dialog, int height) {
  RECT r{};
  GetWindowRect(dialog, &r);
  MoveWindow(dialog, r.left, r.top, r.right - r.left, height, TRUE);
}

std::string Narrow(const char16_t* text, size_t room) {
  std::string out;
  for (size_t i = 0; i < room && text[i]; ++i) out += text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
  return out;
}

const char* const kChanStatus[] = {"Invalid Channel Formula", "No Characters",        "Invalid Character(s)",
                                   "Invalid Channel(s)",      "Duplicate Channel(s)", "Valid Channel Formula"};

}  // namespace

namespace kelt::dlg {

int ChannelFormulaStatus(const char* text, int channelCount, char* status) {
  int index = 0;
  const std::string t = text ? std::string(text, strnlen(text, 4096)) : std::string();
  if (t.empty()) index = 1;
  else if (t.find_first_not_of(" +:0123456789") != std::string::npos) index = 2;
  STRUCT_CHAN_LIST list{};
  if (index == 0 && ParseChanList(t.c_str(), &list) && list.kind == CHAN_LIST_LISTED && list.count >= 1 &&
      list.count <= CHAN_LIST_MAX_ENTRIES) {
    std::vector<int> covered(256, 0);
    for (int i = 0; i < list.count && index == 0; ++i) {
      const CHAN_RANGE& r = list.entries[i];
      const int low = r.low, high = r.high;
      if (low >= channelCount || high >= channelCount) {
        index = 3;
        break;
      }
      if (low == 254 || high == 254) {
        // A typed 255 must be there as a number of its own.
        bool found = false;
        for (size_t at = t.find("255"); at != std::string::npos; at = t.find("255", at + 1))
          if (at + 3 >= t.size() || t[at + 3] < '0' || t[at + 3] > '9') found = true;
        if (!found) index = 3;
      }
      for (int c = low; c <= high && c < 256 && index == 0; ++c)
        if (++covered[static_cast<size_t>(c)] > 1) index = 4;
    }
    if (index == 0) index = 5;
  }
  if (status) std::strcpy(status, kChanStatus[index]);
  return index;
}

}  // namespace kelt::dlg

// ---- Data-type dialog --------------------------------------------------------

BOOL CDataTypeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_workFile) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  m_decimals = ClampDecimals(kelt::wff::MassDecimals(m_workFile));
  kelt::dlg::ValidIons(m_workFile, &m_lowest, &m_highest);
  m_window = m_list.window > 0 ? m_list.window : 0.5;
  m_showFormat = kelt::dlg::ReadShowFormat();
  MeasureHeights(m_hWnd, IDC_DT_FORMAT_GROUP, &m_fullHeight, &m_shortHeight);
  CheckDlgButton(IDC_DT_SHOW_FORMAT, m_showFormat ? BST_CHECKED : BST_UNCHECKED);
  if (m_code >= 0 && m_code < DATA_TYPE_CODES) CheckDlgButton(IDC_DT_FIRST_TYPE + m_code, BST_CHECKED);
  const int names = m_workFile->msInfo.extraColumnCount;
  for (int k = 0; k < 20; ++k) {
    HWND radio = ::GetDlgItem(m_hWnd, IDC_DT_FIRST_TYPE + 4 + k);
    if (k < names && k < MS_MAX_EXTRA_COLUMNS) {
      ::SetWindowTextA(radio, Narrow(m_workFile->msInfo.extraColumnNames[k], 14).c_str());
    } else {
      ::EnableWindow(radio, FALSE);
    }
  }
  char line[160];
  std::snprintf(line, sizeof line, "The valid ion range is from %.*f to %.*f.", m_decimals, m_lowest, m_decimals,
                m_highest);
  SetDlgItemText(IDC_DT_RANGE_LINE, line);
  for (int i = 0; i < ION_FORMULA_EXAMPLES; ++i) {
    kelt::dlg::IonFormulaExampleLine(i, m_decimals, line, sizeof line);
    SetDlgItemText(IDC_DT_EXAMPLE_FIRST + i, line);
  }
  SendDlgItemMessage(IDC_DT_FORMULA, EM_LIMITTEXT, 300, 0);
  if (m_code == 1) {
    char text[420] = {};
    if (m_list.kind == MASS_LIST_RANGES) FormatMassListText(text, &m_list, m_decimals);
    m_filling = true;
    SetDlgItemText(IDC_DT_FORMULA, text);
    m_filling = false;
    SendDlgItemMessage(IDC_DT_FORMULA, EM_SETSEL, 0, -1);
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_DT_FORMULA));
    UpdateStatus();
  } else {
    ApplyCode(m_code);
  }
  ShowFormat(m_showFormat != 0);
  return m_code == 1 ? FALSE : TRUE;
}

void CDataTypeDlg::ShowFormat(bool show) { Resize(m_hWnd, show ? m_fullHeight : m_shortHeight); }

void CDataTypeDlg::ApplyCode(int16_t code) {
  m_code = code;
  KELT_ParseDataTypeIntoMassList(code, &m_list, &m_list);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DT_FORMULA), FALSE);
  SetDlgItemText(IDC_DT_STATUS, "");
  SetDlgItemText(IDC_DT_CANONICAL, "");
  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), TRUE);
}

void CDataTypeDlg::UpdateStatus() {
  char text[600] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_DT_FORMULA, text, sizeof text);
  char status[KELT_ION_FORMULA_STATUS_SIZE] = {};
  const BOOL usable = KELT_GetStatusStringForIonFormula(text, m_lowest, m_highest, status);
  if (usable) {
    STRUCT_MASS_LIST parsed{};
    parsed.window = m_window;
    ParseMassList(text, &parsed);
    m_list = parsed;
    char canonical[420] = {};
    FormatMassListText(canonical, &m_list, m_decimals);
    SetDlgItemText(IDC_DT_CANONICAL, (std::string("IONS:  ") + canonical).c_str());
  } else {
    SetDlgItemText(IDC_DT_CANONICAL, "");
  }
  SetDlgItemText(IDC_DT_STATUS, (std::string("STATUS:  ") + status).c_str());
  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), usable ? TRUE : FALSE);
}

BOOL CDataTypeDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (id == IDC_DT_FORMULA) {
    if (HIWORD(wParam) == EN_CHANGE && !m_filling && m_code == 1) UpdateStatus();
    return TRUE;
  }
  if (id >= IDC_DT_FIRST_TYPE && id < IDC_DT_FIRST_TYPE + DATA_TYPE_CODES && HIWORD(wParam) == BN_CLICKED) {
    const int16_t code = static_cast<int16_t>(id - IDC_DT_FIRST_TYPE);
    for (int i = 0; i < DATA_TYPE_CODES; ++i)
      CheckDlgButton(IDC_DT_FIRST_TYPE + i, i == code ? BST_CHECKED : BST_UNCHECKED);
    if (code == 1) {
      m_code = 1;
      HWND field = ::GetDlgItem(m_hWnd, IDC_DT_FORMULA);
      ::EnableWindow(field, TRUE);
      ::SetFocus(field);
      UpdateStatus();
    } else {
      ApplyCode(code);
    }
    return TRUE;
  }
  if (id == IDC_DT_SHOW_FORMAT && HIWORD(wParam) == BN_CLICKED) {
    m_showFormat = IsDlgButtonChecked(IDC_DT_SHOW_FORMAT) == BST_CHECKED ? 1 : 0;
    ShowFormat(m_showFormat != 0);
    kelt::dlg::WriteShowFormat(m_showFormat);
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

LRESULT CDataTypeDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

int32_t Dlg_EditDataType(STRUCT_MASS_LIST* list, int16_t* dataType, const STRUCT_WORK_FILE* workFile) {
  if (!list || !dataType || !workFile) return 0;
  AddDataTypeTemplate();
  CDataTypeDlg dlg;
  if (!kelt::dlg::InitModalFromLibrary(&dlg, DATA_TYPE_DIALOG_ID, nullptr)) return 0;
  dlg.m_list = *list;
  dlg.m_code = *dataType;
  dlg.m_workFile = workFile;
  if (dlg.DoModal() != IDOK) return 0;
  *list = dlg.m_list;
  *dataType = dlg.m_code;
  if (!(list->window > 0)) list->window = 0.5;
  return 1;
}

// ---- Channel-formula dialog -----------------------------------------------------

BOOL CChanFormulaDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  char line[400];
  int segment = 0;
  const STRUCT_WORK_FILE* wf = m_workFile;
  if (wf) {
    if (m_mode == 0 || m_mode == 2) {
      m_channels = kelt::wff::MostScanFunctions(wf);
    } else if (m_mode == 1) {
      m_channels = 1;
      for (int i = 0; i < kelt::wff::SegmentCount(wf); ++i) {
        const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(wf, i);
        if (b && b->startTime <= m_value && m_value <= b->endTime) {
          segment = i;
          m_channels = b->functionCount;
          break;
        }
      }
    } else if (m_mode == 3) {
      segment = static_cast<int>(m_value);
      if (const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(wf, segment)) m_channels = b->functionCount;
    }
    char path[120] = {};
    KELT_TruncateFileString(kelt::wff::Path(wf), 90, path);
    if (m_mode == 1 || m_mode == 3) std::snprintf(line, sizeof line, "for segment %d of %s", segment + 1, path);
    else std::snprintf(line, sizeof line, "for %s", path);
    SetDlgItemText(IDC_CF_TITLE, line);
  } else {
    SetDlgItemText(IDC_CF_TITLE, "No data file.");
  }
  if ((m_mode == 1 || m_mode == 2) && m_list.kind == CHAN_LIST_IGNORED) m_list.kind = CHAN_LIST_MERGED;
  if (!wf) std::snprintf(line, sizeof line, "You can select scan channel numbers from 1 to %d.", m_channels);
  else if (m_mode == 1 && m_channels == 1)
    std::snprintf(line, sizeof line, "This file contains 1 scan channel at %.3f minutes.", m_value);
  else if (m_mode == 1)
    std::snprintf(line, sizeof line, "This file contains %d scan channels at %.3f minutes.", m_channels, m_value);
  else if (m_mode == 3 && m_channels == 1)
    std::snprintf(line, sizeof line, "Segment %d has 1 scan channel.", segment + 1);
  else if (m_mode == 3)
    std::snprintf(line, sizeof line, "Segment %d has %d scan channels.", segment + 1, m_channels);
  else
    std::snprintf(line, sizeof line, "This file has a maximum of %d scan channels.", m_channels);
  SetDlgItemText(IDC_CF_COUNT, line);
  SendDlgItemMessage(IDC_CF_FORMULA, EM_LIMITTEXT, 200, 0);
  m_showFormat = kelt::dlg::ReadShowFormat();
  MeasureHeights(m_hWnd, IDC_CF_FORMAT_GROUP, &m_fullHeight, &m_shortHeight);
  CheckDlgButton(IDC_CF_SHOW_FORMAT, m_showFormat ? BST_CHECKED : BST_UNCHECKED);
  ShowFormat(m_showFormat != 0);
  CheckDlgButton(m_list.kind == CHAN_LIST_MERGED ? IDC_CF_MERGED : IDC_CF_SELECTED, BST_CHECKED);
  if (m_list.kind == CHAN_LIST_LISTED) {
    char text[400] = {};
    FormatChanList(text, &m_list);
    SetDlgItemText(IDC_CF_FORMULA, text);
    SendDlgItemMessage(IDC_CF_FORMULA, EM_SETSEL, 0, -1);
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_CF_FORMULA));
    Check();
    return FALSE;
  }
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CF_FORMULA), FALSE);
  RecheckOk();
  return TRUE;
}

void CChanFormulaDlg::ShowFormat(bool show) { Resize(m_hWnd, show ? m_fullHeight : m_shortHeight); }

void CChanFormulaDlg::Check() {
  char text[300] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_CF_FORMULA, text, sizeof text);
  char status[32] = {};
  const int index = kelt::dlg::ChannelFormulaStatus(text, m_channels, status);
  m_valid = index == 5;
  if (m_valid) {
    STRUCT_CHAN_LIST parsed{};
    ParseChanList(text, &parsed);
    m_list = parsed;
    char canonical[400] = {};
    FormatChanList(canonical, &m_list);
    SetDlgItemText(IDC_CF_CHANNELS, (std::string("CHANNELS:") + canonical).c_str());
  } else {
    SetDlgItemText(IDC_CF_CHANNELS, "CHANNELS:  ");
    if (!text[0]) {
      m_list = STRUCT_CHAN_LIST{};
      m_list.kind = CHAN_LIST_LISTED;
    }
  }
  SetDlgItemText(IDC_CF_STATUS, (std::string("STATUS:  ") + status).c_str());
  RecheckOk();
}

void CChanFormulaDlg::RecheckOk() {
  bool ok = true;
  if (m_list.kind == CHAN_LIST_LISTED) {
    ok = m_valid && m_list.count > 0 && m_list.count <= CHAN_LIST_MAX_ENTRIES;
    std::vector<int> covered(256, 0);
    for (int i = 0; ok && i < m_list.count; ++i) {
      const CHAN_RANGE& r = m_list.entries[i];
      const int low = r.low, high = r.high;
      if (r.reserved != 0 || low > high || high >= m_channels) ok = false;
      for (int c = low; ok && c <= high && c < 256; ++c)
        if (++covered[static_cast<size_t>(c)] > 1) ok = false;
    }
  }
  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), ok ? TRUE : FALSE);
}

void CChanFormulaDlg::OnOK() {
  HWND ok = ::GetDlgItem(m_hWnd, IDOK);
  if (::GetFocus() != ok) {
    // Enter elsewhere moves on, as Tab would.
    HWND next = ::GetNextDlgTabItem(m_hWnd, ::GetFocus(), FALSE);
    if (next) ::SetFocus(next);
    if (next == ::GetDlgItem(m_hWnd, IDC_CF_FORMULA)) SendDlgItemMessage(IDC_CF_FORMULA, EM_SETSEL, 0, -1);
    return;
  }
  if (m_list.kind == CHAN_LIST_MERGED || m_list.kind == CHAN_LIST_IGNORED) {
    std::memset(m_list.entries, 0, sizeof m_list.entries);
    m_list.count = 0;
  } else {
    for (int i = m_list.count; i < CHAN_LIST_MAX_ENTRIES; ++i) m_list.entries[i] = CHAN_RANGE{};
  }
  CDialog::OnOK();
}

BOOL CChanFormulaDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  switch (id) {
    case IDC_CF_FORMULA:
      if (code == EN_CHANGE || code == EN_KILLFOCUS) Check();
      return TRUE;
    case IDC_CF_MERGED:
      if (code != BN_CLICKED) return TRUE;
      CheckDlgButton(IDC_CF_MERGED, BST_CHECKED);
      CheckDlgButton(IDC_CF_SELECTED, BST_UNCHECKED);
      m_list.kind = CHAN_LIST_MERGED;
      ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CF_FORMULA), FALSE);
      SetDlgItemText(IDC_CF_STATUS, "");
      SetDlgItemText(IDC_CF_CHANNELS, "");
      RecheckOk();
      return TRUE;
    case IDC_CF_SELECTED: {
      if (code != BN_CLICKED) return TRUE;
      CheckDlgButton(IDC_CF_SELECTED, BST_CHECKED);
      CheckDlgButton(IDC_CF_MERGED, BST_UNCHECKED);
      m_list.kind = CHAN_LIST_LISTED;
      HWND field = ::GetDlgItem(m_hWnd, IDC_CF_FORMULA);
      ::EnableWindow(field, TRUE);
      Check();
      ::SetFocus(field);
      return TRUE;
    }
    case IDC_CF_SHOW_FORMAT:
      if (code != BN_CLICKED) return TRUE;
      m_showFormat = IsDlgButtonChecked(IDC_CF_SHOW_FORMAT) == BST_CHECKED ? 1 : 0;
      ShowFormat(m_showFormat != 0);
      kelt::dlg::WriteShowFormat(m_showFormat);
      return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
  }
}

LRESULT CChanFormulaDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

int32_t Dlg_EditChanFormulaEx(const STRUCT_WORK_FILE* workFile, STRUCT_CHAN_LIST* list, int16_t mode, double value) {
  if (!list) return 0;
  AddChanFormulaTemplate();
  CChanFormulaDlg dlg;
  if (!kelt::dlg::InitModalFromLibrary(&dlg, CHAN_FORMULA_DIALOG_ID, nullptr)) return 0;
  dlg.m_list = *list;
  dlg.m_workFile = workFile;
  dlg.m_mode = mode;
  dlg.m_value = value;
  if (dlg.DoModal() != IDOK) return 0;
  *list = dlg.m_list;
  return 1;
}

int32_t Dlg_EditChanFormula(const STRUCT_WORK_FILE* workFile, STRUCT_CHAN_LIST* list) {
  return Dlg_EditChanFormulaEx(workFile, list, 0, 0.0);
}
