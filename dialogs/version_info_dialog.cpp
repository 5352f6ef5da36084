// The version information dialog in its least form: no file here keeps a
// history, so there is nothing to choose, extract or print.
#include "dialogs/version_info_dialog.h"

#include "common/library_state.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void AddTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, VERSION_INFO_DIALOG_ID)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = "Version Info";
  dlg.cx = 300;
  dlg.cy = 176;
  auto item = [&](int id, const char* cls, const char* text, DWORD style, short x, short y, short cx, short cy) {
    win::resources::DialogItem it;
    it.id = id;
    it.className = cls;
    it.text = text;
    it.style = WS_VISIBLE | style;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    dlg.items.push_back(it);
  };
  item(-1, "Static", "&Data File:", 0, 6, 8, 50, 10);
  item(VER_DATA_FILE_ID, "Static", "", 0, 60, 8, 176, 10);
  item(-1, "Static", "Archive File:", 0, 6, 22, 50, 10);
  item(VER_ARCHIVE_FILE_ID, "Static", "", 0, 60, 22, 176, 10);
  item(-1, "Static", "Version History", 0, 6, 40, 100, 10);
  item(VER_HISTORY_ID, "Edit", "", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 6, 52, 230, 96);
  item(VER_VERSIONS_ID, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 6, 156, 140, 60);
  item(VER_EXTRACT_ID, "Button", "&Extract Version", BS_PUSHBUTTON | WS_TABSTOP, 242, 6, 52, 14);
  item(VER_PRINT_ID, "Button", "&Print Version History", BS_PUSHBUTTON | WS_TABSTOP, 242, 24, 52, 14);
  item(VER_HELP_ID, "Button", "&Help", BS_PUSHBUTTON | WS_TABSTOP, 242, 42, 52, 14);
  item(IDCANCEL, "Button", "&Close", BS_DEFPUSHBUTTON | WS_TABSTOP, 242, 156, 52, 14);
  win::resources::AddDialog(module, VERSION_INFO_DIALOG_ID, dlg);
}

INT_PTR CALLBACK VersionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* d = reinterpret_cast<CVersionInfoDlg*>(lParam);
    SetDlgItemTextA(hwnd, VER_DATA_FILE_ID, d->m_filePath.c_str());
    SetDlgItemTextA(hwnd, VER_ARCHIVE_FILE_ID, d->m_archiveText.c_str());
    SetDlgItemTextA(hwnd, VER_HISTORY_ID, d->m_historyText.c_str());
    const bool history = d->m_firstVersion >= 0 && d->m_lastVersion >= d->m_firstVersion;
    EnableWindow(GetDlgItem(hwnd, VER_VERSIONS_ID), history ? TRUE : FALSE);
    EnableWindow(GetDlgItem(hwnd, VER_EXTRACT_ID), FALSE);
    EnableWindow(GetDlgItem(hwnd, VER_PRINT_ID), history ? TRUE : FALSE);
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
    EndDialog(hwnd, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

CVersionInfoDlg::CVersionInfoDlg(CWnd* parent) : m_parent(parent) {}

void CVersionInfoDlg::SetFileInfo(const char* filePath, const char* archivePath, int16_t version,
                                  int16_t writeProtected) {
  m_filePath = filePath ? filePath : "";
  m_archivePath = archivePath ? archivePath : "";
  m_version = version;
  m_writeProtected = writeProtected ? 1 : 0;
  m_archiveText = m_archivePath;
}

void CVersionInfoDlg::SetVersionNumbers(CWnd* control, SVW_OVERLAY* overlay, int16_t slot) {
  m_pControl = control;
  m_pOverlay = overlay;
  m_slot = slot >= 0 && slot < 20 ? slot : -1;
  // No archive keeps earlier versions of our files.
  m_firstVersion = m_lastVersion = m_chosenVersion = -1;
  m_historyText = VER_NO_HISTORY_TEXT;
}

int CVersionInfoDlg::DoModal() {
  const HMODULE module = kelt::lib::ModuleHandle();
  AddTemplate(module);
  if (m_historyText.empty()) m_historyText = VER_NO_HISTORY_TEXT;
  DialogBoxParamA(module, MAKEINTRESOURCEA(VERSION_INFO_DIALOG_ID), m_parent ? m_parent->GetSafeHwnd() : nullptr,
                  VersionProc, reinterpret_cast<LPARAM>(this));
  return IDCANCEL;
}
