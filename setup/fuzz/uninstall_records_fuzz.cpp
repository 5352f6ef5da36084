// libFuzzer target over the uninstaller's records: the input's lines
// (split at LF) are the update's registry record, its backup folder first
// ("PatchDir") and then the numbered paths of the files it installed; a
// line starting with a byte below 0x20 is stored as a value of another
// type. A small workstation with a backup beside it is made afresh, and
// the update is undone. Nothing faults; the failures counted are at most
// the records read.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "installer_run.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"
#include "win/win_registry.h"

namespace {

namespace fs = std::filesystem;

const char kKey[] = "Software\\Corvane, Inc.\\PatchInstaller\\Fuzz Update";

void Put(const std::string& winPath, const std::string& bytes) {
  const std::string host = win::paths::ToHost(winPath);
  std::error_code ec;
  fs::create_directories(fs::path(host).parent_path(), ec);
  fuzz::WriteBytes(host, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  std::error_code ec;
  fs::remove_all(win::paths::ToHost("C:\\Workstation"), ec);
  Put("C:\\Workstation\\bin\\zeph.exe", "new program");
  Put("C:\\Workstation\\added.txt", "added by the update");
  Put("C:\\Workstation\\Patch000\\C\\WORKSTATION\\BIN\\zeph.exe", "old program");
  Put("C:\\Workstation\\Patch000\\zeph.val", "validation");
  HKEY key = nullptr;
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return 0;
  int records = 0;
  size_t start = 0;
  for (size_t i = 0; i <= size && records < 40; ++i) {
    if (i < size && data[i] != '\n') continue;
    std::string value(reinterpret_cast<const char*>(data + start), i - start);
    start = i + 1;
    const std::string name = records == 0 ? "PatchDir" : std::to_string(records);
    const DWORD type = !value.empty() && static_cast<unsigned char>(value[0]) < 0x20 ? REG_BINARY : REG_SZ;
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    ++records;
  }
  RegCloseKey(key);
  const int failures = setup::UninstallUpdate("Fuzz Update");
  fuzz::Check(failures >= -1 && failures <= records, "more failures than records");
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string a =
      "C:\\Workstation\\Patch000\nC:\\Workstation\\bin\\zeph.exe\nC:\\Workstation\\added.txt\nC:\\Workstation\\gone.dll";
  fuzz::WriteBytes(std::string(folder) + "/records", reinterpret_cast<const uint8_t*>(a.data()), a.size());
  const std::string b = "\x01binary\nrelative\\path.txt\n\n" + std::string(300, 'L');
  fuzz::WriteBytes(std::string(folder) + "/odd", reinterpret_cast<const uint8_t*>(b.data()), b.size());
  return 0;
}
