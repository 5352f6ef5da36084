#include "setup_dialogs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "run_state.h"
#include "script_format.h"
#include "system_routines.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace setup {

namespace {

win::resources::DialogItem Item(int id, const char* cls, const char* text, DWORD style, short x, short y, short cx,
                                short cy) {
  win::resources::DialogItem i;
  i.id = id;
  i.className = cls;
  i.text = text;
  i.style = style | WS_VISIBLE;
  i.x = x;
  i.y = y;
  i.cx = cx;
  i.cy = cy;
  return i;
}

std::string SearchName;  // the file the search dialog looks for

}  // namespace

void RegisterSetupDialogs(HINSTANCE instance) {
  using win::resources::DialogTemplate;
  DialogTemplate progress;
  progress.caption = "Setup";
  progress.cx = 260;
  progress.cy = 60;
  progress.items = {Item(-1, "Static", "Copying:", SS_LEFT, 7, 8, 32, 8),
                    Item(kSourceText, "Static", "", SS_LEFT, 42, 8, 210, 8),
                    Item(-1, "Static", "To:", SS_LEFT, 7, 22, 32, 8),
                    Item(kDestText, "Static", "", SS_LEFT, 42, 22, 210, 8),
                    Item(kProgressCancel, "Button", "&Cancel", BS_PUSHBUTTON | WS_TABSTOP, 105, 40, 50, 14)};
  win::resources::AddDialog(instance, kProgressDialog, progress);
  DialogTemplate proceed;
  proceed.caption = "Setup";
  proceed.cx = 240;
  proceed.cy = 96;
  proceed.items = {Item(kQuestionText, "Static", "", SS_LEFT, 7, 7, 226, 10),
                   Item(IDYES, "Button", "&Yes", BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 74, 50, 14),
                   Item(IDNO, "Button", "&No", BS_PUSHBUTTON | WS_TABSTOP, 130, 74, 50, 14),
                   Item(kWelcomeText, "Static", "", SS_LEFT, 7, 22, 226, 30),
                   Item(kReadmeCheck, "Button", "View update readme after install?", BS_AUTOCHECKBOX | WS_TABSTOP, 7,
                        56, 226, 10)};
  win::resources::AddDialog(instance, kProceedDialog, proceed);
  DialogTemplate search;
  search.caption = "Application Search";
  search.cx = 240;
  search.cy = 60;
  search.items = {Item(kSearchingText, "Static", "Searching for", SS_LEFT, 7, 7, 226, 8),
                  Item(kFolderLabel, "Static", "Folder:", SS_LEFT, 7, 20, 30, 8),
                  Item(kFolderText, "Static", "", SS_LEFT, 40, 20, 193, 8),
                  Item(kSearchCancel, "Button", "&Cancel", BS_PUSHBUTTON | WS_TABSTOP, 95, 38, 50, 14)};
  win::resources::AddDialog(instance, kSearchDialog, search);
  // The key formats of the post-run application list.
  const char* const formats[] = {"CommandLine%d", "OtherParameters%d", "ForDetectors%d", "ForInstruments%d",
                                 "Comments%d"};
  for (UINT id = 1; id <= 5; ++id) win::resources::AddString(instance, id, formats[id - 1]);
}

void CenterDialog(HWND parent, HWND dlg) {
  RECT area{}, box{};
  HWND over = parent ? parent : GetDesktopWindow();
  GetClientRect(over, &area);
  POINT origin{0, 0};
  if (parent) ClientToScreen(parent, &origin);
  GetWindowRect(dlg, &box);
  const int w = box.right - box.left, h = box.bottom - box.top;
  int x = origin.x + (area.right - area.left - w) / 2;
  int y = origin.y + (area.bottom - area.top - h) / 2;
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (x < 2) x = 2;
  if (y < origin.y - 1) y = origin.y - 1;
  if (x + w > sw - 2) x = sw - 2 - w;
  if (y + h > sh - 2) y = sh - 2 - h;
  SetWindowPos(dlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
}

HWND FindCancelButton(HWND dlg) {
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char text[32] = {};
    GetWindowTextA(c, text, sizeof text);
    if (std::strcmp(text, "&Cancel") == 0) return c;
  }
  return nullptr;
}

bool CancelPressed(HWND dlg, HWND cancelButton) {
  if (!dlg || !cancelButton) return false;
  MSG msg;
  if (!PeekMessageA(&msg, cancelButton, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)) return false;
  EndDialog(dlg, 2);
  TheRun().cancelled = true;
  return true;
}

INT_PTR ProceedDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  RunState& r = TheRun();
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowPos(dlg, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      SetWindowTextA(dlg, r.title.c_str());
      SetDlgItemTextA(dlg, kQuestionText, reinterpret_cast<const char*>(lParam));
      SetDlgItemTextA(dlg, kWelcomeText, r.welcome.c_str());
      CheckDlgButton(dlg, kReadmeCheck, r.readmePresent ? BST_CHECKED : BST_UNCHECKED);
      ShowWindow(GetDlgItem(dlg, kReadmeCheck), r.readmePresent ? SW_SHOW : SW_HIDE);
      CenterDialog(nullptr, dlg);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDYES:
        case IDOK:
          r.viewReadme = IsDlgButtonChecked(dlg, kReadmeCheck) == BST_CHECKED;
          EndDialog(dlg, 1);
          return TRUE;
        case IDNO:
        case IDCANCEL:
          EndDialog(dlg, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

std::string ShortFolderText(const std::string& folder) {
  return folder.size() > 35 ? folder.substr(0, 34) + " ..." : folder;
}

int SearchForFile(HWND dlg, const std::string& folder, std::string* name) {
  if (!SetCurrentDirectoryA(folder.c_str())) return 0;
  if (CancelPressed(dlg, TheRun().cancelButton)) return 2;
  const int levels = TheRun().searchLevels;
  if (levels > 0 && std::count(folder.begin(), folder.end(), '\\') > levels) return 0;
  if (dlg) SetDlgItemTextA(dlg, kFolderText, ShortFolderText(folder).c_str());
  const std::string base = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((base + "*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::pair<std::string, bool>> entries;
  do {
    if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
    entries.push_back({fd.cFileName, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  for (const auto& [entry, isFolder] : entries) {
    if (isFolder) {
      const int r = SearchForFile(dlg, base + entry, name);
      if (r == 1 || r == 2) return r;
    } else if (EqualsNoCase(entry, *name)) {
      if (dlg) SetDlgItemTextA(dlg, kFolderText, ShortFolderText(folder).c_str());
      *name = folder;
      return 1;
    }
  }
  return 0;
}

INT_PTR SearchDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  RunState& r = TheRun();
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dlg, DWLP_USER, lParam);
      SetWindowTextA(dlg, "Application Search");
      auto* buffer = reinterpret_cast<std::string*>(lParam);
      SetDlgItemTextA(dlg, kSearchingText, ("Searching for: " + *buffer).c_str());
      CenterDialog(nullptr, dlg);
      PostMessageA(dlg, WM_COMMAND, kStartCommand, 0);
      r.cancelButton = FindCancelButton(dlg);
      return TRUE;
    }
    case WM_COMMAND: {
      auto* buffer = reinterpret_cast<std::string*>(GetWindowLongPtrA(dlg, DWLP_USER));
      switch (LOWORD(wParam)) {
        case kStartCommand: {
          if (r.workstationKnown && FileExistsPlain(JoinPath(r.destFolder, *buffer))) {
            *buffer = r.destFolder;
            EndDialog(dlg, 1);
            return TRUE;
          }
          const int found = SearchForFile(dlg, r.windowsRoot, buffer);
          SetWindowLongPtrA(dlg, GWLP_USERDATA, found);
          if (found == 1) {
            SetDlgItemTextA(dlg, kFolderLabel, "Found:");
            Sleep(3000);
            PostMessageA(dlg, WM_COMMAND, kEndCommand, 0);
          } else if (found == 2) {
            EndDialog(dlg, 2);
          } else {
            PostMessageA(dlg, WM_COMMAND, kEndCommand, 0);
          }
          return TRUE;
        }
        case kEndCommand:
          EndDialog(dlg, GetWindowLongPtrA(dlg, GWLP_USERDATA));
          return TRUE;
        case IDCANCEL:
          EndDialog(dlg, 2);
          return TRUE;
      }
      break;
    }
  }
  return FALSE;
}

int BrowseForFile(const std::string& initialFolder, std::string* path) {
  char file[256] = {};
  std::strncpy(file, path->c_str(), sizeof file - 1);
  const std::string title = "Find the path to file " + *path;
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = "All\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = 255;
  ofn.lpstrInitialDir = initialFolder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&ofn)) return 0;
  *path = FolderOf(file);
  return 1;
}

}  // namespace setup
