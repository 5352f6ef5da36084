#pragma once
// Page-rendering helpers of the workstation: display forms of file names.
#include <cstdint>

#define ULBREC_API extern "C" __attribute__((visibility("default")))

// Longest text (with its NUL) MakeDisplayFileName leaves in its destination.
#define ULBREC_DISPLAY_NAME_SIZE 256

// [74] Appends the display form of a file name (the path as written, with
// "/" turned into "\") to the text in destination, which holds at least
// ULBREC_DISPLAY_NAME_SIZE bytes; what does not fit is cut. Returns the
// destination's new length. A null source appends nothing.
ULBREC_API int32_t MakeDisplayFileName(const char* source, char* destination);
