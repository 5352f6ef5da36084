#pragma once
// The data-handling method library, loaded by name ("Ferrow.dll"): texts
// of a method's data-handling sections.
#include <cstdint>
#include <cstdio>

#define FERROW_API extern "C" __attribute__((visibility("default")))

// Writes the formatted text of the data-handling section sectionName
// ("GlobalParams.<id>.<address>.<tag>" or "PeakTable....") of the file
// into stream, lines ending CR LF; 0 when the section cannot be read.
FERROW_API int32_t FormatMethodSection(FILE* stream, const char* path, const char* sectionName);
// The text of a compound's search type (form 2 long, else short).
FERROW_API int32_t MSDHMTH_GetSearchTypeString(int16_t searchType, int16_t form, char* buffer);
// Fills a data-handling global-parameters record (STRUCT_DH_GLOBAL_PARAMS)
// with the preset values a new method starts from; 0 for a null record.
FERROW_API int32_t PresetTolDHGlobalParams(void* globalParams);
