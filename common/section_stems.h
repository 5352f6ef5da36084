#pragma once
// Sections of a sectioned file (data or method file) found by the
// beginning of their names. A work-file record may be passed as the path:
// its path comes first.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

#pragma pack(push, 1)
// One module's section: the name carries the module id and address after
// the stem (" %[^.].%4hx.%4hx...").
struct STRUCT_SECTION_ENTRY {
  uint16_t moduleId;
  uint16_t moduleAddress;
  char name[32];         // the whole section name
  char description[40];  // empty as made; shown by Dlg_SelectSection when the title is empty
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_SECTION_ENTRY) == 76);

// Lives in memory only (it holds a pointer); both blocks come from the
// common allocator and go back through KELT_FreeSectionArray.
struct STRUCT_SECTION_ARRAY {
  int16_t count;
  char title[40];  // empty as made; when set, shown for every entry
  STRUCT_SECTION_ENTRY* entries;
};

// The number of sections whose names begin with stem (case counts); the
// first one's name goes to name (at least 80 bytes). 0 when there is none
// or the file cannot be listed.
KELT_API int16_t KELT_GetSectionNameFromStem(const char* path, const char* stem, char* name);
// The sections beginning with stem whose names carry a module id and
// address, in listing order. Null when no name begins with stem, the file
// cannot be listed or memory runs out; an array of count 0 when names
// matched but none carried a module.
KELT_API STRUCT_SECTION_ARRAY* KELT_GetSectionsFromStem(const char* path, const char* stem);
KELT_API void KELT_FreeSectionArray(STRUCT_SECTION_ARRAY* array);
