// The save-as dialog of exported text files.
#include "reportpages/export_file_choice.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "win/win_commdlg.h"
#include "win/win_user.h"

namespace kelt::pages {

const char* ExportExtension(int16_t kind) {
  switch (kind) {
    case EXPORT_KIND_COMMA: return "csv";
    case EXPORT_KIND_BLANK: return "prn";
    default: return "txt";
  }
}

void ProposeExportName(const char* from, const char* suffix, int16_t kind, char* out, size_t size) {
  if (!out || !size) return;
  std::string base = from ? from : "";
  const size_t slash = base.find_last_of("\\/");
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
  const std::string name = base + (suffix ? suffix : "") + "." + ExportExtension(kind);
  std::snprintf(out, size, "%s", name.size() < size ? name.c_str() : "");
}

BOOL SelectExportFile(HWND owner, int16_t kind, char* path, const char* from, const char* suffix, char* extension) {
  if (!path) return FALSE;
  char file[MAX_PATH] = {};
  ProposeExportName(from && from[0] ? from : path, suffix, kind, file, sizeof file);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kind == EXPORT_KIND_COMMA   ? "Comma Separated (*.csv)\0*.csv\0All Files (*.*)\0*.*\0"
                    : kind == EXPORT_KIND_BLANK ? "Space Separated (*.prn)\0*.prn\0All Files (*.*)\0*.*\0"
                                                : "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Save As";
  ofn.lpstrDefExt = ExportExtension(kind);
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&ofn)) return FALSE;
  std::snprintf(path, MAX_PATH, "%s", file);
  if (extension) {
    const char* slash = std::strrchr(file, '\\');
    const char* dot = std::strrchr(file, '.');
    extension[0] = 0;
    if (dot && (!slash || dot > slash)) std::snprintf(extension, 16, "%s", dot + 1);
  }
  return TRUE;
}

}  // namespace kelt::pages
