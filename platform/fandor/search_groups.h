#pragma once
// Library-search groups and their spectrum-list (MSP) files.
#include <cstdint>

#include "fandor/fandor.h"

// A search group is known to hosts only by a 32-bit handle; 0 is never a
// handle. Groups of kind A (library search) and kind B (list-file search)
// come from separate creators and are released by the matching call.
FANDOR_API uint32_t CreateSearchGroupHandleA();
FANDOR_API uint32_t CreateSearchGroupHandleB();
// TRUE when handle was a live group of that kind, now released; FALSE for
// 0, an unknown handle, one already released, or one of the other kind.
FANDOR_API BOOL ReleaseSearchGroupHandleA(uint32_t handle);
FANDOR_API BOOL ReleaseSearchGroupHandleB(uint32_t handle);

// TRUE when path names a readable spectrum-list (MSP) file: plain text
// entries, each a "Name:" line, further "Key: value" lines and a
// "Num Peaks: n" line followed by exactly n mass/intensity pairs (pairs
// separated by blanks, ";" "," ":" or brackets, a quoted annotation may
// follow a pair), entries apart by blank lines; at least one entry.
FANDOR_API BOOL CheckMSPFile(const char* path);
