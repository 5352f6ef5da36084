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
  // A Linux path outside the root is a path on the current drive.
  EXPECT_EQ(win::paths::ToHost("/usr/include"), Host("c/usr/include"));
  EXPECT_EQ(win::paths::FromHost(Host("c/Workstation/Data/Run1.D")), "C:\\Workstation\\Data\\Run1.D");
  EXPECT_EQ(win::paths::FromHost("/usr/include"), "/usr/include");
}

// No path a library builds or reads reaches outside the root: Linux paths
// are taken as such only under the root or when the host allowed them (a
// file and the companions that share its name up to the first dot).
TEST_F(KernelPathsTest, OnlyRootAndAllowedLinuxPathsLeaveTheDrives) {
  char tmpl[] = "/tmp/kelt-outside-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string outside = tmpl;
  WriteHostPath(outside + "/Run7.kms", "run");
  WriteHostPath(outside + "/secret.txt", "secret");
  WriteHostFile("c/Workstation/Data/Run1.D", "x");
  const std::string rootTail = root_.substr(1);
  struct {
    std::string in;
    std::string host;
  } before[] = {
      {"/etc/passwd", Host("c/etc/passwd")},
      {"//etc/passwd", Host("c/etc/passwd")},
      {"/" + rootTail + "/../../etc/passwd", Host("c/etc/passwd")},
      {"C:\\..\\..\\..\\etc\\passwd", Host("c/etc/passwd")},
      {"C:/../../etc/passwd", Host("c/etc/passwd")},
      {"\\\\server\\share\\x", Host("c/server/share/x")},
      {"..\\..\\..\\..\\etc", Host("c/etc")},
      {outside + "/Run7.kms", Host("c" + outside + "/Run7.kms")},
      // Under the root a Linux path stays one (what ToHost hands out).
      {Host("c/Workstation/Data/run1.d"), Host("c/Workstation/Data/Run1.D")},
      {root_ + "/c/Workstation/../Workstation/Data/Run1.D", Host("c/Workstation/Data/Run1.D")},
  };
  for (const auto& c : before) EXPECT_EQ(win::paths::ToHost(c.in), c.host) << c.in;
  EXPECT_EQ(win::paths::FullPath("/etc/passwd"), "C:\\etc\\passwd");
  EXPECT_EQ(GetFileAttributesA("/etc/passwd"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(CreateFileA((outside + "/secret.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                        nullptr),
            INVALID_HANDLE_VALUE);

  EXPECT_FALSE(win::paths::AllowHostPath("relative/x.kms"));
  EXPECT_FALSE(win::paths::AllowHostPath("/"));
  ASSERT_TRUE(win::paths::AllowHostPath(outside + "/run7.KMS"));
  struct {
    std::string in;
    bool usable;
  } after[] = {
      {outside + "/run7.kms", true},
      {outside + "/RUN7.mth", true},          // its method beside it
      {outside + "/Run7.kms.~12-3", true},    // a temporary copy of it
      {outside + "/x/../Run7.FIN", true},
      {outside + "/secret.txt", false},
      {outside + "/Run77.kms", false},
      {outside + "/Run7", false},
      {outside + "/sub/Run7.kms", false},
      {outside, false},
      {"/etc/passwd", false},
  };
  for (const auto& c : after) {
    EXPECT_EQ(win::paths::IsUsableHostPath(c.in), c.usable) << c.in;
    EXPECT_EQ(win::paths::ToHost(c.in).compare(0, root_.size(), root_) != 0, c.usable) << c.in;
  }
  EXPECT_EQ(win::paths::ToHost(outside + "/RUN7.KMS"), outside + "/Run7.kms");
  EXPECT_NE(GetFileAttributesA((outside + "/Run7.kms").c_str()), INVALID_FILE_ATTRIBUTES);
  std::error_code ec;
  std::filesystem::remove_all(outside, ec);
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
