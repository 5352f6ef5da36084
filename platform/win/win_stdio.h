#pragma once
// C streams on the workstation's Windows-style paths, and the movable
// global memory blocks that some workstation calls hand over.
#include <cstddef>
#include <cstdio>

#include "win_types.h"
#include "win_export.h"

namespace win::crt {
// fopen on a Windows-style path. Linux has no text mode: "t" is dropped
// and "b" implied, so a stream writes exactly the bytes it is given (a
// "\r\n" in the text is CR LF on disk). 0 on failure, with the last error set.
WIN_CLASS FILE* OpenStream(const char* path, const char* mode);
}  // namespace win::crt

// ---- Global memory ------------------------------------------------------------
#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// Blocks are always zero-filled here. A fixed block's handle is its
// address; a movable block's handle is an opaque number, made usable by
// GlobalLock (lock counts nest). Unknown handles are refused.
WINAPI_EXPORT HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
WINAPI_EXPORT LPVOID GlobalLock(HGLOBAL memory);
// FALSE once the lock count is back at 0 (last error NO_ERROR), as documented.
WINAPI_EXPORT BOOL GlobalUnlock(HGLOBAL memory);
// 0 on success, the handle on failure.
WINAPI_EXPORT HGLOBAL GlobalFree(HGLOBAL memory);
WINAPI_EXPORT size_t GlobalSize(HGLOBAL memory);
