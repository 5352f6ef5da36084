// Private-profile reads and writes on real ini files.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "profile_test_root.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

// A literal holding NULs, without the compiler's own final NUL.
template <size_t N>
std::string Z(const char (&s)[N]) {
  return std::string(s, N - 1);
}

class ProfileIniTest : public ProfileRootTest {
 protected:
  void SetUp() override {
    ProfileRootTest::SetUp();
    WriteHostPath(Settings("tolview.ini"),
              "; settings of the viewer\r\n"
              "[TOLVIEW]\r\n"
              "SearchWindowWidth=200\r\n"
              "  NoiseWindowWidth   =   12   \r\n"
              "Quoted=\"  padded  \"\r\n"
              "Single='x'\r\n"
              "Comment=abc ; not a comment\r\n"
              ";Hidden=1\r\n"
              "Empty=\r\n"
              "NoEquals\r\n"
              "\r\n"
              "[Other]\r\n"
              "Key=second\r\n"
              "[tolview]\r\n"
              "SearchWindowWidth=999\r\n");
  }
  std::string Read(const char* section, const char* key, const char* def, DWORD size = 256) {
    std::vector<char> buf(size + 1, 'X');
    DWORD n = GetPrivateProfileStringA(section, key, def, buf.data(), size, "tolview.ini");
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf.data(), n);
  }
};

TEST_F(ProfileIniTest, ReadsValuesAsTheOriginalDid) {
  struct Case {
    const char* section;
    const char* key;
    const char* def;
    const char* want;
  } cases[] = {
      {"TOLVIEW", "SearchWindowWidth", "x", "200"},
      {"tolview", "searchwindowwidth", "x", "200"},  // names ignore case; first section wins
      {"TOLVIEW", "NoiseWindowWidth", "x", "12"},    // blanks around '=' and the value dropped
      {"TOLVIEW", "Quoted", "x", "  padded  "},      // surrounding quotes removed
      {"TOLVIEW", "Single", "x", "x"},
      {"TOLVIEW", "Comment", "x", "abc ; not a comment"},
      {"TOLVIEW", "Hidden", "dflt", "dflt"},         // commented-out key
      {"TOLVIEW", "Empty", "dflt", ""},              // present but empty: not the default
      {"TOLVIEW", "NoEquals", "dflt", "dflt"},
      {"TOLVIEW", "Missing", "dflt  ", "dflt"},      // default loses trailing blanks
      {"TOLVIEW", "Missing", nullptr, ""},
      {"Nowhere", "Key", "d", "d"},
      {"Other", "KEY", "d", "second"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.section, c.key, c.def), c.want) << c.section << "/" << c.key;
  }
}

TEST_F(ProfileIniTest, TruncatesToTheBufferAndCountsWithoutTheNul) {
  WritePrivateProfileStringA("T", "K", "abcdef", "tolview.ini");
  struct Case {
    DWORD size;
    DWORD result;
    const char* text;
  } cases[] = {{1, 0, ""}, {2, 1, "a"}, {6, 5, "abcde"}, {7, 6, "abcdef"}, {50, 6, "abcdef"}};
  for (const auto& c : cases) {
    char buf[64];
    std::memset(buf, 'X', sizeof buf);
    EXPECT_EQ(GetPrivateProfileStringA("T", "K", "", buf, c.size, "tolview.ini"), c.result) << c.size;
    EXPECT_STREQ(buf, c.text);
  }
  char untouched = 'X';
  EXPECT_EQ(GetPrivateProfileStringA("T", "K", "", &untouched, 0, "tolview.ini"), 0u);
  EXPECT_EQ(untouched, 'X');
}

TEST_F(ProfileIniTest, ListsSectionsAndKeysDoubleNulEnded) {
  char buf[256];
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "ignored", buf, sizeof buf, "tolview.ini");
  EXPECT_EQ(std::string(buf, n + 1), Z("TOLVIEW\0Other\0tolview\0\0"));

  n = GetPrivateProfileStringA("Tolview", nullptr, "ignored", buf, sizeof buf, "tolview.ini");
  EXPECT_EQ(std::string(buf, n + 1),
            Z("SearchWindowWidth\0NoiseWindowWidth\0Quoted\0Single\0Comment\0Empty\0NoEquals\0\0"));

  // Too small: the last name is cut and two NULs end the buffer.
  std::memset(buf, 'X', sizeof buf);
  n = GetPrivateProfileStringA(nullptr, nullptr, "", buf, 12, "tolview.ini");
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(std::string(buf, 12), Z("TOLVIEW\0Ot\0\0"));

  // A missing section lists nothing.
  std::memset(buf, 'X', sizeof buf);
  EXPECT_EQ(GetPrivateProfileStringA("Nowhere", nullptr, "d", buf, sizeof buf, "tolview.ini"), 0u);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], '\0');
}

TEST_F(ProfileIniTest, MissingFileGivesTheDefault) {
  char buf[32];
  SetLastError(0);
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "fallback", buf, sizeof buf, "absent.ini"), 8u);
  EXPECT_STREQ(buf, "fallback");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetPrivateProfileIntA("S", "K", 77, "absent.ini"), 77u);
}

TEST_F(ProfileIniTest, ReadsIntegers) {
  WriteHostPath(Settings("ints.ini"),
            "[N]\nplain=42\nneg= -7\nhex=0x1F\ntrailing=12abc\nword=abc\nempty=\nplus=+5\n");
  struct Case {
    const char* key;
    INT def;
    UINT want;
  } cases[] = {
      {"plain", 1, 42u},       {"neg", 1, static_cast<UINT>(-7)}, {"hex", 1, 31u},
      {"trailing", 1, 12u},    {"word", 1, 0u},                   {"empty", 9, 9u},
      {"missing", -3, static_cast<UINT>(-3)}, {"plus", 1, 5u},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPrivateProfileIntA("N", c.key, c.def, "ints.ini"), c.want) << c.key;
}

TEST_F(ProfileIniTest, WritesKeepTheRestOfTheFile) {
  const std::string path = Settings("edit.ini");
  WriteHostPath(path,
            "; head comment\r\n"
            "[A]\r\n"
            "one = 1\r\n"
            "two=2\r\n"
            "\r\n"
            "[B]\r\n"
            "x=y\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "ONE", "uno", "edit.ini"));   // replaced in place
  ASSERT_TRUE(WritePrivateProfileStringA("A", "three", "3", "edit.ini"));   // after the last key
  ASSERT_TRUE(WritePrivateProfileStringA("C", "new", "v", "edit.ini"));     // new section at the end
  ASSERT_TRUE(WritePrivateProfileStringA("B", "x", nullptr, "edit.ini"));   // null value deletes the key
  EXPECT_EQ(ReadHostPath(path),
            "; head comment\r\n"
            "[A]\r\n"
            "one=uno\r\n"
            "two=2\r\n"
            "three=3\r\n"
            "\r\n"
            "[B]\r\n"
            "\r\n"
            "[C]\r\n"
            "new=v\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, "edit.ini"));  // null key deletes the section
  EXPECT_EQ(ReadHostPath(path), "; head comment\r\n[B]\r\n\r\n[C]\r\nnew=v\r\n");
  // Deleting what is not there changes nothing and succeeds.
  EXPECT_TRUE(WritePrivateProfileStringA("Q", nullptr, nullptr, "edit.ini"));
  EXPECT_TRUE(WritePrivateProfileStringA("Q", "k", nullptr, "nofile.ini"));
  EXPECT_FALSE(std::filesystem::exists(Settings("nofile.ini")));
}

TEST_F(ProfileIniTest, NewFileUsesCrLfAndLfFilesStayLf) {
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "v", "fresh.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k2", "v2", "fresh.ini"));
  EXPECT_EQ(ReadHostPath(Settings("fresh.ini")), "[S]\r\nk=v\r\nk2=v2\r\n");

  WriteHostPath(Settings("unix.ini"), "[S]\nk=v");  // no final line end
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k2", "v2", "unix.ini"));
  EXPECT_EQ(ReadHostPath(Settings("unix.ini")), "[S]\nk=v\nk2=v2\n");
}

TEST_F(ProfileIniTest, ByteOrderMarkIsSkippedAndKept) {
  WriteHostPath(Settings("bom.ini"), "\xEF\xBB\xBF[S]\r\nk=v\r\n");
  char buf[8];
  GetPrivateProfileStringA("S", "k", "", buf, sizeof buf, "bom.ini");
  EXPECT_STREQ(buf, "v");
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "w", "bom.ini"));
  EXPECT_EQ(ReadHostPath(Settings("bom.ini")), "\xEF\xBB\xBF[S]\r\nk=w\r\n");
}

TEST_F(ProfileIniTest, NamesMapToTheirFolders) {
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "bare", "bare.ini"));
  EXPECT_TRUE(std::filesystem::exists(Settings("bare.ini")));
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "prog", "C:\\Workstation\\tolview3.ini"));
  EXPECT_TRUE(std::filesystem::exists(root_ + "/c/Workstation/tolview3.ini"));
  // Existing files are found whatever the case of the name.
  char buf[16];
  GetPrivateProfileStringA("s", "K", "", buf, sizeof buf, "c:\\WORKSTATION\\TOLVIEW3.INI");
  EXPECT_STREQ(buf, "prog");
  // A folder that does not exist cannot take a file.
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "C:\\NoSuchFolder\\x.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(ProfileIniTest, ProfileCallsUseWinIni) {
  WriteHostPath(Settings("win.ini"), "[windows]\r\ndevice=Printer,winspool,LPT1:\r\n");
  char buf[64];
  EXPECT_EQ(GetProfileStringA("windows", "device", "", buf, sizeof buf), 22u);
  EXPECT_STREQ(buf, "Printer,winspool,LPT1:");
  ASSERT_TRUE(WriteProfileStringA("windows", "Beep", "yes"));
  EXPECT_EQ(GetProfileIntA("intl", "iDigits", 2), 2u);
  GetProfileString("windows", "beep", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "yes");
}

TEST_F(ProfileIniTest, SectionsReadAndReplacedWhole) {
  char buf[256];
  DWORD n = GetPrivateProfileSectionA("TOLVIEW", buf, sizeof buf, "tolview.ini");
  EXPECT_EQ(std::string(buf, n + 1),
            Z("SearchWindowWidth=200\0NoiseWindowWidth=12\0Quoted=\"  padded  \"\0Single='x'\0"
              "Comment=abc ; not a comment\0Empty=\0NoEquals\0\0"));
  n = GetPrivateProfileSectionA("TOLVIEW", buf, 10, "tolview.ini");
  EXPECT_EQ(n, 8u);

  ASSERT_TRUE(WritePrivateProfileSectionA("Other", "a=1\0b=2\0", "tolview.ini"));
  n = GetPrivateProfileSectionA("other", buf, sizeof buf, "tolview.ini");
  EXPECT_EQ(std::string(buf, n + 1), Z("a=1\0b=2\0\0"));
  EXPECT_EQ(GetPrivateProfileIntA("TOLVIEW", "SearchWindowWidth", 0, "tolview.ini"), 200u);
  ASSERT_TRUE(WritePrivateProfileSectionA("Other", nullptr, "tolview.ini"));
  EXPECT_EQ(GetPrivateProfileSectionA("Other", buf, sizeof buf, "tolview.ini"), 0u);
}

// Every write replaces the file whole: a reader holding the old file sees
// the old content complete, and no temporary is left behind.
TEST_F(ProfileIniTest, WritesReplaceTheFileWhole) {
  const std::string path = Settings("tolview.ini");
  const std::string before = ReadHostPath(path);
  int fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(WritePrivateProfileStringA("TOLVIEW", "SearchWindowWidth", "300", "tolview.ini"));
  std::string old(before.size() + 16, '\0');
  ssize_t got = pread(fd, old.data(), old.size(), 0);
  close(fd);
  ASSERT_GE(got, 0);
  old.resize(static_cast<size_t>(got));
  EXPECT_EQ(old, before);
  EXPECT_EQ(GetPrivateProfileIntA("TOLVIEW", "SearchWindowWidth", 0, "tolview.ini"), 300u);
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(root_ + "/c/WINDOWS")) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

// Writing what the file already says changes nothing on disk: the file
// keeps its inode, so a program that saves its settings at every exit
// costs no rewrite and no sync.
TEST_F(ProfileIniTest, UnchangedWriteLeavesTheFileAlone) {
  const std::string path = Settings("tolview.ini");
  struct stat st0;
  ASSERT_EQ(stat(path.c_str(), &st0), 0);
  ASSERT_TRUE(WritePrivateProfileStringA("TOLVIEW", "SearchWindowWidth", "200", "tolview.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("NoSuchSection", nullptr, nullptr, "tolview.ini"));
  struct stat st1;
  ASSERT_EQ(stat(path.c_str(), &st1), 0);
  EXPECT_EQ(st0.st_ino, st1.st_ino);
  ASSERT_TRUE(WritePrivateProfileStringA("TOLVIEW", "SearchWindowWidth", "201", "tolview.ini"));
  ASSERT_EQ(stat(path.c_str(), &st1), 0);
  EXPECT_NE(st0.st_ino, st1.st_ino);
  EXPECT_EQ(GetPrivateProfileIntA("TOLVIEW", "SearchWindowWidth", 0, "tolview.ini"), 201u);
}

// A writer killed at any moment leaves the old or the new file, whole.
TEST_F(ProfileIniTest, KilledWriterLeavesAWholeFile) {
  const std::string a(4000, 'a'), b(4000, 'b');
  ASSERT_TRUE(WritePrivateProfileStringA("S", "v", a.c_str(), "crash.ini"));
  for (int round = 0; round < 3; ++round) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (unsigned i = 0;; ++i) WritePrivateProfileStringA("S", "v", (i % 2 ? a : b).c_str(), "crash.ini");
    }
    usleep(30000 + 20000 * round);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::string text = ReadHostPath(Settings("crash.ini"));
    EXPECT_TRUE(text == "[S]\r\nv=" + a + "\r\n" || text == "[S]\r\nv=" + b + "\r\n") << text.size();
  }
}

// Writers in separate processes never lose each other's keys.
TEST_F(ProfileIniTest, ConcurrentWritersKeepEveryKey) {
  constexpr int kProcs = 4, kKeys = 25;
  std::vector<pid_t> kids;
  for (int p = 0; p < kProcs; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "p" + std::to_string(p) + "k" + std::to_string(k);
        ok = WritePrivateProfileStringA("Shared", key.c_str(), "1", "shared.ini") && ok;
      }
      _exit(ok ? 0 : 1);
    }
    kids.push_back(pid);
  }
  for (pid_t pid : kids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcs; ++p)
    for (int k = 0; k < kKeys; ++k) {
      std::string key = "p" + std::to_string(p) + "k" + std::to_string(k);
      EXPECT_EQ(GetPrivateProfileIntA("Shared", key.c_str(), 0, "shared.ini"), 1u) << key;
    }
}

TEST_F(ProfileIniTest, BadArgumentsFailQuietly) {
  char buf[8];
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "d", nullptr, 8, "x.ini"), 0u);
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, nullptr), 1u);
  EXPECT_STREQ(buf, "d");
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "K", "v", "x.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "v", ""));
  // Line breaks would smuggle lines into the file.
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "v\r\n[Evil]", "x.ini"));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K\nJ", "v", "x.ini"));
  EXPECT_FALSE(WritePrivateProfileSectionA("S", "a=1\nb=2\0", "x.ini"));
  EXPECT_FALSE(std::filesystem::exists(Settings("x.ini")));
  // A folder where the file should be is not overwritten.
  std::filesystem::create_directory(Settings("dir.ini"));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "v", "dir.ini"));
  EXPECT_TRUE(std::filesystem::is_directory(Settings("dir.ini")));
}

}  // namespace
