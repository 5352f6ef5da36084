// libFuzzer target over the sectioned-file store: the input is a whole
// file. Whatever it holds, every call answers without crashing or hanging;
// a section reads back at most its size, stopping for good at damage; and
// where the file takes a write, the bytes read back as written.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "orvik32/orvik32_faults.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kPath[] = "C:\\FUZZ\\input.kms";

void ReadAll(const char* path, const char* name) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return;
  // What the open handle tells of its file is what the path tells.
  uint16_t viaHandle = 0, viaPath = 0;
  const int32_t type = GetSectionFileTypeOfSection(s, &viaHandle);
  if (type != -1) {
    fuzz::Check(type == GetSectionFileType(path, &viaPath) && viaHandle == viaPath, "the head read two ways differs");
  }
  for (const char* other : {name, "MSData", "LogFile", "no such section"})
    fuzz::Check(SectionExistsBeside(s, path, other) == SectionExists(path, other), "a section's presence differs");
  const uint32_t size = GetSectionSize(s);
  std::vector<uint8_t> buf(65536);
  uint64_t total = 0;
  for (;;) {
    const uint32_t n = ReadSection(s, buf.data(), static_cast<uint32_t>(buf.size()));
    fuzz::Check(n <= buf.size(), "a read beyond the count asked");
    if (n == 0) break;
    total += n;
    fuzz::Check(total <= size, "a read beyond the section's size");
  }
  // Damage deep inside a section shows when it is read: the reading stops
  // there, for good, with nothing made up.
  if (total < size) fuzz::Check(ReadSection(s, buf.data(), 1) == 0, "a read went on past damage");
  fuzz::Check(SeekSection(s, 0, 2) == size, "the end is not at the size");
  fuzz::Check(ReadSection(s, buf.data(), 1) == 0, "bytes past the end");
  CloseSection(s);
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
  return s;
}

}  // namespace

// Parts this small put the written section, and sections of the seeds, in
// parts.
constexpr uint32_t kPartSize = 1024;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  SetSectionPartSize(kPartSize);
  const std::string host = win::paths::ToHost(kPath);
  // A new file each time, so that nothing pooled for the last one is reused.
  // Nor a journal or log of the last one (reports files outside the
  // temporary folder keep a log).
  win::facts::RemoveFile(kPath);
  for (const char* tail : {"-journal", "-wal", "-shm"}) win::facts::RemoveFile(std::string(kPath) + tail);
  fuzz::WriteBytes(host, data, size);

  uint16_t format = 0;
  const int32_t type = GetSectionFileType(kPath, &format);
  if (type != -1) fuzz::Check(IsSectionFileOfType(kPath, type) != 0, "the type read two ways differs");
  const HSECTFILE file = OpenSectionFile(kPath, nullptr, SECTION_FILE_READ, 3);
  if (file != -1) CloseSectionFile(file);

  if (HSECTION listing = FindSectionsByStem(kPath, "")) {
    const int32_t n = CountSectionMatches(listing);
    fuzz::Check(n >= 0, "a negative count");
    for (int32_t i = 0; i < n && i < 64; ++i) {
      char name[300] = {};
      if (GetSectionMatchName(listing, i, name, sizeof name)) ReadAll(kPath, name);
    }
    CloseSection(listing);
  }
  if (HSECTION info = OpenFileInfo(kPath, 1)) {
    GetFileInfoLong(info, 0, FILE_INFO_POINT_COUNT);
    CloseFileInfo(info);
  }

  // A write either fails or reads back whole.
  const std::string pattern = Pattern(3000);
  if (HSECTION s = CreateSection(kPath, "FuzzWritten", nullptr)) {
    const bool wrote = WriteSection(s, pattern.data(), static_cast<uint32_t>(pattern.size())) == pattern.size();
    if (CloseSection(s) && wrote) {
      HSECTION r = OpenSectionReadOnly(kPath, "FuzzWritten", nullptr);
      fuzz::Check(r != nullptr, "a committed section is missing");
      std::string back(GetSectionSize(r), '\0');
      fuzz::Check(back.size() == pattern.size(), "a committed section has another size");
      fuzz::Check(ReadSection(r, back.data(), static_cast<uint32_t>(back.size())) == back.size() && back == pattern,
                  "a committed section reads back other bytes");
      CloseSection(r);
    }
  }
  return 0;
}

// Seeds: store files as the workstation writes them.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  SetSectionPartSize(kPartSize);
  struct Seed {
    const char* name;
    int32_t type;
    std::vector<std::pair<std::string, std::string>> sections;
  };
  const Seed seeds[] = {
      {"empty-store.kms", 790, {}},
      {"small-sections.kms", 23, {{"MSRHeader", std::string(256, 'h')}, {"LogFile", "line one\r\nline two\r\n"}, {"Empty", ""}}},
      {"big-section.kms", 666, {{"MSData", Pattern(200000)}, {"Method.1.1.1", Pattern(900)}}},
      {"parted-sections.kms", 1, {{"MSData", Pattern(5000)}, {"LogFile", Pattern(2049)}, {"Small", "s"}}},
  };
  for (const Seed& s : seeds) {
    const std::string path = std::string("C:\\FUZZ\\") + s.name;
    if (!CreateSectionFileAtPath(path.c_str(), s.type, 0, 0x0102)) return 1;
    for (const auto& [name, bytes] : s.sections) {
      HSECTION h = CreateSection(path.c_str(), name.c_str(), nullptr);
      if (!h) return 1;
      if (!bytes.empty()) WriteSection(h, bytes.data(), static_cast<uint32_t>(bytes.size()));
      if (!CloseSection(h)) return 1;
    }
    SetFileInfoLong(path.c_str(), FILE_INFO_POINT_COUNT, 1234);
    const std::string bytes = fuzz::ReadBytes(win::paths::ToHost(path));
    const std::string out = std::string(folder) + "/" + s.name;
    fuzz::WriteBytes(out, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
