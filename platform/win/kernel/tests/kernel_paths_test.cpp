// Windows-style names mapped onto the workstation root; the current folder.
#include <cstring>

#include "kernel_test_root.h"

namespace {

class KernelPathsTest : public KernelRootTest {};

struct FullCase {
  const char* in;
  const char* full;
};

TEST_F(KernelPathsTest, FullPathFromCurrentFolder) {
  const FullCase cases[] = {
      {"C:\\a\\b.txt", "C:\\a\\b.txt"},
      {"c:/a/b.txt", "C:\\a\\b.txt"},
      {"x.ini", "C:\\Workstation\\x.ini"},
      {"..\\x.ini", "C:\\x.ini"},
      {"C:\\..\\..\\x", "C:\\x"},
      {"C:name", "C:\\Workstation\\name"},  // relative to C's current folder
      {"D:name", "D:\\name"},                // D has no current folder but its top
      {"\\TEMP\\f", "C:\\TEMP\\f"},
      {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
      {"C:\\dir\\", "C:\\dir\\"},
      {"name. ", "C:\\Workstation\\name"},
      {"D:", "D:\\"},
      {"C:", "C:\\Workstation"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(win::paths::FullPath(c.in), c.full) << c.in;
    char buf[MAX_PATH];
    EXPECT_EQ(GetFullPathNameA(c.in, sizeof buf, buf, nullptr), std::strlen(c.full)) << c.in;
    EXPECT_STREQ(buf, c.full);
  }
}

TEST_F(KernelPathsTest, ExistingComponentsMatchWithoutCase) {
  WriteHostFile("c/Workstation/Data/Run1.D", "x");
  struct {
    const char* in;
    std::string host;
  } cases[] = {
      {"C:\\WORKSTATION\\data\\run1.d", Host("c/Workstation/Data/Run1.D")},
      {"c:\\workstation\\DATA\\New.txt", Host("c/Workstation/Data/New.txt")},
      {"data\\RUN1.D", Host("c/Workstation/Data/Run1.D")},
      {"C:DATA\\run1.D", Host("c/Workstation/Data/Run1.D")},
      {"C:\\Workstation\\Data\\..\\Data\\Run1.D", Host("c/Workstation/Data/Run1.D")},
      {"d:\\Some\\File", Host("d/Some/File")},
      {"settings.ini", Host("c/Workstation/settings.ini")},
  };
  for (const auto& c : cases) EXPECT_EQ(win::paths::ToHost(c.in), c.host) << c.in;
  EXPECT_EQ(win::paths::ToHost("/usr/include"), "/usr/include");
  EXPECT_EQ(win::paths::FromHost(Host("c/Workstation/Data/Run1.D")), "C:\\Workstation\\Data\\Run1.D");
  EXPECT_EQ(win::paths::FromHost("/usr/include"), "/usr/include");
}

TEST_F(KernelPathsTest, CurrentFolderMovesRelativeNames) {
  WriteHostFile("c/Workstation/Data/Run1.D", "x");
  char buf[MAX_PATH];
  ASSERT_EQ(GetCurrentDirectoryA(sizeof buf, buf), std::strlen("C:\\Workstation"));
  EXPECT_STREQ(buf, "C:\\Workstation");

  ASSERT_TRUE(SetCurrentDirectoryA("data"));
  GetCurrentDirectoryA(sizeof buf, buf);
  EXPECT_STREQ(buf, "C:\\Workstation\\data");
  EXPECT_EQ(win::paths::ToHost("run1.d"), Host("c/Workstation/Data/Run1.D"));
  EXPECT_EQ(win::paths::ToHost("C:RUN1.D"), Host("c/Workstation/Data/Run1.D"));
  EXPECT_NE(GetFileAttributesA("Run1.D"), INVALID_FILE_ATTRIBUTES);

  // Too small a buffer: the size needed, terminator counted.
  EXPECT_EQ(GetCurrentDirectoryA(4, buf), std::strlen("C:\\Workstation\\data") + 1);

  EXPECT_FALSE(SetCurrentDirectoryA("C:\\nowhere"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(SetCurrentDirectoryA("Run1.D"));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);

  // A new root starts again in the program folder.
  win::paths::ResetRoot();
  GetCurrentDirectoryA(sizeof buf, buf);
  EXPECT_STREQ(buf, "C:\\Workstation");
}

TEST_F(KernelPathsTest, FullPathNameGivesFilePartAndNeededSize) {
  char buf[MAX_PATH];
  char* part = nullptr;
  ASSERT_EQ(GetFullPathNameA("sub\\file.txt", sizeof buf, buf, &part), std::strlen("C:\\Workstation\\sub\\file.txt"));
  ASSERT_NE(part, nullptr);
  EXPECT_STREQ(part, "file.txt");
  EXPECT_EQ(GetFullPathNameA("C:\\dir\\", sizeof buf, buf, &part), 7u);
  EXPECT_EQ(part, nullptr);
  EXPECT_EQ(GetFullPathNameA("file.txt", 5, buf, nullptr), std::strlen("C:\\Workstation\\file.txt") + 1);
  EXPECT_EQ(GetFullPathNameA(nullptr, sizeof buf, buf, nullptr), 0u);
}

}  // namespace
