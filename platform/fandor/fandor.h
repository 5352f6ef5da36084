#pragma once
// Spectrum identification files.
#include <cstdint>

#include "win/win_types.h"

#define FANDOR_API extern "C" __attribute__((visibility("default")))

// The path of library number index (from 0) of a library list: the list's
// lines are the library paths in order, each ended by a NUL, the list by
// an empty line. A null list is the workstation's list in "fandor.ini",
// section "Libraries", keys "Library1", "Library2" ... Writes at most
// MAX_PATH bytes; 0 and an empty buffer when there is no such library.
FANDOR_API BOOL GetLibraryName(int16_t index, const char* libraryList, char* buffer);
