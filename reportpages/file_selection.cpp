// Reports-file choice through the system's open and save-as dialogs.
#include "reportpages/file_selection.h"

#include <cstdio>
#include <cstring>

#include "win/win_commdlg.h"
#include "win/win_user.h"

namespace {
const char kReportsFilter[] = "Reports Files (*.msr)\0*.msr\0All Files (*.*)\0*.*\0";
}

BOOL Dlg_SelectReportsFile(HWND owner, char* path, int32_t, int32_t* page) {
  if (!path) return FALSE;
  char file[MAX_PATH] = {};
  std::snprintf(file, sizeof file, "%s", path);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kReportsFilter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Select Reports File";
  ofn.lpstrDefExt = "msr";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&ofn)) return FALSE;
  std::snprintf(path, MAX_PATH, "%s", file);
  if (page) *page = 0;
  return TRUE;
}

BOOL Dlg_SelectSaveAsFile(HWND owner, int16_t kind, char* path, int16_t, const char* secondName) {
  if (!path) return FALSE;
  char file[MAX_PATH] = {};
  std::snprintf(file, sizeof file, "%s", path[0] ? path : (secondName ? secondName : ""));
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kind == 11 ? kReportsFilter : "All Files (*.*)\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Save As";
  ofn.lpstrDefExt = kind == 11 ? "msr" : nullptr;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&ofn)) return FALSE;
  std::snprintf(path, MAX_PATH, "%s", file);
  return TRUE;
}

BOOL Dlg_SelectSaveAsFileExEx(HWND owner, int16_t kind, char* path, int16_t, int16_t, const char*, int32_t) {
  if (!path) return FALSE;
  char file[MAX_PATH] = {};
  std::snprintf(file, sizeof file, "%s", path);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kind == 8 ? "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0" : "All Files (*.*)\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Save As";
  ofn.lpstrDefExt = kind == 8 ? "txt" : nullptr;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&ofn)) return FALSE;
  std::snprintf(path, MAX_PATH, "%s", file);
  return TRUE;
}
