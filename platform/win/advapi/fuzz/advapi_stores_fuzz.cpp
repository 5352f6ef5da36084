// libFuzzer target over the registry hive and the access-list store: the
// input is taken as a hive file and as the access store. Every key and
// value found is opened and queried with buffers of several sizes; a
// value either reads back within its buffer or is refused.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "testing/fuzz_support.h"
#include "win/win_profile.h"
#include "win/win_registry.h"
#include "win/win_security.h"

namespace {
std::vector<std::string> Split(const std::vector<char>& buf, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n && i < buf.size() && buf[i];) {
    std::string s(&buf[i]);
    i += static_cast<DWORD>(s.size()) + 1;
    out.push_back(std::move(s));
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  std::filesystem::create_directories(win::paths::ToHost("C:\\WINDOWS\\REGISTRY"));
  std::filesystem::create_directories(win::paths::ToHost("C:\\WINDOWS\\SECURITY"));
  fuzz::WriteBytes(win::paths::ToHost("C:\\WINDOWS\\REGISTRY\\USERS.HIV"), data, size);
  fuzz::WriteBytes(win::paths::ToHost("C:\\WINDOWS\\SECURITY\\ACCESS.INI"), data, size);
  const char* hive = "C:\\WINDOWS\\REGISTRY\\USERS.HIV";
  std::vector<char> names(16384);
  int tried = 0;
  for (const std::string& section :
       Split(names, GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), hive))) {
    win::security::AccessList(section.c_str());
    HKEY key;
    if (RegOpenKeyExA(HKEY_USERS, section.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    std::vector<char> lines(16384);
    for (const std::string& line :
         Split(lines, GetPrivateProfileSectionA(section.c_str(), lines.data(), static_cast<DWORD>(lines.size()), hive))) {
      const std::string name = line.substr(0, line.find('='));
      for (DWORD room : {0u, 1u, 4u, 64u}) {
        std::vector<BYTE> buf(room + 8, 0xAB);
        DWORD got = room, type = 0;
        const LSTATUS s = RegQueryValueExA(key, name.c_str(), nullptr, &type, room ? buf.data() : nullptr, &got);
        for (size_t i = room; i < buf.size(); ++i) fuzz::Check(buf[i] == 0xAB, "a value was written past its buffer");
        if (s == ERROR_SUCCESS && room) fuzz::Check(got <= room, "a value longer than its buffer was accepted");
      }
      if (++tried > 64) break;
    }
    RegCloseKey(key);
  }
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string hive =
      "[Software]\r\n<key>=1\r\n[Software\\Corvane, Inc.]\r\n<key>=1\r\nWSSecsrvPath=1:433A5C00\r\n@=4:01000000\r\n";
  fuzz::WriteBytes(std::string(folder) + "/hive.ini", reinterpret_cast<const uint8_t*>(hive.data()), hive.size());
  const std::string acl = "[C:\\WORKSTATION]\r\nAuthenticated Users=grant,001301BF,3\r\nGuests=deny,10000000,0\r\n";
  fuzz::WriteBytes(std::string(folder) + "/access.ini", reinterpret_cast<const uint8_t*>(acl.data()), acl.size());
  return 0;
}
