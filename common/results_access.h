#pragma once
// Readers of a data file's data-handling tables for the reports.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

// The data file's global data-handling table (5,887 bytes) of the work
// file's module; 1 when it was read.
KELT_API BOOL KELT_ReadGlobalTable(const STRUCT_WORK_FILE* workFile, void* table);
// The data file's injection data-handling record; 1 when it was read.
KELT_API BOOL RPTS_ReadDHRecord(const char* path, void* record);
// The data file's recalculation record (its latest entry) of the work
// file's module; 1 when it was read.
KELT_API BOOL RPTS_ReadDataFileSection(const STRUCT_WORK_FILE* workFile, void* record);

// Readers bound by name to the quantitation engine ("morvex.dll" in the
// program folder) for the one call: 0 when the library or a function is
// missing, the section does not open or the read fails.
// One 1,375-byte results step of a data file.
KELT_API BOOL RPTS_ReadResultStep(const char* path, uint16_t step, void* out);
// The qualifier record of a compound (1,302 bytes).
KELT_API BOOL KELT_ReadMatchingQualifier(const STRUCT_WORK_FILE* workFile, int32_t compound, void* out);
