// The installer end to end: a workstation at 6.2 SP1, a service-pack
// update built from its script, the run, what it changed, and the
// uninstall back to the workstation as it was.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>

#include "installer_run.h"
#include "orvik32.h"
#include "run_state.h"
#include "sample_patch.h"
#include "setup_test_root.h"
#include "win/win_kernel.h"
#include "win/win_registry.h"
#include "win/win_security.h"
#include "win/win_services.h"
#include "win/win_shell.h"
#include "win/win_version.h"

namespace setup {
namespace {

class InstallerRunTest : public SetupRootTest {
 protected:
  void SetUp() override {
    SetupRootTest::SetUp();
    setenv("TEMP", "C:\\TEMP", 1);
    ASSERT_TRUE(MakeSampleWorkstation());
    before_ = Snapshot();
  }
  void TearDown() override {
    // The monitor service holds its program while it runs.
    StopMonitor();
    SetupRootTest::TearDown();
  }
  int RunPatch(const std::string& args = "/a") {
    return RunSetup(GetModuleHandleA(nullptr), "D:\\PATCH\\setup.exe", args);
  }
  // The workstation's program files, by relative path; what the update's
  // own records and bookkeeping add is left out.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    const std::filesystem::path base = Host("c/Workstation");
    for (const auto& e : std::filesystem::recursive_directory_iterator(base)) {
      if (!e.is_regular_file()) continue;
      const std::string rel = std::filesystem::relative(e.path(), base).string();
      if (rel.rfind("Patch", 0) == 0 || rel == "workstation.ini" || rel == "zeph.cfg" || rel == "uninstal.exe") continue;
      files[rel] = ReadHostPath(e.path().string());
    }
    return files;
  }
  std::string Log() const { return ReadHostFile("c/TEMP/setup.txt"); }
  // The files that differ from the workstation before the update.
  std::string ChangedSinceBefore() const {
    const auto now = Snapshot();
    std::string changed;
    for (const auto& [name, bytes] : now)
      if (!before_.count(name) || before_.at(name) != bytes) changed += name + " ";
    for (const auto& [name, bytes] : before_)
      if (!now.count(name)) changed += name + "(gone) ";
    return changed;
  }
  static void StopMonitor() {
    SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (SC_HANDLE svc = OpenServiceA(scm, "ZephMonitor", SERVICE_ALL_ACCESS)) {
      win::services::SetStopDelay("ZephMonitor", 0);
      SERVICE_STATUS st{};
      ::ControlService(svc, SERVICE_CONTROL_STOP, &st);
      QueryServiceStatus(svc, &st);
      CloseServiceHandle(svc);
    }
    CloseServiceHandle(scm);
  }
  static std::string Hklm(const std::string& key, const char* name) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<no key>";
    char buf[400] = {};
    DWORD size = sizeof buf - 1, type = 0;
    const LSTATUS s = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return s == ERROR_SUCCESS ? std::string(buf) : "<no value>";
  }
  static std::string Version(const char* path) {
    DWORD h = 0;
    const DWORD n = GetFileVersionInfoSizeA(path, &h);
    std::string block(n, '\0');
    void* fixed = nullptr;
    UINT len = 0;
    if (!n || !GetFileVersionInfoA(path, h, n, block.data()) || !VerQueryValueA(block.data(), "\\", &fixed, &len))
      return "";
    const auto* f = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return std::to_string(HIWORD(f->dwFileVersionMS)) + "." + std::to_string(LOWORD(f->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(f->dwFileVersionLS));
  }
  std::map<std::string, std::string> before_;
};

TEST_F(InstallerRunTest, AServicePackInstallsRecordsItselfAndUninstallsToTheWorkstationAsItWas) {
  ASSERT_TRUE(MakeSamplePatch());
  win::script::ResetLogs();  // the packages' build said what it made
  ASSERT_EQ(RunPatch(), 0) << Log();
  // Files and versions.
  EXPECT_EQ(Version("C:\\Workstation\\bin\\zeph.exe"), "6.2.20");
  EXPECT_EQ(Version("C:\\Workstation\\bin\\quant.dll"), "6.2.20") << "installed expanded";
  EXPECT_EQ(Version("C:\\Workstation\\bin\\report.dll"), "6.3.1") << "a higher version is kept";
  EXPECT_EQ(Version("C:\\Workstation\\monitor.exe"), "6.2.20");
  EXPECT_EQ(ReadHostFile("c/Workstation/reports/weekly.rpt"), "[Report]\r\nTitle=Weekly summary\r\n");
  EXPECT_FALSE(HostExists("c/Workstation/help/old.hlp"));
  // Backups and their records.
  EXPECT_EQ(Hklm(std::string("Software\\Corvane, Inc.\\PatchInstaller\\") + kSampleTitle, "PatchDir"),
            "C:\\Workstation\\Patch000");
  EXPECT_EQ(ReadHostFile("c/Workstation/Patch000/C/WORKSTATION/BIN/zeph.exe"), before_["bin/zeph.exe"]);
  EXPECT_EQ(ReadHostFile("c/Workstation/Patch000/C/WORKSTATION/HELP/old.hlp"), before_["help/old.hlp"]);
  EXPECT_EQ(ReadHostFile("c/Workstation/Patch000/zeph.val"), before_["ZEPH.VAL"]);
  // Registry, ini, shortcut, post-run list, service.
  EXPECT_EQ(Hklm("Software\\Corvane\\Zeph Workstation\\6.00\\Paths", ""), "C:\\Workstation\\bin");
  EXPECT_EQ(Hklm("Software\\Corvane\\Zeph Workstation\\6.00", "ProgramFolder"), "Corvane Zeph Workstation");
  const std::string uninstallKey = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kSampleTitle;
  EXPECT_EQ(Hklm(uninstallKey, "UninstallString"),
            std::string("\"C:\\Workstation\\Uninstal.exe\" \"") + kSampleTitle + "\"");
  EXPECT_NE(ReadHostFile("c/WINDOWS/corvane.ini").find("SP2=installed"), std::string::npos);
  win::shell::LinkFacts link;
  EXPECT_TRUE(win::shell::ReadLink(
      "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Corvane\\Zeph\\Zeph Workstation.lnk", &link));
  const std::string ini = ReadHostFile("c/Workstation/workstation.ini");
  EXPECT_NE(ini.find("CommandCount=2"), std::string::npos) << ini;
  EXPECT_NE(ini.find("CommandLine2=C:\\Workstation\\bin\\zephexport.exe -auto"), std::string::npos) << ini;
  EXPECT_NE(ini.find("ServicePackLevel=2"), std::string::npos) << ini;
  EXPECT_TRUE(IsHotFixInstalled(21));
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE svc = OpenServiceA(scm, "ZephMonitor", SERVICE_QUERY_STATUS);
  SERVICE_STATUS st{};
  ASSERT_TRUE(QueryServiceStatus(svc, &st));
  EXPECT_EQ(st.dwCurrentState, SERVICE_RUNNING);
  CloseServiceHandle(svc);
  CloseServiceHandle(scm);
  // Validation data and history.
  HSECTION s = OpenSectionReadOnly("C:\\Workstation\\zeph.cfg", "History-ZEPH", nullptr);
  ASSERT_NE(s, nullptr);
  std::string history(GetSectionSize(s), '\0');
  ReadSection(s, history.data(), static_cast<uint32_t>(history.size()));
  CloseSection(s);
  EXPECT_NE(history.find("Installed: Zeph 6.2 Service Pack 2\n"), std::string::npos) << history;
  EXPECT_NE(history.find("Updated bin\\zeph.exe"), std::string::npos) << history;
  EXPECT_NE(history.find("   Kept bin\\report.dll"), std::string::npos) << history;
  EXPECT_NE(history.find("  Added bin\\zephexport.exe"), std::string::npos) << history;
  EXPECT_NE(history.find("6.2.20.0 PATCHED"), std::string::npos) << history;
  // The log.
  const std::string log = Log();
  for (const char* line : {"===Zeph 6.2 Service Pack 2===\r\n", "=== Programs\r\n", "=== Monitor\r\n", "=== Reports\r\n",
                           "=== Cleanup\r\n", " 6.3.1.0 6.2.20.0  - Not Updated\r\n",
                           "=== Merged Zeph6 Validation Data and History\r\n", "===ServicePack update 2 Succeeded\r\n",
                           "===HotFix update 21 Succeeded\r\n", "Removing file: C:\\WORKSTATION\\HELP\\old.hlp\r\n",
                           ";;; Logging ended "})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  EXPECT_EQ(log.find("Skipped"), std::string::npos);
  // Automatic and no restart: no message at all.
  for (const auto& box : win::script::MessageBoxLog()) ADD_FAILURE() << box.caption << ": " << box.text;

  StopMonitor();  // its program is put back too
  EXPECT_EQ(UninstallUpdate(kSampleTitle), 0);
  EXPECT_EQ(ChangedSinceBefore(), "");
}

// The walk-through: a second run stops (the workstation is at the new
// level) and changes nothing, the way back included; the uninstaller then
// brings back the workstation as it was before the first.
TEST_F(InstallerRunTest, ASecondRunChangesNothingAndTheUninstallerStillRestoresEverything) {
  ASSERT_TRUE(MakeSamplePatch());
  ASSERT_EQ(RunPatch(), 0) << Log();
  const std::string patchKey = std::string("Software\\Corvane, Inc.\\PatchInstaller\\") + kSampleTitle;
  win::script::ResetLogs();
  EXPECT_EQ(RunPatch(), 0);
  ASSERT_FALSE(win::script::MessageBoxLog().empty());
  EXPECT_EQ(win::script::MessageBoxLog().back().text,
            "This update does not apply to Workstation Serve Pack 2. Setup is exiting");
  EXPECT_EQ(Hklm(patchKey, "PatchDir"), "C:\\Workstation\\Patch000");
  EXPECT_FALSE(HostExists("c/Workstation/Patch001"));
  StopMonitor();  // its program is put back too
  EXPECT_EQ(UninstallUpdate(kSampleTitle), 0);
  EXPECT_EQ(ChangedSinceBefore(), "");
  EXPECT_EQ(Hklm(patchKey, "PatchDir"), "<no key>") << "undone updates leave no records";
}

// What a killed run left in the workstation and the temporary folder is
// cleared by the next run.
TEST_F(InstallerRunTest, TheNextRunRemovesTheTemporaryFilesOfAKilledOne) {
  ASSERT_TRUE(MakeSamplePatch());
  WriteHostFile("c/Workstation/STP1A2B.TMP", "half a copy");
  WriteHostFile("c/Workstation/stp77.tmp", "");
  WriteHostFile("c/Workstation/ZEPH.VAL.~99999999-4", "a validation file being written");
  WriteHostFile("c/Workstation/zeph.cfg.~99999999-5", "a store being made");
  WriteHostFile("c/TEMP/stp3C4D/bin/zeph.exe", "extracted");
  WriteHostFile("c/TEMP/stp5E6F.TMP", "");
  WriteHostFile("c/TEMP/stpnotes/keep.txt", "not a package folder");
  ASSERT_EQ(RunPatch(), 0) << Log();
  EXPECT_FALSE(HostExists("c/Workstation/STP1A2B.TMP"));
  EXPECT_FALSE(HostExists("c/Workstation/stp77.tmp"));
  EXPECT_FALSE(HostExists("c/Workstation/ZEPH.VAL.~99999999-4"));
  EXPECT_FALSE(HostExists("c/Workstation/zeph.cfg.~99999999-5"));
  EXPECT_FALSE(HostExists("c/TEMP/stp3C4D"));
  EXPECT_FALSE(HostExists("c/TEMP/stp5E6F.TMP"));
  EXPECT_TRUE(HostExists("c/TEMP/stpnotes/keep.txt"));
}

TEST_F(InstallerRunTest, ADamagedThirdPackageFailsTheRunAndLeavesTheWorkstationWhole) {
  ASSERT_TRUE(MakeSamplePatch(SampleFault::kDamagedThirdPackage));
  EXPECT_EQ(RunPatch(), kFailedExitCode);
  const std::string log = Log();
  EXPECT_NE(log.find("Package Extraction ERROR: File is not a PKG File or is corrupt."), std::string::npos) << log;
  EXPECT_NE(log.find("=== Update failed"), std::string::npos) << log;
  EXPECT_EQ(log.find("=== Cleanup"), std::string::npos) << "no component after the failed one";
  EXPECT_EQ(log.find("===ServicePack update"), std::string::npos);
  EXPECT_TRUE(HostExists("c/Workstation/help/old.hlp"));
  EXPECT_EQ(Version("C:\\Workstation\\bin\\zeph.exe"), "6.2.20") << "the first components stay installed";
  EXPECT_FALSE(IsHotFixInstalled(21));
  EXPECT_NE(ReadHostFile("c/Workstation/workstation.ini").find("ServicePackLevel=1"), std::string::npos);
  EXPECT_EQ(Hklm(std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kSampleTitle, "DisplayName"),
            "<no key>");
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes.back().text, "Failed! Please report observed errors to Corvane Technical Support.");
  // The log is opened for the user.
  ASSERT_FALSE(win::shell::OpenedDocuments().empty());
  EXPECT_EQ(win::shell::OpenedDocuments().back(), "C:\\TEMP\\setup.txt");
  // What was done can be undone.
  StopMonitor();  // its program is put back too
  EXPECT_EQ(UninstallUpdate(kSampleTitle), 0);
  EXPECT_EQ(ChangedSinceBefore(), "");
}

TEST_F(InstallerRunTest, ALockedFileInTheThirdComponentIsLeftAsItWasAndFailsTheRun) {
  ASSERT_TRUE(MakeSamplePatch());
  HANDLE held = CreateFileA("C:\\Workstation\\reports\\daily.rpt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const int code = RunPatch();
  CloseHandle(held);
  EXPECT_EQ(code, kFailedExitCode);
  EXPECT_EQ(ReadHostFile("c/Workstation/reports/daily.rpt"), before_["reports/daily.rpt"]);
  EXPECT_NE(Log().find("Installing C:\\WORKSTATION\\REPORTS\\daily.rpt"), std::string::npos);
  EXPECT_NE(Log().find(" - COPY FAILED!"), std::string::npos) << Log();
  StopMonitor();  // its program is put back too
  EXPECT_EQ(UninstallUpdate(kSampleTitle), 0);
  EXPECT_EQ(ChangedSinceBefore(), "");
}

TEST_F(InstallerRunTest, AComponentAskingForARestartGetsItAfterTheCompletedMessage) {
  ASSERT_TRUE(MakeSamplePatch());
  std::string script = ReadHostFile("d/PATCH/setup.ini");
  script.replace(script.find("[Monitor]\r\n"), 11, "[Monitor]\r\nActions=Restart\r\n");
  WriteHostFile("d/PATCH/setup.ini", script);
  win::script::ResetLogs();
  const size_t before = win::security::RestartRequests().size();
  ASSERT_EQ(RunPatch(), 0) << Log();
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, std::string("Installation for ") + kSampleTitle + " was successfully completed.");
  EXPECT_EQ(boxes[1].text, "The Workstation must restart now. Please close all applications, then press OK");
  const auto restarts = win::security::RestartRequests();
  ASSERT_EQ(restarts.size(), before + 1);
  EXPECT_EQ(restarts.back(), static_cast<UINT>(EWX_REBOOT));
}

TEST_F(InstallerRunTest, TheRunStopsEarlyWithTheExitCodesItStates) {
  ASSERT_TRUE(MakeSamplePatch());
  const std::string script = ReadHostFile("d/PATCH/setup.ini");
  auto with = [&](const std::string& from, const std::string& to) {
    std::string s = script;
    s.replace(s.find(from), from.size(), to);
    WriteHostFile("d/PATCH/setup.ini", s);
  };
  struct Case {
    const char* from;
    const char* to;
    int code;
    const char* message;
  } cases[] = {
      {"SetupIniVersion=10", "SetupIniVersion=11", 1,
       "Setup.ini is version: 11 This setup program support versions 10-10. Please update this program. Exiting"},
      {"SetupIniVersion=10", "x=1", 1,
       "Setup.ini is missing version information. This setup program reads versions up to 10. Exiting"},
      {"WSType=zeph", "WSType=lab", 0, "Internal Authoring ERROR: WSType is not specified."},
      {"SPLevelLT 2", "SPLevelGT 2", 0, "This update does not apply to Workstation Serve Pack 2. Setup is exiting"},
      {"VersionGE 6.2", "Win7", 1, "Unknown condition \"Win7\" in line \"Winnt & Win7, SPLevelLT 2\" in section \"General\", exiting."},
      {"[Components]", "[NoComponents]", 1, "No Components Section in D:\\PATCH\\setup.ini. Exiting."},
  };
  for (const Case& c : cases) {
    with(c.from, c.to);
    win::script::ResetLogs();
    EXPECT_EQ(RunPatch(), c.code) << c.to;
    const auto boxes = win::script::MessageBoxLog();
    ASSERT_FALSE(boxes.empty()) << c.to;
    EXPECT_EQ(boxes.back().text, c.message) << c.to;
  }
  EXPECT_EQ(ChangedSinceBefore(), "") << "nothing was installed";
  win::script::ResetLogs();
  EXPECT_EQ(RunSetup(GetModuleHandleA(nullptr), "D:\\PATCH\\setup.exe", "-f other.ini"), 0);
  EXPECT_EQ(win::script::MessageBoxLog().back().text, "Can't find setup file D:\\PATCH\\other.ini");
  // The script's name forgotten after the token: said, and nothing installed.
  win::script::ResetLogs();
  EXPECT_EQ(RunSetup(GetModuleHandleA(nullptr), "D:\\PATCH\\setup.exe", "/a /f"), 1);
  EXPECT_EQ(win::script::MessageBoxLog().back().text, "No setup file named after /f");
  EXPECT_EQ(ChangedSinceBefore(), "");
}

TEST_F(InstallerRunTest, TheProceedDialogCanDeclineAndTheTokenCBuildsPackages) {
  ASSERT_TRUE(MakeSamplePatch());
  win::script::OnNextDialog([](HWND dlg) { win::script::PressButton(dlg, IDNO); });
  EXPECT_EQ(RunPatch("/A"), 0) << "/A is no token: the dialog is shown";
  EXPECT_EQ(ChangedSinceBefore(), "");
  EXPECT_FALSE(HostExists("c/TEMP/setup.txt"));
  std::filesystem::remove(Host("d/PATCH/programs.pkg"));
  win::script::ResetLogs();
  EXPECT_EQ(RunPatch("xc"), 0);
  EXPECT_TRUE(HostExists("d/PATCH/programs.pkg"));
  EXPECT_EQ(win::script::MessageBoxLog().back().text, "Created 2 Packages and added 6 total files\n");
}

}  // namespace
}  // namespace setup
