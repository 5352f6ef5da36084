#pragma once
// Kernel part of the operating-system stand-in: files, folders, modules,
// last error, environment.
#include "win_types.h"
#include "win_export.h"

// Last-error codes the callers test.
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_SHARING_VIOLATION 32
#define ERROR_HANDLE_EOF 38
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_ALREADY_EXISTS 183
#define ERROR_INVALID_FLAGS 1004

WINAPI_EXPORT DWORD GetLastError();
WINAPI_EXPORT void SetLastError(DWORD code);
