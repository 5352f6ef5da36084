// The log, the proceed and search dialogs, folder routines, launching,
// restarting and folder permissions.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "run_state.h"
#include "setup_dialogs.h"
#include "setup_log.h"
#include "setup_test_root.h"
#include "system_routines.h"
#include "win/win_kernel.h"
#include "win/win_security.h"
#include "win/win_user.h"

namespace setup {
namespace {

using LogTest = SetupRootTest;

TEST_F(LogTest, LinesEndInCrLfAndADeletedLogEndsLogging) {
  TheRun().logPath = "C:\\TEMP\\setup.txt";
  LogLine("before the start is lost");
  EXPECT_TRUE(TheRun().logPath.empty());
  TheRun().logPath = "C:\\TEMP\\setup.txt";
  LogStart();
  LogLine("=== Core");
  LogEnd();
  const std::string log = ReadHostFile("c/TEMP/setup.txt");
  EXPECT_EQ(log.rfind("\r\n;;; Logging started ", 0), 0u) << log;
  EXPECT_NE(log.find("\r\n=== Core\r\n;;; Logging ended "), std::string::npos) << log;
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
  // ctime's own line end became a blank.
  EXPECT_EQ(log.find("\n\r\n"), std::string::npos);
  std::filesystem::remove(Host("c/TEMP/setup.txt"));
  LogLine("lost");
  EXPECT_TRUE(TheRun().logPath.empty());
  EXPECT_FALSE(HostExists("c/TEMP/setup.txt"));
}

TEST(SearchText, FoldersLongerThan35CharactersAreShortened) {
  const std::string f35 = "C:\\" + std::string(32, 'a');
  EXPECT_EQ(ShortFolderText(f35), f35);
  EXPECT_EQ(ShortFolderText(f35 + "b"), f35.substr(0, 34) + " ...");
}

using SearchTest = SetupRootTest;

TEST_F(SearchTest, TheSearchFindsTheFolderWithinTheLevelsAllowed) {
  WriteHostFile("c/Apps/Lab/Tools/ZLIB.DLL", "x");
  WriteHostFile("c/Apps/readme.txt", "x");
  struct Case {
    int levels;
    int result;
    const char* folder;
  } cases[] = {{0, 1, "C:\\Apps\\Lab\\Tools"}, {3, 1, "C:\\Apps\\Lab\\Tools"}, {2, 0, ""}, {1, 0, ""}};
  for (const Case& c : cases) {
    TheRun().searchLevels = c.levels;
    std::string name = "zlib.dll";
    EXPECT_EQ(SearchForFile(nullptr, "C:\\", &name), c.result) << c.levels;
    if (c.result == 1) {
      EXPECT_EQ(name, c.folder);
    }
  }
}

using FolderTest = SetupRootTest;

TEST_F(FolderTest, FolderPathsAndTreesAreMadeLevelByLevel) {
  EXPECT_TRUE(MakeFolderPath("D:\\Lab\\Zeph\\bin"));
  EXPECT_TRUE(FolderExists("D:\\Lab\\Zeph\\bin"));
  EXPECT_TRUE(MakeFolderPath("D:\\Lab\\Zeph\\bin"));
  WriteHostFile("d/file", "x");
  EXPECT_FALSE(MakeFolderPath("D:\\file\\sub"));
  CreateDirectoryTree("C:\\TEMP\\stp1\\bin\\a.dll");
  EXPECT_TRUE(FolderExists("C:\\TEMP\\stp1\\bin"));
  EXPECT_FALSE(FolderExists("C:\\TEMP\\stp1\\bin\\a.dll"));
  EXPECT_TRUE(FileExistsPlain("D:\\file"));
  EXPECT_FALSE(FileExistsPlain("D:\\Lab"));
}

using LaunchTest = SetupRootTest;

TEST_F(LaunchTest, AStartedProgramIsSuccessWhetherOrNotItIsWaitedFor) {
  WriteHostFile("d/PATCH/fix.exe", "#!/bin/sh\necho done > fixed.txt\n");
  chmod(Host("d/PATCH/fix.exe").c_str(), 0755);
  TheRun().logPath = "C:\\TEMP\\setup.txt";
  LogStart();
  EXPECT_EQ(LaunchAndWait("D:\\PATCH\\fix.exe", "", "D:\\PATCH", true, true), 1);
  EXPECT_EQ(ReadHostFile("d/PATCH/fixed.txt"), "done\n");
  EXPECT_EQ(LaunchAndWait("D:\\PATCH\\fix.exe", "", "D:\\PATCH", false, false), 1);
  EXPECT_EQ(LaunchAndWait("D:\\PATCH\\none.exe", "-x", "D:\\PATCH", true, true), 0);
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().caption, "Launch Error: D:\\PATCH\\none.exe");
  EXPECT_NE(boxes.back().text.find("cannot find the file"), std::string::npos);
  const std::string log = ReadHostFile("c/TEMP/setup.txt");
  EXPECT_NE(log.find("Launched D:\\PATCH\\fix.exe args=  from D:\\PATCH\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Error Launching D:\\PATCH\\none.exe args= -x from D:\\PATCH\r\n"), std::string::npos) << log;
}

using RestartTest = SetupRootTest;

TEST_F(RestartTest, TheRestartAsksAndNeverForcesApplicationsClosed) {
  const size_t before = win::security::RestartRequests().size();
  setenv("KELT_SHUTDOWN_PRIVILEGE", "0", 1);
  RestartWindows(nullptr);
  unsetenv("KELT_SHUTDOWN_PRIVILEGE");
  EXPECT_EQ(win::security::RestartRequests().size(), before);
  RestartWindows(nullptr);
  const auto after = win::security::RestartRequests();
  ASSERT_EQ(after.size(), before + 1);
  EXPECT_EQ(after.back(), static_cast<UINT>(EWX_REBOOT));
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "The Workstation must restart now. Please close all applications, then press OK");
}

using ProceedTest = SetupRootTest;

TEST_F(ProceedTest, YesCarriesTheReadmeChoiceAndNoDeclines) {
  RegisterSetupDialogs(GetModuleHandleA(nullptr));
  TheRun().title = "Fix 7";
  TheRun().welcome = "Welcome to fix 7";
  TheRun().readmePresent = 1;
  const char* q = "Proceed with the installation?";
  win::script::OnNextDialog([](HWND dlg) {
    EXPECT_EQ(win::script::Text(dlg), "Fix 7");
    EXPECT_EQ(win::script::GetField(dlg, kWelcomeText), "Welcome to fix 7");
    EXPECT_TRUE(win::script::IsChecked(dlg, kReadmeCheck));
    win::script::PressButton(dlg, IDYES);
  });
  EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProceedDialog), nullptr, ProceedDlgProc,
                            reinterpret_cast<LPARAM>(q)),
            1);
  EXPECT_EQ(TheRun().viewReadme, 1);
  win::script::OnNextDialog([](HWND dlg) {
    win::script::SetCheck(dlg, kReadmeCheck, false);
    win::script::PressButton(dlg, IDNO);
  });
  EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProceedDialog), nullptr, ProceedDlgProc,
                            reinterpret_cast<LPARAM>(q)),
            0);
}

using PermissionTest = SetupRootTest;

TEST_F(PermissionTest, TheInstallFolderGoesToSignedInUsersWithoutControlOfPermissions) {
  WriteHostFile("c/Workstation/a.dll", "x");
  WriteHostFile("c/Workstation/bin/b.dll", "x");
  WriteHostFile("c/Workstation/Security/keys", "x");
  WriteHostFile("c/Workstation/workstation.ini", "[x]\n");
  TheRun().workstationIni = "C:\\Workstation\\workstation.ini";
  FixInstallDirPermissions("C:\\Workstation");
  for (const char* path : {"C:\\Workstation\\a.dll", "C:\\Workstation\\bin", "C:\\Workstation\\workstation.ini"}) {
    const auto acl = win::security::AccessList(path);
    ASSERT_EQ(acl.size(), 1u) << path;
    EXPECT_EQ(acl[0].trustee, "Authenticated Users");
    EXPECT_TRUE(acl[0].grant);
    EXPECT_EQ(acl[0].mask & GENERIC_ALL, 0u);
    EXPECT_EQ(acl[0].mask & 0x000C0000u, 0u) << "no WRITE_DAC or WRITE_OWNER";
    EXPECT_EQ(acl[0].inheritance, SUB_CONTAINERS_AND_OBJECTS_INHERIT);
  }
  EXPECT_TRUE(win::security::AccessList("C:\\Workstation\\Security").empty());
  EXPECT_TRUE(win::security::AccessList("C:\\Workstation\\bin\\b.dll").empty());
}

}  // namespace
}  // namespace setup
