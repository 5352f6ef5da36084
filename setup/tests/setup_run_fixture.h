#pragma once
// A run state as the installer has it when components are processed: the
// workstation in C:\Workstation, the patch in D:\PATCH, backups kept in
// C:\Workstation\Patch000, logging to C:\TEMP\setup.txt.
#include <string>

#include "run_state.h"
#include "setup_log.h"
#include "setup_test_root.h"
#include "win/win_registry.h"
#include "win/win_version.h"

namespace setup {

class InstallRunTest : public SetupRootTest {
 protected:
  void SetUp() override {
    SetupRootTest::SetUp();
    RunState& r = TheRun();
    r.title = "Fix 7";
    r.scriptPath = ScriptPath();
    r.destFolder = "C:\\Workstation";
    r.windowsFolder = "C:\\WINDOWS";
    r.systemFolder = "C:\\WINDOWS\\SYSTEM32";
    r.sourceFolder = "D:\\PATCH";
    r.tempFolder = "C:\\TEMP";
    r.uninstallable = 1;
    r.backupFolder = "C:\\Workstation\\Patch000";
    r.patchKey = "Software\\Corvane, Inc.\\PatchInstaller\\Fix 7";
    r.workstationIni = "C:\\Workstation\\workstation.ini";
    r.logPath = "C:\\TEMP\\setup.txt";
    WriteHostFile("c/Workstation/Patch000/.keep", "");
    LogStart();
  }
  std::string Log() const { return ReadHostFile("c/TEMP/setup.txt"); }
  // A file of the given text stamped with a version (0: none).
  void VersionedFile(const std::string& rel, const std::string& text, uint16_t major, uint16_t minor, uint16_t build) {
    WriteHostFile(rel, text);
    if (major) {
      std::string win = "X:\\" + rel.substr(2);
      win[0] = static_cast<char>(rel[0] - 'a' + 'A');
      for (char& c : win)
        if (c == '/') c = '\\';
      win::version::StampFileVersion(win.c_str(), win::version::MakeVersionMS(major, minor),
                                     win::version::MakeVersionLS(build, 0));
    }
  }
  // Backup record n under the patch key ("" when absent).
  static std::string Record(int n) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, TheRun().patchKey.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "";
    char buf[300] = {};
    DWORD size = sizeof buf - 1, type = 0;
    const LSTATUS s = RegQueryValueExA(k, std::to_string(n).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return s == ERROR_SUCCESS ? std::string(buf) : "";
  }
};

}  // namespace setup
