// LB_DIR and CB_DIR: a folder's entries matching a pattern added to a list,
// folders as "[name]" and drives as "[-c-]", the way the old listings look.
#include <string>

#include "common_control_kit.h"
#include "win_kernel.h"

namespace win::user {

LRESULT AddDirectoryListing(HWND control, UINT addMessage, UINT kinds, LPCSTR filePattern) {
  if (!filePattern || !*filePattern) return -1;
  std::string pattern = filePattern;
  LRESULT last = -1;
  auto add = [&](const std::string& text) {
    LRESULT r = Send(control, addMessage, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (r >= 0) last = r;
  };
  bool exclusive = (kinds & DDL_EXCLUSIVE) != 0;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA(pattern.c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == ".") continue;
      DWORD a = fd.dwFileAttributes;
      bool folder = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (folder) {
        if (kinds & DDL_DIRECTORY) add("[" + name + "]");
        continue;
      }
      if (name == "..") continue;
      bool hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0, readOnly = (a & FILE_ATTRIBUTE_READONLY) != 0;
      if (hidden && !(kinds & DDL_HIDDEN)) continue;
      if (exclusive) {
        bool wanted = (readOnly && (kinds & DDL_READONLY)) || (hidden && (kinds & DDL_HIDDEN)) ||
                      ((a & FILE_ATTRIBUTE_ARCHIVE) && (kinds & DDL_ARCHIVE));
        if (!wanted) continue;
      }
      add(name);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  } else if (!(kinds & DDL_DRIVES)) {
    return -1;  // no such folder: nothing listed
  }
  if (kinds & DDL_DRIVES) {
    // The drives are the workstation root's drive folders.
    for (char letter = 'a'; letter <= 'z'; ++letter) {
      std::string root = std::string(1, static_cast<char>(letter - 'a' + 'A')) + ":\\";
      DWORD a = GetFileAttributesA(root.c_str());
      if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) add(std::string("[-") + letter + "-]");
    }
  }
  return last;
}

}  // namespace win::user
