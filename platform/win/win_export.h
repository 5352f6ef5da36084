#pragma once
// Export macros of the operating-system stand-in.
#define WIN_VIS __attribute__((visibility("default")))
// Plain operating-system calls: C linkage, visible.
#define WINAPI_EXPORT extern "C" WIN_VIS
// C++ helpers of the stand-in that other stand-ins use.
#define WIN_CLASS WIN_VIS
