#pragma once
// Several section writes of one file committed as one: between
// BeginSectionBatch and CommitSectionBatch, on the calling thread, closing
// a writing section, copying into a section and deleting a section of
// that file only stage the change; sections opened or copied from the
// file meanwhile see what was staged.
// CommitSectionBatch writes every staged change in one transaction, so
// other readers, a failure or an interrupted process see all of them or
// none. Renames are not staged.
#include "orvik32/orvik32.h"

// FALSE when this thread has a batch open already.
ORVIK_API BOOL BeginSectionBatch(const char* path);
// FALSE (and nothing written) when the changes cannot be committed; the
// batch is over either way.
ORVIK_API BOOL CommitSectionBatch(const char* path);
ORVIK_API void AbortSectionBatch(const char* path);
