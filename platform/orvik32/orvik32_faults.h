#pragma once
// Injected store failures, for tests of what callers leave behind when a
// write fails part way: after `commits` more successful writes (a writing
// section's close, a section delete or rename), the next `failures` writes
// fail (-1: every one), then writes succeed again. FailSectionWrites(-1, 0)
// lifts the failure.
#include <cstdint>

#include "orvik32/orvik32.h"

ORVIK_API void FailSectionWrites(int32_t commits, int32_t failures);

// Sections larger than this many bytes are stored in parts of this size
// (0: the usual 256 MiB), so tests can reach the parted path with small
// sections.
ORVIK_API void SetSectionPartSize(uint32_t bytes);

// The store's file writes (database and journal) fail as on a full disk once
// `bytes` more bytes were written; -1 lifts the limit.
ORVIK_API void LimitSectionFileSpace(int64_t bytes);
