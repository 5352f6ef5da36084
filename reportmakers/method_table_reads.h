#pragma once
// Reads of a data file's data-handling tables that the display code shares
// with the report makers: the global table and the qualifier record of a
// compound (kept by the quantitation engine).
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "holbrin/dh_records.h"
#include "quorna/ms_lists.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

typedef STRUCT_DH_GLOBAL_PARAMS STRUCT_GLOBAL_TABLE;

#define QUALIFIER_RECORD_MAX_IONS 5

#pragma pack(push, 1)
// One qualifier ion of a compound's qualifier record.
struct QUALIFIER_ION {
  float retentionTime;          // the ion's actual retention time
  STRUCT_MASS_LIST massList;    // 4
  float abundance;              // 218
  uint8_t reserved222[34];
};
// A record of the quantitation engine's qualifier section.
struct STRUCT_QUALIFIER_RECORD {
  int32_t compoundId;
  uint8_t reserved4[8];
  uint16_t count;               // 12: qualifier ions
  uint8_t reserved14[8];
  QUALIFIER_ION ions[QUALIFIER_RECORD_MAX_IONS];  // 22
};
#pragma pack(pop)
static_assert(sizeof(QUALIFIER_ION) == 256);
static_assert(offsetof(QUALIFIER_ION, abundance) == 218);
static_assert(offsetof(STRUCT_QUALIFIER_RECORD, count) == 12);
static_assert(offsetof(STRUCT_QUALIFIER_RECORD, ions) == 22);
static_assert(sizeof(STRUCT_QUALIFIER_RECORD) == 1302);

// The data file's global table (module of the work file, tag "1"); 1 when
// it opened and was read.
KELT_API BOOL KELT_ReadGlobalTable(const STRUCT_WORK_FILE* workFile, STRUCT_GLOBAL_TABLE* table);
// The qualifier record of a compound, through the quantitation engine
// ("morvex.dll" in the program folder, bound per call); 0 when there is
// none or the engine or one of its functions is missing.
KELT_API BOOL KELT_ReadMatchingQualifier(const STRUCT_WORK_FILE* workFile, uint32_t compoundId,
                                         STRUCT_QUALIFIER_RECORD* record);
