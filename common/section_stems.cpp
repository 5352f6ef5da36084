// Sections of a data file found by the beginning of their names.
#include "common/section_stems.h"

#include <cstring>

#include "common/work_file.h"
#include "orvik32/orvik32.h"

namespace {

// Names that fit the entry; longer ones are skipped rather than cut, as a
// cut name would name another section.
bool FitName(HSECTION listing, int32_t index, char* name) {
  char buffer[256] = {};
  if (!GetSectionMatchName(listing, index, buffer, sizeof buffer)) return false;
  if (std::strlen(buffer) >= sizeof(STRUCT_SECTION_ENTRY::name)) return false;
  std::strcpy(name, buffer);
  return true;
}

}  // namespace

BOOL KELT_GetSectionNameFromStem(const STRUCT_WORK_FILE* workFile, const char* stem, char* name) {
  if (name) name[0] = 0;
  if (!workFile || !stem || !name) return FALSE;
  HSECTION listing = FindSectionsByStem(workFile->filePath, stem);
  if (!listing) return FALSE;
  BOOL found = FALSE;
  const int32_t n = CountSectionMatches(listing);
  for (int32_t i = 0; i < n && !found; ++i) found = FitName(listing, i, name) ? TRUE : FALSE;
  CloseSection(listing);
  return found;
}

STRUCT_SECTION_ARRAY* KELT_GetSectionsFromStem(const STRUCT_WORK_FILE* workFile, const char* stem) {
  if (!workFile || !stem) return nullptr;
  HSECTION listing = FindSectionsByStem(workFile->filePath, stem);
  if (!listing) return nullptr;
  int32_t n = CountSectionMatches(listing);
  if (n > 32767) n = 32767;
  STRUCT_SECTION_ARRAY* array = nullptr;
  if (n > 0) {
    array = static_cast<STRUCT_SECTION_ARRAY*>(AllocBlock(sizeof(STRUCT_SECTION_ARRAY)));
    auto* entries = static_cast<STRUCT_SECTION_ENTRY*>(AllocBlock(static_cast<uint32_t>(n) * sizeof(STRUCT_SECTION_ENTRY)));
    if (!array || !entries) {
      if (array) FreeBlock(array);
      if (entries) FreeBlock(entries);
      array = nullptr;
    } else {
      array->entries = entries;
      for (int32_t i = 0; i < n; ++i) {
        STRUCT_SECTION_ENTRY& e = entries[array->count];
        if (!FitName(listing, i, e.name)) continue;
        if (HSECTION s = OpenSectionReadOnly(workFile->filePath, e.name, nullptr)) {
          e.size = GetSectionSize(s);
          CloseSection(s);
        }
        ++array->count;
      }
      if (array->count == 0) {
        KELT_FreeSectionArray(array);
        array = nullptr;
      }
    }
  }
  CloseSection(listing);
  return array;
}

void KELT_FreeSectionArray(STRUCT_SECTION_ARRAY* array) {
  if (!array) return;
  if (array->entries) FreeBlock(array->entries);
  FreeBlock(array);
}
