#pragma once
// The validation-data library: edits the workstation's validation file
// (a 93-byte head, then 94-byte file records, each starting with an
// 80-byte file name).
#include <cstdint>

#define KELDOR_API extern "C" __attribute__((visibility("default")))

// Removes every record named name (case ignored) from the validation file;
// the file is replaced whole. The number of records removed, or -1 when
// the file cannot be read or written or is no validation file.
KELDOR_API int32_t RemoveFileFromValidationData(const char* validationFile, const char* name);
