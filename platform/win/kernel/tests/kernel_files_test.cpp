// Opening, reading, writing, seeking, sharing, copying, moving, attributes.
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "kernel_test_root.h"

namespace {

class KernelFilesTest : public KernelRootTest {
 protected:
  HANDLE Open(const char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileA(name, access, share, nullptr, disposition, flags, nullptr);
  }
  static std::string ReadAll(HANDLE h) {
    std::string out(GetFileSize(h, nullptr), '\0');
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr));
    out.resize(got);
    return out;
  }
  static void Write(HANDLE h, const std::string& text) {
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr));
    ASSERT_EQ(put, text.size());
  }
};

TEST_F(KernelFilesTest, CreationModes) {
  const char* name = "C:\\TEMP\\modes.bin";
  struct Step {
    DWORD disposition;
    bool succeeds;
    DWORD error;
  };
  // Run in order against one file: missing first, then present.
  const Step steps[] = {
      {OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND},
      {TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND},
      {CREATE_NEW, true, ERROR_SUCCESS},
      {CREATE_NEW, false, ERROR_FILE_EXISTS},
      {OPEN_EXISTING, true, ERROR_SUCCESS},
      {OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS},
      {CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS},
      {TRUNCATE_EXISTING, true, ERROR_SUCCESS},
      {7, false, ERROR_INVALID_PARAMETER},
  };
  for (const auto& s : steps) {
    HANDLE h = Open(name, GENERIC_READ | GENERIC_WRITE, 0, s.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, s.succeeds) << s.disposition;
    EXPECT_EQ(GetLastError(), s.error) << s.disposition;
    if (h != INVALID_HANDLE_VALUE) {
      Write(h, "abc");
      CloseHandle(h);
    }
  }
  EXPECT_EQ(Open("C:\\nowhere\\x.bin", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Open("C:\\TEMP", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(KernelFilesTest, CreateAlwaysTruncatesAndOpenAlwaysKeeps) {
  HANDLE h = Open("C:\\TEMP\\t.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  Write(h, "hello world");
  CloseHandle(h);
  h = Open("c:\\temp\\T.TXT", GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
  EXPECT_EQ(ReadAll(h), "hello world");
  CloseHandle(h);
  h = Open("C:\\TEMP\\t.txt", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  EXPECT_EQ(GetFileSize(h, nullptr), 0u);
  CloseHandle(h);
  EXPECT_EQ(ReadHostFile("c/TEMP/t.txt"), "");
}

TEST_F(KernelFilesTest, ReadWriteSeekAndSize) {
  HANDLE h = Open("C:\\TEMP\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Write(h, "0123456789");
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 10u);
  EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
  char buf[16] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &got, nullptr));
  EXPECT_EQ(got, 4u);  // a short read at the end is a success
  EXPECT_STREQ(buf, "6789");
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &got, nullptr));
  EXPECT_EQ(got, 0u);

  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  Write(h, "xy");
  EXPECT_EQ(ReadAll(h), "01xy456789");

  // Before the start: refused, position kept.
  EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
  EXPECT_EQ(SetFilePointer(h, -6, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 5u);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, 9), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // 64-bit move through the high part.
  LONG high = 1;
  EXPECT_EQ(SetFilePointer(h, 0, &high, FILE_BEGIN), 0u);
  EXPECT_EQ(high, 1);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

  LARGE_INTEGER far{}, at{};
  far.QuadPart = 0x100000010LL;
  ASSERT_TRUE(SetFilePointerEx(h, far, &at, FILE_BEGIN));
  EXPECT_EQ(at.QuadPart, 0x100000010LL);
  far.QuadPart = -0x100000000LL;
  ASSERT_TRUE(SetFilePointerEx(h, far, &at, FILE_CURRENT));
  EXPECT_EQ(at.QuadPart, 0x10);
  far.QuadPart = -0x11;
  EXPECT_FALSE(SetFilePointerEx(h, far, &at, FILE_CURRENT));
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  LARGE_INTEGER size{};
  ASSERT_TRUE(GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 10);

  // Cut at the position, then grow with zeros.
  SetFilePointer(h, 3, nullptr, FILE_BEGIN);
  ASSERT_TRUE(SetEndOfFile(h));
  DWORD sizeHigh = 7;
  EXPECT_EQ(GetFileSize(h, &sizeHigh), 3u);
  EXPECT_EQ(sizeHigh, 0u);
  SetFilePointer(h, 6, nullptr, FILE_BEGIN);
  ASSERT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(ReadAll(h), std::string("01x\0\0\0", 6));
  EXPECT_TRUE(FlushFileBuffers(h));
  EXPECT_TRUE(CloseHandle(h));

  // A closed or made-up handle is refused, not followed.
  EXPECT_FALSE(ReadFile(h, buf, 1, &got, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetFileSize(reinterpret_cast<HANDLE>(0x12345), nullptr), INVALID_FILE_SIZE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(WriteFile(INVALID_HANDLE_VALUE, "x", 1, &got, nullptr));
}

TEST_F(KernelFilesTest, AccessIsEnforcedPerHandle) {
  WriteHostFile("c/TEMP/a.txt", "data");
  HANDLE r = Open("C:\\TEMP\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  DWORD n = 0;
  EXPECT_FALSE(WriteFile(r, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(SetEndOfFile(r));
  CloseHandle(r);
  HANDLE w = Open("C:\\TEMP\\a.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
  char c;
  EXPECT_FALSE(ReadFile(w, &c, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(w);
}

TEST_F(KernelFilesTest, SharingModesAmongOpenHandles) {
  WriteHostFile("c/TEMP/s.txt", "data");
  const char* name = "C:\\TEMP\\S.TXT";
  struct Case {
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool secondOpens;
  };
  const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
  const Case cases[] = {
      {R, SR, R, SR, true},            // two readers sharing reading
      {R, 0, R, SR, false},            // the first shares nothing
      {R, SR, R, 0, false},            // the second will not share with a reader
      {R, SR, W, SR | SW, false},      // writing needs the first to share writing
      {R, SR | SW, W, SR | SW, true},
      {W, SR, R, SR | SW, true},       // reader beside a writer that shares reading
      {W, SR, R, SR, false},           // ...but the reader must share writing
      {0, 0, R | W, 0, true},          // attribute-only opens never collide
  };
  for (const auto& c : cases) {
    HANDLE a = Open(name, c.firstAccess, c.firstShare, OPEN_EXISTING);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    HANDLE b = Open(name, c.secondAccess, c.secondShare, OPEN_EXISTING);
    EXPECT_EQ(b != INVALID_HANDLE_VALUE, c.secondOpens)
        << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/" << c.secondShare;
    if (b == INVALID_HANDLE_VALUE) {
      EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    } else {
      CloseHandle(b);
    }
    CloseHandle(a);
  }
  // Deleting, replacing and renaming need the holder to share deletion.
  HANDLE held = Open(name, R, SR, OPEN_EXISTING);
  EXPECT_FALSE(DeleteFileA(name));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(MoveFileA(name, "C:\\TEMP\\moved.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  WriteHostFile("c/TEMP/other.txt", "other");
  EXPECT_FALSE(CopyFileA("C:\\TEMP\\other.txt", name, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(held);
  held = Open(name, R, SR | FILE_SHARE_DELETE, OPEN_EXISTING);
  EXPECT_TRUE(DeleteFileA(name));
  CloseHandle(held);
}

TEST_F(KernelFilesTest, DeleteOnCloseRemovesTheFile) {
  HANDLE h = Open("C:\\TEMP\\scratch.tmp", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(HostExists("c/TEMP/scratch.tmp"));
  CloseHandle(h);
  EXPECT_FALSE(HostExists("c/TEMP/scratch.tmp"));
}

TEST_F(KernelFilesTest, CopyWithAndWithoutOverwrite) {
  WriteHostFile("c/TEMP/src.txt", "new contents");
  WriteHostFile("c/TEMP/dst.txt", "old");
  EXPECT_FALSE(CopyFileA("C:\\TEMP\\src.txt", "C:\\TEMP\\DST.txt", TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(ReadHostFile("c/TEMP/dst.txt"), "old");
  EXPECT_TRUE(CopyFileA("C:\\TEMP\\src.txt", "C:\\TEMP\\DST.txt", FALSE));
  EXPECT_EQ(ReadHostFile("c/TEMP/dst.txt"), "new contents");
  EXPECT_TRUE(CopyFileA("C:\\TEMP\\src.txt", "C:\\TEMP\\fresh.txt", TRUE));
  EXPECT_EQ(ReadHostFile("c/TEMP/fresh.txt"), "new contents");

  // The copy keeps the write time.
  FILETIME a{}, b{};
  HANDLE hs = Open("C:\\TEMP\\src.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  HANDLE hd = Open("C:\\TEMP\\fresh.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  GetFileTime(hs, nullptr, nullptr, &a);
  GetFileTime(hd, nullptr, nullptr, &b);
  EXPECT_EQ(CompareFileTime(&a, &b), 0);
  CloseHandle(hs);
  CloseHandle(hd);

  struct Failure {
    const char* from;
    const char* to;
    DWORD error;
  } failures[] = {
      {"C:\\TEMP\\missing.txt", "C:\\TEMP\\x.txt", ERROR_FILE_NOT_FOUND},
      {"C:\\nowhere\\missing.txt", "C:\\TEMP\\x.txt", ERROR_PATH_NOT_FOUND},
      {"C:\\TEMP\\src.txt", "C:\\nowhere\\x.txt", ERROR_PATH_NOT_FOUND},
      {"C:\\TEMP\\src.txt", "C:\\TEMP", ERROR_FILE_EXISTS},  // with fail-if-exists
  };
  for (const auto& f : failures) {
    EXPECT_FALSE(CopyFileA(f.from, f.to, TRUE)) << f.from << " -> " << f.to;
    EXPECT_EQ(GetLastError(), f.error) << f.from << " -> " << f.to;
  }
  // A read-only target is not overwritten.
  ASSERT_TRUE(SetFileAttributesA("C:\\TEMP\\dst.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(CopyFileA("C:\\TEMP\\fresh.txt", "C:\\TEMP\\dst.txt", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  // No scratch copies are left behind.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(Host("c/TEMP"))) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 3);
}

TEST_F(KernelFilesTest, MoveAndReplace) {
  WriteHostFile("c/TEMP/one.txt", "one");
  WriteHostFile("c/TEMP/two.txt", "two");
  EXPECT_FALSE(MoveFileA("C:\\TEMP\\one.txt", "C:\\TEMP\\two.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(MoveFileExA("C:\\TEMP\\one.txt", "C:\\TEMP\\two.txt", 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileExA("C:\\TEMP\\one.txt", "C:\\TEMP\\TWO.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(HostExists("c/TEMP/one.txt"));
  EXPECT_EQ(ReadHostFile("c/TEMP/two.txt"), "one");

  // Into another folder, and a change of case only.
  ASSERT_TRUE(CreateDirectoryA("C:\\TEMP\\sub", nullptr));
  EXPECT_TRUE(MoveFileA("C:\\TEMP\\two.txt", "C:\\TEMP\\SUB\\three.txt"));
  EXPECT_EQ(ReadHostFile("c/TEMP/sub/three.txt"), "one");
  EXPECT_TRUE(MoveFileA("C:\\TEMP\\sub\\three.txt", "C:\\TEMP\\sub\\Three.TXT"));
  EXPECT_TRUE(HostExists("c/TEMP/sub/Three.TXT"));
  EXPECT_FALSE(HostExists("c/TEMP/sub/three.txt"));

  EXPECT_FALSE(MoveFileA("C:\\TEMP\\gone.txt", "C:\\TEMP\\x.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  // A folder moves as a whole.
  EXPECT_TRUE(MoveFileA("C:\\TEMP\\sub", "C:\\TEMP\\renamed"));
  EXPECT_TRUE(HostExists("c/TEMP/renamed/Three.TXT"));
}

TEST_F(KernelFilesTest, AttributesAndReadOnly) {
  WriteHostFile("c/TEMP/plain.txt", "x");
  WriteHostFile("c/TEMP/.hidden", "x");
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP\\PLAIN.TXT"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP\\.hidden"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA("C:\\none\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  ASSERT_TRUE(SetFileAttributesA("C:\\TEMP\\plain.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP\\plain.txt"), FILE_ATTRIBUTE_READONLY);
  struct stat st;
  ASSERT_EQ(stat(Host("c/TEMP/plain.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  // Read-only holds for writing, truncating and deleting, even for root.
  EXPECT_EQ(CreateFileA("C:\\TEMP\\plain.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(CreateFileA("C:\\TEMP\\plain.txt", GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileA("C:\\TEMP\\plain.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  HANDLE r = CreateFileA("C:\\TEMP\\plain.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(r, INVALID_HANDLE_VALUE);
  CloseHandle(r);

  ASSERT_TRUE(SetFileAttributesA("C:\\TEMP\\plain.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP\\plain.txt"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(DeleteFileA("C:\\TEMP\\plain.txt"));
  EXPECT_FALSE(DeleteFileA("C:\\TEMP\\plain.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileA("C:\\TEMP"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(SetFileAttributesA("C:\\TEMP\\none", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  // Created read-only: the creating handle still writes.
  HANDLE h = CreateFileA("C:\\TEMP\\ro.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "ok", 2, &n, nullptr));
  CloseHandle(h);
  EXPECT_EQ(GetFileAttributesA("C:\\TEMP\\ro.txt"), FILE_ATTRIBUTE_READONLY);
}

TEST_F(KernelFilesTest, FoldersCreateAndRemove) {
  EXPECT_TRUE(CreateDirectoryA("C:\\TEMP\\New", nullptr));
  EXPECT_FALSE(CreateDirectoryA("c:\\temp\\NEW", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA("C:\\TEMP\\a\\b", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  WriteHostFile("c/TEMP/New/f.txt", "x");
  EXPECT_FALSE(RemoveDirectoryA("C:\\TEMP\\New"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(RemoveDirectoryA("C:\\TEMP\\New\\f.txt"));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  ASSERT_TRUE(DeleteFileA("C:\\TEMP\\New\\f.txt"));
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\TEMP\\New"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\TEMP\\New"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  ASSERT_TRUE(SetCurrentDirectoryA(".."));
  EXPECT_TRUE(RemoveDirectoryA("C:\\TEMP\\New"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\TEMP\\New"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(KernelFilesTest, DiskSpaceOfAFolder) {
  ULARGE_INTEGER free{}, total{}, totalFree{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\TEMP\\", &free, &total, &totalFree));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_LE(free.QuadPart, totalFree.QuadPart);
  EXPECT_LE(totalFree.QuadPart, total.QuadPart);
  EXPECT_TRUE(GetDiskFreeSpaceExA(nullptr, &free, nullptr, nullptr));
  EXPECT_FALSE(GetDiskFreeSpaceExA("C:\\Nowhere", &free, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(KernelFilesTest, FileTimesSetAndRead) {
  HANDLE h = CreateFileA("C:\\TEMP\\t.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  SYSTEMTIME st{2001, 2, 0, 3, 4, 5, 6, 700};
  FILETIME set{}, got{}, access{};
  ASSERT_TRUE(SystemTimeToFileTime(&st, &set));
  ASSERT_TRUE(SetFileTime(h, nullptr, &set, &set));
  ASSERT_TRUE(GetFileTime(h, nullptr, &access, &got));
  EXPECT_EQ(CompareFileTime(&set, &got), 0);
  EXPECT_EQ(CompareFileTime(&set, &access), 0);
  CloseHandle(h);
  // A read-only handle may not change them.
  h = CreateFileA("C:\\TEMP\\t.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(SetFileTime(h, nullptr, nullptr, &set));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(h);
  // A time with its top bit set (from a damaged record) is refused and
  // leaves the file's times as they were.
  h = CreateFileA("C:\\TEMP\\t.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME bad{0x12345678u, 0x80F1F6E1u};
  EXPECT_FALSE(SetFileTime(h, nullptr, &bad, &bad));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &got));
  EXPECT_EQ(CompareFileTime(&set, &got), 0);
  CloseHandle(h);
}

}  // namespace
