#include "uninstall.h"

#include <strings.h>

#include <cstring>

#include "file_install.h"
#include "installer_run.h"
#include "run_state.h"
#include "system_routines.h"
#include "win/win_kernel.h"
#include "win/win_registry.h"

namespace setup {

namespace {

enum class Read { kValue, kAbsent, kDamaged };

// A record, whatever its length; kDamaged for a value that is there but is
// no text.
Read ReadRecord(HKEY key, const std::string& name, std::string* value) {
  DWORD type = 0, size = 0;
  LSTATUS s = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (s == ERROR_FILE_NOT_FOUND) return Read::kAbsent;
  if (s != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return Read::kDamaged;
  std::string buf(size, '\0');
  if (size && RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
                  ERROR_SUCCESS)
    return Read::kDamaged;
  buf.resize(strnlen(buf.data(), size));
  *value = buf;
  return Read::kValue;
}

// "X:\..." with a name after the drive.
bool FullWindowsPath(const std::string& path) {
  return path.size() > 3 && path[1] == ':' && path[2] == '\\' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Only a folder of the installer's own naming is removed: a damaged record
// must not take a workstation folder with it.
bool BackupFolderName(const std::string& folder) {
  const std::string name = FileNameOf(folder);
  return name.size() == 8 && strncasecmp(name.c_str(), "Patch", 5) == 0 &&
         name.find_first_not_of("0123456789", 5) == std::string::npos;
}

std::string ErrorText() { return SystemErrorText(GetLastError()); }

}  // namespace

UninstallReport UndoUpdate(const std::string& title) {
  UninstallReport report;
  const std::string patchKey = PatchRegistryKey(title);
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, patchKey.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return report;
  std::string folder;
  if (ReadRecord(key, "PatchDir", &folder) != Read::kValue || folder.empty()) {
    RegCloseKey(key);
    return report;
  }
  report.found = true;
  report.backupFolder = folder;
  std::vector<std::string> records;
  int count = 0;
  for (int n = 1;; ++n) {
    std::string path;
    const Read got = ReadRecord(key, std::to_string(n), &path);
    if (got == Read::kAbsent) break;
    count = n;
    if (got == Read::kDamaged || !FullWindowsPath(path))
      report.problems.push_back("record " + std::to_string(n) + " names no file: it cannot be undone");
    else
      records.push_back(path);
  }
  // Last first, each file once: its backup is the one from before the
  // update, however often the update (or a rerun of it) touched the file.
  std::vector<std::string> done;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    const std::string& path = *it;
    bool seen = false;
    for (const std::string& d : done) seen = seen || strcasecmp(d.c_str(), path.c_str()) == 0;
    if (seen) continue;
    done.push_back(path);
    const std::string backup = BackupPathFor(folder, path);
    if (FileExistsPlain(backup)) {
      CreateDirectoryTree(path);
      if (FileExistsPlain(path)) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (CopyFileA(backup.c_str(), path.c_str(), FALSE))
        report.restored.push_back(path);
      else
        report.problems.push_back(path + " could not be put back from " + backup + ": " + ErrorText());
    } else if (FileExistsPlain(AddedMarkPathFor(folder, path))) {
      if (!FileExistsPlain(path)) continue;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (DeleteFileA(path.c_str()))
        report.removed.push_back(path);
      else
        report.problems.push_back(path + " was added by the update and could not be removed: " + ErrorText());
    } else {
      report.problems.push_back(path + " has no backup in " + folder + ": it is left as it is");
    }
  }
  const std::string savedVal = JoinPath(folder, "zeph.val");
  const std::string val = JoinPath(FolderOf(folder), "zeph.val");
  if (FileExistsPlain(savedVal)) {
    if (FileExistsPlain(val)) SetFileAttributesA(val.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (CopyFileA(savedVal.c_str(), val.c_str(), FALSE))
      report.restored.push_back(val);
    else
      report.problems.push_back(val + " could not be put back from " + savedVal + ": " + ErrorText());
  }
  // A run killed before the uninstaller may have left its temporaries.
  RemoveLeftoverTemporaries(FolderOf(folder));
  if (report.problems.empty()) {
    // Undone: the records go, so that a later install starts afresh. The
    // records first, the backups they point to after them.
    for (int n = count; n >= 1; --n) RegDeleteValueA(key, std::to_string(n).c_str());
    RegDeleteValueA(key, "Path");
    RegDeleteValueA(key, "PatchDir");
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, patchKey.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + title).c_str());
    if (BackupFolderName(folder)) DeleteFolderTree(folder);
  } else {
    RegCloseKey(key);
  }
  return report;
}

int UninstallUpdate(const std::string& title) {
  const UninstallReport r = UndoUpdate(title);
  return r.found ? static_cast<int>(r.problems.size()) : -1;
}

}  // namespace setup
