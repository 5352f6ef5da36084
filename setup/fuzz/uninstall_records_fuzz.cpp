// libFuzzer target over the records the uninstaller reads back: the first
// line of the input is the backup folder's record, every further line a
// file record (at most 64). Whatever they hold, the uninstaller names each
// record it cannot act on, puts back a file whose backup it has, and
// forgets the update only when nothing was left undone.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "installer_run.h"
#include "run_state.h"
#include "testing/fuzz_support.h"
#include "uninstall.h"
#include "win/win_registry.h"

namespace {

const char kTitle[] = "Fuzz Update";

void SetValue(HKEY key, const std::string& name, const std::string& value) {
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                 static_cast<DWORD>(value.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size && lines.size() <= 65; ++i) {
    if (data[i] == '\n') lines.emplace_back();
    else lines.back() += static_cast<char>(data[i]);
  }
  if (lines.size() > 65) lines.resize(65);
  // A workstation file with its backup, which a record may name.
  std::filesystem::create_directories(win::paths::ToHost("C:\\FUZZ\\W\\Patch000\\C\\FUZZ\\W"));
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\W\\a.dll"), reinterpret_cast<const uint8_t*>("new"), 3);
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\W\\Patch000\\C\\FUZZ\\W\\a.dll"), reinterpret_cast<const uint8_t*>("old"),
                   3);
  const std::string patchKey = setup::PatchRegistryKey(kTitle);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, patchKey.c_str());
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, patchKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return 0;
  SetValue(key, "PatchDir", lines[0]);
  for (size_t n = 1; n < lines.size(); ++n) SetValue(key, std::to_string(n), lines[n]);
  RegCloseKey(key);

  const setup::UninstallReport r = setup::UndoUpdate(kTitle);
  const std::string folder = lines[0].substr(0, strnlen(lines[0].c_str(), lines[0].size()));
  fuzz::Check(r.found == !folder.empty(), "the backup folder's record was misread");
  if (!r.found) return 0;
  fuzz::Check(r.restored.size() + r.removed.size() + r.problems.size() <= lines.size(),
              "more was reported than there were records");
  bool namesA = false;
  for (size_t n = 1; n < lines.size(); ++n)
    namesA = namesA || lines[n].substr(0, strnlen(lines[n].c_str(), lines[n].size())) == "C:\\FUZZ\\W\\a.dll";
  if (namesA && folder == "C:\\FUZZ\\W\\Patch000")
    fuzz::Check(fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\W\\a.dll")) == "old", "a backup was not put back");
  HKEY left;
  const bool kept = RegOpenKeyExA(HKEY_LOCAL_MACHINE, patchKey.c_str(), 0, KEY_READ, &left) == ERROR_SUCCESS;
  if (kept) RegCloseKey(left);
  fuzz::Check(kept == !r.problems.empty(), "the records were forgotten with something left undone, or kept");
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string seeds[] = {
      "C:\\FUZZ\\W\\Patch000\nC:\\FUZZ\\W\\a.dll\nC:\\FUZZ\\W\\b.dll\n",
      "C:\\FUZZ\\W\\Patch000\n" + std::string(330, 'x') + "\nrelative\\name\n\n",
  };
  int i = 0;
  for (const std::string& s : seeds)
    fuzz::WriteBytes(std::string(folder) + "/records" + std::to_string(i++),
                     reinterpret_cast<const uint8_t*>(s.data()), s.size());
  return 0;
}
