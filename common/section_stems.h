#pragma once
// Sections of a data file found by the beginning of their names.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

#pragma pack(push, 1)
struct STRUCT_SECTION_ENTRY {
  uint32_t size;   // bytes in the section
  char name[72];   // full section name
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_SECTION_ENTRY) == 76);

// Lives in memory only (it holds a pointer); both blocks come from the
// common allocator.
struct STRUCT_SECTION_ARRAY {
  int16_t count;
  STRUCT_SECTION_ENTRY* entries;
};

// The first section (by name) beginning with stem; its name goes to name
// (at least 72 bytes). 0 when there is none.
KELT_API BOOL KELT_GetSectionNameFromStem(const STRUCT_WORK_FILE* workFile, const char* stem, char* name);
// Every section beginning with stem, or null when there is none.
KELT_API STRUCT_SECTION_ARRAY* KELT_GetSectionsFromStem(const STRUCT_WORK_FILE* workFile, const char* stem);
KELT_API void KELT_FreeSectionArray(STRUCT_SECTION_ARRAY* array);
