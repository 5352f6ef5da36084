// The registry over hive files: one ini text per root key, a section per
// key path. A key exists when its section holds the "<key>" mark; values
// are "<type>:<hex bytes>".
#include <strings.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kernel_object.h"
#include "win_kernel.h"
#include "win_profile.h"
#include "win_registry.h"

namespace {

constexpr const char* kKeyMark = "<key>";
constexpr DWORD kMaxValueText = 1u << 20;
constexpr LSTATUS kInvalidData = 13;

struct KeyObject : win::KernelObject {
  int root = 0;
  std::string path;
};

int RootIndex(HKEY key) {
  const ULONG_PTR v = reinterpret_cast<ULONG_PTR>(key);
  if (v >= 0x80000000u && v <= 0x80000005u && v != 0x80000004u) return static_cast<int>(v - 0x80000000u);
  return -1;
}

const char* RootName(int root) {
  static const char* const kNames[] = {"CLASSES_ROOT", "CURRENT_USER", "LOCAL_MACHINE", "USERS", "", "CURRENT_CONFIG"};
  return kNames[root];
}

std::string HivePath(int root) { return std::string("C:\\WINDOWS\\REGISTRY\\") + RootName(root) + ".HIV"; }

// Key paths: "\"-separated names, empty names dropped. False for names a
// hive section cannot hold.
bool Normalize(const std::string& in, std::string* out) {
  out->clear();
  std::string part;
  auto flush = [&] {
    if (part.empty()) return;
    if (!out->empty()) *out += '\\';
    *out += part;
    part.clear();
  };
  for (char c : in) {
    if (c == '\r' || c == '\n' || c == ']' || c == '[') return false;
    if (c == '\\') flush();
    else part += c;
  }
  flush();
  return out->size() < 512;
}

bool Resolve(HKEY key, LPCSTR subKey, int* root, std::string* path) {
  std::string base;
  const int r = RootIndex(key);
  if (r >= 0) {
    *root = r;
  } else {
    auto k = win::HandleTable::GetAs<KeyObject>(reinterpret_cast<HANDLE>(key));
    if (!k) return false;
    *root = k->root;
    base = k->path;
  }
  std::string joined = base;
  if (subKey && *subKey) joined += std::string("\\") + subKey;
  return Normalize(joined, path);
}

bool KeyExists(int root, const std::string& path) {
  if (path.empty()) return true;
  char mark[4] = {};
  GetPrivateProfileStringA(path.c_str(), kKeyMark, "", mark, sizeof mark, HivePath(root).c_str());
  return std::strcmp(mark, "1") == 0;
}

bool MarkKey(int root, const std::string& path) {
  CreateDirectoryA("C:\\WINDOWS\\REGISTRY", nullptr);
  size_t pos = 0;
  while (true) {
    const size_t slash = path.find('\\', pos);
    const std::string level = path.substr(0, slash);
    if (!KeyExists(root, level) &&
        !WritePrivateProfileStringA(level.c_str(), kKeyMark, "1", HivePath(root).c_str()))
      return false;
    if (slash == std::string::npos) return true;
    pos = slash + 1;
  }
}

HKEY NewHandle(int root, const std::string& path) {
  auto k = std::make_shared<KeyObject>();
  k->root = root;
  k->path = path;
  return reinterpret_cast<HKEY>(win::HandleTable::Add(k));
}

bool ValueNameOk(LPCSTR name, std::string* out) {
  std::string n = name ? name : "";
  if (n.empty()) {
    out->assign(1, '@');
    return true;
  }
  if (n.find_first_of("=\r\n") != std::string::npos || n[0] == ';' || n[0] == '[' || n == "@" || n == kKeyMark)
    return false;
  *out = n;
  return true;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "<type>:<hex>" into its parts; false for anything else.
bool DecodeValue(const std::string& text, DWORD* type, std::vector<BYTE>* bytes) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 10) return false;
  uint64_t t = 0;
  for (size_t i = 0; i < colon; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    t = t * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (t > 0xFFFFFFFFu) return false;
  const size_t hexLen = text.size() - colon - 1;
  if (hexLen % 2) return false;
  bytes->clear();
  for (size_t i = colon + 1; i < text.size(); i += 2) {
    const int hi = Hex(text[i]), lo = Hex(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes->push_back(static_cast<BYTE>(hi * 16 + lo));
  }
  *type = static_cast<DWORD>(t);
  return true;
}

}  // namespace

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                        LPDWORD disposition) {
  try {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    int root;
    std::string path;
    if (!Resolve(key, subKey, &root, &path)) return ERROR_INVALID_PARAMETER;
    const bool existed = KeyExists(root, path);
    if (!existed && !MarkKey(root, path)) return ERROR_ACCESS_DENIED;
    if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = NewHandle(root, path);
    return ERROR_SUCCESS;
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  try {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    int root;
    std::string path;
    if (!Resolve(key, subKey, &root, &path)) return ERROR_INVALID_PARAMETER;
    if (!KeyExists(root, path)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(root, path);
    return ERROR_SUCCESS;
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LSTATUS RegCloseKey(HKEY key) {
  if (RootIndex(key) >= 0) return ERROR_SUCCESS;
  auto k = win::HandleTable::GetAs<KeyObject>(reinterpret_cast<HANDLE>(key));
  if (!k) return ERROR_INVALID_HANDLE;
  win::HandleTable::Remove(reinterpret_cast<HANDLE>(key));
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
  try {
    int root;
    std::string path, name;
    if (!Resolve(key, nullptr, &root, &path) || !ValueNameOk(valueName, &name)) return ERROR_INVALID_PARAMETER;
    if (!data && size) return ERROR_INVALID_PARAMETER;
    if (size > kMaxValueText / 2) return ERROR_INVALID_PARAMETER;
    if (!KeyExists(root, path)) return ERROR_FILE_NOT_FOUND;
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = std::to_string(type) + ":";
    for (DWORD i = 0; i < size; ++i) {
      text += kDigits[data[i] >> 4];
      text += kDigits[data[i] & 15];
    }
    const std::string section = path.empty() ? std::string("\\") : path;
    if (path.empty()) MarkKey(root, section);
    return WritePrivateProfileStringA(section.c_str(), name.c_str(), text.c_str(), HivePath(root).c_str())
               ? ERROR_SUCCESS
               : ERROR_ACCESS_DENIED;
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  try {
    int root;
    std::string path, name;
    if (!Resolve(key, nullptr, &root, &path) || !ValueNameOk(valueName, &name)) return ERROR_INVALID_PARAMETER;
    if (data && !size) return ERROR_INVALID_PARAMETER;
    const std::string section = path.empty() ? std::string("\\") : path;
    if (!KeyExists(root, section)) return ERROR_FILE_NOT_FOUND;
    std::vector<char> text(kMaxValueText + 16, 0);
    GetPrivateProfileStringA(section.c_str(), name.c_str(), "", text.data(), static_cast<DWORD>(text.size()),
                             HivePath(root).c_str());
    if (!text[0]) return ERROR_FILE_NOT_FOUND;
    DWORD t = 0;
    std::vector<BYTE> bytes;
    if (!DecodeValue(text.data(), &t, &bytes)) return kInvalidData;
    if (type) *type = t;
    const DWORD need = static_cast<DWORD>(bytes.size());
    if (!data) {
      if (size) *size = need;
      return ERROR_SUCCESS;
    }
    const DWORD room = *size;
    *size = need;
    if (room < need) return ERROR_MORE_DATA;
    if (need) std::memcpy(data, bytes.data(), need);
    return ERROR_SUCCESS;
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
  int root;
  std::string path, name;
  if (!Resolve(key, nullptr, &root, &path) || !ValueNameOk(valueName, &name)) return ERROR_INVALID_PARAMETER;
  const std::string section = path.empty() ? std::string("\\") : path;
  char probe[4] = {};
  GetPrivateProfileStringA(section.c_str(), name.c_str(), "", probe, sizeof probe, HivePath(root).c_str());
  if (!probe[0]) return ERROR_FILE_NOT_FOUND;
  return WritePrivateProfileStringA(section.c_str(), name.c_str(), nullptr, HivePath(root).c_str())
             ? ERROR_SUCCESS
             : ERROR_ACCESS_DENIED;
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  int root;
  std::string path;
  if (!subKey || !*subKey || !Resolve(key, subKey, &root, &path) || path.empty()) return ERROR_INVALID_PARAMETER;
  if (!KeyExists(root, path)) return ERROR_FILE_NOT_FOUND;
  std::vector<char> names(65536, 0);
  const DWORD n = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), HivePath(root).c_str());
  const std::string prefix = path + "\\";
  for (DWORD i = 0; i < n && names[i];) {
    const std::string s(&names[i]);
    i += static_cast<DWORD>(s.size()) + 1;
    if (s.size() > prefix.size() && strncasecmp(s.c_str(), prefix.c_str(), prefix.size()) == 0)
      return ERROR_ACCESS_DENIED;  // sub-keys first
  }
  return WritePrivateProfileStringA(path.c_str(), nullptr, nullptr, HivePath(root).c_str()) ? ERROR_SUCCESS
                                                                                          : ERROR_ACCESS_DENIED;
}
