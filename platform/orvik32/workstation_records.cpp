// The workstation's version, service-pack level, hot fixes and system
// strings, and text appended to configuration sections.
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32.h"
#include "section_store.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_registry.h"

namespace {

const char kWorkstation[] = "Corvane Zeph Workstation";
const char kHotFixes[] = "HotFixes";
const char kRegBase[] = "Software\\Corvane, Inc.\\Zeph Workstation";

std::string IniValue(const char* section, const char* key) {
  char buf[1024] = {};
  GetPrivateProfileStringA(section, key, "", buf, sizeof buf, GetWorkstationIniPath());
  return buf;
}

void CopyOut(const std::string& text, char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
}

}  // namespace

BOOL GetWSSoftwareRegKey(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return FALSE;
  buffer[0] = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegBase, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
  RegCloseKey(key);
  CopyOut(kRegBase, buffer, static_cast<size_t>(size));
  return TRUE;
}

const char* GetZephIni() { return GetWorkstationIniPath(); }

BOOL GetWorkStationVersion(char* buffer) {
  if (!buffer) return FALSE;
  const std::string v = IniValue(kWorkstation, "Version");
  CopyOut(v.empty() ? std::string() : "Version " + v, buffer, 64);
  return v.empty() ? FALSE : TRUE;
}

BOOL GetWSSysString(int32_t item, char* buffer) {
  if (!buffer) return FALSE;
  CopyOut(IniValue("System Strings", ("String" + std::to_string(item)).c_str()), buffer, 256);
  return TRUE;
}

int32_t GetWSServicePackLevel(int32_t* level) {
  const int32_t v = static_cast<int32_t>(
      GetPrivateProfileIntA(kWorkstation, "ServicePackLevel", 0, GetWorkstationIniPath()));
  if (level) *level = v;
  return v;
}

BOOL SetWSServicePackLevel(int32_t level) {
  if (level < 0) return FALSE;
  return WritePrivateProfileStringA(kWorkstation, "ServicePackLevel", std::to_string(level).c_str(),
                                    GetWorkstationIniPath());
}

BOOL AddHotFix(int32_t number, const char* text) {
  if (number <= 0 || !text || std::strpbrk(text, "\r\n")) return FALSE;
  const std::string value = std::to_string(GetCurrentDateTime()) + "," + text;
  return WritePrivateProfileStringA(kHotFixes, ("HotFix" + std::to_string(number)).c_str(), value.c_str(),
                                    GetWorkstationIniPath());
}

BOOL IsHotFixInstalled(int32_t number) {
  return number > 0 && !IniValue(kHotFixes, ("HotFix" + std::to_string(number)).c_str()).empty();
}

BOOL DeleteHotFix(int32_t number) {
  if (!IsHotFixInstalled(number)) return FALSE;
  return WritePrivateProfileStringA(kHotFixes, ("HotFix" + std::to_string(number)).c_str(), nullptr,
                                    GetWorkstationIniPath());
}

int32_t EnumWSHotFixes(int32_t previous, int32_t* time, char* text, int32_t size) {
  std::vector<char> keys(32768, 0);
  const DWORD n = GetPrivateProfileStringA(kHotFixes, nullptr, "", keys.data(), static_cast<DWORD>(keys.size()),
                                           GetWorkstationIniPath());
  int32_t best = 0;
  for (DWORD i = 0; i < n && keys[i];) {
    const std::string key(&keys[i]);
    i += static_cast<DWORD>(key.size()) + 1;
    if (key.size() <= 6 || strncasecmp(key.c_str(), "HotFix", 6) != 0) continue;
    char* end = nullptr;
    const long v = std::strtol(key.c_str() + 6, &end, 10);
    if (*end || v <= previous || v > 0x7FFFFFFF) continue;
    if (best == 0 || v < best) best = static_cast<int32_t>(v);
  }
  if (best == 0) return 0;
  const std::string value = IniValue(kHotFixes, ("HotFix" + std::to_string(best)).c_str());
  const size_t comma = value.find(',');
  if (time) *time = static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10));
  if (text && size > 0) CopyOut(comma == std::string::npos ? std::string() : value.substr(comma + 1), text,
                                static_cast<size_t>(size));
  return best;
}

BOOL IsAppSection(const char* configFile, const char* sectionName) {
  return configFile && sectionName && SectionExists(configFile, sectionName);
}

BOOL AppendFileToSection(const char* configFile, const char* textFile, const char* sectionName) {
  if (!configFile || !*configFile || !textFile || !sectionName) return FALSE;
  HANDLE h = CreateFileA(textFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  DWORD high = 0;
  const DWORD size = GetFileSize(h, &high);
  std::vector<char> bytes;
  bool ok = !high && size != INVALID_FILE_SIZE && size < (16u << 20);
  if (ok) {
    bytes.resize(size);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(h, bytes.data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(h);
  if (!ok) return FALSE;
  if (GetFileAttributesA(configFile) == INVALID_FILE_ATTRIBUTES &&
      !CreateSectionFileAtPath(configFile, 0, 0, 0))
    return FALSE;
  HSECTION s = SectionExists(configFile, sectionName) ? OpenSection(configFile, sectionName, nullptr)
                                                      : CreateSection(configFile, sectionName, nullptr);
  if (!s) return FALSE;
  const bool placed = SeekSection(s, 0, 2) != 0xFFFFFFFFu;
  const bool wrote = placed && (bytes.empty() ||
                                WriteSection(s, bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size());
  const BOOL closed = CloseSection(s);
  return wrote && closed ? TRUE : FALSE;
}
