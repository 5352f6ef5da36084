// The "Import Method Section" dialog.
#include "dialogs/method_sections.h"

#include <cstdio>
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, SELECT_SECTION_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Import Method Section";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 260;
  t.cy = 126;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items = {
      {IDC_SS_GROUP, "Button", "Select Section to Import", WS_VISIBLE | BS_GROUPBOX, 0, 6, 4, 248, 96},
      {IDC_SS_LIST, "ListBox", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 0, 12, 16, 236,
       80},
      {IDOK, "Button", "Select", push | BS_DEFPUSHBUTTON, 0, 70, 106, 54, 14},
      {IDCANCEL, "Button", "Cancel", push, 0, 136, 106, 54, 14},
  };
  AddDialog(module, SELECT_SECTION_DIALOG, t);
}

}  // namespace

void FormatSectionLine(const STRUCT_SECTION_ARRAY* array, int index, char* line, size_t size) {
  if (!line || size == 0) return;
  line[0] = 0;
  if (!array || !array->entries || index < 0 || index >= array->count) return;
  const STRUCT_SECTION_ENTRY& e = array->entries[index];
  char module[260] = {};
  if (HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, e.moduleId))
    if (!GetModuleConfigString(config, MODULE_CONFIG_NAME_ITEM, module)) module[0] = 0;
  char title[41] = {};
  const char* from = array->title[0] ? array->title : e.description;
  std::memcpy(title, from, strnlen(from, 40));
  std::snprintf(line, size, "%s %s at Address %d", module, title, e.moduleAddress);
}

bool CSelectSectionDlg::Prepare(CWnd* parent) {
  AddTemplate();
  return kelt::dlg::InitModalFromLibrary(this, SELECT_SECTION_DIALOG, parent);
}

BOOL CSelectSectionDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_pArray) {
    EndDialog(0);
    return FALSE;
  }
  for (int i = 0; i < m_pArray->count; ++i) {
    char line[400];
    FormatSectionLine(m_pArray, i, line, sizeof line);
    SendDlgItemMessage(IDC_SS_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }
  SendDlgItemMessage(IDC_SS_LIST, LB_SETCURSEL, 0, 0);
  // Nothing to import: "Select" would hand back an entry that is not there.
  if (m_pArray->count <= 0) ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), FALSE);
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
  return TRUE;
}

BOOL CSelectSectionDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == IDC_SS_LIST && HIWORD(wParam) == LBN_SELCHANGE) {
    const LRESULT at = SendDlgItemMessage(IDC_SS_LIST, LB_GETCURSEL, 0, 0);
    if (m_pArray && at >= 0 && at < m_pArray->count) m_Chosen = static_cast<int16_t>(at);
    return TRUE;
  }
  if (LOWORD(wParam) == IDOK && (!m_pArray || m_pArray->count <= 0)) return TRUE;
  return CDialog::OnCommand(wParam, lParam);
}

LRESULT CSelectSectionDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam, false)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

BOOL Dlg_SelectSection(STRUCT_SECTION_ARRAY* array, int16_t* chosen) {
  if (chosen) *chosen = 0;
  if (!array || array->count <= 0) return FALSE;
  try {
    CSelectSectionDlg dlg;
    if (!dlg.Prepare(nullptr)) return FALSE;
    dlg.m_pArray = array;
    if (dlg.DoModal() != IDOK) return FALSE;
    if (dlg.m_Chosen < 0 || dlg.m_Chosen >= array->count) return FALSE;
    if (chosen) *chosen = dlg.m_Chosen;
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
