#pragma once
// Splitting a Windows-style path into its folder, name and extension.
#include <cstdint>

#define ULBREC_API extern "C" __attribute__((visibility("default")))

// folder keeps its drive and closing "\" ("c:\data\"), extension its
// period (".xms"); each buffer (any may be null) holds 260 bytes and what
// does not fit is cut. 0 for a null path.
ULBREC_API int32_t SplitFilePath(const char* path, char* folder, char* name, char* extension);
