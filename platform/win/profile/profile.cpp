// The private-profile calls over ini text files.
#include "win_profile.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "ini_file.h"
#include "win_kernel.h"
#include "win_paths.h"

using win::ini::FolderWriteLock;
using win::ini::IniFile;

namespace {

constexpr const char* kWinIni = "win.ini";

// Bare names live in the settings folder; anything with a folder or drive
// goes through the path mapping.
bool IniHostPath(LPCSTR file, std::string* out) {
  if (!file || !*file) return false;
  std::string name = file;
  if (name.find_first_of("\\/:") == std::string::npos)
    name = win::paths::SettingsFolder() + "\\" + name;
  *out = win::paths::ToHost(name);
  return true;
}

DWORD CopyText(std::string v, LPSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  size_t nul = v.find('\0');
  if (nul != std::string::npos) v.resize(nul);
  size_t n = v.size() < size - 1 ? v.size() : size - 1;
  std::memcpy(buf, v.data(), n);
  buf[n] = '\0';
  return static_cast<DWORD>(n);
}

// NUL-separated names ending with an extra NUL; when they do not fit, the
// last one is cut and two NULs end the buffer (result size - 2).
DWORD CopyList(const std::vector<std::string>& items, LPSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  std::string all;
  for (const auto& it : items) {
    all += it;
    all += '\0';
  }
  if (all.size() + 1 <= size) {
    std::memcpy(buf, all.data(), all.size());
    buf[all.size()] = '\0';
    if (all.empty() && size >= 2) buf[1] = '\0';
    return static_cast<DWORD>(all.size());
  }
  if (size == 1) {
    buf[0] = '\0';
    return 0;
  }
  std::memcpy(buf, all.data(), size - 2);
  buf[size - 2] = '\0';
  buf[size - 1] = '\0';
  return size - 2;
}

std::string StripQuotes(std::string v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// Integer text as the original read it: blanks, a sign, decimal digits or
// "0x" and hexadecimal digits, up to the first other character.
UINT ParseProfileInt(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  uint32_t v = 0;
  if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    for (i += 2; i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])); ++i) {
      char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
      v = v * 16u + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
  } else {
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10u + static_cast<uint32_t>(s[i] - '0');
  }
  return neg ? 0u - v : v;
}

// Reads one file, or reports why not.
bool LoadForRead(LPCSTR file, IniFile* ini) {
  std::string path;
  if (!IniHostPath(file, &path)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!ini->Load(path)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  return true;
}

// Read, change and replace one file under the folder's write claim.
template <typename Edit>
BOOL EditFile(LPCSTR file, Edit edit) {
  std::string path;
  if (!IniHostPath(file, &path)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FolderWriteLock lock(path);
  IniFile ini;
  bool existed = ini.Load(path);
  if (!existed && access(path.c_str(), F_OK) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string before = existed ? ini.Text() : std::string();
  if (!edit(ini, existed)) return TRUE;  // nothing to change
  // Writing the same value again leaves the file alone: no rewrite, no sync.
  if (existed && ini.Text() == before) return TRUE;
  if (!ini.Save(path)) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

// A line break inside a name or value would split it into lines of its
// own and change the file's meaning.
bool BreaksLines(LPCSTR s) { return s && std::strpbrk(s, "\r\n") != nullptr; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  try {
    if (!lpReturnedString || nSize == 0) return 0;
    IniFile ini;
    LoadForRead(lpFileName, &ini);  // a missing file reads as empty
    if (!lpAppName) return CopyList(ini.SectionNames(), lpReturnedString, nSize);
    if (!lpKeyName) return CopyList(ini.KeyNames(lpAppName), lpReturnedString, nSize);
    std::string value;
    if (ini.Get(lpAppName, lpKeyName, &value)) return CopyText(StripQuotes(value), lpReturnedString, nSize);
    std::string def = lpDefault ? lpDefault : "";
    while (!def.empty() && def.back() == ' ') def.pop_back();
    return CopyText(def, lpReturnedString, nSize);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    if (lpReturnedString && nSize) lpReturnedString[0] = '\0';
    return 0;
  }
}

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
  try {
    if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
    IniFile ini;
    std::string value;
    if (!LoadForRead(lpFileName, &ini) || !ini.Get(lpAppName, lpKeyName, &value)) return static_cast<UINT>(nDefault);
    value = StripQuotes(value);
    if (value.empty()) return static_cast<UINT>(nDefault);
    return ParseProfileInt(value);
  } catch (...) {
    return static_cast<UINT>(nDefault);
  }
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
  try {
    if (!lpAppName) {
      if (!lpKeyName && !lpString) return TRUE;  // "flush": nothing is cached
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (BreaksLines(lpAppName) || BreaksLines(lpKeyName) || BreaksLines(lpString)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    return EditFile(lpFileName, [&](IniFile& ini, bool existed) {
      if (!lpKeyName) {
        if (!existed || !ini.HasSection(lpAppName)) return false;
        ini.DeleteSection(lpAppName);
      } else if (!lpString) {
        if (!existed) return false;
        ini.DeleteKey(lpAppName, lpKeyName);
      } else {
        ini.Set(lpAppName, lpKeyName, lpString);
      }
      return true;
    });
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

DWORD GetPrivateProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  try {
    if (!lpReturnedString || nSize == 0) return 0;
    if (!lpAppName) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return CopyList({}, lpReturnedString, nSize);
    }
    IniFile ini;
    LoadForRead(lpFileName, &ini);
    return CopyList(ini.SectionEntries(lpAppName), lpReturnedString, nSize);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

BOOL WritePrivateProfileSectionA(LPCSTR lpAppName, LPCSTR lpString, LPCSTR lpFileName) {
  try {
    if (!lpAppName || BreaksLines(lpAppName)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    std::vector<std::string> body;
    if (lpString) {
      for (const char* p = lpString; *p; p += std::strlen(p) + 1) {
        if (BreaksLines(p)) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return FALSE;
        }
        body.emplace_back(p);
      }
    }
    return EditFile(lpFileName, [&](IniFile& ini, bool existed) {
      if (!lpString) {
        if (!existed || !ini.HasSection(lpAppName)) return false;
        ini.DeleteSection(lpAppName);
      } else {
        ini.ReplaceSection(lpAppName, body);
      }
      return true;
    });
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

DWORD GetPrivateProfileSectionNamesA(LPSTR lpszReturnBuffer, DWORD nSize, LPCSTR lpFileName) {
  return GetPrivateProfileStringA(nullptr, nullptr, nullptr, lpszReturnBuffer, nSize, lpFileName);
}

BOOL GetPrivateProfileStructA(LPCSTR lpszSection, LPCSTR lpszKey, LPVOID lpStruct, UINT uSizeStruct,
                              LPCSTR szFile) {
  try {
    if (!lpszSection || !lpszKey || !lpStruct) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    IniFile ini;
    std::string text;
    if (!LoadForRead(szFile, &ini) || !ini.Get(lpszSection, lpszKey, &text)) return FALSE;
    if (text.size() != 2 * static_cast<size_t>(uSizeStruct) + 2) return FALSE;
    std::vector<unsigned char> bytes(uSizeStruct + 1);
    for (size_t i = 0; i < bytes.size(); ++i) {
      int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
      if (hi < 0 || lo < 0) return FALSE;
      bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    unsigned sum = 0;
    for (UINT i = 0; i < uSizeStruct; ++i) sum += bytes[i];
    if ((sum & 0xFFu) != bytes[uSizeStruct]) return FALSE;
    if (uSizeStruct) std::memcpy(lpStruct, bytes.data(), uSizeStruct);
    return TRUE;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

BOOL WritePrivateProfileStructA(LPCSTR lpszSection, LPCSTR lpszKey, LPCVOID lpStruct, UINT uSizeStruct,
                                LPCSTR szFile) {
  try {
    if (!lpszSection || !lpszKey) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (!lpStruct) return WritePrivateProfileStringA(lpszSection, lpszKey, nullptr, szFile);
    static const char kHex[] = "0123456789ABCDEF";
    const auto* p = static_cast<const unsigned char*>(lpStruct);
    std::string text;
    text.reserve(2 * static_cast<size_t>(uSizeStruct) + 2);
    unsigned sum = 0;
    for (UINT i = 0; i < uSizeStruct; ++i) {
      text += kHex[p[i] >> 4];
      text += kHex[p[i] & 15];
      sum += p[i];
    }
    text += kHex[(sum >> 4) & 15];
    text += kHex[sum & 15];
    return WritePrivateProfileStringA(lpszSection, lpszKey, text.c_str(), szFile);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

DWORD GetProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                        DWORD nSize) {
  return GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, kWinIni);
}
UINT GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault) {
  return GetPrivateProfileIntA(lpAppName, lpKeyName, nDefault, kWinIni);
}
BOOL WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString) {
  return WritePrivateProfileStringA(lpAppName, lpKeyName, lpString, kWinIni);
}
DWORD GetProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize) {
  return GetPrivateProfileSectionA(lpAppName, lpReturnedString, nSize, kWinIni);
}

DWORD GetPrivateProfileString(LPCSTR a, LPCSTR k, LPCSTR d, LPSTR r, DWORD n, LPCSTR f) {
  return GetPrivateProfileStringA(a, k, d, r, n, f);
}
UINT GetPrivateProfileInt(LPCSTR a, LPCSTR k, INT d, LPCSTR f) { return GetPrivateProfileIntA(a, k, d, f); }
BOOL WritePrivateProfileString(LPCSTR a, LPCSTR k, LPCSTR s, LPCSTR f) {
  return WritePrivateProfileStringA(a, k, s, f);
}
DWORD GetPrivateProfileSection(LPCSTR a, LPSTR r, DWORD n, LPCSTR f) { return GetPrivateProfileSectionA(a, r, n, f); }
BOOL WritePrivateProfileSection(LPCSTR a, LPCSTR s, LPCSTR f) { return WritePrivateProfileSectionA(a, s, f); }
DWORD GetPrivateProfileSectionNames(LPSTR r, DWORD n, LPCSTR f) { return GetPrivateProfileSectionNamesA(r, n, f); }
BOOL GetPrivateProfileStruct(LPCSTR s, LPCSTR k, LPVOID p, UINT n, LPCSTR f) {
  return GetPrivateProfileStructA(s, k, p, n, f);
}
BOOL WritePrivateProfileStruct(LPCSTR s, LPCSTR k, LPCVOID p, UINT n, LPCSTR f) {
  return WritePrivateProfileStructA(s, k, p, n, f);
}
DWORD GetProfileString(LPCSTR a, LPCSTR k, LPCSTR d, LPSTR r, DWORD n) { return GetProfileStringA(a, k, d, r, n); }
UINT GetProfileInt(LPCSTR a, LPCSTR k, INT d) { return GetProfileIntA(a, k, d); }
BOOL WriteProfileString(LPCSTR a, LPCSTR k, LPCSTR s) { return WriteProfileStringA(a, k, s); }
DWORD GetProfileSection(LPCSTR a, LPSTR r, DWORD n) { return GetProfileSectionA(a, r, n); }
