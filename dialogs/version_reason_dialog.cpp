// The reason for a new version, and the saves that archive one.
#include "dialogs/version_reason_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "dialogs/audit_trail_writer.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "orvik32/orvik32_documents.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, VERSION_REASON_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Archive File";
  t.cx = 300;
  t.cy = 170;
  t.items = {
      {IDC_VR_SOURCE_LABEL, "Static", "Source File:", WS_VISIBLE | SS_LEFT, 0, 6, 8, 50, 10},
      {IDC_VR_SOURCE, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 60, 7, 170, 11},
      {-1, "Static", "Archive File:", WS_VISIBLE | SS_LEFT, 0, 6, 24, 50, 10},
      {IDC_VR_ARCHIVE, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 60, 23, 170, 11},
      {-1, "Static", "Reason:", WS_VISIBLE | SS_LEFT, 0, 6, 42, 50, 10},
      {IDC_VR_REASONS, "ComboBox", "", WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 60, 40, 170, 80},
      {IDC_VR_INSTRUCTION, "Static", "", WS_VISIBLE | SS_LEFT, 0, 6, 58, 224, 20},
      {IDC_VR_DESCRIPTION, "Edit", "",
       WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 6, 80, 224,
       84},
      {IDOK, "Button", "&Archive", kPush | BS_DEFPUSHBUTTON, 0, 238, 6, 56, 14},
      {IDCANCEL, "Button", "Cancel", kPush, 0, 238, 24, 56, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", kPush, 0, 238, 42, 56, 14},
  };
  AddDialog(module, VERSION_REASON_DIALOG_ID, t);
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
  return s;
}

// The reasons of the security database, from the program folder only: a
// library of that name elsewhere on the search path is never loaded.
void FillReasons(HWND dialog, HWND combo) {
  if (!IsSecurityEnabled()) return;
  char folder[MAX_PATH + 1] = {};
  if (!GetProgramDirectory(folder) || !folder[0]) return;
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  path += "vennick.dll";
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return;
  if (auto fill = ProcAs<BOOL (*)(HWND, HWND)>(GetProcAddress(module, "WSecFillReasonCB"))) {
    if (!fill(dialog, combo)) {
      MessageBeep(MB_ICONSTOP);
      MessageBoxA(dialog,
                  "There was a failure accessing the Workstation security database.\r\nPlease contact your "
                  "system administrator if this problem persists.",
                  nullptr, MB_OK | MB_ICONSTOP);
    }
  }
  FreeLibrary(module);
}

std::string HostName() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string name = path;
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
  return name;
}

void ShowLastError() {
  const DWORD code = GetLastError();
  char text[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                 sizeof text, nullptr);
  MessageBoxA(nullptr, text, HostName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// The reason for a new version of file, asked of the user; false on Cancel.
bool AskReason(const char* file, const char* label, std::string* reason) {
  CVersionReasonDlg dlg;
  dlg.m_sourceFile = file;
  dlg.m_archiveFile = file;
  dlg.m_label = label;
  if (dlg.Run() != IDOK) return false;
  *reason = dlg.m_reason;
  return true;
}

}  // namespace

CVersionReasonDlg::CVersionReasonDlg() = default;

INT_PTR CVersionReasonDlg::Run() {
  AddTemplate();
  if (!kelt::dlg::InitModalFromLibrary(this, VERSION_REASON_DIALOG_ID, nullptr)) return IDCANCEL;
  return DoModal();
}

int CVersionReasonDlg::EntryCount() const {
  return int(::SendDlgItemMessageA(m_hWnd, IDC_VR_REASONS, CB_GETCOUNT, 0, 0));
}

void CVersionReasonDlg::SetDescription(const char* text) {
  m_writing = true;
  SetDlgItemText(IDC_VR_DESCRIPTION, text);
  m_writing = false;
  m_touched = false;
}

BOOL CVersionReasonDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const std::string label = m_label.empty() ? "Source File:" : m_label;
  const std::string caption = "Archive " + label.substr(0, label.find(':'));
  SetWindowTextA(m_hWnd, caption.c_str());
  SetDlgItemText(IDC_VR_SOURCE_LABEL, label.c_str());
  SetDlgItemText(IDC_VR_SOURCE, m_sourceFile.c_str());
  SetDlgItemText(IDC_VR_ARCHIVE, m_archiveFile.c_str());
  HWND combo = ::GetDlgItem(m_hWnd, IDC_VR_REASONS);
  FillReasons(m_hWnd, combo);
  if (EntryCount() < 2) {
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    const LRESULT i = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(VR_ONLY_ENTRY));
    ::SendMessageA(combo, CB_SETITEMDATA, WPARAM(i), 0);
    ::EnableWindow(combo, FALSE);
  }
  int chosen = 0;
  for (int i = 0; i < EntryCount(); ++i)
    if (::SendMessageA(combo, CB_GETITEMDATA, WPARAM(i), 0) == 0) {
      chosen = i;
      break;
    }
  ::SendMessageA(combo, CB_SETCURSEL, WPARAM(chosen), 0);
  ShowInstruction();
  PositionDialog(m_hWnd, nullptr);
  return TRUE;
}

void CVersionReasonDlg::ShowInstruction() {
  const LRESULT sel = SendDlgItemMessage(IDC_VR_REASONS, CB_GETCURSEL, 0, 0);
  m_reasonIndex = int(sel);
  const bool predefined =
      EntryCount() >= 2 && sel >= 0 && SendDlgItemMessage(IDC_VR_REASONS, CB_GETITEMDATA, WPARAM(sel), 0) != 0;
  SetDlgItemText(IDC_VR_INSTRUCTION, predefined ? VR_TEXT_OPTIONAL : VR_TEXT_REQUIRED);
  if (!m_touched) SetDescription(predefined ? VR_PLACEHOLDER_OPTIONAL : VR_PLACEHOLDER_REQUIRED);
}

BOOL CVersionReasonDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == IDC_VR_REASONS && code == CBN_SELCHANGE) {
    ShowInstruction();
    return TRUE;
  }
  if (id == IDC_VR_DESCRIPTION && code == EN_SETFOCUS && !m_touched) {
    SetDescription("");
    return TRUE;
  }
  if (id == IDC_VR_DESCRIPTION && code == EN_CHANGE && !m_writing) {
    m_touched = true;
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CVersionReasonDlg::OnOK() {
  char buffer[4096] = "";
  GetDlgItemText(IDC_VR_DESCRIPTION, buffer, sizeof buffer);
  m_description = buffer;
  const bool described = !m_description.empty() && m_description != VR_PLACEHOLDER_REQUIRED;
  const int count = EntryCount();
  std::string reason;
  bool missing = false;
  if (count < 2) {
    missing = !described;
    reason = m_description;
  } else {
    const LRESULT sel = SendDlgItemMessage(IDC_VR_REASONS, CB_GETCURSEL, 0, 0);
    if (sel < 0 || sel >= count) {
      MessageBoxA(m_hWnd, "There was an error obtaining the reason for this version change. Please reselect the reason.",
                  nullptr, MB_OK | MB_ICONEXCLAMATION);
      ::SetFocus(::GetDlgItem(m_hWnd, IDC_VR_REASONS));
      return;
    }
    if (SendDlgItemMessage(IDC_VR_REASONS, CB_GETITEMDATA, WPARAM(sel), 0) == 0) {
      missing = !described;
      reason = m_description;
    } else {
      char entry[512] = "";
      SendDlgItemMessage(IDC_VR_REASONS, CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(entry));
      reason = std::string(entry) + "\r\n";
      if (!m_description.empty() && m_description != VR_PLACEHOLDER_OPTIONAL) reason += m_description;
    }
  }
  if (missing) {
    MessageBeep(MB_ICONEXCLAMATION);
    MessageBoxA(m_hWnd, "You must enter a reason for this version change in the edit box.", nullptr,
                MB_OK | MB_ICONEXCLAMATION);
    if (count >= 2) SetDescription("");
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_VR_DESCRIPTION));
    return;
  }
  m_reason = Trimmed(reason);
  CDialog::OnOK();
}

LRESULT CVersionReasonDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

int32_t WSA_ArchiveMethodFile(const char* methodFile, const char* sourceFile, const char* comment) {
  try {
    if (!methodFile || !*methodFile || !sourceFile || !*sourceFile) return 0;
    std::string reason;
    if (!AskReason(methodFile, "Method File:", &reason)) return 0;
    if (!kelt::arch::CheckRight(KELT_RIGHT_SAVE_METHOD, KELT_RIGHT_MSG_SAVE_METHOD)) return 0;
    CAuditTrailWriter writer(methodFile, methodFile, KELT_METHOD_FILE_TYPE);
    if (!writer.ArchiveVersion(sourceFile, reason.c_str())) return 0;
    return writer.AddComment(comment) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int32_t WSA_SaveDataFile(const char* dataFile, const char* sourceFile, char* savedPath, const char* comment,
                         int32_t saveAs) {
  try {
    if (savedPath) savedPath[0] = 0;
    if (!dataFile || !sourceFile || !*sourceFile) return 0;
    std::string target;
    if (saveAs == 0 && !IsFileWriteProtected(dataFile)) target = dataFile;
    const bool newFile = target.empty();
    const char* refusal = newFile ? KELT_RIGHT_MSG_SAVE_NEW_DATA : KELT_RIGHT_MSG_SAVE_DATA;
    if (!kelt::arch::CheckRight(KELT_RIGHT_SAVE_RESULTS, refusal)) return 0;
    if (newFile) {
      char chosen[MAX_PATH] = "";
      if (!SaveFileAsDialog(nullptr, "Save Data File As", dataFile, chosen) || !chosen[0]) return 0;
      target = chosen;
    }
    // Only a file this save made is removed when the save fails.
    const bool madeHere = newFile && !FileExists(target.c_str());
    bool ok = false;
    if (!IsSecurityEnabled()) {
      ok = CopyFileA(sourceFile, target.c_str(), FALSE) != FALSE;
      if (ok) {
        const DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
          ok = SetFileAttributesA(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
      }
      if (!ok) ShowLastError();
    } else {
      std::string reason;
      if (AskReason(target.c_str(), "Data File:", &reason) &&
          kelt::arch::CheckRight(KELT_RIGHT_SAVE_RESULTS, refusal)) {
        // A file not made yet takes the type of what is saved into it.
        int16_t type = kelt::arch::FileTypeCode(target.c_str());
        if (!type) type = kelt::arch::FileTypeCode(sourceFile);
        CAuditTrailWriter writer(target.c_str(), target.c_str(), type);
        ok = writer.ArchiveVersion(sourceFile, reason.c_str()) && writer.AddComment(comment);
      }
    }
    if (!ok) {
      if (madeHere) DeleteFileA(target.c_str());
      return 0;
    }
    if (savedPath) std::snprintf(savedPath, MAX_PATH, "%s", target.c_str());
    return 1;
  } catch (...) {
    return 0;
  }
}
