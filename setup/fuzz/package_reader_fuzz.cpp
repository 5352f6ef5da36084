// libFuzzer target over package files: the input is a whole package. An
// opened package is extracted into a fresh folder; nothing may be written
// outside it, and every entry extracted has the size its entry states.
#include <cstdint>
#include <filesystem>
#include <string>

#include "packages.h"
#include "win/win_kernel.h"
#include "testing/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  namespace fs = std::filesystem;
  const std::string root = getenv("KELT_ROOT");
  std::error_code ec;
  fs::remove_all(root + "/c/FUZZ/out", ec);
  fs::create_directories(root + "/c/FUZZ/out");
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\in.pkg"), data, size);
  std::string error;
  auto pkg = setup::OpenPackage("C:\\FUZZ\\in.pkg", &error);
  if (!pkg) {
    fuzz::Check(!error.empty(), "a refused package without a reason");
    return 0;
  }
  for (size_t i = 0; i < pkg->contents.size() && i < 32; ++i)
    fuzz::Check(setup::SafeEntryName(pkg->Name(i)), "an unsafe entry name was accepted");
  setup::ClosePackage(pkg);
  setup::ExtractPackageToDir("C:\\FUZZ\\in.pkg", "C:\\FUZZ\\out", &error);
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string p = e.path().string();
    if (e.is_directory() || p.rfind(root + "/c/FUZZ/", 0) == 0) continue;
    fuzz::Check(false, "a file was written outside the extraction folder");
  }
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\a.dll"), reinterpret_cast<const uint8_t*>("MZ library"), 10);
  std::filesystem::create_directories(win::paths::ToHost("C:\\FUZZ\\bin"));
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\bin\\b.txt"), reinterpret_cast<const uint8_t*>("text"), 4);
  std::string error;
  setup::WritePackage("C:\\FUZZ\\seed.pkg", "C:\\FUZZ\\a.dll", &error);
  SetCurrentDirectoryA("C:\\FUZZ");
  setup::WritePackage("C:\\FUZZ\\seed2.pkg", "a.dll bin\\*.txt", &error);
  for (const char* name : {"seed.pkg", "seed2.pkg"}) {
    const std::string bytes = fuzz::ReadBytes(win::paths::ToHost(std::string("C:\\FUZZ\\") + name));
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
