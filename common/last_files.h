#pragma once
// The last-used files of the library's file dialogs: four recent-file
// lists and nine single paths, stored whole in "tolview4.ini" section
// "TolLastFiles" key "Params". One library-wide record, read at load and
// written at unload.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

#pragma pack(push, 1)
struct STRUCT_LAST_FILES {
  char reportsFiles[8][260];   // list 0: reports files, most recent first
  char mspFiles[8][260];       // list 1: spectrum list (MSP) files
  char mslFiles[8][260];       // list 2: spectrum list (MSL) libraries
  char libraryFiles[8][260];   // list 3: spectrum library (NIST) files
  char textFile[260];
  char methodFile[260];
  char dataFile[260];
  char dataFile2[260];
  char csvFile[260];
  char prnFile[260];
  char txtFile[260];
  char bmpFile[260];
  char wmfFile[260];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_LAST_FILES) == 10660);
static_assert(offsetof(STRUCT_LAST_FILES, mspFiles) == 2080);
static_assert(offsetof(STRUCT_LAST_FILES, mslFiles) == 4160);
static_assert(offsetof(STRUCT_LAST_FILES, libraryFiles) == 6240);
static_assert(offsetof(STRUCT_LAST_FILES, textFile) == 8320);
static_assert(offsetof(STRUCT_LAST_FILES, dataFile2) == 9100);
static_assert(offsetof(STRUCT_LAST_FILES, csvFile) == 9360);
static_assert(offsetof(STRUCT_LAST_FILES, bmpFile) == 10140);
static_assert(offsetof(STRUCT_LAST_FILES, wmfFile) == 10400);

// The library's record.
KELT_API STRUCT_LAST_FILES* KELT_GetKeltLastFiles();
// Reads the record, dropping entries whose files are gone (lists packed).
KELT_API void KELT_ReadLastFiles();
KELT_API void KELT_WriteLastFiles();
// Puts an existing file at the top of list 0, 1, 2 or 3; a duplicate
// (ignoring case) and vanished files drop out, at most eight stay.
KELT_API void KELT_AddLastFile(const char* path);
KELT_API void KELT_AddLastMSPFile(const char* path);
KELT_API void KELT_AddLastMSLFile(const char* path);
KELT_API void KELT_AddLastLibraryFile(const char* path);
