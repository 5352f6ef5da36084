#pragma once
// Injected store failures, for tests of what callers leave behind when a
// write fails part way: after `commits` more successful writes (a writing
// section's close, a section delete or rename), the next `failures` writes
// fail (-1: every one), then writes succeed again. FailSectionWrites(-1, 0)
// lifts the failure.
#include <cstdint>

#include "orvik32/orvik32.h"

ORVIK_API void FailSectionWrites(int32_t commits, int32_t failures);

// The next `count` WriteSection calls write nothing and return 0, while the
// handle still replaces the section when it closes: the store's contract
// lets CreateSection empty a section at once, and this is how a caller that
// relies on anything more shows up in a test. 0 lifts it.
ORVIK_API void FailSectionDataWrites(int32_t count);

// Sections larger than this many bytes are stored in parts of this size
// (0: the usual 256 MiB), so tests can reach the parted path with small
// sections.
ORVIK_API void SetSectionPartSize(uint32_t bytes);

// The store's file writes (database and journal) fail as on a full disk once
// `bytes` more bytes were written; -1 lifts the limit.
ORVIK_API void LimitSectionFileSpace(int64_t bytes);
