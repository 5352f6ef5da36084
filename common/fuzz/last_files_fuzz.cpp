// libFuzzer target over the last-used-files list: the input is the stored
// record (padded or cut to its size, stored whole with a sound checksum), or,
// when its first byte is '[', the ini text itself. The record is read, a file
// added to each list, written and read again. Every path handed out ends
// within its field and names a file that exists; each list is packed; what
// was written reads back the same.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/last_files.h"
#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

const char* const kFiles[] = {"C:\\FUZZ\\a.msr", "C:\\FUZZ\\b.msp", "C:\\FUZZ\\c.msl", "C:\\FUZZ\\d.lib"};

void CheckList(const char (*list)[260]) {
  bool ended = false;
  for (int i = 0; i < 8; ++i) {
    fuzz::Check(std::memchr(list[i], 0, 260) != nullptr, "a path runs past its field");
    if (!list[i][0]) {
      ended = true;
      continue;
    }
    fuzz::Check(!ended, "a list with a gap");
    fuzz::Check(FileExists(list[i]) != 0, "a vanished file kept");
  }
}

void CheckRecord(const STRUCT_LAST_FILES& f) {
  CheckList(f.reportsFiles);
  CheckList(f.mspFiles);
  CheckList(f.mslFiles);
  CheckList(f.libraryFiles);
  for (const char* single : {f.textFile, f.methodFile, f.dataFile, f.dataFile2, f.csvFile, f.prnFile, f.txtFile,
                             f.bmpFile, f.wmfFile}) {
    fuzz::Check(std::memchr(single, 0, 260) != nullptr, "a path runs past its field");
    fuzz::Check(!single[0] || FileExists(single), "a vanished file kept");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static const bool made = [] {
    for (const char* f : kFiles) fuzz::WriteBytes(win::paths::ToHost(f), reinterpret_cast<const uint8_t*>("x"), 1);
    return true;
  }();
  (void)made;
  const char* ini = kelt::lib::LastFilesIniPath();
  if (size > 0 && data[0] == '[') {
    const std::string name = ini;
    const std::string path =
        name.find_first_of("\\/:") == std::string::npos ? win::paths::SettingsFolder() + "\\" + name : name;
    fuzz::WriteBytes(win::paths::ToHost(path), data, size);
  } else {
    STRUCT_LAST_FILES stored{};
    std::memcpy(&stored, data, size < sizeof stored ? size : sizeof stored);
    if (!WritePrivateProfileStructA("TolLastFiles", "Params", &stored, sizeof stored, ini)) return 0;
  }
  KELT_ReadLastFiles();
  CheckRecord(*KELT_GetKeltLastFiles());
  KELT_AddLastFile(kFiles[0]);
  KELT_AddLastMSPFile(kFiles[1]);
  KELT_AddLastMSLFile(kFiles[2]);
  KELT_AddLastLibraryFile(kFiles[3]);
  CheckRecord(*KELT_GetKeltLastFiles());
  const STRUCT_LAST_FILES written = *KELT_GetKeltLastFiles();
  fuzz::Check(std::strcmp(written.reportsFiles[0], kFiles[0]) == 0, "an added file is not first");
  KELT_WriteLastFiles();
  KELT_ReadLastFiles();
  const auto* a = reinterpret_cast<const uint8_t*>(&written);
  const auto* b = reinterpret_cast<const uint8_t*>(KELT_GetKeltLastFiles());
  for (size_t i = 0; i < sizeof written; ++i)
    if (a[i] != b[i]) {
      std::fprintf(stderr, "first difference at byte %zu (field %zu)\n", i, i / 260);
      break;
    }
  fuzz::Check(std::memcmp(&written, KELT_GetKeltLastFiles(), sizeof written) == 0, "the list reads back otherwise");
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  STRUCT_LAST_FILES f{};
  std::strcpy(f.reportsFiles[0], "C:\\FUZZ\\a.msr");
  std::strcpy(f.reportsFiles[1], "C:\\FUZZ\\gone.msr");
  std::strcpy(f.reportsFiles[2], "c:\\fuzz\\A.MSR");
  std::strcpy(f.mspFiles[0], "C:\\FUZZ\\b.msp");
  std::memset(f.mslFiles[0], 'q', 260);  // no terminator
  std::strcpy(f.dataFile, "C:\\FUZZ\\d.lib");
  fuzz::WriteBytes(std::string(folder) + "/record", reinterpret_cast<const uint8_t*>(&f), sizeof f);
  const std::string text = "[TolLastFiles]\r\nParams=0011AA\r\n";
  fuzz::WriteBytes(std::string(folder) + "/text", reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return 0;
}
