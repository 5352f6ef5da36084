// libFuzzer target over a whole installer run: the sample workstation and
// its update are made once; each input damages one file of the update
// folder (the first byte picks it among the folder's files in name order:
// the install script is replaced by the rest of the input, any other file
// is overwritten by it at the offset of the next two bytes) and the
// installer runs without questions on a fresh copy of the workstation.
// Nothing faults or hangs; the run ends with one of its exit codes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "installer_run.h"
#include "run_state.h"
#include "sample_patch.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"
#include "win/win_script.h"
#include "win/win_services.h"

namespace {

namespace fs = std::filesystem;

std::string Root() { return getenv("KELT_ROOT"); }

void StopMonitor() {
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (SC_HANDLE svc = OpenServiceA(scm, "ZephMonitor", SERVICE_ALL_ACCESS)) {
    win::services::SetStopDelay("ZephMonitor", 0);
    SERVICE_STATUS st{};
    ::ControlService(svc, SERVICE_CONTROL_STOP, &st);
    CloseServiceHandle(svc);
  }
  CloseServiceHandle(scm);
}

// The workstation and the update as made, kept beside the root.
const std::string& Pristine() {
  static const std::string pristine = [] {
    fuzz::UseOwnRoot();
    setenv("TEMP", "C:\\TEMP", 1);
    CreateDirectoryA("C:\\TEMP", nullptr);
    setup::MakeSampleWorkstation();
    setup::MakeSamplePatch();
    StopMonitor();
    static std::string copy;
    copy = Root() + "-pristine";
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(copy, ignored);
    });
    std::error_code ec;
    fs::remove_all(copy, ec);
    fs::copy(Root(), copy, fs::copy_options::recursive, ec);
    return copy;
  }();
  return pristine;
}

void Restore() {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(Root(), ec)) fs::remove_all(e.path(), ec);
  fs::copy(Pristine(), Root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
}

std::vector<fs::path> PatchFiles() {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(Root() + "/d/PATCH", ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Pristine();
  if (size < 1) return 0;
  StopMonitor();
  Restore();
  const std::vector<fs::path> files = PatchFiles();
  if (files.empty()) return 0;
  const fs::path& target = files[data[0] % files.size()];
  ++data, --size;
  if (target.filename() == "setup.ini") {
    fuzz::WriteBytes(target.string(), data, size);
  } else if (size >= 2) {
    std::string bytes = fuzz::ReadBytes(target.string());
    const size_t at = (data[0] | data[1] << 8) % (bytes.size() + 1);
    data += 2, size -= 2;
    const std::string patch(reinterpret_cast<const char*>(data), size);
    bytes.replace(at, std::min(patch.size(), bytes.size() - at), patch);
    fuzz::WriteBytes(target.string(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  win::script::ResetLogs();
  setup::ResetRun();
  const int code = setup::RunSetup(GetModuleHandleA(nullptr), "D:\\PATCH\\setup.exe", "/a");
  fuzz::Check(code == 0 || code == 1 || code == setup::kFailedExitCode, "an unknown exit code");
  StopMonitor();
  return 0;
}

// Seeds: the update's own script, and each other file left as it is.
extern "C" int KeltFuzzSeeds(const char* folder) {
  Pristine();
  Restore();
  const std::vector<fs::path> files = PatchFiles();
  for (size_t i = 0; i < files.size(); ++i) {
    std::string bytes(1, char(i));
    if (files[i].filename() == "setup.ini") bytes += fuzz::ReadBytes(files[i].string());
    else bytes += std::string("\x10\x00", 2) + "damage";
    fuzz::WriteBytes(std::string(folder) + "/file-" + std::to_string(i), reinterpret_cast<const uint8_t*>(bytes.data()),
                     bytes.size());
  }
  return 0;
}
