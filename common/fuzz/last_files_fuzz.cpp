// libFuzzer target over "tolview4.ini", the stored last-used files: the
// input is the whole ini text. Whatever it holds, the record read from it
// keeps every path terminated, names only existing files, packs its lists,
// and writes back to a block that reads again to the same record.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/last_files.h"
#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

const char* const kFiles[] = {"C:\\FUZZ\\a.rpt", "C:\\FUZZ\\b.msp", "C:\\FUZZ\\c.xms", "C:\\FUZZ\\d.csv"};

void MakeFiles() {
  const std::filesystem::path ini(win::paths::ToHost(kelt::lib::LastFilesIniPath()));
  std::filesystem::create_directories(ini.parent_path());
  for (const char* f : kFiles) fuzz::WriteBytes(win::paths::ToHost(f), reinterpret_cast<const uint8_t*>("x"), 1);
}

void CheckPath(const char* field, bool* seenEmpty, bool inList) {
  fuzz::Check(std::memchr(field, 0, 260) != nullptr, "an unterminated path");
  if (!field[0]) {
    if (seenEmpty) *seenEmpty = true;
    return;
  }
  fuzz::Check(FileExists(field) != 0, "a path of a missing file");
  if (inList) fuzz::Check(!*seenEmpty, "a list with a gap");
}

void CheckRecord(const STRUCT_LAST_FILES& r) {
  const char(*lists[])[260] = {r.reportsFiles, r.mspFiles, r.mslFiles, r.libraryFiles};
  for (auto list : lists) {
    bool empty = false;
    for (int i = 0; i < 8; ++i) CheckPath(list[i], &empty, true);
  }
  for (const char* p : {r.textFile, r.methodFile, r.dataFile, r.dataFile2, r.csvFile, r.prnFile, r.txtFile,
                        r.bmpFile, r.wmfFile})
    CheckPath(p, nullptr, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  MakeFiles();
  const std::string ini = win::paths::ToHost(kelt::lib::LastFilesIniPath());
  fuzz::WriteBytes(ini, data, size);
  KELT_ReadLastFiles();
  const STRUCT_LAST_FILES first = *KELT_GetKeltLastFiles();
  CheckRecord(first);
  KELT_WriteLastFiles();
  KELT_ReadLastFiles();
  fuzz::Check(std::memcmp(&first, KELT_GetKeltLastFiles(), sizeof first) == 0, "a written record reads back otherwise");
  return 0;
}

// Seeds: a record as the library writes it, with a vanished entry.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  MakeFiles();
  auto* r = new STRUCT_LAST_FILES{};
  std::strcpy(r->reportsFiles[0], kFiles[0]);
  std::strcpy(r->reportsFiles[1], "C:\\FUZZ\\gone.rpt");
  std::strcpy(r->reportsFiles[2], kFiles[0]);
  std::strcpy(r->mspFiles[0], kFiles[1]);
  std::strcpy(r->dataFile, kFiles[2]);
  std::strcpy(r->csvFile, kFiles[3]);
  const char* ini = kelt::lib::LastFilesIniPath();
  WritePrivateProfileStructA("TolLastFiles", "Params", r, sizeof *r, ini);
  delete r;
  const std::string bytes = fuzz::ReadBytes(win::paths::ToHost(ini));
  fuzz::WriteBytes(std::string(folder) + "/stored-record", reinterpret_cast<const uint8_t*>(bytes.data()),
                   bytes.size());
  const std::string cut = bytes.substr(0, bytes.size() / 2);
  fuzz::WriteBytes(std::string(folder) + "/cut-record", reinterpret_cast<const uint8_t*>(cut.data()), cut.size());
  return 0;
}
