// The general open and save-as dialogs.
#include "dialogs/file_selection_dialogs.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/data_file_utils.h"
#include "common/last_files.h"
#include "common/library_state.h"
#include "common/mass_lists.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "fandor/list_file_checks.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/msr_functions.h"
#include "ulbrec32/file_paths.h"
#include "win/win_commdlg.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "win/win_user.h"

IMPLEMENT_DYNAMIC(CKEFileDialog, CFileDialog)

namespace {

struct FilterText {
  int id;
  const char* text;
};
const FilterText kFilters[] = {
    {500, "MS Files (*.MS )|*.MS|All Files (*.*)|*.*|"},
    {502, "Data Files (*.KMS, *.XMS, *.RUN, *.MS)|*.KMS;*.XMS;*.RUN;*.MS|XMS Files (*.XMS)|*.XMS|KMS Files "
          "(*.KMS)|*.KMS|MS Files (*.MS)|*.MS|RUN Files (*.RUN)|*.RUN|All Files (*.*)|*.*|"},
    {504, "MSP Files (*.MSP )|*.MSP|All Files (*.*)|*.*|"},
    {506, "DB* Files (*.DB* )|*.DB*|All Files (*.*)|*.*|"},
    {507, "Text Files (*.TXT )|*.TXT|All Files (*.*)|*.*|"},
    {508, "MSR Files (*.MSR )|*.MSR|All Files (*.*)|*.*|"},
    {509, "MTH Files (*.MTH )|*.MTH|All Files (*.*)|*.*|"},
    {510, "?MS Files (*.?MS )|*.?MS|XMS Files (*.XMS )|*.XMS|KMS Files (*.KMS )|*.KMS|MS Files (*.MS )|*.MS|All "
          "Files (*.*)|*.*|"},
    {511, "?MS Files (*.?MS )|*.?MS|XMS Files (*.XMS )|*.XMS|KMS Files (*.KMS )|*.KMS|All Files (*.*)|*.*|"},
    {512, "CSV Files (*.CSV)  (Regional List Separator)|*.CSV|TXT Files (*.TXT)  (Tab delimited)|*.TXT|PRN Files "
          "(*.PRN)  (Space delimited)|*.PRN|All Files (*.*)|*.*|"},
    {513, "PRN Files (*.PRN)  (Space delimited)|*.PRN|TXT Files (*.TXT)  (Tab delimited)|*.TXT|CSV Files (*.CSV)  "
          "(Regional List Separator)|*.CSV|All Files (*.*)|*.*|"},
    {514, "TXT Files (*.TXT)  (Tab delimited)|*.TXT|CSV Files (*.CSV)  (Regional List Separator)|*.CSV|PRN Files "
          "(*.PRN)  (Space delimited)|*.PRN|All Files (*.*)|*.*|"},
    {515, "MSL Files (*.MSL )|*.MSL|All Files (*.*)|*.*|"},
    {516, "MSP Files (*.MSP )|*.MSP|MSL Files (*.MSL )|*.MSL|All Files (*.*)|*.*|"},
    {517, "XMS Files (*.XMS )|*.XMS|KMS Files (*.KMS )|*.KMS|All Files (*.*)|*.*|"},
    {518, "KMS Files (*.KMS )|*.KMS|XMS Files (*.XMS )|*.XMS|All Files (*.*)|*.*|"},
    {519, "RCL Files (*.RCL )|*.RCL|All Files (*.*)|*.*|"},
    {520, "BMP Files (*.BMP )|*.BMP|All Files (*.*)|*.*|"},
    {521, "BMP Files (*.BMP )|*.BMP|WMF Files (*.WMF )|*.WMF|All Files (*.*)|*.*|"},
    {522, "BIN Files (*.BIN )|*.BIN|All Files (*.*)|*.*|"},
};

struct KindRow {
  int16_t kind;
  int open;
  const char* openTitle;
  int save;  // 0: cannot be saved
  const char* saveTitle;
};
const KindRow kKinds[] = {
    {1, 500, "Select MS Tolmar File", 0, nullptr},
    {3, 502, "Select Workstation File", 0, nullptr},
    {5, 504, "Select Spectrum List (MSP) File", 504, "Create Spectrum List (MSP) File"},
    {7, 506, "Select NIST Library File", 0, nullptr},
    {8, 507, "Select Text File", 507, "Create Text File"},
    {9, 506, "Select NIST Top Directory", 0, nullptr},
    {10, 506, "Select NIST Sub Directory", 0, nullptr},
    {11, 508, "Select Reports File", 508, "Create Reports File"},
    {12, 509, "Select Methods File", 509, "Create Method File"},
    {13, 510, "Select Data File", 0, nullptr},
    {14, 511, "Select Data File", 517, "Create Data File"},
    {15, 512, "Select ASCII File", 512, "Create ASCII File"},
    {16, 513, "Select ASCII File", 513, "Create ASCII File"},
    {17, 514, "Select ASCII File", 514, "Create ASCII File"},
    {18, 515, "Select Spectrum List (MSL) Library", 515, "Create Spectrum List (MSL) Library"},
    {19, 511, "Select Data File", 0, nullptr},
    {20, 502, "Select Workstation File", 516, "Create Spectrum List"},
    {21, 502, "Select Workstation File", 519, "Create Recalc File"},
    {22, 520, "Select Bitmap File", 520, "Create Bitmap File"},
    {23, 521, "Select Bitmap or Picture File", 521, "Create Bitmap or Picture File"},
    {24, 522, "Select BIN File", 0, nullptr},
};
const KindRow kOther = {0, 502, "Select Workstation File", 0, nullptr};

const KindRow& Row(int16_t kind) {
  for (const KindRow& r : kKinds)
    if (r.kind == kind) return r;
  return kOther;
}

void AddStrings() {
  const HMODULE module = kelt::lib::ModuleHandle();
  for (const FilterText& f : kFilters)
    if (!win::resources::FindString(module, static_cast<UINT>(f.id))) win::resources::AddString(module, static_cast<UINT>(f.id), f.text);
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
  const size_t n = std::strlen(tail);
  return s.size() >= n && _stricmp(s.c_str() + s.size() - n, tail) == 0;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Copies into a 260-byte buffer; false when it does not fit.
bool Put(char* to, const std::string& from) {
  if (from.size() > 259) return false;
  std::memcpy(to, from.c_str(), from.size() + 1);
  return true;
}

std::string Bounded(const char* s) { return s ? std::string(s, strnlen(s, 260)) : std::string(); }

// The per-call work block: initial folder, file name, file title, filter,
// default extension and title.
#pragma pack(push, 1)
struct WorkBlock {
  char folder[260];
  char file[260];
  char fileTitle[260];
  char filter[260];
  char defExt[4];
  char title[70];
};
#pragma pack(pop)

// Loads the filter text, cuts the save-as form at "All" and takes the
// default extension from after the first point. The text keeps its "|"
// separators (the framework's file dialog takes that form).
bool Prepare(WorkBlock* w, int filterId, bool saveAs) {
  if (LoadStringA(kelt::lib::ModuleHandle(), static_cast<UINT>(filterId), w->filter, sizeof w->filter - 1) <= 0)
    return false;
  std::string f = w->filter;
  if (f.empty()) return false;
  const char separator = f.back();
  for (char& c : f)
    if (c == separator) c = '|';
  if (saveAs) {
    const size_t all = f.find("All");
    if (all != std::string::npos) f = f.substr(0, all);
  }
  Put(w->filter, f);
  const size_t dot = f.find('.');
  std::string ext = dot == std::string::npos ? std::string() : f.substr(dot + 1, 3);
  while (ext.size() < 3 && dot != std::string::npos) ext += ' ';
  std::memcpy(w->defExt, ext.c_str(), ext.size() < 3 ? ext.size() : 3);
  w->defExt[3] = 0;
  return true;
}

std::string ExtensionOf(const std::string& path) {
  char folder[260], name[260], ext[260];
  if (path.size() > 259) return {};
  SplitFilePath(path.c_str(), folder, name, ext);
  return ext;
}

bool Ask(HWND parent, const char* text, const char* caption) {
  return MessageBoxA(parent, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Whether the chosen file suits the kind; a refusal asks whether to choose
// again (*again).
bool Accept(HWND parent, int16_t kind, const char* file, bool* again) {
  *again = false;
  const char* question = nullptr;
  const char* caption = "Wrong File";
  switch (kind) {
    case 3:
    case 13:
    case 14:
    case 19: {
      STRUCT_WORK_FILE* wf = MakeWorkFileStruct(file, 0);
      bool ok = false;
      if (wf) {
        const bool f1 = wf->directHeader != 0, f2 = wf->sectioned != 0, f3 = wf->centroid != 0, f4 = wf->profile != 0;
        switch (kind) {
          case 3: ok = f1 || f2; break;
          case 13: ok = f1 || f3 || f4; break;
          case 19: ok = f3; break;
          default: ok = f3; break;
        }
        if (kind == 14 && ok) {
          uint8_t header[2700] = {};
          RPTS_ReadResultsFromFile(file, header, 1);
          if (!KELT_HaveCurrentResults(file)) {
            FreeWorkFileStruct(wf);
            *again = Ask(parent, "Do you want to select another file?", "No current results.");
            return false;
          }
        }
        if (ok && (f3 || f4)) SetDefaultFolderForType(file, "run");
        FreeWorkFileStruct(wf);
      }
      if (ok) return true;
      question = kind == 14 ? "This is not a KMS Centroid Data File.\n\rDo you want to select another file?"
                            : "This is not a Data File.\n\rDo you want to select another file?";
      break;
    }
    case 12:
      if (FileExists(file) && IsSectionFileOfType(file, 666)) {
        SetDefaultFolderForType(file, "mth");
        return true;
      }
      question = "This is not a Methods File.\n\rDo you want to select another file?";
      break;
    case 5:
      if (CheckSpectrumListFile(file) && CheckMSPFormat(file)) return true;
      question = "This is not a Spectrum List (MSP) File.\n\rDo you want to select another file?";
      break;
    case 18:
      if (CheckSpectrumListFile(file) && !CheckMSPFormat(file)) return true;
      question = "This is not a Spectrum List (MSL) Library.\n\rDo you want to select another file?";
      break;
    case 11:
      if (MSR_IsValidFile(file)) return true;
      question = "This is not a Reports File.\n\rDo you want to select another file?";
      break;
    default: return true;
  }
  *again = Ask(parent, question, caption);
  return false;
}

// The slot a kind starts from (open dialog), empty when none.
std::string OpenSlot(int16_t kind) {
  const STRUCT_LAST_FILES* l = KELT_GetKeltLastFiles();
  auto exists = [](const char* p) { return p[0] && std::memchr(p, 0, 260) && FileExists(p) ? Bounded(p) : std::string(); };
  switch (kind) {
    case 5: return exists(l->mspFiles[0]);
    case 7: return exists(l->libraryFiles[0]);
    case 8: return exists(l->textFile);
    case 11: return exists(l->reportsFiles[0]);
    case 12: return exists(l->methodFile);
    case 14:
    case 19: return exists(l->dataFile);
    case 15: return exists(l->csvFile);
    case 16: return exists(l->prnFile);
    case 17: return exists(l->txtFile);
    case 18: return exists(l->mslFiles[0]);
    case 22: return exists(l->bmpFile);
    case 23: {
      const std::string b = exists(l->bmpFile);
      return b.empty() ? exists(l->wmfFile) : b;
    }
    default: return {};
  }
}

void StoreOpened(int16_t kind, const std::string& path) {
  STRUCT_LAST_FILES* l = KELT_GetKeltLastFiles();
  const std::string ext = Lower(ExtensionOf(path));
  switch (kind) {
    case 11: KELT_AddLastFile(path.c_str()); break;
    case 5: KELT_AddLastMSPFile(path.c_str()); break;
    case 18: KELT_AddLastMSLFile(path.c_str()); break;
    case 7: Put(l->libraryFiles[0], path); break;
    case 8: Put(l->textFile, path); break;
    case 12: Put(l->methodFile, path); break;
    case 14: Put(l->dataFile, path); break;
    case 22: Put(l->bmpFile, path); break;
    case 23:
      if (ext == ".bmp") Put(l->bmpFile, path);
      else if (ext == ".wmf") Put(l->wmfFile, path);
      break;
    case 15:
      if (ext == ".csv") Put(l->csvFile, path);
      break;
    case 16:
      if (ext == ".prn") Put(l->prnFile, path);
      break;
    case 17:
      if (ext == ".txt") Put(l->txtFile, path);
      break;
    default: break;
  }
}

void StoreSaved(int16_t kind, const std::string& path) {
  STRUCT_LAST_FILES* l = KELT_GetKeltLastFiles();
  const std::string ext = Lower(ExtensionOf(path));
  switch (kind) {
    case 5: Put(l->mspFiles[0], path); break;
    case 18: Put(l->mslFiles[0], path); break;
    case 11: Put(l->reportsFiles[0], path); break;
    case 20:
      if (ext == ".msp") Put(l->mspFiles[0], path);
      else if (ext == ".msl") Put(l->mslFiles[0], path);
      break;
    case 8: Put(l->textFile, path); break;
    case 12: Put(l->methodFile, path); break;
    case 14: Put(l->dataFile, path); break;
    case 22: Put(l->bmpFile, path); break;
    case 23:
    case 15:
    case 16:
    case 17: StoreOpened(kind, path); break;
    default: break;
  }
}

std::string SaveSlot(int16_t kind) {
  const STRUCT_LAST_FILES* l = KELT_GetKeltLastFiles();
  auto b = [](const char* p) { return Bounded(p); };
  switch (kind) {
    case 5: return b(l->mspFiles[0]);
    case 18: return b(l->mslFiles[0]);
    case 11: return b(l->reportsFiles[0]);
    case 20: return l->mspFiles[0][0] ? b(l->mspFiles[0]) : b(l->mslFiles[0]);
    case 8: return b(l->textFile);
    case 12: return b(l->methodFile);
    case 14: return b(l->dataFile);
    case 15: return b(l->csvFile);
    case 16: return b(l->prnFile);
    case 17: return b(l->txtFile);
    case 22: return b(l->bmpFile);
    case 23: {
      if (l->bmpFile[0] && FileExists(l->bmpFile)) return b(l->bmpFile);
      if (l->wmfFile[0] && FileExists(l->wmfFile)) return b(l->wmfFile);
      return {};
    }
    default: return {};
  }
}

}  // namespace

CKEFileDialog::CKEFileDialog(LPCSTR defExt, LPCSTR fileName, DWORD flags, LPCSTR filter, CWnd* parent)
    : CFileDialog(FALSE, defExt, fileName, flags, filter, parent) {}

CKEFileDialog::~CKEFileDialog() = default;

void CKEFileDialog::OnTypeChange() {
  HWND common = ::GetParent(m_hWnd);
  HWND types = ::GetDlgItem(common, cmb1);
  const LRESULT sel = ::SendMessageA(types, CB_GETCURSEL, 0, 0);
  char text[260] = {};
  if (sel < 0 || ::SendMessageA(types, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0) >= 260) return;
  ::SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text));
  const char* dot = std::strrchr(text, '.');
  if (!dot) return;
  std::memset(m_Extension, 0, sizeof m_Extension);
  std::memcpy(m_Extension, dot + 1, strnlen(dot + 1, 3));
  SetDefExt(m_Extension);
  char typed[260] = {};
  ::GetDlgItemTextA(common, edt1, typed, sizeof typed);
  if (!typed[0]) return;
  char folder[260], name[260], ext[260];
  SplitFilePath(typed, folder, name, ext);
  const std::string renamed = std::string(folder) + name + "." + m_Extension;
  if (renamed.size() < 260) ::SetDlgItemTextA(common, edt1, renamed.c_str());
}

namespace kelt::dlg {

const char* FileKindFilter(int16_t kind, bool saveAs, const char* givenPath) {
  const KindRow& r = Row(kind);
  int id = saveAs ? r.save : r.open;
  if (saveAs && kind == 14 && givenPath && givenPath[0] && EndsWithNoCase(Bounded(givenPath), ".kms")) id = 518;
  for (const FilterText& f : kFilters)
    if (f.id == id) return f.text;
  return "";
}

const char* FileKindTitle(int16_t kind, bool saveAs) {
  const KindRow& r = Row(kind);
  return saveAs ? (r.saveTitle ? r.saveTitle : "") : r.openTitle;
}

}  // namespace kelt::dlg

int16_t Dlg_SelectFile(HWND parent, int16_t kind, char* path, const char* initialFolder) {
  if (!path) return 0;
  AddStrings();
  auto* w = static_cast<WorkBlock*>(AllocBlock(sizeof(WorkBlock)));
  if (!w) return 0;
  const KindRow& row = Row(kind);
  if (!Prepare(w, row.open, false)) {
    FreeBlock(w);
    return 0;
  }
  if (initialFolder) Put(w->folder, Bounded(initialFolder));
  else GetProgramDirectory(w->folder);
  std::string initial = Bounded(path);
  if (initial.empty() || !FileExists(initial.c_str())) initial = OpenSlot(kind);
  if (!initial.empty()) {
    char folder[260], name[260], ext[260];
    SplitFilePath(initial.c_str(), folder, name, ext);
    if (folder[0]) Put(w->folder, folder);
    std::string n = name[0] ? name : "x";
    n += ext[0] ? std::string(ext) : std::string(".") + w->defExt;
    Put(w->file, n);
  }
  Put(w->title, kelt::dlg::FileKindTitle(kind, false));
  int16_t result = 0;
  for (;;) {
    CFileDialog dialog(TRUE, w->defExt, w->file, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, w->filter,
                       nullptr);
    dialog.m_ofn.hwndOwner = parent;
    dialog.m_ofn.nFilterIndex = 1;
    dialog.m_ofn.lpstrInitialDir = w->folder;
    dialog.m_ofn.lpstrTitle = w->title;
    dialog.m_ofn.FlagsEx = OFN_EX_NOPLACESBAR;
    if (dialog.DoModal() != IDOK) break;
    const std::string chosen = dialog.GetPathName();
    bool again = false;
    if (Accept(parent, kind, chosen.c_str(), &again)) {
      const std::string lower = Lower(chosen);
      if (Put(path, lower)) {
        StoreOpened(kind, lower);
        result = 1;
      }
      break;
    }
    if (!again) break;
  }
  FreeBlock(w);
  return result;
}

int16_t Dlg_SelectSaveAsFileExEx(HWND parent, int16_t kind, char* path, int16_t overwritePrompt,
                                 const char* initialFolder, const char* suffix, char* extension) {
  if (!path) return 0;
  const KindRow& row = Row(kind);
  if (!row.save) return 0;
  AddStrings();
  auto* w = static_cast<WorkBlock*>(AllocBlock(sizeof(WorkBlock)));
  if (!w) return 0;
  int filterId = row.save;
  const std::string given = Bounded(path);
  if (kind == 14 && !given.empty() && _stricmp(ExtensionOf(given).c_str(), ".kms") == 0) filterId = 518;
  if (!Prepare(w, filterId, true)) {
    FreeBlock(w);
    return 0;
  }
  const std::string initial = given.empty() ? SaveSlot(kind) : given;
  char folder[260] = {}, name[260] = {}, ext[260] = {};
  if (!initial.empty()) SplitFilePath(initial.c_str(), folder, name, ext);
  if (folder[0]) Put(w->folder, folder);
  else if (initialFolder) Put(w->folder, Bounded(initialFolder));
  std::string suggested = name[0] ? name : "xxxxx";
  for (char& c : suggested)
    if (std::strchr("\"/\\:|><*?", c)) c = ' ';
  if (suffix) suggested += Bounded(suffix);
  suggested += std::string(".") + w->defExt;
  if (!Put(w->file, suggested)) w->file[0] = 0;  // a name too long to offer is not offered
  Put(w->title, kelt::dlg::FileKindTitle(kind, true));
  DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (overwritePrompt) flags |= OFN_OVERWRITEPROMPT;
  if (kind == 20) flags |= OFN_EXTENSIONDIFFERENT;
  int16_t result = 0;
  {
    CKEFileDialog dialog(w->defExt, w->file, flags, w->filter, nullptr);
    std::memcpy(dialog.m_Extension, w->defExt, sizeof dialog.m_Extension);
    dialog.m_ofn.hwndOwner = parent;
    dialog.m_ofn.nFilterIndex = 1;
    dialog.m_ofn.lpstrInitialDir = w->folder[0] ? w->folder : nullptr;
    dialog.m_ofn.lpstrTitle = w->title;
    dialog.m_ofn.FlagsEx = OFN_EX_NOPLACESBAR;
    if (dialog.DoModal() == IDOK) {
      std::string chosen = dialog.GetPathName();
      const std::string chosenExt = ExtensionOf(chosen);
      const std::string current = dialog.m_Extension;
      if (kind == 15 || kind == 16 || kind == 17) {
        if (chosenExt.size() < 2) chosen += (chosenExt.empty() ? "." : "") + current;
      } else if (chosenExt.empty() || _stricmp(chosenExt.c_str() + 1, current.c_str()) != 0) {
        chosen += "." + current;
      }
      const std::string lower = Lower(chosen);
      // A name that no longer fits the caller's buffer is refused whole.
      if (Put(path, lower)) {
        StoreSaved(kind, lower);
        if (extension) {
          std::memset(extension, 0, 4);
          std::memcpy(extension, current.c_str(), current.size() < 3 ? current.size() : 3);
        }
        result = 1;
      } else {
        MessageBoxA(parent, "The file name is too long.", kelt::dlg::FileKindTitle(kind, true), MB_OK | MB_ICONWARNING);
      }
    }
  }
  FreeBlock(w);
  return result;
}

int16_t Dlg_SelectSaveAsFileEx(HWND parent, int16_t kind, char* path, int16_t overwritePrompt,
                               const char* initialFolder, const char* suffix) {
  return Dlg_SelectSaveAsFileExEx(parent, kind, path, overwritePrompt, initialFolder, suffix, nullptr);
}

int16_t Dlg_SelectSaveAsFile(HWND parent, int16_t kind, char* path, int16_t overwritePrompt,
                             const char* initialFolder) {
  return Dlg_SelectSaveAsFileExEx(parent, kind, path, overwritePrompt, initialFolder, nullptr, nullptr);
}
