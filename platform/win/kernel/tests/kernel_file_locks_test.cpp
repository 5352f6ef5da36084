// Byte-range locks between handles and between processes.
#include <sys/wait.h>
#include <unistd.h>

#include "kernel_test_root.h"

namespace {

class KernelFileLocksTest : public KernelRootTest {
 protected:
  HANDLE OpenShared() {
    return CreateFileA("C:\\TEMP\\lock.bin", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_ALWAYS, 0, nullptr);
  }
};

TEST_F(KernelFileLocksTest, HandlesExcludeEachOther) {
  HANDLE a = OpenShared(), b = OpenShared();
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LockFile(a, 0, 0, 10, 0));
  EXPECT_FALSE(LockFile(b, 5, 0, 10, 0));
  EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
  EXPECT_TRUE(LockFile(b, 10, 0, 10, 0));  // the next range is free

  OVERLAPPED at{};
  EXPECT_FALSE(LockFileEx(b, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));  // shared over exclusive
  ASSERT_TRUE(UnlockFile(a, 0, 0, 10, 0));
  EXPECT_TRUE(LockFileEx(b, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
  EXPECT_TRUE(LockFileEx(a, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));  // shared beside shared
  EXPECT_FALSE(LockFileEx(a, LOCKFILE_FAIL_IMMEDIATELY | LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
  EXPECT_FALSE(LockFile(a, 0, 0, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  CloseHandle(a);
  CloseHandle(b);
  EXPECT_FALSE(LockFile(a, 0, 0, 1, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(KernelFileLocksTest, LockHoldsAgainstAnotherProcessUntilClosed) {
  HANDLE a = OpenShared();
  ASSERT_TRUE(LockFile(a, 0, 0, 1, 0));
  auto childTries = [&]() {
    pid_t pid = fork();
    if (pid == 0) {
      HANDLE c = OpenShared();
      _exit(c != INVALID_HANDLE_VALUE && LockFile(c, 0, 0, 1, 0) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  EXPECT_FALSE(childTries());
  CloseHandle(a);  // closing releases the lock
  EXPECT_TRUE(childTries());
}

}  // namespace
