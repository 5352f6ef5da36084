// Package files: the layout as written, wildcards and folders, extraction
// with times, and packages that must not be trusted.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "packages.h"
#include "run_state.h"
#include "setup_test_root.h"
#include "win/win_kernel.h"

namespace setup {
namespace {

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

class PackagesTest : public SetupRootTest {
 protected:
  void SetUp() override {
    SetupRootTest::SetUp();
    WriteHostFile("d/PATCH/a.dll", std::string("MZ\x90\0\x03 a library", 15));
    WriteHostFile("d/PATCH/bin/x.dll", "x bytes");
    WriteHostFile("d/PATCH/bin/y.DLL", "y bytes, longer");
    WriteHostFile("d/PATCH/bin/notes.txt", "not a dll");
    SetCurrentDirectoryA("D:\\PATCH");
  }
};

TEST_F(PackagesTest, OneFileGivesTheDocumentedLayout) {
  std::string error;
  ASSERT_EQ(WritePackage("D:\\PATCH\\one.pkg", "a.dll", &error), 1) << error;
  const std::string b = ReadHostFile("d/PATCH/one.pkg");
  struct Field {
    size_t at;
    uint32_t value;
  } fields[] = {{0, 0x87651234u}, {4, 1}, {8, 36 + 15}, {12, 6}, {16, 36}, {20, 15}, {24, 36 + 15 + 6}, {28, 1}, {32, 0}};
  for (const Field& f : fields) EXPECT_EQ(U32(b, f.at), f.value) << "offset " << f.at;
  EXPECT_EQ(b.substr(36, 15), ReadHostFile("d/PATCH/a.dll"));
  EXPECT_EQ(b.substr(51, 6), std::string("a.dll\0", 6));
  ASSERT_EQ(b.size(), 57u + 40u);
  EXPECT_EQ(U32(b, 57), 0u);       // name offset
  EXPECT_EQ(U32(b, 57 + 4), 0u);   // data offset
  EXPECT_EQ(U32(b, 57 + 8), 15u);  // size
}

TEST_F(PackagesTest, WildcardsKeepTheirFolderAndExtractionRecreatesIt) {
  std::string error;
  ASSERT_EQ(WritePackage("D:\\PATCH\\core.pkg", "a.dll  bin\\*.dll bin\\none*.x", &error), 3) << error;
  FILETIME before{};
  HANDLE h = CreateFileA("D:\\PATCH\\bin\\y.DLL", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  GetFileTime(h, nullptr, nullptr, &before);
  CloseHandle(h);
  ASSERT_EQ(ExtractPackageToDir("D:\\PATCH\\core.pkg", "C:\\TEMP\\stp1", &error), 3) << error;
  EXPECT_EQ(ReadHostFile("c/TEMP/stp1/bin/x.dll"), "x bytes");
  EXPECT_EQ(ReadHostFile("c/TEMP/stp1/bin/y.DLL"), "y bytes, longer");
  EXPECT_FALSE(HostExists("c/TEMP/stp1/bin/notes.txt"));
  FILETIME after{};
  h = CreateFileA("C:\\TEMP\\stp1\\bin\\y.dll", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  GetFileTime(h, nullptr, nullptr, &after);
  CloseHandle(h);
  EXPECT_EQ(CompareFileTime(&before, &after), 0);
  // Names match without regard to case.
  EXPECT_EQ(ExtractPackageFile("D:\\PATCH\\core.pkg", "BIN\\X.DLL", "C:\\TEMP\\x-again.dll", &error), 1);
  EXPECT_EQ(ReadHostFile("c/TEMP/x-again.dll"), "x bytes");
  EXPECT_EQ(ExtractPackageFile("D:\\PATCH\\core.pkg", "bin\\z.dll", "C:\\TEMP\\z.dll", &error), 0);
}

TEST_F(PackagesTest, AMissingPlainNameFailsTheBuildAndLeavesNoPackage) {
  std::string error;
  EXPECT_EQ(WritePackage("D:\\PATCH\\bad.pkg", "a.dll gone.dll", &error), -1);
  EXPECT_EQ(error, "Failed to add file: gone.dll");
  EXPECT_FALSE(HostExists("d/PATCH/bad.pkg"));
}

TEST_F(PackagesTest, DamagedOrHostilePackagesAreRefusedWhole) {
  std::string error;
  ASSERT_EQ(WritePackage("D:\\PATCH\\good.pkg", "a.dll bin\\x.dll", &error), 2);
  const std::string good = ReadHostFile("d/PATCH/good.pkg");
  const size_t contents = U32(good, 24);
  auto with = [&](size_t at, uint32_t v) {
    std::string b = good;
    std::memcpy(&b[at], &v, 4);
    return b;
  };
  std::string traversal = good;
  const size_t names = U32(good, 8);
  std::memcpy(&traversal[names], "..\\ll", 5);  // "a.dll" becomes "..\ll"
  std::string rooted = good;
  std::memcpy(&rooted[names], "C:\\ll", 5);
  std::string unterminated = good;
  unterminated[names + 15] = 'x';  // the last name loses its NUL
  struct Case {
    const char* what;
    std::string bytes;
    const char* error;
  } cases[] = {
      {"reserved word set", with(32, 0xDEADBEEF), ""},
      {"version 2", with(4, 2), "This program only supports version 1 PKG Files. File is 2"},
      {"signature", with(0, 0x12345678), "File is not a PKG File or is corrupt."},
      {"count that overflows", with(28, 0x08000000), "File is not a PKG File or is corrupt."},
      {"entry size past the data", with(contents + 8, 0x7FFFFFFF), "File is not a PKG File or is corrupt."},
      {"name offset past the strings", with(contents + 40, 0x1000), "File is not a PKG File or is corrupt."},
      {"strings past the end", with(8, 0xFFFFFF00), "File is not a PKG File or is corrupt."},
      {"a name climbing out", traversal, "File is not a PKG File or is corrupt."},
      {"a name with a drive", rooted, "File is not a PKG File or is corrupt."},
      {"an unterminated name", unterminated, "File is not a PKG File or is corrupt."},
      {"too short", good.substr(0, 20), "Failed to read Index table."},
  };
  for (const Case& c : cases) {
    WriteHostFile("d/PATCH/case.pkg", c.bytes);
    auto pkg = OpenPackage("D:\\PATCH\\case.pkg", &error);
    EXPECT_EQ(pkg != nullptr, std::string(c.error).empty()) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }
  EXPECT_EQ(ExtractPackageToDir("D:\\PATCH\\none.pkg", "C:\\TEMP\\x", &error), 0);
  EXPECT_EQ(error, "Failed to open D:\\PATCH\\none.pkg");
  EXPECT_FALSE(HostExists("c/ll"));
}

TEST_F(PackagesTest, TheScriptBuildsOnePackagePerComponent) {
  WriteScript(
      "[Components]\nCore=Core\nExtra=Extra\n;Old=Old\nPlain=Plain\n"
      "[Core]\nUsePKG=core.pkg\n1=a.dll,,DEST,,UPDATE\n2=bin\\*.dll,,DEST,bin,ALWAYS\n"
      "[Extra]\nUsePKG=extra.pkg\n1=bin\\notes.txt,,DEST,,ALWAYS\n[Plain]\n1=a.dll,,DEST,,ALWAYS\n");
  EXPECT_TRUE(BuildPackagesFromIni(ScriptPath()));
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Created 2 Packages and added 4 total files\n");
  EXPECT_EQ(boxes[0].caption, "Package Creation Successful");
  std::string error;
  EXPECT_EQ(ExtractPackageToDir("D:\\PATCH\\extra.pkg", "C:\\TEMP\\e", &error), 1);
  WriteScript("[Components]\nCore=Core\n[Core]\nUsePKG=core.pkg\n1=\n");
  EXPECT_FALSE(BuildPackagesFromIni(ScriptPath()));
  EXPECT_EQ(win::script::MessageBoxLog().back().caption, "ERROR Reading File Source");
}

}  // namespace
}  // namespace setup
