// Closing a kernel handle never drops record locks that another part of
// the process holds on the file; journals travel with their files.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "kernel_test_root.h"
#include "win/win_lock_holds.h"

namespace {

class KernelLockHoldsTest : public KernelRootTest {
 protected:
  void SetUp() override {
    KernelRootTest::SetUp();
    WriteHostFile("c/TEMP/a.kms", "data");
  }
};

// True when another process can take a write lock on the first byte.
bool OtherProcessCanLock(const std::string& hostPath) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(hostPath.c_str(), O_RDWR);
    struct flock l {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    l.l_len = 1;
    _exit(fd >= 0 && fcntl(fd, F_SETLK, &l) == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(KernelLockHoldsTest, HandleClosedWhileLocksAreHeldKeepsThemUntilTheHoldEnds) {
  const std::string host = Host("c/TEMP/a.kms");
  win::holds::FileKey key;
  ASSERT_TRUE(win::holds::KeyOf(host, &key));
  // A process-owned record lock, as SQLite's unix layer takes them.
  int own = open(host.c_str(), O_RDWR);
  ASSERT_GE(own, 0);
  struct flock l {};
  l.l_type = F_WRLCK;
  l.l_whence = SEEK_SET;
  l.l_len = 1;
  win::holds::BeginLockHold(key);
  ASSERT_EQ(fcntl(own, F_SETLK, &l), 0);
  ASSERT_FALSE(OtherProcessCanLock(host));

  const size_t parkedBefore = win::holds::ParkedDescriptors();
  for (int i = 0; i < 3; ++i) {
    HANDLE h = CreateFileA("C:\\TEMP\\A.KMS", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char b[4];
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, b, 4, &got, nullptr));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(OtherProcessCanLock(host)) << "closing the handle dropped the lock";
  }
  EXPECT_TRUE(CopyFileA("C:\\TEMP\\a.kms", "C:\\TEMP\\b.kms", FALSE));
  EXPECT_FALSE(OtherProcessCanLock(host)) << "copying the file dropped the lock";
  EXPECT_EQ(win::holds::ParkedDescriptors(), parkedBefore + 4);

  l.l_type = F_UNLCK;
  ASSERT_EQ(fcntl(own, F_SETLK, &l), 0);
  win::holds::EndLockHold(key);
  EXPECT_EQ(win::holds::ParkedDescriptors(), parkedBefore);
  close(own);
  EXPECT_TRUE(OtherProcessCanLock(host));
}

TEST_F(KernelLockHoldsTest, UnheldFilesCloseAtOnce) {
  const size_t parkedBefore = win::holds::ParkedDescriptors();
  HANDLE h = CreateFileA("C:\\TEMP\\a.kms", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(win::holds::ParkedDescriptors(), parkedBefore);
}

struct JournalCase {
  const char* what;
  bool (*act)();
  const char* goneJournal;   // must not exist afterwards
  const char* movedJournal;  // must exist afterwards with the source's journal, or null
};

const JournalCase kJournalCases[] = {
    {"delete", [] { return DeleteFileA("C:\\TEMP\\a.kms") != 0; }, "c/TEMP/a.kms-journal", nullptr},
    {"copy over", [] { return CopyFileA("C:\\TEMP\\a.kms", "C:\\TEMP\\old.kms", FALSE) != 0; }, nullptr,
     "c/TEMP/old.kms-journal"},
    {"copy to new", [] { return CopyFileA("C:\\TEMP\\a.kms", "C:\\TEMP\\new.kms", TRUE) != 0; }, nullptr,
     "c/TEMP/new.kms-journal"},
    {"move over",
     [] { return MoveFileExA("C:\\TEMP\\a.kms", "C:\\TEMP\\old.kms", MOVEFILE_REPLACE_EXISTING) != 0; },
     "c/TEMP/a.kms-journal", "c/TEMP/old.kms-journal"},
    {"move to new", [] { return MoveFileA("C:\\TEMP\\a.kms", "C:\\TEMP\\new.kms") != 0; }, "c/TEMP/a.kms-journal",
     "c/TEMP/new.kms-journal"},
};

TEST_F(KernelLockHoldsTest, JournalsFollowTheirFilesAndLeaveWithReplacedOnes) {
  for (const JournalCase& c : kJournalCases) {
    SCOPED_TRACE(c.what);
    for (const char* f : {"a.kms", "new.kms", "old.kms"}) std::filesystem::remove(Host(std::string("c/TEMP/") + f));
    WriteHostFile("c/TEMP/a.kms", "data");
    WriteHostFile("c/TEMP/a.kms-journal", "journal of a");
    WriteHostFile("c/TEMP/old.kms", "old");
    WriteHostFile("c/TEMP/old.kms-journal", "journal of old");
    WriteHostFile("c/TEMP/new.kms-journal", "stray journal");
    ASSERT_TRUE(c.act());
    if (c.goneJournal) {
      EXPECT_FALSE(HostExists(c.goneJournal));
    }
    if (c.movedJournal) {
      EXPECT_EQ(ReadHostFile(c.movedJournal), "journal of a");
    }
  }
}

TEST_F(KernelLockHoldsTest, FilesWithoutJournalsGetNone) {
  WriteHostFile("c/TEMP/old.kms-journal", "journal of old");
  ASSERT_TRUE(CopyFileA("C:\\TEMP\\a.kms", "C:\\TEMP\\old.kms", FALSE));
  EXPECT_FALSE(HostExists("c/TEMP/old.kms-journal"));
  EXPECT_EQ(ReadHostFile("c/TEMP/old.kms"), "data");
}

}  // namespace
