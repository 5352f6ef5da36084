// libFuzzer target over the version archive's records in a file. The first
// input byte picks what the rest replaces in a method file with a good
// archive of three versions: 0 the archive record, 1 the record of version
// 2; then every reader runs as the version dialog runs them. No read
// faults, a listing never runs past the archive's count, and an
// extraction that answers success leaves a whole sectioned file.
#include <cstdint>
#include <string>

#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"
#include "vennick/vennick.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

const char kPath[] = "C:\\FUZZ\\QUANT.MTH";
const char kOut[] = "C:\\FUZZ\\OUT.MTH";

bool Put(const char* path, const char* name, const std::string& bytes) {
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return false;
  if (!bytes.empty()) WriteSection(s, bytes.data(), uint32_t(bytes.size()));
  return CloseSection(s) != FALSE;
}

std::string Get(const char* path, const char* name) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return {};
  std::string out(GetSectionSize(s), '\0');
  if (!out.empty()) ReadSection(s, out.data(), uint32_t(out.size()));
  CloseSection(s);
  return out;
}

// A method archived three times, as the display library stores it.
bool BuildArchive(const char* path) {
  if (!CreateSectionFileAtPath(path, SECTION_FILE_TYPE_METHOD, 0, 1)) return false;
  if (CreateVersionArchive(path, path, "Created Audit Trail.") != VNK_OK) return false;
  for (int n = 1; n <= 3; ++n) {
    if (n > 1 && WriteVersionReason(path, ("Reason " + std::to_string(n) + "\r\nwith a second line").c_str()))
      return false;
    if (!Put(path, "Method.Quant", "compounds " + std::to_string(n)) ||
        !Put(path, "Peaks", std::string(size_t(300 * n), char('a' + n))))
      return false;
    if (CommitVersionTip(path) != VNK_OK) return false;
  }
  return true;
}

void ReadAll() {
  VERSION_ARCHIVE_INFO info;
  const int32_t got = GetVersionArchiveInfo(kPath, &info);
  VERSION_INFO_RECORD rec;
  int listed = 0;
  for (int32_t v = GetNextArchivedVersion(kPath, 0, &rec, sizeof rec); v && listed < 100;
       v = GetNextArchivedVersion(kPath, v, &rec, sizeof rec)) {
    fuzz::Check(got == VNK_OK && v >= 1 && v <= info.lastVersion, "a version past the archive's count");
    fuzz::Check(rec.date[sizeof rec.date - 1] == 0 && rec.user[sizeof rec.user - 1] == 0, "an unterminated fact");
    ++listed;
  }
  ReadTipVersionInfo(kPath, &rec, sizeof rec);
  for (int32_t v = 0; v <= 4; ++v) {
    if (HVERSIONTEXT t = OpenVersionText(kPath, v)) {
      char line[64];
      for (int i = 0; i < 1000 && ReadVersionTextLine(t, line, sizeof line) == 1; ++i)
        fuzz::Check(std::string(line).size() < sizeof line, "a line past its buffer");
      CloseVersionText(t);
    }
    win::facts::RemoveFile(kOut);
    if (ExtractArchivedVersion(kPath, v, kOut) == VNK_OK)
      fuzz::Check(IsSectionFileOfType(kOut, SECTION_FILE_TYPE_METHOD), "an extraction that is no method file");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  static const std::string pristine = [] {
    BuildArchive("C:\\FUZZ\\PRISTINE.MTH");
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.MTH"));
  }();
  win::facts::RemoveFile(kPath);
  fuzz::WriteBytes(win::paths::ToHost(kPath), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  const std::string record(reinterpret_cast<const char*>(data + 1), size - 1);
  Put(kPath, data[0] == 0 ? VNK_ARCHIVE_SECTION : "VnkVersion.2", record);
  ReadAll();
  return 0;
}

// Seeds: the good records and a few near them.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const char* path = "C:\\FUZZ\\SEED.MTH";
  if (!BuildArchive(path)) return 1;
  const std::string records[2] = {Get(path, VNK_ARCHIVE_SECTION), Get(path, "VnkVersion.2")};
  for (int kind = 0; kind < 2; ++kind) {
    const std::string good = std::string(1, char(kind)) + records[kind];
    const std::string base = std::string(folder) + "/" + (kind == 0 ? "archive" : "version");
    fuzz::WriteBytes(base, reinterpret_cast<const uint8_t*>(good.data()), good.size());
    const std::string cut = good.substr(0, good.size() / 2);
    fuzz::WriteBytes(base + "-cut", reinterpret_cast<const uint8_t*>(cut.data()), cut.size());
  }
  return 0;
}
