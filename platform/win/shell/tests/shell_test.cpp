// Starting programs and waiting for them, opening documents, deleting
// trees, and shell links.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "testing/workstation_root.h"
#include "win/win_shell.h"
#include "win/win_threads.h"

namespace {

using ShellTest = WorkstationRootTest;

TEST_F(ShellTest, AProgramRunsInItsFolderWithMappedArgumentsAndCanBeWaitedFor) {
  WriteHostFile("c/WINDOWS/SYSTEM32/reg.exe", "#!/bin/sh\npwd > ran.txt\necho \"$1|$2\" >> ran.txt\nexit 3\n");
  chmod(Host("c/WINDOWS/SYSTEM32/reg.exe").c_str(), 0755);
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_DOENVSUBST;
  info.lpFile = "reg.exe";
  info.lpParameters = "/s \"C:\\Program Files\\a b.dll\"";
  info.lpDirectory = "C:\\WINDOWS\\SYSTEM32";
  info.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExA(&info));
  EXPECT_GT(reinterpret_cast<uintptr_t>(info.hInstApp), 32u);
  ASSERT_NE(info.hProcess, nullptr);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 3u);
  CloseHandle(info.hProcess);
  const std::string ran = ReadHostFile("c/WINDOWS/SYSTEM32/ran.txt");
  EXPECT_NE(ran.find("/c/WINDOWS/SYSTEM32\n"), std::string::npos) << ran;
  EXPECT_NE(ran.find("/s|" + Host("c/Program Files/a b.dll")), std::string::npos) << ran;
}

TEST_F(ShellTest, AProgramCopiedUnderAProgramNameCanBeStarted) {
  // Written without any permission to run, as a file expanded or
  // extracted is; its copy named .exe is a program.
  WriteHostFile("c/TEMP/STP1.TMP", "#!/bin/sh\necho started > started.txt\n");
  ASSERT_TRUE(CopyFileA("C:\\TEMP\\STP1.TMP", "C:\\Workstation\\tool.exe", FALSE));
  ASSERT_TRUE(CopyFileA("C:\\TEMP\\STP1.TMP", "C:\\Workstation\\notes.txt", FALSE));
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = "C:\\Workstation\\tool.exe";
  info.lpDirectory = "C:\\Workstation";
  ASSERT_TRUE(ShellExecuteExA(&info));
  ASSERT_NE(info.hProcess, nullptr);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  EXPECT_EQ(ReadHostFile("c/Workstation/started.txt"), "started\n");
  struct stat st {};
  ASSERT_EQ(stat(Host("c/Workstation/notes.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0111, 0u);
}

TEST_F(ShellTest, DocumentsAreOpenedAndMissingFilesFail) {
  WriteHostFile("c/TEMP/setup.txt", "log");
  const size_t before = win::shell::OpenedDocuments().size();
  EXPECT_GT(reinterpret_cast<uintptr_t>(ShellExecuteA(nullptr, "open", "C:\\TEMP\\setup.txt", nullptr, nullptr, 1)), 32u);
  ASSERT_EQ(win::shell::OpenedDocuments().size(), before + 1);
  EXPECT_EQ(win::shell::OpenedDocuments().back(), "C:\\TEMP\\setup.txt");
  EXPECT_LE(reinterpret_cast<uintptr_t>(ShellExecuteA(nullptr, "open", "C:\\TEMP\\none.txt", nullptr, nullptr, 1)), 32u);
}

TEST_F(ShellTest, ADeleteRemovesWholeTreesButNeverARoot) {
  WriteHostFile("c/TEMP/stp1/bin/a.dll", "a");
  WriteHostFile("c/TEMP/stp1/b.txt", "b");
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = "C:\\TEMP\\stp1\0";
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  EXPECT_EQ(SHFileOperationA(&op), 0);
  EXPECT_FALSE(HostExists("c/TEMP/stp1"));
  op.pFrom = "C:\\\0";
  EXPECT_NE(SHFileOperationA(&op), 0);
  EXPECT_TRUE(HostExists("c/TEMP"));
}

TEST_F(ShellTest, AShellLinkIsSavedAndReadBack) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  IShellLinkA* link = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                             reinterpret_cast<void**>(&link)),
            S_OK);
  link->SetPath("C:\\Workstation\\bin\\app.exe");
  link->SetWorkingDirectory("C:\\Workstation\\bin");
  link->SetDescription("App");
  link->SetArguments("-q");
  IPersistFile* file = nullptr;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  char folder[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COMMON_PROGRAMS, TRUE));
  const std::string path = std::string(folder) + "\\App.lnk";
  std::u16string wide(path.begin(), path.end());
  EXPECT_EQ(file->Save(wide.c_str(), TRUE), S_OK);
  file->Release();
  link->Release();
  CoUninitialize();
  win::shell::LinkFacts facts;
  ASSERT_TRUE(win::shell::ReadLink(path.c_str(), &facts));
  EXPECT_EQ(facts.path, "C:\\Workstation\\bin\\app.exe");
  EXPECT_EQ(facts.workingDirectory, "C:\\Workstation\\bin");
  EXPECT_EQ(facts.description, "App");
  EXPECT_EQ(facts.arguments, "-q");
  // Without COM set up on the thread nothing is made.
  void* none = nullptr;
  EXPECT_LT(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &none), 0);
}

}  // namespace
