// Injected faults: a full disk from the Nth write fails every write path
// (files, copies, settings) as the real one would, leaving what was there;
// a kill at the Nth file call ends the process before that call does
// anything; temporaries of ended processes are found and removed.
#include <signal.h>

#include "kernel_test_root.h"
#include "win/win_child.h"
#include "win/win_faults.h"
#include "win/win_file_facts.h"
#include "win/win_profile.h"

namespace {

using KernelFaultsTest = KernelRootTest;

TEST_F(KernelFaultsTest, AFullDiskFailsEveryWriteFromTheNthOnAndKeepsWhatWasThere) {
  WriteHostFile("c/TEMP/a.txt", "old a");
  WriteHostFile("c/TEMP/b.txt", "old b");
  win::faults::Plan(0, 2);
  HANDLE h = CreateFileA("C:\\TEMP\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD put = 0;
  EXPECT_TRUE(WriteFile(h, "first", 5, &put, nullptr)) << "the first write has room";
  EXPECT_FALSE(WriteFile(h, "second", 6, &put, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(put, 0u);
  CloseHandle(h);
  EXPECT_EQ(ReadHostFile("c/TEMP/new.txt"), "first");
  EXPECT_FALSE(CopyFileA("C:\\TEMP\\a.txt", "C:\\TEMP\\b.txt", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(ReadHostFile("c/TEMP/b.txt"), "old b");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "C:\\TEMP\\x.ini"));
  EXPECT_FALSE(HostExists("c/TEMP/x.ini"));
  EXPECT_EQ(win::faults::CountsSoFar().writes, 4);
  win::faults::Plan(0, 0);
  EXPECT_TRUE(CopyFileA("C:\\TEMP\\a.txt", "C:\\TEMP\\b.txt", FALSE));
  EXPECT_EQ(ReadHostFile("c/TEMP/b.txt"), "old a");
}

TEST_F(KernelFaultsTest, AKillAtTheNthFileCallEndsTheProcessBeforeIt) {
  WriteHostFile("c/TEMP/one.txt", "1");
  WriteHostFile("c/TEMP/two.txt", "2");
  win::child::Child c = win::child::Start([](const std::function<void()>&) {
    win::faults::Plan(2, 0);
    DeleteFileA("C:\\TEMP\\one.txt");
    DeleteFileA("C:\\TEMP\\two.txt");  // the second file call: never made
    return 0;
  });
  ASSERT_GT(c.pid, 0);
  EXPECT_EQ(win::child::Wait(c), 128 + SIGKILL);
  EXPECT_FALSE(HostExists("c/TEMP/one.txt"));
  EXPECT_TRUE(HostExists("c/TEMP/two.txt"));
}

TEST_F(KernelFaultsTest, TemporariesOfEndedProcessesAreRemoved) {
  const std::string mine = win::facts::SiblingTempName("C:\\TEMP\\data.cfg");
  WriteHostFile("c/TEMP/" + mine.substr(8), "this process is writing it");
  WriteHostFile("c/TEMP/data.cfg.~99999999-3", "left by a process long gone");
  WriteHostFile("c/TEMP/notes.~99999999", "not such a name");
  WriteHostFile("c/TEMP/data.cfg", "kept");
  EXPECT_EQ(win::facts::RemoveStaleSiblingTemps("C:\\TEMP"), 1);
  EXPECT_FALSE(HostExists("c/TEMP/data.cfg.~99999999-3"));
  EXPECT_TRUE(HostExists("c/TEMP/" + mine.substr(8)));
  EXPECT_TRUE(HostExists("c/TEMP/notes.~99999999"));
  EXPECT_EQ(ReadHostFile("c/TEMP/data.cfg"), "kept");
}

}  // namespace
