// Component work: file lines from packages, shortcuts, registry and ini
// lines, services stopped and waited for, launch lines and the post-run
// application list.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "components.h"
#include "packages.h"
#include "post_run_apps.h"
#include "script_format.h"
#include "setup_dialogs.h"
#include "setup_run_fixture.h"
#include "win/win_kernel.h"
#include "win/win_services.h"
#include "win/win_shell.h"

namespace setup {
namespace {

class ComponentsTest : public InstallRunTest {
 protected:
  void SetUp() override {
    InstallRunTest::SetUp();
    TheRun().instance = GetModuleHandleA(nullptr);
    RegisterSetupDialogs(TheRun().instance);
    TheRun().programsFolder = GetProgramsFolder();
  }
  static std::string RegDefault(HKEY root, const char* key) {
    HKEY k;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "<none>";
    char buf[300] = {};
    DWORD size = sizeof buf - 1, type = 0;
    RegQueryValueExA(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return std::string(buf, size);
  }
};

TEST_F(ComponentsTest, APackagedComponentInstallsItsFilesAndWritesItsEntries) {
  WriteHostFile("d/PATCH/src/bin/app.exe", "application");
  WriteHostFile("d/PATCH/src/bin/help.dll", "help");
  WriteHostFile("d/PATCH/src/readme.txt", "read me");
  SetCurrentDirectoryA("D:\\PATCH\\src");
  std::string error;
  ASSERT_EQ(WritePackage("D:\\PATCH\\core.pkg", "bin\\*.* readme.txt", &error), 3) << error;
  WriteScript(
      "[Core]\nUsePKG=core.pkg\n1=bin\\*.*,,DEST,bin,ALWAYS\n2=readme.txt,notes.txt,DEST,,ALWAYS,KEEP\n"
      "M1=bin\\app.exe,-q,Corvane,Tools,App\nM2=bin\\app.exe,,Corvane\n"
      "R1=hklm,\"Software\\Corvane\\App\",^DEST^bin\nR2=hkxx,x,y\nR3=hku,.DEFAULT\\Corvane,\"plain\"\n"
      "R4=hkcu,Software\\Corvane\\Bad,^BROWSE^x\n"
      "I1=app.ini,DEST,bin,Paths,Home,C:\\Workstation\nI2=corvane.ini,WINDOWS,,Main,Patched,yes\n");
  EXPECT_EQ(ProcessComponentLines(nullptr, "Core", ScriptPath()), 0) << "the ^BROWSE^ line fails the component";
  EXPECT_EQ(ReadHostFile("c/Workstation/bin/app.exe"), "application");
  EXPECT_EQ(ReadHostFile("c/Workstation/bin/help.dll"), "help");
  EXPECT_EQ(ReadHostFile("c/Workstation/notes.txt"), "read me");
  EXPECT_EQ(RegDefault(HKEY_LOCAL_MACHINE, "Software\\Corvane\\App"), std::string("C:\\Workstation\\bin\0", 19));
  EXPECT_EQ(RegDefault(HKEY_USERS, ".DEFAULT\\Corvane"), std::string("plain\0", 6));
  EXPECT_EQ(RegDefault(HKEY_CURRENT_USER, "Software\\Corvane\\Bad"), "<none>");
  EXPECT_NE(ReadHostFile("c/Workstation/bin/app.ini").find("Home=C:\\Workstation"), std::string::npos);
  EXPECT_NE(ReadHostFile("c/WINDOWS/corvane.ini").find("Patched=yes"), std::string::npos);
  win::shell::LinkFacts link;
  ASSERT_TRUE(win::shell::ReadLink((TheRun().programsFolder + "\\Corvane\\Tools\\App.lnk").c_str(), &link));
  EXPECT_EQ(link.path, "C:\\Workstation\\bin\\app.exe");
  EXPECT_EQ(link.workingDirectory, "C:\\Workstation\\bin");
  EXPECT_EQ(Record(3), TheRun().programsFolder + "\\Corvane\\Tools\\App.lnk");
  const std::string log = Log();
  EXPECT_NE(log.find("=== Core\r\n"), std::string::npos);
  EXPECT_NE(log.find("Added Shortcut Dest:C:\\Workstation\\bin\\app.exe Link:App.lnk Args:-q\r\n"), std::string::npos);
  EXPECT_NE(log.find("Added registry entry: hklm,\"Software\\Corvane\\App\",^DEST^bin\r\n"), std::string::npos);
  EXPECT_NE(log.find("Failed to expand value in registry line: hkcu,Software\\Corvane\\Bad,^BROWSE^x."), std::string::npos);
  EXPECT_NE(log.find("Added Ini entry Section:Main Key:Patched Value:yes Dst:corvane.ini\r\n"), std::string::npos) << log;
  // The extraction folder is gone.
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Host("c/TEMP"), ec))
    EXPECT_EQ(e.path().filename().string().rfind("stp", 0), std::string::npos) << e.path();
}

TEST_F(ComponentsTest, AMissingSourceFailsTheComponentButLaterFilesStillInstall) {
  WriteHostFile("d/PATCH/b.dll", "b");
  WriteScript("[C]\n1=a.dll,,DEST,,ALWAYS\n2=b.dll,,DEST,,ALWAYS\nR1=hklm,Software\\Corvane\\C,x\n");
  EXPECT_EQ(ProcessComponentLines(nullptr, "C", ScriptPath()), 0);
  EXPECT_EQ(ReadHostFile("c/Workstation/b.dll"), "b");
  EXPECT_EQ(RegDefault(HKEY_LOCAL_MACHINE, "Software\\Corvane\\C"), "<none>");
  EXPECT_NE(Log().find("Can't read source file D:\\PATCH\\a.dll Line=a.dll,,DEST,,ALWAYS"), std::string::npos);
  EXPECT_EQ(win::script::MessageBoxLog().back().caption, "Source File error");
}

TEST_F(ComponentsTest, ADamagedPackageFailsWithItsReason) {
  WriteHostFile("d/PATCH/core.pkg", "not a package at all, just some text that is long enough");
  WriteScript("[C]\nUsePKG=core.pkg\n1=a.dll,,DEST,,ALWAYS\n");
  EXPECT_EQ(ProcessComponentLines(nullptr, "C", ScriptPath()), 0);
  EXPECT_EQ(TheRun().failed, 1);
  const auto box = win::script::MessageBoxLog().back();
  EXPECT_EQ(box.caption, "Package Extraction ERROR");
  EXPECT_EQ(box.text, "File is not a PKG File or is corrupt.");
}

TEST_F(ComponentsTest, AServiceIsStoppedAndWaitedForBeforeItsProgramIsReplaced) {
  WriteHostFile("c/Workstation/monitor.exe", "monitor 1");
  WriteHostFile("d/PATCH/monitor.exe", "monitor 2");
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE svc = CreateServiceA(scm, "ZephMonitor", "Monitor", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                 SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "C:\\Workstation\\monitor.exe", nullptr,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(svc, nullptr);
  win::services::SetStopDelay("ZephMonitor", 300);
  ASSERT_TRUE(StartServiceA(svc, 0, nullptr));
  WriteScript("[C]\nControlServices=ZephMonitor\n1=monitor.exe,,DEST,,ALWAYS\n");
  EXPECT_EQ(ProcessComponent(nullptr, "C", ScriptPath()), 1);
  EXPECT_EQ(TheRun().failed, 0) << Log();
  EXPECT_EQ(ReadHostFile("c/Workstation/monitor.exe"), "monitor 2");
  SERVICE_STATUS st{};
  ASSERT_TRUE(QueryServiceStatus(svc, &st));
  EXPECT_EQ(st.dwCurrentState, SERVICE_RUNNING);
  ::ControlService(svc, SERVICE_CONTROL_STOP, &st);
  CloseServiceHandle(svc);
  CloseServiceHandle(scm);
}

// A service the run stopped runs again when its component stops: also one
// that had not finished stopping when the run went on (its stop is waited
// for before it is started).
TEST_F(ComponentsTest, AStoppedServiceIsStartedAgainWhateverHappened) {
  struct Case {
    const char* what;
    DWORD stopDelay;
    const char* script;
  } cases[] = {
      {"the component's file line fails", 0, "[C]\nControlServices=ZephMonitor\n1=missing.exe,,DEST,,ALWAYS\n"},
      {"the service stops too slowly", 250, "[C]\nControlServices=ZephMonitor\n1=missing.exe,,DEST,,ALWAYS\n"},
  };
  WriteHostFile("c/Workstation/monitor.exe", "monitor 1");
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE svc = CreateServiceA(scm, "ZephMonitor", "Monitor", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                 SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "C:\\Workstation\\monitor.exe", nullptr,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(svc, nullptr);
  TheRun().serviceStopWaitMs = 150;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    win::services::SetStopDelay("ZephMonitor", c.stopDelay);
    ASSERT_TRUE(StartServiceA(svc, 0, nullptr));
    TheRun().failed = 0;
    WriteScript(c.script);
    EXPECT_EQ(ProcessComponent(nullptr, "C", ScriptPath()), 0);
    EXPECT_EQ(TheRun().failed, 1);
    SERVICE_STATUS st{};
    ASSERT_TRUE(QueryServiceStatus(svc, &st));
    EXPECT_EQ(st.dwCurrentState, SERVICE_RUNNING) << Log();
    EXPECT_TRUE(TheRun().stoppedServices.empty());
    win::services::SetStopDelay("ZephMonitor", 0);
    ::ControlService(svc, SERVICE_CONTROL_STOP, &st);
    QueryServiceStatus(svc, &st);
  }
  // One the run could not start again at once is started before it ends.
  TheRun().stoppedServices = {"ZephMonitor"};
  EXPECT_TRUE(RestartStoppedServices());
  SERVICE_STATUS st{};
  ASSERT_TRUE(QueryServiceStatus(svc, &st));
  EXPECT_EQ(st.dwCurrentState, SERVICE_RUNNING);
  EXPECT_NE(Log().find("Service ZephMonitor started again"), std::string::npos) << Log();
  ::ControlService(svc, SERVICE_CONTROL_STOP, &st);
  QueryServiceStatus(svc, &st);
  CloseServiceHandle(svc);
  CloseServiceHandle(scm);
}

TEST_F(ComponentsTest, LaunchLinesRunInTheirFolderAndABadKeywordFailsTheList) {
  WriteHostFile("d/PATCH/fix.exe", "#!/bin/sh\necho \"$1\" > launched.txt\n");
  chmod(Host("d/PATCH/fix.exe").c_str(), 0755);
  SetEnvironmentVariableA("SOURCE", "D:\\PATCH");
  WriteScript("[C]\nL1=%SOURCE%\\fix.exe,hello,SOURCE,WAIT\n[D]\nL1=%SOURCE%\\fix.exe,x,source\n");
  EXPECT_EQ(LaunchApps(ScriptPath(), "C", "L"), 1);
  EXPECT_EQ(ReadHostFile("d/PATCH/launched.txt"), "hello\n");
  EXPECT_EQ(LaunchApps(ScriptPath(), "D", "L"), 0);
  EXPECT_EQ(TheRun().failed, 1);
}

TEST_F(ComponentsTest, APackageIsNeverTakenFromAFolderLeftBehindByAnEarlierRun) {
  WriteHostFile("d/PATCH/src/a.dll", "from the package");
  SetCurrentDirectoryA("D:\\PATCH\\src");
  std::string error;
  ASSERT_EQ(WritePackage("D:\\PATCH\\core.pkg", "a.dll", &error), 1) << error;
  // The names the next extraction folders would get are taken by stale
  // folders holding an old a.dll.
  char probe[MAX_PATH] = {};
  const UINT n = GetTempFileNameA("C:\\TEMP", "stp", 0, probe);
  ASSERT_NE(n, 0u);
  DeleteFileA(probe);
  for (UINT k = 1; k <= 3; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "c/TEMP/stp%X/a.dll", (n + k) & 0xFFFFu);
    WriteHostFile(name, "stale");
  }
  WriteScript("[C]\nUsePKG=core.pkg\n1=a.dll,,DEST,,ALWAYS\n");
  EXPECT_EQ(ProcessComponentLines(nullptr, "C", ScriptPath()), 1);
  EXPECT_EQ(ReadHostFile("c/Workstation/a.dll"), "from the package");
}

TEST_F(ComponentsTest, AClickOnCancelStopsTheLinesBeforeTheNextOne) {
  HWND dlg = CreateDialogParamA(TheRun().instance, MAKEINTRESOURCEA(kProgressDialog), nullptr, ProgressDlgProc, 0);
  ASSERT_NE(dlg, nullptr);
  HWND cancel = FindCancelButton(dlg);
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(TheRun().cancelButton, cancel);
  PostMessageA(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  WriteScript("[C]\nR1=hklm,Software\\Corvane\\Cancelled,x\nI1=a.ini,DEST,,S,K,V\n");
  EXPECT_EQ(ProcessComponentLines(dlg, "C", ScriptPath()), 0);
  EXPECT_TRUE(TheRun().cancelled);
  EXPECT_EQ(RegDefault(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Cancelled"), "<none>");
  EXPECT_FALSE(HostExists("c/Workstation/a.ini"));
  DestroyWindow(dlg);
}

using PostRunTest = ComponentsTest;

TEST_F(PostRunTest, EntriesAreAppendedInsertedOrReplaced) {
  WriteHostFile("c/Workstation/workstation.ini",
                "[PostRunApplications]\nCommandCount=2\nCommandLine1=C:\\Workstation\\report.exe -a\n"
                "OtherParameters1=p1\nForDetectors1=FID\nForInstruments1=GC1\nComments1=c1\n"
                "CommandLine2=C:\\Workstation\\export.exe\nComments2=c2\n");
  // Appending a command an entry already runs (any case) replaces it.
  ApplyPostRunApps("^dest^REPORT.EXE,-b,ALL,ALL,new", kNone);
  EXPECT_EQ(PostRunCount(), 2);
  EXPECT_EQ(ReadPostRunItem(1, 1, ""), "C:\\Workstation\\REPORT.EXE");
  EXPECT_EQ(ReadPostRunItem(1, 5, ""), "new");
  // Inserting at 0 goes before entry 1; the moved entry 2 had no
  // ForDetectors, which it gets as "ALL".
  ApplyPostRunApps(kNone, "0,^DEST^first.exe,\"-x\",MS,\"GC2\",first");
  EXPECT_EQ(PostRunCount(), 3);
  EXPECT_EQ(ReadPostRunItem(1, 1, ""), "C:\\Workstation\\first.exe");
  EXPECT_EQ(ReadPostRunItem(1, 2, ""), "-x");
  EXPECT_EQ(ReadPostRunItem(1, 4, ""), "GC2");
  EXPECT_EQ(ReadPostRunItem(2, 1, ""), "C:\\Workstation\\REPORT.EXE");
  EXPECT_EQ(ReadPostRunItem(3, 3, "missing"), "ALL");
  EXPECT_EQ(ReadPostRunItem(3, 5, ""), "c2");
  // Beyond the end appends.
  ApplyPostRunApps(kNone, "99,^DEST^last.exe,,,,");
  EXPECT_EQ(PostRunCount(), 4);
  EXPECT_EQ(ReadPostRunItem(4, 1, ""), "C:\\Workstation\\last.exe");
  EXPECT_EQ(TheRun().failed, 0);
  ApplyPostRunApps("^DEST^x.exe,only two", kNone);
  EXPECT_EQ(TheRun().failed, 1);
  EXPECT_NE(Log().find("Bad AppendPostRun line: ^DEST^x.exe,only two\r\n"), std::string::npos);
  EXPECT_EQ(RemovePostRunEntry(1), 1);
  EXPECT_EQ(PostRunCount(), 3);
  EXPECT_EQ(ReadPostRunItem(1, 1, ""), "C:\\Workstation\\REPORT.EXE");
  EXPECT_EQ(ReadPostRunItem(4, 1, "gone"), "gone");
}

TEST_F(PostRunTest, ANegativeCountIsAnEmptyList) {
  WriteHostFile("c/Workstation/workstation.ini", "[PostRunApplications]\nCommandCount=-3\n");
  ApplyPostRunApps("C:\\run.exe,,ALL,ALL,", kNone);
  EXPECT_EQ(PostRunCount(), 1);
  EXPECT_EQ(ReadPostRunItem(1, 1, ""), "C:\\run.exe");
}

}  // namespace
}  // namespace setup
