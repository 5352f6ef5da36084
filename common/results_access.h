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

// The results header (2,635 bytes) of a data file. Unless force is set, a
// file without current results gives 0 before the engine is loaded.
KELT_API BOOL RPTS_ReadResultsFromFile(const char* path, void* header, int16_t force);
KELT_API BOOL RPTS_ReadResults(const char* path, void* header);
// The step of the internal standard a result was quantitated against: for
// a peak outside the method the active standard nearest its time, else the
// compound step whose number is the result's standard number. 0 when the
// result names no standard or none is found.
KELT_API BOOL RPTS_ReadISResultStep(const char* path, const void* step, void* out);
// Hit hit of TIC peak peak as a block of the shared allocator, given back
// with RPTS_FreeTICHitRecord; null for peak -1 or when it cannot be read.
KELT_API void* RPTS_ReadTICHitRecord(const char* path, int16_t peak, int16_t hit);
KELT_API void RPTS_FreeTICHitRecord(void* hit);
// The method compound record (4,793 bytes) of a result step, found at the
// step's compound index or else by its compound number; 1 when found.
KELT_API BOOL RPTS_ReadCompoundRecord(const STRUCT_WORK_FILE* workFile, const void* step, void* out);
// Whether a method compound of the file carries calibration coefficients;
// with show set, the wait cursor while it looks and a message when none.
KELT_API BOOL KELT_CheckForCalibrationData(const char* path, uint16_t moduleId, uint16_t moduleAddress, int16_t show);
// The data file's global table written back; 1 when written.
KELT_API BOOL KELT_WriteGlobalTable(const STRUCT_WORK_FILE* workFile, const void* table);
