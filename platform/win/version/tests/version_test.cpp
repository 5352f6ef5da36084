// Version blocks stamped onto files and read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/workstation_root.h"
#include "win/win_version.h"

namespace {

using VersionTest = WorkstationRootTest;

bool Fixed(const char* path, VS_FIXEDFILEINFO* out) {
  DWORD handle = 0;
  const DWORD n = GetFileVersionInfoSizeA(path, &handle);
  if (!n) return false;
  std::vector<BYTE> block(n);
  if (!GetFileVersionInfoA(path, handle, n, block.data())) return false;
  void* fixed = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(block.data(), "\\", &fixed, &len) || len != sizeof(VS_FIXEDFILEINFO)) return false;
  *out = *static_cast<VS_FIXEDFILEINFO*>(fixed);
  return true;
}

TEST_F(VersionTest, AStampReadsBackAndARestampReplacesIt) {
  const std::string program("MZ\0\0program bytes", 17);
  WriteHostFile("c/a.dll", program);
  VS_FIXEDFILEINFO f{};
  EXPECT_FALSE(Fixed("C:\\a.dll", &f));
  ASSERT_TRUE(win::version::StampFileVersion("C:\\a.dll", win::version::MakeVersionMS(6, 2),
                                             win::version::MakeVersionLS(31, 7), VS_FF_PATCHED));
  ASSERT_TRUE(Fixed("C:\\a.dll", &f));
  EXPECT_EQ(f.dwFileVersionMS, 0x00060002u);
  EXPECT_EQ(f.dwFileVersionLS, 0x001F0007u);
  EXPECT_EQ(f.dwFileFlags, VS_FF_PATCHED);
  ASSERT_TRUE(win::version::StampFileVersion("C:\\a.dll", 0x00070000u, 0, 0));
  ASSERT_TRUE(Fixed("C:\\a.dll", &f));
  EXPECT_EQ(f.dwFileVersionMS, 0x00070000u);
  // The content before the block is untouched and the block appears once.
  const std::string bytes = ReadHostFile("c/a.dll");
  EXPECT_EQ(bytes.substr(0, 17), program);
  EXPECT_EQ(bytes.size(), 17u + 92u + 12u);
}

TEST_F(VersionTest, DamagedTailsGiveNoVersion) {
  const std::string magic = "KVERINFO";
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"length past the start", std::string("\xFF\x00\x00\x00", 4) + magic},
      {"zero length", std::string("\0\0\0\0", 4) + magic},
      {"block not a version root", std::string(92, 'x') + std::string("\x5C\x00\x00\x00", 4) + magic},
      {"only the magic", magic},
  };
  for (const Case& c : cases) {
    WriteHostFile("c/b.dll", c.bytes);
    VS_FIXEDFILEINFO f{};
    EXPECT_FALSE(Fixed("C:\\b.dll", &f)) << c.what;
  }
}

}  // namespace
