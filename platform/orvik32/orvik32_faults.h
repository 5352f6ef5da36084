#pragma once
// Injected store failures, for tests of what callers leave behind when a
// write fails part way: after `commits` more successful writes (a writing
// section's close, a section delete or rename), the next `failures` writes
// fail (-1: every one), then writes succeed again. FailSectionWrites(-1, 0)
// lifts the failure.
#include <cstdint>

#include "orvik32/orvik32.h"

ORVIK_API void FailSectionWrites(int32_t commits, int32_t failures);
