// Spectrum text files.
#include "spectra/spectrum_text_files.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/text_format.h"
#include "orvik32/orvik32.h"
#include "spectra/library_entry_texts.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"
#include "win/win_commdlg.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace {

using kelt::text::Format;

// One line and its CR LF in one write; false on a short write.
bool WriteLine(HANDLE file, const std::string& text) {
  const std::string line = text + "\r\n";
  DWORD written = 0;
  return WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr) && written == line.size();
}

std::string CasText(uint32_t cas) {
  char text[32];
  FormatCASNumber(cas, text);
  return text;
}

using Layout = kelt::spectra::PairLayout;
using kelt::spectra::LayoutOf;

void RemoveFile(const char* path) {
  if (FileExists(path)) DeleteFileA(path);
}

// The name part of a path (after its last folder separator).
std::string FileTitle(const char* path) {
  std::string p = path ? path : "";
  const size_t cut = p.find_last_of("\\/:");
  return cut == std::string::npos ? p : p.substr(cut + 1);
}

}  // namespace

KELT_API int32_t PlusSpt_PutSpectrumIntoThisTextFile(const STRUCT_SPT_PLUS* spt, int16_t withHeader,
                                                     const char* path) {
  if (!spt || !path || !path[0]) return 0;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || !file) return 0;
  bool ok = true;
  auto line = [&](const std::string& text) { ok = ok && WriteLine(file, text); };
  // Running out of memory half way must still close and remove the file.
  try {
    if (withHeader) {
      for (const char* t : {spt->nameTitle, spt->infoTitle, spt->mainTitle, spt->fileTitle})
        if (t[0]) line(Format("* %s", t));
      if (spt->name[0]) line(Format("* Name: %s", spt->name));
      if (spt->comment[0]) line(Format("* Comment: %s", spt->comment));
      if (spt->casNumber) line(Format("* CAS Number: %s", CasText(spt->casNumber).c_str()));
      if (spt->molecularWeight) line(Format("* Molecular Weight: %d", int(spt->molecularWeight)));
      line(Format("* Base Peak: %f%s, BaseAmount = %f", spt->basePeakMass, spt->basePeakFixed ? " (Edited)" : "",
                  spt->basePeakIntensity));
    }
    const Layout layout = LayoutOf(spt);
    const int32_t n = PlusSpt_GetPairCount(spt);
    for (int32_t i = 0; ok && i < n; ++i) {
      double mass = 0, value = 0;
      uint32_t intensity = 0;
      PlusSpt_GetPairValues(spt, uint32_t(i), &mass, &intensity, &value);
      if (layout == Layout::Double)
        line(Format("%f  %f", mass, value));
      else if (layout == Layout::Integer)
        line(Format("%d  %ld", int(mass), long(intensity)));
      else
        line(Format("%f  %lu", mass, static_cast<unsigned long>(intensity)));
    }
    line("");
  } catch (...) {
    ok = false;
  }
  CloseHandle(file);
  if (!ok) {
    RemoveFile(path);
    return 0;
  }
  return 1;
}

namespace kelt::spectra {

void DefaultTextFileName(const STRUCT_SPT_PLUS* spt, char* name, char* place) {
  std::string n, where;
  if (spt) {
    if (spt->kind == SPT_KIND_TOL && spt->tolSpt) {
      const STRUCT_TOL_SPT* tol = spt->tolSpt;
      const char* src = tol->displayName[0] ? tol->displayName : tol->dataFilePath;
      const std::string title = FileTitle(src);
      if (!title.empty())
        n = tol->scansAveraged >= 2
                ? Format("%s Scans%ld-%ld", title.c_str(), long(tol->firstScan), long(tol->lastScan))
                : Format("%s Scan%ld", title.c_str(), long(tol->header.scanNumber));
      where = src;
    } else if (spt->kind == SPT_KIND_NIST && spt->nistSpt && spt->nistSpt->aux) {
      n = Format("%s Entry%ld", spt->nistSpt->libraryName, long(int32_t(spt->nistSpt->aux->entryWord)));
    } else if (spt->kind == SPT_KIND_LIST && spt->listSpt) {
      if (spt->listSpt->listPath[0])
        n = Format("%s-Entry%ld", FileTitle(spt->listSpt->listPath).c_str(),
                   long(int32_t(spt->listSpt->entryNumber)));
      where = spt->listSpt->listPath;
    } else if (spt->kind == SPT_KIND_DIFF) {
      n = "DIFF";
    }
    for (const char* t : {spt->name, spt->infoTitle, spt->fileTitle, spt->mainTitle})
      if (n.empty() && t[0]) n = t;
  }
  if (!n.empty()) n += ".txt";
  if (where.empty()) {
    char dir[MAX_PATH] = {};
    GetProgramDirectory(dir);
    where = dir;
  }
  if (name) std::snprintf(name, MAX_PATH, "%s", n.c_str());
  if (place) std::snprintf(place, MAX_PATH, "%s", where.c_str());
}

}  // namespace kelt::spectra

namespace kelt::spectra {

namespace {

// Drive and folder of a path (with its last separator), and its name and
// extension parts.
void SplitPath(const std::string& path, std::string* folder, std::string* name, std::string* ext) {
  const size_t cut = path.find_last_of("\\/:");
  *folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
  const std::string file = cut == std::string::npos ? path : path.substr(cut + 1);
  const size_t dot = file.find_last_of('.');
  *name = dot == std::string::npos ? file : file.substr(0, dot);
  *ext = dot == std::string::npos ? "" : file.substr(dot);
}

// The save-as types of a separated text file, in filter order.
const char* const kTypes[] = {"CSV", "TXT", "PRN"};

// A new type makes its extension the default one, and a typed name takes it.
UINT_PTR CALLBACK TypeChangeHook(HWND hook, UINT msg, WPARAM, LPARAM l) {
  if (msg != WM_NOTIFY) return 0;
  const auto* n = reinterpret_cast<const OFNOTIFYA*>(l);
  if (!n || n->hdr.code != CDN_TYPECHANGE || !n->lpOFN) return 0;
  const DWORD index = n->lpOFN->nFilterIndex;
  if (index < 1 || index > 3) return 0;  // "All Files" keeps the extension
  const char* ext = kTypes[index - 1];
  HWND dialog = GetParent(hook);
  SendMessageA(dialog, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(ext));
  char typed[MAX_PATH] = {};
  SendMessageA(dialog, CDM_GETSPEC, sizeof typed, reinterpret_cast<LPARAM>(typed));
  if (typed[0]) {
    std::string folder, name, old;
    SplitPath(typed, &folder, &name, &old);
    const std::string renamed = folder + name + "." + ext;
    SendMessageA(dialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(renamed.c_str()));
  }
  return 0;
}

}  // namespace

int32_t AskSaveAsTextFile(char* path, const char* place, const char* suffix, char* extension) {
  if (!path) return 0;
  static const char kFilter[] =
      "CSV Files (*.CSV)  (Regional List Separator)\0*.CSV\0TXT Files (*.TXT)  (Tab delimited)\0*.TXT\0"
      "PRN Files (*.PRN)  (Space delimited)\0*.PRN\0All Files (*.*)\0*.*\0";
  std::string folder, name, ext;
  SplitPath(path, &folder, &name, &ext);
  if (folder.empty() && place) {
    std::string unusedName, unusedExt;
    SplitPath(place, &folder, &unusedName, &unusedExt);
  }
  if (name.empty()) name = "xxxxx";
  for (char& c : name)
    if (std::strchr("\"/\\:|><*?", c)) c = ' ';
  const std::string suggested = name + (suffix ? suffix : "") + "." + kTypes[0];
  char file[MAX_PATH], title[MAX_PATH] = {};
  std::snprintf(file, sizeof file, "%s", suggested.c_str());
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = sizeof title;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = "Create ASCII File";
  ofn.lpstrDefExt = kTypes[0];
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_ENABLEHOOK;
  ofn.lpfnHook = TypeChangeHook;
  ofn.FlagsEx = OFN_EX_NOPLACESBAR;
  if (!GetSaveFileNameA(&ofn)) return 0;
  // The chosen type decides the extension a name without one gets.
  const char* type = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= 3 ? kTypes[ofn.nFilterIndex - 1] : kTypes[0];
  std::string chosen = file;
  SplitPath(chosen, &folder, &name, &ext);
  if (ext.size() < 2) chosen = folder + name + "." + type;
  else
    for (const char* t : kTypes)
      if (_stricmp(ext.c_str() + 1, t) == 0) type = t;
  for (char& c : chosen) c = char(std::tolower(static_cast<unsigned char>(c)));
  std::snprintf(path, MAX_PATH, "%s", chosen.c_str());
  if (extension) std::snprintf(extension, 4, "%s", type);
  return 1;
}

}  // namespace kelt::spectra
