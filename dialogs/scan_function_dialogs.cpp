// The scan-function dialogs.
#include "dialogs/scan_function_dialogs.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/data_file_descriptions.h"
#include "common/library_state.h"
#include "common/scan_fun_info.h"
#include "common/work_file_facts.h"
#include "common/preference_records.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/reference_text_dialog.h"
#include "reportpages/report_viewer.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_commctrl.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

void AddTemplates() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (!FindDialog(module, SCAN_FUN_ARRAY_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = "Select Scan Functions";
    t.cx = 280;
    t.cy = 150;
    t.items = {
        {IDC_SFA_LIST, "ListBox", "",
         WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_EXTENDEDSEL, 0, 6, 6, 204, 138},
        {IDOK, "Button", "OK", kPush | BS_DEFPUSHBUTTON, 0, 218, 6, 56, 14},
        {IDCANCEL, "Button", "Cancel", kPush, 0, 218, 24, 56, 14},
        {IDC_SFA_UNSELECT, "Button", "Unselect All", kPush, 0, 218, 48, 56, 14},
        {KELT_HELP_BUTTON_ID, "Button", "&Help", kPush, 0, 218, 66, 56, 14},
    };
    AddDialog(module, SCAN_FUN_ARRAY_DIALOG_ID, t);
  }
  if (!FindDialog(module, SELECT_SCAN_FUNS_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = "Select Scan Functions";
    t.cx = 320;
    t.cy = 220;
    const DWORD radio = WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON;
    t.items = {
        {IDC_SSF_FILE, "Static", "", WS_VISIBLE | SS_LEFT, 0, 6, 6, 240, 10},
        {IDC_SSF_MERGED, "Button", "Merged", radio, 0, 6, 20, 60, 10},
        {IDC_SSF_ALL, "Button", "All", radio, 0, 70, 20, 40, 10},
        {IDC_SSF_SELECTED, "Button", "Selected Scan Functions", radio, 0, 114, 20, 120, 10},
        {IDC_SSF_CHOICE, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 6, 34, 240, 11},
        {-1, "Button", "Select One or More Scan Functions", WS_VISIBLE | BS_GROUPBOX, 0, 6, 50, 244, 166},
        {IDC_SSF_LIST, "SysListView32", "",
         WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 12, 62, 232, 148},
        {IDOK, "Button", "OK", kPush | BS_DEFPUSHBUTTON, 0, 258, 6, 56, 14},
        {IDCANCEL, "Button", "Cancel", kPush, 0, 258, 24, 56, 14},
        {IDC_SSF_UNSELECT, "Button", "Unselect All", kPush, 0, 258, 48, 56, 14},
        {KELT_HELP_BUTTON_ID, "Button", "&Help", kPush, 0, 258, 66, 56, 14},
        {IDC_SSF_PRINT, "Button", "Print", kPush, 0, 258, 84, 56, 14},
    };
    AddDialog(module, SELECT_SCAN_FUNS_DIALOG_ID, t);
  }
  if (!FindDialog(module, VIEW_SCAN_FUNS_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = " ";
    t.cx = 320;
    t.cy = 200;
    t.items = {
        {IDC_SSF_FILE, "Static", "", WS_VISIBLE | SS_LEFT, 0, 6, 6, 240, 10},
        {IDC_SSF_LIST, "SysListView32", "",
         WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 6, 20, 244, 174},
        {IDC_SSF_PRINT, "Button", "Print", kPush, 0, 258, 6, 56, 14},
        {IDCANCEL, "Button", "Cancel", kPush | BS_DEFPUSHBUTTON, 0, 258, 24, 56, 14},
    };
    AddDialog(module, VIEW_SCAN_FUNS_DIALOG_ID, t);
  }
}

void CopyText(char* to, size_t room, const char* from) {
  const size_t n = strnlen(from, room - 1);
  std::memcpy(to, from, n);
  to[n] = 0;
}

SCAN_FUN_ENTRY EntryOf(const STRUCT_SCAN_FUN_INFO& r) {
  SCAN_FUN_ENTRY e{};
  CopyText(e.segments, sizeof e.segments, r.segmentList);
  CopyText(e.name, sizeof e.name, r.shortName);
  CopyText(e.identity, sizeof e.identity, r.longName);
  return e;
}

STRUCT_SCAN_FUN_ARRAY* MakeArray(const std::vector<SCAN_FUN_ENTRY>& entries) {
  if (entries.empty()) return nullptr;
  const size_t bytes = offsetof(STRUCT_SCAN_FUN_ARRAY, entries) + sizeof(SCAN_FUN_ENTRY) * entries.size();
  auto* a = static_cast<STRUCT_SCAN_FUN_ARRAY*>(AllocBlock(static_cast<uint32_t>(bytes)));
  if (!a) return nullptr;
  a->count = static_cast<uint16_t>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) a->entries[i] = entries[i];
  return a;
}

bool InArray(const STRUCT_SCAN_FUN_ARRAY* a, const char* identity) {
  if (!a) return false;
  for (int i = 0; i < a->count; ++i)
    if (_stricmp(a->entries[i].identity, identity) == 0) return true;
  return false;
}

// The file's scan functions, freed with the object.
struct Info {
  STRUCT_SCAN_FUN_INFO* records = nullptr;
  int16_t count = 0;
  explicit Info(const STRUCT_WORK_FILE* wf) {
    if (wf) records = PD_GetScanFunInfoForDataFile(wf, &count, 0);
    if (!records) count = 0;
  }
  ~Info() {
    if (records) FreeBlock(records);
  }
  Info(const Info&) = delete;
  Info& operator=(const Info&) = delete;
  const STRUCT_SCAN_FUN_INFO* At(int segment, int channel) const {
    for (int i = 0; i < count; ++i)
      if (records[i].kind == 1 && ScanFunInfoInSegment(records[i], segment) && records[i].channel == channel)
        return &records[i];
    return nullptr;
  }
};

// ---- The plain list ---------------------------------------------------------------

class CScanFunArrayDlg : public CDialog {
 public:
  STRUCT_WORK_FILE* m_workFile = nullptr;
  const STRUCT_SCAN_FUN_ARRAY* m_current = nullptr;
  bool m_oneSegment = false;
  int m_segment = 0;
  STRUCT_SCAN_FUN_ARRAY* m_result = nullptr;

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_info = std::make_unique<Info>(m_workFile);
    for (int i = 0; i < m_info->count; ++i) {
      const STRUCT_SCAN_FUN_INFO& r = m_info->records[i];
      if (m_oneSegment && !ScanFunInfoInSegment(r, m_segment)) continue;
      m_shown.push_back(i);
    }
    if (m_shown.empty()) {
      EndDialog(IDCANCEL);
      return TRUE;
    }
    for (size_t k = 0; k < m_shown.size(); ++k) {
      const STRUCT_SCAN_FUN_INFO& r = m_info->records[m_shown[k]];
      char text[460];
      std::snprintf(text, sizeof text, "%s (%s)", r.shortName, r.segmentList);
      SendDlgItemMessage(IDC_SFA_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      if (InArray(m_current, r.longName)) SendDlgItemMessage(IDC_SFA_LIST, LB_SETSEL, TRUE, static_cast<LPARAM>(k));
    }
    PositionDialog(m_hWnd, nullptr);
    return TRUE;
  }
  void OnOK() override {
    std::vector<SCAN_FUN_ENTRY> chosen;
    for (size_t k = 0; k < m_shown.size(); ++k)
      if (SendDlgItemMessage(IDC_SFA_LIST, LB_GETSEL, k, 0) > 0) chosen.push_back(EntryOf(m_info->records[m_shown[k]]));
    m_result = MakeArray(chosen);
    if (m_result) CDialog::OnOK();
    else EndDialog(IDCANCEL);
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == IDC_SFA_UNSELECT) {
      SendDlgItemMessage(IDC_SFA_LIST, LB_SETSEL, FALSE, -1);
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (m_help.Handle(this, msg, wParam, lParam)) return 0;
    return CDialog::WindowProc(msg, wParam, lParam);
  }

 private:
  std::unique_ptr<Info> m_info;
  std::vector<int> m_shown;
  kelt::dlg::DialogHelp m_help{205};
};

// ---- Merged, all or selected scan functions ----------------------------------------

struct Row {
  int16_t kind;  // 0 header, 1 segment, 2 channel
  int16_t segment, channel, marked;
};

class CSelectScanFunsDlg : public CDialog {
 public:
  STRUCT_WORK_FILE* m_workFile = nullptr;
  STRUCT_PS* m_ps = nullptr;  // the working copy; handed out on OK
  bool m_view = false;        // only to look at and print

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_info = std::make_unique<Info>(m_workFile);
    if (!m_info->count) {
      EndDialog(IDCANCEL);
      return TRUE;
    }
    BuildRows();
    char line[300];
    std::snprintf(line, sizeof line, "File: %s", kelt::wff::Path(m_workFile));
    SetDlgItemText(IDC_SSF_FILE, line);
    HWND list = ::GetDlgItem(m_hWnd, IDC_SSF_LIST);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    RECT r{};
    ::GetClientRect(list, &r);
    const int half = (r.right - r.left) / 2;
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.cx = half;
    c.pszText = const_cast<char*>("Scans");
    ::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&c));
    c.cx = (r.right - r.left) * 10 - half;
    c.pszText = const_cast<char*>("Long Descriptors");
    ::SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&c));
    FillRows();
    if (m_view) {
      PositionDialog(m_hWnd, nullptr);
      return TRUE;
    }
    const int radio = m_ps->selection1 == SCAN_FUN_DATA_TYPE ? IDC_SSF_SELECTED
                      : m_ps->chanList.kind == CHAN_LIST_IGNORED ? IDC_SSF_ALL
                                                                : IDC_SSF_MERGED;
    CheckRadio(radio);
    Refresh();
    PositionDialog(m_hWnd, nullptr);
    return TRUE;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    switch (LOWORD(wParam)) {
      case IDC_SSF_MERGED:
      case IDC_SSF_ALL:
        DropScanFuns();
        if (LOWORD(wParam) == IDC_SSF_MERGED) KELT_InitMergedChanList(&m_ps->chanList);
        else KELT_InitIgnoredChanList(&m_ps->chanList);
        m_ps->selection1 = static_cast<uint16_t>(KELT_GetDataTypeFromMassType(m_ps->massList.kind));
        CheckRadio(LOWORD(wParam));
        Remark();
        return TRUE;
      case IDC_SSF_SELECTED:
        DropScanFuns();
        m_ps->selection1 = SCAN_FUN_DATA_TYPE;
        CheckRadio(IDC_SSF_SELECTED);
        Remark();
        return TRUE;
      case IDC_SSF_PRINT: {
        std::string path;
        if (kelt::dlg::PrintLinesAsReportPages(kelt::dlg::ScanFunctionPrintLines(m_workFile), "Scan Function Information",
                                               &path, m_workFile) > 0) {
          STRUCT_REPORT_PREFS prefs{};
          KELT_ReadDefReportPrefs(&prefs, nullptr);
          Dlg_ViewReports(path.c_str(), 1, &prefs, 0);
        }
        return TRUE;
      }
      case IDC_SSF_UNSELECT:
        for (Row& row : m_rows) row.marked = 0;
        DropScanFuns();
        Remark();
        return TRUE;
      default: return CDialog::OnCommand(wParam, lParam);
    }
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_NOTIFY && !m_filling) {
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
      if (nm && nm->hdr.idFrom == IDC_SSF_LIST && nm->hdr.code == LVN_ITEMCHANGED) {
        TakeSelection();
        return 0;
      }
    }
    if (m_help.Handle(this, msg, wParam, lParam)) return 0;
    return CDialog::WindowProc(msg, wParam, lParam);
  }

 private:
  void BuildRows() {
    m_rows.push_back({0, 0, 0, 0});
    for (int s = 0; s < kelt::wff::SegmentCount(m_workFile); ++s) {
      m_rows.push_back({1, static_cast<int16_t>(s), 0, 0});
      for (int c = 0; c < kelt::wff::FunctionCount(m_workFile, s); ++c) {
        const STRUCT_SCAN_FUN_INFO* r = m_info->At(s, c);
        m_rows.push_back({2, static_cast<int16_t>(s), static_cast<int16_t>(c),
                          static_cast<int16_t>(r && InArray(m_ps->scanFuns, r->longName) ? 1 : 0)});
      }
    }
  }
  void FillRows() {
    HWND list = ::GetDlgItem(m_hWnd, IDC_SSF_LIST);
    m_filling = true;
    for (size_t i = 0; i < m_rows.size(); ++i) {
      const Row& row = m_rows[i];
      char first[120] = {}, second[320] = {};
      if (row.kind == 0) {
        KELT_GetOneTextLineForDataFile(m_workFile, first, 100);
        if (!first[0]) std::strcpy(first, "Method");
      } else if (row.kind == 1) {
        KELT_GetOneTextLineForSegment(m_workFile, row.segment, first);
        first[100] = 0;
        if (!first[0]) std::snprintf(first, sizeof first, "Segment %d", row.segment + 1);
      } else if (const STRUCT_SCAN_FUN_INFO* r = m_info->At(row.segment, row.channel)) {
        std::snprintf(first, sizeof first, "%d. %.100s", row.channel + 1, r->shortName);
        CopyText(second, sizeof second, r->longName);
      } else {
        std::snprintf(first, sizeof first, "%d.", row.channel + 1);
      }
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = first;
      ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      item.iSubItem = 1;
      item.pszText = second;
      ::SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    }
    m_filling = false;
  }
  void CheckRadio(int id) {
    for (int r : {IDC_SSF_MERGED, IDC_SSF_ALL, IDC_SSF_SELECTED}) CheckDlgButton(r, r == id ? BST_CHECKED : BST_UNCHECKED);
  }
  void DropScanFuns() {
    if (m_ps->scanFuns) FreeBlock(m_ps->scanFuns);
    m_ps->scanFuns = nullptr;
  }
  // Marks from the working record, shown as the list's selection.
  void Remark() {
    for (Row& row : m_rows) {
      const STRUCT_SCAN_FUN_INFO* r = row.kind == 2 ? m_info->At(row.segment, row.channel) : nullptr;
      row.marked = r && InArray(m_ps->scanFuns, r->longName) ? 1 : 0;
    }
    ShowMarks();
    Refresh();
  }
  void ShowMarks() {
    HWND list = ::GetDlgItem(m_hWnd, IDC_SSF_LIST);
    m_filling = true;
    for (size_t i = 0; i < m_rows.size(); ++i) {
      LVITEMA item{};
      item.stateMask = LVIS_SELECTED;
      item.state = m_rows[i].marked ? LVIS_SELECTED : 0;
      ::SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
    }
    m_filling = false;
  }
  // A selection change in the list: only channel rows can be marked.
  void TakeSelection() {
    HWND list = ::GetDlgItem(m_hWnd, IDC_SSF_LIST);
    if (m_view) {
      ShowMarks();  // a click changes nothing here
      return;
    }
    bool undone = false;
    std::vector<SCAN_FUN_ENTRY> chosen;
    for (size_t i = 0; i < m_rows.size(); ++i) {
      const bool selected = (::SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) != 0;
      const STRUCT_SCAN_FUN_INFO* r = m_rows[i].kind == 2 ? m_info->At(m_rows[i].segment, m_rows[i].channel) : nullptr;
      if (selected && !r) undone = true;
      m_rows[i].marked = selected && r ? 1 : 0;
      if (m_rows[i].marked) chosen.push_back(EntryOf(*r));
    }
    if (undone) ShowMarks();
    DropScanFuns();
    m_ps->scanFuns = MakeArray(chosen);
    m_ps->selection1 = SCAN_FUN_DATA_TYPE;
    CheckRadio(IDC_SSF_SELECTED);
    Refresh();
  }
  void Refresh() {
    const bool scanType = m_ps->selection1 == SCAN_FUN_DATA_TYPE;
    const bool have = m_ps->scanFuns && m_ps->scanFuns->count > 0;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), !scanType || have ? TRUE : FALSE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SSF_UNSELECT), scanType && have ? TRUE : FALSE);
    std::string choice;
    if (have) {
      char title[201] = {};
      SCAN_FUN_GetPlotTitle(m_workFile, &m_ps->massList, m_ps->scanFuns, title, 200);
      choice = title;
    } else if (!scanType) {
      choice = m_ps->chanList.kind == CHAN_LIST_IGNORED ? "Ignore" : "Merged";
    }
    SetDlgItemText(IDC_SSF_CHOICE, choice.c_str());
  }

  std::unique_ptr<Info> m_info;
  std::vector<Row> m_rows;
  bool m_filling = false;
  kelt::dlg::DialogHelp m_help{203};
};

}  // namespace

namespace kelt::dlg {

std::vector<std::string> ScanFunctionPrintLines(STRUCT_WORK_FILE* workFile) {
  std::vector<std::string> lines;
  if (!workFile) return lines;
  Info info(workFile);
  for (int s = 0; s < kelt::wff::SegmentCount(workFile); ++s) {
    char text[320] = {};
    KELT_GetOneTextLineForSegment(workFile, static_cast<int16_t>(s), text);
    text[100] = 0;
    if (!text[0]) std::snprintf(text, sizeof text, "Segment %d", s + 1);
    lines.push_back(text);
    for (int c = 0; c < kelt::wff::FunctionCount(workFile, s); ++c) {
      const STRUCT_SCAN_FUN_INFO* r = info.At(s, c);
      // Written from column 4: the number at column 10, the text at 16.
      std::snprintf(text, sizeof text, "      %4d. %.100s", c + 1, r ? r->shortName : "");
      lines.push_back(text);
      const std::string longText = r ? std::string(r->longName, strnlen(r->longName, sizeof r->longName)) : "";
      for (size_t at = 0; at < longText.size(); at += 60) lines.push_back(std::string(12, ' ') + longText.substr(at, 60));
    }
  }
  return lines;
}

}  // namespace kelt::dlg

int32_t Dlg_EditScanFunArray(STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_ARRAY* current, int16_t oneSegment,
                             int16_t segment, STRUCT_SCAN_FUN_ARRAY** out) {
  if (out) *out = nullptr;
  if (!out || !workFile) return 0;
  AddTemplates();
  CScanFunArrayDlg dlg;
  if (!kelt::dlg::InitModalFromLibrary(&dlg, SCAN_FUN_ARRAY_DIALOG_ID, nullptr)) return 0;
  dlg.m_workFile = workFile;
  dlg.m_current = current;
  dlg.m_oneSegment = oneSegment != 0;
  dlg.m_segment = segment;
  if (dlg.DoModal() != IDOK || !dlg.m_result) {
    if (dlg.m_result) FreeBlock(dlg.m_result);
    return 0;
  }
  *out = dlg.m_result;
  return 1;
}

int32_t Dlg_SelectScanFuns(STRUCT_WORK_FILE* workFile, const STRUCT_PS* current, STRUCT_PS** out) {
  if (out) *out = nullptr;
  if (!out || !workFile) return 0;
  AddTemplates();
  STRUCT_PS* tic = current ? nullptr : KELT_PS_MakeTIC();
  STRUCT_PS* work = KELT_PS_Copy(current ? current : tic);
  if (tic) KELT_PS_Free(tic);
  if (!work) return 0;
  CSelectScanFunsDlg dlg;
  if (!kelt::dlg::InitModalFromLibrary(&dlg, SELECT_SCAN_FUNS_DIALOG_ID, nullptr)) {
    KELT_PS_Free(work);
    return 0;
  }
  dlg.m_workFile = workFile;
  dlg.m_ps = work;
  if (dlg.DoModal() != IDOK) {
    KELT_PS_Free(work);
    return 0;
  }
  *out = work;
  return 1;
}

void Dlg_ViewScanFuns(STRUCT_WORK_FILE* workFile) {
  if (!workFile) return;
  AddTemplates();
  STRUCT_PS* work = KELT_PS_MakeTIC();
  if (!work) return;
  CSelectScanFunsDlg dlg;
  if (kelt::dlg::InitModalFromLibrary(&dlg, VIEW_SCAN_FUNS_DIALOG_ID, nullptr)) {
    dlg.m_workFile = workFile;
    dlg.m_ps = work;
    dlg.m_view = true;
    dlg.DoModal();
  }
  KELT_PS_Free(work);
}
