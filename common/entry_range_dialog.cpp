// The range dialog.
#include "common/entry_range_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/library_state.h"
#include "framework/framework_dialog.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void EnsureTemplate() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, ENTRY_RANGE_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Select Range";
  t.cx = 180;
  t.cy = 78;
  const DWORD edit = ES_NUMBER | WS_BORDER | WS_TABSTOP | WS_VISIBLE;
  t.items = {
      {IDC_ENTRY_RANGE_TEXT, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 7, 166, 18},
      {0, "Static", "From", SS_LEFT | WS_VISIBLE, 0, 7, 32, 24, 8},
      {IDC_ENTRY_RANGE_FROM, "Edit", "", edit, 0, 32, 30, 44, 12},
      {0, "Static", "To", SS_LEFT | WS_VISIBLE, 0, 92, 32, 16, 8},
      {IDC_ENTRY_RANGE_TO, "Edit", "", edit, 0, 110, 30, 44, 12},
      {IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 44, 56, 44, 14},
      {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 96, 56, 44, 14},
  };
  AddDialog(module, ENTRY_RANGE_DIALOG, t);
}

class CEntryRangeDlg : public CDialog {
 public:
  CEntryRangeDlg() : CDialog(ENTRY_RANGE_DIALOG) {}
  std::string m_Title, m_Path;
  int32_t m_Count = 0, m_First = 1, m_Last = 1;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetWindowText(m_Title.c_str());
    char text[400];
    std::snprintf(text, sizeof text, "%.300s: entries 1 to %ld", m_Path.c_str(), long(m_Count));
    SetDlgItemText(IDC_ENTRY_RANGE_TEXT, text);
    std::snprintf(text, sizeof text, "%ld", long(m_First));
    SetDlgItemText(IDC_ENTRY_RANGE_FROM, text);
    std::snprintf(text, sizeof text, "%ld", long(m_Last));
    SetDlgItemText(IDC_ENTRY_RANGE_TO, text);
    return TRUE;
  }
  // A range outside 1..count, or backwards, is refused with the reason
  // and the dialog stays.
  void OnOK() override {
    char from[32] = {}, to[32] = {};
    ::GetDlgItemTextA(m_hWnd, IDC_ENTRY_RANGE_FROM, from, sizeof from);
    ::GetDlgItemTextA(m_hWnd, IDC_ENTRY_RANGE_TO, to, sizeof to);
    const long f = std::strtol(from, nullptr, 10), l = std::strtol(to, nullptr, 10);
    if (f < 1 || l < f || l > m_Count) {
      char text[120];
      std::snprintf(text, sizeof text, "Enter a range from 1 to %ld, the first not after the last.", long(m_Count));
      ::MessageBoxA(m_hWnd, text, m_Title.c_str(), MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    m_First = int32_t(f);
    m_Last = int32_t(l);
    CDialog::OnOK();
  }
};

}  // namespace

int Dlg_SelectFileEntryIndexRangeEx(const char* title, const char* path, int32_t count, int32_t* firstOut,
                                    int32_t* lastOut, int16_t, int32_t first, int32_t last) {
  if (!firstOut || !lastOut || count <= 0) return 0;
  try {
    EnsureTemplate();
    CEntryRangeDlg dlg;
    dlg.m_Title = title ? title : "Select Range";
    dlg.m_Path = path ? path : "";
    dlg.m_Count = count;
    dlg.m_First = first;
    dlg.m_Last = last;
    if (dlg.DoModal() != IDOK) return 0;
    *firstOut = dlg.m_First;
    *lastOut = dlg.m_Last;
    return 1;
  } catch (...) {
    return 0;
  }
}
