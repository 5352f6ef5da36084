// libFuzzer target over private-profile records: the input is an ini
// file's text. Every value is read as a whole record of the size its text
// implies (and of the sizes around it): a refused record leaves the
// caller's bytes untouched, nothing is written past the record, and an
// accepted record written again stores the same text and reads back the
// same bytes.
#include <strings.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "testing/fuzz_support.h"
#include "win/win_profile.h"

namespace {

const char kIn[] = "C:\\FUZZ\\in.ini";
const char kOut[] = "C:\\FUZZ\\out.ini";

// NUL-separated names, as the profile calls return them.
std::vector<std::string> Split(const std::vector<char>& buf, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n && buf[i];) {
    std::string s(&buf[i]);
    i += static_cast<DWORD>(s.size()) + 1;
    out.push_back(std::move(s));
  }
  return out;
}

void TryRecord(const std::string& section, const std::string& key, const std::string& text, UINT size) {
  constexpr uint8_t kFill = 0xAB;
  std::vector<uint8_t> buf(size + 16, kFill);
  const BOOL ok = GetPrivateProfileStructA(section.c_str(), key.c_str(), buf.data(), size, kIn);
  for (size_t i = size; i < buf.size(); ++i) fuzz::Check(buf[i] == kFill, "written past the record");
  if (!ok) {
    for (UINT i = 0; i < size; ++i) fuzz::Check(buf[i] == kFill, "a refused record was changed");
    return;
  }
  fuzz::Check(WritePrivateProfileStructA(section.c_str(), key.c_str(), buf.data(), size, kOut) != 0,
              "an accepted record cannot be written");
  char stored[4096] = {};
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "", stored, sizeof stored, kOut);
  fuzz::Check(strcasecmp(stored, text.c_str()) == 0, "an accepted record re-encodes to other text");
  std::vector<uint8_t> again(size + 1, 0);
  fuzz::Check(GetPrivateProfileStructA(section.c_str(), key.c_str(), again.data(), size, kOut) != 0 &&
                  std::memcmp(again.data(), buf.data(), size) == 0,
              "a written record reads back other bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  fuzz::WriteBytes(win::paths::ToHost(kIn), data, size);
  fuzz::WriteBytes(win::paths::ToHost(kOut), nullptr, 0);
  std::vector<char> names(16384);
  const DWORD n = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), kIn);
  fuzz::Check(n < names.size(), "section names past the buffer");
  int tried = 0;
  // Names holding a line break are refused by every writer.
  auto writable = [](const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; };
  for (const std::string& section : Split(names, n)) {
    if (!writable(section)) continue;
    std::vector<char> lines(16384);
    const DWORD m = GetPrivateProfileSectionA(section.c_str(), lines.data(), static_cast<DWORD>(lines.size()), kIn);
    for (const std::string& line : Split(lines, m)) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos || eq == 0) continue;
      const std::string key = line.substr(0, eq);
      if (!writable(key)) continue;
      char value[4096] = {};
      GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value, kIn);
      const size_t len = std::strlen(value);
      const UINT implied = len >= 2 ? static_cast<UINT>(len / 2 - 1) : 0;
      for (UINT s : {implied, implied + 1, implied ? implied - 1 : 0u, 1u, 4u}) {
        if (s == 0 || s > 1024) continue;
        TryRecord(section, key, value, s);
      }
      if (++tried > 40) return 0;
    }
  }
  return 0;
}

// Seeds: settings files with records as the workstation writes them.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const std::string file = "C:\\FUZZ\\seed.ini";
  struct Rec {
    double a;
    int32_t b;
    char name[12];
  } rec{3.25, -7, "Area"};
  WritePrivateProfileStructA("Integration", "Params", &rec, sizeof rec, file.c_str());
  const uint8_t flags[3] = {1, 0, 255};
  WritePrivateProfileStructA("Integration", "Flags", flags, sizeof flags, file.c_str());
  WritePrivateProfileStringA("Display", "Colour", "12", file.c_str());
  WritePrivateProfileStringA("Display", "Title", "Total ion", file.c_str());
  const std::string text = fuzz::ReadBytes(win::paths::ToHost(file));
  fuzz::WriteBytes(std::string(folder) + "/records.ini", reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return 0;
}
