// Searching folders, temporary names, file titles and path parts.
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "kernel_test_root.h"

namespace {

class KernelFindTest : public KernelRootTest {
 protected:
  std::vector<std::string> Find(const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern, &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(d.cFileName);
    while (FindNextFileA(h, &d));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    return names;
  }
};

using Names = std::vector<std::string>;

TEST_F(KernelFindTest, WildcardsMatchWithoutCase) {
  for (const char* f : {"Run1.D", "run2.d", "RUN10.D", "notes.txt", "README", "a.b.c"})
    WriteHostFile(std::string("c/Data/") + f, "x");
  std::filesystem::create_directories(Host("c/Data/Sub"));
  struct Case {
    const char* pattern;
    Names names;
  } cases[] = {
      {"C:\\data\\*.d", {"Run1.D", "RUN10.D", "run2.d"}},
      {"C:\\DATA\\run?.D", {"Run1.D", "run2.d"}},
      {"C:\\Data\\*", {".", "..", "a.b.c", "notes.txt", "README", "Run1.D", "RUN10.D", "run2.d", "Sub"}},
      {"C:\\Data\\*.*", {".", "..", "a.b.c", "notes.txt", "README", "Run1.D", "RUN10.D", "run2.d", "Sub"}},
      {"C:\\Data\\*.", {".", "..", "README", "Sub"}},
      {"C:\\Data\\read*.*", {"README"}},
      {"C:\\Data\\*.c", {"a.b.c"}},
      {"C:\\Data\\NOTES.TXT", {"notes.txt"}},
      {"C:\\Data\\*.xyz", {}},
      {"C:\\*", {"Data", "TEMP", "WINDOWS", "Workstation"}},  // a drive's top: no dot entries
  };
  for (const auto& c : cases) EXPECT_EQ(Find(c.pattern), c.names) << c.pattern;
}

TEST_F(KernelFindTest, FindDataDescribesEachEntry) {
  WriteHostFile("c/Data/file.bin", std::string(1234, 'x'));
  std::filesystem::create_directories(Host("c/Data/Sub"));
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA("C:\\Data\\file.bin", &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(d.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(d.nFileSizeLow, 1234u);
  EXPECT_EQ(d.nFileSizeHigh, 0u);
  EXPECT_STREQ(d.cFileName, "file.bin");
  HANDLE f = CreateFileA("C:\\Data\\file.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME w{};
  GetFileTime(f, nullptr, nullptr, &w);
  CloseHandle(f);
  EXPECT_EQ(CompareFileTime(&w, &d.ftLastWriteTime), 0);
  // A search handle is closed by FindClose only.
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_TRUE(FindClose(h));
  EXPECT_FALSE(FindClose(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  h = FindFirstFileA("C:\\Data\\sub", &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(d.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  FindClose(h);

  EXPECT_EQ(FindFirstFileA("C:\\Data\\*.none", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("C:\\Nowhere\\*", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA(nullptr, &d), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FindNextFileA(reinterpret_cast<HANDLE>(0x4444), &d));
}

TEST_F(KernelFindTest, RelativePatternsUseTheCurrentFolder) {
  WriteHostFile("c/Workstation/morvex.ini", "x");
  EXPECT_EQ(Find("*.INI"), Names{"morvex.ini"});
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\TEMP"));
  EXPECT_EQ(Find("*.ini"), Names{});
  EXPECT_EQ(Find("..\\Workstation\\*.ini"), Names{"morvex.ini"});
}

TEST_F(KernelFindTest, TempNamesAreUniqueAndCreated) {
  char temp[MAX_PATH];
  ASSERT_EQ(GetTempPathA(sizeof temp, temp), std::strlen("C:\\TEMP\\"));
  EXPECT_STREQ(temp, "C:\\TEMP\\");
  EXPECT_EQ(GetTempPathA(3, temp), std::strlen("C:\\TEMP\\") + 1);

  std::set<std::string> seen;
  for (const char* prefix : {"AAA", "vvv", "YYY", "ZZZ", "VVV", "RSLT"}) {
    for (int i = 0; i < 20; ++i) {
      char name[MAX_PATH];
      UINT n = GetTempFileNameA("C:\\TEMP\\", prefix, 0, name);
      ASSERT_NE(n, 0u);
      std::string s = name;
      // <folder><prefix cut to 3><hex>.TMP, the file there and empty.
      const std::string pre = std::string(prefix).substr(0, 3);
      char hex[8];
      std::snprintf(hex, sizeof hex, "%X", n);
      EXPECT_EQ(s, "C:\\TEMP\\" + pre + hex + ".TMP");
      EXPECT_TRUE(seen.insert(s).second) << s;  // names ignore case, so this is strict enough here
      EXPECT_EQ(GetFileAttributesA(name), FILE_ATTRIBUTE_NORMAL);
    }
  }
  // A folder without the trailing "\\" works; a missing one does not.
  char name[MAX_PATH];
  EXPECT_NE(GetTempFileNameA("C:\\TEMP", "DDD", 0, name), 0u);
  EXPECT_EQ(std::string(name).rfind("C:\\TEMP\\DDD", 0), 0u);
  EXPECT_EQ(GetTempFileNameA("C:\\Nowhere", "DDD", 0, name), 0u);
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  // A given number only makes the name.
  EXPECT_EQ(GetTempFileNameA("C:\\TEMP\\", "ab", 0x1a2b, name), 0x1a2bu);
  EXPECT_STREQ(name, "C:\\TEMP\\ab1A2B.TMP");
  EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES);
}

TEST_F(KernelFindTest, TempNameSkipsTakenNumbersWhateverTheirCase) {
  char name[MAX_PATH];
  UINT first = GetTempFileNameA("C:\\TEMP\\", "QQQ", 0, name);
  ASSERT_NE(first, 0u);
  // Take the next few numbers under lower-case names; they must be skipped.
  for (UINT k = 1; k <= 3; ++k) {
    char taken[32];
    std::snprintf(taken, sizeof taken, "c/TEMP/qqq%x.tmp", (first + k) & 0xFFFF);
    WriteHostFile(taken, "busy");
  }
  UINT next = GetTempFileNameA("C:\\TEMP\\", "QQQ", 0, name);
  ASSERT_NE(next, 0u);
  EXPECT_TRUE(next > first + 3 || next < first);
}

TEST_F(KernelFindTest, TempNamesFromManyThreadsNeverCollide) {
  std::mutex m;
  std::set<std::string> seen;
  int duplicates = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        char name[MAX_PATH];
        if (GetTempFileNameA("C:\\TEMP\\", "AAA", 0, name) == 0) continue;
        std::lock_guard<std::mutex> lock(m);
        if (!seen.insert(name).second) ++duplicates;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(seen.size(), 200u);
  EXPECT_EQ(duplicates, 0);
}

TEST_F(KernelFindTest, FileTitle) {
  char title[64];
  struct Case {
    const char* path;
    short result;
    const char* title;
  } cases[] = {
      {"C:\\Workstation\\Data\\run1.d", 0, "run1.d"},
      {"report.txt", 0, "report.txt"},
      {"C:name.ext", 0, "name.ext"},
      {"C:/x/y/NoExtension", 0, "NoExtension"},
      {"C:\\folder\\", -1, ""},
      {"C:\\bad\\na*me", -1, ""},
  };
  for (const auto& c : cases) {
    title[0] = '\0';
    EXPECT_EQ(GetFileTitleA(c.path, title, sizeof title), c.result) << c.path;
    if (c.result == 0) {
      EXPECT_STREQ(title, c.title);
    }
  }
  EXPECT_EQ(GetFileTitleA("C:\\a\\longer.name", title, 4), static_cast<short>(std::strlen("longer.name") + 1));
  EXPECT_EQ(GetFileTitleA(nullptr, title, sizeof title), -1);
}

TEST_F(KernelFindTest, SplitAndMakePath) {
  struct Case {
    const char* path;
    const char* drive;
    const char* dir;
    const char* fname;
    const char* ext;
  } cases[] = {
      {"C:\\Workstation\\Data\\run1.d", "C:", "\\Workstation\\Data\\", "run1", ".d"},
      {"name.tar.gz", "", "", "name.tar", ".gz"},
      {"C:file", "C:", "", "file", ""},
      {"\\a.b\\c", "", "\\a.b\\", "c", ""},
      {"d:/x/y.txt", "d:", "/x/", "y", ".txt"},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(c.path, drive, dir, fname, ext);
    EXPECT_STREQ(drive, c.drive) << c.path;
    EXPECT_STREQ(dir, c.dir) << c.path;
    EXPECT_STREQ(fname, c.fname) << c.path;
    EXPECT_STREQ(ext, c.ext) << c.path;
    char back[_MAX_PATH];
    _makepath(back, drive, dir, fname, ext);
    EXPECT_STREQ(back, c.path) << c.path;
  }
  char out[_MAX_PATH];
  _makepath(out, "C", "\\dir", "name", "txt");
  EXPECT_STREQ(out, "C:\\dir\\name.txt");
  // Null parts are skipped; over-long parts are cut, never overrun.
  char fname[_MAX_FNAME];
  _splitpath("C:\\dir\\file.ext", nullptr, nullptr, fname, nullptr);
  EXPECT_STREQ(fname, "file");
  const std::string longName(400, 'n');
  _splitpath(("C:\\" + longName + ".e").c_str(), nullptr, nullptr, fname, nullptr);
  EXPECT_EQ(std::strlen(fname), _MAX_FNAME - 1u);
  _makepath(out, "C", longName.c_str(), longName.c_str(), "e");
  EXPECT_EQ(std::strlen(out), _MAX_PATH - 1u);
}

}  // namespace
