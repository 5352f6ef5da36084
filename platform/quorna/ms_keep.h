#pragma once
// MS data of a scratch file held in memory only.
#include "quorna/quorna.h"

// As KeepMSDataOpen, for a scratch file that only this process makes,
// reads (through this library, while kept) and deletes: while kept this
// way, a write through this library to that section is not stored in the
// file (an older one there goes) and later opens share the image of what
// was written. Nests with KeepMSDataOpen (the data set then stays in
// memory only until its last release); ReleaseMSDataOpen ends it. 1 on
// success.
QUORNA_API BOOL KeepMSDataInMemory(const char* path, const char* section);
