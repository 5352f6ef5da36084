// Loading libraries by Windows names.
#include <cstring>
#include <filesystem>

#include "kernel_test_root.h"

namespace {

typedef int (*AddFn)(int, int);
typedef int (*CountFn)();

class KernelModulesTest : public KernelRootTest {
 protected:
  static std::string BuiltTestModule() { return win::paths::BuiltLibraryFolder() + "/libkelttestmodule.so"; }
};

TEST_F(KernelModulesTest, LoadsByNameAndLooksUpFunctions) {
  ASSERT_TRUE(std::filesystem::exists(BuiltTestModule())) << BuiltTestModule();
  for (const char* name : {"KeltTestModule.dll", "kelttestmodule.DLL", "KELTTESTMODULE.drv", "KeltTestModule"}) {
    HMODULE m = LoadLibraryA(name);
    ASSERT_NE(m, nullptr) << name;
    auto add = ProcAs<AddFn>(GetProcAddress(m, "KeltTestModuleAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(GetProcAddress(m, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(7)), nullptr);  // no ordinals
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(m));
  }
}

TEST_F(KernelModulesTest, MissingLibraryIsAFailure) {
  for (const char* name : {"NoSuchLibrary.dll", "C:\\Workstation\\nosuch.dll", "NoSuchDriver.drv", ".dll"}) {
    EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << name;
  }
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetModuleHandleA("NoSuchLibrary.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(0x1234)));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(0x1234), "KeltTestModuleAdd"), nullptr);
}

TEST_F(KernelModulesTest, LoadsAreCountedAndShareOneCopy) {
  HMODULE a = LoadLibraryA("KeltTestModule.dll");
  HMODULE b = LoadLibraryA("C:\\Workstation\\KeltTestModule.dll");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(GetModuleHandleA("KELTTESTMODULE"), a);
  auto count = ProcAs<CountFn>(GetProcAddress(a, "KeltTestModuleCount"));
  const int before = count();
  EXPECT_TRUE(FreeLibrary(a));
  // Still loaded once: same state, same handle.
  EXPECT_EQ(GetModuleHandleA("kelttestmodule.dll"), a);
  auto again = ProcAs<CountFn>(GetProcAddress(b, "KeltTestModuleCount"));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again(), before + 1);
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_FALSE(FreeLibrary(b));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(KernelModulesTest, ProgramFolderComesFirst) {
  // A copy in the program folder under another name is found by that name,
  // also through a full path and in the current folder.
  // (A name no built library carries: only the copy below can answer it.)
  std::filesystem::copy_file(BuiltTestModule(), Host("c/Workstation/libpelmar32.so"));
  std::filesystem::create_directories(Host("c/Setup"));
  std::filesystem::copy_file(BuiltTestModule(), Host("c/Setup/Velmont6.so"));
  HMODULE p = LoadLibraryA("Pelmar32.dll");
  ASSERT_NE(p, nullptr);
  char name[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(p, name, sizeof name), 0u);
  EXPECT_STREQ(name, "C:\\Workstation\\Pelmar32.dll");
  HMODULE full = LoadLibraryA("c:\\workstation\\PELMAR32.DLL");
  EXPECT_EQ(full, p);
  FreeLibrary(full);
  FreeLibrary(p);

  EXPECT_EQ(LoadLibraryA("Velmont6.dll"), nullptr);
  HMODULE k = LoadLibraryA("C:\\Setup\\Velmont6.dll");
  ASSERT_NE(k, nullptr);
  GetModuleFileNameA(k, name, sizeof name);
  EXPECT_STREQ(name, "C:\\Setup\\Velmont6.dll");
  FreeLibrary(k);
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\Setup"));
  k = LoadLibraryA("VELMONT6.DLL");
  EXPECT_NE(k, nullptr);
  FreeLibrary(k);
}

TEST_F(KernelModulesTest, ModuleHandlesAndFileNames) {
  HMODULE self = GetModuleHandleA(nullptr);
  ASSERT_NE(self, nullptr);
  char name[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, name, sizeof name);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::strlen(name), n);
  EXPECT_EQ(std::string(name).rfind("C:\\Workstation\\", 0), 0u);
  // Cut to the buffer, terminated, with the size as the result.
  char small[6];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);
  // A library linked to the program is known by name without loading it.
  HMODULE win = GetModuleHandleA("WIN.DLL");
  ASSERT_NE(win, nullptr);
  EXPECT_NE(GetProcAddress(win, "GetLastError"), nullptr);
  EXPECT_TRUE(FreeLibrary(win));  // not loaded by name: nothing released
  EXPECT_EQ(GetModuleHandleA("win.dll"), win);
}

}  // namespace
