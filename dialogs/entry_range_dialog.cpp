// The entry-range dialog. Each index is checked when its field is left
// (the nearer bound offered); Enter steps between the fields.
#include "dialogs/entry_range_dialog.h"

#include <cstdio>
#include <string>

#include "common/library_state.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/edit_field_checks.h"
#include "framework/framework_dialog.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void EnsureTemplate() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, ENTRY_RANGE_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Print List of Library Entries";
  t.cx = 200;
  t.cy = 84;
  const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items = {
      {IDC_ENTRY_RANGE_TEXT, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 7, 130, 10},
      {IDC_ENTRY_RANGE_FILE, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 19, 130, 10},
      {0, "Static", "from", SS_LEFT | WS_VISIBLE, 0, 7, 40, 22, 8},
      {IDC_ENTRY_RANGE_FROM, "Edit", "", edit, 0, 30, 38, 40, 12},
      {0, "Static", "to", SS_LEFT | WS_VISIBLE, 0, 78, 40, 12, 8},
      {IDC_ENTRY_RANGE_TO, "Edit", "", edit, 0, 92, 38, 40, 12},
      {IDC_ENTRY_RANGE_OK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 144, 6, 50, 14},
      // The framework's OK id sits on "Cancel": Enter arrives as it.
      {IDOK, "Button", "Cancel", push, 0, 144, 24, 50, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 144, 42, 50, 14},
  };
  AddDialog(module, ENTRY_RANGE_DIALOG, t);
}

class CEntryRangeDlg : public CDialog {
 public:
  std::string m_title, m_path;
  bool m_hasTitle = false, m_hasPath = false;
  int32_t m_count = 0, m_first = 1, m_last = 1;
  bool m_fixFirst = false;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_help.SetContext(m_hasTitle ? 139 : 138);
    char text[400];
    if (m_count <= 0) std::snprintf(text, sizeof text, "There are no entries");
    else if (m_count == 1) std::snprintf(text, sizeof text, "There is 1 entry");
    else std::snprintf(text, sizeof text, "There are %ld entries", long(m_count));
    SetDlgItemText(IDC_ENTRY_RANGE_TEXT, text);
    if (m_hasPath) {
      std::snprintf(text, sizeof text, "in %.300s.", m_path.c_str());
      SetDlgItemText(IDC_ENTRY_RANGE_FILE, text);
    }
    SendDlgItemMessage(IDC_ENTRY_RANGE_FROM, EM_LIMITTEXT, 8, 0);
    SendDlgItemMessage(IDC_ENTRY_RANGE_TO, EM_LIMITTEXT, 8, 0);
    Show(IDC_ENTRY_RANGE_FROM, m_first);
    Show(IDC_ENTRY_RANGE_TO, m_last);
    if (m_fixFirst) ::EnableWindow(::GetDlgItem(m_hWnd, IDC_ENTRY_RANGE_FROM), FALSE);
    if (m_hasTitle) SetWindowText(m_title.c_str());
    kelt::dlg::EnterStepsThroughFields(m_hWnd, IDC_ENTRY_RANGE_OK);
    PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
    return TRUE;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == EN_KILLFOCUS && !m_ending) {
      if (id == IDC_ENTRY_RANGE_FROM) TakeFirst();
      if (id == IDC_ENTRY_RANGE_TO) TakeLast();
      return TRUE;
    }
    if (id == IDC_ENTRY_RANGE_OK && HIWORD(wParam) == BN_CLICKED) {
      // The fields once more, for text typed without leaving its field.
      if (!m_fixFirst) TakeFirst();
      TakeLast();
      m_ending = true;
      EndDialog(IDOK);
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }
  void OnOK() override {
    static const int kFields[] = {IDC_ENTRY_RANGE_FROM, IDC_ENTRY_RANGE_TO};
    if (!kelt::dlg::OkIdCancels(m_hWnd, kFields, 2)) return;
    OnCancel();
  }
  void OnCancel() override {
    m_ending = true;  // no checks of the field left for Cancel
    CDialog::OnCancel();
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (m_help.Handle(this, msg, wParam, lParam)) return 0;
    return CDialog::WindowProc(msg, wParam, lParam);
  }

 private:
  // An empty file still offers the bound 1.
  int32_t Highest() const { return m_count > 1 ? m_count : 1; }
  void TakeFirst() { HandleKillEditLong(this, IDC_ENTRY_RANGE_FROM, "From Entry", 1, Highest(), &m_first); }
  void TakeLast() { HandleKillEditLong(this, IDC_ENTRY_RANGE_TO, "To Entry", 1, Highest(), &m_last); }
  void Show(int id, int32_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%ld", long(value));
    SetDlgItemText(id, text);
  }

  bool m_ending = false;
  kelt::dlg::DialogHelp m_help;
};

}  // namespace

int Dlg_SelectFileEntryIndexRangeEx(const char* title, const char* path, int32_t count, int32_t* firstOut,
                                    int32_t* lastOut, int16_t fixFirst, int32_t first, int32_t last) {
  if (!firstOut || !lastOut) return 0;
  try {
    EnsureTemplate();
    CEntryRangeDlg dlg;
    if (!kelt::dlg::InitModalFromLibrary(&dlg, ENTRY_RANGE_DIALOG, nullptr)) return 0;
    dlg.m_hasTitle = title != nullptr;
    dlg.m_title = title ? title : "";
    dlg.m_hasPath = path != nullptr;
    dlg.m_path = path ? path : "";
    dlg.m_count = count;
    dlg.m_first = first;
    dlg.m_last = last;
    dlg.m_fixFirst = fixFirst != 0;
    if (dlg.DoModal() != IDOK) return 0;
    *firstOut = dlg.m_first;
    *lastOut = dlg.m_last;
    return 1;
  } catch (...) {
    return 0;
  }
}

int Dlg_SelectFileEntryIndexRange(const char* title, const char* path, int32_t count, int32_t* firstOut,
                                  int32_t* lastOut, int16_t fixFirst) {
  return Dlg_SelectFileEntryIndexRangeEx(title, path, count, firstOut, lastOut, fixFirst, 1, count);
}
