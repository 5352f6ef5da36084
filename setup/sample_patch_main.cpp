// Writes a sample workstation (C:\Workstation, version 6.2 SP1) and a
// service-pack update for it (D:\PATCH) under KELT_ROOT, and puts this
// build's "setup" program and its uninstaller into the update's folder.
//   setup_sample_patch [damaged]
#include <cstdio>
#include <filesystem>
#include <string>

#include "sample_patch.h"
#include "win/win_paths.h"

int main(int argc, char** argv) {
  win::paths::ResetRoot();
  const bool damaged = argc > 1 && std::string(argv[1]) == "damaged";
  if (!setup::MakeSampleWorkstation() ||
      !setup::MakeSamplePatch(damaged ? setup::SampleFault::kDamagedThirdPackage : setup::SampleFault::kNone)) {
    std::fprintf(stderr, "the sample could not be written under %s\n", win::paths::Root().c_str());
    return 1;
  }
  namespace fs = std::filesystem;
  const fs::path self = fs::canonical("/proc/self/exe");
  std::error_code ec;
  fs::copy_file(self.parent_path() / "setup", win::paths::ToHost("D:\\PATCH\\setup"),
                fs::copy_options::overwrite_existing, ec);
  // The update's uninstaller: installed into the workstation by the run.
  if (!ec)
    fs::copy_file(self.parent_path() / "uninstal", win::paths::ToHost("D:\\PATCH\\uninstal.exe"),
                  fs::copy_options::overwrite_existing, ec);
  if (ec) {
    std::fprintf(stderr, "setup could not be copied next to the update: %s\n", ec.message().c_str());
    return 1;
  }
  std::printf("workstation: %s\nupdate:      %s\nrun:         KELT_ROOT=%s %s /a\nundo:        KELT_ROOT=%s %s \"%s\"\n",
              win::paths::ToHost("C:\\Workstation").c_str(), win::paths::ToHost("D:\\PATCH").c_str(),
              win::paths::Root().c_str(), win::paths::ToHost("D:\\PATCH\\setup").c_str(), win::paths::Root().c_str(),
              win::paths::ToHost("D:\\PATCH\\uninstal.exe").c_str(), setup::kSampleTitle);
  return 0;
}
