// The version history of a file under version control, its print, and the
// extraction of a version into a temporary, new or current data file.
#include "dialogs/version_info_dialog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "dialogs/audit_trail_writer.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/version_reason_dialog.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "orvik32/orvik32_documents.h"
#include "overlayctl/overlay_messages.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/overlay.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

void AddTemplates() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (!FindDialog(module, VERSION_INFO_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = "Version Info";
    t.cx = 356;
    t.cy = 214;
    t.items = {
        {-1, "Static", "&Data File:", WS_VISIBLE | SS_LEFT, 0, 6, 8, 50, 10},
        {VER_DATA_FILE_ID, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 60, 7, 200, 11},
        {-1, "Static", "Archive File:", WS_VISIBLE | SS_LEFT, 0, 6, 24, 50, 10},
        {VER_ARCHIVE_FILE_ID, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 60, 23, 200, 11},
        {-1, "Static", "Version History", WS_VISIBLE | SS_LEFT, 0, 6, 40, 100, 10},
        {VER_HISTORY_ID, "Edit", "", WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 6, 52, 254,
         136},
        {VER_VERSIONS_ID, "ComboBox", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, 0, 6, 194, 150, 80},
        {VER_EXTRACT_ID, "Button", "&Extract Version", kPush, 0, 266, 6, 84, 14},
        {VER_PRINT_ID, "Button", "&Print Version History", kPush, 0, 266, 24, 84, 14},
        {VER_HELP_ID, "Button", "&Help", kPush, 0, 266, 42, 84, 14},
        {IDCANCEL, "Button", "&Close", kPush | BS_DEFPUSHBUTTON, 0, 266, 194, 84, 14},
    };
    AddDialog(module, VERSION_INFO_DIALOG_ID, t);
  }
  if (!FindDialog(module, EXTRACT_VERSION_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = "Extract Version";
    t.cx = 300;
    t.cy = 96;
    const DWORD radio = WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
    t.items = {
        {IDC_EXV_TEMPORARY, "Button", "Extract to a temporary data file", radio | WS_GROUP, 0, 6, 8, 150, 10},
        {IDC_EXV_NEW, "Button", "Extract to a new data file and save", radio, 0, 6, 22, 150, 10},
        {IDC_EXV_CURRENT, "Button", "Extract to the current data file and save", radio, 0, 6, 36, 150, 10},
        {IDC_EXV_DESCRIPTION, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 6, 52, 226, 38},
        {IDOK, "Button", "OK", kPush | BS_DEFPUSHBUTTON, 0, 238, 6, 56, 14},
        {IDCANCEL, "Button", "Cancel", kPush, 0, 238, 24, 56, 14},
        {KELT_HELP_BUTTON_ID, "Button", "&Help", kPush, 0, 238, 42, 56, 14},
    };
    AddDialog(module, EXTRACT_VERSION_DIALOG_ID, t);
  }
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string TitleOf(const std::string& path) {
  char title[MAX_PATH] = "";
  if (GetFileTitleA(path.c_str(), title, sizeof title) != 0 || !title[0]) return path;
  return title;
}

// "C:\Data\run 7.kms" -> folder "C:\Data\", name "run 7", extension ".kms".
void SplitPath(const std::string& path, std::string* folder, std::string* name, std::string* ext) {
  const size_t slash = path.find_last_of('\\');
  *folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string rest = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = rest.rfind('.');
  *ext = dot == std::string::npos ? "" : rest.substr(dot);
  *name = dot == std::string::npos ? rest : rest.substr(0, dot);
}

void StopBox(HWND owner, const std::string& text) { MessageBoxA(owner, text.c_str(), nullptr, MB_OK | MB_ICONSTOP); }
void ExclaimBox(HWND owner, const std::string& text) {
  MessageBoxA(owner, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

kelt::dlg::DialogHelp g_versionHelp{VERSION_INFO_HELP_CONTEXT};
kelt::dlg::DialogHelp g_extractHelp{EXTRACT_VERSION_HELP_CONTEXT};

INT_PTR CALLBACK ExtractProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<CExtractVersionDlg*>(GetPropA(hwnd, "D"));
  if (msg == WM_INITDIALOG) {
    d = reinterpret_cast<CExtractVersionDlg*>(lParam);
    SetPropA(hwnd, "D", d);
    CheckRadioButton(hwnd, IDC_EXV_TEMPORARY, IDC_EXV_CURRENT, IDC_EXV_TEMPORARY + d->m_choice);
    SetDlgItemTextA(hwnd, IDC_EXV_DESCRIPTION, d->Description(d->m_choice).c_str());
    PositionDialog(hwnd, nullptr);
    return TRUE;
  }
  if (!d) return FALSE;
  if (g_extractHelp.Handle(CWnd::FromHandle(hwnd), msg, wParam, lParam)) return TRUE;
  if (msg == WM_COMMAND) {
    const int id = LOWORD(wParam);
    if (id >= IDC_EXV_TEMPORARY && id <= IDC_EXV_CURRENT) {
      d->m_choice = id - IDC_EXV_TEMPORARY;
      SetDlgItemTextA(hwnd, IDC_EXV_DESCRIPTION, d->Description(d->m_choice).c_str());
      return TRUE;
    }
    if (id == IDOK) {
      if (d->m_choice == EXTRACT_TO_CURRENT && d->m_writeProtected && d->m_chosen != d->m_tip)
        d->m_choice = EXTRACT_TO_NEW;
      d->m_description = d->Description(d->m_choice);
      RemovePropA(hwnd, "D");
      EndDialog(hwnd, IDOK);
      return TRUE;
    }
    if (id == IDCANCEL) {
      RemovePropA(hwnd, "D");
      EndDialog(hwnd, IDCANCEL);
      return TRUE;
    }
  }
  return FALSE;
}

void FillVersionDialog(HWND hwnd, const CVersionInfoDlg* d) {
  SetDlgItemTextA(hwnd, VER_DATA_FILE_ID, d->m_filePath.c_str());
  SetDlgItemTextA(hwnd, VER_ARCHIVE_FILE_ID, d->m_archiveText.c_str());
  SetDlgItemTextA(hwnd, VER_HISTORY_ID, d->m_historyText.c_str());
  HWND combo = GetDlgItem(hwnd, VER_VERSIONS_ID);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  const bool known = d->m_firstVersion >= 0 && d->m_lastVersion >= d->m_firstVersion;
  if (known) {
    for (int v = d->m_firstVersion; v <= d->m_lastVersion; ++v) {
      const std::string item = Printf("Version %d%s of %d", v, v == d->m_lastVersion ? " (Tip)" : "", d->m_lastVersion);
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageA(combo, CB_SETCURSEL, WPARAM(d->m_chosenVersion - d->m_firstVersion), 0);
  }
  EnableWindow(combo, known ? TRUE : FALSE);
  EnableWindow(GetDlgItem(hwnd, VER_EXTRACT_ID), known ? TRUE : FALSE);
  EnableWindow(GetDlgItem(hwnd, VER_PRINT_ID), known ? TRUE : FALSE);
}

INT_PTR CALLBACK VersionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<CVersionInfoDlg*>(GetPropA(hwnd, "D"));
  if (msg == WM_INITDIALOG) {
    d = reinterpret_cast<CVersionInfoDlg*>(lParam);
    if (d->m_filePath.empty()) {
      EndDialog(hwnd, -1);
      return TRUE;
    }
    SetPropA(hwnd, "D", d);
    d->BuildHistory();
    FillVersionDialog(hwnd, d);
    PositionDialog(hwnd, nullptr);
    return TRUE;
  }
  if (!d) return FALSE;
  if (g_versionHelp.Handle(CWnd::FromHandle(hwnd), msg, wParam, lParam)) return TRUE;
  if (msg != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case VER_VERSIONS_ID:
      if (HIWORD(wParam) == CBN_SELCHANGE) {
        const LRESULT i = SendDlgItemMessageA(hwnd, VER_VERSIONS_ID, CB_GETCURSEL, 0, 0);
        if (i >= 0) d->m_chosenVersion = int16_t(d->m_firstVersion + i);
      }
      return TRUE;
    case VER_PRINT_ID:
      if (kelt::arch::CheckRight(KELT_RIGHT_VIEW_DATA, KELT_RIGHT_MSG_PRINT_HISTORY))
        PrintTextDocument(d->m_historyText.c_str(), TitleOf(d->m_filePath).c_str(), GetParent(hwnd));
      return TRUE;
    case VER_EXTRACT_ID: {
      const LRESULT i = SendDlgItemMessageA(hwnd, VER_VERSIONS_ID, CB_GETCURSEL, 0, 0);
      const int version = d->m_firstVersion + int(i < 0 ? 0 : i);
      CExtractVersionDlg ex(d->m_filePath, d->m_writeProtected, d->m_lastVersion, version);
      if (ex.DoModal(hwnd) != IDOK) return TRUE;
      const bool done = d->Extract(hwnd, version, ex.m_choice);
      if (ex.m_choice == EXTRACT_TO_CURRENT) {
        d->BuildHistory();
        FillVersionDialog(hwnd, d);
      }
      if (done) {
        RemovePropA(hwnd, "D");
        EndDialog(hwnd, IDOK);
      }
      return TRUE;
    }
    case IDOK:
    case IDCANCEL:
      RemovePropA(hwnd, "D");
      EndDialog(hwnd, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

// Plots of the owner's overlay that show path (its data file or the name shown for it).
bool OverlayShows(const SVW_OVERLAY* overlay, const std::string& path) {
  if (!overlay) return false;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    const OVERLAY_SLOT& s = overlay->slots[i];
    if (!s.filePresent || !s.workFile) continue;
    char shown[sizeof s.displayFileName + 1] = {};
    std::memcpy(shown, s.displayFileName, sizeof s.displayFileName);
    if (_stricmp(s.workFile->filePath, path.c_str()) == 0 || _stricmp(shown, path.c_str()) == 0) return true;
  }
  return false;
}

}  // namespace

// ---- Extract-version dialog ------------------------------------------------

CExtractVersionDlg::CExtractVersionDlg(const std::string& file, int16_t writeProtected, int tip, int chosen)
    : m_filePath(file), m_writeProtected(writeProtected), m_tip(tip), m_chosen(chosen) {}

std::string CExtractVersionDlg::Description(int choice) const {
  const std::string title = TitleOf(m_filePath);
  const char* tipMark = m_chosen == m_tip ? " (Tip)" : "";
  switch (choice) {
    case EXTRACT_TO_TEMPORARY:
      return Printf("Version %d%s of %s will be extracted to a temporary data file.", m_chosen, tipMark, title.c_str());
    case EXTRACT_TO_NEW:
      return Printf("Version %d%s of %s will be extracted to a new data file and saved.", m_chosen, tipMark,
                    title.c_str());
    default:
      if (m_chosen == m_tip)
        return Printf("Extracting the tip (Version %d) will restore %s to its unedited state.", m_chosen,
                      title.c_str());
      if (m_writeProtected)
        return Printf("The data file is write protected. Version %d of %s will be extracted to a new data file and saved.",
                      m_chosen, title.c_str());
      return Printf("Version %d of the data file will be extracted as Version %d of %s and saved.", m_chosen, m_tip + 1,
                    title.c_str());
  }
}

int CExtractVersionDlg::DoModal(HWND owner) {
  AddTemplates();
  return int(DialogBoxParamA(kelt::lib::ModuleHandle(), MAKEINTRESOURCEA(EXTRACT_VERSION_DIALOG_ID), owner,
                             ExtractProc, reinterpret_cast<LPARAM>(this)));
}

// ---- Version-information dialog ----------------------------------------------

CVersionInfoDlg::CVersionInfoDlg(CWnd* parent) : m_parent(parent) {}

void CVersionInfoDlg::SetFileInfo(const char* filePath, const char* archivePath, int16_t version,
                                  int16_t writeProtected) {
  m_filePath = filePath ? filePath : "";
  m_archivePath = archivePath ? archivePath : "";
  m_version = version;
  m_writeProtected = writeProtected ? 1 : 0;
}

void CVersionInfoDlg::SetVersionNumbers(CWnd* control, SVW_OVERLAY* overlay, int16_t slot) {
  m_pControl = control;
  m_pOverlay = overlay;
  m_slot = slot >= 0 && slot < OVERLAY_SLOTS ? slot : -1;
}

void CVersionInfoDlg::BuildHistory() {
  m_firstVersion = m_lastVersion = m_chosenVersion = -1;
  if (m_archivePath.empty() || !FileExists(m_archivePath.c_str())) {
    m_archiveText = VER_NO_ARCHIVE_TEXT;
    m_historyText = VER_NO_HISTORY_TEXT;
    return;
  }
  m_archiveText = m_archivePath;
  CAuditTrailWriter writer(m_filePath.c_str(), m_archivePath.c_str(), m_fileType);
  VERSION_ARCHIVE_INFO info;
  if (!writer.GetArchiveInfo(&info)) {
    m_historyText = VER_NO_HISTORY_TEXT;
    return;
  }
  std::string history;
  if (HSECTION s = OpenSectionReadOnly(m_filePath.c_str(), "ProjectInfo", nullptr)) {
    // Sixteen bytes that need not end in a zero: read into seventeen.
    char project[17] = {};
    if (GetSectionSize(s) == 16 && ReadSection(s, project, 16) == 16)
      history += Printf("Created in Project %s\r\n", project);
    CloseSection(s);
  }
  VERSION_INFO_RECORD tip;
  std::string tipText;
  if (!writer.ReadTipInfo(&tip, &tipText)) {
    m_historyText = Printf("(Cannot read tip version info in the version archive, %s)", m_archivePath.c_str());
    return;
  }
  const bool archived = info.lastVersion > 0;
  const int first = archived ? info.firstVersion : tip.version;
  const int last = archived ? info.lastVersion + 1 : tip.version;
  history += Printf("%s, Versions %d to %d", info.archiveName, first, last);
  if (archived) {
    VERSION_INFO_RECORD rec;
    std::string text;
    for (int32_t v = writer.NextVersion(0, &rec, &text); v; v = writer.NextVersion(v, &rec, &text)) {
      history += "\r\n\r\n" + Printf("Version %d saved on %s by %s", rec.version, rec.date, rec.user) + "\r\n" + text;
    }
  }
  history += "\r\n\r\n" + Printf("Version %d (Tip) saved on %s by %s", last, tip.date, tip.user) + "\r\n" + tipText;
  m_historyText = history;
  m_firstVersion = int16_t(first);
  m_lastVersion = int16_t(last);
  m_chosenVersion = int16_t(last);
}

std::string CVersionInfoDlg::SuggestedName(int version) const {
  std::string folder, name, ext;
  SplitPath(m_filePath, &folder, &name, &ext);
  const std::string base = Printf("%s Version %d", name.c_str(), version);
  for (int k = 0; k < 20; ++k) {
    const std::string candidate = folder + (k == 0 ? base : Printf("copy %d of %s", k, base.c_str())) + ext;
    if (!OverlayShows(m_pOverlay, candidate)) return candidate;
  }
  return "";
}

bool CVersionInfoDlg::Extract(HWND owner, int version, int choice) {
  const std::string suggested = SuggestedName(version);
  char tempFolder[MAX_PATH] = "", scratch[MAX_PATH] = "";
  GetTempPathA(sizeof tempFolder, tempFolder);
  if (!GetTempFileNameA(tempFolder, "MS~", 0, scratch)) return false;
  DeleteFileA(scratch);
  if (choice == EXTRACT_TO_NEW && !kelt::arch::CheckRight(KELT_RIGHT_SAVE_RESULTS, KELT_RIGHT_MSG_EXTRACT_NEW))
    return false;
  if (choice == EXTRACT_TO_CURRENT && !kelt::arch::CheckRight(KELT_RIGHT_SAVE_RESULTS, KELT_RIGHT_MSG_EXTRACT_TIP))
    return false;
  const int16_t type = m_fileType ? m_fileType : kelt::arch::FileTypeCode(m_filePath.c_str());
  CAuditTrailWriter writer(m_filePath.c_str(), m_archivePath.c_str(), type);
  bool extracted = false;
  if (version < m_lastVersion) {
    extracted = writer.ExtractVersion(version, scratch);
  } else {
    SECTION_FILE_RECORD record{};
    CreateSectionFile(&record, type, 0, 0);
    const HSECTFILE h = OpenSectionFile(scratch, &record, SECTION_FILE_READ_WRITE, 2);
    if (h != -1) {
      CloseSectionFile(h);
      extracted = writer.CopyTipToFile(scratch);
    }
  }
  const std::string closing =
      "To ensure the integrity of the data file, the data file is being closed. Re-open the data file to continue "
      "viewing the data file.";
  auto removePlots = [&] {
    HWND control = m_pControl ? m_pControl->GetSafeHwnd() : nullptr;
    if (!control || !m_pOverlay) return;
    SendMessageA(control, OPM_DISPLAYNOREPAINT, 1, 0);
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      const OVERLAY_SLOT& s = m_pOverlay->slots[i];
      if (s.filePresent && s.workFile && _stricmp(s.workFile->filePath, m_filePath.c_str()) == 0)
        SendMessageA(control, OPM_DISPLAYCLEARFILE, WPARAM(i), 0);
    }
    SendMessageA(control, OPM_DISPLAYNOREPAINT, 0, 0);
  };
  if (!extracted) {
    if (choice == EXTRACT_TO_NEW) ExclaimBox(owner, Printf("Version %d of the Data file could not be extracted!", version));
    else if (choice == EXTRACT_TO_TEMPORARY)
      ExclaimBox(owner, Printf("Version %d of the data file could not be extracted from the archive!", version));
    else {
      StopBox(owner, Printf("Version %d of the data file could not be extracted! ", version) + closing);
      removePlots();
    }
    DeleteFileA(scratch);
    return false;
  }
  if (!IsSectionFileOfType(scratch, type)) {
    if (choice == EXTRACT_TO_NEW) ExclaimBox(owner, "The selected version of the Data file does not respresent a valid Data file!");
    else if (choice == EXTRACT_TO_TEMPORARY)
      ExclaimBox(owner, "The selected version of the data file in the archive does not represent a valid data file!");
    else {
      StopBox(owner, "The selected version of the data file is not a valid data file! " + closing);
      removePlots();
    }
    DeleteFileA(scratch);
    return false;
  }
  // What the comment of the saved file says of where it came from.
  std::string text = "Data file extracted.";
  VERSION_INFO_RECORD rec;
  std::string ignored;
  bool found = false;
  if (version < m_lastVersion) {
    for (int32_t v = writer.NextVersion(0, &rec, &ignored); v && !found; v = writer.NextVersion(v, &rec, &ignored))
      found = v == version;
  } else {
    found = writer.ReadTipInfo(&rec, &ignored);
  }
  VERSION_ARCHIVE_INFO info;
  if (found && writer.GetArchiveInfo(&info))
    text = Printf("Data file extracted from %s, Version %d,\r\n    saved on %s by %s.", info.archiveName, version, rec.date,
                  rec.user);

  HWND control = m_pControl ? m_pControl->GetSafeHwnd() : nullptr;
  auto show = [&](const std::string& path, const std::string& shownName, const std::string& plotText) {
    if (!control) return false;
    STRUCT_OPLOT_DISPLAY_FILE request{};
    request.useFirstFreeSlot = 1;
    std::snprintf(request.path, sizeof request.path, "%s", path.c_str());
    if (m_pOverlay && m_slot >= 0) {
      const OVERLAY_SLOT& s = m_pOverlay->slots[m_slot];
      request.plotKind = int16_t(s.plotKind);
      request.plotSubKind = int16_t(s.plotSubKind);
      request.chanList = s.chanList;
      request.massList = s.massList;
    }
    std::snprintf(request.displayFileName, sizeof request.displayFileName, "%s", shownName.c_str());
    std::snprintf(request.plotText, sizeof request.plotText, "%s", plotText.c_str());
    return SendMessageA(control, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&request)) != 0;
  };

  bool ok = false;
  if (choice == EXTRACT_TO_NEW) {
    char saved[MAX_PATH] = "";
    ok = WSA_SaveDataFile(suggested.c_str(), scratch, saved, text.c_str(), 1) != 0;
    if (!ok) {
      ExclaimBox(owner, "The new data file was not saved.");
    } else if (control && !show(saved, "", "")) {
      ExclaimBox(owner, "The new data file could not be displayed");
    }
    DeleteFileA(scratch);
  } else if (choice == EXTRACT_TO_CURRENT) {
    char saved[MAX_PATH] = "";
    ok = WSA_SaveDataFile(m_filePath.c_str(), scratch, saved, text.c_str(), 0) != 0;
    if (!ok) ExclaimBox(owner, "The current data file was not saved.");
    DeleteFileA(scratch);
  } else {
    std::string plotText;
    if (m_pOverlay && m_slot >= 0) {
      const OVERLAY_SLOT& s = m_pOverlay->slots[m_slot];
      plotText.assign(s.plotText, strnlen(s.plotText, sizeof s.plotText));
    }
    if (plotText.size() + text.size() < 256) plotText += text;
    ok = show(scratch, suggested, plotText);
    if (!ok) DeleteFileA(scratch);
  }
  return ok;
}

int CVersionInfoDlg::DoModal() {
  AddTemplates();
  const INT_PTR r = DialogBoxParamA(kelt::lib::ModuleHandle(), MAKEINTRESOURCEA(VERSION_INFO_DIALOG_ID),
                                    m_parent ? m_parent->GetSafeHwnd() : nullptr, VersionProc,
                                    reinterpret_cast<LPARAM>(this));
  return r == IDOK ? IDOK : r == -1 ? -1 : IDCANCEL;
}

void Dlg_VersionInfo(const char* filePath, int16_t fileType, CWnd* ownerControl, SVW_OVERLAY* overlay, int16_t slot) {
  try {
    CVersionInfoDlg dlg(ownerControl);
    dlg.SetFileInfo(filePath, filePath, -1, filePath && IsFileWriteProtected(filePath) ? 1 : 0);
    dlg.m_fileType = fileType;
    dlg.SetVersionNumbers(ownerControl, overlay, slot);
    dlg.DoModal();
  } catch (...) {
  }
}
