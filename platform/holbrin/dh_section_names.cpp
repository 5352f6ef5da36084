// Names of data-handling sections and listings of a file's sections.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dh_store.h"
#include "holbrin.h"

namespace {

constexpr size_t kMaxName = 63;  // callers keep names in 64-byte buffers

bool PlainText(const char* s, bool allowDot) {
  if (!s || !*s) return false;
  for (; *s; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if (std::isspace(c) || c < 0x20 || (!allowDot && c == '.')) return false;
  }
  return true;
}

}  // namespace

HOLBRIN_API BOOL BuildDHSectionName(char* buffer, const char* baseName, uint16_t moduleId,
                                    uint16_t moduleAddress, const char* tag) {
  if (!buffer) return FALSE;
  buffer[0] = '\0';
  // The base ends at the first '.', and the tag is read up to white space.
  if (!PlainText(baseName, false) || !PlainText(tag, true)) return FALSE;
  char name[kMaxName + 2];
  int n = std::snprintf(name, sizeof name, "%s.%04X.%04X.%s", baseName, unsigned(moduleId),
                        unsigned(moduleAddress), tag);
  if (n < 0 || size_t(n) > kMaxName) return FALSE;
  std::memcpy(buffer, name, size_t(n) + 1);
  return TRUE;
}

HOLBRIN_API BOOL ParseDHSectionName(const char* name, char* baseOut, int32_t baseSize,
                                    uint16_t* moduleId, uint16_t* moduleAddress, char* tagOut,
                                    int32_t tagSize) {
  if (!name || std::strlen(name) > kMaxName) return FALSE;
  char base[kMaxName + 1] = {}, tag[kMaxName + 1] = {};
  unsigned short id = 0, address = 0;
  if (std::sscanf(name, " %63[^.].%4hx.%4hx.%63s", base, &id, &address, tag) != 4) return FALSE;
  if (baseOut) {
    if (baseSize <= int32_t(std::strlen(base))) return FALSE;
    std::strcpy(baseOut, base);
  }
  if (tagOut) {
    if (tagSize <= int32_t(std::strlen(tag))) return FALSE;
    std::strcpy(tagOut, tag);
  }
  if (moduleId) *moduleId = id;
  if (moduleAddress) *moduleAddress = address;
  return TRUE;
}

HOLBRIN_API char* ListSectionNames(const char* path, const char* stem) {
  if (!path || !*path) return nullptr;
  uint16_t format = 0;
  if (GetSectionFileType(path, &format) < 0) return nullptr;
  std::vector<std::string> names;
  HSECTION listing = FindSectionsByStem(path, stem ? stem : "");
  if (listing) {
    int32_t count = CountSectionMatches(listing);
    for (int32_t i = 0; i < count; ++i) {
      char name[512] = {};
      if (!GetSectionMatchName(listing, i, name, sizeof name)) continue;
      size_t len = std::strlen(name);
      if (len == 0 || len >= 32) continue;  // does not fit a 32-byte slot
      if (len > 2 && std::strcmp(name + len - 2, "~w") == 0) continue;  // unfinished write
      names.emplace_back(name);
    }
    CloseSection(listing);
  }
  auto* block = static_cast<char*>(AllocBlock(uint32_t((names.size() + 1) * 32)));
  if (!block) return nullptr;
  for (size_t i = 0; i < names.size(); ++i) std::memcpy(block + i * 32, names[i].c_str(), names[i].size());
  return block;
}
