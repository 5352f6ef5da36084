#pragma once
// Instrument module information of a data file: the section
// "ModuleInfo:B.<address, two or more digits>" that the acquisition writes
// for each module, as text lines "name=value".
#include <cstdint>
#include <cstdio>

#define TEVRIN_API extern "C" __attribute__((visibility("default")))

// [5] Writes the module's information into stream (lines ending CR LF);
// 0 when the file has none for that address.
TEVRIN_API int32_t WriteModuleInfoText(int32_t reserved, uint16_t moduleAddress, const char* dataPath,
                                       FILE* stream);
// Stores the module's information text (acquisition side, tests).
TEVRIN_API int32_t WriteModuleInfo(const char* dataPath, uint16_t moduleAddress, const char* text);
