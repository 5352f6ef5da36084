// Sections of a sectioned file found by the beginning of their names.
#include "common/section_stems.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "orvik32/orvik32.h"

namespace {

// Every section name of the file that begins with stem (case counts), in
// listing order; false when the file cannot be listed.
bool MatchingNames(const char* path, const char* stem, std::vector<std::string>& names) {
  names.clear();
  if (!path || !stem) return false;
  char information[260] = {};
  HSECTION listing = OpenSectionList(path, information);
  if (!listing) return false;
  const size_t stemLength = std::strlen(stem);
  for (int32_t at = NextSectionListEntry(listing, 0); at != 0; at = NextSectionListEntry(listing, at)) {
    char name[80] = {};
    if (!GetSectionMatchName(listing, at, name, sizeof name)) continue;
    name[sizeof name - 1] = 0;
    if (std::strncmp(name, stem, stemLength) == 0) names.emplace_back(name);
    if (names.size() >= 32767) break;
  }
  CloseSection(listing);
  return true;
}

}  // namespace

int16_t KELT_GetSectionNameFromStem(const char* path, const char* stem, char* name) {
  if (name) name[0] = 0;
  std::vector<std::string> names;
  if (!MatchingNames(path, stem, names) || names.empty()) return 0;
  if (name) {
    const size_t n = names[0].size() < 79 ? names[0].size() : 79;
    std::memcpy(name, names[0].data(), n);
    name[n] = 0;
  }
  return static_cast<int16_t>(names.size());
}

STRUCT_SECTION_ARRAY* KELT_GetSectionsFromStem(const char* path, const char* stem) {
  std::vector<std::string> names;
  if (!MatchingNames(path, stem, names) || names.empty()) return nullptr;
  auto* array = static_cast<STRUCT_SECTION_ARRAY*>(AllocBlock(sizeof(STRUCT_SECTION_ARRAY)));
  auto* entries =
      static_cast<STRUCT_SECTION_ENTRY*>(AllocBlock(static_cast<uint32_t>(names.size() * sizeof(STRUCT_SECTION_ENTRY))));
  if (!array || !entries) {
    if (array) FreeBlock(array);
    if (entries) FreeBlock(entries);
    return nullptr;
  }
  array->entries = entries;
  for (const std::string& name : names) {
    // A name too long for the entry would be cut into another section's name.
    if (name.size() >= sizeof(STRUCT_SECTION_ENTRY::name)) continue;
    uint16_t id = 0, address = 0;
    if (!KELT_FromSectionGetModuleIDAndAddress(name.c_str(), &id, &address)) continue;
    STRUCT_SECTION_ENTRY& e = entries[array->count++];
    e.moduleId = id;
    e.moduleAddress = address;
    std::memcpy(e.name, name.c_str(), name.size() + 1);
  }
  return array;
}

void KELT_FreeSectionArray(STRUCT_SECTION_ARRAY* array) {
  if (!array) return;
  if (array->entries) FreeBlock(array->entries);
  FreeBlock(array);
}
