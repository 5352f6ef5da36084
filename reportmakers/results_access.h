#pragma once
// Readers of a data file's data-handling tables for the reports.
#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

// The data file's global data-handling table (5,887 bytes) of the work
// file's module; 1 when it was read.
KELT_API BOOL KELT_ReadGlobalTable(const STRUCT_WORK_FILE* workFile, void* table);
// The data file's injection data-handling record; 1 when it was read.
BOOL RPTS_ReadDHRecord(const char* path, void* record);
