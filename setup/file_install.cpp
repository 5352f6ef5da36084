#include "file_install.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "run_state.h"
#include "script_format.h"
#include "setup_dialogs.h"
#include "setup_log.h"
#include "system_routines.h"
#include "workstation_services.h"
#include "win/win_kernel.h"
#include "win/win_lz.h"
#include "win/win_registry.h"
#include "win/win_user.h"

namespace setup {

bool WriteSetupRegValue(const std::string& name, const std::string& value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, TheRun().patchKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LSTATUS s = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return s == ERROR_SUCCESS;
}

bool DeleteSetupRegValue(const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, TheRun().patchKey.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return false;
  const LSTATUS s = RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
  return s == ERROR_SUCCESS;
}

bool ReadRegistryText(const std::string& key, const char* name, std::string* value, DWORD* type) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LSTATUS s = RegQueryValueExA(k, name, nullptr, type, nullptr, &size);
  std::vector<char> buf(size + 1, '\0');
  if (s == ERROR_SUCCESS && size) s = RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<BYTE*>(buf.data()), &size);
  RegCloseKey(k);
  if (s != ERROR_SUCCESS) return false;
  *value = std::string(buf.data(), strnlen(buf.data(), size));
  return true;
}

bool RecordBackup(const std::string& installedPath) {
  RunState& r = TheRun();
  if (!WriteSetupRegValue(std::to_string(r.backupCounter), installedPath)) return false;
  ++r.backupCounter;
  return true;
}

std::string BackupPathFor(const std::string& backupFolder, const std::string& installedPath) {
  std::string rel;
  for (char c : installedPath)
    if (c != ':') rel += c;
  while (!rel.empty() && rel[0] == '\\') rel.erase(0, 1);
  return JoinPath(backupFolder, rel);
}

std::string AddedMarkPathFor(const std::string& backupFolder, const std::string& installedPath) {
  // Drive letters are one character, so "added" meets no backup's folder.
  return BackupPathFor(JoinPath(backupFolder, "added"), installedPath);
}

bool KeepWayBack(const std::string& destPath) {
  const RunState& r = TheRun();
  const std::string backup = BackupPathFor(r.backupFolder, destPath);
  const std::string mark = AddedMarkPathFor(r.backupFolder, destPath);
  if (!FileExistsPlain(backup) && !FileExistsPlain(mark)) {
    if (FileExistsPlain(destPath)) {
      // A copy, not a move: until the record is written the file stays
      // where it is. The copy lands whole or not at all.
      CreateDirectoryTree(backup);
      if (!CopyFileA(destPath.c_str(), backup.c_str(), TRUE)) return false;
    } else {
      CreateDirectoryTree(mark);
      HANDLE h = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) return false;
      CloseHandle(h);
    }
  }
  return RecordBackup(destPath);
}

int GetFileVersionNumbers(const std::string& path, VS_FIXEDFILEINFO* fixed) {
  *fixed = VS_FIXEDFILEINFO{};
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0 || size >= 32767) return 0;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoA(path.c_str(), handle, size, block.data())) return 0;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &value, &length) || length != sizeof(VS_FIXEDFILEINFO)) return 0;
  std::memcpy(fixed, value, sizeof *fixed);
  return 1;
}

void SelfRegisterFile(const std::string& path) {
  // Quoted, so that a path with blanks stays one argument.
  const int ok = LaunchAndWait("regsvr32.exe", "/s \"" + path + "\"", TheRun().systemFolder, true, false);
  LogLine("Self Registered " + path + " result:" + (ok ? "OK" : "Failed"));
}

int RemoveFromValidationData(const std::string& name) {
  return KeldorRemoveFromValidationData(JoinPath(TheRun().destFolder, "zeph.val"), name);
}

int DeleteMatchingFiles(const std::string& pattern, int* count) {
  if (count) *count = 0;
  const std::string folder = FolderOf(pattern);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 1;
  std::vector<std::string> names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  for (const std::string& n : names) {
    const std::string path = JoinPath(folder, n);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path.c_str())) return 0;
    if (count) ++*count;
  }
  return 1;
}

namespace {

std::string VersionText(const VS_FIXEDFILEINFO& f) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", HIWORD(f.dwFileVersionMS), LOWORD(f.dwFileVersionMS),
                HIWORD(f.dwFileVersionLS), LOWORD(f.dwFileVersionLS));
  return buf;
}

}  // namespace

int InstallFile(HWND dlg, const std::string& sourcePath, const std::string& destName, int keyword,
                const std::string& subFolder, int mode, int keep, int selfRegister) {
  RunState& r = TheRun();
  std::string folder;
  switch (keyword) {
    case kDest: folder = r.destFolder; break;
    case kWindows: folder = r.windowsFolder; break;
    case kSystem: folder = r.systemFolder; break;
    case kAlternate1: folder = r.alternate1; break;
    case kAlternate2: folder = r.alternate2; break;
    case kAsIs: folder = r.sourceFolder; break;
    case kBrowse: {
      std::string path = destName;
      if (!BrowseForFile(r.destFolder, &path)) {
        const std::string text = "Exited from browse looking for: " + destName;
        Message(text, "Browse Error", MB_OK);
        LogLine(text);
        throw ExitRequest{1};
      }
      folder = path;
      break;
    }
    default: return 0;
  }
  if (!subFolder.empty()) {
    folder = JoinPath(folder, subFolder);
    if (!FolderExists(folder) && !CreateDirectoryA(folder.c_str(), nullptr)) {
      const std::string text = "Error Creating Folder: " + folder;
      Message(text, "Error in CreateFile...", MB_OK);
      LogLine(text);
      return 0;
    }
  }
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const std::string destPath = Upper(folder) + destName;
  if (dlg) {
    SetDlgItemTextA(dlg, kSourceText, sourcePath.c_str());
    SetDlgItemTextA(dlg, kDestText, destPath.c_str());
  }
  // A test that the workstation folder can be written.
  char temp[MAX_PATH] = {};
  if (!GetTempFileNameA(r.destFolder.c_str(), "STP", 0, temp)) {
    const std::string text = "Error Creating tempfile: " + r.destFolder;
    Message(text, "Error in CreateFile...", MB_OK);
    LogLine(text);
    return 0;
  }
  if (!DeleteFileA(temp)) {
    char text[400];
    std::snprintf(text, sizeof text, "Failed to delete %s (error %u)", temp, GetLastError());
    Message(text, "Setup", MB_OK | MB_ICONERROR);
    LogLine(text);
    return 0;
  }

  if (mode == kRemove) {
    if (FileExistsPlain(destPath)) {
      if (r.uninstallable) {
        if (!KeepWayBack(destPath)) {
          Message("Unable to save patch file " + sourcePath, "PatchFile Save ERROR", MB_OK);
          r.failed = 1;
        } else {
          SetFileAttributesA(destPath.c_str(), FILE_ATTRIBUTE_NORMAL);
          if (!DeleteFileA(destPath.c_str())) r.failed = 1;
        }
      } else if (!DeleteMatchingFiles(destPath, nullptr)) {
        r.failed = 1;
      }
      LogLine("Removing file: " + destPath);
      RemoveFromValidationData(destName);
    } else {
      LogLine("Remove file: " + destPath + " does not exist. Not Removed");
    }
    return 1;
  }
  if (mode == kNever && FileExistsPlain(destPath)) {
    LogLine("Skipping " + destPath + " (no overwrite)");
    return 1;
  }

  OFSTRUCT of{};
  std::vector<char> src(sourcePath.begin(), sourcePath.end());
  src.push_back(0);
  const INT in = LZOpenFileA(src.data(), &of, OF_READ);
  if (in < 0) {
    LogLine("Can't read source file " + sourcePath);
    Message(sourcePath, "Can't read source file", MB_OK | MB_ICONERROR);
    return 0;
  }
  const INT out = LZOpenFileA(temp, &of, OF_CREATE | OF_WRITE);
  if (out < 0) {
    char text[400];
    std::snprintf(text, sizeof text, "Error %u creating %s...", static_cast<unsigned>(of.nErrCode), temp);
    Message(text, "Setup", MB_OK | MB_ICONERROR);
    r.failed = 1;
    LZClose(in);
    LogLine(text);
    return 0;
  }
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const LONG bytes = LZCopy(in, out);
  SetCursor(old);
  LZClose(in);
  LZClose(out);
  char head[600];
  std::snprintf(head, sizeof head, "Installing %s (%d bytes)", destPath.c_str(), static_cast<int>(bytes));
  std::string line = head;
  bool copy = true;
  if (bytes < 0) {
    // A damaged compressed source: nothing is installed from it.
    line += " - SOURCE DAMAGED, NOT INSTALLED";
    r.failed = 1;
    copy = false;
  }
  VS_FIXEDFILEINFO installed{}, fresh{};
  if (copy && mode == kUpdate && GetFileVersionNumbers(destPath, &installed) && GetFileVersionNumbers(temp, &fresh)) {
    line += " " + VersionText(installed) + " " + VersionText(fresh) + " ";
    const bool higher = installed.dwFileVersionMS > fresh.dwFileVersionMS ||
                        (installed.dwFileVersionMS == fresh.dwFileVersionMS &&
                         installed.dwFileVersionLS > fresh.dwFileVersionLS);
    if (higher) {
      line += " - Not Updated";
      copy = false;
    }
  }
  if (copy) {
    bool backedUp = true;
    if (r.uninstallable && !keep) {
      // Recorded also for a new file, so the uninstaller removes it.
      backedUp = KeepWayBack(destPath);
      if (!backedUp) {
        Message("Unable to save patch file " + sourcePath, "PatchFile Save ERROR", MB_OK);
        r.failed = 1;
      }
    }
    if (!backedUp) {
      // Never replaced without a way back.
      line += " - NOT UPDATED, NO BACKUP";
    } else if (CopyFileA(temp, destPath.c_str(), FALSE)) {
      line += " - Updated";
      if (selfRegister) SelfRegisterFile(destPath);
    } else {
      const DWORD err = GetLastError();
      MessageBoxA(GetActiveWindow(), SystemErrorText(err).c_str(), "Error Copying File!", MB_OK | MB_ICONERROR);
      line += " - COPY FAILED!";
      r.failed = 1;
    }
  }
  DeleteFileA(temp);
  LogLine(line);
  return 1;
}

}  // namespace setup
